#include "controls/commands/core/docklayout.h"

#include <algorithm>

int HighestRow(const std::vector<TDockedBar*>& Bars) {
  int H = -1;
  for (const TDockedBar* B : Bars) H = std::max(H, B->DockRow);
  return H;
}

int BarsOnRow(const std::vector<TDockedBar*>& Bars, int Row, const TDockedBar* Except) {
  int N = 0;
  for (const TDockedBar* B : Bars)
    if (B != Except && B->DockRow == Row) ++N;
  return N;
}

void InsertRowBefore(std::vector<TDockedBar*>& Bars, int Row) {
  for (TDockedBar* B : Bars)
    if (B->DockRow >= Row) ++B->DockRow;
}

std::vector<int> RowSizes(const std::vector<TDockedBar*>& Bars) {
  int High = HighestRow(Bars);
  std::vector<int> Sizes(static_cast<size_t>(std::max(High + 1, 0)), 0);
  for (const TDockedBar* B : Bars) {
    if (!B->Visible || B->DockRow < 0) continue;
    int& S = Sizes[static_cast<size_t>(B->DockRow)];
    S = std::max({S, B->Thickness, 8});
  }
  return Sizes;
}

int RowForPosition(const std::vector<TDockedBar*>& Bars, int Pos, bool& Before) {
  std::vector<int> Sizes = RowSizes(Bars);
  int Start = 0;
  const int High = static_cast<int>(Sizes.size()) - 1;
  for (int R = 0; R <= High + 1; ++R) {
    bool Last = R > High;
    if (!Last && Sizes[static_cast<size_t>(R)] == 0) continue;
    int End = Last ? 0 : Start + Sizes[static_cast<size_t>(R)] + 4;
    if (Pos < Start + 5) {
      Before = true;
      return R;
    }
    if (Last || Pos < End - 5) {
      Before = false;
      return R;
    }
    Start = End;
  }
  Before = false;
  return 0;
}

int ArrangeDockBars(std::vector<TDockedBar*>& Bars, const TArrangeOptions& O) {
  bool AnyVisible = std::any_of(Bars.begin(), Bars.end(), [](const TDockedBar* B) { return B->Visible; });
  if (!AnyVisible) return O.FixAlign ? 1 : 0;
  if (O.LimitToOneRow)
    for (TDockedBar* B : Bars) B->DockRow = 0;

  // Blank rows go: everything past one moves up.
  int High = HighestRow(Bars);
  for (int R = 0; R <= High;) {
    if (BarsOnRow(Bars, R) != 0) {
      ++R;
      continue;
    }
    for (TDockedBar* B : Bars)
      if (B->DockRow > R) --B->DockRow;
    --High;
  }

  std::stable_sort(Bars.begin(), Bars.end(), [](const TDockedBar* A, const TDockedBar* B) {
    return A->DockRow != B->DockRow ? A->DockRow < B->DockRow : A->DockPos < B->DockPos;
  });

  // A full-size bar gets its row to itself: the others move down.
  for (int R = 0; R <= HighestRow(Bars); ++R) {
    for (TDockedBar* F : Bars) {
      if (F->DockRow != R || !F->FullSize) continue;
      if (BarsOnRow(Bars, R, F) == 0) continue;
      for (TDockedBar* B : Bars)
        if (B != F && B->DockRow >= R) ++B->DockRow;
    }
  }
  std::stable_sort(Bars.begin(), Bars.end(), [](const TDockedBar* A, const TDockedBar* B) {
    return A->DockRow != B->DockRow ? A->DockRow < B->DockRow : A->DockPos < B->DockPos;
  });

  std::vector<int> Sizes = RowSizes(Bars);
  int Offset = 0;
  for (int R = 0; R < static_cast<int>(Sizes.size()); ++R) {
    std::vector<TDockedBar*> Row;
    for (TDockedBar* B : Bars)
      if (B->DockRow == R && B->Visible) Row.push_back(B);
    // Overlaps along the row: a bar starts no earlier than the previous end.
    int Run = 0;
    for (TDockedBar* B : Row) {
      if (B->FullSize) {
        B->DockPos = 0;
      } else if (Run < B->DockPos) {
        Run = B->DockPos;
      } else {
        B->DockPos = Run;
      }
      Run += B->Length;
    }
    // Fit into the dock: pull back what passes the end, never before 0.
    std::vector<int> Pos(Row.size());
    for (size_t I = 0; I < Row.size(); ++I) Pos[I] = Row[I]->DockPos;
    int Limit = O.ClientLength;
    for (size_t I = Row.size(); I-- > 0;) {
      if (Row[I]->FullSize) continue;
      Pos[I] = std::min(Pos[I], Limit - Row[I]->Length);
      Limit = Pos[I];
    }
    Run = 0;
    for (size_t I = 0; I < Row.size(); ++I) {
      if (Pos[I] < Run)
        Pos[I] = Run;
      else
        Run = Pos[I];
      Run += Row[I]->Length;
    }
    const int S = Sizes[static_cast<size_t>(R)];
    const int Across = S ? S + 4 : 0;
    for (size_t I = 0; I < Row.size(); ++I) {
      TDockedBar* B = Row[I];
      if (O.ClipPositions) B->DockPos = Pos[I];
      int Len = B->FullSize ? O.ClientLength : B->Length;
      B->Placed = O.Vertical ? TDockRect{Offset, Pos[I], Offset + Across, Pos[I] + Len}
                             : TDockRect{Pos[I], Offset, Pos[I] + Len, Offset + Across};
      B->PlacedSet = true;
    }
    Offset += Across;
  }
  return Offset;
}

TDockRect GrabOutline(int PX, int PY, int GrabX, int GrabY, int GrabW, int GrabH, int W, int H) {
  int L = PX - (GrabW ? (W - 1) * GrabX / GrabW : 0);
  int T = PY - (GrabH ? (H - 1) * GrabY / GrabH : 0);
  return {L, T, L + W, T + H};
}

bool DockAccepts(TDockRect D, bool VerticalDock, int PX, int PY, int GrabX, int GrabY, int GrabW, int GrabH, int W,
                 int H, TDockRect& Outline) {
  // An empty dock is a line: widen it across its thickness.
  if (D.Width() == 0 || D.Height() == 0) {
    if (VerticalDock) {
      --D.Left;
      ++D.Right;
    } else {
      --D.Top;
      ++D.Bottom;
    }
  }
  Outline = GrabOutline(PX, PY, GrabX, GrabY, GrabW, GrabH, W, H);
  int SX = GrabW ? 32 * GrabX / GrabW : 0;
  if (PX < D.Left - (32 - SX) || PX > D.Right - 1 + SX) return false;
  if (VerticalDock && (PY < D.Top || PY >= D.Bottom)) return false;
  int SY = GrabH ? 20 * GrabY / GrabH : 0;
  if (PY < D.Top - (20 - SY) || PY > D.Bottom - 1 + SY) return false;
  return Outline.Left < D.Right && D.Left < Outline.Right && Outline.Top < D.Bottom && D.Top < Outline.Bottom;
}
