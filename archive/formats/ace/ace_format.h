// ACE archive header and file headers (ACE 1.0 and 2.0).
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr size_t AceHeadSize = 7;        // CRC, size, type, flags
constexpr size_t AceMainFixedSize = 31;  // head and the 24 archive-header bytes read first

// Types 2 to 4 are the recovery records that close an archive.
enum : uint8_t { AceMainBlock = 0, AceFileBlock = 1, AceRecoveryBlock = 2 };

enum : uint16_t {
  AceFlagAddSize = 0x0001,
  AceFlagComment = 0x0002,
  AceFlag64Bit = 0x0004,     // file headers: 64-bit sizes
  AceFlagMultiVolume = 0x0800,
  AceFlagAv = 0x1000,        // main header: authenticity string present
  AceFlagContPrev = 0x1000,  // file header: continued from the previous volume
  AceFlagRecovery = 0x2000,  // main header
  AceFlagContNext = 0x2000,  // file header: continued in the next volume
  AceFlagLocked = 0x4000,    // main header
  AceFlagPassword = 0x4000,  // file header
  AceFlagSolid = 0x8000,
};

struct AceMainHeader {
  uint64_t Pos = 0;
  uint16_t HeadCrc = 0;   // low 16 bits of the CRC-32 register, not inverted (verified)
  uint16_t HeadSize = 0;  // bytes after the size field
  uint16_t HeadFlags = 0;
  uint8_t VersionExtract = 0;
  uint8_t VersionCreated = 0;
  uint8_t Host = 0;
  uint8_t VolumeNumber = 0;
  uint32_t TimeCreated = 0;
  std::string Av;         // authenticity string
  std::string Comment;    // packed comment bytes as stored
  uint64_t NextPos = 0;   // first file header
  bool MultiVolume() const { return (HeadFlags & AceFlagMultiVolume) != 0; }
};

struct AceFileHeader {
  uint64_t Pos = 0;
  uint16_t HeadCrc = 0;
  uint16_t HeadSize = 0;
  uint8_t HeadType = 0;
  uint16_t HeadFlags = 0;
  uint64_t PackedSize = 0;
  uint64_t UnpackedSize = 0;
  uint32_t DosTime = 0;
  uint32_t Attributes = 0;
  uint32_t Crc = 0;        // as stored: the CRC-32 register without the final inversion
  uint8_t TechType = 0;    // compression: 0 stored, 1 LZ77, 2 blocked
  uint8_t TechQuality = 0;
  uint16_t TechParm = 0;
  uint16_t NameSize = 0;
  std::string FileName;    // raw, "\" separators
  std::string Comment;     // packed comment bytes as stored
  uint64_t DataPos = 0;
  uint64_t NextPos = 0;
  uint32_t FileCrc32() const { return ~Crc; }
  bool Encrypted() const { return (HeadFlags & AceFlagPassword) != 0; }
  bool ContinuedFromPrev() const { return (HeadFlags & AceFlagContPrev) != 0; }
  bool ContinuedInNext() const { return (HeadFlags & AceFlagContNext) != 0; }
  bool IsDirectory() const { return (Attributes & 0x10) != 0; }
};

// Reads the archive header at pos ("**ACE**" at pos + 7). No signature gives
// rdHeaderId; fields or names past the header rdBadFileHeader; a CRC
// mismatch rdHeaderCrc; a header past the file rdReadError.
bool ReadAceMainHeader(TArcSource& src, uint64_t pos, AceMainHeader& out, int& err);

// Reads the block at pos as a file header. The end of the file and a
// recovery record (which closes an archive) are the end (false, err 0);
// another block type gives rdBadFileHeader, as do sizes and names that do
// not fit the header; a CRC mismatch rdHeaderCrc; a header past the file
// rdReadError.
bool ReadAceFileHeader(TArcSource& src, uint64_t pos, AceFileHeader& out, int& err);

// The archive header at the start of the file or, after a self-extractor's
// stub, within its first megabyte.
bool FindAceMainHeader(TArcSource& src, AceMainHeader& out);
