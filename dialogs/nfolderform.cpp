#include "dialogs/nfolderform.h"

#include <algorithm>

#include "dialogs/controltable.h"
#include "dialogs/extractform.h"
#include "dialogs/foldertree.h"
#include "dialogs/seldirform.h"
#include "framework/core/sysutils.h"

TNFolderForm::TNFolderForm(TComponent* AOwner, const std::string& ClassName, int Width, int Height)
    : TForm(AOwner, ClassName) {
  SetCaption("Create Folder");
  SetBorderStyle(bsDialog);
  SetClientWidth(Width);
  SetClientHeight(Height);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label, "Current folder:", 8, 10, 90, 14},
      {"CurrentFolder", TControlKind::Label, "", 100, 10, Width - 108, 14},
      {"Label2", TControlKind::Label, "&Name:", 8, 36, 90, 14},
      {"Edit1", TControlKind::EditX, "", 100, 33, Width - 108, 21},
      {"Button1", TControlKind::DefaultButton, "OK", Width - 166, Height - 33, 75, 25},
      {"Button2", TControlKind::CancelButton, "Cancel", Width - 83, Height - 33, 75, 25},
  });
  CurrentFolder = Ctl<TLabel>(this, "CurrentFolder");
  Edit1 = Ctl<TEditX>(this, "Edit1");
  Button1 = Ctl<TButton>(this, "Button1");
  Button2 = Ctl<TButton>(this, "Button2");
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) SetModalResult(mrCancel);
  };
  Button2->OnClick = [this](TObject*) { SetModalResult(mrCancel); };
}

std::string TNFolderForm::NewPath(std::string Parent) const {
  std::string name = Edit1->Text();
  if (!name.empty() && name.front() == '\\') name.erase(0, 1);
  return IncludeTrailingBackslash(IncludeTrailingBackslash(Parent) + name);
}

void TNFolderForm::ShowParent(std::string Parent) {
  if (Parent.size() > 3 && Parent.back() == '\\') Parent.pop_back();
  CurrentFolder->SetCaption(Parent);
  Edit1->SetText("");
  if (Edit1->CanFocus()) Edit1->SetFocus();
}

TNFolderForm1::TNFolderForm1(TComponent* AOwner, TSelDirForm* Chooser)
    : TNFolderForm(AOwner, "TNFolderForm1", 275, 108), FChooser(Chooser) {
  SetName("NFolderForm1");
  OnShow = [this](TObject*) {
    ShowParent(FChooser->Destination->Text());
    SetBounds(FChooser->Left() + (FChooser->Width() - Width()) / 2, FChooser->Top() + (FChooser->Height() - Height()) / 2,
              Width(), Height());
  };
  Button1->OnClick = [this](TObject*) {
    if (!Edit1->Text().empty()) {
      const std::string path = NewPath(FChooser->Destination->Text());
      CreateFolderChain(path);
      FChooser->Tree().OpenPath(path);
    }
    SetModalResult(mrOk);
  };
}

TNFolderForm2::TNFolderForm2(TComponent* AOwner, TExtractForm* Extract)
    : TNFolderForm(AOwner, "TNFolderForm2", 304, 150), FExtract(Extract) {
  SetName("NFolderForm2");
  BuildControlTable(this, {{"Note", TControlKind::Label,
                            "Note: You can create a folder automatically by typing the name in the \"Extract To\" "
                            "filed of the \"Extract\" dialog box.",
                            8, 62, 288, 44}});
  OnShow = [this](TObject*) {
    ShowParent(TrimLeft(FExtract->Destination->Text()));
    SetBounds(FExtract->Left() + (FExtract->Width() - Width()) / 2, FExtract->Top() + (FExtract->Height() - Height()) / 2,
              Width(), Height());
  };
  Button1->OnClick = [this](TObject*) {
    if (!Edit1->Text().empty()) {
      std::string parent = TrimLeft(FExtract->Destination->Text());
      std::replace(parent.begin(), parent.end(), '/', '\\');
      const std::string path = NewPath(parent);
      CreateFolderChain(path);
      FExtract->Destination->SetText(path);
      FExtract->ExploreButtClick(nullptr);
    }
    SetModalResult(mrOk);
  };
}
