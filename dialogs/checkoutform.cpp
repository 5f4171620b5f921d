#include "dialogs/checkoutform.h"

#include <functional>
#include <set>

#include "app/entryextract.h"
#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/shellrun.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "controls/views/shelllink.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"

#include <shlobj.h>

std::string CheckoutFolder, CheckoutProgramsFolder;

void OfferCheckoutCleanup() {
  if (CheckoutFolder.empty() || !DirectoryExists(ExcludeTrailingBackslash(CheckoutFolder))) return;
  const std::string text = "You were using checkout feature. \rDo you want now to delete that folder and coresponding "
                           "program group?\r\r Directory: " +
                           CheckoutFolder + "\r" + " Programs directory: " + CheckoutProgramsFolder;
  if (AppMessageBox(text, mtInformation, mbYes | mbNo) == mrYes) {
    DeleteFolderTree(CheckoutFolder);
    if (!CheckoutProgramsFolder.empty() && DirectoryExists(ExcludeTrailingBackslash(CheckoutProgramsFolder)))
      DeleteFolderTree(CheckoutProgramsFolder);
  }
  CheckoutFolder.clear();
}

namespace {

bool IsDocument(const std::string& Name) {
  const std::string ext = AnsiLowerCase(ExtractFileExt(Name));
  for (const char* e : {".hlp", ".exe", ".com", ".txt", ".doc", ".wri"})
    if (ext == e) return true;
  return false;
}

// An entry path that leaves the extract folder ("..", a drive, a leading
// "\") gets no shortcut: the extractor kept it inside, so it is not where the
// name says.
bool StaysInside(const std::string& Path) {
  if (Path.empty() || Path[0] == '\\' || Path.find(':') != std::string::npos) return false;
  size_t start = 0;
  for (;;) {
    const size_t end = Path.find('\\', start);
    const std::string part = Path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// A group name is one folder below the programs folder, never a path.
std::string GroupFolderName(const std::string& Name) {
  std::string n = Trim(Name);
  for (char& c : n)
    if (std::string("\\/:*?\"<>|").find(c) != std::string::npos) c = '_';
  if (n.empty() || n == "." || n == "..") n = "_";
  return n;
}

std::string ProgramsFolder() {
  TRegistry reg;
  if (reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders") &&
      reg.ValueExists("Programs")) {
    const std::string v = reg.ReadString("Programs");
    if (!v.empty()) return IncludeTrailingBackslash(v);
  }
  char path[MAX_PATH] = {};
  if (SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, TRUE)) return IncludeTrailingBackslash(path);
  return IncludeTrailingBackslash(ProgramFolder() + "Programs");
}

}  // namespace

std::vector<std::string> CheckoutShortcuts(const std::vector<std::string>& Entries, bool DocOnly, int Limit,
                                           const std::function<bool(const std::string& Entry)>& Exists) {
  std::vector<std::string> make;
  // Shortcuts are named by the file name alone: a second entry of that name
  // finds the first one's shortcut there.
  std::set<std::string> made;
  auto there = [&](const std::string& E) { return made.count(AnsiLowerCase(ExtractFileName(E))) > 0 || Exists(E); };
  auto add = [&](const std::string& E) {
    make.push_back(E);
    made.insert(AnsiLowerCase(ExtractFileName(E)));
  };
  int count = 0;
  for (const std::string& e : Entries) {
    if (DocOnly) {
      if (!IsDocument(e)) continue;
      if (count < Limit && !there(e)) add(e);
      ++count;
    } else {
      if (Limit < 0 || (Limit > 0 && count >= Limit) || there(e)) continue;
      add(e);
      ++count;
    }
  }
  return make;
}

TCheckOut::TCheckOut(TComponent* AOwner) : TForm(AOwner, "TCheckOut") {
  SetName("CheckOut");
  SetCaption("CheckOut");
  SetBorderStyle(bsDialog);
  SetClientWidth(370);
  SetClientHeight(170);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"InfoL", TControlKind::Label,
       "All files will be extracted to the specified folder, and a program group will be built.", 8, 8, 270, 28},
      {"FolderNameL", TControlKind::Label, "&Folder:", 8, 46, 80, 14},
      {"FolderName", TControlKind::EditX, "", 96, 42, 182, 21},
      {"GroupNameL", TControlKind::Label, "&Group name:", 8, 74, 80, 14},
      {"GroupName", TControlKind::EditX, "", 96, 70, 182, 21},
      {"MaxIconsL", TControlKind::Label, "&Maximum icons:", 8, 102, 80, 14},
      {"MaxIcons", TControlKind::EditX, "", 96, 98, 50, 21},
      {"DocOnly", TControlKind::Check, "&Create icons for programs and documents only", 8, 130, 270, 18},
      {"OK", TControlKind::DefaultButton, "OK", 288, 8, 75, 25},
      {"Cancel", TControlKind::CancelButton, "Cancel", 288, 40, 75, 25},
      {"HelpButt", TControlKind::Button, "&Help", 288, 72, 75, 25},
  });
  Ctl<TLabel>(this, "InfoL")->SetWordWrap(true);
  FolderName = Ctl<TEditX>(this, "FolderName");
  GroupName = Ctl<TEditX>(this, "GroupName");
  MaxIcons = Ctl<TEditX>(this, "MaxIcons");
  DocOnly = Ctl<TCheckBox>(this, "DocOnly");
  OK = Ctl<TButton>(this, "OK");
  Cancel = Ctl<TButton>(this, "Cancel");
  HelpButt = Ctl<TButton>(this, "HelpButt");
  ZipBridge1 = CreateZipBridge(this, nullptr, "ZipBridge1");

  OnShow = [this](TObject*) { FormShow(); };
  CloseLikeMainDialog(this);
  OK->OnClick = [this](TObject* S) { OKClick(S); };
  Cancel->OnClick = [this](TObject*) { Close(); };
  HelpButt->OnClick = [](TObject*) { OpenHelpTopic("checkout.html"); };
}

void TCheckOut::FormShow() {
  if (MainForm) MainForm->SetEnabled(false);
  SetZipPassword(ZipBridge1, "");
  DocOnly->SetChecked(true);
  MaxIcons->SetText("50");
  if (CheckoutBaseFolder.empty()) CheckoutBaseFolder = "c:\\";
  CheckoutBaseFolder = IncludeTrailingBackslash(CheckoutBaseFolder);
  std::string base = ExtractFileName(ArchiveName);
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.resize(dot);
  FolderName->SetText(CheckoutBaseFolder + base);
  GroupName->SetText(base);
  CentreOnMainWindow(this);
  if (FolderName->CanFocus()) FolderName->SetFocus();
}

std::vector<std::string> TCheckOut::EntryPaths() {
  if (!IsReaderFormat(ArchiveExt)) {
    RefreshZipArchive(ZipBridge1, ArchiveName);
    return ZipFileNames(ZipBridge1);
  }
  std::vector<std::string> paths;
  for (const TFile& f : FileTable)
    if (!IsFolderRecord(f)) paths.push_back(f.Path + f.Name);
  return paths;
}

void TCheckOut::OKClick(TObject*) {
  if (MainForm) MainForm->ViewLastOutput->SetEnabled(true);
  ClearOperationLog();
  Close();
  SetBusyState(true);
  const std::string folder = IncludeTrailingBackslash(Trim(FolderName->Text()));
  CheckoutFolder = folder;
  ForceDirectories(ExcludeTrailingBackslash(folder));
  TEntryExtract job;
  job.Specs = {"*.*"};
  job.Folder = folder;
  job.FolderNames = true;
  job.Overwrite = true;
  ExtractEntries(ZipBridge1, job);

  if (MaxIcons->Text().empty()) MaxIcons->SetText("0");
  const int limit = StrToIntDef(Trim(MaxIcons->Text()), 0);
  const std::string group = ProgramsFolder() + GroupFolderName(GroupName->Text()) + "\\";
  ForceDirectories(ExcludeTrailingBackslash(group));
  CheckoutProgramsFolder = group;
  std::vector<std::string> entries;
  for (std::string e : EntryPaths()) {
    for (char& c : e)
      if (c == '/') c = '\\';
    if (StaysInside(e)) entries.push_back(e);
  }
  auto link = [&](const std::string& Entry) { return group + ExtractFileName(Entry) + ".lnk"; };
  for (const std::string& e : CheckoutShortcuts(entries, DocOnly->Checked(), limit,
                                                [&](const std::string& E) { return FileExists(link(E)); }))
    CreateShellLink(folder + e, link(e), ExtractFileName(e));
  ShellOpen(group, "", "", SW_SHOWNORMAL);
  SetBusyState(false);
}
