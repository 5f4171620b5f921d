#include "archive/formats/arj/arj_format.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

// A header frame around a basic header, CRC set.
std::vector<uint8_t> Frame(std::vector<uint8_t> basic, bool goodCrc = true) {
  std::vector<uint8_t> f;
  Put16(f, ArjHeaderId);
  Put16(f, uint16_t(basic.size()));
  f.insert(f.end(), basic.begin(), basic.end());
  Put32(f, Crc32Of(basic.data(), basic.size()) ^ (goodCrc ? 0 : 1));
  Put16(f, 0);
  return f;
}

std::vector<uint8_t> Basic(uint8_t type, uint32_t packed, const std::string& name) {
  std::vector<uint8_t> b = {30, 11, 1, 2, 0, 0, type, 0};
  Put32(b, 0x5A8B1234);
  Put32(b, packed);
  Put32(b, packed);
  Put32(b, 0xCAFEBABE);
  Put16(b, 0);
  Put16(b, 0x20);
  Put16(b, 0);
  PutStr(b, name);
  b.push_back(0);
  b.push_back(0);
  return b;
}

}  // namespace

TEST(ArjHeader, PeerArchive) {
  if (!morvtest::HavePeer("arj")) GTEST_SKIP() << "arj missing";
  std::string dir = morvtest::TempDir();
  std::vector<uint8_t> a = morvtest::TextData(40000, 5), b = morvtest::RandomData(999, 6);
  std::filesystem::create_directories(dir + "/sub/deep");
  morvtest::WriteFile(dir + "/alpha.txt", a);
  morvtest::WriteFile(dir + "/sub/deep/beta.bin", b);
  std::string out;
  ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) + "' && arj a -y t.arj alpha.txt sub/deep/beta.bin", &out), 0)
      << out;
  std::vector<uint8_t> d = morvtest::ReadFile(dir + "/t.arj");
  TMemorySource src(d.data(), d.size());
  uint64_t start = 99;
  int err = -1;
  ASSERT_TRUE(FindArjMainHeader(src, 0, 25000, start, err));
  EXPECT_EQ(start, 0u);
  ArjHeader m, h;
  ASSERT_TRUE(ReadArjMainHeader(src, start, m, err));
  EXPECT_EQ(m.FileType, ArjTypeComment);
  EXPECT_EQ(m.FileName, "t.arj");
  std::vector<ArjHeader> hs;
  for (uint64_t pos = m.NextPos; ReadArjHeader(src, pos, h, err); pos = h.NextPos) hs.push_back(h);
  EXPECT_EQ(err, 0);
  ASSERT_EQ(hs.size(), 2u);
  EXPECT_EQ(hs[0].FileName, "alpha.txt");
  EXPECT_EQ(hs[0].UnpackedSize, a.size());
  EXPECT_EQ(hs[0].FileCrc, Crc32Of(a.data(), a.size()));
  EXPECT_LT(hs[0].PackedSize, a.size());
  EXPECT_EQ(hs[1].FileName, "sub/deep/beta.bin");
  EXPECT_EQ(hs[1].FileCrc, Crc32Of(b.data(), b.size()));
  EXPECT_EQ(hs[1].NextPos + 4, d.size());
  ExpectRobust(TFormat::Arj, d);
}

TEST(ArjHeader, MainHeaderFoundBehindJunk) {
  std::vector<uint8_t> d = morvtest::RandomData(3000, 9);
  // A false start: the id and a plausible size, but no matching CRC.
  d[100] = 0x60;
  d[101] = 0xEA;
  d[102] = 40;
  d[103] = 0;
  size_t start = d.size();
  std::vector<uint8_t> m = Frame(Basic(ArjTypeComment, 0, "x.arj"));
  d.insert(d.end(), m.begin(), m.end());
  Put16(d, ArjHeaderId);
  Put16(d, 0);
  TMemorySource src(d.data(), d.size());
  uint64_t found = 0;
  int err = -1;
  ASSERT_TRUE(FindArjMainHeader(src, 0, 25000, found, err));
  EXPECT_EQ(found, start);
  EXPECT_FALSE(FindArjMainHeader(src, 0, 1000, found, err));
  EXPECT_EQ(err, rdNoArchive);
}

TEST(ArjHeader, DamagedFrames) {
  std::vector<uint8_t> ok = Frame(Basic(ArjTypeBinary, 4, "f.txt"));
  ok.insert(ok.end(), 4, 'd');
  struct Row {
    const char* What;
    std::vector<uint8_t> Data;
    int Err;
  };
  std::vector<Row> rows;
  {
    std::vector<uint8_t> d = ok;
    d[0] = 0x61;
    rows.push_back({"header id", d, rdBadFileHeader});
  }
  {
    std::vector<uint8_t> d = Frame(std::vector<uint8_t>(2601, 0));
    rows.push_back({"basic size above 2600", d, rdBadFileHeader});
  }
  rows.push_back({"basic header CRC", Frame(Basic(ArjTypeBinary, 0, "f"), false), rdHeaderCrc});
  {
    std::vector<uint8_t> b = Basic(ArjTypeBinary, 0, "f");
    b[0] = 200;
    rows.push_back({"first size past the basic header", Frame(b), rdBadFileHeader});
  }
  {
    std::vector<uint8_t> b = Basic(ArjTypeBinary, 0, "f");
    b[0] = 12;
    rows.push_back({"first size short of the fixed fields", Frame(b), rdBadFileHeader});
  }
  {
    std::vector<uint8_t> d = Frame(Basic(ArjTypeBinary, 0, "f"));
    d[d.size() - 2] = 0xFF;  // an extended header longer than the file
    rows.push_back({"extended header past the file", d, rdReadError});
  }
  {
    std::vector<uint8_t> d = ok;
    d.resize(20);
    rows.push_back({"cut basic header", d, rdReadError});
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.What);
    TMemorySource src(r.Data.data(), r.Data.size());
    ArjHeader h;
    int err = -1;
    EXPECT_FALSE(ReadArjHeader(src, 0, h, err));
    EXPECT_EQ(err, r.Err);
  }
  TMemorySource src(ok.data(), ok.size());
  ArjHeader h;
  int err = -1;
  ASSERT_TRUE(ReadArjHeader(src, 0, h, err));
  EXPECT_EQ(h.FileName, "f.txt");
  EXPECT_EQ(h.DosTime, 0x5A8B1234u);
  EXPECT_EQ(h.FileCrc, 0xCAFEBABEu);
  // An archive that stops without its end header is cut.
  EXPECT_FALSE(ReadArjHeader(src, h.NextPos, h, err));
  EXPECT_EQ(err, rdReadError);
}

TEST(ArjHeader, SplitFixtureFlagsAndFolders) {
  std::vector<uint8_t> d = Fixture("arj/sharpcompress/Arj.store.split.a04");
  TMemorySource src(d.data(), d.size());
  ArjHeader m, h;
  int err = -1;
  ASSERT_TRUE(ReadArjMainHeader(src, 0, m, err));
  EXPECT_TRUE(m.Flags & ArjFlagVolume);
  std::vector<ArjHeader> hs;
  for (uint64_t pos = m.NextPos; ReadArjHeader(src, pos, h, err); pos = h.NextPos) hs.push_back(h);
  ASSERT_EQ(hs.size(), 4u);
  EXPECT_TRUE(hs[0].Flags & ArjFlagExtFile);
  EXPECT_TRUE(hs[1].IsDirectory());
  EXPECT_TRUE(hs[3].Flags & ArjFlagVolume);

  std::vector<uint8_t> e = Fixture("arj/sharpcompress/Arj.encrypted.arj");
  TMemorySource es(e.data(), e.size());
  ASSERT_TRUE(ReadArjMainHeader(es, 0, m, err));
  ASSERT_TRUE(ReadArjHeader(es, m.NextPos, h, err));
  EXPECT_TRUE(h.Flags & ArjFlagGarbled);
}
