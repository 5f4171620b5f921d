// Zip records (PKWARE application note, no 64-bit extensions) and the search
// for the end-of-central-directory record from the end of a file. Each record
// lists its fields once (Fields); reading and writing walk that list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/fields.h"

class TStream;

constexpr uint32_t ZipLocalSig = 0x04034B50;       // "PK" 3 4
constexpr uint32_t ZipCentralSig = 0x02014B50;     // "PK" 1 2
constexpr uint32_t ZipEndSig = 0x06054B50;         // "PK" 5 6
constexpr uint32_t ZipDescriptorSig = 0x08074B50;  // "PK" 7 8, also the spanned-set mark

// General-purpose flag bits.
enum : uint16_t {
  zgEncrypted = 0x0001,
  zgDeflateLevel = 0x0006,
  zgDataDescriptor = 0x0008,
  zgUtf8 = 0x0800,  // name and comment are UTF-8
};

// Detection flags: which records of the Zip structure were verified.
enum : uint8_t {
  zfEndFound = 1,
  zfCentralFound = 8,
  zfLocalFound = 16,
};

// The methods our decoders know: stored, shrunk, reduced, imploded, deflated.
constexpr bool ZipMethodDecodable(uint16_t Method) { return Method <= 6 || Method == 8; }
// "Deflate64", "AES", ... for the methods found in the wild that we do not
// decode, "method N" for others; for error reports.
std::string ZipMethodLabel(uint16_t Method);

struct TZipLocalHeader {
  static constexpr size_t Size = 30;
  uint32_t Signature = ZipLocalSig;
  uint16_t VersionNeeded = 20;
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint16_t Time = 0;
  uint16_t Date = 0;
  uint32_t Crc32 = 0;
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;
  uint16_t NameLength = 0;
  uint16_t ExtraLength = 0;

  template <class IO>
  constexpr void Fields(IO& io) {
    io(Signature), io(VersionNeeded), io(Flags), io(Method), io(Time), io(Date), io(Crc32);
    io(PackedSize), io(UnpackedSize), io(NameLength), io(ExtraLength);
  }
  bool Read(ByteReader& R) { return ReadFields(R, *this); }
  void Write(uint8_t* P) const { WriteFields(*this, P); }
  bool Valid() const { return Signature == ZipLocalSig; }
};
static_assert(FieldsSize<TZipLocalHeader>() == TZipLocalHeader::Size);

struct TZipCentralHeader {
  static constexpr size_t Size = 46;
  uint32_t Signature = ZipCentralSig;
  uint16_t VersionMadeBy = 20;
  uint16_t VersionNeeded = 20;
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint16_t Time = 0;
  uint16_t Date = 0;
  uint32_t Crc32 = 0;
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;
  uint16_t NameLength = 0;
  uint16_t ExtraLength = 0;
  uint16_t CommentLength = 0;
  uint16_t DiskNumberStart = 0;
  uint16_t InternalAttr = 0;
  uint32_t ExternalAttr = 0;
  uint32_t LocalHeaderOffset = 0;

  template <class IO>
  constexpr void Fields(IO& io) {
    io(Signature), io(VersionMadeBy), io(VersionNeeded), io(Flags), io(Method), io(Time), io(Date);
    io(Crc32), io(PackedSize), io(UnpackedSize), io(NameLength), io(ExtraLength), io(CommentLength);
    io(DiskNumberStart), io(InternalAttr), io(ExternalAttr), io(LocalHeaderOffset);
  }
  bool Read(ByteReader& R) { return ReadFields(R, *this); }
  void Write(uint8_t* P) const { WriteFields(*this, P); }
  bool Valid() const { return Signature == ZipCentralSig; }
};
static_assert(FieldsSize<TZipCentralHeader>() == TZipCentralHeader::Size);

// The central header of an entry whose local header is L: the fields both
// share, with the local header at Offset; made-by, attributes and comment are
// the writer's.
TZipCentralHeader CentralFromLocal(const TZipLocalHeader& L, uint32_t Offset);

struct TZipEndRecord {
  static constexpr size_t Size = 22;
  uint32_t Signature = ZipEndSig;
  uint16_t DiskNumber = 0;
  uint16_t CentralDirDisk = 0;
  uint16_t EntriesOnDisk = 0;
  uint16_t EntriesTotal = 0;
  uint32_t CentralDirSize = 0;
  uint32_t CentralDirOffset = 0;
  uint16_t CommentLength = 0;

  template <class IO>
  constexpr void Fields(IO& io) {
    io(Signature), io(DiskNumber), io(CentralDirDisk), io(EntriesOnDisk), io(EntriesTotal), io(CentralDirSize);
    io(CentralDirOffset), io(CommentLength);
  }
  bool Read(ByteReader& R) { return ReadFields(R, *this); }
  void Write(uint8_t* P) const { WriteFields(*this, P); }
  bool Valid() const { return Signature == ZipEndSig; }
};
static_assert(FieldsSize<TZipEndRecord>() == TZipEndRecord::Size);

// Written with its signature; read with or without it.
struct TZipDataDescriptor {
  static constexpr size_t Size = 16;
  uint32_t Crc32 = 0;
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;

  bool Read(ByteReader& R);
  void Write(uint8_t* P) const;
};

// Reads Rec::Size bytes at Pos and parses them; false on a short read (the
// signature is the caller's to check).
template <class Rec>
bool ReadZipRecordAt(TStream& Source, int64_t Pos, Rec& Record);

// Where a file's Zip structure was found. Offset is the result of the search:
// the central-directory offset once the end record, the first central header
// and its local header all verified (FindZipEndRecord), or what
// FindZipCentralDir settled on; 0 when nothing was located.
struct TZipLocation {
  uint8_t Flags = 0;
  int64_t EndOffset = -1;  // position of the end record, -1 when none
  int64_t Offset = 0;
  TZipEndRecord End;
  TZipCentralHeader Central;
  TZipLocalHeader Local;

  bool EndFound() const { return EndOffset >= 0; }
};

// Searches the last CmntBufSize + 22 bytes (CmntBufSize 0: only an archive
// without comment is found) for the end record. A record whose comment ends
// exactly at the end of the file is preferred over signature bytes that lie
// inside some comment; with trailing bytes after the archive a record whose
// central directory verifies is preferred. Never reads past the end.
TZipLocation FindZipEndRecord(TStream& Source, int CmntBufSize);

// For archives behind a program stub: the end record's central-directory
// offset when a central header stands there, else, in files above 25000
// bytes, the first local header within 32768 bytes from byte 25000 (flag 16).
TZipLocation FindZipCentralDir(TStream& Source, int CmntBufSize);

// The least an entry occupies from its local header on: the fixed header and
// the packed data (name and extra field come on top).
struct TZipSpan {
  int64_t LocalOffset = 0;
  int64_t PackedSize = 0;
};

// For each entry, whether its local header and data overlap another entry's:
// a directory whose entries share one stream (a "zip bomb" that expands one
// small stream many times) or point into each other's data. Sound archives
// never do.
std::vector<bool> ZipOverlappingEntries(const std::vector<TZipSpan>& Spans);
