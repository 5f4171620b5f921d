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

#include "archive/core/arc_source.h"
#include "archive/core/crc.h"
#include "archive/core/untypedfile.h"
#include "archive/formats/rar/rar_format.h"
#include "archive/formats/rar/unrar_api.h"
#include "framework/core/sysutils.h"

// A volume file as a source, holding the open file.
class TRarFileSource : public TArcSource {
 public:
  explicit TRarFileSource(const std::string& Name) { FOpen = FFile.OpenRead(Name); }
  bool IsOpen() const { return FOpen; }
  uint64_t Size() override {
    const int64_t S = FFile.Size();
    return S < 0 ? 0 : uint64_t(S);
  }
  size_t ReadAt(uint64_t Pos, uint8_t* Buf, size_t N) override {
    if (!FFile.Seek(int64_t(Pos))) return 0;
    return FFile.Read(Buf, N);
  }

 private:
  TUntypedFile FFile;
  bool FOpen = false;
};

inline std::unique_ptr<TArcSource> OpenFileSource(const std::string& Name) {
  auto S = std::make_unique<TRarFileSource>(Name);
  if (!S->IsOpen()) return nullptr;
  return S;
}

constexpr uint8_t kStored = 0x30;
constexpr uint16_t kMainNewNumbering = 0x0010;
constexpr uint16_t kEndNextVolume = 0x0001;

struct TRarHandle {
  std::string Volume;
  // Opens a volume by name; the default reads the file.
  std::function<std::unique_ptr<TArcSource>(const std::string&)> OpenSource = OpenFileSource;
  std::unique_ptr<TArcSource> Src;
  RarArchive Arc;
  uint64_t Pos = 0;
  RarBlock Cur;
  bool HaveCur = false;
  bool NewNaming = false;
  TRarChangeVolProc VolProc = nullptr;
  TRarProcessDataProc DataProc = nullptr;
  std::string Password;
  std::function<bool(const std::string&)> VolumeExists = [](const std::string& N) { return FileExists(N); };

  bool OpenVolume(const std::string& Name) {
    std::unique_ptr<TArcSource> S = OpenSource(Name);
    if (!S) return false;
    RarArchive A;
    int Err = 0;
    if (!ReadRarArchiveHeader(*S, 0, A, Err)) return false;
    Src = std::move(S);
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
    char Buf[260] = {};
    for (;;) {
      const bool Exists = VolumeExists(Name);
      if (VolProc) {
        std::strncpy(Buf, Name.c_str(), sizeof(Buf) - 1);
        if (VolProc(Buf, Exists ? RAR_VOL_NOTIFY : RAR_VOL_ASK) <= 0) return false;
        Buf[sizeof(Buf) - 1] = 0;
        if (!Exists) Name = Buf;
      }
      if (VolumeExists(Name)) break;
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
