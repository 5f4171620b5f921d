// TPlusEditX: the flat edit with alignment, a keyboard filter, focus colours
// and a read-only-caret mode.
#pragma once
#include "controls/commands/core/keyfilter.h"
#include "controls/commands/editx.h"

enum TBehaviour : int { mbXStyle, mbEasyStyle };

class TPlusEditX : public TEditX {
 public:
  explicit TPlusEditX(TComponent* AOwner);
  bool ChangeColorOnFocus = false;
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool EditorEnabled = true;
  TKeyboardFilter KeyboardFilter = kfNone;
  TBehaviour MouseBehaviour = mbXStyle;
  bool AutoSelect = true;
  TNotifyEvent OnMouseExit;  // OnMouseEnter is the framework's
  virtual bool IsValidChar(char Key);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyPress(char& Key) override;
  void Dispatch(TMessage& Message) override;
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  void SetFocusColours(bool Focused);
  TAlignment FAlignment = taLeftJustify;
};
