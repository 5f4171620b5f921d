// The directory walk the Zip writers copy entries by: every local record's
// place and length against archives Info-ZIP makes, and damaged ones.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/formats/zip/zipdir.h"
#include "framework/core/streams.h"
#include "tests/support/testsupport.h"

namespace {

void Load(TMemoryStream& M, const std::vector<uint8_t>& D) {
  if (!D.empty()) M.WriteBuffer(D.data(), int32_t(D.size()));
}

class ZipDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(Dir) + "' && mkdir src && cd src && seq 1 5000 > a.txt && printf 'b\\n' > b.txt"),
              0);
  }
  // The walk over what Command (run in src) made as ../t.zip.
  std::vector<uint8_t> Make(const std::string& Command) {
    EXPECT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(Dir) + "/src' && rm -f ../t.zip && " + Command), 0);
    return morvtest::ReadFile(morvtest::Join(Dir, "t.zip"));
  }
  std::string Dir;
};

TEST_F(ZipDirTest, RecordsTileTheEntryArea) {
  struct TCase {
    const char* Command;
    int64_t Stub;
    int64_t Shift;
  } Cases[] = {
      {"zip -q ../t.zip a.txt b.txt", 0, 0},
      {"zip -q - a.txt b.txt | cat > ../t.zip", 0, 0},  // data descriptors
      {"head -c 300 /dev/zero > ../t.zip && zip -q - a.txt b.txt | cat >> ../t.zip", 300, 300},
      {"head -c 300 /dev/zero > ../t.zip && zip -q - a.txt b.txt | cat >> ../t.zip && zip -q -A ../t.zip", 300, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Command);
    std::vector<uint8_t> D = Make(C.Command);
    TMemoryStream M;
    Load(M, D);
    TZipDirectory Z;
    std::string Why;
    ASSERT_TRUE(ReadZipDirectory(M, Z, Why)) << Why;
    ASSERT_EQ(Z.Items.size(), 2u);
    EXPECT_EQ(Z.StubSize, C.Stub);
    EXPECT_EQ(Z.Shift, C.Shift);
    EXPECT_EQ(Z.Items[0].Name, "a.txt");
    // Each record ends where the next begins; the last where the directory does.
    EXPECT_EQ(Z.Items[0].LocalPos, C.Stub);
    EXPECT_EQ(Z.Items[0].LocalPos + Z.Items[0].LocalSize, Z.Items[1].LocalPos);
    EXPECT_EQ(Z.Items[1].LocalPos + Z.Items[1].LocalSize, Z.CentralPos);
  }
}

TEST_F(ZipDirTest, DamageIsRefusedNotOverread) {
  std::vector<uint8_t> Good = Make("zip -q ../t.zip a.txt b.txt");
  TMemoryStream M;
  Load(M, Good);
  TZipDirectory Z;
  std::string Why;
  ASSERT_TRUE(ReadZipDirectory(M, Z, Why));
  const size_t Central = size_t(Z.CentralPos);
  auto Patch32 = [](std::vector<uint8_t>& D, size_t At, uint32_t V) {
    for (int i = 0; i < 4; i++) D[At + i] = uint8_t(V >> (8 * i));
  };
  struct TCase {
    const char* What;
    std::function<void(std::vector<uint8_t>&)> Damage;
  } Cases[] = {
      {"local signature", [](std::vector<uint8_t>& D) { D[0] = 'X'; }},
      {"packed size past the directory", [&](std::vector<uint8_t>& D) { Patch32(D, Central + 20, 0x7FFFFFFF); }},
      {"local offset past the file", [&](std::vector<uint8_t>& D) { Patch32(D, Central + 42, 0x7FFFFFF0); }},
      {"Zip64 size", [&](std::vector<uint8_t>& D) { Patch32(D, Central + 24, 0xFFFFFFFF); }},
      {"directory larger than the file", [&](std::vector<uint8_t>& D) { Patch32(D, D.size() - 22 + 12, 0x7FFFFFFF); }},
      {"truncated", [&](std::vector<uint8_t>& D) { D.resize(Central + 10); }},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    std::vector<uint8_t> D = Good;
    C.Damage(D);
    TMemoryStream Bad;
    Load(Bad, D);
    EXPECT_FALSE(ReadZipDirectory(Bad, Z, Why));
    EXPECT_FALSE(Why.empty());
  }
}

}  // namespace
