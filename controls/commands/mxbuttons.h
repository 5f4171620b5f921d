// Menu items drawn as a push button or as a grid of picture buttons.
#pragma once
#include "controls/commands/mxmenuitem.h"
#include "framework/core/classes.h"

class T_MX_ButtonOptions : public T_MX_ControlOptions {
 public:
  explicit T_MX_ButtonOptions(TMenuItemX* Item) : T_MX_ControlOptions(Item) {}
  void Draw(T_MX_DrawInfo& Info) override;
  int GetHeight(int Default) override { return Default + 4; }
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool AllowAllUp = true;
  bool BorderFrame = true;

 private:
  friend class TMenuItemX;
  bool FDown = false;
};

class T_MX_ButtonArrayOptions : public T_MX_ControlOptions {
 public:
  explicit T_MX_ButtonArrayOptions(TMenuItemX* Item) : T_MX_ControlOptions(Item) {}
  void Draw(T_MX_DrawInfo& Info) override;
  int GetHeight(int Default) override {
    (void)Default;
    return FBitmap.Height();
  }
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int Value);
  TBitmap* Bitmap() { return &FBitmap; }
  void SetBitmap(TBitmap* Value) { FBitmap.Assign(Value); }
  TStringList* Hints() { return &FHints; }
  // Cells in use: Count, or Rows x Columns when Count is 0.
  int CellCount() const { return Count > 0 ? Count : Rows * Columns; }
  // The cell at X, Y inside the row's rectangle R, or -1 (also for cells at
  // or beyond CellCount).
  int CellAt(const TRect& R, int X, int Y) const;
  int Rows = 1;
  int Columns = 1;
  int Count = 0;
  bool AllowAllUp = true;
  int HotIndex = -1;

 private:
  friend class TMenuItemX;
  int FItemIndex = -1;
  TBitmap FBitmap;
  TStringList FHints;
};
