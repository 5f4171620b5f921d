// Set-up shared by the toolbar library's window tests: they need a display
// (Xvfb under ctest); without one they skip.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "framework/ui/forms.h"
#include "framework/ui/testdriver.h"

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable())
      GTEST_SKIP() << "no display: CreateWindowEx fails (run the tests under xvfb-run)";
  }
  void TearDown() override {
    FForm.reset();
    if (Application) Application->ProcessMessages();
  }
  TForm* MakeForm(int Width = 480, int Height = 360) {
    FForm = std::make_unique<TForm>(nullptr, "TCommandsTestForm");
    FForm->SetBounds(40, 40, Width, Height);
    FForm->SetCaption("Toolbars");
    return FForm.get();
  }
  static void Pump() {
    if (Application) Application->ProcessMessages();
  }
  std::unique_ptr<TForm> FForm;
};
