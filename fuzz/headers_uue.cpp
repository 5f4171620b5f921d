#include "archive/formats/uue/uue_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  UueBegin b;
  if (FindUueBegin(src, 0, UueListerScan, b, err) && (b.DataPos > size || b.FileName.size() > UueMaxName)) std::abort();
  return 0;
}
