// Deflate round trip: the input, compressed at the level its first byte
// picks (with and without plain output, with both bit-buffer widths, read in
// pieces whose sizes the input also picks), must inflate back to itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/deflate.h"
#include "archive/codecs/inflate.h"
#include "codecs_fuzz_io.h"

namespace {

class TCheck : public TCodecIO {
 public:
  TCheck(const std::vector<uint8_t>& in, const uint8_t* want, size_t wantSize)
      : FIn(in), FWant(want), FWantSize(wantSize) {}
  size_t ReadPacked(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FIn.size() - FPos);
    std::memcpy(buf, FIn.data() + FPos, n);
    FPos += n;
    return n;
  }
  void WriteUnpacked(const uint8_t* buf, size_t count) override {
    if (count > FWantSize - FDone || std::memcmp(buf, FWant + FDone, count) != 0) __builtin_trap();
    FDone += count;
  }
  size_t FDone = 0;

 private:
  const std::vector<uint8_t>& FIn;
  size_t FPos = 0;
  const uint8_t* FWant;
  size_t FWantSize;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int level = data[0] % 10;
  const bool allowPlain = data[0] & 0x10;
  const bool narrow = data[0] & 0x20;
  const size_t piece = data[0] & 0x40 ? 1 + data[0] % 7 : SIZE_MAX;
  ++data;
  --size;
  TFuzzInput in(data, size, piece);
  const TDeflateResult r = narrow ? deflate_detail::DeflateWith<uint32_t>(in, level, allowPlain)
                                  : deflate_detail::DeflateWith<uint64_t>(in, level, allowPlain);
  if (r.InputBytes != size || r.OutputBytes != in.Out.size()) __builtin_trap();
  if (r.Plain) {
    if (!allowPlain || in.Out.size() != size || std::memcmp(in.Out.data(), data, size) != 0) __builtin_trap();
    return 0;
  }
  TCheck check(in.Out, data, size);
  try {
    Inflate(check, in.Out.size());
  } catch (const ECodecError&) {
    __builtin_trap();
  }
  if (check.FDone != size) __builtin_trap();
  return 0;
}
