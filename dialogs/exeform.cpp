#include "dialogs/exeform.h"

#include "app/mainform.h"
#include "app/settings.h"
#include "app/sfxbuilder.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "dialogs/controltable.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "framework/ui/winapi.h"

#include <shellapi.h>

namespace {

constexpr int64_t SpareBytes = 100000;

int64_t DriveFreeBytes(const std::string& Path) {
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExA(ExtractFileDrive(Path).append("\\").c_str(), &free, nullptr, nullptr)) return -1;
  return int64_t(free.QuadPart);
}

bool HasDriveLetter(const std::string& Name) { return Name.size() >= 2 && std::isalpha(uint8_t(Name[0])) && Name[1] == ':'; }

}  // namespace

TEXEForm::TEXEForm(TComponent* AOwner) : TForm(AOwner, "TEXEForm") {
  SetName("EXEForm");
  SetCaption("Quillon Self-Extractor");
  SetBounds(0, 0, 430, 330);
  SetBorderStyle(bsDialog);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"ArchiveNameL", TControlKind::Label, "SFX Archive name:", 8, 8, 300, 14},
      {"ArchiveName", TControlKind::EditX, "", 8, 24, 320, 21},
      {"UnZIPToL", TControlKind::Label, "Default \"UnZip &To\" Folder:", 8, 52, 300, 14},
      {"UnZIPTo", TControlKind::EditX, "", 8, 68, 320, 21},
      {"Note1", TControlKind::Label, "%temp% --> users's TEMP= Folder", 8, 92, 320, 14},
      {"Note2", TControlKind::Label, "blank --> default directory will be current directory", 8, 106, 320, 14},
      {"CaptionL", TControlKind::Label, "&Caption:", 8, 126, 300, 14},
      {"Caption", TControlKind::EditX, "", 8, 142, 320, 21},
      {"CommandLineL", TControlKind::Label, "Co&mmand line after extracting:", 8, 170, 300, 14},
      {"CommandLine", TControlKind::EditX, "", 8, 186, 320, 21},
      {"CheckBox1", TControlKind::Check, "Overwrite Files...", 8, 216, 200, 18},
      {"CheckBox3", TControlKind::Check, "Show success message...", 8, 236, 200, 18},
      {"AutoRun", TControlKind::Check, "Create AutoRun SFX (!!! Warning !!!)", 8, 256, 260, 18},
      {"HideOverwrite", TControlKind::Check, "Hide OverwriteBox", 8, 276, 200, 18},
      {"OKButt", TControlKind::DefaultButton, "&OK", 340, 24, 75, 25},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 340, 56, 75, 25},
      {"HelpButt", TControlKind::Button, "&Help", 340, 88, 75, 25},
  });
  ArchiveNameEdit = Ctl<TEditX>(this, "ArchiveName");
  UnZIPTo = Ctl<TEditX>(this, "UnZIPTo");
  CaptionEdit = Ctl<TEditX>(this, "Caption");
  CommandLine = Ctl<TEditX>(this, "CommandLine");
  CheckBox1 = Ctl<TCheckBox>(this, "CheckBox1");
  CheckBox3 = Ctl<TCheckBox>(this, "CheckBox3");
  AutoRun = Ctl<TCheckBox>(this, "AutoRun");
  HideOverwrite = Ctl<TCheckBox>(this, "HideOverwrite");
  OKButt = Ctl<TButton>(this, "OKButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  HelpButt = Ctl<TButton>(this, "HelpButt");
  UnZIPTo->SetMaxLength(128);
  CaptionEdit->SetMaxLength(50);
  CommandLine->SetMaxLength(128);
  CheckBox1->SetAllowGrayed(true);
  ZipBridge1 = CreateZipBridge(this, [](int ErrCode, const std::string& Message) {
    if (ErrCode > 0) AppMessageBox("Error Msg: " + Message, mtError, mbOK);
  }, "ZipBridge1");

  OnShow = [this](TObject*) { FormShow(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  OKButt->OnClick = [this](TObject*) { OKButtClick(); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
  HelpButt->OnClick = [](TObject*) { OpenHelpTopic("sfxoperations.html"); };
}

std::string TEXEForm::OutputNameFor(const std::string& Archive) {
  if (Archive.size() < 3) return "exe";
  return AnsiLowerCase(Archive.substr(0, Archive.size() - 3)) + "exe";
}

void TEXEForm::FormShow() {
  CheckBox1->SetState(cbGrayed);
  CheckBox3->SetChecked(true);
  AutoRun->SetChecked(false);
  HideOverwrite->SetChecked(false);
  CentreOnMainWindow(this);
  UnZIPTo->SetText("%temp%");
  CaptionEdit->SetText("");
  CommandLine->SetText("");
  ArchiveNameEdit->SetText(OutputNameFor(ArchiveName));
  UnZIPTo->SetFocus();
}

int TEXEForm::BuildPlace(const std::string& Output, const std::string& Archive, int64_t FreeBytes, int64_t ArchiveSize) {
  if (!HasDriveLetter(Output) || AnsiLowerCase(ExtractFileDrive(Output)) != AnsiLowerCase(ExtractFileDrive(Archive)))
    return 0;
  if (FreeBytes >= ArchiveSize + SpareBytes) return 0;
  return FreeBytes <= SpareBytes ? 2 : 1;
}

bool TEXEForm::BuildThroughTemp(const std::string& Output) {
  const std::string work = IncludeTrailingBackslash(EnsureTempFolder()) + ExtractFileName(Output);
  // The source goes only once the whole self-extractor, which carries the
  // archive, stands complete in the temporary folder.
  if (BuildSfxArchive(*ZipBridge1, work) != sfxDone) return false;
  SetZipArchive(ZipBridge1, "");
  const std::string source = ArchiveName;
  if (!DeleteFile(source) ||
      !MoveFileExA(work.c_str(), Output.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING)) {
    AppMessageBox("Can't create file: " + Output + "\rThe self-extractor is kept as " + work + ".", mtError, mbOK);
    return false;
  }
  if (MainForm) {
    MainForm->CloseArchiveClick(this);
    if (MainForm->OpenArchiveFile(Output)) MainForm->FillFileList();
    MainForm->RefreshClick(this);
  }
  return true;
}

void TEXEForm::OKButtClick() {
  OperationFailed = 0;
  const std::string output = ArchiveNameEdit->Text();
  const std::string archive = ArchiveName;
  SetZipArchive(ZipBridge1, archive);
  TSfxChoice choice;
  choice.Caption = CaptionEdit->Text();
  choice.DefaultDir = UnZIPTo->Text();
  choice.CommandLine = CommandLine->Text();
  choice.Message = ZipArchiveComment(ZipBridge1);
  choice.AutoRun = AutoRun->Checked();
  choice.HideOverwriteBox = HideOverwrite->Checked();
  choice.SuccessMessage = CheckBox3->Checked();
  choice.OverwriteMode = CheckBox1->State() == cbChecked ? 1 : CheckBox1->State() == cbGrayed ? 0 : 2;
  SetSfxChoice(ZipBridge1, choice);
  const int place = BuildPlace(output, archive, DriveFreeBytes(output), std::max<int64_t>(GetFileSize64(archive), 0));
  if (place == 2) {
    AppMessageBox("Can't create SFX archive on " + ExtractFilePath(output) + "." + "\r" + "There is no enoguht space.",
                  mtError, mbOK);
    return;
  }
  const bool built = place == 1 ? BuildThroughTemp(output) : BuildSfxArchive(*ZipBridge1, output) == sfxDone;
  if (!built) OperationFailed = 1;
  SetZipArchive(ZipBridge1, "");
  Close();
  if (OperationFailed) return;
  const std::string text = "'" + output + "' has been created from \r'" + archive +
                           "'.\rBefore distributing the EXE file, please be sure to test it in all target "
                           "enviroments.\r\rDo you want to test it now?";
  const bool yes = AskTestNow ? AskTestNow(text) : AppMessageBox(text, mtConfirmation, mbYes | mbNo) == mrYes;
  if (yes) ShellExecuteA(Handle(), "open", output.c_str(), "", "", SW_SHOWNORMAL);
}

void MakeExeFileClick() {
  static TEXEForm* form = nullptr;
  if (!form) form = Application->CreateForm<TEXEForm>();
  form->ShowModal();
}
