#include "archive/formats/ace/ace_format.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/crc.h"

namespace {

// Reads a whole block (4 + head size bytes) and checks its CRC.
bool ReadBlock(TArcSource& src, uint64_t pos, std::vector<uint8_t>& h, int& err) {
  uint8_t head[4];
  if (!ReadExact(src, pos, head, 4)) {
    err = rdReadError;
    return false;
  }
  uint16_t size = GetLE16(head + 2);
  if (size < AceHeadSize - 4) {
    err = rdBadFileHeader;
    return false;
  }
  h.resize(4 + size_t(size));
  if (!ReadExact(src, pos, h.data(), h.size())) {
    err = rdReadError;
    return false;
  }
  uint32_t crc = 0xFFFFFFFF;
  Crc32Block(&h[4], size, crc);
  if (uint16_t(crc) != GetLE16(h.data())) {
    err = rdHeaderCrc;
    return false;
  }
  return true;
}

}  // namespace

bool ReadAceMainHeader(TArcSource& src, uint64_t pos, AceMainHeader& out, int& err) {
  out = AceMainHeader();
  out.Pos = pos;
  err = rdOk;
  uint8_t sig[14];
  if (!ReadExact(src, pos, sig, sizeof sig)) {
    err = rdReadError;
    return false;
  }
  if (std::memcmp(sig + 7, "**ACE**", 7) != 0) {
    err = rdHeaderId;
    return false;
  }
  std::vector<uint8_t> h;
  if (!ReadBlock(src, pos, h, err)) return false;
  if (h[4] != AceMainBlock || h.size() < AceMainFixedSize) {
    err = rdBadFileHeader;
    return false;
  }
  out.HeadCrc = GetLE16(&h[0]);
  out.HeadSize = GetLE16(&h[2]);
  out.HeadFlags = GetLE16(&h[5]);
  out.VersionExtract = h[14];
  out.VersionCreated = h[15];
  out.Host = h[16];
  out.VolumeNumber = h[17];
  out.TimeCreated = GetLE32(&h[18]);
  ByteReader r(h.data(), h.size());
  r.Seek(30);
  if (out.HeadFlags & AceFlagAv) out.Av = r.Str(r.U8());
  if (out.HeadFlags & AceFlagComment) out.Comment = r.Str(r.U16());
  if (!r.Ok()) {
    err = rdBadFileHeader;
    return false;
  }
  out.NextPos = pos + h.size();
  return true;
}

bool ReadAceFileHeader(TArcSource& src, uint64_t pos, AceFileHeader& out, int& err) {
  out = AceFileHeader();
  out.Pos = pos;
  err = rdOk;
  if (AtEnd(src, pos, err)) return false;
  std::vector<uint8_t> h;
  if (!ReadBlock(src, pos, h, err)) return false;
  out.HeadCrc = GetLE16(&h[0]);
  out.HeadSize = GetLE16(&h[2]);
  out.HeadType = h[4];
  out.HeadFlags = GetLE16(&h[5]);
  if (out.HeadType >= AceRecoveryBlock && out.HeadType <= AceRecoveryBlock + 2) return false;
  if (out.HeadType != AceFileBlock) {
    err = rdBadFileHeader;
    return false;
  }
  ByteReader r(h.data(), h.size());
  r.Seek(AceHeadSize);
  if (out.HeadFlags & AceFlag64Bit) {
    out.PackedSize = r.U64();
    out.UnpackedSize = r.U64();
  } else {
    out.PackedSize = r.U32();
    out.UnpackedSize = r.U32();
  }
  out.DosTime = r.U32();
  out.Attributes = r.U32();
  out.Crc = r.U32();
  out.TechType = r.U8();
  out.TechQuality = r.U8();
  out.TechParm = r.U16();
  r.Skip(2);
  out.NameSize = r.U16();
  out.FileName = r.Str(out.NameSize);
  if (out.HeadFlags & AceFlagComment) out.Comment = r.Str(r.U16());
  if (!r.Ok()) {
    err = rdBadFileHeader;
    return false;
  }
  out.DataPos = pos + h.size();
  if (!AddPos(out.DataPos, out.PackedSize, out.NextPos)) {
    err = rdBadFileHeader;
    return false;
  }
  return true;
}

bool FindAceMainHeader(TArcSource& src, AceMainHeader& out) {
  int err = 0;
  if (ReadAceMainHeader(src, 0, out, err)) return true;
  const uint64_t limit = std::min<uint64_t>(src.Size(), uint64_t(1) << 20);
  if (limit < 14) return false;
  std::vector<uint8_t> buf(static_cast<size_t>(limit));
  if (!ReadExact(src, 0, buf.data(), buf.size())) return false;
  for (size_t at = 7; at + 7 <= buf.size(); ++at)
    if (std::memcmp(&buf[at], "**ACE**", 7) == 0 && ReadAceMainHeader(src, at - 7, out, err)) return true;
  return false;
}
