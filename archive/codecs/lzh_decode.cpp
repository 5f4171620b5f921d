#include "archive/codecs/lzh_decode.h"

#include <algorithm>
#include <cstring>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/lz_window.h"

namespace {

constexpr unsigned kMaxMatch = 256;

[[noreturn]] void BadCode() { throw ECodecError(kErrBadHuffmanCode); }

}  // namespace

TLzhDecoder::TLzhDecoder() : FIn(kInSize), FBuf(kMaxWindow + kChunk + kMaxMatch) {}

uint8_t TLzhDecoder::NextByte() {
  // Past the packed data the stream goes on as zero bits; a zero block size
  // or the output count then ends the entry.
  FInPos = 0;
  FInEnd = ReadPackedPiece(*FIO, FPackedLeft, FIn.data(), kInSize);
  return FInEnd ? FIn[FInPos++] : 0;
}

void TLzhDecoder::MakeTable(unsigned nchar, const uint8_t* bitlen, unsigned tableBits, uint16_t* table) {
  uint32_t count[17] = {}, start[18], weight[17];
  for (unsigned i = 0; i < nchar; ++i) {
    if (bitlen[i] > 16) BadCode();
    count[bitlen[i]]++;
  }
  start[1] = 0;
  for (unsigned i = 1; i <= 16; ++i) start[i + 1] = start[i] + (count[i] << (16 - i));
  // Only a complete code leaves no slot of the table empty.
  if (start[17] != 0x10000) BadCode();
  const unsigned jut = 16 - tableBits;
  for (unsigned i = 1; i <= tableBits; ++i) {
    start[i] >>= jut;
    weight[i] = 1u << (tableBits - i);
  }
  for (unsigned i = tableBits + 1; i <= 16; ++i) weight[i] = 1u << (16 - i);
  // Slots of codes longer than the table become tree roots.
  const uint32_t longStart = start[tableBits + 1] >> jut;
  std::fill(table + longStart, table + (size_t(1) << tableBits), uint16_t(0));
  unsigned avail = nchar;
  const uint32_t mask = 1u << (15 - tableBits);
  for (unsigned ch = 0; ch < nchar; ++ch) {
    const unsigned len = bitlen[ch];
    if (len == 0) continue;
    uint32_t k = start[len];
    const uint32_t next = k + weight[len];
    if (len <= tableBits) {
      for (uint32_t i = k; i < next; ++i) table[i] = uint16_t(ch);
    } else {
      uint16_t* p = &table[k >> jut];
      for (unsigned i = len - tableBits; i > 0; --i) {
        if (*p == 0) {
          if (avail >= 2 * NC) BadCode();
          FLeft[avail] = FRight[avail] = 0;
          *p = uint16_t(avail++);
        }
        p = (k & mask) ? &FRight[*p] : &FLeft[*p];
        k <<= 1;
      }
      *p = uint16_t(ch);
    }
    start[len] = next;
  }
}

unsigned TLzhDecoder::Lookup(const uint16_t* table, unsigned tableBits, unsigned nchar) const {
  const unsigned code = Peek(16);
  unsigned j = table[code >> (16 - tableBits)];
  unsigned mask = 1u << (15 - tableBits);
  while (j >= nchar) {
    j = (code & mask) ? FRight[j] : FLeft[j];
    mask >>= 1;
  }
  return j;
}

void TLzhDecoder::ReadPtLen(unsigned nn, unsigned nbit, int special) {
  const unsigned n = Bits(nbit);
  if (n == 0) {
    const unsigned c = Bits(nbit);
    if (c >= nn) BadCode();
    std::fill(FPtLen, FPtLen + nn, uint8_t(0));
    std::fill(FPtTable, FPtTable + 256, uint16_t(c));
    return;
  }
  if (n > nn) BadCode();
  unsigned i = 0;
  while (i < n) {
    Refill();
    unsigned c = Peek(3);
    if (c == 7) {
      unsigned mask = 1u << 12;
      const unsigned look = Peek(16);
      while (mask && (look & mask)) {
        mask >>= 1;
        ++c;
      }
      if (c > 16) BadCode();
    }
    Drop(c < 7 ? 3 : c - 3);
    FPtLen[i++] = uint8_t(c);
    if (int(i) == special) {
      unsigned zeros = Bits(2);
      if (i + zeros > nn) BadCode();
      while (zeros-- > 0) FPtLen[i++] = 0;
    }
  }
  std::fill(FPtLen + i, FPtLen + nn, uint8_t(0));
  MakeTable(nn, FPtLen, 8, FPtTable);
}

void TLzhDecoder::ReadCLen() {
  const unsigned n = Bits(9);
  if (n == 0) {
    const unsigned c = Bits(9);
    if (c >= NC) BadCode();
    std::fill(FCLen, FCLen + NC, uint8_t(0));
    std::fill(FCTable, FCTable + 4096, uint16_t(c));
    return;
  }
  if (n > NC) BadCode();
  unsigned i = 0;
  while (i < n) {
    Refill();
    const unsigned c = Lookup(FPtTable, 8, NT);
    Drop(FPtLen[c]);
    if (c <= 2) {
      const unsigned run = c == 0 ? 1 : c == 1 ? Bits(4) + 3 : Bits(9) + 20;
      if (i + run > NC) BadCode();
      std::fill(FCLen + i, FCLen + i + run, uint8_t(0));
      i += run;
    } else {
      FCLen[i++] = uint8_t(c - 2);
    }
  }
  std::fill(FCLen + i, FCLen + NC, uint8_t(0));
  MakeTable(NC, FCLen, 12, FCTable);
}

void TLzhDecoder::Flush(size_t end) {
  LzWriteOut(*FIO, FBuf.data() + FWindow, end - FWindow, FOutLeft, kOutPiece);
}

uint64_t TLzhDecoder::Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, const TLzhParams& params) {
  if (params.Window == 0 || params.Window > kMaxWindow || params.DicBit + 1u > NPMax - 1 || params.PBit > 8)
    throw ECodecError(kErrUnsupportedMethod);
  FIO = &io;
  FPackedLeft = packedSize;
  FOutLeft = unpackedSize;
  FBits = 0;
  FCount = 0;
  FInPos = FInEnd = 0;
  FNP = params.DicBit + 1u;
  FWindow = params.Window;
  if (unpackedSize == 0) return 0;

  uint8_t* const buf = FBuf.data();
  std::memset(buf, 0, FWindow);
  size_t pos = FWindow;
  const size_t flushAt = FWindow + kChunk;
  unsigned blockLeft = 0;
  uint64_t produced = 0;
  while (produced < unpackedSize) {
    if (blockLeft == 0) {
      blockLeft = Bits(16);
      if (blockLeft == 0) break;
      ReadPtLen(NT, 5, 3);
      ReadCLen();
      ReadPtLen(FNP, params.PBit, -1);
    }
    --blockLeft;
    Refill();
    const unsigned c = Lookup(FCTable, 12, NC);
    Drop(FCLen[c]);
    if (c < 256) {
      buf[pos++] = uint8_t(c);
      ++produced;
    } else {
      const unsigned len = c - 253;
      unsigned p = Lookup(FPtTable, 8, FNP);
      Drop(FPtLen[p]);
      if (p > 1) {
        const unsigned extra = p - 1;
        p = (1u << extra) + Peek(extra);
        Drop(extra);
      }
      const size_t dist = size_t(p) + 1;
      if (dist > FWindow) throw ECodecError(kErrInvalidCode);
      LzCopyMatch(buf + pos, dist, len);
      pos += len;
      produced += len;
    }
    if (pos >= flushAt) {
      Flush(pos);
      std::memmove(buf, buf + pos - FWindow, FWindow);
      pos = FWindow;
    }
  }
  Flush(pos);
  return std::min(produced, unpackedSize);
}
