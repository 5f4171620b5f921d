// Zip methods 2 to 5 (Reduce with compression factors 1 to 4).
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/codec_memory.h"

// Decodes until unpackedSize bytes were produced or the input ends. factor is
// the method number minus one (1..4); any other factor raises
// kErrUnsupportedMethod. Raises kErrBadBlock for a follower set of more than
// 32 bytes or a follower index beyond its set.
class TUnreduceDecoder {
 public:
  TUnreduceDecoder();
  ~TUnreduceDecoder();
  void Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, int factor);

 private:
  TCodecMemory<struct TUnreduceState> FState;
};

// One entry with a decoder of its own.
void Unreduce(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, int factor);
