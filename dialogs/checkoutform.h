// TCheckOut ("CheckOut"): extracts the whole open archive into a new folder
// and builds a program group of shortcuts to the extracted files, then opens
// the group folder.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;

// The folders the last check-out made (with trailing "\"), for the clean-up
// offered when the archive is closed.
extern std::string CheckoutFolder, CheckoutProgramsFolder;

// When the last check-out's folder is still there, asks whether to delete it
// and its program group, and does so on Yes; forgets the check-out either
// way. Run when the archive is closed, and so when the program ends.
void OfferCheckoutCleanup();

// Which entries (paths below the extract folder, "\" separators) get a
// shortcut, in order: with DocOnly only programs and documents count and
// every one of them counts toward Limit whether made or not (Exists tells
// whether its shortcut is there already); without it every entry counts,
// Limit 0 is no limit and a negative Limit makes none.
std::vector<std::string> CheckoutShortcuts(const std::vector<std::string>& Entries, bool DocOnly, int Limit,
                                           const std::function<bool(const std::string& Entry)>& Exists);

class TCheckOut : public TForm {
 public:
  explicit TCheckOut(TComponent* AOwner);

  void OKClick(TObject* Sender);

  TEditX *FolderName = nullptr, *GroupName = nullptr, *MaxIcons = nullptr;
  TCheckBox* DocOnly = nullptr;
  TButton *OK = nullptr, *Cancel = nullptr, *HelpButt = nullptr;
  TZipBridge* ZipBridge1 = nullptr;

 private:
  void FormShow();
  // The entries of the open archive in directory order.
  std::vector<std::string> EntryPaths();
};
