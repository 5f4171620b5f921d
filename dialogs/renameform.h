// TRenameFForm ("Rename"): renames the first selected entry of a Zip
// archive.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

// True when an entry other than FileTable[Row] is named NewName (case
// ignored): such a name is refused.
bool EntryNameTaken(int Row, const std::string& NewName);

class TRenameFForm : public TForm {
 public:
  explicit TRenameFForm(TComponent* AOwner);

  void OKClick(TObject* Sender);

  TEditX* FileName = nullptr;
  TButton *OKButton = nullptr, *CancelButton = nullptr;

 private:
  void FormShow();
  int FRow = -1;
};
