// Archive type detection: the type of an archive is learnt from its bytes,
// never from its name (the name only tells JAR from ZIP, and the drive tells
// whether a Zip is a disk of a spanned set).
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arctypes.h"
#include "archive/core/ziprecords.h"

class TStream;

// What detection needs to know about the drive that holds the archive.
struct TDetectDrive {
  bool Removable = false;
  std::string VolumeLabel;
};

// A disk of a spanned Zip set: a removable disk whose label carries the
// "PKBACK# " mark. Any other Zip on a removable drive is a plain Zip.
bool IsSpannedDisk(const TDetectDrive& Drive);

// Everything detection leaves in the component.
struct TDetectResult {
  TArcType ArcType = atNA;
  // Where the archive's first header starts: the exact byte offset for the
  // Zip types (the first central header when Flags has zfCentralFound, else
  // the first local header), the byte position plus 1 for the others.
  int64_t StartOffset = 1;
  uint8_t Flags = 0;  // zfEndFound | zfCentralFound | zfLocalFound
  int64_t ArchiveSize = 0;
  int ArchiveDate = 29221;  // DOS date-time; 29221 when not a real type
  TZipLocation Zip;         // the Zip records read on the way
};

// String resources of a program file, loaded as a data-only module.
class TModuleStrings {
 public:
  virtual ~TModuleStrings() = default;
  // False when the file cannot be loaded as a module (a DOS program).
  virtual bool Load() = 0;
  virtual std::string ReadString(unsigned Id) = 0;
};

// The signature table. Signature is the four bytes at the probed position,
// little-endian; Mode 1 = at the start of a plain file, 0 = found inside a
// program (any other mode gives atNA where the type depends on the mode).
// Sets StartOffset only for the ARC self-extractor marks (7717) and Flags only
// for the spanned-set mark "PK\7\8" (zfLocalFound).
TArcType ArcTypeFromSignature(int Mode, uint32_t Signature, bool SpannedDisk, int64_t& StartOffset, uint8_t& Flags);

// False for atNA, atUnsupported, atFileOpenErr and atUnknown.
bool IsKnownArcType(TArcType T);
// atJar, atZip, atZipExe, atZipMV: their StartOffset is an exact offset.
bool IsZipArcType(TArcType T);

// Detects the type of FileName. ZipCmntBufSize is the component's comment
// buffer size, which bounds the search for the Zip end record. Never raises.
TDetectResult DetectArcType(const std::string& FileName, const TDetectDrive& Drive, int ZipCmntBufSize);

// The same on an open stream. FileName only decides JAR and gives nothing
// else; Strings reads the program's string resources (nullptr: our own PE
// reader over Stream). The archive date is left at 29221.
TDetectResult DetectArcTypeStream(TStream& Stream, const std::string& FileName, const TDetectDrive& Drive,
                                  int ZipCmntBufSize, TModuleStrings* Strings = nullptr);
