// The face list of the font combo: each face once (the system enumerates a
// face once per character set), TrueType faces marked with "*".
#pragma once
#include <string>
#include <vector>

struct TFontFace {
  std::string Name;
  bool TrueType;
};

// Sorted, each face once; without TrueTypeOnly the other faces too.
std::vector<std::string> FontFaceList(const std::vector<TFontFace>& Enumerated, bool TrueTypeOnly);
// The face name of a list entry ("Arial*" -> "Arial").
std::string FontFaceName(const std::string& Entry);
