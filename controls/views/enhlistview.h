// The enhanced list view: sorting by a clicked column with a compare that
// recognises dates, times and numbers, a sort arrow in an owner-drawn header,
// owner-drawn rows, a background picture, and column widths and sort kept in
// the registry.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/comctrls.h"

class TEnhLVSaveSettings : public TPersistent {
 public:
  bool AutoSave = false;
  std::string RegistryKey;
  bool SaveColumnSizes = true;
  bool SaveCurrentSort = true;
  void Assign(TPersistent* Source) override;
};

enum TLVStyle : int { lvStandard, lvOwnerDrawFixed };
enum TAutoColumnSort : int { acsNoSort, acsSort, acsSortToggle };
enum TAutoSortStyle : int { assSmart, assDefault };


using TLVSortStatusEvent = std::function<void(TObject* Sender, int SortColumn, bool Ascending)>;
using TLVSortItemsEvent =
    std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int SortColumn, int& CompResult)>;
using TLVDrawItemEvent = std::function<void(TControl* Control, TCanvas*& ACanvas, int Index, TRect ARect,
                                            TOwnerDrawState State, bool& DefaultDrawing, bool& FullRowSelect)>;
using TLVDrawSubItemEvent = std::function<void(TControl* Control, TCanvas*& ACanvas, int Index, int SubItem,
                                               TRect ARect, TOwnerDrawState State, bool& DefaultDrawing)>;
using TLVAfterDrawItemEvent =
    std::function<void(TControl* Control, TCanvas*& ACanvas, int Index, TRect ARect, TOwnerDrawState State)>;
using TLVHDrawItemEvent = std::function<void(TControl* Control, TCanvas*& ACanvas, int Index, TRect& ARect,
                                             bool Selected, bool& DefaultDrawing)>;
using TLVMeasureItemEvent = std::function<void(TControl* Control, int& AHeight)>;
using TLVEditCanceled = std::function<void(TObject* Sender, TListItem* Item)>;

// Cell text margins of owner-drawn rows.
constexpr int LVCellMarginX = 4;
constexpr int LVCellMarginY = 2;

// True when both texts read as date-times (by the user's date and time
// separators); Value gets the reading. Exposed for tests.
bool LVTextToDateTime(const std::string& Text, double& Value);
// The whole text is a plain decimal number with a point.
bool LVTextToFloat(const std::string& Text, double& Value);
// Splits "n,n,n" into at most Count numbers; false for a malformed text.
bool LVParseIntList(const std::string& Text, int Count, std::vector<int>& Values);

class TCustomEnhListView : public TCustomListView {
 public:
  explicit TCustomEnhListView(TComponent* AOwner);
  ~TCustomEnhListView() override;
  void Loaded() override;

  TLVStyle Style() const { return FStyle; }
  void SetStyle(TLVStyle Value);
  TAutoColumnSort AutoColumnSort() const { return FAutoColumnSort; }
  void SetAutoColumnSort(TAutoColumnSort Value);
  TAutoSortStyle AutoSortStyle() const { return FAutoSortStyle; }
  void SetAutoSortStyle(TAutoSortStyle Value);
  bool AutoResort = true;
  bool AutoSortAscending() const { return FAutoSortAscending; }
  void SetAutoSortAscending(bool Value);
  bool CurrentSortAscending() const { return FCurrentSortAscending; }
  void SetCurrentSortAscending(bool Value);
  int CurrentSortColumn() const { return FCurrentSortColumn; }
  void SetCurrentSortColumn(int Value);
  bool ShowSortArrows() const { return FShowSortArrows; }
  virtual void SetShowSortArrows(bool Value);
  bool ReverseSortArrows() const { return FReverseSortArrows; }
  void SetReverseSortArrows(bool Value);
  TBitmap* BackgroundImage() { return FBackgroundImage.get(); }
  void SetBackgroundImage(TBitmap* Value);
  TEnhLVSaveSettings* SaveSettings() { return FSaveSettings.get(); }
  void SetSmallImages(TCustomImageList* Value) override;
  const TLVHDrawItemEvent& OnDrawHeader() const { return FOnDrawHeader; }
  virtual void SetOnDrawHeader(TLVHDrawItemEvent Value);
  std::string Version() { return GetVersion(); }
  // The two arrow pictures (empty without arrows).
  TBitmap* SortUpBitmap() const { return FSortUpBmp.get(); }
  TBitmap* SortDownBitmap() const { return FSortDownBmp.get(); }
  HWND HeaderWindow() const { return FHeaderHandle; }
  int UpdateCount() const { return FUpdateCount; }

  virtual void InvalidateColumnHeader(int Index);
  virtual void SortByColumn(int Column, bool Ascending);
  virtual void ColumnClickSort(int Column, bool Ascending);
  virtual void Resort();
  virtual void BeginUpdate();
  virtual void EndUpdate();
  virtual void AutoSizeColumns(bool UseHeader);
  virtual bool StoreSettings();
  virtual bool LoadSettings();
  virtual int ActualColumnIndex(int Index);
  virtual TListColumn* GetActualColumn(int Index);
  virtual std::string GetSubItemText(int Index, int SubItem);
  // Smart or default compare of two items under the running sort.
  int CompareItems(TListItem* Item1, TListItem* Item2);

  TLVSortStatusEvent OnSortBegin;
  TLVSortStatusEvent OnSortFinished;
  TLVDrawItemEvent OnDrawItem;
  TLVDrawSubItemEvent OnDrawSubItem;
  TLVAfterDrawItemEvent OnAfterDefaultDrawItem;
  TLVMeasureItemEvent OnMeasureItem;
  TLVSortItemsEvent OnSortItems;
  TLVEditCanceled OnEditCanceled;

 protected:
  TCustomEnhListView(TComponent* AOwner, std::unique_ptr<TEnhLVSaveSettings> Settings);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  void CNNotify(TMessage& Message) override;
  void ColClick(TListColumn* Column) override;
  void Edit(const LVITEMW& Item) override;
  void FontChanged() override;
  virtual void WMNotify(TMessage& Message);
  virtual void DoSortBegin(int SortColumn, bool Ascending);
  virtual void DoSortFinished(int SortColumn, bool Ascending);
  virtual int DoSortItems(TListItem* Item1, TListItem* Item2);
  virtual void DoMeasureItem(int& Height);
  virtual void DefaultDrawItem(int Index, TRect Rect, TOwnerDrawState State, bool FullRowSelect);
  virtual void DefaultDrawSubItem(int Index, int SubItem, TRect Rect, TOwnerDrawState State);
  virtual void DrawItemParts(int Index, TRect& Rect, TOwnerDrawState State);
  virtual bool DoDrawSubItem(int Index, int SubItem, TRect Rect, TOwnerDrawState State);
  virtual void DoDrawItem(TCanvas*& ACanvas, int Index, TRect Rect, TOwnerDrawState State, bool& DefaultDrawing,
                          bool& FullRowSelect);
  virtual void DoAfterDefaultDrawItem(TRect Rect, int Index, TOwnerDrawState State);
  virtual void DoEditCanceled(TListItem* Item);
  virtual void DefaultDrawHeader(TCanvas* Canvas, int Index, TRect& Rect, bool Selected);
  virtual bool DoDrawHeader(TCanvas* Canvas, int Index, TRect& Rect, bool Selected);
  virtual void DrawHeaderItem(TCanvas* Canvas, int Index, TRect Rect, bool Selected);
  // What a header cell shows besides its caption.
  struct THeaderCellParts {
    TBitmap* Arrow = nullptr;
    bool ArrowBeforeRightText = false;  // a right-justified caption gets its arrow on the left
    TCustomImageList* Images = nullptr;
    int ImageIndex = -1;
    bool ImageLeftOfText = true;
  };
  void PaintHeaderCell(TCanvas* Canvas, int Index, TRect Rect, bool Selected, const THeaderCellParts& Parts);
  virtual void SetHeaderOwnerDraw(bool On);
  virtual void CreateSortArrowBitmaps();
  virtual void ApplyBackground();
  virtual std::string GetVersion();
  virtual void SaveSettingsIfAuto();
  virtual void LoadSettingsIfAuto();
  // Column widths and sort of the registry's "Columns" and "Sort" sections.
  void StoreColumnSizes(const std::vector<int>& Widths);
  // False (and Widths unchanged) when the value is missing, empty or malformed.
  bool ReadColumnSizes(std::vector<int>& Widths);
  void StoreCurrentSort();
  void ReadCurrentSort(bool& Ascending, int& SortColumn);
  bool HasRegistryKey() const;
  bool HeaderOwnerDrawWanted() const { return FOnDrawHeader != nullptr || FShowSortArrows; }
  TCanvas* DrawCanvas() const { return FDrawCanvas.get(); }
  void EnsureDrawCanvas();
  bool IsRecreating() const { return FRecreatingFlag; }
  bool Designing() const { return (FComponentState & csDesigning) != 0; }
  bool LoadingNow() const { return (FComponentState & csLoading) != 0; }
  int RowHeight();

  std::unique_ptr<TEnhLVSaveSettings> FSaveSettings;
  int FUpdateCount = 1;
  bool FResortPending = false;
  int FCurrentSortColumn = -1;
  bool FCurrentSortAscending = true;

 private:
  void HeaderDrawItem(TMessage& Message);
  TLVStyle FStyle = lvStandard;
  TAutoColumnSort FAutoColumnSort = acsNoSort;
  TAutoSortStyle FAutoSortStyle = assSmart;
  bool FAutoSortAscending = true;
  bool FShowSortArrows = false;
  bool FReverseSortArrows = false;
  std::unique_ptr<TBitmap> FSortUpBmp, FSortDownBmp;
  std::unique_ptr<TBitmap> FBackgroundImage;
  std::unique_ptr<TCanvas> FDrawCanvas;
  HWND FHeaderHandle = nullptr;
  bool FRecreatingFlag = false;
  bool FInWMNotify = false;
  TLVHDrawItemEvent FOnDrawHeader;
};
