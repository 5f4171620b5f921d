#include "app/mainmenus.h"

#include <vector>

#include "app/mainform.h"
#include "controls/commands/mxmenubar.h"

void InstallMainMenus(TMainForm* Form) {
  auto* bar = new TCustomMenuBarX(Form);
  bar->SetName("MenuBar1");
  bar->SetParent(Form);
  // The bar sits above the toolbar: the other top-aligned controls go after it.
  std::vector<TControl*> tops;
  for (int i = 0; i < Form->ControlCount(); ++i)
    if (Form->Controls(i) != bar && Form->Controls(i)->Align() == alTop) tops.push_back(Form->Controls(i));
  for (TControl* c : tops) {
    c->SetParent(nullptr);
    c->SetParent(Form);
  }
  bar->Loaded();

  if (auto* files = dynamic_cast<TPopupMenuX*>(Form->FilePopUp)) {
    T_MX_Title* title = files->Options()->Title();
    title->Visible = true;
    title->Width = 22;
    title->Text = "Quillon 2000";
    title->Font()->SetName("Arial Black");
    title->Font()->SetSize(11);
    title->Font()->SetColor(clWhite);
  }
}
