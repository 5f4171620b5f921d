// An edit for one date, typed as digits or picked from the drop-down
// calendar, and a panel with a from-to pair of them.
#pragma once
#include <memory>
#include <string>

#include "controls/views/dtcalx.h"
#include "framework/ui/buttons.h"
#include "framework/ui/stdctrls.h"

enum TDateOption : int {
  doButtonTabStop, doCanClear, doCanPopup, doCanValidate, doEmptyAsToday, doFocusOnError, doIsMasked, doIsModal,
  doPopupToday
};
using TDateOptions = uint16_t;  // bit (1 << TDateOption)
constexpr TDateOptions DateOptionsOf(std::initializer_list<TDateOption> Options) {
  TDateOptions o = 0;
  for (TDateOption d : Options) o = static_cast<TDateOptions>(o | (1u << d));
  return o;
}
enum TDateBtnStyle : int { btsDropDown, btsCalendar };
enum TOrientation : int { oHorizontal, oVertical };

class TDateEditX : public TCustomEdit {
 public:
  explicit TDateEditX(TComponent* AOwner);
  ~TDateEditX() override;
  TDateTime Date() const { return FDate; }
  void SetDate(TDateTime Value);
  TDateBtnStyle ButtonDateStyle() const { return FButtonDateStyle; }
  void SetButtonDateStyle(TDateBtnStyle Value);
  TButtonStyle ButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TButtonStyle Value);
  // bsNone draws the buttons flat, bsSingle framed.
  TBorderStyle ButtonBorderStyle() const { return FButtonBorderStyle; }
  void SetButtonBorderStyle(TBorderStyle Value);
  TCalendarColors* ColorCalendar() { return FColorCalendar.get(); }
  void SetColorCalendar(TCalendarColors* Value) { FColorCalendar->Assign(Value); }
  TColor ColorError = clRed;
  TDayName* DayNames() { return FDayNames.get(); }
  TMonthName* MonthNames() { return FMonthNames.get(); }
  TDateOptions Options() const { return FOptions; }
  void SetOptions(TDateOptions Value);
  TButtonsShortCut* ShortCuts() { return FShortCuts.get(); }
  int StartOfWeek() const { return FStartOfWeek; }
  void SetStartOfWeek(int Value) { FStartOfWeek = Value; }
  // The date format the field shows and reads (the locale's by default).
  const TShortDateFormat& ShortDateFormat() const { return FFormat; }
  void SetShortDateFormat(const TShortDateFormat& Value);
  bool Valid() const { return FValid; }
  TSpeedButton* ClearButton() const { return FBtnClear; }
  TSpeedButton* PopupButton() const { return FBtnPopup; }
  TSpeedButton* ValidateButton() const { return FBtnValidate; }
  TDtCalPopX* PopupForm() const { return FPopup; }
  // Reads the typed text as leaving the field does; EConvertError when it is
  // too short or not a date.
  void ReadText();
  void ClearClick();
  void ValidateClick();
  void PopupClick();

  TNotifyEvent OnAfterClick;
  TNotifyEvent OnValidateClick;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Resize() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void DoEnter() override;
  void DoExit() override;
  void EnabledChanged() override;
  void Dispatch(TMessage& Message) override;

 private:
  void SetValid(bool Value);
  TSpeedButton* MakeButton(const std::string& Name, const char* Glyph, int Glyphs, std::function<void()> OnPress);
  void LayoutButtons();
  void StyleButtons();
  void PopupHidden();
  TDateTime FDate = 0;
  bool FValid = true;
  TDateBtnStyle FButtonDateStyle = btsCalendar;
  TButtonStyle FButtonStyle = bsAutoDetect;
  TBorderStyle FButtonBorderStyle = bsSingle;
  TDateOptions FOptions = DateOptionsOf({doButtonTabStop, doCanClear, doCanPopup, doIsMasked});
  int FStartOfWeek = 1;
  TShortDateFormat FFormat;
  std::unique_ptr<TCalendarColors> FColorCalendar;
  std::unique_ptr<TDayName> FDayNames;
  std::unique_ptr<TMonthName> FMonthNames;
  std::unique_ptr<TButtonsShortCut> FShortCuts;
  TSpeedButton* FBtnClear = nullptr;
  TSpeedButton* FBtnPopup = nullptr;
  TSpeedButton* FBtnValidate = nullptr;
  TDtCalPopX* FPopup = nullptr;
};

class TDateFromToX : public TCustomPanel {
 public:
  explicit TDateFromToX(TComponent* AOwner);
  TDateTime DateFrom() const { return FEditFrom->Date(); }
  void SetDateFrom(TDateTime Value);
  TDateTime DateTo() const { return FEditTo->Date(); }
  void SetDateTo(TDateTime Value);
  std::string TextFrom() { return FLabelFrom->Caption(); }
  void SetTextFrom(const std::string& Value);
  std::string TextTo() { return FLabelTo->Caption(); }
  void SetTextTo(const std::string& Value);
  TOrientation PanelOrientation() const { return FOrientation; }
  void SetPanelOrientation(TOrientation Value);
  // Each of these is set on both edits and read from the first.
  TDateOptions Options() const { return FEditFrom->Options(); }
  void SetOptions(TDateOptions Value);
  void SetShortDateFormat(const TShortDateFormat& Value);
  TBorderStyle ButtonBorderStyle() const { return FEditFrom->ButtonBorderStyle(); }
  void SetButtonBorderStyle(TBorderStyle Value);
  TDateBtnStyle ButtonDateStyle() const { return FEditFrom->ButtonDateStyle(); }
  void SetButtonDateStyle(TDateBtnStyle Value);
  TButtonStyle ButtonStyle() const { return FEditFrom->ButtonStyle(); }
  void SetButtonStyle(TButtonStyle Value);
  TCalendarColors* ColorCalendar() const { return FEditFrom->ColorCalendar(); }
  void SetColorCalendar(TCalendarColors* Value);
  TColor ColorError() const { return FEditFrom->ColorError; }
  void SetColorError(TColor Value);
  TDayName* DayNames() const { return FEditFrom->DayNames(); }
  void SetDayNames(TDayName* Value);
  TMonthName* MonthNames() const { return FEditFrom->MonthNames(); }
  void SetMonthNames(TMonthName* Value);
  TButtonsShortCut* ShortCuts() const { return FEditFrom->ShortCuts(); }
  void SetShortCuts(TButtonsShortCut* Value);
  int StartOfWeek() const { return FEditFrom->StartOfWeek(); }
  void SetStartOfWeek(int Value);
  // The edits' OnChange.
  TNotifyEvent OnChangeFrom;
  TNotifyEvent OnChangeTo;
  TDateEditX* EditFrom() const { return FEditFrom; }
  TDateEditX* EditTo() const { return FEditTo; }
  TLabel* LabelFrom() const { return FLabelFrom; }
  TLabel* LabelTo() const { return FLabelTo; }
  void Layout();

 protected:
  void EnabledChanged() override;

 private:
  TLabel* FLabelFrom;
  TDateEditX* FEditFrom;
  TLabel* FLabelTo;
  TDateEditX* FEditTo;
  TOrientation FOrientation = oHorizontal;
};
