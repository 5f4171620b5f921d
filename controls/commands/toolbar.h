// TCustomToolbarX / TToolbarX: a tool window holding a row of buttons, edits
// and separators, one line when docked, wrapped lines when floating (at the
// width the user sizes it to); TToolbarSepX: the separator.
#pragma once
#include <vector>

#include "controls/commands/core/tblayout.h"
#include "controls/commands/toolwindow.h"

class TCustomToolbarX : public TCustomToolWindowX {
 public:
  explicit TCustomToolbarX(TComponent* AOwner);

  // The floating wrap width (0: no wrapping).
  int FloatRightX() const { return FFloatRightX; }
  void SetFloatRightX(int Value);
  std::string Version() const { return ToolbarXVersion; }
  void SetVersion(const std::string&) {}

  int DockedThickness(TDockType Type) override;
  SIZE OrderControls(bool CanMoveControls, TDockType Type, TDockX* DockingTo) override;
  void ReadPositionData(const TPositionReadInt& Read) override;
  void WritePositionData(const TPositionWriteInt& Write) override;
  const std::vector<TSeparatorLine>& SeparatorLines() const { return FLines; }
  // The window sizes a floating resize can snap to.
  std::vector<TFloatSize> FloatSizes(bool SizingHeight);

 protected:
  bool ChildControlTransparent(TControl* C) override;
  void BeginFloatResize(UINT HitTest) override;
  void FloatResizeStep(UINT HitTest, TRect& R) override;
  void EndFloatResize(bool Accepted) override;
  void Paint() override;

 private:
  std::vector<TToolbarItem> Items(std::vector<TControl*>& Controls);
  int FFloatRightX = 0;
  std::vector<TSeparatorLine> FLines;
  // The state of an interactive resize.
  std::vector<TFloatSize> FSizes;
  UINT FSizeEdge = 0;
  int FSavedFloatRightX = 0;
  int FNewFloatRightX = 0;
  TRect FStartRect{};
  int FLastSize = 0;
  bool FLastGrowing = false;
  bool FMoved = false;
};

class TToolbarX : public TCustomToolbarX {
 public:
  using TCustomToolbarX::TCustomToolbarX;
};

class TToolbarSepX : public TGraphicControl {
 public:
  explicit TToolbarSepX(TComponent* AOwner);
  bool Blank() const { return FBlank; }
  void SetBlank(bool Value);
  int SizeHorz() const { return FSizeHorz; }
  void SetSizeHorz(int Value);
  int SizeVert() const { return FSizeVert; }
  void SetSizeVert(int Value);
  void SetParent(TWinControl* AParent) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  bool FBlank = false;
  int FSizeHorz = 6, FSizeVert = 6;
};
