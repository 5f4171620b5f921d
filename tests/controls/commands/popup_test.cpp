// Popup menus: measured size, opening, mouse tracking, submenus, keyboard,
// closing, hidden items and system menus.
#include <utility>
#include <vector>

#include "controls/commands/mxbuttons.h"
#include "framework/ui/comctrls.h"
#include "menus_fixture.h"

class PopupTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    if (IsSkipped()) return;
    Menu = new TPopupMenuX(FForm.get());
    Menu->Options()->Animation = anNone;
    Copy = AddItem(Menu->Items(), "&Copy", &CopyClicks);
    Open = AddItem(Menu->Items(), "&Open", &OpenClicks);
    AddItem(Menu->Items(), "-");
    Sub = AddItem(Menu->Items(), "&More");
    AddItem(Sub, "One", &OneClicks);
    AddItem(Sub, "Two");
    Gone = AddItem(Menu->Items(), "&Gone");
    Gone->SetEnabled(false);
  }
  TPopupMenuX* Menu = nullptr;
  TMenuItemX *Copy = nullptr, *Open = nullptr, *Sub = nullptr, *Gone = nullptr;
  int CopyClicks = 0, OpenClicks = 0, OneClicks = 0;
};

TEST_F(PopupTest, OpensWithTheMeasuredSize) {
  TPopupMenuXForm* w = Show(Menu);
  ASSERT_TRUE(Menu->IsShowing());
  EXPECT_EQ(CurrentPopupMenu, Menu);
  ASSERT_EQ(w->RowCount(), 5);
  EXPECT_EQ(w->Width(), w->ContentWidth());
  EXPECT_EQ(w->Height(), w->ContentHeight());
  RECT r;
  GetWindowRect(w->Handle(), &r);
  EXPECT_EQ(r.right - r.left, w->FullWidth);
  EXPECT_EQ(r.bottom - r.top, w->FullHeight);
  // The system font sets the row height ("Hj" + 5, plus 2); a separator is
  // its own height + 2.
  const int text = w->Buffer->Canvas()->TextHeight("Hj") + 5;
  EXPECT_EQ(w->GetRowHeight(0), text + 2);
  EXPECT_EQ(w->GetRowHeight(2), 9 + 2);
  EXPECT_EQ(w->Row(1).Top, w->Row(0).Top + w->Row(0).Height);
  // Width: the margins around the widest caption and shortcut, the border.
  const int shortcut = w->Buffer->Canvas()->TextWidth("Ctrl+C");
  EXPECT_GE(w->ItemWidth, 23 + 23 + shortcut + 4);
  EXPECT_THROW(w->GetItemRect(5), EListError);
}

TEST_F(PopupTest, AlignmentPlacesTheMenuAroundThePoint) {
  const struct {
    TPopupAlignment Align;
    int Numerator;  // the part of the width left of the point, in halves
  } Cases[] = {{paLeft, 0}, {paRight, 2}, {paCenter, 1}};
  for (auto C : Cases) {
    Menu->SetAlignment(C.Align);
    TPopupMenuXForm* w = Show(Menu, 300, 120);
    EXPECT_EQ(w->Left(), 300 - w->FullWidth * C.Numerator / 2) << C.Align;
    EXPECT_EQ(w->Top(), 120);
    CloseAllMenus(true);
  }
  // A submenu still opens beside its row.
  Menu->SetAlignment(paRight);
  TPopupMenuXForm* w = Show(Menu, 300, 120);
  w->SetItemIndex(3);
  w->OpenSubmenu(true);
  ASSERT_NE(w->ChildForm(), nullptr);
  WaitFor([&] { return !w->ChildForm()->Animating(); });
  EXPECT_EQ(w->ChildForm()->Left(), w->Left() + w->Width() - 5);
}

TEST_F(PopupTest, AnimatedOpeningEndsAtTheFullSize) {
  Menu->Options()->Animation = anSmart;
  Menu->Popup(120, 90);
  TPopupMenuXForm* w = Menu->Form();
  EXPECT_TRUE(w->Animating());
  EXPECT_LT(w->Height(), w->FullHeight);
  ASSERT_TRUE(WaitFor([&] { return !w->Animating(); }));
  EXPECT_EQ(w->Width(), w->FullWidth);
  EXPECT_EQ(w->Height(), w->FullHeight);
  EXPECT_EQ(w->Left(), 120);
  EXPECT_EQ(w->Top(), 90);
  // Smart shows a vertical slide and lets its submenus slide sideways.
  EXPECT_EQ(w->Animation, anHSlide);
}

TEST_F(PopupTest, FollowsMouseMovesIgnoringTwoPixels) {
  TPopupMenuXForm* w = Show(Menu);
  MoveToRow(w, 0);
  EXPECT_EQ(w->ItemIndex, 0);
  // The boundary to row 1 lies 2 pixels or less away: ignored.
  TRect r0 = w->GetItemRect(0);
  const int x = (r0.left + r0.right) / 2, y = (r0.top + r0.bottom) / 2;
  const int down = r0.bottom - y;  // the first pixel of row 1
  ASSERT_LE(down, 12);
  PostMouse(w, WM_MOUSEMOVE, x + 2, y + 2);
  EXPECT_EQ(w->ItemIndex, 0);
  PostMouse(w, WM_MOUSEMOVE, x, r0.bottom + 1);
  EXPECT_EQ(w->ItemIndex, 1);
  PostMouse(w, WM_MOUSEMOVE, x + 1, r0.bottom - 1);  // back by 2: ignored
  EXPECT_EQ(w->ItemIndex, 1);
}

TEST_F(PopupTest, SubmenuOpensAfterTheDelay) {
  TPopupMenuXForm* w = Show(Menu);
  MoveToRow(w, 3);
  ASSERT_EQ(w->ItemIndex, 3);
  const DWORD start = GetTickCount();
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(w->ChildForm(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return w->ChildForm() && w->ChildForm()->Visible() && !w->ChildForm()->Animating(); }));
  EXPECT_GE(GetTickCount() - start, 240u);
  TPopupMenuXForm* c = w->ChildForm();
  EXPECT_EQ(c->RowCount(), 2);
  EXPECT_EQ(c->ParentForm, w);
  // Beside the parent, the first row level with the opening row.
  EXPECT_EQ(c->Left(), w->Left() + w->Width() - 5);
  EXPECT_EQ(c->Top(), w->Top() + w->Row(3).Top - 5);
  EXPECT_EQ(c->ItemIndex, -1);
  // A click in the submenu runs its command and closes the chain.
  MoveToRow(c, 0);
  TRect r = c->GetItemRect(0);
  PostMouse(c, WM_LBUTTONDOWN, r.left + 5, r.top + 3, MK_LBUTTON);
  PostMouse(c, WM_LBUTTONUP, r.left + 5, r.top + 3);
  EXPECT_EQ(OneClicks, 1);
  EXPECT_FALSE(Menu->IsShowing());
  EXPECT_EQ(CurrentPopupMenu, nullptr);
}

TEST_F(PopupTest, KeyboardMovesOpensAndCloses) {
  TPopupMenuXForm* w = Show(Menu);
  Key(VK_DOWN);
  EXPECT_EQ(w->ItemIndex, 0);
  Key(VK_DOWN);
  Key(VK_DOWN);  // over the separator
  EXPECT_EQ(w->ItemIndex, 3);
  Key(VK_RIGHT);  // at once, first row selected
  ASSERT_NE(w->ChildForm(), nullptr);
  EXPECT_TRUE(w->ChildForm()->Visible());
  EXPECT_EQ(w->ChildForm()->ItemIndex, 0);
  EXPECT_EQ(Menu->DeepestOpenForm(), w->ChildForm());
  Key(VK_LEFT);
  EXPECT_TRUE(w->ChildForm() == nullptr || !w->ChildForm()->Visible());
  EXPECT_TRUE(Menu->IsShowing());
  Key(VK_DOWN);  // the disabled row can be selected
  EXPECT_EQ(w->ItemIndex, 4);
  Key(VK_DOWN);  // wraps
  EXPECT_EQ(w->ItemIndex, 0);
  Key(VK_UP);
  EXPECT_EQ(w->ItemIndex, 4);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Menu->IsShowing());
}

TEST_F(PopupTest, EscapeInASubmenuClosesOnlyIt) {
  TPopupMenuXForm* w = Show(Menu);
  Key(VK_UP);
  Key(VK_UP);
  ASSERT_EQ(w->ItemIndex, 3);
  Key(VK_RIGHT);
  ASSERT_TRUE(w->ChildForm() && w->ChildForm()->Visible());
  Key(VK_ESCAPE);
  EXPECT_TRUE(Menu->IsShowing());
  EXPECT_TRUE(w->ChildForm() == nullptr || !w->ChildForm()->Visible());
  Key(VK_ESCAPE);
  EXPECT_FALSE(Menu->IsShowing());
}

TEST_F(PopupTest, EnterRunsTheCommandAfterTheKeyIsDone) {
  // A message posted after the key is handled before the command runs: the
  // command does not run inside the message hook that saw the key.
  bool later = false, laterFirst = false;
  FForm->SetMessageHandler(WM_APP + 50, [&](TMessage&) { later = true; });
  Open->OnClick = [&](TObject*) {
    ++OpenClicks;
    laterFirst = later;
  };
  TPopupMenuXForm* w = Show(Menu);
  Key(VK_DOWN);
  Key(VK_DOWN);
  ASSERT_EQ(w->ItemIndex, 1);
  PostMessageA(FForm->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(FForm->Handle(), WM_APP + 50, 0, 0);
  WaitFor([&] { return OpenClicks > 0; }, 2000);
  EXPECT_EQ(OpenClicks, 1);
  EXPECT_TRUE(laterFirst);
  EXPECT_FALSE(Menu->IsShowing());
}

TEST_F(PopupTest, MnemonicsChooseAndDisabledOnesOnlyBeep) {
  Show(Menu);
  Key('G');  // disabled
  EXPECT_TRUE(Menu->IsShowing());
  Key('C');
  WaitFor([&] { return CopyClicks > 0; }, 2000);
  EXPECT_EQ(CopyClicks, 1);
  EXPECT_FALSE(Menu->IsShowing());
  TPopupMenuXForm* w = Show(Menu);
  Key('M');  // a submenu opens with its first row
  ASSERT_TRUE(WaitFor([&] { return w->ChildForm() && w->ChildForm()->Visible(); }, 2000));
  EXPECT_EQ(w->ChildForm()->ItemIndex, 0);
}

TEST_F(PopupTest, ClickElsewhereCloses) {
  TPopupMenuXForm* w = Show(Menu);
  // A click inside the menu keeps it.
  PostMouse(w, WM_LBUTTONDOWN, 3, 1, MK_LBUTTON);
  EXPECT_TRUE(Menu->IsShowing());
  PostMouse(FForm.get(), WM_LBUTTONDOWN, 400, 300, MK_LBUTTON);
  EXPECT_FALSE(Menu->IsShowing());
  EXPECT_EQ(CurrentPopupMenu, nullptr);
  // Clicking a disabled row or a separator does nothing.
  w = Show(Menu);
  TRect r = w->GetItemRect(4);
  PostMouse(w, WM_MOUSEMOVE, r.left + 8, r.top + 4);
  PostMouse(w, WM_LBUTTONUP, r.left + 8, r.top + 4);
  EXPECT_TRUE(Menu->IsShowing());
}

TEST_F(PopupTest, CloseQueryCanKeepTheMenuOpen) {
  bool allow = false;
  Menu->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
  TObject* commanded = nullptr;
  Menu->OnMenuCommand = [&](TObject* S) { commanded = S; };
  TPopupMenuXForm* w = Show(Menu);
  TRect r = w->GetItemRect(0);
  MoveToRow(w, 0);
  PostMouse(w, WM_LBUTTONUP, r.left + 8, r.top + 4);
  EXPECT_TRUE(Menu->IsShowing());
  EXPECT_EQ(CopyClicks, 0);
  allow = true;
  PostMouse(w, WM_LBUTTONUP, r.left + 8, r.top + 4);
  EXPECT_EQ(CopyClicks, 1);
  EXPECT_EQ(commanded, Copy);
}

TEST_F(PopupTest, EmptyMenuShowsOneDisabledRow) {
  auto* empty = new TPopupMenuX(FForm.get());
  empty->Options()->Animation = anNone;
  TPopupMenuXForm* w = Show(empty);
  ASSERT_EQ(w->RowCount(), 1);
  EXPECT_EQ(w->RowItem(0)->Caption(), "(Empty)");
  EXPECT_FALSE(w->RowItem(0)->Enabled());
  EXPECT_EQ(static_cast<TMenuItemX*>(w->RowItem(0))->ShortCutText(), "");
}

TEST_F(PopupTest, HiddenItems) {
  auto* m = new TPopupMenuX(FForm.get());
  m->Options()->Animation = anNone;
  int rare = 0;
  AddItem(m->Items(), "Often");
  AddItem(m->Items(), "-")->SetHidden(true);
  TMenuItemX* r = AddItem(m->Items(), "Rare", &rare);
  r->SetHidden(true);
  TPopupMenuXForm* w = Show(m);
  EXPECT_EQ(w->RowCount(), 1);
  EXPECT_TRUE(w->State & fsHasHidden);
  EXPECT_EQ(w->Height(), w->ContentHeight());
  EXPECT_EQ(w->HitTest(w->Width() / 2, w->Height() - 8), -3);
  // Down past the last row shows the hidden items.
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(w->RowCount(), 3);
  EXPECT_TRUE(w->State & fsShowHidden);
  MoveToRow(w, 2);
  TRect rr = w->GetItemRect(2);
  PostMouse(w, WM_LBUTTONUP, rr.left + 8, rr.top + 4);
  EXPECT_EQ(rare, 1);
  // Used once, it stays visible, and so does the separator beside it.
  EXPECT_FALSE(r->Hidden());
  EXPECT_FALSE(static_cast<TMenuItemX*>(m->Items()->Items(1))->Hidden());
  w = Show(m);
  EXPECT_EQ(w->RowCount(), 3);

  // A menu of hidden items only shows them all and no expand button.
  auto* all = new TPopupMenuX(FForm.get());
  all->Options()->Animation = anNone;
  AddItem(all->Items(), "A")->SetHidden(true);
  AddItem(all->Items(), "B")->SetHidden(true);
  w = Show(all);
  EXPECT_EQ(w->RowCount(), 2);
  EXPECT_FALSE(w->State & fsHasHidden);
  EXPECT_EQ(w->Height(), w->Row(1).Top + w->Row(1).Height + 2);  // no room for the expand button
}

TEST_F(PopupTest, SubmenuThatDoesNotFitOpensOnTheLeft) {
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  TPopupMenuXForm* w = Show(Menu, work.right - 10, 100);
  EXPECT_EQ(w->Left() + w->Width(), work.right);  // a top window moves inside
  Key(VK_UP);
  Key(VK_UP);
  Key(VK_RIGHT);
  TPopupMenuXForm* c = w->ChildForm();
  ASSERT_TRUE(c && c->Visible());
  WaitFor([&] { return !c->Animating(); });
  // The child inherits the sideways slide of a smart menu: at parent's left + 6.
  EXPECT_TRUE(c->State & fsLeftwards);
  EXPECT_EQ(c->Left(), c->Animation == anVSlide ? w->Left() + 6 - c->Width() : w->Left() + 6);
}

TEST_F(PopupTest, SystemMenuItemsSendSystemCommands) {
  std::vector<WPARAM> commands;
  FForm->SetMessageHandler(WM_SYSCOMMAND, [&](TMessage& M) { commands.push_back(M.WParam & 0xFFF0); });
  auto* sys = new TPopupMenuX(FForm.get());
  sys->Options()->Animation = anNone;
  HMENU h = GetSystemMenu(FForm->Handle(), FALSE);
  ASSERT_NE(h, nullptr);
  sys->SetSystemMenu(h, FForm->Handle());
  TPopupMenuXForm* w = Show(sys);
  ASSERT_EQ(w->RowCount(), GetMenuItemCount(h));
  int closeRow = -1;
  for (int i = 0; i < w->RowCount(); ++i)
    if ((GetMenuItemID(h, w->Row(i).Position) & 0xFFF0) == SC_CLOSE) closeRow = i;
  ASSERT_GE(closeRow, 0);
  EXPECT_THROW(w->RowItem(closeRow), EMenuError);
  MoveToRow(w, closeRow);
  TRect r = w->GetItemRect(closeRow);
  PostMouse(w, WM_LBUTTONUP, r.left + 8, r.top + 4);
  WaitFor([&] { return !commands.empty(); }, 2000);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0], WPARAM(SC_CLOSE));
  EXPECT_FALSE(sys->IsShowing());
}

TEST_F(PopupTest, StatusBarShowsTheLongHint) {
  auto* bar = new TStatusBar(FForm.get());
  bar->SetParent(FForm.get());
  bar->SetSimplePanel(true);
  Menu->SetStatusBar(bar);
  Copy->SetHint("Copy|Copies &#39;this&#39; away");
  TPopupMenuXForm* w = Show(Menu);
  MoveToRow(w, 0);
  EXPECT_EQ(bar->SimpleText(), "Copies  this  away");
  MoveToRow(w, 1);  // the standard hint of Open
  EXPECT_EQ(bar->SimpleText(), "Opens an existing document from a file");
}

TEST_F(PopupTest, F1ClosesTheMenusAndShowsTheRowsHelp) {
  std::vector<std::pair<WORD, LPARAM>> Calls;
  Application->OnHelp = [&](WORD Command, LPARAM Data, bool& CallHelp) {
    Calls.push_back({Command, Data});
    CallHelp = false;
    return true;
  };
  Copy->HelpContext = 4711;
  TPopupMenuXForm* w = Show(Menu);
  Key(VK_DOWN);
  ASSERT_EQ(w->ItemIndex, 0);
  // Without a help file, or on a row without a context, F1 does nothing.
  Key(VK_F1);
  EXPECT_TRUE(Menu->IsShowing());
  Application->HelpFile = "quillon.hlp";
  Key(VK_DOWN);
  Key(VK_F1);
  EXPECT_TRUE(Menu->IsShowing());
  EXPECT_TRUE(Calls.empty());

  // The message waiting behind the key is taken away with it.
  int Markers = 0;
  const UINT Marker = WM_APP + 41;
  FForm->SetMessageHandler(Marker, [&](TMessage&) { ++Markers; });
  Key(VK_UP);
  ASSERT_EQ(w->ItemIndex, 0);
  PostMessageA(FForm->Handle(), WM_KEYDOWN, VK_F1, 1);
  PostMessageA(FForm->Handle(), Marker, 0, 0);
  Pump();
  EXPECT_FALSE(Menu->IsShowing());
  EXPECT_EQ(Markers, 0);
  EXPECT_EQ(CopyClicks, 0);
  FForm->SetMessageHandler(Marker, nullptr);
  Application->HelpFile.clear();
  Application->OnHelp = nullptr;
  ASSERT_EQ(Calls.size(), 1u);
  EXPECT_EQ(Calls[0], std::make_pair(static_cast<WORD>(HELP_CONTEXT), static_cast<LPARAM>(4711)));
}
