#include "controls/commands/core/captionfit.h"

#include <gtest/gtest.h>

namespace {

int SixPerChar(const std::string& S) { return 6 * static_cast<int>(S.size()); }

TEST(CaptionFit, CutsBeforeTheDotsAndKeepsOneCharacter) {
  struct {
    const char* Text;
    int Width;
    const char* Want;
  } Cases[] = {
      {"Tools", 30, "Tools"},       // fits exactly
      {"Toolbar", 41, "Too..."},    // 7 chars = 42 > 41; "Too..." = 36
      {"Toolbar", 36, "Too..."},
      {"Toolbar", 35, "To..."},
      {"Toolbar", 5, "T..."},       // never fewer than one character
      {"A", 1, "A..."},             // a single character keeps it
      {"", 0, ""},
  };
  for (auto C : Cases) EXPECT_EQ(FitCaptionText(C.Text, C.Width, SixPerChar), C.Want) << C.Text << " " << C.Width;
}

}  // namespace
