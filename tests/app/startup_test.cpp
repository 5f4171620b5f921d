#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "app/startup.h"
#include "app/utils.h"
#include "framework/core/sysutils.h"
#include "tests/app/e2e_util.h"
#include "tests/support/testsupport.h"

namespace {

using e2e::TFakeInstance;

void Pump(int Ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace

TEST(SingleInstance, ProbeTakesOnlyAnAnsweringMainFormAndSkipsHungOnes) {
  TFakeInstance good("TMainForm", InstanceProbeReply);
  TFakeInstance hung("TMainForm", InstanceProbeReply, true);
  TFakeInstance silent("TMainForm", 0);
  TFakeInstance foreign("TOtherForm", InstanceProbeReply);
  const auto start = std::chrono::steady_clock::now();
  HWND found = ProbeRunningInstance();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(found, good.Wnd());
  EXPECT_EQ(RunningInstanceWindow, good.Wnd());
  EXPECT_EQ(foreign.Probes(), 0);
  EXPECT_EQ(silent.Probes(), 1);
  EXPECT_LT(ms, static_cast<long long>(InstanceProbeTimeout) + 2000);
}

TEST(SingleInstance, NoAnsweringWindowMeansNoInstance) {
  TFakeInstance silent("TMainForm", 0);
  TFakeInstance foreign("Notepad", InstanceProbeReply);
  EXPECT_EQ(ProbeRunningInstance(), nullptr);
  ForwardedCommandLine = "a.zip";
  EXPECT_FALSE(ForwardToRunningInstance());
}

TEST(SingleInstance, ArgumentsKeepTheirQuotes) {
  struct TCase {
    const char* Line;
    const char* Args;
  };
  const TCase cases[] = {
      {"\"C:\\Program Files\\Morv\\morv.exe\" \"C:\\my zips\\a b.zip\"", "\"C:\\my zips\\a b.zip\""},
      {"morv.exe  -e \"C:\\x y\\a.zip\" \"C:\\out dir\"  ", "-e \"C:\\x y\\a.zip\" \"C:\\out dir\""},
      {"\"C:\\morv.exe\"", ""},
      {"C:\\morv.exe", ""},
      {"  \"C:\\a b\\morv.exe\"\tC:\\z.zip", "C:\\z.zip"},
  };
  for (const TCase& c : cases) EXPECT_EQ(CommandLineArguments(c.Line), c.Args) << c.Line;
  EXPECT_EQ(ForwardedArchiveName("  \"C:\\my zips\\a b.zip\" "), "C:\\my zips\\a b.zip");
  EXPECT_EQ(ForwardedArchiveName("C:\\plain.zip"), "C:\\plain.zip");
}

TEST(SingleInstance, LineTravelsInAnAtomWithItsQuotes) {
  TFakeInstance running("TMainForm", InstanceProbeReply);
  ASSERT_EQ(ProbeRunningInstance(), running.Wnd());
  ForwardedCommandLine = CommandLineArguments("\"C:\\Q 2000\\morv.exe\" -e \"C:\\my zips\\a b.zip\"");
  ASSERT_TRUE(ForwardToRunningInstance());
  EXPECT_EQ(running.Lines(), (std::vector<std::string>{"-e \"C:\\my zips\\a b.zip\""}));
  EXPECT_EQ(ForwardAtom, 0);
  // The atom is gone once the running window has it.
  EXPECT_EQ(GlobalFindAtomA("-e \"C:\\my zips\\a b.zip\""), 0);
  Pump(200);
  EXPECT_EQ(running.Activations(), 1);

  // No arguments: only brought to front.
  ForwardedCommandLine.clear();
  ASSERT_TRUE(ForwardToRunningInstance());
  Pump(200);
  EXPECT_EQ(running.Activations(), 2);
  EXPECT_EQ(running.Lines().size(), 1u);
}

TEST(SingleInstance, WindowBusyWithTheLineHasTakenIt) {
  TFakeInstance running("TMainForm", InstanceProbeReply);
  running.SetBusy(1500);
  ASSERT_EQ(ProbeRunningInstance(), running.Wnd());
  const UINT saved = ForwardReplyTimeout;
  ForwardReplyTimeout = 300;
  ForwardedCommandLine = "C:\\busy.zip";
  const bool forwarded = ForwardToRunningInstance();
  ForwardReplyTimeout = saved;
  EXPECT_TRUE(forwarded) << "the line would run twice";
  EXPECT_EQ(running.Lines(), (std::vector<std::string>{"C:\\busy.zip"}));
  Pump(1500);
}

TEST(SingleInstance, HungWindowLeavesTheLineHere) {
  TFakeInstance hung("TMainForm", InstanceProbeReply, true);
  // The system calls a window hung after five seconds without handling
  // messages.
  Pump(5500);
  RunningInstanceWindow = hung.Wnd();
  const UINT saved = ForwardReplyTimeout;
  ForwardReplyTimeout = 300;
  ForwardedCommandLine = "C:\\hung.zip";
  const bool forwarded = ForwardToRunningInstance();
  ForwardReplyTimeout = saved;
  EXPECT_FALSE(forwarded);
  hung.Release();
  Pump(300);
  EXPECT_TRUE(hung.Lines().empty());
}

TEST(SingleInstance, OverLongLineRunsLocally) {
  TFakeInstance running("TMainForm", InstanceProbeReply);
  ASSERT_EQ(ProbeRunningInstance(), running.Wnd());
  ForwardedCommandLine = "\"C:\\" + std::string(300, 'x') + ".zip\"";
  EXPECT_FALSE(ForwardToRunningInstance());
  ForwardedCommandLine = std::string(MaxForwardedLine, 'y');
  EXPECT_TRUE(ForwardToRunningInstance());
  Pump(200);
  EXPECT_EQ(running.Lines(), (std::vector<std::string>{std::string(MaxForwardedLine, 'y')}));
  EXPECT_EQ(running.Activations(), 1);
}

TEST(SingleInstance, LineDifferingOnlyInCaseFromAnExistingAtomRunsLocally) {
  TFakeInstance running("TMainForm", InstanceProbeReply);
  ASSERT_EQ(ProbeRunningInstance(), running.Wnd());
  ATOM other = GlobalAddAtomA("c:\\case\\test.zip");
  ASSERT_NE(other, 0);
  ForwardedCommandLine = "C:\\Case\\Test.zip";
  EXPECT_FALSE(ForwardToRunningInstance());
  GlobalDeleteAtom(other);
  EXPECT_TRUE(running.Lines().empty());
}

TEST(SingleInstance, ProbeAnswerFollowsReuseWindows) {
  const uint8_t saved = ReuseWindows;
  ReuseWindows = 1;
  EXPECT_EQ(InstanceProbeAnswer(), InstanceProbeReply);
  ReuseWindows = 0;
  EXPECT_EQ(InstanceProbeAnswer(), 0);
  ReuseWindows = saved;
  EXPECT_THROW(ReadForwardedLine(0), Exception);
}

// Runs in the process that the next test starts as a forwarded job; skipped
// in an ordinary run.
TEST(SingleInstanceJobChild, ReportsHowItWasStarted) {
  if (!IsForwardedJobProcess()) GTEST_SKIP() << "runs only as a forwarded job";
  std::string report;
  const std::string args = CommandLineArguments(GetCommandLineA());
  const size_t at = args.find("-report ");
  ASSERT_NE(at, std::string::npos);
  const std::string file = ForwardedArchiveName(args.substr(at + 8));
  char env[8] = {};
  report += "marker-left=" + std::to_string(GetEnvironmentVariableA("MORV_FORWARDED_JOB", env, sizeof env)) + "\n";
  report += "handover=" + std::string(HandOverToRunningInstance() ? "1" : "0") + "\n";
  report += "probe=" + std::string(InstanceProbeAnswer() == 0 ? "0" : "1") + "\n";
  report += "cmdline=" + std::string(GetCommandLineA()) + "\n";
  std::ofstream(file + ".tmp", std::ios::binary) << report;
  MoveFileA((file + ".tmp").c_str(), file.c_str());
}

TEST(SingleInstance, ForwardedJobRunsInANewProcessThatNeverForwardsIt) {
  TFakeInstance running("TMainForm", InstanceProbeReply);
  const std::string dir = morvtest::TempDir() + "\\a b";
  ASSERT_TRUE(CreateDir(dir));
  const std::string report = dir + "\\report.txt";
  const std::string line = "--gtest_filter=SingleInstanceJobChild.* -report \"" + report + "\"";
  ASSERT_TRUE(StartJobProcess(line));
  char env[8] = {};
  EXPECT_EQ(GetEnvironmentVariableA("MORV_FORWARDED_JOB", env, sizeof env), 0u);
  for (int i = 0; i < 600 && !FileExists(report); ++i) Pump(50);
  ASSERT_TRUE(FileExists(report));
  const auto bytes = morvtest::ReadFile(report);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("marker-left=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("handover=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("probe=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("cmdline=\"" + ProgramFileName() + "\" " + line + "\n"), std::string::npos) << text;
  EXPECT_EQ(running.Probes(), 0);
  EXPECT_TRUE(running.Lines().empty());
  EXPECT_EQ(running.Activations(), 0);
}
