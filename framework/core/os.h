// The few operating-system services the framework needs, behind one small
// interface: os_win32.cpp implements it with the Win32 API, os_posix.cpp with
// POSIX. The file, find, attribute and time routines declared in sysutils.h
// live there too. No header includes <windows.h>.
#pragma once
#include <cstdint>
#include <string>

#include "framework/core/streams.h"
#include "framework/core/sysutils.h"

// Handle-level file access (Delphi's FileOpen family). Mode takes the
// fmOpen*/fmShare* values of streams.h. Failures return InvalidHandle or -1
// and leave the reason in OsLastError().
// The longest full file name the system's file calls take, in characters
// without the terminating NUL: MAX_PATH for the ANSI calls on Windows,
// PATH_MAX natively. Longer names are refused before anything is created.
#ifdef _WIN32
inline constexpr size_t MaxPathLength = 259;
#else
inline constexpr size_t MaxPathLength = 4095;
#endif

THandle FileOpen(const std::string& FileName, uint32_t Mode);
THandle FileCreate(const std::string& FileName);  // truncates; exclusive on Windows
int32_t FileRead(THandle Handle, void* Buffer, int32_t Count);
int32_t FileWrite(THandle Handle, const void* Buffer, int32_t Count);
int64_t FileSeek(THandle Handle, int64_t Offset, int Origin);  // origin as TSeekOrigin
bool FileTruncate(THandle Handle, int64_t Size);  // sets the size; the position stays
void FileClose(THandle Handle);

int OsLastError();
std::string SysErrorMessage(int ErrorCode);

// The temp folder, with a trailing separator.
std::string GetTempDir();
// Creates a new empty file with a unique name in Dir and returns its name;
// empty on failure.
std::string MakeTempFileName(const std::string& Dir, const std::string& Prefix);

// Minutes to add to local time to get UTC (Windows' sign: UTC+1 gives -60),
// daylight saving included when it is in effect now.
int GetTimeZoneBiasMinutes();

struct TVolumeInfo {
  std::string Label;
  uint32_t Serial = 0;
  uint32_t MaxComponentLength = 0;
  std::string FileSystem;  // "NTFS", "FAT32", ...
};
// Root is "C:\" style on Windows, any folder on the volume natively, where
// Label and FileSystem stay empty.
bool GetVolumeInfo(const std::string& Root, TVolumeInfo& Info);

// Values of Windows' GetDriveType. Natively an existing folder is dtFixed.
enum : int {
  dtUnknown = 0,
  dtNoRootDir = 1,
  dtRemovable = 2,
  dtFixed = 3,
  dtRemote = 4,
  dtCDROM = 5,
  dtRamDisk = 6,
};
int GetDriveTypeOf(const std::string& Root);

// Bytes available to the caller and the volume's total; false when Root is
// not a volume.
bool GetDiskFree(const std::string& Root, int64_t& FreeBytes, int64_t& TotalBytes);

// A program file loaded as data, for its string resources (Windows only:
// natively LoadDataModule gives nullptr and callers read the file themselves).
void* LoadDataModule(const std::string& FileName);
std::string LoadModuleString(void* Module, unsigned Id, int BufLen);
void FreeDataModule(void* Module);

// A code library loaded by name with the system's error boxes suppressed
// (SetErrorMode around LoadLibraryA); nullptr when it is missing, and always
// natively, where the outside Windows libraries do not exist.
void* LoadLibrarySilent(const std::string& Name);
// The entry point Name of a library of LoadLibrarySilent; nullptr when absent.
void* GetLibraryProc(void* Module, const char* Name);
void FreeLibraryModule(void* Module);

// Moves a file onto NewName, replacing an existing file of that name, also
// across volumes (copied then). The old file stays intact when the move fails.
bool MoveFileReplace(const std::string& OldName, const std::string& NewName);

// Deletes a file, into the recycle bin when AllowUndo is set and the system
// has one; true when the file is gone.
bool ShellDeleteFile(const std::string& FileName, bool AllowUndo);

// Keeps Windows from asking the user about missing disks or drive errors while
// it lives (SetErrorMode(SEM_FAILCRITICALERRORS)); does nothing natively.
class TErrorModeGuard {
 public:
  TErrorModeGuard();
  ~TErrorModeGuard();
  TErrorModeGuard(const TErrorModeGuard&) = delete;
  TErrorModeGuard& operator=(const TErrorModeGuard&) = delete;

 private:
  [[maybe_unused]] unsigned FOldMode;  // read only by the Windows layer
};
