#include "controls/views/propsstorage.h"

#include <algorithm>
#include <map>

#include "framework/core/sysutils.h"
#include "framework/ui/forms.h"

namespace {

TComponent* FindOwned(TComponent* Owner, const std::string& Name) {
  if (!Owner || Name.empty()) return nullptr;
  for (int i = 0; i < Owner->ComponentCount(); ++i)
    if (SameText(Owner->Components(i)->Name(), Name)) return Owner->Components(i);
  return nullptr;
}

std::string ClassNameWithoutT(const TComponent* C) {
  std::string n = C->ClassName();
  return !n.empty() && (n[0] == 'T' || n[0] == 't') ? n.substr(1) : n;
}

}  // namespace

std::string TPropsStorage::ReadString(const std::string& ASection, const std::string& Item,
                                      const std::string& Default) {
  return OnReadString ? OnReadString(ASection, Item, Default) : std::string();
}

void TPropsStorage::WriteString(const std::string& ASection, const std::string& Item, const std::string& Value) {
  if (OnWriteString) OnWriteString(ASection, Item, Value);
}

void TPropsStorage::EraseSection(const std::string& ASection) {
  if (OnEraseSection) OnEraseSection(ASection);
}

TPropsStorage TPropsStorage::Nested(TPersistent* Object, const std::string& APrefix) const {
  TPropsStorage s;
  s.AObject = Object;
  s.Owner = Owner;
  s.Prefix = APrefix;
  s.Section = Section;
  s.OnReadString = OnReadString;
  s.OnWriteString = OnWriteString;
  s.OnEraseSection = OnEraseSection;
  return s;
}

std::string TPropsStorage::ComponentText(TPersistent* Value) const {
  auto* c = dynamic_cast<TComponent*>(Value);
  if (!c) return "(null)";
  TComponent* owner = c->Owner();
  if (!owner || owner == Owner) return c->Name();
  return (owner->Name().empty() ? ClassNameWithoutT(owner) : owner->Name()) + "." + c->Name();
}

TComponent* TPropsStorage::FindComponentText(const std::string& Text) const {
  if (SameText(Text, "(null)") || Text.empty()) return nullptr;
  const size_t dot = Text.find('.');
  if (dot == std::string::npos) return FindOwned(Owner, Text);
  const std::string ownerName = Text.substr(0, dot);
  for (int i = 0; Screen && i < Screen->FormCount(); ++i)
    if (SameText(Screen->Forms(i)->Name(), ownerName)) return FindOwned(Screen->Forms(i), Text.substr(dot + 1));
  return nullptr;
}

void TPropsStorage::StoreObject(TPersistent* Object, const std::string& Name) {
  if (auto* list = dynamic_cast<TStrings*>(Object)) {
    const std::string section = Section + "." + GetItemName(Name);
    EraseSection(section);
    if (list->Count() > 0) WriteString(section, "Count", IntToStr(list->Count()));
    for (int i = 0; i < list->Count(); ++i) WriteString(section, "Item" + IntToStr(i), list->Strings(i));
    return;
  }
  TPropsStorage nested = Nested(Object, GetItemName(Name));
  for (const TPropInfo* p : GetPropList(Object)) nested.StoreAnyProperty(*p);
}

void TPropsStorage::LoadObject(TPersistent* Object, const std::string& Name) {
  if (auto* list = dynamic_cast<TStrings*>(Object)) {
    const std::string section = Section + "." + GetItemName(Name);
    const int n = StrToIntDef(Trim(ReadString(section, "Count", "0")), 0);
    if (n <= 0) return;
    TStringList lines;
    for (int i = 0; i < n; ++i) lines.Add(ReadString(section, "Item" + IntToStr(i), ""));
    list->Assign(&lines);
    return;
  }
  TPropsStorage nested = Nested(Object, GetItemName(Name));
  for (const TPropInfo* p : GetPropList(Object)) nested.LoadAnyProperty(*p);
}

void TPropsStorage::StoreAnyProperty(const TPropInfo& Prop) {
  if (!AObject) return;
  if (Prop.Kind == TPropKind::Class) {
    TPersistent* value = Prop.GetObject ? Prop.GetObject(AObject) : nullptr;
    if (Prop.SetObject) {
      WriteString(Section, GetItemName(Prop.Name), ComponentText(value));
    } else if (value) {
      StoreObject(value, Prop.Name);
    }
    return;
  }
  if (!Prop.Get) return;
  const std::string text = Trim(Prop.Get(AObject));
  if (text.empty() && Prop.Kind != TPropKind::String && Prop.Kind != TPropKind::Char) return;
  WriteString(Section, GetItemName(Prop.Name), text);
}

void TPropsStorage::LoadAnyProperty(const TPropInfo& Prop) {
  if (!AObject) return;
  if (Prop.Kind == TPropKind::Class) {
    TPersistent* value = Prop.GetObject ? Prop.GetObject(AObject) : nullptr;
    if (Prop.SetObject) {
      const std::string text = Trim(ReadString(Section, GetItemName(Prop.Name), ComponentText(value)));
      Prop.SetObject(AObject, FindComponentText(text));
    } else if (value) {
      LoadObject(value, Prop.Name);
    }
    return;
  }
  if (!Prop.Get || !Prop.Set) return;
  const std::string current = Prop.Get(AObject);
  const std::string text = Trim(ReadString(Section, GetItemName(Prop.Name), current));
  // A character needs one; an unknown enumeration name leaves the value.
  if (Prop.Kind == TPropKind::Char && text.empty()) return;
  if (Prop.Kind == TPropKind::Enumeration &&
      std::none_of(Prop.Names.begin(), Prop.Names.end(), [&](const std::string& N) { return SameText(N, text); }))
    return;
  Prop.Set(AObject, text);
}

void TPropsStorage::StoreProperties(const std::vector<std::string>& Names) {
  for (const std::string& n : Names)
    if (const TPropInfo* p = GetPropInfo(AObject, n)) StoreAnyProperty(*p);
}

void TPropsStorage::LoadProperties(const std::vector<std::string>& Names) {
  for (const std::string& n : Names)
    if (const TPropInfo* p = GetPropInfo(AObject, n)) LoadAnyProperty(*p);
}

bool ParseStoredProp(const std::string& Line, std::string& Component, std::string& Property) {
  const size_t dot = Line.find('.');
  if (dot == std::string::npos) return false;
  Component = Trim(Line.substr(0, dot));
  Property = Trim(Line.substr(dot + 1));
  return !Component.empty() && !Property.empty();
}

void RefreshStoredPropList(TComponent* Owner, TStrings* StoredProps, bool FromForm) {
  for (int i = StoredProps->Count() - 1; i >= 0; --i) {
    std::string component, property;
    if (!ParseStoredProp(StoredProps->Strings(i), component, property)) {
      StoredProps->Delete(i);
      continue;
    }
    if (FromForm) {
      TComponent* c = SameText(component, Owner->Name()) ? Owner : FindOwned(Owner, component);
      if (c) StoredProps->SetObjects(i, c);
      else StoredProps->Delete(i);
    } else if (auto* c = dynamic_cast<TComponent*>(StoredProps->Objects(i))) {
      StoredProps->SetStrings(i, c->Name() + "." + property);
    } else {
      StoredProps->Delete(i);
    }
  }
}

namespace {

void WalkStoredProps(TPropsStorage& Storage, TComponent* Owner, TStrings* StoredProps, bool Save) {
  RefreshStoredPropList(Owner, StoredProps, true);
  Storage.Owner = Owner;
  for (int i = 0; i < StoredProps->Count(); ++i) {
    std::string component, property;
    auto* c = dynamic_cast<TComponent*>(StoredProps->Objects(i));
    if (!c || !ParseStoredProp(StoredProps->Strings(i), component, property)) continue;
    Storage.AObject = c;
    // Values of a component's properties are named after it.
    Storage.Prefix = c->Name() + "_";
    const TPropInfo* p = GetPropInfo(c, property);
    if (!p) continue;
    if (Save) Storage.StoreAnyProperty(*p);
    else Storage.LoadAnyProperty(*p);
  }
}

}  // namespace

void SaveStoredProps(TPropsStorage& Storage, TComponent* Owner, TStrings* StoredProps) {
  WalkStoredProps(Storage, Owner, StoredProps, true);
}

void LoadStoredProps(TPropsStorage& Storage, TComponent* Owner, TStrings* StoredProps) {
  WalkStoredProps(Storage, Owner, StoredProps, false);
}
