#include "controls/views/windowhook.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/ui/stdctrls.h"
#include "views_fixture.h"

namespace {
constexpr UINT kProbe = WM_APP + 77;
WNDPROC gPrevious = nullptr;
int gLaterSaw = 0;
LRESULT CALLBACK LaterProc(HWND W, UINT M, WPARAM Wp, LPARAM Lp) {
  if (M == kProbe) ++gLaterSaw;
  return CallWindowProcW(gPrevious, W, M, Wp, Lp);
}
}  // namespace

class WindowHookTest : public ViewsTest {};

TEST_F(WindowHookTest, LastAttachedSeesFirstAndHandledStopsTheForm) {
  TForm* f = MakeForm();
  int formSaw = 0;
  f->SetMessageHandler(kProbe, [&](TMessage& M) {
    ++formSaw;
    M.Result = 5;
  });
  std::vector<std::string> order;
  auto* h1 = new TWindowHook(f);
  auto* h2 = new TWindowHook(f);
  h1->BeforeMessage = [&](TObject*, TMessage& M, bool&) {
    if (M.Msg == kProbe) order.push_back("before1");
  };
  h1->AfterMessage = [&](TObject*, TMessage& M, bool&) {
    if (M.Msg == kProbe) order.push_back("after1:" + std::to_string(M.Result));
  };
  h2->BeforeMessage = [&](TObject*, TMessage& M, bool&) {
    if (M.Msg == kProbe) order.push_back("before2");
  };
  h1->SetWinControl(f);
  h2->SetWinControl(f);
  EXPECT_EQ(SendMessageW(f->Handle(), kProbe, 0, 0), 5);
  EXPECT_EQ(order, (std::vector<std::string>{"before2", "before1", "after1:5"}));
  EXPECT_EQ(formSaw, 1);

  order.clear();
  h2->BeforeMessage = [&](TObject*, TMessage& M, bool& Handled) {
    if (M.Msg != kProbe) return;
    order.push_back("swallow");
    M.Result = 9;
    Handled = true;
  };
  EXPECT_EQ(SendMessageW(f->Handle(), kProbe, 0, 0), 9);
  EXPECT_EQ(order, (std::vector<std::string>{"swallow"}));
  EXPECT_EQ(formSaw, 1);

  // Unchaining the swallowing hook lets the form see the message again.
  h2->SetActive(false);
  order.clear();
  EXPECT_EQ(SendMessageW(f->Handle(), kProbe, 0, 0), 5);
  EXPECT_EQ(order, (std::vector<std::string>{"before1", "after1:5"}));
  EXPECT_EQ(formSaw, 2);
}

TEST_F(WindowHookTest, SurvivesRecreatingTheWindow) {
  TForm* f = MakeForm();
  auto* edit = new TEdit(f);
  edit->SetParent(f);
  f->Show();
  int seen = 0;
  auto* hook = new TWindowHook(f);
  hook->BeforeMessage = [&](TObject*, TMessage& M, bool&) {
    if (M.Msg == kProbe) ++seen;
  };
  hook->SetWinControl(edit);
  HWND first = edit->Handle();
  SendMessageW(first, kProbe, 0, 0);
  EXPECT_EQ(seen, 1);
  edit->RecreateWnd();
  ASSERT_NE(edit->Handle(), nullptr);
  // Hooked at once, before the posted re-hook request runs.
  SendMessageW(edit->Handle(), kProbe, 0, 0);
  EXPECT_EQ(seen, 2);
  Application->ProcessMessages();
  SendMessageW(edit->Handle(), kProbe, 0, 0);
  EXPECT_EQ(seen, 3);
}

TEST_F(WindowHookTest, DeactivatingRestoresTheProcedureButKeepsLaterSubclasses) {
  TForm* f = MakeForm();
  HWND w = f->Handle();
  WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC));
  auto* hook = new TWindowHook(f);
  hook->SetWinControl(f);
  EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)), original);
  hook->SetActive(false);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)), original);

  // Someone else subclasses after the hook: unhooking leaves them in place.
  int seen = 0;
  hook->BeforeMessage = [&](TObject*, TMessage& M, bool&) {
    if (M.Msg == kProbe) ++seen;
  };
  hook->SetActive(true);
  gLaterSaw = 0;
  WNDPROC later = LaterProc;
  gPrevious = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(later)));
  SendMessageW(w, kProbe, 0, 0);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(gLaterSaw, 1);
  hook->SetActive(false);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)), later);
  SendMessageW(w, kProbe, 0, 0);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(gLaterSaw, 2);
  SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gPrevious));
}

TEST_F(WindowHookTest, RecordIsReleasedThroughTheMessageLoopAndControlRemovalClearsTheHook) {
  TForm* f = MakeForm();
  auto* edit = new TEdit(f);
  edit->SetParent(f);
  auto* hook = new TWindowHook(f);
  hook->SetWinControl(edit);
  THookList* list = THookList::Instance();
  ASSERT_NE(list->FindControlHook(edit), nullptr);
  delete edit;
  EXPECT_EQ(hook->WinControl(), nullptr);
  Application->ProcessMessages();
  EXPECT_EQ(list->FindControlHook(edit), nullptr);
  // IsForm names the owning form.
  hook->SetIsForm(true);
  EXPECT_EQ(hook->WinControl(), f);
  EXPECT_TRUE(hook->IsForm());
}

TEST_F(WindowHookTest, DestroyMessageReachesTheControlEvenWhenHandled) {
  TForm* f = MakeForm();
  auto* edit = new TEdit(f);
  edit->SetParent(f);
  f->Show();
  auto* hook = new TWindowHook(f);
  bool afterDestroy = false;
  hook->BeforeMessage = [&](TObject*, TMessage& M, bool& Handled) {
    if (M.Msg == WM_DESTROY) Handled = true;
  };
  hook->AfterMessage = [&](TObject*, TMessage& M, bool&) {
    if (M.Msg == WM_DESTROY) afterDestroy = true;
  };
  hook->SetWinControl(edit);
  edit->RecreateWnd();
  EXPECT_TRUE(afterDestroy);
  EXPECT_TRUE(IsWindow(edit->Handle()));
  // The handlers capture locals of this test.
  hook->SetActive(false);
}
