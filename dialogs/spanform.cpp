#include "dialogs/spanform.h"

#include "app/mainform.h"
#include "app/zipaccess.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

TReadSpanForm::TReadSpanForm(TComponent* AOwner, const char* ClassName) : TForm(AOwner, ClassName) {
  SetName(ClassName + 1);
  SetCaption("Read disk span...");
  SetBounds(0, 0, 420, 200);
  SetBorderStyle(bsDialog);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"FromArcL", TControlKind::Label, "&Spanned archive to convert:", 8, 8, 300, 14},
      {"FromArc", TControlKind::EditX, "", 8, 24, 300, 21},
      {"FromArcButton", TControlKind::Button, "...", 310, 24, 24, 21},
      {"ToArcL", TControlKind::Label, "Put the converted &single archive here:", 8, 50, 300, 14},
      {"ToArc", TControlKind::EditX, "", 8, 66, 300, 21},
      {"ToArcButton", TControlKind::Button, "...", 310, 66, 24, 21},
      {"Explain", TControlKind::Label,
       "Converts a spanned archive to a single file.\rIf there are more than one disks in that set, please "
       "\rselect the last archive of that set.",
       8, 92, 300, 42},
      {"OKButt", TControlKind::DefaultButton, "OK", 340, 24, 70, 24},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 340, 54, 70, 24},
  });
  FromArc = Ctl<TEditX>(this, "FromArc");
  ToArc = Ctl<TEditX>(this, "ToArc");
  FromArcButton = Ctl<TButton>(this, "FromArcButton");
  ToArcButton = Ctl<TButton>(this, "ToArcButton");
  OKButt = Ctl<TButton>(this, "OKButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetParent(this);
  ProgressBar1->SetBounds(8, 138, 400, 16);
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->Filter = "ZIP files|*.zip";
  ZipBridge1 = CreateZipBridge(this, [](int ErrCode, const std::string& Message) {
    if (ErrCode > 0) AppMessageBox("Error Msg: " + Message, mtError, mbOK);
  }, "ZipBridge1");

  OnShow = [this](TObject*) { FormShow(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  FromArc->OnChange = [this](TObject*) { FromArcChange(); };
  ToArc->OnChange = [this](TObject*) { FromArcChange(); };
  FromArcButton->OnClick = [this](TObject*) { Browse(FromArc, "Locate spanned archive...", true); };
  ToArcButton->OnClick = [this](TObject*) { Browse(ToArc, "Where to put converted archive...", false); };
  OKButt->OnClick = [this](TObject*) { OKButtClick(); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
}

void TReadSpanForm::FormShow() {
  for (TWinControl* c : std::initializer_list<TWinControl*>{FromArc, ToArc, OKButt, CancelButt}) c->SetEnabled(true);
  CentreOnMainWindow(this);
  FromArc->SetText(ArchiveName);
  ToArc->SetText(FDefaultTarget);
  SetClientHeight(FClientHeight);
  FromArc->SetFocus();
  FromArcChange();
}

void TReadSpanForm::FromArcChange() {
  OKButt->SetEnabled(FileExists(FromArc->Text()) && !ToArc->Text().empty() &&
                     AnsiLowerCase(FromArc->Text()) != AnsiLowerCase(ToArc->Text()));
}

void TReadSpanForm::Browse(TEditX* Edit, const std::string& Title, bool MustExist) {
  OpenDialog1->Title = Title;
  OpenDialog1->Options = ofHideReadOnly | ofPathMustExist | ofShareAware | ofEnableSizing |
                         (MustExist ? ofFileMustExist : TOpenOptions(0));
  OpenDialog1->InitialDir = ExtractFilePath(Edit->Text());
  if (!OpenDialog1->Execute()) return;
  std::string name = OpenDialog1->FileName;
  if (!MustExist && ExtractFileExt(name).empty()) name += ".zip";
  Edit->SetText(name);
}

void TReadSpanForm::Report(const std::string& Text, bool Error) {
  LastMessage = Text;
  AppMessageBox(Text, Error ? mtError : mtInformation, mbOK);
}

bool TReadSpanForm::ZipNameChecked() {
  if (AnsiLowerCase(ExtractFileExt(FromArc->Text())) == ".zip") return true;
  Report("The is not ZIP archive (this operation can only be done on ZIP files).", true);
  return false;
}

void TReadSpanForm::OKButtClick() {
  if (!ZipNameChecked()) return;
  const std::string from = FromArc->Text();
  if (!ZipIsSpanned(ZipBridge1, from)) {
    Report("The file to convert is not a spanned archive.", true);
    return;
  }
  for (TWinControl* c : std::initializer_list<TWinControl*>{FromArc, ToArc, OKButt}) c->SetEnabled(false);
  Close();
  std::string out = ToArc->Text();
  // Success is what the join returned and a file that is there, not merely
  // a name left in the output.
  const int result = ReadSpanned(ZipBridge1, from, out);
  if (result == 0 && !out.empty() && FileExists(out)) Report("File " + out + " successfully created.", false);
  else Report("Creation failed.", true);
}

TWriteSpanForm::TWriteSpanForm(TComponent* AOwner) : TReadSpanForm(AOwner, "TWriteSpanForm") {
  SetCaption("Write disk span...");
  FDefaultTarget = "c:\\Spanned.zip";
  FClientHeight = 163;
  SpanningMode = new TComboBox(this);
  SpanningMode->SetName("SpanningMode");
  SpanningMode->SetParent(this);
  SpanningMode->SetBounds(120, 92, 120, 21);
  SpanningMode->SetStyle(csDropDownList);
  for (const char* i : {"Automatic", "100 kb", "500 kb", "720 kb", "1200 kb", "1400 kb", "1700 kb", "2000 kb", "2800 kb"})
    SpanningMode->Items()->Add(i);
  auto* label = new TLabel(this);
  label->SetParent(this);
  label->SetCaption("S&panning size:");
  label->SetBounds(8, 95, 110, 14);
  Ctl<TLabel>(this, "FromArcL")->SetCaption("&Single archive to span:");
  Ctl<TLabel>(this, "ToArcL")->SetCaption("Location of the spanned files:");
  auto* explain = Ctl<TLabel>(this, "Explain");
  explain->SetCaption("Converts a single archive to an archive spanned across multiple disks.");
  explain->SetTop(118);
  ProgressBar1->SetTop(142);
  FromArcButton->OnClick = [this](TObject*) { Browse(FromArc, "Locate single archive...", true); };
  ToArcButton->OnClick = [this](TObject*) { Browse(ToArc, "Where to put spanned archive(s)...", false); };
}

void TWriteSpanForm::FormShow() {
  TReadSpanForm::FormShow();
  SpanningMode->SetItemIndex(0);
}

int TWriteSpanForm::VolumeSize(int ItemIndex) {
  static const int Kb[9] = {0, 100, 500, 720, 1200, 1400, 1700, 2000, 2800};
  return ItemIndex > 0 && ItemIndex < 9 ? Kb[ItemIndex] * 1024 : 0;
}

void TWriteSpanForm::OKButtClick() {
  if (!ZipNameChecked()) return;
  const std::string from = FromArc->Text();
  if (ZipIsSpanned(ZipBridge1, from)) {
    Report("The file to convert is already spanned archive.", true);
    return;
  }
  for (TWinControl* c : std::initializer_list<TWinControl*>{FromArc, ToArc, OKButt}) c->SetEnabled(false);
  Close();
  LastResult = WriteSpanned(ZipBridge1, from, ToArc->Text(), VolumeSize(SpanningMode->ItemIndex()));
  if (LastResult == 0) Report("File " + from + " successfully spanned.", false);
  else Report("Creation failed.", true);
}
