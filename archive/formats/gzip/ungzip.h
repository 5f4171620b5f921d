// Extraction of gzip (.gz) and unix compress (.Z) files, and through UnTar of
// the tar inside a .tgz or .tar.Z.
#pragma once
#include <cstdint>

#include "archive/codecs/inflate.h"
#include "archive/codecs/lzw.h"
#include "archive/core/unbase.h"
#include "archive/formats/tar/untar.h"

struct GzipHeader;

class TUnGZIP : public TUnBase {
 public:
  explicit TUnGZIP(TComponent* AOwner);
  ~TUnGZIP() override;

  // The tar extractor that runs on an extracted tar (default none); cleared
  // when that component is destroyed.
  TUnTAR* UnTar() const { return FUnTar; }
  void SetUnTar(TUnTAR* Value);

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Decodes every member from the first one's data on; Pass tells whether
  // each member's trailer matched its data.
  void DecodeGzip(TUntypedFile& F, TUntypedFile& Out, const GzipHeader& First, bool& Pass);
  // Decodes one member's data into Out; returns the position after its
  // trailer, or -1 when no trailer matches the data.
  int64_t DecodeMember(TUntypedFile& F, TUntypedFile& Out, uint8_t Method, int64_t DataPos);
  int64_t FindTrailer(TUntypedFile& F, int64_t DataPos, int64_t ReadEnd, uint32_t Crc, uint32_t Size);
  void RunUnTar();

  TUnTAR* FUnTar = nullptr;
  TInflateDecoder FInflate;
  TLzwDecoder FLzw;
};
