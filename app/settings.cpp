#include "app/settings.h"

#include <cstddef>
#include <vector>

#include "app/favorites.h"
#include "app/utils.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/winapi.h"

uint8_t SortOrder = 1;
std::string LastOpenDir, LastAddDir;
std::string Extract1, Extract2, Extract3, Extract4, Extract5;
std::string SelDir1, SelDir2, SelDir3, SelDir4, SelDir5;
std::string Temp, Viewer;
std::string ActiveFile1, ActiveFile2, ActiveFile3, ActiveFile4, ActiveFile5;
uint8_t FullRow = 1, GridLines = 0, ToolbarTips = 1, FlatButtons = 1, ShowToolbarText = 1;
uint8_t AlignToolbar = 2;
uint8_t ViewToolbar = 1, ViewStatusLine = 1;
uint8_t ViewStyle = 3;
uint8_t AsWebPage = 0, AutoAdd = 1;
uint8_t AddFolder = 1;
std::string AddFromFolder;
uint8_t StartUpBaseFolder = 1;
std::string StartUpFolder, CheckoutBaseFolder;
uint8_t AssociateWithZipFiles = 0, CheckForZipAssociation = 0;
uint8_t CurrentTip = 1;
uint8_t TipOfTheDay = 1;

uint8_t DefaultCompression = 0, SaveDirNames = 0;
uint8_t SpanningMode = 2;
int32_t SpanningMAXVolumeSize = 1440000, SpanningFreeSize = 0;

uint8_t ExtractOverwrite = 1;

std::string Buttons = "11100111100100";
uint8_t LargeButtons = 1, AutoVolume = 1, ShowViewDialog = 1;
uint8_t LastViewMode = 2;
uint8_t OnTop = 0;
std::string VirusScanProgram, VirusScanParameters;
uint8_t ReuseWindows = 1, DownCaseFileNames = 1, ShowOpenOnStartup = 0;
int32_t UseExplorerShellExtensions = 1;
uint8_t Efolder = 0;
int32_t AutomaticPackageInstallation = 1;
std::string AssociatedArchives = "11111111111111";
uint8_t ExplorerStyle = 0;
uint8_t ViewFolders = 1;

uint8_t UseBitmapImages = 1, CheckForSFXs = 1, NonCascade = 1, AddZIP = 1, AddCAB = 0, AddLHA = 0, AddBH = 0,
        ConvertZIP = 1, ConvertSFX = 1, ExtractTo = 1, ExtractHere = 1, ExtracttoSubFolder = 1, OpenSFX = 1,
        MakeSpan = 1;

uint8_t DesktopShortcutPresent = 0, StartMenuShortcutPresent = 0;

TSettingsHooks SettingsHooks;
std::function<void(const TSystemFonts&)> OnApplySystemFonts;

namespace {

enum TSettingKey { skRoot, skAdding, skExtracting, skGeneral, skShellExt, skCount };

const char* const KeyPaths[skCount] = {
    "\\Software\\Quillon",
    "\\Software\\Quillon\\Adding options",
    "\\Software\\Quillon\\Extracting options",
    "\\Software\\Quillon\\General",
    "\\Software\\Quillon\\ShellExt",
};

const char* const PanelKey = "\\Software\\MORV";

enum TDefaultKind {
  dkValue,          // IntDefault / StrDefault
  dkKeep,           // not set by the first run
  dkProgramFolder,  // the program's folder with "\"
  dkTempFolder,     // the system's temporary folder with "\"
  dkNotepad,        // the Windows folder's notepad.exe
  dkProgramFile,    // "Directory": the program file, written on every save
};

struct TSetting {
  TSettingKey Key;
  const char* Name;
  uint8_t* Byte;
  int32_t* Int;
  std::string* Str;
  TDefaultKind Default;
  int IntDefault;
  const char* StrDefault;
};

TSetting B(TSettingKey Key, const char* Name, uint8_t& Var, int Default, TDefaultKind Kind = dkValue) {
  return {Key, Name, &Var, nullptr, nullptr, Kind, Default, nullptr};
}
TSetting I(TSettingKey Key, const char* Name, int32_t& Var, int Default) {
  return {Key, Name, nullptr, &Var, nullptr, dkValue, Default, nullptr};
}
TSetting S(TSettingKey Key, const char* Name, std::string& Var, const char* Default, TDefaultKind Kind = dkValue) {
  return {Key, Name, nullptr, nullptr, &Var, Kind, 0, Default};
}

std::string DirectoryValue;

// In the order the save writes them.
const std::vector<TSetting>& Settings() {
  static const std::vector<TSetting> table = {
      B(skRoot, "Sort order", SortOrder, 1),
      S(skRoot, "Last open dir", LastOpenDir, "", dkProgramFolder),
      S(skRoot, "Last add dir", LastAddDir, ""),
      S(skRoot, "Extract1", Extract1, ""),
      S(skRoot, "Extract2", Extract2, ""),
      S(skRoot, "Extract3", Extract3, ""),
      S(skRoot, "Extract4", Extract4, ""),
      S(skRoot, "Extract5", Extract5, ""),
      S(skRoot, "SelDir1", SelDir1, ""),
      S(skRoot, "SelDir2", SelDir2, ""),
      S(skRoot, "SelDir3", SelDir3, ""),
      S(skRoot, "SelDir4", SelDir4, ""),
      S(skRoot, "SelDir5", SelDir5, ""),
      S(skRoot, "Temp", Temp, "", dkTempFolder),
      S(skRoot, "Viewer", Viewer, "", dkNotepad),
      S(skRoot, "Active_File1", ActiveFile1, ""),
      S(skRoot, "Active_File2", ActiveFile2, ""),
      S(skRoot, "Active_File3", ActiveFile3, ""),
      S(skRoot, "Active_File4", ActiveFile4, ""),
      S(skRoot, "Active_File5", ActiveFile5, ""),
      B(skRoot, "FullRow", FullRow, 1),
      B(skRoot, "GridLines", GridLines, 0),
      B(skRoot, "ToolbarTips", ToolbarTips, 1),
      B(skRoot, "FlatButtons", FlatButtons, 1),
      B(skRoot, "ShowToolbarText", ShowToolbarText, 1),
      B(skRoot, "AlignToolbar", AlignToolbar, 2),
      B(skRoot, "ViewToolbar", ViewToolbar, 1),
      B(skRoot, "ViewStatusLine", ViewStatusLine, 1),
      B(skRoot, "ViewStyle", ViewStyle, 3),
      B(skRoot, "AsWebPage", AsWebPage, 0),
      B(skRoot, "AutoAdd", AutoAdd, 1),
      B(skRoot, "Add folder", AddFolder, 1),
      S(skRoot, "Add from folder", AddFromFolder, "", dkKeep),
      B(skRoot, "Start-up base folder", StartUpBaseFolder, 1),
      S(skRoot, "Start-up folder", StartUpFolder, "", dkKeep),
      S(skRoot, "Checkout base folder", CheckoutBaseFolder, ""),
      B(skRoot, "Associate with Zip files", AssociateWithZipFiles, 0, dkKeep),
      B(skRoot, "Check for Zip association", CheckForZipAssociation, 0, dkKeep),
      B(skRoot, "Current Tip", CurrentTip, 1),
      B(skRoot, "Tip of the day", TipOfTheDay, 1),

      B(skAdding, "Default compression", DefaultCompression, 0),
      B(skAdding, "Save Dir names", SaveDirNames, 0),
      B(skAdding, "Spanning mode", SpanningMode, 2),
      I(skAdding, "Spanning MAX volume size", SpanningMAXVolumeSize, 1440000),
      I(skAdding, "Spanning Free size", SpanningFreeSize, 0),

      B(skExtracting, "Extract overwrite", ExtractOverwrite, 1),

      S(skGeneral, "Buttons", Buttons, "11100111100100"),
      B(skGeneral, "LargeButtons", LargeButtons, 1),
      B(skGeneral, "AutoVolume", AutoVolume, 1),
      B(skGeneral, "Show view dialog", ShowViewDialog, 1),
      B(skGeneral, "Last view mode", LastViewMode, 2),
      B(skGeneral, "On Top", OnTop, 0),
      S(skGeneral, "Virus Scan Program", VirusScanProgram, ""),
      S(skGeneral, "Virus Scan Parameters", VirusScanParameters, ""),
      B(skGeneral, "Reuse Windows", ReuseWindows, 1),
      B(skGeneral, "Down case file names", DownCaseFileNames, 1),
      B(skGeneral, "Show open on startup", ShowOpenOnStartup, 0),
      S(skGeneral, "Directory", DirectoryValue, "", dkProgramFile),
      I(skGeneral, "Use Explorer Shell Extensions", UseExplorerShellExtensions, 1),
      B(skGeneral, "Efolder", Efolder, 0),
      I(skGeneral, "Automatic Package Installation", AutomaticPackageInstallation, 1),
      S(skGeneral, "Associated Archives", AssociatedArchives, "11111111111111"),
      B(skGeneral, "View Style", ExplorerStyle, 0),
      B(skGeneral, "View Folders", ViewFolders, 1),

      B(skShellExt, "UseBitmapImages", UseBitmapImages, 1),
      B(skShellExt, "CheckForSFXs", CheckForSFXs, 1),
      B(skShellExt, "NonCascade", NonCascade, 1),
      B(skShellExt, "AddZIP", AddZIP, 1),
      B(skShellExt, "AddCAB", AddCAB, 0),
      B(skShellExt, "AddLHA", AddLHA, 0),
      B(skShellExt, "AddBH", AddBH, 0),
      B(skShellExt, "ConvertZIP", ConvertZIP, 1),
      B(skShellExt, "ConvertSFX", ConvertSFX, 1),
      B(skShellExt, "ExtractTo", ExtractTo, 1),
      B(skShellExt, "ExtractHere", ExtractHere, 1),
      B(skShellExt, "ExtracttoSubFolder", ExtracttoSubFolder, 1),
      B(skShellExt, "OpenSFX", OpenSFX, 1),
      B(skShellExt, "MakeSpan", MakeSpan, 1),
  };
  return table;
}

bool IsString(const TSetting& S) { return S.Str != nullptr; }

// A flag the window's toggles apply is 1 or 0 afterwards.
uint8_t Flag(uint8_t V) { return V == 1 ? 1 : 0; }

}  // namespace

std::string ShortcutFileName(const std::string& FolderValue) {
  TRegistry reg;
  if (!reg.OpenKeyReadOnly("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")) return "";
  if (!reg.ValueExists(FolderValue)) return "";
  std::string dir;
  try {
    dir = ExpandEnvStrings(reg.ReadString(FolderValue));
  } catch (const Exception&) {
    return "";
  }
  if (dir.empty()) return "";
  return IncludeTrailingBackslash(dir) + "Quillon.lnk";
}

namespace {

void ReadShortcutMarks() {
  const std::string desktop = ShortcutFileName("Desktop");
  const std::string startMenu = ShortcutFileName("Start Menu");
  DesktopShortcutPresent = !desktop.empty() && FileExists(desktop) ? 1 : 0;
  StartMenuShortcutPresent = !startMenu.empty() && FileExists(startMenu) ? 1 : 0;
}

int ReadPanelSize() {
  TRegistry reg;
  if (!reg.OpenKey(PanelKey, true) || reg.GetDataType("PanelSize") != rdInteger) return -1;
  return reg.ReadInteger("PanelSize");
}

}  // namespace

void SetDefaultSettings() {
  for (const TSetting& s : Settings()) {
    switch (s.Default) {
      case dkKeep:
      case dkProgramFile:
        break;
      case dkProgramFolder:
        *s.Str = ProgramFolder();
        break;
      case dkTempFolder:
        *s.Str = IncludeTrailingBackslash(GetTempDir());
        break;
      case dkNotepad:
        *s.Str = WindowsFolder() + "\\notepad.exe";
        break;
      case dkValue:
        if (s.Byte) *s.Byte = static_cast<uint8_t>(s.IntDefault);
        if (s.Int) *s.Int = s.IntDefault;
        if (s.Str) *s.Str = s.StrDefault;
        break;
    }
  }
}

bool SettingsComplete() {
  bool complete = true;
  for (int k = 0; k < skCount; ++k) {
    TRegistry reg;
    if (!reg.KeyExists(KeyPaths[k]) || !reg.OpenKey(KeyPaths[k], false)) {
      complete = false;
      continue;
    }
    for (const TSetting& s : Settings()) {
      if (s.Key != k) continue;
      if (s.Default == dkProgramFile) {
        if (!reg.ValueExists(s.Name)) reg.WriteString(s.Name, ProgramFileName());
        continue;
      }
      // A value of the wrong type would make the read raise half-way through
      // loading; like a missing one it brings back the defaults.
      const TRegDataType type = reg.GetDataType(s.Name);
      const bool ok = IsString(s) ? (type == rdString || type == rdExpandString) : type == rdInteger;
      if (!reg.ValueExists(s.Name) || !ok) complete = false;
    }
  }
  return complete;
}

void LoadSettings() {
  if (SettingsHooks.ClearViewChecks) SettingsHooks.ClearViewChecks();
  if (!SettingsComplete()) {
    SetDefaultSettings();
    DesktopShortcutPresent = 0;
    StartMenuShortcutPresent = 0;
    if (SettingsHooks.ApplyFirstRun) SettingsHooks.ApplyFirstRun();
    // The save rewrites the favourites file too: it must hold what the file
    // holds, not the empty list of a fresh start.
    ReadFavorites();
    SaveSettings();
  }

  for (int k = 0; k < skCount; ++k) {
    TRegistry reg;
    if (!reg.OpenKey(KeyPaths[k], true)) continue;
    for (const TSetting& s : Settings()) {
      if (s.Key != k || s.Default == dkProgramFile) continue;
      if (s.Byte) *s.Byte = static_cast<uint8_t>(reg.ReadInteger(s.Name));
      if (s.Int) *s.Int = reg.ReadInteger(s.Name);
      if (s.Str) *s.Str = reg.ReadString(s.Name);
    }
  }
  if (AssociatedArchives.size() != 14) AssociatedArchives = "11111111111111";
  if (!Temp.empty()) Temp = IncludeTrailingBackslash(Temp);

  FlatButtons = Flag(FlatButtons);
  ShowToolbarText = Flag(ShowToolbarText);
  ToolbarTips = Flag(ToolbarTips);
  ReuseWindows = Flag(ReuseWindows);
  ExplorerStyle = Flag(ExplorerStyle);
  LargeButtons = LargeButtons != 0 ? 1 : 0;
  if (SettingsHooks.ApplyViewSettings) SettingsHooks.ApplyViewSettings();

  ReadShortcutMarks();
  const int panelSize = ReadPanelSize();
  ReadFavorites();
  if (SettingsHooks.ApplyWindowLayout) SettingsHooks.ApplyWindowLayout(panelSize);
}

void SaveSettings() {
  if (SettingsHooks.PanelSize) {
    TRegistry reg;
    if (reg.OpenKey(PanelKey, true)) reg.WriteInteger("PanelSize", SettingsHooks.PanelSize());
  }
  DirectoryValue = ProgramFileName();
  for (int k = 0; k < skCount; ++k) {
    TRegistry reg;
    if (!reg.OpenKey(KeyPaths[k], true)) throw ERegistryException(std::string("Failed to create key ") + KeyPaths[k]);
    for (const TSetting& s : Settings()) {
      if (s.Key != k) continue;
      if (s.Byte) reg.WriteInteger(s.Name, *s.Byte);
      if (s.Int) reg.WriteInteger(s.Name, *s.Int);
      if (s.Str) reg.WriteString(s.Name, *s.Str);
    }
  }
  WriteFavorites();
}

bool ToolbarButtonVisible(int Button) {
  return Button >= 1 && static_cast<size_t>(Button) <= Buttons.size() && Buttons[static_cast<size_t>(Button - 1)] == '1';
}

bool ToolbarSeparatorVisible(int Separator) {
  auto any = [](int from, int to) {
    for (int b = from; b <= to; ++b)
      if (ToolbarButtonVisible(b)) return true;
    return false;
  };
  const bool g1 = any(1, 3), g2 = any(4, 5), g3 = any(6, 9), g4 = any(10, 12), g5 = any(13, 14);
  switch (Separator) {
    case 1:
      return g1 && (g2 || g3);
    case 2:
      return g2 && g3;
    case 3:
      return g3 && g4;
    case 4:
      return g4 && g5;
    default:
      return false;
  }
}

bool ArchiveTypeAssociated(int Type) {
  return Type >= 1 && static_cast<size_t>(Type) <= AssociatedArchives.size() &&
         AssociatedArchives[static_cast<size_t>(Type - 1)] == '1';
}

int SortMarkColumn(uint8_t Order, bool& Up) {
  enum { colName, colDate, colSize, colRatio, colPacked, colPath };
  Up = false;
  switch (Order) {
    case 1: Up = true; return colName;
    case 10: return colName;
    case 2: Up = true; return colPath;
    case 11: return colPath;
    case 4: return colSize;
    case 13: Up = true; return colSize;
    case 5: return colPacked;
    case 14: Up = true; return colPacked;
    case 6: return colRatio;
    case 15: Up = true; return colRatio;
    case 7: return colDate;
    case 16: Up = true; return colDate;
    default: return -1;
  }
}

int SortMenuItem(uint8_t Order) {
  if (Order >= 1 && Order <= 8) return Order;
  if (Order >= 10 && Order <= 16) return Order - 9;
  return 0;
}

TSystemFonts GetSystemFonts() {
  TSystemFonts fonts;
  // The size of the record before Vista's padded border, which every
  // version of Windows accepts.
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = static_cast<UINT>(offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA));
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) {
    fonts.MessageFace = ncm.lfMessageFont.lfFaceName;
    fonts.CaptionFace = ncm.lfCaptionFont.lfFaceName;
  }
  LOGFONTA icon{};
  if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0)) {
    fonts.IconFace = icon.lfFaceName;
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    const int height = icon.lfHeight < 0 ? -icon.lfHeight : icon.lfHeight;
    fonts.IconPointSize = MulDiv(height, 72, dpi > 0 ? dpi : 96);
  }
  return fonts;
}

void ApplySystemFonts() {
  if (OnApplySystemFonts) OnApplySystemFonts(GetSystemFonts());
}
