// Extracting and testing through our UNZENG.DLL, under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "archive/core/bytes.h"
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

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = TempDir();
    Out = Dir + "\\out";
    CreateDir(Out);
    Z.SetDLLDirectory(DllFolder("unzeng"));
    Z.OnMessage = [this](TObject*, int Code, const std::string& Text) { Messages.push_back({Code, Text}); };
    Z.OnExtractSkipped = [this](TObject*, const std::string& F, UnZipSkipTypes T, int) { Skipped[F] = T; };
    Z.OnCRC32Error = [this](TObject*, const std::string& F, uint32_t Found, uint32_t Expected, bool&) {
      EXPECT_NE(Found, Expected);
      CrcErrors.push_back(F);
    };
  }
  void TearDown() override { EXPECT_FALSE(TZipBridge::UnzEngLoaded()); }

  // Source tree with stored, compressible, random, empty and nested files.
  void MakeSources() {
    Shell(Dir,
          "mkdir -p src/sub/deeper src/emptydir && cd src && printf 'hello\\n' > a.txt && seq 1 40000 > sub/numbers.txt && "
          ": > sub/empty.dat && head -c 200000 /dev/urandom > sub/deeper/random.bin && "
          "head -c 32768 /dev/urandom > sub/deeper/exact32k.bin && "
          "touch -d '2003-04-05 06:07:08' a.txt && touch -d '2019-11-30 23:59:58' sub/numbers.txt");
  }
  void Zip(const std::string& Options, const std::string& Name = "t.zip") {
    Shell(Dir + "\\src", "zip -q " + Options + " -r ../" + Name + " .");
  }
  void Open(const std::string& Name = "t.zip") {
    Z.SetZipFileName(Dir + "\\" + Name);
    ASSERT_GT(Z.Count(), 0) << Z.Message;
  }
  void ExpectSameTree(const std::string& Base) {
    std::string Diff = Shell(Dir, "diff -r src " + Quote(HostPath(Base)) + " && echo same");
    EXPECT_NE(Diff.find("same"), std::string::npos) << Diff;
  }
  std::string Src(const std::string& Rel) { return Dir + "\\src\\" + Rel; }
  std::string Extracted(const std::string& Rel) { return Out + "\\" + Rel; }

  const ZipDirEntry& Entry(const std::string& Name) {
    for (const auto& E : Z.ZipContents())
      if (E->FileName == Name) return *E;
    ADD_FAILURE() << Name;
    return *Z.ZipContents()[0];
  }
  // Where an entry's data starts in the archive bytes D.
  static size_t DataOffset(const std::vector<uint8_t>& D, const ZipDirEntry& E) {
    size_t L = E.RelOffLocalHdr;
    return L + 30 + (D[L + 26] | D[L + 27] << 8) + (D[L + 28] | D[L + 29] << 8);
  }

  std::string Dir, Out;
  TZipBridge Z{nullptr};
  std::vector<std::pair<int, std::string>> Messages;
  std::map<std::string, UnZipSkipTypes> Skipped;
  std::vector<std::string> CrcErrors;
};

TEST_F(ExtractTest, InfoZipArchivesExtractByteExact) {
  MakeSources();
  // Stored, fastest, best, and streamed through a pipe (data descriptors).
  for (const char* Command : {"zip -q -0 -r ../t.zip .", "zip -q -1 -r ../t.zip .", "zip -q -9 -r ../t.zip .",
                              "zip -q -9 -r - . | cat > ../t.zip"}) {
    SCOPED_TRACE(Command);
    Shell(Dir, "rm -f t.zip && rm -rf out/* && cd src && " + std::string(Command));
    Open();
    Z.ExtrBaseDir = Out;
    Z.ExtrOptions = SetOf(ExtrDirNames);
    Z.FSpecArgs()->Add("*.*");
    Z.Extract();
    EXPECT_EQ(Z.SuccessCnt, 5) << Z.Message;
    EXPECT_EQ(Z.FSpecArgs()->Count(), 0);
    ExpectSameTree(Out);
    EXPECT_TRUE(Skipped.empty());
    EXPECT_TRUE(CrcErrors.empty());
  }
  // Dates come back as the archive holds them.
  EXPECT_EQ(FileAge(Extracted("a.txt")), FileAge(Src("a.txt")));
  EXPECT_EQ(FileAge(Extracted("sub\\numbers.txt")), FileAge(Src("sub\\numbers.txt")));
}

// WinZip AES, Deflate64 and other methods we do not decode: named in the
// message, no password question, no file; the next entry goes on.
TEST_F(ExtractTest, UndecodableMethodsAreNamedAndLeaveNoFile) {
  for (auto [Method, Flags, Label] : {std::tuple<uint16_t, uint16_t, std::string>{99, 1, "AES"},
                                      {9, 0, "Deflate64"}, {12, 0, "BZip2"}}) {
    SCOPED_TRACE(Label);
    std::vector<uint8_t> Arc = MakeZip({{"odd.bin", std::string(40, 'a')}, {"next.txt", "next"}});
    uint32_t Central = GetLE32(Arc.data() + Arc.size() - 6);
    PutLE16(Arc.data() + 6, Flags);
    PutLE16(Arc.data() + 8, Method);
    PutLE16(Arc.data() + Central + 8, Flags);
    PutLE16(Arc.data() + Central + 10, Method);
    WriteFile(Dir + "\\odd.zip", Arc);
    DeleteFile(Extracted("next.txt"));
    Messages.clear();
    bool Asked = false;
    Z.OnPasswordError = [&](TObject*, std::string&, const std::string&, uint32_t&) { Asked = true; };
    Z.SetZipFileName(Dir + "\\odd.zip");
    Z.ExtrBaseDir = Out;
    Z.FSpecArgs()->Add("*.*");
    Z.Extract();
    EXPECT_EQ(Z.SuccessCnt, 1);
    EXPECT_FALSE(Asked);
    EXPECT_FALSE(FileExists(Extracted("odd.bin")));
    EXPECT_TRUE(FileExists(Extracted("next.txt")));
    bool Named = false;
    for (const auto& M : Messages) Named = Named || M.second.find("Unsupported compression method " + Label) == 0;
    EXPECT_TRUE(Named);
  }
}

TEST_F(ExtractTest, ProgressIsReportedInOrder) {
  MakeSources();
  Zip("-9");
  Open();
  std::vector<ProgressType> Types;
  int64_t Total = 0, Bytes = 0;
  Z.OnProgress = [&](TObject*, ProgressType T, const std::string&, int64_t Size) {
    if (Types.empty() || Types.back() != T) Types.push_back(T);
    if (T == ptTotalSize) Total = Size;
    if (T == ptProgress) Bytes += Size;
  };
  Z.ExtrBaseDir = Out;
  Z.ExtrOptions = SetOf(ExtrDirNames);
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 5);
  ASSERT_GE(Types.size(), 4u);
  EXPECT_EQ(Types[0], ptTotalFiles);
  EXPECT_EQ(Types[1], ptTotalSize);
  EXPECT_EQ(Types.back(), ptEndOfBatch);
  EXPECT_EQ(Total, 6 + 228894 + 200000 + 32768);
  EXPECT_EQ(Bytes, Total);
}

TEST_F(ExtractTest, WithoutFolderNamesFilesLandFlat) {
  MakeSources();
  Zip("-9");
  Open();
  Z.ExtrBaseDir = Out;
  Z.FSpecArgs()->Add("sub\\*.txt");
  Z.FSpecArgs()->Add("a.txt");
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 2);
  EXPECT_EQ(ReadFile(Extracted("numbers.txt")), ReadFile(Src("sub\\numbers.txt")));
  EXPECT_EQ(ReadFile(Extracted("a.txt")), ReadFile(Src("a.txt")));
  EXPECT_FALSE(DirectoryExists(Extracted("sub")));
}

TEST_F(ExtractTest, CurrentFolderIsKeptAndTheTargetMustExist) {
  MakeSources();
  Zip("-9");
  Open();
  std::string Before = GetCurrentDir();
  Z.ExtrBaseDir = Out;
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 5);
  EXPECT_EQ(GetCurrentDir(), Before);

  for (std::string Missing : {Dir + "\\nowhere", std::string()}) {
    Z.ExtrBaseDir = Missing;
    Z.SuccessCnt = 7;
    Z.FSpecArgs()->Add("*.*");
    Z.Extract();
    EXPECT_EQ(Z.SuccessCnt, 0);
    EXPECT_EQ(Z.ErrCode, zmNoExtractDir);
    EXPECT_EQ(Z.Message, "Error - the extract folder does not exist: " + Missing);
    EXPECT_EQ(GetCurrentDir(), Before);
    EXPECT_FALSE(FileExists(Before + "\\a.txt"));
  }
}

TEST_F(ExtractTest, TestModeWritesNothingAndFindsAFlippedByte) {
  MakeSources();
  Zip("-0");
  Open();
  Z.ExtrOptions = SetOf(ExtrTest, ExtrDirNames);
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 5);
  EXPECT_TRUE(CrcErrors.empty());

  // One byte inside the stored data of sub/numbers.txt.
  std::vector<uint8_t> D = ReadFile(Dir + "\\t.zip");
  D[DataOffset(D, Entry("sub\\numbers.txt")) + 1000] ^= 0x20;
  WriteFile(Dir + "\\bad.zip", D);
  Open("bad.zip");
  Z.ExtrOptions = SetOf(ExtrTest);
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 4);
  EXPECT_EQ(CrcErrors, std::vector<std::string>({"sub\\numbers.txt"}));
  EXPECT_EQ(Shell(Dir, "ls out | wc -l"), "0\n");
}

TEST_F(ExtractTest, DamagedDeflateDataFailsThatEntryOnly) {
  MakeSources();
  Zip("-9");
  Open();
  std::vector<uint8_t> D = ReadFile(Dir + "\\t.zip");
  size_t Data = DataOffset(D, Entry("sub\\numbers.txt"));
  for (size_t i = 100; i < 140; i++) D[Data + i] = 0xFF;
  WriteFile(Dir + "\\bad.zip", D);
  Open("bad.zip");
  Z.ExtrOptions = SetOf(ExtrTest);
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 4);
  EXPECT_TRUE(Messages.size() >= 1 || CrcErrors.size() == 1);
}

TEST_F(ExtractTest, OverwriteAnswers) {
  MakeSources();
  Zip("-9");
  Open();
  WriteFile(Extracted("a.txt"), std::string("older contents"));
  FileSetDate(Extracted("a.txt"), DateTimeToFileDate(EncodeDate(1999, 1, 1)));
  bool Answer = false;
  int Asked = 0;
  Z.OnExtractOverwrite = [&](TObject*, const std::string& F, bool IsOlder, bool& DoOverwrite) {
    EXPECT_EQ(F, "a.txt");
    EXPECT_TRUE(IsOlder);
    EXPECT_FALSE(DoOverwrite);
    DoOverwrite = Answer;
    Asked++;
  };
  Z.ExtrBaseDir = Out;
  Z.FSpecArgs()->Add("a.txt");
  Z.Extract();
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(Skipped["a.txt"], stFileExists);
  EXPECT_EQ(ReadFile(Extracted("a.txt")), std::vector<uint8_t>({'o', 'l', 'd', 'e', 'r', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 's'}));

  Answer = true;
  Z.FSpecArgs()->Add("a.txt");
  Z.Extract();
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Z.SuccessCnt, 1);
  EXPECT_EQ(ReadFile(Extracted("a.txt")), ReadFile(Src("a.txt")));

  // ExtrOverWrite replaces without asking.
  WriteFile(Extracted("a.txt"), std::string("x"));
  Z.ExtrOptions = SetOf(ExtrOverWrite);
  Z.FSpecArgs()->Add("a.txt");
  Z.Extract();
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Z.SuccessCnt, 1);
  EXPECT_EQ(ReadFile(Extracted("a.txt")), ReadFile(Src("a.txt")));
}

TEST_F(ExtractTest, FreshenAndUpdate) {
  MakeSources();
  Zip("-9");
  Open();
  WriteFile(Extracted("a.txt"), std::string("old"));
  FileSetDate(Extracted("a.txt"), DateTimeToFileDate(EncodeDate(1999, 1, 1)));
  WriteFile(Extracted("numbers.txt"), std::string("new"));
  FileSetDate(Extracted("numbers.txt"), DateTimeToFileDate(EncodeDate(2024, 1, 1)));
  Z.ExtrBaseDir = Out;
  Z.ExtrOptions = SetOf(ExtrFreshen);
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 1);
  EXPECT_EQ(ReadFile(Extracted("a.txt")), ReadFile(Src("a.txt")));
  EXPECT_EQ(ReadFile(Extracted("numbers.txt")), std::vector<uint8_t>({'n', 'e', 'w'}));
  EXPECT_FALSE(FileExists(Extracted("random.bin")));

  Z.ExtrOptions = SetOf(ExtrUpdate);
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 3) << "the missing files, not the newer one";
  EXPECT_EQ(ReadFile(Extracted("numbers.txt")), std::vector<uint8_t>({'n', 'e', 'w'}));
  EXPECT_TRUE(FileExists(Extracted("random.bin")));
}

class PasswordExtractTest : public ExtractTest {
 protected:
  void SetUp() override {
    ExtractTest::SetUp();
    MakeSources();
    Shell(Dir + "\\src", "zip -q -P 'right one' -r ../t.zip .");
    Open();
    Z.ExtrBaseDir = Out;
    Z.ExtrOptions = SetOf(ExtrDirNames);
  }
};

TEST_F(PasswordExtractTest, RightPasswordExtracts) {
  Z.SetPassword("right one");
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 5);
  ExpectSameTree(Out);
}

TEST_F(PasswordExtractTest, WrongThenRightAnswers) {
  std::vector<std::string> Answers = {"wrong", "also wrong", "right one"};
  std::vector<uint32_t> Requests;
  Z.SetPasswordReqCount(3);
  Z.OnPasswordError = [&](TObject*, std::string& Pw, const std::string&, uint32_t& Count) {
    Requests.push_back(Count);
    Pw = Answers[Requests.size() - 1];
  };
  Z.Extract();
  EXPECT_EQ(Requests, std::vector<uint32_t>({2, 1, 1}));
  EXPECT_EQ(Z.SuccessCnt, 5) << "the accepted password serves the other files too";
  ExpectSameTree(Out);
  EXPECT_EQ(Z.Password(), "");
}

TEST_F(PasswordExtractTest, OnlyRequestCountWrongAnswersThenSkipped) {
  int Requests = 0;
  Z.SetPasswordReqCount(2);
  Z.OnPasswordError = [&](TObject*, std::string& Pw, const std::string&, uint32_t&) {
    Requests++;
    Pw = "nope";
  };
  Z.FSpecArgs()->Add("a.txt");
  Z.Extract();
  EXPECT_EQ(Requests, 2);
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(Skipped["a.txt"], stBadPassword);
  EXPECT_FALSE(FileExists(Extracted("a.txt")));
  EXPECT_EQ(Z.PasswordReqCount(), 2u);
}

TEST_F(PasswordExtractTest, UnattendedWithoutPasswordAsksNothing) {
  Z.Unattended = true;
  Z.SetPasswordReqCount(3);
  int Asked = 0;
  PasswordDlgHook() = [&](const std::string&, const std::string&, std::string&) { return ++Asked, false; };
  Z.Extract();
  PasswordDlgHook() = nullptr;
  EXPECT_EQ(Asked, 0);
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(Skipped.size(), 5u);
  EXPECT_EQ(Z.PasswordReqCount(), 3u);
  EXPECT_EQ(Z.ErrCode, zmUnattendedExtract) << Z.Message;
}

TEST_F(ExtractTest, CancelStopsTheRun) {
  MakeSources();
  Zip("-9");
  Open();
  int Started = 0;
  Z.OnProgress = [&](TObject*, ProgressType T, const std::string&, int64_t) {
    if (T == ptNewFile && ++Started == 2) Z.Cancel = true;
  };
  Z.ExtrBaseDir = Out;
  Z.ExtrOptions = SetOf(ExtrDirNames);
  Z.Extract();
  EXPECT_EQ(Started, 2);
  EXPECT_EQ(Z.SuccessCnt, 1);
  EXPECT_FALSE(Z.Cancel) << "cleared when the operation ends";
  EXPECT_EQ(Shell(Dir, "find out -type f | wc -l"), "1\n");
}

TEST_F(ExtractTest, NamesLeavingTheFolderAreRefused) {
  std::vector<TRawEntry> Entries = {
      {"../evil.txt", "up"},           {"sub/../../evil2.txt", "up twice"}, {"/abs.txt", "root"},
      {"C:/drive.txt", "drive"},       {"\\back.txt", "backslash root"},    {"ok/fine.txt", "fine"},
      {"name:stream", "stream"},
  };
  WriteFile(Dir + "\\slip.zip", MakeZip(Entries));
  CreateDir(Out + "\\inner");
  Z.SetZipFileName(Dir + "\\slip.zip");
  ASSERT_EQ(Z.Count(), 7);
  Z.ExtrBaseDir = Out + "\\inner";
  Z.ExtrOptions = SetOf(ExtrDirNames, ExtrOverWrite);
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 1);
  EXPECT_EQ(ReadFile(Out + "\\inner\\ok\\fine.txt"), std::vector<uint8_t>({'f', 'i', 'n', 'e'}));
  EXPECT_EQ(Skipped.size(), 6u);
  for (const auto& [Name, Type] : Skipped) EXPECT_EQ(Type, stUnsafeName) << Name;
  EXPECT_EQ(Shell(Dir, "find . -type f ! -name slip.zip | sort"), "./out/inner/ok/fine.txt\n");
}

TEST_F(ExtractTest, ExtractToMemory) {
  MakeSources();
  Zip("-9");
  Open();
  Z.FSpecArgs()->Add("sub\\numbers.txt");
  Z.RunExtract(rxToMemory);
  EXPECT_EQ(Z.SuccessCnt, 1) << Z.Message;
  std::vector<uint8_t> Want = ReadFile(Src("sub\\numbers.txt"));
  ASSERT_EQ(Z.ZipStream().Size(), int64_t(Want.size()));
  EXPECT_EQ(std::memcmp(Z.ZipStream().Memory(), Want.data(), Want.size()), 0);

  // A name that is not in the archive calls no library.
  int Calls = 0;
  Z.OnProgress = [&](TObject*, ProgressType, const std::string&, int64_t) { Calls++; };
  Z.FSpecArgs()->Add("SUB\\numbers.txt");
  Z.RunExtract(rxToMemory);
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(Calls, 0);
  EXPECT_EQ(Z.ZipStream().Size(), 0);
}

TEST_F(ExtractTest, OlderLibraryTakesTheLongRecordAndNoStreams) {
  MakeSources();
  Zip("-9");
  Open();
  Z.SetDLLDirectory(DllFolder("unzeng-old"));
  EXPECT_EQ(Z.UnzEngVersion(), 151);
  Z.ExtrBaseDir = Out;
  Z.ExtrOptions = SetOf(ExtrDirNames);
  Z.FSpecArgs()->Add("*.txt");
  Z.FSpecArgs()->Add("sub\\deeper\\*");
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 4);
  EXPECT_EQ(ReadFile(Extracted("sub\\deeper\\random.bin")), ReadFile(Src("sub\\deeper\\random.bin")));
  EXPECT_FALSE(FileExists(Extracted("sub\\empty.dat")));

  Z.FSpecArgs()->Add("a.txt");
  Z.RunExtract(rxToMemory);
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(Z.ErrCode, zmNoStreams);
  EXPECT_EQ(Z.Message, "Error - your UnzEng.dll can not use streams, please update to version >= 1.60");
}

TEST_F(ExtractTest, MissingLibraryIsReportedOnlyWhenNeeded) {
  HMODULE Bare = LoadLibraryA("UNZENG.DLL");
  if (Bare) {
    FreeLibrary(Bare);
    GTEST_SKIP() << "an UNZENG.DLL is on the search path";
  }
  MakeSources();
  Zip("-9");
  CreateDir(Dir + "\\nolibs");
  Z.SetDLLDirectory(Dir + "\\nolibs");
  Z.SetZipFileName(Dir + "\\t.zip");
  EXPECT_EQ(Z.ErrCode, 0) << "listing needs no library";
  EXPECT_EQ(Z.Count(), 8);
  EXPECT_EQ(Z.UnzEngVersion(), 0);
  Z.ExtrBaseDir = Out;
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(Z.ErrCode, zmUnzEngMissing);
  EXPECT_EQ(Z.Message, "UNZENG.DLL not found!");
  EXPECT_FALSE(Z.UnzipBusy());
}

TEST_F(ExtractTest, DecoratedExportsAreNotFound) {
  MakeSources();
  Zip("-9");
  Open();
  Z.SetDLLDirectory(DllFolder("unzeng-decorated"));
  Z.ExtrBaseDir = Out;
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 0);
  EXPECT_EQ(Z.ErrCode, zmUnzExecMissing);
  EXPECT_EQ(Z.Message, "UnzEngExec function not found in UNZENG.DLL!");
  EXPECT_EQ(Shell(Dir, "ls out | wc -l"), "0\n");
}

TEST_F(ExtractTest, ALoadedLibraryStaysLoaded) {
  MakeSources();
  Zip("-9");
  Open();
  Z.Trace = true;
  ASSERT_TRUE(Z.LoadUnzEng());
  EXPECT_EQ(Z.ErrCode, zmUnzEngLoaded);
  EXPECT_EQ(Z.Message, "UNZENG Loaded!");
  Z.Trace = false;
  Z.ExtrBaseDir = Out;
  Z.Extract();
  EXPECT_EQ(Z.SuccessCnt, 5);
  EXPECT_TRUE(TZipBridge::UnzEngLoaded());
  TZipBridge::UnloadUnzEng();
}

TEST_F(ExtractTest, ExtractDuringExtractDoesNothing) {
  MakeSources();
  Zip("-9");
  Open();
  int Inner = -1;
  Z.OnProgress = [&](TObject*, ProgressType T, const std::string&, int64_t) {
    if (T == ptTotalFiles) {
      EXPECT_TRUE(Z.UnzipBusy());
      Z.Extract();
      Inner = Z.SuccessCnt;
    }
  };
  Z.ExtrBaseDir = Out;
  Z.Extract();
  EXPECT_EQ(Inner, 0);
  EXPECT_EQ(Z.SuccessCnt, 5);
}

TEST_F(ExtractTest, NoArchiveNoCall) {
  Z.SetZipFileName(Dir + "\\missing.zip");
  Z.ExtrBaseDir = Out;
  Z.Extract();
  EXPECT_EQ(Z.ErrCode, zmNoZipSpecified);
  EXPECT_EQ(Z.SuccessCnt, 0);
}

}  // namespace
