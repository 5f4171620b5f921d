#include "dialogs/dragform.h"

#include <algorithm>

#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/formats/bh/bhwriter.h"
#include "archive/formats/cab/makecab.h"
#include "archive/formats/lha/lhawriter.h"
#include "dialogs/controltable.h"
#include "dialogs/passwordform.h"
#include "framework/core/sysutils.h"

namespace {

bool IsWriterFormat(const std::string& Ext) { return Ext == ".lzh" || Ext == ".cab" || Ext == ".bh"; }

int64_t FolderSize(const std::string& Folder) {
  int64_t total = 0;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((IncludeTrailingBackslash(Folder) + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string n = fd.cFileName;
    if (n == "." || n == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) total += FolderSize(IncludeTrailingBackslash(Folder) + n);
    } else {
      total += (int64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return total;
}


}  // namespace

TDragForm::TDragForm(TComponent* AOwner) : TForm(AOwner, "TDragForm") {
  SetName("DragForm");
  SetCaption("Drag and Drop");
  SetBorderStyle(bsDialog);
  SetClientWidth(329);
  SetClientHeight(413);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label, "", 8, 8, 313, 14},
      {"GroupBox1", TControlKind::Group, "", 8, 28, 313, 78},
      {"Label2", TControlKind::Label, "A&dd to archive:", 8, 14, 200, 14, "GroupBox1"},
      {"Edit1", TControlKind::EditX, "", 8, 30, 296, 21, "GroupBox1"},
      {"Button3", TControlKind::Button, "&New...", 148, 52, 75, 23, "GroupBox1"},
      {"Button4", TControlKind::Button, "&Open...", 229, 52, 75, 23, "GroupBox1"},
      {"Label3", TControlKind::Label, "Ac&tion:", 8, 116, 90, 14},
      {"ComboBox1", TControlKind::Combo, "", 100, 112, 221, 21},
      {"Label4", TControlKind::Label, "&Compression:", 8, 144, 90, 14},
      {"ComboBox2", TControlKind::Combo, "", 100, 140, 221, 21},
      {"CheckBox2", TControlKind::Check, "Include system and hidden files", 8, 172, 313, 18},
      {"CheckBox1", TControlKind::Check, "&Save full folder info", 8, 194, 313, 18},
      {"CheckBox3", TControlKind::Check, "Recursive (look in sub-folders)...", 8, 216, 313, 18},
      {"FlatButton1", TControlKind::FlatButton, "&Password...", 8, 240, 90, 25},
      {"GroupBox4", TControlKind::Group, "&Multiple disk s&panning ", 8, 272, 313, 96},
      {"ComboBox3", TControlKind::Combo, "", 8, 18, 296, 21, "GroupBox4"},
      {"Label5", TControlKind::Label, "&Max. Volume Size:", 8, 46, 110, 14, "GroupBox4"},
      {"EditX1", TControlKind::EditX, "1400000", 120, 42, 130, 21, "GroupBox4"},
      {"Label6", TControlKind::Label, "FREE on 1st disk:", 8, 70, 110, 14, "GroupBox4"},
      {"EditX2", TControlKind::EditX, "0", 120, 66, 130, 21, "GroupBox4"},
      {"Button1", TControlKind::DefaultButton, "OK", 84, 380, 75, 25},
      {"Button2", TControlKind::CancelButton, "Cancel", 165, 380, 75, 25},
      {"HelpButt", TControlKind::Button, "&Help", 246, 380, 75, 25},
  });
  Label1 = Ctl<TLabel>(this, "Label1");
  Edit1 = Ctl<TEditX>(this, "Edit1");
  Edit1->SetReadOnly(true);
  Button1 = Ctl<TButton>(this, "Button1");
  Button2 = Ctl<TButton>(this, "Button2");
  Button3 = Ctl<TButton>(this, "Button3");
  Button4 = Ctl<TButton>(this, "Button4");
  HelpButt = Ctl<TButton>(this, "HelpButt");
  FlatButton1 = Ctl<TButton>(this, "FlatButton1");
  ComboBox1 = Ctl<TComboBox>(this, "ComboBox1");
  ComboBox2 = Ctl<TComboBox>(this, "ComboBox2");
  ComboBox3 = Ctl<TComboBox>(this, "ComboBox3");
  for (TComboBox* c : {ComboBox1, ComboBox2, ComboBox3}) c->SetStyle(csDropDownList);
  for (const char* i : {"Automatic", "Custom", "No spanning..."}) ComboBox3->Items()->Add(i);
  CheckBox1 = Ctl<TCheckBox>(this, "CheckBox1");
  CheckBox2 = Ctl<TCheckBox>(this, "CheckBox2");
  CheckBox3 = Ctl<TCheckBox>(this, "CheckBox3");
  GroupBox4 = Ctl<TGroupBox>(this, "GroupBox4");
  EditX1 = Ctl<TEditX>(this, "EditX1");
  EditX2 = Ctl<TEditX>(this, "EditX2");
  ZipBridge1 = CreateZipBridge(this, nullptr, "ZipBridge1");
  newbox = new TOpenDialog(this);
  newbox->SetName("newbox");
  newbox->Filter = "ZIP files|*.zip|CAB files|*.cab|LHA (LZH) files|*.lzh|BH (Bh)|*.bh";
  newbox->Options |= ofPathMustExist;
  Openbox = new TOpenDialog(this);
  Openbox->SetName("Openbox");
  Openbox->Filter = "ZIP files|*.zip|CAB files|*.cab|LHA files|*.lzh;*.lha|BH (Bh)|*.bh|Archives and .exe "
                    "files|*.exe;*.zip;*.lzh;*.lha;*.cab;*.bh";
  Openbox->Options |= ofPathMustExist | ofFileMustExist;

  OnShow = [this](TObject*) { FormShow(); };
  CloseLikeMainDialog(this);
  Edit1->OnChange = [this](TObject*) { Button1->SetEnabled(!Edit1->Text().empty()); };
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  Button2->OnClick = [this](TObject*) { Close(); };
  HelpButt->OnClick = [](TObject*) { OpenHelpTopic("dragdrop04.html"); };
  FlatButton1->OnClick = [this](TObject*) {
    const std::string first = AskPassword("Enter password", this);
    SetPasswordAnswers(first, first.empty() ? std::string() : AskPassword("Re-enter password", this));
  };
  Button3->OnClick = [this](TObject*) {
    newbox->InitialDir = InitialFolder();
    if (!newbox->Execute()) return;
    std::string name = newbox->FileName;
    static const char* const exts[4] = {".zip", ".cab", ".lzh", ".bh"};
    if (ExtractFileExt(name).empty()) name += exts[std::clamp(newbox->FilterIndex, 1, 4) - 1];
    if (FileExists(name)) {
      if (MessageBoxA(Handle(), ("Cannot create \"" + name + "\". file already exists. Open existing file?").c_str(),
                      "Quillon", MB_YESNO | MB_ICONQUESTION) == IDYES)
        OpenTarget(name);
      return;
    }
    if (MainForm) MainForm->CloseArchiveClick(this);
    OpenTarget(name);
  };
  Button4->OnClick = [this](TObject*) {
    Openbox->InitialDir = InitialFolder();
    if (Openbox->Execute()) OpenTarget(Openbox->FileName);
  };
  ComboBox3->OnChange = [this](TObject*) {
    const bool custom = ComboBox3->ItemIndex() == 1;
    EditX1->SetEnabled(custom);
    EditX2->SetEnabled(custom);
  };
}

std::string TDragForm::InitialFolder() const {
  if (StartUpBaseFolder == 1) return LastOpenDir;
  if (StartUpBaseFolder == 2) return StartUpFolder;
  return ProgramFolder();
}

void TDragForm::SetPasswordAnswers(const std::string& First, const std::string& Second) {
  if (First.empty()) FPassword.clear();
  else if (First == Second) FPassword = First.substr(0, 255);
}

void TDragForm::OpenTarget(const std::string& Name) {
  if (!MainForm) return;
  // A new archive is not a file yet: the window shows it empty until the add.
  if (FileExists(Name) && MainForm->OpenArchiveFile(Name)) MainForm->FillFileList();
  Edit1->SetText(Name);
  FormShow();
}

void TDragForm::FillLists() {
  const std::string ext = AnsiLowerCase(ExtractFileExt(Edit1->Text()));
  const bool writer = IsWriterFormat(ext);
  ComboBox1->Items()->Clear();
  ComboBox2->Items()->Clear();
  if (writer) {
    for (const char* a : {"Add (and replace) files", "Move files"}) ComboBox1->Items()->Add(a);
  } else {
    for (const char* a : {"Add (and replace) files", "Freshen existing files", "Move files", "Update (and add) files"})
      ComboBox1->Items()->Add(a);
  }
  std::vector<const char*> levels = {"Maximum (slowest)", "Normal", "Fast", "Super fast", "None"};
  int top = 4;
  if (ext == ".lzh") {
    levels = {"Maximum (slowest)", "Normal", "None"};
    top = 2;
  } else if (ext == ".cab") {
    levels = {"MsZIP type", "Quantum", "LZX", "None"};
    top = 3;
  }
  for (const char* l : levels) ComboBox2->Items()->Add(l);
  if (DefaultCompression > top) DefaultCompression = uint8_t(top);
  ComboBox1->SetItemIndex(0);
  ComboBox2->SetItemIndex(DefaultCompression);
  ComboBox2->SetEnabled(ext != ".pk3");
}

void TDragForm::FormShow() {
  if (MainForm) MainForm->SetEnabled(false);
  CentreOnMainWindow(this);
  if (Dropped.size() == 1) Label1->SetCaption("File dragged: " + Dropped.front());
  else Label1->SetCaption("Files dragged: " + std::to_string(Dropped.size()));
  Label1->SetHint(Label1->Caption());
  if (Edit1->Text().empty()) Edit1->SetText(ArchiveName);
  Button1->SetEnabled(!Edit1->Text().empty());
  const std::string ext = AnsiLowerCase(ExtractFileExt(Edit1->Text()));
  const bool writer = IsWriterFormat(ext);
  FillLists();
  if (writer) CheckBox2->SetChecked(true);
  CheckBox3->SetEnabled(writer);
  CheckBox3->SetChecked(writer);
  FlatButton1->SetEnabled(!(ext == ".lzh" || ext == ".cab"));
  GroupBox4->SetEnabled(!writer);
  ComboBox3->SetItemIndex(2);
  EditX1->SetText("1400000");
  EditX2->SetText("0");
  ComboBox3->OnChange(ComboBox3);
  FPassword.clear();
  if (Button1->CanFocus()) Button1->SetFocus();
}

void TDragForm::Button1Click(TObject*) {
  const std::string target = Edit1->Text();
  if (target.empty() || Dropped.empty()) return;
  const bool writer = IsWriterFormat(AnsiLowerCase(ExtractFileExt(target)));
  const int spanning = !writer && GroupBox4->Enabled() ? ComboBox3->ItemIndex() : 2;
  int maxSize = 0, freeSize = 0;
  if (spanning == 1) {
    try {
      maxSize = StrToInt(EditX1->Text());
      freeSize = StrToInt(EditX2->Text());
    } catch (const Exception& E) {
      AppMessageBox(E.what(), mtError, mbOK);
      return;
    }
  }
  SetBusyState(true);
  if (MainForm) MainForm->ViewLastOutput->SetEnabled(true);
  ClearOperationLog();
  Close();
  Application->ProcessMessages();
  bool spanned = false;
  if (writer) AddWithWriter();
  else spanned = AddWithZip(spanning, maxSize, freeSize);
  SetBusyState(false);
  Edit1->SetText("");
  if (!MainForm) return;
  if (!spanned) {
    if (MainForm->OpenArchiveFile(target)) MainForm->FillFileList();
    return;
  }
  // A new archive has no file of its own name: only its numbered volumes.
  if (FileExists(target)) MainForm->OpenArchiveFile(target);
  AppMessageBox("Now, because you were creating spanning disks, you have to open \rthe last archive of this archive set.",
                mtConfirmation, mbOK);
  MainForm->CloseArchiveClick(this);
  MainForm->UpdateHistoryMenu();
}

void TDragForm::AddWithWriter() {
  const std::string target = Edit1->Text();
  const std::string ext = AnsiLowerCase(ExtractFileExt(target));
  std::unique_ptr<TCompBase> writer;
  if (ext == ".lzh") writer.reset(new TLha(nullptr));
  else if (ext == ".cab") writer.reset(new TMakeCAB(nullptr));
  else writer.reset(new TBh(nullptr));
  const std::string base = ExtractFilePath(Dropped.front());
  CompressorRunning = 1;
  TOperationScope op(MainForm, 100);
  writer->OnProgress = [&op](TObject*, uint8_t, uint8_t ByArchive) { op.SetPercent(ByArchive); };
  writer->RecurseDirs = CheckBox3->Checked();
  SetCurrentDir(base);
  writer->SetArchiveFile(target);
  writer->SetDefaultDir(base);
  writer->StoredDirNames = CheckBox1->Checked() ? TStoredDirNames::sdAbsoluteNoDrv : TStoredDirNames::sdNone;
  if (ext == ".bh") writer->Password = FPassword;
  const int level = std::max(ComboBox2->ItemIndex(), 0);
  using M = TCompressMethod;
  if (ext == ".lzh") {
    const M methods[3] = {M::cmFrozen5, M::cmFrozen1, M::cmStore};
    writer->SetCompressMethod(methods[std::min(level, 2)]);
  } else if (ext == ".cab") {
    const M methods[4] = {M::cmMsZip, M::cmQuantum, M::cmLzx, M::cmStore};
    writer->SetCompressMethod(methods[std::min(level, 3)]);
  } else {
    const TDeflateType types[4] = {dtDeflateX, dtDeflateN, dtDeflateF, dtDeflateS};
    writer->SetCompressMethod(level >= 4 ? M::cmStore : M::cmDeflate);
    if (level < 4) writer->SetDeflateType(types[level]);
  }
  writer->Switch = ComboBox1->ItemIndex() == 1 ? TSwitch::swMove : TSwitch::swAdd;
  TStringList specs;
  for (const std::string& d : Dropped)
    specs.Add(DirectoryExists(d) ? IncludeTrailingBackslash(d) + "*.*" : d);
  writer->SetFileSpec(&specs);
  try {
    if (specs.Count() > 0) writer->Compress();
  } catch (const std::exception& E) {
    LogLine(E.what());
  }
  CompressorRunning = 0;
}

bool TDragForm::AddWithZip(int Spanning, int MaxSize, int FreeSize) {
  const std::string target = Edit1->Text();
  const bool pk3 = AnsiLowerCase(ExtractFileExt(target)) == ".pk3";
  std::vector<std::string> folders, files;
  int64_t total = 0;
  for (const std::string& d : Dropped) {
    if (DirectoryExists(d)) {
      folders.push_back(ExcludeTrailingBackslash(d));
      total += FolderSize(d);
    } else {
      files.push_back(d);
      total += std::max<int64_t>(GetFileSize64(d), 0);
    }
  }
  static const int levels[5] = {9, 7, 4, 2, 0};
  const int action = ComboBox1->ItemIndex();
  TOperationScope op(MainForm, TByteProgress::MaxFor(total));
  TZipAddJob job;
  job.Archive = target;
  job.Level = pk3 ? 0 : levels[std::clamp(ComboBox2->ItemIndex(), 0, 4)];
  job.TempDir = Temp;
  static const uint16_t Actions[4] = {0, zaFreshen, zaMove, zaUpdate};
  uint16_t common = Actions[action >= 0 && action <= 3 ? action : 0];
  if (CheckBox2->Checked()) common |= zaHiddenFiles;
  // The folders' files are encrypted as the loose files are.
  if (!FPassword.empty()) common |= zaEncrypt;
  SetZipPassword(ZipBridge1, FPassword);
  job.Progress = [&op](int Type, const std::string& Name, int64_t Bytes) {
    if (Type == 0) MainForm->SPanel1->SetCaption("Adding \"" + Name + "\"");
    op.AddBytes(Bytes);
    if (Type == 2) MainForm->SPanel1->SetCaption("");
    Application->ProcessMessages();
  };
  job.Message = [this](int ErrCode, const std::string& Text) {
    LogLine(Text);
    if (ErrCode > 0) AppMessageBox("Error Msg: " + Text, mtError, mbOK);
  };
  if (!folders.empty()) {
    job.Options = common | zaRecurseDirs | zaDirNames;
    if (CheckBox1->Checked()) {
      SetCurrentDir(ExtractFilePath(Dropped.front()));
      job.Specs.clear();
      for (const std::string& f : folders) job.Specs.push_back(f + "\\*.*");
      AddToZip(ZipBridge1, job);
    } else {
      // Each folder's content goes in below its own name-less root.
      for (const std::string& f : folders) {
        SetCurrentDir(f);
        job.Specs = {"*.*"};
        AddToZip(ZipBridge1, job);
      }
    }
  }
  // Only the files' pass writes a spanned set; the folders went into the
  // archive named, in the unspanned pass before.
  bool spanned = false;
  if (!files.empty()) {
    job.Options = common | (CheckBox1->Checked() ? zaDirNames : 0);
    if (Spanning != 2) job.Options |= zaDiskSpan;
    if (Spanning == 1) {
      job.MaxVolumeSize = job.MinFreeVolumeSize = MaxSize;
      job.KeepFreeOnDisk1 = FreeSize;
    }
    job.Specs = files;
    spanned = AddToZip(ZipBridge1, job) > 0 && Spanning != 2;
  }
  SetZipPassword(ZipBridge1, "");
  return spanned;
}
