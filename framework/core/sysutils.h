// Exceptions, file and path routines, strings, date-time and DOS-time
// conversions in the shape of Delphi's SysUtils.
//
// Paths: on Windows the separator is '\'. Natively every routine here accepts
// both '\' and '/' and hands '/' to the OS, so code written with '\' in mind
// keeps working; results produced natively use '/'.
#pragma once
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>

// <windows.h> maps these names to its own functions through macros; our
// std::string versions must keep their names whichever header comes first.
#ifdef DeleteFile
#undef DeleteFile
#endif
#ifdef OemToAnsi
#undef OemToAnsi
#endif
#ifdef AnsiToOem
#undef AnsiToOem
#endif

class Exception : public std::exception {
 public:
  explicit Exception(std::string Msg) : FMessage(std::move(Msg)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(const std::string& Msg) { FMessage = Msg; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// Silent exception: unwinds an operation the user cancelled; handlers that
// show messages ignore it.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};
[[noreturn]] void Abort();

class EInOutError : public Exception {
 public:
  explicit EInOutError(std::string Msg, int Code = 0) : Exception(std::move(Msg)), ErrorCode(Code) {}
  int ErrorCode;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EOutOfMemory : public Exception {
 public:
  using Exception::Exception;
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

// System handle: a HANDLE on Windows, a file descriptor natively.
using THandle = std::intptr_t;
constexpr THandle InvalidHandle = -1;

// DOS file attribute bits. Natively: directories carry faDirectory, regular
// files faArchive, files without owner write permission faReadOnly, names
// starting with '.' faHidden.
enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

// ---- files and folders -------------------------------------------------
bool FileExists(const std::string& FileName);  // true for files, not folders
bool DirectoryExists(const std::string& Name);
bool ForceDirectories(const std::string& Dir);
bool DeleteFile(const std::string& FileName);
bool RenameFile(const std::string& OldName, const std::string& NewName);
bool CreateDir(const std::string& Dir);
bool RemoveDir(const std::string& Dir);
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& Dir);
int FileGetAttr(const std::string& FileName);            // -1 when missing
int FileSetAttr(const std::string& FileName, int Attr);  // 0 or an OS error code
// Through a handle open for writing; fails where the system has no such call.
int FileSetAttr(THandle Handle, int Attr);
int FileAge(const std::string& FileName);                // DOS date-time, -1 when missing
int FileGetDate(THandle Handle);                         // DOS date-time, -1 on failure
int FileSetDate(THandle Handle, int Age);                // 0 or an OS error code
int FileSetDate(const std::string& FileName, int Age);
int64_t GetFileSize64(const std::string& FileName);      // -1 when missing

struct TOsFindData;

// Entries found by FindFirst/FindNext. Delphi's filter: entries that are
// hidden, system, volume or folder are returned only when Attr asks for that
// bit; plain files always are. "." and ".." are returned like Windows does.
struct TSearchRec {
  int Time = 0;     // DOS date-time
  int64_t Size = 0;
  int Attr = 0;
  std::string Name;
  int ExcludeAttr = 0;
  std::shared_ptr<TOsFindData> FindHandle;
};
int FindFirst(const std::string& Path, int Attr, TSearchRec& F);  // 0 or an OS error code
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// ---- paths -------------------------------------------------------------
// Trailing separators added by these routines are PathDelim.
bool IsPathDelimiter(const std::string& S, int Index);  // 0-based
std::string ExtractFilePath(const std::string& FileName);   // with trailing separator
std::string ExtractFileDir(const std::string& FileName);    // without
std::string ExtractFileName(const std::string& FileName);
std::string ExtractFileExt(const std::string& FileName);    // with the dot
std::string ExtractFileDrive(const std::string& FileName);  // "C:" or "\\server\share"
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
std::string IncludeTrailingBackslash(const std::string& S);
std::string ExcludeTrailingBackslash(const std::string& S);
std::string ExpandFileName(const std::string& FileName);
// One part of a path that Windows takes for a device whatever its folder and
// extension: CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 (any case, trailing
// blanks and dots ignored, e.g. "com1.txt", "NUL .log").
bool IsReservedDeviceName(const std::string& Part);

// ---- strings -----------------------------------------------------------
std::string UpperCase(const std::string& S);  // ASCII letters only
std::string LowerCase(const std::string& S);
std::string AnsiUpperCase(const std::string& S);  // Windows-1252 letters too
std::string AnsiLowerCase(const std::string& S);
int CompareText(const std::string& S1, const std::string& S2);      // ASCII, case-insensitive
// Case-insensitive; Windows compares linguistically (CompareStringA), natively
// the Windows-1252 lower-cased bytes are compared, so only letters and digits
// are sure to order alike on both.
int AnsiCompareText(const std::string& S1, const std::string& S2);
bool SameText(const std::string& S1, const std::string& S2);
std::string Trim(const std::string& S);  // removes control characters and spaces
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);
std::string IntToStr(int64_t Value);
std::string IntToHex(int64_t Value, int Digits);  // negative values print all 16 digits
int StrToInt(const std::string& S);  // decimal or $hex/0x hex; EConvertError when invalid
int StrToIntDef(const std::string& S, int Default);
int64_t StrToInt64(const std::string& S);
int64_t StrToInt64Def(const std::string& S, int64_t Default);

// OEM (code page 437) <-> ANSI (Windows-1252). Windows uses the system's
// OemToCharBuffA/CharToOemBuffA; natively fixed tables for that pair.
std::string OemToAnsi(const std::string& S);
std::string AnsiToOem(const std::string& S);
// UTF-8 to ANSI (Windows: the system's ANSI code page; natively
// Windows-1252), "_" for a character that has no ANSI form and for bytes that
// are no UTF-8.
std::string Utf8ToAnsi(const std::string& S);
// The Windows-1252 byte of a Unicode character, Default when it has none.
char UnicodeToCp1252(uint32_t C, char Default);

// ---- date and time -----------------------------------------------------
// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

constexpr double UnixDateDelta = 25569.0;  // 1970-01-01 as a TDateTime
constexpr double SecsPerDay = 86400.0;
constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int Year);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time);
TDateTime EncodeDate(int Year, int Month, int Day);  // EConvertError when invalid
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec);
TDateTime Now();   // local time
TDateTime Date();  // today, local

// DOS date-time: date in the high word (years since 1980, month, day), time
// in the low word (hour, minute, seconds / 2).
int DateTimeToFileDate(TDateTime DateTime);  // 0 outside 1980..2107
TDateTime FileDateToDateTime(int FileDate);  // EConvertError when invalid

// Seconds since 1970-01-01 taken as they stand: callers add or remove the
// time-zone bias (GetTimeZoneBiasMinutes in os.h) themselves.
int64_t DateTimeToUnix(TDateTime DateTime);
TDateTime UnixToDateTime(int64_t Seconds);

// Milliseconds since system start; wraps after 49.7 days like Windows.
#ifdef _WIN32
extern "C" __declspec(dllimport) unsigned long __stdcall GetTickCount(void);
#else
uint32_t GetTickCount();
#endif

// Same functions under the names <windows.h> maps ours to, for files that
// include it after this header.
#ifdef _WIN32
inline bool DeleteFileA(const std::string& FileName) { return DeleteFile(FileName); }
inline std::string OemToCharA(const std::string& S) { return OemToAnsi(S); }
inline std::string CharToOemA(const std::string& S) { return AnsiToOem(S); }
#endif
