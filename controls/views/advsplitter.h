// A control of two panes separated by a bar the user drags. Position is the
// bar's offset from the left (vertical bar) or the top (horizontal bar),
// clamped so both panes keep their minimum size and never get a negative one.
#pragma once
#include <memory>

#include "framework/ui/extctrls.h"

enum TSplitterOrientation : int { soHorizontal, soVertical };
enum TSplitterStyle : int { ssCheckered, ssSolid };
enum TAdvFrameStyle : int { ftNone, ftRaised, ftLowered, ftCarved, ftBump };

class TAdvPane : public TCustomPanel {
 public:
  explicit TAdvPane(TComponent* AOwner);
  TAdvFrameStyle FrameStyle() const { return FFrameStyle; }
  void SetFrameStyle(TAdvFrameStyle Value);
  int MinSize() const { return FMinSize; }
  void SetMinSize(int Value) { FMinSize = static_cast<uint16_t>(Value); }

 private:
  TAdvFrameStyle FFrameStyle = ftLowered;
  uint16_t FMinSize = 10;
};

// Forwards its four settings to a pane.
class TAdvPaneSetting : public TPersistent {
 public:
  explicit TAdvPaneSetting(TAdvPane* Pane) : FPane(Pane) {}
  TColor Color() const { return FPane->Color(); }
  void SetColor(TColor Value) { FPane->SetColor(Value); }
  TAdvFrameStyle FrameStyle() const { return FPane->FrameStyle(); }
  void SetFrameStyle(TAdvFrameStyle Value) { FPane->SetFrameStyle(Value); }
  int FrameWidth() const { return FPane->BevelWidth(); }
  void SetFrameWidth(int Value) { FPane->SetBevelWidth(Value); }
  int MinSize() const { return FPane->MinSize(); }
  void SetMinSize(int Value) { FPane->SetMinSize(Value); }

 private:
  friend class TAdvSplitter;
  TAdvPane* FPane;
};

class TAdvSplitter : public TCustomControl {
 public:
  explicit TAdvSplitter(TComponent* AOwner);
  ~TAdvSplitter() override;
  void Loaded() override;

  // Pane 1 or 2; nullptr for any other index.
  TAdvPane* GetPane(int Index) const;
  TAdvPaneSetting* Pane1Setting() { return FPane1Setting.get(); }
  TAdvPaneSetting* Pane2Setting() { return FPane2Setting.get(); }

  bool AllowResize = true;
  bool AutoUpdate() const { return FAutoUpdate; }
  void SetAutoUpdate(bool Value) { FAutoUpdate = Value; }
  bool ProportionalResize = false;
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TSplitterOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TSplitterOrientation Value);
  int Position() const { return FPosition; }
  void SetPosition(int Value);
  TColor SplitterColor() const { return FSplitterColor; }
  void SetSplitterColor(TColor Value);
  TSplitterStyle SplitterStyle = ssCheckered;
  int Thickness() const { return FThickness; }
  void SetThickness(int Value);

  TNotifyEvent OnPaneResize;

  // Lays the panes out at the clamped position.
  void UpdatePanes();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  int ClientExtent();
  int ClampPosition(int Value);
  bool Loading() const { return (FComponentState & csLoading) != 0; }
  void DrawDragLine(int Pos);
  void PaneResized(TObject* Sender);
  TAdvPane* FPane1 = nullptr;
  TAdvPane* FPane2 = nullptr;
  std::unique_ptr<TAdvPaneSetting> FPane1Setting, FPane2Setting;
  bool FAutoUpdate = false;
  TBorderStyle FBorderStyle = bsNone;
  TSplitterOrientation FOrientation = soVertical;
  int FPosition = 50;
  TColor FSplitterColor = clBtnFace;
  int FThickness = 2;
  bool FArmed = false;
  bool FDragging = false;
  int FLastLine = -1;
  double FProportion = 0;
  HBRUSH FPatternBrush = nullptr;
};
