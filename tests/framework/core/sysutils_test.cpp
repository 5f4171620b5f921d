#include "framework/core/sysutils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "framework/core/os.h"
#include "tests/support/testsupport.h"

namespace {

const std::string D(1, PathDelim);

TEST(Paths, SplitAndJoin) {
  struct {
    std::string Name, Path, Dir, File, Ext, Drive;
  } const Cases[] = {
      {"C:" + D + "dir" + D + "file.txt", "C:" + D + "dir" + D, "C:" + D + "dir", "file.txt", ".txt", "C:"},
      {"C:" + D + "file.tar.gz", "C:" + D, "C:" + D, "file.tar.gz", ".gz", "C:"},
      {"C:file", "C:", "C:", "file", "", "C:"},
      {"dir.v2" + D + "noext", "dir.v2" + D, "dir.v2", "noext", "", ""},
      {D + "root.", D, D, "root.", ".", ""},
      {"plain", "", "", "plain", "", ""},
      {D + D + "server" + D + "share" + D + "f.zip", D + D + "server" + D + "share" + D,
       D + D + "server" + D + "share", "f.zip", ".zip", D + D + "server" + D + "share"},
      {"", "", "", "", "", ""},
  };
  for (const auto& C : Cases) {
    EXPECT_EQ(ExtractFilePath(C.Name), C.Path) << C.Name;
    EXPECT_EQ(ExtractFileDir(C.Name), C.Dir) << C.Name;
    EXPECT_EQ(ExtractFileName(C.Name), C.File) << C.Name;
    EXPECT_EQ(ExtractFileExt(C.Name), C.Ext) << C.Name;
    EXPECT_EQ(ExtractFileDrive(C.Name), C.Drive) << C.Name;
  }
  EXPECT_EQ(ChangeFileExt("a" + D + "b.tar.gz", ".tgz"), "a" + D + "b.tar.tgz");
  EXPECT_EQ(ChangeFileExt("a.dir" + D + "b", ".zip"), "a.dir" + D + "b.zip");
  EXPECT_EQ(ChangeFileExt("b.zip", ""), "b");
  EXPECT_EQ(IncludeTrailingBackslash("x"), "x" + D);
  EXPECT_EQ(IncludeTrailingBackslash("x" + D), "x" + D);
  EXPECT_EQ(IncludeTrailingBackslash(""), D);
  EXPECT_EQ(ExcludeTrailingBackslash("x" + D), "x");
  EXPECT_EQ(ExcludeTrailingBackslash("x"), "x");
  EXPECT_TRUE(IsPathDelimiter("a" + D, 1));
  EXPECT_FALSE(IsPathDelimiter("a" + D, 2));
}

#ifndef _WIN32
TEST(Paths, NativeAcceptsBackslashes) {
  EXPECT_EQ(ExtractFileName("dir\\sub/file.txt"), "file.txt");
  EXPECT_EQ(ExtractFilePath("dir\\sub\\file.txt"), "dir\\sub\\");
  std::string Dir = morvtest::TempDir();
  std::string Win = Dir + "\\made\\deep";
  ASSERT_TRUE(ForceDirectories(Win));
  EXPECT_TRUE(DirectoryExists(Dir + "/made/deep"));
}
#endif

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = IncludeTrailingBackslash(morvtest::TempDir());
    OldDir = GetCurrentDir();
  }
  void TearDown() override { SetCurrentDir(OldDir); }
  std::string Dir, OldDir;
};

TEST_F(FilesTest, FolderAndFileRoutines) {
  std::string Deep = Dir + "a" + D + "b" + D + "c";
  EXPECT_TRUE(ForceDirectories(Deep + D));
  EXPECT_TRUE(DirectoryExists(Deep));
  EXPECT_TRUE(ForceDirectories(Deep));
  EXPECT_FALSE(FileExists(Deep));
  EXPECT_FALSE(CreateDir(Deep));
  EXPECT_FALSE(ForceDirectories(""));

  std::string F = Deep + D + "f.txt";
  morvtest::WriteFile(F, std::string("12345"));
  EXPECT_TRUE(FileExists(F));
  EXPECT_FALSE(DirectoryExists(F));
  EXPECT_EQ(GetFileSize64(F), 5);
  EXPECT_EQ(GetFileSize64(Deep), -1);
  EXPECT_EQ(GetFileSize64(F + ".none"), -1);

  morvtest::WriteFile(Deep + D + "g.txt", std::string("x"));
  EXPECT_FALSE(RenameFile(F, Deep + D + "g.txt"));  // never replaces
  EXPECT_TRUE(RenameFile(F, Deep + D + "h.txt"));
  EXPECT_FALSE(FileExists(F));
  EXPECT_FALSE(RemoveDir(Deep));  // not empty
  EXPECT_TRUE(DeleteFile(Deep + D + "g.txt"));
  EXPECT_TRUE(DeleteFile(Deep + D + "h.txt"));
  EXPECT_FALSE(DeleteFile(Deep + D + "h.txt"));
  EXPECT_TRUE(RemoveDir(Deep));
  EXPECT_FALSE(DirectoryExists(Deep));
}

TEST_F(FilesTest, CurrentFolderAndExpandFileName) {
  ASSERT_TRUE(SetCurrentDir(Dir));
  std::string Cur = IncludeTrailingBackslash(GetCurrentDir());
  EXPECT_TRUE(SameText(Cur, Dir)) << Cur << " vs " << Dir;
  EXPECT_EQ(ExpandFileName("x" + D + ".." + D + "y.txt"), Cur + "y.txt");
  EXPECT_EQ(ExpandFileName("." + D + "z" + D), Cur + "z" + D);
  EXPECT_EQ(ExpandFileName(Cur + "p" + D + "q" + D + ".." + D + "r"), Cur + "p" + D + "r");
  EXPECT_FALSE(SetCurrentDir(Dir + "missing"));
}

TEST_F(FilesTest, AttributesReadOnlyAndMissing) {
  std::string F = Dir + "ro.txt";
  morvtest::WriteFile(F, std::string("x"));
  int A = FileGetAttr(F);
  ASSERT_NE(A, -1);
  EXPECT_FALSE(A & faDirectory);
  EXPECT_FALSE(A & faReadOnly);
  EXPECT_EQ(FileSetAttr(F, A | faReadOnly), 0);
  EXPECT_TRUE(FileGetAttr(F) & faReadOnly);
  EXPECT_EQ(FileSetAttr(F, A & ~faReadOnly), 0);
  EXPECT_FALSE(FileGetAttr(F) & faReadOnly);
  EXPECT_TRUE(FileGetAttr(Dir) & faDirectory);
  EXPECT_EQ(FileGetAttr(Dir + "none"), -1);
  EXPECT_NE(FileSetAttr(Dir + "none", 0), 0);
}

// The extractor marks a file read-only through its still open handle: what
// is written afterwards must land, and the bit must stay after closing.
TEST_F(FilesTest, AttributesThroughAnOpenHandle) {
  std::string F = Dir + "hro.txt";
  {
    TFileStream S(F, fmCreate);
    S.Write("ab", 2);
    ASSERT_EQ(FileSetAttr(S.Handle(), faReadOnly), 0);
    S.Write("cd", 2);
  }
  EXPECT_EQ(morvtest::ReadFile(F), std::vector<uint8_t>({'a', 'b', 'c', 'd'}));
  EXPECT_TRUE(FileGetAttr(F) & faReadOnly);
  EXPECT_EQ(FileSetAttr(F, 0), 0);
}

std::vector<std::string> Found(const std::string& Pattern, int Attr) {
  std::vector<std::string> Names;
  TSearchRec F;
  for (int R = FindFirst(Pattern, Attr, F); R == 0; R = FindNext(F)) Names.push_back(F.Name);
  FindClose(F);
  std::sort(Names.begin(), Names.end());
  return Names;
}

TEST_F(FilesTest, FindFirstFiltersByAttributeAndPattern) {
  morvtest::WriteFile(Dir + "a.txt", std::string("aaa"));
  morvtest::WriteFile(Dir + "b.dat", std::string("b"));
  morvtest::WriteFile(Dir + "noext", std::string(""));
  morvtest::WriteFile(Dir + ".hid", std::string("h"));
#ifdef _WIN32
  ASSERT_EQ(FileSetAttr(Dir + ".hid", faHidden), 0);
#endif
  ASSERT_TRUE(CreateDir(Dir + "sub"));
  using V = std::vector<std::string>;
  EXPECT_EQ(Found(Dir + "*", 0), (V{"a.txt", "b.dat", "noext"}));
  EXPECT_EQ(Found(Dir + "*.*", 0), (V{"a.txt", "b.dat", "noext"}));
  EXPECT_EQ(Found(Dir + "*", faDirectory), (V{".", "..", "a.txt", "b.dat", "noext", "sub"}));
  EXPECT_EQ(Found(Dir + "*", faHidden), (V{".hid", "a.txt", "b.dat", "noext"}));
  EXPECT_EQ(Found(Dir + "*", faAnyFile), (V{".", "..", ".hid", "a.txt", "b.dat", "noext", "sub"}));
  EXPECT_EQ(Found(Dir + "*.TXT", faAnyFile), (V{"a.txt"}));
  EXPECT_EQ(Found(Dir + "?.*", 0), (V{"a.txt", "b.dat"}));
  EXPECT_EQ(Found(Dir + "s*", 0), V{});
  EXPECT_EQ(Found(Dir + "s*", faDirectory), (V{"sub"}));

  TSearchRec F;
  ASSERT_EQ(FindFirst(Dir + "a.txt", faAnyFile, F), 0);
  EXPECT_EQ(F.Name, "a.txt");
  EXPECT_EQ(F.Size, 3);
  EXPECT_TRUE(F.Attr & faArchive);
  EXPECT_EQ(F.Time, FileAge(Dir + "a.txt"));
  EXPECT_NE(FindNext(F), 0);
  FindClose(F);
  ASSERT_EQ(FindFirst(Dir + "sub", faDirectory, F), 0);
  EXPECT_TRUE(F.Attr & faDirectory);
  FindClose(F);
  EXPECT_NE(FindFirst(Dir + "missing" + D + "*", faAnyFile, F), 0);
  EXPECT_NE(FindFirst(Dir + "*.none", faAnyFile, F), 0);
  EXPECT_NE(FindNext(F), 0);
}

TEST_F(FilesTest, FileDateRoundTripsAtDosGranularity) {
  std::string F = Dir + "dated.txt";
  morvtest::WriteFile(F, std::string("x"));
  const TDateTime Dates[] = {
      EncodeDate(1980, 1, 1) + EncodeTime(0, 0, 0, 0),   EncodeDate(1996, 2, 29) + EncodeTime(13, 14, 16, 0),
      EncodeDate(2021, 7, 15) + EncodeTime(23, 59, 58, 0), EncodeDate(2107, 12, 31) + EncodeTime(23, 59, 58, 0),
      EncodeDate(2044, 1, 1) + EncodeTime(12, 0, 2, 0),
  };
  for (TDateTime T : Dates) {
    int Dos = DateTimeToFileDate(T);
    ASSERT_NE(Dos, 0);
    EXPECT_EQ(FileSetDate(F, Dos), 0);
    EXPECT_EQ(FileAge(F), Dos) << IntToHex(Dos, 8);
    EXPECT_EQ(FileDateToDateTime(FileAge(F)), T);
  }
  EXPECT_EQ(FileAge(Dir + "none"), -1);
  EXPECT_EQ(FileAge(Dir), -1);
  EXPECT_NE(FileSetDate(Dir + "none", DateTimeToFileDate(Dates[1])), 0);
  EXPECT_NE(FileSetDate(F, 0x00000000), 0);  // day and month 0

  THandle H = FileOpen(F, fmOpenReadWrite);
  ASSERT_NE(H, InvalidHandle);
  int Dos = DateTimeToFileDate(Dates[1]);
  EXPECT_EQ(FileSetDate(H, Dos), 0);
  EXPECT_EQ(FileGetDate(H), Dos);
  FileClose(H);
  EXPECT_EQ(FileAge(F), Dos);
}

TEST(DateTime, EncodeDecodeAndLeapDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
  struct {
    int Y, M, Dd;
    bool Valid;
  } const Cases[] = {{2000, 2, 29, true}, {2004, 2, 29, true}, {1900, 2, 29, false}, {2100, 2, 29, false},
                     {2001, 2, 29, false}, {2001, 4, 31, false}, {2001, 13, 1, false}, {0, 1, 1, false}};
  for (const auto& C : Cases) {
    TDateTime T;
    EXPECT_EQ(TryEncodeDate(C.Y, C.M, C.Dd, T), C.Valid) << C.Y << "-" << C.M << "-" << C.Dd;
    if (!C.Valid) continue;
    int Y, M, Dd;
    DecodeDate(T, Y, M, Dd);
    EXPECT_EQ(Y * 10000 + M * 100 + Dd, C.Y * 10000 + C.M * 100 + C.Dd);
    EXPECT_EQ(EncodeDate(C.Y, 3, 1) - T, 1.0);
  }
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);

  int H, Mi, S, Ms, Y, Mo, Dd;
  TDateTime T = EncodeDate(2001, 12, 31) + EncodeTime(23, 59, 59, 999) + 0.4 / MSecsPerDay;
  DecodeTime(T, H, Mi, S, Ms);
  EXPECT_EQ(H * 10000000 + Mi * 100000 + S * 1000 + Ms, 235959999);
  // Rounding past midnight moves the date too.
  T = EncodeDate(2001, 12, 31) + EncodeTime(23, 59, 59, 999) + 0.6 / MSecsPerDay;
  DecodeTime(T, H, Mi, S, Ms);
  DecodeDate(T, Y, Mo, Dd);
  EXPECT_EQ(H + Mi + S + Ms, 0);
  EXPECT_EQ(Y * 10000 + Mo * 100 + Dd, 20020101);
  // Before 1899-12-30 the time still counts forward from the day.
  DecodeDate(-1.25, Y, Mo, Dd);
  DecodeTime(-1.25, H, Mi, S, Ms);
  EXPECT_EQ(Y * 10000 + Mo * 100 + Dd, 18991229);
  EXPECT_EQ(H, 6);
}

TEST(DateTime, DosDateTimeBoundaries) {
  struct {
    int Y, M, Dd, H, Mi, S;
    uint32_t Dos;
  } const Cases[] = {
      {1980, 1, 1, 0, 0, 0, 0x00210000u},    {2107, 12, 31, 23, 59, 58, 0xFF9FBF7Du},
      {2107, 12, 31, 23, 59, 59, 0xFF9FBF7Du}, {2000, 2, 29, 12, 0, 0, 0x285D6000u},
      {1979, 12, 31, 23, 59, 59, 0u},        {2108, 1, 1, 0, 0, 0, 0u},
  };
  for (const auto& C : Cases) {
    TDateTime T = EncodeDate(C.Y, C.M, C.Dd) + EncodeTime(C.H, C.Mi, C.S, 0);
    EXPECT_EQ(static_cast<uint32_t>(DateTimeToFileDate(T)), C.Dos) << C.Y << "-" << C.M << "-" << C.Dd;
    if (C.Dos == 0) continue;
    EXPECT_EQ(FileDateToDateTime(static_cast<int>(C.Dos)), EncodeDate(C.Y, C.M, C.Dd) + EncodeTime(C.H, C.Mi, C.S & ~1, 0));
  }
  for (uint32_t Bad : {0u, 0x00200000u, 0x005E0000u, 0x00210000u | 0xC000u, 0x00210000u | 0x7C0u, 0x00210000u | 30u})
    EXPECT_THROW(FileDateToDateTime(static_cast<int>(Bad)), EConvertError) << std::hex << Bad;
}

TEST(DateTime, UnixSecondsBoundaries) {
  struct {
    int Y, M, Dd, H, Mi, S;
    int64_t Unix;
  } const Cases[] = {
      {1970, 1, 1, 0, 0, 0, 0},
      {1969, 12, 31, 23, 59, 59, -1},
      {1980, 1, 1, 0, 0, 0, 315532800},
      {2000, 2, 29, 12, 0, 0, 951825600},
      {2038, 1, 19, 3, 14, 8, 2147483648LL},
      {2107, 12, 31, 23, 59, 58, 4354819198LL},
      {1899, 12, 29, 6, 0, 0, -2209226400LL},
  };
  for (const auto& C : Cases) {
    TDateTime T = EncodeDate(C.Y, C.M, C.Dd);
    TDateTime Time = EncodeTime(C.H, C.Mi, C.S, 0);
    T = T >= 0 ? T + Time : T - Time;
    EXPECT_EQ(DateTimeToUnix(T), C.Unix) << C.Y;
    TDateTime Back = UnixToDateTime(C.Unix);
    EXPECT_NEAR(Back, T, 1e-9) << C.Y;
    EXPECT_EQ(DateTimeToUnix(Back), C.Unix) << C.Y;
  }
  EXPECT_DOUBLE_EQ(UnixToDateTime(-2209226400LL), -1.25);
}

TEST(DateTime, NowAgreesWithUtcClockThroughBias) {
  int64_t Utc = static_cast<int64_t>(std::time(nullptr));
  int64_t LocalAsUtc = DateTimeToUnix(Now()) + int64_t{GetTimeZoneBiasMinutes()} * 60;
  EXPECT_LE(std::llabs(LocalAsUtc - Utc), 5);
  EXPECT_EQ(Date(), std::floor(Now()));
}

TEST(Strings, CaseTrimAndNumbers) {
  EXPECT_EQ(UpperCase("abc\xE9z"), "ABC\xE9Z");
  EXPECT_EQ(LowerCase("ABC\xC9Z"), "abc\xC9z");
  EXPECT_EQ(AnsiUpperCase("\xE0\xE9\xEE\xF5\xFC\xFF\xF7x"), "\xC0\xC9\xCE\xD5\xDC\x9F\xF7X");
  EXPECT_EQ(AnsiLowerCase("\xC0\xC9\xCE\xD5\xDC\x9F\xD7X"), "\xE0\xE9\xEE\xF5\xFC\xFF\xD7x");
  EXPECT_TRUE(SameText("ReadMe.TXT", "readme.txt"));
  EXPECT_FALSE(SameText("readme", "readme."));
  EXPECT_EQ(AnsiCompareText("\xC9t\xE9", "\xE9T\xC9"), 0);
  EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
  EXPECT_LT(CompareText("abc", "ABCD"), 0);
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(IntToStr(-1234567890123LL), "-1234567890123");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
  EXPECT_EQ(IntToHex(-1, 8), "FFFFFFFFFFFFFFFF");

  struct {
    const char* S;
    bool Valid;
    int V;
  } const Cases[] = {{"42", true, 42},   {"-17", true, -17},   {" 5", true, 5},       {"$1F", true, 31},
                     {"0x1f", true, 31}, {"$FFFFFFFF", true, -1}, {"2147483647", true, 2147483647},
                     {"2147483648", false, 0}, {"12a", false, 0}, {"", false, 0}, {"-", false, 0}, {"5 ", false, 0}};
  for (const auto& C : Cases) {
    EXPECT_EQ(StrToIntDef(C.S, -99), C.Valid ? C.V : -99) << C.S;
    if (!C.Valid) {
      EXPECT_THROW(StrToInt(C.S), EConvertError) << C.S;
    }
  }
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64Def("$100000000", 0), 0x100000000LL);
}

TEST(Strings, OemAnsiRoundTripOfAccentedLetters) {
  // CP437 bytes and their Windows-1252 counterparts: e acute, u and a
  // umlaut, c cedilla, n tilde, sharp s, capital A umlaut and E acute.
  const std::string Oem = "\x82\x81\x84\x87\xA4\xE1\x8E\x90";
  const std::string Ansi = "\xE9\xFC\xE4\xE7\xF1\xDF\xC4\xC9";
  EXPECT_EQ(OemToAnsi(Oem), Ansi);
  EXPECT_EQ(AnsiToOem(Ansi), Oem);
  EXPECT_EQ(AnsiToOem(OemToAnsi(Oem)), Oem);
  EXPECT_EQ(OemToAnsi("plain ASCII 123"), "plain ASCII 123");
  EXPECT_EQ(AnsiToOem("\xC0"), "A");  // no A grave in CP437: best fit
  EXPECT_EQ(OemToAnsi(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(SysUtils, Utf8ToAnsi) {
  struct TCase {
    const char* Utf8;
    const char* Ansi;
  };
  const TCase Cases[] = {
      {"plain.txt", "plain.txt"},
      {"caf\xC3\xA9/na\xC3\xAFve \xE2\x82\xAC.txt", "caf\xE9/na\xEFve \x80.txt"},  // e-acute, i-diaeresis, euro
      {"\xE6\x97\xA5\xE6\x9C\xAC.txt", "__.txt"},                           // no ANSI form
      {"bad\xC3(\xFF", "bad_(_"},                                           // no UTF-8 at all
  };
  for (const TCase& C : Cases) EXPECT_EQ(Utf8ToAnsi(C.Utf8), C.Ansi) << C.Utf8;
}

TEST(OsServices, TempFolderDiskAndVolume) {
  std::string Temp = GetTempDir();
  ASSERT_FALSE(Temp.empty());
  EXPECT_TRUE(IsPathDelimiter(Temp, static_cast<int>(Temp.size()) - 1));
  EXPECT_TRUE(DirectoryExists(Temp));

  std::string Dir = morvtest::TempDir();
  std::set<std::string> Names;
  for (int I = 0; I < 3; ++I) {
    std::string N = MakeTempFileName(Dir, "mrv");
    EXPECT_TRUE(FileExists(N)) << N;
    EXPECT_EQ(GetFileSize64(N), 0);
    EXPECT_TRUE(SameText(ExtractFilePath(N), IncludeTrailingBackslash(Dir))) << N;
    Names.insert(N);
  }
  EXPECT_EQ(Names.size(), 3u);

  int64_t Free = -1, Total = -1;
  ASSERT_TRUE(GetDiskFree(IncludeTrailingBackslash(Dir), Free, Total));
  EXPECT_GT(Total, 0);
  EXPECT_GE(Free, 0);
  EXPECT_LE(Free, Total);

  TVolumeInfo Info;
#ifdef _WIN32
  std::string Root = ExtractFileDrive(Dir) + D;
#else
  std::string Root = Dir;
#endif
  ASSERT_TRUE(GetVolumeInfo(Root, Info));
  EXPECT_GE(Info.MaxComponentLength, 12u);
  EXPECT_EQ(GetDriveTypeOf(Root + "no such folder" + D), dtNoRootDir);
}

}  // namespace

TEST_F(FilesTest, ShellDeleteRemovesTheFileEitherWay) {
  for (bool AllowUndo : {false, true}) {
    std::string Name = Dir + (AllowUndo ? "undo.txt" : "final.txt");
    morvtest::WriteFile(Name, std::string("x"));
    ASSERT_TRUE(FileExists(Name));
    EXPECT_TRUE(ShellDeleteFile(Name, AllowUndo)) << Name;
    EXPECT_FALSE(FileExists(Name)) << Name;
  }
}

TEST(OsServices, DataModuleIsWindowsOnly) {
#ifdef _WIN32
  void* M = LoadDataModule(morvtest::LocalPath("/nonexistent/x.exe"));
  EXPECT_EQ(M, nullptr);
#else
  EXPECT_EQ(LoadDataModule("/bin/sh"), nullptr);
  EXPECT_EQ(LoadModuleString(nullptr, 1, 256), "");
#endif
}
