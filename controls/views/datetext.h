// Date texts of the date controls and the file browser, and the calendar's
// arithmetic, free of Windows calls. A control holds its own format instead of
// changing a process-wide one, so no other parsing is disturbed.
#pragma once
#include <string>

#include "framework/core/sysutils.h"

// A short date format in the run-time library's notation ("mm/dd/yyyy": d, dd,
// m, mm, yy, yyyy; "/" stands for Separator).
struct TShortDateFormat {
  std::string Format = "mm/dd/yyyy";
  char Separator = '/';
};

std::string FormatDateText(const TShortDateFormat& Format, TDateTime Date);
// "hh:nn" of the time part.
std::string FormatTimeText(TDateTime Time);
// Three numbers split at the separator, read in the format's field order; a
// two-digit year falls in 1950..2049.
bool TryParseDateText(const TShortDateFormat& Format, const std::string& Text, TDateTime& Date);
// A date optionally followed by a blank and "hh:nn" or "hh:nn:ss".
bool TryParseDateTimeText(const TShortDateFormat& Format, const std::string& Text, TDateTime& Value);
// The format with a four-letter year and two-letter month and day.
std::string WidenDateFormat(const std::string& Format);
// The widened format without its separators: how a date shows while typed.
std::string EditDateFormat(const TShortDateFormat& Format);
// Typed digits split into the format's fields (4 digits for the year, 2 for
// the others) and joined with the separator; fewer than 6 characters throw
// EConvertError "Date trop courte".
std::string ExpandTypedDate(const TShortDateFormat& Format, const std::string& Digits);
// The text a date edit shows: empty for 0; the format as it is for years
// before 2000 or a format longer than 8 characters, else the widened one.
std::string DateEditText(const TShortDateFormat& Format, TDateTime Date);

// Calendar arithmetic (weeks as 1 = Monday ... 7 = Sunday).
int DaysInMonth(int Year, int Month);
int DayOfWeekMondayFirst(TDateTime Date);
// The grid cell (1..42) of the first of the month.
int FirstDayCell(int Year, int Month, int StartOfWeek);
enum TCalendarStep : int { csPageUp, csPageDown, csYearBack, csYearForward };
// The days a paging key moves from a date shown in Year / Month.
int CalendarStepDays(TCalendarStep Step, int Year, int Month);
