#include <gtest/gtest.h>

#include "archive/formats/ha/ha_format.h"
#include "archive/core/bytes.h"
#include "archive/formats/msgz/msgz_format.h"
#include "tests/archive/formats/readers_util.h"

using namespace rdtest;

namespace {

void HaEntryBytes(std::vector<uint8_t>& d, uint8_t method, const std::string& path, const std::string& name,
                  const std::string& data) {
  Put8(d, uint8_t(0x20 | method));
  Put32(d, uint32_t(data.size()));
  Put32(d, uint32_t(data.size()));
  Put32(d, Crc32Of(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  Put32(d, 1000000000);
  PutStr(d, path);
  Put8(d, 0);
  PutStr(d, name);
  Put8(d, 0);
  Put8(d, 1);  // machine information: one attribute byte
  Put8(d, 0x20);
  PutStr(d, data);
}

void MsgzEntryBytes(std::vector<uint8_t>& d, const std::string& name, uint32_t size, uint16_t pad) {
  std::vector<uint8_t> h(MsgzEntryFixedSize, 0);
  PutLE32(&h[2], size);
  PutLE32(&h[6], size / 2);
  PutLE32(&h[10], 0x1234);
  PutLE16(&h[14], 0x2A21);
  PutLE16(&h[16], 0x6000);
  PutLE32(&h[18], 0x20);
  PutLE16(&h[22], uint16_t(MsgzEntryFixedSize + name.size() + pad));
  h[28] = uint8_t(name.size());
  d.insert(d.end(), h.begin(), h.end());
  PutStr(d, name);
  d.insert(d.end(), pad, 0);
}

}  // namespace

TEST(HaHeader, EntriesWithPaths) {
  std::vector<uint8_t> d = {'H', 'A'};
  Put16(d, 3);
  HaEntryBytes(d, HaMethodCopy, "", "top.txt", "top data");
  HaEntryBytes(d, HaMethodDir, "dir\xFF", "sub", "");
  HaEntryBytes(d, HaMethodHsc, "dir\xFFsub\xFF", "deep.txt", "packed bytes");
  TMemorySource src(d.data(), d.size());
  HaArchiveHeader a;
  int err = -1;
  ASSERT_TRUE(ReadHaArchiveHeader(src, a, err));
  EXPECT_EQ(a.FileCount, 3);
  WalkResult r = Walk(TFormat::Ha, src);
  EXPECT_EQ(r.Err, 0);
  ASSERT_EQ(r.Entries.size(), 3u);
  EXPECT_EQ(r.Entries[0].Name, "top.txt");
  EXPECT_EQ(r.Entries[1].Name, "dir\\sub");
  EXPECT_TRUE(r.Entries[1].IsDir);
  EXPECT_EQ(r.Entries[2].Name, "dir\\sub\\deep.txt");
  EXPECT_EQ(r.Entries[2].Packed, 12u);
  ExpectRobust(TFormat::Ha, d);
  d[0] = 'X';
  TMemorySource bad(d.data(), d.size());
  EXPECT_FALSE(ReadHaArchiveHeader(bad, a, err));
  EXPECT_EQ(err, rdHeaderId);
}

TEST(MsgzHeader, DirectoryAndEntries) {
  std::vector<uint8_t> d(MsgzArchiveHeaderSize, 0);
  PutLE32(&d[0], MsgzSignature);
  uint32_t dirPos = uint32_t(d.size());
  PutLE32(&d[41], dirPos);
  for (std::string n : {"SYSTEM", "FONTS"}) {
    std::vector<uint8_t> rec(MsgzDirRecordFixedSize, 0);
    rec[2] = uint8_t(MsgzDirRecordFixedSize + n.size());
    d.insert(d.end(), rec.begin(), rec.end());
    PutStr(d, n);
  }
  size_t closing = d.size();
  d.insert(d.end(), MsgzDirRecordFixedSize - 4, 0);  // the closing record's first bytes
  MsgzEntryBytes(d, "ARIAL.TTF", 1000, 3);
  MsgzEntryBytes(d, "SETUP.INF", 50, 0);
  TMemorySource src(d.data(), d.size());
  MsgzArchiveHeader a;
  int err = -1;
  ASSERT_TRUE(ReadMsgzArchiveHeader(src, 0, a, err)) << err;
  ASSERT_EQ(a.Dirs.size(), 2u);
  EXPECT_EQ(a.Dirs[1].Name, "FONTS");
  EXPECT_TRUE(a.HasEntries);
  EXPECT_EQ(a.FirstEntryPos, closing + 2);
  WalkResult r = Walk(TFormat::Msgz, src);
  EXPECT_EQ(r.Err, 0);
  ASSERT_EQ(r.Entries.size(), 2u);
  EXPECT_EQ(r.Entries[0].Name, "ARIAL.TTF");
  EXPECT_EQ(r.Entries[0].Unpacked, 1000u);
  EXPECT_EQ(r.Entries[1].Name, "SETUP.INF");
  ExpectRobust(TFormat::Msgz, d);

  // A step that does not pass the header would walk in place forever.
  std::vector<uint8_t> bad = d;
  PutLE16(&bad[a.FirstEntryPos + 22], 0);
  TMemorySource bs(bad.data(), bad.size());
  MsgzEntry e;
  EXPECT_FALSE(ReadMsgzEntry(bs, a.FirstEntryPos, e, err));
  EXPECT_EQ(err, rdBadFileHeader);
  // A directory record shorter than its fixed part.
  bad = d;
  bad[dirPos + 2] = 3;
  TMemorySource ds(bad.data(), bad.size());
  EXPECT_FALSE(ReadMsgzArchiveHeader(ds, 0, a, err));
  EXPECT_EQ(err, rdBadFileHeader);
  // A directory outside the file: no entries.
  bad = d;
  PutLE32(&bad[41], 0x7FFFFFFF);
  TMemorySource os(bad.data(), bad.size());
  ASSERT_TRUE(ReadMsgzArchiveHeader(os, 0, a, err));
  EXPECT_FALSE(a.HasEntries);
}
