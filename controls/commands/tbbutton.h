// TToolbarButtonX: the flat, hot-tracking button of the toolbars and
// dialogs: groups of which one stays down, a repeating click while held, a
// drop-down menu from the whole button or an arrow part, images from a glyph
// strip or an image list.
#pragma once
#include <memory>

#include "controls/commands/glyphs.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/menus.h"

enum TButtonDisplayMode : int { dmBoth, dmGlyphOnly, dmTextOnly };
enum TButtonLayout : int { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
using TButtonDropdownEvent = std::function<void(TObject* Sender, bool& ShowMenu, bool& RemoveClicks)>;

// How often a hot button checks that the mouse is still over it (tests
// shorten it).
extern unsigned ToolbarHotTrackInterval;

class TToolbarButtonX : public TGraphicControl {
 public:
  explicit TToolbarButtonX(TComponent* AOwner);
  ~TToolbarButtonX() override;

  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value);
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool Opaque() const { return FOpaque; }
  void SetOpaque(bool Value);
  bool NoBorder() const { return FNoBorder; }
  void SetNoBorder(bool Value);
  TButtonDisplayMode DisplayMode() const { return FDisplayMode; }
  void SetDisplayMode(TButtonDisplayMode Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  int Margin() const { return FMargin; }
  void SetMargin(int Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  int NumGlyphs() const { return FGlyph->NumGlyphs(); }
  void SetNumGlyphs(int Value);
  TBitmap* Glyph() { return FGlyph->Glyph(); }
  void SetGlyph(TBitmap* Value);
  TBitmap* GlyphMask() { return FGlyph->GlyphMask(); }
  void SetGlyphMask(TBitmap* Value);
  TCustomImageList* Images() const { return FGlyph->Images(); }
  void SetImages(TCustomImageList* Value);
  int ImageIndex() const { return FGlyph->ImageIndex(); }
  void SetImageIndex(int Value);
  bool OldDisabledStyle() const { return FGlyph->OldDisabledStyle(); }
  void SetOldDisabledStyle(bool Value);
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* Value);
  bool DropdownAlways() const { return FDropdownAlways; }
  void SetDropdownAlways(bool Value);
  bool DropdownArrow() const { return FDropdownArrow; }
  void SetDropdownArrow(bool Value);
  int DropdownArrowWidth() const { return FDropdownArrowWidth; }
  void SetDropdownArrowWidth(int Value);
  bool DropdownCombo() const { return FDropdownCombo; }
  void SetDropdownCombo(bool Value);
  bool Repeating = false;
  int RepeatDelay = 400;
  int RepeatInterval = 100;
  bool ShowBorderWhenInactive = false;
  bool Default = false;
  bool Cancel = false;
  int ModalResult = 0;
  bool WordWrap = false;
  std::string Version() const { return ToolbarXVersion; }
  void SetVersion(const std::string&) {}

  TButtonStateX State() const { return FState; }
  bool MouseInControl() const { return FMouseInControl; }
  static TToolbarButtonX* HotButton();
  void Click() override;
  HPALETTE GetPalette() override { return Glyph()->Palette(); }
  // The glyph of the first state is prepared before the first paint.
  void Loaded() override;
  void Redraw(bool Erase);

  TButtonDropdownEvent OnDropdown;
  TNotifyEvent OnMouseExit;  // OnMouseEnter is the framework's

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter() override {}
  void MouseLeave() override {}
  void Dispatch(TMessage& Message) override;
  // Whether its mnemonic or Enter/Escape in its form may press it.
  bool PressableByKey();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void EnabledChanged() override;

 private:
  friend struct TButtonHot;
  friend class TCustomLinkEditX;
  bool UsesDropdown() const { return FDropdownMenu || FDropdownAlways; }
  bool PointInButton(int X, int Y);
  void UpdateExclusive();
  void MouseEntered();
  void MouseLeft();
  void UpdateTracking();
  void RemoveClicks();
  void RepeatTimerHandler();
  bool CursorOverMe();
  static void ButtonHookProc(THookProcCode Code, void* Wnd, uintptr_t WParam, intptr_t LParam);
  std::unique_ptr<TButtonGlyph> FGlyph;
  bool FInClick = false;
  bool FMouseInControl = false;
  bool FMouseIsDown = false;
  bool FMenuIsDown = false;
  std::unique_ptr<TTimer> FRepeatTimer;
  TButtonStateX FState = bsUp;
  bool FAllowAllUp = false;
  int FGroupIndex = 0;
  bool FDown = false;
  bool FFlat = true;
  bool FOpaque = true;
  bool FNoBorder = false;
  TButtonDisplayMode FDisplayMode = dmBoth;
  TButtonLayout FLayout = blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
  TPopupMenu* FDropdownMenu = nullptr;
  bool FDropdownAlways = false;
  bool FDropdownArrow = true;
  int FDropdownArrowWidth = 9;
  bool FDropdownCombo = false;
};
