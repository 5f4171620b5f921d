#include "archive/formats/tar/tar_format.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

// A tree with names that need each of the long-name forms, made with tar.
std::vector<uint8_t> MakeTar(const std::string& dir, const std::string& format, const std::string& deep,
                             const std::string& file) {
  std::string h = morvtest::HostPath(dir);
  std::string cmd = "cd '" + h + "' && mkdir -p src/" + deep + " && printf 'contents of a deep file' > src/" + deep +
                    "/" + file + " && touch -d @1500000000 src/" + deep + "/" + file +
                    " && cd src && tar --format=" + format + " -cf ../out.tar top";
  std::string out;
  EXPECT_EQ(morvtest::RunPeer(cmd, &out), 0) << out;
  return morvtest::ReadFile(dir + "/out.tar");
}

const std::string kDeep = "top/" + std::string(60, 'd') + "/" + std::string(60, 'e');
const std::string kFile = std::string(90, 'f') + ".txt";

void ExpectTree(const std::vector<uint8_t>& d) {
  TMemorySource src(d.data(), d.size());
  WalkResult r = Walk(TFormat::Tar, src);
  EXPECT_EQ(r.Err, 0);
  std::vector<std::string> names;
  for (const WalkEntry& e : r.Entries) names.push_back(e.Name);
  std::string full = kDeep + "/" + kFile;
  ASSERT_EQ(r.Entries.size(), 4u);
  EXPECT_EQ(names[0], "top/");
  EXPECT_TRUE(r.Entries[0].IsDir);
  EXPECT_EQ(names[3], full);
  EXPECT_FALSE(r.Entries[3].IsDir);
  EXPECT_EQ(r.Entries[3].Unpacked, 23u);
  EXPECT_TRUE(r.Entries[1].IsDir && r.Entries[2].IsDir);
}

}  // namespace

class TarLongNames : public ::testing::TestWithParam<const char*> {};

TEST_P(TarLongNames, FullNamesAndFolders) {
  if (!morvtest::HavePeer("tar")) GTEST_SKIP() << "tar missing";
  std::vector<uint8_t> d = MakeTar(morvtest::TempDir(), GetParam(), kDeep, kFile);
  ASSERT_FALSE(d.empty());
  ExpectTree(d);
  TMemorySource src(d.data(), d.size());
  // The file entry's own header carries the times.
  TarHeader h;
  int err = -1;
  uint64_t pos = 0;
  for (int i = 0; i < 4; i++) {
    ASSERT_TRUE(ReadTarHeader(src, pos, h, err)) << err;
    pos = h.NextPos;
  }
  EXPECT_EQ(h.MTime, 1500000000);
  EXPECT_EQ(h.TypeFlag, '0');
  EXPECT_EQ(h.DataPos, h.HeaderPos + 512);
  EXPECT_EQ(std::string(d.begin() + h.DataPos, d.begin() + h.DataPos + 23), "contents of a deep file");
  EXPECT_FALSE(ReadTarHeader(src, pos, h, err));
  EXPECT_EQ(err, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, TarLongNames, ::testing::Values("gnu", "pax", "ustar"));

TEST(TarHeader, DamageIsReportedNotFollowed) {
  if (!morvtest::HavePeer("tar")) GTEST_SKIP() << "tar missing";
  std::vector<uint8_t> d = MakeTar(morvtest::TempDir(), "pax", kDeep, kFile);
  ASSERT_FALSE(d.empty());
  int err = -1;
  TarHeader h;
  {
    std::vector<uint8_t> bad = d;
    bad[10] ^= 0x20;  // the first header's name, under its checksum
    TMemorySource src(bad.data(), bad.size());
    EXPECT_FALSE(ReadTarHeader(src, 0, h, err));
    EXPECT_EQ(err, rdHeaderCrc);
  }
  ExpectRobust(TFormat::Tar, d);
}

TEST(TarHeader, PaxRecordsAreBounded) {
  auto header = [](char type, uint64_t size, const std::string& name) {
    std::vector<uint8_t> b(512, 0);
    std::memcpy(b.data(), name.data(), name.size());
    std::snprintf(reinterpret_cast<char*>(&b[124]), 12, "%011llo", static_cast<unsigned long long>(size));
    b[156] = uint8_t(type);
    std::memcpy(&b[257], "ustar\0" "00", 8);
    std::snprintf(reinterpret_cast<char*>(&b[148]), 8, "%06o", TarChecksum(b.data()));
    b[155] = ' ';
    return b;
  };
  auto archive = [&](const std::string& pax) {
    std::vector<uint8_t> a = header('x', pax.size(), "PaxHeaders/x");
    std::vector<uint8_t> body(pax.begin(), pax.end());
    body.resize((body.size() + 511) / 512 * 512);
    a.insert(a.end(), body.begin(), body.end());
    std::vector<uint8_t> f = header('0', 0, "short");
    a.insert(a.end(), f.begin(), f.end());
    a.resize(a.size() + 1024);
    return a;
  };
  struct Row {
    std::string Pax;
    int Err;
    std::string Name;
  } rows[] = {
      {"20 path=a/long/name\n", 0, "a/long/name"},
      {"19 path=a/long/name\n", rdBadFileHeader, ""},   // length short of the record
      {"99 path=a/long/name\n", rdBadFileHeader, ""},   // length past the data
      {"20 path=a/long/nameX", rdBadFileHeader, ""},    // no line end where the length says
      {"9999999999999999999999 path=x\n", rdBadFileHeader, ""},
      {"12 size=5x\n", rdBadFileHeader, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Pax);
    std::vector<uint8_t> a = archive(r.Pax);
    TMemorySource src(a.data(), a.size());
    TarHeader h;
    int err = -1;
    EXPECT_EQ(ReadTarHeader(src, 0, h, err), r.Err == 0);
    EXPECT_EQ(err, r.Err);
    if (r.Err == 0) {
      EXPECT_EQ(h.FileName, r.Name);
    }
  }
}

// A tar holding only pax records (an empty tree from some makers) is an
// empty archive, as peers read it; a long name with nothing after it is not.
TEST(TarHeader, OnlyPaxRecordsAreAnEmptyArchive) {
  auto header = [](char type, uint64_t size) {
    std::vector<uint8_t> b(512, 0);
    std::memcpy(b.data(), "PaxHeaders/x", 12);
    std::snprintf(reinterpret_cast<char*>(&b[124]), 12, "%011llo", static_cast<unsigned long long>(size));
    b[156] = uint8_t(type);
    std::memcpy(&b[257], "ustar\0" "00", 8);
    std::snprintf(reinterpret_cast<char*>(&b[148]), 8, "%06o", TarChecksum(b.data()));
    b[155] = ' ';
    return b;
  };
  struct Row {
    char Type;
    std::string Data;
    bool EndBlocks;
    int Err;
  } rows[] = {
      {'x', "", true, 0},
      {'g', "30 comment=made by a peer tool\n", true, 0},
      {'g', "30 comment=made by a peer tool\n", false, 0},
      {'L', "long/name", true, rdBadFileHeader},
      {'L', "long/name", false, rdReadError},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(1, r.Type) + (r.EndBlocks ? " with end blocks" : " at the end of the file"));
    std::vector<uint8_t> a = header(r.Type, r.Data.size());
    std::vector<uint8_t> body(r.Data.begin(), r.Data.end());
    body.resize((body.size() + 511) / 512 * 512);
    a.insert(a.end(), body.begin(), body.end());
    if (r.EndBlocks) a.resize(a.size() + 1024);
    TMemorySource src(a.data(), a.size());
    TarHeader h;
    int err = -1;
    EXPECT_FALSE(ReadTarHeader(src, 0, h, err));
    EXPECT_EQ(err, r.Err);
    WalkResult w = Walk(TFormat::Tar, src);
    EXPECT_TRUE(w.Entries.empty());
    EXPECT_EQ(w.Err, r.Err);
  }
}

TEST(TarHeader, NumericFields) {
  struct Row {
    std::vector<uint8_t> Field;
    uint64_t Value;
  } rows[] = {
      {{' ', ' ', '1', '7', '5', '5', ' ', 0}, 01755},
      {{'0', '0', '0', '0', '0', '0', '0', '0', '0', '1', '2', 0}, 10},
      {{0x80, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 0}, 1ull << 32},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0},
  };
  for (const Row& r : rows) EXPECT_EQ(TarOctal(r.Field.data(), r.Field.size()), r.Value);
}
