// Deflate (RFC 1951) decoder for Zip method 8 and gzip members.
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/codec_memory.h"

// Decodes one raw Deflate stream, reading at most packedSize bytes, until its
// last block ends. Output reaches io in pieces of 32,768 bytes, the last piece
// shorter and never empty. Raises ECodecError: kErrBadBlock when the input ends
// inside a block, for block type 3, a stored length whose complement does not
// match, or bad data in a fixed-code block; kErrIncompleteCodeSet for code
// lengths that form no usable code and for bad data in a dynamic-code block.
void Inflate(TCodecIO& io, uint64_t packedSize);

// The same with its window and tables kept from entry to entry.
class TInflateDecoder {
 public:
  TInflateDecoder();
  ~TInflateDecoder();
  void Decode(TCodecIO& io, uint64_t packedSize);
  // The same with a bit buffer of the given width (Decode takes the
  // machine word's), for tests and benchmarks of the 32-bit form.
  template <typename TBitBuf>
  void DecodeWith(TCodecIO& io, uint64_t packedSize);

 private:
  TCodecMemory<struct TInflateMemory> FMemory;
};

namespace inflate_detail {
// The bit buffer is a machine word; both widths are instantiated so that the
// 32-bit form, which the product runs, is also tested on 64-bit hosts.
template <typename TBitBuf>
void InflateWith(TCodecIO& io, uint64_t packedSize);
}  // namespace inflate_detail
