// The archive commands beside extracting and adding, driven as a user drives
// them; what they change is read back by the peer tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/shellrun.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "controls/views/placement.h"
#include "dialogs/commentform.h"
#include "dialogs/deleteform.h"
#include "dialogs/msgform.h"
#include "dialogs/passwordform.h"
#include "dialogs/renamearcform.h"
#include "dialogs/extractform.h"
#include "dialogs/nfolderform.h"
#include "dialogs/seldirform.h"
#include "dialogs/zippropform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "tests/app/mainform_fixture.h"
#include "tests/app/modalboxes.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

class ArchiveActionsTest : public TMainFormFixture {
 protected:
  void SetUp() override {
    TMainFormFixture::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a/b && cd src && head -c 70000 /dev/urandom > a/b/c.bin"
                      " && seq 1 3000 > d.txt && echo small > e.txt && echo junk > x.tmp && echo more > y.TMP"),
              0);
  }
  // Name is in the test's folder.
  void Open(const std::string& Name) {
    ASSERT_TRUE(Form->OpenArchiveFile(FDir + "\\" + Name));
    Form->FillFileList();
    Application->ProcessMessages();
  }
  int Row(const std::string& Name) {
    for (int i = 0; i < FileCount; ++i)
      if (FileTable[size_t(i)].Name == Name) return i;
    return -1;
  }
  // The names unzip -Z1 lists, sorted and joined by blanks.
  std::string ZipNames(const std::string& Name) {
    std::string out;
    RunPeer("cd '" + FHost + "' && unzip -Z1 '" + Name + "' 2>/dev/null | sort | tr '\\n' ' '", &out);
    return Trim(out);
  }
  // Shows the delete dialog, lets Setup fill it in, clicks Delete; no
  // message box comes up.
  void Delete(const std::function<void(TDeleteForm*)>& Setup) {
    TBoxes boxes(mrOk);
    Form->DeleteClick(nullptr);
    Application->ProcessMessages();
    TDeleteForm* d = Form->DeleteForm;
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->Visible());
    EXPECT_FALSE(Form->Enabled());
    Setup(d);
    UiDriver::Click(d->DeleteButt);
    Application->ProcessMessages();
    EXPECT_FALSE(d->Visible());
    EXPECT_TRUE(Form->Enabled());
    EXPECT_TRUE(boxes.Texts.empty()) << boxes.Texts[0];
  }
};

TEST_F(ArchiveActionsTest, DeleteModesOnAZip) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../t.zip a d.txt e.txt x.tmp y.TMP"), 0);
  Open("t.zip");
  // A mask with a leading full stop matches by extension, in any case.
  Delete([](TDeleteForm* d) {
    EXPECT_TRUE(d->DeleteEntire->Checked());
    EXPECT_FALSE(d->SelectedFiles->Enabled());
    UiDriver::SetValue(d->FileSpec, ".tmp");
    EXPECT_TRUE(d->CFiles->Checked());
  });
  EXPECT_EQ(ZipNames("t.zip"), "a/ a/b/ a/b/c.bin d.txt e.txt");
  EXPECT_EQ(Row("x.tmp"), -1);
  // The selected rows.
  Form->SetRowSelected(Row("d.txt"), true);
  Application->ProcessMessages();
  Delete([](TDeleteForm* d) {
    EXPECT_TRUE(d->SelectedFiles->Enabled());
    EXPECT_TRUE(d->SelectedFiles->Checked());
  });
  EXPECT_EQ(ZipNames("t.zip"), "a/ a/b/ a/b/c.bin e.txt");
  // An empty mask deletes nothing.
  Delete([](TDeleteForm* d) { d->CFiles->SetChecked(true); });
  EXPECT_EQ(ZipNames("t.zip"), "a/ a/b/ a/b/c.bin e.txt");
  // The whole archive.
  Delete([](TDeleteForm* d) { UiDriver::Click(d->DeleteEntire); });
  const std::string left = ZipNames("t.zip");
  EXPECT_TRUE(left.empty() || left == "Empty zipfile.") << left;
  EXPECT_EQ(FileCount, 0);
}

// The Delete key in the list opens the delete dialog only with a row selected
// and only where the archive's format can delete.
TEST_F(ArchiveActionsTest, DeleteKeyInTheListOpensTheDialog) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip d.txt e.txt && gcab -c ../t.cab d.txt e.txt"), 0);
  auto pressDelete = [&] {
    SendMessageW(Form->FileList->Handle(), WM_KEYDOWN, VK_DELETE, 0);
    SendMessageW(Form->FileList->Handle(), WM_KEYUP, VK_DELETE, 0);
    Application->ProcessMessages();
    const bool shown = Form->DeleteForm && Form->DeleteForm->Visible();
    if (shown) Form->DeleteForm->Close();
    Application->ProcessMessages();
    return shown;
  };
  Open("t.zip");
  EXPECT_FALSE(pressDelete()) << "nothing selected";
  Form->SetRowSelected(Row("d.txt"), true);
  Application->ProcessMessages();
  EXPECT_TRUE(pressDelete());
  EXPECT_EQ(ZipNames("t.zip"), "d.txt e.txt") << "the dialog alone deletes nothing";
  Open("t.cab");
  Form->SetRowSelected(Row("d.txt"), true);
  Application->ProcessMessages();
  EXPECT_FALSE(pressDelete()) << "cabinets cannot delete";
}

// Install is offered for a setup program at the archive's root: greyed
// without one, and the install window comes up once per archive when the
// setting asks for it and the program was not started with a switch.
TEST_F(ArchiveActionsTest, SetupProgramAtTheRootOffersTheInstall) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && cp d.txt setup.exe && zip -q ../s.zip setup.exe e.txt && "
                    "zip -q ../n.zip d.txt e.txt && mkdir -p q && cp d.txt q/setup.exe && zip -q -r ../deep.zip q d.txt"),
            0);
  const std::vector<std::string> params = {Application->ParamStr(1)};
  Application->SetParams({});
  const int32_t saved = AutomaticPackageInstallation;
  AutomaticPackageInstallation = 1;
  {
    UiDriver::TModalAnswerer answer;
    answer.PressButton("OpenBtn");
    Open("s.zip");
    EXPECT_TRUE(answer.Done()) << "the install window came up";
    EXPECT_EQ(answer.Seen(), std::vector<std::string>{"Quillon Automatic Package Installation"});
  }
  EXPECT_TRUE(Form->InstallItem->Enabled());
  // Listed again, the archive is not offered again.
  Form->FillFileList();
  Application->ProcessMessages();
  for (const char* name : {"n.zip", "deep.zip"}) {
    Open(name);
    EXPECT_FALSE(Form->InstallItem->Enabled()) << name;
  }
  Form->CloseArchiveClick(nullptr);
  EXPECT_FALSE(Form->InstallItem->Enabled());
  // Started with the archive itself, the offer comes once it is listed, and
  // only once.
  Application->SetParams({FDir + "\\s.zip"});
  {
    UiDriver::TModalAnswerer answer;
    answer.PressButton("OpenBtn");
    Form->StartupOpen();
    Application->ProcessMessages();
    EXPECT_TRUE(answer.Done()) << "the install window came up";
    EXPECT_EQ(answer.Seen(), std::vector<std::string>{"Quillon Automatic Package Installation"});
  }
  EXPECT_EQ(ArchiveName, FDir + "\\s.zip");
  {
    UiDriver::TModalAnswerer answer;
    answer.PressButton("OpenBtn");
    Form->FillFileList();
    Application->ProcessMessages();
    EXPECT_FALSE(answer.Done()) << "offered a second time";
  }
  Form->CloseArchiveClick(nullptr);
  AutomaticPackageInstallation = saved;
  Application->SetParams(params);
}

// In the folder view the "..\" row never reaches a delete pattern: as first
// selected row it blocks "Selected files"; selected among others it is left
// out; a folder row takes everything below it.
TEST_F(ArchiveActionsTest, FolderViewNeverPassesTheParentRow) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && mkdir -p a/q && echo q > a/q/r.txt && echo s > a/s.txt && "
                    "zip -q -r ../t.zip a d.txt"),
            0);
  Form->SetExplorerStyle(true);
  Open("t.zip");
  Form->ChangeFolder("a\\");
  Application->ProcessMessages();
  ASSERT_TRUE(IsParentRecord(FileTable[0]));
  Form->SetRowSelected(0, true);
  Application->ProcessMessages();
  Form->DeleteClick(nullptr);
  Application->ProcessMessages();
  TDeleteForm* d = Form->DeleteForm;
  EXPECT_FALSE(d->SelectedFiles->Enabled());
  EXPECT_TRUE(d->DeleteEntire->Checked());
  UiDriver::SetValue(d->FileSpec, "*.*");
  for (const std::string& s : d->DeleteSpecs()) EXPECT_EQ(s.find(".."), std::string::npos) << s;
  d->Close();
  Application->ProcessMessages();

  Form->SetRowSelected(-1, false);
  Form->SetRowSelected(Row("q\\"), true);
  Form->SetRowSelected(0, true);
  Application->ProcessMessages();
  Delete([](TDeleteForm* d) {
    EXPECT_FALSE(d->SelectedFiles->Enabled());
    // Chosen all the same, the selection gives the folder row alone.
    d->SelectedFiles->SetChecked(true);
    const std::vector<std::string> specs = d->DeleteSpecs();
    ASSERT_EQ(specs.size(), 1u);
    EXPECT_EQ(specs[0], "a\\q\\*.*");
  });
  const std::string names = " " + ZipNames("t.zip") + " ";
  EXPECT_EQ(names.find("a/q/r.txt"), std::string::npos) << names;
  for (const char* kept : {" a/s.txt ", " a/b/c.bin ", " d.txt "}) EXPECT_NE(names.find(kept), std::string::npos) << names;
}

TEST_F(ArchiveActionsTest, DeleteFromAnLzhArchive) {
  if (!HavePeer("lha")) GTEST_SKIP() << "no lha";
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && lha aq ../t.lzh d.txt e.txt x.tmp"), 0);
  Open("t.lzh");
  Delete([](TDeleteForm* d) {
    EXPECT_FALSE(d->DeleteEntire->Enabled());
    EXPECT_FALSE(d->SelectedFiles->Enabled());
    EXPECT_TRUE(d->CFiles->Checked());
    UiDriver::SetValue(d->FileSpec, "x.");
  });
  std::string out;
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && lha t t.lzh && lha l t.lzh", &out), 0) << out;
  EXPECT_EQ(out.find("x.tmp"), std::string::npos) << out;
  EXPECT_NE(out.find("e.txt"), std::string::npos) << out;
  Form->SetRowSelected(Row("d.txt"), true);
  Application->ProcessMessages();
  Delete([](TDeleteForm* d) { EXPECT_TRUE(d->SelectedFiles->Checked()); });
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && lha l t.lzh", &out), 0) << out;
  EXPECT_EQ(out.find("d.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("e.txt"), std::string::npos) << out;
  // The dialog, filled in, for people to look at.
  Form->SetRowSelected(0, true);
  Form->DeleteClick(nullptr);
  Application->ProcessMessages();
  UiDriver::SetValue(Form->DeleteForm->FileSpec, ".tmp");
  SaveWindowShot(Form->DeleteForm->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/delete-dialog.bmp"));
  Form->DeleteForm->Close();
  Application->ProcessMessages();
}

TEST(DeleteMask, FullStopsGrowStars) {
  const std::pair<const char*, const char*> cases[] = {
      {".TXT", "*.txt"}, {"readme.", "readme.*"}, {"a*.b", "a*.b"}, {"", ""}, {".", "*.*"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(DeleteMask(in), out) << in;
}

// The archive is renamed on disk; the window follows only a move that
// happened.
TEST_F(ArchiveActionsTest, RenameArchiveFollowsOnlyASuccessfulMove) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../pack.tar.gz.zip d.txt && cp ../pack.tar.gz.zip ../taken.tar.gz.zip"), 0);
  Open("pack.tar.gz.zip");
  Form->RenameArchiveClick(nullptr);
  Application->ProcessMessages();
  TRenameForm* r = Form->RenameForm;
  EXPECT_EQ(r->Label3->Caption(), "pack");
  EXPECT_EQ(r->Label4->Caption(), ".tar.gz.zip");
  EXPECT_EQ(r->Edit1->Text(), "pack");
  EXPECT_FALSE(Form->Enabled());
  // The target exists: the move fails, the shown name stays.
  UiDriver::SetValue(r->Edit1, "taken");
  {
    TBoxes boxes(mrOk);
    UiDriver::Click(r->Button1);
    Application->ProcessMessages();
    ASSERT_EQ(boxes.Texts.size(), 1u);
  }
  EXPECT_EQ(ArchiveName, FDir + "\\pack.tar.gz.zip");
  EXPECT_TRUE(FileExists(ArchiveName));
  EXPECT_EQ(Form->Caption(), "Quillon 2000 - pack.tar.gz.zip");
  EXPECT_TRUE(Form->Enabled());

  Form->RenameArchiveClick(nullptr);
  Application->ProcessMessages();
  UiDriver::SetValue(r->Edit1, "New");
  SaveWindowShot(r->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/rename-dialog.bmp"));
  UiDriver::Click(r->Button1);
  Application->ProcessMessages();
  EXPECT_EQ(ArchiveName, FDir + "\\New.tar.gz.zip");
  EXPECT_TRUE(FileExists(ArchiveName));
  EXPECT_FALSE(FileExists(FDir + "\\pack.tar.gz.zip"));
  EXPECT_EQ(Form->Caption(), "Quillon 2000 - new.tar.gz.zip");
  EXPECT_EQ(ActiveFile1, ArchiveName);
  EXPECT_EQ(ZipNames("New.tar.gz.zip"), "d.txt");
}

// The comment goes back only when the user changed it: a long one is not
// cut, a one-character one is kept.
TEST_F(ArchiveActionsTest, CommentIsWrittenOnlyWhenChanged) {
  const std::string longComment(5000, 'c');
  struct TCase {
    std::string Stored;
    std::function<void(TMemo*)> Edit;  // nullptr: the user changes nothing
    std::string Expected;
  };
  const TCase cases[] = {
      {longComment, nullptr, longComment},
      {"x", nullptr, "x"},
      {"old", [](TMemo* M) { M->SetText("new text"); }, "new text"},
      {"gone", [](TMemo* M) { M->SetText(""); }, ""},
  };
  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(n);
    const std::string name = "c" + std::to_string(n++) + ".zip";
    WriteFile(FDir + "\\comment.txt", c.Stored);
    ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../" + name + " e.txt && printf '%s' \"$(cat ../comment.txt)\" | zip -q -z ../" + name),
              0);
    const std::vector<uint8_t> before = ReadFile(FDir + "\\" + name);
    // zip breaks a long comment read from a pipe into lines.
    std::string stored;
    RunPeer("cd '" + FHost + "' && unzip -z " + name + " | tail -n +2", &stored);
    Open(name);
    std::string seen;
    {
      UiDriver::TModalAnswerer answer;
      answer.Then([&](HWND, TCustomForm* F) {
        auto* f = dynamic_cast<TCommentForm*>(F);
        if (!f) return false;
        seen = f->CommentText->Text();
        EXPECT_FALSE(f->CommentText->ReadOnly());
        if (c.Edit) c.Edit(f->CommentText);
        if (n == 3) SaveWindowShot(f->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/comment-dialog.bmp"));
        f->SetModalResult(mrOk);
        return true;
      });
      Form->CommentClick(nullptr);
    }
    auto flat = [](std::string T) {
      std::erase(T, '\r');
      std::erase(T, '\n');
      return T;
    };
    EXPECT_EQ(flat(seen), c.Stored);
    std::string out;
    RunPeer("cd '" + FHost + "' && unzip -z " + name + " | tail -n +2", &out);
    EXPECT_EQ(Trim(out), c.Edit ? c.Expected : Trim(stored));
    if (!c.Edit) {
      EXPECT_EQ(ReadFile(FDir + "\\" + name), before);
    }
    EXPECT_EQ(RunPeer("cd '" + FHost + "' && unzip -tq " + name + " >/dev/null"), 0);
  }
}

// Test logs each entry and sums up; a damaged entry is counted.
TEST_F(ArchiveActionsTest, TestLogsEveryEntryAndCountsErrors) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -0 ../good.zip d.txt e.txt && cp ../good.zip ../bad.zip && "
                    "printf 'X' | dd of=../bad.zip bs=1 seek=100 conv=notrunc 2>/dev/null"),
            0);
  struct TCase {
    const char* Name;
    const char* Summary;
  };
  std::vector<TCase> cases = {{"good.zip", " There were no errors in the archive: good.zip"},
                              {"bad.zip", " Warning: 1 error(s) found in the archive: bad.zip"}};
  if (HavePeer("lha")) {
    ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && lha aq ../good.lzh d.txt e.txt"), 0);
    cases.push_back({"good.lzh", " There were no errors in the archive: good.lzh"});
  }
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Open(c.Name);
    Form->TestClick(nullptr);
    Application->ProcessMessages();
    TStrings* log = OperationLog();
    std::string all;
    for (int i = 0; i < log->Count(); ++i) all += log->Strings(i) + "|";
    ASSERT_GE(log->Count(), 5) << all;
    EXPECT_EQ(log->Strings(0), std::string(37, '#'));
    EXPECT_EQ(log->Strings(1).substr(0, 18 + std::string(c.Name).size()), std::string(" Testing archive: ") + c.Name);
    EXPECT_EQ(log->Strings(log->Count() - 1), c.Summary);
    EXPECT_TRUE(MsgForm()->Visible());
    MsgForm()->Close();
    Application->ProcessMessages();
    EXPECT_TRUE(Form->Enabled());
  }
}

TEST_F(ArchiveActionsTest, RenameEntryInsideAZip) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip d.txt e.txt"), 0);
  Open("t.zip");
  {
    TBoxes boxes(mrOk);
    EXPECT_FALSE(Form->RenameEntryTo(Row("d.txt"), "E.TXT"));
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0], "The file name E.TXT already exists.");
  }
  EXPECT_FALSE(Form->RenameEntryTo(Row("d.txt"), ""));
  EXPECT_TRUE(Form->RenameEntryTo(Row("d.txt"), "f.txt"));
  EXPECT_EQ(ZipNames("t.zip"), "e.txt f.txt");
  EXPECT_NE(Row("f.txt"), -1);
  std::string out;
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && unzip -p t.zip f.txt | cmp - src/d.txt", &out), 0) << out;
}

TEST_F(ArchiveActionsTest, PropertiesAndDeleteArchive) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../Props.zip d.txt e.txt"), 0);
  Open("Props.zip");
  Form->PropertiesClick(nullptr);
  Application->ProcessMessages();
  TZipPropForm* p = Form->ZipPropForm;
  ASSERT_TRUE(p->Visible());
  EXPECT_EQ(p->NameText->Caption(), "props.zip");
  EXPECT_EQ(p->PathText->Caption(), AnsiLowerCase(FDir));
  EXPECT_EQ(p->FilesText->Caption(), "2");
  EXPECT_EQ(p->ArcTypeText->Caption(), "ZIP");
  std::string size;
  RunPeer("stat -c %s '" + FHost + "/Props.zip'", &size);
  EXPECT_EQ(p->SizeText->Caption(), InsertThousandSeparators(Trim(size)));
  SaveWindowShot(p->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/properties-dialog.bmp"));
  p->Close();
  Application->ProcessMessages();
  EXPECT_TRUE(Form->Enabled());

  ActiveFile1 = ArchiveName;
  ActiveFile2 = FDir + "\\other.zip";
  {
    TBoxes boxes(mrNo);
    Form->DeleteArchiveClick(nullptr);
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0], "Are you sure you want TO delete the entire archive " + FDir + "\\Props.zip?");
  }
  EXPECT_TRUE(FileExists(FDir + "\\Props.zip"));
  {
    TBoxes boxes(mrYes);
    Form->DeleteArchiveClick(nullptr);
  }
  EXPECT_FALSE(FileExists(FDir + "\\Props.zip"));
  EXPECT_TRUE(ArchiveName.empty());
  EXPECT_EQ(ActiveFile1, FDir + "\\other.zip");
}

// Move and Copy choose the folder in the Select Folder window; a cancelled
// choice changes nothing, missing folders are made, the copy becomes the
// open archive.
TEST_F(ArchiveActionsTest, MoveAndCopyTheArchiveFile) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../m.zip d.txt"), 0);
  Open("m.zip");
  SelDir1 = SelDir2 = SelDir3 = SelDir4 = SelDir5 = "";
  auto choose = [&](const std::string& Folder, bool Escape, bool Shot = false) {
    auto answer = std::make_unique<UiDriver::TModalAnswerer>();
    answer->Then([this, Folder, Escape, Shot](HWND, TCustomForm* F) {
      auto* f = dynamic_cast<TSelDirForm*>(F);
      if (!f) return false;
      EXPECT_FALSE(Form->Enabled());
      if (Escape) {
        UiDriver::PressKey(f->Destination, VK_ESCAPE);
        return true;
      }
      UiDriver::SetValue(f->Destination, Folder);
      if (Shot) SaveWindowShot(f->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/selectfolder-dialog.bmp"));
      UiDriver::Click(f->OKButt);
      return true;
    });
    return answer;
  };
  {
    auto a = choose("", true);
    Form->MoveCopyArchive(true);
  }
  EXPECT_EQ(SelectFolderResult, "-1");
  EXPECT_EQ(ArchiveName, FDir + "\\m.zip");
  EXPECT_TRUE(Form->Enabled());
  {
    auto a = choose(FDir + "\\New\\Deeper", false, true);
    Form->MoveCopyArchive(true);
  }
  EXPECT_EQ(Form->SelDirForm->Caption(), "Move");
  EXPECT_EQ(Form->SelDirForm->Label1->Caption(), "Move m.zip &to:");
  EXPECT_EQ(ArchiveName, FDir + "\\New\\Deeper\\m.zip");
  EXPECT_FALSE(FileExists(FDir + "\\m.zip"));
  EXPECT_EQ(SelDir1, AnsiLowerCase(FDir + "\\New\\Deeper"));
  EXPECT_EQ(ActiveFile1, ArchiveName);
  {
    auto a = choose(FDir + "\\c", false);
    Form->MoveCopyArchive(false);
  }
  EXPECT_EQ(ArchiveName, FDir + "\\c\\m.zip");
  EXPECT_TRUE(FileExists(FDir + "\\New\\Deeper\\m.zip"));
  EXPECT_EQ(SelDir2, AnsiLowerCase(FDir + "\\New\\Deeper"));
  EXPECT_EQ(ZipNames("c/m.zip"), "d.txt");
}

// The Extract dialog's New Folder window makes the folder (a leading "\" of
// the name dropped) and points the destination at it.
TEST_F(ArchiveActionsTest, NewFolderFromTheExtractDialog) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../n.zip d.txt"), 0);
  Open("n.zip");
  Form->ExtractButtonClick(nullptr);
  Application->ProcessMessages();
  TExtractForm* d = Form->ExtractForm;
  UiDriver::SetValue(d->Destination, FDir);
  UiDriver::TModalAnswerer answer;
  answer.Then([&](HWND, TCustomForm* F) {
    auto* f = dynamic_cast<TNFolderForm2*>(F);
    if (!f) return false;
    EXPECT_EQ(f->CurrentFolder->Caption(), FDir);
    UiDriver::SetValue(f->Edit1, "\\made");
    SaveWindowShot(f->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/newfolder-dialog.bmp"));
    UiDriver::Click(f->Button1);
    return true;
  });
  UiDriver::Click(d->NewFolderButt);
  Application->ProcessMessages();
  EXPECT_TRUE(DirectoryExists(FDir + "\\made"));
  EXPECT_EQ(AnsiLowerCase(ExcludeTrailingBackslash(d->Destination->Text())), AnsiLowerCase(FDir + "\\made"));
  d->Close();
  Application->ProcessMessages();
}

TEST(IsProgramFile, ByExtension) {
  for (const char* p : {"a.exe", "B.COM", "c.bat", "d.cmd", "e.lnk", "f.vbs", "g.msi", "h.scr", "i.pif", "j.js"})
    EXPECT_TRUE(IsProgramFile(p)) << p;
  for (const char* p : {"a.txt", "b.zip", "c.exe.txt", "noext", "d.htm"}) EXPECT_FALSE(IsProgramFile(p)) << p;
}

TEST(ArchiveTypeText, ByKeyThenByRealExtension) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {".exe", "x.exe", "ZIP, SFX"}, {".zip", "x.zip", "ZIP"},         {".rar", "x.exe", "RAR, SFX"},
      {".lzh", "x.lzh", "LHA"},      {".bh", "x.bh", "BH (Bh)"},       {".zip", "x.pk3", "Quake 3 PK3 file"},
      {".zip", "x.JAR", "JavaARchiver file"}, {".gz", "x.tgz", "GZIPed TAR"}, {".tar", "x.tar", "TAR"},
      {".enc", "x.uue", "UUencoded"}, {".gz", "x.z", "GZIP"},          {".arj", "x.arj", "ARJ"},
      {".enc", "x.foo", ""}};
  for (const auto& [ext, file, text] : cases) EXPECT_EQ(ArchiveTypeText(ext, file), text) << file;
}

TEST(SplitAtFirstDot, KeepsEverythingFromTheFirstDot) {
  std::string base, ext;
  SplitAtFirstDot("pack.tar.gz", base, ext);
  EXPECT_EQ(base, "pack");
  EXPECT_EQ(ext, ".tar.gz");
  SplitAtFirstDot("noext", base, ext);
  EXPECT_EQ(base, "noext");
  EXPECT_EQ(ext, "");
}

TEST_F(ArchiveActionsTest, PasswordWindowOkAndEscape) {
  UiDriver::TModalAnswerer answer;
  answer.Then([](HWND, TCustomForm* F) {
    auto* f = dynamic_cast<TPasswordForm*>(F);
    if (!f) return false;
    EXPECT_EQ(f->Caption(), "Enter password");
    UiDriver::SetValue(f->Password, "secret");
    EXPECT_EQ(f->Password->PasswordChar(), '?');
    SaveWindowShot(f->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/password-dialog.bmp"));
    UiDriver::Click(f->OKButt);
    return true;
  });
  EXPECT_EQ(AskPassword("Enter password"), "secret");
  EXPECT_EQ(ArchivePassword, "secret");
  EXPECT_EQ(Form->PasswordForm1->Caption(), "Password");
  answer.Then([](HWND, TCustomForm* F) {
    auto* f = dynamic_cast<TPasswordForm*>(F);
    if (!f) return false;
    UiDriver::SetValue(f->Password, "typed");
    UiDriver::PressKey(f->Password, VK_ESCAPE);
    return true;
  });
  EXPECT_EQ(AskPassword(), "");
  EXPECT_EQ(Form->PasswordForm1->EnteredPassword, "");
}

}  // namespace

// The Virus Scan command hands the scanner the whole archive taken out into a
// folder of its own, reports by the scanner's exit code, and removes the
// folder; a missing scanner is said so.
TEST_F(ArchiveActionsTest, VirusScanSeesTheWholeArchiveInAFolderOfItsOwn) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../s.zip a d.txt"), 0);
  const std::vector<std::string> saved = {Temp, VirusScanProgram, VirusScanParameters};
  Temp = FDir + "\\";
  VirusScanProgram = FDir + "\\scanner.bat";
  VirusScanParameters = "";
  WriteFile(VirusScanProgram, "@echo %1> \"" + FDir + "\\scan.txt\"\r\n@if exist \"%1\\a\\b\\c.bin\" exit /b 5\r\n@exit /b 0\r\n");
  Open("s.zip");
  EXPECT_TRUE(Form->VirusScan->Enabled());
  EXPECT_TRUE(Form->ToolButtons[9]->Enabled());
  {
    TBoxes boxes(mrOk);
    Form->VirusScan->OnClick(nullptr);
    Application->ProcessMessages();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find("wasn't 0"), std::string::npos) << boxes.Texts[0];
  }
  const std::vector<uint8_t> seen = ReadFile(FDir + "\\scan.txt");
  const std::string folder = Trim(std::string(seen.begin(), seen.end()));
  ASSERT_FALSE(folder.empty());
  EXPECT_FALSE(DirectoryExists(folder)) << folder;
  VirusScanProgram = FDir + "\\noscanner.exe";
  {
    TBoxes boxes(mrOk);
    Form->VirusScan->OnClick(nullptr);
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find("cannot be found"), std::string::npos) << boxes.Texts[0];
  }
  Temp = saved[0];
  VirusScanProgram = saved[1];
  VirusScanParameters = saved[2];
}
