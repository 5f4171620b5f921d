// RAR archives through our unrar.dll: stored entries byte-exact against
// unar, compressed ones refused entry by entry, volume sets followed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/convert/arc2arc.h"
#include "archive/convert/zipcheck.h"
#include "archive/formats/rar/unrar.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/writers_test_util.h"
#include "tests/archive/external/external_util.h"
#include "tests/support/testsupport.h"

using namespace writerstest;

namespace {

struct TRun {
  int Extracted = 0;
  std::vector<int> Errors;
  std::vector<std::string> Asked;
};

TRun ExtractRar(const std::string& Arc, const std::string& Out) {
  TRun R;
  TComponent Owner(nullptr);
  TUnRAR* U = new TUnRAR(&Owner);
  U->SetArchiveFile(Arc);
  U->SetExtractDir(Out);
  U->FileSpec()->Add("*.*");
  U->ConfirmOverwrites = false;
  U->OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
    R.Errors.push_back(Code);
  };
  U->OnNextVolume = [&](TObject*, std::string& Name, const std::string&, bool, bool&) {
    R.Asked.push_back(ExtractFileName(Name));
  };
  R.Extracted = U->Extract();
  return R;
}

class RarTest : public ::testing::Test {
 protected:
  void SetUp() override { Dir = morvtest::TempDir(); }
  std::string Dir;
};

TEST_F(RarTest, LibraryIsOurs) { EXPECT_TRUE(TUnRAR::LibraryLoaded()); }

TEST_F(RarTest, StoredArchivesAndSetsExtractLikeUnar) {
  struct TCase {
    const char* Name;
    size_t Volumes;
  } Cases[] = {
      {"sharpcompress/Rar.none.rar", 0},
      {"libarchive/test_rar_multivolume_uncompressed_files.part01.rar", 9},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Arc = morvtest::SharedPath(std::string("fixtures/rar/") + C.Name);
    const std::string Peers = Join(Dir, std::string("peer_") + ExtractFileName(Arc));
    const std::string Ours = Join(Dir, std::string("ours_") + ExtractFileName(Arc));
    ForceDirectories(Peers);
    std::string Text;
    ASSERT_EQ(Peer("unar -q -f -D -o " + Host(Peers) + " " + Host(Arc), &Text), 0) << Text;
    TRun R = ExtractRar(Arc, Ours);
    EXPECT_GT(R.Extracted, 0);
    EXPECT_TRUE(R.Errors.empty());
    EXPECT_EQ(R.Asked.size(), C.Volumes);
    // unar writes names in UTF-8 where we write the ANSI code page: the
    // files of plain names are compared.
    std::string Diff;
    EXPECT_EQ(Peer("cd " + Host(Peers) + " && find . -type f | LC_ALL=C grep -v '[^ -~]' | while read f; do cmp \"$f\" " +
                       Host(Ours) + "/\"$f\" || exit 1; done",
                   &Diff),
              0)
        << Diff;
  }
}

TEST_F(RarTest, CompressedEntriesAreRefusedOneByOne) {
  const std::string Arc = morvtest::SharedPath("fixtures/rar/sharpcompress/Rar.rar");
  const std::string Ours = Join(Dir, "ours");
  TRun R = ExtractRar(Arc, Ours);
  EXPECT_EQ(R.Extracted, 0);
  ASSERT_GE(R.Errors.size(), 3u);
  for (int E : R.Errors) EXPECT_EQ(E, errBadArcType);
  std::string Left;
  Peer("find " + Host(Ours) + " -type f 2>/dev/null", &Left);
  EXPECT_EQ(Left, "");
}

TEST_F(RarTest, TestPassesAndFlippedTwinFails) {
  externaltest::ExpectSoundAndFlippedTwinFails(morvtest::SharedPath("fixtures/rar/sharpcompress/Rar.none.rar"), 3, Dir,
                                               "twin.rar");
}

// Without unrar.dll the program still starts, and an extraction reports
// 25258. Run in a child process started with the library disabled.
TEST_F(RarTest, MissingLibraryFailsOnlyTheOperation) {
  if (externaltest::IsLibraryChild("MORV_RAR_CHILD")) {
    EXPECT_FALSE(TUnRAR::LibraryLoaded());
    TComponent Owner(nullptr);
    TUnRAR* U = new TUnRAR(&Owner);
    U->SetArchiveFile(morvtest::SharedPath("fixtures/rar/sharpcompress/Rar.none.rar"));
    U->SetExtractDir(Join(Dir, "none"));
    U->FileSpec()->Add("*.*");
    TErrors Errors;
    U->OnError = Errors.Handler();
    EXPECT_THROW(U->Extract(), E_RAISE);
    EXPECT_EQ(Errors.Codes, std::vector<int>{errNoUnrar});
    return;
  }
  externaltest::ExpectPassesWithoutLibrary("MORV_RAR_CHILD", "unrar", "RarTest.MissingLibraryFailsOnlyTheOperation");
}

TEST_F(RarTest, StoredRarConvertsToZip) {
  const std::string Arc = morvtest::SharedPath("fixtures/rar/sharpcompress/Rar.none.rar");
  const std::string To = Join(Dir, "out.zip");
  TComponent Owner(nullptr);
  TArc2Arc* C = new TArc2Arc(&Owner);
  C->SetArchiveFile(Arc);
  C->OutArchiveFile = To;
  C->OutArcType = TOutArcType::tyZip;
  std::vector<bool> Checked;
  C->OnIntegrityStatus = [&](TObject*, const std::string&, bool Pass) { Checked.push_back(Pass); };
  EXPECT_TRUE(C->Activate());
  EXPECT_EQ(Checked, std::vector<bool>(3, true));
  const std::string Peers = Join(Dir, "peer"), Back = Join(Dir, "back");
  ForceDirectories(Peers);
  ForceDirectories(Back);
  std::string Text;
  ASSERT_EQ(Peer("unar -q -f -D -o " + Host(Peers) + " " + Host(Arc) + " && cd " + Host(Back) + " && unzip -q " +
                     Host(To),
                 &Text),
            0)
      << Text;
  std::string Diff;
  EXPECT_EQ(Peer("cd " + Host(Peers) + " && find . -type f | LC_ALL=C grep -v '[^ -~]' | while read f; do cmp \"$f\" " +
                     Host(Back) + "/\"$f\" || exit 1; done",
                 &Diff),
            0)
      << Diff;
}

}  // namespace
