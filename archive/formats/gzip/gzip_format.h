// Header of a gzip file and of its relatives that share the 0x1F lead byte:
// unix compress (.Z) and the recognised-only pack (0x1E1F) and SCO LZH
// (0xA01F) files.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

enum : uint16_t {
  GzipSignature = 0x8B1F,
  GzipOldSignature = 0x9E1F,  // gzip 0.x
  CompressSignature = 0x9D1F,
  LzhCompressSignature = 0xA01F,
  PackSignature = 0x1E1F,
};

// Gzip flag bits. 0x02 is the header CRC-16 of RFC 1952 in 0x8B1F files and
// the multi-part mark of gzip 0.x in 0x9E1F files.
enum : uint8_t {
  GzipFlagText = 0x01,
  GzipFlagHeaderCrc = 0x02,
  GzipFlagMultiPart = 0x02,
  GzipFlagExtra = 0x04,
  GzipFlagName = 0x08,
  GzipFlagComment = 0x10,
  GzipFlagEncrypted = 0x20,
};

constexpr size_t GzipMaxName = 255;

struct GzipHeader {
  uint16_t Signature = 0;
  bool IsGzip = false;      // 0x8B1F or 0x9E1F: the fields below are real
  uint8_t Method = 0;       // 8 = Deflate
  uint8_t Flags = 0;
  uint32_t MTime = 0;       // seconds since 1970, 0 = none
  uint8_t ExtraFlags = 0;
  uint8_t Os = 0;
  bool MultiPart = false;   // gzip 0.x continuation; PartNumber follows
  uint16_t PartNumber = 0;
  bool Encrypted = false;
  bool HasName = false;
  std::string FileName;     // stored name, first GzipMaxName bytes
  bool HasHeaderCrc = false;
  uint16_t HeaderCrc = 0;   // verified when present
  uint64_t DataPos = 0;     // first byte of the compressed stream
  uint64_t PackedSize = 0;  // gzip: up to the trailer; others: whole file
  uint32_t Crc = 0;         // trailer CRC-32 (gzip only)
  uint32_t UnpackedSize = 0;  // trailer size modulo 2^32 (gzip only)
  uint8_t CompressFlags = 0;  // .Z: byte 2 (max bits, 0x80 block mode)
};

// Reads the header at start (0, or where a later member of a gzip file
// begins). A signature outside the family gives rdHeaderId; a header running
// into the trailer or past the file rdReadError; a wrong FHCRC rdHeaderCrc.
// DataPos is absolute; PackedSize and the trailer fields are those of the
// file's last 8 bytes, which close the last member.
bool ReadGzipHeader(TArcSource& src, GzipHeader& out, int& err, uint64_t start = 0);
