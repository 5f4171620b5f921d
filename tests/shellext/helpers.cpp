#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/shellext/shellext_test.h"
#include "tests/support/testsupport.h"

namespace shexttest {

std::string ServerPath() { return morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/shellext/Brimshex.dll"); }

const TServer& Server() {
  static const TServer server = [] {
    TServer s;
    s.Module = LoadLibraryA(ServerPath().c_str());
    if (!s.Module) return s;
    const auto get = [&](auto& Function, const char* Name) {
      Function = reinterpret_cast<std::remove_reference_t<decltype(Function)>>(
          reinterpret_cast<void*>(GetProcAddress(s.Module, Name)));
    };
    get(s.GetClassObject, "DllGetClassObject");
    get(s.CanUnloadNow, "DllCanUnloadNow");
    get(s.RegisterServer, "DllRegisterServer");
    get(s.UnregisterServer, "DllUnregisterServer");
    return s;
  }();
  return server;
}

namespace {
void DeleteTree(HKEY Parent, const std::string& Path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(Parent, Path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  char name[256];
  for (;;) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(Parent, Path.c_str());
}

bool SetValue(const std::string& Key, const std::string& Name, DWORD Type, const void* Data, DWORD Size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG r = RegSetValueExA(key, Name.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}
}  // namespace

TRegistrySandbox::TRegistrySandbox() {
  static std::atomic<int> serial{0};
  FPath = "Software\\MorvTests\\shellext-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  DeleteTree(HKEY_CURRENT_USER, FPath);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, FPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FKey, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, FKey), ERROR_SUCCESS);
}

TRegistrySandbox::~TRegistrySandbox() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (FKey) RegCloseKey(FKey);
  DeleteTree(HKEY_CURRENT_USER, FPath);
}

bool TRegistrySandbox::SetDword(const std::string& Key, const std::string& Name, DWORD Value) {
  return SetValue(Key, Name, REG_DWORD, &Value, sizeof Value);
}

bool TRegistrySandbox::SetString(const std::string& Key, const std::string& Name, const std::string& Value) {
  return SetValue(Key, Name, REG_SZ, Value.c_str(), static_cast<DWORD>(Value.size() + 1));
}

void TRegistrySandbox::Delete(const std::string& Key, const std::string& Name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, Name.c_str());
  RegCloseKey(key);
}

namespace {

class TDropData final : public IDataObject {
 public:
  TDropData(const std::vector<std::string>& Names, HRESULT Failure) : FNames(Names), FFailure(Failure) {}
  virtual ~TDropData() = default;
  STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override {
    if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IDataObject)) {
      *Object = this;
      AddRef();
      return S_OK;
    }
    *Object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++FRefs); }
  STDMETHODIMP_(ULONG) Release() override {
    const long left = --FRefs;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetData(FORMATETC* Format, STGMEDIUM* Medium) override {
    if (FAILED(FFailure)) return FFailure;
    if (Format->cfFormat != CF_HDROP || !(Format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    std::wstring text;
    for (const auto& name : FNames) {
      const int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
      std::wstring wide(static_cast<size_t>(n), L'\0');
      MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide.data(), n);
      text += wide;  // keeps its terminating zero
    }
    text += L'\0';
    if (FNames.empty()) text += L'\0';
    const size_t size = sizeof(DROPFILES) + text.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), text.data(), text.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    Medium->tymed = TYMED_HGLOBAL;
    Medium->hGlobal = memory;
    Medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* Format) override { return Format->cfFormat == CF_HDROP ? S_OK : S_FALSE; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  std::vector<std::string> FNames;
  HRESULT FFailure;
  std::atomic<long> FRefs{1};
};

}  // namespace

IDataObject* NewDropData(const std::vector<std::string>& Names, HRESULT Failure) {
  return new TDropData(Names, Failure);
}

std::vector<TMenuItem> ReadMenu(HMENU Menu) {
  std::vector<TMenuItem> items;
  const int count = GetMenuItemCount(Menu);
  for (int i = 0; i < count; ++i) {
    char caption[512] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_CHECKMARKS;
    info.dwTypeData = caption;
    info.cch = sizeof caption;
    GetMenuItemInfoA(Menu, static_cast<UINT>(i), TRUE, &info);
    TMenuItem item;
    item.Separator = (info.fType & MFT_SEPARATOR) != 0;
    item.Caption = item.Separator ? "" : caption;
    item.Id = info.wID;
    item.Submenu = info.hSubMenu;
    item.Checked = info.hbmpChecked;
    item.Unchecked = info.hbmpUnchecked;
    items.push_back(item);
  }
  return items;
}

namespace {
std::optional<std::string> GetEnv(const char* Name) {
  char value[4096];
  const DWORD n = GetEnvironmentVariableA(Name, value, sizeof value);
  if (n == 0 || n >= sizeof value) return std::nullopt;
  return std::string(value, n);
}
void PutEnv(const char* Name, const std::optional<std::string>& Value) {
  SetEnvironmentVariableA(Name, Value ? Value->c_str() : nullptr);
}
}  // namespace

TStandIn::TStandIn(const std::string& Root) {
  const std::string folder = Root + "\\Program Files\\Quillon 2000";
  CreateDirectoryA((Root + "\\Program Files").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  FProgram = folder + "\\morv.exe";
  const std::string built = morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/shellext-standin/morv.exe");
  EXPECT_TRUE(CopyFileA(built.c_str(), FProgram.c_str(), FALSE)) << built;
  FTemp = Root + "\\tmp\\";
  CreateDirectoryA(FTemp.c_str(), nullptr);
  FRecord = Root + "\\start.record";
  FOldTmp = GetEnv("TMP");
  FOldTemp = GetEnv("TEMP");
  PutEnv("TMP", FTemp);
  PutEnv("TEMP", FTemp);
  PutEnv("MORV_STANDIN_RECORD", FRecord);
}

TStandIn::~TStandIn() {
  PutEnv("TMP", FOldTmp);
  PutEnv("TEMP", FOldTemp);
  PutEnv("MORV_STANDIN_RECORD", std::nullopt);
}

std::optional<TStart> TStandIn::WaitStart(DWORD Milliseconds) {
  const DWORD start = GetTickCount();
  for (;; Sleep(20)) {
    if (GetTickCount() - start > Milliseconds) return std::nullopt;
    if (GetFileAttributesA(FRecord.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    // Wine can refuse the open for a moment after the stand-in's rename.
    std::ifstream in(FRecord, std::ios::binary);
    if (!in) continue;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    TStart r;
    size_t at = 0;
    std::vector<std::string> lines;
    while (lines.size() < 4) {
      const size_t end = data.find('\n', at);
      if (end == std::string::npos) break;
      lines.push_back(data.substr(at, end - at));
      at = end + 1;
    }
    if (lines.size() < 4) continue;
    DeleteFileA(FRecord.c_str());
    r.CommandLine = lines[0];
    r.Folder = lines[1];
    r.Show = std::atoi(lines[2].c_str());
    if (lines[3] == "+") r.ListFile = data.substr(at);
    return r;
  }
}

bool TStandIn::NothingStarted(DWORD Milliseconds) { return !WaitStart(Milliseconds); }

std::vector<uint8_t> SelfExtractorBytes(size_t Size, size_t Offset) {
  std::vector<uint8_t> data(Size, 0);
  data[0] = 'M';
  data[1] = 'Z';
  const uint8_t header[4] = {0x50, 0x4B, 0x03, 0x04};
  std::copy(header, header + 4, data.begin() + static_cast<std::ptrdiff_t>(Offset));
  return data;
}

std::vector<std::string> SplitCommandLine(const std::string& Line) {
  const int n = MultiByteToWideChar(CP_ACP, 0, Line.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, Line.c_str(), -1, wide.data(), n);
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(wide.c_str(), &argc);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const int m = WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_ACP, 0, argv[i], -1, arg.data(), m, nullptr, nullptr);
    arg.resize(static_cast<size_t>(m > 0 ? m - 1 : 0));
    args.push_back(arg);
  }
  LocalFree(argv);
  return args;
}

}  // namespace shexttest
