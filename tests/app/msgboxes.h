// The message boxes of a dialog test, answered as they come.
#pragma once
#include <string>
#include <vector>

#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"
#include "framework/ui/testdriver.h"

// Answers every message box with Result and keeps the texts.
struct TBoxes {
  explicit TBoxes(int Result, int Count = 8) {
    for (int i = 0; i < Count; ++i)
      Answer.Then([this, Result](HWND, TCustomForm* F) {
        if (!F) return false;
        Texts.push_back(UiDriver::Find<TLabel>(F, "Message")->Caption());
        F->SetModalResult(Result);
        return true;
      });
  }
  UiDriver::TModalAnswerer Answer;
  std::vector<std::string> Texts;
};
