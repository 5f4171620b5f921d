// The in-process server: DllMain, the class factories and the four exports.
#include <olectl.h>

#include "shellext/contextmenu.h"
#include "shellext/dragdrop.h"
#include "shellext/menubitmap.h"
#include "shellext/server.h"

using namespace brimshex;

namespace {

// Created with the module and alive until it is unloaded, in the order of
// ServedClasses.
TComObjectFactory Factories[3] = {
    TComObjectFactory(CLSID_ContextMenu, &TContextMenu::Create),
    TComObjectFactory(CLSID_DragDropContextMenu, &TDragDropContextMenu::Create),
    TComObjectFactory(CLSID_DropTarget, &TDropTarget::Create),
};

std::string ModuleFileName() {
  std::string name(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(ModuleInstance, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) return name.substr(0, n);
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
}

bool SetDefault(HKEY Parent, const std::string& Path, const std::string& Value, const char* Name = nullptr) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(Parent, Path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG r = RegSetValueExA(key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                                static_cast<DWORD>(Value.size() + 1));
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

// Removes a key and its subkeys (RegDeleteTree is not in every system the
// library runs on).
LONG DeleteKeyTree(HKEY Parent, const std::string& Path) {
  HKEY key = nullptr;
  LONG r = RegOpenKeyExA(Parent, Path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (r != ERROR_SUCCESS) return r;
  char sub[256];
  for (;;) {
    DWORD length = sizeof sub;
    if (RegEnumKeyExA(key, 0, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (DeleteKeyTree(key, sub) != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyA(Parent, Path.c_str());
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID) {
  if (Reason == DLL_PROCESS_ATTACH) {
    ModuleInstance = Instance;
    DisableThreadLibraryCalls(Instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID ClassId, REFIID Iid, LPVOID* Object) {
  if (!Object) return E_POINTER;
  *Object = nullptr;
  for (auto& factory : Factories)
    if (IsEqualCLSID(ClassId, factory.ClassId())) return factory.QueryInterface(Iid, Object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return ObjectCount() == 0 && LockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  return Guarded([&]() -> HRESULT {
    const std::string module = ModuleFileName();
    if (module.empty()) return SELFREG_E_CLASS;
    for (const auto& served : ServedClasses) {
      const std::string key = "CLSID\\" + ClassIdText(*served.ClassId);
      // Explorer creates the handlers on its apartment threads; without a
      // threading model it would marshal every call to its main thread.
      if (!SetDefault(HKEY_CLASSES_ROOT, key, served.Description) ||
          !SetDefault(HKEY_CLASSES_ROOT, key + "\\InprocServer32", module) ||
          !SetDefault(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "Apartment", "ThreadingModel"))
        return SELFREG_E_CLASS;
    }
    return S_OK;
  });
}

STDAPI DllUnregisterServer() {
  return Guarded([&]() -> HRESULT {
    HRESULT result = S_OK;
    for (const auto& served : ServedClasses) {
      const LONG r = DeleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + ClassIdText(*served.ClassId));
      if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) result = SELFREG_E_CLASS;
    }
    return result;
  });
}
