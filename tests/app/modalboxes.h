// Answers the program's message boxes in tests.
#pragma once
#include <string>
#include <vector>

#include "framework/ui/testdriver.h"

namespace morvtest {

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

}  // namespace morvtest
