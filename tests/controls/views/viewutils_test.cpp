#include "controls/views/viewutils.h"

#include <gtest/gtest.h>

#include "views_fixture.h"

TEST(ViewUtils, IntegerAndRectangleRoutines) {
  EXPECT_EQ(IntMax(-3, 2), 2);
  EXPECT_EQ(IntMin(-3, 2), -3);
  TRect r = Rect(10, 20, 35, 27);
  EXPECT_EQ(RectWidth(r), 25);
  EXPECT_EQ(RectHeight(r), 7);
}

TEST(ViewUtils, ReplaceAllDoesNotRescanInsertedText) {
  EXPECT_EQ(ReplaceAllStr("banana", "a", "aa"), "baanaanaa");
  EXPECT_EQ(ReplaceAllStr("aaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAllStr("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAllStr("", "a", "b"), "");
}

TEST(ViewUtils, WordRoutines) {
  const std::string delims = " ,()";
  EXPECT_EQ(CountWords("(Alice, Bob)", delims), 2);
  EXPECT_EQ(ExtractNthWord(2, "(Alice, Bob)", delims), "Bob");
  EXPECT_EQ(ExtractNthWord(1, ",,one,,", ","), "one");
  EXPECT_EQ(ExtractNthWord(3, "a b", " "), "");
  EXPECT_EQ(ExtractNthWord(0, "a b", " "), "");
  EXPECT_EQ(CountWords("   ", " "), 0);
}

TEST(ViewUtils, GradientUsesOneBandPerPixelWhenNarrow) {
  TBitmap bmp;
  bmp.SetSize(10, 4);
  GradientFillRect(bmp.Canvas(), Rect(0, 0, 10, 4), clBlack, RGB(90, 0, 0), 2, 64);
  // 10 bands of 1 pixel from black to red 90: red = MulDiv(i, 90, 9).
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bmp.Canvas()->Pixels(x, 1), RGB(x * 10, 0, 0)) << x;
}

TEST(ViewUtils, GradientRemainderAndDirections) {
  TBitmap bmp;
  bmp.SetSize(4, 7);
  // Height 7 in 2 bands of 3 pixels, the last pixel takes the end colour.
  GradientFillRect(bmp.Canvas(), Rect(0, 0, 4, 7), clRed, clBlue, 0, 2);
  EXPECT_EQ(bmp.Canvas()->Pixels(1, 0), static_cast<TColor>(clRed));
  EXPECT_EQ(bmp.Canvas()->Pixels(1, 3), static_cast<TColor>(clBlue));
  EXPECT_EQ(bmp.Canvas()->Pixels(1, 6), static_cast<TColor>(clBlue));
  // Bottom to top runs from the end colour; the remainder takes the begin colour.
  GradientFillRect(bmp.Canvas(), Rect(0, 0, 4, 7), clRed, clBlue, 1, 2);
  EXPECT_EQ(bmp.Canvas()->Pixels(1, 0), static_cast<TColor>(clBlue));
  EXPECT_EQ(bmp.Canvas()->Pixels(1, 6), static_cast<TColor>(clRed));
  // Fewer than two colours fill with the begin colour alone.
  GradientFillRect(bmp.Canvas(), Rect(0, 0, 4, 7), clLime, clBlue, 0, 1);
  EXPECT_EQ(bmp.Canvas()->Pixels(3, 6), static_cast<TColor>(clLime));
}

TEST(ViewUtils, EllipsizeText) {
  TBitmap bmp;
  bmp.SetSize(8, 8);
  TCanvas* c = bmp.Canvas();
  EXPECT_EQ(EllipsizeText("Short", c, 1000), "Short");
  std::string s = EllipsizeText("A rather long file name.txt", c, c->TextWidth("A rather") + c->TextWidth("..."));
  ASSERT_GE(s.size(), 3u);
  EXPECT_EQ(s.substr(s.size() - 3), "...");
  EXPECT_LE(c->TextWidth(s), c->TextWidth("A rather") + c->TextWidth("..."));
  EXPECT_EQ(EllipsizeText("Wide text", c, 1), "...");
}

TEST_F(ViewsTest, CursorsAndActiveWindow) {
  EXPECT_NE(Screen->Cursors(crHandCursor), Screen->Cursors(crArrow));
  EXPECT_NE(Screen->Cursors(crDragCursor), Screen->Cursors(crArrow));
  EXPECT_NE(Screen->Cursors(crHandCursor), Screen->Cursors(crDragCursor));
  TForm* f = MakeForm();
  f->Show();
  SetActiveWindow(f->Handle());
  Application->ProcessMessages();
  if (GetActiveWindow() == f->Handle()) {
    EXPECT_TRUE(ActiveWindowInThread());
  }
}
