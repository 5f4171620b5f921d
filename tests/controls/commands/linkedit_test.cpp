#include "controls/commands/linkedit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "commands_fixture.h"

namespace {

using LinkEditTest = CommandsTest;

// A control of class T on F, 10 pixels in, at Top, as high as it makes itself.
template <class T>
T* Place(TForm* F, int Top, int Width = 150) {
  auto* C = new T(F);
  C->SetParent(F);
  C->SetBounds(10, Top, Width, C->Height());
  return C;
}

TEST_F(LinkEditTest, ListIsAsHighAsItsItemsUpToDropDownCount) {
  TForm* F = MakeForm();
  auto* C = new TComboBoxX(F);
  C->SetParent(F);
  C->SetBounds(10, 10, 150, C->Height());
  F->Show();
  Pump();
  for (int N : {20, 3}) {
    C->Items()->Clear();
    for (int I = 0; I < N; ++I) C->Items()->Add("Item " + std::to_string(I));
    C->BtnClick();
    Pump();
    ASSERT_TRUE(C->DroppedDown());
    RECT R;
    GetClientRect(C->List()->Handle(), &R);
    int Shown = (R.bottom - R.top) / C->List()->ItemHeight();
    EXPECT_EQ(Shown, std::min(N, 8)) << N;
    RECT L, E;
    GetWindowRect(C->List()->Handle(), &L);
    GetWindowRect(C->Handle(), &E);
    EXPECT_EQ(L.top, E.bottom);
    EXPECT_EQ(L.left, E.left);
    C->CloseUp();
    EXPECT_FALSE(C->DroppedDown());
  }
}

TEST_F(LinkEditTest, ChoosingAnItemSetsTheTextAndClicksNothingElse) {
  TForm* F = MakeForm();
  int FormPresses = 0;
  F->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++FormPresses; };
  auto* C = new TComboBoxX(F);
  C->SetParent(F);
  C->SetBounds(10, 10, 150, C->Height());
  for (const char* S : {"alpha", "beta", "gamma"}) C->Items()->Add(S);
  F->Show();
  Pump();
  C->BtnClick();
  Pump();
  HWND L = C->List()->Handle();
  RECT Item;
  SendMessageW(L, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&Item));
  SendMessageW(L, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Item.left + 3, Item.top + 2));
  Pump();
  EXPECT_EQ(C->Text(), "beta");
  EXPECT_EQ(C->ItemIndex(), 1);
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(FormPresses, 0);
  // A press outside the list only closes it.
  C->BtnClick();
  SendMessageW(L, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-20, -20));
  Pump();
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_EQ(C->Text(), "beta");
  EXPECT_EQ(FormPresses, 0);
  // Keys move the selection.
  C->Perform(WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(C->Text(), "gamma");
  C->Perform(WM_KEYDOWN, VK_PRIOR, 0);
  EXPECT_EQ(C->Text(), "alpha");
}

TEST_F(LinkEditTest, DropDownListRefusesTypingAndWideningTheButtonShrinksTheText) {
  TForm* F = MakeForm();
  auto* C = new TComboBoxX(F);
  C->SetStyle(csDropDownList);
  C->SetParent(F);
  C->SetBounds(10, 10, 150, C->Height());
  auto* L = new TLinkEditX(F);
  L->SetParent(F);
  L->SetBounds(10, 50, 150, L->Height());
  F->Show();
  Pump();
  C->SetFocus();
  UiDriver::TypeText(C, "xyz");
  Pump();
  EXPECT_EQ(C->Text(), "");
  EXPECT_EQ(C->Color(), clHighlight);
  const int Right = L->EditRight();
  const int ButtonLeft = L->Button()->Left();
  L->SetBtnWidth(30);
  EXPECT_EQ(L->Button()->Left(), ButtonLeft - 15);
  EXPECT_EQ(L->EditRight(), Right - 15);
}

TEST_F(LinkEditTest, ButtonPropertiesEventsAndDivider) {
  TForm* F = MakeForm();
  auto* L = Place<TLinkEditX>(F, 10);
  L->SetBtnCaption("...");
  L->SetBtnLayout(blGlyphTop);
  L->SetBtnMargin(2);
  L->SetBtnSpacing(1);
  TBitmap Strip;
  Strip.SetSize(16, 8);
  L->SetBtnGlyph(&Strip);
  TToolbarButtonX* B = L->Button();
  EXPECT_EQ(B->Caption(), "...");
  EXPECT_EQ(B->Layout(), blGlyphTop);
  EXPECT_EQ(B->Margin(), 2);
  EXPECT_EQ(B->Spacing(), 1);
  EXPECT_EQ(L->BtnNumGlyphs(), 2);  // a 16 x 8 strip holds two images
  EXPECT_EQ(L->BtnWidth(), 15);
  F->Show();
  Pump();
  // The white divider stands just left of the button, as high as it is.
  EXPECT_EQ(L->Divider()->Width(), 2);
  EXPECT_EQ(L->Divider()->Left(), B->Left() - 2);
  EXPECT_EQ(L->Divider()->Height(), B->Height());
  EXPECT_EQ(L->EditRight(), L->Divider()->Left() - 1);
  L->SetButtonVisible(false);
  EXPECT_FALSE(L->Divider()->Visible());
  EXPECT_EQ(L->EditRight(), L->ClientWidth());
  L->SetButtonVisible(true);

  std::vector<std::string> Seen;
  L->OnButtonMouseEnter = [&](TObject* S) { Seen.push_back(S == L ? "enter" : "?"); };
  L->OnButtonMouseExit = [&](TObject*) { Seen.push_back("exit"); };
  L->OnButtonMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { Seen.push_back("down"); };
  L->OnButtonMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { Seen.push_back("up"); };
  L->OnButtonClick = [&](TObject*) { Seen.push_back("click"); };
  POINT P{B->Left() + 5, B->Top() + 5};
  ClientToScreen(L->Handle(), &P);
  SetCursorPos(P.x, P.y);
  UiDriver::Click(B);
  Pump();
  // The button is made to leave its hot state as soon as it enters it.
  ASSERT_GE(Seen.size(), 5u);
  EXPECT_EQ(Seen[0], "exit");
  EXPECT_EQ(Seen[1], "enter");
  auto At = [&](const char* E) { return std::find(Seen.begin(), Seen.end(), E) - Seen.begin(); };
  EXPECT_LT(At("down"), At("up"));
  EXPECT_LT(At("up"), At("click"));
  EXPECT_LT(At("click"), static_cast<long>(Seen.size()));
  EXPECT_NE(B->State(), bsMouseIn);
  // The press gave the edit the focus, which raises the button's frame.
  EXPECT_EQ(GetFocus(), L->Handle());
  EXPECT_TRUE(L->ButtonFrameHot());
}

TEST_F(LinkEditTest, HoverLightsOnlyTheEasyStyle) {
  TForm* F = MakeForm();
  auto* Focus = Place<TEditX>(F, 60, 100);
  TLinkEditX* Edits[2] = {Place<TLinkEditX>(F, 10), Place<TLinkEditX>(F, 35)};
  Edits[1]->MouseBehaviour = mbEasyStyle;
  F->Show();
  Pump();
  Focus->SetFocus();
  Pump();
  for (int I = 0; I < 2; ++I) {
    TLinkEditX* L = Edits[I];
    L->Perform(CM_MOUSEENTER, 0, 0);
    HDC DC = GetWindowDC(L->Handle());
    COLORREF Left = GetPixel(DC, 0, L->Height() / 2);
    ReleaseDC(L->Handle(), DC);
    const bool Easy = I == 1;
    EXPECT_EQ(L->ButtonFrameHot(), Easy);
    EXPECT_FALSE(L->HotLook());  // the plain edit's hover state stays off
    // The easy style's sunken border shows; the X style stays flat.
    EXPECT_EQ(Left, GetSysColor(Easy ? COLOR_BTNSHADOW : COLOR_BTNFACE)) << I;
    L->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(L->ButtonFrameHot());
  }
}

TEST_F(LinkEditTest, AllowDownButtonTogglesOnSuccessiveClicks) {
  TForm* F = MakeForm();
  auto* L = Place<TLinkEditX>(F, 10);
  EXPECT_FALSE(L->BtnAllowDown());
  L->SetBtnAllowDown(true);
  F->Show();
  Pump();
  for (bool Want : {true, false, true}) {
    UiDriver::Click(L->Button());
    Pump();
    EXPECT_EQ(L->Button()->Down(), Want);
  }
}

TEST_F(LinkEditTest, OwnerDrawnStylesDrawThroughTheCombo) {
  TForm* F = MakeForm();
  auto* C = Place<TComboBoxX>(F, 10);
  for (const char* S : {"alpha", "beta", "gamma"}) C->Items()->Add(S);
  std::set<int> Drawn;
  TWinControl* DrawnOn = nullptr;
  C->OnDrawItem = [&](TWinControl* Control, int Index, TRect, TOwnerDrawState) {
    Drawn.insert(Index);
    DrawnOn = Control;
  };
  int Measured = 0;
  C->OnMeasureItem = [&](TWinControl*, int, int& H) {
    ++Measured;
    H = 20;
  };
  F->Show();
  Pump();
  struct {
    TComboBoxStyle Style;
    TListBoxStyle ListStyle;
    bool Draws, Measures;
  } Cases[] = {
      {csDropDown, lbStandard, false, false},
      {csOwnerDrawFixed, lbOwnerDrawFixed, true, false},
      {csOwnerDrawVariable, lbOwnerDrawVariable, true, true},
  };
  for (auto K : Cases) {
    Drawn.clear();
    DrawnOn = nullptr;
    Measured = 0;
    C->SetStyle(K.Style);
    EXPECT_EQ(C->List()->Style(), K.ListStyle);
    C->BtnClick();
    Pump();
    UpdateWindow(C->List()->Handle());
    EXPECT_EQ(Drawn == std::set<int>({0, 1, 2}), K.Draws) << K.Style;
    if (K.Draws) {
      EXPECT_EQ(DrawnOn, C->List());
    }
    EXPECT_EQ(Measured > 0, K.Measures) << K.Style;
    if (K.Measures) {
      RECT R;
      GetWindowRect(C->List()->Handle(), &R);
      EXPECT_EQ(R.bottom - R.top, 3 * 20 + 3);
    }
    C->CloseUp();
  }
}

TEST_F(LinkEditTest, ButtonGlyphsComeFromTheProgramsBitmaps) {
  TForm* F = MakeForm();
  constexpr COLORREF Ink = RGB(0, 0, 0), Clear = RGB(255, 0, 255);
  struct Pixel {
    int X, Y;
    COLORREF Colour;
  };
  struct Case {
    const char* Resource;
    TCustomLinkEditX* Edit;
    int Width, Height;
    std::vector<Pixel> Pixels;
  };
  // The bottom-left pixel is the button's transparent colour, so it must be
  // the background and not part of the picture.
  const Case Cases[] = {
      {"ELLIPSIS", Place<TLinkEditX>(F, 10), 8, 3, {{0, 0, Ink}, {2, 0, Clear}, {7, 1, Ink}, {0, 2, Clear}}},
      {"DOWNBITMAP",
       Place<TComboBoxX>(F, 40),
       7,
       4,
       {{0, 0, Ink}, {6, 0, Ink}, {3, 3, Ink}, {0, 3, Clear}, {1, 2, Clear}}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Resource);
    TBitmap Own;
    Own.LoadFromResourceName(GetModuleHandleW(nullptr), C.Resource);
    TBitmap* G = C.Edit->BtnGlyph();
    EXPECT_EQ(G->Width(), C.Width);
    EXPECT_EQ(G->Height(), C.Height);
    EXPECT_EQ(Own.Width(), C.Width);
    EXPECT_EQ(Own.Height(), C.Height);
    for (const Pixel& P : C.Pixels) {
      EXPECT_EQ(ColorToRGB(G->Canvas()->Pixels(P.X, P.Y)), P.Colour) << P.X << "," << P.Y;
      EXPECT_EQ(ColorToRGB(Own.Canvas()->Pixels(P.X, P.Y)), P.Colour) << P.X << "," << P.Y;
    }
  }
  // The TrueType sign is the 12 x 12 picture of two T's, grey behind black.
  TBitmap Sign;
  Sign.LoadFromResourceName(GetModuleHandleW(nullptr), "TRUETYPESIGN2");
  EXPECT_EQ(Sign.Width(), 12);
  EXPECT_EQ(Sign.Height(), 12);
  for (const Pixel& P :
       std::vector<Pixel>{{1, 0, RGB(128, 128, 128)}, {5, 3, Ink}, {7, 10, Ink}, {0, 10, Clear}, {11, 11, Clear}})
    EXPECT_EQ(ColorToRGB(Sign.Canvas()->Pixels(P.X, P.Y)), P.Colour) << P.X << "," << P.Y;
}

TEST_F(LinkEditTest, FontComboListsEachFaceOnceAndDropsTheMark) {
  TForm* F = MakeForm();
  auto* C = new TFontComboBoxX(F);
  C->SetParent(F);
  int Changes = 0;
  C->OnFontChange = [&](TObject*) { ++Changes; };
  F->Show();
  Pump();
  ASSERT_GT(C->Items()->Count(), 0);
  std::set<std::string> Seen;
  int TrueType = -1;
  for (int I = 0; I < C->Items()->Count(); ++I) {
    std::string S = C->Items()->Strings(I);
    EXPECT_TRUE(Seen.insert(S).second) << S;
    if (TrueType < 0 && !S.empty() && S.back() == '*') TrueType = I;
  }
  ASSERT_GE(TrueType, 0);
  std::string Face = C->Items()->Strings(TrueType);
  C->SetItemIndex(TrueType);
  EXPECT_EQ(C->Text(), Face.substr(0, Face.size() - 1));
  EXPECT_GE(Changes, 1);
  EXPECT_EQ(C->Style(), csOwnerDrawFixed);
  // The open list shows the TrueType sign in place of the mark.
  C->BtnClick();
  HWND L = C->List()->Handle();
  SendMessageW(L, LB_SETTOPINDEX, TrueType, 0);
  Pump();
  UpdateWindow(L);
  RECT R;
  SendMessageW(L, LB_GETITEMRECT, TrueType, reinterpret_cast<LPARAM>(&R));
  HDC DC = GetDC(L);
  EXPECT_EQ(GetPixel(DC, R.left + 2 + 5, R.top + 2 + 3), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(DC, R.left + 2 + 1, R.top + 2), RGB(128, 128, 128));
  EXPECT_NE(GetPixel(DC, R.left + 2, R.top + 2 + 10), RGB(255, 0, 255));
  ReleaseDC(L, DC);
  C->CloseUp();
  C->SetTrueTypeFontsOnly(true);
  for (int I = 0; I < C->Items()->Count(); ++I) EXPECT_EQ(C->Items()->Strings(I).back(), '*');
}

}  // namespace
