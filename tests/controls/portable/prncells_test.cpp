#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/views/prncells.h"

namespace {

// A page of 2101 x 2971 pixels (A4 less one pixel is 2100 x 2970) at 254
// pixels per inch: 1 cm = 100 pixels.
class TFakePrinter : public TPrintTarget {
 public:
  TPageMetrics Metrics() override { return {2101, 2971, 254, 254}; }
  void BeginDoc(const std::string&) override {}
  void EndDoc() override {}
  void* DC() override { return nullptr; }
};

class PrnCellsTest : public ::testing::Test {
 protected:
  PrnCellsTest() { Cells.SetPrinter(&Printer); }
  std::vector<std::string> Names() {
    std::vector<std::string> r;
    for (int i = 0; i < Cells.CellCount(); ++i) r.push_back(Cells.CellName(Cells.Cells(i)));
    return r;
  }
  std::vector<std::string> Selected() {
    std::vector<std::string> r;
    for (int i = 0; i < Cells.SelectedCount(); ++i) r.push_back(Cells.GetSelected(i)->Name());
    return r;
  }
  TFakePrinter Printer;
  TPrnCells Cells{nullptr};
};

}  // namespace

TEST(PrnCellsUnits, ConversionTable) {
  struct Case {
    TMeasurement From, To;
    float Value, Want;
  } cases[] = {
      {mtPixels, mtCentimeters, 100, 2.54f},  {mtPixels, mtInches, 100, 1},      {mtPixels, mtPercentage, 500, 0.5f},
      {mtCentimeters, mtPixels, 2.54f, 100},  {mtCentimeters, mtInches, 2.54f, 1}, {mtCentimeters, mtPercentage, 2.54f, 0.1f},
      {mtInches, mtPixels, 2, 200},           {mtInches, mtCentimeters, 1, 2.54f}, {mtInches, mtPercentage, 5, 0.5f},
      {mtPercentage, mtPixels, 0.25f, 250},   {mtPercentage, mtCentimeters, 1, 25.4f},
      {mtPercentage, mtInches, 0.5f, 5},      {mtInches, mtInches, 7, 7},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(ConvertMeasurement(c.From, c.To, 100, 1000, c.Value), c.Want, 1e-4) << c.From << "->" << c.To;
  // A device that reports nothing gives zeros, not infinities.
  EXPECT_EQ(ConvertMeasurement(mtPixels, mtInches, 0, 0, 5), 0);
  EXPECT_EQ(ConvertMeasurement(mtPixels, mtPercentage, 0, 0, 5), 0);
}

TEST(PrnCellsUnits, SizeListsRunLength) {
  struct Case {
    std::vector<float> Sizes, Want;
  } cases[] = {
      {{1.0f, -3, 0.5f, 2.0f}, {1.0f, 0.5f, 0.5f, 0.5f, 2.0f}},
      {{-2, -4, 1}, {1, 1, 1, 1}},  // the last negative counts
      {{-0.2f, 3}, {3}},            // 0 counts as 1
      {{1, 2, -5}, {1, 2}},         // a trailing repeat ends the list
      {{-2.6f, 7}, {7, 7, 7}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    TSizeList list(c.Sizes);
    EXPECT_EQ(list.Count(), static_cast<int>(c.Want.size()));
    for (int pass = 0; pass < 2; ++pass) {
      list.Reset();
      std::vector<float> got;
      float s;
      while (list.Next(s)) got.push_back(s);
      EXPECT_EQ(got, c.Want);
    }
  }
}

TEST(PrnCellsUnits, NamePatterns) {
  struct Case {
    const char* Pattern;
    const char* Name;
    bool Match;
  } cases[] = {
      {"CellsR1C1", "CellsR1C1", true}, {"CellsR1C1", "cellsR1C1", false}, {"Cells*", "CellsR2C3", true},
      {"Cells*", "Title", false},       {"*C1", "CellsR9C1", true},         {"*C1", "CellsR1C2", false},
      {"*R1*", "BlockR1", true},        {"*R1*", "CellsR2C1", false},      {"Cells*C1", "CellsR4C1", true},
      {"Cells*C1", "CellsR4C2", false}, {"*", "Anything", true},           {"Ti*le", "Title", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchCellName(c.Pattern, c.Name), c.Match) << c.Pattern << " " << c.Name;
}

TEST(PrnCellsUnits, FitTextLoopAlwaysEnds) {
  // Text that never fits: the height shrinks until rounding keeps it, for
  // positive and negative heights and for the device default 0.
  for (int start : {100, -100, 7, -7, 1, 0}) {
    int calls = 0;
    const int h = FitFontHeight(start, [&](int) { return ++calls > 1000; });
    EXPECT_LT(calls, 100) << start;
    EXPECT_LE(std::abs(h), 5) << start;
  }
  // Text that fits once the height is 50 or less.
  int tried = 0;
  EXPECT_EQ(FitFontHeight(100, [&](int H) { return ++tried, H <= 50; }), 48);
  EXPECT_EQ(tried, 8);  // 100 90 81 73 66 59 53 48
}

TEST_F(PrnCellsTest, AddCellBoundsAndErrors) {
  TCell* temp = Cells.AddCell("Temp", 2, 3, 17, 25.5f);
  EXPECT_EQ(temp->Name(), "Temp");
  EXPECT_FLOAT_EQ(temp->Right(), 19);
  EXPECT_FLOAT_EQ(temp->Bottom(), 28.5f);
  EXPECT_EQ(Selected(), std::vector<std::string>{"Temp"});
  struct Case {
    void (TCell::*Set)(float);
    float Value;
    const char* Message;
  } cases[] = {
      {&TCell::SetLeft, 20, "Invalid property error - Temp.Left"},
      {&TCell::SetRight, 1, "Invalid property error - Temp.Right"},
      {&TCell::SetTop, 29, "Invalid property error - Temp.Top"},
      {&TCell::SetBottom, 2, "Invalid property error - Temp.Bottom"},
      {&TCell::SetWidth, -1, "Invalid property error - Temp.Width"},
      {&TCell::SetHeight, -1, "Invalid property error - Temp.Height"},
  };
  for (const Case& c : cases) {
    try {
      (temp->*c.Set)(c.Value);
      ADD_FAILURE() << c.Message;
    } catch (const ECellError& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
  }
  temp->RangeChecks = false;
  temp->SetLeft(20);
  EXPECT_FLOAT_EQ(temp->Left(), 20);
  try {
    Cells.AddCell("TEMP", 0, 0, 1, 1);
    ADD_FAILURE();
  } catch (const ECellError& e) {
    EXPECT_EQ(e.Message(), "Cell \"TEMP\" already exists");
  }
  // A cell that cannot be made is not left behind.
  EXPECT_THROW(Cells.AddCell("Neg", 0, 0, -1, 1), ECellError);
  EXPECT_EQ(Cells.FindCell("Neg"), nullptr);
  EXPECT_EQ(Cells.CellCount(), 1);
  TCell* other = Cells.AddCell("Other", 0, 0, 1, 1);
  Cells.DeleteCell(other);
  EXPECT_EQ(Cells.CellCount(), 1);
  TCell stranger(nullptr);
  EXPECT_EQ(stranger.Name(), "Invalid cell");
  try {
    Cells.DeleteCell(&stranger);
    ADD_FAILURE();
  } catch (const ECellError& e) {
    EXPECT_EQ(e.Message(), "Invalid cell");
  }
}

TEST_F(PrnCellsTest, PixelBoundsAreWholeNumbers) {
  Cells.SetMeasurement(mtPixels);
  TCell* c = Cells.AddCell("P", 10.7f, 20.2f, 30.9f, 5.5f);
  EXPECT_EQ(c->Left(), 10);
  EXPECT_EQ(c->Top(), 20);
  EXPECT_EQ(c->Right(), 40);  // 10 + 30.9, cut
  EXPECT_EQ(c->Bottom(), 25);
}

TEST_F(PrnCellsTest, SplitRowsCutsAtTheBottom) {
  Cells.AddCell("Box", 0, 0, 5, 10);
  Cells.SplitCellRows("Row", {3, 3, 3, 3});
  EXPECT_EQ(Names(), (std::vector<std::string>{"RowR1", "RowR2", "RowR3", "RowR4"}));
  EXPECT_EQ(Selected(), Names());
  const float tops[] = {0, 3, 6, 9}, bottoms[] = {3, 6, 9, 10};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(Cells.Cells(i)->Top(), tops[i]);
    EXPECT_FLOAT_EQ(Cells.Cells(i)->Bottom(), bottoms[i]);
    EXPECT_FLOAT_EQ(Cells.Cells(i)->Width(), 5);
  }
  Cells.Clear();
  Cells.AddCell("Box", 0, 0, 5, 10);
  Cells.SplitCellRows("Row", {12});
  EXPECT_EQ(Names(), std::vector<std::string>{"Row"});
  EXPECT_FLOAT_EQ(Cells.Cells(0)->Bottom(), 10);
  // Rows that fill the cell before the list ends stop there.
  Cells.Clear();
  Cells.AddCell("Box", 0, 0, 5, 10);
  Cells.SplitCellRows("Row", {5, 5, 5});
  EXPECT_EQ(Names(), (std::vector<std::string>{"RowR1", "RowR2"}));
  // Nothing selected.
  Cells.Select("None");
  try {
    Cells.SplitCellRows("X", {1});
    ADD_FAILURE();
  } catch (const ECellError& e) {
    EXPECT_EQ(e.Message(), "Invalid cell");
  }
}

TEST_F(PrnCellsTest, SplitGridNamesColumnsAndPercentages) {
  Cells.AddCell("Block", 1, 1, 10, 4);
  Cells.SplitCell("Cells", {-2, 2}, {4, 4, 4});
  EXPECT_EQ(Names(), (std::vector<std::string>{"CellsR1C1", "CellsR1C2", "CellsR1C3", "CellsR2C1", "CellsR2C2",
                                               "CellsR2C3"}));
  // The third column is cut to the block's right.
  EXPECT_FLOAT_EQ(Cells.FindCell("CellsR1C3")->Right(), 11);
  EXPECT_FLOAT_EQ(Cells.FindCell("CellsR2C3")->Left(), 9);
  Cells.Select("CellsR2C2");
  Cells.SplitCellColumns("Sub", {-2, 1});
  EXPECT_NE(Cells.FindCell("SubC2"), nullptr);
  EXPECT_EQ(Cells.FindCell("CellsR2C2"), nullptr);

  Cells.Clear();
  Cells.SetMeasurement(mtPercentage);
  Cells.AddCell("Half", 0, 0, 0.5f, 0.4f);
  Cells.SplitCellColumns("P", {0.25f, 0.75f});
  EXPECT_FLOAT_EQ(Cells.FindCell("PC1")->Width(), 0.125f);
  EXPECT_FLOAT_EQ(Cells.FindCell("PC2")->Right(), 0.5f);
  EXPECT_FLOAT_EQ(Cells.FindCell("PC2")->Height(), 0.4f);
}

TEST_F(PrnCellsTest, SelectTextsAttributesAndFrames) {
  Cells.AddCell("Block", 0, 0, 9, 9);
  Cells.SplitCell("Cells", {-3, 3}, {-3, 3});
  EXPECT_EQ(Cells.Select("Cells*C1;CellsR1C*")->Name(), "CellsR1C1");
  EXPECT_EQ(Selected(), (std::vector<std::string>{"CellsR1C1", "CellsR2C1", "CellsR3C1", "CellsR1C2", "CellsR1C3"}));
  EXPECT_EQ(Cells.GetSelected(5), nullptr);
  EXPECT_EQ(Cells.GetSelected(-1), nullptr);
  Cells.GetSelected(4)->SetText("old");
  Cells.SetCellTexts({"a", "b"});
  const char* texts[] = {"a", "b", "", "", ""};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Cells.GetSelected(i)->Text(), texts[i]);

  Cells.SetFont("A font name that is much longer than thirty-one", 0xFF, -0.4f, 1);
  EXPECT_EQ(Cells.GetSelected(0)->Attr.Font.Name.size(), 31u);
  EXPECT_EQ(Cells.FindCell("CellsR2C2")->Attr.Font.Name, "Arial");
  Cells.SetAlignment(0);
  EXPECT_EQ(Cells.GetSelected(3)->Attr.HorzAlign, 0);
  EXPECT_EQ(Cells.FindCell("CellsR3C3")->Attr.HorzAlign, 2);

  // The outline of the whole grid frames only the outer sides.
  Cells.Select("Cells*");
  Cells.SetFrame(kFrameOutline, 0xFF, kCellPenSolid, 3);
  TCell* corner = Cells.FindCell("CellsR1C1");
  TCell* middle = Cells.FindCell("CellsR2C2");
  EXPECT_EQ(corner->Attr.Frame[csLeft].Width, 3);
  EXPECT_EQ(corner->Attr.Frame[csTop].Style, kCellPenSolid);
  EXPECT_EQ(corner->Attr.Frame[csRight].Style, kCellPenClear);
  for (int s = csLeft; s <= csBottom; ++s) EXPECT_EQ(middle->Attr.Frame[s].Style, kCellPenClear);
  Cells.Select("CellsR2C2");
  Cells.SetFrame(kFrameLeft | kFrameBottom, 0, 2, 1);
  EXPECT_EQ(middle->Attr.Frame[csLeft].Style, 2);
  EXPECT_EQ(middle->Attr.Frame[csBottom].Style, 2);
  EXPECT_EQ(middle->Attr.Frame[csTop].Style, kCellPenClear);
  // Without a selection the defaults for new cells change.
  Cells.Select("");
  Cells.SetFrame(kFrameOutline, 0, kCellPenSolid, 2);
  Cells.SetFill(0xFF00, kCellBrushSolid);
  EXPECT_EQ(Cells.Defaults().Frame[csBottom].Width, 2);
  EXPECT_EQ(Cells.AddCell("New", 0, 0, 1, 1)->Attr.Fill.Color, 0xFF00);
  EXPECT_EQ(middle->Attr.Fill.Style, kCellBrushClear);
  int added = 0;
  Cells.OnAddCell = [&](TObject*, TCell* C) { added += C->Name() == "Later"; };
  Cells.AddCell("Later", 0, 0, 1, 1);
  EXPECT_EQ(added, 1);
  Cells.Clear();
  EXPECT_EQ(Cells.CellCount(), 0);
  EXPECT_EQ(Cells.Defaults().Fill.Style, kCellBrushClear);
}

TEST_F(PrnCellsTest, MeasurementChangeConvertsCellsNotDefaults) {
  Cells.SetFont("Arial", 0, -0.5f, 0);
  TCell* c = Cells.AddCell("Temp", 2.54f, 5.08f, 17, 25.4f);
  Cells.Select("");
  Cells.SetMeasurement(mtInches);
  EXPECT_NEAR(c->Left(), 1, 1e-5);
  EXPECT_NEAR(c->Top(), 2, 1e-5);
  EXPECT_NEAR(c->Width(), 17 / 2.54, 1e-5);
  EXPECT_NEAR(c->Height(), 10, 1e-5);
  EXPECT_NEAR(c->Attr.Font.Size, -0.5 / 2.54, 1e-6);
  EXPECT_FLOAT_EQ(Cells.Defaults().Font.Size, -0.5f);
  // In fractions a font size is a part of its cell's height.
  Cells.SetMeasurement(mtPercentage);
  EXPECT_NEAR(c->Top(), 2 * 254 / 2970.0, 1e-5);
  EXPECT_NEAR(c->Attr.Font.Size, -0.5 / 25.4, 1e-5);
  Cells.SetMeasurement(mtCentimeters);
  EXPECT_NEAR(c->Attr.Font.Size, -0.5, 1e-4);
  EXPECT_NEAR(c->Bottom(), 30.48, 1e-3);
  // Centred on the 21.00 x 29.70 cm page.
  c->CenterOnPage(2);
  EXPECT_NEAR(c->Left(), (21.0 - 17) / 2, 1e-4);
  EXPECT_NEAR(c->Width(), 17, 1e-4);
  EXPECT_NEAR(c->Top(), (29.7 - 25.4) / 2, 1e-4);
  EXPECT_NEAR(Cells.PageWidth(), 21.0, 1e-4);
}
