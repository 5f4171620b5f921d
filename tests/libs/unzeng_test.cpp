// UNZENG.DLL on its own: loaded by path, driven with hand-made records and a
// callback that records what the library reports.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/core/crc.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"
#include "libs/zipengrecs.h"

using morvtest::HostPath;
using morvtest::ReadFile;
using morvtest::SharedPath;
using morvtest::TempDir;
using morvtest::WriteFile;

namespace {

std::string DllPath(const std::string& Variant) {
  return morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/" + Variant + "/UNZENG.DLL");
}

class TLibrary {
 public:
  explicit TLibrary(const std::string& Variant) : FHandle(LoadLibraryA(DllPath(Variant).c_str())) {}
  ~TLibrary() {
    if (FHandle) FreeLibrary(FHandle);
  }
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;
  bool Loaded() const { return FHandle != nullptr; }
  template <class F>
  F Entry(const char* Name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(FHandle, Name)));
  }

 private:
  HMODULE FHandle;
};

struct TEvent {
  int32_t Action, Error, Size;
  std::string Text;
};

// One library call: the record, the texts it points to, and the events.
class TSession {
 public:
  explicit TSession(const std::string& Archive) : FArchive(Archive) {
    std::memset(&Rec, 0, sizeof Rec);
    Rec.Head.Caller = this;
    Rec.Head.Version = ZipRecordVersion;
    Rec.Head.Callback = &TSession::Callback;
    Rec.Head.Reserved40 = -1;
    Rec.Head.ZipFileName = FArchive.data();
    Rec.Seven = 7;
  }
  void Spec(const std::string& S) {
    FTexts.push_back(std::make_unique<std::string>(S));
    FSpecs.push_back(UnzFileData{});
    for (size_t i = 0; i < FSpecs.size(); i++) FSpecs[i].FileSpec = FTexts[i]->data();
    Rec.Specs = FSpecs.data();
    Rec.Head.ArgCount = int32_t(FSpecs.size());
  }
  void Password(const std::string& P) {
    FPassword = P;
    Rec.Head.Password = FPassword.data();
  }
  int32_t Run(const TLibrary& Lib) {
    auto Exec = Lib.Entry<ZipEngExecFunc>("UnzEngExec");
    EXPECT_NE(Exec, nullptr);
    return Exec ? Exec(&Rec) : -99;
  }
  std::vector<TEvent> Of(int32_t Action) const {
    std::vector<TEvent> R;
    for (const TEvent& E : Events)
      if (E.Action == Action) R.push_back(E);
    return R;
  }

  UnzipCmdRec Rec;
  std::vector<TEvent> Events;
  // May change the record's answer fields; returns the callback's result.
  std::function<int32_t(ZipCallbackRec&)> Answer;

 private:
  static int32_t ZIPENG_CALL Callback(ZipCallbackRec* R) {
    auto* S = static_cast<TSession*>(R->Caller);
    S->Events.push_back({R->ActionCode, R->ErrorCode, R->FileSize, std::string(R->Text, strnlen(R->Text, 512))});
    return S->Answer ? S->Answer(*R) : 0;
  }
  std::string FArchive;
  std::string FPassword;
  std::vector<std::unique_ptr<std::string>> FTexts;
  std::vector<UnzFileData> FSpecs;
};

uint32_t Crc(const void* P, size_t N) {
  uint32_t C = 0xFFFFFFFF;
  Crc32Block(P, N, C);
  return C ^ 0xFFFFFFFF;
}

struct TRaw {
  std::string Name, Data;
  uint32_t ExtAttr = 0x20;
  uint32_t StatedSize = 0xFFFFFFFF;  // unpacked size as the headers give it
};

// A stored archive built by hand.
std::vector<uint8_t> MakeZip(const std::vector<TRaw>& Entries) {
  std::vector<uint8_t> Out, Dir;
  auto U16 = [](std::vector<uint8_t>& V, uint32_t X) { V.insert(V.end(), {uint8_t(X), uint8_t(X >> 8)}); };
  auto U32 = [&](std::vector<uint8_t>& V, uint32_t X) { U16(V, X), U16(V, X >> 16); };
  for (const TRaw& E : Entries) {
    uint32_t C = Crc(E.Data.data(), E.Data.size());
    uint32_t Size = uint32_t(E.Data.size());
    uint32_t Stated = E.StatedSize == 0xFFFFFFFF ? Size : E.StatedSize;
    uint32_t Offset = uint32_t(Out.size());
    for (auto* V : {&Out, &Dir}) {
      bool Central = V == &Dir;
      U32(*V, Central ? 0x02014B50 : 0x04034B50);
      if (Central) U16(*V, 0x0314);
      for (uint32_t X : {10u, 0u, 0u, 0x6000u, 0x5A21u}) U16(*V, X);
      U32(*V, C);
      U32(*V, Size);
      U32(*V, Stated);
      U16(*V, uint32_t(E.Name.size()));
      U16(*V, 0);
      if (Central) {
        for (int i = 0; i < 3; i++) U16(*V, 0);
        U32(*V, E.ExtAttr);
        U32(*V, Offset);
      }
      V->insert(V->end(), E.Name.begin(), E.Name.end());
    }
    Out.insert(Out.end(), E.Data.begin(), E.Data.end());
  }
  uint32_t DirOffset = uint32_t(Out.size());
  Out.insert(Out.end(), Dir.begin(), Dir.end());
  U32(Out, 0x06054B50);
  U32(Out, 0);
  U16(Out, uint32_t(Entries.size()));
  U16(Out, uint32_t(Entries.size()));
  U32(Out, uint32_t(Dir.size()));
  U32(Out, DirOffset);
  U16(Out, 0);
  return Out;
}

// The DLL writes into the current folder; each test gets its own.
class UnzEngTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = TempDir();
    OldDir = GetCurrentDir();
    CreateDir(Dir + "\\out");
    ASSERT_TRUE(SetCurrentDir(Dir + "\\out"));
    ASSERT_TRUE(Lib.Loaded());
  }
  void TearDown() override { SetCurrentDir(OldDir); }
  std::string Archive(const std::string& Name, const std::vector<TRaw>& Entries) {
    std::string P = Dir + "\\" + Name;
    WriteFile(P, MakeZip(Entries));
    return P;
  }

  std::string Dir, OldDir;
  TLibrary Lib{"unzeng"};
};

TEST(UnzEngExports, VersionsAndNames) {
  TLibrary Cur("unzeng"), Old("unzeng-old"), Decorated("unzeng-decorated");
  ASSERT_TRUE(Cur.Loaded() && Old.Loaded() && Decorated.Loaded());
  EXPECT_EQ(Cur.Entry<ZipEngVersionFunc>("GetUnzEngVersion")(), 160);
  EXPECT_EQ(Old.Entry<ZipEngVersionFunc>("GetUnzEngVersion")(), 151);
  EXPECT_EQ(Decorated.Entry<ZipEngExecFunc>("UnzEngExec"), nullptr);
  EXPECT_EQ(Decorated.Entry<ZipEngVersionFunc>("GetUnzEngVersion"), nullptr);
  EXPECT_NE(Decorated.Entry<ZipEngExecFunc>("UnzEngExec@4"), nullptr);
  EXPECT_EQ(Cur.Entry<ZipEngExecFunc>("UnzEngExec")(nullptr), 0);
}

TEST_F(UnzEngTest, ReportsInOrderAndWritesFiles) {
  std::string A = Archive("a.zip", {{"one.txt", "first"}, {"dir/", "", 0x10}, {"dir/two.txt", std::string(100000, 'z')}});
  TSession S(A);
  S.Rec.Head.DirNames = -1;
  EXPECT_EQ(S.Run(Lib), 2);
  std::vector<int32_t> Actions;
  for (const TEvent& E : S.Events)
    if (Actions.empty() || Actions.back() != E.Action) Actions.push_back(E.Action);
  EXPECT_EQ(Actions, std::vector<int32_t>({cbTotalFiles, cbTotalSize, cbNewFile, cbProgress, cbNewFile, cbProgress,
                                           cbEndBatch}));
  EXPECT_EQ(S.Of(cbTotalFiles)[0].Size, 2);
  EXPECT_EQ(S.Of(cbTotalSize)[0].Size, 100005);
  EXPECT_EQ(S.Of(cbNewFile)[1].Text, "dir\\two.txt");
  EXPECT_EQ(S.Of(cbNewFile)[1].Size, 100000);
  int64_t Bytes = 0;
  for (const TEvent& E : S.Of(cbProgress)) Bytes += E.Size;
  EXPECT_EQ(Bytes, 100005);
  EXPECT_EQ(ReadFile(Dir + "\\out\\dir\\two.txt").size(), 100000u);
  EXPECT_EQ(FileAge(Dir + "\\out\\one.txt"), 0x5A216000);
}

TEST_F(UnzEngTest, AttributesAreRestored) {
  std::string A = Archive("a.zip", {{"ro.txt", "read only", 0x21}, {"hidden.txt", "hidden", 0x22}});
  TSession S(A);
  EXPECT_EQ(S.Run(Lib), 2);
  EXPECT_EQ(FileGetAttr(Dir + "\\out\\ro.txt") & (faReadOnly | faHidden), faReadOnly);
  EXPECT_EQ(FileGetAttr(Dir + "\\out\\hidden.txt") & (faReadOnly | faHidden), faHidden);

  // Overwriting a read-only file that the user agreed to replace.
  TSession Again(A);
  Again.Rec.Head.Overwrite = -1;
  EXPECT_EQ(Again.Run(Lib), 2);
  FileSetAttr(Dir + "\\out\\ro.txt", 0);
}

TEST_F(UnzEngTest, TestModeOnOlderMethods) {
  struct {
    const char* File;
    int Files;
  } Cases[] = {
      {"fixtures/zip/oldunzip/example-i.zip", 1},        {"fixtures/zip/oldunzip/example-r.zip", 1},
      {"fixtures/zip/oldunzip/example-s.zip", 1},        {"fixtures/zip/sharpcompress/Zip.shrink.zip", 3},
      {"fixtures/zip/sharpcompress/Zip.implode.zip", 3}, {"fixtures/zip/sharpcompress/Zip.reduce1.zip", 3},
      {"fixtures/zip/sharpcompress/Zip.reduce2.zip", 3}, {"fixtures/zip/sharpcompress/Zip.reduce3.zip", 3},
      {"fixtures/zip/sharpcompress/Zip.reduce4.zip", 3},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.File);
    TSession S(SharedPath(C.File));
    S.Rec.Head.Test = -1;
    EXPECT_EQ(S.Run(Lib), C.Files);
    EXPECT_TRUE(S.Of(cbCRCError).empty());
    EXPECT_TRUE(S.Of(cbMessage).empty()) << S.Of(cbMessage)[0].Text;
  }
  TSearchRec F;
  EXPECT_NE(FindFirst(Dir + "\\out\\*.*", faAnyFile & ~faDirectory, F), 0) << "test mode wrote " << F.Name;
  FindClose(F);
}

TEST_F(UnzEngTest, OlderMethodsExtractWithTheirCrc) {
  for (const char* File : {"fixtures/zip/oldunzip/example-i.zip", "fixtures/zip/oldunzip/example-r.zip", "fixtures/zip/oldunzip/example-s.zip"}) {
    TSession S(SharedPath(File));
    EXPECT_EQ(S.Run(Lib), 1) << File;
  }
  for (const char* Name : {"I.BIN", "R.BIN", "S.BIN"}) {
    std::vector<uint8_t> D = ReadFile(Dir + "\\out\\" + Name);
    EXPECT_EQ(D.size(), 2048u) << Name;
    EXPECT_EQ(Crc(D.data(), D.size()), 0x8314ddd9u) << Name;
  }
}

TEST_F(UnzEngTest, UnsupportedMethodSkipsTheEntry) {
  TSession S(SharedPath("fixtures/zip/sharpcompress/Zip.deflate64.zip"));
  S.Rec.Head.Test = -1;
  EXPECT_EQ(S.Run(Lib), 0);
  ASSERT_EQ(S.Of(cbSkipped).size(), 3u);
  EXPECT_EQ(S.Of(cbSkipped)[0].Size, stBadEntry);
  EXPECT_EQ(S.Of(cbMessage).size(), 3u);
}

TEST_F(UnzEngTest, TraditionalEncryptionFixture) {
  TSession S(SharedPath("fixtures/zip/sharpcompress/zipcrypto.zip"));
  S.Password("test");
  EXPECT_EQ(S.Run(Lib), 8);
  EXPECT_EQ(ReadFile(Dir + "\\out\\quick.txt").size(), 6u);
  EXPECT_TRUE(S.Of(cbPassword).empty());
}

TEST_F(UnzEngTest, MemoryModeChecksTheBuffer) {
  std::string Data(5000, 'm');
  for (size_t i = 0; i < Data.size(); i += 7) Data[i] = char('a' + i % 26);
  std::string A = Archive("a.zip", {{"dir/data.bin", Data}, {"liar.bin", std::string(900, 'L'), 0x20, 100}});

  std::vector<uint8_t> Buf(Data.size() + 64, 0xEE);
  TSession Exact(A);
  Exact.Spec("dir\\data.bin");
  Exact.Rec.UseMemory = -1;
  Exact.Rec.Memory = Buf.data();
  Exact.Rec.MemorySize = int32_t(Data.size());
  EXPECT_EQ(Exact.Run(Lib), 1);
  EXPECT_EQ(std::string(Buf.begin(), Buf.begin() + long(Data.size())), Data);
  EXPECT_EQ(Buf[Data.size()], 0xEE);
  EXPECT_FALSE(FileExists(Dir + "\\out\\data.bin"));

  TSession Small(A);
  Small.Spec("dir\\data.bin");
  Small.Rec.UseMemory = -1;
  Small.Rec.Memory = Buf.data();
  Small.Rec.MemorySize = int32_t(Data.size() - 1);
  EXPECT_EQ(Small.Run(Lib), 0);
  ASSERT_EQ(Small.Of(cbMessage).size(), 1u);
  EXPECT_EQ(Small.Of(cbMessage)[0].Error, ueMemory);

  // An entry whose data is longer than its stated size never runs past the
  // buffer sized from that statement.
  std::fill(Buf.begin(), Buf.end(), 0xEE);
  TSession Liar(A);
  Liar.Spec("liar.bin");
  Liar.Rec.UseMemory = -1;
  Liar.Rec.Memory = Buf.data();
  Liar.Rec.MemorySize = 100;
  EXPECT_EQ(Liar.Run(Lib), 0);
  EXPECT_EQ(Buf[100], 0xEE);
  EXPECT_FALSE(Liar.Of(cbMessage).empty());
}

// The target is a link to /dev/full, where every write fails for want of
// space. Wine cannot remove such a link itself, so the host does.
TEST_F(UnzEngTest, WriteFailureIsReportedInTheseWords) {
  std::string Link = HostPath(Dir + "\\out\\full.bin");
  ASSERT_EQ(morvtest::RunPeer("ln -s /dev/full " + Link), 0);
  struct TUnlink {
    std::string Path;
    ~TUnlink() { morvtest::RunPeer("rm -f " + Path); }
  } Unlink{Link};
  std::string A = Archive("a.zip", {{"full.bin", std::string(200000, 'f')}, {"fine.txt", "fine"}});
  TSession S(A);
  S.Rec.Head.Overwrite = -1;
  EXPECT_EQ(S.Run(Lib), 1);
  std::vector<TEvent> M = S.Of(cbMessage);
  ASSERT_EQ(M.size(), 1u);
  EXPECT_EQ(M[0].Text, "Error writing to a file");
  EXPECT_EQ(M[0].Error, ueDisk);
  EXPECT_EQ(ReadFile(Dir + "\\out\\fine.txt").size(), 4u);
}

TEST_F(UnzEngTest, CallbackMinusOneStops) {
  std::string A = Archive("a.zip", {{"a.txt", std::string(70000, 'a')}, {"b.txt", "b"}, {"c.txt", "c"}});
  // Stopped while the first file is written: nothing half-written stays.
  TSession Mid(A);
  Mid.Answer = [](ZipCallbackRec& R) { return R.ActionCode == cbProgress ? -1 : 0; };
  EXPECT_EQ(Mid.Run(Lib), 0);
  EXPECT_FALSE(FileExists(Dir + "\\out\\a.txt"));
  EXPECT_EQ(Mid.Events.back().Action, cbProgress);

  TSession Second(A);
  int Started = 0;
  Second.Answer = [&](ZipCallbackRec& R) { return R.ActionCode == cbNewFile && ++Started == 2 ? -1 : 0; };
  EXPECT_EQ(Second.Run(Lib), 1);
  EXPECT_EQ(Second.Events.back().Action, cbNewFile);
  EXPECT_TRUE(FileExists(Dir + "\\out\\a.txt"));
  EXPECT_FALSE(FileExists(Dir + "\\out\\b.txt"));
}

TEST_F(UnzEngTest, PasswordRequestsFollowTheCount) {
  std::string Host = HostPath(Dir);
  ASSERT_EQ(morvtest::RunPeer("cd " + Host + " && printf secret > s.txt && printf open > o.txt && "
                              "zip -q -P pw e.zip s.txt && zip -q e.zip o.txt"),
            0);
  TSession S(Dir + "\\e.zip");
  S.Rec.PasswordReqCount = 3;
  S.Answer = [&](ZipCallbackRec& R) {
    if (R.ActionCode == cbPassword) {
      std::strcpy(R.Text, "bad");
      R.ErrorCode = 1;
    }
    return 0;
  };
  EXPECT_EQ(S.Run(Lib), 1);
  std::vector<TEvent> P = S.Of(cbPassword);
  ASSERT_EQ(P.size(), 3u);
  EXPECT_EQ(P[0].Size, 2);
  EXPECT_EQ(P[1].Size, 1);
  EXPECT_EQ(P[0].Text, "s.txt");
  ASSERT_EQ(S.Of(cbSkipped).size(), 1u);
  EXPECT_EQ(S.Of(cbSkipped)[0].Size, stBadPassword);

  // Giving up (field 20 = 0) ends the requests for that file at once.
  TSession GiveUp(Dir + "\\e.zip");
  GiveUp.Rec.PasswordReqCount = 3;
  GiveUp.Rec.Head.Overwrite = -1;
  EXPECT_EQ(GiveUp.Run(Lib), 1);
  EXPECT_EQ(GiveUp.Of(cbPassword).size(), 1u);

  // An old library asks once and reads no count.
  TLibrary Old("unzeng-old");
  UnzipCmdRecLong L{};
  L.Head = S.Rec.Head;
  L.Head.Overwrite = -1;
  L.Seven = 7;
  int Asked = 0;
  TSession Dummy(Dir + "\\e.zip");
  Dummy.Answer = [&](ZipCallbackRec& R) {
    if (R.ActionCode == cbPassword) {
      Asked++;
      std::strcpy(R.Text, "pw");
      R.ErrorCode = 1;
    }
    return 0;
  };
  L.Head.Caller = &Dummy;
  EXPECT_EQ(Old.Entry<ZipEngExecFunc>("UnzEngExec")(&L), 2);
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(ReadFile(Dir + "\\out\\s.txt").size(), 6u);
}

}  // namespace

// Names that would open a device, or are deeper than the system can create,
// are skipped as unsafe; the run goes on.
TEST_F(UnzEngTest, DeviceAndDeepNamesAreSkipped) {
  std::string Deep;
  for (int i = 0; i < 16000; i++) Deep += "a/";
  std::string A = Archive("a.zip", {{"CON", "c"}, {"sub/nul.txt", "n"}, {"com1.log", "1"}, {Deep + "f.txt", "deep"},
                                    {"fine.txt", "fine"}});
  TSession S(A);
  S.Rec.Head.DirNames = -1;
  EXPECT_EQ(S.Run(Lib), 1);
  std::vector<TEvent> Skipped = S.Of(cbSkipped);
  ASSERT_EQ(Skipped.size(), 4u);
  for (const TEvent& E : Skipped) EXPECT_EQ(E.Size, stUnsafeName) << E.Text.substr(0, 40);
  EXPECT_EQ(ReadFile(Dir + "\\out\\fine.txt").size(), 4u);
  EXPECT_FALSE(DirectoryExists(Dir + "\\out\\a"));
}

// Entries that share one local header (a small stream expanded many times)
// are skipped as damaged; an entry of its own is extracted.
TEST_F(UnzEngTest, OverlappingEntriesAreSkipped) {
  std::vector<uint8_t> Z = MakeZip({{"one.txt", "shared"}, {"two.txt", "shared"}, {"own.txt", "own"}});
  // Point the second central header at the first local header.
  const size_t End = Z.size() - 22;
  const size_t Central = Z[End + 16] | Z[End + 17] << 8 | Z[End + 18] << 16 | size_t(Z[End + 19]) << 24;
  const size_t Second = Central + 46 + 7 + 42;
  std::fill(Z.begin() + long(Second), Z.begin() + long(Second + 4), 0);
  WriteFile(Dir + "\\over.zip", Z);
  TSession S(Dir + "\\over.zip");
  EXPECT_EQ(S.Run(Lib), 1);
  std::vector<TEvent> Skipped = S.Of(cbSkipped);
  ASSERT_EQ(Skipped.size(), 2u);
  for (const TEvent& E : Skipped) EXPECT_EQ(E.Size, stBadEntry) << E.Text;
  EXPECT_EQ(ReadFile(Dir + "\\out\\own.txt").size(), 3u);
  EXPECT_FALSE(FileExists(Dir + "\\out\\one.txt"));
}
