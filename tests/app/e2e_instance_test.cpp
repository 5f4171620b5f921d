// Single-instance start-up as a user meets it: real morv.exe processes, the
// windows they show and the processes they start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "app/startup.h"
#include "framework/core/sysutils.h"
#include "tests/app/e2e_util.h"

using namespace e2e;

namespace {

// A start that hands its line over ends this soon.
constexpr DWORD HandOverMs = 10000;

std::vector<HWND> VisibleMainForms(DWORD Pid = 0) {
  std::vector<HWND> out;
  for (HWND w : MainForms(Pid))
    if (IsWindowVisible(w)) out.push_back(w);
  return out;
}

bool TitleBecomes(HWND Wnd, const std::string& Title, long long Ms = 10000) {
  return WaitUntil(Ms, [&] { return WindowTitle(Wnd) == Title; });
}

class MorvExeInstance : public TMorvExeTest {};

}  // namespace

TEST_F(MorvExeInstance, SecondStartsHandTheirLineToTheRunningWindowAndEnd) {
  StoreSettings(1);
  const std::string one = MakeZip("one.zip");
  ASSERT_TRUE(CreateDir(Dir + "\\my zips"));
  MakeZip("my zips\\two b.zip", 3);
  TMorvProcess first(Quoted(one));
  ASSERT_TRUE(first.Started());
  HWND main = first.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - one.zip");
  ASSERT_NE(main, nullptr);

  {
    // No arguments: the running window comes to front, nothing else.
    TMorvProcess bare("");
    ASSERT_TRUE(bare.Started());
    EXPECT_TRUE(bare.WaitForExit(HandOverMs)) << "ended after " << bare.Elapsed() << " ms";
    EXPECT_EQ(bare.ExitCode(), 0u);
    EXPECT_TRUE(bare.Spawned(0).empty());
    EXPECT_EQ(VisibleMainForms(), std::vector<HWND>{main});
    EXPECT_EQ(WindowTitle(main), "Quillon 2000 - one.zip");
  }
  {
    TMorvProcess second(Quoted(Dir + "\\my zips\\two b.zip"));
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitForExit(HandOverMs)) << "ended after " << second.Elapsed() << " ms";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(TitleBecomes(main, "Quillon 2000 - two b.zip")) << WindowTitle(main);
    EXPECT_EQ(ListItemCount(main), 3);
    EXPECT_EQ(VisibleMainForms(), std::vector<HWND>{main});
  }
  EXPECT_TRUE(first.Spawned(0).empty());
  EXPECT_TRUE(first.Close());
  EXPECT_EQ(first.ExitCode(), 0u);
}

TEST_F(MorvExeInstance, ReuseWindowsOffGivesEachStartAWindowOfItsOwn) {
  StoreSettings(0);
  const std::string one = MakeZip("one.zip");
  const std::string two = MakeZip("two.zip", 2);
  TMorvProcess first(Quoted(one));
  ASSERT_TRUE(first.Started());
  HWND main1 = first.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - one.zip");
  ASSERT_NE(main1, nullptr);
  EXPECT_EQ(ProbeReply(main1), 0);

  TMorvProcess second(Quoted(two));
  ASSERT_TRUE(second.Started());
  HWND main2 = second.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - two.zip");
  ASSERT_NE(main2, nullptr);
  EXPECT_EQ(VisibleMainForms().size(), 2u);
  EXPECT_EQ(WindowTitle(main1), "Quillon 2000 - one.zip");
  EXPECT_EQ(ListItemCount(main2), 2);
  EXPECT_TRUE(second.Close());
  EXPECT_TRUE(first.Close());
}

TEST_F(MorvExeInstance, ForwardedJobRunsOnceInANewProcessOfTheProgram) {
  // From a folder with a blank, beside a file that an unquoted program path
  // would name instead.
  const std::string folder = Dir + "\\Q 2000";
  ASSERT_TRUE(CreateDir(folder));
  morvtest::WriteFile(Dir + "\\Q.exe", std::string("not a program"));
  const std::string exe = folder + "\\morv.exe";
  ASSERT_TRUE(CopyFileA(MorvExe().c_str(), exe.c_str(), FALSE));
  StoreSettings(1);
  const std::string one = MakeZip("one.zip");
  const std::string two = MakeZip("two.zip", 2);
  TMorvProcess first(Quoted(one), exe);
  ASSERT_TRUE(first.Started());
  HWND main = first.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - one.zip");
  ASSERT_NE(main, nullptr);

  const std::string job = "-? \"x y\"";
  {
    TMorvProcess forwarding(job, exe);
    ASSERT_TRUE(forwarding.Started());
    EXPECT_TRUE(forwarding.WaitForExit(HandOverMs)) << "ended after " << forwarding.Elapsed() << " ms";
    EXPECT_EQ(forwarding.ExitCode(), 0u);
    EXPECT_TRUE(forwarding.Spawned(0).empty());
  }
  // The running window starts the job in a process of its own.
  ASSERT_TRUE(WaitUntil(10000, [&] { return !first.Spawned(100).empty(); })) << "no job process started";
  const DWORD pid = first.Spawned(0).front();
  std::string line;
  WaitUntil(10000, [&] { return !(line = ProcessCommandLine(pid)).empty(); });
  EXPECT_TRUE(SameText(line, Quoted(exe) + " " + job)) << line;

  // The job's process never answers the probe, so it never gets the job back
  // nor takes over later starts.
  HWND jobMain = nullptr;
  WaitUntil(FirstWindowMs, [&] {
    const std::vector<HWND> w = MainForms(pid);
    jobMain = w.empty() ? nullptr : w.front();
    return jobMain != nullptr;
  });
  if (jobMain) {
    EXPECT_EQ(ProbeReply(jobMain), 0);
  }
  EXPECT_EQ(ProbeReply(main), InstanceProbeReply);
  EXPECT_EQ(WindowTitle(main), "Quillon 2000 - one.zip");
  {
    TMorvProcess third(Quoted(two), exe);
    ASSERT_TRUE(third.Started());
    EXPECT_TRUE(third.WaitForExit(HandOverMs)) << "ended after " << third.Elapsed() << " ms";
    EXPECT_TRUE(TitleBecomes(main, "Quillon 2000 - two.zip")) << WindowTitle(main);
  }
  // Exactly once: no further process was started for it meanwhile.
  EXPECT_EQ(first.Spawned(3000).size(), 1u);
  EXPECT_TRUE(first.Close());
}

TEST_F(MorvExeInstance, OverLongLineOpensInANewWindow) {
  StoreSettings(1);
  const std::string one = MakeZip("one.zip");
  // Quoted, the line is longer than an atom can carry; the name itself fits
  // a path.
  const size_t pathLength = MaxForwardedLine + 1;
  const size_t fixed = Dir.size() + 1 + std::string(".zip").size();
  ASSERT_LT(fixed, pathLength);
  const std::string name = std::string(pathLength - fixed, 'n') + ".zip";
  const std::string longZip = MakeZip(name);
  ASSERT_EQ(longZip.size(), pathLength);
  TMorvProcess first(Quoted(one));
  ASSERT_TRUE(first.Started());
  HWND main1 = first.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - one.zip");
  ASSERT_NE(main1, nullptr);

  TMorvProcess second(Quoted(longZip));
  ASSERT_TRUE(second.Started());
  HWND main2 = second.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - " + name);
  EXPECT_NE(main2, nullptr) << "the long line was neither handed over nor opened here";
  EXPECT_EQ(WindowTitle(main1), "Quillon 2000 - one.zip");
  EXPECT_TRUE(second.Close());
  EXPECT_TRUE(first.Close());
}

TEST_F(MorvExeInstance, HungAndForeignWindowsDoNotHoldUpTheStart) {
  StoreSettings(1);
  const std::string one = MakeZip("one.zip");
  const std::string two = MakeZip("two.zip", 2);
  {
    // No Morv runs: the start passes a hung window of another program and a
    // hung and a silent "TMainForm" and opens its own window.
    TFakeInstance foreign("TOtherProgram", InstanceProbeReply, true);
    TFakeInstance hung("TMainForm", InstanceProbeReply, true);
    TFakeInstance silent("TMainForm", 0);
    TMorvProcess alone(Quoted(one));
    ASSERT_TRUE(alone.Started());
    EXPECT_NE(alone.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - one.zip"), nullptr);
    foreign.Release();
    hung.Release();
    EXPECT_TRUE(alone.Close());
    Sleep(300);
    EXPECT_EQ(foreign.Probes(), 0);
    EXPECT_EQ(silent.Probes(), 1);
    EXPECT_TRUE(silent.Lines().empty());
    EXPECT_TRUE(hung.Lines().empty());
  }

  TMorvProcess first(Quoted(one));
  ASSERT_TRUE(first.Started());
  HWND main = first.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - one.zip");
  ASSERT_NE(main, nullptr);
  TFakeInstance foreign("TOtherProgram", InstanceProbeReply, true);
  TFakeInstance hung("TMainForm", InstanceProbeReply, true);
  TFakeInstance silent("TMainForm", 0);
  // The running window goes below the stand-ins, so the start meets them
  // first.
  SetWindowPos(main, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TMorvProcess second(Quoted(two));
  ASSERT_TRUE(second.Started());
  EXPECT_TRUE(second.WaitForExit(InstanceProbeTimeout + HandOverMs)) << "ended after " << second.Elapsed() << " ms";
  EXPECT_TRUE(TitleBecomes(main, "Quillon 2000 - two.zip")) << WindowTitle(main);
  foreign.Release();
  hung.Release();
  Sleep(300);
  EXPECT_EQ(foreign.Probes(), 0);
  EXPECT_EQ(silent.Probes(), 1);
  EXPECT_TRUE(silent.Lines().empty());
  EXPECT_TRUE(hung.Lines().empty());
  EXPECT_EQ(VisibleMainForms(), std::vector<HWND>{main});
  EXPECT_TRUE(first.Close());
}
