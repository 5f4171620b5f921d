// Drives forms from tests the way a user would: finds controls by name, sets
// values through the same paths (so the same events fire), clicks, types, and
// answers prompts, message dialogs and modal forms by script.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/ui/forms.h"
#include "framework/ui/menus.h"
#include "framework/ui/stdctrls.h"

namespace UiDriver {

// True when windows can be created (a display is present under Wine).
bool DisplayAvailable();

// The component named Name owned by Root or, recursively, by its components.
TComponent* FindComponent(TComponent* Root, const std::string& Name);
// Like FindComponent, typed; throws Exception when missing or of another type.
template <class T>
T* Find(TComponent* Root, const std::string& Name) {
  T* c = dynamic_cast<T*>(FindComponent(Root, Name));
  if (!c) throw Exception("No component '" + Name + "' of the asked type");
  return c;
}

// Runs messages until Done returns true or the time is up; returns Done().
// (Application->ProcessMessages runs the ones waiting now.)
bool WaitFor(const std::function<bool()>& Done, unsigned TimeoutMs);

// A click: BM_CLICK for buttons, check boxes and radio buttons; a left button
// press and release in the middle of any other control (graphic ones through
// their parent's window).
void Click(TControl* Control);
// The WM_COMMAND a menu sends when the item is chosen, to Form's window.
void ClickMenu(TCustomForm* Form, TMenuItem* Item);
// Types Text into the focused control Control: WM_KEYDOWN / WM_CHAR / WM_KEYUP
// through the application's message loop (so shortcuts, KeyPreview, default
// and cancel buttons behave as with a keyboard).
void TypeText(TWinControl* Control, const std::string& Text);
void PressKey(TWinControl* Control, WORD Key, TShiftState Shift = 0);
// Sets a value as the user would change it: Text of edits and combo boxes,
// Checked, ItemIndex; the control's events fire.
void SetValue(TControl* Control, const std::string& Value);

// Replaces the prompt hook (Prompt of framework/core) while it lives: each
// prompt takes the next scripted answer (Default once they are used up) and
// is recorded.
class TPromptScript {
 public:
  explicit TPromptScript(std::vector<int> Answers, int Default = mrCancel);
  ~TPromptScript();
  TPromptScript(const TPromptScript&) = delete;
  TPromptScript& operator=(const TPromptScript&) = delete;
  struct TRecord {
    std::string Text, Caption;
    int Buttons;
  };
  const std::vector<TRecord>& Prompts() const { return FPrompts; }

 private:
  TPromptHook FSaved;
  std::deque<int> FAnswers;
  int FDefault;
  std::vector<TRecord> FPrompts;
};

// Answers modal windows while it lives: a thread timer looks for a modal form
// of this layer or a system dialog box (class "#32770", MessageBox and the
// common dialogs) and runs the next step on it. A step either presses a
// button by name or caption ("OK", "&Yes", "Cancel") or runs a function that
// returns true when it handled the window.
class TModalAnswerer {
 public:
  using TStep = std::function<bool(HWND Dialog, TCustomForm* Form)>;
  explicit TModalAnswerer(unsigned IntervalMs = 50);
  ~TModalAnswerer();
  TModalAnswerer(const TModalAnswerer&) = delete;
  TModalAnswerer& operator=(const TModalAnswerer&) = delete;
  void PressButton(const std::string& NameOrCaption);
  // Step runs when a modal window is up; with NeedsWindow false it runs on
  // every tick (Dialog and Form may be nullptr), for menus and the like.
  void Then(TStep Step, bool NeedsWindow = true);
  // Chooses the Index-th item of the popup menu that is open.
  void ChooseMenuItem(int Index);
  // Texts of the windows answered (a message box's message, a form's caption).
  const std::vector<std::string>& Seen() const { return FSeen; }
  bool Done() const { return FSteps.empty(); }

 private:
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
  void Tick();
  UINT_PTR FTimer = 0;
  std::deque<std::pair<TStep, bool>> FSteps;
  std::vector<std::string> FSeen;
  bool FBusy = false;
};

// The visible dialog box (#32770) of this thread, or nullptr.
HWND FindDialogBox();
// Text of a window, and of the static controls of a dialog box joined by LF.
std::string WindowText(HWND Window);
std::string DialogMessage(HWND Dialog);

}  // namespace UiDriver
