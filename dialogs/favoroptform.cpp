#include "dialogs/favoroptform.h"

#include <algorithm>

#include "app/favorites.h"
#include "controls/views/browsedr.h"
#include "dialogs/controltable.h"
#include "dialogs/favoriteform.h"

TFavorOptForm::TFavorOptForm(TComponent* AOwner, TFavoriteForm* Favorites)
    : TForm(AOwner, "TFavorOptForm"), FFavorites(Favorites) {
  SetName("FavorOptForm");
  SetCaption("Quillon Options");
  SetBorderStyle(bsDialog);
  SetClientWidth(360);
  SetClientHeight(262);
  SetKeyPreview(true);
  PageControl1 = new TPageControl(this);
  PageControl1->SetName("PageControl1");
  PageControl1->SetParent(this);
  PageControl1->SetBounds(6, 6, 348, 218);
  const char* const pages[2][2] = {{"Page1", "Favorite Zip Folders"}, {"Page2", "Other Zip Folders"}};
  for (const auto& p : pages) {
    auto* sheet = new TTabSheet(this);
    sheet->SetName(p[0]);
    sheet->SetCaption(p[1]);
    sheet->SetPageControl(PageControl1);
  }
  BuildControlTable(this, {
      {"Label1", TControlKind::Label,
       "&Quillon will automatically list Zip files located in the following folders. Click the button below to "
       "add or remove from your Favorite Zip Folders.",
       6, 4, 330, 42, "Page1"},
      {"Button3", TControlKind::Button, "&Add a folder to list", 6, 160, 150, 23, "Page1"},
      {"Button4", TControlKind::Button, "&Remove folder", 180, 160, 150, 23, "Page1"},
      {"Label2", TControlKind::Label,
       "If you open a Zip file that is not in one of your Favorite Zip Folders, Quillon can add the folder to "
       "your Favorite Zip Folders.",
       6, 4, 330, 42, "Page2"},
      {"Policy0", TControlKind::Radio, "&Add the folder to the Favorite Zip Folders automatically", 6, 56, 330, 20,
       "Page2"},
      {"Policy1", TControlKind::Radio, "A&sk before adding the folder to the Favorite Zip Folders", 6, 80, 330, 20,
       "Page2"},
      {"Policy2", TControlKind::Radio, "&Do not add the folder to the Favorite Zip Folders", 6, 104, 330, 20,
       "Page2"},
      {"Button1", TControlKind::DefaultButton, "OK", 196, 232, 75, 25},
      {"Button2", TControlKind::CancelButton, "Cancel", 278, 232, 75, 25},
  });
  for (const char* l : {"Label1", "Label2"}) Ctl<TLabel>(this, l)->SetWordWrap(true);
  Button1 = Ctl<TButton>(this, "Button1");
  Button2 = Ctl<TButton>(this, "Button2");
  Button3 = Ctl<TButton>(this, "Button3");
  Button4 = Ctl<TButton>(this, "Button4");
  for (int i = 0; i < 3; ++i) Policy[i] = Ctl<TRadioButton>(this, "Policy" + std::to_string(i));
  DirList = new TListView(this);
  DirList->SetName("DirList");
  DirList->SetParent(Ctl<TTabSheet>(this, "Page1"));
  DirList->SetBounds(6, 50, 333, 104);
  DirList->SetViewStyle(vsReport);
  DirList->SetShowColumnHeaders(false);
  DirList->SetReadOnly(true);
  DirList->SetRowSelect(true);
  DirList->SetHideSelection(false);
  DirList->Columns()->Add()->SetWidth(310);

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [this](TObject*, TCloseAction&) { FFavorites->SetEnabled(true); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  Button3->OnClick = [this](TObject*) {
    TBrowseDirectoryDlg dlg(this);
    dlg.Title = "Select Folder";
    dlg.SetCaption("&Select Folder");
    dlg.Parent = Handle();
    if (dlg.Execute()) AddFolder(dlg.Selection());
  };
  Button4->OnClick = [this](TObject*) {
    TListItem* item = DirList->Selected();
    if (DirList->SelCount() != 1 || !item) return;
    const size_t i = size_t(item->Index());
    FavoriteFolders.resize(size_t(std::clamp<int32_t>(FavoriteCount, 0, int32_t(FavoriteFolders.size()))));
    if (i < FavoriteFolders.size()) FavoriteFolders.erase(FavoriteFolders.begin() + long(i));
    FavoriteCount = int32_t(FavoriteFolders.size());
    FillFolderList();
  };
  Button1->OnClick = [this](TObject*) {
    for (int i = 0; i < 3; ++i)
      if (Policy[i]->Checked()) OtherFoldersPolicy = uint8_t(i);
    FFavorites->FillList();
    Close();
  };
  Button2->OnClick = [this](TObject*) {
    FavoriteFolders = FSavedFolders;
    FavoriteCount = FSavedCount;
    OtherFoldersPolicy = uint8_t(FSavedPolicy);
    Close();
  };
}

void TFavorOptForm::FormShow() {
  FFavorites->SetEnabled(false);
  CentreOnForm(this, FFavorites);
  PageControl1->SetActivePageIndex(0);
  const size_t count = std::min<size_t>(size_t(std::max(FavoriteCount, 0)), FavoriteFolders.size());
  // The whole list: a copy cut short would drop folders on Cancel.
  FSavedFolders.assign(FavoriteFolders.begin(), FavoriteFolders.begin() + long(count));
  FSavedCount = int(FSavedFolders.size());
  FSavedPolicy = OtherFoldersPolicy;
  Policy[std::min<int>(OtherFoldersPolicy, 2)]->SetChecked(true);
  FillFolderList();
}

void TFavorOptForm::FillFolderList() {
  DirList->Items()->Clear();
  const int count = std::clamp<int32_t>(FavoriteCount, 0, int32_t(FavoriteFolders.size()));
  for (int i = 0; i < count; ++i) {
    const std::string& f = FavoriteFolders[size_t(i)];
    DirList->Items()->Add()->SetCaption(f.size() > 3 ? ExcludeTrailingBackslash(f) : f);
  }
}

void TFavorOptForm::AddFolder(const std::string& Folder) {
  if (!Folder.empty()) AddFavoriteFolder(IncludeTrailingBackslash(Folder));
  FillFolderList();
}
