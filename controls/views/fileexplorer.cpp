#include "controls/views/fileexplorer.h"

#include <algorithm>

#include "controls/views/shelllink.h"
#include "controls/views/viewutils.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/extctrls.h"

// After the layer's headers, whose names these system headers would rename.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#undef GetObject

namespace {

constexpr int kSubSize = 0, kSubModified = 2, kSubAttr = 3, kSubPath = 4, kSubKind = 5;

// Sets the hourglass while it lives and puts the old cursor back.
class THourglass {
 public:
  THourglass() : FOld(Screen ? Screen->Cursor() : crDefault) {
    if (Screen) Screen->SetCursor(crHourGlass);
  }
  ~THourglass() {
    if (Screen) Screen->SetCursor(FOld);
  }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;

 private:
  TCursor FOld;
};

std::string WithNul(const std::string& Path) { return Path + std::string(1, '\0'); }
std::string WithoutNul(const std::string& Path) {
  const size_t n = Path.find('\0');
  return n == std::string::npos ? Path : Path.substr(0, n);
}

HWND AppWindow() {
  if (Application && Application->MainForm()) return Application->MainForm()->Handle();
  return nullptr;
}

std::string WindowsFolder() {
  char buf[MAX_PATH] = {};
  GetWindowsDirectoryA(buf, MAX_PATH);
  return AddSlash(buf);
}

HIMAGELIST SystemImageList(bool Small) {
  SHFILEINFOA info{};
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
      "", 0, &info, sizeof info, SHGFI_SYSICONINDEX | (Small ? SHGFI_SMALLICON : SHGFI_LARGEICON)));
}

struct TShellInfo {
  int Icon = -1;
  std::string TypeName, DisplayName;
};

TShellInfo ShellInfo(const std::string& Path) {
  SHFILEINFOA info{};
  TShellInfo r;
  if (SHGetFileInfoA(Path.c_str(), 0, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME | SHGFI_DISPLAYNAME)) {
    r.Icon = info.iIcon;
    r.TypeName = info.szTypeName;
    r.DisplayName = info.szDisplayName;
  }
  return r;
}

std::string DrivesWord() { return "DRIVES"; }

// The program of the Windows folder that views a file, by its extension;
// empty when none does.
std::string ViewerFor(const std::string& Path) {
  const std::string ext = UpperCase(ExtractFileExt(Path));
  static const char* const notepad[] = {".C", ".CPP", ".DPK", ".DPR", ".H", ".INF", ".INI", ".PAS", ".PRG", ".TXT"};
  if (std::find(std::begin(notepad), std::end(notepad), ext) != std::end(notepad)) return "NotePad.exe";
  if (ext == ".DOC" || ext == ".RTF" || ext == ".WRI") return "Write.exe";
  if (ext == ".BMP") return "PBrush.exe";
  return "";
}

// A small modal form built in code: a prompt, an edit and buttons.
struct TAskForm {
  std::unique_ptr<TForm> Form;
  TEdit* Edit = nullptr;
};

TButton* AddButton(TForm* Form, const std::string& Name, const std::string& Caption, int Left, int Top, int Result) {
  auto* b = new TButton(Form);
  b->SetName(Name);
  b->SetParent(Form);
  b->SetCaption(Caption);
  b->SetBounds(Left, Top, 75, 25);
  b->SetModalResult(Result);
  return b;
}

TAskForm MakeAskForm(const std::string& Caption, const std::string& Prompt, const std::string& Value,
                     bool BrowseButton) {
  TAskForm a;
  a.Form = std::make_unique<TForm>(nullptr, "TInputForm");
  TForm* f = a.Form.get();
  f->SetCaption(Caption);
  f->SetBorderStyle(bsDialog);
  f->SetPosition(poScreenCenter);
  f->SetClientWidth(BrowseButton ? 340 : 260);
  f->SetClientHeight(90);
  auto* label = new TLabel(f);
  label->SetName("Prompt");
  label->SetParent(f);
  label->SetCaption(Prompt);
  label->SetBounds(8, 8, 240, 16);
  a.Edit = new TEdit(f);
  a.Edit->SetName("Edit");
  a.Edit->SetParent(f);
  a.Edit->SetBounds(8, 26, f->ClientWidth() - 16, 21);
  a.Edit->SetText(Value);
  TButton* ok = AddButton(f, "OK", "OK", 8, 56, mrOk);
  ok->SetDefault(true);
  TButton* cancel = AddButton(f, "Cancel", "Cancel", 90, 56, mrCancel);
  cancel->SetCancel(true);
  if (BrowseButton) AddButton(f, "Browse", "Browse", 172, 56, mrRetry);
  return a;
}

}  // namespace

// ---- unit routines ----------------------------------------------------------

int ExecuteFile(const std::string& Operation, const std::string& FileName, const std::string& Params,
                const std::string& Dir, int ShowCmd) {
  const auto r = reinterpret_cast<INT_PTR>(ShellExecuteA(AppWindow(), Operation.c_str(), FileName.c_str(),
                                                         Params.empty() ? nullptr : Params.c_str(),
                                                         Dir.empty() ? nullptr : Dir.c_str(), ShowCmd));
  if (r < 33) Prompt("ERROR - Can't " + Operation + " file  " + FileName, "Error", pbOK);
  return static_cast<int>(r);
}

bool DoFileOperation(TWinControl* Owner, UINT Func, const std::string& From, bool& Aborted, const std::string& To) {
  SHFILEOPSTRUCTA op{};
  TWinControl* parent = Owner && Owner->Parent() ? Owner->Parent() : Owner;
  op.hwnd = parent && parent->HandleAllocated() ? parent->Handle() : nullptr;
  op.wFunc = Func;
  // Both lists doubly NUL-terminated whatever the caller passed.
  const std::string from = WithoutNul(From) + std::string(2, '\0');
  const std::string to = WithoutNul(To) + std::string(2, '\0');
  op.pFrom = from.c_str();
  op.pTo = To.empty() ? nullptr : to.c_str();
  op.fFlags = FOF_ALLOWUNDO;
  op.lpszProgressTitle = "";
  const int r = SHFileOperationA(&op);
  Aborted = op.fAnyOperationsAborted != FALSE;
  return r == 0;
}

bool BrowseForFolder(TWinControl* Owner, std::string& Folder) {
  char display[MAX_PATH] = {};
  BROWSEINFOA bi{};
  bi.hwndOwner = Owner && Owner->HandleAllocated() ? Owner->Handle() : AppWindow();
  bi.pszDisplayName = display;
  bi.lpszTitle = "Please specify a directory";
  bi.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST list = SHBrowseForFolderA(&bi);
  if (!list) return false;
  char path[MAX_PATH + 2] = {};
  const bool ok = SHGetPathFromIDListA(list, path) != FALSE;
  CoTaskMemFree(list);
  if (ok) Folder = AddSlash(path);
  return ok;
}

int64_t GetDiskSizeKB(const std::string& Root) {
  ULARGE_INTEGER avail, total, free;
  if (!GetDiskFreeSpaceExA(Root.c_str(), &avail, &total, &free)) return -1;
  return static_cast<int64_t>((total.QuadPart + 512) / 1024);
}

int64_t GetFreeSpaceKB(const std::string& Root) {
  ULARGE_INTEGER avail, total, free;
  if (!GetDiskFreeSpaceExA(Root.c_str(), &avail, &total, &free)) return -1;
  return static_cast<int64_t>((free.QuadPart + 512) / 1024);
}

bool DiskInDrive(char Letter) {
  const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(Letter)));
  if (l < 'A' || l > 'Z') {
    Prompt("Not a valid Drive ID", "", pbOK);
    return false;
  }
  int64_t size;
  {
    TNoErrorBoxes quiet;
    size = GetDiskSizeKB(std::string(1, l) + ":\\");
  }
  if (size < 0) {
    Prompt(std::string("There is no disk in Drive ") + l + "\r" + "or Drive " + l + " is not ready", "", pbOK);
    return false;
  }
  return true;
}

std::string FileTimeToText(const FILETIME& Time, const TShortDateFormat& Format) {
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&Time, &local) || !FileTimeToSystemTime(&local, &st)) return "";
  TDateTime d, t;
  if (!TryEncodeDate(st.wYear, st.wMonth, st.wDay, d) || !TryEncodeTime(st.wHour, st.wMinute, st.wSecond, 0, t))
    return "";
  return FormatDateText(Format, d) + " " + FormatTimeText(t);
}

int GetSmallIconIndex(const std::string& Path) {
  SHFILEINFOA info{};
  SHGetFileInfoA(Path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  return info.iIcon;
}

int GetOpenIconIndex(const std::string& Path) {
  SHFILEINFOA info{};
  SHGetFileInfoA(Path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
  return info.iIcon;
}

std::string GetDriveTypeText(const std::string& Root) { return DriveTypeText(GetDriveTypeA(Root.c_str())); }

// ---- the list -----------------------------------------------------------------

TFileListView::TFileListView(TComponent* AOwner)
    : TCustomListView(AOwner), FCopyList(std::make_unique<TStringList>()) {
  FLargeSys = std::make_unique<TCustomImageList>(nullptr);
  FLargeSys->SetShareImages(true);
  FLargeSys->SetHandle(SystemImageList(false));
  FSmallSys = std::make_unique<TCustomImageList>(nullptr);
  FSmallSys->SetShareImages(true);
  FSmallSys->SetHandle(SystemImageList(true));
  SetLargeImages(FLargeSys.get());
  SetSmallImages(FSmallSys.get());
  FPopUp = new TFileListViewPopUp(this);
  FPopUp->SetFileList(this);
  SetPopupMenu(FPopUp);
  SetMultiSelect(true);
  SetReadOnly(false);
  SetHideSelection(false);
  SetViewStyle(vsReport);
  SetShowColumnHeaders(true);
  // The process-wide date format stays as it is: the list keeps its own.
  FTabStop = true;
}

TFileListView::~TFileListView() {
  if (FDirTree) FDirTree->FFileList = nullptr;
  SetSmallImages(nullptr);
  SetLargeImages(nullptr);
}

void TFileListView::CreateWnd() {
  TCustomListView::CreateWnd();
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  if (Columns()->Count() == 0) BuildColumns(ShowsDrives() && Items()->Count() > 0);
}

bool TFileListView::ShowsDrives() const { return UpperCase(FDirectory) == DrivesWord(); }

void TFileListView::SetDirectory(const std::string& Value) {
  if (SameText(Value, FDirectory)) return;
  if (UpperCase(Value) == DrivesWord()) {
    FDirectory = Value;
    UpdateFileList();
    return;
  }
  if (Value.empty() || !DirectoryExists(Value)) return;
  const std::string dir = AddSlash(Value);
  SetCurrentDir(dir);
  FDirectory = dir;
  UpdateFileList();
}

void TFileListView::SetDirTree(TDirTreeCombo* Value) {
  if (Value == FDirTree) return;
  if (FDirTree) {
    FDirTree->FFileList = nullptr;
    FDirTree->RemoveFreeNotification(this);
  }
  FDirTree = Value;
  if (FDirTree) {
    FDirTree->FFileList = this;
    FDirTree->FreeNotification(this);
  }
}

void TFileListView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomListView::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDirTree) FDirTree = nullptr;
}

void TFileListView::SetMask(const std::string& Value) {
  if (Value == FMask) return;
  FMask = Value;
  UpdateFileList();
}

void TFileListView::SetFileType(TFileType Value) {
  if (Value == FFileType) return;
  FFileType = Value;
  UpdateFileList();
}

void TFileListView::SetDateFormat(TDateFormat Value) {
  FDateFormat = Value;
  if (Value == (1u << dfMDY)) FShortDate.Format = "mm/dd/yyyy";
  if (Value == (1u << dfDMY)) FShortDate.Format = "dd/mm/yyyy";
  if (Value == (1u << dfYMD)) FShortDate.Format = "yyyy/mm/dd";
  UpdateFileList();
}

void TFileListView::SetShowFolders(bool Value) {
  if (Value == FShowFolders) return;
  FShowFolders = Value;
  UpdateFileList();
}

void TFileListView::SetPopUpMenuEnabled(bool Value) {
  FPopUpMenuEnabled = Value;
  SetPopupMenu(Value ? FPopUp : nullptr);
}

void TFileListView::BuildColumns(bool Drives) {
  struct TCol {
    const char* Caption;
    int Width;
    TAlignment Align;
  };
  static const TCol files[] = {{"Name", 160, taLeftJustify},
                               {"Size(Bytes)", 90, taRightJustify},
                               {"Type", 90, taLeftJustify},
                               {"Modified", 100, taLeftJustify},
                               {"Attributes", 40, taLeftJustify}};
  static const TCol drives[] = {{"Name", 160, taLeftJustify},
                                {"Type", 100, taLeftJustify},
                                {"Disk Size", 90, taRightJustify},
                                {"Free Space", 90, taRightJustify},
                                {"Attributes", 40, taLeftJustify}};
  Columns()->Clear();
  for (const TCol& c : Drives ? drives : files) {
    TListColumn* col = Columns()->Add();
    col->SetCaption(c.Caption);
    col->SetWidth(c.Width);
    col->SetAlignment(c.Align);
  }
}

void TFileListView::UpdateFileList() {
  Items()->BeginUpdate();
  Items()->Clear();
  THourglass wait;
  FTotalSize = 0;
  if (ShowsDrives()) {
    BuildColumns(true);
    AddDrives();
  } else {
    BuildColumns(false);
    uint32_t mask = 0;
    if (FFileType & (1u << ftReadOnly)) mask |= faReadOnlyBit;
    if (FFileType & (1u << ftHidden)) mask |= faHiddenBit;
    if (FFileType & (1u << ftSystem)) mask |= faSystemBit;
    if (FFileType & (1u << ftArchive)) mask |= faArchiveBit;
    if (FFileType & (1u << ftNormal)) mask |= faNormalBit;
    const std::string folder = AddSlash(FDirectory);
    if (FShowFolders) AddEntries(folder + "*.*", mask | faDirectoryBit);
    for (const std::string& m : SplitMasks(FMask)) AddEntries(folder + m, mask);
  }
  FReverse = true;
  ColumnClick(0);
  Items()->EndUpdate();
  if (Items()->Count() > 0 && !Selected()) SetItemFocused(Items()->Item(0));
}

void TFileListView::AddDrives() {
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const char letter = static_cast<char>('A' + i);
    const std::string root = std::string(1, letter) + ":\\";
    TListItem* item = Items()->Add();
    const TShellInfo info = ShellInfo(root);
    if (SmallImages()) item->SetImageIndex(info.Icon);
    item->SetCaption(DriveCaption(letter, info.DisplayName));
    const UINT type = GetDriveTypeA(root.c_str());
    int64_t size = 0, free = 0;
    if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM) {
      TNoErrorBoxes quiet;
      size = std::max<int64_t>(0, GetDiskSizeKB(root));
      free = std::max<int64_t>(0, GetFreeSpaceKB(root));
    }
    TStrings* s = item->SubItems();
    s->Add(DriveTypeText(type));
    s->Add(DriveSizeText(size));
    s->Add(DriveSizeText(free));
    s->Add("");
    s->Add(root);
    s->Add("drv");
  }
}

bool TFileListView::AddEntries(const std::string& Pattern, uint32_t AttrMask) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(Pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::string folder = ExtractFilePath(Pattern);
  bool added = false;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (!EntryMatchesAttrMask(fd.dwFileAttributes, AttrMask)) continue;
    const std::string path = folder + name;
    const TShellInfo info = ShellInfo(path);
    TListItem* item = Items()->Add();
    item->SetCaption(name);
    if (SmallImages()) item->SetImageIndex(info.Icon);
    // The sizes of files of 4 GiB and more are kept whole.
    const int64_t size = static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
    FTotalSize += size;
    const bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    TStrings* s = item->SubItems();
    s->Add(IntToStr(size));
    s->Add(info.TypeName);
    s->Add(FileTimeToText(fd.ftLastWriteTime, FShortDate));
    s->Add(AttributesToText(fd.dwFileAttributes));
    s->Add(path);
    s->Add(dir ? "dir" : "file");
    added = true;
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return added;
}

void TFileListView::ColClick(TListColumn* Column) {
  if (OnColumnClick) OnColumnClick(this, Column);
  ColumnClick(Column->Index());
}

void TFileListView::ColumnClick(int Column) {
  if (Column == FSortColumn) {
    FReverse = !FReverse;
  } else {
    FSortColumn = Column;
    FReverse = true;
  }
  SortItems();
}

void TFileListView::SortItems() {
  const bool drives = ShowsDrives();
  auto row = [](TListItem* Item) {
    TFileRow r{Item->Caption(), {}};
    for (int i = 0; i < Item->SubItems()->Count(); ++i) r.SubItems.push_back(Item->SubItems()->Strings(i));
    return r;
  };
  CustomSort([&](TListItem* A, TListItem* B) {
    return CompareFileRows(row(A), row(B), FSortColumn, FReverse, drives, FShortDate);
  });
}

std::string TFileListView::ItemPath(TListItem* Item) const {
  return Item && Item->SubItems()->Count() > kSubPath ? Item->SubItems()->Strings(kSubPath) : "";
}

std::string TFileListView::ItemKind(TListItem* Item) const {
  return Item && Item->SubItems()->Count() > kSubKind ? Item->SubItems()->Strings(kSubKind) : "";
}

int TFileListView::SelectedNumber() {
  const int n = SelCount();
  return n > 0 ? n : Items()->Count();
}

int64_t TFileListView::SelectedSize() {
  int64_t total = 0;
  for (TListItem* i : SelectedItems()) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(ItemPath(i).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    total += static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
    FindClose(h);
  }
  return total;
}

int64_t TFileListView::DriveFreeSpace() {
  if (FDirectory.empty()) return -1;
  return GetFreeSpaceKB(FDirectory.substr(0, 1) + ":\\");
}

void TFileListView::SyncTree(const std::string& Path, bool Reload) {
  if (!FDirTree) return;
  if (Reload) FDirTree->ReloadTree();
  FDirTree->SetPath(Path);
}

void TFileListView::OneLevelUp() {
  if (ShowsDrives()) return;
  FDirectory = AddSlash(FDirectory);
  const std::string up = OneLevelUpFrom(FDirectory);
  SetDirectory(up);
  if (up != "Drives") SyncTree(up, false);
}

void TFileListView::NewFolder() {
  if (ReadOnly()) {
    Prompt("It's ReadOnly! ", "", pbOK);
    return;
  }
  for (;;) {
    TAskForm ask = MakeAskForm("New Folder", "Enter new floder name", "", false);
    if (ask.Form->ShowModal() != mrOk) return;
    const std::string name = ask.Edit->Text();
    if (name.empty()) return;
    const std::string path = JoinPath(FDirectory, name);
    if (DirectoryExists(path)) {
      Prompt("Folder \"" + name + "\" already exists!", "", pbOK);
      continue;
    }
    CreateDir(path);
    UpdateFileList();
    SyncTree(AddSlash(path), true);
    return;
  }
}

void TFileListView::RecordClick() {
  if (TListItem* i = Selected()) FLastClicked = ItemPath(i);
}

void TFileListView::Click() {
  RecordClick();
  TCustomListView::Click();
}

void TFileListView::DblClick() {
  if (!DblClickEnabled) return;
  TCustomListView::DblClick();
  OpenItem();
}

void TFileListView::OpenItem() {
  TListItem* item = Selected();
  if (!item) return;
  THourglass wait;
  const std::string path = ItemPath(item), kind = ItemKind(item);
  if (kind == "file") {
    ExecuteFile("Open", ExtractFileName(path), "", ExtractFilePath(path), SW_SHOW);
    return;
  }
  const std::string target = AddSlash(path);
  if (kind == "drv" && GetDriveTypeA(target.c_str()) == DRIVE_REMOVABLE && !DiskInDrive(target[0])) return;
  SetDirectory(target);
  SyncTree(target, false);
}

void TFileListView::ViewFile() {
  TListItem* item = Selected();
  if (!item) return;
  const std::string path = ItemPath(item);
  const std::string viewer = ViewerFor(path);
  if (viewer.empty()) return;
  ExecuteFile("Open", WindowsFolder() + viewer, ExtractFileName(path), ExtractFilePath(path), SW_SHOW);
}

void TFileListView::FindFile() {
  if (Focused()) ExecuteFile("Find", FDirectory, "", "", SW_SHOWNORMAL);
}

void TFileListView::CutCopy(int Mode) {
  FCopyMode = -1;
  FCopyList->Clear();
  FillCopyListFromSelection();
  FCopyMode = Mode;
}

std::vector<TListItem*> TFileListView::SelectedItems() {
  std::vector<TListItem*> items;
  for (TListItem* i = GetNextItem(nullptr, 0, LVNI_SELECTED); i; i = GetNextItem(i, 0, LVNI_SELECTED))
    items.push_back(i);
  return items;
}

void TFileListView::FillCopyListFromSelection() {
  for (TListItem* i : SelectedItems()) FCopyList->Add(WithNul(ItemPath(i)));
}

void TFileListView::Paste() {
  THourglass wait;
  if (ShowsDrives() || !SetCurrentDir(FDirectory)) return;
  if (FCopyList->Count() == 0) {
    Prompt("No file(s) selected", "", pbOK);
    return;
  }
  std::string last;
  for (int i = 0; i < FCopyList->Count(); ++i) {
    const std::string from = FCopyList->Strings(i);
    last = JoinPath(FDirectory, ExtractFileName(WithoutNul(from)));
    bool aborted = false;
    DoFileOperation(this, FCopyMode == 2 ? FO_MOVE : FO_COPY, from, aborted, last);
  }
  UpdateFileList();
  SyncTree(ExtractFilePath(last), true);
  FCopyList->Clear();
}

void TFileListView::DeleteItems() {
  THourglass wait;
  if (ShowsDrives() || !SetCurrentDir(FDirectory)) return;
  FCopyList->Clear();
  FillCopyListFromSelection();
  for (int i = 0; i < FCopyList->Count(); ++i) {
    bool aborted = false;
    DoFileOperation(this, FO_DELETE, FCopyList->Strings(i), aborted);
  }
  UpdateFileList();
  FCopyList->Clear();
  SyncTree(FDirectory, true);
}

void TFileListView::RenameItem() {
  TListItem* item = Selected();
  if (!item) return;
  const std::string attr = item->SubItems()->Count() > kSubAttr ? item->SubItems()->Strings(kSubAttr) : "";
  if (ReadOnly() || UpperCase(attr) == "R") {
    Prompt("It's ReadOnly", "", pbOK);
    return;
  }
  if (UpperCase(ItemKind(item)) == "DIR") {
    Prompt("Cannot rename Folders!", "", pbOK);
    return;
  }
  FOldName = WithNul(ItemPath(item));
  if (HandleAllocated()) {
    SetFocus();
    SendMessageW(Handle(), LVM_EDITLABELW, static_cast<WPARAM>(item->Index()), 0);
  }
}

bool TFileListView::CanEdit(TListItem* Item) { return !ReadOnly() && TCustomListView::CanEdit(Item); }

void TFileListView::Edit(const LVITEMW& Item) {
  TCustomListView::Edit(Item);
  if (!Item.pszText) return;
  TListItem* item = Item.iItem >= 0 && Item.iItem < Items()->Count() ? Items()->Item(Item.iItem) : nullptr;
  if (!item || ItemKind(item) != "file" || FOldName.empty()) return;
  THourglass wait;
  const std::string oldPath = WithoutNul(FOldName);
  const std::string newPath = ExtractFilePath(oldPath) + item->Caption();
  FOldName.clear();
  if (SameText(newPath, oldPath)) return;
  bool aborted = false;
  if (DoFileOperation(this, FO_RENAME, oldPath, aborted, newPath)) item->SubItems()->SetStrings(kSubPath, newPath);
}

void TFileListView::SetAttributes() {
  TListItem* item = Selected();
  if (!item) return;
  const std::string path = ItemPath(item);
  const int attr = FileGetAttr(path);
  if (attr < 0) return;
  TForm form(nullptr, "TSetAttributesForm");
  form.SetCaption("Set Attributes");
  form.SetBorderStyle(bsDialog);
  form.SetPosition(poScreenCenter);
  form.Font()->SetName("MS Sens Serif");
  form.SetClientWidth(240);
  form.SetClientHeight(150);
  auto* name = new TLabel(&form);
  name->SetName("FileName");
  name->SetParent(&form);
  name->SetCaption(ExtractFileName(path));
  name->SetBounds(8, 8, 224, 16);
  auto* panel = new TPanel(&form);
  panel->SetName("Panel");
  panel->SetParent(&form);
  panel->SetBevelOuter(bvLowered);
  panel->SetCaption("");
  panel->SetBounds(8, 28, 224, 76);
  struct TBox {
    const char* Name;
    int Bit;
  };
  static const TBox boxes[] = {{"ReadOnly", faReadOnlyBit}, {"Archive", faArchiveBit},
                               {"Hidden", faHiddenBit},     {"System", faSystemBit}};
  std::vector<TCheckBox*> checks;
  for (size_t i = 0; i < 4; ++i) {
    auto* c = new TCheckBox(&form);
    c->SetName(boxes[i].Name);
    c->SetParent(panel);
    c->SetCaption(boxes[i].Name);
    c->SetBounds(8 + static_cast<int>(i % 2) * 108, 10 + static_cast<int>(i / 2) * 30, 100, 20);
    c->SetChecked((attr & boxes[i].Bit) != 0);
    checks.push_back(c);
  }
  AddButton(&form, "OK", "OK", 38, 116, mrOk)->SetDefault(true);
  AddButton(&form, "Cancel", "Cancel", 126, 116, mrCancel)->SetCancel(true);
  if (form.ShowModal() != mrOk) return;
  uint16_t value = static_cast<uint16_t>(attr);
  for (size_t i = 0; i < 4; ++i) {
    if (checks[i]->Checked())
      value = static_cast<uint16_t>(value | boxes[i].Bit);
    else
      value = static_cast<uint16_t>(value & ~boxes[i].Bit);
  }
  if (value != static_cast<uint16_t>(attr)) FileSetAttr(path, value);
  UpdateFileList();
}

void TFileListView::SendToFolder(const std::string& Folder) {
  THourglass wait;
  if (ShowsDrives() || !SetCurrentDir(FDirectory)) return;
  FCopyList->Clear();
  FillCopyListFromSelection();
  for (int i = 0; i < FCopyList->Count(); ++i) {
    const std::string from = FCopyList->Strings(i);
    bool aborted = false;
    DoFileOperation(this, FO_COPY, from, aborted, JoinPath(Folder, ExtractFileName(WithoutNul(from))));
  }
  FCopyList->Clear();
}

void TFileListView::SendToAnyFolder() {
  std::string folder;
  for (;;) {
    TAskForm ask = MakeAskForm("Send to any folder", "Please enter the send to path", folder, true);
    const int r = ask.Form->ShowModal();
    if (r == mrRetry) {
      std::string chosen;
      if (BrowseForFolder(this, chosen)) folder = chosen;
      continue;
    }
    if (r == mrOk) SendToFolder(ask.Edit->Text());
    return;
  }
}

namespace {

bool PutClipboard(UINT Format, HANDLE Data) {
  if (!OpenClipboard(AppWindow())) return false;
  EmptyClipboard();
  const bool ok = SetClipboardData(Format, Data) != nullptr;
  CloseClipboard();
  return ok;
}

void PutClipboardText(const std::string& Text) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, Text.size() + 1);
  if (!mem) return;
  char* p = static_cast<char*>(GlobalLock(mem));
  std::copy(Text.begin(), Text.end(), p);
  p[Text.size()] = '\0';
  GlobalUnlock(mem);
  if (!PutClipboard(CF_TEXT, mem)) GlobalFree(mem);
}

}  // namespace

void TFileListView::SendToClipboardContents() {
  TListItem* item = Selected();
  if (!item) return;
  const std::string path = ItemPath(item);
  const std::string ext = UpperCase(ExtractFileExt(path));
  if (ext == ".BMP") {
    HANDLE bmp = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (bmp && !PutClipboard(CF_BITMAP, bmp)) DeleteObject(bmp);
    return;
  }
  if (ext == ".WMF") {
    HENHMETAFILE meta = GetEnhMetaFileA(path.c_str());
    if (meta && !PutClipboard(CF_ENHMETAFILE, meta)) DeleteEnhMetaFile(meta);
    return;
  }
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  std::string text;
  char buf[8192];
  DWORD n;
  while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) text.append(buf, n);
  CloseHandle(f);
  PutClipboardText(text.substr(0, text.find('\0')));
}

void TFileListView::SendToClipboardNames() {
  std::string text;
  for (TListItem* i : SelectedItems())
    text += (text.empty() ? "" : "\r\n") + ItemPath(i);
  PutClipboardText(text);
}

void TFileListView::SendTo(int Index) {
  if (Index < 0 || Index >= FPopUp->SendToList()->Count()) return;
  const std::string target = ResolveShellLink(FPopUp->SendToList()->Strings(Index));
  if (target.empty()) return;
  TListItem* item = Selected();
  const std::string root = target.size() >= 2 && target[1] == ':' ? target.substr(0, 2) + "\\" : "";
  if (!root.empty() && GetDriveTypeA(root.c_str()) == DRIVE_REMOVABLE) {
    bool in;
    {
      THourglass wait;
      in = DiskInDrive(root[0]);
    }
    if (in) SendToFolder(target);
    return;
  }
  if (DirectoryExists(target)) {
    SendToFolder(target);
    return;
  }
  if (!item) return;
  const std::string path = ItemPath(item);
  ExecuteFile("Open", target, ExtractFileName(path), ExtractFilePath(path), SW_SHOW);
}

void TFileListView::KeyDown(WORD& Key, TShiftState Shift) {
  const bool any = Selected() != nullptr;
  const bool ctrlOnly = (Shift & (ssCtrl | ssShift | ssAlt)) == ssCtrl;
  const bool plain = (Shift & (ssCtrl | ssShift | ssAlt)) == 0 &&
                     !(HandleAllocated() && SendMessageW(Handle(), LVM_GETEDITCONTROL, 0, 0));
  if (ctrlOnly) {
    switch (Key) {
      case 'C': if (any) CutCopy(0); break;
      case 'X': if (any) CutCopy(2); break;
      case 'V': if (FCopyList->Count() > 0) Paste(); break;
      case 'O': if (any) OpenItem(); break;
      case 'F': if (any) ViewFile(); break;
      case 'N': if (!ShowsDrives()) NewFolder(); break;
      default: break;
    }
  } else if (plain) {
    switch (Key) {
      case VK_F2: if (any) RenameItem(); break;
      case VK_F3: FindFile(); break;
      case VK_F4:
        if (FDirTree) {
          FDirTree->DropDown();
          FDirTree->SetFocus();
        }
        break;
      case VK_F5: UpdateFileList(); break;
      case VK_DELETE: if (any) DeleteItems(); break;
      case VK_BACK: OneLevelUp(); break;
      case VK_RETURN: if (any) OpenItem(); break;
      case VK_ESCAPE: if (FDirTree && FDirTree->DroppedDown()) FDirTree->HideTree(); break;
      case VK_UP:
      case VK_DOWN:
        RecordClick();
        if (OnClick) OnClick(this);
        break;
      default: break;
    }
  }
  TCustomListView::KeyDown(Key, Shift);
}

// ---- context menu -----------------------------------------------------------

TFileListViewPopUp::TFileListViewPopUp(TComponent* AOwner)
    : TPopupMenu(AOwner), FSendToList(std::make_unique<TStringList>()) {
  BuildItems();
}

TMenuItem* TFileListViewPopUp::AddItem(TMenuItem* Parent, const std::string& Name, const std::string& Caption) {
  auto* item = new TMenuItem(this);
  if (!Name.empty()) item->SetName(Name);
  item->SetCaption(Caption);
  if (!Name.empty()) item->OnClick = [this, Name](TObject*) { ItemClick(Name); };
  Parent->Add(item);
  return item;
}

void TFileListViewPopUp::BuildItems() {
  TMenuItem* root = Items();
  AddItem(root, "ItemOpen", "&Open");
  AddItem(root, "ItemView", "&View");
  AddItem(root, "", "-");
  TMenuItem* send = AddItem(root, "SubMenuSend", "Se&nd To");
  send->OnClick = nullptr;
  AddItem(send, "Send_To0", "Any Folder ...");
  AddItem(send, "Send_To1", "Clipboard as Contents");
  AddItem(send, "Send_To2", "Clipboard as FileName");
  AddItem(send, "", "-");
  char folder[MAX_PATH] = {};
  if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_SENDTO, FALSE)) {
    const std::string dir = AddSlash(folder);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*.LNK").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::string path = dir + fd.cFileName;
        SHFILEINFOA info{};
        SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
        AddItem(send, "Send_To" + IntToStr(FSendToList->Count() + 4), info.szDisplayName);
        FSendToList->Add(path);
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
  }
  AddItem(root, "", "-");
  AddItem(root, "ItemOpCut", "Cu&t");
  AddItem(root, "ItemOpCopy", "&Copy");
  AddItem(root, "ItemOpPaste", "&Paste");
  AddItem(root, "", "-");
  AddItem(root, "ItemRename", "&Rename File");
  AddItem(root, "ItemDelete", "&Delete");
  AddItem(root, "", "-");
  AddItem(root, "ItemFileAttr", "&Attributes ...");
  AddItem(root, "", "-");
  AddItem(root, "ItemFolder", "&New Folder ...");
}

void TFileListViewPopUp::UpdateStates() {
  if (!FFileList) return;
  const bool any = FFileList->Selected() != nullptr;
  const int count = FFileList->SelCount();
  const bool view = any && !ViewerFor(FFileList->ItemPath(FFileList->Selected())).empty();
  TMenuItem* root = Items();
  const bool states[] = {any, view, true, any, true, any, any, FFileList->CopyList()->Count() > 0, true,
                         count == 1, any, true, any, true, !FFileList->ShowsDrives()};
  for (int i = 0; i < root->Count() && i < 15; ++i) root->Items(i)->SetEnabled(states[i]);
  TMenuItem* send = root->Items(3);
  if (send->Count() > 2) {
    send->Items(1)->SetEnabled(any);
    send->Items(2)->SetEnabled(any);
  }
}

void TFileListViewPopUp::Popup(int X, int Y) {
  UpdateStates();
  TPopupMenu::Popup(X + 10, Y + 10);
}

void TFileListViewPopUp::ItemClick(const std::string& Name) {
  TFileListView* l = FFileList;
  if (!l) return;
  if (Name == "ItemOpen") l->OpenItem();
  else if (Name == "ItemView") l->ViewFile();
  else if (Name == "ItemOpCut") l->CutCopy(2);
  else if (Name == "ItemOpCopy") l->CutCopy(0);
  else if (Name == "ItemOpPaste") l->Paste();
  else if (Name == "ItemRename") l->RenameItem();
  else if (Name == "ItemDelete") l->DeleteItems();
  else if (Name == "ItemFileAttr") l->SetAttributes();
  else if (Name == "ItemFolder") l->NewFolder();
  else if (Name.compare(0, 7, "Send_To") == 0) {
    const int n = StrToIntDef(Name.substr(7, 2), -1);
    if (n == 0) l->SendToAnyFolder();
    else if (n == 1) l->SendToClipboardContents();
    else if (n == 2) l->SendToClipboardNames();
    else if (n >= 4) l->SendTo(n - 4);
  }
}
