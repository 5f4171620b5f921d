#include "app/mainmenus.h"

#include <vector>

#include "app/mainform.h"
#include "app/settings.h"
#include "controls/commands/mxmenubar.h"

namespace {

const std::string* RecentSlots[5] = {&ActiveFile1, &ActiveFile2, &ActiveFile3, &ActiveFile4, &ActiveFile5};

// The recent archives, by full path, as the drop-down menu opens.
void BuildRecentDropdown(TMainForm* Form) {
  TMainToolbar& T = Form->MainToolbar;
  T.TopMenu = new TPopupMenuX(Form);
  T.TopMenu->SetName("TopMenu");
  for (int k = 0; k < 5; ++k) {
    auto* item = new TMenuItemX(Form);
    item->SetName("FA" + std::to_string(k + 1));
    // The File menu's recent item k runs the same command.
    item->OnClick = [Form, k](TObject*) {
      if (TMenuItem* same = Form->HistoryItems[k]; same && same->OnClick) same->OnClick(same);
    };
    T.TopMenu->Items()->Add(item);
    T.RecentItems[k] = item;
  }
  T.TopMenu->OnPopup = [&T](TObject*) {
    for (int k = 0; k < 5; ++k) {
      const bool on = !RecentSlots[k]->empty();
      T.RecentItems[k]->SetVisible(on);
      if (on) T.RecentItems[k]->SetCaption("&" + std::to_string(k + 1) + " " + *RecentSlots[k]);
    }
  };
  TToolbarButtonX* open = T.Buttons[1];
  const int width = open->Width();
  open->SetDropdownCombo(true);
  open->SetWidth(width);
  // A press on the arrow that closes the open menu does not open it again.
  open->OnDropdown = [&T](TObject*, bool& ShowMenu, bool&) {
    if (ClosedByThisPress(T.TopMenu)) ShowMenu = false;
  };
}

}  // namespace

void UpdateRecentDropdown(TMainForm* Form) {
  TMainToolbar& T = Form->MainToolbar;
  if (!T.TopMenu) return;
  bool any = false;
  for (const std::string* slot : RecentSlots) any = any || !slot->empty();
  TToolbarButtonX* open = T.Buttons[1];
  if ((open->DropdownMenu() != nullptr) == any) return;
  open->SetDropdownMenu(any ? T.TopMenu : nullptr);
  open->Invalidate();
}

void InstallMainMenus(TMainForm* Form) {
  auto* bar = new TCustomMenuBarX(Form);
  bar->SetName("MenuBar1");
  bar->SetParent(Form);
  // The bar sits above the toolbar: the other top-aligned controls go after it.
  std::vector<TControl*> tops;
  for (int i = 0; i < Form->ControlCount(); ++i)
    if (Form->Controls(i) != bar && Form->Controls(i)->Align() == alTop) tops.push_back(Form->Controls(i));
  for (TControl* c : tops) {
    c->SetParent(nullptr);
    c->SetParent(Form);
  }
  bar->ShowHint = true;
  bar->Loaded();
  BuildRecentDropdown(Form);
  UpdateRecentDropdown(Form);

  if (auto* files = dynamic_cast<TPopupMenuX*>(Form->FilePopUp)) {
    T_MX_Title* title = files->Options()->Title();
    title->Visible = true;
    title->Width = 22;
    title->Text = "Quillon 2000";
    title->Font()->SetName("Arial Black");
    title->Font()->SetSize(11);
    title->Font()->SetColor(clWhite);
  }
}
