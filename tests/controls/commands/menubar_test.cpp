// The menu bar: Alt and F10 modes, mnemonics, shortcuts, hot tracking; and a
// picture of an open menu for people to look at.
#include <filesystem>

#include "controls/commands/mxstdcmds.h"
#include "menus_fixture.h"

class MenuBarTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    if (IsSkipped()) return;
    Main = new TMainMenu(FForm.get());
    File = AddItem(Main->Items(), "&File");
    AddItem(File, "&Open Archive...", &OpenClicks);
    AddItem(File, "-");
    AddItem(File, "E&xit");
    Edit = AddItem(Main->Items(), "&Edit");
    AddItem(Edit, "&Copy", &CopyClicks);
    Tools = AddItem(Main->Items(), "&Tools");
    AddItem(Tools, "Spell", &SpellClicks)->SetShortCutText("F7;Alt+K");
    AddItem(Main->Items(), "&Nothing");  // no children: never drops
    FForm->SetMenu(Main);
    Bar = new TCustomMenuBarX(FForm.get());
    Bar->SetParent(FForm.get());
    Bar->Options()->Animation = anNone;
    Bar->Loaded();
    Pump();
  }
  TPopupMenuXForm* Drop() { return Bar->DropMenu()->Form(); }
  TMainMenu* Main = nullptr;
  TMenuItemX *File = nullptr, *Edit = nullptr, *Tools = nullptr;
  TCustomMenuBarX* Bar = nullptr;
  int OpenClicks = 0, CopyClicks = 0, SpellClicks = 0;
};

TEST_F(MenuBarTest, TakesOverTheFormsMenu) {
  EXPECT_EQ(Bar->Menu(), Main);
  EXPECT_EQ(FForm->Menu(), nullptr);
  EXPECT_EQ(GetMenu(FForm->Handle()), nullptr);
  EXPECT_EQ(MenuBar, Bar);
  EXPECT_EQ(Bar->BarItems().size(), 4u);
  EXPECT_GT(Bar->Height(), 10);
  EXPECT_LT(Bar->ItemRect(0).right, Bar->ItemRect(1).right);
}

TEST_F(MenuBarTest, AltHighlightsTheFirstItemAndDownOpensIt) {
  Key(VK_MENU, WM_SYSKEYDOWN);
  Key(VK_MENU, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
  EXPECT_EQ(Bar->HotIndex(), 0);
  EXPECT_FALSE(IsMenuOpen());
  Key(VK_DOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->Item, File);
  EXPECT_EQ(Drop()->ItemIndex, 0);
  // Right moves to the next item and drops its menu.
  Key(VK_RIGHT);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Bar->HotIndex(), 1);
  EXPECT_EQ(Drop()->Item, Edit);
  Key(VK_LEFT);
  EXPECT_EQ(Drop()->Item, File);
  Key(VK_ESCAPE);
  EXPECT_FALSE(IsMenuOpen());
  EXPECT_EQ(Bar->TrackMode, 0);
}

TEST_F(MenuBarTest, F10EntersAndLeavesMenuMode) {
  Key(VK_F10, WM_SYSKEYDOWN);
  Key(VK_F10, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
  EXPECT_EQ(Bar->HotIndex(), 0);
  Key(VK_F10, WM_SYSKEYDOWN);
  Key(VK_F10, WM_SYSKEYUP);  // the release after leaving is ignored
  EXPECT_EQ(Bar->TrackMode, 0);
  EXPECT_EQ(Bar->HotIndex(), -1);
  Key(VK_F10, WM_SYSKEYDOWN);
  Key(VK_F10, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
}

TEST_F(MenuBarTest, AltLetterOpensByMnemonicAndLetterChooses) {
  Key('E', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->Item, Edit);
  Key('E', WM_SYSKEYUP);
  Key(VK_MENU, WM_KEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
  Key('C');
  WaitFor([&] { return CopyClicks > 0; }, 2000);
  EXPECT_EQ(CopyClicks, 1);
  EXPECT_FALSE(IsMenuOpen());
  // Alt while a menu is open closes it, and its release does not reopen the mode.
  Key('F', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  Key(VK_MENU, WM_SYSKEYDOWN);
  EXPECT_FALSE(IsMenuOpen());
  Key(VK_MENU, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 0);
  // An item without children drops nothing.
  Key('N', WM_SYSKEYDOWN);
  EXPECT_FALSE(IsMenuOpen());
}

TEST_F(MenuBarTest, EveryShortcutOfAnItemFires) {
  Key(VK_F7);
  WaitFor([&] { return SpellClicks > 0; }, 2000);
  EXPECT_EQ(SpellClicks, 1);
  Key('K', WM_SYSKEYDOWN);
  WaitFor([&] { return SpellClicks > 1; }, 2000);
  EXPECT_EQ(SpellClicks, 2);
  // A disabled parent stops it.
  Tools->SetEnabled(false);
  Key(VK_F7);
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(SpellClicks, 2);
}

TEST_F(MenuBarTest, MouseHotTracksAndClickDrops) {
  TRect r = Bar->ItemRect(1);
  PostMouse(Bar, WM_MOUSEMOVE, r.left + 4, r.top + 4);
  EXPECT_EQ(Bar->HotIndex(), 1);
  EXPECT_EQ(Bar->TrackMode, 1);
  PostMouse(Bar, WM_MOUSEMOVE, r.left + 5, r.top + 5);  // within 2 pixels
  EXPECT_EQ(Bar->HotIndex(), 1);
  PostMouse(Bar, WM_LBUTTONDOWN, r.left + 8, r.top + 4, MK_LBUTTON);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->Item, Edit);
  // The menu opens below the item.
  TPoint below = Bar->ClientToScreen(Point(r.left, r.bottom));
  EXPECT_EQ(Drop()->Left(), below.x);
  EXPECT_EQ(Drop()->Top(), below.y);
  // Moving to another item while a menu is open drops that one.
  TRect f = Bar->ItemRect(0);
  PostMouse(Bar, WM_MOUSEMOVE, f.left + 4, f.top + 4);
  EXPECT_EQ(Drop()->Item, File);
  // A click elsewhere closes the menu and leaves the mode.
  PostMouse(FForm.get(), WM_LBUTTONDOWN, 300, 300, MK_LBUTTON);
  EXPECT_FALSE(IsMenuOpen());
  EXPECT_EQ(Bar->TrackMode, 0);
}

TEST_F(MenuBarTest, ScreenshotOfAnOpenMenu) {
  auto* popup = new TPopupMenuX(FForm.get());
  popup->Options()->Animation = anNone;
  popup->Options()->Title()->Visible = true;
  popup->Options()->Title()->Width = 22;
  popup->Options()->Title()->Text = "Quillon 2000";
  popup->Options()->Title()->Font()->SetName("Arial Black");
  popup->Options()->Title()->Font()->SetSize(11);
  popup->Options()->Title()->Font()->SetColor(clWhite);
  for (const char* c : {"&New Archive...", "&Open Archive...", "&Close Archive", "-", "&Copy", "&Paste", "&Delete",
                        "&Find", "P&roperties", "-", "&Refresh", "&Contents"})
    AddItem(popup->Items(), c);
  TMenuItemX* checked = AddItem(popup->Items(), "Status &Bar");
  checked->SetChecked(true);
  TMenuItemX* sub = AddItem(popup->Items(), "Arrange &Icons");
  AddItem(sub, "by &Name");
  popup->Items()->Items(2)->SetEnabled(false);
  TPopupMenuXForm* w = Show(popup, FForm->Left() + 40, FForm->Top() + 60);
  MoveToRow(w, 4);
  Pump();
  WaitFor([] { return false; }, 200);
  RECT fr, mr;
  GetWindowRect(FForm->Handle(), &fr);
  GetWindowRect(w->Handle(), &mr);
  RECT all;
  UnionRect(&all, &fr, &mr);
  TBitmap shot;
  shot.SetSize(all.right - all.left, all.bottom - all.top);
  HDC screen = GetDC(nullptr);
  BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), screen, all.left, all.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  const std::string dir = std::string(MORV_BINARY_DIR) + "/screenshots";
  std::filesystem::create_directories(dir);
  shot.SaveToFile(dir + "/menu_open.bmp");
  EXPECT_TRUE(std::filesystem::exists(dir + "/menu_open.bmp"));
  // The pictures are drawn: the Copy row is not plain menu colour in its glyph column.
  TRect r = w->GetItemRect(4);
  int coloured = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.left + 20; ++x)
      if (ColorToRGB(w->Buffer->Canvas()->Pixels(x, y)) != ColorToRGB(clHighlight) &&
          ColorToRGB(w->Buffer->Canvas()->Pixels(x, y)) != ColorToRGB(clMenu))
        ++coloured;
  EXPECT_GT(coloured, 20);
}
