// Unreduce: the first byte gives the factor, the next two the unpacked size.
#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/unreduce.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int factor = data[0] % 4 + 1;
  const uint64_t unpacked = (uint64_t(data[1]) | uint64_t(data[2]) << 8) * 4;
  TFuzzIO io(data + 3, size - 3);
  try {
    Unreduce(io, size - 3, unpacked, factor);
  } catch (const ECodecError&) {
    return 0;
  } catch (const TFuzzOutputLimit&) {
    return 0;
  }
  if (io.Total > unpacked) __builtin_trap();
  return 0;
}
