// TUnARJ on archives of the real arj (every method, garbled, multi-volume),
// on the ARJ archives of other programs in the shared fixtures, and on
// archives put together header by header.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/formats/arj/arj_format.h"
#include "archive/formats/arj/unarj.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/readers_util.h"
#include "tests/archive/formats/unzip_util.h"

using namespace unziptest;

namespace {

using morvtest::Join;

std::string Q(const std::string& LocalPath) { return "'" + morvtest::HostPath(LocalPath) + "'"; }

struct TSourceFile {
  std::string Name;
  std::vector<uint8_t> Data;
};

// Files with text, noise, runs, a long text that outgrows the window and an
// empty one.
std::vector<TSourceFile> SourceFiles() {
  std::vector<uint8_t> Runs;
  for (int i = 0; i < 300; ++i) Runs.insert(Runs.end(), size_t(1 + i % 300), uint8_t('a' + i % 7));
  return {{"alpha.txt", morvtest::TextData(70000, 3)},
          {"sub/noise.bin", morvtest::RandomData(30000, 4)},
          {"sub/deep/long.txt", morvtest::TextData(260000, 5)},
          {"runs.dat", Runs},
          {"empty.txt", {}}};
}

std::string NamesOf(const std::vector<TSourceFile>& Files) {
  std::string S;
  for (const TSourceFile& F : Files) S += " '" + F.Name + "'";
  return S;
}

class UnArj : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!morvtest::HavePeer("arj")) GTEST_SKIP() << "arj missing";
    Root = morvtest::TempDir();
    Src = Join(Root, "src");
    Files = SourceFiles();
    WriteSources();
    // An even second, which a DOS time keeps.
    ASSERT_EQ(morvtest::RunPeer("touch -d '2021-03-04 05:06:08' " + Q(Join(Src, "alpha.txt"))), 0);
  }
  void WriteSources() {
    for (const TSourceFile& F : Files) {
      ForceDirectories(ExtractFilePath(Join(Src, F.Name)));
      morvtest::WriteFile(Join(Src, F.Name), F.Data);
    }
  }
  // arj run in the source folder with Switches on every file.
  std::string MakeArchive(const std::string& Name, const std::string& Switches) {
    const std::string Path = Join(Root, Name);
    std::string Out;
    EXPECT_EQ(morvtest::RunPeer("cd " + Q(Src) + " && arj a -y " + Switches + " " + Q(Path) + NamesOf(Files), &Out), 0)
        << Out;
    return Path;
  }
  int Run(const std::string& Path, const std::string& Dir, const std::string& Password = "",
          const std::function<void(TUnARJ&)>& Setup = {}) {
    TUnARJ U(nullptr);
    Log = TRunLog();
    Log.Attach(U);
    U.SetArchiveFile(Path);
    U.SetExtractDir(Dir);
    U.FileSpec()->Add("*.*");
    U.OnNextVolume = [this](TObject*, std::string&, const std::string&, bool Exists, bool& Cancel) {
      ++VolumeRequests;
      Cancel = !Exists;
    };
    if (!Password.empty())
      U.OnGetPassword = [Password](TObject*, const std::string&, std::string& P, bool&) { P = Password; };
    if (Setup) Setup(U);
    return U.Extract();
  }
  void ExpectAllExtracted(const std::string& Dir) {
    for (const TSourceFile& F : Files) {
      EXPECT_EQ(morvtest::ReadFile(Join(Dir, F.Name)), F.Data) << F.Name;
      EXPECT_TRUE(Log.Passed(F.Name)) << F.Name;
    }
    EXPECT_EQ(Log.Begins.size(), Files.size());
    EXPECT_TRUE(Log.Errors.empty()) << Log.Errors.front().Code;
  }
  std::string Root, Src;
  std::vector<TSourceFile> Files;
  TRunLog Log;
  int VolumeRequests = 0;
};

TEST_F(UnArj, EveryMethodOfArjExtractsByteExact) {
  for (const std::string M : {"-m0", "-m1", "-m2", "-m3", "-m4"}) {
    SCOPED_TRACE(M);
    const std::string Dir = Join(Root, "out" + M);
    EXPECT_EQ(Run(MakeArchive("t" + M + ".arj", M), Dir), int(Files.size()));
    ExpectAllExtracted(Dir);
    // arj on UNIX stores UNIX seconds: the date comes back as it was.
    EXPECT_EQ(FileAge(Join(Dir, "alpha.txt")), FileAge(Join(Src, "alpha.txt")));
  }
}

TEST_F(UnArj, GarbledEntriesNeedTheRightPassword) {
  for (const std::string M : {"-m0", "-m1", "-m4"}) {
    SCOPED_TRACE(M);
    const std::string Arc = MakeArchive("g" + M + ".arj", M + " -gOpen5esame");
    const std::string Dir = Join(Root, "good" + M);
    EXPECT_EQ(Run(Arc, Dir, "Open5esame"), int(Files.size()));
    ExpectAllExtracted(Dir);

    // The first entry decodes to the wrong CRC: the run ends there.
    EXPECT_THROW(Run(Arc, Join(Root, "bad" + M), "open5esame"), E_RAISE);
    EXPECT_EQ(Log.Codes(), std::vector<int>{errBadPassword});
    ASSERT_EQ(Log.Ends.size(), 1u);
    EXPECT_FALSE(Log.Ends[0].second);
  }
}

TEST_F(UnArj, GarbledEntryWithoutPasswordHandlerEndsTheRun) {
  const std::string Arc = MakeArchive("g.arj", "-m1 -gpw");
  EXPECT_EQ(Run(Arc, Join(Root, "out")), 0);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errEventMissing});
  EXPECT_TRUE(FilesBelow(Join(Root, "out")).empty());
}

TEST_F(UnArj, VolumeSetsJoinEntriesAcrossVolumes) {
  // The noise file and the long text each span volumes.
  int Set = 0;
  for (const std::string M : {"-m0", "-m1", "-m4 -gsplit"}) {
    SCOPED_TRACE(M);
    const std::string Name = "v" + std::to_string(Set++);
    const std::string Arc = MakeArchive(Name + ".arj", M + " -v50k");
    ASSERT_TRUE(FileExists(Join(Root, Name + ".a01")));
    VolumeRequests = 0;
    const std::string Dir = Join(Root, "out" + Name);
    // Each file is begun once: the piece continued from the previous volume
    // is not written again over the joined file.
    EXPECT_EQ(Run(Arc, Dir, "split"), int(Files.size()));
    ExpectAllExtracted(Dir);
    int Volumes = 0;
    while (FileExists(Join(Root, Name + ".a" + (Volumes < 9 ? "0" : "") + std::to_string(Volumes + 1)))) ++Volumes;
    EXPECT_EQ(VolumeRequests, Volumes);
  }
}

TEST_F(UnArj, DamageInAnEarlierVolumeFailsTheJoinedFile) {
  Files = {{"noise.bin", morvtest::RandomData(120000, 9)}, {"after.txt", morvtest::TextData(1000, 2)}};
  WriteSources();
  const std::string Arc = MakeArchive("d.arj", "-m0 -v50k");
  std::vector<uint8_t> First = morvtest::ReadFile(Arc);
  TMemorySource S(First.data(), First.size());
  uint64_t Main = 0;
  int Err = 0;
  ArjHeader M, H;
  ASSERT_TRUE(FindArjMainHeader(S, 0, 25000, Main, Err));
  ASSERT_TRUE(ReadArjMainHeader(S, Main, M, Err));
  ASSERT_TRUE(ReadArjHeader(S, M.NextPos, H, Err));
  ASSERT_TRUE(H.Flags & ArjFlagVolume);
  First[H.DataPos + 100] ^= 0x40;
  morvtest::WriteFile(Arc, First);

  EXPECT_EQ(Run(Arc, Join(Root, "out")), 1);
  EXPECT_FALSE(Log.Passed("noise.bin"));
  EXPECT_TRUE(Log.Passed("after.txt"));
  EXPECT_EQ(Log.Begins.size(), 2u);
  // Without OnEnd the failure is reported as a CRC error.
  Run(Arc, Join(Root, "out2"), "", [](TUnARJ& U) { U.OnEnd = nullptr; });
  EXPECT_EQ(Log.Codes(), std::vector<int>{errCrcCheck});
}

TEST_F(UnArj, SingleNameStopsAtItsEntry) {
  const std::string Arc = MakeArchive("t.arj", "-m1");
  EXPECT_EQ(Run(Arc, Join(Root, "out"), "",
                [](TUnARJ& U) {
                  U.FileSpec()->Clear();
                  U.FileSpec()->Add("sub\\deep\\long.txt");
                }),
            1);
  EXPECT_EQ(FilesBelow(Join(Root, "out")), std::set<std::string>{"sub/deep/long.txt"});
}

// The ARJ archives of other programs, checked against the CRCs SOURCES.md
// gives for their files.
TEST(UnArjFixtures, ExtractWithTheirListedCrcs) {
  const std::map<std::string, uint32_t> Crcs = {{"TECT.TXT", 0x9bd160fa},
                                                {"TEST.EXE", 0xcfb109c8},
                                                {"TEST.JPG", 0x088814e3},
                                                {"alice29.txt", 0x66007dba}};
  const std::vector<std::pair<std::string, size_t>> Archives = {
      {"Arj.method1.arj", 3}, {"Arj.method1.largefile.arj", 1}, {"Arj.method2.arj", 3},
      {"Arj.method2.largefile.arj", 1}, {"Arj.method3.arj", 3}, {"Arj.method3.largefile.arj", 1},
      {"Arj.method4.arj", 3}, {"Arj.method4.largefile.arj", 1}, {"Arj.store.arj", 3},
      {"Arj.store.largefile.arj", 1}, {"Arj.store.split.arj", 3}};
  const std::string Root = morvtest::TempDir();
  for (const auto& [Name, Count] : Archives) {
    SCOPED_TRACE(Name);
    const std::string Path = morvtest::SharedPath("fixtures/arj/sharpcompress/" + Name);
    if (!FileExists(Path)) GTEST_SKIP() << "fixtures missing";
    const std::string Dir = Join(Root, Name);
    TUnARJ U(nullptr);
    TRunLog Log;
    Log.Attach(U);
    U.SetArchiveFile(Path);
    U.SetExtractDir(Dir);
    U.FileSpec()->Add("*.*");
    U.OnNextVolume = [](TObject*, std::string&, const std::string&, bool Exists, bool& Cancel) { Cancel = !Exists; };
    EXPECT_EQ(U.Extract(), int(Count));
    EXPECT_TRUE(Log.Errors.empty());
    const std::set<std::string> Found = FilesBelow(Dir);
    EXPECT_EQ(Found.size(), Count);
    for (const std::string& F : Found) {
      const std::string Base = F.substr(F.find_last_of('/') + 1);
      ASSERT_TRUE(Crcs.count(Base)) << F;
      EXPECT_EQ(Crc32Of(morvtest::ReadFile(Join(Dir, F))), Crcs.at(Base)) << F;
    }
  }
}

TEST(UnArjFixtures, EncryptedArchiveWithAWrongPasswordRaises) {
  const std::string Path = morvtest::SharedPath("fixtures/arj/sharpcompress/Arj.encrypted.arj");
  if (!FileExists(Path)) GTEST_SKIP() << "fixtures missing";
  TUnARJ U(nullptr);
  TRunLog Log;
  Log.Attach(U);
  U.SetArchiveFile(Path);
  U.SetExtractDir(morvtest::TempDir());
  U.FileSpec()->Add("*.*");
  U.OnGetPassword = [](TObject*, const std::string&, std::string& P, bool&) { P = "guess"; };
  EXPECT_THROW(U.Extract(), E_RAISE);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errBadPassword});
}

// Archives made header by header.
class UnArjCrafted : public ::testing::Test {
 protected:
  struct TEntry {
    std::string Name;
    std::vector<uint8_t> Data;
    uint8_t Method = 0, Type = ArjTypeBinary, MinVersion = 1, Host = 0;
    uint16_t Mode = 0x20;
    bool BadCrc = false, BadHeaderCrc = false;
    uint8_t Version = 11;
  };
  static std::vector<uint8_t> Frame(const std::vector<uint8_t>& Basic, bool Good = true) {
    std::vector<uint8_t> F;
    rdtest::Put16(F, ArjHeaderId);
    rdtest::Put16(F, uint16_t(Basic.size()));
    F.insert(F.end(), Basic.begin(), Basic.end());
    rdtest::Put32(F, rdtest::Crc32Of(Basic.data(), Basic.size()) ^ (Good ? 0 : 1));
    rdtest::Put16(F, 0);
    return F;
  }
  static std::vector<uint8_t> Basic(const TEntry& E) {
    std::vector<uint8_t> B = {30, E.Version, E.MinVersion, E.Host, 0, E.Method, E.Type, 0};
    rdtest::Put32(B, 0x5A8B1234);
    rdtest::Put32(B, uint32_t(E.Data.size()));
    rdtest::Put32(B, uint32_t(E.Data.size()));
    rdtest::Put32(B, Crc32Of(E.Data) ^ (E.BadCrc ? 1 : 0));
    rdtest::Put16(B, 0);
    rdtest::Put16(B, E.Mode);
    rdtest::Put16(B, 0);
    rdtest::PutStr(B, E.Name);
    B.push_back(0);
    B.push_back(0);
    return B;
  }
  std::vector<uint8_t> Build(const std::vector<TEntry>& Entries) {
    TEntry Main;
    Main.Name = "c.arj";
    Main.Type = ArjTypeComment;
    std::vector<uint8_t> A = Frame(Basic(Main));
    for (const TEntry& E : Entries) {
      const std::vector<uint8_t> F = Frame(Basic(E), !E.BadHeaderCrc);
      A.insert(A.end(), F.begin(), F.end());
      A.insert(A.end(), E.Data.begin(), E.Data.end());
    }
    rdtest::Put16(A, ArjHeaderId);
    rdtest::Put16(A, 0);
    return A;
  }
  int Run(const std::vector<uint8_t>& Archive) {
    Root = morvtest::TempDir();
    const std::string Path = Join(Root, "c.arj");
    morvtest::WriteFile(Path, Archive);
    TUnARJ U(nullptr);
    Log = TRunLog();
    Log.Attach(U);
    U.SetArchiveFile(Path);
    EXPECT_EQ(U.ArcType(), atArj);
    U.SetExtractDir(Join(Root, "out"));
    U.FileSpec()->Add("*.*");
    return U.Extract();
  }
  std::string Root;
  TRunLog Log;
};

TEST_F(UnArjCrafted, BadEntriesAreReportedAndTheOthersExtracted) {
  const std::vector<uint8_t> Good = Bytes("good data");
  struct TRow {
    const char* What;
    TEntry Bad;
    int Code;
  };
  TEntry OldFast{"bad.bin", Bytes("xxxx"), 4};
  OldFast.Version = 1;
  std::vector<TRow> Rows = {
      {"method 5", {"bad.bin", Bytes("xxxx"), 5}, errBadMethod},
      {"method 4 of archiver version 1", OldFast, errBadMethod},
      {"minimum version 4", {"bad.bin", Bytes("xxxx"), 0, ArjTypeBinary, 4}, 25402},
  };
  for (TRow& R : Rows) {
    SCOPED_TRACE(R.What);
    std::vector<uint8_t> A = Build({R.Bad, {"good.txt", Good}});
    EXPECT_EQ(Run(A), 1);
    EXPECT_EQ(Log.Codes(), std::vector<int>{R.Code});
    EXPECT_EQ(FilesBelow(Join(Root, "out")), std::set<std::string>{"good.txt"});
  }
}

TEST_F(UnArjCrafted, FoldersLabelsAndDamagedHeaders) {
  TEntry Folder{"dir", {}, 0, ArjTypeDirectory};
  TEntry FolderAttr{"dir2", {}, 0, ArjTypeBinary};
  FolderAttr.Mode = 0x10;
  TEntry Label{"LABEL", {}, 0, 4};
  // A UNIX mode with the bit that is a folder among DOS attributes.
  TEntry Unix{"unix.txt", Bytes("mode 0664"), 0, ArjTypeBinary};
  Unix.Host = ArjHostUnix;
  Unix.Mode = 0x81B4;
  TEntry Damaged{"after.txt", Bytes("never reached")};
  Damaged.BadHeaderCrc = true;
  EXPECT_EQ(Run(Build({Folder, FolderAttr, Label, {"a.txt", Bytes("aaa")}, Unix, Damaged})), 2);
  EXPECT_EQ(FilesBelow(Join(Root, "out")), (std::set<std::string>{"a.txt", "unix.txt"}));
  EXPECT_EQ(Log.Codes(), std::vector<int>{rdHeaderCrc});
  // Mode 0664 leaves the file writable and not hidden or system.
  const int Attr = FileGetAttr(Join(Root, "out/unix.txt"));
  EXPECT_EQ(Attr & (faReadOnly | faHidden | faSysFile), 0);
}

TEST_F(UnArjCrafted, WrongDataCrcIsReported) {
  TEntry E{"a.txt", Bytes("abc")};
  E.BadCrc = true;
  EXPECT_EQ(Run(Build({E, {"b.txt", Bytes("b")}})), 1);
  EXPECT_FALSE(Log.Passed("a.txt"));
  EXPECT_TRUE(Log.Passed("b.txt"));
}

TEST_F(UnArjCrafted, CutArchiveFailsTheCutEntryAndEndsCleanly) {
  const TEntry A{"a.txt", morvtest::TextData(3000, 1)};
  const std::vector<uint8_t> Whole = Build({A, {"b.txt", Bytes("bbbb")}});
  const size_t DataAt = Build({}).size() - 4 + Frame(Basic(A)).size();
  for (size_t Cut : {DataAt + 1, DataAt + 1500, DataAt + 2999}) {
    SCOPED_TRACE(Cut);
    EXPECT_EQ(Run(std::vector<uint8_t>(Whole.begin(), Whole.begin() + long(Cut))), 0);
    EXPECT_FALSE(Log.Passed("a.txt"));
  }
}

}  // namespace
