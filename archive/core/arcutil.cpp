#include "archive/core/arcutil.h"

#include <cctype>
#include <vector>

#include "archive/core/arcerrors.h"
#include "archive/core/ziprecords.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

std::string NamePart(const std::string& S) {
  size_t i = S.size();
  while (i > 0 && !IsSep(S[i - 1]) && S[i - 1] != ':') i--;
  return S.substr(i);
}

// Iterative glob with one backtrack point per "*", so long names and masks
// full of stars cannot blow up.
bool Glob(const std::string& Name, const std::string& Mask) {
  size_t n = 0, m = 0, starM = std::string::npos, starN = 0;
  while (n < Name.size()) {
    if (m < Mask.size() && (Mask[m] == '?' || Mask[m] == Name[n])) {
      n++;
      m++;
    } else if (m < Mask.size() && Mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < Mask.size() && Mask[m] == '*') m++;
  return m == Mask.size();
}

}  // namespace

bool CompareWildcard(const std::string& Name, const std::string& Mask, bool NameParts) {
  std::string name = AnsiUpperCase(NameParts ? NamePart(Name) : Name);
  std::string mask = AnsiUpperCase(NameParts ? NamePart(Mask) : Mask);
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0) {
    if (Glob(name, mask)) return true;
    // ".*" also stands for "no extension at all".
    return NamePart(name).find('.') == std::string::npos && Glob(name, mask.substr(0, mask.size() - 2));
  }
  if (!mask.empty() && mask.back() == '.') {
    if (NamePart(name).find('.') != std::string::npos) return false;
    return Glob(name, mask.substr(0, mask.size() - 1));
  }
  return Glob(name, mask);
}

bool ForceDirs(const std::string& Dir) {
  if (Dir.empty()) throw Exception(ArcMessage(errMakeDir));
  std::string d = RemoveBackslash(Dir);
  if (d.size() < 3 || DirectoryExists(d)) return true;
  return ForceDirectories(d);
}

std::string AppendBackslash(const std::string& Path) {
  if (Path.empty() || IsSep(Path.back())) return Path;
  return Path + '\\';
}

std::string RemoveBackslash(const std::string& Path) {
  std::string s = Path;
  if (s.size() > 1 && IsSep(s.back())) s.pop_back();
  return s;
}

std::string SlashToBackslash(const std::string& S) {
  std::string r = S;
  for (char& c : r)
    if (c == '/') c = '\\';
  return r;
}

std::string BackslashToSlash(const std::string& S) {
  std::string r = S;
  for (char& c : r)
    if (c == '\\') c = '/';
  return r;
}

std::string OemToAnsiStr(const std::string& S) { return SlashToBackslash(OemToAnsi(S)); }
std::string ZipNameToAnsi(const std::string& Raw, uint16_t Flags) {
  return (Flags & zgUtf8) ? SlashToBackslash(Utf8ToAnsi(Raw)) : OemToAnsiStr(Raw);
}
std::string AnsiToOemStr(const std::string& S) { return SlashToBackslash(AnsiToOem(S)); }

size_t ExtDotOffset(const std::string& Name) {
  for (size_t i = Name.size(); i > 0; i--) {
    char c = Name[i - 1];
    if (c == '.') return i - 1;
    if (IsSep(c) || c == ':') break;
  }
  return Name.size();
}

bool DirExists(const std::string& Dir) { return Dir.empty() || DirectoryExists(RemoveBackslash(Dir)); }

bool FileMatchExists(const std::string& NameOrMask) {
  TSearchRec f;
  bool found = false;
  if (FindFirst(NameOrMask, faReadOnly | faHidden | faSysFile | faArchive, f) == 0) {
    do {
      if (!(f.Attr & faDirectory)) found = true;
    } while (!found && FindNext(f) == 0);
    FindClose(f);
  }
  return found;
}

bool IsPlainFile(int Attr) {
  return (Attr & (faReadOnly | faHidden | faSysFile | faVolumeID | faDirectory)) == 0;
}

bool IsAllDigits(const std::string& S) {
  for (char c : S)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string CutToken(std::string& Source, const std::string& Separator) {
  size_t p = Separator.empty() ? std::string::npos : Source.find(Separator);
  std::string token;
  if (p == std::string::npos) {
    token.swap(Source);
  } else {
    token = Source.substr(0, p);
    Source.erase(0, p + Separator.size());
  }
  return token;
}

std::string ReadZStringAt(TStream& Stream, int64_t& Pos) {
  char buf[256];
  Stream.SetPosition(Pos);
  int32_t n = Stream.Read(buf, sizeof buf);
  if (n <= 0) return std::string();
  size_t len = 0;
  while (len < size_t(n) && buf[len] != 0) len++;
  Pos += int64_t(len < size_t(n) ? len + 1 : len);
  return std::string(buf, len);
}

std::string ReadStringAt(TStream& Stream, int64_t Pos, size_t Length) {
  std::string s(Length, '\0');
  Stream.SetPosition(Pos);
  size_t got = 0;
  while (got < Length) {
    int32_t chunk = int32_t(std::min<size_t>(Length - got, 1 << 20));
    int32_t n = Stream.Read(&s[got], chunk);
    if (n <= 0) break;
    got += size_t(n);
  }
  s.resize(got);
  return s;
}

bool IsCompressSignature(uint16_t Signature) {
  return Signature == 0x8B1F || Signature == 0x9E1F || Signature == 0x9D1F || Signature == 0xA01F ||
         Signature == 0x1E1F;
}

std::string ShiftStringChars(const std::string& S, int Key, bool Decode) {
  std::string r = S;
  for (char& c : r) c = char(uint8_t(uint8_t(c) + (Decode ? -Key : Key)));
  return r;
}

TDateTime FileDateToDateTimeDef(int FileDate) {
  if (FileDate == 0) return NoArcDate;
  uint32_t v = uint32_t(FileDate);
  TDateTime d, t;
  if (!TryEncodeDate(int(v >> 25) + 1980, int((v >> 21) & 15), int((v >> 16) & 31), d) ||
      !TryEncodeTime(int((v >> 11) & 31), int((v >> 5) & 63), int(v & 31) * 2, 0, t))
    return NoArcDate;
  return d + t;
}

int64_t LocalDateTimeToUnix(TDateTime DateTime) {
  return DateTimeToUnix(DateTime) + int64_t(GetTimeZoneBiasMinutes()) * 60;
}

TDateTime UnixToLocalDateTime(int64_t Seconds) {
  if (Seconds == 0) return NoArcDate;
  return UnixToDateTime(Seconds - int64_t(GetTimeZoneBiasMinutes()) * 60);
}

std::string IntToOctalField(int64_t Value, int Width, bool Terminated) {
  if (Width <= 0) return std::string();
  int digits = Terminated ? Width - 2 : Width;
  std::string field(size_t(Width), ' ');
  if (Terminated) {
    if (Width >= 2) field[size_t(Width) - 2] = ' ';
    field[size_t(Width) - 1] = '\0';
  }
  if (digits <= 0) return field;
  uint64_t v = Value < 0 ? 0 : uint64_t(Value);
  std::string oct;
  do {
    oct.insert(oct.begin(), char('0' + (v & 7)));
    v >>= 3;
  } while (v);
  if (oct.size() > size_t(digits)) oct.assign(size_t(digits), '7');
  field.replace(size_t(digits) - oct.size(), oct.size(), oct);
  return field;
}

int64_t OctalToInt(const std::string& S) {
  uint64_t v = 0;
  for (char c : S)
    if (c >= '0' && c <= '7') v = (v << 3) | uint64_t(c - '0');
  return int64_t(v & 0x7FFFFFFFFFFFFFFFull);
}

int CalcPercent(int64_t Part, int64_t Whole) {
  if (Whole <= 0 || Part <= 0) return 0;
  if (Part >= Whole) return 100;
  // Part < Whole here, so Part * 100 only overflows for sizes beyond any disk.
  int64_t q = Part * 100 / Whole, r = Part * 100 % Whole;
  if (r > Whole - r || (r == Whole - r && (q & 1))) q++;
  return int(q);
}

std::string NextOldStyleVolume(const std::string& N, char Letter) {
  const size_t Dot = N.find_last_of('.');
  if (Dot == std::string::npos || N.size() - Dot != 4 || N.find_first_of("\\/", Dot) != std::string::npos)
    return N + "." + Letter + "00";
  const char* Ext = N.c_str() + Dot + 1;
  if (!isdigit(uint8_t(Ext[1])) || !isdigit(uint8_t(Ext[2]))) return N.substr(0, Dot + 1) + Letter + "00";
  int Num = (Ext[1] - '0') * 10 + (Ext[2] - '0') + 1;
  Letter = Ext[0];
  if (Num > 99) {
    Num = 0;
    ++Letter;
  }
  const char Buf[4] = {Letter, char('0' + Num / 10), char('0' + Num % 10), 0};
  return N.substr(0, Dot + 1) + Buf;
}

