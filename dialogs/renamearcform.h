// TRenameForm ("Rename"): renames the open archive file on disk, keeping its
// extension (everything from the first ".").
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TRenameForm : public TForm {
 public:
  explicit TRenameForm(TComponent* AOwner);
  void Button1Click(TObject* Sender);

  TLabel *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
  TEditX* Edit1 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr;

 private:
  void FormShow();
};

// "pack.tar.gz" -> "pack" and ".tar.gz".
void SplitAtFirstDot(const std::string& FileName, std::string& Base, std::string& Ext);
