// Window hooks: a component that sees every message of a windowed control
// before and after the control's own procedure. Hooks of one control share a
// record (TControlHook) that subclasses the window through the window layer's
// subclass chain, so later subclasses stay in place and the hook follows the
// control when its window is re-created.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "framework/ui/controls.h"

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

class TWindowHook;

class TControlHook : public TObject {
 public:
  TControlHook();
  ~TControlHook() override;
  TControlHook(const TControlHook&) = delete;
  TControlHook& operator=(const TControlHook&) = delete;

  TWinControl* Control() const { return FControl; }
  void SetControl(TWinControl* Value);
  int HookCount() const { return static_cast<int>(FList.size()); }
  void AddHook(TWindowHook* Hook);
  void RemoveHook(TWindowHook* Hook);
  void HookControl();
  void UnhookControl();
  bool Subclassed() const { return FSubclass.Window() != nullptr; }

 private:
  LRESULT WindowProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  bool CanCallHooks() const;
  TWinControl* FControl = nullptr;
  TWindowSubclass FSubclass;
  std::vector<TWindowHook*> FList;
  bool FDestroying = false;
};

// The process-wide list of records, with a hidden window for the deferred
// re-hook and release requests.
class THookList : public TObject {
 public:
  static constexpr UINT WM_REHOOK = 0xB052;
  static constexpr UINT WM_RELEASE = 0xB053;
  // Created on first use.
  static THookList* Instance();
  static THookList* InstanceIfExists();
  ~THookList() override;
  TControlHook* FindControlHook(TWinControl* Control) const;
  TControlHook* GetControlHook(TWinControl* Control);
  bool Contains(const TControlHook* Hook) const;
  void Remove(TControlHook* Hook);
  int Count() const { return static_cast<int>(FItems.size()); }
  void PostRehook(TControlHook* Hook);
  void PostRelease(TControlHook* Hook);
  // Runs a request at once (also what the hidden window does with it).
  void HandleRequest(UINT Msg, TControlHook* Hook);

 private:
  THookList();
  friend LRESULT CALLBACK HookListWndProc(HWND, UINT, WPARAM, LPARAM);
  std::vector<TControlHook*> FItems;
  HWND FHandle = nullptr;
};

class TWindowHook : public TComponent {
 public:
  explicit TWindowHook(TComponent* AOwner);
  ~TWindowHook() override;

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  TWinControl* WinControl() const { return FWinControl; }
  void SetWinControl(TWinControl* Value);
  // The pseudo-property written instead of WinControl when the watched
  // control is the owning form; True on loading makes that form the control.
  bool IsForm() const;
  void SetIsForm(bool Value);
  void HookControl() { SetActive(true); }
  void UnhookControl() { SetActive(false); }

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void DoBeforeMessage(TMessage& Msg, bool& Handled);
  virtual void DoAfterMessage(TMessage& Msg, bool& Handled);

 private:
  friend class TControlHook;
  void Attach();
  void Detach();
  bool FActive = true;
  TWinControl* FWinControl = nullptr;
  TControlHook* FControlHook = nullptr;
};
