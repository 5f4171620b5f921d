#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "archive/core/arcerrors.h"
#include "archive/core/arctables.h"
#include "archive/core/arcutil.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
#include "tests/support/testsupport.h"

namespace {

struct TWildCase {
  const char* Name;
  const char* Mask;
  bool NameParts;
  bool Match;
};

TEST(CompareWildcard, Masks) {
  const TWildCase cases[] = {
      {"readme", "*.", false, true},
      {"read.me", "*.", false, false},
      {"a.txt", "*.*", false, true},
      {"readme", "*.*", false, true},
      {"a", "??", false, false},
      {"ab", "??", false, true},
      {"A.TXT", "*.txt", false, true},
      {"a.txt.bak", "*.txt", false, false},
      {"report1999.doc", "rep*9.d?c", false, true},
      {"docs\\a.txt", "*.txt", false, true},
      {"docs\\a.txt", "a.txt", false, false},
      {"docs\\a.txt", "a.txt", true, true},
      {"docs\\a.txt", "c:\\x\\a.*", true, true},
      {"abc", "a*b*c*d", false, false},
      {"", "*", false, true},
      {"x", "", false, false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*a*c", false, false},
  };
  for (const TWildCase& c : cases)
    EXPECT_EQ(CompareWildcard(c.Name, c.Mask, c.NameParts), c.Match) << c.Name << " ~ " << c.Mask;
}

TEST(ArcUtil, OctalFields) {
  std::string f = IntToOctalField(8, 8, true);
  EXPECT_EQ(f, std::string("    10 \0", 8));
  EXPECT_EQ(IntToOctalField(0755, 7, false), "    755");
  EXPECT_EQ(IntToOctalField(01234567, 4, false), "7777") << "too large for the field";
  EXPECT_EQ(OctalToInt("  0000644 \0"), 0644);
  EXPECT_EQ(OctalToInt("1 2x9"), 012);
  EXPECT_EQ(OctalToInt(""), 0);
  EXPECT_EQ(OctalToInt(IntToOctalField(123456789, 12, true)), 123456789);
}

TEST(ArcUtil, DosDates) {
  EXPECT_EQ(FileDateToDateTimeDef(0), 29221.0);
  EXPECT_EQ(FileDateToDateTimeDef(int(0xFFFFFFFF)), 29221.0) << "month 15 is no date";
  // 1999-12-31 23:59:58
  int dos = (19 << 25) | (12 << 21) | (31 << 16) | (23 << 11) | (59 << 5) | 29;
  EXPECT_DOUBLE_EQ(FileDateToDateTimeDef(dos), EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 0));
}

// Unix times are UTC; our dates are local. The conversion goes through the
// time-zone bias in minutes both ways, so it round-trips to the second.
TEST(ArcUtil, UnixTimesRoundTripThroughUtc) {
  const int64_t bias = GetTimeZoneBiasMinutes();
  const TDateTime local = EncodeDate(2001, 6, 15) + EncodeTime(13, 45, 30, 0);
  const int64_t asIfUtc = (int64_t(EncodeDate(2001, 6, 15)) - 25569) * 86400 + 13 * 3600 + 45 * 60 + 30;
  EXPECT_EQ(LocalDateTimeToUnix(local), asIfUtc + bias * 60);
  for (int64_t t : {int64_t(1), int64_t(315532800), int64_t(946684799), int64_t(1700000000), int64_t(4102444800)}) {
    TDateTime d = UnixToLocalDateTime(t);
    EXPECT_EQ(LocalDateTimeToUnix(d), t) << t;
  }
  EXPECT_EQ(UnixToLocalDateTime(0), 29221.0);
  double secs = (UnixToLocalDateTime(1000000000) - 25569.0) * 86400.0;
  EXPECT_NEAR(secs, 1000000000.0 - double(bias) * 60, 0.001);
}

TEST(ArcUtil, Percentages) {
  const int64_t cases[][3] = {
      {1, 3, 33},     {2, 3, 67},       {5, 0, 0},      {-1, 10, 0},           {11, 10, 100},
      {1, 200, 0},    {3, 200, 2},      {5, 200, 2},    {1, 8, 12},            {3, 8, 38},
      {50000000, 100000000, 50}, {3000000000LL, 4000000000LL, 75}, {21474837, 21474837 * 2, 50},
  };
  for (auto& c : cases) EXPECT_EQ(CalcPercent(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
}

TEST(ArcUtil, NamesAndTokens) {
  EXPECT_EQ(ExtDotOffset("a.b.txt"), 3u);
  EXPECT_EQ(ExtDotOffset("dir.x\\name"), 10u);
  EXPECT_EQ(ExtDotOffset("name"), 4u);
  EXPECT_EQ(AppendBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(AppendBackslash(""), "");
  EXPECT_EQ(RemoveBackslash("C:\\x\\"), "C:\\x");
  EXPECT_EQ(OemToAnsiStr("a/b\x81"), "a\\b\xFC");
  EXPECT_EQ(AnsiToOemStr("a/b\xFC"), "a\\b\x81");
  EXPECT_TRUE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0123"));
  EXPECT_FALSE(IsAllDigits("12a"));
  std::string src = "one;two;three";
  EXPECT_EQ(CutToken(src, ";"), "one");
  EXPECT_EQ(src, "two;three");
  EXPECT_EQ(CutToken(src, "|"), "two;three");
  EXPECT_EQ(src, "");
  EXPECT_EQ(SwapWords(0x12345678u), 0x56781234u);
  EXPECT_TRUE(IsCompressSignature(0x8B1F));
  EXPECT_FALSE(IsCompressSignature(0x4B50));
  EXPECT_TRUE(IsPlainFile(0x20));
  EXPECT_FALSE(IsPlainFile(0x21));
  EXPECT_EQ(ShiftStringChars(ShiftStringChars("Quill\xFF", 3, false), 3, true), "Quill\xFF");
  uint8_t lz[8] = {'a', 'b', 0, 0, 0, 0, 0, 0};
  CopyBytes(lz, lz + 2, 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(lz), 8), "abababab");
}

TEST(ArcUtil, FoldersAndStrings) {
  std::string dir = morvtest::TempDir();
  EXPECT_TRUE(ForceDirs(dir + "\\a\\b\\c\\"));
  EXPECT_TRUE(DirectoryExists(dir + "/a/b/c"));
  EXPECT_TRUE(DirExists(""));
  EXPECT_FALSE(DirExists(dir + "/nope"));
  try {
    ForceDirs("");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to create directory");
  }
  morvtest::WriteFile(dir + "/a/f1.txt", std::string("x"));
  EXPECT_TRUE(FileMatchExists(dir + "/a/*.txt"));
  EXPECT_FALSE(FileMatchExists(dir + "/a/*.doc"));
  EXPECT_FALSE(FileMatchExists(dir + "/a/b")) << "a folder is no file";

  TMemoryStream m;
  m.WriteBuffer("first\0second\0", 13);
  int64_t pos = 0;
  EXPECT_EQ(ReadZStringAt(m, pos), "first");
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(ReadZStringAt(m, pos), "second");
  EXPECT_EQ(pos, 13);
  EXPECT_EQ(ReadZStringAt(m, pos), "");
  EXPECT_EQ(ReadStringAt(m, 2, 3), "rst");
  EXPECT_EQ(ReadStringAt(m, 10, 100), std::string("nd\0", 3));
}

TEST(ArcTables, NamesAndMessages) {
  for (int t = 0; t < ArcTypeCount; t++) EXPECT_EQ(std::strlen(ArcTypeNames[t]), 10u) << t;
  EXPECT_STREQ(ArcTypeNames[atBhExe], "BH  SFX   ");
  EXPECT_STREQ(ArcTypeNames[atMsGZ], "MsGZ     \t");
  EXPECT_STREQ(ArcTypeNames[atZoo], "ZOO       ");
  EXPECT_STREQ(ArcExtensions[ArcExtJarIndex], ".JAR");
  EXPECT_STREQ(ArcExtensions[18], ".ACE");

  struct {
    TArcType T;
    int Method;
    uint16_t Flags;
    uint16_t Sig;
    const char* Name;
  } const methods[] = {
      {atZip, 8, 6, 0, "DeflateS"}, {atZip, 8, 4, 0, "DeflateF"},  {atJar, 8, 2, 0, "DeflateX"},
      {atZipMV, 8, 0, 0, "DeflateN"}, {atZip, 5, 0, 0, "Reduce-4"}, {atZip, 9, 0, 0, "Unknown"},
      {atBh, 1, 0, 0, "Fused"},     {atBhExe, 8, 6, 0, "DeflateS"}, {atLha, '5', 0, 0, "Frozen-5"},
      {atLzhExe, '0', 0, 0, "Stored"}, {atLha, 'x', 0, 0, "Unknown"}, {atArj, 4, 0, 0, "Fastest"},
      {atArc, 7, 0, 0, "crunched"}, {atArc, 8, 0, 0, "Crunched"}, {atPak, 9, 0, 0, "VARIBLE"},
      {atPak, 0, 0, 0, "Unknown"},  {atACE, 5, 0, 0, "Lzw"},       {atRarExe, 3, 0, 0, "Normal"},
      {atCab, 0x1503, 0, 0, "Lzx"}, {atGZip, 8, 0, 0, "Deflate"},  {atGZip, 144, 0, 0, "LzwMAGIC"},
      {atGZip, 5, 0, 0x1E1F, "PackMAGIC"}, {atGZip, 5, 0, 0xA01F, "LzhMAGIC"}, {atZoo, 2, 0, 0, "Greatest"},
      {atTar, 0, 0, 0, "Tarred"},   {atHa, 0, 0, 0, "Unknown"},    {atHa, 4, 0, 0, "Dir"},
      {atUue, 0, 0, 0, "Unknown"},
  };
  for (auto& m : methods) EXPECT_EQ(MethodName(m.T, m.Method, m.Flags, m.Sig), m.Name) << int(m.T) << "/" << m.Method;

  EXPECT_EQ(ArcMessage(25136), "Error writing to file");
  EXPECT_EQ(ArcMessage(25102), "File is read-only");
  EXPECT_EQ(ArcMessage(26899), "Directory does not exist... Create?");
  EXPECT_EQ(ArcMessage(25248), "Inconsistant local header");
  EXPECT_EQ(ArcMessage(25101), "");
  EXPECT_EQ(E_RAISE(25172).Message(), "File not found");
}

}  // namespace
