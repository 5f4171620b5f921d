#include "controls/commands/toolwindow.h"

#include <algorithm>
#include <cstdio>

#include "controls/commands/core/captionfit.h"

TDrawCaptionProc ToolWindowDrawCaption = reinterpret_cast<TDrawCaptionProc>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "DrawCaption")));

namespace {

std::vector<TCustomToolWindowX*> Instances;

bool IsSizingCode(LRESULT H) { return H >= HTLEFT && H <= HTBOTTOMRIGHT; }

// Posted to redraw the docked frame after the current message.
constexpr UINT WM_TB_REDRAWFRAME = 6063;
// Checks the floating window's place above its owner form a little after
// the form was shown or raised, once the display has caught up.
constexpr UINT_PTR RestackTimer = 6064;
constexpr UINT RestackDelay = 100;

}  // namespace

int DragHandleSize(bool CloseButtonWhenDocked, TDragHandleStyle Style) {
  static const int Sizes[2][3] = {{9, 0, 6}, {14, 14, 14}};
  return Sizes[CloseButtonWhenDocked ? 1 : 0][Style];
}

int DragHandleOffset(bool CloseButtonWhenDocked, TDragHandleStyle Style) {
  static const int Offsets[2][3] = {{2, 0, 1}, {3, 0, 5}};
  return Offsets[CloseButtonWhenDocked ? 1 : 0][Style];
}

int SmallCaptionHeight() { return GetSystemMetrics(SM_CYSMCAPTION); }

TFloatingWindowParent::TFloatingWindowParent(TComponent* AOwner, TCustomForm* ParentForm)
    : TForm(AOwner, "TFloatingWindowParent"), FParentForm(ParentForm) {
  SetBorderStyle(bsNone);
  SetBounds(0, 0, 0, 0);
  char Name[64];
  std::snprintf(Name, sizeof Name, "TBXFloatingWindowParent_%.8x",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)));
  SetName(Name);
}

bool TFloatingWindowParent::DialogKey(WORD Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && (Shift & (ssShift | ssCtrl | ssAlt)) == 0) {
    // Escape in a floating tool window goes back to the form.
    if (FParentForm && FParentForm->HandleAllocated()) {
      HWND Form = FParentForm->Handle();
      SetActiveWindow(FormFrameWindow(Form));
      if (TWinControl* C = FParentForm->ActiveControl(); C && C->HandleAllocated())
        ::SetFocus(C->Handle());
      else
        ::SetFocus(Form);
    }
    return true;
  }
  return TForm::DialogKey(Key, Shift);
}

TCustomToolWindowX::TCustomToolWindowX(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = csAcceptsControls | csClickEvents | csDoubleClicks | csSetCaption;
  FColor = clBtnFace;
  FParentColor = false;
  RegisterHookProc(HookProc, HookCode(hpAppActivate) | HookCode(hpWindowPosChanged) | HookCode(hpWindowDestroyed));
  Instances.push_back(this);
}

TCustomToolWindowX::~TCustomToolWindowX() {
  Instances.erase(std::remove(Instances.begin(), Instances.end(), this), Instances.end());
  UnregisterHookProc(HookProc);
  for (TDockX* D : {FDockedTo, FLastDock})
    if (D) {
      auto& L = const_cast<std::vector<TCustomToolWindowX*>&>(D->DockList());
      L.erase(std::remove(L.begin(), L.end(), this), L.end());
      auto& V = const_cast<std::vector<TCustomToolWindowX*>&>(D->DockVisibleList());
      V.erase(std::remove(V.begin(), V.end(), this), V.end());
    }
  TFloatingWindowParent* Host = FHost;
  FHost = nullptr;
  if (Parent()) TCustomControl::SetParent(nullptr);
  delete Host;
}

TCustomForm* TCustomToolWindowX::OwnerForm() {
  if (FHost) return FHost->ParentForm();
  if (Parent()) return Parent()->GetParentForm();
  return dynamic_cast<TCustomForm*>(Owner());
}

void TCustomToolWindowX::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WinClassName = L"TToolWindowX";
  Params.WindowClassStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
  if (!FDockedTo && FHost) {
    // Floating: a tool-style pop-up owned by the owner form; the frame is
    // measured and drawn here, not by the system.
    Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP | WS_CLIPCHILDREN;
    Params.Style &= ~static_cast<DWORD>(WS_VISIBLE);
    Params.ExStyle |= WS_EX_TOOLWINDOW;
    TCustomForm* F = FHost->ParentForm();
    Params.WndParent = F ? F->Handle() : nullptr;
  }
}

void TCustomToolWindowX::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateVisibility();
}

void TCustomToolWindowX::SetParent(TWinControl* AParent) { ChangeParent(AParent); }

void TCustomToolWindowX::ChangeParent(TWinControl* P) {
  if (P && !dynamic_cast<TDockX*>(P) && !dynamic_cast<TCustomForm*>(P))
    throw EInvalidOperation("A tool window can only be placed on a TDockX or directly on the form");
  if (auto* F = dynamic_cast<TCustomForm*>(P); F && !dynamic_cast<TFloatingWindowParent*>(F)) {
    if (!FHost || FHost->ParentForm() != F) {
      FHost = new TFloatingWindowParent(nullptr, F);
      FHost->HandleNeeded();
      F->FreeNotification(this);
    }
    P = FHost;
  }
  TDockX* OldDock = dynamic_cast<TDockX*>(Parent());
  TDockX* NewDock = dynamic_cast<TDockX*>(P);
  if (P == Parent()) {
    FDockedTo = NewDock;
    return;
  }
  const bool Destroy = Destroying();
  if (!Destroy && P) {
    if (OnDockChanging) OnDockChanging(this);
    if (OnDockChangingEx) OnDockChangingEx(this, NewDock);
    if (OnRecreating) OnRecreating(this);
  }
  ++FHidden;
  ++FParentChanging;
  if (OldDock) OldDock->BeginArrange();
  if (NewDock) NewDock->BeginArrange();
  ++FBoundsGuard;
  ++FArrangeLock;
  TWinControl* OldParent = Parent();
  try {
    if (P && OnDockChangingHidden) OnDockChangingHidden(this, NewDock);
    if (OldDock) {
      if (!FUseLastDock) OldDock->ChangeDockList(false, this);
      OldDock->UpdateVisibleList(this, true);
    }
    TCustomControl::SetParent(nullptr);
    FDockedTo = NewDock;
    TCustomControl::SetParent(P);
    if (auto* OldHost = dynamic_cast<TFloatingWindowParent*>(OldParent); OldHost && OldHost != P) {
      if (OldHost == FHost) FHost = nullptr;
      delete OldHost;
    }
    if (NewDock) {
      if (!FUseLastDock)
        NewDock->ChangeDockList(true, this);
      else
        SetLastDock(NewDock);
      NewDock->UpdateVisibleList(this);
    } else if (P) {
      SIZE S = SizeFor(dtNotDocked);
      TCustomControl::SetBounds(FFloatingPosition.x, FFloatingPosition.y, S.cx, S.cy);
    }
  } catch (...) {
    FDockedTo = dynamic_cast<TDockX*>(Parent());
    --FArrangeLock;
    --FBoundsGuard;
    if (NewDock) NewDock->EndArrange();
    if (OldDock) OldDock->EndArrange();
    --FHidden;
    --FParentChanging;
    throw;
  }
  --FArrangeLock;
  ArrangeControls();
  --FBoundsGuard;
  if (NewDock) NewDock->EndArrange();
  if (OldDock) OldDock->EndArrange();
  --FHidden;
  --FParentChanging;
  UpdateVisibility();
  if (Parent() && !Destroy && OnMove) OnMove(this);
  if (!Destroy && P) {
    if (OnRecreated) OnRecreated(this);
    if (OnDockChanged) OnDockChanged(this);
  }
}

void TCustomToolWindowX::SetDockedTo(TDockX* Value) {
  if (Value)
    ChangeParent(Value);
  else if (TCustomForm* F = OwnerForm())
    ChangeParent(F);
  else
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
}

void TCustomToolWindowX::SetLastDock(TDockX* Value) {
  if (FUseLastDock && FDockedTo && Value != FDockedTo) Value = FDockedTo;
  if (Value == FLastDock) {
    if (Value) Value->ChangeDockList(true, this);
    return;
  }
  if (FLastDock && FLastDock != Parent()) FLastDock->ChangeDockList(false, this);
  FLastDock = Value;
  if (Value) {
    FUseLastDock = true;
    Value->FreeNotification(this);
    Value->ChangeDockList(true, this);
  }
}

void TCustomToolWindowX::SetUseLastDock(bool Value) {
  if (Value == FUseLastDock) return;
  FUseLastDock = Value;
  if (Value)
    SetLastDock(FDockedTo);
  else {
    if (FLastDock && FLastDock != Parent()) FLastDock->ChangeDockList(false, this);
    FLastDock = nullptr;
  }
}

void TCustomToolWindowX::SetDefaultDock(TDockX* Value) {
  FDefaultDock = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomToolWindowX::SetDockPos(int Value) {
  FDockPos = Value;
  if (FDockedTo) FDockedTo->ArrangeToolbars();
}

void TCustomToolWindowX::SetDockRow(int Value) {
  FDockRow = Value;
  if (FDockedTo) FDockedTo->ArrangeToolbars();
}

void TCustomToolWindowX::SetFullSize(bool Value) {
  FFullSize = Value;
  ArrangeControls();
  if (FDockedTo) FDockedTo->ArrangeToolbars();
}

void TCustomToolWindowX::SetBorderStyle(TBorderStyle Value) {
  FBorderStyle = Value;
  RecalcNCArea();
}
void TCustomToolWindowX::SetCloseButton(bool Value) {
  FCloseButton = Value;
  if (HandleAllocated()) RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}
void TCustomToolWindowX::SetCloseButtonWhenDocked(bool Value) {
  FCloseButtonWhenDocked = Value;
  RecalcNCArea();
  if (FDockedTo) FDockedTo->ArrangeToolbars();
}
void TCustomToolWindowX::SetDragHandleStyle(TDragHandleStyle Value) {
  FDragHandleStyle = Value;
  RecalcNCArea();
  if (FDockedTo) FDockedTo->ArrangeToolbars();
}
void TCustomToolWindowX::SetShowCaption(bool Value) {
  FShowCaption = Value;
  RecalcNCArea();
  ArrangeControls();
}
void TCustomToolWindowX::SetHideWhenInactive(bool Value) {
  FHideWhenInactive = Value;
  UpdateVisibility();
}

void TCustomToolWindowX::SetFloatingPosition(TPoint Value) {
  FFloatingPosition = Value;
  if (!FDockedTo && FHost && Parent()) {
    ++FBoundsGuard;
    TCustomControl::SetBounds(Value.x, Value.y, FWidth, FHeight);
    --FBoundsGuard;
  }
}

void TCustomToolWindowX::RecalcNCArea() {
  if (HandleAllocated())
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

int TCustomToolWindowX::FloatFrameWidth() { return GetSystemMetrics(FResizable ? SM_CXFRAME : SM_CXFIXEDFRAME); }
int TCustomToolWindowX::FloatFrameHeight() { return GetSystemMetrics(FResizable ? SM_CYFRAME : SM_CYFIXEDFRAME); }

TRect TCustomToolWindowX::DockedFrame() {
  TRect R{2, 2, 2, 2};
  if (FDockedTo && !FDockedTo->AllowDrag()) return R;
  int H = DragHandleSize(FCloseButtonWhenDocked, FDragHandleStyle);
  if (FDockedTo && FDockedTo->Vertical())
    R.top += H;
  else
    R.left += H;
  return R;
}

SIZE TCustomToolWindowX::AddNonClientSize(SIZE S, TDockType Type) {
  if (Type == dtNotDocked) {
    S.cx += 2 * FloatFrameWidth();
    S.cy += 2 * FloatFrameHeight() + (FShowCaption ? SmallCaptionHeight() : 0);
    return S;
  }
  int H = DragHandleSize(FCloseButtonWhenDocked, FDragHandleStyle);
  if (Type == dtLeftRight) {
    S.cx += 4;
    S.cy += 4 + H;
  } else {
    S.cx += 4 + H;
    S.cy += 4;
  }
  return S;
}

SIZE TCustomToolWindowX::SizeFor(TDockType Type) {
  SIZE S = OrderControls(false, Type, nullptr);
  return AddNonClientSize(S, Type);
}

int TCustomToolWindowX::GetRowSize() {
  if (!FDockedTo) return DockedThickness(dtNotDocked);
  return FDockedTo->RowSize(FDockRow);
}

void TCustomToolWindowX::ArrangeControls() {
  if (FArrangeLock > 0 || (FComponentState & csLoading) || Destroying() || !Parent()) {
    FArrangeNeeded = true;
    return;
  }
  FArrangeNeeded = false;
  TDockType Type = !FDockedTo ? dtNotDocked : (FDockedTo->Vertical() ? dtLeftRight : dtTopBottom);
  SIZE S = OrderControls(true, Type, FDockedTo);
  int W, H;
  if (FDockedTo) {
    int Row = std::max(GetRowSize(), DockedThickness(Type));
    TRect F = DockedFrame();
    if (Type == dtLeftRight) S.cx = std::max<LONG>(S.cx, Row);
    else S.cy = std::max<LONG>(S.cy, Row);
    W = S.cx + F.left + F.right;
    H = S.cy + F.top + F.bottom;
    if (FFullSize) {
      if (Type == dtLeftRight) H = FDockedTo->ClientHeight();
      else W = FDockedTo->ClientWidth();
    }
  } else {
    SIZE T = AddNonClientSize(S, dtNotDocked);
    W = T.cx;
    H = T.cy;
  }
  if (W != FWidth || H != FHeight) {
    ++FBoundsGuard;
    SetBounds(FLeft, FTop, W, H);
    --FBoundsGuard;
    if (FDockedTo) FDockedTo->ArrangeToolbars();
  }
}

void TCustomToolWindowX::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FBoundsGuard == 0 && (AWidth != FWidth || AHeight != FHeight)) SizeChanging(AWidth, AHeight);
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!FDockedTo && FHost && Parent() == FHost) FFloatingPosition = {ALeft, ATop};
}

void TCustomToolWindowX::MoveOnScreen(bool OnlyIfFullyOffscreen) {
  if (FDockedTo || !HandleAllocated()) return;
  RECT R;
  GetWindowRect(FHandle, &R);
  MONITORINFO MI{};
  MI.cbSize = sizeof MI;
  RECT Work;
  if (GetMonitorInfoW(MonitorFromRect(&R, MONITOR_DEFAULTTONEAREST), &MI))
    Work = MI.rcWork;
  else
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
  RECT I;
  if (OnlyIfFullyOffscreen && IntersectRect(&I, &R, &Work)) return;
  int W = R.right - R.left, H = R.bottom - R.top;
  if (R.right > Work.right) OffsetRect(&R, Work.right - R.right, 0);
  if (R.bottom > Work.bottom) OffsetRect(&R, 0, Work.bottom - R.bottom);
  if (R.left < Work.left) OffsetRect(&R, Work.left - R.left, 0);
  if (R.top < Work.top) OffsetRect(&R, 0, Work.top - R.top);
  SetBounds(R.left, R.top, W, H);
}

HWND FormFrameWindow(HWND Form) {
  // An MDI child's frame is the parent of its MDI client.
  if (Form && (GetWindowLongPtrW(Form, GWL_EXSTYLE) & WS_EX_MDICHILD))
    if (HWND Client = GetParent(Form))
      if (HWND Frame = GetParent(Client)) return Frame;
  return Form;
}

namespace {

struct TActivateSearch {
  HWND Except;
  HWND Found = nullptr;
  bool FoundTopmost = false;
};

BOOL CALLBACK FindWindowToActivate(HWND W, LPARAM Data) {
  auto* S = reinterpret_cast<TActivateSearch*>(Data);
  if (W == S->Except || (Application && W == Application->Handle())) return TRUE;
  if (!IsWindowVisible(W) || !IsWindowEnabled(W)) return TRUE;
  const bool Topmost = (GetWindowLongPtrW(W, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (!S->Found || (S->FoundTopmost && !Topmost)) {
    S->Found = W;
    S->FoundTopmost = Topmost;
  }
  return Topmost ? TRUE : FALSE;  // a non-topmost one ends the search
}

}  // namespace

// Activates another visible, enabled window of the thread than Except and the
// application window, a non-topmost one when there is one.
void ActivateOtherWindow(HWND Except) {
  TActivateSearch S{Except};
  EnumThreadWindows(GetCurrentThreadId(), FindWindowToActivate, reinterpret_cast<LPARAM>(&S));
  if (S.Found) SetActiveWindow(S.Found);
}

HWND TCustomToolWindowX::PlaceAbove(HWND Form) {
  // Just below the highest of the form's owned windows that lie right above
  // it; without any, just above the form (below it, it would be hidden
  // behind it).
  HWND After = nullptr;
  for (HWND W = GetWindow(Form, GW_HWNDPREV); W && GetWindow(W, GW_OWNER) == Form; W = GetWindow(W, GW_HWNDPREV))
    if (W != FHandle) After = W;
  if (!After) {
    After = GetWindow(Form, GW_HWNDPREV);
    if (After == FHandle) After = GetWindow(FHandle, GW_HWNDPREV);
    if (!After) After = HWND_TOP;
  }
  return After;
}

void TCustomToolWindowX::PostRestack() {
  if (HandleAllocated()) SetTimer(FHandle, RestackTimer, RestackDelay, nullptr);
}

void TCustomToolWindowX::Restack() {
  if (!HandleAllocated() || FDockedTo || !FHost || FloatingMode != fmOnTopOfParentForm) return;
  if (!IsWindowVisible(FHandle)) return;
  TCustomForm* F = FHost->ParentForm();
  if (!F || !F->HandleAllocated()) return;
  const HWND Form = F->Handle();
  if (GetWindow(FHandle, GW_OWNER) != Form) return;
  // Some display servers raise a form over its owned windows when it takes
  // the focus, and the form's new window after a re-creation starts out
  // above the older floating window: only a window found below is moved.
  for (HWND W = GetWindow(Form, GW_HWNDNEXT); W; W = GetWindow(W, GW_HWNDNEXT))
    if (W == FHandle) {
      SetWindowPos(FHandle, PlaceAbove(Form), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return;
    }
}

HWND TCustomToolWindowX::OwnerFrameWindow() {
  TCustomForm* F = FHost ? FHost->ParentForm() : nullptr;
  if (!F || !F->HandleAllocated()) return nullptr;
  return FormFrameWindow(F->Handle());
}

bool TCustomToolWindowX::ShouldBeVisible() {
  if (!Visible() || FHidden > 0) return false;
  if (FloatingMode == fmOnTopOfParentForm) {
    TCustomForm* F = FHost->ParentForm();
    if (!F || !F->HandleAllocated()) return false;
    HWND Form = F->Handle(), Frame = FormFrameWindow(Form);
    if (Application && IsIconic(Application->Handle())) return false;
    for (HWND W : {Form, Frame})
      if (!IsWindowVisible(W) || IsIconic(W)) return false;
  }
  return !FHideWhenInactive || IsAnyWindowActive();
}

void TCustomToolWindowX::UpdateTopmost() {
  if (!HandleAllocated()) return;
  bool Topmost;
  if (FloatingMode == fmOnTopOfAllForms) {
    Topmost = IsWindowEnabled(FHandle) != FALSE;
  } else {
    HWND Owner = GetWindow(FHandle, GW_OWNER);
    Topmost = Owner && (GetWindowLongPtrW(Owner, GWL_EXSTYLE) & WS_EX_TOPMOST);
  }
  const bool Now = (GetWindowLongPtrW(FHandle, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (Topmost != Now)
    SetWindowPos(FHandle, Topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomToolWindowX::UpdateVisibility() {
  if (!HandleAllocated() || FDockedTo || !FHost) return;
  const bool Inactive = !FHideWhenInactive && !IsAnyWindowActive();
  if (Inactive != FInactiveCaption) {
    FInactiveCaption = Inactive;
    if (FShowCaption) RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  }
  const bool Show = ShouldBeVisible();
  TCustomForm* F = FHost->ParentForm();
  const HWND Form = F && F->HandleAllocated() ? F->Handle() : nullptr;
  if (Show == (IsWindowVisible(FHandle) != FALSE)) return;
  UINT ZFlag = SWP_NOZORDER;
  HWND After = nullptr;
  if (Show) {
    if (FloatingMode == fmOnTopOfAllForms) {
      if (Application) SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Application->Handle()));
    } else if (Form) {
      if (GetWindow(FHandle, GW_OWNER) != Form) SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Form));
      After = PlaceAbove(Form);
      ZFlag = 0;
    }
  }
  UpdateTopmost();
  const bool WasActive = GetActiveWindow() == FHandle;
  SetWindowPos(FHandle, After, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | ZFlag | (Show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  if (Show && Form && FloatingMode == fmOnTopOfParentForm) PostRestack();
  if (!Show && WasActive) ActivateOtherWindow(FHandle);
}

void TCustomToolWindowX::HookProc(THookProcCode Code, void* Wnd, uintptr_t, intptr_t LParam) {
  const HWND W = static_cast<HWND>(Wnd);
  for (TCustomToolWindowX* T : std::vector<TCustomToolWindowX*>(Instances)) {
    if (T->FDockedTo || !T->FHost || !T->HandleAllocated()) continue;
    if (Code == hpAppActivate) {
      T->UpdateVisibility();
    } else if (Code == hpWindowPosChanged && T->FloatingMode == fmOnTopOfParentForm) {
      TCustomForm* F = T->FHost->ParentForm();
      if (F && F->HandleAllocated() && W != T->FHandle &&
          (W == F->Handle() || W == T->OwnerFrameWindow() || IsChild(F->Handle(), W))) {
        T->UpdateVisibility();
        const auto* Pos = reinterpret_cast<const WINDOWPOS*>(LParam);
        if (W == F->Handle() && Pos && !(Pos->flags & SWP_NOZORDER) && IsWindowVisible(T->FHandle)) T->PostRestack();
      }
    } else if (Code == hpWindowDestroyed && W && GetWindow(T->FHandle, GW_OWNER) == W && T->Parent() &&
               T->Parent()->HandleAllocated()) {
      // Owned windows go with their owner: this one moves to its host.
      SetWindowLongPtrW(T->FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(T->Parent()->Handle()));
    }
  }
}

void TCustomToolWindowX::VisibleChanged() {
  TCustomControl::VisibleChanged();
  if (FDockedTo) FDockedTo->UpdateVisibleList(this);
  UpdateVisibility();
  if (OnVisibleChanged) OnVisibleChanged(this);
}

void TCustomToolWindowX::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == static_cast<TComponent*>(FDefaultDock)) FDefaultDock = nullptr;
  if (AComponent == static_cast<TComponent*>(FLastDock)) FLastDock = nullptr;
  if (FHost && AComponent == static_cast<TComponent*>(FHost->ParentForm())) {
    if (FloatingMode == fmOnTopOfAllForms && Parent() == FHost) {
      // It floats over every form: it only forgets the one that went.
      FHost->ForgetParentForm();
      return;
    }
    // The owner form goes: so does the floating window's host.
    TFloatingWindowParent* H = FHost;
    FHost = nullptr;
    if (Parent() == H) TCustomControl::SetParent(nullptr);
    delete H;
  }
}

TRect TCustomToolWindowX::CloseButtonRect() {
  if (FDockedTo) {
    int Z = DragHandleSize(FCloseButtonWhenDocked, FDragHandleStyle) - 3;
    if (FDockedTo->Vertical()) {
      int X = ClientWidth() + 2 - Z;
      return {X, 3, X + Z, 3 + Z};
    }
    return {3, 2, 3 + Z, 2 + Z};
  }
  int C = SmallCaptionHeight();
  int FW = FloatFrameWidth(), FH = FloatFrameHeight();
  int Right = FW + ClientWidth();
  return {Right - (C - 1), FH, Right, FH + C - 1};
}

LRESULT TCustomToolWindowX::HitTest(int X, int Y) {
  // X, Y in window coordinates.
  const int W = FWidth, H = FHeight;
  if (FDockedTo) {
    if (FCloseButtonWhenDocked && FDockedTo->AllowDrag()) {
      TRect C = CloseButtonRect();
      POINT P{X, Y};
      if (PtInRect(&C, P)) return HTCLOSE;
    }
    return HTCLIENT;
  }
  const int FX = FloatFrameWidth(), FY = FloatFrameHeight();
  if (FShowCaption && Y >= FY && Y < FY + SmallCaptionHeight() && X >= FX && X < W - FX) {
    TRect C = CloseButtonRect();
    POINT P{X, Y};
    if (FCloseButton && PtInRect(&C, P)) return HTCLOSE;
    return HTCLIENT;
  }
  if (FResizable) {
    if (Y >= 0 && Y < FY) return HTTOP;
    if (Y >= H - FY - 1 && Y < H) return HTBOTTOM;
    if (X >= 0 && X < FX) return HTLEFT;
    if (X >= W - FX - 1 && X < W) return HTRIGHT;
  }
  return HTCLIENT;
}

bool TCustomToolWindowX::BackgroundShows() {
  return FDockedTo && FDockedTo->UsingBackground() && FDockedTo->BackgroundOnToolbars();
}

void TCustomToolWindowX::DockBackgroundChanged() {
  if (!HandleAllocated()) return;
  InvalidateRect(FHandle, nullptr, FALSE);
  PostFrameRedraw();
}

HPALETTE TCustomToolWindowX::GetPalette() {
  if (FDockedTo && FDockedTo->UsingBackground()) return FDockedTo->Background()->Palette();
  return nullptr;
}

bool TCustomToolWindowX::PaletteChanged(bool Foreground) {
  const bool Result = TCustomControl::PaletteChanged(Foreground);
  if (Result && !Foreground) {
    PostFrameRedraw();
    if (HandleAllocated()) InvalidateRect(FHandle, nullptr, FALSE);
  }
  return Result;
}

void TCustomToolWindowX::PostFrameRedraw() {
  if (!HandleAllocated()) return;
  MSG M;
  while (PeekMessageW(&M, FHandle, WM_TB_REDRAWFRAME, WM_TB_REDRAWFRAME, PM_REMOVE | PM_NOYIELD)) {
  }
  PostMessageW(FHandle, WM_TB_REDRAWFRAME, 0, 0);
}

void TCustomToolWindowX::SetColor(TColor Value) {
  TCustomControl::SetColor(Value);
  if (FDockedTo) PostFrameRedraw();
}

void TCustomToolWindowX::DrawDockedNCArea(HDC DC) {
  RECT R{0, 0, FWidth, FHeight};
  HBRUSH Face = CreateSolidBrush(ColorToRGB(FColor));
  if (FBorderStyle == bsSingle)
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
  else
    FrameRect(DC, &R, Face);
  InflateRect(&R, -1, -1);
  const bool Background = BackgroundShows();
  if (Background) {
    // The dock's pattern continues under the frame, the client area left out.
    TRect F = DockedFrame();
    RECT Client{F.left, F.top, FWidth - F.right, FHeight - F.bottom};
    FDockedTo->DrawBackground(DC, FDockedTo->BackgroundOrigin(FHandle, true), R, &Client);
  } else {
    FrameRect(DC, &R, Face);
  }
  if (FDockedTo && FDockedTo->AllowDrag()) {
    const bool Vert = FDockedTo->Vertical();
    const int HS = DragHandleSize(FCloseButtonWhenDocked, FDragHandleStyle);
    const int CW = ClientWidth(), CH = ClientHeight();
    RECT Handle = Vert ? RECT{2, 2, CW + 2, HS + 2} : RECT{2, 2, HS + 2, CH + 2};
    if (!Background) FillRect(DC, &Handle, Face);
    if (FDragHandleStyle != dhNone) {
      int Count = FDragHandleStyle == dhDouble ? 2 : 1;
      int Off = DragHandleOffset(FCloseButtonWhenDocked, FDragHandleStyle) + 2;
      for (int I = 0; I < Count; ++I) {
        RECT G;
        if (Vert) {
          int End = CW + 2 - (FCloseButtonWhenDocked ? 12 : 0);
          G = {2, Off + I * 3, End, Off + I * 3 + 3};
        } else {
          int Start = FCloseButtonWhenDocked ? 14 : 2;
          G = {Off + I * 3, Start, Off + I * 3 + 3, CH + 2};
        }
        DrawEdge(DC, &G, BDR_RAISEDINNER, BF_RECT);
      }
    }
    if (FCloseButtonWhenDocked) {
      TRect C = CloseButtonRect();
      DrawFrameControl(DC, &C, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FClosePressed ? DFCS_PUSHED : 0));
    }
  }
  DeleteObject(Face);
}

void TCustomToolWindowX::DrawFloatingNCArea(HDC DC, bool DrawBorder, bool DrawCaption, bool DrawClose) {
  const int FX = FloatFrameWidth(), FY = FloatFrameHeight();
  const int C = FShowCaption ? SmallCaptionHeight() : 0;
  if (DrawBorder) {
    RECT R{0, 0, FWidth, FHeight};
    DrawEdge(DC, &R, EDGE_RAISED, BF_RECT);
    InflateRect(&R, -2, -2);
    int Saved = SaveDC(DC);
    ExcludeClipRect(DC, FX, FY + C, FWidth - FX, FHeight - FY);
    FillRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
    RestoreDC(DC, Saved);
  }
  if (!FShowCaption) return;
  RECT Cap{FX, FY, FWidth - FX, FY + C - 1};
  TRect Close = CloseButtonRect();
  BOOL Gradient = FALSE;
  SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &Gradient, 0);
  if (DrawCaption) {
    int Saved = SaveDC(DC);
    if (FCloseButton) ExcludeClipRect(DC, Close.left, Close.top, Close.right, Close.bottom);
    if (ToolWindowDrawCaption)
      ToolWindowDrawCaption(FHandle, DC, &Cap, DC_SMALLCAP | DC_TEXT | DC_GRADIENT | (FInactiveCaption ? 0 : DC_ACTIVE));
    else
      DrawLibraryCaption(DC, Cap);
    RestoreDC(DC, Saved);
    RECT Line{FX, FY + C - 1, FWidth - FX, FY + C};
    FillRect(DC, &Line, GetSysColorBrush(COLOR_BTNFACE));
  }
  if (DrawClose && FCloseButton) {
    const int CapColor = Gradient && ToolWindowDrawCaption
                             ? (FInactiveCaption ? COLOR_GRADIENTINACTIVECAPTION : COLOR_GRADIENTACTIVECAPTION)
                             : (FInactiveCaption ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION);
    HBRUSH CapBrush = GetSysColorBrush(CapColor);
    FrameRect(DC, &Close, CapBrush);
    RECT In = Close;
    InflateRect(&In, -1, -1);
    DrawFrameControl(DC, &In, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FClosePressed ? DFCS_PUSHED : 0));
  }
}

void TCustomToolWindowX::DrawLibraryCaption(HDC DC, const RECT& Cap) {
  FillRect(DC, &Cap, GetSysColorBrush(FInactiveCaption ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION));
  HFONT Font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH, "MS Sans Serif");
  HGDIOBJ Old = SelectObject(DC, Font);
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, GetSysColor(FInactiveCaption ? COLOR_INACTIVECAPTIONTEXT : COLOR_CAPTIONTEXT));
  RECT T = Cap;
  InflateRect(&T, -1, 0);
  if (FCloseButton) T.right -= SmallCaptionHeight() - 1;
  std::string Text = FitCaptionText(Caption(), T.right - T.left, [DC](const std::string& S) {
    SIZE Z{};
    GetTextExtentPoint32A(DC, S.c_str(), static_cast<int>(S.size()), &Z);
    return static_cast<int>(Z.cx);
  });
  DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &T, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SelectObject(DC, Old);
  DeleteObject(Font);
}

void TCustomToolWindowX::NCPaint(HDC DC) {
  if (FDockedTo)
    DrawDockedNCArea(DC);
  else
    DrawFloatingNCArea(DC, true, true, true);
}

void TCustomToolWindowX::NCPaintProc(HWND Wnd, HDC DC, void*) {
  if (auto* T = dynamic_cast<TCustomToolWindowX*>(TWinControl::FindControl(Wnd))) T->NCPaint(DC);
}

void TCustomToolWindowX::Paint() {
  if (BackgroundShows()) {
    RECT R;
    GetClientRect(FHandle, &R);
    FDockedTo->DrawBackground(Canvas()->Handle(), FDockedTo->BackgroundOrigin(FHandle, false), R, nullptr);
    return;
  }
  TCanvas* C = Canvas();
  C->Brush()->SetColor(FColor);
  C->FillRect(ClientRect());
}

void TCustomToolWindowX::TrackCloseButton() {
  TRect R = CloseButtonRect();
  FClosePressed = true;
  RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  SetCapture(FHandle);
  bool Clicked = false;
  struct TRelease {
    HWND W;
    ~TRelease() {
      if (GetCapture() == W) ReleaseCapture();
    }
  } Release{FHandle};
  auto InButton = [&] {
    RECT W;
    GetWindowRect(FHandle, &W);
    POINT P;
    GetCursorPos(&P);
    POINT Local{P.x - W.left, P.y - W.top};
    return PtInRect(&R, Local) != FALSE;
  };
  Clicked = RunCaptureLoop(FHandle, [&](const MSG& M) {
    if (M.message == WM_LBUTTONUP) return InButton() ? lsAccept : lsCancel;
    if (M.message == WM_MOUSEMOVE) {
      bool In = InButton();
      if (In != FClosePressed) {
        FClosePressed = In;
        RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
      }
      return lsTaken;
    }
    if (M.message == WM_LBUTTONDOWN || M.message == WM_LBUTTONDBLCLK || M.message == WM_NCLBUTTONDOWN)
      return lsCancel;
    if ((M.message >= WM_KEYFIRST && M.message <= WM_KEYLAST) ||
        (M.message >= WM_RBUTTONDOWN && M.message <= WM_MBUTTONDBLCLK))
      return lsTaken;
    return lsDispatch;
  });
  FClosePressed = false;
  if (HandleAllocated()) RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  if (Clicked) {
    bool CanClose = true;
    if (OnCloseQuery) OnCloseQuery(this, CanClose);
    if (CanClose) {
      Hide();
      if (OnClose) OnClose(this);
    }
  }
}

void TCustomToolWindowX::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || (Shift & ssDouble)) return;
  if (TControl* C = ControlAtPos(TPoint{X, Y}, true); C && !ChildControlTransparent(C)) return;
  if (FDockedTo && !FDockedTo->AllowDrag()) return;
  RECT W;
  GetWindowRect(FHandle, &W);
  POINT P{X, Y};
  ::ClientToScreen(FHandle, &P);
  BeginMoving(P.x - W.left, P.y - W.top);
}

void TCustomToolWindowX::DblClick() {
  TCustomControl::DblClick();
  if (FDockedTo) {
    if (DockMode == dmCanFloat) {
      if (TCustomForm* F = OwnerForm()) {
        ChangeParent(F);
        MoveOnScreen(true);
      }
    }
  } else if (FLastDock) {
    ChangeParent(FLastDock);
  } else if (FDefaultDock) {
    FDockRow = 0;
    FDockPos = -8;
    ChangeParent(FDefaultDock);
  }
}

void TCustomToolWindowX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      RECT* R = reinterpret_cast<RECT*>(Message.LParam);
      if (FDockedTo) {
        TRect F = DockedFrame();
        R->left += F.left;
        R->top += F.top;
        R->right -= F.right;
        R->bottom -= F.bottom;
      } else if (FHost) {
        R->left += FloatFrameWidth();
        R->right -= FloatFrameWidth();
        R->bottom -= FloatFrameHeight();
        R->top += FloatFrameHeight() + (FShowCaption ? SmallCaptionHeight() : 0);
      }
      Message.Result = 0;
      return;
    }
    case WM_NCHITTEST: {
      RECT W;
      GetWindowRect(FHandle, &W);
      int X = static_cast<short>(LOWORD(Message.LParam)) - W.left;
      int Y = static_cast<short>(HIWORD(Message.LParam)) - W.top;
      Message.Result = HitTest(X, Y);
      return;
    }
    case WM_NCLBUTTONDOWN:
      if (Message.WParam == HTCLOSE) {
        TrackCloseButton();
        Message.Result = 0;
        return;
      }
      if (IsSizingCode(static_cast<LRESULT>(Message.WParam)) && !FDockedTo) {
        BeginSizing(static_cast<UINT>(Message.WParam));
        Message.Result = 0;
        return;
      }
      break;
    case WM_NCLBUTTONDBLCLK:
      Message.Result = 0;
      return;
    case WM_NCPAINT:
      PaintNonClient(FHandle, reinterpret_cast<HRGN>(Message.WParam), NCPaintProc, nullptr);
      Message.Result = 0;
      return;
    case WM_NCACTIVATE:
      Message.Result = TRUE;
      return;
    case WM_PRINT:
      Message.Result = PaintForPrintMessage(FHandle, Message, NCPaintProc, nullptr);
      return;
    case WM_MOUSEACTIVATE:
      if (!FDockedTo && FHost) {
        SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (FloatingMode == fmOnTopOfParentForm && ActivateParent)
          if (TCustomForm* F = FHost->ParentForm(); F && F->HandleAllocated()) {
            HWND Form = F->Handle(), Frame = FormFrameWindow(Form);
            SetActiveWindow(Frame);
            if (Frame != Form) SendMessageW(GetParent(Form), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(Form), 0);
          }
        Message.Result = MA_NOACTIVATE;
        return;
      }
      break;
    case WM_ACTIVATE:
      TCustomControl::Dispatch(Message);
      if (!FDockedTo && FHost) {
        // The owner keeps an active caption while its floating tool window
        // has the activation, and gets the activation back.
        const bool Active = LOWORD(Message.WParam) != WA_INACTIVE;
        if (HWND Frame = OwnerFrameWindow()) {
          SendMessageW(Frame, WM_NCACTIVATE, Active, 0);
          if (Active) {
            if (Frame != reinterpret_cast<HWND>(Message.LParam)) SetActiveWindow(Frame);
            if (!IsWindowVisible(FHandle)) ActivateOtherWindow(FHandle);
          }
        }
      }
      return;
    case WM_ENABLE:
      TCustomControl::Dispatch(Message);
      if (!FDockedTo && FHost && FloatingMode == fmOnTopOfAllForms) UpdateTopmost();
      return;
    case WM_GETMINMAXINFO: {
      MINMAXINFO* M = reinterpret_cast<MINMAXINFO*>(Message.LParam);
      M->ptMinTrackSize = {1, 1};
      M->ptMaxTrackSize = {32767, 32767};
      Message.Result = 0;
      return;
    }
    case WM_CLOSE:
      if (TCustomForm* F = OwnerForm(); F && F->HandleAllocated()) SendMessageW(F->Handle(), WM_CLOSE, 0, 0);
      Message.Result = 0;
      return;
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      // The frame and the separator lines follow the size: paint it all.
      if (!FDockedTo) RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
      return;
    case WM_TIMER:
      if (Message.WParam == RestackTimer) {
        KillTimer(FHandle, RestackTimer);
        Restack();
        return;
      }
      break;
    case WM_TB_REDRAWFRAME:
      if (FDockedTo) PaintNonClient(FHandle, nullptr, NCPaintProc, nullptr);
      Message.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (BackgroundShows()) {
        Message.Result = 1;
        return;
      }
      break;
    case WM_MOVE:
      TCustomControl::Dispatch(Message);
      if (BackgroundShows()) {
        PostFrameRedraw();
        InvalidateRect(FHandle, nullptr, FALSE);
      }
      if (!(FComponentState & csLoading) && FParentChanging == 0 && OnMove) OnMove(this);
      return;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}
