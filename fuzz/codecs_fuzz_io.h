// The codec I/O of the fuzz targets: input from the fuzzer's bytes, output
// checked for readability and counted, and traps where a codec breaks the
// I/O contract.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <vector>

#include "archive/codecs/codec_io.h"
#include "archive/codecs/deflate.h"

// Raised by the I/O to end a run whose output grew past the fuzzing limit.
struct TFuzzOutputLimit {};

class TFuzzIO : public TCodecIO {
 public:
  TFuzzIO(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  // Keeps the first keepSize bytes of output in keep.
  TFuzzIO(const uint8_t* data, size_t size, uint8_t* keep, size_t keepSize)
      : FData(data), FSize(size), FKeep(keep), FKeepSize(keepSize) {}

  size_t ReadPacked(uint8_t* buf, size_t count) override {
    // Codecs ask for no more than the packed size they were given.
    if (count == 0 || count > FSize - FPos) __builtin_trap();
    std::memcpy(buf, FData + FPos, count);
    FPos += count;
    return count;
  }
  void WriteUnpacked(const uint8_t* buf, size_t count) override {
    if (count == 0 || count > sizeof FScratch) __builtin_trap();
    if (FKeep && Total < FKeepSize)
      std::memcpy(FKeep + Total, buf, std::min<uint64_t>(count, FKeepSize - Total));
    else
      std::memcpy(FScratch, buf, count);
    Total += count;
    if (Total > (uint64_t(4) << 20)) throw TFuzzOutputLimit();
  }

  uint64_t Total = 0;

 private:
  const uint8_t* FData;
  size_t FSize, FPos = 0;
  uint8_t* FKeep = nullptr;
  size_t FKeepSize = 0;
  uint8_t FScratch[32768];
};

// Input of the encoder round trips: the fuzzer's bytes in pieces of at most
// piece bytes; the output is kept.
class TFuzzInput : public TDeflateIO {
 public:
  TFuzzInput(const uint8_t* data, size_t size, size_t piece) : FData(data), FSize(size), FPiece(piece) {}
  size_t ReadInput(uint8_t* buf, size_t count) override {
    if (count == 0) __builtin_trap();
    const size_t n = std::min({count, FSize - FPos, FPiece});
    std::memcpy(buf, FData + FPos, n);
    FPos += n;
    return n;
  }
  void WriteOutput(const uint8_t* buf, size_t count) override { Out.insert(Out.end(), buf, buf + count); }
  std::vector<uint8_t> Out;

 private:
  const uint8_t* FData;
  size_t FSize, FPos = 0, FPiece;
};

