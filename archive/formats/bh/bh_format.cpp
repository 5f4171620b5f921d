#include "archive/formats/bh/bh_format.h"

#include "archive/core/bytes.h"

bool ReadBhHeader(TArcSource& src, uint64_t pos, BhHeader& out, int& err) {
  out = BhHeader();
  out.Pos = pos;
  err = rdOk;
  if (AtEnd(src, pos, err)) return false;
  uint8_t h[BhFixedSize];
  if (!ReadExact(src, pos, h, sizeof h)) {
    err = rdReadError;
    return false;
  }
  ReadFields(h, sizeof h, static_cast<TBhFixedHeader&>(out));
  if (out.Signature != BhSignature) {
    err = rdHeaderId;
    return false;
  }
  if (out.HeaderSize == 0) return false;
  uint64_t namePos = pos + BhFixedSize;
  if (!SourceHas(src, namePos, out.NameLength)) {
    err = rdReadError;
    return false;
  }
  out.FileName.resize(out.NameLength);
  if (out.NameLength && !ReadExact(src, namePos, reinterpret_cast<uint8_t*>(out.FileName.data()), out.NameLength)) {
    err = rdReadError;
    return false;
  }
  out.DataPos = namePos + out.NameLength;
  out.NextPos = out.DataPos + out.PackedSize;
  return true;
}
