#include "archive/formats/rar/rar_format.h"

#include <gtest/gtest.h>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

// A block with its CRC set: head, then body (the fields after byte 7).
std::vector<uint8_t> Block(uint8_t type, uint16_t flags, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> b = {0, 0, type};
  Put16(b, flags);
  Put16(b, uint16_t(7 + body.size()));
  b.insert(b.end(), body.begin(), body.end());
  uint16_t crc = uint16_t(Crc32Of(&b[2], b.size() - 2));
  b[0] = uint8_t(crc);
  b[1] = uint8_t(crc >> 8);
  return b;
}

std::vector<uint8_t> FileBody(uint32_t packed, uint32_t attr, uint8_t host, const std::string& name) {
  std::vector<uint8_t> f;
  Put32(f, packed);
  Put32(f, packed * 2);
  Put8(f, host);
  Put32(f, 0x11223344);
  Put32(f, 0x5A8B1234);
  Put8(f, 29);
  Put8(f, 0x33);
  Put16(f, uint16_t(name.size()));
  Put32(f, attr);
  PutStr(f, name);
  return f;
}

void Append(std::vector<uint8_t>& d, const std::vector<uint8_t>& b, size_t data = 0) {
  d.insert(d.end(), b.begin(), b.end());
  d.insert(d.end(), data, 0xD5);
}

std::vector<uint8_t> Marker() { return {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00}; }

std::vector<uint8_t> MainBlock(uint16_t flags = 0) { return Block(RarMainBlock, flags, std::vector<uint8_t>(6, 0)); }

}  // namespace

// Every block with a size has its data passed over, whether or not it is a
// file; blocks without the long-block flag are stepped over by their header.
TEST(RarBlocks, WalkPassesOverEveryBlockKind) {
  std::vector<uint8_t> d = Marker();
  Append(d, MainBlock());
  std::vector<uint8_t> cmt = {3, 0, 0x40, 0x33, 0x12, 0x34};  // an old comment block, no data
  Append(d, Block(RarCommentBlock, 0, cmt));
  Append(d, Block(RarFileBlock, RarLongBlock | RarFilePassword, FileBody(10, 0x20, 2, "secret.txt")), 10);
  std::vector<uint8_t> sub;
  Put32(sub, 37);
  sub.insert(sub.end(), 3, 0);
  Append(d, Block(RarSubBlock, RarLongBlock, sub), 37);
  Append(d, Block(RarNewSubBlock, RarLongBlock | RarSkipIfUnknown, FileBody(25, 0, 2, "CMT")), 25);
  Append(d, Block(RarFileBlock, RarLongBlock | RarFileDirMask, FileBody(0, 0x10, 2, "folder")));
  Append(d, Block(RarFileBlock, RarLongBlock, FileBody(5, 0x41ED, 3, "unixdir")), 5);
  std::vector<uint8_t> name = {'o', 'e', 'm', 0, 0x01, 0x02};
  Append(d, Block(RarFileBlock, RarLongBlock | RarFileUnicode, FileBody(3, 0x20, 2, std::string(name.begin(), name.end()))), 3);
  Append(d, Block(RarEndBlock, 0x4000, {}));
  d.insert(d.end(), 20, 0x77);  // whatever follows the end block is not read

  TMemorySource src(d.data(), d.size());
  RarArchive a;
  int err = -1;
  ASSERT_TRUE(ReadRarArchiveHeader(src, 0, a, err)) << err;
  EXPECT_EQ(a.FirstBlockPos, 7u + 13u);
  WalkResult r = Walk(TFormat::Rar, src);
  EXPECT_EQ(r.Err, 0);
  ASSERT_EQ(r.Entries.size(), 4u);
  EXPECT_EQ(r.Entries[0].Name, "secret.txt");
  EXPECT_TRUE(r.Entries[0].Encrypted);
  EXPECT_EQ(r.Entries[0].Packed, 10u);
  EXPECT_EQ(r.Entries[0].Unpacked, 20u);
  EXPECT_EQ(r.Entries[0].Crc, 0x11223344u);
  EXPECT_EQ(r.Entries[1].Name, "folder");
  EXPECT_TRUE(r.Entries[1].IsDir);
  EXPECT_FALSE(r.Entries[1].Encrypted);
  EXPECT_TRUE(r.Entries[2].IsDir);  // Unix mode 040755
  EXPECT_EQ(r.Entries[3].Name, "oem");
  EXPECT_FALSE(r.Entries[3].IsDir);

  // The end block is described although it ends the walk.
  RarBlock b;
  uint64_t pos = a.FirstBlockPos;
  while (ReadRarBlock(src, pos, b, err)) pos = b.NextPos;
  EXPECT_EQ(err, 0);
  EXPECT_EQ(b.HeadType, RarEndBlock);
}

TEST(RarBlocks, OtherVersionsAreRefused) {
  struct Row {
    std::vector<uint8_t> Data;
    int Err;
  } rows[] = {
      {{'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, rdUnsupportedVersion},
      {{'R', 'a', 'r', '!', 0x1A, 0x07, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, rdUnsupportedVersion},
      {{'R', 'E', '~', '^', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, rdUnsupportedVersion},
      {{'R', 'a', 'r', '?', 0x1A, 0x07, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, rdHeaderId},
      {{'R', 'a', 'r'}, rdReadError},
  };
  for (const Row& r : rows) {
    TMemorySource src(r.Data.data(), r.Data.size());
    RarArchive a;
    int err = -1;
    EXPECT_FALSE(ReadRarArchiveHeader(src, 0, a, err));
    EXPECT_EQ(err, r.Err);
  }
  std::vector<uint8_t> rar5 = Fixture("rar/sharpcompress/Rar5.rar");
  TMemorySource src(rar5.data(), rar5.size());
  RarArchive a;
  int err = -1;
  EXPECT_FALSE(ReadRarArchiveHeader(src, 0, a, err));
  EXPECT_EQ(err, rdUnsupportedVersion);
}

TEST(RarBlocks, DamagedBlocks) {
  std::vector<uint8_t> base = Marker();
  Append(base, MainBlock());
  struct Row {
    const char* What;
    std::vector<uint8_t> Block;
    int Err;
  };
  std::vector<Row> rows;
  {
    std::vector<uint8_t> b = Block(RarFileBlock, RarLongBlock, FileBody(0, 0x20, 2, "name.txt"));
    b[26] = 0xFF;  // name size past the header
    b[27] = 0x00;
    uint16_t crc = uint16_t(Crc32Of(&b[2], b.size() - 2));
    b[0] = uint8_t(crc);
    b[1] = uint8_t(crc >> 8);
    rows.push_back({"name size past the header", b, rdBadFileHeader});
  }
  {
    std::vector<uint8_t> b = Block(RarFileBlock, RarLongBlock, FileBody(0, 0x20, 2, "name.txt"));
    b.back() ^= 1;
    rows.push_back({"header CRC", b, rdHeaderCrc});
  }
  rows.push_back({"header size below the head", {0, 0, 0x74, 0, 0x80, 5, 0}, rdBadFileHeader});
  rows.push_back({"file header short of its fields", Block(RarFileBlock, RarLongBlock, {1, 2, 3, 4, 5, 6, 7, 8}),
                  rdBadFileHeader});
  rows.push_back({"long block without its size", Block(RarSubBlock, RarLongBlock, {1, 2}), rdBadFileHeader});
  rows.push_back({"header cut", {0x12, 0x34, 0x74, 0x00, 0x80, 0x40, 0x00, 1, 2, 3}, rdReadError});
  {
    std::vector<uint8_t> body = FileBody(0xFFFFFFFF, 0x20, 2, "big");
    body.insert(body.begin() + 25, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    rows.push_back({"64-bit size that wraps", Block(RarFileBlock, RarLongBlock | RarFileLarge, body), rdBadFileHeader});
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.What);
    std::vector<uint8_t> d = base;
    Append(d, r.Block);
    TMemorySource src(d.data(), d.size());
    RarBlock b;
    int err = -1;
    EXPECT_FALSE(ReadRarBlock(src, base.size(), b, err));
    EXPECT_EQ(err, r.Err);
  }
}

TEST(RarBlocks, HeaderEncryptionAndVolumes) {
  std::vector<uint8_t> d = Fixture("rar/libarchive/test_read_format_rar_encryption_header.rar");
  TMemorySource src(d.data(), d.size());
  RarArchive a;
  int err = -1;
  ASSERT_TRUE(ReadRarArchiveHeader(src, 0, a, err));
  EXPECT_TRUE(a.HeadersEncrypted);

  std::vector<uint8_t> v = Fixture("rar/sharpcompress/Rar4.multi.part03.rar");
  TMemorySource vs(v.data(), v.size());
  ASSERT_TRUE(ReadRarArchiveHeader(vs, 0, a, err));
  EXPECT_TRUE(a.Volume);
  RarBlock b;
  ASSERT_TRUE(ReadRarBlock(vs, a.FirstBlockPos, b, err));
  EXPECT_TRUE(b.SplitBefore());
  EXPECT_TRUE(b.SplitAfter());

  std::vector<uint8_t> e = Fixture("rar/libarchive/test_read_format_rar4_encrypted.rar");
  TMemorySource es(e.data(), e.size());
  WalkResult r = Walk(TFormat::Rar, es);
  ASSERT_EQ(r.Entries.size(), 4u);
  for (size_t i = 0; i < 4; i++) EXPECT_EQ(r.Entries[i].Encrypted, i % 2 == 1) << r.Entries[i].Name;
}
