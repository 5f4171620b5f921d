#include "archive/codecs/unreduce.h"

#include <algorithm>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/legacy_io.h"

namespace {

constexpr unsigned kMaxFollowers = 32;
constexpr uint8_t kEscape = 144;

// Bits of an index into a follower set of n bytes.
constexpr uint8_t kIndexBits[kMaxFollowers + 1] = {0, 1, 1, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4,
                                                   5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5};

}  // namespace

struct TUnreduceState {
  TLsbInput In;
  TOutWindow Out;
  uint8_t Count[256];
  uint8_t Followers[256][kMaxFollowers];

  // False when the input ended.
  bool ReadFollowerSets() {
    for (int set = 255; set >= 0; --set) {
      const int n = In.Bits(6);
      if (n < 0) return false;
      if (n > int(kMaxFollowers)) throw ECodecError(kErrBadBlock);
      Count[set] = uint8_t(n);
      for (int i = 0; i < n; ++i) {
        const int b = In.Bits(8);
        if (b < 0) return false;
        Followers[set][i] = uint8_t(b);
      }
    }
    return true;
  }

  void Run(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, int factor) {
    In.Begin(io, packedSize);
    Out.Begin(io);
    if (!ReadFollowerSets()) return;
    const unsigned lengthMask = 0xFFu >> factor;
    unsigned last = 0, state = 0, v = 0, len = 0;
    while (Out.Produced() < unpackedSize) {
      int c;
      const unsigned n = Count[last];
      if (n == 0) {
        c = In.Bits(8);
      } else {
        const int literal = In.Bits(1);
        if (literal < 0) break;
        if (literal) {
          c = In.Bits(8);
        } else {
          const int index = In.Bits(kIndexBits[n]);
          if (index >= int(n)) throw ECodecError(kErrBadBlock);
          c = index < 0 ? -1 : Followers[last][index];
        }
      }
      if (c < 0) break;
      last = unsigned(c);

      switch (state) {
        case 0:
          if (c != kEscape)
            Out.Put(uint8_t(c));
          else
            state = 1;
          break;
        case 1:
          if (c) {
            v = unsigned(c);
            len = v & lengthMask;
            state = len == lengthMask ? 2 : 3;
          } else {
            Out.Put(kEscape);
            state = 0;
          }
          break;
        case 2:
          len += unsigned(c);
          state = 3;
          break;
        default: {
          const size_t distance = ((v >> (8 - factor)) << 8) + unsigned(c) + 1;
          const uint64_t left = unpackedSize - Out.Produced();
          Out.Copy(distance, size_t(std::min<uint64_t>(len + 3, left)));
          state = 0;
          break;
        }
      }
    }
    Out.Flush();
  }
};

TUnreduceDecoder::TUnreduceDecoder() = default;
TUnreduceDecoder::~TUnreduceDecoder() = default;

void TUnreduceDecoder::Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, int factor) {
  if (factor < 1 || factor > 4) throw ECodecError(kErrUnsupportedMethod);
  FState.Get().Run(io, packedSize, unpackedSize, factor);
}

void Unreduce(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, int factor) {
  TUnreduceDecoder().Decode(io, packedSize, unpackedSize, factor);
}
