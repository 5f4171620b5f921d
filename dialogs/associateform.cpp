#include "dialogs/associateform.h"

#include "app/settings.h"
#include "dialogs/prompttable.h"
#include "framework/ui/stdctrls.h"

TAssociateForm::TAssociateForm(TComponent* AOwner) : TForm(AOwner, "TAssociateForm") {
  SetName("AssociateForm");
  BuildPromptForm(this, "Quillon", 360, 150,
                  {
                      {"Label1", TPromptControl::Label,
                       "For full access to Quillon's shell interface, Quillon must be properly asociated with Zip "
                       "files. However, Quillon is not currently associated with Zip files.\n\n\nAssociate Quillon "
                       "with Zip files now?",
                       10, 10, 340, 80},
                      {"YesBtn", TPromptControl::Button, "&Yes", 100, 96, 75, 25},
                      {"NoBtn", TPromptControl::Button, "&No", 185, 96, 75, 25},
                      {"NeverShow", TPromptControl::Check, "Never display this message", 10, 126, 340, 17},
                  });
  auto* Yes = PromptControl<TButton>(this, "YesBtn");
  Yes->SetDefault(true);
  Yes->OnClick = [this](TObject* S) { YesClick(S); };
  PromptControl<TButton>(this, "NoBtn")->OnClick = [this](TObject* S) { NoClick(S); };
}

void TAssociateForm::Answer(uint8_t Associate) {
  AssociateWithZipFiles = Associate;
  CheckForZipAssociation = PromptControl<TCheckBox>(this, "NeverShow")->Checked() ? 1 : 0;
  SetModalResult(Associate ? mrYes : mrNo);
}

void TAssociateForm::YesClick(TObject*) { Answer(1); }
void TAssociateForm::NoClick(TObject*) { Answer(0); }
