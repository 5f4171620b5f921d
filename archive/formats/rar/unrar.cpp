#ifdef _WIN32

#include "archive/formats/rar/unrar.h"

#include <windows.h>

#include <cstring>

#include "archive/core/arc_source.h"
#include "archive/core/arcutil.h"
#include "archive/formats/rar/rar_format.h"
#include "archive/formats/rar/unrar_api.h"
#include "framework/core/os.h"

namespace {

void* RAR_API NoOpen(RAROpenArchiveData* D) {
  if (D) D->OpenResult = ERAR_EOPEN;
  return nullptr;
}
int RAR_API NoClose(void*) { return 0; }
int RAR_API NoReadHeader(void*, RARHeaderData*) { return ERAR_BAD_DATA; }
int RAR_API NoProcess(void*, int, char*, char*) { return ERAR_BAD_ARCHIVE; }
void RAR_API NoSetVol(void*, TRarChangeVolProc) {}
void RAR_API NoSetData(void*, TRarProcessDataProc) {}
void RAR_API NoSetPassword(void*, char*) {}

template <class F>
void Bind(void* Module, const char* Name, F& Slot, bool& Ok) {
  void* P = GetLibraryProc(Module, Name);
  if (P) {
    Slot = reinterpret_cast<F>(P);
  } else {
    Ok = false;
  }
}

// Bound when the program starts; a missing library fails only the
// extraction that needs it.
struct TRarLibrary {
  void* Module = nullptr;
  TRAROpenArchive Open = NoOpen;
  TRARCloseArchive Close = NoClose;
  TRARReadHeader ReadHeader = NoReadHeader;
  TRARProcessFile Process = NoProcess;
  TRARSetChangeVolProc SetVol = NoSetVol;
  TRARSetProcessDataProc SetData = NoSetData;
  TRARSetPassword SetPassword = NoSetPassword;
  bool Loaded = false;
  TRarLibrary() : Module(LoadLibrarySilent("unrar.dll")) {
    if (!Module) return;
    TRarLibrary B(0);
    bool Ok = true;
    Bind(Module, "RAROpenArchive", B.Open, Ok);
    Bind(Module, "RARCloseArchive", B.Close, Ok);
    Bind(Module, "RARReadHeader", B.ReadHeader, Ok);
    Bind(Module, "RARProcessFile", B.Process, Ok);
    Bind(Module, "RARSetChangeVolProc", B.SetVol, Ok);
    Bind(Module, "RARSetProcessDataProc", B.SetData, Ok);
    Bind(Module, "RARSetPassword", B.SetPassword, Ok);
    if (!Ok) return;
    Open = B.Open, Close = B.Close, ReadHeader = B.ReadHeader, Process = B.Process;
    SetVol = B.SetVol, SetData = B.SetData, SetPassword = B.SetPassword;
    Loaded = true;
  }
  explicit TRarLibrary(int) {}
  ~TRarLibrary() { FreeLibraryModule(Module); }

 private:
  TRarLibrary(const TRarLibrary&) = delete;
};

TRarLibrary& Lib() {
  static TRarLibrary L;
  return L;
}
[[maybe_unused]] const TRarLibrary& StartBinding = Lib();

TUnRAR* GRunning = nullptr;

// No exception may cross the library's frames.
int RAR_API DataProc(unsigned char* Addr, int Size) {
  if (!GRunning) return 0;
  try {
    return GRunning->DataReceived(Addr, Size);
  } catch (...) {
    if (!GRunning->Pending) GRunning->Pending = std::current_exception();
    return 0;
  }
}

int RAR_API VolumeProc(char* Name, int Mode) {
  if (!GRunning) return 0;
  try {
    return GRunning->ChangeVolume(Name, Mode);
  } catch (...) {
    if (!GRunning->Pending) GRunning->Pending = std::current_exception();
    return 0;
  }
}

bool IsFolder(uint32_t HostOs, uint32_t Attr, uint32_t Flags) {
  if ((Flags & RarFileDirMask) == RarFileDirMask) return true;
  // Archives made on Unix keep the mode bits in the attribute field.
  if (HostOs == 3) return (Attr & 0xF000) == 0x4000;
  return (Attr & 0x10) != 0;
}

}  // namespace

TUnRAR::TUnRAR(TComponent* AOwner) : TUnBase(AOwner) {}

bool TUnRAR::LibraryLoaded() { return Lib().Loaded; }

int TUnRAR::MapResult(int Result) {
  switch (Result) {
    case 10: return 25159;
    case 11: return 25253;
    case 12: return errBadHeader;
    case 13: case 14: return errBadArcType;
    case 15: return errOpenFile;
    case 16: case 19: return errWriteFile;
    case 17: return errCloseFile;
    case 18: return errReadFile;
    case 21: return 25135;
    case 22: return errBadPassword;
    default: return 0;
  }
}

int TUnRAR::DataReceived(const uint8_t* Data, int Size) {
  if (Cancel) return 0;
  RunRemaining = std::max<int64_t>(RunRemaining - Size, 0);
  if (FSkipping) {
    DoProgress(0, 0, RunRemaining, RunTotal);
    return 1;
  }
  FFileLeft = std::max<int64_t>(FFileLeft - Size, 0);
  DoProgress(int64_t(uint32_t(Entry.UnpackedSize)) - FFileLeft, uint32_t(Entry.UnpackedSize), RunRemaining, RunTotal);
  if (OutputMode == omTest && Size > 0) UpdateCrc(32, Data, size_t(Size));
  return 1;
}

int TUnRAR::ChangeVolume(char* Name, int) {
  if (!OnNextVolume) return 0;
  std::string Chosen = Name;
  if (!RequestNextVolume(nullptr, Chosen, IntToStr(NextVolumeNumber))) return 0;
  if (Chosen.size() >= MAX_PATH) return 0;
  std::memcpy(Name, Chosen.c_str(), Chosen.size() + 1);
  // The wanted entries that start in this volume.
  const int64_t Before = RunTotal;
  PreScan(Chosen);
  RunRemaining += RunTotal - Before;
  return 1;
}

void TUnRAR::PreScan(const std::string& Volume) {
  TUntypedFile F;
  if (!F.OpenRead(Volume)) RaiseError(Volume, errOpenFile);
  TUntypedFileSource Src(F, F.Size());
  RarArchive A;
  int Err = 0;
  if (!ReadRarArchiveHeader(Src, 0, A, Err)) return;
  uint64_t Pos = A.FirstBlockPos;
  RarBlock B;
  while (ReadRarBlock(Src, Pos, B, Err)) {
    Pos = B.NextPos;
    if (!B.IsFile() || B.SplitBefore() || IsFolder(B.HostOs, B.Attributes, B.Flags)) continue;
    if (!IsFileIncluded(OemToAnsiStr(B.FileName))) continue;
    ++FWanted;
    RunTotal += int64_t(B.UnpackedSize);
    if (B.FileTime > uint32_t(MaxFileDate)) MaxFileDate = int(B.FileTime);
  }
}

void TUnRAR::ExtractArchive(TUntypedFile&) {
  if (!Lib().Loaded) RaiseError(ArchiveFile(), errNoUnrar);
  RunTotal = RunRemaining = 0;
  FWanted = 0;
  PreScan(ArchiveFile());
  RunRemaining = RunTotal;
  std::string Name = ArchiveFile();
  RAROpenArchiveData Od{};
  Od.ArcName = Name.data();
  Od.OpenMode = RAR_OM_EXTRACT;
  void* H = Lib().Open(&Od);
  if (!H || Od.OpenResult != 0) RaiseError(ArchiveFile(), MapResult(int(Od.OpenResult)) ? MapResult(int(Od.OpenResult)) : errOpenFile);
  GRunning = this;
  Pending = nullptr;
  struct TClose {
    void* H;
    ~TClose() {
      Lib().Close(H);
      GRunning = nullptr;
    }
  } Close{H};
  Lib().SetVol(H, VolumeProc);
  Lib().SetData(H, DataProc);
  const bool Testing = OutputMode == omTest;
  int Done = 0;
  RARHeaderData Hd{};
  auto Skip = [&]() {
    FSkipping = true;
    Lib().Process(H, RAR_SKIP, nullptr, nullptr);
    FSkipping = false;
  };
  while (!Cancel) {
    const int R = Lib().ReadHeader(H, &Hd);
    if (Pending) std::rethrow_exception(std::exchange(Pending, nullptr));
    if (R != 0) {
      if (R != ERAR_END_ARCHIVE) ReportError(ArchiveFile(), "", MapResult(R));
      break;
    }
    const std::string Stored = OemToAnsiStr(std::string(Hd.FileName, strnlen(Hd.FileName, sizeof(Hd.FileName))));
    if (IsFolder(Hd.HostOS, Hd.FileAttr, Hd.Flags) || !IsFileIncluded(Stored)) {
      Skip();
      continue;
    }
    StartEntry();
    Entry.FileName = Stored;
    Entry.PackedSize = int32_t(Hd.PackSize);
    Entry.UnpackedSize = int32_t(Hd.UnpSize);
    Entry.Crc = Hd.FileCRC;
    Entry.Encrypted = (Hd.Flags & RarFilePassword) != 0;
    FFileLeft = Hd.UnpSize;
    if (!SetEntryFileName(Stored)) {
      Skip();
      continue;
    }
    bool Exists = false, Extract = false;
    if (!BeginEntry(DosDateToDateTime(int(Hd.FileTime)), Exists, Extract)) break;
    if (!Extract) {
      Skip();
      RunRemaining = std::max<int64_t>(RunRemaining - int64_t(Hd.UnpSize), 0);
      DoProgress(0, 0, RunRemaining, RunTotal);
      continue;
    }
    if (Entry.Encrypted && !Password.empty()) Lib().SetPassword(H, Password.data());
    int Result;
    std::string Temp;
    if (Testing) {
      Result = Lib().Process(H, RAR_TEST, nullptr, nullptr);
    } else {
      // The library writes beside the target; an existing file is replaced
      // only by a complete, sound copy.
      std::string Dir = ExtractFilePath(OutFileName);
      ForceDirectories(Dir);
      Temp = MakeTempFileName(Dir, "arc");
      if (Temp.empty()) {
        Skip();
        ReportError(OutFileName, "", errOpenFile);
        continue;
      }
      Result = Lib().Process(H, RAR_EXTRACT, Dir.data(), Temp.data());
    }
    if (Pending) {
      if (!Temp.empty()) DeleteFile(Temp);
      std::rethrow_exception(std::exchange(Pending, nullptr));
    }
    bool Pass = Result == 0 && (!Testing || (Crc32 ^ 0xFFFFFFFFu) == Hd.FileCRC);
    if (!Testing) {
      if (Pass) {
        FileSetAttr(OutFileName, faArchive);
        Pass = MoveFileReplace(Temp, OutFileName);
        if (Pass) {
          FileSetDate(OutFileName, DateAttribute == TDateAttribute::daMaxFileDate ? MaxFileDate : int(Hd.FileTime));
          const uint32_t Attr = Hd.HostOS == 3 ? 32u : Hd.FileAttr;
          if (RestoreFileAttr && Attr != 32) FileSetAttr(OutFileName, int(Attr & (faReadOnly | faHidden | faSysFile | faArchive)));
        }
      }
      if (FileExists(Temp)) DeleteFile(Temp);
    }
    ++Done;
    if (Result != 0 && Result != ERAR_BAD_DATA) {
      // Not decoded (an unsupported method, no password): reported, and the
      // next entry goes on.
      ReportError(ReportName(), "", MapResult(Result));
      EndEntry(false, false);
    } else {
      EndEntry(Pass, true);
      if (!Pass) break;
    }
    if (Done >= FWanted) break;
  }
}

#endif
