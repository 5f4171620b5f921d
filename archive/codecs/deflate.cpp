#include "archive/codecs/deflate.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/deflate_tables.h"

using namespace deflate_tables;

namespace {

constexpr unsigned kWSize = 32768;
constexpr unsigned kWMask = kWSize - 1;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 258;
constexpr unsigned kMinLookahead = kMaxMatch + kMinMatch + 1;
constexpr unsigned kMaxDist = kWSize - kMinLookahead;
constexpr unsigned kTooFar = 4096;
// Word-wise compares and hash loads read a little past the lookahead.
constexpr unsigned kReadPast = 16;
constexpr unsigned kWindowSlack = kMaxMatch + 64;

// At the lazy levels chains link positions by their first four bytes, which
// keeps long searches short; three-byte matches come from a table of the
// latest position of each three-byte string, as the nearest one is the only
// one worth its cost. The fast levels, whose searches are short anyway, chain
// by three bytes and save the second table's upkeep.
constexpr unsigned kHashBits = 15;
constexpr unsigned kHashSize = 1u << kHashBits;
constexpr unsigned kHash3Bits = 15;
constexpr unsigned kHash3Size = 1u << kHash3Bits;
// The fast levels index the chain heads with the three-byte hash.
static_assert(kHash3Bits <= kHashBits);

constexpr unsigned kLitBufSize = 32768;
constexpr unsigned kEndBlock = 256;
constexpr unsigned kLitCodes = 286;
constexpr unsigned kDistCodes = 30;
constexpr unsigned kPreCodes = 19;
constexpr unsigned kMaxBits = 15;
constexpr unsigned kMaxPreBits = 7;
constexpr unsigned kMaxStored = 65535;
constexpr unsigned kOutFlush = 32768;

// Levels up to this one match greedily and keep no three-byte table.
constexpr int kLastFastLevel = 3;

struct TLevel {
  uint16_t Good, Lazy, Nice, Chain;
};
constexpr TLevel kLevels[10] = {
    {0, 0, 0, 0},       {4, 4, 8, 4},       {4, 5, 16, 8},       {4, 6, 32, 32},     {4, 4, 16, 16},
    {8, 16, 32, 32},    {8, 16, 128, 128},  {8, 32, 128, 256},   {32, 128, 258, 1024}, {32, 258, 258, 4096},
};


struct TCodeTables {
  // Length code (0-28) for match length - 3.
  uint8_t LenCode[256];
  // Distance code for distance - 1: below 256 directly, above through
  // (distance - 1) >> 7 at offset 256.
  uint8_t DistCode[512];
  constexpr TCodeTables() : LenCode(), DistCode() {
    for (unsigned c = 0; c < 29; ++c) {
      const unsigned n = c == 28 ? 1 : 1u << kLengthExtra[c];
      for (unsigned i = 0; i < n && kLengthBase[c] - 3 + i < 256; ++i) LenCode[kLengthBase[c] - 3 + i] = uint8_t(c);
    }
    LenCode[255] = 28;
    for (unsigned c = 0; c < 30; ++c) {
      const unsigned first = kDistBase[c] - 1, n = 1u << kDistExtra[c];
      for (unsigned d = first; d < first + n; ++d) {
        if (d < 256)
          DistCode[d] = uint8_t(c);
        else
          DistCode[256 + (d >> 7)] = uint8_t(c);
      }
    }
  }
};
constexpr TCodeTables kTables;

inline unsigned DistCodeOf(unsigned dist) {
  const unsigned d = dist - 1;
  return d < 256 ? kTables.DistCode[d] : kTables.DistCode[256 + (d >> 7)];
}

template <typename T>
inline T ByteSwap(T v) {
  T r = 0;
  for (unsigned i = 0; i < sizeof(T); ++i, v >>= 8) r = T(r << 8 | (v & 0xFF));
  return r;
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) v = ByteSwap(v);
  return v;
}
inline uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline size_t LoadWord(const uint8_t* p) {
  size_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Number of equal leading bytes of two words loaded from memory.
inline unsigned EqualBytes(size_t x) {
  if constexpr (std::endian::native == std::endian::little)
    return unsigned(std::countr_zero(x)) >> 3;
  else
    return unsigned(std::countl_zero(x)) >> 3;
}

// Hashes of the four and of the three bytes of a little-endian word.
inline unsigned Hash4(uint32_t v) { return (v * 0x9E3779B1u) >> (32 - kHashBits); }
inline unsigned Hash3(uint32_t v) { return ((v << 8) * 0x9E3779B1u) >> (32 - kHash3Bits); }

// Positions after the window moved down by kWSize; those that fell out
// become 0 (no position). Works on several 16-bit entries per word.
void Rebase(uint16_t* table, size_t count) {
  constexpr size_t kLanes = sizeof(size_t) / 2;
  constexpr size_t kLow = ~size_t(0) / 0xFFFF;
  for (size_t i = 0; i < count; i += kLanes) {
    size_t w;
    std::memcpy(&w, table + i, sizeof w);
    const size_t keep = ((w >> 15) & kLow) * 0x7FFF;
    w &= keep;
    std::memcpy(table + i, &w, sizeof w);
  }
}

inline unsigned Reverse(unsigned code, unsigned len) {
  unsigned r = 0;
  for (unsigned i = 0; i < len; ++i, code >>= 1) r = (r << 1) | (code & 1);
  return r;
}

// Optimal prefix code lengths (in place, over frequencies sorted ascending;
// Moffat and Katajainen's method): afterwards a[i] is the depth of leaf i.
void MinimumRedundancy(uint32_t* a, int n) {
  int root = 0, leaf = 2, next;
  a[0] += a[1];
  for (next = 1; next < n - 1; ++next) {
    if (leaf >= n || a[root] < a[leaf]) {
      a[next] = a[root];
      a[root++] = uint32_t(next);
    } else {
      a[next] = a[leaf++];
    }
    if (leaf >= n || (root < next && a[root] < a[leaf])) {
      a[next] += a[root];
      a[root++] = uint32_t(next);
    } else {
      a[next] += a[leaf++];
    }
  }
  a[n - 2] = 0;
  for (next = n - 3; next >= 0; --next) a[next] = a[a[next]] + 1;
  int avail = 1, used = 0, depth = 0;
  root = n - 2;
  next = n - 1;
  while (avail > 0) {
    while (root >= 0 && int(a[root]) == depth) {
      ++used;
      --root;
    }
    while (avail > used) {
      a[next--] = uint32_t(depth);
      --avail;
    }
    avail = 2 * used;
    ++depth;
    used = 0;
  }
}

}  // namespace

// Fewer than two used symbols still get two one-bit codes, which every
// decoder accepts as complete.
void deflate_detail::BuildLengths(const uint32_t* freq, unsigned n, unsigned maxBits, uint8_t* lens) {
  uint32_t items[kLitCodes + 2];
  unsigned m = 0;
  for (unsigned s = 0; s < n; ++s) {
    lens[s] = 0;
    if (freq[s]) items[m++] = freq[s] << 10 | s;
  }
  if (m < 2) {
    const unsigned used = m ? items[0] & 1023 : 0;
    lens[used] = 1;
    lens[used == 0 ? 1 : 0] = 1;
    return;
  }
  std::sort(items, items + m);
  uint32_t depth[kLitCodes + 2];
  for (unsigned i = 0; i < m; ++i) depth[i] = items[i] >> 10;
  MinimumRedundancy(depth, int(m));
  unsigned count[kMaxBits + 2] = {};
  bool over = false;
  for (unsigned i = 0; i < m; ++i) {
    if (depth[i] > maxBits) {
      over = true;
      ++count[maxBits];
    } else {
      ++count[depth[i]];
    }
  }
  if (over) {
    // Deepen the shallowest leaves above the limit until the code is
    // complete again (the sum of 2^-len is one).
    uint32_t total = 0;
    for (unsigned b = 1; b <= maxBits; ++b) total += count[b] << (maxBits - b);
    while (total != (1u << maxBits)) {
      --count[maxBits];
      for (unsigned b = maxBits - 1; b > 0; --b) {
        if (count[b]) {
          --count[b];
          count[b + 1] += 2;
          break;
        }
      }
      --total;
    }
  }
  // The most frequent symbols get the shortest codes.
  unsigned i = m;
  for (unsigned b = 1; b <= maxBits; ++b)
    for (unsigned k = count[b]; k > 0; --k) lens[items[--i] & 1023] = uint8_t(b);
}

namespace {

// Canonical codes, bit-reversed for sending least significant bit first.
void BuildCodes(const uint8_t* lens, unsigned n, uint16_t* codes) {
  unsigned count[kMaxBits + 1] = {}, next[kMaxBits + 1] = {};
  for (unsigned s = 0; s < n; ++s) count[lens[s]]++;
  count[0] = 0;
  unsigned code = 0;
  for (unsigned b = 1; b <= kMaxBits; ++b) {
    code = (code + count[b - 1]) << 1;
    next[b] = code;
  }
  for (unsigned s = 0; s < n; ++s)
    codes[s] = lens[s] ? uint16_t(Reverse(next[lens[s]]++, lens[s])) : 0;
}

struct TFixedCodes {
  uint8_t LitLen[288], DistLen[32];
  uint16_t Lit[288], Dist[32];
  TFixedCodes() {
    for (unsigned s = 0; s < 288; ++s) LitLen[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    for (unsigned s = 0; s < 32; ++s) DistLen[s] = 5;
    BuildCodes(LitLen, 288, Lit);
    BuildCodes(DistLen, 32, Dist);
  }
};
const TFixedCodes& FixedCodes() {
  static const TFixedCodes codes;
  return codes;
}

}  // namespace

// The encoder's working memory, in pieces of about 64 KB each: heaps hand
// larger blocks straight to the system. A writer keeps it from entry to
// entry, so small entries do not fault in some 400 KB each.
struct TDeflateMemory {
  std::unique_ptr<uint8_t[]> Window = std::make_unique_for_overwrite<uint8_t[]>(2 * kWSize + kWindowSlack);
  std::unique_ptr<uint16_t[]> Head = std::make_unique_for_overwrite<uint16_t[]>(kHashSize);
  std::unique_ptr<uint16_t[]> Head3 = std::make_unique_for_overwrite<uint16_t[]>(kHash3Size);
  std::unique_ptr<uint16_t[]> Prev = std::make_unique_for_overwrite<uint16_t[]>(kWSize);
  // A symbol is a literal byte, or a match length - 3 with its distance;
  // distance 0 marks a literal.
  std::unique_ptr<uint8_t[]> SymLit = std::make_unique_for_overwrite<uint8_t[]>(kLitBufSize);
  std::unique_ptr<uint16_t[]> SymDist = std::make_unique_for_overwrite<uint16_t[]>(kLitBufSize);
  std::unique_ptr<uint8_t[]> Out = std::make_unique_for_overwrite<uint8_t[]>(kOutFlush + 2048);
};

namespace {

template <typename TBitBuf>
class TDeflater {
 public:
  TDeflater(TDeflateIO& io, int level, bool allowPlain, TDeflateMemory& mem)
      : FIO(io), FLevel(level), FParams(kLevels[level]), FAllowPlain(allowPlain), FMem(mem) {
    // Small entries are common: clear only what the level uses.
    std::memset(FHead, 0, kHashSize * sizeof *FHead);
    if (level > kLastFastLevel) std::memset(FHead3, 0, kHash3Size * sizeof *FHead3);
    std::memset(FLitFreq, 0, sizeof FLitFreq);
    std::memset(FDistFreq, 0, sizeof FDistFreq);
  }

  TDeflateResult Run() {
    Fill();
    // Chains hold only positions that were entered; the window slide also
    // rebases the rest, which happens only for input beyond the first fill.
    if (!FEof) std::memset(FPrev, 0, kWSize * sizeof *FPrev);
    if (FLookahead == 0) {
      // One final fixed block holding only the end-of-block code.
      PutBits(3, 3);
      PutBits(0, 7);
      FlushBits();
    } else if (FLevel == 0) {
      RunStored();
    } else if (FLevel <= kLastFastLevel) {
      RunFast();
    } else {
      RunLazy();
    }
    AlignBits();
    WriteOut();
    FResult.InputBytes = FTotalIn;
    return FResult;
  }

 private:
  // Slides the window when needed and reads until it is full or the input ends.
  void Fill() {
    if (FStrStart >= kWSize + kMaxDist) {
      std::memcpy(FWindow, FWindow + kWSize, kWSize);
      FMatchStart -= kWSize;
      FStrStart -= kWSize;
      FBlockStart -= kWSize;
      Rebase(FHead, kHashSize);
      if (FLevel > kLastFastLevel) Rebase(FHead3, kHash3Size);
      Rebase(FPrev, kWSize);
    }
    while (!FEof) {
      const unsigned end = FStrStart + FLookahead;
      if (end >= 2 * kWSize) break;
      const size_t n = std::min<size_t>(FIO.ReadInput(FWindow + end, 2 * kWSize - end), 2 * kWSize - end);
      if (n == 0) {
        FEof = true;
        break;
      }
      FLookahead += unsigned(n);
      FTotalIn += n;
      // Compares and hashes read a few bytes past the input; keep those
      // bytes defined where the window was never written.
      const unsigned newEnd = end + unsigned(n);
      if (newEnd > FHighWater) {
        std::memset(FWindow + newEnd, 0, kReadPast);
        FHighWater = newEnd;
      }
    }
  }

  // Enters pos in the tables; returns the previous chain head and, at the
  // lazy levels, in head3 the latest earlier position of its first three bytes.
  template <bool kFour>
  unsigned Insert(unsigned pos, unsigned& head3) {
    const uint32_t v = Load32(FWindow + pos);
    unsigned h;
    if constexpr (kFour) {
      const unsigned h3 = Hash3(v);
      head3 = FHead3[h3];
      FHead3[h3] = uint16_t(pos);
      h = Hash4(v);
    } else {
      head3 = 0;
      h = Hash3(v);
    }
    const unsigned head = FHead[h];
    FPrev[pos & kWMask] = uint16_t(head);
    FHead[h] = uint16_t(pos);
    return head;
  }
  template <bool kFour>
  void Insert(unsigned pos) {
    unsigned head3;
    Insert<kFour>(pos, head3);
  }

  // Longest match at FStrStart longer than prevLen: along the chain from cur,
  // then, when nothing of four bytes turned up, at cur3. Returns prevLen when
  // there is none, never more than the lookahead.
  template <bool kFour>
  unsigned LongestMatch(unsigned cur, unsigned cur3, unsigned prevLen) {
    const uint8_t* const win = FWindow;
    const uint16_t* const prev = FPrev;
    const unsigned strStart = FStrStart;
    const uint8_t* const scan = win + strStart;
    unsigned chain = FParams.Chain;
    if (prevLen >= FParams.Good) chain >>= 2;
    const unsigned maxLen = std::min(kMaxMatch, FLookahead);
    const unsigned nice = std::min<unsigned>(FParams.Nice, maxLen);
    const unsigned limit = strStart > kMaxDist ? strStart - kMaxDist : 0;
    unsigned best = prevLen, matchStart = FMatchStart;
    const uint32_t start4 = Load32(scan);
    // A longer match must agree at its last two bytes and its first four
    // (three when chains link three-byte strings).
    constexpr unsigned kStart = kFour ? 4 : 3;
    constexpr uint32_t kStartMask = kFour ? 0xFFFFFFFFu : 0xFFFFFFu;
    unsigned endOff = std::max(best, kStart - 1) - 1;
    uint16_t end2 = Load16(scan + endOff);
    if (cur > limit) {
      do {
        const uint8_t* const m = win + cur;
        if (Load16(m + endOff) != end2 || ((Load32(m) ^ start4) & kStartMask) != 0) continue;
        unsigned len = kStart;
        for (;;) {
          const size_t x = LoadWord(scan + len) ^ LoadWord(m + len);
          if (x) {
            len += EqualBytes(x);
            break;
          }
          len += sizeof(size_t);
          if (len >= maxLen) break;
        }
        if (len > maxLen) len = maxLen;
        if (len > best) {
          matchStart = cur;
          best = len;
          if (len >= nice) break;
          endOff = best - 1;
          end2 = Load16(scan + endOff);
        }
      } while ((cur = prev[cur & kWMask]) > limit && --chain != 0);
    }
    if (kFour && best < kMinMatch && cur3 > limit && ((Load32(win + cur3) ^ start4) & 0xFFFFFF) == 0) {
      unsigned len = kMinMatch;
      while (len < maxLen && win[cur3 + len] == scan[len]) ++len;
      best = std::min(len, maxLen);
      matchStart = cur3;
    }
    FMatchStart = matchStart;
    return std::min(best, FLookahead);
  }

  // Adds a symbol; true when the block is to be closed after it.
  bool TallyLit(unsigned c) {
    FSymLit[FSymCount] = uint8_t(c);
    FSymDist[FSymCount++] = 0;
    FLitFreq[c]++;
    if (FSymCount == kLitBufSize - 1) return true;
    if (FLevel > 2 && (FSymCount & 0xFFF) == 0) return EarlyClose();
    return false;
  }
  bool TallyMatch(unsigned dist, unsigned len) {
    FSymLit[FSymCount] = uint8_t(len - kMinMatch);
    FSymDist[FSymCount++] = uint16_t(dist);
    FLitFreq[257 + kTables.LenCode[len - kMinMatch]]++;
    FDistFreq[DistCodeOf(dist)]++;
    ++FMatchCount;
    if (FSymCount == kLitBufSize - 1) return true;
    if (FLevel > 2 && (FSymCount & 0xFFF) == 0) return EarlyClose();
    return false;
  }
  // Closes a block early when it already compresses well and consists mostly
  // of literals, so that the next block's codes can follow the data.
  bool EarlyClose() const {
    uint64_t out = uint64_t(FSymCount) * 8;
    for (unsigned c = 0; c < kDistCodes; ++c) out += uint64_t(FDistFreq[c]) * (5 + kDistExtra[c]);
    out >>= 3;
    const int64_t in = int64_t(FStrStart) - FBlockStart;
    return FMatchCount < FSymCount / 2 && int64_t(out) < in / 2;
  }

  // Level 0: the input in stored blocks of the largest size; a block is
  // known to be the last one only once the input after it is found empty.
  void RunStored() {
    unsigned have = FLookahead;
    for (;;) {
      while (!FEof && have < 2 * kWSize) {
        const size_t n = std::min<size_t>(FIO.ReadInput(FWindow + have, 2 * kWSize - have), 2 * kWSize - have);
        if (n == 0) {
          FEof = true;
        } else {
          have += unsigned(n);
          FTotalIn += n;
        }
      }
      if (have <= kMaxStored) break;
      StoredBlock(FWindow, kMaxStored, false);
      std::memmove(FWindow, FWindow + kMaxStored, have - kMaxStored);
      have -= kMaxStored;
    }
    StoredBlock(FWindow, have, true);
  }

  void RunFast() {
    for (;;) {
      if (FLookahead < kMinLookahead) {
        Fill();
        if (FLookahead == 0) break;
      }
      unsigned matchLen = 0;
      if (FLookahead >= kMinMatch) {
        unsigned head3;
        const unsigned head = Insert<false>(FStrStart, head3);
        if (head != 0) matchLen = LongestMatch<false>(head, head3, kMinMatch - 1);
      }
      bool flush;
      if (matchLen >= kMinMatch) {
        flush = TallyMatch(FStrStart - FMatchStart, matchLen);
        FLookahead -= matchLen;
        if (matchLen <= FParams.Lazy && FLookahead >= kMinMatch) {
          for (unsigned i = 1; i < matchLen; ++i) Insert<false>(FStrStart + i);
        }
        FStrStart += matchLen;
      } else {
        flush = TallyLit(FWindow[FStrStart]);
        --FLookahead;
        ++FStrStart;
      }
      if (flush) FlushBlock(false);
    }
    FlushBlock(true);
  }

  void RunLazy() {
    unsigned matchLen = kMinMatch - 1;
    bool available = false;
    for (;;) {
      if (FLookahead < kMinLookahead) {
        Fill();
        if (FLookahead == 0) break;
      }
      unsigned head = 0, head3 = 0;
      if (FLookahead >= kMinMatch) head = Insert<true>(FStrStart, head3);
      const unsigned prevLen = matchLen, prevMatch = FMatchStart;
      matchLen = kMinMatch - 1;
      if ((head | head3) != 0 && prevLen < FParams.Lazy) {
        matchLen = LongestMatch<true>(head, head3, prevLen);
        if (matchLen == kMinMatch && FStrStart - FMatchStart > kTooFar) matchLen = kMinMatch - 1;
      }
      if (prevLen >= kMinMatch && matchLen <= prevLen) {
        const unsigned maxInsert = FStrStart + FLookahead - kMinMatch;
        const bool flush = TallyMatch(FStrStart - 1 - prevMatch, prevLen);
        FLookahead -= prevLen - 1;
        for (unsigned i = 1; i < prevLen - 1; ++i)
          if (FStrStart + i <= maxInsert) Insert<true>(FStrStart + i);
        FStrStart += prevLen - 1;
        available = false;
        matchLen = kMinMatch - 1;
        if (flush) FlushBlock(false);
      } else if (available) {
        const bool flush = TallyLit(FWindow[FStrStart - 1]);
        if (flush) FlushBlock(false);
        ++FStrStart;
        --FLookahead;
      } else {
        available = true;
        ++FStrStart;
        --FLookahead;
      }
    }
    if (available) TallyLit(FWindow[FStrStart - 1]);
    FlushBlock(true);
  }

  // --- output ---

  void PutBits(uint32_t bits, unsigned n) {
    FBitBuf |= TBitBuf(bits) << FBitCount;
    FBitCount += n;
  }
  // Stores the whole bit buffer and keeps only the partial byte in it.
  void FlushBits() {
    TBitBuf v = FBitBuf;
    if constexpr (std::endian::native == std::endian::big) v = ByteSwap(v);
    std::memcpy(FOut + FOutPos, &v, sizeof v);
    const unsigned bytes = FBitCount >> 3;
    FOutPos += bytes;
    FBitCount &= 7;
    FBitBuf = bytes == sizeof(TBitBuf) ? 0 : FBitBuf >> (bytes * 8);
  }
  void AlignBits() {
    FlushBits();
    if (FBitCount) {
      FOutPos++;
      FBitBuf = 0;
      FBitCount = 0;
    }
  }
  void WriteOut() {
    if (FOutPos) {
      FIO.WriteOutput(FOut, FOutPos);
      FResult.OutputBytes += FOutPos;
      FOutPos = 0;
    }
  }

  void StoredBlock(const uint8_t* data, unsigned len, bool last) {
    PutBits(last ? 1 : 0, 3);
    AlignBits();
    PutBits(len | (~len & 0xFFFFu) << 16, 32);
    FlushBits();
    WriteOut();
    if (len) {
      FIO.WriteOutput(data, len);
      FResult.OutputBytes += len;
    }
    FOutput = true;
  }

  // Run-length codes of the concatenated code lengths: each item is the
  // symbol (0-18) with its extra bits value above bit 5.
  unsigned RleLengths(const uint8_t* lens, unsigned n, uint16_t* items, uint32_t* freq) {
    unsigned count = 0;
    auto emit = [&](unsigned sym, unsigned extra) {
      items[count++] = uint16_t(sym | extra << 5);
      freq[sym]++;
    };
    unsigned i = 0;
    while (i < n) {
      const unsigned v = lens[i];
      unsigned run = 1;
      while (i + run < n && lens[i + run] == v) ++run;
      i += run;
      if (v == 0) {
        while (run >= 11) {
          const unsigned r = std::min(run, 138u);
          emit(18, r - 11);
          run -= r;
        }
        if (run >= 3) {
          emit(17, run - 3);
          run = 0;
        }
        while (run--) emit(0, 0);
      } else {
        emit(v, 0);
        --run;
        while (run >= 3) {
          const unsigned r = std::min(run, 6u);
          emit(16, r - 3);
          run -= r;
        }
        while (run--) emit(v, 0);
      }
    }
    return count;
  }

  uint64_t DataBits(const uint8_t* litLen, const uint8_t* distLen) const {
    uint64_t bits = 0;
    for (unsigned s = 0; s < kLitCodes; ++s) {
      const unsigned extra = s > 256 ? kLengthExtra[s - 257] : 0;
      bits += uint64_t(FLitFreq[s]) * (litLen[s] + extra);
    }
    for (unsigned c = 0; c < kDistCodes; ++c) bits += uint64_t(FDistFreq[c]) * (distLen[c] + kDistExtra[c]);
    return bits;
  }

  void FlushBlock(bool last) {
    const unsigned storedLen = unsigned(int64_t(FStrStart) - FBlockStart);
    FLitFreq[kEndBlock] = 1;

    uint8_t litLen[kLitCodes], distLen[kDistCodes];
    deflate_detail::BuildLengths(FLitFreq, kLitCodes, kMaxBits, litLen);
    deflate_detail::BuildLengths(FDistFreq, kDistCodes, kMaxBits, distLen);
    unsigned nLit = kLitCodes, nDist = kDistCodes;
    while (nLit > 257 && litLen[nLit - 1] == 0) --nLit;
    while (nDist > 1 && distLen[nDist - 1] == 0) --nDist;
    uint8_t all[kLitCodes + kDistCodes];
    std::memcpy(all, litLen, nLit);
    std::memcpy(all + nLit, distLen, nDist);
    uint16_t rle[kLitCodes + kDistCodes];
    uint32_t preFreq[kPreCodes] = {};
    const unsigned nRle = RleLengths(all, nLit + nDist, rle, preFreq);
    uint8_t preLen[kPreCodes];
    deflate_detail::BuildLengths(preFreq, kPreCodes, kMaxPreBits, preLen);
    unsigned nPre = kPreCodes;
    while (nPre > 4 && preLen[kPreOrder[nPre - 1]] == 0) --nPre;

    uint64_t dynBits = 5 + 5 + 4 + 3 * nPre;
    dynBits += preFreq[16] * 2 + preFreq[17] * 3 + preFreq[18] * 7;
    for (unsigned s = 0; s < kPreCodes; ++s) dynBits += uint64_t(preFreq[s]) * preLen[s];
    dynBits += DataBits(litLen, distLen);
    const TFixedCodes& fixed = FixedCodes();
    const uint64_t fixedBits = DataBits(fixed.LitLen, fixed.DistLen);

    uint64_t opt = (dynBits + 3 + 7) / 8;
    const uint64_t stat = (fixedBits + 3 + 7) / 8;
    opt = std::min(opt, stat);
    const bool inWindow = FBlockStart >= 0;

    if (FAllowPlain && last && !FOutput && opt != stat && storedLen <= opt && inWindow) {
      FIO.WriteOutput(FWindow + FBlockStart, storedLen);
      FResult.OutputBytes += storedLen;
      FResult.Plain = true;
      FOutput = true;
    } else if (uint64_t(storedLen) + 4 <= opt && inWindow) {
      unsigned pos = unsigned(FBlockStart), left = storedLen;
      do {
        const unsigned n = std::min(left, kMaxStored);
        StoredBlock(FWindow + pos, n, last && n == left);
        pos += n;
        left -= n;
      } while (left);
    } else if (opt == stat) {
      PutBits(last ? 3 : 2, 3);
      WriteSymbols(fixed.Lit, fixed.LitLen, fixed.Dist, fixed.DistLen);
    } else {
      uint16_t litCode[kLitCodes], distCode[kDistCodes], preCode[kPreCodes];
      BuildCodes(litLen, kLitCodes, litCode);
      BuildCodes(distLen, kDistCodes, distCode);
      BuildCodes(preLen, kPreCodes, preCode);
      PutBits(last ? 5 : 4, 3);
      PutBits(nLit - 257, 5);
      PutBits(nDist - 1, 5);
      PutBits(nPre - 4, 4);
      FlushBits();
      for (unsigned i = 0; i < nPre; ++i) {
        PutBits(preLen[kPreOrder[i]], 3);
        FlushBits();
      }
      for (unsigned i = 0; i < nRle; ++i) {
        const unsigned sym = rle[i] & 31, extra = rle[i] >> 5;
        PutBits(preCode[sym], preLen[sym]);
        if (sym == 16)
          PutBits(extra, 2);
        else if (sym == 17)
          PutBits(extra, 3);
        else if (sym == 18)
          PutBits(extra, 7);
        FlushBits();
      }
      WriteSymbols(litCode, litLen, distCode, distLen);
    }

    FBlockStart = FStrStart;
    FSymCount = 0;
    FMatchCount = 0;
    std::memset(FLitFreq, 0, sizeof FLitFreq);
    std::memset(FDistFreq, 0, sizeof FDistFreq);
  }

  void WriteSymbols(const uint16_t* litCode, const uint8_t* litLen, const uint16_t* distCode,
                    const uint8_t* distLen) {
    for (unsigned i = 0; i < FSymCount; ++i) {
      const unsigned sym = FSymLit[i], dist = FSymDist[i];
      if (dist == 0) {
        PutBits(litCode[sym], litLen[sym]);
      } else {
        const unsigned len = sym, lc = kTables.LenCode[len];
        PutBits(litCode[257 + lc], litLen[257 + lc]);
        PutBits(len + kMinMatch - kLengthBase[lc], kLengthExtra[lc]);
        if constexpr (sizeof(TBitBuf) == 4) FlushBits();
        const unsigned dc = DistCodeOf(dist);
        PutBits(distCode[dc], distLen[dc]);
        if constexpr (sizeof(TBitBuf) == 4) FlushBits();
        PutBits(dist - kDistBase[dc], kDistExtra[dc]);
      }
      FlushBits();
      if (FOutPos >= kOutFlush) WriteOut();
    }
    PutBits(litCode[kEndBlock], litLen[kEndBlock]);
    FlushBits();
    FOutput = true;
  }

  TDeflateIO& FIO;
  const int FLevel;
  const TLevel FParams;
  const bool FAllowPlain;
  TDeflateResult FResult;
  uint64_t FTotalIn = 0;
  bool FEof = false;
  bool FOutput = false;

  unsigned FStrStart = 0, FLookahead = 0, FMatchStart = 0, FHighWater = 0;
  int64_t FBlockStart = 0;

  unsigned FSymCount = 0, FMatchCount = 0;
  uint32_t FLitFreq[kLitCodes];
  uint32_t FDistFreq[kDistCodes];

  TBitBuf FBitBuf = 0;
  unsigned FBitCount = 0;
  size_t FOutPos = 0;

  TDeflateMemory& FMem;
  uint8_t* const FWindow = FMem.Window.get();
  uint16_t* const FHead = FMem.Head.get();
  uint16_t* const FHead3 = FMem.Head3.get();
  uint16_t* const FPrev = FMem.Prev.get();
  uint8_t* const FSymLit = FMem.SymLit.get();
  uint16_t* const FSymDist = FMem.SymDist.get();
  uint8_t* const FOut = FMem.Out.get();
};

class TMemDeflateIO : public TDeflateIO {
 public:
  TMemDeflateIO(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  size_t ReadInput(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FSize - FPos);
    if (n) std::memcpy(buf, FData + FPos, n);
    FPos += n;
    return n;
  }
  void WriteOutput(const uint8_t* buf, size_t count) override { Out.insert(Out.end(), buf, buf + count); }
  std::vector<uint8_t> Out;

 private:
  const uint8_t* FData;
  size_t FSize, FPos = 0;
};

}  // namespace

namespace deflate_detail {

template <typename TBitBuf>
TDeflateResult DeflateWith(TDeflateMemory& mem, TDeflateIO& io, int level, bool allowPlain) {
  return TDeflater<TBitBuf>(io, std::clamp(level, 0, 9), allowPlain, mem).Run();
}

template <typename TBitBuf>
TDeflateResult DeflateWith(TDeflateIO& io, int level, bool allowPlain) {
  TCodecMemory<TDeflateMemory> mem;
  return DeflateWith<TBitBuf>(mem.Get(), io, level, allowPlain);
}

template TDeflateResult DeflateWith<uint32_t>(TDeflateIO&, int, bool);
template TDeflateResult DeflateWith<uint64_t>(TDeflateIO&, int, bool);

}  // namespace deflate_detail

TDeflateEncoder::TDeflateEncoder() = default;
TDeflateEncoder::~TDeflateEncoder() = default;

template <typename TBitBuf>
TDeflateResult TDeflateEncoder::EncodeWith(TDeflateIO& io, int level, bool allowPlain) {
  return deflate_detail::DeflateWith<TBitBuf>(FMemory.Get(), io, level, allowPlain);
}
template TDeflateResult TDeflateEncoder::EncodeWith<uint32_t>(TDeflateIO&, int, bool);
template TDeflateResult TDeflateEncoder::EncodeWith<uint64_t>(TDeflateIO&, int, bool);

TDeflateResult TDeflateEncoder::Encode(TDeflateIO& io, int level, bool allowPlain) {
  return EncodeWith<std::conditional_t<sizeof(size_t) >= 8, uint64_t, uint32_t>>(io, level, allowPlain);
}

TDeflateResult DeflateEncode(TDeflateIO& io, int level, bool allowPlain) {
  return TDeflateEncoder().Encode(io, level, allowPlain);
}

std::vector<uint8_t> DeflateBuffer(const uint8_t* data, size_t size, int level, bool allowPlain, bool* plain) {
  TMemDeflateIO io(data, size);
  // Room for the worst case (stored blocks) up front: untouched pages cost
  // nothing, and growing a large output repeatedly would.
  io.Out.reserve(size + size / 8 + 64);
  const TDeflateResult r = DeflateEncode(io, level, allowPlain);
  if (plain) *plain = r.Plain;
  return std::move(io.Out);
}
