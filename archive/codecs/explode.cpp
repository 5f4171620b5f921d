#include "archive/codecs/explode.h"

#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/legacy_io.h"

namespace {

constexpr unsigned kMaxCodeLen = 16;

// Shannon-Fano tree as a single lookup table indexed by the next Bits input
// bits; an entry is codeLen << 8 | value, 0 where no code fits.
struct TTree {
  unsigned Bits = 0;
  std::vector<uint16_t> Table;
};

}  // namespace

struct TExplodeState {
  TLsbInput In;
  TOutWindow Out;
  TTree Lit, Len, Dist;

  int Byte() {
    const int b = In.Bits(8);
    if (b < 0) throw ECodecError(kErrBadBlock);
    return b;
  }

  // Reads the run-length coded bit lengths of a tree of count values and
  // assigns the codes as the application note does: sorted by length and
  // value, counting up from zero from the longest code.
  // Codes that overlap, also those wrapped past 16 bits, are ambiguous.
  void ReadTree(TTree& tree, unsigned count) {
    uint8_t lens[256];
    const int bytes = Byte() + 1;
    unsigned n = 0;
    for (int i = 0; i < bytes; ++i) {
      const int b = Byte();
      const unsigned run = unsigned(b >> 4) + 1;
      if (run > count - n) throw ECodecError(kErrBadBlock);
      std::fill(lens + n, lens + n + run, uint8_t((b & 15) + 1));
      n += run;
    }
    if (n != count) throw ECodecError(kErrBadBlock);

    unsigned lenCount[kMaxCodeLen + 2] = {};
    unsigned maxLen = 0;
    for (unsigned i = 0; i < count; ++i) {
      lenCount[lens[i]]++;
      maxLen = std::max<unsigned>(maxLen, lens[i]);
    }
    unsigned offset[kMaxCodeLen + 2] = {};
    for (unsigned len = 1; len <= kMaxCodeLen; ++len) offset[len + 1] = offset[len] + lenCount[len];
    uint8_t sorted[256];
    for (unsigned i = 0; i < count; ++i) sorted[offset[lens[i]]++] = uint8_t(i);

    tree.Bits = maxLen;
    tree.Table.assign(size_t(1) << maxLen, 0);
    uint32_t code = 0, step = 0;
    unsigned lastLen = 0;
    for (int k = int(count) - 1; k >= 0; --k) {
      const unsigned value = sorted[k], len = lens[value];
      code += step;
      if (len != lastLen) {
        lastLen = len;
        step = uint32_t(1) << (kMaxCodeLen - len);
      }
      // Codes are sent first bit first; the reader sees them reversed.
      const unsigned top = (code & 0xFFFF) >> (kMaxCodeLen - len);
      unsigned rev = 0;
      for (unsigned i = 0; i < len; ++i) rev |= (top >> i & 1) << (len - 1 - i);
      const uint16_t e = uint16_t(len << 8 | value);
      for (size_t i = rev; i < tree.Table.size(); i += size_t(1) << len) {
        if (tree.Table[i]) throw ECodecError(kErrAmbiguousTree);
        tree.Table[i] = e;
      }
    }
  }

  // The next value of the tree, or -1 when the input ends first.
  int Decode(const TTree& tree) {
    const uint16_t e = tree.Table[In.Peek(tree.Bits)];
    if (!e) {
      if (!In.Has(tree.Bits)) return -1;
      throw ECodecError(kErrBadBlock);
    }
    return In.Drop(e >> 8) ? e & 0xFF : -1;
  }

  void Run(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, uint16_t flags) {
    In.Begin(io, packedSize);
    Out.Begin(io);
    const bool bigDict = flags & 2, litTree = flags & 4;
    if (litTree) ReadTree(Lit, 256);
    ReadTree(Len, 64);
    ReadTree(Dist, 64);
    const unsigned lowBits = bigDict ? 7 : 6;
    const unsigned minMatch = litTree ? 3 : 2;

    while (Out.Produced() < unpackedSize) {
      const int flag = In.Bits(1);
      if (flag < 0) break;
      if (flag) {
        const int c = litTree ? Decode(Lit) : In.Bits(8);
        if (c < 0) break;
        Out.Put(uint8_t(c));
        continue;
      }
      const int low = In.Bits(lowBits);
      if (low < 0) break;
      const int high = Decode(Dist);
      if (high < 0) break;
      int len = Decode(Len);
      if (len < 0) break;
      if (len == 63) {
        const int more = In.Bits(8);
        if (more < 0) break;
        len += more;
      }
      const size_t distance = (size_t(high) << lowBits | size_t(low)) + 1;
      const uint64_t left = unpackedSize - Out.Produced();
      Out.Copy(distance, size_t(std::min<uint64_t>(unsigned(len) + minMatch, left)));
    }
    Out.Flush();
  }
};

TExplodeDecoder::TExplodeDecoder() = default;
TExplodeDecoder::~TExplodeDecoder() = default;

void TExplodeDecoder::Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, uint16_t zipFlags) {
  FState.Get().Run(io, packedSize, unpackedSize, zipFlags);
}

void Explode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, uint16_t zipFlags) {
  TExplodeDecoder().Decode(io, packedSize, unpackedSize, zipFlags);
}
