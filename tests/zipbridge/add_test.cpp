// Adding and deleting through our ZIPENG.DLL, checked by Info-ZIP's unzip and
// zipinfo and by 7-Zip, under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "archive/core/crc.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"
#include "tests/zipbridge/zbtest.h"
#include "zipbridge/zipbridge.h"

using namespace zbtest;
using morvtest::HostPath;
using morvtest::ReadFile;
using morvtest::TempDir;
using morvtest::WriteFile;

namespace {

uint32_t FileCrc(const std::string& Name) {
  std::vector<uint8_t> D = ReadFile(Name);
  uint32_t C = 0xFFFFFFFF;
  Crc32Block(D.data(), D.size(), C);
  return C ^ 0xFFFFFFFF;
}

class AddTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = TempDir();
    Before = GetCurrentDir();
    // Relative names in the file list are taken from the current folder.
    SetCurrentDir(Dir);
    Z.SetDLLDirectory(DllFolder("zipeng"));
    Z.OnMessage = [this](TObject*, int Code, const std::string& Text) { Messages.push_back({Code, Text}); };
    Shell(Dir,
          "mkdir -p src/sub/deeper && cd src && printf 'hello\\n' > a.txt && seq 1 40000 > sub/numbers.txt && "
          ": > sub/empty.dat && head -c 200000 /dev/urandom > sub/deeper/random.bin && "
          "cp sub/numbers.txt sub/deeper/packed.zip && "
          "touch -d '2003-04-05 06:07:08' a.txt && touch -d '2019-11-30 23:59:58' sub/numbers.txt");
  }
  void TearDown() override {
    SetCurrentDir(Before);
    EXPECT_FALSE(TZipBridge::ZipEngLoaded());
  }
  std::string Arc(const std::string& Name = "t.zip") { return Dir + "\\" + Name; }
  // Adds the lines to the archive with the options; returns SuccessCnt.
  int Add(const std::vector<std::string>& Specs, AddOpts Options, const std::string& Name = "t.zip") {
    Z.SetZipFileName(Arc(Name));
    Z.AddOptions = Options;
    for (const std::string& S : Specs) Z.FSpecArgs()->Add(S);
    Z.Add();
    return Z.SuccessCnt;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> R;
    for (const auto& E : Z.ZipContents()) R.push_back(E->FileName);
    std::sort(R.begin(), R.end());
    return R;
  }
  const ZipDirEntry* Entry(const std::string& Name) {
    for (const auto& E : Z.ZipContents())
      if (E->FileName == Name) return E.get();
    return nullptr;
  }
  // The peers' verdicts: unzip -t and, when installed, 7-Zip.
  void ExpectPeersAccept(const std::string& Name = "t.zip", const std::string& UnzipOptions = "") {
    std::string Out = Shell(Dir, "unzip -t " + UnzipOptions + " " + Name);
    EXPECT_NE(Out.find("No errors detected"), std::string::npos) << Out;
    EXPECT_EQ(Out.find("extra bytes"), std::string::npos) << Out;
    if (morvtest::HavePeer("7zz")) Shell(Dir, "7zz t -p" + std::string(UnzipOptions.empty() ? "x" : "secret") + " " + Name);
  }

  std::string Dir, Before;
  TZipBridge Z{nullptr};
  std::vector<std::pair<int, std::string>> Messages;
};

TEST_F(AddTest, RecursiveAddWithFolderNamesIsReadBackByThePeers) {
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs)), 5) << Z.Message;
  EXPECT_EQ(Z.FSpecArgs()->Count(), 0);
  EXPECT_EQ(Names(), std::vector<std::string>({"src\\a.txt", "src\\sub\\deeper\\packed.zip",
                                               "src\\sub\\deeper\\random.bin", "src\\sub\\empty.dat",
                                               "src\\sub\\numbers.txt"}));
  ExpectPeersAccept();
  Shell(Dir, "mkdir out && cd out && unzip -q ../t.zip && diff -r ../src src");
  TPeerListing L = ZipInfo(Arc());
  ASSERT_EQ(L.Entries.size(), 5u);
  for (const TPeerEntry& E : L.Entries) {
    SCOPED_TRACE(E.Name);
    EXPECT_EQ(E.Crc, FileCrc(Dir + "\\" + E.Name));
  }
  // Dates are the files' own, to the DOS two seconds.
  EXPECT_EQ(Entry("src\\a.txt")->ModifDate << 16 | Entry("src\\a.txt")->ModifTime, FileAge(Dir + "\\src\\a.txt"));
  // The store list keeps an archive stored even at level 9; empty files too.
  EXPECT_EQ(Entry("src\\sub\\deeper\\packed.zip")->ComprMethod, 0);
  EXPECT_EQ(Entry("src\\sub\\empty.dat")->ComprMethod, 0);
  EXPECT_EQ(Entry("src\\sub\\numbers.txt")->ComprMethod, 8);
}

TEST_F(AddTest, LevelsGiveTheMethodAndSubtypeInfoZipGives) {
  for (int Level : {0, 1, 2, 5, 8, 9}) {
    SCOPED_TRACE(Level);
    Shell(Dir, "rm -f t.zip ref.zip && cd src/sub && zip -q -" + std::to_string(Level) + " ../../ref.zip numbers.txt");
    Z.AddCompLevel = Level;
    EXPECT_EQ(Add({"src\\sub\\numbers.txt"}, 0), 1);
    auto Method = [&](const std::string& Name) {
      std::string Out = Shell(Dir, "zipinfo -v " + Name + " | grep -E 'compression (method|sub-type)'");
      return Out;
    };
    EXPECT_EQ(Method("t.zip"), Method("ref.zip"));
    ExpectPeersAccept();
  }
}

TEST_F(AddTest, StoredPathsFollowTheOptions) {
  struct TCase {
    AddOpts Options;
    std::vector<std::string> Expected;
  } Cases[] = {
      {SetOf(AddRecurseDirs), {"a.txt", "empty.dat", "numbers.txt", "packed.zip", "random.bin"}},
      {SetOf(AddDirNames), {"src\\a.txt"}},
      {SetOf(AddDirNames, AddRecurseDirs, AddSeparateDirs),
       {"src\\a.txt", "src\\sub\\", "src\\sub\\deeper\\", "src\\sub\\deeper\\packed.zip",
        "src\\sub\\deeper\\random.bin", "src\\sub\\empty.dat", "src\\sub\\numbers.txt"}},
  };
  for (const TCase& C : Cases) {
    DeleteFile(Arc());
    Add({"src\\*.*"}, C.Options);
    EXPECT_EQ(Names(), C.Expected);
    ExpectPeersAccept();
  }
  // An absolute name in the file list is stored without drive and leading separator;
  // ForceDOS makes 8.3 names.
  Shell(Dir, "cp src/sub/numbers.txt 'src/Long Name.text'");
  DeleteFile(Arc());
  Add({Dir + "\\src\\Long Name.text"}, SetOf(AddDirNames, AddForceDOS));
  ASSERT_EQ(Z.Count(), 1);
  std::string Name = Z.ZipContents()[0]->FileName;
  const std::string Tail = "\\SRC\\LONG_NAM.TEX";
  ASSERT_GT(Name.size(), Tail.size());
  EXPECT_EQ(Name.substr(Name.size() - Tail.size()), Tail);
  std::string Listed = Shell(Dir, "unzip -Z1 t.zip");
  EXPECT_EQ(Listed.find(':'), std::string::npos) << Listed;
  EXPECT_NE(Listed[0], '/') << Listed;
  ExpectPeersAccept();
}

TEST_F(AddTest, HiddenFilesOnlyWhenAsked) {
  // Wine shows Unix dot files as hidden.
  Shell(Dir, "printf 'secret\\n' > src/.hidden");
  ASSERT_NE(FileGetAttr(Dir + "\\src\\.hidden") & faHidden, 0);
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames)), 1);
  EXPECT_EQ(Names(), std::vector<std::string>({"src\\a.txt"}));
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddHiddenFiles)), 2);
  EXPECT_EQ(Names(), std::vector<std::string>({"src\\.hidden", "src\\a.txt"}));
  ExpectPeersAccept();
}

TEST_F(AddTest, EncryptedEntriesNeedThePassword) {
  Z.SetPassword("secret");
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs, AddEncrypt)), 5);
  for (const TPeerEntry& E : ZipInfo(Arc()).Entries) {
    if (E.Unpacked > 0) {
      EXPECT_TRUE(E.Encrypted) << E.Name;
    }
  }
  ExpectPeersAccept("t.zip", "-P secret");
  std::string Out;
  EXPECT_NE(morvtest::RunPeer("cd " + Quote(HostPath(Dir)) + " && unzip -t -P wrong t.zip", &Out), 0) << Out;

  // Without a password the library asks through the callback.
  DeleteFile(Arc());
  Z.SetPassword("");
  int Asked = 0;
  Z.OnPasswordError = [&](TObject*, std::string& Pw, const std::string&, uint32_t&) {
    Asked++;
    Pw = "secret";
  };
  EXPECT_EQ(Add({"src\\a.txt"}, SetOf(AddEncrypt)), 1);
  EXPECT_EQ(Asked, 1);
  ExpectPeersAccept("t.zip", "-P secret");
  // No answer: nothing is written.
  DeleteFile(Arc());
  Z.OnPasswordError = [&](TObject*, std::string& Pw, const std::string&, uint32_t&) { Pw.clear(); };
  EXPECT_EQ(Add({"src\\a.txt"}, SetOf(AddEncrypt)), 0);
  EXPECT_FALSE(FileExists(Arc()));
}

TEST_F(AddTest, UpdateFreshenAndMoveFollowFileTimes) {
  Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs));
  std::vector<uint8_t> Old = ReadFile(Arc());
  // Nothing newer: freshen and update change nothing.
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs, AddFreshen)), 0);
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs, AddUpdate)), 0);
  EXPECT_EQ(ReadFile(Arc()), Old);

  Shell(Dir, "cd src && printf 'changed\\n' > a.txt && touch -d '2020-01-01 10:00:00' a.txt && printf 'new\\n' > c.txt");
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs, AddFreshen)), 1);
  EXPECT_EQ(Entry("src\\a.txt")->CRC32, FileCrc(Dir + "\\src\\a.txt"));
  EXPECT_EQ(Entry("src\\c.txt"), nullptr);
  // Both update and freshen: update wins, the new file comes in.
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs, AddUpdate, AddFreshen)), 1);
  ASSERT_NE(Entry("src\\c.txt"), nullptr);
  ExpectPeersAccept();

  // An older file does not replace a newer entry on update, but a plain add
  // replaces it.
  Shell(Dir, "touch -d '2001-01-01 10:00:00' src/a.txt");
  EXPECT_EQ(Add({"src\\a.txt"}, SetOf(AddDirNames, AddUpdate)), 0);
  EXPECT_EQ(Add({"src\\a.txt"}, SetOf(AddDirNames)), 1);
  EXPECT_EQ(Shell(Dir, "zipinfo -l t.zip src/a.txt | grep -c 01-Jan-01"), "1\n");

  // Move deletes what went in, and the folders it emptied.
  EXPECT_EQ(Add({"src\\sub\\*.*"}, SetOf(AddDirNames, AddRecurseDirs, AddMove)), 4);
  EXPECT_FALSE(FileExists(Dir + "\\src\\sub\\numbers.txt"));
  EXPECT_FALSE(DirectoryExists(Dir + "\\src\\sub\\deeper"));
  EXPECT_TRUE(FileExists(Dir + "\\src\\a.txt"));
  ExpectPeersAccept();
}

TEST_F(AddTest, ZipTimeDatesTheArchiveByItsNewestEntry) {
  EXPECT_EQ(Add({"src\\a.txt"}, SetOf(AddZipTime)), 1);
  EXPECT_EQ(FileAge(Arc()), FileAge(Dir + "\\src\\a.txt"));
  // The old entry from 2003 and the new one from 2019: the newer counts.
  EXPECT_EQ(Add({"src\\sub\\numbers.txt"}, SetOf(AddZipTime)), 1);
  EXPECT_EQ(FileAge(Arc()), FileAge(Dir + "\\src\\sub\\numbers.txt"));
  ExpectPeersAccept();
}

TEST_F(AddTest, InfoZipEntriesSurviveByteForByte) {
  Shell(Dir, "printf 'late\\n' > late.txt");
  // With an archive comment, and streamed (data descriptors after the data).
  for (const char* Make : {"echo 'kept comment' | zip -q -z -r ../t.zip .", "zip -q -r - . | cat > ../t.zip"}) {
    SCOPED_TRACE(Make);
    Shell(Dir, "rm -f t.zip && cd src && " + std::string(Make));
    std::vector<uint8_t> Old = ReadFile(Arc());
    TPeerListing Before = ZipInfo(Arc());
    EXPECT_EQ(Add({"late.txt"}, 0), 1);
    std::vector<uint8_t> New = ReadFile(Arc());
    TPeerListing After = ZipInfo(Arc());
    ASSERT_EQ(After.Entries.size(), Before.Entries.size() + 1);
    EXPECT_EQ(After.Comment, Before.Comment);
    for (size_t i = 0; i < Before.Entries.size(); i++) {
      EXPECT_EQ(After.Entries[i].Name, Before.Entries[i].Name);
      EXPECT_EQ(After.Entries[i].LocalOffset, Before.Entries[i].LocalOffset);
    }
    // Every old local record is the same bytes; the new entry follows them.
    size_t Area = size_t(After.Entries.back().LocalOffset);
    ASSERT_LE(Area, Old.size());
    EXPECT_TRUE(std::equal(Old.begin(), Old.begin() + Area, New.begin()));
    // So are the old central headers, extra fields and comments included.
    size_t End = Old.size() - 22;
    while (End > Area && !(Old[End] == 'P' && Old[End + 1] == 'K' && Old[End + 2] == 5 && Old[End + 3] == 6)) End--;
    std::vector<uint8_t> OldCentral(Old.begin() + Area, Old.begin() + End);
    ASSERT_FALSE(OldCentral.empty());
    EXPECT_NE(std::search(New.begin(), New.end(), OldCentral.begin(), OldCentral.end()), New.end());
    ExpectPeersAccept();
  }
}

TEST_F(AddTest, StubInFrontStaysAndOffsetsCountIt) {
  Shell(Dir, "head -c 20000 /dev/urandom > t.zip && cd src && zip -q -r ../inner.zip . && cd .. && "
             "cat inner.zip >> t.zip && zip -q -A t.zip");
  std::vector<uint8_t> Old = ReadFile(Arc());
  EXPECT_EQ(Add({"src\\a.txt"}, SetOf(AddDirNames)), 1);
  EXPECT_EQ(Z.SFXOffset(), 20000);
  std::vector<uint8_t> New = ReadFile(Arc());
  EXPECT_TRUE(std::equal(Old.begin(), Old.begin() + 20000, New.begin()));
  ExpectPeersAccept();
}

TEST_F(AddTest, ExclusionsAndTheArchiveItself) {
  Shell(Dir, "cp src/sub/numbers.txt src/skip.bin");
  Z.FSpecArgsExcl()->Add("*.bin");
  // The archive lies inside the folder being added.
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs), "src\\self.zip"), 4);
  EXPECT_EQ(Z.FSpecArgsExcl()->Count(), 0);
  for (const std::string& N : Names()) {
    EXPECT_EQ(N.find(".bin"), std::string::npos) << N;
    EXPECT_EQ(N.find("self.zip"), std::string::npos) << N;
  }
  // A second add must not take the archive in either.
  Z.FSpecArgsExcl()->Add("*.bin");
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs), "src\\self.zip"), 4);
  ExpectPeersAccept("src/self.zip");
}

TEST_F(AddTest, CancelLeavesTheArchiveUntouched) {
  Add({"src\\a.txt"}, SetOf(AddDirNames));
  std::vector<uint8_t> Old = ReadFile(Arc());
  Z.OnProgress = [&](TObject*, ProgressType T, const std::string&, int64_t) {
    if (T == ptNewFile) Z.Cancel = true;
  };
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs)), 0);
  EXPECT_EQ(ReadFile(Arc()), Old);
  EXPECT_FALSE(Z.Cancel);
  EXPECT_EQ(Shell(Dir, "ls | grep -c '^zip' || true"), "0\n");
}

TEST_F(AddTest, ProgressAndTotals) {
  std::vector<ProgressType> Types;
  int64_t Total = 0, Bytes = 0, Files = 0;
  Z.OnProgress = [&](TObject*, ProgressType T, const std::string&, int64_t Size) {
    if (Types.empty() || Types.back() != T) Types.push_back(T);
    if (T == ptTotalSize) Total = Size;
    if (T == ptTotalFiles) Files = Size;
    if (T == ptProgress) Bytes += Size;
  };
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs)), 5);
  ASSERT_GE(Types.size(), 4u);
  EXPECT_EQ(Types[0], ptTotalFiles);
  EXPECT_EQ(Types[1], ptTotalSize);
  EXPECT_EQ(Types[2], ptNewFile);
  EXPECT_EQ(Types.back(), ptEndOfBatch);
  EXPECT_EQ(Files, 5);
  EXPECT_EQ(Total, 6 + 228894 * 2 + 200000);
  EXPECT_EQ(Bytes, Total);
}

TEST_F(AddTest, DeleteByWildcard) {
  Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs));
  std::vector<uint8_t> Old = ReadFile(Arc());
  Z.FSpecArgs()->Add("*.exe");
  Z.Delete();
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(ReadFile(Arc()), Old);

  Z.FSpecArgs()->Add("src\\sub\\*.*");
  Z.Delete();
  EXPECT_EQ(Z.SuccessCnt, 4);
  EXPECT_EQ(Z.FSpecArgs()->Count(), 0);
  EXPECT_EQ(Names(), std::vector<std::string>({"src\\a.txt"}));
  ExpectPeersAccept();
  Z.FSpecArgs()->Add("SRC/A.TXT");
  Z.Delete();
  EXPECT_EQ(Z.SuccessCnt, 1);
  EXPECT_EQ(Z.Count(), 0);
  EXPECT_EQ(ReadFile(Arc()).size(), 22u);
}

TEST_F(AddTest, RefusalsCallNoLibrary) {
  struct TCase {
    AddOpts Options;
    std::string Name;
    bool Unattended;
    std::vector<std::string> Specs;
    int Code;
  } Cases[] = {
      {0, "t.zip", false, {}, zmNoFilesToZip},
      {SetOf(AddEncrypt), "t.zip", true, {"src\\a.txt"}, zmUnattendedPassword},
      {SetOf(AddDiskSpan, AddUpdate), "t.zip", false, {"src\\a.txt"}, zmSpanFreshen},
      {SetOf(AddDiskSpanErase, AddFreshen), "t.zip", false, {"src\\a.txt"}, zmSpanFreshen},
      {SetOf(AddDiskSpan), "t.exe", false, {"src\\a.txt"}, zmSfxNoSpan},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Code);
    Z.Unattended = C.Unattended;
    Z.SuccessCnt = 7;
    EXPECT_EQ(Add(C.Specs, C.Options, C.Name), 0);
    EXPECT_EQ(Z.ErrCode, C.Code);
    EXPECT_FALSE(FileExists(Arc(C.Name)));
    Z.FSpecArgs()->Clear();
  }
  Z.SetZipFileName("");
  Z.FSpecArgs()->Add("src\\a.txt");
  Z.Add();
  EXPECT_EQ(Z.ErrCode, zmNoZipSpecified);
  Z.FSpecArgs()->Clear();
  Z.Delete();
  EXPECT_EQ(Z.ErrCode, zmNothingToDelete);
}

TEST_F(AddTest, OlderLibraryTakesTheLongRecord) {
  Z.SetDLLDirectory(DllFolder("zipeng-old"));
  EXPECT_EQ(Z.ZipEngVersion(), 150);
  EXPECT_EQ(Add({"src\\*.*"}, SetOf(AddDirNames, AddRecurseDirs)), 5);
  ExpectPeersAccept();
}

}  // namespace
