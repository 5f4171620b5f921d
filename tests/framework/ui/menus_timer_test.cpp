#include <string>
#include <vector>

#include "framework/ui/extctrls.h"
#include "framework/ui/menus.h"
#include "tests/framework/ui/ui_fixture.h"

using namespace UiDriver;

TEST(ShortCuts, TextRoundTrip) {
  struct {
    TShortCut Value;
    const char* Text;
  } cases[] = {{ShortCut('O', ssCtrl), "Ctrl+O"}, {ShortCut(VK_F1, 0), "F1"},
               {ShortCut(VK_DELETE, ssShift), "Shift+Del"}, {ShortCut('X', ssAlt), "Alt+X"},
               {ShortCut(VK_F12, ssCtrl | ssShift), "Shift+Ctrl+F12"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCutToText(c.Value), c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), c.Value) << c.Text;
  }
  EXPECT_EQ(StripHotkey("Sort by &Name"), "Sort by Name");
  EXPECT_EQ(StripHotkey("Fish && &Chips"), "Fish & Chips");
}

class MenuTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    if (IsSkipped()) return;
    Form = MakeForm();
    Menu = new TMainMenu(Form);
    File = new TMenuItem(Form);
    File->SetCaption("&File");
    Menu->Items()->Add(File);
    Open = new TMenuItem(Form);
    Open->SetCaption("&Open...");
    Open->SetShortCut(ShortCut('O', ssCtrl));
    File->Add(Open);
    Sep = new TMenuItem(Form);
    Sep->SetCaption("-");
    File->Add(Sep);
    Exit = new TMenuItem(Form);
    Exit->SetCaption("E&xit");
    File->Add(Exit);
    Form->SetMenu(Menu);
    Form->Show();
  }
  TForm* Form = nullptr;
  TMainMenu* Menu = nullptr;
  TMenuItem *File = nullptr, *Open = nullptr, *Sep = nullptr, *Exit = nullptr;
};

TEST_F(MenuTest, CommandReachesOnClickAndTheMenuShowsTheItems) {
  std::vector<std::string> log;
  Open->OnClick = [&](TObject* S) { log.push_back(S == Open ? "open" : "?"); };
  Exit->OnClick = [&](TObject*) { log.push_back("exit"); };
  ClickMenu(Form, Open);
  ClickMenu(Form, Exit);
  EXPECT_EQ(log, (std::vector<std::string>{"open", "exit"}));
  HMENU bar = GetMenu(Form->Handle());
  ASSERT_TRUE(bar);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  HMENU sub = GetSubMenu(bar, 0);
  EXPECT_EQ(GetMenuItemCount(sub), 3);
  wchar_t text[64];
  GetMenuStringW(sub, 0, text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"&Open...\tCtrl+O");
  EXPECT_EQ(GetMenuItemID(sub, 0), Open->Command());
}

TEST_F(MenuTest, CheckedEnabledAndVisibleReachTheMenu) {
  HMENU sub = GetSubMenu(GetMenu(Form->Handle()), 0);
  Open->SetChecked(true);
  Exit->SetEnabled(false);
  EXPECT_TRUE(GetMenuState(sub, Open->Command(), MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(sub, Exit->Command(), MF_BYCOMMAND) & MF_GRAYED);
  Sep->SetVisible(false);
  EXPECT_EQ(GetMenuItemCount(sub), 2);
  Sep->SetVisible(true);
  EXPECT_EQ(GetMenuItemCount(sub), 3);
}

TEST_F(MenuTest, ShortCutKeyClicksTheItemAndOpeningASubmenuClicksItsParent) {
  int opens = 0, files = 0;
  Open->OnClick = [&](TObject*) { ++opens; };
  File->OnClick = [&](TObject*) { ++files; };
  PressKey(Form, 'O', ssCtrl);
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(files, 1);
  Open->SetEnabled(false);
  PressKey(Form, 'O', ssCtrl);
  EXPECT_EQ(opens, 1);
  SendMessageW(Form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(File->Handle()), 0);
  EXPECT_EQ(files, 2);
}

TEST_F(MenuTest, RadioItemsOfAGroupAreExclusive) {
  auto* a = new TMenuItem(Form);
  auto* b = new TMenuItem(Form);
  for (TMenuItem* i : {a, b}) {
    i->SetRadioItem(true);
    i->SetGroupIndex(3);
    File->Add(i);
  }
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  delete a;
  EXPECT_EQ(File->Count(), 4);
  EXPECT_EQ(FindMenuItemByCommand(b->Command()), b);
}

TEST_F(MenuTest, PopupMenuFiresOnPopupAndRunsTheChosenItem) {
  auto* popup = new TPopupMenu(Form);
  auto* first = new TMenuItem(Form);
  first->SetCaption("Sort by &Name");
  auto* second = new TMenuItem(Form);
  second->SetCaption("Sort by &Path");
  popup->Items()->Add(first);
  popup->Items()->Add(second);
  std::vector<std::string> log;
  popup->OnPopup = [&](TObject*) {
    log.push_back("popup");
    second->SetChecked(true);
  };
  first->OnClick = [&](TObject*) { log.push_back("name"); };
  second->OnClick = [&](TObject*) { log.push_back("path"); };
  auto* panel = new TPanel(Form);
  panel->SetPopupMenu(popup);
  panel->SetParent(Form);
  TModalAnswerer answer;
  answer.ChooseMenuItem(1);
  POINT p = panel->ClientToScreen(Point(5, 5));
  SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), MAKELPARAM(p.x, p.y));
  EXPECT_EQ(popup->PopupComponent(), panel);
  EXPECT_EQ(log, (std::vector<std::string>{"popup", "path"}));
  EXPECT_TRUE(GetMenuState(popup->Handle(), second->Command(), MF_BYCOMMAND) & MF_CHECKED);
  delete popup;
  EXPECT_EQ(panel->PopupMenu(), nullptr);
}

TEST_F(UiTest, TimerFiresFromTheMessageLoopUntilDisabled) {
  TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetInterval(20);
  int ticks = 0;
  timer.OnTimer = [&](TObject* S) {
    if (S == &timer) ++ticks;
  };
  timer.SetEnabled(true);
  EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }, 3000));
  timer.SetEnabled(false);
  int seen = ticks;
  WaitFor([] { return false; }, 150);
  EXPECT_EQ(ticks, seen);
}
