// The gzip and compress extractor in test mode over arbitrary bytes written
// to a temp file: headers, member chains, trailers and both decoders.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/formats/gzip/ungzip.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "ungzip_fuzz_" + std::to_string(getpid()) + ".gz";
  {
    TFileStream f(path, fmCreate);
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUnGZIP u(nullptr);
  u.FileSpec()->Add("*.*");
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.SetArchiveFile(path);
  try {
    u.TestArchive();
  } catch (const E_RAISE&) {
  }
  return 0;
}
