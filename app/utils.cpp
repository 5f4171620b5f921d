#include "app/utils.h"

#include <cctype>
#include <vector>

#include "framework/core/sysutils.h"
#include "framework/ui/winapi.h"

std::function<int(const std::string&, TMsgDlgType, TMsgDlgButtons)> AppMessageBoxHandler;

std::string LowerCaseStr(const std::string& S) {
  std::string r = S;
  if (!r.empty()) CharLowerBuffA(r.data(), static_cast<DWORD>(r.size()));
  return r;
}

std::string InsertThousandSeparators(const std::string& S) {
  char sep[8] = {};
  std::string separator = ",";
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep) > 1) separator = sep;
  std::string r;
  const size_t n = S.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) r += separator;
    r += S[i];
  }
  return r;
}

namespace {

bool SegmentMatchesAt(const std::string& Name, size_t Pos, const std::string& Segment) {
  if (Pos + Segment.size() > Name.size()) return false;
  for (size_t k = 0; k < Segment.size(); ++k)
    if (Segment[k] != '?' && Segment[k] != Name[Pos + k]) return false;
  return true;
}

std::string UpperAZ(std::string S) {
  for (char& c : S)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return S;
}

}  // namespace

bool MatchWildcard(const std::string& Name, const std::string& Mask, bool IgnoreCase) {
  std::string mask = Mask;
  for (size_t p; (p = mask.find("**")) != std::string::npos;) mask.erase(p, 1);
  if (mask == "*") return true;
  std::string name = Name;
  if (IgnoreCase) {
    name = UpperAZ(name);
    mask = UpperAZ(mask);
  }
  size_t i = 0, j = 0;
  while (i < name.size() && j < mask.size()) {
    if (name[i] == mask[j] || mask[j] == '?') {
      ++i;
      ++j;
      continue;
    }
    if (mask[j] != '*') return false;
    const size_t next = mask.find('*', j + 1);
    const std::string segment = mask.substr(j + 1, (next == std::string::npos ? mask.size() : next) - (j + 1));
    if (next == std::string::npos) {
      if (segment.empty()) return true;
      // Only the part of the name the walk has not used yet may end in the
      // segment: "a*ab" must not match "ab" by reusing its "a".
      if (segment.size() > name.size() - i) return false;
      return SegmentMatchesAt(name, name.size() - segment.size(), segment);
    }
    size_t p = i;
    while (p + segment.size() <= name.size() && !SegmentMatchesAt(name, p, segment)) ++p;
    if (p + segment.size() > name.size()) return false;
    i = p + segment.size();
    j = next;
  }
  return i == name.size() && j == mask.size();
}

std::string ProgramFileName() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::string ProgramFolder() { return IncludeTrailingBackslash(ExtractFilePath(ProgramFileName())); }

std::string WindowsFolder() {
  char buf[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  if (n == 0 || n > MAX_PATH) return "C:\\Windows";
  return ExcludeTrailingBackslash(std::string(buf, n));
}

std::string ExpandEnvStrings(const std::string& S) {
  DWORD n = ExpandEnvironmentStringsA(S.c_str(), nullptr, 0);
  if (n == 0) return S;
  std::vector<char> buf(n + 1);
  DWORD got = ExpandEnvironmentStringsA(S.c_str(), buf.data(), n + 1);
  if (got == 0 || got > n + 1) return S;
  return std::string(buf.data());
}

int ShowAppMessage(const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  if (AppMessageBoxHandler) return AppMessageBoxHandler(Text, DlgType, Buttons);
  return MessageDlg(Text, DlgType, Buttons);
}

std::string HelpParameters(const std::string& Topic) {
  std::string params = ProgramFolder() + "MORV.CHM";
  if (!Topic.empty()) params += "::/" + Topic;
  return params;
}

void OpenHelpTopic(const std::string& Topic) {
  const std::string folder = ProgramFolder();
  char viewer[512] = {};
  HINSTANCE found = FindExecutableA("morv.chm", folder.c_str(), viewer);
  if (reinterpret_cast<INT_PTR>(found) <= 32) {
    ShowAppMessage(
        "Microsoft HTML Help cannot be found on your system.\rPlease visit Quillon's Home page and download this update.",
        mtError, mbOK);
    return;
  }
  const std::string params = HelpParameters(Topic);
  HINSTANCE run = ShellExecuteA(nullptr, "open", viewer, params.c_str(), folder.c_str(), SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(run) <= 32) ShowAppMessage("Error loading HELP.", mtError, mbOK);
}

namespace {

bool IsDriveRoot(const std::string& Folder) {
  return Folder.size() <= 3 && Folder.size() >= 2 && std::isalpha(static_cast<unsigned char>(Folder[0])) &&
         Folder[1] == ':' && (Folder.size() == 2 || Folder[2] == '\\' || Folder[2] == '/');
}

// Where Path really leads, links resolved; empty when the system cannot tell
// (older systems lack the call).
std::string FinalPath(const std::string& Path) {
  using TGetFinalPath = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
  static const auto getFinalPath = reinterpret_cast<TGetFinalPath>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  if (!getFinalPath) return {};
  HANDLE h = CreateFileA(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  char buf[4 * MAX_PATH];
  const DWORD n = getFinalPath(h, buf, sizeof buf, 0);
  CloseHandle(h);
  if (n == 0 || n >= sizeof buf) return {};
  return std::string(buf, n);
}

// A name that some systems show as a plain file or folder although it is a
// link: it really lies elsewhere than in its parent. Such systems would
// delete what it leads to, so it is left alone.
bool LeadsElsewhere(const std::string& Path) {
  const size_t slash = Path.find_last_of("\\/");
  if (slash == std::string::npos) return false;
  const std::string real = FinalPath(Path), parent = FinalPath(Path.substr(0, slash + 1));
  if (real.empty() || parent.empty()) return false;
  std::string expected = parent;
  if (expected.back() != '\\') expected += '\\';
  expected += Path.substr(slash + 1);
  return LowerCaseStr(real) != LowerCaseStr(expected);
}

// Removes a junction or symbolic link itself, never what it leads to.
void RemoveLink(const std::string& Path, DWORD Attr) {
  if (Attr & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryA(Path.c_str());
  else DeleteFileA(Path.c_str());
}

void DeleteBelow(const std::string& Folder) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((Folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = Folder + "\\" + name;
    const DWORD attr = fd.dwFileAttributes;
    if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveLink(path, attr);
    } else if (LeadsElsewhere(path)) {
      continue;
    } else if (attr & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteBelow(path);
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      RemoveDirectoryA(path.c_str());
    } else {
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

}  // namespace

bool DeleteFolderTree(const std::string& Folder) {
  std::string dir = Folder;
  while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  if (dir.empty() || IsDriveRoot(dir)) return false;
  char longName[4 * MAX_PATH];
  const DWORD n = GetLongPathNameA(dir.c_str(), longName, sizeof longName);
  if (n > 0 && n < sizeof longName) dir.assign(longName, n);
  const DWORD attr = GetFileAttributesA(dir.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {
    RemoveLink(dir, attr);
    return GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
  if (LeadsElsewhere(dir)) return false;
  DeleteBelow(dir);
  SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(dir.c_str()) != 0;
}
