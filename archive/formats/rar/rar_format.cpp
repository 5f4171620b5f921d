#include "archive/formats/rar/rar_format.h"

#include <cstring>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/core/crc.h"
#include "framework/core/sysutils.h"

namespace {

uint16_t HeaderCrc(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFF;
  Crc32Block(p, n, crc);
  return uint16_t(~crc);
}

}  // namespace

uint32_t RarDosAttributes(uint8_t HostOs, uint32_t Attr, uint16_t Flags) {
  const bool Folder = (Flags & RarFileDirMask) == RarFileDirMask;
  if (HostOs == 3 || HostOs == 5) {
    // Unix and BeOS: st_mode bits.
    return Folder || (Attr & 0xF000) == 0x4000 ? 0x10 : 0x20;
  }
  return Folder ? (Attr | 0x10) : Attr;
}

bool RarBlock::IsDirectory() const {
  return HeadType == RarFileBlock && (RarDosAttributes(HostOs, Attributes, Flags) & 0x10) != 0;
}

namespace {

void PutUtf8(std::string& Out, uint32_t C) {
  if (C < 0x80) {
    Out += char(C);
  } else if (C < 0x800) {
    Out += char(0xC0 | (C >> 6));
    Out += char(0x80 | (C & 0x3F));
  } else {
    Out += char(0xE0 | (C >> 12));
    Out += char(0x80 | ((C >> 6) & 0x3F));
    Out += char(0x80 | (C & 0x3F));
  }
}

}  // namespace

std::string DecodeRarUnicodeName(const uint8_t* Field, size_t Size) {
  const uint8_t* Nul = static_cast<const uint8_t*>(std::memchr(Field, 0, Size));
  if (!Nul) return std::string(reinterpret_cast<const char*>(Field), Size);
  const size_t NameLen = size_t(Nul - Field);
  const uint8_t* Enc = Nul + 1;
  const size_t EncLen = Size - NameLen - 1;
  if (EncLen == 0) return std::string();
  // One UTF-16 unit per byte of the OEM name at most.
  std::vector<uint16_t> W;
  const size_t Max = NameLen;
  size_t Pos = 0;
  const uint8_t High = Enc[Pos++];
  unsigned Flags = 0, FlagBits = 0;
  while (Pos < EncLen && W.size() < Max) {
    if (FlagBits == 0) {
      Flags = Enc[Pos++];
      FlagBits = 8;
      if (Pos >= EncLen) break;
    }
    FlagBits -= 2;
    switch ((Flags >> FlagBits) & 3) {
      case 0: W.push_back(Enc[Pos++]); break;
      case 1: W.push_back(uint16_t(Enc[Pos++] | (High << 8))); break;
      case 2:
        if (Pos + 1 >= EncLen) return std::string();
        W.push_back(uint16_t(Enc[Pos] | (Enc[Pos + 1] << 8)));
        Pos += 2;
        break;
      default: {
        unsigned Len = Enc[Pos++];
        if (Len & 0x80) {
          if (Pos >= EncLen) return std::string();
          const uint8_t Correction = Enc[Pos++];
          for (Len = (Len & 0x7F) + 2; Len > 0 && W.size() < Max; --Len)
            W.push_back(uint16_t(uint8_t(Field[W.size()] + Correction) | (High << 8)));
        } else {
          for (Len += 2; Len > 0 && W.size() < Max; --Len) W.push_back(Field[W.size()]);
        }
        break;
      }
    }
  }
  std::string Out;
  for (size_t i = 0; i < W.size(); ++i) {
    uint32_t C = W[i];
    if (C >= 0xD800 && C < 0xDC00 && i + 1 < W.size() && W[i + 1] >= 0xDC00 && W[i + 1] < 0xE000) {
      C = 0x10000 + ((C - 0xD800) << 10) + (W[++i] - 0xDC00);
      Out += char(0xF0 | (C >> 18));
      Out += char(0x80 | ((C >> 12) & 0x3F));
      Out += char(0x80 | ((C >> 6) & 0x3F));
      Out += char(0x80 | (C & 0x3F));
      continue;
    }
    PutUtf8(Out, C);
  }
  return Out;
}

std::string RarBlock::AnsiName() const { return Utf8Name.empty() ? OemToAnsiStr(FileName) : Utf8ToAnsi(Utf8Name); }

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
    if ((out.Flags & RarFileUnicode) && out.HeadType == RarFileBlock)
      out.Utf8Name = DecodeRarUnicodeName(&h[fixed], out.NameSize);
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

std::string RarNextVolumeName(const std::string& Current, bool NewNaming) {
  std::string N = Current;
  if (NewNaming) {
    // The last run of digits before the extension counts up.
    size_t End = N.size();
    const size_t Dot = N.find_last_of('.');
    if (Dot != std::string::npos && Dot > 0 && N.find_first_of("\\/", Dot) == std::string::npos) End = Dot;
    size_t Start = End;
    while (Start > 0 && N[Start - 1] >= '0' && N[Start - 1] <= '9') --Start;
    if (Start < End) {
      for (size_t i = End; i-- > Start;) {
        if (N[i] < '9') {
          ++N[i];
          return N;
        }
        N[i] = '0';
      }
      N = N.substr(0, Start) + "1" + N.substr(Start);
      return N;
    }
  }
  return NextOldStyleVolume(N, 'r');
}
