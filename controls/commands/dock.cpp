#include "controls/commands/dock.h"

#include <algorithm>

#include "controls/commands/toolwindow.h"

TDockX::TDockX(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = csAcceptsControls;
  FColor = clBtnFace;
  FParentColor = false;
  FAlign = alTop;
  FHeight = 0;
  FBackground.OnChange = [this](TObject*) { BackgroundChanged(); };
}

TDockX::~TDockX() {
  // Tool windows left on the dock forget it.
  for (TCustomToolWindowX* T : std::vector<TCustomToolWindowX*>(FDockList)) {
    if (T->FLastDock == this) T->FLastDock = nullptr;
    if (T->FDefaultDock == this) T->FDefaultDock = nullptr;
  }
}

void TDockX::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WinClassName = L"TDockX";
  Params.WindowClassStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TDockX::SetPosition(TDockPosition Value) {
  if (Value == FPosition) return;
  if (ControlCount() > 0) throw EInvalidOperation("Cannot change Position of a TDockX if it already contains controls");
  FPosition = Value;
  static const TAlign Aligns[] = {alTop, alBottom, alLeft, alRight};
  SetAlign(Aligns[Value]);
}

void TDockX::SetParent(TWinControl* AParent) {
  for (TWinControl* P = AParent; P; P = P->Parent())
    if (dynamic_cast<TCustomToolWindowX*>(P) || dynamic_cast<TDockX*>(P))
      throw EInvalidOperation("A TDockX control cannot be placed inside a tool window or another TDockX");
  TCustomControl::SetParent(AParent);
}

void TDockX::SetBackground(TBitmap* Value) {
  if (Value)
    FBackground.Assign(Value);
  else
    FBackground.SetSize(0, 0);
  BackgroundChanged();
}

void TDockX::SetBackgroundOnToolbars(bool Value) {
  if (Value == FBackgroundOnToolbars) return;
  FBackgroundOnToolbars = Value;
  BackgroundChanged();
}

void TDockX::SetBackgroundTransparent(bool Value) {
  if (Value == FBackgroundTransparent) return;
  FBackgroundTransparent = Value;
  if (UsingBackground()) BackgroundChanged();
}

void TDockX::SetColor(TColor Value) {
  TCustomControl::SetColor(Value);
  if (UsingBackground()) BackgroundChanged();
}

void TDockX::BackgroundChanged() {
  FTransparentCache.reset();
  if (!HandleAllocated()) return;
  InvalidateRect(FHandle, nullptr, TRUE);
  for (TCustomToolWindowX* T : FVisibleList) T->DockBackgroundChanged();
}

POINT TDockX::BackgroundOrigin(HWND Wnd, bool WindowCoordinates) {
  POINT P{0, 0};
  if (!HandleAllocated()) return P;
  ::ClientToScreen(FHandle, &P);
  if (WindowCoordinates) {
    RECT W;
    GetWindowRect(Wnd, &W);
    return {P.x - W.left, P.y - W.top};
  }
  ::ScreenToClient(Wnd, &P);
  return P;
}

void TDockX::DrawBackground(HDC DC, POINT Origin, const RECT& Clip, const RECT* Exclude) {
  if (!UsingBackground()) return;
  TBitmap* B = &FBackground;
  if (FBackgroundTransparent) {
    if (!FTransparentCache) {
      // The background's bottom-left colour shows the dock's colour.
      FTransparentCache = std::make_unique<TBitmap>();
      FTransparentCache->SetSize(FBackground.Width(), FBackground.Height());
      FTransparentCache->SetPalette(CopyPalette(FBackground.Palette()));
      TCanvas* C = FTransparentCache->Canvas();
      C->Brush()->SetColor(FColor);
      C->FillRect(TRect{0, 0, FBackground.Width(), FBackground.Height()});
      TBitmap Over;
      Over.Assign(&FBackground);
      Over.SetTransparentColor(clDefault);
      Over.SetTransparent(true);
      C->Draw(0, 0, &Over);
    }
    B = FTransparentCache.get();
  }
  const int W = B->Width(), H = B->Height();
  const int Saved = SaveDC(DC);
  IntersectClipRect(DC, Clip.left, Clip.top, Clip.right, Clip.bottom);
  if (Exclude) ExcludeClipRect(DC, Exclude->left, Exclude->top, Exclude->right, Exclude->bottom);
  // RestoreDC puts the previous palette back.
  if (HPALETTE P = B->Palette()) {
    SelectPalette(DC, P, TRUE);
    RealizePalette(DC);
  }
  HDC Src = CreateCompatibleDC(DC);
  HGDIOBJ Old = SelectObject(Src, B->Handle());
  // The first tile at or before the clip's corner, on the dock's grid.
  auto Start = [](int From, int Anchor, int Size) {
    int D = From - Anchor;
    int K = D >= 0 ? D / Size : -((-D + Size - 1) / Size);
    return Anchor + K * Size;
  };
  for (int Y = Start(Clip.top, Origin.y, H); Y < Clip.bottom; Y += H)
    for (int X = Start(Clip.left, Origin.x, W); X < Clip.right; X += W) BitBlt(DC, X, Y, W, H, Src, 0, 0, SRCCOPY);
  SelectObject(Src, Old);
  DeleteDC(Src);
  RestoreDC(DC, Saved);
}

void TDockX::Paint() {
  if (!UsingBackground()) return;
  RECT R;
  GetClientRect(FHandle, &R);
  DrawBackground(Canvas()->Handle(), POINT{0, 0}, R, nullptr);
}

bool TDockX::EraseBackground(HDC DC) {
  // Paint covers everything when there is a background.
  return UsingBackground() ? true : TCustomControl::EraseBackground(DC);
}

void TDockX::SetAllowDrag(bool Value) {
  if (Value == FAllowDrag) return;
  FAllowDrag = Value;
  for (TCustomToolWindowX* T : FVisibleList) T->RecalcNCArea();
  ArrangeToolbars();
}

void TDockX::SetBoundLines(TDockBoundLines Value) {
  if (Value == FBoundLines) return;
  FBoundLines = Value;
  RecalcNonClient();
}

void TDockX::SetFixAlign(bool Value) {
  FFixAlign = Value;
  ArrangeToolbars();
}

void TDockX::RecalcNonClient() {
  if (HandleAllocated())
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

void TDockX::EndArrange() {
  if (--FArrangeLock <= 0) {
    FArrangeLock = 0;
    if (FArrangeNeeded) ArrangeToolbars(FClipNeeded);
  }
}

namespace {
std::vector<TDockedBar*> BarsOf(const std::vector<TCustomToolWindowX*>& List) {
  std::vector<TDockedBar*> B;
  for (TCustomToolWindowX* T : List) B.push_back(&T->DockBar);
  return B;
}
}  // namespace

void TDockX::ArrangeToolbars(bool ClipPositions) {
  if (ClipPositions) FClipNeeded = true;
  if (FArrangeLock > 0 || FArranging || (FComponentState & csLoading) || Destroying()) {
    FArrangeNeeded = true;
    return;
  }
  FArranging = true;
  ++FArrangeLock;
  if (HandleAllocated())
    SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const TDockType Type = Vertical() ? dtLeftRight : dtTopBottom;
  for (TCustomToolWindowX* T : FDockList) {
    TDockedBar& B = T->DockBar;
    B.DockRow = T->FDockRow;
    B.DockPos = T->FDockPos;
    B.FullSize = T->FFullSize;
    B.Visible = std::find(FVisibleList.begin(), FVisibleList.end(), T) != FVisibleList.end();
    SIZE S = T->SizeFor(Type);
    B.Length = Vertical() ? S.cy : S.cx;
    B.Thickness = T->DockedThickness(Type);
    B.Tag = T;
    B.PlacedSet = false;
  }
  TArrangeOptions O;
  O.Vertical = Vertical();
  O.ClientLength = Vertical() ? ClientHeight() : ClientWidth();
  O.LimitToOneRow = FLimitToOneRow;
  O.ClipPositions = FClipNeeded;
  O.FixAlign = FFixAlign;
  std::vector<TDockedBar*> Bars = BarsOf(FDockList);
  int Thick = ArrangeDockBars(Bars, O);
  std::vector<TCustomToolWindowX*> Sorted;
  for (TDockedBar* B : Bars) Sorted.push_back(static_cast<TCustomToolWindowX*>(B->Tag));
  FDockList = Sorted;
  for (TCustomToolWindowX* T : FDockList) {
    T->FDockRow = T->DockBar.DockRow;
    T->FDockPos = T->DockBar.DockPos;
    if (T->DockBar.PlacedSet && T->Parent() == this) {
      const TDockRect& R = T->DockBar.Placed;
      ++T->FBoundsGuard;
      T->SetBounds(R.Left, R.Top, R.Width(), R.Height());
      --T->FBoundsGuard;
    }
  }
  // The dock keeps the edge it is aligned to.
  TRect C = ClientRect();
  int NCW = FWidth - (C.right - C.left), NCH = FHeight - (C.bottom - C.top);
  switch (FAlign) {
    case alTop:
      if (FHeight != Thick + NCH) SetBounds(FLeft, FTop, FWidth, Thick + NCH);
      break;
    case alLeft:
      if (FWidth != Thick + NCW) SetBounds(FLeft, FTop, Thick + NCW, FHeight);
      break;
    case alBottom:
      if (FHeight != Thick + NCH) SetBounds(FLeft, FTop + FHeight - (Thick + NCH), FWidth, Thick + NCH);
      break;
    case alRight:
      if (FWidth != Thick + NCW) SetBounds(FLeft + FWidth - (Thick + NCW), FTop, Thick + NCW, FHeight);
      break;
    default:
      break;
  }
  --FArrangeLock;
  FArrangeNeeded = false;
  FClipNeeded = false;
  FArranging = false;
}

void TDockX::AlignControls(TControl*, TRect&) { ArrangeToolbars(); }

void TDockX::Resize() {
  ArrangeToolbars();
  if (!(FComponentState & csLoading) && OnResize) OnResize(this);
}

int TDockX::RowSize(int Row) {
  std::vector<TDockedBar*> Vis = BarsOf(FVisibleList);
  for (TCustomToolWindowX* T : FVisibleList) {
    T->DockBar.DockRow = T->FDockRow;
    T->DockBar.Visible = true;
    T->DockBar.Thickness = T->DockedThickness(Vertical() ? dtLeftRight : dtTopBottom);
  }
  std::vector<int> S = RowSizes(Vis);
  return Row >= 0 && Row < static_cast<int>(S.size()) ? S[static_cast<size_t>(Row)] : 0;
}

int TDockX::GetHighestRow() {
  int H = -1;
  for (TCustomToolWindowX* T : FDockList) H = std::max(H, T->FDockRow);
  return H;
}

void TDockX::InsertRowBefore(int Row) {
  for (TCustomToolWindowX* T : FDockList)
    if (T->FDockRow >= Row) ++T->FDockRow;
}

int TDockX::ToolbarsOnRow(int Row, TCustomToolWindowX* Except) {
  int N = 0;
  for (TCustomToolWindowX* T : FDockList)
    if (T != Except && T->FDockRow == Row) ++N;
  return N;
}

int TDockX::RowForPosition(int Pos, bool& Before) {
  for (TCustomToolWindowX* T : FDockList) {
    T->DockBar.DockRow = T->FDockRow;
    T->DockBar.Visible = std::find(FVisibleList.begin(), FVisibleList.end(), T) != FVisibleList.end();
    T->DockBar.Thickness = T->DockedThickness(Vertical() ? dtLeftRight : dtTopBottom);
  }
  std::vector<TDockedBar*> Bars = BarsOf(FDockList);
  return ::RowForPosition(Bars, Pos, Before);
}

void TDockX::ChangeDockList(bool Insert, TCustomToolWindowX* Bar) {
  auto It = std::find(FDockList.begin(), FDockList.end(), Bar);
  if (Insert) {
    if (It == FDockList.end()) {
      FDockList.push_back(Bar);
      Bar->FreeNotification(this);
    }
  } else if (It != FDockList.end()) {
    FDockList.erase(It);
  }
  UpdateVisibleList(Bar);
}

void TDockX::ChangeDockVisibleList(bool Insert, TCustomToolWindowX* Bar) {
  auto It = std::find(FVisibleList.begin(), FVisibleList.end(), Bar);
  bool Changed = false;
  if (Insert && It == FVisibleList.end()) {
    FVisibleList.push_back(Bar);
    Changed = true;
  } else if (!Insert && It != FVisibleList.end()) {
    FVisibleList.erase(It);
    Changed = true;
  }
  if (Changed) {
    ArrangeToolbars();
    if (OnInsertRemoveBar) OnInsertRemoveBar(this, Insert, Bar);
  }
}

void TDockX::UpdateVisibleList(TCustomToolWindowX* Bar, bool Removed) {
  bool Listed = std::find(FDockList.begin(), FDockList.end(), Bar) != FDockList.end();
  ChangeDockVisibleList(!Removed && Listed && Bar->Parent() == this && Bar->Visible(), Bar);
}

void TDockX::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove) {
    auto* T = dynamic_cast<TCustomToolWindowX*>(AComponent);
    if (!T) {
      // Destroyed tool windows are already only a TComponent here.
      for (TCustomToolWindowX* W : std::vector<TCustomToolWindowX*>(FDockList))
        if (static_cast<TComponent*>(W) == AComponent) T = W;
    }
    if (T) {
      FDockList.erase(std::remove(FDockList.begin(), FDockList.end(), T), FDockList.end());
      auto It = std::find(FVisibleList.begin(), FVisibleList.end(), T);
      if (It != FVisibleList.end()) {
        FVisibleList.erase(It);
        if (!Destroying()) ArrangeToolbars();
      }
    }
  }
}

void TDockX::NCPaint(HDC DC) {
  RECT R;
  GetWindowRect(FHandle, &R);
  OffsetRect(&R, -R.left, -R.top);
  if (FBoundLines && !FVisibleList.empty()) {
    HPEN Shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN Hi = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HGDIOBJ Old = SelectObject(DC, Shadow);
    if (FBoundLines & blTop) {
      MoveToEx(DC, R.left, R.top, nullptr);
      LineTo(DC, R.right, R.top);
      ++R.top;
    }
    if (FBoundLines & blLeft) {
      MoveToEx(DC, R.left, R.top, nullptr);
      LineTo(DC, R.left, R.bottom);
      ++R.left;
    }
    SelectObject(DC, Hi);
    if (FBoundLines & blBottom) {
      MoveToEx(DC, R.left, R.bottom - 1, nullptr);
      LineTo(DC, R.right, R.bottom - 1);
      --R.bottom;
    }
    if (FBoundLines & blRight) {
      MoveToEx(DC, R.right - 1, R.top, nullptr);
      LineTo(DC, R.right - 1, R.bottom);
      --R.right;
    }
    SelectObject(DC, Old);
    DeleteObject(Shadow);
    DeleteObject(Hi);
  }
  // The rest of the frame, around the client area.
  RECT C;
  GetClientRect(FHandle, &C);
  MapWindowPoints(FHandle, nullptr, reinterpret_cast<POINT*>(&C), 2);
  RECT W;
  GetWindowRect(FHandle, &W);
  OffsetRect(&C, -W.left, -W.top);
  const int Saved = SaveDC(DC);
  ExcludeClipRect(DC, C.left, C.top, C.right, C.bottom);
  HBRUSH Face = CreateSolidBrush(ColorToRGB(FColor));
  FillRect(DC, &R, Face);
  DeleteObject(Face);
  RestoreDC(DC, Saved);
}

void TDockX::NCPaintProc(HWND Wnd, HDC DC, void*) {
  if (auto* D = dynamic_cast<TDockX*>(TWinControl::FindControl(Wnd))) D->NCPaint(DC);
}

void TDockX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      TCustomControl::Dispatch(Message);
      RECT* R = reinterpret_cast<RECT*>(Message.LParam);
      if (FBoundLines & blTop) ++R->top;
      if (FBoundLines & blBottom) --R->bottom;
      if (FBoundLines & blLeft) ++R->left;
      if (FBoundLines & blRight) --R->right;
      return;
    }
    case WM_NCPAINT:
      PaintNonClient(FHandle, reinterpret_cast<HRGN>(Message.WParam), NCPaintProc, nullptr);
      Message.Result = 0;
      return;
    case WM_PRINT:
      Message.Result = PaintForPrintMessage(FHandle, Message, NCPaintProc, nullptr);
      return;
    case WM_MOVE:
      TCustomControl::Dispatch(Message);
      if (UsingBackground()) BackgroundChanged();
      return;
    case WM_SYSCOLORCHANGE:
      TCustomControl::Dispatch(Message);
      if (FTransparentCache) BackgroundChanged();
      return;
    default:
      TCustomControl::Dispatch(Message);
  }
}
