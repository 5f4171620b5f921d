#include "archive/formats/gzip/gzip_format.h"

#include <algorithm>
#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/crc.h"

bool ReadGzipHeader(TArcSource& src, GzipHeader& out, int& err, uint64_t start) {
  out = GzipHeader();
  err = rdOk;
  uint64_t size = src.Size();
  uint8_t fixed[10];
  size_t got = start < size ? src.ReadAt(start, fixed, sizeof fixed) : 0;
  if (got < 2) {
    err = rdReadError;
    return false;
  }
  out.Signature = GetLE16(fixed);
  switch (out.Signature) {
    case GzipSignature:
    case GzipOldSignature:
      break;
    case CompressSignature:
      if (got < 3) {
        err = rdReadError;
        return false;
      }
      out.CompressFlags = fixed[2];
      out.DataPos = start + 3;
      out.PackedSize = size;
      return true;
    case LzhCompressSignature:
    case PackSignature:
      out.DataPos = start + 2;
      out.PackedSize = size;
      return true;
    default:
      err = rdHeaderId;
      return false;
  }

  out.IsGzip = true;
  // Fixed header and trailer at least; the variable parts must end before the
  // trailer.
  if (got < sizeof fixed || size - start < sizeof fixed + 8) {
    err = rdReadError;
    return false;
  }
  uint64_t limit = size - 8;
  out.Method = fixed[2];
  out.Flags = fixed[3];
  out.MTime = GetLE32(fixed + 4);
  out.ExtraFlags = fixed[8];
  out.Os = fixed[9];
  out.Encrypted = (out.Flags & GzipFlagEncrypted) != 0;
  bool old = out.Signature == GzipOldSignature;
  out.MultiPart = old && (out.Flags & GzipFlagMultiPart);
  out.HasHeaderCrc = !old && (out.Flags & GzipFlagHeaderCrc);

  uint64_t pos = start + sizeof fixed;
  uint8_t word[2];
  if (out.MultiPart) {
    if (pos + 2 > limit || !ReadExact(src, pos, word, 2)) {
      err = rdReadError;
      return false;
    }
    out.PartNumber = GetLE16(word);
    pos += 2;
  }
  if (out.Flags & GzipFlagExtra) {
    if (pos + 2 > limit || !ReadExact(src, pos, word, 2)) {
      err = rdReadError;
      return false;
    }
    uint64_t xlen = GetLE16(word);
    pos += 2;
    if (xlen > limit - pos) {
      err = rdReadError;
      return false;
    }
    pos += xlen;
  }
  if (out.Flags & GzipFlagName) {
    out.HasName = true;
    if (!ReadZString(src, pos, limit, GzipMaxName, out.FileName, pos)) {
      err = rdReadError;
      return false;
    }
  }
  if (out.Flags & GzipFlagComment) {
    std::string comment;
    if (!ReadZString(src, pos, limit, 0, comment, pos)) {
      err = rdReadError;
      return false;
    }
  }
  if (out.HasHeaderCrc) {
    if (pos + 2 > limit || !ReadExact(src, pos, word, 2)) {
      err = rdReadError;
      return false;
    }
    out.HeaderCrc = GetLE16(word);
    // The header before it is bounded by the file; checked in pieces.
    uint32_t crc = 0xFFFFFFFF;
    std::vector<uint8_t> buf;
    for (uint64_t at = start; at < pos;) {
      buf = ReadUpTo(src, at, size_t(std::min<uint64_t>(65536, pos - at)));
      if (buf.empty()) {
        err = rdReadError;
        return false;
      }
      Crc32Block(buf.data(), buf.size(), crc);
      at += buf.size();
    }
    if (uint16_t(~crc) != out.HeaderCrc) {
      err = rdHeaderCrc;
      return false;
    }
    pos += 2;
  }
  out.DataPos = pos;
  out.PackedSize = limit - pos;
  uint8_t trailer[8];
  if (!ReadExact(src, limit, trailer, 8)) {
    err = rdReadError;
    return false;
  }
  out.Crc = GetLE32(trailer);
  out.UnpackedSize = GetLE32(trailer + 4);
  return true;
}
