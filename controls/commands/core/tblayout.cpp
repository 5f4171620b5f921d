#include "controls/commands/core/tblayout.h"

#include <algorithm>
#include <climits>

namespace {

struct TMargins {
  int Top, Bottom, Left, Right;
};
TMargins MarginsFor(TLayoutOrientation O) { return O == loFloating ? TMargins{2, 1, 4, 4} : TMargins{0, 0, 0, 0}; }

}  // namespace

int ToolbarThickness(const std::vector<TToolbarItem>& Items, TLayoutOrientation O) {
  int T = 8;
  for (const TToolbarItem& I : Items)
    if (!I.Separator) T = std::max(T, O == loVertical ? I.Width : I.Height);
  return T;
}

TToolbarLayout OrderToolbarItems(std::vector<TToolbarItem>& Items, TLayoutOrientation O, int FloatRightX, int RowSize,
                                 bool Move) {
  const bool Floating = O == loFloating, Vertical = O == loVertical;
  const TMargins M = MarginsFor(O);
  int RX = INT_MAX;
  if (Floating && FloatRightX != 0) {
    RX = FloatRightX;
    for (const TToolbarItem& I : Items)
      if (!I.Separator) RX = std::max(RX, I.Width + 8);
  }
  const int B = ToolbarThickness(Items, O);
  const int R = RowSize;
  TToolbarLayout Out;

  // Groups run up to and including the next separator.
  struct TGroup {
    size_t First, Last;  // [First, Last)
    int Length;
  };
  std::vector<TGroup> Groups;
  for (size_t I = 0; I < Items.size();) {
    TGroup G{I, I, 0};
    while (G.Last < Items.size()) {
      const TToolbarItem& It = Items[G.Last++];
      if (It.Separator) break;
      G.Length += Vertical ? It.Height : It.Width;
    }
    Groups.push_back(G);
    I = G.Last;
  }

  int Y = M.Top, X = M.Left, MaxX = M.Left;
  int MaxXBeforeSep = MaxX;  // MaxX before the last separator counted in it
  bool Wrapped = false;
  for (size_t GI = 0; GI < Groups.size(); ++GI) {
    const TGroup& G = Groups[GI];
    if (Floating && (Wrapped || X + G.Length + M.Right > RX)) {
      Wrapped = false;
      X = M.Left;
      if (GI > 0) {
        Y += B + 6;
        TToolbarItem& Prev = Items[Groups[GI - 1].Last - 1];
        if (Prev.Separator) {
          // The separator that ended the line becomes an etched line under it.
          MaxX = MaxXBeforeSep;
          if (Move) {
            Prev.Width = 0;
            Out.Lines.push_back({Y, Prev.Blank});
          }
        }
      }
    }
    MaxX = std::max(MaxX, X);
    for (size_t K = G.First; K < G.Last; ++K) {
      TToolbarItem& It = Items[K];
      int L = It.Separator ? (Vertical ? It.SizeVert : It.SizeHorz) : (Vertical ? It.Height : It.Width);
      if (Floating && !It.Separator && X + L + M.Right > RX) {
        X = M.Left;
        Y += B;
        Wrapped = true;
      }
      if (Move) {
        if (!Vertical) {
          It.Left = X;
          if (It.Separator) {
            It.Top = Y;
            It.Width = It.SizeHorz;
            It.Height = R;
          } else {
            It.Top = Y + (R - It.Height) / 2;
          }
        } else {
          It.Top = X;
          if (It.Separator) {
            It.Left = Y;
            It.Width = R;
            It.Height = It.SizeVert;
          } else {
            It.Left = Y + (R - It.Width) / 2;
          }
        }
      }
      X += L;
      if (It.Separator) MaxXBeforeSep = MaxX;
      MaxX = std::max(MaxX, X);
    }
  }
  if (Items.empty()) MaxX = M.Left + 8;
  Out.Width = MaxX + M.Right;
  Out.Height = Y + B + M.Bottom;
  if (Vertical) std::swap(Out.Width, Out.Height);
  return Out;
}

std::vector<TFloatSize> FloatSizeList(std::vector<TToolbarItem> Items, int FrameW, int FrameH, bool SizingHeight) {
  std::vector<TFloatSize> L;
  const int MinW = ToolbarThickness(Items, loFloating) + 8;
  TToolbarLayout Full = OrderToolbarItems(Items, loFloating, 0, ToolbarThickness(Items, loFloating), false);
  L.push_back({Full.Width, Full.Height});
  for (int W = Full.Width - 1; W >= MinW;) {
    TToolbarLayout T = OrderToolbarItems(Items, loFloating, W, ToolbarThickness(Items, loFloating), false);
    if (T.Width > W) break;
    if (T.Width == W) {
      if (L.size() >= 2 && L.back().Height == T.Height)
        L.back() = {T.Width, T.Height};
      else
        L.push_back({T.Width, T.Height});
      --W;
    } else {
      W = T.Width;
    }
  }
  for (TFloatSize& S : L) {
    S.Width += FrameW;
    S.Height += FrameH;
  }
  std::stable_sort(L.begin(), L.end(), [SizingHeight](const TFloatSize& A, const TFloatSize& B) {
    return SizingHeight ? A.Height > B.Height : A.Width > B.Width;
  });
  return L;
}

int FloatDeadZone(const std::vector<int>& Sizes, int Current) {
  int T = 12;
  auto It = std::find(Sizes.begin(), Sizes.end(), Current);
  if (It != Sizes.end()) {
    if (It != Sizes.begin()) T = std::min(T, std::abs(*(It - 1) - Current) - 1);
    if (It + 1 != Sizes.end()) T = std::min(T, std::abs(*(It + 1) - Current) - 1);
  }
  return std::max(T, 0);
}

int SnapFloatSize(const std::vector<int>& Sizes, int Current, int Proposed, bool Reset, int DeadZone) {
  if (Sizes.empty()) return Current;
  const bool Growing = Proposed > Current;
  if (Reset && Proposed >= Current - DeadZone && Proposed < Current + DeadZone) Proposed = Current;
  // Sizes run from the largest to the smallest.
  int Pick = -1;
  if (Growing) {
    for (size_t I = 0; I < Sizes.size(); ++I)
      if (Pick < 0 || Sizes[I] > Proposed) Pick = static_cast<int>(I);
      else break;
  } else {
    for (size_t I = Sizes.size(); I-- > 0;)
      if (Pick < 0 || Sizes[I] <= Proposed) Pick = static_cast<int>(I);
      else break;
  }
  return Sizes[static_cast<size_t>(Pick)];
}
