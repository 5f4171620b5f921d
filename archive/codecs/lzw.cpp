#include "archive/codecs/lzw.h"

#include <algorithm>
#include <cstring>

#include "archive/codecs/codec_error.h"

namespace {

constexpr unsigned kInitBits = 9;
constexpr unsigned kMaxBits = 16;
constexpr unsigned kClear = 256;
constexpr size_t kInSize = 32768;
constexpr size_t kOutSize = 16384;
constexpr unsigned kTableSize = 1u << kMaxBits;

}  // namespace

struct TLzwState {
  void Begin(TCodecIO& io, uint64_t packedSize) {
    IO = &io;
    PackedLeft = packedSize;
    InputDone = false;
    InLen = 0;
    BitPos = 0;
    GroupBits = 0;
    OutLen = 0;
  }

  TCodecIO* IO = nullptr;
  uint64_t PackedLeft = 0;
  bool InputDone = false;
  // Input bytes [0, InLen) with BitPos counted from In[0]; three spare
  // zero bytes let a code be read as one 24-bit window.
  uint8_t In[kInSize + 3] = {};
  size_t InLen = 0;
  uint64_t BitPos = 0;
  // Bits read since the current width began (or the table was cleared):
  // compress writes its codes in groups of eight, and a width change or a
  // clear pads the group out.
  uint64_t GroupBits = 0;
  uint8_t Out[kOutSize];
  size_t OutLen = 0;
  uint16_t Prefix[kTableSize];
  uint8_t Suffix[kTableSize];
  uint8_t Stack[kTableSize];

  // Keeps the unread bytes and reads more; false when none came.
  bool Refill() {
    const size_t from = size_t(std::min<uint64_t>(BitPos >> 3, InLen));
    std::memmove(In, In + from, InLen - from);
    InLen -= from;
    BitPos -= uint64_t(from) << 3;
    if (InputDone) return false;
    const size_t want = size_t(std::min<uint64_t>(PackedLeft, kInSize - InLen));
    size_t got = want ? IO->ReadPacked(In + InLen, want) : 0;
    if (got > want) got = want;
    PackedLeft -= got;
    InLen += got;
    std::memset(In + InLen, 0, 3);
    if (got < want || PackedLeft == 0) InputDone = true;
    return got > 0;
  }

  // The next code of Width bits, or -1 when the input holds no whole code.
  int Code(unsigned Width) {
    while (BitPos + Width > uint64_t(InLen) << 3)
      if (!Refill()) return -1;
    const size_t at = size_t(BitPos >> 3);
    const uint32_t window = uint32_t(In[at]) | uint32_t(In[at + 1]) << 8 | uint32_t(In[at + 2]) << 16;
    BitPos += Width;
    GroupBits += Width;
    return int((window >> (unsigned(BitPos - Width) & 7)) & ((1u << Width) - 1));
  }

  // Moves past the rest of the current group of eight codes.
  void AlignGroup(unsigned Width) {
    const uint64_t group = uint64_t(Width) * 8;
    BitPos += (group - GroupBits % group) % group;
    GroupBits = 0;
  }

  void Put(const uint8_t* p, size_t n) {
    while (n) {
      const size_t k = std::min(n, kOutSize - OutLen);
      std::memcpy(Out + OutLen, p, k);
      OutLen += k;
      p += k;
      n -= k;
      if (OutLen == kOutSize) Flush();
    }
  }
  void Flush() {
    if (OutLen) IO->WriteUnpacked(Out, OutLen);
    OutLen = 0;
  }

  void Run() {
    uint8_t head[3];
    size_t have = 0;
    while (have < 3 && Refill()) {
      const size_t k = std::min<size_t>(3 - have, InLen);
      std::memcpy(head + have, In, k);
      have += k;
      BitPos = uint64_t(k) << 3;
    }
    if (have < 2) throw ECodecError(kErrCorruptInput);
    if (head[0] != 0x1F || head[1] != 0x9D) throw ECodecError(kErrHeaderId);
    if (have < 3) throw ECodecError(kErrCorruptInput);
    if (head[2] & 0x60) throw ECodecError(kErrIncompleteCodeSet);
    if ((head[2] & 0x1F) > kMaxBits) throw ECodecError(kErrIncompleteCodeSet);
    Decode(head[2] & 0x1F, (head[2] & 0x80) != 0);
  }

  void Decode(unsigned maxBits, bool blockMode) {
    const unsigned tableEnd = 1u << std::max(maxBits, kInitBits - 1);
    GroupBits = 0;

    for (unsigned c = 0; c < 256; ++c) {
      Prefix[c] = 0;
      Suffix[c] = uint8_t(c);
    }
    unsigned width = kInitBits;
    unsigned freeCode = blockMode ? kClear + 1 : kClear;
    int first = Code(width);
    if (first < 0) return;
    if (first >= int(kClear)) throw ECodecError(kErrCorruptInput);
    unsigned prev = unsigned(first);
    uint8_t prevFirst = uint8_t(first);
    Put(&prevFirst, 1);

    for (;;) {
      if (freeCode > (1u << width) - 1 && width < maxBits) {
        AlignGroup(width);
        ++width;
      }
      const int read = Code(width);
      if (read < 0) break;
      unsigned code = unsigned(read);
      if (code == kClear && blockMode) {
        AlignGroup(width);
        width = kInitBits;
        // The code after a clear makes no usable entry: it fills the
        // clear code's own slot, which no code can reach.
        freeCode = kClear;
        continue;
      }
      if (code > freeCode || (code == freeCode && freeCode >= tableEnd)) throw ECodecError(kErrCorruptInput);
      uint8_t* sp = Stack + kTableSize;
      if (code == freeCode) {
        // The string just being defined: the previous one plus its own
        // first byte.
        *--sp = prevFirst;
        code = prev;
      }
      while (code >= 256) {
        if (sp == Stack) throw ECodecError(kErrCorruptInput);
        *--sp = Suffix[code];
        code = Prefix[code];
      }
      if (sp == Stack) throw ECodecError(kErrCorruptInput);
      *--sp = uint8_t(code);
      const uint8_t firstByte = uint8_t(code);
      Put(sp, size_t(Stack + kTableSize - sp));
      if (freeCode < tableEnd) {
        Prefix[freeCode] = uint16_t(prev);
        Suffix[freeCode] = firstByte;
        ++freeCode;
      }
      prev = unsigned(read);
      prevFirst = firstByte;
    }
    Flush();
  }
};

TLzwDecoder::TLzwDecoder() = default;
TLzwDecoder::~TLzwDecoder() = default;

void TLzwDecoder::Decompress(TCodecIO& io, uint64_t packedSize) {
  TLzwState& s = FState.Get();
  s.Begin(io, packedSize);
  s.Run();
}

void TLzwDecoder::Decode(TCodecIO& io, uint64_t packedSize, unsigned maxBits) {
  if (maxBits < kInitBits || maxBits > kMaxBits) throw ECodecError(kErrIncompleteCodeSet);
  TLzwState& s = FState.Get();
  s.Begin(io, packedSize);
  s.Decode(maxBits, true);
}

void LzwDecompress(TCodecIO& io, uint64_t packedSize) { TLzwDecoder().Decompress(io, packedSize); }

void LzwDecode(TCodecIO& io, uint64_t packedSize, unsigned maxBits) { TLzwDecoder().Decode(io, packedSize, maxBits); }
