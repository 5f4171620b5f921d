// Published properties stored by name: one small table per class (name,
// kind, get as text, set from text), registered once. The property storage
// reads and writes through it; nothing else needs reflection.
#pragma once
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "framework/core/classes.h"

enum class TPropKind { Integer, Char, Enumeration, Float, String, Set, Class };

struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::String;
  std::function<std::string(TPersistent* Instance)> Get;
  // Empty for read-only properties and for Class properties.
  std::function<void(TPersistent* Instance, const std::string& Value)> Set;
  // Class properties: the object held (a TFont, a TStrings, a component).
  std::function<TPersistent*(TPersistent* Instance)> GetObject;
  // Class properties that reference a component: sets it (nullptr clears).
  std::function<void(TPersistent* Instance, TPersistent* Value)> SetObject;
  // Enumeration values, or set members by bit, in order.
  std::vector<std::string> Names;
};

using TPropTest = std::function<bool(const TPersistent* Instance)>;
void RegisterPropertyTable(const std::string& ClassName, TPropTest IsInstance, std::vector<TPropInfo> Props);

template <class T>
void RegisterProperties(const std::string& ClassName, std::vector<TPropInfo> Props) {
  RegisterPropertyTable(ClassName, [](const TPersistent* p) { return dynamic_cast<const T*>(p) != nullptr; },
                        std::move(Props));
}

// The properties of Instance's class and of every registered class it
// derives from, in registration order.
std::vector<const TPropInfo*> GetPropList(TPersistent* Instance);
// Case-insensitive; nullptr when there is none.
const TPropInfo* GetPropInfo(TPersistent* Instance, const std::string& Name);
// EConvertError (EPropertyError) when the property does not exist.
std::string GetPropValue(TPersistent* Instance, const std::string& Name);
void SetPropValue(TPersistent* Instance, const std::string& Name, const std::string& Value);

class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

// Table builders. Getter and setter are member functions of T.
template <class T, class G, class S>
TPropInfo PropInt(const std::string& Name, G Getter, S Setter) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Integer;
  p.Get = [Getter](TPersistent* o) { return IntToStr(static_cast<int64_t>((dynamic_cast<T*>(o)->*Getter)())); };
  p.Set = [Setter](TPersistent* o, const std::string& v) { (dynamic_cast<T*>(o)->*Setter)(StrToIntDef(v, 0)); };
  return p;
}

template <class T, class G, class S>
TPropInfo PropString(const std::string& Name, G Getter, S Setter) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::String;
  p.Get = [Getter](TPersistent* o) { return std::string((dynamic_cast<T*>(o)->*Getter)()); };
  p.Set = [Setter](TPersistent* o, const std::string& v) { (dynamic_cast<T*>(o)->*Setter)(v); };
  return p;
}

template <class T, class G, class S>
TPropInfo PropChar(const std::string& Name, G Getter, S Setter) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Char;
  p.Get = [Getter](TPersistent* o) {
    char c = (dynamic_cast<T*>(o)->*Getter)();
    return c ? std::string(1, c) : std::string();
  };
  p.Set = [Setter](TPersistent* o, const std::string& v) {
    if (!v.empty()) (dynamic_cast<T*>(o)->*Setter)(v[0]);
  };
  return p;
}

// Enumerations (and Boolean, names {"False", "True"}): the value's name.
template <class T, class E, class G, class S>
TPropInfo PropEnum(const std::string& Name, G Getter, S Setter, std::vector<std::string> Names) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Enumeration;
  p.Names = Names;
  p.Get = [Getter, Names](TPersistent* o) {
    int v = static_cast<int>((dynamic_cast<T*>(o)->*Getter)());
    return v >= 0 && v < static_cast<int>(Names.size()) ? Names[static_cast<size_t>(v)] : IntToStr(v);
  };
  p.Set = [Setter, Names](TPersistent* o, const std::string& v) {
    for (size_t i = 0; i < Names.size(); ++i)
      if (SameText(Names[i], v)) {
        (dynamic_cast<T*>(o)->*Setter)(static_cast<E>(i));
        return;
      }
  };
  return p;
}

template <class T, class G, class S>
TPropInfo PropBool(const std::string& Name, G Getter, S Setter) {
  return PropEnum<T, bool>(Name, Getter, Setter, {"False", "True"});
}

// Sets held as bit masks: "[a,b]" with the names of the bits set.
template <class T, class M, class G, class S>
TPropInfo PropSet(const std::string& Name, G Getter, S Setter, std::vector<std::string> Names) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Set;
  p.Names = Names;
  p.Get = [Getter, Names](TPersistent* o) {
    auto v = static_cast<uint32_t>((dynamic_cast<T*>(o)->*Getter)());
    std::string s = "[";
    for (size_t i = 0; i < Names.size() && i < 32; ++i)
      if (v & (1u << i)) s += (s.size() > 1 ? "," : "") + Names[i];
    return s + "]";
  };
  p.Set = [Setter, Names](TPersistent* o, const std::string& v) {
    uint32_t bits = 0;
    std::string word;
    auto flush = [&] {
      for (size_t i = 0; i < Names.size() && i < 32; ++i)
        if (!word.empty() && SameText(Names[i], word)) bits |= 1u << i;
      word.clear();
    };
    for (char c : v) {
      if (c == '[' || c == ']' || c == ',' || c == ' ')
        flush();
      else
        word += c;
    }
    flush();
    (dynamic_cast<T*>(o)->*Setter)(static_cast<M>(bits));
  };
  return p;
}

template <class T, class G>
TPropInfo PropObject(const std::string& Name, G Getter) {
  TPropInfo p;
  p.Name = Name;
  p.Kind = TPropKind::Class;
  p.GetObject = [Getter](TPersistent* o) -> TPersistent* { return (dynamic_cast<T*>(o)->*Getter)(); };
  return p;
}

TPropInfo PropColor(const std::string& Name, std::function<int32_t(TPersistent*)> Get,
                    std::function<void(TPersistent*, int32_t)> Set);
