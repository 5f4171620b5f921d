// The content of a rich-text cell of the printing grid: RTF text, loaded into
// a hidden rich-edit window of the source's own for the format-range request.
#pragma once
#include "framework/ui/winapi.h"

#include <string>

#include "controls/views/prncells.h"

class TRichTextSource : public TObject {
 public:
  explicit TRichTextSource(std::string Rtf) : FRtf(std::move(Rtf)) {}
  ~TRichTextSource() override;
  TRichTextSource(const TRichTextSource&) = delete;
  TRichTextSource& operator=(const TRichTextSource&) = delete;

  const std::string& Rtf() const { return FRtf; }
  // The rich-edit window holding the text, made on first use; nil when the
  // system has no rich edit.
  HWND Handle();

 private:
  std::string FRtf;
  HWND FHandle = nullptr;
};

// Formats Source into Cell (device pixels of DC, on the page of Metrics) less
// a margin of a twentieth of an inch on each side; DC clips to the cell.
void PaintRichText(HDC DC, TRichTextSource& Source, const RECT& Cell, const TPageMetrics& Metrics);
