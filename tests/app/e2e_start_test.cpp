// The plainest start a user makes: morv.exe given a Zip on its command line
// shows it listed, and closes cleanly. The i686 product's own test run starts
// the program through this one.
#include <gtest/gtest.h>

#include <string>

#include "tests/app/e2e_util.h"

using namespace e2e;

namespace {

class MorvExeStart : public TMorvExeTest {};

}  // namespace

TEST_F(MorvExeStart, OpensTheZipOnItsCommandLineAndListsItsEntries) {
  StoreSettings(1);
  const std::string zip = MakeZip("start.zip", 4);
  TMorvProcess morv(Quoted(zip));
  ASSERT_TRUE(morv.Started());
  HWND main = morv.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - start.zip");
  ASSERT_NE(main, nullptr) << "no main window; running: " << morv.Running();
  EXPECT_TRUE(WaitUntil(10000, [&] { return ListItemCount(main) == 4; })) << ListItemCount(main);
  EXPECT_TRUE(morv.Spawned(0).empty());
  EXPECT_TRUE(morv.Close());
  EXPECT_EQ(morv.ExitCode(), 0u);
}
