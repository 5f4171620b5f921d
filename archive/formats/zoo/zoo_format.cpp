#include "archive/formats/zoo/zoo_format.h"

#include "archive/core/bytes.h"

namespace {

bool ReadText(TArcSource& src, uint64_t pos, size_t n, std::string& out, int& err) {
  out.resize(n);
  if (n && !ReadExact(src, pos, reinterpret_cast<uint8_t*>(out.data()), n)) {
    err = rdReadError;
    return false;
  }
  return true;
}

}  // namespace

bool ReadZooArchiveHeader(TArcSource& src, ZooArchiveHeader& out, int& err) {
  out = ZooArchiveHeader();
  err = rdOk;
  uint8_t h[ZooArchiveHeaderSize];
  if (!ReadExact(src, 0, h, sizeof h)) {
    err = rdReadError;
    return false;
  }
  out.Text = FieldString(h, 20);
  out.Tag = GetLE32(h + 20);
  out.Start = GetLE32(h + 24);
  out.Minus = GetLE32(h + 28);
  out.MajorVersion = h[32];
  out.MinorVersion = h[33];
  out.HeaderType = h[34];
  out.CommentPos = GetLE32(h + 35);
  out.CommentLength = GetLE16(h + 39);
  out.VersionData = GetLE16(h + 41);
  if (uint32_t(out.Start + out.Minus) != 0 || out.Start >= src.Size()) {
    err = rdBadFileHeader;
    return false;
  }
  return !out.CommentLength || ReadText(src, out.CommentPos, out.CommentLength, out.Comment, err);
}

bool ReadZooEntry(TArcSource& src, uint64_t pos, ZooEntry& out, int& err) {
  out = ZooEntry();
  out.Pos = pos;
  err = rdOk;
  uint8_t h[ZooEntryFixedSize] = {};
  if (!ReadExact(src, pos, h, ZooEntryType1Size)) {
    err = rdReadError;
    return false;
  }
  out.Tag = GetLE32(h);
  if (out.Tag != ZooTag) {
    err = rdBadFileHeader;
    return false;
  }
  out.Type = h[4];
  out.Method = h[5];
  out.Next = GetLE32(h + 6);
  if (out.Next == 0) return false;
  out.Offset = GetLE32(h + 10);
  out.Date = GetLE16(h + 14);
  out.Time = GetLE16(h + 16);
  out.FileCrc = GetLE16(h + 18);
  out.UnpackedSize = GetLE32(h + 20);
  out.PackedSize = GetLE32(h + 24);
  out.MajorVersion = h[28];
  out.MinorVersion = h[29];
  out.Deleted = h[30];
  out.Structure = h[31];
  out.CommentPos = GetLE32(h + 32);
  out.CommentLength = GetLE16(h + 36);
  out.ShortName = FieldString(h + 38, 13);
  // A chain that stands still or turns back would never end.
  if (out.Next <= pos || out.Next >= src.Size()) {
    err = rdBadFileHeader;
    return false;
  }
  if (out.Type == 2) {
    if (!ReadExact(src, pos, h, ZooEntryFixedSize)) {
      err = rdReadError;
      return false;
    }
    out.VarDirLen = GetLE16(h + 51);
    out.TimeZone = h[53];
    out.DirCrc = GetLE16(h + 54);
    out.NameLength = h[56];
    out.DirLength = h[57];
    if (!ReadText(src, pos + ZooEntryFixedSize, out.NameLength, out.LongName, err) ||
        !ReadText(src, pos + ZooEntryFixedSize + out.NameLength, out.DirLength, out.DirName, err))
      return false;
    // Both lengths count a closing NUL.
    out.LongName = FieldString(reinterpret_cast<const uint8_t*>(out.LongName.data()), out.LongName.size());
    out.DirName = FieldString(reinterpret_cast<const uint8_t*>(out.DirName.data()), out.DirName.size());
  }
  std::string dir = out.DirName;
  for (char& c : dir)
    if (c == '/') c = '\\';
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  out.FileName = dir + out.ShortName;
  if (out.CommentLength && !ReadText(src, out.CommentPos, out.CommentLength, out.Comment, err)) return false;
  if (!SourceHas(src, out.Offset, out.PackedSize)) {
    err = rdReadError;
    return false;
  }
  return true;
}
