#include "controls/commands/core/glyphslots.h"

#include <gtest/gtest.h>

namespace {

TEST(GlyphCount, StripWidthGivesTheNumberOfImages) {
  struct {
    int W, H, N;
  } Cases[] = {{64, 16, 4}, {96, 16, 1}, {40, 16, 1}, {16, 16, 1}, {80, 16, 5}, {0, 16, 1}, {16, 0, 1}};
  for (auto C : Cases) EXPECT_EQ(GlyphCountFor(C.W, C.H), C.N) << C.W << "x" << C.H;
}

TEST(GlyphCount, StatesPastTheStripUseTheUpImage) {
  // NumGlyphs 2: up and disabled come from the strip, the rest from up.
  EXPECT_EQ(GlyphStateFor(bsDisabled, 2), bsDisabled);
  EXPECT_EQ(GlyphStateFor(bsMouseIn, 2), bsUp);
  EXPECT_EQ(GlyphStateFor(bsDown, 2), bsUp);
  EXPECT_EQ(GlyphStateFor(bsExclusive, 2), bsUp);
  EXPECT_EQ(GlyphStateFor(bsExclusive, 4), bsExclusive);
  EXPECT_EQ(GlyphStateFor(bsDisabled, 1), bsDisabled);
}

TEST(GlyphSlots, FreedSlotsAreReusedBeforeTheListGrows) {
  TGlyphSlots S;
  int Images = 0;
  bool Grow = false;
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(S.AllocateIndex(Images, Grow), I);
    EXPECT_TRUE(Grow);
    ++Images;
    S.Added();
  }
  EXPECT_TRUE(S.Free(1));
  EXPECT_FALSE(S.Free(1));
  EXPECT_FALSE(S.Free(7));
  EXPECT_EQ(S.Count(), 2);
  EXPECT_EQ(S.AllocateIndex(Images, Grow), 1);
  EXPECT_FALSE(Grow);
  S.Added();
  EXPECT_EQ(S.AllocateIndex(Images, Grow), 3);
  EXPECT_TRUE(Grow);
}

struct FakeList {
  FakeList(int W, int H) : W(W), H(H) {}
  int Width() const { return W; }
  int Height() const { return H; }
  int SlotCount() const { return Slots; }
  int W, H, Slots = 0;
};

TEST(GlyphCache, OneListPerSizeFreedWhenItsLastSlotGoes) {
  TGlyphCacheT<FakeList> C;
  FakeList* A = C.GetList(16, 16);
  FakeList* D = C.GetList(17, 17);
  EXPECT_EQ(C.GetList(16, 16), A);
  EXPECT_NE(A, D);
  EXPECT_EQ(C.ListCount(), 2u);
  A->Slots = 2;
  C.ReturnList(A);  // still used
  EXPECT_EQ(C.ListCount(), 2u);
  C.ReturnList(D);
  EXPECT_EQ(C.ListCount(), 1u);
  A->Slots = 0;
  C.ReturnList(A);
  EXPECT_TRUE(C.Empty());
}

}  // namespace
