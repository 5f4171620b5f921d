#include "shellext/handover.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace brimshex {

std::string LowerCaseStr(const std::string& S) {
  std::string r = S;
  if (!r.empty()) CharLowerBuffA(r.data(), static_cast<DWORD>(r.size()));
  return r;
}

namespace {
size_t NameStart(const std::string& Name) {
  const size_t slash = Name.find_last_of("\\/:");
  return slash == std::string::npos ? 0 : slash + 1;
}
}  // namespace

std::string LowerExtension(const std::string& Name) {
  const size_t dot = Name.rfind('.');
  if (dot == std::string::npos || dot < NameStart(Name)) return {};
  return LowerCaseStr(Name.substr(dot));
}

namespace {
bool HoldsLocalHeader(const std::string& Name) {
  HANDLE file = CreateFileA(Name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<unsigned char> head(SfxScanBytes);
  DWORD got = 0, total = 0;
  while (total < head.size() &&
         ReadFile(file, head.data() + total, static_cast<DWORD>(head.size() - total), &got, nullptr) && got > 0)
    total += got;
  CloseHandle(file);
  static const unsigned char sig[4] = {0x50, 0x4B, 0x03, 0x04};
  return total >= 4 && std::search(head.begin(), head.begin() + total, sig, sig + 4) != head.begin() + total;
}
}  // namespace

TArchiveKind GetArchiveKind(const std::string& Name, bool CheckForSFXs) {
  static const char* const others[] = {".lzh", ".lha", ".cab", ".bh",  ".arc", ".ace", ".arj", ".rar",
                                       ".zoo", ".tar", ".uue", ".xxe", ".jar", ".gz",  ".z",   ".tgz"};
  const std::string ext = LowerExtension(Name);
  if (ext == ".zip") return akZip;
  for (const char* other : others)
    if (ext == other) return akOther;
  if (ext != ".exe" || !CheckForSFXs) return akNone;
  return HoldsLocalHeader(Name) ? akSfx : akNone;
}

std::string ShortenPath(const std::string& Path) {
  std::string path = Path;
  if (path.empty() || path.back() != '\\') path += '\\';
  // Each part is the text before a backslash.
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t slash; (slash = path.find('\\', from)) != std::string::npos; from = slash + 1)
    parts.push_back(path.substr(from, slash - from));
  if (parts.size() >= 5) {
    std::string r;
    for (size_t i = 0; i + 1 < parts.size(); ++i)
      r += (parts[i].size() <= 3 ? parts[i] : parts[i].substr(0, 3) + "...") + "\\";
    path = r + parts.back();
  }
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string FolderOf(const std::string& Name) {
  const size_t slash = Name.find_last_of("\\:");
  return slash == std::string::npos ? std::string() : Name.substr(0, slash + 1);
}

std::string CaptionName(const std::string& Name) {
  const size_t slash = Name.rfind('\\');
  if (slash == std::string::npos) return Name;
  std::string name = Name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string WithoutExtension(const std::string& Name) {
  const size_t dot = Name.rfind('.');
  return dot == std::string::npos || dot < NameStart(Name) ? Name : Name.substr(0, dot);
}

HRESULT ReadDroppedNames(IDataObject* Data, size_t Limit, std::vector<std::string>& Names) {
  Names.clear();
  if (!Data) return E_FAIL;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  const HRESULT got = Data->GetData(&format, &medium);
  if (FAILED(got)) return got;
  HRESULT result = S_OK;
  auto drop = static_cast<HDROP>(medium.hGlobal);
  const UINT count = drop && medium.tymed == TYMED_HGLOBAL ? DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) : 0;
  if (count > Limit) {
    result = E_FAIL;
  } else {
    for (UINT i = 0; i < count; ++i) {
      const UINT length = DragQueryFileA(drop, i, nullptr, 0);
      std::string name(length + 1, '\0');
      const UINT copied = DragQueryFileA(drop, i, name.data(), length + 1);
      name.resize(std::min(copied, length));
      // An empty name names nothing; Morv would take it for its own folder.
      if (!name.empty()) Names.push_back(std::move(name));
    }
  }
  ReleaseStgMedium(&medium);
  if (FAILED(result)) Names.clear();
  return result;
}

std::string TempFolder() {
  char buffer[256] = {};
  const DWORD n = GetTempPathA(255, buffer);
  return n > 0 && n < 256 ? std::string(buffer, n) : std::string();
}

bool WriteListFile(const std::string& FileName, const std::vector<std::string>& Names) {
  std::string text = std::to_string(Names.size()) + "\r\n";
  for (const auto& name : Names) text += name + "\r\n";
  HANDLE file = CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  return CloseHandle(file) && ok;
}

std::string QuoteArgument(const std::string& Arg) {
  std::string r = "\"";
  size_t backslashes = 0;
  for (char c : Arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    r.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    r += c;
  }
  r.append(backslashes * 2, '\\');
  return r + "\"";
}

std::string QuoteFolder(const std::string& Folder) {
  std::string folder = Folder;
  while (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':') folder.pop_back();
  return QuoteArgument(folder);
}

std::string ProgramCommandLine(const std::string& Program, const std::string& Switch, const std::string& First) {
  std::string line = QuoteArgument(Program);
  if (!Switch.empty()) line += " " + Switch;
  return line + " " + QuoteArgument(First);
}

bool FileExists(const std::string& Name) {
  const DWORD attributes = GetFileAttributesA(Name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool StartCommandLine(const std::string& CommandLine, int Show) {
  std::vector<char> line(CommandLine.begin(), CommandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(Show);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool ShellOpen(const std::string& Program, const std::string& Parameters, const std::string& Folder, int Show) {
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", Program.c_str(), Parameters.c_str(),
                                                             Folder.empty() ? nullptr : Folder.c_str(), Show));
  return result > 32;
}

}  // namespace brimshex
