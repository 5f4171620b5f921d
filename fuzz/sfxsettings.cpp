// Fuzz target: the settings block of a self-extractor. A block read in
// place must build back to bytes that read the same; the searches must stay
// inside the bytes given.
#include <cstddef>
#include <cstdint>

#include "archive/core/sfxsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TSfxSettings S;
  if (S.FindBefore(Data, Size) > Size || S.FindInFront(Data, Size) > Size) __builtin_trap();
  if (PeImageEnd(Data, Size) > Size) __builtin_trap();
  if (!S.ReadExact(Data, Size) || !S.HasMessage) return 0;
  const std::vector<uint8_t> Again = S.Build();
  TSfxSettings T;
  if (!T.ReadExact(Again.data(), Again.size())) __builtin_trap();
  if (T.Caption != S.Caption || T.DefaultDir != S.DefaultDir || T.CommandLine != S.CommandLine ||
      T.Message != S.Message || T.Flags != S.Flags || T.Magic != S.Magic)
    __builtin_trap();
  return 0;
}
