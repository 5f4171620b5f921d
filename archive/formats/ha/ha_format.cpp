#include "archive/formats/ha/ha_format.h"

#include "archive/core/bytes.h"

namespace {
constexpr size_t HaMaxName = 1024;
}

bool ReadHaArchiveHeader(TArcSource& src, HaArchiveHeader& out, int& err) {
  out = HaArchiveHeader();
  err = rdOk;
  uint8_t h[HaArchiveHeaderSize];
  if (!ReadExact(src, 0, h, sizeof h)) {
    err = rdReadError;
    return false;
  }
  if (h[0] != 'H' || h[1] != 'A') {
    err = rdHeaderId;
    return false;
  }
  out.FileCount = GetLE16(h + 2);
  return true;
}

bool ReadHaEntry(TArcSource& src, uint64_t pos, HaEntry& out, int& err) {
  out = HaEntry();
  out.Pos = pos;
  err = rdOk;
  if (AtEnd(src, pos, err)) return false;
  uint8_t h[HaEntryFixedSize];
  if (!ReadExact(src, pos, h, sizeof h)) {
    err = rdReadError;
    return false;
  }
  out.Version = h[0] >> 4;
  out.Method = h[0] & 0x0F;
  out.PackedSize = GetLE32(h + 1);
  out.UnpackedSize = GetLE32(h + 5);
  out.Crc = GetLE32(h + 9);
  out.Time = GetLE32(h + 13);
  uint64_t at = pos + HaEntryFixedSize;
  uint8_t mdLen = 0;
  if (!ReadZString(src, at, at + HaMaxName, HaMaxName, out.Path, at) ||
      !ReadZString(src, at, at + HaMaxName, HaMaxName, out.Name, at) || !ReadExact(src, at, &mdLen, 1)) {
    err = rdReadError;
    return false;
  }
  out.MachineInfoLength = mdLen;
  at += 1 + mdLen;
  std::string path = out.Path;
  for (char& c : path)
    if (uint8_t(c) == 0xFF || c == '/') c = '\\';
  if (!path.empty() && path.back() != '\\') path += '\\';
  out.FileName = path + out.Name;
  out.DataPos = at;
  out.NextPos = out.DataPos + out.PackedSize;
  return true;
}
