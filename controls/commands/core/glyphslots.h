// Bookkeeping of the shared button glyph lists, apart from the image lists
// themselves so it can be checked without a window system: which slots of a
// list are used, the cache of one list per image size, and how many state
// images a glyph strip holds.
#pragma once
#include <algorithm>
#include <memory>
#include <vector>

// Button states; their order is also the order of the images in a strip.
enum TButtonStateX : int { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3, bsMouseIn = 4 };
constexpr int MaxGlyphs = 5;

// Slots of one glyph list. Freed slots keep their image and are reused first.
class TGlyphSlots {
 public:
  // The first free slot, marked used; Grow is set when it lies past the
  // images the list holds, so the caller appends a blank image.
  int AllocateIndex(int ImageCount, bool& Grow);
  // Marks a slot used once its image is in place.
  void Added() { ++FCount; }
  // Frees a used slot; false when it was not used.
  bool Free(int Index);
  bool Used(int Index) const { return Index >= 0 && static_cast<size_t>(Index) < FUsed.size() && FUsed[Index]; }
  int Count() const { return FCount; }

 private:
  std::vector<bool> FUsed;
  int FCount = 0;
};

// The glyph count a strip of Width x Height implies: square images side by
// side, at most five; 1 otherwise.
inline int GlyphCountFor(int Width, int Height) {
  if (Width <= 0 || Height <= 0 || Width % Height != 0) return 1;
  int N = Width / Height;
  return N > MaxGlyphs ? 1 : N;
}

// The strip image that serves State: a state past the strip's images is
// drawn with the up image (the disabled image is generated instead).
inline TButtonStateX GlyphStateFor(TButtonStateX State, int NumGlyphs) {
  if (State != bsDisabled && static_cast<int>(State) >= NumGlyphs) return bsUp;
  return State;
}

// One list per image size, shared by every button. List must offer Width(),
// Height() and SlotCount() and be constructible from (width, height).
template <class List>
class TGlyphCacheT {
 public:
  // Searches from the last list back, so the list made most recently wins.
  List* GetList(int Width, int Height) {
    for (size_t I = FLists.size(); I-- > 0;)
      if (FLists[I]->Width() == Width && FLists[I]->Height() == Height) return FLists[I].get();
    FLists.push_back(std::make_unique<List>(Width, Height));
    return FLists.back().get();
  }
  // A list that holds no used slot any more leaves the cache.
  void ReturnList(List* L) {
    if (!L || L->SlotCount() != 0) return;
    FLists.erase(std::remove_if(FLists.begin(), FLists.end(), [L](const std::unique_ptr<List>& P) { return P.get() == L; }),
                 FLists.end());
  }
  bool Empty() const { return FLists.empty(); }
  size_t ListCount() const { return FLists.size(); }

 private:
  std::vector<std::unique_ptr<List>> FLists;
};
