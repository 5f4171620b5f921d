// Colours, GDI objects, the canvas and the pictures drawn on it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/classes.h"
#include "framework/ui/winapi.h"

// A colour: 0x00BBGGRR, or a system colour index with the top bit set
// (clBtnFace == COLOR_BTNFACE | 0x80000000), resolved by ColorToRGB.
using TColor = int32_t;

constexpr TColor SysColor(int Index) { return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(Index)); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clLtGray = 0xC0C0C0, clDkGray = 0x808080;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;
constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR), clBackground = SysColor(COLOR_BACKGROUND),
                 clActiveCaption = SysColor(COLOR_ACTIVECAPTION),
                 clInactiveCaption = SysColor(COLOR_INACTIVECAPTION), clMenu = SysColor(COLOR_MENU),
                 clWindow = SysColor(COLOR_WINDOW), clWindowFrame = SysColor(COLOR_WINDOWFRAME),
                 clMenuText = SysColor(COLOR_MENUTEXT), clWindowText = SysColor(COLOR_WINDOWTEXT),
                 clCaptionText = SysColor(COLOR_CAPTIONTEXT), clActiveBorder = SysColor(COLOR_ACTIVEBORDER),
                 clInactiveBorder = SysColor(COLOR_INACTIVEBORDER), clAppWorkSpace = SysColor(COLOR_APPWORKSPACE),
                 clHighlight = SysColor(COLOR_HIGHLIGHT), clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT),
                 clBtnFace = SysColor(COLOR_BTNFACE), clBtnShadow = SysColor(COLOR_BTNSHADOW),
                 clGrayText = SysColor(COLOR_GRAYTEXT), clBtnText = SysColor(COLOR_BTNTEXT),
                 clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT),
                 clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT), cl3DDkShadow = SysColor(COLOR_3DDKSHADOW),
                 cl3DLight = SysColor(COLOR_3DLIGHT), clInfoText = SysColor(COLOR_INFOTEXT),
                 clInfoBk = SysColor(COLOR_INFOBK),
                 clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION),
                 clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);

// RGB value of Color; system colours are looked up now.
COLORREF ColorToRGB(TColor Color);
std::string ColorToString(TColor Color);          // "clRed", or "$00BBGGRR"
bool IdentToColor(const std::string& Ident, TColor& Color);
TColor StringToColor(const std::string& S);       // EConvertError when neither

using TRect = RECT;
using TPoint = POINT;
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return TRect{Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height) { return TRect{Left, Top, Left + Width, Top + Height}; }
inline TPoint Point(int X, int Y) { return TPoint{X, Y}; }

// Base of font, pen and brush: OnChange tells the canvas that selected it.
class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;

 protected:
  void Changed();
};

using TFontStyles = uint8_t;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;
enum TFontPitch : int { fpDefault, fpVariable, fpFixed };

class TFont : public TGraphicsObject {
 public:
  TFont();
  ~TFont() override;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  // Created on demand; stays owned by the font.
  HFONT Handle();
  // Takes the attributes of an existing font (the handle is not kept).
  void SetHandle(HFONT Value);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  int Size() const;  // points
  void SetSize(int Value);
  int Height() const { return FHeight; }  // pixels; negative: character height
  void SetHeight(int Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  uint8_t Charset() const { return FCharset; }
  void SetCharset(uint8_t Value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  int PixelsPerInch() const { return FPixelsPerInch; }

  void Assign(TPersistent* Source) override;

 private:
  void FreeHandle();
  HFONT FHandle = nullptr;
  std::string FName = "MS Sans Serif";
  int FHeight;
  int FPixelsPerInch;
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
  uint8_t FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
};

enum TPenStyle : int { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode : int {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
 public:
  TPen() = default;
  ~TPen() override;
  TPen(const TPen&) = delete;
  TPen& operator=(const TPen&) = delete;

  HPEN Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value);
  void Assign(TPersistent* Source) override;

 private:
  void FreeHandle();
  HPEN FHandle = nullptr;
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

enum TBrushStyle : int { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBitmap;

class TBrush : public TGraphicsObject {
 public:
  TBrush() = default;
  ~TBrush() override;
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;

  HBRUSH Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  // A pattern brush from a copy of Value's picture; nullptr goes back to Style.
  void SetBitmap(TBitmap* Value);
  void Assign(TPersistent* Source) override;

 private:
  void FreeHandle();
  HBRUSH FHandle = nullptr;
  HBITMAP FPattern = nullptr;
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

class TGraphic;

// Drawing on any device context. A canvas either borrows a DC (SetHandle) or
// makes one itself when asked (CreateHandle of a descendant). Pen, brush and
// font are selected before each drawing call.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle();
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont* Font() { return &FFont; }
  TPen* Pen() { return &FPen; }
  TBrush* Brush() { return &FBrush; }
  void SetFont(TFont* Value) { FFont.Assign(Value); }

  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  TPoint PenPos();
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Polygon(const std::vector<TPoint>& Points);
  void Polyline(const std::vector<TPoint>& Points);
  void FillRect(const TRect& R);
  void FrameRect(const TRect& R);
  void TextOut(int X, int Y, const std::string& Text);
  void TextRect(const TRect& R, int X, int Y, const std::string& Text);
  SIZE TextExtent(const std::string& Text);
  int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
  // DrawTextW with the canvas' font; returns the height drawn.
  int DrawText(const std::string& Text, TRect& R, UINT Format);
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  // Copies Source of Bitmap to Dest with every pixel of Color replaced by the
  // brush colour.
  void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);
  TColor Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Value);
  TRect ClipRect();

 protected:
  // Descendants that own a DC make it here and call SetHandle.
  virtual void CreateHandle() {}
  void RequiredState(bool NeedPen, bool NeedBrush, bool NeedFont);
  // Selects the stock objects back so our own can be freed or changed.
  void DeselectHandles();

 private:
  HDC FHandle = nullptr;
  HGDIOBJ FOldPen = nullptr, FOldBrush = nullptr, FOldFont = nullptr;
  bool FPenSelected = false, FBrushSelected = false, FFontSelected = false;
  TFont FFont;
  TPen FPen;
  TBrush FBrush;
};

// A canvas on a window's client area (GetDC) for as long as it lives.
class TControlCanvasDC : public TCanvas {
 public:
  explicit TControlCanvasDC(HWND Window);
  ~TControlCanvasDC() override;

 private:
  HWND FWindow;
  HDC FDC;
};

class TGraphic : public TPersistent {
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual void Draw(TCanvas* Canvas, const TRect& Rect) = 0;
  virtual void LoadFromFile(const std::string& FileName) = 0;
  virtual void SaveToFile(const std::string& FileName) = 0;
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TNotifyEvent OnChange;

 protected:
  void Changed();
  bool FTransparent = false;
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // The bitmap handle, taken out of the canvas' DC so it can be selected
  // elsewhere; the canvas takes it back when drawn on again.
  HBITMAP Handle();
  // Takes ownership of Value.
  void SetHandle(HBITMAP Value);
  // Gives up ownership.
  HBITMAP ReleaseHandle();

  bool Empty() const override { return FHandle == nullptr; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int Value) override { SetSize(Value, FHeight); }
  void SetHeight(int Value) override { SetSize(FWidth, Value); }
  // A 32-bit DIB section; existing content is kept where the sizes overlap.
  void SetSize(int AWidth, int AHeight);
  TCanvas* Canvas();

  // Colour treated as transparent when drawn with Transparent set; clDefault
  // is the bottom-left pixel.
  TColor TransparentColor();
  void SetTransparentColor(TColor Value) { FTransparentColor = Value; }

  void Draw(TCanvas* Canvas, const TRect& Rect) override;
  // Raises EResNotFound / EInvalidGraphic when there is no such bitmap.
  void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);
  void LoadFromResourceID(HINSTANCE Instance, int ResID);
  void LoadFromFile(const std::string& FileName) override;
  // Writes a 24-bit .bmp file.
  void SaveToFile(const std::string& FileName) override;
  void Assign(TPersistent* Source) override;

  // Made from the colour table when an 8-bit or lower DIB is loaded or
  // assigned, copied on Assign, freed with the image; kept when resized.
  HPALETTE Palette() const { return FPalette; }
  // Takes ownership of Value.
  void SetPalette(HPALETTE Value);

 private:
  friend class TBitmapCanvas;
  void FreeContext();
  void FreeImage();
  HBITMAP FHandle = nullptr;
  HPALETTE FPalette = nullptr;
  int FWidth = 0, FHeight = 0;
  TColor FTransparentColor = clDefault;
  std::unique_ptr<TCanvas> FCanvas;
};

// A new palette with Source's entries (nullptr for none); the caller owns it.
HPALETTE CopyPalette(HPALETTE Source);

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

class TIcon : public TGraphic {
 public:
  TIcon() = default;
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  HICON Handle() const { return FHandle; }
  // Takes ownership of Value.
  void SetHandle(HICON Value);
  HICON ReleaseHandle();
  bool Empty() const override { return FHandle == nullptr; }
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void Draw(TCanvas* Canvas, const TRect& Rect) override;
  void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName, int Size = 0);
  void LoadFromResourceID(HINSTANCE Instance, int ResID, int Size = 0);
  void LoadFromFile(const std::string& FileName) override;
  void SaveToFile(const std::string& FileName) override;
  void Assign(TPersistent* Source) override;

 private:
  HICON FHandle = nullptr;
};

// Holds one picture (bitmap or icon) for TImage.
class TPicture : public TPersistent {
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  // Makes the picture a bitmap (keeping one it already is) and returns it.
  TBitmap* Bitmap();
  TIcon* Icon();
  TGraphic* Graphic() const { return FGraphic.get(); }
  void SetGraphic(TGraphic* Value);  // copies
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }
  void LoadFromFile(const std::string& FileName);  // .bmp or .ico
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  void Changed();
  std::unique_ptr<TGraphic> FGraphic;
};

class TCustomImageList;

// A registration with an image list: OnChange fires whenever the list changes.
// Sender becomes nullptr when the list is destroyed.
class TChangeLink : public TObject {
 public:
  ~TChangeLink() override;
  TCustomImageList* Sender = nullptr;
  TNotifyEvent OnChange;
  void Change();
};

enum TDrawingStyle : int { dsFocus, dsSelected, dsNormal, dsTransparent };

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;

  // Created on first use (ILC_COLOR24 | ILC_MASK of Width x Height).
  HIMAGELIST Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Takes Value; with ShareImages set it is never destroyed by this object
  // (the shell's system image list, for one).
  void SetHandle(HIMAGELIST Value);
  bool ShareImages() const { return FShareImages; }
  void SetShareImages(bool Value) { FShareImages = Value; }

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetWidth(int Value);
  void SetHeight(int Value);
  int Count();
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);
  TColor BlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor Value) { FBlendColor = Value; }
  TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle Value) { FDrawingStyle = Value; }

  int Add(TBitmap* Image, TBitmap* Mask);
  int AddMasked(TBitmap* Image, TColor MaskColor);
  int AddIcon(TIcon* Image);
  void Delete(int Index);
  void Clear();
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  void DrawOverlay(TCanvas* Canvas, int X, int Y, int ImageIndex, int Overlay);
  bool GetBitmap(int Index, TBitmap* Image);
  bool GetIcon(int Index, TIcon* Image);

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);
  TNotifyEvent OnChange;
  // Tells every link; also call after changing a shared list behind our back.
  void Change();

 private:
  void FreeHandle();
  HIMAGELIST FHandle = nullptr;
  bool FShareImages = false;
  int FWidth = 16, FHeight = 16;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  TDrawingStyle FDrawingStyle = dsNormal;
  std::vector<TChangeLink*> FLinks;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
};

// The transparent colour as ImageList_AddMasked wants it: plain RGB. Wine
// ignores a colour that still carries the 0x02000000 palette-relative flag.
COLORREF MaskColorRGB(TColor Color);
