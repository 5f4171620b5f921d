// TAddForm ("Add"): a small file browser of its own in which the user picks
// files and folders on disk; they are then added to the open archive, by the
// dialog's own Zip component for the Zip family and by the main window's
// writer for LZH, CAB and BH archives.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/commands/editx.h"
#include "controls/commands/tbbutton.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;
class TDiskInfo;
class TSelGroupForm;

// One row of the browser: a record with an empty SizeText is a folder.
struct afile {
  std::string Name, SizeText, TypeText, DateText;
};
// The browser's table holds at most this many records; a fuller folder shows
// its first ones and says so.
constexpr size_t BrowserCapacity = 10000;
extern std::vector<afile> BrowserEntries;
// The folder shown, with a trailing "\"; empty while the drive list is shown.
extern std::string BrowserFolder;

// What an add through the writer of an LZH, CAB or BH archive is told.
struct TAddChoice {
  int Action = 0;       // ActionBox index
  int Compression = 0;  // CompressionBox index
  bool SaveExtraDirInfo = false, FullDirInfo = false;
};

class TAddForm : public TForm {
 public:
  explicit TAddForm(TComponent* AOwner);

  // Shows Folder ("" for the drive list).
  void ListFolder(const std::string& Folder);
  // Total size in bytes of all files below Folder (with trailing "\").
  static int64_t FolderSize(const std::string& Folder);
  // The Zip level for a CompressionBox index; ".pk3" archives are stored.
  static int ZipLevelFor(int Index, const std::string& ArchiveName);

  void AddButtClick(TObject* Sender);
  void UpClick(TObject* Sender);
  void SpeedButton1Click(TObject* Sender);
  void SpeedButton2Click(TObject* Sender);
  void FileListDblClick(TObject* Sender);
  void SetPasswordButtClick(TObject* Sender);
  void SelectGroupButtClick(TObject* Sender);
  // The rows selected now, in list order.
  std::vector<int> SelectedRows();

  TEditX* CurrentFolder = nullptr;
  TToolbarButtonX *Up = nullptr, *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *BriefButt = nullptr,
                  *DetailButt = nullptr;
  TListView* FileList = nullptr;
  TComboBox *ActionBox = nullptr, *CompressionBox = nullptr, *SpanningBox = nullptr;
  TButton *AddButt = nullptr, *CancelButt = nullptr, *SelectGroupButt = nullptr, *SetPasswordButt = nullptr,
          *HelpButt = nullptr;
  TGroupBox* SpanningGroup = nullptr;
  TEditX *MAXVSize = nullptr, *FREEon1st = nullptr;
  TCheckBox *CheckBox2 = nullptr, *IncSystemHidden = nullptr, *SaveExtraDirInfo = nullptr, *CheckBox1 = nullptr;
  TZipBridge* ZipBridge1 = nullptr;
  TDiskInfo* DiskInfo1 = nullptr;
  TSelGroupForm* SelGroupForm1 = nullptr;
  // The password confirmed with Set password; emptied on every show.
  std::string AddPassword;
  // Asks one password under Caption; '' for none. The password window by
  // default; a test may answer instead.
  std::function<std::string(const std::string& Caption)> AskPassword;

 private:
  void FormShow();
  void FillBoxes();
  void ShowDriveColumns(int NameWidth, int SizeWidth, int FreeWidth);
  void ShowFileColumns();
  void EnterFolder(const std::string& Folder);
  void ShowDriveList();
  void CurrentFolderKeyPress(char& Key);
  void SpanningBoxChange();
  void RunZip();
  void RunCompressor();
  void AfterAdd();
  int FSavedWidths[4] = {110, 80, 80, 118};
  bool FGuard = false;
};
