// TExtractForm ("Extract"): where and what to extract from the open archive;
// it then runs the extraction with its own Zip component for the Zip family
// and with the main window's reader for every other format.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/commands/editx.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;
class TFormPlacement;
class TDriveTree;
class TNFolderForm2;

class TExtractForm : public TForm {
 public:
  explicit TExtractForm(TComponent* AOwner);

  // The file patterns the Files group gives (folder rows expand to "*.*"
  // below them) and, for the Zip family, the bytes they cover; empty when a
  // mask matches nothing.
  std::vector<std::string> FileSpecs(int64_t* TotalBytes);
  // The recent destinations after extracting to Folder (lower-cased, one
  // copy, most recent first).
  static void RememberDestination(const std::string& Folder);
  // The folder shown for the open archive when nothing else is chosen.
  static std::string DefaultDestination();

  void ExtractButtClick(TObject* Sender);
  void ExploreButtClick(TObject* Sender);

  TComboBox* Destination = nullptr;
  TTreeView* TreeList = nullptr;
  TRadioButton *SelectedFiles = nullptr, *AllFilesButt = nullptr, *CFiles = nullptr;
  TEditX* FileSpec = nullptr;
  TCheckBox *OverwriteExisting = nullptr, *SkipOlder = nullptr, *UseFolderNames = nullptr;
  TButton *ExtractButt = nullptr, *CancelButt = nullptr, *HelpButt = nullptr, *NewFolderButt = nullptr,
          *ExploreButt = nullptr;
  TZipBridge* ZipBridge1 = nullptr;
  TFormPlacement* FormPlacement1 = nullptr;
  TNFolderForm2* NFolderForm2 = nullptr;

 private:
  void FormShow();
  void DestinationChange();
  void RunZip(const std::string& Folder, const std::vector<std::string>& Specs, int64_t Total);
  void RunReader(const std::string& Folder);
  std::unique_ptr<TDriveTree> FTree;
};
