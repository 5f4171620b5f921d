#include "archive/codecs/lzh_encode.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned kMaxChain = 256;
constexpr size_t kOutSize = 32768;
// The block ends when its symbols would fill this many bytes, counted as
// one per literal, three per match and one flag byte per eight symbols.
constexpr size_t kBlockBytes = 32768 - 24;

unsigned BitLength(unsigned p) {
  unsigned n = 0;
  while (p) {
    ++n;
    p >>= 1;
  }
  return n;
}

// Huffman code lengths of at most 16 bits, complete, and canonical codes
// (shorter codes first, ascending by symbol within a length). Returns the
// number of symbols in use; with fewer than two every length is 0 and
// single is the one symbol (0 when none).
unsigned MakeCode(unsigned n, const uint16_t* freq, uint8_t* len, uint16_t* code, unsigned& single) {
  constexpr unsigned kMax = 510;
  unsigned syms[kMax];
  unsigned m = 0;
  std::fill(len, len + n, uint8_t(0));
  for (unsigned i = 0; i < n; ++i)
    if (freq[i]) syms[m++] = i;
  single = m ? syms[0] : 0;
  if (m < 2) return m;
  std::stable_sort(syms, syms + m, [freq](unsigned a, unsigned b) { return freq[a] < freq[b]; });

  // Two queues: the sorted leaves, and the joined nodes, which come out in
  // ascending weight.
  uint32_t w[2 * kMax];
  uint16_t parent[2 * kMax];
  uint8_t depth[2 * kMax];
  for (unsigned k = 0; k < m; ++k) w[k] = freq[syms[k]];
  unsigned leaf = 0, node = m, next = m;
  auto pick = [&]() { return (leaf < m && (node >= next || w[leaf] <= w[node])) ? leaf++ : node++; };
  while (next < 2 * m - 1) {
    const unsigned a = pick(), b = pick();
    w[next] = w[a] + w[b];
    parent[a] = parent[b] = uint16_t(next);
    ++next;
  }
  unsigned count[18] = {};
  depth[2 * m - 2] = 0;
  for (unsigned k = 2 * m - 2; k-- > 0;) {
    depth[k] = uint8_t(std::min(depth[parent[k]] + 1, 17));
    if (k < m) count[std::min<unsigned>(depth[k], 16)]++;
  }
  // Lengths cut to 16 over-fill the code: take one 16-bit code away and
  // split a shorter one until the code is exactly full.
  uint32_t cum = 0;
  for (unsigned i = 1; i <= 16; ++i) cum += count[i] << (16 - i);
  while (cum != 0x10000) {
    count[16]--;
    for (unsigned i = 15; i > 0; --i) {
      if (count[i]) {
        count[i]--;
        count[i + 1] += 2;
        break;
      }
    }
    --cum;
  }
  unsigned k = 0;
  for (unsigned i = 16; i > 0; --i)
    for (unsigned c = count[i]; c > 0; --c) len[syms[k++]] = uint8_t(i);

  uint16_t start[18];
  start[1] = 0;
  for (unsigned i = 1; i <= 16; ++i) start[i + 1] = uint16_t((start[i] + count[i]) << 1);
  for (unsigned i = 0; i < n; ++i)
    if (len[i]) code[i] = start[len[i]]++;
  return m;
}

}  // namespace

TLzhEncoder::TLzhEncoder()
    : FText(kBufSize + 8), FHead(size_t(1) << kHashBits), FPrev(kPrevSize), FOut(kOutSize) {
  FSym.reserve(65536);
  FPos.reserve(32768);
}

void TLzhEncoder::PutBits(unsigned n, uint32_t v) {
  if (n == 0) return;
  FAcc = (FAcc << n) | (v & ((1u << n) - 1));
  FAccBits += n;
  while (FAccBits >= 8) {
    FAccBits -= 8;
    if (FWritten >= FLimit) {
      FStop = true;
      continue;
    }
    FOut[FOutLen++] = uint8_t(FAcc >> FAccBits);
    ++FWritten;
    if (FOutLen == kOutSize) {
      FIO->WriteOutput(FOut.data(), FOutLen);
      FOutLen = 0;
    }
  }
}

void TLzhEncoder::FlushBits() {
  if (FAccBits) PutBits(8 - FAccBits, 0);
}

void TLzhEncoder::WritePtLen(unsigned n, unsigned nbit, int special) {
  while (n > 0 && FPtLen[n - 1] == 0) --n;
  PutBits(nbit, n);
  unsigned i = 0;
  while (i < n) {
    const unsigned k = FPtLen[i++];
    if (k <= 6)
      PutBits(3, k);
    else
      PutBits(k - 3, (1u << (k - 3)) - 2);
    if (int(i) == special) {
      while (i < 6 && FPtLen[i] == 0) ++i;
      PutBits(2, (i - 3) & 3);
    }
  }
}

// Calls put(symbol, extraBits, extraValue) for the code-length alphabet
// over the literal/length code lengths: runs of zeros as symbols 0 to 2.
template <class Put>
static void ForEachCLenSymbol(const uint8_t* cLen, unsigned n, Put put) {
  unsigned i = 0;
  while (i < n) {
    const unsigned k = cLen[i++];
    if (k != 0) {
      put(k + 2, 0, 0);
      continue;
    }
    unsigned count = 1;
    while (i < n && cLen[i] == 0) {
      ++i;
      ++count;
    }
    if (count <= 2) {
      for (unsigned j = 0; j < count; ++j) put(0, 0, 0);
    } else if (count <= 18) {
      put(1, 4, count - 3);
    } else if (count == 19) {
      put(0, 0, 0);
      put(1, 4, 15);
    } else {
      put(2, 9, count - 20);
    }
  }
}

void TLzhEncoder::WriteCLen() {
  unsigned n = NC;
  while (n > 0 && FCLen[n - 1] == 0) --n;
  PutBits(CBit, n);
  ForEachCLenSymbol(FCLen, n, [this](unsigned s, unsigned bits, unsigned v) {
    PutBits(FPtLen[s], FPtCode[s]);
    PutBits(bits, v);
  });
}

void TLzhEncoder::SendBlock() {
  unsigned single = 0;
  const unsigned used = MakeCode(NC, FCFreq, FCLen, FCCode, single);
  PutBits(16, unsigned(FSym.size()));
  if (used >= 2) {
    std::fill(FTFreq, FTFreq + NT, uint16_t(0));
    unsigned n = NC;
    while (n > 0 && FCLen[n - 1] == 0) --n;
    ForEachCLenSymbol(FCLen, n, [this](unsigned s, unsigned, unsigned) { FTFreq[s]++; });
    unsigned tSingle = 0;
    if (MakeCode(NT, FTFreq, FPtLen, FPtCode, tSingle) >= 2) {
      WritePtLen(NT, TBit, 3);
    } else {
      PutBits(TBit, 0);
      PutBits(TBit, tSingle);
    }
    WriteCLen();
  } else {
    PutBits(TBit, 0);
    PutBits(TBit, 0);
    PutBits(CBit, 0);
    PutBits(CBit, single);
  }
  unsigned pSingle = 0;
  if (MakeCode(NP, FPFreq, FPtLen, FPtCode, pSingle) >= 2) {
    WritePtLen(NP, PBit, -1);
  } else {
    PutBits(PBit, 0);
    PutBits(PBit, pSingle);
  }
  size_t j = 0;
  for (const uint16_t c : FSym) {
    PutBits(FCLen[c], FCCode[c]);
    if (c < 256) continue;
    const unsigned p = FPos[j++];
    const unsigned bl = BitLength(p);
    PutBits(FPtLen[bl], FPtCode[bl]);
    if (bl > 1) PutBits(bl - 1, p);
  }
  FSym.clear();
  FPos.clear();
  FBlockBytes = 0;
  std::fill(FCFreq, FCFreq + NC, uint16_t(0));
  std::fill(FPFreq, FPFreq + NP, uint16_t(0));
  // A block that came out larger than what it covers: the file is not
  // worth packing, and there is no need to find out to the end.
  if (FWritten > FConsumed) FStop = true;
}

void TLzhEncoder::Output(unsigned c, unsigned p) {
  if (FSym.size() % 8 == 0) ++FBlockBytes;
  FSym.push_back(uint16_t(c));
  FCFreq[c]++;
  if (c >= 256) {
    FPos.push_back(uint16_t(p));
    FPFreq[BitLength(p)]++;
    FBlockBytes += 3;
    FConsumed += c - 253;
  } else {
    FBlockBytes += 1;
    FConsumed += 1;
  }
  if (FBlockBytes >= kBlockBytes || FSym.size() >= 65535) SendBlock();
}

namespace {
inline uint32_t Hash3(const uint8_t* p, unsigned bits) {
  return ((uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) * 2654435761u) >> (32 - bits);
}
}  // namespace

void TLzhEncoder::Insert(uint32_t abs) {
  const uint32_t h = Hash3(&FText[abs - FBase], kHashBits);
  FPrev[abs & (kPrevSize - 1)] = FHead[h];
  FHead[h] = abs;
}

unsigned TLzhEncoder::FindMatch(uint32_t abs, unsigned limit, unsigned& dist) const {
  const uint8_t* cur = &FText[abs - FBase];
  unsigned best = kThreshold - 1;
  uint32_t cand = FHead[Hash3(cur, kHashBits)];
  for (unsigned chain = kMaxChain; cand != 0 && chain > 0; --chain) {
    if (abs - cand > kDic) break;
    const uint8_t* m = &FText[cand - FBase];
    if (m[best] == cur[best] && m[0] == cur[0] && m[1] == cur[1]) {
      unsigned l = 2;
      while (l < limit && m[l] == cur[l]) ++l;
      if (l > best) {
        best = l;
        dist = abs - cand;
        if (l >= limit) break;
      }
    }
    const uint32_t next = FPrev[cand & (kPrevSize - 1)];
    if (next >= cand) break;
    cand = next;
  }
  return best >= kThreshold ? best : 0;
}

TLzhEncodeResult TLzhEncoder::Encode(TDeflateIO& io, uint64_t inputSize) {
  FIO = &io;
  FLimit = inputSize;
  FStop = false;
  FInputDone = false;
  FConsumed = 0;
  FAcc = 0;
  FAccBits = 0;
  FOutLen = 0;
  FWritten = 0;
  FSym.clear();
  FPos.clear();
  FBlockBytes = 0;
  std::fill(FCFreq, FCFreq + NC, uint16_t(0));
  std::fill(FPFreq, FPFreq + NP, uint16_t(0));
  std::fill(FHead.begin(), FHead.end(), 0u);
  FBase = kDic + 1;
  FEnd = 0;

  size_t pos = 0;
  uint64_t read = 0;
  // Keeps a dictionary's worth before pos and at least a longest match
  // after it, unless the input has ended.
  auto fill = [&]() {
    if (FInputDone || FEnd - pos > kMaxMatch) return;
    if (pos > kDic && FEnd + kMaxMatch * 2 > kBufSize) {
      const size_t shift = pos - kDic;
      std::memmove(FText.data(), FText.data() + shift, FEnd - shift);
      FEnd -= shift;
      pos -= shift;
      FBase += uint32_t(shift);
    }
    while (FEnd < kBufSize) {
      const size_t got = io.ReadInput(FText.data() + FEnd, kBufSize - FEnd);
      if (got == 0) {
        FInputDone = true;
        break;
      }
      FEnd += got;
      read += got;
      if (FEnd - pos > kMaxMatch) break;
    }
  };

  fill();
  unsigned prevLen = 0, prevDist = 0;
  bool pending = false;
  while (!FStop) {
    fill();
    if (pos >= FEnd) break;
    const size_t avail = FEnd - pos;
    const uint32_t abs = FBase + uint32_t(pos);
    unsigned len = 0, dist = 0;
    if (avail >= kThreshold) {
      if (!pending || prevLen < kMaxMatch) len = FindMatch(abs, unsigned(std::min<size_t>(avail, kMaxMatch)), dist);
      Insert(abs);
    }
    if (pending && prevLen >= kThreshold && len <= prevLen) {
      Output(prevLen + 253, prevDist - 1);
      const size_t end = pos - 1 + prevLen;
      for (size_t q = pos + 1; q < end; ++q)
        if (FEnd - q >= kThreshold) Insert(FBase + uint32_t(q));
      pos = end;
      pending = false;
      continue;
    }
    if (pending) Output(FText[pos - 1], 0);
    prevLen = len;
    prevDist = dist;
    pending = true;
    ++pos;
  }
  if (pending && !FStop) {
    if (prevLen >= kThreshold)
      Output(prevLen + 253, prevDist - 1);
    else
      Output(FText[pos - 1], 0);
  }
  if (!FStop && !FSym.empty()) SendBlock();
  if (!FStop) FlushBits();
  TLzhEncodeResult result;
  result.InputBytes = read;
  result.OutputBytes = FWritten;
  result.Unpackable = FStop || (read > 0 && FWritten >= read);
  if (!result.Unpackable && FOutLen) FIO->WriteOutput(FOut.data(), FOutLen);
  FOutLen = 0;
  return result;
}
