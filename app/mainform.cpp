#include "app/mainform.h"

#include "app/mainmenus.h"
#include "controls/commands/mxmenubar.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "app/dragout.h"
#include "app/entryextract.h"
#include "app/diskbrowser.h"
#include "app/favorites.h"
#include "app/listexport.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/tgzunpack.h"
#include "app/toolactions.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/core/arcerrors.h"
#include "archive/lister/arclister.h"
#include "archive/formats/gzip/ungzip.h"
#include "archive/formats/uue/uudecode.h"
#include "controls/commands/flatbutton.h"
#include "controls/views/gradcaption.h"
#include "controls/views/placement.h"
#include "controls/views/shelllink.h"
#include "dialogs/checkoutform.h"
#include "dialogs/exeform.h"
#include "dialogs/installform.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "framework/ui/winapi.h"

std::string ArchiveName;
std::string ArchiveExt;
std::string CurrentFolder = "\\";
int HistoryOpening = 0;
TUnBase* ActiveExtractor = nullptr;
int CompressorRunning = 0;
int ExtractorRunning = 0;
uint8_t CommandLineJobPending = 0, AutoInstallOffered = 0, AssociationCheckPending = 0, StartupDone = 0;
std::string TipTexts[TipCountMax];
uint8_t TipCount = 0;
int UpIconIndex = -1, DownIconIndex = -1;
TMainForm* MainForm = nullptr;

namespace {

const char* const Tips[TipCountMax] = {
    "The Tip of the Day dialog box is normally displayed when you start Quillon but are not automatically opening a Zip file. You can change this option so tips are never displayed, or always displayed when Quillon is started.",
    "If you turn the Tip of the Day off and later want to restore it, select \"Tip of the Day\" from the Quillon Help pull-down menu, then select from the combo box at the bottom of the dialog box.",
    "Quillon's toolbar buttons look much better if your display if in high-color mode. ",
    "For a Brief Tutorial on Quillon, select \"Brief Tutorial\" from the Quillon Help pull-down menu.",
    "Quillon completely supports the ZIP, CAB, LHA and BH format and both internet file formats: XXE and UUE. It can also read and extract from the following: RAR, ARJ, ARC, ACE, ZOO, GZIP and TAR.",
    "For quick zipping and unzipping, you can right-click on a file listed in Explorer and choose \"Compress to Zip + options\" or \"Extract to...\" from Explorer's context menu.",
    "You can unzip all the files from a Zip without leaving Explorer. Right click on the Zip file and select \"Extract to...\" from the pop-up menu.",
    "You can create Zip files in the Explorer: right click in the Contents pane, then select \"New\" and \"Quillon File\". An empty Zip file will be created in the current folder.",
    "You can directly add selected files to a Zip while in Explorer with complete control of options. Right click on any file (or highlighted group of files) and select \"Compress to Zip + options.\" from the pop-up menu",
    "For answers to Frequently Asked Questions (FAQ), select Frequently Asked Questions from the Quillon Help pull-down menu.",
    "If you like more Explorer style buttons, right click on toolbar and uncheck \"Large buttons\".",
    "With Quillon you can view files in archive with folders like in Windows Explorer. Click on \"Explorer Display Style\" from Quillon View pull-down menu.",
    "To display details about the open Zip file (for example, the date the Zip file was last modified or the name of the folder containing the Zip file), click on the Quillon status line or select \"Properties\" from the Quillon File menu.",
    "You can interrupt an archive operation by clicking anywhere in the Quillon window. This will activate the \"Operation Interrupted\" dialog box.",
    "You can quickly extract files from a Zip file by dragging the files from Quillon to any folder or Explorer window (or even to the desktop).",
    "You can quickly add files to a Zip file by dragging the files from any folder or Explorer window to Quillon.",
    "Quillon supports Zip files that span multiple disks, so you can store a single file on more than one diskette.",
    "If you need to send files to a user who may not have an unzip utility, try \"Quillon's Self-Extractor\". The self-extractor makes files that unzip themselves. First create a zip file, then select \"Make .EXE\" from the Actions menu.",
    "You can open files with a single click like Active Desktop by choosing \"As a Web Page\" from the View menu.",
    "Add a reminder of the contents of your ZIP file to the file itself (like a Postit Note). Select \"Comments\" from the Actions menu.",
    "If you have lots of files in a ZIP it might be easier to find the one(s) you want by listing them in a different order. Click on the labels at the top of the column to arrange the contents by that category or choose Arrange Icons under the View menu.",
    "Quickly select similar files using \"Find File(s)\" under the Edit menu.",
    "If you can't remember where you put your Zip files, you can use the Favorite Zip Folders feature to find them. Select \"Favorite Zip Folders\" from the Quillon File menu.",
    "If you usually use the same folder when opening, extracting or adding files, specify those folders in the Folder tab in the Options -> Configuration dialog box.",
    "Columns can be arranged in any order you prefer. Just drag the column you want to move and drop it where you like.",
    "Zip files opened with Quillon are added to Start menus's Document list. To quickly open Zips that you have recently worked with, select \"Documents\" from the Start menu.",
    "You can easly print a list of files in Zip by selecting \"Print File listing\" and \"...to Printer\" from the File menu.",
    "Test the integrity of ZIP archives once you have created them to ensure that the data IS correctly stored and that errors will not occur on extraction. Choose \"Test\" under the Actions menu.",
};

const char* const SortCaptions[8] = {"by &Name", "by &Path", "by &Type", "by &Size", "by P&acked Size",
                                     "by &Compression Ratio", "by &Date", "by &Orginal Order"};
const char* const PSortCaptions[8] = {"Sort by &Name", "Sort by &Path", "Sort by &Type", "Sort by &Size",
                                      "Sort by P&acked Size", "Sort by &Compression Ratio", "Sort by &Date",
                                      "Sort by &Orginal Order"};
const char* const ListerFormats[] = {".rar", ".lzh", ".ace", ".arj", ".cab", ".zoo", ".arc", ".gz", ".tar", ".enc", ".bh"};

bool IsListerFormat(const std::string& Ext) {
  return std::find_if(std::begin(ListerFormats), std::end(ListerFormats),
                      [&](const char* e) { return Ext == e; }) != std::end(ListerFormats);
}

std::string DetectedExt(TArcType T) {
  switch (T) {
    case atACE: return ".ace";
    case atArc: case atArcExe: return ".arc";
    case atArj: case atArjExe: return ".arj";
    case atBh: case atBhExe: return ".bh";
    case atCab: return ".cab";
    case atGZip: return ".gz";
    case atLha: case atLhaExe: case atLzh: case atLzhExe: return ".lzh";
    case atRar: case atRarExe: return ".rar";
    case atTar: return ".tar";
    case atUue: return ".enc";
    case atZip: return ".zip";
    case atZipExe: return ".exe";
    case atZoo: return ".zoo";
    default: return {};
  }
}

std::string Thousands(int64_t V) { return InsertThousandSeparators(std::to_string(V)); }

// Numbers with separators; folder markers and "?" as they are.
std::string SizeColumn(const std::string& S) {
  if (S.empty() || S[0] < '0' || S[0] > '9') return S;
  return InsertThousandSeparators(S);
}

}  // namespace

std::string DosDateText(int32_t DosDate) {
  FILETIME local, ft;
  if (!DosDateTimeToFileTime(WORD(uint32_t(DosDate) >> 16), WORD(DosDate & 0xFFFF), &local)) return {};
  (void)ft;
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&local, &st)) return {};
  wchar_t d[64] = {}, t[64] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, d, 64);
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, t, 64);
  return Narrow(std::wstring(d) + L" " + t);
}

namespace {

// Icons by attributes only: the shell never sees a file named after an
// archive's entry.
int ShellIconIndex(const std::string& Name, DWORD Attributes, bool UseAttributes) {
  SHFILEINFOA info = {};
  UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
  if (UseAttributes) flags |= SHGFI_USEFILEATTRIBUTES;
  if (!SHGetFileInfoA(Name.c_str(), Attributes, &info, sizeof info, flags)) return -1;
  return info.iIcon;
}

int ProgramIcon(const std::string& File, const std::string& Fallback) {
  const std::string path = ProgramFolder() + File;
  int i = FileExists(path) ? ShellIconIndex(path, 0, false) : -1;
  if (i < 0) i = ShellIconIndex(Fallback, FILE_ATTRIBUTE_NORMAL, true);
  return std::max(i, 0);
}

bool StartsWithNoCase(const std::string& S, const std::string& Prefix) {
  return S.size() >= Prefix.size() && AnsiLowerCase(S.substr(0, Prefix.size())) == Prefix;
}

// A command whose work is not there yet stays greyed out whatever the state.
void EnableCommand(TMenuItem* Item, bool On) { Item->SetEnabled(On && (Item->OnClick || Item->Count() > 0)); }
void EnableCommand(TControl* Button, bool On) { Button->SetEnabled(On && bool(Button->OnClick)); }

void GreyOutIdleItems(TMenuItem* Parent) {
  for (int i = 0; i < Parent->Count(); ++i) {
    TMenuItem* item = Parent->Items(i);
    if (item->Caption() == "-") continue;
    if (item->Count() > 0) GreyOutIdleItems(item);
    else if (!item->OnClick) item->SetEnabled(false);
  }
}

}  // namespace

std::string EnsureTempFolder() {
  if (Temp.empty() || !DirectoryExists(Temp)) {
    Temp = ProgramFolder() + "TEMP\\";
    ForceDirectories(Temp);
  } else {
    Temp = IncludeTrailingBackslash(Temp);
  }
  return Temp;
}

TFormatCommands FormatCommands(const std::string& Ext, const std::string& FileName, bool Spanned, bool ReadOnlyFile,
                               bool VirusScanner) {
  auto in = [&](std::initializer_list<const char*> List) {
    return std::any_of(List.begin(), List.end(), [&](const char* e) { return Ext == e; });
  };
  const bool ownExe = AnsiLowerCase(ExtractFileExt(FileName)) == ".exe";
  TFormatCommands c;
  const bool readOnlyFormat = in({".rar", ".arc", ".arj", ".zoo", ".ace", ".gz", ".tar", ".enc"});
  c.Add = c.Drop = c.Delete = !readOnlyFormat;
  if (Ext == ".cab") c.Delete = false;
  c.VirusScan = VirusScanner;
  c.MakeExe = Ext == ".zip" && !Spanned && !ownExe;
  c.ExeToZip = (Ext == ".zip" || Ext == ".exe") && ownExe;
  c.Comment = c.RenameEntry =
      !in({".rar", ".arc", ".arj", ".zoo", ".cab", ".ace", ".lzh", ".gz", ".tar", ".enc", ".bh"});
  c.Test = !in({".cab", ".enc"});
  c.UUencode = Ext != ".enc";
  if (ReadOnlyFile) c.MoveArchive = c.Add = c.Delete = c.DeleteArchive = c.RenameArchive = c.RenameEntry = false;
  return c;
}

int NextSortOrder(int Current, int K) {
  if (K == 8) return 8;
  return Current == K ? K + 9 : K;
}

std::string SelectionStatusText(const std::vector<int>& SelectedRows) {
  for (TFile& f : FileTable) f.Selected = 0;
  std::string last;
  for (int r : SelectedRows) {
    if (r < 0 || r >= int(FileTable.size())) continue;
    FileTable[size_t(r)].Selected = 1;
    last = FileTable[size_t(r)].Name;
  }
  if (SelectedRows.empty() || (SelectedRows.size() == 1 && last == "..\\")) return "No file(s) selected.";
  int64_t bytes = 0;
  for (const TFile& f : FileTable)
    if (f.Selected && !IsFolderRecord(f)) bytes += std::strtoll(f.SizeText.c_str(), nullptr, 10);
  const size_t n = SelectedRows.size();
  return "Selected " + Thousands(int64_t(n)) + (n == 1 ? " file" : " files") + ", " + Thousands(RoundKB(bytes)) +
         " kB";
}

std::string TotalsStatusText(bool ExplorerStyle, bool Cab) {
  TotalUnpackedKB = Thousands(RoundKB(TotalUnpacked));
  TotalPackedKB = Cab ? "?" : Thousands(RoundKB(TotalPacked));
  if (TotalUnpacked > 0)
    TotalRatio = int(std::nearbyint((1.0 - double(TotalPacked) / double(TotalUnpacked)) * 100.0));
  std::string s = "Total " + Thousands(ArchiveFileCount) + (ArchiveFileCount == 1 ? " file" : " files");
  if (ExplorerStyle) s += "; " + Thousands(FolderCount) + (FolderCount == 1 ? " dir" : " dirs");
  return s + ", " + TotalUnpackedKB + " kB [" + TotalPackedKB + " kB]";
}

std::string ShortenHistoryPath(const std::string& Name) {
  const size_t slash = Name.rfind('\\');
  if (slash == std::string::npos) return Name;
  const std::string folder = Name.substr(0, slash + 1);
  if (std::count(folder.begin(), folder.end(), '\\') < 4) return Name;
  std::string out;
  size_t start = 0;
  for (size_t p; (p = folder.find('\\', start)) != std::string::npos; start = p + 1) {
    std::string part = folder.substr(start, p - start);
    if (part.size() > 3) part = part.substr(0, 3) + "...";
    out += part + "\\";
  }
  return out + Name.substr(slash + 1);
}

// ---- TLed ----

TLed::TLed(TComponent* AOwner, TColor LitColor, TColor DarkColor)
    : TPanel(AOwner), FLit(LitColor), FDark(DarkColor) {
  SetBevelOuter(bvLowered);
  SetParentColor(false);
  SetColor(FDark);
  SetWidth(12);
  SetHeight(12);
}

void TLed::SetLedOn(bool Value) {
  FOn = Value;
  SetColor(FOn ? FLit : FDark);
}

// ---- TMainForm ----

int AppMessageBox(const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  std::unique_ptr<TForm> dlg = CreateMessageDialog(Text, DlgType, Buttons);
  if (MainForm) {
    int left = MainForm->Left() + MainForm->Width() / 2 - dlg->Width() / 2;
    int top = MainForm->Top() + MainForm->Height() / 2 - dlg->Height() / 2;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (left + dlg->Width() > Screen->Width()) left = Screen->Width() - dlg->Width();
    if (top + dlg->Height() > Screen->Height()) top = Screen->Height() - dlg->Height();
    dlg->SetPosition(poDesigned);
    dlg->SetBounds(left, top, dlg->Width(), dlg->Height());
  }
  dlg->SetCaption("Quillon 2000");
  return dlg->ShowModal();
}

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner, MainWindowClassName) {
  MainForm = this;
  SetName("MainForm");
  SetCaption("Quillon 2000");
  SetBounds(100, 100, 640, 440);
  Constraints.MinWidth = 259;
  Constraints.MinHeight = 200;
  SetMessageHandler(WM_GETMINMAXINFO, [this](TMessage& M) {
    Inherited(M);
    auto* info = reinterpret_cast<MINMAXINFO*>(M.LParam);
    info->ptMinTrackSize.x = 259;
    info->ptMinTrackSize.y = 200;
  });
  SetMessageHandler(WM_INSTANCEPROBE, [](TMessage& M) { M.Result = InstanceProbeAnswer(); });
  SetMessageHandler(WM_INSTANCEACTIVATE, [this](TMessage& M) {
    if (WindowState() == wsMinimized) SetWindowState(wsNormal);
    BringToFront();
    M.Result = 0;
  });
  SetMessageHandler(WM_INSTANCECOMMANDLINE, [this](TMessage& M) { ForwardedCommandLine(M); });
  AppMessageBoxHandler = AppMessageBox;

  CommandLineJobPending = 1;
  AutoInstallOffered = 0;
  AssociationCheckPending = 1;
  StartupDone = 0;
  HistoryOpening = 0;
  CompressorRunning = 0;
  ExtractorRunning = 0;
  for (int i = 0; i < TipCountMax; ++i) TipTexts[i] = Tips[i];
  TipCount = TipCountMax;
  UpIconIndex = FileExists(ProgramFolder() + "up.ico") ? ShellIconIndex(ProgramFolder() + "up.ico", 0, false) : -1;
  DownIconIndex =
      FileExists(ProgramFolder() + "down.ico") ? ShellIconIndex(ProgramFolder() + "down.ico", 0, false) : -1;
  // A shell that shows no icon file's own picture gives both files one icon,
  // which cannot tell the directions apart; the header marks the sort then.
  if (UpIconIndex == DownIconIndex) UpIconIndex = DownIconIndex = -1;

  ArcLister1 = new TArcLister(this);
  ArcLister1->SetName("ArcLister1");
  UnGZIP1 = new TUnGZIP(this);
  UnGZIP1->SetName("UnGZIP1");
  UUDecode1 = new TUUDecode(this);
  UUDecode1->SetName("UUDecode1");
  // Earlier decodes stay in the temporary folder; a new one replaces them.
  UUDecode1->ConfirmOverwrites = false;
  ZipBridge = CreateZipBridge(this, [](int ErrCode, const std::string& Message) {
    if (ErrCode > 0) AppMessageBox("Error Msg: " + Message, mtError, mbOK);
  });

  BuildControls();
  BuildMenus();
  CreateReaders();
  FormStorage1 = new TFormStorage(this);
  FormStorage1->SetName("FormStorage1");
  FormStorage1->UseRegistry = true;
  GradientCaption1 = new TGradientCaption(this);
  GradientCaption1->SetName("GradientCaption1");
  TCaptionPart* title = GradientCaption1->Captions()->Add();
  title->SetCaption("Quillon 2000");
  GradientCaption1->Captions()->Add();
  // The two parts carry the whole title; the form's caption, which the
  // component took over when it was made, would repeat it after them.
  GradientCaption1->SetFormCaption("");
  SetCaption("Quillon 2000");

  SettingsHooks.ApplyViewSettings = [this] {
    TLVExtendedStyles ex = FileList->ExtendedStyles() & ~(LVXBit(lvxGridLines) | LVXBit(lvxFullRowSelect));
    if (GridLines == 1) ex |= LVXBit(lvxGridLines);
    if (FullRow == 1) ex |= LVXBit(lvxFullRowSelect);
    FileList->SetExtendedStyles(ex);
    StatusLine->SetVisible(ViewStatusLine == 1);
    ToolbarPanel->SetVisible(ViewToolbar == 1);
    static const TViewStyle styles[4] = {vsIcon, vsSmallIcon, vsList, vsReport};
    if (ViewStyle <= 3) FileList->SetViewStyle(styles[ViewStyle]);
    ApplyViewOptions();
    CheckSortItems();
    FormResize(this);
  };
  SettingsHooks.ApplyWindowLayout = [this](int PanelSize) {
    if (PanelSize >= 0) AdvSplitter1->SetPosition(PanelSize);
    DockMainToolbar(MainToolbar, AlignToolbar);
    LayoutMainToolbar(MainToolbar, LargeButtons == 1, ShowToolbarText == 1, Buttons);
    const bool explorer = ExplorerStyle == 1;
    ExplorerStyle = explorer ? 0 : 1;
    SetExplorerStyle(explorer);
    FoldersBarItem->SetChecked(ViewFolders == 1);
    FileList->SetEnabled(true);
    MarkSortColumn();
  };
  SettingsHooks.PanelSize = [this] { return AdvSplitter1->Position(); };
  SettingsHooks.ApplyFirstRun = [this] {
    SetBounds(Screen->Width() / 2 - 477 / 2, Screen->Height() / 2 - 350 / 2, 477, 350);
    ToggleShortcut(IncDeskTop, DesktopShortcutPresent, "Desktop");
    ToggleShortcut(IncStartMenu, StartMenuShortcutPresent, "Start Menu");
  };
  LoadSettings();
  UpdateHistoryMenu();
  IncDeskTop->SetChecked(DesktopShortcutPresent == 1);
  IncStartMenu->SetChecked(StartMenuShortcutPresent == 1);

  SmallSysImages = new TImageList(this);
  SmallSysImages->SetShareImages(true);
  SHFILEINFOA info = {};
  SmallSysImages->SetHandle(reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
      (ProgramFolder() + "*.*").c_str(), FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
      SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES)));
  LargeSysImages = new TImageList(this);
  LargeSysImages->SetShareImages(true);
  LargeSysImages->SetWidth(32);
  LargeSysImages->SetHeight(32);
  LargeSysImages->SetHandle(reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA((ProgramFolder() + "*.*").c_str(), FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES)));
  FileList->SetSmallImages(SmallSysImages);
  FileList->SetLargeImages(LargeSysImages);
  MarkSortColumn();
  // Placement is restored at every show and saved at closing.
  FormStorage1->Loaded();

  CloseArchiveClick(this);
}

TMainForm::~TMainForm() {
  // The caption's hook leaves while the window is still there.
  delete GradientCaption1;
  GradientCaption1 = nullptr;
  UnbindReaderEvents();
  // The controls outlive this class's members; their events must not reach them.
  OnResize = nullptr;
  OnClose = nullptr;
  TreeView1->OnChange = nullptr;
  AdvSplitter1->OnPaneResize = nullptr;
  FileList->OnVMGetItemInfo = nullptr;
  FileList->OnVMCacheHint = nullptr;
  for (TFlatButton* b : {UpOneFolderButt, SpeedButton3, SpeedButton4}) b->OnClick = nullptr;
  FileList->OnSelectItem = nullptr;
  FileList->OnVMStateChanged = nullptr;
  FileList->OnItemActivate = nullptr;
  FileList->OnColumnClick = nullptr;
  FileList->OnMouseDown = nullptr;
  FileList->OnMouseMove = nullptr;
  if (MainForm == this) MainForm = nullptr;
  if (ActiveExtractor == UnGZIP1) ActiveExtractor = nullptr;
  AppMessageBoxHandler = nullptr;
  SettingsHooks = TSettingsHooks();
}

TMenuItem* TMainForm::AddItem(TMenuItem* Parent, const std::string& Name, const std::string& Caption,
                              TNotifyEvent OnClick) {
  auto* item = new TMenuItemX(this);
  if (!Name.empty()) item->SetName(Name);
  item->SetCaption(Caption);
  item->OnClick = std::move(OnClick);
  Parent->Add(item);
  return item;
}

void TMainForm::BuildControls() {
  MainToolbar = BuildMainToolbar(this, AlignToolbar);
  LayoutMainToolbar(MainToolbar, LargeButtons == 1, ShowToolbarText == 1, Buttons);
  BuildMainToolbarMenu(this, MainToolbar);
  ToolbarPanel = MainToolbar.Bar;
  for (int i = 0; i < 14; ++i) ToolButtons[i] = MainToolbar.Buttons[i];
  auto button = [this](int i) { return ToolButtons[i]; };
  button(0)->OnClick = [this](TObject* S) { NewButtonClick(S); };
  button(1)->OnClick = [this](TObject* S) { OpenArchiveClick(S); };
  button(5)->OnClick = [this](TObject* S) { AddButtonClick(S); };
  button(7)->OnClick = [this](TObject* S) { ExtractButtonClick(S); };
  button(12)->OnClick = [](TObject*) { OpenHelpTopic("index.html"); };
  button(4)->OnClick = [this](TObject* S) { ListExport->toPrinterClick(S); };
  button(13)->OnClick = [this](TObject*) { Close(); };
  WireEntryCommands();
  for (TControl* b : ToolButtons) EnableCommand(b, true);
  for (int i : {3, 4, 5, 6, 7, 8, 9, 10, 11}) ArchiveButtons.push_back(button(i));

  StatusLine = new TPanel(this);
  StatusLine->SetName("StatusLine");
  StatusLine->SetCaption("");
  StatusLine->SetBevelOuter(bvNone);
  StatusLine->SetParent(this);
  StatusLine->SetHeight(22);
  StatusLine->SetAlign(alBottom);
  SPanel1 = new TPanel(this);
  SPanel1->SetName("SPanel1");
  SPanel1->SetBevelOuter(bvLowered);
  SPanel1->SetParent(StatusLine);
  SPanel2 = new TPanel(this);
  SPanel2->SetName("SPanel2");
  SPanel2->SetBevelOuter(bvLowered);
  SPanel2->SetParent(StatusLine);
  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetVisible(false);
  ProgressBar1->SetParent(StatusLine);
  LedOn = new TLed(this, clLime, clGreen);
  LedOn->SetName("LedOn");
  LedOn->SetCaption("");
  LedOn->SetParent(StatusLine);
  LedOff = new TLed(this, clRed, clMaroon);
  LedOff->SetName("LedOff");
  LedOff->SetCaption("");
  LedOff->SetParent(StatusLine);

  FolderBar = new TPanel(this);
  FolderBar->SetName("FolderBar");
  FolderBar->SetCaption("");
  FolderBar->SetBevelOuter(bvNone);
  FolderBar->SetParent(this);
  FolderBar->SetHeight(26);
  FolderBar->SetAlign(alTop);
  auto barButton = [this](const char* Name, const char* Caption, const char* Hint, int Left, int Width,
                          TNotifyEvent Click) {
    auto* b = new TFlatButton(this);
    b->SetName(Name);
    b->SetCaption(Caption);
    b->SetHint(Hint);
    b->SetShowHint(true);
    b->SetBounds(Left, 2, Width, 22);
    b->SetParent(FolderBar);
    b->OnClick = std::move(Click);
    return b;
  };
  UpOneFolderButt = barButton("UpOneFolderButt", "Up", "Go One Level Up", 4, 40,
                              [this](TObject* S) { UpOneFolderButtClick(S); });
  BrowserBevel = new TBevel(this);
  BrowserBevel->SetName("BrowserBevel");
  BrowserBevel->SetShape(bsLeftLine);
  BrowserBevel->SetBounds(48, 3, 2, 20);
  BrowserBevel->SetParent(FolderBar);
  SpeedButton3 = barButton("SpeedButton3", "List", "List", 52, 44,
                           [this](TObject*) { ArchiveList->SetViewStyle(vsList); });
  SpeedButton4 = barButton("SpeedButton4", "Details", "Details", 98, 52,
                           [this](TObject*) { ArchiveList->SetViewStyle(vsReport); });

  AdvSplitter1 = new TAdvSplitter(this);
  AdvSplitter1->SetName("AdvSplitter1");
  AdvSplitter1->SetParent(this);
  AdvSplitter1->SetAlign(alClient);
  AdvSplitter1->SetThickness(4);
  AdvSplitter1->SetPosition(160);
  for (int i : {1, 2}) {
    AdvSplitter1->GetPane(i)->SetFrameStyle(ftNone);
    AdvSplitter1->GetPane(i)->SetMinSize(30);
  }
  AdvSplitter1->OnPaneResize = [this](TObject* S) { FormResize(S); };

  TreeView1 = new TTreeView(this);
  TreeView1->SetName("TreeView1");
  TreeView1->SetParent(AdvSplitter1->GetPane(1));
  TreeView1->SetAlign(alClient);
  TreeView1->SetHideSelection(false);
  TreeView1->SetReadOnly(true);
  TreeView1->OnChange = [this](TObject*, TTreeNode* Node) {
    if (FChangingTree || !Node || ArchiveName.empty() || !TreeView1->Visible()) return;
    const int index = static_cast<int>(reinterpret_cast<intptr_t>(Node->Data));
    if (index < 0 || index >= int(FFolderTree.size())) return;
    UpOneFolderButt->SetEnabled(index != 0);
    const std::string& path = FFolderTree[size_t(index)].Path;
    if (AnsiLowerCase(path) != AnsiLowerCase(CurrentFolder)) ChangeFolder(path);
  };
  ShowFolderPane(false);

  FileList = new TExtListView(this);
  FileList->SetName("FileList");
  FileList->SetVirtualMode(true);
  FileList->SetViewStyle(vsReport);
  FileList->SetMultiSelect(true);
  FileList->SetReadOnly(true);
  FileList->SetHideSelection(false);
  FileList->SetTabStop(true);
  FileList->SetExtendedStyles(LVXBit(lvxFullRowSelect) | LVXBit(lvxHeaderDragDrop));
  FileList->SetParent(AdvSplitter1->GetPane(2));
  FileList->SetAlign(alClient);
  static const char* const captions[6] = {"Name", "Modified", "Size", "Ratio", "Packed", "Path"};
  static const int widths[6] = {150, 110, 75, 45, 75, 150};
  static const TAlignment aligns[6] = {taLeftJustify, taLeftJustify, taRightJustify,
                                       taRightJustify, taRightJustify, taLeftJustify};
  for (int i = 0; i < 6; ++i) {
    TListColumn* c = FileList->Columns()->Add();
    c->SetCaption(captions[i]);
    c->SetWidth(widths[i]);
    c->SetAlignment(aligns[i]);
    // The sort mark sits left of the caption, where a narrow column keeps it.
    FileList->ColumnsFormat()->Add()->SetImageAlignment(ciaLeftOfText);
  }
  FileList->OnVMGetItemInfo = [this](TObject*, int Item, int SubItem, TLVVMMaskItems& Mask, int& Image, LPARAM&,
                                     UINT&, UINT&, int&, std::string& Text) {
    if (Item < 0 || Item >= int(FileTable.size()) || SubItem < 0 || SubItem > 5) return;
    const TFile& f = FileTable[size_t(Item)];
    const TListRow* row = &RowCache.Row(Item);
    // A record changed in place (a renamed entry) is prepared again.
    if (row->Key.size() != f.Path.size() + f.Name.size() || row->Key.compare(0, f.Path.size(), f.Path) != 0 ||
        row->Key.compare(f.Path.size(), std::string::npos, f.Name) != 0) {
      RowCache.Reset();
      row = &RowCache.Row(Item);
    }
    if (Mask & (1u << lvifText)) Text = row->Texts[size_t(SubItem)];
    if ((Mask & (1u << lvifImage)) && SubItem == 0) Image = row->Image;
  };
  FileList->OnVMCacheHint = [this](TObject*, NMLVCACHEHINT& Hint) {
    RowCache.Hint(Hint.iFrom, Hint.iTo, int(FileTable.size()));
  };
  FileList->OnColumnClick = [this](TObject*, TListColumn* Column) {
    const int i = Column ? Column->Index() : -1;
    if (i < 0 || i > 5 || ArchiveName.empty()) return;
    SortClick(ColumnSortCodes[i]);
  };
  FileList->OnSelectItem = [this](TObject*, TListItem*, bool) {
    if (!FQuietSelection) ShowSelectionStatus();
  };
  FileList->OnVMStateChanged = [this](TObject*, NMLVODSTATECHANGE& Info) {
    if (!FQuietSelection && ((Info.uNewState ^ Info.uOldState) & LVIS_SELECTED)) ShowSelectionStatus();
  };
  FileList->OnItemActivate = [this](TObject* S) {
    // The click that offered to interrupt a running operation opens nothing.
    if (ExtractorRunning || CompressorRunning || FZipRunning) return;
    OpenEntryClick(S);
  };
  FileList->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
    if (ExtractorRunning || CompressorRunning || FZipRunning) InterruptRunningOperation();
  };
  FileList->OnMouseMove = [this](TObject*, TShiftState Shift, int, int) { FileListMouseMove(Shift); };

  // Opening a file or folder of the disk browser is the browser's own work.
  ArchiveList = CreateDiskBrowser(this, this, "ArchiveList");

  OpenBox = new TOpenDialog(this);
  OpenBox->SetName("OpenBox");
  OpenBox->Filter =
      "Archives|*.zip;*.jar;*.pk3;*.exe;*.rar;*.arj;*.arc;*.ace;*.lha;*.lzh;*.tar;*.gz;*.tgz;*.cab;*.zoo;*.bh;"
      "*.uue;*.xxe|All files|*.*";
  OpenBox->Options |= ofFileMustExist;
  OnResize = [this](TObject* S) { FormResize(S); };
  OnClose = [this](TObject*, TCloseAction&) {
    LedOff->SetLedOn(true);
    LedOn->SetLedOn(false);
    CloseArchiveClick(this);
    SaveSettings();
  };
}

void TMainForm::BuildMenus() {
  MainMenu1 = new TCustomMainMenuX(this);
  MainMenu1->SetName("MainMenu1");
  TMenuItem* root = MainMenu1->Items();
  TMenuItem* file = File1 = AddItem(root, "File1", "&File");
  AddItem(file, "NewArchive", "&New Archive...", [this](TObject* S) { NewButtonClick(S); });
  AddItem(file, "OpenArchive", "&Open Archive...", [this](TObject* S) { OpenArchiveClick(S); });
  ArchiveItems.push_back(AddItem(file, "CloseArchive", "&Close Archive", [this](TObject* S) { CloseArchiveClick(S); }));
  ArchiveItems.push_back(AddItem(file, "Properties", "P&roperties..."));
  ListExport = new TListExport(this);
  TMenuItem* printListing = AddItem(file, "PrintFileListing", "Print file listing ...");
  AddItem(printListing, "HTMLdocument", "... to HTML document", [this](TObject* S) { ListExport->HTMLdocumentClick(S); });
  AddItem(printListing, "TXTdocument", "... to TXT document", [this](TObject* S) { ListExport->TXTdocumentClick(S); });
  AddItem(printListing, "toPrinter", "... to Printer", [this](TObject* S) { ListExport->toPrinterClick(S); });
  ArchiveItems.push_back(printListing);
  Favorites1 = AddItem(file, "Favorites1", "Fa&vorite Zip Folders...", [this](TObject* S) { FavoritesButtonClick(S); });
  HistorySeparator = AddItem(file, "HistorySeparator", "-");
  for (int k = 0; k < 5; ++k)
    HistoryItems[k] = AddItem(file, "F" + std::to_string(k + 1), "", [this, k](TObject*) { HistoryClick(k + 1); });
  AddItem(file, "", "-");
  AddItem(file, "ExitQuillon", "E&xit", [this](TObject*) { Close(); });

  TMenuItem* edit = AddItem(root, "Edit1", "&Edit");
  ArchiveItems.push_back(AddItem(edit, "SelectAll", "&Select All", [this](TObject*) {
    SetRowSelected(-1, true);
    ShowSelectionStatus();
  }));
  ArchiveItems.push_back(AddItem(edit, "InvertSelection", "&Invert Selection", [this](TObject*) {
    std::vector<uint8_t> was(size_t(FileCount), 0);
    for (int r : SelectedRows()) was[size_t(r)] = 1;
    FQuietSelection = true;
    for (int r = 0; r < FileCount; ++r) SetRowSelected(r, !was[size_t(r)]);
    FQuietSelection = false;
    ShowSelectionStatus();
  }));
  ArchiveItems.push_back(AddItem(edit, "UnselectAll", "&Unselect All", [this](TObject*) {
    SetRowSelected(-1, false);
    ShowSelectionStatus();
  }));
  AddItem(edit, "", "-");
  ArchiveItems.push_back(AddItem(edit, "FindFiles2", "&Find File(s) ", [this](TObject* S) { FindFiles2Click(S); }));

  TMenuItem* view = AddItem(root, "View1", "&View");
  AddItem(view, "Toolbar1", "&Toolbar", [this](TObject* S) {
    ViewToolbar = ViewToolbar ? 0 : 1;
    ToolbarPanel->SetVisible(ViewToolbar == 1);
    static_cast<TMenuItem*>(S)->SetChecked(ViewToolbar == 1);
  })->SetChecked(true);
  AddItem(view, "StatusBar1", "&Status Bar", [this](TObject* S) {
    ViewStatusLine = ViewStatusLine ? 0 : 1;
    StatusLine->SetVisible(ViewStatusLine == 1);
    static_cast<TMenuItem*>(S)->SetChecked(ViewStatusLine == 1);
  })->SetChecked(true);
  AddItem(view, "asWebPage", "as &Web Page", [this](TObject* S) {
    AsWebPage = AsWebPage ? 0 : 1;
    SetWebStyle(AsWebPage == 1);
    static_cast<TMenuItem*>(S)->SetChecked(AsWebPage == 1);
  });
  AddItem(view, "", "-");
  TMenuItem* arrange = AddItem(view, "ArrangeIcons", "Arrange &Icons");
  for (int k = 0; k < 8; ++k)
    SortItems[k] = AddItem(arrange, "by" + std::to_string(k + 1), SortCaptions[k], [this, k](TObject*) {
      SortClick(k + 1);
    });
  ArchiveItems.push_back(arrange);
  AddItem(view, "", "-");
  ClassicItem = AddItem(view, "N9", "&Classic Display Style", [this](TObject*) { SetExplorerStyle(false); });
  ExplorerItem =
      AddItem(view, "ExplorerDisplayStyle1", "&Explorer Display Style", [this](TObject*) { SetExplorerStyle(true); });
  FoldersBarItem = AddItem(view, "ArchiveFoldersBar1", "&Archive Folders Bar", [this](TObject* S) {
    ViewFolders = ViewFolders ? 0 : 1;
    static_cast<TMenuItem*>(S)->SetChecked(ViewFolders == 1);
    ShowFolderPane(ExplorerStyle == 1 && ViewFolders == 1 && !ArchiveName.empty());
  });
  AddItem(view, "", "-");
  ArchiveItems.push_back(AddItem(view, "Refresh", "&Refresh", [this](TObject* S) { RefreshClick(S); }));

  TMenuItem* actions = Actions1 = AddItem(root, "Actions1", "&Actions");
  // The commands' dialogs come with the operation dialogs; until then the
  // items only follow the archive's state.
  AddFiles = AddItem(actions, "AddFiles", "&Add...", [this](TObject* S) { AddButtonClick(S); });
  DeleteFiles = AddItem(actions, "DeleteFiles", "&Delete...");
  ExtractFiles = AddItem(actions, "ExtractFiles", "&Extract...", [this](TObject* S) { ExtractButtonClick(S); });
  ViewFiles = AddItem(actions, "ViewFiles", "&View...", [this](TObject* S) { ViewClick(S); });
  RenameEntry = AddItem(actions, "RenameEntry", "&Rename...");
  AddItem(actions, "", "-");
  TestArchive = AddItem(actions, "TestArchive", "&Test");
  CommentItem = AddItem(actions, "Comment", "Co&mment...");
  VirusScan = AddItem(actions, "VirusScan", "Virus &Scan");
  InstallItem = AddItem(actions, "Install", "&Install...", [this](TObject* S) { InstallClick(S); });
  MakeExeFile = AddItem(actions, "MakeExeFile", "Make .&EXE File...", [](TObject*) { MakeExeFileClick(); });
  ExeToZip = AddItem(actions, "ExeToZip", ".EXE --> .ZIP", [this](TObject* S) { ExeToZipClick(S); });
  UUencode = AddItem(actions, "UUencode", "&UUencode...");
  ArchiveItems.push_back(CheckoutF = AddItem(actions, "CheckoutF", "C&heck Out...", [this](TObject* S) {
    CheckoutFClick(S);
  }));
  AddItem(actions, "", "-");
  ViewLastOutput = AddItem(actions, "ViewLastOutput", "View &Last Output...",
                           [this](TObject* S) { ViewLastOutputClick(S); });
  TMenuItem* tools = AddItem(root, "Tools1", "&Tools");
  AddItem(tools, "Archiveconverter1", "&Archive Converter...", [this](TObject* S) { Archiveconverter1Click(S); });
  AddItem(tools, "", "-");
  AddItem(tools, "ReadDiskSpan", "Read ZIP disk span...", [this](TObject* S) { ReadDiskSpanClick(S); });
  AddItem(tools, "WriteDiskSpan", "Write ZIP disk span...", [this](TObject* S) { WriteDiskSpanClick(S); });
  TMenuItem* options = AddItem(root, "Options1", "&Options");
  AddItem(options, "ClearHistory1", "C&lear History...", [this](TObject*) {
    ActiveFile1 = ActiveFile2 = ActiveFile3 = ActiveFile4 = ActiveFile5 = "";
    UpdateHistoryMenu();
  });
  AddItem(options, "", "-");
  IncDeskTop = AddItem(options, "IncDeskTop", "Include Quillon on the &Desktop",
                       [this](TObject*) { ToggleShortcut(IncDeskTop, DesktopShortcutPresent, "Desktop"); });
  IncStartMenu = AddItem(options, "IncStartMenu", "Include Quillon in the &Start menu",
                         [this](TObject*) { ToggleShortcut(IncStartMenu, StartMenuShortcutPresent, "Start Menu"); });
  TMenuItem* help = AddItem(root, "Help1", "&Help");
  AddItem(help, "Contents", "&Contents", [](TObject*) { OpenHelpTopic("index.html"); });
  AddViewOptionItems(view, options, help);
  SetMenu(MainMenu1);

  SortPopUp = new TPopupMenuX(this);
  SortPopUp->SetName("SortPopUp");
  for (int k = 0; k < 8; ++k)
    PSortItems[k] = AddItem(SortPopUp->Items(), "PSortby" + std::to_string(k + 1), PSortCaptions[k],
                            [this, k](TObject*) { SortClick(k + 1); });
  AddItem(SortPopUp->Items(), "", "-");
  AddItem(SortPopUp->Items(), "PProperties", "Properties...", [this](TObject* S) { PPropertiesClick(S); });
  SortPopUp->OnPopup = [this](TObject*) { CheckSortItems(); };
  FilePopUp = new TPopupMenuX(this);
  FilePopUp->SetName("FilePopUp");
  AddItem(FilePopUp->Items(), "PSelectAll", "&Select All", [this](TObject*) {
    SetRowSelected(-1, true);
    ShowSelectionStatus();
  });
  AddFilePopUpItems();
  InstallToolActions(this);
  WireArchiveActions();
  for (TMenu* menu : std::initializer_list<TMenu*>{MainMenu1, SortPopUp, FilePopUp}) GreyOutIdleItems(menu->Items());
  InstallMainMenus(this);
}

void TMainForm::ToggleShortcut(TMenuItem* Item, uint8_t& Present, const std::string& FolderValue) {
  const std::string link = ShortcutFileName(FolderValue);
  if (Present == 1) {
    Present = 0;
    Item->SetChecked(false);
    if (!link.empty()) DeleteFile(link);
    return;
  }
  Present = 1;
  Item->SetChecked(true);
  if (!link.empty()) CreateShellLinkWithIcon(Application->ExeName(), link, "");
}

void TMainForm::FormResize(TObject*) {
  if (!StatusLine || !FileList) return;
  const int w = StatusLine->ClientWidth();
  LedOff->SetBounds(w - 19, 5, 12, 12);
  LedOn->SetBounds(LedOff->Left() - 18, 5, 12, 12);
  if (!ArchiveName.empty()) {
    const int half = std::max(LedOn->Left() / 2 - 8, 10);
    SPanel1->SetBounds(0, 1, half, 20);
    SPanel2->SetBounds(half + 10, 1, half, 20);
  } else {
    SPanel1->SetBounds(0, 1, std::max(LedOn->Left() - 10, 10), 20);
  }
  ProgressBar1->SetBounds(SPanel2->Left(), SPanel2->Top(), SPanel2->Width(), SPanel2->Height());
  if (FileList->HandleAllocated()) {
    int others = 0;
    for (int i = 0; i < 5; ++i) others += FileList->Columns()->Items(i)->Width();
    FileList->Columns()->Items(5)->SetWidth(std::max(FileList->ClientWidth() - others - 20, 50));
  }
}

void TMainForm::SetNoArchiveState() {
  SetCaption("Quillon 2000");
  GradientCaption1->Captions()->Items(1)->SetCaption("");
  Application->SetTitle(GradientCaption1->Captions()->Items(0)->Caption());
  SPanel1->SetAlignment(taLeftJustify);
  SPanel1->SetCaption("Choose \"New\" to create or \"Open\" to open an archive.");
  SPanel2->SetVisible(false);
  LedOn->SetLedOn(true);
  LedOff->SetLedOn(false);
  for (TMenuItem* i : ArchiveItems) EnableCommand(i, false);
  for (TControl* b : ArchiveButtons) EnableCommand(b, false);
  for (TMenuItem* i : {AddFiles, DeleteFiles, ExtractFiles, ViewFiles, RenameEntry, TestArchive, CommentItem,
                       VirusScan, MakeExeFile, ExeToZip, UUencode, ViewLastOutput, InstallItem})
    EnableCommand(i, false);
  FileList->SetEnabled(false);
  FormResize(this);
}

void TMainForm::SetOpenArchiveState() {
  const std::string name = AnsiLowerCase(ExtractFileName(ArchiveName));
  SetCaption("Quillon 2000 - " + name);
  GradientCaption1->Captions()->Items(1)->SetCaption(" - " + name);
  Application->SetTitle(GradientCaption1->Captions()->Items(0)->Caption() + " - " + name);
  SPanel1->SetCaption("");
  SPanel2->SetCaption("");
  SPanel1->SetAlignment(taCenter);
  SPanel2->SetVisible(true);
  LedOn->SetLedOn(false);
  LedOff->SetLedOn(true);
  for (TMenuItem* i : ArchiveItems) EnableCommand(i, true);
  ShowArchiveBrowser(false);
  FileList->SetEnabled(true);
  ShowFolderPane(ExplorerStyle == 1 && ViewFolders == 1);
  const DWORD attr = GetFileAttributesA(ArchiveName.c_str());
  const bool readOnly = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
  const bool scanner = !VirusScanProgram.empty() && FileExists(VirusScanProgram);
  const TFormatCommands c = FormatCommands(ArchiveExt, ArchiveName, ArchiveExt == ".zip" && ZipSpanned(ZipBridge),
                                           readOnly, scanner);
  const std::pair<TMenuItem*, bool> items[] = {
      {AddFiles, c.Add},        {DeleteFiles, c.Delete}, {ExtractFiles, c.Extract}, {ViewFiles, c.View},
      {RenameEntry, c.RenameEntry}, {TestArchive, c.Test}, {CommentItem, c.Comment}, {VirusScan, c.VirusScan},
      {MakeExeFile, c.MakeExe}, {ExeToZip, c.ExeToZip},  {UUencode, c.UUencode},
      {MoveArchiveItem, c.MoveArchive}, {RenameArchiveItem, c.RenameArchive}, {DeleteArchiveItem, c.DeleteArchive}};
  for (const auto& [item, on] : items) EnableCommand(item, on);
  const std::pair<int, bool> buttons[] = {{3, true}, {4, true}, {5, c.Add},   {6, c.Delete},   {7, c.Extract},
                                          {8, c.View}, {9, c.VirusScan}, {10, c.Test}, {11, true}};
  for (const auto& [i, on] : buttons) EnableCommand(ToolButtons[i], on);
  FormResize(this);
}

void TMainForm::CloseArchiveClick(TObject*) {
  ZipPassword.clear();
  ArchiveName.clear();
  ArchiveExt.clear();
  CurrentFolder = "\\";
  FileTable.clear();
  FileCount = 0;
  FolderList.clear();
  FolderCount = 0;
  RowCache.Reset();
  FileList->SetItemCountEx(0, 0);
  ClearFolderTree();
  ShowFolderPane(false);
  AutoInstallOffered = 0;
  if (!LastOpenDir.empty()) SetDiskBrowserDirectory(ArchiveList, LastOpenDir);
  ShowArchiveBrowser(true);
  OfferCheckoutCleanup();
  DeleteExtractedTempFiles();
  SetNoArchiveState();
  if (ExplorerStyle == 1 && ViewFolders == 1 && ArchiveList->Visible() && ArchiveList->Enabled() && Visible())
    ArchiveList->SetFocus();
}

void TMainForm::ClearFolderTree() {
  FChangingTree = true;
  TreeView1->Items()->Clear();
  FChangingTree = false;
  FTreeNodes.clear();
  FFolderTree.clear();
  FTreeBuilt = false;
}

void TMainForm::RefreshClick(TObject*) {
  FillFileList();
  ShowSelectionStatus();
}

bool TMainForm::OpenArchiveFile(const std::string& Name) {
  if (Name.empty()) return false;
  const std::string previousName = ArchiveName, previousExt = ArchiveExt, previousFolder = CurrentFolder;
  // An archive that cannot be read says why and leaves the open one as it was.
  auto refuse = [&](const std::string& Why) {
    AppMessageBox(Name + "\r\r" + Why, mtError, mbOK);
    ArchiveName = previousName;
    ArchiveExt = previousExt;
    CurrentFolder = previousFolder;
    if (!ArchiveName.empty() && (ArchiveExt == ".zip" || ArchiveExt == ".exe")) SetZipArchive(ZipBridge, ArchiveName);
    if (!ArchiveName.empty()) ArcLister1->SetArchiveFile(ArchiveName);
    UpdateHistoryMenu();
    return false;
  };
  ArchiveName = Name;
  ArchiveExt = AnsiLowerCase(ExtractFileExt(Name));

  std::string tar;
  if (ArchiveExt == ".zip" || ArchiveExt == ".jar" || ArchiveExt == ".pk3") {
    ArchiveExt = ".zip";
    SetZipArchive(ZipBridge, Name);
    if (FileExists(Name) && ZipEntryCount(ZipBridge) == 0 && ZipSpanned(ZipBridge)) {
      AppMessageBox("If this Zip file is part of a backup set, please insert the last disk of the backup set and try "
                    "again (this is required by the standard Zip multi-disk format). ",
                    mtError, mbOK);
      UpdateHistoryMenu();
      CloseArchiveClick(this);
      return false;
    }
    if (!FileExists(Name)) return refuse(ArcMessage(errFileNotFound));
    if (ZipReadFailed(ZipBridge))
      return refuse(ZipErrorText(ZipBridge).empty() ? ArcMessage(errReadFile) : ZipErrorText(ZipBridge));
  } else if (ArchiveExt == ".tgz" && !(tar = UnpackTgz(UnGZIP1, Name, GetTempDir())).empty()) {
    ActiveExtractor = UnGZIP1;
    // The TAR replaces the open archive; a failure keeps that one.
    ArchiveName = previousName;
    ArchiveExt = previousExt;
    return OpenArchiveFile(tar);
  } else {
    ArcLister1->SetArchiveFile(Name);
    const TArcType type = ArcLister1->ArcType();
    const std::string ext = DetectedExt(type);
    if (!ext.empty()) {
      ArchiveExt = ext;
      const std::string why = ListerReadError();
      if (!why.empty()) return refuse(why);
      if (type == atUue) {
        FUueEntryName = ListedEntryName();
        if (Application->ParamCount() == 1 && DecodeAndOpen()) return true;
      }
    } else if (!FileExists(Name)) {
      return refuse(ArcMessage(errFileNotFound));
    } else if (ArchiveExt == ".lha") {
      ArchiveExt = ".lzh";
      const std::string why = ListerReadError();
      if (!why.empty()) return refuse(why);
    } else {
      AppMessageBox("Quillon cannot open this file. It does not appear to be a Zip file.\r\rIf it is a "
                    "self-extracting file it is either not in the standard Zip file format or it s a corrupt.\r\r"
                    "If you are trying to open a spannning disk, please open last archive of that set.",
                    mtError, mbOK);
      UpdateHistoryMenu();
      CloseArchiveClick(this);
      return false;
    }
  }
  ClearFolderTree();
  CurrentFolder = "\\";
  SetOpenArchiveState();

  if (!HistoryOpening) {
    std::string* slots[5] = {&ActiveFile1, &ActiveFile2, &ActiveFile3, &ActiveFile4, &ActiveFile5};
    int found = -1;
    for (int k = 0; k < 5; ++k)
      if (SameText(*slots[k], Name)) found = k;
    if (found < 0) {
      for (int k = 4; k > 0; --k) *slots[k] = *slots[k - 1];
      ActiveFile1 = Name;
    } else if (found > 0) {
      std::swap(*slots[0], *slots[found]);
    }
  }
  UpdateHistoryMenu();

  const std::string folder = ExtractFilePath(Name);
  const std::string key = AnsiLowerCase(ExcludeTrailingBackslash(folder));
  const bool known = std::any_of(FavoriteFolders.begin(), FavoriteFolders.begin() + std::min<size_t>(
                                                                 size_t(std::max(FavoriteCount, 0)), FavoriteFolders.size()),
                                 [&](const std::string& F) { return AnsiLowerCase(ExcludeTrailingBackslash(F)) == key; });
  if (!known && FavoriteCount < MaxFavoriteFolders &&
      (OtherFoldersPolicy == 0 ||
       (OtherFoldersPolicy == 1 && AppMessageBox("Add \"" + AnsiLowerCase(folder) + "\" TO favorite Zip Folders?",
                                                 mtConfirmation, mbYes | mbNo) == mrYes))) {
    FavoriteFolders.resize(size_t(std::max(FavoriteCount, 0)));
    FavoriteFolders.push_back(folder);
    FavoriteCount = int32_t(FavoriteFolders.size());
  }
  LastOpenDir = folder;
  return true;
}

std::string TMainForm::ListerReadError() {
  std::string why;
  ArcLister1->Cancel = false;
  ArcLister1->OnError = [&why](TObject*, const std::string&, const std::string& MsgEx, const std::string&, int Code) {
    if (why.empty()) why = ArcMessage(Code) + (MsgEx.empty() ? "" : " " + MsgEx);
  };
  // The first entry shows the walk works; the fill reads the rest.
  ArcLister1->OnRead = [this](TObject*, int, int) { ArcLister1->Cancel = true; };
  const bool walked = ArcLister1->Activate();
  ArcLister1->OnRead = nullptr;
  ArcLister1->OnError = nullptr;
  ArcLister1->Cancel = false;
  if (walked) return {};
  return why.empty() ? ArcMessage(errReadFile) : why;
}

std::string TMainForm::ListedEntryName() {
  std::string name;
  ArcLister1->Cancel = false;
  ArcLister1->OnRead = [this, &name](TObject*, int, int) { name = ArcLister1->Entry.FileName; };
  ArcLister1->Activate();
  ArcLister1->OnRead = nullptr;
  ArcLister1->Cancel = false;
  return name;
}

bool TMainForm::DecodeAndOpen() {
  const std::string& entry = FUueEntryName;
  if (entry.empty() || TZipCommon::GetArcExtIndex(ExtractFileExt(entry)) < 0) return false;
  if (AppMessageBox("Decode archive TO a temp folder AND open it?", mtConfirmation, mbYes | mbNo) != mrYes)
    return false;
  const std::string source = ArcLister1->ArchiveFile();
  const std::string dir = IncludeTrailingBackslash(GetTempDir());
  // An encoded file that would decode onto itself stays as it is.
  if (SameText(ExtractFilePath(source), dir) && SameText(ExtractFileName(source), ExtractFileName(entry)))
    return false;
  TStringList spec;
  spec.Add("*.*");
  UUDecode1->SetFileSpec(&spec);
  UUDecode1->SetArchiveFile(source);
  UUDecode1->SetExtractDir(dir);
  int written = 0;
  try {
    written = UUDecode1->Extract();
  } catch (const std::exception&) {
    written = 0;
  }
  const std::string decoded = UUDecode1->FileName();
  // A failed decode lists the encoded file instead of opening a broken one.
  if (written < 1 || decoded.empty() || !FileExists(decoded)) return false;
  return OpenArchiveFile(decoded);
}

void TMainForm::RefuseOverflow() {
  AppMessageBox("This archive holds more than " + Thousands(MaxFileCount) +
                    " entries to show; Quillon 2000 lists at most " + Thousands(MaxFileCount) + ".",
                mtError, mbOK);
  CloseArchiveClick(this);
}

void TMainForm::FillFileList() {
  if (ArchiveName.empty()) return;
  EnsureTempFolder();
  Screen->SetCursor(crHourGlass);
  SPanel1->SetCaption("Reading directory...");
  SPanel2->SetCaption("");
  SPanel2->SetVisible(false);
  ProgressBar1->SetPosition(0);
  ProgressBar1->SetVisible(true);
  LedOn->SetLedOn(false);
  LedOff->SetLedOn(true);

  TFillOptions opt;
  opt.ExplorerStyle = ExplorerStyle == 1;
  opt.CurrentFolder = CurrentFolder;
  opt.DownCase = DownCaseFileNames == 1;
  opt.Cab = ArchiveExt == ".cab";
  TEntryFill fill(opt);
  if (IsListerFormat(ArchiveExt)) {
    ArcLister1->SetArchiveFile(ArchiveName);
    TStringList spec;
    spec.Add("*.*");
    ArcLister1->SetFileSpec(&spec);
    ArcLister1->Cancel = false;
    ArcLister1->OnRead = [this, &fill](TObject*, int, int) {
      if (!fill.AddListerEntry(ArcLister1->Entry)) ArcLister1->Cancel = true;
    };
    ArcLister1->Activate();
    ArcLister1->OnRead = nullptr;
    ArcLister1->Cancel = false;
  } else {
    RefreshZipArchive(ZipBridge, ArchiveName);
    ProgressBar1->SetMax(std::max(ZipEntryCount(ZipBridge), 1));
    int step = 0;
    FillFromZip(ZipBridge, fill, [&] {
      if ((++step & 1023) == 0) ProgressBar1->SetPosition(step);
    });
  }
  Screen->SetCursor(crDefault);
  if (fill.Overflow()) {
    ProgressBar1->SetVisible(false);
    RefuseOverflow();
    return;
  }
  SPanel1->SetCaption("Sorting files...");
  fill.Finish(SortOrder);

  if (opt.ExplorerStyle) ShowFolderTree();
  ResolveIcons();
  SPanel1->SetCaption("Loading file list...");
  SPanel2->SetCaption(TotalsStatusText(opt.ExplorerStyle, opt.Cab));

  SetWebStyle(AsWebPage == 1);
  LedOn->SetLedOn(true);
  LedOff->SetLedOn(false);
  ProgressBar1->SetPosition(ProgressBar1->Max());
  ProgressBar1->SetVisible(false);
  SPanel2->SetVisible(true);
  MarkSortColumn();
  CheckSortItems();
  if (opt.ExplorerStyle) UpOneFolderButt->SetEnabled(CurrentFolder != "\\");
  FQuietSelection = true;
  SetRowSelected(-1, false);
  FQuietSelection = false;
  RowCache.Reset();
  FileList->SetItemCountEx(FileCount, 0);
  FileList->Invalidate();
  ShowSelectionStatus();
  OfferPackageInstall();
}

void TMainForm::OfferPackageInstall() {
  bool setup = false;
  for (const TFile& e : FileTable) {
    const std::string name = AnsiLowerCase(e.Name);
    if (e.Path.empty() && (name == "setup.exe" || name == "install.exe")) setup = true;
  }
  EnableCommand(InstallItem, setup);
  if (AutoInstallOffered) return;
  if (Application->ParamCount() > 0) {
    const std::string first = Application->ParamStr(1);
    // The archive the program was started with is offered by the start-up
    // routine once it is listed; the flag is left to it.
    if (!first.empty() && first[0] != '-' && SameText(ExpandFileName(first), ExpandFileName(ArchiveName))) return;
    AutoInstallOffered = 1;
    if (first.empty() || first[0] == '-') return;
  }
  AutoInstallOffered = 1;
  if (setup && AutomaticPackageInstallation == 1) ShowInstallOffer();
}

void TMainForm::ShowInstallOffer() {
  if (!InstallForm) {
    InstallForm = new TInstallForm(this);
    InstallForm->OnInstall = [this](TObject* S) { InstallClick(S); };
  }
  InstallForm->Execute();
}

void TMainForm::ShowFolderTree() {
  if (!FTreeBuilt) {
    FChangingTree = true;
    TreeView1->Items()->BeginUpdate();
    TreeView1->Items()->Clear();
    FFolderTree = BuildFolderTreeModel();
    FTreeNodes.assign(FFolderTree.size(), nullptr);
    FTreeNodes[0] = TreeView1->Items()->AddObject(nullptr, AnsiLowerCase(ExtractFileName(ArchiveName)),
                                                  reinterpret_cast<void*>(intptr_t(0)));
    for (size_t i = 1; i < FFolderTree.size(); ++i) {
      TTreeNode* parent = FTreeNodes[size_t(FFolderTree[i].Parent)];
      FTreeNodes[i] = TreeView1->Items()->AddChildObject(parent, FFolderTree[i].Text,
                                                         reinterpret_cast<void*>(intptr_t(i)));
      FTreeNodes[i]->SetImageIndex(1);
      FTreeNodes[i]->SetSelectedIndex(2);
    }
    TreeView1->Items()->EndUpdate();
    FChangingTree = false;
    FTreeBuilt = true;
  }
  // A folder past the tree's limits marks its nearest ancestor in the tree.
  std::string folder = CurrentFolder;
  int node = FindFolderNode(FFolderTree, folder);
  while (folder != "\\" && node >= 0 && size_t(node) < FFolderTree.size() &&
         !SameText(FFolderTree[size_t(node)].Path, folder)) {
    folder = ParentFolder(folder);
    node = FindFolderNode(FFolderTree, folder);
  }
  if (node >= 0 && size_t(node) < FTreeNodes.size() && FTreeNodes[size_t(node)]) {
    FChangingTree = true;
    FTreeNodes[size_t(node)]->SetExpanded(true);
    TreeView1->SetSelected(FTreeNodes[size_t(node)]);
    FTreeNodes[size_t(node)]->MakeVisible();
    FChangingTree = false;
  }
}

void TMainForm::ResolveIcons() {
  std::unordered_map<std::string, int> byExt;
  int folderIcon = -1, exeIcon = -1, readmeIcon = -1, installIcon = -1;
  for (TFile& f : FileTable) f.IconResolved = 0;
  for (TFile& f : FileTable) {
    if (IsFolderRecord(f)) {
      if (folderIcon < 0) folderIcon = std::max(ShellIconIndex("folder", FILE_ATTRIBUTE_DIRECTORY, true), 0);
      f.IconIndex = folderIcon;
    } else {
      const std::string lower = AnsiLowerCase(f.Name);
      const std::string ext = AnsiLowerCase(ExtractFileExt(f.Name));
      if (ext == ".exe" || ext == ".com" || ext == ".pif" || ext == ".bat") {
        if (exeIcon < 0) exeIcon = ProgramIcon("exe.ico", "x.exe");
        f.IconIndex = exeIcon;
      } else if (StartsWithNoCase(lower, "readme")) {
        if (readmeIcon < 0) readmeIcon = ProgramIcon("readme.ico", "x.txt");
        f.IconIndex = readmeIcon;
      } else {
        auto it = byExt.find(ext);
        if (it == byExt.end())
          it = byExt.emplace(ext, std::max(ShellIconIndex("morvtmp" + ext, FILE_ATTRIBUTE_NORMAL, true), 0)).first;
        f.IconIndex = it->second;
      }
      if (lower == "setup.exe" || lower == "install.exe") {
        if (installIcon < 0) installIcon = ProgramIcon("INSTALL.ico", "x.exe");
        f.IconIndex = installIcon;
      } else if (ext == ".diz") {
        if (readmeIcon < 0) readmeIcon = ProgramIcon("readme.ico", "x.txt");
        f.IconIndex = readmeIcon;
      }
    }
    f.IconResolved = 1;
  }
}

std::string TMainForm::ListRowText(int Row, int Column, int& Image) {
  if (Row < 0 || Row >= int(FileTable.size())) return {};
  const TFile& f = FileTable[size_t(Row)];
  Image = f.IconIndex;
  const bool folder = IsFolderRecord(f);
  switch (Column) {
    case 0: {
      std::string name = f.Name;
      if (folder) name.pop_back();
      if (f.Encrypted && !folder) name += "+";
      return name;
    }
    case 1: return folder ? std::string() : DosDateText(f.FileDate);
    case 2: return SizeColumn(f.SizeText);
    case 3: return f.RatioText;
    case 4: return SizeColumn(f.PackedText);
    case 5: return f.Path;
  }
  return {};
}

TListRow TMainForm::PrepareRow(int Row) {
  TListRow r;
  for (int c = 0; c < 6; ++c) r.Texts[size_t(c)] = ListRowText(Row, c, r.Image);
  if (Row >= 0 && Row < int(FileTable.size())) r.Key = FileTable[size_t(Row)].Path + FileTable[size_t(Row)].Name;
  return r;
}

void TMainForm::ShowArchiveBrowser(bool Value) {
  for (TControl* c : std::initializer_list<TControl*>{ArchiveList, SpeedButton3, SpeedButton4, BrowserBevel})
    c->SetVisible(Value);
  AdvSplitter1->SetVisible(!Value);
  FolderBar->SetVisible(Value || ExplorerStyle == 1);
  if (Value)
    for (TControl* c : std::initializer_list<TControl*>{ArchiveList, UpOneFolderButt, SpeedButton3, SpeedButton4})
      c->SetEnabled(true);
}

void TMainForm::UpOneFolderButtClick(TObject*) {
  if (ArchiveName.empty()) {
    DiskBrowserOneLevelUp(ArchiveList);
    return;
  }
  if (CurrentFolder != "\\") ChangeFolder(ParentFolder(CurrentFolder));
}

void TMainForm::ShowSelectionStatus() {
  if (ArchiveName.empty()) {
    FileList->SetPopupMenu(nullptr);
    return;
  }
  const std::vector<int> rows = SelectedRows();
  const std::string text = SelectionStatusText(rows);
  SPanel1->SetCaption(text);
  FileList->SetPopupMenu(text == "No file(s) selected." ? SortPopUp : FilePopUp);
}

void TMainForm::SortClick(int K) {
  SortOrder = uint8_t(NextSortOrder(SortOrder, K));
  if (K == 8 && SortOrder == 8 && FileCount == 0) return;
  FillFileList();
  ShowSelectionStatus();
}

void TMainForm::CheckSortItems() {
  int k = SortOrder;
  if (k >= 10 && k <= 16) k -= 9;
  for (int i = 0; i < 8; ++i) {
    SortItems[i]->SetChecked(k == i + 1);
    PSortItems[i]->SetChecked(k == i + 1);
  }
}

void TMainForm::MarkSortColumn() {
  for (int i = 0; i < 6; ++i) FileList->ColumnsFormat()->Items(i)->SetImageIndex(-1);
  bool up = false;
  const int column = SortMarkColumn(SortOrder, up);
  const int image = up ? UpIconIndex : DownIconIndex;
  if (column >= 0 && column < 6 && image >= 0) FileList->ColumnsFormat()->Items(column)->SetImageIndex(image);
  // A recreated list window has lost the header images.
  FileList->UpdateColumnImages();
  if (!FileList->HandleAllocated()) return;
  // Without arrow icons the header draws its own sort mark.
  const HWND header = reinterpret_cast<HWND>(SendMessageW(FileList->Handle(), LVM_GETHEADER, 0, 0));
  for (int i = 0; header && i < 6; ++i) {
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (!SendMessageW(header, HDM_GETITEMW, WPARAM(i), LPARAM(&item))) continue;
    const int was = item.fmt;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column && image < 0) item.fmt |= up ? HDF_SORTUP : HDF_SORTDOWN;
    if (item.fmt != was) SendMessageW(header, HDM_SETITEMW, WPARAM(i), LPARAM(&item));
  }
}

std::vector<int> TMainForm::SelectedRows() {
  std::vector<int> rows;
  for (int i = FileList->GetNextItemIndex(-1, lvnaAll, LVISBit(lvisSelected)); i >= 0;
       i = FileList->GetNextItemIndex(i, lvnaAll, LVISBit(lvisSelected)))
    rows.push_back(i);
  return rows;
}

void TMainForm::SetRowSelected(int Row, bool Value) {
  FileList->SetItemStateByIndex(Row, LVISBit(lvisSelected), Value);
}

void TMainForm::SetWebStyle(bool Value) {
  const TLVExtendedStyles web = LVXBit(lvxOneClickActivate) | LVXBit(lvxUnderlineHot);
  TLVExtendedStyles styles = (FileList->ExtendedStyles() & ~web) | LVXBit(lvxHeaderDragDrop);
  if (Value) styles |= web;
  FileList->SetExtendedStyles(styles);
}

void TMainForm::ShowFolderPane(bool Value) {
  TreeView1->SetVisible(Value);
  AdvSplitter1->GetPane(1)->SetVisible(Value);
  AdvSplitter1->UpdatePanes();
  AdvSplitter1->Invalidate();
}

void TMainForm::ChangeFolder(const std::string& Folder) {
  CurrentFolder = Folder.empty() ? "\\" : Folder;
  TreeView1->SetEnabled(false);
  FillFileList();
  TreeView1->SetEnabled(true);
  // A tree disabled while its selection moved shows the old or no mark
  // until it is painted again.
  TreeView1->Invalidate();
  ShowSelectionStatus();
}

void TMainForm::OpenEntryClick(TObject*) {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || ArchiveName.empty()) return;
  const TFile f = FileTable[size_t(rows.front())];
  if (IsParentRecord(f)) {
    ChangeFolder(ParentFolder(CurrentFolder));
  } else if (IsFolderRecord(f)) {
    std::string folder = (CurrentFolder == "\\" ? std::string() : CurrentFolder) + f.Name;
    while (!folder.empty() && folder.front() == '\\') folder.erase(0, 1);
    ChangeFolder(folder);
  } else {
    return;
  }
  if (FileCount > 0) SetRowSelected(0, true);
  FileList->SetFocus();
  ShowSelectionStatus();
}

void TMainForm::OpenArchiveClick(TObject*) {
  OpenBox->InitialDir = StartUpBaseFolder == 0 ? ProgramFolder()
                        : StartUpBaseFolder == 2 ? StartUpFolder
                                                 : LastOpenDir;
  if (!OpenBox->Execute()) return;
  AutoInstallOffered = 0;
  if (OpenArchiveFile(OpenBox->FileName)) FillFileList();
  if (FileList->Visible() && FileList->Enabled()) FileList->SetFocus();
}

void TMainForm::HistoryClick(int K) {
  std::string* slots[5] = {&ActiveFile1, &ActiveFile2, &ActiveFile3, &ActiveFile4, &ActiveFile5};
  if (K < 1 || K > 5) return;
  bool drop = !FileExists(*slots[K - 1]);
  if (!drop) {
    HistoryOpening = 1;
    if (K > 1) std::swap(*slots[0], *slots[K - 1]);
    drop = !ReplaceArchive(ActiveFile1);
    HistoryOpening = 0;
    K = 1;
  }
  // A file gone or unreadable leaves the list.
  if (drop) {
    for (int k = K - 1; k < 4; ++k) *slots[k] = *slots[k + 1];
    *slots[4] = "";
  }
  UpdateHistoryMenu();
}

bool TMainForm::ReplaceArchive(const std::string& Name) {
  const std::string previous = ArchiveName;
  CloseArchiveClick(this);
  if (OpenArchiveFile(Name)) {
    FillFileList();
    return true;
  }
  if (!previous.empty()) {
    const int was = HistoryOpening;
    HistoryOpening = 1;
    if (OpenArchiveFile(previous)) FillFileList();
    HistoryOpening = was;
  }
  return false;
}

void TMainForm::UpdateHistoryMenu() {
  const std::string* slots[5] = {&ActiveFile1, &ActiveFile2, &ActiveFile3, &ActiveFile4, &ActiveFile5};
  bool any = false;
  for (int k = 0; k < 5; ++k) {
    const bool on = !slots[k]->empty();
    any = any || on;
    HistoryItems[k]->SetVisible(on);
    if (on) HistoryItems[k]->SetCaption("&" + std::to_string(k + 1) + " " + ShortenHistoryPath(*slots[k]));
  }
  HistorySeparator->SetVisible(any);
  UpdateRecentDropdown(this);
}

void TMainForm::SetExplorerStyle(bool Value) {
  if ((ExplorerStyle == 1) == Value) return;
  ExplorerStyle = Value ? 1 : 0;
  ClassicItem->SetChecked(!Value);
  ExplorerItem->SetChecked(Value);
  FoldersBarItem->SetEnabled(Value);
  FolderBar->SetVisible(Value || ArchiveName.empty());
  ShowFolderPane(Value && ViewFolders == 1 && !ArchiveName.empty());
  if (!ArchiveName.empty()) {
    CurrentFolder = "\\";
    FTreeBuilt = false;
    FillFileList();
  }
  MarkSortColumn();
}

void TMainForm::ForwardedCommandLine(TMessage& Message) {
  Message.Result = 1;
  std::string line;
  try {
    line = ReadForwardedLine(Message.WParam);
  } catch (const std::exception&) {
    Message.Result = 0;
    return;
  }
  if (!line.empty() && line[0] == '-') {
    StartJobProcess(line);
    return;
  }
  const std::string name = ForwardedArchiveName(line);
  if (name.empty()) return;
  ReplaceArchive(name);
}

void TMainForm::StartupOpen() {
  if (Application->ParamCount() < 1) return;
  const std::string first = Application->ParamStr(1);
  if (first.empty() || first[0] == '-') return;
  if (OpenArchiveFile(first)) FillFileList();
  // The install offer for the archive the program was started with.
  const bool offer = !AutoInstallOffered && !ArchiveName.empty() && InstallItem->Enabled() &&
                     AutomaticPackageInstallation == 1;
  AutoInstallOffered = 1;
  if (offer) ShowInstallOffer();
}
