#include "controls/views/dateedit.h"

namespace {
constexpr int kComboArrowBitmap = 32738;  // OBM_COMBO
}

TDateEditX::TDateEditX(TComponent* AOwner)
    : TCustomEdit(AOwner),
      FFormat(LocaleShortDateFormat()),
      FColorCalendar(std::make_unique<TCalendarColors>()),
      FDayNames(std::make_unique<TDayName>()),
      FMonthNames(std::make_unique<TMonthName>()),
      FShortCuts(std::make_unique<TButtonsShortCut>()) {
  FTabStop = true;
  SetBounds(Left(), Top(), 100, 21);
  FBtnClear = MakeButton("BtnClear", "BTNCLEAR", 2, [this] { ClearClick(); });
  FBtnPopup = MakeButton("BtnPopup", "BTNPOPUP", 2, [this] { PopupClick(); });
  FPopup = new TDtCalPopX(this);
  FPopup->Anchor = this;
  FPopup->OnHide = [this](TObject*) { PopupHidden(); };
  SetOptions(FOptions);
}

TDateEditX::~TDateEditX() { FPopup->OnHide = nullptr; }

TSpeedButton* TDateEditX::MakeButton(const std::string& Name, const char* Glyph, int Glyphs,
                                     std::function<void()> OnPress) {
  auto* b = new TSpeedButton(this);
  b->SetName(Name);
  b->SetParentFont(false);  // the error colour is the text's, not the buttons'
  b->SetParent(this);
  try {
    TBitmap bmp;
    bmp.LoadFromResourceName(GetModuleHandleW(nullptr), Glyph);
    b->SetGlyph(&bmp);
    b->SetNumGlyphs(Glyphs);
  } catch (const Exception&) {
    // A program without the bitmaps still gets usable buttons.
    b->SetCaption(Name == "BtnClear" ? "x" : Name == "BtnPopup" ? "v" : "ok");
  }
  b->OnClick = [OnPress](TObject*) { OnPress(); };
  b->SetStyle(FButtonStyle);
  b->SetFlat(FButtonBorderStyle == bsNone);
  return b;
}

void TDateEditX::StyleButtons() {
  for (TSpeedButton* b : {FBtnValidate, FBtnPopup, FBtnClear}) {
    if (!b) continue;
    b->SetStyle(FButtonStyle);
    b->SetFlat(FButtonBorderStyle == bsNone);
  }
}

void TDateEditX::SetButtonStyle(TButtonStyle Value) {
  if (Value == FButtonStyle) return;
  FButtonStyle = Value;
  StyleButtons();
}

void TDateEditX::SetButtonBorderStyle(TBorderStyle Value) {
  if (Value == FButtonBorderStyle) return;
  FButtonBorderStyle = Value;
  StyleButtons();
}

void TDateEditX::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN | ES_MULTILINE;
}

void TDateEditX::CreateWnd() {
  TCustomEdit::CreateWnd();
  SetDate(FDate);
  LayoutButtons();
}

void TDateEditX::SetShortDateFormat(const TShortDateFormat& Value) {
  FFormat = Value;
  SetDate(FDate);
}

void TDateEditX::SetDate(TDateTime Value) {
  FDate = Value;
  SetValid(true);
  SetText(DateEditText(FFormat, Value));
}

void TDateEditX::SetValid(bool Value) {
  FValid = Value;
  Font()->SetColor(Value ? clWindowText : ColorError);
}

void TDateEditX::SetOptions(TDateOptions Value) {
  FOptions = Value;
  const bool tabStop = (Value & (1u << doButtonTabStop)) != 0;
  (void)tabStop;  // speed buttons take no focus of their own
  FBtnPopup->SetEnabled((Value & (1u << doCanPopup)) != 0 && Enabled());
  if ((Value & (1u << doCanClear)) && !FBtnClear) FBtnClear = MakeButton("BtnClear", "BTNCLEAR", 2, [this] { ClearClick(); });
  if (!(Value & (1u << doCanClear)) && FBtnClear) {
    delete FBtnClear;
    FBtnClear = nullptr;
  }
  if ((Value & (1u << doCanValidate)) && !FBtnValidate)
    FBtnValidate = MakeButton("BtnValidate", "BTNVALIDATE", 1, [this] { ValidateClick(); });
  if (!(Value & (1u << doCanValidate)) && FBtnValidate) {
    delete FBtnValidate;
    FBtnValidate = nullptr;
  }
  LayoutButtons();
}

void TDateEditX::SetButtonDateStyle(TDateBtnStyle Value) {
  FButtonDateStyle = Value;
  TBitmap bmp;
  if (Value == btsDropDown) {
    bmp.SetHandle(LoadBitmapW(nullptr, MAKEINTRESOURCEW(kComboArrowBitmap)));
    FBtnPopup->SetGlyph(&bmp);
    FBtnPopup->SetNumGlyphs(1);
    FBtnPopup->SetCaption("");
    return;
  }
  try {
    bmp.LoadFromResourceName(GetModuleHandleW(nullptr), "BTNPOPUP");
    FBtnPopup->SetGlyph(&bmp);
    FBtnPopup->SetNumGlyphs(2);
  } catch (const Exception&) {
    FBtnPopup->SetCaption("v");
  }
}

void TDateEditX::LayoutButtons() {
  const int h = HandleAllocated() ? ClientHeight() : Height() - 4;
  const int w = h + 2;
  int right = HandleAllocated() ? ClientWidth() : Width() - 4;
  for (TSpeedButton* b : {FBtnValidate, FBtnPopup, FBtnClear}) {
    if (!b) continue;
    right -= w;
    b->SetBounds(right, 0, w, h);
  }
  if (HandleAllocated()) {
    RECT r{0, 0, right - 2, h + 1};
    SendMessageW(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
  }
}

void TDateEditX::Resize() {
  TCustomEdit::Resize();
  LayoutButtons();
}

void TDateEditX::EnabledChanged() {
  TCustomEdit::EnabledChanged();
  for (TSpeedButton* b : {FBtnValidate, FBtnClear}) if (b) b->SetEnabled(Enabled());
  FBtnPopup->SetEnabled(Enabled() && (FOptions & (1u << doCanPopup)));
}

void TDateEditX::KeyPress(char& Key) {
  if (!((Key >= '0' && Key <= '9') || Key == '\b' || Key == '\r' || Key == 27)) Key = 0;
  TCustomEdit::KeyPress(Key);
}

void TDateEditX::Dispatch(TMessage& Message) {
  // The edit is multi-line only so that its text rectangle can be set: Enter
  // must not break the line.
  if (Message.Msg == WM_CHAR && (Message.WParam == '\r' || Message.WParam == '\n')) {
    char key = '\r';
    KeyPress(key);
    return;
  }
  TCustomEdit::Dispatch(Message);
}

void TDateEditX::KeyDown(WORD& Key, TShiftState Shift) {
  const bool alt = (Shift & ssAlt) != 0, ctrl = (Shift & ssCtrl) != 0;
  const bool shiftOk = FShortCuts->KeyAlt() ? alt : FShortCuts->KeyCtrl() ? ctrl : true;
  if (shiftOk && Enabled() && Key != 0) {
    if (Key == FShortCuts->BtnClear && FBtnClear) ClearClick();
    else if (Key == FShortCuts->BtnPopup && FBtnPopup) PopupClick();
    else if (Key == FShortCuts->BtnValidate && FBtnValidate) ValidateClick();
  }
  TCustomEdit::KeyDown(Key, Shift);
}

void TDateEditX::DoEnter() {
  if ((FOptions & (1u << doIsMasked)) && Text().find(FFormat.Separator) != std::string::npos && FDate != 0)
    SetText(FormatDateText({EditDateFormat(FFormat), FFormat.Separator}, FDate));
  if (HandleAllocated()) SelectAll();
  TCustomEdit::DoEnter();
}

void TDateEditX::ReadText() {
  const std::string text = Text();
  if (text.find(FFormat.Separator) != std::string::npos) return;
  if (text.empty()) {
    if (!(FOptions & (1u << doEmptyAsToday))) FDate = 0;
    SetValid(true);
    return;
  }
  const std::string expanded = ExpandTypedDate(FFormat, text);
  if (!(FOptions & (1u << doIsMasked))) return;
  TDateTime d;
  if (!TryParseDateText(FFormat, expanded, d)) {
    SetValid(false);
    throw EConvertError("'" + expanded + "' is not a valid date");
  }
  SetDate(d);
}

void TDateEditX::DoExit() {
  try {
    ReadText();
  } catch (const EConvertError& e) {
    // The field keeps its text, shown in the error colour.
    SetValid(false);
    Prompt(e.Message(), "", pbOK);
    if ((FOptions & (1u << doFocusOnError)) && CanFocus()) SetFocus();
  }
  TCustomEdit::DoExit();
}

void TDateEditX::ClearClick() {
  FDate = 0;
  if (OnValidateClick) OnValidateClick(this);
  SetValid(true);
  SetText("");
  if (HandleAllocated() && CanFocus()) SetFocus();
}

void TDateEditX::ValidateClick() {
  if (OnValidateClick) OnValidateClick(this);
}

void TDateEditX::PopupClick() {
  if (FPopup->Visible()) {
    FPopup->Hide();
    return;
  }
  if (OnAfterClick) OnAfterClick(this);
  try {
    ReadText();
  } catch (const EConvertError&) {
    SetValid(false);
  }
  TCalendarX* cal = FPopup->CalendarX();
  cal->SetFont(Font());
  cal->Font()->SetColor(clWindowText);
  cal->SetColors(FColorCalendar.get());
  cal->DayNames()->Assign(FDayNames.get());
  cal->MonthNames()->Assign(FMonthNames.get());
  cal->SetStartOfWeek(FStartOfWeek);
  TDateTime d;
  if (Text().empty() || (FOptions & (1u << doPopupToday)))
    cal->SetDate(::Date());
  else if (TryParseDateText(FFormat, Text(), d))
    cal->SetDate(d);
  FPopup->FormShow();
  if (FOptions & (1u << doIsModal)) {
    FPopup->ShowModal();
  } else {
    FPopup->Show();
    if (cal->CanFocus()) cal->SetFocus();
  }
}

void TDateEditX::PopupHidden() {
  if (!FPopup->Cancelled()) SetDate(FPopup->CalendarX()->Date());
  if (OnValidateClick) OnValidateClick(FPopup);
  if (HandleAllocated() && CanFocus()) SetFocus();
}

// ---- from-to panel ----------------------------------------------------------------

TDateFromToX::TDateFromToX(TComponent* AOwner) : TCustomPanel(AOwner) {
  SetParentFont(true);
  FLabelFrom = new TLabel(this);
  FLabelFrom->SetName("LabelFrom");
  FLabelFrom->SetParent(this);
  FLabelFrom->SetCaption("Du");
  FEditFrom = new TDateEditX(this);
  FEditFrom->SetName("EditFrom");
  FEditFrom->SetParent(this);
  FLabelTo = new TLabel(this);
  FLabelTo->SetName("LabelTo");
  FLabelTo->SetParent(this);
  FLabelTo->SetCaption("Au");
  FEditTo = new TDateEditX(this);
  FEditTo->SetName("EditTo");
  FEditTo->SetParent(this);
  FEditFrom->SetDate(::Date());
  FEditTo->SetDate(::Date());
  FEditFrom->OnChange = [this](TObject* Sender) {
    if (OnChangeFrom) OnChangeFrom(Sender);
  };
  FEditTo->OnChange = [this](TObject* Sender) {
    if (OnChangeTo) OnChangeTo(Sender);
  };
  SetCaption("");
  Layout();
}

void TDateFromToX::Layout() {
  if (FOrientation == oHorizontal) {
    FLabelFrom->SetBounds(8, 8, FLabelFrom->Width(), FLabelFrom->Height());
    FEditFrom->SetBounds(FLabelFrom->Left() + FLabelFrom->Width() + 8, 8, FEditFrom->Width(), FEditFrom->Height());
    FLabelTo->SetBounds(FEditFrom->Left() + FEditFrom->Width() + 8, 8, FLabelTo->Width(), FLabelTo->Height());
    FEditTo->SetBounds(FLabelTo->Left() + FLabelTo->Width() + 8, 8, FEditTo->Width(), FEditTo->Height());
  } else {
    FLabelFrom->SetBounds(8, 8, FLabelFrom->Width(), FLabelFrom->Height());
    FEditFrom->SetBounds(16, FLabelFrom->Top() + FLabelFrom->Height() + 8, FEditFrom->Width(), FEditFrom->Height());
    FLabelTo->SetBounds(8, FEditFrom->Top() + FEditFrom->Height() + 8, FLabelTo->Width(), FLabelTo->Height());
    FEditTo->SetBounds(16, FLabelTo->Top() + FLabelTo->Height() + 8, FEditTo->Width(), FEditTo->Height());
  }
  SetBounds(Left(), Top(), FEditTo->Left() + FEditTo->Width() + 8, FEditTo->Top() + FEditTo->Height() + 8);
}

void TDateFromToX::SetDateFrom(TDateTime Value) {
  FEditFrom->SetDate(Value);
  if (HandleAllocated()) UpdateWindow(Handle());
}

void TDateFromToX::SetDateTo(TDateTime Value) {
  FEditTo->SetDate(Value);
  if (HandleAllocated()) UpdateWindow(Handle());
}

void TDateFromToX::SetTextFrom(const std::string& Value) {
  FLabelFrom->SetCaption(Value);
  Layout();
}

void TDateFromToX::SetTextTo(const std::string& Value) {
  FLabelTo->SetCaption(Value);
  Layout();
}

void TDateFromToX::SetPanelOrientation(TOrientation Value) {
  FOrientation = Value;
  Layout();
}

void TDateFromToX::SetOptions(TDateOptions Value) {
  FEditFrom->SetOptions(Value);
  FEditTo->SetOptions(Value);
}

void TDateFromToX::SetShortDateFormat(const TShortDateFormat& Value) {
  FEditFrom->SetShortDateFormat(Value);
  FEditTo->SetShortDateFormat(Value);
}

void TDateFromToX::EnabledChanged() {
  TCustomPanel::EnabledChanged();
  FEditFrom->SetEnabled(Enabled());
  FEditTo->SetEnabled(Enabled());
}

void TDateFromToX::SetButtonBorderStyle(TBorderStyle Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->SetButtonBorderStyle(Value);
}

void TDateFromToX::SetButtonDateStyle(TDateBtnStyle Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->SetButtonDateStyle(Value);
}

void TDateFromToX::SetButtonStyle(TButtonStyle Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->SetButtonStyle(Value);
}

void TDateFromToX::SetColorCalendar(TCalendarColors* Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->SetColorCalendar(Value);
  Layout();
}

void TDateFromToX::SetColorError(TColor Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->ColorError = Value;
}

void TDateFromToX::SetDayNames(TDayName* Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->DayNames()->Assign(Value);
}

void TDateFromToX::SetMonthNames(TMonthName* Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->MonthNames()->Assign(Value);
}

void TDateFromToX::SetShortCuts(TButtonsShortCut* Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->ShortCuts()->Assign(Value);
}

void TDateFromToX::SetStartOfWeek(int Value) {
  for (TDateEditX* e : {FEditFrom, FEditTo}) e->SetStartOfWeek(Value);
}
