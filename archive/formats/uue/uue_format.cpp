#include "archive/formats/uue/uue_format.h"

#include <algorithm>
#include <cstring>
#include <vector>

const char UueUUAlphabet[65] = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";
const char UueXXAlphabet[65] = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

namespace {

int UuValue(uint8_t c) {
  if (c == '`') return 0;
  if (c >= ' ' && c <= '_') return c - ' ';
  return -1;
}

int XxValue(uint8_t c) {
  const char* p = c ? std::strchr(UueXXAlphabet, c) : nullptr;
  return p ? int(p - UueXXAlphabet) : -1;
}

// How far the line's length from what its count character asks (0 = exact),
// or -1 when a character lies outside the alphabet.
int Fit(const std::string& line, int (*value)(uint8_t)) {
  if (line.empty()) return -1;
  for (char c : line)
    if (value(uint8_t(c)) < 0) return -1;
  int n = value(uint8_t(line[0]));
  int expected = (n + 2) / 3 * 4;
  int have = int(line.size()) - 1;
  return have > expected ? have - expected : expected - have;
}

}  // namespace

void ParseUueBeginLine(const std::string& line, std::string& mode, std::string& name) {
  size_t p = 6;
  while (p < line.size() && line[p] == ' ') p++;
  size_t m = line.find(' ', p);
  mode = line.substr(p, m == std::string::npos ? std::string::npos : m - p);
  p = m == std::string::npos ? line.size() : m;
  while (p < line.size() && line[p] == ' ') p++;
  size_t e = line.find(' ', p);
  name = line.substr(p, std::min(e == std::string::npos ? line.size() - p : e - p, UueMaxName));
}

TUueKind UueLineKind(const std::string& line) {
  if (line.empty()) return TUueKind::ukUnknown;
  if (line[0] == 'M') return TUueKind::ukUU;
  if (line[0] == 'h') return TUueKind::ukXX;
  int uu = Fit(line, UuValue), xx = Fit(line, XxValue);
  if (uu < 0 && xx < 0) return TUueKind::ukUnknown;
  if (xx < 0 || (uu >= 0 && uu <= xx)) return TUueKind::ukUU;
  return TUueKind::ukXX;
}

bool FindUueBegin(TArcSource& src, uint64_t pos, size_t maxBytes, UueBegin& out, int& err) {
  out = UueBegin();
  err = rdOk;
  std::vector<uint8_t> buf = ReadUpTo(src, pos, maxBytes);
  std::string text(buf.begin(), buf.end());
  auto lineAt = [&](size_t at, size_t& next) {
    size_t lf = text.find('\n', at);
    next = lf == std::string::npos ? text.size() : lf + 1;
    std::string line = text.substr(at, (lf == std::string::npos ? text.size() : lf) - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  };
  std::string table;
  size_t at = 0, next = 0;
  while (at < text.size()) {
    std::string line = lineAt(at, next);
    if (line.compare(0, 5, "table") == 0) {
      std::string a = lineAt(next, next), b = lineAt(next, next);
      table = a.substr(0, 32) + b.substr(0, 32);
      if (table.size() != 64) table.clear();
      at = next;
      continue;
    }
    if (line.compare(0, 6, "begin ") == 0) {
      out.BeginPos = pos + at;
      ParseUueBeginLine(line, out.Mode, out.FileName);
      out.DataPos = pos + next;
      out.Table = table;
      if (!table.empty()) {
        out.Kind = TUueKind::ukTable;
      } else {
        // The body line may lie past the scanned window.
        size_t ignored;
        std::vector<uint8_t> body = ReadUpTo(src, out.DataPos, 100);
        std::string first(body.begin(), body.end());
        text = first;
        std::string bodyLine = lineAt(0, ignored);
        out.Kind = UueLineKind(bodyLine);
      }
      return true;
    }
    at = next;
  }
  err = rdNoBeginLine;
  return false;
}

std::string UueVolumeName(const std::string& Name, int Number, TNextVolumeName Rule) {
  const std::string Num = std::to_string(Number);
  const size_t D = Num.size();
  const size_t Sep = Name.find_last_of("\\/:");
  const size_t NameStart = Sep == std::string::npos ? 0 : Sep + 1;
  size_t Dot = Name.rfind('.');
  if (Dot == std::string::npos || Dot < NameStart) Dot = Name.size();
  if (Rule == nvChangeExt) {
    if (Dot == Name.size()) return Name + Num;
    const std::string Ext = Name.substr(Dot + 1);
    return Name.substr(0, Dot + 1) + Ext.substr(0, D < 3 ? 3 - D : 0) + Num;
  }
  // The numbered tail of the name is replaced, whatever its length: cutting
  // a long name to eight characters would name a file that does not exist.
  const size_t Cut = std::min(D, Dot - NameStart);
  return Name.substr(0, Dot - Cut) + Num + Name.substr(Dot);
}
