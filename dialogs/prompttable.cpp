#include "dialogs/prompttable.h"

#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"

void BuildPromptForm(TCustomForm* Form, const std::string& Caption, int ClientWidth, int ClientHeight,
                     std::initializer_list<TPromptRow> Rows) {
  Form->SetBorderStyle(bsDialog);
  Form->SetPosition(poMainFormCenter);
  Form->SetCaption(Caption);
  Form->SetClientWidth(ClientWidth);
  Form->SetClientHeight(ClientHeight);
  Form->SetKeyPreview(true);
  Form->OnKeyPress = [Form](TObject*, char& Key) {
    if (Key == 27) Form->Close();
  };
  for (const TPromptRow& R : Rows) {
    TControl* C = nullptr;
    switch (R.Kind) {
      case TPromptControl::Label: {
        auto* L = new TLabel(Form);
        L->SetAutoSize(false);
        L->SetWordWrap(true);
        L->SetCaption(R.Caption);
        C = L;
        break;
      }
      case TPromptControl::Button: {
        auto* B = new TButton(Form);
        B->SetCaption(R.Caption);
        C = B;
        break;
      }
      case TPromptControl::Check: {
        auto* K = new TCheckBox(Form);
        K->SetCaption(R.Caption);
        C = K;
        break;
      }
      case TPromptControl::Image: C = new TImage(Form); break;
    }
    C->SetName(R.Name);
    C->SetBounds(R.Left, R.Top, R.Width, R.Height);
    C->SetParent(Form);
  }
}
