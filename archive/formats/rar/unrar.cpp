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
    BindLibraryProc(Module, "RAROpenArchive", B.Open, Ok);
    BindLibraryProc(Module, "RARCloseArchive", B.Close, Ok);
    BindLibraryProc(Module, "RARReadHeader", B.ReadHeader, Ok);
    BindLibraryProc(Module, "RARProcessFile", B.Process, Ok);
    BindLibraryProc(Module, "RARSetChangeVolProc", B.SetVol, Ok);
    BindLibraryProc(Module, "RARSetProcessDataProc", B.SetData, Ok);
    BindLibraryProc(Module, "RARSetPassword", B.SetPassword, Ok);
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

}  // namespace

TUnRAR::TUnRAR(TComponent* AOwner) : TUnLibrary(AOwner) {}

bool TUnRAR::LibraryLoaded() { return Lib().Loaded; }
bool TUnRAR::LibLoaded() const { return Lib().Loaded; }
int TUnRAR::MissingLibraryError() const { return errNoUnrar; }
TUnLibrary::TLibCodes TUnRAR::Codes() const { return {ERAR_END_ARCHIVE, ERAR_BAD_DATA, ERAR_MISSING_PASSWORD}; }

int TUnRAR::MapResult(int Result) const {
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

int TUnRAR::LibOpen(const std::string& Name) {
  std::string Copy = Name;
  RAROpenArchiveData Od{};
  Od.ArcName = Copy.data();
  Od.OpenMode = RAR_OM_EXTRACT;
  FHandle = Lib().Open(&Od);
  if (!FHandle) return Od.OpenResult ? int(Od.OpenResult) : ERAR_EOPEN;
  if (Od.OpenResult != 0) {
    LibClose();
    return int(Od.OpenResult);
  }
  Lib().SetVol(FHandle, VolumeProc);
  Lib().SetData(FHandle, DataProc);
  return 0;
}

void TUnRAR::LibClose() {
  if (FHandle) Lib().Close(FHandle);
  FHandle = nullptr;
}

int TUnRAR::LibReadHeader(TLibEntry& E) {
  RARHeaderData Hd{};
  const int R = Lib().ReadHeader(FHandle, &Hd);
  if (R != 0) return R;
  E.Name.assign(Hd.FileName, strnlen(Hd.FileName, sizeof(Hd.FileName)));
  E.PackSize = Hd.PackSize;
  E.UnpSize = Hd.UnpSize;
  E.Crc = Hd.FileCRC;
  E.FileTime = Hd.FileTime;
  E.Encrypted = (Hd.Flags & RarFilePassword) != 0;
  // Unix mode bits are no DOS attributes.
  E.Attr = RarDosAttributes(uint8_t(Hd.HostOS), Hd.FileAttr, uint16_t(Hd.Flags));
  E.Folder = (E.Attr & faDirectory) != 0;
  return 0;
}

int TUnRAR::LibProcess(int Operation, char* Dir, char* Name) { return Lib().Process(FHandle, Operation, Dir, Name); }

void TUnRAR::LibSetPassword(char* Password) { Lib().SetPassword(FHandle, Password); }

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
    if (!B.IsFile() || B.SplitBefore() || B.IsDirectory()) continue;
    if (!IsFileIncluded(B.AnsiName())) continue;
    CountWanted(B.UnpackedSize, B.FileTime);
  }
}

#endif
