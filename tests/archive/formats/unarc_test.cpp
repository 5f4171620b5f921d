// TUnARC against archives that arc writes during the test (checked against
// nomarch), the shared fixtures, and archives built here for the types no
// tool here writes (1, 5, 6, 7, PAK 10/11, folders), cross-checked with lsar.
#include "archive/formats/arc/unarc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/core/crc.h"
#include "archive/formats/arc/arc_format.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

using morvtest::Join;
using namespace rdtest;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const std::string& S) { return Bytes(S.begin(), S.end()); }

uint16_t Crc16(const Bytes& D) {
  uint16_t C = 0;
  Crc16Block(D.data(), D.size(), C);
  return C;
}

// ARC's run-length coding: a byte, then 0x90 and the run's length; a 0x90
// byte itself as 0x90 0.
Bytes RunEncode(const Bytes& In) {
  Bytes Out;
  for (size_t i = 0; i < In.size();) {
    const uint8_t C = In[i];
    size_t Run = 1;
    while (i + Run < In.size() && In[i + Run] == C && Run < 255) ++Run;
    i += Run;
    if (C == 0x90) {
      for (size_t k = 0; k < Run; ++k) Out.insert(Out.end(), {0x90, 0x00});
      continue;
    }
    Out.push_back(C);
    if (Run == 2) Out.push_back(C);
    if (Run > 2) Out.insert(Out.end(), {0x90, uint8_t(Run)});
  }
  return Out;
}

// The fixed 12-bit crunch as ARC wrote it (types 5, 6, 7): strings found and
// placed in a hashed table of 4096 entries, codes packed two to three bytes.
Bytes FixedCrunch(const Bytes& In, bool NewHash) {
  struct E {
    bool Used = false;
    uint16_t Next = 0, Pred = 0;
    uint8_t Foll = 0;
  };
  std::vector<E> T(4096);
  auto Hash = [&](unsigned Pred, unsigned Foll) -> unsigned {
    if (NewHash) return ((Pred + Foll) & 0xFFFF) * 15073u & 0xFFF;
    const uint32_t K = ((Pred + Foll) | 0x800) & 0xFFFF;
    return (K * K >> 6) & 0xFFF;
  };
  auto Place = [&](unsigned Pred, unsigned Foll) {
    unsigned At = Hash(Pred, Foll);
    if (T[At].Used) {
      while (T[At].Next) At = T[At].Next;
      unsigned P = (At + 101) & 0xFFF;
      while (T[P].Used) P = (P + 1) & 0xFFF;
      T[At].Next = uint16_t(P);
      At = P;
    }
    T[At].Used = true;
    T[At].Next = 0;
    T[At].Pred = uint16_t(Pred);
    T[At].Foll = uint8_t(Foll);
  };
  auto Find = [&](unsigned Pred, unsigned Foll) -> int {
    unsigned At = Hash(Pred, Foll);
    for (;;) {
      if (!T[At].Used) return -1;
      if (T[At].Pred == Pred && T[At].Foll == Foll) return int(At);
      if (!T[At].Next) return -1;
      At = T[At].Next;
    }
  };
  for (unsigned C = 0; C < 256; ++C) Place(0xFFFF, C);
  unsigned Free = 4096 - 256;
  Bytes Out;
  bool Half = false;
  auto Put = [&](unsigned Code) {
    if (!Half) {
      Out.push_back(uint8_t(Code >> 4));
      Out.push_back(uint8_t((Code & 0xF) << 4));
    } else {
      Out.back() |= uint8_t(Code >> 8);
      Out.push_back(uint8_t(Code));
    }
    Half = !Half;
  };
  if (In.empty()) return Out;
  int Code = Find(0xFFFF, In[0]);
  for (size_t i = 1; i < In.size(); ++i) {
    const int Longer = Find(unsigned(Code), In[i]);
    if (Longer >= 0) {
      Code = Longer;
      continue;
    }
    Put(unsigned(Code));
    if (Free) {
      Place(unsigned(Code), In[i]);
      --Free;
    }
    Code = Find(0xFFFF, In[i]);
  }
  Put(unsigned(Code));
  return Out;
}

struct TBuilt {
  uint8_t Type;
  std::string Name;
  Bytes Data;    // what the entry holds
  Bytes Packed;  // what the archive stores
  uint16_t Crc;
};

// An entry of the given type whose packed data is made from Data.
TBuilt Built(uint8_t Type, const std::string& Name, const Bytes& Data) {
  Bytes P;
  switch (Type) {
    case 1:
    case 2: P = Data; break;
    case 3: P = RunEncode(Data); break;
    case 5: P = FixedCrunch(Data, false); break;
    case 6: P = FixedCrunch(RunEncode(Data), false); break;
    case 7: P = FixedCrunch(RunEncode(Data), true); break;
    default: P = Data; break;
  }
  return {Type, Name, Data, P, Crc16(Data)};
}

void PutHeader(Bytes& D, uint8_t Type, const std::string& Name, uint32_t Packed, uint16_t Crc, uint32_t Unpacked) {
  Put8(D, ArcMark);
  Put8(D, Type);
  std::string N = Name;
  N.resize(13, '\0');
  PutStr(D, N);
  Put32(D, Packed);
  Put16(D, 0x5A21);  // 1 January 2025
  Put16(D, 0x6000);  // 12:00
  Put16(D, Crc);
  if (Type != 1) Put32(D, Unpacked);
}

void PutEntry(Bytes& D, const TBuilt& E) {
  PutHeader(D, E.Type, E.Name, uint32_t(E.Packed.size()), E.Crc, uint32_t(E.Data.size()));
  D.insert(D.end(), E.Packed.begin(), E.Packed.end());
}

void PutEnd(Bytes& D) { D.insert(D.end(), {ArcMark, 0}); }

Bytes Archive(const std::vector<TBuilt>& Entries) {
  Bytes D;
  for (const TBuilt& E : Entries) PutEntry(D, E);
  PutEnd(D);
  return D;
}

struct TRun {
  struct TError {
    std::string FN;
    int Code;
  };
  std::vector<TError> Errors;
  std::vector<std::pair<std::string, bool>> Ends;
  int Result = -1;
  bool Raised = false;
  std::vector<int> Codes() const {
    std::vector<int> C;
    for (const TError& E : Errors) C.push_back(E.Code);
    return C;
  }
};

class UnArcTest : public ::testing::Test {
 protected:
  void SetUp() override { Root = morvtest::TempDir(); }

  // Extracts (or tests) Archive into Dir and records the reports. Without
  // WithOnEnd the run has no OnEnd handler.
  TRun Run(const std::string& Archive, const std::string& Dir, const std::function<void(TUnARC&)>& Setup = {},
           bool Test = false, bool WithOnEnd = true) {
    TRun R;
    TUnARC U(nullptr);
    U.OnError = [&R](TObject*, const std::string& FN, const std::string&, const std::string&, int Code) {
      R.Errors.push_back({FN, Code});
    };
    if (WithOnEnd) U.OnEnd = [&R](TObject*, const std::string& FN, bool Pass) { R.Ends.push_back({FN, Pass}); };
    U.SetArchiveFile(Archive);
    U.SetExtractDir(Dir);
    U.ConfirmOverwrites = false;
    U.OverwriteMode = TOverwriteMode::omOverwrite;
    U.FileSpec()->Add("*.*");
    if (Setup) Setup(U);
    try {
      R.Result = Test ? U.TestArchive() : U.Extract();
    } catch (const E_RAISE&) {
      R.Raised = true;
    }
    return R;
  }

  std::string Write(const std::string& Name, const Bytes& D) {
    const std::string P = Join(Root, Name);
    morvtest::WriteFile(P, D);
    return P;
  }

  std::string Root;
};

#define NEED(peer) \
  if (!morvtest::HavePeer(peer)) GTEST_SKIP() << peer " missing"

std::string Q(const std::string& S) { return "'" + morvtest::HostPath(S) + "'"; }

// arc picks stored, packed, squeezed or crunched by what packs best, and
// squashes on request; every entry comes back as it went in and as nomarch
// gives it, and the test pass finds every entry sound.
TEST_F(UnArcTest, PeerArchivesByteExact) {
  NEED("arc");
  NEED("nomarch");
  const std::string Src = Join(Root, "src");
  ForceDirectories(Src);
  std::map<std::string, Bytes> Files;
  {
    Bytes Runs;
    const Bytes R = morvtest::RandomData(3000, 2);
    for (size_t i = 0; i < 10; ++i) {
      Runs.insert(Runs.end(), R.begin() + i * 300, R.begin() + i * 300 + 300);
      Runs.insert(Runs.end(), 100, R[i]);
    }
    Files["packed.bin"] = Runs;
  }
  {
    Bytes Skew;
    const Bytes R = morvtest::RandomData(400, 3);
    const char Alphabet[] = "aaaaaaaabbbbccd\x90";
    for (uint8_t C : R) Skew.push_back(uint8_t(Alphabet[C % 16]));
    Files["skew.txt"] = Skew;
  }
  Files["random.bin"] = morvtest::RandomData(3000, 4);
  Files["text.txt"] = morvtest::TextData(200000, 5);
  Files["empty.bin"] = {};
  Files["big.txt"] = morvtest::TextData(1 << 21, 6);
  for (auto& [Name, Data] : Files) morvtest::WriteFile(Join(Src, Name), Data);

  struct Row {
    const char* Command;
    std::set<int> Types;
  } Rows[] = {{"a", {2, 3, 4, 8}}, {"aq", {9}}};
  for (const Row& Rw : Rows) {
    SCOPED_TRACE(Rw.Command);
    const std::string Arc = Join(Root, std::string(Rw.Command) + ".arc");
    std::string Log;
    std::string Names;
    for (auto& [Name, Data] : Files) Names += " " + Name;
    ASSERT_EQ(morvtest::RunPeer("cd " + Q(Src) + " && arc " + Rw.Command + " " + Q(Arc) + Names, &Log), 0) << Log;
    const Bytes D = morvtest::ReadFile(Arc);
    TMemorySource Mem(D.data(), D.size());
    std::set<int> Types;
    ArcHeader H;
    int Err = 0;
    for (uint64_t Pos = 0; ReadArcHeader(Mem, Pos, H, Err); Pos = H.NextPos)
      if (H.UnpackedSize) Types.insert(H.Method);
    for (int T : Rw.Types) EXPECT_TRUE(Types.count(T)) << "type " << T;

    const std::string Dir = Join(Root, std::string("x") + Rw.Command);
    const TRun R = Run(Arc, Dir);
    EXPECT_FALSE(R.Raised);
    EXPECT_TRUE(R.Errors.empty());
    EXPECT_EQ(R.Result, int(Files.size()));
    for (const auto& E : R.Ends) EXPECT_TRUE(E.second) << E.first;
    const std::string PeerDir = Join(Root, std::string("p") + Rw.Command);
    ForceDirectories(PeerDir);
    for (auto& [Name, Data] : Files) {
      SCOPED_TRACE(Name);
      const Bytes Got = morvtest::ReadFile(Join(Dir, Name));
      EXPECT_TRUE(Got == Data);
      std::string Peer;
      EXPECT_EQ(morvtest::RunPeer("nomarch -p " + Q(Arc) + " " + Name + " > " + Q(Join(PeerDir, Name)), &Peer), 0);
      EXPECT_TRUE(morvtest::ReadFile(Join(PeerDir, Name)) == Got);
    }

    const TRun T = Run(Arc, Join(Root, "unused"), {}, true);
    EXPECT_EQ(T.Result, int(Files.size()));
    EXPECT_TRUE(T.Errors.empty());
    EXPECT_FALSE(DirectoryExists(Join(Root, "unused")));
  }
}

// The ARC archives of other programs give the sizes and CRCs their listing
// in SOURCES.md names.
TEST_F(UnArcTest, SharedFixtures) {
  int Checked = 0;
  for (const ListedArchive& A : SourcesListings("arc/")) {
    if (!FixtureExists(A.Path) || A.Unlistable) continue;
    SCOPED_TRACE(A.Path);
    const std::string Dir = Join(Root, "f" + std::to_string(Checked));
    const TRun R = Run(morvtest::SharedPath("fixtures/" + A.Path), Dir);
    EXPECT_FALSE(R.Raised);
    EXPECT_TRUE(R.Errors.empty());
    EXPECT_EQ(R.Result, int(A.Entries.size()));
    for (const Listed& L : A.Entries) {
      const Bytes Got = morvtest::ReadFile(Join(Dir, L.Name));
      EXPECT_EQ(std::to_string(Got.size()), L.Fields.at("size")) << L.Name;
      char Hex[8];
      std::snprintf(Hex, sizeof Hex, "%04x", Crc16(Got));
      EXPECT_EQ(Hex, L.Fields.at("crc16")) << L.Name;
    }
    ++Checked;
  }
  EXPECT_GE(Checked, 8);
}

// Types no tool here writes, built here: the old short header of type 1 and
// the fixed 12-bit crunch with either hash, over data long enough to fill
// the string table; lsar reads the same archive to the same bytes.
TEST_F(UnArcTest, BuiltTypesByteExact) {
  const Bytes Text = morvtest::TextData(150000, 7);
  Bytes Mixed = morvtest::RandomData(20000, 8);
  Mixed.insert(Mixed.end(), 5000, 0x90);
  Mixed.insert(Mixed.end(), Text.begin(), Text.begin() + 30000);
  // Detection takes an archive by its first header, which type 1 is not
  // among.
  const std::vector<TBuilt> Entries = {
      Built(5, "OLDHASH.TXT", Text),
      Built(1, "OLD.TXT", B("stored the old way")),
      Built(6, "OLDRLE.BIN", Mixed),
      Built(7, "NEWHASH.TXT", Text),
      Built(7, "NEWRLE.BIN", Mixed),
      Built(5, "ONE.TXT", B("x")),
      Built(3, "RUNS.BIN", Mixed),
  };
  const std::string Arc = Write("built.arc", Archive(Entries));
  const std::string Dir = Join(Root, "built");
  const TRun R = Run(Arc, Dir);
  EXPECT_TRUE(R.Errors.empty());
  EXPECT_EQ(R.Result, int(Entries.size()));
  for (const TBuilt& E : Entries) EXPECT_TRUE(morvtest::ReadFile(Join(Dir, E.Name)) == E.Data) << E.Name;

  if (!morvtest::HavePeer("lsar")) GTEST_SKIP() << "lsar missing";
  std::string Log;
  EXPECT_EQ(morvtest::RunPeer("lsar -t " + Q(Arc), &Log), 0) << Log;
  EXPECT_NE(Log.find(std::to_string(Entries.size()) + " passed"), std::string::npos) << Log;
}

// Folder records: the entries between type 30 and type 31 land in the
// folder; a selection of one nested entry keeps its folders; the end record
// ends the archive whatever follows.
TEST_F(UnArcTest, FoldersAndSelection) {
  Bytes D;
  PutEntry(D, Built(2, "TOP.TXT", B("top")));
  PutHeader(D, ArcMethodFolder, "OUTER", 0, 0, 0);
  PutEntry(D, Built(2, "A.TXT", B("aaaa")));
  PutHeader(D, ArcMethodFolder, "INNER", 0, 0, 0);
  PutEntry(D, Built(3, "B.TXT", B("bbbbbbbbbb")));
  D.insert(D.end(), {ArcMark, ArcMethodFolderEnd});
  PutEntry(D, Built(2, "C.TXT", B("c")));
  D.insert(D.end(), {ArcMark, ArcMethodFolderEnd});
  PutEntry(D, Built(2, "D.TXT", B("dd")));
  PutEnd(D);
  PutEntry(D, Built(2, "AFTER.TXT", B("ignored")));
  const std::string Arc = Write("folders.arc", D);

  const std::string All = Join(Root, "all");
  TRun R = Run(Arc, All);
  EXPECT_TRUE(R.Errors.empty());
  EXPECT_EQ(R.Result, 5);
  EXPECT_EQ(morvtest::ReadFile(Join(All, "TOP.TXT")), B("top"));
  EXPECT_EQ(morvtest::ReadFile(Join(All, "OUTER/A.TXT")), B("aaaa"));
  EXPECT_EQ(morvtest::ReadFile(Join(All, "OUTER/INNER/B.TXT")), B("bbbbbbbbbb"));
  EXPECT_EQ(morvtest::ReadFile(Join(All, "OUTER/C.TXT")), B("c"));
  EXPECT_EQ(morvtest::ReadFile(Join(All, "D.TXT")), B("dd"));
  EXPECT_FALSE(FileExists(Join(All, "AFTER.TXT")));

  const std::string One = Join(Root, "one");
  R = Run(Arc, One, [](TUnARC& U) { U.FileSpec()->SetText("*B.TXT"); });
  EXPECT_EQ(R.Result, 1);
  EXPECT_EQ(morvtest::ReadFile(Join(One, "OUTER/INNER/B.TXT")), B("bbbbbbbbbb"));

  const std::string Flat = Join(Root, "flat");
  R = Run(Arc, Flat, [](TUnARC& U) { U.UseStoredDirs = false; });
  EXPECT_EQ(R.Result, 5);
  EXPECT_EQ(morvtest::ReadFile(Join(Flat, "B.TXT")), B("bbbbbbbbbb"));
}

// Damaged and unsupported entries each give their error, and the entries
// after them still extract.
TEST_F(UnArcTest, DamagedEntriesReportedAndSkipped) {
  const TBuilt First = Built(2, "FIRST.TXT", B("first")), Good = Built(2, "GOOD.TXT", B("good data"));
  auto Raw = [](uint8_t Type, const std::string& Name, const Bytes& Packed, const Bytes& Data) {
    return TBuilt{Type, Name, Data, Packed, Crc16(Data)};
  };
  struct Row {
    const char* What;
    TBuilt Bad;
    std::vector<int> Codes;
    bool Written;  // a (failed) output file is left
  } Rows[] = {
      {"squeeze node count above 256", Raw(4, "BAD.TXT", {0x2D, 0x01, 0, 0}, B("x")), {25152}, true},
      {"squeeze node count negative", Raw(4, "BAD.TXT", {0xFF, 0xFF}, B("x")), {25152}, true},
      {"squeeze child past the nodes", Raw(4, "BAD.TXT", {1, 0, 5, 0, 0xFE, 0xFF, 0x55}, B("x")), {25152}, true},
      {"squeeze leaf past the end mark", Raw(4, "BAD.TXT", {1, 0, 0x00, 0xF0, 0xFE, 0xFF, 0x55}, B("x")), {25152},
       true},
      {"crunch bits byte 13", Raw(8, "BAD.TXT", {13, 0x41, 0x00}, B("A")), {25134}, true},
      // 9-bit codes: "A", then 511, far above the next free code.
      {"crunch code above the table", Raw(8, "BAD.TXT", {12, 0x41, 0xFE, 0x03}, B("A")), {25139}, true},
      {"PAK crushed", Raw(10, "BAD.TXT", {1, 2, 3, 4}, B("xyz")), {25326}, false},
      {"PAK distilled", Raw(11, "BAD.TXT", {1, 2, 3, 4}, B("xyz")), {25326}, false},
      {"unknown type 20", Raw(20, "BAD.TXT", {1, 2, 3, 4}, B("xyz")), {25326}, false},
      {"CRC mismatch", TBuilt{2, "BAD.TXT", B("abc"), B("abd"), Crc16(B("abc"))}, {}, true},
      {"fewer bytes than the header says", Raw(2, "BAD.TXT", B("ab"), B("abc")), {}, true},
  };
  for (const Row& Rw : Rows) {
    SCOPED_TRACE(Rw.What);
    // A first entry of a PAK type would make the archive a PAK archive,
    // which is no extractable type.
    Bytes D;
    PutEntry(D, First);
    PutEntry(D, Rw.Bad);
    PutEntry(D, Good);
    PutEnd(D);
    const std::string Arc = Write("bad.arc", D);
    const std::string Dir = Join(Root, std::string("d") + std::to_string(&Rw - Rows));
    const TRun R = Run(Arc, Dir);
    EXPECT_FALSE(R.Raised);
    EXPECT_EQ(R.Codes(), Rw.Codes);
    ASSERT_EQ(R.Ends.size(), 3u);
    EXPECT_TRUE(R.Ends[0].second);
    EXPECT_FALSE(R.Ends[1].second);
    EXPECT_TRUE(R.Ends[2].second);
    EXPECT_EQ(R.Result, 2);
    EXPECT_EQ(FileExists(Join(Dir, "BAD.TXT")), Rw.Written);
    EXPECT_EQ(morvtest::ReadFile(Join(Dir, "GOOD.TXT")), Good.Data);
    // Without OnEnd a mismatch is reported as 25151, once.
    const TRun N = Run(Arc, Dir + "n", {}, false, false);
    std::vector<int> Want = Rw.Codes;
    if (Want.empty()) Want.push_back(25151);
    EXPECT_EQ(N.Codes(), Want);
  }

  const std::string Pak = Write("pak.arc", Archive({Built(10, "CRUSHED", B("xyz"))}));
  const TRun R = Run(Pak, Join(Root, "pak"));
  EXPECT_TRUE(R.Raised);
  EXPECT_EQ(R.Codes(), std::vector<int>{25242});
}

// The fixed crunch's string stack is bounded: a chain of predecessors that
// loops (a code placed on an unplaced code that is placed later on it) ends
// in 25298 instead of running on.
TEST_F(UnArcTest, FixedCrunchStackBounded) {
  // Codes are decoded against the table the 256 literals leave; "A" "B"
  // "C" then codes of free slots make the table link back on itself.
  Bytes Codes;
  bool Half = false;
  auto Put = [&](unsigned Code) {
    if (!Half) {
      Codes.push_back(uint8_t(Code >> 4));
      Codes.push_back(uint8_t((Code & 0xF) << 4));
    } else {
      Codes.back() |= uint8_t(Code >> 8);
      Codes.push_back(uint8_t(Code));
    }
    Half = !Half;
  };
  // Random codes into a freshly reset table: whatever chains they build,
  // decoding ends, by the stack bound or the end of data.
  const Bytes R = morvtest::RandomData(30000, 9);
  for (size_t i = 0; i + 1 < R.size(); i += 2) Put(unsigned(R[i] | R[i + 1] << 8) & 0xFFF);
  for (uint8_t Type : {5, 6, 7}) {
    SCOPED_TRACE(int(Type));
    Bytes D;
    PutEntry(D, TBuilt{Type, "NOISE.BIN", {}, Codes, 0});
    PutEnd(D);
    const TRun Res = Run(Write("noise.arc", D), Join(Root, "noise"));
    EXPECT_FALSE(Res.Raised);
    ASSERT_EQ(Res.Ends.size(), 1u);
    EXPECT_FALSE(Res.Ends[0].second);
    EXPECT_EQ(Res.Codes(), std::vector<int>{25298});
  }
}

// Run-length edge cases and the empty squeezed entry.
TEST_F(UnArcTest, RunLengthAndEmptyTree) {
  struct Row {
    uint8_t Type;
    Bytes Packed, Data;
  } Rows[] = {
      {3, {0x90, 0x00}, {0x90}},
      {3, {0x41, 0x90, 0x05}, {0x41, 0x41, 0x41, 0x41, 0x41}},
      {3, {0x41, 0x90, 0x00, 0x90, 0x03}, {0x41, 0x90, 0x41, 0x41}},
      {3, {0x90, 0x03}, {0, 0}},
      {4, {0, 0}, {}},
      {4, {0, 0, 0xFF}, {}},
  };
  for (const Row& Rw : Rows) {
    SCOPED_TRACE(&Rw - Rows);
    Bytes D;
    PutEntry(D, TBuilt{Rw.Type, "R.BIN", Rw.Data, Rw.Packed, Crc16(Rw.Data)});
    PutEnd(D);
    const std::string Dir = Join(Root, "r" + std::to_string(&Rw - Rows));
    const TRun R = Run(Write("r.arc", D), Dir);
    EXPECT_TRUE(R.Errors.empty());
    EXPECT_EQ(R.Result, 1);
    EXPECT_EQ(morvtest::ReadFile(Join(Dir, "R.BIN")), Rw.Data);
  }
}

// An existing target with omSkip keeps its bytes; the other entries extract.
TEST_F(UnArcTest, ExistingTargetSkipped) {
  const std::string Arc = Write("s.arc", Archive({Built(2, "KEEP.TXT", B("new")), Built(2, "NEW.TXT", B("fresh"))}));
  const std::string Dir = Join(Root, "s");
  ForceDirectories(Dir);
  morvtest::WriteFile(Join(Dir, "KEEP.TXT"), "old");
  std::vector<uint8_t> Last;
  const TRun R = Run(Arc, Dir, [&](TUnARC& U) {
    U.OverwriteMode = TOverwriteMode::omSkip;
    U.OnProgress = [&Last](TObject*, uint8_t, uint8_t ByArchive) { Last.push_back(ByArchive); };
  });
  EXPECT_EQ(R.Result, 1);
  ASSERT_EQ(R.Ends.size(), 1u);
  EXPECT_EQ(morvtest::ReadFile(Join(Dir, "KEEP.TXT")), B("old"));
  EXPECT_EQ(morvtest::ReadFile(Join(Dir, "NEW.TXT")), B("fresh"));
  ASSERT_FALSE(Last.empty());
  EXPECT_EQ(Last.back(), 100);
}

}  // namespace
