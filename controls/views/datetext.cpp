#include "controls/views/datetext.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The fields of a format in order: 'y', 'm' or 'd' with their letter counts.
struct TField {
  char Kind;
  int Letters;
};

std::vector<TField> FormatFields(const std::string& Format) {
  std::vector<TField> fields;
  for (size_t i = 0; i < Format.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(Format[i])));
    size_t j = i;
    while (j < Format.size() && std::tolower(static_cast<unsigned char>(Format[j])) == c) ++j;
    if (c == 'y' || c == 'm' || c == 'd') fields.push_back({c, static_cast<int>(j - i)});
    i = j;
  }
  return fields;
}

std::string Padded(int Value, int Width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", Width, Value);
  return buf;
}

}  // namespace

std::string FormatDateText(const TShortDateFormat& Format, TDateTime Date) {
  int y, m, d;
  DecodeDate(Date, y, m, d);
  std::string out;
  const std::string& f = Format.Format;
  for (size_t i = 0; i < f.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
    size_t j = i;
    while (j < f.size() && std::tolower(static_cast<unsigned char>(f[j])) == c) ++j;
    const int n = static_cast<int>(j - i);
    if (c == 'y')
      out += n <= 2 ? Padded(y % 100, 2) : Padded(y, 4);
    else if (c == 'm')
      out += Padded(m, n >= 2 ? 2 : 1);
    else if (c == 'd')
      out += Padded(d, n >= 2 ? 2 : 1);
    else if (c == '/')
      out.append(static_cast<size_t>(n), Format.Separator);
    else
      out.append(f, i, static_cast<size_t>(n));
    i = j;
  }
  return out;
}

std::string FormatTimeText(TDateTime Time) {
  int h, n, s, ms;
  DecodeTime(Time, h, n, s, ms);
  return Padded(h, 2) + ":" + Padded(n, 2);
}

namespace {

bool ReadNumber(const std::string& S, size_t& Pos, int MaxDigits, int& Value) {
  size_t start = Pos;
  Value = 0;
  while (Pos < S.size() && S[Pos] >= '0' && S[Pos] <= '9' && static_cast<int>(Pos - start) < MaxDigits)
    Value = Value * 10 + (S[Pos++] - '0');
  return Pos > start;
}

bool ParseDatePart(const TShortDateFormat& Format, const std::string& S, size_t& Pos, TDateTime& Date) {
  const std::vector<TField> fields = FormatFields(Format.Format);
  if (fields.size() != 3) return false;
  int y = -1, m = -1, d = -1;
  int yearDigits = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (i > 0) {
      if (Pos >= S.size() || S[Pos] != Format.Separator) return false;
      ++Pos;
    }
    const size_t before = Pos;
    int v;
    if (!ReadNumber(S, Pos, fields[i].Kind == 'y' ? 4 : 2, v)) return false;
    if (fields[i].Kind == 'y') {
      y = v;
      yearDigits = static_cast<int>(Pos - before);
    } else if (fields[i].Kind == 'm') {
      m = v;
    } else {
      d = v;
    }
  }
  if (y < 0 || m < 0 || d < 0) return false;
  if (yearDigits <= 2) y += y < 50 ? 2000 : 1900;
  return TryEncodeDate(y, m, d, Date);
}

}  // namespace

bool TryParseDateText(const TShortDateFormat& Format, const std::string& Text, TDateTime& Date) {
  const std::string s = Trim(Text);
  size_t pos = 0;
  return ParseDatePart(Format, s, pos, Date) && pos == s.size();
}

bool TryParseDateTimeText(const TShortDateFormat& Format, const std::string& Text, TDateTime& Value) {
  const std::string s = Trim(Text);
  size_t pos = 0;
  TDateTime date;
  if (!ParseDatePart(Format, s, pos, date)) return false;
  if (pos == s.size()) {
    Value = date;
    return true;
  }
  if (s[pos] != ' ') return false;
  while (pos < s.size() && s[pos] == ' ') ++pos;
  int h, n, sec = 0;
  if (!ReadNumber(s, pos, 2, h) || pos >= s.size() || s[pos++] != ':' || !ReadNumber(s, pos, 2, n)) return false;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!ReadNumber(s, pos, 2, sec)) return false;
  }
  TDateTime time;
  if (pos != s.size() || !TryEncodeTime(h, n, sec, 0, time)) return false;
  Value = date + time;
  return true;
}

std::string WidenDateFormat(const std::string& Format) {
  std::string out;
  for (size_t i = 0; i < Format.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(Format[i])));
    size_t j = i;
    while (j < Format.size() && std::tolower(static_cast<unsigned char>(Format[j])) == c) ++j;
    if (c == 'y')
      out += "yyyy";
    else if (c == 'm')
      out += "mm";
    else if (c == 'd')
      out += "dd";
    else
      out.append(Format, i, j - i);
    i = j;
  }
  return out;
}

std::string EditDateFormat(const TShortDateFormat& Format) {
  std::string out;
  for (char c : WidenDateFormat(Format.Format))
    if (c != '/' && c != Format.Separator) out += c;
  return out;
}

std::string ExpandTypedDate(const TShortDateFormat& Format, const std::string& Digits) {
  if (Digits.size() < 6) throw EConvertError("Date trop courte");
  std::string out;
  size_t pos = 0;
  for (const TField& f : FormatFields(Format.Format)) {
    if (!out.empty()) out += Format.Separator;
    const size_t n = f.Kind == 'y' ? 4 : 2;
    out += Digits.substr(std::min(pos, Digits.size()), n);
    pos += n;
  }
  return out;
}

std::string DateEditText(const TShortDateFormat& Format, TDateTime Date) {
  if (Date == 0) return "";
  int y, m, d;
  DecodeDate(Date, y, m, d);
  if (y < 2000 || Format.Format.size() > 8) return FormatDateText(Format, Date);
  return FormatDateText({WidenDateFormat(Format.Format), Format.Separator}, Date);
}

int DaysInMonth(int Year, int Month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return days[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0);
}

int DayOfWeekMondayFirst(TDateTime Date) {
  // Day 0 of the date-time scale (30 December 1899) was a Saturday.
  const long long day = static_cast<long long>(std::floor(Date));
  return static_cast<int>(((day + 5) % 7 + 7) % 7) + 1;
}

int FirstDayCell(int Year, int Month, int StartOfWeek) {
  const int weekday = DayOfWeekMondayFirst(EncodeDate(Year, Month, 1));
  return (weekday - StartOfWeek + 7) % 7 + 1;
}

int CalendarStepDays(TCalendarStep Step, int Year, int Month) {
  switch (Step) {
    case csPageUp:
      return -(Month == 1 ? DaysInMonth(Year - 1, 12) : DaysInMonth(Year, Month - 1));
    case csPageDown:
      return DaysInMonth(Year, Month);
    case csYearBack:
      return -(IsLeapYear(Year) && Month != 3 ? 366 : 365);
    case csYearForward:
      return IsLeapYear(Year) && Month != 3 ? 366 : 365;
  }
  return 0;
}
