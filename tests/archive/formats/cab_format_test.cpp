#include "archive/formats/cab/cab_format.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

struct Cab {
  CabHeader H;
  std::vector<CabFile> Files;
  int Err = -1;
};

Cab ReadAll(const std::vector<uint8_t>& d) {
  Cab c;
  TMemorySource src(d.data(), d.size());
  if (!ReadCabHeader(src, 0, c.H, c.Err)) return c;
  uint64_t pos = c.H.FilesOffset;
  for (unsigned i = 0; i < c.H.FileCount; i++) {
    CabFile f;
    if (!ReadCabFile(src, c.H, pos, f, c.Err)) return c;
    c.Files.push_back(f);
    pos = f.NextPos;
  }
  return c;
}

}  // namespace

class CabPeer : public ::testing::TestWithParam<bool> {};

TEST_P(CabPeer, GcabArchive) {
  if (!morvtest::HavePeer("gcab")) GTEST_SKIP() << "gcab missing";
  std::string dir = morvtest::TempDir();
  std::filesystem::create_directories(dir + "/sub/deep");
  morvtest::WriteFile(dir + "/alpha.txt", morvtest::TextData(5000, 31));
  morvtest::WriteFile(dir + "/sub/deep/beta.bin", morvtest::RandomData(300, 32));
  std::string out;
  ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) + "' && gcab -c" + (GetParam() ? "z" : "") +
                                  " t.cab alpha.txt sub/deep/beta.bin",
                              &out),
            0)
      << out;
  std::vector<uint8_t> d = morvtest::ReadFile(dir + "/t.cab");
  Cab c = ReadAll(d);
  ASSERT_EQ(c.Err, 0);
  EXPECT_EQ(c.H.FolderCount, 1);
  ASSERT_EQ(c.Files.size(), 2u);
  EXPECT_EQ(c.Files[0].FileName, "alpha.txt");
  EXPECT_EQ(c.Files[0].UnpackedSize, 5000u);
  EXPECT_EQ(c.Files[1].FileName, "sub\\deep\\beta.bin");
  EXPECT_EQ(c.Files[1].FolderOffset, 5000u);
  EXPECT_EQ(c.Files[1].FolderIndex, 0);
  TMemorySource src(d.data(), d.size());
  CabFolder f;
  int err = -1;
  ASSERT_TRUE(ReadCabFolder(src, c.H, 0, f, err));
  EXPECT_EQ(f.CompressionType & 0x0F, GetParam() ? 1 : 0);
  CabDataBlock b;
  ASSERT_TRUE(ReadCabDataBlock(src, f.DataOffset, b, err));
  EXPECT_EQ(b.UnpackedBytes, 5300u);
  EXPECT_FALSE(ReadCabFolder(src, c.H, 1, f, err));
  EXPECT_EQ(err, rdBadFileHeader);
}

INSTANTIATE_TEST_SUITE_P(Compression, CabPeer, ::testing::Values(false, true));

// Entries continued from an earlier cabinet carry 0xFFFD, or 0xFFFF when they
// also go on into the next: both are listed where they start.
TEST(CabHeader, ContinuedEntriesOfASet) {
  Cab first = ReadAll(Fixture("cab/libmspack/multi_basic_pt1.cab"));
  ASSERT_EQ(first.Err, 0);
  EXPECT_TRUE(first.H.HasNext());
  EXPECT_EQ(first.H.NextCabinet, "cabd_multi_basic_pt2.cab");
  ASSERT_EQ(first.Files.size(), 3u);
  for (const CabFile& f : first.Files) {
    EXPECT_FALSE(f.ContinuedFromPrev());
    EXPECT_TRUE(f.ContinuedToNext());
    EXPECT_EQ(f.Folder(first.H), 0);
    EXPECT_TRUE(f.HasFolder(first.H));
  }
  Cab middle = ReadAll(Fixture("cab/libmspack/multi_basic_pt2.cab"));
  ASSERT_EQ(middle.Err, 0);
  EXPECT_EQ(middle.H.PrevCabinet, "cabd_multi_basic_pt1.cab");
  EXPECT_EQ(middle.H.NextCabinet, "cabd_multi_basic_pt3.cab");
  ASSERT_EQ(middle.Files.size(), 3u);
  for (const CabFile& f : middle.Files) {
    EXPECT_EQ(f.FolderIndex, CabFolderContinuedPrevAndNext);
    EXPECT_TRUE(f.ContinuedFromPrev());
    EXPECT_TRUE(f.ContinuedToNext());
  }
  Cab reserve = ReadAll(Fixture("cab/libmspack/reserve_HFD.cab"));
  ASSERT_EQ(reserve.Err, 0);
  EXPECT_GT(reserve.H.HeaderReserve, 0);
  EXPECT_GT(reserve.H.FolderReserve, 0);
  EXPECT_GT(reserve.H.DataReserve, 0);
  ASSERT_EQ(reserve.Files.size(), 2u);
  EXPECT_EQ(reserve.Files[1].FileName, "test2.txt");
  Cab bad = ReadAll(Fixture("cab/libmspack/bad_folderindex.cab"));
  ASSERT_FALSE(bad.Files.empty());
  bool anyBad = false;
  for (const CabFile& f : bad.Files) anyBad |= !f.HasFolder(bad.H);
  EXPECT_TRUE(anyBad);
}

TEST(CabHeader, CutAndOverlongFieldsAreRejected) {
  struct Row {
    const char* File;
    int Err;
  } rows[] = {
      {"bad_signature.cab", rdHeaderId},
      {"partial_shortheader.cab", rdReadError},
      {"partial_str_nopname.cab", rdReadError},
      {"partial_str_shortpname.cab", rdReadError},
      {"partial_nofiles.cab", rdBadFileHeader},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.File);
    Cab c = ReadAll(Fixture(std::string("cab/libmspack/") + r.File));
    EXPECT_EQ(c.Err, r.Err);
  }
  // A name of 256 bytes without its terminator.
  std::vector<uint8_t> d = Fixture("cab/libmspack/normal_255c_filename.cab");
  Cab ok = ReadAll(d);
  ASSERT_EQ(ok.Err, 0);
  ASSERT_EQ(ok.Files[0].FileName.size(), 255u);
  d[ok.Files[0].NextPos - 1] = 'x';
  EXPECT_EQ(ReadAll(d).Err, rdBadFileHeader);
}
