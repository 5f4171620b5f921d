#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/codecs/explode.h"
#include "archive/codecs/inflate.h"
#include "archive/codecs/unreduce.h"
#include "archive/codecs/unshrink.h"
#include "archive/codecs/zip_decoders.h"
#include "codec_test_util.h"
#include "tests/support/testsupport.h"

using namespace codectest;

namespace {

// Reads a slice of a buffer and keeps only the CRC and count of the output.
class TCrcIO : public TCodecIO {
 public:
  TCrcIO(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  size_t ReadPacked(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FSize - FPos);
    std::memcpy(buf, FData + FPos, n);
    FPos += n;
    return n;
  }
  void WriteUnpacked(const uint8_t* buf, size_t count) override {
    FCrc = ~FCrc;
    for (size_t i = 0; i < count; ++i) {
      FCrc ^= buf[i];
      for (int k = 0; k < 8; ++k) FCrc = FCrc & 1 ? 0xEDB88320u ^ (FCrc >> 1) : FCrc >> 1;
    }
    FCrc = ~FCrc;
    Size += count;
  }
  uint32_t Crc() const { return FCrc; }
  uint64_t Size = 0;

 private:
  const uint8_t* FData;
  size_t FSize, FPos = 0;
  uint32_t FCrc = 0;
};

bool DecodeEntry(TCodecIO& io, const TZipEntry& e) {
  switch (e.Method) {
    case 1:
      Unshrink(io, e.PackedSize);
      return true;
    case 2:
    case 3:
    case 4:
    case 5:
      Unreduce(io, e.PackedSize, e.Size, e.Method - 1);
      return true;
    case 6:
      Explode(io, e.PackedSize, e.Size, e.Flags);
      return true;
    case 8:
      Inflate(io, e.PackedSize);
      return true;
    default:
      return false;
  }
}

// A one-entry Zip archive around a packed stream, for checking with unzip.
std::vector<uint8_t> OneEntryZip(uint16_t method, uint16_t flags, const std::vector<uint8_t>& packed,
                                 const std::vector<uint8_t>& expected) {
  const uint32_t crc = Crc32(expected);
  const std::string name = "e.bin";
  std::vector<uint8_t> z;
  auto u16 = [&](uint16_t v) {
    z.push_back(uint8_t(v));
    z.push_back(uint8_t(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
  };
  auto common = [&] {
    u16(10);
    u16(flags);
    u16(method);
    u32(0x21);  // DOS time and date
    u32(crc);
    u32(uint32_t(packed.size()));
    u32(uint32_t(expected.size()));
    u16(uint16_t(name.size()));
    u16(0);
  };
  u32(0x04034B50);
  common();
  z.insert(z.end(), name.begin(), name.end());
  z.insert(z.end(), packed.begin(), packed.end());
  const uint32_t cd = uint32_t(z.size());
  u32(0x02014B50);
  u16(10);
  common();
  u16(0);
  u16(0);
  u16(0);
  u32(0);
  u32(0);
  z.insert(z.end(), name.begin(), name.end());
  const uint32_t cdSize = uint32_t(z.size()) - cd;
  u32(0x06054B50);
  u32(0);
  u16(1);
  u16(1);
  u32(cdSize);
  u32(cd);
  u16(0);
  return z;
}

// True when unzip accepts the entry with our output's CRC and size.
void ExpectUnzipAgrees(uint16_t method, uint16_t flags, const std::vector<uint8_t>& packed,
                       const std::vector<uint8_t>& ours) {
  if (!morvtest::HavePeer("unzip")) return;
  const std::string path = morvtest::TempDir() + "/peer.zip";
  morvtest::WriteFile(path, OneEntryZip(method, flags, packed, ours));
  std::string out;
  EXPECT_EQ(morvtest::RunPeer("unzip -t '" + morvtest::HostPath(path) + "'", &out), 0) << out;
}

struct TRun {
  int Error = 0;
  std::vector<uint8_t> Out;
};

TRun RunUnshrink(const std::vector<uint8_t>& s) {
  TMemIO io(s);
  TRun r;
  r.Error = ErrorOf([&] { Unshrink(io, s.size()); });
  r.Out = io.Out;
  return r;
}
TRun RunExplode(const std::vector<uint8_t>& s, uint64_t size, uint16_t flags) {
  TMemIO io(s);
  TRun r;
  r.Error = ErrorOf([&] { Explode(io, s.size(), size, flags); });
  r.Out = io.Out;
  return r;
}
TRun RunUnreduce(const std::vector<uint8_t>& s, uint64_t size, int factor) {
  TMemIO io(s);
  TRun r;
  r.Error = ErrorOf([&] { Unreduce(io, s.size(), size, factor); });
  r.Out = io.Out;
  return r;
}

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// LZW codes, each at the width in force; a 256, 1 pair widens the codes after it.
std::vector<uint8_t> ShrinkCodes(const std::vector<unsigned>& codes) {
  TBitWriter w;
  unsigned width = 9;
  for (size_t i = 0; i < codes.size(); ++i) {
    w.Bits(codes[i], width);
    if (codes[i] == 256 && i + 1 < codes.size()) {
      w.Bits(codes[++i], width);
      if (codes[i] == 1) ++width;
    }
  }
  return w.Bytes();
}

// An implode tree in its run-length form.
void ImplodeTree(TBitWriter& w, const std::vector<uint8_t>& lens) {
  std::vector<uint8_t> runs;
  for (size_t i = 0; i < lens.size();) {
    size_t n = 1;
    while (i + n < lens.size() && lens[i + n] == lens[i] && n < 16) ++n;
    runs.push_back(uint8_t((n - 1) << 4 | (lens[i] - 1)));
    i += n;
  }
  w.Byte(uint8_t(runs.size() - 1));
  for (uint8_t b : runs) w.Byte(b);
}

// Trees whose values all have the same length: the application note's
// assignment gives value v the code (count - 1 - v).
struct TFlatImplode {
  TBitWriter W;
  bool LitTree, BigDict;
  TFlatImplode(bool litTree, bool bigDict) : LitTree(litTree), BigDict(bigDict) {
    if (litTree) ImplodeTree(W, std::vector<uint8_t>(256, 8));
    ImplodeTree(W, std::vector<uint8_t>(64, 6));
    ImplodeTree(W, std::vector<uint8_t>(64, 6));
  }
  uint16_t Flags() const { return uint16_t((BigDict ? 2 : 0) | (LitTree ? 4 : 0)); }
  void Literal(uint8_t c) {
    W.Bits(1, 1);
    if (LitTree)
      W.Code(255 - c, 8);
    else
      W.Bits(c, 8);
  }
  void Match(unsigned distance, unsigned len) {
    const unsigned low = BigDict ? 7 : 6, d = distance - 1;
    W.Bits(0, 1);
    W.Bits(d & ((1u << low) - 1), low);
    W.Code(63 - (d >> low), 6);
    const unsigned l = len - (LitTree ? 3 : 2);
    W.Code(63 - std::min(l, 63u), 6);
    if (l >= 63) W.Bits(l - 63, 8);
  }
};

// A reduce stream whose follower sets are empty but for set 0.
struct TReduceWriter {
  TBitWriter W;
  explicit TReduceWriter(const std::vector<uint8_t>& set0 = {}, unsigned count0 = ~0u) {
    for (int set = 255; set > 0; --set) W.Bits(0, 6);
    W.Bits(count0 == ~0u ? unsigned(set0.size()) : count0, 6);
    for (uint8_t b : set0) W.Byte(b);
  }
  void Raw(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) W.Byte(b);
  }
};

}  // namespace

TEST(LegacyZip, FixtureEntriesMatchSizeAndCrc) {
  struct TFixture {
    const char* Path;
    int Entries;
  };
  const TFixture fixtures[] = {
      {"fixtures/zip/sharpcompress/Zip.shrink.zip", 2},
      {"fixtures/zip/sharpcompress/Zip.reduce1.zip", 3},
      {"fixtures/zip/sharpcompress/Zip.reduce2.zip", 3},
      {"fixtures/zip/sharpcompress/Zip.reduce3.zip", 3},
      {"fixtures/zip/sharpcompress/Zip.reduce4.zip", 3},
      {"fixtures/zip/sharpcompress/Zip.implode.zip", 2},
      {"fixtures/zip/oldunzip/example-i.zip", 1},
      {"fixtures/zip/oldunzip/example-r.zip", 1},
      {"fixtures/zip/oldunzip/example-s.zip", 1},
      {"fixtures/zip/sharpcompress/Large.zip", 1},
      {"fixtures/zip/libarchive/test_compat_zip_1.zip", 2},
      {"fixtures/zip/libarchive/test_compat_zip_3.zip", 1},
      {"fixtures/zip/libarchive/test_compat_zip_5.zip", 11},
      {"fixtures/zip/libarchive/test_compat_zip_8.zip", 1},
      {"fixtures/zip/libarchive/test_read_format_zip_7075_utf8_paths.zip", 4},
      {"fixtures/zip/libarchive/test_read_format_zip_high_compression.zip", 1},
      {"fixtures/zip/libarchive/test_read_format_zip_length_at_end.zip", 1},
      {"fixtures/zip/libarchive/test_read_format_zip_ux.zip", 1},
  };
  for (const TFixture& f : fixtures) {
    const std::vector<uint8_t> zip = morvtest::ReadFile(morvtest::SharedPath(f.Path));
    ASSERT_FALSE(zip.empty()) << f.Path;
    int decoded = 0;
    for (const TZipEntry& e : ZipEntries(zip)) {
      if (e.Flags & 1 || e.Size == 0) continue;
      TCrcIO io(zip.data() + e.DataOffset, e.PackedSize);
      bool known = false;
      const int error = ErrorOf([&] { known = DecodeEntry(io, e); });
      if (!known) continue;
      EXPECT_EQ(error, 0) << f.Path << ": " << e.Name;
      EXPECT_EQ(io.Size, e.Size) << f.Path << ": " << e.Name;
      EXPECT_EQ(io.Crc(), e.Crc) << f.Path << ": " << e.Name;
      ++decoded;
    }
    EXPECT_EQ(decoded, f.Entries) << f.Path;
  }
}

// An extractor keeps one decoder of each method for all its entries: each
// entry must decode as with fresh decoders, also after a damaged entry of
// the same method (its stream cut short and its bytes inverted) left the
// decoder's window and tables full of other data.
TEST(LegacyZip, KeptDecodersServeEntryAfterEntry) {
  const char* const paths[] = {
      "fixtures/zip/sharpcompress/Zip.shrink.zip",  "fixtures/zip/sharpcompress/Zip.reduce1.zip",
      "fixtures/zip/sharpcompress/Zip.reduce4.zip", "fixtures/zip/sharpcompress/Zip.implode.zip",
      "fixtures/zip/oldunzip/example-i.zip",        "fixtures/zip/oldunzip/example-r.zip",
      "fixtures/zip/oldunzip/example-s.zip",        "fixtures/zip/libarchive/test_compat_zip_5.zip",
  };
  TZipDecoders decoders;
  int decoded = 0;
  for (int round = 0; round < 2; ++round) {
    for (const char* path : paths) {
      const std::vector<uint8_t> zip = morvtest::ReadFile(morvtest::SharedPath(path));
      ASSERT_FALSE(zip.empty()) << path;
      for (const TZipEntry& e : ZipEntries(zip)) {
        if (e.Flags & 1 || e.Size == 0 || e.Method == 0) continue;
        std::vector<uint8_t> damaged(zip.begin() + e.DataOffset, zip.begin() + e.DataOffset + e.PackedSize / 2);
        for (uint8_t& b : damaged) b = uint8_t(~b);
        TCrcIO junk(damaged.data(), damaged.size());
        ErrorOf([&] { decoders.Decode(junk, e.Method, e.Flags, damaged.size(), e.Size); });

        TCrcIO io(zip.data() + e.DataOffset, e.PackedSize);
        bool known = false;
        EXPECT_EQ(ErrorOf([&] { known = decoders.Decode(io, e.Method, e.Flags, e.PackedSize, e.Size); }), 0)
            << path << ": " << e.Name;
        if (!known) continue;
        EXPECT_EQ(io.Size, e.Size) << path << ": " << e.Name;
        EXPECT_EQ(io.Crc(), e.Crc) << path << ": " << e.Name;
        ++decoded;
      }
    }
  }
  EXPECT_GT(decoded, 20);
}

TEST(Unshrink, CraftedStreams) {
  struct TCase {
    const char* Name;
    std::vector<unsigned> Codes;
    std::string Expected;
    int Error;
  };
  const std::vector<TCase> cases = {
      {"code defined by its own use", {'A', 257, 257}, "AAAAA", 0},
      {"wider codes after 256, 1", {'A', 'B', 256, 1, 257, 258}, "ABABBA", 0},
      {"freed codes defined again after a partial clear",
       {'A', 'B', 257, 258, 256, 2, 'A', 'B', 259, 257},
       "ABABBAABABAB",
       0},
      {"full table takes no more codes",
       {},  // filled in below
       "",
       0},
      {"unknown control code", {'A', 256, 3}, "", kErrBadBlock},
      {"codes wider than 13 bits", {'A', 256, 1, 256, 1, 256, 1, 256, 1, 256, 1}, "", kErrBadBlock},
      {"first code not a literal", {300}, "", kErrBadBlock},
      {"previous code freed, then used for a new code", {'A', 'B', 257, 256, 2, 258}, "", kErrBadBlock},
      {"looping entry after a partial clear", {'A', 'B', 257, 256, 2, 'C', 257}, "ABABC", kErrStackOverflow},
  };
  for (const TCase& c : cases) {
    std::vector<unsigned> codes = c.Codes;
    std::string expected = c.Expected;
    if (codes.empty()) {
      // Widen to 13 bits, then define all 7935 free codes; the next code
      // finds no free entry and adds nothing, so code 8191 keeps its string.
      codes = {'a', 256, 1, 256, 1, 256, 1, 256, 1};
      expected = "a";
      for (unsigned i = 0; i < 8192 - 257; ++i) {
        codes.push_back('b');
        expected += 'b';
      }
      codes.push_back('c');
      codes.push_back(8191);
      expected += "cbb";
    }
    const TRun r = RunUnshrink(ShrinkCodes(codes));
    EXPECT_EQ(r.Error, c.Error) << c.Name;
    EXPECT_EQ(std::string(r.Out.begin(), r.Out.end()), expected) << c.Name;
    if (c.Error == 0 && c.Codes.size() > 0 && c.Codes.size() < 20)
      ExpectUnzipAgrees(1, 0, ShrinkCodes(codes), r.Out);
  }
}

TEST(Explode, CraftedStreams) {
  std::vector<uint8_t> longMatch = Bytes("ab");
  for (int i = 0; i < 76; ++i) longMatch.push_back(longMatch[longMatch.size() - 2]);
  longMatch.insert(longMatch.end(), 5, 0);
  std::vector<uint8_t> farMatch;
  for (int i = 0; i < 200; ++i) farMatch.push_back(uint8_t('0' + i % 10));
  farMatch.insert(farMatch.end(), 3, 0);
  for (int i = 0; i < 10; ++i) farMatch.push_back(farMatch[farMatch.size() - 150]);

  struct TCase {
    const char* Name;
    bool LitTree, BigDict;
    std::function<void(TFlatImplode&)> Body;
    std::vector<uint8_t> Expected;
  };
  const std::vector<TCase> cases = {
      {"two trees, 4 KiB: shortest match is 2", false, false,
       [](TFlatImplode& s) {
         s.Literal('x');
         s.Literal('y');
         s.Match(2, 2);
         s.Match(1, 3);
       },
       Bytes("xyxyyyy")},
      {"match reaching before the start gives zeros", false, false,
       [](TFlatImplode& s) {
         s.Literal('A');
         s.Match(5, 4);
       },
       {'A', 0, 0, 0, 0}},
      {"three trees, 8 KiB: long match with an extra length byte", true, true,
       [](TFlatImplode& s) {
         s.Literal('a');
         s.Literal('b');
         s.Match(2, 3 + 63 + 10);
         s.Match(4000, 5);
       },
       longMatch},
      {"three trees, 4 KiB: farthest distance", true, false,
       [](TFlatImplode& s) {
         for (int i = 0; i < 200; ++i) s.Literal(uint8_t('0' + i % 10));
         s.Match(4096, 3);
         s.Match(150, 10);
       },
       farMatch},
  };
  for (const TCase& c : cases) {
    TFlatImplode s(c.LitTree, c.BigDict);
    c.Body(s);
    const std::vector<uint8_t> packed = s.W.Bytes();
    const TRun r = RunExplode(packed, c.Expected.size(), s.Flags());
    EXPECT_EQ(r.Error, 0) << c.Name;
    EXPECT_TRUE(r.Out == c.Expected) << c.Name;
    ExpectUnzipAgrees(6, s.Flags(), packed, r.Out);

    // The size given ends the output even inside a match.
    const TRun shorter = RunExplode(packed, c.Expected.size() - 1, s.Flags());
    EXPECT_EQ(shorter.Error, 0) << c.Name;
    EXPECT_TRUE(shorter.Out == std::vector<uint8_t>(c.Expected.begin(), c.Expected.end() - 1)) << c.Name;
  }
}

TEST(Explode, BadTrees) {
  struct TCase {
    const char* Name;
    std::function<void(TBitWriter&)> Make;
    int Error;
  };
  auto flat = [](TBitWriter& w) { ImplodeTree(w, std::vector<uint8_t>(64, 6)); };
  const std::vector<TCase> cases = {
      {"runs giving more values than the tree has",
       [](TBitWriter& w) {
         w.Byte(4);
         for (int i = 0; i < 5; ++i) w.Byte(0xF5);
       },
       kErrBadBlock},
      {"runs giving fewer values than the tree has",
       [](TBitWriter& w) {
         w.Byte(2);
         for (int i = 0; i < 3; ++i) w.Byte(0xF5);
       },
       kErrBadBlock},
      {"tree cut short", [](TBitWriter& w) { w.Byte(3); w.Byte(0xF5); }, kErrBadBlock},
      {"no tree at all", [](TBitWriter&) {}, kErrBadBlock},
      {"codes too short for their number",
       [](TBitWriter& w) { ImplodeTree(w, std::vector<uint8_t>(64, 1)); }, kErrAmbiguousTree},
      {"shorter code landing inside a longer one",
       [](TBitWriter& w) {
         // Sixty-two codes of 7 bits fill 62/128; the two of 1 bit then
         // start at an odd place.
         std::vector<uint8_t> lens(64, 7);
         lens[0] = lens[1] = 1;
         ImplodeTree(w, lens);
       },
       kErrAmbiguousTree},
      {"bit pattern that no code of an incomplete tree uses",
       [&](TBitWriter& w) {
         flat(w);                                      // lengths
         ImplodeTree(w, std::vector<uint8_t>(64, 7));  // distances: half the 7-bit codes
         w.Bits(0, 1);
         w.Bits(0, 6);
         w.Code(0x7F, 7);  // the upper half of the 7-bit space is unused
         w.Bits(0, 16);
       },
       kErrBadBlock},
  };
  for (const TCase& c : cases) {
    TBitWriter w;
    c.Make(w);
    EXPECT_EQ(RunExplode(w.Bytes(), 100, 0).Error, c.Error) << c.Name;
  }
}

TEST(Explode, InputEndingInsideTheDataEndsTheEntry) {
  TFlatImplode s(false, false);
  for (char c : std::string("abcdef")) s.Literal(uint8_t(c));
  std::vector<uint8_t> packed = s.W.Bytes();
  packed.pop_back();
  const TRun r = RunExplode(packed, 6, s.Flags());
  EXPECT_EQ(r.Error, 0);
  EXPECT_EQ(std::string(r.Out.begin(), r.Out.end()), "abcde");
}

TEST(Unreduce, CraftedStreams) {
  struct TCase {
    const char* Name;
    int Factor;
    std::vector<uint8_t> Set0;
    std::function<void(TReduceWriter&)> Body;
    std::vector<uint8_t> Expected;
    int Error;
  };
  std::vector<uint8_t> longExpected = Bytes("xy");
  for (int i = 0; i < 127 + 5 + 3; ++i) longExpected.push_back(longExpected[longExpected.size() - 2]);
  const std::vector<TCase> cases = {
      {"escape then 0 is the byte 144", 4, {}, [](TReduceWriter& r) { r.Raw({'a', 144, 0, 'b'}); },
       {'a', 144, 'b'}, 0},
      {"back-reference", 4, {}, [](TReduceWriter& r) { r.Raw({'a', 'b', 'c', 144, 0x02, 2}); },
       Bytes("abcabcab"), 0},
      {"back-reference before the start gives zeros", 4, {},
       [](TReduceWriter& r) { r.Raw({'a', 144, 0x01, 9}); }, {'a', 0, 0, 0, 0}, 0},
      {"length field of all ones takes another byte", 1, {},
       [](TReduceWriter& r) { r.Raw({'x', 'y', 144, 0x7F, 5, 1}); }, longExpected, 0},
      {"distance high bits per factor", 2, {},
       [](TReduceWriter& r) {
         std::vector<uint8_t> lead(300, 'q');
         lead[0] = 'Z';
         r.Raw(lead);
         // factor 2: 6 length bits, 2 distance bits; distance 0x100 + 43 + 1
         r.Raw({144, 0x40 | 1, 43});
       },
       {}, 0},
      {"follower set coding", 1, {'x', 'y'},
       [](TReduceWriter& r) {
         r.W.Bits(0, 1);  // follower of the first byte (set 0), index 1
         r.W.Bits(1, 1);
         r.W.Byte('z');   // set of 'y' is empty: plain byte
       },
       Bytes("yz"), 0},
      {"explicit byte where a follower set exists", 1, {'x', 'y', 'w'},
       [](TReduceWriter& r) {
         r.W.Bits(1, 1);
         r.W.Byte('k');
       },
       Bytes("k"), 0},
      {"follower index beyond its set", 1, {'x', 'y', 'w'},
       [](TReduceWriter& r) {
         r.W.Bits(0, 1);
         r.W.Bits(3, 2);
         r.W.Bits(0, 16);
       },
       {}, kErrBadBlock},
  };
  for (const TCase& c : cases) {
    TReduceWriter w(c.Set0);
    c.Body(w);
    std::vector<uint8_t> expected = c.Expected;
    if (expected.empty() && c.Error == 0) {
      expected.assign(300, 'q');
      expected[0] = 'Z';
      for (int i = 0; i < 4; ++i) expected.push_back(expected[expected.size() - 300]);
    }
    const TRun r = RunUnreduce(w.W.Bytes(), c.Error ? 10 : expected.size(), c.Factor);
    EXPECT_EQ(r.Error, c.Error) << c.Name;
    if (c.Error == 0) {
      EXPECT_TRUE(r.Out == expected) << c.Name;
    }
  }
}

TEST(Unreduce, BoundsAndLimits) {
  TReduceWriter tooMany({}, 33);
  EXPECT_EQ(RunUnreduce(tooMany.W.Bytes(), 10, 1).Error, kErrBadBlock);

  TReduceWriter w;
  w.Raw({'a', 'b', 144, 0x0F, 200, 1});  // factor 4: length 15 + 200 + 3
  const TRun r = RunUnreduce(w.W.Bytes(), 50, 4);
  EXPECT_EQ(r.Error, 0);
  EXPECT_EQ(r.Out.size(), 50u);

  EXPECT_EQ(RunUnreduce(w.W.Bytes(), 10, 0).Error, kErrUnsupportedMethod);
  EXPECT_EQ(RunUnreduce(w.W.Bytes(), 10, 5).Error, kErrUnsupportedMethod);

  // Input ending inside the follower sets yields nothing and no error.
  std::vector<uint8_t> cut = w.W.Bytes();
  cut.resize(100);
  const TRun partial = RunUnreduce(cut, 10, 4);
  EXPECT_EQ(partial.Error, 0);
  EXPECT_TRUE(partial.Out.empty());
}
