// The library run shared by the RAR and ACE extractors, over a library
// stand-in: the password retry, the write through a temporary name and the
// exceptions kept away from the library's frames.
#include "archive/core/unlibrary.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "archive/core/crc.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace {

std::string Join(const std::string& Dir, const std::string& Name) {
#ifdef _WIN32
  return Dir + "\\" + Name;
#else
  return Dir + "/" + Name;
#endif
}

enum { kEnd = 10, kBadCrc = 12, kPassword = 22, kUnsupported = 14 };

// A library whose archive is a list of entries held in memory. An entry
// with a Key asks for that password; Corrupt data fails its CRC after it
// was written.
class TFakeLib : public TUnLibrary {
 public:
  TFakeLib() : TUnLibrary(nullptr) {}
  struct TItem {
    std::string Name;
    std::string Data;
    std::string Key;
    bool Corrupt = false;
    bool Compressed = false;
  };
  std::vector<TItem> Items;
  int Opens = 0;
  std::vector<std::string> Processed;  // names the library wrote or tested
  bool ReturnedAfterThrow = false;

 protected:
  void DetectArcType() override { FArcType = atACE; }
  bool LibLoaded() const override { return true; }
  int MissingLibraryError() const override { return errNoAce; }
  TLibCodes Codes() const override { return {kEnd, kBadCrc, kPassword}; }
  int MapResult(int R) const override {
    return R == kBadCrc ? errCrcCheck : R == kPassword ? errBadPassword : R == kUnsupported ? errBadArcType : 0;
  }
  int LibOpen(const std::string&) override {
    ++Opens;
    FAt = 0;
    return 0;
  }
  void LibClose() override {}
  int LibReadHeader(TLibEntry& E) override {
    if (FAt >= Items.size()) return kEnd;
    const TItem& I = Items[FAt++];
    E = TLibEntry();
    E.Name = I.Name;
    E.PackSize = E.UnpSize = uint32_t(I.Data.size());
    uint32_t Crc = 0xFFFFFFFFu;
    Crc32Block(reinterpret_cast<const uint8_t*>(I.Data.data()), I.Data.size(), Crc);
    E.Crc = ~Crc;
    E.FileTime = 0x5A216000;
    E.Attr = 32;
    E.Encrypted = !I.Key.empty();
    return 0;
  }
  int LibProcess(int Operation, char*, char* Name) override {
    const TItem& I = Items[FAt - 1];
    if (Operation == opSkip) return 0;
    if (!I.Key.empty() && FPassword != I.Key) return kPassword;
    if (I.Compressed) return kUnsupported;
    std::string Data = I.Data;
    if (I.Corrupt) Data[0] ^= 1;
    Processed.push_back(I.Name);
    if (Operation == opExtract) morvtest::WriteFile(Name, Data);
    const int Go = DataProc(reinterpret_cast<unsigned char*>(Data.data()), int(Data.size()));
    if (Go <= 0) {
      ReturnedAfterThrow = true;
      return 255;
    }
    return I.Corrupt ? kBadCrc : 0;
  }
  void LibSetPassword(char* P) override { FPassword = P; }
  void PreScan(const std::string&) override {
    for (const TItem& I : Items) CountWanted(I.Data.size(), 0x5A216000);
  }

 private:
  size_t FAt = 0;
  std::string FPassword;
};

class UnLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Arc = Join(Dir, "fake.ace");
    morvtest::WriteFile(Arc, std::string("fake"));
    Out = Join(Dir, "out");
    L.SetArchiveFile(Arc);
    L.SetExtractDir(Out);
    L.FileSpec()->Add("*.*");
    L.ConfirmOverwrites = false;
    L.OnError = [this](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
      Errors.push_back(Code);
    };
  }
  std::string Read(const std::string& Name) {
    const std::vector<uint8_t> D = morvtest::ReadFile(Join(Out, Name));
    return std::string(D.begin(), D.end());
  }
  TFakeLib L;
  std::string Dir, Arc, Out;
  std::vector<int> Errors;
};

TEST_F(UnLibraryTest, WrongPasswordRetriesTheSameEntry) {
  L.Items = {{"a.txt", "first", "", false}, {"b.txt", "second", "right", false}, {"c.txt", "third", "", false}};
  std::vector<std::string> Asked;
  L.OnGetPassword = [&](TObject*, const std::string& FN, std::string& Pw, bool&) {
    Asked.push_back(ExtractFileName(FN));
    Pw = Asked.size() == 1 ? "wrong" : "right";
  };
  EXPECT_EQ(L.Extract(), 3);
  EXPECT_EQ(Asked, (std::vector<std::string>{"b.txt", "b.txt"}));
  EXPECT_EQ(L.Opens, 2);
  // The walk back to the entry passes a.txt over without writing it again.
  EXPECT_EQ(L.Processed, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(Read("b.txt"), "second");
  EXPECT_EQ(Read("c.txt"), "third");
  EXPECT_TRUE(Errors.empty());
}

TEST_F(UnLibraryTest, RefusedPasswordsEndTheRunAndKeepTheSelection) {
  L.Items = {{"a.txt", "first", "right", false}, {"b.txt", "second", "", false}};
  L.PasswordAttempts = 2;
  int Asked = 0;
  L.OnGetPassword = [&](TObject*, const std::string&, std::string& Pw, bool&) {
    ++Asked;
    Pw = "wrong";
  };
  EXPECT_EQ(L.Extract(), 0);
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Errors, std::vector<int>{errBadPassword});
  EXPECT_EQ(L.FileSpec()->Count(), 1);
  EXPECT_FALSE(FileExists(Join(Out, "b.txt")));
}

TEST_F(UnLibraryTest, ExistingTargetGivesWayOnlyToASoundCopy) {
  L.Items = {{"a.txt", "fresh", "", false}, {"b.txt", "broken", "", true}};
  ForceDirectories(Out);
  morvtest::WriteFile(Join(Out, "a.txt"), std::string("old a"));
  morvtest::WriteFile(Join(Out, "b.txt"), std::string("old b"));
  std::vector<bool> Ends;
  L.OnEnd = [&](TObject*, const std::string&, bool Pass) { Ends.push_back(Pass); };
  EXPECT_EQ(L.Extract(), 1);
  EXPECT_EQ(Ends, (std::vector<bool>{true, false}));
  EXPECT_EQ(Read("a.txt"), "fresh");
  EXPECT_EQ(Read("b.txt"), "old b");
  std::string Left;
  morvtest::RunPeer("ls " + morvtest::HostPath(Out), &Left);
  EXPECT_EQ(Left, "a.txt\nb.txt\n");
}

TEST_F(UnLibraryTest, UnsupportedEntryIsReportedAndTheNextGoesOn) {
  L.Items = {{"a.txt", "packed", "", false, true}, {"b.txt", "plain", "", false}};
  EXPECT_EQ(L.Extract(), 1);
  EXPECT_EQ(Errors, std::vector<int>{errBadArcType});
  EXPECT_FALSE(FileExists(Join(Out, "a.txt")));
  EXPECT_EQ(Read("b.txt"), "plain");
}

TEST_F(UnLibraryTest, ExceptionInsideTheCallbackWaitsForTheLibraryToReturn) {
  L.Items = {{"a.txt", "data", "", false}};
  L.OnProgress = [](TObject*, uint8_t File, uint8_t) {
    if (File > 0) throw std::runtime_error("stop");
  };
  EXPECT_THROW(L.Extract(), std::runtime_error);
  EXPECT_TRUE(L.ReturnedAfterThrow);
  std::string Left;
  morvtest::RunPeer("ls " + morvtest::HostPath(Out), &Left);
  EXPECT_EQ(Left, "");
}

TEST_F(UnLibraryTest, TestModeChecksTheDataCrc) {
  L.Items = {{"a.txt", "good", "", false}, {"b.txt", "bad", "", true}};
  std::vector<bool> Ends;
  L.OnEnd = [&](TObject*, const std::string&, bool Pass) { Ends.push_back(Pass); };
  L.TestArchive();
  EXPECT_EQ(Ends, (std::vector<bool>{true, false}));
  EXPECT_FALSE(DirectoryExists(Out));
}

}  // namespace
