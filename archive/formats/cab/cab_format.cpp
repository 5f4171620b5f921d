#include "archive/formats/cab/cab_format.h"

#include "archive/core/bytes.h"

namespace {

bool ReadName(TArcSource& src, uint64_t& pos, std::string& out, int& err) {
  if (!ReadZString(src, pos, pos + CabMaxName, CabMaxName, out, pos)) {
    err = SourceHas(src, pos, CabMaxName) ? rdBadFileHeader : rdReadError;
    return false;
  }
  return true;
}

}  // namespace

uint16_t CabFile::Folder(const CabHeader& h) const {
  if (FolderIndex == CabFolderContinuedToNext) return h.FolderCount ? uint16_t(h.FolderCount - 1) : 0;
  if (ContinuedFromPrev()) return 0;
  return FolderIndex;
}

bool ReadCabHeader(TArcSource& src, uint64_t pos, CabHeader& out, int& err) {
  out = CabHeader();
  out.Pos = pos;
  err = rdOk;
  uint8_t h[CabHeaderFixedSize + 4];
  if (!ReadExact(src, pos, h, CabHeaderFixedSize)) {
    err = rdReadError;
    return false;
  }
  if (GetLE32(h) != CabSignature) {
    err = rdHeaderId;
    return false;
  }
  out.CabinetSize = GetLE32(h + 8);
  out.FilesOffset = GetLE32(h + 16);
  out.VersionMinor = h[24];
  out.VersionMajor = h[25];
  out.FolderCount = GetLE16(h + 26);
  out.FileCount = GetLE16(h + 28);
  out.Flags = GetLE16(h + 30);
  out.SetId = GetLE16(h + 32);
  out.CabinetIndex = GetLE16(h + 34);
  uint64_t at = pos + CabHeaderFixedSize;
  if (out.Flags & CabFlagReservePresent) {
    if (!ReadExact(src, at, h, 4)) {
      err = rdReadError;
      return false;
    }
    out.HeaderReserve = GetLE16(h);
    out.FolderReserve = h[2];
    out.DataReserve = h[3];
    at += 4;
    if (!SourceHas(src, at, out.HeaderReserve)) {
      err = rdReadError;
      return false;
    }
    at += out.HeaderReserve;
  }
  if (out.Flags & CabFlagPrevCabinet) {
    if (!ReadName(src, at, out.PrevCabinet, err) || !ReadName(src, at, out.PrevDisk, err)) return false;
  }
  if (out.Flags & CabFlagNextCabinet) {
    if (!ReadName(src, at, out.NextCabinet, err) || !ReadName(src, at, out.NextDisk, err)) return false;
  }
  out.FoldersPos = at;
  uint64_t folders = uint64_t(out.FolderCount) * (CabFolderSize + out.FolderReserve);
  // The file entries follow the folder entries; the counts must fit the file.
  if (out.FilesOffset < at - pos + folders ||
      !SourceHas(src, pos + out.FilesOffset, uint64_t(out.FileCount) * (CabFileFixedSize + 1))) {
    err = rdBadFileHeader;
    return false;
  }
  return true;
}

bool ReadCabFolder(TArcSource& src, const CabHeader& h, unsigned index, CabFolder& out, int& err) {
  out = CabFolder();
  err = rdOk;
  if (index >= h.FolderCount) {
    err = rdBadFileHeader;
    return false;
  }
  uint8_t f[CabFolderSize];
  if (!ReadExact(src, h.FoldersPos + uint64_t(index) * (CabFolderSize + h.FolderReserve), f, sizeof f)) {
    err = rdReadError;
    return false;
  }
  out.DataOffset = GetLE32(f);
  out.DataBlockCount = GetLE16(f + 4);
  out.CompressionType = GetLE16(f + 6);
  return true;
}

bool ReadCabFile(TArcSource& src, const CabHeader&, uint64_t pos, CabFile& out, int& err) {
  out = CabFile();
  out.Pos = pos;
  err = rdOk;
  uint8_t f[CabFileFixedSize];
  if (!ReadExact(src, pos, f, sizeof f)) {
    err = rdReadError;
    return false;
  }
  out.UnpackedSize = GetLE32(f);
  out.FolderOffset = GetLE32(f + 4);
  out.FolderIndex = GetLE16(f + 8);
  out.Date = GetLE16(f + 10);
  out.Time = GetLE16(f + 12);
  out.Attributes = GetLE16(f + 14);
  uint64_t at = pos + CabFileFixedSize;
  if (!ReadName(src, at, out.FileName, err)) return false;
  out.NextPos = at;
  return true;
}

bool ReadCabDataBlock(TArcSource& src, uint64_t pos, CabDataBlock& out, int& err) {
  out = CabDataBlock();
  err = rdOk;
  uint8_t d[CabDataFixedSize];
  if (!ReadExact(src, pos, d, sizeof d)) {
    err = rdReadError;
    return false;
  }
  out.Checksum = GetLE32(d);
  out.PackedBytes = GetLE16(d + 4);
  out.UnpackedBytes = GetLE16(d + 6);
  return true;
}
