// Settings files of "[Section]" and "Ident=Value" lines. Portable: the file is
// read on every call and rewritten (CRLF) on every write, so two TIniFile
// objects on one file see each other's changes like Windows' profile calls.
// Sections and idents compare case-insensitively; a relative FileName is
// taken as it stands.
#pragma once
#include <string>

#include "framework/core/classes.h"

// What an INI file and the registry read as one have in common, so that a
// caller (the form placement) stores through either without knowing which.
class TCustomIniFile {
 public:
  virtual ~TCustomIniFile() = default;
  // True for the INI file, whose reader strips one pair of quotes.
  virtual bool StripsQuotes() const { return false; }
  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
  virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default) = 0;
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value) = 0;
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) = 0;
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value) = 0;
  // Fills Strings with the section's idents.
  virtual void ReadSection(const std::string& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
};

class TIniFile : public TObject, public TCustomIniFile {
 public:
  explicit TIniFile(const std::string& FileName) : FFileName(FileName) {}
  const std::string& FileName() const { return FFileName; }

  bool StripsQuotes() const override { return true; }
  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
  // Raises EInOutError when the file cannot be written.
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) override;  // decimal, $hex, 0xhex
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value) override;
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) override;  // nonzero is true
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value) override;  // "1" / "0"
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  // Writes go straight to the file; kept for callers that flush explicitly.
  void UpdateFile() {}

 private:
  std::string FFileName;
};
