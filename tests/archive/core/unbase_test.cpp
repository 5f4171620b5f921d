#include "archive/core/unbase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace {

std::string Join(const std::string& Dir, const std::string& Name) {
#ifdef _WIN32
  return Dir + "\\" + Name;
#else
  return Dir + "/" + Name;
#endif
}

// An extractor whose "archive" is a list of names, each written with its own
// name as content; the type is fixed by the test.
class TListUn : public TUnBase {
 public:
  explicit TListUn(TArcType Type) : TUnBase(nullptr), FType(Type) {}

  struct TItem {
    std::string Name;
    uint32_t Attr = 32;
    int DosDate = 0x5A216000;  // 2025-01-01 12:00:00
  };
  std::vector<TItem> Items;
  std::function<void()> DuringRun;
  int Written = 0;

 protected:
  void DetectArcType() override { FArcType = FType; }
  void ExtractArchive(TUntypedFile&) override {
    for (const TItem& I : Items) {
      if (DuringRun) DuringRun();
      if (I.DosDate > MaxFileDate) MaxFileDate = I.DosDate;
    }
    for (const TItem& I : Items) {
      StartEntry();
      Entry.FileName = I.Name;
      if (!SetEntryFileName(I.Name)) continue;
      bool Exists = false, Extract = false;
      if (!BeginEntry(DosDateToDateTime(I.DosDate), Exists, Extract)) return;
      if (!Extract) continue;
      TUntypedFile F;
      if (OutputMode == omFile) {
        ASSERT_TRUE(CreateOutputFile(F, OutFileName));
      }
      std::vector<uint8_t> Data(I.Name.begin(), I.Name.end());
      WriteBlock(&F, nullptr, 1, Data.size(), 32, Data.data());
      ++Written;
      CloseOutputFile(F, I.Attr, I.DosDate);
      EndEntry(true, true);
    }
  }

 private:
  TArcType FType;
};

class UnBase : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Arc = Join(Dir, "fake.zip");
    morvtest::WriteFile(Arc, std::string("not read by the test extractor"));
    Out = Join(Dir, "out");
  }
  void Prepare(TListUn& U, const std::vector<std::string>& Names) {
    U.SetArchiveFile(Arc);
    U.SetExtractDir(Out);
    for (const std::string& N : Names) U.Items.push_back({N});
    U.OnError = [this](TObject*, const std::string& FN, const std::string&, const std::string&, int Code) {
      Errors.push_back(Code);
      ErrorNames.push_back(FN);
    };
  }
  std::string Dir, Arc, Out;
  std::vector<int> Errors;
  std::vector<std::string> ErrorNames;
};

TEST_F(UnBase, ArchiveChecks) {
  {
    TListUn U(atZip);
    Prepare(U, {"a.txt"});
    U.SetArchiveFile("");
    try {
      U.Extract();
      FAIL() << "no exception";
    } catch (const E_RAISE& E) {
      EXPECT_STREQ(E.what(), "File not found");
    }
  }
  Errors.clear();
  ErrorNames.clear();
  {
    TListUn U(atZip);
    Prepare(U, {"a.txt"});
    const std::string Missing = Join(Dir, "missing.zip");
    U.SetArchiveFile(Missing);
    const std::string Name = U.ArchiveFile();
    EXPECT_THROW(U.Extract(), E_RAISE);
    ASSERT_EQ(Errors, std::vector<int>{errFileNotFound});
    EXPECT_EQ(ErrorNames[0], Name);
  }
  Errors.clear();
  {
    TListUn U(atHa);
    Prepare(U, {"a.txt"});
    EXPECT_THROW(U.Extract(), E_RAISE);
    EXPECT_EQ(Errors, std::vector<int>{errBadArcType});
    EXPECT_EQ(U.Written, 0);
  }
}

TEST_F(UnBase, RunEventsAndArchiveNameRestored) {
  TListUn U(atZip);
  Prepare(U, {"a.txt", "b.txt"});
  std::vector<std::string> Events;
  U.OnActivate = [&](TObject*) { Events.push_back("activate"); };
  U.OnDeactivate = [&](TObject*) { Events.push_back("deactivate"); };
  U.OnBegin = [&](TObject*, const std::string& FN, int RecNum, bool&) {
    Events.push_back("begin " + std::to_string(RecNum) + " " + ExtractFileName(FN));
  };
  // A volume change inside the loop does not outlive the run.
  const std::string Other = Join(Dir, "other.zip");
  morvtest::WriteFile(Other, std::string("x"));
  U.DuringRun = [&] { U.SetArchiveFile(Other); };
  const std::string Before = U.ArchiveFile();
  EXPECT_EQ(U.Extract(), 2);
  EXPECT_EQ(Events, (std::vector<std::string>{"activate", "begin 1 a.txt", "begin 2 b.txt", "deactivate"}));
  EXPECT_EQ(U.ArchiveFile(), Before);
}

// The overwrite table, and the user's OverwriteMode surviving a run that had
// no OnFileExists handler.
TEST_F(UnBase, OverwriteDecisions) {
  struct TCase {
    const char* Name;
    bool Confirm;
    bool Handler;
    TOverwriteMode Mode;     // before the run
    TOverwriteMode Answer;   // the handler's
    bool Replaced;
  };
  const TCase Cases[] = {
      {"confirm, handler overwrites", true, true, TOverwriteMode::omSkip, TOverwriteMode::omOverwrite, true},
      {"confirm, handler skips", true, true, TOverwriteMode::omOverwrite, TOverwriteMode::omSkip, false},
      {"confirm, no handler", true, false, TOverwriteMode::omOverwrite, TOverwriteMode::omOverwrite, false},
      {"no confirm, overwrite", false, false, TOverwriteMode::omOverwrite, TOverwriteMode::omOverwrite, true},
      {"no confirm, skip", false, false, TOverwriteMode::omSkip, TOverwriteMode::omSkip, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    ForceDirectories(Out);
    morvtest::WriteFile(Join(Out, "a.txt"), std::string("old a"));
    morvtest::WriteFile(Join(Out, "b.txt"), std::string("old b"));
    DeleteFile(Join(Out, "c.txt"));
    TListUn U(atZip);
    Prepare(U, {"a.txt", "c.txt", "b.txt"});
    U.ConfirmOverwrites = C.Confirm;
    U.OverwriteMode = C.Mode;
    int Asked = 0;
    if (C.Handler)
      U.OnFileExists = [&](TObject*, const std::string&, TDateTime, TOverwriteMode& M) {
        ++Asked;
        M = C.Answer;
      };
    std::vector<std::string> Begun;
    U.OnBegin = [&](TObject*, const std::string& FN, int, bool&) { Begun.push_back(ExtractFileName(FN)); };
    EXPECT_EQ(U.Extract(), C.Replaced ? 3 : 1);
    EXPECT_EQ(Asked, C.Handler ? 2 : 0);
    const std::string A = C.Replaced ? "a.txt" : "old a", B = C.Replaced ? "b.txt" : "old b";
    EXPECT_EQ(morvtest::ReadFile(Join(Out, "a.txt")), std::vector<uint8_t>(A.begin(), A.end()));
    EXPECT_EQ(morvtest::ReadFile(Join(Out, "b.txt")), std::vector<uint8_t>(B.begin(), B.end()));
    EXPECT_TRUE(FileExists(Join(Out, "c.txt")));
    // Skipped entries fire no OnBegin.
    EXPECT_EQ(Begun.size(), C.Replaced ? 3u : 1u);
    if (!C.Handler) {
      EXPECT_EQ(U.OverwriteMode, C.Mode);
    }

    if (C.Confirm && !C.Handler) {
      // The next run, told not to confirm, overwrites as the user set.
      U.ConfirmOverwrites = false;
      EXPECT_EQ(U.Extract(), 3);
      EXPECT_EQ(morvtest::ReadFile(Join(Out, "a.txt")), std::vector<uint8_t>({'a', '.', 't', 'x', 't'}));
    }
  }
}

TEST_F(UnBase, DatesAndAttributes) {
  TListUn U(atZip);
  Prepare(U, {});
  U.Items = {{"plain.txt", 32, 0x5A216000}, {"ro.txt", 33, 0x58A17000}, {"dir.txt", 0x10 | 0x20, 0x4A210000}};
  ASSERT_EQ(U.Extract(), 3);
  EXPECT_EQ(FileAge(Join(Out, "plain.txt")), 0x5A216000);
  EXPECT_EQ(FileAge(Join(Out, "ro.txt")), 0x58A17000);
  EXPECT_TRUE(FileGetAttr(Join(Out, "ro.txt")) & faReadOnly);
  EXPECT_FALSE(FileGetAttr(Join(Out, "plain.txt")) & faReadOnly);
  // A folder bit from the archive is not put on a file.
  EXPECT_FALSE(FileGetAttr(Join(Out, "dir.txt")) & faDirectory);
  EXPECT_TRUE(FileExists(Join(Out, "dir.txt")));
  FileSetAttr(Join(Out, "ro.txt"), faArchive);

  TListUn M(atZip);
  Prepare(M, {});
  M.SetExtractDir(Join(Dir, "max"));
  M.DateAttribute = TDateAttribute::daMaxFileDate;
  M.RestoreFileAttr = false;
  M.Items = {{"a.txt", 33, 0x4A210000}, {"b.txt", 33, 0x5A216000}};
  ASSERT_EQ(M.Extract(), 2);
  EXPECT_EQ(FileAge(Join(Join(Dir, "max"), "a.txt")), 0x5A216000);
  EXPECT_FALSE(FileGetAttr(Join(Join(Dir, "max"), "a.txt")) & faReadOnly);

  TListUn S(atZip);
  Prepare(S, {"now.txt"});
  S.SetExtractDir(Join(Dir, "sys"));
  S.DateAttribute = TDateAttribute::daSysDate;
  ASSERT_EQ(S.Extract(), 1);
  EXPECT_NEAR(FileDateToDateTime(FileAge(Join(Join(Dir, "sys"), "now.txt"))), Now(), 5.0 / 86400);
}

TEST_F(UnBase, TestModeWritesNothing) {
  TListUn U(atZip);
  Prepare(U, {"a.txt", "sub/b.txt"});
  std::vector<std::string> Begun;
  U.OnBegin = [&](TObject*, const std::string& FN, int, bool&) { Begun.push_back(FN); };
  EXPECT_EQ(U.TestArchive(), 2);
  EXPECT_FALSE(DirectoryExists(Out));
  // Test mode names the stored entry.
  EXPECT_EQ(Begun, (std::vector<std::string>{"a.txt", "sub/b.txt"}));
  EXPECT_EQ(U.TestBytes, 9);
}

TEST_F(UnBase, BeginHandlersDecide) {
  TListUn U(atZip);
  Prepare(U, {"keep.txt", "drop.txt", "rename.txt"});
  U.OnBegin = [](TObject*, const std::string& FN, int, bool& Extract) {
    if (FN.find("drop") != std::string::npos) Extract = false;
  };
  U.OnRenameCompressedFile = [&](TObject*, std::string& FN) {
    if (FN.find("rename") != std::string::npos) FN = Join(Out, "renamed.txt");
  };
  EXPECT_EQ(U.Extract(), 2);
  EXPECT_TRUE(FileExists(Join(Out, "keep.txt")));
  EXPECT_FALSE(FileExists(Join(Out, "drop.txt")));
  EXPECT_FALSE(FileExists(Join(Out, "rename.txt")));
  EXPECT_TRUE(FileExists(Join(Out, "renamed.txt")));
}

}  // namespace
