#include "archive/formats/ace/ace_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  AceMainHeader m;
  if (!ReadAceMainHeader(src, 0, m, err)) return 0;
  FuzzWalk(m.NextPos, [&](uint64_t pos, uint64_t& next) {
    AceFileHeader h;
    if (!ReadAceFileHeader(src, pos, h, err)) return false;
    next = h.NextPos;
    return true;
  });
  return 0;
}
