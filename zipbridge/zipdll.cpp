// Loading the outside Zip libraries, their command records, the callback
// they report through, and extraction through UNZENG.DLL.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "zipbridge/finally.h"
#include "zipbridge/zipbridge.h"

namespace {

struct TZipLib {
  HMODULE Handle = nullptr;
  FARPROC Exec = nullptr;
  FARPROC Version = nullptr;
};

TZipLib ZipLib;
TZipLib UnzLib;

// The unzip library's last password request, for AskExtractPassword.
std::string LastReqFile;
int LastReqNo = 0;

int32_t Flag(bool B) { return B ? ZipTrue : ZipFalse; }

struct TLibNames {
  const char* File;
  const char* Exec;
  const char* Version;
  int Missing, Loaded, ExecMissing, VersionMissing;
};
const TLibNames ZipNames = {"ZIPENG.DLL", "ZipEngExec", "GetZipEngVersion",
                            zmZipEngMissing, zmZipEngLoaded, zmZipExecMissing, zmZipVersionMissing};
const TLibNames UnzNames = {"UNZENG.DLL", "UnzEngExec", "GetUnzEngVersion",
                            zmUnzEngMissing, zmUnzEngLoaded, zmUnzExecMissing, zmUnzVersionMissing};

void Unload(TZipLib& Lib) {
  if (Lib.Handle) FreeLibrary(Lib.Handle);
  Lib = TZipLib();
}

}  // namespace

TPasswordDlgHook& PasswordDlgHook() {
  static TPasswordDlgHook Hook;
  return Hook;
}

char* TZipLibRecord::AddText(const std::string& S, size_t MinSize) {
  size_t Size = std::max(S.size() + 1, MinSize);
  auto Buf = std::make_unique<char[]>(Size);
  std::memset(Buf.get(), 0, Size);
  std::memcpy(Buf.get(), S.data(), S.size());
  FTexts.push_back(std::move(Buf));
  return FTexts.back().get();
}

namespace {

bool LoadLib(TZipBridge& Z, TZipLib& Lib, const TLibNames& Names) {
  std::string Path = Names.File;
  if (!Z.DLLDirectory().empty() && FileExists(Z.DLLDirectory() + "\\" + Names.File))
    Path = Z.DLLDirectory() + "\\" + Names.File;
  UINT OldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  HMODULE H = LoadLibraryA(Path.c_str());
  SetErrorMode(OldMode);
  if (!H) {
    Z.SetZipError(Names.Missing);
    return false;
  }
  if (Z.Trace) Z.SetZipError(Names.Loaded);
  FARPROC Version = GetProcAddress(H, Names.Version);
  FARPROC Exec = GetProcAddress(H, Names.Exec);
  if (!Version) Z.SetZipError(Names.VersionMissing);
  if (!Exec) Z.SetZipError(Names.ExecMissing);
  if (!Version || !Exec) {
    FreeLibrary(H);
    return false;
  }
  Lib.Handle = H;
  Lib.Exec = Exec;
  Lib.Version = Version;
  return true;
}

int LibVersion(const TZipLib& Lib) {
  return Lib.Version ? reinterpret_cast<ZipEngVersionFunc>(reinterpret_cast<void*>(Lib.Version))() : 0;
}

int32_t LibExec(const TZipLib& Lib, void* Record) {
  return reinterpret_cast<ZipEngExecFunc>(reinterpret_cast<void*>(Lib.Exec))(Record);
}

}  // namespace

int32_t TZipBridge::ExecZipEng(void* Record) { return ZipLib.Exec ? LibExec(ZipLib, Record) : 0; }

bool TZipBridge::LoadZipEng() { return LoadLib(*this, ZipLib, ZipNames); }
bool TZipBridge::LoadUnzEng() { return LoadLib(*this, UnzLib, UnzNames); }
void TZipBridge::UnloadZipEng() { Unload(ZipLib); }
void TZipBridge::UnloadUnzEng() { Unload(UnzLib); }
bool TZipBridge::ZipEngLoaded() { return ZipLib.Handle != nullptr; }
bool TZipBridge::UnzEngLoaded() { return UnzLib.Handle != nullptr; }

int TZipBridge::ZipEngVersion() {
  bool Here = !ZipLib.Handle;
  if (Here && !LoadZipEng()) return 0;
  int V = LibVersion(ZipLib);
  if (Here) UnloadZipEng();
  return V;
}

int TZipBridge::UnzEngVersion() {
  bool Here = !UnzLib.Handle;
  if (Here && !LoadUnzEng()) return 0;
  int V = LibVersion(UnzLib);
  if (Here) UnloadUnzEng();
  return V;
}

void TZipBridge::BuildZipCmd(TZipLibRecord& Holder, int LibVersion, const std::string& ArchiveName) {
  ZipCmdHead* H;
  ZipCmdRec* Short = nullptr;
  ZipCmdRecLong* Long = nullptr;
  if (LibVersion >= ZipEngShortRecordVersion) {
    Short = Holder.Alloc<ZipCmdRec>();
    H = &Short->Head;
  } else {
    Long = Holder.Alloc<ZipCmdRecLong>();
    H = &Long->Head;
  }
  H->Handle = Unattended ? nullptr : FHandle;
  H->Caller = this;
  H->Version = ZipRecordVersion;
  H->Callback = ZipCallback;
  H->Trace = Flag(Trace);
  H->Password = Holder.AddText(FPassword.substr(0, ZipMaxPasswordLen), ZipMaxPasswordLen + 1);
  static const char* const Suffixes[] = {"gif", "png", "z", "zip", "zoo", "arc",
                                         "lzh", "arj", "taz", "tgz", "lha", "exe"};
  std::string SuffixText;
  for (int i = assGIF; i <= assEXE; i++)
    if (InSet(AddStoreSuffixes, AddStoreSuffixEnum(i))) SuffixText += std::string(".") + Suffixes[i] + ":";
  if (!SuffixText.empty()) {
    SuffixText.pop_back();
    H->Suffix = Holder.AddText(SuffixText);
  }
  H->Encrypt = Flag(InSet(AddOptions, AddEncrypt));
  H->SystemFiles = Flag(InSet(AddOptions, AddHiddenFiles));
  H->NoDirEntries = InSet(AddOptions, AddSeparateDirs) ? 0 : -1;
  H->Verbose = Flag(Verbose || Trace);
  H->Reserved56 = -1;
  H->Level = AddCompLevel;
  H->JunkDir = InSet(AddOptions, AddDirNames) ? 0 : -1;
  H->Recurse = InSet(AddOptions, AddRecurseDirs) ? 0xFFFF : 0;
  H->Reserved80 = -1;
  H->ForceDOS = Flag(InSet(AddOptions, AddForceDOS));
  H->Move = Flag(InSet(AddOptions, AddMove));
  H->Delete = ZipFalse;
  H->Update = Flag(InSet(AddOptions, AddUpdate));
  H->Freshen = Flag(InSet(AddOptions, AddFreshen) && !InSet(AddOptions, AddUpdate));
  H->ZipTime = Flag(InSet(AddOptions, AddZipTime));
  H->ZipFileName = Holder.AddText(ArchiveName);

  int Count = FFSpecArgs->Count();
  if (Short) {
    if (!TempDir.empty()) Short->TempPath = Holder.AddText(TempDir);
    if (LibVersion >= ZipEngStreamVersion) {
      if (!FZipComment.empty()) Short->ArchComment = Holder.AddText(FZipComment);
      Short->ArchiveFilesOnly = InSet(AddOptions, AddArchiveOnly) ? 1 : 0;
      Short->ResetArchiveBit = InSet(AddOptions, AddResetArchive) ? 1 : 0;
      int Excl = FFSpecArgsExcl->Count();
      if (Excl > 0) {
        for (int i = 0; i < Excl; i++) Holder.Excludes.push_back(Holder.AddText(FFSpecArgsExcl->Strings(i)));
        Short->ExclCount = Excl;
        Short->Excludes = Holder.Excludes.data();
      }
    }
    Holder.ZipSpecs.assign(size_t(Count), ZipFileData{});
    for (int i = 0; i < Count; i++) Holder.ZipSpecs[size_t(i)].FileSpec = Holder.AddText(FFSpecArgs->Strings(i));
    Short->Specs = Holder.ZipSpecs.data();
    Short->Seven = 7;
  } else {
    Count = std::min(Count, int(ZipLongSpecCount));
    Long->Seven = 7;
    for (int i = 0; i < Count; i++) Long->Specs[i] = Holder.AddText(FFSpecArgs->Strings(i));
  }
  H->ArgCount = Count;
}

void TZipBridge::ClearZipCmdFlags(TZipLibRecord& Holder) {
  auto* H = static_cast<ZipCmdHead*>(Holder.Record());
  H->Encrypt = 0;
  H->JunkDir = 0;
  H->Recurse = 0;
  H->Reserved80 = 0;
  H->Move = 0;
  H->Update = 0;
  H->Freshen = 0;
  H->Delete = ZipTrue;
}

void TZipBridge::BuildUnzipCmd(TZipLibRecord& Holder, int LibVersion, const std::string& ArchiveName) {
  UnzipCmdHead* H;
  UnzipCmdRec* Short = nullptr;
  UnzipCmdRecLong* Long = nullptr;
  if (LibVersion >= UnzEngShortRecordVersion) {
    Short = Holder.Alloc<UnzipCmdRec>();
    H = &Short->Head;
  } else {
    Long = Holder.Alloc<UnzipCmdRecLong>();
    H = &Long->Head;
  }
  H->Handle = Unattended ? nullptr : FHandle;
  H->Caller = this;
  H->Version = ZipRecordVersion;
  H->Callback = ZipCallback;
  H->Trace = Flag(Trace);
  // Capped like the add record, so that what was encrypted can be decrypted.
  std::string Pw = FPassword.substr(0, ZipMaxPasswordLen);
  if (LibVersion < ZipEngStreamVersion && Unattended && InSet(AddOptions, AddEncrypt) && Pw.empty())
    Pw.assign(ZipMaxPasswordLen, '\x7F');
  H->Password = Holder.AddText(Pw);
  H->Test = Flag(InSet(ExtrOptions, ExtrTest));
  H->Reserved40 = -1;
  H->Verbose = Flag(Verbose || Trace);
  H->Update = Flag(InSet(ExtrOptions, ExtrUpdate));
  H->Freshen = Flag(InSet(ExtrOptions, ExtrFreshen) && !InSet(ExtrOptions, ExtrUpdate));
  H->DirNames = Flag(InSet(ExtrOptions, ExtrDirNames));
  H->Overwrite = Flag(InSet(ExtrOptions, ExtrOverWrite));
  H->ZipFileName = Holder.AddText(ArchiveName);
  int Count = FFSpecArgs->Count();
  if (Short) {
    Holder.UnzSpecs.assign(size_t(Count), UnzFileData{});
    for (int i = 0; i < Count; i++) Holder.UnzSpecs[size_t(i)].FileSpec = Holder.AddText(FFSpecArgs->Strings(i));
    Short->Specs = Holder.UnzSpecs.data();
    if (LibVersion >= ZipEngStreamVersion) Short->PasswordReqCount = int32_t(FPasswordReqCount);
    Short->Seven = 7;
  } else {
    Count = std::min(Count, int(ZipLongSpecCount));
    Long->Seven = 7;
    for (int i = 0; i < Count; i++) Long->Specs[i] = Holder.AddText(FFSpecArgs->Strings(i));
  }
  H->ArgCount = Count;
}

int32_t ZIPENG_CALL ZipCallback(ZipCallbackRec* Rec) {
  if (!Rec || !Rec->Caller) return 0;
  TZipBridge& Z = *static_cast<TZipBridge*>(Rec->Caller);
  size_t Len = strnlen(Rec->Text, ZipTextSize);
  std::string Raw(Rec->Text, Len);
  std::string Text = Raw;
  while (!Text.empty() && uint8_t(Text.back()) <= ' ') Text.pop_back();
  std::replace(Text.begin(), Text.end(), '/', '\\');
  uint32_t Size = uint32_t(Rec->FileSize);

  switch (Rec->ActionCode) {
    case cbNewFile:
      if (Z.OnProgress) Z.OnProgress(&Z, ptNewFile, Text, Size);
      break;
    case cbProgress:
      if (Z.OnProgress) Z.OnProgress(&Z, ptProgress, "", Size);
      break;
    case cbEndBatch:
      if (Z.OnProgress) Z.OnProgress(&Z, ptEndOfBatch, "", 0);
      break;
    case cbMessage:
      Z.Message = Text;
      if (Rec->ErrorCode != 0) {
        Z.ErrCode = Rec->ErrorCode & 0xFF;
        Z.FFullErrCode = Rec->ErrorCode;
      }
      if (Z.OnMessage) Z.OnMessage(&Z, Rec->ErrorCode, Text);
      break;
    case cbTotalFiles:
      if (Z.OnProgress) Z.OnProgress(&Z, ptTotalFiles, "", Size);
      break;
    case cbTotalSize:
      Z.FTotalSize = Size;
      if (Z.OnProgress) Z.OnProgress(&Z, ptTotalSize, "", Size);
      break;
    case cbNewName:
      if (Z.OnSetNewName) {
        std::string Name = Raw;
        bool IsChanged = false;
        Z.OnSetNewName(&Z, Name, IsChanged);
        if (IsChanged) {
          size_t N = std::min(Name.size(), size_t(ZipTextSize - 1));
          std::memcpy(Rec->Text, Name.data(), N);
          Rec->Text[N] = '\0';
          Rec->ActionCode = cbNameChanged;
        }
      }
      break;
    case cbPassword:
      Z.HandlePasswordRequest(*Rec, Text);
      break;
    case cbCRCError:
      if (Z.OnCRC32Error) {
        bool DoExtract = true;
        Z.OnCRC32Error(&Z, Text, uint32_t(Rec->ErrorCode), Size, DoExtract);
        Rec->ErrorCode = DoExtract ? 1 : 0;
      } else {
        Rec->ErrorCode = CRCErrorNoHandler;
      }
      break;
    case cbOverwrite:
      if (Z.OnExtractOverwrite) {
        bool DoOverwrite = (Rec->FileSize & 0xFF) != 0;
        Z.OnExtractOverwrite(&Z, Text, (Rec->ErrorCode & 1) != 0, DoOverwrite);
        Rec->FileSize = DoOverwrite ? 1 : 0;
      }
      break;
    case cbSkipped:
      if (Z.OnExtractSkipped) Z.OnExtractSkipped(&Z, Text, UnZipSkipTypes(Rec->FileSize & 0xFF), Rec->ErrorCode);
      break;
    default:
      break;
  }
  ProcessMessages();
  return Z.Cancel ? -1 : 0;
}

void TZipBridge::HandlePasswordRequest(ZipCallbackRec& Rec, const std::string& Text) {
  std::string Answer;
  uint32_t RepeatCount = uint32_t(Rec.FileSize);
  FPasswordDlgFlag = false;
  if (OnPasswordError) {
    OnPasswordError(this, Answer, Text, RepeatCount);
  } else if (Rec.ErrorCode & 1) {
    AskAddPassword(Answer);
  } else {
    LastReqFile = Text;
    LastReqNo = Rec.FileSize;
    AskExtractPassword(Answer);
  }
  if (!Answer.empty()) {
    size_t N = std::min(Answer.size(), size_t(ZipMaxPasswordLen));
    std::memcpy(Rec.Text, Answer.data(), N);
    Rec.Text[N] = '\0';
    Rec.ErrorCode = 1;
  } else {
    RepeatCount = 0;
    Rec.ErrorCode = 0;
  }
  Rec.FileSize = int32_t(std::min<uint32_t>(RepeatCount, 15));
  FPasswordDlgFlag = true;
}

void TZipBridge::AskAddPassword(std::string& Result) {
  Result.clear();
  if (Unattended) {
    SetZipError(zmNoAddPassword);
    return;
  }
  std::string Title = ZipMsgText(zmPasswordTitle), First, Second;
  if (!ShowPasswordDlg(Title, ZipMsgText(zmEnterPassword), First) || First.empty()) return;
  if (!ShowPasswordDlg(Title, ZipMsgText(zmConfirmPassword), Second) || Second.empty()) return;
  if (First != Second) {
    SetZipError(zmPasswordsDiffer);
    return;
  }
  Result = First;
  if (FPasswordDlgFlag) SetPassword(First);
}

void TZipBridge::AskExtractPassword(std::string& Result) {
  Result.clear();
  std::string Name = ExtractFileName(LastReqFile);
  std::string Prompt = LastReqNo == 2 ? "Enter password for " + Name + ":"
                                      : "Wrong password, please re-enter for " + Name + ": ";
  if (Unattended) {
    SetZipError(zmNoExtractPassword);
    return;
  }
  std::string Text;
  if (ShowPasswordDlg(ZipMsgText(zmPasswordTitle), Prompt, Text) && !Text.empty()) {
    Result = Text;
    if (FPasswordDlgFlag) SetPassword(Text);
  }
}

void TZipBridge::RunExtract(int Mode) {
  SuccessCnt = 0;
  uint32_t SavedReqCount = FPasswordReqCount;
  if (FZipFileName.empty() || !FileExists(FZipFileName)) {
    SetZipError(zmNoZipSpecified);
    return;
  }
  if (FUnzipBusy) return;
  bool ToMemory = (Mode & (rxToMemory | rxToMemory2)) != 0;
  bool ToFiles = !ToMemory && !InSet(ExtrOptions, ExtrTest);
  // Files go into ExtrBaseDir only; the process's current folder is no
  // guess for where the user wanted them.
  if (ToFiles && (ExtrBaseDir.empty() || !DirectoryExists(ExtrBaseDir))) {
    SetZipError(zmNoExtractDir, ExtrBaseDir);
    return;
  }
  if (Unattended && FPassword.empty() && !OnPasswordError) {
    FPasswordReqCount = 0;
    SetZipError(zmUnattendedExtract);
  }

  FUnzipBusy = true;
  Cancel = false;
  bool LoadedHere = false;
  std::string OldDir;
  TFinally Cleanup{[&] {
    if (!OldDir.empty()) SetCurrentDir(OldDir);
    FPasswordReqCount = SavedReqCount;
    if (LoadedHere) UnloadUnzEng();
    FFSpecArgs->Clear();
    FRunningRecord = nullptr;
    Cancel = false;
    FUnzipBusy = false;
  }};
  if (!UnzLib.Handle) {
    if (!LoadUnzEng()) return;
    LoadedHere = true;
  }

  std::string Archive = ExpandFileName(FZipFileName);
  std::string Joined;
  TFinally DropJoined{[&] {
    if (!Joined.empty()) DeleteFile(Joined);
  }};
  if (FLastDisk > 0) {
    std::string Folder = TempDir.empty() ? GetTempDir() : IncludeTrailingBackslash(TempDir);
    std::string OutPath = Folder;
    if (ReadSpannedSet(FZipFileName, OutPath) != 0) return;
    Joined = Archive = OutPath;
  }
  int Version = LibVersion(UnzLib);
  if (ToMemory && Version < ZipEngStreamVersion) {
    SetZipError(zmNoStreams);
    return;
  }

  TZipLibRecord Holder;
  BuildUnzipCmd(Holder, Version, Archive);
  if (ToMemory) {
    auto* R = static_cast<UnzipCmdRec*>(Holder.Record());
    std::string Wanted = FFSpecArgs->Count() > 0 ? FFSpecArgs->Strings(0) : std::string();
    const ZipDirEntry* Found = nullptr;
    for (const auto& E : FZipContents)
      if (E->FileName == Wanted) {
        Found = E.get();
        break;
      }
    if (!Found) {
      FZipStream.Clear();
      return;
    }
    try {
      FZipStream.SetSize(Found->UncomprSize);
    } catch (const std::exception&) {
      FZipStream.Clear();
      SetZipError(zmNoMemory);
      return;
    }
    R->UseMemory = -1;
    R->Memory = static_cast<uint8_t*>(FZipStream.Memory());
    R->MemorySize = int32_t(Found->UncomprSize);
    R->Head.ArgCount = 1;
  }

  if (DirectoryExists(ExtrBaseDir)) {
    OldDir = GetCurrentDir();
    if (!SetCurrentDir(ExtrBaseDir)) OldDir.clear();
  }
  FRunningRecord = &Holder;
  SuccessCnt = LibExec(UnzLib, Holder.Record());
  FRunningRecord = nullptr;
  if (ToMemory && SuccessCnt != 1) FZipStream.Clear();
}
