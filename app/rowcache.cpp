#include "app/rowcache.h"

#include <algorithm>

void TRowCache::Reset() {
  FFirst = FLast = -1;
  FRows.clear();
  FSingleRow = -1;
  FSingle = TListRow();
}

void TRowCache::Hint(int From, int To, int Count) {
  From = std::max(From, 0);
  To = std::min({To, Count - 1, From + MaxRows - 1});
  if (From > To) return;
  if (From >= FFirst && To <= FLast && FFirst >= 0) return;
  std::vector<TListRow> rows;
  rows.reserve(size_t(To - From + 1));
  for (int r = From; r <= To; ++r) {
    // Rows already prepared are taken over rather than formatted again.
    if (FFirst >= 0 && r >= FFirst && r <= FLast) rows.push_back(std::move(FRows[size_t(r - FFirst)]));
    else rows.push_back(FPrepare(r));
  }
  FRows = std::move(rows);
  FFirst = From;
  FLast = To;
}

const TListRow& TRowCache::Row(int Row) {
  if (FFirst >= 0 && Row >= FFirst && Row <= FLast) return FRows[size_t(Row - FFirst)];
  if (Row != FSingleRow) {
    FSingle = FPrepare(Row);
    FSingleRow = Row;
  }
  return FSingle;
}
