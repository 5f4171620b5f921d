// The View style commands, the Options and Help commands, and the windows
// they show: configuration, tip of the day, about and the button chooser.
#include "app/mainform.h"
#include "app/settings.h"
#include "app/utils.h"
#include "dialogs/aboutform.h"
#include "dialogs/configform.h"
#include "dialogs/selbuttform.h"
#include "dialogs/tipform.h"

namespace {

// Large Icons, List, Details: the ViewStyle each sets and the list's style.
const uint8_t StyleValues[3] = {0, 2, 3};
const TViewStyle ListStyles[3] = {vsIcon, vsList, vsReport};

// The window in Slot, made on first use.
template <class T>
T* MadeOnce(T*& Slot, TComponent* Owner) {
  if (!Slot) Slot = new T(Owner);
  return Slot;
}

}  // namespace

void TMainForm::AddViewOptionItems(TMenuItem* View, TMenuItem* Options, TMenuItem* Help) {
  // An item placed at Index of Parent.
  auto insert = [this](TMenuItem* Parent, int Index, const char* Name, const char* Caption, TNotifyEvent OnClick) {
    TMenuItem* item = AddItem(Parent, Name, Caption, std::move(OnClick));
    Parent->Remove(item);
    Parent->Insert(Index, item);
    return item;
  };
  // After "as Web Page" and its separator.
  int at = View->IndexOf(UiFind(View, "asWebPage")) + 2;
  static const char* const Names[3] = {"LargeIcons", "List1", "Details1"};
  static const char* const Captions[3] = {"Lar&ge Icons", "&List", "&Details"};
  for (int i = 0; i < 3; ++i) {
    StyleItems[i] = insert(View, at++, Names[i], Captions[i], [this, i](TObject*) { ListStyleClick(i); });
    StyleItems[i]->SetRadioItem(true);
  }
  insert(View, at, "", "-", nullptr);
  insert(View, View->IndexOf(UiFind(View, "ArrangeIcons")) + 1, "DefaultColumnsWidths", "Default Columns Widths",
         [this](TObject* S) { DefaultColumnsWidthsClick(S); });
  CheckStyleItems();

  insert(Options, 0, "Configuration", "&Configuration...", [this](TObject* S) { ConfigurationClick(S); });
  insert(Options, 1, "", "-", nullptr);

  AddItem(Help, "BriefTutorial", "&Brief Tutorial", [](TObject*) { OpenHelpTopic("tutor.html"); });
  AddItem(Help, "FrequentlyAskedQuestions", "&Frequently Asked Questions", [](TObject*) { OpenHelpTopic("faq.html"); });
  AddItem(Help, "", "-");
  AddItem(Help, "TipoftheDay", "&Tip of the Day", [this](TObject* S) { TipoftheDayClick(S); });
  AddItem(Help, "QuillonHomePage", "&Quillon's Home Page", [](TObject*) { OpenHomePage(SW_SHOWMAXIMIZED); });
  AddItem(Help, "", "-");
  AddItem(Help, "About1", "&About Quillon...", [this](TObject* S) { AboutClick(S); });

  MainToolbar.SelectItem->OnClick = [this](TObject* S) { SelectButtonsClick(S); };
  for (TLed* led : {LedOn, LedOff})
    led->OnClick = [](TObject*) {
      AppMessageBox(std::string("The red light on the right of the Quillon's status ") + "\r" +
                        "line is on when Quillon is busy (for example " + "\r" +
                        "while busy archiving files). The green light is " + "\r" +
                        "on when Quillon is not busy, and ready for action.",
                    mtInformation, mbOK);
    };
}

void TMainForm::ApplyViewOptions() {
  CheckStyleItems();
  for (TToolbarButtonX* b : MainToolbar.Buttons) {
    b->SetFlat(FlatButtons == 1);
    b->SetShowHint(ToolbarTips == 1);
  }
}

TMenuItem* TMainForm::UiFind(TMenuItem* Parent, const std::string& Name) {
  for (int i = 0; i < Parent->Count(); ++i)
    if (Parent->Items(i)->Name() == Name) return Parent->Items(i);
  return nullptr;
}

void TMainForm::CheckStyleItems() {
  for (int i = 0; i < 3; ++i)
    if (StyleItems[i]) StyleItems[i]->SetChecked(ViewStyle == StyleValues[i]);
}

void TMainForm::ListStyleClick(int Index) {
  if (StyleItems[Index]->Checked()) return;
  ViewStyle = StyleValues[Index];
  CheckStyleItems();
  FileList->SetViewStyle(ListStyles[Index]);
  if (ListStyles[Index] == vsReport) MarkSortColumn();
}

void TMainForm::DefaultColumnsWidthsClick(TObject*) {
  static const int widths[5] = {100, 110, 65, 40, 65};
  for (int i = 0; i < 5; ++i) FileList->Columns()->Items(i)->SetWidth(widths[i]);
  FileList->Columns()->Items(5)->SetWidth(FileList->Width() - 400);
  if (!ArchiveName.empty()) FillFileList();
}

void TMainForm::ConfigurationClick(TObject*) { MadeOnce(ConfigurationForm, this)->Show(); }

void TMainForm::TipoftheDayClick(TObject*) { MadeOnce(TipForm, this)->ShowModal(); }

void TMainForm::AboutClick(TObject*) { MadeOnce(AboutForm, this)->ShowModal(); }

void TMainForm::SelectButtonsClick(TObject*) { MadeOnce(SelButtForm, this)->ShowModal(); }
