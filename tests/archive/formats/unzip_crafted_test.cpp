// TUnZIP on the old methods of the shared fixtures, on unsupported methods,
// and on archives made byte by byte: bad Deflate data, hostile names and
// offsets, encrypted stored entries.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/core/zipcrypt.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/unzip_util.h"

using namespace unziptest;

namespace {

using morvtest::Join;

struct TFixtureEntry {
  const char* Name;  // as extracted, "/" separated
  uint32_t Size;
  uint32_t Crc;
};

struct TFixture {
  const char* File;
  std::vector<TFixtureEntry> Entries;
};

// Sizes and CRCs as the fixtures' SOURCES.md lists them.
const std::vector<TFixture> kOldMethods = {
    {"fixtures/zip/oldunzip/example-s.zip", {{"S.BIN", 2048, 0x8314ddd9}}},
    {"fixtures/zip/oldunzip/example-r.zip", {{"R.BIN", 2048, 0x8314ddd9}}},
    {"fixtures/zip/oldunzip/example-i.zip", {{"I.BIN", 2048, 0x8314ddd9}}},
    {"fixtures/zip/sharpcompress/Zip.shrink.zip",
     {{"TECT.TXT", 15498, 0x9bd160fa}, {"TEST.EXE", 45056, 0xcfb109c8}, {"TEST.JPG", 40372, 0x088814e3}}},
    {"fixtures/zip/sharpcompress/Zip.implode.zip",
     {{"EXE/TEST.EXE", 45056, 0xcfb109c8}, {"JPG/TEST.JPG", 40372, 0x088814e3}}},
    {"fixtures/zip/sharpcompress/Zip.reduce1.zip",
     {{"TECT.TXT", 15498, 0x9bd160fa}, {"TEST.EXE", 45056, 0xcfb109c8}, {"TEST.JPG", 40372, 0x088814e3}}},
    {"fixtures/zip/sharpcompress/Zip.reduce2.zip",
     {{"TECT.TXT", 15498, 0x9bd160fa}, {"TEST.EXE", 45056, 0xcfb109c8}, {"TEST.JPG", 40372, 0x088814e3}}},
    {"fixtures/zip/sharpcompress/Zip.reduce3.zip",
     {{"TECT.TXT", 15498, 0x9bd160fa}, {"TEST.EXE", 45056, 0xcfb109c8}, {"TEST.JPG", 40372, 0x088814e3}}},
    {"fixtures/zip/sharpcompress/Zip.reduce4.zip",
     {{"TECT.TXT", 15498, 0x9bd160fa}, {"TEST.EXE", 45056, 0xcfb109c8}, {"TEST.JPG", 40372, 0x088814e3}}},
};

TEST(UnzipFixtures, OldMethodsExtractWithTheirSizesAndCrcs) {
  const std::string Root = morvtest::TempDir();
  int n = 0;
  for (const TFixture& F : kOldMethods) {
    SCOPED_TRACE(F.File);
    const std::string Out = Join(Root, std::to_string(++n));
    TUnZIP U(nullptr);
    TRunLog Log;
    Log.Attach(U);
    U.SetArchiveFile(morvtest::SharedPath(F.File));
    U.FileSpec()->Add("*.*");
    U.SetExtractDir(Out);
    const int Count = U.Extract();
    EXPECT_TRUE(Log.Errors.empty()) << Log.Errors[0].Code;
    EXPECT_GE(Count, int(F.Entries.size()));
    for (const TFixtureEntry& E : F.Entries) {
      const std::vector<uint8_t> Data = morvtest::ReadFile(Join(Out, E.Name));
      EXPECT_EQ(Data.size(), E.Size) << E.Name;
      EXPECT_EQ(Crc32Of(Data), E.Crc) << E.Name;
      EXPECT_TRUE(Log.Passed(E.Name));
    }
    TUnZIP T(nullptr);
    TRunLog TestLog;
    TestLog.Attach(T);
    T.SetArchiveFile(morvtest::SharedPath(F.File));
    T.FileSpec()->Add("*.*");
    EXPECT_EQ(T.TestArchive(), Count);
    EXPECT_TRUE(TestLog.Errors.empty());
  }
}

TEST(UnzipFixtures, Deflate64IsUnsupportedEntryByEntry) {
  TUnZIP U(nullptr);
  TRunLog Log;
  Log.Attach(U);
  U.SetArchiveFile(morvtest::SharedPath("fixtures/zip/sharpcompress/Zip.deflate64.zip"));
  U.FileSpec()->Add("*.*");
  EXPECT_EQ(U.TestArchive(), 0);
  // Three deflate64 files: each one reports and the next is still tried.
  EXPECT_EQ(Log.Codes(), (std::vector<int>{errBadMethod, errBadMethod, errBadMethod}));
  ASSERT_EQ(Log.Ends.size(), 3u);
  for (const auto& E : Log.Ends) EXPECT_FALSE(E.second);
  EXPECT_EQ(std::string(E_RAISE(errBadMethod).what()), "Unsupported compression method");
}

class UnzipCrafted : public ::testing::Test {
 protected:
  void SetUp() override { Root = morvtest::TempDir(); }

  // Writes the archive and extracts (or tests) it with every entry
  // selected; Log has what was reported.
  int Run(const std::vector<TRawEntry>& Entries, bool Test = false, std::function<void(TUnZIP&)> Setup = {},
          std::function<void(std::vector<uint8_t>&)> Patch = {}) {
    Arc = Join(Root, "c" + std::to_string(++FCount) + ".zip");
    std::vector<uint8_t> Zip = BuildZip(Entries);
    if (Patch) Patch(Zip);
    morvtest::WriteFile(Arc, Zip);
    Out = Join(Root, "out" + std::to_string(FCount));
    TUnZIP U(nullptr);
    Log = TRunLog();
    Log.Attach(U);
    U.SetArchiveFile(Arc);
    U.FileSpec()->Add("*.*");
    U.SetExtractDir(Out);
    if (Setup) Setup(U);
    return Test ? U.TestArchive() : U.Extract();
  }

  std::string Root, Arc, Out;
  TRunLog Log;

 private:
  int FCount = 0;
};

TEST_F(UnzipCrafted, UnsupportedMethodsReportAndTheNextEntryGoesOn) {
  struct TCase {
    uint16_t Method;
    uint16_t Flags;
    const char* Label;
  };
  // WinZip AES entries carry the encryption flag: still no password question.
  for (const TCase& C : {TCase{7, 0, "Tokenized"}, TCase{9, 0, "Deflate64"}, TCase{12, 0, "BZip2"},
                         TCase{14, 0, "LZMA"}, TCase{99, 1, "AES"}, TCase{200, 0, "method 200"}}) {
    SCOPED_TRACE(C.Method);
    TRawEntry Bad = StoredEntry("bad.bin", Bytes("whatever, twelve bytes and more"));
    Bad.Method = C.Method;
    Bad.Flags = C.Flags;
    EXPECT_EQ(Run({Bad, StoredEntry("next.txt", Bytes("next entry"))}), 1);
    ASSERT_EQ(Log.Codes(), std::vector<int>{errBadMethod});
    EXPECT_EQ(Log.Errors[0].MsgEx, C.Label);
    EXPECT_FALSE(FileExists(Join(Out, "bad.bin"))) << "no empty or partial file";
    EXPECT_FALSE(Log.Passed("bad.bin"));
    EXPECT_TRUE(Log.Passed("next.txt"));
    EXPECT_EQ(morvtest::ReadFile(Join(Out, "next.txt")), Bytes("next entry"));
  }
}

// Left at its defaults, the extractor finds an archive with a comment by its
// central directory (the local headers of a streamed entry hold no sizes).
TEST_F(UnzipCrafted, CommentedArchiveExtractsWithTheDefaults) {
  const std::string Comment = "Archive comment, as zip -z writes it.";
  auto Patch = [&](std::vector<uint8_t>& Zip) {
    PutLE16(Zip.data() + 6, zgDataDescriptor);
    for (int i = 14; i < 26; i++) Zip[size_t(i)] = 0;
    PutLE16(Zip.data() + Zip.size() - 2, uint16_t(Comment.size()));
    Zip.insert(Zip.end(), Comment.begin(), Comment.end());
  };
  EXPECT_EQ(Run({StoredEntry("a.txt", Bytes("first entry")), StoredEntry("b.txt", Bytes("second entry"))}, false, {},
                Patch),
            2);
  EXPECT_TRUE(Log.Errors.empty()) << Log.Errors[0].Code;
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "a.txt")), Bytes("first entry"));
}

// Names flagged as UTF-8 (bit 11) come out in ANSI, "_" where a character
// has none; names without the flag stay OEM.
TEST_F(UnzipCrafted, Utf8NamesBecomeAnsi) {
  TRawEntry Utf8 = StoredEntry("caf\xC3\xA9/\xE6\x97\xA5 \xE2\x82\xAC.txt", Bytes("utf-8"));
  Utf8.Flags = zgUtf8;
  TRawEntry Oem = StoredEntry("\x82t\x82.txt", Bytes("oem"));
  EXPECT_EQ(Run({Utf8, Oem}), 2);
  EXPECT_TRUE(Log.Errors.empty());
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "caf\xE9/_ \x80.txt")), Bytes("utf-8"));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "\xE9t\xE9.txt")), Bytes("oem"));
}

// Deflate streams that must fail through the extractor with the decoder's
// error, followed by a sound entry that must still come out.
TEST_F(UnzipCrafted, BadDeflateStreamsGiveTheirErrors) {
  struct TCase {
    const char* Name;
    std::function<void(TBitOut&)> Make;
    int Error;
  };
  const std::vector<TCase> Cases = {
      {"stored block with a bad NLEN",
       [](TBitOut& W) {
         W.Bits(1, 1);
         W.Bits(0, 2);
         W.Align();
         W.Bits(3, 16);
         W.Bits(uint16_t(~3 ^ 0x0400), 16);
         W.Bits('a', 8);
         W.Bits('b', 8);
         W.Bits('c', 8);
       },
       errBadBlock},
      {"block type 3",
       [](TBitOut& W) {
         W.Bits(1, 1);
         W.Bits(3, 2);
       },
       errBadBlock},
      {"HLIT of 288 with symbol 286 in use",
       [](TBitOut& W) {
         TDynamicBlock B(W, true, LitLens(288, true), {1, 1});
         B.Lit('x');
         B.Lit(286);
       },
       25138},
      {"all-zero distance code used by a match",
       [](TBitOut& W) {
         TDynamicBlock B(W, true, LitLens(286), {0});
         B.Lit('x');
         B.Lit(257);
         W.Bits(0, 16);
       },
       25138},
      {"input ending inside a block",
       [](TBitOut& W) {
         W.Bits(0, 1);
         W.Bits(0, 2);
         W.Align();
         W.Bits(10, 16);
         W.Bits(uint16_t(~10), 16);
       },
       errBadBlock},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TBitOut W;
    C.Make(W);
    std::vector<uint8_t> Stream = W.Bytes();
    Stream.resize(Stream.size() + 8, 0);
    for (bool Test : {false, true}) {
      EXPECT_EQ(Run({PackedEntry("bad.bin", 8, Stream, Bytes("abc")), StoredEntry("ok.txt", Bytes("fine"))}, Test),
                1);
      ASSERT_EQ(Log.Codes(), std::vector<int>{C.Error});
      EXPECT_NE(Log.Errors[0].FN.find("bad.bin"), std::string::npos);
      EXPECT_FALSE(Log.Passed("bad.bin"));
      EXPECT_TRUE(Log.Passed("ok.txt"));
    }
  }
}

TEST_F(UnzipCrafted, DeflateEdgeStreamsDecode) {
  struct TCase {
    const char* Name;
    std::function<void(TBitOut&)> Make;
    std::string Plain;
  };
  const std::vector<TCase> Cases = {
      {"single distance code of one bit",
       [](TBitOut& W) {
         TDynamicBlock B(W, true, LitLens(286), {0, 0, 0, 1});
         for (char Ch : std::string("abcd")) B.Lit(uint8_t(Ch));
         B.Lit(258);  // length 4
         B.Dist(3);   // distance 4
         B.Lit(256);
       },
       "abcdabcd"},
      {"288 literal and 32 distance codes declared",
       [](TBitOut& W) {
         std::vector<uint8_t> Dist(32, 0);
         Dist[0] = Dist[1] = 1;
         TDynamicBlock B(W, true, LitLens(288), Dist);
         B.Lit('z');
         B.Lit(257);
         B.Dist(0);
         B.Lit(256);
       },
       "zzzz"},
      {"last block stored and empty",
       [](TBitOut& W) {
         W.Bits(0, 1);
         W.Bits(0, 2);
         W.Align();
         W.Bits(2, 16);
         W.Bits(uint16_t(~2), 16);
         W.Bits('o', 8);
         W.Bits('k', 8);
         W.Bits(1, 1);
         W.Bits(0, 2);
         W.Align();
         W.Bits(0, 16);
         W.Bits(0xFFFF, 16);
       },
       "ok"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TBitOut W;
    C.Make(W);
    EXPECT_EQ(Run({PackedEntry("e.bin", 8, W.Bytes(), Bytes(C.Plain))}), 1);
    EXPECT_TRUE(Log.Errors.empty());
    EXPECT_TRUE(Log.Passed("e.bin"));
    EXPECT_EQ(morvtest::ReadFile(Join(Out, "e.bin")), Bytes(C.Plain));
  }
}

// A stored size or CRC that does not match the data is a failure, never a
// pass.
TEST_F(UnzipCrafted, HeaderThatLiesFails) {
  TRawEntry Crc = StoredEntry("crc.txt", Bytes("some text"));
  Crc.Crc ^= 1;
  TRawEntry Size = StoredEntry("size.txt", Bytes("some text"));
  Size.Unpacked += 1;
  TRawEntry Empty = StoredEntry("empty.txt", {});
  for (bool WithEnd : {true, false}) {
    EXPECT_EQ(Run({Crc, Size, Empty}, false, [&](TUnZIP& U) {
                if (!WithEnd) U.OnEnd = nullptr;
              }),
              1);
    if (WithEnd) {
      EXPECT_TRUE(Log.Errors.empty());
      EXPECT_FALSE(Log.Passed("crc.txt"));
      EXPECT_FALSE(Log.Passed("size.txt"));
      EXPECT_TRUE(Log.Passed("empty.txt"));
    } else {
      EXPECT_EQ(Log.Codes(), (std::vector<int>{errCrcCheck, errCrcCheck}));
    }
  }
}

// Stored names never lead out of ExtractDir.
TEST_F(UnzipCrafted, NamesStayInsideExtractDir) {
  const std::vector<std::pair<std::string, std::string>> Names = {
      {"../evil1.txt", "evil1.txt"},
      {"../../evil2.txt", "evil2.txt"},
      {"/abs/evil3.txt", "abs/evil3.txt"},
      {"C:\\win\\evil4.txt", "win/evil4.txt"},
      {"a/../../evil5.txt", "a/evil5.txt"},
      {"..\\..\\evil6.txt", "evil6.txt"},
  };
  std::vector<TRawEntry> Entries;
  for (const auto& N : Names) Entries.push_back(StoredEntry(N.first, Bytes(N.first)));
  EXPECT_EQ(Run(Entries), int(Names.size()));
  for (const auto& N : Names) EXPECT_EQ(morvtest::ReadFile(Join(Out, N.second)), Bytes(N.first)) << N.first;
  std::string Found;
  morvtest::RunPeer("find '" + morvtest::HostPath(Root) + "/..' -name 'evil[1-6].txt' | grep -v '/out'", &Found);
  EXPECT_EQ(Found, "");
}

// Offsets and lengths from the directory are checked against the file.
TEST_F(UnzipCrafted, BadOffsetsAreReportedAndSkipped) {
  TRawEntry Far = StoredEntry("far.txt", Bytes("far"));
  Far.LocalOffsetOverride = 0x7FFFFFF0;
  TRawEntry Wrong = StoredEntry("wrong.txt", Bytes("wrong"));
  Wrong.LocalOffsetOverride = 1;
  TRawEntry Huge = StoredEntry("huge.txt", Bytes("huge"));
  EXPECT_EQ(Run({Far, Wrong, StoredEntry("good.txt", Bytes("good"))}), 1);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25248, 25248}));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "good.txt")), Bytes("good"));

  // A packed size past the end of the file: the copy ends short and fails.
  std::vector<uint8_t> Z = BuildZip({Huge});
  Z[18] = Z[19] = Z[20] = 0x7F;  // local packed size
  const size_t Central = Z.size() - 22 - 46 - Huge.Name.size();
  Z[Central + 20] = Z[Central + 21] = Z[Central + 22] = 0x7F;
  Arc = Join(Root, "huge.zip");
  morvtest::WriteFile(Arc, Z);
  TUnZIP U(nullptr);
  TRunLog L;
  L.Attach(U);
  U.SetArchiveFile(Arc);
  U.FileSpec()->Add("*.*");
  EXPECT_EQ(U.TestArchive(), 0);
  EXPECT_FALSE(L.Passed("huge.txt"));
}

// Encrypted stored entries, among them one of only the 12-byte header.
TEST_F(UnzipCrafted, EncryptedStoredEntries) {
  auto Encrypt = [](const std::string& Name, const std::vector<uint8_t>& Plain) {
    TRawEntry E = StoredEntry(Name, Plain);
    uint8_t Head[ZipEncryptHeaderSize];
    ZipMakeEncryptHeader("pw", E.Crc, Head);
    std::vector<uint8_t> Data(Head, Head + ZipEncryptHeaderSize);
    std::vector<uint8_t> Body = Plain;
    ZipEncryptBuffer(Body.data(), Body.size());
    Data.insert(Data.end(), Body.begin(), Body.end());
    E.Data = Data;
    E.Flags = zgEncrypted;
    return E;
  };
  EXPECT_EQ(Run({Encrypt("empty.txt", {}), Encrypt("text.txt", Bytes("secret text"))}, false,
                [](TUnZIP& U) { U.Passwords()->Add("pw"); }),
            2);
  EXPECT_TRUE(Log.Errors.empty());
  EXPECT_TRUE(FileExists(Join(Out, "empty.txt")));
  EXPECT_TRUE(morvtest::ReadFile(Join(Out, "empty.txt")).empty());
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "text.txt")), Bytes("secret text"));
}

// Cancel set during a run ends it quietly after the current entry.
TEST_F(UnzipCrafted, CancelEndsTheRun) {
  std::vector<TRawEntry> Entries;
  for (int i = 0; i < 4; ++i) Entries.push_back(StoredEntry("f" + std::to_string(i) + ".txt", Bytes("data")));
  EXPECT_EQ(Run(Entries, false,
                [](TUnZIP& U) {
                  U.OnEnd = [&U](TObject*, const std::string&, bool) { SetComponentCancel(&U, true); };
                }),
            1);
  EXPECT_TRUE(Log.Errors.empty());
  EXPECT_EQ(Log.Begins.size(), 1u);
  EXPECT_FALSE(FileExists(Join(Out, "f1.txt")));
}

}  // namespace
