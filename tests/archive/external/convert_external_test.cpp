// The converter with the library-read sources (cabinet, stored RAR, stored
// ACE) and the cabinet target: every output checked by its peer tool and by
// content against what our own extractor gives; the integrity tester over
// the cabinet, RAR and ACE fixtures and their flipped twins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/convert/arc2arc.h"
#include "framework/core/sysutils.h"
#include "tests/archive/convert/fixture_sweep.h"
#include "tests/archive/formats/writers_test_util.h"
#include "tests/support/testsupport.h"

using namespace writerstest;

namespace {

using fixturesweep::OurExtract;

class ConvertExternalTest : public ::testing::Test {
 protected:
  void SetUp() override { Dir = morvtest::TempDir(); }
  std::string Dir;
};

TEST_F(ConvertExternalTest, LibrarySourcesAndCabinetTargetConvertCheckedByThePeers) {
  const std::string Temp = Join(Dir, "temp");
  ForceDirectories(Temp);
  const std::string Src = Join(Dir, "src");
  PutFile(Src, "a.txt", morvtest::TextData(30000, 1));
  PutFile(Src, "sub/b.bin", morvtest::RandomData(9000, 2));
  std::string Text;
  ASSERT_EQ(Peer("cd " + Host(Src) + " && gcab -cn " + Host(Join(Dir, "s.cab")) + " a.txt sub/b.bin && zip -qr " +
                     Host(Join(Dir, "s.zip")) + " . && lha aq " + Host(Join(Dir, "s.lzh")) + " a.txt sub",
                 &Text),
            0)
      << Text;
  struct TSource {
    std::string Arc;
    TArcType Type;
    bool LibraryRead;
  } Sources[] = {
      {Join(Dir, "s.cab"), atCab, true},
      {morvtest::SharedPath("fixtures/rar/sharpcompress/Rar.none.rar"), atRar, true},
      {morvtest::SharedPath("fixtures/ace/sharpcompress/Ace.store.ace"), atACE, true},
      {Join(Dir, "s.zip"), atZip, false},
      {Join(Dir, "s.lzh"), atLzh, false},
  };
  struct TTarget {
    TOutArcType Type;
    const char* Name;
    const char* Unpack;  // host command unpacking $ARC into the current folder; null: our extractor
    TArcType OwnType;
  } Targets[] = {
      {TOutArcType::tyZip, "o.zip", "unzip -tq \"$ARC\" && unzip -q \"$ARC\"", atZip},
      {TOutArcType::tyJar, "o.jar", "unzip -tq \"$ARC\" && unzip -q \"$ARC\"", atJar},
      {TOutArcType::tyTar, "o.tar", "tar xf \"$ARC\"", atTar},
      {TOutArcType::tyGzipTar, "g.tar", "G=$(ls \"${ARC%/*}\"/g.*); gzip -t < \"$G\" && gzip -dc < \"$G\" | tar xf -", atTar},
      {TOutArcType::tyLzh, "o.lzh", "lha tq \"$ARC\" > /dev/null && lha xq \"$ARC\"", atLzh},
      {TOutArcType::tyBh, "o.bh", nullptr, atBh},
      {TOutArcType::tyCab, "o.cab", "cabextract -q -t \"$ARC\" && cabextract -q \"$ARC\"", atCab},
  };
  int Run = 0;
  for (const TSource& S : Sources) {
    const std::string Ref = Join(Dir, "ref" + std::to_string(Run));
    ASSERT_TRUE(OurExtract(S.Type, S.Arc, Ref)) << S.Arc;
    for (const TTarget& T : Targets) {
      if (!S.LibraryRead && T.Type != TOutArcType::tyCab) continue;
      SCOPED_TRACE(ExtractFileName(S.Arc) + " -> " + T.Name);
      const std::string Out = Join(Dir, "run" + std::to_string(++Run));
      ForceDirectories(Out);
      const std::string To = Join(Out, T.Name);
      TComponent Owner(nullptr);
      TArc2Arc* C = new TArc2Arc(&Owner);
      C->SetArchiveFile(S.Arc);
      C->OutArchiveFile = To;
      C->OutArcType = T.Type;
      C->SetTempDir(Temp);
      TErrors Errors;
      C->OnError = Errors.Handler();
      // Cabinets are no testable type: the peer alone checks them.
      const bool Testable = T.Type != TOutArcType::tyCab;
      std::vector<bool> Checked;
      if (Testable) C->OnIntegrityStatus = [&](TObject*, const std::string&, bool Pass) { Checked.push_back(Pass); };
      bool Result = false;
      try {
        Result = C->Activate();
      } catch (const E_RAISE&) {
      }
      EXPECT_TRUE(Result);
      EXPECT_TRUE(Errors.Codes.empty());
      EXPECT_EQ(Checked.empty(), !Testable);
      EXPECT_EQ(std::count(Checked.begin(), Checked.end(), false), 0);
      const std::string Back = Join(Out, "back");
      ForceDirectories(Back);
      if (T.Unpack) {
        std::string Out2;
        EXPECT_EQ(Peer("cd " + Host(Back) + " && ARC=" + Host(To) + " && " + T.Unpack, &Out2), 0) << Out2;
      } else {
        EXPECT_TRUE(OurExtract(T.OwnType, To, Back));
      }
      // Names outside ASCII are written by the peers in their own code
      // page: the files of plain names are compared.
      std::string Diff;
      EXPECT_EQ(Peer("cd " + Host(Ref) + " && L=$(find . -type f | LC_ALL=C grep -v '[^ -~]') && [ -n \"$L\" ] && " +
                         "echo \"$L\" | while read f; do cmp \"$f\" " + Host(Back) + "/\"$f\" || exit 1; done",
                     &Diff),
                0)
          << Diff;
      std::string Left;
      Peer("ls -A " + Host(Temp), &Left);
      EXPECT_EQ(Left, "");
    }
  }
}

TEST_F(ConvertExternalTest, EveryTestableFixturePassesAndItsFlippedTwinFails) {
  fixturesweep::ExpectSweepsClean({"rar", "ace"}, Dir);
}

}  // namespace
