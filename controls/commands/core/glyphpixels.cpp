#include "controls/commands/core/glyphpixels.h"

#include <algorithm>

TGlyphMaskBits MaskOfColours(const TGlyphPixels& Pixels, const std::vector<uint32_t>& Colours) {
  TGlyphMaskBits M(Pixels.size());
  for (size_t I = 0; I < Pixels.size(); ++I) {
    uint32_t P = Pixels[I] & 0xFFFFFF;
    M[I] = std::find(Colours.begin(), Colours.end(), P) != Colours.end();
  }
  return M;
}

TGlyphPixels EmbossDisabled(const TGlyphPixels& Pixels, int Width, int Height, const TGlyphMaskBits& Background,
                            bool OldStyle, uint32_t Face, uint32_t Highlight, uint32_t Shadow) {
  const int W2 = Width + 1, H2 = Height + 1;
  TGlyphPixels Out(static_cast<size_t>(W2) * H2, Face);
  auto Ink = [&](int X, int Y) {
    size_t I = static_cast<size_t>(Y) * Width + X;
    if (OldStyle) return (Pixels[I] & 0xFFFFFF) == PixelBlack;
    return !(I < Background.size() && Background[I]);
  };
  for (int Pass = 0; Pass < 2; ++Pass) {
    int D = Pass == 0 ? 1 : 0;
    uint32_t C = Pass == 0 ? Highlight : Shadow;
    for (int Y = 0; Y < Height; ++Y)
      for (int X = 0; X < Width; ++X)
        if (Ink(X, Y)) Out[static_cast<size_t>(Y + D) * W2 + X + D] = C;
  }
  return Out;
}

void RecolourDisabledSlice(TGlyphPixels& Pixels, uint32_t Highlight, uint32_t Shadow) {
  for (uint32_t& P : Pixels) {
    if ((P & 0xFFFFFF) == PixelWhite)
      P = Highlight;
    else if ((P & 0xFFFFFF) == PixelGrey)
      P = Shadow;
  }
}

std::vector<uint8_t> PackMaskBits(const TGlyphMaskBits& Bits, int Width, int Height, int RowAlign) {
  int Row = ((Width + 7) / 8 + RowAlign - 1) / RowAlign * RowAlign;
  std::vector<uint8_t> Out(static_cast<size_t>(Row) * Height, 0);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      if (Bits[static_cast<size_t>(Y) * Width + X]) Out[static_cast<size_t>(Y) * Row + X / 8] |= 0x80 >> (X % 8);
  return Out;
}
