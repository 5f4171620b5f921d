// RAR 1.5-4.x archive blocks: the marker, the main header and every block
// after it, file headers read in full. RAR 5 and RAR 1.4 archives are
// recognised and refused.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

constexpr size_t RarMarkerSize = 7;  // "Rar!" 1A 07 00
constexpr size_t RarMainHeaderSize = 13;
constexpr size_t RarFileHeaderSize = 32;

enum : uint8_t {
  RarMarkBlock = 0x72,
  RarMainBlock = 0x73,
  RarFileBlock = 0x74,
  RarCommentBlock = 0x75,
  RarAvBlock = 0x76,
  RarSubBlock = 0x77,
  RarProtectBlock = 0x78,
  RarSignBlock = 0x79,
  RarNewSubBlock = 0x7A,  // laid out as a file header (comment, recovery record ...)
  RarEndBlock = 0x7B,
};

enum : uint16_t {
  RarLongBlock = 0x8000,  // a 32-bit data size follows the 7-byte head
  RarSkipIfUnknown = 0x4000,
  // main header
  RarMainVolume = 0x0001,
  RarMainComment = 0x0002,  // old comment inside the main header
  RarMainSolid = 0x0008,
  RarMainPassword = 0x0080, // headers after the main header are encrypted
  RarMainNewNumbering = 0x0010,  // volumes named name.partN.rar
  RarMainFirstVolume = 0x0100,
  // file header
  RarFileSplitBefore = 0x0001,  // continued from the previous volume
  RarFileSplitAfter = 0x0002,   // continued in the next volume
  RarFilePassword = 0x0004,
  RarFileComment = 0x0008,      // old comment inside the header
  RarFileSolid = 0x0010,
  RarFileDirMask = 0x00E0,      // all three set: a folder
  RarFileLarge = 0x0100,        // 64-bit sizes
  RarFileUnicode = 0x0200,
  RarFileSalt = 0x0400,
  RarFileExtTime = 0x1000,
};

struct RarBlock {
  uint64_t Pos = 0;
  uint16_t HeadCrc = 0;     // low 16 bits of the CRC-32 of the header from byte 2 (verified)
  uint8_t HeadType = 0;
  uint16_t Flags = 0;
  uint16_t HeadSize = 0;
  uint64_t DataSize = 0;    // bytes after the header: packed size, or the long-block size
  uint64_t DataPos = 0;
  uint64_t NextPos = 0;
  // File (0x74) and new sub-block (0x7A) fields.
  uint64_t PackedSize = 0;
  uint64_t UnpackedSize = 0;
  uint8_t HostOs = 0;       // 0 MS-DOS, 2 Win32, 3 Unix ...
  uint32_t FileCrc = 0;
  uint32_t FileTime = 0;    // MS-DOS date-time
  uint8_t UnpackVersion = 0;
  uint8_t Method = 0;       // 0x30 stored ... 0x35 best
  uint16_t NameSize = 0;
  uint32_t Attributes = 0;
  std::string FileName;     // the name field up to its NUL (a Unicode form may follow it)
  std::string Utf8Name;     // with RarFileUnicode: the Unicode form in UTF-8, else empty

  bool IsFile() const { return HeadType == RarFileBlock; }
  bool Encrypted() const { return IsFile() && (Flags & RarFilePassword); }
  bool SplitBefore() const { return (Flags & RarFileSplitBefore) != 0; }
  bool SplitAfter() const { return (Flags & RarFileSplitAfter) != 0; }
  bool IsDirectory() const;
  // The name in the ANSI code page, from the Unicode form where there is one.
  std::string AnsiName() const;
};

// DOS attributes of an entry: archives made on Unix keep mode bits in the
// attribute field, which give a folder (0x10) or a file (0x20).
uint32_t RarDosAttributes(uint8_t HostOs, uint32_t Attr, uint16_t Flags);

// The Unicode form of a name field (Flags has RarFileUnicode) as UTF-8: the
// field holds a UTF-8 name when it has no NUL, else the OEM name, a NUL and
// the packed UTF-16 form. Empty when the packed form is missing.
std::string DecodeRarUnicodeName(const uint8_t* Field, size_t Size);

struct RarArchive {
  uint64_t MarkerPos = 0;
  RarBlock Main;                  // the main header block
  bool HeadersEncrypted = false;  // blocks after Main cannot be read without the password
  bool Volume = false;
  uint64_t FirstBlockPos = 0;     // first block after the main header
};

// Reads the marker at pos and the main header after it. A RAR 5 (or later,
// or RAR 1.4) signature gives rdUnsupportedVersion; no RAR marker rdHeaderId;
// a main header that is not one rdBadFileHeader.
bool ReadRarArchiveHeader(TArcSource& src, uint64_t pos, RarArchive& out, int& err);

// Reads the block at pos, whatever its type, and where it ends. The end of
// the file and the end-of-archive block are the end (false, err 0; the end
// block is still described in out). A header size that cannot hold its
// fields or name gives rdBadFileHeader; a CRC mismatch rdHeaderCrc; a
// header past the file rdReadError.
bool ReadRarBlock(TArcSource& src, uint64_t pos, RarBlock& out, int& err);

// The volume after Current: with the main header's new-numbering flag
// name.part1.rar, name.part2.rar ...; else name.rar, name.r00, name.r01 ...
std::string RarNextVolumeName(const std::string& Current, bool NewNaming);
