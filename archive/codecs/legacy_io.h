// Input and output shared by the old Zip decoders (unshrink, unreduce,
// explode): a bit reader taking bits least significant first, and a 32 KiB
// circular window that is also the output buffer. Both are kept by their
// decoder from entry to entry; Begin starts an entry.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "archive/codecs/codec_io.h"

class TLsbInput {
 public:
  void Begin(TCodecIO& io, uint64_t packedSize) {
    FIO = &io;
    FPackedLeft = packedSize;
    FBits = 0;
    FCount = 0;
    FPos = FEnd = 0;
  }

  // The next n (at most 24) bits without taking them; bits past the end of
  // the input read as zeros.
  uint32_t Peek(unsigned n) {
    while (FCount < n && FetchByte()) {
    }
    return FBits & ((uint32_t(1) << n) - 1);
  }
  // True when n more bits are there.
  bool Has(unsigned n) {
    Peek(n);
    return FCount >= n;
  }
  // Takes n bits; false when fewer were left.
  bool Drop(unsigned n) {
    if (!Has(n)) return false;
    FBits >>= n;
    FCount -= n;
    return true;
  }
  // The next n bits, or -1 when the input ends first.
  int Bits(unsigned n) {
    const uint32_t v = Peek(n);
    return Drop(n) ? int(v) : -1;
  }

 private:
  bool FetchByte() {
    if (FPos == FEnd) {
      if (FPackedLeft == 0) return false;
      const size_t want = size_t(std::min<uint64_t>(FPackedLeft, sizeof FBuf));
      size_t got = FIO->ReadPacked(FBuf, want);
      if (got > want) got = want;
      FPackedLeft = got < want ? 0 : FPackedLeft - got;
      FPos = 0;
      FEnd = got;
      if (got == 0) return false;
    }
    FBits |= uint32_t(FBuf[FPos++]) << FCount;
    FCount += 8;
    return true;
  }

  TCodecIO* FIO = nullptr;
  uint64_t FPackedLeft = 0;
  uint32_t FBits = 0;
  unsigned FCount = 0;
  size_t FPos = 0, FEnd = 0;
  uint8_t FBuf[32768];
};

class TOutWindow {
 public:
  static constexpr size_t kSize = 32768;

  void Begin(TCodecIO& io) {
    FIO = &io;
    FPos = 0;
    FProduced = 0;
    std::memset(FWin, 0, sizeof FWin);
  }

  uint64_t Produced() const { return FProduced; }

  void Put(uint8_t b) {
    FWin[FPos++] = b;
    FProduced++;
    if (FPos == kSize) Flush();
  }
  // Copies len bytes from distance (at most kSize) back; before the start of
  // the output the window holds zeros.
  void Copy(size_t distance, size_t len) {
    size_t src = (FPos - distance) & (kSize - 1);
    FProduced += len;
    while (len) {
      const size_t n = std::min({len, kSize - FPos, kSize - src});
      if (src + n <= FPos || FPos + n <= src) {
        std::memcpy(FWin + FPos, FWin + src, n);
      } else {
        for (size_t i = 0; i < n; ++i) FWin[FPos + i] = FWin[src + i];
      }
      FPos += n;
      src = (src + n) & (kSize - 1);
      len -= n;
      if (FPos == kSize) Flush();
    }
  }
  void Flush() {
    if (FPos) FIO->WriteUnpacked(FWin, FPos);
    FPos = 0;
  }

 private:
  TCodecIO* FIO = nullptr;
  size_t FPos = 0;
  uint64_t FProduced = 0;
  uint8_t FWin[kSize];
};
