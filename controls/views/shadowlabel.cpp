#include "controls/views/shadowlabel.h"

namespace {

constexpr int kLeftMargin = 0, kRightMargin = 0;

TRect MovedBy(TRect Rect, TShadowPosition Pos, int Size) {
  switch (Pos) {
    case spLeftTop: OffsetRect(&Rect, -Size, -Size); break;
    case spLeftBottom: OffsetRect(&Rect, -Size, Size); break;
    case spRightBottom: OffsetRect(&Rect, Size, Size); break;
    case spRightTop: OffsetRect(&Rect, Size, -Size); break;
  }
  return Rect;
}

}  // namespace

TCustomShadowLabel::TCustomShadowLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() | csOpaque);
  SetBounds(Left(), Top(), 65, 17);
}

std::string TCustomShadowLabel::LabelText() const { return FText; }

TRect TCustomShadowLabel::DoDrawText(TCanvas* Canvas, TRect Rect, UINT Flags) {
  std::string text = LabelText();
  const bool measuring = (Flags & DT_CALCRECT) != 0;
  if (measuring && (text.empty() || (FShowAccelChar && text == "&"))) text += ' ';
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  Canvas->SetFont(Font());
  TColor textColor = Font()->Color(), shadowColor = FShadowColor;
  int shadow = FShadowSize;
  TShadowPosition pos = FShadowPos;
  if (!Enabled()) {
    textColor = clGrayText;
    shadowColor = clBtnHighlight;
    if (shadow == 0) {
      // The embossed look of disabled text: a highlight one pixel right and down.
      shadow = 1;
      pos = spRightBottom;
    }
  }
  TRect moved = MovedBy(Rect, pos, shadow);
  if (shadow > 0) {
    Canvas->Font()->SetColor(shadowColor);
    Canvas->DrawText(text, moved, Flags);
  }
  Canvas->Font()->SetColor(textColor);
  TRect r = Rect;
  Canvas->DrawText(text, r, Flags);
  if (shadow == 0) return r;
  TRect u;
  UnionRect(&u, &r, &moved);
  return u;
}

void TCustomShadowLabel::Paint() {
  TCanvas* c = Canvas();
  TRect client = ClientRect();
  if (!FTransparent) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(client);
  }
  c->Brush()->SetStyle(bsClear);
  TRect r = client;
  r.left += kLeftMargin + 1;
  r.right -= kRightMargin + 1;
  UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u) |
               (FAlignment == taRightJustify ? DT_RIGHT : FAlignment == taCenter ? DT_CENTER : DT_LEFT);
  if (FLayout != tlTop) {
    TRect measured = DoDrawText(c, r, flags | DT_CALCRECT);
    const int free = (r.bottom - r.top) - (measured.bottom - measured.top);
    OffsetRect(&r, 0, FLayout == tlCenter ? free / 2 : free);
  }
  DoDrawText(c, r, flags);
  if (FShowFocus && FFocusControl && FFocusControl->Focused()) {
    TRect f = r;
    InflateRect(&f, 1, 0);
    ::DrawFocusRect(c->Handle(), &f);
  }
}

void TCustomShadowLabel::AdjustBounds() {
  if (!FAutoSize) return;
  HDC dc = GetDC(nullptr);
  TCanvas canvas;
  canvas.SetHandle(dc);
  TRect r{0, 0, FWidth, 0};
  r = DoDrawText(&canvas, r, DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u));
  canvas.SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
  const int w = (r.right - r.left) + kLeftMargin + kRightMargin + 2;
  const int h = r.bottom - r.top;
  int x = FLeft;
  if (FAlignment == taRightJustify) x = FLeft + FWidth - w;
  SetBounds(x, FTop, w, h);
}

void TCustomShadowLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TCustomShadowLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
  Invalidate();
}

void TCustomShadowLabel::MouseEnter() {
  if (Enabled()) TGraphicControl::MouseEnter();
}

void TCustomShadowLabel::MouseLeave() {
  if (Enabled()) TGraphicControl::MouseLeave();
}

void TCustomShadowLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomShadowLabel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    Message.Result = Enabled() && FShowAccelChar &&
                     FocusByAccel(static_cast<char>(Message.WParam), LabelText(), FFocusControl);
    return;
  }
  TGraphicControl::Dispatch(Message);
}

void TCustomShadowLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomShadowLabel::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  AdjustBounds();
}

void TCustomShadowLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (FFocusControl) FFocusControl->FreeNotification(this);
}

void TCustomShadowLabel::SetLayout(TTextLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Invalidate();
}

void TCustomShadowLabel::SetShadowColor(TColor Value) {
  if (Value == FShadowColor) return;
  FShadowColor = Value;
  Invalidate();
}

void TCustomShadowLabel::SetShadowSize(uint8_t Value) {
  if (Value == FShadowSize) return;
  FShadowSize = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomShadowLabel::SetShadowPos(TShadowPosition Value) {
  if (Value == FShadowPos) return;
  FShadowPos = Value;
  Invalidate();
}

void TCustomShadowLabel::SetShowAccelChar(bool Value) {
  if (Value == FShowAccelChar) return;
  FShowAccelChar = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomShadowLabel::SetShowFocus(bool Value) {
  FShowFocus = Value;
  Invalidate();
}

void TCustomShadowLabel::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  SetControlStyle(Value ? ControlStyle() & ~csOpaque : ControlStyle() | csOpaque);
  Invalidate();
}

void TCustomShadowLabel::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}
