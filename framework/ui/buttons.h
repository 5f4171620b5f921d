// TSpeedButton: a graphic button with a glyph that can stay down, alone or
// as one of a group.
#pragma once
#include <memory>

#include "framework/ui/controls.h"

enum TButtonLayout : int { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState : int { bsUp, bsDisabled, bsDown, bsExclusive };
// How a button's frame is drawn: the old heavy black outline (bsWin31) or the
// current 3-D one (bsNew, also what bsAutoDetect picks on current systems).
enum TButtonStyle : int { bsAutoDetect, bsWin31, bsNew };

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  // Up to four pictures side by side (up, disabled, pressed, down); the
  // bottom-left pixel is the transparent colour.
  TBitmap* Glyph() { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);
  // Setting Down does not fire OnClick; a click of the user does.
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  // Buttons of the same non-zero group under one parent are exclusive.
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  TButtonStyle Style() const { return FStyle; }
  void SetStyle(TButtonStyle Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  int Margin() const { return FMargin; }
  void SetMargin(int Value);
  TButtonState State() const { return FState; }
  bool MouseInControl() const { return FMouseInControl; }

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void TextChanged() override { Invalidate(); }

 private:
  void UpdateExclusive();
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1;
  bool FDown = false;
  int FGroupIndex = 0;
  bool FAllowAllUp = false;
  bool FFlat = false;
  TButtonStyle FStyle = bsAutoDetect;
  TButtonLayout FLayout = blGlyphLeft;
  int FSpacing = 4;
  int FMargin = -1;
  TButtonState FState = bsUp;
  bool FDragging = false;
  bool FMouseInControl = false;
};
