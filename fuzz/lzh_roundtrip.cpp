// LZH round trip: the input, encoded as "-lh5-" or "-lh1-" (the first byte
// picks), read in pieces whose size the input also picks, must decode back to
// itself unless the encoder gave it up as unpackable. The codec objects are
// kept from run to run, as a writer and an extractor keep theirs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/codecs/lzh_decode.h"
#include "archive/codecs/lzh_encode.h"
#include "archive/codecs/lzhuf.h"
#include "archive/codecs/codec_io.h"
#include "codecs_fuzz_io.h"

namespace {

class TOutput : public TCodecIO {
 public:
  explicit TOutput(const std::vector<uint8_t>& in) : FIn(in) {}
  size_t ReadPacked(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FIn.size() - FPos);
    std::memcpy(buf, FIn.data() + FPos, n);
    FPos += n;
    return n;
  }
  void WriteUnpacked(const uint8_t* buf, size_t count) override { Out.insert(Out.end(), buf, buf + count); }
  std::vector<uint8_t> Out;

 private:
  const std::vector<uint8_t>& FIn;
  size_t FPos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLzhEncoder encoder;
  static TLzhDecoder decoder;
  static TLzhufCodec lh1;
  if (size < 2) return 0;
  const bool useLh1 = data[0] & 1;
  const size_t piece = size_t(data[1]) * 97 + 1;
  data += 2;
  size -= 2;
  TFuzzInput in(data, size, piece);
  const TLzhEncodeResult r = useLh1 ? lh1.Encode(in, size) : encoder.Encode(in, size);
  if (r.Unpackable) return 0;
  if (r.InputBytes != size) __builtin_trap();
  if (r.OutputBytes != in.Out.size() || (size > 0 && r.OutputBytes >= size)) __builtin_trap();
  TOutput out(in.Out);
  if (useLh1)
    lh1.Decode(out, in.Out.size(), size);
  else
    decoder.Decode(out, in.Out.size(), size, LzhLh5);
  if (out.Out.size() != size || (size && std::memcmp(out.Out.data(), data, size) != 0)) __builtin_trap();
  return 0;
}
