// LHA/LZH entry headers of levels 0, 1 and 2 with their extended headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/core/arc_source.h"
#include "archive/core/fields.h"

constexpr size_t LhaBaseSize = 22;  // bytes read in one piece at every level
constexpr size_t LhaMaxLevel0Name = 233;  // the header size byte holds name length + 22
constexpr uint8_t LhaOsOs9 = 'K';        // OS-9/68K

// The base header's 22 bytes as levels 0 and 1 lay them out (levels 2 and 3
// read the first two bytes as one number and offsets 21 on otherwise).
struct TLhaBaseRecord {
  uint8_t HeaderSize = 0;
  uint8_t HeaderSum = 0;
  uint8_t Method[5] = {};
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;
  uint32_t Time = 0;
  uint8_t Attribute = 0;
  uint8_t Level = 0;
  uint8_t NameLength = 0;

  template <class IO>
  constexpr void Fields(IO& io) {
    io(HeaderSize), io(HeaderSum), io(Method), io(PackedSize), io(UnpackedSize), io(Time), io(Attribute);
    io(Level), io(NameLength);
  }
};
static_assert(FieldsSize<TLhaBaseRecord>() == LhaBaseSize);

enum : uint8_t {
  LhaExtCommon = 0x00,     // header CRC-16 (level 2)
  LhaExtFileName = 0x01,
  LhaExtDirName = 0x02,
  LhaExtAttribute = 0x40,  // MS-DOS attribute word
};

struct LhaHeader {
  uint64_t Pos = 0;
  uint8_t Level = 0;
  uint16_t HeaderSize = 0;   // levels 0/1: byte 0; level 2: the 16-bit total header size; level 3: 4
  uint32_t HeaderLength = 0; // bytes of the base header (levels 0/1: HeaderSize + 2; levels 2/3: the total)
  uint8_t HeaderSum = 0;     // levels 0/1: byte 1 (not verified)
  std::string MethodId;      // the five bytes "-lh5-"
  char MethodChar = 0;       // byte 5
  bool IsDirectory = false;  // "-lhd-"
  uint32_t PackedSize = 0;   // as stored (level 1: extended headers included)
  uint32_t UnpackedSize = 0;
  uint32_t Time = 0;         // levels 0/1: MS-DOS date-time (time in the low word); levels 2/3: Unix
  uint8_t Attribute = 0;     // byte 19; level 2: the attribute extended header when present
  uint16_t Crc = 0;          // CRC-16 of the unpacked data
  bool HasCrc = false;       // false for a level-0 header that ends with the name
  uint8_t OsId = 0;          // levels 1/2
  std::string Name;          // base-header name up to a NUL, or the file-name extended header's
  std::string DirName;       // folder extended header, cleaned by NormalizeLhaPath
  std::string FileName;      // DirName, "\" and Name; control characters made "_"
  bool HasHeaderCrc = false; // level 2/3 common header present (verified)
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
// the end (false, err 0). A level above 3 gives rdUnsupportedVersion; sizes
// that do not fit the header or the file rdBadFileHeader / rdReadError; a
// level-2/3 header CRC mismatch rdHeaderCrc.
bool ReadLhaHeader(TArcSource& src, uint64_t pos, LhaHeader& out, int& err);

// The level-0 header of an entry named name (at most LhaMaxLevel0Name
// bytes): base.HeaderSize, base.HeaderSum and base.NameLength are set from
// the name and crc. Returns false for a name that does not fit.
bool MakeLhaLevel0Header(TLhaBaseRecord& base, const std::string& name, uint16_t crc, std::vector<uint8_t>& out);
