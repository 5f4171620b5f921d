// The configuration window, the tip of the day, the about box and the
// toolbar-button chooser, driven as a user drives them; what they store is
// read back from the registry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/favorites.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "dialogs/aboutform.h"
#include "dialogs/configform.h"
#include "dialogs/controltable.h"
#include "dialogs/selbuttform.h"
#include "dialogs/tipform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "framework/ui/winapi.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

std::string ShotPath(const std::string& Name) {
  const std::string dir = std::string(MORV_BINARY_DIR) + "/screenshots";
  CreateDirectoryA(LocalPath(dir).c_str(), nullptr);
  return LocalPath(dir + "/" + Name);
}

// The registry value as the settings store writes it: a DWORD as its
// decimal text, a string as is.
std::string RegValue(const std::string& Key, const std::string& Name) {
  TRegistry reg;
  if (!reg.OpenKeyReadOnly("\\Software\\Quillon" + (Key.empty() ? "" : "\\" + Key))) return "<no key>";
  if (!reg.ValueExists(Name)) return "<no value>";
  if (reg.GetDataType(Name) == rdInteger) return std::to_string(reg.ReadInteger(Name));
  return reg.ReadString(Name);
}

// `reg export` of the program's key, as Wine's own tool writes it.
std::string ExportSettings(const std::string& Dir, const std::string& Name) {
  const std::string file = Dir + "\\" + Name;
  const std::string cmd = "reg export HKCU\\Software\\Quillon \"" + file + "\" /y >nul 2>nul";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  const std::vector<uint8_t> bytes = ReadFile(file);
  return std::string(bytes.begin(), bytes.end());
}

class ConfigFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
    FDir = TempDir();
    Form.reset(new TMainForm(Application));
    OtherFoldersPolicy = 0;  // no favourites question from a file another test left
    Form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    Form.reset();
    Application->ProcessMessages();
    // The next tests start from the first-run settings, not these.
    SetDefaultSettings();
    SaveSettings();
  }
  TConfigurationForm* ShowConfig() {
    UiDriver::ClickMenu(Form.get(), UiDriver::Find<TMenuItem>(Form.get(), "Configuration"));
    Application->ProcessMessages();
    TConfigurationForm* d = Form->ConfigurationForm;
    EXPECT_NE(d, nullptr);
    EXPECT_TRUE(d && d->Visible());
    EXPECT_FALSE(Form->Enabled());
    return d;
  }
  template <class T>
  static T* C(TConfigurationForm* D, const std::string& Name) {
    return Ctl<T>(D, Name);
  }
  std::unique_ptr<TMainForm> Form;
  std::string FDir;
};

// Check box, subkey and value; Inverted boxes store 0 when checked.
struct TBoxValue {
  const char* Box;
  const char* Key;
  const char* Value;
  bool Inverted;
};

const TBoxValue BoxValues[] = {
    {"FullRowBox", "", "FullRow", false},
    {"GridLinesBox", "", "GridLines", false},
    {"AsWebPageBox", "", "AsWebPage", false},
    {"ViewToolbarBox", "", "ViewToolbar", false},
    {"ViewStatusBarBox", "", "ViewStatusLine", false},
    {"ViewFoldersBox", "General", "View Folders", false},
    {"ShowTextBox", "", "ShowToolbarText", false},
    {"ToolTipsBox", "", "ToolbarTips", false},
    {"FlatButtonsBox", "", "FlatButtons", false},
    {"LargeButtonsBox", "General", "LargeButtons", false},
    {"UseShellExtBox", "General", "Use Explorer Shell Extensions", false},
    {"AddZIPBox", "ShellExt", "AddZIP", false},
    {"AddLHABox", "ShellExt", "AddLHA", false},
    {"AddCABBox", "ShellExt", "AddCAB", false},
    {"AddBHBox", "ShellExt", "AddBH", false},
    {"ExtractToBox", "ShellExt", "ExtractTo", false},
    {"ExtractHereBox", "ShellExt", "ExtractHere", false},
    {"ExtractSubBox", "ShellExt", "ExtracttoSubFolder", false},
    {"ConvertSFXBox", "ShellExt", "ConvertSFX", false},
    {"ConvertZIPBox", "ShellExt", "ConvertZIP", false},
    {"BitmapsBox", "ShellExt", "UseBitmapImages", false},
    {"NonCascadeBox", "ShellExt", "NonCascade", false},
    {"CheckSFXBox", "ShellExt", "CheckForSFXs", false},
    {"AutoAddBox", "", "AutoAdd", false},
    {"LowerCaseBox", "General", "Down case file names", false},
    {"ShowOpenBox", "General", "Show open on startup", false},
    {"ViewPromptBox", "General", "Show view dialog", false},
    {"PackageBox", "General", "Automatic Package Installation", false},
    {"AssociateBox", "", "Check for Zip association", true},
    {"AutoVolumeBox", "General", "AutoVolume", false},
    {"ReuseBox", "General", "Reuse Windows", false},
};

// Radio buttons and the value their choice stores.
struct TRadioValue {
  const char* Button;
  const char* Key;
  const char* Value;
  const char* Stored;
};

// Every box flipped from what it showed, every group moved, every text
// changed: after OK each control matches its registry value.
TEST_F(ConfigFormTest, EveryControlMatchesItsRegistryValueAfterOK) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    TConfigurationForm* d = ShowConfig();
    ASSERT_NE(d, nullptr);
    // The shell boxes are enabled while the switch is on.
    UiDriver::SetValue(d->UseShellExtBox, "1");
    for (const TBoxValue& b : BoxValues) {
      auto* box = C<TCheckBox>(d, b.Box);
      box->SetChecked(!box->Checked());
    }
    const TRadioValue radios[2][6] = {
        {{"DetailsButt", "", "ViewStyle", "3"},
         {"ExplorerStyleButt", "General", "View Style", "1"},
         {"AlignBottomButt", "", "AlignToolbar", "3"},
         {"StartUpFolderButt", "", "Start-up base folder", "2"},
         {"AddLastFolder", "", "Add folder", "1"},
         {"ExtractToLast", "General", "Efolder", "1"}},
        {{"ListButt", "", "ViewStyle", "2"},
         {"ClassicStyle", "General", "View Style", "0"},
         {"AlignLeftButt", "", "AlignToolbar", "0"},
         {"StartUpDefault", "", "Start-up base folder", "0"},
         {"AddFolderButt", "", "Add folder", "2"},
         {"ExtractToArchive", "General", "Efolder", "0"}},
    };
    for (const TRadioValue& r : radios[round]) UiDriver::SetValue(C<TRadioButton>(d, r.Button), "1");
    const std::string n = std::to_string(round);
    UiDriver::SetValue(d->TempEdit, "C:\\tmp" + n);
    UiDriver::SetValue(d->CheckoutEdit, "C:\\out" + n);
    UiDriver::SetValue(d->StartUpEdit, "C:\\start" + n);
    UiDriver::SetValue(d->AddFromEdit, "C:\\add" + n + "\\");
    UiDriver::SetValue(d->ViewerEdit, "C:\\view" + n + ".exe");
    d->ScanProgram->SetItemIndex(round == 0 ? 6 : 7);
    // Every format but ZIP, then only ZIP.
    const char* const formats[14] = {"ZipBox", "RarBox", "CabBox", "ArjBox", "LzhBox", "ArcBox", "AceBox",
                                     "ZooBox", "TarBox", "GzBox",  "UueBox", "XxeBox", "JarBox", "BhBox"};
    for (int i = 0; i < 14; ++i) UiDriver::SetValue(C<TCheckBox>(d, formats[i]), (i == 0) == (round == 1) ? "1" : "0");
    UiDriver::Click(d->OKButt);
    Application->ProcessMessages();
    EXPECT_FALSE(d->Visible());
    EXPECT_TRUE(Form->Enabled());

    for (const TBoxValue& b : BoxValues) {
      SCOPED_TRACE(b.Box);
      const bool checked = C<TCheckBox>(d, b.Box)->Checked();
      EXPECT_EQ(RegValue(b.Key, b.Value), (checked != b.Inverted) ? "1" : "0");
    }
    for (const TRadioValue& r : radios[round]) {
      SCOPED_TRACE(r.Button);
      EXPECT_EQ(RegValue(r.Key, r.Value), r.Stored);
    }
    EXPECT_EQ(RegValue("", "Temp"), "C:\\tmp" + n + "\\");
    EXPECT_EQ(RegValue("", "Checkout base folder"), "C:\\out" + n);
    EXPECT_EQ(RegValue("", "Start-up folder"), "C:\\start" + n + "\\");
    EXPECT_EQ(RegValue("", "Add from folder"), "C:\\add" + n + "\\");
    EXPECT_EQ(RegValue("", "Viewer"), "C:\\view" + n + ".exe");
    EXPECT_EQ(RegValue("General", "Virus Scan Program"), round == 0 ? "TBSCAN.EXE" : "F-PROT.EXE");
    EXPECT_EQ(RegValue("General", "Virus Scan Parameters"), round == 0 ? "*.* /nomem /all /sub" : "*.* lo nb nm");
    EXPECT_EQ(RegValue("General", "Associated Archives"), round == 0 ? "01111111111111" : "10000000000000");
    // The main window took the new values.
    EXPECT_EQ(Form->FileList->ViewStyle(), round == 0 ? vsReport : vsList);
    EXPECT_EQ(MainToolbarAlign(Form->MainToolbar), round == 0 ? 3 : 0);
    const bool flat = C<TCheckBox>(d, "FlatButtonsBox")->Checked(), tips = C<TCheckBox>(d, "ToolTipsBox")->Checked();
    for (TToolbarButtonX* b : Form->MainToolbar.Buttons) {
      EXPECT_EQ(b->Flat(), flat);
      EXPECT_EQ(b->ShowHint(), tips);
    }
  }
}

TEST_F(ConfigFormTest, ShowingLoadsTheSettingsAndLeavesTempAlone) {
  ViewStyle = 1;
  StartUpBaseFolder = 2;
  StartUpFolder = "D:\\start\\";
  Temp = "C:\\tmp\\";
  ExplorerStyle = 0;
  LargeButtons = 0;
  UseExplorerShellExtensions = 0;
  CheckForZipAssociation = 1;
  AssociatedArchives = "10000000000001";
  TConfigurationForm* d = ShowConfig();
  ASSERT_NE(d, nullptr);
  // A stored small-icon style shows "Large Icons".
  EXPECT_TRUE(C<TRadioButton>(d, "LargeIconsButt")->Checked());
  EXPECT_TRUE(C<TRadioButton>(d, "StartUpFolderButt")->Checked());
  EXPECT_EQ(d->StartUpEdit->Text(), "D:\\start\\");
  // The edit shows the temp folder without its backslash; the setting
  // itself keeps it while the dialog is open.
  EXPECT_EQ(d->TempEdit->Text(), "C:\\tmp");
  EXPECT_EQ(Temp, "C:\\tmp\\");
  EXPECT_FALSE(C<TCheckBox>(d, "AssociateBox")->Checked());
  EXPECT_TRUE(C<TCheckBox>(d, "ZipBox")->Checked());
  EXPECT_FALSE(C<TCheckBox>(d, "RarBox")->Checked());
  EXPECT_TRUE(C<TCheckBox>(d, "BhBox")->Checked());
  // Dependent controls follow their owners.
  EXPECT_FALSE(d->ViewFoldersBox->Enabled());
  EXPECT_FALSE(d->SelectButtonsButt->Enabled());
  EXPECT_FALSE(C<TCheckBox>(d, "CheckSFXBox")->Enabled());
  UiDriver::Click(d->ExplorerStyleButt);
  UiDriver::Click(d->LargeButtonsBox);
  UiDriver::Click(d->UseShellExtBox);
  EXPECT_TRUE(d->ViewFoldersBox->Enabled());
  EXPECT_TRUE(d->SelectButtonsButt->Enabled());
  EXPECT_TRUE(C<TCheckBox>(d, "CheckSFXBox")->Enabled());
  // Entering a folder edit chooses its button.
  UiDriver::SetValue(C<TRadioButton>(d, "AddOpenFolder"), "1");
  d->PageControl1->SetActivePageIndex(2);
  Application->ProcessMessages();
  d->AddFromEdit->SetFocus();
  Application->ProcessMessages();
  EXPECT_TRUE(C<TRadioButton>(d, "AddFolderButt")->Checked());
  // A known scanner fills its parameters; another name leaves them.
  d->ScanProgram->SetItemIndex(0);
  EXPECT_EQ(d->ScanParams->Text(), "*.* /autoscan /nosplash");
  UiDriver::SetValue(d->ScanProgram, "MYSCAN.EXE");
  EXPECT_EQ(d->ScanParams->Text(), "*.* /autoscan /nosplash");
  for (int page = 0; page < d->PageControl1->PageCount(); ++page) {
    d->PageControl1->SetActivePageIndex(page);
    Application->ProcessMessages();
    SaveWindowShot(d->Handle(), ShotPath("configuration-" + std::to_string(page + 1) + ".bmp"));
  }
  UiDriver::Click(d->CancelButt);
  EXPECT_TRUE(Form->Enabled());
}

// Cancel after changes on every page writes nothing: the exported key and
// the settings stay as they were.
TEST_F(ConfigFormTest, CancelLeavesTheRegistryUnchanged) {
  SaveSettings();
  const std::string before = ExportSettings(FDir, "before.reg");
  // Wine's tool writes UTF-16.
  ASSERT_NE(before.find(std::string("Q\0u\0i\0l\0l\0o\0n", 13)), std::string::npos);
  const std::string temp = Temp, assoc = AssociatedArchives;
  const uint8_t style = ViewStyle, full = FullRow;
  TConfigurationForm* d = ShowConfig();
  ASSERT_NE(d, nullptr);
  for (const TBoxValue& b : BoxValues) UiDriver::Click(C<TCheckBox>(d, b.Box));
  UiDriver::SetValue(C<TRadioButton>(d, ViewStyle == 2 ? "DetailsButt" : "ListButt"), "1");
  UiDriver::SetValue(d->TempEdit, "C:\\elsewhere");
  UiDriver::Click(C<TCheckBox>(d, "ZipBox"));
  UiDriver::Click(d->CancelButt);
  Application->ProcessMessages();
  EXPECT_FALSE(d->Visible());
  EXPECT_TRUE(Form->Enabled());
  EXPECT_EQ(Temp, temp);
  EXPECT_EQ(AssociatedArchives, assoc);
  EXPECT_EQ(ViewStyle, style);
  EXPECT_EQ(FullRow, full);
  EXPECT_EQ(ExportSettings(FDir, "after.reg"), before);
  // Esc closes it the same way.
  d = ShowConfig();
  UiDriver::Click(C<TCheckBox>(d, "FullRowBox"));
  UiDriver::PressKey(d->OKButt, VK_ESCAPE);
  Application->ProcessMessages();
  EXPECT_FALSE(d->Visible());
  EXPECT_EQ(ExportSettings(FDir, "after2.reg"), before);
}

TEST_F(ConfigFormTest, TipsMoveOnAndWrapAround) {
  EXPECT_EQ(NextTipNumber(28, 28), 1);
  EXPECT_EQ(NextTipNumber(5, 28), 6);
  CurrentTip = 28;
  TipOfTheDay = 2;
  UiDriver::TModalAnswerer answer;
  std::string shown[2];
  answer.Then([&](HWND, TCustomForm* F) {
    auto* t = dynamic_cast<TTipForm*>(F);
    if (!t) return false;
    EXPECT_EQ(t->ShowTipOptions->ItemIndex(), 2);
    shown[0] = t->TipText->Caption();
    UiDriver::Click(t->NextTipButt);
    shown[1] = t->TipText->Caption();
    t->ShowTipOptions->SetItemIndex(0);
    UiDriver::WaitFor([] { return false; }, 200);
    SaveWindowShot(t->Handle(), ShotPath("tip-of-the-day.bmp"));
    UiDriver::Click(t->CloseButt);
    return true;
  });
  UiDriver::ClickMenu(Form.get(), UiDriver::Find<TMenuItem>(Form.get(), "TipoftheDay"));
  EXPECT_TRUE(answer.Done());
  EXPECT_EQ(shown[0], TipTexts[27]);
  EXPECT_EQ(shown[1], TipTexts[0]);
  // Closing moves on once more, so the next showing starts at a new tip.
  EXPECT_EQ(CurrentTip, 2);
  EXPECT_EQ(TipOfTheDay, 0);
  answer.PressButton("&Close");
  UiDriver::ClickMenu(Form.get(), UiDriver::Find<TMenuItem>(Form.get(), "TipoftheDay"));
  EXPECT_EQ(CurrentTip, 3);
}

TEST_F(ConfigFormTest, ButtonChooserStoresTheChecks) {
  bool none[14] = {};
  EXPECT_EQ(ButtonsFromChecks(none), "11100111100100");
  Buttons = "10000000000001";
  LargeButtons = 1;
  LayoutMainToolbar(Form->MainToolbar, true, ShowToolbarText == 1, Buttons);
  UiDriver::TModalAnswerer answer;
  auto rows = [](TSelButtForm* S) {
    std::string flags;
    for (int i = 0; i < 14; ++i) flags += S->ButtonList->Items()->Item(i)->Checked() ? '1' : '0';
    return flags;
  };
  std::string seen;
  answer.Then([&](HWND, TCustomForm* F) {
    auto* s = dynamic_cast<TSelButtForm*>(F);
    if (!s) return false;
    seen = rows(s);
    EXPECT_EQ(s->ButtonList->Items()->Item(6)->ImageIndex(), 7);  // Delete shows Extract's image
    EXPECT_EQ(s->ButtonList->Items()->Item(7)->ImageIndex(), 6);
    s->ButtonList->Items()->Item(4)->SetChecked(true);  // Print
    UiDriver::WaitFor([] { return false; }, 200);
    SaveWindowShot(s->Handle(), ShotPath("select-buttons.bmp"));
    UiDriver::Click(s->CloseButt);
    return true;
  });
  // Through the toolbar's pop-up item, enabled with large buttons.
  Form->MainToolbar.Menu->OnPopup(Form->MainToolbar.Menu);
  ASSERT_TRUE(Form->MainToolbar.SelectItem->Enabled());
  Form->MainToolbar.SelectItem->Click();
  EXPECT_TRUE(answer.Done());
  EXPECT_EQ(seen, "10000000000001");
  EXPECT_EQ(Buttons, "10001000000001");
  EXPECT_EQ(RegValue("General", "Buttons"), "10001000000001");
  // The reload rebuilt the toolbar.
  EXPECT_TRUE(Form->MainToolbar.Buttons[4]->Visible());
  EXPECT_FALSE(Form->MainToolbar.Buttons[1]->Visible());

  // Unchecking every row gives the default set; a Reset stays after Cancel.
  answer.Then([&](HWND, TCustomForm* F) {
    auto* s = dynamic_cast<TSelButtForm*>(F);
    if (!s) return false;
    for (int i = 0; i < 14; ++i) s->ButtonList->Items()->Item(i)->SetChecked(false);
    UiDriver::Click(s->CloseButt);
    return true;
  });
  Form->SelectButtonsClick(nullptr);
  EXPECT_EQ(Buttons, "11100111100100");
  Buttons = "00000000000001";
  answer.Then([&](HWND, TCustomForm* F) {
    auto* s = dynamic_cast<TSelButtForm*>(F);
    if (!s) return false;
    UiDriver::Click(s->ResetButt);
    seen = rows(s);
    UiDriver::Click(s->CancelButt);
    return true;
  });
  Form->SelectButtonsClick(nullptr);
  EXPECT_EQ(seen, "11100111100100");
  EXPECT_EQ(Buttons, "11100111100100");

  // With small buttons the chooser is not offered.
  LargeButtons = 0;
  Form->MainToolbar.Menu->OnPopup(Form->MainToolbar.Menu);
  EXPECT_FALSE(Form->MainToolbar.SelectItem->Enabled());
}

TEST_F(ConfigFormTest, AboutBoxLightsTheLinkUnderTheMouse) {
  UiDriver::TModalAnswerer answer;
  answer.Then([&](HWND, TCustomForm* F) {
    auto* a = dynamic_cast<TAboutForm*>(F);
    if (!a) return false;
    EXPECT_EQ(a->ActiveControl(), a->OKButt);
    a->WebLabel->OnMouseMove(a->WebLabel, 0, 1, 1);
    EXPECT_EQ(a->WebLabel->Font()->Color(), clBlue);
    EXPECT_EQ(a->WebLabel->Font()->Style(), fsBold | fsUnderline);
    EXPECT_EQ(a->MailLabel->Font()->Color(), clBlack);
    a->MailLabel->OnMouseMove(a->MailLabel, 0, 1, 1);
    EXPECT_EQ(a->WebLabel->Font()->Color(), clBlack);
    EXPECT_EQ(a->WebLabel->Font()->Style(), 0);
    EXPECT_EQ(a->MailLabel->Font()->Color(), clBlue);
    UiDriver::WaitFor([] { return false; }, 200);
    SaveWindowShot(a->Handle(), ShotPath("about.bmp"));
    a->OnMouseMove(a, 0, 1, 1);
    EXPECT_EQ(a->MailLabel->Font()->Color(), clBlack);
    UiDriver::PressKey(a->OKButt, VK_ESCAPE);
    return true;
  });
  UiDriver::ClickMenu(Form.get(), UiDriver::Find<TMenuItem>(Form.get(), "About1"));
  EXPECT_TRUE(answer.Done());
  EXPECT_NE(HomePageShortcut().find("Visit Quillon's Home Page.url"), std::string::npos);
}

TEST_F(ConfigFormTest, ViewStyleItemsSetTheListStyle) {
  TMenuItem* list = UiDriver::Find<TMenuItem>(Form.get(), "List1");
  TMenuItem* details = UiDriver::Find<TMenuItem>(Form.get(), "Details1");
  TMenuItem* large = UiDriver::Find<TMenuItem>(Form.get(), "LargeIcons");
  UiDriver::ClickMenu(Form.get(), list);
  EXPECT_EQ(ViewStyle, 2);
  EXPECT_EQ(Form->FileList->ViewStyle(), vsList);
  EXPECT_TRUE(list->Checked());
  EXPECT_FALSE(details->Checked());
  // Clicking the checked item changes nothing.
  Form->FileList->SetViewStyle(vsReport);
  UiDriver::ClickMenu(Form.get(), list);
  EXPECT_EQ(Form->FileList->ViewStyle(), vsReport);
  UiDriver::ClickMenu(Form.get(), large);
  EXPECT_EQ(ViewStyle, 0);
  EXPECT_EQ(Form->FileList->ViewStyle(), vsIcon);
  UiDriver::ClickMenu(Form.get(), details);
  EXPECT_EQ(ViewStyle, 3);
  EXPECT_TRUE(details->Checked());
  EXPECT_FALSE(large->Checked());
  UiDriver::ClickMenu(Form.get(), UiDriver::Find<TMenuItem>(Form.get(), "DefaultColumnsWidths"));
  const int widths[5] = {100, 110, 65, 40, 65};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Form->FileList->Columns()->Items(i)->Width(), widths[i]);
  EXPECT_EQ(Form->FileList->Columns()->Items(5)->Width(), Form->FileList->Width() - 400);
  // The Options and Help commands are there and enabled.
  for (const char* name : {"Configuration", "TipoftheDay", "About1", "BriefTutorial", "FrequentlyAskedQuestions",
                           "QuillonHomePage"})
    EXPECT_TRUE(UiDriver::Find<TMenuItem>(Form.get(), name)->Enabled()) << name;
  // A click on a status light explains the lights.
  std::string text;
  UiDriver::TModalAnswerer answer;
  answer.Then([&](HWND, TCustomForm* F) {
    if (!F) return false;
    text = UiDriver::Find<TLabel>(F, "Message")->Caption();
    F->SetModalResult(mrOk);
    return true;
  });
  Form->LedOff->OnClick(Form->LedOff);
  EXPECT_EQ(text.substr(0, 50), "The red light on the right of the Quillon's status");
}

}  // namespace
