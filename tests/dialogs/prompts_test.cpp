// The association and installation prompts, answered through their buttons,
// and the settings they leave.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "dialogs/associateform.h"
#include "dialogs/installform.h"
#include "dialogs/prompttable.h"
#include "framework/ui/stdctrls.h"
#include "framework/ui/testdriver.h"

using namespace UiDriver;

namespace {

class PromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) GTEST_SKIP() << "no display (run the tests under xvfb-run)";
    Saved = {AssociateWithZipFiles, CheckForZipAssociation, uint8_t(AutomaticPackageInstallation)};
  }
  void TearDown() override {
    AssociateWithZipFiles = Saved[0];
    CheckForZipAssociation = Saved[1];
    AutomaticPackageInstallation = Saved[2];
  }
  std::vector<uint8_t> Saved;
};

// Clicks a control of the modal form when it is up: the check box first
// when Tick is set, then the button.
void Answer(TModalAnswerer& A, const std::string& Check, const std::string& Button) {
  A.Then([Check, Button](HWND, TCustomForm* Form) {
    if (!Form) return false;
    if (!Check.empty()) Click(PromptControl<TCheckBox>(Form, Check));
    Click(PromptControl<TButton>(Form, Button));
    return true;
  });
}

TEST_F(PromptTest, AssociateAnswersSetTheTwoSettings) {
  struct {
    std::string Button;
    bool Never;
    int Result;
    uint8_t Associate, Check;
  } Cases[] = {
      {"YesBtn", false, mrYes, 1, 0},
      {"NoBtn", true, mrNo, 0, 1},
      {"YesBtn", true, mrYes, 1, 1},
  };
  for (const auto& C : Cases) {
    TAssociateForm Form(nullptr);
    EXPECT_EQ(Form.Caption(), "Quillon");
    AssociateWithZipFiles = 9;
    CheckForZipAssociation = 9;
    TModalAnswerer A;
    Answer(A, C.Never ? "NeverShow" : "", C.Button);
    EXPECT_EQ(Form.ShowModal(), C.Result) << C.Button;
    EXPECT_EQ(AssociateWithZipFiles, C.Associate) << C.Button;
    EXPECT_EQ(CheckForZipAssociation, C.Check) << C.Button;
  }
}

TEST_F(PromptTest, InstallRunsTheInstallOnlyOnInstall) {
  for (bool Install : {false, true}) {
    TInstallForm Form(nullptr);
    EXPECT_EQ(Form.Caption(), "Quillon Automatic Package Installation");
    int Installs = 0;
    Form.OnInstall = [&](TObject*) {
      Installs++;
      EXPECT_FALSE(Form.Visible()) << "the window is gone first";
    };
    AutomaticPackageInstallation = 1;
    TModalAnswerer A;
    // The box shows the setting; clearing it stores 0 whatever the answer.
    A.Then([&](HWND, TCustomForm* F) {
      if (!F) return false;
      EXPECT_TRUE(PromptControl<TCheckBox>(F, "ShowForm")->Checked());
      Click(PromptControl<TCheckBox>(F, "ShowForm"));
      Click(PromptControl<TButton>(F, Install ? "InstallBtn" : "OpenBtn"));
      return true;
    });
    Form.Execute();
    EXPECT_EQ(Installs, Install ? 1 : 0);
    EXPECT_EQ(AutomaticPackageInstallation, 0);
  }
}

}  // namespace
