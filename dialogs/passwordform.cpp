#include "dialogs/passwordform.h"

#include "app/mainform.h"
#include "dialogs/controltable.h"

std::string ArchivePassword;

TPasswordForm::TPasswordForm(TComponent* AOwner) : TForm(AOwner, "TPasswordForm") {
  SetName("PasswordForm");
  SetCaption("Password");
  SetBorderStyle(bsDialog);
  SetClientWidth(273);
  SetClientHeight(73);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label, "&Password:", 8, 12, 60, 14},
      {"Password", TControlKind::EditX, "", 72, 9, 193, 21},
      {"OKButt", TControlKind::DefaultButton, "OK", 110, 42, 75, 25},
      {"CancelButt", TControlKind::CancelButton, "Cancel", 190, 42, 75, 25},
  });
  Password = Ctl<TEditX>(this, "Password");
  OKButt = Ctl<TButton>(this, "OKButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  Password->SetPasswordChar('?');
  OnShow = [this](TObject*) {
    Password->SetText("");
    EnteredPassword.clear();
    ArchivePassword.clear();
    if (Password->CanFocus()) Password->SetFocus();
  };
  OnClose = [this](TObject*, TCloseAction&) { SetCaption("Password"); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key != 27) return;
    EnteredPassword.clear();
    ArchivePassword.clear();
    SetModalResult(mrCancel);
  };
  OKButt->OnClick = [this](TObject*) {
    EnteredPassword = Password->Text();
    ArchivePassword = EnteredPassword;
    SetModalResult(mrOk);
  };
  CancelButt->OnClick = [this](TObject*) { SetModalResult(mrCancel); };
}

std::function<std::string(const std::string& Caption)> PasswordPrompt;

std::string AskPassword(const std::string& Caption, TCustomForm* Over) {
  if (PasswordPrompt) return PasswordPrompt(Caption);
  if (!MainForm) return std::string();
  if (!MainForm->PasswordForm1) MainForm->PasswordForm1 = new TPasswordForm(MainForm);
  TPasswordForm* f = MainForm->PasswordForm1;
  f->SetCaption(Caption);
  if (Over) CentreOnForm(f, Over);
  else CentreOnMainWindow(f);
  f->ShowModal();
  return f->EnteredPassword;
}
