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
  // A letter Wine has no mapping for.
  const std::string drive = "Q:";
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

// Wine's mount manager defines drives at run time the way winecfg does: it
// makes the dosdevices link and the HKLM\Software\Wine\Drives entry and reads
// the label and serial (.windows-label, .windows-serial in the folder) at
// that moment. A link made by hand is only seen by a Wine session started
// after it, so the test asks the mount manager instead. Redefining the drive
// is how a new disk "arrives".
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
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineWineDrive(char letter, const std::string& hostFolder) {
  HANDLE mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buf(sizeof(TMountMgrUnixDrive) + hostFolder.size() + 1, 0);
  auto* d = reinterpret_cast<TMountMgrUnixDrive*>(buf.data());
  d->size = ULONG(buf.size());
  d->type = DRIVE_REMOVABLE;
  d->letter = WCHAR(letter);
  if (!hostFolder.empty()) {
    d->mount_point_offset = USHORT(sizeof(TMountMgrUnixDrive));
    memcpy(buf.data() + sizeof(TMountMgrUnixDrive), hostFolder.c_str(), hostFolder.size() + 1);
  } else {
    d->size = sizeof(TMountMgrUnixDrive);
  }
  DWORD got = 0;
  BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buf.data(), d->size, nullptr, 0, &got, nullptr);
  CloseHandle(mgr);
  return ok != 0;
}

class FloppyUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = morvtest::TempDir();
    Insert("QUILLON1", "1A2B3C4D");
  }
  void TearDown() override {
    DefineWineDrive('a', "");
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "a:");
      RegCloseKey(key);
    }
  }
  void Insert(const std::string& label, const std::string& serial) {
    morvtest::WriteFile(folder + "\\.windows-label", label + "\n");
    morvtest::WriteFile(folder + "\\.windows-serial", serial + "\n");
    ASSERT_TRUE(DefineWineDrive('a', morvtest::HostPath(folder)));
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
