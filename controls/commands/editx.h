// TEditX: a single-line edit with a flat, toolbar-style border that turns
// sunken while it has the focus or the mouse is over it; the dialogs use it
// for their text fields.
#pragma once
#include "controls/commands/core/hookregistry.h"
#include "framework/ui/stdctrls.h"

class TEditX : public TCustomEdit {
 public:
  explicit TEditX(TComponent* AOwner);
  ~TEditX() override;
  void Loaded() override;
  std::string Version() const { return ToolbarXVersion; }
  void SetVersion(const std::string&) {}
  // Whether the border currently shows the hot (sunken) look.
  bool HotLook();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  void FontChanged() override;
  void EnabledChanged() override;
  void MouseEnter() override;
  void MouseLeave() override;
  // Called after each drawing of the border, on the same DC.
  virtual void BorderDrawn(HDC) {}
  void RedrawBorder(HRGN Clip = nullptr);

 private:
  void AdjustHeight();
  void DrawBorder(HDC DC);
  static void NCPaintProc(HWND Wnd, HDC DC, void* Data);
  bool FMouseInControl = false;
};

// True when Control is a TEditX (or descendant) while any TEditX exists.
bool IsRegisteredEditClass(const TControl* Control);
