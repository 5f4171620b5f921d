#include "dialogs/arcconvform.h"

#include <shlwapi.h>

#include "app/mainform.h"
#include "app/settings.h"
#include "app/utils.h"
#include "archive/convert/arc2arc.h"
#include "archive/core/arcerrors.h"
#include "controls/views/browsedr.h"
#include "dialogs/controltable.h"
#include "dialogs/passwordform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/dialogs.h"

namespace {

const std::string RuleLine(76, '#');
const std::string Ok = "        --> OK";
const std::string Failed = "        --> Failed";

std::string NowText() { return DosDateText(DateTimeToFileDate(Now())); }

}  // namespace

bool ConvVolumeQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  TForm box(nullptr, "TVolumeBox");
  box.SetName("VolumeBox");
  box.SetCaption(Caption);
  box.SetBorderStyle(bsDialog);
  box.SetClientWidth(345);
  box.SetClientHeight(95);
  BuildControlTable(&box, {
      {"Prompt", TControlKind::Label, "", 8, 10, 329, 14},
      {"Value", TControlKind::EditX, "", 8, 30, 329, 21},
      {"OKButt", TControlKind::DefaultButton, "OK", 182, 62, 75, 25},
      {"CancelButt", TControlKind::CancelButton, "Cancel", 262, 62, 75, 25},
  });
  Ctl<TLabel>(&box, "Prompt")->SetCaption(Prompt);
  auto* edit = Ctl<TEditX>(&box, "Value");
  edit->SetText(Value);
  Ctl<TButton>(&box, "OKButt")->OnClick = [&box](TObject*) { box.SetModalResult(mrOk); };
  Ctl<TButton>(&box, "CancelButt")->OnClick = [&box](TObject*) { box.SetModalResult(mrCancel); };
  CentreOnMainWindow(&box);
  if (box.ShowModal() != mrOk) return false;
  Value = edit->Text();
  return true;
}

std::string ConvOutputExt(int Index) {
  static const char* const Exts[] = {".BH", ".CAB", ".LHA", ".ZIP", ".TAR", ".TAR"};
  return Index >= 0 && Index < 6 ? Exts[Index] : ".ZIP";
}

std::string ConvOutputName(const std::string& Input, int Index) {
  const std::string ext = ConvOutputExt(Index);
  std::string name = ChangeFileExt(Input, ext);
  const std::string base = ChangeFileExt(Input, "");
  for (int n = 1; SameText(ExpandFileName(name), ExpandFileName(Input)); ++n)
    name = base + "_" + std::to_string(n) + ext;
  return name;
}

TARCConvForm::TARCConvForm(TComponent* AOwner) : TForm(AOwner, "TARCConvForm") {
  SetName("ARCConvForm");
  SetCaption("Archive Converter");
  SetBounds(0, 0, 520, 420);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label, "&Input file:", 8, 10, 80, 14},
      {"Edit1", TControlKind::EditX, "", 90, 8, 300, 21},
      {"FlatButton1", TControlKind::FlatButton, "...", 392, 8, 22, 21},
      {"Label2", TControlKind::Label, "&Output file:", 8, 38, 80, 14},
      {"Edit2", TControlKind::EditX, "", 90, 36, 300, 21},
      {"FlatButton2", TControlKind::FlatButton, "...", 392, 36, 22, 21},
      {"CheckBox1", TControlKind::Check, "Integrity C&heck", 300, 138, 120, 18},
      {"btnOK", TControlKind::DefaultButton, "&OK", 432, 8, 75, 25},
      {"CloseButton", TControlKind::CancelButton, "&Cancel", 432, 38, 75, 25},
  });
  Edit1 = Ctl<TEditX>(this, "Edit1");
  Edit2 = Ctl<TEditX>(this, "Edit2");
  FlatButton1 = Ctl<TButton>(this, "FlatButton1");
  FlatButton2 = Ctl<TButton>(this, "FlatButton2");
  CheckBox1 = Ctl<TCheckBox>(this, "CheckBox1");
  btnOK = Ctl<TButton>(this, "btnOK");
  CloseButton = Ctl<TButton>(this, "CloseButton");

  RadioGroup1 = new TRadioGroup(this);
  RadioGroup1->SetName("RadioGroup1");
  RadioGroup1->SetParent(this);
  RadioGroup1->SetBounds(8, 66, 416, 66);
  RadioGroup1->SetCaption(" Output Archive type ");
  RadioGroup1->SetColumns(3);
  for (const char* t : {"Bh (BH)", "Cabinet (CAB)", "Lzh (LHA)", "Zip (ZIP)", "Tar (TAR)", "GZipTar (TGZ)"})
    RadioGroup1->Items()->Add(t);
  RadioGroup2 = new TRadioGroup(this);
  RadioGroup2->SetName("RadioGroup2");
  RadioGroup2->SetParent(this);
  RadioGroup2->SetBounds(8, 136, 280, 62);
  RadioGroup2->SetCaption(" Method ");
  RadioGroup2->Items()->Add("Create &New Archive");
  RadioGroup2->Items()->Add("&Add Files to Archive");

  ListBox1 = new TListBox(this);
  ListBox1->SetName("ListBox1");
  ListBox1->SetParent(this);
  ListBox1->SetBounds(8, 206, 500, 140);
  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetParent(this);
  ProgressBar1->SetBounds(8, 352, 500, 12);
  ProgressBar2 = new TProgressBar(this);
  ProgressBar2->SetName("ProgressBar2");
  ProgressBar2->SetParent(this);
  ProgressBar2->SetBounds(8, 368, 500, 12);
  for (TProgressBar* p : {ProgressBar1, ProgressBar2}) {
    p->SetVisible(false);
    p->SetHint("Click when red to cancel operation");
  }
  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetName("StatusBar1");
  StatusBar1->SetParent(this);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->SetSimplePanel(true);

  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Filter =
      "All archives|*.cab;*.arj;*.ace;*.arc;*.zoo;*.lzh;*.lha;*.jar;*.zip;*.rar;*.tar;*.tar.gz;*.gz;*.z;*.tgz";
  OpenDialog1->Title = "Select existing archive...";
  OpenDialog1->Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing;
  Arc2Arc1 = new TArc2Arc(this);
  Arc2Arc1->SetName("Arc2Arc1");
  Arc2Arc1->DateAttribute = TDateAttribute::daSysDate;
  BindEvents();

  OnShow = [this](TObject*) { FormShow(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  Edit1->OnChange = [this](TObject*) { EditChange(); };
  Edit2->OnChange = [this](TObject*) { EditChange(); };
  RadioGroup1->OnClick = [this](TObject* S) { RadioGroup1Click(S); };
  FlatButton1->OnClick = [this](TObject*) { FlatButton1Click(); };
  FlatButton2->OnClick = [this](TObject*) { FlatButton2Click(); };
  CloseButton->OnClick = [this](TObject*) { Close(); };
  btnOK->OnClick = [this](TObject* S) { btnOKClick(S); };
  RadioGroup1->SetItemIndex(0);
  RadioGroup2->SetItemIndex(0);
  CheckBox1->SetChecked(true);
}

void TARCConvForm::FormShow() {
  ListBox1->Items()->Clear();
  FConverted = false;
  CentreOnMainWindow(this);
  if (!ArchiveName.empty()) {
    Edit1->SetText(ArchiveName);
    Edit2->SetText(ConvOutputName(ArchiveName, RadioGroup1->ItemIndex()));
    if (btnOK->CanFocus()) btnOK->SetFocus();
  } else if (Edit1->CanFocus()) {
    Edit1->SetFocus();
  }
  EditChange();
}

void TARCConvForm::EditChange() { btnOK->SetEnabled(!Edit1->Text().empty() && !Edit2->Text().empty()); }

void TARCConvForm::RadioGroup1Click(TObject*) {
  const int type = RadioGroup1->ItemIndex();
  CheckBox1->SetEnabled(type != 1 && type != 5);
  if (type == 1) RadioGroup2->SetItemIndex(0);
  RadioGroup2->SetEnabled(type != 1);
  if (!Edit2->Text().empty()) {
    // The output keeps its own folder and name; only the input must not be met.
    std::string out = ChangeFileExt(Edit2->Text(), ConvOutputExt(type));
    if (!Edit1->Text().empty() && SameText(ExpandFileName(out), ExpandFileName(Edit1->Text())))
      out = ConvOutputName(Edit1->Text(), type);
    Edit2->SetText(out);
  }
}

void TARCConvForm::FlatButton1Click() {
  switch (StartUpBaseFolder) {
    case 0: OpenDialog1->InitialDir = ProgramFolder(); break;
    case 1: OpenDialog1->InitialDir = LastOpenDir; break;
    default: OpenDialog1->InitialDir = StartUpFolder; break;
  }
  if (!OpenDialog1->Execute()) return;
  Edit1->SetText(OpenDialog1->FileName);
  Edit2->SetText(ConvOutputName(OpenDialog1->FileName, RadioGroup1->ItemIndex()));
}

void TARCConvForm::FlatButton2Click() {
  if (Edit2->Text().empty()) return;
  TBrowseDirectoryDlg dlg(nullptr);
  dlg.Options = 1 << bfDirectoriesOnly;
  dlg.SetSelection(ExcludeTrailingBackslash(ExtractFilePath(Edit2->Text())));
  if (!dlg.Execute()) return;
  Edit2->SetText(IncludeTrailingBackslash(dlg.Selection()) + ExtractFileName(Edit2->Text()));
}

void TARCConvForm::Log(const std::string& Line) {
  ListBox1->Items()->Add(Line);
  ListBox1->SetTopIndex(std::max(0, ListBox1->Items()->Count() - 1));
}

void TARCConvForm::Status(const std::string& Text) { StatusBar1->SetSimpleText(Text); }

std::string TARCConvForm::Shortened(const std::string& Name) {
  char buf[MAX_PATH] = {};
  lstrcpynA(buf, Name.c_str(), MAX_PATH);
  HDC dc = GetDC(StatusBar1->Handle());
  HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(StatusBar1->Handle(), WM_GETFONT, 0, 0)));
  PathCompactPathA(dc, buf, UINT(std::max(StatusBar1->Width() - 100, 40)));
  SelectObject(dc, old);
  ReleaseDC(StatusBar1->Handle(), dc);
  return buf;
}

void TARCConvForm::BindEvents() {
  TArc2Arc* c = Arc2Arc1;
  auto rule = [this](const std::string& Text) {
    Log(RuleLine);
    Log(Text);
    Log(RuleLine);
  };
  c->OnExtractActivate = [this, rule](TObject*) { rule("ArchiveFile: " + Arc2Arc1->ArchiveFile()); };
  c->OnExtractBegin = [this](TObject*, const std::string& FN, int, bool&) {
    Status(" Processing: " + Shortened(FN));
    Log("Processing: " + FN);
  };
  c->OnExtractEnd = [this](TObject*, const std::string&, bool Pass) {
    Status("");
    ProgressBar1->SetPosition(0);
    ProgressBar2->SetPosition(0);
    Log(Pass ? Ok : Failed);
    if (!Pass) {
      FFailed = true;
      AppMessageBox("Error while extracting...", mtError, mbOK);
    }
  };
  c->OnExtractDeactivate = [this](TObject*) {
    Log("Extracting done.");
    Log("");
  };
  c->OnIntegrityActivate = [this, rule](TObject*) { rule("Verifing: " + Arc2Arc1->OutArchiveFile); };
  c->OnIntegrityBegin = [this](TObject*, const std::string& FN) {
    Status(" Verifying:  " + FN);
    Log(" Verifying:  " + FN);
  };
  c->OnIntegrityStatus = [this](TObject*, const std::string&, bool Pass) { Log(Pass ? Ok : Failed); };
  c->OnIntegrityDeactivate = [this](TObject*) {
    Log("Testing done.");
    Log("");
  };
  c->OnCompressActivate = [this, rule](TObject*) {
    rule((Arc2Arc1->OutArcMethod == TOutArcMethod::amAddToArc ? "Add to Archive --> " : "New Archive --> ") +
         Arc2Arc1->OutArchiveFile);
  };
  c->OnCompressBegin = [this](TObject*, const std::string& FN, int, bool&) {
    Status(" Compressing: " + Shortened(FN));
    Log("Compressing: " + FN);
  };
  c->OnCompressEnd = [this](TObject*, const std::string&, bool Pass) {
    Status("");
    Log(Pass ? Ok : Failed);
    ProgressBar1->Repaint();
    ProgressBar2->Repaint();
  };
  c->OnCompressDeactivate = [this](TObject*) {
    Log("Compressing Done.");
    Log("");
  };
  c->OnRemoveTempfile = [this](TObject*, const std::string& FN) { Log(" Removed: " + FN); };
  c->OnProgress = [this](TObject*, uint8_t File, uint8_t Total) {
    ProgressBar1->SetPosition(File);
    ProgressBar2->SetPosition(Total);
  };
  c->OnError = [this](TObject*, const std::string& FN, const std::string&, const std::string&, int Code) {
    FFailed = true;
    AppMessageBox("Error: " + ArcMessage(Code) + "\r\rFilename: " + FN, mtError, mbOK);
  };
  c->OnGetPassword = [](TObject*, const std::string&, std::string& Password, bool& TryAgain) {
    const std::string entered = AskPassword();
    TryAgain = !entered.empty();
    if (TryAgain) Password = entered;
  };
  c->OnNextVolume = [this](TObject*, std::string& VolumeName, const std::string& VolumeID, bool FExists,
                           bool& Cancel) {
    Cancel = false;
    if (FExists) return;
    std::string name = VolumeName;
    if (ConvVolumeQuery(ExtractFileName(VolumeName), "Volume ID: " + VolumeID, name)) {
      VolumeName = name;
      return;
    }
    // Without the volume the set is cut short: nothing is to be built from
    // the part before it.
    Cancel = true;
    Arc2Arc1->SetCancel(true);
  };
  c->OnFileExists = [this](TObject*, const std::string& FN, TDateTime, TOverwriteMode& Mode) {
    const bool add = Arc2Arc1->OutArcMethod == TOutArcMethod::amAddToArc;
    const std::string text =
        "Filename: " + FN + "\r\rFile already exists, " + (add ? "add files?" : "overwrite?");
    if (AppMessageBox(text, mtConfirmation, mbYes | mbNo) != mrYes) Mode = TOverwriteMode::omSkip;
  };
}

void TARCConvForm::btnOKClick(TObject*) {
  FConverted = false;
  for (TProgressBar* p : {ProgressBar1, ProgressBar2}) {
    p->SetPosition(0);
    p->SetVisible(true);
  }
  Status("");
  ListBox1->Items()->Clear();
  Log(RuleLine);
  Log(" Quillon 2000 v1.0 Archive Converter -- " + NowText());
  Log("http://www.quillon2000.com/");
  Log("");
  Arc2Arc1->SetArchiveFile(Edit1->Text());
  Arc2Arc1->OutArchiveFile = Edit2->Text();
  Arc2Arc1->OutArcType = TOutArcType(RadioGroup1->ItemIndex());
  Arc2Arc1->OutArcMethod = TOutArcMethod(RadioGroup2->ItemIndex());
  Arc2Arc1->IntegrityCheck = CheckBox1->Enabled() && CheckBox1->Checked();
  btnOK->SetEnabled(false);
  FFailed = false;
  bool ok = false;
  // A failure was shown by the error handler; it must not end in the
  // success message nor escape the click.
  try {
    ok = Arc2Arc1->Activate();
  } catch (const std::exception&) {
    ok = false;
  }
  btnOK->SetEnabled(true);
  for (TProgressBar* p : {ProgressBar1, ProgressBar2}) {
    p->SetVisible(false);
    p->SetPosition(0);
  }
  Status(Arc2Arc1->Cancel ? "User canceled..." : "Done...");
  Log(RuleLine);
  Log(" Done. -- " + NowText());
  Log(RuleLine);
  // An entry that could not be taken over (a wrong or withheld password, a
  // damaged entry) was reported: the result is no successful conversion.
  if (!ok || Arc2Arc1->Cancel || FFailed) return;
  FConverted = true;
  AppMessageBox("Archive successfully converted.", mtInformation, mbOK);
  Close();
}
