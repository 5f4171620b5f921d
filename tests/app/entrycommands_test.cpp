// The favourites, search, view and check-out windows driven as a user drives
// them; what they extract is compared with what the peers put in.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dragout.h"
#include "app/entryextract.h"
#include "app/favorites.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/shellrun.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "controls/views/placement.h"
#include "controls/views/shelllink.h"
#include "dialogs/asciview.h"
#include "dialogs/checkoutform.h"
#include "dialogs/dragform.h"
#include "dialogs/passwordform.h"
#include "dialogs/favoriteform.h"
#include "dialogs/favoroptform.h"
#include "dialogs/searchform.h"
#include "dialogs/viewform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "framework/ui/winapi.h"
#include "tests/app/appcore_fixture.h"
#include "tests/app/mainform_fixture.h"
#include "tests/app/modalboxes.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

struct TShellCall {
  std::string File, Params, Folder;
};

class EntryCommandsTest : public TMainFormFixture {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
    CoInitialize(nullptr);
    TMainFormFixture::SetUp();
    FSavedFavorites = FavoriteFolders;
    FSavedCount = FavoriteCount;
    FSavedSort = FavoriteSortMode;
    FSavedPolicy = OtherFoldersPolicy;
    Temp = FDir + "\\tmp\\";
    ForceDirectories(FDir + "\\tmp");
    // Nothing the windows open reaches a real program or Explorer.
    ShellOpenHandler = [this](const std::string& File, const std::string& Params, const std::string& Folder, int) {
      Opened.push_back({File, Params, Folder});
      return true;
    };
  }
  void TearDown() override {
    // A check-out left behind would be offered for clean-up by a later close.
    CheckoutFolder.clear();
    CheckoutProgramsFolder.clear();
    ShellOpenHandler = nullptr;
    FavoriteFolders = FSavedFavorites;
    FavoriteCount = FSavedCount;
    FavoriteSortMode = FSavedSort;
    OtherFoldersPolicy = FSavedPolicy;
    TMainFormFixture::TearDown();
    CoUninitialize();
  }
  // The Start menu's programs folder is FDir\Programs for the rest of the
  // test.
  void UseOwnProgramsFolder() {
    const std::string shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    FPrograms.emplace(shellFolders, "Programs");
    ASSERT_TRUE(apptest::SetString(shellFolders, "Programs", FDir + "\\Programs"));
  }
  void Shot(TCustomForm* F, const std::string& Name) {
    SaveWindowShot(F->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/" + Name));
  }
  int RowOf(const std::string& Name) {
    for (int r = 0; r < FileCount; ++r)
      if (FileTable[size_t(r)].Name == Name) return r;
    return -1;
  }
  void Select(const std::string& Name) {
    Form->SetRowSelected(-1, false);
    const int r = RowOf(Name);
    ASSERT_GE(r, 0) << Name;
    Form->SetRowSelected(r, true);
    Application->ProcessMessages();
  }
  std::vector<TShellCall> Opened;
  std::optional<apptest::TValueBackup> FPrograms;
  std::vector<std::string> FSavedFavorites;
  int32_t FSavedCount = 0;
  uint8_t FSavedSort = 1, FSavedPolicy = 0;
};

std::vector<std::string> Captions(TListView* List) {
  std::vector<std::string> c;
  for (int i = 0; i < List->Items()->Count(); ++i) c.push_back(List->Items()->Item(i)->Caption());
  return c;
}

// Archives of the favourite folders are listed by the chosen type and sort;
// a second click on a column reverses it; Open opens the chosen archive.
TEST_F(EntryCommandsTest, FavouritesListSortAndOpen) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p f1 f2 gone && echo x > x.txt && "
                    "zip -q f1/b.zip x.txt && zip -q f2/a.zip x.txt && zip -q f1/c.zip x.txt && "
                    "cp f1/b.zip f2/d.rar && touch -d '2001-01-01' f1/c.zip && touch -d '2002-01-01' f2/a.zip && "
                    "touch -d '2003-01-01' f1/b.zip && rmdir gone"),
            0);
  FavoriteFolders = {FDir + "\\f1\\", FDir + "\\gone\\", FDir + "\\f2\\"};
  FavoriteCount = 3;
  FavoriteSortMode = 1;
  Form->FavoritesButtonClick(nullptr);
  Application->ProcessMessages();
  TFavoriteForm* f = Form->FavoriteForm;
  ASSERT_TRUE(f->Visible());
  EXPECT_FALSE(Form->Enabled());
  EXPECT_FALSE(f->OKButt->Enabled());
  EXPECT_EQ(f->SortType->Caption(), "Files in Favorite Zip Folders sorted by name:");
  EXPECT_EQ(Captions(f->FileList), (std::vector<std::string>{"a.zip", "b.zip", "c.zip"}));
  f->FileListColumnClick(0);
  EXPECT_EQ(FavoriteSortMode, 4);
  EXPECT_EQ(Captions(f->FileList), (std::vector<std::string>{"c.zip", "b.zip", "a.zip"}));
  f->FileListColumnClick(1);
  EXPECT_EQ(f->SortType->Caption(), "Files in Favorite Zip Folders sorted by date:");
  EXPECT_EQ(Captions(f->FileList), (std::vector<std::string>{"c.zip", "a.zip", "b.zip"}));
  f->FileListColumnClick(1);
  EXPECT_EQ(Captions(f->FileList), (std::vector<std::string>{"b.zip", "a.zip", "c.zip"}));
  f->FileListColumnClick(2);
  EXPECT_EQ(f->FileList->Items()->Item(0)->SubItems()->Strings(1), FDir + "\\f1");
  UiDriver::SetValue(f->FileType, "RAR files");
  EXPECT_EQ(Captions(f->FileList), std::vector<std::string>{"d.rar"});
  UiDriver::SetValue(f->FileType, "ZIP files");
  f->FileListColumnClick(0);
  f->FileListColumnClick(0);
  f->FileList->Items()->Item(2)->SetSelected(true);
  Application->ProcessMessages();
  EXPECT_TRUE(f->OKButt->Enabled());
  EXPECT_EQ(f->FileName->Caption(), "&File name: " + FDir + "\\f2\\a.zip");
  Shot(f, "favorites-window.bmp");
  UiDriver::Click(f->OKButt);
  Application->ProcessMessages();
  EXPECT_FALSE(f->Visible());
  EXPECT_TRUE(Form->Enabled());
  EXPECT_EQ(AnsiLowerCase(ArchiveName), AnsiLowerCase(FDir + "\\f2\\a.zip"));
  EXPECT_EQ(FileCount, 1);
}

TEST_F(EntryCommandsTest, OptionsKeepOneCopyAndCancelPutsTheListBack) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p One Two"), 0);
  FavoriteFolders = {FDir + "\\Two\\"};
  FavoriteCount = 1;
  OtherFoldersPolicy = 0;
  Form->FavoritesButtonClick(nullptr);
  Application->ProcessMessages();
  TFavoriteForm* f = Form->FavoriteForm;
  UiDriver::Click(f->OptionsButt);
  Application->ProcessMessages();
  TFavorOptForm* o = f->FavorOptForm;
  ASSERT_TRUE(o->Visible());
  EXPECT_FALSE(f->Enabled());
  EXPECT_TRUE(o->Policy[0]->Checked());
  EXPECT_TRUE(o->Button3->Enabled());
  o->AddFolder(FDir + "\\One");
  o->AddFolder(AnsiLowerCase(FDir + "\\ONE"));
  ASSERT_EQ(FavoriteCount, 2);
  EXPECT_EQ(FavoriteFolders[1], FDir + "\\One\\");
  EXPECT_EQ(o->DirList->Items()->Item(1)->Caption(), FDir + "\\One");
  Shot(o, "favorite-options.bmp");
  // Remove the first, then Cancel: both come back.
  o->DirList->Items()->Item(0)->SetSelected(true);
  UiDriver::Click(o->Button4);
  EXPECT_EQ(FavoriteCount, 1);
  UiDriver::Click(o->Policy[2]);
  UiDriver::Click(o->Button2);
  Application->ProcessMessages();
  EXPECT_FALSE(o->Visible());
  EXPECT_TRUE(f->Enabled());
  EXPECT_EQ(FavoriteFolders, std::vector<std::string>{FDir + "\\Two\\"});
  EXPECT_EQ(OtherFoldersPolicy, 0);
  // OK keeps the change and the policy.
  UiDriver::Click(f->OptionsButt);
  Application->ProcessMessages();
  o->AddFolder(FDir + "\\One\\");
  UiDriver::Click(o->Policy[1]);
  UiDriver::Click(o->Button1);
  Application->ProcessMessages();
  EXPECT_EQ(FavoriteCount, 2);
  EXPECT_EQ(OtherFoldersPolicy, 1);
  f->Close();
  Application->ProcessMessages();
}

// The search rebuilds the list from the folders that hold archives; a link
// back up the tree and a link elsewhere are not walked, so the search ends.
TEST_F(EntryCommandsTest, SearchEndsOnALinkLoopAndSkipsLinks) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p s/a/b s/c s/empty outside && echo x > x.txt && "
                    "zip -q s/a/b/one.zip x.txt && cp s/a/b/one.zip s/c/two.LHA && cp s/a/b/one.zip outside/far.zip && "
                    "ln -s .. s/a/b/up && ln -s ../../s s/c/loop && ln -s ../outside s/toout"),
            0);
  FavoriteFolders = {"c:\\old\\"};
  FavoriteCount = 1;
  Form->FavoritesButtonClick(nullptr);
  Application->ProcessMessages();
  TFavoriteForm* f = Form->FavoriteForm;
  UiDriver::Click(f->SearchButt);
  Application->ProcessMessages();
  TSearchForm* s = f->SearchForm;
  ASSERT_TRUE(s->Visible());
  EXPECT_TRUE(s->SAll->Checked());
  EXPECT_EQ(s->Button1->Caption(), "OK");
  UiDriver::Click(s->SDisk);
  UiDriver::SetValue(s->ComboBox1, FDir + "\\s");
  Shot(s, "search-window.bmp");
  UiDriver::Click(s->Button1);
  Application->ProcessMessages();
  EXPECT_FALSE(s->Visible());
  EXPECT_TRUE(f->Enabled());
  std::vector<std::string> got(FavoriteFolders.begin(), FavoriteFolders.begin() + FavoriteCount);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{FDir + "\\s\\a\\b\\", FDir + "\\s\\c\\"}));
  EXPECT_EQ(s->ArchivesFound(), 2);
  EXPECT_EQ(s->FoldersSearched(), 5);
  EXPECT_EQ(Captions(f->FileList), std::vector<std::string>{"one.zip"});
  f->Close();
  Application->ProcessMessages();
}

TEST_F(EntryCommandsTest, StopEndsTheSearch) {
  // 400 folders, each walked with the window's messages let through.
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p big && cd big && for i in $(seq 1 20); do for j in $(seq 1 20); do "
                    "mkdir -p d$i/e$j; done; done"),
            0);
  Form->FavoritesButtonClick(nullptr);
  Application->ProcessMessages();
  TSearchForm* s = Form->FavoriteForm->SearchForm;
  UiDriver::Click(Form->FavoriteForm->SearchButt);
  Application->ProcessMessages();
  UiDriver::Click(s->SDisk);
  UiDriver::SetValue(s->ComboBox1, FDir + "\\big");
  bool clicked = false;
  UiDriver::TModalAnswerer stop(20);
  stop.Then(
      [&](HWND, TCustomForm*) {
        if (!s->Searching() || s->FoldersSearched() < 5) return false;
        EXPECT_EQ(s->Button1->Caption(), "&Stop");
        EXPECT_FALSE(s->Button2->Enabled());
        clicked = true;
        UiDriver::Click(s->Button1);
        return true;
      },
      false);
  UiDriver::Click(s->Button1);
  Application->ProcessMessages();
  EXPECT_TRUE(clicked);
  EXPECT_FALSE(s->Visible());
  EXPECT_LT(s->FoldersSearched(), 421);
  EXPECT_EQ(s->Button1->Caption(), "OK");
  Form->FavoriteForm->Close();
  Application->ProcessMessages();
}

TEST(AssociatedCaption, ProgramNamesAndLength) {
  const struct {
    const char *Entry, *Program, *Caption;
  } cases[] = {
      {"setup.exe", "notepad.exe", "&Associated program"},
      {"run.COM", "notepad.exe", "&Associated program"},
      {"a.txt", "", "&Associated program"},
      {"a.txt", "notepad.exe", "&Associated program [notepad.exe]"},
      {"a.txt", "abcdefghijkl", "&Associated program [abcdefghijkl]"},
      {"a.txt", "abcdefghijklm", "&Associated program [...bcdefghijklm]"},
      {"a.txt", "0123456789abcdef.exe", "&Associated program [...89abcdef.exe]"},
  };
  for (const auto& c : cases) EXPECT_EQ(AssociatedCaption(c.Entry, c.Program), c.Caption) << c.Entry << c.Program;
}

// A program or script entry is shown in the text viewer, never handed to
// the shell; a document goes to its program, and Viewer gets the file.
TEST_F(EntryCommandsTest, ViewNeverRunsAProgramEntry) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src && cd src && printf 'echo ran > marker.txt\\r\\n' > evil.bat && "
                    "seq 1 500 > notes.txt && cp evil.bat tool.exe && zip -q ../v.zip evil.bat notes.txt tool.exe"),
            0);
  Open(FDir + "\\v.zip");
  const uint8_t savedShow = ShowViewDialog, savedMode = LastViewMode;
  const std::string savedViewer = Viewer;
  ShowViewDialog = 1;
  LastViewMode = 0;
  for (const char* name : {"evil.bat", "tool.exe"}) {
    SCOPED_TRACE(name);
    Select(name);
    Form->ViewClick(nullptr);
    Application->ProcessMessages();
    TViewForm* v = Form->ViewForm;
    ASSERT_TRUE(v->Visible());
    EXPECT_FALSE(v->AssocRadio->Enabled());
    EXPECT_TRUE(v->InternalRadio->Checked());
    EXPECT_EQ(v->AssocRadio->Caption(), "&Associated program");
    // Even with the radio button forced on, the program is not opened.
    v->AssocRadio->SetChecked(true);
    UiDriver::Click(v->ViewButt);
    Application->ProcessMessages();
    EXPECT_TRUE(Opened.empty());
    ASSERT_TRUE(v->Asciview->Visible());
    EXPECT_EQ(v->Asciview->Caption(), std::string("View: ") + name);
    EXPECT_NE(v->Asciview->RichEdit1->Text().find("echo ran"), std::string::npos);
    v->Asciview->Close();
    Application->ProcessMessages();
  }
  EXPECT_FALSE(FileExists(FDir + "\\tmp\\marker.txt"));
  EXPECT_FALSE(FileExists(FDir + "\\src\\marker.txt"));

  // A document: the associated program opens the extracted file in Temp.
  Select("notes.txt");
  Form->ViewClick(nullptr);
  Application->ProcessMessages();
  TViewForm* v = Form->ViewForm;
  EXPECT_TRUE(v->AssocRadio->Enabled());
  Shot(v, "view-dialog.bmp");
  UiDriver::Click(v->AssocRadio);
  UiDriver::Click(v->ViewButt);
  Application->ProcessMessages();
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].File, FDir + "\\tmp\\notes.txt");
  EXPECT_EQ(Opened[0].Folder, FDir + "\\tmp\\");
  EXPECT_EQ(LastViewMode, 0);
  EXPECT_EQ(RunPeer("cmp '" + FHost + "/src/notes.txt' '" + FHost + "/tmp/notes.txt'"), 0);

  // Typing a viewer changes the setting at once, even when cancelled.
  Form->ViewClick(nullptr);
  Application->ProcessMessages();
  UiDriver::SetValue(v->ViewerPath, "c:\\tools\\myview.exe");
  EXPECT_EQ(Viewer, "c:\\tools\\myview.exe");
  EXPECT_TRUE(v->ViewerRadio->Checked());
  v->Close();
  Application->ProcessMessages();
  EXPECT_EQ(Viewer, "c:\\tools\\myview.exe");
  Form->ViewClick(nullptr);
  Application->ProcessMessages();
  UiDriver::Click(v->ViewerRadio);
  UiDriver::Click(v->ViewButt);
  Application->ProcessMessages();
  ASSERT_EQ(Opened.size(), 2u);
  EXPECT_EQ(Opened[1].File, "c:\\tools\\myview.exe");
  EXPECT_EQ(Opened[1].Params, "\"" + FDir + "\\tmp\\notes.txt\"");
  EXPECT_EQ(LastViewMode, 2);

  // Closing the archive deletes what viewing extracted.
  EXPECT_TRUE(FileExists(FDir + "\\tmp\\evil.bat"));
  Form->CloseArchiveClick(nullptr);
  EXPECT_FALSE(FileExists(FDir + "\\tmp\\evil.bat"));
  EXPECT_FALSE(FileExists(FDir + "\\tmp\\notes.txt"));
  ShowViewDialog = savedShow;
  LastViewMode = savedMode;
  Viewer = savedViewer;
}

TEST_F(EntryCommandsTest, ViewFromAReaderFormatAndTheTextViewer) {
  if (!HavePeer("lha")) GTEST_SKIP() << "no lha";
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/sub && seq 1 2000 > src/sub/long.txt && cd src && "
                    "lha aq ../t.lzh sub/long.txt"),
            0);
  Open(FDir + "\\t.lzh");
  const uint8_t savedShow = ShowViewDialog, savedMode = LastViewMode;
  ShowViewDialog = 0;
  LastViewMode = 1;
  Select("long.txt");
  Form->ViewClick(nullptr);
  Application->ProcessMessages();
  TAsciview* a = Form->ViewForm->Asciview;
  ASSERT_TRUE(a->Visible());
  EXPECT_EQ(RunPeer("cmp '" + FHost + "/src/sub/long.txt' '" + FHost + "/tmp/long.txt'"), 0);
  EXPECT_NE(a->RichEdit1->Text().find("1999\r\n2000"), std::string::npos);
  const int size = a->RichEdit1->Font()->Size();
  a->LargerFont();
  EXPECT_EQ(a->RichEdit1->Font()->Size(), size + 1);
  for (int i = 0; i < 100; ++i) a->SmallerFont();
  EXPECT_EQ(a->RichEdit1->Font()->Size(), 4);
  for (int i = 0; i < 100; ++i) a->LargerFont();
  EXPECT_EQ(a->RichEdit1->Font()->Size(), 73);
  a->RichEdit1->Font()->SetSize(10);
  a->CopyText();
  EXPECT_EQ(a->RichEdit1->SelLength(), 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(CF_TEXT);
  std::string clip = h ? static_cast<const char*>(GlobalLock(h)) : "";
  if (h) GlobalUnlock(h);
  CloseClipboard();
  EXPECT_EQ(clip.substr(0, 9), "1\r\n2\r\n3\r\n");
  Shot(a, "text-viewer.bmp");
  a->Close();
  Application->ProcessMessages();
  EXPECT_TRUE(Form->Enabled());
  ShowViewDialog = savedShow;
  LastViewMode = savedMode;
}

TEST(CheckoutShortcuts, LimitsAndDocuments) {
  const std::vector<std::string> entries = {"a\\readme.txt", "pic.bmp", "run.exe", "b\\readme.txt", "doc.DOC"};
  auto none = [](const std::string&) { return false; };
  using V = std::vector<std::string>;
  EXPECT_EQ(CheckoutShortcuts(entries, false, 0, none), (V{"a\\readme.txt", "pic.bmp", "run.exe", "doc.DOC"}));
  EXPECT_EQ(CheckoutShortcuts(entries, true, 0, none), V{});
  EXPECT_EQ(CheckoutShortcuts(entries, true, 50, none), (V{"a\\readme.txt", "run.exe", "doc.DOC"}));
  EXPECT_EQ(CheckoutShortcuts(entries, false, -1, none), V{});
  EXPECT_EQ(CheckoutShortcuts(entries, false, 2, none), (V{"a\\readme.txt", "pic.bmp"}));
  // With programs and documents, one already there still counts.
  auto readme = [](const std::string& E) { return ExtractFileName(E) == "readme.txt"; };
  EXPECT_EQ(CheckoutShortcuts(entries, true, 2, readme), V{"run.exe"});
  EXPECT_EQ(CheckoutShortcuts(entries, false, 2, readme), (V{"pic.bmp", "run.exe"}));
}

// The whole archive comes out as it went in, and the group's shortcuts lead
// to the extracted files.
TEST_F(EntryCommandsTest, CheckOutExtractsAndLinksTheGroup) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/docs && cd src && seq 1 3000 > readme.txt && "
                    "head -c 50000 /dev/urandom > pic.bmp && cp pic.bmp docs/run.exe && echo hi > docs/notes.doc && "
                    "zip -q -r ../Pack.zip readme.txt pic.bmp docs"),
            0);
  UseOwnProgramsFolder();
  const std::string savedBase = CheckoutBaseFolder;
  Open(FDir + "\\Pack.zip");
  CheckoutBaseFolder = "";
  Form->CheckoutFClick(nullptr);
  Application->ProcessMessages();
  TCheckOut* c = Form->CheckOutForm;
  ASSERT_TRUE(c->Visible());
  EXPECT_EQ(c->FolderName->Text(), "c:\\Pack");
  EXPECT_EQ(c->GroupName->Text(), "Pack");
  EXPECT_EQ(c->MaxIcons->Text(), "50");
  EXPECT_TRUE(c->DocOnly->Checked());
  UiDriver::SetValue(c->FolderName, FDir + "\\out\\Pack");
  UiDriver::SetValue(c->GroupName, "..\\..\\Pack Group");
  Shot(c, "checkout-dialog.bmp");
  UiDriver::Click(c->OK);
  Application->ProcessMessages();
  EXPECT_FALSE(c->Visible());
  EXPECT_TRUE(Form->Enabled());
  std::string diff;
  EXPECT_EQ(RunPeer("diff -r '" + FHost + "/src' '" + FHost + "/out/Pack'", &diff), 0) << diff;
  // The group stays one folder below the programs folder.
  const std::string group = FDir + "\\Programs\\.._.._Pack Group\\";
  EXPECT_EQ(CheckoutFolder, FDir + "\\out\\Pack\\");
  EXPECT_EQ(CheckoutProgramsFolder, group);
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].File, group);
  for (const char* e : {"readme.txt", "docs\\run.exe", "docs\\notes.doc"}) {
    const std::string link = group + ExtractFileName(e) + ".lnk";
    ASSERT_TRUE(FileExists(link)) << link;
    EXPECT_EQ(AnsiLowerCase(ResolveShellLink(link)), AnsiLowerCase(FDir + "\\out\\Pack\\" + e));
  }
  EXPECT_FALSE(FileExists(group + "pic.bmp.lnk"));

  // Again into the same group, every entry: the shortcuts there stay.
  const std::vector<uint8_t> before = ReadFile(group + "readme.txt.lnk");
  Form->CheckoutFClick(nullptr);
  Application->ProcessMessages();
  UiDriver::SetValue(c->FolderName, FDir + "\\out2");
  UiDriver::SetValue(c->GroupName, "..\\..\\Pack Group");
  UiDriver::SetValue(c->MaxIcons, "0");
  UiDriver::Click(c->DocOnly);
  UiDriver::Click(c->OK);
  Application->ProcessMessages();
  EXPECT_EQ(ReadFile(group + "readme.txt.lnk"), before);
  ASSERT_TRUE(FileExists(group + "pic.bmp.lnk"));
  EXPECT_EQ(AnsiLowerCase(ResolveShellLink(group + "pic.bmp.lnk")), AnsiLowerCase(FDir + "\\out2\\pic.bmp"));
  CheckoutBaseFolder = savedBase;
}

// Closing the program offers to delete what the check-out made; No keeps it,
// Yes deletes both folders and nothing that links inside them lead to.
TEST_F(EntryCommandsTest, CheckOutFoldersAreOfferedForDeletionOnClose) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/docs outside/deep && cd src && seq 1 300 > readme.txt && "
                    "echo hi > docs/notes.doc && zip -q -r ../Pack.zip readme.txt docs && cd .. && "
                    "echo keep > outside/keep.txt && echo keep > outside/deep/keep.txt"),
            0);
  UseOwnProgramsFolder();
  const std::string folder = FDir + "\\out\\Pack\\", group = FDir + "\\Programs\\Pack\\";
  for (const int answer : {mrNo, mrYes}) {
    SCOPED_TRACE(answer == mrYes ? "Yes" : "No");
    Open(FDir + "\\Pack.zip");
    Form->CheckoutFClick(nullptr);
    Application->ProcessMessages();
    TCheckOut* c = Form->CheckOutForm;
    UiDriver::SetValue(c->FolderName, FDir + "\\out\\Pack");
    UiDriver::SetValue(c->GroupName, "Pack");
    UiDriver::Click(c->OK);
    Application->ProcessMessages();
    ASSERT_TRUE(FileExists(folder + "docs\\notes.doc"));
    ASSERT_TRUE(FileExists(group + "readme.txt.lnk"));
    // Links that lead out of the folder, and a read-only file.
    ASSERT_EQ(RunPeer("cd '" + FHost + "/out/Pack' && ln -sfn '" + FHost + "/outside' outlink && ln -sfn '" + FHost +
                      "/outside/keep.txt' keeplink"),
              0);
    SetFileAttributesA((folder + "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    TBoxes boxes(answer);
    Form->Close();
    Application->ProcessMessages();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0], "You were using checkout feature. \rDo you want now to delete that folder and coresponding "
                              "program group?\r\r Directory: " + folder + "\r Programs directory: " + group);
    EXPECT_EQ(CheckoutFolder, "");
    // Yes: all but the links is gone (where links cannot be removed without
    // what they lead to, they stay).
    std::string left;
    RunPeer("cd '" + FHost + "' && find out/Pack Programs/Pack -mindepth 1 ! -type l 2>/dev/null | sort", &left);
    EXPECT_EQ(left.empty(), answer == mrYes) << left;
    EXPECT_EQ(FileExists(folder + "docs\\notes.doc"), answer == mrNo);
    EXPECT_EQ(DirectoryExists(FDir + "\\Programs\\Pack"), answer == mrNo);
    EXPECT_TRUE(DirectoryExists(FDir + "\\out"));
    EXPECT_TRUE(FileExists(FDir + "\\outside\\keep.txt"));
    EXPECT_TRUE(FileExists(FDir + "\\outside\\deep\\keep.txt"));
    // Once answered, a second close asks nothing.
    Form->Show();
    Application->ProcessMessages();
    Form->CloseArchiveClick(nullptr);
    EXPECT_EQ(boxes.Texts.size(), 1u);
  }
  // A drive root is never deleted.
  EXPECT_FALSE(DeleteFolderTree("C:\\"));
  EXPECT_FALSE(DeleteFolderTree("c:"));
  EXPECT_TRUE(DirectoryExists("C:\\windows"));
}

TEST_F(EntryCommandsTest, CheckOutThroughAReader) {
  if (!HavePeer("lha")) GTEST_SKIP() << "no lha";
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a && cd src && seq 1 900 > a/read.txt && echo z > z.wri && "
                    "lha aq ../t.lzh a/read.txt z.wri"),
            0);
  UseOwnProgramsFolder();
  Open(FDir + "\\t.lzh");
  Form->CheckoutFClick(nullptr);
  Application->ProcessMessages();
  TCheckOut* c = Form->CheckOutForm;
  UiDriver::SetValue(c->FolderName, FDir + "\\lz\\x");
  UiDriver::Click(c->OK);
  Application->ProcessMessages();
  std::string diff;
  EXPECT_EQ(RunPeer("diff -r '" + FHost + "/src' '" + FHost + "/lz/x'", &diff), 0) << diff;
  EXPECT_EQ(AnsiLowerCase(ResolveShellLink(FDir + "\\Programs\\t\\read.txt.lnk")),
            AnsiLowerCase(FDir + "\\lz\\x\\a\\read.txt"));
  EXPECT_TRUE(FileExists(FDir + "\\Programs\\t\\z.wri.lnk"));
}

TEST(DropSource, AnswersOfTheDragLoop) {
  auto* s = new IMyDropSource;
  EXPECT_EQ(s->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(s->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(s->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
  EXPECT_EQ(s->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(s->QueryInterface(IID_IDataObject, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  ASSERT_EQ(s->QueryInterface(IID_IDropSource, &p), S_OK);
  EXPECT_EQ(p, static_cast<IDropSource*>(s));
  EXPECT_EQ(s->Release(), 1u);
  EXPECT_EQ(s->Release(), 0u);
}

// The data object of a drag holds the files extracted into Temp, and they
// hold what the peer put in.
TEST_F(EntryCommandsTest, DragOutHandsOverTheExtractedFiles) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/sub && cd src && seq 1 4000 > one.txt && "
                    "head -c 40000 /dev/urandom > sub/two.bin && zip -q -r ../d.zip one.txt sub"),
            0);
  Form->SetExplorerStyle(true);
  Open(FDir + "\\d.zip");
  std::vector<std::vector<std::string>> drags;
  DoDragDropHandler = [&](IDataObject* Data, IDropSource* Source, DWORD Allowed, DWORD* Effect) {
    drags.push_back(DroppedFileNames(Data));
    EXPECT_EQ(Allowed, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(Source->QueryContinueDrag(TRUE, 0), DRAGDROP_S_CANCEL);
    *Effect = DROPEFFECT_NONE;
    return DRAGDROP_S_CANCEL;
  };
  // A folder alone is never dragged; without the left button nothing starts.
  Select("sub\\");
  Form->FileListMouseMove(ssLeft);
  Select("one.txt");
  Form->FileListMouseMove(0);
  EXPECT_TRUE(drags.empty());
  Form->FileListMouseMove(ssLeft);
  ASSERT_EQ(drags.size(), 1u);
  EXPECT_EQ(drags[0], std::vector<std::string>{FDir + "\\tmp\\one.txt"});
  EXPECT_EQ(DragOutRunning, 0);
  EXPECT_EQ(RunPeer("cmp '" + FHost + "/src/one.txt' '" + FHost + "/tmp/one.txt'"), 0);
  // Inside the folder: its file, extracted without the folder.
  Form->ChangeFolder("sub\\");
  Select("two.bin");
  Form->FileListMouseMove(ssLeft);
  ASSERT_EQ(drags.size(), 2u);
  EXPECT_EQ(drags[1], std::vector<std::string>{FDir + "\\tmp\\two.bin"});
  EXPECT_EQ(RunPeer("cmp '" + FHost + "/src/sub/two.bin' '" + FHost + "/tmp/two.bin'"), 0);
  DoDragDropHandler = nullptr;
  Form->CloseArchiveClick(nullptr);
  EXPECT_FALSE(FileExists(FDir + "\\tmp\\one.txt"));
  Form->SetExplorerStyle(false);
}

// Dropped folders and files go into the open Zip archive; with a password
// every added entry, the folders' too, is encrypted (checked by the peers).
TEST_F(EntryCommandsTest, DropAddsFoldersAndFilesEncrypted) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/fold/sub && cd src && seq 1 3000 > fold/a.txt && "
                    "head -c 60000 /dev/urandom > fold/sub/b.bin && echo loose > c.txt && echo x > x.txt && "
                    "zip -q ../base.zip x.txt"),
            0);
  Open(FDir + "\\base.zip");
  std::vector<std::string> answers = {"a", "b", "pw", "pw"};
  size_t asked = 0;
  PasswordPrompt = [&](const std::string&) { return asked < answers.size() ? answers[asked++] : std::string(); };
  Form->FileDrag1Drop({FDir + "\\src\\c.txt"});
  Application->ProcessMessages();
  TDragForm* d = Form->DragForm;
  ASSERT_TRUE(d->Visible());
  EXPECT_EQ(d->Label1->Caption(), "File dragged: " + FDir + "\\src\\c.txt");
  EXPECT_EQ(d->Edit1->Text(), FDir + "\\base.zip");
  EXPECT_TRUE(d->Button1->Enabled());
  EXPECT_FALSE(d->CheckBox3->Enabled());
  EXPECT_TRUE(d->FlatButton1->Enabled());
  EXPECT_EQ(d->ComboBox1->Items()->Count(), 4);
  d->Close();
  Application->ProcessMessages();
  Form->FileDrag1Drop({FDir + "\\src\\fold", FDir + "\\src\\c.txt", FDir + "\\src\\x.txt"});
  Application->ProcessMessages();
  EXPECT_EQ(d->Label1->Caption(), "Files dragged: 3");
  d->Close();
  Application->ProcessMessages();
  Form->FileDrag1Drop({FDir + "\\src\\fold", FDir + "\\src\\c.txt"});
  Application->ProcessMessages();
  UiDriver::Click(d->FlatButton1);  // "a" then "b": ignored
  EXPECT_EQ(d->Password(), "");
  UiDriver::Click(d->FlatButton1);
  EXPECT_EQ(d->Password(), "pw");
  Shot(d, "drag-and-drop-dialog.bmp");
  UiDriver::Click(d->Button1);
  Application->ProcessMessages();
  EXPECT_FALSE(d->Visible());
  EXPECT_TRUE(Form->Enabled());
  PasswordPrompt = nullptr;
  std::string out;
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && python3 -c \"\nimport zipfile\nz=zipfile.ZipFile('base.zip')\n"
                    "print(' '.join(sorted(i.filename + ':' + str(i.flag_bits & 1) for i in z.infolist())))\"",
                    &out),
            0);
  EXPECT_EQ(Trim(out), "a.txt:1 c.txt:1 sub/b.bin:1 x.txt:0");
  std::string test;
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && unzip -P pw -tq base.zip && mkdir -p chk && cd chk && unzip -P pw -q ../base.zip && "
                    "cmp a.txt ../src/fold/a.txt && cmp sub/b.bin ../src/fold/sub/b.bin && cmp c.txt ../src/c.txt",
                    &test),
            0)
      << test;
  EXPECT_EQ(AnsiLowerCase(ArchiveName), AnsiLowerCase(FDir + "\\base.zip"));
  EXPECT_EQ(FileCount, 4);
}

TEST_F(EntryCommandsTest, DropOnAnLzhArchive) {
  if (!HavePeer("lha")) GTEST_SKIP() << "no lha";
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/fold/sub && cd src && seq 1 3000 > fold/a.txt && "
                    "seq 5 900 > fold/sub/b.txt && echo x > x.txt && lha aq ../t.lzh x.txt"),
            0);
  Open(FDir + "\\t.lzh");
  Form->FileDrag1Drop({FDir + "\\src\\fold"});
  Application->ProcessMessages();
  TDragForm* d = Form->DragForm;
  EXPECT_TRUE(d->CheckBox3->Enabled());
  EXPECT_TRUE(d->CheckBox3->Checked());
  EXPECT_FALSE(d->FlatButton1->Enabled());
  EXPECT_EQ(d->ComboBox2->Items()->Count(), 3);
  UiDriver::Click(d->Button1);
  Application->ProcessMessages();
  std::string out;
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && lha tq t.lzh && mkdir -p chk && cd chk && lha xq ../t.lzh && "
                    "cmp a.txt ../src/fold/a.txt && cmp b.txt ../src/fold/sub/b.txt && cmp x.txt ../src/x.txt",
                    &out),
            0)
      << out;
}

}  // namespace
