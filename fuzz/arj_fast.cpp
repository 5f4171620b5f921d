// The ARJ method 4 decoder over arbitrary bytes; the first four give the
// unpacked size.
#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/formats/arj/arj_fast.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint32_t unpacked = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                            uint32_t(data[3]) << 24;
  static TArjFastDecoder dec;
  TFuzzIO io(data + 4, size - 4);
  try {
    const uint64_t n = dec.Decode(io, size - 4, unpacked);
    if (n != io.Total || n > unpacked) __builtin_trap();
  } catch (const ECodecError&) {
  } catch (const TFuzzOutputLimit&) {
  }
  return 0;
}
