// The menu bar: a form's main menu drawn as a bar of owner-drawn items whose
// menus drop as the library's popup windows; hot tracking, Alt and F10 modes,
// mnemonics and shortcuts. And the main menu that merges others into its bar.
#pragma once
#include <vector>

#include "controls/commands/mxpopup.h"
#include "framework/ui/menus.h"

class TStatusBar;

// A main menu whose bar shows, per group index, the top-level items of the
// last merged menu that has any.
class TCustomMainMenuX : public TMainMenu {
 public:
  explicit TCustomMainMenuX(TComponent* AOwner);
  ~TCustomMainMenuX() override;
  void Merge(TMainMenu* Menu);
  void Unmerge(TMainMenu* Menu);
  void RebuildItemList();
  TMenuItem* GetBarItem(int Index);
  int GetBarItemCount();
  const std::vector<TMenu*>& Menus() const { return FMenus; }
  // The bar's glyphs and its drops' images; dropped when the list goes.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  void MenuChanged() override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TCustomImageList* FImages = nullptr;
  std::vector<TMenu*> FMenus;
  std::vector<TMenuItem*> FBarItems;
};

class TCustomMenuBarX : public TCustomControl {
 public:
  explicit TCustomMenuBarX(TComponent* AOwner);
  ~TCustomMenuBarX() override;

  // Takes the owner form's main menu (when none is set) and detaches it from
  // the form; creates the drop menu and installs the hooks.
  void Loaded() override;
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* Value);
  T_MX_Options* Options() { return &FOptions; }
  TCustomPopupMenuX* DropMenu() const { return FDropMenu; }

  void ResetState();
  void SetKeyboardMode(bool Value) { FIgnoreRelease = Value; }
  void CloseMenusAndRestoreCaret();
  // A key the message hook routes here; true when handled.
  bool HandleKey(UINT Msg, WPARAM Key, LPARAM LParam);
  void DropDown(bool SelectFirst, bool ShowHidden);
  // Asks for a relayout (1), repaint (0), state check (2) or item rebuild (3).
  void MenuChangedNotice(WPARAM What);

  // The visible top-level items, in bar order; a maximised MDI child's
  // system item (SystemItem) comes first.
  std::vector<TMenuItem*> BarItems();
  TRect ItemRect(int Index);
  int ItemAt(int X, int Y);
  int HotIndex() const { return FHotIndex; }
  TMenuItem* HotItem() { return FHotIndex >= 0 && FHotIndex < int(BarItems().size()) ? BarItems()[size_t(FHotIndex)] : nullptr; }
  // 0 idle, 1 hot, 2 menu mode.
  uint8_t TrackMode = 0;
  bool SystemFont = true;
  bool Ctl3D = true;
  bool ShowHint = false;
  int StatusBarIndex = 0;
  TStatusBar* StatusBar = nullptr;
  TNotifyEvent OnMenuCommand, OnMenuClose;
  TCloseQueryEvent OnCloseQuery;

  // The maximised MDI child of the owner form's MDI client, or nullptr.
  HWND MaximizedChild() const;
  HWND ActiveChild() const { return FActiveChild; }
  TMenuItemX* SystemItem() const { return FSystemItem; }
  // Side of a caption button (the system's menu-button height - 2).
  int ButtonSize() const;
  // The caption button at X, Y of the maximised child: 1 minimise,
  // 2 restore, 3 close; 0 none (or one the child lacks).
  int ButtonAt(int X, int Y);
  TRect ButtonRect(int Button);
  uint8_t PressedButton() const { return FPressedButton; }
  // One tool per visible item with a hint, when ShowHint is set and there is
  // no status bar.
  T_MX_ToolTipWindow* ToolTips() const { return FToolTips.get(); }

 protected:
  void Paint() override;
  void Dispatch(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  int CaptionWidth(TMenuItem* Item);
  // The glyph column of a bar item: own bitmap width + 4, or the image
  // list's width; 0 without a glyph.
  int GlyphWidth(TMenuItem* Item);
  void UpdateSize();
  void SetHot(int Index, uint8_t Mode);
  void EnsureFont();
  // The item whose shortcut (or one of whose shortcut texts) is Value.
  TMenuItem* FindShortCut(TShortCut Value);
  bool ClickShortCut(TShortCut Value);
  // Follows the MDI child's maximised state; true when it changed.
  bool CheckActiveChild();
  void BuildToolTips();
  void ChildCommand(WPARAM Command);
  void PaintCaptionButtons(TCanvas* C);
  TMainMenu* FMenu = nullptr;
  TCustomPopupMenuX* FDropMenu = nullptr;
  T_MX_Options FOptions;
  T_MX_Options FDropOptions;
  std::unique_ptr<TBitmap> FBuffer;
  int FHotIndex = -1;
  bool FIgnoreRelease = false;
  bool FSelectFirstOnDrop = false;
  bool FActive = true;
  bool FPressedAgain = false;
  bool FHooked = false;
  TPoint FLastMouse{-10000, -10000};
  HFONT FMenuFont = nullptr;
  TTimer* FAutoShowTimer = nullptr;
  HWND FActiveChild = nullptr;
  TMenuItemX* FSystemItem = nullptr;
  uint8_t FPressedButton = 0;
  unsigned FPendingChanges = 0;
  std::unique_ptr<T_MX_ToolTipWindow> FToolTips;
};
