// The main window's menus on the menu library: the bar above the toolbar,
// every command reachable through it, keys and clicks running them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/favorites.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/sfxbuilder.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "controls/commands/editx.h"
#include "controls/commands/mxmenubar.h"
#include "framework/core/sysutils.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"

namespace {

class MainMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display";
    Form.reset(new TMainForm(Application));
    // A favourites file another test left behind could make opening an
    // archive ask whether to keep its folder.
    OtherFoldersPolicy = 0;
    Form->Show();
    SetForegroundWindow(Form->Handle());
    SetActiveWindow(Form->Handle());
    Application->ProcessMessages();
    Bar = UiDriver::Find<TCustomMenuBarX>(Form.get(), "MenuBar1");
    Bar->Options()->Animation = anNone;
  }
  void TearDown() override {
    CloseAllMenus(true);
    Form.reset();
    Application->ProcessMessages();
  }
  void Key(WORD VKey, UINT Msg = WM_KEYDOWN) {
    PostMessageA(Form->Handle(), Msg, VKey, Msg == WM_SYSKEYDOWN || Msg == WM_SYSKEYUP ? (1 << 29) | 1 : 1);
    Application->ProcessMessages();
  }
  static bool WaitFor(const std::function<bool()>& Done) { return UiDriver::WaitFor(Done, 3000); }
  TPopupMenuXForm* Drop() { return Bar->DropMenu()->Form(); }
  int RowOf(TPopupMenuXForm* W, TMenuItem* Item) {
    for (int i = 0; i < W->RowCount(); ++i)
      if (W->Row(i).Item == Item) return i;
    return -1;
  }
  std::unique_ptr<TMainForm> Form;
  TCustomMenuBarX* Bar = nullptr;
};

TEST_F(MainMenusTest, BarReplacesTheWindowMenuAboveTheToolbar) {
  EXPECT_EQ(Bar->Menu(), Form->MainMenu1);
  EXPECT_EQ(GetMenu(Form->Handle()), nullptr);
  EXPECT_EQ(Bar->Top(), 0);
  // The toolbar sits in its top dock, which comes right below the bar.
  TControl* Dock = Form->ToolbarPanel->Parent();
  ASSERT_NE(Dock, nullptr);
  EXPECT_EQ(Dock->Top(), Bar->Height());
  std::vector<std::string> captions;
  for (TMenuItem* it : Bar->BarItems()) captions.push_back(it->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"&File", "&Edit", "&View", "&Actions", "&Tools", "&Options", "&Help"}));
  // The entry list's pop-up menus are the library's, the file menu with its strip.
  auto* files = dynamic_cast<TPopupMenuX*>(Form->FilePopUp);
  ASSERT_NE(files, nullptr);
  EXPECT_TRUE(files->Options()->Title()->Visible);
  EXPECT_EQ(files->Options()->Title()->Text, "Quillon 2000");
  EXPECT_NE(dynamic_cast<TPopupMenuX*>(Form->SortPopUp), nullptr);
}

TEST_F(MainMenusTest, EveryCommandIsReachableFromTheBar) {
  // Walks each menu as the user would open it: every visible item shows as
  // a row, submenus open from their rows.
  int leaves = 0;
  std::function<void(TPopupMenuXForm*, TMenuItem*)> walk = [&](TPopupMenuXForm* W, TMenuItem* Parent) {
    for (int i = 0; i < Parent->Count(); ++i) {
      TMenuItem* it = Parent->Items(i);
      if (!it->Visible()) continue;
      const int row = RowOf(W, it);
      ASSERT_GE(row, 0) << it->Caption();
      if (it->Count() == 0) {
        if (!it->IsLine()) ++leaves;
        continue;
      }
      if (!it->Enabled()) continue;
      W->PrevItemIndex = W->ItemIndex;
      W->ItemIndex = row;
      W->OpenSubmenu(true);
      ASSERT_NE(W->ChildForm(), nullptr) << it->Caption();
      walk(W->ChildForm(), it);
    }
  };
  auto items = Bar->BarItems();
  for (int i = 0; i < int(items.size()); ++i) {
    // Alt and Right steps to each item; Down opens it.
    Key(VK_MENU, WM_SYSKEYDOWN);
    Key(VK_MENU, WM_SYSKEYUP);
    for (int k = 0; k < i; ++k) Key(VK_RIGHT);
    Key(VK_DOWN);
    ASSERT_TRUE(IsMenuOpen()) << items[size_t(i)]->Caption();
    EXPECT_EQ(Drop()->Item, items[size_t(i)]);
    walk(Drop(), items[size_t(i)]);
    Key(VK_ESCAPE);
    ASSERT_FALSE(IsMenuOpen());
  }
  EXPECT_GT(leaves, 30);
}

TEST_F(MainMenusTest, KeysAndClicksRunTheViewCommands) {
  const int status = ViewStatusLine;
  // Alt+V, then the mnemonic of "&Status Bar".
  Key('V', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  Key('S');
  ASSERT_TRUE(WaitFor([&] { return ViewStatusLine != status; }));
  EXPECT_EQ(Form->StatusLine->Visible(), ViewStatusLine == 1);
  EXPECT_FALSE(IsMenuOpen());
  // A click on "View", then on the "Toolbar" row.
  const int toolbar = ViewToolbar;
  TRect r = Bar->ItemRect(2);
  PostMessageA(Bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 5, r.top + 5));
  Application->ProcessMessages();
  ASSERT_TRUE(IsMenuOpen());
  TPopupMenuXForm* w = Drop();
  const int row = RowOf(w, UiDriver::Find<TMenuItem>(Form.get(), "Toolbar1"));
  ASSERT_GE(row, 0);
  TRect rr = w->GetItemRect(row);
  const LPARAM at = MAKELPARAM(rr.left + 10, (rr.top + rr.bottom) / 2);
  PostMessageA(w->Handle(), WM_MOUSEMOVE, 0, at);
  PostMessageA(w->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(w->Handle(), WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(WaitFor([&] { return ViewToolbar != toolbar; }));
  EXPECT_EQ(Form->ToolbarPanel->Visible(), ViewToolbar == 1);
  // Restore what the settings had.
  Key('V', WM_SYSKEYDOWN);
  Key('S');
  Key('V', WM_SYSKEYDOWN);
  Key('T');
  WaitFor([&] { return ViewToolbar == toolbar && ViewStatusLine == status; });
}

TEST_F(MainMenusTest, BarItemsWithHintsGetToolTips) {
  ASSERT_NE(Bar->ToolTips(), nullptr);
  // File, Edit, View, Tools and Help are standard commands with hints.
  EXPECT_EQ(SendMessageA(Bar->ToolTips()->Handle(), TTM_GETTOOLCOUNT, 0, 0), 5);
  // The dropped menus show the hints of their rows too.
  Key('V', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_TRUE(Bar->DropMenu()->ShowHint());
  ASSERT_NE(Drop()->ToolTips, nullptr);
  EXPECT_GT(SendMessageA(Drop()->ToolTips->Handle(), TTM_GETTOOLCOUNT, 0, 0), 0);
  Key(VK_ESCAPE);
}

// The Open button's drop-down menu lists the recent archives by full path.
class RecentDropdownTest : public MainMenusTest {
 protected:
  void SetUp() override {
    MainMenusTest::SetUp();
    if (IsSkipped()) return;
    for (int k = 0; k < 5; ++k) Saved[k] = *Slots[k];
    T = &Form->MainToolbar;
    T->TopMenu->Options()->Animation = anNone;
    Open = T->Buttons[1];
    LayoutMainToolbar(*T, true, true, "11111111111111");
  }
  void TearDown() override {
    if (T)
      for (int k = 0; k < 5; ++k) *Slots[k] = Saved[k];
    MainMenusTest::TearDown();
  }
  void SetRecent(std::initializer_list<std::string> Names) {
    int k = 0;
    for (const std::string& n : Names) *Slots[k++] = n;
    while (k < 5) *Slots[k++] = "";
    Form->UpdateHistoryMenu();
  }
  // A press and release on the arrow part of the Open button.
  void PressArrow() {
    const LPARAM at = MAKELPARAM(Open->Left() + Open->Width() - 4, Open->Top() + 6);
    PostMessageA(T->Bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(T->Bar->Handle(), WM_LBUTTONUP, 0, at);
    Application->ProcessMessages();
  }
  std::string* Slots[5] = {&ActiveFile1, &ActiveFile2, &ActiveFile3, &ActiveFile4, &ActiveFile5};
  std::string Saved[5];
  TMainToolbar* T = nullptr;
  TToolbarButtonX* Open = nullptr;
};

TEST_F(RecentDropdownTest, ExistsOnlyWhileTheListHasAnEntry) {
  SetRecent({});
  EXPECT_EQ(Open->DropdownMenu(), nullptr);
  SetRecent({"C:\\archives\\backup\\old\\more\\one.zip", "C:\\two.zip"});
  EXPECT_EQ(Open->DropdownMenu(), T->TopMenu);
  EXPECT_TRUE(Open->DropdownCombo());
  PressArrow();
  ASSERT_TRUE(T->TopMenu->IsShowing());
  TPopupMenuXForm* w = T->TopMenu->Form();
  // Two visible rows with the full paths (the File menu shortens them).
  ASSERT_EQ(w->RowCount(), 2);
  EXPECT_EQ(w->Row(0).Item->Caption(), "&1 C:\\archives\\backup\\old\\more\\one.zip");
  EXPECT_EQ(w->Row(1).Item->Caption(), "&2 C:\\two.zip");
  EXPECT_NE(Form->HistoryItems[0]->Caption(), w->Row(0).Item->Caption());
  // It opens below the button.
  TPoint below = Open->ClientToScreen(Point(0, Open->Height()));
  EXPECT_EQ(w->Left(), below.x);
  EXPECT_EQ(w->Top(), below.y);
  // A second press on the arrow closes it and does not open it again.
  PressArrow();
  EXPECT_FALSE(T->TopMenu->IsShowing());
  PressArrow();
  EXPECT_TRUE(T->TopMenu->IsShowing());
  CloseAllMenus(true);
  SetRecent({});
  EXPECT_EQ(Open->DropdownMenu(), nullptr);
}

TEST_F(RecentDropdownTest, OpensBesideTheButtonOnTheSideDocks) {
  SetRecent({"C:\\one.zip"});
  const uint8_t align = AlignToolbar;
  const struct {
    int Align;
    bool Right;  // opens to the left of the button
  } Cases[] = {{0, false}, {1, true}};
  for (auto C : Cases) {
    DockMainToolbar(*T, C.Align);
    Application->ProcessMessages();
    PressArrow();
    ASSERT_TRUE(T->TopMenu->IsShowing()) << C.Align;
    TPopupMenuXForm* w = T->TopMenu->Form();
    if (C.Right) {
      EXPECT_EQ(w->Left() + w->Width(), Open->ClientToScreen(Point(0, 0)).x);
    } else {
      EXPECT_EQ(w->Left(), Open->ClientToScreen(Point(Open->Width(), 0)).x);
    }
    EXPECT_EQ(w->Top(), Open->ClientToScreen(Point(0, 0)).y);
    CloseAllMenus(true);
  }
  DockMainToolbar(*T, align);
}

TEST_F(RecentDropdownTest, ChoosingAnEntryReopensItOrDropsAMissingOne) {
  const std::string dir = morvtest::TempDir();
  const std::string zip = dir + "\\recent.zip";
  ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(dir) + "' && echo x > x && zip -q recent.zip x"), 0);
  const std::string gone = dir + "\\gone.zip";
  SetRecent({gone, zip});
  PressArrow();
  ASSERT_TRUE(T->TopMenu->IsShowing());
  // "2" chooses the second entry, which is opened and moves to the front.
  PostMessageA(Form->Handle(), WM_KEYDOWN, '2', 1);
  ASSERT_TRUE(WaitFor([&] { return ArchiveName == zip; }));
  EXPECT_EQ(ActiveFile1, zip);
  EXPECT_EQ(ActiveFile2, gone);
  // The missing one leaves the list without a word.
  PressArrow();
  ASSERT_TRUE(T->TopMenu->IsShowing());
  PostMessageA(Form->Handle(), WM_KEYDOWN, '2', 1);
  ASSERT_TRUE(WaitFor([&] { return ActiveFile2.empty(); }));
  EXPECT_EQ(ActiveFile1, zip);
  EXPECT_EQ(Open->DropdownMenu(), T->TopMenu);
  Form->CloseArchiveClick(nullptr);
}

TEST_F(MainMenusTest, ScreenshotOfTheFileMenu) {
  // The recent items as the start-up routine leaves them.
  Form->UpdateHistoryMenu();
  Key('F', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  TPopupMenuXForm* w = Drop();
  w->SetItemIndex(1);
  Application->ProcessMessages();
  UiDriver::WaitFor([] { return false; }, 200);
  morvtest::SaveWindowShot(GetDesktopWindow(),
                           morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/mainform-filemenu.bmp"));
  // The File menu shows the pictures of its commands.
  auto* open = dynamic_cast<TMenuItemX*>(UiDriver::Find<TMenuItem>(Form.get(), "OpenArchive"));
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->HasBitmap());
  Key(VK_ESCAPE);
}

// Every command of the menus, the toolbar and the two pop-ups either runs
// its handler or is greyed out while it cannot.
class MenuCommandsTest : public MainMenusTest {
 protected:
  void SetUp() override {
    MainMenusTest::SetUp();
    if (IsSkipped()) return;
    ZipDllFolder = morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/app/");
    SavedViewDialog = ShowViewDialog;
    ShowViewDialog = 1;
    for (int k = 0; k < 5; ++k) SavedRecent[k] = *Recent[k];
    Dir = morvtest::TempDir();
    ASSERT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(Dir) + "' && seq 1 500 > d.txt && echo small > e.txt"
                                " && zip -q t.zip d.txt e.txt"),
              0);
    // The help viewer is not installed here: the help commands say so.
    AppMessageBoxHandler = [this](const std::string& Text, TMsgDlgType, TMsgDlgButtons) {
      Seen.push_back(Text);
      return int(mrOk);
    };
  }
  void TearDown() override {
    AppMessageBoxHandler = AppMessageBox;
    if (Form) Form->CloseArchiveClick(nullptr);
    ShowViewDialog = SavedViewDialog;
    for (int k = 0; k < 5; ++k) *Recent[k] = SavedRecent[k];
    MainMenusTest::TearDown();
  }
  void OpenZip() {
    ASSERT_TRUE(Form->OpenArchiveFile(Dir + "\\t.zip"));
    Form->FillFileList();
    Application->ProcessMessages();
  }
  // Runs Click and returns what came up: the caption of the modal or
  // modeless window it showed (which is closed again), or the text of the
  // message it gave.
  std::string CameUp(const std::function<void()>& Click) {
    Seen.clear();
    {
      UiDriver::TModalAnswerer answer;
      answer.Then([this](HWND, TCustomForm* F) {
        if (!F) return false;
        auto* message = dynamic_cast<TLabel*>(UiDriver::FindComponent(F, "Message"));
        Seen.push_back(message ? message->Caption() : F->Caption());
        F->SetModalResult(mrCancel);
        return true;
      });
      Click();
      Application->ProcessMessages();
    }
    for (int i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      if (f == Form.get() || !f->HandleAllocated() || !IsWindowVisible(f->Handle())) continue;
      Seen.push_back(f->Caption());
      f->Close();
      Application->ProcessMessages();
    }
    EXPECT_TRUE(Form->Enabled());
    std::string all;
    for (const std::string& s : Seen) all += (all.empty() ? "" : " | ") + s;
    return all;
  }
  TMenuItem* Item(const std::string& Name) { return UiDriver::Find<TMenuItem>(Form.get(), Name); }
  std::string Dir;
  std::vector<std::string> Seen;
  uint8_t SavedViewDialog = 1;
  std::string* Recent[5] = {&ActiveFile1, &ActiveFile2, &ActiveFile3, &ActiveFile4, &ActiveFile5};
  std::string SavedRecent[5];
};

const char* const NoHelp =
    "Microsoft HTML Help cannot be found on your system.\rPlease visit Quillon's Home page and download this update.";

TEST_F(MenuCommandsTest, EachCommandShowsItsWindowWithAnArchiveOpen) {
  OpenZip();
  ASSERT_EQ(FileCount, 2);
  // The log window's command is there once an operation has run.
  EXPECT_FALSE(Item("ViewLastOutput")->Enabled());
  const struct {
    const char* Name;
    const char* Shows;
  } MenuCases[] = {
      {"Properties", "Zip Properties"},
      {"FindFiles2", "Find file(s)"},
      {"Archiveconverter1", "Archive Converter"},
      {"ReadDiskSpan", "Read disk span..."},
      {"WriteDiskSpan", "Write disk span..."},
      {"Favorites1", "Favorite Zip Folders"},
      {"AddFiles", "Add"},
      {"DeleteFiles", "Delete"},
      {"ExtractFiles", "Extract"},
      {"Comment", "Comment"},
      {"MakeExeFile", "Quillon Self-Extractor"},
      {"UUencode", "UUEncode / XXEncode"},
      {"CheckoutF", "CheckOut"},
      {"TestArchive", "View Last Output"},
      {"ViewLastOutput", "View Last Output"},
      {"RenameArchive", "Rename"},
      {"Configuration", "Configuration"},
      {"TipoftheDay", "Quillon Tip of the Day"},
      {"About1", "About Quillon 2000"},
      {"Contents", NoHelp},
      {"BriefTutorial", NoHelp},
      {"FrequentlyAskedQuestions", NoHelp},
  };
  for (const auto& C : MenuCases) {
    TMenuItem* item = Item(C.Name);
    ASSERT_TRUE(item->Enabled()) << C.Name;
    EXPECT_EQ(CameUp([&] { UiDriver::ClickMenu(Form.get(), item); }), C.Shows) << C.Name;
  }
  EXPECT_TRUE(Item("QuillonHomePage")->Enabled());
  // View needs a selected file; the file pop-up is the list's menu then.
  Form->SetRowSelected(0, true);
  Form->ShowSelectionStatus();
  ASSERT_EQ(Form->FileList->PopupMenu(), Form->FilePopUp);
  EXPECT_EQ(CameUp([&] { UiDriver::ClickMenu(Form.get(), Item("ViewFiles")); }), "View");
  Form->FilePopUp->OnPopup(Form->FilePopUp);
  const struct {
    const char* Name;
    const char* Shows;
  } PopupCases[] = {
      {"PView", "View"},     {"PExtract", "Extract"},       {"PDelete", "Delete"},
      {"PAdd", "Add"},       {"PFileProperties", "File Properties"}, {"PProperties", "Zip Properties"},
  };
  for (const auto& C : PopupCases) {
    TMenuItem* item = Item(C.Name);
    ASSERT_TRUE(item->Enabled()) << C.Name;
    EXPECT_EQ(CameUp([&] { item->Click(); }), C.Shows) << C.Name;
  }
  // Without a scanner the scan twin is greyed out as its command is.
  EXPECT_FALSE(Item("VirusScan")->Enabled());
  EXPECT_FALSE(Item("PVirusScan")->Enabled());
  const struct {
    int Button;
    const char* Shows;
  } ButtonCases[] = {{2, "Favorite Zip Folders"}, {3, "Zip Properties"}, {5, "Add"}, {6, "Delete"},
                     {7, "Extract"}, {8, "View"}, {10, "View Last Output"}, {11, "CheckOut"}, {12, NoHelp}};
  for (const auto& C : ButtonCases) {
    TControl* b = Form->ToolButtons[C.Button];
    ASSERT_TRUE(b->Enabled()) << C.Button;
    EXPECT_EQ(CameUp([&] { b->OnClick(b); }), C.Shows) << C.Button;
  }
}

TEST_F(MenuCommandsTest, SelectionCommandsAndFind) {
  OpenZip();
  const struct {
    const char* Name;
    std::vector<int> Before, After;
  } Cases[] = {
      {"SelectAll", {}, {0, 1}},
      {"UnselectAll", {0, 1}, {}},
      {"InvertSelection", {0}, {1}},
      {"PSelectAll", {1}, {0, 1}},
      {"PInvertSelection", {1}, {0}},
  };
  for (const auto& C : Cases) {
    Form->SetRowSelected(-1, false);
    for (int r : C.Before) Form->SetRowSelected(r, true);
    Item(C.Name)->Click();
    Application->ProcessMessages();
    EXPECT_EQ(Form->SelectedRows(), C.After) << C.Name;
  }
  // Find selects the entries its mask matches and shows the summary.
  Form->SetRowSelected(-1, false);
  UiDriver::TModalAnswerer answer;
  answer.Then([](HWND, TCustomForm* F) {
    if (!F || F->Caption() != "Find file(s)") return false;
    UiDriver::SetValue(UiDriver::Find<TEditX>(F, "ftype"), "e.*");
    UiDriver::Click(UiDriver::Find<TButton>(F, "OKButton"));
    return true;
  });
  UiDriver::ClickMenu(Form.get(), Item("FindFiles2"));
  Application->ProcessMessages();
  EXPECT_TRUE(answer.Done());
  const std::vector<int> rows = Form->SelectedRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(FileTable[size_t(rows[0])].Name, "e.txt");
  EXPECT_EQ(Form->SPanel1->Caption().rfind("Selected 1 file", 0), 0u) << Form->SPanel1->Caption();
}

TEST_F(MenuCommandsTest, ExeToZipOpensTheZipFirstInTheRecentList) {
  // A self-extractor of our own making: Make .EXE's job on the zip.
  const std::string exe = Dir + "\\t.exe";
  TZipBridge* maker = CreateZipBridge(Form.get(), nullptr, "SfxMaker");
  SetZipArchive(maker, Dir + "\\t.zip");
  ASSERT_EQ(BuildSfxArchive(*maker, exe, morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/app/MORVSE.DAT")),
            sfxDone);
  SetZipArchive(maker, "");
  ASSERT_TRUE(DeleteFile(Dir + "\\t.zip"));
  ASSERT_TRUE(Form->OpenArchiveFile(exe));
  Form->FillFileList();
  TMenuItem* item = Item("ExeToZip");
  ASSERT_TRUE(item->Enabled());
  EXPECT_FALSE(Item("MakeExeFile")->Enabled());
  EXPECT_EQ(CameUp([&] { UiDriver::ClickMenu(Form.get(), item); }), "");
  EXPECT_TRUE(SameText(ArchiveName, Dir + "\\t.zip")) << ArchiveName;
  EXPECT_EQ(FileCount, 2);
  EXPECT_TRUE(SameText(ActiveFile1, ArchiveName));
  EXPECT_TRUE(SameText(ActiveFile2, exe));
  std::string out;
  EXPECT_EQ(morvtest::RunPeer("cd '" + morvtest::HostPath(Dir) + "' && unzip -tq t.zip", &out), 0) << out;
}

TEST_F(MenuCommandsTest, NoArchiveGreysOutTheArchiveCommands) {
  OpenZip();
  Form->CloseArchiveClick(nullptr);
  for (const char* name :
       {"CloseArchive", "Properties", "MoveArchive", "CopyArchive", "RenameArchive", "DeleteArchive", "AddFiles",
        "DeleteFiles", "ExtractFiles", "ViewFiles", "SelectAll", "InvertSelection", "UnselectAll", "PrintFileListing",
        "Refresh", "CheckoutF", "FindFiles2", "ArrangeIcons", "MakeExeFile", "ViewLastOutput", "Comment",
        "TestArchive", "ExeToZip", "VirusScan", "RenameEntry", "UUencode"})
    EXPECT_FALSE(Item(name)->Enabled()) << name;
  // Properties, Print, Add, Delete, Extract, View, Scan, Test, CheckOut.
  for (int b : {3, 4, 5, 6, 7, 8, 9, 10, 11}) EXPECT_FALSE(Form->ToolButtons[b]->Enabled()) << b;
  EXPECT_FALSE(Form->FileList->Enabled());
  // What needs no archive stays at hand.
  for (const char* name : {"NewArchive", "OpenArchive", "Favorites1", "ExitQuillon", "Archiveconverter1",
                           "ReadDiskSpan", "WriteDiskSpan", "Configuration", "ClearHistory1", "Contents",
                           "BriefTutorial", "FrequentlyAskedQuestions", "TipoftheDay", "QuillonHomePage", "About1"})
    EXPECT_TRUE(Item(name)->Enabled()) << name;
  for (int b : {0, 1, 2, 12, 13}) EXPECT_TRUE(Form->ToolButtons[b]->Enabled()) << b;
  // The tools work on files of their own choosing.
  EXPECT_EQ(CameUp([&] { UiDriver::ClickMenu(Form.get(), Item("Archiveconverter1")); }), "Archive Converter");
  EXPECT_EQ(CameUp([&] { UiDriver::ClickMenu(Form.get(), Item("ReadDiskSpan")); }), "Read disk span...");
}

}  // namespace
