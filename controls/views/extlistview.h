// The extended list view: extended styles, a virtual (owner-data) mode in
// which every cell comes from OnVMGetItemInfo, header images, a column order
// the user may change and that is saved with the widths, and operations on
// rows by index.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/views/enhlistview.h"

enum TLVExtendedStyle : int {
  lvxGridLines, lvxSubItemImages, lvxCheckboxes, lvxTrackSelect, lvxHeaderDragDrop, lvxFullRowSelect,
  lvxOneClickActivate, lvxTwoClickActivate, lvxFlatScrollBar, lvxUnderlineHot, lvxUnderlineCold
};
using TLVExtendedStyles = uint32_t;  // bit (1 << member)
constexpr TLVExtendedStyles LVXBit(TLVExtendedStyle S) { return 1u << S; }
DWORD ExtendedStylesToWord(TLVExtendedStyles Styles);
TLVExtendedStyles WordToExtendedStyles(DWORD Word);

enum TColumnImageAlign : int { ciaLeftOfText, ciaRightOfText };

enum TLVVMMaskItem : int { lvifText, lvifImage, lvifParam, lvifState, lvifIndent };
using TLVVMMaskItems = uint8_t;  // bit (1 << member), the same bits as LVIF_*

enum TLVItemState : int { lvisNoState, lvisCut, lvisDropHighlighted, lvisFocused, lvisSelected };
using TLVItemStates = uint8_t;  // bit (1 << member): 2 cut, 4 drop-highlighted, 8 focused, 16 selected
constexpr TLVItemStates LVISBit(TLVItemState S) { return static_cast<TLVItemStates>(1u << S); }

enum TLVNextItemDirection : int { lvnaToLeft, lvnaToRight, lvnaAbove, lvnaBelow, lvnaAll };

using TLVItemCountFlags = uint8_t;
constexpr TLVItemCountFlags lvsicfNoInvalidateAll = LVSICF_NOINVALIDATEALL, lvsicfNoScroll = LVSICF_NOSCROLL;

class EELVException : public Exception {
 public:
  using Exception::Exception;
};
class EELVOldComCtl : public EELVException {
 public:
  using EELVException::EELVException;
};

class TCustomExtListView;
class TExtListColumns;

class TExtListColumn : public TPersistent {
 public:
  explicit TExtListColumn(TExtListColumns* Owner) : FOwner(Owner) {}
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  TColumnImageAlign ImageAlignment() const { return FImageAlignment; }
  void SetImageAlignment(TColumnImageAlign Value);
  int Index() const;
  void Assign(TPersistent* Source) override;

 private:
  void Changed();
  TExtListColumns* FOwner;
  int FImageIndex = -1;
  TColumnImageAlign FImageAlignment = ciaRightOfText;
};

class TExtListColumns : public TPersistent {
 public:
  explicit TExtListColumns(TCustomExtListView* ListView) : FListView(ListView) {}
  TExtListColumn* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TExtListColumn* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
  TExtListColumn* operator[](int Index) const { return Items(Index); }
  void Clear();
  int IndexOf(const TExtListColumn* Item) const;
  TCustomExtListView* Owner() const { return FListView; }
  void Assign(TPersistent* Source) override;
  // One item changed (Item) or the whole collection (nullptr).
  void Update(TExtListColumn* Item);

 private:
  TCustomExtListView* FListView;
  std::vector<std::unique_ptr<TExtListColumn>> FItems;
};

class TExtLVSaveSettings : public TEnhLVSaveSettings {
 public:
  bool SaveColumnOrder = true;
  void Assign(TPersistent* Source) override;
};

using TLVMarqueeBeginEvent = std::function<void(TObject* Sender, bool& CanBegin)>;
using TLVHotTrackEvent = std::function<void(TObject* Sender, int& ItemIndex, int SubItemIndex, TPoint Location,
                                            bool& AllowSelect)>;
using TLVVMGetItemInfoEvent =
    std::function<void(TObject* Sender, int Item, int SubItem, TLVVMMaskItems& Mask, int& Image, LPARAM& Param,
                       UINT& State, UINT& StateMask, int& Indent, std::string& Text)>;
using TLVVMCacheHintEvent = std::function<void(TObject* Sender, NMLVCACHEHINT& HintInfo)>;
using TLVVMFindItemEvent = std::function<void(TObject* Sender, NMLVFINDITEMW& FindInfo, int& Found)>;
using TLVVMStateChangedEvent = std::function<void(TObject* Sender, NMLVODSTATECHANGE& StateInfo)>;

// The version of the common-controls library, packed as four 16-bit parts
// (major, minor, release, build); 0 when it cannot be read.
uint64_t ComCtlVersion();
constexpr uint64_t MakeComCtlVersion(int Major, int Minor, int Release, int Build) {
  return (static_cast<uint64_t>(Major) << 48) | (static_cast<uint64_t>(Minor) << 32) |
         (static_cast<uint64_t>(Release) << 16) | static_cast<uint64_t>(Build);
}

class TCustomExtListView : public TCustomEnhListView {
 public:
  explicit TCustomExtListView(TComponent* AOwner);
  ~TCustomExtListView() override;
  void Loaded() override;

  int GetNextItemIndex(int StartIndex, TLVNextItemDirection Direction, TLVItemStates States);
  void SetItemStateByIndex(int Index, TLVItemStates States, bool Setting);
  void SetItemCountEx(int Count, TLVItemCountFlags Flags);
  int VirtualItemCount() const { return FItemCount; }
  void UpdateColumnImages();
  void UpdateColumnImage(int Index);
  bool GetColumnOrder(int Count, std::vector<int>& Order);
  void SetColumnOrder(int Count, const std::vector<int>& Order);

  TLVExtendedStyles ExtendedStyles();
  void SetExtendedStyles(TLVExtendedStyles Value);
  bool VirtualMode() const { return FVirtualMode; }
  void SetVirtualMode(bool Value);
  int HoverTime();
  void SetHoverTime(int Value);
  int SelectionMark() const { return FSelectionMark; }
  void SetSelectionMark(int Value);
  bool RequireComCtlUpdate() const { return FRequireComCtlUpdate; }
  void SetRequireComCtlUpdate(bool Value);
  TExtListColumns* ColumnsFormat() { return FColumnsFormat.get(); }
  TExtLVSaveSettings* SaveSettings() { return static_cast<TExtLVSaveSettings*>(FSaveSettings.get()); }
  void SetSmallImages(TCustomImageList* Value) override;
  void SetShowSortArrows(bool Value) override;

  int ActualColumnIndex(int Index) override;
  TListColumn* GetActualColumn(int Index) override;
  std::string GetSubItemText(int Index, int SubItem) override;
  bool StoreSettings() override;
  bool LoadSettings() override;

  TLVMarqueeBeginEvent OnMarqueeBegin;
  TNotifyEvent OnItemActivate;
  TLVHotTrackEvent OnHotTrack;
  TLVVMGetItemInfoEvent OnVMGetItemInfo;
  TLVVMCacheHintEvent OnVMCacheHint;
  TLVVMFindItemEvent OnVMFindItem;
  TLVVMStateChangedEvent OnVMStateChanged;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void CNNotify(TMessage& Message) override;
  void WMNotify(TMessage& Message) override;
  void DefaultDrawItem(int Index, TRect Rect, TOwnerDrawState State, bool FullRowSelect) override;
  void DefaultDrawSubItem(int Index, int SubItem, TRect Rect, TOwnerDrawState State) override;
  void DoDrawItem(TCanvas*& ACanvas, int Index, TRect Rect, TOwnerDrawState State, bool& DefaultDrawing,
                  bool& FullRowSelect) override;
  void DrawHeaderItem(TCanvas* Canvas, int Index, TRect Rect, bool Selected) override;
  std::string GetVersion() override;
  void SaveSettingsIfAuto() override;
  void LoadSettingsIfAuto() override;
  virtual bool DoMarqueeBegin();
  virtual void DoItemActivate();
  virtual bool DoHotTrack(int& ItemIndex, int SubItemIndex, TPoint Location);
  virtual void DoVMGetItemInfo(LVITEMW& Item);
  virtual void DoVMCacheHint(NMLVCACHEHINT& HintInfo);
  virtual int DoVMFindItem(NMLVFINDITEMW& FindInfo);
  virtual void DoVMStateChanged(NMLVODSTATECHANGE& StateInfo);

 private:
  TLVExtendedStyles FExtendedStyles = 0;
  std::vector<int> FSavedOrder;
  std::unique_ptr<TExtListColumns> FColumnsFormat;
  TChangeLink FImageChangeLink;
  bool FVirtualMode = false;
  int FSelectionMark = -1;
  int FHoverTime = -1;
  bool FRequireComCtlUpdate = false;
  int FItemCount = 0;
  TLVItemCountFlags FItemCountFlags = 0;
};

class TExtListView : public TCustomExtListView {
 public:
  using TCustomExtListView::TCustomExtListView;
};
