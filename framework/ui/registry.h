// The registry (TRegistry) and the registry read as an INI file (TRegIniFile:
// sections are subkeys, values strings).
#pragma once
#include <string>

#include "framework/core/classes.h"
#include "framework/ui/winapi.h"

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

enum TRegDataType : int { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
 public:
  TRegistry();
  explicit TRegistry(REGSAM Access);
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // HKEY_CURRENT_USER by default; changing it closes the current key.
  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value);
  HKEY CurrentKey() const { return FCurrentKey; }
  const std::string& CurrentPath() const { return FCurrentPath; }
  REGSAM Access() const { return FAccess; }
  void SetAccess(REGSAM Value) { FAccess = Value; }

  // Key is relative to the open key, or to the root when it starts with '\'
  // or no key is open. CanCreate creates missing keys.
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  bool CreateKey(const std::string& Key);
  // Deletes the key with all its subkeys.
  bool DeleteKey(const std::string& Key);
  bool KeyExists(const std::string& Key);
  void CloseKey();
  bool HasSubKeys();
  void GetKeyNames(TStrings* Strings);
  void GetValueNames(TStrings* Strings);

  bool ValueExists(const std::string& Name);
  bool DeleteValue(const std::string& Name);
  TRegDataType GetDataType(const std::string& Name);
  int GetDataSize(const std::string& Name);  // -1 when missing

  // A missing value reads as "" ; another type raises.
  std::string ReadString(const std::string& Name);
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteExpandString(const std::string& Name, const std::string& Value);
  // Missing values and other types raise ERegistryException.
  int ReadInteger(const std::string& Name);
  void WriteInteger(const std::string& Name, int Value);
  bool ReadBool(const std::string& Name);            // DWORD, non-zero is true
  void WriteBool(const std::string& Name, bool Value);  // DWORD 0 or 1
  // Copies at most BufSize bytes; returns the value's size.
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize);
  void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);

 protected:
  void ChangeKey(HKEY Value, const std::string& Path);
  HKEY GetBaseKey(bool Relative) const;
  void PutData(const std::string& Name, const void* Buffer, DWORD Size, DWORD Type);

 private:
  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
  std::string FCurrentPath;
  REGSAM FAccess = KEY_ALL_ACCESS;
};

class TRegIniFile : public TRegistry {
 public:
  // FileName is a key below HKEY_CURRENT_USER, opened (created) at once.
  explicit TRegIniFile(const std::string& FileName);
  TRegIniFile(const std::string& FileName, REGSAM Access);
  const std::string& FileName() const { return FFileName; }

  using TRegistry::ReadString;
  using TRegistry::WriteString;
  using TRegistry::ReadInteger;
  using TRegistry::WriteInteger;
  using TRegistry::ReadBool;
  using TRegistry::WriteBool;
  using TRegistry::DeleteKey;

  // Section "" is the file's key itself.
  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default);
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  // Integers are written as decimal strings; strings and DWORDs are read.
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  void ReadSection(const std::string& Section, TStrings* Strings);
  void ReadSections(TStrings* Strings);
  // "Ident=Value" lines of the section's string values.
  void ReadSectionValues(const std::string& Section, TStrings* Strings);
  void EraseSection(const std::string& Section);
  void DeleteKey(const std::string& Section, const std::string& Ident);

 private:
  // The section's key (nullptr when missing and not Create); close it after.
  HKEY OpenSection(const std::string& Section, bool Create);
  void CloseSection(HKEY Key);
  std::string FFileName;
};
