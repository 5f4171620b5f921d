// Tar extraction: regular files of v7, ustar, GNU and pax archives.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/unbase.h"
#include "archive/readers/arc_source.h"

// The header readers' view of an open archive file.
class TUntypedFileSource : public TArcSource {
 public:
  explicit TUntypedFileSource(TUntypedFile& F, int64_t Size) : FFile(F), FSize(Size < 0 ? 0 : uint64_t(Size)) {}
  uint64_t Size() override { return FSize; }
  size_t ReadAt(uint64_t Pos, uint8_t* Buf, size_t N) override;

 private:
  TUntypedFile& FFile;
  uint64_t FSize;
};

// The output name would replace the archive being read.
bool IsArchiveItself(const std::string& OutName, const std::string& ArchiveName);

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
