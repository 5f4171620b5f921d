#include "framework/ui/menus.h"

#include <algorithm>
#include <map>

#include "framework/ui/forms.h"

namespace {

std::map<UINT, TMenuItem*>& Commands() {
  static std::map<UINT, TMenuItem*> commands;
  return commands;
}

UINT NewCommand(TMenuItem* Item) {
  static UINT next = 0x100;
  auto& c = Commands();
  for (int tries = 0; tries < 0xE000; ++tries) {
    UINT id = next++;
    if (next > 0xEFFF) next = 0x100;
    if (c.find(id) == c.end()) {
      c[id] = Item;
      return id;
    }
  }
  throw Exception("Too many menu items");
}

struct TKeyName {
  WORD Key;
  const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"},
    {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

}  // namespace

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  TShortCut s = Key & 0xFF;
  if (Shift & ssShift) s |= scShift;
  if (Shift & ssCtrl) s |= scCtrl;
  if (Shift & ssAlt) s |= scAlt;
  return s;
}

std::string ShortCutToText(TShortCut Value) {
  WORD key = Value & 0xFF;
  std::string name;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
    name = std::string(1, static_cast<char>(key));
  } else if (key >= VK_F1 && key <= VK_F12) {
    name = "F" + IntToStr(key - VK_F1 + 1);
  } else {
    for (const auto& k : kKeyNames)
      if (k.Key == key) name = k.Name;
  }
  if (name.empty()) return std::string();
  std::string prefix;
  if (Value & scShift) prefix += "Shift+";
  if (Value & scCtrl) prefix += "Ctrl+";
  if (Value & scAlt) prefix += "Alt+";
  return prefix + name;
}

TShortCut TextToShortCut(const std::string& Text) {
  TShortCut mods = 0;
  std::string rest = Text;
  for (;;) {
    if (rest.size() > 6 && SameText(rest.substr(0, 6), "Shift+")) {
      mods |= scShift;
      rest = rest.substr(6);
    } else if (rest.size() > 5 && SameText(rest.substr(0, 5), "Ctrl+")) {
      mods |= scCtrl;
      rest = rest.substr(5);
    } else if (rest.size() > 4 && SameText(rest.substr(0, 4), "Alt+")) {
      mods |= scAlt;
      rest = rest.substr(4);
    } else {
      break;
    }
  }
  for (WORD k = 1; k < 256; ++k) {
    std::string n = ShortCutToText(k);
    if (!n.empty() && SameText(n, rest)) return static_cast<TShortCut>(k | mods);
  }
  return 0;
}

std::string StripHotkey(const std::string& Text) {
  std::string r;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '&') {
      if (i + 1 < Text.size() && Text[i + 1] == '&') {
        r += '&';
        ++i;
      }
      continue;
    }
    r += Text[i];
  }
  return r;
}

TMenuItem* FindMenuItemByCommand(UINT Command) {
  auto it = Commands().find(Command);
  return it == Commands().end() ? nullptr : it->second;
}

TMenuItem* FindMenuItemByHandle(HMENU Menu) {
  if (!Menu) return nullptr;
  for (auto& [id, item] : Commands())
    if (item->FHandle == Menu) return item;
  return nullptr;
}

void MenuInitPopup(HMENU Menu) {
  TMenuItem* item = FindMenuItemByHandle(Menu);
  if (item && item->Parent()) item->Click();
}

bool MenuOwnerDraw(TMessage& Message) {
  if (Message.Msg == WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
    if (m->CtlType != ODT_MENU) return false;
    TMenuItem* item = FindMenuItemByCommand(m->itemID);
    if (!item || !item->MeasureItem(*m)) return false;
    Message.Result = TRUE;
    return true;
  }
  if (Message.Msg == WM_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    if (d->CtlType != ODT_MENU) return false;
    TMenuItem* item = FindMenuItemByCommand(d->itemID);
    if (!item || !item->DrawItem(*d)) return false;
    Message.Result = TRUE;
    return true;
  }
  return false;
}

// ---- TMenuItem -----------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { FCommand = NewCommand(this); }

TMenuItem::~TMenuItem() {
  FComponentState |= csDestroying;
  while (!FItems.empty()) {
    TMenuItem* child = FItems.back();
    Remove(child);
    delete child;
  }
  if (FParent) FParent->Remove(this);
  Commands().erase(FCommand);
  if (FHandle) DestroyMenu(FHandle);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->FParent) i = i->FParent;
  return i->FMenu;
}

void TMenuItem::Changed() {
  if (FParent) {
    if (FParent->FHandle) FParent->RebuildHandle();
  }
  if (TMenu* m = GetParentMenu()) m->MenuChanged();
}

void TMenuItem::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Changed();
}

void TMenuItem::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (Value && FRadioItem && FParent)
    for (TMenuItem* sib : FParent->FItems)
      if (sib != this && sib->FRadioItem && sib->FGroupIndex == FGroupIndex) sib->FChecked = false;
  Changed();
}

void TMenuItem::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Changed();
}

void TMenuItem::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  Changed();
}

void TMenuItem::SetDefault(bool Value) {
  if (Value == FDefault) return;
  FDefault = Value;
  Changed();
}

void TMenuItem::SetRadioItem(bool Value) {
  if (Value == FRadioItem) return;
  FRadioItem = Value;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (Value == FShortCut) return;
  FShortCut = Value;
  Changed();
}

void TMenuItem::SetOwnerDraw(bool Value) {
  if (Value == FOwnerDraw) return;
  FOwnerDraw = Value;
  Changed();
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  if (Item->FParent) throw Exception("Menu item is already inserted");
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  if (FHandle) RebuildHandle();
  if (TMenu* m = GetParentMenu()) m->MenuChanged();
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError("Menu index out of range");
  TMenuItem* item = FItems[static_cast<size_t>(Index)];
  FItems.erase(FItems.begin() + Index);
  item->FParent = nullptr;
  if (FHandle) RebuildHandle();
  if (!(FComponentState & csDestroying))
    if (TMenu* m = GetParentMenu()) m->MenuChanged();
}

void TMenuItem::Remove(TMenuItem* Item) {
  int i = IndexOf(Item);
  if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) {
    TMenuItem* child = FItems.back();
    Remove(child);
    delete child;
  }
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const std::string& ACaption) const {
  std::string want = StripHotkey(ACaption);
  for (TMenuItem* i : FItems)
    if (SameText(StripHotkey(i->FCaption), want)) return i;
  return nullptr;
}

HMENU TMenuItem::Handle() {
  if (!FHandle) {
    bool bar = FMenu && FMenu->FIsMainMenu && !FParent;
    FHandle = bar ? CreateMenu() : CreatePopupMenu();
    RebuildHandle();
  }
  return FHandle;
}

void TMenuItem::FillMenuItemInfo(MENUITEMINFOW& Info, std::wstring& Text) {
  Info = MENUITEMINFOW{};
  Info.cbSize = sizeof Info;
  Info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_DATA;
  Info.wID = FCommand;
  Info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  if (IsLine()) {
    Info.fType = MFT_SEPARATOR;
    return;
  }
  Info.fMask |= MIIM_STRING;
  std::string caption = FCaption;
  if (FShortCut) caption += "\t" + ShortCutToText(FShortCut);
  Text = Widen(caption);
  Info.dwTypeData = Text.data();
  Info.cch = static_cast<UINT>(Text.size());
  Info.fType = (FRadioItem ? MFT_RADIOCHECK : 0) | (FOwnerDraw ? MFT_OWNERDRAW : 0);
  Info.fState = (FChecked ? MFS_CHECKED : 0) | (FEnabled ? 0 : MFS_GRAYED) | (FDefault ? MFS_DEFAULT : 0);
  if (!FItems.empty()) {
    Info.fMask |= MIIM_SUBMENU;
    Info.hSubMenu = Handle();
  }
}

void TMenuItem::RebuildHandle() {
  if (!FHandle) return;
  while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
  UINT pos = 0;
  for (TMenuItem* i : FItems) {
    if (!i->FVisible) continue;
    MENUITEMINFOW info;
    std::wstring text;
    i->FillMenuItemInfo(info, text);
    InsertMenuItemW(FHandle, pos++, TRUE, &info);
  }
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

bool TMenuItem::MeasureItem(MEASUREITEMSTRUCT&) { return false; }
bool TMenuItem::DrawItem(DRAWITEMSTRUCT&) { return false; }

// ---- menus ---------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) { FItems->FMenu = this; }

TMenu::~TMenu() {
  FComponentState |= csDestroying;
  delete FItems;
}

namespace {
TMenuItem* FindShortCut(TMenuItem* Item, TShortCut Value) {
  for (int i = 0; i < Item->Count(); ++i) {
    TMenuItem* c = Item->Items(i);
    if (!c->Visible() || !c->Enabled()) continue;
    if (c->ShortCut() == Value && c->Count() == 0) return c;
    if (TMenuItem* found = FindShortCut(c, Value)) return found;
  }
  return nullptr;
}
}  // namespace

bool TMenu::IsShortCut(TShortCut Value) {
  if (!Value) return false;
  TMenuItem* item = FindShortCut(FItems, Value);
  if (!item) return false;
  std::vector<TMenuItem*> chain;
  for (TMenuItem* p = item->Parent(); p && p->Parent(); p = p->Parent()) chain.insert(chain.begin(), p);
  for (TMenuItem* p : chain) p->Click();
  if (item->Enabled()) item->Click();
  return true;
}

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) { FIsMainMenu = true; }

TMainMenu::~TMainMenu() {
  if (FForm) FForm->SetMenu(nullptr);
}

void TMainMenu::MenuChanged() {
  if (FForm && FForm->HandleAllocated()) DrawMenuBar(FForm->Handle());
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::DoPopup() {
  if (OnPopup) OnPopup(this);
}

void TPopupMenu::Popup(int X, int Y) {
  DoPopup();
  HMENU menu = Handle();
  Items()->RebuildHandle();
  HWND owner = Application->Handle();
  if (auto* c = dynamic_cast<TControl*>(FPopupComponent))
    if (TCustomForm* f = GetParentForm(c); f && f->HandleAllocated()) owner = f->Handle();
  UINT align = FAlignment == paRight ? TPM_RIGHTALIGN : FAlignment == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
  SetForegroundWindow(owner);
  UINT cmd = static_cast<UINT>(TrackPopupMenu(menu, align | TPM_RIGHTBUTTON | TPM_RETURNCMD, X, Y, 0, owner, nullptr));
  PostMessageW(owner, WM_NULL, 0, 0);
  if (cmd)
    if (TMenuItem* item = FindMenuItemByCommand(cmd)) item->Click();
}
