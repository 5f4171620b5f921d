#include "controls/commands/flatbutton.h"

TFlatButton::TFlatButton(TComponent* AOwner) : TButton(AOwner) {
  FWidth = 75;
  FHeight = 23;
}

void TFlatButton::CreateParams(TCreateParams& Params) {
  TButton::CreateParams(Params);
  Params.Style = (Params.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TFlatButton::MouseEnter() {
  TButton::MouseEnter();
  if (!FDrawnHot) Invalidate();
}

void TFlatButton::MouseLeave() {
  TButton::MouseLeave();
  if (FDrawnHot) Invalidate();
}

void TFlatButton::EnabledChanged() {
  TButton::EnabledChanged();
  Invalidate();
}

void TFlatButton::FontChanged() {
  TButton::FontChanged();
  Invalidate();
}

void TFlatButton::DrawItem(const DRAWITEMSTRUCT& DI) {
  HDC DC = DI.hDC;
  RECT R = DI.rcItem;
  POINT P;
  GetCursorPos(&P);
  RECT Screen;
  GetWindowRect(FHandle, &Screen);
  const bool Hot = PtInRect(&Screen, P) != FALSE;
  const bool Focused = (DI.itemState & ODS_FOCUS) != 0;
  const bool Pressed = (DI.itemState & ODS_SELECTED) != 0;
  FDrawnHot = Hot;
  auto Line = [DC](int Colour, std::initializer_list<POINT> Pts) {
    HPEN Pen = CreatePen(PS_SOLID, 1, GetSysColor(Colour));
    HGDIOBJ Old = SelectObject(DC, Pen);
    auto It = Pts.begin();
    MoveToEx(DC, It->x, It->y, nullptr);
    for (++It; It != Pts.end(); ++It) LineTo(DC, It->x, It->y);
    SelectObject(DC, Old);
    DeleteObject(Pen);
  };
  HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
  if (FIsDefault || Focused) {
    FrameRect(DC, &R, GetSysColorBrush(COLOR_WINDOWTEXT));
    InflateRect(&R, -1, -1);
  }
  FillRect(DC, &R, Face);
  const int L = R.left, T = R.top, Rt = R.right, B = R.bottom;
  if (Hot) {
    Line(COLOR_WINDOWTEXT, {{Rt - 1, T}, {Rt - 1, B - 1}, {L - 1, B - 1}});
    Line(COLOR_BTNHIGHLIGHT, {{L, B - 2}, {L, T}, {Rt - 1, T}});
    Line(COLOR_BTNSHADOW, {{Rt - 2, T + 1}, {Rt - 2, B - 2}, {L, B - 2}});
  } else {
    Line(COLOR_BTNHIGHLIGHT, {{L, B - 2}, {L, T}, {Rt - 1, T}});
    Line(COLOR_BTNSHADOW, {{Rt - 1, T}, {Rt - 1, B - 1}, {L - 1, B - 1}});
  }
  if (Pressed) {
    FillRect(DC, &R, Face);
    Line(COLOR_BTNSHADOW, {{L, B - 2}, {L, T}, {Rt - 1, T}});
    Line(COLOR_BTNHIGHLIGHT, {{Rt - 1, T}, {Rt - 1, B - 1}, {L - 1, B - 1}});
  }
  if (FIsDefault && Focused) {
    InflateRect(&R, -3, -3);
    DrawFocusRect(DC, &R);
  }
  if (Pressed) OffsetRect(&R, 1, 1);
  std::string C = Caption();
  std::wstring W(C.begin(), C.end());
  HGDIOBJ OldFont = SelectObject(DC, FFont.Handle());
  SetBkMode(DC, TRANSPARENT);
  if (!FEnabled && (DI.itemState & ODS_DISABLED)) {
    RECT H = R;
    OffsetRect(&H, 1, 1);
    SetTextColor(DC, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(DC, W.c_str(), -1, &H, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(DC, GetSysColor(COLOR_BTNSHADOW));
  } else {
    SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
  }
  DrawTextW(DC, W.c_str(), -1, &R, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(DC, OldFont);
}

void TFlatButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam));
      Message.Result = TRUE;
      return;
    case CN_MEASUREITEM: {
      auto* M = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      M->itemWidth = static_cast<UINT>(FWidth);
      M->itemHeight = static_cast<UINT>(FHeight);
      Message.Result = TRUE;
      return;
    }
    case BM_SETSTYLE: {
      // The dialog makes the button default or not through its style: keep
      // the flag and stay owner-drawn.
      bool Def = (Message.WParam & BS_DEFPUSHBUTTON) != 0 || (Message.WParam & 0xF) == BS_DEFPUSHBUTTON;
      if (Def != FIsDefault) {
        FIsDefault = Def;
        Invalidate();
      }
      Message.Result = 0;
      return;
    }
    case WM_LBUTTONDBLCLK:
      Message.Msg = WM_LBUTTONDOWN;
      break;
    default:
      break;
  }
  TButton::Dispatch(Message);
}
