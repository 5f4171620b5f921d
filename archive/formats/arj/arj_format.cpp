#include "archive/formats/arj/arj_format.h"

#include <algorithm>
#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/crc.h"

namespace {

uint32_t Crc32Of(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFF;
  Crc32Block(p, n, crc);
  return ~crc;
}

bool ReadFrame(TArcSource& src, uint64_t pos, ArjHeader& out, int& err) {
  out = ArjHeader();
  out.Pos = pos;
  err = rdOk;
  uint8_t head[4];
  if (AtEnd(src, pos, err)) {
    if (err == rdOk) err = rdReadError;  // the end needs its zero-size header
    return false;
  }
  if (!ReadExact(src, pos, head, 4)) {
    err = rdReadError;
    return false;
  }
  if (GetLE16(head) != ArjHeaderId) {
    err = rdBadFileHeader;
    return false;
  }
  out.BasicSize = GetLE16(head + 2);
  if (out.BasicSize == 0) return false;
  if (out.BasicSize > ArjMaxBasicSize) {
    err = rdBadFileHeader;
    return false;
  }
  uint8_t basic[ArjMaxBasicSize + 4];
  if (!ReadExact(src, pos + 4, basic, out.BasicSize + 4u)) {
    err = rdReadError;
    return false;
  }
  out.HeaderCrc = GetLE32(basic + out.BasicSize);
  if (Crc32Of(basic, out.BasicSize) != out.HeaderCrc) {
    err = rdHeaderCrc;
    return false;
  }
  out.FirstHdrSize = basic[0];
  if (out.FirstHdrSize < ArjMinFixedSize || out.FirstHdrSize > out.BasicSize) {
    err = rdBadFileHeader;
    return false;
  }
  out.ArchiverVersion = basic[1];
  out.MinVersion = basic[2];
  out.HostOs = basic[3];
  out.Flags = basic[4];
  out.Method = basic[5];
  out.FileType = basic[6];
  out.PasswordModifier = basic[7];
  out.DosTime = GetLE32(basic + 8);
  out.PackedSize = GetLE32(basic + 12);
  out.UnpackedSize = GetLE32(basic + 16);
  out.FileCrc = GetLE32(basic + 20);
  out.FileSpecPos = GetLE16(basic + 24);
  out.FileMode = GetLE16(basic + 26);
  // Name and comment end at their NUL or, unterminated, at the end of B.
  const uint8_t* end = basic + out.BasicSize;
  const uint8_t* p = basic + out.FirstHdrSize;
  const uint8_t* z = std::find(p, end, uint8_t(0));
  out.FileName.assign(reinterpret_cast<const char*>(p), size_t(z - p));
  p = z < end ? z + 1 : end;
  z = std::find(p, end, uint8_t(0));
  out.Comment.assign(reinterpret_cast<const char*>(p), size_t(z - p));

  // Extended headers: size, data, CRC-32; a size of 0 ends them.
  uint64_t at = pos + 4 + out.BasicSize + 4;
  for (;;) {
    uint8_t word[2];
    if (!ReadExact(src, at, word, 2)) {
      err = rdReadError;
      return false;
    }
    at += 2;
    uint16_t ext = GetLE16(word);
    if (ext == 0) break;
    if (!SourceHas(src, at, uint64_t(ext) + 4)) {
      err = rdReadError;
      return false;
    }
    at += uint64_t(ext) + 4;
  }
  out.DataPos = at;
  return true;
}

}  // namespace

bool ReadArjHeader(TArcSource& src, uint64_t pos, ArjHeader& out, int& err) {
  if (!ReadFrame(src, pos, out, err)) return false;
  out.NextPos = out.DataPos + out.PackedSize;
  return true;
}

bool ReadArjMainHeader(TArcSource& src, uint64_t pos, ArjHeader& out, int& err) {
  if (!ReadFrame(src, pos, out, err)) {
    if (err == rdOk) err = rdBadFileHeader;  // an archive must have a main header
    return false;
  }
  out.NextPos = out.DataPos;
  return true;
}

bool FindArjMainHeader(TArcSource& src, uint64_t start, uint64_t maxScan, uint64_t& found, int& err) {
  err = rdOk;
  uint64_t size = src.Size();
  if (start >= size) {
    err = rdNoArchive;
    return false;
  }
  uint64_t last = start + std::min<uint64_t>(maxScan, size - start);
  // Windows that overlap by one whole frame, so no candidate is cut.
  constexpr size_t kWindow = 65536, kFrame = 4 + ArjMaxBasicSize + 4;
  for (uint64_t base = start; base < last; base += kWindow) {
    std::vector<uint8_t> buf = ReadUpTo(src, base, kWindow + kFrame);
    for (size_t i = 0; i < kWindow && i + 4 <= buf.size() && base + i < last; i++) {
      if (buf[i] != 0x60 || buf[i + 1] != 0xEA) continue;
      uint16_t b = GetLE16(&buf[i + 2]);
      if (b == 0 || b > ArjMaxBasicSize || i + 4 + b + 4u > buf.size()) continue;
      if (Crc32Of(&buf[i + 4], b) == GetLE32(&buf[i + 4 + b])) {
        found = base + i;
        return true;
      }
    }
  }
  err = rdNoArchive;
  return false;
}
