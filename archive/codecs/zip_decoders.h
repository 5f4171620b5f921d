// The decoders of the compressed Zip methods, held by an extractor and kept
// from entry to entry, each made on the first entry of its method.
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/explode.h"
#include "archive/codecs/inflate.h"
#include "archive/codecs/unreduce.h"
#include "archive/codecs/unshrink.h"

class TZipDecoders {
 public:
  // Decodes an entry of method 1 (shrink), 2-5 (reduce), 6 (implode) or 8
  // (deflate); false for any other method, without touching io.
  bool Decode(TCodecIO& io, uint16_t method, uint16_t flags, uint64_t packedSize, uint64_t unpackedSize) {
    switch (method) {
      case 1: FUnshrink.Decode(io, packedSize); return true;
      case 2:
      case 3:
      case 4:
      case 5: FUnreduce.Decode(io, packedSize, unpackedSize, method - 1); return true;
      case 6: FExplode.Decode(io, packedSize, unpackedSize, flags); return true;
      case 8: FInflate.Decode(io, packedSize); return true;
      default: return false;
    }
  }

 private:
  TUnshrinkDecoder FUnshrink;
  TUnreduceDecoder FUnreduce;
  TExplodeDecoder FExplode;
  TInflateDecoder FInflate;
};
