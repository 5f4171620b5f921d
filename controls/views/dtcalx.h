// The month calendar drawn on a panel, its pop-up form, and the settings
// objects the date controls share (day and month names, shortcut keys,
// colours).
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "controls/views/datetext.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"

class TDayName : public TPersistent {
 public:
  TDayName();  // the locale's short day names, cut to 2 characters
  void Assign(TPersistent* Source) override;
  // 1 = Monday ... 7 = Sunday.
  const std::string& Name(int Day) const { return FNames.at(static_cast<size_t>(Day - 1)); }
  void SetName(int Day, const std::string& Value) { FNames.at(static_cast<size_t>(Day - 1)) = Value.substr(0, 2); }

 private:
  std::array<std::string, 7> FNames;
};

class TMonthName : public TPersistent {
 public:
  TMonthName();  // the locale's long month names, cut to 15 characters
  void Assign(TPersistent* Source) override;
  const std::string& Name(int Month) const { return FNames.at(static_cast<size_t>(Month - 1)); }
  void SetName(int Month, const std::string& Value) {
    FNames.at(static_cast<size_t>(Month - 1)) = Value.substr(0, 15);
  }

 private:
  std::array<std::string, 12> FNames;
};

class TButtonsShortCut : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  bool KeyAlt() const { return FKeyAlt; }
  void SetKeyAlt(bool Value);  // on turns KeyCtrl off
  bool KeyCtrl() const { return FKeyCtrl; }
  void SetKeyCtrl(bool Value);  // on turns KeyAlt off
  uint16_t BtnClear = 0, BtnPopup = 0, BtnValidate = 0;

 private:
  bool FKeyAlt = false, FKeyCtrl = false;
};

class TCalendarColors : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  TColor ColorArrow = clBlack, ColorDates = clBlack, ColorWeekEnd = clRed, ColorTitle = clNavy, ColorValid = clBlue;
};

using TNewMonthEvent = std::function<void(TObject* Sender)>;

class TCalendarX : public TCustomPanel {
 public:
  explicit TCalendarX(TComponent* AOwner);
  TDateTime Date() const { return FDate; }
  void SetDate(TDateTime Value);
  TCalendarColors* Colors() { return FColors.get(); }
  void SetColors(TCalendarColors* Value);
  TDayName* DayNames() { return FDayNames.get(); }
  TMonthName* MonthNames() { return FMonthNames.get(); }
  int StartOfWeek() const { return FStartOfWeek; }
  void SetStartOfWeek(int Value);
  bool ShowCloseMark() const { return FShowCloseMark; }
  void SetShowCloseMark(bool Value);
  std::set<int>& MarkedDates() { return FMarked; }  // whole day numbers
  // The grid cell (1..42) of the selected day, and of the first of the month.
  int SelectedCell() const { return FSelectedCell; }
  int FirstCell() const { return FirstDayCell(FYear, FMonth, FStartOfWeek); }
  std::string CellText(int Cell) const { return FCellText.at(static_cast<size_t>(Cell - 1)); }
  TRect CellRect(int Cell) const;
  // The title row's hot squares (outer left, inner left, inner right, outer
  // right) and the close mark.
  TRect HotZone(int Index) const;
  void MoveDays(int Days);
  void Step(TCalendarStep Step);

  TNewMonthEvent AfterNewMonth, BeforeNewMonth;
  TNotifyEvent OnDateChange, OnDateClick, OnKeyCancel, OnKeyEnter, OnKillFocus;

 protected:
  void Paint() override;
  void FontChanged() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Dispatch(TMessage& Message) override;

 private:
  void Decode();
  void MonthChange();
  void ComputeLayout();
  int CellAt(int X, int Y) const;
  bool InMonth(int Cell) const;
  void DrawCell(TCanvas* Canvas, int Cell, bool Pressed);
  TDateTime FDate = 0;
  int FYear = 1900, FMonth = 1, FDay = 1;
  int FOldYear = 0, FOldMonth = 0;
  int FSelectedCell = 1, FHotCell = 0;
  bool FMouseDown = false;
  bool FShowCloseMark = false;
  int FStartOfWeek = 1;
  std::set<int> FMarked;
  std::array<std::string, 42> FCellText;
  int FCellW = 8, FRowH = 16, FArrow = 16, FMargin = 3;
  std::unique_ptr<TCalendarColors> FColors;
  std::unique_ptr<TDayName> FDayNames;
  std::unique_ptr<TMonthName> FMonthNames;
};

// The borderless drop-down that holds one calendar under a date edit.
class TDtCalPopX : public TForm {
 public:
  explicit TDtCalPopX(TComponent* AOwner);
  TCalendarX* CalendarX() const { return FCalendar; }
  TWinControl* Anchor = nullptr;
  bool Cancelled() const { return FCancelled; }
  // Places the form under the anchor (above it when the screen ends) and sizes
  // it to the calendar.
  void FormShow();
  void CloseUp(bool Cancelled);
  TNotifyEvent OnHide;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;

 private:
  TCalendarX* FCalendar;
  bool FCancelled = false;
};

// The locale's short date format and separator in the run-time notation.
TShortDateFormat LocaleShortDateFormat();
