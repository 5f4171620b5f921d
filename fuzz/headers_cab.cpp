#include "archive/formats/cab/cab_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  CabHeader h;
  if (!ReadCabHeader(src, 0, h, err)) return 0;
  for (unsigned i = 0; i < h.FolderCount; i++) {
    CabFolder f;
    CabDataBlock b;
    if (!ReadCabFolder(src, h, i, f, err)) break;
    ReadCabDataBlock(src, f.DataOffset, b, err);
  }
  unsigned left = h.FileCount;
  FuzzWalk(h.Pos + h.FilesOffset, [&](uint64_t pos, uint64_t& next) {
    CabFile f;
    if (left-- == 0 || !ReadCabFile(src, h, pos, f, err)) return false;
    if (f.FileName.size() >= CabMaxName) std::abort();
    next = f.NextPos;
    return true;
  });
  return 0;
}
