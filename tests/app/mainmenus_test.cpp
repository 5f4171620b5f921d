// The main window's menus on the menu library: the bar above the toolbar,
// every command reachable through it, keys and clicks running them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/mainform.h"
#include "app/settings.h"
#include "controls/commands/mxmenubar.h"
#include "framework/ui/testdriver.h"

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

}  // namespace
