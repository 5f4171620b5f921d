// TFavorOptForm ("Quillon Options"): the favourite folders and what happens
// to a Zip folder outside them. Cancel puts back the list as it was shown.
#pragma once
#include <string>
#include <vector>

#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TFavoriteForm;

class TFavorOptForm : public TForm {
 public:
  TFavorOptForm(TComponent* AOwner, TFavoriteForm* Favorites);

  void FillFolderList();
  // What "Add a folder to list" does with the folder chosen.
  void AddFolder(const std::string& Folder);

  TPageControl* PageControl1 = nullptr;
  TListView* DirList = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
  TRadioButton* Policy[3] = {};

 private:
  void FormShow();
  TFavoriteForm* FFavorites;
  std::vector<std::string> FSavedFolders;
  int FSavedCount = 0;
  int FSavedPolicy = 0;
};
