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

// Wine's mount manager defines a drive at run time, with the label and serial
// read from .windows-label and .windows-serial in its folder.
struct TMountMgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};
constexpr DWORD DefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineWineDrive(char Letter, const std::string& HostFolder) {
  HANDLE Mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (Mgr == INVALID_HANDLE_VALUE) return false;
  std::vector<char> Buf(sizeof(TMountMgrUnixDrive) + HostFolder.size() + 1, 0);
  auto* D = reinterpret_cast<TMountMgrUnixDrive*>(Buf.data());
  D->size = ULONG(Buf.size());
  D->type = DRIVE_REMOVABLE;
  D->letter = WCHAR(Letter);
  if (!HostFolder.empty()) {
    D->mount_point_offset = USHORT(sizeof(TMountMgrUnixDrive));
    std::memcpy(Buf.data() + sizeof(TMountMgrUnixDrive), HostFolder.c_str(), HostFolder.size() + 1);
  } else {
    D->size = sizeof(TMountMgrUnixDrive);
  }
  DWORD Got = 0;
  BOOL Ok = DeviceIoControl(Mgr, DefineUnixDrive, Buf.data(), D->size, nullptr, 0, &Got, nullptr);
  CloseHandle(Mgr);
  return Ok != 0;
}

class RemovableDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    Folder = morvtest::TempDir();
    Insert("PKBACK# 001");
    Z.SetWorkDrive("B:\\");
  }
  void TearDown() override {
    DefineWineDrive('b', "");
    HKEY Key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives", 0, KEY_SET_VALUE, &Key) == ERROR_SUCCESS) {
      RegDeleteValueA(Key, "b:");
      RegCloseKey(Key);
    }
  }
  void Insert(const std::string& Label) {
    morvtest::WriteFile(Folder + "\\.windows-label", Label + "\n");
    morvtest::WriteFile(Folder + "\\.windows-serial", "12345678\n");
    ASSERT_TRUE(DefineWineDrive('b', morvtest::HostPath(Folder)));
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
