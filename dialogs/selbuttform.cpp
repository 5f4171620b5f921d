#include "dialogs/selbuttform.h"

#include "app/mainform.h"
#include "app/settings.h"
#include "dialogs/controltable.h"

namespace {

const char* const DefaultButtons = "11100111100100";
const char* const RowCaptions[14] = {"New",  "Open", "Favorites", "Properties", "Print", "Add",      "Delete",
                                     "Extract", "View", "Scan",   "Test",       "CheckOut", "Help", "Exit"};

}  // namespace

std::string ButtonsFromChecks(const bool (&Checked)[14]) {
  std::string flags(14, '0');
  for (size_t i = 0; i < 14; ++i)
    if (Checked[i]) flags[i] = '1';
  return flags == std::string(14, '0') ? DefaultButtons : flags;
}

TSelButtForm::TSelButtForm(TComponent* AOwner) : TForm(AOwner, "TSelButtForm") {
  SetName("SelButtForm");
  SetCaption("Select Buttons");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 330, 330);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"ListLabel", TControlKind::Label, "A&vailable toolbar buttons:", 8, 8, 200, 14},
      {"CloseButt", TControlKind::DefaultButton, "&Close", 238, 24, 80, 25},
      {"ResetButt", TControlKind::Button, "&Reset", 238, 56, 80, 25},
      {"CancelButt", TControlKind::CancelButton, "Ca&ncel", 238, 88, 80, 25},
  });
  ButtonList = new TListView(this);
  ButtonList->SetName("ButtonList");
  ButtonList->SetParent(this);
  ButtonList->SetBounds(8, 24, 220, 270);
  ButtonList->SetViewStyle(vsReport);
  ButtonList->SetCheckboxes(true);
  ButtonList->SetShowColumnHeaders(false);
  ButtonList->Columns()->Add()->SetWidth(190);
  for (const char* c : RowCaptions) ButtonList->Items()->Add()->SetCaption(c);
  CloseButt = Ctl<TButton>(this, "CloseButt");
  ResetButt = Ctl<TButton>(this, "ResetButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  auto item = [this](const char* Name, const char* Caption, TNotifyEvent Click) {
    auto* i = new TMenuItem(this);
    i->SetName(Name);
    i->SetCaption(Caption);
    i->OnClick = std::move(Click);
    PopupMenu1->Items()->Add(i);
  };
  item("SelectAll1", "Select &All", [this](TObject*) {
    for (int i = 0; i < 14; ++i) ButtonList->Items()->Item(i)->SetChecked(true);
  });
  item("Reset1", "&Reset", [this](TObject* S) { ResetClick(S); });
  ButtonList->SetPopupMenu(PopupMenu1);

  OnShow = [this](TObject*) {
    // Our small strip holds only the eight small buttons' pictures; the
    // large one has all fourteen in row order.
    if (MainForm) ButtonList->SetSmallImages(MainForm->MainToolbar.LargeImages);
    for (int i = 0; i < 14; ++i) {
      TListItem* row = ButtonList->Items()->Item(i);
      // The strip holds Extract before Delete.
      row->SetImageIndex(i == 6 ? 7 : i == 7 ? 6 : i);
      row->SetChecked(size_t(i) < Buttons.size() && Buttons[size_t(i)] == '1');
    }
    CentreOnMainWindow(this);
    SetActiveControl(ButtonList);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  CloseButt->OnClick = [this](TObject* S) { CloseButtClick(S); };
  ResetButt->OnClick = [this](TObject* S) { ResetClick(S); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
}

void TSelButtForm::ResetClick(TObject*) {
  Buttons = DefaultButtons;
  for (int i = 0; i < 14; ++i) ButtonList->Items()->Item(i)->SetChecked(Buttons[size_t(i)] == '1');
}

void TSelButtForm::CloseButtClick(TObject*) {
  bool checked[14];
  for (int i = 0; i < 14; ++i) checked[i] = ButtonList->Items()->Item(i)->Checked();
  Buttons = ButtonsFromChecks(checked);
  SaveSettings();
  LoadSettings();
  Close();
}
