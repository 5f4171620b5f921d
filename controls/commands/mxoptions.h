// The look of the owner-drawn menus: option objects with their defaults, the
// title strip along a popup menu, the item part rectangles and the tooltip
// window of menu windows and the menu bar.
#pragma once
#include <cstdint>
#include <string>

#include "framework/ui/controls.h"
#include "framework/ui/graphics.h"
#include "framework/ui/stdctrls.h"

enum T_MX_TitleAlign : int { atLeft, atRight };
enum T_MX_GradientDirection : int {
  gdTopToBottom, gdLeftToRight, gdBottomToTop, gdRightToLeft, gdInsideOut, gdOutsideIn, gdDualVertical,
  gdDualHorizontal
};
// Shares its first names with TAlignment, hence scoped.
enum class T_MX_Alignment : int { taLeftJustify, taRightJustify, taCenter, taHebrew };
enum T_MX_BackgroundDisplay : int { bdDefault, bdCenter, bdTile, bdStretch };
enum T_MX_Animation : uint8_t { anNone, anVSlide, anHSlide, anSmart, anUnfold, anPopup, anRandom };
using T_MX_Flags = uint8_t;
constexpr T_MX_Flags mfStandardAlign = 1, mfShowCheckMark = 2, mfNoShortDividers = 4, mfHiddenIsVisible = 8,
                     mfNoAutoShowHidden = 16, mfNoChangeHidden = 32, mfNoBitmapRect = 64;

class T_MX_Title : public TPersistent {
 public:
  T_MX_Title();
  void Assign(TPersistent* Source) override;
  bool IsDefault() const;
  // Draws the strip along the canvas's clip rectangle (only when Visible).
  void Draw(TCanvas* Canvas);
  // The strip's colour at band I of Bands (for tests and the drawing).
  static TColor BandColor(COLORREF Start, COLORREF Target, int Divisor, int I);
  // Where the text starts inside a strip of the given size.
  TPoint TextOrigin(int StripWidth, int StripHeight, int TextWidth, int TextHeight) const;

  T_MX_TitleAlign Align = atLeft;
  TAlignment Alignment = taLeftJustify;
  std::string Text;
  TFont* Font() { return &FFont; }
  TColor ColorBegin = clBlue;
  TColor ColorEnd = clBlack;
  int Width = 50;
  bool TextDirection = true;
  bool Visible = false;
  TBitmap* Bitmap() { return &FBitmap; }
  T_MX_GradientDirection GradientDirection = gdTopToBottom;

 private:
  TFont FFont;
  TBitmap FBitmap;
};

class T_MX_Margins : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  bool IsDefault() const;
  int Left = 23, Top = 1, Right = 23, Bottom = 1, ItemSpace = 0;
};

class T_MX_Colors : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  bool IsDefault() const;
  TColor Border = clBtnShadow, Menu = clMenu, MenuText = clMenuText, MenuShadow = clBtnShadow,
         Highlight = clHighlight, HighlightText = clHighlightText, DisabledText = clBtnShadow,
         DisabledShadow = clBtnHighlight, Line = clBtnShadow, LineShadow = clBtnHighlight;
};

class T_MX_MenuOptions : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  virtual bool IsDefault() const { return true; }
};

class T_MX_BaseOptions : public T_MX_MenuOptions {
 public:
  void Assign(TPersistent* Source) override;
  bool IsDefault() const override;
  T_MX_Title* Title() { return &FTitle; }
  void SetTitle(T_MX_Title* Value) { FTitle.Assign(Value); }
  TBitmap* Background() { return &FBackground; }
  void SetBackground(TBitmap* Value) { FBackground.Assign(Value); }
  T_MX_Colors* Colors() { return &FColors; }
  void SetColors(T_MX_Colors* Value) { FColors.Assign(Value); }
  T_MX_Margins* Margins() { return &FMargins; }
  void SetMargins(T_MX_Margins* Value) { FMargins.Assign(Value); }

  int ItemHeight = 19;
  int SeparatorHeight = 9;
  std::string Caption;
  T_MX_Alignment Alignment = T_MX_Alignment::taLeftJustify;
  T_MX_Flags Flags = 0;  // published by T_MX_Options
  bool Draggable = false;
  T_MX_BackgroundDisplay BackgroundDisplay = bdDefault;

 private:
  T_MX_Title FTitle;
  TBitmap FBackground;
  T_MX_Colors FColors;
  T_MX_Margins FMargins;
};

class T_MX_Options : public T_MX_BaseOptions {
 public:
  void Assign(TPersistent* Source) override;
  bool IsDefault() const override;
  T_MX_Animation Animation = anSmart;
};

struct T_MX_DrawInfo;
class TMenuItemX;

// Options of a control embedded in a menu item (none here; Part of the
// button and button-array items).
class T_MX_ControlOptions : public TPersistent {
 public:
  explicit T_MX_ControlOptions(TMenuItemX* Item) : FItem(Item) {}
  virtual void Draw(T_MX_DrawInfo& Info) { (void)Info; }
  virtual int Reserved() { return 0; }
  virtual int GetHeight(int Default) {
    (void)Default;
    return 0;
  }
  TMenuItemX* Item() const { return FItem; }

 protected:
  TMenuItemX* FItem;
};

// The parts of the item being drawn, filled by the item drawing.
class T_MX_MenuItemRect : public TObject {
 public:
  int ItemLeft = 0, ItemRight = 0, CaptionLeft = 0, CaptionWidth = 0, ShortCutLeft = 0, ShortCutWidth = 0,
      GlyphLeft = 0, GlyphWidth = 0, ArrowLeft = 0, ArrowWidth = 0, Top = 0, Height = 0, Spare = 0;
  TRect GetItemRect() const { return Rect(ItemLeft, Top, ItemRight, Top + Height); }
  TRect GetCaptionRect() const { return Part(CaptionLeft, CaptionWidth); }
  TRect GetShortCutRect() const { return Part(ShortCutLeft, ShortCutWidth); }
  TRect GetGlyphRect() const { return Part(GlyphLeft, GlyphWidth); }
  TRect GetArrowRect() const { return Part(ArrowLeft, ArrowWidth); }
  void ShiftDown() { Shift(1); }
  void ShiftBack() { Shift(-1); }
  void Clear() { *this = T_MX_MenuItemRect(); }

 private:
  TRect Part(int L, int W) const { return Rect(L, Top, L + W, Top + Height); }
  void Shift(int D) {
    ItemLeft += D, ItemRight += D, CaptionLeft += D, ShortCutLeft += D, GlyphLeft += D, ArrowLeft += D, Top += D;
  }
};
T_MX_MenuItemRect& MenuItemRect();

// A tooltip window whose tools are rectangles of one control.
class T_MX_ToolTipWindow : public TObject {
 public:
  explicit T_MX_ToolTipWindow(TWinControl* Control);
  ~T_MX_ToolTipWindow() override;
  T_MX_ToolTipWindow(const T_MX_ToolTipWindow&) = delete;
  T_MX_ToolTipWindow& operator=(const T_MX_ToolTipWindow&) = delete;
  void AddTool(const TRect& R, const std::string& Text);
  void RelayMouseMove(TPoint P);
  void Activate();
  void Deactivate();
  HWND Handle() const { return FHandle; }
  int ToolCount() const { return FNextId; }
  // Number of TTM_ACTIVATE messages sent (each state change sends one).
  int ActivateCount() const { return FActivateCount; }

 private:
  void SetActive(bool Value);
  int FNextId = 0;
  TWinControl* FControl;
  HWND FControlHandle;
  HWND FHandle = nullptr;
  bool FActive = false;
  int FActivateCount = 0;
};
