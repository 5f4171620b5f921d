// The modal drag and sizing loops of a tool window: a rubber-band outline on
// the desktop, docking decided on every mouse move, the drop at release.
#include <algorithm>

#include "controls/commands/toolwindow.h"

namespace {

// What the loops hold on the desktop, released on every way out of the loop
// (exceptions included) so the desktop never stays locked.
class TDesktopDraw {
 public:
  explicit TDesktopDraw(HWND Capture) : FCapture(Capture) {
    MSG M;
    while (PeekMessageW(&M, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
      if (M.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(M.wParam));
        break;
      }
      DispatchMessageW(&M);
    }
    FLocked = LockWindowUpdate(GetDesktopWindow()) != FALSE;
    FDC = GetDCEx(GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | (FLocked ? DCX_LOCKWINDOWUPDATE : 0));
    WORD Pattern[8];
    for (int I = 0; I < 8; ++I) Pattern[I] = static_cast<WORD>((I & 1) ? 0xAA : 0x55);
    HBITMAP B = CreateBitmap(8, 8, 1, 1, Pattern);
    FBrush = CreatePatternBrush(B);
    DeleteObject(B);
    SetCapture(Capture);
  }
  ~TDesktopDraw() {
    if (GetCapture() == FCapture) ReleaseCapture();
    Draw({}, 0);
    if (FDC) ReleaseDC(GetDesktopWindow(), FDC);
    if (FLocked) LockWindowUpdate(nullptr);
    DeleteObject(FBrush);
  }
  TDesktopDraw(const TDesktopDraw&) = delete;
  TDesktopDraw& operator=(const TDesktopDraw&) = delete;

  // Moves the outline to R with frame Thickness; only what changed is
  // inverted.
  void Draw(RECT R, int Thickness) {
    HRGN New = FrameRegion(R, Thickness);
    HRGN Old = FrameRegion(FRect, FThickness);
    HRGN Diff = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(Diff, New, Old, RGN_XOR);
    SelectClipRgn(FDC, Diff);
    RECT Box;
    GetClipBox(FDC, &Box);
    HGDIOBJ OB = SelectObject(FDC, FBrush);
    PatBlt(FDC, Box.left, Box.top, Box.right - Box.left, Box.bottom - Box.top, PATINVERT);
    SelectObject(FDC, OB);
    SelectClipRgn(FDC, nullptr);
    DeleteObject(New);
    DeleteObject(Old);
    DeleteObject(Diff);
    FRect = R;
    FThickness = Thickness;
  }
  const RECT& Current() const { return FRect; }

 private:
  static HRGN FrameRegion(RECT R, int T) {
    if (IsRectEmpty(&R) || T <= 0) return CreateRectRgn(0, 0, 0, 0);
    HRGN Outer = CreateRectRgnIndirect(&R);
    RECT In = R;
    InflateRect(&In, -T, -T);
    if (!IsRectEmpty(&In)) {
      HRGN Inner = CreateRectRgnIndirect(&In);
      CombineRgn(Outer, Outer, Inner, RGN_DIFF);
      DeleteObject(Inner);
    }
    return Outer;
  }
  HWND FCapture;
  HDC FDC = nullptr;
  bool FLocked = false;
  HBRUSH FBrush = nullptr;
  RECT FRect{0, 0, 0, 0};
  int FThickness = 0;
};

RECT WorkAreaAt(POINT P) {
  MONITORINFO MI{};
  MI.cbSize = sizeof MI;
  if (GetMonitorInfoW(MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST), &MI)) return MI.rcWork;
  RECT R;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &R, 0);
  return R;
}

void AddDocks(TWinControl* C, TCustomToolWindowX* Bar, std::vector<TDockX*>& Out) {
  if (!C->Visible() || !C->HandleAllocated() || !IsWindowVisible(C->Handle())) return;
  if (auto* D = dynamic_cast<TDockX*>(C)) {
    if (D->AllowDrag() && (Bar->DockableTo & DockBit(D->Position()))) Out.push_back(D);
  }
  for (TDockPosition P : {dpTop, dpBottom, dpLeft, dpRight})
    for (int I = 0; I < C->ControlCount(); ++I)
      if (auto* D = dynamic_cast<TDockX*>(C->Controls(I)); D && D->Position() == P) AddDocks(D, Bar, Out);
  for (int I = 0; I < C->ControlCount(); ++I) {
    auto* W = dynamic_cast<TWinControl*>(C->Controls(I));
    if (W && !dynamic_cast<TDockX*>(W) && !dynamic_cast<TCustomToolWindowX*>(W)) AddDocks(W, Bar, Out);
  }
}

}  // namespace

void TCustomToolWindowX::BeginMoving(int InitX, int InitY) {
  TCustomForm* Form = OwnerForm();
  if (!Form) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  const int GrabW = std::max(FWidth, 1), GrabH = std::max(FHeight, 1);
  const bool CannotFloat = DockMode != dmCanFloat;
  std::vector<TDockX*> Docks;
  if (DockMode == dmCannotFloatOrChangeDocks) {
    if (FDockedTo) Docks.push_back(FDockedTo);
  } else {
    AddDocks(Form, this, Docks);
  }
  struct TSize {
    TDockX* Dock;
    SIZE S;
  };
  std::vector<TSize> Sizes;
  Sizes.push_back({nullptr, SizeFor(dtNotDocked)});
  for (TDockX* D : Docks)
    Sizes.push_back({D, D == FDockedTo ? SIZE{FWidth, FHeight} : SizeFor(D->Vertical() ? dtLeftRight : dtTopBottom)});
  auto SizeOf = [&](TDockX* D) {
    for (const TSize& S : Sizes)
      if (S.Dock == D) return S.S;
    return Sizes[0].S;
  };
  const int FloatThick = FloatFrameWidth();
  bool PreventDocking = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  TDockX* Target = nullptr;
  HCURSOR SavedCursor = GetCursor();
  RECT DragRect{};
  bool Accepted = false;

  TDesktopDraw Draw(FHandle);
  auto Step = [&]() {
    POINT P;
    GetCursorPos(&P);
    Target = nullptr;
    TDockRect Outline;
    if (!PreventDocking) {
      for (TDockX* D : Docks) {
        RECT DR;
        GetWindowRect(D->Handle(), &DR);
        SIZE S = SizeOf(D);
        if (!DockAccepts({DR.left, DR.top, DR.right, DR.bottom}, D->Vertical(), P.x, P.y, InitX, InitY, GrabW, GrabH,
                         S.cx, S.cy, Outline))
          continue;
        bool Accept = true;
        if (D->OnRequestDock) D->OnRequestDock(D, this, Accept);
        if (Accept) {
          Target = D;
          break;
        }
      }
    }
    RECT Work = WorkAreaAt(P);
    if (!Target) {
      P.x = std::clamp(P.x, Work.left, Work.right - 1);
      P.y = std::clamp(P.y, Work.top, Work.bottom - 1);
    }
    SIZE S = SizeOf(Target);
    TDockRect O = GrabOutline(P.x, P.y, InitX, InitY, GrabW, GrabH, S.cx, S.cy);
    RECT R{O.Left, O.Top, O.Right, O.Bottom};
    if (!Target) {
      // Keep a floating outline reachable on its monitor.
      int M = FloatThick + 4;
      RECT A{Work.left + M, Work.top + M, Work.right - M, Work.bottom - M};
      if (R.bottom < A.top) OffsetRect(&R, 0, A.top - R.bottom);
      if (R.top > A.bottom) OffsetRect(&R, 0, A.bottom - R.top);
      if (R.right < A.left) OffsetRect(&R, A.left - R.right, 0);
      if (R.left > A.right) OffsetRect(&R, A.right - R.left, 0);
      int CapTop = Work.top + 4 - (FloatFrameHeight() + (FShowCaption ? SmallCaptionHeight() : 0));
      if (R.top < CapTop) OffsetRect(&R, 0, CapTop - R.top);
    }
    if (CannotFloat && !Target) {
      R = RECT{0, 0, 0, 0};
      ::SetCursor(LoadCursor(nullptr, IDC_NO));
    } else {
      ::SetCursor(SavedCursor);
    }
    DragRect = R;
    Draw.Draw(R, Target ? 1 : FloatThick);
  };
  Step();
  Accepted = RunCaptureLoop(FHandle, [&](const MSG& M) {
    switch (M.message) {
      case WM_LBUTTONUP:
        return lsAccept;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        return lsCancel;
      case WM_MOUSEMOVE:
        Step();
        return lsTaken;
      case WM_KEYDOWN:
      case WM_KEYUP:
        if (M.wParam == VK_CONTROL) {
          bool Now = M.message == WM_KEYDOWN;
          if (Now != PreventDocking) {
            PreventDocking = Now;
            Step();
          }
        } else if (M.wParam == VK_ESCAPE && M.message == WM_KEYDOWN) {
          return lsCancel;
        }
        return lsTaken;
      default:
        return (M.message >= WM_RBUTTONDOWN && M.message <= WM_MBUTTONDBLCLK) ? lsTaken : lsDispatch;
    }
  });
  // The outline goes, the desktop is unlocked before anything moves.
  Draw.Draw({}, 0);
  ::SetCursor(SavedCursor);
  if (!Accepted || IsRectEmpty(&DragRect)) return;
  if (GetCapture() == FHandle) ReleaseCapture();
  if (Target) {
    POINT TL{DragRect.left, DragRect.top}, BR{DragRect.right, DragRect.bottom};
    ::ScreenToClient(Target->Handle(), &TL);
    ::ScreenToClient(Target->Handle(), &BR);
    int Mid = Target->Vertical() ? (TL.x + BR.x) / 2 : (TL.y + BR.y) / 2;
    bool Before = false;
    int Row = Target->RowForPosition(Mid, Before);
    if (Before) {
      Target->InsertRowBefore(Row);
    } else if (FFullSize && Target->ToolbarsOnRow(Row, this) > 0) {
      ++Row;
      Target->InsertRowBefore(Row);
    }
    FDockRow = Row;
    FDockPos = Target->Vertical() ? TL.y : TL.x;
    if (Target != FDockedTo) ChangeParent(Target);
    Target->ArrangeToolbars(true);
  } else {
    FFloatingPosition = {DragRect.left, DragRect.top};
    if (FDockedTo)
      ChangeParent(Form);
    else
      SetBounds(DragRect.left, DragRect.top, FWidth, FHeight);
  }
  MoveOnScreen(true);
}

void TCustomToolWindowX::BeginSizing(UINT HitTest) {
  const bool Left = HitTest == HTLEFT || HitTest == HTTOPLEFT || HitTest == HTBOTTOMLEFT;
  const bool Right = HitTest == HTRIGHT || HitTest == HTTOPRIGHT || HitTest == HTBOTTOMRIGHT;
  const bool Top = HitTest == HTTOP || HitTest == HTTOPLEFT || HitTest == HTTOPRIGHT;
  const bool Bottom = HitTest == HTBOTTOM || HitTest == HTBOTTOMLEFT || HitTest == HTBOTTOMRIGHT;
  SIZE Min = AddNonClientSize(GetMinimumFloatSize(), dtNotDocked);
  RECT Start;
  GetWindowRect(FHandle, &Start);
  POINT Origin;
  GetCursorPos(&Origin);
  bool Accepted = false;
  RECT Rect = Start;
  {
    TDesktopDraw Draw(FHandle);
    BeginFloatResize(HitTest);
    Draw.Draw(Start, FloatFrameWidth());
    POINT Last = Origin;
    Accepted = RunCaptureLoop(FHandle, [&](const MSG& M) {
      switch (M.message) {
        case WM_LBUTTONUP:
          return lsAccept;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
          return lsCancel;
        case WM_KEYDOWN:
          return M.wParam == VK_ESCAPE ? lsCancel : lsTaken;
        case WM_KEYUP:
          return lsTaken;
        case WM_MOUSEMOVE: {
          POINT P;
          GetCursorPos(&P);
          if (P.x == Last.x && P.y == Last.y) return lsTaken;
          Last = P;
          RECT R = Start;
          int DX = P.x - Origin.x, DY = P.y - Origin.y;
          if (Left) R.left = std::min<LONG>(R.left + DX, R.right - Min.cx);
          if (Right) R.right = std::max<LONG>(R.right + DX, R.left + Min.cx);
          if (Top) R.top = std::min<LONG>(R.top + DY, R.bottom - Min.cy);
          if (Bottom) R.bottom = std::max<LONG>(R.bottom + DY, R.top + Min.cy);
          TRect T = R;
          FloatResizeStep(HitTest, T);
          Rect = T;
          Draw.Draw(Rect, FloatFrameWidth());
          return lsTaken;
        }
        default:
          return (M.message >= WM_RBUTTONDOWN && M.message <= WM_MBUTTONDBLCLK) ? lsTaken : lsDispatch;
      }
    });
  }
  EndFloatResize(Accepted);
  if (Accepted) SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
}
