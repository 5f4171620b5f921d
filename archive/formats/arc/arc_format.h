// ARC and PAK entry headers (29 bytes; 25 for type 1, 2 for the end and
// folder-end marks).
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr size_t ArcHeaderSize = 29;
constexpr size_t ArcOldHeaderSize = 25;  // type 1: no unpacked size
constexpr uint8_t ArcMark = 0x1A;

enum : uint8_t {
  ArcMethodEnd = 0,
  ArcMethodOld = 1,         // stored, with the short header
  ArcMethodFolder = 30,     // a folder: the entries after it belong to it
  ArcMethodFolderEnd = 31,  // 2-byte record closing the current folder
};

struct ArcHeader {
  uint64_t Pos = 0;
  uint8_t Method = 0;         // header type
  std::string Name;           // 13-byte field up to its NUL
  uint32_t PackedSize = 0;    // 0 for folder records
  uint16_t Date = 0;          // DOS date
  uint16_t Time = 0;          // DOS time
  uint16_t Crc = 0;           // CRC-16
  uint32_t UnpackedSize = 0;  // 0 for folder records
  uint64_t DataPos = 0;
  uint64_t NextPos = 0;
  bool IsFolder() const { return Method == ArcMethodFolder; }
  bool IsFolderEnd() const { return Method == ArcMethodFolderEnd; }
  uint32_t DosDateTime() const { return (uint32_t(Date) << 16) | Time; }
};

// Reads the header at pos. Type 0 or the end of the file is the end (false,
// err 0); another mark byte gives rdHeaderId; a header past the file
// rdReadError.
// A folder-end record comes back with only Method and NextPos set.
bool ReadArcHeader(TArcSource& src, uint64_t pos, ArcHeader& out, int& err);

// Keeps the folder path of a walk: a folder record adds its name and "\", a
// folder-end record takes the last folder off.
void ApplyArcFolder(const ArcHeader& h, std::string& path);
