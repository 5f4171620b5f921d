// TSearchForm ("Quillon Search"): rebuilds the favourite folders from the
// folders of a disk (or of every hard disk) that hold archives, or adds the
// folder of one file the user picks. The walk never enters a junction or a
// symbolic link and visits each folder once, and "Stop" ends it.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "framework/ui/dialogs.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TFavoriteForm;

class TSearchForm : public TForm {
 public:
  TSearchForm(TComponent* AOwner, TFavoriteForm* Favorites);

  void Button1Click(TObject* Sender);
  // Folder ends in "\".
  void SearchFolder(const std::string& Folder, int Depth = 0);
  bool Searching() const { return FSearching; }
  int FoldersSearched() const { return FFolders; }
  int ArchivesFound() const { return FFound; }

  TLabel *Label2 = nullptr, *Label3 = nullptr;
  TRadioButton *SAll = nullptr, *SDisk = nullptr, *SMan = nullptr;
  TComboBox* ComboBox1 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr;
  TOpenDialog* SelFileBox = nullptr;

 private:
  void FormShow();
  void ShowCounts();
  TFavoriteForm* FFavorites;
  int FFolders = 0, FFound = 0;
  bool FSearching = false, FStop = false;
  // Folders already walked, by volume and file index.
  std::set<std::pair<uint32_t, uint64_t>> FVisited;
};
