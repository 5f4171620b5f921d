// The routines behind the handlers: archive kinds, the menu forms of paths,
// the list file and the command lines Morv is started with.
#include "shellext/handover.h"
#include "tests/shellext/shellext_test.h"
#include "tests/support/testsupport.h"

namespace {

using namespace brimshex;
using shexttest::SplitCommandLine;

TEST(ShellExtRoutines, ShortenPath) {
  const struct {
    const char* In;
    const char* Out;
  } cases[] = {
      {"C:\\Documents\\Projects\\Reports\\2024\\Annual", "C:\\Doc...\\Pro...\\Rep...\\202...\\Annual"},
      {"C:\\Users\\Me\\Downloads\\Pack\\files", "C:\\Use...\\Me\\Dow...\\Pac...\\files"},
      // Four parts or fewer stay as they are, without the added backslash.
      {"C:\\Documents\\Projects\\Reports", "C:\\Documents\\Projects\\Reports"},
      {"C:\\Documents\\Projects\\Reports\\", "C:\\Documents\\Projects\\Reports"},
      {"C:\\a\\b", "C:\\a\\b"},
      // A bare drive keeps its backslash.
      {"C:\\", "C:\\"},
      {"C:", "C:\\"},
      // Five parts, the last one kept whole however long.
      {"C:\\abcd\\ef\\ghij\\klmnopqrst", "C:\\abc...\\ef\\ghi...\\klmnopqrst"},
      {"\\\\server\\share\\folder\\sub", "\\\\ser...\\sha...\\fol...\\sub"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortenPath(c.In), c.Out) << c.In;
}

TEST(ShellExtRoutines, CaptionNamesAndExtensions) {
  EXPECT_EQ(CaptionName("C:\\docs\\report.txt"), "report");
  EXPECT_EQ(CaptionName("C:\\docs\\report.final.txt"), "report.final");
  EXPECT_EQ(CaptionName("C:\\a\\b"), "b");
  EXPECT_EQ(CaptionName("plain.txt"), "plain.txt");
  EXPECT_EQ(WithoutExtension("C:\\Users\\Me\\files.zip"), "C:\\Users\\Me\\files");
  EXPECT_EQ(WithoutExtension("C:\\my.folder\\archive"), "C:\\my.folder\\archive");
  EXPECT_EQ(LowerExtension("C:\\x\\DATA.ZIP"), ".zip");
  EXPECT_EQ(LowerExtension("C:\\x.y\\noext"), "");
  EXPECT_EQ(FolderOf("C:\\in\\a.txt"), "C:\\in\\");
  EXPECT_EQ(FolderOf("C:\\out"), "C:\\");
}

TEST(ShellExtRoutines, ArchiveKinds) {
  const std::string dir = morvtest::TempDir();
  const auto file = [&](const std::string& Name, std::vector<uint8_t> Data) {
    const std::string path = dir + "\\" + Name;
    morvtest::WriteFile(path, Data);
    return path;
  };
  const auto sfx = shexttest::SelfExtractorBytes(4096, 3000);
  // The last place inside the first 128 KB where all four bytes fit, and
  // the first one where they do not.
  const auto late = shexttest::SelfExtractorBytes(SfxScanBytes + 16, SfxScanBytes - 4);
  const auto tooLate = shexttest::SelfExtractorBytes(SfxScanBytes + 16, SfxScanBytes - 3);

  const struct {
    std::string Name;
    bool CheckForSFXs;
    TArchiveKind Kind;
  } cases[] = {
      {"C:\\x\\data.ZIP", true, akZip},
      {"C:\\x\\a.rar", true, akOther},
      {"C:\\x\\a.tar.gz", true, akOther},
      {"C:\\x\\a.Z", true, akOther},
      {"C:\\x\\a.tgz", true, akOther},
      {"C:\\x\\a.lzh", true, akOther},
      {"C:\\x\\a.jar", true, akOther},
      {"C:\\x\\report.txt", true, akNone},
      {"C:\\x\\folder", true, akNone},
      {"C:\\zip.d\\noext", true, akNone},
      {file("setup.exe", sfx), true, akSfx},
      {file("setup2.exe", sfx), false, akNone},
      {file("late.exe", late), true, akSfx},
      {file("toolate.exe", tooLate), true, akNone},
      {file("tiny.exe", {0x50, 0x4B, 0x03}), true, akNone},
      {dir + "\\missing.exe", true, akNone},
  };
  for (const auto& c : cases) EXPECT_EQ(GetArchiveKind(c.Name, c.CheckForSFXs), c.Kind) << c.Name;
}

TEST(ShellExtRoutines, ListFileFormat) {
  const std::string dir = morvtest::TempDir();
  const std::string list = dir + "\\morvce.dat";
  morvtest::WriteFile(list, std::string(100, 'x'));  // truncated, not appended to
  ASSERT_TRUE(WriteListFile(list, {"C:\\in\\a.txt", "C:\\in\\b b.txt", "C:\\in\\sub"}));
  const auto bytes = morvtest::ReadFile(list);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "3\r\nC:\\in\\a.txt\r\nC:\\in\\b b.txt\r\nC:\\in\\sub\r\n");
  EXPECT_FALSE(WriteListFile(dir + "\\no such folder\\morvce.dat", {"C:\\a"}));
}

// The command lines are checked as built and as a Windows program splits
// them: an unquoted program path with a blank would start another program,
// and a quote after a backslash would swallow the quote.
TEST(ShellExtRoutines, CommandLinesQuoteTheProgramAndEveryArgument) {
  const std::string program = "C:\\Program Files\\Quillon\\morv.exe";
  const std::string line = ProgramCommandLine(program, "-et", "C:\\My Files\\box.zip");
  EXPECT_EQ(line, "\"C:\\Program Files\\Quillon\\morv.exe\" -et \"C:\\My Files\\box.zip\"");
  EXPECT_EQ(SplitCommandLine(line), (std::vector<std::string>{program, "-et", "C:\\My Files\\box.zip"}));
  EXPECT_EQ(ProgramCommandLine(program, "", "C:\\x\\setup.exe"),
            "\"C:\\Program Files\\Quillon\\morv.exe\" \"C:\\x\\setup.exe\"");

  const struct {
    const char* Folder;
    const char* Quoted;
    const char* Read;
  } folders[] = {
      {"C:\\out\\", "\"C:\\out\"", "C:\\out"},
      {"C:\\out", "\"C:\\out\"", "C:\\out"},
      {"C:\\my out\\\\", "\"C:\\my out\"", "C:\\my out"},
      // A drive root keeps its backslash, doubled so it does not escape the quote.
      {"C:\\", "\"C:\\\\\"", "C:\\"},
  };
  for (const auto& f : folders) {
    EXPECT_EQ(QuoteFolder(f.Folder), f.Quoted) << f.Folder;
    EXPECT_EQ(SplitCommandLine("x -e \"C:\\a.zip\" " + QuoteFolder(f.Folder)),
              (std::vector<std::string>{"x", "-e", "C:\\a.zip", f.Read}))
        << f.Folder;
  }
}

}  // namespace
