// LZW decoder of unix compress (.Z) files, and of the same codes without the
// .Z header as ARC's crunched (8) and squashed (9) entries carry them.
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/codec_memory.h"

enum : int {
  kErrCorruptInput = 25139,
  kErrHeaderId = 25238,
};

// Decodes a whole compress file, its 3-byte header included, reading at most
// packedSize bytes: codes of 9 bits up to the header's maximum width (at most
// 16), with code 256 clearing the table in block mode. Output reaches io in
// pieces of 16,384 bytes, the last one shorter and never empty; a header
// alone gives no output. Bits after the last whole code are ignored, as
// compress itself does. Raises ECodecError: kErrHeaderId for a file that
// does not start with 1F 9D, kErrIncompleteCodeSet for a header with the
// reserved bits 0x60 set or a maximum width above 16, kErrCorruptInput for a
// header cut short, a first code that is not a literal or a code above the
// next free one.
void LzwDecompress(TCodecIO& io, uint64_t packedSize);

// The codes alone, as compress writes them in block mode with a maximum width
// of maxBits (9 to 16; anything else raises kErrIncompleteCodeSet): the same
// output and errors as LzwDecompress after its header.
void LzwDecode(TCodecIO& io, uint64_t packedSize, unsigned maxBits);

// Both of the above with the table kept from entry to entry.
class TLzwDecoder {
 public:
  TLzwDecoder();
  ~TLzwDecoder();
  void Decompress(TCodecIO& io, uint64_t packedSize);
  void Decode(TCodecIO& io, uint64_t packedSize, unsigned maxBits);

 private:
  TCodecMemory<struct TLzwState> FState;
};
