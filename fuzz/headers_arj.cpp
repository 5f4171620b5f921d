#include "archive/formats/arj/arj_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  uint64_t start = 0;
  ArjHeader m;
  if (!FindArjMainHeader(src, 0, 25000, start, err) || !ReadArjMainHeader(src, start, m, err)) return 0;
  FuzzWalk(m.NextPos, [&](uint64_t pos, uint64_t& next) {
    ArjHeader h;
    if (!ReadArjHeader(src, pos, h, err)) return false;
    next = h.NextPos;
    return true;
  });
  return 0;
}
