#include "framework/ui/registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/core/sysutils.h"

namespace {

std::string Normalize(const std::string& Key) {
  std::string k = Key;
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return k;
}

bool IsRelative(const std::string& Key) { return Key.empty() || Key[0] != '\\'; }

std::string StripLeading(const std::string& Key) { return IsRelative(Key) ? Key : Key.substr(1); }

LONG DeleteTree(HKEY Base, const std::string& Key) {
  HKEY h = nullptr;
  LONG r = RegOpenKeyExA(Base, Key.c_str(), 0, KEY_ALL_ACCESS, &h);
  if (r != ERROR_SUCCESS) return r;
  for (;;) {
    char name[512];
    DWORD len = sizeof name;
    if (RegEnumKeyExA(h, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (DeleteTree(h, name) != ERROR_SUCCESS) break;
  }
  RegCloseKey(h);
  return RegDeleteKeyA(Base, Key.c_str());
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM Access) : FAccess(Access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (Value == FRootKey) return;
  CloseKey();
  FRootKey = Value;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) {
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
  }
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path) {
  CloseKey();
  FCurrentKey = Value;
  FCurrentPath = Path;
}

HKEY TRegistry::GetBaseKey(bool Relative) const { return (Relative && FCurrentKey) ? FCurrentKey : FRootKey; }

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  bool relative = IsRelative(Key);
  std::string s = Normalize(StripLeading(Key));
  HKEY h = nullptr;
  LONG r;
  if (CanCreate) {
    DWORD disposition = 0;
    r = RegCreateKeyExA(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr, &h,
                        &disposition);
  } else {
    r = RegOpenKeyExA(GetBaseKey(relative), s.c_str(), 0, FAccess, &h);
  }
  if (r != ERROR_SUCCESS) return false;
  std::string path = (relative && FCurrentKey && !FCurrentPath.empty()) ? FCurrentPath + "\\" + s : s;
  ChangeKey(h, path);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  REGSAM saved = FAccess;
  FAccess = KEY_READ;
  bool ok = OpenKey(Key, false);
  FAccess = saved;
  return ok;
}

bool TRegistry::CreateKey(const std::string& Key) {
  bool relative = IsRelative(Key);
  HKEY h = nullptr;
  DWORD disposition = 0;
  LONG r = RegCreateKeyExA(GetBaseKey(relative), Normalize(StripLeading(Key)).c_str(), 0, nullptr,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &h, &disposition);
  if (r != ERROR_SUCCESS) throw ERegistryException("Failed to create key " + Key);
  RegCloseKey(h);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  bool relative = IsRelative(Key);
  return DeleteTree(GetBaseKey(relative), Normalize(StripLeading(Key))) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key) {
  bool relative = IsRelative(Key);
  HKEY h = nullptr;
  if (RegOpenKeyExA(GetBaseKey(relative), Normalize(StripLeading(Key)).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  RegCloseKey(h);
  return true;
}

bool TRegistry::HasSubKeys() {
  DWORD subKeys = 0;
  if (!FCurrentKey) return false;
  RegQueryInfoKeyA(FCurrentKey, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr);
  return subKeys > 0;
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  Strings->Clear();
  if (!FCurrentKey) return;
  for (DWORD i = 0;; ++i) {
    char name[512];
    DWORD len = sizeof name;
    if (RegEnumKeyExA(FCurrentKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Strings->Add(std::string(name, len));
  }
}

void TRegistry::GetValueNames(TStrings* Strings) {
  Strings->Clear();
  if (!FCurrentKey) return;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD len = sizeof name;
    if (RegEnumValueA(FCurrentKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Strings->Add(std::string(name, len));
  }
}

bool TRegistry::ValueExists(const std::string& Name) { return GetDataSize(Name) >= 0; }

bool TRegistry::DeleteValue(const std::string& Name) {
  return FCurrentKey && RegDeleteValueA(FCurrentKey, Name.c_str()) == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const std::string& Name) {
  DWORD type = 0;
  if (!FCurrentKey || RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return rdUnknown;
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

int TRegistry::GetDataSize(const std::string& Name) {
  DWORD size = 0;
  if (!FCurrentKey || RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return -1;
  return static_cast<int>(size);
}

void TRegistry::PutData(const std::string& Name, const void* Buffer, DWORD Size, DWORD Type) {
  if (!FCurrentKey ||
      RegSetValueExA(FCurrentKey, Name.c_str(), 0, Type, static_cast<const BYTE*>(Buffer), Size) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + Name + "'");
}

std::string TRegistry::ReadString(const std::string& Name) {
  DWORD type = 0, size = 0;
  if (!FCurrentKey || RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException("Invalid data type for '" + Name + "'");
  std::vector<char> buf(size + 1, '\0');
  DWORD got = size;
  if (RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) !=
      ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for '" + Name + "'");
  buf[std::min<size_t>(got, size)] = '\0';
  return std::string(buf.data());
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const std::string& Name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (!FCurrentKey || RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                       &size) != ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for '" + Name + "'");
  if (type != REG_DWORD || size != sizeof value) throw ERegistryException("Invalid data type for '" + Name + "'");
  return static_cast<int>(value);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  DWORD v = static_cast<DWORD>(Value);
  PutData(Name, &v, sizeof v, REG_DWORD);
}

bool TRegistry::ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) {
  DWORD type = 0, size = 0;
  if (!FCurrentKey || RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for '" + Name + "'");
  if (type != REG_BINARY) throw ERegistryException("Invalid data type for '" + Name + "'");
  std::vector<BYTE> data(size);
  DWORD got = size;
  if (size && RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, data.data(), &got) != ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for '" + Name + "'");
  size_t n = std::min<size_t>(got, static_cast<size_t>(std::max(BufSize, 0)));
  if (n) memcpy(Buffer, data.data(), n);
  return static_cast<int>(got);
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
  PutData(Name, Buffer, static_cast<DWORD>(std::max(BufSize, 0)), REG_BINARY);
}

// ---- TRegIniFile ---------------------------------------------------------

TRegIniFile::TRegIniFile(const std::string& FileName) : TRegIniFile(FileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const std::string& FileName, REGSAM Access) : TRegistry(Access), FFileName(FileName) {
  OpenKey(FileName, true);
}

HKEY TRegIniFile::OpenSection(const std::string& Section, bool Create) {
  HKEY base = CurrentKey();
  if (!base) return nullptr;
  if (Section.empty()) return base;
  HKEY h = nullptr;
  LONG r;
  if (Create) {
    DWORD disposition = 0;
    r = RegCreateKeyExA(base, Section.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access(), nullptr, &h, &disposition);
  } else {
    r = RegOpenKeyExA(base, Section.c_str(), 0, Access(), &h);
  }
  return r == ERROR_SUCCESS ? h : nullptr;
}

void TRegIniFile::CloseSection(HKEY Key) {
  if (Key && Key != CurrentKey()) RegCloseKey(Key);
}

namespace {

bool QueryString(HKEY Key, const std::string& Name, std::string& Out) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(Key, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type == REG_DWORD) {
    DWORD v = 0, n = sizeof v;
    if (RegQueryValueExA(Key, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v), &n) != ERROR_SUCCESS) return false;
    Out = IntToStr(static_cast<int>(v));
    return true;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::vector<char> buf(size + 1, '\0');
  DWORD got = size;
  if (RegQueryValueExA(Key, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) != ERROR_SUCCESS)
    return false;
  buf[std::min<size_t>(got, size)] = '\0';
  Out = buf.data();
  return true;
}

}  // namespace

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
  HKEY k = OpenSection(Section, false);
  if (!k) return Default;
  std::string v;
  bool ok = QueryString(k, Ident, v);
  CloseSection(k);
  return ok ? v : Default;
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  HKEY k = OpenSection(Section, true);
  if (!k) throw ERegistryException("Failed to create key " + Section);
  LONG r = RegSetValueExA(k, Ident.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                          static_cast<DWORD>(Value.size() + 1));
  CloseSection(k);
  if (r != ERROR_SUCCESS) throw ERegistryException("Failed to set data for '" + Ident + "'");
}

int TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  HKEY k = OpenSection(Section, false);
  if (!k) return Default;
  std::string v;
  bool ok = QueryString(k, Ident, v);
  CloseSection(k);
  return ok ? StrToIntDef(Trim(v), Default) : Default;
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteInteger(Section, Ident, Value ? 1 : 0);
}

void TRegIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  Strings->Clear();
  HKEY k = OpenSection(Section, false);
  if (!k) return;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD len = sizeof name;
    if (RegEnumValueA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Strings->Add(std::string(name, len));
  }
  CloseSection(k);
}

void TRegIniFile::ReadSections(TStrings* Strings) { GetKeyNames(Strings); }

void TRegIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  TStringList names;
  ReadSection(Section, &names);
  Strings->Clear();
  for (int i = 0; i < names.Count(); ++i) Strings->Add(names[i] + "=" + ReadString(Section, names[i], ""));
}

void TRegIniFile::EraseSection(const std::string& Section) {
  if (Section.empty() || !CurrentKey()) return;
  DeleteTree(CurrentKey(), Section);
}

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  HKEY k = OpenSection(Section, false);
  if (!k) return;
  RegDeleteValueA(k, Ident.c_str());
  CloseSection(k);
}
