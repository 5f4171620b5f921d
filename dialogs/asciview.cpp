#include "dialogs/asciview.h"

#include <algorithm>

#include "app/mainform.h"
#include "dialogs/controltable.h"
#include "framework/core/classes.h"
#include "framework/ui/menus.h"

namespace {

int CALLBACK AddFontName(const LOGFONTA* Font, const TEXTMETRICA*, DWORD, LPARAM Data) {
  auto* list = reinterpret_cast<TStrings*>(Data);
  const std::string name = Font->lfFaceName;
  if (!name.empty() && name[0] != '@' && list->IndexOf(name) < 0) list->Add(name);
  return 1;
}

}  // namespace

TAsciview::TAsciview(TComponent* AOwner) : TForm(AOwner, "TAsciview") {
  SetName("Asciview");
  SetCaption("View");
  SetBounds(0, 0, 560, 400);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"ToolPanel", TControlKind::Panel, "", 0, 0, 560, 28},
      {"SmallerButt", TControlKind::Button, "A-", 2, 2, 30, 24, "ToolPanel"},
      {"LargerButt", TControlKind::Button, "A+", 34, 2, 30, 24, "ToolPanel"},
      {"CopyButt", TControlKind::Button, "Copy", 66, 2, 50, 24, "ToolPanel"},
      {"FontBox", TControlKind::Combo, "", 122, 3, 180, 21, "ToolPanel"},
      {"RichEdit1", TControlKind::Memo, "", 0, 28, 560, 340},
  });
  Ctl<TPanel>(this, "ToolPanel")->SetAlign(alTop);
  RichEdit1 = Ctl<TMemo>(this, "RichEdit1");
  RichEdit1->SetAlign(alClient);
  RichEdit1->SetWordWrap(false);
  RichEdit1->SetWantTabs(true);
  SmallerButt = Ctl<TButton>(this, "SmallerButt");
  LargerButt = Ctl<TButton>(this, "LargerButt");
  CopyButt = Ctl<TButton>(this, "CopyButt");
  FontBox = Ctl<TComboBox>(this, "FontBox");
  FontBox->SetStyle(csDropDownList);
  SmallerButt->SetHint("Smaller Font");
  LargerButt->SetHint("Larger Font");
  CopyButt->SetHint("Copy");
  SetShowHint(true);
  auto* menu = new TMainMenu(this);
  menu->SetName("MainMenu1");
  auto* file = new TMenuItem(menu);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  auto* close = new TMenuItem(menu);
  close->SetName("Close1");
  close->SetCaption("&Close");
  close->OnClick = [this](TObject*) { Close(); };
  file->Add(close);
  SetMenu(menu);

  SmallerButt->OnClick = [this](TObject*) { SmallerFont(); };
  LargerButt->OnClick = [this](TObject*) { LargerFont(); };
  CopyButt->OnClick = [this](TObject*) { CopyText(); };
  FontBox->OnChange = [this](TObject*) {
    if (FontBox->ItemIndex() >= 0) RichEdit1->Font()->SetName(FontBox->Items()->Strings(FontBox->ItemIndex()));
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  Constraints.MinWidth = 339;
  Constraints.MinHeight = 200;
  OnShow = [this](TObject*) {
    if (MainForm) MainForm->SetEnabled(false);
    SetCaption("View: " + FEntry);
    TStringList text;
    try {
      text.LoadFromFile(FFile);
    } catch (const Exception&) {
      text.Clear();
    }
    RichEdit1->SetText(text.Text());
    if (FontBox->Items()->Count() == 0) {
      HDC dc = GetDC(nullptr);
      LOGFONTA lf = {};
      lf.lfCharSet = DEFAULT_CHARSET;
      EnumFontFamiliesExA(dc, &lf, AddFontName, reinterpret_cast<LPARAM>(FontBox->Items()), 0);
      ReleaseDC(nullptr, dc);
    }
    FontBox->SetItemIndex(FontBox->Items()->IndexOf(RichEdit1->Font()->Name()));
  };
  OnClose = [](TObject*, TCloseAction&) {
    if (MainForm) MainForm->SetEnabled(true);
  };
}

void TAsciview::ShowFile(const std::string& File, const std::string& EntryName) {
  FFile = File;
  FEntry = EntryName;
  Show();
}

void TAsciview::LargerFont() {
  if (RichEdit1->Font()->Size() < 73) RichEdit1->Font()->SetSize(RichEdit1->Font()->Size() + 1);
}

void TAsciview::SmallerFont() {
  if (RichEdit1->Font()->Size() >= 5) RichEdit1->Font()->SetSize(RichEdit1->Font()->Size() - 1);
}

void TAsciview::CopyText() {
  if (RichEdit1->SelLength() == 0) {
    RichEdit1->SelectAll();
    SendMessageA(RichEdit1->Handle(), WM_COPY, 0, 0);
    RichEdit1->SetSelLength(0);
  } else {
    SendMessageA(RichEdit1->Handle(), WM_COPY, 0, 0);
  }
}
