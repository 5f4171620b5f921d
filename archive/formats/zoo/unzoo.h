// Extraction of ZOO archives: stored, LZW and "-lh5-" entries along the
// chain of directory entries; deleted entries are passed over.
#pragma once
#include <cstdint>
#include <memory>

#include "archive/codecs/lzh_decode.h"
#include "archive/core/unbase.h"
#include "archive/formats/zoo/zoo_lzw.h"

class TArcSource;

class TUnZOO : public TUnBase {
 public:
  explicit TUnZOO(TComponent* AOwner);
  ~TUnZOO() override;

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  void SelectEntries(TArcSource& Src, uint64_t Start);
  // False ends the extraction.
  bool ExtractEntry(TUntypedFile& F, TArcSource& Src, uint64_t Pos);

  std::unique_ptr<TLzhDecoder> FLzh;
  std::unique_ptr<TZooLzwDecoder> FLzw;
};
