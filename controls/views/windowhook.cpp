#include "controls/views/windowhook.h"

#include <algorithm>

#include "controls/views/viewprops.h"

// ---- TControlHook ----------------------------------------------------------

TControlHook::TControlHook() {
  FSubclass.OnMessage = [this](TWindowSubclass*, UINT Msg, WPARAM WParam, LPARAM LParam) {
    return WindowProc(Msg, WParam, LParam);
  };
}

TControlHook::~TControlHook() {
  FDestroying = true;
  if (THookList* list = THookList::InstanceIfExists()) list->Remove(this);
  std::vector<TWindowHook*> hooks = FList;
  for (TWindowHook* h : hooks) h->Detach();
  FList.clear();
  FSubclass.Detach();
}

void TControlHook::SetControl(TWinControl* Value) {
  if (Value == FControl) return;
  UnhookControl();
  FControl = Value;
  if (FControl && !FList.empty()) HookControl();
}

void TControlHook::AddHook(TWindowHook* Hook) {
  if (std::find(FList.begin(), FList.end(), Hook) == FList.end()) FList.push_back(Hook);
  Hook->FControlHook = this;
  SetControl(Hook->FWinControl);
  HookControl();
}

void TControlHook::RemoveHook(TWindowHook* Hook) {
  Hook->FControlHook = nullptr;
  FList.erase(std::remove(FList.begin(), FList.end(), Hook), FList.end());
  if (FList.empty()) UnhookControl();
}

void TControlHook::HookControl() {
  if (!FControl || FDestroying) return;
  if (FControl->ComponentState() & (csDesigning | csDestroying)) return;
  FControl->HandleNeeded();
  // Bound to the control, the subclass is reinstalled on every new window.
  if (FSubclass.Control() != FControl) FSubclass.Attach(FControl);
}

void TControlHook::UnhookControl() {
  // The chain restores the window procedure only while it is still ours, so a
  // procedure installed later by someone else stays in place.
  FSubclass.Detach();
}

bool TControlHook::CanCallHooks() const {
  return !FDestroying && FControl && !(FControl->ComponentState() & csDestroying) && !FList.empty();
}

LRESULT TControlHook::WindowProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  bool handled = false;
  if (Msg != WM_QUIT && CanCallHooks()) {
    std::vector<TWindowHook*> hooks = FList;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it) (*it)->DoBeforeMessage(m, handled);
  }
  if (!handled || Msg == WM_DESTROY) {
    m.Result = FSubclass.CallNext(m.Msg, m.WParam, m.LParam);
    if (CanCallHooks()) {
      bool afterHandled = false;
      std::vector<TWindowHook*> hooks = FList;
      for (auto it = hooks.rbegin(); it != hooks.rend() && !afterHandled; ++it)
        (*it)->DoAfterMessage(m, afterHandled);
    }
  }
  if (Msg == WM_DESTROY && !FDestroying && FControl && !(FControl->ComponentState() & csDestroying))
    if (THookList* list = THookList::InstanceIfExists()) list->PostRehook(this);
  return m.Result;
}

// ---- THookList -------------------------------------------------------------

namespace {
THookList* gHookList = nullptr;
const wchar_t kHookListClass[] = L"MorvHookListWindow";

struct THookListFinal {
  ~THookListFinal() {
    THookList* list = gHookList;
    gHookList = nullptr;
    delete list;
  }
} hookListFinal;
}  // namespace

LRESULT CALLBACK HookListWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if ((Msg == THookList::WM_REHOOK || Msg == THookList::WM_RELEASE) && gHookList) {
    gHookList->HandleRequest(Msg, reinterpret_cast<TControlHook*>(LParam));
    return 0;
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

THookList::THookList() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = HookListWndProc;
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = kHookListClass;
  RegisterClassW(&wc);
  FHandle = CreateWindowExW(0, kHookListClass, L"", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(),
                            nullptr);
}

THookList::~THookList() {
  // The records cannot take themselves out of the list here (it is already
  // unpublished at exit), so each leaves the list before it goes.
  while (!FItems.empty()) {
    TControlHook* h = FItems.back();
    FItems.pop_back();
    delete h;
  }
  if (FHandle) DestroyWindow(FHandle);
}

THookList* THookList::Instance() {
  if (!gHookList) gHookList = new THookList;
  return gHookList;
}

THookList* THookList::InstanceIfExists() { return gHookList; }

TControlHook* THookList::FindControlHook(TWinControl* Control) const {
  for (TControlHook* h : FItems)
    if (h->Control() == Control) return h;
  return nullptr;
}

TControlHook* THookList::GetControlHook(TWinControl* Control) {
  if (TControlHook* h = FindControlHook(Control)) return h;
  auto* h = new TControlHook;
  h->SetControl(Control);
  FItems.push_back(h);
  return h;
}

bool THookList::Contains(const TControlHook* Hook) const {
  return std::find(FItems.begin(), FItems.end(), Hook) != FItems.end();
}

void THookList::Remove(TControlHook* Hook) { FItems.erase(std::remove(FItems.begin(), FItems.end(), Hook), FItems.end()); }

void THookList::PostRehook(TControlHook* Hook) {
  if (FHandle) PostMessageW(FHandle, WM_REHOOK, 0, reinterpret_cast<LPARAM>(Hook));
}

void THookList::PostRelease(TControlHook* Hook) {
  // A record is never freed inside its own window procedure: the request
  // waits for the message loop. Without the hidden window it is kept until
  // the list goes.
  if (FHandle) PostMessageW(FHandle, WM_RELEASE, 0, reinterpret_cast<LPARAM>(Hook));
}

void THookList::HandleRequest(UINT Msg, TControlHook* Hook) {
  if (!Contains(Hook)) return;
  if (Msg == WM_REHOOK) {
    if (Hook->HookCount() > 0) Hook->HookControl();
  } else if (Msg == WM_RELEASE) {
    if (Hook->HookCount() == 0) delete Hook;
  }
}

// ---- TWindowHook -----------------------------------------------------------

TWindowHook::TWindowHook(TComponent* AOwner) : TComponent(AOwner) {}

TWindowHook::~TWindowHook() {
  FComponentState |= csDestroying;
  SetWinControl(nullptr);
  SetActive(false);
}

void TWindowHook::Attach() {
  if (!FWinControl || (FComponentState & csDestroying)) return;
  THookList::Instance()->GetControlHook(FWinControl)->AddHook(this);
}

void TWindowHook::Detach() {
  if (FControlHook) FControlHook->RemoveHook(this);
}

void TWindowHook::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  if (Value)
    Attach();
  else
    Detach();
}

void TWindowHook::SetWinControl(TWinControl* Value) {
  if (Value == FWinControl) return;
  Detach();
  if (FWinControl) {
    // The old control's record goes once no hook watches it any more; it is
    // freed from the message loop, never inside its own window procedure.
    if (THookList* list = THookList::InstanceIfExists())
      if (TControlHook* old = list->FindControlHook(FWinControl))
        if (old->HookCount() == 0) {
          old->SetControl(nullptr);
          list->PostRelease(old);
        }
    FWinControl->RemoveFreeNotification(this);
  }
  FWinControl = Value;
  if (Value) {
    Value->FreeNotification(this);
    if (FActive) Attach();
  }
}

bool TWindowHook::IsForm() const { return FWinControl && FWinControl == Owner(); }

void TWindowHook::SetIsForm(bool Value) {
  if (Value)
    if (auto* w = dynamic_cast<TWinControl*>(Owner())) SetWinControl(w);
}

void TWindowHook::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && (AComponent == FWinControl || AComponent == Owner()))
    SetWinControl(nullptr);
}

void TWindowHook::DoBeforeMessage(TMessage& Msg, bool& Handled) {
  if (BeforeMessage) BeforeMessage(this, Msg, Handled);
}

void TWindowHook::DoAfterMessage(TMessage& Msg, bool& Handled) {
  if (AfterMessage) AfterMessage(this, Msg, Handled);
}

namespace {
struct TWindowHookProps {
  TWindowHookProps() {
    TPropInfo control;
    control.Name = "WinControl";
    control.Kind = TPropKind::Class;
    // Written only when the watched control is not the owning form.
    control.GetObject = [](TPersistent* o) -> TPersistent* {
      auto* h = dynamic_cast<TWindowHook*>(o);
      return h->IsForm() ? nullptr : h->WinControl();
    };
    control.SetObject = [](TPersistent* o, TPersistent* v) {
      dynamic_cast<TWindowHook*>(o)->SetWinControl(dynamic_cast<TWinControl*>(v));
    };
    RegisterProperties<TWindowHook>(
        "TWindowHook", {PropBool<TWindowHook>("Active", &TWindowHook::Active, &TWindowHook::SetActive), control,
                        PropBool<TWindowHook>("IsForm", &TWindowHook::IsForm, &TWindowHook::SetIsForm)});
  }
} windowHookProps;
}  // namespace
