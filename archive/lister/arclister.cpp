#include "archive/lister/arclister.h"

#include <algorithm>
#include <cstring>

#include "archive/core/arcerrors.h"
#include "archive/core/arcutil.h"
#include "archive/core/ziprecords.h"
#include "archive/core/arctables.h"
#include "archive/core/bytes.h"
#include "archive/core/arc_source.h"
#include "archive/lister/walk_util.h"
#include "framework/core/os.h"
#include "framework/core/prompts.h"

using namespace lister;




TArcLister::TArcLister(TComponent* AOwner) : TZipCommon(AOwner) {
  SetZipCmntBufSize(32000);
  ShowBlankDirs = false;
}

TArcLister::~TArcLister() = default;

size_t TArcLister::ReadAt(int64_t Pos, uint8_t* Buf, size_t N) {
  if (!FFile || Pos < 0) return 0;
  return FFile->ReadAt(uint64_t(Pos), Buf, N);
}

bool TArcLister::ReadExactAt(int64_t Pos, uint8_t* Buf, size_t N) {
  return FFile && Pos >= 0 && ::ReadExact(*FFile, uint64_t(Pos), Buf, N);
}

std::vector<uint8_t> TArcLister::ReadUpTo(int64_t Pos, size_t N) {
  if (!FFile || Pos < 0) return {};
  return ::ReadUpTo(*FFile, uint64_t(Pos), N);
}

bool TArcLister::OpenFile(const std::string& Name) {
  CloseFile();
  THandle h = FileOpen(Name, fmOpenRead | fmShareDenyNone);
  if (h == InvalidHandle) return false;
  FFile = std::make_unique<TListerFile>(h);
  FOpenName = Name;
  ArchiveSize = int64_t(FFile->Size());
  return true;
}

void TArcLister::CloseFile() {
  if (FFile) FFile->Close();
  FFile.reset();
}

std::string TArcLister::CurrentVolumeId() const { return IntToStr(FVolumeNumber); }

void TArcLister::RaiseCode(int Code, const std::string& MsgEx) {
  RaiseError(Entry.VolumeName.empty() ? ArchiveFile() : Entry.VolumeName, Code, MsgEx, CurrentVolumeId());
}

void TArcLister::ReportCode(int Code, const std::string& MsgEx) {
  ReportError(Entry.VolumeName.empty() ? ArchiveFile() : Entry.VolumeName, MsgEx, Code, CurrentVolumeId());
}

bool TArcLister::Included(const std::string& Name) { return IsFileIncluded(Name); }

bool TArcLister::Report(TFound& E, int64_t Offset, TFolderRule Rule, bool CountFolders) {
  ++FHeadersMet;
  Entry.FileName = ZipNameToAnsi(E.Name, E.Utf8 ? zgUtf8 : 0);
  if (OnReadFile) OnReadFile(this, Entry.FileName);
  bool report;
  if (Rule == frAlways)
    report = true;
  else if (E.Folder && Rule == frShowOnly)
    report = ShowBlankDirs;
  else if (E.Folder && Rule == frShowOrFilter)
    report = ShowBlankDirs || Included(Entry.FileName);
  else
    report = Included(Entry.FileName);
  if (!report) return false;
  bool count = !E.Folder || CountFolders;
  if (count) {
    ++EntryCount;
    FTotalPackedSize += std::max<int64_t>(E.Packed, 0);
    FTotalUnpackedSize += std::max<int64_t>(E.Unpacked, 0);
  }
  Entry.Encrypted = E.Encrypted;
  Entry.PackedSize = ClampU32(E.Packed);
  Entry.UnpackedSize = ClampU32(E.Unpacked);
  Entry.Crc = E.Crc;
  Entry.Method = E.Method;
  Entry.Date = E.Date;
  Entry.VersionMadeBy = E.VersionMadeBy;
  Entry.VersionNeeded = E.VersionNeeded;
  if (E.SetInternalAttr) Entry.InternalAttr = E.InternalAttr;
  if (E.SetExternalAttr) Entry.ExternalAttr = E.ExternalAttr;
  Entry.Ratio = uint8_t(CalcRatio(Entry.PackedSize, Entry.UnpackedSize));
  Entry.MethodName = E.NoMethodName ? std::string()
                                     : CompressMethodToStr(E.NameMethod >= 0 ? E.NameMethod : E.Method,
                                                          uint16_t(E.MethodFlags), E.Signature);
  Entry.EntryComment = E.HasComment ? E.Comment : std::string();
  Entry.HasEntryComment = E.HasComment;
  if (OnReadBegin) OnReadBegin(this);
  OnRead(this, Clamp32(Offset), EntryCount);
  if (OnReadEnd) OnReadEnd(this);
  Entry.EntryComment.clear();
  Entry.HasEntryComment = false;
  return true;
}

namespace {
struct TListingSkipped {};
}  // namespace

bool TArcLister::RequestFirstVolume() {
  std::string name = Entry.VolumeName;
  const int volume = VolumeNumber();
  const int next = NextVolumeNumber;
  const bool ok = RequestNextVolume(nullptr, name, IntToStr(volume));
  // That request is for the first volume, so the numbering of the later
  // ones must not move on.
  NextVolumeNumber = next;
  SetVolumeNumber(volume);
  if (!ok) return false;
  if (name != ArchiveFile()) SetArchiveFile(name);
  Entry.VolumeName = ArchiveFile();
  return true;
}

bool TArcLister::Activate() {
  SetCurrentArcComponent(this);
  ProgressCallback = nullptr;
  SetComponentCancel(this, false);
  bool result = false;
  Entry.VolumeName = ArchiveFile();
  if (ArchiveFile().empty()) return false;
  bool walkStarted = false;
  const bool askFirst = ArcType() == atArj || ArcType() == atCab;
  // A listing before this one moved on through the volumes: start at the first.
  if (ArcType() != atJar && ArcType() != atZip && ArcType() != atZipExe && ArcType() != atZipMV) {
    InitVolumeNaming();
    SetVolumeNumber(0);
  }
  try {
    // A vanished first volume of an ARJ or cabinet set is asked for below;
    // without anyone to ask, it is simply not found.
    if (!FileExists(ArchiveFile()) && !(askFirst && OnNextVolume))
      RaiseError(ArchiveFile(), errFileNotFound, "", "0");
    if (!OnRead) RaiseError(ArchiveFile(), errEventMissing, "OnRead", "0");
    switch (ArcType()) {
      case atNA:
      case atUnknown:
        RaiseError(ArchiveFile(), 25327, "", "0");
        break;
      case atFileOpenErr:
        RaiseError(ArchiveFile(), errFileNotFound, "", "0");
        break;
      default:
        break;
    }
    result = true;
    walkStarted = true;
    if (askFirst && !FileExists(ArchiveFile()) && !RequestFirstVolume()) {
      SetComponentCancel(this, true);
      throw TListingSkipped();
    }
    FVolumeNumber = VolumeNumber();
    try {
      if (!OpenFile(ArchiveFile())) RaiseError(ArchiveFile(), errReadFile, "", "0");
      if (OnActivate) OnActivate(this);
      PrepareWalk();
      if (OnElapsedTime) Timer().Start();
      FWalkPos = FHeaderOffset - 1;
      while (FHeaderSize > 0 && FWalkPos + FHeaderSize < FWalkEnd) {
        if (Cancel) break;
        ProcessMessages();
        FHeaderOffset = FWalkPos + 1;
        FHdr.assign(size_t(FHeaderSize), 0);
        FHdrLen = ReadAt(FWalkPos, FHdr.data(), FHdr.size());
        if (FHdrLen == 0) break;
        FWalkPos += int64_t(FHdrLen);
        int64_t start = FHeaderOffset - 1;
        int changes = FVolumeChanges;
        WalkStep();
        // A header that points back at itself or before would loop forever.
        if (changes == FVolumeChanges && FWalkPos <= start) EndWalk();
      }
    } catch (...) {
      AfterWalk();
      throw;
    }
    AfterWalk();
  } catch (const TListingSkipped&) {
  } catch (...) {
    result = false;
  }
  if (walkStarted) {
    FHeaderSize = 0;
    FHeaderOffset = 0;
    FWalkPos = FWalkEnd = 0;
    FHdr.clear();
    FCab.reset();
    FMsGZNames.clear();
    try {
      if (OnDeactivate) OnDeactivate(this);
    } catch (...) {
      result = false;
    }
    CloseFile();
    if (OnElapsedTime) OnElapsedTime(this, Timer().Elapsed());
  }
  return result;
}

void TArcLister::AfterWalk() {
  if (OnElapsedTime) Timer().Stop();
  if (OnTotals) {
    FTotalRatio = uint8_t(CalcRatio(FTotalPackedSize, FTotalUnpackedSize));
    OnTotals(this, EntryCount);
  }
  FArchiveComment.clear();
}

void TArcLister::PrepareWalk() {
  EntryCount = 0;
  FTotalPackedSize = FTotalUnpackedSize = 0;
  FTotalRatio = 0;
  Entry.Crc = 0;
  Entry.Ratio = 0;
  Entry.Date = 0;
  Entry.PackedSize = Entry.UnpackedSize = 0;
  Entry.MethodName.clear();
  FSplitPackedSize = FSplitUnpackedSize = 0;
  FArchiveComment.clear();
  FHeadersMet = 0;
  FArcFolder.clear();
  FMultiVolume = false;
  FRarNewNaming = false;
  FZooStarted = false;
  FHeaderOffset = StartOffset;
  FWalkEnd = ArchiveSize;
  FHeaderSize = 0;
  switch (ArcType()) {
    case atACE:
      FHeaderSize = 7;
      PrepareAce();
      break;
    case atArc:
    case atArcExe:
    case atPak:
    case atPakExe:
      FHeaderSize = 29;
      break;
    case atArj:
    case atArjExe:
      FHeaderSize = 4;
      PrepareArj();
      break;
    case atBh:
    case atBhExe:
      FHeaderSize = 37;
      break;
    case atCab:
      FHeaderSize = 16;
      PrepareCab();
      break;
    case atGZip:
      FHeaderSize = 10;
      break;
    case atHa:
      FHeaderSize = 18;
      FHeaderOffset += 4;
      break;
    case atLha:
    case atLhaExe:
    case atLzh:
    case atLzhExe:
      FHeaderSize = 22;
      PrepareLha();
      break;
    case atMsGZ:
      FHeaderSize = 29;
      PrepareMsGZ();
      break;
    case atRar:
    case atRarExe:
      FHeaderSize = 32;
      PrepareRar();
      break;
    case atTar:
      FHeaderSize = 512;
      break;
    case atUue:
      PrepareUue();
      break;
    case atZoo:
      FHeaderSize = 58;
      break;
    case atJar:
    case atZip:
    case atZipExe:
    case atZipMV:
      PrepareZip();
      break;
    default:
      break;
  }
}

void TArcLister::WalkStep() {
  switch (ArcType()) {
    case atACE: StepAce(); break;
    case atArc:
    case atArcExe: StepArc(false); break;
    case atPak:
    case atPakExe: StepArc(true); break;
    case atArj:
    case atArjExe: StepArj(); break;
    case atBh:
    case atBhExe: StepBh(); break;
    case atCab: StepCab(); break;
    case atGZip: StepGzip(); break;
    case atHa: StepHa(); break;
    case atLha:
    case atLhaExe:
    case atLzh:
    case atLzhExe: StepLha(); break;
    case atMsGZ: StepMsGZ(); break;
    case atRar:
    case atRarExe: StepRar(); break;
    case atTar: StepTar(); break;
    case atZoo: StepZoo(); break;
    case atJar:
    case atZip:
    case atZipExe:
    case atZipMV:
      if (FZipCentral)
        StepZipCentral();
      else
        StepZipLocal();
      break;
    default: EndWalk(); break;
  }
}
