// Inflate with both bit-buffer widths: they must agree on output and error.
// The wide one runs on a decoder kept from input to input, as an extractor
// keeps it from entry to entry, so anything one input leaves behind shows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/inflate.h"
#include "codecs_fuzz_io.h"

namespace {

template <typename TBitBuf>
int Run(TFuzzIO& io, size_t size) {
  static TInflateDecoder kept;
  try {
    if constexpr (sizeof(TBitBuf) == 8)
      kept.DecodeWith<TBitBuf>(io, size);
    else
      inflate_detail::InflateWith<TBitBuf>(io, size);
  } catch (const ECodecError& e) {
    return e.Code;
  } catch (const TFuzzOutputLimit&) {
    return -1;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kKeep = size_t(1) << 20;
  static uint8_t wideOut[kKeep], narrowOut[kKeep];
  TFuzzIO wide(data, size, wideOut, kKeep), narrow(data, size, narrowOut, kKeep);
  const int wideError = Run<uint64_t>(wide, size);
  const int narrowError = Run<uint32_t>(narrow, size);
  if (wideError != narrowError || wide.Total != narrow.Total ||
      std::memcmp(wideOut, narrowOut, size_t(std::min<uint64_t>(wide.Total, kKeep))) != 0)
    __builtin_trap();
  return 0;
}
