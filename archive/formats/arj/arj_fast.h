// Decoder of ARJ method 4 ("fastest"): literals and matches in unary-prefixed
// codes, no Huffman tables, over a 26,624-byte window.
//
// The extractor owns one and keeps it from entry to entry; nothing of one
// entry carries over into the next.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/codecs/codec_io.h"

class TArjFastDecoder {
 public:
  static constexpr uint32_t kWindow = 26624;

  TArjFastDecoder();

  // Decodes one entry of unpackedSize bytes, reading at most packedSize
  // bytes. Output reaches io in pieces of at most 32,768 bytes, never beyond
  // unpackedSize. Input that ends before the output does stops the entry
  // (the caller's CRC test reports it). Returns the bytes produced.
  uint64_t Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize);

 private:
  static constexpr size_t kChunk = 131072;
  static constexpr size_t kInSize = 32768;
  static constexpr size_t kOutPiece = 32768;
  static constexpr unsigned kMaxMatch = 256;

  void Refill() {
    while (FCount <= 56) {
      uint8_t b;
      if (FInPos < FInEnd) {
        b = FIn[FInPos++];
      } else {
        b = NextByte();
      }
      FBits = (FBits << 8) | b;
      FCount += 8;
    }
  }
  uint8_t NextByte();
  unsigned Bits(unsigned n) {
    const unsigned v = unsigned(FBits >> (FCount - n)) & ((1u << n) - 1);
    FCount -= n;
    return v;
  }
  // Counts 1-bits up to max, the first 0-bit included; what they add.
  unsigned Unary(unsigned& width, unsigned max);
  // Bits read from past the packed data.
  bool Overrun() const { return FPadBytes * 8 > FCount; }
  void Flush(size_t end);

  TCodecIO* FIO = nullptr;
  uint64_t FPackedLeft = 0;
  uint64_t FOutLeft = 0;
  uint64_t FBits = 0;
  unsigned FCount = 0;
  uint64_t FPadBytes = 0;
  size_t FInPos = 0, FInEnd = 0;
  std::vector<uint8_t> FIn;
  // The window then the output not yet written, as in the LZH decoder.
  std::vector<uint8_t> FBuf;
};
