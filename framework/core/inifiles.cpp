#include "framework/core/inifiles.h"

#include <vector>

namespace {

using TLines = std::vector<std::string>;

TLines LoadLines(const std::string& FileName) {
  TLines Lines;
  if (!FileExists(FileName)) return Lines;
  TStringList L;
  try {
    L.LoadFromFile(FileName);
  } catch (const EStreamError&) {
    return Lines;  // unreadable reads as empty, as Windows' profile calls do
  }
  for (int I = 0; I < L.Count(); ++I) Lines.push_back(L[I]);
  return Lines;
}

void SaveLines(const std::string& FileName, const TLines& Lines) {
  TStringList L;
  for (const std::string& S : Lines) L.Add(S);
  try {
    L.SaveToFile(FileName);
  } catch (const EStreamError&) {
    throw EInOutError("Unable to write to " + FileName);
  }
}

bool IsSectionLine(const std::string& Line, std::string* Name) {
  std::string T = Trim(Line);
  if (T.size() < 2 || T[0] != '[') return false;
  size_t E = T.find(']');
  if (E == std::string::npos) return false;
  if (Name) *Name = Trim(T.substr(1, E - 1));
  return true;
}

// Lines [Begin, End) of the section's body; false when it is missing. Begin
// - 1 is the section's header line.
bool FindSection(const TLines& Lines, const std::string& Section, size_t& Begin, size_t& End) {
  std::string Name;
  for (size_t I = 0; I < Lines.size(); ++I) {
    if (IsSectionLine(Lines[I], &Name) && SameText(Name, Section)) {
      Begin = I + 1;
      End = Begin;
      while (End < Lines.size() && !IsSectionLine(Lines[End], nullptr)) ++End;
      return true;
    }
  }
  return false;
}

// The ident of an "Ident=Value" line (or of a bare line), empty for blanks
// and comments.
std::string IdentOf(const std::string& Line, std::string* Value) {
  std::string T = TrimLeft(Line);
  if (T.empty() || T[0] == ';') return std::string();
  size_t P = T.find('=');
  if (Value) *Value = P == std::string::npos ? std::string() : Trim(T.substr(P + 1));
  return Trim(T.substr(0, P));
}

bool FindKey(const TLines& Lines, size_t Begin, size_t End, const std::string& Ident, size_t& Index) {
  for (size_t I = Begin; I < End; ++I) {
    if (Lines[I].find('=') == std::string::npos) continue;
    std::string K = IdentOf(Lines[I], nullptr);
    if (!K.empty() && SameText(K, Ident)) {
      Index = I;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
  TLines Lines = LoadLines(FFileName);
  size_t Begin, End, Index;
  if (!FindSection(Lines, Section, Begin, End) || !FindKey(Lines, Begin, End, Ident, Index)) return Default;
  std::string Value;
  IdentOf(Lines[Index], &Value);
  if (Value.size() >= 2 && (Value[0] == '"' || Value[0] == '\'') && Value.back() == Value[0])
    Value = Value.substr(1, Value.size() - 2);
  return Value;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  TLines Lines = LoadLines(FFileName);
  size_t Begin, End, Index;
  if (!FindSection(Lines, Section, Begin, End)) {
    if (!Lines.empty() && !Trim(Lines.back()).empty()) Lines.push_back(std::string());
    Lines.push_back("[" + Section + "]");
    Lines.push_back(Ident + "=" + Value);
  } else if (FindKey(Lines, Begin, End, Ident, Index)) {
    Lines[Index] = IdentOf(Lines[Index], nullptr) + "=" + Value;
  } else {
    // After the section's last entry, before the blank lines that part it
    // from the next one.
    size_t At = End;
    while (At > Begin && Trim(Lines[At - 1]).empty()) --At;
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(At), Ident + "=" + Value);
  }
  SaveLines(FFileName, Lines);
}

int TIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  return StrToIntDef(ReadString(Section, Ident, std::string()), Default);
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    TLines Lines = LoadLines(FFileName);
    size_t Begin, End;
    if (FindSection(Lines, Section, Begin, End))
      for (size_t I = Begin; I < End; ++I) {
        std::string K = IdentOf(Lines[I], nullptr);
        if (!K.empty()) Strings->Add(K);
      }
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TIniFile::EraseSection(const std::string& Section) {
  TLines Lines = LoadLines(FFileName);
  size_t Begin, End;
  if (!FindSection(Lines, Section, Begin, End)) return;
  Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(Begin - 1), Lines.begin() + static_cast<std::ptrdiff_t>(End));
  SaveLines(FFileName, Lines);
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  TLines Lines = LoadLines(FFileName);
  size_t Begin, End, Index;
  if (!FindSection(Lines, Section, Begin, End) || !FindKey(Lines, Begin, End, Ident, Index)) return;
  Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(Index));
  SaveLines(FFileName, Lines);
}
