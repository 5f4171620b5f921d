#include "dialogs/controltable.h"

#include <algorithm>

#include "app/mainform.h"
#include "controls/commands/editx.h"
#include "controls/commands/flatbutton.h"
#include "controls/commands/tbbutton.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"

void BuildControlTable(TCustomForm* Form, std::initializer_list<TControlRow> Rows) {
  for (const TControlRow& r : Rows) {
    TWinControl* parent = Form;
    if (r.Parent && *r.Parent)
      for (int i = 0; i < Form->ComponentCount(); ++i)
        if (auto* p = dynamic_cast<TWinControl*>(Form->Components(i)); p && p->Name() == r.Parent) parent = p;
    TControl* c = nullptr;
    switch (r.Kind) {
      case TControlKind::Label: {
        auto* l = new TLabel(Form);
        l->SetCaption(r.Caption);
        c = l;
        break;
      }
      case TControlKind::Button:
      case TControlKind::DefaultButton:
      case TControlKind::CancelButton: {
        auto* b = new TButton(Form);
        b->SetCaption(r.Caption);
        if (r.Kind == TControlKind::DefaultButton) b->SetDefault(true);
        if (r.Kind == TControlKind::CancelButton) b->SetCancel(true);
        c = b;
        break;
      }
      case TControlKind::FlatButton: {
        auto* b = new TFlatButton(Form);
        b->SetCaption(r.Caption);
        c = b;
        break;
      }
      case TControlKind::ToolButton: {
        auto* b = new TToolbarButtonX(Form);
        b->SetCaption(r.Caption);
        // Without its picture (a program built without the dialogs'
        // resources) the button still shows its caption.
        if (HANDLE h = r.Glyph && *r.Glyph ? LoadImageA(GetModuleHandleW(nullptr), r.Glyph, IMAGE_BITMAP, 0, 0,
                                                        LR_CREATEDIBSECTION)
                                           : nullptr) {
          TBitmap glyph;
          glyph.SetHandle(static_cast<HBITMAP>(h));
          b->SetGlyph(&glyph);
          b->SetDisplayMode(dmGlyphOnly);
        }
        c = b;
        break;
      }
      case TControlKind::EditX: {
        auto* e = new TEditX(Form);
        e->SetText(r.Caption);
        c = e;
        break;
      }
      case TControlKind::Edit: {
        auto* e = new TEdit(Form);
        e->SetText(r.Caption);
        c = e;
        break;
      }
      case TControlKind::Combo: {
        auto* e = new TComboBox(Form);
        e->SetText(r.Caption);
        c = e;
        break;
      }
      case TControlKind::Check: {
        auto* b = new TCheckBox(Form);
        b->SetCaption(r.Caption);
        c = b;
        break;
      }
      case TControlKind::Radio: {
        auto* b = new TRadioButton(Form);
        b->SetCaption(r.Caption);
        c = b;
        break;
      }
      case TControlKind::Group: {
        auto* g = new TGroupBox(Form);
        g->SetCaption(r.Caption);
        c = g;
        break;
      }
      case TControlKind::Tree: {
        auto* t = new TTreeView(Form);
        t->SetReadOnly(true);
        t->SetHideSelection(false);
        c = t;
        break;
      }
      case TControlKind::Memo: {
        auto* m = new TMemo(Form);
        m->SetReadOnly(true);
        m->SetScrollBars(ssBoth);
        c = m;
        break;
      }
      case TControlKind::Panel: {
        auto* p = new TPanel(Form);
        p->SetCaption(r.Caption);
        p->SetBevelOuter(bvNone);
        c = p;
        break;
      }
    }
    c->SetName(r.Name);
    c->SetParent(parent);
    c->SetBounds(r.Left, r.Top, r.Width, r.Height);
    // A flat edit takes its height from its font, as after loading a form.
    if (r.Kind == TControlKind::EditX) c->Loaded();
  }
}

void CloseLikeMainDialog(TForm* Form) {
  Form->OnClose = [](TObject*, TCloseAction&) {
    if (!MainForm) return;
    MainForm->SetEnabled(true);
    MainForm->ShowSelectionStatus();
  };
  Form->OnKeyPress = [Form](TObject*, char& Key) {
    if (Key == 27) Form->Close();
  };
}

void CentreOnMainWindow(TCustomForm* Form) { CentreOnForm(Form, MainForm); }

void CentreOnForm(TCustomForm* Form, TCustomForm* Over) {
  int left, top;
  if (Over && Over != Form) {
    left = Over->Left() + Over->Width() / 2 - Form->Width() / 2;
    top = Over->Top() + Over->Height() / 2 - Form->Height() / 2;
  } else {
    left = Screen->Width() / 2 - Form->Width() / 2;
    top = Screen->Height() / 2 - Form->Height() / 2;
  }
  left = std::max(0, std::min(left, Screen->Width() - Form->Width()));
  top = std::max(0, std::min(top, Screen->Height() - Form->Height()));
  Form->SetPosition(poDesigned);
  Form->SetBounds(left, top, Form->Width(), Form->Height());
}
