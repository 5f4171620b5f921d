#include "controls/views/prncells.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kInchPerCm = 0.3937007874f;
constexpr size_t kMaxFontName = 31;

float Ratio(float Num, float Den) { return Den == 0 ? 0.0f : Num / Den; }

bool StartsWith(const std::string& S, const std::string& Part) { return S.compare(0, Part.size(), Part) == 0; }

bool EndsWith(const std::string& S, const std::string& Part) {
  return S.size() >= Part.size() && S.compare(S.size() - Part.size(), Part.size(), Part) == 0;
}

}  // namespace

float ConvertMeasurement(TMeasurement From, TMeasurement To, int PixelsPerInch, int PageSize, float Value) {
  if (From == To) return Value;
  if (From == mtCentimeters && To == mtInches) return kInchPerCm * Value;
  if (From == mtInches && To == mtCentimeters) return 2.54f * Value;
  const float ppi = static_cast<float>(PixelsPerInch), page = static_cast<float>(PageSize);
  float pixels = Value;  // every unit goes through device pixels
  switch (From) {
    case mtPixels: break;
    case mtCentimeters: pixels = ppi * kInchPerCm * Value; break;
    case mtInches: pixels = ppi * Value; break;
    case mtPercentage: pixels = page * Value; break;
  }
  switch (To) {
    case mtPixels: return pixels;
    case mtCentimeters: return 2.54f * Ratio(pixels, ppi);
    case mtInches: return Ratio(pixels, ppi);
    case mtPercentage: return Ratio(pixels, page);
  }
  return Value;
}

bool MatchCellName(const std::string& Pattern, const std::string& Name) {
  const size_t star = Pattern.find('*');
  if (star == std::string::npos) return Name == Pattern;
  const size_t n = Pattern.size();
  if (n == 1) return true;
  const bool atStart = Pattern.front() == '*', atEnd = Pattern.back() == '*';
  if (atStart && atEnd) return Name.find(Pattern.substr(1, n - 2)) != std::string::npos;
  if (atEnd && star == n - 1) return StartsWith(Name, Pattern.substr(0, n - 1));
  if (atStart && Pattern.find('*', 1) == std::string::npos) return EndsWith(Name, Pattern.substr(1));
  return StartsWith(Name, Pattern.substr(0, star)) && EndsWith(Name, Pattern.substr(star + 1));
}

int FitFontHeight(int Height, const std::function<bool(int Height)>& Fits) {
  while (!Fits(Height)) {
    const int smaller = static_cast<int>(std::nearbyint(Height * 0.9));
    // Small heights round back to themselves (and 0 is the device's default
    // size): the text cannot shrink further.
    if (smaller == Height) break;
    Height = smaller;
  }
  return Height;
}

// ---- size lists ----------------------------------------------------------------------

bool TSizeList::Next(float& Size) {
  if (FPending > 0) {
    --FPending;
    Size = FSizes[FPos - 1];
    return true;
  }
  int repeat = 0;
  while (FPos < FSizes.size() && FSizes[FPos] < 0) {
    repeat = std::max(1, static_cast<int>(std::nearbyint(std::fabs(FSizes[FPos]))));
    ++FPos;
  }
  if (FPos >= FSizes.size()) return false;
  Size = FSizes[FPos++];
  FPending = repeat > 0 ? repeat - 1 : 0;
  return true;
}

int TSizeList::Count() const {
  TSizeList copy(FSizes);
  int n = 0;
  float s;
  while (copy.Next(s)) ++n;
  return n;
}

// ---- cells ---------------------------------------------------------------------------

std::string TCell::Name() const { return FOwner ? FOwner->CellName(this) : "Invalid cell"; }

void TCell::Invalid(const char* Side) const { throw ECellError("Invalid property error - " + Name() + Side); }

float TCell::Snapped(float Value) const {
  return FOwner && FOwner->Measurement() == mtPixels ? std::trunc(Value) : Value;
}

void TCell::SetBound(float& Field, float Value, float Limit, bool Lower, const char* Side) {
  Value = Snapped(Value);
  if (RangeChecks && (Lower ? Value > Limit : Value < Limit)) Invalid(Side);
  Field = Value;
}

void TCell::SetLeft(float Value) { SetBound(FLeft, Value, FRight, true, ".Left"); }
void TCell::SetRight(float Value) { SetBound(FRight, Value, FLeft, false, ".Right"); }
void TCell::SetTop(float Value) { SetBound(FTop, Value, FBottom, true, ".Top"); }
void TCell::SetBottom(float Value) { SetBound(FBottom, Value, FTop, false, ".Bottom"); }

void TCell::SetWidth(float Value) {
  if (RangeChecks && Value < 0) Invalid(".Width");
  SetRight(FLeft + Value);
}

void TCell::SetHeight(float Value) {
  if (RangeChecks && Value < 0) Invalid(".Height");
  SetBottom(FTop + Value);
}

void TCell::CenterOnPage(int Mode) {
  if (!FOwner) return;
  const bool checks = RangeChecks;
  RangeChecks = false;
  if (Mode == 0 || Mode == 2) {
    const float w = Width();
    FLeft = (FOwner->PageWidth() - w) * 0.5f;
    FRight = FLeft + w;
  }
  if (Mode == 1 || Mode == 2) {
    const float h = Height();
    FTop = (FOwner->PageHeight() - h) * 0.5f;
    FBottom = FTop + h;
  }
  RangeChecks = checks;
}

void TCell::SetText(const std::string& Value) {
  FContent.reset();
  FContentKind = ccText;
  FText = Value;
}

void TCell::SetContent(TCellContent Kind, std::unique_ptr<TObject> Value) {
  FContentKind = Kind;
  FContent = std::move(Value);
}

// ---- the component -------------------------------------------------------------------

TPrnCells::TPrnCells(TComponent* AOwner) : TComponent(AOwner) {}

TPrnCells::~TPrnCells() = default;

TPrintTarget* TPrnCells::Target() {
  if (FPrinter) return FPrinter;
  if (!FSystemPrinter) FSystemPrinter = MakeSystemPrinter();
  return FSystemPrinter.get();
}

TPageMetrics TPrnCells::Metrics() { return Target()->Metrics(); }

float TPrnCells::PageWidth() {
  const TPageMetrics m = Metrics();
  return ConvertMeasurement(mtPixels, FMeasurement, m.PixelsPerInchX, m.Width - 1, static_cast<float>(m.Width - 1));
}

float TPrnCells::PageHeight() {
  const TPageMetrics m = Metrics();
  return ConvertMeasurement(mtPixels, FMeasurement, m.PixelsPerInchY, m.Height - 1,
                            static_cast<float>(m.Height - 1));
}

float TPrnCells::ToPixelsX(float Value) {
  const TPageMetrics m = Metrics();
  return ConvertMeasurement(FMeasurement, mtPixels, m.PixelsPerInchX, m.Width - 1, Value);
}

float TPrnCells::ToPixelsY(float Value) {
  const TPageMetrics m = Metrics();
  return ConvertMeasurement(FMeasurement, mtPixels, m.PixelsPerInchY, m.Height - 1, Value);
}

TCell* TPrnCells::FindCell(const std::string& Name) const {
  for (const TNamedCell& c : FCells)
    if (SameText(c.Name, Name)) return c.Cell.get();
  return nullptr;
}

std::string TPrnCells::CellName(const TCell* Cell) const {
  for (const TNamedCell& c : FCells)
    if (c.Cell.get() == Cell) return c.Name;
  return "Invalid cell";
}

TCell* TPrnCells::AddCell(const std::string& Name, float Left, float Top, float Width, float Height) {
  if (FindCell(Name)) throw ECellError("Cell \"" + Name + "\" already exists");
  FCells.push_back({Name, std::make_unique<TCell>(this)});
  TCell* cell = FCells.back().Cell.get();
  cell->Attr = FDefaults;
  try {
    cell->RangeChecks = false;
    cell->SetLeft(Left);
    cell->SetTop(Top);
    cell->RangeChecks = true;
    cell->SetWidth(Width);
    cell->SetHeight(Height);
  } catch (...) {
    FCells.pop_back();  // no half-made cell stays behind
    throw;
  }
  if (OnAddCell) OnAddCell(this, cell);
  FSelection.assign(1, cell);
  return cell;
}

void TPrnCells::DeleteCell(TCell* Cell) {
  if (!Cell) {
    const std::vector<TCell*> selected = FSelection;
    for (TCell* c : selected) DeleteCell(c);
    return;
  }
  auto it = std::find_if(FCells.begin(), FCells.end(), [Cell](const TNamedCell& c) { return c.Cell.get() == Cell; });
  if (it == FCells.end()) throw ECellError("Invalid cell");
  FSelection.erase(std::remove(FSelection.begin(), FSelection.end(), Cell), FSelection.end());
  FCells.erase(it);
}

TCell* TPrnCells::Select(const std::string& Patterns) {
  FSelection.clear();
  size_t start = 0;
  while (start <= Patterns.size()) {
    size_t end = Patterns.find(';', start);
    if (end == std::string::npos) end = Patterns.size();
    const std::string pattern = Patterns.substr(start, end - start);
    for (const TNamedCell& c : FCells)
      if (MatchCellName(pattern, c.Name) &&
          std::find(FSelection.begin(), FSelection.end(), c.Cell.get()) == FSelection.end())
        FSelection.push_back(c.Cell.get());
    start = end + 1;
  }
  return FSelection.empty() ? nullptr : FSelection.front();
}

TCell* TPrnCells::GetSelected(int Index) const {
  if (Index < 0 || Index >= SelectedCount()) return nullptr;
  return FSelection[static_cast<size_t>(Index)];
}

void TPrnCells::SetCellTexts(const std::vector<std::string>& Texts) {
  for (size_t i = 0; i < FSelection.size(); ++i) FSelection[i]->SetText(i < Texts.size() ? Texts[i] : "");
}

template <class F>
void TPrnCells::ForSelection(F Apply) {
  if (FSelection.empty()) {
    Apply(FDefaults);
    return;
  }
  for (TCell* c : FSelection) Apply(c->Attr);
}

void TPrnCells::SetAlignment(uint8_t Value) {
  ForSelection([Value](TCellAttributes& a) { a.HorzAlign = Value; });
}

void TPrnCells::SetFill(TCellColor Color, uint8_t Style) {
  ForSelection([&](TCellAttributes& a) { a.Fill = {Color, Style}; });
}

void TPrnCells::SetFont(const std::string& Name, TCellColor Color, float Size, uint8_t Style) {
  ForSelection([&](TCellAttributes& a) {
    a.Font.Name = Name.substr(0, kMaxFontName);
    a.Font.Color = Color;
    a.Font.Size = Size;
    a.Font.Style = Style;
  });
}

void TPrnCells::SetFrame(uint8_t Sides, TCellColor Color, uint8_t Style, int32_t Width) {
  const TFrameLine line{Color, Width, Style};
  if (FSelection.empty()) {
    for (int s = csLeft; s <= csBottom; ++s)
      if ((Sides & kFrameOutline) || (Sides & (1u << s))) FDefaults.Frame[static_cast<size_t>(s)] = line;
    return;
  }
  if (!(Sides & kFrameOutline)) {
    for (TCell* c : FSelection)
      for (int s = csLeft; s <= csBottom; ++s)
        if (Sides & (1u << s)) c->Attr.Frame[static_cast<size_t>(s)] = line;
    return;
  }
  float left = FSelection[0]->Left(), top = FSelection[0]->Top(), right = FSelection[0]->Right(),
        bottom = FSelection[0]->Bottom();
  for (TCell* c : FSelection) {
    left = std::min(left, c->Left());
    top = std::min(top, c->Top());
    right = std::max(right, c->Right());
    bottom = std::max(bottom, c->Bottom());
  }
  for (TCell* c : FSelection) {
    if (c->Left() == left) c->Attr.Frame[csLeft] = line;
    if (c->Top() == top) c->Attr.Frame[csTop] = line;
    if (c->Right() == right) c->Attr.Frame[csRight] = line;
    if (c->Bottom() == bottom) c->Attr.Frame[csBottom] = line;
  }
}

void TPrnCells::SplitCellRows(const std::string& Name, const std::vector<float>& Heights) {
  TCell* cell = GetSelected(0);
  if (!cell) throw ECellError("Invalid cell");
  SplitCell(Name, Heights, {FMeasurement == mtPercentage ? 1.0f : cell->Width()});
}

void TPrnCells::SplitCellColumns(const std::string& Name, const std::vector<float>& Widths) {
  TCell* cell = GetSelected(0);
  if (!cell) throw ECellError("Invalid cell");
  SplitCell(Name, {FMeasurement == mtPercentage ? 1.0f : cell->Height()}, Widths);
}

void TPrnCells::SplitCell(const std::string& Name, const std::vector<float>& Heights,
                          const std::vector<float>& Widths) {
  TCell* cell = GetSelected(0);
  if (!cell) throw ECellError("Invalid cell");
  TSizeList rows(Heights), columns(Widths);
  const int R = rows.Count(), C = columns.Count();
  if (R < 1 || C < 1) return;
  FSelection.clear();
  const bool percent = FMeasurement == mtPercentage;
  std::vector<TCell*> made;
  float y = cell->Top();
  rows.Reset();
  for (int r = 1; r <= R; ++r) {
    float h = 0;
    rows.Next(h);
    if (percent) h *= cell->Height();
    float x = cell->Left();
    columns.Reset();
    TCell* last = nullptr;
    for (int c = 1; c <= C; ++c) {
      float w = 0;
      columns.Next(w);
      if (percent) w *= cell->Width();
      std::string name = Name;
      if (R > 1) name += "R" + std::to_string(r);
      if (C > 1) name += "C" + std::to_string(c);
      last = AddCell(name, x, y, w, h);
      made.push_back(last);
      if (last->Bottom() > cell->Bottom()) last->SetBottom(cell->Bottom());
      x = last->Right();
      if (x >= cell->Right()) {
        last->SetRight(cell->Right());
        break;
      }
    }
    y = last->Bottom();
    if (y >= cell->Bottom()) break;
  }
  FSelection.clear();
  DeleteCell(cell);
  FSelection = made;
}

void TPrnCells::Clear() {
  FSelection.clear();
  FCells.clear();
  FDefaults = TCellAttributes();
}

void TPrnCells::SetMeasurement(TMeasurement Value) {
  if (Value == FMeasurement) return;
  const TPageMetrics m = FCells.empty() ? TPageMetrics() : Metrics();
  const TMeasurement from = FMeasurement;
  auto horz = [&](float v) { return ConvertMeasurement(from, Value, m.PixelsPerInchX, m.Width - 1, v); };
  auto vert = [&](float v) { return ConvertMeasurement(from, Value, m.PixelsPerInchY, m.Height - 1, v); };
  FMeasurement = Value;  // the setters below snap to whole pixels in mtPixels
  for (TNamedCell& named : FCells) {
    TCell* c = named.Cell.get();
    float size = c->Attr.Font.Size;
    if (from == mtPercentage) size *= c->Height();
    size = vert(size);
    const bool checks = c->RangeChecks;
    c->RangeChecks = false;
    const float l = horz(c->Left()), r = horz(c->Right()), t = vert(c->Top()), b = vert(c->Bottom());
    c->SetLeft(l);
    c->SetRight(r);
    c->SetTop(t);
    c->SetBottom(b);
    c->RangeChecks = checks;
    if (Value == mtPercentage) size = Ratio(size, c->Height());
    c->Attr.Font.Size = size;
  }
}

#ifndef _WIN32
std::unique_ptr<TPrintTarget> MakeSystemPrinter() { throw ECellError("No printer"); }
#endif
