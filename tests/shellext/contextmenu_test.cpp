// The context-menu handler as Explorer drives it: Initialize with the
// selection, QueryContextMenu into a menu that holds Explorer's own items,
// GetCommandString for the status bar, InvokeCommand on a choice.
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
    std::vector<uint8_t> sfx(2048, 0);
    sfx[0] = 'M';
    sfx[1] = 'Z';
    const uint8_t header[4] = {0x50, 0x4B, 0x03, 0x04};
    std::copy(header, header + 4, sfx.begin() + 1500);
    morvtest::WriteFile(Path("setup.exe"), sfx);
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

}  // namespace
