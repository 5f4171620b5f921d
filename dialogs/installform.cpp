#include "dialogs/installform.h"

#include "app/settings.h"
#include "dialogs/prompttable.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"

TInstallForm::TInstallForm(TComponent* AOwner) : TForm(AOwner, "TInstallForm") {
  SetName("InstallForm");
  BuildPromptForm(this, "Quillon Automatic Package Installation", 400, 190,
                  {
                      {"Logo", TPromptControl::Image, "", 10, 10, 48, 48},
                      {"Label1", TPromptControl::Label,
                       "Because this archive has SETUP.EXE \nor INSTALL.EXE  in  central  directory, \nQuillon can  "
                       "automatically unpack the \narchive and  start the installation...\n\n\nClick on [Install] to "
                       "proceed to installation or click [Open] to simply open the archive.",
                       70, 10, 320, 120},
                      {"InstallBtn", TPromptControl::Button, "&Install", 120, 136, 75, 25},
                      {"OpenBtn", TPromptControl::Button, "&Open", 205, 136, 75, 25},
                      {"ShowForm", TPromptControl::Check, "Show this form when archive can be installed", 10, 168,
                       380, 17},
                  });
  auto* Install = PromptControl<TButton>(this, "InstallBtn");
  Install->SetDefault(true);
  Install->OnClick = [this](TObject*) { SetModalResult(mrYes); };
  PromptControl<TButton>(this, "OpenBtn")->OnClick = [this](TObject*) { SetModalResult(mrNo); };
  PromptControl<TImage>(this, "Logo")->OnClick = [this](TObject*) {
    if (OnHomePage) OnHomePage(this);
  };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
}

int TInstallForm::Execute() {
  // The window is gone before the install asks its own questions.
  const int Result = ShowModal();
  if (Result == mrYes && OnInstall) OnInstall(this);
  return Result;
}

void TInstallForm::FormShow(TObject*) {
  PromptControl<TCheckBox>(this, "ShowForm")->SetChecked(AutomaticPackageInstallation == 1);
}

void TInstallForm::FormClose(TObject*, TCloseAction&) {
  AutomaticPackageInstallation = PromptControl<TCheckBox>(this, "ShowForm")->Checked() ? 1 : 0;
}
