// Builders for property-table entries of this folder that the window layer's
// builders do not cover: public fields and Boolean fields.
#pragma once
#include <string>

#include "framework/ui/props.h"

template <class T, class F>
TPropInfo PropBoolField(const std::string& Name, F T::*Field) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Enumeration;
  p.Names = {"False", "True"};
  p.Get = [Field](TPersistent* o) { return std::string((dynamic_cast<T*>(o)->*Field) ? "True" : "False"); };
  p.Set = [Field](TPersistent* o, const std::string& v) { dynamic_cast<T*>(o)->*Field = SameText(v, "True"); };
  return p;
}

template <class T, class F>
TPropInfo PropEnumField(const std::string& Name, F T::*Field, std::vector<std::string> Names) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Enumeration;
  p.Names = Names;
  p.Get = [Field, Names](TPersistent* o) {
    int v = static_cast<int>(dynamic_cast<T*>(o)->*Field);
    return v >= 0 && v < static_cast<int>(Names.size()) ? Names[static_cast<size_t>(v)] : IntToStr(v);
  };
  p.Set = [Field, Names](TPersistent* o, const std::string& v) {
    for (size_t i = 0; i < Names.size(); ++i)
      if (SameText(Names[i], v)) dynamic_cast<T*>(o)->*Field = static_cast<F>(i);
  };
  return p;
}

template <class T>
TPropInfo PropStringField(const std::string& Name, std::string T::*Field) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::String;
  p.Get = [Field](TPersistent* o) { return dynamic_cast<T*>(o)->*Field; };
  p.Set = [Field](TPersistent* o, const std::string& v) { dynamic_cast<T*>(o)->*Field = v; };
  return p;
}

template <class T, class G, class S>
TPropInfo PropColorOf(const std::string& Name, G Getter, S Setter) {
  return PropColor(
      Name, [Getter](TPersistent* o) { return static_cast<int32_t>((dynamic_cast<T*>(o)->*Getter)()); },
      [Setter](TPersistent* o, int32_t v) { (dynamic_cast<T*>(o)->*Setter)(static_cast<TColor>(v)); });
}
