// The spanning windows: TReadSpanForm ("Read disk span...") joins a Zip set
// spanned over several disks into one archive; TWriteSpanForm ("Write disk
// span...") writes one archive as a spanned set.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;

class TReadSpanForm : public TForm {
 public:
  explicit TReadSpanForm(TComponent* AOwner, const char* ClassName = "TReadSpanForm");

  // OK only for an existing FromArc and a ToArc that differ in lower case.
  void FromArcChange();
  virtual void OKButtClick();
  // The message the last OK showed ("" when none).
  std::string LastMessage;

  TEditX *FromArc = nullptr, *ToArc = nullptr;
  TButton *FromArcButton = nullptr, *ToArcButton = nullptr, *OKButt = nullptr, *CancelButt = nullptr;
  TProgressBar* ProgressBar1 = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TZipBridge* ZipBridge1 = nullptr;

 protected:
  virtual void FormShow();
  // The checks every OK starts with; false after the message.
  bool ZipNameChecked();
  void Report(const std::string& Text, bool Error);
  void Browse(TEditX* Edit, const std::string& Title, bool MustExist);
  std::string FDefaultTarget = "c:\\Converted.zip";
  int FClientHeight = 139;
};

class TWriteSpanForm : public TReadSpanForm {
 public:
  explicit TWriteSpanForm(TComponent* AOwner);
  // The volume size of a SpanningMode item: 0 for "Automatic", n kb × 1024.
  static int VolumeSize(int ItemIndex);
  void OKButtClick() override;
  TComboBox* SpanningMode = nullptr;
  // The WriteSpannedSet result of the last OK, -1 before.
  int LastResult = -1;

 protected:
  void FormShow() override;
};
