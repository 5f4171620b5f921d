#include <string>
#include <vector>

#include "framework/ui/comctrls.h"
#include "tests/framework/ui/ui_fixture.h"

using namespace UiDriver;

namespace {

// An owner-data list whose rows are computed, answering through the virtual
// cell handler the way an extended list view does.
class TVirtualList : public TListView {
 public:
  using TListView::TListView;
  int Requests = 0;

 protected:
  void OwnerDataFetch(int Index, int SubItem, std::string& Text, int& ImageIndex) override {
    ++Requests;
    Text = "row " + IntToStr(Index) + " col " + IntToStr(SubItem);
    ImageIndex = Index % 3;
  }
};

std::string ItemText(HWND List, int Row, int Column, int BufferChars = 260) {
  std::vector<wchar_t> buf(static_cast<size_t>(BufferChars) + 8, L'#');
  LVITEMW it{};
  it.iSubItem = Column;
  it.pszText = buf.data();
  it.cchTextMax = BufferChars;
  SendMessageW(List, LVM_GETITEMTEXTW, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&it));
  // Nothing is written past the buffer.
  EXPECT_EQ(buf[static_cast<size_t>(BufferChars)], L'#');
  return Narrow(buf.data());
}

}  // namespace

TEST_F(UiTest, OwnerDataListViewAnswersEveryCellThroughTheHandler) {
  TForm* f = MakeForm();
  auto* lv = new TVirtualList(f);
  lv->SetViewStyle(vsReport);
  lv->SetOwnerData(true);
  lv->Columns()->Add()->SetCaption("Name");
  lv->Columns()->Add()->SetCaption("Size");
  lv->Items()->SetCount(50000);
  lv->SetAlign(alClient);
  lv->SetParent(f);
  f->Show();
  HWND h = lv->Handle();
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & LVS_OWNERDATA);
  EXPECT_EQ(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0), 50000);
  EXPECT_EQ(ItemText(h, 0, 0), "row 0 col 0");
  EXPECT_EQ(ItemText(h, 49999, 1), "row 49999 col 1");
  EXPECT_EQ(ItemText(h, 31234, 1), "row 31234 col 1");
  // A short buffer gets a shortened, terminated text.
  EXPECT_EQ(ItemText(h, 12, 0, 5), "row ");
  EXPECT_GT(lv->Requests, 0);
  // Switching owner data off and on re-creates the window and keeps columns.
  lv->SetOwnerData(false);
  EXPECT_FALSE(GetWindowLongW(lv->Handle(), GWL_STYLE) & LVS_OWNERDATA);
  EXPECT_EQ(lv->Columns()->Count(), 2);
  EXPECT_EQ(Header_GetItemCount(lv->HeaderHandle()), 2);
}

TEST_F(UiTest, ListViewItemsColumnsSortAndClicks) {
  TForm* f = MakeForm();
  auto* lv = new TListView(f);
  lv->SetViewStyle(vsReport);
  lv->SetAlign(alClient);
  lv->SetParent(f);
  lv->Columns()->Add()->SetCaption("Name");
  lv->Columns()->Add()->SetCaption("Size");
  lv->Columns()->Items(0)->SetWidth(120);
  const char* names[] = {"delta", "alpha", "charlie", "bravo"};
  for (const char* n : names) {
    TListItem* it = lv->Items()->Add();
    it->SetCaption(n);
    it->SubItems()->Add(std::string(n).substr(0, 2));
  }
  f->Show();
  HWND h = lv->Handle();
  EXPECT_EQ(ItemText(h, 0, 0), "delta");
  EXPECT_EQ(ItemText(h, 0, 1), "de");
  lv->AlphaSort();
  EXPECT_EQ(lv->Items()->Item(0)->Caption(), "alpha");
  EXPECT_EQ(ItemText(h, 0, 0), "alpha");
  EXPECT_EQ(ItemText(h, 3, 0), "delta");
  EXPECT_EQ(lv->Items()->Item(3)->Index(), 3);

  TListColumn* clicked = nullptr;
  lv->OnColumnClick = [&](TObject*, TListColumn* C) { clicked = C; };
  NMLISTVIEW nm{};
  nm.hdr = NMHDR{h, static_cast<UINT_PTR>(lv->ControlId()), static_cast<UINT>(LVN_COLUMNCLICK)};
  nm.iItem = -1;
  nm.iSubItem = 1;
  SendMessageW(f->Handle(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
  EXPECT_EQ(clicked, lv->Columns()->Items(1));

  std::vector<std::string> selected;
  lv->OnSelectItem = [&](TObject*, TListItem* I, bool S) {
    if (S) selected.push_back(I->Caption());
  };
  lv->Items()->Item(2)->SetSelected(true);
  EXPECT_EQ(selected, std::vector<std::string>{"charlie"});
  EXPECT_EQ(lv->Selected(), lv->Items()->Item(2));
  // Re-creating keeps items, selection and column widths.
  lv->RecreateWnd();
  EXPECT_EQ(ItemText(lv->Handle(), 2, 0), "charlie");
  EXPECT_TRUE(lv->Items()->Item(2)->Selected());
  EXPECT_EQ(lv->Columns()->Items(0)->Width(), 120);
  lv->Items()->Delete(0);
  EXPECT_EQ(ItemText(lv->Handle(), 0, 0), "bravo");
  lv->Items()->Clear();
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(UiTest, TreeViewNodesExpandSelectAndSurviveRecreation) {
  TForm* f = MakeForm();
  auto* tv = new TTreeView(f);
  tv->SetAlign(alClient);
  tv->SetParent(f);
  f->Show();
  TTreeNode* root = tv->Items()->Add(nullptr, "root");
  TTreeNode* a = tv->Items()->AddChild(root, "a");
  TTreeNode* b = tv->Items()->AddChild(root, "b");
  TTreeNode* a1 = tv->Items()->AddChild(a, "a1");
  TTreeNode* first = tv->Items()->AddChildFirst(root, "first");
  EXPECT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Item(0), first);
  EXPECT_EQ(tv->Items()->Count(), 5);
  EXPECT_EQ(tv->Items()->Item(3), a1);
  EXPECT_EQ(a1->Level(), 2);
  EXPECT_EQ(b->AbsoluteIndex(), 4);
  std::vector<std::string> changes;
  tv->OnChange = [&](TObject*, TTreeNode* N) { changes.push_back(N ? N->Text() : "-"); };
  root->Expand(false);
  EXPECT_TRUE(root->Expanded());
  EXPECT_FALSE(a->Expanded());
  a->SetSelected(true);
  EXPECT_EQ(tv->Selected(), a);
  EXPECT_EQ(changes, std::vector<std::string>{"a"});
  a->SetText("renamed");
  TVITEMW item{};
  wchar_t buf[64];
  item.mask = TVIF_TEXT;
  item.hItem = a->ItemId();
  item.pszText = buf;
  item.cchTextMax = 64;
  SendMessageW(tv->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::wstring(buf), L"renamed");

  tv->RecreateWnd();
  EXPECT_EQ(tv->Items()->Count(), 5);
  EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 5);
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(tv->Selected(), a);
  EXPECT_EQ(tv->Items()->GetNode(a1->ItemId()), a1);

  int deletions = 0;
  tv->OnDeletion = [&](TObject*, TTreeNode*) { ++deletions; };
  a->Delete();
  EXPECT_EQ(deletions, 2);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 3);
  tv->Items()->Clear();
  EXPECT_EQ(tv->Items()->Count(), 0);

  TImageList images(nullptr);
  tv->SetImages(&images);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(tv->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
            images.Handle());
  tv->RecreateWnd();
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(tv->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
            images.Handle());
  tv->SetImages(nullptr);
}

TEST_F(UiTest, StatusBarPanelsAndSimpleText) {
  TForm* f = MakeForm();
  auto* sb = new TStatusBar(f);
  sb->SetParent(f);
  sb->Panels()->Add()->SetWidth(120);
  sb->Panels()->Add()->SetWidth(80);
  sb->Panels()->Items(0)->SetText("No file(s) selected.");
  sb->Panels()->Items(1)->SetText("right");
  sb->Panels()->Items(1)->SetAlignment(taRightJustify);
  f->Show();
  HWND h = sb->Handle();
  int edges[4] = {};
  EXPECT_EQ(SendMessageW(h, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
  EXPECT_EQ(edges[0], 120);
  wchar_t buf[128];
  SendMessageW(h, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
  EXPECT_EQ(std::wstring(buf), L"No file(s) selected.");
  SendMessageW(h, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(buf));
  EXPECT_EQ(std::wstring(buf), L"\t\tright");
  EXPECT_EQ(sb->Top() + sb->Height(), f->ClientHeight());
  sb->SetSimplePanel(true);
  sb->SetSimpleText("Busy");
  EXPECT_TRUE(SendMessageW(h, SB_ISSIMPLE, 0, 0));
  sb->RecreateWnd();
  EXPECT_TRUE(SendMessageW(sb->Handle(), SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(sb->SimpleText(), "Busy");
}

TEST_F(UiTest, ProgressBarRangeAndPosition) {
  TForm* f = MakeForm();
  auto* pb = new TProgressBar(f);
  pb->SetMax(200);
  pb->SetPosition(50);
  pb->SetParent(f);
  f->Show();
  EXPECT_EQ(SendMessageW(pb->Handle(), PBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(SendMessageW(pb->Handle(), PBM_GETRANGE, FALSE, 0), 200);
  pb->SetPosition(500);
  EXPECT_EQ(pb->Position(), 200);
  pb->SetPosition(120);
  pb->SetSmooth(true);
  EXPECT_EQ(pb->Position(), 120);
}

TEST_F(UiTest, PageControlSwitchesPages) {
  TForm* f = MakeForm();
  auto* pc = new TPageControl(f);
  pc->SetAlign(alClient);
  pc->SetParent(f);
  auto* p1 = new TTabSheet(f);
  p1->SetCaption("General");
  p1->SetPageControl(pc);
  auto* p2 = new TTabSheet(f);
  p2->SetCaption("Folders");
  p2->SetPageControl(pc);
  f->Show();
  EXPECT_EQ(TabCtrl_GetItemCount(pc->Handle()), 2);
  EXPECT_EQ(pc->ActivePage(), p1);
  EXPECT_TRUE(IsWindowVisible(p1->Handle()));
  EXPECT_FALSE(IsWindowVisible(p2->Handle()));
  TRect d = pc->DisplayRect();
  EXPECT_EQ(p1->Left(), d.left);
  EXPECT_EQ(p1->Top(), d.top);
  int changes = 0;
  pc->OnChange = [&](TObject*) { ++changes; };
  pc->SetActivePage(p2);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(IsWindowVisible(p2->Handle()));
  EXPECT_FALSE(IsWindowVisible(p1->Handle()));
  EXPECT_EQ(TabCtrl_GetCurSel(pc->Handle()), 1);
  // A user's tab change: the control notifies, the page follows.
  TabCtrl_SetCurSel(pc->Handle(), 0);
  NMHDR h{pc->Handle(), static_cast<UINT_PTR>(pc->ControlId()), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(f->Handle(), WM_NOTIFY, h.idFrom, reinterpret_cast<LPARAM>(&h));
  EXPECT_EQ(pc->ActivePage(), p1);
  EXPECT_EQ(changes, 1);
  delete p1;
  EXPECT_EQ(pc->PageCount(), 1);
  EXPECT_EQ(pc->ActivePage(), p2);
  EXPECT_EQ(TabCtrl_GetItemCount(pc->Handle()), 1);
}
