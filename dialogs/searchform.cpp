#include "dialogs/searchform.h"

#include <algorithm>

#include "app/favorites.h"
#include "app/settings.h"
#include "dialogs/controltable.h"
#include "dialogs/favoriteform.h"
#include "framework/core/sysutils.h"

namespace {

// Folders nested deeper are not walked: no real disk needs them, and a
// cycle the identity check cannot see still ends.
constexpr int MaxSearchDepth = 128;

bool IsArchiveName(const std::string& Name) {
  const std::string ext = AnsiLowerCase(ExtractFileExt(Name));
  for (const char* e : {".zip", ".rar", ".ace", ".arc", ".arj", ".cab", ".lha", ".bh", ".zoo"})
    if (ext == e) return true;
  return false;
}

// The folder's volume and file index, or false when it cannot be opened.
bool FolderIdentity(const std::string& Folder, std::pair<uint32_t, uint64_t>& Id) {
  HANDLE h = CreateFileA(Folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return false;
  Id = {info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

}  // namespace

TSearchForm::TSearchForm(TComponent* AOwner, TFavoriteForm* Favorites)
    : TForm(AOwner, "TSearchForm"), FFavorites(Favorites) {
  SetName("SearchForm");
  SetCaption("Quillon Search");
  SetBorderStyle(bsDialog);
  SetClientWidth(302);
  SetClientHeight(186);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label,
       "Quillon can automatically search for Zip files,  or, if  you want  to  search  for  a file yourselft, "
       "click \"Let me find it\".",
       8, 6, 286, 30},
      {"SAll", TControlKind::Radio, "&Search hard disk(s) on this PC", 8, 40, 200, 18},
      {"SDisk", TControlKind::Radio, "Search &disk:", 8, 62, 100, 18},
      {"ComboBox1", TControlKind::Combo, "", 110, 60, 100, 21},
      {"SMan", TControlKind::Radio, "&Let me find it (not automatic)", 8, 86, 200, 18},
      {"Label3", TControlKind::Label, "", 8, 112, 286, 14},
      {"Label2", TControlKind::Label, "", 8, 130, 286, 14},
      {"Button1", TControlKind::DefaultButton, "OK", 138, 154, 75, 25},
      {"Button2", TControlKind::CancelButton, "&Cancel", 220, 154, 75, 25},
  });
  Ctl<TLabel>(this, "Label1")->SetWordWrap(true);
  Label2 = Ctl<TLabel>(this, "Label2");
  Label3 = Ctl<TLabel>(this, "Label3");
  SAll = Ctl<TRadioButton>(this, "SAll");
  SDisk = Ctl<TRadioButton>(this, "SDisk");
  SMan = Ctl<TRadioButton>(this, "SMan");
  ComboBox1 = Ctl<TComboBox>(this, "ComboBox1");
  Button1 = Ctl<TButton>(this, "Button1");
  Button2 = Ctl<TButton>(this, "Button2");
  // Escape and the cancel key end a search as Stop does.
  Button2->SetCancel(false);
  SelFileBox = new TOpenDialog(this);
  SelFileBox->SetName("SelFileBox");
  SelFileBox->Filter = "Zip files|*.zip";
  SelFileBox->Title = "Find a Zip file";
  SelFileBox->Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing;

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [this](TObject*, TCloseAction&) {
    FStop = true;
    FFavorites->SetEnabled(true);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  SDisk->OnClick = [this](TObject*) {
    if (ComboBox1->CanFocus()) ComboBox1->SetFocus();
  };
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  Button2->OnClick = [this](TObject*) { Close(); };
}

void TSearchForm::FormShow() {
  CentreOnForm(this, FFavorites);
  FFavorites->SetEnabled(false);
  SAll->SetChecked(true);
  Label2->SetCaption("");
  Label3->SetCaption("");
  if (SAll->CanFocus()) SAll->SetFocus();
  ComboBox1->Items()->Clear();
  int first = -1;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    const UINT type = GetDriveTypeA(root.c_str());
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) continue;
    if (first < 0 && letter >= 'c') first = ComboBox1->Items()->Count();
    ComboBox1->Items()->Add(root);
  }
  if (first >= 0) ComboBox1->SetItemIndex(first);
  Button1->SetCaption("OK");
  Button2->SetEnabled(true);
  FStop = false;
}

void TSearchForm::ShowCounts() {
  Label2->SetCaption("Searched " + std::to_string(FFolders) + ", " + std::to_string(FFound) + " file(s) found...");
  Label2->Repaint();
}

void TSearchForm::SearchFolder(const std::string& Folder, int Depth) {
  if (FStop || Depth > MaxSearchDepth) return;
  std::pair<uint32_t, uint64_t> id;
  if (FolderIdentity(Folder, id) && !FVisited.insert(id).second) return;
  ++FFolders;
  Label3->SetCaption("Searching " + Folder);
  Label3->Repaint();
  ShowCounts();
  // Lets "Stop" be clicked while the walk goes on.
  Application->ProcessMessages();
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((Folder + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    const bool folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    // A junction or symbolic link may lead back above itself: never entered.
    if (folder && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) SearchFolder(Folder + name + "\\", Depth + 1);
    if (IsArchiveName(name)) {
      ++FFound;
      AddFavoriteFolder(Folder);
      ShowCounts();
    }
  } while (!FStop && FindNextFileA(h, &fd));
  FindClose(h);
}

void TSearchForm::Button1Click(TObject*) {
  if (Button1->Caption() != "OK") {
    Close();
    return;
  }
  Button1->SetCaption("&Stop");
  Button2->SetEnabled(false);
  SelFileBox->InitialDir = LastOpenDir;
  FFolders = FFound = 0;
  FStop = false;
  FVisited.clear();
  FSearching = true;
  if (SAll->Checked() || SDisk->Checked()) {
    FavoriteCount = 0;
    FavoriteFolders.clear();
  }
  if (SAll->Checked()) {
    for (char letter = 'a'; letter <= 'z' && !FStop; ++letter) {
      const std::string root = std::string(1, letter) + ":\\";
      if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED) SearchFolder(root);
    }
  } else if (SDisk->Checked()) {
    const std::string start = Trim(ComboBox1->Text());
    if (!start.empty()) SearchFolder(IncludeTrailingBackslash(start));
  } else if (SMan->Checked()) {
    if (SelFileBox->Execute()) AddFavoriteFolder(ExtractFilePath(SelFileBox->FileName));
  }
  FSearching = false;
  Button1->SetCaption("OK");
  Button2->SetEnabled(true);
  Close();
  FFavorites->FillList();
}
