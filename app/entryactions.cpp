// The main window's favourites, view, check-out and drop commands.
#include <algorithm>
#include <iterator>

#include "app/mainform.h"
#include "app/settings.h"
#include "controls/views/filedrag.h"
#include "dialogs/checkoutform.h"
#include "dialogs/dragform.h"
#include "dialogs/favoriteform.h"
#include "dialogs/viewform.h"

void TMainForm::WireEntryCommands() {
  ToolButtons[2]->OnClick = [this](TObject* S) { FavoritesButtonClick(S); };
  ToolButtons[8]->OnClick = [this](TObject* S) { ViewClick(S); };
  ToolButtons[11]->OnClick = [this](TObject* S) { CheckoutFClick(S); };
  FileDrag1 = new TFileDrag(this);
  FileDrag1->SetName("FileDrag1");
  FileDrag1->OnDrop = [this](TObject*) {
    std::vector<std::string> names;
    for (int i = 0; i < FileDrag1->Files()->Count(); ++i) names.push_back(FileDrag1->Files()->Strings(i));
    FileDrag1Drop(names);
  };
  FileDrag1->SetEnableDrop(true);
}

void TMainForm::FileDrag1Drop(const std::vector<std::string>& Names) {
  if (Names.empty()) return;
  if (ArchiveName.empty()) {
    const std::string ext = AnsiLowerCase(ExtractFileExt(Names.front()));
    static const char* const kinds[] = {".exe", ".rar", ".arj", ".arc", ".ace", ".lha", ".lzh", ".jar",
                                        ".tar", ".gz",  ".cab", ".zoo", ".xxe", ".uue", ".zip"};
    if (Names.size() != 1 || std::none_of(std::begin(kinds), std::end(kinds), [&](const char* k) { return ext == k; }))
      return;
    if (OpenArchiveFile(Names.front())) FillFileList();
    return;
  }
  if (!DragForm) DragForm = new TDragForm(this);
  DragForm->Dropped = Names;
  DragForm->Show();
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
