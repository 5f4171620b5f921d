// The walk of our unrar.dll: headers read, entries tested (stored ones
// copied through the CRC), the rest refused, over any input.
#include <cstdlib>

#include "libs/unrar/unrar_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TRarHandle H;
  H.Access.OpenSource = [&](const std::string&) -> std::unique_ptr<TArcSource> {
    return std::make_unique<TMemorySource>(data, size);
  };
  H.Access.VolumeExists = [](const std::string&) { return false; };
  if (!H.OpenVolume("fuzz.rar")) return 0;
  RARHeaderData D{};
  for (int i = 0; i < 10000 && H.ReadHeader(&D) == ERAR_SUCCESS; ++i) {
    if (D.FileName[sizeof(D.FileName) - 1] != 0) std::abort();
    H.Process(i % 2 ? RAR_TEST : RAR_SKIP, nullptr, nullptr);
  }
  return 0;
}
