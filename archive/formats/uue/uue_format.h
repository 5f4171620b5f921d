// The "begin" line of a uuencoded or xxencoded file, an optional "table"
// header before it, and which alphabet the body lines use.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"

enum class TUueKind : uint8_t { ukUnknown, ukUU, ukXX, ukTable };

// How the next volume of a split file is named.
enum TNextVolumeName : uint8_t { nvChangeFilename, nvChangeExt };

constexpr size_t UueMaxName = 255;
constexpr size_t UueListerScan = 32768;  // bytes the lister searches for "begin "

struct UueBegin {
  uint64_t BeginPos = 0;  // the "b" of "begin "
  std::string Mode;       // the octal mode as written
  std::string FileName;   // up to the first blank, at most UueMaxName bytes
  uint64_t DataPos = 0;   // first body line
  std::string Table;      // 64 characters of a "table" header, else empty
  TUueKind Kind = TUueKind::ukUnknown;  // from the first body line
};

// The published alphabets; a character's value is its position.
extern const char UueUUAlphabet[65];
extern const char UueXXAlphabet[65];

// Mode and name of a line that starts with "begin ": the mode up to the next
// blank, the name from there up to its first blank, at most UueMaxName bytes
// (a four-digit mode or doubled blanks do not shift the name).
void ParseUueBeginLine(const std::string& line, std::string& mode, std::string& name);

// Which alphabet a body line (without its line end) is written in: "M" and
// "h" decide at once; otherwise the alphabet whose characters the line uses
// and whose length character matches the line's length.
TUueKind UueLineKind(const std::string& line);

// Searches the first maxBytes from pos for a line starting with "begin ";
// none gives rdNoBeginLine.
bool FindUueBegin(TArcSource& src, uint64_t pos, size_t maxBytes, UueBegin& out, int& err);

// The name of volume Number after Name (Number written in decimal, D digits):
// nvChangeExt keeps the first 3 - D characters of the extension and appends
// the number (x.UUE, x.UU1 ... x.U10), or appends it to a name without one;
// nvChangeFilename replaces the last D characters before the extension.
std::string UueVolumeName(const std::string& Name, int Number, TNextVolumeName Rule);
