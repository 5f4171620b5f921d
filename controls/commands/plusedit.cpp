#include "controls/commands/plusedit.h"

TPlusEditX::TPlusEditX(TComponent* AOwner) : TEditX(AOwner) {}

void TPlusEditX::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TPlusEditX::CreateParams(TCreateParams& Params) {
  TEditX::CreateParams(Params);
  static const DWORD Styles[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  Params.Style |= ES_MULTILINE | WS_CLIPCHILDREN | Styles[FAlignment];
}

bool TPlusEditX::IsValidChar(char Key) {
  char Decimal = '.';
  char Buf[4] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Buf, sizeof Buf) > 0) Decimal = Buf[0];
  return KeyAllowed(KeyboardFilter, Key, Decimal);
}

void TPlusEditX::KeyPress(char& Key) {
  if (!IsValidChar(Key)) {
    Key = 0;
    MessageBeep(0);
    return;
  }
  TEditX::KeyPress(Key);
}

void TPlusEditX::SetFocusColours(bool Focused) {
  SetColor(Focused ? clHighlight : clWindow);
  Font()->SetColor(Focused ? clHighlightText : clWindowText);
}

void TPlusEditX::MouseEnter() {
  // Unlike the plain edit, hovering sets no mouse-in state: the hot border
  // follows the focus, and the easy style only draws it once here.
  if (MouseBehaviour == mbEasyStyle && HandleAllocated()) {
    HDC DC = GetWindowDC(FHandle);
    RECT R;
    GetWindowRect(FHandle, &R);
    OffsetRect(&R, -R.left, -R.top);
    DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
    RECT Col{R.left, R.top, R.left + 1, R.bottom}, Row{R.left, R.top, R.right, R.top + 1};
    FillRect(DC, &Col, Face);
    FillRect(DC, &Row, Face);
    ReleaseDC(FHandle, DC);
  }
  TCustomEdit::MouseEnter();
}

void TPlusEditX::MouseLeave() {
  TEditX::MouseLeave();
  if (OnMouseExit) OnMouseExit(this);
}

void TPlusEditX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS:
      TEditX::Dispatch(Message);
      if (AutoSelect) SelectAll();
      if (ChangeColorOnFocus) SetFocusColours(true);
      if (!EditorEnabled) DestroyCaret();
      return;
    case WM_KILLFOCUS:
      TEditX::Dispatch(Message);
      if (ChangeColorOnFocus) SetFocusColours(false);
      return;
    case WM_SETCURSOR:
      if (!EditorEnabled) {
        ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
        Message.Result = TRUE;
        return;
      }
      break;
    default:
      break;
  }
  TEditX::Dispatch(Message);
}
