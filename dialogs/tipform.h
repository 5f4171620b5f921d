// TTipForm ("Quillon Tip of the Day"): one of the tips and the start-up tip
// option.
#pragma once
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TTipForm : public TForm {
 public:
  explicit TTipForm(TComponent* AOwner);
  void NextTipClick(TObject* Sender);

  TLabel* TipText = nullptr;
  TComboBox* ShowTipOptions = nullptr;
  TButton *NextTipButt = nullptr, *CloseButt = nullptr;
};

// The tip after Tip, back to 1 after TipCount.
int NextTipNumber(int Tip, int Count);
