// TSelDirForm ("Select Folder"): a general folder chooser with its own folder
// tree and the five most recently chosen folders. Callers set the three
// variables below, show it modally and read SelectFolderResult.
#pragma once
#include <memory>
#include <string>

#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TDriveTree;
class TNFolderForm1;

extern TCustomForm* SelectFolderOwner;
extern std::string SelectFolderCaption;
extern std::string SelectFolderLabel;
// The folder chosen, as typed or picked; "-1" when the user cancelled.
extern std::string SelectFolderResult;

class TSelDirForm : public TForm {
 public:
  explicit TSelDirForm(TComponent* AOwner);
  ~TSelDirForm() override;
  void OKButtClick(TObject* Sender);
  void NewFolderButtClick(TObject* Sender);
  TDriveTree& Tree() { return *FTree; }

  TLabel* Label1 = nullptr;
  TComboBox* Destination = nullptr;
  TTreeView* TreeList = nullptr;
  TButton *OKButt = nullptr, *CancelButt = nullptr, *NewFolderButt = nullptr;

 private:
  void FormShow();
  void DestinationChange();
  std::unique_ptr<TDriveTree> FTree;
  bool FChosen = false;
  TNFolderForm1* FNewFolder = nullptr;
};

// Shows the chooser (made on first use, owned by the main window) with
// Caption and Label over Owner; the result as SelectFolderResult.
std::string SelectFolder(TCustomForm* Owner, const std::string& Caption, const std::string& Label);
