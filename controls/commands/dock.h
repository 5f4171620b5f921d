// TDockX: a control aligned to one edge of a form that holds tool windows in
// rows, sizes itself to its rows and draws optional bound lines.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "controls/commands/core/docklayout.h"
#include "controls/commands/tbhooks.h"
#include "framework/ui/controls.h"

enum TDockPosition : int { dpTop, dpBottom, dpLeft, dpRight };
using TDockableTo = uint8_t;
constexpr TDockableTo DockBit(TDockPosition P) { return static_cast<TDockableTo>(1u << P); }
constexpr TDockableTo dtAll = 0x0F;
using TDockBoundLines = uint8_t;
constexpr TDockBoundLines blTop = 1, blBottom = 2, blLeft = 4, blRight = 8;

class TCustomToolWindowX;
class TDockX;
using TInsertRemoveEvent = std::function<void(TObject* Sender, bool Inserting, TCustomToolWindowX* Bar)>;
using TRequestDockEvent = std::function<void(TObject* Sender, TCustomToolWindowX* Bar, bool& Accept)>;

class TDockX : public TCustomControl {
 public:
  explicit TDockX(TComponent* AOwner);
  ~TDockX() override;

  TDockPosition Position() const { return FPosition; }
  void SetPosition(TDockPosition Value);
  bool Vertical() const { return FPosition == dpLeft || FPosition == dpRight; }
  bool AllowDrag() const { return FAllowDrag; }
  void SetAllowDrag(bool Value);
  TDockBoundLines BoundLines() const { return FBoundLines; }
  void SetBoundLines(TDockBoundLines Value);
  bool FixAlign() const { return FFixAlign; }
  void SetFixAlign(bool Value);
  bool LimitToOneRow() const { return FLimitToOneRow; }
  void SetLimitToOneRow(bool Value) { FLimitToOneRow = Value; }
  std::string Version() const { return ToolbarXVersion; }
  void SetVersion(const std::string&) {}
  void SetParent(TWinControl* AParent) override;
  // A copy of Value becomes the tiled background; an empty one means none.
  TBitmap* Background() { return &FBackground; }
  void SetBackground(TBitmap* Value);
  bool BackgroundOnToolbars() const { return FBackgroundOnToolbars; }
  void SetBackgroundOnToolbars(bool Value);
  bool BackgroundTransparent() const { return FBackgroundTransparent; }
  void SetBackgroundTransparent(bool Value);
  void SetColor(TColor Value) override;
  bool UsingBackground() const { return FBackground.Width() > 0 && FBackground.Height() > 0; }
  // Tiles the background into DC inside Clip (leaving Exclude out), the
  // pattern anchored at Origin: where the dock's client origin lies in DC.
  void DrawBackground(HDC DC, POINT Origin, const RECT& Clip, const RECT* Exclude);
  // Where the dock's client origin lies in Wnd's window (frame) or client
  // coordinates.
  POINT BackgroundOrigin(HWND Wnd, bool WindowCoordinates);

  void ArrangeToolbars(bool ClipPositions = false);
  void BeginArrange() { ++FArrangeLock; }
  void EndArrange();
  // Row operations of the drag loop.
  int RowSize(int Row);
  int GetHighestRow();
  void InsertRowBefore(int Row);
  int RowForPosition(int Pos, bool& Before);
  int ToolbarsOnRow(int Row, TCustomToolWindowX* Except = nullptr);

  // Tool windows that belong here (docked now, or remembered as last dock).
  const std::vector<TCustomToolWindowX*>& DockList() const { return FDockList; }
  const std::vector<TCustomToolWindowX*>& DockVisibleList() const { return FVisibleList; }
  void ChangeDockList(bool Insert, TCustomToolWindowX* Bar);
  void ChangeDockVisibleList(bool Insert, TCustomToolWindowX* Bar);
  void UpdateVisibleList(TCustomToolWindowX* Bar, bool Removed = false);

  TInsertRemoveEvent OnInsertRemoveBar;
  TRequestDockEvent OnRequestDock;
  TNotifyEvent OnResize;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  void Resize() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  bool EraseBackground(HDC DC) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;

 private:
  void RecalcNonClient();
  // The background changed or moved: the dock and its tool windows repaint.
  void BackgroundChanged();
  void NCPaint(HDC DC);
  static void NCPaintProc(HWND Wnd, HDC DC, void* Data);
  TDockPosition FPosition = dpTop;
  bool FAllowDrag = true;
  TDockBoundLines FBoundLines = 0;
  bool FFixAlign = false;
  bool FLimitToOneRow = false;
  std::vector<TCustomToolWindowX*> FDockList;
  std::vector<TCustomToolWindowX*> FVisibleList;
  int FArrangeLock = 0;
  bool FArrangeNeeded = false;
  bool FClipNeeded = false;
  bool FArranging = false;
  TBitmap FBackground;
  bool FBackgroundOnToolbars = true;
  bool FBackgroundTransparent = false;
  // The background laid over Color, made when first drawn transparent.
  std::unique_ptr<TBitmap> FTransparentCache;
};
