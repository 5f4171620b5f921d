#include "archive/codecs/lzhuf.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kIoSize = 32768;

// The fixed code of the high six distance bits: 1 code of 3 bits, 3 of 4,
// 8 of 5, 12 of 6, 24 of 7 and 16 of 8, given out in canonical order.
struct TPositionCode {
  uint8_t Len[64];
  uint8_t Code[64];     // left-aligned in a byte
  uint8_t DecCode[256]; // by the next eight bits: the high bits
  uint8_t DecLen[256];  // and the length of their code
  TPositionCode() {
    static constexpr unsigned kCounts[9] = {0, 0, 0, 1, 3, 8, 12, 24, 16};
    unsigned sym = 0, code = 0;
    for (unsigned len = 3; len <= 8; ++len) {
      for (unsigned i = 0; i < kCounts[len]; ++i, ++sym) {
        Len[sym] = uint8_t(len);
        Code[sym] = uint8_t(code);
        const unsigned span = 1u << (8 - len);
        for (unsigned k = 0; k < span; ++k) {
          DecCode[code + k] = uint8_t(sym);
          DecLen[code + k] = uint8_t(len);
        }
        code += span;
      }
    }
  }
};
const TPositionCode kPos;

// Bits most significant first, from at most a given count of packed bytes.
class TMsbReader {
 public:
  TMsbReader(TCodecIO& io, uint64_t packed, uint8_t* buf) : FIO(io), FLeft(packed), FBuf(buf) {}
  unsigned Bit() {
    if (FCount == 0) {
      FByte = Byte();
      FCount = 8;
    }
    --FCount;
    return (FByte >> FCount) & 1;
  }
  unsigned Bits(unsigned n) {
    unsigned v = 0;
    while (n--) v = (v << 1) | Bit();
    return v;
  }
  // A stream whose declared size outruns its data would otherwise be decoded
  // from zero bits for as long as that size says; a sound one never needs
  // more than its last byte.
  bool Exhausted() const { return FPastEnd > kSlackBytes; }

 private:
  uint8_t Byte() {
    if (FPos == FEnd) {
      FPos = 0;
      FEnd = ReadPackedPiece(FIO, FLeft, FBuf, kIoSize);
      if (FEnd == 0) {
        ++FPastEnd;
        return 0;
      }
    }
    return FBuf[FPos++];
  }
  static constexpr unsigned kSlackBytes = 8;
  unsigned FPastEnd = 0;
  TCodecIO& FIO;
  uint64_t FLeft;
  uint8_t* FBuf;
  size_t FPos = 0, FEnd = 0;
  uint8_t FByte = 0;
  unsigned FCount = 0;
};

// Bits most significant first into a buffer written out when full; stops
// taking bytes once the output would reach the limit.
class TMsbWriter {
 public:
  TMsbWriter(TDeflateIO& io, uint64_t limit) : FIO(io), FLimit(limit) {}
  void Bits(uint32_t value, unsigned n) {
    while (n--) {
      FAcc = uint8_t((FAcc << 1) | ((value >> n) & 1));
      if (++FCount == 8) PutByte();
    }
  }
  void Finish() {
    if (FCount) {
      FAcc = uint8_t(FAcc << (8 - FCount));
      PutByte();
    }
    if (FLen) FIO.WriteOutput(FBuf, FLen);
    FLen = 0;
  }
  bool Full() const { return FWritten >= FLimit; }
  uint64_t Written() const { return FWritten; }

 private:
  void PutByte() {
    FCount = 0;
    if (FWritten >= FLimit) return;
    FBuf[FLen++] = FAcc;
    ++FWritten;
    if (FLen == sizeof FBuf) {
      FIO.WriteOutput(FBuf, FLen);
      FLen = 0;
    }
  }
  TDeflateIO& FIO;
  uint64_t FLimit;
  uint64_t FWritten = 0;
  uint8_t FAcc = 0;
  unsigned FCount = 0;
  size_t FLen = 0;
  uint8_t FBuf[kIoSize];
};

}  // namespace

TLzhufCodec::TLzhufCodec() : FText(N + F - 1), FLson(N + 1), FRson(N + 257), FDad(N + 1), FIoBuf(kIoSize), FOut(kIoSize) {}

void TLzhufCodec::StartHuff() {
  for (unsigned i = 0; i < NChar; ++i) {
    FFreq[i] = 1;
    FSon[i] = uint16_t(i + T);
    FPrnt[i + T] = uint16_t(i);
  }
  for (unsigned i = 0, j = NChar; j <= R; i += 2, ++j) {
    FFreq[j] = uint16_t(FFreq[i] + FFreq[i + 1]);
    FSon[j] = uint16_t(i);
    FPrnt[i] = FPrnt[i + 1] = uint16_t(j);
  }
  FFreq[T] = 0xFFFF;
  FPrnt[R] = 0;
}

void TLzhufCodec::Reconst() {
  // Leaves to the front with halved counts, then the inner nodes again,
  // each inserted where its count keeps the order.
  unsigned j = 0;
  for (unsigned i = 0; i < T; ++i) {
    if (FSon[i] >= T) {
      FFreq[j] = uint16_t((FFreq[i] + 1) / 2);
      FSon[j] = FSon[i];
      ++j;
    }
  }
  for (unsigned i = 0, j2 = NChar; j2 < T; i += 2, ++j2) {
    const unsigned f = unsigned(FFreq[i]) + FFreq[i + 1];
    FFreq[j2] = uint16_t(f);
    unsigned k = j2 - 1;
    while (f < FFreq[k]) --k;
    ++k;
    std::copy_backward(FFreq + k, FFreq + j2, FFreq + j2 + 1);
    FFreq[k] = uint16_t(f);
    std::copy_backward(FSon + k, FSon + j2, FSon + j2 + 1);
    FSon[k] = uint16_t(i);
  }
  for (unsigned i = 0; i < T; ++i) {
    const unsigned k = FSon[i];
    if (k >= T)
      FPrnt[k] = uint16_t(i);
    else
      FPrnt[k] = FPrnt[k + 1] = uint16_t(i);
  }
}

void TLzhufCodec::Update(unsigned c) {
  if (FFreq[R] == MaxFreq) Reconst();
  c = FPrnt[c + T];
  do {
    const unsigned k = ++FFreq[c];
    unsigned l = c + 1;
    if (k > FFreq[l]) {
      // The sentinel at T stops the search.
      while (k > FFreq[++l]) {
      }
      --l;
      FFreq[c] = FFreq[l];
      FFreq[l] = uint16_t(k);
      const unsigned i = FSon[c];
      FPrnt[i] = uint16_t(l);
      if (i < T) FPrnt[i + 1] = uint16_t(l);
      const unsigned j = FSon[l];
      FSon[l] = uint16_t(i);
      FPrnt[j] = uint16_t(c);
      if (j < T) FPrnt[j + 1] = uint16_t(c);
      FSon[c] = uint16_t(j);
      c = l;
    }
    c = FPrnt[c];
  } while (c != 0);
}

uint64_t TLzhufCodec::Decode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize) {
  StartHuff();
  uint8_t* const ring = FText.data();
  std::memset(ring, ' ', N - F);
  unsigned r = N - F;
  TMsbReader in(io, packedSize, FIoBuf.data());
  std::vector<uint8_t>& out = FOut;
  size_t outLen = 0;
  uint64_t left = unpackedSize;
  auto put = [&](uint8_t b) {
    ring[r] = b;
    r = (r + 1) & (N - 1);
    out[outLen++] = b;
    --left;
    if (outLen == kIoSize) {
      io.WriteUnpacked(out.data(), outLen);
      outLen = 0;
    }
  };
  while (left > 0 && !in.Exhausted()) {
    unsigned c = FSon[R];
    while (c < T) c = FSon[c + in.Bit()];
    c -= T;
    Update(c);
    if (c < 256) {
      put(uint8_t(c));
      continue;
    }
    const unsigned first = in.Bits(8);
    const unsigned extra = kPos.DecLen[first] - 2u;
    const unsigned low = ((first << extra) | in.Bits(extra)) & 0x3F;
    const unsigned pos = (unsigned(kPos.DecCode[first]) << 6) | low;
    unsigned i = (r - pos - 1) & (N - 1);
    for (unsigned k = c - 253; k > 0 && left > 0; --k) {
      put(ring[i]);
      i = (i + 1) & (N - 1);
    }
  }
  if (outLen) io.WriteUnpacked(out.data(), outLen);
  return unpackedSize - left;
}

void TLzhufCodec::InitTree() {
  for (unsigned i = N + 1; i <= N + 256; ++i) FRson[i] = Nil;
  for (unsigned i = 0; i < N; ++i) FDad[i] = Nil;
}

void TLzhufCodec::InsertNode(unsigned r) {
  const uint8_t* const text = FText.data();
  const uint8_t* key = text + r;
  unsigned p = N + 1 + key[0];
  int cmp = 1;
  FRson[r] = FLson[r] = Nil;
  FMatchLen = 0;
  for (;;) {
    if (cmp >= 0) {
      if (FRson[p] != Nil) {
        p = FRson[p];
      } else {
        FRson[p] = uint16_t(r);
        FDad[r] = uint16_t(p);
        return;
      }
    } else {
      if (FLson[p] != Nil) {
        p = FLson[p];
      } else {
        FLson[p] = uint16_t(r);
        FDad[r] = uint16_t(p);
        return;
      }
    }
    unsigned i = 1;
    for (; i < F; ++i)
      if ((cmp = int(key[i]) - int(text[p + i])) != 0) break;
    if (i > Threshold) {
      const unsigned pos = ((r - p) & (N - 1)) - 1;
      if (i > FMatchLen) {
        FMatchPos = pos;
        if ((FMatchLen = i) >= F) break;
      } else if (i == FMatchLen && pos < FMatchPos) {
        FMatchPos = pos;
      }
    }
  }
  // A whole-length match: r takes p's place in the tree.
  FDad[r] = FDad[p];
  FLson[r] = FLson[p];
  FRson[r] = FRson[p];
  FDad[FLson[p]] = uint16_t(r);
  FDad[FRson[p]] = uint16_t(r);
  if (FRson[FDad[p]] == p)
    FRson[FDad[p]] = uint16_t(r);
  else
    FLson[FDad[p]] = uint16_t(r);
  FDad[p] = Nil;
}

void TLzhufCodec::DeleteNode(unsigned p) {
  if (FDad[p] == Nil) return;
  unsigned q;
  if (FRson[p] == Nil) {
    q = FLson[p];
  } else if (FLson[p] == Nil) {
    q = FRson[p];
  } else {
    q = FLson[p];
    if (FRson[q] != Nil) {
      do q = FRson[q];
      while (FRson[q] != Nil);
      FRson[FDad[q]] = FLson[q];
      FDad[FLson[q]] = FDad[q];
      FLson[q] = FLson[p];
      FDad[FLson[p]] = uint16_t(q);
    }
    FRson[q] = FRson[p];
    FDad[FRson[p]] = uint16_t(q);
  }
  FDad[q] = FDad[p];
  if (FRson[FDad[p]] == p)
    FRson[FDad[p]] = uint16_t(q);
  else
    FLson[FDad[p]] = uint16_t(q);
  FDad[p] = Nil;
}

TLzhEncodeResult TLzhufCodec::Encode(TDeflateIO& io, uint64_t inputSize) {
  TLzhEncodeResult result;
  StartHuff();
  InitTree();
  uint8_t* const text = FText.data();
  std::memset(text, ' ', N - F);
  TMsbWriter out(io, inputSize);

  // Input through a buffer, a byte at a time for the ring.
  uint8_t* const inBuf = FIoBuf.data();
  size_t inPos = 0, inEnd = 0;
  bool inDone = false;
  auto next = [&](uint8_t& b) {
    if (inPos == inEnd) {
      if (inDone) return false;
      inEnd = io.ReadInput(inBuf, kIoSize);
      inPos = 0;
      if (inEnd == 0) {
        inDone = true;
        return false;
      }
    }
    b = inBuf[inPos++];
    ++result.InputBytes;
    return true;
  };

  auto encodeChar = [&](unsigned c) {
    uint32_t code = 0;
    unsigned len = 0;
    for (unsigned k = FPrnt[c + T]; k != R; k = FPrnt[k]) {
      code |= uint32_t(k & 1) << len;
      ++len;
    }
    out.Bits(code, len);
    Update(c);
  };

  unsigned s = 0, r = N - F, len = 0;
  for (uint8_t b; len < F && next(b); ++len) text[r + len] = b;
  for (unsigned i = 1; i <= F; ++i) InsertNode(r - i);
  InsertNode(r);
  while (len > 0 && !out.Full()) {
    if (FMatchLen > len) FMatchLen = len;
    unsigned taken;
    if (FMatchLen <= Threshold) {
      taken = 1;
      encodeChar(text[r]);
    } else {
      taken = FMatchLen;
      encodeChar(255 - Threshold + FMatchLen);
      const unsigned high = FMatchPos >> 6;
      out.Bits(kPos.Code[high] >> (8 - kPos.Len[high]), kPos.Len[high]);
      out.Bits(FMatchPos & 0x3F, 6);
    }
    unsigned i = 0;
    for (uint8_t b; i < taken && next(b); ++i) {
      DeleteNode(s);
      text[s] = b;
      if (s < F - 1) text[s + N] = b;
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      InsertNode(r);
    }
    for (; i < taken; ++i) {
      DeleteNode(s);
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      if (--len) InsertNode(r);
    }
  }
  out.Finish();
  result.OutputBytes = out.Written();
  result.Unpackable = out.Full();
  return result;
}
