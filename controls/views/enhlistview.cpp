#include "controls/views/enhlistview.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "controls/views/viewprops.h"
#include "framework/ui/registry.h"

namespace {

// The running sort: +1 ascending, -1 descending; the sub-item is the sort
// column - 1, so -1 is the caption.
int gSortFactor = 1;
int gSortSubItem = -1;

std::string LocaleString(LCTYPE Type, const char* Default) {
  char buf[16] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, Type, buf, sizeof buf) <= 0) return Default;
  return buf;
}

bool ReadNumbers(const std::string& S, char Sep, std::vector<int>& Out) {
  Out.clear();
  size_t i = 0;
  while (i <= S.size()) {
    size_t j = S.find(Sep, i);
    std::string part = S.substr(i, j == std::string::npos ? std::string::npos : j - i);
    while (!part.empty() && part.front() == ' ') part.erase(0, 1);
    while (!part.empty() && part.back() == ' ') part.pop_back();
    if (part.empty() || part.size() > 4 || part.find_first_not_of("0123456789") != std::string::npos) return false;
    Out.push_back(std::atoi(part.c_str()));
    if (j == std::string::npos) break;
    i = j + 1;
  }
  return true;
}

bool ReadDate(const std::string& S, double& Value) {
  std::string sep = LocaleString(LOCALE_SDATE, "/");
  std::vector<int> n;
  if (sep.empty() || !ReadNumbers(S, sep[0], n) || n.size() != 3) return false;
  int order = std::atoi(LocaleString(LOCALE_IDATE, "0").c_str());
  int y, m, d;
  if (order == 1) {
    d = n[0], m = n[1], y = n[2];
  } else if (order == 2) {
    y = n[0], m = n[1], d = n[2];
  } else {
    m = n[0], d = n[1], y = n[2];
  }
  if (y < 100) y += y < 50 ? 2000 : 1900;
  TDateTime t;
  if (!TryEncodeDate(y, m, d, t)) return false;
  Value = t;
  return true;
}

bool ReadTime(std::string S, double& Value) {
  std::string sep = LocaleString(LOCALE_STIME, ":");
  bool pm = false, am = false;
  for (const char* suffix : {"PM", "pm", "AM", "am"}) {
    size_t n = std::strlen(suffix);
    if (S.size() > n && S.compare(S.size() - n, n, suffix) == 0) {
      (suffix[0] == 'P' || suffix[0] == 'p' ? pm : am) = true;
      S.resize(S.size() - n);
      break;
    }
  }
  while (!S.empty() && S.back() == ' ') S.pop_back();
  std::vector<int> n;
  if (sep.empty() || !ReadNumbers(S, sep[0], n) || n.size() < 2 || n.size() > 3) return false;
  int h = n[0];
  if (pm && h < 12) h += 12;
  if (am && h == 12) h = 0;
  TDateTime t;
  if (!TryEncodeTime(h, n[1], n.size() > 2 ? n[2] : 0, 0, t)) return false;
  Value = t;
  return true;
}

int AnsiCompareStr(const std::string& A, const std::string& B) {
  return CompareStringA(LOCALE_USER_DEFAULT, 0, A.c_str(), static_cast<int>(A.size()), B.c_str(),
                        static_cast<int>(B.size())) -
         2;
}

int AlignFlag(TAlignment A) { return A == taRightJustify ? DT_RIGHT : A == taCenter ? DT_CENTER : DT_LEFT; }

}  // namespace

bool LVTextToDateTime(const std::string& Text, double& Value) {
  std::string ds = LocaleString(LOCALE_SDATE, "/"), ts = LocaleString(LOCALE_STIME, ":");
  size_t d1 = ds.empty() ? std::string::npos : Text.find(ds[0]);
  bool hasDate = d1 != std::string::npos && d1 + 1 < Text.size() && Text.find(ds[0], d1 + 1) != std::string::npos;
  bool hasTime = !ts.empty() && Text.find(ts[0]) != std::string::npos;
  if (hasDate && hasTime) {
    size_t space = Text.find(' ');
    if (space == std::string::npos) return false;
    double d, t;
    if (!ReadDate(Text.substr(0, space), d) || !ReadTime(Text.substr(space + 1), t)) return false;
    Value = d + t;
    return true;
  }
  if (hasDate) return ReadDate(Text, Value);
  if (hasTime) return ReadTime(Text, Value);
  return false;
}

bool LVTextToFloat(const std::string& Text, double& Value) {
  size_t i = 0, n = Text.size();
  if (i < n && (Text[i] == '+' || Text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < n && isdigit(static_cast<unsigned char>(Text[i]))) ++i, ++digits;
  if (i < n && Text[i] == '.') {
    ++i;
    while (i < n && isdigit(static_cast<unsigned char>(Text[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (Text[i] == 'e' || Text[i] == 'E')) {
    ++i;
    if (i < n && (Text[i] == '+' || Text[i] == '-')) ++i;
    size_t e = 0;
    while (i < n && isdigit(static_cast<unsigned char>(Text[i]))) ++i, ++e;
    if (e == 0) return false;
  }
  if (i != n) return false;
  Value = std::strtod(Text.c_str(), nullptr);
  return true;
}

bool LVParseIntList(const std::string& Text, int Count, std::vector<int>& Values) {
  std::vector<int> out;
  size_t i = 0;
  while (i < Text.size() && static_cast<int>(out.size()) < Count) {
    size_t j = Text.find(',', i);
    std::string part = Text.substr(i, j == std::string::npos ? std::string::npos : j - i);
    if (part.empty() || part.size() > 10) return false;
    size_t k = part[0] == '-' ? 1 : 0;
    if (k == part.size() || part.find_first_not_of("0123456789", k) != std::string::npos) return false;
    long long v = std::atoll(part.c_str());
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out.push_back(static_cast<int>(v));
    if (j == std::string::npos) break;
    i = j + 1;
    if (i == Text.size()) return false;  // trailing comma: an empty entry
  }
  for (size_t k = 0; k < out.size() && k < Values.size(); ++k) Values[k] = out[k];
  if (Values.size() < out.size()) Values = out;
  return true;
}

void TEnhLVSaveSettings::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TEnhLVSaveSettings*>(Source)) {
    AutoSave = s->AutoSave;
    RegistryKey = s->RegistryKey;
    SaveColumnSizes = s->SaveColumnSizes;
    SaveCurrentSort = s->SaveCurrentSort;
    return;
  }
  TPersistent::Assign(Source);
}

// ---- construction ----------------------------------------------------------

TCustomEnhListView::TCustomEnhListView(TComponent* AOwner)
    : TCustomEnhListView(AOwner, std::make_unique<TEnhLVSaveSettings>()) {}

TCustomEnhListView::TCustomEnhListView(TComponent* AOwner, std::unique_ptr<TEnhLVSaveSettings> Settings)
    : TCustomListView(AOwner), FSaveSettings(std::move(Settings)), FBackgroundImage(std::make_unique<TBitmap>()) {
  SetViewStyle(vsReport);
}

TCustomEnhListView::~TCustomEnhListView() {
  // The window goes while this class's handlers still run, so an automatic
  // save on WM_DESTROY sees the columns.
  if (HandleAllocated()) DestroyHandle();
  FDrawCanvas.reset();
  FSortUpBmp.reset();
  FSortDownBmp.reset();
}

void TCustomEnhListView::Loaded() {
  TCustomListView::Loaded();
  ApplyBackground();
  if (!FRecreatingFlag) HandleNeeded();
  FUpdateCount = 0;
  bool loaded = FSaveSettings->AutoSave && !Designing();
  LoadSettingsIfAuto();
  if (!(loaded && FSaveSettings->SaveCurrentSort)) {
    if (Columns()->Count() > 0) FCurrentSortColumn = 0;
    Resort();
  }
  if (HandleAllocated()) PostMessageW(Handle(), WM_USER + 143, 0, 0);
}

void TCustomEnhListView::CreateParams(TCreateParams& Params) {
  TCustomListView::CreateParams(Params);
  if (FStyle == lvOwnerDrawFixed) {
    Params.Style |= LVS_OWNERDRAWFIXED;
    EnsureDrawCanvas();
  } else if (!HeaderOwnerDrawWanted()) {
    FDrawCanvas.reset();
  }
}

void TCustomEnhListView::CreateWnd() {
  FRecreatingFlag = true;
  TCustomListView::CreateWnd();
  FRecreatingFlag = false;
  if (!LoadingNow()) FUpdateCount = 0;
  FHeaderHandle = reinterpret_cast<HWND>(SendMessageW(FHandle, LVM_GETHEADER, 0, 0));
  if (HeaderOwnerDrawWanted()) SetHeaderOwnerDraw(true);
}

void TCustomEnhListView::DestroyWnd() {
  TCustomListView::DestroyWnd();
  if (!Recreating()) FHeaderHandle = nullptr;
}

void TCustomEnhListView::EnsureDrawCanvas() {
  if (!FDrawCanvas) FDrawCanvas = std::make_unique<TCanvas>();
}

// ---- properties ------------------------------------------------------------

void TCustomEnhListView::SetStyle(TLVStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEnhListView::SetAutoColumnSort(TAutoColumnSort Value) {
  if (Value == FAutoColumnSort) return;
  FAutoColumnSort = Value;
  if (Value != acsNoSort) Resort();
}

void TCustomEnhListView::SetAutoSortStyle(TAutoSortStyle Value) {
  if (Value == FAutoSortStyle) return;
  FAutoSortStyle = Value;
  Resort();
}

void TCustomEnhListView::SetAutoSortAscending(bool Value) {
  FAutoSortAscending = Value;
  SetCurrentSortAscending(Value);
}

void TCustomEnhListView::SetCurrentSortAscending(bool Value) {
  if (Value == FCurrentSortAscending) return;
  FCurrentSortAscending = Value;
  InvalidateColumnHeader(FCurrentSortColumn);
}

void TCustomEnhListView::SetCurrentSortColumn(int Value) {
  if (Value == FCurrentSortColumn) return;
  if (FShowSortArrows) InvalidateColumnHeader(FCurrentSortColumn);
  FCurrentSortColumn = Value;
  InvalidateColumnHeader(Value);
}

void TCustomEnhListView::SetShowSortArrows(bool Value) {
  FShowSortArrows = Value;
  FSortUpBmp.reset();
  FSortDownBmp.reset();
  if (Value) {
    FSortUpBmp = std::make_unique<TBitmap>();
    FSortDownBmp = std::make_unique<TBitmap>();
    CreateSortArrowBitmaps();
    if (!LoadingNow()) SetHeaderOwnerDraw(true);
  } else {
    SetHeaderOwnerDraw(FOnDrawHeader != nullptr);
  }
  if (HandleAllocated()) Invalidate();
}

void TCustomEnhListView::SetReverseSortArrows(bool Value) {
  if (Value == FReverseSortArrows) return;
  FReverseSortArrows = Value;
  if (FShowSortArrows) {
    CreateSortArrowBitmaps();
    InvalidateColumnHeader(FCurrentSortColumn);
  }
}

void TCustomEnhListView::SetBackgroundImage(TBitmap* Value) {
  FBackgroundImage->Assign(Value);
  ApplyBackground();
}

void TCustomEnhListView::SetSmallImages(TCustomImageList* Value) {
  TCustomListView::SetSmallImages(Value);
  if (FStyle == lvOwnerDrawFixed && HandleAllocated()) RecreateWnd();
}

void TCustomEnhListView::SetOnDrawHeader(TLVHDrawItemEvent Value) {
  FOnDrawHeader = std::move(Value);
  SetHeaderOwnerDraw(HeaderOwnerDrawWanted());
}

void TCustomEnhListView::FontChanged() {
  TCustomListView::FontChanged();
  if (FStyle == lvOwnerDrawFixed && HandleAllocated()) RecreateWnd();
}

std::string TCustomEnhListView::GetVersion() { return "TEnhListView v3.55"; }

// ---- sorting ---------------------------------------------------------------

int TCustomEnhListView::CompareItems(TListItem* Item1, TListItem* Item2) {
  if (!Item1 || !Item2) return 0;
  auto text = [](TListItem* Item) -> std::string {
    if (gSortSubItem < 0) return Item->Caption();
    if (gSortSubItem < Item->SubItems()->Count()) return Item->SubItems()->Strings(gSortSubItem);
    return {};
  };
  std::string a = text(Item1), b = text(Item2);
  if (FAutoSortStyle == assDefault) return AnsiCompareStr(a, b) * gSortFactor;
  double x, y;
  if (LVTextToDateTime(a, x) && LVTextToDateTime(b, y)) return (x < y ? -1 : x > y ? 1 : 0) * gSortFactor;
  if (LVTextToFloat(a, x) && LVTextToFloat(b, y)) return (x < y ? -1 : x > y ? 1 : 0) * gSortFactor;
  return AnsiCompareStr(a, b) * gSortFactor;
}

int TCustomEnhListView::DoSortItems(TListItem* Item1, TListItem* Item2) {
  int result = 0;
  if (OnSortItems) OnSortItems(this, Item1, Item2, gSortSubItem, result);
  return result * gSortFactor;
}

void TCustomEnhListView::SortByColumn(int Column, bool Ascending) {
  FResortPending = false;
  SetCurrentSortColumn(Column);
  DoSortBegin(Column, !Ascending);
  gSortFactor = Ascending ? 1 : -1;
  gSortSubItem = Column - 1;
  if (OnSortItems)
    CustomSort([this](TListItem* a, TListItem* b) { return DoSortItems(a, b); });
  else
    CustomSort([this](TListItem* a, TListItem* b) { return CompareItems(a, b); });
  DoSortFinished(Column, !Ascending);
}

void TCustomEnhListView::DoSortBegin(int SortColumn, bool Ascending) {
  if (OnSortBegin) OnSortBegin(this, SortColumn, Ascending);
}

void TCustomEnhListView::DoSortFinished(int SortColumn, bool Ascending) {
  if (OnSortFinished) OnSortFinished(this, SortColumn, Ascending);
}

void TCustomEnhListView::ColumnClickSort(int Column, bool Ascending) {
  if (FAutoColumnSort == acsSortToggle)
    FCurrentSortAscending = Column == FCurrentSortColumn ? !Ascending : Ascending;
  InvalidateColumnHeader(Column);
  SortByColumn(Column, Ascending);
}

void TCustomEnhListView::ColClick(TListColumn* Column) {
  const int col = Column ? Column->Index() : -1;
  if (FAutoColumnSort == acsSortToggle)
    FCurrentSortAscending = col == FCurrentSortColumn ? !FCurrentSortAscending : FAutoSortAscending;
  TCustomListView::ColClick(Column);
  if (FAutoColumnSort != acsNoSort && col >= 0 && col < Columns()->Count()) SortByColumn(col, FCurrentSortAscending);
  SetCurrentSortColumn(col);
  InvalidateColumnHeader(col);
}

void TCustomEnhListView::Resort() {
  FResortPending = true;
  bool canSort = (FAutoColumnSort != acsNoSort && FCurrentSortColumn >= 0 && FCurrentSortColumn < Columns()->Count()) ||
                 OnSortItems != nullptr;
  if (canSort && FUpdateCount == 0) SortByColumn(FCurrentSortColumn, FCurrentSortAscending);
}

void TCustomEnhListView::BeginUpdate() {
  Items()->BeginUpdate();
  ++FUpdateCount;
}

void TCustomEnhListView::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  if (FUpdateCount == 0 && FResortPending) Resort();
  Items()->EndUpdate();
}

void TCustomEnhListView::AutoSizeColumns(bool UseHeader) {
  BeginUpdate();
  for (int i = 0; i < Columns()->Count(); ++i) Columns()->Items(i)->SetWidth(UseHeader ? -2 : -1);
  EndUpdate();
}

// ---- columns ---------------------------------------------------------------

int TCustomEnhListView::ActualColumnIndex(int Index) { return Index; }

TListColumn* TCustomEnhListView::GetActualColumn(int Index) {
  return Index >= 0 && Index < Columns()->Count() ? Columns()->Items(Index) : nullptr;
}

std::string TCustomEnhListView::GetSubItemText(int Index, int SubItem) {
  if (OwnerData() || Index < 0 || Index >= Items()->Count()) return {};
  TListItem* item = Items()->Item(Index);
  if (SubItem < 0) return item->Caption();
  return SubItem < item->SubItems()->Count() ? item->SubItems()->Strings(SubItem) : std::string();
}

void TCustomEnhListView::InvalidateColumnHeader(int Index) {
  if (Index < 0 || Index >= Columns()->Count() || !FHeaderHandle) return;
  int pos = ActualColumnIndex(Index), x = 0;
  for (int i = 0; i < pos; ++i)
    if (TListColumn* c = GetActualColumn(i)) x += c->Width();
  RECT r;
  GetClientRect(FHeaderHandle, &r);
  r.left = x;
  r.right = x + Columns()->Items(Index)->Width();
  InflateRect(&r, -2, -2);
  InvalidateRect(FHeaderHandle, &r, FALSE);
}

// ---- header drawing --------------------------------------------------------

void TCustomEnhListView::SetHeaderOwnerDraw(bool On) {
  if (HandleAllocated() && FHeaderHandle) {
    int n = static_cast<int>(SendMessageW(FHeaderHandle, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      HDITEMW item{};
      item.mask = HDI_FORMAT;
      SendMessageW(FHeaderHandle, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      if (On)
        item.fmt |= HDF_OWNERDRAW;
      else
        item.fmt &= ~HDF_OWNERDRAW;
      SendMessageW(FHeaderHandle, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
  }
  if (On)
    EnsureDrawCanvas();
  else if (FStyle == lvStandard)
    FDrawCanvas.reset();
}

void TCustomEnhListView::CreateSortArrowBitmaps() {
  if (!FSortUpBmp || !FSortDownBmp) return;
  TBitmap* first = FSortUpBmp.get();
  first->SetSize(1, 1);
  first->Canvas()->SetFont(Font());
  const int h = first->Canvas()->TextHeight("Wy");
  FSortUpBmp = std::make_unique<TBitmap>();
  FSortDownBmp = std::make_unique<TBitmap>();
  if (h - 6 < 1) return;
  const int s = h - 6 + (h % 2 ? 1 : 0), m = s / 2;
  TBitmap* up = FReverseSortArrows ? FSortDownBmp.get() : FSortUpBmp.get();
  TBitmap* down = FReverseSortArrows ? FSortUpBmp.get() : FSortDownBmp.get();
  for (TBitmap* b : {up, down}) {
    b->SetSize(s, s);
    b->Canvas()->Brush()->SetColor(clBtnFace);
    b->Canvas()->FillRect(Rect(0, 0, s, s));
  }
  TCanvas* c = down->Canvas();
  c->Pen()->SetColor(clBtnShadow);
  c->MoveTo(m, s - 2);
  c->LineTo(s - 1, 0);
  c->SetPixels(s - 1, 0, clBtnShadow);
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(s - 2, 0);
  c->LineTo(0, 0);
  c->LineTo(m - 1, s - 2);
  c->SetPixels(m - 1, s - 2, clBtnHighlight);
  c = up->Canvas();
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(0, s - 1);
  c->LineTo(m - 1, 0);
  c->Pen()->SetColor(clBtnShadow);
  c->MoveTo(m, 0);
  c->LineTo(s - 1, s - 1);
  c->LineTo(-1, s - 1);
  c->SetPixels(m, 0, clBtnFace);
}

void TCustomEnhListView::HeaderDrawItem(TMessage& Message) {
  auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  if (!FDrawCanvas) return;
  Message.Result = 1;
  int saved = SaveDC(d->hDC);
  FDrawCanvas->SetHandle(d->hDC);
  FDrawCanvas->SetFont(Font());
  FDrawCanvas->Brush()->SetStyle(bsSolid);
  FDrawCanvas->Brush()->SetColor(clBtnFace);
  TRect r = d->rcItem;
  DefaultDrawHeader(FDrawCanvas.get(), static_cast<int>(d->itemID), r, (d->itemState & ODS_SELECTED) != 0);
  FDrawCanvas->SetHandle(nullptr);
  RestoreDC(d->hDC, saved);
}

void TCustomEnhListView::DefaultDrawHeader(TCanvas* Canvas, int Index, TRect& Rect, bool Selected) {
  bool defaultDrawing = Designing() || DoDrawHeader(Canvas, Index, Rect, Selected);
  if (defaultDrawing) DrawHeaderItem(Canvas, Index, Rect, Selected);
}

bool TCustomEnhListView::DoDrawHeader(TCanvas* Canvas, int Index, TRect& Rect, bool Selected) {
  bool defaultDrawing = true;
  if (FOnDrawHeader) {
    TCanvas* c = Canvas;
    FOnDrawHeader(this, c, Index, Rect, Selected, defaultDrawing);
  }
  return defaultDrawing;
}

void TCustomEnhListView::DrawHeaderItem(TCanvas* Canvas, int Index, TRect Rect, bool Selected) {
  THeaderCellParts parts;
  if (FShowSortArrows && Index == FCurrentSortColumn && FAutoColumnSort != acsNoSort)
    parts.Arrow = FCurrentSortAscending ? FSortUpBmp.get() : FSortDownBmp.get();
  parts.ArrowBeforeRightText = true;
  PaintHeaderCell(Canvas, Index, Rect, Selected, parts);
}

// The caption, arrow and image layout of an owner-drawn header cell, shared by
// every list that draws its own header.
void TCustomEnhListView::PaintHeaderCell(TCanvas* Canvas, int Index, TRect Rect, bool Selected,
                                         const THeaderCellParts& Parts) {
  if (!Selected) InflateRect(&Rect, -2, -2);
  Canvas->FillRect(Rect);
  if (Selected) InflateRect(&Rect, -2, -2);
  if (Index < 0 || Index >= Columns()->Count()) return;
  TListColumn* column = Columns()->Items(Index);
  if (Selected) {
    ++Rect.top;
    ++Rect.left;
  }
  TRect text = Rect;
  const TAlignment align = column->Alignment();
  if (align == taLeftJustify) text.left += LVCellMarginX;
  if (align == taRightJustify) text.right -= LVCellMarginX;
  const bool image = Parts.Images && Parts.ImageIndex >= 0 && Parts.ImageIndex < Parts.Images->Count();
  const int imageW = Parts.Images ? Parts.Images->Width() : 0;
  if (image) {
    if (Parts.ImageLeftOfText)
      text.left += imageW + 4;
    else
      text.right -= imageW + 4;
  }
  TBitmap* arrow = Parts.Arrow && !Parts.Arrow->Empty() ? Parts.Arrow : nullptr;
  const bool arrowLeft = arrow && Parts.ArrowBeforeRightText && align == taRightJustify;
  if (arrowLeft)
    text.left += arrow->Width() + 8;
  else if (arrow)
    text.right = std::max(text.left, text.right - (arrow->Width() + 8));
  TRect measured = text;
  Canvas->DrawText(column->Caption(), measured, static_cast<UINT>(AlignFlag(align) | 0x8C24));
  const int w = measured.right - measured.left;
  if (align == taRightJustify) {
    text.left = text.right - w;
  } else if (align == taCenter) {
    text.left += (text.right - text.left - w) / 2;
    text.right = text.left + w;
  } else {
    text = measured;
  }
  text.left = std::max(text.left, Rect.left);
  text.right = std::min(text.right, Rect.right);
  if (Selected) OffsetRect(&text, 1, 1);
  Canvas->Brush()->SetStyle(bsClear);
  TRect drawn = text;
  Canvas->DrawText(column->Caption(), drawn, static_cast<UINT>(AlignFlag(align) | 0x8824));
  Canvas->Brush()->SetStyle(bsSolid);
  if (image) {
    const int y = text.top + (Rect.bottom - Rect.top - Parts.Images->Height()) / 2;
    const int x = Parts.ImageLeftOfText ? text.left - (imageW + 4) : text.right + 4;
    if (arrow || (x >= Rect.left && x + imageW <= Rect.right)) Parts.Images->Draw(Canvas, x, y, Parts.ImageIndex);
    if (arrow) text.right = std::min(text.right + imageW, Rect.right);
  }
  if (arrow) {
    const int y = text.top + (Rect.bottom - Rect.top - arrow->Height()) / 2;
    if (arrowLeft) {
      const int x = text.left - arrow->Width() - 8;
      if (x >= Rect.left) Canvas->Draw(x, y, arrow);
    } else {
      const int x = text.right + 8;
      if (x + arrow->Width() <= Rect.right) Canvas->Draw(x, y, arrow);
    }
  }
}

// ---- rows ------------------------------------------------------------------

int TCustomEnhListView::RowHeight() {
  HDC dc = GetDC(nullptr);
  TCanvas c;
  c.SetHandle(dc);
  c.SetFont(Font());
  int h = c.TextHeight("Wy") + 1;
  c.SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
  if (SmallImages() && SmallImages()->Height() > h) h = SmallImages()->Height();
  return h;
}

void TCustomEnhListView::DoMeasureItem(int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Height);
}

void TCustomEnhListView::DoDrawItem(TCanvas*& ACanvas, int Index, TRect Rect, TOwnerDrawState State,
                                    bool& DefaultDrawing, bool& FullRowSelect) {
  DefaultDrawing = !OnDrawItem;
  if (OnDrawItem) OnDrawItem(this, ACanvas, Index, Rect, State, DefaultDrawing, FullRowSelect);
}

void TCustomEnhListView::DoAfterDefaultDrawItem(TRect Rect, int Index, TOwnerDrawState State) {
  if (OnAfterDefaultDrawItem) {
    TCanvas* c = FDrawCanvas.get();
    OnAfterDefaultDrawItem(this, c, Index, Rect, State);
  }
}

bool TCustomEnhListView::DoDrawSubItem(int Index, int SubItem, TRect Rect, TOwnerDrawState State) {
  bool defaultDrawing = true;
  if (OnDrawSubItem) {
    TCanvas* c = FDrawCanvas.get();
    OnDrawSubItem(this, c, Index, SubItem, Rect, State, defaultDrawing);
  }
  return defaultDrawing;
}

void TCustomEnhListView::DrawItemParts(int Index, TRect& Rect, TOwnerDrawState State) {
  bool fullRowSelect = false, defaultDrawing = Designing();
  TCanvas* canvas = FDrawCanvas.get();
  if (!Designing()) DoDrawItem(canvas, Index, Rect, State, defaultDrawing, fullRowSelect);
  if (defaultDrawing) {
    FDrawCanvas->Brush()->SetColor(Color());
    FDrawCanvas->FillRect(Rect);
    if (Index < 0) return;
    const bool focused = Focused();
    const int stateW = StateImages() ? StateImages()->Width() : 0;
    const int smallW = SmallImages() ? SmallImages()->Width() : 0;
    TRect sel = Rect;
    sel.left = Rect.left + 2;
    if (fullRowSelect) {
      sel.left += stateW + smallW;
      sel.right = Rect.right;
    } else {
      sel.right = sel.left + FDrawCanvas->TextWidth(GetSubItemText(Index, -1)) + 8;
      OffsetRect(&sel, stateW + smallW, 0);
      if (Columns()->Count() > 0) sel.right = std::min<LONG>(sel.right, Columns()->Items(0)->Width());
    }
    if ((State & ODS_SELECTED) && (focused || !HideSelection())) {
      FDrawCanvas->Brush()->SetColor(focused ? clHighlight : clBtnFace);
      FDrawCanvas->FillRect(sel);
    }
    DefaultDrawItem(Index, Rect, State, fullRowSelect);
    if ((State & ODS_FOCUS) && focused) DrawFocusRect(FDrawCanvas->Handle(), &sel);
  }
  if (!Designing()) DoAfterDefaultDrawItem(Rect, Index, State);
}

void TCustomEnhListView::DefaultDrawItem(int Index, TRect Rect, TOwnerDrawState State, bool FullRowSelect) {
  if (OwnerData() || Index < 0 || Index >= Items()->Count() || Columns()->Count() == 0) return;
  TListItem* item = Items()->Item(Index);
  const bool focused = Focused();
  const bool selected = (State & ODS_SELECTED) != 0;
  if (selected && focused) {
    FDrawCanvas->Brush()->SetColor(clHighlight);
    FDrawCanvas->Font()->SetColor(clHighlightText);
  } else if (selected && !HideSelection()) {
    FDrawCanvas->Brush()->SetColor(clBtnFace);
    FDrawCanvas->Font()->SetColor(clBtnText);
  }
  TRect cell = Rect;
  cell.right = Rect.left + Columns()->Items(0)->Width() - 2;
  if (StateImages() && item->StateIndex() >= 0) {
    StateImages()->Draw(FDrawCanvas.get(), cell.left + LVCellMarginY, cell.top, item->StateIndex());
    cell.left += StateImages()->Width();
  }
  if (SmallImages()) {
    TColor blend = SmallImages()->BlendColor();
    TDrawingStyle style = SmallImages()->DrawingStyle();
    SmallImages()->SetBlendColor(clHighlight);
    SmallImages()->SetDrawingStyle(focused && selected ? dsSelected : dsTransparent);
    SmallImages()->Draw(FDrawCanvas.get(), cell.left + LVCellMarginY, cell.top, item->ImageIndex());
    if (item->OverlayIndex() >= 0 && item->OverlayIndex() <= 3)
      SmallImages()->DrawOverlay(FDrawCanvas.get(), cell.left + LVCellMarginY, cell.top, item->ImageIndex(),
                                 item->OverlayIndex());
    SmallImages()->SetBlendColor(blend);
    SmallImages()->SetDrawingStyle(style);
    cell.left += SmallImages()->Width();
  }
  if (Columns()->Items(0)->Alignment() == taLeftJustify) cell.left += LVCellMarginX;
  DefaultDrawSubItem(Index, -1, cell, State);
  for (int i = 1; i < Columns()->Count() && i <= item->SubItems()->Count(); ++i) {
    if (!FullRowSelect) {
      FDrawCanvas->Brush()->SetColor(clWindow);
      FDrawCanvas->Font()->SetColor(clWindowText);
    }
    TRect next = cell;
    const int w = Columns()->Items(i)->Width();
    next.left = cell.right + LVCellMarginX;
    next.right = Columns()->Items(i)->Alignment() == taLeftJustify ? cell.right + w : next.left + w - LVCellMarginX;
    cell = next;
    DefaultDrawSubItem(Index, i - 1, cell, State);
  }
}

void TCustomEnhListView::DefaultDrawSubItem(int Index, int SubItem, TRect Rect, TOwnerDrawState State) {
  HDC dc = FDrawCanvas->Handle();
  int saved = SaveDC(dc);
  bool defaultDrawing = Designing() || DoDrawSubItem(Index, SubItem, Rect, State);
  if (defaultDrawing) {
    if (SubItem >= 0) InflateRect(&Rect, -LVCellMarginX, 0);
    TAlignment a = SubItem + 1 < Columns()->Count() ? Columns()->Items(SubItem + 1)->Alignment() : taLeftJustify;
    FDrawCanvas->Brush()->SetStyle(bsClear);
    FDrawCanvas->DrawText(GetSubItemText(Index, SubItem), Rect, static_cast<UINT>(AlignFlag(a) | 0x8824));
    FDrawCanvas->Brush()->SetStyle(bsSolid);
  }
  RestoreDC(dc, saved);
}

void TCustomEnhListView::DoEditCanceled(TListItem* Item) {
  if (OnEditCanceled) OnEditCanceled(this, Item);
}

void TCustomEnhListView::Edit(const LVITEMW& Item) {
  TCustomListView::Edit(Item);
  if (!Item.pszText && !OwnerData() && Item.iItem >= 0 && Item.iItem < Items()->Count())
    DoEditCanceled(Items()->Item(Item.iItem));
}

void TCustomEnhListView::ApplyBackground() {
  if (!HandleAllocated()) return;
  if (!FBackgroundImage->Empty()) {
    SendMessageW(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
    LVBKIMAGEW bk{};
    bk.ulFlags = LVBKIF_SOURCE_HBITMAP | LVBKIF_STYLE_TILE;
    bk.hbm = FBackgroundImage->Handle();
    SendMessageW(Handle(), LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&bk));
  } else {
    SendMessageW(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
  }
  Invalidate();
}

// ---- messages --------------------------------------------------------------

void TCustomEnhListView::CNNotify(TMessage& Message) {
  TCustomListView::CNNotify(Message);
  auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
  if (AutoResort && (h->code == LVN_INSERTITEM || h->code == LVN_DELETEITEM) && !OwnerData()) Resort();
}

void TCustomEnhListView::WMNotify(TMessage& Message) {
  auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
  const int code = static_cast<int>(h->code);
  if (code <= -301 && code >= -398) FHeaderHandle = h->hwndFrom;
  if (FInWMNotify) return;
  FInWMNotify = true;
  switch (h->code) {
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA: {
      auto* nm = reinterpret_cast<NMHEADERW*>(h);
      if (nm->iItem >= 0 && nm->iItem < Columns()->Count())
        Columns()->Items(nm->iItem)->SetWidth(
            static_cast<int>(SendMessageW(Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(nm->iItem), 0)));
      break;
    }
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_ITEMCHANGEDW:
    case HDN_ITEMCHANGEDA:
      SetHeaderOwnerDraw(HeaderOwnerDrawWanted());
      break;
    default:
      break;
  }
  FInWMNotify = false;
}

void TCustomEnhListView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NOTIFY:
      TCustomListView::Dispatch(Message);
      WMNotify(Message);
      return;
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      if (d->CtlType == ODT_HEADER || (FHeaderHandle && d->hwndItem == FHeaderHandle)) {
        HeaderDrawItem(Message);
        if (Message.Result) return;
      }
      break;
    }
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      if (FDrawCanvas && d->CtlType == ODT_LISTVIEW) {
        int saved = SaveDC(d->hDC);
        FDrawCanvas->SetHandle(d->hDC);
        FDrawCanvas->SetFont(Font());
        FDrawCanvas->Brush()->SetColor(Color());
        TRect r = d->rcItem;
        DrawItemParts(static_cast<int>(d->itemID), r, static_cast<TOwnerDrawState>(d->itemState));
        FDrawCanvas->SetHandle(nullptr);
        RestoreDC(d->hDC, saved);
        Message.Result = 1;
        return;
      }
      break;
    }
    case CN_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int height = RowHeight();
      DoMeasureItem(height);
      m->itemHeight = static_cast<UINT>(height);
      Message.Result = 1;
      return;
    }
    case WM_DESTROY:
      SaveSettingsIfAuto();
      break;
    case WM_SYSCOLORCHANGE:
      if (FShowSortArrows) CreateSortArrowBitmaps();
      break;
    case WM_USER + 143:
      SetHeaderOwnerDraw(HeaderOwnerDrawWanted());
      Invalidate();
      return;
    default:
      break;
  }
  TCustomListView::Dispatch(Message);
}

// ---- saved settings --------------------------------------------------------

void TCustomEnhListView::StoreColumnSizes(const std::vector<int>& Widths) {
  if (Widths.empty()) return;
  std::string s;
  for (size_t i = 0; i < Widths.size(); ++i) s += (i ? "," : "") + IntToStr(Widths[i]);
  TRegIniFile reg(FSaveSettings->RegistryKey);
  reg.WriteString("Columns", "Sizes", s);
}

bool TCustomEnhListView::ReadColumnSizes(std::vector<int>& Widths) {
  TRegIniFile reg(FSaveSettings->RegistryKey);
  std::string s = reg.ReadString("Columns", "Sizes", "");
  if (s.empty()) return false;
  std::vector<int> parsed = Widths;
  // A damaged value is ignored rather than stopping the window from loading.
  if (!LVParseIntList(s, static_cast<int>(Widths.size()), parsed)) return false;
  Widths = parsed;
  return true;
}

void TCustomEnhListView::StoreCurrentSort() {
  TRegIniFile reg(FSaveSettings->RegistryKey);
  reg.WriteString("Sort", "Ascending", FCurrentSortAscending ? "1" : "0");
  reg.WriteString("Sort", "SortCol", IntToStr(FCurrentSortColumn));
}

void TCustomEnhListView::ReadCurrentSort(bool& Ascending, int& SortColumn) {
  TRegIniFile reg(FSaveSettings->RegistryKey);
  std::string a = reg.ReadString("Sort", "Ascending", "");
  Ascending = a.empty() ? true : a != "0";
  std::string c = reg.ReadString("Sort", "SortCol", "");
  SortColumn = 0;
  if (c.size() > 2 && (c.compare(0, 2, "0x") == 0 || c.compare(0, 2, "0X") == 0)) {
    char* end = nullptr;
    long v = std::strtol(c.c_str() + 2, &end, 16);
    if (end && *end == 0) SortColumn = static_cast<int>(v);
  } else if (!c.empty()) {
    std::vector<int> v(1, 0);
    if (LVParseIntList(c, 1, v)) SortColumn = v[0];
  }
}

bool TCustomEnhListView::StoreSettings() {
  if (!HasRegistryKey()) return false;
  const int n = Columns()->Count();
  if (n == 0) return true;
  if (FSaveSettings->SaveColumnSizes) {
    std::vector<int> widths;
    for (int i = 0; i < n; ++i) widths.push_back(Columns()->Items(i)->Width());
    StoreColumnSizes(widths);
  }
  if (FSaveSettings->SaveCurrentSort) StoreCurrentSort();
  return true;
}

bool TCustomEnhListView::LoadSettings() {
  if (!HasRegistryKey()) return false;
  const int n = Columns()->Count();
  if (FSaveSettings->SaveColumnSizes && n > 0) {
    std::vector<int> widths;
    for (int i = 0; i < n; ++i) widths.push_back(Columns()->Items(i)->Width());
    if (ReadColumnSizes(widths))
      for (int i = 0; i < n; ++i) Columns()->Items(i)->SetWidth(widths[static_cast<size_t>(i)]);
  }
  if (FSaveSettings->SaveCurrentSort) {
    bool ascending;
    int col;
    ReadCurrentSort(ascending, col);
    if (col >= n) col = n - 1;
    if (col < 0) col = 0;
    BeginUpdate();
    SetCurrentSortAscending(ascending);
    SetCurrentSortColumn(col);
    Resort();
    EndUpdate();
  }
  return true;
}

// Without a key the settings would land in the root of HKEY_CURRENT_USER.
bool TCustomEnhListView::HasRegistryKey() const { return !FSaveSettings->RegistryKey.empty(); }

void TCustomEnhListView::SaveSettingsIfAuto() {
  if (FSaveSettings->AutoSave && !(FComponentState & (csLoading | csDesigning))) StoreSettings();
}

void TCustomEnhListView::LoadSettingsIfAuto() {
  if (FSaveSettings->AutoSave && !Designing()) LoadSettings();
}

namespace {
struct TEnhListViewProps {
  TEnhListViewProps() {
    using L = TCustomEnhListView;
    TPropInfo version;
    version.Name = "Version";
    version.Kind = TPropKind::String;
    version.Get = [](TPersistent* o) { return dynamic_cast<L*>(o)->Version(); };
    version.Set = [](TPersistent*, const std::string&) {};
    RegisterProperties<L>(
        "TCustomEnhListView",
        {PropEnum<L, TLVStyle>("Style", &L::Style, &L::SetStyle, {"lvStandard", "lvOwnerDrawFixed"}),
         PropEnum<L, TAutoColumnSort>("AutoColumnSort", &L::AutoColumnSort, &L::SetAutoColumnSort,
                                      {"acsNoSort", "acsSort", "acsSortToggle"}),
         PropEnum<L, TAutoSortStyle>("AutoSortStyle", &L::AutoSortStyle, &L::SetAutoSortStyle,
                                     {"assSmart", "assDefault"}),
         PropBoolField<L>("AutoResort", &L::AutoResort),
         PropBool<L>("AutoSortAscending", &L::AutoSortAscending, &L::SetAutoSortAscending),
         PropBool<L>("ShowSortArrows", &L::ShowSortArrows, &L::SetShowSortArrows),
         PropBool<L>("ReverseSortArrows", &L::ReverseSortArrows, &L::SetReverseSortArrows),
         PropObject<L>("BackgroundImage", &L::BackgroundImage), PropObject<L>("SaveSettings", &L::SaveSettings),
         version});
    RegisterProperties<TEnhLVSaveSettings>(
        "TEnhLVSaveSettings", {PropBoolField<TEnhLVSaveSettings>("AutoSave", &TEnhLVSaveSettings::AutoSave),
                               PropStringField<TEnhLVSaveSettings>("RegistryKey", &TEnhLVSaveSettings::RegistryKey),
                               PropBoolField<TEnhLVSaveSettings>("SaveColumnSizes", &TEnhLVSaveSettings::SaveColumnSizes),
                               PropBoolField<TEnhLVSaveSettings>("SaveCurrentSort", &TEnhLVSaveSettings::SaveCurrentSort)});
  }
} enhListViewProps;
}  // namespace
