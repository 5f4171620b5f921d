// "Quillon": whether to associate the program with Zip files. The answer
// goes into the association settings; the start-up's association work
// writes the registry from them.
#pragma once
#include "framework/ui/forms.h"

class TAssociateForm : public TForm {
 public:
  explicit TAssociateForm(TComponent* AOwner);
  void YesClick(TObject* Sender);
  void NoClick(TObject* Sender);

 private:
  void Answer(uint8_t Associate);
};
