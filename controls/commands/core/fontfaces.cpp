#include "controls/commands/core/fontfaces.h"

#include <algorithm>

std::vector<std::string> FontFaceList(const std::vector<TFontFace>& Enumerated, bool TrueTypeOnly) {
  std::vector<std::string> L;
  for (const TFontFace& F : Enumerated) {
    if (TrueTypeOnly && !F.TrueType) continue;
    L.push_back(F.Name.substr(0, 32) + (F.TrueType ? "*" : ""));
  }
  std::sort(L.begin(), L.end());
  L.erase(std::unique(L.begin(), L.end()), L.end());
  return L;
}

std::string FontFaceName(const std::string& Entry) {
  if (!Entry.empty() && Entry.back() == '*') return Entry.substr(0, Entry.size() - 1);
  return Entry;
}
