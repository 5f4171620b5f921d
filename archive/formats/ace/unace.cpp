#ifdef _WIN32

#include "archive/formats/ace/unace.h"

#include <windows.h>

#include <cstring>

#include "archive/core/arc_source.h"
#include "archive/core/arcutil.h"
#include "archive/formats/ace/ace_format.h"
#include "archive/formats/ace/unace_api.h"

namespace {

void* ACE_API NoOpen(ACEOpenArchiveData* D) {
  if (D) D->OpenResult = ACE_EOPEN;
  return nullptr;
}
int ACE_API NoClose(void*) { return 0; }
int ACE_API NoReadHeader(void*, ACEHeaderData*) { return ACE_BAD_CRC; }
int ACE_API NoProcess(void*, int, char*) { return ACE_UNSUPPORTED; }
void ACE_API NoSetPassword(void*, char*) {}

// Bound when the program starts; a missing library fails only the
// extraction that needs it.
struct TAceLibrary {
  void* Module = nullptr;
  TACEOpenArchive Open = NoOpen;
  TACECloseArchive Close = NoClose;
  TACEReadHeader ReadHeader = NoReadHeader;
  TACEProcessFile Process = NoProcess;
  TACESetPassword SetPassword = NoSetPassword;
  bool Loaded = false;
  TAceLibrary() : Module(LoadLibrarySilent("unace.dll")) {
    if (!Module) return;
    TAceLibrary B(0);
    bool Ok = true;
    BindLibraryProc(Module, "ACEOpenArchive", B.Open, Ok);
    BindLibraryProc(Module, "ACECloseArchive", B.Close, Ok);
    BindLibraryProc(Module, "ACEReadHeader", B.ReadHeader, Ok);
    BindLibraryProc(Module, "ACEProcessFile", B.Process, Ok);
    BindLibraryProc(Module, "ACESetPassword", B.SetPassword, Ok);
    if (!Ok) return;
    Open = B.Open, Close = B.Close, ReadHeader = B.ReadHeader, Process = B.Process, SetPassword = B.SetPassword;
    Loaded = true;
  }
  explicit TAceLibrary(int) {}
  ~TAceLibrary() { FreeLibraryModule(Module); }

 private:
  TAceLibrary(const TAceLibrary&) = delete;
};

TAceLibrary& Lib() {
  static TAceLibrary L;
  return L;
}
[[maybe_unused]] const TAceLibrary& StartBinding = Lib();

}  // namespace

TUnACE::TUnACE(TComponent* AOwner) : TUnLibrary(AOwner) {}

bool TUnACE::LibraryLoaded() { return Lib().Loaded; }
bool TUnACE::LibLoaded() const { return Lib().Loaded; }
int TUnACE::MissingLibraryError() const { return errNoAce; }
TUnLibrary::TLibCodes TUnACE::Codes() const { return {ACE_END_ARCHIVE, ACE_BAD_CRC, ACE_WRONG_PASSWORD}; }

int TUnACE::MapResult(int Result) const {
  switch (Result) {
    case 1: return 25253;
    case 3: return errFileNotFound;
    case 4: return 25157;
    case 5: return errOpenFile;
    case 6: return errReadFile;
    case 7: return errWriteFile;
    case 9: return errCrcCheck;
    case 128: case 132: return errBadArcType;
    case 131: return errBadPassword;
    case 255: return errUserAborted;
    default: return 0;
  }
}

int TUnACE::LibOpen(const std::string& Name) {
  std::string Copy = Name;
  ACEOpenArchiveData Od{};
  Od.ArcName = Copy.data();
  Od.OpenMode = ACE_OM_EXTRACT;
  Od.ChangeVolProc = VolumeProc;
  Od.ProcessDataProc = DataProc;
  FHandle = Lib().Open(&Od);
  if (!FHandle) return Od.OpenResult ? int(Od.OpenResult) : ACE_EOPEN;
  if (Od.OpenResult != 0) {
    LibClose();
    return int(Od.OpenResult);
  }
  return 0;
}

void TUnACE::LibClose() {
  if (FHandle) Lib().Close(FHandle);
  FHandle = nullptr;
}

int TUnACE::LibReadHeader(TLibEntry& E) {
  ACEHeaderData Hd{};
  const int R = Lib().ReadHeader(FHandle, &Hd);
  if (R != 0) return R;
  E.Name.assign(Hd.FileName, strnlen(Hd.FileName, sizeof(Hd.FileName)));
  E.PackSize = Hd.PackSize;
  E.UnpSize = Hd.UnpSize;
  E.Crc = Hd.FileCRC;
  E.FileTime = Hd.FileTime;
  E.Encrypted = (Hd.Flags & ACE_FLAG_PASSWORD) != 0;
  E.Folder = (Hd.FileAttr & 0x10) != 0;
  E.Attr = Hd.FileAttr;
  return 0;
}

int TUnACE::LibProcess(int Operation, char*, char* Name) { return Lib().Process(FHandle, Operation, Name); }

void TUnACE::LibSetPassword(char* Password) { Lib().SetPassword(FHandle, Password); }

void TUnACE::PreScan(const std::string& Volume) {
  TUntypedFile F;
  if (!F.OpenRead(Volume)) return;
  TUntypedFileSource Src(F, F.Size());
  AceMainHeader M;
  if (!FindAceMainHeader(Src, M)) return;
  uint64_t Pos = M.NextPos;
  AceFileHeader H;
  int Err = 0;
  while (ReadAceFileHeader(Src, Pos, H, Err)) {
    Pos = H.NextPos;
    if (H.IsDirectory() || H.ContinuedFromPrev()) continue;
    if (!IsFileIncluded(OemToAnsiStr(H.FileName))) continue;
    CountWanted(H.UnpackedSize, H.DosTime);
  }
}

#endif
