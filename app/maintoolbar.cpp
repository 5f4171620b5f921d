#include "app/maintoolbar.h"

#include "app/settings.h"

namespace {

const char* const Names[14] = {"NewButton",  "OpenButton",   "FavoritesButton", "PropertiesButton", "PrintButton",
                               "AddButton",  "DeleteButton", "ExtractButton",   "ViewButton",       "ScanButton",
                               "TestButton", "CheckOutButton", "HelpButton",    "ExitButton"};
const char* const Captions[14] = {"New",  "Open", "Favorites", "Properties", "Print", "Add",      "Delete",
                                  "Extract", "View", "Scan",   "Test",       "CheckOut", "Help", "Exit"};
const char* const Hints[14] = {"Create a new archive",
                               "Open an existing archive",
                               "List archives in your Favorite Zip Folders",
                               "Display archive properties",
                               "Print a list of files in the open archive",
                               "Add files to the archive",
                               "Delete selected file(s)",
                               "Extract files from the archive",
                               "View files inside the archive",
                               "Virus scan files",
                               "Test archive integrity",
                               "Create icons for files in the archive",
                               "Display the help contents",
                               "Exit Quillon"};
const int LargeIndex[14] = {0, 1, 2, 3, 4, 5, 7, 6, 8, 9, 10, 11, 12, 13};
// -1: no small image (the button is hidden with small buttons).
const int SmallIndex[14] = {0, 1, 2, -1, -1, 3, 5, 4, 6, -1, -1, 7, -1, -1};

TImageList* LoadStrip(TComponent* Owner, const char* Resource, int Size) {
  auto* L = new TImageList(Owner);
  L->SetWidth(Size);
  L->SetHeight(Size);
  TBitmap B;
  try {
    B.LoadFromResourceName(GetModuleHandleW(nullptr), Resource);
    L->AddMasked(&B, static_cast<TColor>(RGB(255, 0, 255)));
  } catch (const Exception&) {
    // Without the images the buttons show their captions.
  }
  return L;
}

bool AnyVisible(const TMainToolbar& T, int From, int To) {
  for (int I = From; I <= To; ++I)
    if (T.Buttons[I - 1]->Visible()) return true;
  return false;
}

}  // namespace

TMainToolbar BuildMainToolbar(TCustomForm* Form, int AlignToolbar) {
  TMainToolbar T;
  static const char* const DockNames[4] = {"DockX1", "DockX2", "DockX3", "DockX4"};
  static const TDockPosition Positions[4] = {dpTop, dpLeft, dpRight, dpBottom};
  for (int I = 0; I < 4; ++I) {
    T.Docks[I] = new TDockX(Form);
    T.Docks[I]->SetName(DockNames[I]);
    T.Docks[I]->SetPosition(Positions[I]);
    T.Docks[I]->SetParent(Form);
  }
  T.LargeImages = LoadStrip(Form, "TBLARGE", 24);
  T.SmallImages = LoadStrip(Form, "TBSMALL", 16);
  T.HotImages = LoadStrip(Form, "TBHOT", 16);
  T.Bar = new TToolbarX(Form);
  T.Bar->SetName("ToolbarX2");
  T.Bar->SetCaption("Toolbar");
  T.Bar->SetDefaultDock(T.Docks[0]);
  T.Bar->SetDockRow(2);
  T.Bar->SetDockedTo(T.Docks[0]);
  // Separators stand after New..Favorites, Properties..Print, Add..View and
  // Scan..CheckOut.
  static const int SeparatorAfter[4] = {3, 5, 9, 12};
  int Sep = 0;
  for (int I = 0; I < 14; ++I) {
    auto* B = new TToolbarButtonX(Form);
    B->SetName(Names[I]);
    B->SetCaption(Captions[I]);
    B->SetHint(Hints[I]);
    B->SetShowHint(true);
    B->SetLayout(blGlyphTop);
    B->SetParent(T.Bar);
    T.Buttons[I] = B;
    if (Sep < 4 && I + 1 == SeparatorAfter[Sep]) {
      T.Separators[Sep] = new TToolbarSepX(Form);
      T.Separators[Sep]->SetParent(T.Bar);
      ++Sep;
    }
  }
  DockMainToolbar(T, AlignToolbar);
  return T;
}

void LayoutMainToolbar(TMainToolbar& T, bool Large, bool ShowText, const std::string& Buttons) {
  for (int I = 0; I < 14; ++I) {
    TToolbarButtonX* B = T.Buttons[I];
    B->SetDisplayMode(ShowText ? dmBoth : dmGlyphOnly);
    if (Large) {
      B->SetVisible(static_cast<size_t>(I) < Buttons.size() && Buttons[static_cast<size_t>(I)] == '1');
      B->SetImages(T.LargeImages);
      B->SetImageIndex(LargeIndex[I]);
      if (ShowText)
        B->SetBounds(B->Left(), B->Top(), I == 1 ? 57 : 55, 55);
      else
        B->SetBounds(B->Left(), B->Top(), I == 1 ? 47 : 40, I == 1 ? 42 : 40);
    } else {
      B->SetVisible(SmallIndex[I] >= 0);
      if (SmallIndex[I] >= 0) {
        B->SetImages(T.SmallImages);
        B->SetImageIndex(SmallIndex[I]);
        // The small buttons light up with the hot images under the mouse.
        B->OnMouseEnter = [&T, B](TObject*) { B->SetImages(T.HotImages); };
        B->OnMouseExit = [&T, B](TObject*) { B->SetImages(T.SmallImages); };
      }
      if (ShowText)
        B->SetBounds(B->Left(), B->Top(), I == 1 ? 47 : B->Width(), 42);
      else
        B->SetBounds(B->Left(), B->Top(), I == 1 ? 47 : 30, 30);
    }
    B->SetLayout(blGlyphTop);
    if (Large) {
      B->OnMouseEnter = nullptr;
      B->OnMouseExit = nullptr;
    }
  }
  if (Large) {
    bool G1 = AnyVisible(T, 1, 3), G2 = AnyVisible(T, 4, 5), G3 = AnyVisible(T, 6, 9), G4 = AnyVisible(T, 10, 12),
         G5 = AnyVisible(T, 13, 14);
    T.Separators[0]->SetVisible((G1 && G2) || (!G2 && G3));
    T.Separators[1]->SetVisible(G2 && G3);
    T.Separators[2]->SetVisible(G3 && G4);
    T.Separators[3]->SetVisible(G4 && G5);
  } else {
    T.Separators[0]->SetVisible(true);
    T.Separators[1]->SetVisible(false);
    T.Separators[2]->SetVisible(true);
    T.Separators[3]->SetVisible(false);
  }
  T.Bar->ArrangeControls();
}

void DockMainToolbar(TMainToolbar& T, int AlignToolbar) {
  // 0 left, 1 right, 2 top, 3 bottom; the top dock takes it on row 2.
  static const int DockOf[4] = {1, 2, 0, 3};
  if (AlignToolbar < 0 || AlignToolbar > 3) AlignToolbar = 2;
  if (AlignToolbar == 2) T.Bar->SetDockRow(2);
  T.Bar->SetDockedTo(T.Docks[DockOf[AlignToolbar]]);
}

int MainToolbarAlign(const TMainToolbar& T) {
  static const int AlignOf[4] = {2, 0, 1, 3};
  for (int I = 0; I < 4; ++I)
    if (T.Bar->DockedTo() == T.Docks[I]) return AlignOf[I];
  return -1;
}

void BuildMainToolbarMenu(TCustomForm* Form, TMainToolbar& T) {
  T.Menu = new TPopupMenuX(Form);
  T.Menu->SetName("ToolBarPopUp");
  auto Add = [&](const char* Name, const char* Caption, TNotifyEvent OnClick) {
    auto* I = new TMenuItemX(Form);
    I->SetName(Name);
    I->SetCaption(Caption);
    // "Align Left" and "Align Right" are standard commands by name (their
    // pictures fit), but the standard shortcuts do not work here and the
    // hints speak of paragraphs: neither is shown.
    I->SetShortCutText("");
    I->SetHint("");
    I->OnClick = std::move(OnClick);
    T.Menu->Items()->Add(I);
    return I;
  };
  auto CheckAlign = [&T] {
    for (int I = 0; I < 4; ++I) T.AlignItems[I]->SetChecked(AlignToolbar == I);
  };
  static const char* const Names[4] = {"AlignLeft", "AlignRight", "AlignTop", "AlignBottom"};
  static const char* const Captions[4] = {"Align &Left", "Align &Right", "Align &Top", "Align &Bottom"};
  for (int I = 0; I < 4; ++I)
    T.AlignItems[I] = Add(Names[I], Captions[I], [&T, I, CheckAlign](TObject*) {
      AlignToolbar = static_cast<uint8_t>(I);
      DockMainToolbar(T, I);
      CheckAlign();
    });
  Add("N1", "-", nullptr);
  T.LargeItem = Add("LargeButtons", "L&arge Buttons", [&T](TObject*) {
    LargeButtons = LargeButtons == 1 ? 0 : 1;
    LayoutMainToolbar(T, LargeButtons == 1, ShowToolbarText == 1, Buttons);
  });
  // The window wires the button chooser; the choice matters to large
  // buttons only.
  T.SelectItem = Add("MenuItem2", "&Select Buttons...", nullptr);
  T.SelectItem->SetEnabled(false);
  T.Menu->OnPopup = [&T](TObject*) {
    T.LargeItem->SetChecked(LargeButtons == 1);
    T.SelectItem->SetEnabled(LargeButtons == 1 && T.SelectItem->OnClick);
  };
  T.Bar->SetPopupMenu(T.Menu);
  for (TDockX* D : T.Docks) D->SetPopupMenu(T.Menu);
  // A drag into another dock is the same as choosing its Align item.
  T.Bar->OnDockChanged = [&T, CheckAlign](TObject*) {
    int A = MainToolbarAlign(T);
    if (A < 0) return;
    AlignToolbar = static_cast<uint8_t>(A);
    CheckAlign();
  };
  CheckAlign();
}
