// A toolbar's layout of its controls: one line when docked, wrapped lines at
// a chosen width when floating (preferring the places where separators
// stand), and the list of sizes a floating toolbar can be resized to. Plain
// values, so it can be checked without windows.
#pragma once
#include <vector>

struct TToolbarItem {
  bool Separator = false;
  bool Blank = false;      // separator drawn without a line
  int SizeHorz = 6, SizeVert = 6;
  int Width = 0, Height = 0;  // the control's size (a separator's Width may be set to 0)
  int Left = 0, Top = 0;      // out, when controls are moved
  void* Tag = nullptr;
};

struct TSeparatorLine {
  int Y;
  bool Blank;
};

enum TLayoutOrientation : int { loFloating, loHorizontal, loVertical };

struct TToolbarLayout {
  int Width = 0, Height = 0;  // client size
  std::vector<TSeparatorLine> Lines;
};

// The largest height (width on a vertical dock) of the non-separators, at least 8.
int ToolbarThickness(const std::vector<TToolbarItem>& Items, TLayoutOrientation O);
// Lays Items out (only visible ones are passed). RowSize is the dock's row
// size when laying out for the dock the toolbar is on, else the thickness.
// With Move set, the items' places (and the separators' widths at wraps) and
// the separator lines are set.
TToolbarLayout OrderToolbarItems(std::vector<TToolbarItem>& Items, TLayoutOrientation O, int FloatRightX, int RowSize,
                                 bool Move);

struct TFloatSize {
  int Width, Height;  // window size (frame included)
};
// The window sizes a floating toolbar can take: unwrapped first, then each
// real wrap width; FrameW x FrameH is the floating frame (both sides added).
// Sorted descending by height when SizingHeight, else by width.
std::vector<TFloatSize> FloatSizeList(std::vector<TToolbarItem> Items, int FrameW, int FrameH, bool SizingHeight);

// One step of a floating resize along one dimension: the size from the list
// that the proposal snaps to. Current is the window's size at the start;
// DeadZone the zone around it that holds while nothing has moved yet.
int SnapFloatSize(const std::vector<int>& Sizes, int Current, int Proposed, bool Reset, int DeadZone);
// The dead zone around the current size: 12, lowered to the distance to a
// neighbouring list entry minus 1.
int FloatDeadZone(const std::vector<int>& Sizes, int Current);
