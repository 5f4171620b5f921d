// The library as a COM server: its export table, self-registration through
// regsvr32, the class factories and when it may be unloaded.
#include <set>

#include "shellext/server.h"
#include "tests/shellext/shellext_test.h"
#include "tests/support/testsupport.h"

namespace {

using namespace shexttest;

std::set<std::string> ExportedNames(HMODULE Module) {
  const auto* base = reinterpret_cast<const BYTE*>(Module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::set<std::string> names;
  if (dir.VirtualAddress == 0) return names;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  const auto* rvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + rvas[i]));
  return names;
}

// On i686 a stdcall export left decorated reads "DllGetClassObject@12" and
// Explorer's lookup by the plain name fails.
TEST(ShellExtServer, ExportsExactlyTheFourPlainEntryPoints) {
  const TServer& server = Server();
  ASSERT_NE(server.Module, nullptr) << ServerPath();
  EXPECT_EQ(ExportedNames(server.Module),
            (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}));
  EXPECT_NE(server.GetClassObject, nullptr);
  EXPECT_NE(server.CanUnloadNow, nullptr);
  EXPECT_NE(server.RegisterServer, nullptr);
  EXPECT_NE(server.UnregisterServer, nullptr);
}

TEST(ShellExtServer, ClassIdentifiersCountUpInTheirFirstGroup) {
  const CLSID& first = *brimshex::ServedClasses[0].ClassId;
  for (int i = 0; i < 3; ++i) {
    CLSID expected = first;
    expected.Data1 = (first.Data1 & ~0xFu) | static_cast<unsigned long>(8 + i);
    EXPECT_TRUE(IsEqualCLSID(*brimshex::ServedClasses[i].ClassId, expected)) << i;
  }
}

std::optional<std::string> ClassesValue(const std::string& Key, const char* Name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  char value[1024] = {};
  DWORD size = sizeof value - 1, type = 0;
  const LONG r = RegQueryValueExA(key, Name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::string(value);
}

bool ClassesKeyExists(const std::string& Key) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

DWORD RunAndWait(const std::string& CommandLine) {
  std::string line = CommandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0xFFFFFFFF;
  DWORD code = 0xFFFFFFFE;
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

TEST(ShellExtServer, Regsvr32AddsAndRemovesTheThreeClasses) {
  const std::string dll = ServerPath();
  ASSERT_EQ(RunAndWait("regsvr32.exe /s \"" + dll + "\""), 0u);
  for (const auto& served : brimshex::ServedClasses) {
    const std::string key = "CLSID\\" + brimshex::ClassIdText(*served.ClassId);
    EXPECT_EQ(ClassesValue(key, nullptr), served.Description) << key;
    const auto server = ClassesValue(key + "\\InprocServer32", nullptr);
    ASSERT_TRUE(server) << key;
    EXPECT_EQ(Lower(*server), Lower(dll));
    EXPECT_EQ(ClassesValue(key + "\\InprocServer32", "ThreadingModel"), "Apartment") << key;
    // No program identifier, no shell handler keys.
    EXPECT_FALSE(ClassesKeyExists(key + "\\ProgID")) << key;
  }
  ASSERT_EQ(RunAndWait("regsvr32.exe /s /u \"" + dll + "\""), 0u);
  for (const auto& served : brimshex::ServedClasses)
    EXPECT_FALSE(ClassesKeyExists("CLSID\\" + brimshex::ClassIdText(*served.ClassId)));
}

TEST(ShellExtServer, FactoriesServeTheirClassesOnly) {
  ASSERT_NE(Server().GetClassObject, nullptr);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(Server().GetClassObject(IID_IUnknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);

  const struct {
    const CLSID* ClassId;
    std::vector<const IID*> Interfaces;
  } classes[] = {
      {&brimshex::CLSID_ContextMenu, {&IID_IShellExtInit, &IID_IContextMenu}},
      {&brimshex::CLSID_DragDropContextMenu, {&IID_IShellExtInit, &IID_IContextMenu}},
      {&brimshex::CLSID_DropTarget, {&IID_IDropTarget, &IID_IPersistFile}},
  };
  for (const auto& served : classes) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(Server().GetClassObject(*served.ClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* outer = factory;
    IUnknown* aggregated = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&aggregated)),
              CLASS_E_NOAGGREGATION);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    for (const IID* iid : served.Interfaces) {
      IUnknown* other = nullptr;
      ASSERT_EQ(unknown->QueryInterface(*iid, reinterpret_cast<void**>(&other)), S_OK);
      // Every interface leads back to the same identity.
      IUnknown* identity = nullptr;
      ASSERT_EQ(other->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
      EXPECT_EQ(identity, unknown);
      identity->Release();
      other->Release();
    }
    IUnknown* none = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(unknown->Release(), 0u);
    factory->Release();
  }
}

TEST(ShellExtServer, UnloadsOnlyWithNoObjectsAndNoLocks) {
  ASSERT_NE(Server().CanUnloadNow, nullptr);
  EXPECT_EQ(Server().CanUnloadNow(), S_OK);
  auto* menu = CreateObject<IContextMenu>(brimshex::CLSID_ContextMenu, IID_IContextMenu);
  ASSERT_NE(menu, nullptr);
  auto* target = CreateObject<IDropTarget>(brimshex::CLSID_DropTarget, IID_IDropTarget);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(Server().CanUnloadNow(), S_FALSE);
  menu->Release();
  EXPECT_EQ(Server().CanUnloadNow(), S_FALSE);
  target->Release();
  EXPECT_EQ(Server().CanUnloadNow(), S_OK);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(Server().GetClassObject(brimshex::CLSID_DropTarget, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(Server().CanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(Server().CanUnloadNow(), S_OK);
}

}  // namespace
