// TSelGroupForm ("Select file group..."): selects the rows of the Add
// dialog's browser (its owner) whose names match a wildcard mask. The Add
// dialog keeps the main window disabled meanwhile.
#pragma once
#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TSelGroupForm : public TForm {
 public:
  explicit TSelGroupForm(TComponent* AOwner);
  void OKButtClick(TObject* Sender);

  TEditX* typee = nullptr;
  TButton *OKButt = nullptr, *CancelButt = nullptr;
};

// The mask as it is matched: "." in front or behind gets a "*".
std::string GroupMask(const std::string& Typed);
