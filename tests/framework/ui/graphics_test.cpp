#include <string>
#include <vector>

#include "framework/ui/comctrls.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/graphics.h"
#include "framework/ui/stdctrls.h"
#include "tests/framework/ui/ui_fixture.h"
#include "tests/support/testsupport.h"
#include "tests/support/win32/dib8.h"

using namespace UiDriver;

TEST(Colors, SystemColoursCarryTheTopBitAndResolve) {
  EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0x80000000u | COLOR_BTNFACE);
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
  EXPECT_EQ(ColorToString(clWindowText), "clWindowText");
  EXPECT_EQ(StringToColor("clLime"), clLime);
  EXPECT_EQ(StringToColor("$00FF0000"), clBlue);
  EXPECT_THROW(StringToColor("clNoSuchColour"), EConvertError);
  // Wine's ImageList_AddMasked ignores a colour that still carries the
  // palette-relative flag.
  EXPECT_EQ(MaskColorRGB(static_cast<TColor>(0x02C0C0C0)), 0x00C0C0C0u);
}

TEST(Canvas, DrawingOnABitmapReadsBack) {
  TBitmap bmp;
  bmp.SetSize(20, 10);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clBlue);
  c->FillRect(Rect(0, 0, 20, 10));
  c->Pen()->SetColor(clRed);
  c->MoveTo(0, 5);
  c->LineTo(20, 5);
  c->Pen()->SetColor(clLime);
  c->Pen()->SetMode(pmXor);
  c->MoveTo(0, 7);
  c->LineTo(20, 7);
  EXPECT_EQ(c->Pixels(4, 7), clAqua);
  c->Pen()->SetMode(pmCopy);
  c->SetPixels(3, 2, clLime);
  EXPECT_EQ(c->Pixels(0, 0), clBlue);
  EXPECT_EQ(c->Pixels(10, 5), clRed);
  EXPECT_EQ(c->Pixels(3, 2), clLime);
  c->Brush()->SetColor(clWhite);
  c->Font()->SetColor(clBlack);
  EXPECT_GT(c->TextWidth("Wy"), 0);
  EXPECT_GT(c->TextHeight("Wy"), 0);
  // Growing keeps the drawn part.
  bmp.SetSize(30, 12);
  EXPECT_EQ(bmp.Canvas()->Pixels(3, 2), clLime);
  EXPECT_EQ(bmp.Width(), 30);
}

TEST(Canvas, BrushCopyReplacesOneColourByTheBrush) {
  TBitmap src;
  src.SetSize(4, 4);
  src.Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(192, 192, 192)));
  src.Canvas()->FillRect(Rect(0, 0, 4, 4));
  src.Canvas()->SetPixels(0, 0, static_cast<TColor>(RGB(128, 128, 0)));
  TBitmap dst;
  dst.SetSize(4, 4);
  dst.Canvas()->Brush()->SetColor(clLime);
  dst.Canvas()->BrushCopy(Rect(0, 0, 4, 4), &src, Rect(0, 0, 4, 4), static_cast<TColor>(RGB(192, 192, 192)));
  EXPECT_EQ(dst.Canvas()->Pixels(2, 2), clLime);
  EXPECT_EQ(dst.Canvas()->Pixels(0, 0), static_cast<TColor>(RGB(128, 128, 0)));
}

TEST(Canvas, TransparentDrawKeepsTheBackgroundUnderTheKeyColour) {
  TBitmap glyph;
  glyph.SetSize(3, 3);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 0, 3, 3));
  glyph.Canvas()->SetPixels(1, 1, clBlack);
  glyph.SetTransparent(true);
  TBitmap dst;
  dst.SetSize(3, 3);
  dst.Canvas()->Brush()->SetColor(clYellow);
  dst.Canvas()->FillRect(Rect(0, 0, 3, 3));
  dst.Canvas()->Draw(0, 0, &glyph);
  EXPECT_EQ(dst.Canvas()->Pixels(0, 0), clYellow);
  EXPECT_EQ(dst.Canvas()->Pixels(1, 1), clBlack);
}

TEST(Bitmap, SavedFileLoadsBackWithTheSamePixels) {
  std::string path = morvtest::TempDir() + "\\pic.bmp";
  TBitmap a;
  a.SetSize(7, 5);
  a.Canvas()->Brush()->SetColor(clTeal);
  a.Canvas()->FillRect(Rect(0, 0, 7, 5));
  a.Canvas()->SetPixels(6, 4, clMaroon);
  a.SaveToFile(path);
  auto bytes = morvtest::ReadFile(path);
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(bytes.size(), 54u + 5 * 24u);  // rows of 7 * 3 bytes padded to 24
  TBitmap b;
  b.LoadFromFile(path);
  EXPECT_EQ(b.Width(), 7);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clTeal);
  EXPECT_EQ(b.Canvas()->Pixels(6, 4), clMaroon);
  EXPECT_THROW(b.LoadFromFile(path + ".missing"), EInvalidGraphic);
  EXPECT_THROW(b.LoadFromResourceName(GetModuleHandleW(nullptr), "NO_SUCH_BITMAP"), EResNotFound);
}

TEST(Bitmap, LoadsFromAModulesResources) {
  // comctl32 carries the standard toolbar pictures as bitmap resource 120.
  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_TRUE(comctl);
  TBitmap bmp;
  bmp.LoadFromResourceID(comctl, 120);
  EXPECT_GT(bmp.Width(), 0);
  EXPECT_EQ(bmp.Height(), 16);
  TImageList list(nullptr);
  EXPECT_EQ(list.AddMasked(&bmp, clFuchsia), 0);
  EXPECT_EQ(list.Count(), bmp.Width() / 16);
  TIcon icon;
  ASSERT_TRUE(list.GetIcon(1, &icon));
  EXPECT_EQ(icon.Width(), 16);
  int before = list.Count();
  EXPECT_EQ(list.AddIcon(&icon), before);
  EXPECT_EQ(list.Count(), before + 1);
}

TEST(Font, SizeAndHeightFollowEachOther) {
  TFont f;
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -MulDiv(12, f.PixelsPerInch(), 72));
  EXPECT_EQ(f.Size(), 12);
  f.SetStyle(fsBold | fsItalic);
  f.SetName("Tahoma");
  EXPECT_EQ(changes, 3);
  LOGFONTW lf{};
  ASSERT_TRUE(GetObjectW(f.Handle(), sizeof lf, &lf));
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.Name(), "Tahoma");
  EXPECT_EQ(g.Style(), fsBold | fsItalic);
}

TEST(ImageList, AddMaskedCountsAndNotifiesLinks) {
  TImageList list(nullptr);
  TChangeLink link;
  int changes = 0;
  link.OnChange = [&](TObject*) { ++changes; };
  list.RegisterChanges(&link);
  TBitmap bmp;
  bmp.SetSize(16, 16);
  bmp.Canvas()->Brush()->SetColor(clFuchsia);
  bmp.Canvas()->FillRect(Rect(0, 0, 16, 16));
  bmp.Canvas()->SetPixels(8, 8, clBlack);
  EXPECT_EQ(list.AddMasked(&bmp, static_cast<TColor>(0x02000000 | clFuchsia)), 0);
  EXPECT_EQ(list.AddMasked(&bmp, clFuchsia), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 2);
  // The transparent colour was honoured: a masked pixel does not paint.
  TBitmap out;
  out.SetSize(16, 16);
  out.Canvas()->Brush()->SetColor(clWhite);
  out.Canvas()->FillRect(Rect(0, 0, 16, 16));
  list.SetDrawingStyle(dsTransparent);
  list.Draw(out.Canvas(), 0, 0, 0);
  EXPECT_EQ(out.Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(out.Canvas()->Pixels(8, 8), clBlack);
  list.UnRegisterChanges(&link);
  list.Delete(0);
  EXPECT_EQ(changes, 2);
}

TEST(ImageList, ASharedListIsNotDestroyed) {
  HIMAGELIST shared = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
  {
    TImageList list(nullptr);
    list.SetShareImages(true);
    list.SetHandle(shared);
    EXPECT_EQ(list.Handle(), shared);
  }
  int w = 0, h = 0;
  EXPECT_TRUE(ImageList_GetIconSize(shared, &w, &h));
  EXPECT_TRUE(ImageList_Destroy(shared));
  TChangeLink link;
  {
    TImageList list(nullptr);
    list.RegisterChanges(&link);
    EXPECT_EQ(link.Sender, &list);
  }
  EXPECT_EQ(link.Sender, nullptr);
}

TEST_F(UiTest, CustomControlPaintsThroughItsCanvas) {
  class TSwatch : public TCustomControl {
   public:
    using TCustomControl::TCustomControl;

   protected:
    void Paint() override {
      Canvas()->Brush()->SetColor(clPurple);
      Canvas()->FillRect(ClientRect());
    }
  };
  TForm* f = MakeForm();
  auto* s = new TSwatch(f);
  s->SetBounds(10, 10, 30, 30);
  s->SetParent(f);
  f->Show();
  UpdateWindow(f->Handle());
  TControlCanvasDC canvas(s->Handle());
  EXPECT_EQ(canvas.Pixels(15, 15), clPurple);
}

TEST_F(UiTest, ScreenshotOfATestFormIsSaved) {
  TForm* f = MakeForm();
  f->SetCaption("Window layer");
  auto* status = new TStatusBar(f);
  status->SetParent(f);
  status->Panels()->Add()->SetText("Ready");
  status->Panels()->Add()->SetText("0 files");
  auto* edit = new TEdit(f);
  edit->SetBounds(10, 10, 150, 21);
  edit->SetText("Edit");
  edit->SetParent(f);
  auto* check = new TCheckBox(f);
  check->SetBounds(10, 40, 150, 17);
  check->SetCaption("Check box");
  check->SetChecked(true);
  check->SetParent(f);
  auto* button = new TButton(f);
  button->SetBounds(10, 70, 75, 25);
  button->SetCaption("Button");
  button->SetParent(f);
  auto* progress = new TProgressBar(f);
  progress->SetBounds(10, 105, 200, 16);
  progress->SetPosition(60);
  progress->SetParent(f);
  auto* group = new TRadioGroup(f);
  group->SetBounds(220, 10, 180, 100);
  group->SetCaption("Radio group");
  group->Items()->SetText("First\nSecond");
  group->SetItemIndex(0);
  group->SetParent(f);
  f->Show();
  UpdateWindow(f->Handle());
  Application->ProcessMessages();
  RECT r;
  GetWindowRect(f->Handle(), &r);
  TBitmap shot;
  shot.SetSize(r.right - r.left, r.bottom - r.top);
  HDC src = GetWindowDC(f->Handle());
  BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), src, 0, 0, SRCCOPY);
  ReleaseDC(f->Handle(), src);
  shot.SaveToFile(morvtest::LocalPath(MORV_BINARY_DIR) + "\\framework_ui_form.bmp");
}

namespace {
std::vector<PALETTEENTRY> Entries(HPALETTE P) {
  std::vector<PALETTEENTRY> E(256);
  E.resize(GetPaletteEntries(P, 0, 256, E.data()));
  return E;
}
}  // namespace

TEST(Bitmap, AnEightBitPictureBringsItsColourTableAsPalette) {
  TBitmap B;
  B.SetHandle(morvtest::MakeDib8(6, 4, 7, [](int X, int Y) { return (X + Y) % 7; }));
  ASSERT_FALSE(B.Empty());
  ASSERT_NE(B.Palette(), nullptr);
  std::vector<PALETTEENTRY> E = Entries(B.Palette());
  // Wine keeps an 8-bit DIB's table at 256 entries whatever it was made with.
  ASSERT_GE(E.size(), 7u);
  for (int I = 0; I < 7; ++I)
    EXPECT_EQ(RGB(E[I].peRed, E[I].peGreen, E[I].peBlue), morvtest::Dib8Colour(I)) << I;

  // Assign copies the palette: equal entries, its own handle.
  TBitmap Copy;
  Copy.Assign(&B);
  ASSERT_NE(Copy.Palette(), nullptr);
  EXPECT_NE(Copy.Palette(), B.Palette());
  std::vector<PALETTEENTRY> CE = Entries(Copy.Palette());
  ASSERT_EQ(CE.size(), E.size());
  for (size_t I = 0; I < E.size(); ++I)
    EXPECT_EQ(RGB(CE[I].peRed, CE[I].peGreen, CE[I].peBlue), RGB(E[I].peRed, E[I].peGreen, E[I].peBlue));
  EXPECT_EQ(Copy.Canvas()->Pixels(3, 2), static_cast<TColor>(morvtest::Dib8Colour(5)));

  // A palette set by hand also travels with Assign.
  TBitmap Deep;
  Deep.SetSize(3, 3);
  EXPECT_EQ(Deep.Palette(), nullptr);
  Deep.SetPalette(CopyPalette(B.Palette()));
  TBitmap DeepCopy;
  DeepCopy.Assign(&Deep);
  EXPECT_EQ(Entries(DeepCopy.Palette()).size(), E.size());

  // A new picture replaces the palette; a deep one has none.
  B.SetHandle(nullptr);
  EXPECT_EQ(B.Palette(), nullptr);
  Copy.Assign(nullptr);
  EXPECT_EQ(Copy.Palette(), nullptr);
  EXPECT_EQ(CopyPalette(nullptr), nullptr);
}
