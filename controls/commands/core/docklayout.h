// How a dock arranges its tool windows in rows, and the geometry the drag
// loop uses to pick a dock, on plain values so it can be checked without
// windows. Along = the dock's edge (x on a top or bottom dock), across = the
// rows' direction.
#pragma once
#include <vector>

struct TDockRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TDockRect&) const = default;
};

// One tool window of a dock's list, as the arrangement sees it.
struct TDockedBar {
  int DockRow = 0;
  int DockPos = -1;
  bool Visible = true;  // parented on this dock and visible
  bool FullSize = false;
  int Length = 0;       // window extent along the dock
  int Thickness = 8;    // docked thickness for this dock's orientation
  TDockRect Placed;     // out: the window's rectangle in the dock's client area
  bool PlacedSet = false;
  void* Tag = nullptr;  // the caller's tool window
};

int HighestRow(const std::vector<TDockedBar*>& Bars);
// The number of bars on Row, not counting Except.
int BarsOnRow(const std::vector<TDockedBar*>& Bars, int Row, const TDockedBar* Except = nullptr);
// Every bar on Row or after moves one row down.
void InsertRowBefore(std::vector<TDockedBar*>& Bars, int Row);
// Row sizes 0..highest row from the visible bars; a used row is at least 8.
std::vector<int> RowSizes(const std::vector<TDockedBar*>& Bars);
// The row at Pos (client coordinate across the dock) for a drop: Before set
// means insert a new row there.
int RowForPosition(const std::vector<TDockedBar*>& Bars, int Pos, bool& Before);

struct TArrangeOptions {
  bool Vertical = false;
  int ClientLength = 0;
  bool LimitToOneRow = false;
  bool ClipPositions = false;
  bool FixAlign = false;
};
// Arranges Bars (the dock list; sorted by row and position on return) and
// fills Placed of the visible ones; returns the dock's client thickness.
int ArrangeDockBars(std::vector<TDockedBar*>& Bars, const TArrangeOptions& Options);

// The drag loop's docking test for one dock: D is the dock's window
// rectangle, P the pointer, the grab point (GrabX, GrabY) of a window of
// GrabW x GrabH at the press, and the size W x H the window would have on
// this dock. Outline is set to where the window would be.
bool DockAccepts(TDockRect D, bool VerticalDock, int PX, int PY, int GrabX, int GrabY, int GrabW, int GrabH, int W,
                 int H, TDockRect& Outline);
// The outline of a W x H window kept under the pointer by the grab point.
TDockRect GrabOutline(int PX, int PY, int GrabX, int GrabY, int GrabW, int GrabH, int W, int H);
