#include "dialogs/addform.h"

#include <shellapi.h>

#include <algorithm>
#include <map>

#include "app/addactions.h"
#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/core/compbase.h"
#include "controls/views/diskinfo.h"
#include "dialogs/controltable.h"
#include "dialogs/passwordform.h"
#include "dialogs/selgroupform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"

std::vector<afile> BrowserEntries;
std::string BrowserFolder;

namespace {

const std::string Rule(37, '#');

bool IsCompressorFormat(const std::string& Ext) { return Ext == ".lzh" || Ext == ".cab" || Ext == ".bh"; }

// The policy's hidden drives, bit 0 for A:.
DWORD HiddenDrives() {
  TRegistry reg;
  if (reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer") &&
      reg.GetDataType("NoDrives") == rdInteger)
    return DWORD(reg.ReadInteger("NoDrives"));
  return 0;
}

bool DriveHidden(DWORD Hidden, char Letter) {
  Letter = char(std::tolower(static_cast<unsigned char>(Letter)));
  return Letter >= 'a' && Letter <= 'z' && ((Hidden >> (Letter - 'a')) & 1);
}

bool DriveAnswers(const std::string& Root) {
  ULARGE_INTEGER freeBytes, total, totalFree;
  const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  const bool ok = GetDiskFreeSpaceExA(Root.c_str(), &freeBytes, &total, &totalFree);
  SetErrorMode(old);
  return ok;
}

std::string DosText(int DosTime) { return DosTime == -1 ? std::string() : DosDateText(DosTime); }

// "(C:) Local Disk" gives "c:".
std::string DriveOfDisplayName(const std::string& Name) {
  const size_t p = Name.find('(');
  return p == std::string::npos || p + 2 >= Name.size() ? std::string() : Name.substr(p + 1, 2);
}

// The current date and time in the locale's short forms.
std::string DateNow() {
  char date[64] = {}, time[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  return std::string(date) + " " + time;
}

}  // namespace

TAddForm::TAddForm(TComponent* AOwner) : TForm(AOwner, "TAddForm") {
  SetName("AddForm");
  SetCaption("Add");
  SetBorderStyle(bsDialog);
  SetClientWidth(422);
  SetClientHeight(395);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"CurrentFolder", TControlKind::EditX, "", 8, 8, 262, 21},
      {"Up", TControlKind::ToolButton, "Up", 274, 7, 28, 23, "", "DLGUPFOLDER"},
      {"SpeedButton1", TControlKind::ToolButton, "PC", 304, 7, 28, 23, "", "DLGDRIVES"},
      {"SpeedButton2", TControlKind::ToolButton, "Dsk", 334, 7, 28, 23, "", "DLGDESKTOP"},
      {"BriefButt", TControlKind::ToolButton, "L", 364, 7, 24, 23, "", "DLGLIST"},
      {"DetailButt", TControlKind::ToolButton, "D", 390, 7, 24, 23, "", "DLGDETAILS"},
      {"ActionL", TControlKind::Label, "Ac&tion:", 8, 206, 80, 14},
      {"ActionBox", TControlKind::Combo, "", 8, 222, 196, 21},
      {"CompressionL", TControlKind::Label, "&Compression:", 214, 206, 90, 14},
      {"CompressionBox", TControlKind::Combo, "", 214, 222, 200, 21},
      {"SpanningGroup", TControlKind::Group, "&Multiple disk s&panning ", 8, 250, 232, 138},
      {"SpanningBox", TControlKind::Combo, "", 8, 18, 216, 21, "SpanningGroup"},
      {"MAXVSizeL", TControlKind::Label, "&Max. Volume Size:", 8, 48, 100, 14, "SpanningGroup"},
      {"MAXVSize", TControlKind::EditX, "", 110, 45, 80, 21, "SpanningGroup"},
      {"MAXVSizeB", TControlKind::Label, "bytes", 194, 48, 30, 14, "SpanningGroup"},
      {"FREEon1stL", TControlKind::Label, "FREE on 1st disk:", 8, 76, 100, 14, "SpanningGroup"},
      {"FREEon1st", TControlKind::EditX, "", 110, 73, 80, 21, "SpanningGroup"},
      {"FREEon1stB", TControlKind::Label, "bytes", 194, 76, 30, 14, "SpanningGroup"},
      {"CheckBox2", TControlKind::Check, "Format (erase) disk before adding...", 8, 104, 216, 18, "SpanningGroup"},
      {"OptionsGroup", TControlKind::Group, "", 248, 250, 166, 80},
      {"IncSystemHidden", TControlKind::Check, "Include s&ystem and hidden files", 4, 12, 160, 18, "OptionsGroup"},
      {"SaveExtraDirInfo", TControlKind::Check, "&Save extra folder info", 6, 34, 156, 18, "OptionsGroup"},
      {"CheckBox1", TControlKind::Check, "Save Full folder info", 6, 56, 156, 18, "OptionsGroup"},
      {"AddButt", TControlKind::DefaultButton, "&Add", 248, 336, 54, 24},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 304, 336, 54, 24},
      {"HelpButt", TControlKind::Button, "&Help", 360, 336, 54, 24},
      {"SelectGroupButt", TControlKind::Button, "File &filter...", 248, 364, 80, 24},
      {"SetPasswordButt", TControlKind::Button, "Set &password...", 334, 364, 80, 24},
  });
  CurrentFolder = Ctl<TEditX>(this, "CurrentFolder");
  Up = Ctl<TToolbarButtonX>(this, "Up");
  SpeedButton1 = Ctl<TToolbarButtonX>(this, "SpeedButton1");
  SpeedButton2 = Ctl<TToolbarButtonX>(this, "SpeedButton2");
  BriefButt = Ctl<TToolbarButtonX>(this, "BriefButt");
  DetailButt = Ctl<TToolbarButtonX>(this, "DetailButt");
  ActionBox = Ctl<TComboBox>(this, "ActionBox");
  CompressionBox = Ctl<TComboBox>(this, "CompressionBox");
  SpanningGroup = Ctl<TGroupBox>(this, "SpanningGroup");
  SpanningBox = Ctl<TComboBox>(this, "SpanningBox");
  MAXVSize = Ctl<TEditX>(this, "MAXVSize");
  FREEon1st = Ctl<TEditX>(this, "FREEon1st");
  CheckBox2 = Ctl<TCheckBox>(this, "CheckBox2");
  IncSystemHidden = Ctl<TCheckBox>(this, "IncSystemHidden");
  SaveExtraDirInfo = Ctl<TCheckBox>(this, "SaveExtraDirInfo");
  CheckBox1 = Ctl<TCheckBox>(this, "CheckBox1");
  AddButt = Ctl<TButton>(this, "AddButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  SelectGroupButt = Ctl<TButton>(this, "SelectGroupButt");
  SetPasswordButt = Ctl<TButton>(this, "SetPasswordButt");
  HelpButt = Ctl<TButton>(this, "HelpButt");
  for (TComboBox* b : {ActionBox, CompressionBox, SpanningBox}) b->SetStyle(csDropDownList);
  BriefButt->SetHint("List");
  DetailButt->SetHint("Details");
  BriefButt->SetShowHint(true);
  DetailButt->SetShowHint(true);

  FileList = new TListView(this);
  FileList->SetName("FileList");
  FileList->SetParent(this);
  FileList->SetBounds(8, 34, 406, 166);
  FileList->SetViewStyle(vsReport);
  FileList->SetMultiSelect(true);
  FileList->SetRowSelect(true);
  FileList->SetReadOnly(true);
  FileList->SetColumnClick(false);
  FileList->SetHideSelection(false);
  const std::pair<const char*, int> columns[] = {{"Name", 110}, {"Size", 80}, {"File Type", 80}, {"Modified", 118}};
  for (const auto& [caption, width] : columns) {
    TListColumn* c = FileList->Columns()->Add();
    c->SetCaption(caption);
    c->SetWidth(width);
  }
  FileList->Columns()->Items(1)->SetAlignment(taRightJustify);

  ZipBridge1 = CreateZipBridge(this, nullptr, "ZipBridge1");
  DiskInfo1 = new TDiskInfo(this);
  DiskInfo1->SetName("DiskInfo1");
  SelGroupForm1 = new TSelGroupForm(this);

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [](TObject*, TCloseAction&) {
    if (!MainForm) return;
    MainForm->SetEnabled(true);
    MainForm->ShowSelectionStatus();
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  Up->OnClick = [this](TObject* S) { UpClick(S); };
  SpeedButton1->OnClick = [this](TObject* S) { SpeedButton1Click(S); };
  SpeedButton2->OnClick = [this](TObject* S) { SpeedButton2Click(S); };
  BriefButt->OnClick = [this](TObject*) { FileList->SetViewStyle(vsList); };
  DetailButt->OnClick = [this](TObject*) { FileList->SetViewStyle(vsReport); };
  FileList->OnDblClick = [this](TObject* S) { FileListDblClick(S); };
  FileList->OnChange = [this](TObject*, TListItem*, TItemChange Change) {
    if (Change == ctState && !BrowserFolder.empty()) AddButt->SetEnabled(FileList->SelCount() > 0);
  };
  CurrentFolder->OnKeyPress = [this](TObject*, char& Key) { CurrentFolderKeyPress(Key); };
  AddButt->OnClick = [this](TObject* S) { AddButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
  HelpButt->OnClick = [](TObject*) { OpenHelpTopic("addfiles.html"); };
  SpanningBox->OnChange = [this](TObject*) { SpanningBoxChange(); };
  SetPasswordButt->OnClick = [this](TObject* S) { SetPasswordButtClick(S); };
  SelectGroupButt->OnClick = [this](TObject* S) { SelectGroupButtClick(S); };
  // The two folder-info options exclude each other.
  auto exclusive = [this](TCheckBox* Clicked, TCheckBox* Other) {
    if (FGuard) return;
    FGuard = true;
    if (Clicked->Checked()) Other->SetChecked(false);
    FGuard = false;
  };
  SaveExtraDirInfo->OnClick = [this, exclusive](TObject*) { exclusive(SaveExtraDirInfo, CheckBox1); };
  CheckBox1->OnClick = [this, exclusive](TObject*) { exclusive(CheckBox1, SaveExtraDirInfo); };
  // The program's own password window, over this dialog.
  AskPassword = [this](const std::string& Caption) { return ::AskPassword(Caption, this); };
}

int TAddForm::ZipLevelFor(int Index, const std::string& ArchiveName) {
  if (AnsiLowerCase(ExtractFileExt(ArchiveName)) == ".pk3") return 0;
  static const int levels[] = {9, 7, 4, 2, 0};
  return Index >= 0 && Index < 5 ? levels[Index] : 9;
}

void TAddForm::FormShow() {
  AddPassword.clear();
  FGuard = false;
  CheckBox2->SetEnabled(!ArchiveName.empty() &&
                        GetDriveTypeA((ArchiveName.substr(0, 1) + ":\\").c_str()) == DRIVE_REMOVABLE);
  Up->SetEnabled(true);
  SetZipPassword(ZipBridge1, "");
  if (MainForm) FileList->SetSmallImages(MainForm->SmallSysImages);

  std::string start = AddFolder == 0 ? ExtractFilePath(ArchiveName) : AddFolder == 1 ? LastAddDir : AddFromFolder;
  if (!start.empty() && !DirectoryExists(start)) {
    std::string part = start;
    while (!part.empty() && !(part.back() == '\\' && DirectoryExists(part))) part.pop_back();
    if (part.empty()) {
      char path[MAX_PATH] = {};
      GetModuleFileNameA(nullptr, path, MAX_PATH);
      part = std::string(path).substr(0, 3);
    }
    start = part;
  }
  if (!start.empty()) start = IncludeTrailingBackslash(start);
  if (BrowserFolder.empty()) ShowFileColumns();
  ListFolder(start);
  if (MainForm) MainForm->SetEnabled(false);
  CentreOnMainWindow(this);

  IncSystemHidden->SetChecked(true);
  SaveExtraDirInfo->SetChecked(SaveDirNames == 1);
  SpanningBox->Items()->Clear();
  for (const char* s : {"Automatic", "Custom", "No spanning..."}) SpanningBox->Items()->Add(s);
  SpanningBox->SetItemIndex(std::min<int>(SpanningMode, 2));
  SpanningBoxChange();
  MAXVSize->SetText(std::to_string(SpanningMAXVolumeSize));
  FREEon1st->SetText(std::to_string(SpanningFreeSize));
  if (BrowserFolder.empty()) {
    ShowDriveColumns(110, 128, 127);
    Up->SetEnabled(false);
    SelectGroupButt->SetEnabled(false);
  } else {
    SelectGroupButt->SetEnabled(true);
  }
  AddButt->SetEnabled(!BrowserFolder.empty() && FileList->SelCount() > 0);
  FillBoxes();
  if (AnsiLowerCase(ExtractFileExt(ArchiveName)) == ".pk3") CompressionBox->SetEnabled(false);
}

void TAddForm::FillBoxes() {
  const bool zip = !IsCompressorFormat(ArchiveExt);
  ActionBox->Items()->Clear();
  CompressionBox->Items()->Clear();
  if (zip) {
    for (const char* s : {"Add (and replace) files", "Freshen existing files", "Move files", "Update (and add) files"})
      ActionBox->Items()->Add(s);
  } else {
    for (const char* s : {"Add (and replace) files", "Move files"}) ActionBox->Items()->Add(s);
  }
  std::vector<const char*> levels;
  uint8_t highest = 4;
  if (ArchiveExt == ".lzh") {
    levels = {"Maximum (slowest) - Frozen5", "Normal - Frozen1", "None"};
    highest = 2;
  } else if (ArchiveExt == ".cab") {
    levels = {"MsZIP type", "Quantum", "LZX", "None"};
    highest = 3;
  } else {
    levels = {"Maximum (slowest)", "Normal", "Fast", "Super fast", "None"};
  }
  for (const char* s : levels) CompressionBox->Items()->Add(s);
  if (DefaultCompression > highest) DefaultCompression = highest;
  ActionBox->SetItemIndex(0);
  CompressionBox->SetItemIndex(DefaultCompression);
  CompressionBox->SetEnabled(true);
  SetPasswordButt->SetEnabled(zip || ArchiveExt == ".bh");
  SpanningGroup->SetEnabled(zip);
  for (TControl* c : {static_cast<TControl*>(SpanningBox), static_cast<TControl*>(CheckBox2)})
    if (!zip) c->SetEnabled(false);
  if (zip) SpanningBox->SetEnabled(true);
}

void TAddForm::SpanningBoxChange() {
  const bool custom = SpanningBox->ItemIndex() == 1;
  MAXVSize->SetEnabled(custom);
  FREEon1st->SetEnabled(custom);
}

void TAddForm::ShowDriveColumns(int NameWidth, int SizeWidth, int FreeWidth) {
  TListColumns* c = FileList->Columns();
  if (!BrowserFolder.empty() || c->Items(1)->Caption() == "Size")
    for (int i = 0; i < 4; ++i) FSavedWidths[i] = c->Items(i)->Width();
  c->Items(0)->SetWidth(NameWidth);
  c->Items(1)->SetCaption("Total Size");
  c->Items(1)->SetAlignment(taRightJustify);
  c->Items(1)->SetWidth(SizeWidth);
  c->Items(2)->SetCaption("Free Space");
  c->Items(2)->SetAlignment(taRightJustify);
  c->Items(2)->SetWidth(FreeWidth);
  c->Items(3)->SetCaption("");
  c->Items(3)->SetWidth(0);
}

void TAddForm::ShowFileColumns() {
  TListColumns* c = FileList->Columns();
  const char* captions[] = {"Name", "Size", "File Type", "Modified"};
  for (int i = 0; i < 4; ++i) {
    c->Items(i)->SetCaption(captions[i]);
    c->Items(i)->SetWidth(FSavedWidths[i]);
  }
  c->Items(1)->SetAlignment(taRightJustify);
  c->Items(2)->SetAlignment(taLeftJustify);
}

void TAddForm::ListFolder(const std::string& Folder) {
  BrowserFolder = Folder;
  const DWORD hidden = HiddenDrives();
  if (!BrowserFolder.empty() && (int32_t(hidden) < 0 || DriveHidden(hidden, BrowserFolder[0]))) BrowserFolder.clear();
  CurrentFolder->SetText(BrowserFolder.empty()      ? std::string("My Computer")
                         : BrowserFolder.size() > 3 ? ExcludeTrailingBackslash(BrowserFolder)
                                                    : BrowserFolder);
  FileList->SetVisible(false);
  FileList->Items()->Clear();
  BrowserEntries.clear();
  bool overflow = false;
  if (!BrowserFolder.empty()) {
    std::vector<afile> folders, files;
    TSearchRec f;
    if (FindFirst(BrowserFolder + "*.*", faAnyFile, f) == 0) {
      do {
        if (f.Name == "." || f.Name == "..") continue;
        afile a;
        a.Name = AnsiLowerCase(f.Name);
        a.DateText = DosText(f.Time);
        if (f.Attr & faDirectory) {
          folders.push_back(a);
        } else {
          a.SizeText = InsertThousandSeparators(std::to_string(f.Size));
          files.push_back(a);
        }
      } while (FindNext(f) == 0);
      FindClose(f);
    }
    auto byName = [](const afile& A, const afile& B) { return A.Name < B.Name; };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    BrowserEntries = std::move(folders);
    BrowserEntries.insert(BrowserEntries.end(), files.begin(), files.end());
    if (BrowserEntries.size() > BrowserCapacity) {
      BrowserEntries.resize(BrowserCapacity);
      overflow = true;
    }
  } else {
    for (char letter = 'a'; letter <= 'z'; ++letter) {
      const std::string root = std::string(1, letter) + ":\\";
      const UINT type = GetDriveTypeA(root.c_str());
      if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) continue;
      if (int32_t(hidden) < 0 || DriveHidden(hidden, letter)) continue;
      SHFILEINFOA info = {};
      SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
      afile a;
      a.Name = info.szDisplayName;
      if (DriveOfDisplayName(a.Name).empty()) a.Name += " (" + std::string(1, char(letter - 32)) + ":)";
      if (type != DRIVE_REMOVABLE && DriveAnswers(root)) {
        DiskInfo1->SetDisk(letter);
        a.SizeText = DiskInfo1->DiskSizeStr();
        a.DateText = DiskInfo1->DiskFreeStr();
      }
      BrowserEntries.push_back(a);
    }
  }
  FileList->Items()->BeginUpdate();
  // Files of one extension share their type name and icon: asking the shell
  // once per extension keeps a full folder quick to list. Folders, programs
  // and icons are asked one by one, since each may show its own.
  std::map<std::string, std::pair<std::string, int>> byExt;
  for (afile& a : BrowserEntries) {
    TListItem* item = FileList->Items()->Add();
    item->SetCaption(a.Name);
    SHFILEINFOA info = {};
    if (!BrowserFolder.empty()) {
      const std::string ext = ExtractFileExt(a.Name);
      const bool shared = !a.SizeText.empty() && ext != ".exe" && ext != ".ico" && ext != ".lnk";
      auto it = shared ? byExt.find(ext) : byExt.end();
      if (it != byExt.end()) {
        info.iIcon = it->second.second;
        a.TypeText = it->second.first;
      } else {
        SHGetFileInfoA((BrowserFolder + a.Name).c_str(), 0, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        a.TypeText = std::string(info.szTypeName).substr(0, 80);
        if (shared) byExt[ext] = {a.TypeText, info.iIcon};
      }
      item->SubItems()->Add(a.SizeText);
      item->SubItems()->Add(a.TypeText);
      item->SubItems()->Add(a.DateText);
    } else {
      SHGetFileInfoA((DriveOfDisplayName(a.Name) + "\\").c_str(), 0, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
      item->SubItems()->Add(a.SizeText);
      item->SubItems()->Add(a.DateText);
    }
    item->SetImageIndex(info.iIcon);
  }
  FileList->Items()->EndUpdate();
  FileList->SetVisible(true);
  if (overflow)
    AppMessageBox("This folder holds more than " + InsertThousandSeparators(std::to_string(BrowserCapacity)) +
                      " files and folders; only the first " +
                      InsertThousandSeparators(std::to_string(BrowserCapacity)) + " are shown.",
                  mtInformation, mbOK);
}

std::vector<int> TAddForm::SelectedRows() {
  std::vector<int> rows;
  for (int i = 0; i < FileList->Items()->Count(); ++i)
    if (FileList->Items()->Item(i)->Selected()) rows.push_back(i);
  return rows;
}

void TAddForm::EnterFolder(const std::string& Folder) {
  if (BrowserFolder.empty()) {
    Up->SetEnabled(true);
    SelectGroupButt->SetEnabled(true);
    AddButt->SetEnabled(true);
    ShowFileColumns();
  }
  ListFolder(Folder);
}

void TAddForm::FileListDblClick(TObject*) {
  TListItem* item = FileList->Selected();
  if (!item) return;
  const afile& a = BrowserEntries[size_t(item->Index())];
  if (!BrowserFolder.empty()) {
    if (!a.SizeText.empty()) {
      AddButtClick(this);
      return;
    }
    ListFolder(BrowserFolder + a.Name + "\\");
    return;
  }
  const std::string drive = AnsiLowerCase(DriveOfDisplayName(a.Name));
  if (drive.empty()) return;
  if (!DriveAnswers(drive + "\\")) {
    AppMessageBox(drive + "\\" + " is " + "not accessible." + "\r\r" + "The device is not ready.", mtError, mbOK);
    return;
  }
  EnterFolder(drive + "\\");
}

void TAddForm::UpClick(TObject*) {
  if (BrowserFolder.size() > 3) {
    const std::string f = ExcludeTrailingBackslash(BrowserFolder);
    ListFolder(f.substr(0, f.rfind('\\') + 1));
    return;
  }
  if (!BrowserFolder.empty()) ShowDriveList();
}

void TAddForm::SpeedButton1Click(TObject*) {
  if (BrowserFolder.size() >= 3) ShowDriveList();
}

void TAddForm::ShowDriveList() {
  AddButt->SetEnabled(false);
  SelectGroupButt->SetEnabled(false);
  ShowDriveColumns(114, 138, 137);
  Up->SetEnabled(false);
  ListFolder("");
}

void TAddForm::SpeedButton2Click(TObject*) {
  TRegistry reg;
  std::string desktop;
  if (reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))
    desktop = reg.ReadString("Desktop");
  if (desktop.empty()) return;
  EnterFolder(IncludeTrailingBackslash(desktop));
}

void TAddForm::CurrentFolderKeyPress(char& Key) {
  if (Key != 13) return;
  Key = 0;
  const std::string text = Trim(CurrentFolder->Text());
  if (text.empty()) {
    SpeedButton1Click(this);
    return;
  }
  if (!DirectoryExists(text)) {
    AppMessageBox("Can't find directory \"" + text + "\".", mtError, mbOK);
    return;
  }
  SetCurrentDirectoryA(text.c_str());
  char buf[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, buf);
  EnterFolder(IncludeTrailingBackslash(buf));
}

void TAddForm::SetPasswordButtClick(TObject*) {
  const std::string first = AskPassword("Enter password");
  if (first.empty()) {
    SetZipPassword(ZipBridge1, "");
    return;
  }
  const std::string second = AskPassword("Re-enter password");
  if (first != second) {
    AppMessageBox("The password you typed is incorrect.", mtError, mbOK);
    return;
  }
  if (!IsCompressorFormat(ArchiveExt)) SetZipPassword(ZipBridge1, first.substr(0, 255));
  AddPassword = first;
}

void TAddForm::SelectGroupButtClick(TObject*) {
  SelGroupForm1->ShowModal();
  if (FileList->CanFocus()) FileList->SetFocus();
}

int64_t TAddForm::FolderSize(const std::string& Folder) {
  int64_t total = 0;
  TSearchRec f;
  if (FindFirst(Folder + "*.*", faAnyFile, f) == 0) {
    do {
      if (f.Name == "." || f.Name == "..") continue;
      if (f.Attr & faDirectory) {
        // A junction or symbolic link is not followed: it may lead back up.
        const DWORD attr = GetFileAttributesA((Folder + f.Name).c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_REPARSE_POINT))
          total += FolderSize(Folder + f.Name + "\\");
      } else {
        total += f.Size;
      }
    } while (FindNext(f) == 0);
    FindClose(f);
  }
  return total;
}

void TAddForm::AddButtClick(TObject*) {
  if (BrowserFolder.empty()) return;
  int maxSize = 0, freeSize = 0;
  try {
    maxSize = StrToInt(MAXVSize->Text());
    freeSize = StrToInt(FREEon1st->Text());
  } catch (const Exception& E) {
    AppMessageBox(E.what(), mtError, mbOK);
    return;
  }
  SaveDirNames = SaveExtraDirInfo->Checked() ? 1 : 0;
  SpanningMode = uint8_t(std::max(SpanningBox->ItemIndex(), 0));
  SpanningMAXVolumeSize = maxSize;
  SpanningFreeSize = freeSize;
  DefaultCompression = uint8_t(std::max(CompressionBox->ItemIndex(), 0));
  if (MainForm) MainForm->ViewLastOutput->SetEnabled(true);
  ClearOperationLog();
  Close();
  Application->ProcessMessages();
  SetBusyState(true);
  LogLine(Rule);
  LogLine(" Adding file(s): " + ExtractFileName(ArchiveName) + " -- " + DateNow());
  LogLine(Rule);
  LogLine("");
  if (IsCompressorFormat(ArchiveExt)) RunCompressor();
  else RunZip();
  LogLine("");
  LogLine(Rule);
  LogLine(" Done -- " + DateNow());
  AfterAdd();
}

void TAddForm::RunZip() {
  const std::vector<int> rows = SelectedRows();
  int64_t total = 0;
  for (int r : rows) {
    const afile& a = BrowserEntries[size_t(r)];
    total += a.SizeText.empty() ? FolderSize(BrowserFolder + a.Name + "\\")
                                : std::max<int64_t>(GetFileSize64(BrowserFolder + a.Name), 0);
  }
  TOperationScope op(MainForm, TByteProgress::MaxFor(total));
  TZipAddJob job;
  job.Archive = ArchiveName;
  job.TempDir = Temp;
  job.Level = ZipLevelFor(CompressionBox->ItemIndex(), ArchiveName);
  const int action = ActionBox->ItemIndex();
  const bool span = SpanningBox->ItemIndex() != 2;
  if (CheckBox2->Checked() && CheckBox2->Enabled()) job.Options |= zaDiskSpanErase;
  if (span) job.Options |= zaDiskSpan;
  if (SpanningBox->ItemIndex() == 1) {
    job.MaxVolumeSize = job.MinFreeVolumeSize = SpanningMAXVolumeSize;
    job.KeepFreeOnDisk1 = SpanningFreeSize;
  }
  if (IncSystemHidden->Checked()) job.Options |= zaHiddenFiles;
  if (!GetZipPassword(ZipBridge1).empty()) job.Options |= zaEncrypt;
  job.Progress = [&](int Type, const std::string& Name, int64_t Bytes) {
    if (MainForm->FZipCancel) CancelZip(ZipBridge1, true);
    if (ZipCancelled(ZipBridge1)) return;
    if (Type == 0) MainForm->SPanel1->SetCaption("Adding \"" + AnsiLowerCase(Name) + "\"");
    op.AddBytes(Bytes);
    if (Type == 2) MainForm->SPanel1->SetCaption("");
    Application->ProcessMessages();
  };
  job.Message = [](int, const std::string& Text) { LogLine(Text); };
  MainForm->FZipRunning = true;
  MainForm->FZipCancel = false;
  CancelZip(ZipBridge1, false);

  // Folders first, recursively.
  static const uint16_t Actions[4] = {0, zaFreshen, zaMove, zaUpdate};
  const uint16_t common = job.Options | Actions[action >= 0 && action <= 3 ? action : 0];
  job.Options = common | zaRecurseDirs | zaDirNames;
  SetCurrentDirectoryA(BrowserFolder.c_str());
  for (int r : rows) {
    const afile& a = BrowserEntries[size_t(r)];
    if (!a.SizeText.empty()) continue;
    if (SaveExtraDirInfo->Checked()) {
      job.Specs.push_back(a.Name + "\\*.*");
    } else if (CheckBox1->Checked()) {
      job.Specs.push_back(BrowserFolder + a.Name + "\\*.*");
    } else {
      // The folder's own name is not stored: its files go in relative to it.
      TZipAddJob one = job;
      one.Specs = {"*.*"};
      SetCurrentDirectoryA((BrowserFolder + a.Name).c_str());
      AddToZip(ZipBridge1, one);
    }
  }
  if (!job.Specs.empty()) {
    SetCurrentDirectoryA(BrowserFolder.c_str());
    AddToZip(ZipBridge1, job);
  }
  // Then the files, without recursion.
  job.Specs.clear();
  job.Options = common | (SaveExtraDirInfo->Checked() || CheckBox1->Checked() ? zaDirNames : 0);
  // With the extra folder information a file is named from the browser's
  // folder (the current one): its full path would store the whole folder
  // chain, as the full-information choice does.
  SetCurrentDirectoryA(BrowserFolder.c_str());
  for (int r : rows) {
    const afile& a = BrowserEntries[size_t(r)];
    if (!a.SizeText.empty()) job.Specs.push_back((SaveExtraDirInfo->Checked() ? "" : BrowserFolder) + a.Name);
  }
  if (!job.Specs.empty()) AddToZip(ZipBridge1, job);
  MainForm->FZipRunning = false;
  MainForm->FZipCancel = false;
}

void TAddForm::RunCompressor() {
  TCompBase* writer = MainForm->CompressorFor(ArchiveExt);
  if (!writer) return;
  ActiveCompressor = writer;
  CompressorRunning = 1;
  writer->RecurseDirs = true;
  SetCurrentDirectoryA(BrowserFolder.c_str());
  TOperationScope op(MainForm, 100);
  writer->SetArchiveFile(ArchiveName);
  writer->FileSpec()->Clear();
  writer->SetDefaultDir(BrowserFolder);
  writer->StoredDirNames = SaveExtraDirInfo->Checked() ? TStoredDirNames::sdRelativeStoreStart
                           : CheckBox1->Checked()      ? TStoredDirNames::sdAbsoluteNoDrv
                                                       : TStoredDirNames::sdNone;
  writer->Password = ArchiveExt == ".bh" ? AddPassword : std::string();
  SetCompressorLevel(writer, ArchiveExt, CompressionBox->ItemIndex());
  writer->Switch = ActionBox->ItemIndex() == 1 ? TSwitch::swMove : TSwitch::swAdd;
  for (int r : SelectedRows()) {
    const afile& a = BrowserEntries[size_t(r)];
    writer->FileSpec()->Add(BrowserFolder + a.Name + (a.SizeText.empty() ? "\\*.*" : ""));
  }
  writer->Cancel = false;
  if (writer->FileSpec()->Count() > 0) {
    try {
      writer->Compress();
    } catch (const std::exception& E) {
      LogLine(E.what());
    }
  }
  writer->Cancel = false;
  writer->Password.clear();
  CompressorRunning = 0;
}

void TAddForm::AfterAdd() {
  LastAddDir = BrowserFolder;
  SetBusyState(false);
  if (IsCompressorFormat(ArchiveExt) || SpanningBox->ItemIndex() == 2) {
    MainForm->FillFileList();
    return;
  }
  // A spanned set: its last numbered volume, else the archive itself.
  const size_t dot = ArchiveName.rfind('.');
  const std::string stem = dot == std::string::npos ? ArchiveName : ArchiveName.substr(0, dot);
  std::string open;
  for (int n = 999; n >= 1 && open.empty(); --n) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%03d", n);
    if (FileExists(stem + suffix + ".zip")) open = stem + suffix + ".zip";
  }
  if (open.empty() && FileExists(ArchiveName)) open = ArchiveName;
  if (!open.empty()) MainForm->OpenArchiveFile(open);
  MainForm->RefreshClick(this);
}
