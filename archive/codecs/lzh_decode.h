// Decoder of the static-Huffman LZH block format: LHA "-lh4-" to "-lh6-",
// ARJ methods 1-3, ZOO "-lh5-" and BH method 1. Each block carries its own
// code tables; matches reach back at most a window's length.
//
// The decoder is an object the extractor owns and keeps from entry to entry:
// its window and tables are allocated once, and nothing of one entry carries
// over into the next.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/codecs/codec_io.h"

// What a format fixes: DicBit + 1 position codes, PBit bits for their count
// in each block header, and the window (the longest distance back).
struct TLzhParams {
  uint8_t DicBit;
  uint8_t PBit;
  uint32_t Window;
};

inline constexpr TLzhParams LzhLh4{12, 4, 26624};
inline constexpr TLzhParams LzhLh5{13, 4, 26624};
inline constexpr TLzhParams LzhLh6{16, 5, 32768};
inline constexpr TLzhParams LzhArj{16, 5, 26624};

class TLzhDecoder {
 public:
  TLzhDecoder();

  // Decodes one entry of unpackedSize bytes, reading at most packedSize
  // bytes (past them the input reads as zero bits). Output reaches io in
  // pieces of at most 32,768 bytes, never beyond unpackedSize. A block size
  // of 0 ends the entry early (a damaged or short stream; the caller's CRC
  // test reports it). Returns the bytes produced. Raises ECodecError:
  // kErrBadHuffmanCode for code lengths that form no complete code or a
  // table count beyond its alphabet, kErrInvalidCode for a distance beyond
  // the window.
  uint64_t Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, const TLzhParams& params);

 private:
  static constexpr unsigned NC = 510, NT = 19, NPMax = 20;
  static constexpr uint32_t kMaxWindow = 65536;
  static constexpr size_t kChunk = 131072;
  static constexpr size_t kInSize = 32768;
  static constexpr size_t kOutPiece = 32768;

  uint8_t NextByte();
  void Refill() {
    while (FCount <= 56) {
      FBits = (FBits << 8) | (FInPos < FInEnd ? FIn[FInPos++] : NextByte());
      FCount += 8;
    }
  }
  unsigned Peek(unsigned n) const { return unsigned(FBits >> (FCount - n)) & ((1u << n) - 1); }
  void Drop(unsigned n) { FCount -= n; }
  unsigned Bits(unsigned n) {
    Refill();
    const unsigned v = Peek(n);
    Drop(n);
    return v;
  }
  void ReadPtLen(unsigned nn, unsigned nbit, int special);
  void ReadCLen();
  // Symbol of a table of tableBits whose long codes go on in the tree.
  unsigned Lookup(const uint16_t* table, unsigned tableBits, unsigned nchar) const;
  void MakeTable(unsigned nchar, const uint8_t* bitlen, unsigned tableBits, uint16_t* table);
  void Flush(size_t end);

  TCodecIO* FIO = nullptr;
  uint64_t FPackedLeft = 0;
  uint64_t FOutLeft = 0;
  uint64_t FBits = 0;
  unsigned FCount = 0;
  size_t FInPos = 0, FInEnd = 0;
  unsigned FNP = 0;
  uint32_t FWindow = 0;

  uint8_t FCLen[NC];
  uint8_t FPtLen[NPMax];
  uint16_t FCTable[4096];
  uint16_t FPtTable[256];
  uint16_t FLeft[2 * NC], FRight[2 * NC];
  std::vector<uint8_t> FIn;
  // The window then the output not yet written; output starts at FWindow
  // after the window's worth of zeros that stands for the time before the
  // entry.
  std::vector<uint8_t> FBuf;
};
