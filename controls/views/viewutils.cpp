#include "controls/views/viewutils.h"

#include <algorithm>
#include <vector>

namespace {

// 32 x 32 cursors drawn from text: '#' black, '.' white, anything else clear.
HCURSOR MakeCursor(const char* const* Rows, int HotX, int HotY) {
  const int size = 32;
  std::vector<BYTE> andMask(size * size / 8, 0xFF), xorMask(size * size / 8, 0);
  for (int y = 0; Rows[y] && y < size; ++y)
    for (int x = 0; Rows[y][x] && x < size; ++x) {
      const int bit = y * size + x;
      const BYTE m = static_cast<BYTE>(0x80 >> (bit % 8));
      if (Rows[y][x] == '#') {
        andMask[static_cast<size_t>(bit / 8)] &= static_cast<BYTE>(~m);
      } else if (Rows[y][x] == '.') {
        andMask[static_cast<size_t>(bit / 8)] &= static_cast<BYTE>(~m);
        xorMask[static_cast<size_t>(bit / 8)] |= m;
      }
    }
  return CreateCursor(ModuleInstance(), HotX, HotY, size, size, andMask.data(), xorMask.data());
}

const char* const kHand[] = {
    "      ##",
    "     #..#",
    "     #..#",
    "     #..#",
    "     #..###",
    "     #..#..###",
    "     #..#..#..##",
    " ### #..#..#..#.#",
    " #..##........#.#",
    " #...#..........#",
    "  #.............#",
    "  #.............#",
    "   #............#",
    "   #...........#",
    "    #..........#",
    "    #.........#",
    "     #........#",
    "     ##########",
    nullptr};

const char* const kDrag[] = {
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#....#####",
    "#..#..#",
    "#.# #..#",
    "##  #..#",
    "     #..#  ########",
    "     #..#  #......#",
    "      ##   #......#",
    "           #......#",
    "           #......#",
    "           ########",
    nullptr};

struct TCursorsInit {
  TCursorsInit() { RegisterViewCursors(); }
} cursorsInit;

}  // namespace

void RegisterViewCursors() {
  if (!Screen) return;
  Screen->SetCursors(crHandCursor, MakeCursor(kHand, 6, 0));
  Screen->SetCursors(crDragCursor, MakeCursor(kDrag, 0, 0));
}

int IntMax(int A, int B) { return A > B ? A : B; }
int IntMin(int A, int B) { return A < B ? A : B; }
int RectWidth(const TRect& R) { return R.right - R.left; }
int RectHeight(const TRect& R) { return R.bottom - R.top; }

void GradientFillRect(TCanvas* Canvas, const TRect& ARect, TColor BeginColor, TColor EndColor, int Direction,
                      int Colors) {
  if (IsRectEmpty(&ARect)) return;
  COLORREF b = ColorToRGB(BeginColor), e = ColorToRGB(EndColor);
  TBrush* brush = Canvas->Brush();
  TColor savedColor = brush->Color();
  TBrushStyle savedStyle = brush->Style();
  brush->SetStyle(bsSolid);
  if (Colors < 2) {
    brush->SetColor(static_cast<TColor>(b));
    Canvas->FillRect(ARect);
  } else {
    const bool vertical = Direction == 0 || Direction == 1;
    const bool forward = Direction == 0 || Direction == 2;
    const COLORREF from = forward ? b : e, to = forward ? e : b;
    const int extent = vertical ? RectHeight(ARect) : RectWidth(ARect);
    const int bands = std::max(2, std::min(Colors, extent));
    const int bandSize = extent / bands;
    auto channel = [&](int shift, int i) {
      int s = static_cast<int>((from >> shift) & 0xFF), t = static_cast<int>((to >> shift) & 0xFF);
      return s + MulDiv(i, t - s, bands - 1);
    };
    auto fill = [&](int offset, int size, COLORREF c) {
      TRect r = ARect;
      if (vertical) {
        r.top = ARect.top + offset;
        r.bottom = r.top + size;
      } else {
        r.left = ARect.left + offset;
        r.right = r.left + size;
      }
      brush->SetColor(static_cast<TColor>(c));
      Canvas->FillRect(r);
    };
    for (int i = 0; i < bands; ++i)
      fill(i * bandSize, bandSize, RGB(channel(0, i), channel(8, i), channel(16, i)));
    if (int rest = extent % bands) fill(bands * bandSize, rest, forward ? e : b);
  }
  brush->SetColor(savedColor);
  brush->SetStyle(savedStyle);
}

std::string EllipsizeText(const std::string& Text, TCanvas* Canvas, int MaxWidth) {
  if (Canvas->TextWidth(Text) <= MaxWidth) return Text;
  const int len = static_cast<int>(Text.size());
  std::string s;
  for (int i = 2;; ++i) {
    s = Text.substr(0, static_cast<size_t>(std::max(0, len - i))) + "...";
    if (Canvas->TextWidth(s) <= MaxWidth || i >= len) return s;
  }
}

namespace {
BOOL CALLBACK FindActive(HWND Window, LPARAM Param) {
  auto* found = reinterpret_cast<HWND*>(Param);
  if (Window == found[0]) {
    found[1] = Window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool ActiveWindowInThread() {
  HWND data[2] = {GetActiveWindow(), nullptr};
  if (!data[0]) return false;
  EnumThreadWindows(GetCurrentThreadId(), FindActive, reinterpret_cast<LPARAM>(data));
  return data[1] != nullptr;
}

std::string ReplaceAllStr(const std::string& S, const std::string& Find, const std::string& Replace) {
  if (Find.empty()) return S;
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t hit = S.find(Find, pos);
    if (hit == std::string::npos) break;
    out.append(S, pos, hit - pos);
    out += Replace;
    pos = hit + Find.size();
  }
  out.append(S, pos, std::string::npos);
  return out;
}

namespace {
std::vector<std::string> Words(const std::string& S, const std::string& Delims) {
  std::vector<std::string> words;
  std::string cur;
  for (char c : S) {
    if (Delims.find(c) != std::string::npos) {
      if (!cur.empty()) words.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) words.push_back(cur);
  return words;
}
}  // namespace

int CountWords(const std::string& S, const std::string& Delims) { return static_cast<int>(Words(S, Delims).size()); }

std::string ExtractNthWord(int N, const std::string& S, const std::string& Delims) {
  auto w = Words(S, Delims);
  if (N < 1 || N > static_cast<int>(w.size())) return {};
  return w[static_cast<size_t>(N - 1)];
}
