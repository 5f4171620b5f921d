#include "archive/core/crc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/core/streams.h"
#include "tests/support/testsupport.h"

namespace {

uint32_t BitwiseCrc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; i++) {
    c ^= p[i];
    for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

uint16_t BitwiseCrc16(const uint8_t* p, size_t n) {
  uint16_t c = 0;
  for (size_t i = 0; i < n; i++) {
    c ^= p[i];
    for (int k = 0; k < 8; k++) c = (c & 1) ? uint16_t(0xA001 ^ (c >> 1)) : uint16_t(c >> 1);
  }
  return c;
}

uint32_t Crc32Of(const void* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  Crc32Block(p, n, c);
  return ~c;
}

TEST(Crc, CheckValues) {
  const char* s = "123456789";
  EXPECT_EQ(Crc32Of(s, 9), 0xCBF43926u);
  uint16_t c16 = 0;
  Crc16Block(s, 9, c16);
  EXPECT_EQ(c16, 0xBB3D);
  uint32_t c = 0xFFFFFFFFu;
  for (int i = 0; i < 9; i++) c = Crc32Byte(uint8_t(s[i]), c);
  EXPECT_EQ(~c, 0xCBF43926u);
  EXPECT_EQ(Crc32Of(s, 0), 0u);
}

// The wide paths (table slices, carry-less multiply) must agree with the
// bit-by-bit definition for every length around their block sizes, every
// alignment, and when a buffer is fed in pieces.
TEST(Crc, BlockPathsAgreeWithDefinition) {
  std::vector<uint8_t> data = morvtest::RandomData(4096 + 64, 7);
  for (size_t off = 0; off < 17; off++) {
    for (size_t len : {0, 1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 127, 128, 129, 255, 256, 1000, 4096}) {
      ASSERT_EQ(Crc32Of(data.data() + off, len), BitwiseCrc32(data.data() + off, len)) << off << "+" << len;
      uint16_t c16 = 0;
      Crc16Block(data.data() + off, len, c16);
      ASSERT_EQ(c16, BitwiseCrc16(data.data() + off, len)) << off << "+" << len;
    }
  }
  uint32_t c = 0xFFFFFFFFu;
  size_t pos = 0;
  for (size_t piece : {3, 64, 1, 200, 17, 1024, 999}) {
    Crc32Block(data.data() + pos, piece, c);
    pos += piece;
  }
  EXPECT_EQ(~c, BitwiseCrc32(data.data(), pos));
  uint16_t c16 = 0;
  Crc16Block(data.data(), 5, c16);
  Crc16Block(data.data() + 5, 90, c16);
  EXPECT_EQ(c16, BitwiseCrc16(data.data(), 95));
}

TEST(Crc, TenMegabytesMatchPeer) {
  if (!morvtest::HavePeer("python3")) GTEST_SKIP() << "python3 missing";
  std::string dir = morvtest::TempDir();
  std::string file = dir + "/big.bin";
  std::vector<uint8_t> data = morvtest::RandomData(10 * 1024 * 1024 + 13, 42);
  morvtest::WriteFile(file, data);
  std::string out;
  ASSERT_EQ(morvtest::RunPeer("python3 -c 'import zlib,sys; print(\"%08x\" % zlib.crc32(open(sys.argv[1],\"rb\").read()))' " +
                                  morvtest::HostPath(file),
                              &out),
            0)
      << out;
  char ours[16];
  snprintf(ours, sizeof ours, "%08x", Crc32Of(data.data(), data.size()));
  EXPECT_EQ(out.substr(0, 8), ours);

  TFileStream fs(file, fmOpenRead | fmShareDenyNone);
  fs.SetPosition(12345);
  uint32_t reg = StreamCrc32(fs);
  EXPECT_EQ(~reg, Crc32Of(data.data(), data.size()));
  EXPECT_EQ(fs.Position(), 0);
}

}  // namespace
