// The toolbar library's shared thread hooks: one reference-counted set of
// three hooks and one list of notification procedures, so that controls do
// not each install hooks of their own. Portable: the installing of a real
// hook is given by the caller (tbhooks.cpp on Windows, fakes in tests).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/core/sysutils.h"

// A control used in a way it cannot be (a dock inside a tool window, ...).
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// Numbered as the notifications are: activation, window moved or shown,
// window destroyed, mouse moved.
enum THookProcCode : int { hpAppActivate = 0, hpWindowPosChanged = 1, hpWindowDestroyed = 2, hpMouseMove = 3 };
using THookProcCodes = uint8_t;
constexpr THookProcCodes HookCode(THookProcCode C) { return static_cast<THookProcCodes>(1u << C); }
constexpr THookProcCodes hcAll = 0x0F;

// The three hooks that serve the codes: call-window-procedure (codes 0, 1),
// computer-based-training (2) and get-message (3).
enum THookNumber : int { hkCallWndProc = 0, hkCBT = 1, hkGetMessage = 2 };
constexpr int HookCount = 3;

// (code, window, wParam, lParam). Window and parameters are the message's.
using THookProc = void (*)(THookProcCode Code, void* Wnd, uintptr_t WParam, intptr_t LParam);

struct THookInstaller {
  // Installs hook number N for the calling thread; returns its handle or null.
  void* (*Install)(int N) = nullptr;
  void (*Remove)(int N, void* Handle) = nullptr;
};

class THookRegistry {
 public:
  explicit THookRegistry(THookInstaller Installer) : FInstaller(Installer) {}
  ~THookRegistry() { UninstallAll(); }
  THookRegistry(const THookRegistry&) = delete;
  THookRegistry& operator=(const THookRegistry&) = delete;

  // A procedure registered again counts up and counts its hooks again: the
  // hook use counts follow registrations one for one.
  void Register(THookProc Proc, THookProcCodes Codes);
  void Unregister(THookProc Proc);
  // Calls every procedure registered for Code, in registration order.
  void Notify(THookProcCode Code, void* Wnd, uintptr_t WParam, intptr_t LParam);
  // Removes every hook whatever its count, and forgets the procedures.
  void UninstallAll();

  bool Empty() const { return FEntries.empty(); }
  bool Registered(THookProc Proc) const { return Find(Proc) >= 0; }
  int RefCount(THookProc Proc) const;
  int UseCount(int N) const { return FHooks[N].UseCount; }
  void* Handle(int N) const { return FHooks[N].Handle; }
  // Which hooks the codes need, as bits 0..2.
  static uint8_t HooksFor(THookProcCodes Codes);

 private:
  struct TEntry {
    THookProc Proc;
    int RefCount;
    THookProcCodes Codes;
  };
  struct THook {
    void* Handle = nullptr;
    int32_t UseCount = 0;
  };
  int Find(THookProc Proc) const;
  void Install(THookProcCodes Codes);
  void Uninstall(THookProcCodes Codes, bool Force);

  THookInstaller FInstaller;
  std::vector<TEntry> FEntries;
  THook FHooks[HookCount];
};

// Sorts Items in place by a recursive quicksort with the middle item as the
// pivot; fewer than 2 items are left alone.
using TListSortCompareEx = int (*)(void* Item1, void* Item2, void* Data);
void SortListWithCompare(std::vector<void*>& Items, TListSortCompareEx Compare, void* Data);

// Every Version property of the library reads this; writing it is ignored.
extern const char* const ToolbarXVersion;

