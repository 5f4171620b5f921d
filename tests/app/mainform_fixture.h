// The main window as the tests that drive it start it: a new window with no
// stored placement, the Zip libraries beside the built program, the list
// style, and a temporary folder of the test's own.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/favorites.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"

namespace morvtest {

// Saves a picture of F as screenshots/Name.bmp in the build folder.
inline void SaveScreenshot(TCustomForm* F, const std::string& Name) {
  Application->ProcessMessages();
  const std::string dir = std::string(MORV_BINARY_DIR) + "/screenshots";
  RunPeer("mkdir -p '" + dir + "'");
  SaveWindowShot(F->Handle(), LocalPath(dir + "/" + Name + ".bmp"));
}

class TMainFormFixture : public ::testing::Test {
 protected:
  // A test class that adds its own set-up calls this first and stops when
  // IsSkipped() (no display).
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
    FDir = TempDir();
    FHost = HostPath(FDir);
    TRegistry().DeleteKey("\\" + DefaultRegistryKey() + "\\TMainForm");
    ZipDllFolder = LocalPath(std::string(MORV_BINARY_DIR) + "/app/");
    Form.reset(new TMainForm(Application));
    // A favourites file another test left behind could make opening an
    // archive ask whether to keep its folder.
    OtherFoldersPolicy = 0;
    ExplorerStyle = 1;
    Form->SetExplorerStyle(false);
    BeforeShow();
    Form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    Form.reset();
    Application->ProcessMessages();
  }
  // Settings a test class wants in place before the window shows (after its
  // creation, which loads the stored ones).
  virtual void BeforeShow() {}
  void Open(const std::string& Name) {
    ASSERT_TRUE(Form->OpenArchiveFile(Name));
    Form->FillFileList();
  }
  std::unique_ptr<TMainForm> Form;
  std::string FDir, FHost;
};

}  // namespace morvtest
