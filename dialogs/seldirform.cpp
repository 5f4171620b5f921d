#include "dialogs/seldirform.h"

#include "app/mainform.h"
#include "app/settings.h"
#include "dialogs/controltable.h"
#include "dialogs/foldertree.h"
#include "dialogs/nfolderform.h"
#include "framework/core/sysutils.h"

TCustomForm* SelectFolderOwner = nullptr;
std::string SelectFolderCaption;
std::string SelectFolderLabel;
std::string SelectFolderResult = "-1";

TSelDirForm::TSelDirForm(TComponent* AOwner) : TForm(AOwner, "TSelDirForm") {
  SetName("SelDirForm");
  SetCaption("Select Folder");
  SetBorderStyle(bsDialog);
  SetClientWidth(303);
  SetClientHeight(256);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"Label1", TControlKind::Label, "&Select Folder:", 8, 8, 200, 14},
      {"Destination", TControlKind::Combo, "", 8, 24, 287, 21},
      {"DrivesFoldersL", TControlKind::Label, "&Folders and disk drives:", 8, 52, 200, 14},
      {"TreeList", TControlKind::Tree, "", 8, 68, 200, 180},
      {"OKButt", TControlKind::DefaultButton, "OK", 216, 68, 79, 25},
      {"CancelButt", TControlKind::CancelButton, "&Cancel", 216, 98, 79, 25},
      {"NewFolderButt", TControlKind::Button, "&New Folder...", 216, 223, 79, 25},
  });
  Label1 = Ctl<TLabel>(this, "Label1");
  Destination = Ctl<TComboBox>(this, "Destination");
  TreeList = Ctl<TTreeView>(this, "TreeList");
  OKButt = Ctl<TButton>(this, "OKButt");
  CancelButt = Ctl<TButton>(this, "CancelButt");
  NewFolderButt = Ctl<TButton>(this, "NewFolderButt");
  TreeList->SetReadOnly(true);
  TreeList->SetIndent(19);
  FTree = std::make_unique<TDriveTree>(TreeList, true, 500);

  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [this](TObject*, TCloseAction&) {
    if (!FChosen) SelectFolderResult = "-1";
    if (SelectFolderOwner) SelectFolderOwner->SetEnabled(true);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) SetModalResult(mrCancel);
  };
  Destination->OnChange = [this](TObject*) { DestinationChange(); };
  TreeList->OnExpanding = [this](TObject*, TTreeNode* Node, bool&) { FTree->Expanding(Node); };
  TreeList->OnChange = [this](TObject*, TTreeNode* Node) {
    const bool computer = Node && Node == FTree->ComputerNode();
    OKButt->SetEnabled(!computer);
    NewFolderButt->SetEnabled(!computer);
    const std::string folder = FTree->NodeFolder(Node);
    if (!folder.empty()) Destination->SetText(folder);
  };
  OKButt->OnClick = [this](TObject* S) { OKButtClick(S); };
  CancelButt->OnClick = [this](TObject*) { SetModalResult(mrCancel); };
  NewFolderButt->OnClick = [this](TObject* S) { NewFolderButtClick(S); };
}

TSelDirForm::~TSelDirForm() = default;

void TSelDirForm::FormShow() {
  FChosen = false;
  SelectFolderResult = "-1";
  FTree->Rebuild();
  if (SelectFolderOwner) SelectFolderOwner->SetEnabled(false);
  Destination->Items()->Clear();
  for (const std::string* d : {&SelDir1, &SelDir2, &SelDir3, &SelDir4, &SelDir5})
    if (!d->empty()) Destination->Items()->Add(*d);
  const std::string name = ExtractFileName(ArchiveName);
  Destination->SetText(AnsiLowerCase(ExtractFilePath(ArchiveName)) + name.substr(0, name.find('.')));
  if (Destination->CanFocus()) Destination->SetFocus();
  if (SelectFolderOwner)
    SetBounds(SelectFolderOwner->Left() + (SelectFolderOwner->Width() - Width()) / 2,
              SelectFolderOwner->Top() + (SelectFolderOwner->Height() - Height()) / 2, Width(), Height());
  else
    CentreOnMainWindow(this);
  SetCaption(SelectFolderCaption.empty() ? "Select Folder" : SelectFolderCaption);
  Label1->SetCaption(SelectFolderLabel.empty() ? "&Select Folder:" : SelectFolderLabel);
  DestinationChange();
}

void TSelDirForm::DestinationChange() {
  const std::string text = Destination->Text();
  NewFolderButt->SetEnabled(!text.empty() && DirectoryExists(text));
}

void TSelDirForm::OKButtClick(TObject*) {
  const std::string text = Destination->Text();
  if (text.size() > 1 && text[1] == ':' && GetDriveTypeA((text.substr(0, 2) + "\\").c_str()) == DRIVE_NO_ROOT_DIR) {
    AppMessageBox("Drive not exist!", mtError, mbOK);
    return;
  }
  SelectFolderResult = text;
  FChosen = true;
  if (!text.empty()) {
    CreateFolderChain(IncludeTrailingBackslash(text));
    std::string recent = text;
    if (recent.size() > 3 && recent.back() == '\\') recent.pop_back();
    RememberFolder({&SelDir1, &SelDir2, &SelDir3, &SelDir4, &SelDir5}, recent);
  }
  SetModalResult(mrOk);
}

void TSelDirForm::NewFolderButtClick(TObject*) {
  if (!FNewFolder) FNewFolder = new TNFolderForm1(this, this);
  FNewFolder->ShowModal();
  if (TreeList->CanFocus()) TreeList->SetFocus();
}

std::string SelectFolder(TCustomForm* Owner, const std::string& Caption, const std::string& Label) {
  SelectFolderOwner = Owner;
  SelectFolderCaption = Caption;
  SelectFolderLabel = Label;
  if (!MainForm) return SelectFolderResult = "-1";
  if (!MainForm->SelDirForm) MainForm->SelDirForm = new TSelDirForm(MainForm);
  MainForm->SelDirForm->ShowModal();
  return SelectFolderResult;
}
