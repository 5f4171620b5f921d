// What the LZ77 decoders with a window in front of their pending output
// share: the match copy and the flush of the output.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "archive/codecs/codec_io.h"

// Copies len bytes from dist bytes back to dst; an overlapping copy repeats
// the bytes, as LZ77 wants.
inline void LzCopyMatch(uint8_t* dst, size_t dist, unsigned len) {
  const uint8_t* src = dst - dist;
  if (dist >= len) {
    std::memcpy(dst, src, len);
  } else if (dist == 1) {
    std::memset(dst, *src, len);
  } else {
    for (unsigned k = 0; k < len; ++k) dst[k] = src[k];
  }
}

// Writes n bytes from p, at most left of them, in pieces of at most piece
// bytes; lowers left by what was written.
inline void LzWriteOut(TCodecIO& io, const uint8_t* p, size_t n, uint64_t& left, size_t piece) {
  n = size_t(std::min<uint64_t>(n, left));
  left -= n;
  while (n) {
    const size_t k = std::min(n, piece);
    io.WriteUnpacked(p, k);
    p += k;
    n -= k;
  }
}
