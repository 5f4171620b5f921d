#include "archive/formats/arc/arc_format.h"

#include "archive/core/bytes.h"

bool ReadArcHeader(TArcSource& src, uint64_t pos, ArcHeader& out, int& err) {
  out = ArcHeader();
  out.Pos = pos;
  err = rdOk;
  uint8_t h[ArcHeaderSize];
  if (AtEnd(src, pos, err)) return false;
  if (!ReadExact(src, pos, h, 2)) {
    err = rdReadError;
    return false;
  }
  if (h[0] != ArcMark) {
    err = rdHeaderId;
    return false;
  }
  out.Method = h[1];
  if (out.Method == ArcMethodEnd) return false;
  if (out.Method == ArcMethodFolderEnd) {
    out.DataPos = out.NextPos = pos + 2;
    return true;
  }
  // Type 1 comes from the first ARC versions, whose header has no unpacked
  // size: the data follows 4 bytes earlier and is stored as it is.
  const size_t size = out.Method == ArcMethodOld ? ArcOldHeaderSize : ArcHeaderSize;
  if (!ReadExact(src, pos, h, size)) {
    err = rdReadError;
    return false;
  }
  out.Name = FieldString(h + 2, 13);
  out.PackedSize = GetLE32(h + 15);
  out.Date = GetLE16(h + 19);
  out.Time = GetLE16(h + 21);
  out.Crc = GetLE16(h + 23);
  out.UnpackedSize = out.Method == ArcMethodOld ? out.PackedSize : GetLE32(h + 25);
  out.DataPos = pos + size;
  if (out.Method == ArcMethodFolder) {
    // Its entries follow as ordinary headers.
    out.PackedSize = out.UnpackedSize = 0;
  }
  out.NextPos = out.DataPos + out.PackedSize;
  return true;
}

void ApplyArcFolder(const ArcHeader& h, std::string& path) {
  if (h.IsFolder()) {
    path += h.Name + "\\";
  } else if (h.IsFolderEnd() && !path.empty()) {
    size_t cut = path.size() >= 2 ? path.find_last_of('\\', path.size() - 2) : std::string::npos;
    path.erase(cut == std::string::npos ? 0 : cut + 1);
  }
}
