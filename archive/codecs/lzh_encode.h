// Encoder of LHA "-lh5-" (also BH method 1): an 8,192-byte sliding
// dictionary, matches of 3 to 256 bytes, blocks of static Huffman codes as
// TLzhDecoder reads them with LzhLh5.
//
// The writer owns one encoder and keeps it from file to file: its window,
// hash chains and tables are allocated once.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/codecs/deflate.h"
#include "archive/codecs/lzhuf.h"

class TLzhEncoder {
 public:
  TLzhEncoder();

  // Encodes everything io yields (at most inputSize bytes, through the same
  // pull/push interface as the Deflate encoder). Stops as unpackable when a
  // finished block leaves the output larger than the input it covers, or the
  // output reaches inputSize bytes; what was written by then is to be
  // overwritten by the caller. An empty input writes nothing.
  TLzhEncodeResult Encode(TDeflateIO& io, uint64_t inputSize);

 private:
  static constexpr unsigned NC = 510, NP = 14, NT = 19, PBit = 4, TBit = 5, CBit = 9;
  static constexpr unsigned kDic = 8192, kMaxMatch = 256, kThreshold = 3;
  static constexpr unsigned kHashBits = 15, kPrevSize = 16384;
  static constexpr size_t kBufSize = 131072 + kMaxMatch;

  void Fill();
  void Insert(uint32_t abs);
  unsigned FindMatch(uint32_t abs, unsigned limit, unsigned& dist) const;
  void Output(unsigned c, unsigned p);
  void SendBlock();
  void PutBits(unsigned n, uint32_t v);
  void FlushBits();
  void WritePtLen(unsigned n, unsigned nbit, int special);
  void WriteCLen();

  TDeflateIO* FIO = nullptr;
  uint64_t FLimit = 0;
  bool FStop = false;
  bool FInputDone = false;
  uint64_t FConsumed = 0;

  // The window: absolute positions start at kDic + 1, so that 0 is never a
  // candidate; FBase is the absolute position of FText[0].
  std::vector<uint8_t> FText;
  uint32_t FBase = 0;
  size_t FEnd = 0;
  std::vector<uint32_t> FHead, FPrev;

  // The block being collected.
  std::vector<uint16_t> FSym, FPos;
  size_t FBlockBytes = 0;
  uint16_t FCFreq[2 * NC], FPFreq[2 * NT], FTFreq[2 * NT];
  uint8_t FCLen[NC], FPtLen[NT];
  uint16_t FCCode[NC], FPtCode[NT];

  // Output bits, most significant first.
  uint64_t FAcc = 0;
  unsigned FAccBits = 0;
  std::vector<uint8_t> FOut;
  size_t FOutLen = 0;
  uint64_t FWritten = 0;
};
