// HA archives: "HA", an entry count, then entries of a 17-byte head, the
// path and the name (NUL-terminated), machine information and the data.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr size_t HaArchiveHeaderSize = 4;
constexpr size_t HaEntryFixedSize = 17;

enum : uint8_t { HaMethodCopy = 0, HaMethodAsc = 1, HaMethodHsc = 2, HaMethodDir = 14, HaMethodSpecial = 15 };

struct HaArchiveHeader {
  uint16_t FileCount = 0;
  uint64_t FirstEntryPos = HaArchiveHeaderSize;
};

struct HaEntry {
  uint64_t Pos = 0;
  uint8_t Version = 0;         // high nibble of byte 0
  uint8_t Method = 0;          // low nibble of byte 0
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;
  uint32_t Crc = 0;            // CRC-32
  uint32_t Time = 0;           // seconds since 1970
  std::string Path;            // raw, 0xFF separators
  std::string Name;
  std::string FileName;        // Path with "\" separators, then Name
  uint8_t MachineInfoLength = 0;
  uint64_t DataPos = 0;
  uint64_t NextPos = 0;
  bool IsDirectory() const { return Method == HaMethodDir; }
};

// Reads "HA" and the count at 0; no "HA" gives rdHeaderId.
bool ReadHaArchiveHeader(TArcSource& src, HaArchiveHeader& out, int& err);

// Reads the entry at pos; the end of the file is the end (false, err 0).
// Names without their terminator past the file give rdReadError.
bool ReadHaEntry(TArcSource& src, uint64_t pos, HaEntry& out, int& err);
