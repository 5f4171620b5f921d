// The standard-command table, caption keys, shortcut lists and hint texts of
// the menu library; portable, so they run natively as well.
#include <gtest/gtest.h>

#include <set>

#include "controls/commands/core/mxtables.h"

namespace {

// Bitmaps stand in as their resource number (named ones as 1000000 + a
// running count) and count their releases.
struct FakeBitmaps {
  int Released = 0;
  std::set<std::string> Named{"MX_SYSTEMMOVE", "MX_SYSTEMCLOSE", "BMP_MX_EXTRACTHERE"};
  TMXBitmapSource Source() {
    TMXBitmapSource s;
    s.LoadById = [](int Id) { return uintptr_t(Id); };
    s.LoadByName = [this](const std::string& N) { return Named.count(N) ? uintptr_t(1000000 + N.size()) : 0; };
    s.Release = [this](uintptr_t) { ++Released; };
    return s;
  }
};

}  // namespace

TEST(MenuTables, CaptionKeys) {
  struct Case {
    const char* Caption;
    const char* Key;
  } cases[] = {
      {"Copy", "COPY"},        {"&Copy", "COPY"},  {"Cop&y", "COPY"},       {"Save As...", "SAVEAS"},
      {"DELETE_B", "DELETEB"}, {"&&-- 12 !", ""},  {"", ""},                {"Vie&w Last Output...", "VIEWLASTOUTPUT"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseCaption(c.Caption), c.Key) << c.Caption;
}

TEST(MenuTables, TableHoldsEveryCommandOnceWithItsBitmap) {
  const auto& t = StdCommandTable();
  ASSERT_EQ(t.size(), 110u);
  std::set<std::string> keys;
  for (const auto& c : t) EXPECT_TRUE(keys.insert(NormaliseCaption(c.Key)).second) << c.Key;
  // Aliases share the picture of the entry they repeat and are not counted.
  auto row = [&](const std::string& k) {
    for (const auto& c : t)
      if (NormaliseCaption(c.Key) == k) return c;
    ADD_FAILURE() << k;
    return t[0];
  };
  EXPECT_EQ(row("DATETIME").ResId, row("DATEANDTIME").ResId);
  EXPECT_FALSE(row("DATETIME").Counted);
  EXPECT_EQ(row("BACK").ResId, 4179);
  EXPECT_EQ(std::string(row("SYSTEMCLOSE").ResName), "MX_SYSTEMCLOSE");
  EXPECT_EQ(std::string(row("SAVE").ShortCut), "Ctrl+S;Shift+F12;Alt+Shift+F2");
}

TEST(MenuTables, CacheFindsStandardCommandsByAnyCaption) {
  FakeBitmaps fake;
  T_MX_MenuItemCache cache(fake.Source());
  EXPECT_EQ(cache.Count(), 110);
  auto* a = cache.BitmapForCaption("&Copy");
  auto* b = cache.BitmapForCaption("COPY");
  ASSERT_EQ(a, b);
  EXPECT_EQ(a->ShortCut, "Ctrl+C;Ctrl+Ins");
  EXPECT_EQ(a->Hint, "Copies the selection to the clipboard");
  EXPECT_EQ(a->Bitmap, 4108u);
  EXPECT_EQ(cache.BitmapForCaption("Move")->Bitmap, 0u);  // not a standard command
  EXPECT_NE(cache.Find("System Move")->Bitmap, 0u);
}

TEST(MenuTables, UnknownCaptionGetsOneEntryAndItsNamedBitmap) {
  FakeBitmaps fake;
  T_MX_MenuItemCache cache(fake.Source());
  auto* e = cache.BitmapForCaption("E&xtract");
  EXPECT_EQ(e->Bitmap, 0u);
  EXPECT_TRUE(e->ShortCut.empty());
  EXPECT_TRUE(e->Hint.empty());
  EXPECT_FALSE(e->Counted);
  EXPECT_EQ(cache.Count(), 111);
  EXPECT_EQ(cache.BitmapForCaption("Extract"), e);
  EXPECT_EQ(cache.Count(), 111);
  EXPECT_NE(cache.BitmapForCaption("Extract Here")->Bitmap, 0u);
  EXPECT_EQ(cache.BitmapForCaption("!!")->Bitmap, 0u);  // the empty key
}

TEST(MenuTables, NthBitmapCountsOnlyCountedEntriesInKeyOrder) {
  FakeBitmaps fake;
  T_MX_MenuItemCache cache(fake.Source());
  EXPECT_EQ(cache.NthItemWithBitmap(0), 4097u);  // ADDRESSBOOK
  // ALIGNCENTER, ALIGNJUSTIFY, ALIGNLEFT follow in key order.
  EXPECT_EQ(cache.NthItemWithBitmap(1), 4098u);
  EXPECT_EQ(cache.NthItemWithBitmap(2), 4128u);
  EXPECT_EQ(cache.NthItemWithBitmap(5), 4101u);  // AUTOPREVIEW
  // BACK (not counted) is skipped: BACKWARD follows AUTOPREVIEW.
  EXPECT_EQ(cache.NthItemWithBitmap(6), 4179u);
  EXPECT_EQ(cache.NthItemWithBitmap(-1), 0u);
  EXPECT_EQ(cache.NthItemWithBitmap(1000), 0u);
}

TEST(MenuTables, ReplacedAndDestroyedBitmapsAreReleased) {
  FakeBitmaps fake;
  {
    T_MX_MenuItemCache cache(fake.Source());
    cache.AddItem("Copy", "", true, 77, "");
    EXPECT_EQ(fake.Released, 1);
    EXPECT_EQ(cache.Find("copy")->Bitmap, 77u);
  }
  // Every numbered picture, the two named ones and the replacement.
  EXPECT_GT(fake.Released, 80);
}

TEST(MenuTables, ShortCutLists) {
  auto canon = [](const std::string& S) -> std::string {
    static const std::set<std::string> known{"Ctrl+C", "Ctrl+Ins", "F3", "Shift+Del"};
    for (const auto& k : known)
      if (k.size() == S.size() && std::equal(k.begin(), k.end(), S.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
          }))
        return k;
    return "";
  };
  EXPECT_EQ(NormaliseShortCutList(" ctrl+c ;Ctrl+Ins", canon), "Ctrl+C;Ctrl+Ins");
  EXPECT_EQ(NormaliseShortCutList("F3;;Ctrl+C", canon), "F3");  // an empty part ends the list
  EXPECT_EQ(NormaliseShortCutList("", canon), "");
  try {
    NormaliseShortCutList("F3;Hyper+Q", canon);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid shortcut: 'Hyper+Q'");
  }
  EXPECT_EQ(FirstShortCutText(" Ctrl+C ;Ctrl+Ins"), "Ctrl+C");
  EXPECT_TRUE(ShortCutListHolds("Ctrl+C;Ctrl+Ins", "ctrl+ins"));
  EXPECT_FALSE(ShortCutListHolds("Ctrl+C;Ctrl+Ins", "Ctrl"));
  EXPECT_FALSE(ShortCutListHolds("Ctrl+C", ""));
}

TEST(MenuTables, HintTextForTheStatusBar) {
  struct Case {
    const char* Hint;
    const char* Shown;
  } cases[] = {
      {"Short|  Long part  ", "Long part"},
      {"No bar", "No bar"},
      {"x|A&#39;B", "A B"},
      {"x|A&#039;B", "A ;B"},  // the run is five characters
      {"x|A&#03", "A "},  // a run cut short at the end
      {"x|&#", " "},
      {"x|AT&T", "AT&T"},
      {"|", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(MenuHintText(c.Hint), c.Shown) << c.Hint;
}

TEST(MenuTables, Accelerators) {
  EXPECT_EQ(CaptionAccelerator("&File"), 'F');
  EXPECT_EQ(CaptionAccelerator("Co&mment..."), 'M');
  EXPECT_EQ(CaptionAccelerator("Fish && &Chips"), 'C');
  EXPECT_EQ(CaptionAccelerator("Fish &&"), 0);
  EXPECT_EQ(CaptionAccelerator("End&"), 0);
  EXPECT_EQ(StripAccelerators("Fish && &Chips&"), "Fish & Chips");
}
