// TUnTAR on archives of GNU tar and bsdtar in every format they write, and
// on archives made block by block: damaged headers, hostile names, links,
// devices, long-name and pax records.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "archive/formats/tar/untar.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/unzip_util.h"

using namespace unziptest;

namespace {

using morvtest::Join;

std::string Q(const std::string& LocalPath) { return "'" + morvtest::HostPath(LocalPath) + "'"; }

struct TBuilder {
  std::vector<uint8_t> Data;

  static void Field(uint8_t* B, size_t Off, size_t Len, const std::string& S) {
    std::copy_n(S.begin(), std::min(S.size(), Len), B + Off);
  }
  static std::string Octal(uint64_t V, size_t Digits) {
    std::string S(Digits, '0');
    for (size_t i = Digits; i-- > 0; V >>= 3) S[i] = char('0' + (V & 7));
    return S;
  }
  // One header block; the checksum is right unless BadSum.
  std::vector<uint8_t> Header(const std::string& Name, uint64_t Size, char Type, const std::string& Prefix = "",
                              bool BadSum = false, const std::string& Link = "") {
    std::vector<uint8_t> B(512, 0);
    Field(B.data(), 0, 100, Name);
    Field(B.data(), 100, 8, "0000644");
    Field(B.data(), 108, 8, "0000000");
    Field(B.data(), 116, 8, "0000000");
    Field(B.data(), 124, 12, Octal(Size, 11));
    Field(B.data(), 136, 12, Octal(1600000000, 11));
    B[156] = uint8_t(Type);
    Field(B.data(), 157, 100, Link);
    Field(B.data(), 257, 8, std::string("ustar\0" "00", 8));
    Field(B.data(), 345, 155, Prefix);
    uint32_t Sum = 0;
    for (size_t i = 0; i < 512; ++i) Sum += (i >= 148 && i < 156) ? ' ' : B[i];
    if (BadSum) Sum += 1;
    Field(B.data(), 148, 8, Octal(Sum, 6) + std::string("\0 ", 2));
    return B;
  }
  TBuilder& Add(const std::string& Name, const std::vector<uint8_t>& Body, char Type = '0',
                const std::string& Prefix = "", bool BadSum = false, const std::string& Link = "") {
    return AddSized(Name, Body, Body.size(), Type, Prefix, BadSum, Link);
  }
  TBuilder& AddSized(const std::string& Name, const std::vector<uint8_t>& Body, uint64_t Size, char Type = '0',
                     const std::string& Prefix = "", bool BadSum = false, const std::string& Link = "") {
    const std::vector<uint8_t> H = Header(Name, Size, Type, Prefix, BadSum, Link);
    Data.insert(Data.end(), H.begin(), H.end());
    Data.insert(Data.end(), Body.begin(), Body.end());
    Data.resize((Data.size() + 511) / 512 * 512, 0);
    return *this;
  }
  std::vector<uint8_t> Finish() {
    Data.resize(Data.size() + 1024, 0);
    return Data;
  }
};

std::string PaxRecord(const std::string& Key, const std::string& Value) {
  const std::string Body = " " + Key + "=" + Value + "\n";
  size_t Len = Body.size() + 1;
  while (std::to_string(Len).size() + Body.size() != Len) ++Len;
  return std::to_string(Len) + Body;
}

class UnTar : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Out = Join(Root, "out");
  }
  // Extracts Tar (written to Root) into Out; returns the count extracted.
  int Run(const std::vector<uint8_t>& Tar, const std::string& Spec = "*.*") {
    const std::string Path = Join(Root, "t.tar");
    morvtest::WriteFile(Path, Tar);
    return RunFile(Path, Spec);
  }
  int RunFile(const std::string& Path, const std::string& Spec = "*.*") {
    TUnTAR U(nullptr);
    Log = TRunLog();
    Log.Attach(U);
    U.SetArchiveFile(Path);
    EXPECT_EQ(U.ArcType(), atTar);
    U.SetExtractDir(Out);
    U.FileSpec()->Add(Spec);
    return U.Extract();
  }
  std::string Root, Out;
  TRunLog Log;
};

// Builds the source trees on the host: Short for v7 (names under 100 bytes,
// no special files), Split adds a path longer than 100 bytes that ustar can
// split at a "/", links, a fifo and an empty folder, Long adds names no
// ustar header can hold (paths stay below the 260 bytes Windows allows).
const char* kMakeTrees = R"SH(set -e
mk() { mkdir -p "$(dirname "$1")"; head -c "$2" /dev/urandom > "$1"; }
for t in Short Split Long; do
  rm -rf $t && mkdir -p $t && cd $t
  mk a/b/c/deep.bin 70000
  mk f0 0; mk f1 1; mk f511 511; mk f512 512; mk f513 513; mk f1024 1024
  mk 'sp ace/x y.txt' 300
  ln -s a lnkdir; ln -s f513 lnkfile
  if [ $t != Short ]; then
    D1=dir_aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa
    D2=dir_bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
    mk $D1/$D2/file_cccccccccccccccccccccccccccccccccccccccc.bin 5000
    mkdir -p h; mk h/h1 2000; ln h/h1 h/h2
    mkfifo pipe; mkdir emptydir
  fi
  if [ $t = Long ]; then
    mk name_$(printf 'x%.0s' $(seq 1 140)) 777
    mk $D1/name_$(printf 'y%.0s' $(seq 1 105)) 1234
  fi
  cd ..
done
)SH";

}  // namespace

// Every format GNU tar and bsdtar write: the regular files come out
// byte-exact, links, the fifo and folders never become files.
TEST_F(UnTar, PeerArchivesExtractByteExact) {
  if (!morvtest::HavePeer("tar") || !morvtest::HavePeer("bsdtar")) GTEST_SKIP() << "tar or bsdtar missing";
  const std::string Src = Join(Root, "src");
  ASSERT_EQ(morvtest::RunPeer("mkdir -p " + Q(Src) + " && cd " + Q(Src) + " && " + kMakeTrees), 0);
  const struct {
    const char* Tree;
    const char* Command;
  } Cases[] = {
      {"Short", "tar --format=v7 -cf"}, {"Split", "tar --format=ustar -cf"}, {"Long", "tar --format=gnu -cf"},
      {"Long", "tar --format=pax -cf"}, {"Long", "bsdtar -cf"},              {"Split", "bsdtar --format=ustar -cf"},
      {"Long", "bsdtar --format=gnutar -cf"},
  };
  int N = 0;
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::string(C.Command) + " " + C.Tree);
    const std::string Tree = Join(Src, C.Tree);
    const std::string Tar = Join(Root, "p" + std::to_string(N) + ".tar");
    Out = Join(Root, "out" + std::to_string(N++));
    std::string Msg;
    ASSERT_EQ(morvtest::RunPeer("cd " + Q(Tree) + " && " + C.Command + " " + Q(Tar) + " *", &Msg), 0) << Msg;
    std::set<std::string> Want = FilesBelow(Tree);
    const bool Hard = Want.count("h/h1") > 0;
    Want.erase("h/h1");
    Want.erase("h/h2");
    const int Count = RunFile(Tar);
    EXPECT_TRUE(Log.Errors.empty());
    std::set<std::string> Got = FilesBelow(Out);
    // The second name of a hard link is a link record: one of the two is
    // written, whichever the archiver met first.
    if (Hard) {
      const bool One = Got.count("h/h1") + Got.count("h/h2") == 1;
      EXPECT_TRUE(One);
      const std::string Name = Got.count("h/h1") ? "h/h1" : "h/h2";
      EXPECT_EQ(morvtest::ReadFile(Join(Out, Name)), morvtest::ReadFile(Join(Tree, "h/h1")));
      Got.erase(Name);
    }
    EXPECT_EQ(Got, Want);
    EXPECT_EQ(Count, int(Want.size()) + (Hard ? 1 : 0));
    for (const std::string& F : Want) EXPECT_EQ(morvtest::ReadFile(Join(Out, F)), morvtest::ReadFile(Join(Tree, F))) << F;
    EXPECT_FALSE(FileExists(Join(Out, "lnkfile")));
    EXPECT_FALSE(FileExists(Join(Out, "pipe")));
  }
  // Links and the fifo are the host's to remove.
  morvtest::RunPeer("rm -rf " + Q(Src));
}

// The tar inside the shared compress fixture, unpacked by gzip: its three
// files with the sizes and CRCs SOURCES.md gives, its folders not as files.
TEST_F(UnTar, SharedTarExtractsWithItsSizesAndCrcs) {
  if (!morvtest::HavePeer("gzip")) GTEST_SKIP() << "gzip missing";
  const std::string Tar = Join(Root, "Tar.tar");
  ASSERT_EQ(morvtest::RunPeer("gzip -dc < " + Q(morvtest::SharedPath("fixtures/z/sharpcompress/Tar.tar.Z")) + " > " +
                              Q(Tar)),
            0);
  EXPECT_EQ(RunFile(Tar), 3);
  EXPECT_EQ(FilesBelow(Out), (std::set<std::string>{"exe/test.exe", "jpg/test.jpg", "tect.txt"}));
  const struct {
    const char* Name;
    size_t Size;
    uint32_t Crc;
  } Files[] = {{"exe/test.exe", 45056, 0xcfb109c8}, {"jpg/test.jpg", 40372, 0x088814e3}, {"tect.txt", 15498, 0x9bd160fa}};
  for (const auto& F : Files) {
    const std::vector<uint8_t> D = morvtest::ReadFile(Join(Out, F.Name));
    EXPECT_EQ(D.size(), F.Size) << F.Name;
    EXPECT_EQ(Crc32Of(D), F.Crc) << F.Name;
  }
}

// A damaged header in the middle: the walk goes on block by block, the
// damage is reported once, and the entries after it still come out.
TEST_F(UnTar, BadChecksumInTheMiddleIsSkipped) {
  const std::vector<uint8_t> A = morvtest::RandomData(1500, 1), B = morvtest::RandomData(3000, 2),
                             C = morvtest::RandomData(700, 3);
  TBuilder T;
  T.Add("a.bin", A).Add("b.bin", B, '0', "", true).Add("c.bin", C);
  EXPECT_EQ(Run(T.Finish()), 2);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25237}));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "a.bin")), A);
  EXPECT_FALSE(FileExists(Join(Out, "b.bin")));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "c.bin")), C);
}

TEST_F(UnTar, ZeroBlockEndsTheWalk) {
  TBuilder T;
  T.Add("a.txt", Bytes("first"));
  T.Data.resize(T.Data.size() + 512, 0);
  T.Add("b.txt", Bytes("after the end"));
  EXPECT_EQ(Run(T.Finish()), 1);
  EXPECT_TRUE(FileExists(Join(Out, "a.txt")));
  EXPECT_FALSE(FileExists(Join(Out, "b.txt")));
}

// Stored names never lead out of ExtractDir, whether from the name field,
// the ustar prefix, a GNU long name or a pax path.
TEST_F(UnTar, NamesStayInsideExtractDir) {
  const std::vector<std::pair<std::string, std::string>> Names = {
      {"../evil1.txt", "evil1.txt"},          {"../../evil2.txt", "evil2.txt"},
      {"/abs/evil3.txt", "abs/evil3.txt"},    {"C:\\win\\evil4.txt", "win/evil4.txt"},
      {"a/../../evil5.txt", "a/evil5.txt"},   {"..\\..\\evil6.txt", "evil6.txt"},
  };
  TBuilder T;
  for (const auto& N : Names) T.Add(N.first, Bytes(N.first));
  T.Add("evil7.txt", Bytes("prefix"), '0', "../..");
  const std::string LongName = "../../" + std::string(120, 'l') + "/evil8.txt";
  T.Add("././@LongLink", Bytes(LongName + std::string(1, '\0')), 'L');
  T.Add("short", Bytes("gnu"));
  const std::string Pax = PaxRecord("path", "../../../evil9.txt");
  T.Add("PaxHeaders/x", Bytes(Pax), 'x');
  T.Add("plain", Bytes("pax"));
  EXPECT_EQ(Run(T.Finish()), int(Names.size()) + 3);
  for (const auto& N : Names) EXPECT_EQ(morvtest::ReadFile(Join(Out, N.second)), Bytes(N.first)) << N.first;
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "evil7.txt")), Bytes("prefix"));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, std::string(120, 'l') + "/evil8.txt")), Bytes("gnu"));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "evil9.txt")), Bytes("pax"));
  std::string Found;
  morvtest::RunPeer("cd " + Q(Root) + " && { find . -name 'evil*' | grep -v '^./out/'; ls -d ../evil* ../../evil* "
                    "../../../evil* /abs 2>/dev/null; }",
                    &Found);
  EXPECT_EQ(Found, "");
}

// A symbolic link is not made, so a later file "through" it lands in a
// real folder inside ExtractDir.
TEST_F(UnTar, FileBehindASymlinkStaysInside) {
  const std::string Target = Join(Root, "outside");
  TBuilder T;
  T.Add("s", {}, '2', "", false, morvtest::HostPath(Target));
  T.Add("s/evil.txt", Bytes("x"));
  EXPECT_EQ(Run(T.Finish()), 1);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "s/evil.txt")), Bytes("x"));
  EXPECT_TRUE(DirectoryExists(Join(Out, "s")));
  EXPECT_FALSE(FileExists(Join(Target, "evil.txt")));
}

// Records that describe the next entry, links, devices, fifos, sparse files
// and folders are never written as files; the walk moves past their data.
TEST_F(UnTar, OnlyRegularFilesAreExtracted) {
  TBuilder T;
  T.Add("g", Bytes(PaxRecord("comment", "global")), 'g');
  T.Add("hard", {}, '1', "", false, "target");
  T.Add("soft", {}, '2', "", false, "target");
  T.Add("chr", {}, '3');
  T.Add("blk", {}, '4');
  T.Add("dir", {}, '5');
  T.Add("fifo", {}, '6');
  T.Add("sparse", morvtest::RandomData(600, 5), 'S');
  T.Add("vol", {}, 'V');
  T.Add("././@LongLink", Bytes("long-link-target"), 'K');
  T.Add("soft2", {}, '2');
  T.Add("oldstyle/", {}, '0');
  T.Add("dot/..", Bytes("x"), '0');
  T.Add("contiguous", Bytes("seven"), '7');
  T.Add("v7file", Bytes("nul type"), '\0');
  EXPECT_EQ(Run(T.Finish()), 2);
  EXPECT_EQ(FilesBelow(Out), (std::set<std::string>{"contiguous", "v7file"}));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "v7file")), Bytes("nul type"));
  EXPECT_TRUE(Log.Errors.empty());
}

// A pax size replaces the header's; a pax path and a GNU long name name the
// entry that follows them, and only that one.
TEST_F(UnTar, PaxAndLongNameRecordsApplyToTheNextEntry) {
  const std::vector<uint8_t> Body = morvtest::RandomData(1300, 7);
  TBuilder T;
  T.Add("PaxHeaders/a", Bytes(PaxRecord("path", "pax/named.bin") + PaxRecord("size", "1300")), 'x');
  T.AddSized("ignored", Body, 0);
  T.Add("next.txt", Bytes("next"));
  const std::string Long = std::string(150, 'n') + ".txt";
  T.Add("././@LongLink", Bytes(Long + std::string(1, '\0')), 'L');
  T.Add(Long.substr(0, 99), Bytes("long"));
  T.Add("after.txt", Bytes("after"));
  EXPECT_EQ(Run(T.Finish()), 4);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "pax/named.bin")), Body);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "next.txt")), Bytes("next"));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, Long)), Bytes("long"));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "after.txt")), Bytes("after"));
  EXPECT_FALSE(FileExists(Join(Out, "ignored")));
  EXPECT_FALSE(FileExists(Join(Out, "././@LongLink")));
}

// An archive cut inside an entry's data: the entry fails, it is not
// reported as sound.
TEST_F(UnTar, CutDataFailsTheEntry) {
  TBuilder T;
  T.Add("a.txt", Bytes("whole"));
  T.Add("cut.bin", morvtest::RandomData(5000, 9));
  std::vector<uint8_t> Tar = T.Data;
  Tar.resize(512 * 3 + 1000);
  EXPECT_EQ(Run(Tar), 1);
  EXPECT_TRUE(Log.Passed("a.txt"));
  EXPECT_FALSE(Log.Passed("cut.bin"));
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25236}));
}

// One plain name asked for: the walk ends at the first match.
TEST_F(UnTar, SinglePlainSpecTakesTheFirstMatch) {
  TBuilder T;
  T.Add("other.txt", Bytes("other")).Add("dup.txt", Bytes("first")).Add("dup.txt", Bytes("second"));
  EXPECT_EQ(Run(T.Finish(), "dup.txt"), 1);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "dup.txt")), Bytes("first"));
  EXPECT_FALSE(FileExists(Join(Out, "other.txt")));
}

// An entry named like the archive, extracted beside it, would overwrite the
// archive while it is being read.
TEST_F(UnTar, EntryNamedLikeTheArchiveIsRefused) {
  TBuilder T;
  T.Add("t.tar", Bytes("not the archive")).Add("ok.txt", Bytes("ok"));
  const std::vector<uint8_t> Tar = T.Finish();
  Out = Root;
  EXPECT_EQ(Run(Tar), 1);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25171}));
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "t.tar")), Tar);
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "ok.txt")), Bytes("ok"));
}

TEST_F(UnTar, TestModeWritesNothing) {
  TBuilder T;
  T.Add("a.txt", Bytes("a")).Add("d/b.txt", Bytes("b"));
  morvtest::WriteFile(Join(Root, "t.tar"), T.Finish());
  TUnTAR U(nullptr);
  Log.Attach(U);
  U.SetArchiveFile(Join(Root, "t.tar"));
  U.SetExtractDir(Out);
  U.FileSpec()->Add("*.*");
  EXPECT_EQ(U.TestArchive(), 2);
  EXPECT_FALSE(DirectoryExists(Out));
}
