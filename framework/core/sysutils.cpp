#include "framework/core/sysutils.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "framework/core/os.h"

void Abort() { throw EAbort("Operation aborted"); }

// ---- paths -------------------------------------------------------------

namespace {

#ifdef _WIN32
bool IsDelim(char C) { return C == '\\'; }
#else
bool IsDelim(char C) { return C == '\\' || C == '/'; }
#endif

// Index of the last separator, drive colon or (when WithDot) dot; -1 if none.
int LastDelimiter(const std::string& S, bool WithDot) {
  for (int I = static_cast<int>(S.size()) - 1; I >= 0; --I) {
    char C = S[I];
    if (IsDelim(C) || C == ':' || (WithDot && C == '.')) return I;
  }
  return -1;
}

}  // namespace

bool IsPathDelimiter(const std::string& S, int Index) {
  return Index >= 0 && Index < static_cast<int>(S.size()) && IsDelim(S[Index]);
}

std::string ExtractFilePath(const std::string& FileName) {
  return FileName.substr(0, LastDelimiter(FileName, false) + 1);
}

std::string ExtractFileDir(const std::string& FileName) {
  int I = LastDelimiter(FileName, false);
  // Keep the separator of a root ("C:\", "\") so the result still names it.
  if (I > 0 && IsDelim(FileName[I]) && !IsDelim(FileName[I - 1]) && FileName[I - 1] != ':') --I;
  return FileName.substr(0, I + 1);
}

std::string ExtractFileName(const std::string& FileName) {
  return FileName.substr(LastDelimiter(FileName, false) + 1);
}

std::string ExtractFileExt(const std::string& FileName) {
  int I = LastDelimiter(FileName, true);
  if (I >= 0 && FileName[I] == '.') return FileName.substr(I);
  return std::string();
}

std::string ExtractFileDrive(const std::string& FileName) {
  if (FileName.size() >= 2 && FileName[1] == ':') return FileName.substr(0, 2);
  if (FileName.size() >= 2 && IsDelim(FileName[0]) && IsDelim(FileName[1])) {
    // "\\server\share": up to the separator after the share name.
    int Seps = 0;
    size_t I = 2;
    while (I < FileName.size()) {
      if (IsDelim(FileName[I]) && ++Seps == 2) break;
      ++I;
    }
    return FileName.substr(0, I);
  }
  return std::string();
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  int I = LastDelimiter(FileName, true);
  if (I < 0 || FileName[I] != '.') I = static_cast<int>(FileName.size());
  return FileName.substr(0, I) + Extension;
}

std::string IncludeTrailingBackslash(const std::string& S) {
  if (IsPathDelimiter(S, static_cast<int>(S.size()) - 1)) return S;
  return S + PathDelim;
}

std::string ExcludeTrailingBackslash(const std::string& S) {
  if (IsPathDelimiter(S, static_cast<int>(S.size()) - 1)) return S.substr(0, S.size() - 1);
  return S;
}

bool ForceDirectories(const std::string& Dir) {
  std::string D = ExcludeTrailingBackslash(Dir);
  if (D.empty()) return !Dir.empty() && DirectoryExists(Dir);  // the root
  if (D.size() > MaxPathLength) return false;
  // Walk up to the first folder that exists, then create downwards: a loop,
  // not a recursion, so a name of thousands of parts cannot exhaust the stack.
  std::vector<std::string> Missing;
  for (std::string P = D; !DirectoryExists(P);) {
    Missing.push_back(P);
    std::string Parent = ExtractFileDir(P);
    if (Parent.empty() || Parent == P || Parent == ExtractFileDrive(P)) break;
    P = ExcludeTrailingBackslash(Parent);
    if (P.empty()) break;
  }
  for (auto It = Missing.rbegin(); It != Missing.rend(); ++It)
    if (!CreateDir(*It) && !DirectoryExists(*It)) return false;
  return true;
}

bool IsReservedDeviceName(const std::string& Part) {
  std::string Base = Part.substr(0, Part.find('.'));
  while (!Base.empty() && (Base.back() == ' ' || Base.back() == '.')) Base.pop_back();
  Base = UpperCase(Base);
  if (Base == "CON" || Base == "PRN" || Base == "AUX" || Base == "NUL") return true;
  return Base.size() == 4 && (Base.compare(0, 3, "COM") == 0 || Base.compare(0, 3, "LPT") == 0) && Base[3] >= '1' &&
         Base[3] <= '9';
}

// ---- strings -----------------------------------------------------------

std::string UpperCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 32);
  return R;
}

std::string LowerCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C + 32);
  return R;
}

int CompareText(const std::string& S1, const std::string& S2) {
  size_t N = std::min(S1.size(), S2.size());
  for (size_t I = 0; I < N; ++I) {
    int C1 = static_cast<unsigned char>(S1[I]);
    int C2 = static_cast<unsigned char>(S2[I]);
    if (C1 >= 'a' && C1 <= 'z') C1 -= 32;
    if (C2 >= 'a' && C2 <= 'z') C2 -= 32;
    if (C1 != C2) return C1 - C2;
  }
  return static_cast<int>(S1.size()) - static_cast<int>(S2.size());
}

bool SameText(const std::string& S1, const std::string& S2) {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

std::string TrimLeft(const std::string& S) {
  size_t I = 0;
  while (I < S.size() && static_cast<unsigned char>(S[I]) <= ' ') ++I;
  return S.substr(I);
}

std::string TrimRight(const std::string& S) {
  size_t N = S.size();
  while (N > 0 && static_cast<unsigned char>(S[N - 1]) <= ' ') --N;
  return S.substr(0, N);
}

std::string Trim(const std::string& S) { return TrimRight(TrimLeft(S)); }

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

std::string IntToHex(int64_t Value, int Digits) {
  static const char Hex[] = "0123456789ABCDEF";
  uint64_t V = static_cast<uint64_t>(Value);
  std::string R;
  do {
    R.insert(R.begin(), Hex[V & 15]);
    V >>= 4;
  } while (V != 0);
  if (static_cast<int>(R.size()) < Digits) R.insert(0, static_cast<size_t>(Digits) - R.size(), '0');
  return R;
}

namespace {

// Pascal's Val: leading blanks, a sign, then decimal digits or "$"/"0x" hex.
bool TryStrToInt64(const std::string& S, int64_t& Value) {
  size_t I = 0;
  while (I < S.size() && S[I] == ' ') ++I;
  bool Neg = false;
  if (I < S.size() && (S[I] == '-' || S[I] == '+')) Neg = S[I++] == '-';
  unsigned Base = 10;
  if (I < S.size() && S[I] == '$') {
    Base = 16;
    ++I;
  } else if (I + 1 < S.size() && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  if (I >= S.size()) return false;
  // Hex literals may fill all 64 bits (Delphi reads $FFFFFFFF as -1 for Integer
  // targets); decimal ones must fit the signed range.
  const uint64_t Limit = Base == 16 ? std::numeric_limits<uint64_t>::max()
                                    : static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (Neg ? 1 : 0);
  uint64_t V = 0;
  for (; I < S.size(); ++I) {
    char C = S[I];
    unsigned D;
    if (C >= '0' && C <= '9')
      D = static_cast<unsigned>(C - '0');
    else if (Base == 16 && C >= 'a' && C <= 'f')
      D = static_cast<unsigned>(C - 'a' + 10);
    else if (Base == 16 && C >= 'A' && C <= 'F')
      D = static_cast<unsigned>(C - 'A' + 10);
    else
      return false;
    if (V > (Limit - D) / Base) return false;
    V = V * Base + D;
  }
  Value = static_cast<int64_t>(Neg ? (~V + 1) : V);
  return true;
}

bool TryStrToInt32(const std::string& S, int& Value) {
  int64_t V;
  if (!TryStrToInt64(S, V)) return false;
  bool Hex = S.find_first_of("$xX") != std::string::npos;
  if (Hex && V >= 0 && V <= 0xFFFFFFFFLL) {
    Value = static_cast<int>(static_cast<uint32_t>(V));
    return true;
  }
  if (V < std::numeric_limits<int>::min() || V > std::numeric_limits<int>::max()) return false;
  Value = static_cast<int>(V);
  return true;
}

[[noreturn]] void InvalidInteger(const std::string& S) {
  throw EConvertError("'" + S + "' is not a valid integer value");
}

}  // namespace

int StrToInt(const std::string& S) {
  int V;
  if (!TryStrToInt32(S, V)) InvalidInteger(S);
  return V;
}

int StrToIntDef(const std::string& S, int Default) {
  int V;
  return TryStrToInt32(S, V) ? V : Default;
}

int64_t StrToInt64(const std::string& S) {
  int64_t V;
  if (!TryStrToInt64(S, V)) InvalidInteger(S);
  return V;
}

int64_t StrToInt64Def(const std::string& S, int64_t Default) {
  int64_t V;
  return TryStrToInt64(S, V) ? V : Default;
}

// ---- date and time -----------------------------------------------------

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const unsigned Yoe = static_cast<unsigned>(Y - Era * 400);
  const unsigned Doy = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
  const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
  return Era * 146097 + static_cast<int64_t>(Doe) - 719468;
}

void CivilFromDays(int64_t Z, int& Y, int& M, int& D) {
  Z += 719468;
  const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const unsigned Doe = static_cast<unsigned>(Z - Era * 146097);
  const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
  const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
  const unsigned Mp = (5 * Doy + 2) / 153;
  D = static_cast<int>(Doy - (153 * Mp + 2) / 5 + 1);
  M = static_cast<int>(Mp < 10 ? Mp + 3 : Mp - 9);
  Y = static_cast<int>(static_cast<int64_t>(Yoe) + Era * 400 + (M <= 2));
}

// Splits a TDateTime into its day number and the milliseconds of that day.
// The day and time are rounded together, so 23:59:59.9999 becomes the next
// day's midnight in both. Negative values keep Delphi's reading: the integer
// part is the day, the fraction's magnitude the time.
bool SplitDateTime(TDateTime DT, int64_t& Days, int& MSecs) {
  if (!(std::fabs(DT) < 2958466.0 + 1.0)) return false;  // beyond 9999-12-31 or NaN
  double T = std::trunc(DT);
  Days = static_cast<int64_t>(T);
  int64_t Ms = std::llround(std::fabs(DT - T) * MSecsPerDay);
  if (Ms >= static_cast<int64_t>(MSecsPerDay)) {
    Ms = 0;
    ++Days;
  }
  MSecs = static_cast<int>(Ms);
  return true;
}

}  // namespace

bool IsLeapYear(int Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date) {
  static const int DaysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1) return false;
  int Max = DaysIn[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0);
  if (Day > Max) return false;
  Date = static_cast<double>(DaysFromCivil(Year, static_cast<unsigned>(Month), static_cast<unsigned>(Day)) +
                             static_cast<int64_t>(UnixDateDelta));
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999) return false;
  Time = ((Hour * 3600 + Min * 60 + Sec) * 1000.0 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime R;
  if (!TryEncodeDate(Year, Month, Day, R)) throw EConvertError("Invalid argument to date encode");
  return R;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime R;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, R)) throw EConvertError("Invalid argument to time encode");
  return R;
}

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day) {
  int64_t Days;
  int Ms;
  if (!SplitDateTime(Date, Days, Ms) || Days < -693593) {  // before 0001-01-01
    Year = Month = Day = 0;
    return;
  }
  CivilFromDays(Days - static_cast<int64_t>(UnixDateDelta), Year, Month, Day);
}

void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec) {
  int64_t Days;
  int Ms;
  if (!SplitDateTime(Time, Days, Ms)) Ms = 0;
  Hour = Ms / 3600000;
  Min = Ms / 60000 % 60;
  Sec = Ms / 1000 % 60;
  MSec = Ms % 1000;
}

TDateTime Date() { return std::trunc(Now()); }

int DateTimeToFileDate(TDateTime DateTime) {
  int Y, Mo, D, H, Mi, S, Ms;
  DecodeDate(DateTime, Y, Mo, D);
  if (Y < 1980 || Y > 2107) return 0;
  DecodeTime(DateTime, H, Mi, S, Ms);
  uint32_t Hi = static_cast<uint32_t>(D | (Mo << 5) | ((Y - 1980) << 9));
  uint32_t Lo = static_cast<uint32_t>((S >> 1) | (Mi << 5) | (H << 11));
  return static_cast<int>(Hi << 16 | Lo);
}

TDateTime FileDateToDateTime(int FileDate) {
  uint32_t U = static_cast<uint32_t>(FileDate);
  uint32_t Hi = U >> 16, Lo = U & 0xFFFF;
  TDateTime D, T;
  if (!TryEncodeDate(static_cast<int>((Hi >> 9) + 1980), static_cast<int>((Hi >> 5) & 15), static_cast<int>(Hi & 31), D) ||
      !TryEncodeTime(static_cast<int>(Lo >> 11), static_cast<int>((Lo >> 5) & 63), static_cast<int>((Lo & 31) * 2), 0, T))
    throw EConvertError("Invalid DOS date-time " + IntToHex(U, 8));
  return D + T;
}

int64_t DateTimeToUnix(TDateTime DateTime) {
  int64_t Days;
  int Ms;
  if (!SplitDateTime(DateTime, Days, Ms)) return 0;
  return (Days - static_cast<int64_t>(UnixDateDelta)) * 86400 + (Ms + 500) / 1000;
}

TDateTime UnixToDateTime(int64_t Seconds) {
  int64_t Days = Seconds / 86400;
  if (Seconds % 86400 < 0) --Days;
  int64_t Rest = Seconds - Days * 86400;
  double D = static_cast<double>(Days) + UnixDateDelta;
  double T = static_cast<double>(Rest) / SecsPerDay;
  // Before 1899-12-30 the day number is negative and the time still counts
  // forward from it.
  return D >= 0 ? D + T : D - T;
}

char UnicodeToCp1252(uint32_t C, char Default) {
  if (C < 0x80 || (C >= 0xA0 && C <= 0xFF)) return char(C);
  // The five codes Windows-1252 leaves undefined map to themselves.
  if (C == 0x81 || C == 0x8D || C == 0x8F || C == 0x90 || C == 0x9D) return char(C);
  static const uint16_t High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  for (int i = 0; i < 32; ++i)
    if (High[i] != 0 && High[i] == C) return char(0x80 + i);
  return Default;
}
