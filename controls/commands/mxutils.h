// What every menu window and the menu bar share: the open menu, the menu
// controls, closing all menus, the thread hooks, hints, caret hiding, the
// menu font and glyph drawing.
#pragma once
#include <string>
#include <vector>

#include "framework/ui/controls.h"
#include "framework/ui/graphics.h"

class TCustomPopupMenuX;
class TCustomMenuBarX;
class TMenuItem;

// Private messages of the menu windows and the menu bar.
constexpr UINT WM_MX_CLOSING = WM_USER + 257;
constexpr UINT WM_MX_ANIMATE = WM_USER + 258;
constexpr UINT WM_MX_HIDECHAIN = WM_USER + 261;
constexpr UINT WM_MX_STOPTIMERS = WM_USER + 262;
constexpr UINT WM_MX_MENUCHANGED = WM_USER + 263;
constexpr UINT WM_MX_ACTIVESTATE = WM_USER + 264;
constexpr UINT WM_MX_SELECTFIRST = WM_USER + 274;
constexpr UINT WM_MX_PREPARE = WM_USER + 275;
// Chooses the current row once the hook that saw the key has returned.
constexpr UINT WM_MX_CHOOSE = WM_USER + 276;

extern TCustomPopupMenuX* CurrentPopupMenu;
extern TCustomMenuBarX* MenuBar;
extern bool UpdatesLocked;
std::vector<TControl*>& MenuControls();
void AddMenuControl(TControl* Control);
void RemoveMenuControl(TControl* Control);

bool IsMenuOpen();
// True while the mouse press being handled is the one that closed Menu, so
// that the control that opened it does not open it again at once.
bool ClosedByThisPress(TCustomPopupMenuX* Menu);
void CloseAllMenus(bool ResetMenuBar);
void SetMenuHintText(const std::string& Hint);
void ShowMenuItemHint(TMenuItem* Item);
void ProcessPaintMessages();
void ProcessMouseMoveMessages();
void HideCaretCounted();
void RestoreCaret();
// A font from the menu font of the non-client metrics (the stock font when
// they cannot be read); the caller deletes it.
HFONT CreateMenuFont();
void RefreshMenuControls();
void InstallMessageHook();
void RemoveMessageHook();
void InstallWindowHooks();
void RemoveWindowHooks();
int MessageHookCount();

HBITMAP CheckMarkBitmap();
HBITMAP RadioItemBitmap();

// Copies the pixels of Bitmap that differ from Transparent.
void DrawBitmapTransparent(TCanvas* Canvas, int X, int Y, HBITMAP Bitmap, COLORREF Transparent);
void DrawTransparentBitmap(TCanvas* Canvas, int X, int Y, HBITMAP Bitmap);
void DrawDisabledBitmap(TCanvas* Canvas, int X, int Y, HBITMAP Bitmap, TColor ShadowColor, TColor TextColor);
void DrawDisabledImage(TCanvas* Canvas, int X, int Y, TColor ShadowColor, TColor TextColor, int Index,
                       TCustomImageList* Images);
void FillDitheredRect(TCanvas* Canvas, const TRect& R);
// Draws Window's icon (else the application's, else the standard one) at
// Size x Size.
void DrawMenuIcon(HWND Window, TCanvas* Canvas, int Size, int Y, int X);
// Plays a system sound event asynchronously ("MenuPopup", "MenuCommand").
void PlayMenuSound(const char* Name);
