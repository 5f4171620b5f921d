#include <gtest/gtest.h>

#include "archive/formats/bh/bh_format.h"
#include "archive/formats/zoo/zoo_format.h"
#include "tests/archive/formats/readers_util.h"

using namespace rdtest;

namespace {

// A ZOO archive as zoo 2.10 lays it out: header, then per entry its
// directory entry and data, then the closing entry.
struct ZooFile {
  std::string ShortName, LongName, Dir, Data, Comment;
  uint8_t Type = 2;
};

std::vector<uint8_t> MakeZoo(const std::vector<ZooFile>& files, const std::string& archiveComment = "") {
  std::vector<uint8_t> d;
  std::string text = "ZOO 2.10 Archive.\x1A";
  text.resize(20, '\0');
  PutStr(d, text);
  Put32(d, ZooTag);
  Put32(d, 42 + uint32_t(archiveComment.size()) + 20);
  Put32(d, uint32_t(-(42 + int32_t(archiveComment.size()) + 20)));
  Put8(d, 2);
  Put8(d, 0);
  Put8(d, 1);
  Put32(d, archiveComment.empty() ? 0 : 43);
  Put16(d, uint16_t(archiveComment.size()));
  Put16(d, 0);
  PutStr(d, archiveComment);
  d.resize(42 + archiveComment.size() + 20, 0);
  for (const ZooFile& f : files) {
    size_t at = d.size();
    std::string lname = f.LongName.empty() ? "" : f.LongName + '\0';
    std::string dname = f.Dir.empty() ? "" : f.Dir + '\0';
    size_t fixed = f.Type == 2 ? ZooEntryFixedSize + lname.size() + dname.size() : ZooEntryType1Size;
    uint32_t commentPos = uint32_t(at + fixed + f.Data.size());
    uint32_t next = commentPos + uint32_t(f.Comment.size());
    Put32(d, ZooTag);
    Put8(d, f.Type);
    Put8(d, 0);
    Put32(d, next);
    Put32(d, uint32_t(at + fixed));
    Put16(d, 0x5A8B);
    Put16(d, 0x6000);
    Put16(d, Crc16Of(reinterpret_cast<const uint8_t*>(f.Data.data()), f.Data.size()));
    Put32(d, uint32_t(f.Data.size()));
    Put32(d, uint32_t(f.Data.size()));
    Put8(d, 1);
    Put8(d, 0);
    Put8(d, 0);
    Put8(d, 0);
    Put32(d, f.Comment.empty() ? 0 : commentPos);
    Put16(d, uint16_t(f.Comment.size()));
    std::string sn = f.ShortName;
    sn.resize(13, '\0');
    PutStr(d, sn);
    if (f.Type == 2) {
      Put16(d, uint16_t(lname.size() + dname.size()));
      Put8(d, 0);
      Put16(d, 0);
      Put8(d, uint8_t(lname.size()));
      Put8(d, uint8_t(dname.size()));
      PutStr(d, lname);
      PutStr(d, dname);
    }
    PutStr(d, f.Data);
    PutStr(d, f.Comment);
  }
  Put32(d, ZooTag);  // the closing entry: next = 0
  d.resize(d.size() + ZooEntryFixedSize - 4, 0);
  return d;
}

std::vector<uint8_t> BhEntry(const std::string& name, const std::string& data, uint8_t flags = 0) {
  std::vector<uint8_t> d;
  Put32(d, BhSignature);
  Put16(d, uint16_t(37 + name.size()));
  Put8(d, 37);
  Put16(d, 0);
  Put8(d, flags);
  Put8(d, 0);
  Put32(d, 0x5A8B6000);
  Put32(d, uint32_t(data.size()));
  Put32(d, uint32_t(data.size()));
  Put32(d, Crc32Of(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  Put16(d, 0x20);
  Put32(d, 0);
  Put16(d, uint16_t(name.size()));
  Put16(d, 0);
  PutStr(d, name);
  PutStr(d, data);
  return d;
}

}  // namespace

TEST(ZooHeader, EntriesNamesAndComments) {
  std::vector<uint8_t> d = MakeZoo({{"T.TXT", "a long name.txt", "docs/sub", "42", "first comment"},
                                    {"T2.TXT", "", "", "forty-two", ""},
                                    {"OLD.TXT", "", "", "xyz", "", 1}},
                                   "archive comment");
  TMemorySource src(d.data(), d.size());
  ZooArchiveHeader a;
  int err = -1;
  ASSERT_TRUE(ReadZooArchiveHeader(src, a, err)) << err;
  EXPECT_EQ(a.Text, "ZOO 2.10 Archive.\x1A");
  EXPECT_EQ(a.Comment, "archive comment");
  std::vector<ZooEntry> es;
  ZooEntry e;
  for (uint64_t pos = a.Start; ReadZooEntry(src, pos, e, err); pos = e.Next) es.push_back(e);
  EXPECT_EQ(err, 0);
  ASSERT_EQ(es.size(), 3u);
  // The short name under the folder, not the long name.
  EXPECT_EQ(es[0].FileName, "docs\\sub\\T.TXT");
  EXPECT_EQ(es[0].LongName, "a long name.txt");
  EXPECT_EQ(es[0].Comment, "first comment");
  EXPECT_EQ(es[0].FileCrc, Crc16Of(reinterpret_cast<const uint8_t*>("42"), 2));
  EXPECT_EQ(es[0].DosDateTime(), 0x5A8B6000u);
  EXPECT_EQ(es[1].FileName, "T2.TXT");
  EXPECT_EQ(es[1].PackedSize, 9u);
  EXPECT_EQ(es[2].FileName, "OLD.TXT");  // type 1: no variable part to read
  EXPECT_EQ(std::string(d.begin() + es[2].Offset, d.begin() + es[2].Offset + 3), "xyz");
  ExpectRobust(TFormat::Zoo, d);
}

TEST(ZooHeader, ChainsThatStandStillOrTurnBack) {
  std::vector<uint8_t> d = MakeZoo({{"A", "", "", "aa", ""}, {"B", "", "", "bb", ""}});
  TMemorySource src(d.data(), d.size());
  ZooArchiveHeader a;
  ZooEntry e;
  int err = -1;
  ASSERT_TRUE(ReadZooArchiveHeader(src, a, err));
  ASSERT_TRUE(ReadZooEntry(src, a.Start, e, err));
  uint64_t second = e.Next;
  struct Row {
    const char* What;
    uint32_t Next;
  } rows[] = {{"to itself", uint32_t(second)}, {"backwards", a.Start}, {"past the end", uint32_t(d.size() + 10)}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.What);
    std::vector<uint8_t> bad = d;
    for (int i = 0; i < 4; i++) bad[second + 6 + i] = uint8_t(r.Next >> (8 * i));
    TMemorySource bs(bad.data(), bad.size());
    EXPECT_FALSE(ReadZooEntry(bs, second, e, err));
    EXPECT_EQ(err, rdBadFileHeader);
  }
  std::vector<uint8_t> bad = d;
  bad[28] ^= 1;  // minus no longer matches start
  TMemorySource bs(bad.data(), bad.size());
  EXPECT_FALSE(ReadZooArchiveHeader(bs, a, err));
  EXPECT_EQ(err, rdBadFileHeader);
  bad = d;
  bad[a.Start] ^= 1;
  TMemorySource ts(bad.data(), bad.size());
  EXPECT_FALSE(ReadZooEntry(ts, a.Start, e, err));
  EXPECT_EQ(err, rdBadFileHeader);
  // Names and data must lie inside the file.
  bad = d;
  bad[a.Start + 56] = 200;
  bad.resize(a.Start + 100);
  TMemorySource ns(bad.data(), bad.size());
  EXPECT_FALSE(ReadZooEntry(ns, a.Start, e, err));
  EXPECT_NE(err, 0);
}

TEST(BhHeader, EntriesEndAndDamage) {
  std::vector<uint8_t> d = BhEntry("dir/one.txt", "first");
  std::vector<uint8_t> b = BhEntry("two.bin", "second!", 1);
  d.insert(d.end(), b.begin(), b.end());
  TMemorySource src(d.data(), d.size());
  WalkResult r = Walk(TFormat::Bh, src);
  EXPECT_EQ(r.Err, 0);
  ASSERT_EQ(r.Entries.size(), 2u);
  EXPECT_EQ(r.Entries[0].Name, "dir/one.txt");
  EXPECT_EQ(r.Entries[0].Crc, Crc32Of(reinterpret_cast<const uint8_t*>("first"), 5));
  EXPECT_TRUE(r.Entries[1].Encrypted);
  ExpectRobust(TFormat::Bh, d);

  std::vector<uint8_t> zero = d;
  zero[37 + 11 + 5 + 4] = 0;  // the second header's size
  zero[37 + 11 + 5 + 5] = 0;
  TMemorySource zs(zero.data(), zero.size());
  r = Walk(TFormat::Bh, zs);
  EXPECT_EQ(r.Err, 0);
  EXPECT_EQ(r.Entries.size(), 1u);

  std::vector<uint8_t> sig = d;
  sig[37 + 11 + 5] = 'X';
  TMemorySource ss(sig.data(), sig.size());
  r = Walk(TFormat::Bh, ss);
  EXPECT_EQ(r.Err, rdHeaderId);
  EXPECT_EQ(r.Entries.size(), 1u);

  std::vector<uint8_t> name = BhEntry("n", "");
  name[33] = 0xFF;  // name length past the file
  TMemorySource ns(name.data(), name.size());
  BhHeader h;
  int err = -1;
  EXPECT_FALSE(ReadBhHeader(ns, 0, h, err));
  EXPECT_EQ(err, rdReadError);
}
