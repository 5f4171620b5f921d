// Xvfb runs no window manager, and Wine waits two seconds for one whenever a
// managed window is hidden or destroyed. Windows that Wine does not hand to a
// window manager skip that wait; the option must be in place before the first
// window of the process exists, so it is set during static initialisation,
// in the test prefix's own registry and only under Wine.
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
