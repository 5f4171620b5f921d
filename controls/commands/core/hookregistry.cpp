#include "controls/commands/core/hookregistry.h"

#include <utility>

const char* const ToolbarXVersion = "ToolbarX version 1.74c";

uint8_t THookRegistry::HooksFor(THookProcCodes Codes) {
  uint8_t Hooks = 0;
  if (Codes & (HookCode(hpAppActivate) | HookCode(hpWindowPosChanged))) Hooks |= 1 << hkCallWndProc;
  if (Codes & HookCode(hpWindowDestroyed)) Hooks |= 1 << hkCBT;
  if (Codes & HookCode(hpMouseMove)) Hooks |= 1 << hkGetMessage;
  return Hooks;
}

int THookRegistry::Find(THookProc Proc) const {
  for (size_t I = 0; I < FEntries.size(); ++I)
    if (FEntries[I].Proc == Proc) return static_cast<int>(I);
  return -1;
}

int THookRegistry::RefCount(THookProc Proc) const {
  int I = Find(Proc);
  return I < 0 ? 0 : FEntries[static_cast<size_t>(I)].RefCount;
}

void THookRegistry::Install(THookProcCodes Codes) {
  uint8_t Hooks = HooksFor(Codes);
  for (int N = 0; N < HookCount; ++N) {
    if (!(Hooks & (1 << N))) continue;
    ++FHooks[N].UseCount;
    if (!FHooks[N].Handle && FInstaller.Install) FHooks[N].Handle = FInstaller.Install(N);
  }
}

void THookRegistry::Uninstall(THookProcCodes Codes, bool Force) {
  uint8_t Hooks = HooksFor(Codes);
  for (int N = 0; N < HookCount; ++N) {
    if (!(Hooks & (1 << N))) continue;
    if (FHooks[N].UseCount > 0) --FHooks[N].UseCount;
    if ((Force || FHooks[N].UseCount == 0) && FHooks[N].Handle) {
      if (FInstaller.Remove) FInstaller.Remove(N, FHooks[N].Handle);
      FHooks[N].Handle = nullptr;
    }
  }
}

void THookRegistry::Register(THookProc Proc, THookProcCodes Codes) {
  int I = Find(Proc);
  if (I >= 0)
    ++FEntries[static_cast<size_t>(I)].RefCount;
  else
    FEntries.push_back({Proc, 1, Codes});
  Install(Codes);
}

void THookRegistry::Unregister(THookProc Proc) {
  int I = Find(Proc);
  if (I < 0) return;
  TEntry& E = FEntries[static_cast<size_t>(I)];
  THookProcCodes Codes = E.Codes;
  if (--E.RefCount <= 0) FEntries.erase(FEntries.begin() + I);
  Uninstall(Codes, false);
}

void THookRegistry::Notify(THookProcCode Code, void* Wnd, uintptr_t WParam, intptr_t LParam) {
  // A procedure may unregister itself (or another) while being called: walk a
  // snapshot and skip entries that left meanwhile.
  std::vector<THookProc> Procs;
  for (const TEntry& E : FEntries)
    if (E.Codes & HookCode(Code)) Procs.push_back(E.Proc);
  for (THookProc P : Procs)
    if (Registered(P)) P(Code, Wnd, WParam, LParam);
}

void THookRegistry::UninstallAll() {
  for (int N = 0; N < HookCount; ++N) {
    if (FHooks[N].Handle && FInstaller.Remove) FInstaller.Remove(N, FHooks[N].Handle);
    FHooks[N] = THook{};
  }
  FEntries.clear();
}

namespace {
void QuickSort(std::vector<void*>& Items, int L, int R, TListSortCompareEx Compare, void* Data) {
  while (L < R) {
    int I = L, J = R;
    void* P = Items[static_cast<size_t>((L + R) / 2)];
    while (I <= J) {
      while (Compare(Items[static_cast<size_t>(I)], P, Data) < 0) ++I;
      while (Compare(Items[static_cast<size_t>(J)], P, Data) > 0) --J;
      if (I <= J) {
        std::swap(Items[static_cast<size_t>(I)], Items[static_cast<size_t>(J)]);
        ++I;
        --J;
      }
    }
    // Recurse into the smaller side so that the depth stays logarithmic.
    if (J - L < R - I) {
      QuickSort(Items, L, J, Compare, Data);
      L = I;
    } else {
      QuickSort(Items, I, R, Compare, Data);
      R = J;
    }
  }
}
}  // namespace

void SortListWithCompare(std::vector<void*>& Items, TListSortCompareEx Compare, void* Data) {
  if (Items.size() < 2) return;
  QuickSort(Items, 0, static_cast<int>(Items.size()) - 1, Compare, Data);
}

