#include "archive/formats/ace/ace_format.h"

#include <gtest/gtest.h>

#include "tests/archive/formats/readers_util.h"

using namespace rdtest;

namespace {

void FixCrc(std::vector<uint8_t>& d, size_t pos) {
  size_t size = d[pos + 2] | (d[pos + 3] << 8);
  uint32_t crc = ~Crc32Of(&d[pos + 4], size);
  d[pos] = uint8_t(crc);
  d[pos + 1] = uint8_t(crc >> 8);
}

}  // namespace

TEST(AceHeader, FlagsOfFixtures) {
  std::vector<uint8_t> d = Fixture("ace/sharpcompress/Ace.encrypted.ace");
  TMemorySource src(d.data(), d.size());
  AceMainHeader m;
  AceFileHeader f;
  int err = -1;
  ASSERT_TRUE(ReadAceMainHeader(src, 0, m, err));
  EXPECT_EQ(m.VersionCreated, 20);
  EXPECT_FALSE(m.Av.empty());
  int encrypted = 0;
  for (uint64_t pos = m.NextPos; ReadAceFileHeader(src, pos, f, err); pos = f.NextPos) encrypted += f.Encrypted();
  EXPECT_EQ(err, 0);
  EXPECT_EQ(encrypted, 3);

  std::vector<uint8_t> a = Fixture("ace/sharpcompress/Ace.store.split.ace");
  std::vector<uint8_t> b = Fixture("ace/sharpcompress/Ace.store.split.c00");
  TMemorySource as(a.data(), a.size()), bs(b.data(), b.size());
  ASSERT_TRUE(ReadAceMainHeader(as, 0, m, err));
  EXPECT_TRUE(m.MultiVolume());
  AceFileHeader last;
  for (uint64_t pos = m.NextPos; ReadAceFileHeader(as, pos, f, err); pos = f.NextPos) last = f;
  EXPECT_EQ(err, 0);
  EXPECT_TRUE(last.ContinuedInNext());
  EXPECT_EQ(last.FileCrc32(), 0x088814e3u);
  ASSERT_TRUE(ReadAceMainHeader(bs, 0, m, err));
  EXPECT_EQ(m.VolumeNumber, 1);
  ASSERT_TRUE(ReadAceFileHeader(bs, m.NextPos, f, err));
  EXPECT_TRUE(f.ContinuedFromPrev());
  EXPECT_EQ(f.FileName, last.FileName);
}

TEST(AceHeader, DamagedHeaders) {
  std::vector<uint8_t> d = Fixture("ace/sharpcompress/Ace.store.ace");
  TMemorySource src(d.data(), d.size());
  AceMainHeader m;
  AceFileHeader f;
  int err = -1;
  ASSERT_TRUE(ReadAceMainHeader(src, 0, m, err));
  size_t at = size_t(m.NextPos);
  struct Row {
    const char* What;
    size_t Offset;
    uint8_t Value;
    bool FixCrc;
    int Err;
  } rows[] = {
      {"header CRC", 35, 'Z', false, rdHeaderCrc},
      {"name size past the header", 34, 0x7F, true, rdBadFileHeader},
      {"block type", 4, 9, true, rdBadFileHeader},
      {"head size below the head", 2, 1, false, rdBadFileHeader},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.What);
    std::vector<uint8_t> bad = d;
    bad[at + r.Offset] = r.Value;
    if (r.FixCrc) FixCrc(bad, at);
    TMemorySource bs(bad.data(), bad.size());
    EXPECT_FALSE(ReadAceFileHeader(bs, at, f, err));
    EXPECT_EQ(err, r.Err);
  }
  std::vector<uint8_t> bad = d;
  bad[7] = '#';
  TMemorySource bs(bad.data(), bad.size());
  EXPECT_FALSE(ReadAceMainHeader(bs, 0, m, err));
  EXPECT_EQ(err, rdHeaderId);
}
