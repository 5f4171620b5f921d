// Common file dialogs and the message dialog (a form built in code, so it can
// be moved, captioned and answered like any other form).
#pragma once
#include <memory>
#include <string>

#include "framework/ui/forms.h"

using TOpenOptions = uint32_t;
constexpr TOpenOptions ofReadOnly = 1u << 0, ofOverwritePrompt = 1u << 1, ofHideReadOnly = 1u << 2,
                       ofNoChangeDir = 1u << 3, ofShowHelp = 1u << 4, ofNoValidate = 1u << 5,
                       ofAllowMultiSelect = 1u << 6, ofExtensionDifferent = 1u << 7, ofPathMustExist = 1u << 8,
                       ofFileMustExist = 1u << 9, ofCreatePrompt = 1u << 10, ofShareAware = 1u << 11,
                       ofNoReadOnlyReturn = 1u << 12, ofNoTestFileCreate = 1u << 13, ofNoNetworkButton = 1u << 14,
                       ofNoLongNames = 1u << 15, ofOldStyleDialog = 1u << 16, ofNoDereferenceLinks = 1u << 17,
                       ofEnableIncludeNotify = 1u << 18, ofEnableSizing = 1u << 19;

// The OFN_* flags for Options (ofExtensionDifferent is an output only).
DWORD OpenOptionsToFlags(TOpenOptions Options);
// "Text files|*.txt|All files|*.*" as the double-NUL-terminated list
// GetOpenFileName takes.
std::wstring FilterToWide(const std::string& Filter);
// The names of a multi-select result buffer: "dir\0a\0b\0\0" gives dir\a and
// dir\b; a single full path gives itself.
std::vector<std::string> SplitMultiSelect(const wchar_t* Buffer, size_t Size);

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  std::string DefaultExt;
  std::string FileName;
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string Title;
  TOpenOptions Options = ofHideReadOnly | ofEnableSizing;
  // All chosen names (one without multi-select).
  TStrings* Files() { return FFiles.get(); }
  // Shows the dialog; false when cancelled.
  virtual bool Execute();
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  bool DoExecute(bool Save);

 private:
  std::unique_ptr<TStringList> FFiles;
};

class TSaveDialog : public TOpenDialog {
 public:
  using TOpenDialog::TOpenDialog;
  bool Execute() override;
};

enum TMsgDlgType : int { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
using TMsgDlgButtons = uint16_t;
constexpr TMsgDlgButtons mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbAbort = 16, mbRetry = 32, mbIgnore = 64,
                         mbAll = 128, mbNoToAll = 256, mbYesToAll = 512, mbHelp = 1024;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel, mbOKCancel = mbOK | mbCancel,
                         mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;
constexpr int mrNoToAll = mrAll + 1, mrYesToAll = mrNoToAll + 1;

// A dialog form with the type's icon and caption, the message (label
// "Message") and one button per member of Buttons, named "OK", "Cancel",
// "Yes", "No", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll",
// "Help" and carrying the matching ModalResult. Not shown yet.
std::unique_ptr<TForm> CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Shows it modally, centred on the screen; returns the modal result.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
void ShowMessage(const std::string& Msg);
