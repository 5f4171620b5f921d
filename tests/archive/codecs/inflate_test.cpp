#include "archive/codecs/inflate.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "archive/codecs/deflate_tables.h"
#include "codec_test_util.h"
#include "tests/support/testsupport.h"

using namespace codectest;

namespace {

struct TResult {
  int Error = 0;
  std::vector<uint8_t> Out;
  std::vector<size_t> Writes;
  size_t Read = 0;
};

TResult Decode(const std::vector<uint8_t>& stream, bool narrow = false, size_t packedSize = SIZE_MAX,
               const std::vector<uint8_t>& trailer = {}) {
  std::vector<uint8_t> input = stream;
  input.insert(input.end(), trailer.begin(), trailer.end());
  TMemIO io(input);
  TResult r;
  const uint64_t packed = packedSize == SIZE_MAX ? stream.size() : packedSize;
  r.Error = ErrorOf([&] {
    if (narrow)
      inflate_detail::InflateWith<uint32_t>(io, packed);
    else
      inflate_detail::InflateWith<uint64_t>(io, packed);
  });
  r.Out = io.Out;
  r.Writes = io.Writes;
  r.Read = io.Pos;
  return r;
}

// Output arrives in whole windows, the last piece shorter and never empty.
void ExpectWindowWrites(const TResult& r, size_t total) {
  size_t expected = (total + 32767) / 32768;
  ASSERT_EQ(r.Writes.size(), expected);
  for (size_t i = 0; i + 1 < r.Writes.size(); ++i) EXPECT_EQ(r.Writes[i], 32768u);
  if (!r.Writes.empty()) {
    EXPECT_EQ(r.Writes.back(), total - 32768 * (expected - 1));
  }
}

// Canonical Huffman codes for a list of code lengths (RFC 1951, 3.2.2).
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lens) {
  unsigned count[16] = {}, next[16] = {};
  for (uint8_t l : lens) count[l]++;
  count[0] = 0;
  unsigned code = 0;
  for (unsigned bits = 1; bits < 16; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = code;
  }
  std::vector<uint32_t> codes(lens.size());
  for (size_t i = 0; i < lens.size(); ++i)
    if (lens[i]) codes[i] = next[lens[i]]++;
  return codes;
}

// A hand-made Deflate stream builder.
class TDeflateWriter {
 public:
  TBitWriter W;

  void Header(bool last, unsigned type) {
    W.Bits(last, 1);
    W.Bits(type, 2);
  }
  void Stored(bool last, const std::vector<uint8_t>& data, uint16_t nlenXor = 0) {
    Header(last, 0);
    W.Align();
    const uint16_t len = uint16_t(data.size());
    W.Bits(len, 16);
    W.Bits(uint16_t(~len ^ nlenXor), 16);
    for (uint8_t b : data) W.Byte(b);
  }
  void FixedLit(unsigned sym) {
    if (sym < 144)
      W.Code(0x30 + sym, 8);
    else if (sym < 256)
      W.Code(0x190 + sym - 144, 9);
    else if (sym < 280)
      W.Code(sym - 256, 7);
    else
      W.Code(0xC0 + sym - 280, 8);
  }
  void FixedDist(unsigned code) { W.Code(code, 5); }

  // Dynamic header whose code lengths are sent through the given code-length
  // code as the listed (symbol, extra bits value) steps.
  void DynamicRaw(bool last, unsigned nlit, unsigned ndist, const std::vector<uint8_t>& preLens,
                  const std::vector<std::pair<unsigned, unsigned>>& steps, unsigned npre = 19) {
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    Header(last, 2);
    W.Bits(nlit - 257, 5);
    W.Bits(ndist - 1, 5);
    W.Bits(npre - 4, 4);
    for (unsigned i = 0; i < npre; ++i) W.Bits(preLens[order[i]], 3);
    const std::vector<uint32_t> preCodes = CanonicalCodes(preLens);
    for (auto [sym, extra] : steps) {
      W.Code(preCodes[sym], preLens[sym]);
      if (sym == 16) W.Bits(extra, 2);
      if (sym == 17) W.Bits(extra, 3);
      if (sym == 18) W.Bits(extra, 7);
    }
  }
  // Dynamic header sending each length as it is, through a code-length code
  // of sixteen 4-bit codes for 0..15 (16..18 unused).
  void Dynamic(bool last, const std::vector<uint8_t>& litLens, const std::vector<uint8_t>& distLens) {
    std::vector<uint8_t> pre(19, 0);
    for (unsigned i = 0; i < 16; ++i) pre[i] = 4;
    std::vector<std::pair<unsigned, unsigned>> steps;
    for (uint8_t l : litLens) steps.push_back({l, 0});
    for (uint8_t l : distLens) steps.push_back({l, 0});
    DynamicRaw(last, unsigned(litLens.size()), unsigned(distLens.size()), pre, steps);
    FLit = CanonicalCodes(litLens);
    FLitLens = litLens;
    FDist = CanonicalCodes(distLens);
    FDistLens = distLens;
  }
  void Lit(unsigned sym) { W.Code(FLit[sym], FLitLens[sym]); }
  void Dist(unsigned code) { W.Code(FDist[code], FDistLens[code]); }

  std::vector<uint8_t> Bytes() const { return W.Bytes(); }

 private:
  std::vector<uint32_t> FLit, FDist;
  std::vector<uint8_t> FLitLens, FDistLens;
};

// Literal/length lengths for symbols 0..285, 8 or 9 bits each; 286 and 287,
// when declared, get no code.
std::vector<uint8_t> SimpleLitLens(unsigned nlit = 286) {
  // A complete code: 226 codes of 8 bits and 60 of 9 bits.
  std::vector<uint8_t> lens(nlit, 0);
  for (unsigned i = 0; i < 286; ++i) lens[i] = i < 226 ? 8 : 9;
  return lens;
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

}  // namespace

TEST(Inflate, PeerStreamsAllLevelsAndStrategies) {
  const std::string dir = morvtest::TempDir();
  std::map<std::string, std::vector<uint8_t>> inputs;
  const size_t sizes[] = {0, 1, 1000, 32767, 32768, 32769, 65536, 98305, 262147};
  for (size_t n : sizes) {
    inputs["text" + std::to_string(n)] = morvtest::TextData(n, uint32_t(n) + 7);
    inputs["random" + std::to_string(n)] = morvtest::RandomData(n, uint32_t(n) + 3);
  }
  inputs["zeros"] = std::vector<uint8_t>(100000, 0);
  std::vector<uint8_t> mixed = morvtest::TextData(150000, 9);
  const std::vector<uint8_t> noise = morvtest::RandomData(150000, 10);
  for (size_t i = 0; i < mixed.size(); ++i)
    if (i / 5000 % 3 == 1) mixed[i] = noise[i];
  inputs["mixed"] = mixed;
  for (auto& [name, data] : inputs) morvtest::WriteFile(dir + "/" + name + ".in", data);

  // Every level with every strategy; besides, level 9 with the smallest
  // memory level (many short blocks) and level 6 with sync and full flushes
  // (empty stored blocks in the middle).
  const std::string script =
      "import os, sys, zlib\n"
      "d = sys.argv[1]\n"
      "for name in sorted(os.listdir(d)):\n"
      "    if not name.endswith('.in'): continue\n"
      "    data = open(os.path.join(d, name), 'rb').read()\n"
      "    base = os.path.join(d, name[:-3])\n"
      "    for level in range(10):\n"
      "        for strategy in range(5):\n"
      "            c = zlib.compressobj(level, zlib.DEFLATED, -15, 9, strategy)\n"
      "            open('%s.%d.%d.raw' % (base, level, strategy), 'wb').write(c.compress(data) + c.flush())\n"
      "    c = zlib.compressobj(9, zlib.DEFLATED, -15, 1, 0)\n"
      "    open(base + '.mem1.raw', 'wb').write(c.compress(data) + c.flush())\n"
      "    c = zlib.compressobj(6, zlib.DEFLATED, -15, 8, 0)\n"
      "    out = b''\n"
      "    for i in range(0, len(data), 10000):\n"
      "        out += c.compress(data[i:i + 10000]) + c.flush(zlib.Z_SYNC_FLUSH if i % 20000 else zlib.Z_FULL_FLUSH)\n"
      "    open(base + '.flush.raw', 'wb').write(out + c.flush())\n";
  morvtest::WriteFile(dir + "/gen.py", script);
  std::string output;
  ASSERT_EQ(morvtest::RunPeer("python3 '" + morvtest::HostPath(dir + "/gen.py") + "' '" + morvtest::HostPath(dir) + "'",
                              &output),
            0)
      << output;

  std::vector<std::string> variants;
  for (int level = 0; level < 10; ++level)
    for (int strategy = 0; strategy < 5; ++strategy)
      variants.push_back(std::to_string(level) + "." + std::to_string(strategy));
  variants.push_back("mem1");
  variants.push_back("flush");

  const std::vector<uint8_t> trailer = {0xDE, 0xAD, 0xBE, 0xEF};
  int streams = 0;
  for (auto& [name, data] : inputs) {
    for (const std::string& v : variants) {
      const std::vector<uint8_t> stream = morvtest::ReadFile(dir + "/" + name + "." + v + ".raw");
      ASSERT_FALSE(stream.empty()) << name << "." << v;
      for (bool narrow : {false, true}) {
        // Bytes after the stream belong to the next entry: they must be
        // neither needed nor read.
        const TResult r = Decode(stream, narrow, stream.size(), trailer);
        ASSERT_EQ(r.Error, 0) << name << "." << v << (narrow ? " narrow" : "");
        ASSERT_TRUE(r.Out == data) << name << "." << v << (narrow ? " narrow" : "");
        EXPECT_LE(r.Read, stream.size());
        ExpectWindowWrites(r, data.size());
      }
      ++streams;
    }
  }
  EXPECT_EQ(streams, int(inputs.size() * variants.size()));
}

TEST(Inflate, LibdeflateBestLevel) {
  if (!morvtest::HavePeer("libdeflate-gzip")) GTEST_SKIP() << "libdeflate-gzip not installed";
  const std::string dir = morvtest::TempDir();
  std::vector<uint8_t> data = morvtest::TextData(300000, 21);
  const std::vector<uint8_t> noise = morvtest::RandomData(40000, 22);
  data.insert(data.begin() + 100000, noise.begin(), noise.end());
  morvtest::WriteFile(dir + "/in.bin", data);
  ASSERT_EQ(morvtest::RunPeer("libdeflate-gzip -12 -c '" + morvtest::HostPath(dir + "/in.bin") + "' > '" +
                              morvtest::HostPath(dir + "/in.bin.gz") + "'"),
            0);
  const std::vector<uint8_t> gz = morvtest::ReadFile(dir + "/in.bin.gz");
  ASSERT_GT(gz.size(), 18u);
  ASSERT_EQ(gz[0], 0x1F);
  ASSERT_EQ(gz[1], 0x8B);
  ByteReader r(gz.data(), gz.size());
  r.Skip(3);
  const uint8_t flags = r.U8();
  r.Skip(6);
  if (flags & 4) r.Skip(r.U16());
  if (flags & 8) r.ZStr(65535);
  if (flags & 16) r.ZStr(65535);
  if (flags & 2) r.Skip(2);
  ASSERT_TRUE(r.Ok());
  const std::vector<uint8_t> stream(gz.begin() + r.Pos(), gz.end() - 8);
  for (bool narrow : {false, true}) {
    const TResult res = Decode(stream, narrow);
    ASSERT_EQ(res.Error, 0);
    EXPECT_TRUE(res.Out == data);
    EXPECT_EQ(Crc32(res.Out), GetLE32(gz.data() + gz.size() - 8));
  }
}

TEST(Inflate, EdgeStreamsThatDecode) {
  struct TCase {
    const char* Name;
    std::function<void(TDeflateWriter&)> Make;
    std::vector<uint8_t> Expected;
  };
  const std::vector<TCase> cases = {
      {"final empty stored block", [](TDeflateWriter& d) { d.Stored(true, {}); }, {}},
      {"stored then empty final stored",
       [](TDeflateWriter& d) {
         d.Stored(false, Text("abc"));
         d.Stored(true, {});
       },
       Text("abc")},
      {"fixed block with a match across the block boundary",
       [](TDeflateWriter& d) {
         d.Stored(false, Text("xyz"));
         d.Header(true, 1);
         d.FixedLit(257);  // length 3
         d.FixedDist(2);   // distance 3
         d.FixedLit(256);
       },
       Text("xyzxyz")},
      {"fixed block, length 258 at distance 1",
       [](TDeflateWriter& d) {
         d.Header(true, 1);
         d.FixedLit('q');
         d.FixedLit(285);
         d.FixedDist(0);
         d.FixedLit(256);
       },
       std::vector<uint8_t>(259, 'q')},
      {"dynamic block with one distance code of one bit",
       [](TDeflateWriter& d) {
         std::vector<uint8_t> lit = SimpleLitLens();
         d.Dynamic(true, lit, {0, 0, 0, 1});  // distance code 3: distance 4
         d.Lit('a');
         d.Lit('b');
         d.Lit('c');
         d.Lit('d');
         d.Lit(258);  // length 4
         d.Dist(3);
         d.Lit(256);
       },
       Text("abcdabcd")},
      {"dynamic block declaring 288 literal and 32 distance codes",
       [](TDeflateWriter& d) {
         std::vector<uint8_t> lit = SimpleLitLens(288);
         std::vector<uint8_t> dist(32, 0);
         dist[0] = dist[1] = 1;
         d.Dynamic(true, lit, dist);
         d.Lit('z');
         d.Lit(257);
         d.Dist(0);
         d.Lit(256);
       },
       Text("zzzz")},
      {"dynamic block without distance codes, literals only",
       [](TDeflateWriter& d) {
         d.Dynamic(true, SimpleLitLens(), std::vector<uint8_t>(1, 0));
         d.Lit('o');
         d.Lit('k');
         d.Lit(256);
       },
       Text("ok")},
      {"repeat codes, one running from the literal into the distance lengths",
       [](TDeflateWriter& d) {
         std::vector<uint8_t> pre(19, 0);
         pre[0] = pre[18] = 2;
         pre[1] = pre[2] = pre[16] = pre[17] = 3;
         // 'a', 'b', 256 and 257 two bits each; distance codes 0 and 1 two
         // bits, 2 one bit; the 16 repeats 2 over 257 and distances 0 and 1.
         d.DynamicRaw(true, 258, 3, pre,
                      {{18, 97 - 11}, {2, 0}, {2, 0}, {18, 138 - 11}, {18, 19 - 11}, {2, 0}, {16, 0}, {1, 0}});
         std::vector<uint8_t> lit(258, 0);
         lit['a'] = lit['b'] = lit[256] = lit[257] = 2;
         const std::vector<uint32_t> lc = CanonicalCodes(lit);
         const std::vector<uint32_t> dc = CanonicalCodes({2, 2, 1});
         d.W.Code(lc['a'], 2);
         d.W.Code(lc['b'], 2);
         d.W.Code(lc[257], 2);  // length 3
         d.W.Code(dc[0], 2);    // distance 1
         d.W.Code(lc[256], 2);
       },
       Text("abbbb")},
  };
  for (const TCase& c : cases) {
    TDeflateWriter d;
    c.Make(d);
    for (bool narrow : {false, true}) {
      const TResult r = Decode(d.Bytes(), narrow);
      EXPECT_EQ(r.Error, 0) << c.Name;
      EXPECT_TRUE(r.Out == c.Expected) << c.Name;
      ExpectWindowWrites(r, c.Expected.size());
    }
  }
}

// Length codes with extra bits decode right wherever their code sits: short
// enough that code and extra bits fit the first table lookup, just fitting,
// just not fitting, and in a subtable; in a dynamic and in a fixed block.
TEST(Inflate, LengthExtraBitsAtEveryCodeLength) {
  using deflate_tables::kLengthBase;
  using deflate_tables::kLengthExtra;
  // Sends every extra value of each listed length symbol (but the one that
  // would give 284 a length of 258), each match at distance 1 or 2 and
  // followed by a literal, and returns what the stream must decode to.
  auto matches = [](const std::vector<unsigned>& syms, const std::function<void(unsigned)>& lit,
                    const std::function<void(unsigned)>& dist, TBitWriter& w) {
    std::vector<uint8_t> out = Text("ab");
    lit('a');
    lit('b');
    unsigned turn = 0;
    for (unsigned sym : syms) {
      const unsigned extra = kLengthExtra[sym - 257];
      for (unsigned x = 0; x < (1u << extra) - (sym == 284); ++x, ++turn) {
        lit(sym);
        w.Bits(x, extra);
        const unsigned distance = 1 + turn % 2;
        dist(distance - 1);
        for (unsigned i = 0; i < kLengthBase[sym - 257] + x; ++i) out.push_back(out[out.size() - distance]);
        const uint8_t next = turn % 3 ? 'a' : 'b';
        lit(next);
        out.push_back(next);
      }
    }
    lit(256);
    return out;
  };

  // A complete code: the wanted lengths, the rest of the code space given
  // to other literals, one per power of two that remains.
  std::vector<uint8_t> lit(286, 0);
  const std::vector<std::pair<unsigned, uint8_t>> wanted = {{'a', 2}, {'b', 2}, {256, 3}, {273, 4}, {265, 10},
                                                            {266, 11}, {284, 8}, {281, 13}, {282, 15}};
  unsigned space = 1u << 15;
  for (auto [sym, len] : wanted) {
    lit[sym] = len;
    space -= 1u << (15 - len);
  }
  for (unsigned bit = 0, sym = 'c'; bit < 15; ++bit)
    if (space >> bit & 1) lit[sym++] = uint8_t(15 - bit);

  TDeflateWriter dyn;
  dyn.Dynamic(true, lit, {1, 1});
  const std::vector<uint8_t> dynOut = matches({273, 265, 266, 284, 281, 282}, [&](unsigned s) { dyn.Lit(s); },
                                              [&](unsigned c) { dyn.Dist(c); }, dyn.W);

  std::vector<unsigned> all;
  for (unsigned sym = 257; sym < 286; ++sym) all.push_back(sym);
  TDeflateWriter fixed;
  fixed.Header(true, 1);
  const std::vector<uint8_t> fixedOut = matches(all, [&](unsigned s) { fixed.FixedLit(s); },
                                                [&](unsigned c) { fixed.FixedDist(c); }, fixed.W);

  for (const auto& [name, stream, expected] :
       {std::tuple{"dynamic", dyn.Bytes(), dynOut}, std::tuple{"fixed", fixed.Bytes(), fixedOut}}) {
    for (bool narrow : {false, true}) {
      const TResult r = Decode(stream, narrow);
      EXPECT_EQ(r.Error, 0) << name << (narrow ? " narrow" : "");
      EXPECT_TRUE(r.Out == expected) << name << (narrow ? " narrow" : "");
    }
  }
}

TEST(Inflate, BadStreamsRaiseTheirErrors) {
  auto dynamicWith = [](std::vector<uint8_t> lit, std::vector<uint8_t> dist, std::function<void(TDeflateWriter&)> body) {
    return [=](TDeflateWriter& d) {
      d.Dynamic(true, lit, dist);
      body(d);
    };
  };
  std::vector<uint8_t> lit288(288, 8);
  for (unsigned i = 224; i < 288; ++i) lit288[i] = 9;
  std::vector<uint8_t> noEnd(286, 0);
  for (unsigned i = 0, n = 0; i < 286; ++i)
    if (i != 256) noEnd[i] = n++ < 227 ? 8 : 9;
  std::vector<uint8_t> overfull(286, 8);
  std::vector<uint8_t> incomplete = SimpleLitLens();
  incomplete[285] = 0;
  std::vector<uint8_t> allPre(19, 3);
  std::vector<uint8_t> noPre(19, 0);
  std::vector<uint8_t> onePre(19, 0);
  onePre[0] = 1;
  std::vector<uint8_t> pre4(19, 0);
  for (unsigned i = 0; i < 19; ++i) pre4[i] = i < 16 ? 4 : 0;
  std::vector<uint8_t> preRuns(19, 0);
  preRuns[0] = preRuns[8] = preRuns[16] = preRuns[18] = 2;

  struct TCase {
    const char* Name;
    std::function<void(TDeflateWriter&)> Make;
    int Error;
  };
  const std::vector<TCase> cases = {
      {"block type 3", [](TDeflateWriter& d) { d.Header(true, 3); }, kErrBadBlock},
      {"stored length without its complement", [](TDeflateWriter& d) { d.Stored(true, Text("abc"), 0x0100); },
       kErrBadBlock},
      {"fixed literal/length code 286",
       [](TDeflateWriter& d) {
         d.Header(true, 1);
         d.FixedLit('a');
         d.FixedLit(286);
       },
       kErrBadBlock},
      {"fixed literal/length code 287",
       [](TDeflateWriter& d) {
         d.Header(true, 1);
         d.FixedLit(287);
       },
       kErrBadBlock},
      {"fixed distance code 30",
       [](TDeflateWriter& d) {
         d.Header(true, 1);
         d.FixedLit('a');
         d.FixedLit(257);
         d.FixedDist(30);
       },
       kErrBadBlock},
      {"fixed distance code 31",
       [](TDeflateWriter& d) {
         d.Header(true, 1);
         d.FixedLit('a');
         d.FixedLit(257);
         d.FixedDist(31);
       },
       kErrBadBlock},
      {"fixed match before any output",
       [](TDeflateWriter& d) {
         d.Header(true, 1);
         d.FixedLit(257);
         d.FixedDist(0);
       },
       kErrBadBlock},
      {"fixed match reaching before the start",
       [](TDeflateWriter& d) {
         d.Header(true, 1);
         d.FixedLit('a');
         d.FixedLit('b');
         d.FixedLit(257);
         d.FixedDist(2);  // distance 3
       },
       kErrBadBlock},
      {"dynamic literal/length code 286 in use", dynamicWith(lit288, {1, 1}, [](TDeflateWriter& d) { d.Lit(286); }),
       kErrIncompleteCodeSet},
      {"dynamic distance code 30 in use",
       dynamicWith(SimpleLitLens(), std::vector<uint8_t>(32, 5),
                   [](TDeflateWriter& d) {
                     d.Lit('a');
                     d.Lit(257);
                     d.Dist(30);
                   }),
       kErrIncompleteCodeSet},
      {"dynamic match reaching before the start",
       dynamicWith(SimpleLitLens(), {1, 1},
                   [](TDeflateWriter& d) {
                     d.Lit('a');
                     d.Lit(257);
                     d.Dist(1);  // distance 2
                   }),
       kErrIncompleteCodeSet},
      {"length code with no distance codes at all",
       dynamicWith(SimpleLitLens(), {0},
                   [](TDeflateWriter& d) {
                     d.Lit('a');
                     d.Lit(257);
                     d.W.Bits(0, 16);
                   }),
       kErrIncompleteCodeSet},
      {"over-subscribed literal/length code", dynamicWith(overfull, {1, 1}, [](TDeflateWriter&) {}),
       kErrIncompleteCodeSet},
      {"incomplete literal/length code", dynamicWith(incomplete, {1, 1}, [](TDeflateWriter&) {}),
       kErrIncompleteCodeSet},
      {"no end-of-block code", dynamicWith(noEnd, {1, 1}, [](TDeflateWriter&) {}), kErrIncompleteCodeSet},
      {"incomplete distance code of two codes", dynamicWith(SimpleLitLens(), {2, 2}, [](TDeflateWriter&) {}),
       kErrIncompleteCodeSet},
      {"over-subscribed code-length code",
       [&](TDeflateWriter& d) { d.DynamicRaw(true, 257, 1, allPre, {}); }, kErrIncompleteCodeSet},
      {"empty code-length code", [&](TDeflateWriter& d) { d.DynamicRaw(true, 257, 1, noPre, {}); },
       kErrIncompleteCodeSet},
      {"unused pattern of a one-code code-length code",
       [&](TDeflateWriter& d) {
         d.DynamicRaw(true, 257, 1, onePre, {});
         d.W.Bits(1, 1);
       },
       kErrIncompleteCodeSet},
      {"repeat of the previous length with none before",
       [&](TDeflateWriter& d) { d.DynamicRaw(true, 257, 1, preRuns, {{16, 0}}); }, kErrIncompleteCodeSet},
      {"zero run past the declared lengths",
       [&](TDeflateWriter& d) { d.DynamicRaw(true, 257, 1, preRuns, {{18, 127}, {18, 127}, {18, 0}}); },
       kErrIncompleteCodeSet},
      {"length repeat past the declared lengths",
       [&](TDeflateWriter& d) { d.DynamicRaw(true, 257, 1, preRuns, {{18, 127}, {18, 107}, {8, 0}, {16, 0}}); },
       kErrIncompleteCodeSet},
      {"no input at all", [](TDeflateWriter&) {}, kErrBadBlock},
      {"non-final block followed by nothing",
       [](TDeflateWriter& d) { d.Stored(false, Text("abc")); }, kErrBadBlock},
  };
  for (const TCase& c : cases) {
    TDeflateWriter d;
    c.Make(d);
    const std::vector<uint8_t> stream = d.Bytes();
    for (bool narrow : {false, true}) {
      // Plenty of zero bytes after the stream keep the error from being one of
      // running out of input.
      std::vector<uint8_t> padded = stream;
      if (c.Error != kErrBadBlock || std::string(c.Name).find("fixed") == 0)
        padded.resize(stream.size() + 64, 0);
      EXPECT_EQ(Decode(padded, narrow).Error, c.Error) << c.Name << (narrow ? " narrow" : "");
    }
  }
}

TEST(Inflate, TruncatedStreamsAreBadBlocks) {
  std::vector<std::vector<uint8_t>> streams;
  {
    TDeflateWriter d;
    d.Stored(false, Text("stored part"));
    d.Header(false, 1);
    for (char c : std::string("fixed part ")) d.FixedLit(uint8_t(c));
    d.FixedLit(260);  // length 6
    d.FixedDist(8);   // distances 17..24
    d.W.Bits(5, 3);   // distance 22
    d.FixedLit(256);
    d.Dynamic(true, SimpleLitLens(), {0, 0, 0, 1});
    d.Lit('!');
    d.Lit(258);
    d.Dist(3);
    d.Lit(256);
    streams.push_back(d.Bytes());
    const TResult whole = Decode(streams.back());
    ASSERT_EQ(whole.Error, 0);
    ASSERT_EQ(std::string(whole.Out.begin(), whole.Out.end()), "stored partfixed part stored!red!");
  }
  const std::string dir = morvtest::TempDir();
  morvtest::WriteFile(dir + "/gen.py",
                      "import sys, zlib\n"
                      "c = zlib.compressobj(9, zlib.DEFLATED, -15)\n"
                      "data = b''.join(b'line %d of some text\\n' % (i * i % 97) for i in range(3000))\n"
                      "open(sys.argv[1], 'wb').write(c.compress(data) + c.flush())\n");
  ASSERT_EQ(morvtest::RunPeer("python3 '" + morvtest::HostPath(dir + "/gen.py") + "' '" +
                              morvtest::HostPath(dir + "/s.raw") + "'"),
            0);
  streams.push_back(morvtest::ReadFile(dir + "/s.raw"));
  ASSERT_GT(streams.back().size(), 100u);
  ASSERT_EQ(Decode(streams.back()).Error, 0);

  for (const std::vector<uint8_t>& s : streams) {
    for (size_t cut = 0; cut < s.size(); ++cut) {
      const std::vector<uint8_t> rest(s.begin() + cut, s.end());
      for (bool narrow : {false, true}) {
        // The packed size ends the input even where more bytes follow.
        const TResult r = Decode(std::vector<uint8_t>(s.begin(), s.begin() + cut), narrow, cut, rest);
        ASSERT_EQ(r.Error, kErrBadBlock) << "cut at " << cut << " of " << s.size();
        ASSERT_LE(r.Read, cut);
      }
    }
  }
}

TEST(Inflate, BytesAfterTheLastBlockAreIgnored) {
  TDeflateWriter d;
  d.Header(true, 1);
  d.FixedLit('x');
  d.FixedLit(256);
  std::vector<uint8_t> stream = d.Bytes();
  stream.insert(stream.end(), 100, 0xFF);
  const TResult r = Decode(stream);
  EXPECT_EQ(r.Error, 0);
  EXPECT_EQ(r.Out, Text("x"));
}
