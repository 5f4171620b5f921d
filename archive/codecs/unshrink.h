// Zip method 1 (Shrink): LZW with 9- to 13-bit codes and partial clearing.
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/codec_memory.h"

// Decodes until the packedSize bytes of input are used up. Raises
// ECodecError: kErrBadBlock for an unknown control code, a code width above
// 13 bits, a first code that is not a literal or a code that leads to an
// unused entry; kErrStackOverflow (after writing out what was decoded) for a
// string longer than the code table can hold, which only a looping table gives.
class TUnshrinkDecoder {
 public:
  TUnshrinkDecoder();
  ~TUnshrinkDecoder();
  void Decode(TCodecIO& io, uint64_t packedSize);

 private:
  TCodecMemory<struct TUnshrinkState> FState;
};

// One entry with a decoder of its own.
void Unshrink(TCodecIO& io, uint64_t packedSize);
