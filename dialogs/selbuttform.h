// TSelButtForm ("Select Buttons"): which of the fourteen toolbar buttons the
// large toolbar shows, kept in the Buttons flags.
#pragma once
#include <string>

#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/menus.h"
#include "framework/ui/stdctrls.h"

class TSelButtForm : public TForm {
 public:
  explicit TSelButtForm(TComponent* AOwner);
  void CloseButtClick(TObject* Sender);
  void ResetClick(TObject* Sender);

  TListView* ButtonList = nullptr;
  TButton *CloseButt = nullptr, *ResetButt = nullptr, *CancelButt = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
};

// The Buttons flags of the checked rows; the default set when none is.
std::string ButtonsFromChecks(const bool (&Checked)[14]);
