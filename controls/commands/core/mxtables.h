// The tables of the menu library that need no window system: the standard
// commands (caption -> shortcut, hint, bitmap), caption keys, shortcut lists
// and the status-bar form of a hint. The Windows side supplies the bitmaps.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/sysutils.h"

// The caption upper-cased, letters only: "&Copy", "Cop&y" and "COPY" give "COPY".
std::string NormaliseCaption(const std::string& Caption);

// One row of the built-in table. Bitmap: a numeric resource (ResId != 0), a
// named one (ResName not empty), or none.
struct TMXStdCommand {
  const char* Key;
  const char* ShortCut;
  const char* Hint;
  int ResId;
  const char* ResName;
  bool Counted;
};
const std::vector<TMXStdCommand>& StdCommandTable();

class T_MX_MenuItemCacheItem {
 public:
  using TBitmapRelease = std::function<void(uintptr_t)>;
  explicit T_MX_MenuItemCacheItem(TBitmapRelease Release) : FRelease(std::move(Release)) {}
  ~T_MX_MenuItemCacheItem();
  T_MX_MenuItemCacheItem(const T_MX_MenuItemCacheItem&) = delete;
  T_MX_MenuItemCacheItem& operator=(const T_MX_MenuItemCacheItem&) = delete;
  std::string ShortCut;
  std::string Hint;
  uintptr_t Bitmap = 0;  // owned bitmap handle, 0 none
  bool Counted = false;
  // Takes a new bitmap, releasing the one held before.
  void SetBitmap(uintptr_t Value);

 private:
  TBitmapRelease FRelease;
};

// Bitmaps are loaded by name ("BMP_MX_EXTRACT", "MX_SYSTEMMOVE") or by number
// and released through these; the Windows side loads resources of the program.
struct TMXBitmapSource {
  std::function<uintptr_t(int ResId)> LoadById;
  std::function<uintptr_t(const std::string& ResName)> LoadByName;
  std::function<void(uintptr_t)> Release;
};

// Normalised caption -> entry, in key order (case-insensitive keys are
// upper-case already). Built with the standard table; every lookup of an
// unknown caption adds an entry.
class T_MX_MenuItemCache {
 public:
  explicit T_MX_MenuItemCache(TMXBitmapSource Source);
  T_MX_MenuItemCache(const T_MX_MenuItemCache&) = delete;
  T_MX_MenuItemCache& operator=(const T_MX_MenuItemCache&) = delete;

  T_MX_MenuItemCacheItem* AddItem(const std::string& Caption, const std::string& ShortCut, bool Counted,
                                  uintptr_t Bitmap, const std::string& Hint);
  T_MX_MenuItemCacheItem* AddItemWithResource(const std::string& Caption, const std::string& ShortCut, bool Counted,
                                              int ResId, const std::string& ResName, const std::string& Hint);
  T_MX_MenuItemCacheItem* BitmapForCaption(const std::string& Caption);
  // The entry for the caption without adding one (nullptr when unknown).
  T_MX_MenuItemCacheItem* Find(const std::string& Caption) const;
  uintptr_t NthItemWithBitmap(int N) const;
  int Count() const { return static_cast<int>(FItems.size()); }

 private:
  TMXBitmapSource FSource;
  std::map<std::string, std::unique_ptr<T_MX_MenuItemCacheItem>> FItems;
};

// A shortcut list "Ctrl+C; Ctrl+Ins": each part trimmed and converted by
// ToCanonical (which returns empty for text that is no shortcut); an empty
// part ends the list. Returns the canonical parts joined by ";". Raises
// Exception "Invalid shortcut: '<part>'" for a part that does not convert.
std::string NormaliseShortCutList(const std::string& Text,
                                  const std::function<std::string(const std::string&)>& ToCanonical);
// The part before the first ";", trimmed.
std::string FirstShortCutText(const std::string& Text);
// True when Text is one whole ";"-separated entry of List (compared trimmed,
// ignoring case).
bool ShortCutListHolds(const std::string& List, const std::string& Text);

// What the status bar shows for a hint: the long part (after "|"), trimmed,
// each "&#" with the three characters after it (fewer at the end) as one blank.
std::string MenuHintText(const std::string& Hint);

// The accelerator character of a caption ("&File" -> 'F', "&&" is no marker),
// upper-cased; 0 when none.
char CaptionAccelerator(const std::string& Caption);
// The caption without its markers ("&&" stays one "&").
std::string StripAccelerators(const std::string& Caption);
