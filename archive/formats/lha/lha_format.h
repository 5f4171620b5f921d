// LHA/LZH entry headers of levels 0, 1 and 2 with their extended headers.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr size_t LhaBaseSize = 22;  // bytes read in one piece at every level

enum : uint8_t {
  LhaExtCommon = 0x00,     // header CRC-16 (level 2)
  LhaExtFileName = 0x01,
  LhaExtDirName = 0x02,
  LhaExtAttribute = 0x40,  // MS-DOS attribute word
};

struct LhaHeader {
  uint64_t Pos = 0;
  uint8_t Level = 0;
  uint16_t HeaderSize = 0;   // levels 0/1: byte 0; level 2: the 16-bit total header size
  uint32_t HeaderLength = 0; // bytes of the base header (levels 0/1: HeaderSize + 2; level 2: HeaderSize)
  uint8_t HeaderSum = 0;     // levels 0/1: byte 1 (not verified)
  std::string MethodId;      // the five bytes "-lh5-"
  char MethodChar = 0;       // byte 5
  bool IsDirectory = false;  // "-lhd-"
  uint32_t PackedSize = 0;   // as stored (level 1: extended headers included)
  uint32_t UnpackedSize = 0;
  uint32_t Time = 0;         // levels 0/1: MS-DOS date-time (time in the low word); level 2: Unix
  uint8_t Attribute = 0;     // byte 19; level 2: the attribute extended header when present
  uint16_t Crc = 0;          // CRC-16 of the unpacked data
  bool HasCrc = false;       // false for a level-0 header that ends with the name
  uint8_t OsId = 0;          // levels 1/2
  std::string Name;          // base-header name, or the file-name extended header's
  std::string DirName;       // folder extended header, cleaned by NormalizeLhaPath
  std::string FileName;      // DirName, "\" and Name
  bool HasHeaderCrc = false; // level 2 common header present (verified)
  uint16_t HeaderCrc = 0;
  uint32_t ExtSize = 0;      // E: total size of the extended headers
  uint32_t DataSize = 0;     // packed data alone
  uint64_t DataPos = 0;
  uint64_t NextPos = 0;
};

// Folder part of an LHA name: 0xFF, "/" and "\" become "\"; a double-byte
// lead byte (0x80-0x9F, 0xE0-0xFD) keeps the byte after it; bytes <= 32 are
// trimmed at both ends.
std::string NormalizeLhaPath(const std::string& field);

// Where the first header lies when the archive starts at pos: a size byte of
// 0 there moves it 128 bytes on.
uint64_t LhaFirstHeaderPos(TArcSource& src, uint64_t pos);

// Reads the header at pos. A size byte of 0, or fewer than 22 bytes left, is
// the end (false, err 0). A level above 2 gives rdUnsupportedVersion; sizes
// that do not fit the header or the file rdBadFileHeader / rdReadError; a
// level-2 header CRC mismatch rdHeaderCrc.
bool ReadLhaHeader(TArcSource& src, uint64_t pos, LhaHeader& out, int& err);
