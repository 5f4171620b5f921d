// A component whose type detection is fixed by the test.
#pragma once
#include "archive/core/readwrite.h"

class TTestArc : public TReadWriteObj {
 public:
  explicit TTestArc(TArcType Type = atUnknown, TComponent* AOwner = nullptr) : TReadWriteObj(AOwner), Forced(Type) {}
  void ForceType(TArcType Type) {
    Forced = Type;
    SetArcType(Type);
  }
  TArcType Forced;
  int Detections = 0;

 protected:
  void DetectArcType() override {
    Detections++;
    FArcType = Forced;
  }
};
