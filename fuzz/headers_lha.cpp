#include "archive/formats/lha/lha_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  FuzzWalk(LhaFirstHeaderPos(src, 0), [&](uint64_t pos, uint64_t& next) {
    LhaHeader h;
    if (!ReadLhaHeader(src, pos, h, err)) return false;
    if (h.DataPos > size) std::abort();
    next = h.NextPos;
    return true;
  });
  return 0;
}
