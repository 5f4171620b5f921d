// TTar: GNU tar, bsdtar and 7-Zip read what it writes, names of 100 bytes
// and more included; the header layout of the writer's table; updating and
// deleting; the .tgz step.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "archive/formats/tar/tar_format.h"
#include "archive/formats/tar/untar.h"
#include "archive/formats/tar/tarwriter.h"
#include "tests/archive/formats/writers_test_util.h"

using namespace writerstest;

namespace {

std::set<std::string> Lines(const std::string& Text) {
  std::set<std::string> S;
  std::istringstream In(Text);
  for (std::string L; std::getline(In, L);)
    if (!L.empty()) S.insert(L);
  return S;
}

class TarWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Src = Join(Root, "src");
    ForceDirectories(Src);
    Tar = Join(Root, "x.TAR");
  }
  int Run(const std::string& Spec, TSwitch Switch = TSwitch::swAdd, bool Recurse = true,
          TCompressMethod Method = TCompressMethod::cmTarred) {
    TTar W(nullptr);
    W.SetArchiveFile(Tar);
    W.FileSpec()->Add(Spec);
    W.Switch = Switch;
    W.RecurseDirs = Recurse;
    W.SetCompressMethod(Method);
    W.OnError = [this](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
      Codes.push_back(Code);
    };
    const int N = W.Compress();
    GzipName = W.GzipArchiveName();
    return N;
  }
  std::string Root, Src, Tar, GzipName;
  std::vector<int> Codes;
};

const std::string kDir1 = "dir_" + std::string(60, 'a');
const std::string kDir2 = "dir_" + std::string(60, 'b');

// Names around the 100-byte field: 99 bytes fits, 100 and 101 without a
// "/" need a long-name record, a long path splits into the ustar prefix, a
// path whose last part is over 99 bytes needs the long-name record again.
// Paths stay below the 260 bytes Windows allows.
std::vector<std::pair<std::string, size_t>> Tree() {
  return {
      {"small.txt", 10},
      {"empty.txt", 0},
      {"f511", 511},
      {"f512", 512},
      {"f513", 513},
      {"big.bin", 300000},
      {"sub/inner.txt", 1000},
      {std::string(99, 'n'), 99},
      {std::string(100, 'm'), 100},
      {std::string(101, 'k'), 101},
      {kDir1 + "/" + kDir2 + "/split_path_file.txt", 1234},
      {kDir1 + "/" + std::string(105, 'z'), 777},
  };
}

}  // namespace

TEST_F(TarWriter, PeersReadWhatWeWrite) {
  for (const char* P : {"tar", "bsdtar", "7zz"})
    if (!morvtest::HavePeer(P)) GTEST_SKIP() << P << " missing";
  uint32_t Seed = 1;
  std::set<std::string> Names;
  for (const auto& [Name, Size] : Tree()) {
    PutFile(Src, Name, morvtest::RandomData(Size, Seed++));
    Names.insert(Name);
  }
  EXPECT_EQ(Run(Join(Src, "*.*")), int(Names.size()));
  EXPECT_TRUE(Codes.empty());
  std::string Msg;
  EXPECT_EQ(Peer("tar -tvf " + Host(Tar), &Msg), 0) << Msg;
  EXPECT_EQ(Peer("bsdtar -tvf " + Host(Tar), &Msg), 0) << Msg;
  EXPECT_EQ(Peer("7zz t " + Host(Tar), &Msg), 0) << Msg;
  ASSERT_EQ(Peer("tar -tf " + Host(Tar), &Msg), 0);
  EXPECT_EQ(Lines(Msg), Names);
  ASSERT_EQ(Peer("bsdtar -tf " + Host(Tar), &Msg), 0);
  EXPECT_EQ(Lines(Msg), Names);
  for (const char* X : {"tar", "bsdtar"}) {
    SCOPED_TRACE(X);
    const std::string Dest = Join(Root, std::string("x_") + X);
    ForceDirectories(Dest);
    ASSERT_EQ(Peer("cd " + Host(Dest) + " && " + X + " -xf " + Host(Tar), &Msg), 0) << Msg;
    ExpectSameTree(Src, Dest);
    ExpectSameTree(Dest, Src);
  }
  const std::string Ours = Join(Root, "ours");
  TUnTAR U(nullptr);
  U.SetArchiveFile(Tar);
  U.SetExtractDir(Ours);
  U.FileSpec()->Add("*.*");
  EXPECT_EQ(U.Extract(), int(Names.size()));
  ExpectSameTree(Src, Ours);
}

// The table's fields: mode 100666, owner and group 0, size and time in
// octal, the checksum over the block with its own field as spaces; a
// 513-byte file takes one header and two data blocks, its fill zero; an
// empty file is one header; two zero blocks end the archive.
TEST_F(TarWriter, HeaderLayout) {
  const std::vector<uint8_t> Data = morvtest::RandomData(513, 11);
  PutFile(Src, "a.bin", Data);
  PutFile(Src, "b.txt", {});
  ASSERT_EQ(Peer("touch -d @1600000000 " + Host(Join(Src, "a.bin"))), 0);
  EXPECT_EQ(Run(Join(Src, "*.*"), TSwitch::swAdd, false), 2);
  const std::vector<uint8_t> A = morvtest::ReadFile(Tar);
  ASSERT_EQ(A.size(), 512u * (1 + 2 + 1 + 2));
  const uint8_t* H = A.data();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(H)), "a.bin");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(H + 100), 8), std::string("100666 \0", 8));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(H + 108), 8), std::string("     0 \0", 8));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(H + 124), 12), "        1001");
  EXPECT_EQ(TarOctal(H + 136, 12), 1600000000u);
  EXPECT_EQ(H[156], 0);
  uint32_t Sum = 0;
  for (size_t i = 0; i < 512; ++i) Sum += (i >= 148 && i < 156) ? ' ' : H[i];
  char Expect[8];
  std::snprintf(Expect, sizeof Expect, "%06o", Sum);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(H + 148), 8), std::string(Expect) + std::string("\0 ", 2));
  EXPECT_TRUE(std::equal(Data.begin(), Data.end(), A.begin() + 512));
  for (size_t i = 512 + 513; i < 1536; ++i) ASSERT_EQ(A[i], 0) << i;
  const uint8_t* H2 = A.data() + 1536;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(H2)), "b.txt");
  EXPECT_EQ(TarOctal(H2 + 124, 12), 0u);
  for (size_t i = 2048; i < A.size(); ++i) ASSERT_EQ(A[i], 0) << i;
}

// Adding to an existing archive keeps its entries (long-name records
// included) byte for byte; deleting drops the selected ones.
TEST_F(TarWriter, UpdateAndDelete) {
  if (!morvtest::HavePeer("tar")) GTEST_SKIP() << "tar missing";
  const std::string Long = std::string(120, 'q') + ".txt";
  PutFile(Src, "old/one.txt", morvtest::RandomData(700, 12));
  PutFile(Src, "old/" + Long, morvtest::RandomData(100, 13));
  ASSERT_EQ(Peer("cd " + Host(Src) + " && tar --format=gnu -cf " + Host(Tar) + " old"), 0);
  PutFile(Src, "new.txt", morvtest::RandomData(900, 14));
  EXPECT_EQ(Run(Join(Src, "new.txt"), TSwitch::swAdd, false), 1);
  std::string Msg;
  ASSERT_EQ(Peer("tar -tf " + Host(Tar), &Msg), 0) << Msg;
  EXPECT_EQ(Lines(Msg), (std::set<std::string>{"old/", "old/one.txt", "old/" + Long, "new.txt"}));
  const std::string Dest = Join(Root, "x1");
  ForceDirectories(Dest);
  ASSERT_EQ(Peer("cd " + Host(Dest) + " && tar -xf " + Host(Tar), &Msg), 0) << Msg;
  ExpectSameTree(Src, Dest);

  EXPECT_EQ(Run("old\\one.txt", TSwitch::swDelete, false), 0);
  ASSERT_EQ(Peer("tar -tf " + Host(Tar), &Msg), 0) << Msg;
  EXPECT_EQ(Lines(Msg), (std::set<std::string>{"old/", "old/" + Long, "new.txt"}));
}

// With cmGzipTar the tar becomes a gzip file; GzipArchiveName names the
// file really written (the tar's name plus ".GZ"), and the tar is gone.
TEST_F(TarWriter, GzipTarStep) {
  for (const char* P : {"gzip", "tar", "bsdtar", "7zz"})
    if (!morvtest::HavePeer(P)) GTEST_SKIP() << P << " missing";
  PutFile(Src, "a.txt", morvtest::TextData(50000, 15));
  PutFile(Src, "d/b.bin", morvtest::RandomData(3000, 16));
  EXPECT_EQ(Run(Join(Src, "*.*"), TSwitch::swAdd, true, TCompressMethod::cmGzipTar), 2);
  EXPECT_TRUE(Codes.empty());
  EXPECT_FALSE(FileExists(Tar));
  EXPECT_EQ(GzipName, Join(Root, "x.TAR.GZ"));
  ASSERT_TRUE(FileExists(GzipName));
  std::string Msg;
  EXPECT_EQ(Peer("gzip -t " + Host(GzipName), &Msg), 0) << Msg;
  EXPECT_EQ(Peer("7zz t " + Host(GzipName), &Msg), 0) << Msg;
  EXPECT_EQ(Peer("bsdtar -tvf " + Host(GzipName), &Msg), 0) << Msg;
  const std::string Dest = Join(Root, "x1");
  ForceDirectories(Dest);
  ASSERT_EQ(Peer("cd " + Host(Dest) + " && tar -xzf " + Host(GzipName), &Msg), 0) << Msg;
  ExpectSameTree(Src, Dest);
  ExpectSameTree(Dest, Src);
}

// Moving files into a .tgz: the sources go once the tar holds them, and the
// gzip file is what remains.
TEST_F(TarWriter, GzipTarMoveDeletesSources) {
  if (!morvtest::HavePeer("tar")) GTEST_SKIP() << "tar missing";
  const std::vector<uint8_t> A = morvtest::TextData(20000, 21);
  PutFile(Src, "a.txt", A);
  PutFile(Src, "b.txt", {'b'});
  EXPECT_EQ(Run(Join(Src, "*.*"), TSwitch::swMove, true, TCompressMethod::cmGzipTar), 2);
  EXPECT_TRUE(Codes.empty());
  EXPECT_FALSE(FileExists(Join(Src, "a.txt")));
  EXPECT_FALSE(FileExists(Join(Src, "b.txt")));
  EXPECT_FALSE(FileExists(Tar));
  ASSERT_TRUE(FileExists(GzipName));
  const std::string Dest = Join(Root, "out");
  ForceDirectories(Dest);
  std::string Msg;
  ASSERT_EQ(Peer("cd " + Host(Dest) + " && tar -xzf " + Host(GzipName), &Msg), 0) << Msg;
  EXPECT_EQ(morvtest::ReadFile(Join(Dest, "a.txt")), A);
}

// An existing file that is not a tar is refused as TZip refuses a file that
// is not a Zip, and stays as it was; an empty file or the end blocks of an
// empty tar are taken as an empty archive.
TEST_F(TarWriter, RefusesAnExistingFileThatIsNotATar) {
  PutFile(Src, "a.txt", morvtest::TextData(100));
  std::vector<uint8_t> Tgz = {0x1F, 0x8B, 8, 0};
  const std::vector<uint8_t> Noise = morvtest::RandomData(3000, 7);
  Tgz.insert(Tgz.end(), Noise.begin(), Noise.end());
  for (const std::vector<uint8_t>& Old : {morvtest::TextData(2000, 3), Tgz, morvtest::TextData(20, 4)}) {
    morvtest::WriteFile(Tar, Old);
    Codes.clear();
    EXPECT_THROW(Run(Join(Src, "a.txt")), E_RAISE);
    EXPECT_EQ(Codes, std::vector<int>{25108});
    EXPECT_TRUE(morvtest::ReadFile(Tar) == Old);
  }
  for (size_t Size : {size_t(0), 2 * TarBlockSize}) {
    morvtest::WriteFile(Tar, std::vector<uint8_t>(Size, 0));
    Codes.clear();
    EXPECT_EQ(Run(Join(Src, "a.txt")), 1);
    EXPECT_TRUE(Codes.empty());
  }
}
