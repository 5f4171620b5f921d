// TAboutForm: the product, its version and links to its web page, its FAQ
// and its acknowledgements.
#pragma once
#include <string>

#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TAboutForm : public TForm {
 public:
  explicit TAboutForm(TComponent* AOwner);
  // Lights one link label (blue, bold, underlined) and darkens the other;
  // nullptr darkens both.
  void HighlightLink(TLabel* Link);

  TLabel *WebLabel = nullptr, *MailLabel = nullptr;
  TButton *OKButt = nullptr, *WebButt = nullptr, *FAQButt = nullptr, *AckButt = nullptr;
};

// The home-page shortcut beside the program, "Visit Quillon's Home Page.url".
std::string HomePageShortcut();
// Opens that shortcut through the shell, the program's folder as working folder.
void OpenHomePage(int ShowCmd);
