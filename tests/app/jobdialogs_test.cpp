// The rules of the job dialogs that decide names, places and sizes.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/contaddform.h"
#include "dialogs/exeform.h"
#include "dialogs/spanform.h"

TEST(JobDialogs, SpanningSizes) {
  const int sizes[9] = {0, 102400, 512000, 737280, 1228800, 1433600, 1740800, 2048000, 2867200};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(TWriteSpanForm::VolumeSize(i), sizes[i]) << i;
  EXPECT_EQ(TWriteSpanForm::VolumeSize(-1), 0);
  EXPECT_EQ(TWriteSpanForm::VolumeSize(9), 0);
}

TEST(JobDialogs, SelfExtractorNameAndPlace) {
  EXPECT_EQ(TEXEForm::OutputNameFor("C:\\Data\\Pack.ZIP"), "c:\\data\\pack.exe");
  const int64_t size = 1000000;
  // Another drive, or no drive letter: built in place, no space check.
  EXPECT_EQ(TEXEForm::BuildPlace("D:\\x.exe", "C:\\x.zip", 0, size), 0);
  EXPECT_EQ(TEXEForm::BuildPlace("\\\\srv\\x.exe", "C:\\x.zip", 0, size), 0);
  EXPECT_EQ(TEXEForm::BuildPlace("c:\\x.exe", "C:\\x.zip", size + 100000, size), 0);
  EXPECT_EQ(TEXEForm::BuildPlace("c:\\x.exe", "C:\\x.zip", size + 99999, size), 1) << "through the temporary folder";
  EXPECT_EQ(TEXEForm::BuildPlace("c:\\x.exe", "C:\\x.zip", 100001, size), 1);
  EXPECT_EQ(TEXEForm::BuildPlace("c:\\x.exe", "C:\\x.zip", 100000, size), 2) << "no room at all";
}

TEST(JobDialogs, AddDialogTargets) {
  EXPECT_EQ(TContAddForm::TargetFor("C:\\docs\\report.final.txt", "-aZIP"), "C:\\docs\\report.final.zip");
  EXPECT_EQ(TContAddForm::TargetFor("C:\\docs\\Photos", "-aCAB"), "C:\\docs\\Photos.cab");
  EXPECT_EQ(TContAddForm::TargetFor("C:\\docs\\a.txt", "-aLHA"), "C:\\docs\\a.lzh");
  EXPECT_EQ(TContAddForm::TargetFor("C:\\docs\\a.txt", "-aBH"), "C:\\docs\\a.bh");
  EXPECT_EQ(TContAddForm::TargetFor("C:\\docs\\a.txt", "-a"), "C:\\docs\\a.zip");
}
