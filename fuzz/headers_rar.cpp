#include "archive/formats/rar/rar_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  RarArchive a;
  if (!ReadRarArchiveHeader(src, 0, a, err)) return 0;
  FuzzWalk(a.FirstBlockPos, [&](uint64_t pos, uint64_t& next) {
    RarBlock b;
    if (!ReadRarBlock(src, pos, b, err)) return false;
    if (b.NameSize > b.HeadSize) std::abort();
    next = b.NextPos;
    return true;
  });
  return 0;
}
