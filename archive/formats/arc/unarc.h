// Extraction of ARC and PAK archives, also behind a self-extracting stub.
#pragma once
#include <string>
#include <vector>

#include "archive/core/unbase.h"
#include "archive/formats/arc/arc_decode.h"

class TArcSource;
struct ArcHeader;

class TUnARC : public TUnBase {
 public:
  explicit TUnARC(TComponent* AOwner);

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  void SelectEntries(TArcSource& Src);
  // False when the run is to end (cancelled).
  bool ExtractEntry(TUntypedFile& F, TArcSource& Src, int Index);
  bool DecodeEntry(TUntypedFile& F, const ArcHeader& H, int64_t& Produced);

  // The folder each found entry lies in, kept from the walk over every
  // header: a selection of a few entries must not lose their folders.
  std::vector<std::string> FFolders;
  TArcDecoder FDecoder;
};
