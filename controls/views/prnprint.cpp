// Painting a TPrnCells page on a printer's device context, and the system's
// default printer.
#include "framework/ui/winapi.h"
#include <winspool.h>

#include <cmath>

#include "controls/views/prncells.h"
#include "controls/views/prnrichtext.h"
#include "framework/ui/graphics.h"

namespace {

int Whole(float Value) { return static_cast<int>(std::lround(Value)); }

class TFontSelection {
 public:
  TFontSelection(HDC DC, const TCellFont& Font, int Height, int Escapement) : FDC(DC) {
    FFont = CreateFontA(Height, 0, Escapement, Escapement, (Font.Style & fsBold) ? FW_BOLD : FW_NORMAL,
                        (Font.Style & fsItalic) ? TRUE : FALSE, (Font.Style & fsUnderline) ? TRUE : FALSE,
                        (Font.Style & fsStrikeOut) ? TRUE : FALSE, Font.Charset, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, Font.Pitch, Font.Name.c_str());
    FOld = SelectObject(DC, FFont);
  }
  ~TFontSelection() {
    SelectObject(FDC, FOld);
    DeleteObject(FFont);
  }
  TFontSelection(const TFontSelection&) = delete;
  TFontSelection& operator=(const TFontSelection&) = delete;

 private:
  HDC FDC;
  HFONT FFont;
  HGDIOBJ FOld;
};

// How far an extent moves inside its room by a horizontal alignment (0 left,
// 1 right, 2 centred); vertical alignments go through VertAsHorz.
int AlignShift(int Room, int Extent, uint8_t Align) {
  const int free = Room - Extent;
  return Align == 1 ? free : Align == 2 ? free / 2 : 0;
}

uint8_t VertAsHorz(uint8_t VertAlign) { return VertAlign == 1 ? 2 : VertAlign == 2 ? 1 : 0; }

void PaintText(HDC DC, const TCell& Cell, const RECT& Rect, int FontHeight) {
  const TCellAttributes& a = Cell.Attr;
  const std::string& text = Cell.Text();
  if (text.empty()) return;
  SIZE blank{};
  {
    TFontSelection font(DC, a.Font, FontHeight, 0);
    GetTextExtentPoint32A(DC, " ", 1, &blank);
  }
  RECT inner = Rect;
  InflateRect(&inner, -blank.cx / 2, -blank.cy / 12);
  const int roomW = inner.right - inner.left, roomH = inner.bottom - inner.top;
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, ColorToRGB(a.Font.Color));
  if (a.VerticalText) {
    SIZE extent{};
    auto measure = [&](int Height) {
      TFontSelection font(DC, a.Font, Height, 900);
      GetTextExtentPoint32A(DC, text.c_str(), static_cast<int>(text.size()), &extent);
      return !a.FitText || (extent.cy <= roomW && extent.cx <= roomH);
    };
    const int height = FitFontHeight(FontHeight, measure);
    measure(height);
    TFontSelection font(DC, a.Font, height, 900);
    // Turned a quarter left, the text's box is cy wide and cx high, and it
    // starts from its bottom-left corner.
    const int x = inner.left + AlignShift(roomW, extent.cy, a.HorzAlign);
    const int y = inner.top + AlignShift(roomH, extent.cx, VertAsHorz(a.VertAlign)) + extent.cx;
    TextOutA(DC, x, y, text.c_str(), static_cast<int>(text.size()));
    return;
  }
  const UINT flags = (a.HorzAlign == 0 ? DT_LEFT : a.HorzAlign == 1 ? DT_RIGHT : DT_CENTER) | DT_NOPREFIX |
                     DT_EXPANDTABS | (a.WordWrap ? DT_WORDBREAK : 0u);
  RECT measured{};
  auto measure = [&](int Height) {
    TFontSelection font(DC, a.Font, Height, 0);
    measured = inner;
    DrawTextA(DC, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT);
    return !a.FitText ||
           (measured.right - measured.left <= roomW && measured.bottom - measured.top <= roomH);
  };
  const int height = FitFontHeight(FontHeight, measure);
  measure(height);
  const int w = measured.right - measured.left, h = measured.bottom - measured.top;
  OffsetRect(&measured, AlignShift(roomW, w, a.HorzAlign), AlignShift(roomH, h, VertAsHorz(a.VertAlign)));
  TFontSelection font(DC, a.Font, height, 0);
  DrawTextA(DC, text.c_str(), static_cast<int>(text.size()), &measured, flags);
}

void PaintPicture(HDC DC, const TCell& Cell, const RECT& Rect) {
  auto* picture = dynamic_cast<TGraphic*>(Cell.Content());
  if (!picture) return;
  TCanvas canvas;
  canvas.SetHandle(DC);
  if (Cell.StretchPicture) {
    canvas.StretchDraw(Rect, picture);
  } else {
    const int x = Rect.left + AlignShift(Rect.right - Rect.left, picture->Width(), Cell.Attr.HorzAlign);
    const int y = Rect.top + AlignShift(Rect.bottom - Rect.top, picture->Height(), VertAsHorz(Cell.Attr.VertAlign));
    canvas.Draw(x, y, picture);
  }
  canvas.SetHandle(nullptr);
}

void PaintFrameLine(HDC DC, const TFrameLine& Line, int X1, int Y1, int X2, int Y2, bool Vertical) {
  if (Line.Style == kCellPenClear) return;
  if (Line.Style == kCellPenSolid) {
    // A bar of the pen's width centred on the edge.
    const int half = Line.Width / 2;
    RECT bar = Vertical ? RECT{X1 - half, Y1, X1 - half + Line.Width, Y2}
                        : RECT{X1, Y1 - half, X2, Y1 - half + Line.Width};
    HBRUSH brush = CreateSolidBrush(ColorToRGB(Line.Color));
    FillRect(DC, &bar, brush);
    DeleteObject(brush);
    return;
  }
  HPEN pen = CreatePen(Line.Style, Line.Width, ColorToRGB(Line.Color));
  HGDIOBJ old = SelectObject(DC, pen);
  MoveToEx(DC, X1, Y1, nullptr);
  LineTo(DC, X2, Y2);
  SelectObject(DC, old);
  DeleteObject(pen);
}

void PaintFrame(HDC DC, const TCell& Cell, const RECT& R) {
  const auto& f = Cell.Attr.Frame;
  // A line gives way at each end to half the crossing line's width.
  auto half = [&](TCellSide Side) { return f[Side].Style == kCellPenClear ? 0 : f[Side].Width / 2; };
  PaintFrameLine(DC, f[csLeft], R.left, R.top + half(csTop), R.left, R.bottom - half(csBottom), true);
  PaintFrameLine(DC, f[csTop], R.left + half(csLeft), R.top, R.right - half(csRight), R.top, false);
  PaintFrameLine(DC, f[csRight], R.right, R.top + half(csTop), R.right, R.bottom - half(csBottom), true);
  PaintFrameLine(DC, f[csBottom], R.left + half(csLeft), R.bottom, R.right - half(csRight), R.bottom, false);
}

class TSystemPrinter : public TPrintTarget {
 public:
  TSystemPrinter() {
    char name[512];
    DWORD size = sizeof name;
    if (!GetDefaultPrinterA(name, &size)) throw Exception("There is no default printer currently selected");
    FDC = CreateDCA("WINSPOOL", name, nullptr, nullptr);
    if (!FDC) throw Exception(std::string("Printer \"") + name + "\" cannot be opened");
  }
  ~TSystemPrinter() override { DeleteDC(FDC); }
  TPageMetrics Metrics() override {
    return {GetDeviceCaps(FDC, HORZRES), GetDeviceCaps(FDC, VERTRES), GetDeviceCaps(FDC, LOGPIXELSX),
            GetDeviceCaps(FDC, LOGPIXELSY)};
  }
  void BeginDoc(const std::string& Title) override {
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = Title.c_str();
    if (StartDocA(FDC, &info) <= 0 || StartPage(FDC) <= 0) throw Exception("Printing could not start");
  }
  void EndDoc() override {
    EndPage(FDC);
    ::EndDoc(FDC);
  }
  void* DC() override { return FDC; }

 private:
  HDC FDC = nullptr;
};

}  // namespace

std::unique_ptr<TPrintTarget> MakeSystemPrinter() { return std::make_unique<TSystemPrinter>(); }

void TPrnCells::Print(const std::string& Title) {
  if (BeforePrint) BeforePrint(this);
  TPrintTarget* target = Target();
  const TPageMetrics m = target->Metrics();
  target->BeginDoc(Title);
  HDC dc = static_cast<HDC>(target->DC());
  auto pixelRect = [&](const TCell& c) {
    return RECT{Whole(ToPixelsX(c.Left())), Whole(ToPixelsY(c.Top())), Whole(ToPixelsX(c.Right())),
                Whole(ToPixelsY(c.Bottom()))};
  };
  try {
    for (int i = 0; i < CellCount(); ++i) {
      TCell& c = *Cells(i);
      if (!c.Visible) continue;
      const RECT r = pixelRect(c);
      if (c.Attr.Fill.Style != kCellBrushClear) {
        HBRUSH brush = CreateSolidBrush(ColorToRGB(c.Attr.Fill.Color));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
      }
      float size = c.Attr.Font.Size;
      if (FMeasurement == mtPercentage) size *= c.Height();
      const int fontHeight = Whole(ConvertMeasurement(FMeasurement, mtPixels, m.PixelsPerInchY, m.Height - 1, size));
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
      if (c.ContentKind() == ccPicture)
        PaintPicture(dc, c, r);
      else if (c.ContentKind() == ccText)
        PaintText(dc, c, r, fontHeight);
      else if (auto* rich = dynamic_cast<TRichTextSource*>(c.Content()); rich && c.ContentKind() == ccRichText)
        PaintRichText(dc, *rich, r, m);
      RestoreDC(dc, saved);
      if (!FramesLast) PaintFrame(dc, c, r);
    }
    if (FramesLast)
      for (int i = 0; i < CellCount(); ++i)
        if (Cells(i)->Visible) PaintFrame(dc, *Cells(i), pixelRect(*Cells(i)));
    if (DuringPrint) DuringPrint(this);
  } catch (...) {
    target->EndDoc();
    throw;
  }
  target->EndDoc();
  if (AfterPrint) AfterPrint(this);
}
