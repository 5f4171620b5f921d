#include "dialogs/renameform.h"

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/zipaccess.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

bool EntryNameTaken(int Row, const std::string& NewName) {
  const std::string want = AnsiLowerCase(NewName);
  for (int r = 0; r < int(FileTable.size()); ++r)
    if (r != Row && AnsiLowerCase(FileTable[size_t(r)].Name) == want) return true;
  return false;
}

TRenameFForm::TRenameFForm(TComponent* AOwner) : TForm(AOwner, "TRenameFForm") {
  SetName("RenameFForm");
  SetCaption("Rename");
  SetBounds(0, 0, 360, 110);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"FileNameL", TControlKind::Label, "File &name:", 8, 12, 80, 14},
      {"FileName", TControlKind::EditX, "", 8, 30, 250, 21},
      {"OKButton", TControlKind::DefaultButton, "OK", 268, 8, 75, 25},
      {"CancelButton", TControlKind::CancelButton, "Cancel", 268, 38, 75, 25},
  });
  FileName = Ctl<TEditX>(this, "FileName");
  OKButton = Ctl<TButton>(this, "OKButton");
  CancelButton = Ctl<TButton>(this, "CancelButton");
  OnShow = [this](TObject*) { FormShow(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  OKButton->OnClick = [this](TObject* S) { OKClick(S); };
  CancelButton->OnClick = [this](TObject*) { Close(); };
}

void TRenameFForm::FormShow() {
  FRow = -1;
  if (MainForm)
    for (int r : MainForm->SelectedRows())
      if (r >= 0 && r < int(FileTable.size())) {
        FRow = r;
        break;
      }
  FileName->SetText(FRow >= 0 ? FileTable[size_t(FRow)].Name : std::string());
  if (FileName->CanFocus()) FileName->SetFocus();
}

void TRenameFForm::OKClick(TObject*) {
  const std::string name = FileName->Text();
  if (EntryNameTaken(FRow, name)) {
    AppMessageBox("The file name " + name + " already exists.", mtError, mbOK);
    return;
  }
  if (FRow >= 0 && MainForm && !name.empty() && name != FileTable[size_t(FRow)].Name) {
    TFile& f = FileTable[size_t(FRow)];
    RefreshZipArchive(MainForm->ZipBridge, ArchiveName);
    const int result = RenameZipEntry(MainForm->ZipBridge, f.Path + f.Name, f.Path + name, f.FileDate);
    if (result != 0)
      AppMessageBox("Error " + std::to_string(result) + " occurred while renaming the Zip entry", mtError, mbOK);
    f.Name = name;
    MainForm->RefreshClick(this);
  }
  Close();
}
