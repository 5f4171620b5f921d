// Set-up shared by the tests of the list and utility controls: windows need a
// display (Xvfb under ctest); without one the window tests skip.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/ui/forms.h"
#include "framework/ui/winapi.h"
#include <objbase.h>
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"

class ViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable())
      GTEST_SKIP() << "no display: CreateWindowEx fails (run the tests under xvfb-run)";
  }
  TForm* MakeForm(int Width = 480, int Height = 360) {
    FForm = std::make_unique<TForm>(nullptr, "TViewsTestForm");
    FForm->SetBounds(30, 30, Width, Height);
    FForm->SetCaption("Views");
    return FForm.get();
  }
  void TearDown() override {
    FForm.reset();
    if (Application) Application->ProcessMessages();
  }
  // The colour of a pixel of Window as shown (client coordinates).
  static COLORREF ScreenPixel(HWND Window, int X, int Y) {
    HDC dc = GetDC(Window);
    COLORREF c = GetPixel(dc, X, Y);
    ReleaseDC(Window, dc);
    return c;
  }
  // Paints Window and everything on it now, then saves what the screen shows
  // to Name in the build folder, for people to look at.
  static void Shot(HWND Window, const std::string& Name) {
    RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (Application) Application->ProcessMessages();
    morvtest::SaveWindowShot(Window, morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/" + Name));
  }
  std::unique_ptr<TForm> FForm;
};

// Windows over the shell (COM on this thread) and a fresh temporary folder Dir.
class ShellViewsTest : public ViewsTest {
 protected:
  void SetUp() override {
    ViewsTest::SetUp();
    if (IsSkipped()) return;
    CoInitialize(nullptr);
    FComStarted = true;
    Dir = morvtest::TempDir();
  }
  void TearDown() override {
    ViewsTest::TearDown();
    if (FComStarted) CoUninitialize();
  }
  std::string Dir;

 private:
  bool FComStarted = false;
};
