// TPropsStorage writes chosen published properties of components as named
// texts into a section and reads them back, through three events; it knows
// nothing of where the texts are kept.
#pragma once
#include <functional>
#include <string>

#include "framework/core/classes.h"
#include "framework/ui/props.h"

class TPropsStorage : public TObject {
 public:
  TPersistent* AObject = nullptr;
  TComponent* Owner = nullptr;
  std::string Prefix;
  std::string Section;
  std::function<std::string(const std::string& Section, const std::string& Ident, const std::string& Default)>
      OnReadString;
  std::function<void(const std::string& Section, const std::string& Ident, const std::string& Value)> OnWriteString;
  std::function<void(const std::string& Section)> OnEraseSection;

  virtual std::string ReadString(const std::string& ASection, const std::string& Item, const std::string& Default);
  virtual void WriteString(const std::string& ASection, const std::string& Item, const std::string& Value);
  virtual void EraseSection(const std::string& ASection);
  virtual std::string GetItemName(const std::string& APropName) const { return Prefix + APropName; }

  void StoreAnyProperty(const TPropInfo& Prop);
  void LoadAnyProperty(const TPropInfo& Prop);
  // Every listed property of AObject.
  void StoreProperties(const std::vector<std::string>& Names);
  void LoadProperties(const std::vector<std::string>& Names);

 private:
  TPropsStorage Nested(TPersistent* Object, const std::string& APrefix) const;
  void StoreObject(TPersistent* Object, const std::string& Name);
  void LoadObject(TPersistent* Object, const std::string& Name);
  std::string ComponentText(TPersistent* Value) const;
  TComponent* FindComponentText(const std::string& Text) const;
};

// Binds "Component.Property" lines to Owner's components (FromForm) or
// rewrites them from the bound components' current names; unusable lines go.
void RefreshStoredPropList(TComponent* Owner, TStrings* StoredProps, bool FromForm);
void SaveStoredProps(TPropsStorage& Storage, TComponent* Owner, TStrings* StoredProps);
void LoadStoredProps(TPropsStorage& Storage, TComponent* Owner, TStrings* StoredProps);
// Splits a line into its trimmed parts; false when either is empty.
bool ParseStoredProp(const std::string& Line, std::string& Component, std::string& Property);
