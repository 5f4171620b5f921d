// ARJ header frames: the main header at the start of an archive (or of a
// volume) and one per entry.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr uint16_t ArjHeaderId = 0xEA60;
constexpr uint16_t ArjMaxBasicSize = 2600;
constexpr uint8_t ArjMinFixedSize = 30;  // the fixed fields through the host data

enum : uint8_t {
  ArjFlagGarbled = 0x01,
  ArjFlagVolume = 0x04,   // entry continues in the next volume; main header: multi-volume
  ArjFlagExtFile = 0x08,  // entry continued from the previous volume
  ArjFlagPathSym = 0x10,
};

// Host of the archiver that wrote an entry.
constexpr uint8_t ArjHostUnix = 2;

enum : uint8_t { ArjTypeBinary = 0, ArjType7Bit = 1, ArjTypeComment = 2, ArjTypeDirectory = 3 };

struct ArjHeader {
  uint64_t Pos = 0;
  uint16_t BasicSize = 0;      // B
  uint8_t FirstHdrSize = 0;    // F: the name starts there
  uint8_t ArchiverVersion = 0;
  uint8_t MinVersion = 0;
  uint8_t HostOs = 0;
  uint8_t Flags = 0;
  uint8_t Method = 0;
  uint8_t FileType = 0;
  uint8_t PasswordModifier = 0;
  uint32_t DosTime = 0;        // main header: creation time
  uint32_t PackedSize = 0;     // main header: modification time
  uint32_t UnpackedSize = 0;
  uint32_t FileCrc = 0;
  uint16_t FileSpecPos = 0;
  uint16_t FileMode = 0;       // attribute word; 0x10 = folder
  std::string FileName;        // raw, "/" or "\" separators
  std::string Comment;
  uint32_t HeaderCrc = 0;      // CRC-32 of the basic header (verified)
  uint64_t DataPos = 0;        // after the extended headers
  uint64_t NextPos = 0;        // after the packed data (main header: DataPos)
  bool IsDirectory() const { return FileType == ArjTypeDirectory; }
  // ARJ made on UNIX stores UNIX seconds and a UNIX mode, not a DOS
  // date-time and DOS attributes.
  bool HasUnixTime() const { return HostOs == ArjHostUnix; }
};

// Reads an entry header at pos. A basic header size of 0 is the end (false,
// err 0). A wrong id, B above 2600, F outside B give rdBadFileHeader; a CRC
// mismatch rdHeaderCrc; a frame past the file rdReadError.
bool ReadArjHeader(TArcSource& src, uint64_t pos, ArjHeader& out, int& err);

// The same frame read as the main header, which carries no data.
bool ReadArjMainHeader(TArcSource& src, uint64_t pos, ArjHeader& out, int& err);

// Scans from start for the main header: the first 0x60 0xEA pair with a
// basic size up to 2600 whose CRC matches, beginning at most maxScan bytes
// on. Nothing found gives rdNoArchive.
bool FindArjMainHeader(TArcSource& src, uint64_t start, uint64_t maxScan, uint64_t& found, int& err);
