#include "controls/views/extlistview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/ui/props.h"
#include "framework/ui/registry.h"
#include "views_fixture.h"

namespace {

std::string TestKey() { return "Software\\MorvTest\\Views" + std::to_string(GetCurrentProcessId()); }

// The cell text a virtual list of the tests shows.
std::string CellText(int Row, int Col) { return "r" + std::to_string(Row) + "c" + std::to_string(Col); }

std::string ItemText(HWND List, int Row, int Col, int BufChars = 64) {
  std::vector<wchar_t> buf(static_cast<size_t>(BufChars), L'#');
  LVITEMW item{};
  item.iSubItem = Col;
  item.pszText = buf.data();
  item.cchTextMax = BufChars;
  SendMessageW(List, LVM_GETITEMTEXTW, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&item));
  return Narrow(item.pszText);
}

// Clicks header item Index with the mouse, as a user would.
void ClickHeader(HWND Header, int Index) {
  RECT r;
  SendMessageW(Header, HDM_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(Header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(Header, WM_LBUTTONUP, 0, at);
  Application->ProcessMessages();
}

class ExtListViewTest : public ViewsTest {
 protected:
  void TearDown() override {
    TRegistry reg;
    reg.DeleteKey("\\" + TestKey());
    ViewsTest::TearDown();
  }
  TExtListView* MakeList(TForm* F, int Columns) {
    auto* lv = new TExtListView(F);
    lv->SetParent(F);
    lv->SetBounds(8, 8, 440, 220);
    lv->SetViewStyle(vsReport);
    for (int i = 0; i < Columns; ++i) {
      TListColumn* c = lv->Columns()->Add();
      c->SetCaption("Column " + std::to_string(i));
      c->SetWidth(60 + 10 * i);
    }
    return lv;
  }
  static void MakeVirtual(TExtListView* Lv, int Rows) {
    Lv->SetVirtualMode(true);
    Lv->OnVMGetItemInfo = [](TObject*, int Item, int SubItem, TLVVMMaskItems&, int&, LPARAM&, UINT&, UINT&, int&,
                             std::string& Text) { Text = CellText(Item, SubItem); };
    Lv->SetItemCountEx(Rows, 0);
  }
};

}  // namespace

TEST_F(ExtListViewTest, VirtualListAnswersEveryCellFromTheHandler) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 4);
  MakeVirtual(lv, 50000);
  f->Show();
  HWND h = lv->Handle();
  EXPECT_EQ(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0), 50000);
  EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & LVS_OWNERDATA, 0);
  for (int row : {0, 1, 777, 24999, 49999})
    for (int col = 0; col < 4; ++col) EXPECT_EQ(ItemText(h, row, col), CellText(row, col));

  // Re-creating the window keeps the count.
  lv->RecreateWnd();
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 50000);
  EXPECT_EQ(ItemText(lv->Handle(), 49999, 3), CellText(49999, 3));
}

TEST_F(ExtListViewTest, CellTextIsCutToTheBufferWithItsTerminator) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 1);
  MakeVirtual(lv, 3);
  lv->OnVMGetItemInfo = [](TObject*, int, int, TLVVMMaskItems&, int&, LPARAM&, UINT&, UINT&, int&, std::string& Text) {
    Text = "0123456789";
  };
  // Call the notification directly so the buffer is exactly ours.
  for (int size : {1, 4, 10, 11}) {
    std::vector<wchar_t> buf(static_cast<size_t>(size) + 4, L'#');
    NMLVDISPINFOW info{};
    info.hdr.hwndFrom = lv->Handle();
    info.hdr.code = LVN_GETDISPINFOW;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = 1;
    info.item.pszText = buf.data();
    info.item.cchTextMax = size;
    lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    std::wstring want = std::wstring(L"0123456789").substr(0, static_cast<size_t>(size - 1));
    EXPECT_EQ(std::wstring(buf.data()), want) << size;
    for (size_t i = static_cast<size_t>(size); i < buf.size(); ++i) EXPECT_EQ(buf[i], L'#') << "overrun at " << i;
  }
  // Without LVIF_TEXT the buffer is not touched.
  wchar_t keep[4] = L"abc";
  NMLVDISPINFOW info{};
  info.hdr.code = LVN_GETDISPINFOW;
  info.item.mask = LVIF_IMAGE;
  info.item.iItem = 0;
  info.item.pszText = keep;
  info.item.cchTextMax = 4;
  lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(std::wstring(keep), L"abc");
}

TEST_F(ExtListViewTest, SortArrowFollowsColumnClicks) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 3);
  lv->SetAutoColumnSort(acsSortToggle);
  lv->SetShowSortArrows(true);
  const char* names[] = {"pear", "apple", "fig"};
  const char* sizes[] = {"10", "9", "100"};
  for (int i = 0; i < 3; ++i) {
    TListItem* it = lv->Items()->Add();
    it->SetCaption(names[i]);
    it->SubItems()->Add(sizes[i]);
    it->SubItems()->Add("x");
  }
  f->Show();
  lv->Loaded();
  Application->ProcessMessages();
  HWND header = lv->HeaderWindow();
  ASSERT_NE(header, nullptr);
  HDITEMW hi{};
  hi.mask = HDI_FORMAT;
  SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&hi));
  EXPECT_NE(hi.fmt & HDF_OWNERDRAW, 0);
  ASSERT_NE(lv->SortUpBitmap(), nullptr);

  std::vector<std::pair<int, bool>> sorts;
  lv->OnSortFinished = [&](TObject*, int Col, bool Descending) { sorts.push_back({Col, !Descending}); };
  ClickHeader(header, 1);
  EXPECT_EQ(lv->CurrentSortColumn(), 1);
  EXPECT_TRUE(lv->CurrentSortAscending());
  EXPECT_EQ(lv->Items()->Item(0)->Caption(), "apple");  // 9, 10, 100 by number
  EXPECT_EQ(lv->Items()->Item(2)->Caption(), "fig");
  ClickHeader(header, 1);
  EXPECT_FALSE(lv->CurrentSortAscending());
  EXPECT_EQ(lv->Items()->Item(0)->Caption(), "fig");
  ClickHeader(header, 0);
  EXPECT_EQ(lv->CurrentSortColumn(), 0);
  EXPECT_TRUE(lv->CurrentSortAscending());
  EXPECT_EQ(lv->Items()->Item(0)->Caption(), "apple");
  EXPECT_EQ(sorts, (std::vector<std::pair<int, bool>>{{1, true}, {1, false}, {0, true}}));

  // The arrow is painted in the sorted column's header and nowhere else.
  UpdateWindow(header);
  auto arrowPixels = [&](int Index) {
    RECT r;
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
    HDC dc = GetDC(header);
    int n = 0;
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    for (int y = r.top + 3; y < r.bottom - 3; ++y)
      for (int x = r.left + 3; x < r.right - 3; ++x)
        if (GetPixel(dc, x, y) == shadow) ++n;
    ReleaseDC(header, dc);
    return n;
  };
  InvalidateRect(header, nullptr, TRUE);
  UpdateWindow(header);
  EXPECT_GT(arrowPixels(0), 0);
  EXPECT_EQ(arrowPixels(1), 0);
  ClickHeader(header, 2);
  InvalidateRect(header, nullptr, TRUE);
  UpdateWindow(header);
  EXPECT_EQ(arrowPixels(0), 0);
  EXPECT_GT(arrowPixels(2), 0);
}

TEST_F(ExtListViewTest, ColumnWidthsOrderAndSortAreSavedAndRestored) {
  {
    TForm* f = MakeForm();
    TExtListView* lv = MakeList(f, 4);
    lv->SaveSettings()->RegistryKey = TestKey();
    lv->SaveSettings()->AutoSave = true;
    f->Show();
    lv->Columns()->Items(0)->SetWidth(91);
    lv->Columns()->Items(2)->SetWidth(57);
    lv->SetColumnOrder(4, {2, 0, 3, 1});
    lv->SetCurrentSortColumn(3);
    lv->SetCurrentSortAscending(false);
    FForm.reset();  // the window's end stores the settings
  }
  TRegIniFile reg(TestKey());
  EXPECT_EQ(reg.ReadString("Columns", "Order", ""), "2,0,3,1");
  EXPECT_EQ(reg.ReadString("Columns", "Sizes", ""), "57,91,90,70");
  EXPECT_EQ(reg.ReadString("Sort", "Ascending", ""), "0");
  EXPECT_EQ(reg.ReadString("Sort", "SortCol", ""), "3");

  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 4);
  lv->SaveSettings()->RegistryKey = TestKey();
  lv->SaveSettings()->AutoSave = true;
  f->Show();
  lv->Loaded();
  std::vector<int> order;
  ASSERT_TRUE(lv->GetColumnOrder(4, order));
  EXPECT_EQ(order, (std::vector<int>{2, 0, 3, 1}));
  EXPECT_EQ(lv->Columns()->Items(0)->Width(), 91);
  EXPECT_EQ(lv->Columns()->Items(2)->Width(), 57);
  EXPECT_EQ(lv->GetActualColumn(0), lv->Columns()->Items(2));
  EXPECT_EQ(lv->ActualColumnIndex(1), 3);
  EXPECT_EQ(lv->CurrentSortColumn(), 3);
  EXPECT_FALSE(lv->CurrentSortAscending());
}

TEST_F(ExtListViewTest, DamagedSavedValuesAreIgnored) {
  struct TCase {
    const char* Sizes;
    const char* Order;
    std::vector<int> WantWidths;
    std::vector<int> WantOrder;
  };
  const std::vector<TCase> cases = {
      {"33,,44", "1,0,2", {70, 60, 80}, {1, 0, 2}},        // empty entry: sizes ignored
      {"3x,44,55", "0,0,1", {60, 70, 80}, {0, 1, 2}},      // not a number; order not a permutation
      {"33,44,", "2,1,9", {60, 70, 80}, {0, 1, 2}},        // trailing comma; index out of range
      {"33", "2,1,0", {33, 70, 60}, {2, 1, 0}},            // fewer sizes change the leading columns
      {"", "", {60, 70, 80}, {0, 1, 2}},                   // empty: widths kept, identity order
      {"41,42,43", "1,2", {41, 42, 43}, {0, 1, 2}},        // too short an order is no permutation
  };
  for (const TCase& c : cases) {
    {
      TRegIniFile reg(TestKey());
      reg.WriteString("Columns", "Sizes", c.Sizes);
      reg.WriteString("Columns", "Order", c.Order);
      reg.WriteString("Sort", "SortCol", "9");
    }
    TForm* f = MakeForm();
    TExtListView* lv = MakeList(f, 3);
    lv->SaveSettings()->RegistryKey = TestKey();
    f->Show();
    EXPECT_NO_THROW(lv->LoadSettings()) << c.Sizes << " / " << c.Order;
    std::vector<int> order;
    lv->GetColumnOrder(3, order);
    EXPECT_EQ(order, c.WantOrder) << c.Order;
    // Widths go to the column at each display position.
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(lv->GetActualColumn(i)->Width(), c.WantWidths[static_cast<size_t>(i)]) << c.Sizes << " " << i;
    EXPECT_EQ(lv->CurrentSortColumn(), 2);  // 9 clamped to the last column
  }
}

TEST_F(ExtListViewTest, NoRegistryKeyWritesNothing) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 2);
  f->Show();
  EXPECT_FALSE(lv->StoreSettings());
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("\\Columns"));
  EXPECT_FALSE(reg.KeyExists("\\Sort"));
}

TEST_F(ExtListViewTest, ExtendedStylesAndOperationsByIndex) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 2);
  EXPECT_EQ(lv->GetNextItemIndex(-1, lvnaAll, LVISBit(lvisFocused)), -1);
  EXPECT_FALSE(lv->HandleAllocated());
  MakeVirtual(lv, 20);
  f->Show();
  struct TStyleCase {
    TLVExtendedStyles Set, Want;
  };
  const TStyleCase styles[] = {
      {LVXBit(lvxUnderlineHot), LVXBit(lvxUnderlineHot) | LVXBit(lvxOneClickActivate)},
      {LVXBit(lvxUnderlineHot) | LVXBit(lvxTwoClickActivate), LVXBit(lvxUnderlineHot) | LVXBit(lvxTwoClickActivate)},
      {LVXBit(lvxUnderlineCold) | LVXBit(lvxTwoClickActivate),
       LVXBit(lvxUnderlineCold) | LVXBit(lvxTwoClickActivate) | LVXBit(lvxOneClickActivate)},
      {LVXBit(lvxFullRowSelect) | LVXBit(lvxGridLines), LVXBit(lvxFullRowSelect) | LVXBit(lvxGridLines)},
  };
  for (const auto& s : styles) {
    lv->SetExtendedStyles(s.Set);
    EXPECT_EQ(lv->ExtendedStyles(), s.Want);
  }
  lv->SetExtendedStyles(lv->ExtendedStyles() | LVXBit(lvxSubItemImages));  // re-creates the window
  EXPECT_NE(lv->ExtendedStyles() & LVXBit(lvxFullRowSelect), 0u);

  lv->SetMultiSelect(true);
  EXPECT_EQ(lv->GetNextItemIndex(-1, lvnaAll, LVISBit(lvisFocused)), -1);
  lv->SetItemStateByIndex(-1, LVISBit(lvisSelected), true);
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 20);
  EXPECT_EQ(lv->GetNextItemIndex(4, lvnaAll, LVISBit(lvisSelected)), 5);
  lv->SetItemStateByIndex(-1, LVISBit(lvisSelected), false);
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
  lv->SetItemStateByIndex(7, LVISBit(lvisFocused) | LVISBit(lvisSelected), true);
  EXPECT_EQ(lv->GetNextItemIndex(-1, lvnaAll, LVISBit(lvisFocused)), 7);

  lv->SetHoverTime(321);
  lv->RecreateWnd();
  EXPECT_EQ(lv->HoverTime(), 321);
  EXPECT_EQ(lv->Version(), "TExtListView v3.55");
  EXPECT_NO_THROW(lv->SetRequireComCtlUpdate(true));
  EXPECT_GE(ComCtlVersion(), MakeComCtlVersion(4, 70, 0, 0));
}

TEST_F(ExtListViewTest, VirtualListWithNoRowsStaysEmptyAfterRecreation) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 1);
  MakeVirtual(lv, 0);
  f->Show();
  lv->RecreateWnd();
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ExtListViewTest, SmartSortAndDeferredResort) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 2);
  f->Show();
  lv->Loaded();
  for (const char* s : {"10", "9", "100", "abc"}) lv->Items()->Add()->SetCaption(s);
  int sorts = 0;
  lv->OnSortFinished = [&](TObject*, int, bool) { ++sorts; };
  lv->SetAutoColumnSort(acsSort);
  lv->SetCurrentSortColumn(0);
  sorts = 0;
  lv->BeginUpdate();
  lv->Resort();
  lv->Resort();
  EXPECT_EQ(sorts, 0);
  lv->EndUpdate();
  EXPECT_EQ(sorts, 1);
  std::vector<std::string> got;
  for (int i = 0; i < 4; ++i) got.push_back(lv->Items()->Item(i)->Caption());
  // Numbers by value; "abc" against a number falls back to text order.
  EXPECT_EQ(got[0], "9");
  EXPECT_EQ(got[1], "10");
  EXPECT_EQ(got[2], "100");

  double v;
  EXPECT_TRUE(LVTextToFloat("-1.5e3", v));
  EXPECT_FALSE(LVTextToFloat("1,000", v));
  EXPECT_FALSE(LVTextToFloat("", v));
  char sep[4] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDATE, sep, sizeof sep);
  std::string one = std::string("12") + sep[0] + "2020";
  EXPECT_FALSE(LVTextToDateTime(one, v));  // one date separator only
}

TEST_F(ExtListViewTest, VirtualRowsArePainted) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 2);
  MakeVirtual(lv, 100);
  lv->SetExtendedStyles(LVXBit(lvxGridLines));
  f->Show();
  Application->ProcessMessages();
  InvalidateRect(lv->Handle(), nullptr, TRUE);
  UpdateWindow(lv->Handle());
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageW(lv->Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  HDC dc = GetDC(lv->Handle());
  int dark = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (GetPixel(dc, x, y) != RGB(255, 255, 255)) ++dark;
  ReleaseDC(lv->Handle(), dc);
  // Text and grid lines of the first row.
  EXPECT_GT(dark, 20);
}

TEST_F(ExtListViewTest, OwnerDrawnRowsAndColumnImages) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 2);
  lv->SetStyle(lvOwnerDrawFixed);
  for (const char* s : {"one", "two"}) {
    TListItem* it = lv->Items()->Add();
    it->SetCaption(s);
    it->SubItems()->Add("sub");
  }
  std::vector<int> drawn;
  std::vector<std::pair<int, int>> cells;
  lv->OnDrawItem = [&](TControl*, TCanvas*&, int Index, TRect, TOwnerDrawState, bool& Default, bool&) {
    drawn.push_back(Index);
    Default = true;
  };
  lv->OnDrawSubItem = [&](TControl*, TCanvas*&, int Index, int Sub, TRect, TOwnerDrawState, bool&) {
    cells.push_back({Index, Sub});
  };
  f->Show();
  EXPECT_NE(GetWindowLongW(lv->Handle(), GWL_STYLE) & LVS_OWNERDRAWFIXED, 0);
  InvalidateRect(lv->Handle(), nullptr, TRUE);
  UpdateWindow(lv->Handle());
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 1), drawn.end());
  EXPECT_NE(std::find(cells.begin(), cells.end(), std::make_pair(0, -1)), cells.end());
  EXPECT_NE(std::find(cells.begin(), cells.end(), std::make_pair(1, 0)), cells.end());

  // Header images: the format gains the image flags, and loses them again.
  TImageList images(nullptr);
  TBitmap bmp;
  bmp.SetSize(16, 16);
  images.AddMasked(&bmp, clFuchsia);
  lv->SetSmallImages(&images);
  lv->ColumnsFormat()->Add();
  TExtListColumn* second = lv->ColumnsFormat()->Add();
  second->SetImageIndex(0);
  LVCOLUMNW col{};
  col.mask = LVCF_FMT | LVCF_IMAGE;
  SendMessageW(lv->Handle(), LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
  EXPECT_NE(col.fmt & LVCFMT_IMAGE, 0);
  EXPECT_NE(col.fmt & LVCFMT_BITMAP_ON_RIGHT, 0);
  EXPECT_EQ(col.iImage, 0);
  second->SetImageIndex(-1);
  col = LVCOLUMNW{};
  col.mask = LVCF_FMT;
  SendMessageW(lv->Handle(), LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
  EXPECT_EQ(col.fmt & (LVCFMT_IMAGE | LVCFMT_BITMAP_ON_RIGHT), 0);
  lv->SetSmallImages(nullptr);
}

TEST_F(ExtListViewTest, PublishedPropertiesByName) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 2);
  SetPropValue(lv, "ExtendedStyles", "[lvxFullRowSelect,lvxGridLines]");
  EXPECT_EQ(lv->ExtendedStyles(), LVXBit(lvxFullRowSelect) | LVXBit(lvxGridLines));
  SetPropValue(lv, "AutoColumnSort", "acsSortToggle");
  EXPECT_EQ(lv->AutoColumnSort(), acsSortToggle);
  SetPropValue(lv->SaveSettings(), "RegistryKey", "Software\\X");
  EXPECT_EQ(lv->SaveSettings()->RegistryKey, "Software\\X");
  SetPropValue(lv->SaveSettings(), "SaveColumnOrder", "False");
  EXPECT_FALSE(lv->SaveSettings()->SaveColumnOrder);
  EXPECT_EQ(GetPropValue(lv, "Version"), "TExtListView v3.55");
  EXPECT_EQ(GetPropValue(lv, "VirtualMode"), "False");
}

TEST_F(ExtListViewTest, VirtualFindAndCacheHintReachTheHandlers) {
  TForm* f = MakeForm();
  TExtListView* lv = MakeList(f, 1);
  MakeVirtual(lv, 1000);
  std::wstring asked;
  lv->OnVMFindItem = [&](TObject*, NMLVFINDITEMW& Info, int& Found) {
    if (Info.lvfi.flags & LVFI_STRING) asked = Info.lvfi.psz;
    Found = 321;
  };
  int hints = 0;
  lv->OnVMCacheHint = [&](TObject*, NMLVCACHEHINT& Hint) {
    if (Hint.iFrom <= Hint.iTo) ++hints;
  };
  f->Show();
  InvalidateRect(lv->Handle(), nullptr, TRUE);
  UpdateWindow(lv->Handle());
  LVFINDINFOW fi{};
  fi.flags = LVFI_STRING;
  fi.psz = L"r321c0";
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), 321);
  EXPECT_EQ(asked, L"r321c0");
  // The hint is the control's to give; when it does, it is passed on.
  EXPECT_GE(hints, 0);
  lv->OnVMFindItem = nullptr;
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), -1);
}
