// Zip and JAR extraction, and the entry decoder by Zip method number that
// the Zip, BH and gzip extractors share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/codecs/zip_decoders.h"
#include "archive/core/unbase.h"

// One selected entry: the found-entry record of the Zip family and the entry
// record UnzipByMethod decodes.
struct TZipFileRec {
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint32_t LocalOffset = 0;
  uint32_t PackedSize = 0;  // with the 12-byte encryption header
  uint32_t UnpackedSize = 0;
  uint32_t Crc = 0;
  uint32_t DosDateTime = 0;
  uint32_t ExternalAttr = 0;
};
static_assert(sizeof(TZipFileRec) == 28);

// Decodes the data of one entry from In (positioned at the entry's data, past
// an encryption header, whose keys are set up when flag bit 0 is set) to
// Out, by Rec.Method: 0 stored, 1 unshrink, 2-5 unreduce, 6 explode,
// 8 inflate. The unpacked bytes pass through the component's decrypting
// write pointer, which keeps the running CRC-32; progress is reported after
// each block. Returns the unpacked bytes produced. Failures are raised
// through the component's RaiseError (OnError first): 25326 for a method it
// does not know, the decoder's own code for bad data. A set Cancel raises
// EArcCancelled. Decoders are the component's own, kept between entries.
int64_t UnzipByMethod(TUnBase& Component, TUntypedFile* In, TUntypedFile* Out, const TZipFileRec& Rec,
                      TZipDecoders& Decoders, TStream* InStream = nullptr, TStream* OutStream = nullptr);

class TUnZIP : public TUnBase {
 public:
  explicit TUnZIP(TComponent* AOwner);

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  // Where the header walk starts and whether it reads central headers;
  // False ends the extraction quietly.
  bool PrepareWalk(TUntypedFile& F, int64_t& Pos, bool& Central);
  // Returns where the walk stopped: at or past the end of the file when the
  // last entry read runs on beyond it.
  int64_t SelectEntries(TUntypedFile& F, int64_t Pos, bool Central);
  // False ends the extraction. Name is the entry's stored name as the walk
  // read it (the central one when there is a directory); Overlaps says that
  // its data overlaps another entry's.
  bool ExtractEntry(TUntypedFile& F, const TZipFileRec& Rec, const std::string& Name, bool Overlaps);
  bool ReadAt(TUntypedFile& F, int64_t Pos, uint8_t* Buf, size_t Count);

  // Beside the found list, by its index.
  std::vector<std::string> FFoundNames;
  std::vector<bool> FFoundOverlaps;
  TZipDecoders FDecoders;
};

// JAR archives are Zip archives.
class TUnJar : public TUnZIP {
 public:
  explicit TUnJar(TComponent* AOwner) : TUnZIP(AOwner) {}
};
