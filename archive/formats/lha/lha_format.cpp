#include "archive/formats/lha/lha_format.h"

#include <algorithm>
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

// One extended header: its type byte and n bytes of data.
void TakeExt(const uint8_t* p, size_t n, ExtState& st) {
  const uint8_t* data = p + 1;
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

// Control characters would reach the list and the file system as they are.
void ReplaceControls(std::string& s) {
  for (char& c : s)
    if (uint8_t(c) < 32 || c == 0x7F) c = '_';
}

void Finish(LhaHeader& out, const ExtState& st) {
  if (st.HaveName) out.Name = st.Name;
  if (st.HaveAttr) out.Attribute = st.Attr;
  out.DirName = NormalizeLhaPath(st.Dir);
  ReplaceControls(out.Name);
  ReplaceControls(out.DirName);
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

namespace {

// Levels 2 and 3: a fixed part, then extended headers whose sizes (2 or 4
// bytes) close each of them, up to a size of 0. The chain itself tells where
// the header ends; the stored total may add a padding byte after it.
bool ReadLongHeader(TArcSource& src, uint64_t pos, LhaHeader& out, ExtState& st, int& err) {
  const bool level3 = out.Level == 3;
  const size_t width = level3 ? 4 : 2;
  const size_t fixed = level3 ? 32 : 26;
  // A level-3 header may carry large extended headers; more than this is
  // no header.
  constexpr size_t kMaxLong = size_t(1) << 20;
  std::vector<uint8_t> hdr(fixed);
  if (!ReadExact(src, pos, hdr.data(), fixed)) {
    err = rdReadError;
    return false;
  }
  out.HeaderSize = GetLE16(hdr.data());
  uint64_t total = level3 ? GetLE32(&hdr[24]) : out.HeaderSize;
  if (level3 && out.HeaderSize != 4) {
    err = rdBadFileHeader;
    return false;
  }
  out.Crc = GetLE16(&hdr[21]);
  out.HasCrc = true;
  out.OsId = hdr[23];
  auto sizeAt = [&](size_t at) { return level3 ? GetLE32(&hdr[at]) : uint32_t(GetLE16(&hdr[at])); };
  uint64_t next = sizeAt(fixed - width);
  while (next != 0) {
    const size_t at = hdr.size();
    if (next < 1 + width || next > kMaxLong - at) {
      err = rdBadFileHeader;
      return false;
    }
    hdr.resize(at + size_t(next));
    if (!ReadExact(src, pos + at, &hdr[at], size_t(next))) {
      err = rdReadError;
      return false;
    }
    if (hdr[at] == LhaExtCommon && next >= 3 + width) st.CrcOffset = at + 1;
    TakeExt(&hdr[at], size_t(next) - 1 - width, st);
    out.ExtSize += uint32_t(next);
    next = sizeAt(hdr.size() - width);
  }
  // OS-9/68K's LHA stores a level-2 total that falls short of its header.
  if (total < hdr.size() && out.OsId == LhaOsOs9) total = hdr.size();
  if (total < hdr.size() || total > hdr.size() + 1) {
    err = rdBadFileHeader;
    return false;
  }
  if (total > hdr.size()) {
    hdr.resize(size_t(total));
    if (!ReadExact(src, pos + total - 1, &hdr.back(), 1)) {
      err = rdReadError;
      return false;
    }
  }
  out.HeaderLength = uint32_t(total);
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
  out.DataPos = pos + total;
  return true;
}

}  // namespace

bool ReadLhaHeader(TArcSource& src, uint64_t pos, LhaHeader& out, int& err) {
  out = LhaHeader();
  out.Pos = pos;
  err = rdOk;
  uint8_t raw[LhaBaseSize];
  if (AtEnd(src, pos, err) || !ReadExact(src, pos, raw, 1) || raw[0] == 0) return false;
  if (!ReadExact(src, pos, raw, LhaBaseSize)) return false;
  TLhaBaseRecord base;
  ReadFields(raw, sizeof raw, base);

  out.Level = base.Level;
  if (out.Level > 3) {
    err = rdUnsupportedVersion;
    return false;
  }
  if (base.Method[0] != '-' || base.Method[4] != '-') {
    err = rdBadFileHeader;
    return false;
  }
  out.MethodId.assign(reinterpret_cast<const char*>(base.Method), 5);
  out.MethodChar = char(base.Method[3]);
  out.IsDirectory = out.MethodChar == 'd';
  out.PackedSize = base.PackedSize;
  out.UnpackedSize = base.UnpackedSize;
  out.Time = base.Time;
  out.Attribute = base.Attribute;
  ExtState st;

  if (out.Level >= 2) {
    if (!ReadLongHeader(src, pos, out, st, err)) return false;
  } else {
    out.HeaderSize = base.HeaderSize;
    out.HeaderSum = base.HeaderSum;
    out.HeaderLength = out.HeaderSize + 2u;
    size_t nameLen = base.NameLength;
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
    // Some writers put a comment after a NUL in the name field.
    const char* name = reinterpret_cast<const char*>(hdr + LhaBaseSize);
    out.Name.assign(name, std::find(name, name + nameLen, '\0'));
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
        TakeExt(ext.data(), next - 3, st);
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

bool MakeLhaLevel0Header(TLhaBaseRecord& base, const std::string& name, uint16_t crc, std::vector<uint8_t>& out) {
  if (name.size() > LhaMaxLevel0Name) return false;
  base.Level = 0;
  base.NameLength = uint8_t(name.size());
  base.HeaderSize = uint8_t(LhaBaseSize + name.size());
  base.HeaderSum = 0;
  out.assign(LhaBaseSize + name.size() + 2, 0);
  WriteFields(base, out.data());
  std::copy(name.begin(), name.end(), out.begin() + LhaBaseSize);
  PutLE16(&out[LhaBaseSize + name.size()], crc);
  uint8_t sum = 0;
  for (size_t i = 2; i < out.size(); i++) sum = uint8_t(sum + out[i]);
  out[1] = sum;
  base.HeaderSum = sum;
  return true;
}
