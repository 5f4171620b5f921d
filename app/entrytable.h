// The entry table of the open archive: one TFile per row of the entry list,
// the totals, the folders met while listing, and the Explorer-style fill that
// shows one folder level at a time. Nothing here touches the disk or a
// window; entry names are only ever shown, never used as paths.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct TArcEntryInfo;

constexpr int MaxFileCount = 50000;
constexpr int MaxFolderCount = 10000;
constexpr int MaxTreeLevelCount = 500;

struct TFile {
  std::string Name;      // file part; a folder record ends with "\"; "..\" is the parent
  int32_t FileDate = 0;  // DOS form, time in the low word
  std::string SizeText;  // decimal, "SUB-DIR" or "UP---DIR"
  std::string PackedText;
  std::string RatioText;
  std::string Path;  // folder part with trailing "\", '' at the root
  uint8_t Encrypted = 0;
  int32_t IconIndex = 0;
  uint8_t Selected = 0;
  uint8_t IconResolved = 0;
  std::string VolumeName;
};

// Row r of the entry list shows FileTable[r]; FileCount == FileTable.size().
extern std::vector<TFile> FileTable;
extern int FileCount;

// Every folder path met while listing (trailing "\"), each with its prefixes.
extern std::vector<std::string> FolderList;
extern int FolderCount;

extern int64_t TotalPacked;
extern int64_t TotalUnpacked;
extern int ArchiveFileCount;
extern int SubFolderEntryCount;
extern std::string TotalUnpackedKB;
extern std::string TotalPackedKB;
extern int TotalRatio;

// "95%", "00%", "100%": two digits and "%" or "100%".
std::string RatioText(int64_t Packed, int64_t Unpacked);
// Round(Bytes / 1024), a half to the even neighbour.
int64_t RoundKB(int64_t Bytes);
bool IsFolderRecord(const TFile& F);
bool IsParentRecord(const TFile& F);

struct TFillOptions {
  bool ExplorerStyle = false;
  std::string CurrentFolder = "\\";  // "\" or "a\b\"
  bool DownCase = true;
  bool Cab = false;  // packed sizes and ratios are unknown ("?")
};

// One fill of the table: construct (which empties the table and the totals),
// add the archive's entries in order, then Finish. An Add returns false once
// the table is full; the fill should stop then and report Overflow().
class TEntryFill {
 public:
  explicit TEntryFill(const TFillOptions& Options);

  // A Zip central-directory entry ("\" or "/" separators).
  bool AddZipEntry(const std::string& StoredName, int64_t Packed, int64_t Unpacked, uint32_t DosDateTime,
                   bool Encrypted);
  // The lister's current entry during OnRead.
  bool AddListerEntry(const TArcEntryInfo& E);
  // The parent record first, folder records next; then the sort of SortOrder.
  void Finish(int SortOrder);

  bool Overflow() const { return FOverflow; }
  int FoldersDropped() const { return FFoldersDropped; }

 private:
  bool AddEntry(std::string Name, std::string Path, int64_t Packed, int64_t Unpacked, int32_t DosDate,
                bool Encrypted, const std::string& Volume, bool CountSizes);
  bool Push(TFile&& F);
  void NoteFolders(const std::string& Path, const std::string& PathKey);
  TFillOptions FOpt;
  std::string FCurrentKey;  // lower-cased CurrentFolder, '' for the root
  std::unordered_set<std::string> FFolderKeys;
  std::unordered_set<std::string> FFolderRecordKeys;
  std::string FLastNotedKey;
  bool FOverflow = false;
  int FFoldersDropped = 0;
};

// Sorts FileTable by a sort code (1-7, 10-16; 8 and others leave the order).
// With ExplorerStyle the leading folder records stay in front, by name.
void SortEntries(int SortOrder, bool ExplorerStyle);

// The folder tree of FolderList: node 0 is the root (Path "\"); every other
// node's Path is its folder with trailing "\" and Text its last component.
// At most MaxTreeLevelCount children per node.
struct TFolderNode {
  std::string Text;
  std::string Path;
  int Parent = -1;
  std::vector<int> Children;
};
std::vector<TFolderNode> BuildFolderTreeModel();
// The node whose Path equals Folder (ignoring case), 0 for "\" or none.
int FindFolderNode(const std::vector<TFolderNode>& Tree, const std::string& Folder);

// "a\b\" -> "a\"; "a\" -> "\"; "\" stays.
std::string ParentFolder(const std::string& Folder);
