#include "framework/ui/graphics.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "framework/core/sysutils.h"

std::wstring Widen(const std::string& S) {
  if (S.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), w.data(), n);
  return w;
}

std::string Narrow(const wchar_t* S, int Length) {
  if (!S) return std::string();
  if (Length < 0) Length = static_cast<int>(wcslen(S));
  if (Length == 0) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, S, Length, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, S, Length, s.data(), n, nullptr, nullptr);
  return s;
}

std::string Narrow(const std::wstring& S) { return Narrow(S.c_str(), static_cast<int>(S.size())); }

COLORREF ColorToRGB(TColor Color) {
  if (Color < 0) return GetSysColor(Color & 0xFF);
  return static_cast<COLORREF>(Color);
}

COLORREF MaskColorRGB(TColor Color) { return ColorToRGB(Color) & 0x00FFFFFF; }

namespace {

struct TColorName {
  TColor Color;
  const char* Name;
};

const TColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"}, {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clNone, "clNone"}, {clDefault, "clDefault"},
};

}  // namespace

std::string ColorToString(TColor Color) {
  for (const auto& c : kColorNames)
    if (c.Color == Color) return c.Name;
  return "$" + IntToHex(static_cast<uint32_t>(Color), 8);
}

bool IdentToColor(const std::string& Ident, TColor& Color) {
  for (const auto& c : kColorNames)
    if (SameText(Ident, c.Name)) {
      Color = c.Color;
      return true;
    }
  return false;
}

TColor StringToColor(const std::string& S) {
  TColor c;
  if (IdentToColor(S, c)) return c;
  return static_cast<TColor>(StrToInt(S));
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TFont ---------------------------------------------------------------

namespace {
int ScreenPixelsPerInch() {
  static int ppi = [] {
    HDC dc = GetDC(nullptr);
    int v = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return v > 0 ? v : 96;
  }();
  return ppi;
}
}  // namespace

TFont::TFont() : FPixelsPerInch(ScreenPixelsPerInch()) { FHeight = -MulDiv(8, FPixelsPerInch, 72); }

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONTW lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
    lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = FCharset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    std::wstring name = Widen(FName);
    wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
    FHandle = CreateFontIndirectW(&lf);
  }
  return FHandle;
}

void TFont::SetHandle(HFONT Value) {
  LOGFONTW lf{};
  if (!Value || !GetObjectW(Value, sizeof lf, &lf)) return;
  FreeHandle();
  FName = Narrow(lf.lfFaceName);
  FHeight = lf.lfHeight;
  FStyle = (lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
           (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0);
  FCharset = lf.lfCharSet;
  int pitch = lf.lfPitchAndFamily & 3;
  FPitch = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
  Changed();
}

void TFont::SetName(const std::string& Value) {
  if (Value.empty() || Value == FName) return;
  FreeHandle();
  FName = Value;
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }

void TFont::SetHeight(int Value) {
  if (Value == FHeight) return;
  FreeHandle();
  FHeight = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FreeHandle();
  FStyle = Value;
  Changed();
}

void TFont::SetCharset(uint8_t Value) {
  if (Value == FCharset) return;
  FreeHandle();
  FCharset = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FreeHandle();
  FPitch = Value;
  Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    if (f == this) return;
    FreeHandle();
    FName = f->FName;
    FHeight = f->FHeight;
    if (f->FPixelsPerInch != FPixelsPerInch) FHeight = MulDiv(f->FHeight, FPixelsPerInch, f->FPixelsPerInch);
    FColor = f->FColor;
    FStyle = f->FStyle;
    FCharset = f->FCharset;
    FPitch = f->FPitch;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

// ---- TPen ----------------------------------------------------------------

TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

HPEN TPen::Handle() {
  if (!FHandle) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    FHandle = CreatePen(styles[FStyle], FWidth, ColorToRGB(FColor));
  }
  return FHandle;
}

void TPen::SetColor(TColor Value) {
  if (Value == FColor) return;
  FreeHandle();
  FColor = Value;
  Changed();
}

void TPen::SetWidth(int Value) {
  if (Value == FWidth || Value < 0) return;
  FreeHandle();
  FWidth = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == FStyle) return;
  FreeHandle();
  FStyle = Value;
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (Value == FMode) return;
  FMode = Value;
  Changed();
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    if (p == this) return;
    FreeHandle();
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

// ---- TBrush --------------------------------------------------------------

TBrush::~TBrush() {
  FreeHandle();
  if (FPattern) DeleteObject(FPattern);
}

void TBrush::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

HBRUSH TBrush::Handle() {
  if (!FHandle) {
    if (FPattern) {
      FHandle = CreatePatternBrush(FPattern);
    } else {
      switch (FStyle) {
        case bsSolid: FHandle = CreateSolidBrush(ColorToRGB(FColor)); break;
        case bsClear: {
          LOGBRUSH lb{BS_HOLLOW, 0, 0};
          FHandle = CreateBrushIndirect(&lb);
          break;
        }
        default: {
          static const int hatch[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
          FHandle = CreateHatchBrush(hatch[FStyle - bsHorizontal], ColorToRGB(FColor));
        }
      }
    }
  }
  return FHandle;
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor && FStyle != bsClear) return;
  FreeHandle();
  FColor = Value;
  if (FStyle == bsClear) FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == FStyle) return;
  FreeHandle();
  FStyle = Value;
  Changed();
}

void TBrush::SetBitmap(TBitmap* Value) {
  FreeHandle();
  if (FPattern) DeleteObject(FPattern);
  FPattern = nullptr;
  if (Value && !Value->Empty())
    FPattern = static_cast<HBITMAP>(CopyImage(Value->Handle(), IMAGE_BITMAP, 0, 0, 0));
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    if (b == this) return;
    FreeHandle();
    if (FPattern) DeleteObject(FPattern);
    FPattern = b->FPattern ? static_cast<HBITMAP>(CopyImage(b->FPattern, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

// ---- TCanvas -------------------------------------------------------------

TCanvas::TCanvas() {
  auto onFont = [this](TObject*) {
    if (FFontSelected && FHandle) {
      SelectObject(FHandle, FOldFont);
      FFontSelected = false;
    }
  };
  auto onPen = [this](TObject*) {
    if (FPenSelected && FHandle) {
      SelectObject(FHandle, FOldPen);
      FPenSelected = false;
    }
  };
  auto onBrush = [this](TObject*) {
    if (FBrushSelected && FHandle) {
      SelectObject(FHandle, FOldBrush);
      FBrushSelected = false;
    }
  };
  FFont.OnChange = onFont;
  FPen.OnChange = onPen;
  FBrush.OnChange = onBrush;
}

TCanvas::~TCanvas() { DeselectHandles(); }

void TCanvas::DeselectHandles() {
  if (!FHandle) return;
  if (FPenSelected) SelectObject(FHandle, FOldPen);
  if (FBrushSelected) SelectObject(FHandle, FOldBrush);
  if (FFontSelected) SelectObject(FHandle, FOldFont);
  FPenSelected = FBrushSelected = FFontSelected = false;
}

HDC TCanvas::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == FHandle) return;
  DeselectHandles();
  FHandle = Value;
}

void TCanvas::RequiredState(bool NeedPen, bool NeedBrush, bool NeedFont) {
  HDC dc = Handle();
  if (!dc) throw Exception("Canvas does not allow drawing");
  if (NeedPen && !FPenSelected) {
    FOldPen = SelectObject(dc, FPen.Handle());
    static const int rop2[] = {R2_BLACK,       R2_WHITE,   R2_NOP,     R2_NOT,        R2_COPYPEN,   R2_NOTCOPYPEN,
                               R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                               R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    SetROP2(dc, rop2[FPen.Mode()]);
    FPenSelected = true;
  }
  if (NeedBrush && !FBrushSelected) {
    FOldBrush = SelectObject(dc, FBrush.Handle());
    FBrushSelected = true;
  }
  if (NeedBrush) {
    SetBkColor(dc, ColorToRGB(FBrush.Color()));
    SetBkMode(dc, FBrush.Style() == bsSolid ? OPAQUE : TRANSPARENT);
  }
  if (NeedFont) {
    if (!FFontSelected) {
      FOldFont = SelectObject(dc, FFont.Handle());
      FFontSelected = true;
    }
    SetTextColor(dc, ColorToRGB(FFont.Color()));
  }
}

void TCanvas::MoveTo(int X, int Y) {
  RequiredState(false, false, false);
  MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
  RequiredState(true, true, false);
  ::LineTo(FHandle, X, Y);
}

TPoint TCanvas::PenPos() {
  RequiredState(false, false, false);
  POINT p{};
  GetCurrentPositionEx(FHandle, &p);
  return p;
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  RequiredState(true, true, false);
  ::Rectangle(FHandle, X1, Y1, X2, Y2);
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  RequiredState(true, true, false);
  ::Ellipse(FHandle, X1, Y1, X2, Y2);
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  RequiredState(true, true, false);
  ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size()));
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  RequiredState(true, true, false);
  ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size()));
}

void TCanvas::FillRect(const TRect& R) {
  RequiredState(false, true, false);
  ::FillRect(FHandle, &R, FBrush.Handle());
}

void TCanvas::FrameRect(const TRect& R) {
  RequiredState(false, true, false);
  ::FrameRect(FHandle, &R, FBrush.Handle());
}

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
  RequiredState(false, true, true);
  std::wstring w = Widen(Text);
  ExtTextOutW(FHandle, X, Y, 0, nullptr, w.c_str(), static_cast<UINT>(w.size()), nullptr);
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const std::string& Text) {
  RequiredState(false, true, true);
  std::wstring w = Widen(Text);
  UINT opts = ETO_CLIPPED | (FBrush.Style() != bsClear ? ETO_OPAQUE : 0);
  ExtTextOutW(FHandle, X, Y, opts, &R, w.c_str(), static_cast<UINT>(w.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::string& Text) {
  RequiredState(false, false, true);
  std::wstring w = Widen(Text);
  SIZE s{0, 0};
  GetTextExtentPoint32W(FHandle, w.c_str(), static_cast<int>(w.size()), &s);
  return s;
}

int TCanvas::DrawText(const std::string& Text, TRect& R, UINT Format) {
  RequiredState(false, true, true);
  std::wstring w = Widen(Text);
  return DrawTextW(FHandle, w.c_str(), static_cast<int>(w.size()), &R, Format);
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Graphic->Draw(this, R);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  RequiredState(false, true, false);
  HDC src = Canvas->Handle();
  SetStretchBltMode(FHandle, COLORONCOLOR);
  StretchBlt(FHandle, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, src, Source.left,
             Source.top, Source.right - Source.left, Source.bottom - Source.top, SRCCOPY);
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
  if (!Bitmap || Bitmap->Empty()) return;
  RequiredState(false, true, false);
  int w = Source.right - Source.left, h = Source.bottom - Source.top;
  int dw = Dest.right - Dest.left, dh = Dest.bottom - Dest.top;
  HDC screen = GetDC(nullptr);
  HDC srcDC = CreateCompatibleDC(screen);
  HDC maskDC = CreateCompatibleDC(screen);
  HDC workDC = CreateCompatibleDC(screen);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  HBITMAP work = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldSrc = SelectObject(srcDC, Bitmap->Handle());
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  HGDIOBJ oldWork = SelectObject(workDC, work);
  // Mask: 1 where the source has Color.
  SetBkColor(srcDC, ColorToRGB(Color));
  BitBlt(maskDC, 0, 0, w, h, srcDC, Source.left, Source.top, SRCCOPY);
  // Work = source with the Color pixels black, then the brush ORed into them.
  BitBlt(workDC, 0, 0, w, h, srcDC, Source.left, Source.top, SRCCOPY);
  SetBkColor(workDC, RGB(255, 255, 255));
  SetTextColor(workDC, RGB(0, 0, 0));
  BitBlt(workDC, 0, 0, w, h, maskDC, 0, 0, 0x00220326);  // DSna: clear masked pixels
  HBRUSH brush = CreateSolidBrush(ColorToRGB(FBrush.Color()));
  HGDIOBJ oldBrush = SelectObject(workDC, brush);
  BitBlt(workDC, 0, 0, w, h, maskDC, 0, 0, 0x00EA02E9);  // DPSao: brush into the cleared pixels
  SelectObject(workDC, oldBrush);
  DeleteObject(brush);
  SetStretchBltMode(FHandle, COLORONCOLOR);
  StretchBlt(FHandle, Dest.left, Dest.top, dw, dh, workDC, 0, 0, w, h, SRCCOPY);
  SelectObject(srcDC, oldSrc);
  SelectObject(maskDC, oldMask);
  SelectObject(workDC, oldWork);
  DeleteObject(mask);
  DeleteObject(work);
  DeleteDC(srcDC);
  DeleteDC(maskDC);
  DeleteDC(workDC);
}

TColor TCanvas::Pixels(int X, int Y) {
  RequiredState(false, false, false);
  return static_cast<TColor>(GetPixel(FHandle, X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
  // The pen's mode (ROP2) applies to single pixels too.
  RequiredState(true, false, false);
  SetPixelV(FHandle, X, Y, ColorToRGB(Value));
}

TRect TCanvas::ClipRect() {
  RequiredState(false, false, false);
  RECT r{};
  GetClipBox(FHandle, &r);
  return r;
}

TControlCanvasDC::TControlCanvasDC(HWND Window) : FWindow(Window), FDC(GetDC(Window)) { SetHandle(FDC); }

TControlCanvasDC::~TControlCanvasDC() {
  SetHandle(nullptr);
  ReleaseDC(FWindow, FDC);
}

// ---- TGraphic, TBitmap, TIcon, TPicture ---------------------------------

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Changed();
}

class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }
  void FreeContext() {
    HDC dc = FDC;
    if (!dc) return;
    SetHandle(nullptr);
    SelectObject(dc, FOldBitmap);
    DeleteDC(dc);
    FDC = nullptr;
  }

 protected:
  void CreateHandle() override {
    if (!FBitmap->FHandle) FBitmap->SetSize(std::max(FBitmap->FWidth, 1), std::max(FBitmap->FHeight, 1));
    HDC dc = CreateCompatibleDC(nullptr);
    FOldBitmap = SelectObject(dc, FBitmap->FHandle);
    FDC = dc;
    SetHandle(dc);
  }

 private:
  TBitmap* FBitmap;
  HDC FDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  FCanvas.reset();
  FreeImage();
}

void TBitmap::FreeContext() {
  if (FCanvas) static_cast<TBitmapCanvas*>(FCanvas.get())->FreeContext();
}

void TBitmap::FreeImage() {
  FreeContext();
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
  SetPalette(nullptr);
}

void TBitmap::SetPalette(HPALETTE Value) {
  if (FPalette == Value) return;
  if (FPalette) DeleteObject(FPalette);
  FPalette = Value;
}

namespace {
// LOGPALETTE with room for the largest table.
struct TMaxLogPalette {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[256];
};
static_assert(offsetof(TMaxLogPalette, palPalEntry) == offsetof(LOGPALETTE, palPalEntry));

HPALETTE MakePalette(const PALETTEENTRY* Entries, UINT Count) {
  if (Count == 0 || Count > 256) return nullptr;
  TMaxLogPalette L{};
  L.palVersion = 0x300;
  L.palNumEntries = static_cast<WORD>(Count);
  std::copy(Entries, Entries + Count, L.palPalEntry);
  return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&L));
}

// The palette of a DIB section's colour table; none for deeper or device
// bitmaps.
HPALETTE PaletteOfDib(HBITMAP Bitmap) {
  DIBSECTION DS{};
  if (GetObjectW(Bitmap, sizeof DS, &DS) != sizeof DS || DS.dsBm.bmBitsPixel > 8) return nullptr;
  RGBQUAD Table[256];
  HDC DC = CreateCompatibleDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Bitmap);
  UINT N = GetDIBColorTable(DC, 0, 256, Table);
  SelectObject(DC, Old);
  DeleteDC(DC);
  PALETTEENTRY Entries[256];
  for (UINT I = 0; I < N; ++I) Entries[I] = {Table[I].rgbRed, Table[I].rgbGreen, Table[I].rgbBlue, 0};
  return MakePalette(Entries, N);
}
}  // namespace

HPALETTE CopyPalette(HPALETTE Source) {
  if (!Source) return nullptr;
  PALETTEENTRY Entries[256];
  UINT N = GetPaletteEntries(Source, 0, 256, Entries);
  return MakePalette(Entries, N);
}

HBITMAP TBitmap::Handle() {
  FreeContext();
  return FHandle;
}

void TBitmap::SetHandle(HBITMAP Value) {
  FreeImage();
  FHandle = Value;
  BITMAP bm{};
  if (Value && GetObjectW(Value, sizeof bm, &bm)) {
    FWidth = bm.bmWidth;
    FHeight = std::abs(bm.bmHeight);
    SetPalette(PaletteOfDib(Value));
  } else {
    FWidth = FHeight = 0;
  }
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeContext();
  HBITMAP h = FHandle;
  FHandle = nullptr;
  FWidth = FHeight = 0;
  SetPalette(nullptr);
  return h;
}

namespace {
HBITMAP CreateDib32(int W, int H) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = W;
  bi.bmiHeader.biHeight = H;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
}
}  // namespace

void TBitmap::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == FWidth && AHeight == FHeight && FHandle) return;
  FreeContext();
  HBITMAP fresh = nullptr;
  if (AWidth > 0 && AHeight > 0) {
    fresh = CreateDib32(AWidth, AHeight);
    if (!fresh) throw EOutOfMemory("Out of system resources");
    HDC dst = CreateCompatibleDC(nullptr);
    HGDIOBJ od = SelectObject(dst, fresh);
    RECT all{0, 0, AWidth, AHeight};
    FillRect(dst, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (FHandle) {
      HDC src = CreateCompatibleDC(nullptr);
      HGDIOBJ os = SelectObject(src, FHandle);
      BitBlt(dst, 0, 0, std::min(AWidth, FWidth), std::min(AHeight, FHeight), src, 0, 0, SRCCOPY);
      SelectObject(src, os);
      DeleteDC(src);
    }
    SelectObject(dst, od);
    DeleteDC(dst);
  }
  if (FHandle) DeleteObject(FHandle);
  FHandle = fresh;
  FWidth = AWidth;
  FHeight = AHeight;
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
  return FCanvas.get();
}

TColor TBitmap::TransparentColor() {
  if (FTransparentColor != clDefault) return FTransparentColor;
  if (Empty()) return clNone;
  return Canvas()->Pixels(0, FHeight - 1);
}

void TBitmap::Draw(TCanvas* Canvas, const TRect& R) {
  if (Empty()) return;
  HDC dst = Canvas->Handle();
  int dw = R.right - R.left, dh = R.bottom - R.top;
  // Read before the bitmap is selected below: it can sit in one DC only.
  COLORREF key = FTransparent ? ColorToRGB(TransparentColor()) : 0;
  HDC src = CreateCompatibleDC(nullptr);
  FreeContext();
  HGDIOBJ os = SelectObject(src, FHandle);
  SetStretchBltMode(dst, COLORONCOLOR);
  if (FTransparent) {
    HBITMAP mask = CreateBitmap(FWidth, FHeight, 1, 1, nullptr);
    HDC mdc = CreateCompatibleDC(nullptr);
    HGDIOBJ om = SelectObject(mdc, mask);
    SetBkColor(src, key);
    BitBlt(mdc, 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY);
    COLORREF oldBk = SetBkColor(dst, RGB(255, 255, 255));
    COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
    // dst = (dst AND mask) XOR (src AND NOT mask), the classic two-pass blit
    StretchBlt(dst, R.left, R.top, dw, dh, src, 0, 0, FWidth, FHeight, SRCINVERT);
    StretchBlt(dst, R.left, R.top, dw, dh, mdc, 0, 0, FWidth, FHeight, SRCAND);
    StretchBlt(dst, R.left, R.top, dw, dh, src, 0, 0, FWidth, FHeight, SRCINVERT);
    SetBkColor(dst, oldBk);
    SetTextColor(dst, oldText);
    SelectObject(mdc, om);
    DeleteDC(mdc);
    DeleteObject(mask);
  } else {
    StretchBlt(dst, R.left, R.top, dw, dh, src, 0, 0, FWidth, FHeight, SRCCOPY);
  }
  SelectObject(src, os);
  DeleteDC(src);
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName) {
  std::wstring name = Widen(ResName);
  HANDLE h = LoadImageW(Instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!h) throw EResNotFound("Resource " + ResName + " not found");
  SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, int ResID) {
  HANDLE h = LoadImageW(Instance, MAKEINTRESOURCEW(ResID), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!h) throw EResNotFound("Resource " + IntToStr(ResID) + " not found");
  SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::LoadFromFile(const std::string& FileName) {
  std::wstring name = Widen(FileName);
  HANDLE h = LoadImageW(nullptr, name.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (!h) throw EInvalidGraphic("Bitmap image is not valid: " + FileName);
  SetHandle(static_cast<HBITMAP>(h));
}

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
}  // namespace

void TBitmap::SaveToFile(const std::string& FileName) {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty bitmap");
  const uint32_t stride = (static_cast<uint32_t>(FWidth) * 3 + 3) & ~3u;
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * static_cast<size_t>(FHeight));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = FWidth;
  bi.bmiHeader.biHeight = FHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetDC(nullptr);
  int got = GetDIBits(dc, Handle(), 0, static_cast<UINT>(FHeight), pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (got != FHeight) throw EInvalidGraphic("Cannot read the bitmap's pixels");
  std::vector<uint8_t> out;
  const uint32_t offset = 14 + 40;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + static_cast<uint32_t>(pixels.size()));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(FWidth));
  Put32(out, static_cast<uint32_t>(FHeight));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(pixels.size()));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  out.insert(out.end(), pixels.begin(), pixels.end());
  HANDLE f = CreateFileW(Widen(FileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw EFCreateError("Cannot create file " + FileName);
  DWORD written = 0;
  BOOL ok = WriteFile(f, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  CloseHandle(f);
  if (!ok || written != out.size()) throw EWriteError("Cannot write file " + FileName);
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    HBITMAP copy = b->Empty() ? nullptr : static_cast<HBITMAP>(CopyImage(b->Handle(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    SetHandle(copy);
    SetPalette(CopyPalette(b->FPalette));
    FTransparent = b->FTransparent;
    FTransparentColor = b->FTransparentColor;
    return;
  }
  if (Source == nullptr) {
    SetHandle(nullptr);
    return;
  }
  TGraphic::Assign(Source);
}

TIcon::~TIcon() {
  if (FHandle) DestroyIcon(FHandle);
}

void TIcon::SetHandle(HICON Value) {
  if (FHandle && FHandle != Value) DestroyIcon(FHandle);
  FHandle = Value;
  Changed();
}

HICON TIcon::ReleaseHandle() {
  HICON h = FHandle;
  FHandle = nullptr;
  return h;
}

namespace {
SIZE IconSize(HICON Icon) {
  SIZE s{0, 0};
  ICONINFO ii{};
  if (Icon && GetIconInfo(Icon, &ii)) {
    BITMAP bm{};
    if (ii.hbmColor && GetObjectW(ii.hbmColor, sizeof bm, &bm)) {
      s.cx = bm.bmWidth;
      s.cy = bm.bmHeight;
    } else if (ii.hbmMask && GetObjectW(ii.hbmMask, sizeof bm, &bm)) {
      s.cx = bm.bmWidth;
      s.cy = bm.bmHeight / 2;
    }
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    if (ii.hbmMask) DeleteObject(ii.hbmMask);
  }
  return s;
}
}  // namespace

int TIcon::Width() const { return IconSize(FHandle).cx; }
int TIcon::Height() const { return IconSize(FHandle).cy; }

void TIcon::Draw(TCanvas* Canvas, const TRect& R) {
  if (!FHandle) return;
  DrawIconEx(Canvas->Handle(), R.left, R.top, FHandle, R.right - R.left, R.bottom - R.top, 0, nullptr, DI_NORMAL);
}

void TIcon::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName, int Size) {
  std::wstring name = Widen(ResName);
  HANDLE h = LoadImageW(Instance, name.c_str(), IMAGE_ICON, Size, Size, Size ? 0 : LR_DEFAULTSIZE);
  if (!h) throw EResNotFound("Resource " + ResName + " not found");
  SetHandle(static_cast<HICON>(h));
}

void TIcon::LoadFromResourceID(HINSTANCE Instance, int ResID, int Size) {
  HANDLE h = LoadImageW(Instance, MAKEINTRESOURCEW(ResID), IMAGE_ICON, Size, Size, Size ? 0 : LR_DEFAULTSIZE);
  if (!h) throw EResNotFound("Resource " + IntToStr(ResID) + " not found");
  SetHandle(static_cast<HICON>(h));
}

void TIcon::LoadFromFile(const std::string& FileName) {
  HANDLE h = LoadImageW(nullptr, Widen(FileName).c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
  if (!h) throw EInvalidGraphic("Icon image is not valid: " + FileName);
  SetHandle(static_cast<HICON>(h));
}

void TIcon::SaveToFile(const std::string&) { throw EInvalidGraphic("Saving icons is not supported"); }

void TIcon::Assign(TPersistent* Source) {
  if (auto* i = dynamic_cast<TIcon*>(Source)) {
    if (i == this) return;
    SetHandle(i->FHandle ? CopyIcon(i->FHandle) : nullptr);
    return;
  }
  if (Source == nullptr) {
    SetHandle(nullptr);
    return;
  }
  TGraphic::Assign(Source);
}

TBitmap* TPicture::Bitmap() {
  auto* b = dynamic_cast<TBitmap*>(FGraphic.get());
  if (!b) {
    FGraphic = std::make_unique<TBitmap>();
    b = static_cast<TBitmap*>(FGraphic.get());
    b->OnChange = [this](TObject*) { Changed(); };
  }
  return b;
}

TIcon* TPicture::Icon() {
  auto* i = dynamic_cast<TIcon*>(FGraphic.get());
  if (!i) {
    FGraphic = std::make_unique<TIcon>();
    i = static_cast<TIcon*>(FGraphic.get());
    i->OnChange = [this](TObject*) { Changed(); };
  }
  return i;
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) {
    FGraphic.reset();
  } else if (dynamic_cast<TIcon*>(Value)) {
    Icon()->Assign(Value);
  } else {
    Bitmap()->Assign(Value);
  }
  Changed();
}

void TPicture::LoadFromFile(const std::string& FileName) {
  if (SameText(ExtractFileExt(FileName), ".ico"))
    Icon()->LoadFromFile(FileName);
  else
    Bitmap()->LoadFromFile(FileName);
  Changed();
}

void TPicture::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
    return;
  }
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  TPersistent::Assign(Source);
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

// ---- image lists ---------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (Sender) Sender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(Sender);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* l : FLinks) l->Sender = nullptr;
  FLinks.clear();
  FreeHandle();
}

void TCustomImageList::FreeHandle() {
  if (FHandle && !FShareImages) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
  if (!FHandle) {
    FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR24 | ILC_MASK, 4, 4);
    if (FBkColor != clNone) ImageList_SetBkColor(FHandle, ColorToRGB(FBkColor));
  }
  return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
  if (Value == FHandle) return;
  FreeHandle();
  FHandle = Value;
  if (Value) {
    int w = 0, h = 0;
    if (ImageList_GetIconSize(Value, &w, &h)) {
      FWidth = w;
      FHeight = h;
    }
  }
  Change();
}

void TCustomImageList::SetWidth(int Value) {
  if (Value == FWidth || Value <= 0) return;
  FWidth = Value;
  if (FHandle && !FShareImages) {
    FreeHandle();
  }
  Change();
}

void TCustomImageList::SetHeight(int Value) {
  if (Value == FHeight || Value <= 0) return;
  FHeight = Value;
  if (FHandle && !FShareImages) {
    FreeHandle();
  }
  Change();
}

int TCustomImageList::Count() { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::SetBkColor(TColor Value) {
  FBkColor = Value;
  if (FHandle) ImageList_SetBkColor(FHandle, Value == clNone ? CLR_NONE : ColorToRGB(Value));
  Change();
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->Empty()) return -1;
  int r = ImageList_Add(Handle(), Image->Handle(), Mask && !Mask->Empty() ? Mask->Handle() : nullptr);
  Change();
  return r;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty()) return -1;
  int r = ImageList_AddMasked(Handle(), Image->Handle(), MaskColorRGB(MaskColor));
  Change();
  return r;
}

int TCustomImageList::AddIcon(TIcon* Image) {
  if (!Image || Image->Empty()) return -1;
  int r = ImageList_ReplaceIcon(Handle(), -1, Image->Handle());
  Change();
  return r;
}

void TCustomImageList::Delete(int Index) {
  if (!FHandle) return;
  ImageList_Remove(FHandle, Index);
  Change();
}

void TCustomImageList::Clear() { Delete(-1); }

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (!FHandle || Index < 0) return;
  UINT style = ILD_NORMAL;
  switch (FDrawingStyle) {
    case dsFocus: style = ILD_FOCUS; break;
    case dsSelected: style = ILD_SELECTED; break;
    case dsTransparent: style = ILD_TRANSPARENT; break;
    default: break;
  }
  COLORREF blend = FBlendColor == clNone ? CLR_NONE : ColorToRGB(FBlendColor);
  if (!Enabled) {
    style |= ILD_BLEND50;
    blend = ColorToRGB(clBtnFace);
  }
  ImageList_DrawEx(FHandle, Index, Canvas->Handle(), X, Y, 0, 0, CLR_DEFAULT, blend, style);
}

void TCustomImageList::DrawOverlay(TCanvas* Canvas, int X, int Y, int ImageIndex, int Overlay) {
  if (!FHandle || ImageIndex < 0) return;
  ImageList_Draw(FHandle, ImageIndex, Canvas->Handle(), X, Y, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(Overlay + 1));
}

bool TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
  if (!FHandle || !Image || Index < 0 || Index >= Count()) return false;
  Image->SetSize(FWidth, FHeight);
  TCanvas* c = Image->Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, FWidth, FHeight));
  ImageList_Draw(FHandle, Index, c->Handle(), 0, 0, ILD_NORMAL);
  return true;
}

bool TCustomImageList::GetIcon(int Index, TIcon* Image) {
  if (!FHandle || !Image || Index < 0 || Index >= Count()) return false;
  Image->SetHandle(ImageList_GetIcon(FHandle, Index, ILD_NORMAL));
  return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value) return;
  if (std::find(FLinks.begin(), FLinks.end(), Value) == FLinks.end()) FLinks.push_back(Value);
  Value->Sender = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto it = std::find(FLinks.begin(), FLinks.end(), Value);
  if (it != FLinks.end()) FLinks.erase(it);
  if (Value && Value->Sender == this) Value->Sender = nullptr;
}

void TCustomImageList::Change() {
  std::vector<TChangeLink*> links = FLinks;
  for (TChangeLink* l : links)
    if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end()) l->Change();
  if (OnChange) OnChange(this);
}
