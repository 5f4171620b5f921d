// Button glyphs: a strip of up to five state images (or one image of an
// image list), each state's image prepared on first use into image lists
// that all buttons share, one list per image size.
#pragma once
#include <memory>

#include "controls/commands/core/glyphpixels.h"
#include "controls/commands/core/glyphslots.h"
#include "controls/commands/core/hookregistry.h"
#include "framework/ui/graphics.h"

class TGlyphList : public TImageList {
 public:
  TGlyphList(int AWidth, int AHeight);
  int AllocateIndex();
  int Add(TBitmap* Image, TBitmap* Mask);
  int AddMasked(TBitmap* Image, TColor TransparentColor);
  void ReplaceMasked(int Index, TBitmap* Image, TColor TransparentColor);
  // Puts an image and its mask (set = transparent) into a new slot.
  int AddWithMask(const TGlyphPixels& Pixels, const TGlyphMaskBits& Mask);
  void Delete(int Index);
  int SlotCount() const { return FSlots.Count(); }

 private:
  void CheckGlyphImageSize(TBitmap* Image);
  bool ReplaceWithMask(int Index, TGlyphPixels Pixels, const TGlyphMaskBits& Mask);
  TGlyphSlots FSlots;
};

// A copy of Source's picture, same size, with a copy of its palette; the
// pixels go through a device context that has that palette realised.
std::unique_ptr<TBitmap> CopyBitmapToDIB(TBitmap* Source);

using TGlyphCache = TGlyphCacheT<TGlyphList>;
// The process's cache, or null when no glyph holds one.
TGlyphCache* GlyphCache();

class TButtonGlyph : public TObject {
 public:
  TButtonGlyph();
  ~TButtonGlyph() override;

  TBitmap* Glyph() { return &FOriginal; }
  void SetGlyph(TBitmap* Value);
  TBitmap* GlyphMask() { return &FOriginalMask; }
  void SetGlyphMask(TBitmap* Value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  bool OldDisabledStyle() const { return FOldDisabledStyle; }
  void SetOldDisabledStyle(bool Value);
  // The glyph's bottom-left pixel, with the palette-relative flag as the
  // strip keeps it; MaskColorRGB strips it before any GDI call.
  TColor TransparentColor() const { return FTransparentColor; }

  // The size of one state image, (0, 0) without an image.
  SIZE GlyphSize();
  // Builds the state's image when missing; List is the list it lives in.
  int CreateButtonGlyph(TButtonStateX State, TGlyphList*& List);
  void Draw(HDC DC, int X, int Y, TButtonStateX State);
  // Drops every prepared image (glyph, mask, images or colours changed).
  void Invalidate();
  int SlotIndex(int Row, TButtonStateX State) const { return FIndexs[Row][State]; }

  TNotifyEvent OnChange;

 private:
  void GlyphChanged(TObject* Sender);
  void UpdateNumGlyphs();
  TBitmap FOriginal;
  TBitmap FOriginalMask;
  TGlyphList* FGlyphLists[2] = {nullptr, nullptr};
  int FImageIndex = -1;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  int FIndexs[2][MaxGlyphs];
  TColor FTransparentColor = clNone;
  int FNumGlyphs = 1;
  bool FOldDisabledStyle = false;
};
