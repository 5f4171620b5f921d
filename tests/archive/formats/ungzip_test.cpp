// TUnGZIP on gzip files of gzip, pigz and libdeflate, on unix compress files,
// on .tgz and .tar.Z through UnTar, and on headers and data made by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/formats/gzip/ungzip.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/unzip_util.h"

using namespace unziptest;

namespace {

using morvtest::Join;

std::string Q(const std::string& LocalPath) { return "'" + morvtest::HostPath(LocalPath) + "'"; }

std::vector<uint8_t> MixedData(size_t Size, uint32_t Seed) {
  std::vector<uint8_t> D;
  for (uint32_t R = 0; D.size() < Size; ++R) {
    const std::vector<uint8_t> T = morvtest::TextData(90000, Seed + R), N = morvtest::RandomData(20000, Seed + 99 + R);
    D.insert(D.end(), T.begin(), T.end());
    D.insert(D.end(), N.begin(), N.end());
  }
  D.resize(Size);
  return D;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> A, const std::vector<uint8_t>& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

uint32_t Crc32Bytes(const uint8_t* P, size_t N) {
  uint32_t C = 0xFFFFFFFFu;
  Crc32Block(P, N, C);
  return ~C;
}

// A gzip member around a raw Deflate stream, with the optional header
// fields of RFC 1952.
struct TMember {
  uint8_t Id2 = 0x8B;
  uint8_t Method = 8;
  uint8_t ExtraFlags = 0;  // flag bits beyond those the fields below set
  uint32_t MTime = 1600000000;
  std::vector<uint8_t> Extra;
  bool HasExtra = false;
  std::string Name, Comment;
  bool HeaderCrc = false;
  bool BadHeaderCrc = false;
  std::vector<uint8_t> Deflate;
  uint32_t Crc = 0, Size = 0;

  std::vector<uint8_t> Bytes() const {
    uint8_t Flags = ExtraFlags;
    if (HasExtra) Flags |= 4;
    if (!Name.empty()) Flags |= 8;
    if (!Comment.empty()) Flags |= 0x10;
    if (HeaderCrc) Flags |= 2;
    std::vector<uint8_t> B = {0x1F, Id2, Method, Flags, 0, 0, 0, 0, 0, 3};
    PutLE32(B.data() + 4, MTime);
    if (HasExtra) {
      B.push_back(uint8_t(Extra.size()));
      B.push_back(uint8_t(Extra.size() >> 8));
      B.insert(B.end(), Extra.begin(), Extra.end());
    }
    if (!Name.empty()) B.insert(B.end(), Name.c_str(), Name.c_str() + Name.size() + 1);
    if (!Comment.empty()) B.insert(B.end(), Comment.c_str(), Comment.c_str() + Comment.size() + 1);
    if (HeaderCrc) {
      const uint32_t C = Crc32Bytes(B.data(), B.size()) + (BadHeaderCrc ? 1 : 0);
      B.push_back(uint8_t(C));
      B.push_back(uint8_t(C >> 8));
    }
    B.insert(B.end(), Deflate.begin(), Deflate.end());
    uint8_t T[8];
    PutLE32(T, Crc);
    PutLE32(T + 4, Size);
    B.insert(B.end(), T, T + 8);
    return B;
  }
};

class UnGzip : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Out = Join(Root, "out");
  }
  // A member of Data compressed by gzip -n, split into its parts.
  TMember Member(const std::vector<uint8_t>& Data) {
    morvtest::WriteFile(Join(Root, "m.bin"), Data);
    EXPECT_EQ(morvtest::RunPeer("gzip -n -6 -c " + Q(Join(Root, "m.bin")) + " > " + Q(Join(Root, "m.gz"))), 0);
    const std::vector<uint8_t> G = morvtest::ReadFile(Join(Root, "m.gz"));
    TMember M;
    EXPECT_GT(G.size(), 18u);
    if (G.size() <= 18) return M;
    M.Deflate.assign(G.begin() + 10, G.end() - 8);
    M.Crc = GetLE32(G.data() + G.size() - 8);
    M.Size = GetLE32(G.data() + G.size() - 4);
    return M;
  }
  int Run(const std::string& Path, bool WithEnd = true, const std::function<void(TUnGZIP&)>& Setup = {}) {
    TUnGZIP U(nullptr);
    Log = TRunLog();
    Log.Attach(U, WithEnd);
    U.SetArchiveFile(Path);
    EXPECT_EQ(U.ArcType(), atGZip);
    U.SetExtractDir(Out);
    U.FileSpec()->Add("*.*");
    if (Setup) Setup(U);
    return U.Extract();
  }
  int RunBytes(const std::string& Name, const std::vector<uint8_t>& File, bool WithEnd = true) {
    morvtest::WriteFile(Join(Root, Name), File);
    return Run(Join(Root, Name), WithEnd);
  }
  // The code Extract raised, or 0.
  int RaisedBy(const std::string& Name, const std::vector<uint8_t>& File) {
    try {
      RunBytes(Name, File);
    } catch (const E_RAISE&) {
      return Log.Errors.empty() ? -1 : Log.Errors.back().Code;
    }
    return 0;
  }
  std::string Root, Out;
  TRunLog Log;
};

}  // namespace

// What gzip, pigz and libdeflate write, one member or several, with and
// without a stored name, comment or independent blocks: byte-exact, under
// the stored name (else the archive's name less ".gz"), dated from the
// header.
TEST_F(UnGzip, PeerFilesExtractByteExact) {
  for (const char* P : {"gzip", "pigz", "libdeflate-gzip"})
    if (!morvtest::HavePeer(P)) GTEST_SKIP() << P << " missing";
  const std::vector<uint8_t> Data = MixedData(2500000, 3);
  const std::vector<uint8_t> Part2 = morvtest::TextData(70000, 4);
  morvtest::WriteFile(Join(Root, "in.bin"), Data);
  morvtest::WriteFile(Join(Root, "part2.txt"), Part2);
  morvtest::WriteFile(Join(Root, "empty.dat"), std::vector<uint8_t>());
  ASSERT_EQ(morvtest::RunPeer("cd " + Q(Root) + " && touch -d @1600000000 in.bin part2.txt empty.dat"), 0);
  const std::vector<uint8_t> Twice = Cat(Data, Data), Both = Cat(Data, Part2);
  const struct {
    const char* Archive;
    const char* Command;  // run in Root
    const char* Name;
    const std::vector<uint8_t>& Want;
  } Cases[] = {
      {"g1.gz", "gzip -1 -c in.bin", "in.bin", Data},
      {"g9.gz", "gzip -9 -c in.bin", "in.bin", Data},
      {"nn.bin.gz", "gzip -n -c in.bin", "nn.bin", Data},
      {"p.gz", "pigz -c in.bin", "in.bin", Data},
      {"pc.gz", "pigz -N -C 'a comment for the header' -c in.bin", "in.bin", Data},
      {"pi.gz", "pigz -i -b 128 -p 4 -c in.bin", "in.bin", Data},
      {"ld.gz", "libdeflate-gzip -12 -c in.bin", "ld", Data},
      {"two.gz", "gzip -c in.bin && gzip -9 -c part2.txt", "in.bin", Both},
      {"same.gz", "gzip -c in.bin && gzip -c in.bin", "in.bin", Twice},
      {"many.gz", "for i in 1 2 3 4 5 6 7 8; do gzip -c part2.txt; done; gzip -c empty.dat", "part2.txt",
       Cat(Cat(Cat(Part2, Part2), Cat(Part2, Part2)), Cat(Cat(Part2, Part2), Cat(Part2, Part2)))},
      {"empty.dat.gz", "gzip -c empty.dat", "empty.dat", std::vector<uint8_t>()},
      {"tail.gz", "gzip -c part2.txt && head -c 1000 /dev/zero", "part2.txt", Part2},
  };
  const int Dated = DateTimeToFileDate(UnixToLocalDateTime(1600000000));
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Archive);
    Out = Join(Root, std::string("out_") + C.Archive);
    const std::string Path = Join(Root, C.Archive);
    ASSERT_EQ(morvtest::RunPeer("cd " + Q(Root) + " && (" + C.Command + ") > " + Q(Path)), 0);
    EXPECT_EQ(Run(Path), 1);
    EXPECT_TRUE(Log.Errors.empty());
    ASSERT_EQ(Log.Ends.size(), 1u);
    EXPECT_TRUE(Log.Ends[0].second);
    const std::vector<uint8_t> Got = morvtest::ReadFile(Join(Out, C.Name));
    EXPECT_EQ(Got.size(), C.Want.size());
    EXPECT_TRUE(Got == C.Want);
    if (std::string(C.Archive) != "nn.bin.gz" && std::string(C.Archive) != "ld.gz") {
      EXPECT_EQ(FileAge(Join(Out, C.Name)), Dated);
    }
  }
}

// Extra field, comment and header CRC (RFC 1952) before the data.
TEST_F(UnGzip, OptionalHeaderFieldsAreSkipped) {
  const std::vector<uint8_t> Data = morvtest::TextData(30000, 5);
  const TMember Base = Member(Data);
  const struct {
    const char* Name;
    bool Extra, Comment, Hcrc;
  } Cases[] = {
      {"extra.txt", true, false, false},
      {"comment.txt", false, true, false},
      {"hcrc.txt", false, false, true},
      {"all.txt", true, true, true},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TMember M = Base;
    M.Name = C.Name;
    M.HasExtra = C.Extra;
    M.Extra = {'A', 'P', 4, 0, 1, 2, 3, 4};
    if (C.Comment) M.Comment = "comment with\nlines";
    M.HeaderCrc = C.Hcrc;
    EXPECT_EQ(RunBytes("f.gz", M.Bytes()), 1);
    EXPECT_TRUE(Log.Errors.empty());
    EXPECT_EQ(morvtest::ReadFile(Join(Out, C.Name)), Data);
  }
}

// No stored name: the archive's name less its last extension; a time of 0
// gives the current date.
TEST_F(UnGzip, NoNameAndNoTime) {
  TMember M = Member(Bytes("no name, no time"));
  M.MTime = 0;
  std::string Written;
  morvtest::WriteFile(Join(Root, "plain.txt.gz"), M.Bytes());
  EXPECT_EQ(Run(Join(Root, "plain.txt.gz"), true,
                [&](TUnGZIP& U) { U.OnDeactivate = [&](TObject*) { Written = U.FileName(); }; }),
            1);
  const std::string Name = Join(Out, "plain.txt");
  EXPECT_EQ(Written, Name);
  EXPECT_EQ(morvtest::ReadFile(Name), Bytes("no name, no time"));
  EXPECT_LT(std::fabs(FileDateToDateTime(FileAge(Name)) - Now()), 5.0 / 1440);
}

// Flags and methods the reader refuses, and damaged headers.
TEST_F(UnGzip, RefusedHeaders) {
  TMember Encrypted = Member(Bytes("secret"));
  Encrypted.ExtraFlags = 0x20;
  TMember MultiPart = Member(Bytes("part"));
  MultiPart.Id2 = 0x9E;
  MultiPart.ExtraFlags = 2;
  MultiPart.Deflate.insert(MultiPart.Deflate.begin(), {1, 0});  // part number
  TMember BadHcrc = Member(Bytes("hcrc"));
  BadHcrc.HeaderCrc = BadHcrc.BadHeaderCrc = true;
  EXPECT_EQ(RaisedBy("enc.gz", Encrypted.Bytes()), 25290);
  EXPECT_EQ(RaisedBy("multi.gz", MultiPart.Bytes()), 25262);
  EXPECT_EQ(RaisedBy("hcrc.gz", BadHcrc.Bytes()), 25237);
  EXPECT_FALSE(FileExists(Join(Out, "enc")));

  TMember Method = Member(Bytes("method seven"));
  Method.Method = 7;
  EXPECT_EQ(RunBytes("m7.gz", Method.Bytes()), 0);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25326}));
  EXPECT_FALSE(Log.Passed("m7"));

  // pack (1F 1E) is recognised but not decoded: reported, nothing written.
  std::vector<uint8_t> Pack = {0x1F, 0x1E};
  Pack.resize(100, 'p');
  EXPECT_EQ(RunBytes("x.z", Pack), 0);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25326}));
  EXPECT_TRUE(Log.Ends.empty());
  EXPECT_FALSE(FileExists(Join(Out, "x")));
}

// Damaged data and trailers fail the file, with the decoder's error or the
// CRC error, and never crash; a good first member does not hide a bad
// second one.
TEST_F(UnGzip, DamagedDataFails) {
  const std::vector<uint8_t> Data = MixedData(400000, 6);
  const TMember Good = Member(Data);
  TMember WrongCrc = Good;
  WrongCrc.Crc ^= 1;
  TMember WrongSize = Good;
  WrongSize.Size += 1;
  TMember Flipped = Good;
  for (size_t i = 1000; i < Flipped.Deflate.size(); i += 20011) Flipped.Deflate[i] ^= 0x5A;
  std::vector<uint8_t> Cut = Good.Bytes();
  Cut.resize(Cut.size() / 2);
  const struct {
    const char* Name;
    std::vector<uint8_t> File;
  } Cases[] = {
      {"crc", WrongCrc.Bytes()},
      {"size", WrongSize.Bytes()},
      {"flipped", Flipped.Bytes()},
      {"cut", Cut},
      {"second bad", Cat(Good.Bytes(), WrongCrc.Bytes())},
      {"second cut", Cat(Good.Bytes(), Cut)},
  };
  int N = 0;
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Out = Join(Root, "out" + std::to_string(N++));
    EXPECT_EQ(RunBytes("bad.gz", C.File), 0);
    EXPECT_FALSE(Log.Passed("bad"));
    Out = Join(Root, "out" + std::to_string(N++));
    EXPECT_EQ(RunBytes("bad.gz", C.File, false), 0);
    ASSERT_FALSE(Log.Errors.empty());
    const int Code = Log.Errors.back().Code;
    EXPECT_TRUE(Code == 25151 || Code == 25109 || Code == 25138 || Code == 25236) << Code;
  }
  Out = Join(Root, "out" + std::to_string(N++));
  EXPECT_EQ(RunBytes("crc.gz", WrongCrc.Bytes(), false), 0);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25151}));
}

// Makes the CRC-32 of D come out as Want by choosing the four bytes at At:
// the CRC is affine in the message bits, so the 32 bits solve a linear
// system over GF(2).
void ForgeCrc(std::vector<uint8_t>& D, size_t At, uint32_t Want) {
  std::fill(D.begin() + At, D.begin() + At + 4, 0);
  const uint32_t Base = Crc32Of(D);
  uint32_t Col[32];
  for (int j = 0; j < 32; ++j) {
    D[At + j / 8] ^= uint8_t(1 << (j % 8));
    Col[j] = Crc32Of(D) ^ Base;
    D[At + j / 8] ^= uint8_t(1 << (j % 8));
  }
  // Rows of the augmented system: bit r of every column, then of the goal.
  uint64_t Row[32];
  for (int r = 0; r < 32; ++r) {
    Row[r] = uint64_t((Want ^ Base) >> r & 1) << 32;
    for (int j = 0; j < 32; ++j) Row[r] |= uint64_t(Col[j] >> r & 1) << j;
  }
  for (int c = 0, r = 0; c < 32; ++c) {
    int P = r;
    while (P < 32 && !(Row[P] >> c & 1)) ++P;
    ASSERT_LT(P, 32) << "singular";
    std::swap(Row[P], Row[r]);
    for (int k = 0; k < 32; ++k)
      if (k != r && (Row[k] >> c & 1)) Row[k] ^= Row[r];
    ++r;
  }
  for (int j = 0; j < 32; ++j)
    if (Row[j] >> 32 & 1) D[At + j / 8] ^= uint8_t(1 << (j % 8));
}

// A member's stored data may hold its own trailer's eight bytes, and two
// equal members have equal trailers: each member ends where its Deflate
// stream ends, not at the first or last matching bytes.
TEST_F(UnGzip, TrailerLookalikesDoNotSplitMembers) {
  std::vector<uint8_t> Data = morvtest::RandomData(6000, 8);
  const uint32_t Want = 0x1234ABCDu;
  PutLE32(Data.data() + 3004, Want);
  PutLE32(Data.data() + 3008, uint32_t(Data.size()));
  ForgeCrc(Data, 3000, Want);
  ASSERT_EQ(Crc32Of(Data), Want);
  const TMember First = Member(Data);
  ASSERT_EQ(First.Crc, Want);
  // Random data is stored, so the lookalike is in the stream verbatim.
  uint8_t Trailer[8];
  PutLE32(Trailer, Want);
  PutLE32(Trailer + 4, uint32_t(Data.size()));
  ASSERT_NE(std::search(First.Deflate.begin(), First.Deflate.end(), Trailer, Trailer + 8), First.Deflate.end());
  const std::vector<uint8_t> Second = Bytes("second member");
  EXPECT_EQ(RunBytes("look.gz", Cat(First.Bytes(), Member(Second).Bytes())), 1);
  EXPECT_TRUE(Log.Errors.empty());
  EXPECT_TRUE(morvtest::ReadFile(Join(Out, "look")) == Cat(Data, Second));

  const std::vector<uint8_t> Small = morvtest::TextData(3000, 13);
  const std::vector<uint8_t> One = Member(Small).Bytes();
  EXPECT_EQ(RunBytes("twice.gz", Cat(Cat(One, One), One)), 1);
  EXPECT_TRUE(Log.Errors.empty());
  EXPECT_TRUE(morvtest::ReadFile(Join(Out, "twice")) == Cat(Cat(Small, Small), Small));
}

// Without a stored name and without an extension the output would be the
// archive itself.
TEST_F(UnGzip, OutputNamedLikeTheArchiveIsRefused) {
  TMember M = Member(Bytes("data"));
  const std::vector<uint8_t> File = M.Bytes();
  Out = Root;
  EXPECT_EQ(RunBytes("noext", File), 0);
  EXPECT_EQ(Log.Codes(), std::vector<int>{25171});
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "noext")), File);
}

// compress files: widths 9 to 16, an empty one, a cut one (a prefix comes
// out, as compress and gzip give it).
TEST_F(UnGzip, CompressFilesExtract) {
  if (!morvtest::HavePeer("compress")) GTEST_SKIP() << "compress missing";
  const std::vector<uint8_t> Data = MixedData(1500000, 9);
  morvtest::WriteFile(Join(Root, "in.bin"), Data);
  ASSERT_EQ(morvtest::RunPeer("cd " + Q(Root) + " && compress -b12 -c in.bin > c12.bin.Z && compress -b16 -c in.bin > "
                              "c16.bin.Z && printf '\\037\\235\\220' > empty.Z && head -c 300000 c16.bin.Z > cut.bin.Z"),
            0);
  for (const char* Name : {"c12.bin", "c16.bin"}) {
    EXPECT_EQ(Run(Join(Root, std::string(Name) + ".Z")), 1);
    EXPECT_TRUE(Log.Passed(Name));
    EXPECT_TRUE(morvtest::ReadFile(Join(Out, Name)) == Data) << Name;
  }
  EXPECT_EQ(Run(Join(Root, "empty.Z")), 1);
  EXPECT_TRUE(FileExists(Join(Out, "empty")));
  EXPECT_TRUE(morvtest::ReadFile(Join(Out, "empty")).empty());
  EXPECT_EQ(Run(Join(Root, "cut.bin.Z")), 1);
  const std::vector<uint8_t> Got = morvtest::ReadFile(Join(Out, "cut.bin"));
  EXPECT_GT(Got.size(), 0u);
  EXPECT_LT(Got.size(), Data.size());
  EXPECT_TRUE(std::equal(Got.begin(), Got.end(), Data.begin()));
}

// The shared .Z files, the 8-byte one too (shorter than type detection
// reads), come out as gzip decodes them.
TEST_F(UnGzip, SharedCompressFixtures) {
  if (!morvtest::HavePeer("gzip")) GTEST_SKIP() << "gzip missing";
  for (const char* Name : {"libarchive/test_archive_string_conversion.txt.Z", "libarchive/test_compat_mac-1.tar.Z",
                           "libarchive/test_compat_mac-2.tar.Z", "libarchive/test_read_format_raw.data.Z",
                           "libarchive/test_read_format_tar_empty_pax.tar.Z", "sharpcompress/Tar.tar.Z",
                           "sharpcompress/large_test.txt.Z"}) {
    SCOPED_TRACE(Name);
    const std::string Path = morvtest::SharedPath(std::string("fixtures/z/") + Name);
    const std::string Ref = Join(Root, "ref");
    ASSERT_EQ(morvtest::RunPeer("gzip -dc < " + Q(Path) + " > " + Q(Ref)), 0);
    const std::string Base = ExtractFileName(Path);
    const std::string OutName = Base.substr(0, Base.size() - 2);
    EXPECT_EQ(Run(Path), 1);
    EXPECT_TRUE(Log.Passed(OutName));
    const std::vector<uint8_t> Want = morvtest::ReadFile(Ref), Got = morvtest::ReadFile(Join(Out, OutName));
    EXPECT_EQ(Got.size(), Want.size());
    EXPECT_EQ(Crc32Of(Got), Crc32Of(Want));
  }
}

// .tgz and .tar.Z with UnTar assigned: the tar comes out, then its entries.
TEST_F(UnGzip, TarInsideRunsUnTar) {
  if (!morvtest::HavePeer("tar")) GTEST_SKIP() << "tar missing";
  const std::vector<uint8_t> A = morvtest::TextData(100000, 10), B = morvtest::RandomData(3000, 11);
  ASSERT_TRUE(ForceDirs(Join(Root, "src/sub")));
  morvtest::WriteFile(Join(Root, "src/a.txt"), A);
  morvtest::WriteFile(Join(Root, "src/sub/b.bin"), B);
  ASSERT_EQ(morvtest::RunPeer("cd " + Q(Join(Root, "src")) + " && tar czf ../pack.tgz a.txt sub"), 0);
  TUnTAR* Tar = nullptr;
  EXPECT_EQ(Run(Join(Root, "pack.tgz"), true,
                [&](TUnGZIP& U) {
                  Tar = new TUnTAR(&U);
                  U.SetUnTar(Tar);
                }),
            1);
  // tar czf stores no name: the tar is the archive's name less ".tgz".
  EXPECT_TRUE(FileExists(Join(Out, "pack")));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "a.txt")), A);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "sub/b.bin")), B);

  Out = Join(Root, "outz");
  EXPECT_EQ(Run(morvtest::SharedPath("fixtures/z/sharpcompress/Tar.tar.Z"), true,
                [&](TUnGZIP& U) { U.SetUnTar(new TUnTAR(&U)); }),
            1);
  EXPECT_TRUE(FileExists(Join(Out, "Tar.tar")));
  const std::vector<uint8_t> Exe = morvtest::ReadFile(Join(Out, "exe/test.exe"));
  EXPECT_EQ(Exe.size(), 45056u);
  EXPECT_EQ(Crc32Of(Exe), 0xcfb109c8u);
  EXPECT_EQ(Crc32Of(morvtest::ReadFile(Join(Out, "tect.txt"))), 0x9bd160fau);
}

// The tar extractor may go before the gzip extractor that refers to it.
TEST_F(UnGzip, UnTarReferenceClearedWhenFreed) {
  TUnGZIP U(nullptr);
  {
    TUnTAR T(nullptr);
    U.SetUnTar(&T);
    EXPECT_EQ(U.UnTar(), &T);
  }
  EXPECT_EQ(U.UnTar(), nullptr);
}

TEST_F(UnGzip, TestModeWritesNothing) {
  TMember M = Member(morvtest::TextData(5000, 12));
  M.Name = "t.txt";
  morvtest::WriteFile(Join(Root, "t.gz"), M.Bytes());
  TUnGZIP U(nullptr);
  Log.Attach(U);
  U.SetArchiveFile(Join(Root, "t.gz"));
  U.SetExtractDir(Out);
  U.FileSpec()->Add("*.*");
  EXPECT_EQ(U.TestArchive(), 1);
  EXPECT_TRUE(Log.Passed("t.txt"));
  EXPECT_FALSE(DirectoryExists(Out));
  EXPECT_EQ(U.FileName(), "");
}
