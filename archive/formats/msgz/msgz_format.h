// MsGZ archives, as far as they are listed: the archive header, the name
// directory and the 29-byte entry headers with their names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/core/arc_source.h"

constexpr uint32_t MsgzSignature = 0x8C655D13;
constexpr size_t MsgzArchiveHeaderSize = 255;
constexpr size_t MsgzEntryFixedSize = 29;
constexpr size_t MsgzDirRecordFixedSize = 6;

struct MsgzDirRecord {
  uint64_t Pos = 0;
  uint8_t Raw[MsgzDirRecordFixedSize] = {};  // byte 2 is the record length
  std::string Name;
};

struct MsgzArchiveHeader {
  uint64_t Pos = 0;
  uint32_t DirectoryPos = 0;    // byte 41
  std::vector<MsgzDirRecord> Dirs;
  bool HasEntries = false;
  uint64_t FirstEntryPos = 0;   // 4 bytes before the end of the directory
};

struct MsgzEntry {
  uint64_t Pos = 0;
  uint8_t Raw[MsgzEntryFixedSize] = {};  // fields not named below stay here
  uint32_t UnpackedSize = 0;    // byte 2
  uint32_t PackedSize = 0;      // byte 6
  uint32_t Offset = 0;          // byte 10
  uint16_t Date = 0;            // byte 14 (low word)
  uint16_t Time = 0;            // byte 16
  uint32_t Attributes = 0;      // byte 18
  uint16_t StepLength = 0;      // byte 22: from this header to the next
  uint8_t NameLength = 0;       // byte 28
  std::string FileName;
  uint64_t NextPos = 0;
  uint32_t DosDateTime() const { return (uint32_t(Date) << 16) | Time; }
};

// Reads the archive header at pos (up to 255 bytes, at least through byte 44)
// and the name directory. Records that do not fit the file give
// rdBadFileHeader; a header shorter than its fields rdReadError.
bool ReadMsgzArchiveHeader(TArcSource& src, uint64_t pos, MsgzArchiveHeader& out, int& err);

// Reads the entry at pos; the end of the file is the end (false, err 0). A
// step that does not pass the header and name (a walk that would stand
// still) gives rdBadFileHeader; a name past the file rdReadError.
bool ReadMsgzEntry(TArcSource& src, uint64_t pos, MsgzEntry& out, int& err);
