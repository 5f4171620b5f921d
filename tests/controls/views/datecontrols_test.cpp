// The shadow label, the month calendar and its pop-up, the date edit and the
// date range panel, and the folder tree combo, on a form under Xvfb.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/views/dateedit.h"
#include "controls/views/dtcalx.h"
#include "controls/views/fileexplorer.h"
#include "controls/views/shadowlabel.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"
#include "views_fixture.h"

namespace {

int CountPixels(HWND Window, const TRect& R, COLORREF Color) {
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Application->ProcessMessages();
  HDC dc = GetDC(Window);
  int n = 0;
  for (int y = R.top; y < R.bottom; ++y)
    for (int x = R.left; x < R.right; ++x)
      if (GetPixel(dc, x, y) == Color) ++n;
  ReleaseDC(Window, dc);
  return n;
}

}  // namespace

using ShadowLabelTest = ViewsTest;

TEST_F(ShadowLabelTest, SizesShadowAndEmboss) {
  TForm* form = MakeForm(300, 200);
  form->SetColor(clWhite);
  auto* label = new TShadowLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 65, 17);
  label->Font()->SetSize(14);
  label->Font()->SetColor(clBlack);
  label->SetColor(clWhite);
  label->SetShadowColor(clRed);
  label->SetShadowSize(2);
  label->SetShadowPos(spRightBottom);
  const int oneLine = label->Height();
  EXPECT_GT(oneLine, 10);  // an empty caption keeps one line's height
  label->SetCaption("Shadow");
  EXPECT_EQ(label->Height(), oneLine);
  const int width = label->Width();
  form->Show();
  Application->ProcessMessages();
  form->Repaint();
  const TRect area{label->Left(), label->Top(), label->Left() + label->Width(), label->Top() + label->Height()};
  EXPECT_GT(CountPixels(form->Handle(), area, RGB(255, 0, 0)), 10);
  EXPECT_GT(CountPixels(form->Handle(), area, RGB(0, 0, 0)), 10);
  label->SetShadowSize(0);
  form->Repaint();
  EXPECT_EQ(CountPixels(form->Handle(), area, RGB(255, 0, 0)), 0);
  EXPECT_EQ(label->Width(), width - 2);
  // Disabled with no shadow: grey text with a highlight beside it.
  label->SetEnabled(false);
  form->Repaint();
  EXPECT_EQ(CountPixels(form->Handle(), area, RGB(0, 0, 0)), 0);
  EXPECT_GT(CountPixels(form->Handle(), area, GetSysColor(COLOR_GRAYTEXT)), 5);
  // Right-aligned: a longer caption grows to the left.
  label->SetAlignment(taRightJustify);
  const int right = label->Left() + label->Width();
  label->SetCaption("A much longer shadow");
  EXPECT_EQ(label->Left() + label->Width(), right);
  EXPECT_LT(label->Left(), 10);
}

TEST_F(ShadowLabelTest, AcceleratorFocusesTheFocusControl) {
  TForm* form = MakeForm(300, 200);
  auto* start = new TEdit(form);
  start->SetParent(form);
  start->SetBounds(100, 10, 80, 22);
  auto* target = new TEdit(form);
  target->SetParent(form);
  target->SetBounds(100, 40, 80, 22);
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(100, 70, 80, 24);
  auto* label = new TShadowLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 40, 80, 17);
  label->SetFocusControl(target);
  auto* plain = new TLabel(form);
  plain->SetParent(form);
  plain->SetBounds(10, 100, 80, 17);
  plain->SetCaption("&Size");
  plain->SetFocusControl(target);
  form->Show();
  Application->ProcessMessages();
  struct Case {
    const char* Caption;
    bool Enabled, ShowAccel;
    UINT Msg;  // WM_SYSCHAR is Alt+key; WM_CHAR counts only on a button
    TWinControl* From;
    char Key;
    bool Moves;
  } cases[] = {
      {"&Name", true, true, WM_SYSCHAR, start, 'n', true},
      {"&Name", true, true, WM_SYSCHAR, start, 'N', true},
      {"&Name", true, true, WM_CHAR, button, 'n', true},
      {"&Name", true, true, WM_CHAR, start, 'n', false},  // the edit takes the letter
      {"&Name", true, true, WM_SYSCHAR, start, 'a', false},
      {"&&Name", true, true, WM_SYSCHAR, start, 'n', false},
      {"A&&B &Cd", true, true, WM_SYSCHAR, start, 'c', true},
      {"&Name", false, true, WM_SYSCHAR, start, 'n', false},
      {"&Name", true, false, WM_SYSCHAR, start, 'n', false},
      {"Plain", true, true, WM_SYSCHAR, start, 's', true},  // the framework's label
  };
  for (const Case& c : cases) {
    label->SetCaption(c.Caption);
    label->SetEnabled(c.Enabled);
    label->SetShowAccelChar(c.ShowAccel);
    c.From->SetFocus();
    Application->ProcessMessages();
    ASSERT_EQ(GetFocus(), c.From->Handle());
    PostMessageW(c.From->Handle(), c.Msg, static_cast<WPARAM>(c.Key), 1);
    Application->ProcessMessages();
    EXPECT_EQ(GetFocus() == target->Handle(), c.Moves) << c.Caption << " " << c.Key << " " << c.Msg;
  }
  // A freed focus control is forgotten.
  delete target;
  EXPECT_EQ(label->FocusControl(), nullptr);
}

using CalendarTest = ViewsTest;

TEST_F(CalendarTest, KeysMonthsAndEvents) {
  TForm* form = MakeForm(300, 260);
  auto* cal = new TCalendarX(form);
  cal->SetParent(form);
  cal->SetLeft(10);
  cal->SetTop(10);
  cal->SetDate(EncodeDate(2024, 1, 1));  // a Monday
  EXPECT_EQ(cal->FirstCell(), 1);
  EXPECT_EQ(cal->SelectedCell(), 1);
  EXPECT_EQ(cal->CellText(1), "1");
  EXPECT_EQ(cal->CellText(31), "31");
  EXPECT_EQ(cal->CellText(32), "");
  cal->SetDate(EncodeDate(2023, 10, 15));  // October 2023 starts on a Sunday
  EXPECT_EQ(cal->FirstCell(), 7);
  EXPECT_EQ(cal->SelectedCell(), 21);
  cal->SetStartOfWeek(7);
  EXPECT_EQ(cal->FirstCell(), 1);
  cal->SetStartOfWeek(1);

  std::vector<std::string> events;
  cal->BeforeNewMonth = [&](TObject*) { events.push_back("before"); };
  cal->AfterNewMonth = [&](TObject*) { events.push_back("after"); };
  cal->OnDateChange = [&](TObject*) { events.push_back("change"); };
  cal->OnKeyEnter = [&](TObject*) { events.push_back("enter"); };
  form->Show();
  cal->SetFocus();
  cal->SetDate(EncodeDate(2024, 1, 31));
  events.clear();
  UiDriver::PressKey(cal, VK_RIGHT);
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after", "change"}));
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 2, 1));
  cal->SetDate(EncodeDate(2024, 3, 31));
  UiDriver::PressKey(cal, VK_PRIOR);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 3, 2));
  cal->SetDate(EncodeDate(2024, 1, 15));
  UiDriver::PressKey(cal, VK_END);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 1, 15) - 366);
  UiDriver::PressKey(cal, VK_DOWN);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 1, 15) - 366 + 7);
  events.clear();
  UiDriver::PressKey(cal, VK_RETURN);
  EXPECT_EQ(events, (std::vector<std::string>{"enter"}));

  // A click on a day of the month moves there and reports the click.
  cal->SetDate(EncodeDate(2024, 1, 1));
  int clicked = 0;
  cal->OnDateClick = [&](TObject*) { ++clicked; };
  const TRect r = cal->CellRect(10);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(cal->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(cal->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 1, 10));
  EXPECT_EQ(clicked, 1);
  // The inner-right arrow pages forward by the shown month.
  const TRect z = cal->HotZone(2);
  SendMessageW(cal->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(z.left + 2, z.top + 2));
  SendMessageW(cal->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(z.left + 2, z.top + 2));
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 2, 10));
  EXPECT_EQ(clicked, 1);
  Application->ProcessMessages();
  Shot(form->Handle(), "calendar.bmp");
}

using DateEditTest = ViewsTest;

TEST_F(DateEditTest, FileListLeavesTheProcessDateFormatAlone) {
  char before[80] = {}, after[80] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, before, sizeof before);
  const TShortDateFormat locale = LocaleShortDateFormat();
  TForm* form = MakeForm(200, 100);
  auto* list = new TFileListView(form);
  list->SetDateFormat(1u << dfYMD);
  auto* edit = new TDateEditX(form);
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, after, sizeof after);
  EXPECT_STREQ(before, after);
  EXPECT_EQ(edit->ShortDateFormat().Format, locale.Format);
  EXPECT_EQ(list->ShortDateFormat().Format, "yyyy/mm/dd");
  edit->SetDate(EncodeDate(1999, 12, 31));
  TDateTime back;
  ASSERT_TRUE(TryParseDateText(locale, edit->Text(), back)) << edit->Text();
  EXPECT_EQ(back, EncodeDate(1999, 12, 31));
}

TEST_F(DateEditTest, TypedDigitsClearAndPopup) {
  TForm* form = MakeForm(360, 200);
  auto* edit = new TDateEditX(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 140, 22);
  edit->SetShortDateFormat({"mm/dd/yyyy", '/'});
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(10, 60, 100, 22);
  form->Show();
  EXPECT_EQ(edit->Text(), "");
  ASSERT_NE(edit->ClearButton(), nullptr);
  ASSERT_NE(edit->PopupButton(), nullptr);
  EXPECT_EQ(edit->ValidateButton(), nullptr);

  edit->SetFocus();
  UiDriver::TypeText(edit, "12a31-1999");
  EXPECT_EQ(edit->Text(), "12311999");
  other->SetFocus();
  Application->ProcessMessages();
  EXPECT_EQ(edit->Date(), EncodeDate(1999, 12, 31));
  EXPECT_EQ(edit->Text(), "12/31/1999");
  // Entering shows digits only.
  edit->SetFocus();
  EXPECT_EQ(edit->Text(), "12311999");
  other->SetFocus();

  {
    UiDriver::TPromptScript prompts({});
    edit->SetFocus();
    edit->SetText("12319");
    other->SetFocus();
    Application->ProcessMessages();
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, "Date trop courte");
    EXPECT_EQ(edit->Text(), "12319");
    EXPECT_FALSE(edit->Valid());
    EXPECT_THROW(edit->ReadText(), EConvertError);
  }

  int validated = 0;
  edit->OnValidateClick = [&](TObject*) { ++validated; };
  edit->SetDate(EncodeDate(2001, 3, 4));
  EXPECT_EQ(edit->Text(), "03/04/2001");
  edit->SetShortDateFormat({"mm/dd/yy", '/'});
  EXPECT_EQ(edit->Text(), "03/04/2001");
  edit->SetDate(EncodeDate(1999, 3, 4));
  EXPECT_EQ(edit->Text(), "03/04/99");
  edit->SetShortDateFormat({"mm/dd/yyyy", '/'});
  UiDriver::Click(edit->ClearButton());
  EXPECT_EQ(edit->Date(), 0);
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(validated, 1);

  // The pop-up opens on today for an empty field; Enter takes its date.
  edit->SetDate(EncodeDate(2020, 6, 15));
  edit->PopupClick();
  TDtCalPopX* pop = edit->PopupForm();
  ASSERT_TRUE(pop->Visible());
  EXPECT_EQ(pop->CalendarX()->Date(), EncodeDate(2020, 6, 15));
  RedrawWindow(pop->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Shot(form->Handle(), "dateedit.bmp");
  UiDriver::PressKey(pop->CalendarX(), VK_RIGHT);
  UiDriver::PressKey(pop->CalendarX(), VK_RETURN);
  EXPECT_FALSE(pop->Visible());
  EXPECT_EQ(edit->Date(), EncodeDate(2020, 6, 16));
  EXPECT_EQ(validated, 2);
  edit->PopupClick();
  UiDriver::PressKey(pop->CalendarX(), VK_RIGHT);
  UiDriver::PressKey(pop->CalendarX(), VK_ESCAPE);
  EXPECT_EQ(edit->Date(), EncodeDate(2020, 6, 16));  // cancelled
  // A shortcut key presses the clear button.
  edit->ShortCuts()->BtnClear = VK_F9;
  edit->SetFocus();
  UiDriver::PressKey(edit, VK_F9);
  EXPECT_EQ(edit->Date(), 0);
}

TEST_F(DateEditTest, ButtonGlyphsAndStyles) {
  TForm* form = MakeForm(420, 200);
  auto* edit = new TDateEditX(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 160, 22);
  form->Show();
  edit->SetOptions(edit->Options() | (1u << doCanValidate));
  struct Glyph {
    TSpeedButton* Button;
    int Count;
  } glyphs[] = {{edit->ClearButton(), 2}, {edit->PopupButton(), 2}, {edit->ValidateButton(), 1}};
  for (const Glyph& g : glyphs) {
    ASSERT_NE(g.Button, nullptr);
    EXPECT_FALSE(g.Button->Glyph()->Empty()) << g.Button->Name();
    EXPECT_EQ(g.Button->NumGlyphs(), g.Count) << g.Button->Name();
    EXPECT_EQ(g.Button->Glyph()->Width(), 9 * g.Count) << g.Button->Name();
    EXPECT_EQ(g.Button->Caption(), "") << g.Button->Name();
    EXPECT_EQ(g.Button->Style(), bsAutoDetect);
    EXPECT_FALSE(g.Button->Flat());
  }
  // Validate, pop-up, clear from the right edge leftwards.
  EXPECT_LT(edit->PopupButton()->Left(), edit->ValidateButton()->Left());
  EXPECT_LT(edit->ClearButton()->Left(), edit->PopupButton()->Left());
  EXPECT_EQ(edit->PopupButton()->Width(), edit->PopupButton()->Height() + 2);

  // The clear glyph's red shows inside its button: the edit's text rectangle,
  // left as its clip region, must not hide it.
  auto clearArea = [&] {
    TSpeedButton* b = edit->ClearButton();
    return TRect{b->Left(), b->Top(), b->Left() + b->Width(), b->Top() + b->Height()};
  };
  EXPECT_GT(CountPixels(edit->Handle(), clearArea(), RGB(255, 0, 0)), 5);
  edit->SetButtonStyle(bsWin31);
  edit->SetButtonBorderStyle(bsNone);
  EXPECT_GT(CountPixels(edit->Handle(), clearArea(), RGB(255, 0, 0)), 5);
  for (const Glyph& g : glyphs) {
    EXPECT_EQ(g.Button->Style(), bsWin31);
    EXPECT_TRUE(g.Button->Flat());
  }
  // A button made later takes the styles too.
  edit->SetOptions(edit->Options() & ~(1u << doCanClear));
  EXPECT_EQ(edit->ClearButton(), nullptr);
  edit->SetOptions(edit->Options() | (1u << doCanClear));
  ASSERT_NE(edit->ClearButton(), nullptr);
  EXPECT_EQ(edit->ClearButton()->Style(), bsWin31);
  EXPECT_TRUE(edit->ClearButton()->Flat());
  EXPECT_FALSE(edit->ClearButton()->Glyph()->Empty());

  edit->SetButtonDateStyle(btsDropDown);
  EXPECT_EQ(edit->PopupButton()->NumGlyphs(), 1);
  edit->SetButtonDateStyle(btsCalendar);
  EXPECT_EQ(edit->PopupButton()->NumGlyphs(), 2);
  EXPECT_EQ(edit->PopupButton()->Glyph()->Width(), 18);
  Shot(form->Handle(), "dateedit_buttons.bmp");
}

TEST_F(DateEditTest, RangePanelForwardsToBothEdits) {
  TForm* form = MakeForm(420, 200);
  auto* range = new TDateFromToX(form);
  range->SetParent(form);
  range->SetButtonStyle(bsWin31);
  range->SetButtonBorderStyle(bsNone);
  range->SetButtonDateStyle(btsDropDown);
  range->SetColorError(clPurple);
  range->SetStartOfWeek(7);
  TCalendarColors colours;
  colours.ColorValid = clLime;
  range->SetColorCalendar(&colours);
  TMonthName months;
  months.SetName(1, "Janvier");
  range->SetMonthNames(&months);
  TButtonsShortCut keys;
  keys.BtnPopup = VK_F4;
  range->SetShortCuts(&keys);
  for (TDateEditX* e : {range->EditFrom(), range->EditTo()}) {
    EXPECT_EQ(e->ButtonStyle(), bsWin31);
    EXPECT_EQ(e->ButtonBorderStyle(), bsNone);
    EXPECT_EQ(e->ButtonDateStyle(), btsDropDown);
    EXPECT_EQ(e->ColorError, clPurple);
    EXPECT_EQ(e->StartOfWeek(), 7);
    EXPECT_EQ(e->ColorCalendar()->ColorValid, clLime);
    EXPECT_EQ(e->MonthNames()->Name(1), "Janvier");
    EXPECT_EQ(e->ShortCuts()->BtnPopup, VK_F4);
  }
  EXPECT_EQ(range->ButtonStyle(), bsWin31);
  EXPECT_EQ(range->StartOfWeek(), 7);
  form->Show();
  Application->ProcessMessages();
  std::vector<TObject*> changed;
  range->OnChangeFrom = [&](TObject* Sender) { changed.push_back(Sender); };
  range->OnChangeTo = [&](TObject* Sender) { changed.push_back(Sender); };
  range->SetDateFrom(EncodeDate(2020, 1, 2));
  range->SetDateTo(EncodeDate(2021, 1, 2));
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0], range->EditFrom());
  EXPECT_EQ(changed[1], range->EditTo());
}

TEST_F(DateEditTest, RangePanelLayoutAndDates) {
  TForm* form = MakeForm(420, 200);
  auto* range = new TDateFromToX(form);
  range->SetParent(form);
  range->SetShortDateFormat({"mm/dd/yyyy", '/'});
  range->SetTextFrom("Between");
  range->SetTextTo("and");
  form->Show();
  EXPECT_EQ(range->DateFrom(), Date());
  range->SetDateFrom(0);
  EXPECT_EQ(range->EditFrom()->Text(), "");
  range->SetDateTo(EncodeDate(2024, 2, 29));
  EXPECT_EQ(range->EditTo()->Text(), "02/29/2024");
  EXPECT_EQ(range->LabelFrom()->Left(), 8);
  EXPECT_EQ(range->EditFrom()->Left(), 8 + range->LabelFrom()->Width() + 8);
  EXPECT_EQ(range->EditTo()->Top(), 8);
  EXPECT_EQ(range->Width(), range->EditTo()->Left() + range->EditTo()->Width() + 8);
  range->SetPanelOrientation(oVertical);
  EXPECT_EQ(range->EditFrom()->Left(), 16);
  EXPECT_EQ(range->LabelTo()->Top(), range->EditFrom()->Top() + range->EditFrom()->Height() + 8);
  EXPECT_EQ(range->Height(), range->EditTo()->Top() + range->EditTo()->Height() + 8);
  range->SetEnabled(false);
  EXPECT_FALSE(range->EditTo()->Enabled());
}

using DirTreeTest = ViewsTest;

TEST_F(DirTreeTest, PathsChoicesAndLinkedList) {
  const std::string dir = morvtest::TempDir();
  CreateDirectoryA((dir + "\\one").c_str(), nullptr);
  CreateDirectoryA((dir + "\\one\\leaf").c_str(), nullptr);
  TForm* form = MakeForm(480, 360);
  auto* combo = new TDirTreeCombo(form);
  combo->SetParent(form);
  combo->SetBounds(10, 10, 240, 21);
  auto* list = new TFileListView(form);
  list->SetParent(form);
  list->SetBounds(10, 40, 440, 280);
  form->Show();
  combo->SetFileList(list);
  EXPECT_EQ(list->DirTree(), combo);
  TTreeNode* root = combo->Tree()->Items()->GetFirstNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(combo->Text(), root->Text());
  TTreeNode* c = nullptr;
  for (int i = 0; i < root->Count(); ++i)
    if (root->Item(i)->Text().substr(2, 2) == "C:") c = root->Item(i);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Text().substr(0, 7), " (C:)  ");
  EXPECT_EQ(combo->GetNodePath(c), "C:\\");

  // With the trailing "\" the last folder is selected.
  combo->SetPath(dir + "\\one\\");
  ASSERT_NE(combo->Tree()->Selected(), nullptr);
  EXPECT_EQ(combo->Tree()->Selected()->Text(), "one");
  EXPECT_TRUE(SameText(combo->GetNodePath(combo->Tree()->Selected()), dir + "\\one"));
  EXPECT_TRUE(SameText(combo->SelectedPath(), dir + "\\one\\"));
  EXPECT_EQ(combo->Text(), "one");
  // Without it, the parent is selected and the path still stored with "\".
  combo->SetPath(dir + "\\one\\leaf");
  EXPECT_EQ(combo->Tree()->Selected()->Text(), "one");
  EXPECT_TRUE(SameText(combo->SelectedPath(), dir + "\\one\\leaf\\"));
  // A folder without sub-folders loses its expansion mark once expanded.
  combo->SetPath(dir + "\\one\\leaf\\");
  TTreeNode* leaf = combo->Tree()->Selected();
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->Text(), "leaf");
  EXPECT_FALSE(leaf->HasChildren());

  // Choosing a node moves the linked list; the root gives the drive list.
  combo->DropDown();
  EXPECT_TRUE(combo->DroppedDown());
  Application->ProcessMessages();
  Shot(combo->Tree()->Handle(), "dirtree.bmp");
  combo->ChooseSelected(false);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_TRUE(SameText(list->Directory(), dir + "\\one\\leaf\\")) << list->Directory();
  combo->Tree()->SetSelected(root);
  combo->ChooseSelected(true);
  EXPECT_EQ(combo->SelectedPath(), "Drives");
  EXPECT_EQ(list->Directory(), "Drives");
  // Navigating the list moves the tree.
  list->SetDirectory(dir + "\\one");
  list->SetSelected(list->Items()->Item(0));
  list->OpenItem();
  EXPECT_TRUE(SameText(list->Directory(), dir + "\\one\\leaf\\"));
  EXPECT_EQ(combo->Text(), "leaf");
}
