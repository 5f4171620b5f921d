#include "archive/formats/arc/arc_format.h"
#include "fuzz/headers_walk.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  std::string folder;
  FuzzWalk(0, [&](uint64_t pos, uint64_t& next) {
    ArcHeader h;
    if (!ReadArcHeader(src, pos, h, err)) return false;
    ApplyArcFolder(h, folder);
    next = h.NextPos;
    return true;
  });
  return 0;
}
