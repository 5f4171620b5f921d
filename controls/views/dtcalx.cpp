#include "controls/views/dtcalx.h"

#include <cmath>

namespace {

std::string LocaleText(LCTYPE Type) {
  char buf[128] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, Type, buf, sizeof buf);
  return buf;
}

int DayNumber(TDateTime Date) { return static_cast<int>(std::floor(Date)); }

}  // namespace

TShortDateFormat LocaleShortDateFormat() {
  TShortDateFormat f;
  const std::string sep = LocaleText(LOCALE_SDATE);
  const std::string fmt = LocaleText(LOCALE_SSHORTDATE);
  if (!sep.empty()) f.Separator = sep[0];
  if (!fmt.empty()) {
    f.Format.clear();
    for (char c : fmt) f.Format += c == f.Separator ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return f;
}

// ---- settings -----------------------------------------------------------------

TDayName::TDayName() {
  for (int i = 0; i < 7; ++i) FNames[static_cast<size_t>(i)] = LocaleText(LOCALE_SABBREVDAYNAME1 + i).substr(0, 2);
}

void TDayName::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TDayName*>(Source)) FNames = s->FNames;
  else TPersistent::Assign(Source);
}

TMonthName::TMonthName() {
  for (int i = 0; i < 12; ++i) FNames[static_cast<size_t>(i)] = LocaleText(LOCALE_SMONTHNAME1 + i).substr(0, 15);
}

void TMonthName::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TMonthName*>(Source)) FNames = s->FNames;
  else TPersistent::Assign(Source);
}

void TButtonsShortCut::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TButtonsShortCut*>(Source)) {
    FKeyAlt = s->FKeyAlt;
    FKeyCtrl = s->FKeyCtrl;
    BtnClear = s->BtnClear;
    BtnPopup = s->BtnPopup;
    BtnValidate = s->BtnValidate;
  } else {
    TPersistent::Assign(Source);
  }
}

void TButtonsShortCut::SetKeyAlt(bool Value) {
  FKeyAlt = Value;
  if (Value) FKeyCtrl = false;
}

void TButtonsShortCut::SetKeyCtrl(bool Value) {
  FKeyCtrl = Value;
  if (Value) FKeyAlt = false;
}

void TCalendarColors::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TCalendarColors*>(Source)) {
    ColorArrow = s->ColorArrow;
    ColorDates = s->ColorDates;
    ColorWeekEnd = s->ColorWeekEnd;
    ColorTitle = s->ColorTitle;
    ColorValid = s->ColorValid;
  } else {
    TPersistent::Assign(Source);
  }
}

// ---- calendar -----------------------------------------------------------------

TCalendarX::TCalendarX(TComponent* AOwner)
    : TCustomPanel(AOwner),
      FColors(std::make_unique<TCalendarColors>()),
      FDayNames(std::make_unique<TDayName>()),
      FMonthNames(std::make_unique<TMonthName>()) {
  SetBevelOuter(bvNone);
  FTabStop = true;
  ComputeLayout();
  SetDate(::Date());
}

void TCalendarX::Decode() { DecodeDate(FDate, FYear, FMonth, FDay); }

void TCalendarX::SetDate(TDateTime Value) {
  Value = std::floor(Value);
  if (Value == FDate) return;
  FOldYear = FYear;
  FOldMonth = FMonth;
  FDate = Value;
  Decode();
  FSelectedCell = FirstCell() + FDay - 1;
  if (FYear != FOldYear || FMonth != FOldMonth) MonthChange();
  Invalidate();
}

void TCalendarX::SetColors(TCalendarColors* Value) {
  FColors->Assign(Value);
  Invalidate();
}

void TCalendarX::SetStartOfWeek(int Value) {
  if (Value < 1 || Value > 7) return;
  FStartOfWeek = Value;
  FSelectedCell = FirstCell() + FDay - 1;
  FOldYear = 0;
  MonthChange();
}

void TCalendarX::SetShowCloseMark(bool Value) {
  FShowCloseMark = Value;
  Invalidate();
}

void TCalendarX::MonthChange() {
  const bool changed = FYear != FOldYear || FMonth != FOldMonth;
  if (changed && BeforeNewMonth) BeforeNewMonth(this);
  const int first = FirstCell(), days = DaysInMonth(FYear, FMonth);
  for (int cell = 1; cell <= 42; ++cell) {
    const int day = cell - first + 1;
    FCellText[static_cast<size_t>(cell - 1)] = day >= 1 && day <= days ? std::to_string(day) : "";
  }
  Invalidate();
  if (changed && AfterNewMonth) AfterNewMonth(this);
}

void TCalendarX::MoveDays(int Days) {
  if (Days == 0) return;
  FHotCell = 0;
  FOldYear = FYear;
  FOldMonth = FMonth;
  FDate += Days;
  Decode();
  FSelectedCell = FirstCell() + FDay - 1;
  if (FYear != FOldYear || FMonth != FOldMonth) MonthChange();
  Invalidate();
  if (OnDateChange) OnDateChange(this);
}

void TCalendarX::Step(TCalendarStep Step) { MoveDays(CalendarStepDays(Step, FYear, FMonth)); }

void TCalendarX::ComputeLayout() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  FCellW = static_cast<int>(std::lround(tm.tmAveCharWidth * 1.6));
  FRowH = static_cast<int>(std::lround(tm.tmHeight * 4.0 / 3.0));
  FArrow = std::max(16, 3 * FCellW / 2);
  FMargin = FArrow / 8 + 1;
  SetBounds(Left(), Top(), 21 * FCellW + 4 * FMargin, 8 * FRowH + 2 * FMargin);
}

void TCalendarX::FontChanged() {
  TCustomPanel::FontChanged();
  ComputeLayout();
  Invalidate();
}

TRect TCalendarX::CellRect(int Cell) const {
  const int row = (Cell - 1) / 7 + 1, column = (Cell - 1) % 7;
  TRect r;
  r.left = 2 * FMargin + column * 3 * FCellW;
  r.right = r.left + 3 * FCellW;
  r.top = FRowH * row + FRowH + FMargin;
  r.bottom = r.top + FRowH;
  return r;
}

TRect TCalendarX::HotZone(int Index) const {
  const int w = Width();
  switch (Index) {
    case 0: return TRect{2 * FMargin, FMargin, 2 * FMargin + FArrow, FMargin + FArrow};
    case 1: return TRect{2 * FMargin + FArrow, FMargin, 2 * FMargin + 2 * FArrow, FMargin + FArrow};
    case 2: return TRect{w - 2 * FMargin - 2 * FArrow, FMargin, w - 2 * FMargin - FArrow, FMargin + FArrow};
    case 3: return TRect{w - 2 * FMargin - FArrow, FMargin, w - 2 * FMargin, FMargin + FArrow};
    default: {
      const int right = 2 * FMargin + 21 * FCellW, bottom = Height() - FMargin;
      return TRect{right - FArrow, bottom - FArrow, right, bottom};
    }
  }
}

bool TCalendarX::InMonth(int Cell) const { return Cell >= 1 && Cell <= 42 && !FCellText[static_cast<size_t>(Cell - 1)].empty(); }

int TCalendarX::CellAt(int X, int Y) const {
  for (int cell = 1; cell <= 42; ++cell) {
    const TRect r = CellRect(cell);
    POINT p{X, Y};
    if (PtInRect(&r, p)) return cell;
  }
  return 0;
}

void TCalendarX::KeyDown(WORD& Key, TShiftState Shift) {
  switch (Key) {
    case VK_RETURN: if (OnKeyEnter) OnKeyEnter(this); break;
    case VK_ESCAPE: if (OnKeyCancel) OnKeyCancel(this); break;
    case VK_LEFT: MoveDays(-1); break;
    case VK_RIGHT: MoveDays(1); break;
    case VK_UP: MoveDays(-7); break;
    case VK_DOWN: MoveDays(7); break;
    case VK_PRIOR: Step(csPageUp); break;
    case VK_NEXT: Step(csPageDown); break;
    case VK_END: Step(csYearBack); break;
    case VK_HOME: Step(csYearForward); break;
    default: break;
  }
  TCustomPanel::KeyDown(Key, Shift);
}

void TCalendarX::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  POINT p{X, Y};
  static const TCalendarStep steps[] = {csYearBack, csPageUp, csPageDown, csYearForward};
  for (int i = 0; i < 4; ++i) {
    const TRect r = HotZone(i);
    if (PtInRect(&r, p)) {
      Step(steps[i]);
      return;
    }
  }
  const TRect close = HotZone(4);
  if (FShowCloseMark && PtInRect(&close, p)) {
    if (OnKeyCancel) OnKeyCancel(this);
    return;
  }
  const int cell = CellAt(X, Y);
  if (InMonth(cell)) {
    FMouseDown = true;
    MoveDays(cell - FSelectedCell);
  }
}

void TCalendarX::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomPanel::MouseMove(Shift, X, Y);
  const int cell = CellAt(X, Y);
  if (FMouseDown && (Shift & ssLeft)) {
    if (InMonth(cell) && cell != FSelectedCell) MoveDays(cell - FSelectedCell);
  } else if (cell != FHotCell) {
    FHotCell = InMonth(cell) ? cell : 0;
    Invalidate();
  }
}

void TCalendarX::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomPanel::MouseUp(Button, Shift, X, Y);
  const bool wasDown = FMouseDown;
  FMouseDown = false;
  if (Button == mbLeft && wasDown && InMonth(CellAt(X, Y)) && OnDateClick) OnDateClick(this);
  if (HandleAllocated() && !Focused() && CanFocus()) SetFocus();
}

void TCalendarX::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS;
    return;
  }
  if (Message.Msg == WM_KILLFOCUS) {
    TCustomPanel::Dispatch(Message);
    Invalidate();
    if (OnKillFocus) OnKillFocus(this);
    return;
  }
  TCustomPanel::Dispatch(Message);
}

void TCalendarX::DrawCell(TCanvas* Canvas, int Cell, bool Pressed) {
  TRect r = CellRect(Cell);
  const std::string& text = FCellText[static_cast<size_t>(Cell - 1)];
  if (text.empty()) return;
  const int day = std::stoi(text);
  const TDateTime date = EncodeDate(FYear, FMonth, day);
  const int weekday = DayOfWeekMondayFirst(date);
  TColor color = FMarked.count(DayNumber(date)) ? FColors->ColorValid
                 : weekday >= 6                 ? FColors->ColorWeekEnd
                                                : FColors->ColorDates;
  Canvas->Font()->SetColor(color);
  Canvas->Font()->SetStyle(Cell == FSelectedCell ? fsBold : 0);
  if (Cell == FSelectedCell || Pressed) {
    DrawEdge(Canvas->Handle(), &r, EDGE_SUNKEN, BF_RECT);
    if (Focused()) {
      TRect f = r;
      InflateRect(&f, -2, -2);
      DrawFocusRect(Canvas->Handle(), &f);
    }
  } else if (Cell == FHotCell) {
    DrawEdge(Canvas->Handle(), &r, BDR_RAISEDINNER, BF_RECT);
  }
  Canvas->DrawText(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  Canvas->Font()->SetStyle(0);
}

void TCalendarX::Paint() {
  TCanvas* c = Canvas();
  TRect client = ClientRect();
  c->Brush()->SetColor(clBtnFace);
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(client);
  c->Brush()->SetStyle(bsClear);
  c->SetFont(Font());
  // Title: month and year between the arrows.
  TRect title{2 * FMargin + 2 * FArrow, FMargin, Width() - 2 * FMargin - 2 * FArrow, FMargin + FRowH};
  c->Font()->SetColor(FColors->ColorTitle);
  c->Font()->SetStyle(fsBold);
  c->DrawText(FMonthNames->Name(FMonth) + " " + std::to_string(FYear), title, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  c->Font()->SetStyle(0);
  c->Brush()->SetColor(FColors->ColorArrow);
  c->Brush()->SetStyle(bsSolid);
  c->Pen()->SetColor(FColors->ColorArrow);
  for (int i = 0; i < 4; ++i) {
    const TRect z = HotZone(i);
    const int cy = (z.top + z.bottom) / 2, h = FArrow / 4;
    const bool left = i < 2;
    const int tip = left ? z.left + FArrow / 4 : z.right - FArrow / 4;
    const int base = left ? tip + h : tip - h;
    c->Polygon({TPoint{tip, cy}, TPoint{base, cy - h}, TPoint{base, cy + h}});
    if (i == 0 || i == 3) {
      const int tip2 = left ? tip + h : tip - h, base2 = left ? tip2 + h : tip2 - h;
      c->Polygon({TPoint{tip2, cy}, TPoint{base2, cy - h}, TPoint{base2, cy + h}});
    }
  }
  c->Brush()->SetStyle(bsClear);
  // Day names from the first day of the week.
  for (int i = 0; i < 7; ++i) {
    const int day = (FStartOfWeek - 1 + i) % 7 + 1;
    TRect r{2 * FMargin + i * 3 * FCellW, FMargin + FRowH, 2 * FMargin + (i + 1) * 3 * FCellW, FMargin + 2 * FRowH};
    c->Font()->SetColor(day >= 6 ? FColors->ColorWeekEnd : FColors->ColorDates);
    c->DrawText(FDayNames->Name(day), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  TRect line{2 * FMargin, FMargin + 2 * FRowH - 1, Width() - 2 * FMargin, FMargin + 2 * FRowH + 1};
  DrawEdge(c->Handle(), &line, EDGE_ETCHED, BF_TOP);
  for (int cell = 1; cell <= 42; ++cell) DrawCell(c, cell, FMouseDown && cell == FSelectedCell);
  if (FShowCloseMark) {
    TRect z = HotZone(4);
    DrawEdge(c->Handle(), &z, BDR_RAISEDINNER, BF_RECT);
    c->Pen()->SetColor(clMaroon);
    c->Pen()->SetWidth(2);
    c->MoveTo(z.left + 4, z.top + 4);
    c->LineTo(z.right - 4, z.bottom - 4);
    c->MoveTo(z.right - 4, z.top + 4);
    c->LineTo(z.left + 4, z.bottom - 4);
    c->Pen()->SetWidth(1);
  }
  DrawEdge(c->Handle(), &client, BDR_RAISEDOUTER, BF_RECT);
}

// ---- pop-up -----------------------------------------------------------------------

TDtCalPopX::TDtCalPopX(TComponent* AOwner) : TForm(AOwner, "TDtCalPopX") {
  SetBorderStyle(bsNone);
  FCalendar = new TCalendarX(this);
  FCalendar->SetName("CalendarX");
  FCalendar->SetParent(this);
  FCalendar->SetShowCloseMark(true);
  FCalendar->Colors()->ColorValid = clBlue;
  FCalendar->OnKeyEnter = [this](TObject*) { CloseUp(false); };
  FCalendar->OnDateClick = [this](TObject*) { CloseUp(false); };
  FCalendar->OnKeyCancel = [this](TObject*) { CloseUp(true); };
  FCalendar->OnKillFocus = [this](TObject*) {
    if (Visible()) CloseUp(false);
  };
}

void TDtCalPopX::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
}

void TDtCalPopX::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_MOUSEACTIVATE) {
    Message.Result = MA_NOACTIVATE;
    return;
  }
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS;
    return;
  }
  TForm::Dispatch(Message);
}

void TDtCalPopX::FormShow() {
  FCalendar->SetBounds(0, 0, FCalendar->Width(), FCalendar->Height());
  SetClientWidth(FCalendar->Width());
  SetClientHeight(FCalendar->Height());
  if (Anchor) {
    TPoint p = Anchor->ClientToScreen(TPoint{0, 0});
    int x = p.x + 1, y = p.y + Anchor->Height() + 1;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (x + Width() > sw) x = sw - Width() - 1;
    if (y + Height() > sh) y = p.y - Height();
    SetBounds(x, y, Width(), Height());
  }
  FCancelled = false;
}

void TDtCalPopX::CloseUp(bool Cancelled) {
  FCancelled = Cancelled;
  SetModalResult(Cancelled ? mrCancel : mrOk);
  Hide();
  if (OnHide) OnHide(this);
}
