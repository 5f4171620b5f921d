#ifdef _WIN32
#include <windows.h>

#include <cstring>

#include "tests/support/testsupport.h"

namespace morvtest {
namespace {

struct TFindStub {
  DWORD Pid;
  HWND Found;
};

BOOL CALLBACK FindStubProc(HWND W, LPARAM P) {
  auto* F = reinterpret_cast<TFindStub*>(P);
  DWORD Owner = 0;
  GetWindowThreadProcessId(W, &Owner);
  char Class[64] = {};
  GetClassNameA(W, Class, sizeof Class);
  if (Owner == F->Pid && std::strcmp(Class, "MorvSfxStub") == 0) {
    F->Found = W;
    return FALSE;
  }
  return TRUE;
}

HWND FindStubWindow(DWORD Pid) {
  TFindStub F{Pid, nullptr};
  EnumWindows(FindStubProc, LPARAM(&F));
  return F.Found;
}

std::string TextOf(HWND W) {
  char Text[1024] = {};
  GetWindowTextA(W, Text, sizeof Text);
  return Text;
}

}  // namespace

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
    W = FindStubWindow(Pi.dwProcessId);
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
