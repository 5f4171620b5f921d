#include "framework/core/classes.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

[[noreturn]] void ListIndexError(int Index) {
  throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
}

[[noreturn]] void SortedListError() { throw EListError("Operation not allowed on sorted string list"); }

}  // namespace

std::string TObject::ClassName() const {
  const char* Mangled = typeid(*this).name();
  int Status = 0;
  std::unique_ptr<char, void (*)(void*)> Name(abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status), std::free);
  return Status == 0 && Name ? std::string(Name.get()) : std::string(Mangled);
}

// ---- TPersistent -------------------------------------------------------

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + Dest->ClassName());
}

// ---- TComponent --------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FComponentState |= csDestroying;
  while (!FFreeNotifies.empty()) {
    TComponent* C = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    C->FFreeNotifies.erase(std::remove(C->FFreeNotifies.begin(), C->FFreeNotifies.end(), this), C->FFreeNotifies.end());
    C->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) ListIndexError(Index);
  return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto It = std::find(FOwner->FComponents.begin(), FOwner->FComponents.end(), this);
  return static_cast<int>(It - FOwner->FComponents.begin());
}

void TComponent::SetName(const std::string& NewName) { FName = NewName; }

void TComponent::BeginLoading() {
  FComponentState |= csLoading;
  for (TComponent* C : FComponents) C->BeginLoading();
}

void TComponent::Loaded() { FComponentState &= ~csLoading; }

void TComponent::SetDesigning(bool Value) {
  if (Value)
    FComponentState |= csDesigning;
  else
    FComponentState &= ~csDesigning;
  for (TComponent* C : FComponents) C->SetDesigning(Value);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent), FComponents.end());
  AComponent->FOwner = nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  if (FComponentState & csDesigning) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* C = FComponents.back();
    Remove(C);
    delete C;
  }
}

// Components with the same owner hear of each other through the owner's
// Notification, so they need no entry here.
void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (FOwner && AComponent->FOwner == FOwner) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(AComponent);
    AComponent->FreeNotification(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent), FFreeNotifies.end());
  AComponent->FFreeNotifies.erase(std::remove(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this),
                                  AComponent->FFreeNotifies.end());
}

// Passes the news on to every owned component, so that siblings learn about
// each other; overrides call this.
void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  for (size_t I = 0; I < FComponents.size(); ++I) FComponents[I]->Notification(AComponent, Operation);
}

// ---- TList -------------------------------------------------------------

int TList::Add(void* Item) {
  FList.push_back(Item);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) ListIndexError(Index);
  FList.insert(FList.begin() + Index, Item);
}

void TList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  FList.erase(FList.begin() + Index);
}

int TList::Remove(void* Item) {
  int I = IndexOf(Item);
  if (I >= 0) Delete(I);
  return I;
}

int TList::IndexOf(const void* Item) const {
  auto It = std::find(FList.begin(), FList.end(), Item);
  return It == FList.end() ? -1 : static_cast<int>(It - FList.begin());
}

void* TList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return FList[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  FList[static_cast<size_t>(Index)] = Item;
}

void TList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= Count()) ListIndexError(Index1);
  if (Index2 < 0 || Index2 >= Count()) ListIndexError(Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

// ---- TStrings ----------------------------------------------------------

int TStrings::Add(const std::string& S) {
  int I = Count();
  Insert(I, S);
  return I;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int I = Add(S);
  PutObject(I, AObject);
  return I;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(TStrings* Strings) {
  BeginUpdate();
  try {
    for (int I = 0; I < Strings->Count(); ++I) AddObject(Strings->Get(I), Strings->GetObject(I));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const std::string& S) const {
  for (int I = 0; I < Count(); ++I)
    if (AnsiCompareText(Get(I), S) == 0) return I;
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int I = 0; I < Count(); ++I)
    if (GetObject(I) == AObject) return I;
  return -1;
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  std::string S = Get(Index1);
  TObject* O = GetObject(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, S);
  PutObject(Index2, O);
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TStrings*>(Source)) {
    if (S == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(S);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

bool TStrings::Equals(const TStrings& Strings) const {
  if (Count() != Strings.Count()) return false;
  for (int I = 0; I < Count(); ++I)
    if (Get(I) != Strings.Get(I)) return false;
  return true;
}

void TStrings::BeginUpdate() {
  if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

std::string TStrings::Text() const {
  std::string R;
  for (int I = 0; I < Count(); ++I) {
    R += Get(I);
    R += "\r\n";
  }
  return R;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    size_t I = 0;
    while (I < Value.size()) {
      size_t J = Value.find_first_of("\r\n", I);
      if (J == std::string::npos) J = Value.size();
      Add(Value.substr(I, J - I));
      if (J < Value.size() && Value[J] == '\r') ++J;
      if (J < Value.size() && Value[J] == '\n') ++J;
      I = J;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::Names(int Index) const {
  std::string S = Get(Index);
  size_t P = S.find('=');
  return P == std::string::npos ? std::string() : S.substr(0, P);
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I) {
    std::string S = Get(I);
    size_t P = S.find('=');
    if (P != std::string::npos && AnsiCompareText(S.substr(0, P), Name) == 0) return I;
  }
  return -1;
}

std::string TStrings::Values(const std::string& Name) const {
  int I = IndexOfName(Name);
  if (I < 0) return std::string();
  std::string S = Get(I);
  return S.substr(S.find('=') + 1);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int I = IndexOfName(Name);
  if (!Value.empty()) {
    if (I < 0) I = Add(std::string());
    Put(I, Name + "=" + Value);
  } else if (I >= 0) {
    Delete(I);
  }
}

void TStrings::LoadFromStream(TStream& Stream) {
  int64_t Size = Stream.Size() - Stream.Position();
  std::string S;
  if (Size > 0) {
    if (static_cast<uint64_t>(Size) > S.max_size() || Size > 0x7FFFFFFF) throw EOutOfMemory("Text too large to load");
    S.resize(static_cast<size_t>(Size));
    Stream.ReadBuffer(S.data(), static_cast<int32_t>(Size));
  }
  SetText(S);
}

void TStrings::SaveToStream(TStream& Stream) const {
  std::string S = Text();
  for (size_t Done = 0; Done < S.size();) {
    size_t N = std::min<size_t>(S.size() - Done, 0x7FFFFFFF);
    Stream.WriteBuffer(S.data() + Done, static_cast<int32_t>(N));
    Done += N;
  }
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream Stream(FileName, fmCreate);
  SaveToStream(Stream);
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* O = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, O);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

void TStrings::SetUpdateState(bool) {}

// ---- TStringList -------------------------------------------------------

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (!Updating) Changed();
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int Index;
  if (!FSorted) {
    Index = Count();
  } else if (Find(S, Index)) {
    if (FDuplicates == dupIgnore) return Index;
    if (FDuplicates == dupError) throw EListError("String list does not allow duplicates");
  }
  InsertItem(Index, S, AObject);
  return Index;
}

void TStringList::Insert(int Index, const std::string& S) {
  if (FSorted) SortedListError();
  if (Index < 0 || Index > Count()) ListIndexError(Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  FList.clear();
  Changed();
}

int TStringList::IndexOf(const std::string& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int Index;
  return Find(S, Index) ? Index : -1;
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

void TStringList::SetText(const std::string& Value) { TStrings::SetText(Value); }

bool TStringList::Find(const std::string& S, int& Index) const {
  // The first item not less than S, so equal items are found at their start.
  int L = 0, H = Count();
  while (L < H) {
    int M = L + (H - L) / 2;
    if (AnsiCompareText(FList[static_cast<size_t>(M)].FString, S) < 0)
      L = M + 1;
    else
      H = M;
  }
  Index = L;
  return L < Count() && AnsiCompareText(FList[static_cast<size_t>(L)].FString, S) == 0;
}

void TStringList::Sort() {
  std::stable_sort(FList.begin(), FList.end(), [](const TStringItem& A, const TStringItem& B) {
    return AnsiCompareText(A.FString, B.FString) < 0;
  });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) Sort();
  FSorted = Value;
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FString;
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) SortedListError();
  CheckIndex(Index);
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  FList[static_cast<size_t>(Index)].FObject = AObject;
  Changed();
}
