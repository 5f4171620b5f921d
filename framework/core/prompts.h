// Questions that library code asks the user go through replaceable hooks, so
// tests and unattended runs never block on a message box.
#pragma once
#include <functional>
#include <string>

// Button sets; the value is MessageBoxA's uType, so Windows callers may or
// icon flags into it.
enum : int {
  pbOK = 0,
  pbOKCancel = 1,
  pbAbortRetryIgnore = 2,
  pbYesNoCancel = 3,
  pbYesNo = 4,
  pbRetryCancel = 5,
};

// Answers, with the values Windows' IDOK... and Delphi's mrOk... share.
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
};

using TPromptHook = std::function<int(const std::string& Text, const std::string& Caption, int Buttons)>;
using TProcessMessagesHook = std::function<void()>;

// Replaceable; empty means the default: MessageBoxA on Windows, natively the
// cautious answer (No, Cancel or Abort; OK for pbOK).
TPromptHook& PromptHook();
int Prompt(const std::string& Text, const std::string& Caption, int Buttons);
int DefaultPrompt(const std::string& Text, const std::string& Caption, int Buttons);

// Lets the user interface breathe during long work; the UI installs
// Application.ProcessMessages here. Empty does nothing.
TProcessMessagesHook& ProcessMessagesHook();
void ProcessMessages();
