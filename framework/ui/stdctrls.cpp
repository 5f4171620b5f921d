#include "framework/ui/stdctrls.h"

#include <algorithm>

#include "framework/ui/forms.h"

// ---- TLabel --------------------------------------------------------------

bool IsAccel(char Key, const std::string& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return AnsiUpperCase(std::string(1, Caption[i + 1])) == AnsiUpperCase(std::string(1, Key));
  }
  return false;
}

bool FocusByAccel(char Key, const std::string& Caption, TWinControl* Target) {
  if (!Target || !IsAccel(Key, Caption) || !Target->CanFocus()) return false;
  Target->SetFocus();
  return true;
}

void TLabel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    Message.Result = FEnabled && FShowAccelChar &&
                     FocusByAccel(static_cast<char>(Message.WParam), FText, FFocusControl);
    return;
  }
  TGraphicControl::Dispatch(Message);
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 65;
  FHeight = 17;
  FControlStyle |= csOpaque;
}

UINT TLabel::DrawTextFlags() const {
  UINT f = FAlignment == taRightJustify ? DT_RIGHT : FAlignment == taCenter ? DT_CENTER : DT_LEFT;
  f |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  if (!FWordWrap) f |= FLayout == tlCenter ? DT_VCENTER : FLayout == tlBottom ? DT_BOTTOM : DT_TOP;
  if (!FShowAccelChar) f |= DT_NOPREFIX;
  return f | DT_EXPANDTABS;
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (!FTransparent) {
    c->Brush()->SetColor(FColor);
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);
  std::string text = FText.empty() ? std::string() : FText;
  if (!FEnabled) {
    c->Font()->SetColor(clGrayText);
  }
  c->DrawText(text, r, DrawTextFlags());
}

void TLabel::AdjustBounds() {
  if (!FAutoSize) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FFont.Handle());
  RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
  std::wstring w = Widen(FText.empty() ? std::string(" ") : FText);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DrawTextFlags() | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  int x = FLeft;
  if (FAlignment == taRightJustify) x = FLeft + FWidth - r.right;
  SetBounds(x, FTop, r.right, r.bottom);
}

void TLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::FontChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TLabel::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  if (Value)
    FControlStyle &= ~csOpaque;
  else
    FControlStyle |= csOpaque;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Invalidate();
}

void TLabel::SetShowAccelChar(bool Value) {
  if (Value == FShowAccelChar) return;
  FShowAccelChar = Value;
  AdjustBounds();
  Invalidate();
}

// ---- TCustomEdit, TMemo --------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 21;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  FControlStyle = csClickEvents | csSetCaption | csDoubleClicks;
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (FPasswordChar) Params.Style |= ES_PASSWORD;
  if (FReadOnly) Params.Style |= ES_READONLY;
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WinClassName = L"TEdit";
  Params.SysClassName = L"EDIT";
}

void TCustomEdit::CreateWnd() {
  FInSetText = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    FInSetText = false;
    throw;
  }
  FInSetText = false;
  SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FPasswordChar) SendMessageW(FHandle, EM_SETPASSWORDCHAR, static_cast<WPARAM>(static_cast<unsigned char>(FPasswordChar)), 0);
  SendMessageW(FHandle, EM_SETMODIFY, FModified, 0);
}

void TCustomEdit::DestroyWnd() {
  if (FHandle) FModified = SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0;
  TWinControl::DestroyWnd();
}

void TCustomEdit::SetText(const std::string& Value) {
  if (Value == Text()) return;
  FInSetText = true;
  try {
    TWinControl::SetText(Value);
  } catch (...) {
    FInSetText = false;
    throw;
  }
  FInSetText = false;
  Change();
}

void TCustomEdit::SetMaxLength(int Value) {
  FMaxLength = std::max(Value, 0);
  if (FHandle) SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetPasswordChar(char Value) {
  if (Value == FPasswordChar) return;
  FPasswordChar = Value;
  if (FHandle) {
    SendMessageW(FHandle, EM_SETPASSWORDCHAR, static_cast<WPARAM>(static_cast<unsigned char>(Value)), 0);
    Invalidate();
  }
}

void TCustomEdit::SetReadOnly(bool Value) {
  FReadOnly = Value;
  if (FHandle) SendMessageW(FHandle, EM_SETREADONLY, Value, 0);
}

bool TCustomEdit::Modified() {
  if (FHandle) return SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0;
  return FModified;
}

void TCustomEdit::SetModified(bool Value) {
  FModified = Value;
  if (FHandle) SendMessageW(FHandle, EM_SETMODIFY, Value, 0);
}

int TCustomEdit::SelStart() {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int Value) { SendMessageW(Handle(), EM_SETSEL, Value, Value); }

int TCustomEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int Value) {
  int start = SelStart();
  SendMessageW(Handle(), EM_SETSEL, start, start + Value);
}

std::string TCustomEdit::SelText() {
  std::string t = Text();
  int s = SelStart(), l = SelLength();
  if (s < 0 || s > static_cast<int>(t.size())) return std::string();
  return t.substr(static_cast<size_t>(s), static_cast<size_t>(l));
}

void TCustomEdit::SetSelText(const std::string& Value) {
  SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Widen(Value).c_str()));
}

void TCustomEdit::SelectAll() { SendMessageW(Handle(), EM_SETSEL, 0, -1); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    if (HIWORD(Message.WParam) == EN_CHANGE && !FInSetText) Change();
    Message.Result = 0;
    return;
  }
  TWinControl::Dispatch(Message);
}

namespace {

// Lines of a memo: the window text split at CRLF, rebuilt on every change.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo* Memo) : FMemo(Memo) {}
  int Count() const override { return static_cast<int>(Lines().size()); }
  void Insert(int Index, const std::string& S) override {
    auto l = Lines();
    if (Index < 0 || Index > static_cast<int>(l.size())) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    l.insert(l.begin() + Index, S);
    Store(l);
  }
  void Delete(int Index) override {
    auto l = Lines();
    CheckIndex(Index, l);
    l.erase(l.begin() + Index);
    Store(l);
  }
  void Clear() override { FMemo->SetText(""); }
  std::string Text() const override { return FMemo->Text(); }
  void SetText(const std::string& Value) override { FMemo->SetText(Value); }

 protected:
  std::string Get(int Index) const override {
    auto l = Lines();
    CheckIndex(Index, l);
    return l[static_cast<size_t>(Index)];
  }
  void Put(int Index, const std::string& S) override {
    auto l = Lines();
    CheckIndex(Index, l);
    l[static_cast<size_t>(Index)] = S;
    Store(l);
  }

 private:
  static void CheckIndex(int Index, const std::vector<std::string>& L) {
    if (Index < 0 || Index >= static_cast<int>(L.size()))
      throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    std::string t = FMemo->Text();
    size_t start = 0;
    while (start < t.size()) {
      size_t e = t.find("\r\n", start);
      if (e == std::string::npos) {
        out.push_back(t.substr(start));
        break;
      }
      out.push_back(t.substr(start, e - start));
      start = e + 2;
    }
    return out;
  }
  void Store(const std::vector<std::string>& L) {
    std::string t;
    for (size_t i = 0; i < L.size(); ++i) {
      if (i) t += "\r\n";
      t += L[i];
    }
    FMemo->SetText(t);
  }
  TMemo* FMemo;
};

}  // namespace

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(this)) {
  FWidth = 185;
  FHeight = 89;
}

TMemo::~TMemo() = default;

void TMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= ES_MULTILINE;
  Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  if (!FWordWrap || FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= ES_AUTOHSCROLL;
  if (FWantReturns) Params.Style |= ES_WANTRETURN;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
  Params.WinClassName = L"TMemo";
}

void TMemo::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomEdit::Dispatch(Message);
    if (!FWantTabs) Message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
    if (!FWantReturns) Message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
    return;
  }
  TCustomEdit::Dispatch(Message);
}

void TMemo::SetScrollBars(TScrollStyle Value) {
  if (Value == FScrollBars) return;
  FScrollBars = Value;
  RecreateWnd();
}

void TMemo::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  RecreateWnd();
}

void TMemo::SetWantReturns(bool Value) {
  if (Value == FWantReturns) return;
  FWantReturns = Value;
  RecreateWnd();
}

// ---- buttons -------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  FTabStop = true;
  FControlStyle = csSetCaption | csDoubleClicks;
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 75;
  FHeight = 25;
  FColor = clBtnFace;
}

void TButton::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  Params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  Params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CONTROLPARENT);
  Params.WinClassName = L"TButton";
  Params.SysClassName = L"BUTTON";
}

void TButton::SetDefault(bool Value) {
  if (Value == FDefault) return;
  FDefault = Value;
  if (FHandle) SendMessageW(FHandle, BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (FModalResult != 0)
    if (TCustomForm* f = GetParentForm()) f->SetModalResult(FModalResult);
  TButtonControl::Click();
}

void TButton::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    if (HIWORD(Message.WParam) == BN_CLICKED) Click();
    Message.Result = 0;
    return;
  }
  TButtonControl::Dispatch(Message);
}

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 97;
  FHeight = 17;
}

void TCheckBox::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  Params.Style |= BS_3STATE;
  if (FAlignment == taLeftText) Params.Style |= BS_LEFTTEXT;
  Params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CONTROLPARENT);
  Params.WinClassName = L"TCheckBox";
  Params.SysClassName = L"BUTTON";
}

void TCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCheckBox::SetState(TCheckBoxState Value) {
  if (Value == FState) return;
  FState = Value;
  if (FHandle) SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(Value), 0);
  Click();
}

void TCheckBox::SetAlignment(TLeftRight Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    WORD code = HIWORD(Message.WParam);
    if (code == BN_CLICKED) Toggle();
    if (code == BN_DOUBLECLICKED) DblClick();
    Message.Result = 0;
    return;
  }
  TButtonControl::Dispatch(Message);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 113;
  FHeight = 17;
}

void TRadioButton::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  Params.Style |= BS_RADIOBUTTON;
  if (FAlignment == taLeftText) Params.Style |= BS_LEFTTEXT;
  Params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CONTROLPARENT);
  Params.WinClassName = L"TRadioButton";
  Params.SysClassName = L"BUTTON";
}

void TRadioButton::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessageW(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (FHandle) SendMessageW(FHandle, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (Value) {
    if (FParent)
      for (int i = 0; i < FParent->ControlCount(); ++i)
        if (auto* r = dynamic_cast<TRadioButton*>(FParent->Controls(i)); r && r != this) r->SetChecked(false);
    Click();
  }
}

void TRadioButton::SetAlignment(TLeftRight Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  RecreateWnd();
}

void TRadioButton::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    WORD code = HIWORD(Message.WParam);
    if (code == BN_CLICKED) SetChecked(true);
    if (code == BN_DOUBLECLICKED) DblClick();
    Message.Result = 0;
    return;
  }
  TButtonControl::Dispatch(Message);
}

// ---- TGroupBox -----------------------------------------------------------

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 105;
  FColor = clBtnFace;
}

void TGroupBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WinClassName = L"TGroupBox";
}

void TGroupBox::AdjustClientRect(TRect& Rect) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FFont.Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  Rect.top += tm.tmHeight;
  InflateRect(&Rect, -2, -2);
}

void TGroupBox::Paint() {
  TCanvas* c = Canvas();
  int h = c->TextHeight("0");
  TRect r = ClientRect();
  r.top += h / 2;
  DrawEdge(c->Handle(), &r, EDGE_ETCHED, BF_RECT);
  std::string caption = FText;
  if (!caption.empty()) {
    TRect t = Rect(8, 0, 8, h);
    c->DrawText(caption, t, DT_SINGLELINE | DT_CALCRECT);
    c->Brush()->SetColor(FColor);
    c->DrawText(caption, t, DT_SINGLELINE);
  }
}

// ---- TWindowStrings ------------------------------------------------------

TWindowStrings::TWindowStrings(TWinControl* Control, const TMessages& Messages) : FControl(Control), FMsg(Messages) {}

bool TWindowStrings::Live() const { return FControl->HandleAllocated(); }

int TWindowStrings::Count() const {
  if (!Live()) return FSaved.Count();
  return static_cast<int>(SendMessageW(FControl->Handle(), FMsg.GetCount, 0, 0));
}

void TWindowStrings::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
}

std::string TWindowStrings::Get(int Index) const {
  if (!Live()) return FSaved[Index];
  CheckIndex(Index);
  HWND h = FControl->Handle();
  LRESULT len = SendMessageW(h, FMsg.GetTextLen, static_cast<WPARAM>(Index), 0);
  if (len < 0) return std::string();
  std::wstring w(static_cast<size_t>(len) + 1, L'\0');
  len = SendMessageW(h, FMsg.GetText, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(w.data()));
  w.resize(static_cast<size_t>(std::max<LRESULT>(len, 0)));
  return Narrow(w);
}

void TWindowStrings::Put(int Index, const std::string& S) {
  TObject* o = GetObject(Index);
  Delete(Index);
  Insert(Index, S);
  PutObject(Index, o);
}

TObject* TWindowStrings::GetObject(int Index) const {
  if (!Live()) return FSaved.Objects(Index);
  CheckIndex(Index);
  return reinterpret_cast<TObject*>(SendMessageW(FControl->Handle(), FMsg.GetItemData, static_cast<WPARAM>(Index), 0));
}

void TWindowStrings::PutObject(int Index, TObject* AObject) {
  if (!Live()) {
    FSaved.SetObjects(Index, AObject);
    return;
  }
  CheckIndex(Index);
  SendMessageW(FControl->Handle(), FMsg.SetItemData, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(AObject));
}

int TWindowStrings::Add(const std::string& S) {
  if (!Live()) {
    if (Sorted) {
      int i = 0;
      while (i < FSaved.Count() && AnsiCompareText(FSaved[i], S) <= 0) ++i;
      FSaved.Insert(i, S);
      return i;
    }
    return FSaved.Add(S);
  }
  std::wstring w = Widen(S);
  LRESULT r = SendMessageW(FControl->Handle(), FMsg.AddString, 0, reinterpret_cast<LPARAM>(w.c_str()));
  if (r < 0) throw EOutOfMemory("Out of memory adding a list item");
  return static_cast<int>(r);
}

void TWindowStrings::Insert(int Index, const std::string& S) {
  if (!Live()) {
    FSaved.Insert(Index, S);
    return;
  }
  if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  std::wstring w = Widen(S);
  LRESULT r = SendMessageW(FControl->Handle(), FMsg.InsertString, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(w.c_str()));
  if (r < 0) throw EOutOfMemory("Out of memory adding a list item");
}

void TWindowStrings::Delete(int Index) {
  if (!Live()) {
    FSaved.Delete(Index);
    return;
  }
  CheckIndex(Index);
  SendMessageW(FControl->Handle(), FMsg.DeleteString, static_cast<WPARAM>(Index), 0);
}

void TWindowStrings::Clear() {
  if (!Live()) {
    FSaved.Clear();
    return;
  }
  SendMessageW(FControl->Handle(), FMsg.ResetContent, 0, 0);
}

int TWindowStrings::IndexOf(const std::string& S) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (AnsiCompareText(Get(i), S) == 0) return i;
  return -1;
}

void TWindowStrings::SetUpdateState(bool Updating) {
  if (Live()) {
    SendMessageW(FControl->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
    if (!Updating) InvalidateRect(FControl->Handle(), nullptr, TRUE);
  }
}

void TWindowStrings::SaveFromWindow() {
  if (!Live()) return;
  FSaved.Clear();
  int n = Count();
  for (int i = 0; i < n; ++i) FSaved.AddObject(Get(i), GetObject(i));
}

void TWindowStrings::LoadIntoWindow() {
  if (!Live()) return;
  HWND h = FControl->Handle();
  SendMessageW(h, FMsg.ResetContent, 0, 0);
  for (int i = 0; i < FSaved.Count(); ++i) {
    std::wstring w = Widen(FSaved[i]);
    LRESULT r = SendMessageW(h, FMsg.AddString, 0, reinterpret_cast<LPARAM>(w.c_str()));
    if (r >= 0) SendMessageW(h, FMsg.SetItemData, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(FSaved.Objects(i)));
  }
  FSaved.Clear();
}

// ---- TCustomListBox ------------------------------------------------------

namespace {
const TWindowStrings::TMessages kListBoxMessages{LB_GETCOUNT,     LB_GETTEXT,     LB_GETTEXTLEN,
                                                 LB_ADDSTRING,    LB_INSERTSTRING, LB_DELETESTRING,
                                                 LB_RESETCONTENT, LB_GETITEMDATA,  LB_SETITEMDATA};
const TWindowStrings::TMessages kComboBoxMessages{CB_GETCOUNT,     CB_GETLBTEXT,   CB_GETLBTEXTLEN,
                                                  CB_ADDSTRING,    CB_INSERTSTRING, CB_DELETESTRING,
                                                  CB_RESETCONTENT, CB_GETITEMDATA,  CB_SETITEMDATA};

void DefaultDrawText(TCanvas* Canvas, const std::string& Text, TRect Rect) {
  Canvas->FillRect(Rect);
  Rect.left += 2;
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->DrawText(Text, Rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}
}  // namespace

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TWindowStrings>(this, kListBoxMessages)) {
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  FControlStyle = csSetCaption | csDoubleClicks;
}

TCustomListBox::~TCustomListBox() { FComponentState |= csDestroying; }

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
  Params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CONTROLPARENT);
  if (FSorted) Params.Style |= LBS_SORT;
  if (FMultiSelect) Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (FStyle == lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
  if (FStyle == lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WinClassName = L"TListBox";
  Params.SysClassName = L"LISTBOX";
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  FItems->LoadIntoWindow();
  if (FStyle == lbOwnerDrawFixed) SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
  if (FMultiSelect) {
    for (int i : FSavedSelection) SendMessageW(FHandle, LB_SETSEL, TRUE, i);
    if (FSavedIndex >= 0) SendMessageW(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(FSavedIndex), FALSE);
  } else if (FSavedIndex >= 0) {
    SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FSavedIndex), 0);
  }
  FSavedSelection.clear();
  FSavedIndex = -1;
}

void TCustomListBox::DestroyWnd() {
  if (FHandle) {
    FSavedIndex = ItemIndex();
    FSavedSelection.clear();
    if (FMultiSelect)
      for (int i = 0, n = FItems->Count(); i < n; ++i)
        if (Selected(i)) FSavedSelection.push_back(i);
    FItems->SaveFromWindow();
  }
  TWinControl::DestroyWnd();
}

int TCustomListBox::ItemIndex() {
  if (!FHandle) return FSavedIndex;
  if (FMultiSelect) return static_cast<int>(SendMessageW(FHandle, LB_GETCARETINDEX, 0, 0));
  return static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems->Count()) Value = -1;
  if (Value == ItemIndex()) return;
  if (!FHandle) {
    FSavedIndex = Value;
  } else if (FMultiSelect) {
    SendMessageW(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(Value), FALSE);
  } else {
    SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
  }
  Click();
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (Value == FMultiSelect) return;
  FMultiSelect = Value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
  if (Value == FExtendedSelect) return;
  FExtendedSelect = Value;
  RecreateWnd();
}

bool TCustomListBox::Selected(int Index) {
  if (!FHandle) {
    if (FMultiSelect)
      return std::find(FSavedSelection.begin(), FSavedSelection.end(), Index) != FSavedSelection.end();
    return Index == FSavedIndex;
  }
  LRESULT r = SendMessageW(FHandle, LB_GETSEL, static_cast<WPARAM>(Index), 0);
  if (r == LB_ERR) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return r > 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (FMultiSelect) {
    if (SendMessageW(Handle(), LB_SETSEL, Value, Index) == LB_ERR)
      throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  } else if (Value) {
    SetItemIndex(Index);
  } else if (ItemIndex() == Index) {
    SetItemIndex(-1);
  }
}

int TCustomListBox::SelCount() {
  if (!FMultiSelect) return -1;
  return static_cast<int>(SendMessageW(Handle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetSorted(bool Value) {
  if (Value == FSorted) return;
  FSorted = Value;
  FItems->Sorted = Value;
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  RecreateWnd();
}

int TCustomListBox::ItemHeight() {
  if (FHandle && FStyle == lbStandard) return static_cast<int>(SendMessageW(FHandle, LB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(int Value) {
  if (Value <= 0) return;
  FItemHeight = Value;
  if (FHandle && FStyle == lbOwnerDrawFixed) {
    SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, Value);
    Invalidate();
  }
}

int TCustomListBox::TopIndex() { return static_cast<int>(SendMessageW(Handle(), LB_GETTOPINDEX, 0, 0)); }

void TCustomListBox::SetTopIndex(int Value) { SendMessageW(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0); }

int TCustomListBox::ItemAtPos(TPoint P, bool Existing) {
  LRESULT r = SendMessageW(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(P.x, P.y));
  int index = LOWORD(r);
  bool outside = HIWORD(r) != 0;
  if (outside && Existing) return -1;
  if (outside) return FItems->Count();
  return index;
}

TRect TCustomListBox::ItemRect(int Index) {
  RECT r{};
  SendMessageW(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  return r;
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas.FillRect(Rect);
  if (Index >= 0 && Index < FItems->Count()) DefaultDrawText(&FCanvas, FItems->Strings(Index), Rect);
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
        default: break;
      }
      Message.Result = 0;
      return;
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      TOwnerDrawState state = static_cast<TOwnerDrawState>(d->itemState);
      FCanvas.SetHandle(d->hDC);
      FCanvas.Font()->Assign(&FFont);
      FCanvas.Brush()->SetColor(FColor);
      if (state & odSelected) {
        FCanvas.Brush()->SetColor(clHighlight);
        FCanvas.Font()->SetColor(clHighlightText);
      }
      int index = static_cast<int>(d->itemID);
      if (d->itemID == static_cast<UINT>(-1)) index = -1;
      try {
        DrawItem(index, d->rcItem, state);
        if (state & odFocused) DrawFocusRect(d->hDC, &d->rcItem);
      } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
      }
      FCanvas.SetHandle(nullptr);
      Message.Result = TRUE;
      return;
    }
    case CN_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int h = FItemHeight;
      if (FStyle == lbOwnerDrawVariable) MeasureItem(static_cast<int>(m->itemID), h);
      m->itemHeight = static_cast<UINT>(h);
      Message.Result = TRUE;
      return;
    }
    default:
      TWinControl::Dispatch(Message);
  }
}

// ---- TCustomComboBox -----------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TWindowStrings>(this, kComboBoxMessages)) {
  FWidth = 145;
  FHeight = 21;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  FControlStyle = csSetCaption | csDoubleClicks;
}

TCustomComboBox::~TCustomComboBox() { FComponentState |= csDestroying; }

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
  Params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  switch (FStyle) {
    case csDropDown: Params.Style |= CBS_DROPDOWN; break;
    case csSimple: Params.Style |= CBS_SIMPLE; break;
    case csDropDownList: Params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
  }
  if (FSorted) Params.Style |= CBS_SORT;
  if (FStyle != csSimple) Params.Height = FHeight + FItemHeight * std::max(FDropDownCount, 1) + 2;
  Params.WinClassName = L"TComboBox";
  Params.SysClassName = L"COMBOBOX";
}

void TCustomComboBox::CreateWnd() {
  std::string text = FText;
  TWinControl::CreateWnd();
  FItems->LoadIntoWindow();
  if (FMaxLength) SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FSavedIndex >= 0) SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FSavedIndex), 0);
  if (FStyle == csDropDown || FStyle == csSimple) SetWindowTextW(FHandle, Widen(text).c_str());
  FSavedIndex = -1;
}

void TCustomComboBox::DestroyWnd() {
  if (FHandle) {
    FSavedIndex = ItemIndex();
    FItems->SaveFromWindow();
  }
  TWinControl::DestroyWnd();
}

void TCustomComboBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FHandle && FStyle != csSimple) {
    FHeight = AHeight;
    SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight + FItemHeight * std::max(FDropDownCount, 1) + 2,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

int TCustomComboBox::ItemIndex() {
  if (!FHandle) return FSavedIndex;
  return static_cast<int>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems->Count()) Value = -1;
  if (Value == ItemIndex()) return;
  if (FHandle)
    SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
  else {
    FSavedIndex = Value;
    FText = Value >= 0 ? FItems->Strings(Value) : std::string();
  }
  Change();
  Click();
}

void TCustomComboBox::SetText(const std::string& Value) {
  if (FStyle != csDropDown && FStyle != csSimple) {
    int i = FItems->IndexOf(Value);
    SetItemIndex(i);
    return;
  }
  if (Value == Text()) return;
  TWinControl::SetText(Value);
  Change();
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int Value) {
  FMaxLength = std::max(Value, 0);
  if (FHandle) SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomComboBox::SetSorted(bool Value) {
  if (Value == FSorted) return;
  FSorted = Value;
  FItems->Sorted = Value;
  RecreateWnd();
}

bool TCustomComboBox::DroppedDown() { return FHandle && SendMessageW(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TCustomComboBox::SetDroppedDown(bool Value) { SendMessageW(Handle(), CB_SHOWDROPDOWN, Value, 0); }

void TCustomComboBox::Clear() {
  FItems->Clear();
  if (FStyle == csDropDown || FStyle == csSimple) TWinControl::SetText("");
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas.FillRect(Rect);
  if (Index >= 0 && Index < FItems->Count()) DefaultDrawText(&FCanvas, FItems->Strings(Index), Rect);
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case CBN_EDITCHANGE: Change(); break;
        case CBN_SELCHANGE:
          Change();
          Click();
          break;
        case CBN_DROPDOWN:
          if (OnDropDown) OnDropDown(this);
          break;
        case CBN_SETFOCUS:
          if (TCustomForm* f = GetParentForm()) f->FocusControl(this);
          DoEnter();
          break;
        case CBN_KILLFOCUS: DoExit(); break;
        case CBN_DBLCLK: DblClick(); break;
        default: break;
      }
      Message.Result = 0;
      return;
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      TOwnerDrawState state = static_cast<TOwnerDrawState>(d->itemState);
      FCanvas.SetHandle(d->hDC);
      FCanvas.Font()->Assign(&FFont);
      FCanvas.Brush()->SetColor(FColor);
      if (state & odSelected) {
        FCanvas.Brush()->SetColor(clHighlight);
        FCanvas.Font()->SetColor(clHighlightText);
      }
      int index = d->itemID == static_cast<UINT>(-1) ? -1 : static_cast<int>(d->itemID);
      try {
        DrawItem(index, d->rcItem, state);
        if (state & odFocused) DrawFocusRect(d->hDC, &d->rcItem);
      } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
      }
      FCanvas.SetHandle(nullptr);
      Message.Result = TRUE;
      return;
    }
    case CN_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int h = FItemHeight;
      if (FStyle == csOwnerDrawVariable && OnMeasureItem) OnMeasureItem(this, static_cast<int>(m->itemID), h);
      m->itemHeight = static_cast<UINT>(h);
      Message.Result = TRUE;
      return;
    }
    default:
      TWinControl::Dispatch(Message);
  }
}
