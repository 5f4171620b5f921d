// The settings store as a user meets it: morv.exe started and closed, the
// registry read back afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/utils.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "tests/app/appcore_fixture.h"
#include "tests/app/e2e_util.h"

using namespace apptest;
using namespace e2e;

namespace {

struct TValue {
  std::string Key, Name;
  DWORD Type;
  DWORD Dword;
  std::string Str;
};

// Every value a first start writes, with its default, in the order of the
// store's table.
std::vector<TValue> DefaultValues() {
  const std::string exe = MorvExe();
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string S = "";
  std::vector<TValue> v = {
      {Root, "Sort order", REG_DWORD, 1, S},
      {Root, "Last open dir", REG_SZ, 0, ExtractFilePath(exe)},
      {Root, "Last add dir", REG_SZ, 0, S},
  };
  for (const char* n : {"Extract1", "Extract2", "Extract3", "Extract4", "Extract5", "SelDir1", "SelDir2", "SelDir3",
                        "SelDir4", "SelDir5"})
    v.push_back({Root, n, REG_SZ, 0, S});
  v.push_back({Root, "Temp", REG_SZ, 0, IncludeTrailingBackslash(GetTempDir())});
  v.push_back({Root, "Viewer", REG_SZ, 0, std::string(windows) + "\\notepad.exe"});
  for (const char* n : {"Active_File1", "Active_File2", "Active_File3", "Active_File4", "Active_File5"})
    v.push_back({Root, n, REG_SZ, 0, S});
  const std::vector<TValue> rest = {
      {Root, "FullRow", REG_DWORD, 1, S},
      {Root, "GridLines", REG_DWORD, 0, S},
      {Root, "ToolbarTips", REG_DWORD, 1, S},
      {Root, "FlatButtons", REG_DWORD, 1, S},
      {Root, "ShowToolbarText", REG_DWORD, 1, S},
      {Root, "AlignToolbar", REG_DWORD, 2, S},
      {Root, "ViewToolbar", REG_DWORD, 1, S},
      {Root, "ViewStatusLine", REG_DWORD, 1, S},
      {Root, "ViewStyle", REG_DWORD, 3, S},
      {Root, "AsWebPage", REG_DWORD, 0, S},
      {Root, "AutoAdd", REG_DWORD, 1, S},
      {Root, "Add folder", REG_DWORD, 1, S},
      {Root, "Add from folder", REG_SZ, 0, S},
      {Root, "Start-up base folder", REG_DWORD, 1, S},
      {Root, "Start-up folder", REG_SZ, 0, S},
      {Root, "Checkout base folder", REG_SZ, 0, S},
      {Root, "Associate with Zip files", REG_DWORD, 0, S},
      {Root, "Check for Zip association", REG_DWORD, 0, S},
      {Root, "Current Tip", REG_DWORD, 1, S},
      {Root, "Tip of the day", REG_DWORD, 1, S},

      {Adding, "Default compression", REG_DWORD, 0, S},
      {Adding, "Save Dir names", REG_DWORD, 0, S},
      {Adding, "Spanning mode", REG_DWORD, 2, S},
      {Adding, "Spanning MAX volume size", REG_DWORD, 1440000, S},
      {Adding, "Spanning Free size", REG_DWORD, 0, S},

      {Extracting, "Extract overwrite", REG_DWORD, 1, S},

      {General, "Buttons", REG_SZ, 0, "11100111100100"},
      {General, "LargeButtons", REG_DWORD, 1, S},
      {General, "AutoVolume", REG_DWORD, 1, S},
      {General, "Show view dialog", REG_DWORD, 1, S},
      {General, "Last view mode", REG_DWORD, 2, S},
      {General, "On Top", REG_DWORD, 0, S},
      {General, "Virus Scan Program", REG_SZ, 0, S},
      {General, "Virus Scan Parameters", REG_SZ, 0, S},
      {General, "Reuse Windows", REG_DWORD, 1, S},
      {General, "Down case file names", REG_DWORD, 1, S},
      {General, "Show open on startup", REG_DWORD, 0, S},
      {General, "Directory", REG_SZ, 0, exe},
      {General, "Use Explorer Shell Extensions", REG_DWORD, 1, S},
      {General, "Efolder", REG_DWORD, 0, S},
      {General, "Automatic Package Installation", REG_DWORD, 1, S},
      {General, "Associated Archives", REG_SZ, 0, "11111111111111"},
      {General, "View Style", REG_DWORD, 0, S},
      {General, "View Folders", REG_DWORD, 1, S},
  };
  v.insert(v.end(), rest.begin(), rest.end());
  for (const char* n : {"UseBitmapImages", "CheckForSFXs", "NonCascade", "AddZIP", "ConvertZIP", "ConvertSFX",
                        "ExtractTo", "ExtractHere", "ExtracttoSubFolder", "OpenSFX", "MakeSpan"})
    v.push_back({ShellExt, n, REG_DWORD, 1, S});
  for (const char* n : {"AddCAB", "AddLHA", "AddBH"}) v.push_back({ShellExt, n, REG_DWORD, 0, S});
  return v;
}

// Each value that is missing, of another type or holds another value.
// Folder names are compared without regard to case, as the file system does.
std::vector<std::string> Differences(const std::vector<TValue>& Expected) {
  std::vector<std::string> out;
  for (const TValue& e : Expected) {
    const auto got = QueryValue(e.Key, e.Name);
    const std::string where = e.Key + "\\" + e.Name;
    if (!got) {
      out.push_back(where + " missing");
    } else if (got->Type != e.Type) {
      out.push_back(where + " has type " + std::to_string(got->Type));
    } else if (e.Type == REG_DWORD && got->Dword() != e.Dword) {
      out.push_back(where + " = " + std::to_string(got->Dword()) + ", not " + std::to_string(e.Dword));
    } else if (e.Type == REG_SZ && !SameText(got->Str(), e.Str)) {
      out.push_back(where + " = \"" + got->Str() + "\", not \"" + e.Str + "\"");
    }
  }
  return out;
}

class MorvExeSettings : public TMorvExeTest {
 protected:
  // A complete stored set whose values differ from the defaults wherever
  // Custom is true, as a user's long-used settings would.
  void StoreSettings(bool Custom) {
    SetDefaultSettings();
    if (Custom) {
      SortOrder = 13;
      GridLines = 1;
      Viewer = "C:\\tools\\view.exe";
      Buttons = "10101010101010";
      SpanningMode = 0;
      ExtractOverwrite = 0;
      AddCAB = 1;
      DownCaseFileNames = 0;
    }
    SaveSettings();
    SetDefaultSettings();
  }
  std::vector<TValue> CustomValues() const {
    return {
        {Root, "Sort order", REG_DWORD, 13, ""},         {Root, "GridLines", REG_DWORD, 1, ""},
        {Root, "Viewer", REG_SZ, 0, "C:\\tools\\view.exe"}, {General, "Buttons", REG_SZ, 0, "10101010101010"},
        {Adding, "Spanning mode", REG_DWORD, 0, ""},      {Extracting, "Extract overwrite", REG_DWORD, 0, ""},
        {ShellExt, "AddCAB", REG_DWORD, 1, ""},           {General, "Down case file names", REG_DWORD, 0, ""},
    };
  }
};

}  // namespace

TEST_F(MorvExeSettings, FirstStartWritesEveryDefaultAndNothingElse) {
  const std::string archive = MakeZip("first.zip");
  for (const char* folder : {"Desktop", "Start Menu"}) {
    const std::string link = ShortcutFileName(folder);
    if (!link.empty()) DeleteFile(link);
  }
  TMorvProcess morv(Quoted(archive));
  ASSERT_TRUE(morv.Started());
  // The settings are loaded (and, on a first run, written) before the
  // window shows the archive.
  ASSERT_NE(morv.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - first.zip"), nullptr);

  // A first run sizes the window 477 x 350, centred, and puts the program
  // on the desktop and into the Start menu.
  RECT r{};
  ASSERT_TRUE(GetWindowRect(morv.WaitForMainWindow(0), &r));
  EXPECT_EQ(r.right - r.left, 477);
  EXPECT_EQ(r.bottom - r.top, 350);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 477 / 2);
  for (const char* folder : {"Desktop", "Start Menu"}) {
    const std::string link = ShortcutFileName(folder);
    ASSERT_FALSE(link.empty()) << folder;
    EXPECT_TRUE(FileExists(link)) << link;
  }

  const std::vector<TValue> expected = DefaultValues();
  EXPECT_EQ(Differences(expected), std::vector<std::string>{});
  for (const std::string& key : {Root, Adding, Extracting, General, ShellExt}) {
    std::vector<std::string> want, got = ValueNames(key);
    for (const TValue& e : expected)
      if (e.Key == key) want.push_back(e.Name);
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << key;
  }
  EXPECT_TRUE(morv.Close());
  EXPECT_EQ(morv.ExitCode(), 0u);
}

TEST_F(MorvExeSettings, OneLostValueBringsBackEveryDefaultOnTheNextStart) {
  const std::string archive = MakeZip("again.zip");
  struct TCase {
    const char* Damage;
    std::function<void()> Apply;
    bool Resets;
  };
  const TCase cases[] = {
      {"\"AutoAdd\" deleted", [] { DeleteValue(Root, "AutoAdd"); }, true},
      {"\"ShellExt\" key deleted", [] { DeleteTree(ShellExt); }, true},
      {"\"GridLines\" stored as a string", [] { SetString(Root, "GridLines", "1"); }, true},
      {"\"Directory\" deleted", [] { DeleteValue(General, "Directory"); }, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Damage);
    DeleteTree(Root);
    StoreSettings(true);
    ASSERT_EQ(Differences(CustomValues()), std::vector<std::string>{});
    c.Apply();

    TMorvProcess morv(Quoted(archive));
    ASSERT_TRUE(morv.Started());
    ASSERT_NE(morv.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - again.zip"), nullptr);
    if (c.Resets) {
      EXPECT_EQ(Differences(DefaultValues()), std::vector<std::string>{});
    } else {
      EXPECT_EQ(Differences(CustomValues()), std::vector<std::string>{});
      EXPECT_EQ(Differences({{General, "Directory", REG_SZ, 0, MorvExe()}}), std::vector<std::string>{});
    }
    EXPECT_TRUE(morv.Close());
  }
}

TEST_F(MorvExeSettings, ShellExtensionValuesSurviveSavesAndResets) {
  const std::string archive = MakeZip("kept.zip");
  StoreSettings(false);
  ASSERT_TRUE(SetDword(ShellExt, "SupportConvertFormat", 1));
  ASSERT_TRUE(SetDword(ShellExt, "About", 0));
  const std::vector<TValue> foreign = {{ShellExt, "SupportConvertFormat", REG_DWORD, 1, ""},
                                       {ShellExt, "About", REG_DWORD, 0, ""}};
  {
    TMorvProcess morv(Quoted(archive));
    ASSERT_TRUE(morv.Started());
    ASSERT_NE(morv.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - kept.zip"), nullptr);
    ASSERT_TRUE(morv.Close());
    EXPECT_EQ(morv.ExitCode(), 0u);
  }
  // The close saved: the archive heads the recent list now.
  EXPECT_EQ(Differences({{Root, "Active_File1", REG_SZ, 0, archive}}), std::vector<std::string>{});
  EXPECT_EQ(Differences(foreign), std::vector<std::string>{});

  // A lost value rewrites every default; the shell extension's own stay.
  DeleteValue(Root, "AutoAdd");
  {
    TMorvProcess morv(Quoted(archive));
    ASSERT_TRUE(morv.Started());
    ASSERT_NE(morv.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - kept.zip"), nullptr);
    EXPECT_EQ(Differences({{Root, "AutoAdd", REG_DWORD, 1, ""}}), std::vector<std::string>{});
    ASSERT_TRUE(morv.Close());
  }
  EXPECT_EQ(Differences(foreign), std::vector<std::string>{});
}
