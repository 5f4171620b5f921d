#include "archive/formats/msgz/msgz_format.h"

#include <cstring>

#include "archive/core/bytes.h"

bool ReadMsgzArchiveHeader(TArcSource& src, uint64_t pos, MsgzArchiveHeader& out, int& err) {
  out = MsgzArchiveHeader();
  out.Pos = pos;
  err = rdOk;
  std::vector<uint8_t> h = ReadUpTo(src, pos, MsgzArchiveHeaderSize);
  if (h.size() < 45) {
    err = rdReadError;
    return false;
  }
  out.DirectoryPos = GetLE32(&h[41]);
  uint64_t size = src.Size();
  if (out.DirectoryPos >= size) return true;  // no directory inside the file: no entries
  uint64_t at = out.DirectoryPos;
  for (;;) {
    MsgzDirRecord rec;
    rec.Pos = at;
    std::vector<uint8_t> head = ReadUpTo(src, at, MsgzDirRecordFixedSize);
    if (head.size() < 3) {
      err = rdBadFileHeader;
      return false;
    }
    uint8_t len = head[2];
    if (len == 0) break;
    if (len < MsgzDirRecordFixedSize || head.size() < MsgzDirRecordFixedSize) {
      err = rdBadFileHeader;
      return false;
    }
    std::memcpy(rec.Raw, head.data(), MsgzDirRecordFixedSize);
    rec.Name.resize(len - MsgzDirRecordFixedSize);
    if (!rec.Name.empty() &&
        !ReadExact(src, at + MsgzDirRecordFixedSize, reinterpret_cast<uint8_t*>(rec.Name.data()), rec.Name.size())) {
      err = rdBadFileHeader;
      return false;
    }
    out.Dirs.push_back(rec);
    at += len;
  }
  // Records are read six bytes at a time, the closing one too; the first
  // entry begins 4 bytes before the end of that read.
  out.FirstEntryPos = at + MsgzDirRecordFixedSize - 4;
  out.HasEntries = out.FirstEntryPos < size;
  return true;
}

bool ReadMsgzEntry(TArcSource& src, uint64_t pos, MsgzEntry& out, int& err) {
  out = MsgzEntry();
  out.Pos = pos;
  err = rdOk;
  if (AtEnd(src, pos, err)) return false;
  if (!ReadExact(src, pos, out.Raw, MsgzEntryFixedSize)) {
    err = rdReadError;
    return false;
  }
  const uint8_t* h = out.Raw;
  out.UnpackedSize = GetLE32(h + 2);
  out.PackedSize = GetLE32(h + 6);
  out.Offset = GetLE32(h + 10);
  out.Date = GetLE16(h + 14);
  out.Time = GetLE16(h + 16);
  out.Attributes = GetLE32(h + 18);
  out.StepLength = GetLE16(h + 22);
  out.NameLength = h[28];
  if (out.StepLength < MsgzEntryFixedSize + out.NameLength) {
    err = rdBadFileHeader;
    return false;
  }
  out.FileName.resize(out.NameLength);
  if (out.NameLength &&
      !ReadExact(src, pos + MsgzEntryFixedSize, reinterpret_cast<uint8_t*>(out.FileName.data()), out.NameLength)) {
    err = rdReadError;
    return false;
  }
  out.NextPos = pos + out.StepLength;
  return true;
}
