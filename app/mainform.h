// TMainForm: the program's main window (window class "TMainForm"), with the
// open archive's state, the entry list and its folder tree, the status line
// and its two LEDs, and the routines the whole program shares.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/entrytable.h"
#include "app/maintoolbar.h"
#include "app/rowcache.h"
#include "controls/views/advsplitter.h"
#include "controls/views/extlistview.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/menus.h"
#include "framework/ui/stdctrls.h"

class TArcLister;
class TFlatButton;
class TFormStorage;
class TGradientCaption;
class TUnBase;
class TExtractForm;
class TFavoriteForm;
class TViewForm;
class TCheckOut;
class TDragForm;
class TFileDrag;
class TUnGZIP;
class TAddForm;
class TCompBase;
class TUUDecode;
class TZipBridge;
class TConfigurationForm;
class TTipForm;
class TAboutForm;
class TSelButtForm;
class TZipCheck;
class TDeleteForm;
class TRenameForm;
class TZipPropForm;
class TPasswordForm;
class TInstallForm;
class TCommentForm;
class TSelDirForm;

// Archive state read and written by the dialogs.
extern std::string ArchiveName;   // full path, '' when none is open
extern std::string ArchiveExt;    // ".zip", ".exe", ".ace", ".arc", ".arj", ".bh", ".cab", ".gz", ".lzh", ".rar", ".tar", ".enc", ".zoo"
extern std::string CurrentFolder;  // "\" or "a\b\"
extern int HistoryOpening;
// The reader of the main window at work for an extraction; the gzip reader
// after a ".tgz" was opened.
extern TUnBase* ActiveExtractor;
extern int CompressorRunning;
extern int ExtractorRunning;
extern uint8_t CommandLineJobPending, AutoInstallOffered, AssociationCheckPending, StartupDone;

constexpr int TipCountMax = 28;
extern std::string TipTexts[TipCountMax];
extern uint8_t TipCount;
extern int UpIconIndex, DownIconIndex;

// Temp when it names an existing folder (with a trailing "\"), otherwise
// the program folder's "TEMP\", created and stored in Temp.
std::string EnsureTempFolder();

// Which archive commands an open archive allows, by its extension key, its
// own file extension, whether it is a spanned Zip set, whether the file is
// read-only, and whether a virus scanner is set up.
struct TFormatCommands {
  bool Add = true, Delete = true, Drop = true, Extract = true, View = true, Test = true, Comment = true,
       RenameEntry = true, MakeExe = false, ExeToZip = false, VirusScan = false, UUencode = true, MoveArchive = true,
       DeleteArchive = true, RenameArchive = true;
};
TFormatCommands FormatCommands(const std::string& Ext, const std::string& FileName, bool Spanned, bool ReadOnlyFile,
                               bool VirusScanner);

// Sort codes of the column headers "Name", "Modified", "Size", "Ratio",
// "Packed", "Path".
constexpr int ColumnSortCodes[6] = {1, 7, 4, 6, 5, 2};
// The next SortOrder when the command for code K runs: K, or K + 9 when K is
// already the order (8 never reverses).
int NextSortOrder(int Current, int K);
// "Selected 3 files, 2 kB" or "No file(s) selected." for the selected rows.
std::string SelectionStatusText(const std::vector<int>& SelectedRows);
// "Total 1 file, 1 kB [1 kB]" (with "; n dirs" in the Explorer style).
std::string TotalsStatusText(bool ExplorerStyle, bool Cab);
// A DOS date-time in the locale's short date and short time.
std::string DosDateText(int32_t DosDate);
// "C:\Doc...\Arc...\Old\x.zip" for a path with four or more backslashes.
std::string ShortenHistoryPath(const std::string& Name);

// A status light: a small panel lit or dark in its colour.
class TLed : public TPanel {
 public:
  TLed(TComponent* AOwner, TColor LitColor, TColor DarkColor);
  bool LedOn() const { return FOn; }
  void SetLedOn(bool Value);

 private:
  TColor FLit, FDark;
  bool FOn = false;
};

class TListExport;
class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* AOwner);
  ~TMainForm() override;

  // Opens Name with the engine its extension and type choose; does not
  // fill the list (FillFileList does). False when it cannot be read: the
  // reason was shown and the archive open before stays open.
  bool OpenArchiveFile(const std::string& Name);
  void FillFileList();
  void CloseArchiveClick(TObject* Sender);
  void RefreshClick(TObject* Sender);
  void ShowSelectionStatus();
  void UpdateHistoryMenu();
  // A sort command for code K (1..7, 8 original order).
  void SortClick(int K);
  // Explorer-style navigation to a folder ("\" is the root).
  void ChangeFolder(const std::string& Folder);
  void SetExplorerStyle(bool Value);
  void FormResize(TObject* Sender);
  // Opens the archive named by the first command-line parameter (not a
  // "-" job), as a start with an archive argument does.
  void StartupOpen();
  // The UUE/XXE path of opening: offers to decode a listed archive into the
  // system's temporary folder and opens it; False lists the encoded file.
  bool DecodeAndOpen();

  // Rows of the entry list selected now, in list order, and one row's
  // selected state.
  std::vector<int> SelectedRows();
  void SetRowSelected(int Row, bool Value);
  // The folder pane (pane 1 of the splitter) with the tree, shown or hidden.
  void ShowFolderPane(bool Value);

  // The readers of the formats the lister lists, bound to the handlers of
  // the engine events.
  void CreateReaders();
  void BindReaderEvents(TUnBase* Reader);
  // The readers outlive this class's members; their events must not reach them.
  void UnbindReaderEvents();
  // The reader of an extension key, made for one extraction; ReleaseReader
  // ends it.
  TUnBase* ExtractorFor(const std::string& Ext);
  void ReleaseReader(TUnBase* Reader);
  // A click while an engine runs: stops it and asks whether to go on; false
  // when nothing runs.
  bool InterruptRunningOperation();
  void ExtractButtonClick(TObject* Sender);
  void ViewLastOutputClick(TObject* Sender);
  // The archive commands beside extracting and adding
  // (app/archivefileactions.cpp), bound by WireArchiveActions.
  void WireArchiveActions();
  void DeleteClick(TObject* Sender);
  void TestClick(TObject* Sender);
  void CommentClick(TObject* Sender);
  void PropertiesClick(TObject* Sender);
  void RenameArchiveClick(TObject* Sender);
  void DeleteArchiveClick(TObject* Sender);
  // Copies the archive file into a chosen folder and makes the copy the open
  // archive; Move deletes the source then.
  void MoveCopyArchive(bool Move);
  // The in-place rename of row Row of a Zip; true when the entry was renamed.
  bool RenameEntryTo(int Row, std::string NewName);
  // Lists the archive again after a dialog changed it.
  void ReloadAfterChange();
  TDeleteForm* DeleteForm = nullptr;
  TRenameForm* RenameForm = nullptr;
  TZipPropForm* ZipPropForm = nullptr;
  TPasswordForm* PasswordForm1 = nullptr;
  TInstallForm* InstallForm = nullptr;
  TCommentForm* CommentForm = nullptr;
  TSelDirForm* SelDirForm = nullptr;
  TMenuItem *MoveArchiveItem = nullptr, *RenameArchiveItem = nullptr, *DeleteArchiveItem = nullptr;
  TZipCheck* ZipCheck1 = nullptr;
  int TestErrorCount = 0;
  int EditIndex = -1;

  // Favourites, view, check-out and dragging entries out (app/entryactions.cpp).
  void FavoritesButtonClick(TObject* Sender);
  void ViewClick(TObject* Sender);
  void CheckoutFClick(TObject* Sender);
  void WireEntryCommands();
  // Dragging the selected file entries out (app/dragout.cpp).
  void FileListMouseMove(TShiftState Shift);
  void DragExtractSelected();
  TFavoriteForm* FavoriteForm = nullptr;
  TViewForm* ViewForm = nullptr;
  TCheckOut* CheckOutForm = nullptr;
  TMenuItem *Favorites1 = nullptr, *CheckoutF = nullptr;
  // Files dropped on the window: an archive opens, with one open they are
  // added through the drag-and-drop dialog.
  TFileDrag* FileDrag1 = nullptr;
  TDragForm* DragForm = nullptr;
  void FileDrag1Drop(const std::vector<std::string>& Names);
  // Set while the extract dialog's Zip component works; a click sets Cancel.
  bool FZipRunning = false;
  bool FZipCancel = false;

  // The View style, Options and Help commands and their windows, made on
  // first use (viewactions.cpp).
  void AddViewOptionItems(TMenuItem* View, TMenuItem* Options, TMenuItem* Help);
  void ListStyleClick(int Index);  // 0 Large Icons, 1 List, 2 Details
  void CheckStyleItems();
  // The style checks, flat buttons and tool tips as the settings say.
  void ApplyViewOptions();
  void DefaultColumnsWidthsClick(TObject* Sender);
  void ConfigurationClick(TObject* Sender);
  void TipoftheDayClick(TObject* Sender);
  void AboutClick(TObject* Sender);
  void SelectButtonsClick(TObject* Sender);
  static TMenuItem* UiFind(TMenuItem* Parent, const std::string& Name);
  TMenuItem* StyleItems[3] = {};
  TConfigurationForm* ConfigurationForm = nullptr;
  TTipForm* TipForm = nullptr;
  TAboutForm* AboutForm = nullptr;
  TSelButtForm* SelButtForm = nullptr;

  // The Find and Tools commands, the properties pop-ups and the
  // self-extractor conversion (toolactions.cpp).
  void FindFiles2Click(TObject* Sender);
  void Archiveconverter1Click(TObject* Sender);
  void ReadDiskSpanClick(TObject* Sender);
  void WriteDiskSpanClick(TObject* Sender);
  void PPropertiesClick(TObject* Sender);
  void PFilePropertiesClick(TObject* Sender);
  void ExeToZipClick(TObject* Sender);
  // The file pop-up's twins of the Edit and Actions commands, enabled as
  // their twins are when it opens.
  void AddFilePopUpItems();

  TArcLister* ArcLister1 = nullptr;
  TUnBase *UnARC1 = nullptr, *UnARJ1 = nullptr, *UnBH = nullptr, *UnCAB1 = nullptr, *UnLHA1 = nullptr,
          *UnRAR1 = nullptr, *UnTAR1 = nullptr, *UnZOO1 = nullptr;
  std::vector<TUnBase*> Readers;
  TExtractForm* ExtractForm = nullptr;
  // Adding (app/addactions.cpp): the Add command, its dialog, and the
  // writers of the LZH, CAB and BH formats, made on first use.
  void AddButtonClick(TObject* Sender);
  TCompBase* CompressorFor(const std::string& Ext);
  // New archive: the save dialog, then CreateNewArchive with its answer
  // (FilterIndex 1 ".zip", 2 ".lzh", 3 ".cab", 4 ".bh", 5 any).
  void NewButtonClick(TObject* Sender);
  void CreateNewArchive(std::string Name, int FilterIndex);
  TSaveDialog* NewBox = nullptr;
  TAddForm* AddForm = nullptr;
  TCompBase *Lha = nullptr, *MakeCAB = nullptr, *Bh = nullptr;
  TUnGZIP* UnGZIP1 = nullptr;
  TUUDecode* UUDecode1 = nullptr;
  TZipBridge* ZipBridge = nullptr;
  TListExport* ListExport = nullptr;  // the File menu's listing export and printing

  TMainMenu* MainMenu1 = nullptr;
  TMenuItem *File1 = nullptr, *Actions1 = nullptr, *ViewLastOutput = nullptr;
  TFormStorage* FormStorage1 = nullptr;
  TGradientCaption* GradientCaption1 = nullptr;
  TControl* ToolbarPanel = nullptr;  // the toolbar
  TPanel* StatusLine = nullptr;
  TPanel* SPanel1 = nullptr;
  TPanel* SPanel2 = nullptr;
  TProgressBar* ProgressBar1 = nullptr;
  TLed* LedOn = nullptr;
  TLed* LedOff = nullptr;
  TAdvSplitter* AdvSplitter1 = nullptr;
  TTreeView* TreeView1 = nullptr;
  TExtListView* FileList = nullptr;
  TImageList* SmallSysImages = nullptr;
  TImageList* LargeSysImages = nullptr;
  TPopupMenu* SortPopUp = nullptr;
  TPopupMenu* FilePopUp = nullptr;
  TOpenDialog* OpenBox = nullptr;
  TControl* ToolButtons[14] = {};
  TMainToolbar MainToolbar;
  TMenuItem* HistoryItems[5] = {};
  TMenuItem* HistorySeparator = nullptr;
  TMenuItem* SortItems[8] = {};
  TMenuItem* PSortItems[8] = {};
  TMenuItem* ClassicItem = nullptr;
  TMenuItem* ExplorerItem = nullptr;
  TMenuItem* FoldersBarItem = nullptr;
  TMenuItem* IncDeskTop = nullptr;
  TMenuItem* IncStartMenu = nullptr;
  // Commands enabled while an archive is open.
  std::vector<TMenuItem*> ArchiveItems;
  std::vector<TControl*> ArchiveButtons;
  // The folder bar above the panes: "Go One Level Up" (the archive's parent
  // folder, or the disk browser's), and the disk browser's "List" and
  // "Details". The disk browser fills the window while no archive is open.
  TPanel* FolderBar = nullptr;
  TFlatButton* UpOneFolderButt = nullptr;
  TFlatButton* SpeedButton3 = nullptr;
  TFlatButton* SpeedButton4 = nullptr;
  TBevel* BrowserBevel = nullptr;
  TCustomListView* ArchiveList = nullptr;
  void UpOneFolderButtClick(TObject* Sender);
  // The disk browser and its buttons, or the panes of the open archive.
  void ShowArchiveBrowser(bool Value);
  // The prepared rows of the entry list; reset by every fill.
  TRowCache RowCache{[this](int Row) { return PrepareRow(Row); }};
  TListRow PrepareRow(int Row);

  TMenuItem *AddFiles = nullptr, *DeleteFiles = nullptr, *ExtractFiles = nullptr, *ViewFiles = nullptr,
            *TestArchive = nullptr, *CommentItem = nullptr, *RenameEntry = nullptr, *MakeExeFile = nullptr,
            *ExeToZip = nullptr, *VirusScan = nullptr, *UUencode = nullptr, *InstallItem = nullptr;
  // The package install of the open archive (Actions "&Install...").
  void InstallClick(TObject* Sender);
  // Enables Install for a listing with a setup program at its root and,
  // once per archive, offers the install window.
  void OfferPackageInstall();
  // Shows the install window; "&Install" runs InstallClick.
  void ShowInstallOffer();

 private:
  void BuildControls();
  void BuildMenus();
  TMenuItem* AddItem(TMenuItem* Parent, const std::string& Name, const std::string& Caption,
                     TNotifyEvent OnClick = nullptr);
  void SetNoArchiveState();
  void SetOpenArchiveState();
  void ResolveIcons();
  void ShowFolderTree();
  void OpenEntryClick(TObject* Sender);
  void OpenArchiveClick(TObject* Sender);
  void HistoryClick(int K);
  // Closes the open archive and opens and lists Name; when Name cannot be
  // read, the archive open before is opened again.
  bool ReplaceArchive(const std::string& Name);
  // Empties the folder tree without the change handler running.
  void ClearFolderTree();
  // The Options items that put "Quillon.lnk" on the desktop or into the
  // Start menu, or take it away; the settings loader flips Present first.
  void ToggleShortcut(TMenuItem* Item, uint8_t& Present, const std::string& FolderValue);
  void MarkSortColumn();
  void SetWebStyle(bool Value);
  void CheckSortItems();
  void RefuseOverflow();
  void ForwardedCommandLine(TMessage& Message);
  std::string ListRowText(int Row, int Column, int& Image);
  // Lists the lister's archive once; the name of the last entry reported.
  std::string ListedEntryName();
  // '' when the lister can walk its archive, else the lister's message.
  std::string ListerReadError();

  std::vector<TFolderNode> FFolderTree;
  std::vector<TTreeNode*> FTreeNodes;
  bool FTreeBuilt = false;
  std::string FUueEntryName;
  bool FChangingTree = false;
  // Set while the form itself changes many rows' selection.
  bool FQuietSelection = false;
};

extern TMainForm* MainForm;

// The operation's shared flags: All answered to the overwrite question, a
// wrong password met, and the running extraction's folder (with "\\").
extern uint8_t OverwriteAll;
extern uint8_t OperationFailed;
extern std::string ExtractDestination;
// The overwrite question's text and its two file descriptions.
std::string OverwriteQuestion(const std::string& FileName, const std::string& Existing, const std::string& Entry);
std::string ExistingFileDescription(const std::string& FileName);
std::string EntryDescription(const std::string& Folder, const std::string& FileName);

// The message box of the whole program, centred on the main window and kept
// on the screen, captioned "Quillon 2000".
int AppMessageBox(const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
