// Single instance: a new start asks the running main windows (class
// "TMainForm") whether one takes over, and hands it the command line in a
// global atom.
#pragma once
#include <string>

#include "framework/ui/winapi.h"

constexpr UINT WM_INSTANCEPROBE = WM_APP + 101;        // sent; answered with InstanceProbeReply
constexpr UINT WM_INSTANCEACTIVATE = WM_APP + 102;     // posted: restore or bring to front
constexpr UINT WM_INSTANCECOMMANDLINE = WM_APP + 103;  // sent; wParam is the atom of the line
constexpr LRESULT InstanceProbeReply = 6543124;
constexpr const char* MainWindowClassName = "TMainForm";
// How long one probed window may take to answer.
constexpr UINT InstanceProbeTimeout = 1000;
// A global atom name holds at most this many characters; longer lines run
// locally.
constexpr size_t MaxForwardedLine = 255;
// How long a start waits for the running window to take its line (ms).
extern UINT ForwardReplyTimeout;

extern HWND RunningInstanceWindow;
extern ATOM ForwardAtom;
extern std::string ForwardedCommandLine;

// EnumWindows callback: takes the first "TMainForm" window that answers the
// probe with InstanceProbeReply.
BOOL CALLBACK FindRunningInstance(HWND Wnd, LPARAM);
// Clears RunningInstanceWindow, probes every top-level window, returns it.
HWND ProbeRunningInstance();

// The arguments of a raw command line (after the program name), quotes
// kept, blanks trimmed.
std::string CommandLineArguments(const std::string& CommandLine);

// Brings RunningInstanceWindow to front and sends it ForwardedCommandLine
// (when not empty). False when nothing was handed over and this process must
// run the line itself: too long for an atom, the atom failed, or the window
// is gone or hung. A window still busy with the line when the wait ends has
// taken it.
bool ForwardToRunningInstance();

// The whole start-up decision: unless this process runs a forwarded job,
// ForwardedCommandLine is taken from the process's command line, the running
// instances are probed and the line forwarded. True: this process ends now.
bool HandOverToRunningInstance();

// The running window's side.
// The reply to WM_INSTANCEPROBE: InstanceProbeReply when ReuseWindows is 1
// and this process is not running a forwarded job; 0 otherwise.
LRESULT InstanceProbeAnswer();
// The line in the atom of WM_INSTANCECOMMANDLINE's wParam; raises an
// Exception with the system's error when it cannot be read.
std::string ReadForwardedLine(WPARAM Atom);
// A forwarded line that names an archive, its quotes removed.
std::string ForwardedArchiveName(const std::string& Line);
// Starts a new process of this program for a forwarded job line
// ("-..."): "<quoted program path> <line>", shown normally. The new process
// knows it runs a forwarded job and never forwards it again.
bool StartJobProcess(const std::string& Line);
// True in a process that StartJobProcess started. The mark is taken out of
// the environment on the first call, so the job's own children do not
// inherit it: call it early (HandOverToRunningInstance does).
bool IsForwardedJobProcess();
