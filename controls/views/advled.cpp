#include "controls/views/advled.h"

#include <vector>

#include "controls/views/viewprops.h"

namespace {

const char* const kStems[] = {"AMDMDLED",    "AMLPSLEDHRZ", "AMLPSLEDVRT",   "AMMONLEDLEFT", "AMMONLEDRIGHT",
                              "AMPRLLEDBCK", "AMPRLLEDFWT", "AMPNTLED",      "AMRNDLED",     "AMRCTLEDHRZ",
                              "AMRCTLEDVRT", "AMSQRLED",    "AMTRILEDDWN",   "AMTRILEDLEFT", "AMTRILEDRIGHT",
                              "AMTRILEDUP"};
constexpr TColor kBody = clSilver;  // replaced by the on or off colour
constexpr TColor kBack = clOlive;   // replaced by the control's colour

void DrawShape(TCanvas* C, int Type, int Inset) {
  const int a = Inset, b = 12 - Inset;
  auto poly = [&](std::vector<TPoint> p) { C->Polygon(p); };
  switch (Type) {
    case ltDiamond: poly({{6, a}, {b, 6}, {6, b}, {a, 6}}); break;
    case ltEllipsHrz: C->Ellipse(a, 3, b + 1, 10); break;
    case ltEllipsVrt: C->Ellipse(3, a, 10, b + 1); break;
    case ltMoonLeft:
    case ltMoonRight: C->Ellipse(a, a, b + 1, b + 1); break;
    case ltParallelBck: poly({{a, 2}, {8, 2}, {b, 10}, {4, 10}}); break;
    case ltParallelFwd: poly({{4, 2}, {b, 2}, {8, 10}, {a, 10}}); break;
    case ltPentagon: poly({{6, a}, {b, 5}, {10, b}, {2, b}, {a, 5}}); break;
    case ltRound: C->Ellipse(a, a, b + 1, b + 1); break;
    case ltRectangleHrz: C->Rectangle(a, 3, b + 1, 10); break;
    case ltRectangleVrt: C->Rectangle(3, a, 10, b + 1); break;
    case ltSquare: C->Rectangle(a + 1, a + 1, b, b); break;
    case ltTriangleDwn: poly({{a, 2}, {b, 2}, {6, b}}); break;
    case ltTriangleLeft: poly({{10, a}, {10, b}, {a, 6}}); break;
    case ltTriangleRight: poly({{2, a}, {2, b}, {b, 6}}); break;
    case ltTriangleUp: poly({{6, a}, {b, 10}, {a, 10}}); break;
    default: break;
  }
}

}  // namespace

std::string LedPictureName(TLedType Type, TBorder Border, bool Ctl3D) {
  std::string name = kStems[Type];
  if (Border == brRaised) name += "3DUP";
  if (Border == brLowered) name += "3DDWN";
  if (!Ctl3D) name += "FLAT";
  return name;
}

bool LoadLedPicture(const std::string& Name, TBitmap* Bitmap) {
  int type = -1;
  std::string rest;
  for (int i = 0; i < 16; ++i) {
    std::string stem = kStems[i];
    if (Name.compare(0, stem.size(), stem) != 0) continue;
    std::string tail = Name.substr(stem.size());
    if (tail.empty() || tail == "3DUP" || tail == "3DDWN" || tail == "FLAT") {
      if (type < 0 || stem.size() > std::string(kStems[type]).size()) {
        type = i;
        rest = tail;
      }
    }
  }
  if (type < 0) return false;
  Bitmap->SetSize(TAdvLed::LedSize, TAdvLed::LedSize);
  TCanvas* c = Bitmap->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(kBack);
  c->FillRect(Rect(0, 0, TAdvLed::LedSize, TAdvLed::LedSize));
  const bool flat = rest == "FLAT";
  // The bezel: a light and a dark copy of the shape offset under the body.
  c->Pen()->SetStyle(psSolid);
  if (rest == "3DUP" || rest == "3DDWN") {
    TColor first = rest == "3DUP" ? clWhite : clGray, second = rest == "3DUP" ? clGray : clWhite;
    c->Brush()->SetColor(first);
    c->Pen()->SetColor(first);
    DrawShape(c, type, 0);
    c->Brush()->SetColor(second);
    c->Pen()->SetColor(second);
    DrawShape(c, type, 1);
  }
  c->Brush()->SetColor(kBody);
  c->Pen()->SetColor(flat ? kBody : clBlack);
  DrawShape(c, type, rest.empty() || flat ? 0 : 1);
  if (type == ltMoonLeft || type == ltMoonRight) {
    c->Brush()->SetColor(kBack);
    c->Pen()->SetColor(kBack);
    if (type == ltMoonLeft)
      c->Ellipse(5, 0, 16, 13);
    else
      c->Ellipse(-3, 0, 8, 13);
  }
  return true;
}

TAdvLed::TAdvLed(TComponent* AOwner)
    : TGraphicControl(AOwner), FShape(std::make_unique<TBitmap>()), FWork(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, LedSize, LedSize);
  FWork->SetSize(LedSize, LedSize);
  LoadPicture();
}

TAdvLed::~TAdvLed() = default;

void TAdvLed::Loaded() {
  TGraphicControl::Loaded();
  if (!(FComponentState & csDesigning)) SetBounds(Left(), Top(), LedSize, LedSize);
}

void TAdvLed::SetLedOn(bool Value) {
  if (Value == FLedOn) return;
  FLedOn = Value;
  ++FNumSwitch;
  if (OnLedStateChanged) OnLedStateChanged(this, FLedOn, FNumSwitch);
  Invalidate();
}

void TAdvLed::SetLedType(TLedType Value) {
  if (Value == FLedType) return;
  FLedType = Value;
  LoadPicture();
}

void TAdvLed::SetBorderStyle(TBorder Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  if (Value != brDefault) FCtl3D = true;
  LoadPicture();
}

void TAdvLed::SetCtl3D(bool Value) {
  if (Value == FCtl3D) return;
  FCtl3D = Value;
  if (!Value) FBorderStyle = brDefault;
  LoadPicture();
}

void TAdvLed::SetColorOn(TColor Value) {
  if (Value == FColorOn) return;
  FColorOn = Value;
  Invalidate();
}

void TAdvLed::SetColorOff(TColor Value) {
  if (Value == FColorOff) return;
  FColorOff = Value;
  Invalidate();
}

void TAdvLed::LoadPicture() {
  FPictureName = LedPictureName(FLedType, FBorderStyle, FCtl3D);
  if (!LoadLedPicture(FPictureName, FShape.get())) throw EResNotFound("Resource " + FPictureName + " not found");
  Invalidate();
}

void TAdvLed::Paint() {
  const TRect r = Rect(0, 0, LedSize, LedSize);
  TCanvas* work = FWork->Canvas();
  work->Brush()->SetStyle(bsSolid);
  work->Brush()->SetColor(FLedOn ? FColorOn : FColorOff);
  work->BrushCopy(r, FShape.get(), r, kBody);
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->BrushCopy(r, FWork.get(), r, kBack);
}

namespace {
struct TLedProps {
  TLedProps() {
    RegisterProperties<TAdvLed>(
        "TAdvLed",
        {PropEnum<TAdvLed, TBorder>("BorderStyle", &TAdvLed::BorderStyle, &TAdvLed::SetBorderStyle,
                                    {"brDefault", "brRaised", "brLowered"}),
         PropColorOf<TAdvLed>("ColorOff", &TAdvLed::ColorOff, &TAdvLed::SetColorOff),
         PropColorOf<TAdvLed>("ColorOn", &TAdvLed::ColorOn, &TAdvLed::SetColorOn),
         PropBool<TAdvLed>("Ctl3D", &TAdvLed::Ctl3D, &TAdvLed::SetCtl3D),
         PropBool<TAdvLed>("LedOn", &TAdvLed::LedOn, &TAdvLed::SetLedOn),
         PropEnum<TAdvLed, TLedType>("LedType", &TAdvLed::LedType, &TAdvLed::SetLedType,
                                     {"ltDiamond", "ltEllipsHrz", "ltEllipsVrt", "ltMoonLeft", "ltMoonRight",
                                      "ltParallelBck", "ltParallelFwd", "ltPentagon", "ltRound", "ltRectangleHrz",
                                      "ltRectangleVrt", "ltSquare", "ltTriangleDwn", "ltTriangleLeft",
                                      "ltTriangleRight", "ltTriangleUp"})});
  }
} ledProps;
}  // namespace
