// TMsgForm ("View Last Output"): the operation log. Its memo is the log that
// the dialogs and the engine handlers write; the window shows it.
#pragma once
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TFormStorage;

class TMsgForm : public TForm {
 public:
  explicit TMsgForm(TComponent* AOwner);
  // Scrolls the memo to its last line.
  void ScrollToEnd();

  TPanel* ControlPanel = nullptr;
  TButton* OKButton = nullptr;
  TPanel* ViewPanel = nullptr;
  TMemo* MessageMemo = nullptr;
  TFormStorage* FormStorage1 = nullptr;
};

// The one log window of the program, made on first use.
TMsgForm* MsgForm();
