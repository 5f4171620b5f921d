// Run-and-wait, the scan folder and the virus scan, with batch files as the
// programs started.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/entrytable.h"
#include "app/packagerun.h"
#include "app/settings.h"
#include "app/utils.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace {

std::string CurrentFolder() {
  char Buf[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, Buf);
  return Buf;
}

std::string FileText(const std::string& Name) {
  std::vector<uint8_t> D = morvtest::ReadFile(Name);
  return std::string(D.begin(), D.end());
}

TEST(PackageRun, ScannerParametersAndSetupProgram) {
  EXPECT_EQ(ScannerParameters("C:\\T\\QV7", "*.* /s"), "C:\\T\\QV7\\*.* /s");
  EXPECT_EQ(ScannerParameters("C:\\T\\QV7", "/all"), "C:\\T\\QV7 /all");
  EXPECT_EQ(ScannerParameters("C:\\T\\QV7", ""), "C:\\T\\QV7") << "the scanner is given the folder";

  auto Entry = [](const std::string& Name, const std::string& Path) {
    TFile F;
    F.Name = Name;
    F.Path = Path;
    return F;
  };
  struct {
    std::vector<TFile> Entries;
    std::string Found;
  } Cases[] = {
      {{Entry("readme.txt", ""), Entry("SETUP.EXE", "")}, "SETUP.EXE"},
      {{Entry("setup.exe", "disk1\\")}, ""},
      {{Entry("setup.exe", "disk1\\"), Entry("Install.exe", "disk1\\")}, "disk1\\Install.exe"},
      {{Entry("install.exe", "\\sub\\")}, "sub\\install.exe"},
      {{}, ""},
  };
  for (const auto& C : Cases) EXPECT_EQ(FindSetupProgram(C.Entries), C.Found);
}

TEST(PackageRun, ScanFolderIsAlwaysNew) {
  const std::string Dir = morvtest::TempDir();
  const std::string Made = CreatePackageFolder(Dir);
  ASSERT_FALSE(Made.empty());
  EXPECT_EQ(ExtractFilePath(Made), Dir + "\\");
  EXPECT_EQ(ExtractFileName(Made).substr(0, 2), "QV");
  RemoveDir(Made);

  // Every name but one taken: that one is made; with none left, nothing, and
  // the folders there stay untouched.
  for (int i = 0; i <= 100; i++)
    if (i != 57) CreateDir(Dir + "\\QV" + std::to_string(i));
  morvtest::WriteFile(Dir + "\\QV3\\keep.txt", std::string("mine"));
  EXPECT_EQ(CreatePackageFolder(Dir), Dir + "\\QV57");
  EXPECT_EQ(CreatePackageFolder(Dir), "");
  EXPECT_EQ(FileText(Dir + "\\QV3\\keep.txt"), "mine");
  EXPECT_EQ(CreatePackageFolder(Dir + "\\missing\\deeper"), "");

  CreateDir(Dir + "\\QV57\\a");
  morvtest::WriteFile(Dir + "\\QV57\\a\\b.txt", std::string("x"));
  ASSERT_TRUE(FileExists(Dir + "\\QV57\\a\\b.txt"));
  EXPECT_TRUE(DeleteFolderTree(Dir + "\\QV57"));
  EXPECT_FALSE(DirectoryExists(Dir + "\\QV57"));
}

TEST(PackageRun, ExecuteAndWaitSetsOnlyTheProgramsFolder) {
  const std::string Dir = morvtest::TempDir();
  CreateDir(Dir + "\\work");
  const std::string Bat = Dir + "\\probe.bat";
  morvtest::WriteFile(Bat, "@cd > \"" + Dir + "\\cwd.txt\"\r\n@exit /b 7\r\n");
  const std::string Before = CurrentFolder();
  DWORD HandlesBefore = 0, HandlesAfter = 0;
  const bool Counted = GetProcessHandleCount(GetCurrentProcess(), &HandlesBefore);

  EXPECT_EQ(ExecuteAndWait(Bat, "", Dir + "\\work", true), 7);
  EXPECT_EQ(FileText(Dir + "\\cwd.txt").substr(0, Dir.size() + 5), Dir + "\\work");
  EXPECT_EQ(ExecuteInOwnFolder(Bat, "", true), 7);
  EXPECT_EQ(FileText(Dir + "\\cwd.txt").substr(0, Dir.size() + 1), Dir + "\r") << "its own folder";
  EXPECT_EQ(CurrentFolder(), Before) << "this process stays where it was";
  EXPECT_EQ(ExecuteAndWait(Dir + "\\none.exe", "", Dir, true), -1);
  if (Counted && GetProcessHandleCount(GetCurrentProcess(), &HandlesAfter)) {
    EXPECT_LE(HandlesAfter, HandlesBefore + 1) << "the process handles are closed";
  }
}

class VirusScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Saved = {Temp, VirusScanProgram, VirusScanParameters};
    Temp = Dir + "\\";
    AppMessageBoxHandler = [this](const std::string& Text, TMsgDlgType Type, TMsgDlgButtons) {
      Shown.push_back({Type, Text});
      return int(mrYes);
    };
    Runner.ExtractAll = [this](const std::string& Folder) {
      Extracted.push_back(Folder);
      CreateDir(Folder + "\\sub");
      morvtest::WriteFile(Folder + "\\sub\\a.txt", std::string("archive file"));
    };
  }
  void TearDown() override {
    AppMessageBoxHandler = nullptr;
    Temp = Saved[0];
    VirusScanProgram = Saved[1];
    VirusScanParameters = Saved[2];
  }
  // A scanner that notes its parameters and what it finds, then ends with Code.
  void Scanner(int Code) {
    VirusScanProgram = Dir + "\\scanner.bat";
    morvtest::WriteFile(VirusScanProgram, "@echo %1> \"" + Dir + "\\scan.txt\"\r\n@if exist \"%1\\sub\\a.txt\" echo found a.txt>> \"" +
                                              Dir + "\\scan.txt\"\r\n@exit /b " + std::to_string(Code) + "\r\n");
  }

  std::string Dir;
  std::vector<std::string> Saved;
  std::vector<std::pair<TMsgDlgType, std::string>> Shown;
  std::vector<std::string> Extracted;
  TPackageRunner Runner;
};

TEST_F(VirusScanTest, MissingScannerIsReportedAndNothingIsExtracted) {
  VirusScanProgram = Dir + "\\noscanner.exe";
  EXPECT_EQ(Runner.VirusScan(), -1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].first, mtError);
  EXPECT_NE(Shown[0].second.find("cannot be found"), std::string::npos);
  EXPECT_EQ(Shown[0].second.find("no virus"), std::string::npos);
  EXPECT_TRUE(Extracted.empty());
}

TEST_F(VirusScanTest, ScannerSeesTheExtractedFolderWhichGoesAfterwards) {
  for (int Code : {0, 3}) {
    Shown.clear();
    Extracted.clear();
    Scanner(Code);
    VirusScanParameters = "";
    EXPECT_EQ(Runner.VirusScan(), Code);
    ASSERT_EQ(Extracted.size(), 1u);
    const std::string Folder = Extracted[0];
    const std::string Seen = FileText(Dir + "\\scan.txt");
    EXPECT_EQ(Seen.substr(0, Folder.size()), Folder) << Seen;
    EXPECT_NE(Seen.find("a.txt"), std::string::npos) << Seen;
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].first, Code == 0 ? mtInformation : mtWarning);
    EXPECT_NE(Shown[0].second.find(Code == 0 ? "exitcode was 0" : "wasn't 0"), std::string::npos);
    EXPECT_FALSE(DirectoryExists(Folder));
    EXPECT_TRUE(Runner.PackageTempFolder.empty());
  }
}

// Install, answer No, then a scan: the scan makes a folder of its own, and
// the install's folder stays on disk.
TEST_F(VirusScanTest, InstallFolderKeptOnNoIsNotTheScansFolder) {
  Scanner(0);
  AppMessageBoxHandler = [this](const std::string& Text, TMsgDlgType Type, TMsgDlgButtons) {
    Shown.push_back({Type, Text});
    return int(mrNo);
  };
  // A setup program that cannot start (the question comes all the same);
  // no folder window is opened.
  TFile Setup;
  Setup.Name = "setup.exe";
  FileTable = {Setup};
  FileCount = 1;
  Runner.ExtractAll = [this](const std::string& Folder) {
    Extracted.push_back(Folder);
    morvtest::WriteFile(Folder + "\\setup.exe", std::string("not a program"));
  };
  Runner.Install();
  ASSERT_EQ(Extracted.size(), 1u);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].second.find("Running directory: " + Extracted[0] + "\rInstllation filename: setup.exe"),
            std::string::npos);
  EXPECT_TRUE(DirectoryExists(Extracted[0]));
  EXPECT_TRUE(Runner.PackageTempFolder.empty());

  EXPECT_EQ(Runner.VirusScan(), 0);
  ASSERT_EQ(Extracted.size(), 2u);
  EXPECT_NE(Extracted[1], Extracted[0]);
  EXPECT_TRUE(DirectoryExists(Extracted[0]));
  EXPECT_FALSE(DirectoryExists(Extracted[1]));
  DeleteFolderTree(Extracted[0]);
  FileTable.clear();
  FileCount = 0;
}

}  // namespace
