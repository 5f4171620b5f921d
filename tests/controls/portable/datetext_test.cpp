#include <gtest/gtest.h>

#include "controls/views/datetext.h"

TEST(DateText, FormatAndParseByOrder) {
  const TDateTime d = EncodeDate(1999, 12, 31) + EncodeTime(7, 5, 0, 0);
  struct Case {
    TShortDateFormat Format;
    const char* Text;
  } cases[] = {{{"mm/dd/yyyy", '/'}, "12/31/1999"}, {{"dd/mm/yyyy", '/'}, "31/12/1999"},
               {{"yyyy/mm/dd", '/'}, "1999/12/31"}, {{"d.m.yy", '.'}, "31.12.99"},
               {{"dd/mm/yyyy", '-'}, "31-12-1999"}};
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDateText(c.Format, d), c.Text);
    TDateTime back = 0;
    ASSERT_TRUE(TryParseDateText(c.Format, c.Text, back)) << c.Text;
    EXPECT_EQ(back, EncodeDate(1999, 12, 31)) << c.Text;
  }
  EXPECT_EQ(FormatTimeText(d), "07:05");
  TDateTime v;
  ASSERT_TRUE(TryParseDateTimeText({}, "01/02/2020 10:30", v));
  EXPECT_NEAR(v, EncodeDate(2020, 1, 2) + EncodeTime(10, 30, 0, 0), 1e-9);
  const char* bad[] = {"13/01/2020", "02/30/2020", "1/2", "01/02/2020x", "", "01/02/2020 25:00", "aa/bb/cccc"};
  for (const char* b : bad) EXPECT_FALSE(TryParseDateTimeText({}, b, v)) << b;
  // Two-digit years fall into 1950..2049.
  ASSERT_TRUE(TryParseDateText({"mm/dd/yy", '/'}, "01/01/49", v));
  EXPECT_EQ(v, EncodeDate(2049, 1, 1));
  ASSERT_TRUE(TryParseDateText({"mm/dd/yy", '/'}, "01/01/50", v));
  EXPECT_EQ(v, EncodeDate(1950, 1, 1));
}

TEST(DateText, TypedDigitsAndEditText) {
  const TShortDateFormat mdy{"mm/dd/yyyy", '/'};
  EXPECT_EQ(EditDateFormat(mdy), "mmddyyyy");
  EXPECT_EQ(EditDateFormat({"d.M.yy", '.'}), "ddmmyyyy");
  EXPECT_EQ(WidenDateFormat("m/d/yy"), "mm/dd/yyyy");
  EXPECT_EQ(ExpandTypedDate(mdy, "12311999"), "12/31/1999");
  EXPECT_EQ(ExpandTypedDate({"yyyy/mm/dd", '/'}, "19991231"), "1999/12/31");
  EXPECT_EQ(ExpandTypedDate({"dd.mm.yyyy", '.'}, "311299"), "31.12.99");
  try {
    ExpandTypedDate(mdy, "12319");
    FAIL() << "five digits were taken";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Date trop courte");
  }
  const TShortDateFormat shortYear{"mm/dd/yy", '/'};
  EXPECT_EQ(DateEditText(shortYear, 0), "");
  EXPECT_EQ(DateEditText(shortYear, EncodeDate(1999, 3, 4)), "03/04/99");
  EXPECT_EQ(DateEditText(shortYear, EncodeDate(2001, 3, 4)), "03/04/2001");
  EXPECT_EQ(DateEditText({"m/d/yy", '/'}, EncodeDate(2001, 3, 4)), "03/04/2001");
  EXPECT_EQ(DateEditText({"yyyy-mm-dd", '-'}, EncodeDate(2001, 3, 4)), "2001-03-04");
}

TEST(DateText, CalendarArithmetic) {
  struct MonthCase {
    int Year, Month, Days, FirstCellMonday, FirstCellSunday;
  } months[] = {
      {2024, 1, 31, 1, 2},   // 1 January 2024 was a Monday
      {2023, 10, 31, 7, 1},  // 1 October 2023 was a Sunday
      {2024, 2, 29, 4, 5},   {2023, 2, 28, 3, 4}, {1900, 2, 28, 4, 5}, {2000, 2, 29, 2, 3},
  };
  for (const MonthCase& m : months) {
    EXPECT_EQ(DaysInMonth(m.Year, m.Month), m.Days) << m.Year << "-" << m.Month;
    EXPECT_EQ(FirstDayCell(m.Year, m.Month, 1), m.FirstCellMonday) << m.Year << "-" << m.Month;
    EXPECT_EQ(FirstDayCell(m.Year, m.Month, 7), m.FirstCellSunday) << m.Year << "-" << m.Month;
  }
  EXPECT_EQ(DayOfWeekMondayFirst(EncodeDate(1899, 12, 30)), 6);
  EXPECT_EQ(DayOfWeekMondayFirst(EncodeDate(1800, 1, 1)), 3);  // a Wednesday, before day 0
  struct StepCase {
    TCalendarStep Step;
    int Year, Month, Days;
  } steps[] = {
      {csPageUp, 2024, 3, -29}, {csPageUp, 2023, 3, -28}, {csPageUp, 2024, 1, -31}, {csPageDown, 2024, 2, 29},
      {csYearBack, 2024, 1, -366}, {csYearBack, 2024, 3, -365}, {csYearForward, 2023, 6, 365},
  };
  for (const StepCase& s : steps) EXPECT_EQ(CalendarStepDays(s.Step, s.Year, s.Month), s.Days);
  // Page Up from 31 March lands on 2 or 3 March.
  int y, m, d;
  DecodeDate(EncodeDate(2024, 3, 31) + CalendarStepDays(csPageUp, 2024, 3), y, m, d);
  EXPECT_EQ(d, 2);
  DecodeDate(EncodeDate(2023, 3, 31) + CalendarStepDays(csPageUp, 2023, 3), y, m, d);
  EXPECT_EQ(d, 3);
}
