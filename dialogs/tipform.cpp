#include "dialogs/tipform.h"

#include <algorithm>

#include "app/mainform.h"
#include "app/settings.h"
#include "dialogs/controltable.h"

int NextTipNumber(int Tip, int Count) { return Tip + 1 > Count || Tip < 1 ? 1 : Tip + 1; }

TTipForm::TTipForm(TComponent* AOwner) : TForm(AOwner, "TTipForm") {
  SetName("TipForm");
  SetCaption("Quillon Tip of the Day");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 420, 250);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"TipPanel", TControlKind::Panel, "", 8, 8, 300, 170},
      {"DidYouKnow", TControlKind::Label, "Did you know...", 12, 8, 280, 20, "TipPanel"},
      {"TipText", TControlKind::Label, "", 12, 36, 280, 128, "TipPanel"},
      {"ShowTipOptions", TControlKind::Combo, "", 8, 190, 300, 21},
      {"NextTipButt", TControlKind::Button, "&Next Tip", 320, 8, 88, 25},
      {"CloseButt", TControlKind::DefaultButton, "&Close", 320, 40, 88, 25},
  });
  TipText = Ctl<TLabel>(this, "TipText");
  TipText->SetAutoSize(false);
  TipText->SetWordWrap(true);
  Ctl<TPanel>(this, "TipPanel")->SetColor(clWindow);
  Ctl<TLabel>(this, "DidYouKnow")->Font()->SetStyle(fsBold);
  ShowTipOptions = Ctl<TComboBox>(this, "ShowTipOptions");
  ShowTipOptions->SetStyle(csDropDownList);
  for (const char* o : {"Always show tips at startup", "Show tip at startup if not opening Zip file",
                        "Never show tips at startup"})
    ShowTipOptions->Items()->Add(o);
  NextTipButt = Ctl<TButton>(this, "NextTipButt");
  CloseButt = Ctl<TButton>(this, "CloseButt");
  OnShow = [this](TObject*) {
    ShowTipOptions->SetItemIndex(TipOfTheDay);
    TipText->SetCaption(TipTexts[std::clamp(int(CurrentTip), 1, std::max(int(TipCount), 1)) - 1]);
    CentreOnMainWindow(this);
  };
  OnClose = [this](TObject*, TCloseAction&) {
    if (ShowTipOptions->ItemIndex() >= 0) TipOfTheDay = uint8_t(ShowTipOptions->ItemIndex());
    CurrentTip = uint8_t(NextTipNumber(CurrentTip, TipCount));
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  NextTipButt->OnClick = [this](TObject* S) { NextTipClick(S); };
  CloseButt->OnClick = [this](TObject*) { Close(); };
}

void TTipForm::NextTipClick(TObject*) {
  CurrentTip = uint8_t(NextTipNumber(CurrentTip, TipCount));
  TipText->SetCaption(TipTexts[CurrentTip - 1]);
}
