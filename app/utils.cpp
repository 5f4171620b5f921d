#include "app/utils.h"

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
