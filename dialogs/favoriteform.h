// TFavoriteForm ("Favorite Zip Folders"): the archives of one type found in
// the favourite folders, sorted by name, date or folder; opens the one chosen.
#pragma once
#include <string>
#include <vector>

#include "framework/core/sysutils.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TFavorOptForm;
class TSearchForm;

// One archive found: its name, last write and folder (no trailing "\"
// beyond a drive root).
struct tffile {
  std::string Name;
  TDateTime Date = 0;
  int DosDate = 0;
  std::string Folder;
};
constexpr int MaxFoundArchives = 10000;
extern std::vector<tffile> FoundArchives;
extern std::string FavoriteMask;

// Adds Folder (with a trailing "\") to the favourites unless one equals it in
// lower case or the list is full; true when it was added.
bool AddFavoriteFolder(const std::string& Folder);

class TFavoriteForm : public TForm {
 public:
  explicit TFavoriteForm(TComponent* AOwner);

  void FillList();
  // The full path of a row.
  static std::string FullPath(const tffile& F);

  TLabel *FileName = nullptr, *SortType = nullptr;
  TListView* FileList = nullptr;
  TComboBox* FileType = nullptr;
  TButton *OKButt = nullptr, *SearchButt = nullptr, *CancelButt = nullptr, *OptionsButt = nullptr;
  TFavorOptForm* FavorOptForm = nullptr;
  TSearchForm* SearchForm = nullptr;

  void OKButtClick(TObject* Sender);
  void FileListColumnClick(int Column);

 private:
  void FormShow();
  void FileTypeChange();
  void FileListChange();
  void ShowSortCaption();
};
