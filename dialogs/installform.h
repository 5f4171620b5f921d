// "Quillon Automatic Package Installation": an archive that holds a setup
// program can be installed at once or just opened.
#pragma once
#include "framework/ui/forms.h"

class TInstallForm : public TForm {
 public:
  explicit TInstallForm(TComponent* AOwner);
  // The main window's package install, and its home-page command.
  TNotifyEvent OnInstall;
  TNotifyEvent OnHomePage;

  // Shows the window modally and, after "&Install", runs OnInstall.
  int Execute();
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
};
