// unrar.dll: opens, walks, tests and extracts the stored entries of RAR
// 1.5-4.x archives and volume sets, with the CRC check and the volume and
// data callbacks. Compressed entries give the "unknown format" result. Every
// length and offset comes through the bounded block reader of the RAR layout.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "archive/core/arc_source.h"
#include "archive/core/crc.h"
#include "archive/core/untypedfile.h"
#include "archive/formats/rar/rar_format.h"
#include "archive/formats/rar/unrar_api.h"
#include "framework/core/sysutils.h"

namespace {

constexpr uint8_t kStored = 0x30;
constexpr uint16_t kMainNewNumbering = 0x0010;
constexpr uint16_t kEndNextVolume = 0x0001;

struct TRarHandle {
  std::string Volume;
  std::unique_ptr<TUntypedFile> File;
  std::unique_ptr<TUntypedFileSource> Src;
  RarArchive Arc;
  uint64_t Pos = 0;
  RarBlock Cur;
  bool HaveCur = false;
  bool NewNaming = false;
  TRarChangeVolProc VolProc = nullptr;
  TRarProcessDataProc DataProc = nullptr;
  std::string Password;

  bool OpenVolume(const std::string& Name) {
    auto F = std::make_unique<TUntypedFile>();
    if (!F->OpenRead(Name)) return false;
    auto S = std::make_unique<TUntypedFileSource>(*F, F->Size());
    RarArchive A;
    int Err = 0;
    if (!ReadRarArchiveHeader(*S, 0, A, Err)) return false;
    Src = std::move(S);
    File = std::move(F);
    Arc = A;
    Volume = Name;
    Pos = A.FirstBlockPos;
    if (Arc.Main.Flags & kMainNewNumbering) NewNaming = true;
    return true;
  }

  std::string NextVolumeName() const {
    std::string N = Volume;
    if (NewNaming) {
      // name.partNN.rar: the last run of digits before the extension.
      size_t End = N.size();
      const size_t Dot = N.find_last_of('.');
      if (Dot != std::string::npos && Dot > 0) End = Dot;
      size_t Start = End;
      while (Start > 0 && N[Start - 1] >= '0' && N[Start - 1] <= '9') --Start;
      if (Start < End) {
        for (size_t i = End; i-- > Start;) {
          if (N[i] < '9') {
            ++N[i];
            return N;
          }
          N[i] = '0';
        }
        N.insert(Start, "1");
        return N;
      }
    }
    // name.rar, name.r00, name.r01 ... name.r99, name.s00 ...
    const size_t Dot = N.find_last_of('.');
    if (Dot == std::string::npos || N.size() - Dot != 4) return N + ".r00";
    const std::string Ext = N.substr(Dot + 1);
    if (SameText(Ext, "rar") || !isdigit(uint8_t(Ext[1])) || !isdigit(uint8_t(Ext[2]))) return N.substr(0, Dot) + ".r00";
    int Num = (Ext[1] - '0') * 10 + (Ext[2] - '0') + 1;
    char Letter = Ext[0];
    if (Num > 99) {
      Num = 0;
      ++Letter;
    }
    char Buf[4] = {Letter, char('0' + Num / 10), char('0' + Num % 10), 0};
    return N.substr(0, Dot + 1) + Buf;
  }

  // Moves to the next volume of the set; false when there is none or the
  // caller's callback refused.
  bool NextVolume() {
    if (!Arc.Volume) return false;
    std::string Name = NextVolumeName();
    char Buf[MAX_PATH] = {};
    for (;;) {
      const bool Exists = FileExists(Name);
      if (VolProc) {
        std::strncpy(Buf, Name.c_str(), sizeof(Buf) - 1);
        if (VolProc(Buf, Exists ? RAR_VOL_NOTIFY : RAR_VOL_ASK) <= 0) return false;
        Buf[sizeof(Buf) - 1] = 0;
        if (!Exists) Name = Buf;
      }
      if (FileExists(Name)) break;
      if (!VolProc) return false;
    }
    return OpenVolume(Name);
  }

  int ReadHeader(RARHeaderData* D) {
    HaveCur = false;
    for (int Guard = 0; Guard < 1000000; ++Guard) {
      RarBlock B;
      int Err = 0;
      if (!ReadRarBlock(*Src, Pos, B, Err)) {
        if (Err != 0) return ERAR_BAD_DATA;
        const bool More = B.HeadType == RarEndBlock ? (B.Flags & kEndNextVolume) != 0 : Arc.Volume;
        if (More && NextVolume()) continue;
        return ERAR_END_ARCHIVE;
      }
      Pos = B.NextPos;
      if (!B.IsFile() || B.SplitBefore()) continue;
      Cur = B;
      HaveCur = true;
      std::memset(D->ArcName, 0, sizeof(D->ArcName));
      std::memset(D->FileName, 0, sizeof(D->FileName));
      std::strncpy(D->ArcName, Volume.c_str(), sizeof(D->ArcName) - 1);
      std::strncpy(D->FileName, B.FileName.c_str(), sizeof(D->FileName) - 1);
      D->Flags = B.Flags;
      D->PackSize = uint32_t(B.PackedSize);
      D->UnpSize = uint32_t(B.UnpackedSize);
      D->HostOS = B.HostOs;
      D->FileCRC = B.FileCrc;
      D->FileTime = B.FileTime;
      D->UnpVer = B.UnpackVersion;
      D->Method = B.Method;
      D->FileAttr = B.Attributes;
      D->CmtSize = 0;
      D->CmtState = 0;
      return ERAR_SUCCESS;
    }
    return ERAR_BAD_DATA;
  }

  int Process(int Operation, const char* DestPath, const char* DestName) {
    if (!HaveCur) return ERAR_UNKNOWN;
    HaveCur = false;
    if (Operation == RAR_SKIP) return ERAR_SUCCESS;
    if (Cur.Encrypted()) return Password.empty() ? ERAR_MISSING_PASSWORD : ERAR_UNKNOWN_FORMAT;
    if (Cur.Method != kStored) return ERAR_UNKNOWN_FORMAT;
    if (Cur.IsDirectory()) return ERAR_SUCCESS;
    TUntypedFile Out;
    if (Operation == RAR_EXTRACT) {
      std::string Name = DestName && *DestName ? DestName
                                               : IncludeTrailingBackslash(DestPath ? DestPath : "") + Cur.FileName;
      if (!Out.Create(Name)) return ERAR_ECREATE;
    }
    uint32_t Crc = 0xFFFFFFFFu;
    std::vector<uint8_t> Buf(65536);
    RarBlock Part = Cur;
    for (;;) {
      uint64_t Left = Part.PackedSize, At = Part.DataPos;
      while (Left > 0) {
        const size_t Want = size_t(std::min<uint64_t>(Left, Buf.size()));
        const size_t Got = Src->ReadAt(At, Buf.data(), Want);
        if (Got == 0) return ERAR_EREAD;
        Crc32Block(Buf.data(), Got, Crc);
        if (DataProc && DataProc(Buf.data(), int(Got)) <= 0) return ERAR_UNKNOWN;
        if (Out.IsOpen() && Out.Write(Buf.data(), Got) != Got) return ERAR_EWRITE;
        Left -= Got;
        At += Got;
      }
      if (!Part.SplitAfter()) break;
      // The rest of the file is at the start of the next volume.
      if (!NextVolume()) return ERAR_EOPEN;
      RarBlock Next;
      int Err = 0;
      if (!ReadRarBlock(*Src, Pos, Next, Err) || !Next.IsFile() || !Next.SplitBefore() ||
          !SameText(Next.FileName, Cur.FileName))
        return ERAR_BAD_DATA;
      Pos = Next.NextPos;
      Part = Next;
    }
    if (Out.IsOpen() && !Out.Close()) return ERAR_ECLOSE;
    return ~Crc == Part.FileCrc ? ERAR_SUCCESS : ERAR_BAD_DATA;
  }
};

}  // namespace

extern "C" {

__declspec(dllexport) void* RAR_API RAROpenArchive(RAROpenArchiveData* Data) {
  if (!Data) return nullptr;
  try {
    auto H = std::make_unique<TRarHandle>();
    if (!Data->ArcName || !H->OpenVolume(Data->ArcName)) {
      Data->OpenResult = Data->ArcName && FileExists(Data->ArcName) ? ERAR_BAD_ARCHIVE : ERAR_EOPEN;
      return nullptr;
    }
    if (H->Arc.HeadersEncrypted) {
      Data->OpenResult = ERAR_MISSING_PASSWORD;
      return nullptr;
    }
    Data->OpenResult = ERAR_SUCCESS;
    Data->CmtSize = 0;
    Data->CmtState = 0;
    return H.release();
  } catch (const std::bad_alloc&) {
    Data->OpenResult = ERAR_NO_MEMORY;
  } catch (...) {
    Data->OpenResult = ERAR_EOPEN;
  }
  return nullptr;
}

__declspec(dllexport) int RAR_API RARCloseArchive(void* Handle) {
  delete static_cast<TRarHandle*>(Handle);
  return ERAR_SUCCESS;
}

__declspec(dllexport) int RAR_API RARReadHeader(void* Handle, RARHeaderData* Data) {
  if (!Handle || !Data) return ERAR_UNKNOWN;
  try {
    return static_cast<TRarHandle*>(Handle)->ReadHeader(Data);
  } catch (...) {
    return ERAR_BAD_DATA;
  }
}

__declspec(dllexport) int RAR_API RARProcessFile(void* Handle, int Operation, char* DestPath, char* DestName) {
  if (!Handle) return ERAR_UNKNOWN;
  try {
    return static_cast<TRarHandle*>(Handle)->Process(Operation, DestPath, DestName);
  } catch (...) {
    return ERAR_UNKNOWN;
  }
}

__declspec(dllexport) void RAR_API RARSetChangeVolProc(void* Handle, TRarChangeVolProc Proc) {
  if (Handle) static_cast<TRarHandle*>(Handle)->VolProc = Proc;
}

__declspec(dllexport) void RAR_API RARSetProcessDataProc(void* Handle, TRarProcessDataProc Proc) {
  if (Handle) static_cast<TRarHandle*>(Handle)->DataProc = Proc;
}

__declspec(dllexport) void RAR_API RARSetPassword(void* Handle, char* Password) {
  if (Handle) static_cast<TRarHandle*>(Handle)->Password = Password ? Password : "";
}

}  // extern "C"
