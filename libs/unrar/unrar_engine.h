// The engine of our unrar.dll: opens, walks, tests and extracts the stored
// entries of RAR 1.5-4.x archives and volume sets, with the CRC check and the
// volume and data callbacks. Compressed entries give the "unknown format"
// result. Every length and offset comes through the bounded block reader of
// the RAR layout. Portable, so that the walk can be fuzzed natively.
#pragma once
#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/formats/rar/rar_format.h"
#include "archive/formats/rar/unrar_api.h"
#include "libs/volume_set.h"

constexpr uint8_t kStored = 0x30;
constexpr uint16_t kEndNextVolume = 0x0001;

struct TRarHandle {
  std::string Volume;
  TVolumeAccess Access;
  std::unique_ptr<TArcSource> Src;
  RarArchive Arc;
  uint64_t Pos = 0;
  RarBlock Cur;
  bool HaveCur = false;
  bool NewNaming = false;
  TRarChangeVolProc VolProc = nullptr;
  TRarProcessDataProc DataProc = nullptr;
  std::string Password;
  int Volumes = 1;

  bool OpenVolume(const std::string& Name) {
    std::unique_ptr<TArcSource> S = Access.OpenSource(Name);
    if (!S) return false;
    RarArchive A;
    int Err = 0;
    if (!ReadRarArchiveHeader(*S, 0, A, Err)) return false;
    Src = std::move(S);
    Arc = A;
    Volume = Name;
    Pos = A.FirstBlockPos;
    if (Arc.Main.Flags & RarMainNewNumbering) NewNaming = true;
    return true;
  }

  std::string NextVolumeName() const { return RarNextVolumeName(Volume, NewNaming); }

  // Moves to the next volume of the set; false when there is none or the
  // caller's callback refused.
  bool NextVolume() {
    if (!Arc.Volume) return false;
    if (++Volumes >= kMaxVolumes) return false;
    std::string Name = NextVolumeName();
    if (!FindNextVolume(Access, VolProc, RAR_VOL_ASK, RAR_VOL_NOTIFY, Name)) return false;
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
      // The record carries OEM names: a Unicode name goes through the ANSI
      // code page.
      const std::string Name = B.Utf8Name.empty() ? B.FileName : AnsiToOemStr(B.AnsiName());
      std::strncpy(D->FileName, Name.c_str(), sizeof(D->FileName) - 1);
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
    RarBlock Part = Cur;
    for (;;) {
      switch (CopyStored(*Src, Part.DataPos, Part.PackedSize, Crc, DataProc, Out)) {
        case TCopyResult::crDone: break;
        case TCopyResult::crReadError: return ERAR_EREAD;
        case TCopyResult::crAborted: return ERAR_UNKNOWN;
        case TCopyResult::crWriteError: return ERAR_EWRITE;
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
