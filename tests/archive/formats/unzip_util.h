// Helpers of the Zip extractor tests: a run recorder around TUnZIP, Zip
// archives built byte by byte, and a hand-made Deflate stream writer.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/crc.h"
#include "archive/core/ziprecords.h"
#include "archive/formats/zip/unzip.h"
#include "tests/support/testsupport.h"

namespace unziptest {

// Regular files below Dir, "/" separated and sorted; none when Dir was
// never made.
inline std::set<std::string> FilesBelow(const std::string& Dir) {
  std::string Out;
  if (!DirectoryExists(Dir)) return {};
  EXPECT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(Dir) + "' && find . -type f | sed 's|^\\./||'", &Out), 0);
  std::set<std::string> Files;
  std::istringstream In(Out);
  for (std::string L; std::getline(In, L);)
    if (!L.empty()) Files.insert(L);
  return Files;
}

inline uint32_t Crc32Of(const std::vector<uint8_t>& Data) {
  uint32_t C = 0xFFFFFFFFu;
  Crc32Block(Data.data(), Data.size(), C);
  return ~C;
}

inline std::vector<uint8_t> Bytes(const std::string& S) { return std::vector<uint8_t>(S.begin(), S.end()); }

// Records what a run reports.
struct TRunLog {
  struct TError {
    std::string FN, MsgEx;
    int Code;
  };
  std::vector<TError> Errors;
  std::vector<std::pair<std::string, bool>> Ends;
  std::vector<std::string> Begins;

  void Attach(TUnBase& U, bool WithEnd = true) {
    U.OnError = [this](TObject*, const std::string& FN, const std::string& MsgEx, const std::string&, int Code) {
      Errors.push_back({FN, MsgEx, Code});
    };
    if (WithEnd) U.OnEnd = [this](TObject*, const std::string& FN, bool Pass) { Ends.push_back({FN, Pass}); };
    U.OnBegin = [this](TObject*, const std::string& FN, int, bool&) { Begins.push_back(FN); };
  }
  std::vector<int> Codes() const {
    std::vector<int> C;
    for (const TError& E : Errors) C.push_back(E.Code);
    return C;
  }
  // The end reported for the name that ends in Tail ("/" or "\" alike).
  bool Passed(std::string Tail) const {
    auto Slashed = [](std::string S) {
      for (char& C : S)
        if (C == '\\') C = '/';
      return S;
    };
    Tail = Slashed(Tail);
    for (const auto& E : Ends) {
      const std::string N = Slashed(E.first);
      if (N.size() >= Tail.size() && N.compare(N.size() - Tail.size(), Tail.size(), Tail) == 0) return E.second;
    }
    ADD_FAILURE() << "no end reported for " << Tail;
    return false;
  }
};

// A Zip entry as it will be stored: Data is the packed bytes.
struct TRawEntry {
  std::string Name;
  uint16_t Method = 0;
  uint16_t Flags = 0;
  std::vector<uint8_t> Data;
  uint32_t Crc = 0;
  uint32_t Unpacked = 0;
  uint32_t ExternalAttr = 0x20;
  int64_t LocalOffsetOverride = -1;
};

inline TRawEntry StoredEntry(const std::string& Name, const std::vector<uint8_t>& Data) {
  TRawEntry E;
  E.Name = Name;
  E.Data = Data;
  E.Crc = Crc32Of(Data);
  E.Unpacked = uint32_t(Data.size());
  return E;
}

inline TRawEntry PackedEntry(const std::string& Name, uint16_t Method, const std::vector<uint8_t>& Packed,
                             const std::vector<uint8_t>& Plain) {
  TRawEntry E = StoredEntry(Name, Plain);
  E.Method = Method;
  E.Data = Packed;
  return E;
}

// Local headers with data, the central directory and the end record.
inline std::vector<uint8_t> BuildZip(const std::vector<TRawEntry>& Entries) {
  std::vector<uint8_t> Out, Central;
  const uint16_t Time = 0x6000, Date = 0x5A21;  // 2025-01-01 12:00:00
  for (const TRawEntry& E : Entries) {
    TZipLocalHeader L;
    L.Flags = E.Flags;
    L.Method = E.Method;
    L.Time = Time;
    L.Date = Date;
    L.Crc32 = E.Crc;
    L.PackedSize = uint32_t(E.Data.size());
    L.UnpackedSize = E.Unpacked;
    L.NameLength = uint16_t(E.Name.size());
    const uint32_t Offset = uint32_t(Out.size());
    uint8_t H[TZipCentralHeader::Size];
    L.Write(H);
    Out.insert(Out.end(), H, H + TZipLocalHeader::Size);
    Out.insert(Out.end(), E.Name.begin(), E.Name.end());
    Out.insert(Out.end(), E.Data.begin(), E.Data.end());
    TZipCentralHeader C;
    C.Flags = E.Flags;
    C.Method = E.Method;
    C.Time = Time;
    C.Date = Date;
    C.Crc32 = E.Crc;
    C.PackedSize = L.PackedSize;
    C.UnpackedSize = E.Unpacked;
    C.NameLength = L.NameLength;
    C.ExternalAttr = E.ExternalAttr;
    C.LocalHeaderOffset = E.LocalOffsetOverride >= 0 ? uint32_t(E.LocalOffsetOverride) : Offset;
    C.Write(H);
    Central.insert(Central.end(), H, H + TZipCentralHeader::Size);
    Central.insert(Central.end(), E.Name.begin(), E.Name.end());
  }
  TZipEndRecord End;
  End.EntriesOnDisk = End.EntriesTotal = uint16_t(Entries.size());
  End.CentralDirSize = uint32_t(Central.size());
  End.CentralDirOffset = uint32_t(Out.size());
  Out.insert(Out.end(), Central.begin(), Central.end());
  uint8_t H[TZipEndRecord::Size];
  End.Write(H);
  Out.insert(Out.end(), H, H + TZipEndRecord::Size);
  return Out;
}

// Bits least significant first; Huffman codes first bit first.
class TBitOut {
 public:
  void Bits(uint32_t V, unsigned N) {
    for (unsigned i = 0; i < N; ++i) Bit((V >> i) & 1);
  }
  void Code(uint32_t C, unsigned Len) {
    for (unsigned i = Len; i-- > 0;) Bit((C >> i) & 1);
  }
  void Align() {
    while (FCount) Bit(0);
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> B = FBytes;
    if (FCount) B.push_back(FCur);
    return B;
  }

 private:
  void Bit(unsigned B) {
    FCur = uint8_t(FCur | (B << FCount));
    if (++FCount == 8) {
      FBytes.push_back(FCur);
      FCur = 0;
      FCount = 0;
    }
  }
  std::vector<uint8_t> FBytes;
  uint8_t FCur = 0;
  unsigned FCount = 0;
};

inline std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& Lens) {
  unsigned Count[17] = {}, Next[17] = {};
  for (uint8_t L : Lens) Count[L]++;
  Count[0] = 0;
  unsigned Code = 0;
  for (unsigned B = 1; B <= 16; ++B) {
    Code = (Code + Count[B - 1]) << 1;
    Next[B] = Code;
  }
  std::vector<uint32_t> Codes(Lens.size());
  for (size_t i = 0; i < Lens.size(); ++i)
    if (Lens[i]) Codes[i] = Next[Lens[i]]++;
  return Codes;
}

// A dynamic Deflate block whose code lengths are sent plainly through a
// code-length code of sixteen 4-bit codes.
class TDynamicBlock {
 public:
  TDynamicBlock(TBitOut& W, bool Last, const std::vector<uint8_t>& Lit, const std::vector<uint8_t>& Dist) : FW(W) {
    static const unsigned Order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    W.Bits(Last, 1);
    W.Bits(2, 2);
    W.Bits(unsigned(Lit.size()) - 257, 5);
    W.Bits(unsigned(Dist.size()) - 1, 5);
    W.Bits(19 - 4, 4);
    std::vector<uint8_t> Pre(19, 0);
    for (unsigned i = 0; i < 16; ++i) Pre[i] = 4;
    for (unsigned i = 0; i < 19; ++i) W.Bits(Pre[Order[i]], 3);
    const std::vector<uint32_t> PreCodes = CanonicalCodes(Pre);
    for (uint8_t L : Lit) W.Code(PreCodes[L], 4);
    for (uint8_t L : Dist) W.Code(PreCodes[L], 4);
    FLit = CanonicalCodes(Lit);
    FLitLens = Lit;
    FDist = CanonicalCodes(Dist);
    FDistLens = Dist;
  }
  void Lit(unsigned Sym) { FW.Code(FLit[Sym], FLitLens[Sym]); }
  void Dist(unsigned Code) { FW.Code(FDist[Code], FDistLens[Code]); }

 private:
  TBitOut& FW;
  std::vector<uint32_t> FLit, FDist;
  std::vector<uint8_t> FLitLens, FDistLens;
};

// Literal/length lengths 8 and 9 forming a complete code over 0..285; 286
// and 287, when declared, get codes only when Extra is set.
inline std::vector<uint8_t> LitLens(unsigned Count, bool Extra = false) {
  std::vector<uint8_t> L(Count, 0);
  for (unsigned i = 0; i < Count; ++i) L[i] = i < 226 ? 8 : 9;
  if (!Extra)
    for (unsigned i = 286; i < Count; ++i) L[i] = 0;
  if (Extra && Count == 288) {
    // 224 codes of 8 bits and 64 of 9 bits: complete over 288 symbols.
    for (unsigned i = 0; i < 288; ++i) L[i] = i < 224 ? 8 : 9;
  }
  return L;
}

}  // namespace unziptest
