#include "controls/views/advsplitter.h"

#include <algorithm>
#include <cmath>

#include "controls/views/viewprops.h"

// ---- TAdvPane --------------------------------------------------------------

TAdvPane::TAdvPane(TComponent* AOwner) : TCustomPanel(AOwner) {
  SetColor(clBtnFace);
  SetParentColor(false);
  SetBorderStyle(bsNone);
  SetFrameStyle(ftLowered);
  SetBevelInner(bvLowered);
  SetBevelOuter(bvLowered);
}

void TAdvPane::SetFrameStyle(TAdvFrameStyle Value) {
  FFrameStyle = Value;
  static const TBevelCut inner[] = {bvNone, bvRaised, bvLowered, bvRaised, bvLowered};
  static const TBevelCut outer[] = {bvNone, bvRaised, bvLowered, bvLowered, bvRaised};
  SetBevelInner(inner[Value]);
  SetBevelOuter(outer[Value]);
}

// ---- TAdvSplitter ----------------------------------------------------------

TAdvSplitter::TAdvSplitter(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 200, 150);
  FPane1 = new TAdvPane(this);
  FPane1->SetParent(this);
  FPane2 = new TAdvPane(this);
  FPane2->SetParent(this);
  FPane1Setting = std::make_unique<TAdvPaneSetting>(FPane1);
  FPane2Setting = std::make_unique<TAdvPaneSetting>(FPane2);
  FPane1->OnResize = [this](TObject* Sender) { PaneResized(Sender); };
  FPane2->OnResize = [this](TObject* Sender) { PaneResized(Sender); };
  static const WORD pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  if (HBITMAP bmp = CreateBitmap(8, 8, 1, 1, pattern)) {
    FPatternBrush = CreatePatternBrush(bmp);
    DeleteObject(bmp);
  }
}

TAdvSplitter::~TAdvSplitter() {
  if (FPatternBrush) DeleteObject(FPatternBrush);
}

void TAdvSplitter::Loaded() {
  TCustomControl::Loaded();
  UpdatePanes();
}

TAdvPane* TAdvSplitter::GetPane(int Index) const {
  return Index == 1 ? FPane1 : Index == 2 ? FPane2 : nullptr;
}

void TAdvSplitter::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
  if (FBorderStyle == bsSingle) Params.Style |= WS_BORDER;
}

void TAdvSplitter::SetBorderStyle(TBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TAdvSplitter::SetOrientation(TSplitterOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  if (!Loading() && HandleAllocated()) UpdatePanes();
}

void TAdvSplitter::SetThickness(int Value) {
  if (Value == FThickness) return;
  FThickness = Value;
  if (!Loading() && HandleAllocated()) UpdatePanes();
}

void TAdvSplitter::SetSplitterColor(TColor Value) {
  FSplitterColor = Value;
  Invalidate();
}

int TAdvSplitter::ClientExtent() {
  TRect r = ClientRect();
  return FOrientation == soHorizontal ? r.bottom : r.right;
}

int TAdvSplitter::ClampPosition(int Value) {
  const int s = ClientExtent();
  int lo = FPane1->MinSize();
  if (FPane1->FrameStyle() != ftNone) lo += 4 * FPane1->BevelWidth();
  int hi = s - FThickness - FPane2->MinSize() - 1;
  if (FPane2->FrameStyle() != ftNone) hi -= 4 * FPane2->BevelWidth() - 1;
  int p = std::min(hi, std::max(lo, Value));
  // A control too small for both minimum sizes still gives no pane a
  // negative size.
  return std::max(0, std::min(p, s - FThickness));
}

void TAdvSplitter::SetPosition(int Value) {
  if (Loading()) {
    FPosition = Value;
    int s = ClientExtent();
    if (s > 0) FProportion = static_cast<double>(Value) / s;
    return;
  }
  FPosition = HandleAllocated() ? ClampPosition(Value) : Value;
  if (HandleAllocated()) {
    UpdatePanes();
    Invalidate();
  }
}

void TAdvSplitter::UpdatePanes() {
  if (Loading() || !HandleAllocated()) return;
  FPosition = ClampPosition(FPosition);
  TRect r = ClientRect();
  const int w = r.right, h = r.bottom, p = FPosition, t = FThickness;
  const bool v1 = FPane1->Visible(), v2 = FPane2->Visible();
  if (v1 && !v2) {
    FPane1->SetBounds(0, 0, w, h);
  } else if (v2 && !v1) {
    FPane2->SetBounds(0, 0, w, h);
  } else if (v1 && v2) {
    if (FOrientation == soHorizontal) {
      FPane1->SetBounds(0, 0, w, p);
      FPane2->SetBounds(0, p + t, w, std::max(0, h - p - t));
    } else {
      FPane1->SetBounds(0, 0, p, h);
      FPane2->SetBounds(p + t, 0, std::max(0, w - p - t), h);
    }
  }
  FPane1->Realign();
  FPane2->Realign();
  const int s = FOrientation == soHorizontal ? h : w;
  if (s > 0) FProportion = static_cast<double>(p) / s;
}

void TAdvSplitter::PaneResized(TObject*) {
  if (OnPaneResize) OnPaneResize(this);
}

void TAdvSplitter::Paint() {
  UpdatePanes();
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  if (FPane1->Visible() && FPane2->Visible()) {
    TRect bar = FOrientation == soHorizontal ? Rect(0, FPosition, r.right, FPosition + FThickness)
                                             : Rect(FPosition, 0, FPosition + FThickness, r.bottom);
    c->Brush()->SetColor(FSplitterColor);
    c->FillRect(bar);
  } else if (!FPane1->Visible() && !FPane2->Visible()) {
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
}

void TAdvSplitter::DrawDragLine(int Pos) {
  if (Pos < 0 || !HandleAllocated()) return;
  // Drawn over the panes too, so the DC does not clip the children.
  HDC dc = GetDCEx(Handle(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (!dc) return;
  TRect r = ClientRect();
  int x = 0, y = 0, cx = r.right, cy = r.bottom;
  if (FOrientation == soHorizontal) {
    y = Pos;
    cy = FThickness;
  } else {
    x = Pos;
    cx = FThickness;
  }
  if (SplitterStyle == ssCheckered && FPatternBrush) {
    HGDIOBJ old = SelectObject(dc, FPatternBrush);
    PatBlt(dc, x, y, cx, cy, PATINVERT);
    SelectObject(dc, old);
  } else {
    PatBlt(dc, x, y, cx, cy, DSTINVERT);
  }
  ReleaseDC(Handle(), dc);
}

void TAdvSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !FArmed) return;
  SetCapture(Handle());
  FDragging = true;
  if (!FAutoUpdate) {
    FLastLine = ClampPosition(FOrientation == soHorizontal ? Y : X);
    DrawDragLine(FLastLine);
  }
}

void TAdvSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (!FDragging || GetCapture() != Handle()) return;
  const int coord = FOrientation == soHorizontal ? Y : X;
  const int s = ClientExtent();
  if (coord < FPane1->MinSize() || coord > s - FPane2->MinSize() || coord == FPosition) return;
  TRect r = ClientRect();
  auto barArea = [&](int p) {
    return FOrientation == soHorizontal ? Rect(0, p - 2, r.right, p + FThickness + 2)
                                        : Rect(p - 2, 0, p + FThickness + 2, r.bottom);
  };
  if (FAutoUpdate) {
    TRect old = barArea(FPosition);
    InvalidateRect(Handle(), &old, FALSE);
    FPosition = ClampPosition(coord);
    UpdatePanes();
    TRect now = barArea(FPosition);
    InvalidateRect(Handle(), &now, FALSE);
    ::UpdateWindow(Handle());
  } else {
    DrawDragLine(FLastLine);
    FPosition = ClampPosition(coord);
    FLastLine = FPosition;
    DrawDragLine(FLastLine);
  }
}

void TAdvSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (!FDragging) return;
  FDragging = false;
  if (GetCapture() == Handle()) ReleaseCapture();
  DrawDragLine(FLastLine);
  FLastLine = -1;
  UpdatePanes();
  Invalidate();
}

void TAdvSplitter::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETCURSOR:
      if (LOWORD(Message.LParam) == HTCLIENT && reinterpret_cast<HWND>(Message.WParam) == Handle() &&
          FPane1->Visible() && FPane2->Visible()) {
        POINT pt;
        GetCursorPos(&pt);
        ::ScreenToClient(Handle(), &pt);
        const int coord = FOrientation == soHorizontal ? pt.y : pt.x;
        if (std::abs(coord - FPosition) <= FThickness &&
            (AllowResize || (FComponentState & csDesigning))) {
          ::SetCursor(Screen->Cursors(FOrientation == soHorizontal ? crVSplit : crHSplit));
          FArmed = true;
          Message.Result = 1;
          return;
        }
      }
      FArmed = false;
      break;
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      if (ProportionalResize) {
        const int s = FOrientation == soHorizontal ? HIWORD(Message.LParam) : LOWORD(Message.LParam);
        FPosition = static_cast<int>(std::lround(FProportion * s));
      }
      UpdatePanes();
      return;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

namespace {
struct TSplitterProps {
  TSplitterProps() {
    RegisterProperties<TAdvSplitter>(
        "TAdvSplitter",
        {PropBoolField<TAdvSplitter>("AllowResize", &TAdvSplitter::AllowResize),
         PropBool<TAdvSplitter>("AutoUpdate", &TAdvSplitter::AutoUpdate, &TAdvSplitter::SetAutoUpdate),
         PropEnum<TAdvSplitter, TBorderStyle>("BorderStyle", &TAdvSplitter::BorderStyle,
                                              &TAdvSplitter::SetBorderStyle, {"bsNone", "bsSingle"}),
         PropEnum<TAdvSplitter, TSplitterOrientation>("Orientation", &TAdvSplitter::Orientation,
                                                      &TAdvSplitter::SetOrientation, {"soHorizontal", "soVertical"}),
         PropBoolField<TAdvSplitter>("ProportionalResize", &TAdvSplitter::ProportionalResize),
         PropInt<TAdvSplitter>("Position", &TAdvSplitter::Position, &TAdvSplitter::SetPosition),
         PropColorOf<TAdvSplitter>("SplitterColor", &TAdvSplitter::SplitterColor, &TAdvSplitter::SetSplitterColor),
         PropEnumField<TAdvSplitter>("SplitterStyle", &TAdvSplitter::SplitterStyle, {"ssCheckered", "ssSolid"}),
         PropInt<TAdvSplitter>("Thickness", &TAdvSplitter::Thickness, &TAdvSplitter::SetThickness)});
    RegisterProperties<TAdvPaneSetting>(
        "TAdvPaneSetting",
        {PropColorOf<TAdvPaneSetting>("Color", &TAdvPaneSetting::Color, &TAdvPaneSetting::SetColor),
         PropEnum<TAdvPaneSetting, TAdvFrameStyle>("FrameStyle", &TAdvPaneSetting::FrameStyle,
                                                   &TAdvPaneSetting::SetFrameStyle,
                                                   {"ftNone", "ftRaised", "ftLowered", "ftCarved", "ftBump"}),
         PropInt<TAdvPaneSetting>("FrameWidth", &TAdvPaneSetting::FrameWidth, &TAdvPaneSetting::SetFrameWidth),
         PropInt<TAdvPaneSetting>("MinSize", &TAdvPaneSetting::MinSize, &TAdvPaneSetting::SetMinSize)});
  }
} splitterProps;
}  // namespace
