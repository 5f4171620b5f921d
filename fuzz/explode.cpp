// Explode: the first byte gives the Zip flags, the next two the unpacked size.
#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/explode.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint16_t flags = data[0] & 6;
  const uint64_t unpacked = (uint64_t(data[1]) | uint64_t(data[2]) << 8) * 4;
  TFuzzIO io(data + 3, size - 3);
  try {
    Explode(io, size - 3, unpacked, flags);
  } catch (const ECodecError&) {
    return 0;
  } catch (const TFuzzOutputLimit&) {
    return 0;
  }
  if (io.Total > unpacked) __builtin_trap();
  return 0;
}
