// Zip method 6 (Implode).
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/codec_memory.h"

// Decodes until unpackedSize bytes were produced or the input ends.
// zipFlags bit 1 selects the 8 KiB dictionary, bit 2 the literal tree. Raises
// ECodecError: kErrBadBlock for a tree that cannot be read or a bit pattern no
// code of an incomplete tree uses; kErrAmbiguousTree for a tree whose codes
// collide.
class TExplodeDecoder {
 public:
  TExplodeDecoder();
  ~TExplodeDecoder();
  void Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, uint16_t zipFlags);

 private:
  TCodecMemory<struct TExplodeState> FState;
};

// One entry with a decoder of its own.
void Explode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, uint16_t zipFlags);
