// Xvfb runs no window manager, and Wine waits for one whenever a managed
// window is hidden or destroyed; unmanaged windows skip that wait. The option
// must be set before the first window exists, so it is set during static
// initialisation, in the test prefix's registry and only under Wine.
#include <windows.h>

namespace {

struct TUnmanagedWindows {
  TUnmanagedWindows() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
} unmanagedWindows;

}  // namespace
