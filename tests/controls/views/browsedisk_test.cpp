// The folder-browse dialog driven to OK and to Cancel, and the disk
// information of a drive.
#include <gtest/gtest.h>

#include <string>

#include "controls/views/browsedr.h"
#include "controls/views/diskinfo.h"
#include "controls/views/explorertext.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"
#include "views_fixture.h"

namespace {

class BrowseTest : public ShellViewsTest {
 protected:
  void SetUp() override {
    ShellViewsTest::SetUp();
    if (IsSkipped()) return;
    CreateDirectoryA((Dir + "\\chosen").c_str(), nullptr);
  }
};

HWND DialogButton(HWND Dialog, int Id) { return GetDlgItem(Dialog, Id); }

}  // namespace

TEST(BrowseDirectory, FlagsRootsAndFolders) {
  EXPECT_EQ(BrowseInfoFlags(0, false), 0u);
  EXPECT_EQ(BrowseInfoFlags(1u << bfDirectoriesOnly, true), 0x0005u);
  EXPECT_EQ(BrowseInfoFlags(1u << bfEditBox, false), 0x0030u);
  EXPECT_EQ(BrowseInfoFlags((1u << bfComputers) | (1u << bfIncludeFiles), false), 0x5000u);
  EXPECT_EQ(RootFolderNumber(idDrives, true), 17);
  EXPECT_EQ(RootFolderNumber(idCommonPrograms, true), 23);
  EXPECT_EQ(RootFolderNumber(idCommonPrograms, false), 2);
  EXPECT_EQ(RootFolderNumber(idPrintHood, false), 27);
  EXPECT_TRUE(FolderExists("C:\\"));
  EXPECT_TRUE(FolderExists("C:\\windows\\"));
  EXPECT_FALSE(FolderExists("C:\\no such folder"));

  TBrowseDirectoryDlg dlg(nullptr);
  EXPECT_EQ(dlg.Version(), "TBrowseDirectoryDlg v2.57");
  dlg.SetSelection("C:\\windows");
  EXPECT_EQ(dlg.Selection(), "C:\\windows\\");
  dlg.SetSelection("C:\\no such folder");
  EXPECT_EQ(dlg.Selection(), "C:\\no such folder");
}

TEST_F(BrowseTest, DrivenToOkAndCancelled) {
  TBrowseDirectoryDlg dlg(nullptr);
  dlg.SetCaption("Temporay folder");
  dlg.Title = "Pick one";
  dlg.SetStatusText("starting");
  dlg.SetSelection(Dir + "\\chosen");
  EXPECT_EQ(dlg.Selection(), Dir + "\\chosen\\");
  int created = 0;
  std::string captionSeen, statusSeen;
  dlg.OnCreate = [&](TObject*) { ++created; };
  UiDriver::TModalAnswerer answers;
  answers.Then([&](HWND Dialog, TCustomForm*) {
    if (!Dialog) return false;
    captionSeen = dlg.Caption();
    statusSeen = UiDriver::WindowText(GetDlgItem(Dialog, 14147));
    Shot(Dialog, "browsedir.bmp");
    SendMessageA(DialogButton(Dialog, IDOK), BM_CLICK, 0, 0);
    return true;
  });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(created, 1);
  EXPECT_EQ(captionSeen, "Temporay folder");
  EXPECT_EQ(statusSeen, "starting");
  EXPECT_TRUE(SameText(dlg.Selection(), Dir + "\\chosen")) << dlg.Selection();
  EXPECT_EQ(dlg.DialogWindow(), nullptr);
  EXPECT_GE(dlg.ImageIndex(), 0);

  // Cancelled: the selection is emptied, not left at the initial folder.
  answers.Then([](HWND Dialog, TCustomForm*) {
    if (!Dialog) return false;
    SendMessageA(DialogButton(Dialog, IDCANCEL), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.Selection(), "");
}

TEST_F(BrowseTest, SelectionShownInStatusAndOkDisabled) {
  TBrowseDirectoryDlg dlg(nullptr);
  dlg.ShowSelectionInStatus = true;
  dlg.SetSelection(Dir + "\\chosen");
  std::string changed;
  dlg.OnSelChanged = [&](TObject*, const std::string& Path, LPCITEMIDLIST) { changed = Path; };
  bool okEnabled = true;
  UiDriver::TModalAnswerer answers;
  const DWORD start = GetTickCount();
  answers.Then([&](HWND Dialog, TCustomForm*) {
    // The dialog reports its first selection a while after it shows; on a
    // busy machine only after several ticks.
    if (!Dialog || (changed.empty() && GetTickCount() - start < 30000)) return false;
    dlg.SetEnableOKButton(false);
    okEnabled = IsWindowEnabled(DialogButton(Dialog, IDOK));
    dlg.SetEnableOKButton(true);
    SendMessageA(DialogButton(Dialog, IDOK), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_TRUE(dlg.Execute());
  EXPECT_FALSE(okEnabled);
  EXPECT_TRUE(SameText(changed, Dir + "\\chosen")) << changed;
  EXPECT_TRUE(SameText(dlg.StatusText(), Dir + "\\chosen")) << dlg.StatusText();
}

TEST(DiskInfo, DriveTextsAndSizes) {
  TDiskInfo info(nullptr);
  EXPECT_EQ(info.Disk(), 'C');
  EXPECT_EQ(info.DiskSizeStr(), "");  // nothing read before a letter is set
  info.SetDisk('c');
  EXPECT_EQ(info.Disk(), 'C');
  char label[MAX_PATH] = {}, fs[MAX_PATH] = {};
  DWORD serial = 0;
  ASSERT_TRUE(GetVolumeInformationA("C:\\", label, MAX_PATH, &serial, nullptr, nullptr, fs, MAX_PATH));
  EXPECT_EQ(info.SerialNumber(), serial);
  EXPECT_EQ(info.SerialNumberStr(), SerialNumberText(serial));
  EXPECT_EQ(info.SerialNumberStr().size(), 9u);
  EXPECT_EQ(info.VolumeLabel(), label);
  EXPECT_EQ(info.FileSystem(), fs);
  EXPECT_EQ(info.DriveType(), dtFixed);
  ULARGE_INTEGER avail, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &avail, &total, &free));
  // Whole 64-bit sizes, not the 32-bit query's wrapped or capped values.
  EXPECT_EQ(info.DiskSize(), static_cast<int64_t>(total.QuadPart));
  EXPECT_EQ(info.DiskSizeStr(), DiskSizeText(static_cast<int64_t>(total.QuadPart)));
  EXPECT_GT(info.DiskFree(), 0);
  EXPECT_EQ(info.DiskFreeStr(), DiskSizeText(info.DiskFree()));
  info.SetDisk('1');
  EXPECT_EQ(info.Disk(), 'C');
  // A drive letter with nothing behind it.
  DWORD drives = GetLogicalDrives();
  char missing = 0;
  for (char l = 'Y'; l >= 'D' && !missing; --l)
    if (!(drives & (1u << (l - 'A')))) missing = l;
  ASSERT_NE(missing, 0);
  info.SetDisk(missing);
  EXPECT_EQ(info.Disk(), missing);
  EXPECT_EQ(info.SerialNumberStr(), "0000-0000");
  EXPECT_EQ(info.VolumeLabel(), "");
  EXPECT_EQ(info.DriveType(), dtNoDrive);
  EXPECT_EQ(info.DiskSize(), -1);
  EXPECT_EQ(info.DiskFreeStr(), "-1.00 bytes");
}
