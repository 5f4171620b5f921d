// TViewForm ("View"): shows the first selected entry of the open archive
// after extracting it into Temp: with the program associated with its
// extension, in the internal text viewer, or with the Viewer program. A
// program or script entry is never handed to the shell to open: it would
// run instead of being shown.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;
class TAsciview;
struct TFile;

// "&Associated program [name]" for a program name, its last 12 characters
// after "[..." from 13 characters on; the plain caption for a program entry
// or when no program was found.
std::string AssociatedCaption(const std::string& EntryName, const std::string& ProgramName);

class TViewForm : public TForm {
 public:
  explicit TViewForm(TComponent* AOwner);

  // The entry the dialog shows: the first selected row (false when none
  // is a file).
  bool PickEntry();
  void ViewButtClick(TObject* Sender);
  const std::string& EntryName() const { return FName; }

  TGroupBox* UsingGroup = nullptr;
  TRadioButton *AssocRadio = nullptr, *InternalRadio = nullptr, *ViewerRadio = nullptr;
  TEditX* ViewerPath = nullptr;
  TButton *BrowseButt = nullptr, *ViewButt = nullptr, *CancelButt = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TZipBridge* ZipBridge1 = nullptr;
  TAsciview* Asciview = nullptr;

 private:
  void FormShow();
  std::string FName, FPath;
  bool FProgram = false;
};
