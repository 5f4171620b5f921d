// The ZOO extractor in test mode over arbitrary bytes behind an archive
// header whose chain starts right after it: directory entries and the three
// methods.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/formats/zoo/unzoo.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "unzoo_fuzz_" + std::to_string(getpid()) + ".zoo";
  uint8_t head[62] = "ZOO 2.10 Archive.\x1A";
  const uint8_t fixed[] = {0xDC, 0xA7, 0xC4, 0xFD, 62, 0, 0, 0, 0xC2, 0xFF, 0xFF, 0xFF, 2, 0, 1};
  std::copy(fixed, fixed + sizeof fixed, head + 20);
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer(head, int32_t(sizeof head));
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUnZOO u(nullptr);
  u.FileSpec()->Add("*.*");
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.SetArchiveFile(path);
  try {
    u.TestArchive();
  } catch (const E_RAISE&) {
  }
  return 0;
}
