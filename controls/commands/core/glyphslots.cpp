#include "controls/commands/core/glyphslots.h"

int TGlyphSlots::AllocateIndex(int ImageCount, bool& Grow) {
  size_t I = 0;
  while (I < FUsed.size() && FUsed[I]) ++I;
  Grow = static_cast<int>(I) >= ImageCount;
  if (I >= FUsed.size()) FUsed.resize(I + 1, false);
  FUsed[I] = true;
  return static_cast<int>(I);
}

bool TGlyphSlots::Free(int Index) {
  if (!Used(Index)) return false;
  FUsed[static_cast<size_t>(Index)] = false;
  --FCount;
  return true;
}
