// Common controls: status bar, progress bar, page control, tree view and the
// list view base.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

// ---- status bar ----------------------------------------------------------

enum TStatusPanelStyle : int { psText, psOwnerDraw };
enum TStatusPanelBevel : int { pbNone, pbLowered, pbRaised };

class TStatusBar;

class TStatusPanel : public TPersistent {
 public:
  explicit TStatusPanel(TStatusBar* Owner) : FOwner(Owner) {}
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TStatusPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TStatusPanelBevel Value);
  TStatusPanelStyle Style() const { return FStyle; }
  void SetStyle(TStatusPanelStyle Value);
  int Index() const;

 private:
  TStatusBar* FOwner;
  std::string FText;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  TStatusPanelBevel FBevel = pbLowered;
  TStatusPanelStyle FStyle = psText;
};

class TStatusPanels {
 public:
  explicit TStatusPanels(TStatusBar* Owner) : FOwner(Owner) {}
  TStatusPanel* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TStatusPanel* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
  TStatusPanel* operator[](int Index) const { return Items(Index); }
  void Delete(int Index);
  void Clear();
  int IndexOf(const TStatusPanel* Panel) const;

 private:
  TStatusBar* FOwner;
  std::vector<std::unique_ptr<TStatusPanel>> FItems;
};

using TDrawPanelEvent = std::function<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TWinControl {
 public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  TStatusPanels* Panels() { return &FPanels; }
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& Value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  TCanvas* Canvas() { return &FCanvas; }
  // Pushes the panels' widths and texts into the window.
  void UpdatePanels();
  void UpdatePanel(int Index);
  TDrawPanelEvent OnDrawPanel;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& Message) override;

 private:
  TStatusPanels FPanels;
  bool FSimplePanel = false;
  std::string FSimpleText;
  bool FSizeGrip = true;
  TCanvas FCanvas;
};

// ---- progress bar --------------------------------------------------------

enum TProgressBarOrientation : int { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const { return FMin; }
  void SetMin(int Value);
  int Max() const { return FMax; }
  void SetMax(int Value);
  int Position();
  void SetPosition(int Value);
  int Step() const { return FStep; }
  void SetStep(int Value);
  void StepIt();
  void StepBy(int Delta);
  bool Smooth() const { return FSmooth; }
  void SetSmooth(bool Value);
  TProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TProgressBarOrientation Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  int FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
  bool FSmooth = false;
  TProgressBarOrientation FOrientation = pbHorizontal;
};

// ---- page control --------------------------------------------------------

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  int PageIndex() const;
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void TextChanged() override;
  void Dispatch(TMessage& Message) override;

 private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const { return FPages.at(static_cast<size_t>(Index)); }
  TTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* Value);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  // The rectangle the pages fill, in client coordinates.
  TRect DisplayRect();
  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void Change();
  virtual bool CanChange();

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void UpdateTabs();
  int TabIndexOf(TTabSheet* Page) const;
  TTabSheet* PageOfTab(int TabIndex) const;
  void ShowActive();
  void LayoutPages();
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TCustomImageList* FImages = nullptr;
  TChangeLink FImageLink;
};

// ---- tree view -----------------------------------------------------------

class TTreeNodes;
class TCustomTreeView;

class TTreeNode : public TPersistent {
 public:
  TTreeNode(TTreeNodes* Owner, TTreeNode* Parent);
  ~TTreeNode() override;
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int Value);
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int Value);
  void* Data = nullptr;
  TTreeNode* Parent() const { return FParent; }
  int Count() const { return static_cast<int>(FChildren.size()); }
  TTreeNode* Item(int Index) const { return FChildren.at(static_cast<size_t>(Index)); }
  int Index() const;
  int Level() const;
  // Position among all nodes in display order (first root = 0).
  int AbsoluteIndex() const;
  bool HasChildren() const { return !FChildren.empty() || FHasChildren; }
  void SetHasChildren(bool Value);
  bool Expanded() const;
  void SetExpanded(bool Value);
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const { return Selected(); }
  void Delete();
  void DeleteChildren();
  TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The next node in display order, descending into children.
  TTreeNode* GetNext() const;
  HTREEITEM ItemId() const { return FItemId; }
  TTreeNodes* Owner() const { return FOwner; }
  TCustomTreeView* TreeView() const;
  void MakeVisible();
  TRect DisplayRect(bool TextOnly);

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  void Update();
  TTreeNodes* FOwner;
  TTreeNode* FParent;
  std::vector<TTreeNode*> FChildren;
  std::string FText;
  int FImageIndex = -1;
  int FSelectedIndex = -1;
  int FStateIndex = -1;
  bool FHasChildren = false;
  bool FExpanded = false;
  HTREEITEM FItemId = nullptr;
};

class TTreeNodes : public TPersistent {
 public:
  explicit TTreeNodes(TCustomTreeView* Owner) : FOwner(Owner) {}
  ~TTreeNodes() override;
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;
  // A new last sibling of Sibling (a root when Sibling is nullptr).
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
  TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr);
  // Before Sibling, at its level.
  TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);
  void Delete(TTreeNode* Node);
  void Clear();
  int Count() const;
  // All nodes in display order.
  TTreeNode* Item(int Index) const;
  TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
  TTreeNode* GetNode(HTREEITEM ItemId) const;
  void BeginUpdate();
  void EndUpdate();
  TCustomTreeView* Owner() const { return FOwner; }

 private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  TTreeNode* InternalAdd(TTreeNode* Parent, int Position, const std::string& S, void* Ptr);
  void InsertIntoWindow(TTreeNode* Node);
  std::vector<TTreeNode*>& SiblingsOf(TTreeNode* Parent) { return Parent ? Parent->FChildren : FRoots; }
  TCustomTreeView* FOwner;
  std::vector<TTreeNode*> FRoots;
  int FUpdateCount = 0;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;

class TCustomTreeView : public TWinControl {
 public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;
  TTreeNodes* Items() { return FNodes.get(); }
  TTreeNode* Selected();
  void SetSelected(TTreeNode* Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* Value);
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool Value);
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value);
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  int Indent();
  void SetIndent(int Value);
  TTreeNode* GetNodeAt(int X, int Y);
  TTreeNode* TopItem();
  void FullExpand();
  void FullCollapse();
  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVExpandedEvent OnDeletion;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The TVN_* notifications: return true with Result set when handled.
  virtual bool CNNotify(NMHDR* Header, LRESULT& Result);
  virtual void Change(TTreeNode* Node);

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  std::unique_ptr<TTreeNodes> FNodes;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TChangeLink FImageLink, FStateLink;
  bool FShowLines = true, FShowRoot = true, FShowButtons = true, FHideSelection = true, FReadOnly = false;
  int FIndent = 19;
  TTreeNode* FSavedSelection = nullptr;
  bool FRebuilding = false;
};

class TTreeView : public TCustomTreeView {
 public:
  using TCustomTreeView::TCustomTreeView;
};

// ---- list view -----------------------------------------------------------

enum TViewStyle : int { vsIcon, vsSmallIcon, vsList, vsReport };
constexpr int ColumnHeaderWidth = -2, ColumnTextWidth = -1;

class TCustomListView;

class TListColumn : public TPersistent {
 public:
  explicit TListColumn(TCustomListView* Owner) : FOwner(Owner) {}
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // Reads the width back from the window (the user may drag it).
  int Width() const;
  void SetWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int Index() const;
  void* Data = nullptr;

 private:
  friend class TCustomListView;
  friend class TListColumns;
  void Update() const;
  TCustomListView* FOwner;
  std::string FCaption;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  int FImageIndex = -1;
};

class TListColumns {
 public:
  explicit TListColumns(TCustomListView* Owner) : FOwner(Owner) {}
  TListColumn* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TListColumn* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
  TListColumn* operator[](int Index) const { return Items(Index); }
  void Delete(int Index);
  void Clear();
  int IndexOf(const TListColumn* Column) const;

 private:
  friend class TCustomListView;
  TCustomListView* FOwner;
  std::vector<std::unique_ptr<TListColumn>> FItems;
};

class TListItems;

class TListItem : public TPersistent {
 public:
  explicit TListItem(TListItems* Owner);
  ~TListItem() override;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  TStrings* SubItems() { return FSubItems.get(); }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int Value);
  int OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int Value);
  void* Data = nullptr;
  int Index() const;
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const;
  void SetFocused(bool Value);
  bool Checked() const;
  void SetChecked(bool Value);
  void Delete();
  void MakeVisible(bool PartialOK);
  TRect DisplayRect(int Code);
  TListItems* Owner() const { return FOwner; }
  TCustomListView* ListView() const;
  void Update();

 private:
  friend class TListItems;
  friend class TCustomListView;
  TListItems* FOwner;
  std::string FCaption;
  std::unique_ptr<TStringList> FSubItems;
  int FImageIndex = -1;
  int FStateIndex = -1;
  int FOverlayIndex = -1;
  UINT FSavedState = 0;
};

// Items of a list view that holds them itself; in owner-data mode only Count
// matters (the control asks for every cell).
class TListItems : public TPersistent {
 public:
  explicit TListItems(TCustomListView* Owner) : FOwner(Owner) {}
  ~TListItems() override;
  TListItems(const TListItems&) = delete;
  TListItems& operator=(const TListItems&) = delete;
  TListItem* Add();
  TListItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int Count() const;
  void SetCount(int Value);
  TListItem* Item(int Index) const;
  TListItem* operator[](int Index) const { return Item(Index); }
  int IndexOf(const TListItem* Item) const;
  void BeginUpdate();
  void EndUpdate();
  TCustomListView* Owner() const { return FOwner; }

 private:
  friend class TListItem;
  friend class TCustomListView;
  void InsertIntoWindow(TListItem* Item, int Index);
  void SyncOrder();
  TCustomListView* FOwner;
  std::vector<TListItem*> FItems;
  int FVirtualCount = 0;
  int FUpdateCount = 0;
};

enum TItemChange : int { ctText, ctImage, ctState };
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
// Owner data: the text of row Index, column SubItem (0 = caption).
using TLVOwnerDataEvent = std::function<void(TObject* Sender, int Index, int SubItem, std::string& Text, int& ImageIndex)>;
using TLVCompareFunc = std::function<int(TListItem* Item1, TListItem* Item2)>;

class TCustomListView : public TWinControl {
 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;

  TListColumns* Columns() { return &FColumns; }
  TListItems* Items() { return FItems.get(); }
  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle Value);
  // LVS_OWNERDATA: the window is re-created when this changes.
  bool OwnerData() const { return FOwnerData; }
  void SetOwnerData(bool Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool Value);
  bool ColumnClick() const { return FColumnClick; }
  void SetColumnClick(bool Value);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool GridLines() const { return FGridLines; }
  void SetGridLines(bool Value);
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TCustomImageList* SmallImages() const { return FSmallImages; }
  virtual void SetSmallImages(TCustomImageList* Value);
  TCustomImageList* LargeImages() const { return FLargeImages; }
  virtual void SetLargeImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return FStateImages; }
  virtual void SetStateImages(TCustomImageList* Value);

  TListItem* Selected();
  void SetSelected(TListItem* Value);
  TListItem* ItemFocused();
  void SetItemFocused(TListItem* Value);
  int SelCount();
  TListItem* GetNextItem(TListItem* StartItem, int Direction, UINT States);
  TListItem* GetItemAt(int X, int Y);
  TListItem* TopItem();
  int VisibleRowCount();
  void Scroll(int DX, int DY);
  // LVM_SORTITEMS over the items with Compare (negative, 0, positive).
  bool CustomSort(const TLVCompareFunc& Compare);
  bool AlphaSort();
  // The header window of report view (nullptr without a window).
  HWND HeaderHandle();
  TCanvas* Canvas() { return &FCanvas; }

  TLVColumnClickEvent OnColumnClick;
  TLVChangeEvent OnChange;
  TLVSelectItemEvent OnSelectItem;
  TLVDeletedEvent OnDeletion;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  // The edited text of row Index of a virtual (owner-data) list.
  std::function<void(TObject* Sender, int Index, std::string& S)> OnDataEdited;
  TLVCompareEvent OnCompare;
  TLVOwnerDataEvent OnData;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The reflected WM_NOTIFY of the control (LVN_*); Result is what the
  // control gets back. Descendants override it and call it for the rest.
  virtual void CNNotify(TMessage& Message);
  // LVN_GETDISPINFO: fills the record from the items, or from OwnerDataFetch
  // in owner-data mode.
  virtual void GetDispInfo(NMLVDISPINFOW& Info);
  // Owner-data cell request; the default fires OnData.
  virtual void OwnerDataFetch(int Index, int SubItem, std::string& Text, int& ImageIndex);
  virtual void ColClick(TListColumn* Column);
  virtual void Change(TListItem* Item, TItemChange Change);
  virtual void Delete(TListItem* Item);
  virtual bool CanEdit(TListItem* Item);
  virtual void Edit(const LVITEMW& Item);
  void UpdateColumns();
  void UpdateExStyles();
  void SetImageList(HIMAGELIST List, int Kind);

 private:
  friend class TListColumn;
  friend class TListColumns;
  friend class TListItem;
  friend class TListItems;
  TListColumns FColumns;
  std::unique_ptr<TListItems> FItems;
  TCanvas FCanvas;
  TViewStyle FViewStyle = vsIcon;
  bool FOwnerData = false;
  bool FMultiSelect = false;
  bool FReadOnly = false;
  bool FHideSelection = true;
  bool FShowColumnHeaders = true;
  bool FColumnClick = true;
  bool FRowSelect = false;
  bool FGridLines = false;
  bool FCheckboxes = false;
  TBorderStyle FBorderStyle = bsSingle;
  TCustomImageList* FSmallImages = nullptr;
  TCustomImageList* FLargeImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TChangeLink FSmallLink, FLargeLink, FStateLink;
};

class TListView : public TCustomListView {
 public:
  using TCustomListView::TCustomListView;
};
