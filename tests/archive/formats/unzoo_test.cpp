// TUnZOO on archives laid out as zoo 2.10 writes them, with data packed by a
// test-side LZW packer and by our "-lh5-" encoder; lsar checks that the
// archives are sound ZOO where it is installed. Also the ZOO LZW decoder on
// its own, on streams no packer writes.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/lzh_encode.h"
#include "archive/codecs/lzw.h"
#include "archive/core/crc.h"
#include "archive/formats/zoo/unzoo.h"
#include "archive/formats/zoo/zoo_format.h"
#include "archive/formats/zoo/zoo_lzw.h"
#include "framework/core/sysutils.h"
#include "tests/archive/codecs/codec_test_util.h"
#include "tests/archive/formats/readers_util.h"
#include "tests/archive/formats/unzip_util.h"

using namespace unziptest;

namespace {

using morvtest::Join;

std::string Q(const std::string& LocalPath) { return "'" + morvtest::HostPath(LocalPath) + "'"; }

uint16_t Crc16Of(const std::vector<uint8_t>& D) { return rdtest::Crc16Of(D.data(), D.size()); }

// ZOO's LZW as zoo's packer writes it: a clear code first, codes widening
// one step behind the table as the unpacker sees it, a clear when the table
// is full (unless KeepFullTable), and the end code.
class TZooLzwPacker {
 public:
  explicit TZooLzwPacker(bool KeepFullTable = false) : FKeep(KeepFullTable) {}
  std::vector<uint8_t> Pack(const std::vector<uint8_t>& In) {
    Emit(TZooLzwDecoder::kClear);
    int W = -1;
    for (uint8_t B : In) {
      if (W < 0) {
        W = B;
        continue;
      }
      const auto It = FDict.find(uint32_t(W) << 8 | B);
      if (It != FDict.end()) {
        W = int(It->second);
        continue;
      }
      Emit(unsigned(W));
      if (FNext < TZooLzwDecoder::kTableSize) FDict[uint32_t(W) << 8 | B] = FNext++;
      W = B;
      if (FNext == TZooLzwDecoder::kTableSize && !FKeep) {
        Emit(TZooLzwDecoder::kClear);
        FDict.clear();
        FNext = TZooLzwDecoder::kFirstFree;
      }
    }
    if (W >= 0) Emit(unsigned(W));
    Emit(TZooLzwDecoder::kEnd);
    return FOut.Bytes();
  }

 private:
  // Mirrors the unpacker's width: it adds a string for every code but the
  // first after a clear, and widens once its next free code reaches the limit.
  void Emit(unsigned Code) {
    FOut.Bits(Code, FWidth);
    if (Code == TZooLzwDecoder::kClear) {
      FSeen = TZooLzwDecoder::kFirstFree;
      FWidth = 9;
      FFirst = true;
      return;
    }
    if (Code == TZooLzwDecoder::kEnd) return;
    if (FFirst) {
      FFirst = false;
      return;
    }
    if (FSeen < TZooLzwDecoder::kTableSize && ++FSeen >= (1u << FWidth) && FWidth < TZooLzwDecoder::kMaxBits)
      ++FWidth;
  }
  bool FKeep;
  std::map<uint32_t, unsigned> FDict;
  unsigned FNext = TZooLzwDecoder::kFirstFree, FSeen = TZooLzwDecoder::kFirstFree, FWidth = 9;
  bool FFirst = true;
  TBitOut FOut;
};

class TLh5IO : public TDeflateIO {
 public:
  explicit TLh5IO(const std::vector<uint8_t>& In) : FIn(In) {}
  size_t ReadInput(uint8_t* Buf, size_t Count) override {
    const size_t N = std::min(Count, FIn.size() - FPos);
    std::copy_n(FIn.begin() + long(FPos), N, Buf);
    FPos += N;
    return N;
  }
  void WriteOutput(const uint8_t* Buf, size_t Count) override { Out.insert(Out.end(), Buf, Buf + Count); }
  std::vector<uint8_t> Out;

 private:
  const std::vector<uint8_t>& FIn;
  size_t FPos = 0;
};

std::vector<uint8_t> Lh5Pack(const std::vector<uint8_t>& In) {
  TLzhEncoder Enc;
  TLh5IO Io(In);
  EXPECT_FALSE(Enc.Encode(Io, In.size()).Unpackable);
  return Io.Out;
}

struct TZooMember {
  std::string Name;  // "dir/short" for a folder
  std::vector<uint8_t> Data;
  uint8_t Method = 0;
  bool Deleted = false;
  std::string LongName{};
  int CrcDelta = 0;
  std::vector<uint8_t> Packed{};  // instead of packing Data
};

std::vector<uint8_t> Pack(const TZooMember& M) {
  if (!M.Packed.empty() || M.Method > 2) return M.Packed;
  if (M.Method == 1) return TZooLzwPacker().Pack(M.Data);
  if (M.Method == 2) return Lh5Pack(M.Data);
  return M.Data;
}

// Header, then per member its directory entry (type 2: long name and folder)
// and packed data, then the closing entry.
std::vector<uint8_t> BuildZoo(const std::vector<TZooMember>& Members) {
  std::vector<uint8_t> D;
  std::string Text = "ZOO 2.10 Archive.\x1A";
  Text.resize(20, '\0');
  rdtest::PutStr(D, Text);
  rdtest::Put32(D, ZooTag);
  rdtest::Put32(D, 62);
  rdtest::Put32(D, uint32_t(-62));
  for (uint8_t B : {2, 0, 1}) rdtest::Put8(D, B);
  D.resize(62, 0);
  auto Entry = [&D](const TZooMember* M, const std::vector<uint8_t>& Packed) {
    const size_t Slash = M ? M->Name.rfind('/') : std::string::npos;
    const std::string Dir = M && Slash != std::string::npos ? M->Name.substr(0, Slash) + '\0' : "";
    const std::string Short = M ? M->Name.substr(Slash == std::string::npos ? 0 : Slash + 1) : "";
    const std::string Long = M && !M->LongName.empty() ? M->LongName + '\0' : "";
    const size_t At = D.size(), Fixed = ZooEntryFixedSize + Long.size() + Dir.size();
    rdtest::Put32(D, ZooTag);
    rdtest::Put8(D, 2);
    rdtest::Put8(D, M ? M->Method : 0);
    rdtest::Put32(D, M ? uint32_t(At + Fixed + Packed.size()) : 0);
    rdtest::Put32(D, uint32_t(At + Fixed));
    rdtest::Put16(D, 0x5A8B);  // 2025-04-11
    rdtest::Put16(D, 0x6000);  // 12:00:00
    rdtest::Put16(D, M ? uint16_t(Crc16Of(M->Data) + M->CrcDelta) : 0);
    rdtest::Put32(D, M ? uint32_t(M->Data.size()) : 0);
    rdtest::Put32(D, uint32_t(Packed.size()));
    for (uint8_t B : {uint8_t(2), uint8_t(1), uint8_t(M && M->Deleted), uint8_t(0)}) rdtest::Put8(D, B);
    rdtest::Put32(D, 0);
    rdtest::Put16(D, 0);
    std::string S = Short;
    S.resize(13, '\0');
    rdtest::PutStr(D, S);
    rdtest::Put16(D, uint16_t(Long.size() + Dir.size() + 2));
    rdtest::Put8(D, 0x7F);
    rdtest::Put16(D, 0);
    rdtest::Put8(D, uint8_t(Long.size()));
    rdtest::Put8(D, uint8_t(Dir.size()));
    rdtest::PutStr(D, Long);
    rdtest::PutStr(D, Dir);
    D.insert(D.end(), Packed.begin(), Packed.end());
  };
  for (const TZooMember& M : Members) Entry(&M, Pack(M));
  Entry(nullptr, {});
  return D;
}

std::vector<uint8_t> Runs(size_t Size) {
  std::vector<uint8_t> D;
  for (uint32_t i = 0; D.size() < Size; ++i) D.insert(D.end(), 1 + i % 97, uint8_t(i * 7));
  D.resize(Size);
  return D;
}

class UnZoo : public ::testing::Test {
 protected:
  void SetUp() override { Root = morvtest::TempDir(); }
  std::string Write(const std::vector<uint8_t>& Archive, const std::string& Name = "t.zoo") {
    const std::string Path = Join(Root, Name);
    morvtest::WriteFile(Path, Archive);
    return Path;
  }
  int Run(const std::string& Path, const std::string& Spec = "*.*", bool WithEnd = true,
          const std::string& OutDir = "out") {
    TUnZOO U(nullptr);
    Log = TRunLog();
    Log.Attach(U, WithEnd);
    U.SetArchiveFile(Path);
    EXPECT_EQ(U.ArcType(), atZoo);
    U.SetExtractDir(Join(Root, OutDir));
    U.FileSpec()->Add(Spec);
    return U.Extract();
  }
  std::set<std::string> Extracted(const std::string& OutDir = "out") { return FilesBelow(Join(Root, OutDir)); }
  std::string Root;
  TRunLog Log;
};

TEST_F(UnZoo, EveryMethodExtractsByteExact) {
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> Data = {
      {"empty", {}},
      {"tiny", Bytes("zoo")},
      {"text", morvtest::TextData(300000, 8)},  // fills the LZW table several times
      {"noise", morvtest::RandomData(20000, 2)},
      {"runs", Runs(100000)}};
  std::vector<TZooMember> Members;
  for (uint8_t Method : {0, 1, 2})
    for (const auto& [Name, D] : Data) {
      // Our LH5 packer gives up where it cannot win.
      if (Method == 2 && (Name == "noise" || Name == "tiny")) continue;
      Members.push_back({"m" + std::to_string(Method) + "/" + Name + ".dat", D, Method});
    }
  const std::string Path = Write(BuildZoo(Members));
  if (morvtest::HavePeer("lsar")) {
    std::string Out;
    EXPECT_EQ(morvtest::RunPeer("lsar -t " + Q(Path), &Out), 0) << Out;
  }
  EXPECT_EQ(Run(Path), int(Members.size()));
  EXPECT_TRUE(Log.Errors.empty());
  for (const TZooMember& M : Members) {
    EXPECT_EQ(morvtest::ReadFile(Join(Root, "out/" + M.Name)), M.Data) << M.Name;
    EXPECT_TRUE(Log.Passed(M.Name));
  }
  // The stored date comes back on the file.
  EXPECT_EQ(FileAge(Join(Root, "out/m0/tiny.dat")), int(0x5A8B6000));
}

TEST_F(UnZoo, DeletedEntriesLongNamesAndTheFolderName) {
  TZooMember Deleted{"gone.txt", Bytes("deleted"), 0, true};
  TZooMember Long{"docs/readme.txt", Bytes("read me"), 1};
  Long.LongName = "A Much Longer Name.text";
  EXPECT_EQ(Run(Write(BuildZoo({Deleted, Long, {"b.txt", morvtest::TextData(2000, 1), 2}}))), 2);
  EXPECT_EQ(Extracted(), (std::set<std::string>{"docs/readme.txt", "b.txt"}));
  EXPECT_TRUE(Log.Errors.empty());
}

TEST_F(UnZoo, ChainStartingWithTheClosingEntryExtractsNothing) {
  EXPECT_EQ(Run(Write(BuildZoo({}))), 0);
  EXPECT_TRUE(Log.Errors.empty());
  EXPECT_TRUE(Log.Begins.empty());
}

TEST_F(UnZoo, SinglePlainNameStopsAtTheFirstMatch) {
  EXPECT_EQ(Run(Write(BuildZoo({{"a.txt", Bytes("first")}, {"a.txt", Bytes("second")}})), "a.txt"), 1);
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "out/a.txt")), Bytes("first"));
}

TEST_F(UnZoo, BadEntriesAreReportedAndTheNextOneExtracted) {
  struct TRow {
    const char* What;
    TZooMember Bad;
    int Code;
  };
  TZooMember Method3{"bad.bin", Bytes("abc"), 3};
  Method3.Packed = Bytes("abc");
  TZooMember HighCode{"bad.bin", Bytes("abc"), 1};
  {
    TBitOut B;
    B.Bits(256, 9);
    B.Bits('a', 9);
    B.Bits(300, 9);  // next free is 258
    HighCode.Packed = B.Bytes();
  }
  TZooMember StringAfterClear{"bad.bin", Bytes("abc"), 1};
  {
    TBitOut B;
    B.Bits(256, 9);
    B.Bits(258, 9);
    StringAfterClear.Packed = B.Bytes();
  }
  TZooMember Crc{"bad.bin", Bytes("abc"), 1};
  Crc.CrcDelta = 1;
  const std::vector<TRow> Rows = {{"method 3", Method3, errBadMethod},
                                  {"code above the next free one", HighCode, kErrCorruptInput},
                                  {"string code after a clear", StringAfterClear, kErrCorruptInput},
                                  {"wrong CRC", Crc, errCrcCheck}};
  int Row = 0;
  for (const TRow& R : Rows) {
    SCOPED_TRACE(R.What);
    const std::string Out = "out" + std::to_string(Row++);
    const std::string Path = Write(BuildZoo({R.Bad, {"good.txt", Bytes("good"), 1}}));
    EXPECT_EQ(Run(Path, "*.*", false, Out), 1);
    EXPECT_EQ(Log.Codes(), std::vector<int>{R.Code});
    // The output is made before the data is decoded.
    EXPECT_EQ(Extracted(Out), (std::set<std::string>{"bad.bin", "good.txt"}));
    EXPECT_EQ(morvtest::ReadFile(Join(Root, Out + "/good.txt")), Bytes("good"));
    // With OnEnd the failure is its result.
    Run(Path, "*.*", true, Out + "e");
    EXPECT_FALSE(Log.Passed("bad.bin"));
    EXPECT_TRUE(Log.Passed("good.txt"));
  }
}

TEST_F(UnZoo, DamagedChainKeepsWhatCameBefore) {
  std::vector<uint8_t> A = BuildZoo({{"a.txt", Bytes("aaa")}, {"b.txt", Bytes("bbb")}});
  // The second directory entry's tag.
  const size_t Second = 62 + ZooEntryFixedSize + 3;
  ASSERT_EQ(GetLE32(A.data() + Second), ZooTag);
  A[Second] ^= 1;
  EXPECT_EQ(Run(Write(A)), 1);
  EXPECT_EQ(Extracted(), std::set<std::string>{"a.txt"});
  EXPECT_EQ(Log.Codes(), std::vector<int>{errBadHeader});
}

TEST_F(UnZoo, BadArchiveHeaderRaises) {
  std::vector<uint8_t> A = BuildZoo({{"a.txt", Bytes("aaa")}});
  A[28] ^= 1;  // minus no longer the two's complement of start
  EXPECT_THROW(Run(Write(A)), E_RAISE);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errBadHeader});
}

// The LZW decoder on streams of its own.
std::vector<uint8_t> LzwDecode(const std::vector<uint8_t>& Packed) {
  TZooLzwDecoder Dec;
  codectest::TMemIO Io(Packed);
  const uint64_t N = Dec.Decode(Io, Packed.size());
  EXPECT_EQ(N, Io.Out.size());
  return Io.Out;
}

TEST(ZooLzw, ClearThenEndIsAnEmptyFile) {
  TBitOut B;
  B.Bits(256, 9);
  B.Bits(257, 9);
  EXPECT_TRUE(LzwDecode(B.Bytes()).empty());
}

TEST(ZooLzw, FullTableWithoutClearKeepsDecoding) {
  // Without a clear the free code would run past 8191.
  const std::vector<uint8_t> D = morvtest::TextData(200000, 4);
  EXPECT_EQ(LzwDecode(TZooLzwPacker(true).Pack(D)), D);
}

TEST(ZooLzw, StringsLongerThanAnyFixedStackDecode) {
  // One byte repeated makes each string one longer than the last: the
  // longest here is some 3,000 bytes.
  const std::vector<uint8_t> D(3000 * 3001 / 2, 'z');
  EXPECT_EQ(LzwDecode(TZooLzwPacker(true).Pack(D)), D);
}

TEST(ZooLzw, InputEndingBeforeTheEndCodeStops) {
  const std::vector<uint8_t> D = morvtest::TextData(5000, 1);
  std::vector<uint8_t> P = TZooLzwPacker().Pack(D);
  P.resize(P.size() / 2);
  const std::vector<uint8_t> Out = LzwDecode(P);
  EXPECT_LT(Out.size(), D.size());
  EXPECT_TRUE(std::equal(Out.begin(), Out.end(), D.begin()));
}

}  // namespace
