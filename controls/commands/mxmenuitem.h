// Items of the owner-drawn menus: a menu item with a bitmap, a shortcut list
// as text, hints and shortcuts that fall back to the standard commands, a
// hidden state, an attached submenu, own options and an embedded control;
// and the drawing of one item row.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "controls/commands/mxoptions.h"
#include "framework/ui/menus.h"

class EMenuError : public Exception {
 public:
  using Exception::Exception;
};

// The popup menu type that items link to (and the base of the menu library's
// popup menu).
class T_MX_PopupMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
};

enum T_MX_ControlType : uint8_t { ctlNone, ctlButton, ctlButtonArray };

class T_MX_ButtonOptions;
class T_MX_ButtonArrayOptions;

class TMenuItemX : public TMenuItem {
 public:
  explicit TMenuItemX(TComponent* AOwner);
  ~TMenuItemX() override;

  T_MX_PopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(T_MX_PopupMenu* Value);
  T_MX_ControlType Control() const { return FControl; }
  void SetControl(T_MX_ControlType Value);
  T_MX_ControlOptions* ControlOptions() const { return FControlOptions.get(); }
  bool Hidden() const { return FHidden; }
  void SetHidden(bool Value) { FHidden = Value; }
  T_MX_PopupMenu* AttachMenu() const { return FAttachMenu; }
  void SetAttachMenu(T_MX_PopupMenu* Value);
  T_MX_MenuOptions* Options();
  void SetOptions(T_MX_MenuOptions* Value);
  // True when own options exist and differ from the defaults.
  bool HasOwnOptions() const { return FOptions && !FOptions->IsDefault(); }
  int DefaultIndex() const { return FDefaultIndex; }
  void SetDefaultIndex(int Value) { FDefaultIndex = Value; }
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value) { Bitmap()->Assign(Value); }

  // The shortcut list ("Ctrl+C;Ctrl+Ins"): the framework shortcut's text when
  // one is set, else the own text, else the standard command's.
  std::string ShortCutText() const;
  void SetShortCutText(const std::string& Value);
  std::string Hint() const;
  void SetHint(const std::string& Value);
  void SetCaption(const std::string& Value);
  void SetEnabled(bool Value);
  void SetVisible(bool Value);

  // The glyph: own bitmap, the DefaultIndex-th standard bitmap, or the
  // standard bitmap of the caption (nullptr when none).
  HBITMAP Glyph();
  bool HasBitmap();
  bool HasSubmenu() const { return Count() > 0 || FAttachMenu; }
  T_MX_ButtonArrayOptions* GetButtonArray();
  T_MX_ButtonOptions* GetButton();
  TMenuItem* ItemAt(int Index) const;
  void ReleaseGroupSiblings();
  int GetControlHeight(int Default) { return FControlOptions->GetHeight(Default); }
  // Makes the item visible for good (the user chose it).
  void Unhide() { FHidden = false; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void NotifyBar(WPARAM What);
  T_MX_PopupMenu* FPopupMenu = nullptr;
  T_MX_ControlType FControl = ctlNone;
  std::unique_ptr<T_MX_ControlOptions> FControlOptions;
  bool FHidden = false;
  T_MX_PopupMenu* FAttachMenu = nullptr;
  std::unique_ptr<T_MX_MenuOptions> FOptions;
  std::string FShortCutText;
  std::string FHintText;
  int FDefaultIndex = -1;
  std::unique_ptr<TBitmap> FBitmap;
};

TMenuItemX* NewMenuItemX(const std::string& Caption, TShortCut ShortCut, bool Checked, bool Enabled,
                         TNotifyEvent OnClick, int HelpContext, const std::string& Name);

// Row state bits of the draw record.
using T_MX_RowState = uint16_t;
constexpr T_MX_RowState rsChecked = 1 << 0, rsSelected = 1 << 1, rsDisabled = 1 << 2, rsRecessed = 1 << 3,
                        rsDefault = 1 << 4, rsRadio = 1 << 5, rsSubmenu = 1 << 6, rsRecessedAbove = 1 << 8,
                        rsRecessedBelow = 1 << 9, rsBackground = 1 << 11, rsTitleLeft = 1 << 12,
                        rsTitleRight = 1 << 13;

// What the drawing of one row needs. A system-menu row carries its text and
// bitmap here (Item is nullptr).
struct T_MX_DrawInfo {
  TCanvas* Canvas = nullptr;
  HMENU MenuHandle = nullptr;
  int Position = 0;
  TMenuItem* Item = nullptr;
  T_MX_Options* Options = nullptr;
  T_MX_RowState State = 0;
  TPoint Mouse{};
  T_MX_Alignment Alignment = T_MX_Alignment::taLeftJustify;
  T_MX_MenuItemRect* Rect = nullptr;
  bool WholeRepaint = false;
  TCustomImageList* Images = nullptr;
  bool LeftButtonDown = false;
  std::string SystemText;
  HBITMAP SystemBitmap = nullptr;
};

// Draws one row (item, separator or system item) into Info.Rect.
void DrawMenuItemX(T_MX_DrawInfo& Info);
// The caption text of a row and its shortcut text (after a tab when the
// item has none of its own).
void SplitCaption(TMenuItem* Item, const std::string& Caption, std::string& Text, std::string& ShortCut);
