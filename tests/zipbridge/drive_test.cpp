// Drive checks and volume prompts, with a removable drive defined in Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "tests/support/testsupport.h"
#include "zipbridge/zipbridge.h"

namespace {

// Answers the volume prompts from a script and keeps their texts.
class TPrompts {
 public:
  explicit TPrompts(std::function<int()> Answer) : FAnswer(std::move(Answer)) {
    PromptHook() = [this](const std::string& Text, const std::string&, int Buttons) {
      EXPECT_EQ(Buttons & 0x0F, pbOKCancel);
      Texts.push_back(Text);
      return FAnswer();
    };
  }
  ~TPrompts() { PromptHook() = nullptr; }
  std::vector<std::string> Texts;

 private:
  std::function<int()> FAnswer;
};

int RaisedId(const std::function<void()>& F, bool* Display = nullptr) {
  try {
    F();
  } catch (const EZipBridge& E) {
    if (Display) *Display = E.DisplayMsg;
    return E.ResId;
  }
  return 0;
}

TEST(DriveCheck, LettersMustNameADefinedDrive) {
  TZipBridge Z(nullptr);
  Z.SetWorkDrive("1:\\");
  EXPECT_EQ(RaisedId([&] { Z.CheckDrive(); }), zmInvalidDrive);
  try {
    Z.CheckDrive();
  } catch (const EZipBridge& E) {
    EXPECT_STREQ(E.what(), "Not a valid drive: 1:\\");
  }
  DWORD Drives = GetLogicalDrives();
  char Free = 0;
  for (char L = 'Y'; L > 'C'; L--)
    if (!(Drives & (1u << (L - 'A')))) {
      Free = L;
      break;
    }
  ASSERT_NE(Free, 0);
  Z.SetWorkDrive(std::string(1, Free) + ":\\");
  EXPECT_EQ(RaisedId([&] { Z.CheckDrive(); }), zmDriveUndefined);
}

TEST(DriveCheck, FixedDriveNeedsNoPrompt) {
  TPrompts Prompts([] { return mrCancel; });
  TZipBridge Z(nullptr);
  std::string Dir = morvtest::TempDir();
  Z.SetWorkDrive(IncludeTrailingBackslash(ExtractFileDrive(Dir)));
  EXPECT_TRUE(Z.CheckDrive());
  int64_t Free, Total;
  Z.DiskFreeSpace(Free, Total);
  EXPECT_GT(Total, 0);
  EXPECT_EQ(Z.AskForVolume(), dtFixed);
  EXPECT_TRUE(Z.CheckVolume());
  EXPECT_TRUE(Prompts.Texts.empty());
}

class RemovableDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    Folder = morvtest::TempDir();
    Insert("PKBACK# 001");
    Z.SetWorkDrive("B:\\");
  }
  void TearDown() override {
    morvtest::DefineWineDrive('b', "");
    HKEY Key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives", 0, KEY_SET_VALUE, &Key) == ERROR_SUCCESS) {
      RegDeleteValueA(Key, "b:");
      RegCloseKey(Key);
    }
  }
  void Insert(const std::string& Label) {
    morvtest::WriteFile(Folder + "\\.windows-label", Label + "\n");
    morvtest::WriteFile(Folder + "\\.windows-serial", "12345678\n");
    ASSERT_TRUE(morvtest::DefineWineDrive('b', morvtest::HostPath(Folder)));
  }
  std::string Folder;
  TZipBridge Z{nullptr};
};

TEST_F(RemovableDrive, ReadyDriveWithTheWantedVolume) {
  TPrompts Prompts([] { return mrCancel; });
  morvtest::WriteFile(Folder + "\\set.zip", std::string("volume"));
  Z.SetZipFileName("B:\\set.zip");
  EXPECT_TRUE(Z.CheckDrive());
  EXPECT_EQ(Z.VolumeLabel(), "PKBACK# 001");
  EXPECT_EQ(Z.AskForVolume(), dtRemovable);
  EXPECT_TRUE(Prompts.Texts.empty()) << "a ready drive needs no prompt";
  Z.WaitForVolume(0);
  EXPECT_TRUE(Prompts.Texts.empty());
}

TEST_F(RemovableDrive, WrongVolumePromptsUntilTheRightOneArrives) {
  int Shown = 0;
  TPrompts Prompts([&] {
    if (++Shown == 2) Insert("PKBACK# 002");
    return mrOk;
  });
  morvtest::WriteFile(Folder + "\\set.zip", std::string("volume"));
  Z.SetZipFileName("B:\\set.zip");
  Z.WaitForVolume(1);
  ASSERT_EQ(Prompts.Texts.size(), 2u);
  EXPECT_EQ(Prompts.Texts[0], "Please insert disk volume 2 of 1\nin drive: B:\\");
  EXPECT_EQ(Z.VolumeLabel(), "PKBACK# 002");
}

TEST_F(RemovableDrive, PromptsCancelledOrUnattended) {
  morvtest::WriteFile(Folder + "\\set.zip", std::string("volume"));
  Z.SetZipFileName("B:\\set.zip");
  {
    TPrompts Prompts([] { return mrCancel; });
    bool Display = true;
    EXPECT_EQ(RaisedId([&] { Z.WaitForVolume(2); }, &Display), zmUserCancel);
    EXPECT_FALSE(Display) << "a cancelled prompt is not shown";
    EXPECT_EQ(Prompts.Texts.size(), 1u);
  }
  TPrompts Prompts([] { return mrOk; });
  Z.Unattended = true;
  EXPECT_EQ(RaisedId([&] { Z.WaitForVolume(2); }), zmUnattendedSpan);
  EXPECT_TRUE(Prompts.Texts.empty());
}

TEST_F(RemovableDrive, LabelNumbersNameTheDiskOfASet) {
  morvtest::WriteFile(Folder + "\\notzip.zip", std::string(3000, 'n'));
  Insert("PKBACK# 002");
  Z.SetZipFileName("B:\\notzip.zip");
  EXPECT_EQ(Z.ErrCode, zmNotLastDisk);
  EXPECT_EQ(Z.Message, "This is disk 2 of a backup set,\nplease insert the last disk of this set");

  std::vector<uint8_t> First = {'P', 'K', 7, 8, 'P', 'K', 3, 4};
  First.resize(3000, 0);
  morvtest::WriteFile(Folder + "\\first.zip", First);
  Insert("PKBACK# 001");
  Z.SetZipFileName("B:\\first.zip");
  EXPECT_EQ(Z.ErrCode, zmFirstDisk);
  EXPECT_EQ(Z.Message, "This is the first disk in a backup set,\nplease insert the last disk of this set");
}

}  // namespace
