#include "controls/views/appevents.h"

#include <algorithm>
#include <memory>

#include "controls/views/viewprops.h"

namespace {
std::unique_ptr<TAppEventList> gAppEventList;

// Walks the run-time instances newest first; Call returns true to stop. An
// instance that is not Chained ends the walk after its own handler. Returns
// true when the walk stopped early.
template <class F>
bool Walk(const std::vector<TAppEvents*>& List, F Call) {
  std::vector<TAppEvents*> items = List;
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    TAppEvents* e = *it;
    if (e->ComponentState() & csDesigning) continue;
    if (Call(e)) return true;
    if (!e->Chained) return true;
  }
  return false;
}
}  // namespace

// ---- TAppEventList ---------------------------------------------------------

TAppEventList* TAppEventList::Instance() {
  if (!gAppEventList) gAppEventList = std::make_unique<TAppEventList>();
  return gAppEventList.get();
}

TAppEventList* TAppEventList::InstanceIfExists() { return gAppEventList.get(); }

int TAppEventList::RunTimeCount() const {
  return static_cast<int>(std::count_if(FList.begin(), FList.end(),
                                        [](TAppEvents* e) { return !(e->ComponentState() & csDesigning); }));
}

void TAppEventList::AddEvents(TAppEvents* Events) {
  if (std::find(FList.begin(), FList.end(), Events) != FList.end()) return;
  FList.push_back(Events);
  if (Events->ComponentState() & csDesigning) return;
  if (RunTimeCount() == 1 && !FHooked) Hook();
}

void TAppEventList::RemoveEvents(TAppEvents* Events) {
  FList.erase(std::remove(FList.begin(), FList.end(), Events), FList.end());
  if (FHooked && RunTimeCount() == 0) Unhook();
}

void TAppEventList::Hook() {
  TApplication* app = Application;
  FOnActivate = app->OnActivate;
  FOnDeactivate = app->OnDeactivate;
  FOnException = app->OnException;
  FOnIdle = app->OnIdle;
  FOnHelp = app->OnHelp;
  FOnHint = app->OnHint;
  FOnMessage = app->OnMessage;
  FOnMinimize = app->OnMinimize;
  FOnRestore = app->OnRestore;
  FOnShowHint = app->OnShowHint;
  FOnActiveControlChange = Screen->OnActiveControlChange;
  FOnActiveFormChange = Screen->OnActiveFormChange;

  auto notify = [this](TNotifyEvent TAppEvents::*Member, TNotifyEvent TAppEventList::*Saved) {
    return [this, Member, Saved](TObject* Sender) {
      bool stopped = Walk(FList, [&](TAppEvents* e) {
        if (e->*Member) (e->*Member)(Sender);
        return false;
      });
      if (!stopped && this->*Saved) (this->*Saved)(Sender);
    };
  };
  app->OnActivate = notify(&TAppEvents::OnActivate, &TAppEventList::FOnActivate);
  app->OnDeactivate = notify(&TAppEvents::OnDeactivate, &TAppEventList::FOnDeactivate);
  app->OnHint = notify(&TAppEvents::OnHint, &TAppEventList::FOnHint);
  app->OnMinimize = notify(&TAppEvents::OnMinimize, &TAppEventList::FOnMinimize);
  app->OnRestore = notify(&TAppEvents::OnRestore, &TAppEventList::FOnRestore);
  Screen->OnActiveControlChange = notify(&TAppEvents::OnActiveControlChange, &TAppEventList::FOnActiveControlChange);
  Screen->OnActiveFormChange = notify(&TAppEvents::OnActiveFormChange, &TAppEventList::FOnActiveFormChange);

  app->OnException = [this](TObject* Sender, const std::exception& E) {
    bool called = false;
    bool stopped = Walk(FList, [&](TAppEvents* e) {
      if (e->OnException) {
        called = true;
        e->OnException(Sender, E);
      }
      return false;
    });
    if (!stopped && FOnException)
      FOnException(Sender, E);
    else if (!called)
      Application->ShowException(E);
  };
  app->OnIdle = [this](TObject* Sender, bool& Done) {
    bool stopped = Walk(FList, [&](TAppEvents* e) {
      if (e->OnIdle) e->OnIdle(Sender, Done);
      return false;
    });
    if (!stopped && FOnIdle) FOnIdle(Sender, Done);
  };
  app->OnHelp = [this](WORD Command, LPARAM Data, bool& CallHelp) {
    bool result = false;
    bool stopped = Walk(FList, [&](TAppEvents* e) {
      if (e->OnHelp) result = e->OnHelp(Command, Data, CallHelp);
      return false;
    });
    if (!stopped && FOnHelp) result = FOnHelp(Command, Data, CallHelp);
    return result;
  };
  app->OnMessage = [this](MSG& Msg, bool& Handled) {
    bool stopped = Walk(FList, [&](TAppEvents* e) {
      if (e->OnMessage) e->OnMessage(Msg, Handled);
      return Handled;
    });
    if (!stopped && FOnMessage) FOnMessage(Msg, Handled);
  };
  app->OnShowHint = [this](std::string& HintStr, bool& CanShow, THintInfo& HintInfo) {
    bool stopped = Walk(FList, [&](TAppEvents* e) {
      if (e->OnShowHint) e->OnShowHint(HintStr, CanShow, HintInfo);
      return false;
    });
    if (!stopped && FOnShowHint) FOnShowHint(HintStr, CanShow, HintInfo);
  };
  FHooked = true;
}

void TAppEventList::Unhook() {
  TApplication* app = Application;
  app->OnActivate = FOnActivate;
  app->OnDeactivate = FOnDeactivate;
  app->OnException = FOnException;
  app->OnIdle = FOnIdle;
  app->OnHelp = FOnHelp;
  app->OnHint = FOnHint;
  app->OnMessage = FOnMessage;
  app->OnMinimize = FOnMinimize;
  app->OnRestore = FOnRestore;
  app->OnShowHint = FOnShowHint;
  Screen->OnActiveControlChange = FOnActiveControlChange;
  Screen->OnActiveFormChange = FOnActiveFormChange;
  FOnActivate = FOnDeactivate = FOnHint = FOnMinimize = FOnRestore = nullptr;
  FOnException = nullptr;
  FOnIdle = nullptr;
  FOnHelp = nullptr;
  FOnMessage = nullptr;
  FOnShowHint = nullptr;
  FOnActiveControlChange = FOnActiveFormChange = nullptr;
  FHooked = false;
}

// ---- TAppEvents ------------------------------------------------------------

TAppEvents::TAppEvents(TComponent* AOwner) : TComponent(AOwner) {
  if (AOwner && (AOwner->ComponentState() & csDesigning)) FComponentState |= csDesigning;
  if (!Designing()) FHookId = Application->HookMainWindow([this](TMessage& M) { return MainWindowHook(M); });
  TAppEventList::Instance()->AddEvents(this);
}

TAppEvents::~TAppEvents() {
  if (FHookId) Application->UnhookMainWindow(FHookId);
  if (TAppEventList* list = TAppEventList::InstanceIfExists()) list->RemoveEvents(this);
}

void TAppEvents::Loaded() {
  TComponent::Loaded();
  if (Designing()) return;
  Application->HintColor = FHintColor;
  Application->HintPause = FHintPause;
  Application->ShowHint = FShowHint;
  Application->HintShortPause = FHintShortPause;
  Application->HintHidePause = FHintHidePause;
  Application->ShowMainForm = FShowMainForm;
  Application->UpdateFormatSettings = FUpdateFormatSettings;
  Application->UpdateMetricSettings = FUpdateMetricSettings;
}

bool TAppEvents::MainWindowHook(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT:
      if (IsIconic(Application->Handle()) && OnPaintIcon) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Application->Handle(), &ps);
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.Brush()->SetColor(clBackground);
        canvas.FillRect(ps.rcPaint);
        FCanvas = &canvas;
        try {
          OnPaintIcon(this);
        } catch (...) {
          FCanvas = nullptr;
          canvas.SetHandle(nullptr);
          EndPaint(Application->Handle(), &ps);
          throw;
        }
        FCanvas = nullptr;
        canvas.SetHandle(nullptr);
        EndPaint(Application->Handle(), &ps);
        Message.Result = 0;
        return true;
      }
      break;
    case WM_WININICHANGE:
      if (OnSettingsChanged) OnSettingsChanged(this);
      break;
    default:
      break;
  }
  return false;
}

#define MORV_APP_SETTING(Type, Name)                   \
  Type TAppEvents::Name() const {                      \
    return Designing() ? F##Name : Application->Name;  \
  }                                                    \
  void TAppEvents::Set##Name(Type Value) {             \
    F##Name = Value;                                   \
    if (!Designing()) Application->Name = Value;       \
  }
MORV_APP_SETTING(TColor, HintColor)
MORV_APP_SETTING(int, HintPause)
MORV_APP_SETTING(bool, ShowHint)
MORV_APP_SETTING(bool, UpdateFormatSettings)
MORV_APP_SETTING(int, HintShortPause)
MORV_APP_SETTING(int, HintHidePause)
MORV_APP_SETTING(bool, ShowMainForm)
MORV_APP_SETTING(bool, UpdateMetricSettings)
#undef MORV_APP_SETTING

namespace {
struct TAppEventsProps {
  TAppEventsProps() {
    RegisterProperties<TAppEvents>(
        "TAppEvents",
        {PropBoolField<TAppEvents>("Chained", &TAppEvents::Chained),
         PropColorOf<TAppEvents>("HintColor", &TAppEvents::HintColor, &TAppEvents::SetHintColor),
         PropInt<TAppEvents>("HintPause", &TAppEvents::HintPause, &TAppEvents::SetHintPause),
         PropBool<TAppEvents>("ShowHint", &TAppEvents::ShowHint, &TAppEvents::SetShowHint),
         PropBool<TAppEvents>("UpdateFormatSettings", &TAppEvents::UpdateFormatSettings,
                              &TAppEvents::SetUpdateFormatSettings),
         PropInt<TAppEvents>("HintShortPause", &TAppEvents::HintShortPause, &TAppEvents::SetHintShortPause),
         PropInt<TAppEvents>("HintHidePause", &TAppEvents::HintHidePause, &TAppEvents::SetHintHidePause),
         PropBool<TAppEvents>("ShowMainForm", &TAppEvents::ShowMainForm, &TAppEvents::SetShowMainForm),
         PropBool<TAppEvents>("UpdateMetricSettings", &TAppEvents::UpdateMetricSettings,
                              &TAppEvents::SetUpdateMetricSettings)});
  }
} appEventsProps;
}  // namespace
