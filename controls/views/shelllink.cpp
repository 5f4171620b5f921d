#include "controls/views/shelllink.h"

#include <vector>

#include "framework/ui/forms.h"
#include "framework/ui/winapi.h"
#include <objbase.h>
#include <shlobj.h>

namespace {

std::string ProgramFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      std::string path = Narrow(buf.data(), static_cast<int>(n));
      size_t slash = path.find_last_of("\\/:");
      return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }
    buf.resize(buf.size() * 2);
  }
}

void WriteLink(const std::string& Target, const std::string& LinkFile, const std::string& Description,
               bool WithIcon) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return;
  link->SetPath(Widen(Target).c_str());
  link->SetDescription(Widen(Description).c_str());
  if (WithIcon) link->SetIconLocation(Widen(ProgramFolder() + "morv.ico").c_str(), 0);
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t name[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, LinkFile.c_str(), -1, name, MAX_PATH);
    name[MAX_PATH - 1] = 0;
    file->Save(name, TRUE);
    file->Release();
  }
  link->Release();
}

}  // namespace

void CreateShellLink(const std::string& Target, const std::string& LinkFile, const std::string& Description) {
  WriteLink(Target, LinkFile, Description, false);
}

void CreateShellLinkWithIcon(const std::string& Target, const std::string& LinkFile, const std::string& Description) {
  WriteLink(Target, LinkFile, Description, true);
}

std::string ResolveShellLink(const std::string& LinkFile) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return "";
  std::string target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t name[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, LinkFile.c_str(), -1, name, MAX_PATH);
    name[MAX_PATH - 1] = 0;
    if (SUCCEEDED(file->Load(name, STGM_READ))) {
      HWND owner = Application && Application->MainForm() ? Application->MainForm()->Handle() : nullptr;
      link->Resolve(owner, SLR_ANY_MATCH | SLR_NO_UI);
      char path[MAX_PATH] = {};
      WIN32_FIND_DATAA fd;
      if (SUCCEEDED(link->GetPath(path, MAX_PATH, &fd, 0))) target = path;
    }
    file->Release();
  }
  link->Release();
  return target;
}
