// Extraction of LHA/LZH archives (also behind a self-extractor): methods
// -lh0-, -lh1-, -lh4-, -lh5- and -lh6- at header levels 0 to 3. Other methods
// are reported and the next entry goes on.
#pragma once
#include <memory>

#include "archive/codecs/lzh_decode.h"
#include "archive/codecs/lzhuf.h"
#include "archive/core/unbase.h"

struct LhaHeader;
class TUntypedFileSource;

class TUnLHA : public TUnBase {
 public:
  explicit TUnLHA(TComponent* AOwner);
  ~TUnLHA() override;

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  void SelectEntries(TUntypedFileSource& Src, uint64_t Start);
  // False ends the extraction.
  bool ExtractEntry(TUntypedFile& F, TUntypedFileSource& Src, uint64_t HeaderPos);
  int64_t Decode(TUntypedFile& F, TUntypedFile& Out, const LhaHeader& H);

  // The decoders are kept from entry to entry.
  std::unique_ptr<TLzhDecoder> FLzh;
  std::unique_ptr<TLzhufCodec> FLzhuf;
};
