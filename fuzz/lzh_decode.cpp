// The static-Huffman LZH decoder under every format's parameters, one
// decoder object for all runs (as an extractor keeps it): the first byte picks
// the parameters, the next four the unpacked size.
#include <cstddef>
#include <cstdint>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/lzh_decode.h"
#include "codecs_fuzz_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLzhDecoder decoder;
  static constexpr TLzhParams kParams[] = {LzhLh4, LzhLh5, LzhLh6, LzhArj};
  if (size < 5) return 0;
  const TLzhParams& p = kParams[data[0] % 4];
  const uint32_t unpacked = (uint32_t(data[1]) | uint32_t(data[2]) << 8 | uint32_t(data[3]) << 16) & 0xFFFFF;
  TFuzzIO io(data + 5, size - 5);
  try {
    if (decoder.Decode(io, size - 5, unpacked, p) != io.Total || io.Total > unpacked) __builtin_trap();
  } catch (const ECodecError&) {
  } catch (const TFuzzOutputLimit&) {
  }
  return 0;
}
