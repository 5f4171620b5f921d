#include "controls/commands/core/tblayout.h"

#include <gtest/gtest.h>

namespace {

TToolbarItem Btn(int W = 23, int H = 22) {
  TToolbarItem I;
  I.Width = W;
  I.Height = H;
  return I;
}
TToolbarItem Sep(bool Blank = false) {
  TToolbarItem I;
  I.Separator = true;
  I.Blank = Blank;
  I.Width = 6;
  return I;
}

TEST(ToolbarLayout, DockedNeverWrapsAndCentresAcrossTheRow) {
  std::vector<TToolbarItem> It = {Btn(), Btn(23, 16), Sep(), Btn()};
  TToolbarLayout L = OrderToolbarItems(It, loHorizontal, 30, 26, true);
  EXPECT_EQ(L.Width, 23 * 3 + 6);
  EXPECT_EQ(L.Height, 22);
  EXPECT_EQ(It[1].Left, 23);
  EXPECT_EQ(It[1].Top, 5);
  EXPECT_EQ(It[2].Height, 26);
  EXPECT_EQ(It[3].Left, 52);
  // On a vertical dock the two directions swap.
  TToolbarLayout V = OrderToolbarItems(It, loVertical, 0, 30, true);
  EXPECT_EQ(V.Width, 23);
  EXPECT_EQ(V.Height, 22 + 16 + 6 + 22);
  EXPECT_EQ(It[2].Width, 30);
  EXPECT_EQ(It[2].Height, 6);
  EXPECT_EQ(It[3].Top, 44);
}

TEST(ToolbarLayout, FloatingWithoutWrapWidthIsOneLine) {
  std::vector<TToolbarItem> It = {Btn(), Sep(), Btn(), Btn()};
  TToolbarLayout L = OrderToolbarItems(It, loFloating, 0, 22, true);
  EXPECT_EQ(L.Width, 4 + 23 * 3 + 6 + 4);
  EXPECT_EQ(L.Height, 2 + 22 + 1);
  EXPECT_TRUE(L.Lines.empty());
}

TEST(ToolbarLayout, EmptyToolbarIsEightPlusMargins) {
  std::vector<TToolbarItem> It;
  EXPECT_EQ(OrderToolbarItems(It, loFloating, 0, 8, true).Width, 16);
  EXPECT_EQ(OrderToolbarItems(It, loHorizontal, 0, 8, true).Width, 8);
}

TEST(ToolbarLayout, WrapAtASeparatorBecomesAnEtchedLine) {
  for (bool Blank : {false, true}) {
    std::vector<TToolbarItem> It = {Btn(), Btn(), Sep(Blank), Btn(), Btn()};
    TToolbarLayout L = OrderToolbarItems(It, loFloating, 4 + 46 + 4, 22, true);
    EXPECT_EQ(L.Width, 54);
    EXPECT_EQ(L.Height, 2 + 22 + 6 + 22 + 1);
    EXPECT_EQ(It[2].Width, 0);
    ASSERT_EQ(L.Lines.size(), 1u);
    EXPECT_EQ(L.Lines[0].Y, 30);
    EXPECT_EQ(L.Lines[0].Blank, Blank);
    EXPECT_EQ(It[3].Left, 4);
    EXPECT_EQ(It[3].Top, 30);
  }
}

TEST(ToolbarLayout, AGroupWiderThanTheWrapBreaksWithoutALine) {
  std::vector<TToolbarItem> It = {Btn(), Btn(), Btn(), Sep(), Btn()};
  TToolbarLayout L = OrderToolbarItems(It, loFloating, 54, 22, true);
  // Two buttons, then the third on a new line without a gap, then the next
  // group on a fresh line after an etched line.
  EXPECT_EQ(It[2].Left, 4);
  EXPECT_EQ(It[2].Top, 24);
  EXPECT_EQ(It[4].Left, 4);
  EXPECT_EQ(It[4].Top, 24 + 22 + 6);
  EXPECT_EQ(L.Lines.size(), 1u);
  EXPECT_EQ(L.Width, 54);
}

TEST(ToolbarLayout, FloatSizesAreRealWrapWidthsAndSameHeightsCollapse) {
  std::vector<TToolbarItem> It = {Btn(), Btn(), Btn(), Btn()};
  std::vector<TFloatSize> S = FloatSizeList(It, 0, 0, false);
  // 4, 2 (+ 2), 1 x 4 per line; 3 per line needs as many lines as 2 per line,
  // so only the narrower stays.
  std::vector<std::pair<int, int>> Got;
  for (auto F : S) Got.push_back({F.Width, F.Height});
  EXPECT_EQ(Got, (std::vector<std::pair<int, int>>{{100, 25}, {54, 47}, {31, 91}}));
}

TEST(ToolbarLayout, ResizeSnapsToListedSizes) {
  std::vector<int> W = {100, 77, 54, 31};
  EXPECT_EQ(FloatDeadZone(W, 77), 12);
  EXPECT_EQ(FloatDeadZone({100, 95, 90}, 95), 4);
  EXPECT_EQ(FloatDeadZone(W, 60), 12);
  // Shrinking: the widest entry not wider than the proposal.
  EXPECT_EQ(SnapFloatSize(W, 100, 80, false, 12), 77);
  EXPECT_EQ(SnapFloatSize(W, 100, 10, false, 12), 31);
  // Growing: the narrowest entry still wider than the proposal.
  EXPECT_EQ(SnapFloatSize(W, 54, 60, false, 12), 77);
  EXPECT_EQ(SnapFloatSize(W, 54, 500, false, 12), 100);
  // Inside the dead zone nothing moves yet.
  EXPECT_EQ(SnapFloatSize(W, 77, 70, true, 12), 77);
}

}  // namespace
