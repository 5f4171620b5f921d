// TUnLHA and TLha against jlha, lhasa, lsar and 7-Zip and the lhasa corpus;
// TUnBH and TBh round trips, their payloads checked by unzip and lhasa, and
// the password prompts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/codecs/deflate.h"
#include "archive/core/crc.h"
#include "archive/core/zipcrypt.h"
#include "archive/formats/bh/bh_format.h"
#include "archive/formats/bh/bhwriter.h"
#include "archive/formats/bh/unbh.h"
#include "archive/formats/lha/lha_format.h"
#include "archive/formats/lha/lhawriter.h"
#include "archive/formats/lha/unlha.h"
#include "tests/archive/formats/unzip_util.h"
#include "tests/archive/formats/writers_test_util.h"

using writerstest::Host;
using writerstest::Join;
using writerstest::Peer;
using writerstest::PutFile;

namespace {

uint16_t Crc16Of(const std::vector<uint8_t>& D) {
  uint16_t C = 0;
  Crc16Block(D.data(), D.size(), C);
  return C;
}

std::vector<LhaHeader> LhaHeaders(const std::vector<uint8_t>& A) {
  std::vector<LhaHeader> R;
  TMemorySource Src(A.data(), A.size());
  LhaHeader H;
  int Err = 0;
  for (uint64_t Pos = 0; ReadLhaHeader(Src, Pos, H, Err); Pos = H.NextPos) R.push_back(H);
  EXPECT_EQ(Err, 0);
  return R;
}

std::vector<BhHeader> BhHeaders(const std::vector<uint8_t>& A) {
  std::vector<BhHeader> R;
  TMemorySource Src(A.data(), A.size());
  BhHeader H;
  int Err = 0;
  for (uint64_t Pos = 0; ReadBhHeader(Src, Pos, H, Err); Pos = H.NextPos) R.push_back(H);
  EXPECT_TRUE(Err == 0 || Err == rdHeaderId) << Err;
  return R;
}

template <class H>
const H* Named(const std::vector<H>& Hs, const std::string& Tail) {
  for (const H& h : Hs) {
    const std::string N = h.FileName;
    if (N.size() >= Tail.size() && N.compare(N.size() - Tail.size(), Tail.size(), Tail) == 0) return &h;
  }
  ADD_FAILURE() << "no entry " << Tail;
  return nullptr;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& A, uint64_t From, uint64_t To) {
  return std::vector<uint8_t>(A.begin() + long(From), A.begin() + long(To));
}

// A tree of files around the codecs' edges: empty, tiny incompressible,
// window-sized text, large random, an archive and a program by extension.
class Tree : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Src = Join(Root, "src");
    Temp = Join(Root, "tmp");
    ForceDirectories(Temp);
    const struct {
      const char* Name;
      size_t Size;
      bool Random;
    } Files[] = {
        {"empty.txt", 0, false},          {"one.txt", 1, false},         {"noise.bin", 60, true},
        {"w.txt", 8192, false},           {"a/big.txt", 300000, false},  {"a/b/rand.bin", 70000, true},
        {"a/b/pack.zip", 5000, false},    {"setup.exe", 5000, false},
    };
    uint32_t Seed = 1;
    for (const auto& F : Files)
      PutFile(Src, F.Name, F.Random ? morvtest::RandomData(F.Size, Seed++) : morvtest::TextData(F.Size, Seed++));
  }

  template <class W>
  int AddTree(W& Writer, const std::string& Arc) {
    Writer.SetTempDir(Temp);
    Writer.SetArchiveFile(Arc);
    Writer.RecurseDirs = true;
    Writer.SetDefaultDir(Src);
    TStringList L;
    L.Add(Join(Src, "*.*"));
    Writer.SetFileSpec(&L);
    return Writer.Compress();
  }

  template <class U>
  int ExtractAll(U& X, const std::string& Arc, const std::string& Out, unziptest::TRunLog* Log = nullptr) {
    X.SetArchiveFile(Arc);
    X.SetExtractDir(Out);
    TStringList L;
    L.Add("*.*");
    X.SetFileSpec(&L);
    if (Log) Log->Attach(X);
    return X.Extract();
  }

  std::string Root, Src, Temp;
};

}  // namespace

using UnLha = Tree;

// jlha's archives at every header level, stored and with -lh5- and -lh6-,
// extract byte for byte.
TEST_F(UnLha, JlhaArchivesAtEveryLevel) {
  if (!morvtest::HavePeer("jlha")) GTEST_SKIP() << "jlha missing";
  int Run = 0;
  for (const char* Level : {"0", "1", "2"}) {
    for (const char* Method : {"z", "o5", "o6"}) {
      SCOPED_TRACE(std::string(Level) + Method);
      const std::string Arc = Join(Root, "j" + std::to_string(++Run) + ".lzh");
      std::string Out;
      ASSERT_EQ(Peer("cd " + Host(Src) + " && jlha a" + Level + Method + "q " + Host(Arc) +
                         " empty.txt one.txt noise.bin w.txt a/big.txt a/b/rand.bin a/b/pack.zip setup.exe",
                     &Out),
                0)
          << Out;
      TUnLHA X(nullptr);
      unziptest::TRunLog Log;
      const std::string Dir = Join(Root, "x" + std::to_string(Run));
      EXPECT_EQ(ExtractAll(X, Arc, Dir, &Log), 8);
      EXPECT_TRUE(Log.Errors.empty());
      writerstest::ExpectSameTree(Src, Dir);
    }
  }
}

// Every archive of the lhasa corpus: each entry of a method we decode passes
// its CRC-16; -lh7-, LArc's and PMarc's methods report 25326 and the next
// entry goes on.
TEST(UnLhaCorpus, EveryEntryPassesOrNamesItsMethod) {
  namespace fs = std::filesystem;
  const std::string Base = morvtest::SharedPath("fixtures/lha/lhasa");
  int Passed = 0, Refused = 0;
  for (const auto& F : fs::recursive_directory_iterator(Base)) {
    if (!F.is_regular_file()) continue;
    const std::string Path = F.path().string();
    if (Path.find("truncated") != std::string::npos || Path.find("regression") != std::string::npos) continue;
    TUnLHA X(nullptr);
    X.SetArchiveFile(Path);
    const TArcType T = X.ArcType();
    if (T != atLha && T != atLzh && T != atLhaExe && T != atLzhExe) continue;
    SCOPED_TRACE(Path);
    const std::vector<uint8_t> A = morvtest::ReadFile(Path);
    // The entries as the header reader sees them, from the first "-l" on.
    TMemorySource Src(A.data(), A.size());
    uint64_t Start = 0;
    for (size_t i = 2; i + 5 < A.size(); i++)
      if (A[i] == '-' && A[i + 1] == 'l' && A[i + 4] == '-') {
        Start = i - 2;
        break;
      }
    std::vector<std::string> Methods;
    LhaHeader H;
    int Err = 0;
    for (uint64_t Pos = Start; ReadLhaHeader(Src, Pos, H, Err); Pos = H.NextPos)
      if (!H.IsDirectory && !H.FileName.empty() && H.FileName.back() != '\\' && H.FileName.back() != '/')
        Methods.push_back(H.MethodId);
    unziptest::TRunLog Log;
    Log.Attach(X);
    TStringList L;
    L.Add("*.*");
    X.SetFileSpec(&L);
    X.TestArchive();
    ASSERT_EQ(Log.Ends.size(), Methods.size());
    int Unsupported = 0;
    for (size_t i = 0; i < Methods.size(); i++) {
      const std::string& M = Methods[i];
      const bool Known = M == "-lh0-" || M == "-lh1-" || M == "-lh4-" || M == "-lh5-" || M == "-lh6-";
      EXPECT_EQ(Log.Ends[i].second, Known) << i << " " << M;
      Known ? ++Passed : ++Unsupported;
    }
    Refused += Unsupported;
    const std::vector<int> Codes = Log.Codes();
    EXPECT_EQ(int(std::count(Codes.begin(), Codes.end(), 25326)), Unsupported) << ::testing::PrintToString(Codes);
  }
  EXPECT_GT(Passed, 50);
  EXPECT_GT(Refused, 3);
}

// An unsupported method in the middle: reported, the entries around it
// extracted.
TEST_F(UnLha, Lh7EntryIsReportedAndTheNextGoesOn) {
  std::vector<uint8_t> A;
  auto Add = [&](const std::string& Name, const char* Method, const std::vector<uint8_t>& Packed,
                 const std::vector<uint8_t>& Plain) {
    TLhaBaseRecord B;
    std::memcpy(B.Method, Method, 5);
    B.PackedSize = uint32_t(Packed.size());
    B.UnpackedSize = uint32_t(Plain.size());
    B.Time = 0x5A216000;
    B.Attribute = 0x20;
    std::vector<uint8_t> H;
    ASSERT_TRUE(MakeLhaLevel0Header(B, Name, Crc16Of(Plain), H));
    A.insert(A.end(), H.begin(), H.end());
    A.insert(A.end(), Packed.begin(), Packed.end());
  };
  const std::vector<uint8_t> One = morvtest::TextData(100, 1), Two = morvtest::TextData(200, 2);
  Add("one.txt", "-lh0-", One, One);
  Add("seven.txt", "-lh7-", std::vector<uint8_t>(50, 0x55), Two);
  Add("lz5.txt", "-lz5-", std::vector<uint8_t>(50, 0x55), Two);
  Add("two.txt", "-lh0-", Two, Two);
  A.push_back(0);
  const std::string Arc = Join(Root, "mixed.lzh");
  morvtest::WriteFile(Arc, A);
  TUnLHA X(nullptr);
  unziptest::TRunLog Log;
  const std::string Out = Join(Root, "out");
  EXPECT_EQ(ExtractAll(X, Arc, Out, &Log), 2);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25326, 25326}));
  EXPECT_TRUE(Log.Passed("one.txt"));
  EXPECT_FALSE(Log.Passed("seven.txt"));
  EXPECT_FALSE(Log.Passed("lz5.txt"));
  EXPECT_TRUE(Log.Passed("two.txt"));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "two.txt")), Two);
}

using LhaWriter = Tree;

// Every method's archive passes lhasa, jlha, lsar and 7-Zip (which has no
// -lh1-), and extracts to the tree again with lhasa and with TUnLHA.
TEST_F(LhaWriter, ArchivesPassThePeers) {
  for (const char* P : {"lhasa", "jlha"})
    if (!morvtest::HavePeer(P)) GTEST_SKIP() << P << " missing";
  const struct {
    TCompressMethod Method;
    const char* Name;
  } Cases[] = {{TCompressMethod::cmFrozen5, "lh5"}, {TCompressMethod::cmFrozen1, "lh1"}, {TCompressMethod::cmStore, "lh0"}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Arc = Join(Root, std::string(C.Name) + ".lzh");
    TLha W(nullptr);
    W.SetCompressMethod(C.Method);
    ASSERT_EQ(AddTree(W, Arc), 8);
    std::string Out;
    EXPECT_EQ(Peer("lhasa t " + Host(Arc), &Out), 0) << Out;
    EXPECT_EQ(Peer("jlha t " + Host(Arc), &Out), 0) << Out;
    EXPECT_EQ(Out.find("rror"), std::string::npos) << Out;
    if (morvtest::HavePeer("lsar")) {
      EXPECT_EQ(Peer("lsar -t " + Host(Arc), &Out), 0) << Out;
    }
    if (morvtest::HavePeer("7zz") && C.Method != TCompressMethod::cmFrozen1) {
      EXPECT_EQ(Peer("7zz t " + Host(Arc), &Out), 0) << Out;
    }
    const std::string Dir = Join(Root, std::string("l") + C.Name);
    ForceDirectories(Dir);
    EXPECT_EQ(Peer("cd " + Host(Dir) + " && lhasa xq " + Host(Arc), &Out), 0) << Out;
    writerstest::ExpectSameTree(Src, Dir);
    TUnLHA X(nullptr);
    const std::string Mine = Join(Root, std::string("m") + C.Name);
    EXPECT_EQ(ExtractAll(X, Arc, Mine), 8);
    writerstest::ExpectSameTree(Src, Mine);

    const std::vector<LhaHeader> Hs = LhaHeaders(morvtest::ReadFile(Arc));
    ASSERT_EQ(Hs.size(), 8u);
    const std::string Packed = std::string("-") + C.Name + "-";
    // Incompressible and archive files are stored; a program is packed.
    for (const auto& [Tail, Method] : std::vector<std::pair<std::string, std::string>>{
             {"empty.txt", "-lh0-"}, {"noise.bin", "-lh0-"}, {"rand.bin", "-lh0-"},
             {"pack.zip", "-lh0-"}, {"setup.exe", Packed}, {"big.txt", Packed}}) {
      const LhaHeader* H = Named(Hs, Tail);
      ASSERT_TRUE(H);
      EXPECT_EQ(H->MethodId, Method) << Tail;
      EXPECT_EQ(H->Level, 0);
    }
    EXPECT_EQ(Named(Hs, "rand.bin")->DataSize, 70000u);
    EXPECT_EQ(Named(Hs, "empty.txt")->Crc, 0);
  }
}

// Updating jlha's level-1 and level-2 archives reads their headers at their
// level: kept entries are copied byte for byte, deleted ones go, new ones
// are added, and jlha and lhasa accept the result.
TEST_F(LhaWriter, UpdatesAndDeletesInArchivesOfEveryLevel) {
  for (const char* P : {"lhasa", "jlha"})
    if (!morvtest::HavePeer(P)) GTEST_SKIP() << P << " missing";
  for (const char* Level : {"0", "1", "2"}) {
    SCOPED_TRACE(Level);
    const std::string Arc = Join(Root, std::string("u") + Level + ".lzh");
    std::string Out;
    ASSERT_EQ(Peer("cd " + Host(Src) + " && jlha a" + Level + "q " + Host(Arc) + " w.txt a/big.txt one.txt", &Out), 0)
        << Out;
    const std::vector<uint8_t> Old = morvtest::ReadFile(Arc);
    const std::vector<LhaHeader> OldHs = LhaHeaders(Old);
    ASSERT_EQ(OldHs.size(), 3u);

    TLha D(nullptr);
    D.SetTempDir(Temp);
    D.SetArchiveFile(Arc);
    D.Switch = TSwitch::swDelete;
    TStringList L;
    L.Add("one.txt");
    D.SetFileSpec(&L);
    D.Compress();
    const std::vector<uint8_t> After = morvtest::ReadFile(Arc);
    const std::vector<LhaHeader> Hs = LhaHeaders(After);
    ASSERT_EQ(Hs.size(), 2u);
    for (size_t i = 0; i < 2; i++)
      EXPECT_EQ(Slice(After, Hs[i].Pos, Hs[i].NextPos), Slice(Old, OldHs[i].Pos, OldHs[i].NextPos)) << i;

    TLha W(nullptr);
    W.SetTempDir(Temp);
    W.SetArchiveFile(Arc);
    W.SetDefaultDir(Src);
    TStringList A;
    A.Add(Join(Src, "setup.exe"));
    W.SetFileSpec(&A);
    EXPECT_EQ(W.Compress(), 1);
    EXPECT_EQ(LhaHeaders(morvtest::ReadFile(Arc)).size(), 3u);
    EXPECT_EQ(Peer("lhasa t " + Host(Arc), &Out), 0) << Out;
    EXPECT_EQ(Peer("jlha t " + Host(Arc), &Out), 0) << Out;
    EXPECT_EQ(Out.find("rror"), std::string::npos) << Out;
  }
}

// A name that does not fit the header-size byte is refused; the other files
// are written and the archive stays readable.
TEST_F(LhaWriter, NameTooLongForALevel0HeaderIsRefused) {
  const std::string Long = std::string(230, 'n') + ".txt";
#ifdef _WIN32
  // Such a name does not fit a Windows path below the test's folder.
  if (Src.size() + 1 + Long.size() >= 260) GTEST_SKIP() << "path too long for Windows";
#endif
  PutFile(Src, Long, morvtest::TextData(100, 9));
  const std::string Arc = Join(Root, "long.lzh");
  TLha W(nullptr);
  std::vector<int> Codes;
  W.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
    Codes.push_back(Code);
  };
  EXPECT_EQ(AddTree(W, Arc), 8);
  EXPECT_EQ(Codes, std::vector<int>{25243});
  EXPECT_EQ(LhaHeaders(morvtest::ReadFile(Arc)).size(), 8u);
  if (morvtest::HavePeer("lhasa")) {
    std::string Out;
    EXPECT_EQ(Peer("lhasa t " + Host(Arc), &Out), 0) << Out;
  }
}

using BhTest = Tree;

// Every method and level, with and without a password: what TBh writes
// TUnBH extracts byte for byte. A tiny incompressible file that the Deflate
// encoder writes as plain bytes is marked stored.
TEST_F(BhTest, RoundTripEveryMethodWithAndWithoutPassword) {
  const struct {
    TCompressMethod Method;
    TDeflateType Type;
    const char* Name;
  } Cases[] = {{TCompressMethod::cmFuse, dtDeflateN, "fuse"},       {TCompressMethod::cmStore, dtDeflateN, "store"},
               {TCompressMethod::cmDeflate, dtDeflateS, "deflateS"}, {TCompressMethod::cmDeflate, dtDeflateF, "deflateF"},
               {TCompressMethod::cmDeflate, dtDeflateN, "deflateN"}, {TCompressMethod::cmDeflate, dtDeflateX, "deflateX"}};
  // Bytes the fixed codes spend 9 bits on, without repeats worth a match:
  // small enough for the encoder's plain fallback.
  std::vector<uint8_t> High(300);
  uint32_t Seed = 7;
  for (uint8_t& B : High) {
    Seed = Seed * 1103515245u + 12345u;
    B = uint8_t(0x90 + (Seed >> 16) % 112);
  }
  PutFile(Src, "high.bin", High);
  const std::vector<uint8_t> Noise = morvtest::ReadFile(Join(Src, "noise.bin"));
  int PlainSeen = 0;
  int Run = 0;
  for (const auto& C : Cases) {
    for (const std::string Password : {"", "s3cret"}) {
      SCOPED_TRACE(std::string(C.Name) + " " + Password);
      const std::string Arc = Join(Root, "b" + std::to_string(++Run) + ".bh");
      TBh W(nullptr);
      W.SetCompressMethod(C.Method);
      W.SetDeflateType(C.Type);
      W.Password = Password;
      ASSERT_EQ(AddTree(W, Arc), 9);
      const std::vector<BhHeader> Hs = BhHeaders(morvtest::ReadFile(Arc));
      ASSERT_EQ(Hs.size(), 9u);
      for (const BhHeader& H : Hs) {
        SCOPED_TRACE(H.FileName);
        EXPECT_EQ(H.Encrypted(), !Password.empty() && H.UnpackedSize > 0);
        if (H.Encrypted()) {
          EXPECT_GE(H.PackedSize, 12u);
        }
      }
      EXPECT_EQ(Named(Hs, "empty.txt")->Method, 0);
      EXPECT_EQ(Named(Hs, "empty.txt")->PackedSize, 0u);
      EXPECT_EQ(Named(Hs, "a/b/pack.zip")->Method, 0);
      for (const std::vector<uint8_t>* D : {&Noise, const_cast<const std::vector<uint8_t>*>(&High)}) {
        const BhHeader* H = Named(Hs, D == &Noise ? "noise.bin" : "high.bin");
        ASSERT_TRUE(H);
        // What the Deflate encoder wrote as plain bytes is marked stored.
        if (C.Method != TCompressMethod::cmDeflate) continue;
        bool Plain = false;
        DeflateBuffer(D->data(), D->size(), W.DeflateLevel(), true, &Plain);
        PlainSeen += Plain;
        EXPECT_EQ(H->Method, Plain ? 0 : 8);
        if (Plain) {
          EXPECT_EQ(H->PackedSize, D->size() + (Password.empty() ? 0 : 12));
        }
      }
      const uint8_t Packed = C.Method == TCompressMethod::cmFuse ? 1 : C.Method == TCompressMethod::cmStore ? 0 : 8;
      EXPECT_EQ(Named(Hs, "setup.exe")->Method, Packed);

      TUnBH X(nullptr);
      X.Password = Password;
      unziptest::TRunLog Log;
      const std::string Dir = Join(Root, "x" + std::to_string(Run));
      EXPECT_EQ(ExtractAll(X, Arc, Dir, &Log), 9);
      EXPECT_TRUE(Log.Errors.empty());
      writerstest::ExpectSameTree(Src, Dir);
    }
  }
  std::printf("plain Deflate fallbacks seen: %d\n", PlainSeen);
}

// The deflated and stored payloads in a Zip local header pass unzip -t -P;
// the LZH payloads in a level-0 -lh5- header pass lhasa t.
TEST_F(BhTest, PayloadsPassZipAndLhaPeers) {
  if (!morvtest::HavePeer("unzip") || !morvtest::HavePeer("lhasa")) GTEST_SKIP() << "unzip or lhasa missing";
  int Run = 0;
  for (const TCompressMethod Method : {TCompressMethod::cmDeflate, TCompressMethod::cmFuse}) {
    for (const std::string Password : {"", "pw"}) {
      if (Method == TCompressMethod::cmFuse && !Password.empty()) continue;
      const std::string Arc = Join(Root, "p" + std::to_string(++Run) + ".bh");
      TBh W(nullptr);
      W.SetCompressMethod(Method);
      W.Password = Password;
      ASSERT_EQ(AddTree(W, Arc), 8);
      const std::vector<uint8_t> A = morvtest::ReadFile(Arc);
      std::vector<unziptest::TRawEntry> Zip;
      std::vector<uint8_t> Lzh;
      for (const BhHeader& H : BhHeaders(A)) {
        const std::vector<uint8_t> Payload = Slice(A, H.DataPos, H.NextPos);
        if (H.Method == 1) {
          TLhaBaseRecord B;
          std::memcpy(B.Method, "-lh5-", 5);
          B.PackedSize = H.PackedSize;
          B.UnpackedSize = H.UnpackedSize;
          B.Time = H.DosTime;
          std::vector<uint8_t> Head;
          const std::vector<uint8_t> Plain = morvtest::ReadFile(Join(Src, H.FileName));
          ASSERT_TRUE(MakeLhaLevel0Header(B, H.FileName, Crc16Of(Plain), Head));
          Lzh.insert(Lzh.end(), Head.begin(), Head.end());
          Lzh.insert(Lzh.end(), Payload.begin(), Payload.end());
        } else {
          unziptest::TRawEntry E;
          E.Name = H.FileName;
          E.Method = H.Method;
          E.Flags = uint16_t(H.Flags & 7);
          E.Data = Payload;
          E.Crc = H.Crc;
          E.Unpacked = H.UnpackedSize;
          Zip.push_back(E);
        }
      }
      std::string Out;
      if (!Zip.empty()) {
        const std::string Z = Join(Root, "p" + std::to_string(Run) + ".zip");
        morvtest::WriteFile(Z, unziptest::BuildZip(Zip));
        EXPECT_EQ(Peer("unzip -t " + (Password.empty() ? "" : "-P " + Password + " ") + Host(Z), &Out), 0) << Out;
      }
      if (!Lzh.empty()) {
        Lzh.push_back(0);
        const std::string L = Join(Root, "p" + std::to_string(Run) + ".lzh");
        morvtest::WriteFile(L, Lzh);
        EXPECT_EQ(Peer("lhasa t " + Host(L), &Out), 0) << Out;
      }
    }
  }
}

// Where the password comes from: the Passwords list without asking, the
// handler after a wrong answer, no handler (the entry is passed over), and
// a handler that never knows (the run ends).
TEST_F(BhTest, PasswordsAreTriedThenAskedFor) {
  const std::string Arc = Join(Root, "pw.bh");
  // A wrong password passes the header's one check byte for one header in
  // 256: the archive is made again until no wrong one of the rows does.
  for (bool Clean = false; !Clean;) {
    DeleteFile(Arc);
    TBh W(nullptr);
    W.Password = "right";
    ASSERT_EQ(AddTree(W, Arc), 8);
    const std::vector<uint8_t> A = morvtest::ReadFile(Arc);
    Clean = true;
    for (const BhHeader& H : BhHeaders(A)) {
      if (!H.Encrypted()) continue;
      uint8_t Head[ZipEncryptHeaderSize];
      std::copy_n(A.begin() + long(H.DataPos), ZipEncryptHeaderSize, Head);
      for (const char* P : {"wrong", "nope", "a", "b", "c"})
        if (ZipCheckDecryptHeader(P, Head, uint8_t(H.Crc >> 24))) Clean = false;
    }
  }
  struct Row {
    const char* What;
    std::vector<std::string> List;
    std::vector<std::string> Answers;  // empty: no handler
    int Extracted;  // -1: the entries ahead of the first enciphered one
    std::vector<int> Codes;
    int Asked;
  } Rows[] = {
      {"from the list", {"wrong", "right"}, {}, 8, {}, 0},
      {"asked after a wrong answer", {}, {"nope", "right"}, 8, {26517}, 2},
      {"no handler", {}, {}, 1, std::vector<int>(7, 25270), 0},
      {"never right", {}, {"a", "b", "c"}, -1, {26517, 26517, 26517, 26522}, 3},
  };
  int Run = 0;
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.What);
    TUnBH X(nullptr);
    for (const std::string& P : R.List) X.Passwords()->Add(P);
    int Asked = 0;
    if (!R.Answers.empty())
      X.OnGetPassword = [&](TObject*, const std::string&, std::string& P, bool& TryAgain) {
        P = R.Answers[size_t(std::min<int>(Asked, int(R.Answers.size()) - 1))];
        TryAgain = true;
        ++Asked;
      };
    unziptest::TRunLog Log;
    const int Extracted = ExtractAll(X, Arc, Join(Root, "pw" + std::to_string(++Run)), &Log);
    if (R.Extracted >= 0) {
      EXPECT_EQ(Extracted, R.Extracted);
    } else {
      EXPECT_LE(Extracted, 1);
    }
    EXPECT_EQ(Log.Codes(), R.Codes);
    EXPECT_EQ(Asked, R.Asked);
  }
}

// Deleting keeps every other entry byte for byte; adding to the archive
// keeps the old entries readable.
TEST_F(BhTest, DeleteKeepsTheOtherEntries) {
  const std::string Arc = Join(Root, "d.bh");
  TBh W(nullptr);
  ASSERT_EQ(AddTree(W, Arc), 8);
  const std::vector<uint8_t> Old = morvtest::ReadFile(Arc);
  const std::vector<BhHeader> OldHs = BhHeaders(Old);
  TBh D(nullptr);
  D.SetTempDir(Temp);
  D.SetArchiveFile(Arc);
  D.Switch = TSwitch::swDelete;
  TStringList L;
  L.Add("setup.exe");
  D.SetFileSpec(&L);
  D.Compress();
  const std::vector<uint8_t> After = morvtest::ReadFile(Arc);
  const std::vector<BhHeader> Hs = BhHeaders(After);
  ASSERT_EQ(Hs.size(), 7u);
  size_t j = 0;
  for (const BhHeader& H : OldHs) {
    if (H.FileName == "setup.exe") continue;
    EXPECT_EQ(Slice(After, Hs[j].Pos, Hs[j].NextPos), Slice(Old, H.Pos, H.NextPos)) << H.FileName;
    ++j;
  }
}
