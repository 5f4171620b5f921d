// Extraction of BH archives: stored, LZH (-lh5- coding) and deflated
// entries, optionally enciphered with the traditional Zip cipher.
#pragma once
#include <memory>

#include "archive/codecs/lzh_decode.h"
#include "archive/codecs/zip_decoders.h"
#include "archive/core/unbase.h"

struct BhHeader;
class TUntypedFileSource;

class TUnBH : public TUnBase {
 public:
  explicit TUnBH(TComponent* AOwner);
  ~TUnBH() override;

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  void SelectEntries(TUntypedFileSource& Src, uint64_t Start);
  // False ends the extraction.
  bool ExtractEntry(TUntypedFile& F, TUntypedFileSource& Src, uint64_t HeaderPos);
  int64_t Decode(TUntypedFile& F, TUntypedFile& Out, const BhHeader& H, uint64_t DataPos);

  std::unique_ptr<TLzhDecoder> FLzh;
  TZipDecoders FZip;
};
