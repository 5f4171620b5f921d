// Tar headers: the 512-byte ustar/GNU/v7 header, with the records that carry
// a long name ahead of it (GNU 'L'/'K' blocks, pax 'x' extended headers).
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr size_t TarBlockSize = 512;
// Long names and pax records above this size are taken for damage.
constexpr uint64_t TarMaxMetaSize = 1 << 20;

struct TarHeader {
  uint64_t Pos = 0;          // first block of the entry (long-name records included)
  uint64_t HeaderPos = 0;    // the entry's own 512-byte header
  std::string FileName;      // full stored name: pax path, GNU long name, or ustar prefix/name
  std::string LinkName;
  char TypeFlag = 0;         // '\0' or '0' file, '1' hard link, '2' symlink, '5' folder ...
  bool IsDirectory = false;  // type '5' or a name ending in '/'
  uint32_t Mode = 0;
  uint64_t Size = 0;         // data bytes after the header
  int64_t MTime = 0;         // seconds since 1970
  uint32_t Checksum = 0;     // stored checksum field (verified)
  bool Ustar = false;        // "ustar\0" magic (POSIX; prefix field used)
  bool GnuMagic = false;     // "ustar  \0" magic
  uint64_t DataPos = 0;
  uint64_t NextPos = 0;      // data rounded up to whole blocks
};

// Value of an octal field (digits taken, other characters skipped), or of a
// GNU base-256 field (lead byte 0x80 / 0xFF).
uint64_t TarOctal(const uint8_t* field, size_t n);

// Sum of the 512 header bytes with the checksum field counted as blanks,
// unsigned (as POSIX) or signed (as some old tars wrote it).
uint32_t TarChecksum(const uint8_t* block, bool signedBytes = false);

// Reads the entry whose first block is at pos. An end block (all zeros) or
// the end of the file gives false with err 0; a wrong checksum rdHeaderCrc; a
// header past the file rdReadError; a malformed long-name or
// pax record rdBadFileHeader.
bool ReadTarHeader(TArcSource& src, uint64_t pos, TarHeader& out, int& err);
