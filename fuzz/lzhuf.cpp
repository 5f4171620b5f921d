// The "-lh1-" decoder, one codec object for all runs: the first two bytes
// give the unpacked size (the decoder goes a bit at a time).
#include <cstddef>
#include <cstdint>

#include "archive/codecs/lzhuf.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLzhufCodec codec;
  if (size < 2) return 0;
  const uint32_t unpacked = uint32_t(data[0]) | uint32_t(data[1]) << 8;
  TFuzzIO io(data + 2, size - 2);
  try {
    if (codec.Decode(io, size - 2, unpacked) != io.Total || io.Total != unpacked) __builtin_trap();
  } catch (const TFuzzOutputLimit&) {
  }
  return 0;
}
