// A light-emitting diode of 16 shapes, on or off, drawn from a shape picture
// whose silver body takes the on or off colour and whose olive background
// takes the control's colour.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "framework/ui/controls.h"

enum TBorder : int { brDefault, brRaised, brLowered };
enum TLedType : int {
  ltDiamond, ltEllipsHrz, ltEllipsVrt, ltMoonLeft, ltMoonRight, ltParallelBck, ltParallelFwd, ltPentagon,
  ltRound, ltRectangleHrz, ltRectangleVrt, ltSquare, ltTriangleDwn, ltTriangleLeft, ltTriangleRight, ltTriangleUp
};

using TLedStateChangedEvent = std::function<void(TObject* Sender, bool LedOn, int NumSwitch)>;

// The picture name of a shape, border and 3-D setting ("AMRNDLED3DUP", ...).
std::string LedPictureName(TLedType Type, TBorder Border, bool Ctl3D);
// Draws the 13 x 13 picture of that name into Bitmap (the program's 64 LED
// pictures); false for an unknown name.
bool LoadLedPicture(const std::string& Name, TBitmap* Bitmap);

class TAdvLed : public TGraphicControl {
 public:
  static constexpr int LedSize = 13;
  explicit TAdvLed(TComponent* AOwner);
  ~TAdvLed() override;
  void Loaded() override;

  TBorder BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorder Value);
  TColor ColorOff() const { return FColorOff; }
  void SetColorOff(TColor Value);
  TColor ColorOn() const { return FColorOn; }
  void SetColorOn(TColor Value);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool LedOn() const { return FLedOn; }
  void SetLedOn(bool Value);
  TLedType LedType() const { return FLedType; }
  void SetLedType(TLedType Value);
  int NumSwitch() const { return FNumSwitch; }
  // The name of the picture in use.
  const std::string& PictureName() const { return FPictureName; }

  TLedStateChangedEvent OnLedStateChanged;

 protected:
  void Paint() override;

 private:
  void LoadPicture();
  TBorder FBorderStyle = brRaised;
  TColor FColorOff = clGreen;
  TColor FColorOn = clLime;
  bool FCtl3D = true;
  bool FLedOn = false;
  TLedType FLedType = ltRound;
  int FNumSwitch = 0;
  std::string FPictureName;
  std::unique_ptr<TBitmap> FShape;
  std::unique_ptr<TBitmap> FWork;
};
