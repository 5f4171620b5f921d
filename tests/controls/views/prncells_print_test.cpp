// The printing grid painting on a recorded metafile page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "controls/views/prncells.h"
#include "framework/ui/graphics.h"
#include "tests/support/win32/emfprinter.h"

TEST(PrnCellsPrint, EventsTitleAndVisibleTexts) {
  morvtest::TEmfPrinter printer;
  TPrnCells cells(nullptr);
  cells.SetPrinter(&printer);
  std::vector<std::string> events;
  cells.BeforePrint = [&](TObject*) { events.push_back("before"); };
  cells.DuringPrint = [&](TObject*) { events.push_back("during" + std::to_string(printer.Docs.size())); };
  cells.AfterPrint = [&](TObject*) { events.push_back("after"); };
  cells.AddCell("Temp", 0, 0, 17, 6);
  cells.Select("Temp")->CenterOnPage(0);
  cells.SplitCellRows("Row", {-3, 2});
  cells.SetFont("Arial", 0, -0.4f, 0);
  cells.SetFrame(kFrameOutline, 0, kCellPenSolid, 2);
  cells.SetCellTexts({"first", "second", "hidden"});
  cells.FindCell("RowR3")->Visible = false;
  cells.FindCell("RowR2")->Attr.VerticalText = true;
  cells.Print("Quillon 2000: test");
  EXPECT_EQ(events, (std::vector<std::string>{"before", "during1", "after"}));
  ASSERT_EQ(printer.Docs.size(), 1u);
  EXPECT_EQ(printer.Docs[0].Title, "Quillon 2000: test");
  EXPECT_EQ(printer.Docs[0].Texts, (std::vector<std::string>{"first", "second"}));
  // -0.4 cm at the page's resolution.
  const int height = -static_cast<int>(std::lround(0.4 / 2.54 * printer.Metrics().PixelsPerInchY));
  EXPECT_NE(std::find(printer.Docs[0].FontHeights.begin(), printer.Docs[0].FontHeights.end(), height),
            printer.Docs[0].FontHeights.end());
}

TEST(PrnCellsPrint, FitTextShrinksAndAlwaysEnds) {
  morvtest::TEmfPrinter printer;
  TPrnCells cells(nullptr);
  cells.SetPrinter(&printer);
  cells.AddCell("Wide", 1, 1, 4, 1)->SetText("A text that is far too long for its cell");
  cells.AddCell("Never", 1, 3, 0.01f, 0.01f)->SetText("No room at all");
  cells.AddCell("Upright", 1, 5, 0.5f, 2)->SetText("Turned text, too long");
  cells.Select("*");
  cells.SetFont("Arial", 0, -0.8f, 0);
  for (int i = 0; i < cells.SelectedCount(); ++i) cells.GetSelected(i)->Attr.FitText = true;
  cells.FindCell("Wide")->Attr.WordWrap = false;
  cells.FindCell("Upright")->Attr.VerticalText = true;
  cells.Print("fit");
  ASSERT_EQ(printer.Docs.size(), 1u);
  const std::vector<int>& heights = printer.Docs[0].FontHeights;
  ASSERT_FALSE(heights.empty());
  const int start = -static_cast<int>(std::lround(0.8 / 2.54 * printer.Metrics().PixelsPerInchY));
  EXPECT_EQ(heights.front(), start);
  // The texts were shrunk; the cell with no room ends at the smallest height
  // that rounding keeps instead of looping.
  EXPECT_GT(heights.size(), 6u);
  const int smallest = *std::max_element(heights.begin(), heights.end());
  EXPECT_GE(smallest, -5);
  EXPECT_EQ(printer.Docs[0].Texts.size(), 3u);
}

TEST(PrnCellsPrint, PictureContentAndBackToText) {
  morvtest::TEmfPrinter printer;
  TPrnCells cells(nullptr);
  cells.SetPrinter(&printer);
  for (uint8_t stretch : {0, 1}) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(8, 8);
    bitmap->Canvas()->Brush()->SetColor(clRed);
    bitmap->Canvas()->FillRect(Rect(0, 0, 8, 8));
    TCell* picture = cells.AddCell("Picture" + std::to_string(stretch), 1, 1 + 3 * stretch, 2, 2);
    picture->StretchPicture = stretch;
    picture->SetContent(ccPicture, std::move(bitmap));
  }
  cells.AddCell("Text", 1, 8, 10, 1)->SetText("after the pictures");
  cells.Print("pictures");
  ASSERT_EQ(printer.Docs.size(), 1u);
  EXPECT_EQ(printer.Docs[0].Pictures, 2);
  EXPECT_EQ(printer.Docs[0].Texts, std::vector<std::string>{"after the pictures"});
  // Setting a text drops the picture.
  TCell* first = cells.FindCell("Picture0");
  first->SetText("now text");
  EXPECT_EQ(first->ContentKind(), ccText);
  EXPECT_EQ(first->Content(), nullptr);
}
