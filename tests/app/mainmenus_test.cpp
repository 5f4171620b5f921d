// The main window's menus on the menu library: the bar above the toolbar,
// every command reachable through it, keys and clicks running them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/mainform.h"
#include "app/settings.h"
#include "controls/commands/mxmenubar.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"

namespace {

class MainMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display";
    Form.reset(new TMainForm(Application));
    Form->Show();
    SetForegroundWindow(Form->Handle());
    SetActiveWindow(Form->Handle());
    Application->ProcessMessages();
    Bar = UiDriver::Find<TCustomMenuBarX>(Form.get(), "MenuBar1");
    Bar->Options()->Animation = anNone;
  }
  void TearDown() override {
    CloseAllMenus(true);
    Form.reset();
    Application->ProcessMessages();
  }
  void Key(WORD VKey, UINT Msg = WM_KEYDOWN) {
    PostMessageA(Form->Handle(), Msg, VKey, Msg == WM_SYSKEYDOWN || Msg == WM_SYSKEYUP ? (1 << 29) | 1 : 1);
    Application->ProcessMessages();
  }
  static bool WaitFor(const std::function<bool()>& Done) { return UiDriver::WaitFor(Done, 3000); }
  TPopupMenuXForm* Drop() { return Bar->DropMenu()->Form(); }
  int RowOf(TPopupMenuXForm* W, TMenuItem* Item) {
    for (int i = 0; i < W->RowCount(); ++i)
      if (W->Row(i).Item == Item) return i;
    return -1;
  }
  std::unique_ptr<TMainForm> Form;
  TCustomMenuBarX* Bar = nullptr;
};

TEST_F(MainMenusTest, BarReplacesTheWindowMenuAboveTheToolbar) {
  EXPECT_EQ(Bar->Menu(), Form->MainMenu1);
  EXPECT_EQ(GetMenu(Form->Handle()), nullptr);
  EXPECT_EQ(Bar->Top(), 0);
  // The toolbar sits in its top dock, which comes right below the bar.
  TControl* Dock = Form->ToolbarPanel->Parent();
  ASSERT_NE(Dock, nullptr);
  EXPECT_EQ(Dock->Top(), Bar->Height());
  std::vector<std::string> captions;
  for (TMenuItem* it : Bar->BarItems()) captions.push_back(it->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"&File", "&Edit", "&View", "&Actions", "&Options", "&Help"}));
  // The entry list's pop-up menus are the library's, the file menu with its strip.
  auto* files = dynamic_cast<TPopupMenuX*>(Form->FilePopUp);
  ASSERT_NE(files, nullptr);
  EXPECT_TRUE(files->Options()->Title()->Visible);
  EXPECT_EQ(files->Options()->Title()->Text, "Quillon 2000");
  EXPECT_NE(dynamic_cast<TPopupMenuX*>(Form->SortPopUp), nullptr);
}

TEST_F(MainMenusTest, EveryCommandIsReachableFromTheBar) {
  // Walks each menu as the user would open it: every visible item shows as
  // a row, submenus open from their rows.
  int leaves = 0;
  std::function<void(TPopupMenuXForm*, TMenuItem*)> walk = [&](TPopupMenuXForm* W, TMenuItem* Parent) {
    for (int i = 0; i < Parent->Count(); ++i) {
      TMenuItem* it = Parent->Items(i);
      if (!it->Visible()) continue;
      const int row = RowOf(W, it);
      ASSERT_GE(row, 0) << it->Caption();
      if (it->Count() == 0) {
        if (!it->IsLine()) ++leaves;
        continue;
      }
      if (!it->Enabled()) continue;
      W->PrevItemIndex = W->ItemIndex;
      W->ItemIndex = row;
      W->OpenSubmenu(true);
      ASSERT_NE(W->ChildForm(), nullptr) << it->Caption();
      walk(W->ChildForm(), it);
    }
  };
  auto items = Bar->BarItems();
  for (int i = 0; i < int(items.size()); ++i) {
    // Alt and Right steps to each item; Down opens it.
    Key(VK_MENU, WM_SYSKEYDOWN);
    Key(VK_MENU, WM_SYSKEYUP);
    for (int k = 0; k < i; ++k) Key(VK_RIGHT);
    Key(VK_DOWN);
    ASSERT_TRUE(IsMenuOpen()) << items[size_t(i)]->Caption();
    EXPECT_EQ(Drop()->Item, items[size_t(i)]);
    walk(Drop(), items[size_t(i)]);
    Key(VK_ESCAPE);
    ASSERT_FALSE(IsMenuOpen());
  }
  EXPECT_GT(leaves, 30);
}

TEST_F(MainMenusTest, KeysAndClicksRunTheViewCommands) {
  const int status = ViewStatusLine;
  // Alt+V, then the mnemonic of "&Status Bar".
  Key('V', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  Key('S');
  ASSERT_TRUE(WaitFor([&] { return ViewStatusLine != status; }));
  EXPECT_EQ(Form->StatusLine->Visible(), ViewStatusLine == 1);
  EXPECT_FALSE(IsMenuOpen());
  // A click on "View", then on the "Toolbar" row.
  const int toolbar = ViewToolbar;
  TRect r = Bar->ItemRect(2);
  PostMessageA(Bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 5, r.top + 5));
  Application->ProcessMessages();
  ASSERT_TRUE(IsMenuOpen());
  TPopupMenuXForm* w = Drop();
  const int row = RowOf(w, UiDriver::Find<TMenuItem>(Form.get(), "Toolbar1"));
  ASSERT_GE(row, 0);
  TRect rr = w->GetItemRect(row);
  const LPARAM at = MAKELPARAM(rr.left + 10, (rr.top + rr.bottom) / 2);
  PostMessageA(w->Handle(), WM_MOUSEMOVE, 0, at);
  PostMessageA(w->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(w->Handle(), WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(WaitFor([&] { return ViewToolbar != toolbar; }));
  EXPECT_EQ(Form->ToolbarPanel->Visible(), ViewToolbar == 1);
  // Restore what the settings had.
  Key('V', WM_SYSKEYDOWN);
  Key('S');
  Key('V', WM_SYSKEYDOWN);
  Key('T');
  WaitFor([&] { return ViewToolbar == toolbar && ViewStatusLine == status; });
}

TEST_F(MainMenusTest, BarItemsWithHintsGetToolTips) {
  ASSERT_NE(Bar->ToolTips(), nullptr);
  // File, Edit, View and Help are standard commands with hints.
  EXPECT_EQ(SendMessageA(Bar->ToolTips()->Handle(), TTM_GETTOOLCOUNT, 0, 0), 4);
  // The dropped menus show the hints of their rows too.
  Key('V', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_TRUE(Bar->DropMenu()->ShowHint());
  ASSERT_NE(Drop()->ToolTips, nullptr);
  EXPECT_GT(SendMessageA(Drop()->ToolTips->Handle(), TTM_GETTOOLCOUNT, 0, 0), 0);
  Key(VK_ESCAPE);
}

// The Open button's drop-down menu lists the recent archives by full path.
class RecentDropdownTest : public MainMenusTest {
 protected:
  void SetUp() override {
    MainMenusTest::SetUp();
    if (IsSkipped()) return;
    for (int k = 0; k < 5; ++k) Saved[k] = *Slots[k];
    T = &Form->MainToolbar;
    T->TopMenu->Options()->Animation = anNone;
    Open = T->Buttons[1];
    LayoutMainToolbar(*T, true, true, "11111111111111");
  }
  void TearDown() override {
    if (T)
      for (int k = 0; k < 5; ++k) *Slots[k] = Saved[k];
    MainMenusTest::TearDown();
  }
  void SetRecent(std::initializer_list<std::string> Names) {
    int k = 0;
    for (const std::string& n : Names) *Slots[k++] = n;
    while (k < 5) *Slots[k++] = "";
    Form->UpdateHistoryMenu();
  }
  // A press and release on the arrow part of the Open button.
  void PressArrow() {
    const LPARAM at = MAKELPARAM(Open->Left() + Open->Width() - 4, Open->Top() + 6);
    PostMessageA(T->Bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(T->Bar->Handle(), WM_LBUTTONUP, 0, at);
    Application->ProcessMessages();
  }
  std::string* Slots[5] = {&ActiveFile1, &ActiveFile2, &ActiveFile3, &ActiveFile4, &ActiveFile5};
  std::string Saved[5];
  TMainToolbar* T = nullptr;
  TToolbarButtonX* Open = nullptr;
};

TEST_F(RecentDropdownTest, ExistsOnlyWhileTheListHasAnEntry) {
  SetRecent({});
  EXPECT_EQ(Open->DropdownMenu(), nullptr);
  SetRecent({"C:\\archives\\backup\\old\\more\\one.zip", "C:\\two.zip"});
  EXPECT_EQ(Open->DropdownMenu(), T->TopMenu);
  EXPECT_TRUE(Open->DropdownCombo());
  PressArrow();
  ASSERT_TRUE(T->TopMenu->IsShowing());
  TPopupMenuXForm* w = T->TopMenu->Form();
  // Two visible rows with the full paths (the File menu shortens them).
  ASSERT_EQ(w->RowCount(), 2);
  EXPECT_EQ(w->Row(0).Item->Caption(), "&1 C:\\archives\\backup\\old\\more\\one.zip");
  EXPECT_EQ(w->Row(1).Item->Caption(), "&2 C:\\two.zip");
  EXPECT_NE(Form->HistoryItems[0]->Caption(), w->Row(0).Item->Caption());
  // It opens below the button.
  TPoint below = Open->ClientToScreen(Point(0, Open->Height()));
  EXPECT_EQ(w->Left(), below.x);
  EXPECT_EQ(w->Top(), below.y);
  // A second press on the arrow closes it and does not open it again.
  PressArrow();
  EXPECT_FALSE(T->TopMenu->IsShowing());
  PressArrow();
  EXPECT_TRUE(T->TopMenu->IsShowing());
  CloseAllMenus(true);
  SetRecent({});
  EXPECT_EQ(Open->DropdownMenu(), nullptr);
}

TEST_F(RecentDropdownTest, OpensBesideTheButtonOnTheSideDocks) {
  SetRecent({"C:\\one.zip"});
  const uint8_t align = AlignToolbar;
  const struct {
    int Align;
    bool Right;  // opens to the left of the button
  } Cases[] = {{0, false}, {1, true}};
  for (auto C : Cases) {
    DockMainToolbar(*T, C.Align);
    Application->ProcessMessages();
    PressArrow();
    ASSERT_TRUE(T->TopMenu->IsShowing()) << C.Align;
    TPopupMenuXForm* w = T->TopMenu->Form();
    if (C.Right) {
      EXPECT_EQ(w->Left() + w->Width(), Open->ClientToScreen(Point(0, 0)).x);
    } else {
      EXPECT_EQ(w->Left(), Open->ClientToScreen(Point(Open->Width(), 0)).x);
    }
    EXPECT_EQ(w->Top(), Open->ClientToScreen(Point(0, 0)).y);
    CloseAllMenus(true);
  }
  DockMainToolbar(*T, align);
}

TEST_F(RecentDropdownTest, ChoosingAnEntryReopensItOrDropsAMissingOne) {
  const std::string dir = morvtest::TempDir();
  const std::string zip = dir + "\\recent.zip";
  ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) + "' && echo x > x && zip -q recent.zip x"), 0);
  const std::string gone = dir + "\\gone.zip";
  SetRecent({gone, zip});
  PressArrow();
  ASSERT_TRUE(T->TopMenu->IsShowing());
  // "2" chooses the second entry, which is opened and moves to the front.
  PostMessageA(Form->Handle(), WM_KEYDOWN, '2', 1);
  ASSERT_TRUE(WaitFor([&] { return ArchiveName == zip; }));
  EXPECT_EQ(ActiveFile1, zip);
  EXPECT_EQ(ActiveFile2, gone);
  // The missing one leaves the list without a word.
  PressArrow();
  ASSERT_TRUE(T->TopMenu->IsShowing());
  PostMessageA(Form->Handle(), WM_KEYDOWN, '2', 1);
  ASSERT_TRUE(WaitFor([&] { return ActiveFile2.empty(); }));
  EXPECT_EQ(ActiveFile1, zip);
  EXPECT_EQ(Open->DropdownMenu(), T->TopMenu);
  Form->CloseArchiveClick(nullptr);
}

TEST_F(MainMenusTest, ScreenshotOfTheFileMenu) {
  // The recent items as the start-up routine leaves them.
  Form->UpdateHistoryMenu();
  Key('F', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  TPopupMenuXForm* w = Drop();
  w->SetItemIndex(1);
  Application->ProcessMessages();
  UiDriver::WaitFor([] { return false; }, 200);
  morvtest::SaveWindowShot(GetDesktopWindow(),
                           morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/mainform-filemenu.bmp"));
  // The File menu shows the pictures of its commands.
  auto* open = dynamic_cast<TMenuItemX*>(UiDriver::Find<TMenuItem>(Form.get(), "OpenArchive"));
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->HasBitmap());
  Key(VK_ESCAPE);
}

}  // namespace
