// The LHA extractor in test mode over arbitrary bytes written to a temp
// file: header levels 0 to 3, extended headers and every decoder behind
// them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/formats/lha/unlha.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "unlha_fuzz_" + std::to_string(getpid()) + ".lzh";
  {
    TFileStream f(path, fmCreate);
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUnLHA u(nullptr);
  u.FileSpec()->Add(size && (data[0] & 1) ? "*.txt" : "*.*");
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.SetArchiveFile(path);
  try {
    u.TestArchive();
  } catch (const E_RAISE&) {
  }
  return 0;
}
