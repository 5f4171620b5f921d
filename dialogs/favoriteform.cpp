#include "dialogs/favoriteform.h"

#include <algorithm>

#include "app/favorites.h"
#include "app/mainform.h"
#include "dialogs/controltable.h"
#include "dialogs/favoroptform.h"
#include "dialogs/searchform.h"

std::vector<tffile> FoundArchives;
std::string FavoriteMask = "*.zip";

namespace {

const char* const TypeNames[9] = {"ZIP files", "RAR files", "LHA files", "ARJ files",    "ARC files",
                                  "ACE files", "CAB files", "BH (Bh) files", "ZOO files"};
const char* const TypeMasks[9] = {"*.zip", "*.rar", "*.lha", "*.arj", "*.arc", "*.ace", "*.cab", "*.bh", "*.zoo"};

}  // namespace

bool AddFavoriteFolder(const std::string& Folder) {
  const std::string want = AnsiLowerCase(Folder);
  FavoriteFolders.resize(size_t(std::clamp<int32_t>(FavoriteCount, 0, int32_t(FavoriteFolders.size()))));
  for (const std::string& f : FavoriteFolders)
    if (AnsiLowerCase(f) == want) return false;
  if (FavoriteFolders.size() >= size_t(MaxFavoriteFolders)) return false;
  FavoriteFolders.push_back(Folder);
  FavoriteCount = int32_t(FavoriteFolders.size());
  return true;
}

TFavoriteForm::TFavoriteForm(TComponent* AOwner) : TForm(AOwner, "TFavoriteForm") {
  SetName("FavoriteForm");
  SetCaption("Favorite Zip Folders");
  SetBorderStyle(bsDialog);
  SetClientWidth(416);
  SetClientHeight(243);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"SortType", TControlKind::Label, "", 8, 8, 320, 14},
      {"FileName", TControlKind::Label, "No file selected.", 8, 190, 400, 14},
      {"FileTypeL", TControlKind::Label, "Files of &type:", 8, 216, 70, 14},
      {"FileType", TControlKind::Combo, "", 84, 212, 150, 21},
      {"OKButt", TControlKind::DefaultButton, "&Open", 336, 24, 72, 25},
      {"SearchButt", TControlKind::Button, "&Search...", 336, 56, 72, 25},
      {"CancelButt", TControlKind::CancelButton, "Cancel", 336, 88, 72, 25},
      {"OptionsButt", TControlKind::Button, "O&ptions...", 336, 210, 72, 25},
  });
  SortType = Ctl<TLabel>(this, "SortType");
  FileName = Ctl<TLabel>(this, "FileName");
  FileType = Ctl<TComboBox>(this, "FileType");
  OKButt = Ctl<TButton>(this, "OKButt");
  SearchButt = Ctl<TButton>(this, "SearchButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  OptionsButt = Ctl<TButton>(this, "OptionsButt");
  FileType->SetStyle(csDropDownList);
  for (const char* t : TypeNames) FileType->Items()->Add(t);

  FileList = new TListView(this);
  FileList->SetName("FileList");
  FileList->SetParent(this);
  FileList->SetBounds(8, 24, 320, 160);
  FileList->SetViewStyle(vsReport);
  FileList->SetReadOnly(true);
  FileList->SetRowSelect(true);
  FileList->SetHideSelection(false);
  const std::pair<const char*, int> columns[] = {{"Name", 87}, {"Modified", 115}, {"Folder", 115}};
  for (const auto& [caption, width] : columns) {
    TListColumn* c = FileList->Columns()->Add();
    c->SetCaption(caption);
    c->SetWidth(width);
  }

  FavorOptForm = new TFavorOptForm(this, this);
  SearchForm = new TSearchForm(this, this);

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [](TObject*, TCloseAction&) {
    if (MainForm) MainForm->SetEnabled(true);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  FileType->OnChange = [this](TObject*) { FileTypeChange(); };
  FileList->OnChange = [this](TObject*, TListItem*, TItemChange Change) {
    if (Change == ctState) FileListChange();
  };
  FileList->OnSelectItem = [this](TObject*, TListItem*, bool) { FileListChange(); };
  FileList->OnColumnClick = [this](TObject*, TListColumn* Column) { FileListColumnClick(Column->Index()); };
  FileList->OnDblClick = [this](TObject* S) {
    if (FileList->SelCount() == 1) OKButtClick(S);
  };
  OKButt->OnClick = [this](TObject* S) { OKButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
  SearchButt->OnClick = [this](TObject*) { SearchForm->Show(); };
  OptionsButt->OnClick = [this](TObject*) { FavorOptForm->Show(); };
}

std::string TFavoriteForm::FullPath(const tffile& F) {
  return F.Folder + (F.Folder.size() > 3 ? "\\" : "") + F.Name;
}

void TFavoriteForm::FormShow() {
  OKButt->SetEnabled(false);
  CentreOnMainWindow(this);
  if (MainForm) MainForm->SetEnabled(false);
  FileType->SetItemIndex(0);
  FileTypeChange();
  if (FileList->CanFocus()) FileList->SetFocus();
  ShowSortCaption();
}

void TFavoriteForm::ShowSortCaption() {
  static const char* const by[3] = {"name", "date", "folder"};
  const int mode = std::clamp<int>(FavoriteSortMode, 1, 6);
  SortType->SetCaption(std::string("Files in Favorite Zip Folders sorted by ") + by[(mode - 1) % 3] + ":");
}

void TFavoriteForm::FileTypeChange() {
  const int i = FileType->ItemIndex();
  FavoriteMask = TypeMasks[i >= 0 && i < 9 ? i : 0];
  FillList();
}

void TFavoriteForm::FillList() {
  FileList->SetVisible(false);
  FileList->Items()->Clear();
  FoundArchives.clear();
  const int count = std::clamp<int32_t>(FavoriteCount, 0, int32_t(FavoriteFolders.size()));
  for (int i = 0; i < count && FoundArchives.size() < size_t(MaxFoundArchives); ++i) {
    const std::string folder = IncludeTrailingBackslash(FavoriteFolders[size_t(i)]);
    if (!DirectoryExists(ExcludeTrailingBackslash(folder))) continue;
    TSearchRec rec;
    if (FindFirst(folder + FavoriteMask, faReadOnly | faHidden | faSysFile | faArchive, rec) == 0) {
      do {
        if (rec.Attr & faDirectory) continue;
        tffile f;
        f.Name = rec.Name;
        f.DosDate = rec.Time;
        try {
          f.Date = FileDateToDateTime(rec.Time);
        } catch (const Exception&) {
          f.Date = 0;
        }
        f.Folder = folder.size() > 3 ? ExcludeTrailingBackslash(folder) : folder;
        FoundArchives.push_back(f);
      } while (FoundArchives.size() < size_t(MaxFoundArchives) && FindNext(rec) == 0);
      FindClose(rec);
    }
  }
  const int mode = std::clamp<int>(FavoriteSortMode, 1, 6);
  auto key = [mode](const tffile& A, const tffile& B) {
    switch ((mode - 1) % 3) {
      case 0: return A.Name < B.Name;
      case 1: return A.Date < B.Date;
      default: return A.Folder < B.Folder;
    }
  };
  if (mode <= 3) std::stable_sort(FoundArchives.begin(), FoundArchives.end(), key);
  else std::stable_sort(FoundArchives.begin(), FoundArchives.end(), [&](const tffile& A, const tffile& B) {
    return key(B, A);
  });
  if (MainForm) FileList->SetSmallImages(MainForm->SmallSysImages);
  FileList->Items()->BeginUpdate();
  for (const tffile& f : FoundArchives) {
    TListItem* item = FileList->Items()->Add();
    item->SetCaption(f.Name);
    item->SubItems()->Add(DosDateText(f.DosDate));
    item->SubItems()->Add(f.Folder);
    SHFILEINFOA info = {};
    SHGetFileInfoA(FullPath(f).c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    item->SetImageIndex(info.iIcon);
  }
  FileList->Items()->EndUpdate();
  FileList->SetVisible(true);
  FileListChange();
}

void TFavoriteForm::FileListChange() {
  TListItem* item = FileList->Selected();
  if (item && size_t(item->Index()) < FoundArchives.size()) {
    FileName->SetCaption("&File name: " + FullPath(FoundArchives[size_t(item->Index())]));
    OKButt->SetEnabled(true);
  } else {
    FileName->SetCaption("No file selected.");
    OKButt->SetEnabled(false);
  }
}

void TFavoriteForm::FileListColumnClick(int Column) {
  if (Column < 0 || Column > 2) return;
  const int k = Column + 1;
  FavoriteSortMode = uint8_t(FavoriteSortMode == k ? k + 3 : k);
  ShowSortCaption();
  FillList();
}

void TFavoriteForm::OKButtClick(TObject*) {
  TListItem* item = FileList->Selected();
  if (!item || size_t(item->Index()) >= FoundArchives.size()) return;
  const std::string name = FullPath(FoundArchives[size_t(item->Index())]);
  Close();
  if (!MainForm) return;
  MainForm->CloseArchiveClick(this);
  if (MainForm->OpenArchiveFile(name)) MainForm->FillFileList();
}
