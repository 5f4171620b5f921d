// Microsoft cabinet structures: CFHEADER, CFFOLDER, CFFILE and the CFDATA
// block head.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr uint32_t CabSignature = 0x4643534D;  // "MSCF"
constexpr size_t CabHeaderFixedSize = 36;
constexpr size_t CabFolderSize = 8;
constexpr size_t CabFileFixedSize = 16;
constexpr size_t CabDataFixedSize = 8;
constexpr size_t CabMaxName = 256;  // terminator included

enum : uint16_t {
  CabFlagPrevCabinet = 0x0001,
  CabFlagNextCabinet = 0x0002,
  CabFlagReservePresent = 0x0004,
};

enum : uint16_t {
  CabFolderContinuedFromPrev = 0xFFFD,
  CabFolderContinuedToNext = 0xFFFE,
  CabFolderContinuedPrevAndNext = 0xFFFF,
};

struct CabHeader {
  uint64_t Pos = 0;
  uint32_t CabinetSize = 0;
  uint32_t FilesOffset = 0;     // first CFFILE, from Pos
  uint8_t VersionMinor = 0;
  uint8_t VersionMajor = 0;
  uint16_t FolderCount = 0;
  uint16_t FileCount = 0;
  uint16_t Flags = 0;
  uint16_t SetId = 0;
  uint16_t CabinetIndex = 0;
  uint16_t HeaderReserve = 0;
  uint8_t FolderReserve = 0;
  uint8_t DataReserve = 0;
  std::string PrevCabinet, PrevDisk, NextCabinet, NextDisk;
  uint64_t FoldersPos = 0;      // first CFFOLDER
  bool HasNext() const { return (Flags & CabFlagNextCabinet) != 0; }
};

struct CabFolder {
  uint32_t DataOffset = 0;      // first CFDATA, from the cabinet start
  uint16_t DataBlockCount = 0;
  uint16_t CompressionType = 0; // low 4 bits: 0 none, 1 MSZIP, 2 Quantum, 3 LZX
};

struct CabFile {
  uint64_t Pos = 0;
  uint32_t UnpackedSize = 0;
  uint32_t FolderOffset = 0;    // start within the folder's uncompressed data
  uint16_t FolderIndex = 0;     // or one of the continuation marks
  uint16_t Date = 0;
  uint16_t Time = 0;
  uint16_t Attributes = 0;      // 0x80: the name is UTF-8
  std::string FileName;         // raw, "\" separators
  uint64_t NextPos = 0;         // next CFFILE
  // Begins in an earlier cabinet: listed from the cabinet where it starts.
  bool ContinuedFromPrev() const {
    return FolderIndex == CabFolderContinuedFromPrev || FolderIndex == CabFolderContinuedPrevAndNext;
  }
  bool ContinuedToNext() const {
    return FolderIndex == CabFolderContinuedToNext || FolderIndex == CabFolderContinuedPrevAndNext;
  }
  uint32_t DosDateTime() const { return (uint32_t(Date) << 16) | Time; }
  // The folder of this cabinet that holds the entry's data.
  uint16_t Folder(const CabHeader& h) const;
  // False for an index that is neither a folder of the cabinet nor a
  // continuation mark (such an entry cannot be extracted).
  bool HasFolder(const CabHeader& h) const { return FolderIndex >= CabFolderContinuedFromPrev || FolderIndex < h.FolderCount; }
};

struct CabDataBlock {
  uint32_t Checksum = 0;
  uint16_t PackedBytes = 0;
  uint16_t UnpackedBytes = 0;
};

// Reads the cabinet header at pos with its reserve fields and the names of
// the neighbouring cabinets. No "MSCF" gives rdHeaderId; counts, offsets or
// names that do not fit rdBadFileHeader; a short file rdReadError.
bool ReadCabHeader(TArcSource& src, uint64_t pos, CabHeader& out, int& err);

// Reads folder number index (0-based) of the cabinet.
bool ReadCabFolder(TArcSource& src, const CabHeader& h, unsigned index, CabFolder& out, int& err);

// Reads the CFFILE at pos (the first at h.Pos + h.FilesOffset). A name
// without its terminator gives rdBadFileHeader; a short file rdReadError.
// The folder index is not judged here: see CabFile::HasFolder.
bool ReadCabFile(TArcSource& src, const CabHeader& h, uint64_t pos, CabFile& out, int& err);

// Reads the head of the CFDATA block at pos.
bool ReadCabDataBlock(TArcSource& src, uint64_t pos, CabDataBlock& out, int& err);
