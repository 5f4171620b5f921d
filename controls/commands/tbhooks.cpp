#include "controls/commands/tbhooks.h"

namespace {

THookRegistry* Registry = nullptr;

HHOOK StoredHandle(int N) { return Registry ? static_cast<HHOOK>(Registry->Handle(N)) : nullptr; }

LRESULT CALLBACK CallWndProcHook(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && Registry && !Registry->Empty()) {
    const CWPSTRUCT* S = reinterpret_cast<const CWPSTRUCT*>(LParam);
    if (S->message == WM_ACTIVATEAPP)
      Registry->Notify(hpAppActivate, S->hwnd, S->wParam, S->lParam);
    else if (S->message == WM_WINDOWPOSCHANGED)
      Registry->Notify(hpWindowPosChanged, S->hwnd, S->wParam, S->lParam);
  }
  return CallNextHookEx(StoredHandle(hkCallWndProc), Code, WParam, LParam);
}

LRESULT CALLBACK CBTHook(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HCBT_DESTROYWND && Registry)
    Registry->Notify(hpWindowDestroyed, reinterpret_cast<void*>(WParam), 0, 0);
  return CallNextHookEx(StoredHandle(hkCBT), Code, WParam, LParam);
}

LRESULT CALLBACK GetMessageHook(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && Registry) {
    const MSG* M = reinterpret_cast<const MSG*>(LParam);
    if (M->message == WM_MOUSEMOVE) Registry->Notify(hpMouseMove, M->hwnd, M->wParam, M->lParam);
  }
  return CallNextHookEx(StoredHandle(hkGetMessage), Code, WParam, LParam);
}

void* InstallHook(int N) {
  static const int Kinds[HookCount] = {WH_CALLWNDPROC, WH_CBT, WH_GETMESSAGE};
  static const HOOKPROC Procs[HookCount] = {CallWndProcHook, CBTHook, GetMessageHook};
  return SetWindowsHookExW(Kinds[N], Procs[N], nullptr, GetCurrentThreadId());
}

void RemoveHook(int, void* Handle) { UnhookWindowsHookEx(static_cast<HHOOK>(Handle)); }

// Unhooks whatever is left when the program ends.
struct TShutdown {
  ~TShutdown() {
    delete Registry;
    Registry = nullptr;
  }
} Shutdown;

}  // namespace

THookRegistry& ToolbarHooks() {
  if (!Registry) Registry = new THookRegistry({InstallHook, RemoveHook});
  return *Registry;
}

void RegisterHookProc(THookProc Proc, THookProcCodes Codes) { ToolbarHooks().Register(Proc, Codes); }

void UnregisterHookProc(THookProc Proc) {
  if (Registry) Registry->Unregister(Proc);
}

bool IsAnyWindowActive() { return GetActiveWindow() != nullptr; }

void SelectNonClientClip(HWND Wnd, HDC DC, HRGN Region) {
  RECT R;
  GetWindowRect(Wnd, &R);
  if (Region != nullptr && Region != reinterpret_cast<HRGN>(1)) {
    if (SelectClipRgn(DC, Region) == ERROR) {
      HRGN Whole = CreateRectRgnIndirect(&R);
      SelectClipRgn(DC, Whole);
      DeleteObject(Whole);
    }
    // The update region comes in screen coordinates.
    OffsetClipRgn(DC, -R.left, -R.top);
  }
}

namespace {

struct TPrintChildren {
  HWND Parent;
  HDC DC;
  UINT Flags;
  bool Owned;
};

void PrintInto(HWND Child, HDC DC, HWND Parent, UINT Flags) {
  RECT R;
  GetWindowRect(Child, &R);
  // Owned windows are placed by screen position, children by their position
  // in the parent's client area.
  POINT P{R.left, R.top};
  ScreenToClient(Parent, &P);
  int Saved = SaveDC(DC);
  OffsetWindowOrgEx(DC, -P.x, -P.y, nullptr);
  IntersectClipRect(DC, 0, 0, R.right - R.left, R.bottom - R.top);
  SendMessageW(Child, WM_PRINT, reinterpret_cast<WPARAM>(DC), static_cast<LPARAM>(Flags));
  RestoreDC(DC, Saved);
}

BOOL CALLBACK PrintChildProc(HWND Child, LPARAM LParam) {
  TPrintChildren* C = reinterpret_cast<TPrintChildren*>(LParam);
  if (C->Owned) {
    if (GetWindow(Child, GW_OWNER) == C->Parent && IsWindowVisible(Child))
      PrintInto(Child, C->DC, C->Parent, C->Flags);
  } else if (GetParent(Child) == C->Parent && (GetWindowLongW(Child, GWL_STYLE) & WS_VISIBLE)) {
    PrintInto(Child, C->DC, C->Parent, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  }
  return TRUE;
}

}  // namespace

LRESULT PaintForPrintMessage(HWND Wnd, const TMessage& Message, TNCPaintProc NCPaint, void* Data) {
  HDC DC = reinterpret_cast<HDC>(Message.WParam);
  UINT Flags = static_cast<UINT>(Message.LParam);
  if ((Flags & PRF_CHECKVISIBLE) && !IsWindowVisible(Wnd)) return 1;
  int Saved = SaveDC(DC);
  if (Flags & PRF_NONCLIENT) {
    int S2 = SaveDC(DC);
    if (NCPaint) NCPaint(Wnd, DC, Data);
    RestoreDC(DC, S2);
  }
  RECT W;
  GetWindowRect(Wnd, &W);
  POINT Origin{0, 0};
  ClientToScreen(Wnd, &Origin);
  int DX = Origin.x - W.left, DY = Origin.y - W.top;
  if (Flags & PRF_CLIENT) {
    POINT Old;
    bool Moved = (Flags & PRF_NONCLIENT) != 0;
    if (Flags & PRF_ERASEBKGND) {
      if (Moved) OffsetWindowOrgEx(DC, -DX, -DY, &Old);
      SendMessageW(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
      if (Moved) SetWindowOrgEx(DC, Old.x, Old.y, nullptr);
    }
    if (Moved) OffsetWindowOrgEx(DC, -DX, -DY, &Old);
    SendMessageW(Wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), static_cast<LPARAM>(Flags));
    if (!Moved) OffsetWindowOrgEx(DC, -DX, -DY, nullptr);
    if (Flags & PRF_CHILDREN) {
      TPrintChildren C{Wnd, DC, Flags, false};
      EnumChildWindows(Wnd, PrintChildProc, reinterpret_cast<LPARAM>(&C));
    }
    if (Flags & PRF_OWNED) {
      TPrintChildren C{Wnd, DC, Flags, true};
      EnumWindows(PrintChildProc, reinterpret_cast<LPARAM>(&C));
    }
  }
  RestoreDC(DC, Saved);
  return 1;
}

void PaintForPrintClient(TWinControl* Control, TMessage& Message) {
  HDC DC = reinterpret_cast<HDC>(Message.WParam);
  int Saved = SaveDC(DC);
  Control->Perform(WM_PAINT, Message.WParam, 0);
  RestoreDC(DC, Saved);
  Message.Result = 0;
}

void PaintNonClient(HWND Wnd, HRGN Region, TNCPaintProc NCPaint, void* Data) {
  HDC DC = GetWindowDC(Wnd);
  SelectNonClientClip(Wnd, DC, Region);
  NCPaint(Wnd, DC, Data);
  ReleaseDC(Wnd, DC);
}

bool RunCaptureLoop(HWND Wnd, const std::function<TLoopStep(const MSG&)>& Step) {
  MSG M;
  for (;;) {
    if (GetCapture() != Wnd) return false;
    if (!GetMessageW(&M, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(M.wParam));
      return false;
    }
    switch (Step(M)) {
      case lsAccept:
        return true;
      case lsCancel:
        return false;
      case lsTaken:
        break;
      case lsDispatch:
        TranslateMessage(&M);
        DispatchMessageW(&M);
        break;
    }
  }
}
