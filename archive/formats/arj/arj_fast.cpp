#include "archive/formats/arj/arj_fast.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "archive/codecs/lz_window.h"

namespace {

// Length codes: up to 7 leading 1-bits, then as many bits more; a length
// value of 0 is a literal. Position codes: up to 4 leading 1-bits, then 9 to
// 13 bits.
constexpr unsigned kLenStart = 0, kLenStop = 7;
constexpr unsigned kPosStart = 9, kPosStop = 13;

}  // namespace

TArjFastDecoder::TArjFastDecoder() : FIn(kInSize), FBuf(kWindow + kChunk + kMaxMatch) {}

uint8_t TArjFastDecoder::NextByte() {
  FInPos = 0;
  FInEnd = ReadPackedPiece(*FIO, FPackedLeft, FIn.data(), kInSize);
  if (FInEnd) return FIn[FInPos++];
  ++FPadBytes;
  return 0;
}

unsigned TArjFastDecoder::Unary(unsigned& width, unsigned max) {
  const unsigned span = max - width;
  const uint32_t look = uint32_t(FBits >> (FCount - span)) & ((1u << span) - 1);
  const unsigned ones = unsigned(std::countl_one(uint32_t(look << (32 - span))));
  FCount -= ones < span ? ones + 1 : ones;
  const unsigned plus = ((1u << ones) - 1) << width;
  width += ones;
  return plus;
}

void TArjFastDecoder::Flush(size_t end) {
  LzWriteOut(*FIO, FBuf.data() + kWindow, end - kWindow, FOutLeft, kOutPiece);
}

uint64_t TArjFastDecoder::Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize) {
  FIO = &io;
  FPackedLeft = packedSize;
  FOutLeft = unpackedSize;
  FBits = 0;
  FCount = 0;
  FPadBytes = 0;
  FInPos = FInEnd = 0;
  if (unpackedSize == 0) return 0;

  uint8_t* const buf = FBuf.data();
  std::memset(buf, 0, kWindow);
  size_t pos = kWindow;
  const size_t flushAt = kWindow + kChunk;
  uint64_t produced = 0;
  while (produced < unpackedSize) {
    // One refill covers the longest code pair: 14 bits of length and 17 of
    // position.
    Refill();
    unsigned width = kLenStart;
    unsigned c = Unary(width, kLenStop);
    if (width) c += Bits(width);
    if (c == 0) {
      buf[pos++] = uint8_t(Bits(8));
      ++produced;
    } else {
      const unsigned len = c + 2;
      width = kPosStart;
      unsigned back = Unary(width, kPosStop);
      back += Bits(width);
      const size_t dist = size_t(back) + 1;
      LzCopyMatch(buf + pos, dist, len);
      pos += len;
      produced += len;
    }
    if (Overrun()) break;
    if (pos >= flushAt) {
      Flush(pos);
      std::memmove(buf, buf + pos - kWindow, kWindow);
      pos = kWindow;
    }
  }
  Flush(pos);
  return std::min(produced, unpackedSize);
}
