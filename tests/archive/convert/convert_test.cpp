// The integrity tester and the converter against archives made by the peer
// tools, and their outputs checked by the peers again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/convert/arc2arc.h"
#include "archive/convert/zipcheck.h"
#include "framework/core/sysutils.h"
#include "tests/archive/convert/fixture_sweep.h"
#include "tests/archive/formats/writers_test_util.h"
#include "tests/support/testsupport.h"

using namespace writerstest;

namespace {

class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Src = Join(Dir, "src");
    PutFile(Src, "a.txt", morvtest::TextData(30000, 1));
    PutFile(Src, "sub/b.bin", morvtest::RandomData(9000, 2));
    PutFile(Src, "sub/deeper/c.txt", morvtest::TextData(700, 3));
  }
  // An archive of Src made by a peer command run inside Src (NAME is the
  // archive's host path).
  std::string Make(const std::string& Name, const std::string& Cmd) {
    const std::string Arc = Join(Dir, Name);
    std::string Text;
    EXPECT_EQ(Peer("cd " + Host(Src) + " && NAME=" + Host(Arc) + " && " + Cmd, &Text), 0) << Text;
    return Arc;
  }
  std::string Listing(const std::string& Folder) {
    std::string Text;
    Peer("cd " + Host(Folder) + " && find . | sort", &Text);
    return Text;
  }
  std::string Dir, Src;
};

using fixturesweep::RunCheck;
using fixturesweep::TCheckRun;

// Flips one byte in the middle of the file's largest stretch of data.
void FlipByte(const std::string& Name, size_t Pos) {
  std::vector<uint8_t> Data = morvtest::ReadFile(Name);
  ASSERT_LT(Pos, Data.size());
  Data[Pos] ^= 0x55;
  morvtest::WriteFile(Name, Data);
}

TEST_F(ConvertTest, TesterPassesSoundArchivesAndFailsFlippedTwinsWritingNothing) {
  struct TCase {
    const char* Name;
    const char* Cmd;
    int Entries;
  } Cases[] = {
      {"t.zip", "zip -qr \"$NAME\" .", 3},
      {"t.jar", "zip -qr \"$NAME\" .", 3},
      {"t.gz", "gzip -c a.txt > \"$NAME\"", 1},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Arc = Make(C.Name, C.Cmd);
    const std::string Before = Listing(Dir);
    TCheckRun Sound = RunCheck(Arc);
    EXPECT_FALSE(Sound.Raised);
    EXPECT_EQ(Sound.Results, std::vector<bool>(size_t(C.Entries), true));
    const std::string Twin = Join(Dir, std::string("flipped_") + C.Name);
    morvtest::WriteFile(Twin, morvtest::ReadFile(Arc));
    // Inside the first entry's data, past any header.
    FlipByte(Twin, 200);
    const std::string BeforeTwin = Listing(Dir);
    TCheckRun Bad = RunCheck(Twin);
    const bool Failed = Bad.Raised || !Bad.Errors.empty() ||
                        std::find(Bad.Results.begin(), Bad.Results.end(), false) != Bad.Results.end();
    EXPECT_TRUE(Failed);
    EXPECT_EQ(Listing(Dir), BeforeTwin);
  }
}

TEST_F(ConvertTest, TesterRefusesWhatItCannotTest) {
  const std::string Tar = Make("t.tar", "tar cf \"$NAME\" .");
  {
    TComponent Owner(nullptr);
    TZipCheck* T = new TZipCheck(&Owner);
    T->SetArchiveFile(Tar);
    T->FileSpec()->Add("*.*");
    TErrors E;
    T->OnError = E.Handler();
    EXPECT_THROW(T->Activate(), E_RAISE);
    EXPECT_EQ(E.Codes, std::vector<int>{errEventMissing});
  }
  const std::string Uue = Make("t.uue", "uuencode a.txt a.txt > \"$NAME\"");
  TComponent Owner(nullptr);
  TZipCheck* T = new TZipCheck(&Owner);
  T->SetArchiveFile(Uue);
  T->FileSpec()->Add("*.*");
  T->OnStatus = [](TObject*, const std::string&, bool) {};
  TErrors E;
  T->OnError = E.Handler();
  EXPECT_THROW(T->Activate(), E_RAISE);
  EXPECT_EQ(E.Codes, std::vector<int>{errBadArcType});
}

struct TConvertRun {
  bool Result = false;
  bool Raised = false;
  std::vector<int> Errors;
  std::vector<bool> Checked;
  std::vector<std::string> Removed;
};

TConvertRun Convert(const std::string& From, const std::string& To, TOutArcType Type, const std::string& Temp,
                    bool Check = true) {
  TConvertRun R;
  TComponent Owner(nullptr);
  TArc2Arc* C = new TArc2Arc(&Owner);
  C->SetArchiveFile(From);
  C->OutArchiveFile = To;
  C->OutArcType = Type;
  C->SetTempDir(Temp);
  C->OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
    R.Errors.push_back(Code);
  };
  if (Check) C->OnIntegrityStatus = [&](TObject*, const std::string&, bool Pass) { R.Checked.push_back(Pass); };
  C->OnRemoveTempfile = [&](TObject*, const std::string& Name) { R.Removed.push_back(Name); };
  try {
    R.Result = C->Activate();
  } catch (const E_RAISE&) {
    R.Raised = true;
  }
  return R;
}

TEST_F(ConvertTest, ConvertsBetweenTypesCheckedByThePeers) {
  const std::string Temp = Join(Dir, "temp");
  ForceDirectories(Temp);
  const std::vector<std::string> All = {"a.txt", "sub/b.bin", "sub/deeper/c.txt"};
  struct TSource {
    const char* Name;
    const char* Cmd;
    std::vector<std::string> Files;  // what the source holds
  } Sources[] = {
      {"s.zip", "zip -qr \"$NAME\" .", All},
      {"s.tgz", "tar czf \"$NAME\" .", All},
      {"s.tar", "tar cf \"$NAME\" .", All},
      {"s.lzh", "lha aq \"$NAME\" a.txt sub", All},
      {"s.arj", "arj a -r -y \"$NAME\" > /dev/null", All},
      // ARC and UUE hold no folders.
      // arc takes the first dot of a path for the extension's.
      {"s.arc", "arc a s.arc a.txt > /dev/null && mv s.arc \"$NAME\"", {"a.txt"}},
      {"s.uue", "uuencode a.txt a.txt > \"$NAME\"", {"a.txt"}},
  };
  struct TTarget {
    TOutArcType Type;
    const char* Name;
    const char* Unpack;  // host command unpacking $ARC into the current folder; null: BH
    bool OneMember;      // the tester sees one entry, the tar
  } Targets[] = {
      {TOutArcType::tyZip, "o.zip", "unzip -tq \"$ARC\" && unzip -q \"$ARC\"", false},
      {TOutArcType::tyJar, "o.jar", "unzip -tq \"$ARC\" && unzip -q \"$ARC\"", false},
      {TOutArcType::tyTar, "o.tar", "tar xf \"$ARC\"", false},
      // The gzip file holds one member, the tar.
      {TOutArcType::tyGzipTar, "g.tar", "ls \"$ARC\" 2>/dev/null && exit 1; G=$(ls \"${ARC%/*}\"/g.*); gzip -t < \"$G\" && gzip -dc < \"$G\" | tar xf -", true},
      {TOutArcType::tyLzh, "o.lzh", "lha tq \"$ARC\" > /dev/null && lha xq \"$ARC\"", false},
      {TOutArcType::tyBh, "o.bh", nullptr, false},
  };
  int Run = 0;
  for (const TSource& S : Sources) {
    const std::string From = Make(S.Name, S.Cmd);
    for (const TTarget& T : Targets) {
      SCOPED_TRACE(std::string(S.Name) + " -> " + T.Name);
      const std::string Out = Join(Dir, "run" + std::to_string(++Run));
      ForceDirectories(Out);
      const std::string To = Join(Out, T.Name);
      TConvertRun R = Convert(From, To, T.Type, Temp);
      EXPECT_TRUE(R.Result);
      EXPECT_FALSE(R.Raised);
      EXPECT_TRUE(R.Errors.empty()) << ::testing::PrintToString(R.Errors);
      EXPECT_EQ(R.Checked, std::vector<bool>(T.OneMember ? 1 : S.Files.size(), true));
      EXPECT_GE(R.Removed.size(), S.Files.size());
      const std::string Back = Join(Out, "back");
      ForceDirectories(Back);
      if (T.Unpack) {
        std::string Text;
        EXPECT_EQ(Peer("cd " + Host(Back) + " && ARC=" + Host(To) + " && " + T.Unpack, &Text), 0) << Text;
      } else {
        EXPECT_TRUE(fixturesweep::OurExtract(atBh, To, Back));  // no peer reads BH
      }
      for (const std::string& F : S.Files) {
        std::string Text;
        EXPECT_EQ(Peer("cmp " + Host(Join(Src, F)) + " " + Host(Join(Back, F)), &Text), 0) << F << Text;
      }
      std::string Count;
      Peer("cd " + Host(Back) + " && find . -type f | wc -l", &Count);
      EXPECT_EQ(std::stoul(Count), S.Files.size());
      EXPECT_EQ(Listing(Temp), ".\n");
    }
  }
}

TEST_F(ConvertTest, UueSourceConverts) {
  const std::string Temp = Join(Dir, "temp");
  ForceDirectories(Temp);
  const std::string From = Make("s.uue", "uuencode a.txt a.txt > \"$NAME\"");
  const std::string To = Join(Dir, "u.zip");
  TConvertRun R = Convert(From, To, TOutArcType::tyZip, Temp);
  EXPECT_TRUE(R.Result);
  EXPECT_EQ(R.Checked, std::vector<bool>{true});
  std::string Text;
  EXPECT_EQ(Peer("unzip -p " + Host(To) + " a.txt | cmp - " + Host(Join(Src, "a.txt")), &Text), 0) << Text;
  EXPECT_EQ(Listing(Temp), ".\n");
}

TEST_F(ConvertTest, RefusalsAndFailuresLeaveTargetAndNoTemporaryFolder) {
  const std::string Temp = Join(Dir, "temp");
  ForceDirectories(Temp);
  const std::string Zip = Make("s.zip", "zip -qr \"$NAME\" .");
  // Onto itself, whatever the method: refused before anything is touched.
  TConvertRun Self = Convert(Zip, Zip, TOutArcType::tyZip, Temp);
  EXPECT_TRUE(Self.Raised);
  EXPECT_EQ(Self.Errors, std::vector<int>{errSameInOut});

  // An existing target and nobody to ask: nothing happens, quietly.
  const std::string Target = PutFile(Dir, "old.zip", {'o', 'l', 'd'});
  TConvertRun Quiet = Convert(Zip, Target, TOutArcType::tyZip, Temp);
  EXPECT_FALSE(Quiet.Result);
  EXPECT_FALSE(Quiet.Raised);
  EXPECT_TRUE(Quiet.Errors.empty());
  EXPECT_EQ(morvtest::ReadFile(Target).size(), 3u);

  // A source that breaks during extraction: the target stays, the
  // temporary folder goes.
  const std::string Broken = Join(Dir, "broken.tgz");
  std::vector<uint8_t> Data = morvtest::ReadFile(Make("s.tgz", "tar czf \"$NAME\" ."));
  Data.resize(Data.size() / 2);
  morvtest::WriteFile(Broken, Data);
  TComponent Owner(nullptr);
  TArc2Arc* C = new TArc2Arc(&Owner);
  C->SetArchiveFile(Broken);
  C->OutArchiveFile = Target;
  C->OutArcType = TOutArcType::tyZip;
  C->SetTempDir(Temp);
  C->OnFileExists = [](TObject*, const std::string&, TDateTime, TOverwriteMode& M) { M = TOverwriteMode::omOverwrite; };
  try {
    C->Activate();
  } catch (const E_RAISE&) {
  }
  EXPECT_EQ(Listing(Temp), ".\n");
}

TEST_F(ConvertTest, IntegrityCheckNeedsItsStatusEvent) {
  const std::string Temp = Join(Dir, "temp");
  ForceDirectories(Temp);
  const std::string Zip = Make("s.zip", "zip -qr \"$NAME\" .");
  TConvertRun R = Convert(Zip, Join(Dir, "o.tar"), TOutArcType::tyTar, Temp, false);
  EXPECT_TRUE(R.Result);
  EXPECT_TRUE(R.Checked.empty());
}

TEST_F(ConvertTest, EveryTestableFixturePassesAndItsFlippedTwinFails) {
  fixturesweep::ExpectSweepsClean({"zip", "lha", "arj", "arc"}, Dir);
}

}  // namespace
