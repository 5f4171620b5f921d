#include "controls/commands/core/captionfit.h"

std::string FitCaptionText(const std::string& Text, int Width,
                           const std::function<int(const std::string&)>& TextWidth) {
  if (TextWidth(Text) <= Width) return Text;
  std::string S = Text + "...";
  while (S.size() >= 5 && TextWidth(S) > Width) S.erase(S.size() - 4, 1);
  return S;
}
