#include "controls/views/extlistview.h"

#include <algorithm>
#include <numeric>

#include "controls/views/viewprops.h"
#include "framework/ui/registry.h"

namespace {

const DWORD kStyleBits[] = {LVS_EX_GRIDLINES,        LVS_EX_SUBITEMIMAGES,   LVS_EX_CHECKBOXES,
                            LVS_EX_TRACKSELECT,      LVS_EX_HEADERDRAGDROP,  LVS_EX_FULLROWSELECT,
                            LVS_EX_ONECLICKACTIVATE, LVS_EX_TWOCLICKACTIVATE, LVS_EX_FLATSB,
                            LVS_EX_UNDERLINEHOT,     LVS_EX_UNDERLINECOLD};

bool IsPermutation(const std::vector<int>& Order) {
  std::vector<bool> seen(Order.size(), false);
  for (int v : Order) {
    if (v < 0 || v >= static_cast<int>(Order.size()) || seen[static_cast<size_t>(v)]) return false;
    seen[static_cast<size_t>(v)] = true;
  }
  return true;
}

// Copies Text into a list's text buffer of Size characters, always leaving
// room for the terminating NUL.
template <class Ch>
void CopyCellText(const std::basic_string<Ch>& Text, Ch* Buffer, int Size) {
  if (!Buffer || Size <= 0) return;
  const size_t n = std::min(Text.size(), static_cast<size_t>(Size - 1));
  std::copy(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(n), Buffer);
  Buffer[n] = 0;
}

}  // namespace

DWORD ExtendedStylesToWord(TLVExtendedStyles Styles) {
  DWORD w = 0;
  for (int i = 0; i < 11; ++i)
    if (Styles & (1u << i)) w |= kStyleBits[i];
  return w;
}

TLVExtendedStyles WordToExtendedStyles(DWORD Word) {
  TLVExtendedStyles s = 0;
  for (int i = 0; i < 11; ++i)
    if (Word & kStyleBits[i]) s |= 1u << i;
  return s;
}

uint64_t ComCtlVersion() {
  DWORD dummy = 0;
  DWORD size = GetFileVersionInfoSizeA("COMCTL32.DLL", &dummy);
  if (size == 0) return 0;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoA("COMCTL32.DLL", 0, size, data.data())) return 0;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len) || !info) return 0;
  return (static_cast<uint64_t>(info->dwFileVersionMS) << 32) | info->dwFileVersionLS;
}

// ---- column formats --------------------------------------------------------

int TExtListColumn::Index() const { return FOwner->IndexOf(this); }

void TExtListColumn::SetImageIndex(int Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Changed();
}

void TExtListColumn::SetImageAlignment(TColumnImageAlign Value) {
  if (Value == FImageAlignment) return;
  FImageAlignment = Value;
  Changed();
}

void TExtListColumn::Changed() { FOwner->Update(this); }

void TExtListColumn::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TExtListColumn*>(Source)) {
    FImageIndex = s->FImageIndex;
    FImageAlignment = s->FImageAlignment;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

TExtListColumn* TExtListColumns::Add() {
  FItems.push_back(std::make_unique<TExtListColumn>(this));
  Update(nullptr);
  return FItems.back().get();
}

void TExtListColumns::Clear() {
  FItems.clear();
  Update(nullptr);
}

int TExtListColumns::IndexOf(const TExtListColumn* Item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Item) return static_cast<int>(i);
  return -1;
}

void TExtListColumns::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TExtListColumns*>(Source)) {
    FItems.clear();
    for (int i = 0; i < s->Count(); ++i) {
      FItems.push_back(std::make_unique<TExtListColumn>(this));
      FItems.back()->Assign(s->Items(i));
    }
    Update(nullptr);
    return;
  }
  TPersistent::Assign(Source);
}

void TExtListColumns::Update(TExtListColumn* Item) {
  if (!FListView) return;
  if (Item)
    FListView->UpdateColumnImage(Item->Index());
  else
    FListView->UpdateColumnImages();
}

void TExtLVSaveSettings::Assign(TPersistent* Source) {
  TEnhLVSaveSettings::Assign(Source);
  if (auto* s = dynamic_cast<TExtLVSaveSettings*>(Source)) SaveColumnOrder = s->SaveColumnOrder;
}

// ---- TCustomExtListView ----------------------------------------------------

TCustomExtListView::TCustomExtListView(TComponent* AOwner)
    : TCustomEnhListView(AOwner, std::make_unique<TExtLVSaveSettings>()),
      FColumnsFormat(std::make_unique<TExtListColumns>(this)) {
  FImageChangeLink.OnChange = [this](TObject*) { UpdateColumnImages(); };
}

TCustomExtListView::~TCustomExtListView() {
  if (HandleAllocated()) DestroyHandle();
  if (SmallImages()) SmallImages()->UnRegisterChanges(&FImageChangeLink);
}

std::string TCustomExtListView::GetVersion() { return "TExtListView v3.55"; }

void TCustomExtListView::Loaded() {
  TCustomEnhListView::Loaded();
  HandleNeeded();
  UpdateColumnImages();
}

void TCustomExtListView::CreateParams(TCreateParams& Params) {
  TCustomEnhListView::CreateParams(Params);
  if (FVirtualMode) Params.Style |= LVS_OWNERDATA;
}

void TCustomExtListView::CreateWnd() {
  TCustomEnhListView::CreateWnd();
  SendMessageW(FHandle, LVM_SETSELECTIONMARK, 0, FSelectionMark);
  SendMessageW(FHandle, LVM_SETHOVERTIME, 0, static_cast<LPARAM>(static_cast<DWORD>(FHoverTime)));
  SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(ExtendedStylesToWord(FExtendedStyles)));
  if (FVirtualMode && FItemCount >= 1) SetItemCountEx(FItemCount, FItemCountFlags);
  if (!FSavedOrder.empty() && static_cast<int>(FSavedOrder.size()) == Columns()->Count()) {
    SendMessageW(FHandle, LVM_SETCOLUMNORDERARRAY, FSavedOrder.size(), reinterpret_cast<LPARAM>(FSavedOrder.data()));
    Invalidate();
  }
}

void TCustomExtListView::DestroyWnd() {
  if (FHandle) {
    // Keep what the user changed for the next window.
    if (Columns()->Count() > 0) {
      std::vector<int> order(static_cast<size_t>(Columns()->Count()));
      GetColumnOrder(Columns()->Count(), order);
    }
    FExtendedStyles = WordToExtendedStyles(static_cast<DWORD>(SendMessageW(FHandle, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)));
  }
  TCustomEnhListView::DestroyWnd();
}

int TCustomExtListView::GetNextItemIndex(int StartIndex, TLVNextItemDirection Direction, TLVItemStates States) {
  if (!HandleAllocated()) return -1;
  static const UINT dirs[] = {LVNI_TOLEFT, LVNI_TORIGHT, LVNI_ABOVE, LVNI_BELOW, LVNI_ALL};
  UINT flags = dirs[Direction];
  if (States & LVISBit(lvisCut)) flags |= LVNI_CUT;
  if (States & LVISBit(lvisDropHighlighted)) flags |= LVNI_DROPHILITED;
  if (States & LVISBit(lvisFocused)) flags |= LVNI_FOCUSED;
  if (States & LVISBit(lvisSelected)) flags |= LVNI_SELECTED;
  return static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(StartIndex), MAKELPARAM(flags, 0)));
}

void TCustomExtListView::SetItemStateByIndex(int Index, TLVItemStates States, bool Setting) {
  if (!HandleAllocated()) return;
  UINT mask = 0;
  if (States & LVISBit(lvisCut)) mask |= LVIS_CUT;
  if (States & LVISBit(lvisDropHighlighted)) mask |= LVIS_DROPHILITED;
  if (States & LVISBit(lvisFocused)) mask |= LVIS_FOCUSED;
  if (States & LVISBit(lvisSelected)) mask |= LVIS_SELECTED;
  LVITEMW item{};
  item.stateMask = mask;
  item.state = Setting ? mask : 0;
  SendMessageW(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item));
}

void TCustomExtListView::SetItemCountEx(int Count, TLVItemCountFlags Flags) {
  FItemCount = Count;
  FItemCountFlags = Flags;
  if (FVirtualMode) Items()->SetCount(Count);
  if (HandleAllocated()) SendMessageW(FHandle, LVM_SETITEMCOUNT, static_cast<WPARAM>(Count), Flags);
}

void TCustomExtListView::UpdateColumnImages() {
  if (OnDrawHeader() || ShowSortArrows() || !HandleAllocated()) return;
  for (int i = 0; i < Columns()->Count(); ++i) UpdateColumnImage(i);
}

void TCustomExtListView::UpdateColumnImage(int Index) {
  if (OnDrawHeader() || ShowSortArrows() || !HandleAllocated()) return;
  if (Index < 0 || Index >= FColumnsFormat->Count() || Index >= Columns()->Count()) return;
  if (!SmallImages() || SmallImages()->Count() < 1) return;
  LVCOLUMNW col{};
  col.mask = LVCF_FMT;
  SendMessageW(FHandle, LVM_GETCOLUMNW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&col));
  TExtListColumn* f = FColumnsFormat->Items(Index);
  if (f->ImageIndex() == -1) {
    col.mask = LVCF_FMT;
    col.fmt &= ~(LVCFMT_IMAGE | LVCFMT_BITMAP_ON_RIGHT);
  } else {
    col.iImage = f->ImageIndex();
    col.mask = LVCF_FMT | LVCF_IMAGE;
    col.fmt |= LVCFMT_IMAGE;
    if (f->ImageAlignment() == ciaRightOfText) col.fmt |= LVCFMT_BITMAP_ON_RIGHT;
  }
  col.fmt &= ~LVCFMT_JUSTIFYMASK;
  TAlignment a = Columns()->Items(Index)->Alignment();
  if (a == taRightJustify) col.fmt |= LVCFMT_RIGHT;
  if (a == taCenter) col.fmt |= LVCFMT_CENTER;
  // Setting the column's format rewrites the header item's; a sort mark the
  // header shows of its own is kept.
  const HWND header = reinterpret_cast<HWND>(SendMessageW(FHandle, LVM_GETHEADER, 0, 0));
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  const bool marked = header && SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(Index),
                                             reinterpret_cast<LPARAM>(&item)) &&
                      (item.fmt & (HDF_SORTUP | HDF_SORTDOWN));
  const int mark = item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
  SendMessageW(FHandle, LVM_SETCOLUMNW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&col));
  if (marked && SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) &&
      (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) != mark) {
    item.fmt = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | mark;
    SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item));
  }
}

bool TCustomExtListView::GetColumnOrder(int Count, std::vector<int>& Order) {
  if (Count <= 0) return false;
  Order.resize(static_cast<size_t>(Count));
  if (HandleAllocated()) {
    bool ok = SendMessageW(FHandle, LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(Count),
                           reinterpret_cast<LPARAM>(Order.data())) != 0;
    FSavedOrder = Order;
    return ok;
  }
  if (FSavedOrder.empty()) return false;
  for (int i = 0; i < Count; ++i) Order[static_cast<size_t>(i)] = i < static_cast<int>(FSavedOrder.size()) ? FSavedOrder[static_cast<size_t>(i)] : i;
  return true;
}

void TCustomExtListView::SetColumnOrder(int Count, const std::vector<int>& Order) {
  if (Count < 0 || Count > static_cast<int>(Order.size())) return;
  FSavedOrder.assign(Order.begin(), Order.begin() + Count);
  if (HandleAllocated()) {
    SendMessageW(FHandle, LVM_SETCOLUMNORDERARRAY, static_cast<WPARAM>(Count),
                 reinterpret_cast<LPARAM>(FSavedOrder.data()));
    Invalidate();
  }
}

int TCustomExtListView::ActualColumnIndex(int Index) {
  const int n = Columns()->Count();
  if (Index >= n) return 0;
  std::vector<int> order;
  if (!GetColumnOrder(n, order)) return Index;
  for (int i = 0; i < n; ++i)
    if (order[static_cast<size_t>(i)] == Index) return i;
  return 0;
}

TListColumn* TCustomExtListView::GetActualColumn(int Index) {
  const int n = Columns()->Count();
  if (Index < 0 || Index >= n) return nullptr;
  HandleNeeded();
  std::vector<int> order;
  if (!GetColumnOrder(n, order)) return Columns()->Items(Index);
  int c = order[static_cast<size_t>(Index)];
  return c >= 0 && c < n ? Columns()->Items(c) : nullptr;
}

std::string TCustomExtListView::GetSubItemText(int Index, int SubItem) {
  if (OwnerData() || Index < 0 || Index >= Items()->Count()) return {};
  TListItem* item = Items()->Item(Index);
  const int n = Columns()->Count();
  if (n >= SubItem + 2) {
    std::vector<int> order;
    if (!GetColumnOrder(n, order)) {
      order.resize(static_cast<size_t>(n));
      std::iota(order.begin(), order.end(), 0);
    }
    int c = order[static_cast<size_t>(SubItem + 1)];
    if (c == 0) return item->Caption();
    return c - 1 < item->SubItems()->Count() ? item->SubItems()->Strings(c - 1) : std::string();
  }
  return SubItem >= 0 && SubItem < item->SubItems()->Count() ? item->SubItems()->Strings(SubItem) : std::string();
}

TLVExtendedStyles TCustomExtListView::ExtendedStyles() {
  if (HandleAllocated())
    FExtendedStyles =
        WordToExtendedStyles(static_cast<DWORD>(SendMessageW(FHandle, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)));
  return FExtendedStyles;
}

void TCustomExtListView::SetExtendedStyles(TLVExtendedStyles Value) {
  if ((Value & LVXBit(lvxUnderlineCold)) && !(Value & LVXBit(lvxOneClickActivate))) Value |= LVXBit(lvxOneClickActivate);
  if ((Value & LVXBit(lvxUnderlineHot)) && !(Value & (LVXBit(lvxOneClickActivate) | LVXBit(lvxTwoClickActivate))))
    Value |= LVXBit(lvxOneClickActivate);
  const bool recreate = ((Value ^ FExtendedStyles) & LVXBit(lvxSubItemImages)) && HandleAllocated();
  FExtendedStyles = Value;
  if (recreate) RecreateWnd();
  if (HandleAllocated())
    SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(ExtendedStylesToWord(Value)));
}

void TCustomExtListView::SetVirtualMode(bool Value) {
  if (Value == FVirtualMode) return;
  const bool had = HandleAllocated();
  FVirtualMode = Value;
  SetOwnerData(Value);
  if (had) HandleNeeded();
}

int TCustomExtListView::HoverTime() {
  if (HandleAllocated()) FHoverTime = static_cast<int>(SendMessageW(FHandle, LVM_GETHOVERTIME, 0, 0));
  return FHoverTime;
}

void TCustomExtListView::SetHoverTime(int Value) {
  FHoverTime = Value;
  if (HandleAllocated()) SendMessageW(FHandle, LVM_SETHOVERTIME, 0, static_cast<LPARAM>(static_cast<DWORD>(Value)));
}

void TCustomExtListView::SetSelectionMark(int Value) {
  FSelectionMark = Value;
  if (HandleAllocated()) SendMessageW(FHandle, LVM_SETSELECTIONMARK, 0, Value);
}

void TCustomExtListView::SetRequireComCtlUpdate(bool Value) {
  FRequireComCtlUpdate = Value;
  if (Value && !Designing() && ComCtlVersion() < MakeComCtlVersion(4, 70, 0, 0))
    throw EELVOldComCtl("COMCTL32.DLL is older than required version");
}

void TCustomExtListView::SetSmallImages(TCustomImageList* Value) {
  if (SmallImages()) SmallImages()->UnRegisterChanges(&FImageChangeLink);
  TCustomEnhListView::SetSmallImages(Value);
  if (Value) Value->RegisterChanges(&FImageChangeLink);
  SetHeaderOwnerDraw(HeaderOwnerDrawWanted());
}

void TCustomExtListView::SetShowSortArrows(bool Value) {
  TCustomEnhListView::SetShowSortArrows(Value);
  UpdateColumnImages();
}

// ---- notifications ---------------------------------------------------------

bool TCustomExtListView::DoMarqueeBegin() {
  bool canBegin = true;
  if (OnMarqueeBegin) OnMarqueeBegin(this, canBegin);
  return canBegin;
}

void TCustomExtListView::DoItemActivate() {
  if (OnItemActivate) OnItemActivate(this);
}

bool TCustomExtListView::DoHotTrack(int& ItemIndex, int SubItemIndex, TPoint Location) {
  bool allow = true;
  if (OnHotTrack) OnHotTrack(this, ItemIndex, SubItemIndex, Location, allow);
  return allow;
}

void TCustomExtListView::DoVMGetItemInfo(LVITEMW& Item) {
  if (Item.iItem == -1 || !OnVMGetItemInfo) return;
  std::string text;
  UINT state = Item.state, stateMask = Item.stateMask;
  TLVVMMaskItems mask = static_cast<TLVVMMaskItems>(Item.mask & 0x1F);
  int image = Item.iImage, indent = Item.iIndent;
  LPARAM param = Item.lParam;
  OnVMGetItemInfo(this, Item.iItem, Item.iSubItem, mask, image, param, state, stateMask, indent, text);
  Item.iImage = image;
  Item.lParam = param;
  Item.iIndent = indent;
  if (Item.mask & LVIF_TEXT) CopyCellText(Widen(text), Item.pszText, Item.cchTextMax);
  Item.state = state;
  Item.stateMask = stateMask;
  Item.mask = mask;
}

void TCustomExtListView::DoVMCacheHint(NMLVCACHEHINT& HintInfo) {
  if (OnVMCacheHint) OnVMCacheHint(this, HintInfo);
}

int TCustomExtListView::DoVMFindItem(NMLVFINDITEMW& FindInfo) {
  int found = -1;
  if (OnVMFindItem) OnVMFindItem(this, FindInfo, found);
  return found;
}

void TCustomExtListView::DoVMStateChanged(NMLVODSTATECHANGE& StateInfo) {
  if (OnVMStateChanged) OnVMStateChanged(this, StateInfo);
}

void TCustomExtListView::CNNotify(TMessage& Message) {
  auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
  Message.Result = 0;
  switch (h->code) {
    case LVN_MARQUEEBEGIN:
      Message.Result = DoMarqueeBegin() ? 0 : 1;
      return;
    case LVN_ITEMACTIVATE:
      DoItemActivate();
      return;
    case LVN_HOTTRACK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(h);
      Message.Result = DoHotTrack(nm->iItem, nm->iSubItem, nm->ptAction) ? 0 : 1;
      return;
    }
    case LVN_GETDISPINFOW:
      if (!FVirtualMode) break;
      DoVMGetItemInfo(reinterpret_cast<NMLVDISPINFOW*>(h)->item);
      return;
    case LVN_GETDISPINFOA:
      if (!FVirtualMode) break;
      {
        LVITEMA& a = reinterpret_cast<NMLVDISPINFOA*>(h)->item;
        if (a.iItem == -1 || !OnVMGetItemInfo) return;
        std::string text;
        TLVVMMaskItems mask = static_cast<TLVVMMaskItems>(a.mask & 0x1F);
        OnVMGetItemInfo(this, a.iItem, a.iSubItem, mask, a.iImage, a.lParam, a.state, a.stateMask, a.iIndent, text);
        if (a.mask & LVIF_TEXT) CopyCellText(text, a.pszText, a.cchTextMax);
        a.mask = mask;
      }
      return;
    case LVN_ODCACHEHINT:
      DoVMCacheHint(*reinterpret_cast<NMLVCACHEHINT*>(h));
      return;
    case LVN_ODFINDITEMW:
      Message.Result = DoVMFindItem(*reinterpret_cast<NMLVFINDITEMW*>(h));
      return;
    case LVN_ODFINDITEMA:
      Message.Result = -1;
      return;
    case LVN_ODSTATECHANGED:
      DoVMStateChanged(*reinterpret_cast<NMLVODSTATECHANGE*>(h));
      return;
    default:
      break;
  }
  TCustomEnhListView::CNNotify(Message);
}

void TCustomExtListView::WMNotify(TMessage& Message) {
  auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
  if (h->code == HDN_BEGINTRACKW || h->code == HDN_BEGINTRACKA)
    UpdateColumnImage(reinterpret_cast<NMHEADERW*>(h)->iItem);
  TCustomEnhListView::WMNotify(Message);
}

// ---- drawing ---------------------------------------------------------------

void TCustomExtListView::DoDrawItem(TCanvas*& ACanvas, int Index, TRect Rect, TOwnerDrawState State,
                                    bool& DefaultDrawing, bool& FullRowSelect) {
  FullRowSelect = (FExtendedStyles & LVXBit(lvxFullRowSelect)) != 0;
  TCustomEnhListView::DoDrawItem(ACanvas, Index, Rect, State, DefaultDrawing, FullRowSelect);
}

void TCustomExtListView::DefaultDrawItem(int Index, TRect Rect, TOwnerDrawState State, bool FullRowSelect) {
  if (!FVirtualMode) {
    TCustomEnhListView::DefaultDrawItem(Index, Rect, State, FullRowSelect);
    return;
  }
  const int n = Columns()->Count();
  if (n == 0) return;
  TCanvas* c = DrawCanvas();
  const bool focused = Focused();
  if (State & ODS_SELECTED) {
    if (focused) {
      c->Brush()->SetColor(clHighlight);
      c->Font()->SetColor(clHighlightText);
    } else if (!HideSelection()) {
      c->Brush()->SetColor(clBtnFace);
      c->Font()->SetColor(clBtnText);
    }
  }
  TRect cell = Rect;
  cell.right = Rect.left + Columns()->Items(0)->Width() - 2;
  DefaultDrawSubItem(Index, -1, cell, State);
  for (int i = 1; i < n; ++i) {
    if (!FullRowSelect) {
      c->Brush()->SetColor(clWindow);
      c->Font()->SetColor(clWindowText);
    }
    const int w = Columns()->Items(i)->Width();
    TRect next = cell;
    next.left = cell.right + LVCellMarginX;
    next.right = Columns()->Items(i)->Alignment() == taLeftJustify ? cell.right + w : next.left + w - LVCellMarginX;
    cell = next;
    DefaultDrawSubItem(Index, i - 1, cell, State);
  }
}

void TCustomExtListView::DefaultDrawSubItem(int Index, int SubItem, TRect Rect, TOwnerDrawState State) {
  if (!FVirtualMode) {
    TCustomEnhListView::DefaultDrawSubItem(Index, SubItem, Rect, State);
    return;
  }
  HDC dc = DrawCanvas()->Handle();
  int saved = SaveDC(dc);
  if (Designing()) {
    if (SubItem < 0) DrawCanvas()->DrawText("Virtual mode", Rect, DT_SINGLELINE | DT_VCENTER);
  } else {
    DoDrawSubItem(Index, SubItem, Rect, State);
  }
  RestoreDC(dc, saved);
}

void TCustomExtListView::DrawHeaderItem(TCanvas* Canvas, int Index, TRect Rect, bool Selected) {
  THeaderCellParts parts;
  if (Index >= 0 && Index < FColumnsFormat->Count()) {
    parts.Images = SmallImages();
    parts.ImageIndex = FColumnsFormat->Items(Index)->ImageIndex();
    parts.ImageLeftOfText = FColumnsFormat->Items(Index)->ImageAlignment() == ciaLeftOfText;
  }
  if (ShowSortArrows() && Index == FCurrentSortColumn && (AutoColumnSort() != acsNoSort || OnSortItems))
    parts.Arrow = FCurrentSortAscending ? SortUpBitmap() : SortDownBitmap();
  PaintHeaderCell(Canvas, Index, Rect, Selected, parts);
}

// ---- saved settings --------------------------------------------------------

bool TCustomExtListView::StoreSettings() {
  if (!HasRegistryKey()) return false;
  TExtLVSaveSettings* s = SaveSettings();
  const int n = Columns()->Count();
  if (!s->SaveColumnOrder && !s->SaveColumnSizes) {
    if (s->SaveCurrentSort) StoreCurrentSort();
    return true;
  }
  if (n > 0) {
    if (s->SaveColumnOrder) {
      std::vector<int> order;
      if (GetColumnOrder(n, order)) {
        std::string v;
        for (int i = 0; i < n; ++i) v += (i ? "," : "") + IntToStr(order[static_cast<size_t>(i)]);
        TRegIniFile reg(s->RegistryKey);
        reg.WriteString("Columns", "Order", v);
      }
    }
    if (s->SaveColumnSizes) {
      std::vector<int> widths;
      for (int i = 0; i < n; ++i) {
        TListColumn* c = GetActualColumn(i);
        widths.push_back(c ? c->Width() : 0);
      }
      StoreColumnSizes(widths);
    }
    if (s->SaveCurrentSort) StoreCurrentSort();
  }
  return true;
}

bool TCustomExtListView::LoadSettings() {
  if (!HasRegistryKey()) return false;
  TExtLVSaveSettings* s = SaveSettings();
  const int n = Columns()->Count();
  if ((s->SaveColumnOrder || s->SaveColumnSizes) && n > 0) {
    if (s->SaveColumnOrder) {
      std::vector<int> order(static_cast<size_t>(n));
      std::iota(order.begin(), order.end(), 0);
      std::string v;
      {
        TRegIniFile reg(s->RegistryKey);
        v = reg.ReadString("Columns", "Order", "");
      }
      // A damaged or incomplete order is ignored; the columns stay as they are.
      if (v.empty() || (LVParseIntList(v, n, order) && IsPermutation(order))) SetColumnOrder(n, order);
    }
    if (s->SaveColumnSizes) {
      std::vector<int> widths;
      std::vector<TListColumn*> cols;
      for (int i = 0; i < n; ++i) {
        cols.push_back(GetActualColumn(i));
        widths.push_back(cols.back() ? cols.back()->Width() : 0);
      }
      if (ReadColumnSizes(widths))
        for (int i = 0; i < n; ++i)
          if (cols[static_cast<size_t>(i)]) cols[static_cast<size_t>(i)]->SetWidth(widths[static_cast<size_t>(i)]);
    }
  }
  if (s->SaveCurrentSort) {
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

void TCustomExtListView::SaveSettingsIfAuto() {
  if (SaveSettings()->AutoSave && !(FComponentState & (csLoading | csDesigning))) StoreSettings();
}

void TCustomExtListView::LoadSettingsIfAuto() {
  if (SaveSettings()->AutoSave && !Designing()) LoadSettings();
}

namespace {
struct TExtListViewProps {
  TExtListViewProps() {
    using L = TCustomExtListView;
    RegisterProperties<L>(
        "TCustomExtListView",
        {PropSet<L, TLVExtendedStyles>("ExtendedStyles", &L::ExtendedStyles, &L::SetExtendedStyles,
                                       {"lvxGridLines", "lvxSubItemImages", "lvxCheckboxes", "lvxTrackSelect",
                                        "lvxHeaderDragDrop", "lvxFullRowSelect", "lvxOneClickActivate",
                                        "lvxTwoClickActivate", "lvxFlatScrollBar", "lvxUnderlineHot",
                                        "lvxUnderlineCold"}),
         PropBool<L>("VirtualMode", &L::VirtualMode, &L::SetVirtualMode),
         PropInt<L>("HoverTime", &L::HoverTime, &L::SetHoverTime),
         PropBool<L>("RequireComCtlUpdate", &L::RequireComCtlUpdate, &L::SetRequireComCtlUpdate),
         PropObject<L>("ColumnsFormat", &L::ColumnsFormat)});
    RegisterProperties<TExtLVSaveSettings>(
        "TExtLVSaveSettings",
        {PropBoolField<TExtLVSaveSettings>("SaveColumnOrder", &TExtLVSaveSettings::SaveColumnOrder)});
    RegisterProperties<TExtListColumn>(
        "TExtListColumn",
        {PropInt<TExtListColumn>("ImageIndex", &TExtListColumn::ImageIndex, &TExtListColumn::SetImageIndex),
         PropEnum<TExtListColumn, TColumnImageAlign>("ImageAlignment", &TExtListColumn::ImageAlignment,
                                                     &TExtListColumn::SetImageAlignment,
                                                     {"ciaLeftOfText", "ciaRightOfText"})});
  }
} extListViewProps;
}  // namespace
