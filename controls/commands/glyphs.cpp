#include "controls/commands/glyphs.h"

#include <commctrl.h>

#include <vector>

namespace {

TGlyphCache* Cache = nullptr;

TGlyphCache& NeedCache() {
  if (!Cache) Cache = new TGlyphCache;
  return *Cache;
}

void FreeCacheWhenEmpty() {
  if (Cache && Cache->Empty()) {
    delete Cache;
    Cache = nullptr;
  }
}

uint32_t DibColour(TColor C) {
  COLORREF R = MaskColorRGB(C);
  return (GetRValue(R) << 16) | (GetGValue(R) << 8) | GetBValue(R);
}

// The header of a top-down 32-bit DIB, the form every pixel copy here uses.
BITMAPINFO TopDown32(int W, int H) {
  BITMAPINFO BI{};
  BI.bmiHeader.biSize = sizeof BI.bmiHeader;
  BI.bmiHeader.biWidth = W;
  BI.bmiHeader.biHeight = -H;
  BI.bmiHeader.biPlanes = 1;
  BI.bmiHeader.biBitCount = 32;
  return BI;
}

// The pixels of Area of a bitmap (any depth), top-down 32-bit.
TGlyphPixels ReadPixels(HBITMAP Bitmap, int X, int Y, int W, int H) {
  BITMAP BM{};
  GetObjectW(Bitmap, sizeof BM, &BM);
  TGlyphPixels All(static_cast<size_t>(BM.bmWidth) * BM.bmHeight);
  BITMAPINFO BI = TopDown32(BM.bmWidth, BM.bmHeight);
  HDC DC = GetDC(nullptr);
  GetDIBits(DC, Bitmap, 0, static_cast<UINT>(BM.bmHeight), All.data(), &BI, DIB_RGB_COLORS);
  ReleaseDC(nullptr, DC);
  TGlyphPixels Out(static_cast<size_t>(W) * H, 0);
  for (int R = 0; R < H; ++R)
    for (int C = 0; C < W; ++C)
      if (Y + R < BM.bmHeight && X + C < BM.bmWidth)
        Out[static_cast<size_t>(R) * W + C] = All[static_cast<size_t>(Y + R) * BM.bmWidth + X + C] & 0xFFFFFF;
  return Out;
}

void WritePixels(TBitmap& Dest, const TGlyphPixels& P, int W, int H) {
  Dest.SetSize(W, H);
  BITMAPINFO BI = TopDown32(W, H);
  HDC DC = GetDC(nullptr);
  SetDIBits(DC, Dest.Handle(), 0, static_cast<UINT>(H), P.data(), &BI, DIB_RGB_COLORS);
  ReleaseDC(nullptr, DC);
}

// A monochrome bitmap whose set bits (white) are the transparent pixels.
HBITMAP MonoMask(const TGlyphMaskBits& Bits, int W, int H) {
  std::vector<uint8_t> Rows = PackMaskBits(Bits, W, H, 2);
  return CreateBitmap(W, H, 1, 1, Rows.data());
}

}  // namespace

TGlyphCache* GlyphCache() { return Cache; }

std::unique_ptr<TBitmap> CopyBitmapToDIB(TBitmap* Source) {
  auto Result = std::make_unique<TBitmap>();
  const int W = Source->Width(), H = Source->Height();
  Result->SetSize(W, H);
  Result->SetPalette(CopyPalette(Source->Palette()));
  if (W <= 0 || H <= 0) return Result;
  HDC DC = CreateCompatibleDC(nullptr);
  HPALETTE OldPalette = nullptr;
  if (Source->Palette()) {
    OldPalette = SelectPalette(DC, Source->Palette(), FALSE);
    RealizePalette(DC);
  }
  BITMAPINFO BI = TopDown32(W, H);
  std::vector<uint32_t> Bits(static_cast<size_t>(W) * H);
  GetDIBits(DC, Source->Handle(), 0, static_cast<UINT>(H), Bits.data(), &BI, DIB_RGB_COLORS);
  SetDIBits(DC, Result->Handle(), 0, static_cast<UINT>(H), Bits.data(), &BI, DIB_RGB_COLORS);
  if (OldPalette) SelectPalette(DC, OldPalette, TRUE);
  DeleteDC(DC);
  return Result;
}

TGlyphList::TGlyphList(int AWidth, int AHeight) : TImageList(nullptr) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

int TGlyphList::AllocateIndex() {
  bool Grow = false;
  int I = FSlots.AllocateIndex(Count(), Grow);
  if (Grow) {
    TBitmap Blank;
    Blank.SetSize(Width(), Height());
    ImageList_Add(Handle(), Blank.Handle(), nullptr);
  }
  return I;
}

void TGlyphList::CheckGlyphImageSize(TBitmap* Image) {
  if (Image->Width() < Width() || Image->Height() < Height()) throw EInvalidOperation("Invalid image size");
}

int TGlyphList::Add(TBitmap* Image, TBitmap* Mask) {
  int I = AllocateIndex();
  HBITMAP M = Mask && !Mask->Empty() ? Mask->Handle() : nullptr;
  if (!ImageList_Replace(Handle(), I, Image->Handle(), M)) throw EInvalidOperation("Failed to replace image");
  FSlots.Added();
  Change();
  return I;
}

int TGlyphList::AddMasked(TBitmap* Image, TColor TransparentColor) {
  int I = AllocateIndex();
  ReplaceMasked(I, Image, TransparentColor);
  FSlots.Added();
  return I;
}

void TGlyphList::ReplaceMasked(int Index, TBitmap* Image, TColor TransparentColor) {
  if (Handle()) {
    CheckGlyphImageSize(Image);
    // The mask is made here from the pixels rather than by the list, which
    // leaves it empty for 32-bit sources under some systems.
    TGlyphPixels P = ReadPixels(Image->Handle(), 0, 0, Width(), Height());
    TGlyphMaskBits M = MaskOfColours(P, {DibColour(TransparentColor)});
    bool Ok = ReplaceWithMask(Index, P, M);
    Change();
    if (!Ok) throw EInvalidOperation("Failed to replace image");
    return;
  }
  Change();
}

bool TGlyphList::ReplaceWithMask(int Index, TGlyphPixels Pixels, const TGlyphMaskBits& Mask) {
  // Transparent drawing ANDs the mask and then ORs the image in: the image
  // must be black wherever the mask is set.
  for (size_t I = 0; I < Pixels.size(); ++I)
    if (Mask[I]) Pixels[I] = 0;
  TBitmap Img;
  WritePixels(Img, Pixels, Width(), Height());
  HBITMAP M = MonoMask(Mask, Width(), Height());
  BOOL Ok = ImageList_Replace(Handle(), Index, Img.Handle(), M);
  DeleteObject(M);
  return Ok != FALSE;
}

int TGlyphList::AddWithMask(const TGlyphPixels& Pixels, const TGlyphMaskBits& Mask) {
  int I = AllocateIndex();
  if (!ReplaceWithMask(I, Pixels, Mask)) {
    FSlots.Free(I);
    throw EInvalidOperation("Failed to replace image");
  }
  FSlots.Added();
  Change();
  return I;
}

void TGlyphList::Delete(int Index) { FSlots.Free(Index); }

TButtonGlyph::TButtonGlyph() {
  for (auto& Row : FIndexs)
    for (int& I : Row) I = -1;
  NeedCache();
  FOriginal.OnChange = [this](TObject* S) { GlyphChanged(S); };
  FOriginalMask.OnChange = [this](TObject* S) { GlyphChanged(S); };
}

TButtonGlyph::~TButtonGlyph() {
  if (FImages && FImageChangeLink) FImages->UnRegisterChanges(FImageChangeLink.get());
  Invalidate();
  FreeCacheWhenEmpty();
}

void TButtonGlyph::Invalidate() {
  for (int Row = 0; Row < 2; ++Row) {
    for (int& I : FIndexs[Row]) {
      if (I != -1 && FGlyphLists[Row]) FGlyphLists[Row]->Delete(I);
      I = -1;
    }
    if (FGlyphLists[Row] && Cache) Cache->ReturnList(FGlyphLists[Row]);
    FGlyphLists[Row] = nullptr;
  }
}

void TButtonGlyph::GlyphChanged(TObject* Sender) {
  if (Sender == &FOriginal && FOriginal.Width() > 0 && FOriginal.Height() > 0)
    FTransparentColor = static_cast<TColor>(FOriginal.Canvas()->Pixels(0, FOriginal.Height() - 1) | 0x02000000);
  Invalidate();
  if (OnChange) OnChange(this);
}

void TButtonGlyph::SetGlyph(TBitmap* Value) {
  Invalidate();
  FOriginal.Assign(Value);
  if (Value && FOriginal.Width() > 0 && FOriginal.Height() > 0)
    FTransparentColor = static_cast<TColor>(FOriginal.Canvas()->Pixels(0, FOriginal.Height() - 1) | 0x02000000);
  UpdateNumGlyphs();
}

void TButtonGlyph::SetGlyphMask(TBitmap* Value) {
  Invalidate();
  FOriginalMask.Assign(Value);
}

void TButtonGlyph::UpdateNumGlyphs() {
  SetNumGlyphs(FImages ? 1 : GlyphCountFor(FOriginal.Width(), FOriginal.Height()));
}

void TButtonGlyph::SetNumGlyphs(int Value) {
  Invalidate();
  FNumGlyphs = (!FImages && Value >= 1 && Value <= MaxGlyphs) ? Value : 1;
  GlyphChanged(nullptr);
}

void TButtonGlyph::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages && FImageChangeLink) FImages->UnRegisterChanges(FImageChangeLink.get());
  FImages = Value;
  if (FImages) {
    if (!FImageChangeLink) {
      FImageChangeLink = std::make_unique<TChangeLink>();
      FImageChangeLink->OnChange = [this](TObject* S) { GlyphChanged(S); };
    }
    FImages->RegisterChanges(FImageChangeLink.get());
  }
  UpdateNumGlyphs();
}

void TButtonGlyph::SetImageIndex(int Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FImages) GlyphChanged(nullptr);
}

void TButtonGlyph::SetOldDisabledStyle(bool Value) {
  FOldDisabledStyle = Value;
  Invalidate();
}

SIZE TButtonGlyph::GlyphSize() {
  if (FImages) {
    if (FImageIndex >= 0 && FImageIndex < FImages->Count()) return {FImages->Width(), FImages->Height()};
    return {0, 0};
  }
  if (FOriginal.Width() <= 0 || FOriginal.Height() <= 0) return {0, 0};
  return {FOriginal.Width() / FNumGlyphs, FOriginal.Height()};
}

int TButtonGlyph::CreateButtonGlyph(TButtonStateX State, TGlyphList*& List) {
  State = GlyphStateFor(State, FNumGlyphs);
  const int Row = State == bsDisabled ? 0 : 1;
  List = FGlyphLists[Row];
  if (FIndexs[Row][State] != -1) return FIndexs[Row][State];
  SIZE S = GlyphSize();
  if (S.cx <= 0 || S.cy <= 0) return -1;
  const int W = S.cx, H = S.cy;
  const bool HasMask = !FImages && FOriginalMask.Width() > 0 && FOriginalMask.Height() > 0;

  // The source image of the state (the up image for a generated disabled
  // one) and its background flags.
  TGlyphPixels Src;
  TGlyphMaskBits Masked;
  const int Slice = (State == bsDisabled && FNumGlyphs < 2) ? 0 : static_cast<int>(State);
  if (FImages) {
    TBitmap Img, Mask;
    Img.SetSize(W, H);
    Mask.SetSize(W, H);
    ImageList_Draw(FImages->Handle(), FImageIndex, Img.Canvas()->Handle(), 0, 0, ILD_NORMAL);
    ImageList_Draw(FImages->Handle(), FImageIndex, Mask.Canvas()->Handle(), 0, 0, ILD_MASK);
    Src = ReadPixels(Img.Handle(), 0, 0, W, H);
    Masked = MaskOfColours(ReadPixels(Mask.Handle(), 0, 0, W, H), {PixelWhite});
  } else {
    // A generated disabled image is made from a copy of the glyph.
    std::unique_ptr<TBitmap> Copy;
    if (State == bsDisabled && FNumGlyphs < 2) Copy = CopyBitmapToDIB(&FOriginal);
    Src = ReadPixels(Copy ? Copy->Handle() : FOriginal.Handle(), Slice * W, 0, W, H);
    if (HasMask)
      Masked = MaskOfColours(ReadPixels(FOriginalMask.Handle(), Slice * W, 0, W, H), {PixelWhite});
    else
      Masked = MaskOfColours(Src, {DibColour(FTransparentColor)});
  }

  int Index;
  if (State != bsDisabled) {
    List = FGlyphLists[1] = NeedCache().GetList(W, H);
    Index = List->AddWithMask(Src, Masked);
  } else {
    List = FGlyphLists[0] = NeedCache().GetList(W + 1, H + 1);
    const uint32_t Face = DibColour(clBtnFace), Hi = DibColour(clBtnHighlight), Sh = DibColour(clBtnShadow);
    if (!FImages && FNumGlyphs >= 2) {
      // The strip's own disabled image, in the system colours, enlarged by a
      // background column and row.
      RecolourDisabledSlice(Src, Hi, Sh);
      TGlyphPixels Big(static_cast<size_t>(W + 1) * (H + 1), Face);
      TGlyphMaskBits BigMask(Big.size(), true);
      for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
          Big[static_cast<size_t>(Y) * (W + 1) + X] = Src[static_cast<size_t>(Y) * W + X];
          BigMask[static_cast<size_t>(Y) * (W + 1) + X] = Masked[static_cast<size_t>(Y) * W + X];
        }
      Index = List->AddWithMask(Big, BigMask);
    } else {
      TGlyphMaskBits Bg = MaskOfColours(Src, {PixelWhite, PixelSilver});
      for (size_t I = 0; I < Bg.size(); ++I) Bg[I] = Bg[I] || Masked[I];
      TGlyphPixels Out = EmbossDisabled(Src, W, H, Bg, FOldDisabledStyle, Face, Hi, Sh);
      Index = List->AddWithMask(Out, MaskOfColours(Out, {Face}));
    }
  }
  FIndexs[Row][State] = Index;
  return Index;
}

void TButtonGlyph::Draw(HDC DC, int X, int Y, TButtonStateX State) {
  TGlyphList* List = nullptr;
  int Index = CreateButtonGlyph(State, List);
  if (Index < 0 || !List) return;
  ImageList_DrawEx(List->Handle(), Index, DC, X, Y, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
}
