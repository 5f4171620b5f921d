// Password prompts of the Zip component.
#include "zipbridge/zipbridge.h"

bool TZipBridge::ShowPasswordDlg(const std::string& Title, const std::string& Prompt, std::string& Text) {
  Text.clear();
  if (PasswordDlgHook()) return PasswordDlgHook()(Title, Prompt, Text);
  return false;
}
