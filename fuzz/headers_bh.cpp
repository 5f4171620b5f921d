#include "archive/formats/bh/bh_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  FuzzWalk(0, [&](uint64_t pos, uint64_t& next) {
    BhHeader h;
    if (!ReadBhHeader(src, pos, h, err)) return false;
    next = h.NextPos;
    return true;
  });
  return 0;
}
