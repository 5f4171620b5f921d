#include <string>
#include <vector>

#include "framework/ui/buttons.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"
#include "tests/framework/ui/ui_fixture.h"

using namespace UiDriver;

TEST_F(UiTest, ButtonClickThroughBmClickFiresOnClickAndSetsModalResult) {
  TForm* f = MakeForm();
  auto* b = new TButton(f);
  b->SetName("Go");
  b->SetModalResult(mrRetry);
  b->SetParent(f);
  f->Show();
  int clicks = 0;
  b->OnClick = [&](TObject* Sender) { clicks += Sender == b ? 1 : 100; };
  SendMessageW(b->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(f->ModalResult(), mrRetry);
  EXPECT_EQ(Find<TButton>(f, "go"), b);
}

TEST_F(UiTest, SettingCheckedOrItemIndexInCodeFiresOnClick) {
  TForm* f = MakeForm();
  auto* check = new TCheckBox(f);
  check->SetParent(f);
  auto* radio = new TRadioButton(f);
  radio->SetTop(20);
  radio->SetParent(f);
  auto* list = new TListBox(f);
  list->SetTop(40);
  list->SetParent(f);
  list->Items()->SetText("a\nb\nc");
  auto* combo = new TComboBox(f);
  combo->SetTop(150);
  combo->SetStyle(csDropDownList);
  combo->SetParent(f);
  combo->Items()->SetText("x\ny");
  auto* group = new TRadioGroup(f);
  group->SetBounds(200, 0, 150, 120);
  group->SetParent(f);
  group->Items()->SetText("one\ntwo\nthree");
  f->Show();

  std::vector<std::string> log;
  auto logger = [&](const char* name) { return [&log, name](TObject*) { log.push_back(name); }; };
  check->OnClick = logger("check");
  radio->OnClick = logger("radio");
  list->OnClick = logger("list");
  combo->OnClick = logger("combo");
  group->OnClick = logger("group");

  check->SetChecked(true);
  check->SetChecked(true);
  radio->SetChecked(true);
  list->SetItemIndex(2);
  list->SetItemIndex(2);
  combo->SetItemIndex(1);
  group->SetItemIndex(1);
  group->SetItemIndex(1);
  EXPECT_EQ(log, (std::vector<std::string>{"check", "radio", "list", "combo", "group"}));
  EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(combo->Text(), "y");
  EXPECT_TRUE(group->Buttons(1)->Checked());
  EXPECT_FALSE(group->Buttons(0)->Checked());

  // The user's clicks go the same way.
  log.clear();
  Click(check);
  Click(group->Buttons(2));
  EXPECT_EQ(log, (std::vector<std::string>{"check", "group"}));
  EXPECT_FALSE(check->Checked());
  EXPECT_EQ(group->ItemIndex(), 2);
}

TEST_F(UiTest, ThreeStateCheckBoxCyclesThroughGrayed) {
  TForm* f = MakeForm();
  auto* check = new TCheckBox(f);
  check->SetAllowGrayed(true);
  check->SetParent(f);
  f->Show();
  std::vector<TCheckBoxState> states;
  for (int i = 0; i < 3; ++i) {
    Click(check);
    states.push_back(check->State());
  }
  EXPECT_EQ(states, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
  check->SetState(cbGrayed);
  EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
}

TEST_F(UiTest, RadioButtonsOfOneParentAreExclusive) {
  TForm* f = MakeForm();
  auto* a = new TRadioButton(f);
  a->SetParent(f);
  auto* b = new TRadioButton(f);
  b->SetTop(30);
  b->SetParent(f);
  f->Show();
  a->SetChecked(true);
  Click(b);
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(SendMessageW(a->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(UiTest, RecreateWndKeepsTextChecksItemsAndSelection) {
  TForm* f = MakeForm();
  auto* edit = new TEdit(f);
  edit->SetParent(f);
  auto* check = new TCheckBox(f);
  check->SetTop(30);
  check->SetParent(f);
  auto* list = new TListBox(f);
  list->SetTop(60);
  list->SetParent(f);
  auto* combo = new TComboBox(f);
  combo->SetTop(200);
  combo->SetParent(f);
  f->Show();
  edit->SetText("typed");
  check->SetChecked(true);
  TObject marker;
  list->Items()->AddObject("first", &marker);
  list->Items()->Add("second");
  list->SetItemIndex(1);
  combo->Items()->SetText("p\nq");
  combo->SetItemIndex(0);
  HWND oldEdit = edit->Handle(), oldList = list->Handle();

  f->RecreateWnd();
  EXPECT_NE(edit->Handle(), oldEdit);
  EXPECT_NE(list->Handle(), oldList);
  EXPECT_EQ(edit->Text(), "typed");
  EXPECT_EQ(WindowText(edit->Handle()), "typed");
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  ASSERT_EQ(list->Items()->Count(), 2);
  EXPECT_EQ(list->Items()->Strings(0), "first");
  EXPECT_EQ(list->Items()->Objects(0), &marker);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(combo->Items()->Count(), 2);
  EXPECT_EQ(combo->ItemIndex(), 0);

  // A style change that needs a new window keeps the state too.
  list->SetMultiSelect(true);
  EXPECT_EQ(list->Items()->Count(), 2);
  list->SetSelected(0, true);
  list->SetSelected(1, true);
  EXPECT_EQ(list->SelCount(), 2);
  list->RecreateWnd();
  EXPECT_EQ(list->SelCount(), 2);
}

TEST_F(UiTest, ItemsAddedBeforeTheWindowExistsAppearInIt) {
  TForm* f = MakeForm();
  auto* list = new TListBox(f);
  list->Items()->Add("b");
  list->Items()->Add("a");
  list->SetItemIndex(1);
  list->SetParent(f);
  f->Show();
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->Items()->IndexOf("A"), 1);
  EXPECT_THROW(list->Items()->Strings(5), EListError);
}

TEST_F(UiTest, EditPropertiesReachTheWindow) {
  TForm* f = MakeForm();
  auto* edit = new TEdit(f);
  edit->SetPasswordChar('*');
  edit->SetMaxLength(5);
  edit->SetParent(f);
  f->Show();
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText("abc");
  edit->SetText("abc");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  edit->SetFocus();
  edit->SetSelStart(3);
  TypeText(edit, "defgh");
  EXPECT_EQ(edit->Text(), "abcde");
  EXPECT_GE(changes, 3);
  edit->SetReadOnly(true);
  EXPECT_TRUE(GetWindowLongW(edit->Handle(), GWL_STYLE) & ES_READONLY);
  edit->SetPasswordChar(0);
  EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0);
}

TEST_F(UiTest, MemoLinesMapToCrLfText) {
  TForm* f = MakeForm();
  auto* memo = new TMemo(f);
  memo->SetParent(f);
  f->Show();
  memo->Lines()->Add("one");
  memo->Lines()->Add("two");
  memo->Lines()->Insert(1, "half");
  EXPECT_EQ(memo->Text(), "one\r\nhalf\r\ntwo");
  EXPECT_EQ(memo->Lines()->Count(), 3);
  memo->Lines()->Delete(0);
  EXPECT_EQ(memo->Lines()->Strings(0), "half");
  memo->Lines()->Clear();
  EXPECT_EQ(memo->Lines()->Count(), 0);
  memo->SetText("a\r\nb\r\n");
  EXPECT_EQ(memo->Lines()->Count(), 2);
}

TEST_F(UiTest, OwnerDrawListBoxAsksTheHandlerToDraw) {
  TForm* f = MakeForm();
  auto* list = new TListBox(f);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(18);
  list->Items()->SetText("red\ngreen");
  std::vector<int> drawn;
  list->OnDrawItem = [&](TWinControl* Control, int Index, TRect Rect, TOwnerDrawState) {
    auto* lb = static_cast<TListBox*>(Control);
    drawn.push_back(Index);
    lb->Canvas()->Brush()->SetColor(Index == 0 ? clRed : clGreen);
    lb->Canvas()->FillRect(Rect);
  };
  list->SetParent(f);
  f->Show();
  UpdateWindow(list->Handle());
  Application->ProcessMessages();
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 0), drawn.end());
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 1), drawn.end());
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETITEMHEIGHT, 0, 0), 18);
  HDC dc = GetDC(list->Handle());
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 5, 18 + 5), RGB(0, 128, 0));
  ReleaseDC(list->Handle(), dc);
}

TEST_F(UiTest, ComboBoxEditableTextAndChange) {
  TForm* f = MakeForm();
  auto* combo = new TComboBox(f);
  combo->SetParent(f);
  combo->Items()->SetText("alpha\nbeta");
  f->Show();
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->SetText("gamma");
  EXPECT_EQ(combo->Text(), "gamma");
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "beta");
  EXPECT_EQ(changes, 2);
  combo->SetStyle(csDropDownList);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Items()->Count(), 2);
}

TEST_F(UiTest, GraphicControlsGetMouseEventsAndEnterLeave) {
  TForm* f = MakeForm();
  auto* left = new TSpeedButton(f);
  left->SetBounds(10, 10, 40, 40);
  left->SetParent(f);
  auto* right = new TSpeedButton(f);
  right->SetBounds(100, 10, 40, 40);
  right->SetParent(f);
  f->Show();
  std::vector<std::string> log;
  left->OnMouseEnter = [&](TObject*) { log.push_back("enter left"); };
  left->OnMouseLeave = [&](TObject*) { log.push_back("leave left"); };
  right->OnMouseEnter = [&](TObject*) { log.push_back("enter right"); };
  left->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
    log.push_back("down " + IntToStr(X) + "," + IntToStr(Y));
  };
  left->OnClick = [&](TObject*) { log.push_back("click left"); };
  HWND h = f->Handle();
  SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 16));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(15, 16));
  SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(110, 15));
  EXPECT_EQ(log, (std::vector<std::string>{"enter left", "down 5,6", "click left", "leave left", "enter right"}));
}

TEST_F(UiTest, SpeedButtonsOfAGroupStayDownExclusively) {
  TForm* f = MakeForm();
  auto* a = new TSpeedButton(f);
  a->SetGroupIndex(1);
  a->SetParent(f);
  auto* b = new TSpeedButton(f);
  b->SetGroupIndex(1);
  b->SetLeft(30);
  b->SetParent(f);
  f->Show();
  int clicks = 0;
  a->OnClick = b->OnClick = [&](TObject*) { ++clicks; };
  Click(a);
  EXPECT_TRUE(a->Down());
  Click(b);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  Click(b);
  EXPECT_TRUE(b->Down()) << "without AllowAllUp the last one stays down";
  EXPECT_EQ(clicks, 3);
  a->SetDown(true);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(clicks, 3);
}

TEST_F(UiTest, LabelSizesItselfToItsCaption) {
  TForm* f = MakeForm();
  auto* l = new TLabel(f);
  l->SetParent(f);
  l->SetCaption("A fairly long caption");
  int w = l->Width();
  l->SetCaption("A");
  EXPECT_LT(l->Width(), w);
  EXPECT_GT(l->Height(), 0);
}

TEST_F(UiTest, RadioGroupColumnsSpreadTheButtons) {
  TForm* f = MakeForm();
  auto* group = new TRadioGroup(f);
  group->SetBounds(10, 10, 300, 120);
  group->SetColumns(2);
  group->Items()->SetText("a\nb\nc\nd");
  group->SetParent(f);
  f->Show();
  ASSERT_EQ(group->ButtonCount(), 4);
  EXPECT_EQ(group->Buttons(0)->Left(), group->Buttons(1)->Left());
  EXPECT_GT(group->Buttons(2)->Left(), group->Buttons(0)->Left() + 100);
  EXPECT_GT(group->Buttons(1)->Top(), group->Buttons(0)->Top());
  group->Items()->Delete(3);
  EXPECT_EQ(group->ButtonCount(), 3);
  EXPECT_EQ(group->Buttons(2)->Caption(), "c");
}

TEST_F(UiTest, SpeedButtonDrawsItsGlyphWithoutTheTransparentColour) {
  TForm* f = MakeForm();
  f->SetColor(clWhite);
  auto* b = new TSpeedButton(f);
  b->SetBounds(0, 0, 24, 24);
  b->SetFlat(true);
  b->Glyph()->SetSize(8, 8);
  TCanvas* g = b->Glyph()->Canvas();
  g->Brush()->SetColor(clRed);
  g->FillRect(Rect(0, 0, 8, 8));
  g->SetPixels(0, 7, clFuchsia);
  g->SetPixels(0, 0, clFuchsia);
  b->SetParent(f);
  f->Show();
  UpdateWindow(f->Handle());
  TControlCanvasDC canvas(f->Handle());
  EXPECT_EQ(canvas.Pixels(12, 12), clRed);
  EXPECT_EQ(canvas.Pixels(8, 8), clWhite) << "the glyph's transparent corner shows the button face";
}

TEST_F(UiTest, FormActivationReachesOnActivateAndTheScreen) {
  TForm* f = MakeForm();
  int activated = 0, deactivated = 0;
  f->OnActivate = [&](TObject*) { ++activated; };
  f->OnDeactivate = [&](TObject*) { ++deactivated; };
  f->Show();
  SendMessageW(f->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(f->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_GE(activated, 1);
  EXPECT_GE(deactivated, 1);
  EXPECT_TRUE(f->Active());
  EXPECT_EQ(Screen->ActiveForm(), f);
}
