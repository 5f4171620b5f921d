// BH (BlakHole) entry header: 37 fixed bytes and the name.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr uint32_t BhSignature = 0x07054842;
constexpr size_t BhFixedSize = 37;

struct BhHeader {
  uint64_t Pos = 0;
  uint32_t Signature = 0;
  uint16_t HeaderSize = 0;    // 37 + name length; 0 ends the archive
  uint8_t FixedSize = 0;      // byte 6, 37
  uint8_t VersionMadeBy = 0;  // byte 7
  uint8_t VersionNeeded = 0;  // byte 8
  uint8_t Flags = 0;          // bit 0 encrypted; bits 1-2 deflate level
  uint8_t Method = 0;         // 0 stored, 1 LZH, 2 and 8 deflate
  uint32_t DosTime = 0;
  uint32_t PackedSize = 0;    // encryption header included
  uint32_t UnpackedSize = 0;
  uint32_t Crc = 0;
  uint16_t Attributes = 0;
  uint16_t NameLength = 0;
  uint16_t ExtraSize = 0;     // byte 35 (written as 0)
  std::string FileName;       // raw, "/" separators
  uint64_t DataPos = 0;       // after the name (the encryption header starts here)
  uint64_t NextPos = 0;
  bool Encrypted() const { return (Flags & 1) != 0; }
};

// Reads the header at pos. The end of the file or a header size of 0 is the
// end (false, err 0); another signature gives rdHeaderId; a name or data past
// the file rdReadError.
bool ReadBhHeader(TArcSource& src, uint64_t pos, BhHeader& out, int& err);
