// ZIPENG.DLL on its own: loaded by path, driven with a hand-made record and a
// callback that records what the library reports.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/sysutils.h"
#include "libs/zipengrecs.h"
#include "tests/support/testsupport.h"

using morvtest::HostPath;
using morvtest::ReadFile;
using morvtest::TempDir;
using morvtest::WriteFile;

namespace {

struct TEvent {
  int32_t Action, Error, Size;
  std::string Text;
};

class TZipSession {
 public:
  explicit TZipSession(const std::string& Archive) : FArchive(Archive) {
    std::memset(&Rec, 0, sizeof Rec);
    Rec.Head.Caller = this;
    Rec.Head.Version = ZipRecordVersion;
    Rec.Head.Callback = &TZipSession::Callback;
    Rec.Head.Level = 9;
    Rec.Head.JunkDir = ZipTrue;
    Rec.Head.NoDirEntries = ZipTrue;
    Rec.Head.Password = FPassword;
    Rec.Head.ZipFileName = FArchive.data();
    Rec.Seven = 7;
  }
  void Spec(const std::string& S) {
    FTexts.push_back(std::make_unique<std::string>(S));
    FSpecs.push_back(ZipFileData{});
    for (size_t i = 0; i < FSpecs.size(); i++) FSpecs[i].FileSpec = FTexts[i]->data();
    Rec.Specs = FSpecs.data();
    Rec.Head.ArgCount = int32_t(FSpecs.size());
  }
  int32_t Run() {
    HMODULE H = LoadLibraryA((morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/zipeng/ZIPENG.DLL")).c_str());
    EXPECT_NE(H, nullptr);
    if (!H) return -99;
    auto Exec = reinterpret_cast<ZipEngExecFunc>(reinterpret_cast<void*>(GetProcAddress(H, "ZipEngExec")));
    int32_t R = Exec ? Exec(&Rec) : -99;
    FreeLibrary(H);
    return R;
  }
  std::vector<int32_t> Actions() const {
    std::vector<int32_t> R;
    for (const TEvent& E : Events)
      if (R.empty() || R.back() != E.Action) R.push_back(E.Action);
    return R;
  }

  ZipCmdRec Rec;
  std::vector<TEvent> Events;
  std::function<int32_t(ZipCallbackRec&)> Answer;

 private:
  static int32_t ZIPENG_CALL Callback(ZipCallbackRec* R) {
    auto* S = static_cast<TZipSession*>(R->Caller);
    S->Events.push_back({R->ActionCode, R->ErrorCode, R->FileSize, std::string(R->Text, strnlen(R->Text, 512))});
    return S->Answer ? S->Answer(*R) : 0;
  }
  std::string FArchive;
  char FPassword[ZipMaxPasswordLen + 1] = {};
  std::vector<std::unique_ptr<std::string>> FTexts;
  std::vector<ZipFileData> FSpecs;
};

TEST(ZipEng, ExportsAndVersion) {
  HMODULE H = LoadLibraryA((morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/zipeng/ZIPENG.DLL")).c_str());
  ASSERT_NE(H, nullptr);
  auto Version = reinterpret_cast<ZipEngVersionFunc>(reinterpret_cast<void*>(GetProcAddress(H, "GetZipEngVersion")));
  ASSERT_NE(Version, nullptr);
  EXPECT_EQ(Version(), 160);
  EXPECT_NE(GetProcAddress(H, "ZipEngExec"), nullptr);
  FreeLibrary(H);
}

TEST(ZipEng, CallbacksInOrderAndAStopLeavesTheArchive) {
  std::string Dir = TempDir();
  WriteFile(Dir + "\\a.txt", morvtest::TextData(100000));
  WriteFile(Dir + "\\b.txt", morvtest::TextData(5000, 2));
  {
    TZipSession S(Dir + "\\t.zip");
    S.Spec(Dir + "\\*.txt");
    EXPECT_EQ(S.Run(), 2);
    std::vector<int32_t> A = S.Actions();
    ASSERT_GE(A.size(), 5u);
    EXPECT_EQ(A[0], cbTotalFiles);
    EXPECT_EQ(A[1], cbTotalSize);
    EXPECT_EQ(A[2], cbNewFile);
    EXPECT_EQ(A[3], cbProgress);
    EXPECT_EQ(A.back(), cbEndBatch);
    EXPECT_EQ(S.Events[0].Size, 2);
    EXPECT_EQ(S.Events[1].Size, 105000);
  }
  std::string Out;
  EXPECT_EQ(morvtest::RunPeer("unzip -t " + HostPath(Dir + "\\t.zip"), &Out), 0) << Out;
  std::vector<uint8_t> Old = ReadFile(Dir + "\\t.zip");

  // -1 from any callback stops the run: the archive stays, no temporary file.
  WriteFile(Dir + "\\c.txt", morvtest::TextData(100000, 3));
  for (int32_t StopAt : {cbTotalFiles, cbNewFile, cbProgress}) {
    SCOPED_TRACE(StopAt);
    TZipSession S(Dir + "\\t.zip");
    S.Spec(Dir + "\\*.txt");
    S.Answer = [&](ZipCallbackRec& R) { return R.ActionCode == StopAt ? -1 : 0; };
    EXPECT_EQ(S.Run(), 0);
    EXPECT_EQ(ReadFile(Dir + "\\t.zip"), Old);
    EXPECT_EQ(morvtest::RunPeer("ls " + HostPath(Dir) + " | grep -q '^zip'"), 1);
  }
}

TEST(ZipEng, PasswordRequestAndMessages) {
  std::string Dir = TempDir();
  WriteFile(Dir + "\\a.txt", morvtest::TextData(1000));
  TZipSession S(Dir + "\\t.zip");
  S.Spec(Dir + "\\a.txt");
  S.Rec.Head.Encrypt = ZipTrue;
  S.Rec.Head.Verbose = ZipTrue;
  S.Answer = [](ZipCallbackRec& R) {
    if (R.ActionCode == cbPassword) {
      EXPECT_EQ(R.ErrorCode & 1, 1);
      std::strcpy(R.Text, "pw");
      R.ErrorCode = 1;
    }
    return 0;
  };
  EXPECT_EQ(S.Run(), 1);
  bool Verbose = false;
  for (const TEvent& E : S.Events) Verbose |= E.Action == cbMessage && E.Text.find("adding: a.txt") != std::string::npos;
  EXPECT_TRUE(Verbose);
  std::string Out;
  EXPECT_EQ(morvtest::RunPeer("unzip -t -P pw " + HostPath(Dir + "\\t.zip"), &Out), 0) << Out;

  // A broken archive is reported and left as it was.
  std::vector<uint8_t> Junk(100, 'J');
  WriteFile(Dir + "\\bad.zip", Junk);
  TZipSession B(Dir + "\\bad.zip");
  B.Spec(Dir + "\\a.txt");
  EXPECT_EQ(B.Run(), 0);
  ASSERT_FALSE(B.Events.empty());
  EXPECT_EQ(B.Events.back().Action, cbMessage);
  EXPECT_EQ(B.Events.back().Error, zeForm);
  EXPECT_EQ(ReadFile(Dir + "\\bad.zip"), Junk);
}

}  // namespace
