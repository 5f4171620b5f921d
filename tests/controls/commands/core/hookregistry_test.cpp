#include "controls/commands/core/hookregistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Log;
int NextHandle = 100;

void* FakeInstall(int N) {
  Log.push_back("install " + std::to_string(N));
  return reinterpret_cast<void*>(static_cast<intptr_t>(NextHandle++));
}
void FakeRemove(int N, void*) { Log.push_back("remove " + std::to_string(N)); }

std::vector<std::string> Calls;
void ProcA(THookProcCode C, void*, uintptr_t, intptr_t) { Calls.push_back("A" + std::to_string(C)); }
void ProcB(THookProcCode C, void*, uintptr_t, intptr_t) { Calls.push_back("B" + std::to_string(C)); }

class HookRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log.clear();
    Calls.clear();
  }
  THookRegistry R{{FakeInstall, FakeRemove}};
};

TEST_F(HookRegistryTest, UseCountsFollowRegistrationsOneForOne) {
  const THookProcCodes Button = HookCode(hpAppActivate) | HookCode(hpMouseMove);
  R.Register(ProcA, Button);
  R.Register(ProcA, Button);
  EXPECT_EQ(R.RefCount(ProcA), 2);
  EXPECT_EQ(R.UseCount(hkCallWndProc), 2);
  EXPECT_EQ(R.UseCount(hkGetMessage), 2);
  EXPECT_EQ(R.UseCount(hkCBT), 0);
  EXPECT_EQ(Log, (std::vector<std::string>{"install 0", "install 2"}));

  // Registered twice, unregistered once: still registered, hooks still there.
  R.Unregister(ProcA);
  EXPECT_TRUE(R.Registered(ProcA));
  EXPECT_NE(R.Handle(hkCallWndProc), nullptr);
  EXPECT_NE(R.Handle(hkGetMessage), nullptr);

  R.Unregister(ProcA);
  EXPECT_FALSE(R.Registered(ProcA));
  EXPECT_TRUE(R.Empty());
  EXPECT_EQ(R.Handle(hkCallWndProc), nullptr);
  EXPECT_EQ(R.Handle(hkGetMessage), nullptr);
  EXPECT_EQ(Log, (std::vector<std::string>{"install 0", "install 2", "remove 0", "remove 2"}));
}

TEST_F(HookRegistryTest, SharedHookStaysWhileAnotherProcedureNeedsIt) {
  R.Register(ProcA, HookCode(hpAppActivate) | HookCode(hpWindowPosChanged) | HookCode(hpWindowDestroyed));
  R.Register(ProcB, HookCode(hpAppActivate) | HookCode(hpMouseMove));
  EXPECT_EQ(R.UseCount(hkCallWndProc), 2);
  R.Unregister(ProcA);
  EXPECT_EQ(R.UseCount(hkCallWndProc), 1);
  EXPECT_NE(R.Handle(hkCallWndProc), nullptr);
  EXPECT_EQ(R.Handle(hkCBT), nullptr);
  // An unknown procedure changes nothing.
  R.Unregister(ProcA);
  EXPECT_EQ(R.UseCount(hkCallWndProc), 1);
}

TEST_F(HookRegistryTest, NotifyReachesOnlyProceduresOfThatCodeInOrder) {
  R.Register(ProcB, HookCode(hpMouseMove) | HookCode(hpAppActivate));
  R.Register(ProcA, hcAll);
  R.Notify(hpAppActivate, nullptr, 0, 0);
  R.Notify(hpWindowDestroyed, nullptr, 0, 0);
  R.Notify(hpMouseMove, nullptr, 0, 0);
  EXPECT_EQ(Calls, (std::vector<std::string>{"B0", "A0", "A2", "B3", "A3"}));
}

TEST_F(HookRegistryTest, UninstallAllForcesEveryHookOut) {
  R.Register(ProcA, hcAll);
  R.Register(ProcA, hcAll);
  R.UninstallAll();
  EXPECT_TRUE(R.Empty());
  for (int N = 0; N < HookCount; ++N) {
    EXPECT_EQ(R.Handle(N), nullptr);
    EXPECT_EQ(R.UseCount(N), 0);
  }
  EXPECT_EQ(Log.size(), 6u);
}

int CompareInts(void* A, void* B, void* Data) {
  int Sign = *static_cast<int*>(Data);
  return Sign * (static_cast<int>(reinterpret_cast<intptr_t>(A)) - static_cast<int>(reinterpret_cast<intptr_t>(B)));
}

TEST(SortListWithCompare, SortsWithTheComparerAndItsData) {
  struct Case {
    std::vector<int> In;
    int Sign;
    std::vector<int> Out;
  } Cases[] = {
      {{}, 1, {}},
      {{5}, 1, {5}},
      {{3, 1, 2}, 1, {1, 2, 3}},
      {{3, 1, 2, 3, 0, 9, 9, 4}, -1, {9, 9, 4, 3, 3, 2, 1, 0}},
  };
  for (const Case& C : Cases) {
    std::vector<void*> L;
    for (int V : C.In) L.push_back(reinterpret_cast<void*>(static_cast<intptr_t>(V)));
    int Sign = C.Sign;
    SortListWithCompare(L, CompareInts, &Sign);
    std::vector<int> Got;
    for (void* P : L) Got.push_back(static_cast<int>(reinterpret_cast<intptr_t>(P)));
    EXPECT_EQ(Got, C.Out);
  }
}

}  // namespace
