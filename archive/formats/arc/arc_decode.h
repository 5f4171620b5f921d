// Decoders of ARC and PAK entry data, by header type: stored (1, 2), packed
// (3, run-length), squeezed (4, Huffman), the fixed 12-bit crunch with its old
// (5, 6) and new (7) string hash, crunched (8, 9 to 12 bits) and squashed (9,
// 9 to 13 bits). Types 3, 4, 6, 7 and 8 expand runs after decoding.
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/codec_memory.h"

enum : int {
  kErrArcBits = 25134,      // a crunched entry not made with 12 bits
  kErrArcBadTree = 25152,   // squeeze tree out of range
};

// True for the types 1 to 9.
bool ArcMethodSupported(uint8_t Method);

// Decodes the packedSize bytes of an entry of type Method into io. Raises
// ECodecError: kErrUnsupportedMethod for a type without a decoder,
// kErrArcBadTree for a squeeze tree whose node count or children point
// outside it (or that is cut short), kErrArcBits for a crunch bits byte other
// than 12, kErrStackOverflow when a 12-bit crunch string outgrows its
// 4096-byte stack, and the errors of LzwDecode for crunched and squashed data.
// Data that ends early simply ends the output.
void ArcDecode(TCodecIO& io, uint8_t Method, uint64_t packedSize);

// The same with its buffers and tables kept from entry to entry.
class TArcDecoder {
 public:
  TArcDecoder();
  ~TArcDecoder();
  void Decode(TCodecIO& io, uint8_t Method, uint64_t packedSize);

 private:
  TCodecMemory<struct TArcState> FState;
};
