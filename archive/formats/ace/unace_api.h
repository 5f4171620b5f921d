// The records, result codes and entry points of the ACE library (unace.dll)
// as the extractor and our own library share them. The records are
// byte-packed; the offsets hold on the 32-bit product.
#pragma once
#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#define ACE_API __stdcall
#else
#define ACE_API
#endif

enum : int {
  ACE_SUCCESS = 0,
  ACE_NO_MEMORY = 1,
  ACE_END_ARCHIVE = 2,  // no further entry; not an error
  ACE_FILE_NOT_FOUND = 3,
  ACE_DISK_FULL = 4,
  ACE_EOPEN = 5,
  ACE_EREAD = 6,
  ACE_EWRITE = 7,
  ACE_BAD_CRC = 9,
  ACE_UNSUPPORTED = 128,  // a method, or a cipher, the library cannot decode
  ACE_WRONG_PASSWORD = 131,
  ACE_BAD_ARCHIVE = 132,
  ACE_USER_ABORT = 255,
};
enum : int { ACE_SKIP = 0, ACE_TEST = 1, ACE_EXTRACT = 2 };
enum : int { ACE_VOL_ASK = 0, ACE_VOL_NOTIFY = 1 };
enum : int { ACE_OM_LIST = 0, ACE_OM_EXTRACT = 1 };

using TAceChangeVolProc = int(ACE_API*)(char* ArcName, int Mode);
using TAceProcessDataProc = int(ACE_API*)(unsigned char* Addr, int Size);

#pragma pack(push, 1)
struct ACEOpenArchiveData {
  char* ArcName;
  uint32_t OpenMode;
  uint32_t OpenResult;
  uint8_t LibraryOwn1[59];
  uint32_t Reserved1;  // set to 0
  uint32_t Reserved2;  // set to 0
  uint8_t LibraryOwn2[8];
  TAceChangeVolProc ChangeVolProc;
  TAceProcessDataProc ProcessDataProc;
};

struct ACEHeaderData {
  char ArcName[260];
  char FileName[260];
  uint32_t Flags;
  uint32_t PackSize;
  uint32_t UnpSize;
  uint32_t FileCRC;  // the CRC-32 of the data
  uint32_t FileTime;
  uint32_t Method;   // 0 stored, 1 LZ77, 2 blocked
  uint32_t Quality;
  uint32_t FileAttr;
  char* CmtBuf;
  uint32_t CmtBufSize;
  uint32_t CmtSize;
  uint32_t CmtState;
};
#pragma pack(pop)

static_assert(sizeof(void*) != 4 || offsetof(ACEOpenArchiveData, OpenResult) == 8);
static_assert(sizeof(void*) != 4 || offsetof(ACEOpenArchiveData, Reserved1) == 71);
static_assert(sizeof(void*) != 4 || offsetof(ACEOpenArchiveData, Reserved2) == 75);
static_assert(sizeof(void*) != 4 || offsetof(ACEOpenArchiveData, ChangeVolProc) == 87);
static_assert(sizeof(void*) != 4 || offsetof(ACEOpenArchiveData, ProcessDataProc) == 91);
static_assert(offsetof(ACEHeaderData, Flags) == 520);
static_assert(offsetof(ACEHeaderData, FileAttr) == 548);
static_assert(sizeof(void*) != 4 || sizeof(ACEHeaderData) == 568);

enum : uint32_t { ACE_FLAG_PASSWORD = 0x4000 };

using TACEOpenArchive = void*(ACE_API*)(ACEOpenArchiveData* Data);
using TACECloseArchive = int(ACE_API*)(void* Handle);
using TACEReadHeader = int(ACE_API*)(void* Handle, ACEHeaderData* Data);
using TACEProcessFile = int(ACE_API*)(void* Handle, int Operation, char* DestName);
using TACESetPassword = void(ACE_API*)(void* Handle, char* Password);
