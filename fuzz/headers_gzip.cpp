#include "archive/formats/gzip/gzip_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  GzipHeader h;
  if (ReadGzipHeader(src, h, err) && h.IsGzip && (h.DataPos + h.PackedSize + 8 != size)) std::abort();
  return 0;
}
