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
