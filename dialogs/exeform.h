// TEXEForm ("Quillon Self-Extractor"): turns the open Zip archive into a
// self-extracting program with the texts and options the user sets.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;

class TEXEForm : public TForm {
 public:
  explicit TEXEForm(TComponent* AOwner);

  // "C:\Data\Pack.ZIP" gives "c:\data\pack.exe".
  static std::string OutputNameFor(const std::string& Archive);
  void OKButtClick();
  // Where the build goes: 0 directly, 1 through the temporary folder (the
  // drive lacks room for both files), 2 refused (no room at all).
  static int BuildPlace(const std::string& Output, const std::string& Archive, int64_t FreeBytes, int64_t ArchiveSize);
  // Replaces the test question after a build (tests); true answers Yes.
  std::function<bool(const std::string& Text)> AskTestNow;

  TEditX *ArchiveNameEdit = nullptr, *UnZIPTo = nullptr, *CaptionEdit = nullptr, *CommandLine = nullptr;
  TCheckBox *CheckBox1 = nullptr, *CheckBox3 = nullptr, *AutoRun = nullptr, *HideOverwrite = nullptr;
  TButton *OKButt = nullptr, *CancelButt = nullptr, *HelpButt = nullptr;
  TZipBridge* ZipBridge1 = nullptr;

 private:
  void FormShow();
  bool BuildThroughTemp(const std::string& Output);
};

// The main window's "Make .EXE File..." command.
void MakeExeFileClick();
