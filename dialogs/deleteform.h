// TDeleteForm ("Delete"): removes the whole content, the selected rows or the
// entries matching a mask from the open archive; the Zip family through the
// main window's Zip component, ".cab", ".lzh" and ".bh" through the writer of
// the format in its delete mode.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TCompBase;

class TDeleteForm : public TForm {
 public:
  explicit TDeleteForm(TComponent* AOwner);

  // The file patterns the chosen mode gives for the entry table: a folder
  // row stands for everything below it; the "..\" row never counts.
  std::vector<std::string> DeleteSpecs();
  void DeleteButtClick(TObject* Sender);

  TGroupBox* DeleteModeGroup = nullptr;
  TRadioButton *DeleteEntire = nullptr, *SelectedFiles = nullptr, *CFiles = nullptr;
  TEditX* FileSpec = nullptr;
  TButton *DeleteButt = nullptr, *CancelButt = nullptr, *HelpButt = nullptr;

 private:
  void FormShow();
  // The writer of ".cab", ".lzh" or ".bh", made on first use.
  TCompBase* WriterFor(const std::string& Ext);
  std::map<std::string, TCompBase*> FWriters;
};

// The mask of the Files field as matched: ".txt" is "*.txt", "readme." is
// "readme.*"; lower case.
std::string DeleteMask(const std::string& Text);
