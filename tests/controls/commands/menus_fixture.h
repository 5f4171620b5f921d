// Set-up shared by the menu library tests: a shown, active form, and helpers
// that post mouse and key messages the way the system delivers them.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "controls/commands/mxmenubar.h"
#include "controls/commands/mxpopup.h"
#include "framework/ui/forms.h"
#include "framework/ui/testdriver.h"

// A new item under Parent, counting its clicks in Clicks when given.
inline TMenuItemX* AddItem(TMenuItem* Parent, const std::string& Caption, int* Clicks = nullptr) {
  auto* it = new TMenuItemX(Parent->GetParentMenu());
  it->SetCaption(Caption);
  if (Clicks) it->OnClick = [Clicks](TObject*) { ++*Clicks; };
  Parent->Add(it);
  return it;
}

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable())
      GTEST_SKIP() << "no display: CreateWindowEx fails (run the tests under xvfb-run)";
    FForm = std::make_unique<TForm>(nullptr, "TMenuTestForm");
    FForm->SetBounds(40, 40, 520, 380);
    FForm->SetCaption("Menus");
    FForm->Show();
    Activate();
  }
  void TearDown() override {
    CloseAllMenus(true);
    FForm.reset();
    if (Application) Application->ProcessMessages();
  }
  void Activate() {
    SetForegroundWindow(FForm->Handle());
    SetActiveWindow(FForm->Handle());
    ::SetFocus(FForm->Handle());
    Pump();
  }
  static void Pump() { Application->ProcessMessages(); }
  static bool WaitFor(const std::function<bool()>& Done, unsigned Ms = 3000) { return UiDriver::WaitFor(Done, Ms); }
  // A mouse message at a client point of Window.
  static void PostMouse(TWinControl* Window, UINT Msg, int X, int Y, WPARAM Keys = 0) {
    PostMessageA(Window->Handle(), Msg, Keys, MAKELPARAM(X, Y));
    Pump();
  }
  // Moves the mouse to the middle of a row of a menu window.
  static void MoveToRow(TPopupMenuXForm* W, int Row, int DY = 0) {
    TRect r = W->GetItemRect(Row);
    PostMouse(W, WM_MOUSEMOVE, (r.left + r.right) / 2, (r.top + r.bottom) / 2 + DY);
  }
  void Key(WORD VKey, UINT Msg = WM_KEYDOWN) {
    PostMessageA(FForm->Handle(), Msg, VKey, Msg == WM_SYSKEYDOWN || Msg == WM_SYSKEYUP ? (1 << 29) | 1 : 1);
    Pump();
  }
  // Opens Menu at a fixed place and waits until the window is fully shown.
  static TPopupMenuXForm* Show(TCustomPopupMenuX* Menu, int X = 100, int Y = 100) {
    Menu->Popup(X, Y);
    TPopupMenuXForm* w = Menu->Form();
    WaitFor([&] { return !w->Animating(); });
    return w;
  }
  std::unique_ptr<TForm> FForm;
};
