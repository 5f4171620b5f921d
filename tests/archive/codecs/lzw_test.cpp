#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "archive/codecs/lzw.h"
#include "codec_test_util.h"
#include "tests/support/testsupport.h"

using namespace codectest;

namespace {

struct TResult {
  int Error = 0;
  std::vector<uint8_t> Out;
  std::vector<size_t> Writes;
};

TResult Decode(const std::vector<uint8_t>& z) {
  TMemIO io(z);
  TResult r;
  r.Error = ErrorOf([&] { LzwDecompress(io, z.size()); });
  r.Out = io.Out;
  r.Writes = io.Writes;
  return r;
}

// Text with stretches of noise: the noise makes compress's ratio fall, so
// it clears its table now and then.
std::vector<uint8_t> MixedData(size_t size, uint32_t seed) {
  std::vector<uint8_t> data;
  uint32_t round = 0;
  while (data.size() < size) {
    const std::vector<uint8_t> text = morvtest::TextData(120000, seed + round);
    const std::vector<uint8_t> noise = morvtest::RandomData(30000, seed + 1000 + round);
    data.insert(data.end(), text.begin(), text.end());
    data.insert(data.end(), noise.begin(), noise.end());
    ++round;
  }
  data.resize(size);
  return data;
}

// Writes codes as compress does: least significant bit first, in groups of
// eight codes that a width change or a clear pads out.
class TCodeWriter {
 public:
  void Put(unsigned code, unsigned width) {
    FBits.Bits(code, width);
    FGroupBits += width;
  }
  void Align(unsigned width) {
    while (FGroupBits % (width * 8)) {
      FBits.Bits(0, 1);
      ++FGroupBits;
    }
    FGroupBits = 0;
  }
  std::vector<uint8_t> File(uint8_t flags) const {
    std::vector<uint8_t> out = {0x1F, 0x9D, flags};
    const std::vector<uint8_t> body = FBits.Bytes();
    out.insert(out.end(), body.begin(), body.end());
    return out;
  }

 private:
  TBitWriter FBits;
  uint64_t FGroupBits = 0;
};

// A plain LZW encoder in the compress layout; with clearAfter a clear code
// follows every clearAfter codes (block mode only).
std::vector<uint8_t> Encode(const std::vector<uint8_t>& data, unsigned maxBits, bool blockMode,
                            size_t clearAfter = 0) {
  const unsigned tableEnd = 1u << maxBits;
  const unsigned firstFree = blockMode ? 257 : 256;
  TCodeWriter w;
  std::map<std::pair<unsigned, uint8_t>, unsigned> dict;
  unsigned encFree = firstFree, decFree = firstFree, width = 9;
  size_t emitted = 0, sinceClear = 0;
  bool firstOfRun = true;
  auto grow = [&] {
    if (decFree > (1u << width) - 1 && width < maxBits) {
      w.Align(width);
      ++width;
    }
  };
  auto emit = [&](unsigned code) {
    grow();
    w.Put(code, width);
    if (!firstOfRun && decFree < tableEnd) ++decFree;
    firstOfRun = false;
    ++emitted;
    ++sinceClear;
  };
  size_t i = 0;
  while (i < data.size()) {
    unsigned cur = data[i++];
    while (i < data.size()) {
      auto it = dict.find({cur, data[i]});
      if (it == dict.end()) break;
      cur = it->second;
      ++i;
    }
    emit(cur);
    if (i < data.size() && encFree < tableEnd) dict[{cur, data[i]}] = encFree++;
    if (blockMode && clearAfter && sinceClear >= clearAfter && i < data.size()) {
      grow();
      w.Put(256, width);
      w.Align(width);
      width = 9;
      dict.clear();
      encFree = 257;
      // The decoder's slot for the code after the clear is the clear code's.
      decFree = 256;
      sinceClear = 0;
      firstOfRun = false;
    }
  }
  return w.File(uint8_t(maxBits | (blockMode ? 0x80 : 0)));
}

}  // namespace

// compress at widths 12 and 16 on data long enough for clear codes; the
// output comes in 16 KB pieces.
TEST(Lzw, DecodesCompressOutputByteExact) {
  if (!morvtest::HavePeer("compress")) GTEST_SKIP() << "compress missing";
  const std::string dir = morvtest::TempDir();
  const std::vector<uint8_t> data = MixedData(3000000, 7);
  morvtest::WriteFile(dir + "/in.bin", data);
  const std::string in = morvtest::HostPath(dir + "/in.bin"), z = morvtest::HostPath(dir + "/in.Z");
  for (const char* bits : {"-b12", "-b16"}) {
    SCOPED_TRACE(bits);
    ASSERT_EQ(morvtest::RunPeer(std::string("compress -f ") + bits + " -c '" + in + "' > '" + z + "'"), 0);
    const TResult r = Decode(morvtest::ReadFile(dir + "/in.Z"));
    ASSERT_EQ(r.Error, 0);
    ASSERT_EQ(r.Out.size(), data.size());
    EXPECT_TRUE(r.Out == data);
    for (size_t k = 0; k + 1 < r.Writes.size(); ++k) ASSERT_EQ(r.Writes[k], 16384u) << k;
    EXPECT_GT(r.Writes.back(), 0u);
  }
}

// ncompress 4.2.4 writes code 512 into 9 bits once its 9-bit table is full
// (and its own decoder rejects every -b9 file), so its -b9 output cannot be
// checked against the input; it must decode exactly as 7-Zip decodes it.
TEST(Lzw, DecodesCompressNineBitsAsSevenZip) {
  if (!morvtest::HavePeer("compress") || !morvtest::HavePeer("7zz")) GTEST_SKIP() << "compress or 7zz missing";
  const std::string dir = morvtest::TempDir();
  morvtest::WriteFile(dir + "/in.bin", MixedData(2000000, 8));
  const std::string host = morvtest::HostPath(dir);
  ASSERT_EQ(morvtest::RunPeer("cd '" + host + "' && compress -f -b9 -c in.bin > in9.Z && 7zz e -so in9.Z > ref 2>/dev/null"),
            0);
  const std::vector<uint8_t> ref = morvtest::ReadFile(dir + "/ref");
  ASSERT_GT(ref.size(), 1000000u);
  const TResult r = Decode(morvtest::ReadFile(dir + "/in9.Z"));
  EXPECT_EQ(r.Error, 0);
  ASSERT_EQ(r.Out.size(), ref.size());
  EXPECT_TRUE(r.Out == ref);
}

TEST(Lzw, DecodesSharedFixturesAsGzipDoes) {
  if (!morvtest::HavePeer("gzip")) GTEST_SKIP() << "gzip missing";
  const std::string dir = morvtest::TempDir();
  for (const char* name : {"libarchive/test_archive_string_conversion.txt.Z", "libarchive/test_compat_mac-1.tar.Z",
                           "libarchive/test_compat_mac-2.tar.Z", "libarchive/test_read_format_raw.data.Z",
                           "libarchive/test_read_format_tar_empty_pax.tar.Z", "sharpcompress/Tar.tar.Z",
                           "sharpcompress/large_test.txt.Z"}) {
    SCOPED_TRACE(name);
    const std::string path = morvtest::SharedPath(std::string("fixtures/z/") + name);
    ASSERT_EQ(morvtest::RunPeer("gzip -dc < '" + morvtest::HostPath(path) + "' > '" +
                                morvtest::HostPath(dir + "/ref") + "'"),
              0);
    const std::vector<uint8_t> ref = morvtest::ReadFile(dir + "/ref");
    const TResult r = Decode(morvtest::ReadFile(path));
    EXPECT_EQ(r.Error, 0);
    EXPECT_EQ(r.Out.size(), ref.size());
    EXPECT_TRUE(r.Out == ref);
  }
}

// Block mode with clear codes, plain mode (256 is a string there), and a
// maximum width of 9 that never grows although the table fills.
TEST(Lzw, DecodesHandMadeStreams) {
  const std::vector<uint8_t> text = morvtest::TextData(200000, 3);
  const std::vector<uint8_t> noise = morvtest::RandomData(5000, 4);
  const struct {
    const char* Name;
    const std::vector<uint8_t>& Data;
    unsigned MaxBits;
    bool Block;
    size_t ClearAfter;
  } cases[] = {
      {"block16", text, 16, true, 0},       {"block12 clears", text, 12, true, 3000},
      {"block9 clears", text, 9, true, 700}, {"plain9", text, 9, false, 0},
      {"plain16", text, 16, false, 0},      {"block9 full table", text, 9, true, 0},
      {"noise10", noise, 10, true, 0},      {"kwkwk", std::vector<uint8_t>(5000, 'a'), 16, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TResult r = Decode(Encode(c.Data, c.MaxBits, c.Block, c.ClearAfter));
    ASSERT_EQ(r.Error, 0);
    EXPECT_TRUE(r.Out == c.Data);
  }
}

// 7-Zip reads the width-9 stream the same way: the width stays at 9 once
// the table is full.
TEST(Lzw, WidthNineStreamAgreesWithSevenZip) {
  if (!morvtest::HavePeer("7zz")) GTEST_SKIP() << "7zz missing";
  const std::string dir = morvtest::TempDir();
  const std::vector<uint8_t> data = morvtest::TextData(100000, 9);
  morvtest::WriteFile(dir + "/w9.Z", Encode(data, 9, true));
  ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) + "' && 7zz e -y w9.Z >/dev/null"), 0);
  EXPECT_TRUE(morvtest::ReadFile(dir + "/w9") == data);
}

TEST(Lzw, HeaderOnlyGivesNoOutput) {
  const TResult r = Decode({0x1F, 0x9D, 0x90});
  EXPECT_EQ(r.Error, 0);
  EXPECT_TRUE(r.Out.empty());
  EXPECT_TRUE(r.Writes.empty());
}

TEST(Lzw, RejectsBadHeadersAndCodes) {
  TCodeWriter firstNonLiteral;
  firstNonLiteral.Put(257, 9);
  TCodeWriter aboveFree;  // next free is 257: 258 names nothing yet
  aboveFree.Put('a', 9);
  aboveFree.Put(258, 9);
  TCodeWriter afterClear;  // after a clear the next free is 256 again
  afterClear.Put('a', 9);
  afterClear.Put('b', 9);
  afterClear.Put('c', 9);
  afterClear.Put(256, 9);
  afterClear.Align(9);
  afterClear.Put(258, 9);
  const struct {
    const char* Name;
    std::vector<uint8_t> File;
    int Error;
  } cases[] = {
      {"empty", {}, kErrCorruptInput},
      {"signature only", {0x1F, 0x9D}, kErrCorruptInput},
      {"gzip signature", {0x1F, 0x8B, 0x08, 0, 0, 0}, kErrHeaderId},
      {"reserved 0x20", {0x1F, 0x9D, 0xB0, 'a', 0}, kErrIncompleteCodeSet},
      {"reserved 0x40", {0x1F, 0x9D, 0xD0, 'a', 0}, kErrIncompleteCodeSet},
      {"width 17", {0x1F, 0x9D, 0x91, 'a', 0}, kErrIncompleteCodeSet},
      {"first code 257", firstNonLiteral.File(0x90), kErrCorruptInput},
      {"first code 256", {0x1F, 0x9D, 0x90, 0x00, 0x01}, kErrCorruptInput},
      {"code above next free", aboveFree.File(0x90), kErrCorruptInput},
      {"stale code after clear", afterClear.File(0x90), kErrCorruptInput},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Decode(c.File).Error, c.Error);
  }
}

// Without a CRC a cut stream cannot be told from a whole one: like compress
// and gzip, the decoder gives what the whole codes hold, and never more.
TEST(Lzw, TruncatedStreamGivesAPrefix) {
  const std::vector<uint8_t> data = morvtest::TextData(60000, 5);
  const std::vector<uint8_t> z = Encode(data, 16, true, 5000);
  for (size_t cut = 3; cut < z.size(); cut += 997) {
    const TResult r = Decode(std::vector<uint8_t>(z.begin(), z.begin() + cut));
    ASSERT_EQ(r.Error, 0) << cut;
    ASSERT_LE(r.Out.size(), data.size());
    ASSERT_TRUE(std::equal(r.Out.begin(), r.Out.end(), data.begin())) << cut;
  }
}

// One decoder for a run of .Z files and ARC-style bare codes: a bad file in
// between (a code beyond the next free one) leaves nothing behind.
TEST(Lzw, KeptDecoderServesFileAfterFile) {
  const std::vector<uint8_t> a = MixedData(200000, 31), b = MixedData(5000, 32);
  TLzwDecoder decoder;
  auto run = [&](const std::vector<uint8_t>& z, unsigned bareBits = 0) {
    TMemIO io(z);
    TResult r;
    r.Error = ErrorOf([&] {
      if (bareBits)
        decoder.Decode(io, z.size(), bareBits);
      else
        decoder.Decompress(io, z.size());
    });
    r.Out = io.Out;
    return r;
  };
  TCodeWriter bad;
  bad.Put('x', 9);
  bad.Put(400, 9);
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(run(Encode(a, 16, true, 3000)).Out == a);
    EXPECT_EQ(run(bad.File(0x90)).Error, kErrCorruptInput);
    EXPECT_TRUE(run(Encode(b, 12, false)).Out == b);
    const std::vector<uint8_t> z = Encode(b, 13, true);
    const TResult bare = run(std::vector<uint8_t>(z.begin() + 3, z.end()), 13);
    EXPECT_EQ(bare.Error, 0);
    EXPECT_TRUE(bare.Out == b);
  }
}
