#include "controls/commands/tbbutton.h"

#include <windowsx.h>

#include <algorithm>
#include <typeinfo>

#include "controls/commands/dropdownlist.h"
#include "controls/commands/toolwindow.h"
#include "framework/ui/stdctrls.h"

unsigned ToolbarHotTrackInterval = 125;

namespace {

TToolbarButtonX* Hot = nullptr;
TTimer* HotTimer = nullptr;
int ButtonCount = 0;
HBRUSH PatternBrush = nullptr;
COLORREF PatternFace = 0, PatternHighlight = 0;

HBRUSH ButtonPatternBrush() {
  COLORREF F = GetSysColor(COLOR_BTNFACE), H = GetSysColor(COLOR_BTNHIGHLIGHT);
  if (PatternBrush && (F != PatternFace || H != PatternHighlight)) {
    DeleteObject(PatternBrush);
    PatternBrush = nullptr;
  }
  if (!PatternBrush) {
    TBitmap B;
    B.SetSize(8, 8);
    for (int Y = 0; Y < 8; ++Y)
      for (int X = 0; X < 8; ++X) B.Canvas()->SetPixels(X, Y, static_cast<TColor>(((X + Y) % 2 == 0) ? H : F));
    PatternBrush = CreatePatternBrush(B.Handle());
    PatternFace = F;
    PatternHighlight = H;
  }
  return PatternBrush;
}

void ClearHotButton() {
  Hot = nullptr;
  if (HotTimer) HotTimer->SetEnabled(false);
}

}  // namespace

TToolbarButtonX* TToolbarButtonX::HotButton() { return Hot; }

TToolbarButtonX::TToolbarButtonX(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TButtonGlyph>()) {
  if (!HotTimer) {
    HotTimer = new TTimer(nullptr);
    HotTimer->SetEnabled(false);
  }
  ++ButtonCount;
  RegisterHookProc(ButtonHookProc, HookCode(hpAppActivate) | HookCode(hpMouseMove));
  FWidth = 23;
  FHeight = 22;
  FControlStyle = csCaptureMouse | csOpaque | csDoubleClicks | csClickEvents;
  FColor = clBtnFace;
  FParentColor = false;
  FGlyph->OnChange = [this](TObject*) { Redraw(true); };
}

TToolbarButtonX::~TToolbarButtonX() {
  if (Hot == this) ClearHotButton();
  FGlyph.reset();
  UnregisterHookProc(ButtonHookProc);
  if (--ButtonCount == 0) {
    delete HotTimer;
    HotTimer = nullptr;
    if (PatternBrush) DeleteObject(PatternBrush);
    PatternBrush = nullptr;
  }
}

void TToolbarButtonX::Redraw(bool) { Invalidate(); }

void TToolbarButtonX::SetAllowAllUp(bool Value) {
  FAllowAllUp = Value;
  UpdateExclusive();
}
void TToolbarButtonX::SetGroupIndex(int Value) {
  FGroupIndex = Value;
  UpdateExclusive();
}

void TToolbarButtonX::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown) return;
  // The last down button of a group without AllowAllUp stays down.
  if (FDown && !FAllowAllUp) return;
  FDown = Value;
  if (FState != bsDisabled) FState = Value ? bsExclusive : bsUp;
  Redraw(true);
  if (Value) UpdateExclusive();
}

void TToolbarButtonX::UpdateExclusive() {
  if (FGroupIndex == 0 || !Parent()) return;
  for (int I = 0; I < Parent()->ControlCount(); ++I) {
    auto* B = dynamic_cast<TToolbarButtonX*>(Parent()->Controls(I));
    if (!B || B == this || B->FGroupIndex != FGroupIndex) continue;
    if (FDown && B->FDown) {
      B->FDown = false;
      B->FState = bsUp;
      B->Redraw(true);
    }
    B->FAllowAllUp = FAllowAllUp;
  }
}

void TToolbarButtonX::SetFlat(bool Value) {
  FFlat = Value;
  Redraw(true);
}
void TToolbarButtonX::SetOpaque(bool Value) {
  FOpaque = Value;
  Invalidate();
}
void TToolbarButtonX::SetNoBorder(bool Value) {
  FNoBorder = Value;
  Invalidate();
}
void TToolbarButtonX::SetDisplayMode(TButtonDisplayMode Value) {
  FDisplayMode = Value;
  Redraw(true);
}
void TToolbarButtonX::SetLayout(TButtonLayout Value) {
  FLayout = Value;
  Redraw(true);
}
void TToolbarButtonX::SetMargin(int Value) {
  if (Value < -1) return;
  FMargin = Value;
  Redraw(true);
}
void TToolbarButtonX::SetSpacing(int Value) {
  FSpacing = Value;
  Redraw(true);
}
void TToolbarButtonX::SetNumGlyphs(int Value) {
  Value = std::clamp(Value, 1, 5);
  if (Value == FGlyph->NumGlyphs()) return;
  FGlyph->SetNumGlyphs(Value);
  Redraw(true);
}
void TToolbarButtonX::SetGlyph(TBitmap* Value) {
  FGlyph->SetGlyph(Value);
  Redraw(true);
}
void TToolbarButtonX::Loaded() {
  TGraphicControl::Loaded();
  TGlyphList* List = nullptr;
  FGlyph->CreateButtonGlyph(FEnabled ? bsUp : bsDisabled, List);
}

void TToolbarButtonX::SetGlyphMask(TBitmap* Value) {
  FGlyph->SetGlyphMask(Value);
  Redraw(true);
}
void TToolbarButtonX::SetImages(TCustomImageList* Value) {
  FGlyph->SetImages(Value);
  if (Value) Value->FreeNotification(this);
  Redraw(true);
}
void TToolbarButtonX::SetImageIndex(int Value) {
  FGlyph->SetImageIndex(Value);
  Redraw(true);
}
void TToolbarButtonX::SetOldDisabledStyle(bool Value) {
  FGlyph->SetOldDisabledStyle(Value);
  Redraw(true);
}
void TToolbarButtonX::SetDropdownMenu(TPopupMenu* Value) {
  FDropdownMenu = Value;
  if (Value) {
    Value->FreeNotification(this);
    DropdownList()->AddMenu(Value);
  }
  Redraw(true);
}
void TToolbarButtonX::SetDropdownAlways(bool Value) {
  FDropdownAlways = Value;
  Redraw(true);
}
void TToolbarButtonX::SetDropdownArrow(bool Value) {
  FDropdownArrow = Value;
  Redraw(true);
}
void TToolbarButtonX::SetDropdownArrowWidth(int Value) {
  Value = std::max(Value, 7);
  if (FDropdownCombo) SetWidth(FWidth + Value - FDropdownArrowWidth);
  FDropdownArrowWidth = Value;
  Redraw(true);
}
void TToolbarButtonX::SetDropdownCombo(bool Value) {
  if (Value == FDropdownCombo) return;
  FDropdownCombo = Value;
  SetWidth(Value ? FWidth + FDropdownArrowWidth + 2 : std::max(FWidth - 2 - FDropdownArrowWidth, 1));
  Redraw(true);
}

void TToolbarButtonX::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FDropdownMenu) FDropdownMenu = nullptr;
  if (FGlyph && AComponent == FGlyph->Images()) FGlyph->SetImages(nullptr);
}

bool TToolbarButtonX::CursorOverMe() {
  if (!Parent() || !Parent()->HandleAllocated()) return false;
  POINT P;
  GetCursorPos(&P);
  HWND Under = WindowFromPoint(P);
  if (Under != Parent()->Handle()) return false;
  ::ScreenToClient(Under, &P);
  return Parent()->ControlAtPos(TPoint{P.x, P.y}, true) == this;
}

bool TToolbarButtonX::PointInButton(int X, int Y) {
  int Right = FWidth - ((FDropdownCombo && UsesDropdown()) ? FDropdownArrowWidth + 2 : 0);
  return X >= 0 && X < Right && Y >= 0 && Y < FHeight;
}

void TToolbarButtonX::MouseEntered() {
  if (!FEnabled || FMouseInControl) return;
  FMouseInControl = true;
  if (FState == bsUp) FState = bsMouseIn;
  Redraw(true);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TToolbarButtonX::MouseLeft() {
  if (!FEnabled || !FMouseInControl || FMouseIsDown) return;
  FMouseInControl = false;
  if (Hot == this) ClearHotButton();
  if (FState == bsMouseIn || (!FInClick && FState == bsDown)) FState = (FDown && FGroupIndex) ? bsExclusive : bsUp;
  Redraw(true);
  if (OnMouseExit) OnMouseExit(this);
}

void TToolbarButtonX::UpdateTracking() {
  if (!FEnabled) return;
  bool Over = CursorOverMe();
  FMouseInControl = !Over;
  if (Over)
    MouseEntered();
  else
    MouseLeft();
}

void TToolbarButtonX::ButtonHookProc(THookProcCode Code, void*, uintptr_t WParam, intptr_t) {
  if (!Hot) return;
  if (Code == hpMouseMove) {
    if (!Hot->CursorOverMe()) Hot->MouseLeft();
  } else if (Code == hpAppActivate && WParam == 0 && !Hot->ShowBorderWhenInactive) {
    Hot->MouseLeft();
  }
}

void TToolbarButtonX::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (Hot != this && CursorOverMe()) {
    if (Hot) Hot->MouseLeft();
    if (ShowBorderWhenInactive || IsAnyWindowActive()) {
      Hot = this;
      HotTimer->SetInterval(ToolbarHotTrackInterval);
      HotTimer->OnTimer = [this](TObject*) {
        if (Hot == this && !CursorOverMe()) MouseLeft();
      };
      HotTimer->SetEnabled(true);
      MouseEntered();
    }
  }
  if (FMouseIsDown) {
    bool Inside = PointInButton(X, Y);
    if (Inside && FRepeatTimer && !FRepeatTimer->Enabled()) FRepeatTimer->SetEnabled(true);
    TButtonStateX S = FDown ? bsExclusive : (Inside ? bsDown : bsUp);
    if (S != FState) {
      FState = S;
      Redraw(true);
    }
  }
}

void TToolbarButtonX::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (!FEnabled || Button != mbLeft) {
    if (FEnabled) MouseEntered();
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    return;
  }
  MouseEntered();
  FMenuIsDown = UsesDropdown() && (!FDropdownCombo || X >= FWidth - (FDropdownArrowWidth + 2));
  if (!FDown) {
    FState = bsDown;
    Redraw(true);
  } else if (FAllowAllUp) {
    Redraw(true);
  }
  if (!FMenuIsDown) FMouseIsDown = true;
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (FMenuIsDown) {
    Click();
  } else if (Repeating) {
    Click();
    if (!FRepeatTimer) FRepeatTimer = std::make_unique<TTimer>(nullptr);
    FRepeatTimer->SetInterval(static_cast<unsigned>(RepeatDelay));
    FRepeatTimer->OnTimer = [this](TObject*) { RepeatTimerHandler(); };
    FRepeatTimer->SetEnabled(true);
  }
  FMenuIsDown = false;
}

void TToolbarButtonX::RepeatTimerHandler() {
  FRepeatTimer->SetInterval(static_cast<unsigned>(RepeatInterval));
  POINT P;
  GetCursorPos(&P);
  TPoint L = ScreenToClient(TPoint{P.x, P.y});
  bool Captured = Parent() && GetCapture() == Parent()->Handle();
  if (Repeating && FMouseIsDown && Captured && PointInButton(L.x, L.y))
    Click();
  else
    FRepeatTimer->SetEnabled(false);
}

void TToolbarButtonX::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FRepeatTimer.reset();
  if (Button == mbRight && FEnabled) {
    FMouseIsDown = false;
    MouseLeft();
  }
  FClicked = false;  // clicks come from here, not from the framework
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft && FMouseIsDown) {
    FMouseIsDown = false;
    if (PointInButton(X, Y) && !Repeating)
      Click();
    else {
      if (FState == bsDown) FState = FDown ? bsExclusive : bsUp;
      Redraw(true);
      MouseLeft();
    }
  }
}

void TToolbarButtonX::RemoveClicks() {
  // Presses on this very button that closed the menu must not open it again.
  std::vector<MSG> Kept;
  MSG M;
  RECT R = BoundsRect();
  if (Parent() && Parent()->HandleAllocated()) MapWindowPoints(Parent()->Handle(), nullptr, reinterpret_cast<POINT*>(&R), 2);
  while (PeekMessageW(&M, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_REMOVE | PM_NOYIELD)) {
    if (M.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(M.wParam));
      break;
    }
    bool Press = M.message == WM_LBUTTONDOWN || M.message == WM_LBUTTONDBLCLK || M.message == WM_RBUTTONDOWN ||
                 M.message == WM_RBUTTONDBLCLK || M.message == WM_MBUTTONDOWN || M.message == WM_MBUTTONDBLCLK;
    POINT P{GET_X_LPARAM(M.lParam), GET_Y_LPARAM(M.lParam)};
    ::ClientToScreen(M.hwnd, &P);
    if (Press && PtInRect(&R, P)) continue;
    Kept.push_back(M);
  }
  for (const MSG& K : Kept) PostMessageW(K.hwnd, K.message, K.wParam, K.lParam);
}

void TToolbarButtonX::Click() {
  if (Repeating && !FMenuIsDown) {
    TGraphicControl::Click();
    return;
  }
  FInClick = true;
  struct TEnd {
    TToolbarButtonX* B;
    ~TEnd() {
      B->FInClick = false;
      if (B->FState == bsDown) B->FState = bsUp;
    }
  } End{this};
  if (FGroupIndex != 0 && !FMenuIsDown) SetDown(!FDown);
  if (FState == bsUp || FState == bsMouseIn) {
    FState = bsDown;
    Repaint();
  }
  MouseLeft();
  if (UsesDropdown() && (!FDropdownCombo || FMenuIsDown)) {
    if (!FDropdownCombo) TGraphicControl::Click();
    if (Parent() && GetCapture() == Parent()->Handle()) ReleaseCapture();
    bool ShowMenu = FDropdownMenu != nullptr, Remove = true;
    if (OnDropdown) OnDropdown(this, ShowMenu, Remove);
    if (FDropdownMenu && ShowMenu) {
      TPopupAlignment SavedAlign = FDropdownMenu->Alignment();
      FDropdownMenu->SetAlignment(paLeft);
      TPoint P{0, FHeight};
      TDockX* Dock = nullptr;
      for (TWinControl* W = Parent(); W && !Dock; W = W->Parent())
        if (auto* T = dynamic_cast<TCustomToolWindowX*>(W)) Dock = T->DockedTo();
      if (Dock && Dock->Position() == dpLeft)
        P = {FWidth, 0};
      else if (Dock && Dock->Position() == dpRight) {
        P = {0, 0};
        FDropdownMenu->SetAlignment(paRight);
      }
      P = ClientToScreen(P);
      FDropdownMenu->SetPopupComponent(this);
      if (typeid(*FDropdownMenu) == typeid(TPopupMenu)) {
        // The plain menu class is owned by the drop-down list's window,
        // which routes its command back to the item.
        static const UINT Aligns[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
        DropdownList()->TrackMenu(FDropdownMenu, P.x, P.y, Aligns[FDropdownMenu->Alignment()] | TPM_RIGHTBUTTON);
      } else {
        FDropdownMenu->Popup(P.x, P.y);
      }
      FDropdownMenu->SetAlignment(SavedAlign);
    }
    if (Remove) RemoveClicks();
  } else {
    if (TCustomForm* F = GetParentForm(); F && ModalResult) F->SetModalResult(ModalResult);
    TGraphicControl::Click();
  }
  FInClick = false;
  if (FState == bsDown) FState = bsUp;
  if (!Destroying()) {
    Redraw(true);
    UpdateTracking();
  }
}

void TToolbarButtonX::EnabledChanged() {
  if (!FEnabled) {
    FState = bsDisabled;
    FMouseInControl = false;
    FMouseIsDown = false;
    if (Hot == this) ClearHotButton();
    FRepeatTimer.reset();
  } else if (FState == bsDisabled) {
    FState = (FDown && FGroupIndex) ? bsExclusive : bsUp;
  }
  Redraw(true);
}

void TToolbarButtonX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDBLCLK:
      TGraphicControl::Dispatch(Message);
      if (FDown) DblClick();
      return;
    case WM_CANCELMODE:
      FRepeatTimer.reset();
      if (FMouseIsDown) {
        FMouseIsDown = false;
        MouseLeft();
      }
      break;
    case CM_MOUSELEAVE:
      if (!CursorOverMe()) MouseLeft();
      return;
    case CM_SYSCOLORCHANGE: {
      // Generated disabled images are drawn in the old highlight and shadow.
      FGlyph->Invalidate();
      TGlyphList* List = nullptr;
      FGlyph->CreateButtonGlyph(FState, List);
      Redraw(true);
      return;
    }
    case CM_DIALOGCHAR:
      if (FDisplayMode != dmGlyphOnly && IsAccel(static_cast<char>(Message.WParam), Caption()) && PressableByKey()) {
        Click();
        Message.Result = 1;
        return;
      }
      break;
    case CM_DIALOGKEY:
      if (((Message.WParam == VK_RETURN && Default) || (Message.WParam == VK_ESCAPE && Cancel)) &&
          !(Message.LParam & (ssShift | ssAlt | ssCtrl)) && PressableByKey()) {
        Click();
        Message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TGraphicControl::Dispatch(Message);
}

bool TToolbarButtonX::PressableByKey() {
  // The button and every container up to its form must be shown and usable.
  if (!Visible() || !Enabled()) return false;
  for (TWinControl* P = Parent(); P; P = P->Parent()) {
    if (!P->Visible() || !P->Enabled()) return false;
    if (dynamic_cast<TCustomForm*>(P)) return true;
  }
  return false;
}

void TToolbarButtonX::Paint() {
  HDC Target = Canvas()->Handle();
  const bool Offscreen = FOpaque || !FFlat;
  TBitmap Buffer;
  HDC DC = Target;
  if (Offscreen) {
    Buffer.SetSize(FWidth, FHeight);
    Buffer.Canvas()->Brush()->SetColor(FColor);
    Buffer.Canvas()->FillRect(TRect{0, 0, FWidth, FHeight});
    DC = Buffer.Canvas()->Handle();
  }
  const bool IsDown = FState == bsDown || FState == bsExclusive;
  const bool Split = FDropdownCombo && UsesDropdown();
  const bool PressedFace = IsDown && (!Split || !FMenuIsDown);
  const bool Border = !FNoBorder && (!FFlat || IsDown || (FMouseInControl && FState != bsDisabled));
  RECT R{0, 0, FWidth, FHeight};
  if (Split) {
    if (Border) {
      RECT A{FWidth - 2 - FDropdownArrowWidth, 0, FWidth, FHeight};
      DrawEdge(DC, &A, FFlat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    }
    R.right = FWidth - 2 - FDropdownArrowWidth;
  }
  if (Border) {
    UINT Edge = FFlat ? (PressedFace ? BDR_SUNKENOUTER : BDR_RAISEDINNER) : (PressedFace ? EDGE_SUNKEN : EDGE_RAISED);
    DrawEdge(DC, &R, Edge, FFlat ? BF_RECT : (BF_RECT | BF_SOFT | BF_MIDDLE));
  }
  if (!FNoBorder) InflateRect(&R, FFlat ? -1 : -2, FFlat ? -1 : -2);
  int Offset = 0;
  if (PressedFace) {
    if (FState == bsExclusive && (!FFlat || !FMouseInControl)) FillRect(DC, &R, ButtonPatternBrush());
    Offset = 1;
  }
  // Glyph and caption: the glyph on its side, the caption beside it.
  SIZE G = FDisplayMode == dmTextOnly ? SIZE{0, 0} : FGlyph->GlyphSize();
  std::string Text = FDisplayMode == dmGlyphOnly ? std::string() : Caption();
  HFONT Font = FFont.Handle();
  HGDIOBJ OldFont = SelectObject(DC, Font);
  SIZE T{0, 0};
  if (!Text.empty()) {
    std::wstring W(Text.begin(), Text.end());
    GetTextExtentPoint32W(DC, W.c_str(), static_cast<int>(W.size()), &T);
  }
  const bool InFaceArrow = FDropdownArrow && !FDropdownCombo && UsesDropdown();
  const int AW = InFaceArrow ? FDropdownArrowWidth : 0;
  const int CW = R.right - R.left, CH = R.bottom - R.top;
  const bool Horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight || G.cx == 0;
  int Spacing = (G.cx && T.cx) ? FSpacing : 0;
  int GX, GY, TX, TY;
  if (Horizontal) {
    int Total = G.cx + Spacing + T.cx + AW;
    int Margin = FMargin == -1 ? (CW - Total + 1) / 2 : FMargin;
    GX = Margin;
    TX = Margin + G.cx + Spacing;
    GY = (CH - G.cy + 1) / 2;
    TY = (CH - T.cy + 1) / 2;
  } else {
    int Total = G.cy + Spacing + T.cy;
    int Margin = FMargin == -1 ? (CH - Total + 1) / 2 : FMargin;
    GY = FLayout == blGlyphTop ? Margin : CH - Margin - G.cy;
    TY = FLayout == blGlyphTop ? GY + G.cy + Spacing : GY - Spacing - T.cy;
    GX = (CW - G.cx - AW + 1) / 2;
    TX = (CW - T.cx + 1) / 2;
  }
  const int OX = R.left + Offset, OY = R.top + Offset;
  if (G.cx) FGlyph->Draw(DC, OX + GX, OY + GY, FState);
  SetBkMode(DC, TRANSPARENT);
  if (!Text.empty()) {
    std::wstring W(Text.begin(), Text.end());
    RECT TR{OX + TX, OY + TY, OX + TX + T.cx, OY + TY + T.cy};
    if (!FEnabled) {
      RECT H = TR;
      OffsetRect(&H, 1, 1);
      SetTextColor(DC, GetSysColor(COLOR_BTNHIGHLIGHT));
      DrawTextW(DC, W.c_str(), -1, &H, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
      SetTextColor(DC, GetSysColor(COLOR_BTNSHADOW));
    } else {
      SetTextColor(DC, ColorToRGB(FFont.Color()));
    }
    DrawTextW(DC, W.c_str(), -1, &TR, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  }
  auto Arrow = [&](int X, int Y, int Width) {
    int CX = X + Width / 2;
    HBRUSH B = CreateSolidBrush(FEnabled ? ColorToRGB(FFont.Color()) : GetSysColor(COLOR_BTNSHADOW));
    HPEN P = CreatePen(PS_SOLID, 1, FEnabled ? ColorToRGB(FFont.Color()) : GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ OB = SelectObject(DC, B), OP = SelectObject(DC, P);
    POINT Pts[3] = {{CX - 2, Y}, {CX + 2, Y}, {CX, Y + 2}};
    Polygon(DC, Pts, 3);
    SelectObject(DC, OB);
    SelectObject(DC, OP);
    DeleteObject(B);
    DeleteObject(P);
  };
  if (InFaceArrow) {
    int AX = Horizontal ? (T.cx ? TX + T.cx : GX + G.cx) : GX + G.cx;
    int AY = G.cy ? GY + (G.cy - 3) / 2 : TY + (T.cy - 3) / 2;
    Arrow(OX + AX + 1, OY + AY, AW);
  }
  if (Split) Arrow(FWidth - FDropdownArrowWidth - 2, FHeight / 2 - 1, FDropdownArrowWidth);
  SelectObject(DC, OldFont);
  if (Offscreen) BitBlt(Target, 0, 0, FWidth, FHeight, DC, 0, 0, SRCCOPY);
}
