#include "archive/core/diskmanager.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "tests/support/testsupport.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#endif

namespace {

// Answers the Retry/Cancel question from a script and counts the asks.
class TPromptScript {
 public:
  explicit TPromptScript(std::vector<int> answers) : FAnswers(std::move(answers)) {
    PromptHook() = [this](const std::string& Text, const std::string&, int Buttons) {
      Texts.push_back(Text);
      EXPECT_EQ(Buttons & 0x0F, pbRetryCancel);
      return Texts.size() <= FAnswers.size() ? FAnswers[Texts.size() - 1] : mrCancel;
    };
  }
  ~TPromptScript() { PromptHook() = nullptr; }
  std::vector<std::string> Texts;

 private:
  std::vector<int> FAnswers;
};

TEST(DiskManager, FixedDriveOfTheTests) {
  std::string dir = morvtest::TempDir();
  std::string drive = ExtractFileDrive(dir);
  if (drive.empty()) drive = "/";
  TDiskManager dm(nullptr);
  int changes = 0;
  dm.OnDriveChange = [&](TObject*) { changes++; };
  dm.SetDrive(drive);
  EXPECT_EQ(changes, 1);
  dm.SetDrive(drive);
  EXPECT_EQ(changes, 1) << "same drive, no refresh and no event";
  EXPECT_TRUE(dm.LastRefreshOk());
  EXPECT_EQ(dm.DriveType(), dtFixed);
  EXPECT_EQ(dm.DriveKindName(), "Fixed");
  EXPECT_EQ(dm.SerialNumber().size(), 8u);
  EXPECT_GT(dm.TotalBytes(), 0);
  EXPECT_FALSE(dm.IsRemovable());
  dm.SetPolling(true);
  EXPECT_FALSE(dm.PollingActive()) << "fixed drives are not polled";
}

TEST(DiskManager, UnreadableDriveAsksRetryThenCancels) {
#ifdef _WIN32
  // A letter Wine has no mapping for, and below the letters the spanning
  // tests of other programs map while this runs.
  const std::string drive = "G:";
#else
  const std::string drive = morvtest::TempDir() + "/no/such/volume";
#endif
  TPromptScript prompts({mrRetry, mrCancel});
  TDiskManager dm(nullptr);
  dm.SetDrive(drive);
  EXPECT_FALSE(dm.LastRefreshOk());
  ASSERT_EQ(prompts.Texts.size(), 2u);
  EXPECT_EQ(prompts.Texts[0], drive + " is not accessible.");
  EXPECT_FALSE(dm.RefreshDriveInfo());
}

#ifdef _WIN32

class FloppyUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = morvtest::TempDir();
    Insert("QUILLON1", "1A2B3C4D");
  }
  void TearDown() override {
    morvtest::DefineWineDrive('a', "");
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "a:");
      RegCloseKey(key);
    }
  }
  void Insert(const std::string& label, const std::string& serial) {
    morvtest::WriteFile(folder + "\\.windows-label", label + "\n");
    morvtest::WriteFile(folder + "\\.windows-serial", serial + "\n");
    ASSERT_TRUE(morvtest::DefineWineDrive('a', morvtest::HostPath(folder)));
  }
  std::string folder;
};

TEST_F(FloppyUnderWine, ReportsKindLabelAndSerial) {
  TDiskManager dm(nullptr);
  dm.SetDrive("A:");
  ASSERT_TRUE(dm.LastRefreshOk());
  EXPECT_EQ(dm.DriveType(), dtRemovable);
  EXPECT_TRUE(dm.IsRemovable());
  EXPECT_EQ(dm.DriveKindName(), "Floppy");
  EXPECT_EQ(dm.VolumeLabel(), "QUILLON1");
  EXPECT_EQ(dm.SerialNumber(), "1A2B3C4D");
}

TEST_F(FloppyUnderWine, DiskChangeIsReportedOnce) {
  TDiskManager dm(nullptr);
  int changes = 0;
  dm.OnDiskChange = [&](TObject*) { changes++; };
  dm.SetDrive("A:");
  dm.SetPolling(true);
  ASSERT_TRUE(dm.PollingActive());
  dm.PollTick();
  EXPECT_EQ(changes, 0) << "the same disk";

  Insert("PKBACK# 002", "5E6F7A8B");
  dm.PollTick();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(dm.VolumeLabel(), "PKBACK# 002");
  dm.PollTick();
  EXPECT_EQ(changes, 1);

  // Relabelled disk, same serial number.
  Insert("PKBACK# 003", "5E6F7A8B");
  dm.PollTick();
  dm.PollTick();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(dm.VolumeLabel(), "PKBACK# 003");

  dm.SetPolling(false);
  Insert("OTHER", "00000001");
  dm.PollTick();
  EXPECT_EQ(changes, 2) << "polling is off";
}

#endif

}  // namespace
