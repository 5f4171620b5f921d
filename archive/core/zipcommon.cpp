#include "archive/core/zipcommon.h"

#include <algorithm>
#include <vector>

#include "archive/core/arctables.h"
#include "archive/core/arcutil.h"
#include "framework/core/os.h"
#include "framework/core/prompts.h"

namespace {

bool IsSep(char C) { return C == '\\' || C == '/'; }

// Parts made of dots and blanks only: ".", ".." and what Windows trims to
// them (".. ", "...").
bool IsDotPart(const std::string& Part) { return Part.find_first_not_of(". ") == std::string::npos; }

std::string SystemTempDir() { return IncludeTrailingBackslash(GetTempDir()); }

// Folders given in either form, with the system's separator.
std::string SystemDelims(std::string S) {
  for (char& C : S)
    if (IsSep(C)) C = PathDelim;
  return S;
}

}  // namespace

TZipCommon::TZipCommon(TComponent* AOwner)
    : TReadWriteObj(AOwner), FFileSpec(std::make_unique<TStringList>()), FExcludeSpec(std::make_unique<TStringList>()) {
  ProgressCallback = [this] { DefaultProgress(); };
  Cancel = false;
  FTempDir = SystemTempDir();
}

TZipCommon::~TZipCommon() = default;

void TZipCommon::DefaultProgress() {
  ProcessMessages();
  if (OnProgress) OnProgress(this, ProgressByFile, ProgressByArchive);
}

void TZipCommon::DetectArcType() {
  FVolumeNumber = 0;
  ZipRecords = TZipLocation();
  if (ArchiveFile().empty()) {
    FArcType = atNA;
    return;
  }
  FArcType = atFileOpenErr;
  SyncDiskDrive();
  TDetectDrive Drive;
  Drive.Removable = DiskManager()->IsRemovable();
  Drive.VolumeLabel = DiskManager()->VolumeLabel();
  const TDetectResult R = ::DetectArcType(ArchiveFile(), Drive, ZipCmntBufSize());
  FArcType = R.ArcType;
  StartOffset = R.StartOffset;
  DetectFlags = R.Flags;
  ArchiveSize = R.ArchiveSize;
  ArchiveDate = R.ArchiveDate;
  ZipRecords = R.Zip;
}

static void CopySpecLines(TStrings* Source, TStringList& Dest) {
  std::vector<std::string> Lines;
  if (Source)
    for (int i = 0; i < Source->Count(); ++i) {
      const std::string S = SlashToBackslash((*Source)[i]);
      if (!S.empty()) Lines.push_back(S);
    }
  Dest.Clear();
  for (const std::string& S : Lines) Dest.Add(S);
}

void TZipCommon::SetFileSpec(TStrings* Value) { CopySpecLines(Value, *FFileSpec); }

void TZipCommon::SetExcludeSpec(TStrings* Value) { CopySpecLines(Value, *FExcludeSpec); }

void TZipCommon::SetExtractDir(const std::string& Value) {
  std::string S = SystemDelims(Value);
  if (S.empty() && !ArchiveFile().empty()) S = ExtractFilePath(ArchiveFile());
  FExtractDir = S.empty() ? S : IncludeTrailingBackslash(S);
}

void TZipCommon::SetTempDir(const std::string& Value) {
  if (IsLoading()) {
    FTempDir = Value;
    return;
  }
  std::string S = Value.empty() ? Value : IncludeTrailingBackslash(SystemDelims(Value));
  if (!S.empty() && !DirectoryExists(RemoveBackslash(S))) {
    Timer().Pause();
    const int Answer = Prompt(ArcMessage(errAskCreateDir) + "\r\r" + S, "Confirm", pbYesNo);
    Timer().Resume();
    if (Answer == mrYes)
      ForceDirectories(RemoveBackslash(S));
    else
      S.clear();
  }
  if (S.empty() || !DirectoryExists(RemoveBackslash(S))) S = SystemTempDir();
  FTempDir = S;
}

bool TZipCommon::SetEntryFileName(const std::string& StoredName) {
  return SetEntryFileNameAnsi(OemToAnsiStr(StoredName), StoredName);
}

bool TZipCommon::SetEntryFileNameAnsi(const std::string& AnsiName, const std::string& StoredName) {
  std::string S = AnsiName;
  // A drive ("C:") goes with the rest of the absolute path: every stored
  // name lands below ExtractDir.
  if (S.size() >= 2 && S[1] == ':' && ((S[0] >= 'A' && S[0] <= 'Z') || (S[0] >= 'a' && S[0] <= 'z'))) S.erase(0, 2);
  std::vector<std::string> Parts;
  std::string Part;
  // A name that ends in a separator, "." or ".." names a folder.
  bool Folder = false;
  for (size_t i = 0; i <= S.size(); ++i) {
    if (i == S.size() || IsSep(S[i])) {
      Folder = IsDotPart(Part);
      if (!Folder) Parts.push_back(Part);
      Part.clear();
    } else if (S[i] != ':') {
      // ":" would name an alternate data stream or a drive.
      Part += S[i];
    }
  }
  // A device name would open the device (COM1 a serial port, NUL nothing)
  // instead of a file, on Windows in any folder and with any extension.
  const bool Device = std::any_of(Parts.begin(), Parts.end(), IsReservedDeviceName);
  if (Parts.empty() || Device) {
    OutFileName.clear();
    ReportError(StoredName, "", errBadFileName, IntToStr(FVolumeNumber));
    return false;
  }
  std::string Name;
  if (!Folder) {
    Name = Parts.back();
    Parts.pop_back();
  }

  if (FExtractDir.empty()) {
    std::string Dir = ExtractFilePath(ArchiveFile());
    if (Dir.empty()) Dir = GetCurrentDir();
    FExtractDir = IncludeTrailingBackslash(SystemDelims(Dir));
  }
  std::string Dir = FExtractDir;
  if (UseStoredDirs)
    for (const std::string& P : Parts) Dir += P + PathDelim;
  // A relative ExtractDir counts from the current folder.
  if (Dir.find(':') == std::string::npos && !IsSep(Dir.empty() ? 'x' : Dir[0]))
    Dir = IncludeTrailingBackslash(GetCurrentDir()) + Dir;
  OutFileName = Dir + Name;
  // A path longer than the system takes could not be created; checked before
  // any of its folders is made.
  if (ExpandFileName(OutFileName).size() > MaxPathLength) {
    OutFileName.clear();
    ReportError(StoredName, "", errBadFileName, IntToStr(FVolumeNumber));
    return false;
  }
  return true;
}

std::string TZipCommon::GetVolumeName(const std::string& ArchiveName, int Number) {
  if (Number < 0) return std::string();
  const std::string Base = ArchiveName.substr(0, ExtDotOffset(ArchiveName));
  const std::string Letter = VolumeLetter ? std::string(1, VolumeLetter) : std::string();
  if (Number < 10) return Base + "." + Letter + "0" + IntToStr(Number);
  if (Number < 100) return Base + "." + Letter + IntToStr(Number);
  return Base + "." + IntToStr(Number);
}

TDateTime TZipCommon::DosDateToDateTime(int DosDateTime) { return FileDateToDateTimeDef(DosDateTime); }

bool TZipCommon::CreateOutputFile(TUntypedFile& F, const std::string& Name) {
  // Entries mostly land in a folder that exists already: the folders are
  // looked at only when the file cannot be made.
  if (F.Create(Name)) return true;
  const std::string Dir = ExtractFilePath(Name);
  if (!Dir.empty() && ForceDirectories(Dir) && F.Create(Name)) return true;
  const int Attr = FileGetAttr(Name);
  if (Attr == -1 || !(Attr & faReadOnly) || (Attr & faDirectory)) return false;
  FileSetAttr(Name, Attr & ~faReadOnly);
  return F.Create(Name);
}

int TZipCommon::GetArcExtIndex(const std::string& Ext) {
  const std::string E = !Ext.empty() && Ext[0] != '.' ? "." + Ext : Ext;
  for (int i = 0; i < ArcExtensionCount; ++i)
    if (SameText(E, ArcExtensions[i])) return i;
  return -1;
}

bool TZipCommon::IsFileIncluded(const std::string& Name) {
  bool Match = false;
  for (int i = 0; i < FFileSpec->Count() && !Match; ++i) {
    const std::string Spec = (*FFileSpec)[i];
    Match = Spec == "*.*" || CompareWildcard(Name, Spec);
  }
  return Match && !IsFileExcluded(Name);
}

bool TZipCommon::IsFileExcluded(const std::string& Name) {
  for (int i = 0; i < FExcludeSpec->Count(); ++i)
    if (CompareWildcard(Name, SpecStoredName((*FExcludeSpec)[i]))) return true;
  return false;
}

std::string TZipCommon::SpecStoredName(const std::string& Line) { return SlashToBackslash(Line); }

std::string TZipCommon::CreateTempFileName() {
  const std::string Name = MakeTempFileName(FTempDir.empty() ? SystemTempDir() : FTempDir, "arc");
  if (Name.empty()) throw EFOpenError(ArcMessage(errOpenFile));
  return Name;
}

std::string TZipCommon::CreateTempFolder() {
  std::string Name;
  try {
    Name = CreateTempFileName();
  } catch (const Exception&) {
    RaiseError(TempDir(), errCreateDir);
  }
  DeleteFile(Name);
  const std::string Dir = Name.size() > 4 ? Name.substr(0, Name.size() - 4) : Name + "d";
  if (!ForceDirectories(Dir)) RaiseError(Dir, errCreateDir);
  return IncludeTrailingBackslash(Dir);
}

bool TZipCommon::RemoveTempFolder(const std::string& Dir, const std::function<void(const std::string&)>& Removed) {
  if (Dir.empty()) return false;
  const std::string Base = IncludeTrailingBackslash(Dir);
  TSearchRec F;
  std::vector<std::string> Subs, Files;
  if (FindFirst(Base + "*.*", faAnyFile, F) == 0) {
    do {
      if (F.Name == "." || F.Name == "..") continue;
      if (F.Attr & faDirectory) {
        Subs.push_back(Base + F.Name);
      } else {
        Files.push_back(Base + F.Name);
      }
    } while (FindNext(F) == 0);
    FindClose(F);
  }
  for (const std::string& Sub : Subs) RemoveTempFolder(Sub, Removed);
  for (const std::string& Name : Files) {
    FileSetAttr(Name, faArchive);
    if (DeleteFile(Name) && Removed) Removed(Name);
  }
  return RemoveDir(ExcludeTrailingBackslash(Base));
}

void TZipCommon::OpenArchive(TUntypedFile& F) {
  if (F.IsOpen() && !CloseFileVar(F)) RaiseError(ArchiveFile(), errCloseFile, "", IntToStr(FVolumeNumber));
  if (!OpenFileRead(F, ArchiveFile())) RaiseError(ArchiveFile(), errReadFile, "", "0");
  F.IOResult();  // an earlier failure of this file is no concern now
  const int64_t Size = F.Size();
  if (Size < 0 || F.IOResult() != 0) RaiseError(ArchiveFile(), errReadFile, "", "0");
  ArchiveSize = Size;
  DiskManager()->RefreshDriveInfo();
  Entry.VolumeName = DiskManager()->VolumeLabel();
}

bool TZipCommon::ReopenOn(TUntypedFile& F, const std::string& Name, const std::string& VolumeID) {
  if (F.IsOpen() && !CloseFileVar(F)) RaiseError(Name, errCloseFile, "", VolumeID);
  if (!OpenFileRead(F, Name)) RaiseError(Name, errReadFile, "", VolumeID);
  F.IOResult();
  const int64_t Size = F.Size();
  if (Size < 0 || F.IOResult() != 0) RaiseError(Name, errReadFile, "", VolumeID);
  ArchiveSize = Size;
  return true;
}

bool TZipCommon::OpenNextVolume(TUntypedFile* F) {
  if (!OnNextVolume) return false;
  std::string Name = GetVolumeName(ArchiveFile(), NextVolumeNumber);
  return RequestNextVolume(F, Name, IntToStr(NextVolumeNumber));
}

bool TZipCommon::RequestNextVolume(TUntypedFile* F, std::string& VolumeName, const std::string& VolumeID) {
  if (NextVolumeNumber > 999) {
    ReportError(ArchiveFile(), "", errMaxVolumes, VolumeID);
    return false;
  }
  if (!OnNextVolume) return false;
  auto InCurrentDir = [](std::string& N) {
    if (!N.empty() && ExtractFilePath(N).empty()) N = IncludeTrailingBackslash(GetCurrentDir()) + N;
  };
  for (;;) {
    InCurrentDir(VolumeName);
    bool Cancelled = false;
    const bool Exists = !VolumeName.empty() && FileExists(VolumeName);
    Timer().Pause();
    OnNextVolume(this, VolumeName, VolumeID, Exists, Cancelled);
    Timer().Resume();
    if (Cancelled) return false;
    if (VolumeName.empty()) {
      ReportError(ArchiveFile(), "", errBadFileName, VolumeID);
      return false;
    }
    InCurrentDir(VolumeName);
    if (FileExists(VolumeName)) break;
  }
  if (F) ReopenOn(*F, VolumeName, VolumeID);
  Entry.VolumeName = VolumeName;
  FVolumeNumber = NextVolumeNumber;
  ++NextVolumeNumber;
  return true;
}

bool TZipCommon::GetSpanDiskNumber() {
  FVolumeNumber = 0;
  if (!DiskManager()->IsRemovable()) return true;
  const std::string& Label = DiskManager()->VolumeLabel();
  const size_t Mark = Label.find("PKBACK# ");
  if (Mark != std::string::npos) {
    const std::string Digits = Label.substr(Mark + 8);
    if (!Digits.empty() && Digits.size() <= 9 && IsAllDigits(Digits)) FVolumeNumber = StrToIntDef(Digits, 0);
  }
  SetZipCmntBufSize(32000);
  return true;
}

TZipLocation TZipCommon::ExamineDisk() {
  DiskManager()->RefreshDriveInfo();
  try {
    TFileStream S(ArchiveFile(), fmOpenRead | fmShareDenyNone);
    ArchiveSize = S.Size();
    return FindZipEndRecord(S, ZipCmntBufSize());
  } catch (const Exception&) {
    return TZipLocation();
  }
}

bool TZipCommon::RequestLastDisk() {
  if (!DiskManager()->IsRemovable()) return false;
  for (;;) {
    const TZipLocation Loc = ExamineDisk();
    if (Loc.EndFound()) {
      ZipRecords = Loc;
      DetectFlags = Loc.Flags;
      StartOffset = Loc.End.CentralDirOffset;
      GetSpanDiskNumber();
      return true;
    }
    if (!OnGetZipLastDisk) {
      FVolumeNumber = 0;
      return true;
    }
    bool Cancelled = false;
    Timer().Pause();
    OnGetZipLastDisk(this, Cancelled);
    Timer().Resume();
    if (Cancelled) return false;
  }
}

bool TZipCommon::RequestFirstDisk() {
  auto IsFirstDisk = [this] {
    try {
      TFileStream S(ArchiveFile(), fmOpenRead | fmShareDenyNone);
      uint8_t Head[4];
      if (S.Read(Head, 4) != 4) return false;
      const uint32_t Sig = GetLE32(Head);
      ArchiveSize = S.Size();
      return Sig == ZipDescriptorSig || Sig == ZipLocalSig;
    } catch (const Exception&) {
      return false;
    }
  };
  if (DetectFlags & zfLocalFound) {
    IsFirstDisk();
    return true;
  }
  if (!OnGetZipFirstDisk) return false;
  for (;;) {
    bool Cancelled = false;
    Timer().Pause();
    OnGetZipFirstDisk(this, Cancelled);
    Timer().Resume();
    if (Cancelled) return false;
    DiskManager()->RefreshDriveInfo();
    if (IsFirstDisk()) {
      DetectFlags |= zfLocalFound;
      GetSpanDiskNumber();
      return true;
    }
  }
}

int TZipCommon::CalcRatio(int64_t Packed, int64_t Unpacked) {
  if (Packed <= 0 || Unpacked <= 0 || Packed >= Unpacked) return 0;
  // In 64 bits the product cannot overflow for any file size, so the sizes
  // need no scaling down first.
  const int64_t Ratio = (Unpacked - Packed) * 100 / Unpacked;
  return Ratio == 0 ? 1 : int(Ratio);
}

std::string TZipCommon::CompressMethodToStr(int Method, uint16_t Flags, uint16_t Signature) const {
  return MethodName(ArcType(), Method, Flags, Signature);
}

std::string TZipCommon::DeflateLevelName(uint16_t ZipFlags) { return ::DeflateLevelName(ZipFlags); }

bool TZipCommon::CloseOutput(TUntypedFile& F, std::unique_ptr<TStream>& PassedStream) {
  switch (OutputMode) {
    case omFile: return CloseFileVar(F);
    case omPassedStream: PassedStream.reset(); return true;
    case 4: return false;  // memory output has nothing to close
    default: return true;
  }
}

bool TZipCommon::ShellDeleteFile(const std::string& Name) {
  return ::ShellDeleteFile(Name, DeleteOptions == TDeleteOptions::doAllowUndo);
}

bool TZipCommon::IsExtractableType() const {
  switch (ArcType()) {
    case atACE: case atArc: case atArcExe: case atArj: case atArjExe: case atBh: case atBhExe: case atCab:
    case atGZip: case atJar: case atLha: case atLhaExe: case atLzh: case atLzhExe: case atRar: case atRarExe:
    case atTar: case atUue: case atZip: case atZipExe: case atZipMV: case atZoo:
      return true;
    default:
      return false;
  }
}

bool TZipCommon::IsTestableType() const {
  switch (ArcType()) {
    case atACE: case atArc: case atArcExe: case atArj: case atArjExe: case atBh: case atBhExe: case atGZip:
    case atJar: case atLha: case atLhaExe: case atLzh: case atLzhExe: case atRar: case atRarExe: case atTar:
    case atZip: case atZipExe: case atZoo:
      return true;
    default:
      return false;
  }
}
