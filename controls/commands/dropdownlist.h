// TDropdownList: the hidden window that owns every drop-down menu a toolbar
// button shows, and hands the menus' messages (commands, pop-ups, selection
// hints) back to the menu they belong to.
#pragma once
#include <vector>

#include "framework/ui/menus.h"

class TDropdownList : public TComponent {
 public:
  explicit TDropdownList(TComponent* AOwner);
  ~TDropdownList() override;
  // Lists Menu once; the window is made with the first menu.
  void AddMenu(TPopupMenu* Menu);
  const std::vector<TPopupMenu*>& Menus() const { return FMenus; }
  // The owner window of the menus; nullptr while no menu is listed.
  HWND Window() const { return FWindow; }
  // Shows Menu at the screen point with this list's window as its owner;
  // the chosen command comes back as WM_COMMAND.
  void TrackMenu(TPopupMenu* Menu, int X, int Y, UINT Flags);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  static LRESULT CALLBACK WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  bool Handle(UINT Msg, WPARAM WParam, LPARAM LParam);
  TPopupMenu* ListedMenuOf(TMenuItem* Item) const;
  void ReleaseWindow();
  std::vector<TPopupMenu*> FMenus;
  HWND FWindow = nullptr;
};

// The process's one list, made on first use.
TDropdownList* DropdownList();
