#ifdef _WIN32

#include "archive/formats/cab/cablib.h"

#include "archive/formats/cab/cablib_win.h"
#include "framework/core/os.h"

namespace {

HFDI DIAMONDAPI NoFdiCreate(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE, PFNSEEK, int, PERF) {
  return nullptr;
}
BOOL DIAMONDAPI NoFdiIsCabinet(HFDI, INT_PTR, PFDICABINETINFO) { return TRUE; }
BOOL DIAMONDAPI NoFdiCopy(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*) { return TRUE; }
BOOL DIAMONDAPI NoFdiDestroy(HFDI) { return TRUE; }
HFCI DIAMONDAPI NoFciCreate(PERF, PFNFCIFILEPLACED, PFNFCIALLOC, PFNFCIFREE, PFNFCIOPEN, PFNFCIREAD, PFNFCIWRITE,
                            PFNFCICLOSE, PFNFCISEEK, PFNFCIDELETE, PFNFCIGETTEMPFILE, PCCAB, void*) {
  return nullptr;
}
BOOL DIAMONDAPI NoFciAddFile(HFCI, LPSTR, LPSTR, BOOL, PFNFCIGETNEXTCABINET, PFNFCISTATUS, PFNFCIGETOPENINFO,
                             TCOMP) {
  return TRUE;
}
BOOL DIAMONDAPI NoFciFlushCabinet(HFCI, BOOL, PFNFCIGETNEXTCABINET, PFNFCISTATUS) { return TRUE; }
BOOL DIAMONDAPI NoFciFlushFolder(HFCI, PFNFCIGETNEXTCABINET, PFNFCISTATUS) { return TRUE; }
BOOL DIAMONDAPI NoFciDestroy(HFCI) { return TRUE; }

template <class F>
bool Bind(void* Module, const char* Name, F& Slot) {
  void* P = GetLibraryProc(Module, Name);
  if (!P) return false;
  Slot = reinterpret_cast<F>(P);
  return true;
}

// Bound once when the program starts; a missing library is no error until an
// operation needs it.
struct TCabinetBinding {
  void* Module = nullptr;
  TCabinetFdi Fdi{NoFdiCreate, NoFdiIsCabinet, NoFdiCopy, NoFdiDestroy};
  TCabinetFci Fci{NoFciCreate, NoFciAddFile, NoFciFlushCabinet, NoFciFlushFolder, NoFciDestroy};
  bool FdiLoaded = false;
  bool FciLoaded = false;

  TCabinetBinding() : Module(LoadLibrarySilent("cabinet.dll")) {
    if (!Module) return;
    TCabinetFdi D = Fdi;
    if (Bind(Module, "FDICreate", D.Create) && Bind(Module, "FDIIsCabinet", D.IsCabinet) &&
        Bind(Module, "FDICopy", D.Copy) && Bind(Module, "FDIDestroy", D.Destroy)) {
      Fdi = D;
      FdiLoaded = true;
    }
    TCabinetFci C = Fci;
    if (Bind(Module, "FCICreate", C.Create) && Bind(Module, "FCIAddFile", C.AddFile) &&
        Bind(Module, "FCIFlushCabinet", C.FlushCabinet) && Bind(Module, "FCIFlushFolder", C.FlushFolder) &&
        Bind(Module, "FCIDestroy", C.Destroy)) {
      Fci = C;
      FciLoaded = true;
    }
  }
  ~TCabinetBinding() { FreeLibraryModule(Module); }
};

TCabinetBinding& Binding() {
  static TCabinetBinding B;
  return B;
}
// Binds at start, as the program always has.
[[maybe_unused]] const TCabinetBinding& StartBinding = Binding();

}  // namespace

const TCabinetFdi& CabinetFdi() { return Binding().Fdi; }
const TCabinetFci& CabinetFci() { return Binding().Fci; }
bool CabinetFdiLoaded() { return Binding().FdiLoaded; }
bool CabinetFciLoaded() { return Binding().FciLoaded; }

ECabinetError::ECabinetError(int Oper, int Type)
    : E_RAISE("Cabinet error " + std::to_string(Oper) + " (type " + std::to_string(Type) + ")"),
      FOper(Oper),
      FType(Type) {}

void CheckCabError(const TCabErrorRecord& Erf) {
  if (Erf.fError) throw ECabinetError(Erf.erfOper, Erf.erfType);
}

TFileStream* TStreamCabinetFileHandler::Find(intptr_t Handle) const {
  const auto I = FStreams.find(Handle);
  return I == FStreams.end() ? nullptr : I->second.get();
}

intptr_t TStreamCabinetFileHandler::Create(const std::string& Name, int& Error) {
  return Open(Name, 0x0100 | 0x0002, Error);
}

intptr_t TStreamCabinetFileHandler::Open(const std::string& Name, int Flags, int& Error) {
  uint32_t Mode;
  if (Flags & 0x0100) {
    Mode = fmCreate;
  } else {
    const uint32_t Access = (Flags & 2) ? fmOpenReadWrite : (Flags & 1) ? fmOpenWrite : fmOpenRead;
    Mode = Access | ((Flags & 0x0400) ? fmShareExclusive : fmShareDenyNone);
  }
  std::unique_ptr<TFileStream> S;
  try {
    S = std::make_unique<TFileStream>(Name, Mode);
  } catch (const Exception&) {
    Error = int(GetLastError());
    if (Error == 0) Error = -1;
    return -1;
  }
  const intptr_t H = intptr_t(S->Handle());
  FStreams[H] = std::move(S);
  Error = 0;
  return H;
}

uint32_t TStreamCabinetFileHandler::Read(intptr_t Handle, void* Buffer, uint32_t Count, int& Error) {
  TFileStream* S = Find(Handle);
  if (!S) {
    Error = -1;
    return 0;
  }
  const int64_t N = S->Read(Buffer, int32_t(Count));
  Error = N < int64_t(Count) ? int(GetLastError()) : 0;
  return N < 0 ? 0 : uint32_t(N);
}

uint32_t TStreamCabinetFileHandler::Write(intptr_t Handle, const void* Buffer, uint32_t Count, int& Error) {
  TFileStream* S = Find(Handle);
  if (!S) {
    Error = -1;
    return 0;
  }
  const int64_t N = S->Write(Buffer, int32_t(Count));
  Error = N < int64_t(Count) ? int(GetLastError()) : 0;
  return N < 0 ? 0 : uint32_t(N);
}

int TStreamCabinetFileHandler::Close(intptr_t Handle, int& Error) {
  FStreams.erase(Handle);
  Error = 0;
  return 0;
}

int32_t TStreamCabinetFileHandler::Seek(intptr_t Handle, int32_t Distance, int Origin, int& Error) {
  TFileStream* S = Find(Handle);
  if (!S) {
    Error = -1;
    return -1;
  }
  const int64_t Pos = S->Seek(Distance, Origin == 1 ? soFromCurrent : Origin == 2 ? soFromEnd : soFromBeginning);
  Error = (Origin == 0 && Pos != Distance) ? int(GetLastError()) : 0;
  return int32_t(Pos);
}

int TStreamCabinetFileHandler::Delete(const std::string& Name, int& Error) {
  if (DeleteFileA(Name.c_str())) {
    Error = 0;
    return 0;
  }
  Error = int(GetLastError());
  return -1;
}

std::string CabUtf8ToAnsi(const std::string& S) {
  if (S.empty()) return S;
  const int WLen = MultiByteToWideChar(CP_UTF8, 0, S.data(), int(S.size()), nullptr, 0);
  if (WLen <= 0) return S;
  std::wstring W(size_t(WLen), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, S.data(), int(S.size()), W.data(), WLen);
  const int ALen = WideCharToMultiByte(CP_ACP, 0, W.data(), WLen, nullptr, 0, nullptr, nullptr);
  if (ALen <= 0) return S;
  std::string A(size_t(ALen), '\0');
  WideCharToMultiByte(CP_ACP, 0, W.data(), WLen, A.data(), ALen, nullptr, nullptr);
  return A;
}

#endif
