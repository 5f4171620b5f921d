#ifdef _WIN32

#include "archive/formats/cab/makecab.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/formats/cab/cablib_win.h"
#include "archive/formats/cab/uncab.h"
#include "framework/core/os.h"

static_assert(sizeof(TCCAB) == sizeof(CCAB));
static_assert(offsetof(TCCAB, setID) == offsetof(CCAB, setID));
static_assert(offsetof(TCCAB, szCab) == offsetof(CCAB, szCab));
static_assert(offsetof(TCCAB, szCabPath) == offsetof(CCAB, szCabPath));

namespace {

TMakeCAB* Self(void* Pv) { return static_cast<TMakeCAB*>(Pv); }

// No exception may cross the library's frames: it waits in Pending, the
// callback reports failure and the caller rethrows.
template <class R, class F>
R Guarded(void* Pv, R Failure, int* Err, F&& Body) {
  if (Err) *Err = 0;
  try {
    return Body(*Self(Pv));
  } catch (...) {
    if (!Self(Pv)->Pending) Self(Pv)->Pending = std::current_exception();
    if (Err) *Err = -1;
    return Failure;
  }
}

void* DIAMONDAPI FciAlloc(ULONG Size) { return std::malloc(Size); }
void DIAMONDAPI FciFree(void* P) { std::free(P); }
int DIAMONDAPI FciFilePlaced(PCCAB, char*, LONG, BOOL, void*) { return 0; }
LONG DIAMONDAPI FciStatus(UINT, ULONG, ULONG, void*) { return 0; }

INT_PTR DIAMONDAPI FciOpen(char* Name, int Flags, int, int* Err, void* Pv) {
  return Guarded<INT_PTR>(Pv, -1, Err, [&](TMakeCAB& C) { return INT_PTR(C.Handler()->Open(Name, Flags, *Err)); });
}
UINT DIAMONDAPI FciRead(INT_PTR H, void* Buf, UINT Count, int* Err, void* Pv) {
  return Guarded<UINT>(Pv, UINT(-1), Err, [&](TMakeCAB& C) {
    const uint32_t N = C.Handler()->Read(H, Buf, Count, *Err);
    C.CountRead(H, N);
    return UINT(N);
  });
}
UINT DIAMONDAPI FciWrite(INT_PTR H, void* Buf, UINT Count, int* Err, void* Pv) {
  return Guarded<UINT>(Pv, UINT(-1), Err, [&](TMakeCAB& C) { return UINT(C.Handler()->Write(H, Buf, Count, *Err)); });
}
int DIAMONDAPI FciClose(INT_PTR H, int* Err, void* Pv) {
  return Guarded<int>(Pv, -1, Err, [&](TMakeCAB& C) {
    C.ForgetHandle(H);
    return C.Handler()->Close(H, *Err);
  });
}
LONG DIAMONDAPI FciSeek(INT_PTR H, LONG Distance, int Origin, int* Err, void* Pv) {
  return Guarded<LONG>(Pv, -1, Err, [&](TMakeCAB& C) { return LONG(C.Handler()->Seek(H, Distance, Origin, *Err)); });
}
int DIAMONDAPI FciDelete(char* Name, int* Err, void* Pv) {
  return Guarded<int>(Pv, -1, Err, [&](TMakeCAB& C) { return C.Handler()->Delete(Name, *Err); });
}
BOOL DIAMONDAPI FciTempFile(char* Buf, int Size, void* Pv) {
  return Guarded<BOOL>(Pv, FALSE, nullptr, [&](TMakeCAB& C) -> BOOL {
    const std::string Name = C.GetTempFile();
    if (Name.empty() || int(Name.size()) >= Size) return FALSE;
    // The library creates the file itself.
    DeleteFile(Name);
    std::memcpy(Buf, Name.c_str(), Name.size() + 1);
    return TRUE;
  });
}
BOOL DIAMONDAPI FciNextCabinet(PCCAB Params, ULONG PrevSize, void* Pv) {
  return Guarded<BOOL>(Pv, FALSE, nullptr, [&](TMakeCAB& C) -> BOOL {
    TCCAB P;
    std::memcpy(&P, Params, sizeof(P));
    std::string NewName;
    bool Abort = true;
    if (!C.GetNextCabinet(P, int(std::min<ULONG>(PrevSize, INT32_MAX)), NewName, Abort) || Abort) return FALSE;
    const std::string File = ExtractFileName(NewName), Dir = ExtractFilePath(NewName);
    if (File.size() >= sizeof(P.szCab) || Dir.size() >= sizeof(P.szCabPath)) return FALSE;
    std::memcpy(P.szCab, File.c_str(), File.size() + 1);
    std::memcpy(P.szCabPath, Dir.c_str(), Dir.size() + 1);
    std::memcpy(Params, &P, sizeof(P));
    return TRUE;
  });
}
INT_PTR DIAMONDAPI FciOpenInfo(char* Name, USHORT* Date, USHORT* Time, USHORT* Attr, int* Err, void* Pv) {
  return Guarded<INT_PTR>(Pv, -1, Err, [&](TMakeCAB& C) {
    uint16_t D = 0, T = 0, A = 0;
    const intptr_t H = C.GetOpenInfo(Name, D, T, A, *Err);
    *Date = D;
    *Time = T;
    *Attr = A;
    return INT_PTR(H);
  });
}

}  // namespace

TCabInterface::TCabInterface(TComponent* AOwner)
    : TCompBase(AOwner), FHandler(new TStreamCabinetFileHandler(this)) {}

TCabInterface::~TCabInterface() { DestroyContext(); }

void TCabInterface::DestroyContext() {
  if (FContext) CabinetFci().Destroy(FContext);
  FContext = nullptr;
}

TMakeCAB::TMakeCAB(TComponent* AOwner) : TCabInterface(AOwner) {
  SetWriterDefaultExt(".CAB");
  SetCompressMethod(TCompressMethod::cmMsZip);
  SetWriterArcType(atCab);
  StoredDirNames = TStoredDirNames::sdRelative;
}

void TMakeCAB::SetLzxLevel(int Value) { FLzxLevel = std::clamp(Value, 15, 21); }
void TMakeCAB::SetQuantumLevel(int Value) { FQuantumLevel = std::clamp(Value, 1, 7); }
void TMakeCAB::SetQuantumMemory(int Value) { FQuantumMemory = std::clamp(Value, 10, 21); }

int TMakeCAB::CompressionCode() const {
  switch (CompressMethod()) {
    case TCompressMethod::cmMsZip: return 1;
    case TCompressMethod::cmLzx: return (FLzxLevel << 8) | 3;
    case TCompressMethod::cmQuantum: {
      const int T = QuantumType == TCompressionType::ctStore ? 0 : QuantumType == TCompressionType::ctMsZip ? 1 : 3;
      return (FQuantumMemory << 8) | (FQuantumLevel << 4) | T;
    }
    default: return 0;
  }
}

bool TMakeCAB::GetNextCabinet(TCCAB& Parameters, int PreviousSize, std::string& NewName, bool& Abort) {
  if (OnGetNextCabinet) OnGetNextCabinet(this, Parameters, NewName, PreviousSize, Abort);
  return !Abort;
}

std::string TMakeCAB::GetTempFile() { return CreateTempFileName(); }

void TMakeCAB::CountRead(intptr_t Handle, uint32_t Count) {
  if (!FSourceHandles.count(Handle) || Count == 0 || Count == uint32_t(-1)) return;
  BytesToRead = std::max<int64_t>(BytesToRead - Count, 0);
  RunRemaining = std::max<int64_t>(RunRemaining - Count, 0);
  DoProgress(FileSize - BytesToRead, FileSize, RunRemaining, RunTotal);
}

intptr_t TMakeCAB::GetOpenInfo(const std::string& Name, uint16_t& Date, uint16_t& Time, uint16_t& Attr, int& Error) {
  const DWORD A = GetFileAttributesA(Name.c_str());
  if (A == INVALID_FILE_ATTRIBUTES) {
    Error = int(GetLastError());
    return -1;
  }
  // Only the attributes a cabinet keeps: 0x80 would mark a UTF-8 name.
  Attr = uint16_t(A & (faReadOnly | faHidden | faSysFile | faArchive));
  const intptr_t H = FHandler->Open(Name, 0, Error);
  if (H == -1 || Error != 0) return -1;
  FSourceHandles.insert(H);
  const int Dos = GetStoredFileDate(Name);
  Date = uint16_t(uint32_t(Dos) >> 16);
  Time = uint16_t(Dos & 0xFFFF);
  if (OnRead) {
    Entry.PackedSize = Entry.UnpackedSize = uint32_t(std::min<int64_t>(GetFileSize64(Name), UINT32_MAX));
    Entry.Date = DosDateToDateTime(Dos);
    Entry.ExternalAttr = Attr;
    Entry.Crc = 0;
    Entry.Ratio = 0;
    Entry.Encrypted = false;
    Entry.VolumeName = ArchiveFile();
  }
  return H;
}

void TMakeCAB::Check(bool Ok) {
  if (Pending) std::rethrow_exception(std::exchange(Pending, nullptr));
  if (Ok) return;
  CheckCabError(FErf);
  RaiseError(ArchiveFile(), errWriteFile);
}

void TMakeCAB::CreateContext(const std::string& CabName) {
  CCAB P;
  std::memset(&P, 0, sizeof(P));
  P.cb = 0x7FFFFFFF;
  P.cbFolderThresh = 900000;
  P.fFailOnIncompressible = FailOnIncompressible;
  const std::string File = ExtractFileName(CabName), Dir = ExtractFilePath(CabName);
  if (File.size() >= sizeof(P.szCab) || Dir.size() >= sizeof(P.szCabPath)) RaiseError(CabName, errBadFileName);
  std::memcpy(P.szCab, File.c_str(), File.size() + 1);
  std::memcpy(P.szCabPath, Dir.c_str(), Dir.size() + 1);
  FErf = TCabErrorRecord();
  FContext = CabinetFci().Create(reinterpret_cast<PERF>(&FErf), FciFilePlaced, FciAlloc, FciFree, FciOpen, FciRead,
                                 FciWrite, FciClose, FciSeek, FciDelete, FciTempFile, &P, this);
  if (!FContext) {
    Check(false);
  }
}

void TMakeCAB::AddFile(const std::string& Source, std::string Stored) {
  switch (CompressMethod()) {
    case TCompressMethod::cmStore: Entry.Method = 0; Entry.MethodName = "Stored"; break;
    case TCompressMethod::cmMsZip: Entry.Method = 1; Entry.MethodName = "MsZIP"; break;
    case TCompressMethod::cmLzx: Entry.Method = 2; Entry.MethodName = "Lzx"; break;
    case TCompressMethod::cmQuantum: Entry.Method = uint16_t(QuantumType); Entry.MethodName = "Quantum"; break;
    default: break;
  }
  std::string Src = Source;
  // The system's library fails to write a folder that holds no data. It
  // writes LZX and Quantum as stored folders, each file in a folder of its
  // own: an empty file joins the stored folder before it (empty files come
  // last, see ProcessWorkList).
  int Code = CompressionCode();
  if (GetFileSize64(Source) == 0 && (Code & 0x0F) >= 2) Code = 0;
  FErf = TCabErrorRecord();
  const BOOL Ok = CabinetFci().AddFile(FContext, Src.data(), Stored.data(), FALSE, FciNextCabinet, FciStatus,
                                       FciOpenInfo, TCOMP(Code));
  Check(Ok);
  if (OnRead) {
    Entry.FileName = Stored;
    OnRead(this, 0, 0);
  }
}

bool TMakeCAB::CompressFile(const std::string& FileName) {
  const int64_t Size = GetFileSize64(FileName);
  StartEntry(Size < 0 ? 0 : Size);
  std::string Stored = StoredNameOf(FileName);
  if (!BeginEntry(Stored)) return false;
  AddFile(FileName, Stored);
  if (OnEnd) OnEnd(this, FileName, true);
  return true;
}

void TMakeCAB::ProcessWorkList() {
  // Empty files last, so that each has a folder with data to join.
  std::stable_partition(WorkList().begin(), WorkList().end(), [](const TWorkItem& It) { return It.Size != 0; });
  for (size_t i = 0; i < WorkList().size(); ++i) {
    TWorkItem& It = WorkList()[i];
    EntryCount = int(i) + 1;
    // Once cancelled no more new files go in; the old entries still do, so
    // that cancelling never loses them.
    if (Cancel && It.Action != waCopy) continue;
    if (It.Action == waAdd || It.Action == waReplace) {
      if (CompressFile(It.SourceName)) CountFileAdded();
    } else if (It.Action == waCopy && !It.SourceName.empty()) {
      StartEntry(It.Size);
      AddFile(It.SourceName, It.Name);
    }
  }
}

void TMakeCAB::KeepOldEntries(const std::string& Folder) {
  std::vector<std::string> Names;
  {
    TComponent Owner(nullptr);
    TUnCAB* Old = new TUnCAB(&Owner);
    Old->SetArchiveFile(ArchiveFile());
    if (Old->ArcType() != atCab) return;
    Old->UseStoredDirs = true;
    Old->ConfirmOverwrites = false;
    Old->OverwriteMode = TOverwriteMode::omOverwrite;
    Old->SetExtractDir(Folder);
    Old->FileSpec()->Add("*.*");
    Old->OnError = OnError;
    Old->OnEnd = [&](TObject*, const std::string& FN, bool Pass) {
      if (Pass) Names.push_back(FN);
    };
    Old->Extract();
  }
  SetCurrentArcComponent(this);
  const std::string Base = IncludeTrailingBackslash(Folder);
  for (const std::string& FN : Names) {
    if (FN.size() <= Base.size() || !SameText(FN.substr(0, Base.size()), Base)) continue;
    const std::string Stored = FN.substr(Base.size());
    if (FindWorkItem(Stored) >= 0) continue;
    TWorkItem& It = AddOldEntry(Stored);
    It.SourceName = FN;
    It.Size = GetFileSize64(FN);
    It.OldSize = It.Size;
    It.FileDate = It.OldDate = FileAge(FN);
    It.FileAttr = It.OldAttr = FileGetAttr(FN);
    RunTotal += It.Size;
  }
}

void TMakeCAB::CompressArchive() {
  const std::string Arc = ArchiveFile();
  if (!CabinetFciLoaded()) RaiseError(Arc, errNoCabinet);
  if (Switch == TSwitch::swRead || Switch == TSwitch::swDelete) RaiseError(Arc, errBadArcType);
  const bool Existed = FileExists(Arc);
  // A cabinet that may not be written is reported and left alone.
  if (Existed && !UnlockArchive(Arc)) {
    if (!OnNonWriteableArchive) ReportError(Arc, "", errWriteFile);
    return;
  }
  OutFileName = Arc;
  if (OnActivate) OnActivate(this);

  std::string OldFolder, TempCab;
  struct TCleanup {
    TMakeCAB& C;
    std::string& Folder;
    std::string& Temp;
    ~TCleanup() {
      C.DestroyContext();
      C.FSourceHandles.clear();
      if (!Folder.empty()) RemoveTempFolder(Folder);
      if (!Temp.empty() && FileExists(Temp)) DeleteFile(Temp);
    }
  } Cleanup{*this, OldFolder, TempCab};

  ExpandFileSpecs();
  if (Existed && !Cancel) {
    OldFolder = CreateTempFolder();
    KeepOldEntries(OldFolder);
  }
  RunRemaining = RunTotal;

  // The new cabinet is written beside the old one's place and moved there
  // only when complete.
  TempCab = CreateTempFileName();
  DeleteFile(TempCab);
  CreateContext(TempCab);
  if (OnElapsedTime) Timer().Start();
  ProcessWorkList();
  if (OnElapsedTime) OnElapsedTime(this, Timer().Stop());
  FErf = TCabErrorRecord();
  Check(CabinetFci().FlushCabinet(FContext, FALSE, FciNextCabinet, FciStatus));
  DestroyContext();
  if (FilesAdded() > 0 || Existed) {
    if (!MoveFileReplace(TempCab, Arc)) RaiseError(Arc, errWriteFile);
    TempCab.clear();
  }
  if (OnDeactivate) OnDeactivate(this);
}

#endif
