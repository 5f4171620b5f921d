#include "dialogs/extractform.h"

#include <algorithm>

#include "app/entryextract.h"
#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/core/unbase.h"
#include "archive/lister/arclister.h"
#include "controls/views/placement.h"
#include "dialogs/controltable.h"
#include "dialogs/foldertree.h"
#include "dialogs/nfolderform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"

namespace {

bool IsFolderName(const std::string& Name) { return !Name.empty() && Name.back() == '\\'; }

}  // namespace

TExtractForm::TExtractForm(TComponent* AOwner) : TForm(AOwner, "TExtractForm") {
  SetName("ExtractForm");
  SetCaption("Extract");
  SetBounds(0, 0, 506, 258);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"ExtractToL", TControlKind::Label, "E&xtract to:", 8, 8, 80, 14},
      {"Destination", TControlKind::Combo, "", 8, 24, 300, 21},
      {"ExploreButt", TControlKind::Button, "->", 312, 23, 25, 23},
      {"FolderDrivesL", TControlKind::Label, "&Folders/drives:", 8, 52, 120, 14},
      {"TreeList", TControlKind::Tree, "", 8, 68, 200, 160},
      {"FilesGroup", TControlKind::Group, " Files ", 216, 52, 200, 100},
      {"SelectedFiles", TControlKind::Radio, "&Selected files", 10, 18, 180, 18, "FilesGroup"},
      {"AllFilesButt", TControlKind::Radio, "&All files", 10, 38, 180, 18, "FilesGroup"},
      {"CFiles", TControlKind::Radio, "F&iles:", 10, 60, 60, 18, "FilesGroup"},
      {"FileSpec", TControlKind::EditX, "", 72, 58, 118, 21, "FilesGroup"},
      {"OverwriteExisting", TControlKind::Check, "&Overwrite Existing Files", 216, 158, 200, 18},
      {"SkipOlder", TControlKind::Check, "S&kip Older Files", 216, 178, 200, 18},
      {"UseFolderNames", TControlKind::Check, "Use &Folder Name", 216, 198, 200, 18},
      {"ExtractButt", TControlKind::DefaultButton, "&Extract", 428, 8, 70, 25},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 428, 38, 70, 25},
      {"HelpButt", TControlKind::Button, "&Help", 428, 68, 70, 25},
      {"NewFolderButt", TControlKind::Button, "&New Folder...", 428, 228, 70, 25},
  });
  Destination = Ctl<TComboBox>(this, "Destination");
  TreeList = Ctl<TTreeView>(this, "TreeList");
  SelectedFiles = Ctl<TRadioButton>(this, "SelectedFiles");
  AllFilesButt = Ctl<TRadioButton>(this, "AllFilesButt");
  CFiles = Ctl<TRadioButton>(this, "CFiles");
  FileSpec = Ctl<TEditX>(this, "FileSpec");
  OverwriteExisting = Ctl<TCheckBox>(this, "OverwriteExisting");
  SkipOlder = Ctl<TCheckBox>(this, "SkipOlder");
  UseFolderNames = Ctl<TCheckBox>(this, "UseFolderNames");
  ExtractButt = Ctl<TButton>(this, "ExtractButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  HelpButt = Ctl<TButton>(this, "HelpButt");
  NewFolderButt = Ctl<TButton>(this, "NewFolderButt");
  ExploreButt = Ctl<TButton>(this, "ExploreButt");
  TreeList->SetIndent(19);

  ZipBridge1 = CreateZipBridge(this, nullptr, "ZipBridge1");
  FormPlacement1 = new TFormPlacement(this);
  FormPlacement1->SetName("FormPlacement1");
  FormPlacement1->UseRegistry = true;
  FormPlacement1->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackWidth, 506);
  FormPlacement1->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackHeight, 260);

  OnShow = [this](TObject*) { FormShow(); };
  CloseLikeMainDialog(this);
  OnResize = [this](TObject*) {
    for (TButton* b : {ExtractButt, CancelButt, HelpButt, NewFolderButt}) b->SetLeft(ClientWidth() - 78);
    NewFolderButt->SetTop(ClientHeight() - 30);
    TreeList->SetWidth(std::max(ClientWidth() - TreeList->Left() - 85 - 208, 60));
    TreeList->SetHeight(std::max(ClientHeight() - 30 - TreeList->Top() + 22, 40));
  };
  Destination->OnChange = [this](TObject*) { DestinationChange(); };
  ExploreButt->OnClick = [this](TObject* S) { ExploreButtClick(S); };
  NewFolderButt->OnClick = [this](TObject*) {
    if (!NFolderForm2) NFolderForm2 = new TNFolderForm2(this, this);
    NFolderForm2->ShowModal();
  };
  ExtractButt->OnClick = [this](TObject* S) { ExtractButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { Close(); };
  HelpButt->OnClick = [](TObject*) { OpenHelpTopic("extractfiles.html"); };
  CFiles->OnClick = [this](TObject*) {
    if (FileSpec->CanFocus()) FileSpec->SetFocus();
  };
  FileSpec->OnEnter = [this](TObject*) { CFiles->SetChecked(true); };
  FTree = std::make_unique<TDriveTree>(TreeList, false, 1000);
  TreeList->OnExpanding = [this](TObject*, TTreeNode* Node, bool&) { FTree->Expanding(Node); };
  TreeList->OnChange = [this](TObject*, TTreeNode* Node) {
    const bool computer = Node && Node == FTree->ComputerNode();
    NewFolderButt->SetEnabled(!computer);
    ExtractButt->SetEnabled(!computer);
    const std::string folder = FTree->NodeFolder(Node);
    if (!folder.empty()) Destination->SetText(AnsiLowerCase(folder));
  };
  FormPlacement1->Loaded();
}

std::string TExtractForm::DefaultDestination() {
  if (Efolder != 0) return Extract1;
  const std::string name = ExtractFileName(ArchiveName);
  return ExtractFilePath(ArchiveName) + name.substr(0, name.find('.'));
}

void TExtractForm::FormShow() {
  if (MainForm) MainForm->SetEnabled(false);
  SetZipPassword(ZipBridge1, "");
  const bool anySelected = MainForm && !MainForm->SelectedRows().empty();
  SelectedFiles->SetEnabled(anySelected);
  SelectedFiles->SetChecked(anySelected);
  AllFilesButt->SetChecked(!anySelected);
  FileSpec->SetText("");
  OverwriteExisting->SetChecked(ExtractOverwrite == 1);
  SkipOlder->SetChecked(false);
  UseFolderNames->SetChecked(true);
  CentreOnMainWindow(this);
  FTree->Rebuild();
  Destination->Items()->Clear();
  for (const std::string* e : {&Extract1, &Extract2, &Extract3, &Extract4, &Extract5})
    if (!e->empty()) Destination->Items()->Add(*e);
  Destination->SetText(DefaultDestination());
  if (Destination->CanFocus()) Destination->SetFocus();
  DestinationChange();
  OverwriteAll = 0;
  SkipOlder->SetEnabled(!(ArchiveExt == ".arc" || ArchiveExt == ".arj" || ArchiveExt == ".zoo" ||
                          ArchiveExt == ".cab" || ArchiveExt == ".ace" || ArchiveExt == ".lzh" ||
                          ArchiveExt == ".enc" || ArchiveExt == ".rar"));
}

void TExtractForm::DestinationChange() {
  const std::string text = TrimLeft(Destination->Text());
  NewFolderButt->SetEnabled(!text.empty() && DirectoryExists(text));
}

void TExtractForm::ExploreButtClick(TObject*) {
  std::string text = Destination->Text();
  if (text.empty()) return;
  if (!DirectoryExists(text)) {
    AppMessageBox("Can't find directory \"" + text + "\".", mtError, mbOK);
    return;
  }
  FTree->OpenPath(text);
  if (TreeList->CanFocus()) TreeList->SetFocus();
}

std::vector<std::string> TExtractForm::FileSpecs(int64_t* TotalBytes) {
  std::vector<std::string> specs;
  int64_t total = 0;
  const bool zip = !IsReaderFormat(ArchiveExt);
  if (zip) RefreshZipArchive(ZipBridge1, ArchiveName);
  const std::string below = CurrentFolder == "\\" ? std::string() : CurrentFolder;
  // A folder row counts the Zip's files below it.
  auto bytes = [&](const TFile& F) -> int64_t {
    if (IsFolderName(F.Name)) return zip ? ZipBytesBelow(ZipBridge1, below + F.Name) : 0;
    return std::strtoll(F.SizeText.c_str(), nullptr, 10);
  };
  auto add = [&](const TFile& F) {
    if (IsParentRecord(F)) return;
    specs.push_back(F.Path + F.Name + (IsFolderName(F.Name) ? "*.*" : ""));
    total += bytes(F);
  };
  if (AllFilesButt->Checked()) {
    specs.push_back("*.*");
    for (const TFile& f : FileTable)
      if (!IsParentRecord(f)) total += bytes(f);
  } else if (CFiles->Checked()) {
    if (FileSpec->Text().empty() || FileSpec->Text() == ".") FileSpec->SetText("*.*");
    for (const TFile& f : FileTable)
      if (MatchWildcard(f.Name, FileSpec->Text(), true) ||
          (IsFolderName(f.Name) && MatchWildcard(f.Name.substr(0, f.Name.size() - 1), FileSpec->Text(), true)))
        add(f);
  } else {
    for (const TFile& f : FileTable)
      if (f.Selected) add(f);
  }
  if (TotalBytes) *TotalBytes = total;
  return specs;
}

void TExtractForm::RememberDestination(const std::string& Folder) {
  RememberFolder({&Extract1, &Extract2, &Extract3, &Extract4, &Extract5}, Folder);
}

void TExtractForm::ExtractButtClick(TObject*) {
  SetBusyState(true);
  ExtractOverwrite = OverwriteExisting->Checked() ? 1 : 0;
  std::string folder = Trim(Destination->Text());
  if (folder.empty()) {
    SetBusyState(false);
    return;
  }
  if (folder.size() > 1 && folder[1] == ':' &&
      GetDriveTypeA((folder.substr(0, 2) + "\\").c_str()) == DRIVE_NO_ROOT_DIR) {
    AppMessageBox("Drive not exist!", mtError, mbOK);
    SetBusyState(false);
    return;
  }
  ExtractDestination = IncludeTrailingBackslash(folder);
  CreateFolderChain(ExtractDestination);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (MainForm) MainForm->ViewLastOutput->SetEnabled(true);
  ClearOperationLog();
  Close();
  Application->ProcessMessages();
  if (OverwriteExisting->Checked()) OverwriteAll = 1;
  if (IsReaderFormat(ArchiveExt)) {
    RunReader(folder);
  } else {
    int64_t total = 0;
    const std::vector<std::string> specs = FileSpecs(&total);
    if (specs.empty()) AppMessageBox("No files in the open archive match the specified files.", mtError, mbOK);
    else RunZip(folder, specs, total);
  }
  RememberDestination(folder);
  SetBusyState(false);
}

void TExtractForm::RunZip(const std::string& Folder, const std::vector<std::string>& Specs, int64_t Total) {
  TOperationScope op(MainForm, TByteProgress::MaxFor(Total));
  TZipExtractJob job;
  job.Archive = ArchiveName;
  job.BaseDir = Folder;
  job.Specs = Specs;
  job.DirNames = UseFolderNames->Checked();
  job.Overwrite = OverwriteExisting->Checked();
  job.SkipOlder = SkipOlder->Checked() && SkipOlder->Enabled();
  job.Progress = [&](int Type, const std::string& Name, int64_t Bytes) {
    if (MainForm->FZipCancel) CancelZip(ZipBridge1, true);
    if (ZipCancelled(ZipBridge1)) return;
    if (Type == 0) MainForm->SPanel1->SetCaption("Extracting \"" + Name + "\"");
    op.AddBytes(Bytes);
    if (Type == 2) MainForm->SPanel1->SetCaption("");
    Application->ProcessMessages();
  };
  job.Message = [](int, const std::string& Text) {
    if (Text == "Error writing to a file") AppMessageBox("Error writing. Posible casue: Disk full", mtError, mbOK);
    else LogLine(Text);
  };
  job.ExtractBadCrc = [](const std::string& File) {
    return AppMessageBox("There is CRC error on file: " + File + "\r\rDo you want to skip this file?", mtError,
                         mbYes | mbNo) != mrYes;
  };
  job.OverwriteFile = [this](const std::string& File) {
    if (ZipCancelled(ZipBridge1)) return false;
    if (OverwriteAll == 1) return true;
    const std::string existing = ExtractDestination + File;
    const std::string text = "Confirm File Overwrite?\r\rReplace file:  " + existing + "\r" + std::string(22, ' ') +
                             ExistingFileDescription(existing) + "\r\rWith file:        " + File + "\r" +
                             std::string(22, ' ') + EntryDescription("", File);
    switch (AppMessageBox(text, mtConfirmation, mbYes | mbNo | mbCancel | mbAll)) {
      case mrYes: return true;
      case mrAll: OverwriteAll = 1; return true;
      case mrCancel: CancelZip(ZipBridge1, true); return false;
      default: return false;
    }
  };
  job.Skipped = [](const std::string& File, int Type) {
    if (Type == 4)
      AppMessageBox("File \"" + File + "\" is skipped because\rentered password for this file is incorrect.", mtError,
                    mbOK);
  };
  MainForm->FZipRunning = true;
  MainForm->FZipCancel = false;
  CancelZip(ZipBridge1, false);
  ExtractZip(ZipBridge1, job);
  MainForm->FZipRunning = false;
  MainForm->FZipCancel = false;
}

void TExtractForm::RunReader(const std::string& Folder) {
  const std::vector<std::string> specs = FileSpecs(nullptr);
  if (specs.empty()) {
    AppMessageBox("No files in the open archive match the specified files.", mtError, mbOK);
    return;
  }
  TEntryExtract job;
  job.Specs = specs;
  job.Folder = Folder;
  job.FolderNames = UseFolderNames->Checked();
  // Existing files go through the overwrite question (All answers it).
  job.Overwrite = false;
  if (!ExtractEntries(nullptr, job))
    AppMessageBox("Quillon cannot extract from this kind of archive yet.", mtError, mbOK);
}
