// Fuzz target: the search for a self-extractor's settings block in the bytes
// in front of its archive; a block found must lie in those bytes and read
// back the same after being built again from what was parsed.
#include <cstddef>
#include <cstdint>

#include "archive/core/sfxsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TSfxSettings S;
  const size_t Len = S.FindBefore(Data, Size);
  if (Len > Size || Len > TSfxSettings::MaxBlock) __builtin_trap();
  if (Len == 0 || !S.HasMessage) return 0;
  const std::vector<uint8_t> Again = S.Build();
  TSfxSettings T;
  if (T.FindBefore(Again.data(), Again.size()) != Again.size()) __builtin_trap();
  if (T.Caption != S.Caption || T.DefaultDir != S.DefaultDir || T.CommandLine != S.CommandLine ||
      T.Message != S.Message || T.Flags != S.Flags || T.Magic != S.Magic)
    __builtin_trap();
  return 0;
}
