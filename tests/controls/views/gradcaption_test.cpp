#include "controls/views/gradcaption.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ui/graphics.h"
#include "views_fixture.h"

namespace {

class GradientCaptionTest : public ViewsTest {
 protected:
  TGradientCaption* Make(const std::vector<std::pair<std::string, bool>>& Parts, const std::string& Caption) {
    TForm* f = MakeForm(400, 200);
    auto* g = new TGradientCaption(f);
    for (const auto& [text, glue] : Parts) {
      TCaptionPart* p = g->Captions()->Add();
      p->SetCaption(text);
      p->SetGlueNext(glue);
    }
    g->SetFormCaption(Caption);
    return g;
  }
  // A canvas on the screen's DC with the caption's font, for measuring.
  struct ScreenCanvas {
    ScreenCanvas() : DC(GetDC(nullptr)) { Canvas.SetHandle(DC); }
    ~ScreenCanvas() {
      Canvas.SetHandle(nullptr);
      ReleaseDC(nullptr, DC);
    }
    HDC DC;
    TCanvas Canvas;
  };
  int Width(TGradientCaption* G, const std::string& Text) {
    ScreenCanvas s;
    s.Canvas.SetFont(G->Font());
    return s.Canvas.TextWidth(Text);
  }
};

TEST_F(GradientCaptionTest, ShortBarsDropPartsInTheHideDirection) {
  TGradientCaption* g = Make({{"One ", false}, {"Two ", true}, {"Three ", false}}, "Form");
  EXPECT_EQ(FForm->Caption(), "Form");
  ScreenCanvas s;
  const int all = Width(g, "One Two Three Form");
  EXPECT_EQ(g->LayoutTexts(&s.Canvas, all + 40), (std::vector<std::string>{"One ", "Two ", "Three ", "Form"}));
  // Left to right: the first part goes, then the glued pair together.
  EXPECT_EQ(g->LayoutTexts(&s.Canvas, Width(g, "Two Three Form") + 2),
            (std::vector<std::string>{"Two ", "Three ", "Form"}));
  // Two is glued to Three: both go at once.
  EXPECT_EQ(g->LayoutTexts(&s.Canvas, Width(g, "Three Form") + 2), (std::vector<std::string>{"Form"}));
  // Nothing left to drop: the form caption is shortened.
  const std::vector<std::string> cut = g->LayoutTexts(&s.Canvas, Width(g, "For"));
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].substr(cut[0].size() - 3), "...");

  // Right to left: parts from the first on while they fit; a cut part ends it.
  g->SetHideDirection(hdRightToLeft);
  const std::vector<std::string> rtl = g->LayoutTexts(&s.Canvas, Width(g, "One Two Th"));
  ASSERT_EQ(rtl.size(), 3u);
  EXPECT_EQ(rtl[0], "One ");
  EXPECT_EQ(rtl[2].substr(rtl[2].size() - 3), "...");
}

TEST_F(GradientCaptionTest, PaintsTheGradientFromItsStartColour) {
  TGradientCaption* g = Make({{"Quillon 2000", false}, {" - a.zip", false}}, "");
  g->SetStartColor(clRed);
  FForm->Show();
  SetForegroundWindow(FForm->Handle());
  SetActiveWindow(FForm->Handle());
  Application->ProcessMessages();
  SendMessageW(FForm->Handle(), WM_NCACTIVATE, TRUE, 0);
  g->Update();
  Application->ProcessMessages();
  const TRect r = g->CaptionRect();
  ASSERT_GT(r.right - r.left, 50);
  HDC dc = GetWindowDC(FForm->Handle());
  // Below the icon's column and above the text: the first band is the
  // start colour.
  const COLORREF left = GetPixel(dc, r.left + 1, r.top + 1);
  ReleaseDC(FForm->Handle(), dc);
  EXPECT_EQ(left, RGB(255, 0, 0));
  // A form without a border is left alone.
  FForm->SetBorderStyle(bsNone);
  g->Update();
  Application->ProcessMessages();
}

}  // namespace
