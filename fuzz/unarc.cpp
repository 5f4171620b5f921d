// The ARC extractor in test mode over arbitrary bytes written to a temp
// file: the header walk, folder records and every entry decoder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/formats/arc/unarc.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "unarc_fuzz_" + std::to_string(getpid()) + ".arc";
  {
    TFileStream f(path, fmCreate);
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUnARC u(nullptr);
  u.FileSpec()->Add(size > 2 && (data[2] & 1) ? "*.TXT" : "*.*");
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.SetArchiveFile(path);
  try {
    u.TestArchive();
  } catch (const E_RAISE&) {
  }
  return 0;
}
