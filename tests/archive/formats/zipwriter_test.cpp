// The Zip writer against Info-ZIP's unzip and zipinfo and 7-Zip: new
// archives at every level, stored and encrypted; entries added to and
// deleted from archives that zip made (extra fields, data descriptors); the
// header fields the format fixes; cancelling, replacing, and a failed move
// that must keep the new archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive/codecs/deflate.h"
#include "archive/core/crc.h"
#include "archive/formats/zip/unzip.h"
#include "archive/formats/zip/zipwriter.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
#include "tests/archive/formats/writers_test_util.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace writerstest;

namespace {

uint32_t Crc32Of(const std::vector<uint8_t>& D) {
  uint32_t C = 0xFFFFFFFFu;
  Crc32Block(D.data(), D.size(), C);
  return ~C;
}

class ZipWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Src = Join(Root, "src");
    Temp = Join(Root, "tmp");
    ForceDirectories(Temp);
    Z.SetTempDir(Temp);
    Z.SetArchiveFile(Join(Root, "out.zip"));
  }

  // Text and random files around the window sizes, an empty file, nested
  // folders, files with archive extensions.
  void MakeTree() {
    const struct {
      const char* Name;
      size_t Size;
      bool Random;
    } Files[] = {
        {"empty.txt", 0, false},        {"one.txt", 1, false},         {"noise.bin", 5000, true},
        {"w.txt", 32768, false},        {"a/w+1.bin", 32769, true},    {"a/2w.txt", 65536, false},
        {"a/b/big.txt", 300000, false}, {"a/b/big.bin", 150000, true}, {"pack.ZIP", 5000, false},
        {"setup.exe", 5000, false},
    };
    uint32_t Seed = 1;
    for (const auto& F : Files)
      PutFile(Src, F.Name, F.Random ? morvtest::RandomData(F.Size, Seed++) : morvtest::TextData(F.Size, Seed++));
  }

  void Spec(const std::vector<std::string>& Lines) {
    TStringList L;
    for (const std::string& S : Lines) L.Add(S);
    Z.SetFileSpec(&L);
  }

  // The whole tree below Src.
  int AddTree() {
    Z.RecurseDirs = true;
    Spec({Join(Src, "*.*")});
    return Z.Compress();
  }

  std::string Unzip(const std::string& Args, int Expect = 0) {
    std::string Out;
    EXPECT_EQ(Peer("unzip " + Args, &Out), Expect) << Out;
    return Out;
  }

  // Extracts the archive with unzip into a new folder and compares it with
  // Src.
  void ExpectExtractsToSrc(const std::string& Password = "") {
    const std::string Out = Join(Root, "x" + std::to_string(++FExtracts));
    Unzip("-q " + (Password.empty() ? "" : "-P " + Password + " ") + Host(Z.ArchiveFile()) + " -d " + Host(Out));
    ExpectSameTree(Src, Out);
  }

  int TempFilesLeft() {
    TSearchRec F;
    int Left = 0;
    if (FindFirst(Join(Temp, "*.*"), faAnyFile, F) == 0) {
      do
        if (F.Name != "." && F.Name != "..") ++Left;
      while (FindNext(F) == 0);
      FindClose(F);
    }
    return Left;
  }

  std::vector<TZipEntryView> Directory() { return ReadZipDirectory(morvtest::ReadFile(Z.ArchiveFile())); }

  void SkipWithoutPeers() {
    if (!morvtest::HavePeer("unzip") || !morvtest::HavePeer("zip")) GTEST_SKIP() << "zip/unzip missing";
  }

  std::string Root, Src, Temp;
  TZip Z{nullptr};

 private:
  int FExtracts = 0;
};

TEST_F(ZipWriter, EveryLevelPassesThePeers) {
  SkipWithoutPeers();
  MakeTree();
  const struct {
    const char* Name;
    TCompressMethod Method;
    TDeflateType Type;
    const char* SubType;  // zipinfo's compression sub-type of deflated entries
  } Cases[] = {
      {"superfast", TCompressMethod::cmDeflate, dtDeflateS, "superfast"},
      {"fast", TCompressMethod::cmDeflate, dtDeflateF, "fast"},
      {"normal", TCompressMethod::cmDeflate, dtDeflateN, "normal"},
      {"maximum", TCompressMethod::cmDeflate, dtDeflateX, "maximum"},
      {"stored", TCompressMethod::cmStore, dtDeflateN, nullptr},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    DeleteFile(Z.ArchiveFile());
    Z.SetCompressMethod(C.Method);
    Z.SetDeflateType(C.Type);
    EXPECT_EQ(AddTree(), 10);
    Unzip("-tq " + Host(Z.ArchiveFile()));
    if (morvtest::HavePeer("7zz")) {
      std::string Out;
      EXPECT_EQ(Peer("7zz t " + Host(Z.ArchiveFile()), &Out), 0) << Out;
    }
    ExpectExtractsToSrc();

    std::string Info;
    ASSERT_EQ(Peer("zipinfo -v " + Host(Z.ArchiveFile()) + " a/b/big.txt", &Info), 0) << Info;
    if (C.SubType) {
      EXPECT_NE(Info.find("compression method:                             deflated"), std::string::npos) << Info;
      EXPECT_NE(Info.find(std::string("compression sub-type (deflation):               ") + C.SubType + "\n"),
                std::string::npos)
          << Info;
    } else {
      EXPECT_NE(Info.find("compression method:                             none (stored)"), std::string::npos)
          << Info;
    }
    for (const TZipEntryView& E : Directory()) {
      SCOPED_TRACE(E.Name);
      EXPECT_EQ(E.LocalMethod, E.CentralMethod);
      EXPECT_EQ(E.LocalCrc, E.Crc);
      EXPECT_EQ(E.LocalPacked, E.Packed);
      if (C.Method == TCompressMethod::cmStore) {
        EXPECT_EQ(E.CentralMethod, 0);
      }
      if (E.CentralMethod == 8) {
        EXPECT_EQ(E.CentralFlags & 6, Z.DeflateFlags());
      } else {
        EXPECT_EQ(E.Packed, E.Unpacked);
      }
    }
  }
  EXPECT_EQ(TempFilesLeft(), 0);
}

TEST_F(ZipWriter, HeaderFields) {
  SkipWithoutPeers();
  MakeTree();
  EXPECT_EQ(AddTree(), 10);
  const std::vector<TZipEntryView> Dir = Directory();
  ASSERT_EQ(Dir.size(), 10u);
  for (const TZipEntryView& E : Dir) {
    SCOPED_TRACE(E.Name);
    EXPECT_EQ(E.LocalVersion, 20);
    EXPECT_EQ(E.CentralVersion, 9);
    EXPECT_EQ(E.InternalAttr, 1);
    EXPECT_EQ(E.ExtraLength, 0);
    EXPECT_EQ(E.CommentLength, 0);
    EXPECT_EQ(E.ExternalAttr & faDirectory, 0u);
    const std::vector<uint8_t> Data = morvtest::ReadFile(Join(Src, E.Name));
    EXPECT_EQ(E.Unpacked, Data.size());
    EXPECT_EQ(E.Crc, Data.empty() ? 0u : Crc32Of(Data));
  }
  // Names use "/"; the empty file is stored with nothing at all.
  const TZipEntryView* Empty = FindEntry(Dir, "empty.txt");
  ASSERT_TRUE(Empty);
  EXPECT_EQ(Empty->CentralMethod, 0);
  EXPECT_EQ(Empty->Crc, 0u);
  EXPECT_EQ(Empty->Packed, 0u);
  ASSERT_TRUE(FindEntry(Dir, "a/b/big.txt"));
  // Random bytes do not shrink: the encoder's plain output is recorded as
  // stored, without level flags.
  const std::vector<uint8_t> Noise = morvtest::ReadFile(Join(Src, "noise.bin"));
  bool Plain = false;
  DeflateBuffer(Noise.data(), Noise.size(), Z.DeflateLevel(), true, &Plain);
  ASSERT_TRUE(Plain);
  EXPECT_EQ(FindEntry(Dir, "noise.bin")->CentralMethod, 0);
  EXPECT_EQ(FindEntry(Dir, "noise.bin")->Packed, 5000u);
  EXPECT_EQ(FindEntry(Dir, "noise.bin")->CentralFlags, 0);
  EXPECT_EQ(FindEntry(Dir, "a/b/big.txt")->CentralMethod, 8);
}

TEST_F(ZipWriter, AlreadyCompressedExtensionsAreStored) {
  MakeTree();
  Spec({Join(Src, "pack.ZIP"), Join(Src, "setup.exe")});
  EXPECT_EQ(Z.Compress(), 2);
  std::vector<TZipEntryView> Dir = Directory();
  ASSERT_EQ(Dir.size(), 2u);
  EXPECT_EQ(FindEntry(Dir, "pack.ZIP")->CentralMethod, 0) << "stored as it is";
  EXPECT_EQ(FindEntry(Dir, "setup.exe")->CentralMethod, 8) << ".EXE files are deflated";

  DeleteFile(Z.ArchiveFile());
  Z.StoreAlreadyCompressedFiles = false;
  EXPECT_EQ(Z.Compress(), 2);
  Dir = Directory();
  EXPECT_EQ(FindEntry(Dir, "pack.ZIP")->CentralMethod, 8);
}

TEST_F(ZipWriter, EncryptedEntriesPassThePeers) {
  SkipWithoutPeers();
  MakeTree();
  Z.Password = "pw";
  EXPECT_EQ(AddTree(), 10);
  Unzip("-tq -P pw " + Host(Z.ArchiveFile()));
  if (morvtest::HavePeer("7zz")) {
    std::string Out;
    EXPECT_EQ(Peer("7zz t -ppw " + Host(Z.ArchiveFile()), &Out), 0) << Out;
  }
  ExpectExtractsToSrc("pw");
  std::string Out;
  EXPECT_NE(Peer("unzip -tq -P wrong " + Host(Z.ArchiveFile()), &Out), 0) << Out;

  for (const TZipEntryView& E : Directory()) {
    SCOPED_TRACE(E.Name);
    if (E.Unpacked == 0) {
      // Nothing to encipher: no flag, no encryption header.
      EXPECT_EQ(E.CentralFlags, 0);
      EXPECT_EQ(E.LocalFlags, 0);
      EXPECT_EQ(E.Packed, 0u);
      EXPECT_EQ(E.CentralMethod, 0);
    } else {
      EXPECT_EQ(E.CentralFlags & 1, 1);
      EXPECT_EQ(E.LocalFlags & 1, 1);
    }
  }

  // Our own extractor takes the password from its list.
  const std::string Back = Join(Root, "back");
  TUnZIP U(nullptr);
  U.SetArchiveFile(Z.ArchiveFile());
  U.Passwords()->Add("pw");
  TStringList All;
  All.Add("*.*");
  U.SetFileSpec(&All);
  U.SetExtractDir(Back);
  U.ConfirmOverwrites = false;
  EXPECT_EQ(U.Extract(), 10);
  ExpectSameTree(Src, Back);
}

TEST_F(ZipWriter, EncryptedHundredBytes) {
  const std::vector<uint8_t> Data = morvtest::TextData(100, 9);
  PutFile(Src, "h.txt", Data);
  Z.Password = "secret";
  Spec({Join(Src, "h.txt")});
  EXPECT_EQ(Z.Compress(), 1);
  bool Plain = false;
  const std::vector<uint8_t> Encoded = DeflateBuffer(Data.data(), Data.size(), Z.DeflateLevel(), true, &Plain);
  const std::vector<TZipEntryView> Dir = Directory();
  ASSERT_EQ(Dir.size(), 1u);
  EXPECT_EQ(Dir[0].Packed, Encoded.size() + 12);
  EXPECT_EQ(Dir[0].LocalPacked, Encoded.size() + 12);
  EXPECT_EQ(Dir[0].CentralMethod, Plain ? 0 : 8);
  EXPECT_EQ(Dir[0].LocalFlags & 1, 1);
  EXPECT_EQ(Dir[0].CentralFlags & 1, 1);
  EXPECT_EQ(Dir[0].Crc, Crc32Of(Data));
}

TEST_F(ZipWriter, ListsAnArchive) {
  MakeTree();
  EXPECT_EQ(AddTree(), 10);
  Z.Switch = TSwitch::swRead;
  std::vector<std::string> Names;
  std::vector<int> Numbers;
  Z.OnRead = [&](TObject*, int, int Num) {
    Names.push_back(Z.Entry.FileName);
    Numbers.push_back(Num);
    if (Z.Entry.FileName == "a\\2w.txt") {
      EXPECT_EQ(Z.Entry.UnpackedSize, 65536u);
      EXPECT_EQ(Z.Entry.MethodName, "DeflateN");
    }
  };
  EXPECT_EQ(Z.Compress(), 0);
  EXPECT_EQ(Names.size(), 10u);
  EXPECT_EQ(Numbers.back(), 10);
  EXPECT_NE(std::find(Names.begin(), Names.end(), "a\\2w.txt"), Names.end());
}

// An archive of Src made by zip: seekable (with extra fields) or streamed
// through a pipe (data descriptors, local extra fields unlike the central
// ones).
std::string MakeInfoZip(const std::string& Src, const std::string& Arc, bool Streamed, const std::string& Opts) {
  std::string Cmd = "cd " + Host(Src) + " && zip -q -r " + Opts + " ";
  Cmd += Streamed ? "- . | cat > " + Host(Arc) : Host(Arc) + " .";
  std::string Out;
  EXPECT_EQ(Peer(Cmd, &Out), 0) << Out;
  return Arc;
}

TEST_F(ZipWriter, AddsToInfoZipArchives) {
  SkipWithoutPeers();
  MakeTree();
  const struct {
    const char* Name;
    bool Streamed;
    const char* Opts;
  } Cases[] = {
      {"seekable", false, "-6"},
      {"streamed", true, "-6"},
      {"streamed stored", true, "-0"},
      {"encrypted streamed", true, "-P old"},
  };
  const std::string NewDir = Join(Root, "new");
  PutFile(NewDir, "added.txt", morvtest::TextData(40000, 77));
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    DeleteFile(Z.ArchiveFile());
    MakeInfoZip(Src, Z.ArchiveFile(), C.Streamed, C.Opts);
    const std::vector<TZipEntryView> Before = Directory();
    const std::vector<uint8_t> Old = morvtest::ReadFile(Z.ArchiveFile());
    const size_t OldCentral = GetLE32(Old.data() + Old.size() - 22 + 16);
    if (C.Streamed) {
      int Descriptors = 0;
      for (const TZipEntryView& E : Before) Descriptors += (E.CentralFlags & 8) ? 1 : 0;
      ASSERT_GT(Descriptors, 0) << "zip did not use data descriptors";
    }
    Spec({Join(NewDir, "added.txt")});
    EXPECT_EQ(Z.Compress(), 1);
    const std::string Pw = std::string(C.Opts).find("-P") != std::string::npos ? "-P old " : "";
    Unzip("-tq " + Pw + Host(Z.ArchiveFile()));
    if (morvtest::HavePeer("7zz")) {
      std::string Out;
      EXPECT_EQ(Peer("7zz t " + std::string(Pw.empty() ? "" : "-pold ") + Host(Z.ArchiveFile()), &Out), 0) << Out;
    }
    const std::string Out = Join(Root, std::string("x-") + (C.Streamed ? "s" : "n") + C.Opts[1]);
    Unzip("-q " + Pw + Host(Z.ArchiveFile()) + " -x added.txt -d " + Host(Out));
    ExpectSameTree(Src, Out);
    const std::vector<uint8_t> New = morvtest::ReadFile(Z.ArchiveFile());
    ASSERT_GT(New.size(), OldCentral);
    EXPECT_TRUE(std::equal(Old.begin(), Old.begin() + long(OldCentral), New.begin()))
        << "every old entry is copied as it was";
    const std::vector<TZipEntryView> After = Directory();
    EXPECT_EQ(After.size(), Before.size() + 1);
    for (const TZipEntryView& Old : Before) {
      const TZipEntryView* E = FindEntry(After, Old.Name);
      ASSERT_TRUE(E) << Old.Name;
      EXPECT_EQ(E->ExtraLength, Old.ExtraLength) << "the central extra field is kept";
      EXPECT_EQ(E->Crc, Old.Crc);
      EXPECT_EQ(E->CentralFlags, Old.CentralFlags);
    }
    std::string Text;
    Unzip("-p " + Host(Z.ArchiveFile()) + " added.txt > " + Host(Join(Root, "added.out")));
    EXPECT_EQ(morvtest::ReadFile(Join(Root, "added.out")), morvtest::TextData(40000, 77));
  }
  EXPECT_EQ(TempFilesLeft(), 0);
}

// One stored entry whose sizes follow in a data descriptor without its
// signature, behind a program stub, with an archive comment.
std::vector<uint8_t> CraftDescriptorZip(const std::vector<uint8_t>& Data, uint32_t Crc) {
  std::vector<uint8_t> A(64, 'S');
  const std::string Name = "bare.txt";
  const uint32_t Local = uint32_t(A.size());
  TZipLocalHeader L;
  L.Flags = zgDataDescriptor;
  L.NameLength = uint16_t(Name.size());
  uint8_t Rec[46];
  L.Write(Rec);
  A.insert(A.end(), Rec, Rec + 30);
  A.insert(A.end(), Name.begin(), Name.end());
  A.insert(A.end(), Data.begin(), Data.end());
  uint8_t D[12];
  PutLE32(D, Crc);
  PutLE32(D + 4, uint32_t(Data.size()));
  PutLE32(D + 8, uint32_t(Data.size()));
  A.insert(A.end(), D, D + 12);
  const uint32_t Cd = uint32_t(A.size());
  TZipCentralHeader C;
  C.Flags = zgDataDescriptor;
  C.Crc32 = Crc;
  C.PackedSize = C.UnpackedSize = uint32_t(Data.size());
  C.NameLength = uint16_t(Name.size());
  C.ExternalAttr = 0x20;
  C.LocalHeaderOffset = Local;
  C.Write(Rec);
  A.insert(A.end(), Rec, Rec + 46);
  A.insert(A.end(), Name.begin(), Name.end());
  TZipEndRecord E;
  E.EntriesOnDisk = E.EntriesTotal = 1;
  E.CentralDirSize = uint32_t(A.size() - Cd);
  E.CentralDirOffset = Cd;
  const std::string Comment = "kept comment";
  E.CommentLength = uint16_t(Comment.size());
  E.Write(Rec);
  A.insert(A.end(), Rec, Rec + 22);
  A.insert(A.end(), Comment.begin(), Comment.end());
  return A;
}

TEST_F(ZipWriter, AddsBehindUnsignedDescriptorsAndAStub) {
  SkipWithoutPeers();
  const std::vector<uint8_t> Data = morvtest::TextData(3000, 5);
  const std::vector<uint8_t> Crafted = CraftDescriptorZip(Data, Crc32Of(Data));
  morvtest::WriteFile(Z.ArchiveFile(), Crafted);
  std::string Out;
  ASSERT_EQ(Peer("unzip -tq " + Host(Z.ArchiveFile()), &Out), 0) << "the crafted archive itself: " << Out;
  PutFile(Src, "new.txt", morvtest::TextData(500, 6));
  Spec({Join(Src, "new.txt")});
  EXPECT_EQ(Z.Compress(), 1);
  Unzip("-tq " + Host(Z.ArchiveFile()));
  const std::vector<uint8_t> A = morvtest::ReadFile(Z.ArchiveFile());
  ASSERT_GT(A.size(), 64u + 30 + 8 + Data.size() + 12);
  EXPECT_TRUE(std::equal(Crafted.begin(), Crafted.begin() + 64 + 30 + 8 + 3000 + 12, A.begin()))
      << "stub, entry and descriptor copied as they were";
  EXPECT_EQ(std::string(A.end() - 12, A.end()), "kept comment");
  Unzip("-p " + Host(Z.ArchiveFile()) + " bare.txt > " + Host(Join(Root, "bare.out")));
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "bare.out")), Data);
}

TEST_F(ZipWriter, AddsToAnArchiveStreamedFromAPipe) {
  SkipWithoutPeers();
  // zip reading standard input writes Zip64 local fields and 24-byte data
  // descriptors, though the central sizes are small.
  const std::vector<uint8_t> Piped = morvtest::TextData(70000, 12);
  const std::string PipedName = PutFile(Root, "piped.dat", Piped);
  std::string Out;
  ASSERT_EQ(Peer("zip -q - - < " + Host(PipedName) + " | cat > " + Host(Z.ArchiveFile()), &Out), 0) << Out;
  const std::vector<uint8_t> Old = morvtest::ReadFile(Z.ArchiveFile());
  const size_t OldCentral = GetLE32(Old.data() + Old.size() - 22 + 16);
  PutFile(Src, "new.txt", morvtest::TextData(500, 6));
  Spec({Join(Src, "new.txt")});
  EXPECT_EQ(Z.Compress(), 1);
  const std::vector<uint8_t> New = morvtest::ReadFile(Z.ArchiveFile());
  ASSERT_GT(New.size(), OldCentral);
  EXPECT_TRUE(std::equal(Old.begin(), Old.begin() + long(OldCentral), New.begin()))
      << "the entry with its whole descriptor is copied as it was";
  Unzip("-tq " + Host(Z.ArchiveFile()));
  Unzip("-p " + Host(Z.ArchiveFile()) + " - > " + Host(Join(Root, "piped.out")));
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "piped.out")), Piped);
}

TEST_F(ZipWriter, DeletesEntries) {
  SkipWithoutPeers();
  MakeTree();
  MakeInfoZip(Src, Z.ArchiveFile(), true, "-6");
  const std::vector<uint8_t> Original = morvtest::ReadFile(Z.ArchiveFile());
  Z.Switch = TSwitch::swDelete;
  Spec({"a/b/*"});
  EXPECT_EQ(Z.Compress(), 0);
  Unzip("-tq " + Host(Z.ArchiveFile()));
  std::vector<TZipEntryView> Dir = Directory();
  EXPECT_FALSE(FindEntry(Dir, "a/b/big.txt"));
  EXPECT_FALSE(FindEntry(Dir, "a/b/big.bin"));
  ASSERT_TRUE(FindEntry(Dir, "a/2w.txt"));
  const std::string Out = Join(Root, "x");
  Unzip("-q " + Host(Z.ArchiveFile()) + " -d " + Host(Out));
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "a/2w.txt")), morvtest::ReadFile(Join(Src, "a/2w.txt")));
  EXPECT_FALSE(FileExists(Join(Out, "a/b/big.txt")));

  // Deleting every entry leaves the archive as it was.
  const std::vector<uint8_t> Kept = morvtest::ReadFile(Z.ArchiveFile());
  Spec({"*"});
  EXPECT_EQ(Z.Compress(), 0);
  EXPECT_EQ(morvtest::ReadFile(Z.ArchiveFile()), Kept);
  EXPECT_NE(Kept, Original);
  EXPECT_EQ(TempFilesLeft(), 0);
}

TEST_F(ZipWriter, NothingNewLeavesTheArchiveUnchanged) {
  MakeTree();
  EXPECT_EQ(AddTree(), 10);
  const std::vector<uint8_t> First = morvtest::ReadFile(Z.ArchiveFile());
  EXPECT_EQ(AddTree(), 0) << "every name is in the archive and nothing asks to replace it";
  EXPECT_EQ(morvtest::ReadFile(Z.ArchiveFile()), First);
  EXPECT_FALSE(Z.ArchiveWritten());
  EXPECT_EQ(TempFilesLeft(), 0);
}

TEST_F(ZipWriter, ReplaceFileEvent) {
  SkipWithoutPeers();
  PutFile(Src, "keep.txt", morvtest::TextData(1000, 1));
  PutFile(Src, "doc.txt", morvtest::TextData(2000, 2));
  Spec({Join(Src, "*.*")});
  EXPECT_EQ(Z.Compress(), 2);
  PutFile(Src, "doc.txt", morvtest::TextData(2500, 3));

  std::vector<std::string> Asked;
  Z.OnReplaceFile = [&](TObject*, const std::string& OldFN, const std::string& FN, TDateTime, TDateTime,
                        int OldSize, int NewSize, int, int, bool& Replace) {
    Asked.push_back(OldFN);
    if (OldFN == "doc.txt") {
      EXPECT_EQ(FN, Join(Src, "doc.txt"));
      EXPECT_EQ(OldSize, 2000);
      EXPECT_EQ(NewSize, 2500);
    }
    Replace = OldFN == "doc.txt";
  };
  EXPECT_EQ(Z.Compress(), 1);
  EXPECT_EQ(Asked.size(), 2u);
  Unzip("-tq " + Host(Z.ArchiveFile()));
  const std::string Out = Join(Root, "x");
  Unzip("-q " + Host(Z.ArchiveFile()) + " -d " + Host(Out));
  ExpectSameTree(Src, Out);
  EXPECT_EQ(Directory().size(), 2u);
}

TEST_F(ZipWriter, CancelCompletesTheArchive) {
  SkipWithoutPeers();
  MakeTree();
  // A first archive of three files, then an update cancelled after its first
  // new file.
  Spec({Join(Src, "one.txt"), Join(Src, "w.txt"), Join(Src, "noise.bin")});
  EXPECT_EQ(Z.Compress(), 3);
  int Ended = 0;
  Z.OnEnd = [&](TObject*, const std::string&, bool Pass) {
    EXPECT_TRUE(Pass);
    if (++Ended == 1) SetComponentCancel(&Z, true);
  };
  Z.RecurseDirs = true;
  Spec({Join(Src, "a/*.*")});
  EXPECT_EQ(Z.Compress(), 1);
  EXPECT_EQ(Ended, 1);
  Unzip("-tq " + Host(Z.ArchiveFile()));
  const std::vector<TZipEntryView> Dir = Directory();
  EXPECT_EQ(Dir.size(), 4u) << "the old entries stay and one new file was added";
  EXPECT_TRUE(FindEntry(Dir, "one.txt"));
  EXPECT_TRUE(FindEntry(Dir, "noise.bin"));
  EXPECT_EQ(TempFilesLeft(), 0);
}

TEST_F(ZipWriter, FailedReplaceKeepsTheNewArchive) {
  SkipWithoutPeers();
  PutFile(Src, "a.txt", morvtest::TextData(1000));
  // A folder in the archive's place cannot be replaced by a file.
  const std::string Blocked = Join(Root, "blocked.zip");
  ForceDirectories(Blocked);
  PutFile(Blocked, "inside.txt", morvtest::TextData(10));
  Z.SetArchiveFile(Blocked);
  Spec({Join(Src, "a.txt")});
  std::string ErrFN, ErrMsg;
  int ErrCode = 0;
  Z.OnError = [&](TObject*, const std::string& FN, const std::string& MsgEx, const std::string&, int Code) {
    ErrFN = FN;
    ErrMsg = MsgEx;
    ErrCode = Code;
  };
  std::string What;
  try {
    Z.Compress();
  } catch (const E_RAISE& E) {
    What = E.what();
  }
  ASSERT_FALSE(What.empty()) << "the failure is raised";
  EXPECT_EQ(ErrCode, 25136);
  EXPECT_EQ(ErrFN, Blocked);
  ASSERT_FALSE(ErrMsg.empty());
  EXPECT_NE(What.find(ErrMsg), std::string::npos) << What;
  EXPECT_EQ(ErrMsg, Z.TempFileName());
  ASSERT_TRUE(FileExists(ErrMsg)) << "the new archive is kept";
  Unzip("-tq " + Host(ErrMsg));
  EXPECT_TRUE(FileExists(Join(Blocked, "inside.txt")));
  DeleteFile(ErrMsg);
}

#ifndef _WIN32
TEST_F(ZipWriter, ReplacesFromAnotherFileSystem) {
  // The temporary file on a memory file system cannot simply be renamed
  // into place.
  if (!DirectoryExists("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  PutFile(Src, "a.txt", morvtest::TextData(5000, 1));
  PutFile(Src, "b.txt", morvtest::TextData(5000, 2));
  Spec({Join(Src, "a.txt")});
  EXPECT_EQ(Z.Compress(), 1);
  const std::string Shm = "/dev/shm/morv-zipwriter-" + std::to_string(getpid());
  ForceDirectories(Shm);
  Z.SetTempDir(Shm);
  Spec({Join(Src, "b.txt")});
  EXPECT_EQ(Z.Compress(), 1);
  EXPECT_EQ(Directory().size(), 2u);
  EXPECT_TRUE(Z.ArchiveWritten());
  TSearchRec F;
  int Left = 0;
  for (const std::string& Dir : {Shm, Root})
    if (FindFirst(Join(Dir, "*.*"), faAnyFile, F) == 0) {
      do
        if (F.Name.find("arc") == 0 || F.Name.find(".zip.") != std::string::npos) ++Left;
      while (FindNext(F) == 0);
      FindClose(F);
    }
  EXPECT_EQ(Left, 0) << "no temporary file is left";
  RemoveDir(Shm);
}
#endif

TEST_F(ZipWriter, MoveDeletesTheFilesAdded) {
  PutFile(Src, "a.txt", morvtest::TextData(1000, 1));
  PutFile(Src, "b.txt", morvtest::TextData(1000, 2));
  Spec({Join(Src, "a.txt")});
  EXPECT_EQ(Z.Compress(), 1);
  // b.txt is new; the a.txt on disk is not added again (no replace
  // handler), so it must stay.
  Z.Switch = TSwitch::swMove;
  Spec({Join(Src, "*.txt")});
  EXPECT_EQ(Z.Compress(), 1);
  EXPECT_FALSE(FileExists(Join(Src, "b.txt")));
  EXPECT_TRUE(FileExists(Join(Src, "a.txt")));
  EXPECT_EQ(Directory().size(), 2u);
}

TEST_F(ZipWriter, RefusesEntriesOfFourGigabytes) {
  PutFile(Src, "small.txt", morvtest::TextData(100));
  {
    TFileStream Big(Join(Src, "huge.bin"), fmCreate);
    Big.SetSize(0x100000001LL);
  }
  Spec({Join(Src, "*.*")});
  std::string ErrFN;
  Z.OnError = [&](TObject*, const std::string& FN, const std::string&, const std::string&, int) { ErrFN = FN; };
  EXPECT_EQ(Z.Compress(), 1);
  EXPECT_EQ(ErrFN, Join(Src, "huge.bin"));
  const std::vector<TZipEntryView> Dir = Directory();
  ASSERT_EQ(Dir.size(), 1u);
  EXPECT_EQ(Dir[0].Name, "small.txt");
  DeleteFile(Join(Src, "huge.bin"));
}

TEST_F(ZipWriter, RefusesWhatIsNotAZipArchive) {
  PutFile(Src, "a.txt", morvtest::TextData(100));
  morvtest::WriteFile(Z.ArchiveFile(), morvtest::TextData(5000));
  Spec({Join(Src, "a.txt")});
  EXPECT_THROW(Z.Compress(), E_RAISE);
  EXPECT_EQ(morvtest::ReadFile(Z.ArchiveFile()), morvtest::TextData(5000));
  EXPECT_EQ(TempFilesLeft(), 0);
}

TEST(JarWriter, TypeAndExtension) {
  TJar J(nullptr);
  EXPECT_EQ(J.ArcType(), atJar);
  EXPECT_EQ(J.DefaultExt(), ".JAR");
  const std::string Root = morvtest::TempDir();
  J.SetArchiveFile(Join(Root, "lib"));
  EXPECT_EQ(J.ArchiveFile(), Join(Root, "lib.JAR"));
  J.SetArcType(atZip);
  EXPECT_EQ(J.ArcType(), atJar);
  TZip Z(nullptr);
  EXPECT_EQ(Z.ArcType(), atZip);
  EXPECT_EQ(Z.DefaultExt(), ".ZIP");
  EXPECT_EQ(Z.CompressMethod(), TCompressMethod::cmDeflate);

  PutFile(Root, "src/Main.class", morvtest::TextData(2000));
  TStringList L;
  L.Add(Join(Root, "src/*.*"));
  J.SetFileSpec(&L);
  EXPECT_EQ(J.Compress(), 1);
  if (morvtest::HavePeer("unzip")) {
    std::string Out;
    EXPECT_EQ(Peer("unzip -tq " + Host(J.ArchiveFile()), &Out), 0) << Out;
  }
}

}  // namespace
