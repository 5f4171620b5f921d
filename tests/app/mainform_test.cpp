#include "app/mainform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "app/favorites.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/rowcache.h"
#include "app/diskbrowser.h"
#include "controls/views/gradcaption.h"
#include "controls/commands/flatbutton.h"
#include "controls/views/placement.h"
#include "framework/ui/registry.h"
#include "archive/formats/gzip/ungzip.h"
#include "framework/core/sysutils.h"
#include "framework/ui/testdriver.h"
#include "framework/ui/winapi.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

// 2021-03-04 05:06:08 in DOS form.
constexpr int32_t SampleDosDate = (((2021 - 1980) << 9 | 3 << 5 | 4) << 16) | (5 << 11 | 6 << 5 | 4);

// The program's parameters and the temporary folder for one test.
class TStartState {
 public:
  TStartState() {
    for (int i = 1; i <= Application->ParamCount(); ++i) FParams.push_back(Application->ParamStr(i));
    for (const char* v : {"TMP", "TEMP"}) {
      char buf[MAX_PATH] = {};
      const DWORD n = GetEnvironmentVariableA(v, buf, MAX_PATH);
      FEnv.emplace_back(v, n ? std::optional<std::string>(buf) : std::nullopt);
    }
  }
  ~TStartState() {
    Application->SetParams(FParams);
    for (const auto& [name, value] : FEnv) SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
  }
  void SetTemp(const std::string& Folder) {
    SetEnvironmentVariableA("TMP", Folder.c_str());
    SetEnvironmentVariableA("TEMP", Folder.c_str());
  }

 private:
  std::vector<std::string> FParams;
  std::vector<std::pair<std::string, std::optional<std::string>>> FEnv;
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
    FDir = TempDir();
    FHost = HostPath(FDir);
    // The sort marks and the entry icons are read from the program's
    // folder, as morv.exe's are.
    for (const char* icon : {"up.ico", "down.ico", "exe.ico", "readme.ico", "INSTALL.ico"})
      if (!FileExists(ProgramFolder() + icon))
        WriteFile(ProgramFolder() + icon,
                  ReadFile(LocalPath(std::string(MORV_SOURCE_DIR) + "/app/resources/" + icon)));
    // Each test starts from no stored window placement.
    TRegistry().DeleteKey("\\" + DefaultRegistryKey() + "\\TMainForm");
    Form.reset(new TMainForm(Application));
    OtherFoldersPolicy = 0;  // no favourites question from a file another test left
    Form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    Form.reset();
    Application->ProcessMessages();
  }

  // d.txt (3,000 bytes of text) and a/b/c.txt (1,000 bytes) in src/, dated
  // SampleDosDate.
  void MakeSourceTree() {
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a/b"), 0);
    WriteFile(FDir + "\\src\\d.txt", TextData(3000, 7));
    WriteFile(FDir + "\\src\\a\\b\\c.txt", TextData(1000, 9));
    ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && touch -d '2021-03-04 05:06:08' d.txt a/b/c.txt"), 0);
  }

  // The display style On, applied as the View menu applies it.
  void UseExplorerStyle(bool On) {
    ExplorerStyle = On ? 0 : 1;
    Form->SetExplorerStyle(On);
  }

  void Open(const std::string& Name) {
    Form->OpenArchiveFile(Name);
    Form->FillFileList();
  }

  const TFile* Find(const std::string& Name) {
    for (const TFile& f : FileTable)
      if (f.Name == Name) return &f;
    return nullptr;
  }

  std::string RowText(int Row, int Column) {
    wchar_t buf[512] = {};
    LVITEMW item = {};
    item.iSubItem = Column;
    item.pszText = buf;
    item.cchTextMax = 512;
    SendMessageW(Form->FileList->Handle(), LVM_GETITEMTEXTW, WPARAM(Row), LPARAM(&item));
    return Narrow(buf);
  }

  HWND List() { return Form->FileList->Handle(); }
  int ListCount() { return int(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
  HWND Header() { return reinterpret_cast<HWND>(SendMessageW(List(), LVM_GETHEADER, 0, 0)); }

  // A double click on a row (selected alone first, as the first click of
  // the pair does), as the list view gets it from the mouse.
  void DoubleClickRow(int Row) {
    Form->SetRowSelected(-1, false);
    Form->SetRowSelected(Row, true);
    RECT r = {};
    r.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageW(List(), LVM_GETITEMRECT, WPARAM(Row), LPARAM(&r)));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(List(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    Application->ProcessMessages();
  }

  // Enter on a row selected alone and focused.
  void PressEnterOn(int Row) {
    Form->SetRowSelected(-1, false);
    Form->FileList->SetItemStateByIndex(Row, LVISBit(lvisSelected) | LVISBit(lvisFocused), true);
    SendMessageW(List(), WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(List(), WM_KEYUP, VK_RETURN, 0);
    Application->ProcessMessages();
  }

  // A mouse click on a column header, pressed and released in its middle.
  void ClickColumn(int Column) {
    RECT r = {};
    ASSERT_TRUE(SendMessageW(Header(), HDM_GETITEMRECT, WPARAM(Column), LPARAM(&r)));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(Header(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(Header(), WM_LBUTTONUP, 0, at);
    Application->ProcessMessages();
  }

  // The sort mark a column header shows: 1 up, -1 down, 0 none. The arrow
  // icons when the shell gives them, else the header's own marks.
  int HeaderMark(int Column) {
    HDITEMW item = {};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    SendMessageW(Header(), HDM_GETITEMW, WPARAM(Column), LPARAM(&item));
    int mark = 0, marks = 0;
    if ((item.fmt & HDF_IMAGE) && item.iImage >= 0) {
      mark = item.iImage == UpIconIndex ? 1 : item.iImage == DownIconIndex ? -1 : 9;
      ++marks;
    }
    if (item.fmt & HDF_SORTUP) mark = 1, ++marks;
    if (item.fmt & HDF_SORTDOWN) mark = -1, ++marks;
    return marks > 1 ? 9 : mark;
  }

  std::unique_ptr<TMainForm> Form;
  std::string FDir, FHost;
};

TEST_F(MainFormTest, StartsInTheNoArchiveState) {
  EXPECT_EQ(Form->WindowClassName(), "TMainForm");
  EXPECT_EQ(Form->Caption(), "Quillon 2000");
  EXPECT_EQ(Form->SPanel1->Caption(), "Choose \"New\" to create or \"Open\" to open an archive.");
  EXPECT_TRUE(Form->LedOn->LedOn());
  EXPECT_FALSE(Form->LedOff->LedOn());
  EXPECT_FALSE(Form->FileList->Enabled());
  EXPECT_EQ(TipCount, 28);
  EXPECT_EQ(TipTexts[27].substr(0, 30), "Test the integrity of ZIP arch");
  // The window cannot be made smaller than 259 x 200.
  SetWindowPos(Form->Handle(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
  RECT r;
  GetWindowRect(Form->Handle(), &r);
  EXPECT_GE(r.right - r.left, 259);
  EXPECT_GE(r.bottom - r.top, 200);
}

struct PeerCase {
  const char* Peer;
  const char* Archive;
  const char* Command;  // run in src/
  const char* Ext;
  bool HasFolders;
};

TEST_F(MainFormTest, ArchivesOfPeersFillTheTable) {
  MakeSourceTree();
  const PeerCase cases[] = {
      {"zip", "t.zip", "zip -q -r ../t.zip d.txt a", ".zip", true},
      {"zip", "t.jar", "zip -q -r ../t.jar d.txt a", ".zip", true},
      {"tar", "t.tar", "tar cf ../t.tar d.txt a/b/c.txt", ".tar", true},
      {"lha", "t.lzh", "lha aq ../t.lzh d.txt a/b/c.txt", ".lzh", true},
      {"arj", "t.arj", "arj a -r ../t.arj d.txt a/b/c.txt >/dev/null", ".arj", true},
      {"gzip", "d.txt.gz", "gzip -c d.txt > ../d.txt.gz", ".gz", false},
      {"gcab", "t.cab", "gcab -c ../t.cab d.txt", ".cab", false},
  };
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);
  for (const PeerCase& c : cases) {
    SCOPED_TRACE(c.Archive);
    if (!HavePeer(c.Peer)) continue;
    ASSERT_EQ(RunPeer(std::string("cd '") + FHost + "/src' && " + c.Command), 0);
    Open(FDir + "\\" + c.Archive);
    ASSERT_EQ(ArchiveName, FDir + "\\" + c.Archive);
    EXPECT_EQ(ArchiveExt, c.Ext);
    const TFile* d = Find("d.txt");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Path, "");
    EXPECT_EQ(d->SizeText, "3000");
    if (std::string(c.Ext) == ".cab") {
      EXPECT_EQ(d->PackedText, "?");
      EXPECT_EQ(d->RatioText, "?");
    } else {
      const int64_t packed = std::stoll(d->PackedText);
      EXPECT_GT(packed, 0);
      EXPECT_EQ(d->RatioText, RatioText(packed, 3000));
    }
    // gzip keeps no DOS date of its own; the ARJ walk gives 1980 (reported).
    if (std::string(c.Ext) != ".gz" && std::string(c.Ext) != ".arj") {
      EXPECT_EQ(d->FileDate, SampleDosDate);
    }
    if (c.HasFolders) {
      const TFile* cf = Find("c.txt");
      ASSERT_NE(cf, nullptr);
      EXPECT_EQ(cf->Path, "a\\b\\");
      EXPECT_EQ(cf->SizeText, "1000");
      EXPECT_EQ(FileCount, 2);
      EXPECT_EQ(ArchiveFileCount, 2);
    }
    EXPECT_EQ(ListCount(), FileCount);
    EXPECT_EQ(Form->Caption(), "Quillon 2000 - " + AnsiLowerCase(c.Archive));
    EXPECT_TRUE(Form->FileList->Enabled());
    // The format's rules, for commands whose work is there.
    EXPECT_EQ(Form->ExtractFiles->Enabled(), bool(Form->ExtractFiles->OnClick));
    EXPECT_EQ(Form->AddFiles->Enabled(), (std::string(c.Ext) == ".zip" || std::string(c.Ext) == ".lzh" ||
                                          std::string(c.Ext) == ".cab") &&
                                             bool(Form->AddFiles->OnClick));
    // Delete is offered where entries can be taken out; a cabinet cannot be
    // rewritten without them, so there it is greyed, menu and button alike.
    const bool deletable = std::string(c.Ext) == ".zip" || std::string(c.Ext) == ".lzh";
    EXPECT_EQ(Form->DeleteFiles->Enabled(), deletable);
    EXPECT_EQ(Form->ToolButtons[6]->Enabled(), deletable);
    // Every format's listing can be exported and printed.
    TMenuItem* print = Form->File1->Find("Print file listing ...");
    ASSERT_NE(print, nullptr);
    EXPECT_TRUE(print->Enabled());
    EXPECT_TRUE(Form->ToolButtons[4]->Enabled());
    EXPECT_TRUE(Form->LedOn->LedOn());
    EXPECT_EQ(Form->SPanel2->Caption().substr(0, 6), "Total ");
  }
  Form->CloseArchiveClick(nullptr);
  EXPECT_FALSE(Form->File1->Find("Print file listing ...")->Enabled());
  EXPECT_FALSE(Form->ToolButtons[4]->Enabled());
}

TEST_F(MainFormTest, TgzIsListedThroughATarInTheTempFolder) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && mkdir ../tmp && tar czf ../t.tgz d.txt a/b/c.txt && "
                    "tar cf inner.tar d.txt && gzip -c inner.tar > ../named.tgz && mv inner.tar inner && "
                    "gzip -c inner > ../plain.tgz && cp ../t.tgz ../bad.tgz && "
                    "printf 'XXXXXXXXXXXXXXXX' | dd of=../bad.tgz bs=1 seek=200 conv=notrunc 2>/dev/null"),
            0);
  TStartState state;
  state.SetTemp(FDir + "\\tmp");
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);
  Open(FDir + "\\t.tgz");
  EXPECT_EQ(ArchiveExt, ".tar");
  EXPECT_EQ(ArchiveName, FDir + "\\tmp\\t.tar");
  EXPECT_EQ(ActiveExtractor, static_cast<TUnBase*>(Form->UnGZIP1));
  ASSERT_EQ(FileCount, 2);
  ASSERT_NE(Find("c.txt"), nullptr);
  EXPECT_EQ(Find("d.txt")->SizeText, "3000");
  std::string out;
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && gzip -dc t.tgz | cmp - tmp/t.tar && echo same", &out), 0);
  EXPECT_EQ(Trim(out), "same");

  // The name the gzip member keeps; without ".tar" it gets one, replacing
  // an earlier TAR of that name.
  Open(FDir + "\\named.tgz");
  EXPECT_EQ(ArchiveName, FDir + "\\tmp\\inner.tar");
  EXPECT_EQ(FileCount, 1);
  Open(FDir + "\\plain.tgz");
  EXPECT_EQ(ArchiveName, FDir + "\\tmp\\inner.tar");
  EXPECT_FALSE(FileExists(FDir + "\\tmp\\inner"));
  ASSERT_EQ(FileCount, 1);
  EXPECT_EQ(FileTable[0].Name, "d.txt");

  // Damaged data leaves no TAR behind; the file is listed as gzip.
  Open(FDir + "\\bad.tgz");
  EXPECT_EQ(ArchiveExt, ".gz");
  EXPECT_EQ(ArchiveName, FDir + "\\bad.tgz");
  EXPECT_FALSE(FileExists(FDir + "\\tmp\\bad.tar"));
  EXPECT_FALSE(FileExists(FDir + "\\tmp\\bad"));
}

TEST_F(MainFormTest, EntryNamesNeverBecomeFiles) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir tmp src && echo x > src/a.qqzz && echo y > src/README && "
                    "cd src && zip -q ../t.zip a.qqzz README"),
            0);
  Temp = FDir + "\\tmp\\";
  Open(FDir + "\\t.zip");
  ASSERT_EQ(FileCount, 2);
  std::string out;
  RunPeer("ls -A '" + FHost + "/tmp'", &out);
  EXPECT_EQ(out, "");  // icons come from the shell by attributes alone
}

TEST_F(MainFormTest, OpeningKeepsTheRecentListAndTheFavouriteFolders) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && echo x > x && for n in 1 2 3; do zip -q a$n.zip x; done"), 0);
  ActiveFile1 = ActiveFile2 = ActiveFile3 = ActiveFile4 = ActiveFile5 = "";
  FavoriteFolders.clear();
  FavoriteCount = 0;
  OtherFoldersPolicy = 0;
  for (const char* n : {"a1.zip", "a2.zip", "a3.zip"}) Open(FDir + "\\" + n);
  EXPECT_EQ(ActiveFile1, FDir + "\\a3.zip");
  EXPECT_EQ(ActiveFile3, FDir + "\\a1.zip");
  EXPECT_TRUE(Form->HistoryItems[2]->Visible());
  EXPECT_FALSE(Form->HistoryItems[3]->Visible());
  // The third entry comes to the front; the former first takes its slot.
  Open(FDir + "\\A1.ZIP");
  EXPECT_EQ(ActiveFile1, FDir + "\\a1.zip");
  EXPECT_EQ(ActiveFile2, FDir + "\\a2.zip");
  EXPECT_EQ(ActiveFile3, FDir + "\\a3.zip");
  // The archives' folder was added to the favourites once.
  ASSERT_EQ(FavoriteCount, 1);
  EXPECT_EQ(FavoriteFolders[0], FDir + "\\");
  EXPECT_EQ(LastOpenDir, FDir + "\\");

  FavoriteFolders.clear();
  FavoriteCount = 0;
  OtherFoldersPolicy = 2;
  Open(FDir + "\\a2.zip");
  EXPECT_EQ(FavoriteCount, 0);
  OtherFoldersPolicy = 0;
}

TEST_F(MainFormTest, ZipPackedSizesMatchZipinfo) {
  if (!HavePeer("zipinfo")) GTEST_SKIP() << "no zipinfo";
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -9 ../t.zip d.txt a/b/c.txt"), 0);
  std::string out;
  ASSERT_EQ(RunPeer("zipinfo -l '" + FHost + "/t.zip' d.txt | awk 'NR==1{print $6}'", &out), 0);
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);
  Open(FDir + "\\t.zip");
  const TFile* d = Find("d.txt");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->PackedText, Trim(out));
  // The list shows the table: sizes with separators, the date, the ratio.
  int row = -1;
  for (int r = 0; r < FileCount; ++r)
    if (FileTable[size_t(r)].Name == "d.txt") row = r;
  ASSERT_GE(row, 0);
  EXPECT_EQ(RowText(row, 0), "d.txt");
  EXPECT_EQ(RowText(row, 2), InsertThousandSeparators("3000"));
  EXPECT_EQ(RowText(row, 3), d->RatioText);
  EXPECT_NE(RowText(row, 1).find("2021"), std::string::npos);
  EXPECT_EQ(RowText(row, 5), "");

  // An encrypted entry is marked with "+".
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -P secret ../e.zip d.txt"), 0);
  Open(FDir + "\\e.zip");
  ASSERT_EQ(FileCount, 1);
  EXPECT_EQ(FileTable[0].Encrypted, 1);
  EXPECT_EQ(RowText(0, 0), "d.txt+");
}

TEST_F(MainFormTest, ExplorerStyleShowsOneFolderAtATime) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../t.zip a d.txt"), 0);
  ExplorerStyle = 0;
  Form->SetExplorerStyle(true);
  Open(FDir + "\\t.zip");
  ASSERT_EQ(FileCount, 2);
  EXPECT_EQ(RowText(0, 0), "a");
  EXPECT_EQ(RowText(0, 2), "SUB-DIR");
  EXPECT_EQ(RowText(1, 0), "d.txt");
  EXPECT_TRUE(Form->TreeView1->Visible());
  EXPECT_EQ(Form->TreeView1->Items()->Count(), 3);  // t.zip, a, b
  EXPECT_EQ(Form->TreeView1->Items()->Item(0)->Text(), "t.zip");

  // A double click on the folder goes into it: the folder "b" and the
  // parent entry, which leads back (here with Enter).
  DoubleClickRow(0);
  EXPECT_EQ(CurrentFolder, "a\\");
  ASSERT_EQ(FileCount, 2);
  EXPECT_EQ(FileTable[0].Name, "..\\");
  EXPECT_EQ(RowText(0, 0), "..");
  EXPECT_EQ(RowText(0, 2), "UP---DIR");
  EXPECT_EQ(RowText(1, 0), "b");
  EXPECT_EQ(RowText(1, 2), "SUB-DIR");
  EXPECT_EQ(ListCount(), 2);
  EXPECT_EQ(Form->TreeView1->Selected()->Text(), "a");
  PressEnterOn(0);
  EXPECT_EQ(CurrentFolder, "\\");
  ASSERT_EQ(FileCount, 2);
  EXPECT_EQ(RowText(0, 0), "a");
  EXPECT_EQ(RowText(1, 0), "d.txt");
  // Enter on a file opens no folder.
  PressEnterOn(1);
  EXPECT_EQ(CurrentFolder, "\\");
  DoubleClickRow(0);
  EXPECT_EQ(CurrentFolder, "a\\");

  // Choosing a node of the tree goes there.
  Form->TreeView1->SetSelected(Form->TreeView1->Items()->Item(2));
  Application->ProcessMessages();
  EXPECT_EQ(CurrentFolder, "a\\b\\");
  ASSERT_EQ(FileCount, 2);
  EXPECT_EQ(FileTable[1].Name, "c.txt");
  EXPECT_NE(Form->SPanel2->Caption().find("; 2 dirs"), std::string::npos) << Form->SPanel2->Caption();
}

TEST_F(MainFormTest, ColumnClicksFollowTheSortCodes) {
  MakeSourceTree();
  WriteFile(FDir + "\\src\\big.txt", TextData(9000, 3));
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip d.txt big.txt a/b/c.txt"), 0);
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);
  SortOrder = 8;
  Open(FDir + "\\t.zip");
  // Arrow icons that cannot be told apart are not used.
  EXPECT_TRUE(UpIconIndex < 0 || UpIconIndex != DownIconIndex) << UpIconIndex;
  EXPECT_EQ(UpIconIndex < 0, DownIconIndex < 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(HeaderMark(i), 0) << "column " << i;
  // Up: the order the column reads top down is ascending; the size,
  // packed, ratio and date keys sort largest first.
  struct {
    int Column;
    int Code;
    const char* First;
    bool Up;
  } clicks[] = {
      {0, 1, "big.txt", true},  {0, 10, "d.txt", false}, {0, 1, "big.txt", true},  {2, 4, "big.txt", false},
      {2, 13, "c.txt", true},   {5, 2, "big.txt", true},  {5, 11, "c.txt", false}, {4, 5, "big.txt", false},
      {4, 14, "c.txt", true},   {1, 7, "big.txt", false}, {1, 16, nullptr, true},  {3, 6, nullptr, false},
      {3, 15, nullptr, true},
  };
  for (const auto& c : clicks) {
    SCOPED_TRACE("column " + std::to_string(c.Column) + ", code " + std::to_string(c.Code));
    ClickColumn(c.Column);
    EXPECT_EQ(SortOrder, c.Code);
    if (c.First) {
      EXPECT_EQ(FileTable[0].Name, c.First);
      EXPECT_EQ(RowText(0, 0), c.First);
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(HeaderMark(i), i == c.Column ? (c.Up ? 1 : -1) : 0) << "header " << i;
  }
  // Resizing the marked column by its divider keeps the mark.
  RECT r = {};
  ASSERT_TRUE(SendMessageW(Header(), HDM_GETITEMRECT, 3, LPARAM(&r)));
  const int y = (r.top + r.bottom) / 2;
  SendMessageW(Header(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right - 1, y));
  SendMessageW(Header(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(r.right + 20, y));
  SendMessageW(Header(), WM_LBUTTONUP, 0, MAKELPARAM(r.right + 20, y));
  Application->ProcessMessages();
  EXPECT_EQ(SortOrder, 15);
  EXPECT_EQ(HeaderMark(3), 1);
  // Original order and type show no mark.
  Form->SortClick(8);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(HeaderMark(i), 0) << "column " << i;
  Form->SortClick(1);
  Form->SortClick(3);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(HeaderMark(i), 0) << "column " << i;
  // The sort pop-up checks the item of the order, reversed or not.
  SortOrder = 13;
  Form->SortPopUp->OnPopup(Form->SortPopUp);
  EXPECT_TRUE(Form->PSortItems[3]->Checked());
  EXPECT_FALSE(Form->PSortItems[0]->Checked());
}

TEST_F(MainFormTest, SelectionStatusFollowsTheList) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip d.txt a/b/c.txt"), 0);
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);
  AsWebPage = 1;
  Open(FDir + "\\t.zip");
  const LRESULT ex = SendMessageW(Form->FileList->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(ex & LVS_EX_HEADERDRAGDROP);
  EXPECT_TRUE(ex & LVS_EX_ONECLICKACTIVATE);
  AsWebPage = 0;
  Form->RefreshClick(nullptr);
  EXPECT_FALSE(SendMessageW(Form->FileList->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_ONECLICKACTIVATE);
  EXPECT_EQ(Form->SPanel1->Caption(), "No file(s) selected.");
  EXPECT_EQ(Form->FileList->PopupMenu(), Form->SortPopUp);
  Form->SetRowSelected(0, true);
  Form->SetRowSelected(1, true);
  Application->ProcessMessages();
  EXPECT_EQ(Form->SPanel1->Caption(), "Selected 2 files, 4 kB");
  EXPECT_EQ(Form->FileList->PopupMenu(), Form->FilePopUp);
  EXPECT_EQ(FileTable[0].Selected, 1);

  // The Edit menu's selection commands act on the rows of the list.
  auto command = [&](const char* Name) {
    UiDriver::Find<TMenuItem>(Form.get(), Name)->Click();
    Application->ProcessMessages();
    return Form->SelectedRows();
  };
  EXPECT_EQ(command("UnselectAll"), std::vector<int>{});
  EXPECT_EQ(Form->SPanel1->Caption(), "No file(s) selected.");
  Form->SetRowSelected(1, true);
  EXPECT_EQ(command("InvertSelection"), std::vector<int>{0});
  EXPECT_EQ(FileTable[0].Selected, 1);
  EXPECT_EQ(FileTable[1].Selected, 0);
  EXPECT_EQ(command("SelectAll"), (std::vector<int>{0, 1}));
  EXPECT_EQ(Form->SPanel1->Caption(), "Selected 2 files, 4 kB");
}

// Answers the next message box with Result (OK by default) and keeps its
// text.
struct TMessageCatcher {
  explicit TMessageCatcher(int Result = mrOk) {
    Answer.Then([this, Result](HWND, TCustomForm* F) {
      if (!F) return false;
      Captions.push_back(F->Caption());
      Texts.push_back(UiDriver::Find<TLabel>(F, "Message")->Caption());
      F->SetModalResult(Result);
      return true;
    });
  }
  UiDriver::TModalAnswerer Answer;
  std::vector<std::string> Texts, Captions;
};

TEST_F(MainFormTest, UnknownFilesAndTooLargeArchivesAreRefused) {
  WriteFile(FDir + "\\junk.xyz", TextData(500, 1));
  {
    TMessageCatcher box;
    Open(FDir + "\\junk.xyz");
    ASSERT_EQ(box.Texts.size(), 1u);
    EXPECT_EQ(box.Captions[0], "Quillon 2000");
    EXPECT_NE(box.Texts[0].find("cannot open this file"), std::string::npos) << box.Texts[0];
  }
  EXPECT_EQ(ArchiveName, "");
  EXPECT_EQ(Form->Caption(), "Quillon 2000");

  // One entry more than the table holds; stored empty files keep it quick.
  ASSERT_EQ(RunPeer("python3 -c \"import zipfile\nz=zipfile.ZipFile('" + FHost +
                    "/big.zip','w')\nfor i in range(50001): z.writestr('d%d/f%d.txt' % (i % 7, i), '')\nz.close()\""),
            0);
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);
  {
    TMessageCatcher box;
    Open(FDir + "\\big.zip");
    ASSERT_EQ(box.Texts.size(), 1u);
    EXPECT_NE(box.Texts[0].find("50,000"), std::string::npos) << box.Texts[0];
  }
  EXPECT_EQ(ArchiveName, "");
  EXPECT_EQ(FileCount, 0);
  EXPECT_EQ(ListCount(), 0);
}

// The window comes back where it was closed; the title bar names the open
// archive in its second part and the program's title follows.
TEST_F(MainFormTest, PlacementIsKeptAndTheCaptionNamesTheArchive) {
  SetWindowPos(Form->Handle(), nullptr, 33, 44, 611, 433, SWP_NOZORDER);
  Application->ProcessMessages();
  Form->Close();
  Application->ProcessMessages();
  Form.reset(new TMainForm(Application));
  OtherFoldersPolicy = 0;  // no favourites question from a file another test left
  Form->Show();
  Application->ProcessMessages();
  RECT r;
  GetWindowRect(Form->Handle(), &r);
  EXPECT_EQ(r.left, 33);
  EXPECT_EQ(r.top, 44);
  EXPECT_EQ(r.right - r.left, 611);
  EXPECT_EQ(r.bottom - r.top, 433);

  ASSERT_EQ(Form->GradientCaption1->Captions()->Count(), 2);
  EXPECT_EQ(Form->GradientCaption1->Captions()->Items(0)->Caption(), "Quillon 2000");
  EXPECT_EQ(Form->GradientCaption1->Captions()->Items(1)->Caption(), "");
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && echo x > x && zip -q A.zip x"), 0);
  Open(FDir + "\\A.zip");
  EXPECT_EQ(Form->GradientCaption1->Captions()->Items(1)->Caption(), " - a.zip");
  EXPECT_EQ(Application->Title(), "Quillon 2000 - a.zip");
  // The painted title is the two parts alone; the window's own text stays whole.
  EXPECT_EQ(Form->GradientCaption1->FormCaption(), "");
  EXPECT_EQ(Form->Caption(), "Quillon 2000 - a.zip");
  Form->CloseArchiveClick(nullptr);
  EXPECT_EQ(Form->GradientCaption1->Captions()->Items(1)->Caption(), "");
  EXPECT_EQ(Application->Title(), "Quillon 2000");
}

// What cannot be read says so and changes nothing: not the open archive,
// not its list, not the recent list.
TEST_F(MainFormTest, UnreadableArchivesKeepTheOpenOne) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../good.zip d.txt a"), 0);
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && head -c 1500 good.zip > cut.zip && head -c 3000 /dev/urandom > noise.zip"
                    " && head -c 3000 /dev/urandom > noise.lha && cp noise.zip broken.zip"),
            0);
  ActiveFile1 = ActiveFile2 = ActiveFile3 = ActiveFile4 = ActiveFile5 = "";
  Open(FDir + "\\good.zip");
  ASSERT_EQ(FileCount, 2);
  const std::string caption = Form->Caption();
  const char* const bad[] = {"missing.zip", "cut.zip", "noise.zip", "missing.rar", "noise.lha"};
  for (const char* name : bad) {
    SCOPED_TRACE(name);
    const std::string path = FDir + "\\" + name;
    TMessageCatcher box;
    EXPECT_FALSE(Form->OpenArchiveFile(path));
    ASSERT_EQ(box.Texts.size(), 1u);
    EXPECT_EQ(box.Texts[0].substr(0, path.size()), path);
    EXPECT_GT(box.Texts[0].size(), path.size() + 2);
    EXPECT_EQ(ArchiveName, FDir + "\\good.zip");
    EXPECT_EQ(ArchiveExt, ".zip");
    EXPECT_EQ(Form->Caption(), caption);
    EXPECT_EQ(FileCount, 2);
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(ActiveFile1, FDir + "\\good.zip");
    EXPECT_EQ(ActiveFile2, "");
  }
  // The list still reads the open archive.
  Form->RefreshClick(nullptr);
  EXPECT_EQ(FileCount, 2);
  ASSERT_NE(Find("d.txt"), nullptr);

  // A recent entry that went bad leaves the list; the open archive stays.
  ActiveFile2 = FDir + "\\broken.zip";
  Form->UpdateHistoryMenu();
  {
    TMessageCatcher box;
    Form->HistoryItems[1]->Click();
    EXPECT_EQ(box.Texts.size(), 1u);
  }
  EXPECT_EQ(ActiveFile1, FDir + "\\good.zip");
  EXPECT_EQ(ActiveFile2, "");
  EXPECT_EQ(ArchiveName, FDir + "\\good.zip");
  EXPECT_EQ(FileCount, 2);
  EXPECT_FALSE(Form->HistoryItems[1]->Visible());

  // With nothing open, nothing opens.
  Form->CloseArchiveClick(nullptr);
  {
    TMessageCatcher box;
    EXPECT_FALSE(Form->OpenArchiveFile(FDir + "\\cut.zip"));
  }
  EXPECT_EQ(ArchiveName, "");
  EXPECT_EQ(Form->Caption(), "Quillon 2000");
}

// Every command that does nothing yet is greyed out, in every state; the
// File menu has no blank rows whatever the recent list holds.
TEST_F(MainFormTest, IdleCommandsAreGreyAndMenusHaveNoBlankRows) {
  auto checkIdle = [&](TMenuItem* Parent, auto&& Self) -> void {
    for (int i = 0; i < Parent->Count(); ++i) {
      TMenuItem* item = Parent->Items(i);
      if (item->Caption() == "-") continue;
      if (item->Count() > 0) {
        Self(item, Self);
      } else if (!item->OnClick) {
        EXPECT_FALSE(item->Enabled()) << item->Name();
      }
    }
  };
  auto checkAll = [&] {
    checkIdle(Form->MainMenu1->Items(), checkIdle);
    checkIdle(Form->SortPopUp->Items(), checkIdle);
    checkIdle(Form->FilePopUp->Items(), checkIdle);
    for (TControl* b : Form->ToolButtons)
      if (!b->OnClick) {
        EXPECT_FALSE(b->Enabled()) << b->Name();
      }
    // The menu bar draws the visible items of the form's menu.
    TMenuItem* file = Form->MainMenu1->Items()->Items(0);
    std::vector<std::string> texts;
    for (int i = 0; i < file->Count(); ++i)
      if (file->Items(i)->Visible()) texts.push_back(file->Items(i)->Caption());
    for (size_t i = 0; i < texts.size(); ++i) {
      EXPECT_NE(texts[i], "") << "row " << i;
      if (i > 0) {
        EXPECT_FALSE(texts[i] == "-" && texts[i - 1] == "-") << "row " << i;
      }
    }
    return texts;
  };
  ActiveFile1 = ActiveFile2 = ActiveFile3 = ActiveFile4 = ActiveFile5 = "";
  Form.reset();
  Form.reset(new TMainForm(Application));
  OtherFoldersPolicy = 0;  // no favourites question from a file another test left
  Form->Show();
  Application->ProcessMessages();
  checkAll();
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && echo x > x && zip -q a.zip x"), 0);
  Open(FDir + "\\a.zip");
  const std::vector<std::string> texts = checkAll();
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& T) { return T.find("a.zip") != std::string::npos; }),
            1);
  Form->CloseArchiveClick(nullptr);
  checkAll();
}

// A status panel repaints all of itself when its size changes, so no text
// of a wider or narrower layout stays behind.
TEST_F(MainFormTest, StatusPanelsRepaintWhollyOnResize) {
  for (TPanel* p : {Form->SPanel1, Form->SPanel2}) {
    const auto style = GetClassLongPtrW(p->Handle(), GCL_STYLE);
    EXPECT_TRUE(style & CS_HREDRAW);
    EXPECT_TRUE(style & CS_VREDRAW);
  }
}

// The tree's selection in the window follows the list into folders and up.
TEST_F(MainFormTest, FolderTreeSelectionFollowsTheList) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../t.zip a d.txt"), 0);
  ExplorerStyle = 0;
  Form->SetExplorerStyle(true);
  ViewFolders = 1;
  Open(FDir + "\\t.zip");
  const HWND tree = Form->TreeView1->Handle();
  auto selectedText = [&] {
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return std::string("<none>");
    wchar_t buf[128] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = 128;
    SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&tv));
    return Narrow(buf);
  };
  EXPECT_EQ(selectedText(), "t.zip");
  DoubleClickRow(0);
  ASSERT_EQ(CurrentFolder, "a\\");
  EXPECT_EQ(selectedText(), "a");
  DoubleClickRow(1);
  ASSERT_EQ(CurrentFolder, "a\\b\\");
  EXPECT_EQ(selectedText(), "b");
  PressEnterOn(0);
  ASSERT_EQ(CurrentFolder, "a\\");
  EXPECT_EQ(selectedText(), "a");
  PressEnterOn(0);
  ASSERT_EQ(CurrentFolder, "\\");
  EXPECT_EQ(selectedText(), "t.zip");
}

// The disk browser fills the window while no archive is open; its buttons
// switch its view and go up; an open archive takes its place, and the same
// "Go One Level Up" button then leads out of the archive's folders.
TEST_F(MainFormTest, DiskBrowserFillsTheWindowWithoutAnArchive) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../t.zip a d.txt"), 0);
  UseExplorerStyle(true);
  ViewFolders = 1;
  LastOpenDir = FDir + "\\src";
  Form->CloseArchiveClick(nullptr);
  Application->ProcessMessages();
  TCustomListView* browser = Form->ArchiveList;
  EXPECT_TRUE(IsWindowVisible(browser->Handle()));
  EXPECT_FALSE(Form->AdvSplitter1->Visible());
  EXPECT_TRUE(SameText(DiskBrowserDirectory(browser), FDir + "\\src\\"));
  std::vector<std::string> names;
  for (int i = 0; i < browser->Items()->Count(); ++i) names.push_back(browser->Items()->Item(i)->Caption());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "d.txt"}));
  for (TFlatButton* b : {Form->UpOneFolderButt, Form->SpeedButton3, Form->SpeedButton4}) {
    EXPECT_TRUE(b->Visible()) << b->Name();
    EXPECT_TRUE(b->Enabled()) << b->Name();
  }
  UiDriver::Click(Form->SpeedButton3);
  EXPECT_EQ(browser->ViewStyle(), vsList);
  UiDriver::Click(Form->SpeedButton4);
  EXPECT_EQ(browser->ViewStyle(), vsReport);
  UiDriver::Click(Form->UpOneFolderButt);
  EXPECT_TRUE(SameText(DiskBrowserDirectory(browser), FDir + "\\"));

  Open(FDir + "\\t.zip");
  EXPECT_FALSE(browser->Visible());
  EXPECT_FALSE(Form->SpeedButton3->Visible());
  EXPECT_FALSE(Form->SpeedButton4->Visible());
  EXPECT_TRUE(Form->AdvSplitter1->Visible());
  EXPECT_TRUE(Form->UpOneFolderButt->Visible());
  EXPECT_FALSE(Form->UpOneFolderButt->Enabled());  // at the root
  Form->ChangeFolder("a\\b\\");
  EXPECT_TRUE(Form->UpOneFolderButt->Enabled());
  UiDriver::Click(Form->UpOneFolderButt);
  EXPECT_EQ(CurrentFolder, "a\\");
  ASSERT_NE(Form->TreeView1->Selected(), nullptr);
  EXPECT_EQ(Form->TreeView1->Selected()->Text(), "a");
  UiDriver::Click(Form->UpOneFolderButt);
  EXPECT_EQ(CurrentFolder, "\\");
  EXPECT_FALSE(Form->UpOneFolderButt->Enabled());
  ASSERT_NE(Form->TreeView1->Selected(), nullptr);
  EXPECT_EQ(Form->TreeView1->Selected()->Text(), "t.zip");
  // The classic style has no folders to go up from.
  Form->SetExplorerStyle(false);
  EXPECT_FALSE(Form->FolderBar->Visible());
  Form->CloseArchiveClick(nullptr);
  EXPECT_TRUE(browser->Visible());
  EXPECT_TRUE(Form->FolderBar->Visible());
  EXPECT_FALSE(Form->AdvSplitter1->Visible());
}

// The Explorer style with the folder pane, inside a folder, for people to
// look at.
TEST_F(MainFormTest, ScreenshotOfTheExplorerStyleWithTheFolderPane) {
  MakeSourceTree();
  WriteFile(FDir + "\\src\\a\\readme.txt", TextData(500, 3));
  WriteFile(FDir + "\\src\\a\\setup.exe", TextData(700, 4));
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../t.zip a d.txt"), 0);
  UseExplorerStyle(true);
  ViewFolders = 1;
  Open(FDir + "\\t.zip");
  Form->ChangeFolder("a\\");
  Form->SetBounds(40, 40, 640, 400);
  Form->Update();
  Application->ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(Form->TreeView1->Handle()));
  SaveWindowShot(Form->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/mainform-explorer-style.bmp"));
}

// Program files, readme files and the package installers get the program
// folder's icons; other files the icon of their extension.
TEST_F(MainFormTest, ProgramReadmeAndInstallIconsMarkTheirEntries) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p i && cd i && for f in setup.exe INSTALL.EXE tool.com run.bat "
                    "README.txt readme notes.txt file_id.diz a.txt; do echo x > $f; done && zip -q ../i.zip *"),
            0);
  UseExplorerStyle(false);
  // The installers here are only looked at, never offered to run.
  const int32_t offer = AutomaticPackageInstallation;
  AutomaticPackageInstallation = 0;
  Open(FDir + "\\i.zip");
  AutomaticPackageInstallation = offer;
  ASSERT_EQ(FileCount, 9);
  auto programIcon = [](const char* File) {
    SHFILEINFOA info = {};
    EXPECT_TRUE(SHGetFileInfoA((ProgramFolder() + File).c_str(), 0, &info, sizeof info,
                               SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    return info.iIcon;
  };
  auto icon = [&](const std::string& Name) {
    const TFile* f = Find(AnsiLowerCase(Name));
    if (!f) f = Find(Name);
    EXPECT_NE(f, nullptr) << Name;
    return f ? f->IconIndex : -2;
  };
  const int install = programIcon("INSTALL.ico"), readme = programIcon("readme.ico"), exe = programIcon("exe.ico");
  EXPECT_EQ(icon("setup.exe"), install);
  EXPECT_EQ(icon("INSTALL.EXE"), install);
  EXPECT_EQ(icon("tool.com"), exe);
  EXPECT_EQ(icon("run.bat"), exe);
  EXPECT_EQ(icon("README.txt"), readme);
  EXPECT_EQ(icon("readme"), readme);
  EXPECT_EQ(icon("file_id.diz"), readme);
  // Another text file keeps the icon of its type.
  EXPECT_EQ(icon("notes.txt"), icon("a.txt"));
  for (const TFile& f : FileTable) EXPECT_EQ(f.IconResolved, 1) << f.Name;
  int image = -1;
  for (int r = 0; r < FileCount; ++r) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = r;
    SendMessageW(List(), LVM_GETITEMW, 0, LPARAM(&item));
    image = item.iImage;
    EXPECT_EQ(image, FileTable[size_t(r)].IconIndex) << r;
  }
}

// A folder that found no place in the tree (more than the sub-folders one
// tree level holds) marks its nearest ancestor; the mark never goes blank.
TEST_F(MainFormTest, FolderBeyondTheTreeLimitMarksItsAncestor) {
  ASSERT_EQ(RunPeer("python3 -c \"import zipfile\nz=zipfile.ZipFile('" + FHost +
                    "/wide.zip','w')\nfor i in range(" + std::to_string(MaxTreeLevelCount + 2) +
                    "): z.writestr('f%04d/g/x.txt' % i, 'x')\nz.close()\""),
            0);
  UseExplorerStyle(true);
  ViewFolders = 1;
  Open(FDir + "\\wide.zip");
  ASSERT_EQ(FileCount, MaxTreeLevelCount + 2);
  const std::string last = "f" + std::string(4 - std::to_string(MaxTreeLevelCount + 1).size(), '0') +
                           std::to_string(MaxTreeLevelCount + 1) + "\\";
  Form->ChangeFolder(last + "g\\");
  EXPECT_EQ(FileCount, 2);  // "..\" and x.txt
  ASSERT_NE(Form->TreeView1->Selected(), nullptr);
  EXPECT_EQ(Form->TreeView1->Selected()->Text(), "wide.zip");
  Form->ChangeFolder("f0001\\g\\");
  ASSERT_NE(Form->TreeView1->Selected(), nullptr);
  EXPECT_EQ(Form->TreeView1->Selected()->Text(), "g");
}

// The list's prepared rows follow the table: a new fill and a record changed
// in place (a renamed entry) both show their own texts.
TEST_F(MainFormTest, PreparedRowsFollowTheTable) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip d.txt a/b/c.txt"), 0);
  UseExplorerStyle(false);
  SortOrder = 1;
  Open(FDir + "\\t.zip");
  ASSERT_EQ(ListCount(), 2);
  EXPECT_EQ(RowText(0, 0), "c.txt");
  EXPECT_EQ(RowText(1, 0), "d.txt");
  EXPECT_EQ(RowText(0, 5), "a\\b\\");
  Form->SortClick(1);  // descending: a new fill, the rows swap
  EXPECT_EQ(RowText(0, 0), "d.txt");
  EXPECT_EQ(RowText(0, 5), "");
  FileTable[0].Name = "e.txt";
  EXPECT_EQ(RowText(0, 0), "e.txt");
  EXPECT_EQ(RowText(1, 0), "c.txt");
}

TEST_F(MainFormTest, FiftyThousandEntriesOpenInExplorerStyle) {
  ASSERT_EQ(RunPeer("python3 -c \"import zipfile\nz=zipfile.ZipFile('" + FHost +
                    "/full.zip','w')\nfor i in range(50000): z.writestr('d%d/s%d/f%d.txt' % (i % 50, i % 13, i), "
                    "'x')\nz.close()\""),
            0);
  ExplorerStyle = 0;
  Form->SetExplorerStyle(true);
  const auto start = std::chrono::steady_clock::now();
  Form->OpenArchiveFile(FDir + "\\full.zip");
  const auto opened = std::chrono::steady_clock::now();
  Form->FillFileList();
  const auto end = std::chrono::steady_clock::now();
  std::printf("50,000-entry Zip opened in Explorer style in %.0f ms (directory read %.0f ms, list filled %.0f ms)\n",
              std::chrono::duration<double, std::milli>(end - start).count(),
              std::chrono::duration<double, std::milli>(opened - start).count(),
              std::chrono::duration<double, std::milli>(end - opened).count());
  EXPECT_EQ(ArchiveFileCount, 50000);
  EXPECT_EQ(FileCount, 50);
  EXPECT_EQ(FolderCount, 50 + 50 * 13);
  Form->ChangeFolder("d7\\");
  EXPECT_EQ(FileCount, 14);  // "..\" and 13 folders
}

// An xxencoder for the peer side: no common tool writes the XX alphabet.
const char* const XxEncodeScript =
    "import sys\n"
    "T='+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz'\n"
    "d=open(sys.argv[1],'rb').read()\n"
    "o=['begin 644 '+sys.argv[3]]\n"
    "for i in range(0,len(d),45):\n"
    "  c=d[i:i+45]; l=T[len(c)]; p=c+bytes((3-len(c)%3)%3)\n"
    "  for j in range(0,len(p),3):\n"
    "    n=p[j]<<16|p[j+1]<<8|p[j+2]; l+=T[n>>18&63]+T[n>>12&63]+T[n>>6&63]+T[n&63]\n"
    "  o.append(l)\n"
    "o+=[T[0],'end']\n"
    "open(sys.argv[2],'w').write('\\n'.join(o)+'\\n')\n";

TEST_F(MainFormTest, EncodedArchivesAreDecodedAndOpenedOnYes) {
  if (!HavePeer("uuencode")) GTEST_SKIP() << "no uuencode";
  MakeSourceTree();
  WriteFile(FDir + "\\xxe.py", std::string(XxEncodeScript));
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip d.txt a/b/c.txt && cd .. && mkdir systmp && "
                    "uuencode t.zip t.zip > t.uue && python3 xxe.py t.zip t.xxe t.zip && "
                    "uuencode src/d.txt d.txt > d.uue"),
            0);
  const std::vector<uint8_t> zip = ReadFile(FDir + "\\t.zip");
  TStartState state;
  state.SetTemp(FDir + "\\systmp");
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);

  for (const char* encoded : {"t.uue", "t.xxe"}) {
    SCOPED_TRACE(encoded);
    const std::string name = FDir + "\\" + encoded;
    Application->SetParams({name});
    DeleteFile(FDir + "\\systmp\\t.zip");
    {
      TMessageCatcher box(mrYes);
      Open(name);
      ASSERT_EQ(box.Texts.size(), 1u);
      EXPECT_EQ(box.Texts[0], "Decode archive TO a temp folder AND open it?");
      EXPECT_EQ(box.Captions[0], "Quillon 2000");
    }
    EXPECT_EQ(ArchiveName, FDir + "\\systmp\\t.zip");
    EXPECT_EQ(ArchiveExt, ".zip");
    EXPECT_EQ(ReadFile(FDir + "\\systmp\\t.zip"), zip);
    ASSERT_EQ(FileCount, 2);
    ASSERT_NE(Find("d.txt"), nullptr);
    EXPECT_EQ(Find("d.txt")->SizeText, "3000");
    ASSERT_NE(Find("c.txt"), nullptr);
    EXPECT_EQ(Find("c.txt")->Path, "a\\b\\");
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(Form->Caption(), "Quillon 2000 - t.zip");

    // No: the encoded file itself is listed, its one entry the archive.
    Form->CloseArchiveClick(nullptr);
    {
      TMessageCatcher box(mrNo);
      Open(name);
      EXPECT_EQ(box.Texts.size(), 1u);
    }
    EXPECT_EQ(ArchiveName, name);
    EXPECT_EQ(ArchiveExt, ".enc");
    ASSERT_EQ(FileCount, 1);
    EXPECT_EQ(FileTable[0].Name, "t.zip");
    EXPECT_EQ(RowText(0, 0), "t.zip");
    EXPECT_FALSE(Form->UUencode->Enabled());
    EXPECT_FALSE(Form->TestArchive->Enabled());
  }

  // No question when the program got another number of parameters, or when
  // the encoded file carries no archive.
  const std::string uue = FDir + "\\t.uue", plain = FDir + "\\d.uue";
  const struct {
    std::vector<std::string> Params;
    const std::string& File;
    const char* Entry;
  } quiet[] = {{{uue, "x"}, uue, "t.zip"}, {{}, uue, "t.zip"}, {{plain}, plain, "d.txt"}};
  for (const auto& q : quiet) {
    SCOPED_TRACE(q.File + " with " + std::to_string(q.Params.size()) + " parameters");
    Application->SetParams(q.Params);
    TMessageCatcher box(mrYes);
    Open(q.File);
    EXPECT_TRUE(box.Texts.empty());
    EXPECT_EQ(ArchiveExt, ".enc");
    ASSERT_EQ(FileCount, 1);
    EXPECT_EQ(FileTable[0].Name, q.Entry);
  }
}

TEST_F(MainFormTest, EncodedFileThatWouldDecodeOntoItselfIsListed) {
  if (!HavePeer("uuencode")) GTEST_SKIP() << "no uuencode";
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir systmp && echo data > x && uuencode x x.uue > systmp/x.uue"), 0);
  const std::string name = FDir + "\\systmp\\x.uue";
  const std::vector<uint8_t> before = ReadFile(name);
  TStartState state;
  state.SetTemp(FDir + "\\systmp");
  Application->SetParams({name});
  TMessageCatcher box(mrYes);
  Open(name);
  EXPECT_EQ(box.Texts.size(), 1u);
  EXPECT_EQ(ArchiveName, name);
  EXPECT_EQ(ArchiveExt, ".enc");
  EXPECT_EQ(ReadFile(name), before);
}

TEST_F(MainFormTest, EntryListIsAVirtualExtendedListOfTheArchive) {
  MakeSourceTree();
  const struct {
    const char* Peer;
    const char* Archive;
    const char* Make;          // run in src/
    const char* PackedOfD;     // prints the packed size of d.txt, run in the test folder
  } cases[] = {
      {"zipinfo", "t.zip", "zip -q -9 ../t.zip d.txt a/b/c.txt",
       "zipinfo -l t.zip d.txt | awk 'NR==1{print $6}'"},
      {"lha", "t.lzh", "lha aq ../t.lzh d.txt a/b/c.txt", "lha v t.lzh | awk '$NF==\"d.txt\"{print $2}'"},
  };
  ExplorerStyle = 1;
  Form->SetExplorerStyle(false);
  SYSTEMTIME when = {};
  when.wYear = 2021;
  when.wMonth = 3;
  when.wDay = 4;
  when.wHour = 5;
  when.wMinute = 6;
  wchar_t date[64] = {}, time[64] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, 64);
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, time, 64);
  const std::string modified = Narrow(std::wstring(date) + L" " + time);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Archive);
    if (!HavePeer(c.Peer)) continue;
    std::string packedText;
    ASSERT_EQ(RunPeer(std::string("cd '") + FHost + "/src' && " + c.Make + " && cd .. && " + c.PackedOfD,
                      &packedText),
              0);
    const int64_t packed = std::stoll(Trim(packedText));
    Open(FDir + "\\" + c.Archive);

    EXPECT_TRUE(Form->FileList->VirtualMode());
    const LONG style = GetWindowLongW(List(), GWL_STYLE);
    EXPECT_TRUE(style & LVS_OWNERDATA);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(Form->FileList->VirtualItemCount(), 2);
    const char* const captions[6] = {"Name", "Modified", "Size", "Ratio", "Packed", "Path"};
    for (int i = 0; i < 6; ++i) {
      wchar_t text[64] = {};
      LVCOLUMNW col = {};
      col.mask = LVCF_TEXT;
      col.pszText = text;
      col.cchTextMax = 64;
      ASSERT_TRUE(SendMessageW(List(), LVM_GETCOLUMNW, WPARAM(i), LPARAM(&col)));
      EXPECT_EQ(Narrow(text), captions[i]);
    }

    int d = -1, cRow = -1;
    for (int r = 0; r < 2; ++r) {
      if (RowText(r, 0) == "d.txt") d = r;
      if (RowText(r, 0) == "c.txt") cRow = r;
    }
    ASSERT_GE(d, 0);
    ASSERT_GE(cRow, 0);
    const long pct = std::lround((1.0 - double(packed) / 3000.0) * 100.0);
    EXPECT_EQ(RowText(d, 1), modified);
    EXPECT_EQ(RowText(d, 2), InsertThousandSeparators("3000"));
    EXPECT_EQ(RowText(d, 3), (pct < 10 ? "0" : "") + std::to_string(pct) + "%");
    EXPECT_EQ(RowText(d, 4), InsertThousandSeparators(std::to_string(packed)));
    EXPECT_EQ(RowText(d, 5), "");
    EXPECT_EQ(RowText(cRow, 2), InsertThousandSeparators("1000"));
    EXPECT_EQ(RowText(cRow, 5), "a\\b\\");
    // Each row shows its entry's icon from the shell's image list.
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = d;
    ASSERT_TRUE(SendMessageW(List(), LVM_GETITEMW, 0, LPARAM(&item)));
    EXPECT_EQ(item.iImage, FileTable[size_t(d)].IconIndex);
    EXPECT_GE(item.iImage, 0);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(List(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
              Form->SmallSysImages->Handle());
  }

  // The view settings reach the list: its style, grid lines and full-row
  // selection, with header drag and drop kept.
  const uint8_t savedStyle = ViewStyle, savedGrid = GridLines, savedRow = FullRow;
  ViewStyle = 2;
  GridLines = 1;
  FullRow = 0;
  SettingsHooks.ApplyViewSettings();
  EXPECT_EQ(GetWindowLongW(List(), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
  EXPECT_EQ(ListCount(), FileCount);
  EXPECT_EQ(RowText(0, 0), FileTable[0].Name);
  LRESULT ex = SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
  EXPECT_FALSE(ex & LVS_EX_FULLROWSELECT);
  EXPECT_TRUE(ex & LVS_EX_HEADERDRAGDROP);
  ViewStyle = 3;
  GridLines = 0;
  FullRow = 1;
  SettingsHooks.ApplyViewSettings();
  EXPECT_EQ(GetWindowLongW(List(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  ex = SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_FALSE(ex & LVS_EX_GRIDLINES);
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
  ViewStyle = savedStyle;
  GridLines = savedGrid;
  FullRow = savedRow;
}

TEST_F(MainFormTest, SplitterMovesTheBoundaryBetweenTreeAndList) {
  MakeSourceTree();
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../t.zip a d.txt"), 0);
  ViewFolders = 1;
  ExplorerStyle = 0;
  Form->SetExplorerStyle(true);
  Open(FDir + "\\t.zip");
  TAdvSplitter* sp = Form->AdvSplitter1;
  ASSERT_TRUE(sp->GetPane(1)->Visible());
  EXPECT_EQ(GetParent(Form->TreeView1->Handle()), sp->GetPane(1)->Handle());
  EXPECT_EQ(GetParent(List()), sp->GetPane(2)->Handle());
  const int width = sp->ClientWidth();
  // Tree and list edges in the splitter's client coordinates.
  auto edges = [&](HWND W) {
    RECT r;
    GetWindowRect(W, &r);
    MapWindowPoints(nullptr, sp->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  sp->SetPosition(200);
  EXPECT_EQ(edges(Form->TreeView1->Handle()).right, 200);
  EXPECT_EQ(edges(List()).left, 200 + sp->Thickness());
  EXPECT_EQ(edges(List()).right, width);

  // A drag of the bar with the mouse.
  const int y = sp->ClientHeight() / 2;
  POINT bar = {201, y};
  ClientToScreen(sp->Handle(), &bar);
  SetCursorPos(bar.x, bar.y);
  SendMessageW(sp->Handle(), WM_SETCURSOR, WPARAM(sp->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  SendMessageW(sp->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(201, y));
  SendMessageW(sp->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(240, y));
  SendMessageW(sp->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(260, y));
  SendMessageW(sp->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(260, y));
  Application->ProcessMessages();
  EXPECT_EQ(sp->Position(), 260);
  EXPECT_EQ(edges(Form->TreeView1->Handle()).right, 260);
  EXPECT_EQ(edges(List()).left, 260 + sp->Thickness());
  EXPECT_EQ(SettingsHooks.PanelSize(), 260);  // saved as "PanelSize"

  // Neither pane is squeezed below its minimum.
  sp->SetPosition(width + 500);
  EXPECT_GE(edges(List()).right - edges(List()).left, sp->GetPane(2)->MinSize());
  EXPECT_LT(sp->Position(), width);
  sp->SetPosition(-40);
  EXPECT_GE(sp->Position(), sp->GetPane(1)->MinSize());
  EXPECT_EQ(edges(Form->TreeView1->Handle()).right, sp->Position());

  sp->SetPosition(180);
  Application->ProcessMessages();
  SaveWindowShot(Form->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/mainform-explorer.bmp"));

  // The classic style hides the folder pane; the list takes the whole width.
  Form->SetExplorerStyle(false);
  EXPECT_FALSE(sp->GetPane(1)->Visible());
  EXPECT_EQ(edges(List()).left, 0);
  EXPECT_EQ(edges(List()).right, width);
  // The folders bar option hides it in the Explorer style too.
  Form->SetExplorerStyle(true);
  EXPECT_TRUE(sp->GetPane(1)->Visible());
  ViewFolders = 1;
  Form->FoldersBarItem->Click();
  EXPECT_EQ(ViewFolders, 0);
  EXPECT_FALSE(sp->GetPane(1)->Visible());
  EXPECT_EQ(edges(List()).left, 0);
  Form->FoldersBarItem->Click();
  EXPECT_TRUE(sp->GetPane(1)->Visible());
  EXPECT_EQ(edges(List()).left, 180 + sp->Thickness());
}

// Rows are prepared once for the range the list is about to show, taken
// over when the range moves, and prepared alone outside it.
TEST(RowCache, PreparesEachHintedRowOnce) {
  std::vector<int> prepared;
  TRowCache cache([&](int Row) {
    prepared.push_back(Row);
    TListRow r;
    r.Texts[0] = "row " + std::to_string(Row);
    r.Image = Row;
    return r;
  });
  EXPECT_EQ(cache.First(), -1);
  cache.Hint(0, 9, 100);
  EXPECT_EQ(prepared.size(), 10u);
  EXPECT_EQ(cache.Row(5).Texts[0], "row 5");
  EXPECT_EQ(cache.Row(9).Image, 9);
  EXPECT_EQ(prepared.size(), 10u);
  cache.Hint(5, 14, 100);
  EXPECT_EQ(prepared.size(), 15u);
  EXPECT_EQ(cache.First(), 5);
  EXPECT_EQ(cache.Last(), 14);
  EXPECT_EQ(cache.Row(7).Texts[0], "row 7");
  // Outside the range: prepared on demand, once for all its columns.
  EXPECT_EQ(cache.Row(50).Texts[0], "row 50");
  EXPECT_EQ(cache.Row(50).Image, 50);
  EXPECT_EQ(prepared.size(), 16u);
  // The range ends with the table and never grows past its bound.
  cache.Hint(95, 120, 100);
  EXPECT_EQ(cache.Last(), 99);
  cache.Hint(0, 1000000, 2000000);
  EXPECT_EQ(cache.Last() - cache.First() + 1, TRowCache::MaxRows);
  cache.Hint(10, 5, 100);  // an empty range keeps what is there
  EXPECT_EQ(cache.First(), 0);
  const size_t before = prepared.size();
  cache.Reset();
  EXPECT_EQ(cache.First(), -1);
  EXPECT_EQ(cache.Row(3).Texts[0], "row 3");
  EXPECT_EQ(prepared.size(), before + 1);
}

TEST(FormatCommands, FollowTheFormatRules) {
  struct {
    const char *Ext, *File;
    bool Spanned, ReadOnly;
    bool Add, Delete, Test, Comment, MakeExe, ExeToZip, UUencode;
  } cases[] = {
      {".zip", "a.zip", false, false, true, true, true, true, true, false, true},
      {".zip", "a.zip", true, false, true, true, true, true, false, false, true},
      {".zip", "a.jar", false, true, false, false, true, true, true, false, true},
      {".exe", "a.EXE", false, false, true, true, true, true, false, true, true},
      {".cab", "a.cab", false, false, true, false, false, false, false, false, true},
      {".lzh", "a.lzh", false, false, true, true, true, false, false, false, true},
      {".rar", "a.rar", false, false, false, false, true, false, false, false, true},
      {".tar", "a.tar", false, false, false, false, true, false, false, false, true},
      {".enc", "a.uue", false, false, false, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Ext) + " " + c.File);
    const TFormatCommands f = FormatCommands(c.Ext, c.File, c.Spanned, c.ReadOnly, false);
    EXPECT_EQ(f.Add, c.Add);
    EXPECT_EQ(f.Delete, c.Delete);
    EXPECT_EQ(f.Test, c.Test);
    EXPECT_EQ(f.Comment, c.Comment);
    EXPECT_EQ(f.MakeExe, c.MakeExe);
    EXPECT_EQ(f.ExeToZip, c.ExeToZip);
    EXPECT_EQ(f.UUencode, c.UUencode);
    EXPECT_EQ(f.RenameEntry, c.Comment && !c.ReadOnly);
    EXPECT_TRUE(f.Extract);
  }
  EXPECT_TRUE(FormatCommands(".zip", "a.zip", false, false, true).VirusScan);
}

// ---- morv.exe as a user starts it ----

struct TFoundWindow {
  DWORD Process;
  HWND Window;
};

BOOL CALLBACK FindListView(HWND Wnd, LPARAM Param) {
  wchar_t cls[64] = {};
  GetClassNameW(Wnd, cls, 64);
  // The disk browser's list stays behind, hidden, while an archive is open.
  if (IsWindowVisible(Wnd) && (std::wstring(cls) == L"TListView" || std::wstring(cls) == L"SysListView32")) {
    *reinterpret_cast<HWND*>(Param) = Wnd;
    return FALSE;
  }
  return TRUE;
}

// Text of a list cell of another process: the record and the buffer live in
// that process.
std::string RemoteItemText(HANDLE Process, HWND List, int Row, int Column) {
  const SIZE_T size = sizeof(LVITEMW) + 512 * sizeof(wchar_t);
  auto* remote = static_cast<uint8_t*>(VirtualAllocEx(Process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
  if (!remote) return "<no memory>";
  LVITEMW item = {};
  item.iSubItem = Column;
  item.pszText = reinterpret_cast<LPWSTR>(remote + sizeof(LVITEMW));
  item.cchTextMax = 512;
  WriteProcessMemory(Process, remote, &item, sizeof item, nullptr);
  SendMessageW(List, LVM_GETITEMTEXTW, WPARAM(Row), LPARAM(remote));
  wchar_t buf[512] = {};
  ReadProcessMemory(Process, remote + sizeof(LVITEMW), buf, sizeof buf - sizeof(wchar_t), nullptr);
  VirtualFreeEx(Process, remote, 0, MEM_RELEASE);
  return Narrow(buf);
}

TEST(MorvExe, StartedWithAnArchiveShowsItsEntries) {
  if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
  const std::string exe = LocalPath(std::string(MORV_BINARY_DIR) + "/app/morv.exe");
  if (!FileExists(exe)) GTEST_SKIP() << "morv.exe not built";
  const std::string dir = TempDir();
  const std::string host = HostPath(dir);
  ASSERT_EQ(RunPeer("cd '" + host + "' && mkdir -p a/b && echo one > a/b/c.txt && echo two > d.txt && "
                    "echo three > e.txt && zip -q -r 'my archive.zip' a d.txt e.txt"),
            0);
  const std::string archive = dir + "\\my archive.zip";
  std::string line = "\"" + exe + "\" \"" + archive + "\"";
  std::wstring cmd = Widen(line);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));

  TFoundWindow found{pi.dwProcessId, nullptr};
  HWND list = nullptr;
  int count = 0;
  // Until the archive is open the window shows the disk browser's list.
  auto opened = [&] {
    wchar_t text[256] = {};
    GetWindowTextW(found.Window, text, 256);
    return Narrow(text) == "Quillon 2000 - my archive.zip";
  };
  for (int i = 0; i < 300 && count == 0; ++i) {
    Sleep(100);
    if (!found.Window) found.Window = HWND(morvtest::FindProcessWindow(found.Process, "TMainForm"));
    if (found.Window && opened()) {
      list = nullptr;
      EnumChildWindows(found.Window, FindListView, LPARAM(&list));
    }
    if (list) count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  }
  ASSERT_NE(found.Window, nullptr) << "no TMainForm window of the started process";
  ASSERT_NE(list, nullptr);
  EXPECT_GE(count, 3);
  std::vector<std::string> names;
  for (int r = 0; r < count; ++r) names.push_back(RemoteItemText(pi.hProcess, list, r, 0));
  std::string shown;
  for (const std::string& n : names) shown += n + "|";
  EXPECT_NE(std::find(names.begin(), names.end(), "d.txt"), names.end()) << shown;
  EXPECT_NE(std::find(names.begin(), names.end(), "e.txt"), names.end()) << shown;
  wchar_t title[256] = {};
  GetWindowTextW(found.Window, title, 256);
  EXPECT_EQ(Narrow(title), "Quillon 2000 - my archive.zip");

  SetForegroundWindow(found.Window);
  Sleep(500);
  SaveWindowShot(found.Window, LocalPath(std::string(MORV_BINARY_DIR) + "/mainform.bmp"));

  PostMessageW(found.Window, WM_CLOSE, 0, 0);
  const DWORD waited = WaitForSingleObject(pi.hProcess, 15000);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "morv.exe did not end after WM_CLOSE";
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

TEST(MorvExe, ASecondStartHandsItsArchiveToTheRunningWindow) {
  if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
  const std::string exe = LocalPath(std::string(MORV_BINARY_DIR) + "/app/morv.exe");
  if (!FileExists(exe)) GTEST_SKIP() << "morv.exe not built";
  const std::string dir = TempDir();
  ASSERT_EQ(RunPeer("cd '" + HostPath(dir) + "' && echo x > x.txt && echo y > y.txt && zip -q one.zip x.txt && "
                    "zip -q two.zip x.txt y.txt"),
            0);
  HKEY key = nullptr;
  DWORD one = 1;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillon\\General", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Reuse Windows", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
  }
  auto start = [&](const std::string& Archive, PROCESS_INFORMATION& Pi) {
    std::wstring cmd = Widen("\"" + exe + "\" \"" + dir + "\\" + Archive + "\"");
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &Pi) != FALSE;
  };
  PROCESS_INFORMATION first = {}, second = {};
  ASSERT_TRUE(start("one.zip", first));
  TFoundWindow found{first.dwProcessId, nullptr};
  std::string title;
  for (int i = 0; i < 300 && title != "Quillon 2000 - one.zip"; ++i) {
    Sleep(100);
    if (!found.Window) found.Window = HWND(morvtest::FindProcessWindow(found.Process, "TMainForm"));
    wchar_t t[256] = {};
    if (found.Window) GetWindowTextW(found.Window, t, 256);
    title = Narrow(t);
  }
  EXPECT_EQ(title, "Quillon 2000 - one.zip");

  ASSERT_TRUE(start("two.zip", second));
  EXPECT_EQ(WaitForSingleObject(second.hProcess, 5000), WAIT_OBJECT_0) << "the second start did not end";
  HWND list = nullptr;
  if (found.Window) EnumChildWindows(found.Window, FindListView, LPARAM(&list));
  for (int i = 0; i < 100 && title != "Quillon 2000 - two.zip"; ++i) {
    Sleep(100);
    wchar_t t[256] = {};
    GetWindowTextW(found.Window, t, 256);
    title = Narrow(t);
  }
  EXPECT_EQ(title, "Quillon 2000 - two.zip");
  EXPECT_NE(list, nullptr);
  if (list) {
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  }

  if (found.Window) PostMessageW(found.Window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(first.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(first.hProcess, 1);
  if (WaitForSingleObject(second.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(second.hProcess, 1);
  for (HANDLE h : {first.hThread, first.hProcess, second.hThread, second.hProcess}) CloseHandle(h);
}

}  // namespace
