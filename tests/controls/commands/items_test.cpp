// Menu options, the title strip, tooltips, items and the button items.
#include "controls/commands/mxbuttons.h"
#include "controls/commands/mxstdcmds.h"
#include "menus_fixture.h"

TEST(MenuOptions, DefaultsAndAssign) {
  T_MX_Options o;
  EXPECT_TRUE(o.IsDefault());
  o.Animation = anNone;
  EXPECT_FALSE(o.IsDefault());
  T_MX_Options f;
  f.Flags |= mfShowCheckMark;
  EXPECT_FALSE(f.IsDefault());
  T_MX_Options t;
  t.Title()->Width = 22;
  EXPECT_FALSE(t.IsDefault());
  t.Title()->Width = 50;
  t.Title()->Font()->SetName("Arial Black");  // the font is not compared
  EXPECT_TRUE(t.IsDefault());

  T_MX_Colors a, b;
  a.MenuShadow = clRed;
  a.Border = clBlue;
  a.LineShadow = clGreen;
  b.Assign(&a);
  EXPECT_EQ(b.MenuShadow, clRed);
  EXPECT_EQ(b.Border, clBlue);
  EXPECT_EQ(b.LineShadow, clGreen);

  T_MX_Options src;
  src.Animation = anUnfold;
  src.Flags = mfNoShortDividers;
  src.Margins()->Left = 5;
  src.Caption = "x";
  T_MX_Options dst;
  dst.Assign(&src);
  EXPECT_EQ(dst.Animation, anUnfold);
  EXPECT_EQ(dst.Flags, mfNoShortDividers);
  EXPECT_EQ(dst.Margins()->Left, 5);
  T_MX_BaseOptions base;
  base.Assign(&src);  // a base takes what it has
  EXPECT_EQ(base.Caption, "x");
  TFont font;
  EXPECT_THROW(dst.Assign(&font), EConvertError);
}

TEST(MenuOptions, ItemRectParts) {
  T_MX_MenuItemRect r;
  r.ItemLeft = 2, r.ItemRight = 100, r.CaptionLeft = 25, r.CaptionWidth = 40, r.Top = 10, r.Height = 20;
  r.ShiftDown();
  EXPECT_EQ(r.GetItemRect().left, 3);
  EXPECT_EQ(r.GetCaptionRect().right, 66);
  EXPECT_EQ(r.GetCaptionRect().top, 11);
  r.ShiftBack();
  EXPECT_EQ(r.GetItemRect().bottom, 30);
  r.Clear();
  EXPECT_EQ(r.GetItemRect().right, 0);
}

class TitleTest : public MenuTest {
 protected:
  // Draws the title into a bitmap of the given size; returns the strip's
  // colours at its top and bottom rows.
  std::pair<COLORREF, COLORREF> Ends(T_MX_Title& T, int W = 60, int H = 300) {
    TBitmap b;
    b.SetSize(W, H);
    HRGN clip = CreateRectRgn(0, 0, W, H);
    SelectClipRgn(b.Canvas()->Handle(), clip);
    T.Draw(b.Canvas());
    SelectClipRgn(b.Canvas()->Handle(), nullptr);
    DeleteObject(clip);
    return {ColorToRGB(b.Canvas()->Pixels(10, 2)), ColorToRGB(b.Canvas()->Pixels(10, H - 3))};
  }
};

TEST_F(TitleTest, GradientRunsFromEndToBegin) {
  T_MX_Title t;
  t.Visible = true;
  t.Width = 30;
  auto [top, bottom] = Ends(t);
  EXPECT_EQ(top, RGB(0, 0, 0));
  EXPECT_GE(GetBValue(bottom), 250);
  EXPECT_LE(GetRValue(bottom), 2);
  t.GradientDirection = gdBottomToTop;
  auto [top2, bottom2] = Ends(t);
  EXPECT_GE(GetBValue(top2), 250);
  EXPECT_LE(GetRValue(bottom2) + GetGValue(bottom2) + GetBValue(bottom2), 4);  // nearly black
  t.ColorBegin = t.ColorEnd = clRed;
  auto [top3, bottom3] = Ends(t);
  EXPECT_EQ(top3, RGB(255, 0, 0));
  EXPECT_EQ(bottom3, RGB(255, 0, 0));
  t.Visible = false;  // nothing drawn: the bitmap stays as made
  TBitmap b;
  b.SetSize(40, 40);
  b.Canvas()->Brush()->SetColor(clLime);
  b.Canvas()->FillRect(Rect(0, 0, 40, 40));
  t.Draw(b.Canvas());
  EXPECT_EQ(ColorToRGB(b.Canvas()->Pixels(10, 10)), RGB(0, 255, 0));
}

TEST(MenuTitle, TextPlacement) {
  T_MX_Title t;
  t.TextDirection = false;
  EXPECT_EQ(t.TextOrigin(22, 200, 80, 16).y, 10);  // 10 below the top
  EXPECT_EQ(t.TextOrigin(22, 200, 80, 16).x, (22 + 16) / 2 + 2);
  t.TextDirection = true;
  EXPECT_EQ(t.TextOrigin(22, 200, 80, 16).y, 190);
  t.Alignment = taCenter;
  EXPECT_EQ(t.TextOrigin(22, 200, 80, 16).y, (200 + 80) / 2 + 10);
  t.Alignment = taRightJustify;
  EXPECT_EQ(t.TextOrigin(22, 200, 80, 16).y, 110);
  // The band colours: the start colour first, the target's last step.
  EXPECT_EQ(T_MX_Title::BandColor(RGB(0, 0, 0), RGB(0, 0, 255), 256, 0), 0);
  EXPECT_EQ(GetBValue(T_MX_Title::BandColor(RGB(0, 0, 0), RGB(0, 0, 255), 256, 255)), 255);
}

TEST_F(MenuTest, ToolTipActivatesOncePerChange) {
  T_MX_ToolTipWindow tips(FForm.get());
  ASSERT_NE(tips.Handle(), nullptr);
  tips.AddTool(Rect(0, 0, 10, 10), "a");
  tips.AddTool(Rect(0, 10, 10, 20), "b");
  EXPECT_EQ(tips.ToolCount(), 2);
  EXPECT_EQ(SendMessageA(tips.Handle(), TTM_GETTOOLCOUNT, 0, 0), 2);
  tips.Activate();
  tips.Activate();
  EXPECT_EQ(tips.ActivateCount(), 1);
  tips.Deactivate();
  EXPECT_EQ(tips.ActivateCount(), 2);
}

TEST_F(MenuTest, StandardCommandsGiveShortcutsHintsAndPictures) {
  TMenuItemX copy(nullptr);
  copy.SetCaption("&Copy");
  EXPECT_EQ(copy.ShortCutText(), "Ctrl+C;Ctrl+Ins");
  EXPECT_EQ(copy.Hint(), "Copies the selection to the clipboard");
  EXPECT_TRUE(copy.HasBitmap());
  // The pictures come from the program's resources.
  EXPECT_NE(CacheBitmap(MenuItemCache().Find("SYSTEMCLOSE")), nullptr);
  EXPECT_NE(CheckMarkBitmap(), nullptr);
  EXPECT_NE(CacheBitmap(MenuItemCache().BitmapForCaption("&Open Archive...")), nullptr);
  // Two shortcuts: both kept, the first shown.
  copy.SetShortCutText("ctrl+k ; F7");
  EXPECT_EQ(copy.ShortCutText(), "Ctrl+K;F7");
  EXPECT_EQ(FirstShortCutText(copy.ShortCutText()), "Ctrl+K");
  // Empty hides the standard shortcut; an own hint replaces the standard.
  copy.SetShortCutText("");
  EXPECT_EQ(copy.ShortCutText(), "");
  copy.SetHint("");
  EXPECT_EQ(copy.Hint(), "");
  copy.SetHint("Mine");
  EXPECT_EQ(copy.Hint(), "Mine");
  try {
    copy.SetShortCutText("F7;Ctrl+Nothing");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid shortcut: 'Ctrl+Nothing'");
  }
  TMenuItemX plain(nullptr);
  plain.SetCaption("Frobnicate");
  EXPECT_FALSE(plain.HasBitmap());
  plain.SetDefaultIndex(0);
  EXPECT_TRUE(plain.HasBitmap());  // the first counted standard picture
}

TEST_F(MenuTest, ItemLookupsAndControlKinds) {
  TMenuItemX item(nullptr);
  item.SetName("Tools");
  EXPECT_THROW(item.GetButton(), EMenuError);
  try {
    item.GetButtonArray();
  } catch (const EMenuError& e) {
    EXPECT_STREQ(e.what(), "Tools: This is not a Button Array");
  }
  try {
    item.ItemAt(0);
  } catch (const EMenuError& e) {
    EXPECT_STREQ(e.what(), "Menu not found");
  }
  item.SetControl(ctlButton);
  EXPECT_NO_THROW(item.GetButton());
  EXPECT_EQ(item.GetControlHeight(19), 23);
  EXPECT_FALSE(dynamic_cast<T_MX_BaseOptions*>(item.Options()));
  item.Add(new TMenuItemX(nullptr));
  EXPECT_TRUE(dynamic_cast<T_MX_BaseOptions*>(item.Options()));  // an item with children
}

TEST(MenuItemX, NewMenuItemXKeepsEveryArgument) {
  int Clicks = 0;
  std::unique_ptr<TMenuItemX> Item(
      NewMenuItemX("&Find", ShortCut('F', ssCtrl), true, false, [&](TObject*) { ++Clicks; }, 207, "FindItem"));
  EXPECT_EQ(Item->Caption(), "&Find");
  EXPECT_EQ(Item->ShortCutText(), "Ctrl+F");
  EXPECT_TRUE(Item->Checked());
  EXPECT_FALSE(Item->Enabled());
  EXPECT_EQ(Item->HelpContext, 207);
  EXPECT_EQ(Item->Name(), "FindItem");
  Item->OnClick(Item.get());
  EXPECT_EQ(Clicks, 1);
}

TEST_F(MenuTest, ButtonsOfAGroupReleaseEachOther) {
  TMenuItemX parent(nullptr);
  auto make = [&](T_MX_ControlType Kind) {
    auto* it = new TMenuItemX(nullptr);
    it->SetGroupIndex(1);
    it->SetControl(Kind);
    parent.Add(it);
    return it;
  };
  TMenuItemX* a = make(ctlButton);
  TMenuItemX* b = make(ctlButton);
  TMenuItemX* arr = make(ctlButtonArray);
  TMenuItemX* plain = make(ctlNone);
  plain->SetChecked(true);
  a->GetButton()->SetDown(true);
  arr->GetButtonArray()->SetItemIndex(2);
  EXPECT_FALSE(a->GetButton()->Down());
  EXPECT_FALSE(plain->Checked());
  b->GetButton()->SetDown(true);
  EXPECT_EQ(arr->GetButtonArray()->ItemIndex(), -1);
  EXPECT_EQ(arr->GetButtonArray()->HotIndex, 2);
  EXPECT_TRUE(b->GetButton()->Down());
  b->GetButton()->AllowAllUp = false;
  b->GetButton()->SetDown(false);
  EXPECT_TRUE(b->GetButton()->Down());
  b->GetButton()->AllowAllUp = true;
  b->GetButton()->SetDown(false);
  EXPECT_FALSE(b->GetButton()->Down());
}

TEST_F(MenuTest, ButtonArrayCellsInUse) {
  TMenuItemX item(nullptr);
  item.SetControl(ctlButtonArray);
  T_MX_ButtonArrayOptions* a = item.GetButtonArray();
  a->Bitmap()->SetSize(80, 40);
  a->Rows = 2, a->Columns = 4, a->Count = 6;
  EXPECT_EQ(item.GetControlHeight(19), 40);
  const TRect row = Rect(0, 0, 100, 42);
  // Cells of 20 x 20 from (2, 1).
  EXPECT_EQ(a->CellAt(row, 3, 2), 0);
  EXPECT_EQ(a->CellAt(row, 2 + 3 * 20 + 1, 2), 3);
  EXPECT_EQ(a->CellAt(row, 2 + 20 + 1, 22), 5);
  EXPECT_EQ(a->CellAt(row, 2 + 40 + 1, 22), -1);  // cell 6 is not in use
  EXPECT_EQ(a->CellAt(row, 1, 2), -1);
  a->Count = 0;
  EXPECT_EQ(a->CellAt(row, 2 + 60 + 1, 22), 7);
}

TEST_F(MenuTest, MergedMainMenusShowTheLaterGroup) {
  auto* main = new TCustomMainMenuX(FForm.get());
  auto* other = new TMainMenu(FForm.get());
  auto add = [](TMenu* M, const char* Caption, uint8_t Group) {
    auto* it = new TMenuItemX(M);
    it->SetCaption(Caption);
    it->SetGroupIndex(Group);
    M->Items()->Add(it);
  };
  add(main, "File", 0);
  add(main, "Edit", 1);
  add(main, "Help", 9);
  add(other, "Sheet", 1);
  add(other, "Cells", 1);
  EXPECT_EQ(main->GetBarItemCount(), 3);
  main->Merge(other);
  ASSERT_EQ(main->GetBarItemCount(), 4);
  EXPECT_EQ(main->GetBarItem(0)->Caption(), "File");
  EXPECT_EQ(main->GetBarItem(1)->Caption(), "Sheet");
  EXPECT_EQ(main->GetBarItem(2)->Caption(), "Cells");
  EXPECT_EQ(main->GetBarItem(3)->Caption(), "Help");
  EXPECT_EQ(main->GetBarItem(-1), nullptr);
  try {
    main->GetBarItem(4);
    FAIL();
  } catch (const EMenuError& e) {
    EXPECT_STREQ(e.what(), "Menu index is out of bounds");
  }
  main->Unmerge(other);
  EXPECT_EQ(main->GetBarItem(1)->Caption(), "Edit");
}

TEST_F(MenuTest, MainMenuImagesWidenTheBarItemsUntilTheListGoes) {
  auto* main = new TCustomMainMenuX(FForm.get());
  auto* file = new TMenuItemX(main);
  file->SetCaption("Fi&le");
  main->Items()->Add(file);
  AddItem(file, "Quit");
  FForm->SetMenu(main);
  auto* bar = new TCustomMenuBarX(FForm.get());
  bar->SetParent(FForm.get());
  bar->Options()->Animation = anNone;
  bar->Loaded();
  const int plain = bar->ItemRect(0).right;
  auto* images = new TImageList(FForm.get());
  images->SetWidth(24);
  images->SetHeight(24);
  main->SetImages(images);
  file->SetImageIndex(0);
  bar->MenuChangedNotice(1);
  Pump();
  EXPECT_EQ(bar->ItemRect(0).right, plain + 24 + 2);
  // The drop menu gets the main menu's images.
  TRect cell = bar->ItemRect(0);
  PostMouse(bar, WM_LBUTTONDOWN, cell.left + 4, cell.top + 4, MK_LBUTTON);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(bar->DropMenu()->Images(), images);
  CloseAllMenus(true);
  delete images;
  EXPECT_EQ(main->Images(), nullptr);
  EXPECT_EQ(bar->DropMenu()->Images(), nullptr);
  Pump();
  EXPECT_EQ(bar->ItemRect(0).right, plain);
}
