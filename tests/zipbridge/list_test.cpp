// Reading the central directory and the archive comment.
#include <gtest/gtest.h>

#include <algorithm>

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

std::string Slashes(std::string S) {
  std::replace(S.begin(), S.end(), '\\', '/');
  return S;
}

// Every entry, size, CRC, date, flag and comment as zipinfo -v shows them.
void ExpectMatchesZipinfo(TZipBridge& Z, const std::string& Archive) {
  TPeerListing Peer = ZipInfo(Archive);
  ASSERT_EQ(Z.Count(), int(Peer.Entries.size())) << Z.Message;
  for (int i = 0; i < Z.Count(); i++) {
    const ZipDirEntry& E = *Z.ZipContents()[size_t(i)];
    const TPeerEntry& P = Peer.Entries[size_t(i)];
    SCOPED_TRACE(P.Name);
    EXPECT_EQ(Slashes(E.FileName), P.Name);
    EXPECT_EQ(E.CRC32, P.Crc);
    EXPECT_EQ(E.ComprSize, P.Packed);
    EXPECT_EQ(E.UncomprSize, P.Unpacked);
    EXPECT_EQ(DosTimeText(E.ModifDate, E.ModifTime), P.DosTime);
    EXPECT_EQ(E.Encrypted, P.Encrypted);
    EXPECT_EQ(E.FileComment, P.Comment);
    EXPECT_EQ(E.RelOffLocalHdr, P.LocalOffset);
  }
  EXPECT_EQ(Z.ZipComment(), Peer.Comment);
}

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = TempDir();
    Shell(Dir,
          "mkdir -p src/sub/deeper && cd src && printf 'hello\\n' > a.txt && seq 1 20000 > sub/numbers.txt && "
          ": > sub/empty.dat && head -c 70000 /dev/urandom > sub/deeper/random.bin && "
          "touch -d '2003-04-05 06:07:08' a.txt && touch -d '2019-11-30 23:59:58' sub/numbers.txt");
  }
  std::string Path(const std::string& Name) { return Dir + "\\" + Name; }

  std::string Dir;
  TZipBridge Z{nullptr};
};

struct TInfoZipCase {
  const char* Name;
  const char* Command;     // run in src/, makes ../t.zip
  size_t CommentBytes;     // patched in afterwards (0: as zip left it)
};

const TInfoZipCase InfoZipCases[] = {
    {"stored", "zip -q -0 -r ../t.zip .", 0},
    {"deflated", "zip -q -9 -r ../t.zip .", 0},
    {"encrypted", "zip -q -P secret -r ../t.zip .", 0},
    {"files_only", "zip -q -D -r ../t.zip .", 0},
    {"entry_comments", "zip -q -r ../t.zip . && printf 'first note\\nsecond note\\n' | zip -q -c ../t.zip a.txt sub/numbers.txt", 0},
    {"comment30", "zip -q -r ../t.zip .", 30},
    {"comment65535", "zip -q -r ../t.zip .", 65535},
};

class InfoZipListTest : public ListTest, public ::testing::WithParamInterface<TInfoZipCase> {};

TEST_P(InfoZipListTest, ListMatchesZipinfo) {
  Shell(Dir + "\\src", GetParam().Command);
  if (GetParam().CommentBytes) SetCommentBytes(Path("t.zip"), GetParam().CommentBytes);
  int Updates = 0, Named = 0;
  Z.OnDirUpdate = [&](TObject*) { Updates++; };
  Z.OnNewName = [&](TObject*, int SeqNo, const ZipDirEntry&) { EXPECT_EQ(SeqNo, ++Named); };
  Z.SetZipFileName(Path("t.zip"));
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  EXPECT_EQ(Updates, 1);
  EXPECT_EQ(Named, Z.Count());
  EXPECT_EQ(Z.SFXOffset(), 0);
  EXPECT_EQ(Z.ZipComment().size(), GetParam().CommentBytes);
  ExpectMatchesZipinfo(Z, Path("t.zip"));
}

INSTANTIATE_TEST_SUITE_P(Archives, InfoZipListTest, ::testing::ValuesIn(InfoZipCases),
                         [](const auto& I) { return std::string(I.param.Name); });

TEST_F(ListTest, SelfExtractorPrefixAdjustedByZipA) {
  Shell(Dir, "cd src && zip -q -r ../plain.zip . && cd .. && head -c 20000 /dev/urandom > sfx.exe && "
             "cat plain.zip >> sfx.exe && zip -q -A sfx.exe");
  Z.SetZipFileName(Path("sfx.exe"));
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  EXPECT_FALSE(Z.StructureWarning());
  EXPECT_EQ(Z.SFXOffset(), 20000);
  ExpectMatchesZipinfo(Z, Path("sfx.exe"));
}

TEST_F(ListTest, StubInFrontWithoutAdjustedOffsets) {
  Shell(Dir, "cd src && zip -q -r ../plain.zip . && cd .. && head -c 20000 /dev/zero | tr '\\0' 'M' > stub.exe && "
             "cat stub.exe plain.zip > sfx.exe");
  Z.SetZipFileName(Path("sfx.exe"));
  EXPECT_EQ(Z.ErrCode, zmStructureWarning);
  EXPECT_TRUE(Z.StructureWarning());
  EXPECT_EQ(Z.SFXOffset(), 20000);
  TZipBridge Plain(nullptr);
  Plain.SetZipFileName(Path("plain.zip"));
  EXPECT_EQ(Z.CentralDirOffset(), 20000 + Plain.CentralDirOffset());
  ASSERT_EQ(Z.Count(), Plain.Count());
  for (int i = 0; i < Z.Count(); i++) EXPECT_EQ(Z.ZipContents()[size_t(i)]->FileName, Plain.ZipContents()[size_t(i)]->FileName);
}

TEST_F(ListTest, TrailingGarbageGivesNoticeAndListsEverything) {
  Shell(Dir, "cd src && zip -q -r ../t.zip . && printf 'thirty bytes of archive comment' | zip -q -z ../t.zip && "
             "cd .. && printf 'some garbage behind the archive' >> t.zip");
  Z.SetZipFileName(Path("t.zip"));
  EXPECT_EQ(Z.ErrCode, zmGarbageWarning);
  EXPECT_EQ(Z.Message, "Warning - Garbage at the end of the zipfile!");
  EXPECT_EQ(Z.ZipComment(), "thirty bytes of archive comment");
  EXPECT_EQ(Z.Count(), 6);
  ExpectMatchesZipinfo(Z, Path("t.zip"));
}

TEST_F(ListTest, ZeroPaddingToASectorIsNotGarbage) {
  Shell(Dir, "cd src && zip -q -r ../t.zip .");
  std::vector<uint8_t> D = ReadFile(Path("t.zip"));
  size_t Size = D.size();
  ASSERT_NE(Size % 512, 0u);
  D.resize((Size / 512 + 1) * 512, 0);
  WriteFile(Path("padded.zip"), D);
  Z.SetZipFileName(Path("padded.zip"));
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  EXPECT_EQ(Z.Count(), 6);

  // The same length with one byte that is not zero is garbage.
  D.back() = 1;
  WriteFile(Path("dirty.zip"), D);
  Z.ErrCode = 0;
  Z.SetZipFileName(Path("dirty.zip"));
  EXPECT_EQ(Z.ErrCode, zmGarbageWarning);
  EXPECT_EQ(Z.Count(), 6);
}

TEST_F(ListTest, EndRecordOnlyArchive) {
  std::vector<uint8_t> D = {'P', 'K', 5, 6};
  D.resize(22, 0);
  WriteFile(Path("empty.zip"), D);
  Z.SetZipFileName(Path("empty.zip"));
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  EXPECT_EQ(Z.ZipFileName(), Path("empty.zip"));
  EXPECT_EQ(Z.Count(), 0);
  EXPECT_EQ(Z.SFXOffset(), 0);
}

TEST_F(ListTest, SignatureInsideTheCommentDoesNotFoolTheSearch) {
  Shell(Dir, "cd src && zip -q -r ../t.zip .");
  // A comment that carries a complete-looking end record of its own, also
  // with garbage behind the archive.
  std::string Fake = std::string("see PK\x05\x06", 8) + std::string(18, '\0') + "tail";
  std::vector<uint8_t> D = ReadFile(Path("t.zip"));
  D[D.size() - 2] = uint8_t(Fake.size());
  D.insert(D.end(), Fake.begin(), Fake.end());
  WriteFile(Path("fake.zip"), D);
  Z.SetZipFileName(Path("fake.zip"));
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  EXPECT_EQ(Z.Count(), 6);
  EXPECT_EQ(Z.ZipComment(), Fake);

  D.insert(D.end(), {'j', 'u', 'n', 'k'});
  WriteFile(Path("fakejunk.zip"), D);
  Z.SetZipFileName(Path("fakejunk.zip"));
  EXPECT_EQ(Z.ErrCode, zmGarbageWarning);
  EXPECT_EQ(Z.Count(), 6);
  EXPECT_EQ(Z.ZipComment(), Fake);
}

// A cut-off comment: the length field promises more bytes than the file has.
TEST_F(ListTest, CommentRunningPastTheEndIsCutNotOverread) {
  Shell(Dir, "cd src && zip -q -r ../t.zip .");
  for (uint16_t Claimed : {uint16_t(40), uint16_t(65535)}) {
    std::vector<uint8_t> D = ReadFile(Path("t.zip"));
    D[D.size() - 2] = uint8_t(Claimed);
    D[D.size() - 1] = uint8_t(Claimed >> 8);
    for (char C : std::string("only this much")) D.push_back(uint8_t(C));
    WriteFile(Path("cut.zip"), D);
    Z.ErrCode = 0;
    Z.SetZipFileName(Path("cut.zip"));
    EXPECT_EQ(Z.ErrCode, zmStructureWarning) << Claimed;
    EXPECT_EQ(Z.Count(), 6);
    EXPECT_EQ(Z.ZipComment(), "only this much");
  }
}

TEST_F(ListTest, NotAZipArchive) {
  WriteFile(Path("text.zip"), std::string(5000, 'x'));
  Z.SetZipFileName(Path("text.zip"));
  EXPECT_EQ(Z.ErrCode, zmNotValidZip);
  EXPECT_EQ(Z.Message, "This archive is not a valid Zip archive");
  EXPECT_EQ(Z.ZipFileName(), "");
  EXPECT_EQ(Z.Count(), 0);

  // The first volume of a spanned set has no end record.
  std::vector<uint8_t> First = {'P', 'K', 7, 8, 'P', 'K', 3, 4};
  First.resize(3000, 0);
  WriteFile(Path("first.zip"), First);
  Z.SetZipFileName(Path("first.zip"));
  EXPECT_EQ(Z.ErrCode, zmFirstFile);
  ZipEndOfCentral EOC;
  EXPECT_THROW(Z.FindEndOfCentralDir(EOC, true), EZipBridge);
  EXPECT_FALSE(Z.FindEndOfCentralDir(EOC, false));
}

TEST_F(ListTest, MissingArchiveListsNothingAndStillUpdates) {
  int Updates = 0;
  Z.OnDirUpdate = [&](TObject*) { Updates++; };
  Z.SetZipFileName(Path("absent.zip"));
  EXPECT_EQ(Updates, 1);
  EXPECT_EQ(Z.Count(), 0);
  EXPECT_EQ(Z.ErrCode, 0);
}

TEST_F(ListTest, DamagedCentralHeaderIsReported) {
  Shell(Dir, "cd src && zip -q -r ../t.zip .");
  std::vector<uint8_t> D = ReadFile(Path("t.zip"));
  TZipBridge Good(nullptr);
  Good.SetZipFileName(Path("t.zip"));
  D[size_t(Good.CentralDirOffset()) + 1] = 'X';
  WriteFile(Path("bad.zip"), D);
  std::string Shown;
  Z.OnMessage = [&](TObject*, int, const std::string& M) { Shown = M; };
  Z.SetZipFileName(Path("bad.zip"));
  EXPECT_EQ(Z.ErrCode, zmCentralSignature);
  EXPECT_EQ(Shown, "A central header signature is wrong");
  EXPECT_EQ(Z.ZipFileName(), "");
  EXPECT_EQ(Z.Count(), 0);

  // A directory that claims more entries than it holds.
  D = ReadFile(Path("t.zip"));
  D[D.size() - 12] = 200;
  WriteFile(Path("short.zip"), D);
  Z.SetZipFileName(Path("short.zip"));
  EXPECT_EQ(Z.ErrCode, zmReadCentral);
}

TEST_F(ListTest, CountIsZeroOnceTheNameIsCleared) {
  Shell(Dir, "cd src && zip -q -r ../t.zip .");
  Z.SetZipFileName(Path("t.zip"));
  ASSERT_EQ(Z.Count(), 6);
  Z.SetDesigning(true);
  Z.SetZipFileName("");
  EXPECT_EQ(Z.Count(), 0);
  EXPECT_EQ(Z.ZipContents().size(), 6u);
}

TEST_F(ListTest, NamesFollowTheCodePageRule) {
  // 0x81 is "u with diaeresis" in code page 437, 0xFC in Windows-1252.
  std::string Oem = "f\x81r.txt";
  std::vector<TRawEntry> Entries = {
      {Oem, "fat", 0x0014},         // FAT
      {Oem, "hpfs", 0x0614},        // HPFS
      {Oem, "unix", 0x0314},        // Unix
      {Oem, "ntfs50", 0x0B32},      // NTFS, version 5.0
      {Oem, "ntfs20", 0x0B14},      // NTFS, version 2.0
  };
  WriteFile(Path("cp.zip"), MakeZip(Entries));
  std::string Ansi = "f\xFCr.txt";
  struct {
    CodePageOpts Page;
    const char* Expected[5];
  } Cases[] = {
      {cpAuto, {"A", "A", "O", "A", "O"}},
      {cpNone, {"O", "A", "O", "A", "O"}},
      {cpOEM, {"A", "A", "A", "A", "A"}},
  };
  for (const auto& C : Cases) {
    Z.CodePage = C.Page;
    Z.SetZipFileName(Path("cp.zip"));
    ASSERT_EQ(Z.Count(), 5);
    for (int i = 0; i < 5; i++)
      EXPECT_EQ(Z.ZipContents()[size_t(i)]->FileName, C.Expected[i][0] == 'A' ? Ansi : Oem)
          << "code page " << int(C.Page) << " entry " << i;
  }
}

TEST_F(ListTest, ConvertNameCodePageKeepsLengthAndLowCharacters) {
  Z.CodePage = cpOEM;
  std::string Low;
  for (int C = 1; C < 128; C++) Low += char(C);
  EXPECT_EQ(Z.ConvertNameCodePage(Low, false), Low);
  EXPECT_EQ(Z.ConvertNameCodePage(Low, true), Low);
  EXPECT_EQ(Z.ConvertNameCodePage("\x81\x94", false), "\xFC\xF6");
  EXPECT_EQ(Z.ConvertNameCodePage("\xFC\xF6", true), "\x81\x94");
}

class CommentTest : public ListTest {
 protected:
  void Make(const std::string& Extra = "") {
    Shell(Dir, "cd src && zip -q -r ../t.zip . && printf 'the old comment' | zip -q -z ../t.zip" + Extra);
    Z.SetZipFileName(Path("t.zip"));
    ASSERT_EQ(Z.Count(), 6) << Z.Message;
  }
  void ExpectUnzipAgrees(const std::string& Comment) {
    std::string Out;
    ASSERT_EQ(morvtest::RunPeer("unzip -tq " + Quote(HostPath(Path("t.zip"))), &Out), 0) << Out;
    ASSERT_EQ(morvtest::RunPeer("unzip -zq " + Quote(HostPath(Path("t.zip"))) + " | head -c 70000", &Out), 0);
    while (!Out.empty() && Out.back() == '\n') Out.pop_back();
    EXPECT_EQ(Out, Comment);
    TZipBridge Again(nullptr);
    Again.SetZipFileName(Path("t.zip"));
    EXPECT_EQ(Again.ErrCode, 0) << Again.Message;
    EXPECT_EQ(Again.ZipComment(), Comment);
    EXPECT_EQ(Again.Count(), 6);
  }
};

TEST_F(CommentTest, RewriteIsReadByUnzip) {
  Make();
  EXPECT_EQ(Z.ZipComment(), "the old comment");
  Z.SetZipComment("a much longer new comment for this archive");
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  ExpectUnzipAgrees("a much longer new comment for this archive");
  Z.SetZipComment("short");
  ExpectUnzipAgrees("short");
  Z.SetZipComment("");
  EXPECT_EQ(Z.ZipComment(), "");
  ExpectUnzipAgrees("");
}

TEST_F(CommentTest, RewriteDropsGarbageBehindTheArchive) {
  Make(" && printf 'GARBAGE' >> ../t.zip");
  EXPECT_EQ(Z.ErrCode, zmGarbageWarning);
  Z.ErrCode = 0;
  Z.SetZipComment("fresh");
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  ExpectUnzipAgrees("fresh");
}

TEST_F(CommentTest, LongestCommentIsWrittenLongerIsRefused) {
  Make();
  std::string Longest(65535, 'c');
  for (size_t i = 0; i < Longest.size(); i += 61) Longest[i] = 'x';
  Z.SetZipComment(Longest);
  EXPECT_EQ(Z.ErrCode, 0) << Z.Message;
  TZipBridge Again(nullptr);
  Again.SetZipFileName(Path("t.zip"));
  EXPECT_EQ(Again.ZipComment(), Longest);
  std::string Out;
  EXPECT_EQ(morvtest::RunPeer("unzip -tq " + Quote(HostPath(Path("t.zip"))), &Out), 0) << Out;

  std::vector<uint8_t> Before = ReadFile(Path("t.zip"));
  Z.SetZipComment(Longest + "!");
  EXPECT_EQ(Z.ErrCode, zmCommentTooLong);
  EXPECT_EQ(ReadFile(Path("t.zip")), Before);
  EXPECT_EQ(Z.ZipComment(), Longest);
}

TEST_F(CommentTest, WritingWithoutAnArchiveIsReported) {
  std::string Shown;
  Z.OnMessage = [&](TObject*, int, const std::string& M) { Shown = M; };
  Z.SetZipComment("nowhere to go");
  EXPECT_EQ(Z.ErrCode, zmInputMissing);
  EXPECT_EQ(Shown, "Input file does not exist");
  EXPECT_EQ(Z.ZipComment(), "");
}

TEST(ZipBridgeProperties, DefaultsAndSetters) {
  TZipBridge Z(nullptr);
  EXPECT_EQ(Z.AddCompLevel, 9);
  EXPECT_EQ(Z.SFXOptions, 16);
  EXPECT_EQ(Z.PasswordReqCount(), 1u);
  EXPECT_EQ(Z.MinFreeVolumeSize, 65536);
  EXPECT_EQ(Z.SFXPath, "SfxStub.bin");
  EXPECT_EQ(Z.SFXCaption, "Self-extracting Archive");
  EXPECT_EQ(Z.AddStoreSuffixes, 0x7FF);
  EXPECT_EQ(Z.HowToDelete, htdAllowUndo);

  Z.SetPasswordReqCount(20);
  EXPECT_EQ(Z.PasswordReqCount(), 15u);
  Z.SetVersionInfo("9.99");
  EXPECT_EQ(Z.VersionInfo(), "1.60 K");
  Z.SetDLLDirectory("C:\\libs\\");
  EXPECT_EQ(Z.DLLDirectory(), "C:\\libs");
  Z.SetPassword(std::string(300, 'p'));
  EXPECT_EQ(Z.Password().size(), 255u);

  TStringList L;
  L.Add("*.txt");
  Z.SetFSpecArgs(&L);
  L.Add("more");
  EXPECT_EQ(Z.FSpecArgs()->Count(), 1);
}

TEST(ZipBridgeProperties, OwnerDeletesTheComponent) {
  TComponent Owner(nullptr);
  auto* Z = new TZipBridge(&Owner);
  EXPECT_EQ(Owner.ComponentCount(), 1);
  EXPECT_EQ(Owner.Components(0), Z);
}

TEST(ZipBridgeMessages, TableAndFallback) {
  EXPECT_EQ(ZipMsgText(10102), "Error - no zip file specified!");
  EXPECT_EQ(ZipMsgText(10704), "UNZENG.DLL not found!");
  EXPECT_EQ(ZipMsgText(11047), "Central directory");
  EXPECT_EQ(ZipMsgText(10100), "ZipMsgXX.res is probably not linked to the executable\nMissing String ID is: 10100");
  EXPECT_EQ(EZipBridge::CreateResFmtStr(11003, "1:\\").Message(), "Not a valid drive: 1:\\");
  EXPECT_EQ(EZipBridge::CreateResFmtInt(10304, 7).Message(), "Error 7 occurred during Auto SFX creation.");
  TZipBridge Z(nullptr);
  Z.SetZipError(10202, "boom");
  EXPECT_EQ(Z.ErrCode, 10202);
  EXPECT_EQ(Z.Message, "Unknown error in List() function\nboom");
  EXPECT_EQ(Z.LoadZipStr(10154, "x"), "Password");
  EXPECT_EQ(Z.LoadZipStr(10099, "fallback"), "fallback");
}

}  // namespace
