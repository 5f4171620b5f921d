// TFlatButton: a push button that looks flat, with a thin raised border,
// until the mouse is over it; then it shows a full 3-D border.
#pragma once
#include "framework/ui/stdctrls.h"

class TFlatButton : public TButton {
 public:
  explicit TFlatButton(TComponent* AOwner);
  bool IsDefault() const { return FIsDefault; }
  // Whether the last drawing showed the hot (3-D) look.
  bool DrawnHot() const { return FDrawnHot; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void EnabledChanged() override;
  void FontChanged() override;

 private:
  void DrawItem(const DRAWITEMSTRUCT& DI);
  bool FIsDefault = false;
  bool FDrawnHot = false;
};
