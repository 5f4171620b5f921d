// TNFolderForm1 and TNFolderForm2 ("Create Folder"): a new folder below the
// Select Folder dialog's folder, or below the Extract dialog's destination.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TSelDirForm;
class TExtractForm;

// The layout and the handlers the two share.
class TNFolderForm : public TForm {
 public:
  TNFolderForm(TComponent* AOwner, const std::string& ClassName, int ClientWidth, int ClientHeight);
  TLabel* CurrentFolder = nullptr;
  TEditX* Edit1 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr;

 protected:
  // The folder for the name typed below Parent: "\" between them, a leading
  // "\" of the name dropped, a trailing "\".
  std::string NewPath(std::string Parent) const;
  void ShowParent(std::string Parent);
};

class TNFolderForm1 : public TNFolderForm {
 public:
  TNFolderForm1(TComponent* AOwner, TSelDirForm* Chooser);

 private:
  TSelDirForm* FChooser;
};

class TNFolderForm2 : public TNFolderForm {
 public:
  TNFolderForm2(TComponent* AOwner, TExtractForm* Extract);

 private:
  TExtractForm* FExtract;
};
