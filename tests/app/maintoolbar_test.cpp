#include "app/maintoolbar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/favorites.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"

namespace {

class MainToolbarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
    Form.reset(new TMainForm(Application));
    OtherFoldersPolicy = 0;  // no favourites question from a file another test left
    Form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    Form.reset();
    Application->ProcessMessages();
  }
  std::unique_ptr<TMainForm> Form;
};

TEST_F(MainToolbarTest, ButtonsFollowTheLargeAndSmallLayouts) {
  TMainToolbar& T = Form->MainToolbar;
  ASSERT_NE(T.Bar, nullptr);
  EXPECT_EQ(T.Bar->DockedTo(), T.Docks[0]);
  EXPECT_EQ(T.Buttons[0]->Name(), "NewButton");
  EXPECT_EQ(T.Buttons[13]->Hint(), "Exit Quillon");
  // The images come from the program's resources.
  EXPECT_EQ(T.LargeImages->Count(), 14);
  EXPECT_EQ(T.SmallImages->Count(), 8);
  EXPECT_EQ(T.HotImages->Count(), 8);

  LayoutMainToolbar(T, true, true, "11100111100100");
  EXPECT_TRUE(T.Buttons[0]->Visible());
  EXPECT_FALSE(T.Buttons[3]->Visible());  // Properties
  EXPECT_EQ(T.Buttons[0]->Width(), 55);
  EXPECT_EQ(T.Buttons[1]->Width(), 57);
  EXPECT_EQ(T.Buttons[0]->Height(), 55);
  EXPECT_EQ(T.Buttons[7]->ImageIndex(), 6);  // Extract
  // Groups 1-3 and 6-9 shown, 4-5 not: the first separator only, then the
  // third (6-9 and 10-12 both have one), no fourth (13-14 empty).
  EXPECT_TRUE(T.Separators[0]->Visible());
  EXPECT_FALSE(T.Separators[1]->Visible());
  EXPECT_TRUE(T.Separators[2]->Visible());
  EXPECT_FALSE(T.Separators[3]->Visible());

  LayoutMainToolbar(T, true, false, "11111111111111");
  EXPECT_EQ(T.Buttons[0]->Width(), 40);
  EXPECT_EQ(T.Buttons[1]->Width(), 47);
  EXPECT_EQ(T.Buttons[1]->Height(), 42);
  EXPECT_TRUE(T.Separators[3]->Visible());

  LayoutMainToolbar(T, false, false, "00000000000000");
  EXPECT_TRUE(T.Buttons[0]->Visible());
  EXPECT_FALSE(T.Buttons[13]->Visible());
  EXPECT_EQ(T.Buttons[0]->Width(), 30);
  EXPECT_EQ(T.Buttons[5]->ImageIndex(), 3);  // Add
  EXPECT_TRUE(T.Separators[0]->Visible());
  EXPECT_FALSE(T.Separators[1]->Visible());
}

TEST_F(MainToolbarTest, AlignValuesPickTheDocks) {
  TMainToolbar& T = Form->MainToolbar;
  const struct {
    int Align, Dock;
  } Cases[] = {{0, 1}, {1, 2}, {3, 3}, {2, 0}};
  for (auto C : Cases) {
    DockMainToolbar(T, C.Align);
    EXPECT_EQ(T.Bar->DockedTo(), T.Docks[C.Dock]) << C.Align;
    EXPECT_EQ(MainToolbarAlign(T), C.Align);
  }
}

TEST_F(MainToolbarTest, PopupMenuAlignsAndADragSetsTheAlignment) {
  TMainToolbar& T = Form->MainToolbar;
  ASSERT_NE(T.Menu, nullptr);
  EXPECT_EQ(T.Bar->PopupMenu(), T.Menu);
  T.AlignItems[0]->Click();
  EXPECT_EQ(AlignToolbar, 0);
  EXPECT_EQ(T.Bar->DockedTo(), T.Docks[1]);
  EXPECT_TRUE(T.AlignItems[0]->Checked());
  // Moving the toolbar to the bottom dock (as a drop does) checks Align Bottom.
  T.Bar->SetDockedTo(T.Docks[3]);
  EXPECT_EQ(AlignToolbar, 3);
  EXPECT_TRUE(T.AlignItems[3]->Checked());
  EXPECT_FALSE(T.AlignItems[0]->Checked());
  T.AlignItems[2]->Click();
  EXPECT_EQ(T.Bar->DockedTo(), T.Docks[0]);
  // Large Buttons switches the layout.
  const uint8_t Large = LargeButtons;
  T.LargeItem->Click();
  EXPECT_EQ(LargeButtons, Large == 1 ? 0 : 1);
  EXPECT_EQ(T.Buttons[13]->Visible(), false);
  T.LargeItem->Click();
  EXPECT_EQ(LargeButtons, Large);
  // The menu is the library's; the standard commands' shortcut and hint
  // for "Align Left" are not shown, its picture is.
  auto* Left = dynamic_cast<TMenuItemX*>(T.AlignItems[0]);
  ASSERT_NE(Left, nullptr);
  EXPECT_EQ(Left->ShortCutText(), "");
  EXPECT_EQ(Left->Hint(), "");
  EXPECT_TRUE(Left->HasBitmap());
  // A right click on a dock opens it at the mouse, with the large-buttons check.
  T.Menu->Options()->Animation = anNone;
  TPoint At = T.Docks[0]->ClientToScreen(Point(T.Docks[0]->Width() - 5, 5));
  PostMessageA(T.Docks[0]->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(T.Docks[0]->Handle()),
               MAKELPARAM(At.x, At.y));
  Application->ProcessMessages();
  ASSERT_TRUE(T.Menu->IsShowing());
  EXPECT_EQ(T.Menu->Form()->Left(), std::min<int>(At.x, GetSystemMetrics(SM_CXSCREEN) - T.Menu->Form()->Width()));
  EXPECT_EQ(T.LargeItem->Checked(), LargeButtons == 1);
  // The button chooser is offered for large buttons only.
  EXPECT_EQ(T.SelectItem->Enabled(), LargeButtons == 1);
  EXPECT_EQ(T.Menu->Form()->RowCount(), 7);
  CloseAllMenus(true);
}

TEST_F(MainToolbarTest, ScreenshotWithDockedAndFloatingToolbar) {
  TMainToolbar& T = Form->MainToolbar;
  LayoutMainToolbar(T, true, true, "11111111111111");
  // A second toolbar floats over the window.
  auto* Float = new TToolbarX(Form.get());
  Float->SetCaption("Tools");
  Float->SetHideWhenInactive(false);
  Float->SetFloatingPosition(TPoint{Form->Left() + 120, Form->Top() + 160});
  Float->SetParent(Form.get());
  for (int I : {0, 1, 5, 7}) {
    auto* B = new TToolbarButtonX(Form.get());
    B->SetImages(T.SmallImages);
    B->SetImageIndex(I == 0 ? 0 : I == 1 ? 1 : I == 5 ? 3 : 4);
    B->SetParent(Float);
  }
  Float->ArrangeControls();
  Application->ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(Float->Handle()));
  EXPECT_GT(T.Docks[0]->Height(), 55);
  Form->Update();
  Application->ProcessMessages();
  morvtest::SaveWindowShot(GetDesktopWindow(),
                           morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/mainform-toolbars.bmp"));
}

}  // namespace
