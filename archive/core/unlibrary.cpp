#include "archive/core/unlibrary.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "archive/core/arcutil.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"

namespace {

// The component whose library run is going on; the callbacks carry no
// context of their own.
TUnLibrary* GRunning = nullptr;

constexpr size_t kNameBuffer = 260;

}  // namespace

TUnLibrary::TUnLibrary(TComponent* AOwner) : TUnBase(AOwner) {}

int MORV_LIBCALL TUnLibrary::DataProc(unsigned char* Addr, int Size) {
  TUnLibrary* Self = GRunning;
  if (!Self) return 0;
  try {
    return Self->DataReceived(Addr, Size);
  } catch (...) {
    if (!Self->FPending) Self->FPending = std::current_exception();
    return 0;
  }
}

int MORV_LIBCALL TUnLibrary::VolumeProc(char* Name, int Mode) {
  TUnLibrary* Self = GRunning;
  if (!Self || !Name) return 0;
  try {
    return Self->ChangeVolume(Name, Mode);
  } catch (...) {
    if (!Self->FPending) Self->FPending = std::current_exception();
    return 0;
  }
}

void TUnLibrary::RethrowPending() {
  if (FPending) std::rethrow_exception(std::exchange(FPending, nullptr));
}

void TUnLibrary::CountWanted(uint64_t Unpacked, uint32_t FileTime) {
  ++FWanted;
  RunTotal += int64_t(Unpacked);
  if (FileTime > uint32_t(MaxFileDate)) MaxFileDate = int(FileTime);
}

int TUnLibrary::DataReceived(const uint8_t* Data, int Size) {
  if (Cancel) return 0;
  if (Size < 0) Size = 0;
  RunRemaining = std::max<int64_t>(RunRemaining - Size, 0);
  if (FSkipping) {
    DoProgress(0, 0, RunRemaining, RunTotal);
    return 1;
  }
  FFileLeft = std::max<int64_t>(FFileLeft - Size, 0);
  const int64_t FileSize = int64_t(uint32_t(Entry.UnpackedSize));
  DoProgress(FileSize - FFileLeft, FileSize, RunRemaining, RunTotal);
  if (OutputMode == omTest && Size > 0) UpdateCrc(32, Data, size_t(Size));
  return 1;
}

int TUnLibrary::ChangeVolume(char* Name, int) {
  if (!OnNextVolume) return 0;
  std::string Chosen(Name, strnlen(Name, kNameBuffer - 1));
  if (!RequestNextVolume(nullptr, Chosen, IntToStr(NextVolumeNumber))) return 0;
  if (Chosen.size() >= kNameBuffer) return 0;
  std::memcpy(Name, Chosen.c_str(), Chosen.size() + 1);
  if (FRewinding) return 1;
  // The wanted entries that start in this volume.
  const int64_t Before = RunTotal;
  PreScan(Chosen);
  RunRemaining += RunTotal - Before;
  return 1;
}

void TUnLibrary::OpenLibrary() {
  const int R = LibOpen(ArchiveFile());
  RethrowPending();
  if (R != 0) {
    const int Code = MapResult(R);
    RaiseError(ArchiveFile(), Code ? Code : errOpenFile);
  }
  FOpen = true;
}

void TUnLibrary::CloseLibrary() {
  if (FOpen) LibClose();
  FOpen = false;
}

void TUnLibrary::Skip() {
  FSkipping = true;
  LibProcess(opSkip, nullptr, nullptr);
  FSkipping = false;
  RethrowPending();
}

int TUnLibrary::ProcessEntry(const TLibEntry& E, bool& Pass) {
  Pass = false;
  if (OutputMode == omTest) {
    const int Result = LibProcess(opTest, nullptr, nullptr);
    RethrowPending();
    Pass = Result == 0 && (Crc32 ^ 0xFFFFFFFFu) == E.Crc;
    return Result;
  }
  std::string Dir = ExtractFilePath(OutFileName);
  ForceDirectories(Dir);
  std::string Temp = MakeTempFileName(Dir, "arc");
  if (Temp.empty()) {
    Skip();
    ReportError(OutFileName, "", errOpenFile);
    return -1;
  }
  const int Result = LibProcess(opExtract, Dir.data(), Temp.data());
  if (FPending) {
    DeleteFile(Temp);
    RethrowPending();
  }
  if (Result == 0) {
    // The target gives way only to a complete, sound copy.
    FileSetAttr(OutFileName, faArchive);
    Pass = MoveFileReplace(Temp, OutFileName);
    if (Pass) {
      FileSetDate(OutFileName, DateAttribute == TDateAttribute::daMaxFileDate ? MaxFileDate : int(E.FileTime));
      if (RestoreFileAttr && E.Attr != faArchive)
        FileSetAttr(OutFileName, int(E.Attr & (faReadOnly | faHidden | faSysFile | faArchive)));
    }
  }
  if (FileExists(Temp)) DeleteFile(Temp);
  if (Result == 0 && !Pass) {
    // The copy was sound; the target could not take its place.
    ReportError(OutFileName, "", errWriteFile);
    return -1;
  }
  return Result;
}

bool TUnLibrary::Rewind(int Index, const TLibEntry& E) {
  CloseLibrary();
  OpenLibrary();
  FRewinding = true;
  struct TEnd {
    bool& Flag;
    ~TEnd() { Flag = false; }
  } End{FRewinding};
  TLibEntry Again;
  for (int i = 1; i <= Index; ++i) {
    const int R = LibReadHeader(Again);
    RethrowPending();
    if (R != 0) return false;
    if (i < Index) Skip();
  }
  return Again.Name == E.Name;
}

bool TUnLibrary::PasswordStep(const TLibEntry& E, int Index, int& Result, bool& Pass) {
  int Asked = 0;
  for (;;) {
    if (Password.empty()) {
      if (!OnGetPassword || Asked >= PasswordAttempts) return false;
      ++Asked;
      std::string Answer;
      bool TryAgain = true;
      OnGetPassword(this, ReportName(), Answer, TryAgain);
      if (!TryAgain || Answer.empty()) return false;
      Password = Answer;
    }
    LibSetPassword(Password.data());
    StartEntry();
    FFileLeft = E.UnpSize;
    Result = ProcessEntry(E, Pass);
    if (Result != Codes().Password) return true;
    Password.clear();
    if (!Rewind(Index, E)) {
      Result = Codes().End;
      ReportError(ArchiveFile(), "", errBadHeader);
      return false;
    }
  }
}

void TUnLibrary::ExtractArchive(TUntypedFile&) {
  if (!LibLoaded()) RaiseError(ArchiveFile(), MissingLibraryError());
  RunTotal = RunRemaining = 0;
  FWanted = 0;
  PreScan(ArchiveFile());
  RunRemaining = RunTotal;
  FPending = nullptr;
  GRunning = this;
  struct TStop {
    TUnLibrary* Self;
    ~TStop() {
      Self->CloseLibrary();
      GRunning = nullptr;
    }
  } Stop{this};
  OpenLibrary();
  const TLibCodes Lc = Codes();
  int Done = 0, Index = 0;
  while (!Cancel) {
    TLibEntry E;
    const int R = LibReadHeader(E);
    RethrowPending();
    if (R != 0) {
      if (R != Lc.End) ReportError(ArchiveFile(), "", MapResult(R));
      break;
    }
    ++Index;
    const std::string Stored = OemToAnsiStr(E.Name);
    if (E.Folder || !IsFileIncluded(Stored)) {
      Skip();
      continue;
    }
    StartEntry();
    Entry.FileName = Stored;
    Entry.PackedSize = uint32_t(E.PackSize);
    Entry.UnpackedSize = uint32_t(E.UnpSize);
    Entry.Crc = E.Crc;
    Entry.Encrypted = E.Encrypted;
    FFileLeft = E.UnpSize;
    if (!SetEntryFileName(Stored)) {
      Skip();
      continue;
    }
    bool Exists = false, Extract = false;
    if (!BeginEntry(DosDateToDateTime(int(E.FileTime)), Exists, Extract)) break;
    if (!Extract) {
      Skip();
      RunRemaining = std::max<int64_t>(RunRemaining - int64_t(E.UnpSize), 0);
      DoProgress(0, 0, RunRemaining, RunTotal);
      continue;
    }
    int Result = 0;
    bool Pass = false;
    if (E.Encrypted) {
      // The user's selection stays as it was: only this run ends.
      if (!PasswordStep(E, Index, Result, Pass)) {
        if (Result != Lc.End) ReportError(ReportName(), "", errBadPassword);
        break;
      }
    } else {
      Result = ProcessEntry(E, Pass);
    }
    if (Result < 0) continue;
    ++Done;
    if (Result != 0 && Result != Lc.BadCrc) {
      // Not decoded (an unsupported method, a cipher): reported, and the
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
