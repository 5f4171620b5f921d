#include "framework/ui/buttons.h"

#include <algorithm>

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  FWidth = 23;
  FHeight = 22;
  FControlStyle = csCaptureMouse | csDoubleClicks;
  FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() {
  FComponentState |= csDestroying;
  FGlyph->OnChange = nullptr;
}

void TSpeedButton::SetNumGlyphs(int Value) {
  FNumGlyphs = std::clamp(Value, 1, 4);
  Invalidate();
}

void TSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown) return;
  if (FDown && !FAllowAllUp) return;
  FDown = Value;
  FState = Value ? bsExclusive : bsUp;
  if (Value) UpdateExclusive();
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int Value) {
  FGroupIndex = Value;
  if (Value == 0 && FDown) {
    FDown = false;
    FState = bsUp;
  }
  UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || !FParent || !FDown) return;
  for (int i = 0; i < FParent->ControlCount(); ++i) {
    auto* b = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
    if (b && b != this && b->FGroupIndex == FGroupIndex && b->FDown) {
      b->FDown = false;
      b->FState = bsUp;
      b->Invalidate();
    }
  }
}

void TSpeedButton::SetFlat(bool Value) {
  FFlat = Value;
  Invalidate();
}

void TSpeedButton::SetStyle(TButtonStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
  FLayout = Value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int Value) {
  FSpacing = Value;
  Invalidate();
}

void TSpeedButton::SetMargin(int Value) {
  FMargin = Value;
  Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !FEnabled) return;
  if (!FDown) {
    FState = bsDown;
    Invalidate();
  }
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging) return;
  bool inside = X >= 0 && X < FWidth && Y >= 0 && Y < FHeight;
  TButtonState s = FDown ? bsExclusive : (inside ? bsDown : bsUp);
  if (s != FState) {
    FState = s;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!FDragging || Button != mbLeft) return;
  FDragging = false;
  bool inside = X >= 0 && X < FWidth && Y >= 0 && Y < FHeight;
  if (FGroupIndex == 0) {
    FState = bsUp;
    Invalidate();
    if (inside) Click();
    return;
  }
  if (inside) {
    if (!FDown) {
      SetDown(true);
    } else if (FAllowAllUp) {
      SetDown(false);
    }
    FState = FDown ? bsExclusive : bsUp;
    Invalidate();
    Click();
  } else {
    FState = FDown ? bsExclusive : bsUp;
    Invalidate();
  }
}

void TSpeedButton::MouseEnter() {
  TGraphicControl::MouseEnter();
  FMouseInControl = true;
  if (FFlat) Invalidate();
}

void TSpeedButton::MouseLeave() {
  TGraphicControl::MouseLeave();
  FMouseInControl = false;
  if (FFlat) Invalidate();
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  bool pressed = FState == bsDown || FState == bsExclusive || FDown;
  if (FFlat) {
    c->Brush()->SetColor(FColor);
    c->FillRect(r);
    if (pressed)
      DrawEdge(c->Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
    else if (FMouseInControl && FEnabled)
      DrawEdge(c->Handle(), &r, BDR_RAISEDINNER, BF_RECT);
  } else {
    TRect frame = r;
    if (FStyle == bsWin31) {
      c->Brush()->SetColor(clBlack);
      c->FrameRect(frame);
      InflateRect(&frame, -1, -1);
    }
    DrawFrameControl(c->Handle(), &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  }
  int offset = pressed ? 1 : 0;
  int gw = 0, gh = 0;
  if (!FGlyph->Empty()) {
    gw = FGlyph->Width() / FNumGlyphs;
    gh = FGlyph->Height();
  }
  SIZE ts{0, 0};
  if (!FText.empty()) ts = c->TextExtent(FText);
  bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
  int spacing = (gw && ts.cx) ? FSpacing : 0;
  int totalW = horizontal ? gw + spacing + ts.cx : std::max<int>(gw, ts.cx);
  int totalH = horizontal ? std::max<int>(gh, ts.cy) : gh + spacing + ts.cy;
  int x = FMargin >= 0 && horizontal ? FMargin : (FWidth - totalW) / 2;
  int y = FMargin >= 0 && !horizontal ? FMargin : (FHeight - totalH) / 2;
  int gx = x, gy = y + (totalH - gh) / 2, tx = x + gw + spacing, ty = y + (totalH - ts.cy) / 2;
  switch (FLayout) {
    case blGlyphRight:
      tx = x;
      gx = x + ts.cx + spacing;
      break;
    case blGlyphTop:
      gx = x + (totalW - gw) / 2;
      gy = y;
      tx = x + (totalW - ts.cx) / 2;
      ty = y + gh + spacing;
      break;
    case blGlyphBottom:
      tx = x + (totalW - ts.cx) / 2;
      ty = y;
      gx = x + (totalW - gw) / 2;
      gy = y + ts.cy + spacing;
      break;
    default:
      break;
  }
  if (gw > 0) {
    int index = 0;
    if (!FEnabled && FNumGlyphs > 1) index = 1;
    else if (FState == bsDown && FNumGlyphs > 2) index = 2;
    else if (FState == bsExclusive && FNumGlyphs > 3) index = 3;
    TBitmap part;
    part.SetSize(gw, gh);
    part.Canvas()->CopyRect(Rect(0, 0, gw, gh), FGlyph->Canvas(), Bounds(index * gw, 0, gw, gh));
    part.SetTransparentColor(FGlyph->TransparentColor());
    part.SetTransparent(true);
    c->Draw(gx + offset, gy + offset, &part);
  }
  if (ts.cx > 0) {
    c->Brush()->SetStyle(bsClear);
    TRect tr = Bounds(tx + offset, ty + offset, ts.cx, ts.cy);
    if (!FEnabled) c->Font()->SetColor(clGrayText);
    c->DrawText(FText, tr, DT_SINGLELINE | DT_NOCLIP);
  }
}
