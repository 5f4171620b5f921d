// LHA "-lh1-": LZSS over a 4,096-byte ring (matches of 3 to 60 bytes) with
// literals and lengths coded by an adaptive Huffman tree, and the high six
// bits of each distance by a fixed prefix code (the published LZHUF
// algorithm). The ring starts filled with blanks.
//
// One object serves both directions and is owned by the extractor or writer,
// which keeps it from entry to entry: its tables are allocated once.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/deflate.h"

// What an LZH encoder did with one input.
struct TLzhEncodeResult {
  uint64_t InputBytes = 0;
  uint64_t OutputBytes = 0;
  // The output would not have been smaller than the input: encoding stopped
  // and the caller stores the input instead.
  bool Unpackable = false;
};

class TLzhufCodec {
 public:
  TLzhufCodec();

  // Decodes unpackedSize bytes, reading at most packedSize bytes (bits past
  // them read as zeros). Output reaches io in pieces of at most 32,768
  // bytes, never beyond unpackedSize. Returns the bytes produced.
  uint64_t Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize);

  // Encodes everything io yields (at most inputSize bytes, through the same
  // pull/push interface as the Deflate encoder). Stops as unpackable once
  // the output reaches inputSize bytes.
  TLzhEncodeResult Encode(TDeflateIO& io, uint64_t inputSize);

 private:
  static constexpr unsigned N = 4096, F = 60, Threshold = 2;
  static constexpr unsigned NChar = 256 - Threshold + F;  // 314
  static constexpr unsigned T = 2 * NChar - 1;            // 627
  static constexpr unsigned R = T - 1;
  static constexpr unsigned MaxFreq = 0x8000;
  static constexpr unsigned Nil = N;

  void StartHuff();
  void Reconst();
  void Update(unsigned c);

  void InitTree();
  void InsertNode(unsigned r);
  void DeleteNode(unsigned p);

  uint16_t FFreq[T + 1];
  uint16_t FPrnt[T + NChar];
  uint16_t FSon[T];

  // Match finder of the encoder: a binary tree per first byte.
  std::vector<uint8_t> FText;  // N + F - 1
  std::vector<uint16_t> FLson, FRson, FDad;
  unsigned FMatchPos = 0, FMatchLen = 0;

  std::vector<uint8_t> FIoBuf;
  std::vector<uint8_t> FOut;
};
