#include "archive/core/ziprecords.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "framework/core/streams.h"
#include "tests/support/testsupport.h"

namespace {

using morvtest::HostPath;
using morvtest::RunPeer;

class ZipEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!morvtest::HavePeer("zip") || !morvtest::HavePeer("unzip")) GTEST_SKIP() << "zip/unzip missing";
    dir = morvtest::TempDir();
    morvtest::WriteFile(dir + "/first.txt", morvtest::TextData(5000, 1));
    morvtest::WriteFile(dir + "/second.bin", morvtest::RandomData(3000, 2));
  }

  // An Info-ZIP archive of the two files with a comment of exactly Length
  // bytes (zip stores a line feed as CR LF, so lines are sized for that).
  // unzip checks the archive before the comment goes in: a comment that
  // quotes the signature misleads unzip itself.
  std::string MakeZip(const std::string& name, size_t length, const std::string& extra = "") {
    std::string cmd = "cd " + HostPath(dir) + " && rm -f " + name + " && zip -q " + name +
                      " first.txt second.bin && unzip -tq " + name;
    if (length) {
      std::string comment;
      size_t lines = length / 81;
      for (size_t i = 0; i < lines; i++) comment += std::string(79, char('a' + i % 26)) + "\n";
      comment += std::string(length - lines * 81, 'z');
      if (!extra.empty()) comment.replace(comment.size() / 2, extra.size(), extra);
      morvtest::WriteFile(dir + "/comment.txt", comment);
      cmd += " && zip -q -z " + name + " < comment.txt";
    }
    std::string log;
    EXPECT_EQ(RunPeer(cmd, &log), 0) << log;
    return dir + "/" + name;
  }

  static TZipLocation Find(const std::string& file, int cmntBuf) {
    TFileStream s(file, fmOpenRead | fmShareDenyNone);
    return FindZipEndRecord(s, cmntBuf);
  }

  // The structure of a found archive: end record at the end, both entries, the
  // first central header and its local header verified.
  static void ExpectWholeArchive(const TZipLocation& loc, int64_t fileSize, size_t commentLength) {
    ASSERT_TRUE(loc.EndFound());
    EXPECT_EQ(loc.EndOffset, fileSize - 22 - int64_t(commentLength));
    EXPECT_EQ(loc.End.CommentLength, commentLength);
    EXPECT_EQ(loc.End.EntriesTotal, 2);
    EXPECT_EQ(loc.Flags, zfEndFound | zfCentralFound | zfLocalFound);
    EXPECT_EQ(loc.Offset, int64_t(loc.End.CentralDirOffset));
    EXPECT_EQ(loc.Central.NameLength, 9);
    EXPECT_EQ(loc.Local.UnpackedSize, 5000u);
    EXPECT_EQ(loc.Central.LocalHeaderOffset, 0u);
  }

  std::string dir;
};

TEST_F(ZipEnd, CommentLengthsAgainstBufferSizes) {
  for (size_t comment : {size_t(0), size_t(2000), size_t(32767), size_t(65535)}) {
    std::string file = MakeZip("c" + std::to_string(comment) + ".zip", comment);
    int64_t size = int64_t(morvtest::ReadFile(file).size());
    for (int buffer : {0, 2000, 32767}) {
      SCOPED_TRACE("comment " + std::to_string(comment) + ", buffer " + std::to_string(buffer));
      TZipLocation loc = Find(file, buffer);
      if (comment <= size_t(buffer)) {
        ExpectWholeArchive(loc, size, comment);
      } else {
        EXPECT_FALSE(loc.EndFound()) << "the record lies before the tail read";
        EXPECT_EQ(loc.Offset, 0);
      }
    }
  }
}

TEST_F(ZipEnd, EmptyArchiveOfTwentyTwoBytes) {
  std::vector<uint8_t> empty(22, 0);
  TZipEndRecord().Write(empty.data());
  std::string file = dir + "/empty.zip";
  morvtest::WriteFile(file, empty);
  for (int buffer : {0, 2000}) {
    TZipLocation loc = Find(file, buffer);
    ASSERT_TRUE(loc.EndFound()) << buffer;
    EXPECT_EQ(loc.EndOffset, 0);
    EXPECT_EQ(loc.Flags, zfEndFound);
    EXPECT_EQ(loc.End.EntriesTotal, 0);
    EXPECT_EQ(loc.Offset, 0);
  }
  std::vector<uint8_t> tooShort(empty.begin(), empty.begin() + 21);
  TMemoryStream m;
  m.WriteBuffer(tooShort.data(), int32_t(tooShort.size()));
  EXPECT_FALSE(FindZipEndRecord(m, 2000).EndFound());
}

TEST_F(ZipEnd, TrailingGarbage) {
  std::string file = MakeZip("t.zip", 100);
  std::vector<uint8_t> data = morvtest::ReadFile(file);
  int64_t size = int64_t(data.size());
  std::vector<uint8_t> junk = morvtest::RandomData(700, 3);
  data.insert(data.end(), junk.begin(), junk.end());
  morvtest::WriteFile(file, data);
  TZipLocation loc = Find(file, 2000);
  ExpectWholeArchive(loc, size, 100);
  EXPECT_FALSE(Find(file, 0).EndFound());
}

// Info-ZIP keeps a comment's "PK\5\6" as it is; the record whose comment runs
// to the end of the file is the real one.
TEST_F(ZipEnd, SignatureInsideComment) {
  std::string file = MakeZip("s.zip", 3000, "PK\x05\x06 quoted record");
  int64_t size = int64_t(morvtest::ReadFile(file).size());
  ExpectWholeArchive(Find(file, 32767), size, 3000);

  // Also with bytes after the archive: the record whose central directory
  // is there wins over the look-alike.
  std::vector<uint8_t> data = morvtest::ReadFile(file);
  data.insert(data.end(), 50, 'G');
  morvtest::WriteFile(file, data);
  ExpectWholeArchive(Find(file, 32767), size, 3000);
}

// A comment that quotes a complete copy of the end record, sized so that the
// copy's own comment also ends at the end of the file.
TEST_F(ZipEnd, CraftedRecordInsideComment) {
  std::string file = MakeZip("k.zip", 0);
  std::vector<uint8_t> data = morvtest::ReadFile(file);
  const size_t end = data.size() - 22;
  std::vector<uint8_t> fake(data.begin() + long(end), data.end());
  const size_t before = 40, after = 30;
  PutLE16(&fake[20], uint16_t(after));
  std::vector<uint8_t> comment(before, 'q');
  comment.insert(comment.end(), fake.begin(), fake.end());
  comment.insert(comment.end(), after, 'r');
  PutLE16(&data[end + 20], uint16_t(comment.size()));
  data.insert(data.end(), comment.begin(), comment.end());
  morvtest::WriteFile(file, data);
  ExpectWholeArchive(Find(file, 2000), int64_t(data.size()), comment.size());
}

TEST_F(ZipEnd, CentralDirectoryBehindAStub) {
  std::string file = MakeZip("p.zip", 0);
  std::vector<uint8_t> zip = morvtest::ReadFile(file);
  std::vector<uint8_t> stub = morvtest::RandomData(30000, 4);
  stub[0] = 'M';
  stub[1] = 'Z';
  std::vector<uint8_t> sfx = stub;
  sfx.insert(sfx.end(), zip.begin(), zip.end());
  std::string sfxFile = dir + "/p.exe";
  morvtest::WriteFile(sfxFile, sfx);

  {
    TFileStream s(sfxFile, fmOpenRead | fmShareDenyNone);
    TZipLocation end = FindZipEndRecord(s, 2000);
    EXPECT_EQ(end.Flags, zfEndFound) << "offsets still count from the archive's start";
    EXPECT_EQ(end.Offset, 0);
    TZipLocation cd = FindZipCentralDir(s, 2000);
    EXPECT_EQ(cd.Offset, 30000) << "first local header behind the stub";
    EXPECT_TRUE(cd.Flags & zfLocalFound);
  }

  std::string log;
  ASSERT_EQ(RunPeer("cd " + HostPath(dir) + " && zip -q -A p.exe && unzip -tq p.exe", &log), 0) << log;
  TFileStream s(sfxFile, fmOpenRead | fmShareDenyNone);
  TZipLocation end = FindZipEndRecord(s, 2000);
  EXPECT_EQ(end.Flags, zfEndFound | zfCentralFound | zfLocalFound);
  EXPECT_EQ(end.Central.LocalHeaderOffset, 30000u);
  EXPECT_EQ(FindZipCentralDir(s, 2000).Offset, end.Offset);

  TFileStream plain(file, fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(FindZipCentralDir(plain, 2000).Offset, int64_t(FindZipEndRecord(plain, 2000).End.CentralDirOffset));
}

TEST(ZipRecords, FieldsRoundTrip) {
  TZipCentralHeader c;
  c.VersionMadeBy = 0x0314;
  c.Flags = 9;
  c.Method = 8;
  c.Time = 0x1234;
  c.Date = 0x5678;
  c.Crc32 = 0xDEADBEEF;
  c.PackedSize = 100;
  c.UnpackedSize = 0xFFFFFFF0;
  c.NameLength = 3;
  c.ExtraLength = 4;
  c.CommentLength = 5;
  c.DiskNumberStart = 6;
  c.InternalAttr = 1;
  c.ExternalAttr = 0x81A40020;
  c.LocalHeaderOffset = 0x01020304;
  uint8_t buf[TZipCentralHeader::Size];
  c.Write(buf);
  EXPECT_EQ(GetLE32(buf), ZipCentralSig);
  EXPECT_EQ(GetLE32(buf + 38), 0x81A40020u);
  EXPECT_EQ(GetLE32(buf + 42), 0x01020304u);
  TZipCentralHeader d;
  ByteReader r(buf, sizeof buf);
  ASSERT_TRUE(d.Read(r));
  EXPECT_EQ(d.LocalHeaderOffset, c.LocalHeaderOffset);
  EXPECT_EQ(d.UnpackedSize, c.UnpackedSize);
  EXPECT_EQ(d.CommentLength, 5);
  ByteReader shortR(buf, 45);
  EXPECT_FALSE(d.Read(shortR));

  TZipDataDescriptor dd{0x11111111, 2, 3};
  uint8_t dbuf[16];
  dd.Write(dbuf);
  TZipDataDescriptor withSig, noSig;
  ByteReader r1(dbuf, 16), r2(dbuf + 4, 12);
  ASSERT_TRUE(withSig.Read(r1));
  ASSERT_TRUE(noSig.Read(r2));
  EXPECT_EQ(withSig.Crc32, 0x11111111u);
  EXPECT_EQ(noSig.UnpackedSize, 3u);
}

// Hostile tails: signatures everywhere, lengths and offsets pointing past
// the end. The search must stay inside the file (ASan watches).
TEST(ZipRecords, HostileTailsStayInBounds) {
  std::mt19937 rng(99);
  for (int round = 0; round < 300; round++) {
    size_t size = rng() % 400;
    std::vector<uint8_t> data(size);
    for (auto& b : data) b = uint8_t(rng());
    for (size_t i = 0; i + 4 <= size; i += 1 + rng() % 9) {
      uint32_t sig = (rng() % 3 == 0) ? ZipEndSig : (rng() % 2 ? ZipCentralSig : ZipLocalSig);
      PutLE32(&data[i], sig);
    }
    TMemoryStream m;
    if (size) m.WriteBuffer(data.data(), int32_t(size));
    for (int buffer : {0, 2000, 32767}) {
      TZipLocation loc = FindZipEndRecord(m, buffer);
      if (loc.EndFound()) {
        EXPECT_LE(loc.EndOffset + 22, int64_t(size));
      }
      FindZipCentralDir(m, buffer);
    }
  }
}

}  // namespace
