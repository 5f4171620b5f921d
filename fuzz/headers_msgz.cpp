#include "archive/formats/msgz/msgz_format.h"
#include "fuzz/headers_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemorySource src(data, size);
  int err = 0;
  MsgzArchiveHeader a;
  if (!ReadMsgzArchiveHeader(src, 0, a, err) || !a.HasEntries) return 0;
  FuzzWalk(a.FirstEntryPos, [&](uint64_t pos, uint64_t& next) {
    MsgzEntry h;
    if (!ReadMsgzEntry(src, pos, h, err)) return false;
    next = h.NextPos;
    return true;
  });
  return 0;
}
