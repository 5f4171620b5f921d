#include "app/entrytable.h"

#include <algorithm>
#include <numeric>

#include "archive/core/zipcommon.h"
#include "framework/core/sysutils.h"

std::vector<TFile> FileTable;
int FileCount = 0;
std::vector<std::string> FolderList;
int FolderCount = 0;
int64_t TotalPacked = 0;
int64_t TotalUnpacked = 0;
int ArchiveFileCount = 0;
int SubFolderEntryCount = 0;
std::string TotalUnpackedKB;
std::string TotalPackedKB;
int TotalRatio = 0;

namespace {

constexpr const char* SubDirText = "SUB-DIR";
constexpr const char* UpDirText = "UP---DIR";

std::string Backslashes(std::string S) {
  std::replace(S.begin(), S.end(), '/', '\\');
  return S;
}

void SplitName(const std::string& Stored, std::string& Name, std::string& Path) {
  const size_t p = Stored.rfind('\\');
  if (p == std::string::npos) {
    Name = Stored;
    Path.clear();
  } else {
    Name = Stored.substr(p + 1);
    Path = Stored.substr(0, p + 1);
  }
}

// The first folder level of Path below Current ('' = root), with trailing
// "\"; '' when Path is Current itself or lies elsewhere.
std::string FolderBelow(const std::string& PathKey, const std::string& CurrentKey, const std::string& Path) {
  if (PathKey.size() <= CurrentKey.size() || PathKey.compare(0, CurrentKey.size(), CurrentKey) != 0) return {};
  const size_t e = Path.find('\\', CurrentKey.size());
  if (e == std::string::npos) return {};
  return Path.substr(CurrentKey.size(), e + 1 - CurrentKey.size());
}

}  // namespace

namespace {

// Num / Den rounded to the nearest integer, a half to the even one (Den > 0,
// Num >= 0), in integers so that 2.5 % stays a half.
int64_t RoundHalfEven(int64_t Num, int64_t Den) {
  const int64_t q = Num / Den, rem = Num % Den;
  if (2 * rem > Den || (2 * rem == Den && (q & 1))) return q + 1;
  return q;
}

}  // namespace

std::string RatioText(int64_t Packed, int64_t Unpacked) {
  int64_t r = 0;
  if (Unpacked > 0 && Packed < Unpacked) r = RoundHalfEven((Unpacked - Packed) * 100, Unpacked);
  if (r >= 100) return "100%";
  std::string s = std::to_string(r);
  if (s.size() < 2) s = "0" + s;
  return s + "%";
}

int64_t RoundKB(int64_t Bytes) { return Bytes < 0 ? -RoundHalfEven(-Bytes, 1024) : RoundHalfEven(Bytes, 1024); }

bool IsFolderRecord(const TFile& F) { return !F.Name.empty() && F.Name.back() == '\\'; }
bool IsParentRecord(const TFile& F) { return F.Name == "..\\"; }

std::string ParentFolder(const std::string& Folder) {
  if (Folder.empty() || Folder == "\\") return "\\";
  std::string f = Folder;
  if (f.back() == '\\') f.pop_back();
  const size_t p = f.rfind('\\');
  if (p == std::string::npos) return "\\";
  return f.substr(0, p + 1);
}

TEntryFill::TEntryFill(const TFillOptions& Options) : FOpt(Options) {
  if (FOpt.CurrentFolder.empty()) FOpt.CurrentFolder.assign(1, '\\');
  if (FOpt.CurrentFolder != "\\") {
    if (FOpt.CurrentFolder.front() == '\\') FOpt.CurrentFolder.erase(0, 1);
    if (FOpt.CurrentFolder.back() != '\\') FOpt.CurrentFolder += '\\';
    FCurrentKey = AnsiLowerCase(FOpt.CurrentFolder);
  }
  FileTable.clear();
  FileCount = 0;
  FolderList.clear();
  FolderCount = 0;
  TotalPacked = TotalUnpacked = 0;
  ArchiveFileCount = SubFolderEntryCount = 0;
  TotalRatio = 0;
  TotalUnpackedKB.clear();
  TotalPackedKB.clear();
}

bool TEntryFill::Push(TFile&& F) {
  if (FileTable.size() >= size_t(MaxFileCount)) {
    FOverflow = true;
    return false;
  }
  FileTable.push_back(std::move(F));
  FileCount = int(FileTable.size());
  return true;
}

void TEntryFill::NoteFolders(const std::string& Path, const std::string& PathKey) {
  // Entries of one folder mostly come together.
  if (PathKey == FLastNotedKey) return;
  FLastNotedKey = PathKey;
  for (size_t p = Path.find('\\'); p != std::string::npos; p = Path.find('\\', p + 1)) {
    std::string key = PathKey.substr(0, p + 1);
    if (FFolderKeys.count(key)) continue;
    std::string prefix = Path.substr(0, p + 1);
    if (FolderList.size() >= size_t(MaxFolderCount)) {
      ++FFoldersDropped;
      return;
    }
    FFolderKeys.insert(std::move(key));
    FolderList.push_back(std::move(prefix));
    FolderCount = int(FolderList.size());
  }
}

bool TEntryFill::AddEntry(std::string Name, std::string Path, int64_t Packed, int64_t Unpacked, int32_t DosDate,
                          bool Encrypted, const std::string& Volume, bool CountSizes) {
  if (FOverflow) return false;
  if (FOpt.DownCase) {
    Name = AnsiLowerCase(Name);
    Path = AnsiLowerCase(Path);
  }
  if (CountSizes) {
    ++ArchiveFileCount;
    TotalPacked += Packed;
    TotalUnpacked += Unpacked;
  }
  TFile f;
  f.Name = std::move(Name);
  f.Path = Path;
  f.FileDate = DosDate;
  f.SizeText = std::to_string(Unpacked);
  f.PackedText = FOpt.Cab ? "?" : std::to_string(Packed);
  f.RatioText = FOpt.Cab ? "?" : RatioText(Packed, Unpacked);
  f.Encrypted = Encrypted ? 1 : 0;
  f.VolumeName = Volume;
  if (!FOpt.ExplorerStyle) return Push(std::move(f));

  if (Path.empty()) return FCurrentKey.empty() ? Push(std::move(f)) : true;
  // Lower-casing keeps the length of ANSI text, so key and path align.
  const std::string pathKey = FOpt.DownCase ? Path : AnsiLowerCase(Path);
  NoteFolders(Path, pathKey);
  if (pathKey == FCurrentKey && !Push(std::move(f))) return false;
  std::string folder = FolderBelow(pathKey, FCurrentKey, Path);
  if (folder.empty() || !FFolderRecordKeys.insert(pathKey.substr(FCurrentKey.size(), folder.size())).second)
    return true;
  TFile d;
  d.Name = std::move(folder);
  d.Path = FCurrentKey.empty() ? std::string() : FOpt.CurrentFolder;
  d.SizeText = d.PackedText = SubDirText;
  d.FileDate = DosDate;
  d.Encrypted = Encrypted ? 1 : 0;
  d.VolumeName = Volume;
  ++SubFolderEntryCount;
  return Push(std::move(d));
}

bool TEntryFill::AddZipEntry(const std::string& StoredName, int64_t Packed, int64_t Unpacked,
                             uint32_t DosDateTime, bool Encrypted) {
  std::string stored = Backslashes(StoredName);
  if (stored.empty() || stored.back() == '\\') return !FOverflow;
  std::string name, path;
  SplitName(stored, name, path);
  if (FOpt.ExplorerStyle)
    while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return AddEntry(std::move(name), std::move(path), Packed, Unpacked, int32_t(DosDateTime), Encrypted, {}, true);
}

bool TEntryFill::AddListerEntry(const TArcEntryInfo& E) {
  std::string stored = Backslashes(E.FileName);
  if (stored.empty() || stored.back() == '\\') return !FOverflow;
  // A folder that the format marks by attribute only is no file to show.
  if (E.ExternalAttr & 0x10) return !FOverflow;
  std::string name, path;
  SplitName(stored, name, path);
  if (path == "\\") path.clear();
  if (FOpt.ExplorerStyle)
    while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return AddEntry(std::move(name), std::move(path), E.PackedSize, E.UnpackedSize, DateTimeToFileDate(E.Date),
                  E.Encrypted, E.VolumeName, true);
}

void TEntryFill::Finish(int SortOrder) {
  if (FOpt.ExplorerStyle && !FCurrentKey.empty() && !FOverflow) {
    TFile up;
    up.Name = "..\\";
    up.Path = FOpt.CurrentFolder;
    up.SizeText = up.PackedText = UpDirText;
    Push(std::move(up));
  }
  std::stable_partition(FileTable.begin(), FileTable.end(), [](const TFile& F) { return IsFolderRecord(F); });
  // The way back up stays the first row, whatever the order.
  auto up = std::find_if(FileTable.begin(), FileTable.end(), [](const TFile& F) { return IsParentRecord(F); });
  if (up != FileTable.end()) std::rotate(FileTable.begin(), up, up + 1);
  SortEntries(SortOrder, FOpt.ExplorerStyle);
  FileCount = int(FileTable.size());
}

namespace {

struct TSortKey {
  std::string Text;
  std::string Text2;
  int64_t Number = 0;
  bool Marker = false;  // folder markers and CAB's "?" order after every number
};

bool NumberKey(const std::string& S, int64_t& Value) {
  if (S.empty() || S[0] == 'U' || S[0] == 'S' || S[0] == '?') return false;
  int64_t v = 0;
  for (char c : S) {
    if (c < '0' || c > '9') break;
    v = v * 10 + (c - '0');
  }
  Value = v;
  return true;
}

void SortRange(size_t First, size_t Last, int Code) {
  if (Last - First < 2) return;
  std::vector<TSortKey> keys(Last - First);
  for (size_t i = First; i < Last; ++i) {
    const TFile& f = FileTable[i];
    TSortKey& k = keys[i - First];
    switch (Code) {
      case 1: k.Text = AnsiLowerCase(f.Name); break;
      case 2:
        k.Text = AnsiLowerCase(f.Path);
        k.Text2 = AnsiLowerCase(f.Name);
        break;
      case 3: k.Text = AnsiLowerCase(ExtractFileExt(f.Name)); break;
      case 4: k.Marker = !NumberKey(f.SizeText, k.Number); break;
      case 5: k.Marker = !NumberKey(f.PackedText, k.Number); break;
      case 6: k.Marker = f.RatioText.empty() || !NumberKey(f.RatioText, k.Number); break;
      case 7: k.Number = uint32_t(f.FileDate); break;
    }
  }
  std::vector<size_t> order(keys.size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const TSortKey& x = keys[a];
    const TSortKey& y = keys[b];
    switch (Code) {
      case 1:
      case 3: return x.Text < y.Text;
      case 2: return x.Text != y.Text ? x.Text < y.Text : x.Text2 < y.Text2;
      default:
        if (x.Marker != y.Marker) return y.Marker;
        return !x.Marker && x.Number > y.Number;
    }
  });
  std::vector<TFile> sorted;
  sorted.reserve(order.size());
  for (size_t i : order) sorted.push_back(std::move(FileTable[First + i]));
  std::move(sorted.begin(), sorted.end(), FileTable.begin() + std::ptrdiff_t(First));
}

}  // namespace

void SortEntries(int SortOrder, bool ExplorerStyle) {
  int code = SortOrder;
  if (code == 8 || code < 1 || code > 16 || code == 9) return;
  const bool reverse = code >= 10;
  if (reverse) code -= 9;
  size_t first = 0;
  if (ExplorerStyle) {
    while (first < FileTable.size() && IsFolderRecord(FileTable[first])) ++first;
    SortRange(!FileTable.empty() && IsParentRecord(FileTable[0]) ? 1 : 0, first, 1);
  }
  SortRange(first, FileTable.size(), code);
  if (reverse) std::reverse(FileTable.begin() + std::ptrdiff_t(first), FileTable.end());
}

std::vector<TFolderNode> BuildFolderTreeModel() {
  std::vector<TFolderNode> tree(1);
  tree[0].Path.assign(1, '\\');
  std::unordered_map<std::string, int> byKey;
  byKey.emplace("", 0);
  for (const std::string& folder : FolderList) {
    std::string key = AnsiLowerCase(folder);
    if (byKey.count(key)) continue;
    std::string parent = ParentFolder(folder);
    auto it = byKey.find(parent == "\\" ? std::string() : AnsiLowerCase(parent));
    if (it == byKey.end()) continue;
    const int p = it->second;
    if (tree[size_t(p)].Children.size() >= size_t(MaxTreeLevelCount)) continue;
    TFolderNode n;
    n.Path = folder;
    n.Text = folder.substr(parent == "\\" ? 0 : parent.size());
    if (!n.Text.empty() && n.Text.back() == '\\') n.Text.pop_back();
    n.Parent = p;
    const int index = int(tree.size());
    tree.push_back(std::move(n));
    tree[size_t(p)].Children.push_back(index);
    byKey.emplace(std::move(key), index);
  }
  return tree;
}

int FindFolderNode(const std::vector<TFolderNode>& Tree, const std::string& Folder) {
  if (Folder.empty() || Folder == "\\") return 0;
  const std::string key = AnsiLowerCase(Folder);
  for (size_t i = 1; i < Tree.size(); ++i)
    if (AnsiLowerCase(Tree[i].Path) == key) return int(i);
  return 0;
}
