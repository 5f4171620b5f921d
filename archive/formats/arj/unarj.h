// Extraction of ARJ archives and ARJ self-extractors: methods 0 (stored),
// 1-3 (static Huffman LZH) and 4 (fast), garbled entries, and sets spread
// over volumes (x.arj, x.a01, ...), where an entry continued in the next
// volume is joined into one file.
#pragma once
#include <cstdint>
#include <memory>

#include "archive/codecs/lzh_decode.h"
#include "archive/core/unbase.h"
#include "archive/formats/arj/arj_fast.h"

struct ArjHeader;

class TUnARJ : public TUnBase {
 public:
  explicit TUnARJ(TComponent* AOwner);
  ~TUnARJ() override;

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  enum class TStep { Next, Joined, Stop };

  // Reads the main header of the open volume and collects its selected
  // entries; raises 25242 when the volume has no main header.
  void FirstPass(TUntypedFile& F, int64_t Start);
  // Opens the next volume and collects its entries; False ends the run.
  bool NextVolume(TUntypedFile& F);
  TStep ExtractEntry(TUntypedFile& F, uint64_t Pos);
  // Asks for the password of a garbled entry; False ends the run.
  bool GetPassword();
  // Decodes one volume's piece of the entry into Out; the running CRC-32
  // then holds its data's CRC. False when garbled data did not decode.
  bool DecodeSegment(TUntypedFile& F, TUntypedFile& Out, const ArjHeader& H, bool Garbled);

  bool FMultiVolume = false;
  // The position of the open volume's first entry header.
  uint64_t FFirstEntryPos = 0;
  std::unique_ptr<TLzhDecoder> FLzh;
  std::unique_ptr<TArjFastDecoder> FFast;
};
