// Spanned sets: written as numbered files on a fixed drive and as labelled
// volumes on a Wine removable drive, joined back, and read from Info-ZIP
// split sets.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>

#include "archive/core/bytes.h"
#include "framework/core/os.h"
#include "framework/core/prompts.h"
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

// Answers every prompt by a script and keeps the texts.
class TPromptLog {
 public:
  explicit TPromptLog(std::function<int(const std::string&)> Answer = nullptr) : FAnswer(std::move(Answer)) {
    PromptHook() = [this](const std::string& Text, const std::string&, int) {
      Texts.push_back(Text);
      return FAnswer ? FAnswer(Text) : mrCancel;
    };
  }
  ~TPromptLog() { PromptHook() = nullptr; }
  std::vector<std::string> Texts;

 private:
  std::function<int(const std::string&)> FAnswer;
};

std::string CrcList(const std::string& Archive) {
  std::string L;
  for (const TPeerEntry& E : ZipInfo(Archive).Entries) L += E.Name + " " + std::to_string(E.Crc) + "\n";
  return L;
}

class SpanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = TempDir();
    Z.HowToDelete = htdFinal;
    Z.SetDLLDirectory(DllFolder("unzeng"));
    // About 330 KB that does not compress, in several files, one streamed
    // (with a data descriptor), and an archive comment.
    Shell(Dir, "mkdir -p src/sub && cd src && head -c 150000 /dev/urandom > big.bin && "
               "head -c 90000 /dev/urandom > sub/mid.bin && seq 1 20000 > sub/numbers.txt && "
               "printf 'x\\n' > tiny.txt && zip -q -r ../t.zip . && "
               "head -c 70000 /dev/urandom | zip -q ../t.zip - && cd .. && printf 'set comment' | zip -q -z t.zip");
    Peer = CrcList(Dir + "\\t.zip");
  }
  std::string Dir;
  std::string Peer;
  TZipBridge Z{nullptr};
};

TEST_F(SpanTest, FixedDriveSetIsJoinedByInfoZipAndByUs) {
  TPromptLog Prompts;
  Z.MaxVolumeSize = 100000;
  ASSERT_EQ(Z.WriteSpannedSet(Dir + "\\t.zip", Dir + "\\set.zip"), 0) << Z.Message;
  EXPECT_TRUE(Prompts.Texts.empty()) << "no prompt on a fixed drive";
  std::vector<std::string> Volumes;
  for (int i = 1; FileExists(Dir + "\\set00" + std::to_string(i) + ".zip"); i++)
    Volumes.push_back(Dir + "\\set00" + std::to_string(i) + ".zip");
  ASSERT_EQ(Volumes.size(), 4u);
  for (const std::string& V : Volumes) EXPECT_LE(ReadFile(V).size(), 100000u) << V;
  std::vector<uint8_t> First = ReadFile(Volumes[0]);
  EXPECT_EQ(GetLE32(First.data()), 0x08074B50u);
  EXPECT_EQ(FileAge(Volumes.back()), FileAge(Dir + "\\t.zip"));

  // Our own join, from the last volume and from the first.
  for (const std::string& From : {Volumes.back(), Volumes.front()}) {
    std::string Out = Dir + "\\joined.zip";
    ASSERT_EQ(Z.ReadSpannedSet(From, Out), 0) << Z.Message;
    EXPECT_EQ(Out, Dir + "\\joined.zip");
    std::string Test;
    EXPECT_EQ(morvtest::RunPeer("unzip -tq " + Quote(HostPath(Out)), &Test), 0) << Test;
    EXPECT_EQ(CrcList(Out), Peer);
    EXPECT_EQ(ZipInfo(Out).Comment, "set comment");
  }

  // Info-ZIP joins the same volumes under its own names.
  std::string Cmd = "mkdir -p iz && ";
  for (size_t i = 0; i + 1 < Volumes.size(); i++)
    Cmd += "cp " + Quote(HostPath(Volumes[i])) + " iz/set.z0" + std::to_string(i + 1) + " && ";
  Cmd += "cp " + Quote(HostPath(Volumes.back())) + " iz/set.zip && cd iz && zip -q -s 0 set.zip --out whole.zip && "
         "unzip -tq whole.zip";
  Shell(Dir, Cmd);
  EXPECT_EQ(CrcList(Dir + "\\iz\\whole.zip"), Peer);
}

TEST_F(SpanTest, InfoZipSplitSetIsListedJoinedAndExtracted) {
  Shell(Dir, "zip -q -s 100k t.zip --out split.zip && ls split.z01 split.z02 split.z03");
  Z.SetZipFileName(Dir + "\\split.zip");
  ASSERT_EQ(Z.Count(), 6) << Z.Message;  // the folder "sub/" and the streamed "-" too
  EXPECT_TRUE(Z.Spanned());
  EXPECT_EQ(Z.LastDisk(), 3);

  std::string Out = Dir + "\\";
  ASSERT_EQ(Z.ReadSpannedSet(Dir + "\\split.zip", Out), 0) << Z.Message;
  std::string Test;
  EXPECT_EQ(morvtest::RunPeer("unzip -tq " + Quote(HostPath(Out)), &Test), 0) << Test;
  EXPECT_EQ(CrcList(Out), Peer);

  // Extraction joins the set into a temporary archive and removes it again.
  CreateDir(Dir + "\\out");
  CreateDir(Dir + "\\tmp");
  Z.TempDir = Dir + "\\tmp";
  Z.ExtrBaseDir = Dir + "\\out";
  Z.ExtrOptions = SetOf(ExtrDirNames);
  Z.FSpecArgs()->Add("*.*");
  Z.Extract();
  EXPECT_GE(Z.SuccessCnt, 5) << Z.Message;
  std::string Diff = Shell(Dir, "diff src/big.bin out/big.bin && diff -r src/sub out/sub && echo same");
  EXPECT_NE(Diff.find("same"), std::string::npos) << Diff;
  EXPECT_EQ(Shell(Dir, "ls tmp | wc -l").substr(0, 1), "0");
}

// With many entries Info-ZIP starts the directory on an earlier part than
// the end record.
TEST_F(SpanTest, InfoZipDirectoryStartingOnAnEarlierPart) {
  Shell(Dir, "mkdir many && cd many && for i in $(seq 1 400); do printf x > $(printf 'f%03d_%0100d' $i 0).txt; done && "
             "cd .. && zip -q -s 64k -r long.zip many && ls long.z02");
  std::vector<uint8_t> End = ReadFile(Dir + "\\long.zip");
  size_t At = End.size() - 22;
  ASSERT_LT(GetLE16(End.data() + At + 6), GetLE16(End.data() + At + 4)) << "directory not on an earlier part";
  Z.SetZipFileName(Dir + "\\long.zip");
  EXPECT_EQ(Z.Count(), 401) << Z.Message;
  std::string Out = Dir + "\\";
  ASSERT_EQ(Z.ReadSpannedSet(Dir + "\\long.zip", Out), 0) << Z.Message;
  std::string Test;
  EXPECT_EQ(morvtest::RunPeer("unzip -tq " + Quote(HostPath(Out)), &Test), 0) << Test;
}

// Hand-made: a stored entry streamed with a 12-byte descriptor (no
// signature), which must come through whole.
TEST_F(SpanTest, DescriptorWithoutSignature) {
  std::vector<uint8_t> Data = morvtest::TextData(5000, 3);
  std::vector<uint8_t> Zip = MakeZip({{"first.txt", std::string(Data.begin(), Data.end())},
                                      {"second.txt", std::string(300, 'q')}});
  // Turn the first entry into a streamed one: flag bit 3, zero sizes and CRC
  // in the local header, the descriptor behind the data.
  uint32_t Crc = GetLE32(Zip.data() + 14);
  size_t DataEnd = 30 + 9 + Data.size();
  PutLE16(Zip.data() + 6, 8);
  PutLE32(Zip.data() + 14, 0);
  PutLE32(Zip.data() + 18, 0);
  PutLE32(Zip.data() + 22, 0);
  std::vector<uint8_t> Desc(12);
  PutLE32(Desc.data(), Crc);
  PutLE32(Desc.data() + 4, uint32_t(Data.size()));
  PutLE32(Desc.data() + 8, uint32_t(Data.size()));
  Zip.insert(Zip.begin() + ptrdiff_t(DataEnd), Desc.begin(), Desc.end());
  size_t End = Zip.size() - 22;
  size_t Central = GetLE32(Zip.data() + End + 16) + 12;
  PutLE32(Zip.data() + End + 16, uint32_t(Central));
  PutLE16(Zip.data() + Central + 8, 8);
  size_t Second = Central + 46 + 9;
  PutLE32(Zip.data() + Second + 42, GetLE32(Zip.data() + Second + 42) + 12);
  WriteFile(Dir + "\\desc.zip", Zip);
  std::string Test;
  ASSERT_EQ(morvtest::RunPeer("unzip -tq " + Quote(HostPath(Dir + "\\desc.zip")), &Test), 0) << Test;

  Z.MaxVolumeSize = 70000;
  ASSERT_EQ(Z.WriteSpannedSet(Dir + "\\desc.zip", Dir + "\\d.zip"), 0) << Z.Message;
  std::string Out = Dir + "\\back.zip";
  ASSERT_EQ(Z.ReadSpannedSet(Dir + "\\d001.zip", Out), 0) << Z.Message;
  EXPECT_EQ(morvtest::RunPeer("unzip -tq " + Quote(HostPath(Out)), &Test), 0) << Test;
}

// A header that needs more room than an empty volume has is an error, not an
// endless run of empty volumes.
TEST_F(SpanTest, RecordLargerThanAVolumeFails) {
  WriteFile(Dir + "\\long.zip", MakeZip({{std::string(400, 'n') + ".txt", "data"}}));
  Z.MinFreeVolumeSize = 100;
  Z.MaxVolumeSize = 300;
  EXPECT_NE(Z.WriteSpannedSet(Dir + "\\long.zip", Dir + "\\l.zip"), 0);
  EXPECT_EQ(Z.ErrCode, zmNoFreeSpace);
  EXPECT_FALSE(FileExists(Dir + "\\l002.zip"));
  EXPECT_FALSE(Z.ZipBusy());
}

TEST_F(SpanTest, NotASetAndMissingInput) {
  std::string Out = Dir + "\\x.zip";
  EXPECT_NE(Z.ReadSpannedSet(Dir + "\\missing.zip", Out), 0);
  EXPECT_FALSE(FileExists(Out));
  EXPECT_NE(Z.WriteSpannedSet(Dir + "\\missing.zip", Dir + "\\s.zip"), 0);
  EXPECT_EQ(Z.ErrCode, zmInputMissing);
  EXPECT_FALSE(FileExists(Dir + "\\s001.zip"));
}

// A Wine removable drive on a host folder; a new "disk" arrives when the
// folder's files are moved away and the drive is defined again.
class RemovableSpanTest : public SpanTest {
 protected:
  void SetUp() override {
    SpanTest::SetUp();
    Disk = Dir + "\\disk";
    if (!PrepareDisk()) GTEST_SKIP() << "no size-limited folder";
    DWORD Drives = GetLogicalDrives();
    for (char L = 'R'; L > 'H' && !Letter; L--)
      if (!(Drives & (1u << (L - 'A')))) Letter = L;
    if (!Letter || !morvtest::DefineWineDrive(Letter, HostPath(Disk))) GTEST_SKIP() << "no Wine drive";
    Root = std::string(1, Letter) + ":\\";
  }
  void TearDown() override {
    if (Letter) morvtest::DefineWineDrive(Letter, "");
  }
  virtual bool PrepareDisk() { return CreateDir(Disk); }
  // Moves what the disk holds into Dir\disk<N> and offers an empty disk.
  void SwapDisk(int N) {
    Shell(Dir, "mkdir -p disk" + std::to_string(N) + " && mv disk/* disk/.windows-label disk" + std::to_string(N) +
                   "/ 2>/dev/null; true");
    morvtest::DefineWineDrive(Letter, HostPath(Disk));
  }
  std::string Disk, Root;
  char Letter = 0;
};

TEST_F(RemovableSpanTest, VolumesAreLabelledAndJoinedBack) {
  int Swaps = 0;
  TPromptLog Prompts([&](const std::string&) {
    SwapDisk(++Swaps);
    return mrOk;
  });
  Z.MaxVolumeSize = 100000;
  ASSERT_EQ(Z.WriteSpannedSet(Dir + "\\t.zip", Root + "set.zip"), 0) << Z.Message;
  SwapDisk(++Swaps);
  ASSERT_EQ(Swaps, 4);
  ASSERT_EQ(Prompts.Texts.size(), 3u);
  EXPECT_EQ(Prompts.Texts[0].rfind("Please insert disk volume 2 of ", 0), 0u) << Prompts.Texts[0];
  for (int i = 1; i <= 4; i++) {
    std::string D = Dir + "\\disk" + std::to_string(i);
    EXPECT_EQ(Shell(Dir, "tr -d '\\n' < disk" + std::to_string(i) + "/.windows-label"),
              "PKBACK# 00" + std::to_string(i));
    EXPECT_LE(ReadFile(D + "\\set.zip").size(), 100000u);
  }
  EXPECT_EQ(GetLE32(ReadFile(Dir + "\\disk1\\set.zip").data()), 0x08074B50u);

  // Reading asks for the disks: the last first, then from the first on.
  std::vector<int> Order;
  auto Insert = [&](int N) {
    Shell(Dir, "rm -rf disk/* disk/.windows-label; cp -a disk" + std::to_string(N) + "/. disk/");
    morvtest::DefineWineDrive(Letter, HostPath(Disk));
    Order.push_back(N);
  };
  Insert(1);
  TPromptLog ReadPrompts([&](const std::string& Text) {
    int N = 0, Of = 0;
    if (Text.find("last disk") != std::string::npos)
      Insert(4);
    else if (std::sscanf(Text.c_str(), "Please insert disk volume %d of %d", &N, &Of) == 2)
      Insert(N);
    return mrOk;
  });
  std::string Out = Dir + "\\joined.zip";
  ASSERT_EQ(Z.ReadSpannedSet(Root + "set.zip", Out), 0) << Z.Message;
  EXPECT_EQ(ReadPrompts.Texts.size() >= 1 ? ReadPrompts.Texts[0] : "", "Please insert last disk\nin drive: " + Root);
  EXPECT_EQ(CrcList(Out), Peer);
  EXPECT_EQ(Order.front(), 1);
  EXPECT_EQ(Order[1], 4);
}

// Extraction from the drive joins the set first, asking for each disk.
TEST_F(RemovableSpanTest, ExtractFromTheDrive) {
  Shell(Dir, "zip -q -s 100k t.zip --out split.zip && n=$(ls split.z* | wc -l) && "
             "for i in $(seq 1 $n); do mkdir disk$i; printf 'PKBACK# %03d' $i > disk$i/.windows-label; done && "
             "for i in $(seq 1 $((n-1))); do cp split.z$(printf %02d $i) disk$i/set.zip; done && "
             "cp split.zip disk$n/set.zip");
  auto Insert = [&](int N) {
    Shell(Dir, "rm -rf disk/* disk/.windows-label; cp -a disk" + std::to_string(N) + "/. disk/");
    morvtest::DefineWineDrive(Letter, HostPath(Disk));
  };
  Insert(4);
  TPromptLog Prompts([&](const std::string& Text) {
    int N = 0, Of = 0;
    if (std::sscanf(Text.c_str(), "Please insert disk volume %d of %d", &N, &Of) == 2) Insert(N);
    return mrOk;
  });
  Z.SetZipFileName(Root + "set.zip");
  ASSERT_EQ(Z.Count(), 6) << Z.Message;
  CreateDir(Dir + "\\out");
  Z.ExtrBaseDir = Dir + "\\out";
  Z.ExtrOptions = SetOf(ExtrDirNames);
  Z.FSpecArgs()->Add("*.*");
  Z.Extract();
  EXPECT_GE(Z.SuccessCnt, 5) << Z.Message;
  std::string Diff = Shell(Dir, "diff src/big.bin out/big.bin && diff -r src/sub out/sub && echo same");
  EXPECT_NE(Diff.find("same"), std::string::npos) << Diff;
  EXPECT_GE(Prompts.Texts.size(), 3u);
}

TEST_F(RemovableSpanTest, FailedFormatEndsTheWrite) {
  TPromptLog Prompts;
  Z.AddOptions = SetOf(AddDiskSpanErase);
  DWORD Start = GetTickCount();
  EXPECT_NE(Z.WriteSpannedSet(Dir + "\\t.zip", Root + "set.zip"), 0);
  EXPECT_LT(GetTickCount() - Start, 20000u) << "nothing waits for a dialog that never shows";
  EXPECT_EQ(Z.ErrCode, zmFormatFailed);
  EXPECT_FALSE(FileExists(Dir + "\\disk\\set.zip"));
}

// A 1.44 MB floppy: a folder of that size (a tmpfs mount) as a removable
// drive. The free space decides the volume sizes.
class FloppySpanTest : public RemovableSpanTest {
 protected:
  bool PrepareDisk() override {
    CreateDir(Disk);
    Mounted = morvtest::RunPeer("mount -t tmpfs -o size=1440k tmpfs " + Quote(HostPath(Disk))) == 0;
    return Mounted;
  }
  void TearDown() override {
    RemovableSpanTest::TearDown();
    if (Mounted) morvtest::RunPeer("umount " + Quote(HostPath(Disk)));
  }
  bool Mounted = false;
};

TEST_F(FloppySpanTest, VolumesFillEachDisk) {
  Shell(Dir, "head -c 3000000 /dev/urandom > big3.bin && zip -q -0 t3.zip big3.bin");
  int Swaps = 0;
  TPromptLog Prompts([&](const std::string&) {
    SwapDisk(++Swaps);
    return mrOk;
  });
  Z.KeepFreeOnDisk1 = 100000;
  ASSERT_EQ(Z.WriteSpannedSet(Dir + "\\t3.zip", Root + "big.zip"), 0) << Z.Message;
  SwapDisk(++Swaps);
  ASSERT_EQ(Swaps, 3);
  EXPECT_EQ(Prompts.Texts[0], "Please insert disk volume 2 of 3\nin drive: " + Root);
  const int64_t Floppy = 1440 * 1024;
  int64_t First = int64_t(ReadFile(Dir + "\\disk1\\big.zip").size());
  int64_t Second = int64_t(ReadFile(Dir + "\\disk2\\big.zip").size());
  EXPECT_LE(First, Floppy - 100000);
  EXPECT_GT(First, Floppy - 100000 - 16384);
  EXPECT_LE(Second, Floppy);
  EXPECT_GT(Second, Floppy - 16384);
  for (int i = 1; i <= 3; i++)
    EXPECT_EQ(Shell(Dir, "tr -d '\\n' < disk" + std::to_string(i) + "/.windows-label"),
              "PKBACK# 00" + std::to_string(i));

  Shell(Dir, "cp -a disk3/. disk/");
  morvtest::DefineWineDrive(Letter, HostPath(Disk));
  TPromptLog ReadPrompts([&](const std::string& Text) {
    int N = 0, Of = 0;
    if (std::sscanf(Text.c_str(), "Please insert disk volume %d of %d", &N, &Of) == 2) {
      Shell(Dir, "rm -rf disk/* disk/.windows-label; cp -a disk" + std::to_string(N) + "/. disk/");
      morvtest::DefineWineDrive(Letter, HostPath(Disk));
    }
    return mrOk;
  });
  std::string Out = Dir + "\\joined.zip";
  ASSERT_EQ(Z.ReadSpannedSet(Root + "big.zip", Out), 0) << Z.Message;
  EXPECT_EQ(CrcList(Out), CrcList(Dir + "\\t3.zip"));
}

TEST_F(FloppySpanTest, TooLittleFreeSpaceIsRefused) {
  Shell(Dir, "head -c 1420000 /dev/zero > disk/fill");
  morvtest::DefineWineDrive(Letter, HostPath(Disk));
  Z.Unattended = true;
  EXPECT_NE(Z.WriteSpannedSet(Dir + "\\t.zip", Root + "set.zip"), 0);
  EXPECT_EQ(Z.ErrCode, zmNoFreeSpace);
  EXPECT_FALSE(FileExists(Dir + "\\disk\\set.zip"));
}

}  // namespace
