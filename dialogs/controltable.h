// Dialogs are built from a table of their controls: name, kind, caption,
// position and parent, so that a dialog reads as its layout plus handlers.
#pragma once
#include <initializer_list>
#include <string>

#include "framework/ui/forms.h"

// FlatButton is the toolbar library's flat push button (TFlatButton),
// ToolButton its glyph button (TToolbarButtonX), EditX its flat edit.
enum class TControlKind {
  Label, Button, DefaultButton, CancelButton, Edit, Combo, Check, Radio, Group, Tree, Memo, Panel,
  FlatButton, ToolButton, EditX
};

struct TControlRow {
  const char* Name;
  TControlKind Kind;
  const char* Caption;
  int Left, Top, Width, Height;
  const char* Parent = "";  // '' is the form
  // A ToolButton's glyph: the name of a bitmap resource of the program,
  // shown without the caption.
  const char* Glyph = "";
};

// Creates the rows' controls on Form, owned by it, in table order.
void BuildControlTable(TCustomForm* Form, std::initializer_list<TControlRow> Rows);

// Centres Form on the main window (or the screen) and keeps it on the screen;
// halves round toward zero.
void CentreOnMainWindow(TCustomForm* Form);
// The same over another window (the screen when Over is nullptr).
void CentreOnForm(TCustomForm* Form, TCustomForm* Over);

// The closing of a dialog shown over the main window: Escape closes it, and
// closing enables the main window again and shows the selection summary.
void CloseLikeMainDialog(TForm* Form);

// The control named Name on Form; throws when it is missing or another kind.
template <class T>
T* Ctl(TCustomForm* Form, const std::string& Name) {
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (Form->Components(i)->Name() == Name)
      if (auto* c = dynamic_cast<T*>(Form->Components(i))) return c;
  throw Exception("No control '" + Name + "'");
}
