#include "controls/commands/core/fontfaces.h"

#include <gtest/gtest.h>

namespace {

TEST(FontFaces, EachFaceOnceSortedAndMarked) {
  // Faces come once per character set.
  std::vector<TFontFace> E = {{"Tahoma", true}, {"Arial", true},  {"System", false},
                              {"Arial", true},  {"Tahoma", true}, {"Arial", true}};
  EXPECT_EQ(FontFaceList(E, false), (std::vector<std::string>{"Arial*", "System", "Tahoma*"}));
  EXPECT_EQ(FontFaceList(E, true), (std::vector<std::string>{"Arial*", "Tahoma*"}));
  EXPECT_EQ(FontFaceName("Arial*"), "Arial");
  EXPECT_EQ(FontFaceName("System"), "System");
  EXPECT_EQ(FontFaceList({{std::string(40, 'x'), false}}, false)[0].size(), 32u);
}

}  // namespace
