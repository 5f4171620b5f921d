// The owner-drawn popup menu and its window: layout, drawing, opening
// animation, mouse and keyboard tracking, submenus and closing.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/commands/mxmenuitem.h"
#include "controls/commands/mxutils.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"

class TCustomPopupMenuX;
class TStatusBar;

// Window state bits.
using T_MX_FormState = uint16_t;
constexpr T_MX_FormState fsSelChanged = 1 << 0, fsMouseInside = 1 << 1, fsWholeRepaint = 1 << 2,
                         fsUpwards = 1 << 3, fsLeftwards = 1 << 4, fsKeyboard = 1 << 5, fsAnimating = 1 << 8,
                         fsClosing = 1 << 9, fsRightChild = 1 << 10, fsCtl3D = 1 << 11, fsShowHidden = 1 << 12,
                         fsHasHidden = 1 << 13;

class TPopupMenuXForm : public TCustomForm {
 public:
  explicit TPopupMenuXForm(TComponent* AOwner);
  ~TPopupMenuXForm() override;

  struct TRow {
    int Top, Height;
    TMenuItem* Item;  // nullptr for a system-menu row
    int Position;     // position in the system menu
  };

  virtual int ContentHeight();
  virtual int ContentWidth();
  virtual bool ShowMenu();
  void MeasureItems();
  TRect GetItemRect(int Index) const;
  int GetRowHeight(int Index) const;
  int ItemHeightOf(TMenuItem* Item);
  int HitTest(int X, int Y);
  void SetItemIndex(int NewIndex);
  void OpenSubmenu(bool SelectFirst);
  void HideMenu();
  // Hides the open submenu (released on the next opening or with this window).
  void CloseChild();
  // A key the message hook routes here; true when handled.
  bool HandleKey(UINT Msg, WPARAM Key);
  // What a left-button release on the current row does.
  void ChooseCurrent(bool FromKeyboard);
  int RowCount() const { return static_cast<int>(Rows.size()); }
  const TRow& Row(int Index) const { return Rows.at(static_cast<size_t>(Index)); }
  // The item of a row; raises "Menu item not found." for a system row.
  TMenuItem* RowItem(int Index) const;
  bool Animating() const { return State & fsAnimating; }
  // Timer intervals (250 ms and 2000 ms); tests may shorten them.
  static unsigned SubmenuDelay, ExpandDelay;

  std::unique_ptr<TBitmap> Buffer, BackBuffer;
  int ItemIndex = -1, PrevItemIndex = -1;
  int CaptionWidth = 0, ShortCutWidth = 0, RowHeight = 0;
  int HStep = 3, VStep = 3;
  int ParentItemIndex = -1;
  int HiddenCount = 0;
  T_MX_Animation Animation = anVSlide;
  TCustomPopupMenuX* PopupMenu = nullptr;
  TPopupMenuXForm* ChildForm() const { return FChild.get(); }
  TPopupMenuXForm* ParentForm = nullptr;
  TTimer* SubmenuTimer = nullptr;
  TTimer* ExpandTimer = nullptr;
  HMENU MenuHandle = nullptr;
  std::unique_ptr<T_MX_Options> Options;
  uint8_t MouseButtons = 0;
  int AnimLeft = 0, AnimTop = 0, AnimWidth = 0, AnimHeight = 0, FullWidth = 0, FullHeight = 0;
  DWORD StepTick = 0;
  T_MX_FormState State = 0;
  std::unique_ptr<T_MX_ToolTipWindow> ToolTips;
  int ItemLeft = 0, ItemWidth = 0;
  std::vector<TRow> Rows;
  TMenuItem* CurrentItem = nullptr;
  TMenuItem* Item = nullptr;
  // The window that gets the commands of a system menu.
  HWND MenuOwner = nullptr;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;

 private:
  void Prepare();
  void AnimationStep(DWORD Posted, int Delay);
  void FinishAnimation();
  void SubmenuTimerFired();
  void ExpandTimerFired();
  void ShowHiddenItems();
  void BuildToolTips();
  void PaintRows();
  int Border() const { return (State & fsCtl3D) ? 3 : 2; }
  bool IsSelectable(int Index) const;
  bool ShowsSource(TMenuItem* Source) const;
  // Asks OnCloseQuery; a refusal keeps the menu as it was.
  bool MayClose();
  void ChooseSystemRow(int Index);
  void ChooseItem(TMenuItem* It);
  void ApplyFont(HFONT Font);
  std::unique_ptr<TPopupMenuXForm> FChild;
  std::unique_ptr<TPopupMenuXForm> FDeadChild;
  HFONT FMenuFont = nullptr;
  TPoint FMouse{};
};

class TCustomPopupMenuX : public T_MX_PopupMenu {
 public:
  explicit TCustomPopupMenuX(TComponent* AOwner);
  ~TCustomPopupMenuX() override;

  void Popup(int X, int Y) override;
  virtual void GetMenuSource(TMenuItem*& AItem, HMENU& Handle);
  virtual void AddEmptyItem();
  bool IsShowing();
  TPopupMenuXForm* DeepestOpenForm();
  void SelectFirst(bool Select);
  void ClearTrackFlags();
  TPopupMenuXForm* Form() const { return FForm.get(); }

  int StatusBarIndex() const { return FStatusBarIndex; }
  void SetStatusBarIndex(int Value) { FStatusBarIndex = Value; }
  TStatusBar* StatusBar() const { return FStatusBar; }
  void SetStatusBar(TStatusBar* Value);
  TFont* Font() { return &FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  bool SystemFont() const { return FSystemFont; }
  void SetSystemFont(bool Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value) {
    FShowHint = Value;
    FParentShowHint = false;
  }
  T_MX_Options* Options() { return &FOptions; }
  bool Ctl3D = true;
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  // Shows this item's children instead of the root's.
  TMenuItem* ReplaceItem = nullptr;
  // Shows a system menu (a window's GetSystemMenu) whose commands go to
  // Owner as WM_SYSCOMMAND.
  void SetSystemMenu(HMENU Menu, HWND Owner) {
    FReplaceHandle = Menu;
    FMenuOwner = Owner;
  }

  TNotifyEvent OnMenuCommand;
  TNotifyEvent OnMenuClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TPopupMenuXForm;
  friend class TCustomMenuBarX;
  int FStatusBarIndex = 0;
  TStatusBar* FStatusBar = nullptr;
  TFont FFont;
  bool FParentFont = false, FSystemFont = true, FParentShowHint = true, FShowHint = false;
  T_MX_Options FOptions;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TPopupMenuXForm> FForm;
  HMENU FReplaceHandle = nullptr;
  HWND FMenuOwner = nullptr;
};

class TPopupMenuX : public TCustomPopupMenuX {
 public:
  using TCustomPopupMenuX::TCustomPopupMenuX;
};
