#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/favorites.h"
#include "app/utils.h"
#include "framework/core/sysutils.h"
#include "tests/app/appcore_fixture.h"
#include "tests/support/testsupport.h"

using namespace apptest;

TEST(MatchWildcard, Table) {
  struct TCase {
    const char* Name;
    const char* Mask;
    bool Match;
  };
  const TCase cases[] = {
      {"readme.txt", "*.TXT", true},
      {"readme", "*.*", false},
      {"ab", "ab*", false},
      {"abc", "ab*", true},
      {"ab", "a*b*", false},
      {"abxcdy", "ab*cd*", true},
      {"ab", "**", true},
      {"", "*", true},
      {"c", "*bc", false},
      {"", "a", false},
      {"ab", "a*ab", false},
      {"aab", "a*ab", true},
      {"abab", "a*ab", true},
      {"ab", "a*b", true},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"README.TXT", "readme.txt", true},
      {"report2001.doc", "*20??.*", true},
      {"x.tar.gz", "*.gz", true},
      {"gz", "*.gz", false},
      {"abcabd", "*abd", true},
      {"abcabd", "a*c*d", true},
      {"abcab", "a*c*d", false},
      {"abc", "abc", true},
      {"abcd", "abc", false},
      {"abc", "abcd", false},
      {"a.b", "a***.b", true},
  };
  for (const TCase& c : cases) EXPECT_EQ(MatchWildcard(c.Name, c.Mask, true), c.Match) << c.Name << " / " << c.Mask;
  EXPECT_FALSE(MatchWildcard("README.TXT", "readme.txt", false));
  EXPECT_TRUE(MatchWildcard("README.TXT", "README.*", false));
}

TEST(Utils, LowerCaseAndThousands) {
  EXPECT_EQ(LowerCaseStr("README.TXT"), "readme.txt");
  EXPECT_EQ(LowerCaseStr(""), "");
  // Windows-1252 letters too, as the system lower-cases them.
  EXPECT_EQ(LowerCaseStr("\xC4\xD6"), "\xE4\xF6");

  char sep[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep);
  const std::string s = sep;
  EXPECT_EQ(InsertThousandSeparators("1000"), "1" + s + "000");
  EXPECT_EQ(InsertThousandSeparators("999"), "999");
  EXPECT_EQ(InsertThousandSeparators("1234567"), "1" + s + "234" + s + "567");
  EXPECT_EQ(InsertThousandSeparators("123456"), "123" + s + "456");
  EXPECT_EQ(InsertThousandSeparators(""), "");
}

TEST(Utils, HelpOpenerNamesTheTopicAndReportsAMissingViewer) {
  EXPECT_EQ(HelpParameters(""), ProgramFolder() + "MORV.CHM");
  EXPECT_EQ(HelpParameters("faq.html"), ProgramFolder() + "MORV.CHM::/faq.html");
  ASSERT_FALSE(FileExists(ProgramFolder() + "morv.chm"));
  std::string text;
  TMsgDlgType type = mtCustom;
  AppMessageBoxHandler = [&](const std::string& T, TMsgDlgType D, TMsgDlgButtons B) {
    text = T;
    type = D;
    EXPECT_EQ(B, mbOK);
    return static_cast<int>(mrOk);
  };
  OpenHelpTopic("index.html");
  AppMessageBoxHandler = nullptr;
  EXPECT_EQ(text,
            "Microsoft HTML Help cannot be found on your system.\rPlease visit Quillon's Home page and download this "
            "update.");
  EXPECT_EQ(type, mtError);
}

class FavoritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Docs = morvtest::TempDir();
    SetString(UserShellFolders, "Personal", Docs);
    FavoriteFolders.clear();
    FavoriteCount = 0;
  }
  TValueBackup PersonalBackup{UserShellFolders, "Personal"};
  std::string Docs;
};

TEST_F(FavoritesTest, RoundTripThroughTheFile) {
  FavoriteFolders = {"C:\\zips", "D:\\My Archives\\old", "E:\\x"};
  FavoriteCount = 3;
  FavoriteSortMode = 5;
  OtherFoldersPolicy = 2;
  WriteFavorites();
  const std::string expect = "3\r\n5\r\n2\r\nC:\\zips\r\nD:\\My Archives\\old\r\nE:\\x\r\n";
  EXPECT_EQ(morvtest::ReadFile(Docs + "\\favorites.dat"), std::vector<uint8_t>(expect.begin(), expect.end()));
  FavoriteFolders.clear();
  FavoriteCount = 0;
  FavoriteSortMode = 1;
  OtherFoldersPolicy = 0;
  ReadFavorites();
  ASSERT_EQ(FavoriteCount, 3);
  EXPECT_EQ(FavoriteFolders, (std::vector<std::string>{"C:\\zips", "D:\\My Archives\\old", "E:\\x"}));
  EXPECT_EQ(FavoriteSortMode, 5);
  EXPECT_EQ(OtherFoldersPolicy, 2);
}

TEST_F(FavoritesTest, MissingFileIsCreatedWithDefaults) {
  FavoriteSortMode = 4;
  OtherFoldersPolicy = 1;
  FavoriteFolders = {"stale"};
  FavoriteCount = 1;
  ReadFavorites();
  EXPECT_EQ(FavoriteCount, 0);
  EXPECT_TRUE(FavoriteFolders.empty());
  EXPECT_EQ(FavoriteSortMode, 1);
  EXPECT_EQ(OtherFoldersPolicy, 0);
  const std::string expect = "0\r\n1\r\n0\r\n";
  EXPECT_EQ(morvtest::ReadFile(Docs + "\\favorites.dat"), std::vector<uint8_t>(expect.begin(), expect.end()));
}

TEST_F(FavoritesTest, CountBeyondTheLinesTakesWhatIsThere) {
  morvtest::WriteFile(Docs + "\\favorites.dat", std::string("9\r\n2\r\n1\r\nC:\\a\r\nC:\\b\r\n"));
  ReadFavorites();
  EXPECT_EQ(FavoriteCount, 2);
  EXPECT_EQ(FavoriteFolders, (std::vector<std::string>{"C:\\a", "C:\\b"}));
  morvtest::WriteFile(Docs + "\\favorites.dat", std::string("-4\r\nx\r\n"));
  ReadFavorites();
  EXPECT_EQ(FavoriteCount, 0);
  EXPECT_EQ(FavoriteSortMode, 1);
}

TEST_F(FavoritesTest, FolderWithEnvironmentReferencesIsExpanded) {
  ASSERT_TRUE(SetEnvironmentVariableA("MORV_TEST_DOCS", Docs.c_str()));
  ASSERT_TRUE(SetString(UserShellFolders, "Personal", "%MORV_TEST_DOCS%", REG_EXPAND_SZ));
  EXPECT_EQ(FavoritesFolder(), Docs + "\\");
  ReadFavorites();
  EXPECT_TRUE(FileExists(Docs + "\\favorites.dat"));
  SetEnvironmentVariableA("MORV_TEST_DOCS", nullptr);
}

TEST_F(FavoritesTest, MissingFolderSkipsTheFile) {
  const std::string gone = Docs + "\\missing";
  ASSERT_TRUE(SetString(UserShellFolders, "Personal", gone));
  FavoriteFolders = {"C:\\keep"};
  FavoriteCount = 1;
  ReadFavorites();
  WriteFavorites();
  EXPECT_FALSE(DirectoryExists(gone));
  EXPECT_EQ(FavoriteCount, 1);
  ASSERT_TRUE(DeleteValue(UserShellFolders, "Personal"));
  EXPECT_EQ(FavoritesFolder(), ProgramFolder());
}
