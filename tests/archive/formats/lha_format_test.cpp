#include "archive/formats/lha/lha_format.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

struct Expect {
  std::string Name;
  size_t Size;
  bool Dir;
};

// A level-2 header from its extended headers, with a correct header CRC when
// withCrc (the common header then comes first, as LHa for UNIX writes it).
// The total header size is stored short by totalShort bytes, as OS-9/68K's
// LHA (OS identifier 'K') stores it.
std::vector<uint8_t> Level2(const std::vector<std::pair<uint8_t, std::string>>& exts, bool withCrc, uint32_t packed,
                            const std::string& method = "-lh0-", uint8_t os = 'U', size_t totalShort = 0) {
  std::vector<uint8_t> h;
  Put16(h, 0);
  PutStr(h, method);
  Put32(h, packed);
  Put32(h, packed);
  Put32(h, 1600000000);
  Put8(h, 0x20);
  Put8(h, 2);
  Put16(h, 0x1234);
  Put8(h, os);
  std::vector<std::pair<uint8_t, std::string>> all;
  if (withCrc) all.push_back({0x00, std::string(2, '\0')});
  all.insert(all.end(), exts.begin(), exts.end());
  size_t crcAt = 0;
  for (size_t i = 0; i < all.size(); i++) {
    Put16(h, uint16_t(all[i].second.size() + 3));
    if (withCrc && i == 0) crcAt = h.size() + 1;
    Put8(h, all[i].first);
    PutStr(h, all[i].second);
  }
  Put16(h, 0);
  h[0] = uint8_t(h.size() - totalShort);
  h[1] = uint8_t((h.size() - totalShort) >> 8);
  if (withCrc) {
    uint16_t c = Crc16Of(h.data(), h.size());
    h[crcAt] = uint8_t(c);
    h[crcAt + 1] = uint8_t(c >> 8);
  }
  h.insert(h.end(), packed, 'x');
  return h;
}

}  // namespace

class LhaPeerLevels : public ::testing::TestWithParam<int> {};

// jlha writes every level; level 2 puts the header CRC before the name.
TEST_P(LhaPeerLevels, NamesFoldersSizesAndCrcs) {
  if (!morvtest::HavePeer("jlha")) GTEST_SKIP() << "jlha missing";
  std::string dir = morvtest::TempDir();
  std::string h = morvtest::HostPath(dir);
  std::vector<uint8_t> a = morvtest::TextData(3000, 11), b = morvtest::RandomData(777, 12);
  std::filesystem::create_directories(dir + "/sub/deep");
  morvtest::WriteFile(dir + "/alpha.txt", a);
  morvtest::WriteFile(dir + "/sub/deep/beta.bin", b);
  std::string out;
  ASSERT_EQ(morvtest::RunPeer("cd '" + h + "' && jlha a" + std::to_string(GetParam()) +
                                  " t.lzh alpha.txt sub/deep/beta.bin",
                              &out),
            0)
      << out;
  std::vector<uint8_t> d = morvtest::ReadFile(dir + "/t.lzh");
  ASSERT_FALSE(d.empty()) << out;
  TMemorySource src(d.data(), d.size());
  std::vector<LhaHeader> hs;
  LhaHeader x;
  int err = -1;
  for (uint64_t pos = LhaFirstHeaderPos(src, 0); ReadLhaHeader(src, pos, x, err); pos = x.NextPos) hs.push_back(x);
  ASSERT_EQ(err, 0);
  std::vector<std::string> names;
  for (const LhaHeader& e : hs) names.push_back(e.FileName);
  std::ostringstream all;
  for (auto& n : names) all << n << ";";
  SCOPED_TRACE(all.str());
  const LhaHeader* alpha = nullptr;
  const LhaHeader* beta = nullptr;
  for (const LhaHeader& e : hs) {
    EXPECT_EQ(e.Level, GetParam());
    if (e.FileName == "alpha.txt") alpha = &e;
    if (NormName(e.FileName) == "sub\\deep\\beta.bin") beta = &e;
  }
  ASSERT_TRUE(alpha && beta);
  EXPECT_EQ(alpha->UnpackedSize, a.size());
  EXPECT_EQ(alpha->Crc, Crc16Of(a.data(), a.size()));
  EXPECT_EQ(beta->UnpackedSize, b.size());
  EXPECT_EQ(beta->Crc, Crc16Of(b.data(), b.size()));
  EXPECT_EQ(beta->NextPos, beta->DataPos + beta->DataSize);
  if (GetParam() == 2) {
    EXPECT_TRUE(alpha->HasHeaderCrc);
  }
  ExpectRobust(TFormat::Lha, d);
}

INSTANTIATE_TEST_SUITE_P(Levels, LhaPeerLevels, ::testing::Values(0, 1, 2));

// The lhasa fixtures against lhasa's own "lha v" listings: packed size,
// size, method and CRC of every entry, level-3 (OS/2) archives included.
TEST(LhaHeader, LhasaFixturesMatchTheirListings) {
  namespace fs = std::filesystem;
  int files = 0;
  for (const auto& tool : fs::directory_iterator(morvtest::SharedPath("fixtures/lha/lhasa"))) {
    if (!tool.is_directory()) continue;
    for (const auto& f : fs::recursive_directory_iterator(tool.path())) {
      if (!f.is_regular_file()) continue;
      std::string rel = fs::relative(f.path(), morvtest::SharedPath("fixtures/lha/lhasa")).generic_string();
      std::string expect = morvtest::SharedPath("fixtures/lha/lhasa-expected/" + rel + "-v.txt");
      if (!fs::exists(expect)) continue;
      SCOPED_TRACE(rel);
      std::vector<uint8_t> d = morvtest::ReadFile(f.path().string());
      std::vector<uint8_t> v = morvtest::ReadFile(expect);
      std::istringstream in(std::string(v.begin(), v.end()));
      std::string line;
      std::vector<std::vector<std::string>> rows;
      int dashes = 0;
      while (std::getline(in, line)) {
        if (line.compare(0, 4, "----") == 0) {
          dashes++;
          continue;
        }
        if (dashes != 1) continue;
        std::istringstream ls(line);
        std::vector<std::string> t;
        for (std::string w; ls >> w;) t.push_back(w);
        rows.push_back(t);
      }
      TMemorySource src(d.data(), d.size());
      // Self-extractors are found by type detection; start at the first "-l".
      uint64_t start = 0;
      for (size_t i = 2; i + 5 < d.size(); i++)
        if (d[i] == '-' && d[i + 1] == 'l' && d[i + 4] == '-') {
          start = i - 2;
          break;
        }
      std::vector<LhaHeader> hs;
      LhaHeader x;
      int err = -1;
      for (uint64_t pos = start; ReadLhaHeader(src, pos, x, err); pos = x.NextPos) hs.push_back(x);
      if (rel.find("h3_") != std::string::npos) {
        ASSERT_FALSE(hs.empty());
        EXPECT_EQ(hs[0].Level, 3);
      }
      if (rel.find("truncated") == std::string::npos) {
        EXPECT_EQ(err, 0);
      }
      files++;
      ASSERT_EQ(hs.size(), rows.size());
      for (size_t i = 0; i < rows.size(); i++) {
        const std::vector<std::string>& t = rows[i];
        ASSERT_GE(t.size(), 8u);
        EXPECT_EQ(std::to_string(hs[i].DataSize), t[2]) << i;
        EXPECT_EQ(std::to_string(hs[i].UnpackedSize), t[3]) << i;
        // lhasa shows two of them under another method than the stored one:
        // Amiga LHA's folders stored as "-lh0-", LHark's "-lk7-".
        if (rel != "lha_amiga_122/lh0_dirs_bug.lzh" && rel.compare(0, 8, "lhark04d") != 0) {
          EXPECT_EQ(hs[i].MethodId, t[5]) << i;
        }
        char crc[8];
        std::snprintf(crc, sizeof crc, "%04x", hs[i].Crc);
        EXPECT_EQ(crc, t[6]) << i;
      }
    }
  }
  EXPECT_GT(files, 50);
}

// The name comes from the file-name extended header wherever it stands, not
// from whichever header comes first; the folder header is cleaned and put
// before it.
TEST(LhaHeader, Level2NameFromItsOwnExtendedHeader) {
  std::vector<uint8_t> d = Level2({{0x02, "top\xFFnext\xFF"}, {0x3F, "a comment"}, {0x01, "file.txt"}}, true, 5);
  d.push_back(0);
  TMemorySource src(d.data(), d.size());
  LhaHeader h;
  int err = -1;
  ASSERT_TRUE(ReadLhaHeader(src, 0, h, err)) << err;
  EXPECT_EQ(h.Name, "file.txt");
  EXPECT_EQ(h.DirName, "top\\next\\");
  EXPECT_EQ(h.FileName, "top\\next\\file.txt");
  EXPECT_TRUE(h.HasHeaderCrc);
  EXPECT_EQ(h.DataSize, 5u);
  EXPECT_EQ(h.NextPos, d.size() - 1);
  EXPECT_FALSE(ReadLhaHeader(src, h.NextPos, h, err));
  EXPECT_EQ(err, 0);
}

TEST(LhaHeader, DamagedHeaders) {
  std::vector<uint8_t> good = Level2({{0x01, "n.txt"}}, true, 3);
  struct Row {
    const char* What;
    std::vector<uint8_t> Data;
    int Err;
  };
  std::vector<Row> rows;
  {
    std::vector<uint8_t> d = good;
    d[d.size() - 6] ^= 1;  // the name, under the header CRC
    rows.push_back({"level-2 header CRC", d, rdHeaderCrc});
  }
  {
    std::vector<uint8_t> d = good;
    d[20] = 4;
    rows.push_back({"level 4", d, rdUnsupportedVersion});
  }
  {
    std::vector<uint8_t> d = good;
    d[20] = 3;
    rows.push_back({"level 3 whose first word is not 4", d, rdBadFileHeader});
  }
  {
    rows.push_back({"total short, not OS-9", Level2({{0x01, "n.txt"}}, true, 3, "-lh0-", 'U', 2), rdBadFileHeader});
  }
  {
    std::vector<uint8_t> d = good;
    d[0] = 20;
    d[1] = 0;
    rows.push_back({"total size below the fixed part", d, rdBadFileHeader});
  }
  {
    // An extended header whose size runs past the total header size.
    std::vector<uint8_t> d = Level2({{0x01, "n.txt"}}, false, 0);
    d[24] = 0xF0;
    d.resize(d.size() + 0x100, 0);
    rows.push_back({"extended header past the header", d, rdBadFileHeader});
  }
  {
    std::vector<uint8_t> d = Level2({{0x01, "n.txt"}}, false, 0);
    d[d.size() - 2] = 2;  // a next size of 2 cannot hold a type and a size
    rows.push_back({"extended size below 3", d, rdBadFileHeader});
  }
  {
    std::vector<uint8_t> d = good;
    d.resize(d.size() - 10);
    rows.push_back({"header cut", d, rdReadError});
  }
  {
    // Level 0 whose name length runs past its header size.
    std::vector<uint8_t> d = {24, 0, '-', 'l', 'h', '0', '-', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 40};
    d.resize(26, 'a');
    rows.push_back({"level-0 name past the header", d, rdBadFileHeader});
  }
  {
    // Level 1 whose extended headers claim more than the packed size.
    std::vector<uint8_t> d = {25, 0, '-', 'l', 'h', '0', '-', 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 1, 0};
    Put16(d, 0);
    Put8(d, 'U');
    Put16(d, 10);
    d.resize(d.size() + 40, 0);
    rows.push_back({"level-1 extensions past the packed size", d, rdBadFileHeader});
  }
  {
    std::vector<uint8_t> d = good;
    d[2] = 'x';
    rows.push_back({"method without its dashes", d, rdBadFileHeader});
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.What);
    TMemorySource src(r.Data.data(), r.Data.size());
    LhaHeader h;
    int err = -1;
    EXPECT_FALSE(ReadLhaHeader(src, 0, h, err));
    EXPECT_EQ(err, r.Err);
  }
  TMemorySource src(good.data(), good.size());
  LhaHeader h;
  int err = -1;
  EXPECT_TRUE(ReadLhaHeader(src, 0, h, err));
  // Data cut short: the header still lists; the next step reports the cut.
  good.resize(good.size() - 1);
  TMemorySource cut(good.data(), good.size());
  ASSERT_TRUE(ReadLhaHeader(cut, 0, h, err));
  EXPECT_FALSE(ReadLhaHeader(cut, h.NextPos, h, err));
  EXPECT_EQ(err, rdReadError);
}

TEST(LhaHeader, FolderNamesAreCleaned) {
  struct Row {
    std::string In, Out;
  } rows[] = {
      {"a\xFF" "b\xFF", "a\\b\\"},
      {"a/b\\c", "a\\b\\c"},
      {"  a\xFF  ", "a\\"},
      {"\x95\\x\xFF", "\x95\\x\\"},          // the byte after a lead byte is no separator
      {"\xE0\xFF" "d", "\xE0\xFF" "d"},      // nor is 0xFF after one
      {"\x95", "\x95"},                      // a lead byte at the end stands alone
  };
  for (const Row& r : rows) EXPECT_EQ(NormalizeLhaPath(r.In), r.Out);
}

TEST(LhaHeader, ArchiveStartSkipsAnEmptyPreamble) {
  std::vector<uint8_t> d(128, 0);
  std::vector<uint8_t> e = Level2({{0x01, "x"}}, true, 0);
  d.insert(d.end(), e.begin(), e.end());
  TMemorySource src(d.data(), d.size());
  EXPECT_EQ(LhaFirstHeaderPos(src, 0), 128u);
  EXPECT_EQ(LhaFirstHeaderPos(src, 128), 128u);
}

// OS-9/68K's LHA stores a level-2 total header size that falls short of the
// header; lhasa and 7-Zip read such archives, and so do we.
TEST(LhaHeader, Os9Level2HeaderWithAShortTotal) {
  for (size_t shortBy : {size_t(2), size_t(24)}) {
    SCOPED_TRACE(shortBy);
    std::vector<uint8_t> d = Level2({{0x01, "os9.txt"}}, true, 4, "-lh0-", 'K', shortBy);
    const size_t first = d.size();
    std::vector<uint8_t> e = Level2({{0x01, "next.txt"}}, true, 2, "-lh0-", 'K', shortBy);
    d.insert(d.end(), e.begin(), e.end());
    d.push_back(0);
    TMemorySource src(d.data(), d.size());
    LhaHeader h;
    int err = -1;
    ASSERT_TRUE(ReadLhaHeader(src, 0, h, err)) << err;
    EXPECT_EQ(h.FileName, "os9.txt");
    EXPECT_EQ(h.DataSize, 4u);
    EXPECT_EQ(h.NextPos, first);
    ASSERT_TRUE(ReadLhaHeader(src, h.NextPos, h, err)) << err;
    EXPECT_EQ(h.FileName, "next.txt");
    EXPECT_FALSE(ReadLhaHeader(src, h.NextPos, h, err));
    EXPECT_EQ(err, 0);
  }
}

// Level-0 names: a NUL ends the name (a comment may follow it), and control
// characters never reach the list or the disk.
TEST(LhaHeader, Level0NamesEndAtANulAndLoseControlCharacters) {
  struct Row {
    std::string Field, Name;
  } rows[] = {
      {std::string("readme.txt\0a comment", 20), "readme.txt"},
      {"a\x01" "b\tc\x7F.txt", "a_b_c_.txt"},
      {"dir\x1B[2Jx", "dir_[2Jx"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    TLhaBaseRecord b;
    std::copy_n("-lh0-", 5, b.Method);
    b.PackedSize = b.UnpackedSize = 1;
    std::vector<uint8_t> d;
    ASSERT_TRUE(MakeLhaLevel0Header(b, r.Field, 0, d));
    d.push_back('x');
    d.push_back(0);
    TMemorySource src(d.data(), d.size());
    LhaHeader h;
    int err = -1;
    ASSERT_TRUE(ReadLhaHeader(src, 0, h, err)) << err;
    EXPECT_EQ(h.FileName, r.Name);
    EXPECT_EQ(h.NextPos, d.size() - 1);
  }
  TLhaBaseRecord b;
  std::vector<uint8_t> d;
  EXPECT_TRUE(MakeLhaLevel0Header(b, std::string(233, 'n'), 0, d));
  EXPECT_EQ(d[0], 255);
  EXPECT_FALSE(MakeLhaLevel0Header(b, std::string(234, 'n'), 0, d));
}
