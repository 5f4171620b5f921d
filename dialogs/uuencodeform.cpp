#include "dialogs/uuencodeform.h"

#include "app/mainform.h"
#include "archive/formats/uue/uuencode.h"
#include "archive/lister/arclister.h"
#include "controls/views/browsedr.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

int UUVolumeKBytes(int Index) {
  static const int KBytes[] = {0, 100, 500, 1024, 1229, 1434, 1741, 2048};
  return Index >= 0 && Index < 8 ? KBytes[Index] : 0;
}

bool CanCreateFile(const std::string& Name) {
  // An existing file is the user's: it is opened without truncating it and
  // never removed.
  HANDLE h = CreateFileA(Name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return true;
  }
  if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  h = CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  DeleteFile(Name);
  return true;
}

TUUEncodeForm::TUUEncodeForm(TComponent* AOwner) : TForm(AOwner, "TUUEncodeForm") {
  SetName("UUEncodeForm");
  SetCaption("UUEncode / XXEncode");
  SetBounds(0, 0, 430, 232);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"SourceL", TControlKind::Label, "&Source file:", 8, 10, 100, 14},
      {"SourceFile", TControlKind::EditX, "", 8, 26, 300, 21},
      {"DestL", TControlKind::Label, "&Destination file:", 8, 54, 100, 14},
      {"DestFile", TControlKind::EditX, "", 8, 70, 276, 21},
      {"Browse", TControlKind::Button, "...", 286, 70, 22, 21},
      {"CheckBox1", TControlKind::Check, "Write Decode Table To File", 8, 150, 220, 18},
      {"SpanL", TControlKind::Label, "S&panning size:", 8, 176, 100, 14},
      {"SpanningMode", TControlKind::Combo, "", 110, 172, 120, 21},
      {"OKButton", TControlKind::DefaultButton, "&OK", 340, 8, 75, 25},
      {"CancelButton", TControlKind::CancelButton, "&Cancel", 340, 38, 75, 25},
  });
  SourceFile = Ctl<TEditX>(this, "SourceFile");
  SourceFile->SetReadOnly(true);
  DestFile = Ctl<TEditX>(this, "DestFile");
  Browse = Ctl<TButton>(this, "Browse");
  CheckBox1 = Ctl<TCheckBox>(this, "CheckBox1");
  SpanningMode = Ctl<TComboBox>(this, "SpanningMode");
  SpanningMode->SetStyle(csDropDownList);
  for (const char* s : {"No spanning", "100 kbytes", "500 kbytes", "1.0 MB", "1.2 MB", "1.4 MB", "1.7 MB", "2.0 MB"})
    SpanningMode->Items()->Add(s);
  OKButton = Ctl<TButton>(this, "OKButton");
  CancelButton = Ctl<TButton>(this, "CancelButton");
  RadioGroup1 = new TRadioGroup(this);
  RadioGroup1->SetName("RadioGroup1");
  RadioGroup1->SetParent(this);
  RadioGroup1->SetBounds(8, 98, 300, 44);
  RadioGroup1->SetCaption(" Encode Method ");
  RadioGroup1->SetColumns(2);
  RadioGroup1->Items()->Add("UUencode");
  RadioGroup1->Items()->Add("XXencode");
  UUEncode1 = new TUUEncode(this);
  UUEncode1->SetName("UUEncode1");

  OnShow = [this](TObject*) { FormShow(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  RadioGroup1->OnClick = [this](TObject* S) { RadioGroup1Click(S); };
  Browse->OnClick = [this](TObject* S) { BrowseClick(S); };
  OKButton->OnClick = [this](TObject* S) { OKClick(S); };
  CancelButton->OnClick = [this](TObject*) { Close(); };
}

void TUUEncodeForm::FormShow() {
  RadioGroup1->SetItemIndex(0);
  CentreOnMainWindow(this);
  if (OKButton->CanFocus()) OKButton->SetFocus();
  if (MainForm && MainForm->ArcLister1 && !MainForm->ArcLister1->ArchiveFile().empty()) {
    SourceFile->SetText(MainForm->ArcLister1->ArchiveFile());
    DestFile->SetText(ChangeFileExt(SourceFile->Text(), ".uue"));
  }
  if (ArchiveExt == ".zip" || ArchiveExt == ".exe") {
    SourceFile->SetText(ArchiveName);
    DestFile->SetText(ChangeFileExt(ArchiveName, ".uue"));
  }
  SpanningMode->SetItemIndex(0);
  CheckBox1->SetChecked(false);
}

void TUUEncodeForm::RadioGroup1Click(TObject*) {
  DestFile->SetText(ChangeFileExt(DestFile->Text(), RadioGroup1->ItemIndex() == 1 ? ".xxe" : ".uue"));
}

void TUUEncodeForm::BrowseClick(TObject*) {
  std::string folder = ExtractFilePath(DestFile->Text());
  if (folder.size() > 3) folder = ExcludeTrailingBackslash(folder);
  TBrowseDirectoryDlg dlg(nullptr);
  dlg.Options = 1 << bfDirectoriesOnly;
  dlg.SetSelection(folder);
  if (!dlg.Execute()) return;
  DestFile->SetText(IncludeTrailingBackslash(dlg.Selection()) + ExtractFileName(DestFile->Text()));
}

void TUUEncodeForm::OKClick(TObject*) {
  OperationFailed = 0;
  const std::string dest = DestFile->Text();
  if (!CanCreateFile(dest)) {
    OperationFailed = 1;
    AppMessageBox("Can't create file: " + dest, mtError, mbOK);
  }
  UUEncode1->SetArchiveFile(SourceFile->Text());
  UUEncode1->SetOutFilename(dest);
  UUEncode1->KBytesPerVolume = UUVolumeKBytes(SpanningMode->ItemIndex());
  UUEncode1->WriteTableToFile = CheckBox1->Checked();
  const HCURSOR old = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  UUEncode1->SetCompressMethod(RadioGroup1->ItemIndex() == 1 ? TCompressMethod::cmXXEncode
                                                            : TCompressMethod::cmUUEncode);
  Close();
  // A failure is the encoder's to report; it only keeps the success box away.
  try {
    if (UUEncode1->Compress() < 1) OperationFailed = 1;
  } catch (const std::exception&) {
    OperationFailed = 1;
  }
  ::SetCursor(old);
  if (OperationFailed == 0)
    AppMessageBox("Archive encoded as " + UUEncode1->OutFilename() + ".", mtInformation, mbOK);
}
