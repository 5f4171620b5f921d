#include <string>
#include <vector>

#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"
#include "tests/framework/ui/ui_fixture.h"

using namespace UiDriver;

namespace {

constexpr UINT kProbe = WM_APP + 50;

// A subclass that logs the probe message and can swallow it.
class TLogSubclass : public TWindowSubclass {
 public:
  TLogSubclass(std::vector<std::string>& Log, std::string Name) : FLog(Log), FName(std::move(Name)) {}
  bool Swallow = false;
  LRESULT SubclassProc(UINT Msg, WPARAM WParam, LPARAM LParam) override {
    if (Msg == kProbe) {
      FLog.push_back(FName);
      if (Swallow) return 100;
      return CallNext(Msg, WParam, LParam) + 1;
    }
    return CallNext(Msg, WParam, LParam);
  }

 private:
  std::vector<std::string>& FLog;
  std::string FName;
};

// Someone else's subclass, done the raw way.
WNDPROC gForeignPrev = nullptr;
int gForeignSeen = 0;
LRESULT CALLBACK ForeignProc(HWND W, UINT M, WPARAM WP, LPARAM LP) {
  if (M == kProbe) ++gForeignSeen;
  return CallWindowProcW(gForeignPrev, W, M, WP, LP);
}

}  // namespace

class SubclassTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    if (IsSkipped()) return;
    Form = MakeForm();
    Form->SetMessageHandler(kProbe, [this](TMessage& M) {
      Log.push_back("form");
      M.Result = 10;
    });
    Form->Show();
  }
  LRESULT Probe() { return SendMessageW(Form->Handle(), kProbe, 0, 0); }
  TForm* Form = nullptr;
  std::vector<std::string> Log;
};

TEST_F(SubclassTest, LastAttachedSeesMessagesFirstAndChainsDown) {
  TLogSubclass a(Log, "a"), b(Log, "b");
  a.Attach(Form);
  b.Attach(Form);
  EXPECT_EQ(Probe(), 12);
  EXPECT_EQ(Log, (std::vector<std::string>{"b", "a", "form"}));
  Log.clear();
  b.Swallow = true;
  EXPECT_EQ(Probe(), 100);
  EXPECT_EQ(Log, (std::vector<std::string>{"b"}));
}

TEST_F(SubclassTest, DetachingInAnyOrderKeepsTheRestAndRestoresTheProcedure) {
  auto original = GetWindowLongPtrW(Form->Handle(), GWLP_WNDPROC);
  TLogSubclass a(Log, "a"), b(Log, "b"), c(Log, "c");
  a.Attach(Form);
  b.Attach(Form);
  c.Attach(Form);
  b.Detach();
  Probe();
  EXPECT_EQ(Log, (std::vector<std::string>{"c", "a", "form"}));
  a.Detach();
  c.Detach();
  EXPECT_EQ(GetWindowLongPtrW(Form->Handle(), GWLP_WNDPROC), original);
  Log.clear();
  Probe();
  EXPECT_EQ(Log, (std::vector<std::string>{"form"}));
}

TEST_F(SubclassTest, ALaterForeignSubclassStaysInPlaceWhenWeDetach) {
  TLogSubclass a(Log, "a");
  a.Attach(Form);
  gForeignSeen = 0;
  gForeignPrev = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignProc)));
  a.Detach();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Form->Handle(), GWLP_WNDPROC)), ForeignProc);
  EXPECT_EQ(Probe(), 10);
  EXPECT_EQ(gForeignSeen, 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"form"}));
  // The foreign layer removes itself the usual way; everything still works.
  SetWindowLongPtrW(Form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gForeignPrev));
  Log.clear();
  EXPECT_EQ(Probe(), 10);
  EXPECT_EQ(Log, (std::vector<std::string>{"form"}));
}

TEST_F(SubclassTest, SubclassesFollowTheControlAcrossRecreation) {
  TLogSubclass a(Log, "a"), b(Log, "b");
  a.Attach(Form);
  b.Attach(Form);
  int destroyed = 0;
  a.OnWindowDestroyed = [&](TWindowSubclass*) { ++destroyed; };
  HWND old = Form->Handle();
  Form->RecreateWnd();
  ASSERT_NE(Form->Handle(), old);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(a.Window(), Form->Handle());
  EXPECT_EQ(Probe(), 12);
  EXPECT_EQ(Log, (std::vector<std::string>{"b", "a", "form"}));
  // A style change that needs a new window: same result.
  Log.clear();
  Form->SetBorderStyle(bsDialog);
  EXPECT_EQ(Probe(), 12);
  EXPECT_EQ(Log, (std::vector<std::string>{"b", "a", "form"}));
}

TEST_F(SubclassTest, ForeignWindowsCanBeSubclassedAndWatchedTillTheyDie) {
  HWND w = CreateWindowExW(0, L"STATIC", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(w);
  TLogSubclass a(Log, "a");
  bool died = false;
  a.OnWindowDestroyed = [&](TWindowSubclass*) { died = true; };
  a.Attach(w);
  SendMessageW(w, kProbe, 0, 0);
  EXPECT_EQ(Log, (std::vector<std::string>{"a"}));
  DestroyWindow(w);
  EXPECT_TRUE(died);
  EXPECT_FALSE(a.Attached());
}

TEST_F(SubclassTest, MessagesOfChildrenReachTheirObjectsReflected) {
  auto* list = new TListBox(Form);
  list->SetParent(Form);
  list->Items()->SetText("a\nb");
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  // A notification sent to the parent arrives at the child as CN_COMMAND.
  SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(list->ControlId(), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list->Handle()));
  EXPECT_EQ(clicks, 1);
  int notified = 0;
  list->SetMessageHandler(CN_NOTIFY, [&](TMessage& M) {
    ++notified;
    M.Result = 77;
  });
  NMHDR h{list->Handle(), static_cast<UINT_PTR>(list->ControlId()), 12345};
  EXPECT_EQ(SendMessageW(Form->Handle(), WM_NOTIFY, h.idFrom, reinterpret_cast<LPARAM>(&h)), 77);
  EXPECT_EQ(notified, 1);
}

TEST_F(UiTest, UtilityWindowsDeliverPostedMessagesToTheirHandler) {
  std::vector<LPARAM> got;
  HWND w = AllocateHWnd([&](HWND Window, TMessage& M) {
    if (M.Msg == 0xB052) {
      got.push_back(M.LParam);
      M.Result = 1;
      return;
    }
    M.Result = DefWindowProcW(Window, M.Msg, M.WParam, M.LParam);
  });
  PostMessageW(w, 0xB052, 0, 7);
  PostMessageW(w, 0xB052, 0, 8);
  EXPECT_EQ(SendMessageW(w, 0xB052, 0, 9), 1);
  UiDriver::WaitFor([&] { return got.size() == 3; }, 1000);
  EXPECT_EQ(got, (std::vector<LPARAM>{9, 7, 8}));
  DeallocateHWnd(w);
  EXPECT_FALSE(IsWindow(w));
}
