#include "archive/codecs/deflate.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/codecs/inflate.h"
#include "codec_test_util.h"
#include "tests/support/testsupport.h"

using namespace codectest;

namespace {

class TVecDeflateIO : public TDeflateIO {
 public:
  explicit TVecDeflateIO(const std::vector<uint8_t>& in, size_t maxPiece = 0) : FIn(in), FMaxPiece(maxPiece) {}
  size_t ReadInput(uint8_t* buf, size_t count) override {
    size_t n = std::min(count, FIn.size() - FPos);
    // Odd small pieces: 1 to maxPiece bytes per call.
    if (FMaxPiece) n = std::min(n, 1 + FPos % FMaxPiece);
    if (n) std::memcpy(buf, FIn.data() + FPos, n);
    FPos += n;
    return n;
  }
  void WriteOutput(const uint8_t* buf, size_t count) override {
    if (FailWrites) throw std::runtime_error("disk full");
    Out.insert(Out.end(), buf, buf + count);
  }
  std::vector<uint8_t> Out;
  bool FailWrites = false;

 private:
  const std::vector<uint8_t>& FIn;
  size_t FMaxPiece, FPos = 0;
};

std::vector<uint8_t> Compress(const std::vector<uint8_t>& in, int level, bool wide = true, bool allowPlain = false,
                              TDeflateResult* result = nullptr) {
  TVecDeflateIO io(in);
  const TDeflateResult r = wide ? deflate_detail::DeflateWith<uint64_t>(io, level, allowPlain)
                                : deflate_detail::DeflateWith<uint32_t>(io, level, allowPlain);
  EXPECT_EQ(r.InputBytes, in.size());
  EXPECT_EQ(r.OutputBytes, io.Out.size());
  if (result) *result = r;
  return io.Out;
}

// Our own decoder; an error or trailing garbage fails the test.
std::vector<uint8_t> Decompress(const std::vector<uint8_t>& stream) {
  TMemIO io(stream);
  EXPECT_EQ(ErrorOf([&] { Inflate(io, stream.size()); }), 0);
  EXPECT_EQ(io.Pos, stream.size());
  return io.Out;
}

// Text, random bytes, word-sized tables and sparse records in turns, so that
// blocks of every kind and block boundaries inside matches occur.
std::vector<uint8_t> MixedData(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out;
  out.reserve(size + 70000);
  static const char* words[] = {"window ", "lookahead ", "block ", "Huffman ", "literal ", "distance ", "code ",
                                "length ", "\n", "stored ", "fixed ", "dynamic ", "for (int i = 0; i < n; ++i) ",
                                "{ ", "} ", "return ", "0x7FFF ", "the ", "a ", "struct "};
  while (out.size() < size) {
    const size_t piece = 1000 + rng() % 60000;
    switch (rng() % 4) {
      case 0: {
        const std::vector<uint8_t> t = morvtest::TextData(piece, rng());
        out.insert(out.end(), t.begin(), t.end());
        break;
      }
      case 1: {
        const std::vector<uint8_t> r = morvtest::RandomData(piece / 4, rng());
        out.insert(out.end(), r.begin(), r.end());
        break;
      }
      case 2: {
        uint32_t v = rng();
        for (size_t i = 0; i < piece / 4; ++i) {
          v += rng() % 64;
          for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
        }
        break;
      }
      default:
        for (size_t i = 0; i < piece / 8; ++i) {
          const char* w = words[std::min(rng() % 20, rng() % 20)];
          out.insert(out.end(), w, w + std::strlen(w));
          if (rng() % 16 == 0) out.push_back(uint8_t(rng()));
        }
        break;
    }
  }
  out.resize(size);
  return out;
}

// Checks every stream against its input with python3's zlib (raw Deflate).
void ExpectPeerDecodes(const std::vector<std::pair<std::vector<uint8_t>, std::vector<std::vector<uint8_t>>>>& cases) {
  if (!morvtest::HavePeer("python3")) GTEST_SKIP() << "python3 not installed";
  const std::string dir = morvtest::TempDir();
  std::string list;
  for (size_t i = 0; i < cases.size(); ++i) {
    morvtest::WriteFile(dir + "/in" + std::to_string(i), cases[i].first);
    for (size_t k = 0; k < cases[i].second.size(); ++k) {
      const std::string name = "out" + std::to_string(i) + "_" + std::to_string(k);
      morvtest::WriteFile(dir + "/" + name, cases[i].second[k]);
      list += "('in" + std::to_string(i) + "', '" + name + "'),";
    }
  }
  const std::string script =
      "import sys, zlib, os\n"
      "d = sys.argv[1]\n"
      "bad = 0\n"
      "for i, o in [" + list + "]:\n"
      "    want = open(os.path.join(d, i), 'rb').read()\n"
      "    z = zlib.decompressobj(-15)\n"
      "    try:\n"
      "        got = z.decompress(open(os.path.join(d, o), 'rb').read())\n"
      "        ok = got == want and z.eof and not z.unused_data\n"
      "    except zlib.error as e:\n"
      "        ok = False\n"
      "    if not ok:\n"
      "        print('BAD', o)\n"
      "        bad += 1\n"
      "sys.exit(1 if bad else 0)\n";
  morvtest::WriteFile(dir + "/check.py", script);
  std::string output;
  EXPECT_EQ(morvtest::RunPeer("python3 '" + morvtest::HostPath(dir + "/check.py") + "' '" + morvtest::HostPath(dir) +
                                  "'",
                              &output),
            0)
      << output;
}

// The symbols of a Deflate stream: a literal as (byte, 0), a match as
// (length, distance).
struct TSymbol {
  unsigned Value, Dist;
};

class TSymbolReader {
 public:
  explicit TSymbolReader(const std::vector<uint8_t>& s) : FData(s) {}

  std::vector<TSymbol> ReadAll() {
    std::vector<TSymbol> out;
    bool last = false;
    while (!last) {
      last = Bits(1);
      const unsigned type = Bits(2);
      if (type == 0) {
        FBit = (FBit + 7) & ~size_t(7);
        const unsigned len = Bits(16);
        Bits(16);
        for (unsigned i = 0; i < len; ++i) out.push_back({Bits(8), 0});
        continue;
      }
      std::vector<uint8_t> litLens(288), distLens(32);
      if (type == 1) {
        for (unsigned s = 0; s < 288; ++s) litLens[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        std::fill(distLens.begin(), distLens.end(), 5);
      } else {
        const unsigned nLit = Bits(5) + 257, nDist = Bits(5) + 1, nPre = Bits(4) + 4;
        static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        std::vector<uint8_t> preLens(19);
        for (unsigned i = 0; i < nPre; ++i) preLens[order[i]] = uint8_t(Bits(3));
        std::vector<uint8_t> all;
        while (all.size() < nLit + nDist) {
          const unsigned sym = Decode(preLens);
          if (sym < 16) all.push_back(uint8_t(sym));
          else if (sym == 16) all.insert(all.end(), 3 + Bits(2), all.back());
          else if (sym == 17) all.insert(all.end(), 3 + Bits(3), 0);
          else all.insert(all.end(), 11 + Bits(7), 0);
        }
        std::copy(all.begin(), all.begin() + nLit, litLens.begin());
        std::copy(all.begin() + nLit, all.begin() + nLit + nDist, distLens.begin());
      }
      static const uint16_t lenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
      static const uint8_t lenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
      for (;;) {
        const unsigned sym = Decode(litLens);
        if (sym < 256) {
          out.push_back({sym, 0});
          continue;
        }
        if (sym == 256) break;
        const unsigned len = lenBase[sym - 257] + Bits(lenExtra[sym - 257]);
        const unsigned dc = Decode(distLens);
        const unsigned extra = dc < 4 ? 0 : dc / 2 - 1;
        const unsigned base = dc < 4 ? dc + 1 : ((2 + dc % 2) << extra) + 1;
        out.push_back({len, base + Bits(extra)});
      }
    }
    return out;
  }

 private:
  unsigned Bits(unsigned n) {
    unsigned v = 0;
    for (unsigned i = 0; i < n; ++i, ++FBit) {
      if (FBit / 8 >= FData.size()) throw std::runtime_error("stream ends early");
      v |= unsigned(FData[FBit / 8] >> (FBit % 8) & 1) << i;
    }
    return v;
  }
  // Canonical decoding one bit at a time (RFC 1951, 3.2.2).
  unsigned Decode(const std::vector<uint8_t>& lens) {
    int code = 0, first = 0, index = 0;
    for (unsigned len = 1; len <= 15; ++len) {
      code |= int(Bits(1));
      int count = 0;
      for (uint8_t l : lens) count += l == len;
      if (code - first < count) {
        int k = code - first;
        for (unsigned s = 0; s < lens.size(); ++s)
          if (lens[s] == len && k-- == 0) return s;
      }
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    throw std::runtime_error("bad code");
  }

  const std::vector<uint8_t>& FData;
  size_t FBit = 0;
};

}  // namespace

TEST(DeflateCodeLengths, LimitedCompleteAndOrderedByFrequency) {
  struct TCase {
    const char* Name;
    std::vector<uint32_t> Freq;
    unsigned MaxBits;
  };
  std::vector<uint32_t> fib30(30), fib19(19), flat(286, 1), skewed(286, 0);
  for (size_t i = 0; i < fib30.size(); ++i) fib30[i] = i < 2 ? 1 : fib30[i - 1] + fib30[i - 2];
  std::copy(fib30.begin(), fib30.begin() + 19, fib19.begin());
  for (size_t i = 0; i < skewed.size(); i += 3) skewed[i] = uint32_t(1 + (i * i) % 32000);
  const std::vector<TCase> cases = {
      {"fibonacci 30, 15 bits", fib30, 15}, {"fibonacci 19, 7 bits", fib19, 7}, {"flat 286", flat, 15},
      {"skewed sparse", skewed, 15},        {"small", {1, 1, 2, 4}, 15},
  };
  for (const TCase& c : cases) {
    std::vector<uint8_t> lens(c.Freq.size());
    deflate_detail::BuildLengths(c.Freq.data(), unsigned(c.Freq.size()), c.MaxBits, lens.data());
    double kraft = 0;
    for (size_t i = 0; i < lens.size(); ++i) {
      EXPECT_EQ(lens[i] != 0, c.Freq[i] != 0) << c.Name;
      EXPECT_LE(lens[i], c.MaxBits) << c.Name;
      if (lens[i]) kraft += 1.0 / double(1u << lens[i]);
      for (size_t k = 0; k < lens.size(); ++k) {
        if (c.Freq[i] && c.Freq[k] > c.Freq[i]) {
          EXPECT_LE(lens[k], lens[i]) << c.Name;
        }
      }
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0) << c.Name;
  }
  std::vector<uint8_t> lens(4);
  const uint32_t small[4] = {1, 1, 2, 4};
  deflate_detail::BuildLengths(small, 4, 15, lens.data());
  EXPECT_EQ(lens, (std::vector<uint8_t>{3, 3, 2, 1}));
  // No symbol or one symbol: still a complete code of two one-bit codes.
  const uint32_t none[30] = {}, one[30] = {0, 0, 0, 0, 0, 7};
  std::vector<uint8_t> l30(30);
  deflate_detail::BuildLengths(none, 30, 15, l30.data());
  EXPECT_EQ(std::count(l30.begin(), l30.end(), 1), 2);
  deflate_detail::BuildLengths(one, 30, 15, l30.data());
  EXPECT_EQ(l30[5], 1);
  EXPECT_EQ(std::count(l30.begin(), l30.end(), 1), 2);
}

TEST(Deflate, RoundTripsThroughOurInflateAndZlib) {
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Data;
  };
  std::vector<uint8_t> oneByte = {0x5A};
  const std::vector<TCase> cases = {
      {"empty", {}},
      {"one byte", oneByte},
      {"100 random", morvtest::RandomData(100, 3)},
      {"65535 mixed", MixedData(65535, 4)},
      {"65536 mixed", MixedData(65536, 5)},
      {"65537 mixed", MixedData(65537, 6)},
      {"65536 text", morvtest::TextData(65536, 7)},
      {"300000 random", morvtest::RandomData(300000, 8)},
  };
  std::vector<std::pair<std::vector<uint8_t>, std::vector<std::vector<uint8_t>>>> peer;
  for (const TCase& c : cases) {
    peer.push_back({c.Data, {}});
    for (int level : {1, 2, 7, 9}) {
      const std::vector<uint8_t> wide = Compress(c.Data, level, true);
      const std::vector<uint8_t> narrow = Compress(c.Data, level, false);
      ASSERT_TRUE(wide == narrow) << c.Name << " level " << level;
      ASSERT_TRUE(Decompress(wide) == c.Data) << c.Name << " level " << level;
      peer.back().second.push_back(wide);
    }
  }
  ExpectPeerDecodes(peer);
}

TEST(Deflate, EveryLevelRoundTrips) {
  const std::vector<uint8_t> data = MixedData(400000, 11);
  std::vector<std::pair<std::vector<uint8_t>, std::vector<std::vector<uint8_t>>>> peer = {{data, {}}};
  size_t previous = SIZE_MAX;
  for (int level = 0; level <= 9; ++level) {
    const std::vector<uint8_t> out = Compress(data, level);
    ASSERT_TRUE(Decompress(out) == data) << "level " << level;
    if (level == 0) {
      // Stored blocks only: a 5-byte header per 65,535 bytes.
      EXPECT_EQ(out.size(), data.size() + 5 * ((data.size() + 65534) / 65535));
    } else if (level == 1 || level == 4 || level >= 6) {
      // The fast and lazy families each shrink as the level rises.
      EXPECT_LE(out.size(), previous) << "level " << level;
    }
    previous = out.size();
    peer[0].second.push_back(out);
  }
  ExpectPeerDecodes(peer);
}

TEST(Deflate, LargeMixedInput) {
  const std::vector<uint8_t> data = MixedData(size_t(32) << 20, 12);
  std::vector<std::pair<std::vector<uint8_t>, std::vector<std::vector<uint8_t>>>> peer = {{data, {}}};
  for (int level : {1, 2, 7, 9}) {
    const std::vector<uint8_t> out = DeflateBuffer(data.data(), data.size(), level);
    ASSERT_TRUE(Decompress(out) == data) << "level " << level;
    EXPECT_LT(out.size(), data.size() / 2) << "level " << level;
    peer[0].second.push_back(out);
  }
  ExpectPeerDecodes(peer);
}

TEST(Deflate, EmptyInputIsOneFixedBlockWithEndOfBlock) {
  const std::vector<uint8_t> expected = {0x03, 0x00};
  for (int level = 0; level <= 9; ++level) {
    for (bool allowPlain : {false, true}) {
      TDeflateResult r;
      EXPECT_EQ(Compress({}, level, true, allowPlain, &r), expected) << "level " << level;
      EXPECT_FALSE(r.Plain);
    }
  }
}

TEST(Deflate, SmallIncompressibleInputGoesOutPlainOnlyWhenAllowed) {
  const std::vector<uint8_t> data = morvtest::RandomData(4000, 13);
  for (int level : {1, 2, 7, 9}) {
    TDeflateResult r;
    EXPECT_EQ(Compress(data, level, true, true, &r), data) << "level " << level;
    EXPECT_TRUE(r.Plain);

    bool plain = true;
    const std::vector<uint8_t> stream = DeflateBuffer(data.data(), data.size(), level, false, &plain);
    EXPECT_FALSE(plain);
    EXPECT_TRUE(Decompress(stream) == data);
    // One stored block: header byte, LEN, NLEN, the bytes.
    EXPECT_EQ(stream.size(), data.size() + 5);
  }
  // Compressible input, or more than one block, is never plain.
  const std::vector<uint8_t> text = morvtest::TextData(4000, 14);
  const std::vector<uint8_t> big = morvtest::RandomData(200000, 15);
  for (const std::vector<uint8_t>* in : {&text, &big}) {
    bool plain = true;
    const std::vector<uint8_t> stream = DeflateBuffer(in->data(), in->size(), 9, true, &plain);
    EXPECT_FALSE(plain);
    EXPECT_TRUE(Decompress(stream) == *in);
  }
}

TEST(Deflate, ShortMatchesFarBackAreDroppedAtLazyLevels) {
  // Twenty letters at random: most three-letter strings recur only several
  // thousand bytes back, and longer repeats are rare.
  std::mt19937 rng(16);
  std::vector<uint8_t> data(30000);
  for (uint8_t& b : data) b = uint8_t('a' + rng() % 20);
  for (int level = 1; level <= 9; ++level) {
    const std::vector<uint8_t> stream = Compress(data, level);
    ASSERT_TRUE(Decompress(stream) == data);
    unsigned farShort = 0, matches = 0;
    for (const TSymbol& s : TSymbolReader(stream).ReadAll()) {
      matches += s.Dist != 0;
      farShort += s.Dist > 4096 && s.Value == 3;
    }
    EXPECT_GT(matches, 1000u) << "level " << level;
    if (level <= 3)
      EXPECT_GT(farShort, 100u) << "level " << level;
    else
      EXPECT_EQ(farShort, 0u) << "level " << level;
  }
}

TEST(Deflate, MatchesStayWithinWindowLimits) {
  const std::vector<uint8_t> data = MixedData(300000, 17);
  for (int level : {1, 9}) {
    const std::vector<uint8_t> stream = Compress(data, level);
    size_t pos = 0;
    for (const TSymbol& s : TSymbolReader(stream).ReadAll()) {
      if (s.Dist) {
        ASSERT_GE(s.Value, 3u);
        ASSERT_LE(s.Value, 258u);
        ASSERT_LE(s.Dist, 32768u - 262u);
        ASSERT_LE(s.Dist, pos);
        pos += s.Value;
      } else {
        ++pos;
      }
    }
    EXPECT_EQ(pos, data.size());
  }
}

TEST(Deflate, LongRunOfZerosIsSmall) {
  const std::vector<uint8_t> data(size_t(10) << 20, 0);
  for (int level : {1, 2, 7, 9}) {
    const std::vector<uint8_t> out = Compress(data, level);
    // A match of 258 costs one bit plus its distance: at the fast levels the
    // distance is a whole match back (7 extra bits), at the lazy ones it is 1.
    EXPECT_LT(out.size(), data.size() / (level <= 3 ? 200 : 1000)) << "level " << level;
    ASSERT_TRUE(Decompress(out) == data) << "level " << level;
  }
}

TEST(Deflate, InputInOddSmallPiecesGivesTheSameStream) {
  const std::vector<uint8_t> data = MixedData(200000, 18);
  for (int level : {0, 1, 2, 7, 9}) {
    TVecDeflateIO io(data, 7);
    const TDeflateResult r = DeflateEncode(io, level, false);
    EXPECT_EQ(r.InputBytes, data.size());
    EXPECT_TRUE(io.Out == DeflateBuffer(data.data(), data.size(), level)) << "level " << level;
    EXPECT_TRUE(Decompress(io.Out) == data) << "level " << level;
  }
}

TEST(Deflate, FailedWritePropagates) {
  const std::vector<uint8_t> data = MixedData(100000, 19);
  for (int level : {0, 1, 9}) {
    TVecDeflateIO io(data);
    io.FailWrites = true;
    EXPECT_THROW(DeflateEncode(io, level, false), std::runtime_error) << "level " << level;
  }
}

// A writer and an extractor each keep one encoder and one decoder for all
// their entries: every entry must come out as with fresh ones, whatever the
// entry before was (large or small, another level, a failed write, a
// damaged stream).
TEST(Deflate, KeptEncoderAndDecoderServeEntryAfterEntry) {
  const std::vector<uint8_t> big = MixedData(300000, 21), small = MixedData(3000, 22);
  const std::vector<uint8_t> tiny = {'a', 'b', 'a', 'b', 'a', 'b'}, empty;
  struct TStep {
    const std::vector<uint8_t>* Data;
    int Level;
    bool FailWrite;
  };
  const TStep steps[] = {{&big, 9, false},  {&small, 1, false}, {&tiny, 9, false}, {&big, 1, true},
                         {&small, 9, false}, {&empty, 2, false}, {&big, 7, false},  {&small, 0, false},
                         {&small, 2, false}};
  TDeflateEncoder encoder;
  TInflateDecoder decoder;
  for (const TStep& s : steps) {
    SCOPED_TRACE(testing::Message() << s.Data->size() << " bytes at level " << s.Level);
    TVecDeflateIO io(*s.Data);
    io.FailWrites = s.FailWrite;
    if (s.FailWrite) {
      EXPECT_THROW(encoder.Encode(io, s.Level, false), std::runtime_error);
      continue;
    }
    encoder.Encode(io, s.Level, false);
    ASSERT_TRUE(io.Out == DeflateBuffer(s.Data->data(), s.Data->size(), s.Level));

    // A stream cut short first, then the whole one, through the same decoder.
    const std::vector<uint8_t> cut(io.Out.begin(), io.Out.begin() + io.Out.size() / 2);
    TMemIO bad(cut);
    if (!cut.empty()) {
      EXPECT_NE(ErrorOf([&] { decoder.Decode(bad, cut.size()); }), 0);
    }
    TMemIO good(io.Out);
    ASSERT_EQ(ErrorOf([&] { decoder.Decode(good, io.Out.size()); }), 0);
    EXPECT_TRUE(good.Out == *s.Data);
  }
}
