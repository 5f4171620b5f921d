// TUUEncodeForm ("UUEncode / XXEncode"): encodes the open archive's file as
// uuencoded or xxencoded text, optionally in volumes.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TUUEncode;

// Kilobytes per volume for SpanningMode index Index (0 = one file).
int UUVolumeKBytes(int Index);
// True when Name can be written: an existing file is opened for writing
// and left as it was, a missing one is created and removed again.
bool CanCreateFile(const std::string& Name);

class TUUEncodeForm : public TForm {
 public:
  explicit TUUEncodeForm(TComponent* AOwner);

  void OKClick(TObject* Sender);
  void RadioGroup1Click(TObject* Sender);
  void BrowseClick(TObject* Sender);

  TEditX *SourceFile = nullptr, *DestFile = nullptr;
  TButton *Browse = nullptr, *OKButton = nullptr, *CancelButton = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;
  TCheckBox* CheckBox1 = nullptr;
  TComboBox* SpanningMode = nullptr;
  // The encoder the dialog drives.
  TUUEncode* UUEncode1 = nullptr;

 private:
  void FormShow();
};
