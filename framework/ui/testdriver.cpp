#include "framework/ui/testdriver.h"

#include <map>

#include "framework/ui/buttons.h"
#include "framework/ui/extctrls.h"

namespace UiDriver {

bool DisplayAvailable() {
  static int available = -1;
  if (available < 0) {
    HWND h = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    available = h ? 1 : 0;
    if (h) DestroyWindow(h);
  }
  return available == 1;
}

TComponent* FindComponent(TComponent* Root, const std::string& Name) {
  if (!Root) return nullptr;
  for (int i = 0; i < Root->ComponentCount(); ++i) {
    TComponent* c = Root->Components(i);
    if (SameText(c->Name(), Name)) return c;
  }
  for (int i = 0; i < Root->ComponentCount(); ++i)
    if (TComponent* c = FindComponent(Root->Components(i), Name)) return c;
  return nullptr;
}

bool WaitFor(const std::function<bool()>& Done, unsigned TimeoutMs) {
  DWORD start = GetTickCount();
  while (!Done()) {
    if (GetTickCount() - start >= TimeoutMs) return Done();
    Application->ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void Click(TControl* Control) {
  if (auto* b = dynamic_cast<TButtonControl*>(Control)) {
    SendMessageW(b->Handle(), BM_CLICK, 0, 0);
    return;
  }
  int x = Control->Width() / 2, y = Control->Height() / 2;
  HWND target;
  if (auto* w = dynamic_cast<TWinControl*>(Control)) {
    target = w->Handle();
  } else {
    if (!Control->Parent()) throw Exception("Control has no parent window");
    target = Control->Parent()->Handle();
    x += Control->Left();
    y += Control->Top();
  }
  SendMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void ClickMenu(TCustomForm* Form, TMenuItem* Item) {
  SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(Item->Command(), 0), 0);
}

namespace {
void PostKey(HWND Window, UINT Msg, WPARAM Key) {
  UINT scan = MapVirtualKeyW(static_cast<UINT>(Key), 0);
  LPARAM l = 1 | (static_cast<LPARAM>(scan) << 16);
  if (Msg == WM_KEYUP || Msg == WM_SYSKEYUP) l |= (1LL << 30) | (1LL << 31);
  PostMessageW(Window, Msg, Key, l);
}
}  // namespace

void PressKey(TWinControl* Control, WORD Key, TShiftState Shift) {
  HWND h = Control->Handle();
  BYTE saved[256];
  GetKeyboardState(saved);
  BYTE state[256];
  memcpy(state, saved, sizeof state);
  if (Shift & ssShift) state[VK_SHIFT] |= 0x80;
  if (Shift & ssCtrl) state[VK_CONTROL] |= 0x80;
  if (Shift & ssAlt) state[VK_MENU] |= 0x80;
  SetKeyboardState(state);
  bool alt = (Shift & ssAlt) != 0;
  PostKey(h, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, Key);
  PostKey(h, alt ? WM_SYSKEYUP : WM_KEYUP, Key);
  Application->ProcessMessages();
  SetKeyboardState(saved);
}

void TypeText(TWinControl* Control, const std::string& Text) {
  HWND h = Control->Handle();
  std::wstring w = Widen(Text);
  for (wchar_t c : w) {
    SHORT vk = VkKeyScanW(c);
    if (vk != -1 && !(HIBYTE(vk) & ~1)) {
      PressKey(Control, LOBYTE(vk), (HIBYTE(vk) & 1) ? ssShift : 0);
    } else {
      PostMessageW(h, WM_CHAR, c, 1);
      Application->ProcessMessages();
    }
  }
}

void SetValue(TControl* Control, const std::string& Value) {
  if (auto* c = dynamic_cast<TCheckBox*>(Control)) {
    c->SetChecked(Value == "1" || SameText(Value, "True"));
  } else if (auto* r = dynamic_cast<TRadioButton*>(Control)) {
    r->SetChecked(Value == "1" || SameText(Value, "True"));
  } else if (auto* l = dynamic_cast<TCustomListBox*>(Control)) {
    int i = l->Items()->IndexOf(Value);
    l->SetItemIndex(i >= 0 ? i : StrToIntDef(Value, -1));
  } else if (auto* g = dynamic_cast<TRadioGroup*>(Control)) {
    int i = g->Items()->IndexOf(Value);
    g->SetItemIndex(i >= 0 ? i : StrToIntDef(Value, -1));
  } else if (auto* s = dynamic_cast<TSpeedButton*>(Control)) {
    bool want = Value == "1" || SameText(Value, "True");
    if (s->Down() != want) Click(s);
  } else {
    Control->SetText(Value);
  }
}

TPromptScript::TPromptScript(std::vector<int> Answers, int Default)
    : FSaved(PromptHook()), FAnswers(Answers.begin(), Answers.end()), FDefault(Default) {
  PromptHook() = [this](const std::string& Text, const std::string& Caption, int Buttons) {
    FPrompts.push_back(TRecord{Text, Caption, Buttons});
    if (FAnswers.empty()) return FDefault;
    int a = FAnswers.front();
    FAnswers.pop_front();
    return a;
  };
}

TPromptScript::~TPromptScript() { PromptHook() = FSaved; }

namespace {
std::map<UINT_PTR, TModalAnswerer*>& Answerers() {
  static std::map<UINT_PTR, TModalAnswerer*> a;
  return a;
}

BOOL CALLBACK FindDialogProc(HWND Window, LPARAM Data) {
  wchar_t cls[32];
  GetClassNameW(Window, cls, 32);
  if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(Window)) {
    *reinterpret_cast<HWND*>(Data) = Window;
    return FALSE;
  }
  return TRUE;
}

struct TButtonSearch {
  std::wstring Want;
  HWND Found = nullptr;
};

std::wstring StripAmp(const std::wstring& S) {
  std::wstring r;
  for (wchar_t c : S)
    if (c != L'&') r += c;
  return r;
}

BOOL CALLBACK FindButtonProc(HWND Window, LPARAM Data) {
  auto* s = reinterpret_cast<TButtonSearch*>(Data);
  wchar_t cls[32];
  GetClassNameW(Window, cls, 32);
  if (_wcsicmp(cls, L"Button") != 0) return TRUE;
  wchar_t text[256];
  GetWindowTextW(Window, text, 256);
  if (_wcsicmp(StripAmp(text).c_str(), StripAmp(s->Want).c_str()) == 0) {
    s->Found = Window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectStaticProc(HWND Window, LPARAM Data) {
  wchar_t cls[32];
  GetClassNameW(Window, cls, 32);
  if (_wcsicmp(cls, L"Static") == 0) {
    std::string t = WindowText(Window);
    auto* out = reinterpret_cast<std::string*>(Data);
    if (!t.empty()) *out += (out->empty() ? "" : "\n") + t;
  }
  return TRUE;
}

TCustomForm* FindModalForm() {
  if (!Screen) return nullptr;
  for (int i = Screen->FormCount() - 1; i >= 0; --i) {
    TCustomForm* f = Screen->Forms(i);
    if (f->Modal() && f->HandleAllocated() && IsWindowVisible(f->Handle())) return f;
  }
  return nullptr;
}
}  // namespace

HWND FindDialogBox() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string WindowText(HWND Window) {
  int n = GetWindowTextLengthW(Window);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(Window, w.data(), n + 1);
  w.resize(static_cast<size_t>(std::max(n, 0)));
  return Narrow(w);
}

std::string DialogMessage(HWND Dialog) {
  std::string out;
  EnumChildWindows(Dialog, CollectStaticProc, reinterpret_cast<LPARAM>(&out));
  return out;
}

TModalAnswerer::TModalAnswerer(unsigned IntervalMs) {
  FTimer = SetTimer(nullptr, 0, IntervalMs, TimerProc);
  Answerers()[FTimer] = this;
}

TModalAnswerer::~TModalAnswerer() {
  KillTimer(nullptr, FTimer);
  Answerers().erase(FTimer);
}

void CALLBACK TModalAnswerer::TimerProc(HWND, UINT, UINT_PTR Id, DWORD) {
  auto it = Answerers().find(Id);
  if (it != Answerers().end()) it->second->Tick();
}

void TModalAnswerer::PressButton(const std::string& NameOrCaption) {
  std::string want = NameOrCaption;
  Then([want](HWND Dialog, TCustomForm* Form) {
    if (Form) {
      std::vector<TButton*> buttons;
      std::function<void(TWinControl*)> walk = [&](TWinControl* p) {
        for (int i = 0; i < p->ControlCount(); ++i) {
          if (auto* b = dynamic_cast<TButton*>(p->Controls(i))) buttons.push_back(b);
          if (auto* w = dynamic_cast<TWinControl*>(p->Controls(i))) walk(w);
        }
      };
      walk(Form);
      for (TButton* b : buttons)
        if (SameText(b->Name(), want) || SameText(StripHotkey(b->Caption()), StripHotkey(want))) {
          PostMessageW(b->Handle(), BM_CLICK, 0, 0);
          return true;
        }
      return false;
    }
    TButtonSearch s{Widen(want)};
    EnumChildWindows(Dialog, FindButtonProc, reinterpret_cast<LPARAM>(&s));
    if (!s.Found) return false;
    PostMessageW(Dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(s.Found), BN_CLICKED), reinterpret_cast<LPARAM>(s.Found));
    return true;
  });
}

void TModalAnswerer::Then(TStep Step, bool NeedsWindow) { FSteps.emplace_back(std::move(Step), NeedsWindow); }

void TModalAnswerer::ChooseMenuItem(int Index) {
  Then(
      [Index](HWND, TCustomForm*) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) return false;
        for (int i = 0; i <= Index; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        return true;
      },
      false);
}

void TModalAnswerer::Tick() {
  if (FBusy || FSteps.empty()) return;
  FBusy = true;
  TCustomForm* form = FindModalForm();
  HWND dialog = form ? form->Handle() : FindDialogBox();
  if (dialog || !FSteps.front().second) {
    std::string seen = form ? form->Caption() : dialog ? DialogMessage(dialog) : std::string();
    if (FSteps.front().first(dialog, form)) {
      if (dialog) FSeen.push_back(seen);
      FSteps.pop_front();
    }
  }
  FBusy = false;
}

}  // namespace UiDriver
