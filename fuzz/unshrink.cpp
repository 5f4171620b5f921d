#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/unshrink.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzIO io(data, size);
  try {
    Unshrink(io, size);
  } catch (const ECodecError&) {
  } catch (const TFuzzOutputLimit&) {
  }
  return 0;
}
