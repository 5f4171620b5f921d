// The walk of our unace.dll: headers read, entries tested (stored ones
// copied through the CRC), the rest refused, over any input; a second
// volume is the same input again.
#include <cstdlib>

#include "libs/unace/unace_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TAceHandle H;
  H.Access.OpenSource = [&](const std::string&) -> std::unique_ptr<TArcSource> {
    return std::make_unique<TMemorySource>(data, size);
  };
  int Volumes = 0;
  H.Access.VolumeExists = [&](const std::string&) { return ++Volumes < 3; };
  if (!H.OpenVolume("fuzz.ace")) return 0;
  ACEHeaderData D{};
  for (int i = 0; i < 10000 && H.ReadHeader(&D) == ACE_SUCCESS; ++i) {
    if (D.FileName[sizeof(D.FileName) - 1] != 0) std::abort();
    H.Process(i % 2 ? ACE_TEST : ACE_SKIP, nullptr);
  }
  return 0;
}
