// TPasswordForm ("Password"): asks for one password.
#pragma once
#include <functional>
#include <string>

#include "controls/commands/editx.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TPasswordForm : public TForm {
 public:
  explicit TPasswordForm(TComponent* AOwner);

  TEditX* Password = nullptr;
  TButton *OKButt = nullptr, *CancelButt = nullptr;
  // The text confirmed with OK; empty after Cancel or Escape.
  std::string EnteredPassword;
};

// The password remembered for the open archive.
extern std::string ArchivePassword;

// Shows the password window modally with Caption, centred on Over (the main
// window when none); the password entered, '' when cancelled.
std::string AskPassword(const std::string& Caption = "Password", TCustomForm* Over = nullptr);
// When set, answers AskPassword in place of the window (tests drive it).
extern std::function<std::string(const std::string& Caption)> PasswordPrompt;
