#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/favorites.h"
#include "app/settings.h"
#include "app/utils.h"
#include "framework/core/sysutils.h"
#include "tests/app/appcore_fixture.h"
#include "tests/support/testsupport.h"

using namespace apptest;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteTree(Root);
    DeleteTree("Software\\MORV");
    // Favourites go to a scratch documents folder, not the prefix's own.
    Docs = morvtest::TempDir();
    SetString(UserShellFolders, "Personal", Docs);
    FavoriteFolders.clear();
    FavoriteCount = 0;
    SettingsHooks = TSettingsHooks();
    SettingsHooks.ClearViewChecks = [this] { Calls += "C"; };
    SettingsHooks.ApplyFirstRun = [this] { Calls += "F"; };
    SettingsHooks.ApplyViewSettings = [this] { Calls += "V"; };
    SettingsHooks.ApplyWindowLayout = [this](int Panel) {
      Calls += "L";
      LayoutPanel = Panel;
    };
  }
  void TearDown() override {
    SettingsHooks = TSettingsHooks();
    DeleteTree(Root);
    DeleteTree("Software\\MORV");
  }

  TValueBackup PersonalBackup{UserShellFolders, "Personal"};
  std::string Docs;
  std::string Calls;
  int LayoutPanel = -2;
};

struct TExpected {
  std::string Key, Name;
  DWORD Type;
  DWORD Dword;
  std::string Str;
};

}  // namespace

TEST_F(SettingsTest, FirstLoadWritesEveryDefaultWithItsType) {
  SortOrder = 9;
  Buttons = "0";
  ReuseWindows = 0;
  LoadSettings();
  EXPECT_EQ(Calls, "CFVL");
  EXPECT_EQ(LayoutPanel, -1);

  const std::vector<TExpected> expected = {
      {Root, "Sort order", REG_DWORD, 1, ""},
      {Root, "Last add dir", REG_SZ, 0, ""},
      {Root, "Extract5", REG_SZ, 0, ""},
      {Root, "SelDir1", REG_SZ, 0, ""},
      {Root, "Active_File3", REG_SZ, 0, ""},
      {Root, "FullRow", REG_DWORD, 1, ""},
      {Root, "GridLines", REG_DWORD, 0, ""},
      {Root, "ToolbarTips", REG_DWORD, 1, ""},
      {Root, "FlatButtons", REG_DWORD, 1, ""},
      {Root, "ShowToolbarText", REG_DWORD, 1, ""},
      {Root, "AlignToolbar", REG_DWORD, 2, ""},
      {Root, "ViewToolbar", REG_DWORD, 1, ""},
      {Root, "ViewStatusLine", REG_DWORD, 1, ""},
      {Root, "ViewStyle", REG_DWORD, 3, ""},
      {Root, "AsWebPage", REG_DWORD, 0, ""},
      {Root, "AutoAdd", REG_DWORD, 1, ""},
      {Root, "Add folder", REG_DWORD, 1, ""},
      {Root, "Add from folder", REG_SZ, 0, ""},
      {Root, "Start-up base folder", REG_DWORD, 1, ""},
      {Root, "Start-up folder", REG_SZ, 0, ""},
      {Root, "Checkout base folder", REG_SZ, 0, ""},
      {Root, "Associate with Zip files", REG_DWORD, 0, ""},
      {Root, "Check for Zip association", REG_DWORD, 0, ""},
      {Root, "Current Tip", REG_DWORD, 1, ""},
      {Root, "Tip of the day", REG_DWORD, 1, ""},
      {Adding, "Default compression", REG_DWORD, 0, ""},
      {Adding, "Save Dir names", REG_DWORD, 0, ""},
      {Adding, "Spanning mode", REG_DWORD, 2, ""},
      {Adding, "Spanning MAX volume size", REG_DWORD, 1440000, ""},
      {Adding, "Spanning Free size", REG_DWORD, 0, ""},
      {Extracting, "Extract overwrite", REG_DWORD, 1, ""},
      {General, "Buttons", REG_SZ, 0, "11100111100100"},
      {General, "LargeButtons", REG_DWORD, 1, ""},
      {General, "AutoVolume", REG_DWORD, 1, ""},
      {General, "Show view dialog", REG_DWORD, 1, ""},
      {General, "Last view mode", REG_DWORD, 2, ""},
      {General, "On Top", REG_DWORD, 0, ""},
      {General, "Virus Scan Program", REG_SZ, 0, ""},
      {General, "Virus Scan Parameters", REG_SZ, 0, ""},
      {General, "Reuse Windows", REG_DWORD, 1, ""},
      {General, "Down case file names", REG_DWORD, 1, ""},
      {General, "Show open on startup", REG_DWORD, 0, ""},
      {General, "Directory", REG_SZ, 0, ProgramFileName()},
      {General, "Use Explorer Shell Extensions", REG_DWORD, 1, ""},
      {General, "Efolder", REG_DWORD, 0, ""},
      {General, "Automatic Package Installation", REG_DWORD, 1, ""},
      {General, "Associated Archives", REG_SZ, 0, "11111111111111"},
      {General, "View Style", REG_DWORD, 0, ""},
      {General, "View Folders", REG_DWORD, 1, ""},
      {ShellExt, "UseBitmapImages", REG_DWORD, 1, ""},
      {ShellExt, "CheckForSFXs", REG_DWORD, 1, ""},
      {ShellExt, "NonCascade", REG_DWORD, 1, ""},
      {ShellExt, "AddZIP", REG_DWORD, 1, ""},
      {ShellExt, "AddCAB", REG_DWORD, 0, ""},
      {ShellExt, "AddLHA", REG_DWORD, 0, ""},
      {ShellExt, "AddBH", REG_DWORD, 0, ""},
      {ShellExt, "ConvertZIP", REG_DWORD, 1, ""},
      {ShellExt, "ConvertSFX", REG_DWORD, 1, ""},
      {ShellExt, "ExtractTo", REG_DWORD, 1, ""},
      {ShellExt, "ExtractHere", REG_DWORD, 1, ""},
      {ShellExt, "ExtracttoSubFolder", REG_DWORD, 1, ""},
      {ShellExt, "OpenSFX", REG_DWORD, 1, ""},
      {ShellExt, "MakeSpan", REG_DWORD, 1, ""},
  };
  for (const TExpected& e : expected) {
    SCOPED_TRACE(e.Key + " / " + e.Name);
    auto v = QueryValue(e.Key, e.Name);
    ASSERT_TRUE(v.has_value());
    ASSERT_EQ(v->Type, e.Type);
    if (e.Type == REG_DWORD)
      EXPECT_EQ(v->Dword(), e.Dword);
    else
      EXPECT_EQ(v->Str(), e.Str);
  }
  EXPECT_EQ(ValueNames(Root).size(), 40u);
  EXPECT_EQ(ValueNames(Adding).size(), 5u);
  EXPECT_EQ(ValueNames(Extracting).size(), 1u);
  EXPECT_EQ(ValueNames(General).size(), 18u);
  EXPECT_EQ(ValueNames(ShellExt).size(), 14u);

  EXPECT_EQ(QueryValue(Root, "Last open dir")->Str(), ProgramFolder());
  const std::string temp = QueryValue(Root, "Temp")->Str();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(DirectoryExists(ExcludeTrailingBackslash(temp)));
  EXPECT_EQ(QueryValue(Root, "Viewer")->Str(), WindowsFolder() + "\\notepad.exe");

  EXPECT_EQ(SortOrder, 1);
  EXPECT_EQ(Buttons, "11100111100100");
  EXPECT_EQ(ReuseWindows, 1);
  EXPECT_EQ(SpanningMAXVolumeSize, 1440000);
  EXPECT_EQ(morvtest::ReadFile(Docs + "\\favorites.dat").size(), 9u);

  // Complete now: the next load reads what is stored and writes nothing.
  Calls.clear();
  ASSERT_TRUE(SetDword(Root, "Sort order", 14));
  LoadSettings();
  EXPECT_EQ(Calls, "CVL");
  EXPECT_EQ(SortOrder, 14);
}

TEST_F(SettingsTest, OneMissingOrMistypedValueBringsBackEveryDefault) {
  struct TCase {
    const char* Why;
    std::string Key, Name;
    bool Delete;
  };
  const TCase cases[] = {
      {"AutoAdd deleted", Root, "AutoAdd", true},
      {"ShellExt flag deleted", ShellExt, "MakeSpan", true},
      {"FullRow stored as text", Root, "FullRow", false},
      {"Buttons stored as a number", General, "Buttons", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Why);
    LoadSettings();
    ASSERT_TRUE(SetDword(Root, "Sort order", 5));
    ASSERT_TRUE(SetString(General, "Buttons", "00000000000000"));
    ASSERT_TRUE(SetDword(Adding, "Spanning Free size", 4096));
    if (c.Delete) {
      ASSERT_TRUE(DeleteValue(c.Key, c.Name));
    } else if (c.Name == "Buttons") {
      ASSERT_TRUE(SetDword(c.Key, c.Name, 1));
    } else {
      ASSERT_TRUE(SetString(c.Key, c.Name, "1"));
    }
    Calls.clear();
    EXPECT_NO_THROW(LoadSettings());
    EXPECT_EQ(Calls, "CFVL");
    EXPECT_EQ(SortOrder, 1);
    EXPECT_EQ(Buttons, "11100111100100");
    EXPECT_EQ(SpanningFreeSize, 0);
    EXPECT_EQ(QueryValue(Root, "Sort order")->Dword(), 1u);
    EXPECT_EQ(QueryValue(Adding, "Spanning Free size")->Dword(), 0u);
    auto restored = QueryValue(c.Key, c.Name);
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(restored->Type, c.Name == "Buttons" ? DWORD(REG_SZ) : DWORD(REG_DWORD));
  }
}

TEST_F(SettingsTest, FirstRunKeepsAnExistingFavouritesFile) {
  const std::string file = "2\r\n3\r\n1\r\nC:\\zips\r\nD:\\more zips\r\n";
  morvtest::WriteFile(Docs + "\\favorites.dat", file);
  LoadSettings();
  EXPECT_EQ(Calls, "CFVL");
  EXPECT_EQ(FavoriteCount, 2);
  EXPECT_EQ(FavoriteFolders, (std::vector<std::string>{"C:\\zips", "D:\\more zips"}));
  EXPECT_EQ(FavoriteSortMode, 3);
  EXPECT_EQ(morvtest::ReadFile(Docs + "\\favorites.dat"), std::vector<uint8_t>(file.begin(), file.end()));
}

TEST_F(SettingsTest, MissingDirectoryAloneIsWrittenWithoutReset) {
  LoadSettings();
  ASSERT_TRUE(SetDword(Root, "Sort order", 5));
  ASSERT_TRUE(DeleteValue(General, "Directory"));
  Calls.clear();
  LoadSettings();
  EXPECT_EQ(Calls, "CVL");
  EXPECT_EQ(SortOrder, 5);
  EXPECT_EQ(QueryValue(General, "Directory")->Str(), ProgramFileName());
}

TEST_F(SettingsTest, SaveWritesInPlaceAndKeepsWhatOthersStored) {
  LoadSettings();
  ASSERT_TRUE(SetDword(ShellExt, "SupportConvertFormat", 1));
  ASSERT_TRUE(SetString(ShellExt, "About", "Quillon 2000"));

  SortOrder = 12;
  LastAddDir = "C:\\work\\add";
  ActiveFile2 = "C:\\a b\\c.zip";
  GridLines = 1;
  AlignToolbar = 3;
  SpanningFreeSize = 123456;
  SpanningMAXVolumeSize = 730000;
  ReuseWindows = 0;
  Buttons = "10101010101010";
  AssociatedArchives = "01010101010101";
  AddCAB = 1;
  MakeSpan = 0;
  ExtractOverwrite = 0;
  SettingsHooks.PanelSize = [] { return 321; };
  SaveSettings();

  EXPECT_EQ(QueryValue(ShellExt, "SupportConvertFormat")->Dword(), 1u);
  EXPECT_EQ(QueryValue(ShellExt, "About")->Str(), "Quillon 2000");
  EXPECT_EQ(QueryValue("Software\\MORV", "PanelSize")->Dword(), 321u);
  auto reuse = QueryValue(General, "Reuse Windows");
  EXPECT_EQ(reuse->Type, DWORD(REG_DWORD));
  EXPECT_EQ(reuse->Dword(), 0u);
  EXPECT_EQ(QueryValue(Root, "GridLines")->Dword(), 1u);
  EXPECT_EQ(QueryValue(General, "Buttons")->Str(), "10101010101010");

  SortOrder = 1;
  LastAddDir.clear();
  ActiveFile2.clear();
  GridLines = 0;
  AlignToolbar = 2;
  SpanningFreeSize = 0;
  SpanningMAXVolumeSize = 0;
  ReuseWindows = 1;
  Buttons.clear();
  AssociatedArchives.clear();
  AddCAB = 0;
  MakeSpan = 1;
  ExtractOverwrite = 1;
  Calls.clear();
  LoadSettings();
  EXPECT_EQ(Calls, "CVL");
  EXPECT_EQ(LayoutPanel, 321);
  EXPECT_EQ(SortOrder, 12);
  EXPECT_EQ(LastAddDir, "C:\\work\\add");
  EXPECT_EQ(ActiveFile2, "C:\\a b\\c.zip");
  EXPECT_EQ(GridLines, 1);
  EXPECT_EQ(AlignToolbar, 3);
  EXPECT_EQ(SpanningFreeSize, 123456);
  EXPECT_EQ(SpanningMAXVolumeSize, 730000);
  EXPECT_EQ(ReuseWindows, 0);
  EXPECT_EQ(Buttons, "10101010101010");
  EXPECT_EQ(AssociatedArchives, "01010101010101");
  EXPECT_EQ(AddCAB, 1);
  EXPECT_EQ(MakeSpan, 0);
  EXPECT_EQ(ExtractOverwrite, 0);
  EXPECT_EQ(QueryValue(ShellExt, "SupportConvertFormat")->Dword(), 1u);
}

TEST_F(SettingsTest, LoadingSettlesFlagsAndFlagStrings) {
  LoadSettings();
  ASSERT_TRUE(SetString(General, "Associated Archives", "101"));
  ASSERT_TRUE(SetString(General, "Buttons", "101"));
  ASSERT_TRUE(SetDword(General, "Reuse Windows", 5));
  ASSERT_TRUE(SetDword(General, "LargeButtons", 7));
  ASSERT_TRUE(SetDword(General, "View Style", 2));
  ASSERT_TRUE(SetDword(Root, "FlatButtons", 3));
  ASSERT_TRUE(SetString(Root, "Temp", "C:\\scratch"));
  LoadSettings();
  EXPECT_EQ(AssociatedArchives, "11111111111111");
  EXPECT_EQ(Buttons, "101");
  EXPECT_EQ(ReuseWindows, 0);
  EXPECT_EQ(LargeButtons, 1);
  EXPECT_EQ(ExplorerStyle, 0);
  EXPECT_EQ(FlatButtons, 0);
  EXPECT_EQ(Temp, "C:\\scratch\\");
  // Buttons shorter than 14: the missing positions are off.
  EXPECT_TRUE(ToolbarButtonVisible(1));
  EXPECT_FALSE(ToolbarButtonVisible(2));
  EXPECT_TRUE(ToolbarButtonVisible(3));
  EXPECT_FALSE(ToolbarButtonVisible(4));
  EXPECT_FALSE(ToolbarButtonVisible(14));
}

TEST(SettingsLayout, ToolbarSeparatorsFollowTheVisibleGroups) {
  struct TCase {
    const char* Buttons;
    bool Sep[4];
  };
  // Groups: 1-3 | 4-5 | 6-9 | 10-12 | 13-14.
  const TCase cases[] = {
      {"11100111100100", {true, false, true, false}},
      {"11100000000000", {false, false, false, false}},
      {"10000100000000", {true, false, false, false}},
      {"00010100000000", {false, true, false, false}},
      {"00000001001000", {false, false, true, false}},
      {"00000000000101", {false, false, false, true}},
      {"11111111111111", {true, true, true, true}},
      {"", {false, false, false, false}},
  };
  const std::string saved = Buttons;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Buttons);
    Buttons = c.Buttons;
    for (int s = 1; s <= 4; ++s) EXPECT_EQ(ToolbarSeparatorVisible(s), c.Sep[s - 1]) << "separator " << s;
  }
  Buttons = saved;
}

TEST(SettingsLayout, SortOrderMarksOneColumnAndOneMenuItem) {
  struct TCase {
    int Order, Column;
    bool Up;
    int Item;
  };
  // Columns: 0 name, 1 date, 2 size, 3 ratio, 4 packed size, 5 path.
  const TCase cases[] = {
      {1, 0, true, 1},   {10, 0, false, 1}, {2, 5, true, 2},   {11, 5, false, 2}, {3, -1, false, 3},
      {12, -1, false, 3}, {4, 2, false, 4}, {13, 2, true, 4},  {5, 4, false, 5},  {14, 4, true, 5},
      {6, 3, false, 6},  {15, 3, true, 6},  {7, 1, false, 7},  {16, 1, true, 7},  {8, -1, false, 8},
      {9, -1, false, 0}, {0, -1, false, 0}, {17, -1, false, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Order);
    bool up = !c.Up;
    EXPECT_EQ(SortMarkColumn(static_cast<uint8_t>(c.Order), up), c.Column);
    if (c.Column >= 0) {
      EXPECT_EQ(up, c.Up);
    }
    EXPECT_EQ(SortMenuItem(static_cast<uint8_t>(c.Order)), c.Item);
  }
}

TEST(SystemFonts, ComeFromTheSystemNotFromTheOldRegistryRecord) {
  const TSystemFonts f = GetSystemFonts();
  EXPECT_FALSE(f.MessageFace.empty());
  EXPECT_FALSE(f.CaptionFace.empty());
  EXPECT_FALSE(f.IconFace.empty());
  EXPECT_GE(f.IconPointSize, 3);
  EXPECT_LE(f.IconPointSize, 60);
  TSystemFonts got;
  OnApplySystemFonts = [&](const TSystemFonts& F) { got = F; };
  ApplySystemFonts();
  OnApplySystemFonts = nullptr;
  EXPECT_EQ(got.MessageFace, f.MessageFace);
  EXPECT_EQ(got.IconPointSize, f.IconPointSize);
}
