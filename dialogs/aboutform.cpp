#include "dialogs/aboutform.h"

#include "app/mainform.h"
#include "app/utils.h"
#include "dialogs/controltable.h"
#include "framework/ui/winapi.h"

std::string HomePageShortcut() { return ProgramFolder() + "Visit Quillon'" + "s Home Page.url"; }

void OpenHomePage(int ShowCmd) {
  ShellExecuteA(nullptr, "open", HomePageShortcut().c_str(), nullptr, ProgramFolder().c_str(), ShowCmd);
}

TAboutForm::TAboutForm(TComponent* AOwner) : TForm(AOwner, "TAboutForm") {
  SetName("AboutForm");
  SetCaption("About Quillon 2000");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 380, 250);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"ProductLabel", TControlKind::Label, "Quillon 2000", 16, 12, 240, 24},
      {"VersionLabel", TControlKind::Label, "Version 2.0 for Windows (32-bit)", 16, 40, 240, 16},
      {"CreditLabel", TControlKind::Label,
       "An archive manager for ZIP, CAB, LHA, BH, TAR, GZIP, ARC, ARJ, ZOO, RAR, ACE and UUE files.", 16, 62, 240,
       44},
      {"WebLabel", TControlKind::Label, "http://www.quillon.example/", 16, 116, 240, 16},
      {"MailLabel", TControlKind::Label, "support@quillon.example", 16, 138, 240, 16},
      {"OKButt", TControlKind::DefaultButton, "OK", 280, 12, 84, 25},
      {"WebButt", TControlKind::Button, "&Web Site", 280, 44, 84, 25},
      {"FAQButt", TControlKind::Button, "&FAQ", 280, 76, 84, 25},
      {"AckButt", TControlKind::Button, "&Thanks to...", 280, 108, 84, 25},
  });
  Ctl<TLabel>(this, "ProductLabel")->Font()->SetSize(14);
  Ctl<TLabel>(this, "ProductLabel")->Font()->SetStyle(fsBold);
  Ctl<TLabel>(this, "CreditLabel")->SetAutoSize(false);
  Ctl<TLabel>(this, "CreditLabel")->SetWordWrap(true);
  WebLabel = Ctl<TLabel>(this, "WebLabel");
  MailLabel = Ctl<TLabel>(this, "MailLabel");
  OKButt = Ctl<TButton>(this, "OKButt");
  WebButt = Ctl<TButton>(this, "WebButt");
  FAQButt = Ctl<TButton>(this, "FAQButt");
  AckButt = Ctl<TButton>(this, "AckButt");
  OnShow = [this](TObject*) {
    CentreOnMainWindow(this);
    HighlightLink(nullptr);
    SetActiveControl(OKButt);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  OKButt->OnClick = [this](TObject*) { Close(); };
  WebButt->OnClick = [](TObject*) { OpenHomePage(SW_SHOW); };
  WebLabel->OnClick = [](TObject*) { OpenHomePage(SW_SHOW); };
  FAQButt->OnClick = [](TObject*) { OpenHelpTopic("faq.html"); };
  AckButt->OnClick = [](TObject*) { OpenHelpTopic("startup2.html"); };
  MailLabel->OnClick = [this](TObject*) {
    ShellExecuteA(nullptr, "open", ("mailto:" + MailLabel->Caption()).c_str(), nullptr, nullptr, SW_SHOW);
  };
  WebLabel->OnMouseMove = [this](TObject*, TShiftState, int, int) { HighlightLink(WebLabel); };
  MailLabel->OnMouseMove = [this](TObject*, TShiftState, int, int) { HighlightLink(MailLabel); };
  OnMouseMove = [this](TObject*, TShiftState, int, int) { HighlightLink(nullptr); };
}

void TAboutForm::HighlightLink(TLabel* Link) {
  for (TLabel* l : {WebLabel, MailLabel}) {
    const bool lit = l == Link;
    if (l->Font()->Color() == (lit ? clBlue : clBlack)) continue;
    l->Font()->SetColor(lit ? clBlue : clBlack);
    l->Font()->SetStyle(lit ? TFontStyles(fsBold | fsUnderline) : TFontStyles(0));
  }
}
