#include "app/entrytable.h"

#include <gtest/gtest.h>

#include "app/mainform.h"
#include "archive/core/zipcommon.h"

namespace {

std::vector<std::string> Names() {
  std::vector<std::string> n;
  for (const TFile& f : FileTable) n.push_back(f.Name);
  return n;
}

TFillOptions Options(bool Explorer, const std::string& Folder = "\\", bool DownCase = true) {
  TFillOptions o;
  o.ExplorerStyle = Explorer;
  o.CurrentFolder = Folder;
  o.DownCase = DownCase;
  return o;
}

// a/b/c.txt, d.txt and a/e.txt, as a Zip directory lists them.
void FillSample(const TFillOptions& O, int Sort = 8) {
  TEntryFill fill(O);
  fill.AddZipEntry("a/", 0, 0, 0, false);
  fill.AddZipEntry("a/b/c.txt", 10, 100, 0x52000000, false);
  fill.AddZipEntry("d.txt", 20, 20, 0x53000000, true);
  fill.AddZipEntry("a/e.txt", 5, 50, 0x51000000, false);
  fill.Finish(Sort);
}

TEST(RatioText, FollowsTheRoundingAndPaddingRules) {
  struct {
    int64_t Packed, Unpacked;
    const char* Text;
  } cases[] = {
      {2, 1, "00%"},       {50, 1000, "95%"},  {0, 0, "00%"},   {1000, 1000, "00%"}, {0, 1000, "100%"},
      {1, 1000000, "100%"}, {995, 1000, "00%"}, {990, 1000, "01%"}, {5, 1000, "100%"}, {15, 1000, "98%"},
      // 2.5 % saved rounds to the even neighbour.
      {975, 1000, "02%"},
  };
  for (const auto& c : cases) EXPECT_EQ(RatioText(c.Packed, c.Unpacked), c.Text) << c.Packed << "/" << c.Unpacked;
}

TEST(RoundKB, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundKB(1536), 2);
  EXPECT_EQ(RoundKB(2560), 2);
  EXPECT_EQ(RoundKB(1000), 1);
  EXPECT_EQ(RoundKB(511), 0);
}

TEST(EntryFill, ClassicStyleListsEveryFileWithItsFolder) {
  FillSample(Options(false));
  ASSERT_EQ(FileCount, 3);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.txt", "d.txt", "e.txt"}));
  EXPECT_EQ(FileTable[0].Path, "a\\b\\");
  EXPECT_EQ(FileTable[0].SizeText, "100");
  EXPECT_EQ(FileTable[0].PackedText, "10");
  EXPECT_EQ(FileTable[0].RatioText, "90%");
  EXPECT_EQ(FileTable[0].FileDate, 0x52000000);
  EXPECT_EQ(FileTable[1].Path, "");
  EXPECT_EQ(FileTable[1].Encrypted, 1);
  EXPECT_EQ(ArchiveFileCount, 3);
  EXPECT_EQ(TotalUnpacked, 170);
  EXPECT_EQ(TotalPacked, 35);
}

TEST(EntryFill, ExplorerStyleShowsOneFolderLevel) {
  FillSample(Options(true));
  EXPECT_EQ(Names(), (std::vector<std::string>{"a\\", "d.txt"}));
  EXPECT_EQ(FileTable[0].SizeText, "SUB-DIR");
  EXPECT_EQ(FileTable[0].PackedText, "SUB-DIR");
  EXPECT_EQ(FileTable[0].RatioText, "");
  EXPECT_EQ(FolderCount, 2);
  // Each entry counts once in the totals, folder records add nothing.
  EXPECT_EQ(TotalUnpacked, 170);
  EXPECT_EQ(ArchiveFileCount, 3);

  FillSample(Options(true, "a\\"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"..\\", "b\\", "e.txt"}));
  EXPECT_EQ(FileTable[0].SizeText, "UP---DIR");
  EXPECT_EQ(FileTable[0].Path, "a\\");
  EXPECT_EQ(FileTable[1].Path, "a\\");

  FillSample(Options(true, "A\\B\\"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"..\\", "c.txt"}));
}

TEST(EntryFill, DownCaseAppliesToNamesAndPaths) {
  TEntryFill fill(Options(false));
  fill.AddZipEntry("DIR\\ReadMe.TXT", 1, 1, 0, false);
  fill.Finish(8);
  EXPECT_EQ(FileTable[0].Name, "readme.txt");
  EXPECT_EQ(FileTable[0].Path, "dir\\");

  TEntryFill keep(Options(false, "\\", false));
  keep.AddZipEntry("DIR\\ReadMe.TXT", 1, 1, 0, false);
  keep.Finish(8);
  EXPECT_EQ(FileTable[0].Name, "ReadMe.TXT");
}

TEST(EntryFill, ListerEntriesSkipFoldersAndMarkCabSizes) {
  TFillOptions o = Options(false);
  o.Cab = true;
  TEntryFill fill(o);
  TArcEntryInfo e;
  e.FileName = "sub\\";
  EXPECT_TRUE(fill.AddListerEntry(e));
  e.FileName = "";
  EXPECT_TRUE(fill.AddListerEntry(e));
  e.FileName = "folder";
  e.ExternalAttr = 0x10;
  EXPECT_TRUE(fill.AddListerEntry(e));
  e.FileName = "\\x.bin";
  e.ExternalAttr = 0x20;
  e.PackedSize = 7;
  e.UnpackedSize = 9;
  e.VolumeName = "vol1.cab";
  e.Date = 29221.0 + 365 * 20;
  EXPECT_TRUE(fill.AddListerEntry(e));
  fill.Finish(1);
  ASSERT_EQ(FileCount, 1);
  EXPECT_EQ(FileTable[0].Name, "x.bin");
  EXPECT_EQ(FileTable[0].Path, "");
  EXPECT_EQ(FileTable[0].PackedText, "?");
  EXPECT_EQ(FileTable[0].RatioText, "?");
  EXPECT_EQ(FileTable[0].VolumeName, "vol1.cab");
  EXPECT_NE(FileTable[0].FileDate, 0);
}

TEST(EntryFill, ListerSizesAbove2GBShowWholeAndTotalPast4GB) {
  TEntryFill fill(Options(false));
  TArcEntryInfo e;
  e.ExternalAttr = 0x20;
  e.FileName = "a.iso";
  e.PackedSize = e.UnpackedSize = 3000000000u;
  ASSERT_TRUE(fill.AddListerEntry(e));
  e.FileName = "b.iso";
  e.PackedSize = e.UnpackedSize = 4294967295u;
  ASSERT_TRUE(fill.AddListerEntry(e));
  fill.Finish(1);
  ASSERT_EQ(FileCount, 2);
  EXPECT_EQ(FileTable[0].SizeText, "3000000000");
  EXPECT_EQ(FileTable[1].PackedText, "4294967295");
  EXPECT_EQ(TotalUnpacked, 7294967295);
  EXPECT_EQ(TotalPacked, 7294967295);
}

TEST(EntryFill, TableRefusesTheEntryBeyondItsLimit) {
  TEntryFill fill(Options(false));
  for (int i = 0; i < MaxFileCount; ++i) ASSERT_TRUE(fill.AddZipEntry("f" + std::to_string(i), 1, 1, 0, false));
  EXPECT_FALSE(fill.Overflow());
  EXPECT_FALSE(fill.AddZipEntry("one-more", 1, 1, 0, false));
  EXPECT_TRUE(fill.Overflow());
  EXPECT_EQ(FileCount, MaxFileCount);
  EXPECT_EQ(FileTable.size(), size_t(MaxFileCount));
}

TEST(EntryFill, FolderListStopsAtItsLimit) {
  TEntryFill fill(Options(true));
  for (int i = 0; i < MaxFolderCount + 5; ++i) fill.AddZipEntry("d" + std::to_string(i) + "/f", 1, 1, 0, false);
  fill.Finish(1);
  EXPECT_EQ(FolderCount, MaxFolderCount);
  EXPECT_EQ(fill.FoldersDropped(), 5);
  EXPECT_EQ(FileCount, MaxFolderCount + 5);  // the records of the root still show every folder
}

TEST(EntryFill, NamesThatLookLikePathsStayNames) {
  TEntryFill fill(Options(true));
  fill.AddZipEntry("../../etc/passwd", 1, 1, 0, false);
  fill.AddZipEntry("C:\\x\\y.txt", 1, 1, 0, false);
  fill.Finish(1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"..\\", "c:\\"}));
  EXPECT_EQ(FileTable[0].SizeText, "SUB-DIR");
}

void FillSizes(bool Explorer, int Sort) {
  TEntryFill fill(Options(Explorer));
  fill.AddZipEntry("z/inner.txt", 1, 1, 0x10000000, false);
  fill.AddZipEntry("mid.doc", 900, 1000, 0x30000000, false);
  fill.AddZipEntry("big.txt", 100, 5000, 0x20000000, false);
  fill.AddZipEntry("small.c", 10, 10, 0x40000000, false);
  fill.AddZipEntry("b/inner.txt", 1, 1, 0x10000000, false);
  fill.Finish(Sort);
}

TEST(SortEntries, EveryCodeOrdersItsKeyAndTheSecondCodeReverses) {
  struct {
    int Code;
    std::vector<std::string> Names;
  } cases[] = {
      {1, {"b\\", "z\\", "big.txt", "mid.doc", "small.c"}},
      {10, {"b\\", "z\\", "small.c", "mid.doc", "big.txt"}},
      {3, {"b\\", "z\\", "small.c", "mid.doc", "big.txt"}},
      {4, {"b\\", "z\\", "big.txt", "mid.doc", "small.c"}},
      {13, {"b\\", "z\\", "small.c", "mid.doc", "big.txt"}},
      {5, {"b\\", "z\\", "mid.doc", "big.txt", "small.c"}},
      {6, {"b\\", "z\\", "big.txt", "mid.doc", "small.c"}},
      {15, {"b\\", "z\\", "small.c", "mid.doc", "big.txt"}},
      {7, {"b\\", "z\\", "small.c", "mid.doc", "big.txt"}},
      {16, {"b\\", "z\\", "big.txt", "mid.doc", "small.c"}},
      {8, {"z\\", "b\\", "mid.doc", "big.txt", "small.c"}},
  };
  for (const auto& c : cases) {
    FillSizes(true, c.Code);
    EXPECT_EQ(Names(), c.Names) << "code " << c.Code;
  }
}

TEST(SortEntries, PathOrderAndNumericRatiosInTheClassicStyle) {
  FillSizes(false, 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"big.txt", "mid.doc", "small.c", "inner.txt", "inner.txt"}));
  EXPECT_EQ(FileTable[3].Path, "b\\");
  EXPECT_EQ(FileTable[4].Path, "z\\");
  // "100%" is more than "98%" although it sorts before it as text.
  TEntryFill fill(Options(false));
  fill.AddZipEntry("a", 2, 100, 0, false);
  fill.AddZipEntry("b", 0, 100, 0, false);
  fill.AddZipEntry("c", 50, 100, 0, false);
  fill.Finish(6);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a", "c"}));
}

TEST(SortEntries, MarkersSortAfterNumbersConsistently) {
  TFillOptions o = Options(false);
  o.Cab = true;
  TEntryFill fill(o);
  fill.AddZipEntry("a", 1, 10, 0, false);
  fill.AddZipEntry("b", 1, 30, 0, false);
  fill.AddZipEntry("c", 1, 20, 0, false);
  fill.Finish(5);  // packed sizes are all "?": the order stays
  EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
  SortEntries(4, false);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "c", "a"}));
}

TEST(FolderTree, MirrorsTheFolderListWithPaths) {
  TEntryFill fill(Options(true));
  fill.AddZipEntry("a/b/c.txt", 1, 1, 0, false);
  fill.AddZipEntry("a/x/y.txt", 1, 1, 0, false);
  fill.AddZipEntry("q/r.txt", 1, 1, 0, false);
  fill.Finish(1);
  const std::vector<TFolderNode> tree = BuildFolderTreeModel();
  ASSERT_EQ(tree.size(), 5u);
  ASSERT_EQ(tree[0].Children.size(), 2u);
  const TFolderNode& a = tree[size_t(tree[0].Children[0])];
  EXPECT_EQ(a.Text, "a");
  EXPECT_EQ(a.Path, "a\\");
  ASSERT_EQ(a.Children.size(), 2u);
  EXPECT_EQ(tree[size_t(a.Children[1])].Path, "a\\x\\");
  EXPECT_EQ(tree[size_t(a.Children[1])].Text, "x");
  EXPECT_EQ(FindFolderNode(tree, "A\\X\\"), a.Children[1]);
  EXPECT_EQ(FindFolderNode(tree, "\\"), 0);
}

TEST(FolderTree, OneLevelHoldsAtMostItsLimit) {
  TEntryFill fill(Options(true));
  for (int i = 0; i < MaxTreeLevelCount + 3; ++i) fill.AddZipEntry("d" + std::to_string(i) + "/f", 1, 1, 0, false);
  fill.Finish(1);
  EXPECT_EQ(BuildFolderTreeModel()[0].Children.size(), size_t(MaxTreeLevelCount));
}

TEST(ParentFolder, CutsOneLevel) {
  EXPECT_EQ(ParentFolder("a\\b\\"), "a\\");
  EXPECT_EQ(ParentFolder("a\\"), "\\");
  EXPECT_EQ(ParentFolder("\\"), "\\");
}

TEST(SortCommands, SecondClickReversesThirdRestores) {
  int order = 3;
  order = NextSortOrder(order, 1);
  EXPECT_EQ(order, 1);
  order = NextSortOrder(order, 1);
  EXPECT_EQ(order, 10);
  order = NextSortOrder(order, 1);
  EXPECT_EQ(order, 1);
  EXPECT_EQ(NextSortOrder(4, 4), 13);
  EXPECT_EQ(NextSortOrder(8, 8), 8);
}

TEST(SelectionStatus, CountsFilesAndKilobytes) {
  TEntryFill fill(Options(true, "a\\"));
  fill.AddZipEntry("a/one", 1, 1536, 0, false);
  fill.AddZipEntry("a/two", 1, 1024, 0, false);
  fill.AddZipEntry("a/sub/x", 1, 99999, 0, false);
  fill.Finish(1);
  ASSERT_EQ(Names(), (std::vector<std::string>{"..\\", "sub\\", "one", "two"}));
  EXPECT_EQ(SelectionStatusText({}), "No file(s) selected.");
  EXPECT_EQ(SelectionStatusText({0}), "No file(s) selected.");
  EXPECT_EQ(SelectionStatusText({2}), "Selected 1 file, 2 kB");
  EXPECT_EQ(FileTable[2].Selected, 1);
  EXPECT_EQ(SelectionStatusText({2, 3}), "Selected 2 files, 2 kB");
  EXPECT_EQ(FileTable[2].Selected, 1);
  // The folder counts as a file but adds no bytes; 2560 bytes give 2 kB.
  EXPECT_EQ(SelectionStatusText({1, 2, 3}), "Selected 3 files, 2 kB");
  EXPECT_EQ(SelectionStatusText({3}), "Selected 1 file, 1 kB");
  EXPECT_EQ(FileTable[2].Selected, 0);
}

TEST(SelectionStatus, ThousandsOfFilesGetASeparator) {
  TEntryFill fill(Options(false));
  std::vector<int> rows;
  for (int i = 0; i < 1000; ++i) {
    fill.AddZipEntry("f" + std::to_string(i), 1, 0, 0, false);
    rows.push_back(i);
  }
  fill.Finish(8);
  EXPECT_EQ(SelectionStatusText(rows), "Selected 1,000 files, 0 kB");
}

TEST(TotalsStatus, OneStoredFile) {
  TEntryFill fill(Options(false));
  fill.AddZipEntry("x", 1000, 1000, 0, false);
  fill.Finish(1);
  EXPECT_EQ(TotalsStatusText(false, false), "Total 1 file, 1 kB [1 kB]");
  EXPECT_EQ(TotalsStatusText(true, false), "Total 1 file; 0 dirs, 1 kB [1 kB]");
  EXPECT_EQ(TotalsStatusText(false, true), "Total 1 file, 1 kB [? kB]");
}

TEST(ShortenHistoryPath, ShortensFromFourBackslashes) {
  EXPECT_EQ(ShortenHistoryPath("C:\\Documents\\Archives\\x.zip"), "C:\\Documents\\Archives\\x.zip");
  EXPECT_EQ(ShortenHistoryPath("C:\\Documents\\Archives\\Old\\x.zip"), "C:\\Doc...\\Arc...\\Old\\x.zip");
}

}  // namespace
