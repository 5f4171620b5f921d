// The main window's commands on the open archive beside extracting and
// adding: delete entries, test, comment, rename an entry, and properties,
// rename, move, copy and delete of the archive file.
#include <algorithm>

#include "app/mainform.h"

#include "app/dragout.h"
#include "app/entryextract.h"
#include "app/operation.h"
#include "app/packagerun.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "archive/convert/zipcheck.h"
#include "archive/core/unbase.h"
#include "archive/lister/arclister.h"
#include "dialogs/commentform.h"
#include "dialogs/deleteform.h"
#include "dialogs/msgform.h"
#include "dialogs/passwordform.h"
#include "dialogs/renamearcform.h"
#include "dialogs/seldirform.h"
#include "dialogs/zippropform.h"
#include "framework/core/sysutils.h"

namespace {

const char* const SpannedText =
    "You cannot update this ZIP file because it spans disks. The ZIP file\rformat does NOT permit updating ZIPs that "
    "span disks. (You can\rreplace this ZIP by deleting it first).";

bool IsZipFamily(const std::string& Ext) { return Ext == ".zip" || Ext == ".exe" || Ext == ".jar" || Ext == ".pk3"; }

bool IsTesterFormat(const std::string& Ext) {
  for (const char* e : {".arj", ".arc", ".ace", ".lzh", ".zoo", ".gz", ".tar", ".enc", ".rar", ".bh"})
    if (Ext == e) return true;
  return false;
}

// The date and time in the user's short date and long time formats.
std::string NowText() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  char d[64] = {}, t[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, d, 64);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, t, 64);
  return std::string(d) + " " + t;
}

// The recent list without its first entry, the others moved up.
void DropFirstRecent() {
  ActiveFile1 = ActiveFile2;
  ActiveFile2 = ActiveFile3;
  ActiveFile3 = ActiveFile4;
  ActiveFile4 = ActiveFile5;
  ActiveFile5 = "";
}

// The whole archive goes into the runner's fresh folder through the main
// window's engines.
TPackageRunner PackageRunner(TMainForm* Form) {
  TPackageRunner runner;
  runner.ExtractAll = [Form](const std::string& Folder) {
    TEntryExtract job;
    job.Specs = {"*.*"};
    job.Folder = Folder;
    job.FolderNames = true;
    ExtractEntries(Form->ZipBridge, job);
  };
  runner.ShowStatus = [Form] { Form->ShowSelectionStatus(); };
  return runner;
}

}  // namespace

void TMainForm::InstallClick(TObject*) {
  if (ArchiveName.empty()) return;
  PackageRunner(this).Install();
}

void TMainForm::WireArchiveActions() {
  DeleteFiles->OnClick = [this](TObject* S) { DeleteClick(S); };
  FileList->OnKeyDown = [this](TObject* S, WORD& Key, TShiftState) {
    if (Key == VK_DELETE && DeleteFiles->Enabled() && !SelectedRows().empty()) DeleteClick(S);
  };
  TestArchive->OnClick = [this](TObject* S) { TestClick(S); };
  CommentItem->OnClick = [this](TObject* S) { CommentClick(S); };
  RenameEntry->OnClick = [this](TObject*) {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty() && !IsFolderRecord(FileTable[size_t(rows.front())]))
      ListView_EditLabel(FileList->Handle(), rows.front());
  };
  ToolButtons[3]->OnClick = [this](TObject* S) { PropertiesClick(S); };
  ToolButtons[6]->OnClick = [this](TObject* S) { DeleteClick(S); };
  ToolButtons[10]->OnClick = [this](TObject* S) { TestClick(S); };
  // The scanner looks at the whole archive taken out into a fresh folder.
  auto scan = [this](TObject*) { PackageRunner(this).VirusScan(); };
  VirusScan->OnClick = scan;
  ToolButtons[9]->OnClick = scan;
  TMenuItem* file = File1;
  TMenuItem* properties = nullptr;
  for (int i = 0; i < file->Count(); ++i)
    if (file->Items(i)->Name() == "Properties") properties = file->Items(i);
  if (properties) properties->OnClick = [this](TObject* S) { PropertiesClick(S); };
  int at = properties ? file->IndexOf(properties) + 1 : file->Count();
  auto add = [&](const std::string& Name, const std::string& Caption, TNotifyEvent Click) {
    TMenuItem* item = AddItem(file, Name, Caption, std::move(Click));
    file->Remove(item);
    file->Insert(at++, item);
    ArchiveItems.push_back(item);
    return item;
  };
  MoveArchiveItem = add("MoveArchive", "Mo&ve Archive...", [this](TObject*) { MoveCopyArchive(true); });
  add("CopyArchive", "Cop&y Archive...", [this](TObject*) { MoveCopyArchive(false); });
  RenameArchiveItem = add("RenameArchive", "Rena&me Archive...", [this](TObject* S) { RenameArchiveClick(S); });
  DeleteArchiveItem = add("DeleteArchive", "&Delete Archive...", [this](TObject* S) { DeleteArchiveClick(S); });
  FileList->SetReadOnly(false);
  FileList->OnEditing = [this](TObject*, TListItem*, bool& Allow) {
    const std::vector<int> rows = SelectedRows();
    Allow = RenameEntry->Enabled() && !rows.empty() && !IsFolderRecord(FileTable[size_t(rows.front())]);
    if (Allow) EditIndex = rows.front();
  };
  FileList->OnDataEdited = [this](TObject*, int Index, std::string& S) {
    RenameEntryTo(Index >= 0 ? Index : EditIndex, S);
  };
}

void TMainForm::ReloadAfterChange() {
  ClearFolderTree();
  FillFileList();
  ShowSelectionStatus();
}

void TMainForm::DeleteClick(TObject*) {
  if (ArchiveName.empty() || FileCount == 0) return;
  if (IsZipFamily(ArchiveExt) && ZipSpanned(ZipBridge)) {
    AppMessageBox(SpannedText, mtError, mbOK);
    return;
  }
  if (!DeleteForm) DeleteForm = new TDeleteForm(this);
  DeleteForm->Show();
}

void TMainForm::TestClick(TObject*) {
  if (ArchiveName.empty()) return;
  ViewLastOutput->SetEnabled(true);
  ClearOperationLog();
  const std::string bar(37, '#');
  const std::string name = ExtractFileName(ArchiveName);
  LogLine(bar);
  LogLine(" Testing archive: " + name + " -- " + NowText());
  LogLine(bar);
  LogLine("");
  int errors = 0;
  SetBusyState(true);
  {
    TOperationScope op(this, 100);
    if (IsTesterFormat(ArchiveExt)) {
      if (!ZipCheck1) {
        ZipCheck1 = new TZipCheck(this);
        ZipCheck1->OnStatus = [this](TObject*, const std::string& File, bool Passed) {
          LogLine("Testing file: " + File);
          LogLine(std::string(16, ' ') + (Passed ? "--> OK" : "--> CRC ERROR"));
          if (!Passed) ++TestErrorCount;
        };
        ZipCheck1->OnProgress = [this](TObject*, uint8_t, uint8_t ByArchive) {
          ProgressBar1->SetPosition(ByArchive);
          Application->ProcessMessages();
        };
        ZipCheck1->OnGetPassword = [](TObject*, const std::string&, std::string& Password, bool& TryAgain) {
          Password = AskPassword("Enter password");
          TryAgain = !Password.empty();
        };
      }
      TestErrorCount = 0;
      ZipCheck1->SetArchiveFile(ArchiveName);
      TStringList spec;
      spec.Add("*.*");
      ZipCheck1->SetFileSpec(&spec);
      ExtractorRunning = 1;
      try {
        ZipCheck1->Activate();
      } catch (const std::exception& E) {
        LogLine(E.what());
        ++TestErrorCount;
      }
      ExtractorRunning = 0;
      errors = TestErrorCount;
    } else {
      RefreshZipArchive(ZipBridge, ArchiveName);
      if (ZipHasEncrypted(ZipBridge) && ZipPassword.empty()) ZipPassword = AskPassword("Enter password");
      SetZipPassword(ZipBridge, ZipPassword);
      FZipRunning = true;
      const int passed = TestZipEntries(ZipBridge, [](int, const std::string& Text) { LogLine(Text); });
      FZipRunning = false;
      errors = std::max(ZipFileEntryCount(ZipBridge) - passed, 0);
    }
  }
  SetBusyState(false);
  LogLine("");
  LogLine(bar);
  LogLine(" Done -- " + NowText());
  if (errors == 0) LogLine(" There were no errors in the archive: " + name);
  else LogLine(" Warning: " + std::to_string(errors) + " error(s) found in the archive: " + name);
  MsgForm()->Show();
}

void TMainForm::CommentClick(TObject*) {
  if (ArchiveName.empty() || !IsZipFamily(ArchiveExt)) return;
  if (!CommentForm) CommentForm = new TCommentForm(this);
  RefreshZipArchive(ZipBridge, ArchiveName);
  const DWORD attr = GetFileAttributesA(ArchiveName.c_str());
  const bool readOnly = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
  const bool editable =
      FormatCommands(ArchiveExt, ArchiveName, ZipSpanned(ZipBridge), readOnly, false).Add;
  TMemo* memo = CommentForm->CommentText;
  memo->SetReadOnly(!editable);
  memo->SetText(ZipArchiveComment(ZipBridge));
  // What the editor shows (its line ends may differ from the stored ones):
  // only a change of it is written back.
  const std::string shown = memo->Text();
  CommentForm->ShowModal();
  if (editable && memo->Text() != shown) WriteZipComment(ZipBridge, memo->Text());
  memo->SetReadOnly(true);
}

bool TMainForm::RenameEntryTo(int Row, std::string NewName) {
  if (NewName.empty() || Row < 0 || Row >= FileCount || !IsZipFamily(ArchiveExt)) return false;
  TFile& f = FileTable[size_t(Row)];
  if (f.Encrypted && NewName.back() == '+') NewName.pop_back();
  if (NewName.empty()) return false;
  for (int i = 0; i < FileCount; ++i)
    if (i != Row && AnsiLowerCase(FileTable[size_t(i)].Name) == AnsiLowerCase(NewName)) {
      AppMessageBox("The file name " + NewName + " already exists.", mtError, mbOK);
      return false;
    }
  if (NewName == f.Name) return false;
  const int code = RenameZipEntry(ZipBridge, f.Path + f.Name, f.Path + NewName, f.FileDate);
  if (code != 0) {
    AppMessageBox("Error " + std::to_string(code) + " occurred while renaming the Zip entry", mtCustom, mbOK);
    return false;
  }
  f.Name = NewName;
  ReloadAfterChange();
  return true;
}

void TMainForm::PropertiesClick(TObject*) {
  if (ArchiveName.empty() || !FileExists(ArchiveName)) return;
  if (!ZipPropForm) ZipPropForm = new TZipPropForm(this);
  ZipPropForm->Show();
}

void TMainForm::RenameArchiveClick(TObject*) {
  if (ArchiveName.empty()) return;
  if (!RenameForm) RenameForm = new TRenameForm(this);
  RenameForm->Show();
}

void TMainForm::DeleteArchiveClick(TObject*) {
  if (ArchiveName.empty()) return;
  const std::string name = ArchiveName;
  if (AppMessageBox("Are you sure you want TO delete the entire archive " + name + "?", mtWarning, mbYes | mbNo) !=
      mrYes)
    return;
  CloseArchiveClick(this);
  if (!DeleteFile(name)) return;
  DropFirstRecent();
  UpdateHistoryMenu();
}

void TMainForm::MoveCopyArchive(bool Move) {
  if (ArchiveName.empty()) return;
  const std::string verb = Move ? "Move" : "Copy";
  const std::string name = ExtractFileName(ArchiveName);
  const std::string chosen = SelectFolder(this, verb, verb + " " + name + " &to:");
  if (chosen == "-1" || chosen.empty()) return;
  const std::string folder = IncludeTrailingBackslash(chosen);
  if (AnsiLowerCase(folder) == AnsiLowerCase(ExtractFilePath(ArchiveName))) return;
  const std::string target = folder + name;
  if (!CopyFileA(ArchiveName.c_str(), target.c_str(), FALSE)) {
    AppMessageBox("Error Copying File...\r\rCannot copy " + name +
                      ": Access IS denied.\r\rMake sure that disk IS NOT full OR write-protected.",
                  mtError, mbOK);
    return;
  }
  if (Move) DeleteFile(ArchiveName);
  ArchiveName = target;
  if (IsZipFamily(ArchiveExt)) SetZipArchive(ZipBridge, ArchiveName);
  ActiveFile1 = ArchiveName;
  UpdateHistoryMenu();
}
