#include "controls/views/explorertext.h"

#include <cmath>
#include <cstdio>

std::string AttributesToText(uint32_t Attr) {
  std::string s;
  if (Attr & faArchiveBit) s += 'A';
  if (Attr & faReadOnlyBit) s += 'R';
  if (Attr & faHiddenBit) s += 'H';
  if (Attr & faSystemBit) s += 'S';
  return s;
}

std::string JoinPath(const std::string& Folder, const std::string& Name) {
  if (!Folder.empty() && Folder.back() == '\\') return Folder + Name;
  return Folder + "\\" + Name;
}

std::string AddSlash(const std::string& Path) {
  if (Path.empty() || Path.back() == '\\') return Path;
  return Path + "\\";
}

std::vector<std::string> SplitMasks(const std::string& Mask) {
  std::vector<std::string> masks;
  size_t start = 0;
  while (start <= Mask.size()) {
    size_t end = Mask.find(';', start);
    if (end == std::string::npos) end = Mask.size();
    std::string m = Trim(Mask.substr(start, end - start));
    if (!m.empty()) masks.push_back(m);
    start = end + 1;
  }
  return masks;
}

bool EntryMatchesAttrMask(uint32_t EntryAttr, uint32_t Mask) {
  if ((EntryAttr & faDirectoryBit) != (Mask & faDirectoryBit)) return false;
  const uint32_t tested = faReadOnlyBit | faHiddenBit | faSystemBit;
  return (EntryAttr & tested & ~Mask) == 0;
}

std::string DriveSizeText(int64_t KiB) {
  if (KiB <= 0) return "0 Mb";
  std::string digits = std::to_string(KiB / 1000);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out + " Mb";
}

std::string DriveCaption(char Letter, const std::string& ShellName) {
  const size_t paren = ShellName.find('(');
  return std::string(" (") + Letter + ":)  " + (paren == std::string::npos ? "" : ShellName.substr(0, paren));
}

std::string DriveTypeText(unsigned Type) {
  static const char* const texts[] = {"Unknown",     "Not exist",   "Removable Disk", "Fixed Disk",
                                      "Network Disk", "CD-ROM Disk", "RAM Disk"};
  return Type < 7 ? texts[Type] : "";
}

std::string OneLevelUpFrom(const std::string& Folder) {
  const std::string dir = AddSlash(Folder);
  if (dir.size() < 2 || dir[dir.size() - 2] == ':') return "Drives";
  const size_t cut = dir.find_last_of('\\', dir.size() - 2);
  if (cut == std::string::npos) return "Drives";
  return dir.substr(0, cut + 1);
}

const std::string& TFileRow::Sub(size_t Index) const {
  static const std::string empty;
  return Index < SubItems.size() ? SubItems[Index] : empty;
}

namespace {

int Sign(long long V) { return V < 0 ? -1 : V > 0 ? 1 : 0; }

int CompareColumn(const TFileRow& A, const TFileRow& B, int SortColumn, bool DriveList,
                  const TShortDateFormat& DateFormat) {
  if (SortColumn == 0) return Sign(AnsiUpperCase(A.Caption).compare(AnsiUpperCase(B.Caption)));
  if (!DriveList && SortColumn == 1)
    return Sign(StrToInt64Def(Trim(A.Sub(0)), 0) - StrToInt64Def(Trim(B.Sub(0)), 0));
  if (!DriveList && SortColumn == 3) {
    TDateTime a = 0, b = 0;
    TryParseDateTimeText(DateFormat, A.Sub(2), a);
    TryParseDateTimeText(DateFormat, B.Sub(2), b);
    return Sign(std::llround((a - b) * 100000));
  }
  if (SortColumn < 1) return 0;
  return Sign(AnsiCompareText(A.Sub(static_cast<size_t>(SortColumn - 1)), B.Sub(static_cast<size_t>(SortColumn - 1))));
}

}  // namespace

int CompareFileRows(const TFileRow& A, const TFileRow& B, int SortColumn, bool Reverse, bool DriveList,
                    const TShortDateFormat& DateFormat) {
  const bool dirA = A.Sub(5) == "dir", dirB = B.Sub(5) == "dir";
  int r;
  if (dirA && !dirB)
    r = -1;
  else if (dirB && !dirA)
    r = 1;
  else
    r = CompareColumn(A, B, SortColumn, DriveList, DateFormat);
  return Reverse ? -r : r;
}

std::string SerialNumberText(uint32_t Serial) {
  static const char hex[] = "0123456789ABCDEF";
  std::string s;
  for (int shift = 28; shift >= 0; shift -= 4) s += hex[(Serial >> shift) & 0xF];
  return s.substr(0, 4) + "-" + s.substr(4);
}

std::string DiskSizeText(int64_t Bytes) {
  static const char* const units[] = {"Kb", "Mb", "Gb", "Tb"};
  double value = static_cast<double>(Bytes);
  const char* unit = "bytes";
  for (const char* u : units) {
    if (value >= 1024) {
      value /= 1024;
      unit = u;
    }
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%3.2f %s", value, unit);
  return buf;
}

std::string MinimizeText(const std::string& Text, int MaxWidth, const TTextWidth& Width) {
  std::string work = Text, shown = Text;
  while (!work.empty() && Width(shown) > MaxWidth) {
    work.pop_back();
    shown = work + "...";
  }
  return shown;
}

std::string ShortenFolderPart(const std::string& Folders) {
  if (Folders == "\\") return "";
  std::string s = Folders;
  const bool rooted = !s.empty() && s[0] == '\\';
  if (rooted) s.erase(0, 1);
  if (s.compare(0, 4, "...\\") == 0) s.erase(0, 4);
  const size_t slash = s.find('\\');
  if (slash == std::string::npos) return "";
  s = "...\\" + s.substr(slash + 1);
  return rooted ? "\\" + s : s;
}

std::string MinimizePath(const std::string& Path, int MaxWidth, const TTextWidth& Width) {
  std::string drive, folders, name;
  std::string rest = Path;
  if (rest.size() >= 2 && rest[1] == ':') {
    drive = rest.substr(0, 2);
    rest = rest.substr(2);
  }
  const size_t slash = rest.find_last_of('\\');
  if (slash != std::string::npos) {
    folders = rest.substr(0, slash + 1);
    name = rest.substr(slash + 1);
  } else {
    name = rest;
  }
  while (Width(drive + folders + name) > MaxWidth && (!drive.empty() || !folders.empty())) {
    if (folders == "\\...\\") {
      folders = "...\\";
      drive.clear();
    } else if (!folders.empty()) {
      folders = ShortenFolderPart(folders);
    } else {
      drive.clear();
    }
  }
  return drive + folders + name;
}

std::string BrowseSelectionText(const std::string& Path) {
  if (Path.size() == 2 && Path[1] == ':') return Path + "\\";
  if (Path.size() == 3 && Path[1] == ':' && Path[2] == '\\') return Path;
  if (Path.size() > 1 && Path.back() == '\\') return Path.substr(0, Path.size() - 1);
  return Path;
}
