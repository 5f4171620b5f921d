#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "framework/core/streams.h"

namespace {

// Windows-style paths keep working: '\' is read as the separator.
std::string OsPath(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C == '\\') C = '/';
  return R;
}

bool StatOf(const std::string& Name, struct stat& St) { return !Name.empty() && ::stat(OsPath(Name).c_str(), &St) == 0; }

int AttrOf(const struct stat& St, const std::string& Name) {
  int A = 0;
  if (S_ISDIR(St.st_mode))
    A |= faDirectory;
  else if (S_ISREG(St.st_mode))
    A |= faArchive;
  else
    A |= faSysFile;
  if (!(St.st_mode & S_IWUSR)) A |= faReadOnly;
  if (Name.size() > 1 && Name[0] == '.' && Name != "..") A |= faHidden;
  return A;
}

// Local time as a DOS date-time; -1 outside what DOS can hold (1980..2107).
int TimeToFileDate(time_t T) {
  struct tm Tm;
  if (!localtime_r(&T, &Tm)) return -1;
  int Year = Tm.tm_year + 1900;
  if (Year < 1980 || Year > 2107) return -1;
  uint32_t Hi = static_cast<uint32_t>(Tm.tm_mday | ((Tm.tm_mon + 1) << 5) | ((Year - 1980) << 9));
  uint32_t Lo = static_cast<uint32_t>((Tm.tm_sec >> 1) | (Tm.tm_min << 5) | (Tm.tm_hour << 11));
  return static_cast<int>(Hi << 16 | Lo);
}

bool FileDateToTime(int Age, struct timespec& Ts) {
  uint32_t U = static_cast<uint32_t>(Age);
  uint32_t Hi = U >> 16, Lo = U & 0xFFFF;
  TDateTime Check;
  struct tm Tm = {};
  Tm.tm_year = static_cast<int>((Hi >> 9) + 80);
  Tm.tm_mon = static_cast<int>((Hi >> 5) & 15) - 1;
  Tm.tm_mday = static_cast<int>(Hi & 31);
  Tm.tm_hour = static_cast<int>(Lo >> 11);
  Tm.tm_min = static_cast<int>((Lo >> 5) & 63);
  Tm.tm_sec = static_cast<int>((Lo & 31) * 2);
  Tm.tm_isdst = -1;
  if (!TryEncodeDate(Tm.tm_year + 1900, Tm.tm_mon + 1, Tm.tm_mday, Check) ||
      !TryEncodeTime(Tm.tm_hour, Tm.tm_min, Tm.tm_sec, 0, Check))
    return false;
  time_t T = mktime(&Tm);
  if (T == static_cast<time_t>(-1)) return false;
  Ts.tv_sec = T;
  Ts.tv_nsec = 0;
  return true;
}

// Windows wildcard matching: '*' any run, '?' one character, letters in
// either case; "*.*" matches every name.
char Lower(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

bool MatchPattern(const char* P, const char* N) {
  const char* StarP = nullptr;
  const char* StarN = nullptr;
  while (*N) {
    if (*P == '*') {
      StarP = ++P;
      StarN = N;
    } else if (*P == '?' || (*P && Lower(*P) == Lower(*N))) {
      ++P;
      ++N;
    } else if (StarP) {
      P = StarP;
      N = ++StarN;
    } else {
      return false;
    }
  }
  while (*P == '*') ++P;
  return *P == 0;
}

const unsigned char OemToAnsiTable[128] = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 0x50, 0x83,
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAC, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0x2B, 0x2B, 0xA6, 0xA6, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B,
    0x2B, 0x2D, 0x2D, 0x2B, 0x2D, 0x2B, 0xA6, 0xA6, 0x2B, 0x2B, 0x2D, 0x2D, 0xA6, 0x2D, 0x2B, 0x2D,
    0x2D, 0x2D, 0x2D, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0xA6, 0x5F, 0xA6, 0xA6, 0xAF,
    0x61, 0xDF, 0x47, 0x70, 0x53, 0x73, 0xB5, 0x74, 0x46, 0x54, 0x4F, 0x64, 0x38, 0x66, 0x65, 0x6E,
    0x3D, 0xB1, 0x3D, 0x3D, 0x28, 0x29, 0xF7, 0x98, 0xB0, 0xB7, 0xB7, 0x76, 0x6E, 0xB2, 0xA6, 0xA0,
};
const unsigned char AnsiToOemTable[128] = {
    0x3F, 0x3F, 0x2C, 0x9F, 0x2C, 0x2E, 0x2B, 0xD8, 0x5E, 0x25, 0x53, 0x3C, 0x4F, 0x3F, 0x5A, 0x3F,
    0x3F, 0x60, 0x27, 0x22, 0x22, 0x07, 0x2D, 0x2D, 0x7E, 0x54, 0x73, 0x3E, 0x6F, 0x3F, 0x7A, 0x59,
    0xFF, 0xAD, 0x9B, 0x9C, 0x0F, 0x9D, 0xDD, 0x15, 0x22, 0x63, 0xA6, 0xAE, 0xAA, 0x2D, 0x72, 0x5F,
    0xF8, 0xF1, 0xFD, 0x33, 0x27, 0xE6, 0x14, 0xFA, 0x2C, 0x31, 0xA7, 0xAF, 0xAC, 0xAB, 0x5F, 0xA8,
    0x41, 0x41, 0x41, 0x41, 0x8E, 0x8F, 0x92, 0x80, 0x45, 0x90, 0x45, 0x45, 0x49, 0x49, 0x49, 0x49,
    0x44, 0xA5, 0x4F, 0x4F, 0x4F, 0x4F, 0x99, 0x78, 0x4F, 0x55, 0x55, 0x55, 0x9A, 0x59, 0x5F, 0xE1,
    0x85, 0xA0, 0x83, 0x61, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0x64, 0xA4, 0x95, 0xA2, 0x93, 0x6F, 0x94, 0xF6, 0x6F, 0x97, 0xA3, 0x96, 0x81, 0x79, 0x5F, 0x98,
};

}  // namespace

struct TOsFindData {
  DIR* Dir = nullptr;
  std::string Folder;
  std::string Pattern;
  ~TOsFindData() {
    if (Dir) closedir(Dir);
  }
};

namespace {

int FindMatching(TSearchRec& F) {
  TOsFindData& D = *F.FindHandle;
  while (dirent* E = readdir(D.Dir)) {
    std::string Name = E->d_name;
    if (!MatchPattern(D.Pattern.c_str(), Name.c_str())) continue;
    struct stat St;
    std::string Full = D.Folder + Name;
    if (::stat(Full.c_str(), &St) != 0 && ::lstat(Full.c_str(), &St) != 0) continue;
    int Attr = AttrOf(St, Name);
    if (Attr & F.ExcludeAttr) continue;
    F.Name = Name;
    F.Attr = Attr;
    F.Size = S_ISDIR(St.st_mode) ? 0 : static_cast<int64_t>(St.st_size);
    F.Time = TimeToFileDate(St.st_mtime);
    return 0;
  }
  return ENOENT;
}

}  // namespace

int FindFirst(const std::string& Path, int Attr, TSearchRec& F) {
  constexpr int faSpecial = faHidden | faSysFile | faVolumeID | faDirectory;
  FindClose(F);
  F.ExcludeAttr = ~Attr & faSpecial;
  auto D = std::make_shared<TOsFindData>();
  std::string P = OsPath(Path);
  D->Folder = ExtractFilePath(P);
  D->Pattern = ExtractFileName(P);
  if (D->Pattern == "*.*") D->Pattern.assign(1, '*');
  D->Dir = opendir(D->Folder.empty() ? "." : D->Folder.c_str());
  if (!D->Dir) return errno ? errno : ENOENT;
  F.FindHandle = D;
  int R = FindMatching(F);
  if (R != 0) FindClose(F);
  return R;
}

int FindNext(TSearchRec& F) {
  if (!F.FindHandle) return ENOENT;
  return FindMatching(F);
}

void FindClose(TSearchRec& F) { F.FindHandle.reset(); }

bool FileExists(const std::string& FileName) {
  struct stat St;
  return StatOf(FileName, St) && !S_ISDIR(St.st_mode);
}

bool DirectoryExists(const std::string& Name) {
  struct stat St;
  return StatOf(Name, St) && S_ISDIR(St.st_mode);
}

bool DeleteFile(const std::string& FileName) { return !FileName.empty() && ::unlink(OsPath(FileName).c_str()) == 0; }

bool RenameFile(const std::string& OldName, const std::string& NewName) {
  // Windows' MoveFile never replaces an existing file.
  struct stat St;
  if (::lstat(OsPath(NewName).c_str(), &St) == 0 && OsPath(OldName) != OsPath(NewName)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(OsPath(OldName).c_str(), OsPath(NewName).c_str()) == 0;
}

bool CreateDir(const std::string& Dir) { return !Dir.empty() && ::mkdir(OsPath(Dir).c_str(), 0777) == 0; }

bool RemoveDir(const std::string& Dir) { return !Dir.empty() && ::rmdir(OsPath(Dir).c_str()) == 0; }

std::string GetCurrentDir() {
  std::vector<char> Buf(PATH_MAX);
  while (!::getcwd(Buf.data(), Buf.size())) {
    if (errno != ERANGE) return std::string();
    Buf.resize(Buf.size() * 2);
  }
  return Buf.data();
}

bool SetCurrentDir(const std::string& Dir) { return !Dir.empty() && ::chdir(OsPath(Dir).c_str()) == 0; }

int FileGetAttr(const std::string& FileName) {
  struct stat St;
  if (!StatOf(FileName, St)) return -1;
  return AttrOf(St, ExtractFileName(OsPath(ExcludeTrailingBackslash(FileName))));
}

// Only the read-only bit has a POSIX counterpart.
static mode_t WritableMode(mode_t Mode, int Attr) {
  Mode &= 07777;
  if (Attr & faReadOnly) return Mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  return Mode | S_IWUSR;
}

int FileSetAttr(const std::string& FileName, int Attr) {
  struct stat St;
  if (!StatOf(FileName, St)) return errno;
  return ::chmod(OsPath(FileName).c_str(), WritableMode(St.st_mode, Attr)) == 0 ? 0 : errno;
}

int FileSetAttr(THandle Handle, int Attr) {
  struct stat St;
  if (::fstat(static_cast<int>(Handle), &St) != 0) return errno;
  return ::fchmod(static_cast<int>(Handle), WritableMode(St.st_mode, Attr)) == 0 ? 0 : errno;
}

int FileAge(const std::string& FileName) {
  struct stat St;
  if (!StatOf(FileName, St) || S_ISDIR(St.st_mode)) return -1;
  return TimeToFileDate(St.st_mtime);
}

int FileGetDate(THandle Handle) {
  struct stat St;
  if (::fstat(static_cast<int>(Handle), &St) != 0) return -1;
  return TimeToFileDate(St.st_mtime);
}

int FileSetDate(THandle Handle, int Age) {
  struct timespec Ts[2];
  Ts[0].tv_sec = 0;
  Ts[0].tv_nsec = UTIME_OMIT;
  if (!FileDateToTime(Age, Ts[1])) return EINVAL;
  return ::futimens(static_cast<int>(Handle), Ts) == 0 ? 0 : errno;
}

int FileSetDate(const std::string& FileName, int Age) {
  struct timespec Ts[2];
  Ts[0].tv_sec = 0;
  Ts[0].tv_nsec = UTIME_OMIT;
  if (!FileDateToTime(Age, Ts[1])) return EINVAL;
  return ::utimensat(AT_FDCWD, OsPath(FileName).c_str(), Ts, 0) == 0 ? 0 : errno;
}

int64_t GetFileSize64(const std::string& FileName) {
  struct stat St;
  if (!StatOf(FileName, St) || S_ISDIR(St.st_mode)) return -1;
  return static_cast<int64_t>(St.st_size);
}

std::string ExpandFileName(const std::string& FileName) {
  if (FileName.empty()) return std::string();
  std::string P = OsPath(FileName);
  if (P[0] != '/') P = GetCurrentDir() + "/" + P;
  bool Trailing = P.back() == '/';
  std::vector<std::string> Parts;
  size_t I = 0;
  while (I <= P.size()) {
    size_t J = P.find('/', I);
    if (J == std::string::npos) J = P.size();
    std::string Seg = P.substr(I, J - I);
    if (Seg == "..") {
      if (!Parts.empty()) Parts.pop_back();
    } else if (!Seg.empty() && Seg != ".") {
      Parts.push_back(Seg);
    }
    I = J + 1;
  }
  std::string R;
  for (const std::string& S : Parts) R += "/" + S;
  if (R.empty() || Trailing) R += "/";
  return R;
}

// ---- Windows-1252 and the OEM pair --------------------------------------

std::string AnsiUpperCase(const std::string& S) {
  std::string R = S;
  for (char& C : R) {
    unsigned char U = static_cast<unsigned char>(C);
    if ((U >= 'a' && U <= 'z') || (U >= 0xE0 && U <= 0xFE && U != 0xF7))
      U = static_cast<unsigned char>(U - 0x20);
    else if (U == 0x9A || U == 0x9C || U == 0x9E)
      U = static_cast<unsigned char>(U - 0x10);
    else if (U == 0xFF)
      U = 0x9F;
    C = static_cast<char>(U);
  }
  return R;
}

std::string AnsiLowerCase(const std::string& S) {
  std::string R = S;
  for (char& C : R) {
    unsigned char U = static_cast<unsigned char>(C);
    if ((U >= 'A' && U <= 'Z') || (U >= 0xC0 && U <= 0xDE && U != 0xD7))
      U = static_cast<unsigned char>(U + 0x20);
    else if (U == 0x8A || U == 0x8C || U == 0x8E)
      U = static_cast<unsigned char>(U + 0x10);
    else if (U == 0x9F)
      U = 0xFF;
    C = static_cast<char>(U);
  }
  return R;
}

// Byte order of the lower-cased text; Windows compares linguistically, so
// only letters and digits order the same on both.
int AnsiCompareText(const std::string& S1, const std::string& S2) {
  int R = AnsiLowerCase(S1).compare(AnsiLowerCase(S2));
  return R < 0 ? -1 : R > 0 ? 1 : 0;
}

std::string OemToAnsi(const std::string& S) {
  std::string R = S;
  for (char& C : R) {
    unsigned char U = static_cast<unsigned char>(C);
    if (U >= 0x80) C = static_cast<char>(OemToAnsiTable[U - 0x80]);
  }
  return R;
}

std::string Utf8ToAnsi(const std::string& S) {
  std::string R;
  const auto* P = reinterpret_cast<const unsigned char*>(S.data());
  const size_t N = S.size();
  for (size_t i = 0; i < N;) {
    const unsigned char B = P[i];
    size_t Len = B < 0x80 ? 1 : (B & 0xE0) == 0xC0 ? 2 : (B & 0xF0) == 0xE0 ? 3 : (B & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t C = Len == 1 ? B : Len == 2 ? B & 0x1F : Len == 3 ? B & 0x0F : B & 0x07;
    bool Ok = Len != 0 && Len <= N - i;
    for (size_t k = 1; Ok && k < Len; ++k) {
      Ok = (P[i + k] & 0xC0) == 0x80;
      C = (C << 6) | (P[i + k] & 0x3F);
    }
    // Overlong forms and surrogates are no characters.
    static const uint32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
    Ok = Ok && C >= Least[Len] && C <= 0x10FFFF && !(C >= 0xD800 && C <= 0xDFFF);
    R += Ok ? UnicodeToCp1252(C, '_') : '_';
    i += Ok ? Len : 1;
  }
  return R;
}

std::string AnsiToOem(const std::string& S) {
  std::string R = S;
  for (char& C : R) {
    unsigned char U = static_cast<unsigned char>(C);
    if (U >= 0x80) C = static_cast<char>(AnsiToOemTable[U - 0x80]);
  }
  return R;
}

// ---- time ---------------------------------------------------------------

TDateTime Now() {
  struct timespec Ts;
  clock_gettime(CLOCK_REALTIME, &Ts);
  struct tm Tm;
  localtime_r(&Ts.tv_sec, &Tm);
  return EncodeDate(Tm.tm_year + 1900, Tm.tm_mon + 1, Tm.tm_mday) +
         EncodeTime(Tm.tm_hour, Tm.tm_min, Tm.tm_sec > 59 ? 59 : Tm.tm_sec, static_cast<int>(Ts.tv_nsec / 1000000));
}

uint32_t GetTickCount() {
  struct timespec Ts;
  clock_gettime(CLOCK_MONOTONIC, &Ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(Ts.tv_sec) * 1000u + static_cast<uint64_t>(Ts.tv_nsec) / 1000000u);
}

int GetTimeZoneBiasMinutes() {
  time_t T = time(nullptr);
  struct tm Tm;
  if (!localtime_r(&T, &Tm)) return 0;
  return static_cast<int>(-Tm.tm_gmtoff / 60);
}

// ---- os.h ---------------------------------------------------------------

THandle FileOpen(const std::string& FileName, uint32_t Mode) {
  static const int Access[3] = {O_RDONLY, O_WRONLY, O_RDWR};
  if ((Mode & 3) > 2 || FileName.empty()) {
    errno = EINVAL;
    return InvalidHandle;
  }
  int Fd;
  do Fd = ::open(OsPath(FileName).c_str(), Access[Mode & 3] | O_CLOEXEC);
  while (Fd < 0 && errno == EINTR);
  if (Fd < 0) return InvalidHandle;
  // Windows refuses to open folders as files; so do we.
  struct stat St;
  if (::fstat(Fd, &St) == 0 && S_ISDIR(St.st_mode)) {
    ::close(Fd);
    errno = EISDIR;
    return InvalidHandle;
  }
  return Fd;
}

THandle FileCreate(const std::string& FileName) {
  if (FileName.empty()) {
    errno = ENOENT;
    return InvalidHandle;
  }
  int Fd;
  do Fd = ::open(OsPath(FileName).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  while (Fd < 0 && errno == EINTR);
  return Fd < 0 ? InvalidHandle : Fd;
}

int32_t FileRead(THandle Handle, void* Buffer, int32_t Count) {
  int32_t Done = 0;
  while (Done < Count) {
    ssize_t N = ::read(static_cast<int>(Handle), static_cast<char*>(Buffer) + Done, static_cast<size_t>(Count - Done));
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) return Done ? Done : -1;
    if (N == 0) break;
    Done += static_cast<int32_t>(N);
  }
  return Done;
}

int32_t FileWrite(THandle Handle, const void* Buffer, int32_t Count) {
  int32_t Done = 0;
  while (Done < Count) {
    ssize_t N = ::write(static_cast<int>(Handle), static_cast<const char*>(Buffer) + Done, static_cast<size_t>(Count - Done));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) return Done ? Done : -1;
    Done += static_cast<int32_t>(N);
  }
  return Done;
}

int64_t FileSeek(THandle Handle, int64_t Offset, int Origin) {
  static const int Whence[3] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (Origin < 0 || Origin > 2) {
    errno = EINVAL;
    return -1;
  }
  return static_cast<int64_t>(::lseek(static_cast<int>(Handle), static_cast<off_t>(Offset), Whence[Origin]));
}

bool FileTruncate(THandle Handle, int64_t Size) { return ::ftruncate(static_cast<int>(Handle), static_cast<off_t>(Size)) == 0; }

void FileClose(THandle Handle) {
  if (Handle != InvalidHandle) ::close(static_cast<int>(Handle));
}

int OsLastError() { return errno; }

std::string SysErrorMessage(int ErrorCode) { return std::strerror(ErrorCode); }

std::string GetTempDir() {
  const char* T = std::getenv("TMPDIR");
  std::string Dir = T && *T ? T : "/tmp";
  return IncludeTrailingBackslash(Dir);
}

std::string MakeTempFileName(const std::string& Dir, const std::string& Prefix) {
  std::string Template = OsPath(IncludeTrailingBackslash(Dir)) + Prefix + "XXXXXX.tmp";
  std::vector<char> Buf(Template.begin(), Template.end());
  Buf.push_back(0);
  int Fd = ::mkstemps(Buf.data(), 4);
  if (Fd < 0) return std::string();
  ::close(Fd);
  return Buf.data();
}

bool GetVolumeInfo(const std::string& Root, TVolumeInfo& Info) {
  struct statvfs V;
  if (::statvfs(OsPath(Root).c_str(), &V) != 0) return false;
  Info.Label.clear();
  Info.Serial = static_cast<uint32_t>(V.f_fsid);
  Info.MaxComponentLength = static_cast<uint32_t>(V.f_namemax);
  Info.FileSystem.clear();
  return true;
}

int GetDriveTypeOf(const std::string& Root) { return DirectoryExists(Root) ? dtFixed : dtNoRootDir; }

bool GetDiskFree(const std::string& Root, int64_t& FreeBytes, int64_t& TotalBytes) {
  struct statvfs V;
  if (::statvfs(OsPath(Root).c_str(), &V) != 0) return false;
  FreeBytes = static_cast<int64_t>(V.f_bavail) * static_cast<int64_t>(V.f_frsize);
  TotalBytes = static_cast<int64_t>(V.f_blocks) * static_cast<int64_t>(V.f_frsize);
  return true;
}

void* LoadDataModule(const std::string&) { return nullptr; }
std::string LoadModuleString(void*, unsigned, int) { return std::string(); }
void FreeDataModule(void*) {}

void* LoadLibrarySilent(const std::string&) { return nullptr; }
void* GetLibraryProc(void*, const char*) { return nullptr; }
void FreeLibraryModule(void*) {}

bool MoveFileReplace(const std::string& OldName, const std::string& NewName) {
  const std::string From = OsPath(OldName), To = OsPath(NewName);
  if (::rename(From.c_str(), To.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  // Another file system: copy beside the target, then rename over it, so
  // the target is never half written.
  std::string Tmp = To + ".XXXXXX";
  int Out = ::mkstemp(&Tmp[0]);
  if (Out < 0) return false;
  int In = ::open(From.c_str(), O_RDONLY);
  bool Ok = In >= 0;
  std::vector<char> Buf(1 << 16);
  while (Ok) {
    ssize_t N = ::read(In, Buf.data(), Buf.size());
    if (N == 0) break;
    if (N < 0) {
      if (errno == EINTR) continue;
      Ok = false;
      break;
    }
    for (ssize_t Done = 0; Ok && Done < N;) {
      ssize_t W = ::write(Out, Buf.data() + Done, size_t(N - Done));
      if (W < 0 && errno == EINTR) continue;
      if (W <= 0) Ok = false;
      else Done += W;
    }
  }
  if (In >= 0) ::close(In);
  struct stat St;
  if (Ok && ::stat(From.c_str(), &St) == 0) ::fchmod(Out, St.st_mode & 07777);
  Ok = ::fsync(Out) == 0 && Ok;
  Ok = ::close(Out) == 0 && Ok;
  if (Ok && ::rename(Tmp.c_str(), To.c_str()) == 0) {
    ::unlink(From.c_str());
    return true;
  }
  ::unlink(Tmp.c_str());
  return false;
}

bool ShellDeleteFile(const std::string& FileName, bool) { return DeleteFile(FileName) || !FileExists(FileName); }

TErrorModeGuard::TErrorModeGuard() : FOldMode(0) {}
TErrorModeGuard::~TErrorModeGuard() = default;

int DefaultPrompt(const std::string&, const std::string&, int Buttons) {
  switch (Buttons & 0x0F) {
    case pbOK:
      return mrOk;
    case pbYesNo:
      return mrNo;
    case pbAbortRetryIgnore:
      return mrAbort;
    default:
      return mrCancel;
  }
}

#endif
