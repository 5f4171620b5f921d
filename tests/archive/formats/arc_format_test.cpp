#include "archive/formats/arc/arc_format.h"

#include <gtest/gtest.h>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

void Entry(std::vector<uint8_t>& d, uint8_t method, const std::string& name, const std::string& data) {
  Put8(d, ArcMark);
  Put8(d, method);
  std::string n = name;
  n.resize(13, '\0');
  PutStr(d, n);
  Put32(d, uint32_t(data.size()));
  Put16(d, 0x5A21);
  Put16(d, 0x6000);
  Put16(d, Crc16Of(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  Put32(d, uint32_t(data.size()));
  PutStr(d, data);
}

}  // namespace

TEST(ArcHeader, PeerArchive) {
  if (!morvtest::HavePeer("arc")) GTEST_SKIP() << "arc missing";
  std::string dir = morvtest::TempDir();
  std::vector<uint8_t> a = morvtest::TextData(30000, 21), b = morvtest::RandomData(500, 22);
  morvtest::WriteFile(dir + "/alpha.txt", a);
  morvtest::WriteFile(dir + "/beta.bin", b);
  std::string out;
  ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) + "' && arc a t.arc alpha.txt beta.bin", &out), 0) << out;
  std::vector<uint8_t> d = morvtest::ReadFile(dir + "/t.arc");
  TMemorySource src(d.data(), d.size());
  std::vector<ArcHeader> hs;
  ArcHeader h;
  int err = -1;
  for (uint64_t pos = 0; ReadArcHeader(src, pos, h, err); pos = h.NextPos) hs.push_back(h);
  EXPECT_EQ(err, 0);
  ASSERT_EQ(hs.size(), 2u);
  EXPECT_EQ(NormName(hs[0].Name), "alpha.txt");
  EXPECT_EQ(hs[0].UnpackedSize, a.size());
  EXPECT_EQ(hs[0].Crc, Crc16Of(a.data(), a.size()));
  EXPECT_EQ(NormName(hs[1].Name), "beta.bin");
  EXPECT_EQ(hs[1].Crc, Crc16Of(b.data(), b.size()));
  EXPECT_EQ(hs[1].NextPos + 2, d.size());
  ExpectRobust(TFormat::Arc, d);
}

// Folder records: type 30 opens a folder whose entries follow, type 31 (two
// bytes) closes it.
TEST(ArcHeader, FoldersNestAndClose) {
  std::vector<uint8_t> d;
  Entry(d, 2, "TOP.TXT", "top");
  Entry(d, ArcMethodFolder, "OUTER", "");
  Entry(d, 2, "A.TXT", "aaaa");
  Entry(d, ArcMethodFolder, "INNER", "");
  Entry(d, 3, "B.TXT", "bb");
  Put8(d, ArcMark);
  Put8(d, ArcMethodFolderEnd);
  Entry(d, 2, "C.TXT", "c");
  Put8(d, ArcMark);
  Put8(d, ArcMethodFolderEnd);
  Entry(d, 2, "D.TXT", "dd");
  Put8(d, ArcMark);
  Put8(d, ArcMethodEnd);
  d.insert(d.end(), {'t', 'r', 'a', 'i', 'l'});
  TMemorySource src(d.data(), d.size());
  WalkResult r = Walk(TFormat::Arc, src);
  EXPECT_EQ(r.Err, 0);
  std::vector<std::string> names;
  for (const WalkEntry& e : r.Entries) names.push_back(e.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"TOP.TXT", "OUTER", "OUTER\\A.TXT", "OUTER\\INNER", "OUTER\\INNER\\B.TXT",
                                             "OUTER\\C.TXT", "D.TXT"}));
  EXPECT_EQ(r.Entries[1].Unpacked, 0u);
  EXPECT_EQ(r.Entries[4].Crc, Crc16Of(reinterpret_cast<const uint8_t*>("bb"), 2));
}

TEST(ArcHeader, EndsAndDamage) {
  std::vector<uint8_t> d;
  Entry(d, 2, "A.TXT", "aaaa");
  int err = -1;
  ArcHeader h;
  {
    std::vector<uint8_t> bad = d;
    bad[0] = 0x1B;
    TMemorySource src(bad.data(), bad.size());
    EXPECT_FALSE(ReadArcHeader(src, 0, h, err));
    EXPECT_EQ(err, rdHeaderId);
  }
  {
    std::vector<uint8_t> cut(d.begin(), d.begin() + 20);
    TMemorySource src(cut.data(), cut.size());
    EXPECT_FALSE(ReadArcHeader(src, 0, h, err));
    EXPECT_EQ(err, rdReadError);
  }
  {
    // A packed size past the file: the entry lists, the next step is cut.
    std::vector<uint8_t> big = d;
    big[15] = 0xFF;
    TMemorySource src(big.data(), big.size());
    ASSERT_TRUE(ReadArcHeader(src, 0, h, err));
    EXPECT_FALSE(ReadArcHeader(src, h.NextPos, h, err));
    EXPECT_EQ(err, rdReadError);
  }
  TMemorySource src(d.data(), d.size());
  ASSERT_TRUE(ReadArcHeader(src, 0, h, err));
  EXPECT_FALSE(ReadArcHeader(src, h.NextPos, h, err));
  EXPECT_EQ(err, 0);
  std::string path = "A\\B\\";
  ArcHeader end;
  end.Method = ArcMethodFolderEnd;
  ApplyArcFolder(end, path);
  EXPECT_EQ(path, "A\\");
  ApplyArcFolder(end, path);
  EXPECT_EQ(path, "");
  ApplyArcFolder(end, path);
  EXPECT_EQ(path, "");
}
