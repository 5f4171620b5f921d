// Starting outside programs and the two commands built on it: the virus scan
// and the package install, which extract the whole open archive into a new
// "QV" folder of the temporary folder first.
#pragma once
#include <functional>
#include <string>
#include <vector>

struct TFile;

// Starts a program or document through the shell in Directory (the program's
// working folder; this process's own current folder stays). With Wait it
// keeps the application's messages running until the program ends and
// returns its exit code; without, 0 once started. -1 when it cannot start.
int ExecuteAndWait(const std::string& FileName, const std::string& Parameters, const std::string& Directory,
                   bool Wait);
// ExecuteAndWait in the folder of FileName.
int ExecuteInOwnFolder(const std::string& FileName, const std::string& Parameters, bool Wait);

// The "Temp" setting made usable: empty or "\" becomes the program's folder
// (stored back). Ends in "\".
std::string UsableTempFolder();
// Creates a new folder "QV" + a number from 0 to 100 in Parent (with its
// trailing "\"): one that did not exist before, so that its later removal
// can only take what was extracted. Empty when none could be made.
std::string CreatePackageFolder(const std::string& Parent);

// The scanner's parameters for Folder: "*..." is joined to the folder with
// "\", anything else with a blank; empty ones give the folder alone.
std::string ScannerParameters(const std::string& Folder, const std::string& Parameters);
// The setup program of an entry table: the first "setup.exe" at the root or
// "install.exe" in any folder (names compared lower-cased), as its stored
// path; empty when there is none.
std::string FindSetupProgram(const std::vector<TFile>& Entries);

// The virus scan and the install of the open archive. ExtractAll extracts
// the whole archive into the folder given (the main window's engines);
// ShowStatus refreshes the selection summary afterwards.
class TPackageRunner {
 public:
  std::function<void(const std::string& Folder)> ExtractAll;
  std::function<void()> ShowStatus;
  // The folder of the running command, without a trailing "\"; empty
  // between commands.
  std::string PackageTempFolder;

  // Returns the scanner's exit code, or -1 when nothing was scanned (no
  // scanner file, no folder, or the scanner could not start); every outcome
  // is told to the user.
  int VirusScan();
  // Starts the setup program (or opens the folder) without waiting, then
  // asks whether to delete the folder.
  void Install();

 private:
  bool PrepareFolder(bool KeepExisting);
  void Forget(bool Delete);
};
