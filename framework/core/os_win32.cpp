#ifdef _WIN32

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "framework/core/streams.h"

namespace {

HANDLE H(THandle Handle) { return reinterpret_cast<HANDLE>(Handle); }

// Local DOS date-time, as Delphi reads it: through the current time-zone bias.
int FileTimeToDos(const FILETIME& Ft) {
  FILETIME Local;
  WORD Date, Time;
  if (!FileTimeToLocalFileTime(&Ft, &Local) || !FileTimeToDosDateTime(&Local, &Date, &Time)) return -1;
  return static_cast<int>(static_cast<uint32_t>(Date) << 16 | Time);
}

bool DosToFileTime(int Age, FILETIME& Ft) {
  uint32_t U = static_cast<uint32_t>(Age);
  TDateTime Check;
  uint32_t Hi = U >> 16, Lo = U & 0xFFFF;
  // DosDateTimeToFileTime accepts some impossible values; refuse them first.
  if (!TryEncodeDate(static_cast<int>((Hi >> 9) + 1980), static_cast<int>((Hi >> 5) & 15), static_cast<int>(Hi & 31), Check) ||
      !TryEncodeTime(static_cast<int>(Lo >> 11), static_cast<int>((Lo >> 5) & 63), static_cast<int>((Lo & 31) * 2), 0, Check))
    return false;
  FILETIME Local;
  return DosDateTimeToFileTime(static_cast<WORD>(Hi), static_cast<WORD>(Lo), &Local) && LocalFileTimeToFileTime(&Local, &Ft);
}

bool AttributeData(const std::string& Name, WIN32_FILE_ATTRIBUTE_DATA& Data) {
  return !Name.empty() && GetFileAttributesExA(Name.c_str(), GetFileExInfoStandard, &Data);
}

}  // namespace

struct TOsFindData {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA Data;
  ~TOsFindData() {
    if (Handle != INVALID_HANDLE_VALUE) ::FindClose(Handle);
  }
};

namespace {

// Skips entries the filter excludes, starting with the one in D.Data.
int FindMatching(TSearchRec& F) {
  TOsFindData& D = *F.FindHandle;
  while (D.Data.dwFileAttributes & static_cast<DWORD>(F.ExcludeAttr)) {
    if (!FindNextFileA(D.Handle, &D.Data)) return static_cast<int>(GetLastError());
  }
  F.Name = D.Data.cFileName;
  F.Attr = static_cast<int>(D.Data.dwFileAttributes);
  F.Size = static_cast<int64_t>(static_cast<uint64_t>(D.Data.nFileSizeHigh) << 32 | D.Data.nFileSizeLow);
  F.Time = FileTimeToDos(D.Data.ftLastWriteTime);
  return 0;
}

}  // namespace

int FindFirst(const std::string& Path, int Attr, TSearchRec& F) {
  constexpr int faSpecial = faHidden | faSysFile | faVolumeID | faDirectory;
  FindClose(F);
  F.ExcludeAttr = ~Attr & faSpecial;
  auto D = std::make_shared<TOsFindData>();
  D->Handle = FindFirstFileA(Path.c_str(), &D->Data);
  if (D->Handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  F.FindHandle = D;
  int R = FindMatching(F);
  if (R != 0) FindClose(F);
  return R;
}

int FindNext(TSearchRec& F) {
  if (!F.FindHandle) return ERROR_NO_MORE_FILES;
  if (!FindNextFileA(F.FindHandle->Handle, &F.FindHandle->Data)) return static_cast<int>(GetLastError());
  return FindMatching(F);
}

void FindClose(TSearchRec& F) { F.FindHandle.reset(); }

bool FileExists(const std::string& FileName) {
  DWORD A = FileName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(FileName.c_str());
  return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& Name) {
  DWORD A = Name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(Name.c_str());
  return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(const std::string& FileName) { return ::DeleteFileA(FileName.c_str()) != 0; }

bool RenameFile(const std::string& OldName, const std::string& NewName) {
  return MoveFileA(OldName.c_str(), NewName.c_str()) != 0;
}

bool CreateDir(const std::string& Dir) { return CreateDirectoryA(Dir.c_str(), nullptr) != 0; }

bool RemoveDir(const std::string& Dir) { return RemoveDirectoryA(Dir.c_str()) != 0; }

std::string GetCurrentDir() {
  DWORD N = GetCurrentDirectoryA(0, nullptr);
  if (N == 0) return std::string();
  std::vector<char> Buf(N + 1);
  N = GetCurrentDirectoryA(static_cast<DWORD>(Buf.size()), Buf.data());
  return std::string(Buf.data(), N < Buf.size() ? N : 0);
}

bool SetCurrentDir(const std::string& Dir) { return SetCurrentDirectoryA(Dir.c_str()) != 0; }

int FileGetAttr(const std::string& FileName) {
  DWORD A = FileName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(FileName.c_str());
  return A == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int>(A);
}

int FileSetAttr(const std::string& FileName, int Attr) {
  return SetFileAttributesA(FileName.c_str(), static_cast<DWORD>(Attr)) ? 0 : static_cast<int>(GetLastError());
}

int FileSetAttr(THandle Handle, int Attr) {
  // The call exists from Vista on; its record is spelled out because the
  // headers hide it for older targets.
  struct TBasicInfo {
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;
    DWORD FileAttributes;
  };
  using TSetInfo = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
  static const auto SetInfo = reinterpret_cast<TSetInfo>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
  if (!SetInfo) return ERROR_CALL_NOT_IMPLEMENTED;
  TBasicInfo Info{};  // zero times are left as they are
  // Zero attributes would mean "unchanged"; plain NORMAL clears them all.
  Info.FileAttributes = Attr ? static_cast<DWORD>(Attr) : FILE_ATTRIBUTE_NORMAL;
  constexpr int kFileBasicInfo = 0;
  return SetInfo(H(Handle), kFileBasicInfo, &Info, sizeof Info) ? 0 : static_cast<int>(GetLastError());
}

int FileAge(const std::string& FileName) {
  WIN32_FILE_ATTRIBUTE_DATA Data;
  if (!AttributeData(FileName, Data) || (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;
  return FileTimeToDos(Data.ftLastWriteTime);
}

int FileGetDate(THandle Handle) {
  FILETIME Ft;
  if (!GetFileTime(H(Handle), nullptr, nullptr, &Ft)) return -1;
  return FileTimeToDos(Ft);
}

int FileSetDate(THandle Handle, int Age) {
  FILETIME Ft;
  if (!DosToFileTime(Age, Ft)) return ERROR_INVALID_PARAMETER;
  return SetFileTime(H(Handle), nullptr, nullptr, &Ft) ? 0 : static_cast<int>(GetLastError());
}

int FileSetDate(const std::string& FileName, int Age) {
  HANDLE F = CreateFileA(FileName.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (F == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  int R = FileSetDate(reinterpret_cast<THandle>(F), Age);
  CloseHandle(F);
  return R;
}

int64_t GetFileSize64(const std::string& FileName) {
  WIN32_FILE_ATTRIBUTE_DATA Data;
  if (!AttributeData(FileName, Data) || (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;
  return static_cast<int64_t>(static_cast<uint64_t>(Data.nFileSizeHigh) << 32 | Data.nFileSizeLow);
}

std::string ExpandFileName(const std::string& FileName) {
  if (FileName.empty()) return std::string();
  char* Part;
  DWORD N = GetFullPathNameA(FileName.c_str(), 0, nullptr, &Part);
  if (N == 0) return FileName;
  std::vector<char> Buf(N + 1);
  N = GetFullPathNameA(FileName.c_str(), static_cast<DWORD>(Buf.size()), Buf.data(), &Part);
  return N && N < Buf.size() ? std::string(Buf.data(), N) : FileName;
}

std::string AnsiUpperCase(const std::string& S) {
  std::string R = S;
  if (!R.empty()) CharUpperBuffA(R.data(), static_cast<DWORD>(R.size()));
  return R;
}

std::string AnsiLowerCase(const std::string& S) {
  std::string R = S;
  if (!R.empty()) CharLowerBuffA(R.data(), static_cast<DWORD>(R.size()));
  return R;
}

int AnsiCompareText(const std::string& S1, const std::string& S2) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, S1.data(), static_cast<int>(S1.size()), S2.data(),
                        static_cast<int>(S2.size())) - CSTR_EQUAL;
}

std::string OemToAnsi(const std::string& S) {
  std::string R = S;
  if (!R.empty()) OemToCharBuffA(S.data(), R.data(), static_cast<DWORD>(S.size()));
  return R;
}

std::string AnsiToOem(const std::string& S) {
  std::string R = S;
  if (!R.empty()) CharToOemBuffA(S.data(), R.data(), static_cast<DWORD>(S.size()));
  return R;
}

std::string Utf8ToAnsi(const std::string& S) {
  if (S.empty()) return S;
  int N = MultiByteToWideChar(CP_UTF8, 0, S.data(), int(S.size()), nullptr, 0);
  if (N <= 0) return std::string(S.size(), '_');
  std::vector<wchar_t> W(static_cast<size_t>(N));
  MultiByteToWideChar(CP_UTF8, 0, S.data(), int(S.size()), W.data(), N);
  // Malformed input became U+FFFD above, which has no ANSI form either.
  int M = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, W.data(), N, nullptr, 0, "_", nullptr);
  std::string R(size_t(M > 0 ? M : 0), '\0');
  if (M > 0) WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, W.data(), N, R.data(), M, "_", nullptr);
  return R;
}

TDateTime Now() {
  SYSTEMTIME St;
  GetLocalTime(&St);
  return EncodeDate(St.wYear, St.wMonth, St.wDay) + EncodeTime(St.wHour, St.wMinute, St.wSecond, St.wMilliseconds);
}

int GetTimeZoneBiasMinutes() {
  TIME_ZONE_INFORMATION Tz;
  switch (GetTimeZoneInformation(&Tz)) {
    case TIME_ZONE_ID_STANDARD:
      return static_cast<int>(Tz.Bias + Tz.StandardBias);
    case TIME_ZONE_ID_DAYLIGHT:
      return static_cast<int>(Tz.Bias + Tz.DaylightBias);
    case TIME_ZONE_ID_UNKNOWN:
      return static_cast<int>(Tz.Bias);
    default:
      return 0;
  }
}

// ---- os.h ---------------------------------------------------------------

THandle FileOpen(const std::string& FileName, uint32_t Mode) {
  static const DWORD Access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  // fmShareCompat opens exclusively, as Delphi's table has it.
  static const DWORD Share[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  if ((Mode & 3) > 2 || ((Mode & 0xF0) >> 4) > 4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return InvalidHandle;
  }
  HANDLE F = CreateFileA(FileName.c_str(), Access[Mode & 3], Share[(Mode & 0xF0) >> 4], nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return F == INVALID_HANDLE_VALUE ? InvalidHandle : reinterpret_cast<THandle>(F);
}

THandle FileCreate(const std::string& FileName) {
  HANDLE F = CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return F == INVALID_HANDLE_VALUE ? InvalidHandle : reinterpret_cast<THandle>(F);
}

int32_t FileRead(THandle Handle, void* Buffer, int32_t Count) {
  DWORD N;
  if (Count < 0 || !ReadFile(H(Handle), Buffer, static_cast<DWORD>(Count), &N, nullptr)) return -1;
  return static_cast<int32_t>(N);
}

int32_t FileWrite(THandle Handle, const void* Buffer, int32_t Count) {
  DWORD N;
  if (Count < 0 || !WriteFile(H(Handle), Buffer, static_cast<DWORD>(Count), &N, nullptr)) return -1;
  return static_cast<int32_t>(N);
}

int64_t FileSeek(THandle Handle, int64_t Offset, int Origin) {
  LARGE_INTEGER Distance, NewPos;
  Distance.QuadPart = Offset;
  if (Origin < 0 || Origin > 2 || !SetFilePointerEx(H(Handle), Distance, &NewPos, static_cast<DWORD>(Origin))) return -1;
  return NewPos.QuadPart;
}

bool FileTruncate(THandle Handle, int64_t Size) {
  int64_t Pos = FileSeek(Handle, 0, FILE_CURRENT);
  if (Pos < 0 || FileSeek(Handle, Size, FILE_BEGIN) < 0) return false;
  bool Ok = SetEndOfFile(H(Handle)) != 0;
  DWORD Err = GetLastError();
  FileSeek(Handle, Pos, FILE_BEGIN);
  SetLastError(Err);
  return Ok;
}

void FileClose(THandle Handle) {
  if (Handle != InvalidHandle) CloseHandle(H(Handle));
}

int OsLastError() { return static_cast<int>(GetLastError()); }

std::string SysErrorMessage(int ErrorCode) {
  char Buf[512];
  DWORD N = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(ErrorCode), 0, Buf, sizeof(Buf), nullptr);
  while (N > 0 && (Buf[N - 1] == '\r' || Buf[N - 1] == '\n' || Buf[N - 1] == ' ' || Buf[N - 1] == '.')) --N;
  return N ? std::string(Buf, N) + "." : "System error " + IntToStr(ErrorCode) + ".";
}

std::string GetTempDir() {
  char Buf[MAX_PATH + 1];
  DWORD N = GetTempPathA(sizeof(Buf), Buf);
  if (N == 0 || N >= sizeof(Buf)) return IncludeTrailingBackslash(GetCurrentDir());
  return IncludeTrailingBackslash(std::string(Buf, N));
}

std::string MakeTempFileName(const std::string& Dir, const std::string& Prefix) {
  char Buf[MAX_PATH + 1];
  if (!GetTempFileNameA(Dir.c_str(), Prefix.c_str(), 0, Buf)) return std::string();
  return Buf;
}

bool GetVolumeInfo(const std::string& Root, TVolumeInfo& Info) {
  char Label[MAX_PATH + 1], Fs[MAX_PATH + 1];
  DWORD Serial = 0, MaxLen = 0, Flags = 0;
  if (!GetVolumeInformationA(Root.c_str(), Label, sizeof(Label), &Serial, &MaxLen, &Flags, Fs, sizeof(Fs))) return false;
  Info.Label = Label;
  Info.Serial = Serial;
  Info.MaxComponentLength = MaxLen;
  Info.FileSystem = Fs;
  return true;
}

int GetDriveTypeOf(const std::string& Root) { return static_cast<int>(GetDriveTypeA(Root.c_str())); }

bool GetDiskFree(const std::string& Root, int64_t& FreeBytes, int64_t& TotalBytes) {
  ULARGE_INTEGER Avail, Total, TotalFree;
  if (!GetDiskFreeSpaceExA(Root.c_str(), &Avail, &Total, &TotalFree)) return false;
  FreeBytes = static_cast<int64_t>(Avail.QuadPart);
  TotalBytes = static_cast<int64_t>(Total.QuadPart);
  return true;
}

TErrorModeGuard::TErrorModeGuard() : FOldMode(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
TErrorModeGuard::~TErrorModeGuard() { SetErrorMode(FOldMode); }

void* LoadDataModule(const std::string& FileName) {
  TErrorModeGuard Guard;
  return LoadLibraryExA(FileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

std::string LoadModuleString(void* Module, unsigned Id, int BufLen) {
  if (!Module || BufLen <= 1) return std::string();
  std::vector<char> Buf(size_t(BufLen), '\0');
  const int N = LoadStringA(static_cast<HMODULE>(Module), Id, Buf.data(), BufLen);
  return N > 0 ? std::string(Buf.data(), size_t(N)) : std::string();
}

void FreeDataModule(void* Module) {
  if (Module) FreeLibrary(static_cast<HMODULE>(Module));
}

void* LoadLibrarySilent(const std::string& Name) {
  const UINT OldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE H = LoadLibraryA(Name.c_str());
  SetErrorMode(OldMode);
  return H;
}

void* GetLibraryProc(void* Module, const char* Name) {
  if (!Module) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Module), Name));
}

void FreeLibraryModule(void* Module) {
  if (Module) FreeLibrary(static_cast<HMODULE>(Module));
}

bool MoveFileReplace(const std::string& OldName, const std::string& NewName) {
  constexpr DWORD Flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExA(OldName.c_str(), NewName.c_str(), Flags)) return true;
  if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  // Another volume: a copy straight onto the target would leave it cut short
  // when that volume fills up. Copy beside it, then rename over it.
  std::string Dir = ExtractFilePath(NewName);
  if (Dir.empty()) Dir = ".";
  char Tmp[MAX_PATH];
  if (!GetTempFileNameA(Dir.c_str(), "arc", 0, Tmp)) return false;
  if (CopyFileA(OldName.c_str(), Tmp, FALSE) && MoveFileExA(Tmp, NewName.c_str(), Flags)) {
    DeleteFileA(OldName.c_str());
    return true;
  }
  DeleteFileA(Tmp);
  return false;
}

bool ShellDeleteFile(const std::string& FileName, bool AllowUndo) {
  // The shell wants a double-NUL-terminated list.
  std::string From = FileName + std::string(2, '\0');
  SHFILEOPSTRUCTA Op{};
  Op.wFunc = FO_DELETE;
  Op.pFrom = From.c_str();
  Op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | (AllowUndo ? FOF_ALLOWUNDO : 0);
  if (SHFileOperationA(&Op) == 0 && !Op.fAnyOperationsAborted && GetFileAttributesA(FileName.c_str()) == INVALID_FILE_ATTRIBUTES)
    return true;
  return DeleteFileA(FileName.c_str()) != 0;
}

int DefaultPrompt(const std::string& Text, const std::string& Caption, int Buttons) {
  return MessageBoxA(nullptr, Text.c_str(), Caption.c_str(), static_cast<UINT>(Buttons) | MB_TASKMODAL);
}

#endif
