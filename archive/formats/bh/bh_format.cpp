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
  out.Signature = GetLE32(h);
  if (out.Signature != BhSignature) {
    err = rdHeaderId;
    return false;
  }
  out.HeaderSize = GetLE16(h + 4);
  if (out.HeaderSize == 0) return false;
  out.FixedSize = h[6];
  out.VersionMadeBy = h[7];
  out.VersionNeeded = h[8];
  out.Flags = h[9];
  out.Method = h[10];
  out.DosTime = GetLE32(h + 11);
  out.PackedSize = GetLE32(h + 15);
  out.UnpackedSize = GetLE32(h + 19);
  out.Crc = GetLE32(h + 23);
  out.Attributes = GetLE16(h + 27);
  out.NameLength = GetLE16(h + 33);
  out.ExtraSize = GetLE16(h + 35);
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
