// The program's own self-extractor builder: MORVSE.DAT, the "KRX" record and
// the shifted Zip, read by Info-ZIP, run under Wine, and its refusals.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/sfxbuilder.h"
#include "archive/core/bytes.h"
#include "framework/core/prompts.h"
#include "framework/core/sysutils.h"
#include "tests/app/msgcapture.h"
#include "tests/support/testsupport.h"
#include "zipbridge/zipbridge.h"

using morvtest::HostPath;
using morvtest::ReadFile;

namespace {

std::string StubPath() { return morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/app/MORVSE.DAT"); }

std::string Peer(const std::string& Dir, const std::string& Command, int* Status = nullptr) {
  std::string Out;
  int S = morvtest::RunPeer("cd '" + HostPath(Dir) + "' && " + Command, &Out);
  if (Status) *Status = S;
  return Out;
}

class SfxBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    ASSERT_TRUE(FileExists(StubPath())) << StubPath();
    Stub = ReadFile(StubPath());
    Peer(Dir, "mkdir -p src/sub && cd src && printf 'hello\\n' > a.txt && seq 1 20000 > sub/numbers.txt && "
              "head -c 40000 /dev/urandom > sub/random.bin && zip -q -r ../t.zip . && cd .. && "
              "printf 'the archive comment' | zip -q -z t.zip");
    Original = ReadFile(Zip());
    ASSERT_FALSE(Original.empty());
    Z.HowToDelete = htdFinal;
    apptest::CaptureAppMessages([this](const std::string& Text, int Type) {
      Shown.push_back(Text);
      return Type == apptest::MsgConfirmation ? Answer : int(mrOk);
    });
  }
  void TearDown() override { apptest::CaptureAppMessages(nullptr); }

  std::string Zip() const { return Dir + "\\t.zip"; }
  std::string Exe() const { return Dir + "\\t.exe"; }
  int Build(const std::string& Out, const std::string& StubFile = StubPath()) {
    Z.SetZipFileName(Zip());
    return BuildSfxArchive(Z, Out, StubFile);
  }
  // Nothing but the test's own files: no work file left behind.
  std::string Listing() { return Peer(Dir, "ls -A"); }

  std::string Dir;
  std::vector<uint8_t> Stub, Original;
  TZipBridge Z{nullptr};
  std::vector<std::string> Shown;
  int Answer = mrNo;
};

TEST_F(SfxBuilderTest, OutputIsStubRecordAndShiftedZip) {
  Z.SFXCaption = "Quillon test";
  Z.SFXDefaultDir = "%temp%";
  Z.SFXCommandLine = "readme.txt";
  Z.SFXMessage = "Hello";
  Z.SFXOptions = SetOf(SFXAskFiles, SFXCheckSize, SFXAutoRun);
  Z.SFXOverWriteMode = OvrNever;
  ASSERT_EQ(Build(Exe()), sfxDone);
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(ReadFile(Zip()), Original) << "the source stays as it was";

  const std::vector<uint8_t> Sfx = ReadFile(Exe());
  ASSERT_GT(Sfx.size(), Stub.size() + 12);
  const uint8_t* R = Sfx.data() + Stub.size();
  const size_t RecordSize = GetLE16(R + 6);
  // The stub as it is, but for the archive's offset in its string 1.
  std::vector<uint8_t> Stamped = Stub;
  StampSfxArchiveOffset(Stamped, int64_t(Stub.size() + RecordSize));
  EXPECT_NE(Stamped, Stub);
  EXPECT_TRUE(std::equal(Stamped.begin(), Stamped.end(), Sfx.begin()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(R), 3), "KRX");
  EXPECT_EQ(R[3], 0x02 | 0x10 | 0x40);
  EXPECT_EQ(R[4], 0);
  EXPECT_EQ(R[5], 1);
  EXPECT_EQ(RecordSize, 48u) << "12 + 12 + 6 + 10 + 5, rounded up to a multiple of 4";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(R + 9), R[8]), "Quillon test");
  EXPECT_EQ(Sfx.size(), Stub.size() + RecordSize + Original.size());
  EXPECT_EQ(GetLE32(Sfx.data() + Stub.size() + RecordSize), 0x04034B50u) << "the first local header";
  // The archive bytes up to the central directory are the source's.
  const uint32_t Dir0 = GetLE32(Original.data() + Original.size() - 22 - 19 + 16);
  EXPECT_EQ(GetLE32(Sfx.data() + Sfx.size() - 22 - 19 + 16), Dir0 + Stub.size() + RecordSize);
  EXPECT_TRUE(std::equal(Original.begin(), Original.begin() + Dir0, Sfx.begin() + ptrdiff_t(Stub.size() + RecordSize)));

  int Status = 0;
  std::string Out = Peer(Dir, "unzip -t t.exe", &Status);
  EXPECT_EQ(Status, 0) << Out;
  EXPECT_EQ(Out.find("warning"), std::string::npos) << Out;
  EXPECT_EQ(Out.find("extra bytes"), std::string::npos) << Out;

  // The Zip component reads the record back, through the one block reader.
  TZipBridge Back(nullptr);
  Back.HowToDelete = htdFinal;
  Back.SetZipFileName(Exe());
  EXPECT_EQ(Back.SFXOffset(), int64_t(Stub.size() + RecordSize));
  ASSERT_EQ(Back.ConvertSfxToZip(), 0) << Back.Message;
  EXPECT_EQ(ReadFile(Zip()), Original);
  EXPECT_EQ(Back.SFXCaption, "Quillon test");
  EXPECT_EQ(Back.SFXMessage, "Hello");
  EXPECT_EQ(Back.SFXOverWriteMode, OvrNever);
  EXPECT_EQ(Back.SFXOptions, SetOf(SFXAskFiles, SFXCheckSize, SFXAutoRun));
}

TEST_F(SfxBuilderTest, RecordSizeAndOptionByte) {
  struct {
    std::string Caption;
    SFXOpts Options;
    OvrOpts Mode;
    size_t Size;
    uint8_t Bits;
  } Cases[] = {
      {"", SetOf(SFXCheckSize), OvrConfirm, 12, 0x00},
      {"C", 0, OvrConfirm, 16, 0x20},
      {"Four", SetOf(SFXAskCmdLine, SFXHideOverWriteBox, SFXNoSuccessMsg), OvrAlways, 16, 0x01 | 0x04 | 0x08 | 0x20 | 0x80},
  };
  for (const auto& C : Cases) {
    Z.SFXCaption = C.Caption;
    Z.SFXOptions = C.Options;
    Z.SFXOverWriteMode = C.Mode;
    Answer = mrYes;
    ASSERT_EQ(Build(Exe()), sfxDone) << C.Caption;
    const std::vector<uint8_t> Sfx = ReadFile(Exe());
    EXPECT_EQ(GetLE16(Sfx.data() + Stub.size() + 6), C.Size) << C.Caption;
    EXPECT_EQ(Sfx[Stub.size() + 3], C.Bits) << C.Caption;
  }
}

TEST_F(SfxBuilderTest, SelfExtractorRunsAndExtracts) {
  Z.SFXCaption = "Quillon built";
  Z.SFXMessage = "Unpack the test files.";
  Z.SFXOptions = SetOf(SFXCheckSize, SFXNoSuccessMsg);
  ASSERT_EQ(Build(SfxTargetFor(Zip())), sfxDone);
  ASSERT_TRUE(FileExists(Exe()));
  std::string Caption, Message;
  EXPECT_EQ(morvtest::RunSelfExtractor(Exe(), Dir, Dir + "\\out dir", &Caption, &Message), 0);
  EXPECT_EQ(Caption, "Quillon built");
  EXPECT_EQ(Message, "Unpack the test files.");
  std::string Diff = Peer(Dir, "diff -r src 'out dir' && echo same");
  EXPECT_NE(Diff.find("same"), std::string::npos) << Diff;
}

TEST_F(SfxBuilderTest, TargetOfTheJob) {
  EXPECT_EQ(SfxTargetFor("C:\\data\\pack.zip"), "C:\\data\\pack.exe");
  EXPECT_EQ(SfxTargetFor("C:\\data\\pack.v2.zip"), "C:\\data\\pack.exe");
  EXPECT_EQ(SfxTargetFor("C:\\my.data\\pack"), "C:\\my.data\\pack.exe") << "no \".exe\" alone";
}

// The source is never the target, an unrelated file is replaced only on Yes,
// and a failed build leaves neither a partial output nor a work file.
TEST_F(SfxBuilderTest, RefusalsKeepEveryFile) {
  const std::string Before = Listing();
  // The archive itself, also under another letter case.
  for (const std::string& Target : {Zip(), Dir + "\\T.ZIP"}) {
    Shown.clear();
    EXPECT_EQ(Build(Target), sfxCreateFailed) << Target;
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_NE(Shown[0].find("Can't create file: " + Target), std::string::npos) << Shown[0];
    EXPECT_EQ(ReadFile(Zip()), Original);
  }
  // A self-extractor that is also the source: "-tosfx t.exe".
  ASSERT_EQ(Build(Exe()), sfxDone);
  TZipBridge Self(nullptr);
  Self.SetZipFileName(Exe());
  const std::vector<uint8_t> Built = ReadFile(Exe());
  EXPECT_EQ(RunSfxJob(Self, Exe()), sfxCreateFailed);
  EXPECT_EQ(ReadFile(Exe()), Built);
  DeleteFile(Exe());

  // An unrelated file: kept on No, replaced on Yes.
  morvtest::WriteFile(Exe(), std::string("precious"));
  Shown.clear();
  Answer = mrNo;
  EXPECT_EQ(Build(Exe()), sfxCreateFailed);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].find("exists already"), std::string::npos);
  EXPECT_EQ(ReadFile(Exe()), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));

  // Failures with Yes given: the existing file stays, nothing else appears.
  Answer = mrYes;
  Shown.clear();
  EXPECT_EQ(Build(Exe(), Dir + "\\none.dat"), sfxSourceFailed);
  morvtest::WriteFile(Dir + "\\bad.zip", std::string(300, 'x'));
  Z.SetZipFileName(Dir + "\\bad.zip");
  EXPECT_EQ(BuildSfxArchive(Z, Exe(), StubPath()), sfxSourceFailed);
  EXPECT_EQ(Shown.size(), 4u) << "two questions, two failures reported";
  EXPECT_EQ(ReadFile(Exe()), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
  DeleteFile(Dir + "\\bad.zip");
  DeleteFile(Exe());
  EXPECT_EQ(Listing(), Before);
}

}  // namespace
