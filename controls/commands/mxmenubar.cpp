#include "controls/commands/mxmenubar.h"

#include <algorithm>
#include <cstdlib>

#include "controls/commands/mxstdcmds.h"

TCustomMainMenuX::TCustomMainMenuX(TComponent* AOwner) : TMainMenu(AOwner) { FMenus.push_back(this); }

TCustomMainMenuX::~TCustomMainMenuX() = default;

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
  UpdateSize();
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

int TCustomMenuBarX::CaptionWidth(TMenuItem* Item) {
  int w = FBuffer->Canvas()->TextWidth(StripAccelerators(Item->Caption()));
  if (auto* x = dynamic_cast<TMenuItemX*>(Item)) {
    if (HBITMAP g = x->Glyph()) {
      BITMAP bm{};
      GetObjectA(g, sizeof bm, &bm);
      w += bm.bmWidth + 4 + 2;
    }
  }
  return w;
}

void TCustomMenuBarX::UpdateSize() {
  EnsureFont();
  int width = 0, height = 0;
  for (TMenuItem* it : BarItems()) {
    width += CaptionWidth(it) + 12;
    height = std::max(height, FBuffer->Canvas()->TextHeight(StripAccelerators(it->Caption()) + "Hj") + 6);
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
  if (x && x->AttachMenu() && it->Count() == 0) source = x->AttachMenu()->Items();
  if (source->Count() == 0) return;
  if (it->OnClick) it->OnClick(it);
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
  if (auto* mx = dynamic_cast<TCustomMainMenuX*>(FMenu)) FDropMenu->SetImages(mx->Images);
  FDropMenu->SetPopupComponent(this);
  FDropMenu->ReplaceItem = source;
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
  if (!ShowHidden && !(FOptions.Flags & mfNoAutoShowHidden)) {
    std::function<bool(TMenuItem*)> anyHidden = [&](TMenuItem* m) {
      for (int i = 0; i < m->Count(); ++i) {
        auto* c = dynamic_cast<TMenuItemX*>(m->Items(i));
        if ((c && c->Hidden()) || anyHidden(m->Items(i))) return true;
      }
      return false;
    };
    if (anyHidden(source)) FAutoShowTimer->SetEnabled(true);
  }
  Repaint();
}

void TCustomMenuBarX::MouseMove(TShiftState Shift, int X, int Y) {
  (void)Shift;
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
  (void)Shift;
  if (Button != mbLeft) {
    CloseAllMenus(true);
    return;
  }
  const int at = ItemAt(X, Y);
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
      MSG pending;
      if (PeekMessageA(&pending, Handle(), WM_MX_MENUCHANGED, WM_MX_MENUCHANGED, PM_NOREMOVE)) return;
      if (Message.WParam == 3)
        if (auto* x = dynamic_cast<TCustomMainMenuX*>(FMenu)) x->RebuildItemList();
      if (Message.WParam != 0) UpdateSize();
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
  if (auto* mx = dynamic_cast<TCustomMainMenuX*>(FMenu)) info.Images = mx->Images;
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
    int glyph = 0;
    if (auto* x = dynamic_cast<TMenuItemX*>(it); x && x->Glyph()) {
      BITMAP bm{};
      GetObjectA(x->Glyph(), sizeof bm, &bm);
      glyph = bm.bmWidth + 4;
    }
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
  BitBlt(Canvas()->Handle(), 0, 0, w, h, c->Handle(), 0, 0, SRCCOPY);
}
