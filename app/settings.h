// Every user setting, one global per registry value below HKEY_CURRENT_USER
// "Software\Quillon" (and its subkeys "Adding options", "Extracting options",
// "General", "ShellExt"). Flags are bytes holding 0 or 1 and are stored as
// DWORDs; "Buttons" and "Associated Archives" are strings of 14 '0'/'1'.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// "Software\Quillon"
extern uint8_t SortOrder;  // 1..8 ascending columns, 10..16 reversed 1..7
extern std::string LastOpenDir, LastAddDir;
extern std::string Extract1, Extract2, Extract3, Extract4, Extract5;
extern std::string SelDir1, SelDir2, SelDir3, SelDir4, SelDir5;
extern std::string Temp;    // always ends in "\"
extern std::string Viewer;  // text viewer program
extern std::string ActiveFile1, ActiveFile2, ActiveFile3, ActiveFile4, ActiveFile5;
extern uint8_t FullRow, GridLines, ToolbarTips, FlatButtons, ShowToolbarText;
extern uint8_t AlignToolbar;  // 0 left, 1 right, 2 top, 3 bottom
extern uint8_t ViewToolbar, ViewStatusLine;
extern uint8_t ViewStyle;  // 0 large icons, 1 small icons, 2 list, 3 details
extern uint8_t AsWebPage, AutoAdd;
extern uint8_t AddFolder;  // 0 archive's folder, 1 LastAddDir, 2 AddFromFolder
extern std::string AddFromFolder;
extern uint8_t StartUpBaseFolder;  // 0 program folder, 1 LastOpenDir, 2 StartUpFolder
extern std::string StartUpFolder, CheckoutBaseFolder;
extern uint8_t AssociateWithZipFiles, CheckForZipAssociation;
extern uint8_t CurrentTip;
extern uint8_t TipOfTheDay;  // 0 always, 1 not when opening an archive, 2 never

// "Software\Quillon\Adding options"
extern uint8_t DefaultCompression, SaveDirNames;
extern uint8_t SpanningMode;  // 0 automatic, 1 custom, 2 none
extern int32_t SpanningMAXVolumeSize, SpanningFreeSize;

// "Software\Quillon\Extracting options"
extern uint8_t ExtractOverwrite;

// "Software\Quillon\General"
extern std::string Buttons;  // New, Open, Favorites, Properties, Print, Add, Delete, Extract, View, Scan, Test, CheckOut, Help, Exit
extern uint8_t LargeButtons, AutoVolume, ShowViewDialog;
extern uint8_t LastViewMode;  // 0 associated program, 1 internal viewer, 2 Viewer
extern uint8_t OnTop;
extern std::string VirusScanProgram, VirusScanParameters;
extern uint8_t ReuseWindows, DownCaseFileNames, ShowOpenOnStartup;
extern int32_t UseExplorerShellExtensions;
extern uint8_t Efolder;
extern int32_t AutomaticPackageInstallation;
extern std::string AssociatedArchives;  // ZIP, RAR, CAB, ARJ, LZH, ARC, ACE, ZOO, TAR, GZ, UUE, XXE, JAR, BH
extern uint8_t ExplorerStyle;           // value "View Style"
extern uint8_t ViewFolders;

// "Software\Quillon\ShellExt"
extern uint8_t UseBitmapImages, CheckForSFXs, NonCascade, AddZIP, AddCAB, AddLHA, AddBH, ConvertZIP, ConvertSFX,
    ExtractTo, ExtractHere, ExtracttoSubFolder, OpenSFX, MakeSpan;

// Set while loading: "Quillon.lnk" exists on the Desktop / in the Start Menu.
extern uint8_t DesktopShortcutPresent, StartMenuShortcutPresent;
// Where "Quillon.lnk" belongs in the shell folder the Explorer value names
// ("Desktop", "Start Menu"); empty when the folder is not known.
std::string ShortcutFileName(const std::string& FolderValue);

// What the main window does while settings load and save. The loader has
// already brought every variable to its final value (flags that the window's
// toggles would flip come out as 0 or 1): a hook sets the window from the
// variables and must not invert them again. Unset hooks are skipped, so the
// store works without a window.
struct TSettingsHooks {
  // Before reading: clear the checks of the View style items.
  std::function<void()> ClearViewChecks;
  // A first run or a lost value, after the defaults were set and before they
  // are saved: size the window 477 x 350 centred, and run the Desktop and
  // Start-menu shortcut toggles.
  std::function<void()> ApplyFirstRun;
  // After reading: virus-scan commands, web-page style, status bar, toolbar
  // and its side, list style, grid lines, full row, flat buttons, toolbar
  // text and tips, resize, the Arrange Icons check of SortOrder.
  std::function<void()> ApplyViewSettings;
  // The rest of the layout (PanelSize is -1 when "Software\MORV" has none):
  // splitter, shortcut checks, Reuse Windows check, folders bar check,
  // display style, column sort marks, toolbar buttons and separators
  // (ToolbarButtonVisible, ToolbarSeparatorVisible), large buttons, enabling
  // the entry list.
  std::function<void(int PanelSize)> ApplyWindowLayout;
  // The splitter position, saved as "PanelSize" under "Software\MORV";
  // nothing is saved there while unset.
  std::function<int()> PanelSize;
};
extern TSettingsHooks SettingsHooks;

// True when every key and every value exists with its registry type
// ("Directory" and "PanelSize" excepted); a missing "Directory" is written.
bool SettingsComplete();
// A first run or a missing value writes the whole default set first.
void LoadSettings();
// Writes each value in place: values that others keep under the same keys
// ("SupportConvertFormat", "About") stay. Then the favourites file.
void SaveSettings();
// The first-run defaults, set in the variables only.
void SetDefaultSettings();

// Button n (1 New ... 14 Exit) is shown: position n of Buttons is '1'.
bool ToolbarButtonVisible(int Button);
// Separator n (1..4) between the groups 1-3, 4-5, 6-9, 10-12, 13-14.
bool ToolbarSeparatorVisible(int Separator);
// Archive type n (1 ZIP ... 14 BH) is associated.
bool ArchiveTypeAssociated(int Type);
// The column that carries SortOrder's mark: 0 name, 1 date, 2 size, 3 ratio,
// 4 packed size, 5 path; -1 for none. Up tells the arrow.
int SortMarkColumn(uint8_t Order, bool& Up);
// The Arrange Icons item of SortOrder: 1 name ... 8 original order; 0 none.
int SortMenuItem(uint8_t Order);

struct TSystemFonts {
  std::string IconFace;
  int IconPointSize = 0;
  std::string MessageFace;
  std::string CaptionFace;
};
// The icon-title, message and caption fonts of the system
// (SystemParametersInfo).
TSystemFonts GetSystemFonts();
// Hands GetSystemFonts() to the main window, which sets the faces on its
// lists and the dialogs' controls (and the icon size, when 3 to 60 points).
extern std::function<void(const TSystemFonts& Fonts)> OnApplySystemFonts;
void ApplySystemFonts();
