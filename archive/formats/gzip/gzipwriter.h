// Gzip writer: one gzip file (RFC 1952, one member) per input file.
#pragma once
#include <cstdint>
#include <string>

#include "archive/codecs/deflate.h"
#include "archive/core/compbase.h"

class TGZip : public TCompBase {
 public:
  explicit TGZip(TComponent* AOwner);

  // Fixes atGZip and gives ArchiveFile DefaultExt unless it ends with it.
  void SetArcType(TArcType Value) override;

  // The gzip file of an input file: ArchiveFile's folder, the input's name
  // and DefaultExt.
  std::string OutputName(const std::string& InputFile) const;

  // The last gzip file written by the run ("" when none).
  const std::string& LastGzipFile() const { return FLastGzipFile; }

 protected:
  // The whole run: every file of the first FileSpec line becomes its own
  // gzip file.
  void CompressArchive() override;
  bool ReadHeader() override;
  void SetListedEntryInfo() override;

 private:
  // False when the file was skipped.
  bool CompressOne(const std::string& FileName);
  void WriteMember(TStream* In, TStream* Out, const std::string& FileName, int DosDate);
  void WriteRaw(TStream* Out, const void* Data, size_t Count);

  std::string FLastGzipFile;
  // The listed header.
  std::string FListedName;
  bool FListedHasName = false;
  uint8_t FListedMethod = 0;
  uint8_t FListedExtraFlags = 0;
  uint32_t FListedTime = 0;
  uint32_t FListedCrc = 0;
  uint32_t FListedSize = 0;
  int64_t FListedPacked = 0;
  TDeflateEncoder FDeflate;
};
