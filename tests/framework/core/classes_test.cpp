#include "framework/core/classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/testsupport.h"

namespace {

struct TEvent {
  std::string Who;
  std::string What;
  std::string About;
  bool Destroying;  // state of the component the event is about
};

// Names are set after the owner has heard of the insertion, so inserts are
// logged by address.
std::string PtrId(const void* P) { return std::to_string(reinterpret_cast<uintptr_t>(P)); }

// Records what it hears and when it dies into a shared log.
class TProbe : public TComponent {
 public:
  TProbe(TComponent* AOwner, const std::string& AName, std::vector<TEvent>& ALog) : TComponent(AOwner), Log(ALog) {
    SetName(AName);
  }
  ~TProbe() override { Log.push_back({Name(), "destroyed", Name(), false}); }
  TComponent* Linked = nullptr;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    Log.push_back({Name(), Operation == opInsert ? "insert" : "remove",
                   Operation == opInsert ? PtrId(AComponent) : AComponent->Name(),
                   (AComponent->ComponentState() & csDestroying) != 0});
    if (Operation == opRemove && AComponent == Linked) Linked = nullptr;
  }

 private:
  std::vector<TEvent>& Log;
};

bool Heard(const std::vector<TEvent>& Log, const std::string& Who, const std::string& What, const std::string& About) {
  for (const TEvent& E : Log)
    if (E.Who == Who && E.What == What && E.About == About) return true;
  return false;
}

TEST(Component, OwnerDeletesOwnedComponentsAndHearsInserts) {
  std::vector<TEvent> Log;
  auto* Owner = new TProbe(nullptr, "Owner", Log);
  auto* A = new TProbe(Owner, "A", Log);
  auto* B = new TProbe(Owner, "B", Log);
  auto* BChild = new TProbe(B, "BChild", Log);
  EXPECT_EQ(Owner->ComponentCount(), 2);
  EXPECT_EQ(Owner->Components(0), A);
  EXPECT_EQ(B->ComponentIndex(), 1);
  EXPECT_EQ(BChild->Owner(), B);
  EXPECT_TRUE(Heard(Log, "Owner", "insert", PtrId(A)));
  EXPECT_TRUE(Heard(Log, "Owner", "insert", PtrId(B)));
  EXPECT_THROW(Owner->Components(2), EListError);

  Log.clear();
  delete Owner;
  std::vector<std::string> Deaths;
  for (const TEvent& E : Log)
    if (E.What == "destroyed") Deaths.push_back(E.Who);
  // Last created goes first; each component's own destructor runs before
  // the components it owns are deleted.
  EXPECT_EQ(Deaths, (std::vector<std::string>{"Owner", "B", "BChild", "A"}));
}

TEST(Component, DeletingOwnedComponentLeavesOwnerAndTellsSiblings) {
  std::vector<TEvent> Log;
  TProbe Owner(nullptr, "Owner", Log);
  auto* A = new TProbe(&Owner, "A", Log);
  auto* B = new TProbe(&Owner, "B", Log);
  B->Linked = A;
  delete A;
  EXPECT_EQ(Owner.ComponentCount(), 1);
  EXPECT_EQ(Owner.Components(0), B);
  EXPECT_TRUE(Heard(Log, "Owner", "remove", "A"));
  EXPECT_TRUE(Heard(Log, "B", "remove", "A"));  // passed on by the owner
  EXPECT_EQ(B->Linked, nullptr);
}

TEST(Component, FreeNotificationFiresAcrossOwnersBothWays) {
  std::vector<TEvent> Log;
  TProbe Form1(nullptr, "Form1", Log);
  TProbe Form2(nullptr, "Form2", Log);
  auto* Watcher = new TProbe(&Form1, "Watcher", Log);
  auto* Target = new TProbe(&Form2, "Target", Log);
  auto* Other = new TProbe(&Form2, "Other", Log);
  Watcher->Linked = Target;
  Target->FreeNotification(Watcher);
  Other->FreeNotification(Watcher);

  delete Target;
  EXPECT_TRUE(Heard(Log, "Watcher", "remove", "Target"));
  EXPECT_EQ(Watcher->Linked, nullptr);
  for (const TEvent& E : Log) {
    if (E.Who == "Watcher" && E.About == "Target") {
      EXPECT_TRUE(E.Destroying);
    }
  }

  // The link is symmetric: Other learns of Watcher's end, and Watcher, now
  // gone, is not told about Other later (ASan would see the dangling call).
  delete Watcher;
  EXPECT_TRUE(Heard(Log, "Other", "remove", "Watcher"));
  delete Other;

  Log.clear();
  auto* X = new TProbe(&Form1, "X", Log);
  auto* Y = new TProbe(&Form2, "Y", Log);
  Y->FreeNotification(X);
  X->RemoveFreeNotification(Y);
  delete Y;
  EXPECT_FALSE(Heard(Log, "X", "remove", "Y"));
}

TEST(Component, InsertComponentMovesBetweenOwners) {
  std::vector<TEvent> Log;
  TProbe Old(nullptr, "Old", Log);
  TProbe New(nullptr, "New", Log);
  auto* C = new TProbe(&Old, "C", Log);
  New.InsertComponent(C);
  EXPECT_EQ(Old.ComponentCount(), 0);
  EXPECT_EQ(New.ComponentCount(), 1);
  EXPECT_EQ(C->Owner(), &New);
  EXPECT_TRUE(Heard(Log, "Old", "remove", "C"));
  New.RemoveComponent(C);
  EXPECT_EQ(C->Owner(), nullptr);
  EXPECT_EQ(C->ComponentIndex(), -1);
  delete C;
}

TEST(Component, LoadingAndDesigningStates) {
  std::vector<TEvent> Log;
  TProbe Owner(nullptr, "Owner", Log);
  auto* C = new TProbe(&Owner, "C", Log);
  Owner.BeginLoading();
  EXPECT_TRUE(Owner.ComponentState() & csLoading);
  EXPECT_TRUE(C->ComponentState() & csLoading);
  C->Loaded();
  Owner.Loaded();
  EXPECT_FALSE(Owner.ComponentState() & csLoading);
  EXPECT_FALSE(C->ComponentState() & csLoading);

  Owner.SetDesigning(true);
  auto* Late = new TProbe(&Owner, "Late", Log);
  EXPECT_TRUE(C->ComponentState() & csDesigning);
  EXPECT_TRUE(Late->ComponentState() & csDesigning);
}

TEST(Persistent, AssignWithoutSupportRaisesConvertError) {
  TComponent A(nullptr), B(nullptr);
  try {
    A.Assign(&B);
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_NE(E.Message().find("Cannot assign a TComponent to a TComponent"), std::string::npos) << E.Message();
  }
  TStringList L;
  EXPECT_THROW(L.Assign(&A), EConvertError);
  EXPECT_THROW(L.Assign(nullptr), EConvertError);
}

TEST(List, KeepsOrderAndChecksIndexes) {
  int V[4] = {};
  TList L;
  EXPECT_EQ(L.Add(&V[0]), 0);
  EXPECT_EQ(L.Add(&V[2]), 1);
  L.Insert(1, &V[1]);
  L.Insert(3, &V[3]);
  ASSERT_EQ(L.Count(), 4);
  for (int I = 0; I < 4; ++I) EXPECT_EQ(L[I], &V[I]);
  EXPECT_EQ(L.IndexOf(&V[2]), 2);
  EXPECT_EQ(L.Remove(&V[0]), 0);
  EXPECT_EQ(L.Remove(&V[0]), -1);
  L.Delete(0);
  EXPECT_EQ(L.First(), &V[2]);
  EXPECT_EQ(L.Last(), &V[3]);
  L.Exchange(0, 1);
  EXPECT_EQ(L.Items(0), &V[3]);
  EXPECT_THROW(L.Items(2), EListError);
  EXPECT_THROW(L.Insert(3, nullptr), EListError);
  EXPECT_THROW(L.Delete(-1), EListError);
  L.Clear();
  EXPECT_EQ(L.Count(), 0);
  EXPECT_THROW(L.Last(), EListError);
}

std::vector<std::string> Lines(const TStrings& S) {
  std::vector<std::string> R;
  for (int I = 0; I < S.Count(); ++I) R.push_back(S[I]);
  return R;
}

TEST(StringList, SortedListKeepsCaseInsensitiveOrderAndFinds) {
  TStringList L;
  for (const char* S : {"delta", "Bravo", "alpha", "Charlie", "ALPHA2", "echo"}) L.Add(S);
  L.SetSorted(true);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"alpha", "ALPHA2", "Bravo", "Charlie", "delta", "echo"}));
  EXPECT_EQ(L.Add("bravo2"), 3);
  EXPECT_EQ(L.Add("Aardvark"), 0);

  struct {
    const char* Key;
    bool Found;
    int Index;
  } const Cases[] = {{"BRAVO", true, 3}, {"aardvark", true, 0}, {"a", false, 0}, {"zulu", false, 8}, {"c", false, 5}};
  for (const auto& C : Cases) {
    int Index = -1;
    EXPECT_EQ(L.Find(C.Key, Index), C.Found) << C.Key;
    EXPECT_EQ(Index, C.Index) << C.Key;
  }
  EXPECT_EQ(L.IndexOf("CHARLIE"), 5);
  EXPECT_EQ(L.IndexOf("foxtrot"), -1);
  EXPECT_THROW(L.Insert(0, "x"), EListError);
  EXPECT_THROW(L.SetStrings(0, "x"), EListError);
}

TEST(StringList, DuplicatesRuleSortedAdds) {
  struct {
    TDuplicates Dup;
    bool Raises;
    int Count;
  } const Cases[] = {{dupIgnore, false, 2}, {dupAccept, false, 3}, {dupError, true, 2}};
  for (const auto& C : Cases) {
    TStringList L;
    L.SetSorted(true);
    L.SetDuplicates(C.Dup);
    L.Add("one");
    L.Add("two");
    if (C.Raises) {
      EXPECT_THROW(L.Add("ONE"), EListError);
    } else {
      int I = L.Add("ONE");
      EXPECT_TRUE(SameText(L[I], "one"));
    }
    EXPECT_EQ(L.Count(), C.Count) << C.Dup;
  }
  // Unsorted lists accept anything.
  TStringList U;
  U.SetDuplicates(dupError);
  U.Add("a");
  U.Add("a");
  EXPECT_EQ(U.Count(), 2);
}

TEST(StringList, UnsortedIndexOfIgnoresCaseAndObjectsFollowStrings) {
  TStringList L;
  TObject O1, O2;
  L.Add("Readme.TXT");
  L.AddObject("second", &O1);
  L.InsertObject(0, "first", &O2);
  EXPECT_EQ(L.IndexOf("README.txt"), 1);
  EXPECT_EQ(L.Objects(0), &O2);
  EXPECT_EQ(L.Objects(1), nullptr);
  EXPECT_EQ(L.Objects(2), &O1);
  EXPECT_EQ(L.IndexOfObject(&O1), 2);
  L.Exchange(0, 2);
  EXPECT_EQ(L[0], "second");
  EXPECT_EQ(L.Objects(0), &O1);
  L.Delete(1);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"second", "first"}));
  EXPECT_THROW(L.Strings(2), EListError);
  EXPECT_THROW(L.Delete(2), EListError);

  TStringList Copy;
  Copy.Add("old");
  Copy.Assign(&L);
  EXPECT_TRUE(Copy.Equals(L));
  EXPECT_EQ(Copy.Objects(1), &O2);
  Copy.AddStrings(&L);
  EXPECT_EQ(Copy.Count(), 4);
}

TEST(StringList, NamesAndValues) {
  TStringList L;
  L.SetText("Path=C:\\Temp\r\nplain line\r\nSize=10=ten\r\n");
  EXPECT_EQ(L.Names(0), "Path");
  EXPECT_EQ(L.Names(1), "");
  EXPECT_EQ(L.Values("PATH"), "C:\\Temp");
  EXPECT_EQ(L.Values("size"), "10=ten");
  EXPECT_EQ(L.Values("missing"), "");
  L.SetValues("size", "11");
  EXPECT_EQ(L[2], "size=11");
  L.SetValues("New", "v");
  EXPECT_EQ(L[3], "New=v");
  L.SetValues("Path", "");
  EXPECT_EQ(L.IndexOfName("path"), -1);
  EXPECT_EQ(L.Count(), 3);
}

TEST(StringList, OnChangeFiresOncePerUpdateBlock) {
  TStringList L;
  int Changes = 0;
  TObject* Who = nullptr;
  L.OnChange = [&](TObject* Sender) {
    ++Changes;
    Who = Sender;
  };
  L.Add("a");
  L.Delete(0);
  EXPECT_EQ(Changes, 2);
  EXPECT_EQ(Who, &L);
  L.BeginUpdate();
  L.Add("b");
  L.BeginUpdate();
  L.Add("c");
  L.EndUpdate();
  L.Clear();
  EXPECT_EQ(Changes, 2);
  L.EndUpdate();
  EXPECT_EQ(Changes, 3);
  L.SetText("x\ny\nz");
  EXPECT_EQ(Changes, 4);
}

TEST(StringList, TextAcceptsEveryLineBreak) {
  struct {
    const char* In;
    std::vector<std::string> Out;
  } const Cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb\n\n", {"a", "", "b", ""}},
      {"", {}},
      {"\r\n", {""}},
  };
  for (const auto& C : Cases) {
    TStringList L;
    L.SetText(C.In);
    EXPECT_EQ(Lines(L), C.Out) << testing::PrintToString(std::string(C.In));
  }
  TStringList L;
  L.SetText("one\ntwo");
  EXPECT_EQ(L.Text(), "one\r\ntwo\r\n");
}

TEST(StringList, FileRoundTripWritesCrLfAndReadsAnyBreak) {
  std::string Dir = IncludeTrailingBackslash(morvtest::TempDir());
  const std::string Inputs[] = {"alpha\rbeta\r\xE9t\xE9\r", "alpha\nbeta\n\xE9t\xE9\n", "alpha\r\nbeta\r\n\xE9t\xE9"};
  for (const std::string& In : Inputs) {
    morvtest::WriteFile(Dir + "in.txt", In);
    TStringList L;
    L.LoadFromFile(Dir + "in.txt");
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"alpha", "beta", "\xE9t\xE9"}));
    L.SaveToFile(Dir + "out.txt");
    std::vector<uint8_t> Bytes = morvtest::ReadFile(Dir + "out.txt");
    EXPECT_EQ(std::string(Bytes.begin(), Bytes.end()), "alpha\r\nbeta\r\n\xE9t\xE9\r\n");
  }
  TStringList L;
  EXPECT_THROW(L.LoadFromFile(Dir + "missing.txt"), EFOpenError);

  // Loading from a stream starts at its position.
  TMemoryStream M;
  M.WriteBuffer("skip\r\nkeep\r\n", 12);
  M.SetPosition(6);
  L.LoadFromStream(M);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"keep"}));
}

}  // namespace
