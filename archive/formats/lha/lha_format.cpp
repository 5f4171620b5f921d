#include "archive/formats/lha/lha_format.h"

#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/crc.h"

namespace {

bool IsLeadByte(uint8_t c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFD); }

struct ExtState {
  std::string Name, Dir;
  bool HaveName = false;
  bool HaveAttr = false;
  uint8_t Attr = 0;
  bool HaveCrc = false;
  uint16_t Crc = 0;
  size_t CrcOffset = 0;  // within the level-2 header buffer
};

// One extended header: type, data, next size. Returns the next size.
void TakeExt(const uint8_t* p, size_t size, ExtState& st) {
  const uint8_t* data = p + 1;
  size_t n = size - 3;
  switch (p[0]) {
    case LhaExtFileName:
      st.Name.assign(reinterpret_cast<const char*>(data), n);
      st.HaveName = true;
      break;
    case LhaExtDirName:
      st.Dir.assign(reinterpret_cast<const char*>(data), n);
      break;
    case LhaExtAttribute:
      if (n >= 1) {
        st.Attr = data[0];
        st.HaveAttr = true;
      }
      break;
    case LhaExtCommon:
      if (n >= 2) {
        st.Crc = GetLE16(data);
        st.HaveCrc = true;
      }
      break;
    default:
      break;
  }
}

void Finish(LhaHeader& out, const ExtState& st) {
  if (st.HaveName) out.Name = st.Name;
  if (st.HaveAttr) out.Attribute = st.Attr;
  out.DirName = NormalizeLhaPath(st.Dir);
  out.FileName = out.Name;
  if (!out.DirName.empty())
    out.FileName = out.DirName + (out.DirName.back() == '\\' ? "" : "\\") + out.Name;
}

}  // namespace

std::string NormalizeLhaPath(const std::string& field) {
  std::string s;
  s.reserve(field.size());
  for (size_t i = 0; i < field.size(); i++) {
    uint8_t c = uint8_t(field[i]);
    if (IsLeadByte(c) && i + 1 < field.size()) {
      s.push_back(char(c));
      s.push_back(field[++i]);
    } else if (c == 0xFF || c == '/' || c == '\\') {
      s.push_back('\\');
    } else {
      s.push_back(char(c));
    }
  }
  size_t b = 0, e = s.size();
  while (b < e && uint8_t(s[b]) <= 32) b++;
  while (e > b && uint8_t(s[e - 1]) <= 32) e--;
  return s.substr(b, e - b);
}

uint64_t LhaFirstHeaderPos(TArcSource& src, uint64_t pos) {
  uint8_t b;
  if (ReadExact(src, pos, &b, 1) && b == 0) return pos + 128;
  return pos;
}

bool ReadLhaHeader(TArcSource& src, uint64_t pos, LhaHeader& out, int& err) {
  out = LhaHeader();
  out.Pos = pos;
  err = rdOk;
  uint8_t base[LhaBaseSize];
  if (AtEnd(src, pos, err) || !ReadExact(src, pos, base, 1) || base[0] == 0) return false;
  if (!ReadExact(src, pos, base, LhaBaseSize)) return false;

  out.Level = base[20];
  if (out.Level > 2) {
    err = rdUnsupportedVersion;
    return false;
  }
  if (base[2] != '-' || base[6] != '-') {
    err = rdBadFileHeader;
    return false;
  }
  out.MethodId.assign(reinterpret_cast<const char*>(base + 2), 5);
  out.MethodChar = char(base[5]);
  out.IsDirectory = out.MethodChar == 'd';
  out.PackedSize = GetLE32(base + 7);
  out.UnpackedSize = GetLE32(base + 11);
  out.Time = GetLE32(base + 15);
  out.Attribute = base[19];
  ExtState st;

  if (out.Level == 2) {
    out.HeaderSize = GetLE16(base);
    out.HeaderLength = out.HeaderSize;
    if (out.HeaderSize < 26) {
      err = rdBadFileHeader;
      return false;
    }
    std::vector<uint8_t> hdr(out.HeaderSize);
    if (!ReadExact(src, pos, hdr.data(), hdr.size())) {
      err = rdReadError;
      return false;
    }
    out.Crc = GetLE16(&hdr[21]);
    out.HasCrc = true;
    out.OsId = hdr[23];
    size_t at = 26, next = GetLE16(&hdr[24]);
    while (next != 0) {
      if (next < 3 || next > hdr.size() - at) {
        err = rdBadFileHeader;
        return false;
      }
      if (hdr[at] == LhaExtCommon && next >= 5) st.CrcOffset = at + 1;
      TakeExt(&hdr[at], next, st);
      out.ExtSize += uint32_t(next);
      at += next;
      next = GetLE16(&hdr[at - 2]);
    }
    if (st.HaveCrc) {
      out.HasHeaderCrc = true;
      out.HeaderCrc = st.Crc;
      hdr[st.CrcOffset] = hdr[st.CrcOffset + 1] = 0;
      uint16_t crc = 0;
      Crc16Block(hdr.data(), hdr.size(), crc);
      if (crc != st.Crc) {
        err = rdHeaderCrc;
        return false;
      }
    }
    out.DataSize = out.PackedSize;
    out.DataPos = pos + out.HeaderSize;
  } else {
    out.HeaderSize = base[0];
    out.HeaderSum = base[1];
    out.HeaderLength = out.HeaderSize + 2u;
    size_t nameLen = base[21];
    // Level 0: name and CRC (which the oldest writers left out); level 1 adds
    // the OS byte and the first extended size.
    out.HasCrc = out.Level == 1 || out.HeaderLength >= LhaBaseSize + nameLen + 2;
    size_t need = LhaBaseSize + nameLen + (out.Level == 0 ? 0 : 5);
    if (out.HeaderLength < need) {
      err = rdBadFileHeader;
      return false;
    }
    uint8_t hdr[257];
    if (!ReadExact(src, pos, hdr, out.HeaderLength)) {
      err = rdReadError;
      return false;
    }
    out.Name.assign(reinterpret_cast<const char*>(hdr + LhaBaseSize), nameLen);
    if (out.HasCrc) out.Crc = GetLE16(hdr + LhaBaseSize + nameLen);
    uint64_t at = pos + out.HeaderLength;
    if (out.Level == 1) {
      out.OsId = hdr[LhaBaseSize + nameLen + 2];
      // The first extended size closes the base header, whatever lies before it.
      size_t next = GetLE16(hdr + out.HeaderLength - 2);
      std::vector<uint8_t> ext;
      while (next != 0) {
        if (next < 3 || next > out.PackedSize - out.ExtSize) {
          err = rdBadFileHeader;
          return false;
        }
        ext.resize(next);
        if (!ReadExact(src, at, ext.data(), next)) {
          err = rdReadError;
          return false;
        }
        TakeExt(ext.data(), next, st);
        out.ExtSize += uint32_t(next);
        at += next;
        next = GetLE16(&ext[next - 2]);
      }
    }
    out.DataSize = out.PackedSize - out.ExtSize;
    out.DataPos = at;
  }
  Finish(out, st);
  out.NextPos = out.DataPos + out.DataSize;
  return true;
}
