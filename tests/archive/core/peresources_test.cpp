#include "archive/core/peresources.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "framework/core/streams.h"
#include "tests/archive/core/pe_stub.h"
#include "tests/support/testsupport.h"

namespace {

const std::string LongText(300, 'x');

std::string TableRc() {
  return "STRINGTABLE\nBEGIN\n"
         "  1, \"12345\"\n"
         "  2, \"\"\n"
         "  3, \"hello world\"\n"
         "  4, \"4096\"\n"
         "  5, \"" + LongText + "\"\n"
         "  17, \"seventeen\"\n"
         "  4000, \"far block\"\n"
         "END\n";
}

// Id and the string LoadStringA gives into a 256-byte buffer.
const std::vector<std::pair<unsigned, std::string>>& Expected() {
  static const std::vector<std::pair<unsigned, std::string>> E = {
      {0, ""},           {1, "12345"},         {2, ""},   {3, "hello world"}, {4, "4096"},
      {5, LongText.substr(0, 255)},            {6, ""},   {15, ""},           {16, ""},
      {17, "seventeen"}, {18, ""},              {4000, "far block"},          {4001, ""},
      {9999, ""},        {65535, ""},
  };
  return E;
}

std::string ReadWithReader(const std::string& File, unsigned Id, int BufLen = 256) {
  TFileStream S(File, fmOpenRead | fmShareDenyWrite);
  TPeResourceReader R;
  if (!R.Open(S)) return "<not a module>";
  return R.ReadString(Id, BufLen);
}

class PeResources : public ::testing::TestWithParam<int> {};

TEST_P(PeResources, ReadsEveryStringOfTheTable) {
  const int Bits = GetParam();
  std::string Log;
  const std::string Exe = petest::BuildProgram(morvtest::TempDir(), "strings.exe", TableRc(), Bits, &Log);
  ASSERT_FALSE(Exe.empty()) << Log;

  TFileStream S(Exe, fmOpenRead | fmShareDenyWrite);
  TPeResourceReader R;
  ASSERT_TRUE(R.Open(S));
  for (const auto& [Id, Text] : Expected()) EXPECT_EQ(R.ReadString(Id), Text) << "id " << Id;
  // A small buffer cuts the text as LoadStringA does.
  EXPECT_EQ(R.ReadString(1, 4), "123");
  EXPECT_EQ(R.ReadString(1, 1), "");
  EXPECT_EQ(R.ReadString(5, 0), "");

  // The platform's loader (LoadLibraryExA + LoadStringA on Windows) gives the
  // same strings.
  TProgramStrings P;
  ASSERT_TRUE(P.Load(Exe));
  for (const auto& [Id, Text] : Expected()) {
    EXPECT_EQ(P.ReadString(Id), Text) << "id " << Id;
    EXPECT_EQ(P.ReadString(Id, 4), Text.substr(0, 3)) << "id " << Id;
  }
}

TEST_P(PeResources, LanguageChoiceMatchesTheLoader) {
  const int Bits = GetParam();
  const std::string Dir = morvtest::TempDir();
  struct Case {
    const char* Name;
    std::string Rc;
    std::string Want;
  };
  const Case Cases[] = {
      // Only a German table: the loader falls back to the first language.
      {"german.exe", "LANGUAGE 7, 1\nSTRINGTABLE\nBEGIN\n  1, \"deutsch\"\nEND\n", "deutsch"},
      // Neutral beside German: neutral is asked for first.
      {"both.exe",
       "LANGUAGE 7, 1\nSTRINGTABLE\nBEGIN\n  1, \"deutsch\"\nEND\n"
       "LANGUAGE 0, 0\nSTRINGTABLE\nBEGIN\n  1, \"neutral\"\nEND\n",
       "neutral"},
  };
  for (const Case& C : Cases) {
    std::string Log;
    const std::string Exe = petest::BuildProgram(Dir, C.Name, C.Rc, Bits, &Log);
    ASSERT_FALSE(Exe.empty()) << Log;
    EXPECT_EQ(ReadWithReader(Exe, 1), C.Want) << C.Name;
    TProgramStrings P;
    ASSERT_TRUE(P.Load(Exe)) << C.Name;
    EXPECT_EQ(P.ReadString(1), C.Want) << C.Name;
  }
}

INSTANTIATE_TEST_SUITE_P(Bits, PeResources, ::testing::Values(32, 64),
                         [](const ::testing::TestParamInfo<int>& I) { return "PE" + std::to_string(I.param); });

TEST(PeResourcesFiles, NonProgramsAreNotModules) {
  const std::string Dir = morvtest::TempDir();
  std::vector<uint8_t> Dos(600, 0);
  Dos[0] = 'M';
  Dos[1] = 'Z';
  Dos[2] = 0x58;  // bytes in last page
  Dos[4] = 2;     // pages
  Dos[0x3C] = 0x40;
  Dos[0x40] = 'N';
  Dos[0x41] = 'E';
  std::vector<uint8_t> FarHeader = Dos;
  FarHeader[0x3C] = 0xF0;
  FarHeader[0x3F] = 0x7F;  // e_lfanew far beyond the file
  const std::pair<const char*, std::vector<uint8_t>> Files[] = {
      {"dos.exe", Dos},
      {"far.exe", FarHeader},
      {"text.exe", std::vector<uint8_t>(200, 'a')},
      {"tiny.exe", std::vector<uint8_t>{'M', 'Z'}},
  };
  for (const auto& [Name, Bytes] : Files) {
    const std::string Path = petest::Join(Dir, Name);
    morvtest::WriteFile(Path, Bytes);
    EXPECT_EQ(ReadWithReader(Path, 1), "<not a module>") << Name;
    TProgramStrings P;
    EXPECT_FALSE(P.Load(Path)) << Name;
    EXPECT_EQ(P.ReadString(1), "") << Name;
  }
  TProgramStrings P;
  EXPECT_FALSE(P.Load(petest::Join(Dir, "missing.exe")));
}

// Damaged programs: every truncation and a sweep of overwritten bytes through
// the whole image. The reader may lose strings but never reads outside the
// file or past the caller's buffer length, and a string that does not fit
// in the file is absent for every buffer length.
TEST(PeResourcesFiles, DamagedImagesStayInBounds) {
  std::string Log;
  const std::string Exe = petest::BuildProgram(morvtest::TempDir(), "strings.exe", TableRc(), 32, &Log);
  ASSERT_FALSE(Exe.empty()) << Log;
  const std::vector<uint8_t> Good = morvtest::ReadFile(Exe);
  auto Check = [](std::vector<uint8_t> Bytes, const std::string& What) {
    TMemoryStream M;
    if (!Bytes.empty()) M.Write(Bytes.data(), int32_t(Bytes.size()));
    TPeResourceReader R;
    if (!R.Open(M)) return;
    for (unsigned Id : {1u, 3u, 5u, 17u, 4000u}) {
      const std::string S = R.ReadString(Id);
      ASSERT_LE(S.size(), 255u) << What;
      // A string is there or not, whatever buffer reads it.
      const std::string Short = R.ReadString(Id, 4);
      ASSERT_EQ(Short, S.substr(0, 3)) << What << " id " << Id;
    }
  };
  for (size_t Len = 0; Len <= Good.size(); Len += 7)
    Check(std::vector<uint8_t>(Good.begin(), Good.begin() + Len), "truncated at " + std::to_string(Len));
  for (size_t Pos = 0; Pos < Good.size(); ++Pos)
    for (uint8_t V : {uint8_t(0x00), uint8_t(0x7F), uint8_t(0xFF)}) {
      std::vector<uint8_t> Bad = Good;
      Bad[Pos] = V;
      Check(std::move(Bad), "byte " + std::to_string(Pos) + " = " + std::to_string(V));
    }
}

}  // namespace
