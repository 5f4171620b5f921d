// Main and popup menus built from TMenuItem trees. Items get process-wide
// command ids; WM_COMMAND of a menu reaches the item's OnClick through any
// window of this layer.
#pragma once
#include <string>
#include <vector>

#include "framework/ui/controls.h"

using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(WORD Key, TShiftState Shift);
std::string ShortCutToText(TShortCut Value);  // "Ctrl+O", "F1", "Shift+Del"
TShortCut TextToShortCut(const std::string& Text);

class TMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  // "&File"; "-" makes a separator.
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  // Checking a radio item unchecks the others of its group in the same menu.
  uint8_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(uint8_t Value) { FGroupIndex = Value; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; }
  THelpContext HelpContext = 0;
  // Items drawn by DrawItem / MeasureItem of a descendant.
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  bool IsLine() const { return FCaption == "-"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const { return FItems[static_cast<size_t>(Index)]; }
  TMenuItem* operator[](int Index) const { return Items(Index); }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Delete(int Index);  // removes, does not free
  void Remove(TMenuItem* Item);
  void Clear();  // frees the children
  int IndexOf(const TMenuItem* Item) const;
  TMenuItem* Parent() const { return FParent; }
  TMenu* GetParentMenu() const;
  // A child by caption, ignoring '&' and case.
  TMenuItem* Find(const std::string& ACaption) const;

  UINT Command() const { return FCommand; }
  // The submenu of this item (items with children).
  HMENU Handle();

  virtual void Click();
  TNotifyEvent OnClick;

  // Owner-drawn items: return true when handled.
  virtual bool MeasureItem(MEASUREITEMSTRUCT& Measure);
  virtual bool DrawItem(DRAWITEMSTRUCT& Draw);

 protected:
  void Changed();

 private:
  friend class TMenu;
  friend class TPopupMenu;
  friend TMenuItem* FindMenuItemByHandle(HMENU Menu);
  void RebuildHandle();
  void FillMenuItemInfo(MENUITEMINFOW& Info, std::wstring& Text);
  std::string FCaption;
  bool FChecked = false, FEnabled = true, FVisible = true, FDefault = false, FRadioItem = false;
  bool FOwnerDraw = false;
  uint8_t FGroupIndex = 0;
  TShortCut FShortCut = 0;
  std::string FHint;
  int FImageIndex = -1;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;
  UINT FCommand = 0;
  HMENU FHandle = nullptr;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  TMenuItem* Items() const { return FItems; }
  HMENU Handle() { return FItems->Handle(); }
  // Finds an enabled, visible item with the shortcut and clicks it.
  bool IsShortCut(TShortCut Value);
  // Called when an item changes, to refresh the window that shows the menu.
  virtual void MenuChanged() {}

 protected:
  bool FIsMainMenu = false;

 private:
  friend class TMenuItem;
  TMenuItem* FItems;
};

class TCustomForm;

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  void MenuChanged() override;
  // The form that shows the menu (set by TCustomForm::SetMenu).
  TCustomForm* WindowForm() const { return FForm; }

 private:
  friend class TCustomForm;
  TCustomForm* FForm = nullptr;
};

enum TPopupAlignment : int { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  // Fires OnPopup, shows the menu at screen position X, Y and runs the
  // chosen item's OnClick before returning.
  virtual void Popup(int X, int Y);
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
  TNotifyEvent OnPopup;

 protected:
  virtual void DoPopup();

 private:
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
};

// Dispatch helpers used by the window procedures of this layer.
TMenuItem* FindMenuItemByCommand(UINT Command);
TMenuItem* FindMenuItemByHandle(HMENU Menu);
// WM_INITMENUPOPUP: fires OnClick of the item whose submenu opens.
void MenuInitPopup(HMENU Menu);
// WM_MEASUREITEM / WM_DRAWITEM of a menu item; true when an item handled it.
bool MenuOwnerDraw(TMessage& Message);
// Removes '&' markers ("&&" stays one '&').
std::string StripHotkey(const std::string& Text);
