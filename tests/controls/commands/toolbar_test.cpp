#include "controls/commands/toolbar.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "commands_fixture.h"
#include "controls/commands/editx.h"
#include "controls/commands/flatbutton.h"
#include "controls/commands/plusedit.h"
#include "controls/commands/tbbutton.h"
#include "controls/commands/tbpos.h"
#include "tests/support/testsupport.h"
#include "tests/support/win32/dib8.h"

namespace {

class ToolbarTest : public CommandsTest {
 protected:
  void Build() {
    TForm* F = MakeForm(520, 380);
    Top = new TDockX(F);
    Top->SetName("DockTop");
    Top->SetParent(F);
    Left = new TDockX(F);
    Left->SetName("DockLeft");
    Left->SetPosition(dpLeft);
    Left->SetParent(F);
    Bar = new TToolbarX(F);
    Bar->SetName("Bar");
    Bar->SetCaption("Tools");
    Bar->SetHideWhenInactive(false);
    Bar->SetDockedTo(Top);
    for (int I = 0; I < 4; ++I) {
      if (I == 2) {
        auto* S = new TToolbarSepX(F);
        S->SetParent(Bar);
      }
      auto* B = new TToolbarButtonX(F);
      B->SetCaption(std::string(1, static_cast<char>('A' + I)));
      B->SetParent(Bar);
      Buttons[I] = B;
    }
    Bar->ArrangeControls();
    F->Show();
    Pump();
  }
  static RECT WindowRect(TWinControl* C) {
    RECT R;
    GetWindowRect(C->Handle(), &R);
    return R;
  }
  static RECT ClientScreen(TWinControl* C) {
    RECT R;
    GetClientRect(C->Handle(), &R);
    MapWindowPoints(C->Handle(), nullptr, reinterpret_cast<POINT*>(&R), 2);
    return R;
  }
  static void Mouse(DWORD Flags) {
    INPUT In{};
    In.type = INPUT_MOUSE;
    In.mi.dwFlags = Flags;
    SendInput(1, &In, sizeof In);
  }
  // Moves the pointer there through the input queue (SetCursorPos plus a
  // zero move, so a mouse message follows).
  static void MoveTo(int X, int Y) {
    SetCursorPos(X, Y);
    Mouse(MOUSEEVENTF_MOVE);
  }
  TDockX* Top = nullptr;
  TDockX* Left = nullptr;
  TToolbarX* Bar = nullptr;
  TToolbarButtonX* Buttons[4] = {};
};

TEST_F(ToolbarTest, DockedFrameAndRowsFollowTheDock) {
  Build();
  EXPECT_EQ(Bar->DockedTo(), Top);
  EXPECT_EQ(Bar->DockRow(), 0);
  RECT W = WindowRect(Bar), C = ClientScreen(Bar);
  EXPECT_EQ(C.left - W.left, 2 + 9);
  EXPECT_EQ(C.top - W.top, 2);
  EXPECT_EQ(W.right - C.right, 2);
  EXPECT_EQ(W.bottom - C.bottom, 2);
  // Four 23 x 22 buttons and a 6 wide separator in one line.
  EXPECT_EQ(Bar->ClientWidth(), 4 * 23 + 6);
  EXPECT_EQ(Top->Height(), 22 + 4);
  EXPECT_EQ(Left->Width(), 0);
  Bar->SetDragHandleStyle(dhNone);
  Pump();
  W = WindowRect(Bar);
  C = ClientScreen(Bar);
  EXPECT_EQ(C.left - W.left, 2);
  EXPECT_EQ(Bar->Width(), 4 * 23 + 6 + 4);
}

TEST_F(ToolbarTest, FloatingFrameHitTests) {
  Build();
  Bar->SetFloatingPosition(TPoint{300, 250});
  Bar->SetDockedTo(nullptr);
  Pump();
  ASSERT_FALSE(Bar->Docked());
  RECT W = WindowRect(Bar);
  EXPECT_EQ(W.left, 300);
  EXPECT_EQ(W.top, 250);
  const int FX = GetSystemMetrics(SM_CXFRAME), FY = GetSystemMetrics(SM_CYFRAME), Cap = GetSystemMetrics(SM_CYSMCAPTION);
  RECT C = ClientScreen(Bar);
  EXPECT_EQ(C.left - W.left, FX);
  EXPECT_EQ(C.top - W.top, FY + Cap);
  EXPECT_EQ(W.bottom - C.bottom, FY);
  auto Hit = [&](int X, int Y) {
    return SendMessageW(Bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(W.left + X, W.top + Y));
  };
  const int Wd = W.right - W.left, Ht = W.bottom - W.top;
  struct {
    int X, Y;
    LRESULT Code;
  } Cases[] = {
      {FX + 4, FY + Cap / 2, HTCLIENT},           // caption: a press there drags
      {Wd - FX - Cap / 2, FY + Cap / 2, HTCLOSE},  // close button
      {Wd / 2, 0, HTTOP},
      {Wd / 2, Ht - 1, HTBOTTOM},
      {0, Ht / 2, HTLEFT},
      {Wd - 1, Ht / 2, HTRIGHT},
      {Wd / 2, Ht - FY - 2, HTCLIENT},
  };
  for (auto K : Cases) EXPECT_EQ(Hit(K.X, K.Y), K.Code) << K.X << "," << K.Y;
}

TEST_F(ToolbarTest, DragFromTheTopDockToTheLeftDock) {
  Build();
  int DockChanges = 0;
  Bar->OnDockChanged = [&](TObject*) { ++DockChanges; };
  RECT W = WindowRect(Bar);
  RECT L = WindowRect(Left);  // empty: a line at the form's left edge
  MoveTo(W.left + 5, (W.top + W.bottom) / 2);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  MoveTo(W.left + 40, W.bottom + 60);
  MoveTo(L.left, L.top + 120);
  Mouse(MOUSEEVENTF_LEFTUP);
  UiDriver::WaitFor([&] { return Bar->DockedTo() == Left; }, 3000);
  EXPECT_EQ(Bar->DockedTo(), Left);
  EXPECT_EQ(Bar->DockRow(), 0);
  EXPECT_EQ(DockChanges, 1);
  EXPECT_GT(Left->Width(), 20);
  EXPECT_EQ(Top->Height(), 0);
  // The drop point sets the position along the dock.
  EXPECT_GT(Bar->DockPos(), 0);
  EXPECT_EQ(Bar->Top(), Bar->DockPos());
  // Laid out vertically now.
  EXPECT_EQ(Buttons[1]->Left(), Buttons[0]->Left());
  EXPECT_GT(Buttons[1]->Top(), Buttons[0]->Top());
}

TEST_F(ToolbarTest, WithoutFloatingADragAwayFromTheDocksChangesNothing) {
  Build();
  Bar->DockMode = dmCannotFloat;
  Bar->SetDockPos(20);
  Pump();
  RECT W = WindowRect(Bar);
  const int Pos = Bar->DockPos();
  MoveTo(W.left + 5, (W.top + W.bottom) / 2);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  MoveTo(W.left + 200, W.bottom + 150);
  Mouse(MOUSEEVENTF_LEFTUP);
  UiDriver::WaitFor([] { return false; }, 300);
  EXPECT_EQ(Bar->DockedTo(), Top);
  EXPECT_EQ(Bar->DockPos(), Pos);
}

TEST_F(ToolbarTest, CtrlHeldNeverDocks) {
  Build();
  SetForegroundWindow(FForm->Handle());
  Pump();
  RECT W = WindowRect(Bar);
  RECT L = WindowRect(Left);
  INPUT Ctrl{};
  Ctrl.type = INPUT_KEYBOARD;
  Ctrl.ki.wVk = VK_CONTROL;
  SendInput(1, &Ctrl, sizeof Ctrl);
  MoveTo(W.left + 5, (W.top + W.bottom) / 2);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  MoveTo(L.left, L.top + 120);
  Mouse(MOUSEEVENTF_LEFTUP);
  Ctrl.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &Ctrl, sizeof Ctrl);
  UiDriver::WaitFor([&] { return !Bar->Docked(); }, 3000);
  // Dropped where the left dock would have taken it: it floats.
  EXPECT_FALSE(Bar->Docked());
  EXPECT_EQ(Left->Width(), 0);
}

VOID CALLBACK PressEscape(HWND Window, UINT, UINT_PTR Id, DWORD) {
  KillTimer(Window, Id);
  PostMessageW(Window, WM_KEYDOWN, VK_ESCAPE, 1);
}

TEST_F(ToolbarTest, EscapeCancelsADrag) {
  Build();
  Bar->SetDockPos(30);
  Pump();
  RECT W = WindowRect(Bar);
  int Pos = Bar->DockPos();
  // The drag loop runs inside the press; a timer presses Escape in it.
  SetCursorPos(W.left + 300, W.top + 150);
  SetTimer(Bar->Handle(), 77, 150, PressEscape);
  POINT Grab{W.left + 5, (W.top + W.bottom) / 2};
  ScreenToClient(Bar->Handle(), &Grab);
  SendMessageW(Bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Grab.x, Grab.y));
  EXPECT_EQ(Bar->DockedTo(), Top);
  EXPECT_EQ(Bar->DockPos(), Pos);
  EXPECT_EQ(GetCapture(), nullptr);
  // The desktop is unlocked again: a window can repaint.
  EXPECT_TRUE(LockWindowUpdate(GetDesktopWindow()));
  LockWindowUpdate(nullptr);
}

TEST_F(ToolbarTest, PositionSurvivesARestart) {
  const std::string Ini = morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/toolbar-positions.ini");
  std::remove(Ini.c_str());
  Build();
  Bar->SetFloatingPosition(TPoint{260, 210});
  Bar->SetDockedTo(nullptr);
  Bar->SetFloatRightX(60);
  Pump();
  {
    TIniFile F(Ini);
    SaveToolWindowPosition(Bar, F, "Bar");
  }
  FForm.reset();
  Pump();
  Build();
  EXPECT_TRUE(Bar->Docked());
  {
    TIniFile F(Ini);
    LoadToolWindowPosition(Bar, FForm.get(), F, "Bar");
  }
  Pump();
  EXPECT_FALSE(Bar->Docked());
  RECT W = WindowRect(Bar);
  EXPECT_EQ(W.left, 260);
  EXPECT_EQ(W.top, 210);
  EXPECT_EQ(Bar->FloatRightX(), 60);
  // Wrapped at 60: two buttons a line.
  EXPECT_EQ(Buttons[1]->Top(), Buttons[0]->Top());
  EXPECT_GT(Buttons[2]->Top(), Buttons[0]->Top());
  // And a docked one comes back to its dock, row and position.
  Bar->SetDockRow(0);
  Bar->SetDockPos(40);
  Bar->SetDockedTo(Left);
  {
    TIniFile F(Ini);
    SaveToolWindowPosition(Bar, F, "Bar");
  }
  FForm.reset();
  Build();
  {
    TIniFile F(Ini);
    LoadToolWindowPosition(Bar, FForm.get(), F, "Bar");
  }
  EXPECT_EQ(Bar->DockedTo(), Left);
  EXPECT_EQ(Bar->DockPos(), 40);
  std::remove(Ini.c_str());
}

TEST_F(ToolbarTest, ButtonGroupsAndPropertyLimits) {
  Build();
  for (TToolbarButtonX* B : Buttons) B->SetGroupIndex(1);
  UiDriver::Click(Buttons[0]);
  EXPECT_TRUE(Buttons[0]->Down());
  UiDriver::Click(Buttons[1]);
  EXPECT_TRUE(Buttons[1]->Down());
  EXPECT_FALSE(Buttons[0]->Down());
  // Without AllowAllUp the down button stays down.
  UiDriver::Click(Buttons[1]);
  EXPECT_TRUE(Buttons[1]->Down());
  Buttons[1]->SetDown(false);
  EXPECT_TRUE(Buttons[1]->Down());
  Buttons[0]->SetAllowAllUp(true);
  EXPECT_TRUE(Buttons[3]->AllowAllUp());
  UiDriver::Click(Buttons[1]);
  EXPECT_FALSE(Buttons[1]->Down());

  TToolbarButtonX* Lone = new TToolbarButtonX(FForm.get());
  Lone->SetDown(true);
  EXPECT_FALSE(Lone->Down());
  Lone->SetDropdownArrowWidth(3);
  EXPECT_EQ(Lone->DropdownArrowWidth(), 7);
  Lone->SetNumGlyphs(0);
  EXPECT_EQ(Lone->NumGlyphs(), 1);
  Lone->SetNumGlyphs(9);
  EXPECT_EQ(Lone->NumGlyphs(), 5);
  int W = Lone->Width();
  Lone->SetDropdownCombo(true);
  EXPECT_EQ(Lone->Width(), W + 7 + 2);
}

TEST_F(ToolbarTest, ADragOutsideBeforeReleaseDoesNotClick) {
  Build();
  int Clicks = 0;
  Buttons[0]->OnClick = [&](TObject*) { ++Clicks; };
  TToolbarButtonX* B = Buttons[0];
  HWND H = Bar->Handle();
  SendMessageW(H, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(B->Left() + 5, B->Top() + 5));
  SendMessageW(H, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(B->Left() + 200, B->Top() + 5));
  SendMessageW(H, WM_LBUTTONUP, 0, MAKELPARAM(B->Left() + 200, B->Top() + 5));
  EXPECT_EQ(Clicks, 0);
  UiDriver::Click(B);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(ToolbarTest, RepeatingButtonClicksWhileHeld) {
  Build();
  TToolbarButtonX* B = Buttons[0];
  B->Repeating = true;
  B->RepeatDelay = 60;
  B->RepeatInterval = 20;
  int Clicks = 0;
  B->OnClick = [&](TObject*) { ++Clicks; };
  TPoint Centre = B->ClientToScreen(TPoint{B->Width() / 2, B->Height() / 2});
  SetCursorPos(Centre.x, Centre.y);
  SendMessageW(Bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(B->Left() + 5, B->Top() + 5));
  EXPECT_EQ(Clicks, 1);
  UiDriver::WaitFor([&] { return Clicks >= 4; }, 2000);
  EXPECT_GE(Clicks, 4);
  SendMessageW(Bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(B->Left() + 5, B->Top() + 5));
  int After = Clicks;
  UiDriver::WaitFor([] { return false; }, 150);
  EXPECT_EQ(Clicks, After);
}

TEST_F(ToolbarTest, HotTrackingLeavesWithoutAMouseMessage) {
  ToolbarHotTrackInterval = 20;
  Build();
  TToolbarButtonX* B = Buttons[2];
  B->ShowBorderWhenInactive = true;
  int Enter = 0, Exit = 0;
  B->OnMouseEnter = [&](TObject*) { ++Enter; };
  B->OnMouseExit = [&](TObject*) { ++Exit; };
  TPoint Centre = B->ClientToScreen(TPoint{B->Width() / 2, B->Height() / 2});
  SetCursorPos(Centre.x, Centre.y);
  SendMessageW(Bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(B->Left() + 5, B->Top() + 5));
  EXPECT_EQ(TToolbarButtonX::HotButton(), B);
  EXPECT_TRUE(B->MouseInControl());
  EXPECT_EQ(B->State(), bsMouseIn);
  EXPECT_EQ(Enter, 1);
  SetCursorPos(5, 5);
  UiDriver::WaitFor([&] { return Exit == 1; }, 1000);
  EXPECT_EQ(Exit, 1);
  EXPECT_FALSE(B->MouseInControl());
  EXPECT_EQ(B->State(), bsUp);
  EXPECT_EQ(TToolbarButtonX::HotButton(), nullptr);
  ToolbarHotTrackInterval = 125;
}

TEST_F(ToolbarTest, EditXIsFlatNineteenHighWithAThreePixelFrame) {
  TForm* F = MakeForm();
  auto* E = new TEditX(F);
  EXPECT_EQ(E->Height(), 19);
  // Taking the parent's font sets the height from it (below).
  E->SetParent(F);
  E->SetBounds(10, 10, 120, E->Height());
  F->Show();
  Pump();
  RECT W, C;
  GetWindowRect(E->Handle(), &W);
  GetClientRect(E->Handle(), &C);
  MapWindowPoints(E->Handle(), nullptr, reinterpret_cast<POINT*>(&C), 2);
  EXPECT_EQ(C.left - W.left, 3);
  EXPECT_EQ(C.top - W.top, 3);
  EXPECT_EQ(W.right - C.right, 3);
  EXPECT_EQ(W.bottom - C.bottom, 3);
  EXPECT_TRUE(IsRegisteredEditClass(E));
  // Loading sets the height from the font.
  E->Loaded();
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, E->Font()->Handle());
  TEXTMETRICW TM;
  GetTextMetricsW(DC, &TM);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  EXPECT_EQ(E->Height(), TM.tmHeight + 6);
  E->SetEnabled(false);
  EXPECT_EQ(E->Color(), clBtnFace);
  E->SetEnabled(true);
  EXPECT_EQ(E->Color(), clWindow);
}

VOID CALLBACK ReleaseAt(HWND Window, UINT, UINT_PTR Id, DWORD) {
  KillTimer(Window, Id);
  // Id carries the screen point to release at: x * 65536 + y.
  SetCursorPos(static_cast<int>(Id >> 16), static_cast<int>(Id & 0xFFFF));
  PostMessageW(Window, WM_MOUSEMOVE, MK_LBUTTON, 0);
  PostMessageW(Window, WM_LBUTTONUP, 0, 0);
}

TEST_F(ToolbarTest, CloseButtonClosesOnlyWhenReleasedOverIt) {
  Build();
  Bar->SetFloatingPosition(TPoint{300, 250});
  Bar->SetDockedTo(nullptr);
  Pump();
  int Queries = 0, Closed = 0;
  bool Allow = false;
  Bar->OnCloseQuery = [&](TObject*, bool& CanClose) {
    ++Queries;
    CanClose = Allow;
  };
  Bar->OnClose = [&](TObject*) { ++Closed; };
  RECT W = WindowRect(Bar);
  TRect C = Bar->CloseButtonRect();
  POINT Mid{W.left + (C.left + C.right) / 2, W.top + (C.top + C.bottom) / 2};
  auto PressAndReleaseAt = [&](POINT Release) {
    SetCursorPos(Mid.x, Mid.y);
    SetTimer(Bar->Handle(), (static_cast<UINT_PTR>(Release.x) << 16) | static_cast<UINT_PTR>(Release.y), 60,
             ReleaseAt);
    SendMessageW(Bar->Handle(), WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(Mid.x, Mid.y));
  };
  PressAndReleaseAt(POINT{W.left + 3, W.bottom - 3});
  EXPECT_EQ(Queries, 0);
  EXPECT_TRUE(Bar->Visible());
  PressAndReleaseAt(Mid);
  EXPECT_EQ(Queries, 1);
  EXPECT_TRUE(Bar->Visible());
  Allow = true;
  PressAndReleaseAt(Mid);
  EXPECT_EQ(Closed, 1);
  EXPECT_FALSE(Bar->Visible());
}

POINT SizeTo;
VOID CALLBACK MoveAndRelease(HWND Window, UINT, UINT_PTR Id, DWORD) {
  KillTimer(Window, Id);
  SetCursorPos(SizeTo.x, SizeTo.y);
  PostMessageW(Window, WM_MOUSEMOVE, MK_LBUTTON, 0);
  PostMessageW(Window, WM_LBUTTONUP, 0, 0);
}

TEST_F(ToolbarTest, SizingAFloatingToolbarSnapsToAWrapWidth) {
  Build();
  Bar->SetFloatingPosition(TPoint{200, 200});
  Bar->SetDockedTo(nullptr);
  Pump();
  RECT W = WindowRect(Bar);
  std::vector<TFloatSize> Sizes = Bar->FloatSizes(false);
  ASSERT_GE(Sizes.size(), 2u);
  EXPECT_EQ(Sizes[0].Width, W.right - W.left);
  // Drag the right edge 30 pixels in: the widest wrapped size that fits.
  POINT Edge{W.right - 1, (W.top + W.bottom) / 2};
  SetCursorPos(Edge.x, Edge.y);
  SizeTo = {Edge.x - 30, Edge.y};
  SetTimer(Bar->Handle(), 78, 60, MoveAndRelease);
  SendMessageW(Bar->Handle(), WM_NCLBUTTONDOWN, HTRIGHT, MAKELPARAM(Edge.x, Edge.y));
  Pump();
  RECT After = WindowRect(Bar);
  int Want = 0;
  for (const TFloatSize& S : Sizes)
    if (S.Width <= (W.right - W.left) - 30) {
      Want = S.Width;
      break;
    }
  EXPECT_EQ(After.right - After.left, Want);
  EXPECT_EQ(After.left, W.left);
  EXPECT_NE(Bar->FloatRightX(), 0);
  EXPECT_GT(Buttons[3]->Top(), Buttons[0]->Top());
}

TEST_F(ToolbarTest, DropdownClickDropsQueuedPressesOnItselfOnly) {
  Build();
  TToolbarButtonX* B = Buttons[0];
  B->SetDropdownAlways(true);
  int Dropdowns = 0;
  B->OnDropdown = [&](TObject*, bool& ShowMenu, bool& RemoveClicks) {
    ++Dropdowns;
    ShowMenu = false;
    RemoveClicks = true;
  };
  int OtherClicks = 0;
  Buttons[3]->OnClick = [&](TObject*) { ++OtherClicks; };
  HWND H = Bar->Handle();
  // The press that closed the menu, on the button itself, and a click on
  // another button are waiting when the drop-down returns.
  PostMessageW(H, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(B->Left() + 4, B->Top() + 4));
  PostMessageW(H, WM_LBUTTONUP, 0, MAKELPARAM(B->Left() + 4, B->Top() + 4));
  TToolbarButtonX* O = Buttons[3];
  PostMessageW(H, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(O->Left() + 4, O->Top() + 4));
  PostMessageW(H, WM_LBUTTONUP, 0, MAKELPARAM(O->Left() + 4, O->Top() + 4));
  SendMessageW(H, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(B->Left() + 4, B->Top() + 4));
  SendMessageW(H, WM_LBUTTONUP, 0, MAKELPARAM(B->Left() + 4, B->Top() + 4));
  Pump();
  EXPECT_EQ(Dropdowns, 1);
  EXPECT_EQ(OtherClicks, 1);
}

TEST_F(ToolbarTest, PlusEditFiltersTypedKeys) {
  TForm* F = MakeForm();
  auto* Num = new TPlusEditX(F);
  Num->KeyboardFilter = kfNumeric;
  Num->SetParent(F);
  auto* None = new TPlusEditX(F);
  None->KeyboardFilter = kfAll;
  None->ChangeColorOnFocus = true;
  None->SetParent(F);
  None->SetTop(40);
  F->Show();
  Pump();
  char Dec[4] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Dec, sizeof Dec);
  Num->SetFocus();
  UiDriver::TypeText(Num, std::string("a-1") + Dec[0] + "5x\r");
  Pump();
  EXPECT_EQ(Num->Text(), std::string("-1") + Dec[0] + "5");
  None->SetFocus();
  Pump();
  EXPECT_EQ(None->Color(), clHighlight);
  UiDriver::TypeText(None, "abc");
  Pump();
  EXPECT_EQ(None->Text(), "");
  Num->SetFocus();
  Pump();
  EXPECT_EQ(None->Color(), clWindow);
}

TEST_F(ToolbarTest, ButtonsOfADialogAnswerMnemonicsEnterAndEscape) {
  TForm* F = MakeForm();
  auto* Edit = new TEditX(F);
  Edit->SetParent(F);
  auto* Hidden = new TPanel(F);
  Hidden->SetBounds(0, 100, 200, 40);
  Hidden->SetParent(F);
  Hidden->SetVisible(false);
  struct TCase {
    const char* Caption;
    bool Default, Cancel, Enabled;
    TButtonDisplayMode Mode;
    bool InHidden;
  };
  const TCase Cases[] = {
      {"&Go", true, false, true, dmBoth, false},         // 0: mnemonic, and Enter
      {"&Stop", false, true, true, dmBoth, false},       // 1: mnemonic, and Escape
      {"&Off", true, true, false, dmBoth, false},        // 2: disabled: nothing
      {"&Picture", false, false, true, dmGlyphOnly, false},  // 3: no text shown: no mnemonic
      {"&Under", true, true, true, dmBoth, true},        // 4: its panel is hidden: nothing
  };
  int Clicks[5] = {};
  for (int I = 0; I < 5; ++I) {
    auto* B = new TToolbarButtonX(F);
    B->SetCaption(Cases[I].Caption);
    B->Default = Cases[I].Default;
    B->Cancel = Cases[I].Cancel;
    B->SetEnabled(Cases[I].Enabled);
    B->SetDisplayMode(Cases[I].Mode);
    B->SetBounds(10 + 60 * I, 40, 50, 22);
    B->SetParent(Cases[I].InHidden ? static_cast<TWinControl*>(Hidden) : F);
    B->OnClick = [&Clicks, I](TObject*) { ++Clicks[I]; };
  }
  F->Show();
  Edit->SetFocus();
  Pump();
  auto Expect = [&](std::initializer_list<int> Want, const char* What) {
    int I = 0;
    for (int W : Want) EXPECT_EQ(Clicks[I++], W) << What << ", button " << I - 1;
  };
  for (char C : {'g', 's', 'o', 'p', 'u'}) UiDriver::PressKey(Edit, static_cast<WORD>(toupper(C)), ssAlt);
  Expect({1, 1, 0, 0, 0}, "mnemonics");
  UiDriver::PressKey(Edit, VK_RETURN);
  Expect({2, 1, 0, 0, 0}, "Enter");
  UiDriver::PressKey(Edit, VK_ESCAPE);
  Expect({2, 2, 0, 0, 0}, "Escape");
  UiDriver::PressKey(Edit, VK_RETURN, ssShift);
  UiDriver::PressKey(Edit, VK_ESCAPE, ssCtrl);
  Expect({2, 2, 0, 0, 0}, "with a shift key");
}

TEST_F(ToolbarTest, ASystemColourChangeRemakesTheButtonsPictures) {
  TForm* F = MakeForm();
  TBitmap G;
  G.SetSize(16, 16);
  G.Canvas()->Brush()->SetColor(clSilver);
  G.Canvas()->FillRect(TRect{0, 0, 16, 16});
  G.Canvas()->Brush()->SetColor(clBlack);
  G.Canvas()->FillRect(TRect{4, 4, 12, 12});
  auto* B = new TToolbarButtonX(F);
  B->SetGlyph(&G);
  B->SetEnabled(false);
  B->SetBounds(10, 40, 23, 22);
  B->SetParent(F);
  F->Show();
  Pump();
  auto Count = [&](COLORREF C) {
    F->Invalidate();
    F->Update();
    Pump();
    POINT O{B->Left(), B->Top()};
    ClientToScreen(F->Handle(), &O);
    HDC Screen = GetDC(nullptr);
    int N = 0;
    for (int Y = 0; Y < B->Height(); ++Y)
      for (int X = 0; X < B->Width(); ++X) N += GetPixel(Screen, O.x + X, O.y + Y) == C;
    ReleaseDC(nullptr, Screen);
    return N;
  };
  const COLORREF Shadow = GetSysColor(COLOR_BTNSHADOW), Red = RGB(255, 0, 0);
  const int Ink = Count(Shadow);
  ASSERT_EQ(Ink, 64);
  // The generated disabled picture is kept in the shared list: paint it over
  // as a stand-in for one made from colours that have changed since.
  ASSERT_NE(GlyphCache(), nullptr);
  TGlyphList* List = GlyphCache()->GetList(17, 17);
  TBitmap Poison;
  Poison.SetSize(17, 17);
  Poison.Canvas()->Brush()->SetColor(static_cast<TColor>(Red));
  Poison.Canvas()->FillRect(TRect{0, 0, 17, 17});
  for (int I = 0; I < ImageList_GetImageCount(List->Handle()); ++I)
    ImageList_Replace(List->Handle(), I, Poison.Handle(), nullptr);
  EXPECT_GT(Count(Red), 0);
  SendMessageW(F->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(Count(Red), 0);
  EXPECT_EQ(Count(Shadow), Ink);
}

TEST_F(ToolbarTest, FlatButtonDoubleClickIsTwoClicks) {
  TForm* F = MakeForm();
  auto* B = new TFlatButton(F);
  B->SetParent(F);
  B->SetCaption("OK");
  EXPECT_EQ(B->Width(), 75);
  EXPECT_EQ(B->Height(), 23);
  int Clicks = 0;
  B->OnClick = [&](TObject*) { ++Clicks; };
  F->Show();
  Pump();
  HWND H = B->Handle();
  SendMessageW(H, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(H, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageW(H, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(H, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_EQ(Clicks, 2);
  EXPECT_TRUE(GetWindowLongW(H, GWL_STYLE) & BS_OWNERDRAW);
}

TEST_F(ToolbarTest, FloatingWindowFollowsItsOwnerForm) {
  Build();
  Bar->SetFloatingPosition(TPoint{300, 250});
  Bar->SetDockedTo(nullptr);
  Pump();
  const HWND T = Bar->Handle();
  ASSERT_TRUE(IsWindowVisible(T));
  EXPECT_EQ(GetWindow(T, GW_OWNER), FForm->Handle());
  auto Above = [&] {
    for (HWND W = GetWindow(T, GW_HWNDNEXT); W; W = GetWindow(W, GW_HWNDNEXT))
      if (W == FForm->Handle()) return true;
    return false;
  };
  // Showing the form activates it and gives it the focus; a display server
  // may then raise it over its owned windows: the floating window takes its
  // place above it again shortly after.
  auto AboveSoon = [&] {
    for (const DWORD start = GetTickCount(); !Above() && GetTickCount() - start < 3000;) {
      Pump();
      Sleep(20);
    }
    return Above();
  };
  EXPECT_TRUE(Above());
  FForm->Hide();
  Pump();
  EXPECT_FALSE(IsWindowVisible(T));
  FForm->Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(T));
  EXPECT_TRUE(AboveSoon());
  FForm->SetWindowState(wsMinimized);
  Pump();
  EXPECT_FALSE(IsWindowVisible(T));
  FForm->SetWindowState(wsNormal);
  Pump();
  EXPECT_TRUE(IsWindowVisible(T));
  EXPECT_TRUE(AboveSoon());
  // A new window of the form would take its owned windows along: the
  // floating window moves to its host first and comes back, owned by the
  // new window and above it.
  FForm->RecreateWnd();
  FForm->HandleNeeded();
  Pump();
  ASSERT_TRUE(IsWindow(T));
  EXPECT_EQ(Bar->Handle(), T);
  EXPECT_TRUE(IsWindowVisible(T));
  EXPECT_EQ(GetWindow(T, GW_OWNER), FForm->Handle());
  EXPECT_TRUE(AboveSoon());
  FForm->Hide();
  FForm->Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(T));
  EXPECT_EQ(GetWindow(T, GW_OWNER), FForm->Handle());
  EXPECT_TRUE(AboveSoon());
}

// Shows a window of its own thread (Args: where to put it, the event to set
// once it stands) and runs that thread's messages until WM_QUIT.
DWORD WINAPI OtherWindowThread(LPVOID P) {
  auto* Args = static_cast<std::pair<HWND*, HANDLE>*>(P);
  *Args->first = CreateWindowExW(0, L"STATIC", L"Other", WS_POPUP | WS_VISIBLE, 600, 600, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
  SetEvent(Args->second);
  MSG M;
  while (GetMessageW(&M, nullptr, 0, 0) > 0) DispatchMessageW(&M);
  DestroyWindow(*Args->first);
  return 0;
}

TEST_F(ToolbarTest, FloatingWindowsHideOrGreyWhileTheApplicationIsInactive) {
  Build();
  TDrawCaptionProc Saved = ToolWindowDrawCaption;
  ToolWindowDrawCaption = nullptr;  // the library's own caption drawing
  Bar->SetCaption("A caption much too long for this small bar");
  Bar->SetHideWhenInactive(false);
  Bar->SetFloatingPosition(TPoint{300, 250});
  Bar->SetDockedTo(nullptr);
  auto* Hiding = new TToolbarX(FForm.get());
  Hiding->SetCaption("Hiding");
  Hiding->SetFloatingPosition(TPoint{300, 330});
  Hiding->SetParent(FForm.get());
  Hiding->ArrangeControls();
  SetForegroundWindow(FForm->Handle());
  Pump();
  ASSERT_TRUE(IsWindowVisible(Hiding->Handle()));
  const int FX = GetSystemMetrics(SM_CXFRAME), FY = GetSystemMetrics(SM_CYFRAME);
  // Printed, not read from the screen: the window manager may stack the
  // form over its floating windows when it is activated again.
  auto CaptionPixel = [&] {
    Pump();
    RECT W = WindowRect(Bar);
    HDC Screen = GetDC(nullptr);
    HDC DC = CreateCompatibleDC(Screen);
    HBITMAP B = CreateCompatibleBitmap(Screen, W.right - W.left, W.bottom - W.top);
    HGDIOBJ Old = SelectObject(DC, B);
    SendMessageW(Bar->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(DC), PRF_NONCLIENT);
    COLORREF C = GetPixel(DC, FX, FY);
    SelectObject(DC, Old);
    DeleteObject(B);
    DeleteDC(DC);
    ReleaseDC(nullptr, Screen);
    return C;
  };
  EXPECT_EQ(CaptionPixel(), GetSysColor(COLOR_ACTIVECAPTION));
  // A window of another thread takes the activation.
  HANDLE Ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND Other = nullptr;
  DWORD OtherThread = 0;
  std::pair<HWND*, HANDLE> Args{&Other, Ready};
  HANDLE Thread = CreateThread(nullptr, 0, OtherWindowThread, &Args, 0, &OtherThread);
  WaitForSingleObject(Ready, 5000);
  SetForegroundWindow(Other);
  UiDriver::WaitFor([&] { return !IsWindowVisible(Hiding->Handle()); }, 2000);
  EXPECT_FALSE(IsWindowVisible(Hiding->Handle()));
  EXPECT_TRUE(IsWindowVisible(Bar->Handle()));
  EXPECT_EQ(CaptionPixel(), GetSysColor(COLOR_INACTIVECAPTION));
  SetForegroundWindow(FForm->Handle());
  UiDriver::WaitFor([&] { return IsWindowVisible(Hiding->Handle()) != FALSE; }, 2000);
  EXPECT_TRUE(IsWindowVisible(Hiding->Handle()));
  UiDriver::WaitFor([&] { return CaptionPixel() == GetSysColor(COLOR_ACTIVECAPTION); }, 1000);
  EXPECT_EQ(CaptionPixel(), GetSysColor(COLOR_ACTIVECAPTION));
  PostThreadMessageW(OtherThread, WM_QUIT, 0, 0);
  WaitForSingleObject(Thread, 5000);
  CloseHandle(Thread);
  CloseHandle(Ready);
  ToolWindowDrawCaption = Saved;
}

TEST_F(ToolbarTest, EscapeInAFloatingToolbarGoesBackToTheForm) {
  Build();
  auto* Field = new TEditX(FForm.get());
  Field->SetBounds(20, 200, 100, Field->Height());
  Field->SetParent(FForm.get());
  auto* Edit = new TEditX(FForm.get());
  Edit->SetParent(Bar);
  Bar->ArrangeControls();
  Bar->SetFloatingPosition(TPoint{300, 250});
  Bar->SetDockedTo(nullptr);
  Pump();
  Field->SetFocus();
  Pump();
  ::SetFocus(Edit->Handle());
  Pump();
  ASSERT_EQ(GetFocus(), Edit->Handle());
  UiDriver::PressKey(Edit, VK_ESCAPE);
  Pump();
  EXPECT_EQ(GetFocus(), Field->Handle());
}

TEST_F(ToolbarTest, EditXPrintsItsBorderAndText) {
  TForm* F = MakeForm();
  auto* E = new TEditX(F);
  E->SetBounds(10, 10, 80, E->Height());
  E->SetParent(F);
  E->SetText("WWWWWW");
  auto* Other = new TEditX(F);
  Other->SetBounds(10, 40, 80, Other->Height());
  Other->SetParent(F);
  F->Show();
  Pump();
  Other->SetFocus();
  Pump();
  ASSERT_FALSE(E->HotLook());
  const int W = E->Width(), H = E->Height();
  HDC Screen = GetDC(nullptr);
  HDC DC = CreateCompatibleDC(Screen);
  HBITMAP B = CreateCompatibleBitmap(Screen, W, H);
  HGDIOBJ Old = SelectObject(DC, B);
  RECT All{0, 0, W, H};
  FillRect(DC, &All, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(SendMessageW(E->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(DC),
                         PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND),
            1);
  // The flat border: two face-coloured pixels, then one of the window colour.
  EXPECT_EQ(GetPixel(DC, 0, H / 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(DC, 1, H / 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(DC, 2, H / 2), GetSysColor(COLOR_WINDOW));
  // The client part holds the text: some pixel in the text colour.
  bool Text = false;
  for (int X = 3; X < W - 3 && !Text; ++X)
    for (int Y = 3; Y < H - 3 && !Text; ++Y) Text = GetPixel(DC, X, Y) == GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_TRUE(Text);
  SelectObject(DC, Old);
  DeleteObject(B);
  DeleteDC(DC);
  ReleaseDC(nullptr, Screen);
}

TEST(MdiFrame, AnMdiChildsCaptionIsItsFrames) {
  HWND Frame = CreateWindowExW(0, L"STATIC", L"Frame", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               nullptr, nullptr);
  if (!Frame) GTEST_SKIP() << "no display";
  CLIENTCREATESTRUCT CS{};
  HWND Client = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, Frame, nullptr,
                                nullptr, &CS);
  ASSERT_NE(Client, nullptr);
  HWND Child = CreateMDIWindowW(L"STATIC", L"Child", 0, 0, 0, 100, 100, Client, nullptr, 0);
  ASSERT_NE(Child, nullptr);
  EXPECT_EQ(FormFrameWindow(Child), Frame);
  EXPECT_EQ(FormFrameWindow(Frame), Frame);
  DestroyWindow(Frame);
}

// A pattern whose every pixel differs, so a misplaced tile shows.
COLORREF PatternPixel(int X, int Y) { return RGB(40 * X + 10, 60 * Y + 20, 100); }

TEST_F(ToolbarTest, DockBackgroundTilesFromTheDockUnderItsToolbars) {
  Build();
  TBitmap B;
  B.SetSize(5, 3);
  for (int Y = 0; Y < 3; ++Y)
    for (int X = 0; X < 5; ++X) B.Canvas()->SetPixels(X, Y, static_cast<TColor>(PatternPixel(X, Y)));
  Top->SetBackground(&B);
  Top->SetColor(static_cast<TColor>(RGB(255, 255, 0)));
  Pump();
  HDC Screen = GetDC(nullptr);
  POINT Origin{0, 0};
  ClientToScreen(Top->Handle(), &Origin);
  // Screen point (X, Y) shows the tile pixel at its offset from the dock's
  // client origin, on the dock and on the toolbar's frame and client alike.
  auto Expect = [&](int X, int Y, bool Transparent, const char* Where) {
    int TX = ((X - Origin.x) % 5 + 5) % 5, TY = ((Y - Origin.y) % 3 + 3) % 3;
    COLORREF Want = Transparent && TX == 0 && TY == 2 ? RGB(255, 255, 0) : PatternPixel(TX, TY);
    EXPECT_EQ(GetPixel(Screen, X, Y), Want) << Where << " " << X << "," << Y;
  };
  RECT D = WindowRect(Top), W = WindowRect(Bar);
  TControl* Sep = nullptr;
  for (int I = 0; I < Bar->ControlCount(); ++I)
    if (dynamic_cast<TToolbarSepX*>(Bar->Controls(I))) Sep = Bar->Controls(I);
  ASSERT_NE(Sep, nullptr);
  RECT C = ClientScreen(Bar);
  for (bool Transparent : {false, true}) {
    Top->SetBackgroundTransparent(Transparent);
    Pump();
    for (int Dx = 0; Dx < 6; ++Dx) Expect(W.right + 10 + Dx, D.top + 3, Transparent, "dock");
    for (int Dy = 0; Dy < 4; ++Dy) {
      Expect(W.left + 1, W.top + 5 + Dy, Transparent, "frame ring");
      Expect(W.left + 2, W.top + 5 + Dy, Transparent, "drag handle");
      Expect(C.left + Sep->Left(), C.top + 5 + Dy, Transparent, "under the separator");
    }
  }
  // Without BackgroundOnToolbars the toolbar keeps its own colour.
  Top->SetBackgroundOnToolbars(false);
  Pump();
  EXPECT_EQ(GetPixel(Screen, C.left + Sep->Left(), C.top + 5), GetSysColor(COLOR_BTNFACE));
  Expect(W.right + 10, D.top + 3, true, "dock");
  ReleaseDC(nullptr, Screen);
}

TEST_F(ToolbarTest, PaletteBackgroundTilesAndItsPaletteReachesTheToolbar) {
  Build();
  EXPECT_EQ(Bar->GetPalette(), nullptr);
  TBitmap B;
  B.SetHandle(morvtest::MakeDib8(5, 3, 15, [](int X, int Y) { return Y * 5 + X; }));
  ASSERT_NE(B.Palette(), nullptr);
  Top->SetBackground(&B);
  Pump();
  // The dock keeps its own copy of the palette, and the docked toolbar
  // reports it; a toolbar elsewhere has none.
  ASSERT_NE(Top->Background()->Palette(), nullptr);
  EXPECT_EQ(Bar->GetPalette(), Top->Background()->Palette());
  Bar->SetDockedTo(Left);
  Pump();
  EXPECT_EQ(Bar->GetPalette(), nullptr);
  Bar->SetDockedTo(Top);
  Pump();
  EXPECT_EQ(Bar->GetPalette(), Top->Background()->Palette());

  HDC Screen = GetDC(nullptr);
  POINT Origin{0, 0};
  ClientToScreen(Top->Handle(), &Origin);
  RECT D = WindowRect(Top), W = WindowRect(Bar);
  auto Expect = [&](int X, int Y, const char* Where) {
    int TX = ((X - Origin.x) % 5 + 5) % 5, TY = ((Y - Origin.y) % 3 + 3) % 3;
    EXPECT_EQ(GetPixel(Screen, X, Y), morvtest::Dib8Colour(TY * 5 + TX)) << Where << " " << X << "," << Y;
  };
  for (int Dx = 0; Dx < 6; ++Dx)
    for (int Dy = 0; Dy < 3; ++Dy) Expect(W.right + 10 + Dx, D.top + 3 + Dy, "dock");
  for (int Dy = 0; Dy < 4; ++Dy) Expect(W.left + 1, W.top + 5 + Dy, "frame ring");
  ReleaseDC(nullptr, Screen);

  // Another window realised a palette while the form is in the background:
  // the toolbar repaints its client area and its docked frame.
  int Paints = 0, FrameRedraws = 0;
  Bar->SetMessageHandler(WM_PAINT, [&](TMessage& M) {
    ++Paints;
    Bar->Inherited(M);
  });
  const UINT RedrawFrame = 6063;
  Bar->SetMessageHandler(RedrawFrame, [&](TMessage& M) {
    ++FrameRedraws;
    Bar->Inherited(M);
  });
  TForm Other(nullptr, "TPaletteOtherForm");
  Other.Show();
  Pump();
  Paints = FrameRedraws = 0;
  SendMessageW(FForm->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(Other.Handle()), 0);
  Pump();
  EXPECT_GE(Paints, 1);
  EXPECT_EQ(FrameRedraws, 1);
  // Its own change, or a dock without a background, repaints nothing.
  Paints = FrameRedraws = 0;
  SendMessageW(FForm->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(FForm->Handle()), 0);
  Pump();
  EXPECT_EQ(FrameRedraws, 0);
  Top->SetBackground(nullptr);
  Pump();
  Paints = FrameRedraws = 0;
  SendMessageW(FForm->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(Other.Handle()), 0);
  Pump();
  EXPECT_EQ(Paints, 0);
  EXPECT_EQ(FrameRedraws, 0);
  Bar->SetMessageHandler(WM_PAINT, nullptr);
  Bar->SetMessageHandler(RedrawFrame, nullptr);
}

TEST_F(ToolbarTest, ScreenshotWithDockedAndFloatingToolbars) {
  Build();
  auto* Second = new TToolbarX(FForm.get());
  Second->SetCaption("Floating");
  Second->SetHideWhenInactive(false);
  Second->SetFloatingPosition(TPoint{FForm->Left() + 200, FForm->Top() + 150});
  Second->SetParent(FForm.get());
  for (int I = 0; I < 3; ++I) {
    auto* B = new TToolbarButtonX(FForm.get());
    B->SetCaption(std::string(1, static_cast<char>('1' + I)));
    B->SetParent(Second);
  }
  Second->ArrangeControls();
  Pump();
  EXPECT_TRUE(IsWindowVisible(Second->Handle()));
  morvtest::SaveWindowShot(GetDesktopWindow(), morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/toolbars.bmp"));
}

}  // namespace
