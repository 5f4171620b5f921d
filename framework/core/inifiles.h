// Settings files of "[Section]" and "Ident=Value" lines. Portable: the file is
// read on every call and rewritten (CRLF) on every write, so two TIniFile
// objects on one file see each other's changes like Windows' profile calls.
// Sections and idents compare case-insensitively; a relative FileName is
// taken as it stands.
#pragma once
#include <string>

#include "framework/core/classes.h"

class TIniFile : public TObject {
 public:
  explicit TIniFile(const std::string& FileName) : FFileName(FileName) {}
  const std::string& FileName() const { return FFileName; }

  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) const;
  // Raises EInOutError when the file cannot be written.
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;  // decimal, $hex, 0xhex
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;  // nonzero is true
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);        // "1" / "0"
  // Fills Strings with the section's idents.
  void ReadSection(const std::string& Section, TStrings* Strings) const;
  void EraseSection(const std::string& Section);
  void DeleteKey(const std::string& Section, const std::string& Ident);
  // Writes go straight to the file; kept for callers that flush explicitly.
  void UpdateFile() {}

 private:
  std::string FFileName;
};
