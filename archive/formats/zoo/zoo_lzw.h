// Decoder of ZOO's LZW method: codes of 9 to 13 bits, least significant bit
// first, 256 clears the table, 257 ends the data, new strings from 258 on.
// Unlike compress (.Z) and ARC it has an end code and no padding when the
// code width changes.
//
// The extractor owns one and keeps it from entry to entry; nothing of one
// entry carries over into the next.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/codecs/codec_io.h"

class TZooLzwDecoder {
 public:
  static constexpr unsigned kMaxBits = 13;
  static constexpr unsigned kTableSize = 1u << kMaxBits;
  static constexpr unsigned kClear = 256, kEnd = 257, kFirstFree = 258;

  TZooLzwDecoder();

  // Decodes one entry up to its end code, reading at most packedSize bytes,
  // and returns the bytes produced. Output reaches io in pieces of at most
  // 4,096 bytes. Input that ends before the end code stops the entry (the
  // caller's CRC test reports it). Raises ECodecError kErrCorruptInput for a
  // code above the next free one or a string code right after a clear.
  uint64_t Decode(TCodecIO& io, uint64_t packedSize);

 private:
  static constexpr size_t kInSize = 4096;
  static constexpr size_t kOutSize = 4096;

  // The next code, or kEnd once the input is used up.
  unsigned ReadCode();
  void Put(const uint8_t* p, size_t n);

  TCodecIO* FIO = nullptr;
  uint64_t FPackedLeft = 0;
  uint64_t FBits = 0;
  unsigned FCount = 0;
  unsigned FWidth = 9;
  size_t FInPos = 0, FInEnd = 0;
  uint64_t FProduced = 0;
  size_t FOutLen = 0;
  std::vector<uint8_t> FIn, FOut;
  // Every string is its prefix code plus one byte; a prefix is always an
  // older code, so a string is never longer than the table.
  std::vector<uint16_t> FPrefix;
  std::vector<uint8_t> FSuffix;
  std::vector<uint8_t> FStack;
};
