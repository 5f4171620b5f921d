// Tar writer: v7 headers, the ustar prefix or a GNU long-name record for
// names of 100 bytes and more, the end-of-archive blocks; with cmGzipTar the
// finished tar becomes a gzip file.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/compbase.h"

class TTar : public TCompBase {
 public:
  explicit TTar(TComponent* AOwner);

  // The gzip file the cmGzipTar step wrote in place of the tar ("" when
  // none was written).
  const std::string& GzipArchiveName() const { return FGzipArchiveName; }

 protected:
  bool CompressFile(const std::string& FileName) override;
  int64_t GetHeaderSize() override;
  bool ReadFirstHeader() override;
  bool ReadHeader() override;
  bool ReadNextHeader() override;
  void GotoNextHeader() override;
  void FinishArchive() override;
  void SetListedEntryInfo() override;
  void AfterArchive() override;

 private:
  void WriteRaw(const void* Data, size_t Count);

  std::string FGzipArchiveName;
  // The old archive's header at HeaderPos.
  uint64_t FEntryPos = 0, FHeaderPos = 0, FNextPos = 0, FSize = 0;
  int64_t FMTime = 0;
  std::string FName;
  bool FFolder = false;
};
