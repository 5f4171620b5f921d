// The context-menu handler as Explorer drives it: Initialize with the
// selection, QueryContextMenu into a menu that holds Explorer's own items,
// GetCommandString for the status bar, InvokeCommand on a choice.
#include <atomic>
#include <cstring>
#include <thread>

#include "shellext/handover.h"
#include "shellext/server.h"
#include "tests/shellext/shellext_test.h"
#include "tests/support/testsupport.h"

namespace {

using namespace shexttest;

constexpr UINT FirstId = 100;

// The menu as one line: "-" a separator, "caption=offset" a command item,
// "caption>[...]" a submenu.
std::string Describe(HMENU Menu) {
  std::string text;
  for (const auto& item : ReadMenu(Menu)) {
    if (!text.empty()) text += "|";
    if (item.Separator)
      text += "-";
    else if (item.Submenu)
      text += item.Caption + ">[" + Describe(item.Submenu) + "]";
    else if (item.Id >= FirstId)
      text += item.Caption + "=" + std::to_string(item.Id - FirstId);
    else
      text += item.Caption;
  }
  return text;
}

// Every item but the separators carries the bitmap (or none does), for
// both check states.
void ExpectBitmaps(HMENU Menu, bool Wanted, HBITMAP& Seen) {
  for (const auto& item : ReadMenu(Menu)) {
    if (item.Separator) continue;
    if (item.Caption == "Open" || item.Caption == "Properties") {
      EXPECT_EQ(item.Unchecked, nullptr);
      continue;
    }
    EXPECT_EQ(item.Checked, item.Unchecked) << item.Caption;
    EXPECT_EQ(item.Unchecked != nullptr, Wanted) << item.Caption;
    if (Wanted && item.Unchecked) {
      if (!Seen) Seen = item.Unchecked;
      EXPECT_EQ(item.Unchecked, Seen) << item.Caption;
      BITMAP info = {};
      ASSERT_TRUE(GetObjectA(item.Unchecked, sizeof info, &info)) << item.Caption;
      EXPECT_EQ(info.bmWidth, 13);
      EXPECT_EQ(info.bmHeight, 13);
    }
    if (item.Submenu) ExpectBitmaps(item.Submenu, Wanted, Seen);
  }
}

// Settings as Morv writes them, or changed from there.
enum TProfile { pfEmpty, pfMorvDefaults, pfCascade, pfCascadeNoAbout, pfNothing, pfNoSfxCheck, pfOff };

void ApplyProfile(TRegistrySandbox& Registry, TProfile Profile) {
  if (Profile == pfEmpty) return;
  if (Profile == pfOff) {
    Registry.SetDword(GeneralKey, "Use Explorer Shell Extensions", 0);
    return;
  }
  Registry.SetDword(GeneralKey, "Use Explorer Shell Extensions", 1);
  const struct {
    const char* Name;
    DWORD Value;
  } defaults[] = {{"UseBitmapImages", 1}, {"CheckForSFXs", 1}, {"NonCascade", 1},  {"AddZIP", 1},
                  {"AddCAB", 0},          {"AddLHA", 0},       {"AddBH", 0},       {"ConvertZIP", 1},
                  {"ConvertSFX", 1},      {"ExtractTo", 1},    {"ExtractHere", 1}, {"ExtracttoSubFolder", 1},
                  {"OpenSFX", 1},         {"MakeSpan", 1}};
  for (const auto& value : defaults) {
    const std::string name = value.Name;
    const bool option = name == "UseBitmapImages" || name == "CheckForSFXs" || name == "NonCascade";
    Registry.SetDword(ShellExtKey, name, Profile == pfNothing && !option ? 0 : value.Value);
  }
  if (Profile == pfCascade || Profile == pfCascadeNoAbout) {
    Registry.SetDword(ShellExtKey, "NonCascade", 0);
    Registry.SetDword(ShellExtKey, "UseBitmapImages", 0);
    Registry.SetDword(ShellExtKey, "SupportConvertFormat", 1);
    Registry.SetDword(ShellExtKey, "AddBH", 1);
  }
  if (Profile == pfCascadeNoAbout) Registry.SetDword(ShellExtKey, "About", 0);
  if (Profile == pfNoSfxCheck) Registry.SetDword(ShellExtKey, "CheckForSFXs", 0);
}

// A menu with two items of Explorer's own; ours go in at position 1.
HMENU ExplorerMenu() {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "Open");
  AppendMenuA(menu, MF_STRING, 2, "Properties");
  return menu;
}

class ShellExtContextMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = morvtest::TempDir();
    morvtest::WriteFile(Path("setup.exe"), SelfExtractorBytes(2048, 1500));
    CreateDirectoryA(Path("in").c_str(), nullptr);
  }
  std::string Path(const std::string& Name) const { return FDir + "\\" + Name; }

  // A handler initialised with the names; the caller releases it.
  IContextMenu* Handler(const std::vector<std::string>& Names) {
    auto* init = CreateObject<IShellExtInit>(brimshex::CLSID_ContextMenu, IID_IShellExtInit);
    EXPECT_NE(init, nullptr);
    if (!init) return nullptr;
    IDataObject* data = NewDropData(Names);
    EXPECT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    IContextMenu* menu = nullptr;
    EXPECT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    init->Release();
    return menu;
  }

  std::string FDir;
};

TEST_F(ShellExtContextMenu, MenusForSelectionsAndSettings) {
  const std::string compressAll =
      "Compress to &ZIP + options...=0|&Compress to \"report.zip\"=1|Compress to &CAB + options...=2|"
      "C&ompress to \"report.cab\"=3|Compress to &LHA + options...=4|Co&mpress to \"report.lha\"=5|"
      "Compress to &BH + options...=6|Com&press to \"report.bh\"=7";
  const struct {
    std::vector<std::string> Names;
    TProfile Profile;
    std::string Menu;
    HRESULT Result;
  } cases[] = {
      {{"report.txt"}, pfEmpty, "Open|-|" + compressAll + "|-|Properties", 8},
      {{"report.txt"}, pfMorvDefaults,
       "Open|-|Compress to &ZIP + options...=0|&Compress to \"report.zip\"=1|-|Properties", 2},
      // Several names get the compress menu, archives or not.
      {{"data.zip", "x.rar"}, pfMorvDefaults,
       "Open|-|Compress to &ZIP + options...=0|&Compress to \"data.zip\"=1|-|Properties", 2},
      // Extensions are compared lower-cased.
      {{"data.ZIP"}, pfMorvDefaults,
       "Open|-|&Extract To...=0|Extract &Here=1|E&xtract To @data=2|Create &Self-Extracting ZIP=3|Create a S&panned Set...=4|-|Properties",
       5},
      {{"x.rar"}, pfMorvDefaults, "Open|-|&Extract To...=0|Extract &Here=1|E&xtract To @x=2|-|Properties", 3},
      {{"x.rar"}, pfCascade,
       "Open|-|Quillon 2000>[&Extract To...=0|Extract &Here=1|E&xtract To @x=2|Convert to &ZIP=3|-|&About...=4]|"
       "Properties",
       5},
      {{"report.txt"}, pfCascadeNoAbout,
       "Open|-|Quillon 2000>[Compress to &ZIP + options...=0|&Compress to \"report.zip\"=1|"
       "Compress to &BH + options...=2|Com&press to \"report.bh\"=3|-]|Properties",
       4},
      {{"setup.exe"}, pfMorvDefaults,
       "Open|-|&Extract To...=0|Extract &Here=1|E&xtract To @setup=2|Convert To setup.zip=3|"
       "&Open with Quillon=4|-|Properties",
       5},
      {{"setup.exe"}, pfNoSfxCheck,
       "Open|-|Compress to &ZIP + options...=0|&Compress to \"setup.zip\"=1|-|Properties", 2},
      // A folder has kind 0: the compress menu, named after the folder.
      {{"in"}, pfMorvDefaults, "Open|-|Compress to &ZIP + options...=0|&Compress to \"in.zip\"=1|-|Properties", 2},
      {{"report.txt"}, pfNothing, "Open|-|-|Properties", 0},
      {{"data.zip"}, pfNothing, "Open|-|-|Properties", 0},
      {{"report.txt"}, pfOff, "Open|Properties", E_FAIL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Names.front() + " profile " + std::to_string(c.Profile));
    TRegistrySandbox registry;
    ApplyProfile(registry, c.Profile);
    std::vector<std::string> names;
    for (const auto& name : c.Names) names.push_back(Path(name));
    IContextMenu* handler = Handler(names);
    ASSERT_NE(handler, nullptr);
    HMENU menu = ExplorerMenu();
    const HRESULT result = handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_NORMAL);
    EXPECT_EQ(result, c.Result >= 0 ? MAKE_HRESULT(SEVERITY_SUCCESS, 0, c.Result) : c.Result);
    // "@" stands for the shortened folder of the selection.
    std::string expected = c.Menu;
    const size_t at = expected.find('@');
    if (at != std::string::npos) {
      const size_t end = expected.find('=', at);
      expected.replace(at, end - at,
                       brimshex::ShortenPath(FDir + "\\" + expected.substr(at + 1, end - at - 1)));
    }
    EXPECT_EQ(Describe(menu), expected);
    HBITMAP seen = nullptr;
    const bool bitmaps = c.Profile != pfCascade && c.Profile != pfCascadeNoAbout;
    ExpectBitmaps(menu, bitmaps, seen);
    DestroyMenu(menu);
    handler->Release();
  }
}


TEST_F(ShellExtContextMenu, DefaultOnlyRequestsAndTheIdRange) {
  TRegistrySandbox registry;
  IContextMenu* handler = Handler({Path("report.txt")});
  ASSERT_NE(handler, nullptr);
  // Explorer asks for the default verb only when the item is double-clicked.
  HMENU menu = ExplorerMenu();
  EXPECT_EQ(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_DEFAULTONLY),
            MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
  EXPECT_EQ(Describe(menu), "Open|Properties");
  // Ids past the last one belong to other handlers.
  EXPECT_EQ(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 2, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));
  EXPECT_EQ(Describe(menu),
            "Open|-|Compress to &ZIP + options...=0|&Compress to \"report.zip\"=1|Compress to &CAB + options...=2|-|"
            "Properties");
  DestroyMenu(menu);
  // The next build starts over.
  menu = ExplorerMenu();
  EXPECT_EQ(handler->QueryContextMenu(menu, 0, FirstId, FirstId, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
  EXPECT_EQ(Describe(menu), "-|Compress to &ZIP + options...=0|-|Open|Properties");
  DestroyMenu(menu);
  handler->Release();
}

TEST_F(ShellExtContextMenu, CommandStringsByKind) {
  TRegistrySandbox registry;
  registry.SetDword(ShellExtKey, "NonCascade", 0);
  IContextMenu* handler = Handler({Path("data.zip")});
  ASSERT_NE(handler, nullptr);
  HMENU menu = ExplorerMenu();
  ASSERT_EQ(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 6));
  const char* const help[] = {"Extract all of the files in the archive",
                              "Extract all of the files in the archive to the current folder",
                              "Extract all files from the archive to a subfolder",
                              "Convert the ZIP archive to a Self-Extracting File",
                              "Create a spanned set from the selected archive",
                              nullptr};
  for (UINT offset = 0; offset < 6; ++offset) {
    SCOPED_TRACE(offset);
    char ansi[256];
    memset(ansi, '#', sizeof ansi);
    ASSERT_EQ(handler->GetCommandString(offset, GCS_HELPTEXTA, nullptr, ansi, sizeof ansi), S_OK);
    if (help[offset]) {
      EXPECT_STREQ(ansi, help[offset]);
    }
    EXPECT_GT(strlen(ansi), 0u);
    wchar_t wide[256];
    ASSERT_EQ(handler->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 256), S_OK);
    EXPECT_EQ(std::wstring(wide), std::wstring(ansi, ansi + strlen(ansi)));
    EXPECT_EQ(handler->GetCommandString(offset, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(handler->GetCommandString(offset, GCS_VALIDATEW, nullptr, nullptr, 0), S_OK);
    // No language-independent verbs: the buffer is left alone.
    memset(ansi, '#', sizeof ansi);
    EXPECT_TRUE(FAILED(handler->GetCommandString(offset, GCS_VERBA, nullptr, ansi, sizeof ansi)));
    EXPECT_TRUE(FAILED(handler->GetCommandString(offset, GCS_VERBW, nullptr, ansi, sizeof ansi / 2)));
    EXPECT_EQ(ansi[0], '#');
    EXPECT_EQ(handler->GetCommandString(offset, GCS_HELPTEXTA, nullptr, nullptr, 64), E_INVALIDARG);
    EXPECT_EQ(handler->GetCommandString(offset, GCS_HELPTEXTW, nullptr, nullptr, 64), E_INVALIDARG);
  }
  // Cut to the buffer, with its terminating zero.
  char small[8];
  memset(small, '#', sizeof small);
  EXPECT_EQ(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, small, sizeof small), S_OK);
  EXPECT_STREQ(small, "Extract");
  wchar_t smallWide[8];
  EXPECT_EQ(handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(smallWide), 8), S_OK);
  EXPECT_EQ(std::wstring(smallWide), L"Extract");
  // Offsets outside the menu.
  char text[64] = "untouched";
  EXPECT_EQ(handler->GetCommandString(6, GCS_HELPTEXTA, nullptr, text, sizeof text), E_FAIL);
  EXPECT_EQ(handler->GetCommandString(static_cast<UINT_PTR>(-1), GCS_HELPTEXTA, nullptr, text, sizeof text), E_FAIL);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(handler->GetCommandString(6, GCS_VALIDATEA, nullptr, nullptr, 0), S_FALSE);
  DestroyMenu(menu);
  handler->Release();
}

// InvokeCommand with a command offset, as Explorer sends it.
HRESULT Invoke(IContextMenu* Handler, UINT_PTR Offset, int Show = SW_SHOWNORMAL) {
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.lpVerb = reinterpret_cast<LPCSTR>(Offset);
  info.nShow = Show;
  return Handler->InvokeCommand(&info);
}

TEST_F(ShellExtContextMenu, CommandsStartMorvWithTheirSwitch) {
  TStandIn morv(FDir);
  const std::string report = Path("in\\report.txt"), other = Path("in\\b b.txt");
  const std::string zip = Path("data.zip"), rar = Path("x.rar"), sfx = Path("setup.exe");
  const std::string quoted = "\"" + morv.Program() + "\"";
  // The list file of the compress commands: the count, then the names.
  const std::string list = "2\r\n" + report + "\r\n" + other + "\r\n";
  const struct {
    std::vector<std::string> Names;
    UINT Offset;
    std::string Switch;      // compress commands: started through the shell with the switch alone
    std::string CommandLine;  // the other commands: the exact command line
  } cases[] = {
      {{report, other}, 0, "-aZIP", ""},
      {{report, other}, 1, "-aZ", ""},
      {{report, other}, 2, "-aCAB", ""},
      {{report, other}, 3, "-aC", ""},
      {{report, other}, 4, "-aLHA", ""},
      {{report, other}, 5, "-aL", ""},
      {{report, other}, 6, "-aBH", ""},
      {{report, other}, 7, "-aB", ""},
      {{zip}, 0, "", quoted + " -et \"" + zip + "\""},
      {{zip}, 1, "", quoted + " -e \"" + zip + "\""},
      {{zip}, 2, "", quoted + " -es \"" + zip + "\""},
      {{zip}, 3, "", quoted + " -tosfx \"" + zip + "\""},
      {{zip}, 4, "", quoted + " -tospan \"" + zip + "\""},
      {{rar}, 3, "", quoted + " -tozip \"" + rar + "\""},
      {{sfx}, 3, "", quoted + " -tozip \"" + sfx + "\""},
      {{sfx}, 4, "", quoted + " \"" + sfx + "\""},
  };
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", morv.Program());
  registry.SetDword(ShellExtKey, "SupportConvertFormat", 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Names.front() + " offset " + std::to_string(c.Offset));
    DeleteFileA(morv.ListFile().c_str());
    IContextMenu* handler = Handler(c.Names);
    ASSERT_NE(handler, nullptr);
    HMENU menu = ExplorerMenu();
    ASSERT_TRUE(SUCCEEDED(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_NORMAL)));
    EXPECT_EQ(Invoke(handler, c.Offset, SW_SHOWMINNOACTIVE), S_OK);
    const auto start = morv.WaitStart();
    ASSERT_TRUE(start);
    EXPECT_EQ(start->Show, SW_SHOWMINNOACTIVE);
    if (!c.Switch.empty()) {
      EXPECT_EQ(SplitCommandLine(start->CommandLine), (std::vector<std::string>{morv.Program(), c.Switch}))
          << start->CommandLine;
      EXPECT_EQ(Lower(start->Folder), Lower(Path("in")));
      EXPECT_EQ(start->ListFile, list);
    } else {
      EXPECT_EQ(start->CommandLine, c.CommandLine);
      EXPECT_FALSE(start->ListFile) << *start->ListFile;
    }
    DestroyMenu(menu);
    handler->Release();
  }
}

TEST_F(ShellExtContextMenu, CommandsThatStartNothing) {
  TStandIn morv(FDir);
  const std::string report = Path("in\\report.txt");
  const auto built = [&](TRegistrySandbox&, const std::vector<std::string>& Names) {
    IContextMenu* handler = Handler(Names);
    HMENU menu = ExplorerMenu();
    EXPECT_TRUE(SUCCEEDED(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_NORMAL)));
    DestroyMenu(menu);
    return handler;
  };
  {
    // No "Directory" value: the menu is there, the command does nothing.
    TRegistrySandbox registry;
    IContextMenu* handler = built(registry, {report});
    EXPECT_EQ(Invoke(handler, 0), S_OK);
    handler->Release();
  }
  {
    TRegistrySandbox registry;
    registry.SetString(GeneralKey, "Directory", Path("no such\\morv.exe"));
    IContextMenu* handler = built(registry, {report});
    EXPECT_EQ(Invoke(handler, 1), S_OK);
    handler->Release();
  }
  {
    TRegistrySandbox registry;
    registry.SetString(GeneralKey, "Directory", morv.Program());
    IContextMenu* handler = built(registry, {Path("data.zip")});
    // A verb string is no offset: its pointer's low bits must not pick a
    // command. An allocation's start has its low 16 bits clear.
    auto* verb = static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(verb, nullptr);
    ASSERT_EQ(reinterpret_cast<UINT_PTR>(verb) & 0xFFFF, 0u);
    strcpy(verb, "open");
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(handler->InvokeCommand(&info), E_FAIL);
    CMINVOKECOMMANDINFOEX wide = {};
    wide.cbSize = sizeof wide;
    wide.fMask = CMIC_MASK_UNICODE;
    wide.lpVerb = reinterpret_cast<LPCSTR>(1);
    wide.lpVerbW = L"delete";
    wide.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(handler->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&wide)), E_FAIL);
    EXPECT_EQ(Invoke(handler, 5), E_FAIL);
    EXPECT_EQ(Invoke(handler, 0x10000), E_FAIL);
    handler->Release();
    VirtualFree(verb, 0, MEM_RELEASE);
  }
  {
    // A list file that cannot be written: Morv would add a stale list.
    TRegistrySandbox registry;
    registry.SetString(GeneralKey, "Directory", morv.Program());
    IContextMenu* handler = built(registry, {report});
    SetEnvironmentVariableA("TMP", (FDir + "\\no such folder\\").c_str());
    SetEnvironmentVariableA("TEMP", (FDir + "\\no such folder\\").c_str());
    EXPECT_EQ(Invoke(handler, 1), E_FAIL);
    SetEnvironmentVariableA("TMP", morv.Temp().c_str());
    SetEnvironmentVariableA("TEMP", morv.Temp().c_str());
    handler->Release();
  }
  EXPECT_TRUE(morv.NothingStarted());
}

// The About box is modal: a helper thread closes it once it shows.
TEST_F(ShellExtContextMenu, AboutShowsTheVersionNotice) {
  TStandIn morv(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", morv.Program());
  registry.SetDword(ShellExtKey, "NonCascade", 0);
  IContextMenu* handler = Handler({Path("data.zip")});
  HMENU menu = ExplorerMenu();
  ASSERT_EQ(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 6));
  std::atomic<bool> seen{false};
  std::string text;
  std::thread closer([&] {
    for (int i = 0; i < 1500; ++i) {
      if (HWND box = FindWindowA("#32770", "Brimshex.DLL")) {
        char buffer[512] = {};
        if (HWND label = FindWindowExA(box, nullptr, "Static", nullptr)) {
          GetWindowTextA(label, buffer, sizeof buffer);
          if (!buffer[0]) GetWindowTextA(FindWindowExA(box, label, "Static", nullptr), buffer, sizeof buffer);
        }
        text = buffer;
        seen = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  EXPECT_EQ(Invoke(handler, 5), S_OK);
  closer.join();
  EXPECT_TRUE(seen);
  EXPECT_NE(text.find("Brimshex"), std::string::npos) << text;
  DestroyMenu(menu);
  handler->Release();
  EXPECT_TRUE(morv.NothingStarted(500));
}

// Explorer builds menus for several windows at once: each object keeps its
// own selection, commands and bitmap, and the bitmap outlives the command.
TEST_F(ShellExtContextMenu, ObjectsKeepTheirOwnMenus) {
  TStandIn morv(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", morv.Program());
  IContextMenu* archive = Handler({Path("data.zip")});
  IContextMenu* files = Handler({Path("in\\report.txt"), Path("in\\b b.txt")});
  ASSERT_TRUE(archive && files);
  HMENU archiveMenu = ExplorerMenu(), filesMenu = ExplorerMenu();
  ASSERT_EQ(archive->QueryContextMenu(archiveMenu, 1, FirstId, FirstId + 50, CMF_NORMAL),
            MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5));
  ASSERT_EQ(files->QueryContextMenu(filesMenu, 1, FirstId, FirstId + 50, CMF_NORMAL),
            MAKE_HRESULT(SEVERITY_SUCCESS, 0, 8));
  char help[128] = {};
  ASSERT_EQ(archive->GetCommandString(0, GCS_HELPTEXTA, nullptr, help, sizeof help), S_OK);
  EXPECT_STREQ(help, "Extract all of the files in the archive");
  EXPECT_EQ(Invoke(archive, 0), S_OK);
  const auto start = morv.WaitStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(start->CommandLine, "\"" + morv.Program() + "\" -et \"" + Path("data.zip") + "\"");
  // The menus still show after the command ran; their bitmaps must too.
  HBITMAP archiveBitmap = nullptr, filesBitmap = nullptr;
  ExpectBitmaps(archiveMenu, true, archiveBitmap);
  ExpectBitmaps(filesMenu, true, filesBitmap);
  EXPECT_NE(archiveBitmap, filesBitmap);
  DestroyMenu(archiveMenu);
  DestroyMenu(filesMenu);
  archive->Release();
  files->Release();
}

TEST_F(ShellExtContextMenu, RefusedSelections) {
  TRegistrySandbox registry;
  auto* init = CreateObject<IShellExtInit>(brimshex::CLSID_ContextMenu, IID_IShellExtInit);
  ASSERT_NE(init, nullptr);
  IDataObject* data = NewDropData(std::vector<std::string>(100002, "C:\\a"));
  EXPECT_EQ(init->Initialize(nullptr, data, nullptr), E_FAIL);
  data->Release();
  IContextMenu* handler = nullptr;
  ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&handler)), S_OK);
  HMENU menu = ExplorerMenu();
  EXPECT_EQ(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
  EXPECT_EQ(Describe(menu), "Open|Properties");
  EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_FAIL);
  // A failing data object's own result is handed back, and the selection
  // before it is gone.
  data = NewDropData({Path("report.txt")});
  EXPECT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
  data->Release();
  data = NewDropData({Path("report.txt")}, STG_E_MEDIUMFULL);
  EXPECT_EQ(init->Initialize(nullptr, data, nullptr), STG_E_MEDIUMFULL);
  data->Release();
  EXPECT_EQ(handler->QueryContextMenu(menu, 1, FirstId, FirstId + 50, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
  EXPECT_EQ(Describe(menu), "Open|Properties");
  DestroyMenu(menu);
  handler->Release();
  init->Release();
}

}  // namespace
