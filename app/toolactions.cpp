// The small tool windows of the main window: find, the archive converter,
// the disk-span windows, the properties pop-ups, UUencode, and turning a
// self-extractor back into a Zip.
#include "app/toolactions.h"

#include "app/mainform.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "dialogs/arcconvform.h"
#include "dialogs/filepropform.h"
#include "dialogs/findform.h"
#include "dialogs/spanform.h"
#include "dialogs/uuencodeform.h"
#include "dialogs/zippropform.h"
#include "framework/core/sysutils.h"

namespace {

// The window of class T the main window owns, made on first use.
template <class T>
T* OwnedForm(TMainForm* Form, const char* Name) {
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (auto* f = dynamic_cast<T*>(Form->Components(i)); f && f->Name() == Name) return f;
  auto* f = new T(Form);
  f->SetName(Name);
  return f;
}

}  // namespace

void InstallToolActions(TMainForm* Form) {
  Form->UUencode->OnClick = [Form](TObject*) { OwnedForm<TUUEncodeForm>(Form, "UUEncodeForm")->ShowModal(); };
}

void SelectMainListRows(const std::vector<int>& Rows) {
  if (!MainForm) return;
  for (int r : Rows) MainForm->SetRowSelected(r, true);
  MainForm->ShowSelectionStatus();
}

void TMainForm::FindFiles2Click(TObject*) {
  if (ArchiveName.empty()) return;
  OwnedForm<TFindForm>(this, "FindForm")->ShowModal();
  ShowSelectionStatus();
}

void TMainForm::Archiveconverter1Click(TObject*) { OwnedForm<TARCConvForm>(this, "ARCConvForm")->ShowModal(); }

void TMainForm::ReadDiskSpanClick(TObject*) { OwnedForm<TReadSpanForm>(this, "ReadSpanForm")->ShowModal(); }

void TMainForm::WriteDiskSpanClick(TObject*) { OwnedForm<TWriteSpanForm>(this, "WriteSpanForm")->ShowModal(); }

void TMainForm::PPropertiesClick(TObject*) {
  if (ArchiveName.empty()) return;
  if (!ZipPropForm) ZipPropForm = new TZipPropForm(this);
  ZipPropForm->Show();
}

void TMainForm::PFilePropertiesClick(TObject*) {
  if (ArchiveName.empty() || SelectedRows().empty()) return;
  OwnedForm<TFilePropForm>(this, "FilePropForm")->ShowModal();
}

void TMainForm::ExeToZipClick(TObject*) {
  if (ArchiveName.empty()) return;
  if (ConvertSfxFile(ZipBridge, ArchiveName) != 0) {
    AppMessageBox("Error Msg: " + ZipErrorText(ZipBridge), mtError, mbOK);
    return;
  }
  // The Zip is what the user asked for: it is shown and leads the recent
  // list, the self-extractor follows it.
  const std::string zip = ZipArchiveName(ZipBridge);
  if (ReplaceArchive(zip) && ActiveFile1 != zip) {
    ActiveFile5 = ActiveFile4;
    ActiveFile4 = ActiveFile3;
    ActiveFile3 = ActiveFile2;
    ActiveFile2 = ActiveFile1;
    ActiveFile1 = zip;
  }
  UpdateHistoryMenu();
}

void TMainForm::AddFilePopUpItems() {
  TMenuItem* items = FilePopUp->Items();
  TMenuItem* edit = UiFind(MainMenu1->Items(), "Edit1");
  TMenuItem* invert = edit ? UiFind(edit, "InvertSelection") : nullptr;
  // Each pop-up item and the command whose state it shares.
  std::vector<std::pair<TMenuItem*, TMenuItem*>> twins;
  auto add = [&](const char* Name, const char* Caption, TMenuItem* Twin, TNotifyEvent Click) {
    TMenuItem* item = AddItem(items, Name, Caption, std::move(Click));
    if (Twin) twins.emplace_back(item, Twin);
  };
  add("PInvertSelection", "Invert Selection", invert, [invert](TObject* S) {
    if (invert && invert->OnClick) invert->OnClick(S);
  });
  AddItem(items, "", "-");
  add("PView", "&View...", ViewFiles, [this](TObject* S) { ViewClick(S); });
  add("PExtract", "&Extract...", ExtractFiles, [this](TObject* S) { ExtractButtonClick(S); });
  add("PDelete", "&Delete...", DeleteFiles, [this](TObject* S) { DeleteClick(S); });
  add("PAdd", "&Add...", AddFiles, [this](TObject* S) { AddButtonClick(S); });
  AddItem(items, "", "-");
  add("PVirusScan", "Vi&rus Scan", VirusScan, [this](TObject* S) {
    if (VirusScan->OnClick) VirusScan->OnClick(S);
  });
  add("PFileProperties", "P&roperties...", nullptr, [this](TObject* S) { PFilePropertiesClick(S); });
  FilePopUp->OnPopup = [twins](TObject*) {
    for (const auto& [item, twin] : twins) item->SetEnabled(twin->Enabled());
  };
}
