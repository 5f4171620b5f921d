#ifdef _WIN32
#include <windows.h>

#include "tests/support/testsupport.h"

namespace morvtest {
namespace {

struct TFindWindow {
  DWORD Pid;
  std::string Class;
  HWND Found;
};

BOOL CALLBACK FindWindowProc(HWND W, LPARAM P) {
  auto* F = reinterpret_cast<TFindWindow*>(P);
  DWORD Owner = 0;
  GetWindowThreadProcessId(W, &Owner);
  char Class[64] = {};
  GetClassNameA(W, Class, sizeof Class);
  if (Owner == F->Pid && F->Class == Class) {
    F->Found = W;
    return FALSE;
  }
  return TRUE;
}

std::string TextOf(HWND W) {
  char Text[1024] = {};
  GetWindowTextA(W, Text, sizeof Text);
  return Text;
}

}  // namespace

void* FindProcessWindow(unsigned long pid, const std::string& className) {
  TFindWindow F{DWORD(pid), className, nullptr};
  EnumWindows(FindWindowProc, LPARAM(&F));
  return F.Found;
}

int RunSelfExtractor(const std::string& exe, const std::string& dir, const std::string& folder, std::string* caption,
                     std::string* message) {
  STARTUPINFOA Si = {};
  Si.cb = sizeof Si;
  PROCESS_INFORMATION Pi = {};
  std::string Cmd = "\"" + exe + "\"";
  if (!CreateProcessA(nullptr, Cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &Si, &Pi)) return -1;
  HWND W = nullptr;
  for (int i = 0; i < 600 && !W; i++) {
    if (WaitForSingleObject(Pi.hProcess, 50) == WAIT_OBJECT_0) break;
    W = HWND(FindProcessWindow(Pi.dwProcessId, "MorvSfxStub"));
    // Shown only once its controls are made.
    if (W && !IsWindowVisible(W)) W = nullptr;
  }
  int Result = -1;
  if (W) {
    if (caption) *caption = TextOf(W);
    if (message) *message = TextOf(GetDlgItem(W, 101));
    SendMessageA(GetDlgItem(W, 100), WM_SETTEXT, 0, LPARAM(folder.c_str()));
    PostMessageA(W, WM_COMMAND, IDOK, 0);
    DWORD Code = 0;
    if (WaitForSingleObject(Pi.hProcess, 60000) == WAIT_OBJECT_0 && GetExitCodeProcess(Pi.hProcess, &Code))
      Result = int(Code);
  }
  if (Result == -1) TerminateProcess(Pi.hProcess, 1);
  CloseHandle(Pi.hThread);
  CloseHandle(Pi.hProcess);
  return Result;
}

}  // namespace morvtest
#endif
