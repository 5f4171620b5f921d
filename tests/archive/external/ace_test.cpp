// ACE archives through our unace.dll: stored entries byte-exact against the
// CRCs their source lists, compressed and enciphered ones refused entry by
// entry, volume sets followed, an existing target kept when an entry fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "archive/convert/zipcheck.h"
#include "archive/core/crc.h"
#include "archive/formats/ace/unace.h"
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
  std::vector<std::string> PasswordAsked;
};

std::string Fixture(const std::string& Name) { return morvtest::SharedPath("fixtures/ace/sharpcompress/" + Name); }

uint32_t FileCrc(const std::string& Name) {
  const std::vector<uint8_t> Data = morvtest::ReadFile(Name);
  uint32_t Crc = 0xFFFFFFFFu;
  Crc32Block(Data.data(), Data.size(), Crc);
  return ~Crc;
}

class AceTest : public ::testing::Test {
 protected:
  void SetUp() override { Dir = morvtest::TempDir(); }

  // Answers are given in turn to the password question; TryAgain stays set.
  TRun Run(const std::string& Arc, const std::string& Out, bool Test = false,
           const std::vector<std::string>& Answers = {}, TUnACE** Keep = nullptr) {
    TRun R;
    TUnACE* U = new TUnACE(&Owner);
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
    size_t Next = 0;
    if (!Answers.empty())
      U->OnGetPassword = [&](TObject*, const std::string& FN, std::string& Pw, bool&) {
        R.PasswordAsked.push_back(FN);
        Pw = Next < Answers.size() ? Answers[Next++] : "";
      };
    R.Extracted = Test ? U->TestArchive() : U->Extract();
    if (Keep) *Keep = U;
    return R;
  }

  TComponent Owner{nullptr};
  std::string Dir;
};

TEST_F(AceTest, LibraryIsOurs) { EXPECT_TRUE(TUnACE::LibraryLoaded()); }

TEST_F(AceTest, StoredArchivesAndSetsExtractByteExact) {
  struct TCase {
    const char* Name;
    std::map<std::string, uint32_t> Files;
    size_t Volumes;
  } Cases[] = {
      {"Ace.store.ace", {{"exe\\test.exe", 0xcfb109c8}, {"jpg\\test.jpg", 0x088814e3}, {"Tect.txt.txt", 0x9bd160fa}}, 0},
      {"Ace.store.largefile.ace", {{"alice29.txt", 0x66007dba}}, 0},
      {"Ace.store.split.ace", {{"exe\\test.exe", 0xcfb109c8}, {"jpg\\test.jpg", 0x088814e3}, {"Tect.txt", 0x9bd160fa}}, 1},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Out = Join(Dir, C.Name);
    TRun R = Run(Fixture(C.Name), Out);
    EXPECT_EQ(R.Extracted, int(C.Files.size()));
    EXPECT_TRUE(R.Errors.empty());
    EXPECT_EQ(R.Asked.size(), C.Volumes);
    for (const auto& [Name, Crc] : C.Files) EXPECT_EQ(FileCrc(Out + "\\" + Name), Crc) << Name;
  }
}

TEST_F(AceTest, CompressedAndEncipheredEntriesAreRefusedOneByOne) {
  for (const char* Name : {"Ace.method1.ace", "Ace.method2-solid.ace"}) {
    SCOPED_TRACE(Name);
    const std::string Out = Join(Dir, Name);
    TRun R = Run(Fixture(Name), Out);
    EXPECT_EQ(R.Extracted, 0);
    EXPECT_EQ(R.Errors, std::vector<int>(3, errBadArcType));
    std::string Left;
    Peer("find " + Host(Out) + " -type f 2>/dev/null", &Left);
    EXPECT_EQ(Left, "");
  }
  // A password is asked for each enciphered entry; the cipher is then
  // refused like a method.
  TRun R = Run(Fixture("Ace.encrypted.ace"), Join(Dir, "enc"), false, {"a", "b", "c"});
  EXPECT_EQ(R.Extracted, 0);
  EXPECT_EQ(R.Errors, std::vector<int>(3, errBadArcType));
}

TEST_F(AceTest, NoPasswordEndsTheRunButKeepsTheSelection) {
  struct TCase {
    const char* Title;
    std::vector<std::string> Answers;
    size_t Asked;
  } Cases[] = {{"no question asked", {}, 0}, {"empty answer", {""}, 1}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Title);
    TUnACE* U = nullptr;
    TRun R = Run(Fixture("Ace.encrypted.ace"), Join(Dir, "enc"), false, C.Answers, &U);
    EXPECT_EQ(R.Extracted, 0);
    EXPECT_EQ(R.Errors, std::vector<int>{errBadPassword});
    EXPECT_EQ(R.PasswordAsked.size(), C.Asked);
    ASSERT_NE(U, nullptr);
    EXPECT_EQ(U->FileSpec()->Count(), 1);
  }
}

TEST_F(AceTest, FailedEntryLeavesTheExistingTargetAlone) {
  // A compressed entry fails; the file already at its place stays whole.
  const std::string Out = Join(Dir, "out");
  ForceDirectories(Out + "\\exe");
  morvtest::WriteFile(Out + "\\exe\\test.exe", std::string("keep me"));
  TRun R = Run(Fixture("Ace.method1.ace"), Out);
  EXPECT_EQ(R.Extracted, 0);
  EXPECT_EQ(morvtest::ReadFile(Out + "\\exe\\test.exe"), std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
  std::string Files;
  Peer("find " + Host(Out) + " -type f", &Files);
  EXPECT_EQ(std::count(Files.begin(), Files.end(), '\n'), 1) << Files;
}

TEST_F(AceTest, TestPassesAndFlippedTwinFails) {
  externaltest::ExpectSoundAndFlippedTwinFails(Fixture("Ace.store.ace"), 3, Dir, "twin.ace");
}

TEST_F(AceTest, SetWithoutVolumeHandlerStopsAtTheVolumeChange) {
  TUnACE* U = new TUnACE(&Owner);
  U->SetArchiveFile(Fixture("Ace.store.split.ace"));
  const std::string Out = Join(Dir, "out");
  U->SetExtractDir(Out);
  U->FileSpec()->Add("*.*");
  TErrors Errors;
  U->OnError = Errors.Handler();
  EXPECT_EQ(U->Extract(), 1);
  EXPECT_FALSE(FileExists(Out + "\\jpg\\test.jpg"));
  EXPECT_FALSE(Errors.Codes.empty());
}

// Without unace.dll the program still starts, and an extraction reports
// 25260. Run in a child process started with the library disabled.
TEST_F(AceTest, MissingLibraryFailsOnlyTheOperation) {
  if (externaltest::IsLibraryChild("MORV_ACE_CHILD")) {
    EXPECT_FALSE(TUnACE::LibraryLoaded());
    TUnACE* U = new TUnACE(&Owner);
    U->SetArchiveFile(Fixture("Ace.store.ace"));
    U->SetExtractDir(Join(Dir, "none"));
    U->FileSpec()->Add("*.*");
    TErrors Errors;
    U->OnError = Errors.Handler();
    EXPECT_THROW(U->Extract(), E_RAISE);
    EXPECT_EQ(Errors.Codes, std::vector<int>{errNoAce});
    return;
  }
  externaltest::ExpectPassesWithoutLibrary("MORV_ACE_CHILD", "unace", "AceTest.MissingLibraryFailsOnlyTheOperation");
}

}  // namespace
