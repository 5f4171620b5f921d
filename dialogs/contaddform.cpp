#include "dialogs/contaddform.h"

#include <algorithm>
#include <memory>

#include "app/cmdline.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/core/compbase.h"
#include "dialogs/controltable.h"
#include "dialogs/lneform.h"
#include "dialogs/passwordform.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"

namespace {

const char* const ZipLevels[] = {"Maximum (slowest)", "Normal", "Fast", "Super fast", "None"};

void SetItems(TComboBox* Box, std::initializer_list<const char*> Items, int Index) {
  Box->Items()->Clear();
  for (const char* i : Items) Box->Items()->Add(i);
  Box->SetItemIndex(Index);
}

std::string StartFolder() {
  return StartUpBaseFolder == 0 ? ProgramFolder() : StartUpBaseFolder == 2 ? StartUpFolder : LastOpenDir;
}

}  // namespace

TContAddForm::TContAddForm(TComponent* AOwner) : TForm(AOwner, "TContAddForm") {
  SetName("ContAddForm");
  SetCaption("Add");
  SetBounds(0, 0, 452, 330);
  SetBorderStyle(bsDialog);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label, "", 10, 8, 420, 14},
      {"GroupBox1", TControlKind::Group, "A&dd to archive:", 8, 26, 430, 50},
      {"Edit1", TControlKind::EditX, "", 10, 20, 250, 21, "GroupBox1"},
      {"Button3", TControlKind::Button, "&New...", 266, 18, 75, 24, "GroupBox1"},
      {"Button4", TControlKind::Button, "&Open...", 346, 18, 75, 24, "GroupBox1"},
      {"Label2", TControlKind::Label, "Ac&tion:", 10, 86, 100, 14},
      {"ComboBox1", TControlKind::Combo, "", 10, 102, 200, 21},
      {"Label3", TControlKind::Label, "&Compression:", 230, 86, 100, 14},
      {"ComboBox2", TControlKind::Combo, "", 230, 102, 200, 21},
      {"CheckBox2", TControlKind::Check, "Include system and hidden files", 10, 134, 230, 18},
      {"CheckBox1", TControlKind::Check, "&Save full folder info", 10, 154, 230, 18},
      {"CheckBox3", TControlKind::Check, "Recursive (look in sub-folders)...", 10, 174, 230, 18},
      {"FlatButton1", TControlKind::FlatButton, "&Password...", 300, 150, 110, 24},
      {"GroupBox4", TControlKind::Group, "&Multiple disk s&panning ", 8, 198, 430, 80},
      {"ComboBox3", TControlKind::Combo, "", 10, 20, 140, 21, "GroupBox4"},
      {"Label4", TControlKind::Label, "&Max. Volume Size:", 160, 22, 110, 14, "GroupBox4"},
      {"EditX1", TControlKind::EditX, "", 272, 18, 100, 21, "GroupBox4"},
      {"Label5", TControlKind::Label, "bytes", 378, 22, 40, 14, "GroupBox4"},
      {"Label6", TControlKind::Label, "FREE on 1st disk:", 160, 50, 110, 14, "GroupBox4"},
      {"EditX2", TControlKind::EditX, "", 272, 46, 100, 21, "GroupBox4"},
      {"Label7", TControlKind::Label, "bytes", 378, 50, 40, 14, "GroupBox4"},
      {"Button1", TControlKind::DefaultButton, "OK", 276, 288, 75, 25},
      {"Button2", TControlKind::CancelButton, "Cancel", 360, 288, 75, 25},
  });
  Label1 = Ctl<TLabel>(this, "Label1");
  Edit1 = Ctl<TEditX>(this, "Edit1");
  EditX1 = Ctl<TEditX>(this, "EditX1");
  EditX2 = Ctl<TEditX>(this, "EditX2");
  ComboBox1 = Ctl<TComboBox>(this, "ComboBox1");
  ComboBox2 = Ctl<TComboBox>(this, "ComboBox2");
  ComboBox3 = Ctl<TComboBox>(this, "ComboBox3");
  CheckBox1 = Ctl<TCheckBox>(this, "CheckBox1");
  CheckBox2 = Ctl<TCheckBox>(this, "CheckBox2");
  CheckBox3 = Ctl<TCheckBox>(this, "CheckBox3");
  Button1 = Ctl<TButton>(this, "Button1");
  Button2 = Ctl<TButton>(this, "Button2");
  Button3 = Ctl<TButton>(this, "Button3");
  Button4 = Ctl<TButton>(this, "Button4");
  FlatButton1 = Ctl<TButton>(this, "FlatButton1");
  Edit1->SetReadOnly(true);
  for (TComboBox* c : {ComboBox1, ComboBox2, ComboBox3}) c->SetStyle(csDropDownList);
  SetItems(ComboBox3, {"Automatic", "Custom", "No spanning..."}, 2);
  FlatButton1->OnClick = [this](TObject*) { PasswordClick(); };

  NewBox = new TOpenDialog(this);
  NewBox->Filter = "ZIP files|*.zip|CAB files|*.cab|LHA (LZH) files|*.lzh|BH (Bh) files|*.bh";
  NewBox->Options = ofHideReadOnly | ofPathMustExist | ofEnableSizing;
  OpenBox = new TOpenDialog(this);
  OpenBox->Filter =
      "Zip files|*.zip|CAB files|*.cab|LHA (LZH) files|*.lha;*.lzh|BH (Bh) files|*.bh|Archives and .exe "
      "files|*.exe;*.zip;*.lha;*.lzh;*.cab;*.bh";
  OpenBox->Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing;

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [](TObject*, TCloseAction&) {
    if (!MainForm) return;
    MainForm->SetEnabled(true);
    MainForm->ShowSelectionStatus();
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  ComboBox3->OnChange = [this](TObject*) {
    const bool custom = ComboBox3->ItemIndex() == 1;
    EditX1->SetEnabled(custom);
    EditX2->SetEnabled(custom);
  };
  Button1->OnClick = [this](TObject*) { OKClick(); };
  Button2->OnClick = [this](TObject*) { Close(); };
  Button3->OnClick = [this](TObject*) { ChooseArchive(true); };
  Button4->OnClick = [this](TObject*) { ChooseArchive(false); };
}

std::string TContAddForm::TargetFor(const std::string& FirstName, const std::string& Switch) {
  const std::string sw = AnsiLowerCase(Switch);
  const std::string ext = sw == "-acab" ? ".cab" : sw == "-alha" ? ".lzh" : sw == "-abh" ? ".bh" : ".zip";
  return ListTargetName(FirstName, ext);
}

void TContAddForm::FormShow() {
  Names = ReadListFile(ListFileName(), MaxListNames);
  if (MainForm) MainForm->SetEnabled(false);
  CentreOnMainWindow(this);
  const std::string text = Names.size() == 1 ? "Add file \"" + Names[0] + "\" to: "
                                             : "Add " + std::to_string(Names.size()) + " files to:";
  Label1->SetCaption(text);
  Label1->SetHint(text);
  ArchiveName = Names.empty() ? "" : TargetFor(Names[0], Application->ParamStr(1));
  ArchiveExt = AnsiLowerCase(ExtractFileExt(ArchiveName));
  BhPassword.clear();
  Edit1->SetText(ArchiveName);
  CheckBox1->SetChecked(SaveDirNames == 1);
  ApplyTargetFormat();
  ComboBox3->SetItemIndex(2);
  EditX1->SetText("1400000");
  EditX2->SetText("0");
  EditX1->SetEnabled(false);
  EditX2->SetEnabled(false);
  Button1->SetFocus();
}

void TContAddForm::ApplyTargetFormat() {
  ArchiveExt = AnsiLowerCase(ExtractFileExt(ArchiveName));
  const bool other = ArchiveExt == ".cab" || ArchiveExt == ".lzh" || ArchiveExt == ".bh";
  ComboBox2->SetEnabled(true);
  if (!other) {
    SetItems(ComboBox1, {"Add (and replace) files", "Freshen existing files", "Move files", "Update (and add) files"},
             0);
    SetItems(ComboBox2, {ZipLevels[0], ZipLevels[1], ZipLevels[2], ZipLevels[3], ZipLevels[4]},
             std::min<int>(DefaultCompression, 4));
    ComboBox2->SetEnabled(ArchiveExt != ".pk3");
    FlatButton1->SetEnabled(true);
    CheckBox3->SetEnabled(false);
    ComboBox3->SetEnabled(true);
    return;
  }
  SetItems(ComboBox1, {"Add (and replace) files", "Move files"}, 0);
  FlatButton1->SetEnabled(ArchiveExt == ".bh");
  if (ArchiveExt == ".bh") {
    DefaultCompression = std::min<uint8_t>(DefaultCompression, 4);
    SetItems(ComboBox2, {ZipLevels[0], ZipLevels[1], ZipLevels[2], ZipLevels[3], ZipLevels[4]}, DefaultCompression);
  } else if (ArchiveExt == ".lzh") {
    DefaultCompression = std::min<uint8_t>(DefaultCompression, 2);
    SetItems(ComboBox2, {"Maximum (slowest)", "Normal", "None"}, DefaultCompression);
  } else {
    DefaultCompression = std::min<uint8_t>(DefaultCompression, 3);
    SetItems(ComboBox2, {"MsZIP type", "Quantum", "LZX", "None"}, DefaultCompression);
  }
  CheckBox2->SetChecked(true);
  CheckBox3->SetEnabled(true);
  CheckBox3->SetChecked(true);
  ComboBox3->SetItemIndex(2);
  ComboBox3->SetEnabled(false);
  EditX1->SetEnabled(false);
  EditX2->SetEnabled(false);
}

void TContAddForm::PasswordClick() {
  const std::string first = AskPassword("Enter password", this);
  if (first.empty()) {
    ZipPassword.clear();
    return;
  }
  if (AskPassword("Re-enter password", this) != first) return;
  // A BH target keeps the entry too: emptied here, the password asked for
  // would never reach the BH writer and its files would go in unciphered.
  if (ArchiveExt == ".bh") BhPassword = first;
  else ZipPassword = first.substr(0, 255);
}

void TContAddForm::OpenTarget(const std::string& Name) {
  if (MainForm && FileExists(Name) && MainForm->OpenArchiveFile(Name)) MainForm->FillFileList();
  ArchiveName = Name;
  Edit1->SetText(Name);
  ApplyTargetFormat();
}

void TContAddForm::ChooseArchive(bool New) {
  TOpenDialog* box = New ? NewBox : OpenBox;
  box->InitialDir = StartFolder();
  if (!box->Execute()) return;
  std::string name = box->FileName;
  if (New && ExtractFileExt(name).empty()) {
    static const char* const Exts[] = {".zip", ".cab", ".lzh", ".bh"};
    name += Exts[std::clamp(box->FilterIndex, 1, 4) - 1];
  }
  if (New && FileExists(name)) {
    if (Application->MessageBox("Cannot create \"" + name + "\". file already exists. Open existing file?", "Quillon",
                                MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
  } else if (New && MainForm) {
    MainForm->CloseArchiveClick(this);
  }
  OpenTarget(name);
}

void TContAddForm::OKClick() {
  Close();
  SetEnabled(false);
  Added = true;
  if (!LnEForm) Application->CreateForm<TLnEForm>();
  LnEForm->Cancelled = false;
  if (ArchiveExt == ".cab" || ArchiveExt == ".lzh" || ArchiveExt == ".bh") AddWithWriter();
  else AddZip();
}

void TContAddForm::AddWithWriter() {
  std::unique_ptr<TCompBase> writer(WriterFor(MainForm, ArchiveExt));
  writer->RecurseDirs = CheckBox3->Checked();
  LnEForm->Begin("Quillon - Compressing...", 100);
  writer->SetDefaultDir("");
  writer->StoredDirNames = CheckBox1->Checked() ? TStoredDirNames::sdAbsoluteNoDrv : TStoredDirNames::sdNone;
  if (ArchiveExt == ".bh" && !BhPassword.empty()) writer->Password = BhPassword;
  const int level = ComboBox2->ItemIndex();
  using CM = TCompressMethod;
  if (ArchiveExt == ".bh") {
    static const TDeflateType Types[4] = {TDeflateType::dtDeflateX, TDeflateType::dtDeflateN,
                                          TDeflateType::dtDeflateF, TDeflateType::dtDeflateS};
    if (level >= 0 && level < 4) {
      writer->SetCompressMethod(CM::cmDeflate);
      writer->SetDeflateType(Types[level]);
    } else {
      writer->SetCompressMethod(CM::cmStore);
    }
  } else if (ArchiveExt == ".lzh") {
    writer->SetCompressMethod(level == 0 ? CM::cmFrozen5 : level == 1 ? CM::cmFrozen1 : CM::cmStore);
  } else {
    writer->SetCompressMethod(level == 0 ? CM::cmMsZip : level == 1 ? CM::cmQuantum : level == 2 ? CM::cmLzx
                                                                                              : CM::cmStore);
  }
  writer->Switch = ComboBox1->ItemIndex() == 1 ? TSwitch::swMove : TSwitch::swAdd;
  AddResult = CompressNames(writer.get(), ArchiveName, Names) < 0 ? 1 : 0;
}

void TContAddForm::AddZip() {
  int64_t total = 0;
  for (const std::string& n : Names) total += IsFolder(n) ? FolderBytes(n) : std::max<int64_t>(GetFileSize64(n), 0);
  static const uint16_t Actions[4] = {0, zaFreshen, zaMove, zaUpdate};
  static const int Levels[5] = {9, 7, 4, 2, 0};
  const int action = std::clamp(ComboBox1->ItemIndex(), 0, 3);
  TZipAddJob job;
  job.Archive = ArchiveName;
  job.TempDir = Temp;
  job.Level = Levels[std::clamp(ComboBox2->ItemIndex(), 0, 4)];
  uint16_t span = 0;
  if (ComboBox3->ItemIndex() == 0) {
    span = zaDiskSpan;
  } else if (ComboBox3->ItemIndex() == 1) {
    span = zaDiskSpan;
    job.MaxVolumeSize = job.MinFreeVolumeSize = std::max(StrToIntDef(EditX1->Text(), 0), 0);
    job.KeepFreeOnDisk1 = std::max(StrToIntDef(EditX2->Text(), 0), 0);
  }
  const uint16_t hidden = CheckBox2->Checked() ? zaHiddenFiles : 0;
  const bool full = CheckBox1->Checked();
  const uint16_t encrypt = ZipPassword.empty() ? 0 : zaEncrypt;
  job.Options = zaRecurseDirs | Actions[action] | span | zaDirNames | hidden | encrypt;
  SetZipPassword(LnEForm->ZipBridge2, ZipPassword);
  LnEForm->Begin("Quillon - Compressing file(s)...", TByteProgress::MaxFor(total));
  bool pending = false;
  int failed = 0;
  job.Specs.clear();
  for (const std::string& n : Names) {
    if (!IsFolder(n)) continue;
    if (full) {
      SetCurrentDir(ExtractFilePath(Names[0]));
      job.Specs.push_back(IncludeTrailingBackslash(n) + "*.*");
      pending = true;
    } else {
      SetCurrentDir(n);
      job.Specs = {"*.*"};
      if (!LnEForm->Cancelled && RunZipAdd(job) <= 0) ++failed;
      pending = false;
    }
  }
  if (pending && !LnEForm->Cancelled && RunZipAdd(job) <= 0) ++failed;
  job.Options = Actions[action] | span | hidden | (full ? zaDirNames : 0) | encrypt;
  job.Specs.clear();
  for (const std::string& n : Names)
    if (!IsFolder(n) && !SameText(ExpandFileName(n), ExpandFileName(ArchiveName))) job.Specs.push_back(n);
  if (!job.Specs.empty() && !LnEForm->Cancelled && RunZipAdd(job) <= 0) ++failed;
  // The progress window's component serves later jobs, which set their own.
  SetZipPassword(LnEForm->ZipBridge2, "");
  AddResult = failed || LnEForm->Cancelled ? 1 : 0;
}
