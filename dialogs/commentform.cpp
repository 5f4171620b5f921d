#include "dialogs/commentform.h"

#include "dialogs/controltable.h"

TCommentForm::TCommentForm(TComponent* AOwner) : TForm(AOwner, "TCommentForm") {
  SetName("CommentForm");
  SetCaption("Comment");
  SetBounds(0, 0, 420, 260);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"ButtonPanel", TControlKind::Panel, "", 0, 0, 420, 36},
      {"CloseButt", TControlKind::CancelButton, "C&lose", 8, 6, 75, 25, "ButtonPanel"},
      {"ClearButt", TControlKind::Button, "&Clear", 90, 6, 75, 25, "ButtonPanel"},
      {"CommentText", TControlKind::Memo, "", 0, 0, 420, 200},
  });
  ButtonPanel = Ctl<TPanel>(this, "ButtonPanel");
  CloseButt = Ctl<TButton>(this, "CloseButt");
  ClearButt = Ctl<TButton>(this, "ClearButt");
  CommentText = Ctl<TMemo>(this, "CommentText");
  ButtonPanel->SetAlign(alBottom);
  ButtonPanel->SetBevelOuter(bvNone);
  CommentText->SetAlign(alClient);
  // A Zip comment holds up to 65,535 bytes.
  CommentText->SetMaxLength(65535);
  OnShow = [this](TObject*) {
    CentreOnMainWindow(this);
    ClearButt->SetEnabled(!CommentText->ReadOnly());
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) SetModalResult(mrCancel);
  };
  CloseButt->OnClick = [this](TObject*) { SetModalResult(mrOk); };
  ClearButt->OnClick = [this](TObject*) { CommentText->Clear(); };
}
