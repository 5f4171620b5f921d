#include "archive/formats/rar/rar_format.h"

#include <cstring>
#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/crc.h"

namespace {

uint16_t HeaderCrc(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFF;
  Crc32Block(p, n, crc);
  return uint16_t(~crc);
}

}  // namespace

bool RarBlock::IsDirectory() const {
  if (HeadType != RarFileBlock) return false;
  if ((Flags & RarFileDirMask) == RarFileDirMask) return true;
  if (HostOs == 3) return (Attributes & 0xF000) == 0x4000;
  return (Attributes & 0x10) != 0;
}

bool ReadRarBlock(TArcSource& src, uint64_t pos, RarBlock& out, int& err) {
  out = RarBlock();
  out.Pos = pos;
  err = rdOk;
  if (AtEnd(src, pos, err)) return false;
  uint8_t head[7];
  if (!ReadExact(src, pos, head, sizeof head)) {
    err = rdReadError;
    return false;
  }
  out.HeadCrc = GetLE16(head);
  out.HeadType = head[2];
  out.Flags = GetLE16(head + 3);
  out.HeadSize = GetLE16(head + 5);
  if (out.HeadSize < 7) {
    err = rdBadFileHeader;
    return false;
  }
  std::vector<uint8_t> h(out.HeadSize);
  if (!ReadExact(src, pos, h.data(), h.size())) {
    err = rdReadError;
    return false;
  }
  bool fileLike = out.HeadType == RarFileBlock || out.HeadType == RarNewSubBlock;

  // Blocks whose CRC does not cover the header as read: a marker (of an
  // archive appended to this one), the old authenticity and comment blocks,
  // and old comments kept inside the main or a file header.
  bool check = true;
  if (out.HeadType == RarMarkBlock || out.HeadType == RarAvBlock || out.HeadType == RarSignBlock || out.HeadType == RarCommentBlock) check = false;
  if (out.HeadType == RarFileBlock && (out.Flags & RarFileComment)) check = false;
  if (check && HeaderCrc(&h[2], h.size() - 2) != out.HeadCrc) {
    bool ok = out.HeadType == RarMainBlock && (out.Flags & RarMainComment) && h.size() >= RarMainHeaderSize &&
              HeaderCrc(&h[2], RarMainHeaderSize - 2) == out.HeadCrc;
    if (!ok) {
      err = rdHeaderCrc;
      return false;
    }
  }

  if (fileLike) {
    size_t fixed = RarFileHeaderSize + ((out.Flags & RarFileLarge) ? 8 : 0);
    if (out.HeadSize < fixed) {
      err = rdBadFileHeader;
      return false;
    }
    out.PackedSize = GetLE32(&h[7]);
    out.UnpackedSize = GetLE32(&h[11]);
    out.HostOs = h[15];
    out.FileCrc = GetLE32(&h[16]);
    out.FileTime = GetLE32(&h[20]);
    out.UnpackVersion = h[24];
    out.Method = h[25];
    out.NameSize = GetLE16(&h[26]);
    out.Attributes = GetLE32(&h[28]);
    if (out.Flags & RarFileLarge) {
      out.PackedSize |= uint64_t(GetLE32(&h[32])) << 32;
      out.UnpackedSize |= uint64_t(GetLE32(&h[36])) << 32;
    }
    if (out.NameSize > out.HeadSize - fixed) {
      err = rdBadFileHeader;
      return false;
    }
    out.FileName = FieldString(&h[fixed], out.NameSize);
    out.DataSize = out.PackedSize;
  } else if (out.Flags & RarLongBlock) {
    if (out.HeadSize < 11) {
      err = rdBadFileHeader;
      return false;
    }
    out.DataSize = GetLE32(&h[7]);
  }
  out.DataPos = pos + out.HeadSize;
  if (!AddPos(out.DataPos, out.DataSize, out.NextPos)) {
    err = rdBadFileHeader;
    return false;
  }
  return out.HeadType != RarEndBlock;
}

bool ReadRarArchiveHeader(TArcSource& src, uint64_t pos, RarArchive& out, int& err) {
  out = RarArchive();
  out.MarkerPos = pos;
  err = rdOk;
  uint8_t mark[RarMarkerSize];
  if (!ReadExact(src, pos, mark, sizeof mark)) {
    err = rdReadError;
    return false;
  }
  if (std::memcmp(mark, "RE~^", 4) == 0) {
    err = rdUnsupportedVersion;
    return false;
  }
  if (std::memcmp(mark, "Rar!\x1A\x07", 6) != 0) {
    err = rdHeaderId;
    return false;
  }
  if (mark[6] != 0) {
    err = rdUnsupportedVersion;  // RAR 5 ("Rar!" 1A 07 01 00) and later
    return false;
  }
  // Some writers repeat the marker; the main header follows the last one.
  uint64_t at = pos + RarMarkerSize;
  for (int i = 0;; i++) {
    if (!ReadRarBlock(src, at, out.Main, err)) {
      if (err == rdOk) err = rdBadFileHeader;
      return false;
    }
    if (out.Main.HeadType != RarMarkBlock || i == 8) break;
    at = out.Main.NextPos;
  }
  if (out.Main.HeadType != RarMainBlock || out.Main.HeadSize < RarMainHeaderSize) {
    err = rdBadFileHeader;
    return false;
  }
  out.HeadersEncrypted = (out.Main.Flags & RarMainPassword) != 0;
  out.Volume = (out.Main.Flags & RarMainVolume) != 0;
  out.FirstBlockPos = out.Main.NextPos;
  return true;
}
