#include <gtest/gtest.h>

#include <algorithm>

#include "controls/views/explorertext.h"

TEST(ExplorerText, AttributeAndDriveTexts) {
  EXPECT_EQ(AttributesToText(0x21), "AR");
  EXPECT_EQ(AttributesToText(0x27), "ARHS");
  EXPECT_EQ(AttributesToText(0x10), "");
  EXPECT_EQ(AttributesToText(0x06), "HS");
  EXPECT_EQ(DriveTypeText(2), "Removable Disk");
  EXPECT_EQ(DriveTypeText(6), "RAM Disk");
  EXPECT_EQ(DriveTypeText(7), "");
  EXPECT_EQ(DriveSizeText(0), "0 Mb");
  EXPECT_EQ(DriveSizeText(999), "0 Mb");
  EXPECT_EQ(DriveSizeText(123456789), "123,456 Mb");
  EXPECT_EQ(DriveSizeText(5000000000LL), "5,000,000 Mb");
  EXPECT_EQ(DriveCaption('C', "System (C:)"), " (C:)  System ");
  EXPECT_EQ(DriveCaption('Z', "root"), " (Z:)  ");
}

TEST(ExplorerText, Paths) {
  struct Case {
    const char* Folder;
    const char* Up;
  } cases[] = {{"C:\\", "Drives"},          {"C:", "Drives"},          {"C:\\a\\", "C:\\"},
               {"C:\\a\\b\\", "C:\\a\\"}, {"C:\\a\\b", "C:\\a\\"}, {"\\\\srv\\share\\d\\", "\\\\srv\\share\\"}};
  for (const Case& c : cases) EXPECT_EQ(OneLevelUpFrom(c.Folder), c.Up) << c.Folder;
  EXPECT_EQ(JoinPath("C:\\a\\", "x"), "C:\\a\\x");
  EXPECT_EQ(JoinPath("C:\\a", "x"), "C:\\a\\x");
  EXPECT_EQ(AddSlash(""), "");
  EXPECT_EQ(AddSlash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(AddSlash("C:\\a\\"), "C:\\a\\");
}

TEST(ExplorerText, MasksAndAttributeFilter) {
  EXPECT_EQ(SplitMasks("*.txt; *.doc ;;"), (std::vector<std::string>{"*.txt", "*.doc"}));
  EXPECT_EQ(SplitMasks("*.*"), (std::vector<std::string>{"*.*"}));
  EXPECT_TRUE(SplitMasks(" ; ").empty());
  const uint32_t defaultMask = faReadOnlyBit | faHiddenBit | faSystemBit | faArchiveBit;
  struct Case {
    uint32_t Entry, Mask;
    bool Listed;
  } cases[] = {
      {faArchiveBit, defaultMask, true},
      {faArchiveBit | faReadOnlyBit | faHiddenBit, defaultMask, true},
      {faDirectoryBit, defaultMask, false},                       // folders only with the directory bit
      {faDirectoryBit, defaultMask | faDirectoryBit, true},
      {faArchiveBit, defaultMask | faDirectoryBit, false},        // files not in the folder pass
      {faReadOnlyBit | faArchiveBit, faArchiveBit, false},        // read-only not wanted
      {faHiddenBit | faArchiveBit, faArchiveBit, false},          // archived but hidden
      {0, faArchiveBit, true},                                    // the archive bit is not tested
      {faSystemBit, faArchiveBit | faSystemBit, true},
  };
  for (const Case& c : cases) EXPECT_EQ(EntryMatchesAttrMask(c.Entry, c.Mask), c.Listed) << c.Entry << " " << c.Mask;
}

namespace {

TFileRow Row(const std::string& Name, const std::string& Size, const std::string& Modified, const std::string& Kind,
             const std::string& Type = "File") {
  return {Name, {Size, Type, Modified, "A", "C:\\t\\" + Name, Kind}};
}

std::vector<std::string> Sorted(std::vector<TFileRow> Rows, int Column, bool Reverse, bool Drives = false,
                                TShortDateFormat Format = {}) {
  std::stable_sort(Rows.begin(), Rows.end(), [&](const TFileRow& a, const TFileRow& b) {
    return CompareFileRows(a, b, Column, Reverse, Drives, Format) < 0;
  });
  std::vector<std::string> names;
  for (const TFileRow& r : Rows) names.push_back(r.Caption);
  return names;
}

}  // namespace

TEST(ExplorerText, SortOrders) {
  const std::vector<TFileRow> rows = {
      Row("b.txt", "10", "01/02/2020 10:00", "file"), Row("sub", "0", "05/05/2021 09:00", "dir"),
      Row("A.txt", "900", "12/31/2019 23:59", "file"), Row("c.bin", "25", "01/02/2020 09:30", "file"),
      Row("zdir", "0", "01/01/2000 00:00", "dir")};
  struct Case {
    int Column;
    bool Reverse;
    std::vector<std::string> Order;
  } cases[] = {
      {0, false, {"sub", "zdir", "A.txt", "b.txt", "c.bin"}},
      {0, true, {"c.bin", "b.txt", "A.txt", "zdir", "sub"}},
      // The first click on the size column reverses: largest first, folders last.
      {1, true, {"A.txt", "c.bin", "b.txt", "sub", "zdir"}},
      {1, false, {"sub", "zdir", "b.txt", "c.bin", "A.txt"}},
      {3, false, {"zdir", "sub", "A.txt", "c.bin", "b.txt"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Sorted(rows, c.Column, c.Reverse), c.Order) << c.Column << c.Reverse;
  // Numbers compare as numbers, not as text.
  EXPECT_LT(CompareFileRows(Row("x", "9", "", "file"), Row("y", "10", "", "file"), 1, false, false, {}), 0);
  // Dates follow the list's own order of day and month.
  const std::vector<TFileRow> dmy = {Row("later", "1", "02/01/2020 00:00", "file"),
                                     Row("earlier", "1", "31/12/2019 00:00", "file")};
  EXPECT_EQ(Sorted(dmy, 3, false, false, {"dd/mm/yyyy", '/'}), (std::vector<std::string>{"earlier", "later"}));
}

TEST(ExplorerText, DriveListSortsByText) {
  auto drive = [](const std::string& Caption, const std::string& Type, const std::string& Free) {
    return TFileRow{Caption, {Type, "1 Mb", Free, "", Caption.substr(2, 2) + "\\", "drv"}};
  };
  const std::vector<TFileRow> rows = {drive(" (C:)  ", "Fixed Disk", "9 Mb"), drive(" (D:)  ", "CD-ROM Disk", "0 Mb"),
                                      drive(" (E:)  ", "Fixed Disk", "10 Mb")};
  EXPECT_EQ(Sorted(rows, 1, false, true), (std::vector<std::string>{" (D:)  ", " (C:)  ", " (E:)  "}));
  // "Free Space" compares as text even though it holds numbers.
  EXPECT_EQ(Sorted(rows, 3, false, true), (std::vector<std::string>{" (D:)  ", " (E:)  ", " (C:)  "}));
}

TEST(ExplorerText, DiskInformationTexts) {
  EXPECT_EQ(SerialNumberText(0x2A1F16FD), "2A1F-16FD");
  EXPECT_EQ(SerialNumberText(0), "0000-0000");
  struct Case {
    int64_t Bytes;
    const char* Text;
  } cases[] = {{1048576, "1.00 Mb"},         {1023, "1023.00 bytes"},   {512, "512.00 bytes"},
               {-1, "-1.00 bytes"},          {1024, "1.00 Kb"},         {35389440, "33.75 Mb"},
               {1288490189, "1.20 Gb"},      {5368709120LL, "5.00 Gb"}, {1099511627776LL * 3, "3.00 Tb"},
               {1099511627776LL * 2048, "2048.00 Tb"}};
  for (const Case& c : cases) EXPECT_EQ(DiskSizeText(c.Bytes), c.Text) << c.Bytes;
}

TEST(ExplorerText, StatusTextShortening) {
  auto width = [](const std::string& s) { return static_cast<int>(s.size()); };
  EXPECT_EQ(ShortenFolderPart("\\a\\b\\"), "\\...\\b\\");
  EXPECT_EQ(ShortenFolderPart("\\...\\b\\"), "\\...\\");
  EXPECT_EQ(ShortenFolderPart("\\"), "");
  EXPECT_EQ(ShortenFolderPart("...\\"), "");
  EXPECT_EQ(MinimizePath("C:\\alpha\\beta\\gamma\\file.txt", 100, width), "C:\\alpha\\beta\\gamma\\file.txt");
  EXPECT_EQ(MinimizePath("C:\\alpha\\beta\\gamma\\file.txt", 26, width), "C:\\...\\beta\\gamma\\file.txt");
  EXPECT_EQ(MinimizePath("C:\\alpha\\beta\\gamma\\file.txt", 24, width), "C:\\...\\gamma\\file.txt");
  EXPECT_EQ(MinimizePath("C:\\alpha\\beta\\gamma\\file.txt", 20, width), "C:\\...\\file.txt");
  EXPECT_EQ(MinimizePath("C:\\alpha\\beta\\gamma\\file.txt", 14, width), "...\\file.txt");
  EXPECT_EQ(MinimizePath("C:\\alpha\\beta\\gamma\\file.txt", 3, width), "file.txt");
  EXPECT_EQ(MinimizeText("abcdefghij", 10, width), "abcdefghij");
  EXPECT_EQ(MinimizeText("abcdefghij", 8, width), "abcde...");
  EXPECT_EQ(BrowseSelectionText("C:"), "C:\\");
  EXPECT_EQ(BrowseSelectionText("C:\\"), "C:\\");
  EXPECT_EQ(BrowseSelectionText("C:\\tmp\\"), "C:\\tmp");
  EXPECT_EQ(BrowseSelectionText("\\"), "\\");
}
