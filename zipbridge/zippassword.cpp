// The password dialog of the Zip component, built in code without a
// resource. It is a plain Win32 window: the component's library does not
// link the window layer.
#include <windows.h>

#include "zipbridge/zipbridge.h"

namespace {


struct TPasswordDlg {
  HWND Window = nullptr;
  HWND Edit = nullptr;
  HFONT Font = nullptr;
  bool Done = false;
  uint8_t Result = 0;  // 1 after OK
  std::string Text;
};

LRESULT CALLBACK DlgProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* Dlg = reinterpret_cast<TPasswordDlg*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  switch (Msg) {
    case WM_NCCREATE:
      SetWindowLongPtrA(Wnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(LParam)->lpCreateParams));
      break;
    case WM_COMMAND:
      if (Dlg && (LOWORD(WParam) == IDOK || LOWORD(WParam) == IDCANCEL)) {
        if (LOWORD(WParam) == IDOK) {
          Dlg->Result = 1;
          int Len = GetWindowTextLengthA(Dlg->Edit);
          std::string T(size_t(Len) + 1, '\0');
          GetWindowTextA(Dlg->Edit, T.data(), Len + 1);
          T.resize(size_t(Len));
          Dlg->Text = T;
        }
        Dlg->Done = true;
        return 0;
      }
      break;
    case WM_CLOSE:
      if (Dlg) Dlg->Done = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

HWND Child(TPasswordDlg& Dlg, const char* Class, const std::string& Caption, DWORD ExStyle, DWORD Style, int Id,
           int L, int T, int W, int H) {
  HWND C = CreateWindowExA(ExStyle, Class, Caption.c_str(), WS_CHILD | WS_VISIBLE | Style, L, T, W, H, Dlg.Window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(C, WM_SETFONT, reinterpret_cast<WPARAM>(Dlg.Font), FALSE);
  return C;
}

bool RunPasswordDlg(HWND Owner, const std::string& Title, const std::string& Prompt, std::string& Text) {
  static bool Registered = false;
  if (!Registered) {
    WNDCLASSA C{};
    C.lpfnWndProc = DlgProc;
    C.hInstance = GetModuleHandleA(nullptr);
    C.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    C.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    C.lpszClassName = PasswordDlgClass;
    Registered = RegisterClassA(&C) != 0;
  }
  TPasswordDlg Dlg;
  DWORD Style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
  DWORD ExStyle = WS_EX_DLGMODALFRAME;
  RECT R = {0, 0, 344, 137};
  AdjustWindowRectEx(&R, Style, FALSE, ExStyle);
  int W = R.right - R.left, H = R.bottom - R.top;
  int X = (GetSystemMetrics(SM_CXSCREEN) - W) / 2, Y = (GetSystemMetrics(SM_CYSCREEN) - H) / 2;
  Dlg.Window = CreateWindowExA(ExStyle, PasswordDlgClass, Title.c_str(), Style, X, Y, W, H, Owner, nullptr,
                               GetModuleHandleA(nullptr), &Dlg);
  if (!Dlg.Window) return false;
  Dlg.Font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  Child(Dlg, "STATIC", Prompt, 0, SS_LEFT, PasswordDlgLabelId, 20, 8, 297, 18);
  Dlg.Edit = Child(Dlg, "EDIT", "", WS_EX_CLIENTEDGE, ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP, PasswordDlgEditId, 20,
                   40, 297, 21);
  SendMessageA(Dlg.Edit, EM_SETPASSWORDCHAR, '*', 0);
  SendMessageA(Dlg.Edit, EM_LIMITTEXT, ZipMaxPasswordLen, 0);
  Child(Dlg, "BUTTON", ZipMsgText(zmOk), 0, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 44, 72, 90, 28);
  Child(Dlg, "BUTTON", ZipMsgText(zmCancel), 0, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 205, 72, 90, 28);

  bool OwnerWasEnabled = Owner && IsWindowEnabled(Owner);
  if (OwnerWasEnabled) EnableWindow(Owner, FALSE);
  ShowWindow(Dlg.Window, SW_SHOW);
  SetFocus(Dlg.Edit);
  MSG M;
  while (!Dlg.Done) {
    BOOL Got = GetMessageA(&M, nullptr, 0, 0);
    if (Got <= 0) {
      if (Got == 0) PostQuitMessage(int(M.wParam));
      break;
    }
    if (M.message == WM_KEYDOWN && (M.wParam == VK_RETURN || M.wParam == VK_ESCAPE) &&
        (M.hwnd == Dlg.Window || IsChild(Dlg.Window, M.hwnd))) {
      SendMessageA(Dlg.Window, WM_COMMAND, M.wParam == VK_RETURN ? IDOK : IDCANCEL, 0);
      continue;
    }
    if (IsDialogMessageA(Dlg.Window, &M)) continue;
    TranslateMessage(&M);
    DispatchMessageA(&M);
  }
  if (OwnerWasEnabled) EnableWindow(Owner, TRUE);
  DestroyWindow(Dlg.Window);
  DeleteObject(Dlg.Font);
  Text = Dlg.Result == 1 ? Dlg.Text : std::string();
  return Dlg.Result == 1;
}

}  // namespace

bool TZipBridge::ShowPasswordDlg(const std::string& Title, const std::string& Prompt, std::string& Text) {
  Text.clear();
  if (PasswordDlgHook()) return PasswordDlgHook()(Title, Prompt, Text);
  return RunPasswordDlg(static_cast<HWND>(FHandle), Title, Prompt, Text);
}
