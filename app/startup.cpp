#include "app/startup.h"

#include <cstdlib>

#include "app/settings.h"
#include "app/utils.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"

HWND RunningInstanceWindow = nullptr;
ATOM ForwardAtom = 0;
std::string ForwardedCommandLine;
UINT ForwardReplyTimeout = 60000;

namespace {

const char* const JobMarker = "MORV_FORWARDED_JOB";

[[noreturn]] void RaiseLastWin32Error() {
  const int code = static_cast<int>(GetLastError());
  throw Exception("Win32 Error.  Code: " + IntToStr(code) + ".\n" + SysErrorMessage(code));
}

}  // namespace

BOOL CALLBACK FindRunningInstance(HWND Wnd, LPARAM) {
  char name[30] = {};
  GetClassNameA(Wnd, name, sizeof name);
  // Only our own class is asked, and never without a time limit: a window of
  // another program, or a hung one, must not hold up the start.
  if (std::string(name) != MainWindowClassName) return TRUE;
  DWORD_PTR reply = 0;
  if (!SendMessageTimeoutA(Wnd, WM_INSTANCEPROBE, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, InstanceProbeTimeout, &reply))
    return TRUE;
  if (static_cast<LRESULT>(reply) != InstanceProbeReply) return TRUE;
  RunningInstanceWindow = Wnd;
  return FALSE;
}

HWND ProbeRunningInstance() {
  RunningInstanceWindow = nullptr;
  ForwardAtom = 0;
  EnumWindows(FindRunningInstance, 0);
  return RunningInstanceWindow;
}

std::string CommandLineArguments(const std::string& CommandLine) {
  size_t i = 0;
  const size_t n = CommandLine.size();
  while (i < n && (CommandLine[i] == ' ' || CommandLine[i] == '\t')) ++i;
  // The program name ends at its closing quote, or at the first blank when
  // it is not quoted (the rule the C run-time applies to argv[0]).
  if (i < n && CommandLine[i] == '"') {
    size_t close = CommandLine.find('"', i + 1);
    i = close == std::string::npos ? n : close + 1;
  } else {
    while (i < n && CommandLine[i] != ' ' && CommandLine[i] != '\t') ++i;
  }
  return Trim(CommandLine.substr(i));
}

bool ForwardToRunningInstance() {
  if (!RunningInstanceWindow) return false;
  const std::string line = ForwardedCommandLine;
  if (line.size() > MaxForwardedLine) return false;
  ForwardAtom = 0;
  if (!line.empty()) {
    ForwardAtom = GlobalAddAtomA(line.c_str());
    if (!ForwardAtom) return false;
    // Atoms ignore case: an equal name already in the table would hand over
    // that one's spelling.
    char check[MaxForwardedLine + 2] = {};
    UINT got = GlobalGetAtomNameA(ForwardAtom, check, sizeof check);
    if (std::string(check, got) != line) {
      GlobalDeleteAtom(ForwardAtom);
      ForwardAtom = 0;
      return false;
    }
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(RunningInstanceWindow, &pid);
  if (pid) AllowSetForegroundWindow(pid);
  PostMessageA(RunningInstanceWindow, WM_INSTANCEACTIVATE, 0, 0);
  if (!ForwardAtom) return true;
  DWORD_PTR reply = 0;
  // The running window may take a while to open the archive; it reads the
  // atom first. A hung window gets nothing, and the line runs here.
  const LRESULT sent = SendMessageTimeoutA(RunningInstanceWindow, WM_INSTANCECOMMANDLINE, ForwardAtom, 0,
                                           SMTO_ABORTIFHUNG, ForwardReplyTimeout, &reply);
  GlobalDeleteAtom(ForwardAtom);
  ForwardAtom = 0;
  if (sent) return true;
  // Still handling messages after the wait, the window is inside its handler
  // (asking the user about the archive, say): it has the line, and running
  // it here too would open it twice.
  return IsWindow(RunningInstanceWindow) && !IsHungAppWindow(RunningInstanceWindow);
}

bool HandOverToRunningInstance() {
  if (IsForwardedJobProcess()) return false;
  ForwardedCommandLine = CommandLineArguments(GetCommandLineA());
  if (!ProbeRunningInstance()) return false;
  return ForwardToRunningInstance();
}

LRESULT InstanceProbeAnswer() {
  return ReuseWindows == 1 && !IsForwardedJobProcess() ? InstanceProbeReply : 0;
}

std::string ReadForwardedLine(WPARAM Atom) {
  char buf[260] = {};
  UINT n = GlobalGetAtomNameA(static_cast<ATOM>(Atom & 0xFFFF), buf, sizeof buf);
  if (n == 0) RaiseLastWin32Error();
  return std::string(buf, n);
}

std::string ForwardedArchiveName(const std::string& Line) {
  std::string name;
  for (char c : Line)
    if (c != '"') name += c;
  return Trim(name);
}

bool StartJobProcess(const std::string& Line) {
  std::string cmd = "\"" + ProgramFileName() + "\" " + Line;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION pi{};
  SetEnvironmentVariableA(JobMarker, "1");
  const BOOL ok = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableA(JobMarker, nullptr);
  if (!ok) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

bool IsForwardedJobProcess() {
  static const bool job = [] {
    char buf[8] = {};
    const DWORD n = GetEnvironmentVariableA(JobMarker, buf, sizeof buf);
    SetEnvironmentVariableA(JobMarker, nullptr);
    return n > 0 && n < sizeof buf;
  }();
  return job;
}
