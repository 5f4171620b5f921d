#include "controls/commands/core/docklayout.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

struct Dock {
  std::deque<TDockedBar> Store;
  std::vector<TDockedBar*> List;
  TDockedBar* Add(int Row, int Pos, int Length, int Thickness = 22, bool FullSize = false, bool Visible = true) {
    Store.push_back({});
    TDockedBar* B = &Store.back();
    B->DockRow = Row;
    B->DockPos = Pos;
    B->Length = Length;
    B->Thickness = Thickness;
    B->FullSize = FullSize;
    B->Visible = Visible;
    List.push_back(B);
    return B;
  }
  int Arrange(int Length, bool Clip = false, bool OneRow = false, bool Vertical = false) {
    TArrangeOptions O;
    O.ClientLength = Length;
    O.ClipPositions = Clip;
    O.LimitToOneRow = OneRow;
    O.Vertical = Vertical;
    return ArrangeDockBars(List, O);
  }
};

TEST(DockArrange, EmptyDockIsZeroOrOneThick) {
  Dock D;
  D.Add(0, 0, 50, 22, false, false);
  EXPECT_EQ(D.Arrange(400), 0);
  TArrangeOptions O;
  O.FixAlign = true;
  EXPECT_EQ(ArrangeDockBars(D.List, O), 1);
}

TEST(DockArrange, SamePositionPushesTheSecondRight) {
  Dock D;
  TDockedBar* A = D.Add(0, 10, 100);
  TDockedBar* B = D.Add(0, 10, 60);
  EXPECT_EQ(D.Arrange(400), 26);
  EXPECT_EQ(A->Placed, (TDockRect{10, 0, 110, 26}));
  EXPECT_EQ(B->DockPos, 110);
  EXPECT_EQ(B->Placed, (TDockRect{110, 0, 170, 26}));
}

TEST(DockArrange, PastTheEndIsDrawnInsideButKeepsItsPositionUnlessClipped) {
  for (bool Clip : {false, true}) {
    Dock D;
    TDockedBar* A = D.Add(0, 500, 100);
    D.Arrange(400, Clip);
    EXPECT_EQ(A->Placed.Left, 300);
    EXPECT_EQ(A->DockPos, Clip ? 300 : 500);
  }
  // Pulled back, but never before 0.
  Dock D;
  TDockedBar* A = D.Add(0, 0, 300);
  TDockedBar* B = D.Add(0, 350, 300);
  D.Arrange(400);
  EXPECT_EQ(A->Placed.Left, 0);
  EXPECT_EQ(B->Placed.Left, 300);
}

TEST(DockArrange, FullSizeBarIsAloneAndSpansTheDock) {
  Dock D;
  TDockedBar* A = D.Add(0, 0, 100);
  TDockedBar* F = D.Add(0, 150, 80, 22, true);
  TDockedBar* C = D.Add(1, 0, 100);
  EXPECT_EQ(D.Arrange(400), 3 * 26);
  EXPECT_EQ(BarsOnRow(D.List, F->DockRow), 1);
  EXPECT_EQ(F->Placed.Left, 0);
  EXPECT_EQ(F->Placed.Width(), 400);
  EXPECT_NE(A->DockRow, C->DockRow);
}

TEST(DockArrange, RowsAreAtLeastEightAndBlankRowsGo) {
  Dock D;
  TDockedBar* A = D.Add(0, 0, 40, 5);
  TDockedBar* B = D.Add(3, 0, 40, 30);
  EXPECT_EQ(D.Arrange(400), 12 + 34);
  EXPECT_EQ(B->DockRow, 1);
  EXPECT_EQ(A->Placed.Height(), 12);
  EXPECT_EQ(B->Placed.Top, 12);
}

TEST(DockArrange, LimitToOneRowPutsAllOnRowZeroInPositionOrder) {
  Dock D;
  TDockedBar* A = D.Add(2, 50, 40);
  TDockedBar* B = D.Add(0, 10, 40);
  D.Arrange(400, false, true);
  EXPECT_EQ(A->DockRow, 0);
  EXPECT_EQ(B->DockRow, 0);
  EXPECT_EQ(D.List[0], B);
  EXPECT_EQ(A->Placed.Left, 50);
}

TEST(DockArrange, VerticalDockStacksAlongItsHeight) {
  Dock D;
  TDockedBar* A = D.Add(0, 0, 100, 30);
  TDockedBar* B = D.Add(1, 20, 60, 22);
  EXPECT_EQ(D.Arrange(300, false, false, true), 34 + 26);
  EXPECT_EQ(A->Placed, (TDockRect{0, 0, 34, 100}));
  EXPECT_EQ(B->Placed, (TDockRect{34, 20, 60, 80}));
}

TEST(DockRows, RowForADropPosition) {
  Dock D;
  D.Add(0, 0, 50, 22);  // occupies 0..26
  D.Add(1, 0, 50, 22);  // 26..52
  struct {
    int Pos, Row;
    bool Before;
  } Cases[] = {{0, 0, true}, {4, 0, true}, {5, 0, false}, {20, 0, false}, {21, 1, true}, {30, 1, true},
               {31, 1, false}, {47, 2, true}, {52, 2, true}, {56, 2, true}, {500, 2, false}};
  for (auto C : Cases) {
    bool Before = false;
    EXPECT_EQ(RowForPosition(D.List, C.Pos, Before), C.Row) << C.Pos;
    EXPECT_EQ(Before, C.Before) << C.Pos;
  }
  InsertRowBefore(D.List, 1);
  EXPECT_EQ(HighestRow(D.List), 2);
  EXPECT_EQ(BarsOnRow(D.List, 1), 0);
}

TEST(DockTest, TolerancesAndTheWidenedEmptyDock) {
  // A top dock 400 wide with no toolbars: a line at y = 50.
  TDockRect Empty{0, 50, 400, 50};
  TDockRect Out;
  // Grabbed in the middle of a 100 x 26 window.
  struct {
    int PX, PY;
    bool Accept;
  } Cases[] = {{200, 50, true}, {200, 40, true}, {200, 39, true}, {200, 38, false}, {200, 60, true}, {200, 61, false},
               {-16, 50, true}, {-17, 50, false}, {415, 50, true}, {416, 50, false}};
  for (auto C : Cases)
    EXPECT_EQ(DockAccepts(Empty, false, C.PX, C.PY, 50, 13, 100, 26, 100, 26, Out), C.Accept) << C.PX << "," << C.PY;
  DockAccepts(Empty, false, 200, 50, 50, 13, 100, 26, 100, 26, Out);
  EXPECT_EQ(Out, (TDockRect{151, 38, 251, 64}));
  // A vertical dock wants the pointer within its height.
  TDockRect Left{0, 100, 30, 300};
  EXPECT_FALSE(DockAccepts(Left, true, 10, 99, 5, 5, 30, 100, 30, 100, Out));
  EXPECT_TRUE(DockAccepts(Left, true, 10, 100, 5, 5, 30, 100, 30, 100, Out));
}

}  // namespace
