// TFormPlacement remembers where a form was (position, size, state, active
// control) in the registry or an INI file; TFormStorage also keeps named
// published properties of the form's components.
#pragma once
#include <memory>
#include <string>

#include "controls/views/windowhook.h"
#include "framework/core/inifiles.h"
#include "framework/ui/forms.h"

enum TPlacementOption : int { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = unsigned;
constexpr TPlacementOptions PlacementBit(TPlacementOption O) { return 1u << O; }

class TFormPlacement;

// Tracking limits; 0 leaves a field to the system.
class TWinMinMaxInfo : public TPersistent {
 public:
  enum : int {
    MaxPosLeft, MaxPosTop, MaxSizeHeight, MaxSizeWidth, MaxTrackHeight, MaxTrackWidth, MinTrackHeight, MinTrackWidth
  };
  int Value(int Index) const { return FValues[Index]; }
  void SetValue(int Index, int Value);
  bool DefaultMinMaxInfo() const;
  void Assign(TPersistent* Source) override;

 private:
  friend class TFormPlacement;
  TFormPlacement* FOwner = nullptr;
  int FValues[8] = {};
};

class TFormPlacement : public TComponent {
 public:
  explicit TFormPlacement(TComponent* AOwner);
  ~TFormPlacement() override;

  // Takes over the form's OnShow, OnCloseQuery and OnDestroy (keeping them)
  // and attaches the limits hook. Call once the form has its own handlers.
  void Loaded() override;

  bool Active() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }
  // Key (registry) or file (INI); '' means the default for the kind.
  std::string IniFileName() const;
  void SetIniFileName(const std::string& Value) { FIniFileName = Value; }
  std::string IniSection() const;
  void SetIniSection(const std::string& Value) { FIniSection = Value; }
  TWinMinMaxInfo* MinMaxInfo() { return &FMinMaxInfo; }
  TPlacementOptions Options = PlacementBit(fpState) | PlacementBit(fpPosition);
  bool PreventResize() const { return FPreventResize; }
  void SetPreventResize(bool Value);
  bool UseRegistry = false;
  TNotifyEvent OnSavePlacement;
  TNotifyEvent OnRestorePlacement;

  void SaveFormPlacement();
  void RestoreFormPlacement();
  std::string ReadString(const std::string& Ident, const std::string& Default);
  void WriteString(const std::string& Ident, const std::string& Value);
  int ReadInteger(const std::string& Ident, int Default);
  void WriteInteger(const std::string& Ident, int Value);
  bool Restored() const { return FRestored; }
  // Re-applies the limits after MinMaxInfo changed.
  void UpdatePlacement();

 protected:
  virtual void SavePlacement();
  virtual void RestorePlacement();
  TCustomIniFile* Storage() const { return FStorage.get(); }
  // True when it was open already; CloseStorage then leaves it open.
  bool OpenStorage();
  void CloseStorage(bool WasOpen);
  TCustomForm* Form() const;

 private:
  void UpdateHook();
  void FormShow(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormDestroy(TObject* Sender);
  void HookAfter(TMessage& Msg, bool& Handled);

  bool FActive = true;
  std::string FIniFileName, FIniSection;
  TWinMinMaxInfo FMinMaxInfo;
  bool FPreventResize = false;
  std::unique_ptr<TCustomIniFile> FStorage;
  TWindowHook* FHook = nullptr;
  TNotifyEvent FSavedShow, FSavedDestroy;
  TCloseQueryEvent FSavedCloseQuery;
  bool FHooked = false, FSaved = false, FRestored = false, FDestroying = false;
};

class TFormStorage : public TFormPlacement {
 public:
  explicit TFormStorage(TComponent* AOwner);
  ~TFormStorage() override;
  // "Component.Property" lines.
  TStrings* StoredProps() { return FStoredProps.get(); }
  void Loaded() override;
  void SaveProperties();
  void RestoreProperties();

 protected:
  void SavePlacement() override;
  void RestorePlacement() override;

 private:
  std::unique_ptr<TStrings> FStoredProps;
};

// The registry key (below HKEY_CURRENT_USER) as an INI storage.
std::unique_ptr<TCustomIniFile> RegistryStorage(const std::string& Key);
// The unit's routines, shared by both components and the property storage.
std::string DefaultPlacementSection(TComponent* Component);
std::string DefaultIniFileName();
std::string DefaultRegistryKey();
std::string ScreenSizeSuffix();
std::string StorageReadString(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident,
                              const std::string& Default);
void StorageWriteString(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident,
                        const std::string& Value);
int StorageReadInteger(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident, int Default);
void StorageWriteInteger(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident, int Value);
void WriteFormPlacement(TCustomForm* Form, TCustomIniFile* Storage, const std::string& Section);
void ReadFormPlacement(TCustomForm* Form, TCustomIniFile* Storage, const std::string& Section, bool LoadPosition,
                       bool LoadState);
