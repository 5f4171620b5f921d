// What the Windows benchmark programs share under Wine: host paths seen from
// Wine, timing, and running a host script to its end.
#pragma once
#include <windows.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>

#include "framework/core/sysutils.h"

inline std::string Local(const std::string& Host) {
  std::string P = "Z:" + Host;
  for (char& C : P)
    if (C == '/') C = '\\';
  return P;
}

inline double Seconds(const std::function<void()>& F) {
  auto T0 = std::chrono::steady_clock::now();
  F();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

// Wine neither waits for a host program nor passes its status back, so the
// script (kept as Base.sh) leaves Base.done when it is done.
inline bool RunHostScript(const std::string& Base, const std::string& Script) {
  std::string ScriptFile = Base + ".sh", Done = Base + ".done";
  DeleteFile(Local(Done));
  {
    std::ofstream S(Local(ScriptFile), std::ios::binary);
    S << Script << "\necho $? > " << Done << ".tmp && mv " << Done << ".tmp " << Done << "\n";
  }
  std::string Cmd = "/bin/sh " + ScriptFile;
  STARTUPINFOA Si{};
  Si.cb = sizeof Si;
  PROCESS_INFORMATION Pi{};
  if (!CreateProcessA(nullptr, Cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si, &Pi)) return false;
  CloseHandle(Pi.hThread);
  CloseHandle(Pi.hProcess);
  for (int Waited = 0; Waited < 30 * 60 * 1000; Waited += 50) {
    std::ifstream D(Local(Done));
    int Code;
    if (D >> Code) return Code == 0;
    Sleep(50);
  }
  return false;
}

inline double ReadSeconds(const std::string& HostFile) {
  std::ifstream F(Local(HostFile));
  double S = -1;
  F >> S;
  return S;
}
