// TCommentForm ("Comment"): the editor of the archive comment. The main
// window fills it, shows it and stores what the user changed.
#pragma once
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TCommentForm : public TForm {
 public:
  explicit TCommentForm(TComponent* AOwner);

  TMemo* CommentText = nullptr;
  TPanel* ButtonPanel = nullptr;
  TButton *CloseButt = nullptr, *ClearButt = nullptr;
};
