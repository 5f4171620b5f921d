#include "controls/commands/dropdownlist.h"

#include <algorithm>

#include "framework/ui/forms.h"

namespace {
const wchar_t* const ListClassName = L"TDropdownListWindow";
}

TDropdownList* DropdownList() {
  // Lives to the end of the program; its window goes with the last menu.
  static TDropdownList List(nullptr);
  return &List;
}

TDropdownList::TDropdownList(TComponent* AOwner) : TComponent(AOwner) {}

TDropdownList::~TDropdownList() {
  for (TPopupMenu* M : FMenus) M->RemoveFreeNotification(this);
  FMenus.clear();
  ReleaseWindow();
}

void TDropdownList::ReleaseWindow() {
  if (!FWindow) return;
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FWindow);
  FWindow = nullptr;
}

void TDropdownList::AddMenu(TPopupMenu* Menu) {
  if (!Menu || std::find(FMenus.begin(), FMenus.end(), Menu) != FMenus.end()) return;
  if (FMenus.empty() && !FWindow) {
    static const bool Registered = [] {
      WNDCLASSEXW WC{};
      WC.cbSize = sizeof WC;
      WC.lpfnWndProc = WndProc;
      WC.hInstance = ModuleInstance();
      WC.lpszClassName = ListClassName;
      return RegisterClassExW(&WC) != 0;
    }();
    (void)Registered;
    // A hidden pop-up, not a message-only window: the system sends a menu's
    // messages only to an ordinary window.
    FWindow = CreateWindowExW(WS_EX_TOOLWINDOW, ListClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              ModuleInstance(), nullptr);
    if (!FWindow) throw Exception("Cannot create the drop-down menu window");
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  Menu->FreeNotification(this);
  FMenus.push_back(Menu);
}

void TDropdownList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  auto It = std::find_if(FMenus.begin(), FMenus.end(),
                         [&](TPopupMenu* M) { return static_cast<TComponent*>(M) == AComponent; });
  if (It == FMenus.end()) return;
  FMenus.erase(It);
  if (FMenus.empty()) ReleaseWindow();
}

void TDropdownList::TrackMenu(TPopupMenu* Menu, int X, int Y, UINT Flags) {
  AddMenu(Menu);
  if (Menu->OnPopup) Menu->OnPopup(Menu);
  TrackPopupMenu(Menu->Handle(), Flags, X, Y, 0, FWindow, nullptr);
}

TPopupMenu* TDropdownList::ListedMenuOf(TMenuItem* Item) const {
  if (!Item) return nullptr;
  TMenu* M = Item->GetParentMenu();
  for (TPopupMenu* P : FMenus)
    if (static_cast<TMenu*>(P) == M) return P;
  return nullptr;
}

bool TDropdownList::Handle(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_HELP: {
      const auto* Info = reinterpret_cast<const HELPINFO*>(LParam);
      if (!Info || Info->iContextType != HELPINFO_MENUITEM) return false;
      auto* Menu = static_cast<HMENU>(Info->hItemHandle);
      TMenuItem* I = FindMenuItemByCommand(static_cast<UINT>(Info->iCtrlId));
      if (!ListedMenuOf(I)) I = FindMenuItemByHandle(Menu);
      if (!ListedMenuOf(I)) return false;
      TCustomForm* Main = Application ? Application->MainForm() : nullptr;
      // Context 0 names no topic.
      if (Main && I->HelpContext != 0) {
        if (Main->BorderIcons() & biHelp)
          Application->HelpCommand(HELP_CONTEXTPOPUP, static_cast<LPARAM>(I->HelpContext));
        else
          Application->HelpContext(I->HelpContext);
      }
      return true;
    }
    case WM_COMMAND:
      if (TMenuItem* I = FindMenuItemByCommand(LOWORD(WParam)); ListedMenuOf(I)) {
        I->Click();
        return true;
      }
      return false;
    case WM_INITMENUPOPUP:
      if (TMenuItem* I = FindMenuItemByHandle(reinterpret_cast<HMENU>(WParam)); ListedMenuOf(I) && I->Parent()) {
        I->Click();
        return true;
      }
      return false;
    case WM_MENUSELECT: {
      TMenuItem* I = nullptr;
      HMENU Menu = reinterpret_cast<HMENU>(LParam);
      if (HIWORD(WParam) & MF_POPUP)
        I = FindMenuItemByHandle(GetSubMenu(Menu, LOWORD(WParam)));
      else if (Menu)
        I = FindMenuItemByCommand(LOWORD(WParam));
      if (Application) Application->SetHint(ListedMenuOf(I) ? I->Hint() : std::string());
      return true;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK TDropdownList::WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* Self = reinterpret_cast<TDropdownList*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
  if (Self) {
    if (Msg == WM_MEASUREITEM || Msg == WM_DRAWITEM) {
      TMessage M{Msg, WParam, LParam, 0};
      if (MenuOwnerDraw(M)) return M.Result;
    }
    try {
      if (Self->Handle(Msg, WParam, LParam)) return 0;
    } catch (...) {
      if (Application) Application->HandleException(Self);
      return 0;
    }
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}
