// ZOO archive header and directory entries (a chain through their next
// fields).
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr uint32_t ZooTag = 0xFDC4A7DC;
constexpr size_t ZooArchiveHeaderSize = 43;
constexpr size_t ZooEntryFixedSize = 58;  // read as one block (type 2 entries)
constexpr size_t ZooEntryType1Size = 51;  // type 1 entries end with the short name

struct ZooArchiveHeader {
  std::string Text;            // bytes 0-19 up to the first NUL
  uint32_t Tag = 0;            // not tested
  uint32_t Start = 0;          // first directory entry
  uint32_t Minus = 0;          // two's complement of Start
  uint8_t MajorVersion = 0;
  uint8_t MinorVersion = 0;
  uint8_t HeaderType = 0;
  uint32_t CommentPos = 0;
  uint16_t CommentLength = 0;
  uint16_t VersionData = 0;
  std::string Comment;         // read when CommentLength is not 0
};

struct ZooEntry {
  uint64_t Pos = 0;
  uint32_t Tag = 0;
  uint8_t Type = 0;            // 2: the variable part (long and folder names) is present
  uint8_t Method = 0;          // 0 stored, 1 LZW, 2 LZH
  uint32_t Next = 0;
  uint32_t Offset = 0;         // packed data
  uint16_t Date = 0;
  uint16_t Time = 0;
  uint16_t FileCrc = 0;        // CRC-16
  uint32_t UnpackedSize = 0;
  uint32_t PackedSize = 0;     // "size now"
  uint8_t MajorVersion = 0;
  uint8_t MinorVersion = 0;
  uint8_t Deleted = 0;
  uint8_t Structure = 0;
  uint32_t CommentPos = 0;
  uint16_t CommentLength = 0;
  std::string ShortName;       // 13-byte field up to its NUL
  uint16_t VarDirLen = 0;
  uint8_t TimeZone = 0;
  uint16_t DirCrc = 0;
  uint8_t NameLength = 0;      // long name
  uint8_t DirLength = 0;
  std::string LongName;
  std::string DirName;         // raw, "/" allowed
  std::string FileName;        // DirName with "\", "\" when not empty, ShortName
  std::string Comment;         // read when CommentLength is not 0
  uint32_t DosDateTime() const { return (uint32_t(Date) << 16) | Time; }
};

// Reads the archive header at 0 and its comment. start + minus not 0, or a
// start outside the file, gives rdBadFileHeader; a short file rdReadError.
bool ReadZooArchiveHeader(TArcSource& src, ZooArchiveHeader& out, int& err);

// Reads the directory entry at pos. The closing entry (next = 0) is the end
// (false, err 0). A wrong tag, or a next position that does not move forward
// inside the file, gives rdBadFileHeader; names, comment or data past the
// file rdReadError.
bool ReadZooEntry(TArcSource& src, uint64_t pos, ZooEntry& out, int& err);
