#include "controls/commands/mxmenubar.h"

#include <algorithm>
#include <cstdlib>

#include "controls/commands/mxstdcmds.h"

namespace {

// Whether any item below Menu, at any depth, is hidden.
bool HasHiddenItems(TMenuItem* Menu) {
  for (int i = 0; i < Menu->Count(); ++i) {
    auto* c = dynamic_cast<TMenuItemX*>(Menu->Items(i));
    if ((c && c->Hidden()) || HasHiddenItems(Menu->Items(i))) return true;
  }
  return false;
}

}  // namespace

TCustomMainMenuX::TCustomMainMenuX(TComponent* AOwner) : TMainMenu(AOwner) { FMenus.push_back(this); }

TCustomMainMenuX::~TCustomMainMenuX() = default;

void TCustomMainMenuX::SetImages(TCustomImageList* Value) {
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  MenuChanged();
}

void TCustomMainMenuX::Notification(TComponent* AComponent, TOperation Operation) {
  TMainMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    MenuChanged();
  }
}

void TCustomMainMenuX::Merge(TMainMenu* Menu) {
  if (!Menu || std::find(FMenus.begin(), FMenus.end(), Menu) != FMenus.end()) return;
  FMenus.push_back(Menu);
  MenuChanged();
}

void TCustomMainMenuX::Unmerge(TMainMenu* Menu) {
  if (Menu == this) return;
  FMenus.erase(std::remove(FMenus.begin(), FMenus.end(), Menu), FMenus.end());
  MenuChanged();
}

void TCustomMainMenuX::RebuildItemList() {
  FBarItems.clear();
  for (int group = 0; group <= 255; ++group) {
    for (auto m = FMenus.rbegin(); m != FMenus.rend(); ++m) {
      TMenuItem* root = (*m)->Items();
      bool any = false;
      for (int i = 0; i < root->Count(); ++i)
        if (root->Items(i)->GroupIndex() == group) {
          FBarItems.push_back(root->Items(i));
          any = true;
        }
      if (any) break;
    }
  }
}

int TCustomMainMenuX::GetBarItemCount() {
  if (FBarItems.empty()) RebuildItemList();
  return static_cast<int>(FBarItems.size());
}

TMenuItem* TCustomMainMenuX::GetBarItem(int Index) {
  if (Index < 0) return nullptr;
  if (FBarItems.empty()) RebuildItemList();
  if (Index >= static_cast<int>(FBarItems.size())) throw EMenuError("Menu index is out of bounds");
  return FBarItems[static_cast<size_t>(Index)];
}

void TCustomMainMenuX::MenuChanged() {
  TMainMenu::MenuChanged();
  FBarItems.clear();
  if (MenuBar && MenuBar->Menu() == this) MenuBar->MenuChangedNotice(3);
}

TCustomMenuBarX::TCustomMenuBarX(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = csClickEvents | csSetCaption | csOpaque | csDoubleClicks;
  SetBounds(0, 0, 50, 21);
  SetAlign(alTop);
  FParentFont = false;
  FBuffer = std::make_unique<TBitmap>();
  if (!MenuBar) MenuBar = this;
  FAutoShowTimer = new TTimer(this);
  FAutoShowTimer->SetEnabled(false);
  FAutoShowTimer->SetInterval(3000);
  FAutoShowTimer->OnTimer = [this](TObject*) {
    FAutoShowTimer->SetEnabled(false);
    if (TrackMode != 2 || FHotIndex < 0) return;
    POINT p;
    GetCursorPos(&p);
    p = ScreenToClient(p);
    if (ItemAt(p.x, p.y) == FHotIndex) DropDown(false, true);
  };
  FSystemItem = new TMenuItemX(this);
  FSystemItem->SetName("SystemItem");
  AddMenuControl(this);
}

TCustomMenuBarX::~TCustomMenuBarX() {
  RemoveMenuControl(this);
  if (FDropMenu && CurrentPopupMenu == FDropMenu) CloseAllMenus(false);
  if (FHooked) RemoveWindowHooks(), RemoveMessageHook();
  if (MenuBar == this) MenuBar = nullptr;
  if (FMenuFont) DeleteObject(FMenuFont);
}

void TCustomMenuBarX::Loaded() {
  TCustomControl::Loaded();
  if (!FMenu)
    if (auto* form = dynamic_cast<TCustomForm*>(Owner()); form && form->Menu()) SetMenu(form->Menu());
  if (auto* form = dynamic_cast<TCustomForm*>(Owner()); form && form->Menu() == FMenu) form->SetMenu(nullptr);
  if (!FDropMenu) FDropMenu = new TCustomPopupMenuX(this);
  if (!FHooked) {
    InstallWindowHooks();
    // The bar routes keys through the thread's message hook even with no menu open.
    InstallMessageHook();
    FHooked = true;
  }
  FDropOptions.Assign(&FOptions);
  FDropOptions.Alignment = T_MX_Alignment::taCenter;
  T_MX_Margins* m = FDropOptions.Margins();
  m->Left = m->Top = m->Right = m->Bottom = 0;
  CheckActiveChild();
  UpdateSize();
  BuildToolTips();
}

HWND TCustomMenuBarX::MaximizedChild() const {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form || !form->HandleAllocated()) return nullptr;
  HWND client = FindWindowExA(form->Handle(), nullptr, "MDICLIENT", nullptr);
  if (!client) return nullptr;
  BOOL maximized = FALSE;
  auto child = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
  return child && maximized && IsWindowVisible(child) ? child : nullptr;
}

bool TCustomMenuBarX::CheckActiveChild() {
  HWND child = MaximizedChild();
  if (child == FActiveChild) return false;
  FActiveChild = child;
  FPressedButton = 0;
  if (TrackMode != 0) {
    CloseAllMenus(false);
    ResetState();
  }
  return true;
}

int TCustomMenuBarX::ButtonSize() const { return GetSystemMetrics(SM_CYMENUSIZE) - 2; }

TRect TCustomMenuBarX::ButtonRect(int Button) {
  const int size = ButtonSize(), w = Width();
  TRect close = Rect(w - 2 - size, 3, w - 2, size + 1);
  if (Button == 3) return close;
  if (Button == 2) return Rect(close.left - 2 - size, 3, close.left - 2, size + 1);
  return Rect(close.left - 2 - 2 * size, 3, close.left - 2 - size, size + 1);
}

int TCustomMenuBarX::ButtonAt(int X, int Y) {
  if (!FActiveChild) return 0;
  const LONG style = GetWindowLongA(FActiveChild, GWL_STYLE);
  const bool boxes = style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  for (int b = 3; b >= 1; --b) {
    if (b < 3 && !boxes) break;
    TRect r = ButtonRect(b);
    if (X < r.left || X >= r.right || Y < r.top || Y >= r.bottom) continue;
    if (b == 2 && !(style & WS_MAXIMIZEBOX)) return 0;
    if (b == 1 && !(style & WS_MINIMIZEBOX)) return 0;
    return b;
  }
  return 0;
}

void TCustomMenuBarX::ChildCommand(WPARAM Command) {
  HWND child = FActiveChild;
  if (!child) return;
  SendMessageA(child, WM_SYSCOMMAND, Command, 0);
  if (CheckActiveChild()) UpdateSize();
  Invalidate();
}

void TCustomMenuBarX::BuildToolTips() {
  FToolTips.reset();
  if (!ShowHint || StatusBar || ComponentState() & csDesigning) return;
  FToolTips = std::make_unique<T_MX_ToolTipWindow>(this);
  auto items = BarItems();
  for (int i = 0; i < int(items.size()); ++i) {
    auto* x = dynamic_cast<TMenuItemX*>(items[size_t(i)]);
    const std::string hint = x ? x->Hint() : items[size_t(i)]->Hint();
    if (!hint.empty()) FToolTips->AddTool(ItemRect(i), hint);
  }
  FToolTips->Activate();
}

void TCustomMenuBarX::SetMenu(TMainMenu* Value) {
  FMenu = Value;
  if (Value) Value->FreeNotification(this);
  FHotIndex = -1;
  UpdateSize();
  Invalidate();
}

void TCustomMenuBarX::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FMenu) FMenu = nullptr;
  if (AComponent == FDropMenu) FDropMenu = nullptr;
}

std::vector<TMenuItem*> TCustomMenuBarX::BarItems() {
  std::vector<TMenuItem*> out;
  if (!FMenu) return out;
  if (FActiveChild) out.push_back(FSystemItem);
  if (auto* x = dynamic_cast<TCustomMainMenuX*>(FMenu)) {
    for (int i = 0; i < x->GetBarItemCount(); ++i)
      if (x->GetBarItem(i)->Visible()) out.push_back(x->GetBarItem(i));
  } else {
    for (int i = 0; i < FMenu->Items()->Count(); ++i)
      if (FMenu->Items()->Items(i)->Visible()) out.push_back(FMenu->Items()->Items(i));
  }
  return out;
}

void TCustomMenuBarX::EnsureFont() {
  if (SystemFont && !FMenuFont) FMenuFont = CreateMenuFont();
  TCanvas* c = FBuffer->Canvas();
  if (SystemFont) {
    LOGFONTA lf{};
    GetObjectA(FMenuFont, sizeof lf, &lf);
    c->Font()->SetHandle(CreateFontIndirectA(&lf));
  } else {
    c->Font()->Assign(Font());
  }
  if (FBuffer->Empty()) FBuffer->SetSize(1, 1);
}

int TCustomMenuBarX::GlyphWidth(TMenuItem* Item) {
  auto* x = dynamic_cast<TMenuItemX*>(Item);
  if (!x || x == FSystemItem) return 0;
  if (HBITMAP g = x->Glyph()) {
    BITMAP bm{};
    GetObjectA(g, sizeof bm, &bm);
    return bm.bmWidth + 4;
  }
  auto* mx = dynamic_cast<TCustomMainMenuX*>(FMenu);
  if (mx && mx->Images() && x->ImageIndex() >= 0) return mx->Images()->Width();
  return 0;
}

int TCustomMenuBarX::CaptionWidth(TMenuItem* Item) {
  // The system item's cell is the child's icon and 4 pixels of space.
  if (Item == FSystemItem) return ButtonSize() + 4 - 12;
  const int glyph = GlyphWidth(Item);
  return FBuffer->Canvas()->TextWidth(StripAccelerators(Item->Caption())) + (glyph ? glyph + 2 : 0);
}

void TCustomMenuBarX::UpdateSize() {
  EnsureFont();
  int width = 0, height = 0;
  for (TMenuItem* it : BarItems()) {
    width += CaptionWidth(it) + 12;
    height = std::max(height, FBuffer->Canvas()->TextHeight(StripAccelerators(it->Caption()) + "Hj") + 6);
  }
  if (FActiveChild) {
    const int size = ButtonSize();
    width += 7;  // the icon's cell (size + 4) is counted above; it takes size + 11
    const LONG style = GetWindowLongA(FActiveChild, GWL_STYLE);
    if (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) width += 2 * size + 2;
    if (style & WS_SYSMENU) width += size;
    height = std::max(height, size + 4);
  }
  if (width == 0) width = 50;
  if (height == 0) height = 10;
  FBuffer->SetSize(std::max(width, 1), height);
  EnsureFont();
  if (Height() < height) SetHeight(height);
}

TRect TCustomMenuBarX::ItemRect(int Index) {
  EnsureFont();
  auto items = BarItems();
  int x = 0;
  for (int i = 0; i < int(items.size()); ++i) {
    int w = CaptionWidth(items[size_t(i)]) + 12;
    if (i == Index) {
      int top = std::max(0, (Height() - FBuffer->Height()) / 2);
      return Rect(x, top, x + w, top + FBuffer->Height());
    }
    x += w;
  }
  return Rect(0, 0, 0, 0);
}

int TCustomMenuBarX::ItemAt(int X, int Y) {
  if (Y < 0 || Y >= Height()) return -1;
  auto items = BarItems();
  for (int i = 0; i < int(items.size()); ++i) {
    TRect r = ItemRect(i);
    if (X >= r.left && X < r.right) return i;
  }
  return -1;
}

void TCustomMenuBarX::SetHot(int Index, uint8_t Mode) {
  FHotIndex = Index;
  TrackMode = Mode;
  Repaint();
}

void TCustomMenuBarX::ResetState() {
  FHotIndex = -1;
  TrackMode = 0;
  FPressedAgain = false;
  FSelectFirstOnDrop = false;
  FAutoShowTimer->SetEnabled(false);
  if (FDropMenu) FDropMenu->ClearTrackFlags();
  if (HandleAllocated()) Repaint();
}

void TCustomMenuBarX::CloseMenusAndRestoreCaret() {
  CloseAllMenus(true);
  RestoreCaret();
}

void TCustomMenuBarX::DropDown(bool SelectFirst, bool ShowHidden) {
  TMenuItem* it = HotItem();
  if (!it || !FDropMenu) return;
  auto* x = dynamic_cast<TMenuItemX*>(it);
  TMenuItem* source = it;
  const bool system = it == FSystemItem;
  if (system) {
    if (!FActiveChild || !GetSystemMenu(FActiveChild, FALSE)) return;
    source = nullptr;
  } else {
    if (x && x->AttachMenu() && it->Count() == 0) source = x->AttachMenu()->Items();
    if (source->Count() == 0) return;
    if (it->OnClick) it->OnClick(it);
  }
  const int hot = FHotIndex;
  FDropMenu->Options()->Assign(&FOptions);
  if (ShowHidden) FDropMenu->Options()->Flags |= mfHiddenIsVisible;
  FDropMenu->SetStatusBar(StatusBar);
  FDropMenu->SetStatusBarIndex(StatusBarIndex);
  FDropMenu->SetShowHint(ShowHint);
  FDropMenu->SetSystemFont(SystemFont);
  FDropMenu->Font()->Assign(Font());
  FDropMenu->Ctl3D = Ctl3D;
  FDropMenu->OnMenuCommand = OnMenuCommand;
  FDropMenu->OnMenuClose = OnMenuClose;
  FDropMenu->OnCloseQuery = OnCloseQuery;
  if (auto* mx = dynamic_cast<TCustomMainMenuX*>(FMenu)) FDropMenu->SetImages(mx->Images());
  FDropMenu->SetPopupComponent(this);
  FDropMenu->ReplaceItem = source;
  if (system)
    FDropMenu->SetSystemMenu(GetSystemMenu(FActiveChild, FALSE), FActiveChild);
  else
    FDropMenu->SetSystemMenu(nullptr, nullptr);
  TRect r = ItemRect(hot);
  TPoint p = ClientToScreen(Point(r.left, r.bottom));
  FDropMenu->Popup(p.x, p.y);
  // Popup closed every menu first, which reset the bar.
  FHotIndex = hot;
  TrackMode = 2;
  if (SelectFirst || FSelectFirstOnDrop) {
    TPopupMenuXForm* f = FDropMenu->Form();
    f->ItemIndex = -1;
    f->SetItemIndex(0);
  }
  FSelectFirstOnDrop = false;
  if (!ShowHidden && !(FOptions.Flags & mfNoAutoShowHidden) && source && HasHiddenItems(source))
    FAutoShowTimer->SetEnabled(true);
  Repaint();
}

void TCustomMenuBarX::MouseMove(TShiftState Shift, int X, int Y) {
  (void)Shift;
  if (FToolTips) FToolTips->RelayMouseMove(Point(X, Y));
  if (!FMenu || !FActive) return;
  TPoint p = ClientToScreen(Point(X, Y));
  if (std::abs(p.x - FLastMouse.x) <= 2 && std::abs(p.y - FLastMouse.y) <= 2) return;
  FLastMouse = p;
  const int at = ItemAt(X, Y);
  if (TrackMode == 2) {
    if (at >= 0 && at != FHotIndex && IsMenuOpen()) {
      FHotIndex = at;
      DropDown(false, false);
    }
    return;
  }
  if (at >= 0 && at != FHotIndex)
    SetHot(at, 1);
  else if (at < 0 && TrackMode == 1)
    SetHot(-1, 0);
}

void TCustomMenuBarX::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft) {
    CloseAllMenus(true);
    return;
  }
  const int at = ItemAt(X, Y);
  auto items = BarItems();
  TMenuItem* hit = at >= 0 ? items[size_t(at)] : nullptr;
  if (Shift & ssDouble) {
    if (hit == FSystemItem) {
      CloseAllMenus(true);
      ChildCommand(SC_CLOSE);
      return;
    }
    if (hit && !(FOptions.Flags & mfNoAutoShowHidden) && HasHiddenItems(hit)) {
      FHotIndex = at;
      DropDown(false, true);
      return;
    }
  }
  if (const int button = ButtonAt(X, Y)) {
    CloseAllMenus(true);
    FPressedButton = static_cast<uint8_t>(button);
    Repaint();
    return;
  }
  if (at < 0) return;
  if (at == FHotIndex && TrackMode == 2 && IsMenuOpen()) {
    FPressedAgain = true;
    return;
  }
  FHotIndex = at;
  DropDown(false, false);
}

void TCustomMenuBarX::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Button, (void)Shift;
  if (FPressedButton) {
    const int button = FPressedButton;
    FPressedButton = 0;
    Repaint();
    static const WPARAM Commands[4] = {0, SC_MINIMIZE, SC_RESTORE, SC_CLOSE};
    if (ButtonAt(X, Y) == button) ChildCommand(Commands[button]);
    return;
  }
  if (FPressedAgain) {
    FPressedAgain = false;
    CloseAllMenus(true);
    SetHot(ItemAt(X, Y), 1);
  }
}

TMenuItem* TCustomMenuBarX::FindShortCut(TShortCut Value) {
  std::vector<TMenu*> menus;
  if (auto* x = dynamic_cast<TCustomMainMenuX*>(FMenu))
    menus = x->Menus();
  else if (FMenu)
    menus.push_back(FMenu);
  const std::string text = ShortCutToText(Value);
  std::function<TMenuItem*(TMenuItem*)> find = [&](TMenuItem* m) -> TMenuItem* {
    for (int i = 0; i < m->Count(); ++i) {
      TMenuItem* c = m->Items(i);
      if (c->Count() > 0) {
        if (TMenuItem* f = find(c)) return f;
        continue;
      }
      auto* x = dynamic_cast<TMenuItemX*>(c);
      if (c->ShortCut() == Value || (x && ShortCutListHolds(x->ShortCutText(), text))) return c;
    }
    return nullptr;
  };
  for (TMenu* m : menus)
    if (TMenuItem* hit = find(m->Items())) return hit;
  return nullptr;
}

bool TCustomMenuBarX::ClickShortCut(TShortCut Value) {
  TMenuItem* hit = FindShortCut(Value);
  if (!hit) return false;
  for (TMenuItem* p = hit; p && p->Parent(); p = p->Parent())
    if (!p->Enabled() || !p->Visible()) return false;
  CloseAllMenus(true);
  hit->Click();
  return true;
}

bool TCustomMenuBarX::HandleKey(UINT Msg, WPARAM Key, LPARAM LParam) {
  (void)LParam;
  if (!FMenu) return false;
  auto items = BarItems();
  const int n = static_cast<int>(items.size());
  if (Msg == WM_SYSKEYUP || (Msg == WM_KEYUP && (Key == VK_MENU || Key == VK_F10))) {
    const bool ignore = FIgnoreRelease;
    FIgnoreRelease = false;
    if (Key != VK_MENU && Key != VK_F10) return false;
    if (ignore || Msg == WM_KEYUP) return Msg == WM_SYSKEYUP;
    if (TrackMode == 0 && n > 0) {
      HideCaretCounted();
      FSelectFirstOnDrop = true;
      SetHot(0, 2);
    } else if (TrackMode != 0) {
      CloseMenusAndRestoreCaret();
      ResetState();
    }
    return true;
  }
  if (Msg == WM_SYSKEYDOWN) {
    if (TrackMode == 2) {
      FIgnoreRelease = true;
      CloseMenusAndRestoreCaret();
      ResetState();
      return true;
    }
    if (Key == VK_MENU || Key == VK_F10) return false;
    if (Key == VK_SUBTRACT && FActiveChild) {
      FIgnoreRelease = true;
      FHotIndex = 0;
      TrackMode = 2;
      DropDown(true, false);
      return true;
    }
    const char want = static_cast<char>(MapVirtualKeyA(static_cast<UINT>(Key), 2) & 0xFF);
    if (want) {
      const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(want)));
      for (int i = 0; i < n; ++i) {
        if (CaptionAccelerator(items[size_t(i)]->Caption()) != up) continue;
        FIgnoreRelease = true;
        FHotIndex = i;
        TrackMode = 2;
        DropDown(true, false);
        return true;
      }
    }
  }
  if (Msg != WM_KEYDOWN && Msg != WM_SYSKEYDOWN) return false;
  if (TrackMode == 2 && Msg == WM_KEYDOWN) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (Key) {
      case VK_LEFT:
      case VK_RIGHT:
      case VK_TAB: {
        if (n == 0) return true;
        const bool back = Key == VK_LEFT || (Key == VK_TAB && shift);
        const bool dropped = IsMenuOpen();
        const int next = ((FHotIndex < 0 ? 0 : FHotIndex) + (back ? n - 1 : 1)) % n;
        if (dropped) {
          FHotIndex = next;
          DropDown(true, false);
        } else {
          SetHot(next, 2);
        }
        return true;
      }
      case VK_RETURN:
      case VK_SPACE:
      case VK_DOWN:
        if (!IsMenuOpen()) DropDown(true, false);
        return true;
      case VK_ESCAPE:
        CloseMenusAndRestoreCaret();
        ResetState();
        return true;
      case VK_F1: {
        if (!Application || Application->HelpFile.empty()) break;
        TMenuItem* it = HotItem();
        if (it && it->HelpContext != 0) Application->HelpContext(it->HelpContext);
        return true;
      }
      default:
        break;
    }
  }
  const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0 || Msg == WM_SYSKEYDOWN;
  const bool fkey = Key >= VK_F1 && Key <= VK_F12;
  if (Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_MENU || !(ctrl || alt || fkey)) return false;
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (ctrl) shift |= ssCtrl;
  if (alt) shift |= ssAlt;
  const TShortCut sc = ::ShortCut(static_cast<WORD>(Key), shift);
  // The command runs after the hook that saw the key has returned.
  if (!HandleAllocated() || !FindShortCut(sc)) return false;
  PostMessageA(Handle(), WM_MX_CHOOSE, sc, 0);
  return true;
}

void TCustomMenuBarX::MenuChangedNotice(WPARAM What) {
  if (HandleAllocated()) PostMessageA(Handle(), WM_MX_MENUCHANGED, What, 0);
}

void TCustomMenuBarX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MX_CHOOSE:
      ClickShortCut(static_cast<TShortCut>(Message.WParam));
      return;
    case WM_MX_MENUCHANGED: {
      // Only the last of several pending notices acts, for all of them.
      if (Message.WParam <= 3) FPendingChanges |= 1u << Message.WParam;
      MSG pending;
      if (PeekMessageA(&pending, Handle(), WM_MX_MENUCHANGED, WM_MX_MENUCHANGED, PM_NOREMOVE)) return;
      const unsigned changes = FPendingChanges;
      FPendingChanges = 0;
      if (changes & 8)
        if (auto* x = dynamic_cast<TCustomMainMenuX*>(FMenu)) x->RebuildItemList();
      const bool childChanged = CheckActiveChild();
      const bool relayout = (changes & (2 | 8)) || childChanged;
      if (relayout) {
        UpdateSize();
        BuildToolTips();
      }
      Invalidate();
      return;
    }
    case WM_MX_ACTIVESTATE:
      FActive = Message.WParam != 0;
      Invalidate();
      return;
    case WM_MX_SELECTFIRST:
      FSelectFirstOnDrop = true;
      return;
    case WM_SETTINGCHANGE:
    case WM_FONTCHANGE:
      if (FMenuFont) DeleteObject(FMenuFont);
      FMenuFont = nullptr;
      UpdateSize();
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      if (TrackMode == 1) SetHot(-1, 0);
      break;
    case WM_WINDOWPOSCHANGED:
      // The caption buttons sit at the right edge, which moved.
      Invalidate();
      break;
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomMenuBarX::Paint() {
  EnsureFont();
  const int w = std::max(Width(), 1), h = std::max(Height(), 1);
  TBitmap buffer;
  buffer.SetSize(w, h);
  TCanvas* c = buffer.Canvas();
  c->Font()->Assign(FBuffer->Canvas()->Font());
  T_MX_Colors& col = *FDropOptions.Colors();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(col.Menu);
  c->FillRect(Rect(0, 0, w, h));
  auto items = BarItems();
  T_MX_MenuItemRect& r = MenuItemRect();
  T_MX_DrawInfo info;
  info.Canvas = c;
  info.Options = &FDropOptions;
  info.Alignment = T_MX_Alignment::taCenter;
  info.Rect = &r;
  info.WholeRepaint = true;
  if (auto* mx = dynamic_cast<TCustomMainMenuX*>(FMenu)) info.Images = mx->Images();
  T_MX_Colors saved;
  saved.Assign(&col);
  if (!FActive) col.MenuText = col.DisabledText;
  for (int i = 0; i < int(items.size()); ++i) {
    TMenuItem* it = items[size_t(i)];
    TRect cell = ItemRect(i);
    const bool hot = i == FHotIndex && TrackMode != 0;
    const int shift = hot && Ctl3D && TrackMode == 2 ? 1 : 0;
    r.Clear();
    r.ItemLeft = cell.left + shift;
    r.ItemRight = cell.right + shift;
    r.Top = cell.top + shift;
    r.Height = cell.bottom - cell.top;
    if (it == FSystemItem) {
      const int size = ButtonSize();
      DrawMenuIcon(FActiveChild, c, size, cell.top + (cell.bottom - cell.top - size) / 2, cell.left);
      continue;
    }
    const int glyph = GlyphWidth(it);
    r.GlyphLeft = r.ItemLeft + 1;
    r.GlyphWidth = glyph;
    r.CaptionLeft = r.ItemLeft + glyph;
    r.CaptionWidth = r.ItemRight - r.CaptionLeft;
    info.Item = it;
    info.State = it->Enabled() ? 0 : rsDisabled;
    if (hot && !Ctl3D) info.State |= rsSelected;
    DrawMenuItemX(info);
    if (hot && Ctl3D) DrawEdge(c->Handle(), &cell, TrackMode == 2 ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    if (hot && !Ctl3D) {
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(col.Border);
      c->FrameRect(cell);
    }
  }
  col.Assign(&saved);
  if (FActiveChild) PaintCaptionButtons(c);
  BitBlt(Canvas()->Handle(), 0, 0, w, h, c->Handle(), 0, 0, SRCCOPY);
}

void TCustomMenuBarX::PaintCaptionButtons(TCanvas* C) {
  const LONG style = GetWindowLongA(FActiveChild, GWL_STYLE);
  const int size = ButtonSize();
  HFONT marlett = CreateFontA(-(size - 4), 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett");
  HDC dc = C->Handle();
  HGDIOBJ old = SelectObject(dc, marlett);
  SetBkMode(dc, TRANSPARENT);
  const bool boxes = style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  static const char Glyphs[4] = {0, '0', '2', 'r'};
  for (int b = boxes ? 1 : 3; b <= 3; ++b) {
    RECT r = ButtonRect(b);
    const bool pressed = FPressedButton == b;
    const bool can = b == 3 || (b == 2 ? (style & WS_MAXIMIZEBOX) : (style & WS_MINIMIZEBOX));
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT | BF_SOFT | BF_MIDDLE);
    if (pressed) OffsetRect(&r, 1, 1);
    const char glyph[2] = {Glyphs[b], 0};
    if (!can) {
      // A command the child lacks is drawn embossed.
      RECT e = r;
      OffsetRect(&e, 1, 1);
      SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      DrawTextA(dc, glyph, 1, &e, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
      SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    } else {
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    }
    DrawTextA(dc, glyph, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  }
  SelectObject(dc, old);
  DeleteObject(marlett);
}
