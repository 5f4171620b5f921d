// The shell extension with the real Morv behind it: what the context menu,
// a drop and a right-drag hand over ends in archives the peers read.
#include <algorithm>
#include <string>

#include "shellext/server.h"
#include "tests/shellext/shellext_test.h"
#include "tests/support/testsupport.h"

namespace {

using namespace shexttest;

constexpr DWORD MorvMs = 120000;

bool Exists(const std::string& Name) { return GetFileAttributesA(Name.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string MorvExe() { return morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/app/morv.exe"); }

struct TFind {
  std::string Class;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectClass(HWND Wnd, LPARAM Param) {
  auto* find = reinterpret_cast<TFind*>(Param);
  char name[64] = {};
  GetClassNameA(Wnd, name, sizeof name);
  if (find->Class == name) find->Found.push_back(Wnd);
  return TRUE;
}

std::vector<HWND> WindowsOf(const std::string& Class) {
  TFind find{Class, {}};
  EnumWindows(CollectClass, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

template <class F>
bool WaitFor(DWORD Ms, F Done) {
  const DWORD start = GetTickCount();
  for (;; Sleep(100)) {
    if (Done()) return true;
    if (GetTickCount() - start > Ms) return false;
  }
}

BOOL CALLBACK FindOk(HWND Wnd, LPARAM Param) {
  char text[32] = {};
  GetWindowTextA(Wnd, text, sizeof text);
  if (std::string(text) != "OK") return TRUE;
  *reinterpret_cast<HWND*>(Param) = Wnd;
  return FALSE;
}

class ShellExtWithMorv : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Exists(MorvExe())) GTEST_SKIP() << "morv.exe not built";
    FDir = morvtest::TempDir();
    FHost = morvtest::HostPath(FDir);
    ASSERT_EQ(Peer("mkdir -p in/sub out && echo report > in/report.txt && seq 1 2000 > 'in/b b.txt' && "
                   "echo deep > in/sub/d.txt"),
              0);
  }
  void TearDown() override {
    // Whatever Morv is still up after a failure goes with the test.
    for (const char* cls : {"TMainForm", "TContAddForm", "TLnEForm"})
      for (HWND w : WindowsOf(cls)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
          TerminateProcess(p, 1);
          CloseHandle(p);
        }
      }
  }
  std::string Path(const std::string& Name) const { return FDir + "\\" + Name; }
  int Peer(const std::string& Command, std::string* Out = nullptr) {
    return morvtest::RunPeer("cd '" + FHost + "' && " + Command, Out);
  }
  // Every Morv window is gone: the job ended by itself.
  bool MorvEnded() {
    return WaitFor(MorvMs, [] { return WindowsOf("TMainForm").empty(); });
  }

  std::string FDir, FHost;
};

}  // namespace

TEST_F(ShellExtWithMorv, ContextMenuAddGoesThroughTheAddDialog) {
  TStandIn temp(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", MorvExe());
  auto* init = CreateObject<IShellExtInit>(brimshex::CLSID_ContextMenu, IID_IShellExtInit);
  ASSERT_NE(init, nullptr);
  IDataObject* data = NewDropData({Path("in\\report.txt"), Path("in\\b b.txt"), Path("in\\sub")});
  ASSERT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
  data->Release();
  IContextMenu* handler = nullptr;
  ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&handler)), S_OK);
  init->Release();
  HMENU menu = CreatePopupMenu();
  ASSERT_TRUE(SUCCEEDED(handler->QueryContextMenu(menu, 0, 100, 150, CMF_NORMAL)));
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.lpVerb = reinterpret_cast<LPCSTR>(0);  // "Add to Zip..."
  info.nShow = SW_SHOWNORMAL;
  EXPECT_EQ(handler->InvokeCommand(&info), S_OK);
  DestroyMenu(menu);
  handler->Release();

  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor(MorvMs, [&] {
    for (HWND w : WindowsOf("TContAddForm"))
      if (IsWindowVisible(w)) dialog = w;
    return dialog != nullptr;
  })) << "no Add dialog";
  HWND ok = nullptr;
  EnumChildWindows(dialog, FindOk, reinterpret_cast<LPARAM>(&ok));
  ASSERT_NE(ok, nullptr);
  PostMessageA(ok, BM_CLICK, 0, 0);
  EXPECT_TRUE(MorvEnded());
  std::string out;
  EXPECT_EQ(Peer("unzip -t in/report.zip", &out), 0) << out;
  // Where the names go depends on the saved "full folder info" choice.
  ASSERT_EQ(Peer("mkdir x && unzip -q in/report.zip -d x && cmp \"$(find x -name report.txt)\" in/report.txt && "
                 "cmp \"$(find x -name 'b b.txt')\" 'in/b b.txt' && cmp \"$(find x -name d.txt)\" in/sub/d.txt",
                 &out),
            0)
      << out;
}

TEST_F(ShellExtWithMorv, DropOnAZipAddsTheNames) {
  TStandIn temp(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", MorvExe());
  ASSERT_EQ(Peer("cd in && zip -q ../box.zip sub/d.txt"), 0);
  auto* file = CreateObject<IPersistFile>(brimshex::CLSID_DropTarget, IID_IPersistFile);
  ASSERT_NE(file, nullptr);
  const std::string box = Path("box.zip");
  const std::wstring wide(box.begin(), box.end());
  ASSERT_EQ(file->Load(wide.c_str(), STGM_READ), S_OK);
  IDropTarget* target = nullptr;
  ASSERT_EQ(file->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&target)), S_OK);
  file->Release();
  IDataObject* data = NewDropData({Path("in\\report.txt"), Path("in\\b b.txt")});
  const POINTL point = {10, 10};
  DWORD effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, point, &effect), S_OK);
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->Drop(data, 0, point, &effect), S_OK);
  data->Release();
  target->Release();

  ASSERT_TRUE(WaitFor(MorvMs, [&] { return Peer("unzip -l box.zip | grep -q 'b b.txt'") == 0; }));
  EXPECT_TRUE(MorvEnded());
  std::string out;
  EXPECT_EQ(Peer("unzip -t box.zip", &out), 0) << out;
  ASSERT_EQ(Peer("zipinfo -1 box.zip | sort", &out), 0);
  EXPECT_EQ(out, "b b.txt\nreport.txt\nsub/d.txt\n");
  EXPECT_FALSE(Exists(temp.ListFile())) << "the list file is deleted";
}

TEST_F(ShellExtWithMorv, RightDragExtractsIntoTheFolder) {
  TStandIn temp(FDir);
  TRegistrySandbox registry;
  registry.SetString(GeneralKey, "Directory", MorvExe());
  ASSERT_EQ(Peer("zip -qr pack.zip in"), 0);
  auto* init = CreateObject<IShellExtInit>(brimshex::CLSID_DragDropContextMenu, IID_IShellExtInit);
  ASSERT_NE(init, nullptr);
  PIDLIST_ABSOLUTE folder = ILCreateFromPathA(Path("out").c_str());
  ASSERT_NE(folder, nullptr);
  IDataObject* data = NewDropData({Path("pack.zip")});
  ASSERT_EQ(init->Initialize(folder, data, nullptr), S_OK);
  data->Release();
  ILFree(folder);
  IContextMenu* handler = nullptr;
  ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&handler)), S_OK);
  init->Release();
  HMENU menu = CreatePopupMenu();
  ASSERT_TRUE(SUCCEEDED(handler->QueryContextMenu(menu, 0, 100, 150, CMF_NORMAL)));
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.lpVerb = reinterpret_cast<LPCSTR>(1);  // into a folder named after the archive
  info.nShow = SW_SHOWNORMAL;
  EXPECT_EQ(handler->InvokeCommand(&info), S_OK);
  DestroyMenu(menu);
  handler->Release();

  ASSERT_TRUE(WaitFor(MorvMs, [&] { return Peer("diff -r in out/pack/in > /dev/null 2>&1") == 0; }));
  EXPECT_TRUE(MorvEnded());
}
