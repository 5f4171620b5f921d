#include "archive/core/zipcommon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "framework/core/streams.h"
#include "tests/archive/core/pe_stub.h"
#include "tests/support/testsupport.h"

namespace {

using petest::Join;

struct TErrorLog {
  struct TItem {
    std::string FN, MsgEx, VolumeID;
    int Code;
  };
  std::vector<TItem> Items;
  void Attach(TZipCommon& Z) {
    Z.OnError = [this](TObject*, const std::string& FN, const std::string& MsgEx, const std::string& VolumeID,
                       int Code) { Items.push_back({FN, MsgEx, VolumeID, Code}); };
  }
};

// The prompt hook answers for the user; restored when the test ends.
class TPromptAnswer {
 public:
  explicit TPromptAnswer(int Answer) : FSaved(PromptHook()) {
    PromptHook() = [this, Answer](const std::string& Text, const std::string& Caption, int Buttons) {
      Asked.push_back(Text);
      this->Buttons = Buttons;
      (void)Caption;
      return Answer;
    };
  }
  ~TPromptAnswer() { PromptHook() = FSaved; }
  std::vector<std::string> Asked;
  int Buttons = -1;

 private:
  TPromptHook FSaved;
};

// A path with the system's separator, as the component makes its folders.
std::string Sys(std::string S) {
  for (char& C : S)
    if (C == '/' || C == '\\') C = PathDelim;
  return S;
}

// Names from untrusted archives never lead out of ExtractDir: drives,
// leading separators, ":" and "." / ".." parts go; nothing left is an error.
TEST(ZipCommonNames, StoredNamesStayInsideExtractDir) {
  const std::string Dir = morvtest::TempDir();
  const std::string Out = Sys(Dir) + PathDelim;
  TZipCommon Z(nullptr);
  TErrorLog Log;
  Log.Attach(Z);
  Z.SetExtractDir(Dir);
  ASSERT_EQ(Z.ExtractDir(), Out);

  struct Case {
    const char* Stored;
    bool StoredDirs;
    const char* Want;  // below ExtractDir; nullptr: skipped with 25243
  };
  const Case Cases[] = {
      {"a.txt", true, "a.txt"},
      {"docs/a.txt", true, "docs\\a.txt"},
      {"docs/a.txt", false, "a.txt"},
      {"D:\\docs/a.txt", true, "docs\\a.txt"},
      {"../x", true, "x"},
      {"..\\..\\..\\x", true, "x"},
      {"../../x", false, "x"},
      {"C:\\x", true, "x"},
      {"C:x", true, "x"},
      {"c:/windows/system.ini", true, "windows\\system.ini"},
      {"\\\\server\\share\\x", true, "server\\share\\x"},
      {"/etc/passwd", true, "etc\\passwd"},
      {"a:b", true, "b"},
      {"file.txt:stream", true, "file.txtstream"},
      {"dir/file:$DATA", true, "dir\\file$DATA"},
      {"./a/../b", true, "a\\b"},
      {"a/./b//c", true, "a\\b\\c"},
      {".. /x", true, "x"},
      {"a/.../b", true, "a\\b"},
      {"docs/", true, "docs\\"},
      {"docs/..", true, "docs\\"},
      {"docs/", false, ""},
      {"docs/..", false, ""},
      {"", true, nullptr},
      {"..", true, nullptr},
      {"../", true, nullptr},
      {"./.", true, nullptr},
      {"...", true, nullptr},
      {"C:", true, nullptr},
      {"C:\\", true, nullptr},
      {"\\\\", true, nullptr},
      {":", true, nullptr},
  };
  for (const Case& C : Cases) {
    Z.UseStoredDirs = C.StoredDirs;
    Log.Items.clear();
    Z.OutFileName = "stale";
    const bool Ok = Z.SetEntryFileName(C.Stored);
    if (C.Want) {
      EXPECT_TRUE(Ok) << C.Stored;
      EXPECT_EQ(Z.OutFileName, Out + Sys(C.Want)) << C.Stored;
      EXPECT_TRUE(Log.Items.empty()) << C.Stored;
    } else {
      EXPECT_FALSE(Ok) << C.Stored;
      EXPECT_EQ(Z.OutFileName, "") << C.Stored;
      ASSERT_EQ(Log.Items.size(), 1u) << C.Stored;
      EXPECT_EQ(Log.Items[0].Code, 25243);
      EXPECT_EQ(Log.Items[0].FN, C.Stored);
    }
  }

  // What the extractors then create lies inside the folder.
  Z.UseStoredDirs = true;
  ASSERT_TRUE(Z.SetEntryFileName("../../escape/x.txt"));
  TUntypedFile F;
  ASSERT_TRUE(Z.CreateOutputFile(F, Z.OutFileName));
  F.Close();
  EXPECT_TRUE(FileExists(Join(Join(Dir, "escape"), "x.txt")));
  EXPECT_FALSE(FileExists(Join(Join(Join(Dir, ".."), "escape"), "x.txt")));
}

TEST(ZipCommonNames, ExtractDirDefaults) {
  const std::string Dir = morvtest::TempDir();
  morvtest::WriteFile(Join(Dir, "a.zip"), std::string(30, 'x'));
  TZipCommon Z(nullptr);
  Z.SetExtractDir("some/dir");
  EXPECT_EQ(Z.ExtractDir(), Sys("some/dir/"));
  // A relative folder counts from the current one, not from the root.
  ASSERT_TRUE(Z.SetEntryFileName("sub/x.txt"));
  EXPECT_EQ(Z.OutFileName, IncludeTrailingBackslash(GetCurrentDir()) + Sys("some/dir/sub/x.txt"));
  Z.SetExtractDir("");
  EXPECT_EQ(Z.ExtractDir(), "");
  Z.SetArchiveFile(Join(Dir, "a.zip"));
  Z.SetExtractDir("");
  EXPECT_EQ(Z.ExtractDir(), Sys(Dir) + PathDelim);
  // A name set while ExtractDir is empty goes into the archive's folder.
  TZipCommon Y(nullptr);
  Y.SetArchiveFile(Join(Dir, "a.zip"));
  ASSERT_TRUE(Y.SetEntryFileName("sub/b.txt"));
  EXPECT_EQ(Y.OutFileName, Sys(Dir + "/sub/b.txt"));
}

TEST(ZipCommonNames, FileSpecsAndFilter) {
  TZipCommon Z(nullptr);
  TStringList L;
  L.Add("a/b.txt");
  L.Add("");
  L.Add("*.doc");
  Z.SetFileSpec(&L);
  ASSERT_EQ(Z.FileSpec()->Count(), 2);
  EXPECT_EQ((*Z.FileSpec())[0], "a\\b.txt");
  EXPECT_TRUE(Z.IsFileIncluded("a\\b.txt"));
  EXPECT_TRUE(Z.IsFileIncluded("x\\y.doc"));
  EXPECT_FALSE(Z.IsFileIncluded("b.txt"));

  TStringList All;
  All.Add("*.*");
  Z.SetFileSpec(&All);
  EXPECT_TRUE(Z.IsFileIncluded("README"));
  EXPECT_TRUE(Z.IsFileIncluded("dir\\noext"));
  TStringList Ex;
  Ex.Add("*.bak");
  Z.SetExcludeSpec(&Ex);
  EXPECT_FALSE(Z.IsFileIncluded("old.bak"));
  EXPECT_TRUE(Z.IsFileExcluded("old.bak"));
  EXPECT_TRUE(Z.IsFileIncluded("old.txt"));

  TStringList None;
  Z.SetFileSpec(&None);
  EXPECT_FALSE(Z.IsFileIncluded("a.txt"));
}

TEST(ZipCommonNames, VolumeNamesAndTables) {
  TZipCommon Z(nullptr);
  Z.VolumeLetter = 'r';
  EXPECT_EQ(Z.GetVolumeName("x.rar", 0), "x.r00");
  EXPECT_EQ(Z.GetVolumeName("x.rar", 9), "x.r09");
  EXPECT_EQ(Z.GetVolumeName("x.rar", 15), "x.r15");
  EXPECT_EQ(Z.GetVolumeName("x.rar", 99), "x.r99");
  EXPECT_EQ(Z.GetVolumeName("x.rar", 120), "x.120");
  EXPECT_EQ(Z.GetVolumeName("x.rar", -1), "");
  EXPECT_EQ(Z.GetVolumeName("C:\\dir.v2\\set.part.rar", 3), "C:\\dir.v2\\set.part.r03");
  EXPECT_EQ(Z.GetVolumeName("C:\\dir.v2\\noext", 3), "C:\\dir.v2\\noext.r03");

  EXPECT_EQ(TZipCommon::GetArcExtIndex(".zip"), 6);
  EXPECT_EQ(TZipCommon::GetArcExtIndex("ZIP"), 6);
  EXPECT_EQ(TZipCommon::GetArcExtIndex(".Jar"), 17);
  EXPECT_EQ(TZipCommon::GetArcExtIndex(".UUE"), 0);
  EXPECT_EQ(TZipCommon::GetArcExtIndex(".ace"), 18);
  EXPECT_EQ(TZipCommon::GetArcExtIndex(".xyz"), -1);
  EXPECT_EQ(TZipCommon::GetArcExtIndex(""), -1);

  EXPECT_EQ(Z.DosDateToDateTime(0), 29221.0);

  struct TypeCase {
    TArcType T;
    bool Extract, Test;
  };
  const TypeCase Types[] = {{atZip, true, true},  {atZipMV, true, false}, {atCab, true, false},
                            {atUue, true, false}, {atHa, false, false},  {atMsGZ, false, false},
                            {atJar, true, true},  {atRarExe, true, true}, {atUnknown, false, false}};
  for (const TypeCase& C : Types) {
    Z.BeginLoading();
    Z.SetArcType(C.T);
    Z.Loaded();
    EXPECT_EQ(Z.IsExtractableType(), C.Extract) << int(C.T);
    EXPECT_EQ(Z.IsTestableType(), C.Test) << int(C.T);
  }
}

TEST(ZipCommonMath, RatioAndProgressIn64Bits) {
  struct RatioCase {
    int64_t Packed, Unpacked;
    int Want;
  };
  const RatioCase Ratios[] = {
      {50, 100, 50},        {199999, 200000, 1},          {100, 100, 0},           {0, 100, 0},
      {100, 0, 0},          {150, 100, 0},                {1, 3, 66},              {1000000000, 4000000000, 75},
      {3000000000, 5000000000, 40}, {1, 9000000000000, 99},
  };
  for (const RatioCase& C : Ratios)
    EXPECT_EQ(TZipCommon::CalcRatio(C.Packed, C.Unpacked), C.Want) << C.Packed << "/" << C.Unpacked;

  TZipCommon Z(nullptr);
  std::vector<std::pair<int, int>> Seen;
  int Pumped = 0;
  TProcessMessagesHook Saved = ProcessMessagesHook();
  ProcessMessagesHook() = [&] { ++Pumped; };
  Z.OnProgress = [&](TObject* Sender, uint8_t ByFile, uint8_t ByArchive) {
    EXPECT_EQ(Sender, &Z);
    EXPECT_EQ(Pumped, int(Seen.size()) + 1);  // messages ran first
    Seen.push_back({ByFile, ByArchive});
  };
  Z.DoProgress(1, 3, 2, 3);
  Z.DoProgress(2, 3, 1, 3);
  Z.DoProgress(5, 0, 0, 0);
  Z.DoProgress(3000000000, 6000000000, 1000000000, 8000000000);
  Z.DoProgress(8000000000, 8000000000, 0, 8000000000);
  ProcessMessagesHook() = Saved;
  const std::vector<std::pair<int, int>> Want = {{33, 33}, {67, 67}, {0, 0}, {50, 88}, {100, 100}};
  EXPECT_EQ(Seen, Want);
}

TEST(ZipCommonTemp, TempDirQuestionGoesThroughThePromptHook) {
  const std::string Dir = morvtest::TempDir();
  const std::string SystemTemp = TZipCommon(nullptr).TempDir();
  ASSERT_FALSE(SystemTemp.empty());

  TZipCommon Z(nullptr);
  Z.SetTempDir(Dir);
  EXPECT_EQ(Z.TempDir(), Dir + PathDelim);

  const std::string Missing = Join(Join(Dir, "new"), "deeper");
  {
    TPromptAnswer Yes(mrYes);
    Z.SetTempDir(Missing);
    ASSERT_EQ(Yes.Asked.size(), 1u);
    EXPECT_EQ(Yes.Asked[0], "Directory does not exist... Create?\r\r" + Missing + PathDelim);
    EXPECT_EQ(Yes.Buttons, pbYesNo);
    EXPECT_TRUE(DirectoryExists(Missing));
    EXPECT_EQ(Z.TempDir(), Missing + PathDelim);
  }
  const std::string Other = Join(Dir, "other");
  {
    TPromptAnswer No(mrNo);
    Z.SetTempDir(Other);
    EXPECT_EQ(No.Asked.size(), 1u);
    EXPECT_FALSE(DirectoryExists(Other));
    EXPECT_EQ(Z.TempDir(), SystemTemp);
  }
  {
    TPromptAnswer None(mrYes);
    Z.SetTempDir("");
    EXPECT_TRUE(None.Asked.empty());
    EXPECT_EQ(Z.TempDir(), SystemTemp);
  }
}

TEST(ZipCommonTemp, TempFilesAreMadeThereAndDeletedWhenFreed) {
  const std::string Dir = morvtest::TempDir();
  TZipCommon Z(nullptr);
  Z.SetTempDir(Dir);
  const std::string Name = Z.CreateTempFileName();
  EXPECT_TRUE(FileExists(Name));
  EXPECT_EQ(Sys(ExtractFilePath(Name)), Sys(Dir) + PathDelim);
  EXPECT_EQ(ExtractFileName(Name).substr(0, 3), "arc");
  EXPECT_NE(Z.CreateTempFileName(), Name);
  {
    TTempFileStream S(Name, fmCreate);
    S.Write("data", 4);
  }
  EXPECT_FALSE(FileExists(Name));

  // The folder vanished after it was set: no name can be made there.
  const std::string Gone = Join(Dir, "gone");
  ASSERT_TRUE(ForceDirectories(Gone));
  Z.SetTempDir(Gone);
  ASSERT_TRUE(RemoveDir(Gone));
  try {
    Z.CreateTempFileName();
    ADD_FAILURE() << "no exception";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "Error opening file");
  }
}

// OnError, then E_RAISE with the code's message; a cancelled operation
// raises without reporting.
TEST(ZipCommonErrors, OpenArchiveReportsThenRaises) {
  const std::string Dir = morvtest::TempDir();
  const std::string Missing = Join(Dir, "missing.arj");
  TZipCommon Z(nullptr);
  TErrorLog Log;
  Log.Attach(Z);
  Z.SetArchiveFile(Missing);
  SetCurrentArcComponent(&Z);
  TUntypedFile F;
  try {
    Z.OpenArchive(F);
    ADD_FAILURE() << "no exception";
  } catch (const E_RAISE& E) {
    EXPECT_EQ(E.Message(), "Error reading file or unexpected end of file");
  }
  ASSERT_EQ(Log.Items.size(), 1u);
  EXPECT_EQ(Log.Items[0].Code, 25236);
  EXPECT_EQ(Log.Items[0].FN, Sys(Missing));
  EXPECT_EQ(Log.Items[0].VolumeID, "0");

  SetComponentCancel(&Z, true);
  EXPECT_THROW(Z.OpenArchive(F), E_RAISE);
  EXPECT_EQ(Log.Items.size(), 1u);
  SetComponentCancel(&Z, false);

  Z.OnError = nullptr;
  EXPECT_THROW(Z.OpenArchive(F), E_RAISE);

  morvtest::WriteFile(Join(Dir, "present.arj"), std::string(1234, 'p'));
  Z.SetArchiveFile(Join(Dir, "present.arj"));
  Z.ArchiveSize = 0;
  Z.OpenArchive(F);
  EXPECT_TRUE(F.IsOpen());
  EXPECT_EQ(Z.ArchiveSize, 1234);
  SetCurrentArcComponent(nullptr);
}

TEST(ZipCommonVolumes, NextVolumeRequests) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, "a.txt"), morvtest::RandomData(40000, 3));
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && arj a -y -v20k -m0 set.arj a.txt </dev/null"), 0);
  ASSERT_TRUE(FileExists(Join(Dir, "set.a01")));

  TZipCommon Z(nullptr);
  TErrorLog Log;
  Log.Attach(Z);
  Z.SetArchiveFile(Join(Dir, "set.arj"));
  ASSERT_EQ(Z.ArcType(), atArj);
  ASSERT_EQ(Z.NextVolumeNumber, 1);
  TUntypedFile F;
  Z.OpenArchive(F);

  // No handler: no volume.
  EXPECT_FALSE(Z.OpenNextVolume(&F));

  std::vector<std::string> Asked;
  Z.OnNextVolume = [&](TObject*, std::string& Name, const std::string& VolumeID, bool Exists, bool& Cancel) {
    Asked.push_back(Name + "|" + VolumeID + "|" + (Exists ? "yes" : "no"));
    Cancel = false;
  };
  ASSERT_TRUE(Z.OpenNextVolume(&F));
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0], Sys(Join(Dir, "set.a01")) + "|1|yes");
  EXPECT_EQ(Z.NextVolumeNumber, 2);
  EXPECT_EQ(Z.VolumeNumber(), 1);
  EXPECT_EQ(Z.ArchiveSize, int64_t(morvtest::ReadFile(Join(Dir, "set.a01")).size()));
  EXPECT_EQ(Z.Entry.VolumeName, Sys(Join(Dir, "set.a01")));

  // The handler names the missing file's replacement, or gives up.
  int Calls = 0;
  Z.OnNextVolume = [&](TObject*, std::string& Name, const std::string&, bool Exists, bool& Cancel) {
    ++Calls;
    EXPECT_FALSE(Exists);
    if (Calls == 2) Name = Join(Dir, "set.a01");
    Cancel = Calls > 3;
  };
  std::string Name = Join(Dir, "nothere.a02");
  EXPECT_TRUE(Z.RequestNextVolume(&F, Name, "2"));
  EXPECT_EQ(Calls, 2);
  Calls = 2;
  Name = Join(Dir, "nothere.a02");
  EXPECT_FALSE(Z.RequestNextVolume(&F, Name, "2"));

  // An emptied name is reported, not raised.
  Log.Items.clear();
  Z.OnNextVolume = [](TObject*, std::string& Name, const std::string&, bool, bool& Cancel) {
    Name.clear();
    Cancel = false;
  };
  Name = "x";
  EXPECT_FALSE(Z.RequestNextVolume(&F, Name, "3"));
  ASSERT_EQ(Log.Items.size(), 1u);
  EXPECT_EQ(Log.Items[0].Code, 25243);

  Log.Items.clear();
  Z.NextVolumeNumber = 1000;
  EXPECT_FALSE(Z.RequestNextVolume(&F, Name, "1000"));
  ASSERT_EQ(Log.Items.size(), 1u);
  EXPECT_EQ(Log.Items[0].Code, 25250);
}

TEST(ZipCommonVolumes, SpanRequestsOnAFixedDrive) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, "a.txt"), morvtest::TextData(3000, 4));
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && zip -q a.zip a.txt"), 0);
  TZipCommon Z(nullptr);
  Z.SetArchiveFile(Join(Dir, "a.zip"));
  EXPECT_EQ(Z.ArcType(), atZip);
  EXPECT_EQ(Z.DetectFlags, zfEndFound | zfCentralFound | zfLocalFound);
  EXPECT_EQ(Z.StartOffset, int64_t(Z.ZipRecords.End.CentralDirOffset));
  EXPECT_TRUE(Z.ZipRecords.Local.Valid());
  Z.SetVolumeNumber(5);
  EXPECT_TRUE(Z.GetSpanDiskNumber());
  EXPECT_EQ(Z.VolumeNumber(), 0);
  bool Asked = false;
  Z.OnGetZipLastDisk = [&](TObject*, bool& Cancel) {
    Asked = true;
    Cancel = true;
  };
  EXPECT_FALSE(Z.RequestLastDisk());
  EXPECT_FALSE(Asked);
  EXPECT_TRUE(Z.RequestFirstDisk());  // its first local header is verified

  Z.SetArchiveFile("");
  EXPECT_EQ(Z.ArcType(), atNA);
}

TEST(ZipCommonFiles, OutputFilesAndClosing) {
  const std::string Dir = morvtest::TempDir();
  TZipCommon Z(nullptr);
  TUntypedFile F;
  const std::string Deep = Join(Join(Join(Dir, "x"), "y"), "z.txt");
  ASSERT_TRUE(Z.CreateOutputFile(F, Deep));
  F.Write("abc", 3);
  std::unique_ptr<TStream> None;
  EXPECT_TRUE(Z.CloseOutput(F, None));
  EXPECT_EQ(morvtest::ReadFile(Deep).size(), 3u);

  // A read-only file of that name is made writable and created again.
  ASSERT_EQ(FileSetAttr(Deep, faReadOnly), 0);
  ASSERT_TRUE(Z.CreateOutputFile(F, Deep));
  F.Close();
  EXPECT_EQ(morvtest::ReadFile(Deep).size(), 0u);

  std::unique_ptr<TStream> Passed = std::make_unique<TMemoryStream>();
  Z.OutputMode = omPassedStream;
  EXPECT_TRUE(Z.CloseOutput(F, Passed));
  EXPECT_EQ(Passed, nullptr);
  Z.OutputMode = omHeldStream;
  EXPECT_TRUE(Z.CloseOutput(F, Passed));
  Z.OutputMode = 4;
  EXPECT_FALSE(Z.CloseOutput(F, Passed));

  const std::string Victim = Join(Dir, "victim.txt");
  morvtest::WriteFile(Victim, std::string("x"));
  Z.DeleteOptions = TDeleteOptions::doFinal;
  EXPECT_TRUE(Z.ShellDeleteFile(Victim));
  EXPECT_FALSE(FileExists(Victim));
}

}  // namespace
