// TARCConvForm ("Archive Converter"): converts one archive into another
// format with its own converter component and logs the converter's events.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TArc2Arc;
class TOpenDialog;

// The input box that asks for a missing volume: captioned Caption, prompting
// Prompt, with Value to edit; false on Cancel.
bool ConvVolumeQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);

// The extension proposed for output type Index (".BH", ".CAB", ".LHA",
// ".ZIP", ".TAR", ".TAR").
std::string ConvOutputExt(int Index);
// Input with the extension of type Index; never the input itself (compared
// as full paths, case ignored): then "_1", "_2"... go before the extension.
std::string ConvOutputName(const std::string& Input, int Index);

class TARCConvForm : public TForm {
 public:
  explicit TARCConvForm(TComponent* AOwner);

  void btnOKClick(TObject* Sender);
  void RadioGroup1Click(TObject* Sender);
  // True after the last run converted the archive.
  bool Converted() const { return FConverted; }

  TEditX *Edit1 = nullptr, *Edit2 = nullptr;
  TButton *FlatButton1 = nullptr, *FlatButton2 = nullptr, *btnOK = nullptr, *CloseButton = nullptr;
  TRadioGroup *RadioGroup1 = nullptr, *RadioGroup2 = nullptr;
  TCheckBox* CheckBox1 = nullptr;
  TListBox* ListBox1 = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  TProgressBar *ProgressBar1 = nullptr, *ProgressBar2 = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TArc2Arc* Arc2Arc1 = nullptr;

 private:
  void FormShow();
  void EditChange();
  void FlatButton1Click();
  void FlatButton2Click();
  void BindEvents();
  void Log(const std::string& Line);
  void Status(const std::string& Text);
  std::string Shortened(const std::string& Name);
  bool FConverted = false;
  bool FFailed = false;  // an error was reported during the run
};
