// The dialogs' flat buttons and flat edits are the toolbar library's own
// controls, placed as their tables say, and a click on a button still runs
// its dialog's handler.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "controls/commands/editx.h"
#include "controls/commands/flatbutton.h"
#include "controls/commands/tbbutton.h"
#include "controls/views/placement.h"
#include "dialogs/addform.h"
#include "dialogs/arcconvform.h"
#include "dialogs/checkoutform.h"
#include "dialogs/configform.h"
#include "dialogs/contaddform.h"
#include "dialogs/deleteform.h"
#include "dialogs/dragform.h"
#include "dialogs/exeform.h"
#include "dialogs/extractform.h"
#include "dialogs/findform.h"
#include "dialogs/foldertree.h"
#include "dialogs/nfolderform.h"
#include "dialogs/passwordform.h"
#include "dialogs/renamearcform.h"
#include "dialogs/renameform.h"
#include "dialogs/selgroupform.h"
#include "dialogs/spanform.h"
#include "dialogs/uuencodeform.h"
#include "dialogs/viewform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "framework/ui/winapi.h"
#include "tests/app/mainform_fixture.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

enum class TFlatClass { FlatButton, ToolButton, EditX };

struct FlatRow {
  const char* Name;
  TFlatClass Class;
  const char* Caption;  // a button's caption, an edit's first text
  int Width, Height;    // an edit's height comes from its font instead
  const char* Glyph;    // the resource a tool button shows, or ""
  // Clicks the control and checks what its handler did; empty: no click.
  std::function<void(TControl*)> Click;
};

class FlatControlsTest : public TMainFormFixture {
 protected:
  void BeforeShow() override {
    AddFolder = 1;
    LastAddDir = FDir + "\\src\\";
    SpanningMode = 2;
  }
  void SetUp() override {
    TMainFormFixture::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a && echo one > src/a/one.txt && echo two > src/two.txt"
                      " && cd src && zip -q ../t.zip two.txt"),
              0);
    ASSERT_TRUE(Form->OpenArchiveFile(FDir + "\\t.zip"));
    Form->FillFileList();
    Application->ProcessMessages();
  }
  void TearDown() override {
    PasswordPrompt = nullptr;
    for (TForm* f : {static_cast<TForm*>(Form ? Form->AddForm : nullptr), static_cast<TForm*>(Form ? Form->DragForm : nullptr)})
      if (f && f->Visible()) f->Close();
    TMainFormFixture::TearDown();
  }
  // Checks every row's control on Dialog, clicking those that have a check.
  void CheckRows(TCustomForm* Dialog, const std::vector<FlatRow>& Rows) {
    for (const FlatRow& r : Rows) {
      SCOPED_TRACE(r.Name);
      auto* c = dynamic_cast<TControl*>(UiDriver::FindComponent(Dialog, r.Name));
      ASSERT_NE(c, nullptr);
      EXPECT_EQ(c->Width(), r.Width);
      switch (r.Class) {
        case TFlatClass::FlatButton: {
          auto* b = dynamic_cast<TFlatButton*>(c);
          ASSERT_NE(b, nullptr) << "not a flat button";
          EXPECT_EQ(b->Caption(), r.Caption);
          EXPECT_EQ(b->Height(), r.Height);
          break;
        }
        case TFlatClass::ToolButton: {
          auto* b = dynamic_cast<TToolbarButtonX*>(c);
          ASSERT_NE(b, nullptr) << "not a toolbar button";
          EXPECT_EQ(b->Caption(), r.Caption);
          EXPECT_EQ(b->Height(), r.Height);
          EXPECT_TRUE(b->Flat());
          // The picture stands for the caption.
          EXPECT_EQ(b->Glyph()->Width(), 16);
          EXPECT_EQ(b->Glyph()->Height(), 16);
          EXPECT_EQ(b->DisplayMode(), dmGlyphOnly);
          break;
        }
        case TFlatClass::EditX: {
          auto* e = dynamic_cast<TEditX*>(c);
          ASSERT_NE(e, nullptr) << "not a flat edit";
          EXPECT_EQ(e->Text(), r.Caption);
          EXPECT_EQ(e->Height(), FontHeight(e) + 6);
          EXPECT_EQ(e->Color(), e->Enabled() ? clWindow : clBtnFace);
          break;
        }
      }
      if (r.Click) r.Click(c);
    }
  }
  static int FontHeight(TEditX* E) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, E->Font()->Handle());
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
  }
};

void Shot(TCustomForm* F, const std::string& Name) { SaveScreenshot(F, Name); }

// The browser's five buttons: up a folder, the drive list, the desktop, and
// the list and details views.
TEST_F(FlatControlsTest, AddDialogBrowserButtons) {
  Form->AddButtonClick(nullptr);
  Application->ProcessMessages();
  TAddForm* d = Form->AddForm;
  ASSERT_TRUE(d && d->Visible());
  ASSERT_EQ(BrowserFolder, FDir + "\\src\\");
  Shot(d, "add-dialog-flat-buttons");
  const std::string src = FDir + "\\src\\";
  auto click = [](TControl* C) {
    UiDriver::Click(C);
    Application->ProcessMessages();
  };
  CheckRows(d, {
      {"Up", TFlatClass::ToolButton, "Up", 28, 23, "DLGUPFOLDER",
       [&](TControl* c) {
         click(c);
         EXPECT_EQ(BrowserFolder, FDir + "\\");
         EXPECT_EQ(d->CurrentFolder->Text(), FDir);
       }},
      {"SpeedButton1", TFlatClass::ToolButton, "PC", 28, 23, "DLGDRIVES",
       [&](TControl* c) {
         click(c);
         EXPECT_EQ(BrowserFolder, "");
         EXPECT_EQ(d->CurrentFolder->Text(), "My Computer");
         EXPECT_FALSE(d->Up->Enabled());
       }},
      {"SpeedButton2", TFlatClass::ToolButton, "Dsk", 28, 23, "DLGDESKTOP",
       [&](TControl* c) {
         click(c);
         TRegistry reg;
         reg.SetRootKey(HKEY_CURRENT_USER);
         ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
         EXPECT_EQ(BrowserFolder, IncludeTrailingBackslash(reg.ReadString("Desktop")));
         EXPECT_TRUE(d->Up->Enabled());
       }},
      {"BriefButt", TFlatClass::ToolButton, "L", 24, 23, "DLGLIST",
       [&](TControl* c) {
         click(c);
         EXPECT_EQ(d->FileList->ViewStyle(), vsList);
         EXPECT_EQ(c->Hint(), "List");
       }},
      {"DetailButt", TFlatClass::ToolButton, "D", 24, 23, "DLGDETAILS",
       [&](TControl* c) {
         click(c);
         EXPECT_EQ(d->FileList->ViewStyle(), vsReport);
         EXPECT_EQ(c->Hint(), "Details");
       }},
  });
  // A disabled tool button ignores the click.
  UiDriver::SetValue(d->CurrentFolder, src);
  UiDriver::Click(d->SpeedButton1);
  Application->ProcessMessages();
  ASSERT_FALSE(d->Up->Enabled());
  UiDriver::Click(d->Up);
  Application->ProcessMessages();
  EXPECT_EQ(BrowserFolder, "");
}

// The drag-and-drop dialog: the flat Password... button asks twice; the two
// spanning sizes are flat edits, greyed while spanning is not custom.
TEST_F(FlatControlsTest, DragDialogPasswordAndSpanningEdits) {
  std::vector<std::string> asked;
  PasswordPrompt = [&](const std::string& Caption) {
    asked.push_back(Caption);
    return std::string("pw");
  };
  Form->FileDrag1Drop({FDir + "\\src\\a\\one.txt"});
  Application->ProcessMessages();
  TDragForm* d = Form->DragForm;
  ASSERT_TRUE(d && d->Visible());
  CheckRows(d, {
      {"FlatButton1", TFlatClass::FlatButton, "&Password...", 90, 25, "",
       [&](TControl* c) {
         UiDriver::Click(c);
         EXPECT_EQ(asked, (std::vector<std::string>{"Enter password", "Re-enter password"}));
         EXPECT_EQ(d->Password(), "pw");
       }},
      {"EditX1", TFlatClass::EditX, "1400000", 130, 0, "", nullptr},
      {"EditX2", TFlatClass::EditX, "0", 130, 0, "", nullptr},
  });
  EXPECT_FALSE(d->EditX1->Enabled());
  d->ComboBox3->SetItemIndex(1);
  d->ComboBox3->OnChange(d->ComboBox3);
  EXPECT_TRUE(d->EditX1->Enabled());
  EXPECT_EQ(d->EditX1->Color(), clWindow);
}

// The command-line add dialog's flat button and edits (not shown: showing
// reads the list of names a job leaves).
TEST_F(FlatControlsTest, CommandLineAddDialogControls) {
  TContAddForm d(nullptr);
  CheckRows(&d, {
      {"FlatButton1", TFlatClass::FlatButton, "&Password...", 110, 24, "", nullptr},
      {"EditX1", TFlatClass::EditX, "", 100, 0, "", nullptr},
      {"EditX2", TFlatClass::EditX, "", 100, 0, "", nullptr},
  });
}

// The command-line add dialog's Password... asks twice; a Zip is then
// written enciphered (unzip needs the password), a BH target keeps the
// password for its writer, and LZH and CAB targets offer no password.
TEST_F(FlatControlsTest, CommandLineAddPasswordEnciphersTheArchive) {
  {
    std::ofstream list(ListFileName(), std::ios::binary);
    list << "1\r\n" << FDir << "\\src\\two.txt\r\n";
  }
  std::vector<std::string> answers = {"secret", "secret"}, asked;
  PasswordPrompt = [&](const std::string& Caption) {
    asked.push_back(Caption);
    const std::string a = answers.empty() ? std::string() : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return a;
  };
  struct Reset {
    ~Reset() {
      PasswordPrompt = nullptr;
      DeleteFile(ListFileName());
    }
  } reset;
  TContAddForm d(nullptr);
  d.Show();
  Application->ProcessMessages();
  ArchiveName = FDir + "\\p.zip";
  d.ApplyTargetFormat();
  ASSERT_TRUE(d.FlatButton1->Enabled());
  UiDriver::Click(d.FlatButton1);
  EXPECT_EQ(asked, (std::vector<std::string>{"Enter password", "Re-enter password"}));
  EXPECT_EQ(d.ZipPassword, "secret");
  d.OKClick();
  Application->ProcessMessages();
  std::string out;
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && unzip -t -P secret p.zip", &out), 0) << out;
  EXPECT_NE(RunPeer("cd '" + FHost + "' && unzip -t -P wrong p.zip", &out), 0) << out;

  // Entries that differ change nothing.
  answers = {"one", "two"};
  UiDriver::Click(d.FlatButton1);
  EXPECT_EQ(d.ZipPassword, "secret");
  ArchiveName = FDir + "\\p.bh";
  d.ApplyTargetFormat();
  ASSERT_TRUE(d.FlatButton1->Enabled());
  answers = {"bhpw", "bhpw"};
  UiDriver::Click(d.FlatButton1);
  EXPECT_EQ(d.BhPassword, "bhpw");
  for (const char* ext : {"\\p.lzh", "\\p.cab"}) {
    ArchiveName = FDir + ext;
    d.ApplyTargetFormat();
    EXPECT_FALSE(d.FlatButton1->Enabled()) << ext;
  }
  // An empty first entry clears the Zip password.
  ArchiveName = FDir + "\\p.zip";
  d.ApplyTargetFormat();
  answers = {""};
  UiDriver::Click(d.FlatButton1);
  EXPECT_EQ(d.ZipPassword, "");
}

// The converter's two "..." flat buttons open the file and folder choosers.
TEST_F(FlatControlsTest, ConverterBrowseButtons) {
  TARCConvForm d(nullptr);
  d.Show();
  Application->ProcessMessages();
  const std::string other = FDir + "\\src\\other.zip";
  ASSERT_EQ(RunPeer("cp '" + FHost + "/t.zip' '" + FHost + "/src/other.zip'"), 0);
  CheckRows(&d, {
      {"FlatButton1", TFlatClass::FlatButton, "...", 22, 21, "",
       [&](TControl* c) {
         UiDriver::TModalAnswerer answer;
         answer.Then([&](HWND Dialog, TCustomForm* F) {
           if (F) return false;
           HWND name = GetDlgItem(Dialog, 0x47c);
           if (!name) name = GetDlgItem(Dialog, 0x480);
           if (!name) return false;
           SetWindowTextA(name, other.c_str());
           PostMessageW(Dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
           return true;
         });
         UiDriver::Click(c);
         EXPECT_TRUE(answer.Done());
         EXPECT_TRUE(SameText(d.Edit1->Text(), other)) << d.Edit1->Text();
         EXPECT_TRUE(SameText(d.Edit2->Text(), FDir + "\\src\\other.BH")) << d.Edit2->Text();
       }},
      {"FlatButton2", TFlatClass::FlatButton, "...", 22, 21, "",
       [&](TControl* c) {
         UiDriver::TModalAnswerer answer;
         answer.PressButton("Cancel");
         UiDriver::Click(c);
         EXPECT_TRUE(answer.Done());
         EXPECT_TRUE(SameText(d.Edit2->Text(), FDir + "\\src\\other.BH")) << d.Edit2->Text();
       }},
  });
  d.Close();
  Application->ProcessMessages();
}

template <class F>
std::unique_ptr<TForm> Make() {
  return std::make_unique<F>(nullptr);
}

// Every text field of the dialogs is a flat edit whose height follows its
// font; no plain edit is left among them.
TEST_F(FlatControlsTest, EveryDialogTextFieldIsAFlatEdit) {
  struct DialogCase {
    const char* Dialog;
    std::function<std::unique_ptr<TForm>()> Create;
    std::vector<const char*> Fields;
  };
  const DialogCase cases[] = {
      {"add", Make<TAddForm>, {"CurrentFolder", "MAXVSize", "FREEon1st"}},
      {"converter", Make<TARCConvForm>, {"Edit1", "Edit2"}},
      {"check-out", Make<TCheckOut>, {"FolderName", "GroupName", "MaxIcons"}},
      {"configuration", Make<TConfigurationForm>,
       {"TempEdit", "CheckoutEdit", "StartUpEdit", "AddFromEdit", "ViewerEdit", "ScanParams"}},
      {"command-line add", Make<TContAddForm>, {"Edit1", "EditX1", "EditX2"}},
      {"delete", Make<TDeleteForm>, {"FileSpec"}},
      {"drag-and-drop", Make<TDragForm>, {"Edit1", "EditX1", "EditX2"}},
      {"self-extractor", Make<TEXEForm>, {"ArchiveName", "UnZIPTo", "Caption", "CommandLine"}},
      {"extract", Make<TExtractForm>, {"FileSpec"}},
      {"find", Make<TFindForm>, {"ftype", "SelSize"}},
      {"new folder", [] { return std::unique_ptr<TForm>(std::make_unique<TNFolderForm1>(nullptr, nullptr)); },
       {"Edit1"}},
      {"password", Make<TPasswordForm>, {"Password"}},
      {"rename archive", Make<TRenameForm>, {"Edit1"}},
      {"rename", Make<TRenameFForm>, {"FileName"}},
      {"file group", Make<TSelGroupForm>, {"typee"}},
      {"read span", Make<TReadSpanForm>, {"FromArc", "ToArc"}},
      {"write span", Make<TWriteSpanForm>, {"FromArc", "ToArc"}},
      {"uuencode", Make<TUUEncodeForm>, {"SourceFile", "DestFile"}},
      {"view", Make<TViewForm>, {"ViewerPath"}},
  };
  for (const DialogCase& c : cases) {
    SCOPED_TRACE(c.Dialog);
    std::unique_ptr<TForm> d = c.Create();
    for (const char* name : c.Fields) {
      SCOPED_TRACE(name);
      auto* e = dynamic_cast<TEditX*>(UiDriver::FindComponent(d.get(), name));
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->Height(), FontHeight(e) + 6);
    }
    for (int i = 0; i < d->ComponentCount(); ++i) {
      auto* e = dynamic_cast<TCustomEdit*>(d->Components(i));
      if (e && !dynamic_cast<TMemo*>(e)) {
        EXPECT_NE(dynamic_cast<TEditX*>(e), nullptr) << e->Name();
      }
    }
  }
}

}  // namespace
