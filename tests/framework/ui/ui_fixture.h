// Shared set-up of the window-layer tests: a display is required (Xvfb under
// ctest); without one every test skips with the reason.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "framework/ui/forms.h"
#include "framework/ui/testdriver.h"

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable())
      GTEST_SKIP() << "no display: CreateWindowEx fails (run the tests under xvfb-run)";
  }
  // A form owned by the test, shown so its controls have windows.
  TForm* MakeForm(const std::string& ClassName = "TUiTestForm") {
    FForm = std::make_unique<TForm>(nullptr, ClassName);
    FForm->SetBounds(40, 40, 420, 320);
    FForm->SetCaption("Test");
    return FForm.get();
  }
  void TearDown() override {
    FForm.reset();
    Application->ProcessMessages();
  }
  std::unique_ptr<TForm> FForm;
};
