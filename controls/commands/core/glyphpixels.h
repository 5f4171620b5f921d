// Pixel work behind the generated disabled button images, on plain top-down
// 32-bit pixel arrays (0x00RRGGBB, the order of a 32-bit DIB).
#pragma once
#include <cstdint>
#include <vector>

using TGlyphPixels = std::vector<uint32_t>;
// One flag per pixel, row by row: true where the pixel is background.
using TGlyphMaskBits = std::vector<bool>;

constexpr uint32_t PixelWhite = 0xFFFFFF, PixelSilver = 0xC0C0C0, PixelGrey = 0x808080, PixelBlack = 0;

// Marks every pixel that equals one of Colours.
TGlyphMaskBits MaskOfColours(const TGlyphPixels& Pixels, const std::vector<uint32_t>& Colours);

// The embossed disabled image: one pixel wider and higher than the source,
// filled with Face; the ink (every pixel not marked as background, or with
// OldStyle only the black ones) in Highlight one pixel down and right, then
// in Shadow in place.
TGlyphPixels EmbossDisabled(const TGlyphPixels& Pixels, int Width, int Height, const TGlyphMaskBits& Background,
                            bool OldStyle, uint32_t Face, uint32_t Highlight, uint32_t Shadow);

// A strip's own disabled image in the system colours: white pixels become
// Highlight and grey ones Shadow.
void RecolourDisabledSlice(TGlyphPixels& Pixels, uint32_t Highlight, uint32_t Shadow);

// Packs mask flags into a monochrome bitmap's rows (most significant bit
// first, rows padded to RowAlign bytes; a set bit is background).
std::vector<uint8_t> PackMaskBits(const TGlyphMaskBits& Bits, int Width, int Height, int RowAlign);
