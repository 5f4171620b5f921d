// The main window's favourites, view and check-out commands.
#include "app/mainform.h"
#include "app/settings.h"
#include "dialogs/checkoutform.h"
#include "dialogs/favoriteform.h"
#include "dialogs/viewform.h"

void TMainForm::WireEntryCommands() {
  ToolButtons[2]->OnClick = [this](TObject* S) { FavoritesButtonClick(S); };
  ToolButtons[8]->OnClick = [this](TObject* S) { ViewClick(S); };
  ToolButtons[11]->OnClick = [this](TObject* S) { CheckoutFClick(S); };
}

void TMainForm::FavoritesButtonClick(TObject*) {
  if (!FavoriteForm) FavoriteForm = new TFavoriteForm(this);
  FavoriteForm->Show();
}

void TMainForm::ViewClick(TObject*) {
  if (ArchiveName.empty() || FileCount == 0) return;
  if (!ViewForm) ViewForm = new TViewForm(this);
  if (!ViewForm->PickEntry()) {
    AppMessageBox("No file selected for viewing.", mtInformation, mbOK);
    return;
  }
  if (ShowViewDialog == 1) {
    ViewForm->Show();
    return;
  }
  ViewForm->ViewerPath->SetText(Viewer);
  TRadioButton* modes[3] = {ViewForm->AssocRadio, ViewForm->InternalRadio, ViewForm->ViewerRadio};
  modes[LastViewMode <= 2 ? LastViewMode : 0]->SetChecked(true);
  ViewForm->ViewButtClick(this);
}

void TMainForm::CheckoutFClick(TObject*) {
  if (ArchiveName.empty()) return;
  if (!CheckOutForm) CheckOutForm = new TCheckOut(this);
  CheckOutForm->Show();
}
