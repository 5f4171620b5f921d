// The prepared texts and image of the entry-list rows the list is about to
// show: a virtual list asks for every cell of every row it paints, again at
// each repaint, and a row's date and sizes are formatted once per fill here.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

struct TListRow {
  std::array<std::string, 6> Texts;
  int Image = -1;
  std::string Key;  // what the row was prepared from, to notice a changed table
};

class TRowCache {
 public:
  using TPrepare = std::function<TListRow(int Row)>;
  explicit TRowCache(TPrepare Prepare) : FPrepare(std::move(Prepare)) {}

  // Forgets every prepared row (after a fill the rows mean other entries).
  void Reset();
  // The list's hint: rows From..To of Count are shown next. A range larger
  // than MaxRows keeps its first MaxRows rows.
  void Hint(int From, int To, int Count);
  // Row's texts; a row outside the cached range is prepared on demand.
  const TListRow& Row(int Row);
  int First() const { return FFirst; }
  int Last() const { return FLast; }

  static constexpr int MaxRows = 1024;

 private:
  TPrepare FPrepare;
  int FFirst = -1, FLast = -1;
  std::vector<TListRow> FRows;
  int FSingleRow = -1;
  TListRow FSingle;
};
