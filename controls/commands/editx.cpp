#include "controls/commands/editx.h"

#include "controls/commands/tbhooks.h"
#include "framework/ui/forms.h"

namespace {
int LiveEdits = 0;
}

bool IsRegisteredEditClass(const TControl* Control) {
  return LiveEdits > 0 && dynamic_cast<const TEditX*>(Control) != nullptr;
}

TEditX::TEditX(TComponent* AOwner) : TCustomEdit(AOwner) {
  ++LiveEdits;
  FHeight = 19;
  FWidth = 121;
  FTabStop = true;
}

TEditX::~TEditX() { --LiveEdits; }

void TEditX::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
  Params.Style &= ~static_cast<DWORD>(WS_BORDER);
}

void TEditX::AdjustHeight() {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, FFont.Handle());
  TEXTMETRICW TM;
  GetTextMetricsW(DC, &TM);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  SetHeight(TM.tmHeight + 6);
}

void TEditX::Loaded() {
  TCustomEdit::Loaded();
  AdjustHeight();
}

void TEditX::FontChanged() {
  TCustomEdit::FontChanged();
  if (!(FComponentState & csLoading)) AdjustHeight();
}

void TEditX::EnabledChanged() {
  TCustomEdit::EnabledChanged();
  SetColor(FEnabled ? clWindow : clBtnFace);
}

bool TEditX::HotLook() {
  if (!HandleAllocated()) return false;
  if (GetFocus() == FHandle) return true;
  if (!FMouseInControl) return false;
  TWinControl* Active = Screen ? Screen->ActiveControl() : nullptr;
  return !IsRegisteredEditClass(Active);
}

void TEditX::MouseEnter() {
  TCustomEdit::MouseEnter();
  FMouseInControl = true;
  RedrawBorder();
}

void TEditX::MouseLeave() {
  TCustomEdit::MouseLeave();
  FMouseInControl = false;
  RedrawBorder();
}

void TEditX::DrawBorder(HDC DC) {
  RECT R;
  GetWindowRect(FHandle, &R);
  OffsetRect(&R, -R.left, -R.top);
  HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE), Window = GetSysColorBrush(COLOR_WINDOW);
  if (!HotLook()) {
    FrameRect(DC, &R, Face);
    InflateRect(&R, -1, -1);
    FrameRect(DC, &R, Face);
    InflateRect(&R, -1, -1);
    FrameRect(DC, &R, Window);
  } else {
    DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    RECT Col{R.left, R.top, R.left + 1, R.bottom - 1}, Row{R.left, R.top, R.right - 1, R.top + 1};
    FillRect(DC, &Col, Face);
    FillRect(DC, &Row, Face);
    DrawEdge(DC, &R, BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM);
    InflateRect(&R, -1, -1);
    FrameRect(DC, &R, Window);
  }
  BorderDrawn(DC);
}

void TEditX::RedrawBorder(HRGN Clip) {
  if (HandleAllocated()) PaintNonClient(FHandle, Clip, NCPaintProc, nullptr);
}

void TEditX::NCPaintProc(HWND Wnd, HDC DC, void*) {
  if (auto* E = dynamic_cast<TEditX*>(TWinControl::FindControl(Wnd))) E->DrawBorder(DC);
}

void TEditX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      RECT* R = reinterpret_cast<RECT*>(Message.LParam);
      InflateRect(R, -3, -3);
      Message.Result = 0;
      return;
    }
    case WM_NCPAINT:
      RedrawBorder(reinterpret_cast<HRGN>(Message.WParam));
      Message.Result = 0;
      return;
    case WM_PRINT:
      Message.Result = PaintForPrintMessage(FHandle, Message, NCPaintProc, nullptr);
      return;
    case WM_PRINTCLIENT:
      PaintForPrintClient(this, Message);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomEdit::Dispatch(Message);
      RedrawBorder();
      return;
    default:
      TCustomEdit::Dispatch(Message);
  }
}
