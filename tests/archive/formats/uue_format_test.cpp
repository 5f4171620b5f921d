#include "archive/formats/uue/uue_format.h"

#include <gtest/gtest.h>

#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using namespace rdtest;

namespace {

bool Find(const std::string& text, UueBegin& b, int& err, size_t scan = UueListerScan) {
  TMemorySource src(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return FindUueBegin(src, 0, scan, b, err);
}

}  // namespace

// Files of every size from uuencode: long ones start with "M", short ones
// with another count character, and both are uuencode.
TEST(UueBegin, PeerUuencodeOfEverySize) {
  if (!morvtest::HavePeer("uuencode")) GTEST_SKIP() << "uuencode missing";
  std::string dir = morvtest::TempDir();
  for (size_t size : {size_t(1), size_t(6), size_t(44), size_t(45), size_t(1000)}) {
    SCOPED_TRACE(size);
    morvtest::WriteFile(dir + "/in.bin", morvtest::RandomData(size, uint32_t(size)));
    ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) +
                                "' && printf 'From: someone\\nSubject: a file\\n\\n' > m.uue && chmod 640 in.bin && "
                                "uuencode in.bin stored.dat >> m.uue"),
              0);
    std::vector<uint8_t> d = morvtest::ReadFile(dir + "/m.uue");
    std::string text(d.begin(), d.end());
    UueBegin b;
    int err = -1;
    ASSERT_TRUE(Find(text, b, err)) << err;
    EXPECT_EQ(b.FileName, "stored.dat");
    EXPECT_EQ(b.Mode, "640");
    EXPECT_EQ(b.BeginPos, text.find("begin "));
    EXPECT_EQ(text.compare(b.DataPos, 1, size >= 45 ? "M" : std::string(1, char(' ' + size))), 0);
    EXPECT_EQ(b.Kind, TUueKind::ukUU);
  }
}

TEST(UueBegin, HeaderLines) {
  struct Row {
    const char* What;
    std::string Text;
    bool Found;
    std::string Name, Mode;
    TUueKind Kind;
  } rows[] = {
      {"four-digit mode", "begin 0644 four.txt\n&86)C9&5F\n`\nend\n", true, "four.txt", "0644", TUueKind::ukUU},
      {"CR LF lines", "begin 600 crlf.bin\r\nM" + std::string(60, 'A') + "\r\nend\r\n", true, "crlf.bin", "600",
       TUueKind::ukUU},
      {"name cut at a blank", "begin 644 two words.txt\n", true, "two", "644", TUueKind::ukUnknown},
      {"xxencode", "begin 644 x.xxe\nh" + std::string(60, '+') + "\n+\nend\n", true, "x.xxe", "644", TUueKind::ukXX},
      {"short xxencode line", "begin 644 x.xxe\n4Nm-mRKNm\n+\nend\n", true, "x.xxe", "644", TUueKind::ukXX},
      {"begin inside a line is no begin", "say begin 644 no.txt\n", false, "", "", TUueKind::ukUnknown},
      {"base64 is not read", "begin-base64 644 b.txt\nAAAA\n====\n", false, "", "", TUueKind::ukUnknown},
      {"table before begin", "table\n" + std::string(32, 'a') + "\n" + std::string(32, 'b') + "\nbegin 644 t.bin\nxyz\n",
       true, "t.bin", "644", TUueKind::ukTable},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.What);
    UueBegin b;
    int err = -1;
    EXPECT_EQ(Find(r.Text, b, err), r.Found);
    EXPECT_EQ(err, r.Found ? 0 : rdNoBeginLine);
    if (!r.Found) continue;
    EXPECT_EQ(b.FileName, r.Name);
    EXPECT_EQ(b.Mode, r.Mode);
    EXPECT_EQ(b.Kind, r.Kind);
  }
  UueBegin b;
  int err = -1;
  std::string longName = "begin 644 " + std::string(400, 'n') + "\n";
  ASSERT_TRUE(Find(longName, b, err));
  EXPECT_EQ(b.FileName.size(), UueMaxName);
  std::string late = std::string(40000, 'x') + "\nbegin 644 late.txt\n";
  EXPECT_FALSE(Find(late, b, err));
  EXPECT_TRUE(Find(late, b, err, late.size()));
}

TEST(UueBegin, Fixtures) {
  UueBegin b;
  int err = -1;
  std::vector<uint8_t> d = Fixture("uue/libarchive/test_read_format_rar.rar.uu");
  ASSERT_TRUE(Find(std::string(d.begin(), d.end()), b, err));
  EXPECT_EQ(b.FileName, "test_read_format_rar.rar");
  EXPECT_EQ(b.Kind, TUueKind::ukUU);
  d = Fixture("uue/libarchive/test_read_filter_uudecode_raw.uu");
  ASSERT_TRUE(Find(std::string(d.begin(), d.end()), b, err));
  EXPECT_EQ(b.FileName, "LICENSE.txt");
  EXPECT_EQ(b.Mode, "755");
  d = Fixture("uue/libarchive/test_read_filter_uudecode_base64_raw.uu");
  EXPECT_FALSE(Find(std::string(d.begin(), d.end()), b, err));
}

TEST(UueBegin, LineKinds) {
  EXPECT_EQ(UueLineKind("M" + std::string(60, '!')), TUueKind::ukUU);
  EXPECT_EQ(UueLineKind("h" + std::string(60, 'A')), TUueKind::ukXX);
  EXPECT_EQ(UueLineKind("#86)C"), TUueKind::ukUU);    // 3 bytes, uuencode only
  EXPECT_EQ(UueLineKind("1Nm-mRK"), TUueKind::ukXX);  // "1" = 3 in xxencode; lower case is not uuencode
  EXPECT_EQ(UueLineKind(""), TUueKind::ukUnknown);
  EXPECT_EQ(UueLineKind("~~~~"), TUueKind::ukUnknown);
}
