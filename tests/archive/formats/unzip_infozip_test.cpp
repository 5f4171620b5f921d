// TUnZIP against archives that Info-ZIP zip makes during the test: every
// file comes back byte for byte, tests clean, and damage or a wrong password
// is reported for the entry it hits while the run goes on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/core/zipcrypt.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/unzip_util.h"

using namespace unziptest;

namespace {

using morvtest::Join;

std::string Quote(const std::string& S) { return "'" + S + "'"; }

// Sizes at and around multiples of the 32 KiB window.
const std::vector<std::pair<std::string, size_t>> kFiles = {
    {"empty.txt", 0},          {"one.txt", 1},           {"w-1.txt", 32767},
    {"w.bin", 32768},          {"w+1.txt", 32769},       {"a/2w-1.bin", 65535},
    {"a/2w.txt", 65536},       {"a/2w+1.txt", 65537},    {"a/b/3w.bin", 98304},
    {"a/b/3w+1.txt", 98305},   {"a/b/small.txt", 200},
};

class UnzipInfoZip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!morvtest::HavePeer("zip")) GTEST_SKIP() << "zip not installed";
    Root = morvtest::TempDir();
    Src = Join(Root, "src");
    ForceDirectories(Join(Src, "a/b"));
    ForceDirectories(Join(Src, "emptydir"));
    uint32_t Seed = 1;
    for (const auto& [Name, Size] : kFiles) {
      const bool Random = Name.find(".bin") != std::string::npos;
      morvtest::WriteFile(Join(Src, Name), Random ? morvtest::RandomData(Size, Seed) : morvtest::TextData(Size, Seed));
      ++Seed;
    }
  }

  // Runs zip in the source folder on every file and folder; Streamed pipes
  // the archive through standard output, which makes zip use data
  // descriptors (flag bit 3) since it cannot seek back.
  std::string MakeZip(const std::string& Options, bool Streamed = false, const std::string& Comment = "") {
    const std::string Arc = Join(Root, "x" + std::to_string(++FArchives) + ".zip");
    std::string Cmd = "cd " + Quote(morvtest::HostPath(Src)) + " && ";
    if (Streamed)
      Cmd += "zip -q -r " + Options + " - . | cat > " + Quote(morvtest::HostPath(Arc));
    else
      Cmd += "zip -q -r " + Options + " " + Quote(morvtest::HostPath(Arc)) + " .";
    std::string Out;
    EXPECT_EQ(morvtest::RunPeer(Cmd, &Out), 0) << Out;
    if (!Comment.empty()) {
      EXPECT_EQ(morvtest::RunPeer("printf '%s' " + Quote(Comment) + " | zip -q -z " + Quote(morvtest::HostPath(Arc)),
                                  &Out),
                0)
          << Out;
    }
    return Arc;
  }

  // Every source file equals its extracted copy (cmp on the host).
  void ExpectSameTree(const std::string& OutDir) {
    std::string Out;
    const std::string Cmd = "cd " + Quote(morvtest::HostPath(Src)) +
                            " && find . -type f | while read f; do cmp \"$f\" " +
                            Quote(morvtest::HostPath(OutDir)) + "/\"$f\" || exit 1; done";
    EXPECT_EQ(morvtest::RunPeer(Cmd, &Out), 0) << Out;
  }

  std::string Root, Src;

 private:
  int FArchives = 0;
};

int CountFiles(const std::string& HostDir) {
  std::string Out;
  morvtest::RunPeer("find " + Quote(HostDir) + " -type f | wc -l", &Out);
  return std::atoi(Out.c_str());
}

struct TZipCase {
  const char* Name;
  const char* Options;
  bool Streamed;
};

TEST_F(UnzipInfoZip, ExtractsByteExactAndTestsClean) {
  const TZipCase Cases[] = {
      {"stored", "-0", false},   {"fastest", "-1", false}, {"best", "-9", false},
      {"streamed", "-6", true},  {"streamed stored", "-0", true},
  };
  for (const TZipCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    // Adding a comment rewrites the archive, so only the seekable ones get
    // one.
    const std::string Arc = MakeZip(C.Options, C.Streamed, C.Streamed ? "" : "archive comment\nsecond line");
    if (C.Streamed) {
      // The case only means something when zip really used data descriptors.
      const std::vector<uint8_t> A = morvtest::ReadFile(Arc);
      int WithDescriptor = 0;
      for (size_t i = 0; i + 46 <= A.size(); ++i)
        if (GetLE32(A.data() + i) == ZipCentralSig && (GetLE16(A.data() + i + 8) & zgDataDescriptor)) ++WithDescriptor;
      ASSERT_EQ(WithDescriptor, int(kFiles.size()));
    }
    const std::string OutDir = Join(Root, std::string("out-") + C.Name);
    TUnZIP U(nullptr);
    TRunLog Log;
    Log.Attach(U);
    U.SetArchiveFile(Arc);
    ASSERT_EQ(U.ArcType(), atZip);
    U.FileSpec()->Add("*.*");
    U.SetExtractDir(OutDir);
    EXPECT_EQ(U.Extract(), int(kFiles.size()));
    EXPECT_TRUE(Log.Errors.empty()) << Log.Errors[0].Code << " " << Log.Errors[0].FN;
    ASSERT_EQ(Log.Ends.size(), kFiles.size());
    for (const auto& E : Log.Ends) EXPECT_TRUE(E.second) << E.first;
    ExpectSameTree(OutDir);
    // Folders are not entries to extract: nothing is made for them.
    EXPECT_FALSE(DirectoryExists(Join(OutDir, "emptydir")));
    EXPECT_EQ(CountFiles(morvtest::HostPath(OutDir)), int(kFiles.size()));
    // The stored date comes back (DOS time has two-second steps).
    const int SrcAge = FileAge(Join(Src, "a/2w.txt")), OutAge = FileAge(Join(OutDir, "a/2w.txt"));
    EXPECT_NEAR(FileDateToDateTime(SrcAge), FileDateToDateTime(OutAge), 2.5 / 86400);

    const std::string TestDir = Join(Root, std::string("test-") + C.Name);
    ForceDirectories(TestDir);
    TRunLog TestLog;
    TUnZIP T(nullptr);
    TestLog.Attach(T);
    T.SetArchiveFile(Arc);
    T.FileSpec()->Add("*.*");
    T.SetExtractDir(TestDir);
    EXPECT_EQ(T.TestArchive(), int(kFiles.size()));
    EXPECT_TRUE(TestLog.Errors.empty());
    ASSERT_EQ(TestLog.Ends.size(), kFiles.size());
    for (const auto& E : TestLog.Ends) {
      EXPECT_TRUE(E.second) << E.first;
      // Test mode names the stored entry, not an output file.
      EXPECT_EQ(E.first.find(TestDir), std::string::npos);
    }
    EXPECT_EQ(CountFiles(morvtest::HostPath(TestDir)), 0);
  }
}

// One flipped data byte in the middle entry: that entry fails, the others
// still come back whole.
TEST_F(UnzipInfoZip, DamagedEntryFailsAndTheRunGoesOn) {
  for (const char* Options : {"-0", "-9"}) {
    SCOPED_TRACE(Options);
    const std::string Arc = Join(Root, std::string("damaged") + Options + ".zip");
    std::string Out;
    ASSERT_EQ(morvtest::RunPeer("cd " + Quote(morvtest::HostPath(Src)) + " && zip -q " + Options + " " +
                                    Quote(morvtest::HostPath(Arc)) + " w-1.txt a/2w.txt a/b/3w+1.txt",
                                &Out),
              0)
        << Out;
    std::vector<uint8_t> A = morvtest::ReadFile(Arc);
    // The second local header, found by walking the first.
    const uint32_t Second = 30 + GetLE16(A.data() + 26) + GetLE16(A.data() + 28) + GetLE32(A.data() + 18);
    ASSERT_EQ(GetLE32(A.data() + Second), ZipLocalSig);
    const uint32_t Data = Second + 30 + GetLE16(A.data() + Second + 26) + GetLE16(A.data() + Second + 28);
    A[Data + GetLE32(A.data() + Second + 18) / 2] ^= 0x10;
    morvtest::WriteFile(Arc, A);

    for (bool WithEnd : {true, false}) {
      for (bool Test : {false, true}) {
        SCOPED_TRACE(std::string(WithEnd ? "OnEnd" : "no OnEnd") + (Test ? " test" : " extract"));
        const std::string OutDir = Join(Root, std::string("dmg") + Options + (WithEnd ? "e" : "n") + (Test ? "t" : "x"));
        TUnZIP U(nullptr);
        TRunLog Log;
        Log.Attach(U, WithEnd);
        U.SetArchiveFile(Arc);
        U.FileSpec()->Add("*.*");
        U.SetExtractDir(OutDir);
        EXPECT_EQ(Test ? U.TestArchive() : U.Extract(), 2);
        EXPECT_EQ(Log.Begins.size(), 3u);
        if (WithEnd) {
          ASSERT_EQ(Log.Ends.size(), 3u);
          EXPECT_TRUE(Log.Ends[0].second);
          EXPECT_FALSE(Log.Ends[1].second);
          EXPECT_TRUE(Log.Ends[2].second);
          // A CRC mismatch with OnEnd assigned is no error report; a decoder
          // error may be, and only for the damaged entry.
          for (const auto& E : Log.Errors) EXPECT_NE(E.FN.find("2w.txt"), std::string::npos) << E.FN;
          if (std::string(Options) == "-0") {
            EXPECT_TRUE(Log.Errors.empty());
          }
        } else {
          ASSERT_EQ(Log.Errors.size(), 1u);
          EXPECT_NE(Log.Errors[0].FN.find("2w.txt"), std::string::npos);
          if (std::string(Options) == "-0") {
            EXPECT_EQ(Log.Errors[0].Code, errCrcCheck);
          }
        }
        if (!Test) {
          EXPECT_EQ(morvtest::ReadFile(Join(OutDir, "w-1.txt")), morvtest::ReadFile(Join(Src, "w-1.txt")));
          EXPECT_EQ(morvtest::ReadFile(Join(OutDir, "a/b/3w+1.txt")), morvtest::ReadFile(Join(Src, "a/b/3w+1.txt")));
        }
      }
    }
  }
}

// The encryption header of every encrypted entry, with the byte it checks.
struct TCryptHead {
  uint8_t Head[12];
  uint8_t Check;
};

std::vector<TCryptHead> CryptHeads(const std::string& Arc) {
  std::vector<TCryptHead> R;
  TFileStream S(Arc, fmOpenRead | fmShareDenyNone);
  const TZipLocation Loc = FindZipEndRecord(S, 32000);
  int64_t Pos = Loc.End.CentralDirOffset;
  for (int i = 0; i < Loc.End.EntriesTotal; ++i) {
    TZipCentralHeader C;
    if (!ReadZipRecordAt(S, Pos, C)) break;
    Pos += TZipCentralHeader::Size + C.NameLength + C.ExtraLength + C.CommentLength;
    TZipLocalHeader L;
    ReadZipRecordAt(S, C.LocalHeaderOffset, L);
    if (!(L.Flags & zgEncrypted)) continue;
    TCryptHead H;
    S.Seek(int64_t(C.LocalHeaderOffset) + 30 + L.NameLength + L.ExtraLength, soFromBeginning);
    S.ReadBuffer(H.Head, 12);
    H.Check = (L.Flags & zgDataDescriptor) ? uint8_t(L.Time >> 8) : uint8_t(C.Crc32 >> 24);
    R.push_back(H);
  }
  return R;
}

// Wrong passwords whose header check fails for every entry: the check has
// one byte, so one wrong password in 256 passes it.
std::vector<std::string> WrongPasswords(const std::string& Arc, size_t Count) {
  const std::vector<TCryptHead> Heads = CryptHeads(Arc);
  std::vector<std::string> R;
  for (int i = 0; R.size() < Count; ++i) {
    const std::string P = "wrong" + std::to_string(i);
    bool Passes = false;
    for (const TCryptHead& H : Heads) Passes |= ZipCheckDecryptHeader(P, H.Head, H.Check);
    if (!Passes) R.push_back(P);
  }
  return R;
}

TEST_F(UnzipInfoZip, Passwords) {
  // Two encrypted entries and a plain one after them.
  for (bool Streamed : {false, true}) {
    SCOPED_TRACE(Streamed ? "streamed" : "seekable");
    const std::string Arc = Join(Root, Streamed ? "pw-s.zip" : "pw.zip");
    const std::string Host = Quote(morvtest::HostPath(Arc));
    const std::string In = "cd " + Quote(morvtest::HostPath(Src)) + " && ";
    std::string Out;
    if (Streamed)
      ASSERT_EQ(morvtest::RunPeer(In + "zip -q -P s3cret - w.bin a/2w.txt | cat > " + Host + " && zip -q " + Host +
                                      " one.txt",
                                  &Out),
                0)
          << Out;
    else
      ASSERT_EQ(morvtest::RunPeer(In + "zip -q -0 -P s3cret " + Host + " w.bin && zip -q -P s3cret " + Host +
                                      " a/2w.txt && zip -q " + Host + " one.txt",
                                  &Out),
                0)
          << Out;
    const std::vector<std::string> Wrong = WrongPasswords(Arc, 3);
    auto Make = [&](TUnZIP& U, TRunLog& Log, const std::string& Dir) {
      Log.Attach(U);
      U.SetArchiveFile(Arc);
      U.FileSpec()->Add("*.*");
      U.SetExtractDir(Join(Root, Dir + (Streamed ? "s" : "")));
    };
    auto ExpectWhole = [&](const std::string& Dir) {
      const std::string D = Join(Root, Dir + (Streamed ? "s" : ""));
      EXPECT_EQ(morvtest::ReadFile(Join(D, "w.bin")), morvtest::ReadFile(Join(Src, "w.bin")));
      EXPECT_EQ(morvtest::ReadFile(Join(D, "a/2w.txt")), morvtest::ReadFile(Join(Src, "a/2w.txt")));
      EXPECT_EQ(morvtest::ReadFile(Join(D, "one.txt")), morvtest::ReadFile(Join(Src, "one.txt")));
    };

    {
      SCOPED_TRACE("password in Passwords");
      TUnZIP U(nullptr);
      TRunLog Log;
      Make(U, Log, "known");
      U.Passwords()->Add(Wrong[0]);
      U.Passwords()->Add("s3cret");
      int Asked = 0;
      U.OnGetPassword = [&](TObject*, const std::string&, std::string&, bool&) { ++Asked; };
      EXPECT_EQ(U.Extract(), 3);
      EXPECT_EQ(Asked, 0);
      EXPECT_TRUE(Log.Errors.empty());
      ExpectWhole("known");
    }
    {
      SCOPED_TRACE("three wrong answers");
      TUnZIP U(nullptr);
      TRunLog Log;
      Make(U, Log, "wrong");
      std::vector<std::string> Asked;
      U.OnGetPassword = [&](TObject*, const std::string& FN, std::string& P, bool&) {
        Asked.push_back(FN);
        P = Wrong[Asked.size() - 1];
      };
      EXPECT_EQ(U.Extract(), 0);
      EXPECT_EQ(Asked.size(), 3u);
      EXPECT_EQ(Log.Codes(), (std::vector<int>{errBadPassword, errBadPassword, errBadPassword, errPasswordFailed}));
      // The run ends: the later entries are not even begun.
      EXPECT_EQ(Log.Begins.size(), 1u);
      EXPECT_FALSE(FileExists(Join(Join(Root, std::string("wrong") + (Streamed ? "s" : "")), "w.bin")));
      EXPECT_EQ(U.Passwords()->Count(), 0);
    }
    {
      SCOPED_TRACE("right answer after two wrong ones");
      TUnZIP U(nullptr);
      TRunLog Log;
      Make(U, Log, "third");
      int Asked = 0;
      U.OnGetPassword = [&](TObject*, const std::string&, std::string& P, bool& TryAgain) {
        EXPECT_TRUE(TryAgain);
        P = Asked < 2 ? Wrong[size_t(Asked)] : "s3cret";
        ++Asked;
      };
      EXPECT_EQ(U.Extract(), 3);
      // The second encrypted entry takes the password that passed.
      EXPECT_EQ(Asked, 3);
      EXPECT_EQ(Log.Codes(), (std::vector<int>{errBadPassword, errBadPassword}));
      ASSERT_GE(U.Passwords()->Count(), 1);
      EXPECT_EQ((*U.Passwords())[0], "s3cret");
      ExpectWhole("third");
    }
    {
      SCOPED_TRACE("answer withdrawn");
      TUnZIP U(nullptr);
      TRunLog Log;
      Make(U, Log, "withdrawn");
      U.OnGetPassword = [&](TObject*, const std::string&, std::string& P, bool& TryAgain) {
        P = "s3cret";
        TryAgain = false;
      };
      EXPECT_EQ(U.Extract(), 0);
      EXPECT_EQ(Log.Codes(), (std::vector<int>{errPasswordFailed}));
    }
    {
      SCOPED_TRACE("no OnGetPassword");
      TUnZIP U(nullptr);
      TRunLog Log;
      Make(U, Log, "noevent");
      EXPECT_EQ(U.Extract(), 1);
      ASSERT_EQ(Log.Codes(), (std::vector<int>{errEventMissing, errEventMissing}));
      EXPECT_EQ(Log.Errors[0].MsgEx, "OnGetPassword");
      ASSERT_EQ(Log.Ends.size(), 3u);
      EXPECT_FALSE(Log.Ends[0].second);
      EXPECT_FALSE(Log.Ends[1].second);
      EXPECT_TRUE(Log.Ends[2].second);
      const std::string D = Join(Root, std::string("noevent") + (Streamed ? "s" : ""));
      EXPECT_FALSE(FileExists(Join(D, "w.bin")));
      EXPECT_EQ(morvtest::ReadFile(Join(D, "one.txt")), morvtest::ReadFile(Join(Src, "one.txt")));
    }
  }
}

// Without a central directory the local headers are walked from the start.
TEST_F(UnzipInfoZip, LocalHeaderWalkWithoutCentralDirectory) {
  const std::string Arc = MakeZip("-9");
  std::vector<uint8_t> A = morvtest::ReadFile(Arc);
  TMemoryStream S;
  S.Write(A.data(), int32_t(A.size()));
  const TZipLocation Loc = FindZipEndRecord(S, 2000);
  ASSERT_TRUE(Loc.EndFound());
  A.resize(Loc.End.CentralDirOffset);
  morvtest::WriteFile(Arc, A);

  TUnZIP U(nullptr);
  TRunLog Log;
  Log.Attach(U);
  U.SetArchiveFile(Arc);
  ASSERT_EQ(U.ArcType(), atZip);
  U.FileSpec()->Add("*.*");
  const std::string OutDir = Join(Root, "local");
  U.SetExtractDir(OutDir);
  EXPECT_EQ(U.Extract(), int(kFiles.size()));
  EXPECT_TRUE(Log.Errors.empty());
  ExpectSameTree(OutDir);
}

// A plain name selects that entry only; wildcards and ExcludeSpec filter.
TEST_F(UnzipInfoZip, FileSpecSelects) {
  const std::string Arc = MakeZip("-1");
  struct TCase {
    std::vector<std::string> Spec, Exclude;
    int Count;
  } Cases[] = {
      {{"a\\2w.txt"}, {}, 1},
      {{"a/b/*.*"}, {}, 3},
      {{"*.bin"}, {}, 3},
      {{"*.*"}, {"*.txt"}, 3},
      {{"one.txt", "w.bin"}, {}, 2},
      {{}, {}, 0},
  };
  for (const TCase& C : Cases) {
    TUnZIP U(nullptr);
    TRunLog Log;
    Log.Attach(U);
    U.SetArchiveFile(Arc);
    TStringList Spec, Exclude;
    for (const std::string& S : C.Spec) Spec.Add(S);
    for (const std::string& S : C.Exclude) Exclude.Add(S);
    U.SetFileSpec(&Spec);
    U.SetExcludeSpec(&Exclude);
    EXPECT_EQ(U.TestArchive(), C.Count) << (C.Spec.empty() ? "" : C.Spec[0]);
    EXPECT_EQ(int(U.FoundList().Count()), C.Count);
  }
}

}  // namespace
