#ifdef _WIN32

#include "archive/formats/cab/uncab.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "archive/formats/cab/cablib_win.h"
#include "framework/core/os.h"

namespace {

// One cabinet extraction runs at a time; the library's callbacks find it here.
TUnCAB* GRunning = nullptr;

void* DIAMONDAPI CabAlloc(ULONG Size) { return std::malloc(Size); }
void DIAMONDAPI CabFree(void* P) { std::free(P); }

// No exception may cross the library's frames: it waits in Pending and the
// callback reports failure.
template <class R, class F>
R Guarded(R Failure, F&& Body) {
  if (!GRunning) return Failure;
  try {
    return Body(*GRunning);
  } catch (...) {
    if (!GRunning->Pending) GRunning->Pending = std::current_exception();
    return Failure;
  }
}

INT_PTR DIAMONDAPI CabOpen(char* Name, int Flags, int) {
  return Guarded<INT_PTR>(-1, [&](TUnCAB& C) {
    int Err = 0;
    return INT_PTR(C.Handler()->Open(Name, Flags, Err));
  });
}

UINT DIAMONDAPI CabRead(INT_PTR H, void* Buf, UINT Count) {
  return Guarded<UINT>(UINT(-1), [&](TUnCAB& C) {
    int Err = 0;
    return UINT(C.Handler()->Read(H, Buf, Count, Err));
  });
}

UINT DIAMONDAPI CabWrite(INT_PTR H, void* Buf, UINT Count) {
  return Guarded<UINT>(UINT(-1), [&](TUnCAB& C) -> UINT {
    if (C.ScanPass()) return Count;
    if (H == C.OutputHandle()) return C.WriteOutput(Buf, Count);
    int Err = 0;
    return UINT(C.Handler()->Write(H, Buf, Count, Err));
  });
}

int DIAMONDAPI CabClose(INT_PTR H) {
  return Guarded<int>(-1, [&](TUnCAB& C) {
    if (H == C.OutputHandle()) {
      C.CloseOutputHandle();
      return 0;
    }
    int Err = 0;
    return C.Handler()->Close(H, Err);
  });
}

LONG DIAMONDAPI CabSeek(INT_PTR H, LONG Distance, int Origin) {
  return Guarded<LONG>(-1, [&](TUnCAB& C) {
    int Err = 0;
    return LONG(C.Handler()->Seek(H, Distance, Origin, Err));
  });
}

std::string NameOf(const char* P, uint16_t Attr) {
  const std::string S = P ? P : "";
  return (Attr & _A_NAME_IS_UTF) ? CabUtf8ToAnsi(S) : S;
}

INT_PTR DIAMONDAPI CabNotify(FDINOTIFICATIONTYPE Type, PFDINOTIFICATION N) {
  return Guarded<INT_PTR>(-1, [&](TUnCAB& C) -> INT_PTR {
    switch (Type) {
      case fdintCABINET_INFO:
        C.CabinetInfo(N->psz1 ? N->psz1 : "", N->psz2 ? N->psz2 : "", N->psz3 ? N->psz3 : "", N->setID,
                      N->iCabinet);
        return 0;
      case fdintCOPY_FILE: {
        const std::string Name = NameOf(N->psz1, N->attribs);
        return C.ScanPass() ? C.ScanFile(Name, uint32_t(N->cb), N->date, N->time)
                            : C.CopyFile(Name, uint32_t(N->cb), N->date, N->time, N->attribs);
      }
      case fdintCLOSE_FILE_INFO: return C.CloseFileInfo(N->hf, N->date, N->time, N->attribs);
      case fdintNEXT_CABINET: {
        std::string Name = N->psz1 ? N->psz1 : "", Path = N->psz3 ? N->psz3 : "";
        const std::string Given = Name;
        if (C.NextCabinet(Name, Path) != 0) return -1;
        // The path buffer is the library's, of CB_MAX_CAB_PATH bytes; the
        // name buffer is only rewritten when the user chose another file.
        if (Path.size() >= CB_MAX_CAB_PATH || Name.size() >= CB_MAX_CABINET_NAME) return -1;
        std::memcpy(N->psz3, Path.c_str(), Path.size() + 1);
        if (Name != Given && N->psz1) std::memcpy(N->psz1, Name.c_str(), Name.size() + 1);
        return 0;
      }
      default: return 0;
    }
  });
}

}  // namespace

TUnCABInterface::TUnCABInterface(TComponent* AOwner)
    : TUnBase(AOwner), FHandler(new TStreamCabinetFileHandler(this)) {}

TUnCABInterface::~TUnCABInterface() { DestroyContext(); }

void TUnCABInterface::CreateContext() {
  if (FContext) return;
  // The library knows the 80286 (0) and the 80386 (1) and "find out" (-1).
  const int Cpu = std::clamp(int(CpuType) - 1, -1, 1);
  FErf = TCabErrorRecord();
  FContext = CabinetFdi().Create(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek, Cpu,
                                 reinterpret_cast<PERF>(&FErf));
  if (!FContext) {
    CheckCabError(FErf);
    throw ECabinetError(FErf.erfOper, FErf.erfType);
  }
}

void TUnCABInterface::DestroyContext() {
  if (FContext) CabinetFdi().Destroy(FContext);
  FContext = nullptr;
}

TUnCAB::TUnCAB(TComponent* AOwner) : TUnCABInterface(AOwner) { UseStoredDirs = true; }

bool TUnCAB::IsCabinet(const std::string& Name) {
  CreateContext();
  int Err = 0;
  const intptr_t H = FHandler->Open(Name, 0, Err);
  if (H == -1 || Err != 0) RaiseError(Name, errOpenFile);
  FDICABINETINFO Info{};
  const bool Is = CabinetFdi().IsCabinet(FContext, H, &Info);
  FHandler->Close(H, Err);
  if (Err != 0) RaiseError(Name, errCloseFile);
  return Is;
}

bool TUnCAB::RunCopy(const std::string& Cabinet) {
  std::string Name = ExtractFileName(Cabinet), Path = ExtractFilePath(Cabinet);
  FErf = TCabErrorRecord();
  Pending = nullptr;
  FQuietAbort = false;
  const BOOL Ok =
      CabinetFdi().Copy(FContext, Name.data(), Path.data(), 0, CabNotify, nullptr, this);
  if (FOut.IsOpen() || FOutHandle != 0 || !FPartial.empty()) {
    // The library stopped inside a file: what was written of it is no file.
    CloseOutputHandle();
    if (!FPartial.empty()) DeleteFile(FPartial);
    FPartial.clear();
    if (!Pending && !Cancel) EndEntry(false, true);
  }
  if (Pending) std::rethrow_exception(std::exchange(Pending, nullptr));
  if (Ok) return true;
  if (Cancel || FQuietAbort) return false;
  CheckCabError(FErf);
  return false;
}

void TUnCAB::Scan(const std::string& Cabinet) {
  FScanPass = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } Reset{FScanPass};
  RunCopy(Cabinet);
  RunRemaining = RunTotal;
}

void TUnCAB::ExtractArchive(TUntypedFile&) {
  if (!CabinetFdiLoaded()) RaiseError(ArchiveFile(), errNoCabinet);
  FExtractAllowed = true;
  FFound = 0;
  GRunning = this;
  struct TRelease {
    ~TRelease() { GRunning = nullptr; }
  } Release;
  std::string Current = ArchiveFile();
  if (!FileExists(Current)) RaiseError(Current, errFileNotFound);
  if (!IsCabinet(Current)) return;
  RunTotal = 0;
  Scan(Current);
  for (;;) {
    FFirstInfo = true;
    FNextCabinet.clear();
    FChosenNext.clear();
    const bool Whole = RunCopy(Current);
    if (!Whole || !FExtractAllowed || Cancel) break;
    std::string Next = FChosenNext;
    if (Next.empty()) {
      if (FNextCabinet.empty() || SameText(FNextCabinet, ExtractFileName(Current))) break;
      Next = ExtractFilePath(Current) + FNextCabinet;
      if (!RequestNextVolume(nullptr, Next, FNextCabinet)) break;
    }
    if (SameText(ExpandFileName(Next), ExpandFileName(Current))) break;
    Current = Next;
    Scan(Current);
  }
}

void TUnCAB::CabinetInfo(const std::string& NextCabinet, const std::string& NextDisk, const std::string& Path,
                         int SetId, int CabinetNumber) {
  if (!FFirstInfo) return;
  FFirstInfo = false;
  FNextCabinet = NextCabinet;
  FNextDisk = NextDisk;
  FCabPath = Path;
  FSetId = SetId;
  FCabinetNumber = CabinetNumber;
}

intptr_t TUnCAB::ScanFile(const std::string& Name, int64_t Size, uint16_t Date, uint16_t Time) {
  if (FExtractAllowed && !Cancel && IsFileIncluded(Name)) {
    RunTotal += Size;
    const int Dos = int(uint32_t(Date) << 16 | Time);
    if (uint32_t(Dos) > uint32_t(MaxFileDate)) MaxFileDate = Dos;
  }
  return 0;
}

intptr_t TUnCAB::CopyFile(const std::string& Name, int64_t Size, uint16_t Date, uint16_t Time, uint16_t Attr) {
  FDecision = 1;
  if (!FExtractAllowed) return 0;
  if (Cancel) return -1;
  if (!IsFileIncluded(Name)) return 0;
  ++FFound;
  FExtractAllowed = SpecsPending(*FileSpec(), FFound);
  StartEntry();
  FFileSize = FFileLeft = Size;
  Entry.FileName = Name;
  Entry.UnpackedSize = uint32_t(std::min<int64_t>(Size, UINT32_MAX));
  Entry.ExternalAttr = Attr;
  if (!SetEntryFileName(Name)) {
    RunRemaining -= Size;
    return 0;
  }
  const TDateTime When = DosDateToDateTime(int(uint32_t(Date) << 16 | Time));
  bool Exists = false, Extract = false;
  if (!BeginEntry(When, Exists, Extract)) return -1;
  if (!Extract) {
    RunRemaining -= Size;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return 0;
  }
  if (OutputMode == omTest) {
    FOutHandle = 1;
  } else {
    TErrorModeGuard Quiet;
    if (!CreateOutputFile(FOut, OutFileName)) {
      ReportError(OutFileName, "", errOpenFile);
      RunRemaining -= Size;
      return 0;
    }
    FOutHandle = intptr_t(FOut.Stream()->Handle());
    FPartial = OutFileName;
  }
  FDecision = 2;
  return FOutHandle;
}

uint32_t TUnCAB::WriteOutput(const void* Buffer, uint32_t Count) {
  if (Cancel) return uint32_t(-1);
  std::vector<uint8_t> Buf(static_cast<const uint8_t*>(Buffer), static_cast<const uint8_t*>(Buffer) + Count);
  WriteBlockDecryptProc(OutputMode == omTest ? nullptr : &FOut, nullptr, 1, Count, 32, false, Buf.data());
  FFileLeft = std::max<int64_t>(FFileLeft - Count, 0);
  RunRemaining = std::max<int64_t>(RunRemaining - Count, 0);
  DoProgress(FFileSize - FFileLeft, FFileSize, RunRemaining, RunTotal);
  return Count;
}

void TUnCAB::CloseOutputHandle() {
  if (FOut.IsOpen()) FOut.Close();
  FOutHandle = 0;
}

intptr_t TUnCAB::CloseFileInfo(intptr_t, uint16_t Date, uint16_t Time, uint16_t Attr) {
  // A file the library closes short of its size is no sound copy.
  bool Pass = FDecision == 2 && FFileLeft == 0;
  if (OutputMode == omFile) {
    if (!CloseOutputFile(FOut, Attr & ~(_A_NAME_IS_UTF | _A_EXEC), int(uint32_t(Date) << 16 | Time))) {
      ReportError(OutFileName, "", errCloseFile);
      Pass = false;
    }
    if (!Pass && !FPartial.empty()) DeleteFile(FPartial);
  }
  FOutHandle = 0;
  FPartial.clear();
  EndEntry(Pass, true);
  return TRUE;
}

intptr_t TUnCAB::NextCabinet(std::string& Name, std::string& Path) {
  // Counting needs no other cabinet; the user is asked when extracting.
  if (FScanPass) {
    FQuietAbort = true;
    return -1;
  }
  std::string Chosen = IncludeTrailingBackslash(Path) + Name;
  if (!RequestNextVolume(nullptr, Chosen, Name)) {
    FQuietAbort = true;
    return -1;
  }
  FChosenNext = Chosen;
  Name = ExtractFileName(Chosen);
  Path = ExtractFilePath(Chosen);
  return 0;
}

#endif
