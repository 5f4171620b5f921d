// Registry helpers for the application-core tests. The settings live under
// HKEY_CURRENT_USER "Software\Quillon" of the build's private Wine prefix, so
// each test starts from an empty key and leaves none behind.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "framework/ui/winapi.h"

namespace apptest {

// The settings keys under HKEY_CURRENT_USER.
inline const std::string Root = "Software\\Quillon";
inline const std::string Adding = Root + "\\Adding options";
inline const std::string Extracting = Root + "\\Extracting options";
inline const std::string General = Root + "\\General";
inline const std::string ShellExt = Root + "\\ShellExt";

struct TRawValue {
  DWORD Type = 0;
  std::vector<BYTE> Data;
  std::string Str() const {
    std::string s(Data.begin(), Data.end());
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
  }
  DWORD Dword() const {
    DWORD v = 0;
    if (Data.size() >= sizeof v) memcpy(&v, Data.data(), sizeof v);
    return v;
  }
};

inline std::optional<TRawValue> QueryValue(const std::string& Key, const std::string& Name) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
  TRawValue v;
  DWORD size = 0;
  LONG r = RegQueryValueExA(k, Name.c_str(), nullptr, &v.Type, nullptr, &size);
  if (r == ERROR_SUCCESS) {
    v.Data.resize(size);
    r = RegQueryValueExA(k, Name.c_str(), nullptr, &v.Type, v.Data.data(), &size);
  }
  RegCloseKey(k);
  if (r != ERROR_SUCCESS) return std::nullopt;
  return v;
}

inline bool SetValue(const std::string& Key, const std::string& Name, DWORD Type, const void* Data, DWORD Size) {
  HKEY k = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExA(k, Name.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size);
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}
inline bool SetString(const std::string& Key, const std::string& Name, const std::string& V, DWORD Type = REG_SZ) {
  return SetValue(Key, Name, Type, V.c_str(), static_cast<DWORD>(V.size() + 1));
}
inline bool SetDword(const std::string& Key, const std::string& Name, DWORD V) {
  return SetValue(Key, Name, REG_DWORD, &V, sizeof V);
}
inline bool DeleteValue(const std::string& Key, const std::string& Name) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_WRITE, &k) != ERROR_SUCCESS) return false;
  LONG r = RegDeleteValueA(k, Name.c_str());
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}
inline void DeleteTree(const std::string& Key) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
  char name[256];
  for (;;) {
    DWORD len = sizeof name;
    if (RegEnumKeyExA(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTree(Key + "\\" + name);
  }
  RegCloseKey(k);
  RegDeleteKeyA(HKEY_CURRENT_USER, Key.c_str());
}
inline std::vector<std::string> ValueNames(const std::string& Key) {
  std::vector<std::string> names;
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return names;
  char name[512];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (RegEnumValueA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  RegCloseKey(k);
  return names;
}

// Saves one registry value (or its absence) and puts it back afterwards.
class TValueBackup {
 public:
  TValueBackup(std::string Key, std::string Name) : FKey(std::move(Key)), FName(std::move(Name)) {
    FOld = QueryValue(FKey, FName);
  }
  ~TValueBackup() {
    if (FOld)
      SetValue(FKey, FName, FOld->Type, FOld->Data.data(), static_cast<DWORD>(FOld->Data.size()));
    else
      DeleteValue(FKey, FName);
  }
  TValueBackup(const TValueBackup&) = delete;
  TValueBackup& operator=(const TValueBackup&) = delete;

 private:
  std::string FKey, FName;
  std::optional<TRawValue> FOld;
};

inline const char* const UserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

}  // namespace apptest
