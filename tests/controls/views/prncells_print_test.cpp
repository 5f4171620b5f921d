// The printing grid painting on a recorded metafile page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "controls/views/prncells.h"
#include "controls/views/prnrichtext.h"
#include "framework/ui/graphics.h"
#include "tests/support/win32/emfprinter.h"

#include <richedit.h>

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

namespace {

const char kRichText[] = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24 Rich \\b bold\\b0  text\\par}";

// Every format-range request the rich-edit window of a cell gets, and the
// document's device context at that moment.
struct TFormatRangeLog {
  TPrintTarget* Printer = nullptr;
  WNDPROC Old = nullptr;
  std::vector<FORMATRANGE> Ranges;
  std::vector<WPARAM> Render;
  std::vector<HDC> DocDCs;
  std::string Order;  // R a range, F the request without one that frees
};
TFormatRangeLog* gFormatRangeLog = nullptr;

LRESULT CALLBACK RecordFormatRange(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  TFormatRangeLog& log = *gFormatRangeLog;
  if (Msg == EM_FORMATRANGE) {
    log.Order += L ? 'R' : 'F';
    if (L) {
      log.Ranges.push_back(*reinterpret_cast<const FORMATRANGE*>(L));
      log.Render.push_back(W);
      log.DocDCs.push_back(static_cast<HDC>(log.Printer->DC()));
    }
  }
  return CallWindowProcA(log.Old, Wnd, Msg, W, L);
}

// A page held as a white 32-bit bitmap, so tests can look at the pixels.
class TBitmapPrinter : public TPrintTarget {
 public:
  static constexpr int kWidth = 640, kHeight = 480;
  TBitmapPrinter() {
    FDC = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    FBitmap = CreateDIBSection(FDC, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
    FOld = SelectObject(FDC, FBitmap);
  }
  ~TBitmapPrinter() override {
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  TPageMetrics Metrics() override {
    return {kWidth, kHeight, GetDeviceCaps(FDC, LOGPIXELSX), GetDeviceCaps(FDC, LOGPIXELSY)};
  }
  void BeginDoc(const std::string&) override { std::fill(FBits, FBits + kWidth * kHeight, 0xFFFFFFu); }
  void EndDoc() override { GdiFlush(); }
  void* DC() override { return FDC; }
  // Pixels other than white inside Rect.
  int Ink(const RECT& Rect) const {
    int n = 0;
    for (int y = std::max(0, static_cast<int>(Rect.top)); y < std::min(kHeight, static_cast<int>(Rect.bottom)); ++y)
      for (int x = std::max(0, static_cast<int>(Rect.left)); x < std::min(kWidth, static_cast<int>(Rect.right)); ++x)
        if ((FBits[y * kWidth + x] & 0xFFFFFFu) != 0xFFFFFFu) ++n;
    return n;
  }

 private:
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
  uint32_t* FBits = nullptr;
};

}  // namespace

TEST(PrnCellsPrint, RichTextFormatRangeIsTheCellLessMarginsInTwips) {
  morvtest::TEmfPrinter printer;
  TFormatRangeLog log;
  log.Printer = &printer;
  gFormatRangeLog = &log;
  TPrnCells cells(nullptr);
  cells.SetPrinter(&printer);
  cells.SetMeasurement(mtInches);
  auto source = std::make_unique<TRichTextSource>(kRichText);
  HWND edit = source->Handle();
  ASSERT_NE(edit, nullptr);
  log.Old = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordFormatRange)));
  cells.AddCell("Rich", 1, 2, 3, 0.5f)->SetContent(ccRichText, std::move(source));
  cells.Print("rich");

  const TPageMetrics m = printer.Metrics();
  const int px = m.PixelsPerInchX, py = m.PixelsPerInchY;
  auto twipsX = [&](double Pixels) { return static_cast<LONG>(std::lround(Pixels * 1440.0 / px)); };
  auto twipsY = [&](double Pixels) { return static_cast<LONG>(std::lround(Pixels * 1440.0 / py)); };
  // The cell spans 1..4 inches across and 2..2.5 inches down; the margins
  // are a twentieth of an inch in whole pixels.
  const double bottom = std::lround(2.5 * py);
  ASSERT_EQ(log.Ranges.size(), 1u);
  const FORMATRANGE& range = log.Ranges[0];
  EXPECT_EQ(log.Order, "RF");
  EXPECT_EQ(log.Render[0], static_cast<WPARAM>(TRUE));
  EXPECT_EQ(range.hdc, log.DocDCs[0]);
  EXPECT_EQ(range.hdcTarget, log.DocDCs[0]);
  EXPECT_EQ(range.rc.left, twipsX(px + px / 20));
  EXPECT_EQ(range.rc.top, twipsY(2 * py + py / 20));
  EXPECT_EQ(range.rc.right, twipsX(4 * px - px / 20));
  EXPECT_EQ(range.rc.bottom, twipsY(bottom - py / 20));
  EXPECT_EQ(range.rcPage.left, 0);
  EXPECT_EQ(range.rcPage.top, 0);
  EXPECT_EQ(range.rcPage.right, twipsX(m.Width));
  EXPECT_EQ(range.rcPage.bottom, twipsY(m.Height));
  EXPECT_EQ(range.chrg.cpMin, 0);
  EXPECT_EQ(range.chrg.cpMax, -1);
  // Text reaches the page, whichever way the system formats it (the rich
  // edit writes glyph indices, so the characters are not compared).
  ASSERT_EQ(printer.Docs.size(), 1u);
  EXPECT_FALSE(printer.Docs[0].Texts.empty());
}

TEST(PrnCellsPrint, RichTextInkStaysInsideItsCell) {
  TBitmapPrinter printer;
  TPrnCells cells(nullptr);
  cells.SetPrinter(&printer);
  cells.SetMeasurement(mtPixels);
  std::string longText = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs48 ";
  for (int i = 0; i < 40; ++i) longText += "overflowing words \\b bold\\b0\\par ";
  longText += "}";
  struct TCase {
    const char* Name;
    RECT Rect;
    std::string Rtf;
    bool Inked;
  };
  const std::vector<TCase> cases = {
      {"Fits", {40, 40, 440, 100}, kRichText, true},
      {"Overflows", {40, 200, 160, 240}, longText, true},
      // Narrower than its two margins: no room for any text.
      {"Narrow", {500, 200, 506, 400}, kRichText, false},
  };
  for (const TCase& c : cases)
    cells.AddCell(c.Name, c.Rect.left, c.Rect.top, c.Rect.right - c.Rect.left, c.Rect.bottom - c.Rect.top)
        ->SetContent(ccRichText, std::make_unique<TRichTextSource>(c.Rtf));
  cells.Print("ink");
  int inside = 0;
  for (const TCase& c : cases) {
    const int ink = printer.Ink(c.Rect);
    EXPECT_EQ(ink > 0, c.Inked) << c.Name << ": " << ink;
    inside += ink;
  }
  EXPECT_EQ(printer.Ink(RECT{0, 0, TBitmapPrinter::kWidth, TBitmapPrinter::kHeight}), inside);
}
