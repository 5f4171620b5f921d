// The compressor base through a small writer that records what it is asked
// to compress: default extensions, deflate levels, the default folder, stored
// names, the attribute and exclusion filters, folder recursion and the
// failures of a run that has nothing to do or may not write.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/core/compbase.h"
#include "framework/core/os.h"
#include "tests/archive/formats/writers_test_util.h"

using namespace writerstest;

namespace {

// Stores each file's bytes one after the other and remembers the stored
// names it was given.
class TRecordingWriter : public TCompBase {
 public:
  explicit TRecordingWriter(TComponent* AOwner = nullptr) : TCompBase(AOwner) {
    SetWriterDefaultExt(".LZH");
    SetWriterArcType(atLha);
    SetCompressMethod(TCompressMethod::cmStore);
  }
  std::vector<std::string> Stored;

 protected:
  bool CompressFile(const std::string& FileName) override {
    auto In = OpenInputFile(FileName);
    if (!In) return false;
    std::string Name = StoredNameOf(FileName);
    if (!BeginEntry(Name)) return false;
    StartEntry(In->Size());
    StoreData(In.get(), OutStream(), In->Size(), false);
    CurrentItem()->Name = Name;
    Stored.push_back(Name);
    return true;
  }
};

std::vector<std::string> Sorted(std::vector<std::string> V) {
  std::sort(V.begin(), V.end());
  return V;
}

TEST(CompBaseSettings, DefaultExtension) {
  TRecordingWriter W;
  EXPECT_EQ(W.DefaultExt(), ".LZH");
  struct {
    const char* Value;
    const char* Ext;
  } const Cases[] = {{"LZHX", ".lzh"}, {"zip", ".zip"}, {".TAR", ".tar"}, {".", ".LZH"}, {"ab", ".ab"}, {"", ".LZH"}};
  for (const auto& C : Cases) {
    W.SetDefaultExt(C.Value);
    EXPECT_EQ(W.DefaultExt(), C.Ext) << C.Value;
  }

  const std::string Dir = morvtest::TempDir();
  W.SetArchiveFile(Join(Dir, "backup"));
  EXPECT_EQ(W.ArchiveFile(), Join(Dir, "backup.LZH")) << "a name without extension gets the default";
  EXPECT_EQ(W.ArcType(), atLha) << "the writer keeps its own type";
  W.SetDefaultExt("zip");
  EXPECT_EQ(W.ArchiveFile(), Join(Dir, "backup.zip")) << "the previous default extension is changed";
  W.SetArchiveFile(Join(Dir, "notes.dat"));
  W.SetDefaultExt("arc");
  EXPECT_EQ(W.ArchiveFile(), Join(Dir, "notes.dat")) << "another extension stays";
}

TEST(CompBaseSettings, DeflateLevelsAndFlags) {
  TRecordingWriter W;
  EXPECT_EQ(W.DeflateType(), dtDeflateN);
  struct {
    TDeflateType Type;
    int Level;
    uint16_t Flags;
  } const Cases[] = {{dtDeflateS, 1, 6}, {dtDeflateF, 2, 4}, {dtDeflateN, 7, 0}, {dtDeflateX, 9, 2}};
  for (const auto& C : Cases) {
    W.SetDeflateType(C.Type);
    EXPECT_EQ(W.DeflateLevel(), C.Level);
    EXPECT_EQ(W.DeflateFlags(), C.Flags);
  }
}

TEST(CompBaseSettings, DefaultDir) {
  TRecordingWriter W;
  const std::string Cwd = IncludeTrailingBackslash(GetCurrentDir());
  EXPECT_EQ(W.DefaultDir(), Cwd);
  const std::string Dir = morvtest::TempDir();
  W.SetDefaultDir("  " + Dir + "  ");
  EXPECT_EQ(W.DefaultDir(), Dir + PathDelim);
  W.SetDefaultDir(Join(Dir, "missing"));
  EXPECT_EQ(W.DefaultDir(), Cwd);
  W.SetDefaultDir("");
  EXPECT_EQ(W.DefaultDir(), Cwd);
}

class CompBaseRun : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Temp = Join(Root, "tmp");
    ForceDirectories(Temp);
    W.SetTempDir(Temp);
    W.SetArchiveFile(Join(Root, "out.lzh"));
  }
  void Spec(const std::vector<std::string>& Lines) {
    TStringList L;
    for (const std::string& S : Lines) L.Add(S);
    W.SetFileSpec(&L);
  }
  // The temporary folder holds nothing after a run.
  void ExpectNoTempFiles() {
    TSearchRec F;
    int Left = 0;
    if (FindFirst(Join(Temp, "*.*"), faAnyFile, F) == 0) {
      do
        if (F.Name != "." && F.Name != "..") ++Left;
      while (FindNext(F) == 0);
      FindClose(F);
    }
    EXPECT_EQ(Left, 0);
  }
  std::string Root, Temp;
  TRecordingWriter W;
};

// A project tree below Root/data: proj/{a.c, b.h, src/c.c, src/deep/d.c, x.tmp}.
std::string MakeProject(const std::string& Root) {
  const std::string Proj = Join(Root, "data/proj");
  PutFile(Proj, "a.c", morvtest::TextData(100, 1));
  PutFile(Proj, "b.h", morvtest::TextData(50, 2));
  PutFile(Proj, "x.tmp", morvtest::TextData(10, 3));
  PutFile(Proj, "src/c.c", morvtest::TextData(70, 4));
  PutFile(Proj, "src/deep/d.c", morvtest::TextData(30, 5));
  return Proj;
}

TEST_F(CompBaseRun, StoredDirNames) {
  const std::string Proj = MakeProject(Root);
  const std::string Full = AnsiToOemStr(Join(Proj, "src/c.c"));
  std::string NoDrive = Full;
  if (NoDrive.size() > 1 && NoDrive[1] == ':') NoDrive.erase(0, 2);
  struct {
    TStoredDirNames Mode;
    std::string Name;
  } const Cases[] = {
      {TStoredDirNames::sdNone, "c.c"},
      {TStoredDirNames::sdRelative, "src\\c.c"},
      {TStoredDirNames::sdRelativeStoreStart, "proj\\src\\c.c"},
      {TStoredDirNames::sdAbsolute, Full},
      {TStoredDirNames::sdAbsoluteNoDrv, NoDrive},
  };
  Spec({Join(Proj, "*.c")});
  W.RecurseDirs = true;
  for (const auto& C : Cases) {
    SCOPED_TRACE(int(C.Mode));
    W.StoredDirNames = C.Mode;
    W.Stored.clear();
    DeleteFile(W.ArchiveFile());
    EXPECT_EQ(W.Compress(), 3);
    const std::vector<std::string> S = W.Stored;
    EXPECT_NE(std::find(S.begin(), S.end(), C.Name), S.end()) << "stored: " << S[0] << ", " << S[1] << ", " << S[2];
  }
}

TEST_F(CompBaseRun, RecursionFollowsTheMaskIntoEveryFolder) {
  const std::string Proj = MakeProject(Root);
  std::vector<std::string> Folders;
  W.OnRecurseDir = [&](TObject*, const std::string& Dir) { Folders.push_back(Dir); };
  Spec({Join(Proj, "*.c")});
  EXPECT_EQ(W.Compress(), 1);
  EXPECT_EQ(W.Stored, std::vector<std::string>{"a.c"});
  EXPECT_TRUE(Folders.empty());

  DeleteFile(W.ArchiveFile());
  W.Stored.clear();
  W.RecurseDirs = true;
  EXPECT_EQ(W.Compress(), 3);
  EXPECT_EQ(Sorted(W.Stored), (std::vector<std::string>{"a.c", "src\\c.c", "src\\deep\\d.c"}));
  EXPECT_EQ(Folders, (std::vector<std::string>{Join(Proj, "src") + PathDelim, Join(Proj, "src/deep") + PathDelim}));
}

TEST_F(CompBaseRun, ExcludeSpecAndRepeatedFiles) {
  const std::string Proj = MakeProject(Root);
  W.RecurseDirs = true;
  // The second line finds a.c again; it is listed once.
  Spec({Join(Proj, "*.*"), Join(Proj, "a.c")});
  TStringList Ex;
  Ex.Add("*.tmp");
  Ex.Add("src/deep/*");
  W.SetExcludeSpec(&Ex);
  EXPECT_EQ(W.Compress(), 3);
  EXPECT_EQ(Sorted(W.Stored), (std::vector<std::string>{"a.c", "b.h", "src\\c.c"}));
}

TEST_F(CompBaseRun, RelativeSpecLinesStartAtDefaultDir) {
  const std::string Proj = MakeProject(Root);
  W.SetDefaultDir(Proj);
  Spec({"src/*.c"});
  EXPECT_EQ(W.Compress(), 1);
  EXPECT_EQ(W.Stored, std::vector<std::string>{"c.c"});
}

TEST_F(CompBaseRun, TheArchiveIsNotItsOwnEntry) {
  PutFile(Root, "a.txt", morvtest::TextData(10));
  Spec({Join(Root, "*.*")});
  EXPECT_EQ(W.Compress(), 1);
  // The second run finds the archive itself in the folder.
  W.Stored.clear();
  EXPECT_EQ(W.Compress(), 1);
  EXPECT_EQ(W.Stored, std::vector<std::string>{"a.txt"});
  ExpectNoTempFiles();
}

TEST_F(CompBaseRun, AttributeFilter) {
  struct {
    const char* Name;
    int FileAttr;  // the file's attributes
    int Filter;    // FileAttribute.ftFileAttr
    bool Match;
  } const Cases[] = {
      {"any file", faArchive | faHidden | faSysFile, TArcFileAttr::AllAttrs, true},
      {"plain file, archive only", faArchive, faArchive, true},
      {"no attributes at all", 0, faReadOnly, true},
      {"hidden needs ftHidden", faArchive | faHidden, faArchive, false},
      {"hidden with ftHidden", faArchive | faHidden, faArchive | faHidden, true},
      {"read-only needs ftReadOnly", faReadOnly, faArchive, false},
      {"system needs ftSysFile", faSysFile, faArchive | faHidden, false},
      {"archive needs ftArchive", faArchive, faReadOnly, false},
      {"compressed needs ftCompressed", faArchive | TArcFileAttr::AttrCompressed, faArchive, false},
      {"compressed with ftCompressed", faArchive | TArcFileAttr::AttrCompressed,
       faArchive | TArcFileAttr::AttrCompressed, true},
      {"temporary needs ftTemporary", faArchive | TArcFileAttr::AttrTemporary, faArchive, false},
      {"a folder never", faDirectory, TArcFileAttr::AllAttrs, false},
      {"bits 0x01-0x20 all set", faHidden | TArcFileAttr::AttrTemporary, 0x3F, true},
  };
  for (const auto& C : Cases) {
    W.FileAttribute()->SetftFileAttr(C.Filter);
    EXPECT_EQ(W.AttributeMatches(C.FileAttr), C.Match) << C.Name;
  }
}

TEST_F(CompBaseRun, HiddenFilesFollowTheFilter) {
  // Natively a name starting with "." is hidden; under Windows the
  // attribute is set.
  const std::string Dir = Join(Root, "src");
  PutFile(Dir, "shown.txt", morvtest::TextData(10));
  const std::string Hidden = PutFile(Dir, ".hidden", morvtest::TextData(10));
  FileSetAttr(Hidden, faHidden | faArchive);
  Spec({Join(Dir, "*.*")});
  W.FileAttribute()->SetftHidden(false);
  EXPECT_EQ(W.Compress(), 1);
  EXPECT_EQ(W.Stored, std::vector<std::string>{"shown.txt"});
  DeleteFile(W.ArchiveFile());
  W.Stored.clear();
  W.FileAttribute()->SetftHidden(true);
  EXPECT_EQ(W.Compress(), 2);
}

TEST_F(CompBaseRun, DeletingFromAMissingArchiveIsNothingToDo) {
  W.Switch = TSwitch::swDelete;
  Spec({"*.*"});
  int Code = 0;
  W.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int ECode) { Code = ECode; };
  try {
    W.Compress();
    FAIL() << "no exception";
  } catch (const E_RAISE& E) {
    EXPECT_STREQ(E.what(), "Nothing to do");
  }
  EXPECT_EQ(Code, 26859);
  ExpectNoTempFiles();
}

TEST_F(CompBaseRun, ReadingAMissingArchiveMakesNone) {
  PutFile(Root, "src/a.txt", morvtest::TextData(10));
  Spec({Join(Root, "src/*.*")});
  W.Switch = TSwitch::swRead;
  W.OnRead = [](TObject*, int, int) { ADD_FAILURE() << "nothing to list"; };
  EXPECT_EQ(W.Compress(), 0);
  EXPECT_FALSE(FileExists(W.ArchiveFile()));
  ExpectNoTempFiles();
}

TEST_F(CompBaseRun, ReadOnlyArchiveNeedsTheHandler) {
  PutFile(Root, "src/a.txt", morvtest::TextData(10));
  Spec({Join(Root, "src/*.*")});
  morvtest::WriteFile(W.ArchiveFile(), std::string("old"));
  FileSetAttr(W.ArchiveFile(), faReadOnly);
  EXPECT_THROW(W.Compress(), E_RAISE);
  EXPECT_EQ(morvtest::ReadFile(W.ArchiveFile()).size(), 3u) << "the archive is untouched";

  std::string Asked;
  W.OnNonWriteableArchive = [&](TObject*, const std::string& Name, bool& Write) {
    Asked = Name;
    Write = true;
  };
  EXPECT_EQ(W.Compress(), 1);
  EXPECT_EQ(Asked, W.ArchiveFile());
  EXPECT_EQ(FileGetAttr(W.ArchiveFile()) & faReadOnly, 0);
  ExpectNoTempFiles();
}

TEST_F(CompBaseRun, BeginAndRenameEvents) {
  const std::string Dir = Join(Root, "src");
  PutFile(Dir, "a.txt", morvtest::TextData(10));
  PutFile(Dir, "b.txt", morvtest::TextData(10));
  Spec({Join(Dir, "a.txt"), Join(Dir, "b.txt")});
  std::vector<std::pair<std::string, int>> Begun;
  W.OnBegin = [&](TObject*, const std::string& FN, int RecNum, bool& Extract) {
    Begun.emplace_back(FN, RecNum);
    Extract = FN != "b.txt";
  };
  W.OnRenameCompressedFile = [](TObject*, std::string& Name) { Name = "renamed\\" + Name; };
  EXPECT_EQ(W.Compress(), 1);
  EXPECT_EQ(Begun, (std::vector<std::pair<std::string, int>>{{"a.txt", 1}, {"b.txt", 2}}));
  EXPECT_EQ(W.Stored, std::vector<std::string>{"renamed\\a.txt"});
}

}  // namespace
