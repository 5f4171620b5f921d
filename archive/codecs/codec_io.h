// The one way a codec moves bytes: it pulls packed input and pushes unpacked
// output through this interface. The archive component behind it applies the
// cipher, keeps the running CRC, reports progress and tests the cancel flag,
// so codecs never touch files themselves.
#pragma once
#include <cstddef>
#include <cstdint>

class TCodecIO {
 public:
  virtual ~TCodecIO() = default;
  // Reads up to count packed bytes; a short count means the end of input.
  virtual size_t ReadPacked(uint8_t* buf, size_t count) = 0;
  // Writes count unpacked bytes; raises on a failed write or a cancel.
  virtual void WriteUnpacked(const uint8_t* buf, size_t count) = 0;
};

// One piece of packed input, never past the entry's packed size: reads up to
// count bytes while left (the packed bytes still to read) allows, lowers left
// and returns the count; a short read leaves nothing more to read.
inline size_t ReadPackedPiece(TCodecIO& io, uint64_t& left, uint8_t* buf, size_t count) {
  if (left == 0 || count == 0) return 0;
  const size_t want = left < count ? size_t(left) : count;
  size_t got = io.ReadPacked(buf, want);
  if (got > want) got = want;
  left = got < want ? 0 : left - got;
  return got;
}
