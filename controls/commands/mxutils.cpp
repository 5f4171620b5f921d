#include "controls/commands/mxutils.h"

#include <algorithm>
#include <mmsystem.h>

#include "controls/commands/mxbuttons.h"
#include "controls/commands/mxmenubar.h"
#include "controls/commands/mxmenuitem.h"
#include "controls/commands/mxpopup.h"
#include "controls/commands/core/mxtables.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"

TCustomPopupMenuX* CurrentPopupMenu = nullptr;
TCustomMenuBarX* MenuBar = nullptr;
bool UpdatesLocked = false;

namespace {
int CaretHideCount = 0;
HHOOK MessageHook = nullptr;
int MessageHookRefs = 0;
HHOOK CbtHook = nullptr, CallWndHook = nullptr;
int WindowHookRefs = 0;
HBITMAP DitherBitmap = nullptr;
// The menu that the last mouse press outside the menus closed, and the
// press's message time.
TCustomPopupMenuX* ClosingPressMenu = nullptr;
LONG ClosingPressTime = 0;

HBITMAP LoadProgramBitmap(const char* Name) {
  static HINSTANCE module = GetModuleHandleA(nullptr);
  return LoadBitmapA(module, Name);
}

bool IsMouseMessage(UINT M) {
  switch (M) {
    case WM_LBUTTONDOWN: case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

bool IsNonClientMouseMessage(UINT M) {
  switch (M) {
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP: case WM_NCMBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

// True when the window is, or lies inside, a menu window or a menu bar.
bool InsideMenuSystem(HWND Window) {
  for (HWND w = Window; w; w = GetParent(w)) {
    TWinControl* c = TWinControl::FindControl(w);
    if (auto* f = dynamic_cast<TPopupMenuXForm*>(c)) return f->BorderStyle() == bsNone;
    if (dynamic_cast<TCustomMenuBarX*>(c)) return true;
  }
  return false;
}

LRESULT CALLBACK MessageHookProc(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && WParam == PM_REMOVE) {
    MSG& m = *reinterpret_cast<MSG*>(LParam);
    HWND active = GetActiveWindow();
    const bool appActive = active != nullptr && !IsIconic(active);
    if (appActive && (IsMouseMessage(m.message) || IsNonClientMouseMessage(m.message))) {
      bool passes = false;
      if (IsMouseMessage(m.message)) {
        POINT p;
        GetCursorPos(&p);
        // Posted clicks (tests, automation) carry their own position.
        if (m.hwnd) {
          p = POINT{short(LOWORD(m.lParam)), short(HIWORD(m.lParam))};
          ClientToScreen(m.hwnd, &p);
        }
        HWND under = m.hwnd ? m.hwnd : WindowFromPoint(p);
        passes = InsideMenuSystem(under);
      } else {
        for (TControl* c : MenuControls()) {
          auto* w = dynamic_cast<TWinControl*>(c);
          if (w && w->HandleAllocated() &&
              SendMessageA(w->Handle(), WM_NCHITTEST, 0, m.lParam) != HTERROR &&
              w->Handle() == m.hwnd)
            passes = true;
        }
      }
      if (!passes && IsMenuOpen()) {
        TPopupMenuXForm* top = CurrentPopupMenu->Form();
        if (top && top->BorderStyle() == bsNone) {
          ClosingPressMenu = CurrentPopupMenu;
          ClosingPressTime = m.time;
          CloseAllMenus(true);
          if (MenuBar) MenuBar->ResetState();
          RestoreCaret();
        }
      }
    }
    if (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_SYSKEYDOWN ||
        m.message == WM_SYSKEYUP) {
      bool handled = false;
      if (IsMenuOpen()) {
        if (TPopupMenuXForm* deepest = CurrentPopupMenu->DeepestOpenForm())
          handled = deepest->HandleKey(m.message, m.wParam);
      }
      if (!handled && MenuBar && MenuBar->HandleAllocated()) {
        TCustomForm* form = MenuBar->GetParentForm();
        if (form && form->HandleAllocated() && form->Handle() == GetActiveWindow())
          handled = MenuBar->HandleKey(m.message, m.wParam, m.lParam);
      }
      if (handled) {
        m.message = WM_NULL;
        m.wParam = m.lParam = 0;
      }
    }
  }
  return CallNextHookEx(MessageHook, Code, WParam, LParam);
}

LRESULT CALLBACK CbtHookProc(int Code, WPARAM WParam, LPARAM LParam) {
  if ((Code == HCBT_MINMAX || Code == HCBT_SETFOCUS) && MenuBar && MenuBar->HandleAllocated())
    PostMessageA(MenuBar->Handle(), WM_MX_MENUCHANGED, 2, 0);
  return CallNextHookEx(CbtHook, Code, WParam, LParam);
}

LRESULT CALLBACK CallWndHookProc(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && MenuBar && MenuBar->HandleAllocated()) {
    const CWPSTRUCT& c = *reinterpret_cast<CWPSTRUCT*>(LParam);
    HWND bar = MenuBar->Handle(), parent = GetParent(bar);
    if ((c.message == WM_ACTIVATE || c.message == WM_ACTIVATEAPP) && (c.hwnd == bar || c.hwnd == parent)) {
      WPARAM on = c.message == WM_ACTIVATE ? (IsWindowEnabled(parent) ? 1 : 0) : (c.wParam ? 1 : 0);
      PostMessageA(bar, WM_MX_ACTIVESTATE, on, 0);
    }
  }
  return CallNextHookEx(CallWndHook, Code, WParam, LParam);
}

}  // namespace

std::vector<TControl*>& MenuControls() {
  static std::vector<TControl*> list;
  return list;
}

void AddMenuControl(TControl* Control) {
  auto& l = MenuControls();
  if (std::find(l.begin(), l.end(), Control) == l.end()) l.push_back(Control);
}

void RemoveMenuControl(TControl* Control) {
  auto& l = MenuControls();
  l.erase(std::remove(l.begin(), l.end(), Control), l.end());
}

bool ClosedByThisPress(TCustomPopupMenuX* Menu) {
  return Menu && Menu == ClosingPressMenu && GetMessageTime() == ClosingPressTime;
}

bool IsMenuOpen() { return CurrentPopupMenu && CurrentPopupMenu->IsShowing(); }

void CloseAllMenus(bool ResetMenuBar) {
  if (CurrentPopupMenu) {
    if (TPopupMenuXForm* top = CurrentPopupMenu->Form(); top && top->HandleAllocated()) {
      SetMenuHintText("");
      HWND w = top->Handle();
      SendMessageA(w, WM_MX_STOPTIMERS, 0, 0);
      SendMessageA(w, WM_MX_CLOSING, 0, 0);
      SendMessageA(w, WM_MX_HIDECHAIN, 0, 0);
    }
  }
  if (ResetMenuBar && MenuBar) MenuBar->ResetState();
  CurrentPopupMenu = nullptr;
}

void SetMenuHintText(const std::string& Hint) {
  if (!CurrentPopupMenu) return;
  TStatusBar* bar = CurrentPopupMenu->StatusBar();
  if (!bar) return;
  const std::string text = MenuHintText(Hint);
  if (bar->SimplePanel())
    bar->SetSimpleText(text);
  else if (CurrentPopupMenu->StatusBarIndex() >= 0 && CurrentPopupMenu->StatusBarIndex() < bar->Panels()->Count())
    bar->Panels()->Items(CurrentPopupMenu->StatusBarIndex())->SetText(text);
}

void ShowMenuItemHint(TMenuItem* Item) {
  std::string hint;
  if (auto* x = dynamic_cast<TMenuItemX*>(Item)) {
    hint = x->Hint();
    if (x->Control() == ctlButtonArray) {
      auto* a = x->GetButtonArray();
      if (a->HotIndex >= 0 && a->HotIndex < a->Hints()->Count()) hint = a->Hints()->Strings(a->HotIndex);
    }
  } else if (Item) {
    hint = Item->Hint();
  }
  if (CurrentPopupMenu && CurrentPopupMenu->StatusBar())
    SetMenuHintText(hint);
  else if (Application)
    Application->SetHint(hint);
}

namespace {
void ProcessMessagesOf(UINT Msg) {
  MSG m;
  while (PeekMessageA(&m, nullptr, Msg, Msg, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    DispatchMessageA(&m);
  }
}
}  // namespace

void ProcessPaintMessages() { ProcessMessagesOf(WM_PAINT); }
void ProcessMouseMoveMessages() { ProcessMessagesOf(WM_MOUSEMOVE); }

void HideCaretCounted() {
  if (HideCaret(GetFocus())) ++CaretHideCount;
}

void RestoreCaret() {
  for (; CaretHideCount > 0; --CaretHideCount) ShowCaret(GetFocus());
}

HFONT CreateMenuFont() {
  NONCLIENTMETRICSA m{};
  m.cbSize = sizeof m;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) return CreateFontIndirectA(&m.lfMenuFont);
  LOGFONTA lf{};
  GetObjectA(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
  return CreateFontIndirectA(&lf);
}

void RefreshMenuControls() {
  if (UpdatesLocked) return;
  for (TControl* c : MenuControls()) c->Repaint();
}

void InstallMessageHook() {
  if (MessageHookRefs++ == 0)
    MessageHook = SetWindowsHookExA(WH_GETMESSAGE, MessageHookProc, nullptr, GetCurrentThreadId());
}

void RemoveMessageHook() {
  if (MessageHookRefs == 0) return;
  if (--MessageHookRefs == 0 && MessageHook) {
    UnhookWindowsHookEx(MessageHook);
    MessageHook = nullptr;
  }
}

int MessageHookCount() { return MessageHook ? MessageHookRefs : 0; }

void InstallWindowHooks() {
  if (WindowHookRefs++ == 0) {
    CbtHook = SetWindowsHookExA(WH_CBT, CbtHookProc, nullptr, GetCurrentThreadId());
    CallWndHook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndHookProc, nullptr, GetCurrentThreadId());
  }
}

void RemoveWindowHooks() {
  if (WindowHookRefs == 0) return;
  if (--WindowHookRefs == 0) {
    if (CbtHook) UnhookWindowsHookEx(CbtHook);
    if (CallWndHook) UnhookWindowsHookEx(CallWndHook);
    CbtHook = CallWndHook = nullptr;
  }
}

HBITMAP CheckMarkBitmap() {
  static HBITMAP b = LoadProgramBitmap("MX_SYSTEMCHECKMARK");
  return b;
}

HBITMAP RadioItemBitmap() {
  static HBITMAP b = LoadProgramBitmap("MX_SYSTEMRADIOITEM");
  return b;
}

void DrawBitmapTransparent(TCanvas* Canvas, int X, int Y, HBITMAP Bitmap, COLORREF Transparent) {
  BITMAP bm{};
  if (!Bitmap || !GetObjectA(Bitmap, sizeof bm, &bm)) return;
  HDC dst = Canvas->Handle();
  HDC src = CreateCompatibleDC(dst), maskDC = CreateCompatibleDC(dst);
  HGDIOBJ oldSrc = SelectObject(src, Bitmap);
  HBITMAP mask = CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  // The mask is white where the picture has the transparent colour.
  SetBkColor(src, Transparent);
  BitBlt(maskDC, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
  COLORREF oldBk = SetBkColor(dst, RGB(255, 255, 255));
  COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
  BitBlt(dst, X, Y, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCINVERT);
  BitBlt(dst, X, Y, bm.bmWidth, bm.bmHeight, maskDC, 0, 0, SRCAND);
  BitBlt(dst, X, Y, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCINVERT);
  SetBkColor(dst, oldBk);
  SetTextColor(dst, oldText);
  SelectObject(maskDC, oldMask);
  SelectObject(src, oldSrc);
  DeleteObject(mask);
  DeleteDC(maskDC);
  DeleteDC(src);
}

void DrawTransparentBitmap(TCanvas* Canvas, int X, int Y, HBITMAP Bitmap) {
  BITMAP bm{};
  if (!Bitmap || !GetObjectA(Bitmap, sizeof bm, &bm)) return;
  HDC src = CreateCompatibleDC(Canvas->Handle());
  HGDIOBJ old = SelectObject(src, Bitmap);
  COLORREF t = GetPixel(src, 0, bm.bmHeight - 1);
  SelectObject(src, old);
  DeleteDC(src);
  DrawBitmapTransparent(Canvas, X, Y, Bitmap, t);
}

void DrawDisabledBitmap(TCanvas* Canvas, int X, int Y, HBITMAP Bitmap, TColor ShadowColor, TColor TextColor) {
  BITMAP bm{};
  if (!Bitmap || !GetObjectA(Bitmap, sizeof bm, &bm)) return;
  HDC dst = Canvas->Handle();
  HDC src = CreateCompatibleDC(dst);
  HGDIOBJ old = SelectObject(src, Bitmap);
  const COLORREF t = GetPixel(src, 0, bm.bmHeight - 1);
  const COLORREF shadow = ColorToRGB(ShadowColor), text = ColorToRGB(TextColor);
  std::vector<POINT> dark;
  for (int y = 0; y < bm.bmHeight; ++y)
    for (int x = 0; x < bm.bmWidth; ++x) {
      COLORREF c = GetPixel(src, x, y);
      if (c != t && GetRValue(c) < 133 && GetGValue(c) < 129 && GetBValue(c) < 133) dark.push_back(POINT{x, y});
    }
  for (const POINT& p : dark) SetPixel(dst, X + p.x + 1, Y + p.y + 1, shadow);
  for (const POINT& p : dark) SetPixel(dst, X + p.x, Y + p.y, text);
  SelectObject(src, old);
  DeleteDC(src);
}

void DrawDisabledImage(TCanvas* Canvas, int X, int Y, TColor ShadowColor, TColor TextColor, int Index,
                       TCustomImageList* Images) {
  if (!Images) return;
  const int w = Images->Width(), h = Images->Height();
  HDC dst = Canvas->Handle();
  HDC maskDC = CreateCompatibleDC(dst);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(maskDC, mask);
  PatBlt(maskDC, 0, 0, w, h, WHITENESS);
  ImageList_Draw(Images->Handle(), Index, maskDC, 0, 0, ILD_MASK);
  auto paint = [&](int DX, int DY, TColor Color) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(Color));
    HGDIOBJ ob = SelectObject(dst, brush);
    COLORREF bk = SetBkColor(dst, RGB(255, 255, 255)), tx = SetTextColor(dst, RGB(0, 0, 0));
    // Brush where the mask is black, destination where it is white.
    BitBlt(dst, X + DX, Y + DY, w, h, maskDC, 0, 0, 0x00E20746);
    SetBkColor(dst, bk);
    SetTextColor(dst, tx);
    SelectObject(dst, ob);
    DeleteObject(brush);
  };
  paint(1, 1, ShadowColor);
  paint(0, 0, TextColor);
  SelectObject(maskDC, old);
  DeleteObject(mask);
  DeleteDC(maskDC);
}

void DrawMenuIcon(HWND Window, TCanvas* Canvas, int Size, int Y, int X) {
  HICON icon = nullptr;
  if (Window) {
    icon = reinterpret_cast<HICON>(SendMessageA(Window, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrA(Window, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(Window, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrA(Window, GCLP_HICON));
  }
  if (!icon && Application) icon = Application->Icon()->Handle();
  if (!icon) icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
  DrawIconEx(Canvas->Handle(), X, Y, icon, Size, Size, 0, nullptr, DI_NORMAL);
}

void FillDitheredRect(TCanvas* Canvas, const TRect& R) {
  if (!DitherBitmap) {
    const COLORREF a = GetSysColor(COLOR_BTNHIGHLIGHT), b = GetSysColor(COLOR_BTNFACE);
    HDC screen = GetDC(nullptr);
    DitherBitmap = CreateCompatibleBitmap(screen, 8, 8);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, DitherBitmap);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) SetPixel(dc, x, y, ((x + y) & 1) ? a : b);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
  HBRUSH brush = CreatePatternBrush(DitherBitmap);
  FillRect(Canvas->Handle(), &R, brush);
  DeleteObject(brush);
}

void PlayMenuSound(const char* Name) { PlaySoundA(Name, nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP); }
