#include "controls/commands/mxoptions.h"

#include <cmath>
#include <commctrl.h>

T_MX_Title::T_MX_Title() {
  FFont.SetName("Arial");
  FFont.SetSize(24);
  FFont.SetStyle(fsBold);
  FFont.SetColor(clWhite);
}

void T_MX_Title::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<T_MX_Title*>(Source);
  if (!s) return TPersistent::Assign(Source);
  Align = s->Align;
  Alignment = s->Alignment;
  Text = s->Text;
  FFont.Assign(&s->FFont);
  ColorBegin = s->ColorBegin;
  ColorEnd = s->ColorEnd;
  Width = s->Width;
  TextDirection = s->TextDirection;
  Visible = s->Visible;
  FBitmap.Assign(&s->FBitmap);
  GradientDirection = s->GradientDirection;
}

bool T_MX_Title::IsDefault() const {
  return Align == atLeft && Alignment == taLeftJustify && Text.empty() && ColorBegin == clBlue &&
         ColorEnd == clBlack && Width == 50 && TextDirection && !Visible && FBitmap.Empty() &&
         GradientDirection == gdTopToBottom;
}

TColor T_MX_Title::BandColor(COLORREF Start, COLORREF Target, int Divisor, int I) {
  int out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int s = static_cast<int>((Start >> shift) & 0xFF), t = static_cast<int>((Target >> shift) & 0xFF);
    double step = double(t - s + 1) / Divisor;
    int v = (s + static_cast<int>(std::lrint(step * I))) & 0xFF;
    out |= v << shift;
  }
  return out;
}

TPoint T_MX_Title::TextOrigin(int StripWidth, int StripHeight, int TextWidth, int TextHeight) const {
  int p = Alignment == taLeftJustify    ? StripHeight - 10
          : Alignment == taRightJustify ? TextWidth + 30
                                        : (StripHeight + TextWidth) / 2 + 10;
  if (TextDirection) return Point((StripWidth - TextHeight) / 2 - 2, p);
  return Point((StripWidth + TextHeight) / 2 + 2, StripHeight - p);
}

void T_MX_Title::Draw(TCanvas* Canvas) {
  if (!Visible) return;
  TRect clip = Canvas->ClipRect();
  TRect strip = Align == atLeft ? Rect(2, 2, Width + 2, clip.bottom - 2)
                                : Rect(clip.right - Width - 2, 2, clip.right - 2, clip.bottom - 2);
  const int w = strip.right - strip.left, h = strip.bottom - strip.top;
  if (w <= 0 || h <= 0) return;
  TBitmap bmp;
  bmp.SetSize(w, h);
  TCanvas* c = bmp.Canvas();
  auto fill = [&](const TRect& R, TColor Color) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color);
    c->FillRect(R);
  };
  if (ColorBegin == ColorEnd) {
    fill(Rect(0, 0, w, h), ColorBegin);
  } else {
    COLORREF start = ColorToRGB(ColorEnd), target = ColorToRGB(ColorBegin);
    const T_MX_GradientDirection g = GradientDirection;
    if (g == gdBottomToTop || g == gdRightToLeft || g == gdOutsideIn) std::swap(start, target);
    const bool dual = g == gdDualVertical || g == gdDualHorizontal;
    const bool vertical = g == gdTopToBottom || g == gdBottomToTop || g == gdDualVertical;
    const int divisor = dual ? 127 : 256;
    if (g == gdInsideOut || g == gdOutsideIn) {
      for (int i = 0; i < 128; ++i)
        fill(Rect(int(std::lrint(i * w / 256.0)), int(std::lrint(i * h / 256.0)),
                  int(std::lrint((255 - i) * w / 256.0)), int(std::lrint((255 - i) * h / 256.0))),
             BandColor(start, target, divisor, 2 * i));
    } else {
      const int extent = vertical ? h : w;
      for (int i = 0; i < 256; ++i) {
        // The dual kinds run back from the far colour in the second half.
        TColor color = dual && i >= 128 ? BandColor(target, start, divisor, i - 128) : BandColor(start, target, divisor, i);
        int a = int(std::lrint(i * extent / 256.0)), b = int(std::lrint((i + 1) * extent / 256.0));
        if (b <= a) continue;
        fill(vertical ? Rect(0, a, w, b) : Rect(a, 0, b, h), color);
      }
    }
  }
  if (!FBitmap.Empty()) {
    int y = Alignment == taLeftJustify    ? h - FBitmap.Height()
            : Alignment == taRightJustify ? 0
                                          : (h - FBitmap.Height()) / 2;
    BitBlt(c->Handle(), (w - FBitmap.Width()) / 2, y, FBitmap.Width(), FBitmap.Height(),
           FBitmap.Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  if (!Text.empty()) {
    LOGFONTA lf{};
    lf.lfHeight = FFont.Height();
    lf.lfWeight = (FFont.Style() & fsBold) ? 700 : 400;
    lf.lfItalic = (FFont.Style() & fsItalic) ? 1 : 0;
    lf.lfUnderline = (FFont.Style() & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (FFont.Style() & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = FFont.Charset();
    lf.lfEscapement = lf.lfOrientation = TextDirection ? 900 : 2700;
    lstrcpynA(lf.lfFaceName, FFont.Name().c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&lf);
    HDC dc = c->Handle();
    HGDIOBJ old = SelectObject(dc, font);
    SIZE sz{};
    GetTextExtentPoint32A(dc, Text.c_str(), int(Text.size()), &sz);
    TPoint o = TextOrigin(w, h, sz.cx, sz.cy);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(FFont.Color()));
    TextOutA(dc, o.x, o.y, Text.c_str(), int(Text.size()));
    SelectObject(dc, old);
    DeleteObject(font);
  }
  BitBlt(Canvas->Handle(), strip.left, strip.top, w, h, c->Handle(), 0, 0, SRCCOPY);
}

void T_MX_Margins::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<T_MX_Margins*>(Source);
  if (!s) return TPersistent::Assign(Source);
  Left = s->Left, Top = s->Top, Right = s->Right, Bottom = s->Bottom, ItemSpace = s->ItemSpace;
}

bool T_MX_Margins::IsDefault() const {
  return Left == 23 && Top == 1 && Right == 23 && Bottom == 1 && ItemSpace == 0;
}

void T_MX_Colors::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<T_MX_Colors*>(Source);
  if (!s) return TPersistent::Assign(Source);
  Border = s->Border, Menu = s->Menu, MenuText = s->MenuText, MenuShadow = s->MenuShadow,
  Highlight = s->Highlight, HighlightText = s->HighlightText, DisabledText = s->DisabledText,
  DisabledShadow = s->DisabledShadow, Line = s->Line, LineShadow = s->LineShadow;
}

bool T_MX_Colors::IsDefault() const {
  T_MX_Colors d;
  return Border == d.Border && Menu == d.Menu && MenuText == d.MenuText && MenuShadow == d.MenuShadow &&
         Highlight == d.Highlight && HighlightText == d.HighlightText && DisabledText == d.DisabledText &&
         DisabledShadow == d.DisabledShadow && Line == d.Line && LineShadow == d.LineShadow;
}

void T_MX_MenuOptions::Assign(TPersistent* Source) {
  if (!dynamic_cast<T_MX_MenuOptions*>(Source)) TPersistent::Assign(Source);
}

void T_MX_BaseOptions::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<T_MX_BaseOptions*>(Source);
  if (!s) return T_MX_MenuOptions::Assign(Source);
  ItemHeight = s->ItemHeight;
  SeparatorHeight = s->SeparatorHeight;
  BackgroundDisplay = s->BackgroundDisplay;
  Alignment = s->Alignment;
  Caption = s->Caption;
  Draggable = s->Draggable;
  FMargins.Assign(&s->FMargins);
  FTitle.Assign(&s->FTitle);
  FBackground.Assign(&s->FBackground);
  FColors.Assign(&s->FColors);
}

bool T_MX_BaseOptions::IsDefault() const {
  return T_MX_MenuOptions::IsDefault() && Alignment == T_MX_Alignment::taLeftJustify && Caption.empty() &&
         FColors.IsDefault() && !Draggable && ItemHeight == 19 && SeparatorHeight == 9 && FTitle.IsDefault() &&
         FBackground.Empty() && Flags == 0 && BackgroundDisplay == bdDefault && FMargins.IsDefault();
}

void T_MX_Options::Assign(TPersistent* Source) {
  T_MX_BaseOptions::Assign(Source);
  if (auto* s = dynamic_cast<T_MX_Options*>(Source)) {
    Animation = s->Animation;
    Flags = s->Flags;
  }
}

bool T_MX_Options::IsDefault() const { return T_MX_BaseOptions::IsDefault() && Animation == anSmart; }

T_MX_MenuItemRect& MenuItemRect() {
  static T_MX_MenuItemRect rect;
  return rect;
}

T_MX_ToolTipWindow::T_MX_ToolTipWindow(TWinControl* Control)
    : FControl(Control), FControlHandle(Control->Handle()) {
  InitCommonControlsOnce();
  FHandle = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, 0, 0, 0, 0, FControlHandle, nullptr,
                            ModuleInstance(), nullptr);
  if (FHandle) SendMessageA(FHandle, TTM_SETMAXTIPWIDTH, 0, 220);
}

T_MX_ToolTipWindow::~T_MX_ToolTipWindow() {
  if (FHandle) DestroyWindow(FHandle);
}

void T_MX_ToolTipWindow::AddTool(const TRect& R, const std::string& Text) {
  if (!FHandle) return;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.hwnd = FControlHandle;
  ti.uId = static_cast<UINT_PTR>(FNextId++);
  ti.rect = R;
  ti.hinst = ModuleInstance();
  std::string text = Text;
  ti.lpszText = text.data();
  SendMessageA(FHandle, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void T_MX_ToolTipWindow::RelayMouseMove(TPoint P) {
  if (!FHandle) return;
  MSG m{};
  m.hwnd = FControlHandle;
  m.message = WM_MOUSEMOVE;
  m.lParam = MAKELPARAM(P.x, P.y);
  SendMessageA(FHandle, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void T_MX_ToolTipWindow::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  ++FActivateCount;
  if (FHandle) SendMessageA(FHandle, TTM_ACTIVATE, Value ? TRUE : FALSE, 0);
}

void T_MX_ToolTipWindow::Activate() { SetActive(true); }
void T_MX_ToolTipWindow::Deactivate() { SetActive(false); }
