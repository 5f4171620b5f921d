#include "controls/commands/core/keyfilter.h"

bool KeyAllowed(TKeyboardFilter Filter, char Key, char Decimal) {
  const unsigned char K = static_cast<unsigned char>(Key);
  switch (Filter) {
    case kfNone:
      return true;
    case kfNumeric:
      if (Key == '+' || Key == '-' || (Key >= '0' && Key <= '9') || Key == Decimal) return true;
      return K < 32 && Key != '\r';
    case kfAlphabetic:
      if ((Key >= 'A' && Key <= 'Z') || (Key >= 'a' && Key <= 'z') || Key == '\b') return true;
      return K < 32 && Key != '\r';
    case kfAll:
      return false;
  }
  return true;
}
