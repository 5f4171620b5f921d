#include "framework/ui/props.h"

#include "framework/ui/buttons.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

namespace {

struct TPropTable {
  std::string ClassName;
  TPropTest IsInstance;
  std::vector<TPropInfo> Props;
};

std::vector<TPropTable>& Tables() {
  static std::vector<TPropTable> tables;
  return tables;
}

void RegisterUiProperties();

void EnsureUiProperties() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterUiProperties();
}

TPropInfo PropTag() {
  TPropInfo p;
  p.Name = "Tag";
  p.Kind = TPropKind::Integer;
  p.Get = [](TPersistent* o) { return IntToStr(dynamic_cast<TComponent*>(o)->Tag); };
  p.Set = [](TPersistent* o, const std::string& v) { dynamic_cast<TComponent*>(o)->Tag = StrToIntDef(v, 0); };
  return p;
}

void RegisterUiProperties() {
  RegisterProperties<TComponent>("TComponent", {PropTag()});
  RegisterProperties<TFont>(
      "TFont",
      {PropInt<TFont>("Charset", &TFont::Charset, &TFont::SetCharset),
       PropColor("Color", [](TPersistent* o) { return dynamic_cast<TFont*>(o)->Color(); },
                 [](TPersistent* o, int32_t v) { dynamic_cast<TFont*>(o)->SetColor(v); }),
       PropInt<TFont>("Height", &TFont::Height, &TFont::SetHeight),
       PropString<TFont>("Name", &TFont::Name, &TFont::SetName),
       PropEnum<TFont, TFontPitch>("Pitch", &TFont::Pitch, &TFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"}),
       PropInt<TFont>("Size", &TFont::Size, &TFont::SetSize),
       PropSet<TFont, TFontStyles>("Style", &TFont::Style, &TFont::SetStyle,
                                   {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})});
  RegisterProperties<TControl>(
      "TControl",
      {PropInt<TControl>("Left", &TControl::Left, &TControl::SetLeft),
       PropInt<TControl>("Top", &TControl::Top, &TControl::SetTop),
       PropInt<TControl>("Width", &TControl::Width, &TControl::SetWidth),
       PropInt<TControl>("Height", &TControl::Height, &TControl::SetHeight),
       PropEnum<TControl, TAlign>("Align", &TControl::Align, &TControl::SetAlign,
                                  {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}),
       PropString<TControl>("Caption", &TControl::Caption, &TControl::SetCaption),
       PropBool<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled),
       PropBool<TControl>("Visible", &TControl::Visible, &TControl::SetVisible),
       PropString<TControl>("Hint", &TControl::Hint, &TControl::SetHint),
       PropBool<TControl>("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
       PropInt<TControl>("Cursor", &TControl::Cursor, &TControl::SetCursor),
       PropColor("Color", [](TPersistent* o) { return dynamic_cast<TControl*>(o)->Color(); },
                 [](TPersistent* o, int32_t v) { dynamic_cast<TControl*>(o)->SetColor(v); }),
       PropObject<TControl>("Font", &TControl::Font)});
  RegisterProperties<TCustomEdit>(
      "TCustomEdit", {PropString<TCustomEdit>("Text", &TCustomEdit::Text, &TCustomEdit::SetText),
                      PropInt<TCustomEdit>("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength),
                      PropBool<TCustomEdit>("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly),
                      PropChar<TCustomEdit>("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar)});
  RegisterProperties<TMemo>("TMemo", {PropObject<TMemo>("Lines", &TMemo::Lines)});
  RegisterProperties<TCheckBox>(
      "TCheckBox",
      {PropBool<TCheckBox>("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked),
       PropEnum<TCheckBox, TCheckBoxState>("State", &TCheckBox::State, &TCheckBox::SetState,
                                           {"cbUnchecked", "cbChecked", "cbGrayed"}),
       PropBool<TCheckBox>("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed)});
  RegisterProperties<TRadioButton>("TRadioButton",
                                   {PropBool<TRadioButton>("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked)});
  RegisterProperties<TButton>("TButton", {PropBool<TButton>("Default", &TButton::Default, &TButton::SetDefault),
                                          PropBool<TButton>("Cancel", &TButton::Cancel, &TButton::SetCancel),
                                          PropInt<TButton>("ModalResult", &TButton::ModalResult, &TButton::SetModalResult)});
  RegisterProperties<TCustomListBox>(
      "TCustomListBox",
      {PropObject<TCustomListBox>("Items", &TCustomListBox::Items),
       PropInt<TCustomListBox>("ItemIndex", &TCustomListBox::ItemIndex, &TCustomListBox::SetItemIndex),
       PropBool<TCustomListBox>("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect),
       PropBool<TCustomListBox>("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted)});
  RegisterProperties<TCustomComboBox>(
      "TCustomComboBox",
      {PropObject<TCustomComboBox>("Items", &TCustomComboBox::Items),
       PropInt<TCustomComboBox>("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex),
       PropString<TCustomComboBox>("Text", &TCustomComboBox::Text, &TCustomComboBox::SetText)});
  RegisterProperties<TRadioGroup>(
      "TRadioGroup", {PropObject<TRadioGroup>("Items", &TRadioGroup::Items),
                      PropInt<TRadioGroup>("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex),
                      PropInt<TRadioGroup>("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns)});
  RegisterProperties<TCustomForm>(
      "TCustomForm",
      {PropEnum<TCustomForm, TFormBorderStyle>(
           "BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
           {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}),
       PropEnum<TCustomForm, TPosition>("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
                                        {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                         "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"}),
       PropEnum<TCustomForm, TWindowState>("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState,
                                           {"wsNormal", "wsMinimized", "wsMaximized"}),
       PropBool<TCustomForm>("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview)});
  RegisterProperties<TTimer>("TTimer", {PropInt<TTimer>("Interval", &TTimer::Interval, &TTimer::SetInterval),
                                        PropBool<TTimer>("Enabled", &TTimer::Enabled, &TTimer::SetEnabled)});
  RegisterProperties<TProgressBar>("TProgressBar",
                                   {PropInt<TProgressBar>("Min", &TProgressBar::Min, &TProgressBar::SetMin),
                                    PropInt<TProgressBar>("Max", &TProgressBar::Max, &TProgressBar::SetMax),
                                    PropInt<TProgressBar>("Position", &TProgressBar::Position, &TProgressBar::SetPosition)});
  RegisterProperties<TStatusBar>(
      "TStatusBar", {PropBool<TStatusBar>("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel),
                     PropString<TStatusBar>("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)});
  RegisterProperties<TSpeedButton>("TSpeedButton",
                                   {PropBool<TSpeedButton>("Down", &TSpeedButton::Down, &TSpeedButton::SetDown),
                                    PropInt<TSpeedButton>("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex),
                                    PropBool<TSpeedButton>("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat)});
}

}  // namespace

TPropInfo PropColor(const std::string& Name, std::function<int32_t(TPersistent*)> Get,
                    std::function<void(TPersistent*, int32_t)> Set) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Integer;
  p.Get = [Get](TPersistent* o) { return IntToStr(Get(o)); };
  p.Set = [Set](TPersistent* o, const std::string& v) {
    int32_t c;
    if (!IdentToColor(v, c)) c = static_cast<int32_t>(StrToInt64Def(v, 0));
    Set(o, c);
  };
  return p;
}

void RegisterPropertyTable(const std::string& ClassName, TPropTest IsInstance, std::vector<TPropInfo> Props) {
  EnsureUiProperties();
  for (auto& t : Tables())
    if (t.ClassName == ClassName) {
      t.IsInstance = std::move(IsInstance);
      t.Props = std::move(Props);
      return;
    }
  Tables().push_back(TPropTable{ClassName, std::move(IsInstance), std::move(Props)});
}

std::vector<const TPropInfo*> GetPropList(TPersistent* Instance) {
  EnsureUiProperties();
  std::vector<const TPropInfo*> out;
  if (!Instance) return out;
  for (const auto& t : Tables()) {
    if (!t.IsInstance(Instance)) continue;
    for (const auto& p : t.Props) {
      bool replaced = false;
      for (auto& o : out)
        if (SameText(o->Name, p.Name)) {
          o = &p;
          replaced = true;
        }
      if (!replaced) out.push_back(&p);
    }
  }
  return out;
}

const TPropInfo* GetPropInfo(TPersistent* Instance, const std::string& Name) {
  for (const TPropInfo* p : GetPropList(Instance))
    if (SameText(p->Name, Name)) return p;
  return nullptr;
}

std::string GetPropValue(TPersistent* Instance, const std::string& Name) {
  const TPropInfo* p = GetPropInfo(Instance, Name);
  if (!p || !p->Get) throw EPropertyError("Unknown property: '" + Name + "'");
  return p->Get(Instance);
}

void SetPropValue(TPersistent* Instance, const std::string& Name, const std::string& Value) {
  const TPropInfo* p = GetPropInfo(Instance, Name);
  if (!p || !p->Set) throw EPropertyError("Unknown property: '" + Name + "'");
  p->Set(Instance, Value);
}
