#include "framework/ui/comctrls.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "framework/ui/forms.h"

namespace {

// Copies S into a control's text buffer of Max characters, always
// terminated and never past the end.
void CopyToBuffer(const std::string& S, wchar_t* Buffer, int Max) {
  if (!Buffer || Max <= 0) return;
  std::wstring w = Widen(S);
  size_t n = std::min(w.size(), static_cast<size_t>(Max - 1));
  wmemcpy(Buffer, w.data(), n);
  Buffer[n] = L'\0';
}

void LinkImages(TComponent* Self, TCustomImageList*& Field, TCustomImageList* Value, TChangeLink& Link) {
  if (Field == Value) return;
  if (Field) Field->UnRegisterChanges(&Link);
  Field = Value;
  if (Value) {
    Value->RegisterChanges(&Link);
    Value->FreeNotification(Self);
  }
}

}  // namespace

// ---- TStatusBar ----------------------------------------------------------

void TStatusPanel::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  FOwner->UpdatePanel(Index());
}

void TStatusPanel::SetWidth(int Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  FOwner->UpdatePanels();
}

void TStatusPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  FOwner->UpdatePanel(Index());
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
  FBevel = Value;
  FOwner->UpdatePanel(Index());
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value) {
  FStyle = Value;
  FOwner->UpdatePanel(Index());
}

int TStatusPanel::Index() const { return FOwner->Panels()->IndexOf(this); }

TStatusPanel* TStatusPanels::Add() {
  FItems.push_back(std::make_unique<TStatusPanel>(FOwner));
  FOwner->UpdatePanels();
  return FItems.back().get();
}

void TStatusPanels::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  FItems.erase(FItems.begin() + Index);
  FOwner->UpdatePanels();
}

void TStatusPanels::Clear() {
  FItems.clear();
  FOwner->UpdatePanels();
}

int TStatusPanels::IndexOf(const TStatusPanel* Panel) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Panel) return static_cast<int>(i);
  return -1;
}

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner), FPanels(this) {
  FWidth = 200;
  FHeight = 19;
  FAlign = alBottom;
  FColor = clBtnFace;
  FControlStyle = csClickEvents | csDoubleClicks;
}

TStatusBar::~TStatusBar() { FComponentState |= csDestroying; }

void TStatusBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  Params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CONTROLPARENT);
  if (FSizeGrip) Params.Style |= SBARS_SIZEGRIP;
  Params.WinClassName = L"TStatusBar";
  Params.SysClassName = STATUSCLASSNAMEW;
}

void TStatusBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdatePanels();
}

void TStatusBar::SetSimplePanel(bool Value) {
  if (Value == FSimplePanel) return;
  FSimplePanel = Value;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const std::string& Value) {
  FSimpleText = Value;
  if (FHandle && FSimplePanel) SendMessageW(FHandle, SB_SETTEXTW, 255, reinterpret_cast<LPARAM>(Widen(Value).c_str()));
}

void TStatusBar::SetSizeGrip(bool Value) {
  if (Value == FSizeGrip) return;
  FSizeGrip = Value;
  RecreateWnd();
}

void TStatusBar::UpdatePanel(int Index) {
  if (!FHandle || FSimplePanel || Index < 0 || Index >= FPanels.Count()) return;
  TStatusPanel* p = FPanels[Index];
  WPARAM flags = static_cast<WPARAM>(Index);
  if (p->Bevel() == pbNone) flags |= SBT_NOBORDERS;
  if (p->Bevel() == pbRaised) flags |= SBT_POPOUT;
  if (p->Style() == psOwnerDraw) {
    SendMessageW(FHandle, SB_SETTEXTW, flags | SBT_OWNERDRAW, static_cast<LPARAM>(Index));
    return;
  }
  std::string text = p->Text();
  if (p->Alignment() == taCenter) text = "\t" + text;
  if (p->Alignment() == taRightJustify) text = "\t\t" + text;
  SendMessageW(FHandle, SB_SETTEXTW, flags, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void TStatusBar::UpdatePanels() {
  if (!FHandle) return;
  SendMessageW(FHandle, SB_SIMPLE, FSimplePanel, 0);
  if (FSimplePanel) {
    SendMessageW(FHandle, SB_SETTEXTW, 255, reinterpret_cast<LPARAM>(Widen(FSimpleText).c_str()));
    return;
  }
  int n = FPanels.Count();
  if (n == 0) {
    int edge = -1;
    SendMessageW(FHandle, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&edge));
    SendMessageW(FHandle, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
    return;
  }
  std::vector<int> edges(static_cast<size_t>(n));
  int edge = 0;
  for (int i = 0; i < n; ++i) {
    edge += FPanels[i]->Width();
    edges[static_cast<size_t>(i)] = edge;
  }
  edges.back() = -1;
  SendMessageW(FHandle, SB_SETPARTS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < n; ++i) UpdatePanel(i);
}

void TStatusBar::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    int index = static_cast<int>(d->itemID);
    if (OnDrawPanel && index >= 0 && index < FPanels.Count()) {
      FCanvas.SetHandle(d->hDC);
      FCanvas.Font()->Assign(&FFont);
      FCanvas.Brush()->SetColor(FColor);
      try {
        OnDrawPanel(this, FPanels[index], d->rcItem);
      } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
      }
      FCanvas.SetHandle(nullptr);
    }
    Message.Result = TRUE;
    return;
  }
  TWinControl::Dispatch(Message);
}

// ---- TProgressBar --------------------------------------------------------

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 150;
  FHeight = 16;
  FControlStyle = 0;
}

void TProgressBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  if (FSmooth) Params.Style |= PBS_SMOOTH;
  if (FOrientation == pbVertical) Params.Style |= PBS_VERTICAL;
  Params.WinClassName = L"TProgressBar";
  Params.SysClassName = PROGRESS_CLASSW;
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageW(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
  SendMessageW(FHandle, PBM_SETSTEP, static_cast<WPARAM>(FStep), 0);
  SendMessageW(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::DestroyWnd() {
  FPosition = Position();
  TWinControl::DestroyWnd();
}

void TProgressBar::SetMin(int Value) {
  FMin = Value;
  if (FHandle) SendMessageW(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TProgressBar::SetMax(int Value) {
  FMax = Value;
  if (FHandle) SendMessageW(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TProgressBar::Position() {
  if (FHandle) return static_cast<int>(SendMessageW(FHandle, PBM_GETPOS, 0, 0));
  return FPosition;
}

void TProgressBar::SetPosition(int Value) {
  FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
  if (FHandle) SendMessageW(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetStep(int Value) {
  FStep = Value;
  if (FHandle) SendMessageW(FHandle, PBM_SETSTEP, static_cast<WPARAM>(Value), 0);
}

void TProgressBar::StepIt() { StepBy(FStep); }

void TProgressBar::StepBy(int Delta) {
  int p = Position() + Delta;
  if (p > FMax) p = FMin + (p - FMax);
  SetPosition(p);
}

void TProgressBar::SetSmooth(bool Value) {
  if (Value == FSmooth) return;
  FSmooth = Value;
  RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  RecreateWnd();
}

// ---- TTabSheet, TPageControl ---------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  FColor = clBtnFace;
  FVisible = false;
  FControlStyle = csAcceptsControls | csClickEvents | csDoubleClicks;
}

TTabSheet::~TTabSheet() {
  FComponentState |= csDestroying;
  if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = L"TTabSheet";
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (Value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  FPageControl = nullptr;
  SetParent(Value);
  if (Value) {
    FPageControl = Value;
    Value->InsertPage(this);
  }
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  auto& v = FPageControl->FPages;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TTabSheet::SetTabVisible(bool Value) {
  if (Value == FTabVisible) return;
  FTabVisible = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::SetImageIndex(int Value) {
  FImageIndex = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::TextChanged() {
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = EraseBackground(reinterpret_cast<HDC>(Message.WParam)) ? 1 : 0;
    return;
  }
  TWinControl::Dispatch(Message);
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 289;
  FHeight = 193;
  FTabStop = true;
  FColor = clBtnFace;
  FControlStyle = csAcceptsControls | csDoubleClicks;
  FImageLink.OnChange = [this](TObject*) {
    if (FHandle)
      SendMessageW(FHandle, TCM_SETIMAGELIST, 0,
                   reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
  };
}

TPageControl::~TPageControl() {
  FComponentState |= csDestroying;
  for (TTabSheet* p : FPages) p->FPageControl = nullptr;
  FPages.clear();
}

void TPageControl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
  Params.WinClassName = L"TPageControl";
  Params.SysClassName = WC_TABCONTROLW;
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  if (FImages) SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
  UpdateTabs();
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) SetImages(nullptr);
}

void TPageControl::SetImages(TCustomImageList* Value) {
  LinkImages(this, FImages, Value, FImageLink);
  FImageLink.Change();
}

int TPageControl::TabIndexOf(TTabSheet* Page) const {
  int i = 0;
  for (TTabSheet* p : FPages) {
    if (!p->FTabVisible) continue;
    if (p == Page) return i;
    ++i;
  }
  return -1;
}

TTabSheet* TPageControl::PageOfTab(int TabIndex) const {
  int i = 0;
  for (TTabSheet* p : FPages) {
    if (!p->FTabVisible) continue;
    if (i == TabIndex) return p;
    ++i;
  }
  return nullptr;
}

void TPageControl::UpdateTabs() {
  if (!FHandle) return;
  SendMessageW(FHandle, TCM_DELETEALLITEMS, 0, 0);
  int i = 0;
  for (TTabSheet* p : FPages) {
    if (!p->FTabVisible) continue;
    std::wstring text = Widen(p->Text());
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
    item.pszText = text.data();
    item.iImage = p->FImageIndex;
    item.lParam = reinterpret_cast<LPARAM>(p);
    SendMessageW(FHandle, TCM_INSERTITEMW, static_cast<WPARAM>(i++), reinterpret_cast<LPARAM>(&item));
  }
  int sel = TabIndexOf(FActivePage);
  SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(sel), 0);
  LayoutPages();
}

void TPageControl::LayoutPages() {
  TRect d = DisplayRect();
  for (TTabSheet* p : FPages) p->SetBounds(d.left, d.top, d.right - d.left, d.bottom - d.top);
}

void TPageControl::InsertPage(TTabSheet* Page) {
  FPages.push_back(Page);
  if (!FActivePage) FActivePage = Page;
  UpdateTabs();
  LayoutPages();
  ShowActive();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  auto it = std::find(FPages.begin(), FPages.end(), Page);
  if (it == FPages.end()) return;
  FPages.erase(it);
  Page->FPageControl = nullptr;
  if (FActivePage == Page) FActivePage = FPages.empty() ? nullptr : FPages.front();
  if (Destroying()) return;
  UpdateTabs();
  ShowActive();
}

void TPageControl::ShowActive() {
  for (TTabSheet* p : FPages) p->SetVisible(p == FActivePage);
}

void TPageControl::SetActivePage(TTabSheet* Value) {
  if (Value && Value->FPageControl != this) return;
  if (Value == FActivePage) return;
  FActivePage = Value;
  if (FHandle) SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(TabIndexOf(Value)), 0);
  ShowActive();
}

int TPageControl::ActivePageIndex() const {
  auto it = std::find(FPages.begin(), FPages.end(), FActivePage);
  return it == FPages.end() ? -1 : static_cast<int>(it - FPages.begin());
}

void TPageControl::SetActivePageIndex(int Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

TRect TPageControl::DisplayRect() {
  TRect r = ClientRect();
  if (FHandle)
    SendMessageW(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  else
    r = Rect(4, 24, std::max<int>(r.right - 4, 4), std::max<int>(r.bottom - 4, 24));
  return r;
}

void TPageControl::AlignControls(TControl* AControl, TRect& Rect) {
  LayoutPages();
  TWinControl::AlignControls(AControl, Rect);
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_NOTIFY) {
    auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
    Message.Result = 0;
    if (h->code == static_cast<UINT>(TCN_SELCHANGING)) {
      Message.Result = CanChange() ? FALSE : TRUE;
    } else if (h->code == static_cast<UINT>(TCN_SELCHANGE)) {
      int sel = static_cast<int>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
      FActivePage = PageOfTab(sel);
      ShowActive();
      Change();
    }
    return;
  }
  if (Message.Msg == WM_SIZE) {
    TWinControl::Dispatch(Message);
    LayoutPages();
    return;
  }
  TWinControl::Dispatch(Message);
}

// ---- tree view -----------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* Owner, TTreeNode* Parent) : FOwner(Owner), FParent(Parent) {}

TTreeNode::~TTreeNode() {
  for (TTreeNode* c : FChildren) delete c;
}

TCustomTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }

void TTreeNode::Update() {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !FItemId) return;
  std::wstring text = Widen(FText);
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
  item.hItem = FItemId;
  item.pszText = text.data();
  item.iImage = FImageIndex;
  item.iSelectedImage = FSelectedIndex;
  item.cChildren = HasChildren() ? 1 : 0;
  item.stateMask = TVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(FStateIndex >= 0 ? FStateIndex : 0);
  SendMessageW(tv->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::SetText(const std::string& Value) {
  FText = Value;
  Update();
}

void TTreeNode::SetImageIndex(int Value) {
  FImageIndex = Value;
  Update();
}

void TTreeNode::SetSelectedIndex(int Value) {
  FSelectedIndex = Value;
  Update();
}

void TTreeNode::SetStateIndex(int Value) {
  FStateIndex = Value;
  Update();
}

void TTreeNode::SetHasChildren(bool Value) {
  FHasChildren = Value;
  Update();
}

int TTreeNode::Index() const {
  auto& s = FOwner->SiblingsOf(FParent);
  auto it = std::find(s.begin(), s.end(), this);
  return it == s.end() ? -1 : static_cast<int>(it - s.begin());
}

int TTreeNode::Level() const {
  int l = 0;
  for (TTreeNode* p = FParent; p; p = p->FParent) ++l;
  return l;
}

int TTreeNode::AbsoluteIndex() const {
  int i = 0;
  for (TTreeNode* n = FOwner->GetFirstNode(); n; n = n->GetNext(), ++i)
    if (n == this) return i;
  return -1;
}

bool TTreeNode::Expanded() const {
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated() && FItemId)
    return (SendMessageW(tv->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
  return FExpanded;
}

void TTreeNode::SetExpanded(bool Value) {
  FExpanded = Value;
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated() && FItemId)
    SendMessageW(tv->Handle(), TVM_EXPAND, Value ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItemId));
}

void TTreeNode::Expand(bool Recurse) {
  SetExpanded(true);
  if (Recurse)
    for (TTreeNode* c : FChildren) c->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  SetExpanded(false);
  if (Recurse)
    for (TTreeNode* c : FChildren) c->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView()->Selected() == this; }

void TTreeNode::SetSelected(bool Value) {
  TCustomTreeView* tv = TreeView();
  if (Value)
    tv->SetSelected(this);
  else if (Selected())
    tv->SetSelected(nullptr);
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren() {
  while (!FChildren.empty()) FOwner->Delete(FChildren.back());
}

TTreeNode* TTreeNode::GetNextSibling() const {
  auto& s = FOwner->SiblingsOf(FParent);
  int i = Index();
  return i >= 0 && i + 1 < static_cast<int>(s.size()) ? s[static_cast<size_t>(i + 1)] : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  auto& s = FOwner->SiblingsOf(FParent);
  int i = Index();
  return i > 0 ? s[static_cast<size_t>(i - 1)] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

void TTreeNode::MakeVisible() {
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated() && FItemId) SendMessageW(tv->Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId));
}

TRect TTreeNode::DisplayRect(bool TextOnly) {
  RECT r{};
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated() && FItemId) {
    HTREEITEM id = FItemId;
    std::memcpy(&r, &id, sizeof id);
    SendMessageW(tv->Handle(), TVM_GETITEMRECT, TextOnly, reinterpret_cast<LPARAM>(&r));
  }
  return r;
}

TTreeNodes::~TTreeNodes() {
  for (TTreeNode* n : FRoots) delete n;
}

void TTreeNodes::InsertIntoWindow(TTreeNode* Node) {
  if (!FOwner->HandleAllocated()) return;
  auto& s = SiblingsOf(Node->FParent);
  int i = Node->Index();
  TVINSERTSTRUCTW ins{};
  ins.hParent = Node->FParent ? Node->FParent->FItemId : TVI_ROOT;
  ins.hInsertAfter = i == 0 ? TVI_FIRST : s[static_cast<size_t>(i - 1)]->FItemId;
  std::wstring text = Widen(Node->FText);
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  ins.item.pszText = text.data();
  ins.item.lParam = reinterpret_cast<LPARAM>(Node);
  ins.item.iImage = Node->FImageIndex;
  ins.item.iSelectedImage = Node->FSelectedIndex;
  ins.item.cChildren = Node->HasChildren() ? 1 : 0;
  if (Node->FStateIndex >= 0) {
    ins.item.mask |= TVIF_STATE;
    ins.item.stateMask = TVIS_STATEIMAGEMASK;
    ins.item.state = INDEXTOSTATEIMAGEMASK(Node->FStateIndex);
  }
  Node->FItemId = reinterpret_cast<HTREEITEM>(
      SendMessageW(FOwner->Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  if (Node->FParent) Node->FParent->Update();
}

TTreeNode* TTreeNodes::InternalAdd(TTreeNode* Parent, int Position, const std::string& S, void* Ptr) {
  auto* node = new TTreeNode(this, Parent);
  node->FText = S;
  node->Data = Ptr;
  auto& s = SiblingsOf(Parent);
  Position = std::clamp(Position, 0, static_cast<int>(s.size()));
  s.insert(s.begin() + Position, node);
  InsertIntoWindow(node);
  return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  TTreeNode* parent = Sibling ? Sibling->FParent : nullptr;
  return InternalAdd(parent, static_cast<int>(SiblingsOf(parent).size()), S, Ptr);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S) {
  return InternalAdd(Sibling ? Sibling->FParent : nullptr, 0, S, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr) {
  return InternalAdd(Parent, static_cast<int>(SiblingsOf(Parent).size()), S, Ptr);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) { return InternalAdd(Parent, 0, S, nullptr); }

TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S) {
  if (!Sibling) return Add(nullptr, S);
  return InternalAdd(Sibling->FParent, Sibling->Index(), S, nullptr);
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node) return;
  if (FOwner->FSavedSelection == Node) FOwner->FSavedSelection = nullptr;
  std::vector<TTreeNode*> all;
  std::function<void(TTreeNode*)> collect = [&](TTreeNode* n) {
    all.push_back(n);
    for (TTreeNode* c : n->FChildren) collect(c);
  };
  collect(Node);
  if (FOwner->OnDeletion)
    for (TTreeNode* n : all) FOwner->OnDeletion(FOwner, n);
  for (TTreeNode* n : all)
    if (FOwner->FSavedSelection == n) FOwner->FSavedSelection = nullptr;
  if (FOwner->HandleAllocated() && Node->FItemId) {
    FOwner->FRebuilding = true;
    SendMessageW(FOwner->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Node->FItemId));
    FOwner->FRebuilding = false;
  }
  auto& s = SiblingsOf(Node->FParent);
  s.erase(std::remove(s.begin(), s.end(), Node), s.end());
  TTreeNode* parent = Node->FParent;
  delete Node;
  if (parent) parent->Update();
}

void TTreeNodes::Clear() {
  BeginUpdate();
  while (!FRoots.empty()) Delete(FRoots.back());
  EndUpdate();
}

int TTreeNodes::Count() const {
  int n = 0;
  for (TTreeNode* i = GetFirstNode(); i; i = i->GetNext()) ++n;
  return n;
}

TTreeNode* TTreeNodes::Item(int Index) const {
  int i = 0;
  for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext(), ++i)
    if (i == Index) return n;
  throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM ItemId) const {
  if (!ItemId || !FOwner->HandleAllocated()) return nullptr;
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  item.hItem = ItemId;
  if (!SendMessageW(FOwner->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<TTreeNode*>(item.lParam);
}

void TTreeNodes::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner->HandleAllocated()) {
    SendMessageW(FOwner->Handle(), WM_SETREDRAW, TRUE, 0);
    FOwner->Invalidate();
  }
}

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner), FNodes(std::make_unique<TTreeNodes>(this)) {
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  FControlStyle = csDoubleClicks | csClickEvents;
  FImageLink.OnChange = [this](TObject*) {
    if (FHandle)
      SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
  };
  FStateLink.OnChange = [this](TObject*) {
    if (FHandle)
      SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_STATE,
                   reinterpret_cast<LPARAM>(FStateImages ? FStateImages->Handle() : nullptr));
  };
}

TCustomTreeView::~TCustomTreeView() {
  FComponentState |= csDestroying;
  if (FHandle) DestroyWnd();
  FNodes.reset();
}

void TCustomTreeView::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CONTROLPARENT);
  if (FShowLines) Params.Style |= TVS_HASLINES;
  if (FShowRoot) Params.Style |= TVS_LINESATROOT;
  if (FShowButtons) Params.Style |= TVS_HASBUTTONS;
  if (!FHideSelection) Params.Style |= TVS_SHOWSELALWAYS;
  if (!FReadOnly) Params.Style |= TVS_EDITLABELS;
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WinClassName = L"TTreeView";
  Params.SysClassName = WC_TREEVIEWW;
}

void TCustomTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  if (FImages) SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages->Handle()));
  if (FStateImages)
    SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(FStateImages->Handle()));
  SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
  FRebuilding = true;
  std::function<void(TTreeNode*)> insert = [&](TTreeNode* n) {
    FNodes->InsertIntoWindow(n);
    for (TTreeNode* c : n->FChildren) insert(c);
    if (n->FExpanded) SendMessageW(FHandle, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(n->FItemId));
  };
  for (TTreeNode* r : FNodes->FRoots) insert(r);
  if (FSavedSelection && FSavedSelection->FItemId)
    SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FSavedSelection->FItemId));
  FSavedSelection = nullptr;
  FRebuilding = false;
}

void TCustomTreeView::DestroyWnd() {
  if (FHandle && FNodes) {
    FSavedSelection = Selected();
    for (TTreeNode* n = FNodes->GetFirstNode(); n; n = n->GetNext()) {
      n->FExpanded = n->Expanded();
      n->FItemId = nullptr;
    }
    FRebuilding = true;
  }
  TWinControl::DestroyWnd();
  FRebuilding = false;
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FStateImages) SetStateImages(nullptr);
}

TTreeNode* TCustomTreeView::Selected() {
  if (!FHandle) return FSavedSelection;
  auto id = reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_GETNEXTITEM, TVGN_CARET, 0));
  return FNodes->GetNode(id);
}

void TCustomTreeView::SetSelected(TTreeNode* Value) {
  if (!FHandle) {
    FSavedSelection = Value;
    return;
  }
  SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Value ? Value->FItemId : nullptr));
}

void TCustomTreeView::SetImages(TCustomImageList* Value) {
  LinkImages(this, FImages, Value, FImageLink);
  FImageLink.Change();
}

void TCustomTreeView::SetStateImages(TCustomImageList* Value) {
  LinkImages(this, FStateImages, Value, FStateLink);
  FStateLink.Change();
}

void TCustomTreeView::SetShowLines(bool Value) {
  if (Value == FShowLines) return;
  FShowLines = Value;
  RecreateWnd();
}

void TCustomTreeView::SetShowRoot(bool Value) {
  if (Value == FShowRoot) return;
  FShowRoot = Value;
  RecreateWnd();
}

void TCustomTreeView::SetShowButtons(bool Value) {
  if (Value == FShowButtons) return;
  FShowButtons = Value;
  RecreateWnd();
}

void TCustomTreeView::SetHideSelection(bool Value) {
  if (Value == FHideSelection) return;
  FHideSelection = Value;
  RecreateWnd();
}

void TCustomTreeView::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  RecreateWnd();
}

int TCustomTreeView::Indent() {
  if (FHandle) return static_cast<int>(SendMessageW(FHandle, TVM_GETINDENT, 0, 0));
  return FIndent;
}

void TCustomTreeView::SetIndent(int Value) {
  FIndent = Value;
  if (FHandle) SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(Value), 0);
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) {
  TVHITTESTINFO hit{};
  hit.pt = POINT{X, Y};
  auto id = reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (!(hit.flags & (TVHT_ONITEM | TVHT_ONITEMBUTTON | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT))) return nullptr;
  return FNodes->GetNode(id);
}

TTreeNode* TCustomTreeView::TopItem() {
  auto id = reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
  return FNodes->GetNode(id);
}

void TCustomTreeView::FullExpand() {
  for (TTreeNode* r : FNodes->FRoots) r->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* r : FNodes->FRoots) r->Collapse(true);
}

void TCustomTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}

bool TCustomTreeView::CNNotify(NMHDR* Header, LRESULT& Result) {
  Result = 0;
  switch (Header->code) {
    case TVN_SELCHANGINGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(Header);
      bool allow = true;
      if (OnChanging && !FRebuilding) OnChanging(this, reinterpret_cast<TTreeNode*>(nm->itemNew.lParam), allow);
      Result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_SELCHANGEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(Header);
      if (!FRebuilding) Change(reinterpret_cast<TTreeNode*>(nm->itemNew.lParam));
      return true;
    }
    case TVN_ITEMEXPANDINGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(Header);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      bool allow = true;
      if ((nm->action & TVE_EXPAND) && OnExpanding) OnExpanding(this, node, allow);
      if ((nm->action & TVE_COLLAPSE) && OnCollapsing) OnCollapsing(this, node, allow);
      Result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ITEMEXPANDEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(Header);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (!node) return true;
      node->FExpanded = (nm->action & TVE_EXPAND) != 0;
      if ((nm->action & TVE_EXPAND) && OnExpanded) OnExpanded(this, node);
      if ((nm->action & TVE_COLLAPSE) && OnCollapsed) OnCollapsed(this, node);
      return true;
    }
    case TVN_BEGINLABELEDITW: {
      auto* nm = reinterpret_cast<NMTVDISPINFOW*>(Header);
      bool allow = !FReadOnly;
      if (OnEditing) OnEditing(this, reinterpret_cast<TTreeNode*>(nm->item.lParam), allow);
      Result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ENDLABELEDITW: {
      auto* nm = reinterpret_cast<NMTVDISPINFOW*>(Header);
      auto* node = reinterpret_cast<TTreeNode*>(nm->item.lParam);
      if (nm->item.pszText && node) {
        std::string s = Narrow(nm->item.pszText);
        if (OnEdited) OnEdited(this, node, s);
        node->SetText(s);
      }
      Result = FALSE;
      return true;
    }
    default:
      return false;
  }
}

void TCustomTreeView::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_NOTIFY) {
    if (Destroying()) {
      Message.Result = 0;
      return;
    }
    LRESULT r = 0;
    CNNotify(reinterpret_cast<NMHDR*>(Message.LParam), r);
    Message.Result = r;
    return;
  }
  TWinControl::Dispatch(Message);
}

// ---- list view -----------------------------------------------------------

namespace {
int FormatOf(TAlignment A) {
  return A == taRightJustify ? LVCFMT_RIGHT : A == taCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
}
}  // namespace

int TListColumn::Index() const { return FOwner->FColumns.IndexOf(this); }

int TListColumn::Width() const {
  if (FOwner->HandleAllocated() && FOwner->FViewStyle == vsReport) {
    int i = Index();
    if (i >= 0) return static_cast<int>(SendMessageW(FOwner->Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
  }
  return FWidth;
}

void TListColumn::SetWidth(int Value) {
  FWidth = Value;
  if (FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(Index()), Value);
}

void TListColumn::SetCaption(const std::string& Value) {
  FCaption = Value;
  Update();
}

void TListColumn::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Update();
}

void TListColumn::SetImageIndex(int Value) {
  FImageIndex = Value;
  Update();
}

void TListColumn::Update() const {
  if (!FOwner->HandleAllocated()) return;
  std::wstring text = Widen(FCaption);
  LVCOLUMNW c{};
  c.mask = LVCF_FMT | LVCF_TEXT;
  c.fmt = FormatOf(FAlignment);
  c.pszText = text.data();
  if (FImageIndex >= 0) {
    c.mask |= LVCF_IMAGE;
    c.fmt |= LVCFMT_IMAGE;
    c.iImage = FImageIndex;
  }
  SendMessageW(FOwner->Handle(), LVM_SETCOLUMNW, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&c));
}

TListColumn* TListColumns::Add() {
  FItems.push_back(std::make_unique<TListColumn>(FOwner));
  TListColumn* col = FItems.back().get();
  if (FOwner->HandleAllocated()) {
    std::wstring text;
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    c.fmt = LVCFMT_LEFT;
    c.cx = col->FWidth;
    c.pszText = text.data();
    SendMessageW(FOwner->Handle(), LVM_INSERTCOLUMNW, FItems.size() - 1, reinterpret_cast<LPARAM>(&c));
  }
  return col;
}

void TListColumns::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  FItems.erase(FItems.begin() + Index);
  if (FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), LVM_DELETECOLUMN, static_cast<WPARAM>(Index), 0);
}

void TListColumns::Clear() {
  while (Count() > 0) Delete(Count() - 1);
}

int TListColumns::IndexOf(const TListColumn* Column) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Column) return static_cast<int>(i);
  return -1;
}

TListItem::TListItem(TListItems* Owner) : FOwner(Owner), FSubItems(std::make_unique<TStringList>()) {
  FSubItems->OnChange = [this](TObject*) { Update(); };
}

TListItem::~TListItem() { FSubItems->OnChange = nullptr; }

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }

int TListItem::Index() const { return FOwner->IndexOf(this); }

void TListItem::Update() {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return;
  int i = Index();
  if (i >= 0) SendMessageW(lv->Handle(), LVM_UPDATE, static_cast<WPARAM>(i), 0);
}

void TListItem::SetCaption(const std::string& Value) {
  FCaption = Value;
  Update();
}

void TListItem::SetImageIndex(int Value) {
  FImageIndex = Value;
  Update();
}

void TListItem::SetStateIndex(int Value) {
  FStateIndex = Value;
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated()) {
    LVITEMW it{};
    it.stateMask = LVIS_STATEIMAGEMASK;
    it.state = INDEXTOSTATEIMAGEMASK(Value + 1);
    SendMessageW(lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&it));
  }
}

void TListItem::SetOverlayIndex(int Value) {
  FOverlayIndex = Value;
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated()) {
    LVITEMW it{};
    it.stateMask = LVIS_OVERLAYMASK;
    it.state = INDEXTOOVERLAYMASK(Value + 1);
    SendMessageW(lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&it));
  }
}

namespace {
bool GetState(TCustomListView* LV, int Index, UINT Mask, UINT Saved) {
  if (!LV->HandleAllocated()) return (Saved & Mask) != 0;
  return (SendMessageW(LV->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index), Mask) & Mask) != 0;
}
void SetState(TCustomListView* LV, int Index, UINT Mask, bool Value, UINT& Saved) {
  if (Value)
    Saved |= Mask;
  else
    Saved &= ~Mask;
  if (!LV->HandleAllocated()) return;
  LVITEMW it{};
  it.stateMask = Mask;
  it.state = Value ? Mask : 0;
  SendMessageW(LV->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&it));
}
}  // namespace

bool TListItem::Selected() const { return GetState(ListView(), Index(), LVIS_SELECTED, FSavedState); }
void TListItem::SetSelected(bool Value) { SetState(ListView(), Index(), LVIS_SELECTED, Value, FSavedState); }
bool TListItem::Focused() const { return GetState(ListView(), Index(), LVIS_FOCUSED, FSavedState); }
void TListItem::SetFocused(bool Value) { SetState(ListView(), Index(), LVIS_FOCUSED, Value, FSavedState); }

bool TListItem::Checked() const {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return FStateIndex == 1;
  UINT s = static_cast<UINT>(SendMessageW(lv->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), LVIS_STATEIMAGEMASK));
  return ((s & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void TListItem::SetChecked(bool Value) { SetStateIndex(Value ? 1 : 0); }

void TListItem::Delete() { FOwner->Delete(Index()); }

void TListItem::MakeVisible(bool PartialOK) {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated()) SendMessageW(lv->Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(Index()), PartialOK);
}

TRect TListItem::DisplayRect(int Code) {
  RECT r{};
  r.left = Code;
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated())
    SendMessageW(lv->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&r));
  return r;
}

TListItems::~TListItems() {
  for (TListItem* i : FItems) delete i;
}

void TListItems::InsertIntoWindow(TListItem* Item, int Index) {
  if (!FOwner->HandleAllocated() || FOwner->FOwnerData) return;
  LVITEMW it{};
  it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  it.iItem = Index;
  it.pszText = LPSTR_TEXTCALLBACKW;
  it.iImage = I_IMAGECALLBACK;
  it.lParam = reinterpret_cast<LPARAM>(Item);
  if (Item->FSavedState || Item->FStateIndex >= 0 || Item->FOverlayIndex >= 0) {
    it.mask |= LVIF_STATE;
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    it.state = Item->FSavedState & (LVIS_SELECTED | LVIS_FOCUSED);
    if (Item->FStateIndex >= 0) {
      it.stateMask |= LVIS_STATEIMAGEMASK;
      it.state |= INDEXTOSTATEIMAGEMASK(Item->FStateIndex + 1);
    }
    if (Item->FOverlayIndex >= 0) {
      it.stateMask |= LVIS_OVERLAYMASK;
      it.state |= INDEXTOOVERLAYMASK(Item->FOverlayIndex + 1);
    }
  }
  SendMessageW(FOwner->Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int Index) {
  if (FOwner->FOwnerData) throw EListError("An owner-data list view holds no items");
  Index = std::clamp(Index, 0, static_cast<int>(FItems.size()));
  auto* item = new TListItem(this);
  FItems.insert(FItems.begin() + Index, item);
  InsertIntoWindow(item, Index);
  return item;
}

void TListItems::Delete(int Index) {
  if (FOwner->FOwnerData) {
    SetCount(std::max(FVirtualCount - 1, 0));
    return;
  }
  if (Index < 0 || Index >= static_cast<int>(FItems.size()))
    throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  TListItem* item = FItems[static_cast<size_t>(Index)];
  FOwner->Delete(item);
  FItems.erase(FItems.begin() + Index);
  if (FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), LVM_DELETEITEM, static_cast<WPARAM>(Index), 0);
  delete item;
}

void TListItems::Clear() {
  if (FOwner->FOwnerData) {
    SetCount(0);
    return;
  }
  BeginUpdate();
  for (TListItem* i : FItems) FOwner->Delete(i);
  std::vector<TListItem*> old;
  old.swap(FItems);
  if (FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), LVM_DELETEALLITEMS, 0, 0);
  for (TListItem* i : old) delete i;
  EndUpdate();
}

int TListItems::Count() const {
  if (FOwner->FOwnerData) return FVirtualCount;
  return static_cast<int>(FItems.size());
}

void TListItems::SetCount(int Value) {
  if (!FOwner->FOwnerData) return;
  FVirtualCount = std::max(Value, 0);
  if (FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(FVirtualCount), 0);
}

TListItem* TListItems::Item(int Index) const {
  if (FOwner->FOwnerData) return nullptr;
  if (Index < 0 || Index >= static_cast<int>(FItems.size()))
    throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return FItems[static_cast<size_t>(Index)];
}

int TListItems::IndexOf(const TListItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TListItems::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner->HandleAllocated()) {
    SendMessageW(FOwner->Handle(), WM_SETREDRAW, TRUE, 0);
    FOwner->Invalidate();
  }
}

void TListItems::SyncOrder() {
  if (!FOwner->HandleAllocated() || FOwner->FOwnerData) return;
  std::vector<TListItem*> order;
  int n = static_cast<int>(SendMessageW(FOwner->Handle(), LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    LVITEMW it{};
    it.mask = LVIF_PARAM;
    it.iItem = i;
    SendMessageW(FOwner->Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    order.push_back(reinterpret_cast<TListItem*>(it.lParam));
  }
  if (order.size() == FItems.size()) FItems.swap(order);
}

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner), FColumns(this), FItems(std::make_unique<TListItems>(this)) {
  FWidth = 250;
  FHeight = 150;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  FControlStyle = csDoubleClicks | csClickEvents;
  FSmallLink.OnChange = [this](TObject*) { SetImageList(FSmallImages ? FSmallImages->Handle() : nullptr, LVSIL_SMALL); };
  FLargeLink.OnChange = [this](TObject*) { SetImageList(FLargeImages ? FLargeImages->Handle() : nullptr, LVSIL_NORMAL); };
  FStateLink.OnChange = [this](TObject*) { SetImageList(FStateImages ? FStateImages->Handle() : nullptr, LVSIL_STATE); };
}

// The change links unregister themselves (an image list destroyed first has
// already let go of them).
TCustomListView::~TCustomListView() {
  FComponentState |= csDestroying;
  if (FHandle) DestroyWnd();
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CONTROLPARENT);
  static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  Params.Style |= views[FViewStyle] | LVS_SHAREIMAGELISTS;
  if (!FMultiSelect) Params.Style |= LVS_SINGLESEL;
  if (!FReadOnly) Params.Style |= LVS_EDITLABELS;
  if (!FHideSelection) Params.Style |= LVS_SHOWSELALWAYS;
  if (!FShowColumnHeaders) Params.Style |= LVS_NOCOLUMNHEADER;
  if (!FColumnClick) Params.Style |= LVS_NOSORTHEADER;
  if (FOwnerData) Params.Style |= LVS_OWNERDATA;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WinClassName = L"TListView";
  Params.SysClassName = WC_LISTVIEWW;
}

void TCustomListView::SetImageList(HIMAGELIST List, int Kind) {
  if (FHandle) SendMessageW(FHandle, LVM_SETIMAGELIST, static_cast<WPARAM>(Kind), reinterpret_cast<LPARAM>(List));
}

void TCustomListView::UpdateColumns() {
  if (!FHandle) return;
  for (int i = 0; i < FColumns.Count(); ++i) {
    TListColumn* col = FColumns[i];
    std::wstring text = Widen(col->FCaption);
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    c.fmt = FormatOf(col->FAlignment);
    c.cx = col->FWidth;
    c.pszText = text.data();
    if (col->FImageIndex >= 0) {
      c.mask |= LVCF_IMAGE;
      c.fmt |= LVCFMT_IMAGE;
      c.iImage = col->FImageIndex;
    }
    SendMessageW(FHandle, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
  }
}

void TCustomListView::UpdateExStyles() {
  if (!FHandle) return;
  DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES;
  DWORD value = (FRowSelect ? LVS_EX_FULLROWSELECT : 0) | (FGridLines ? LVS_EX_GRIDLINES : 0) |
                (FCheckboxes ? LVS_EX_CHECKBOXES : 0);
  SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, value);
}

void TCustomListView::CreateWnd() {
  TWinControl::CreateWnd();
  if (FSmallImages) SetImageList(FSmallImages->Handle(), LVSIL_SMALL);
  if (FLargeImages) SetImageList(FLargeImages->Handle(), LVSIL_NORMAL);
  if (FStateImages) SetImageList(FStateImages->Handle(), LVSIL_STATE);
  UpdateExStyles();
  UpdateColumns();
  if (FOwnerData) {
    SendMessageW(FHandle, LVM_SETITEMCOUNT, static_cast<WPARAM>(FItems->FVirtualCount), 0);
  } else {
    for (size_t i = 0; i < FItems->FItems.size(); ++i) FItems->InsertIntoWindow(FItems->FItems[i], static_cast<int>(i));
  }
}

void TCustomListView::DestroyWnd() {
  if (FHandle) {
    for (int i = 0; i < FColumns.Count(); ++i) FColumns[i]->FWidth = FColumns[i]->Width();
    if (!FOwnerData)
      for (size_t i = 0; i < FItems->FItems.size(); ++i)
        FItems->FItems[i]->FSavedState = static_cast<UINT>(
            SendMessageW(FHandle, LVM_GETITEMSTATE, i, LVIS_SELECTED | LVIS_FOCUSED));
  }
  TWinControl::DestroyWnd();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FSmallImages) SetSmallImages(nullptr);
  if (AComponent == FLargeImages) SetLargeImages(nullptr);
  if (AComponent == FStateImages) SetStateImages(nullptr);
}

void TCustomListView::SetSmallImages(TCustomImageList* Value) {
  LinkImages(this, FSmallImages, Value, FSmallLink);
  FSmallLink.Change();
}

void TCustomListView::SetLargeImages(TCustomImageList* Value) {
  LinkImages(this, FLargeImages, Value, FLargeLink);
  FLargeLink.Change();
}

void TCustomListView::SetStateImages(TCustomImageList* Value) {
  LinkImages(this, FStateImages, Value, FStateLink);
  FStateLink.Change();
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
  if (Value == FViewStyle) return;
  FViewStyle = Value;
  if (FHandle) {
    static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    LONG s = GetWindowLongW(FHandle, GWL_STYLE);
    SetWindowLongW(FHandle, GWL_STYLE, static_cast<LONG>((static_cast<DWORD>(s) & ~LVS_TYPEMASK) | views[Value]));
  }
}

void TCustomListView::SetOwnerData(bool Value) {
  if (Value == FOwnerData) return;
  if (Value) FItems->Clear();
  FOwnerData = Value;
  FItems->FVirtualCount = 0;
  RecreateWnd();
}

void TCustomListView::SetMultiSelect(bool Value) {
  if (Value == FMultiSelect) return;
  FMultiSelect = Value;
  RecreateWnd();
}

void TCustomListView::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  RecreateWnd();
}

void TCustomListView::SetHideSelection(bool Value) {
  if (Value == FHideSelection) return;
  FHideSelection = Value;
  RecreateWnd();
}

void TCustomListView::SetShowColumnHeaders(bool Value) {
  if (Value == FShowColumnHeaders) return;
  FShowColumnHeaders = Value;
  RecreateWnd();
}

void TCustomListView::SetColumnClick(bool Value) {
  if (Value == FColumnClick) return;
  FColumnClick = Value;
  RecreateWnd();
}

void TCustomListView::SetRowSelect(bool Value) {
  FRowSelect = Value;
  UpdateExStyles();
}

void TCustomListView::SetGridLines(bool Value) {
  FGridLines = Value;
  UpdateExStyles();
}

void TCustomListView::SetCheckboxes(bool Value) {
  FCheckboxes = Value;
  UpdateExStyles();
}

void TCustomListView::SetBorderStyle(TBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  RecreateWnd();
}

TListItem* TCustomListView::Selected() { return GetNextItem(nullptr, LVNI_ALL, LVNI_SELECTED); }

void TCustomListView::SetSelected(TListItem* Value) {
  if (FHandle) {
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = 0;
    SendMessageW(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
  } else {
    for (TListItem* i : FItems->FItems) i->FSavedState &= ~static_cast<UINT>(LVIS_SELECTED);
  }
  if (Value) Value->SetSelected(true);
}

TListItem* TCustomListView::ItemFocused() { return GetNextItem(nullptr, LVNI_ALL, LVNI_FOCUSED); }

void TCustomListView::SetItemFocused(TListItem* Value) {
  if (Value) Value->SetFocused(true);
}

int TCustomListView::SelCount() {
  if (FHandle) return static_cast<int>(SendMessageW(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
  int n = 0;
  for (TListItem* i : FItems->FItems)
    if (i->FSavedState & LVIS_SELECTED) ++n;
  return n;
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, int Direction, UINT States) {
  if (!FHandle || FOwnerData) return nullptr;
  int start = StartItem ? StartItem->Index() : -1;
  int i = static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(Direction | States, 0)));
  return i >= 0 && i < static_cast<int>(FItems->FItems.size()) ? FItems->FItems[static_cast<size_t>(i)] : nullptr;
}

TListItem* TCustomListView::GetItemAt(int X, int Y) {
  LVHITTESTINFO hit{};
  hit.pt = POINT{X, Y};
  int i = static_cast<int>(SendMessageW(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (FOwnerData || i < 0 || i >= static_cast<int>(FItems->FItems.size())) return nullptr;
  return FItems->FItems[static_cast<size_t>(i)];
}

TListItem* TCustomListView::TopItem() {
  int i = static_cast<int>(SendMessageW(Handle(), LVM_GETTOPINDEX, 0, 0));
  if (FOwnerData || i < 0 || i >= static_cast<int>(FItems->FItems.size())) return nullptr;
  return FItems->FItems[static_cast<size_t>(i)];
}

int TCustomListView::VisibleRowCount() { return static_cast<int>(SendMessageW(Handle(), LVM_GETCOUNTPERPAGE, 0, 0)); }

void TCustomListView::Scroll(int DX, int DY) { SendMessageW(Handle(), LVM_SCROLL, static_cast<WPARAM>(DX), DY); }

HWND TCustomListView::HeaderHandle() {
  if (!FHandle) return nullptr;
  return reinterpret_cast<HWND>(SendMessageW(FHandle, LVM_GETHEADER, 0, 0));
}

namespace {
int CALLBACK SortCallback(LPARAM A, LPARAM B, LPARAM Data) {
  auto* compare = reinterpret_cast<const TLVCompareFunc*>(Data);
  return (*compare)(reinterpret_cast<TListItem*>(A), reinterpret_cast<TListItem*>(B));
}
}  // namespace

bool TCustomListView::CustomSort(const TLVCompareFunc& Compare) {
  if (FOwnerData) return false;
  if (!FHandle) {
    std::stable_sort(FItems->FItems.begin(), FItems->FItems.end(),
                     [&](TListItem* a, TListItem* b) { return Compare(a, b) < 0; });
    return true;
  }
  bool ok = SendMessageW(FHandle, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&Compare), reinterpret_cast<LPARAM>(SortCallback)) != 0;
  FItems->SyncOrder();
  return ok;
}

bool TCustomListView::AlphaSort() {
  return CustomSort([this](TListItem* a, TListItem* b) {
    if (OnCompare) {
      int r = 0;
      OnCompare(this, a, b, 0, r);
      return r;
    }
    return AnsiCompareText(a->Caption(), b->Caption());
  });
}

void TCustomListView::OwnerDataFetch(int Index, int SubItem, std::string& Text, int& ImageIndex) {
  if (OnData) OnData(this, Index, SubItem, Text, ImageIndex);
}

void TCustomListView::GetDispInfo(NMLVDISPINFOW& Info) {
  LVITEMW& item = Info.item;
  std::string text;
  int image = -1;
  if (FOwnerData) {
    if (item.iItem < 0) return;
    OwnerDataFetch(item.iItem, item.iSubItem, text, image);
  } else {
    TListItem* li = reinterpret_cast<TListItem*>(item.lParam);
    if (!li && item.iItem >= 0 && item.iItem < static_cast<int>(FItems->FItems.size()))
      li = FItems->FItems[static_cast<size_t>(item.iItem)];
    if (!li) return;
    if (item.iSubItem == 0)
      text = li->FCaption;
    else if (item.iSubItem - 1 < li->FSubItems->Count())
      text = li->FSubItems->Strings(item.iSubItem - 1);
    image = item.iSubItem == 0 ? li->FImageIndex : -1;
  }
  if (item.mask & LVIF_TEXT) CopyToBuffer(text, item.pszText, item.cchTextMax);
  if (item.mask & LVIF_IMAGE) item.iImage = image;
}

void TCustomListView::ColClick(TListColumn* Column) {
  if (OnColumnClick) OnColumnClick(this, Column);
}

void TCustomListView::Change(TListItem* Item, TItemChange Change) {
  if (OnChange) OnChange(this, Item, Change);
}

void TCustomListView::Delete(TListItem* Item) {
  if (OnDeletion) OnDeletion(this, Item);
}

bool TCustomListView::CanEdit(TListItem* Item) {
  bool allow = !FReadOnly;
  if (OnEditing) OnEditing(this, Item, allow);
  return allow;
}

void TCustomListView::Edit(const LVITEMW& Item) {
  if (!Item.pszText) return;
  if (FOwnerData) {
    // A virtual list keeps no captions: its owner stores the text.
    std::string s = Narrow(Item.pszText);
    if (OnDataEdited) OnDataEdited(this, Item.iItem, s);
    return;
  }
  TListItem* li = reinterpret_cast<TListItem*>(Item.lParam);
  if (!li && Item.iItem >= 0 && Item.iItem < static_cast<int>(FItems->FItems.size()))
    li = FItems->FItems[static_cast<size_t>(Item.iItem)];
  if (!li) return;
  std::string s = Narrow(Item.pszText);
  if (OnEdited) OnEdited(this, li, s);
  li->SetCaption(s);
}

void TCustomListView::CNNotify(TMessage& Message) {
  auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
  Message.Result = 0;
  switch (h->code) {
    case LVN_GETDISPINFOW:
      GetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(h));
      break;
    case LVN_COLUMNCLICK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(h);
      if (nm->iSubItem >= 0 && nm->iSubItem < FColumns.Count()) ColClick(FColumns[nm->iSubItem]);
      break;
    }
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(h);
      if (!(nm->uChanged & LVIF_STATE)) break;
      TListItem* item = nullptr;
      if (!FOwnerData && nm->iItem >= 0 && nm->iItem < static_cast<int>(FItems->FItems.size()))
        item = FItems->FItems[static_cast<size_t>(nm->iItem)];
      Change(item, ctState);
      if ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED)
        if (OnSelectItem) OnSelectItem(this, item, (nm->uNewState & LVIS_SELECTED) != 0);
      break;
    }
    case LVN_BEGINLABELEDITW: {
      auto* nm = reinterpret_cast<NMLVDISPINFOW*>(h);
      TListItem* item = nullptr;
      if (!FOwnerData && nm->item.iItem >= 0 && nm->item.iItem < static_cast<int>(FItems->FItems.size()))
        item = FItems->FItems[static_cast<size_t>(nm->item.iItem)];
      Message.Result = CanEdit(item) ? FALSE : TRUE;
      break;
    }
    case LVN_ENDLABELEDITW:
      Edit(reinterpret_cast<NMLVDISPINFOW*>(h)->item);
      Message.Result = FALSE;
      break;
    default:
      break;
  }
}

void TCustomListView::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_NOTIFY) {
    // The window's own teardown notifies too; no events fire from a
    // half-destroyed control.
    if (Destroying()) {
      Message.Result = 0;
      return;
    }
    CNNotify(Message);
    return;
  }
  TWinControl::Dispatch(Message);
}
