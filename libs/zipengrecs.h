// Records exchanged with the outside Zip libraries ZIPENG.DLL and UNZENG.DLL,
// shared by TZipBridge and our own two libraries so that all sides agree on
// every offset. The libraries were built for 32-bit Windows, which fixes the layout
// there; a 64-bit build keeps the same field order with natural alignment.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(_WIN32) && !defined(_WIN64)
#define ZIPENG_CALL __stdcall
#else
#define ZIPENG_CALL
#endif

// Version number of the record layout the component writes into every record.
constexpr int32_t ZipRecordVersion = 160;
// Oldest library versions that take the short records.
constexpr int32_t ZipEngShortRecordVersion = 151;
constexpr int32_t UnzEngShortRecordVersion = 152;
// Oldest version that knows the memory modes, the archive comment and
// PasswordReqCount.
constexpr int32_t ZipEngStreamVersion = 160;

constexpr int32_t ZipTextSize = 512;
constexpr int32_t ZipLongSpecCount = 4097;
constexpr int32_t ZipMaxPasswordLen = 80;

// Flags in the records: -1 for true, 0 for false.
constexpr int32_t ZipTrue = -1;
constexpr int32_t ZipFalse = 0;

// Action codes of the callback record.
enum : int32_t {
  cbNewFile = 1,       // field 24: size of the file; text: its name
  cbProgress = 2,      // field 24: bytes done since the last report
  cbEndBatch = 3,
  cbMessage = 4,       // field 20: error code (0 for a notice); text: message
  cbTotalFiles = 5,    // field 24
  cbTotalSize = 6,     // field 24
  cbNewName = 7,       // answered as cbNameChanged with the new name in text
  cbPassword = 8,      // also the answer to cbNewName when the name changed
  cbCRCError = 9,      // field 20: found, field 24: expected; answer in 20
  cbOverwrite = 10,    // bit 0 of field 20: existing file older; answer in 24
  cbSkipped = 11,      // field 24: skip type; field 20: error code
  cbNameChanged = 8,
};

// Answer in field 20 to cbCRCError when the component has no handler.
constexpr int32_t CRCErrorNoHandler = 2;

// Skip types of cbSkipped (the component passes them through; the program's
// handlers read 4 as a wrong password).
enum : uint8_t {
  stFileExists = 1,   // overwrite refused
  stNotNewer = 2,     // freshen or update found nothing newer
  stUnsafeName = 3,   // absolute, drive-letter or ".." name
  stBadPassword = 4,  // no password given or none of them fitted
  stBadEntry = 5,     // unsupported method or damaged data
};

// Error codes the unzip library puts into field 20 of cbMessage.
enum : int32_t {
  ueWarning = 1,
  ueError = 2,
  ueBadArchive = 3,
  ueMemory = 4,
  ueNoZip = 9,
  ueParam = 10,
  ueNotFound = 11,
  ueDisk = 50,
  ueEOF = 51,
  ueCancel = 80,
  ueBadPassword = 82,
};

// Error codes the zip library puts into field 20 of cbMessage.
enum : int32_t {
  zeWarning = 1,
  zeForm = 3,     // the archive's structure is broken
  zeMemory = 4,
  zeBig = 6,      // beyond what Zip without Zip64 holds
  zeAbort = 9,
  zeTemp = 10,    // temporary file not made or not put in place
  zeRead = 11,
  zeNone = 12,    // nothing to do
  zeName = 13,    // the archive or a file is missing
  zeWrite = 14,
  zeCreate = 15,
  zeParams = 16,
  zeOpen = 18,
};

struct ZipCallbackRec {
  void* Handle;        // 0
  void* Caller;        // 4
  int32_t Version;     // 8
  int32_t Reserved12;  // 12
  int32_t ActionCode;  // 16
  int32_t ErrorCode;   // 20
  int32_t FileSize;    // 24
  char Text[ZipTextSize];  // 28
};

using ZipCallbackFunc = int32_t(ZIPENG_CALL*)(ZipCallbackRec* Rec);

// A text a record points to, read up to its NUL or Max bytes.
inline std::string ZipRecText(const char* P, size_t Max) {
  if (!P) return std::string();
  return std::string(P, strnlen(P, Max));
}

// A library's callback record for one report, the text cut to fit.
inline void FillCallbackRec(ZipCallbackRec& R, void* Handle, void* Caller, int32_t Action, int32_t Error,
                            int32_t Size, const std::string& Text) {
  std::memset(&R, 0, sizeof R);
  R.Handle = Handle;
  R.Caller = Caller;
  R.Version = ZipRecordVersion;
  R.ActionCode = Action;
  R.ErrorCode = Error;
  R.FileSize = Size;
  std::memcpy(R.Text, Text.data(), Text.size() < ZipTextSize - 1 ? Text.size() : ZipTextSize - 1);
}

// Runs one command record through a library's engine; nothing a library
// does may throw past its entry point.
template <class TCommand, class TEngine, class TReader>
int32_t RunLibraryCommand(void* Record, int32_t LibVersion, TReader Read) {
  try {
    TCommand C;
    if (!Read(Record, LibVersion, C)) return 0;
    TEngine E(C);
    return E.Run();
  } catch (...) {
    return 0;
  }
}

// One item of the unzip file-name pattern array.
struct UnzFileData {
  char* FileSpec;
  uint8_t Reserved[72 - sizeof(char*)];
};

// One item of the zip file-name pattern array.
struct ZipFileData {
  char* FileSpec;
  uint8_t Reserved[104 - sizeof(char*)];
};

// The fields the short and long unzip records share.
struct UnzipCmdHead {
  void* Handle;              // 0: window for the library's dialogs, 0 when unattended
  void* Caller;              // 4
  int32_t Version;           // 8: always ZipRecordVersion
  ZipCallbackFunc Callback;  // 12
  int32_t Trace;             // 16
  int32_t Reserved20;        // 20
  char* Password;            // 24
  int32_t Test;              // 28
  int32_t Reserved32;        // 32
  int32_t Reserved36;        // 36
  int32_t Reserved40;        // 40: -1
  int32_t Verbose;           // 44
  int32_t Update;            // 48
  int32_t Freshen;           // 52
  int32_t DirNames;          // 56
  int32_t Overwrite;         // 60
  int32_t ArgCount;          // 64
  char* ZipFileName;         // 68
};

// For unzip library 152 and later.
struct UnzipCmdRec {
  UnzipCmdHead Head;
  UnzFileData* Specs;        // 72
  int32_t Reserved76;        // 76
  int32_t UseMemory;         // 80: -1 for extract-to-memory
  uint8_t* Memory;           // 84
  int32_t MemorySize;        // 88
  int32_t Reserved92[3];     // 92
  int32_t PasswordReqCount;  // 104 (version 160 and later)
  int32_t Reserved108[9];    // 108
  int32_t Seven;             // 144
};

// For unzip libraries before 152.
struct UnzipCmdRecLong {
  UnzipCmdHead Head;
  int32_t Seven;                    // 72
  char* Specs[ZipLongSpecCount];    // 76
};

// The fields the short and long zip records share.
struct ZipCmdHead {
  void* Handle;              // 0
  void* Caller;              // 4
  int32_t Version;           // 8
  ZipCallbackFunc Callback;  // 12
  int32_t Trace;             // 16
  char* Password;            // 20: 81-byte buffer
  char* Suffix;              // 24: store-suffix text
  int32_t Encrypt;           // 28
  int32_t SystemFiles;       // 32: hidden files
  int32_t Reserved36;        // 36
  int32_t Reserved40;        // 40
  int32_t NoDirEntries;      // 44: 0 with AddSeparateDirs
  int32_t Reserved48;        // 48
  int32_t Verbose;           // 52
  int32_t Reserved56;        // 56: -1
  int32_t Level;             // 60
  int32_t Reserved64;        // 64
  int32_t Reserved68;        // 68
  int32_t JunkDir;           // 72: -1 leaves folder names out
  uint16_t Recurse;          // 76: 0xFFFF with AddRecurseDirs
  uint16_t Reserved78;       // 78
  int32_t Reserved80;        // 80: -1
  int32_t ForceDOS;          // 84
  int32_t Move;              // 88
  int32_t Delete;            // 92
  int32_t Update;            // 96
  int32_t Freshen;           // 100
  int32_t Reserved104;       // 104
  int32_t ZipTime;           // 108
  int32_t Reserved112;       // 112
  int32_t Reserved116;       // 116
  int32_t ArgCount;          // 120
  char* ZipFileName;         // 124
};

// For zip library 151 and later.
struct ZipCmdRec {
  ZipCmdHead Head;
  char* TempPath;            // 128
  char* ArchComment;         // 132 (version 160 and later)
  int16_t ArchiveFilesOnly;  // 136
  int16_t ResetArchiveBit;   // 138
  ZipFileData* Specs;        // 140
  int32_t Reserved144;       // 144
  int32_t ExclCount;         // 148
  char** Excludes;           // 152
  int32_t Reserved156[14];   // 156
  int32_t Seven;             // 212
};

// For zip libraries before 151.
struct ZipCmdRecLong {
  ZipCmdHead Head;
  int32_t Seven;                    // 128
  char* Specs[ZipLongSpecCount];    // 132
};

using ZipEngExecFunc = int32_t(ZIPENG_CALL*)(void* Rec);
using ZipEngVersionFunc = int32_t(ZIPENG_CALL*)();

// The 32-bit layout the libraries were built against.
#define ZIPENG_AT(rec, field, offset) \
  static_assert(sizeof(void*) != 4 || offsetof(rec, field) == (offset), #rec "." #field)
static_assert(sizeof(void*) != 4 || sizeof(ZipCallbackRec) == 540);
ZIPENG_AT(ZipCallbackRec, Caller, 4);
ZIPENG_AT(ZipCallbackRec, ActionCode, 16);
ZIPENG_AT(ZipCallbackRec, ErrorCode, 20);
ZIPENG_AT(ZipCallbackRec, FileSize, 24);
ZIPENG_AT(ZipCallbackRec, Text, 28);

static_assert(sizeof(UnzFileData) == 72);
static_assert(sizeof(ZipFileData) == 104);

static_assert(sizeof(void*) != 4 || sizeof(UnzipCmdHead) == 72);
ZIPENG_AT(UnzipCmdHead, Caller, 4);
ZIPENG_AT(UnzipCmdHead, Version, 8);
ZIPENG_AT(UnzipCmdHead, Callback, 12);
ZIPENG_AT(UnzipCmdHead, Trace, 16);
ZIPENG_AT(UnzipCmdHead, Password, 24);
ZIPENG_AT(UnzipCmdHead, Test, 28);
ZIPENG_AT(UnzipCmdHead, Reserved40, 40);
ZIPENG_AT(UnzipCmdHead, Verbose, 44);
ZIPENG_AT(UnzipCmdHead, Update, 48);
ZIPENG_AT(UnzipCmdHead, Freshen, 52);
ZIPENG_AT(UnzipCmdHead, DirNames, 56);
ZIPENG_AT(UnzipCmdHead, Overwrite, 60);
ZIPENG_AT(UnzipCmdHead, ArgCount, 64);
ZIPENG_AT(UnzipCmdHead, ZipFileName, 68);
static_assert(sizeof(void*) != 4 || sizeof(UnzipCmdRec) == 148);
ZIPENG_AT(UnzipCmdRec, Specs, 72);
ZIPENG_AT(UnzipCmdRec, UseMemory, 80);
ZIPENG_AT(UnzipCmdRec, Memory, 84);
ZIPENG_AT(UnzipCmdRec, MemorySize, 88);
ZIPENG_AT(UnzipCmdRec, PasswordReqCount, 104);
ZIPENG_AT(UnzipCmdRec, Seven, 144);
static_assert(sizeof(void*) != 4 || sizeof(UnzipCmdRecLong) == 16464);
ZIPENG_AT(UnzipCmdRecLong, Seven, 72);
ZIPENG_AT(UnzipCmdRecLong, Specs, 76);

static_assert(sizeof(void*) != 4 || sizeof(ZipCmdHead) == 128);
ZIPENG_AT(ZipCmdHead, Password, 20);
ZIPENG_AT(ZipCmdHead, Suffix, 24);
ZIPENG_AT(ZipCmdHead, Encrypt, 28);
ZIPENG_AT(ZipCmdHead, NoDirEntries, 44);
ZIPENG_AT(ZipCmdHead, Verbose, 52);
ZIPENG_AT(ZipCmdHead, Level, 60);
ZIPENG_AT(ZipCmdHead, JunkDir, 72);
ZIPENG_AT(ZipCmdHead, Recurse, 76);
ZIPENG_AT(ZipCmdHead, Reserved80, 80);
ZIPENG_AT(ZipCmdHead, Delete, 92);
ZIPENG_AT(ZipCmdHead, Freshen, 100);
ZIPENG_AT(ZipCmdHead, ZipTime, 108);
ZIPENG_AT(ZipCmdHead, ArgCount, 120);
ZIPENG_AT(ZipCmdHead, ZipFileName, 124);
static_assert(sizeof(void*) != 4 || sizeof(ZipCmdRec) == 216);
ZIPENG_AT(ZipCmdRec, TempPath, 128);
ZIPENG_AT(ZipCmdRec, ArchComment, 132);
ZIPENG_AT(ZipCmdRec, ArchiveFilesOnly, 136);
ZIPENG_AT(ZipCmdRec, ResetArchiveBit, 138);
ZIPENG_AT(ZipCmdRec, Specs, 140);
ZIPENG_AT(ZipCmdRec, ExclCount, 148);
ZIPENG_AT(ZipCmdRec, Excludes, 152);
ZIPENG_AT(ZipCmdRec, Seven, 212);
static_assert(sizeof(void*) != 4 || sizeof(ZipCmdRecLong) == 16520);
ZIPENG_AT(ZipCmdRecLong, Seven, 128);
ZIPENG_AT(ZipCmdRecLong, Specs, 132);
#undef ZIPENG_AT
