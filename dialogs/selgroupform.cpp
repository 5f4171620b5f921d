#include "dialogs/selgroupform.h"

#include "app/utils.h"
#include "dialogs/addform.h"
#include "dialogs/controltable.h"

std::string GroupMask(const std::string& Typed) {
  std::string mask = Typed;
  if (!mask.empty() && mask.front() == '.') mask = "*" + mask;
  if (!mask.empty() && mask.back() == '.') mask += "*";
  return mask;
}

TSelGroupForm::TSelGroupForm(TComponent* AOwner) : TForm(AOwner, "TSelGroupForm") {
  SetName("SelGroupForm");
  SetCaption("Select file group...");
  SetBorderStyle(bsDialog);
  SetClientWidth(223);
  SetClientHeight(95);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"GroupL", TControlKind::Label, "Enter file &group:", 8, 8, 200, 14},
      {"typee", TControlKind::EditX, "", 8, 26, 207, 21},
      {"OKButt", TControlKind::DefaultButton, "OK", 56, 60, 75, 25},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 140, 60, 75, 25},
  });
  typee = Ctl<TEditX>(this, "typee");
  OKButt = Ctl<TButton>(this, "OKButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  OnShow = [this](TObject*) {
    auto* add = dynamic_cast<TCustomForm*>(Owner());
    if (add && add->Visible()) {
      SetLeft(add->Left() + add->Width() / 2 - Width() / 2);
      SetTop(add->Top() + add->Height() / 2 - Height() / 2);
    } else {
      CentreOnMainWindow(this);
    }
    typee->SetText("");
    if (typee->CanFocus()) typee->SetFocus();
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) SetModalResult(mrCancel);
  };
  OKButt->OnClick = [this](TObject* S) { OKButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { SetModalResult(mrCancel); };
}

void TSelGroupForm::OKButtClick(TObject*) {
  const std::string typed = typee->Text();
  auto* add = dynamic_cast<TAddForm*>(Owner());
  if (!typed.empty() && add) {
    const std::string mask = GroupMask(typed);
    TListItems* items = add->FileList->Items();
    for (int i = 0; i < items->Count() && size_t(i) < BrowserEntries.size(); ++i) {
      const afile& a = BrowserEntries[size_t(i)];
      // Rows are only ever selected here, never deselected.
      if (MatchWildcard(items->Item(i)->Caption(), mask, true) || (a.SizeText.empty() && mask == "*.*"))
        items->Item(i)->SetSelected(true);
    }
  }
  SetModalResult(mrOk);
}
