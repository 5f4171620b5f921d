#include "controls/commands/core/glyphpixels.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t Face = 0xC0C0C0, Hi = 0xFFFFFF, Sh = 0x808080, Red = 0xFF0000, Pink = 0xFF00FF;

TEST(DisabledGlyph, InkIsEmbossedAndBackgroundColoursVanish) {
  // 3 x 2: pink is the transparent colour; white and silver always count as
  // background, so a glyph drawn in pure white shows nothing when disabled.
  TGlyphPixels Src = {Red, Pink, PixelWhite, PixelSilver, PixelBlack, Pink};
  TGlyphMaskBits Bg = MaskOfColours(Src, {PixelWhite, PixelSilver, Pink});
  TGlyphPixels Out = EmbossDisabled(Src, 3, 2, Bg, false, Face, Hi, Sh);
  ASSERT_EQ(Out.size(), 12u);
  TGlyphPixels Want = {
      Sh,   Face, Face, Face,  //
      Face, Sh,   Face, Face,  // red's highlight at (1,1) is covered by black's shadow
      Face, Face, Hi,   Face,
  };
  EXPECT_EQ(Out, Want);
}

TEST(DisabledGlyph, OldStyleTakesOnlyBlackAsInk) {
  TGlyphPixels Src = {Red, PixelBlack};
  TGlyphPixels Out = EmbossDisabled(Src, 2, 1, MaskOfColours(Src, {}), true, Face, Hi, Sh);
  EXPECT_EQ(Out, (TGlyphPixels{Face, Sh, Face, Face, Face, Hi}));
}

TEST(DisabledGlyph, StripSliceTakesTheSystemColours) {
  TGlyphPixels P = {PixelWhite, PixelGrey, Red};
  RecolourDisabledSlice(P, 0x111111, 0x222222);
  EXPECT_EQ(P, (TGlyphPixels{0x111111, 0x222222, Red}));
}

TEST(DisabledGlyph, MaskRowsArePaddedAndMostSignificantFirst) {
  TGlyphMaskBits B(9 * 2, false);
  B[0] = true;
  B[8] = true;
  B[9 + 1] = true;
  auto P = PackMaskBits(B, 9, 2, 2);
  EXPECT_EQ(P, (std::vector<uint8_t>{0x80, 0x80, 0x40, 0x00}));
  EXPECT_EQ(PackMaskBits(B, 9, 2, 4).size(), 8u);
}

}  // namespace
