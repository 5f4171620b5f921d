#include "dialogs/commentform.h"

#include <commdlg.h>

#include "app/mainform.h"
#include "controls/views/placement.h"
#include "dialogs/controltable.h"
#include "framework/core/classes.h"
#include "framework/core/sysutils.h"
#include "framework/ui/dialogs.h"

TCommentForm::TCommentForm(TComponent* AOwner) : TForm(AOwner, "TCommentForm") {
  SetName("CommentForm");
  SetCaption("Comment");
  SetBounds(0, 0, 420, 300);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"CommentText", TControlKind::Memo, "", 0, 0, 420, 240},
      {"CloseButt", TControlKind::CancelButton, "C&lose", 8, 246, 75, 25},
      {"FontButt", TControlKind::Button, "&Font", 90, 246, 75, 25},
      {"ClearButt", TControlKind::Button, "&Clear", 172, 246, 75, 25},
      {"InsertButt", TControlKind::Button, "&Insert from file", 254, 246, 110, 25},
  });
  CommentText = Ctl<TMemo>(this, "CommentText");
  CommentText->SetReadOnly(false);
  CommentText->SetMaxLength(MaxCommentLength);
  CloseButt = Ctl<TButton>(this, "CloseButt");
  FontButt = Ctl<TButton>(this, "FontButt");
  ClearButt = Ctl<TButton>(this, "ClearButt");
  InsertButt = Ctl<TButton>(this, "InsertButt");
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Filter = "Text files...|*.txt;*.diz";
  OpenDialog1->Options |= ofFileMustExist;
  FormStorage1 = new TFormStorage(this);
  FormStorage1->SetName("FormStorage1");
  FormStorage1->UseRegistry = true;
  FormStorage1->StoredProps()->Add("CommentText.Font");
  FormStorage1->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackWidth, 359);
  FormStorage1->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackHeight, 200);

  OnShow = [this](TObject*) { FormShow(); };
  OnResize = [this](TObject*) { Arrange(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  CloseButt->OnClick = [this](TObject*) { Close(); };
  FontButt->OnClick = [this](TObject*) { FontClick(); };
  ClearButt->OnClick = [this](TObject*) { CommentText->SetText(""); };
  InsertButt->OnClick = [this](TObject*) { InsertClick(); };
  FormStorage1->Loaded();
}

void TCommentForm::Arrange() {
  const int top = ClientHeight() - 31;
  CommentText->SetBounds(0, 0, ClientWidth(), std::max(top - 6, 20));
  int left = 8;
  for (TButton* b : {CloseButt, FontButt, ClearButt, InsertButt}) {
    b->SetTop(top);
    b->SetLeft(left);
    left += b->Width() + 7;
  }
}

void TCommentForm::FormShow() {
  const bool editable = !CommentText->ReadOnly();
  ClearButt->SetEnabled(editable);
  InsertButt->SetEnabled(editable);
  Arrange();
}

void TCommentForm::FontClick() {
  LOGFONTA lf = {};
  GetObjectA(CommentText->Font()->Handle(), sizeof lf, &lf);
  CHOOSEFONTA cf = {};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = Handle();
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
  if (!ChooseFontA(&cf)) return;
  TFont font;
  font.SetHandle(CreateFontIndirectA(&lf));
  CommentText->SetFont(&font);
}

bool TCommentForm::InsertFromFile(const std::string& FileName) {
  TStringList lines;
  try {
    lines.LoadFromFile(FileName);
  } catch (const std::exception&) {
    return false;
  }
  std::string text = lines.Text();
  if (text.size() > size_t(MaxCommentLength)) text.resize(size_t(MaxCommentLength));
  CommentText->SetText(text);
  return true;
}

void TCommentForm::InsertClick() {
  OpenDialog1->InitialDir = ExtractFilePath(ArchiveName);
  if (OpenDialog1->Execute() && !InsertFromFile(OpenDialog1->FileName))
    AppMessageBox("Can't read file: " + OpenDialog1->FileName, mtError, mbOK);
}
