#include "app/packagerun.h"

#include <cstdlib>
#include <ctime>

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/utils.h"
#include "framework/core/sysutils.h"
#include "framework/ui/forms.h"
#include "framework/ui/winapi.h"

namespace {

HWND OwnerWindow() {
  if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
    return Application->MainForm()->Handle();
  return nullptr;
}

}  // namespace

int ExecuteAndWait(const std::string& FileName, const std::string& Parameters, const std::string& Directory,
                   bool Wait) {
  SHELLEXECUTEINFOA Info = {};
  Info.cbSize = sizeof Info;
  // The shell's own error box would stand beside ours: failures are the
  // caller's to tell.
  Info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  Info.hwnd = OwnerWindow();
  Info.lpFile = FileName.c_str();
  Info.lpParameters = Parameters.empty() ? nullptr : Parameters.c_str();
  Info.lpDirectory = Directory.empty() ? nullptr : Directory.c_str();
  Info.nShow = SW_SHOW;
  if (!ShellExecuteExA(&Info)) return -1;
  // A document handed to a running program has no process of its own.
  if (!Info.hProcess) return 0;
  DWORD Code = 0;
  while (Wait && GetExitCodeProcess(Info.hProcess, &Code) && Code == STILL_ACTIVE &&
         !(Application && Application->Terminated())) {
    MsgWaitForMultipleObjects(1, &Info.hProcess, FALSE, 200, QS_ALLINPUT);
    if (Application) Application->ProcessMessages();
  }
  CloseHandle(Info.hProcess);
  return Wait ? int(Code) : 0;
}

int ExecuteInOwnFolder(const std::string& FileName, const std::string& Parameters, bool Wait) {
  return ExecuteAndWait(FileName, Parameters, ExcludeTrailingBackslash(ExtractFilePath(FileName)), Wait);
}

std::string UsableTempFolder() {
  if (Temp.empty() || Temp == "\\") Temp = ProgramFolder();
  return EnsureTempFolder();
}

std::string CreatePackageFolder(const std::string& Parent) {
  static bool Seeded = false;
  if (!Seeded) {
    std::srand(unsigned(std::time(nullptr)));
    Seeded = true;
  }
  // Random names first, then every name in turn: a folder that exists
  // already is never taken, since it is deleted afterwards.
  const int First = std::rand() % 101;
  for (int i = 0; i < 101 + 20; i++) {
    const int N = i < 20 ? std::rand() % 101 : (First + i) % 101;
    const std::string Folder = IncludeTrailingBackslash(Parent) + "QV" + std::to_string(N);
    if (CreateDirectoryA(Folder.c_str(), nullptr)) return Folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return "";
  }
  return "";
}

std::string ScannerParameters(const std::string& Folder, const std::string& Parameters) {
  if (Parameters.empty()) return Folder;
  return Folder + (Parameters[0] == '*' ? "\\" : " ") + Parameters;
}

std::string FindSetupProgram(const std::vector<TFile>& Entries) {
  for (const TFile& E : Entries) {
    const std::string Name = LowerCaseStr(E.Name);
    if ((Name == "setup.exe" && E.Path.empty()) || Name == "install.exe") {
      std::string Found = E.Path + E.Name;
      if (!Found.empty() && Found[0] == '\\') Found.erase(0, 1);
      return Found;
    }
  }
  return "";
}

bool TPackageRunner::PrepareFolder(bool KeepExisting) {
  const std::string Parent = UsableTempFolder();
  if (!PackageTempFolder.empty() && (!KeepExisting || DirectoryExists(PackageTempFolder))) return true;
  const std::string Folder = CreatePackageFolder(Parent);
  if (Folder.empty()) {
    ShowAppMessage("Can't create a temporary folder in " + Parent + ".", mtError, mbOK);
    return false;
  }
  PackageTempFolder = Folder;
  if (ExtractAll) ExtractAll(Folder);
  return true;
}

void TPackageRunner::Forget(bool Delete) {
  if (Delete && !PackageTempFolder.empty()) DeleteFolderTree(PackageTempFolder);
  PackageTempFolder.clear();
  if (ShowStatus) ShowStatus();
}

int TPackageRunner::VirusScan() {
  // Telling "no virus" about a scan that never ran would be a lie.
  if (VirusScanProgram.empty() || !FileExists(VirusScanProgram)) {
    ShowAppMessage("The virus scanner \"" + VirusScanProgram + "\" cannot be found.\rThe archive was not scanned.",
                   mtError, mbOK);
    return -1;
  }
  if (!PrepareFolder(false)) return -1;
  const int Code =
      ExecuteInOwnFolder(VirusScanProgram, ScannerParameters(PackageTempFolder, VirusScanParameters), true);
  if (Code == -1)
    ShowAppMessage("The virus scanner \"" + VirusScanProgram + "\" could not be started.\rThe archive was not scanned.",
                   mtError, mbOK);
  else if (Code == 0)
    ShowAppMessage("Virus scanning operation complete. \rIf no error or warning dialog boxes were displayed by the "
                   "virus scanner no viruses were found. B.t.w. exitcode was 0, so in most cases this means that "
                   "there is no virus in the archive.",
                   mtInformation, mbOK);
  else
    ShowAppMessage("Virus scanning operation complete. \rBeacuse \"exitcode\" wasn't 0 there might be some some "
                   "warnings or some viruses found in this archive. Before any operations on this archive, be sure "
                   "that there is no viruses.",
                   mtWarning, mbOK);
  Forget(true);
  return Code;
}

void TPackageRunner::Install() {
  if (!PrepareFolder(true)) return;
  const std::string Folder = PackageTempFolder;
  const std::string Name = FindSetupProgram(FileTable);
  ExecuteInOwnFolder(Folder + "\\" + Name, "", false);
  const int Answer = ShowAppMessage("Installation started...\r\rRunning directory: " + Folder +
                                        "\rInstllation filename: " + Name + "\r\r" +
                                        "When installation finishes...\rDo you want to delete temporary folder " +
                                        Folder + "?",
                                    mtConfirmation, mbYes | mbNo);
  Forget(Answer == mrYes);
}
