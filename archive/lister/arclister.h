// The directory lister: walks any archive the type detection recognises and
// reports every entry through events, extracting nothing.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/core/zipcommon.h"

class TArcSource;
struct CabHeader;
class TListerFile;

class TArcLister : public TZipCommon {
 public:
  explicit TArcLister(TComponent* AOwner);
  ~TArcLister() override;

  // Lists ArchiveFile. True when the walk ran (also when it stopped early on
  // a cancel or a short read); never lets an exception out.
  bool Activate();

  bool ShowBlankDirs = false;

  // OnRead (required), OnNextVolume and the Zip disk events are the base's.
  TOnReadFile OnReadFile;
  TNotifyEvent OnReadBegin;
  TNotifyEvent OnReadEnd;
  TOnTotals OnTotals;

  // Walk state, readable from the events.
  int64_t TotalPackedSize() const { return FTotalPackedSize; }
  int64_t TotalUnpackedSize() const { return FTotalUnpackedSize; }
  uint8_t TotalRatio() const { return FTotalRatio; }
  // The ZOO archive comment of the running listing, empty when none.
  const std::string& ArchiveComment() const { return FArchiveComment; }
  int64_t HeaderOffset() const { return FHeaderOffset; }

  // What a walk step found for one header, before it is reported.
  struct TFound {
    std::string Name;  // stored form (OEM, any separator)
    bool Folder = false;
    bool Encrypted = false;
    int64_t Packed = 0;
    int64_t Unpacked = 0;
    uint32_t Crc = 0;
    uint16_t Method = 0;
    int MethodFlags = 0;
    bool NoMethodName = false;
    int NameMethod = -1;  // method number the name is looked up by, when not Method
    uint16_t Signature = 0;
    TDateTime Date = 29221.0;
    uint16_t VersionMadeBy = 0;
    uint16_t VersionNeeded = 0;
    bool SetInternalAttr = true;
    uint16_t InternalAttr = 32;
    bool SetExternalAttr = true;
    int32_t ExternalAttr = 0;
    bool HasComment = false;
    std::string Comment;
    bool Utf8 = false;  // Zip: name stored in UTF-8
  };

 private:
  enum TFolderRule { frFilter, frShowOnly, frShowOrFilter, frAlways };

  void PrepareWalk();
  void WalkStep();
  void AfterWalk();
  // Runs the per-entry sequence; true when the entry was reported.
  bool Report(TFound& E, int64_t Offset, TFolderRule Rule, bool CountFolders = true);
  bool Included(const std::string& Name);
  void EndWalk() { FWalkPos = FWalkEnd; }
  size_t ReadAt(int64_t Pos, uint8_t* Buf, size_t N);
  bool ReadExactAt(int64_t Pos, uint8_t* Buf, size_t N);
  std::vector<uint8_t> ReadUpTo(int64_t Pos, size_t N);
  bool OpenFile(const std::string& Name);
  void CloseFile();
  // Asks for the next volume of an ARJ, ACE or RAR set and opens it.
  bool NextVolume();
  // The first volume of an ARJ or cabinet set has gone (a disk was changed):
  // asks for it through OnNextVolume; False when refused.
  bool RequestFirstVolume();
  void RaiseCode(int Code, const std::string& MsgEx = "");
  void ReportCode(int Code, const std::string& MsgEx = "");
  std::string CurrentVolumeId() const;

  void PrepareZip();
  void PrepareUue();
  void PrepareArj();
  void PrepareAce();
  void PrepareRar();
  void PrepareCab();
  void PrepareLha();
  void PrepareMsGZ();
  void StepZipCentral();
  void StepZipLocal();
  bool NextZipDisk();
  void StepTar();
  void StepGzip();
  void StepLha();
  void StepArj();
  void StepArc(bool Pak);
  void StepBh();
  void StepZoo();
  void StepRar();
  void StepAce();
  void StepCab();
  bool NextCabinet();
  void StepHa();
  void StepMsGZ();
  bool ReadArjMainHeader(int64_t Pos, int64_t& Next);
  bool ReadAceArchiveHeader(int64_t Pos, int64_t& Next);
  bool ReadCabHeader();

  std::unique_ptr<TListerFile> FFile;
  std::string FOpenName;
  std::vector<uint8_t> FHdr;  // the bytes read at the current step
  size_t FHdrLen = 0;
  int FHeaderSize = 0;
  int64_t FHeaderOffset = 0;  // 1-based
  int64_t FWalkPos = 0;
  int64_t FWalkEnd = 0;
  int64_t FSplitPackedSize = 0;
  int64_t FSplitUnpackedSize = 0;
  int64_t FTotalPackedSize = 0;
  int64_t FTotalUnpackedSize = 0;
  uint8_t FTotalRatio = 0;
  std::string FArchiveComment;
  int FHeadersMet = 0;
  bool FZipCentral = false;
  std::string FArcFolder;
  bool FMultiVolume = false;
  bool FRarNewNaming = false;  // RAR volumes named name.partN.rar
  uint16_t FAceVersion = 0;
  std::string FLongName;   // tar: name carried by a GNU 'L' or pax header
  bool FZooStarted = false;
  int FVolumeNumber = 0;
  int FVolumeChanges = 0;
  int64_t FZipCentralStart = 0;
  int FZipCentralDisk = 0;
  struct TCabState {
    uint16_t MinorVersion = 0, MajorVersion = 0;
    uint16_t Flags = 0;
    uint16_t FilesLeft = 0;
    uint16_t FolderCount = 0;
    std::vector<uint16_t> FolderTypes;
    std::shared_ptr<CabHeader> Header;
    std::string NextName;
  };
  std::unique_ptr<TCabState> FCab;
  std::vector<std::string> FMsGZNames;
};
