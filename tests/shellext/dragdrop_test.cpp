// Dragging in Explorer: files dropped on a Zip archive, and an archive
// dragged with the right button onto a folder.
#include <cstring>

#include "shellext/handover.h"
#include "shellext/server.h"
#include "tests/shellext/shellext_test.h"
#include "tests/support/testsupport.h"

namespace {

using namespace shexttest;

class ShellExtDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = morvtest::TempDir();
    for (const char* folder : {"in", "arch", "dl", "out"}) CreateDirectoryA(Path(folder).c_str(), nullptr);
    for (const char* file : {"in\\a.txt", "in\\b.txt", "arch\\box.zip", "arch\\box.rar", "dl\\pack.old.zip"})
      morvtest::WriteFile(Path(file), std::string("x"));
    morvtest::WriteFile(Path("dl\\setup.exe"), SelfExtractorBytes(1024, 700));
  }
  std::string Path(const std::string& Name) const { return FDir + "\\" + Name; }

  // A drop target loaded with the archive under the mouse.
  IDropTarget* Target(const std::string& Archive) {
    auto* file = CreateObject<IPersistFile>(brimshex::CLSID_DropTarget, IID_IPersistFile);
    EXPECT_NE(file, nullptr);
    if (!file) return nullptr;
    const std::wstring wide(Archive.begin(), Archive.end());
    EXPECT_EQ(file->Load(wide.c_str(), STGM_READ), S_OK);
    IDropTarget* target = nullptr;
    EXPECT_EQ(file->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&target)), S_OK);
    file->Release();
    return target;
  }

  // A right-drag handler for the names dropped on the folder.
  IContextMenu* RightDrag(const std::string& Folder, const std::vector<std::string>& Names) {
    auto* init = CreateObject<IShellExtInit>(brimshex::CLSID_DragDropContextMenu, IID_IShellExtInit);
    EXPECT_NE(init, nullptr);
    if (!init) return nullptr;
    PIDLIST_ABSOLUTE folder = ILCreateFromPathA(Folder.c_str());
    EXPECT_NE(folder, nullptr) << Folder;
    IDataObject* data = NewDropData(Names);
    EXPECT_EQ(init->Initialize(folder, data, nullptr), S_OK);
    data->Release();
    ILFree(folder);
    IContextMenu* menu = nullptr;
    EXPECT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    init->Release();
    return menu;
  }

  std::string FDir;
};

const POINTL Point = {10, 10};

TEST_F(ShellExtDrag, DropOnAZipWritesTheListWithTheArchiveFirst) {
  TStandIn morv(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", morv.Program());
  // The drop handler does not look at the master switch.
  registry.SetDword(GeneralKey, "Use Explorer Shell Extensions", 0);
  IDropTarget* target = Target(Path("arch\\box.zip"));
  ASSERT_NE(target, nullptr);
  IDataObject* data = NewDropData({Path("in\\a.txt"), Path("in\\b.txt")});
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, Point, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragOver(MK_LBUTTON, Point, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->Drop(data, 0, Point, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  data->Release();
  target->Release();

  const auto start = morv.WaitStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(SplitCommandLine(start->CommandLine), (std::vector<std::string>{morv.Program(), "-aZ"}));
  EXPECT_EQ(Lower(start->Folder), Lower(Path("in")));
  EXPECT_EQ(start->Show, SW_SHOWNORMAL);
  EXPECT_EQ(start->ListFile,
            "3\r\n" + Path("arch\\box.zip") + "\r\n" + Path("in\\a.txt") + "\r\n" + Path("in\\b.txt") + "\r\n");
}

TEST_F(ShellExtDrag, RefusedDropsStartNothing) {
  TStandIn morv(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", morv.Program());
  const auto drag = [&](const std::string& Archive, const std::vector<std::string>& Names, HRESULT Entered) {
    SCOPED_TRACE(Archive);
    IDropTarget* target = Target(Archive);
    ASSERT_NE(target, nullptr);
    IDataObject* data = NewDropData(Names);
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, Point, &effect), Entered);
    if (FAILED(Entered)) {
      EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    }
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(MK_LBUTTON, Point, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data, 0, Point, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    data->Release();
    target->Release();
  };
  // The archive dropped onto itself, in any case.
  drag(Path("arch\\box.zip"), {Path("in\\a.txt"), Lower(Path("arch\\BOX.ZIP"))}, E_FAIL);
  drag(Path("arch\\box.rar"), {Path("in\\a.txt")}, E_FAIL);
  // No names: there is nothing to add.
  drag(Path("arch\\box.zip"), {}, S_OK);
  drag(Path("arch\\box.zip"), std::vector<std::string>(50002, "C:\\a"), E_FAIL);
  {
    // The names go with DragLeave.
    SCOPED_TRACE("left");
    IDropTarget* target = Target(Path("arch\\box.zip"));
    IDataObject* data = NewDropData({Path("in\\a.txt")});
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, Point, &effect), S_OK);
    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(target->Drop(data, 0, Point, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    data->Release();
    target->Release();
  }
  {
    SCOPED_TRACE("no program");
    registry.Delete(GeneralKey, "Directory");
    IDropTarget* target = Target(Path("arch\\box.zip"));
    IDataObject* data = NewDropData({Path("in\\a.txt")});
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, Point, &effect), S_OK);
    EXPECT_EQ(target->Drop(data, 0, Point, &effect), S_OK);
    data->Release();
    target->Release();
    EXPECT_EQ(GetFileAttributesA(morv.ListFile().c_str()), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_TRUE(morv.NothingStarted());
}

TEST_F(ShellExtDrag, DropTargetPersistFile) {
  auto* file = CreateObject<IPersistFile>(brimshex::CLSID_DropTarget, IID_IPersistFile);
  ASSERT_NE(file, nullptr);
  CLSID id = {};
  EXPECT_EQ(file->GetClassID(&id), S_OK);
  EXPECT_TRUE(IsEqualCLSID(id, brimshex::CLSID_DropTarget));
  EXPECT_EQ(file->IsDirty(), S_OK);
  EXPECT_EQ(file->Load(L"C:\\x\\a.zip", STGM_READ), S_OK);
  // Nothing is handed out that the caller would free.
  LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
  EXPECT_TRUE(FAILED(file->GetCurFile(&name)));
  EXPECT_EQ(name, nullptr);
  file->Release();
}

TEST_F(ShellExtDrag, RightDragMenus) {
  const std::string out = Path("out");
  const std::string extractTo = "E&xtract to " + brimshex::ShortenPath(Path("out\\pack.old"));
  const struct {
    std::vector<std::string> Names;
    UINT Flags;
    bool MasterOff;
    std::vector<std::string> Captions;
  } cases[] = {
      {{Path("dl\\pack.old.zip")}, CMF_NORMAL, false, {"Open", "Extract &Here", extractTo, "Properties"}},
      {{Path("dl\\setup.exe")}, CMF_NORMAL, false,
       {"Open", "Extract &Here", "E&xtract to " + brimshex::ShortenPath(Path("out\\setup")), "Properties"}},
      {{Path("arch\\box.rar")}, CMF_NORMAL, false,
       {"Open", "Extract &Here", "E&xtract to " + brimshex::ShortenPath(Path("out\\box")), "Properties"}},
      {{Path("dl\\pack.old.zip"), Path("arch\\box.zip")}, CMF_NORMAL, false, {"Open", "Properties"}},
      {{Path("in\\a.txt")}, CMF_NORMAL, false, {"Open", "Properties"}},
      {{Path("dl\\pack.old.zip")}, CMF_DEFAULTONLY, false, {"Open", "Properties"}},
      {{Path("dl\\pack.old.zip")}, CMF_EXPLORE, false, {"Open", "Properties"}},
      {{Path("dl\\pack.old.zip")}, CMF_NORMAL, true, {"Open", "Properties"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Names.front() + " flags " + std::to_string(c.Flags));
    TRegistrySandbox registry;
    if (c.MasterOff) registry.SetDword(GeneralKey, "Use Explorer Shell Extensions", 0);
    IContextMenu* handler = RightDrag(out, c.Names);
    ASSERT_NE(handler, nullptr);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Open");
    AppendMenuA(menu, MF_STRING, 2, "Properties");
    const HRESULT result = handler->QueryContextMenu(menu, 1, 100, 150, c.Flags);
    EXPECT_EQ(result, MAKE_HRESULT(SEVERITY_SUCCESS, 0, c.Captions.size() - 2));
    std::vector<std::string> captions;
    for (const auto& item : ReadMenu(menu)) {
      captions.push_back(item.Caption);
      if (item.Id >= 100) {
        EXPECT_EQ(item.Id, 100u + captions.size() - 2) << item.Caption;
        EXPECT_NE(item.Unchecked, nullptr) << item.Caption;
      }
    }
    EXPECT_EQ(captions, c.Captions);
    char text[32] = "untouched";
    EXPECT_TRUE(FAILED(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof text)));
    EXPECT_STREQ(text, "untouched");
    DestroyMenu(menu);
    handler->Release();
  }
}

TEST_F(ShellExtDrag, RightDragExtractStartsMorv) {
  TStandIn morv(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", morv.Program());
  const std::string archive = Path("dl\\pack.old.zip");
  const auto invoke = [&](const std::string& Folder, UINT_PTR Offset) {
    IContextMenu* handler = RightDrag(Folder, {archive});
    HMENU menu = CreatePopupMenu();
    EXPECT_EQ(handler->QueryContextMenu(menu, 0, 100, 150, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2));
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = reinterpret_cast<LPCSTR>(Offset);
    info.nShow = SW_SHOWMAXIMIZED;
    const HRESULT result = handler->InvokeCommand(&info);
    DestroyMenu(menu);
    handler->Release();
    return result;
  };
  const std::string drive = FDir.substr(0, 3);
  const struct {
    std::string Folder;
    UINT Offset;
    std::string Parameters;
    std::string Destination;
    std::string WorkingFolder;
  } cases[] = {
      {Path("out"), 1, "-e \"" + archive + "\" \"" + Path("out\\pack.old") + "\"", Path("out\\pack.old"), FDir},
      // Extract Here: the folder without its backslash, which would escape
      // the closing quote.
      {Path("out"), 0, "-e \"" + archive + "\" \"" + Path("out") + "\"", Path("out"), FDir},
      // A drive root keeps its backslash, doubled.
      {drive, 0, "-e \"" + archive + "\" \"" + drive + "\\\"", drive, drive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Folder + " offset " + std::to_string(c.Offset));
    ASSERT_EQ(invoke(c.Folder, c.Offset), S_OK);
    const auto start = morv.WaitStart();
    ASSERT_TRUE(start);
    const std::string& line = start->CommandLine;
    EXPECT_EQ(line.substr(line.size() - std::min(line.size(), c.Parameters.size())), c.Parameters) << line;
    EXPECT_EQ(SplitCommandLine(line), (std::vector<std::string>{morv.Program(), "-e", archive, c.Destination}));
    std::string folder = Lower(start->Folder);
    if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    std::string expected = Lower(c.WorkingFolder);
    if (expected.size() > 3 && expected.back() == '\\') expected.pop_back();
    EXPECT_EQ(folder, expected);
    EXPECT_EQ(start->Show, SW_SHOWMAXIMIZED);
    EXPECT_FALSE(start->ListFile);
  }
  // Offset 2 does nothing; beyond it and verb strings are refused.
  EXPECT_EQ(invoke(Path("out"), 2), S_OK);
  EXPECT_EQ(invoke(Path("out"), 3), E_FAIL);
  IContextMenu* handler = RightDrag(Path("out"), {archive});
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.nShow = SW_SHOWNORMAL;
  // Before any menu was built there is nothing to choose.
  EXPECT_EQ(handler->InvokeCommand(&info), E_FAIL);
  HMENU menu = CreatePopupMenu();
  handler->QueryContextMenu(menu, 0, 100, 150, CMF_NORMAL);
  // A verb string whose pointer has its low 16 bits clear, like offset 0.
  auto* verb = static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(verb, nullptr);
  strcpy(verb, "open");
  info.lpVerb = verb;
  EXPECT_EQ(handler->InvokeCommand(&info), E_FAIL);
  VirtualFree(verb, 0, MEM_RELEASE);
  DestroyMenu(menu);
  handler->Release();
  EXPECT_TRUE(morv.NothingStarted());
}

}  // namespace
