#include "dialogs/deleteform.h"

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/operation.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/formats/bh/bhwriter.h"
#include "archive/formats/cab/makecab.h"
#include "archive/formats/lha/lhawriter.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

namespace {

bool IsWriterFormat(const std::string& Ext) { return Ext == ".cab" || Ext == ".lzh" || Ext == ".bh"; }

}  // namespace

std::string DeleteMask(const std::string& Text) {
  std::string mask = AnsiLowerCase(Text);
  if (mask.empty()) return mask;
  if (mask.front() == '.') mask = "*" + mask;
  if (mask.back() == '.') mask += "*";
  return mask;
}

TDeleteForm::TDeleteForm(TComponent* AOwner) : TForm(AOwner, "TDeleteForm") {
  SetName("DeleteForm");
  SetCaption("Delete");
  SetBorderStyle(bsDialog);
  SetClientWidth(261);
  SetClientHeight(104);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"DeleteModeGroup", TControlKind::Group, " Files ", 8, 4, 165, 92},
      {"DeleteEntire", TControlKind::Radio, "&Entire archive", 10, 18, 150, 18, "DeleteModeGroup"},
      {"SelectedFiles", TControlKind::Radio, "&Selected files", 10, 40, 150, 18, "DeleteModeGroup"},
      {"CFiles", TControlKind::Radio, "&Files:", 10, 63, 50, 18, "DeleteModeGroup"},
      {"FileSpec", TControlKind::EditX, "", 62, 61, 95, 21, "DeleteModeGroup"},
      {"DeleteButt", TControlKind::DefaultButton, "Delete", 182, 10, 72, 25},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 182, 40, 72, 25},
      {"HelpButt", TControlKind::Button, "&Help", 182, 70, 72, 25},
  });
  DeleteModeGroup = Ctl<TGroupBox>(this, "DeleteModeGroup");
  DeleteEntire = Ctl<TRadioButton>(this, "DeleteEntire");
  SelectedFiles = Ctl<TRadioButton>(this, "SelectedFiles");
  CFiles = Ctl<TRadioButton>(this, "CFiles");
  FileSpec = Ctl<TEditX>(this, "FileSpec");
  DeleteButt = Ctl<TButton>(this, "DeleteButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  HelpButt = Ctl<TButton>(this, "HelpButt");

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [](TObject*, TCloseAction&) {
    if (!MainForm) return;
    MainForm->SetEnabled(true);
    MainForm->ShowSelectionStatus();
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  CFiles->OnClick = [this](TObject*) {
    if (FileSpec->CanFocus()) FileSpec->SetFocus();
  };
  FileSpec->OnChange = [this](TObject*) { CFiles->SetChecked(true); };
  DeleteButt->OnClick = [this](TObject* S) { DeleteButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
  HelpButt->OnClick = [](TObject*) { OpenHelpTopic("deletefiles.html"); };
}

void TDeleteForm::FormShow() {
  CentreOnMainWindow(this);
  FileSpec->SetText("");
  if (MainForm) MainForm->SetEnabled(false);
  const std::vector<int> rows = MainForm ? MainForm->SelectedRows() : std::vector<int>();
  const bool selectable = !rows.empty() && size_t(rows.front()) < FileTable.size() &&
                          !IsParentRecord(FileTable[size_t(rows.front())]);
  const bool entire = !(ArchiveExt == ".lzh" || ArchiveExt == ".bh");
  DeleteEntire->SetEnabled(entire);
  SelectedFiles->SetEnabled(selectable);
  if (selectable) SelectedFiles->SetChecked(true);
  else if (entire) DeleteEntire->SetChecked(true);
  else CFiles->SetChecked(true);
  if (DeleteButt->CanFocus()) DeleteButt->SetFocus();
}

std::vector<std::string> TDeleteForm::DeleteSpecs() {
  std::vector<std::string> specs;
  auto spec = [](const TFile& F) { return F.Path + F.Name + (IsFolderRecord(F) ? "*.*" : ""); };
  // The whole archive, whichever folder level the list shows.
  if (DeleteEntire->Checked() && DeleteEntire->Enabled()) {
    specs.push_back("*.*");
    return specs;
  }
  const std::string mask = DeleteMask(FileSpec->Text());
  const bool byMask = CFiles->Checked();
  if (byMask && mask.empty()) return specs;
  for (const TFile& f : FileTable) {
    if (IsParentRecord(f)) continue;
    const bool take = byMask ? MatchWildcard(AnsiLowerCase(f.Name), mask, true) ||
                                   (IsFolderRecord(f) &&
                                    MatchWildcard(AnsiLowerCase(f.Name.substr(0, f.Name.size() - 1)), mask, true))
                             : f.Selected != 0;
    if (take) specs.push_back(spec(f));
  }
  return specs;
}

TCompBase* TDeleteForm::WriterFor(const std::string& Ext) {
  TCompBase*& w = FWriters[Ext];
  if (!w) {
    if (Ext == ".cab") w = new TMakeCAB(this);
    else if (Ext == ".lzh") w = new TLha(this);
    else w = new TBh(this);
  }
  return w;
}

void TDeleteForm::DeleteButtClick(TObject*) {
  SetBusyState(true);
  if (MainForm) MainForm->ViewLastOutput->SetEnabled(true);
  ClearOperationLog();
  const std::vector<std::string> specs = DeleteSpecs();
  if (!IsWriterFormat(ArchiveExt)) {
    if (!specs.empty()) DeleteZipEntries(MainForm->ZipBridge, specs, [](int Code, const std::string& Text) {
        LogLine(Text);
        if (Code > 0) AppMessageBox("Error Msg: " + Text, mtCustom, mbOK);
      });
  } else if (!specs.empty()) {
    TCompBase* writer = WriterFor(ArchiveExt);
    writer->RecurseDirs = true;
    writer->SetArchiveFile(ArchiveName);
    writer->FileSpec()->Clear();
    for (const std::string& s : specs) writer->FileSpec()->Add(s);
    writer->Switch = TSwitch::swDelete;
    writer->OnError = [](TObject*, const std::string&, const std::string& Message, const std::string&, int) {
      LogLine(Message);
    };
    CompressorRunning = 1;
    try {
      writer->Compress();
    } catch (const std::exception& E) {
      AppMessageBox(E.what(), mtError, mbOK);
    }
    CompressorRunning = 0;
  }
  Close();
  if (MainForm) MainForm->ReloadAfterChange();
  SetBusyState(false);
}
