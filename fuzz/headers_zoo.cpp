#include "archive/formats/zoo/zoo_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  ZooArchiveHeader a;
  if (!ReadZooArchiveHeader(src, a, err)) return 0;
  FuzzWalk(a.Start, [&](uint64_t pos, uint64_t& next) {
    ZooEntry h;
    if (!ReadZooEntry(src, pos, h, err)) return false;
    next = h.Next;
    return true;
  });
  return 0;
}
