// Helpers for tests that drive morv.exe as a user starts it: processes kept
// in job objects (so every process a start spawns is seen, and all of them
// end with the test), their main windows, their command lines, and stand-in
// windows of other programs (answering, silent, hung).
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "app/startup.h"
#include "framework/core/sysutils.h"
#include "framework/ui/testdriver.h"
#include "framework/ui/winapi.h"
#include "tests/app/appcore_fixture.h"
#include "tests/support/testsupport.h"

#include <winternl.h>

namespace e2e {

inline std::string MorvExe() { return morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/app/morv.exe"); }

// The first window of a Wine session can take well over ten seconds.
constexpr long long FirstWindowMs = 60000;

inline std::string Quoted(const std::string& S) { return "\"" + S + "\""; }

inline long long MsSince(std::chrono::steady_clock::time_point Start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start).count();
}

inline std::string ClassOf(HWND Wnd) {
  char name[64] = {};
  GetClassNameA(Wnd, name, sizeof name);
  return name;
}

inline std::string WindowTitle(HWND Wnd) {
  char text[512] = {};
  GetWindowTextA(Wnd, text, sizeof text);
  return text;
}

struct TMainFormSearch {
  DWORD Pid;
  std::vector<HWND> Found;
};

inline BOOL CALLBACK CollectMainForm(HWND Wnd, LPARAM Param) {
  auto* search = reinterpret_cast<TMainFormSearch*>(Param);
  DWORD pid = 0;
  GetWindowThreadProcessId(Wnd, &pid);
  if ((search->Pid == 0 || pid == search->Pid) && ClassOf(Wnd) == MainWindowClassName) search->Found.push_back(Wnd);
  return TRUE;
}

// The "TMainForm" windows of one process (Pid 0: of every process), hidden
// ones included.
inline std::vector<HWND> MainForms(DWORD Pid = 0) {
  TMainFormSearch search{Pid, {}};
  EnumWindows(CollectMainForm, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// What a window answers to the start-up probe; -1 when it does not answer.
inline LRESULT ProbeReply(HWND Wnd) {
  DWORD_PTR reply = 0;
  if (!SendMessageTimeoutA(Wnd, WM_INSTANCEPROBE, 0, 0, SMTO_ABORTIFHUNG, 5000, &reply)) return -1;
  return static_cast<LRESULT>(reply);
}

inline BOOL CALLBACK FindEntryList(HWND Wnd, LPARAM Param) {
  const std::string cls = ClassOf(Wnd);
  if (cls != "TListView" && cls != "SysListView32") return TRUE;
  *reinterpret_cast<HWND*>(Param) = Wnd;
  return FALSE;
}

// Rows in the entry list of a main window of another process.
inline int ListItemCount(HWND Main) {
  HWND list = nullptr;
  EnumChildWindows(Main, FindEntryList, reinterpret_cast<LPARAM>(&list));
  return list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

// The command line another process was started with, read from its process
// parameters; empty when it cannot be read (yet).
inline std::string ProcessCommandLine(DWORD Pid) {
  using TQuery = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query =
      reinterpret_cast<TQuery>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  if (!query) return "";
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, Pid);
  if (!process) return "";
  std::string line;
  PROCESS_BASIC_INFORMATION basic{};
  ULONG got = 0;
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS params{};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, &got) == 0 &&
      ReadProcessMemory(process, basic.PebBaseAddress, &peb, offsetof(PEB, ProcessParameters) + sizeof peb.ProcessParameters,
                        nullptr) &&
      peb.ProcessParameters &&
      ReadProcessMemory(process, peb.ProcessParameters, &params,
                        offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine) + sizeof params.CommandLine, nullptr) &&
      params.CommandLine.Buffer && params.CommandLine.Length > 0) {
    std::wstring wide(params.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (ReadProcessMemory(process, params.CommandLine.Buffer, wide.data(), params.CommandLine.Length, nullptr))
      for (wchar_t c : wide) line += c < 0x80 ? static_cast<char>(c) : '?';
  }
  CloseHandle(process);
  return line;
}

// Polls Done every 50 ms for up to Ms; its last result.
template <class F>
bool WaitUntil(long long Ms, F Done) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    if (Done()) return true;
    if (MsSince(start) >= Ms) return false;
    Sleep(50);
  }
}

// A morv.exe process started as "<quoted Exe> Args", inside a job object of
// its own: the processes it starts join the job and are reported, and
// whatever is left of them is killed when the object goes (also after a
// failed assertion).
class TMorvProcess {
 public:
  explicit TMorvProcess(const std::string& Args, const std::string& Exe = MorvExe()) {
    FJob = CreateJobObjectA(nullptr, nullptr);
    FPort = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    if (!FJob || !FPort) return;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT port{};
    port.CompletionKey = FJob;
    port.CompletionPort = FPort;
    SetInformationJobObject(FJob, JobObjectAssociateCompletionPortInformation, &port, sizeof port);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(FJob, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    std::string line = "\"" + Exe + "\"" + (Args.empty() ? "" : " " + Args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    FStart = std::chrono::steady_clock::now();
    // Suspended until it is in the job, so nothing it starts can escape.
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &FPi))
      return;
    if (!AssignProcessToJobObject(FJob, FPi.hProcess)) {
      TerminateProcess(FPi.hProcess, 1);
      return;
    }
    ResumeThread(FPi.hThread);
    FStarted = true;
  }
  ~TMorvProcess() {
    if (FJob) TerminateJobObject(FJob, 1);
    if (FPi.hProcess) {
      if (WaitForSingleObject(FPi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(FPi.hProcess, 1);
      CloseHandle(FPi.hProcess);
      CloseHandle(FPi.hThread);
    }
    if (FPort) CloseHandle(FPort);
    if (FJob) CloseHandle(FJob);
  }
  TMorvProcess(const TMorvProcess&) = delete;
  TMorvProcess& operator=(const TMorvProcess&) = delete;

  bool Started() const { return FStarted; }
  DWORD Pid() const { return FPi.dwProcessId; }
  // Milliseconds since the start was asked for.
  long long Elapsed() const { return MsSince(FStart); }

  bool WaitForExit(DWORD Ms) const { return FStarted && WaitForSingleObject(FPi.hProcess, Ms) == WAIT_OBJECT_0; }
  bool Running() const { return FStarted && WaitForSingleObject(FPi.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(FPi.hProcess, &code);
    return code;
  }

  // The process's main window once it is visible (and, when Title is given,
  // carries that title); nullptr when it does not come within Ms.
  HWND WaitForMainWindow(long long Ms, const std::string& Title = "") {
    WaitUntil(Ms, [&] {
      FMain = nullptr;
      for (HWND w : MainForms(Pid()))
        if (IsWindowVisible(w) && (Title.empty() || WindowTitle(w) == Title)) FMain = w;
      return FMain != nullptr || !Running();
    });
    return FMain;
  }

  // Closes the main window as the user does; true when the process ended.
  bool Close(DWORD Ms = 20000) {
    if (!FMain) WaitForMainWindow(0);
    if (!FMain) return false;
    PostMessageA(FMain, WM_CLOSE, 0, 0);
    return WaitForExit(Ms);
  }

  // Processes that joined the job besides this one, collected for Ms.
  const std::vector<DWORD>& Spawned(DWORD Ms) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
      const long long left = Ms - MsSince(start);
      DWORD message = 0;
      ULONG_PTR key = 0;
      LPOVERLAPPED data = nullptr;
      if (!GetQueuedCompletionStatus(FPort, &message, &key, &data, left > 0 ? DWORD(left) : 0)) break;
      const auto pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(data));
      if (message == JOB_OBJECT_MSG_NEW_PROCESS && pid != Pid() &&
          std::find(FSpawned.begin(), FSpawned.end(), pid) == FSpawned.end())
        FSpawned.push_back(pid);
    }
    return FSpawned;
  }

 private:
  HANDLE FJob = nullptr;
  HANDLE FPort = nullptr;
  PROCESS_INFORMATION FPi{};
  bool FStarted = false;
  HWND FMain = nullptr;
  std::chrono::steady_clock::time_point FStart;
  std::vector<DWORD> FSpawned;
};

// A top-level window of another thread standing in for a running Morv (or
// for a foreign or hung window): it answers the probe with Reply and records
// the bring-to-front and command-line messages. A hung one handles nothing
// until Release.
class TFakeInstance {
 public:
  TFakeInstance(const char* ClassName, LRESULT Reply, bool Hung = false) : FReply(Reply) {
    FThread = std::thread([this, ClassName, Hung] { Run(ClassName, Hung); });
    while (!FReady) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~TFakeInstance() {
    Release();
    PostMessageA(FWnd, WM_CLOSE, 0, 0);
    FThread.join();
    CloseHandle(FRelease);
  }
  TFakeInstance(const TFakeInstance&) = delete;
  TFakeInstance& operator=(const TFakeInstance&) = delete;

  void Release() { SetEvent(FRelease); }
  // The command-line handler keeps handling messages for Ms before it
  // returns, as a window asking the user something does.
  void SetBusy(int Ms) { FBusyMs = Ms; }
  HWND Wnd() const { return FWnd; }
  int Activations() const { return FActivations; }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FLines;
  }
  int Probes() const { return FProbes; }

 private:
  static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
    auto* self = reinterpret_cast<TFakeInstance*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    if (Msg == WM_NCCREATE) {
      self = static_cast<TFakeInstance*>(reinterpret_cast<CREATESTRUCTA*>(L)->lpCreateParams);
      SetWindowLongPtrA(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self) {
      switch (Msg) {
        case WM_INSTANCEPROBE:
          ++self->FProbes;
          return self->FReply;
        case WM_INSTANCEACTIVATE:
          ++self->FActivations;
          return 0;
        case WM_INSTANCECOMMANDLINE: {
          try {
            const std::string line = ReadForwardedLine(W);
            std::lock_guard<std::mutex> lock(self->FMutex);
            self->FLines.push_back(line);
          } catch (const std::exception&) {
            // A line whose sender gave up is gone with its atom.
          }
          const auto start = std::chrono::steady_clock::now();
          while (MsSince(start) < self->FBusyMs) {
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            Sleep(10);
          }
          return 0;
        }
        case WM_CLOSE:
          DestroyWindow(Wnd);
          return 0;
        case WM_DESTROY:
          PostQuitMessage(0);
          return 0;
      }
    }
    return DefWindowProcA(Wnd, Msg, W, L);
  }

  // The class is registered for a module of its own, so it does not meet
  // the window layer's "TMainForm" class of this program.
  static HINSTANCE ClassModule() { return GetModuleHandleA("kernel32.dll"); }

  void Run(const char* ClassName, bool Hung) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ClassModule();
    wc.lpszClassName = ClassName;
    RegisterClassA(&wc);
    FWnd = CreateWindowExA(0, ClassName, "fake", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, ClassModule(), this);
    FReady = true;
    if (Hung) WaitForSingleObject(FRelease, INFINITE);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  }

  LRESULT FReply;
  HANDLE FRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread FThread;
  std::atomic<bool> FReady{false};
  std::atomic<HWND> FWnd{nullptr};
  std::atomic<int> FActivations{0};
  std::atomic<int> FProbes{0};
  std::atomic<int> FBusyMs{0};
  std::mutex FMutex;
  std::vector<std::string> FLines;
};

// A test that starts morv.exe: skipped without a display or without the
// program; the settings start from an empty "Software\Quillon" and go again
// afterwards, and the favourites file lands in a scratch documents folder.
class TMorvExeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
    if (!FileExists(MorvExe())) GTEST_SKIP() << "morv.exe not built";
    Dir = morvtest::TempDir();
    const std::string docs = Dir + "\\docs";
    ASSERT_TRUE(CreateDir(docs));
    apptest::SetString(apptest::UserShellFolders, "Personal", docs);
    ClearSettings();
  }
  void TearDown() override { ClearSettings(); }
  static void ClearSettings() {
    apptest::DeleteTree("Software\\Quillon");
    apptest::DeleteTree("Software\\MORV");
  }
  // A complete stored set of defaults with the given "Reuse Windows", and
  // no tip or association prompt at start.
  static void StoreSettings(uint8_t Reuse) {
    SetDefaultSettings();
    ReuseWindows = Reuse;
    TipOfTheDay = 2;
    CheckForZipAssociation = 1;
    SaveSettings();
    SetDefaultSettings();
  }

  // A Zip archive in Dir holding Count small text files; its full name.
  std::string MakeZip(const std::string& Name, int Count = 1) {
    std::string files;
    for (int i = 1; i <= Count; ++i) files += " f" + std::to_string(i) + ".txt";
    const std::string host = morvtest::HostPath(Dir);
    std::string hostName = Name;
    for (char& c : hostName)
      if (c == '\\') c = '/';
    EXPECT_EQ(morvtest::RunPeer("cd '" + host + "' && for f in" + files + "; do echo \"$f\" > $f; done && zip -q '" +
                                hostName + "'" + files + " && rm" + files),
              0);
    return Dir + "\\" + Name;
  }

  apptest::TValueBackup FPersonal{apptest::UserShellFolders, "Personal"};
  std::string Dir;
};

}  // namespace e2e
