#include "dialogs/renamearcform.h"

#include "app/mainform.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "controls/views/gradcaption.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

void SplitAtFirstDot(const std::string& FileName, std::string& Base, std::string& Ext) {
  const size_t dot = FileName.find('.');
  Base = FileName.substr(0, dot);
  Ext = dot == std::string::npos ? std::string() : FileName.substr(dot);
}

TRenameForm::TRenameForm(TComponent* AOwner) : TForm(AOwner, "TRenameForm") {
  SetName("RenameForm");
  SetCaption("Rename");
  SetBorderStyle(bsDialog);
  SetClientWidth(267);
  SetClientHeight(83);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label, "From:", 8, 10, 40, 14},
      {"Label3", TControlKind::Label, "", 48, 10, 130, 14},
      {"Label4", TControlKind::Label, "", 180, 10, 80, 14},
      {"Label2", TControlKind::Label, "&To:", 8, 34, 40, 14},
      {"Edit1", TControlKind::EditX, "", 48, 31, 130, 21},
      {"Label5", TControlKind::Label, "", 180, 34, 80, 14},
      {"Button1", TControlKind::DefaultButton, "OK", 104, 56, 75, 24},
      {"Button2", TControlKind::CancelButton, "Cancel", 186, 56, 75, 24},
  });
  Label3 = Ctl<TLabel>(this, "Label3");
  Label4 = Ctl<TLabel>(this, "Label4");
  Label5 = Ctl<TLabel>(this, "Label5");
  Edit1 = Ctl<TEditX>(this, "Edit1");
  Button1 = Ctl<TButton>(this, "Button1");
  Button2 = Ctl<TButton>(this, "Button2");
  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [](TObject*, TCloseAction&) {
    if (MainForm) MainForm->SetEnabled(true);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  Button2->OnClick = [this](TObject*) { Close(); };
}

void TRenameForm::FormShow() {
  if (MainForm) MainForm->SetEnabled(false);
  CentreOnMainWindow(this);
  std::string base, ext;
  SplitAtFirstDot(ExtractFileName(ArchiveName), base, ext);
  Label3->SetCaption(base);
  Label4->SetCaption(ext);
  Label5->SetCaption(ext);
  Edit1->SetText(base);
  if (Edit1->CanFocus()) Edit1->SetFocus();
  Edit1->SelectAll();
}

void TRenameForm::Button1Click(TObject*) {
  const std::string target = ExtractFilePath(ArchiveName) + Edit1->Text() + Label5->Caption();
  // The shown name follows the file only when it really moved.
  if (target == ArchiveName) {
    Close();
    return;
  }
  if (Edit1->Text().empty() || !FileExists(ArchiveName) ||
      !MoveFileA(ArchiveName.c_str(), target.c_str())) {
    AppMessageBox("Cannot rename " + ExtractFileName(ArchiveName) + " to " + ExtractFileName(target) + ".",
                  mtError, mbOK);
    Close();
    return;
  }
  ArchiveName = target;
  if (ArchiveExt != ".rar" && MainForm) SetZipArchive(MainForm->ZipBridge, ArchiveName);
  if (MainForm) {
    const std::string name = AnsiLowerCase(ExtractFileName(ArchiveName));
    MainForm->SetCaption("Quillon 2000 - " + name);
    MainForm->GradientCaption1->Captions()->Items(1)->SetCaption(" - " + name);
    Application->SetTitle(MainForm->GradientCaption1->Captions()->Items(0)->Caption() + " - " + name);
    ActiveFile1 = ArchiveName;
    MainForm->UpdateHistoryMenu();
  }
  Close();
}
