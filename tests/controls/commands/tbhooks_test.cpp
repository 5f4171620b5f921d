#include "controls/commands/tbhooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "commands_fixture.h"

namespace {

std::vector<THookProcCode> Seen;
void Recorder(THookProcCode Code, void*, uintptr_t, intptr_t) { Seen.push_back(Code); }

using HookTest = CommandsTest;

TEST_F(HookTest, ThreadHooksFollowTheRegistrations) {
  Seen.clear();
  RegisterHookProc(Recorder, HookCode(hpWindowPosChanged) | HookCode(hpWindowDestroyed));
  EXPECT_NE(ToolbarHooks().Handle(hkCallWndProc), nullptr);
  EXPECT_NE(ToolbarHooks().Handle(hkCBT), nullptr);
  {
    TForm F(nullptr);
    F.SetBounds(10, 10, 100, 80);
    F.Show();
    F.SetBounds(20, 20, 110, 90);
  }
  Pump();
  EXPECT_NE(std::count(Seen.begin(), Seen.end(), hpWindowPosChanged), 0);
  EXPECT_NE(std::count(Seen.begin(), Seen.end(), hpWindowDestroyed), 0);
  EXPECT_EQ(std::count(Seen.begin(), Seen.end(), hpAppActivate), 0);
  UnregisterHookProc(Recorder);
  EXPECT_FALSE(ToolbarHooks().Registered(Recorder));
}

}  // namespace
