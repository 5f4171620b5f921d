// The ARC and PAK entry decoders over arbitrary bytes: the first byte picks
// the type (1 to 9, and some without a decoder), the rest is the entry's
// data. Any error is fine; a crash, a hang or a broken I/O contract is not.
#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/formats/arc/arc_decode.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t method = uint8_t(data[0] % 12);
  TFuzzIO io(data + 1, size - 1);
  try {
    ArcDecode(io, method, size - 1);
  } catch (const ECodecError&) {
  } catch (const TFuzzOutputLimit&) {
  }
  return 0;
}
