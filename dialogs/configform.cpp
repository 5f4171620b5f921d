#include "dialogs/configform.h"

#include <cstdint>

#include "app/mainform.h"
#include "app/settings.h"
#include "app/utils.h"
#include "controls/views/browsedr.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"
#include "framework/ui/dialogs.h"

namespace {

// One check box and the setting it edits. Int settings are the 32-bit ones;
// an inverted box is checked when the setting is not 1.
struct TCheckBinding {
  const char* Name;
  uint8_t* Byte;
  int32_t* Int;
  bool Inverted = false;
};

const TCheckBinding CheckBindings[] = {
    {"FullRowBox", &FullRow, nullptr},
    {"GridLinesBox", &GridLines, nullptr},
    {"AsWebPageBox", &AsWebPage, nullptr},
    {"ViewToolbarBox", &ViewToolbar, nullptr},
    {"ViewStatusBarBox", &ViewStatusLine, nullptr},
    {"ViewFoldersBox", &ViewFolders, nullptr},
    {"ShowTextBox", &ShowToolbarText, nullptr},
    {"ToolTipsBox", &ToolbarTips, nullptr},
    {"FlatButtonsBox", &FlatButtons, nullptr},
    {"LargeButtonsBox", &LargeButtons, nullptr},
    {"UseShellExtBox", nullptr, &UseExplorerShellExtensions},
    {"AddZIPBox", &AddZIP, nullptr},
    {"AddLHABox", &AddLHA, nullptr},
    {"AddCABBox", &AddCAB, nullptr},
    {"AddBHBox", &AddBH, nullptr},
    {"ExtractToBox", &ExtractTo, nullptr},
    {"ExtractHereBox", &ExtractHere, nullptr},
    {"ExtractSubBox", &ExtracttoSubFolder, nullptr},
    {"ConvertSFXBox", &ConvertSFX, nullptr},
    {"ConvertZIPBox", &ConvertZIP, nullptr},
    {"BitmapsBox", &UseBitmapImages, nullptr},
    {"NonCascadeBox", &NonCascade, nullptr},
    {"CheckSFXBox", &CheckForSFXs, nullptr},
    {"AutoAddBox", &AutoAdd, nullptr},
    {"LowerCaseBox", &DownCaseFileNames, nullptr},
    {"ShowOpenBox", &ShowOpenOnStartup, nullptr},
    {"ViewPromptBox", &ShowViewDialog, nullptr},
    {"PackageBox", nullptr, &AutomaticPackageInstallation},
    {"AssociateBox", &CheckForZipAssociation, nullptr, true},
    {"AutoVolumeBox", &AutoVolume, nullptr},
    {"ReuseBox", &ReuseWindows, nullptr},
};

// The radio buttons of a group, in index order, and the setting that holds
// the index.
struct TRadioBinding {
  const char* Names[4];
  uint8_t* Value;
};

const TRadioBinding RadioBindings[] = {
    {{"ClassicStyle", "ExplorerStyleButt"}, &ExplorerStyle},
    {{"AlignLeftButt", "AlignRightButt", "AlignTopButt", "AlignBottomButt"}, &AlignToolbar},
    {{"StartUpDefault", "StartUpLast", "StartUpFolderButt"}, &StartUpBaseFolder},
    {{"AddOpenFolder", "AddLastFolder", "AddFolderButt"}, &AddFolder},
    {{"ExtractToArchive", "ExtractToLast"}, &Efolder},
};

// The list style buttons: Large Icons, List, Details and their ViewStyle.
const char* const StyleNames[3] = {"LargeIconsButt", "ListButt", "DetailsButt"};
const uint8_t StyleValues[3] = {0, 2, 3};

// The format boxes, one per position of AssociatedArchives.
const char* const FormatNames[14] = {"ZipBox", "RarBox", "CabBox", "ArjBox", "LzhBox", "ArcBox", "AceBox",
                                     "ZooBox", "TarBox", "GzBox",  "UueBox", "XxeBox", "JarBox", "BhBox"};
const char* const FormatCaptions[14] = {
    "&ZIP archives", "&RAR archives",       "&CAB archives",        "&ARJ archives",       "&LZH archives",
    "ARC archives",  "AC&E archives",       "ZOO archives",         "&TAR archives",       "GZ compressed files",
    "UUE compressed files", "XXE compressed files", "JAR (Java ARchives)", "&BH (Bh)"};

// The shell extension's menu and option boxes, which follow "Use Explorer
// Shell Extensions".
const char* const ShellBoxes[12] = {"AddZIPBox",     "AddLHABox",     "AddCABBox",   "AddBHBox",
                                    "ExtractToBox",  "ExtractHereBox", "ExtractSubBox", "ConvertSFXBox",
                                    "ConvertZIPBox", "BitmapsBox",    "NonCascadeBox", "CheckSFXBox"};

struct TScanner {
  const char* Program;
  const char* Parameters;
};
const TScanner Scanners[] = {
    {"SCAN95.EXE", "*.* /autoscan /nosplash"}, {"SCAN32.EXE", "/autoscan /nosplash"},
    {"NAVW32.EXE", "*.* /s"},                  {"N32SCANW.EXE", "*.* /s"},
    {"NAVWNT.EXE", "*.* /s"},                  {"SCAN.EXE", "*.* /s"},
    {"TBSCAN.EXE", "*.* /nomem /all /sub"},    {"F-PROT.EXE", "*.* lo nb nm"},
    {"AVPM.EXE", "*.* /noboot /nomem /list"},
};

std::string WithBackslash(const std::string& Folder) {
  return Folder.empty() || Folder.back() == '\\' ? Folder : Folder + "\\";
}

}  // namespace

std::string ScannerParameters(const std::string& Program) {
  for (const TScanner& s : Scanners)
    if (Program == s.Program) return s.Parameters;
  return "";
}

TConfigurationForm::TConfigurationForm(TComponent* AOwner) : TForm(AOwner, "TConfigurationForm") {
  SetName("ConfigurationForm");
  SetCaption("Configuration");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 626, 378);
  SetKeyPreview(true);
  PageControl1 = new TPageControl(this);
  PageControl1->SetName("PageControl1");
  PageControl1->SetParent(this);
  PageControl1->SetBounds(8, 8, 604, 300);
  static const char* const Pages[7][2] = {
      {"ViewPage", "View"},
      {"ToolbarPage", "Toolbar"},
      {"FoldersPage", "Folders"},
      {"ProgramsPage", "Program Locations"},
      {"ShellExtPage", "Explorer Shell Extension"},
      {"MiscPage", "Miscellaneous"},
      {"FormatsPage", "File Formats"},
  };
  for (const auto& p : Pages) {
    auto* sheet = new TTabSheet(this);
    sheet->SetName(p[0]);
    sheet->SetCaption(p[1]);
    sheet->SetPageControl(PageControl1);
  }
  using K = TControlKind;
  BuildControlTable(this, {
      {"ListStyleGroup", K::Group, " Filelist View Style ", 8, 8, 160, 96, "ViewPage"},
      {"LargeIconsButt", K::Radio, "Large Icons", 10, 20, 140, 18, "ListStyleGroup"},
      {"ListButt", K::Radio, "List", 10, 44, 140, 18, "ListStyleGroup"},
      {"DetailsButt", K::Radio, "Details", 10, 68, 140, 18, "ListStyleGroup"},
      {"FullRowBox", K::Check, "&Full row select", 184, 12, 240, 18, "ViewPage"},
      {"GridLinesBox", K::Check, "&Grid lines", 184, 34, 240, 18, "ViewPage"},
      {"AsWebPageBox", K::Check, "As &Web page (single click)", 184, 56, 240, 18, "ViewPage"},
      {"ViewToolbarBox", K::Check, "View &Toolbar", 184, 78, 240, 18, "ViewPage"},
      {"ViewStatusBarBox", K::Check, "View &StatusBar", 184, 100, 240, 18, "ViewPage"},
      {"StyleGroup", K::Group, " Viewing style ", 8, 130, 420, 72, "ViewPage"},
      {"ClassicStyle", K::Radio, "Classic style ", 10, 20, 200, 18, "StyleGroup"},
      {"ExplorerStyleButt", K::Radio, "Explorer style (with folders)", 10, 44, 200, 18, "StyleGroup"},
      {"ViewFoldersBox", K::Check, "View &Archive Folders bar", 220, 44, 190, 18, "StyleGroup"},

      {"ShowTextBox", K::Check, "Show button &text", 8, 12, 200, 18, "ToolbarPage"},
      {"ToolTipsBox", K::Check, "Show tool &tips", 8, 34, 200, 18, "ToolbarPage"},
      {"FlatButtonsBox", K::Check, "&Flat toolbar buttons", 8, 56, 200, 18, "ToolbarPage"},
      {"LargeButtonsBox", K::Check, "&Large buttons", 8, 78, 200, 18, "ToolbarPage"},
      {"SelectButtonsButt", K::Button, "&Select Buttons...", 8, 104, 120, 25, "ToolbarPage"},
      {"AlignGroup", K::Group, "Toolbar aligment ", 230, 8, 190, 120, "ToolbarPage"},
      {"AlignLeftButt", K::Radio, "Align &Left", 10, 20, 160, 18, "AlignGroup"},
      {"AlignRightButt", K::Radio, "Align &Right", 10, 44, 160, 18, "AlignGroup"},
      {"AlignTopButt", K::Radio, "Align &Top", 10, 68, 160, 18, "AlignGroup"},
      {"AlignBottomButt", K::Radio, "Align &Bottom", 10, 92, 160, 18, "AlignGroup"},

      {"TempGroup", K::Group, " &Temp folder ", 8, 4, 210, 48, "FoldersPage"},
      {"TempEdit", K::EditX, "", 8, 18, 160, 21, "TempGroup"},
      {"TempBrowse", K::Button, "...", 172, 17, 28, 23, "TempGroup"},
      {"CheckoutGroup", K::Group, " Checkout &base folder ", 224, 4, 210, 48, "FoldersPage"},
      {"CheckoutEdit", K::EditX, "", 8, 18, 160, 21, "CheckoutGroup"},
      {"CheckoutBrowse", K::Button, "...", 172, 17, 28, 23, "CheckoutGroup"},
      {"StartUpGroup", K::Group, " Start-up base folder ", 8, 56, 210, 100, "FoldersPage"},
      {"StartUpDefault", K::Radio, "S&ystem default", 8, 18, 190, 18, "StartUpGroup"},
      {"StartUpLast", K::Radio, "&Last open archive", 8, 38, 190, 18, "StartUpGroup"},
      {"StartUpFolderButt", K::Radio, "&Folder:", 8, 58, 190, 18, "StartUpGroup"},
      {"StartUpEdit", K::EditX, "", 8, 76, 160, 21, "StartUpGroup"},
      {"StartUpBrowse", K::Button, "...", 172, 75, 28, 23, "StartUpGroup"},
      {"AddGroup", K::Group, " Add folder ", 224, 56, 210, 100, "FoldersPage"},
      {"AddOpenFolder", K::Radio, "O&pen  archive folder", 8, 18, 190, 18, "AddGroup"},
      {"AddLastFolder", K::Radio, "Last a&dd folder", 8, 38, 190, 18, "AddGroup"},
      {"AddFolderButt", K::Radio, "Folde&r:", 8, 58, 190, 18, "AddGroup"},
      {"AddFromEdit", K::EditX, "", 8, 76, 160, 21, "AddGroup"},
      {"AddFromBrowse", K::Button, "...", 172, 75, 28, 23, "AddGroup"},
      {"ExtractGroup", K::Group, " Extract folder ", 8, 160, 426, 64, "FoldersPage"},
      {"ExtractToArchive", K::Radio, "Extract to ./archive ", 8, 18, 300, 18, "ExtractGroup"},
      {"ExtractToLast", K::Radio, "Extract to last extracting folder", 8, 38, 300, 18, "ExtractGroup"},

      {"ViewerLabel", K::Label, "&Viewer:", 8, 12, 100, 14, "ProgramsPage"},
      {"ViewerEdit", K::EditX, "", 8, 28, 380, 21, "ProgramsPage"},
      {"ViewerBrowse", K::Button, "...", 394, 27, 28, 23, "ProgramsPage"},
      {"ScanGroup", K::Group, "Optional virus scanner", 8, 64, 426, 110, "ProgramsPage"},
      {"ScanLabel", K::Label, "&Scan program:", 8, 18, 100, 14, "ScanGroup"},
      {"ScanProgram", K::Combo, "", 8, 34, 370, 21, "ScanGroup"},
      {"ScanBrowse", K::Button, "...", 384, 33, 28, 23, "ScanGroup"},
      {"ParamsLabel", K::Label, "&Parameters: ", 8, 62, 100, 14, "ScanGroup"},
      {"ScanParams", K::EditX, "", 8, 78, 370, 21, "ScanGroup"},

      {"UseShellExtBox", K::Check, "Use &Explorer Shell Extensions", 8, 8, 300, 18, "ShellExtPage"},
      {"MenuGroup", K::Group, " Menu Items ", 8, 30, 426, 140, "ShellExtPage"},
      {"AddZIPBox", K::Check, "Compress to ZIP...", 8, 18, 200, 18, "MenuGroup"},
      {"AddLHABox", K::Check, "Compress to LHA...", 8, 38, 200, 18, "MenuGroup"},
      {"AddCABBox", K::Check, "Compress to CAB...", 8, 58, 200, 18, "MenuGroup"},
      {"AddBHBox", K::Check, "Compress to BH (Bh)...", 8, 78, 200, 18, "MenuGroup"},
      {"ExtractToBox", K::Check, "Extract archive to...", 212, 18, 210, 18, "MenuGroup"},
      {"ExtractHereBox", K::Check, "Extract archive to current folder...", 212, 38, 210, 18, "MenuGroup"},
      {"ExtractSubBox", K::Check, "Extract archive to subfolder...", 212, 58, 210, 18, "MenuGroup"},
      {"ConvertSFXBox", K::Check, "Convert to SFX (only ZIP archives)...", 8, 100, 410, 18, "MenuGroup"},
      {"ConvertZIPBox", K::Check, "Convert to ZIP (only ZIP SFX archives)...", 8, 118, 410, 18, "MenuGroup"},
      {"OptionsGroup", K::Group, " Options ", 8, 174, 426, 84, "ShellExtPage"},
      {"BitmapsBox", K::Check, "Use images beside menu items...", 8, 18, 400, 18, "OptionsGroup"},
      {"NonCascadeBox", K::Check, "Display non-cascaded context menu items...", 8, 38, 400, 18, "OptionsGroup"},
      {"CheckSFXBox", K::Check, "Check executables for self-extracting ZIP files...", 8, 58, 400, 18, "OptionsGroup"},

      {"AutoAddBox", K::Check, "Show A&dd when creating new archives...", 8, 10, 420, 18, "MiscPage"},
      {"LowerCaseBox", K::Check, "A&llow all lower case file names", 8, 32, 420, 18, "MiscPage"},
      {"ShowOpenBox", K::Check, "Automatically &show the \"Open Archive\" dialog box at start-up", 8, 54, 420, 18,
       "MiscPage"},
      {"ViewPromptBox", K::Check, "Prompt when &View button is pushed", 8, 76, 420, 18, "MiscPage"},
      {"PackageBox", K::Check, "Show \"Automatic &Package Installation\" form", 8, 98, 420, 18, "MiscPage"},
      {"AssociateBox", K::Check, "&Show \"Associate\" window if archives not associated with Quillon", 8, 120, 420,
       18, "MiscPage"},
      {"AutoVolumeBox", K::Check, "&Automatically open next volume if it is in the same directory", 8, 142, 420, 18,
       "MiscPage"},
      {"ReuseBox", K::Check, "&Reuse Quillon Windows", 8, 164, 420, 18, "MiscPage"},

      {"FormatsGroup", K::Group, " Associate Quillon with ", 8, 8, 426, 190, "FormatsPage"},

      {"OKButt", K::DefaultButton, "OK", 370, 318, 75, 25},
      {"CancelButt", K::CancelButton, "Cancel", 453, 318, 75, 25},
      {"HelpButt", K::Button, "&Help", 536, 318, 75, 25},
  });
  for (int i = 0; i < 14; ++i) {
    auto* box = new TCheckBox(this);
    box->SetName(FormatNames[i]);
    box->SetCaption(FormatCaptions[i]);
    box->SetParent(Ctl<TGroupBox>(this, "FormatsGroup"));
    box->SetBounds(i < 7 ? 10 : 214, 20 + (i % 7) * 22, 200, 18);
  }
  OKButt = Ctl<TButton>(this, "OKButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  HelpButt = Ctl<TButton>(this, "HelpButt");
  SelectButtonsButt = Ctl<TButton>(this, "SelectButtonsButt");
  LargeButtonsBox = Ctl<TCheckBox>(this, "LargeButtonsBox");
  ViewFoldersBox = Ctl<TCheckBox>(this, "ViewFoldersBox");
  UseShellExtBox = Ctl<TCheckBox>(this, "UseShellExtBox");
  ClassicStyle = Ctl<TRadioButton>(this, "ClassicStyle");
  ExplorerStyleButt = Ctl<TRadioButton>(this, "ExplorerStyleButt");
  TempEdit = Ctl<TEditX>(this, "TempEdit");
  CheckoutEdit = Ctl<TEditX>(this, "CheckoutEdit");
  StartUpEdit = Ctl<TEditX>(this, "StartUpEdit");
  AddFromEdit = Ctl<TEditX>(this, "AddFromEdit");
  ViewerEdit = Ctl<TEditX>(this, "ViewerEdit");
  ScanParams = Ctl<TEditX>(this, "ScanParams");
  ScanProgram = Ctl<TComboBox>(this, "ScanProgram");
  for (const TScanner& s : Scanners) ScanProgram->Items()->Add(s.Program);

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [](TObject*, TCloseAction&) {
    if (MainForm) MainForm->SetEnabled(true);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  OKButt->OnClick = [this](TObject* S) { OKButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
  HelpButt->OnClick = [](TObject*) { OpenHelpTopic("configuration.html"); };
  SelectButtonsButt->OnClick = [this](TObject*) { if (MainForm) MainForm->SelectButtonsClick(nullptr); };
  for (TControl* c : std::initializer_list<TControl*>{LargeButtonsBox, UseShellExtBox, ClassicStyle, ExplorerStyleButt})
    c->OnClick = [this](TObject*) { FollowOwners(); };
  // Typing into a folder edit chooses its "Folder:" button.
  Ctl<TEditX>(this, "StartUpEdit")->OnEnter = [this](TObject*) {
    Ctl<TRadioButton>(this, "StartUpFolderButt")->SetChecked(true);
  };
  AddFromEdit->OnEnter = [this](TObject*) { Ctl<TRadioButton>(this, "AddFolderButt")->SetChecked(true); };
  Ctl<TButton>(this, "TempBrowse")->OnClick = [this](TObject*) {
    BrowseFolder(TempEdit, "Temporay folder", nullptr);
  };
  Ctl<TButton>(this, "CheckoutBrowse")->OnClick = [this](TObject*) {
    BrowseFolder(CheckoutEdit, "Checkout base folder", nullptr);
  };
  Ctl<TButton>(this, "StartUpBrowse")->OnClick = [this](TObject*) {
    BrowseFolder(StartUpEdit, "Start-up base folder", Ctl<TRadioButton>(this, "StartUpFolderButt"));
  };
  Ctl<TButton>(this, "AddFromBrowse")->OnClick = [this](TObject*) {
    BrowseFolder(AddFromEdit, "Add folder", Ctl<TRadioButton>(this, "AddFolderButt"));
  };
  Ctl<TButton>(this, "ViewerBrowse")->OnClick = [this](TObject*) { BrowseProgram(ViewerEdit, ""); };
  Ctl<TButton>(this, "ScanBrowse")->OnClick = [this](TObject*) {
    const std::string text = ScanProgram->Text();
    BrowseProgram(ScanProgram, text);
  };
  ScanProgram->OnChange = [this](TObject*) { ScanProgramChange(); };
}

void TConfigurationForm::FormShow() {
  LoadControls();
  CentreOnMainWindow(this);
  PageControl1->SetActivePageIndex(0);
  if (MainForm) MainForm->SetEnabled(false);
}

void TConfigurationForm::LoadControls() {
  for (const TCheckBinding& b : CheckBindings) {
    const bool one = b.Byte ? *b.Byte == 1 : *b.Int == 1;
    Ctl<TCheckBox>(this, b.Name)->SetChecked(b.Inverted ? !one : one);
  }
  for (const TRadioBinding& r : RadioBindings)
    for (int i = 0; i < 4 && r.Names[i]; ++i) Ctl<TRadioButton>(this, r.Names[i])->SetChecked(*r.Value == i);
  const int style = ViewStyle != 0 ? ViewStyle - 1 : 0;
  for (int i = 0; i < 3; ++i) Ctl<TRadioButton>(this, StyleNames[i])->SetChecked(style == i);
  for (int i = 0; i < 14; ++i)
    Ctl<TCheckBox>(this, FormatNames[i])->SetChecked(size_t(i) < AssociatedArchives.size() &&
                                                     AssociatedArchives[size_t(i)] == '1');
  // The edit shows the folder without its backslash; the setting keeps it.
  std::string temp = Temp;
  if (temp.size() > 3 && temp.back() == '\\') temp.pop_back();
  TempEdit->SetText(temp);
  CheckoutEdit->SetText(CheckoutBaseFolder);
  StartUpEdit->SetText(StartUpFolder);
  AddFromEdit->SetText(AddFromFolder);
  ViewerEdit->SetText(Viewer);
  ScanProgram->SetText(VirusScanProgram);
  ScanParams->SetText(VirusScanParameters);
  FollowOwners();
}

void TConfigurationForm::FollowOwners() {
  SelectButtonsButt->SetEnabled(LargeButtonsBox->Checked());
  ViewFoldersBox->SetEnabled(ExplorerStyleButt->Checked());
  for (const char* name : ShellBoxes) Ctl<TCheckBox>(this, name)->SetEnabled(UseShellExtBox->Checked());
}

void TConfigurationForm::StoreControls() {
  for (const TCheckBinding& b : CheckBindings) {
    const bool checked = Ctl<TCheckBox>(this, b.Name)->Checked();
    const int value = (b.Inverted ? !checked : checked) ? 1 : 0;
    if (b.Byte) *b.Byte = uint8_t(value);
    else *b.Int = value;
  }
  for (const TRadioBinding& r : RadioBindings)
    for (int i = 0; i < 4 && r.Names[i]; ++i)
      if (Ctl<TRadioButton>(this, r.Names[i])->Checked()) *r.Value = uint8_t(i);
  for (int i = 0; i < 3; ++i)
    if (Ctl<TRadioButton>(this, StyleNames[i])->Checked()) ViewStyle = StyleValues[i];
  AssociatedArchives = "00000000000000";
  for (int i = 0; i < 14; ++i)
    if (Ctl<TCheckBox>(this, FormatNames[i])->Checked()) AssociatedArchives[size_t(i)] = '1';
  Viewer = ViewerEdit->Text();
  VirusScanProgram = ScanProgram->Text();
  VirusScanParameters = ScanParams->Text();
  Temp = WithBackslash(TempEdit->Text());
  AddFromFolder = WithBackslash(AddFromEdit->Text());
  StartUpFolder = WithBackslash(StartUpEdit->Text());
  CheckoutBaseFolder = CheckoutEdit->Text();
}

void TConfigurationForm::OKButtClick(TObject*) {
  StoreControls();
  SaveSettings();
  LoadSettings();
  if (MainForm && !ArchiveName.empty()) {
    MainForm->FillFileList();
    MainForm->ShowSelectionStatus();
  }
  Close();
}

void TConfigurationForm::BrowseFolder(TEditX* Edit, const std::string& Caption, TRadioButton* Select) {
  TBrowseDirectoryDlg dlg(this);
  dlg.SetCaption(Caption);
  dlg.SetSelection(Edit->Text());
  if (!dlg.Execute()) return;
  Edit->SetText(dlg.Selection());
  if (Select) Select->SetChecked(true);
}

void TConfigurationForm::BrowseProgram(TControl* Edit, const std::string& Start) {
  TOpenDialog dlg(this);
  dlg.Title = "Browse";
  dlg.Filter = "Programs|*.exe;*.com";
  dlg.Options |= ofPathMustExist | ofFileMustExist;
  if (!Start.empty()) {
    const std::string folder = ExtractFilePath(Start);
    dlg.InitialDir = folder.empty() ? "c:\\" : folder;
    dlg.FileName = Start;
  }
  if (dlg.Execute()) Edit->SetText(dlg.FileName);
}

void TConfigurationForm::ScanProgramChange() {
  const int i = ScanProgram->ItemIndex();
  const std::string chosen = i >= 0 ? ScanProgram->Items()->Strings(i) : ScanProgram->Text();
  const std::string params = ScannerParameters(chosen);
  if (!params.empty()) ScanParams->SetText(params);
}
