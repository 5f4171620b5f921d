#include "controls/commands/dropdownlist.h"

#include <gtest/gtest.h>

#include <vector>

#include "commands_fixture.h"
#include "controls/commands/tbbutton.h"

namespace {

using DropdownTest = CommandsTest;

TMenuItem* AddItem(TPopupMenu* M, const std::string& Caption, const std::string& Hint = {}) {
  auto* I = new TMenuItem(M);
  I->SetCaption(Caption);
  I->SetHint(Hint);
  M->Items()->Add(I);
  return I;
}

TEST_F(DropdownTest, AMenuIsListedOnceAndTheWindowLivesWhileAnyIs) {
  TForm* F = MakeForm();
  const size_t Before = DropdownList()->Menus().size();
  auto* M = new TPopupMenu(F);
  auto* A = new TToolbarButtonX(F);
  auto* B = new TToolbarButtonX(F);
  A->SetDropdownMenu(M);
  B->SetDropdownMenu(M);
  EXPECT_EQ(DropdownList()->Menus().size(), Before + 1);
  HWND W = DropdownList()->Window();
  ASSERT_TRUE(IsWindow(W));
  EXPECT_FALSE(IsWindowVisible(W));
  delete M;
  EXPECT_EQ(A->DropdownMenu(), nullptr);
  EXPECT_EQ(DropdownList()->Menus().size(), Before);
  if (Before == 0) {
    EXPECT_EQ(DropdownList()->Window(), nullptr);
    EXPECT_FALSE(IsWindow(W));
  }
}

TEST_F(DropdownTest, AChosenCommandReachesTheItemThroughTheListWindow) {
  TForm* F = MakeForm();
  auto* M = new TPopupMenu(F);
  int Popups = 0;
  M->OnPopup = [&](TObject*) { ++Popups; };
  std::vector<std::string> Clicked;
  for (const char* C : {"One", "Two"}) {
    TMenuItem* I = AddItem(M, C, std::string(C) + " hint");
    I->OnClick = [&Clicked, C](TObject*) { Clicked.push_back(C); };
  }
  auto* B = new TToolbarButtonX(F);
  B->SetCaption("Menu");
  B->SetBounds(10, 10, 60, 22);
  B->SetParent(F);
  B->SetDropdownMenu(M);
  std::vector<std::string> Hints;
  TNotifyEvent SavedHint = Application->OnHint;
  Application->OnHint = [&](TObject*) { Hints.push_back(Application->Hint()); };
  F->Show();
  Pump();
  {
    UiDriver::TModalAnswerer Answer;
    Answer.ChooseMenuItem(1);
    UiDriver::Click(B);
    EXPECT_TRUE(Answer.Done());
  }
  UiDriver::WaitFor([&] { return !Clicked.empty(); }, 2000);
  Application->OnHint = SavedHint;
  EXPECT_EQ(Popups, 1);
  EXPECT_EQ(Clicked, std::vector<std::string>{"Two"});
  // The selection showed the item's hint; closing the menu cleared it.
  EXPECT_NE(std::find(Hints.begin(), Hints.end(), "Two hint"), Hints.end());
  EXPECT_EQ(Application->Hint(), "");
}

TEST_F(DropdownTest, HelpOnAnItemShowsItsContextThroughTheApplication) {
  struct Call {
    WORD Command;
    LPARAM Data;
  };
  std::vector<Call> Calls;
  Application->OnHelp = [&](WORD Command, LPARAM Data, bool& CallHelp) {
    Calls.push_back({Command, Data});
    CallHelp = false;
    return true;
  };
  TForm* F = MakeForm();
  auto* M = new TPopupMenu(F);
  TMenuItem* One = AddItem(M, "One");
  One->HelpContext = 31;
  TMenuItem* Plain = AddItem(M, "Plain");
  TMenuItem* Sub = AddItem(M, "Sub");
  Sub->HelpContext = 52;
  auto* Inner = new TMenuItem(M);
  Inner->SetCaption("Deep");
  Sub->Add(Inner);
  auto* Unlisted = new TPopupMenu(F);
  TMenuItem* Stray = AddItem(Unlisted, "Stray");
  Stray->HelpContext = 99;
  DropdownList()->AddMenu(M);
  auto Help = [&](int Id, HMENU Menu) {
    HELPINFO Info{};
    Info.cbSize = sizeof Info;
    Info.iContextType = HELPINFO_MENUITEM;
    Info.iCtrlId = Id;
    Info.hItemHandle = Menu;
    SendMessageW(DropdownList()->Window(), WM_HELP, 0, reinterpret_cast<LPARAM>(&Info));
  };

  // Without a main window nothing is shown.
  ASSERT_EQ(Application->MainForm(), nullptr);
  Help(static_cast<int>(One->Command()), M->Handle());
  EXPECT_TRUE(Calls.empty());

  auto* Main = Application->CreateForm<TForm>("THelpMainForm");
  ASSERT_EQ(Application->MainForm(), Main);
  Help(static_cast<int>(One->Command()), M->Handle());
  Help(0, Sub->Handle());                                     // a submenu: by its handle
  Help(static_cast<int>(Plain->Command()), M->Handle());      // no context
  Help(static_cast<int>(Stray->Command()), Unlisted->Handle());  // not a drop-down menu
  Main->SetBorderIcons(biSystemMenu | biHelp);
  Help(static_cast<int>(One->Command()), M->Handle());
  delete Main;
  Application->OnHelp = nullptr;

  ASSERT_EQ(Calls.size(), 3u);
  EXPECT_EQ(Calls[0].Command, HELP_CONTEXT);
  EXPECT_EQ(Calls[0].Data, 31);
  EXPECT_EQ(Calls[1].Command, HELP_CONTEXT);
  EXPECT_EQ(Calls[1].Data, 52);
  EXPECT_EQ(Calls[2].Command, HELP_CONTEXTPOPUP);
  EXPECT_EQ(Calls[2].Data, 31);
}

}  // namespace
