// Zip <-> self-extractor with our stub SFXSTUB.BIN, checked by Info-ZIP and by
// running the self-extractor under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "archive/core/bytes.h"
#include "archive/formats/zip/unzip.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"
#include "tests/zipbridge/zbtest.h"
#include "zipbridge/zipbridge.h"

using namespace zbtest;
using morvtest::HostPath;
using morvtest::ReadFile;
using morvtest::TempDir;
using morvtest::WriteFile;

namespace {

std::string StubPath() { return morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/app/SFXSTUB.BIN"); }

// Adds Shift to every local-header offset and to the directory offset of a
// plain archive: what a stub in front needs.
std::vector<uint8_t> ShiftZip(std::vector<uint8_t> Z, uint32_t Shift) {
  size_t End = Z.size() - 22;
  while (GetLE32(Z.data() + End) != 0x06054B50) End--;
  uint32_t Dir = GetLE32(Z.data() + End + 16);
  for (int i = 0, N = GetLE16(Z.data() + End + 10); i < N; i++) {
    PutLE32(Z.data() + Dir + 42, GetLE32(Z.data() + Dir + 42) + Shift);
    Dir += 46 + GetLE16(Z.data() + Dir + 28) + GetLE16(Z.data() + Dir + 30) + GetLE16(Z.data() + Dir + 32);
  }
  PutLE32(Z.data() + End + 16, GetLE32(Z.data() + End + 16) + Shift);
  return Z;
}

class SfxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = TempDir();
    ASSERT_TRUE(FileExists(StubPath())) << StubPath();
    Z.SFXPath = StubPath();
    Z.HowToDelete = htdFinal;
    Shell(Dir, "mkdir -p src/sub && cd src && printf 'hello\\n' > a.txt && seq 1 30000 > sub/numbers.txt && "
               "head -c 50000 /dev/urandom > sub/random.bin && zip -q -r ../t.zip . && cd .. && "
               "printf 'comment of thirty bytes here..' | zip -q -z t.zip");
    Original = ReadFile(Zip());
  }
  std::string Zip() const { return Dir + "\\t.zip"; }
  std::string Exe() const { return Dir + "\\t.exe"; }
  int64_t StubSize() const { return int64_t(ReadFile(StubPath()).size()); }

  std::string Dir;
  std::vector<uint8_t> Original;
  TZipBridge Z{nullptr};
};

TEST_F(SfxTest, ZipToSfxAndBackGivesTheSameBytes) {
  Z.SFXCaption = "Quillon test";
  Z.SFXDefaultDir = "C:\\out";
  Z.SFXCommandLine = "notepad.exe readme.txt";
  Z.SFXMessage = "Extract the files?";
  Z.SFXOverWriteMode = OvrAlways;
  Z.SFXOptions = SetOf(SFXAutoRun, SFXNoSuccessMsg);
  Z.SetZipFileName(Zip());
  ASSERT_EQ(Z.ConvertZipToSfx(), 0) << Z.Message;
  EXPECT_EQ(Z.ZipFileName(), Exe());
  EXPECT_FALSE(FileExists(Zip())) << "the source goes once the program is complete";
  const std::vector<uint8_t> Block = Z.BuildSfxSettings();
  EXPECT_EQ(Z.SFXOffset(), StubSize() + int64_t(Block.size()));
  EXPECT_EQ(Z.Count(), 4);  // the folder "sub/" too
  EXPECT_EQ(Z.ZipComment(), "comment of thirty bytes here..");

  // Info-ZIP finds every offset right: no "extra bytes" notice.
  std::string Out;
  EXPECT_EQ(morvtest::RunPeer("unzip -t " + Quote(HostPath(Exe())), &Out), 0) << Out;
  EXPECT_EQ(Out.find("extra bytes"), std::string::npos) << Out;

  // The library's readers find the archive through the stub's string 1.
  TUnZIP U(nullptr);
  U.SetArchiveFile(Exe());
  EXPECT_EQ(U.ArcType(), atZipExe);
  EXPECT_EQ(U.StartOffset, Z.SFXOffset());

  // The block: "MPV", the flags, 1, its length, then the counted texts.
  std::vector<uint8_t> Sfx = ReadFile(Exe());
  const uint8_t* B = Sfx.data() + StubSize();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(B), 3), "MPV");
  EXPECT_EQ(B[3], 8 | 32 | 64 | 128);
  EXPECT_EQ(B[5], 1);
  EXPECT_EQ(GetLE16(B + 6), Block.size());
  EXPECT_EQ(Block.size() % 4, 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(B + 9), B[8]), "Quillon test");

  TZipBridge Back(nullptr);
  Back.HowToDelete = htdFinal;
  Back.SetZipFileName(Exe());
  ASSERT_EQ(Back.ConvertSfxToZip(), 0) << Back.Message;
  EXPECT_EQ(Back.ZipFileName(), Dir + "\\t.zip");
  EXPECT_FALSE(FileExists(Exe()));
  EXPECT_EQ(ReadFile(Zip()), Original);
  EXPECT_EQ(Back.SFXCaption, "Quillon test");
  EXPECT_EQ(Back.SFXDefaultDir, "C:\\out");
  EXPECT_EQ(Back.SFXCommandLine, "notepad.exe readme.txt");
  EXPECT_EQ(Back.SFXMessage, "Extract the files?");
  EXPECT_EQ(Back.SFXOverWriteMode, OvrAlways);
  EXPECT_EQ(Back.SFXOptions, SetOf(SFXAutoRun, SFXNoSuccessMsg));
}

// The message ends in bytes that form a complete older block; read from the
// archive backwards they would be taken for the settings.
TEST_F(SfxTest, TextsThatLookLikeABlockReadBackWhole) {
  const std::string LookAlike("MPU\x01\x01\x00\x00" "a", 8);
  Z.SFXCaption = "Caption";
  Z.SFXMessage = "Go? " + LookAlike;
  Z.SetZipFileName(Zip());
  ASSERT_EQ(Z.ConvertZipToSfx(), 0) << Z.Message;
  TZipBridge Back(nullptr);
  Back.SetZipFileName(Exe());
  ASSERT_EQ(Back.ConvertSfxToZip(), 0) << Back.Message;
  EXPECT_EQ(Back.SFXCaption, "Caption");
  EXPECT_EQ(Back.SFXMessage, "Go? " + LookAlike);
  EXPECT_EQ(ReadFile(Zip()), Original);
}

TEST_F(SfxTest, RefusalsLeaveNoOutput) {
  Z.SetZipFileName(Zip());
  Z.SFXCaption = std::string(255, 'c');
  Z.SFXDefaultDir = std::string(255, 'd');
  Z.SFXCommandLine = std::string(255, 'e');
  Z.SFXMessage = std::string(256, 'm');
  EXPECT_EQ(Z.ConvertZipToSfx(), -9);
  EXPECT_EQ(Z.ErrCode, zmSfxStringsTooLong);
  EXPECT_FALSE(FileExists(Exe()));
  EXPECT_EQ(ReadFile(Zip()), Original);

  // Four texts of 255 characters each are the most a block holds.
  Z.SFXMessage = std::string(255, 'm');
  Z.SFXOptions = 0;
  ASSERT_EQ(Z.ConvertZipToSfx(), 0) << Z.Message;
  std::vector<uint8_t> Sfx = ReadFile(Exe());
  EXPECT_EQ(Sfx[size_t(StubSize()) + 3], 32) << "no SFXCheckSize sets bit 5";
  EXPECT_EQ(GetLE16(Sfx.data() + StubSize() + 6), 1032);
  // Not an .exe, not a .zip, no stub.
  EXPECT_EQ(Z.ConvertZipToSfx(), -9);
  EXPECT_EQ(Z.ErrCode, zmNotAZip);
  ASSERT_EQ(Z.ConvertSfxToZip(), 0) << Z.Message;
  EXPECT_EQ(Z.ConvertSfxToZip(), -3);
  EXPECT_EQ(Z.ErrCode, zmNotAnExe);
  Z.SFXPath = Dir + "\\none.bin";
  Z.SetDLLDirectory(Dir);
  EXPECT_EQ(Z.ConvertZipToSfx(), -9);
  EXPECT_EQ(Z.ErrCode, zmSfxStubMissing);
  EXPECT_EQ(ReadFile(Zip()), Original);
}

// An older "U" block, behind stub bytes that hold a decoy "MPV" block of the
// new form: the block that ends at the archive is the one read.
TEST_F(SfxTest, OlderBlockFormAndDecoyBytes) {
  std::vector<uint8_t> Prefix = ReadFile(StubPath());
  const uint8_t Decoy[] = {'M', 'P', 'V', 0, 0, 1, 16, 0, 3, 'b', 'a', 'd', 0, 0, 0, 0};
  Prefix.insert(Prefix.end(), Decoy, Decoy + sizeof Decoy);
  const std::string Caption = "Old form", Folder = "C:\\old", Cmd = "run.bat";
  std::vector<uint8_t> U = {'M', 'P', 'U', 16 | 4, uint8_t(Caption.size()), uint8_t(Folder.size()),
                            uint8_t(Cmd.size())};
  for (const std::string* S : {&Caption, &Folder, &Cmd}) U.insert(U.end(), S->begin(), S->end());
  while (U.size() % 4) U.push_back(0);
  Prefix.insert(Prefix.end(), U.begin(), U.end());
  std::vector<uint8_t> Sfx = Prefix;
  std::vector<uint8_t> Shifted = ShiftZip(Original, uint32_t(Prefix.size()));
  Sfx.insert(Sfx.end(), Shifted.begin(), Shifted.end());
  WriteFile(Exe(), Sfx);

  Z.SFXMessage = "stays empty";
  Z.SetZipFileName(Exe());
  ASSERT_EQ(Z.SFXOffset(), int64_t(Prefix.size()));
  ASSERT_EQ(Z.ConvertSfxToZip(), 0) << Z.Message;
  EXPECT_EQ(ReadFile(Zip()), Original);
  EXPECT_EQ(Z.SFXCaption, Caption);
  EXPECT_EQ(Z.SFXDefaultDir, Folder);
  EXPECT_EQ(Z.SFXCommandLine, Cmd);
  EXPECT_EQ(Z.SFXMessage, "");
  EXPECT_EQ(Z.SFXOverWriteMode, OvrNever);
  EXPECT_EQ(Z.SFXOptions, SetOf(SFXHideOverWriteBox, SFXCheckSize));
}

TEST_F(SfxTest, NewSelfExtractorHoldsAnEmptyArchive) {
  Z.SetZipFileName(Dir + "\\new.exe");
  ASSERT_EQ(Z.ConvertZipToSfx(true), 0) << Z.Message;
  std::vector<uint8_t> Sfx = ReadFile(Dir + "\\new.exe");
  const int64_t Prefix = StubSize() + int64_t(Z.BuildSfxSettings().size());
  ASSERT_EQ(int64_t(Sfx.size()), Prefix + 22);
  EXPECT_EQ(GetLE32(Sfx.data() + Prefix), 0x06054B50u);
  EXPECT_EQ(GetLE32(Sfx.data() + Prefix + 16), uint32_t(Prefix));
  Z.List();
  EXPECT_EQ(Z.Count(), 0);
  EXPECT_EQ(Z.ZipFileName(), Dir + "\\new.exe");
}

TEST_F(SfxTest, IconIsReplacedAndReadBack) {
  std::vector<uint8_t> Icon(744);
  for (size_t i = 0; i < Icon.size(); i++) Icon[i] = uint8_t(i * 7);
  Z.SFXIcon = Icon;
  Z.SetZipFileName(Zip());
  ASSERT_EQ(Z.ConvertZipToSfx(), 0) << Z.Message;
  std::vector<uint8_t> Sfx = ReadFile(Exe());
  EXPECT_NE(std::search(Sfx.begin(), Sfx.end(), Icon.begin(), Icon.end()), Sfx.end());

  TZipBridge Back(nullptr);
  Back.HowToDelete = htdFinal;
  Back.SetZipFileName(Exe());
  ASSERT_EQ(Back.ConvertSfxToZip(), 0) << Back.Message;
  EXPECT_EQ(Back.SFXIcon, Icon);
  EXPECT_EQ(ReadFile(Zip()), Original);

  // An icon of another size cannot go into the stub: nothing is made.
  Z.SFXIcon.resize(100);
  Z.SetZipFileName(Zip());
  EXPECT_NE(Z.ConvertZipToSfx(), 0);
  EXPECT_FALSE(FileExists(Exe()));
}

// The self-extractor runs: its window shows the caption and message, takes
// the folder, and the files come out byte for byte.
TEST_F(SfxTest, SelfExtractorRunsAndExtracts) {
  Z.SFXCaption = "Quillon run";
  Z.SFXMessage = "These are the test files.";
  Z.SFXOptions = SetOf(SFXCheckSize, SFXNoSuccessMsg);
  Z.SetZipFileName(Zip());
  ASSERT_EQ(Z.ConvertZipToSfx(), 0) << Z.Message;
  const std::string Out = Dir + "\\out dir";
  std::string Caption, Message;
  EXPECT_EQ(morvtest::RunSelfExtractor(Exe(), Dir, Out, &Caption, &Message), 0);
  EXPECT_EQ(Caption, "Quillon run");
  EXPECT_EQ(Message, "These are the test files.");
  std::string Diff = Shell(Dir, "diff -r src " + Quote(HostPath(Out)) + " && echo same");
  EXPECT_NE(Diff.find("same"), std::string::npos) << Diff;
}

}  // namespace
