// TPrnCells: a printed page laid out as named rectangular cells. The cells,
// their attributes, splitting, selection and unit conversion are free of
// Windows calls; painting and the printers are in prnprint.cpp.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/classes.h"
#include "framework/core/sysutils.h"

class ECellError : public Exception {
 public:
  using Exception::Exception;
};

enum TMeasurement : int { mtPixels, mtCentimeters, mtInches, mtPercentage };

// Colours in the framework's encoding (blue in the high byte); brush and pen
// styles and font style bits take the framework's values (bsSolid 0,
// bsClear 1; psSolid 0, psClear 5; fsBold 1, fsItalic 2, fsUnderline 4).
using TCellColor = int32_t;
constexpr uint8_t kCellBrushSolid = 0, kCellBrushClear = 1;
constexpr uint8_t kCellPenSolid = 0, kCellPenClear = 5;

struct TCellFill {
  TCellColor Color = 0xFFFFFF;
  uint8_t Style = kCellBrushClear;
};

struct TCellFont {
  // In the current unit; negative: character height without internal
  // leading, positive: cell height (as the platform's font height).
  float Size = 0;
  uint8_t Pitch = 0;
  uint8_t Style = 0;
  uint8_t Charset = 1;
  std::string Name = "Arial";  // at most 31 characters
  TCellColor Color = 0;
};

struct TFrameLine {
  TCellColor Color = 0;
  int32_t Width = 1;
  uint8_t Style = kCellPenClear;
};

enum TCellSide : int { csLeft, csTop, csRight, csBottom };
// SetFrame's side set: one bit per TCellSide, and the outline of the selection.
constexpr uint8_t kFrameLeft = 1, kFrameTop = 2, kFrameRight = 4, kFrameBottom = 8, kFrameOutline = 16;

// What a cell copies from its component's defaults when it is made.
struct TCellAttributes {
  uint8_t HorzAlign = 2;  // 0 left, 1 right, 2 centred
  TCellFill Fill;
  TCellFont Font;
  uint8_t VertAlign = 1;  // 0 top, 1 centred, 2 bottom
  bool VerticalText = false;
  bool FitText = false;
  bool WordWrap = true;
  std::array<TFrameLine, 4> Frame;
};

enum TCellContent : uint8_t { ccText, ccPicture, ccRichText };

struct TPageMetrics {
  int Width = 0;  // printable page in device pixels
  int Height = 0;
  int PixelsPerInchX = 0;
  int PixelsPerInchY = 0;
};

// Where a grid prints: the system printer, or a recorder in the tests. DC is
// the device context (an HDC) between BeginDoc and EndDoc.
class TPrintTarget {
 public:
  virtual ~TPrintTarget() = default;
  virtual TPageMetrics Metrics() = 0;
  virtual void BeginDoc(const std::string& Title) = 0;
  virtual void EndDoc() = 0;
  virtual void* DC() = 0;
};

class TPrnCells;

class TCell : public TObject {
 public:
  explicit TCell(TPrnCells* AOwner) : FOwner(AOwner) {}
  TPrnCells* Owner() const { return FOwner; }
  std::string Name() const;  // "Invalid cell" outside its owner's list

  float Left() const { return FLeft; }
  void SetLeft(float Value);
  float Right() const { return FRight; }
  void SetRight(float Value);
  float Top() const { return FTop; }
  void SetTop(float Value);
  float Bottom() const { return FBottom; }
  void SetBottom(float Value);
  float Width() const { return FRight - FLeft; }
  void SetWidth(float Value);
  float Height() const { return FBottom - FTop; }
  void SetHeight(float Value);
  // 0 horizontally, 1 vertically, 2 both.
  void CenterOnPage(int Mode);

  const std::string& Text() const { return FText; }
  // Drops any other content and makes this a text cell.
  void SetText(const std::string& Value);
  TCellContent ContentKind() const { return FContentKind; }
  // A picture (a TGraphic) or a rich-text source (a TRichTextSource); the
  // cell owns it.
  TObject* Content() const { return FContent.get(); }
  void SetContent(TCellContent Kind, std::unique_ptr<TObject> Value);

  TCellAttributes Attr;
  bool RangeChecks = true;
  bool Visible = true;
  uint8_t StretchPicture = 1;

 private:
  void Invalid(const char* Side) const;
  float Snapped(float Value) const;
  // Stores Value (whole pixels in mtPixels) in Field; with range checks on, a
  // lower bound above Limit or an upper bound below it raises.
  void SetBound(float& Field, float Value, float Limit, bool Lower, const char* Side);
  TPrnCells* FOwner;
  float FLeft = 0, FRight = 0, FTop = 0, FBottom = 0;
  std::string FText;
  TCellContent FContentKind = ccText;
  std::unique_ptr<TObject> FContent;
};

using TAddCellEvent = std::function<void(TObject* Sender, TCell* NewCell)>;

// A run-length size list: a negative entry -n before a size repeats it n
// times (0 counts as 1, the last of several negatives counts); a negative
// entry at the end ends the list.
class TSizeList {
 public:
  explicit TSizeList(std::vector<float> Sizes) : FSizes(std::move(Sizes)) {}
  void Reset() { FPos = 0, FPending = 0; }
  bool Next(float& Size);
  int Count() const;

 private:
  std::vector<float> FSizes;
  size_t FPos = 0;
  int FPending = 0;
};

// A length converted between units, for a page of PageSize pixels (less 1)
// at PixelsPerInch.
float ConvertMeasurement(TMeasurement From, TMeasurement To, int PixelsPerInch, int PageSize, float Value);
// One pattern of Select: "*" at the end, the start, both ends or inside.
bool MatchCellName(const std::string& Pattern, const std::string& Name);
// The fit-text loop: shrinks Height by 0.9 (to the nearest whole number)
// while Fits says no; it ends once the height no longer changes.
int FitFontHeight(int Height, const std::function<bool(int Height)>& Fits);

class TPrnCells : public TComponent {
 public:
  explicit TPrnCells(TComponent* AOwner);
  ~TPrnCells() override;

  TCell* AddCell(const std::string& Name, float Left, float Top, float Width, float Height);
  // nil deletes every selected cell.
  void DeleteCell(TCell* Cell);
  TCell* Select(const std::string& Patterns);
  TCell* GetSelected(int Index) const;
  int SelectedCount() const { return static_cast<int>(FSelection.size()); }
  int CellCount() const { return static_cast<int>(FCells.size()); }
  TCell* Cells(int Index) const { return FCells.at(static_cast<size_t>(Index)).Cell.get(); }
  TCell* FindCell(const std::string& Name) const;
  std::string CellName(const TCell* Cell) const;

  void SetCellTexts(const std::vector<std::string>& Texts);
  void SetAlignment(uint8_t Value);
  void SetFill(TCellColor Color, uint8_t Style);
  void SetFont(const std::string& Name, TCellColor Color, float Size, uint8_t Style);
  void SetFrame(uint8_t Sides, TCellColor Color, uint8_t Style, int32_t Width);
  void SplitCellRows(const std::string& Name, const std::vector<float>& Heights);
  void SplitCellColumns(const std::string& Name, const std::vector<float>& Widths);
  void SplitCell(const std::string& Name, const std::vector<float>& Heights, const std::vector<float>& Widths);
  void Clear();

  TMeasurement Measurement() const { return FMeasurement; }
  void SetMeasurement(TMeasurement Value);
  const TCellAttributes& Defaults() const { return FDefaults; }
  bool FramesLast = true;

  // The printer the grid measures and prints on; nil is the system's
  // default printer. Not owned.
  TPrintTarget* Printer() const { return FPrinter; }
  void SetPrinter(TPrintTarget* Value) { FPrinter = Value; }
  TPageMetrics Metrics();
  float PageWidth();
  float PageHeight();
  float ToPixelsX(float Value);
  float ToPixelsY(float Value);
  void Print(const std::string& Title);

  TNotifyEvent BeforePrint;
  TNotifyEvent DuringPrint;
  TNotifyEvent AfterPrint;
  TAddCellEvent OnAddCell;

 private:
  struct TNamedCell {
    std::string Name;
    std::unique_ptr<TCell> Cell;
  };
  TPrintTarget* Target();
  template <class F>
  void ForSelection(F Apply);
  std::vector<TNamedCell> FCells;
  std::vector<TCell*> FSelection;
  TCellAttributes FDefaults;
  TMeasurement FMeasurement = mtCentimeters;
  TPrintTarget* FPrinter = nullptr;
  std::unique_ptr<TPrintTarget> FSystemPrinter;
};

// The system's default printer (Windows only).
std::unique_ptr<TPrintTarget> MakeSystemPrinter();
