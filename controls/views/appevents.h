// Application events as a component: every form may place one and react to
// the application's and the screen's global events. All instances share one
// list; the first run-time instance takes over the application's event
// slots and dispatches each event to the instances, newest first.
#pragma once
#include <functional>
#include <vector>

#include "framework/ui/forms.h"

class TAppEvents : public TComponent {
 public:
  explicit TAppEvents(TComponent* AOwner);
  ~TAppEvents() override;
  void Loaded() override;

  // Pass events on to older instances and to the handler that was in place.
  bool Chained = true;

  TColor HintColor() const;
  void SetHintColor(TColor Value);
  int HintPause() const;
  void SetHintPause(int Value);
  bool ShowHint() const;
  void SetShowHint(bool Value);
  bool UpdateFormatSettings() const;
  void SetUpdateFormatSettings(bool Value);
  int HintShortPause() const;
  void SetHintShortPause(int Value);
  int HintHidePause() const;
  void SetHintHidePause(int Value);
  bool ShowMainForm() const;
  void SetShowMainForm(bool Value);
  bool UpdateMetricSettings() const;
  void SetUpdateMetricSettings(bool Value);

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  THelpEvent OnHelp;
  TNotifyEvent OnHint;
  TMessageEvent OnMessage;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnPaintIcon;
  TNotifyEvent OnRestore;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnSettingsChanged;
  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

  // The canvas of the minimised icon while OnPaintIcon runs, else nullptr.
  TCanvas* Canvas() const { return FCanvas; }

 private:
  bool MainWindowHook(TMessage& Message);
  bool Designing() const { return (FComponentState & csDesigning) != 0; }
  int FHookId = 0;
  TCanvas* FCanvas = nullptr;
  TColor FHintColor = clInfoBk;
  int FHintPause = 500;
  bool FShowHint = true;
  bool FUpdateFormatSettings = true;
  int FHintShortPause = 50;
  int FHintHidePause = 2500;
  bool FShowMainForm = true;
  bool FUpdateMetricSettings = true;
};

// The shared list; exposed for tests that check the take-over.
class TAppEventList {
 public:
  static TAppEventList* Instance();
  static TAppEventList* InstanceIfExists();
  void AddEvents(TAppEvents* Events);
  void RemoveEvents(TAppEvents* Events);
  int Count() const { return static_cast<int>(FList.size()); }
  bool Hooked() const { return FHooked; }

 private:
  void Hook();
  void Unhook();
  int RunTimeCount() const;
  std::vector<TAppEvents*> FList;
  bool FHooked = false;
  TNotifyEvent FOnActivate, FOnDeactivate, FOnHint, FOnMinimize, FOnRestore;
  TExceptionEvent FOnException;
  TIdleEvent FOnIdle;
  THelpEvent FOnHelp;
  TMessageEvent FOnMessage;
  TShowHintEvent FOnShowHint;
  TNotifyEvent FOnActiveControlChange, FOnActiveFormChange;
};
