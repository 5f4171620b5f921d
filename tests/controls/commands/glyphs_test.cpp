#include "controls/commands/glyphs.h"

#include <commctrl.h>
#include <memory>
#include <tuple>
#include <gtest/gtest.h>

#include "commands_fixture.h"
#include "controls/commands/tbbutton.h"
#include "tests/support/win32/dib8.h"

namespace {

// A strip of N square images of Side pixels: a magenta background (the
// bottom-left pixel) with a black 4 x 4 square in each.
void MakeStrip(TBitmap& B, int N, int Side) {
  B.SetSize(N * Side, Side);
  TCanvas* C = B.Canvas();
  C->Brush()->SetColor(static_cast<TColor>(RGB(255, 0, 255)));
  C->FillRect(TRect{0, 0, N * Side, Side});
  C->Brush()->SetColor(clBlack);
  for (int I = 0; I < N; ++I) C->FillRect(TRect{I * Side + 4, 4, I * Side + 8, 8});
}

using GlyphTest = CommandsTest;

TEST_F(GlyphTest, StripSizeSetsNumGlyphs) {
  struct {
    int N, Side, Want;
  } Cases[] = {{4, 16, 4}, {6, 16, 1}, {1, 16, 1}};
  for (auto C : Cases) {
    TButtonGlyph G;
    TBitmap B;
    MakeStrip(B, C.N, C.Side);
    G.SetGlyph(&B);
    EXPECT_EQ(G.NumGlyphs(), C.Want) << C.N;
  }
  TButtonGlyph G;
  TBitmap B;
  B.SetSize(40, 16);
  G.SetGlyph(&B);
  EXPECT_EQ(G.NumGlyphs(), 1);
}

TEST_F(GlyphTest, ButtonsOfOneSizeShareListsAndTheLastOneFreesTheCache) {
  {
    TBitmap B;
    MakeStrip(B, 1, 16);
    TButtonGlyph A, C;
    A.SetGlyph(&B);
    C.SetGlyph(&B);
    TGlyphList *LA = nullptr, *LC = nullptr, *DA = nullptr, *DC = nullptr;
    EXPECT_GE(A.CreateButtonGlyph(bsUp, LA), 0);
    EXPECT_GE(C.CreateButtonGlyph(bsUp, LC), 0);
    EXPECT_GE(A.CreateButtonGlyph(bsDisabled, DA), 0);
    EXPECT_GE(C.CreateButtonGlyph(bsDisabled, DC), 0);
    ASSERT_NE(LA, nullptr);
    EXPECT_EQ(LA, LC);
    EXPECT_EQ(DA, DC);
    EXPECT_EQ(DA->Width(), 17);
    EXPECT_EQ(DA->Height(), 17);
    EXPECT_EQ(LA->SlotCount(), 2);
    // The mouse-in image of a one-image strip is the up image: no new slot.
    TGlyphList* LM = nullptr;
    EXPECT_EQ(A.CreateButtonGlyph(bsMouseIn, LM), A.SlotIndex(1, bsUp));
    ASSERT_NE(GlyphCache(), nullptr);
    EXPECT_EQ(GlyphCache()->ListCount(), 2u);
  }
  EXPECT_EQ(GlyphCache(), nullptr);
}

TEST_F(GlyphTest, ALoadedButtonHasItsFirstImageBeforeAnyPaint) {
  for (bool Enabled : {true, false}) {
    TBitmap B;
    MakeStrip(B, 1, 16);
    TToolbarButtonX Button(nullptr);
    Button.SetGlyph(&B);
    Button.SetEnabled(Enabled);
    Button.BeginLoading();
    Button.Loaded();
    ASSERT_NE(GlyphCache(), nullptr);
    ASSERT_EQ(GlyphCache()->ListCount(), 1u);
    // A disabled button's image is one pixel larger each way.
    TGlyphList* L = GlyphCache()->GetList(Enabled ? 16 : 17, Enabled ? 16 : 17);
    EXPECT_EQ(L->SlotCount(), 1) << Enabled;
  }
}

TEST_F(GlyphTest, StripWithDisabledImageUsesItsSlice) {
  TBitmap B;
  MakeStrip(B, 2, 16);
  TButtonGlyph G;
  G.SetGlyph(&B);
  ASSERT_EQ(G.NumGlyphs(), 2);
  TGlyphList* L = nullptr;
  EXPECT_GE(G.CreateButtonGlyph(bsDisabled, L), 0);
  EXPECT_EQ(G.SlotIndex(0, bsDisabled), 0);
  int Up = G.CreateButtonGlyph(bsUp, L);
  EXPECT_EQ(G.CreateButtonGlyph(bsExclusive, L), Up);
}

TEST_F(GlyphTest, TransparentColourIsMaskedWhenDrawn) {
  TBitmap B;
  MakeStrip(B, 1, 16);
  TButtonGlyph G;
  G.SetGlyph(&B);
  EXPECT_EQ(G.TransparentColor() & 0x02000000, 0x02000000);
  TBitmap Out;
  Out.SetSize(16, 16);
  Out.Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(0, 128, 0)));
  Out.Canvas()->FillRect(TRect{0, 0, 16, 16});
  G.Draw(Out.Canvas()->Handle(), 0, 0, bsUp);
  // Background shows through where the strip was magenta; the ink is drawn.
  EXPECT_EQ(Out.Canvas()->Pixels(1, 1) & 0xFFFFFF, RGB(0, 128, 0));
  EXPECT_EQ(Out.Canvas()->Pixels(5, 5) & 0xFFFFFF, RGB(0, 0, 0));
}

TEST_F(GlyphTest, EightBitGlyphKeepsItsPaletteThroughTheCopyAndTheDisabledImage) {
  // Entry 0 is the background, entry 1 a 4 x 4 square, entry 2 one corner dot.
  TBitmap B;
  B.SetHandle(morvtest::MakeDib8(16, 16, 3, [](int X, int Y) {
    if (X == 15 && Y == 0) return 2;
    return X >= 4 && X < 8 && Y >= 4 && Y < 8 ? 1 : 0;
  }));
  ASSERT_NE(B.Palette(), nullptr);

  std::unique_ptr<TBitmap> Copy = CopyBitmapToDIB(&B);
  ASSERT_EQ(Copy->Width(), 16);
  ASSERT_EQ(Copy->Height(), 16);
  ASSERT_NE(Copy->Palette(), nullptr);
  EXPECT_NE(Copy->Palette(), B.Palette());
  PALETTEENTRY Want[3], Got[3];
  ASSERT_EQ(GetPaletteEntries(B.Palette(), 0, 3, Want), 3u);
  ASSERT_EQ(GetPaletteEntries(Copy->Palette(), 0, 0, nullptr), GetPaletteEntries(B.Palette(), 0, 0, nullptr));
  ASSERT_EQ(GetPaletteEntries(Copy->Palette(), 0, 3, Got), 3u);
  for (int I = 0; I < 3; ++I)
    EXPECT_EQ(RGB(Got[I].peRed, Got[I].peGreen, Got[I].peBlue), RGB(Want[I].peRed, Want[I].peGreen, Want[I].peBlue));
  for (auto [X, Y, I] : {std::tuple{0, 0, 0}, {5, 5, 1}, {15, 0, 2}, {0, 15, 0}, {7, 4, 1}})
    EXPECT_EQ(Copy->Canvas()->Pixels(X, Y) & 0xFFFFFF, morvtest::Dib8Colour(I)) << X << "," << Y;

  // The button reports the glyph's palette; its generated disabled image
  // shows the square as shadow ink on a transparent background.
  TForm* F = MakeForm();
  auto* Button = new TToolbarButtonX(F);
  Button->SetGlyph(&B);
  ASSERT_NE(Button->GetPalette(), nullptr);
  EXPECT_EQ(Button->GetPalette(), Button->Glyph()->Palette());
  TBitmap Out;
  Out.SetSize(17, 17);
  Out.Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(0, 0, 255)));
  Out.Canvas()->FillRect(TRect{0, 0, 17, 17});
  TButtonGlyph G;
  G.SetGlyph(&B);
  G.Draw(Out.Canvas()->Handle(), 0, 0, bsDisabled);
  EXPECT_EQ(Out.Canvas()->Pixels(5, 5) & 0xFFFFFF, GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(Out.Canvas()->Pixels(1, 1) & 0xFFFFFF, RGB(0, 0, 255));
}

}  // namespace
