#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/core/bytes.h"
#include "archive/core/crc.h"
#include "archive/core/ziprecords.h"
#include "archive/core/zipcrypt.h"
#include "framework/core/streams.h"
#include "tests/archive/core/arctest.h"
#include "tests/support/testsupport.h"

namespace {

uint32_t Crc32Of(const std::vector<uint8_t>& d) {
  uint32_t c = 0xFFFFFFFFu;
  Crc32Block(d.data(), d.size(), c);
  return ~c;
}

TEST(ZipCipher, EmptyPasswordLeavesInitialKeys) {
  ZipInitKeys("something");
  ZipInitKeys("");
  EXPECT_EQ(ZipKeys().Key0, 0x12345678u);
  EXPECT_EQ(ZipKeys().Key1, 0x23456789u);
  EXPECT_EQ(ZipKeys().Key2, 0x34567890u);
}

TEST(ZipCipher, HeaderCarriesCheckByteAndRoundTrips) {
  const uint32_t crc = 0xA1B2C3D4u;
  uint8_t hdr[ZipEncryptHeaderSize];
  ZipMakeEncryptHeader("secret", crc, hdr);
  std::vector<uint8_t> plain = morvtest::TextData(1000, 3), data = plain;
  ZipEncryptBuffer(data.data(), data.size());
  EXPECT_NE(data, plain);

  ASSERT_TRUE(ZipCheckDecryptHeader("secret", hdr, 0xA1));
  ZipDecryptBuffer(data.data(), data.size());
  EXPECT_EQ(data, plain);
  EXPECT_FALSE(ZipCheckDecryptHeader("secret", hdr, 0xA2));
}

// One stored, encrypted entry written with the record writers and the
// encrypting block writer; Info-ZIP's unzip must accept it.
TEST(ZipCipher, EntryWeEncryptPassesUnzip) {
  if (!morvtest::HavePeer("unzip")) GTEST_SKIP() << "unzip missing";
  const std::string password = "pw";
  std::vector<uint8_t> plain = morvtest::TextData(70000, 11);
  const uint32_t crc = Crc32Of(plain);
  const std::string name = "notes.txt";

  TMemoryStream out;
  TZipLocalHeader lh;
  lh.Flags = zgEncrypted;
  lh.Time = 0x6000;
  lh.Date = 0x2C21;
  lh.Crc32 = crc;
  lh.PackedSize = uint32_t(plain.size() + ZipEncryptHeaderSize);
  lh.UnpackedSize = uint32_t(plain.size());
  lh.NameLength = uint16_t(name.size());
  uint8_t rec[TZipCentralHeader::Size];
  lh.Write(rec);
  out.WriteBuffer(rec, TZipLocalHeader::Size);
  out.WriteBuffer(name.data(), int32_t(name.size()));
  uint8_t eh[ZipEncryptHeaderSize];
  ZipMakeEncryptHeader(password, crc, eh);
  out.WriteBuffer(eh, sizeof eh);

  TTestArc arc(atZip);
  arc.SetArchiveFile("out.zip");
  arc.OutputMode = omPassedStream;
  arc.ResetCrc();
  std::vector<uint8_t> work = plain;
  for (size_t pos = 0; pos < work.size(); pos += 32768) {
    size_t n = std::min<size_t>(32768, work.size() - pos);
    ASSERT_EQ(arc.WriteBlockEncryptProc(nullptr, &out, 1, n, 32, true, work.data() + pos), n);
  }
  EXPECT_EQ(~arc.Crc32, crc) << "the CRC is the plain data's";

  TZipCentralHeader ch;
  ch.Flags = lh.Flags;
  ch.Time = lh.Time;
  ch.Date = lh.Date;
  ch.Crc32 = crc;
  ch.PackedSize = lh.PackedSize;
  ch.UnpackedSize = lh.UnpackedSize;
  ch.NameLength = lh.NameLength;
  ch.ExternalAttr = 0x20;
  const uint32_t cdOffset = uint32_t(out.Position());
  ch.Write(rec);
  out.WriteBuffer(rec, TZipCentralHeader::Size);
  out.WriteBuffer(name.data(), int32_t(name.size()));
  TZipEndRecord er;
  er.EntriesOnDisk = er.EntriesTotal = 1;
  er.CentralDirOffset = cdOffset;
  er.CentralDirSize = uint32_t(out.Position()) - cdOffset;
  er.Write(rec);
  out.WriteBuffer(rec, TZipEndRecord::Size);

  std::string file = morvtest::TempDir() + "/ours.zip";
  out.SaveToFile(file);
  std::string log;
  EXPECT_EQ(morvtest::RunPeer("unzip -P pw -t " + morvtest::HostPath(file), &log), 0) << log;
  EXPECT_NE(log.find("OK"), std::string::npos) << log;
  EXPECT_NE(morvtest::RunPeer("unzip -P wrong -t " + morvtest::HostPath(file), &log), 0) << log;
}

// What Info-ZIP enciphers (it sets the data-descriptor bit, so the check byte
// is the DOS time's high byte) deciphers through the read block.
TEST(ZipCipher, WeDecryptZipOutput) {
  if (!morvtest::HavePeer("zip")) GTEST_SKIP() << "zip missing";
  std::string dir = morvtest::TempDir();
  std::vector<uint8_t> plain = morvtest::RandomData(100000, 5);
  morvtest::WriteFile(dir + "/p.bin", plain);
  std::string log;
  ASSERT_EQ(morvtest::RunPeer("cd " + morvtest::HostPath(dir) + " && zip -q -0 -P Quill2000 enc.zip p.bin", &log), 0)
      << log;

  TUntypedFile f;
  ASSERT_TRUE(f.OpenRead(dir + "/enc.zip"));
  TZipLocalHeader lh;
  ASSERT_TRUE(ReadZipRecordAt(*f.Stream(), 0, lh));
  ASSERT_TRUE(lh.Valid());
  ASSERT_TRUE(lh.Flags & zgEncrypted);
  ASSERT_EQ(lh.Method, 0);
  const uint8_t check = (lh.Flags & zgDataDescriptor) ? uint8_t(lh.Time >> 8) : uint8_t(lh.Crc32 >> 24);
  ASSERT_TRUE(f.Seek(TZipLocalHeader::Size + lh.NameLength + lh.ExtraLength));

  TTestArc arc(atZip);
  arc.SetArchiveFile(dir + "/enc.zip");
  arc.InputMode = imFile;
  uint8_t eh[ZipEncryptHeaderSize];
  ASSERT_EQ(arc.ReadBlockProc(&f, nullptr, sizeof eh, 0, false, eh), sizeof eh);
  ASSERT_TRUE(ZipCheckDecryptHeader("Quill2000", eh, check));

  arc.ResetCrc();
  std::vector<uint8_t> got(plain.size());
  size_t pos = 0;
  while (pos < got.size()) {
    size_t n = arc.ReadBlockProc(&f, nullptr, std::min<size_t>(4093, got.size() - pos), 32, true, got.data() + pos);
    ASSERT_GT(n, 0u);
    pos += n;
  }
  EXPECT_EQ(got, plain);
  EXPECT_EQ(~arc.Crc32, Crc32Of(plain));

  // A wrong password is refused by the check byte or, in the rare case the
  // byte matches by chance, by the CRC of what it deciphers.
  ASSERT_TRUE(f.Seek(TZipLocalHeader::Size + lh.NameLength + lh.ExtraLength + ZipEncryptHeaderSize));
  if (ZipCheckDecryptHeader("quill2000", eh, check)) {
    arc.ResetCrc();
    arc.ReadBlockProc(&f, nullptr, got.size(), 32, true, got.data());
    EXPECT_NE(~arc.Crc32, Crc32Of(plain));
  }
}

// ARJ's garbling, as the arj program writes it with -g: every byte XORed with
// the next password character plus the header's modifier byte.
TEST(ArjGarble, DecryptsArjOutputAcrossBlocks) {
  if (!morvtest::HavePeer("arj")) GTEST_SKIP() << "arj missing";
  std::string dir = morvtest::TempDir();
  std::vector<uint8_t> plain = morvtest::TextData(20011, 9);
  morvtest::WriteFile(dir + "/t.txt", plain);
  std::string log;
  ASSERT_EQ(morvtest::RunPeer("cd " + morvtest::HostPath(dir) + " && arj a -m0 -gabc g.arj t.txt", &log), 0) << log;
  std::vector<uint8_t> arj = morvtest::ReadFile(dir + "/g.arj");

  // Walk the main header to the first file header by the stored sizes.
  size_t pos = 0;
  auto skipHeader = [&](std::vector<uint8_t>& basic) {
    ASSERT_LE(pos + 4, arj.size());
    ASSERT_EQ(GetLE16(&arj[pos]), 0xEA60);
    size_t size = GetLE16(&arj[pos + 2]);
    ASSERT_LE(pos + 4 + size + 6, arj.size());
    basic.assign(arj.begin() + long(pos) + 4, arj.begin() + long(pos + 4 + size));
    pos += 4 + size + 4;
    for (;;) {
      size_t ext = GetLE16(&arj[pos]);
      pos += 2;
      if (ext == 0) break;
      pos += ext + 4;
    }
  };
  std::vector<uint8_t> mainHdr, fileHdr;
  skipHeader(mainHdr);
  skipHeader(fileHdr);
  ASSERT_TRUE(fileHdr[4] & 0x01) << "entry is garbled";
  ASSERT_EQ(fileHdr[5], 0) << "stored";
  const uint32_t packed = GetLE32(&fileHdr[12]);
  const uint32_t crc = GetLE32(&fileHdr[20]);
  ASSERT_EQ(packed, plain.size());
  ASSERT_LE(pos + packed, arj.size());

  TTestArc arc(atArj);
  arc.SetArchiveFile("g.arj");
  arc.Password = "abc";
  arc.ArjKeyModifier = fileHdr[7];
  arc.ArjKeyPos = 0;
  arc.InputMode = imMemory;
  arc.SetMemoryInput(&arj[pos], packed);
  arc.ResetCrc();
  std::vector<uint8_t> got(packed);
  size_t done = 0;
  // Block sizes that are not multiples of the password length.
  const size_t blocks[] = {1, 7, 5, 100, 4096};
  for (size_t i = 0; done < got.size(); i++) {
    size_t n = arc.ReadBlockProc(nullptr, nullptr, std::min(blocks[i % 5], got.size() - done), 32, true, &got[done]);
    ASSERT_GT(n, 0u);
    done += n;
  }
  ASSERT_EQ(done, got.size());
  EXPECT_EQ(got, plain);
  EXPECT_EQ(~arc.Crc32, crc);
}

}  // namespace
