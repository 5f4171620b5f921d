// The records, result codes and entry points of the RAR library (unrar.dll)
// as the extractor and our own library share them.
#pragma once
#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#define RAR_API __stdcall
#else
#define RAR_API
#endif

enum : int {
  ERAR_SUCCESS = 0,
  ERAR_END_ARCHIVE = 10,
  ERAR_NO_MEMORY = 11,
  ERAR_BAD_DATA = 12,
  ERAR_BAD_ARCHIVE = 13,
  ERAR_UNKNOWN_FORMAT = 14,
  ERAR_EOPEN = 15,
  ERAR_ECREATE = 16,
  ERAR_ECLOSE = 17,
  ERAR_EREAD = 18,
  ERAR_EWRITE = 19,
  ERAR_SMALL_BUF = 20,
  ERAR_UNKNOWN = 21,
  ERAR_MISSING_PASSWORD = 22,
};
enum : int { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };
enum : int { RAR_VOL_ASK = 0, RAR_VOL_NOTIFY = 1 };
enum : int { RAR_OM_LIST = 0, RAR_OM_EXTRACT = 1 };

struct RAROpenArchiveData {
  char* ArcName;
  uint32_t OpenMode;
  uint32_t OpenResult;
  char* CmtBuf;
  uint32_t CmtBufSize;
  uint32_t CmtSize;
  uint32_t CmtState;
};

struct RARHeaderData {
  char ArcName[260];
  char FileName[260];
  uint32_t Flags;
  uint32_t PackSize;
  uint32_t UnpSize;
  uint32_t HostOS;
  uint32_t FileCRC;
  uint32_t FileTime;
  uint32_t UnpVer;
  uint32_t Method;
  uint32_t FileAttr;
  char* CmtBuf;
  uint32_t CmtBufSize;
  uint32_t CmtSize;
  uint32_t CmtState;
};
static_assert(offsetof(RARHeaderData, Flags) == 520);
static_assert(offsetof(RARHeaderData, FileAttr) == 552);
static_assert(sizeof(void*) != 4 || sizeof(RARHeaderData) == 572);
static_assert(sizeof(void*) != 4 || sizeof(RAROpenArchiveData) == 28);

using TRarChangeVolProc = int(RAR_API*)(char* ArcName, int Mode);
using TRarProcessDataProc = int(RAR_API*)(unsigned char* Addr, int Size);

using TRAROpenArchive = void*(RAR_API*)(RAROpenArchiveData* Data);
using TRARCloseArchive = int(RAR_API*)(void* Handle);
using TRARReadHeader = int(RAR_API*)(void* Handle, RARHeaderData* Data);
using TRARProcessFile = int(RAR_API*)(void* Handle, int Operation, char* DestPath, char* DestName);
using TRARSetChangeVolProc = void(RAR_API*)(void* Handle, TRarChangeVolProc Proc);
using TRARSetProcessDataProc = void(RAR_API*)(void* Handle, TRarProcessDataProc Proc);
using TRARSetPassword = void(RAR_API*)(void* Handle, char* Password);
