// Tar extraction: regular files of v7, ustar, GNU and pax archives.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/unbase.h"
#include "archive/core/arc_source.h"

class TUnTAR : public TUnBase {
 public:
  explicit TUnTAR(TComponent* AOwner);

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  void SelectEntries(TArcSource& Src);
  // False ends the extraction.
  bool ExtractEntry(TUntypedFile& F, TArcSource& Src, uint64_t Pos);
};
