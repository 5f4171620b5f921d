// Cabinets through the system cabinet library: extraction checked against
// cabextract on the shared fixtures and on gcab's cabinets, our cabinets
// checked by cabextract.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "archive/formats/cab/makecab.h"
#include "archive/formats/cab/uncab.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/writers_test_util.h"
#include "tests/archive/external/external_util.h"
#include "tests/support/testsupport.h"

using namespace writerstest;

namespace {

// cabextract's view of a cabinet, unpacked into Out.
void PeerExtract(const std::string& Cab, const std::string& Out) {
  ForceDirectories(Out);
  std::string Text;
  ASSERT_EQ(Peer("cabextract -q -d " + Host(Out) + " " + Host(Cab), &Text), 0) << Text;
}

int Extract(const std::string& Cab, const std::string& Out, TErrors* Errors = nullptr,
            std::vector<std::string>* Asked = nullptr, bool Refuse = false) {
  TComponent Owner(nullptr);
  TUnCAB* U = new TUnCAB(&Owner);
  U->SetArchiveFile(Cab);
  EXPECT_EQ(U->ArcType(), atCab) << Cab;
  U->SetExtractDir(Out);
  U->FileSpec()->Add("*.*");
  U->ConfirmOverwrites = false;
  if (Errors) U->OnError = Errors->Handler();
  U->OnNextVolume = [&](TObject*, std::string& Name, const std::string&, bool, bool& Cancel) {
    if (Asked) Asked->push_back(ExtractFileName(Name));
    Cancel = Refuse;
  };
  return U->Extract();
}

class CabTest : public ::testing::Test {
 protected:
  void SetUp() override { Dir = morvtest::TempDir(); }
  std::string Dir;
};

TEST_F(CabTest, FixturesExtractLikeCabextract) {
  // MSZIP, LZX and Quantum folders, and cabinets with reserved areas.
  const char* Names[] = {
      "libmspack/mszip_lzx_qtm.cab",          "libmspack/normal_2files_1folder.cab",
      "libmspack/normal_2files_2folders.cab", "libmspack/reserve_HFD.cab",
      "libarchive/test_read_format_cab_1.cab", "libarchive/test_read_format_cab_2.cab",
      "libarchive/test_read_format_cab_3.cab", "libarchive/test_read_format_cab_lzx_e8.cab",
  };
  for (const char* N : Names) {
    SCOPED_TRACE(N);
    const std::string Cab = morvtest::SharedPath(std::string("fixtures/cab/") + N);
    const std::string Ours = Join(Dir, std::string("ours_") + ExtractFileName(Cab));
    const std::string Theirs = Join(Dir, std::string("peer_") + ExtractFileName(Cab));
    PeerExtract(Cab, Theirs);
    TErrors Errors;
    EXPECT_GT(Extract(Cab, Ours, &Errors), 0);
    EXPECT_TRUE(Errors.Codes.empty());
    ExpectSameTree(Theirs, Ours);
  }
}

TEST_F(CabTest, SetIsFollowedAskingOncePerCabinet) {
  const std::string First = morvtest::SharedPath("fixtures/cab/libarchive/test_read_format_cab_multi.p1.cab");
  const std::string Theirs = Join(Dir, "peer"), Ours = Join(Dir, "ours");
  PeerExtract(First, Theirs);
  std::vector<std::string> Asked;
  EXPECT_GT(Extract(First, Ours, nullptr, &Asked), 0);
  ExpectSameTree(Theirs, Ours);
  EXPECT_EQ(Asked, std::vector<std::string>{"test_read_format_cab_multi.p2.cab"});
}

TEST_F(CabTest, NextCabinetMayBeAnotherFileThanNamed) {
  // These cabinets name their neighbours "cabd_multi_basic_ptN.cab", files
  // that are not there: the user points at the right ones.
  const std::string First = morvtest::SharedPath("fixtures/cab/libmspack/multi_basic_pt1.cab");
  const std::string Out = Join(Dir, "ours");
  TComponent Owner(nullptr);
  TUnCAB* U = new TUnCAB(&Owner);
  U->SetArchiveFile(First);
  U->SetExtractDir(Out);
  U->FileSpec()->Add("*.*");
  std::vector<std::string> Asked;
  U->OnNextVolume = [&](TObject*, std::string& Name, const std::string&, bool Exists, bool&) {
    Asked.push_back(ExtractFileName(Name));
    EXPECT_FALSE(Exists);
    const std::string File = ExtractFileName(Name);
    Name = ExtractFilePath(First) + File.substr(File.find("multi_"));
  };
  EXPECT_EQ(U->Extract(), 3);
  EXPECT_EQ(Asked.size(), 4u);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "test1.txt")).size(), 76u);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "test2.txt")).size(), 38u);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "test3.txt")).size(), 76u);
}

TEST_F(CabTest, RefusedNextCabinetEndsQuietlyWithoutPartialFile) {
  const std::string First = morvtest::SharedPath("fixtures/cab/libarchive/test_read_format_cab_multi.p1.cab");
  const std::string Ours = Join(Dir, "ours");
  TErrors Errors;
  std::vector<std::string> Asked;
  Extract(First, Ours, &Errors, &Asked, true);
  EXPECT_EQ(Asked.size(), 1u);
  // Whatever began in the first cabinet and needs the second is not left
  // behind half written.
  std::string Text;
  Peer("cabextract -l " + Host(First) + " 2>/dev/null; ls -lR " + Host(Ours), &Text);
  const std::string Peers = Join(Dir, "peer");
  ForceDirectories(Peers);
  Peer("cabextract -q -d " + Host(Peers) + " " + Host(First) + " 2>/dev/null");
  std::string Mismatch;
  EXPECT_EQ(Peer("cd " + Host(Ours) + " 2>/dev/null && find . -type f | while read f; do cmp \"$f\" " + Host(Peers) +
                     "/\"$f\" || exit 1; done",
                 &Mismatch),
            0)
      << Mismatch << Text;
}

TEST_F(CabTest, GcabCabinetsExtract) {
  const std::string Src = Join(Dir, "src");
  PutFile(Src, "a.txt", morvtest::TextData(70000, 3));
  PutFile(Src, "sub/b.bin", morvtest::RandomData(5000, 4));
  PutFile(Src, "empty.txt", {});
  for (const char* Opt : {"-c", "-cz"}) {
    SCOPED_TRACE(Opt);
    const std::string Cab = Join(Dir, std::string("g") + (Opt[2] ? "z" : "s") + ".cab");
    std::string Text;
    ASSERT_EQ(Peer("cd " + Host(Src) + " && gcab " + Opt + " " + Host(Cab) + " a.txt sub/b.bin empty.txt", &Text), 0)
        << Text;
    const std::string Out = Join(Dir, std::string("out") + Opt);
    EXPECT_EQ(Extract(Cab, Out), 3);
    ExpectSameTree(Src, Out);
  }
}

TEST_F(CabTest, FileSpecOfTwoNamesStopsAfterTheSecond) {
  const std::string Cab = morvtest::SharedPath("fixtures/cab/libmspack/mszip_lzx_qtm.cab");
  std::string Listing;
  ASSERT_EQ(Peer("cabextract -l " + Host(Cab), &Listing), 0);
  TComponent Owner(nullptr);
  TUnCAB* U = new TUnCAB(&Owner);
  U->SetArchiveFile(Cab);
  const std::string Out = Join(Dir, "two");
  U->SetExtractDir(Out);
  U->FileSpec()->Add("mszip.txt");
  U->FileSpec()->Add("lzx.txt");
  int Begun = 0;
  U->OnBegin = [&](TObject*, const std::string&, int, bool&) { ++Begun; };
  EXPECT_EQ(U->Extract(), 2) << Listing;
  EXPECT_EQ(Begun, 2);
  EXPECT_FALSE(FileExists(Join(Out, "qtm.txt")));
}

TEST_F(CabTest, SkippedExistingTargetStillReachesFullProgress) {
  const std::string Cab = morvtest::SharedPath("fixtures/cab/libmspack/normal_2files_1folder.cab");
  const std::string Out = Join(Dir, "out");
  ASSERT_EQ(Extract(Cab, Out), 2);
  TComponent Owner(nullptr);
  TUnCAB* U = new TUnCAB(&Owner);
  U->SetArchiveFile(Cab);
  U->SetExtractDir(Out);
  U->FileSpec()->Add("*.*");
  U->ConfirmOverwrites = false;
  U->OverwriteMode = TOverwriteMode::omSkip;
  int Last = -1;
  U->OnProgress = [&](TObject*, uint8_t, uint8_t ByArchive) { Last = ByArchive; };
  EXPECT_EQ(U->Extract(), 0);
  EXPECT_EQ(Last, 100);
}

TEST_F(CabTest, BadCabinetsFailCleanly) {
  const char* Names[] = {"bad_folderindex.cab", "bad_nofiles.cab",
                         "cve-2014-9556-qtm-infinite-loop.cab", "cve-2015-4471-lzx-under-read.cab",
                         "partial_nodata.cab", "hidden-file-beyond-eof.cab", "lzx-premature-matches.cab"};
  for (const char* N : Names) {
    SCOPED_TRACE(N);
    const std::string Out = Join(Dir, N);
    try {
      Extract(morvtest::SharedPath(std::string("fixtures/cab/libmspack/") + N), Out);
    } catch (const E_RAISE&) {
    }
  }
}

TEST_F(CabTest, MakeCabOutputPassesCabextractAndRoundTrips) {
  const std::string Src = Join(Dir, "src");
  PutFile(Src, "text.txt", morvtest::TextData(200000, 7));
  PutFile(Src, "random.bin", morvtest::RandomData(40000, 8));
  PutFile(Src, "deep/er/small.txt", morvtest::TextData(10, 9));
  PutFile(Src, "empty.dat", {});
  for (auto M : {TCompressMethod::cmStore, TCompressMethod::cmMsZip, TCompressMethod::cmLzx}) {
    SCOPED_TRACE(int(M));
    const std::string Cab = Join(Dir, "made" + std::to_string(int(M)) + ".cab");
    TComponent Owner(nullptr);
    TMakeCAB* W = new TMakeCAB(&Owner);
    W->SetArchiveFile(Cab);
    W->SetCompressMethod(M);
    W->RecurseDirs = true;
    W->SetDefaultDir(Src);
    W->FileSpec()->Add("*.*");
    int Last = -1;
    W->OnProgress = [&](TObject*, uint8_t, uint8_t ByArchive) { Last = ByArchive; };
    try {
      EXPECT_EQ(W->Compress(), 4);
    } catch (const Exception& E) {
      ADD_FAILURE() << E.what();
      continue;
    }
    EXPECT_EQ(Last, 100);
    std::string Text;
    EXPECT_EQ(Peer("cabextract -t " + Host(Cab), &Text), 0) << Text;
    const std::string Back = Join(Dir, "back" + std::to_string(int(M)));
    PeerExtract(Cab, Back);
    ExpectSameTree(Src, Back);
    const std::string Ours = Join(Dir, "ours" + std::to_string(int(M)));
    EXPECT_EQ(Extract(Cab, Ours), 4);
    ExpectSameTree(Src, Ours);
  }
  // Nothing of the library's temporary files is left beside the cabinets.
  std::string Left;
  Peer("ls " + Host(Dir) + " | grep -v -e '^made' -e '^back' -e '^ours' -e '^src$' || true", &Left);
  EXPECT_EQ(Left, "");
}

TEST_F(CabTest, AddingToACabinetKeepsItsEntries) {
  const std::string Src = Join(Dir, "src");
  PutFile(Src, "one.txt", morvtest::TextData(3000, 1));
  PutFile(Src, "two.txt", morvtest::TextData(4000, 2));
  const std::string Cab = Join(Dir, "grow.cab");
  for (const char* Name : {"one.txt", "two.txt"}) {
    TComponent Owner(nullptr);
    TMakeCAB* W = new TMakeCAB(&Owner);
    W->SetArchiveFile(Cab);
    W->SetDefaultDir(Src);
    W->FileSpec()->Add(Name);
    EXPECT_EQ(W->Compress(), 1);
  }
  const std::string Back = Join(Dir, "back");
  PeerExtract(Cab, Back);
  ExpectSameTree(Src, Back);
}

TEST_F(CabTest, ReadOnlyCabinetWithoutHandlerIsLeftAlone) {
  const std::string Src = Join(Dir, "src");
  PutFile(Src, "x.txt", morvtest::TextData(100, 1));
  const std::string Cab = PutFile(Dir, "ro.cab", {'M', 'S', 'C', 'F', 0, 0, 0, 0});
  FileSetAttr(Cab, faReadOnly);
  TComponent Owner(nullptr);
  TMakeCAB* W = new TMakeCAB(&Owner);
  W->SetArchiveFile(Cab);
  W->SetDefaultDir(Src);
  W->FileSpec()->Add("*.*");
  TErrors Errors;
  W->OnError = Errors.Handler();
  EXPECT_EQ(W->Compress(), 0);
  EXPECT_EQ(Errors.Codes, std::vector<int>{errWriteFile});
  EXPECT_EQ(morvtest::ReadFile(Cab).size(), 8u);
  FileSetAttr(Cab, faArchive);
}

TEST_F(CabTest, LevelSettersClamp) {
  TComponent Owner(nullptr);
  TMakeCAB* W = new TMakeCAB(&Owner);
  W->SetLzxLevel(30);
  EXPECT_EQ(W->LzxLevel(), 21);
  W->SetLzxLevel(3);
  EXPECT_EQ(W->LzxLevel(), 15);
  W->SetQuantumLevel(0);
  EXPECT_EQ(W->QuantumLevel(), 1);
  W->SetQuantumMemory(9);
  EXPECT_EQ(W->QuantumMemory(), 10);
  W->SetCompressMethod(TCompressMethod::cmQuantum);
  W->QuantumType = TCompressionType::ctLzx;
  EXPECT_EQ(W->CompressionCode(), (10 << 8) | (1 << 4) | 3);
}

// With cabinet.dll turned off the program still starts, and an operation
// reports 25259. Run in a child process started with the library disabled.
TEST_F(CabTest, MissingLibraryFailsOnlyTheOperation) {
  if (externaltest::IsLibraryChild("MORV_CAB_CHILD")) {
    EXPECT_FALSE(CabinetFdiLoaded());
    EXPECT_FALSE(CabinetFciLoaded());
    TComponent Owner(nullptr);
    TUnCAB* U = new TUnCAB(&Owner);
    U->SetArchiveFile(morvtest::SharedPath("fixtures/cab/libmspack/normal_2files_1folder.cab"));
    U->SetExtractDir(Join(Dir, "none"));
    U->FileSpec()->Add("*.*");
    TErrors Errors;
    U->OnError = Errors.Handler();
    EXPECT_THROW(U->Extract(), E_RAISE);
    EXPECT_EQ(Errors.Codes, std::vector<int>{errNoCabinet});
    TMakeCAB* W = new TMakeCAB(&Owner);
    W->SetArchiveFile(Join(Dir, "none.cab"));
    W->FileSpec()->Add("*.*");
    EXPECT_THROW(W->Compress(), E_RAISE);
    return;
  }
  externaltest::ExpectPassesWithoutLibrary("MORV_CAB_CHILD", "cabinet", "CabTest.MissingLibraryFailsOnlyTheOperation");
}

}  // namespace
