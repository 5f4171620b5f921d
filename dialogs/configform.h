// TConfigurationForm ("Configuration"): the user's settings on seven pages.
// OK writes the controls into the settings, saves and reloads them so the
// main window takes them; Cancel changes nothing.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TConfigurationForm : public TForm {
 public:
  explicit TConfigurationForm(TComponent* AOwner);

  void OKButtClick(TObject* Sender);
  // Writes the controls into the settings, without saving them.
  void StoreControls();

  TPageControl* PageControl1 = nullptr;
  TButton *OKButt = nullptr, *CancelButt = nullptr, *HelpButt = nullptr, *SelectButtonsButt = nullptr;
  TCheckBox *LargeButtonsBox = nullptr, *ViewFoldersBox = nullptr, *UseShellExtBox = nullptr;
  TRadioButton *ClassicStyle = nullptr, *ExplorerStyleButt = nullptr;
  TEditX *TempEdit = nullptr, *CheckoutEdit = nullptr, *StartUpEdit = nullptr, *AddFromEdit = nullptr,
        *ViewerEdit = nullptr, *ScanParams = nullptr;
  TComboBox* ScanProgram = nullptr;

 private:
  void FormShow();
  void LoadControls();
  void FollowOwners();
  void BrowseFolder(TEditX* Edit, const std::string& Caption, TRadioButton* Select);
  void BrowseProgram(TControl* Edit, const std::string& Start);
  void ScanProgramChange();
};

// The parameters that go with a known virus scanner ("" for another name).
std::string ScannerParameters(const std::string& Program);
