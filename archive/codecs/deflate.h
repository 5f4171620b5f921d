// Deflate (RFC 1951) encoder for Zip method 8, gzip members and BH entries.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive/codecs/codec_memory.h"

// The encoder pulls plain input and pushes compressed output through this;
// the archive component behind it keeps the CRC of the input, applies the
// cipher to the output, counts packed bytes and reports progress.
class TDeflateIO {
 public:
  virtual ~TDeflateIO() = default;
  // Reads up to count input bytes; 0 means the input is exhausted.
  virtual size_t ReadInput(uint8_t* buf, size_t count) = 0;
  // Writes count bytes of output; raises on a failed write or a cancel.
  virtual void WriteOutput(const uint8_t* buf, size_t count) = 0;
};

struct TDeflateResult {
  uint64_t InputBytes = 0;
  uint64_t OutputBytes = 0;
  // The whole input went out as plain bytes without any block structure
  // (allowed only with AllowPlain): the entry is to be recorded as stored.
  bool Plain = false;
};

// Compresses everything io yields at level 0-9 (1, 2, 7 and 9 are the
// library's four). With AllowPlain, a single small block that would not
// shrink is written as plain bytes (Zip records it as method 0); without it
// the output is always a valid Deflate stream, stored blocks included.
TDeflateResult DeflateEncode(TDeflateIO& io, int level, bool allowPlain);

// The same with its window, hash chains and buffers kept from entry to entry.
class TDeflateEncoder {
 public:
  TDeflateEncoder();
  ~TDeflateEncoder();
  TDeflateResult Encode(TDeflateIO& io, int level, bool allowPlain);
  // The same with a bit buffer of the given width (Encode takes the machine
  // word's), for tests and benchmarks of the 32-bit form.
  template <typename TBitBuf>
  TDeflateResult EncodeWith(TDeflateIO& io, int level, bool allowPlain);

 private:
  TCodecMemory<struct TDeflateMemory> FMemory;
};

// The same over memory, for tests and tools.
std::vector<uint8_t> DeflateBuffer(const uint8_t* data, size_t size, int level, bool allowPlain = false,
                                   bool* plain = nullptr);

namespace deflate_detail {
// The bit buffer is a machine word; both widths are instantiated so that the
// 32-bit form, which the product runs, is also tested on 64-bit hosts.
template <typename TBitBuf>
TDeflateResult DeflateWith(TDeflateIO& io, int level, bool allowPlain);
// Huffman code lengths of at most maxBits for n (at most 286) symbols.
void BuildLengths(const uint32_t* freq, unsigned n, unsigned maxBits, uint8_t* lens);
}  // namespace deflate_detail
