// The engine of our unace.dll: opens, walks, tests and extracts the stored
// entries of ACE archives and volume sets (name.ace, name.c00, name.c01 ...),
// with the CRC check and the volume and data callbacks. Compressed and
// enciphered entries give the "unsupported" result. Every length and offset
// comes through the bounded header reader of the ACE layout. Portable, so
// that the walk can be fuzzed natively.
#pragma once
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/formats/ace/ace_format.h"
#include "archive/formats/ace/unace_api.h"
#include "libs/volume_set.h"

struct TAceHandle {
  std::string Volume;
  TVolumeAccess Access;
  std::unique_ptr<TArcSource> Src;
  AceMainHeader Main;
  uint64_t Pos = 0;
  AceFileHeader Cur;
  bool HaveCur = false;
  TAceChangeVolProc VolProc = nullptr;
  TAceProcessDataProc DataProc = nullptr;
  std::string Password;
  int Volumes = 1;

  bool OpenVolume(const std::string& Name) {
    std::unique_ptr<TArcSource> S = Access.OpenSource(Name);
    if (!S) return false;
    AceMainHeader M;
    if (!FindAceMainHeader(*S, M)) return false;
    Src = std::move(S);
    Main = M;
    Volume = Name;
    Pos = M.NextPos;
    return true;
  }

  // name.ace, name.c00, name.c01 ... name.c99, name.d00 ...
  std::string NextVolumeName() const { return NextOldStyleVolume(Volume, 'c'); }

  bool NextVolume() {
    if (!Main.MultiVolume()) return false;
    if (++Volumes >= kMaxVolumes) return false;
    std::string Name = NextVolumeName();
    if (!FindNextVolume(Access, VolProc, ACE_VOL_ASK, ACE_VOL_NOTIFY, Name)) return false;
    return OpenVolume(Name);
  }

  int ReadHeader(ACEHeaderData* D) {
    HaveCur = false;
    for (int Guard = 0; Guard < 1000000; ++Guard) {
      AceFileHeader H;
      int Err = 0;
      if (!ReadAceFileHeader(*Src, Pos, H, Err)) {
        if (Err != 0) return Err == rdHeaderCrc ? ACE_BAD_CRC : ACE_BAD_ARCHIVE;
        if (NextVolume()) continue;
        return ACE_END_ARCHIVE;
      }
      Pos = H.NextPos;
      if (H.ContinuedFromPrev()) continue;
      Cur = H;
      HaveCur = true;
      std::memset(D->ArcName, 0, sizeof(D->ArcName));
      std::memset(D->FileName, 0, sizeof(D->FileName));
      std::strncpy(D->ArcName, Volume.c_str(), sizeof(D->ArcName) - 1);
      std::strncpy(D->FileName, H.FileName.c_str(), sizeof(D->FileName) - 1);
      D->Flags = H.HeadFlags;
      D->PackSize = uint32_t(H.PackedSize);
      D->UnpSize = uint32_t(H.UnpackedSize);
      D->FileCRC = H.FileCrc32();
      D->FileTime = H.DosTime;
      D->Method = H.TechType;
      D->Quality = H.TechQuality;
      D->FileAttr = H.Attributes;
      D->CmtSize = 0;
      D->CmtState = 0;
      return ACE_SUCCESS;
    }
    return ACE_BAD_ARCHIVE;
  }

  int Process(int Operation, const char* DestName) {
    if (!HaveCur) return ACE_BAD_ARCHIVE;
    HaveCur = false;
    if (Operation == ACE_SKIP) return ACE_SUCCESS;
    if (Cur.Encrypted()) return Password.empty() ? ACE_WRONG_PASSWORD : ACE_UNSUPPORTED;
    if (Cur.TechType != 0) return ACE_UNSUPPORTED;
    if (Cur.IsDirectory()) return ACE_SUCCESS;
    TUntypedFile Out;
    if (Operation == ACE_EXTRACT) {
      if (!DestName || !*DestName) return ACE_EOPEN;
      if (!Out.Create(DestName)) return ACE_EWRITE;
    }
    uint32_t Crc = 0xFFFFFFFFu;
    AceFileHeader Part = Cur;
    for (;;) {
      switch (CopyStored(*Src, Part.DataPos, Part.PackedSize, Crc, DataProc, Out)) {
        case TCopyResult::crDone: break;
        case TCopyResult::crReadError: return ACE_EREAD;
        case TCopyResult::crAborted: return ACE_USER_ABORT;
        case TCopyResult::crWriteError: return ACE_EWRITE;
      }
      if (!Part.ContinuedInNext()) break;
      // The rest of the file opens the next volume.
      if (!NextVolume()) return ACE_FILE_NOT_FOUND;
      AceFileHeader Next;
      int Err = 0;
      if (!ReadAceFileHeader(*Src, Pos, Next, Err) || !Next.ContinuedFromPrev() || Next.FileName != Cur.FileName)
        return ACE_BAD_ARCHIVE;
      Pos = Next.NextPos;
      Part = Next;
    }
    if (Out.IsOpen() && !Out.Close()) return ACE_EWRITE;
    return Crc == Part.Crc ? ACE_SUCCESS : ACE_BAD_CRC;
  }
};
