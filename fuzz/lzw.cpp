// The compress (.Z) decoder over arbitrary bytes: any error is fine, a
// crash, a hang or a broken I/O contract is not.
#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/lzw.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzIO io(data, size);
  try {
    LzwDecompress(io, size);
  } catch (const ECodecError&) {
  } catch (const TFuzzOutputLimit&) {
  }
  return 0;
}
