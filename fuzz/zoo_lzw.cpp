// The ZOO LZW decoder over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/formats/zoo/zoo_lzw.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TZooLzwDecoder dec;
  TFuzzIO io(data, size);
  try {
    if (dec.Decode(io, size) != io.Total) __builtin_trap();
  } catch (const ECodecError&) {
  } catch (const TFuzzOutputLimit&) {
  }
  return 0;
}
