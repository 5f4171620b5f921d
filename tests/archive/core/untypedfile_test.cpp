#include "archive/core/untypedfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace {

// 200,000 bytes, each a function of its offset, so any read shows where it
// really came from.
std::vector<uint8_t> Pattern() {
  std::vector<uint8_t> D(200000);
  for (size_t i = 0; i < D.size(); ++i) D[i] = uint8_t(i * 7 + (i >> 8));
  return D;
}

class UntypedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Name = morvtest::Join(Dir, "data.bin");
    morvtest::WriteFile(Name, Data);
    ASSERT_TRUE(F.OpenRead(Name));
  }
  // Reads Count bytes at Pos (or where the file stands) and compares them
  // with the pattern; returns the count read.
  size_t ReadAndCheck(int64_t Pos, size_t Count, bool SeekFirst = true) {
    if (SeekFirst) {
      EXPECT_TRUE(F.Seek(Pos));
    }
    std::vector<uint8_t> Buf(Count, 0xEE);
    const size_t Got = F.Read(Buf.data(), Count);
    const size_t Expected = Pos >= int64_t(Data.size()) ? 0 : std::min(Count, Data.size() - size_t(Pos));
    EXPECT_EQ(Got, Expected) << "at " << Pos << " for " << Count;
    for (size_t i = 0; i < Got; ++i)
      if (Buf[i] != Data[size_t(Pos) + i]) {
        ADD_FAILURE() << "byte " << Pos + int64_t(i) << " wrong";
        break;
      }
    EXPECT_EQ(F.Position(), Pos + int64_t(Got));
    return Got;
  }
  std::vector<uint8_t> Data = Pattern();
  std::string Dir, Name;
  TUntypedFile F;
};

// Small records read here and there, as an archive walk reads them: inside
// one read-ahead span, across its end, backwards, far ahead and past the end.
TEST_F(UntypedFile, ScatteredReadsReturnTheFileBytes) {
  const struct {
    int64_t Pos;
    size_t Count;
  } Reads[] = {{0, 30},       {30, 12},     {42, 100},    {65530, 30},  {10, 5},      {131000, 2000},
               {199990, 30},  {200000, 4},  {250000, 10}, {5, 150000},  {0, 200000},  {65536, 65536},
               {100, 1},      {199999, 1}};
  for (const auto& R : Reads) ReadAndCheck(R.Pos, R.Count);
  EXPECT_EQ(F.IOResult(), 0);
}

TEST_F(UntypedFile, ReadsWithoutSeekingFollowOnAndReadingStopsAtTheEnd) {
  int64_t Pos = 0;
  for (size_t Count : {1u, 29u, 70000u, 4096u, 126000u}) Pos += int64_t(ReadAndCheck(Pos, Count, false));
  EXPECT_EQ(Pos, int64_t(Data.size()));
  EXPECT_EQ(ReadAndCheck(Pos, 10, false), 0u);
  EXPECT_EQ(F.Size(), int64_t(Data.size()));
}

// A routine given the stream itself finds it where the file stands.
TEST_F(UntypedFile, TheStreamStandsWhereTheFileDoes) {
  ReadAndCheck(1000, 20);
  TFileStream* S = F.Stream();
  ASSERT_NE(S, nullptr);
  EXPECT_EQ(S->Position(), 1020);
  uint8_t B = 0;
  ASSERT_EQ(S->Read(&B, 1), 1);
  EXPECT_EQ(B, Data[1020]);
  ReadAndCheck(1021, 50, false);
  ReadAndCheck(70000, 50);
}

TEST_F(UntypedFile, NegativeSeekFails) {
  EXPECT_FALSE(F.Seek(-1));
  EXPECT_NE(F.IOResult(), 0);
  ReadAndCheck(7, 7);
}

// A failed create is not held against the file made next: the caller makes
// the missing folder and tries again.
TEST_F(UntypedFile, FailedCreateDoesNotFailTheNextFile) {
  TUntypedFile Out;
  const std::string Sub = morvtest::Join(Dir, "sub"), Target = morvtest::Join(Sub, "x.txt");
  EXPECT_FALSE(Out.Create(Target));
  ASSERT_TRUE(ForceDirectories(Sub));
  ASSERT_TRUE(Out.Create(Target));
  EXPECT_EQ(Out.Write("abc", 3), 3u);
  EXPECT_TRUE(Out.Close());
  EXPECT_EQ(morvtest::ReadFile(Target), (std::vector<uint8_t>{'a', 'b', 'c'}));
}

}  // namespace
