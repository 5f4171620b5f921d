// Date texts read back from the file list and typed into the date edits, and
// the path and mask texts of the browser: any input must parse or be refused
// without a fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "controls/views/datetext.h"
#include "controls/views/explorertext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  static const TShortDateFormat formats[] = {
      {"mm/dd/yyyy", '/'}, {"dd/mm/yyyy", '/'}, {"yyyy/mm/dd", '/'}, {"d.m.yy", '.'}, {"yy-m-d", '-'}, {"", '/'}};
  const TShortDateFormat& format = formats[Data[0] % (sizeof formats / sizeof formats[0])];
  const std::string text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  TDateTime value;
  TryParseDateTimeText(format, text, value);
  // A date read back from its own text is the same date.
  if (TryParseDateText(format, text, value)) {
    TDateTime again = -1;
    if (!TryParseDateText(format, FormatDateText(format, value), again) || again != value) __builtin_trap();
  }
  try {
    ExpandTypedDate(format, text);
  } catch (const EConvertError&) {
  }
  auto width = [](const std::string& s) { return static_cast<int>(s.size()); };
  MinimizePath(text, static_cast<int>(Data[0]), width);
  MinimizeText(text, static_cast<int>(Data[0]), width);
  ShortenFolderPart(text);
  SplitMasks(text);
  OneLevelUpFrom(text);
  BrowseSelectionText(text);
  return 0;
}
