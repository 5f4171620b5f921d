// Zip and Jar writers: new entries stored or deflated (optionally with the
// traditional Zip cipher), entries of an existing archive copied unchanged or
// deleted, then the central directory and the end record. No Zip64: entries
// and archives must stay below 4 GiB and 65,535 entries.
#pragma once
#include <cstdint>
#include <string>

#include "archive/codecs/deflate.h"
#include "archive/core/ziprecords.h"
#include "archive/core/compbase.h"

// Work-list record of an entry: its central header, and the name, extra field
// and comment that follow it in the central directory (name with "/").
class THeadObject : public TObject {
 public:
  TZipCentralHeader Central;
  std::string Name;
  std::string Extra;
  std::string Comment;
};

class TZip : public TCompBase {
 public:
  explicit TZip(TComponent* AOwner);

 protected:
  bool CompressFile(const std::string& FileName) override;
  // Finds the old archive's end record and reads its first central header.
  bool ReadFirstHeader() override;
  // The local header's fixed 30 bytes.
  int64_t GetHeaderSize() override;
  // Reads the central header at HeaderPos with its name, extra field and
  // comment.
  bool ReadHeader() override;
  bool ReadNextHeader() override;
  // Every central header of the old archive becomes a copy record holding
  // the real length of its local header, data and data descriptor.
  void GotoNextHeader() override;
  // Central directory and end record, then the archive is put in place.
  void FinishArchive() override;
  void SetListedEntryInfo() override;

 private:
  [[noreturn]] void RaiseBadArchive(const std::string& Why);

  // The old archive's directory while it is read.
  int64_t FBias = 0;  // bytes in front of the archive that its offsets leave out
  int64_t FCentralPos = 0;
  int64_t FCentralEnd = 0;
  int FEntriesTotal = 0;
  int FEntryIndex = 0;
  bool FDirectoryBroken = false;
  TZipCentralHeader FCentral;
  std::string FName;
  std::string FExtra;
  std::string FComment;
  std::string FArchiveComment;
  TDeflateEncoder FDeflate;
};

// Jar archives are Zip archives with their own type and extension.
class TJar : public TZip {
 public:
  explicit TJar(TComponent* AOwner);
};
