#include "archive/codecs/inflate.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/deflate_tables.h"

using namespace deflate_tables;

namespace {

constexpr size_t kWindowSize = 32768;
constexpr size_t kWriteSize = 32768;
// Room for fresh output above the window before it slides down; the slide
// copies one window, so a wider span makes it rarer. Output is written piece
// by piece as it completes, while it is still in the cache.
constexpr size_t kOutSpan = 4 * kWindowSize;
constexpr size_t kMaxMatch = 258;
// Word-wise match copies may store up to 15 bytes past the match.
constexpr size_t kCopySlack = 16;
constexpr size_t kWindowBufSize = kWindowSize + kOutSpan + kCopySlack;
constexpr size_t kInChunk = 32768;
// The fast loop loads at most this many bytes ahead of its read position per
// symbol, so it runs only while that much input is buffered.
constexpr size_t kInMargin = 16;

constexpr unsigned kLitBits = 11, kDistBits = 8, kPreBits = 7;
// Main table plus the most subtable room a complete code of up to 15 bits can
// need: a subtable of k bits holds at least k + 1 codes.
constexpr size_t TableSize(unsigned rootBits, unsigned symbols) {
  return (size_t(1) << rootBits) + symbols / (16 - rootBits) * (size_t(1) << (15 - rootBits));
}
constexpr size_t kLitTableSize = TableSize(kLitBits, 288);
constexpr size_t kDistTableSize = TableSize(kDistBits, 32);
constexpr size_t kPreTableSize = 1u << kPreBits;

// A table entry is value << 16 | flags | codeLen << 8 | drop. drop is the code
// length plus its extra bits (for a link: the main table's bits); codeLen is
// the code length alone (for a link: the subtable's bits). In a table built
// with resolveExtra, a length code whose extra bits fit in the main table
// with it gets one entry per value of those bits, holding the length itself
// with codeLen equal to drop; the other length codes with extra bits carry
// kExtra. kExtra lies in the drop byte but above the bits a bit count keeps
// exact (see FastLoop), so subtracting an entry from the count stays right.
constexpr uint32_t kExtra = 0x80, kLiteral = 0x1000, kEndBlock = 0x2000, kLink = 0x4000, kInvalid = 0x8000;


struct TReverseTable {
  uint8_t Byte[256];
  constexpr TReverseTable() : Byte() {
    for (unsigned b = 0; b < 256; ++b)
      for (unsigned i = 0; i < 8; ++i) Byte[b] |= uint8_t((b >> i & 1) << (7 - i));
  }
};
constexpr TReverseTable kReverse;

// The low len (at most 16) bits of code in reverse order; by bytes, as every
// table build reverses each of up to 288 codes.
inline unsigned ReverseBits(unsigned code, unsigned len) {
  return unsigned(kReverse.Byte[code & 0xFF] << 8 | kReverse.Byte[code >> 8 & 0xFF]) >> (16 - len);
}

// Fills a decode table from code lengths. Fails for an over-subscribed code
// and for an incomplete one, except a lone one-bit code and, when allowEmpty,
// no code at all; the unused patterns of those decode as kInvalid.
bool BuildTable(uint32_t* table, size_t capacity, unsigned rootBits, const uint8_t* lens, unsigned count,
                const uint32_t* symbols, bool allowEmpty, bool resolveExtra = false) {
  unsigned lenCount[16] = {};
  for (unsigned i = 0; i < count; ++i) lenCount[lens[i]]++;
  int left = 1;
  unsigned maxLen = 0;
  for (unsigned len = 1; len < 16; ++len) {
    left = 2 * left - int(lenCount[len]);
    if (left < 0) return false;
    if (lenCount[len]) maxLen = len;
  }
  const unsigned used = count - lenCount[0];
  const size_t rootSize = size_t(1) << rootBits;
  if (left > 0) {
    if (used == 0 ? !allowEmpty : !(used == 1 && lenCount[1] == 1)) return false;
    std::fill(table, table + rootSize, kInvalid);
    if (used == 0) return true;
    // The lone one-bit code is a zero bit: every even pattern.
    const unsigned sym = unsigned(std::find_if(lens, lens + count, [](uint8_t l) { return l != 0; }) - lens);
    for (size_t i = 0; i < rootSize; i += 2) table[i] = symbols[sym] + 0x101;
    return true;
  }

  unsigned offset[16];
  offset[1] = 0;
  for (unsigned len = 1; len < 15; ++len) offset[len + 1] = offset[len] + lenCount[len];
  uint16_t sorted[288];
  for (unsigned i = 0; i < count; ++i)
    if (lens[i]) sorted[offset[lens[i]]++] = uint16_t(i);

  // Length codes whose extra bits are resolved once the main table is whole.
  struct TResolve {
    uint16_t Rev, Sym;
    unsigned Len;
  } resolve[32];
  unsigned resolveCount = 0;
  // Codes no longer than the main table are stored once each, in a table only
  // as wide as the current length, which doubles by block copies as the
  // length grows: far fewer stores than filling every pattern of each code.
  unsigned k = 0, code = 0, prevLen = 0;
  size_t size = 0;
  for (; k < used && lens[sorted[k]] <= rootBits; ++k) {
    const unsigned sym = sorted[k], len = lens[sym];
    code <<= len - prevLen;
    prevLen = len;
    if (size == 0) size = size_t(1) << len;
    for (; size < (size_t(1) << len); size *= 2) std::memcpy(table + size, table, size * sizeof *table);
    const unsigned rev = ReverseBits(code, len);
    uint32_t e = symbols[sym] + len * 0x101;
    if (resolveExtra && (symbols[sym] & 31)) {
      if (len + (symbols[sym] & 31) <= rootBits)
        resolve[resolveCount++] = {uint16_t(rev), uint16_t(sym), len};
      else
        e |= kExtra;
    }
    table[rev] = e;
    code++;
  }
  if (size == 0) {
    table[0] = kInvalid;
    size = 1;
  }
  for (; size < rootSize; size *= 2) std::memcpy(table + size, table, size * sizeof *table);
  for (unsigned r = 0; r < resolveCount; ++r) {
    const TResolve& c = resolve[r];
    const unsigned extra = symbols[c.Sym] & 31, base = symbols[c.Sym] >> 16;
    const size_t step = size_t(1) << (c.Len + extra);
    for (unsigned x = 0; x < (1u << extra); ++x) {
      const uint32_t e = (base + x) << 16 | (c.Len + extra) * 0x101;
      for (size_t i = c.Rev | size_t(x) << c.Len; i < rootSize; i += step) table[i] = e;
    }
  }

  unsigned remaining[16];
  std::copy(lenCount, lenCount + 16, remaining);
  size_t next = rootSize, subStart = 0, prefix = ~size_t(0);
  unsigned subBits = 0;
  for (; k < used; ++k) {
    const unsigned sym = sorted[k], len = lens[sym];
    code <<= len - prevLen;
    prevLen = len;
    const unsigned rev = ReverseBits(code, len);
    if ((rev & (rootSize - 1)) != prefix) {
      // The subtable grows until the codes that remain fill it.
      unsigned bits = len - rootBits;
      int room = 1 << bits;
      while (bits + rootBits < maxLen) {
        room -= int(remaining[bits + rootBits]);
        if (room <= 0) break;
        ++bits;
        room <<= 1;
      }
      if (next + (size_t(1) << bits) > capacity) return false;
      prefix = rev & (rootSize - 1);
      subStart = next;
      subBits = bits;
      next += size_t(1) << bits;
      table[prefix] = uint32_t(subStart) << 16 | kLink | bits << 8 | rootBits;
    }
    uint32_t e = symbols[sym] + (len - rootBits) * 0x101;
    if (resolveExtra && (symbols[sym] & 31)) e |= kExtra;
    for (size_t i = rev >> rootBits; i < (size_t(1) << subBits); i += size_t(1) << (len - rootBits))
      table[subStart + i] = e;
    remaining[len]--;
    code++;
  }
  return true;
}

struct TStaticTables {
  uint32_t LitSymbols[288];
  uint32_t DistSymbols[32];
  uint32_t PreSymbols[19];
  uint32_t FixedLit[kLitTableSize];
  uint32_t FixedDist[kDistTableSize];

  TStaticTables() {
    for (unsigned s = 0; s < 256; ++s) LitSymbols[s] = s << 16 | kLiteral;
    LitSymbols[256] = kEndBlock;
    for (unsigned s = 257; s < 286; ++s) LitSymbols[s] = uint32_t(kLengthBase[s - 257]) << 16 | kLengthExtra[s - 257];
    LitSymbols[286] = LitSymbols[287] = kInvalid;
    for (unsigned s = 0; s < 30; ++s) DistSymbols[s] = uint32_t(kDistBase[s]) << 16 | kDistExtra[s];
    DistSymbols[30] = DistSymbols[31] = kInvalid;
    for (unsigned s = 0; s < 19; ++s) PreSymbols[s] = s << 16;

    uint8_t lens[288];
    std::fill(lens, lens + 144, 8);
    std::fill(lens + 144, lens + 256, 9);
    std::fill(lens + 256, lens + 280, 7);
    std::fill(lens + 280, lens + 288, 8);
    BuildTable(FixedLit, kLitTableSize, kLitBits, lens, 288, LitSymbols, false, true);
    std::fill(lens, lens + 32, 5);
    BuildTable(FixedDist, kDistTableSize, kDistBits, lens, 32, DistSymbols, false);
  }
};

const TStaticTables& StaticTables() {
  static const TStaticTables tables;
  return tables;
}

template <typename T>
inline T LoadLE(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) {
    T r = 0;
    for (size_t i = 0; i < sizeof v; ++i) r |= T(p[i]) << (8 * i);
    v = r;
  }
  return v;
}

inline void Copy8(uint8_t* dst, const uint8_t* src) {
  uint64_t v;
  std::memcpy(&v, src, 8);
  std::memcpy(dst, &v, 8);
}

}  // namespace

// The window with the output gathered above it, the decode tables and the
// input buffer: everything of any size, kept by a decoder from entry to entry.
struct TInflateMemory {
  uint8_t Window[kWindowBufSize];
  uint32_t LitTable[kLitTableSize];
  uint32_t DistTable[kDistTableSize];
  uint32_t PreTable[kPreTableSize];
  uint8_t InBuf[kInChunk + kInMargin];
};

namespace {

template <typename TBitBuf>
class TInflater {
 public:
  TInflater(TCodecIO& io, uint64_t packedSize, TInflateMemory& mem)
      : FIO(io),
        FPackedLeft(packedSize),
        FWindow(mem.Window),
        FLitTable(mem.LitTable),
        FDistTable(mem.DistTable),
        FPreTable(mem.PreTable),
        FInBuf(mem.InBuf) {
    FIn = FInEnd = FInBuf;
    FOut = FFlushed = FWindow + kWindowSize;
    FHistStart = FOut;
  }

  void Run() {
    FillInput();
    const TStaticTables& st = StaticTables();
    for (;;) {
      NeedBits(3);
      const bool last = FBits & 1;
      const unsigned type = unsigned(FBits >> 1) & 3;
      DropBits(3);
      CheckOverread();
      if (type == 0)
        StoredBlock();
      else if (type == 1)
        CodesBlock(st.FixedLit, st.FixedDist, kErrBadBlock);
      else if (type == 2)
        DynamicBlock(st);
      else
        Fail(kErrBadBlock);
      if (last) break;
    }
    while (FOut > FFlushed) {
      const size_t n = std::min<size_t>(kWriteSize, FOut - FFlushed);
      FIO.WriteUnpacked(FFlushed, n);
      FFlushed += n;
    }
  }

 private:
  static constexpr unsigned kBufBits = sizeof(TBitBuf) * 8;
  static constexpr TBitBuf Mask(unsigned n) { return (TBitBuf(1) << n) - 1; }

  [[noreturn]] void Fail(int code) {
    // Bad data found after the real input ran out is a truncated stream.
    throw ECodecError(FOverread ? kErrBadBlock : code);
  }

  // Tops the input buffer up, keeping the unread tail; false when no byte came.
  bool FillInput() {
    const size_t keep = size_t(FInEnd - FIn);
    std::memmove(FInBuf, FIn, keep);
    FIn = FInBuf;
    FInEnd = FInBuf + keep;
    if (FInputDone) return false;
    const size_t want = size_t(std::min<uint64_t>(FPackedLeft, kInChunk + kInMargin - keep));
    size_t got = want ? FIO.ReadPacked(FInBuf + keep, want) : 0;
    if (got > want) got = want;
    FPackedLeft -= got;
    FInEnd += got;
    if (got < want || FPackedLeft == 0) FInputDone = true;
    return got > 0;
  }

  // Byte-wise refill for the careful paths: past the end of the input it
  // supplies zero bytes and counts them, so a code may be looked up near the
  // end; CheckOverread then fails once any of them were consumed.
  void NeedBits(unsigned n) {
    while (FBitCount < n) {
      if (FIn == FInEnd && !FillInput()) {
        FOverread++;
      } else {
        FBits |= TBitBuf(*FIn++) << FBitCount;
      }
      FBitCount += 8;
    }
  }
  // Fills the bit buffer a word at a time while a whole word is buffered, so
  // that the careful reads after it find their bits without a byte loop.
  // The bits loaded above the count are the bytes at FIn, as NeedBits would
  // load them.
  void TopUpBits() {
    if (size_t(FInEnd - FIn) >= sizeof(TBitBuf)) {
      FBits |= LoadLE<TBitBuf>(FIn) << FBitCount;
      FIn += (kBufBits - 1 - FBitCount) >> 3;
      FBitCount |= kBufBits - 8;
    }
  }
  void DropBits(unsigned n) {
    FBits >>= n;
    FBitCount -= n;
  }
  unsigned TakeBits(unsigned n) {
    NeedBits(n);
    const unsigned v = unsigned(FBits & Mask(n));
    DropBits(n);
    return v;
  }
  void CheckOverread() {
    if (FBitCount < 8 * FOverread) throw ECodecError(kErrBadBlock);
  }

  // Writes every whole piece gathered so far.
  void Flush() {
    while (size_t(FOut - FFlushed) >= kWriteSize) {
      FIO.WriteUnpacked(FFlushed, kWriteSize);
      FFlushed += kWriteSize;
    }
  }

  // Moves the newest window of output to the front of the buffer after
  // writing every whole piece gathered so far.
  void Slide() {
    Flush();
    const size_t pending = size_t(FOut - FFlushed);
    std::memmove(FWindow, FOut - kWindowSize, kWindowSize);
    FOut = FWindow + kWindowSize;
    FFlushed = FOut - pending;
    FHistStart = FWindow;
  }

  void StoredBlock() {
    DropBits(FBitCount & 7);
    const unsigned len = TakeBits(16);
    const unsigned nlen = TakeBits(16);
    CheckOverread();
    if (len != (~nlen & 0xFFFF)) Fail(kErrBadBlock);
    size_t left = len;
    while (left && FBitCount >= 8) {
      if (FOut >= OutFastEnd()) Slide();
      *FOut++ = uint8_t(FBits);
      DropBits(8);
      left--;
    }
    CheckOverread();
    if (!left) return;
    // The bit buffer is empty now; above its count it may still hold copies of
    // the bytes at FIn, which the direct copy below skips.
    FBits = 0;
    while (left) {
      if (FIn == FInEnd && !FillInput()) Fail(kErrBadBlock);
      if (FOut >= OutFastEnd()) Slide();
      const size_t n = std::min({left, size_t(FInEnd - FIn), size_t(BufEnd() - FOut)});
      std::memcpy(FOut, FIn, n);
      FOut += n;
      FIn += n;
      left -= n;
    }
  }

  void DynamicBlock(const TStaticTables& st) {
    NeedBits(14);
    const unsigned nlit = unsigned(FBits & 31) + 257;
    const unsigned ndist = unsigned(FBits >> 5 & 31) + 1;
    const unsigned npre = unsigned(FBits >> 10 & 15) + 4;
    DropBits(14);
    uint8_t lens[288 + 32] = {};
    for (unsigned i = 0; i < npre; ++i) lens[kPreOrder[i]] = uint8_t(TakeBits(3));
    CheckOverread();
    if (!BuildTable(FPreTable, kPreTableSize, kPreBits, lens, 19, st.PreSymbols, false)) Fail(kErrIncompleteCodeSet);

    const unsigned total = nlit + ndist;
    std::fill(lens, lens + 19, 0);
    for (unsigned i = 0; i < total;) {
      TopUpBits();
      NeedBits(kPreBits);
      const uint32_t e = FPreTable[FBits & Mask(kPreBits)];
      if (e & kInvalid) Fail(kErrIncompleteCodeSet);
      DropBits(e >> 8 & 15);
      const unsigned sym = e >> 16;
      if (sym < 16) {
        lens[i++] = uint8_t(sym);
      } else {
        unsigned repeat;
        uint8_t value = 0;
        if (sym == 16) {
          if (i == 0) Fail(kErrIncompleteCodeSet);
          value = lens[i - 1];
          repeat = 3 + TakeBits(2);
        } else if (sym == 17) {
          repeat = 3 + TakeBits(3);
        } else {
          repeat = 11 + TakeBits(7);
        }
        if (repeat > total - i) Fail(kErrIncompleteCodeSet);
        std::fill(lens + i, lens + i + repeat, value);
        i += repeat;
      }
      CheckOverread();
    }
    // Without an end-of-block code the block could never end.
    if (lens[256] == 0) Fail(kErrIncompleteCodeSet);
    if (!BuildTable(FLitTable, kLitTableSize, kLitBits, lens, nlit, st.LitSymbols, false, true) ||
        !BuildTable(FDistTable, kDistTableSize, kDistBits, lens + nlit, ndist, st.DistSymbols, true))
      Fail(kErrIncompleteCodeSet);
    CodesBlock(FLitTable, FDistTable, kErrIncompleteCodeSet);
  }

  void CodesBlock(const uint32_t* lit, const uint32_t* dist, int badCode) {
    for (;;) {
      if (size_t(FInEnd - FIn) <= kInMargin && !FInputDone) FillInput();
      if (size_t(FOut - FFlushed) >= kWriteSize) Flush();
      if (FOut >= OutFastEnd()) Slide();
      if (size_t(FInEnd - FIn) > kInMargin) {
        const int r = FastLoop(lit, dist);
        if (r > 0) return;
        if (r < 0) Fail(badCode);
      } else if (SlowSymbol(lit, dist, badCode)) {
        return;
      }
    }
  }

  // Looks a code up through the careful reader and drops its code bits.
  uint32_t SlowDecode(const uint32_t* table, unsigned rootBits) {
    NeedBits(15);
    uint32_t e = table[FBits & Mask(rootBits)];
    if (e & kLink) {
      DropBits(rootBits);
      e = table[(e >> 16) + (FBits & Mask(e >> 8 & 15))];
    }
    if (!(e & kInvalid)) DropBits(e >> 8 & 15);
    return e;
  }

  // One symbol near the end of the input; true at the end of the block.
  bool SlowSymbol(const uint32_t* lit, const uint32_t* dist, int badCode) {
    const uint32_t e = SlowDecode(lit, kLitBits);
    if (e & kInvalid) Fail(badCode);
    if (e & (kLiteral | kEndBlock)) {
      CheckOverread();
      if (e & kEndBlock) return true;
      *FOut++ = uint8_t(e >> 16);
      return false;
    }
    const size_t len = (e >> 16) + TakeBits((e & 31) - (e >> 8 & 15));
    const uint32_t d = SlowDecode(dist, kDistBits);
    if (d & kInvalid) Fail(badCode);
    const size_t distance = (d >> 16) + TakeBits((d & 31) - (d >> 8 & 15));
    CheckOverread();
    if (distance > size_t(FOut - FHistStart)) Fail(badCode);
    for (size_t i = 0; i < len; ++i, ++FOut) *FOut = FOut[-std::ptrdiff_t(distance)];
    return false;
  }

  // The hot loop: runs while enough input is buffered and enough output room
  // is left that neither needs checking per symbol. Returns 1 at the end of
  // the block, -1 on bad data, 0 when a margin ran out.
  int FastLoop(const uint32_t* lit, const uint32_t* dist) {
    TBitBuf bits = FBits;
    unsigned count = FBitCount;
    const uint8_t* in = FIn;
    const uint8_t* const inLimit = FInEnd - kInMargin;
    uint8_t* out = FOut;
    // It also stops once a piece is complete, so that it is written while
    // still in the cache.
    uint8_t* const outLimit = std::min(OutFastEnd(), FFlushed + kWriteSize);
    const uint8_t* const histStart = FHistStart;
    int result = 0;

    // Only the low bits of count that hold up to kBufBits - 1 are kept
    // exact; see dropEntry.
    auto refill = [&] {
      bits |= LoadLE<TBitBuf>(in) << (count & (kBufBits - 1));
      in += (kBufBits - 1 - (count & (kBufBits - 1))) >> 3;
      count |= kBufBits - 8;
    };
    auto drop = [&](unsigned n) {
      bits >>= n;
      count -= n;
    };
    // Drops an entry's bits. The shift is masked to the word's width, as the
    // machine's shift masks it, so the mask costs nothing; the flags and
    // value above drop lie outside it. The whole entry is taken from count:
    // drop never exceeds the count, and kExtra is a multiple of the word's
    // width, so the low bits that hold the count come out exact and the
    // rest is ignored.
    auto dropEntry = [&](uint32_t e) {
      bits >>= e & (kBufBits - 1);
      count -= e;
    };
    // The extra bits of a length or distance entry, from the bits as they
    // were before its drop. Such an entry has no flags but kExtra, which
    // lies above the drop bits, so its drop and code length fields need no
    // masking beyond the one the shift does.
    auto extraValue = [](TBitBuf saved, uint32_t e) {
      return size_t((saved & Mask(e & (kBufBits - 1))) >> ((e >> 8) & (kBufBits - 1)));
    };
    auto literal = [&](uint32_t e) {
      dropEntry(e);
      *out++ = uint8_t(e >> 16);
    };

    // The next literal/length entry is looked up as soon as the bits before
    // it are gone, so the lookup overlaps the copy of a match.
    refill();
    uint32_t e = lit[bits & Mask(kLitBits)];
    while (in < inLimit && out < outLimit) {
      if (e & kLiteral) {
        // A refill leaves at least 56 bits in a full word (24 in a narrow
        // one): after four literals of the main table (one), the next entry
        // of the main table still has its bits. A refill only adds bits
        // above those, so that entry stays right across it.
        literal(e);
        e = lit[bits & Mask(kLitBits)];
        if constexpr (kBufBits >= 64) {
          for (int i = 0; i < 3 && (e & kLiteral); ++i) {
            literal(e);
            e = lit[bits & Mask(kLitBits)];
          }
        }
        refill();
        continue;
      }
      if (e & (kLink | kEndBlock | kInvalid)) {
        if (e & kLink) {
          drop(kLitBits);
          e = lit[(e >> 16) + (bits & Mask(e >> 8 & 15))];
          if (e & kLiteral) {
            literal(e);
            refill();
            e = lit[bits & Mask(kLitBits)];
            continue;
          }
        }
        if (e & kEndBlock) {
          drop(e & 31);
          result = 1;
          break;
        }
        if (e & kInvalid) {
          result = -1;
          break;
        }
      }
      TBitBuf saved = bits;
      dropEntry(e);
      size_t len = e >> 16;
      if (e & kExtra) len += extraValue(saved, e);

      if constexpr (kBufBits < 64) refill();
      uint32_t d = dist[bits & Mask(kDistBits)];
      if (d & (kLink | kInvalid)) {
        if (d & kLink) {
          drop(kDistBits);
          d = dist[(d >> 16) + (bits & Mask(d >> 8 & 15))];
        }
        if (d & kInvalid) {
          result = -1;
          break;
        }
      }
      size_t distance;
      if constexpr (kBufBits >= 64) {
        saved = bits;
        dropEntry(d);
        distance = (d >> 16) + extraValue(saved, d);
      } else {
        const unsigned codeLen = d >> 8 & 15;
        drop(codeLen);
        const unsigned n = (d & 31) - codeLen;
        if ((count & (kBufBits - 1)) < n) refill();
        distance = (d >> 16) + size_t(bits & Mask(n));
        drop(n);
      }
      if (distance > size_t(out - histStart)) {
        result = -1;
        break;
      }
      refill();
      e = lit[bits & Mask(kLitBits)];

      const uint8_t* src = out - distance;
      uint8_t* dst = out;
      out += len;
      if (distance >= 8) {
        Copy8(dst, src);
        Copy8(dst + 8, src + 8);
        while (dst + 16 < out) {
          dst += 16;
          src += 16;
          Copy8(dst, src);
          Copy8(dst + 8, src + 8);
        }
      } else if (distance == 1) {
        const uint64_t v = 0x0101010101010101ull * *src;
        do {
          std::memcpy(dst, &v, 8);
          dst += 8;
        } while (dst < out);
      } else {
        // Each word copied ends in bytes not final yet, but its first
        // distance bytes are, and the next word starts right after them.
        do {
          Copy8(dst, src);
          dst += distance;
          src += distance;
        } while (dst < out);
      }
    }
    FBits = bits;
    FBitCount = count & (kBufBits - 1);
    FIn = in;
    FOut = out;
    return result;
  }

  uint8_t* BufEnd() { return FWindow + kWindowSize + kOutSpan; }
  uint8_t* OutFastEnd() { return BufEnd() - kMaxMatch; }

  TCodecIO& FIO;
  uint64_t FPackedLeft;
  bool FInputDone = false;
  const uint8_t* FIn;
  const uint8_t* FInEnd;
  TBitBuf FBits = 0;
  unsigned FBitCount = 0;
  unsigned FOverread = 0;
  uint8_t* FOut;
  uint8_t* FFlushed;
  const uint8_t* FHistStart;
  uint8_t* const FWindow;
  uint32_t* const FLitTable;
  uint32_t* const FDistTable;
  uint32_t* const FPreTable;
  uint8_t* const FInBuf;
};

}  // namespace

namespace inflate_detail {

template <typename TBitBuf>
void InflateWith(TInflateMemory& mem, TCodecIO& io, uint64_t packedSize) {
  TInflater<TBitBuf>(io, packedSize, mem).Run();
}

template <typename TBitBuf>
void InflateWith(TCodecIO& io, uint64_t packedSize) {
  TCodecMemory<TInflateMemory> mem;
  InflateWith<TBitBuf>(mem.Get(), io, packedSize);
}

template void InflateWith<uint32_t>(TCodecIO&, uint64_t);
template void InflateWith<uint64_t>(TCodecIO&, uint64_t);

}  // namespace inflate_detail

TInflateDecoder::TInflateDecoder() = default;
TInflateDecoder::~TInflateDecoder() = default;

template <typename TBitBuf>
void TInflateDecoder::DecodeWith(TCodecIO& io, uint64_t packedSize) {
  inflate_detail::InflateWith<TBitBuf>(FMemory.Get(), io, packedSize);
}
template void TInflateDecoder::DecodeWith<uint32_t>(TCodecIO&, uint64_t);
template void TInflateDecoder::DecodeWith<uint64_t>(TCodecIO&, uint64_t);

void TInflateDecoder::Decode(TCodecIO& io, uint64_t packedSize) {
  DecodeWith<std::conditional_t<sizeof(size_t) >= 8, uint64_t, uint32_t>>(io, packedSize);
}

void Inflate(TCodecIO& io, uint64_t packedSize) { TInflateDecoder().Decode(io, packedSize); }
