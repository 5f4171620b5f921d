#include "dialogs/viewform.h"

#include "app/entryextract.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/shellrun.h"
#include "app/zipaccess.h"
#include "dialogs/asciview.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

std::string AssociatedCaption(const std::string& EntryName, const std::string& ProgramName) {
  const std::string ext = AnsiLowerCase(ExtractFileExt(EntryName));
  if (ext == ".exe" || ext == ".com" || ProgramName.empty()) return "&Associated program";
  if (ProgramName.size() >= 13) return "&Associated program [..." + ProgramName.substr(ProgramName.size() - 12) + "]";
  return "&Associated program [" + ProgramName + "]";
}

TViewForm::TViewForm(TComponent* AOwner) : TForm(AOwner, "TViewForm") {
  SetName("ViewForm");
  SetCaption("View");
  SetBorderStyle(bsDialog);
  SetClientWidth(352);
  SetClientHeight(126);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"UsingGroup", TControlKind::Group, " Using ", 8, 6, 256, 112},
      {"AssocRadio", TControlKind::Radio, "&Associated program", 10, 18, 240, 20, "UsingGroup"},
      {"InternalRadio", TControlKind::Radio, "&Internal ASCII text viewer", 10, 40, 240, 20, "UsingGroup"},
      {"ViewerRadio", TControlKind::Radio, "&Viewer: ", 10, 62, 240, 20, "UsingGroup"},
      {"ViewerPath", TControlKind::EditX, "", 10, 84, 206, 21, "UsingGroup"},
      {"BrowseButt", TControlKind::Button, "...", 220, 84, 26, 21, "UsingGroup"},
      {"ViewButt", TControlKind::DefaultButton, "View", 272, 12, 72, 25},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 272, 44, 72, 25},
  });
  UsingGroup = Ctl<TGroupBox>(this, "UsingGroup");
  AssocRadio = Ctl<TRadioButton>(this, "AssocRadio");
  InternalRadio = Ctl<TRadioButton>(this, "InternalRadio");
  ViewerRadio = Ctl<TRadioButton>(this, "ViewerRadio");
  ViewerPath = Ctl<TEditX>(this, "ViewerPath");
  BrowseButt = Ctl<TButton>(this, "BrowseButt");
  ViewButt = Ctl<TButton>(this, "ViewButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Title = "Browse";
  OpenDialog1->Filter = "Programs|*.exe;*.com";
  ZipBridge1 = CreateZipBridge(this, nullptr, "ZipBridge1");
  Asciview = new TAsciview(AOwner);

  OnShow = [this](TObject*) { FormShow(); };
  CloseLikeMainDialog(this);
  ViewerPath->OnChange = [this](TObject*) {
    Viewer = ViewerPath->Text();
    ViewerRadio->SetChecked(true);
  };
  BrowseButt->OnClick = [this](TObject*) {
    if (OpenDialog1->Execute()) ViewerPath->SetText(OpenDialog1->FileName);
  };
  ViewButt->OnClick = [this](TObject* S) { ViewButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
}

bool TViewForm::PickEntry() {
  FName.clear();
  FPath.clear();
  if (!MainForm) return false;
  for (int r : MainForm->SelectedRows()) {
    const TFile& f = FileTable[size_t(r)];
    if (IsFolderRecord(f) || IsParentRecord(f)) return false;
    FName = f.Name;
    FPath = f.Path;
    break;
  }
  FProgram = IsProgramFile(FName);
  return !FName.empty();
}

void TViewForm::FormShow() {
  PickEntry();
  const std::string temp = EnsureTempFolder();
  std::string program;
  // The look-up file is empty and only named like the entry: finding its
  // program starts nothing.
  const std::string probe = temp + "morvtmp" + ExtractFileExt(FName);
  HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  char found[MAX_PATH] = {};
  if (reinterpret_cast<INT_PTR>(FindExecutableA(probe.c_str(), temp.c_str(), found)) > 32)
    program = ExtractFileName(found);
  DeleteFile(probe);
  AssocRadio->SetCaption(AssociatedCaption(FName, FProgram ? std::string() : program));
  if (MainForm) MainForm->SetEnabled(false);
  CentreOnMainWindow(this);
  ViewerPath->SetText(Viewer);
  // A program entry has no associated viewer: its "associated program" is itself.
  AssocRadio->SetEnabled(!FProgram);
  TRadioButton* modes[3] = {AssocRadio, InternalRadio, ViewerRadio};
  int mode = LastViewMode <= 2 ? LastViewMode : 0;
  if (mode == 0 && FProgram) mode = 1;
  modes[mode]->SetChecked(true);
  if (UsingGroup->CanFocus()) UsingGroup->SetFocus();
}

void TViewForm::ViewButtClick(TObject*) {
  if (FName.empty() && !PickEntry()) {
    Close();
    return;
  }
  const std::string temp = EnsureTempFolder();
  TEntryExtract job;
  job.Specs = {FPath + FName};
  job.Folder = temp;
  job.FolderNames = false;
  job.Overwrite = true;
  ExtractEntries(ZipBridge1, job);
  const std::string file = temp + FName;
  RememberTempFile(file);
  Close();
  if (!FileExists(file)) return;
  if (AssocRadio->Checked() && !FProgram) {
    LastViewMode = 0;
    ShellOpen(file, "", temp, SW_SHOW);
  } else if (ViewerRadio->Checked() && !Viewer.empty()) {
    LastViewMode = 2;
    ShellOpen(Viewer, "\"" + file + "\"", temp, SW_SHOW);
  } else {
    LastViewMode = 1;
    Asciview->ShowFile(file, FName);
  }
  FName.clear();
}
