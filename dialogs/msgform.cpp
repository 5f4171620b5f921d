#include "dialogs/msgform.h"

#include "app/mainform.h"
#include "controls/views/placement.h"
#include "dialogs/controltable.h"

TMsgForm::TMsgForm(TComponent* AOwner) : TForm(AOwner, "TMsgForm") {
  SetName("MsgForm");
  SetCaption("View Last Output");
  SetBounds(0, 0, 480, 320);
  SetKeyPreview(true);
  BuildControlTable(this, {
                              {"ControlPanel", TControlKind::Panel, "", 0, 0, 480, 41},
                              {"OKButton", TControlKind::DefaultButton, "&OK", 200, 8, 75, 25, "ControlPanel"},
                              {"ViewPanel", TControlKind::Panel, "", 0, 0, 480, 250},
                              {"MessageMemo", TControlKind::Memo, "", 0, 0, 480, 250, "ViewPanel"},
                          });
  ControlPanel = Ctl<TPanel>(this, "ControlPanel");
  OKButton = Ctl<TButton>(this, "OKButton");
  ViewPanel = Ctl<TPanel>(this, "ViewPanel");
  MessageMemo = Ctl<TMemo>(this, "MessageMemo");
  ControlPanel->SetAlign(alBottom);
  ViewPanel->SetAlign(alClient);
  MessageMemo->SetAlign(alClient);
  MessageMemo->SetWordWrap(false);
  OKButton->OnClick = [this](TObject*) { Close(); };
  OnShow = [this](TObject*) {
    if (MainForm) MainForm->SetEnabled(false);
    CentreOnMainWindow(this);
    if (OKButton->CanFocus()) OKButton->SetFocus();
  };
  OnClose = [](TObject*, TCloseAction&) {
    if (MainForm) MainForm->SetEnabled(true);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  OnResize = [this](TObject*) { OKButton->SetLeft(ControlPanel->Width() / 2 - OKButton->Width() / 2); };
  FormStorage1 = new TFormStorage(this);
  FormStorage1->SetName("FormStorage1");
  FormStorage1->UseRegistry = true;
  FormStorage1->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackWidth, 359);
  FormStorage1->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackHeight, 200);
  FormStorage1->Loaded();
}

void TMsgForm::ScrollToEnd() {
  if (!MessageMemo->HandleAllocated()) return;
  const LRESULT length = SendMessageW(MessageMemo->Handle(), WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(MessageMemo->Handle(), EM_SETSEL, WPARAM(length), LPARAM(length));
  PostMessageW(MessageMemo->Handle(), EM_SCROLLCARET, 0, 0);
}

TMsgForm* MsgForm() {
  static TMsgForm* form = nullptr;
  if (!form) {
    // The main window takes it along at its end, before the window layer's
    // own statics go.
    form = new TMsgForm(MainForm ? static_cast<TComponent*>(MainForm) : Application);
    // The application may free it at its end; the pointer must not outlive it.
    struct TForget : TComponent {
      using TComponent::TComponent;
      ~TForget() override { *Slot = nullptr; }
      TMsgForm** Slot = nullptr;
    };
    auto* forget = new TForget(form);
    forget->Slot = &form;
  }
  return form;
}
