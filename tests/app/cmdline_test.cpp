// The pieces of the command-line jobs that decide names and folders; the
// jobs themselves run end to end in e2e_jobs_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/mainform.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

TEST(CommandLineJob, WhichLinesRunAJob) {
  struct TCase {
    std::vector<std::string> Params;
    bool Job;
  };
  const TCase cases[] = {
      {{}, false},
      {{"-?"}, true},
      {{"-H"}, true},
      {{"-aZIP"}, true},
      {{"-aZ"}, true},
      {{"-az"}, true},  // passes, and then no handler takes it
      {{"-t"}, true},
      {{"-x"}, false},
      {{"C:\\a.zip"}, false},
      {{"-e.zip"}, false},  // a single archive name, however it starts
      {{"-e", "C:\\a.zip"}, true},
      {{"C:\\a.zip", "-e"}, false},
  };
  ArchiveName.clear();
  for (const TCase& c : cases) EXPECT_EQ(IsCommandLineJob(c.Params), c.Job) << (c.Params.empty() ? "" : c.Params[0]);
  ArchiveName = "C:\\open.zip";
  EXPECT_FALSE(IsCommandLineJob({"-e", "C:\\a.zip"})) << "not while an archive is open";
  ArchiveName.clear();
}

TEST(CommandLineJob, UsagePages) {
  const std::vector<std::string> pages = UsagePages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_NE(pages[0].find("\r\rUsage: MORV -<command> -<options> <full_path_of_archive>"), std::string::npos);
  EXPECT_NE(pages[0].find("\r-tosfx      Convert archive to SFX archive\r"), std::string::npos);
  EXPECT_EQ(pages[1].rfind("<Options>\r\r-c<0..4>          Set compression level - only ZIP and BH files\r", 0), 0u);
  EXPECT_EQ(pages[2].rfind("<Examples>\r\rMORV -a -c4 -u c:\\PICS.ZIP c:\\*.gif\r", 0), 0u);
  EXPECT_EQ(pages[2].substr(pages[2].size() - 17), "to DOC\\ subfolder");
  for (const std::string& p : pages) EXPECT_EQ(p.find('\n'), std::string::npos);
}

TEST(CommandLineJob, ListFileTargets) {
  EXPECT_EQ(ListTargetName("C:\\docs\\report.final.txt", ".zip"), "C:\\docs\\report.final.zip");
  EXPECT_EQ(ListTargetName("C:\\docs\\Photos", ".cab"), "C:\\docs\\Photos.cab");
  EXPECT_EQ(ListTargetName("C:\\my.docs\\Photos", ".lzh"), "C:\\my.docs\\Photos.lzh");
  EXPECT_EQ(ListTargetName("C:\\docs\\pack.zip", ".zip"), "C:\\docs\\pack.zip") << "a dropped-on archive";
}

TEST(CommandLineJob, ListFileReading) {
  const std::string dir = morvtest::TempDir();
  const std::string file = dir + "\\morvce.dat";
  morvtest::WriteFile(file, std::string("2\r\nC:\\a b\\x.txt\r\nC:\\y\r\nC:\\not counted\r\n"));
  EXPECT_EQ(ReadListFile(file), (std::vector<std::string>{"C:\\a b\\x.txt", "C:\\y"}));

  std::string many = "1200\r\n";
  for (int i = 0; i < 1200; ++i) many += "C:\\f" + std::to_string(i) + "\r\n";
  morvtest::WriteFile(file, many);
  const std::vector<std::string> names = ReadListFile(file);
  ASSERT_EQ(names.size(), MaxJobNames) << "cut at the limit";
  EXPECT_EQ(names.back(), "C:\\f999");

  for (const char* bad : {"", "x\r\nC:\\a\r\n", "3\r\nC:\\a\r\n", "-1\r\n"}) {
    morvtest::WriteFile(file, std::string(bad));
    EXPECT_THROW(ReadListFile(file), std::exception) << bad;
  }
  EXPECT_THROW(ReadListFile(dir + "\\missing.dat"), std::exception);
}

TEST(CommandLineJob, ExtractFolders) {
  const std::string dir = morvtest::TempDir();
  std::string archive;
  EXPECT_EQ(ExtractJobFolder("-e", dir + "\\a.zip", "", archive), dir + "\\");
  EXPECT_EQ(archive, dir + "\\a.zip");

  EXPECT_EQ(ExtractJobFolder("-e", dir + "\\a.zip", dir + "\\new", archive), dir + "\\new\\");
  EXPECT_TRUE(DirectoryExists(dir + "\\new")) << "one level is created";
  ExtractJobFolder("-e", dir + "\\a.zip", dir + "\\two\\levels", archive);
  EXPECT_FALSE(DirectoryExists(dir + "\\two\\levels"));

  EXPECT_EQ(ExtractJobFolder("-es", dir + "\\doc.gz", "", archive), dir + "\\doc\\");
  EXPECT_TRUE(DirectoryExists(dir + "\\doc"));
  EXPECT_EQ(ExtractJobFolder("-es", dir + "\\pack.bh", "", archive), dir + "\\pack\\");

  const std::string cwd = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir));
  EXPECT_EQ(ExtractJobFolder("-e", "rel.zip", "", archive), IncludeTrailingBackslash(GetCurrentDir()));
  EXPECT_EQ(archive, IncludeTrailingBackslash(GetCurrentDir()) + "rel.zip");
  SetCurrentDir(cwd);
}
