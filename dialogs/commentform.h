// TCommentForm ("Comment"): the editor of an archive comment. The caller
// fills CommentText (read-only when the comment cannot be changed), shows the
// form modally and stores CommentText's text.
#pragma once
#include <string>

#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TFormStorage;
class TOpenDialog;

constexpr int MaxCommentLength = 4096;

class TCommentForm : public TForm {
 public:
  explicit TCommentForm(TComponent* AOwner);

  // Replaces the text with the file's contents (at most MaxCommentLength
  // characters); false when it cannot be read.
  bool InsertFromFile(const std::string& FileName);

  TMemo* CommentText = nullptr;
  TButton *CloseButt = nullptr, *FontButt = nullptr, *ClearButt = nullptr, *InsertButt = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TFormStorage* FormStorage1 = nullptr;

 private:
  void FormShow();
  void FontClick();
  void InsertClick();
  void Arrange();
};
