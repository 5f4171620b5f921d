#include "archive/formats/ha/ha_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  HaArchiveHeader a;
  if (!ReadHaArchiveHeader(src, a, err)) return 0;
  FuzzWalk(a.FirstEntryPos, [&](uint64_t pos, uint64_t& next) {
    HaEntry h;
    if (!ReadHaEntry(src, pos, h, err)) return false;
    next = h.NextPos;
    return true;
  });
  return 0;
}
