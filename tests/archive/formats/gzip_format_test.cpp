#include "archive/formats/gzip/gzip_format.h"

#include <gtest/gtest.h>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

std::string Host(const std::string& dir, const std::string& name) { return morvtest::HostPath(dir + "/" + name); }

GzipHeader Parse(const std::vector<uint8_t>& d, int& err) {
  TMemorySource src(d.data(), d.size());
  GzipHeader h;
  ReadGzipHeader(src, h, err);
  return h;
}

}  // namespace

TEST(GzipHeader, PeerGzipWithAndWithoutStoredName) {
  if (!morvtest::HavePeer("gzip")) GTEST_SKIP() << "gzip missing";
  std::string dir = morvtest::TempDir();
  std::vector<uint8_t> text = morvtest::TextData(50000, 7);
  morvtest::WriteFile(dir + "/report.txt", text);
  ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) + "' && touch -d @1234567890 report.txt && gzip -9 -N -c report.txt > named.gz && gzip -n -c report.txt > bare.gz"), 0);

  int err = -1;
  std::vector<uint8_t> named = morvtest::ReadFile(dir + "/named.gz");
  GzipHeader h = Parse(named, err);
  ASSERT_EQ(err, 0);
  EXPECT_TRUE(h.IsGzip);
  EXPECT_EQ(h.Method, 8);
  EXPECT_TRUE(h.HasName);
  EXPECT_EQ(h.FileName, "report.txt");
  EXPECT_EQ(h.MTime, 1234567890u);
  EXPECT_FALSE(h.MultiPart);
  EXPECT_EQ(h.DataPos, 10u + 11u);
  EXPECT_EQ(h.PackedSize, named.size() - h.DataPos - 8);
  EXPECT_EQ(h.Crc, Crc32Of(text.data(), text.size()));
  EXPECT_EQ(h.UnpackedSize, text.size());

  std::vector<uint8_t> bare = morvtest::ReadFile(dir + "/bare.gz");
  h = Parse(bare, err);
  ASSERT_EQ(err, 0);
  EXPECT_FALSE(h.HasName);
  EXPECT_TRUE(h.FileName.empty());
  EXPECT_EQ(h.DataPos, 10u);
  EXPECT_EQ(h.Crc, Crc32Of(text.data(), text.size()));
}

// FHCRC (flag 2 of RFC 1952) is a header checksum, not gzip 0.x's multi-part
// mark; the comment is passed over and the data found behind both.
TEST(GzipHeader, CommentExtraAndHeaderCrcFromPython) {
  if (!morvtest::HavePeer("python3") || !morvtest::HavePeer("gzip")) GTEST_SKIP() << "python3 or gzip missing";
  std::string dir = morvtest::TempDir();
  std::string script =
      "import zlib,struct,sys\n"
      "data=b'peer data line\\n'*300\n"
      "co=zlib.compressobj(9,zlib.DEFLATED,-15); comp=co.compress(data)+co.flush()\n"
      "h=b'\\x1f\\x8b\\x08'+bytes([0x02|0x04|0x08|0x10])+struct.pack('<I',1000000000)+b'\\x00\\x03'\n"
      "h+=struct.pack('<H',6)+b'AB\\x02\\x00xy'+b'stored name.txt\\x00'+b'a comment, long enough\\x00'\n"
      "h+=struct.pack('<H',zlib.crc32(h)&0xffff)\n"
      "open(sys.argv[1],'wb').write(h+comp+struct.pack('<II',zlib.crc32(data),len(data)))\n"
      "print(len(h))\n";
  morvtest::WriteFile(dir + "/mk.py", script);
  std::string out;
  ASSERT_EQ(morvtest::RunPeer("python3 " + Host(dir, "mk.py") + " " + Host(dir, "c.gz"), &out), 0) << out;
  ASSERT_EQ(morvtest::RunPeer("gzip -t " + Host(dir, "c.gz")), 0) << "the peer must accept the fixture";
  std::vector<uint8_t> d = morvtest::ReadFile(dir + "/c.gz");

  int err = -1;
  GzipHeader h = Parse(d, err);
  ASSERT_EQ(err, 0);
  EXPECT_TRUE(h.HasHeaderCrc);
  EXPECT_FALSE(h.MultiPart);
  EXPECT_EQ(h.FileName, "stored name.txt");
  EXPECT_EQ(h.DataPos, std::stoull(out));
  EXPECT_EQ(h.UnpackedSize, 15u * 300u);

  std::vector<uint8_t> bad = d;
  bad[h.DataPos - 3] ^= 1;  // inside the comment
  Parse(bad, err);
  EXPECT_EQ(err, rdHeaderCrc);
}

TEST(GzipHeader, OldGzipMultiPartCarriesItsPartNumber) {
  std::vector<uint8_t> d = {0x1F, 0x9E, 8, 0x02 | 0x08, 0, 0, 0, 0, 0, 3, 7, 0};
  PutStr(d, "part.dat");
  d.push_back(0);
  d.insert(d.end(), 12, 0xAA);
  int err = -1;
  GzipHeader h = Parse(d, err);
  ASSERT_EQ(err, 0);
  EXPECT_TRUE(h.MultiPart);
  EXPECT_FALSE(h.HasHeaderCrc);
  EXPECT_EQ(h.PartNumber, 7);
  EXPECT_EQ(h.FileName, "part.dat");
  EXPECT_EQ(h.DataPos, 12u + 9u);
}

TEST(GzipHeader, CompressFilesCarryNoName) {
  if (!morvtest::HavePeer("compress")) GTEST_SKIP() << "compress missing";
  std::string dir = morvtest::TempDir();
  morvtest::WriteFile(dir + "/plain.txt", morvtest::TextData(20000, 3));
  ASSERT_EQ(morvtest::RunPeer("compress -c " + Host(dir, "plain.txt") + " > " + Host(dir, "plain.txt.Z")), 0);
  std::vector<uint8_t> d = morvtest::ReadFile(dir + "/plain.txt.Z");
  int err = -1;
  GzipHeader h = Parse(d, err);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(h.Signature, CompressSignature);
  EXPECT_FALSE(h.IsGzip);
  EXPECT_FALSE(h.HasName);
  EXPECT_EQ(h.CompressFlags, 0x90);
  EXPECT_EQ(h.DataPos, 3u);
  EXPECT_EQ(h.PackedSize, d.size());

  // Byte 3 is code data: its bit 3 says nothing about a name.
  std::vector<uint8_t> z = {0x1F, 0x9D, 0x90, 0xFF, 0x41, 0x42, 0x43, 0};
  h = Parse(z, err);
  ASSERT_EQ(err, 0);
  EXPECT_FALSE(h.HasName);
  EXPECT_EQ(h.MTime, 0u);

  for (const char* f : {"libarchive/test_archive_string_conversion.txt.Z", "libarchive/test_read_format_raw.data.Z",
                        "sharpcompress/Tar.tar.Z", "sharpcompress/large_test.txt.Z"}) {
    SCOPED_TRACE(f);
    h = Parse(Fixture(std::string("z/") + f), err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(h.CompressFlags, 0x90);
    EXPECT_FALSE(h.HasName);
  }
}

TEST(GzipHeader, DamagedHeaders) {
  std::vector<uint8_t> ok = {0x1F, 0x8B, 8, 0x08, 0, 0, 0, 0, 0, 3, 'n', 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  struct Row {
    const char* What;
    std::vector<uint8_t> Data;
    int Err;
  } rows[] = {
      {"not of the family", {0x50, 0x4B, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, rdHeaderId},
      {"one byte", {0x1F}, rdReadError},
      {"header without trailer", {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 1, 2, 3}, rdReadError},
      {"name running into the trailer", {0x1F, 0x8B, 8, 0x08, 0, 0, 0, 0, 0, 3, 'a', 'b', 1, 2, 3, 4, 5, 6, 7, 8},
       rdReadError},
      {"extra field longer than the file", {0x1F, 0x8B, 8, 0x04, 0, 0, 0, 0, 0, 3, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8},
       rdReadError},
      {"header CRC missing", {0x1F, 0x8B, 8, 0x02, 0, 0, 0, 0, 0, 3, 1, 2, 3, 4, 5, 6, 7}, rdReadError},
  };
  int err = -1;
  Parse(ok, err);
  EXPECT_EQ(err, 0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.What);
    Parse(r.Data, err);
    EXPECT_EQ(err, r.Err);
  }
  // Every cut short of the name and the trailer fails cleanly.
  for (size_t n = 0; n < 20; n++) {
    std::vector<uint8_t> cut(ok.begin(), ok.begin() + n);
    Parse(cut, err);
    EXPECT_NE(err, 0) << n;
  }
}

TEST(GzipHeader, PackAndLzhCompressAreRecognisedOnly) {
  for (uint8_t second : {uint8_t(0x1E), uint8_t(0xA0)}) {
    std::vector<uint8_t> d = {0x1F, second, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    int err = -1;
    GzipHeader h = Parse(d, err);
    ASSERT_EQ(err, 0);
    EXPECT_FALSE(h.IsGzip);
    EXPECT_FALSE(h.HasName);
    EXPECT_EQ(h.PackedSize, d.size());
  }
}
