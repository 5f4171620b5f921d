// Renaming entries and folders, checked by unzip and zipinfo.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"
#include "tests/zipbridge/zbtest.h"
#include "zipbridge/zipbridge.h"

using namespace zbtest;
using morvtest::ReadFile;
using morvtest::TempDir;
using morvtest::WriteFile;

namespace {

class RenameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = TempDir();
    Z.OnMessage = [this](TObject*, int Code, const std::string& Text) { Messages.push_back({Code, Text}); };
    Shell(Dir,
          "mkdir -p src/doc/inner && cd src && printf 'hello\\n' > document.txt && printf 'x\\n' > doc.txt && "
          "seq 1 20000 > doc/numbers.txt && printf 'deep\\n' > doc/inner/deep.txt && "
          "touch -d '2003-04-05 06:07:08' document.txt doc/numbers.txt && zip -q -9 -r ../t.zip . && "
          "touch -d '2010-10-10 10:10:10' ../t.zip");
  }
  void Open(const std::string& Name = "t.zip") {
    Z.SetZipFileName(Dir + "\\" + Name);
    ASSERT_GT(Z.Count(), 0) << Z.Message;
  }
  std::string Unzip(const std::string& Args, const std::string& Name = "t.zip") {
    return Shell(Dir, "unzip " + Args + " " + Name);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> R;
    for (const auto& E : Z.ZipContents()) R.push_back(E->FileName);
    std::sort(R.begin(), R.end());
    return R;
  }

  std::string Dir;
  TZipBridge Z{nullptr};
  std::vector<std::pair<int, std::string>> Messages;
};

TEST_F(RenameTest, FilesMatchWholeNamesFoldersByPrefix) {
  Open();
  const int ArchiveDate = FileAge(Dir + "\\t.zip");
  TPeerListing Before = ZipInfo(Dir + "\\t.zip");
  // "doc.txt" must not take "document.txt" along, nor "doc" the folder "doc\".
  Z.RenameEntries({{"DOC.TXT", "renamed.txt", 0}, {"doc\\", "papers", 0}, {"doc", "nothing.txt", 0}}, 0);
  EXPECT_FALSE(Z.ZipBusy());
  EXPECT_EQ(Names(), std::vector<std::string>({"document.txt", "papers\\", "papers\\inner\\",
                                               "papers\\inner\\deep.txt", "papers\\numbers.txt", "renamed.txt"}));
  std::string Listed = Unzip("-l");
  EXPECT_NE(Listed.find("papers/inner/deep.txt"), std::string::npos) << Listed;
  EXPECT_NE(Unzip("-t").find("No errors detected"), std::string::npos);
  // Dates, CRCs and the archive's own date stay.
  TPeerListing After = ZipInfo(Dir + "\\t.zip");
  ASSERT_EQ(After.Entries.size(), Before.Entries.size());
  for (size_t i = 0; i < Before.Entries.size(); i++) {
    EXPECT_EQ(After.Entries[i].DosTime, Before.Entries[i].DosTime);
    EXPECT_EQ(After.Entries[i].Crc, Before.Entries[i].Crc);
  }
  EXPECT_EQ(FileAge(Dir + "\\t.zip"), ArchiveDate);
  bool Logged = false;
  for (const auto& M : Messages) Logged |= M.second == "Processing: doc.txt renamed to: renamed.txt";
  EXPECT_TRUE(Logged);
}

TEST_F(RenameTest, NewDates) {
  Open();
  const int Common = int(uint32_t(0x5A21) << 16 | 0x6000);
  const int Own = int(uint32_t(0x4C65) << 16 | 0x5000);
  Z.RenameEntries({{"doc.txt", "doc.txt", Own}}, Common);
  for (const TPeerEntry& E : ZipInfo(Dir + "\\t.zip").Entries) {
    SCOPED_TRACE(E.Name);
    EXPECT_EQ(E.DosTime, E.Name == "doc.txt" ? DosTimeText(0x4C65, 0x5000) : DosTimeText(0x5A21, 0x6000));
  }
  EXPECT_NE(Unzip("-t").find("No errors detected"), std::string::npos);
}

TEST_F(RenameTest, FolderToFileRequestChangesNothing) {
  Open();
  std::vector<uint8_t> Old = ReadFile(Dir + "\\t.zip");
  Z.RenameEntries({{"doc.txt", "other.txt", 0}, {"document.txt", "folder\\", 0}}, 0);
  EXPECT_EQ(ReadFile(Dir + "\\t.zip"), Old);
  EXPECT_FALSE(Z.ZipBusy());
}

TEST_F(RenameTest, StubPrefixIsKept) {
  // Offsets counting the stub (zip -A) and offsets that leave it out.
  for (const char* Fix : {"zip -q -A s.zip", "true"}) {
    SCOPED_TRACE(Fix);
    Shell(Dir, "head -c 20000 /dev/urandom > s.zip && cat t.zip >> s.zip && " + std::string(Fix));
    std::vector<uint8_t> Old = ReadFile(Dir + "\\s.zip");
    Open("s.zip");
    Z.RenameEntries({{"doc\\inner\\deep.txt", "deeper.txt", 0}}, 0);
    std::vector<uint8_t> New = ReadFile(Dir + "\\s.zip");
    EXPECT_TRUE(std::equal(Old.begin(), Old.begin() + 20000, New.begin()));
    EXPECT_EQ(Z.SFXOffset(), 20000);
    std::string Tested = Unzip("-t", "s.zip");
    EXPECT_NE(Tested.find("No errors detected"), std::string::npos) << Tested;
    EXPECT_EQ(Tested.find("extra bytes"), std::string::npos) << Tested;
    EXPECT_NE(Unzip("-l", "s.zip").find("deeper.txt"), std::string::npos);
  }
}

TEST_F(RenameTest, NewNamesAreWrittenInOem) {
  // A DOS host stores OEM names.
  TRawEntry E{"old.txt", "data"};
  E.MadeBy = 0x0014;
  WriteFile(Dir + "\\oem.zip", MakeZip({E}));
  Open("oem.zip");
  Z.RenameEntries({{"old.txt", "caf\xE9.txt", 0}}, 0);
  ASSERT_EQ(Z.Count(), 1);
  EXPECT_EQ(Z.ZipContents()[0]->FileName, "caf\xE9.txt");
  std::vector<uint8_t> D = ReadFile(Dir + "\\oem.zip");
  const std::string Raw = AnsiToOem("caf\xE9.txt");
  ASSERT_NE(Raw, "caf\xE9.txt");
  const std::vector<uint8_t> Bytes(Raw.begin(), Raw.end());
  EXPECT_NE(std::search(D.begin(), D.end(), Bytes.begin(), Bytes.end()), D.end());
  EXPECT_NE(Unzip("-t", "oem.zip").find("No errors detected"), std::string::npos);
}

TEST_F(RenameTest, SpannedSetIsRefused) {
  std::vector<uint8_t> D = MakeZip({{"a.txt", "data"}});
  D[D.size() - 22 + 4] = 1;  // number of this disk
  D[D.size() - 22 + 6] = 1;  // disk of the central directory
  WriteFile(Dir + "\\span.zip", D);
  Z.SetZipFileName(Dir + "\\span.zip");
  Z.RenameEntries({{"a.txt", "b.txt", 0}}, 0);
  EXPECT_EQ(Z.ErrCode, zmRenameSpanned);
  EXPECT_EQ(ReadFile(Dir + "\\span.zip"), D);
  EXPECT_FALSE(Z.ZipBusy());
}

TEST_F(RenameTest, DamagedArchiveIsLeftAlone) {
  Open();
  std::vector<uint8_t> D = ReadFile(Dir + "\\t.zip");
  // The first local header's signature.
  D[0] = 'X';
  WriteFile(Dir + "\\t.zip", D);
  Z.RenameEntries({{"doc.txt", "b.txt", 0}}, 0);
  EXPECT_NE(Z.ErrCode, 0);
  EXPECT_EQ(ReadFile(Dir + "\\t.zip"), D);
  EXPECT_FALSE(Z.ZipBusy());
}

}  // namespace
