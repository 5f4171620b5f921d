#include "framework/ui/extctrls.h"

#include <algorithm>
#include <map>

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Canvas->Pen()->SetWidth(1);
  --Rect.bottom;
  --Rect.right;
  for (int i = 0; i < Width; ++i) {
    Canvas->Pen()->SetColor(TopColor);
    Canvas->Polyline({Point(Rect.left, Rect.bottom), Point(Rect.left, Rect.top), Point(Rect.right, Rect.top)});
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->Polyline({Point(Rect.right, Rect.top), Point(Rect.right, Rect.bottom), Point(Rect.left - 1, Rect.bottom)});
    InflateRect(&Rect, -1, -1);
  }
  ++Rect.bottom;
  ++Rect.right;
}

// ---- TCustomPanel --------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
  FColor = clBtnFace;
  FControlStyle |= csOpaque;
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (FBorderStyle == bsSingle) Params.Style |= WS_BORDER;
  // The caption is placed by the width and the bevel sits on the edges: a
  // resize must repaint all of it, or old text stays behind.
  Params.WindowClassStyle |= CS_HREDRAW | CS_VREDRAW;
  Params.WinClassName = L"TPanel";
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  int w = FBorderWidth;
  if (FBevelOuter != bvNone) w += FBevelWidth;
  if (FBevelInner != bvNone) w += FBevelWidth;
  InflateRect(&Rect, -w, -w);
}

void TCustomPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  auto colors = [](TBevelCut cut, TColor& top, TColor& bottom) {
    top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
  };
  TColor top, bottom;
  if (FBevelOuter != bvNone) {
    colors(FBevelOuter, top, bottom);
    Frame3D(c, r, top, bottom, FBevelWidth);
  }
  Frame3D(c, r, FColor, FColor, FBorderWidth);
  if (FBevelInner != bvNone) {
    colors(FBevelInner, top, bottom);
    Frame3D(c, r, top, bottom, FBevelWidth);
  }
  c->Brush()->SetColor(FColor);
  c->FillRect(r);
  if (!FText.empty()) {
    c->Brush()->SetStyle(bsClear);
    UINT f = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS |
             (FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER);
    c->DrawText(FText, r, f);
  }
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  FBevelInner = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  FBevelOuter = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
  FBevelWidth = std::max(Value, 1);
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderWidth(int Value) {
  FBorderWidth = std::max(Value, 0);
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

// ---- TBevel --------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 50;
  FHeight = 50;
}

void TBevel::SetShape(TBevelShape Value) {
  FShape = Value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
  FStyle = Value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* c = Canvas();
  TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = FWidth, h = FHeight;
  auto line = [c](TColor col, int x1, int y1, int x2, int y2) {
    c->Pen()->SetColor(col);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  switch (FShape) {
    case bsBox: {
      TRect r = Rect(0, 0, w, h);
      Frame3D(c, r, c1, c2, 1);
      break;
    }
    case bsFrame: {
      TRect r = Rect(0, 0, w - 1, h - 1);
      Frame3D(c, r, c1, c1, 1);
      r = Rect(1, 1, w, h);
      Frame3D(c, r, c2, c2, 1);
      break;
    }
    case bsTopLine:
      line(c1, 0, 0, w, 0);
      line(c2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(c1, 0, h - 2, w, h - 2);
      line(c2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(c1, 0, 0, 0, h);
      line(c2, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(c1, w - 2, 0, w - 2, h);
      line(c2, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

// ---- TRadioGroup ---------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent* AOwner) : TGroupBox(AOwner), FItems(std::make_unique<TStringList>()) {
  FControlStyle &= ~csClickEvents;
  FItems->OnChange = [this](TObject*) { UpdateButtons(); };
}

TRadioGroup::~TRadioGroup() {
  FComponentState |= csDestroying;
  FItems->OnChange = nullptr;
}

void TRadioGroup::UpdateButtons() {
  FUpdating = true;
  while (static_cast<int>(FButtons.size()) > FItems->Count()) {
    TRadioButton* b = FButtons.back();
    FButtons.pop_back();
    delete b;
  }
  while (static_cast<int>(FButtons.size()) < FItems->Count()) {
    auto* b = new TRadioButton(this);
    int index = static_cast<int>(FButtons.size());
    b->OnClick = [this, index](TObject*) { ButtonClicked(index); };
    b->SetEnabled(FEnabled);
    b->SetParent(this);
    FButtons.push_back(b);
  }
  for (size_t i = 0; i < FButtons.size(); ++i) {
    FButtons[i]->SetCaption(FItems->Strings(static_cast<int>(i)));
    FButtons[i]->SetChecked(static_cast<int>(i) == FItemIndex);
  }
  if (FItemIndex >= FItems->Count()) FItemIndex = -1;
  FUpdating = false;
  ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) return;
  TRect r = ClientRect();
  AdjustClientRect(r);
  int cols = std::max(FColumns, 1);
  int rows = (static_cast<int>(FButtons.size()) + cols - 1) / cols;
  int colWidth = std::max<int>((r.right - r.left) / cols, 1);
  int rowHeight = std::max<int>((r.bottom - r.top) / std::max(rows, 1), 1);
  int buttonHeight = std::min(rowHeight, 20);
  for (size_t i = 0; i < FButtons.size(); ++i) {
    int col = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
    FButtons[i]->SetBounds(r.left + col * colWidth + 4, r.top + row * rowHeight + (rowHeight - buttonHeight) / 2,
                           colWidth - 6, buttonHeight);
  }
}

void TRadioGroup::ButtonClicked(int Index) {
  if (FUpdating) return;
  if (Index >= static_cast<int>(FButtons.size()) || !FButtons[static_cast<size_t>(Index)]->Checked()) return;
  if (Index == FItemIndex) return;
  FItemIndex = Index;
  Click();
}

void TRadioGroup::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems->Count()) Value = -1;
  if (Value == FItemIndex) return;
  FItemIndex = Value;
  FUpdating = true;
  for (size_t i = 0; i < FButtons.size(); ++i) FButtons[i]->SetChecked(static_cast<int>(i) == Value);
  FUpdating = false;
  Click();
}

void TRadioGroup::SetColumns(int Value) {
  Value = std::clamp(Value, 1, 16);
  if (Value == FColumns) return;
  FColumns = Value;
  ArrangeButtons();
}

void TRadioGroup::Resize() {
  ArrangeButtons();
  TGroupBox::Resize();
}

void TRadioGroup::EnabledChanged() {
  TGroupBox::EnabledChanged();
  for (TRadioButton* b : FButtons) b->SetEnabled(FEnabled);
}

// ---- TImage --------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  FWidth = 105;
  FHeight = 105;
  FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() {
  FComponentState |= csDestroying;
  FPicture->OnChange = nullptr;
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture->Width() > 0) SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
  if (TGraphic* g = FPicture->Graphic()) g->SetTransparent(FTransparent);
  Invalidate();
}

void TImage::SetStretch(bool Value) {
  FStretch = Value;
  Invalidate();
}

void TImage::SetCenter(bool Value) {
  FCenter = Value;
  Invalidate();
}

void TImage::SetTransparent(bool Value) {
  FTransparent = Value;
  if (TGraphic* g = FPicture->Graphic()) g->SetTransparent(Value);
  Invalidate();
}

void TImage::SetAutoSize(bool Value) {
  FAutoSize = Value;
  PictureChanged();
}

void TImage::Paint() {
  TGraphic* g = FPicture->Graphic();
  if (!g || g->Empty()) return;
  TRect r;
  if (FStretch) {
    r = ClientRect();
  } else if (FCenter) {
    r = Bounds((FWidth - g->Width()) / 2, (FHeight - g->Height()) / 2, g->Width(), g->Height());
  } else {
    r = Bounds(0, 0, g->Width(), g->Height());
  }
  Canvas()->StretchDraw(r, g);
}

// ---- TTimer --------------------------------------------------------------

namespace {
std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}
UINT_PTR gNextTimerId = 1;
HWND TimerWindow();
}  // namespace

LRESULT CALLBACK TimerWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_TIMER) {
    auto it = Timers().find(static_cast<UINT_PTR>(WParam));
    if (it != Timers().end()) {
      try {
        it->second->Timer();
      } catch (...) {
        if (Application) Application->HandleException(it->second);
      }
    }
    return 0;
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

namespace {
HWND TimerWindow() {
  static HWND window = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TimerWndProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = L"TTimerWindow";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, L"TTimerWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(), nullptr);
  }();
  return window;
}
}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FId(gNextTimerId++) {
  Timers()[FId] = this;
  UpdateTimer();
}

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
  Timers().erase(FId);
}

void TTimer::UpdateTimer() {
  if (FRunning) {
    KillTimer(TimerWindow(), FId);
    FRunning = false;
  }
  if (FEnabled && FInterval > 0 && !(FComponentState & csDesigning)) FRunning = SetTimer(TimerWindow(), FId, FInterval, nullptr) != 0;
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}
