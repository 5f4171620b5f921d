// Object, persistent, component and list classes in the shape of Delphi's
// Classes unit.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/streams.h"
#include "framework/core/sysutils.h"

class TObject {
 public:
  virtual ~TObject() = default;
  // The C++ class name ("TStringList"), for messages.
  std::string ClassName() const;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Index out of range, duplicates refused, operations a sorted list forbids.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

class TPersistent : public TObject {
 public:
  // Copies Source into this object; raises EConvertError ("Cannot assign a
  // X to a Y") when neither side knows how.
  virtual void Assign(TPersistent* Source);

 protected:
  // Lets a source class teach an older destination class to take it.
  virtual void AssignTo(TPersistent* Dest);
};

enum TOperation : int { opInsert, opRemove };

using TComponentState = uint32_t;
enum : TComponentState {
  csLoading = 0x01,
  csDestroying = 0x02,
  csDesigning = 0x04,
};

// Owns the components created with it as owner and deletes them in its
// destructor. Components that asked through FreeNotification hear about each
// other's destruction through Notification(..., opRemove).
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const;
  int ComponentIndex() const;  // position in the owner's list, -1 without owner

  const std::string& Name() const { return FName; }
  virtual void SetName(const std::string& NewName);

  TComponentState ComponentState() const { return FComponentState; }
  // Sets csLoading here and on every owned component; Loaded clears it.
  void BeginLoading();
  // Called once the component's properties have all been set.
  virtual void Loaded();
  void SetDesigning(bool Value);

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();

  // AComponent is told (Notification opRemove) when this component is
  // destroyed, and vice versa. Components of one owner need not ask: the
  // owner passes every opRemove on to all it owns.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  int Tag = 0;

 protected:
  // Owner hears opInsert/opRemove for components it gains or loses, and every
  // component that asked hears opRemove when AComponent is destroyed.
  // Overrides call this one, which passes the news on to owned components.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  TComponentState FComponentState = 0;

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

// A list of untyped pointers, which it does not own.
class TList {
 public:
  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  int Remove(void* Item);  // returns the former index, -1 when absent
  int IndexOf(const void* Item) const;
  int Count() const { return static_cast<int>(FList.size()); }
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* operator[](int Index) const { return Items(Index); }
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }
  void Exchange(int Index1, int Index2);
  void Clear() { FList.clear(); }

 private:
  std::vector<void*> FList;
};

enum TDuplicates : int { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
 public:
  virtual int Count() const = 0;
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  std::string operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  virtual void Insert(int Index, const std::string& S) = 0;
  void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual void AddStrings(TStrings* Strings);
  virtual int IndexOf(const std::string& S) const;  // case-insensitive, -1 when absent
  int IndexOfObject(TObject* AObject) const;
  virtual void Exchange(int Index1, int Index2);
  void Assign(TPersistent* Source) override;
  bool Equals(const TStrings& Strings) const;

  // Nested BeginUpdate/EndUpdate hold back change notification.
  void BeginUpdate();
  void EndUpdate();

  // Every line followed by CRLF; setting accepts CRLF, CR and LF.
  virtual std::string Text() const;
  virtual void SetText(const std::string& Value);

  // "name=value" lines; names compare case-insensitively.
  std::string Names(int Index) const;
  std::string Values(const std::string& Name) const;
  // An empty value deletes the line.
  void SetValues(const std::string& Name, const std::string& Value);
  int IndexOfName(const std::string& Name) const;

  virtual void LoadFromStream(TStream& Stream);  // from the position to the end
  virtual void SaveToStream(TStream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 protected:
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);
  virtual TObject* GetObject(int Index) const;
  virtual void PutObject(int Index, TObject* AObject);
  // Called with true on the first BeginUpdate, false on the last EndUpdate.
  virtual void SetUpdateState(bool Updating);
  int UpdateCount() const { return FUpdateCount; }

 private:
  int FUpdateCount = 0;
};

class TStringList : public TStrings {
 public:
  TStringList() = default;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;

  int Count() const override { return static_cast<int>(FList.size()); }
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;  // EListError when Sorted
  void Delete(int Index) override;
  void Clear() override;
  int IndexOf(const std::string& S) const override;
  void Exchange(int Index1, int Index2) override;
  void SetText(const std::string& Value) override;

  // Binary search of a sorted list: true when found; Index is the match or
  // the place S would go.
  virtual bool Find(const std::string& S, int& Index) const;
  virtual void Sort();

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  // Consulted only while Sorted.
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

  TNotifyEvent OnChange;

 protected:
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;
  virtual void Changed();

 private:
  struct TStringItem {
    std::string FString;
    TObject* FObject;
  };
  void CheckIndex(int Index) const;
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  std::vector<TStringItem> FList;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
};
