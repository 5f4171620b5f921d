// A label that draws its caption over a one-colour shadow.
#pragma once
#include <string>

#include "framework/ui/stdctrls.h"

enum TShadowPosition : int { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

class TCustomShadowLabel : public TGraphicControl {
 public:
  explicit TCustomShadowLabel(TComponent* AOwner);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value);
  uint8_t ShadowSize() const { return FShadowSize; }
  void SetShadowSize(uint8_t Value);
  TShadowPosition ShadowPos() const { return FShadowPos; }
  void SetShadowPos(TShadowPosition Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  bool ShowFocus() const { return FShowFocus; }
  void SetShowFocus(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // Measures (DT_CALCRECT) or draws the caption and its shadow; gives the
  // union of both rectangles.
  TRect DoDrawText(TCanvas* Canvas, TRect Rect, UINT Flags);

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void EnabledChanged() override { Invalidate(); }
  void MouseEnter() override;
  void MouseLeave() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Dispatch(TMessage& Message) override;
  void AdjustBounds();
  std::string LabelText() const;

 private:
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TWinControl* FFocusControl = nullptr;
  TTextLayout FLayout = tlTop;
  TColor FShadowColor = clBtnHighlight;
  uint8_t FShadowSize = 1;
  TShadowPosition FShadowPos = spLeftTop;
  bool FShowAccelChar = true;
  bool FShowFocus = false;
  bool FTransparent = false;
  bool FWordWrap = false;
};

class TShadowLabel : public TCustomShadowLabel {
 public:
  using TCustomShadowLabel::TCustomShadowLabel;
};
