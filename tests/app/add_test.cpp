// The Add dialog driven as a user drives it; what it writes is read back by
// the peers (unzip, lha, cabextract) and, for BH, by our own lister.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/addactions.h"
#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "controls/commands/editx.h"
#include "controls/views/placement.h"
#include "archive/core/unbase.h"
#include "archive/formats/bh/bhwriter.h"
#include "dialogs/addform.h"
#include "dialogs/passwordform.h"
#include "dialogs/selgroupform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "tests/app/mainform_fixture.h"
#include "tests/app/modalboxes.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

class AddTest : public TMainFormFixture {
 protected:
  void BeforeShow() override {
    SaveDirNames = 0;
    SpanningMode = 2;
    DefaultCompression = 0;
    AddFolder = 1;
    LastAddDir = FDir + "\\src\\";
  }
  void SetUp() override {
    TMainFormFixture::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a/b seed && head -c 70000 /dev/urandom > src/a/b/c.bin"
                      " && seq 1 3000 > src/a/x.txt && seq 5 900 > src/d.txt && echo small > src/e.txt"
                      " && echo seed > seed/seed.txt"),
              0);
  }
  void TearDown() override {
    if (Form && Form->AddForm && Form->AddForm->Visible()) Form->AddForm->Close();
    TMainFormFixture::TearDown();
  }
  TAddForm* ShowAdd() {
    Form->AddButtonClick(nullptr);
    Application->ProcessMessages();
    TAddForm* d = Form->AddForm;
    EXPECT_NE(d, nullptr);
    EXPECT_TRUE(d && d->Visible());
    return d;
  }
  // Selects the browser rows named Names (none left selected besides).
  void Select(TAddForm* D, const std::vector<std::string>& Names) {
    for (int i = 0; i < D->FileList->Items()->Count(); ++i) {
      TListItem* it = D->FileList->Items()->Item(i);
      it->SetSelected(std::find(Names.begin(), Names.end(), it->Caption()) != Names.end());
    }
    Application->ProcessMessages();
  }
  // Shows the dialog in src\, lets Setup choose, clicks Add.
  void Add(const std::vector<std::string>& Names, const std::function<void(TAddForm*)>& Setup = nullptr) {
    TAddForm* d = ShowAdd();
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(BrowserFolder, FDir + "\\src\\");
    if (Setup) Setup(d);
    Select(d, Names);
    ASSERT_TRUE(d->AddButt->Enabled());
    UiDriver::Click(d->AddButt);
    Application->ProcessMessages();
    EXPECT_FALSE(d->Visible());
    EXPECT_TRUE(Form->Enabled());
  }
  std::vector<std::string> Names() {
    std::vector<std::string> n;
    for (const TFile& f : FileTable) n.push_back(f.Path + f.Name);
    std::sort(n.begin(), n.end());
    return n;
  }
  std::string Peer(const std::string& Command, int* Status = nullptr) {
    std::string out;
    const int s = RunPeer("cd '" + FHost + "' && " + Command, &out);
    if (Status) *Status = s;
    return out;
  }
};

// The non-empty lines of Text, sorted.
std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> l;
  size_t start = 0;
  while (start <= Text.size()) {
    const size_t end = std::min(Text.find('\n', start), Text.size());
    const std::string s = Trim(Text.substr(start, end - start));
    if (!s.empty()) l.push_back(s);
    start = end + 1;
  }
  std::sort(l.begin(), l.end());
  return l;
}

// Enter typed into an edit, as its character.
void Enter(TWinControl* Edit) {
  PostMessageW(Edit->Handle(), WM_CHAR, 13, 1);
  Application->ProcessMessages();
}

void Choose(TComboBox* Box, const std::string& Item) {
  const int i = Box->Items()->IndexOf(Item);
  ASSERT_GE(i, 0) << Item;
  Box->SetItemIndex(i);
}

// Each folder-information choice stores the paths the user asked for, and
// unzip reads every byte back.
TEST_F(AddTest, ZipStoresThePathsOfEachFolderOption) {
  const std::string full = AnsiLowerCase(FHost.substr(1)) + "/src/";
  struct Case {
    const char* Option;
    std::vector<std::string> Stored;
  } cases[] = {
      {"none", {"b/c.bin", "d.txt", "seed.txt", "x.txt"}},
      {"SaveExtraDirInfo", {"a/b/c.bin", "a/x.txt", "d.txt", "seed.txt"}},
      {"CheckBox1", {"seed.txt", full + "a/b/c.bin", full + "a/x.txt", full + "d.txt"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.Option);
    // The full path sorts where the test folder's name puts it.
    std::sort(c.Stored.begin(), c.Stored.end());
    const std::string name = std::string("t-") + c.Option + ".zip";
    ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && zip -q ../" + name + " seed.txt"), 0);
    Open(FDir + "\\" + name);
    Add({"a", "d.txt"}, [&](TAddForm* d) {
      if (std::string(c.Option) == "SaveExtraDirInfo") UiDriver::Click(d->SaveExtraDirInfo);
      if (std::string(c.Option) == "CheckBox1") UiDriver::Click(d->CheckBox1);
    });
    std::vector<std::string> stored;
    std::string bin;  // as stored, case kept
    for (const std::string& s : Lines(Peer("unzip -Z1 " + name))) {
      if (s.back() != '/') stored.push_back(AnsiLowerCase(s));
      if (s.size() >= 5 && s.substr(s.size() - 5) == "c.bin") bin = s;
    }
    EXPECT_EQ(stored, c.Stored);
    int status = -1;
    const std::string t = Peer("unzip -t " + name, &status);
    EXPECT_EQ(status, 0) << t;
    // The bytes as they went in.
    EXPECT_EQ(Peer("unzip -p " + name + " '" + bin + "' | cmp - src/a/b/c.bin && echo same"), "same\n");
    // The list was read again.
    EXPECT_EQ(FileCount, 4);
    const std::string log = OperationLog()->Text();
    EXPECT_NE(log.find(" Adding file(s): " + name + " -- "), std::string::npos) << log;
    EXPECT_NE(log.find(" Done -- "), std::string::npos) << log;
  }
  EXPECT_EQ(LastAddDir, FDir + "\\src\\");
}

// Set password asks through the program's password window, twice, over the
// Add dialog: what a Zip keeps, what the dialog keeps, and a mismatch.
TEST_F(AddTest, SetPasswordAsksThroughThePasswordWindow) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && zip -q ../p.zip seed.txt"), 0);
  Open(FDir + "\\p.zip");
  const std::string longOne(300, 'k');
  struct {
    std::vector<std::string> Answers;
    bool Mismatch;
    std::string AddPassword, ZipPassword;
  } cases[] = {
      {{"pw", "pw"}, false, "pw", "pw"},
      {{"pw", "px"}, true, "", ""},
      {{longOne, longOne}, false, longOne, longOne.substr(0, 255)},
      // An empty first answer asks once and clears what the Zip would use.
      {{""}, false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Answers[0].substr(0, 8));
    TAddForm* d = ShowAdd();
    ASSERT_NE(d, nullptr);
    std::vector<std::string> captions, messages;
    UiDriver::TModalAnswerer answer;
    for (const std::string& a : c.Answers)
      answer.Then([&, a](HWND, TCustomForm* F) {
        if (!F || F->Name() != "PasswordForm") return false;
        captions.push_back(F->Caption());
        TEditX* edit = UiDriver::Find<TEditX>(F, "Password");
        EXPECT_EQ(edit->PasswordChar(), '?');
        EXPECT_EQ(edit->Text(), "");
        // Centred over the Add dialog.
        EXPECT_LE(std::abs(F->Left() + F->Width() / 2 - (d->Left() + d->Width() / 2)), 1);
        EXPECT_LE(std::abs(F->Top() + F->Height() / 2 - (d->Top() + d->Height() / 2)), 1);
        UiDriver::SetValue(edit, a);
        UiDriver::Click(UiDriver::Find<TButton>(F, "OKButt"));
        return true;
      });
    if (c.Mismatch)
      answer.Then([&](HWND, TCustomForm* F) {
        if (!F || F->Name() == "PasswordForm") return false;
        messages.push_back(UiDriver::Find<TLabel>(F, "Message")->Caption());
        F->SetModalResult(mrOk);
        return true;
      });
    UiDriver::Click(d->SetPasswordButt);
    Application->ProcessMessages();
    EXPECT_TRUE(answer.Done());
    EXPECT_EQ(captions, c.Answers.size() == 1 ? std::vector<std::string>{"Enter password"}
                                              : (std::vector<std::string>{"Enter password", "Re-enter password"}));
    EXPECT_EQ(messages, c.Mismatch ? std::vector<std::string>{"The password you typed is incorrect."}
                                   : std::vector<std::string>{});
    EXPECT_EQ(d->AddPassword, c.AddPassword);
    EXPECT_EQ(GetZipPassword(d->ZipBridge1), c.ZipPassword);
    EXPECT_EQ(Form->PasswordForm1->Caption(), "Password");
    d->Close();
    Application->ProcessMessages();
  }
}

TEST_F(AddTest, ZipPasswordIsAskedTwiceAndEncrypts) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && zip -q ../p.zip seed.txt"), 0);
  Open(FDir + "\\p.zip");
  std::vector<std::string> asked;
  {
    // Two different answers are refused and set nothing.
    TAddForm* d = ShowAdd();
    std::vector<std::string> answers = {"one", "two"};
    d->AskPassword = [&](const std::string& Caption) {
      asked.push_back(Caption);
      const std::string a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
    TBoxes boxes(mrOk);
    UiDriver::Click(d->SetPasswordButt);
    Application->ProcessMessages();
    ASSERT_EQ(boxes.Texts, std::vector<std::string>{"The password you typed is incorrect."});
    EXPECT_EQ(asked, (std::vector<std::string>{"Enter password", "Re-enter password"}));
    EXPECT_EQ(d->AddPassword, "");
    d->Close();
    Application->ProcessMessages();
  }
  Add({"d.txt", "e.txt"}, [&](TAddForm* d) {
    d->AskPassword = [](const std::string&) { return std::string("secret"); };
    UiDriver::Click(d->SetPasswordButt);
    EXPECT_EQ(d->AddPassword, "secret");
  });
  int status = -1;
  const std::string ok = Peer("unzip -P secret -t p.zip", &status);
  EXPECT_EQ(status, 0) << ok;
  Peer("unzip -P wrong -t p.zip", &status);
  EXPECT_NE(status, 0);
  EXPECT_EQ(Peer("unzip -P secret -p p.zip d.txt | cmp - src/d.txt && echo same"), "same\n");
  // The password goes with the show: the next add is plain.
  Add({"a"});
  EXPECT_EQ(Peer("unzip -Z -v p.zip b/c.bin | grep -c 'file security status.*not encrypted'"), "1\n");
}

// Freshen takes only what the archive holds and is newer; Update adds too;
// Move takes the sources away.
TEST_F(AddTest, FreshenUpdateAndMoveGoByFileTimes) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && touch -d '2001-01-01' d.txt && zip -q ../f.zip d.txt"
                    " && touch -d '2002-01-01' d.txt && touch -d '2003-01-01' e.txt"),
            0);
  Open(FDir + "\\f.zip");
  Add({"d.txt", "e.txt"}, [](TAddForm* d) { Choose(d->ActionBox, "Freshen existing files"); });
  EXPECT_EQ(Lines(Peer("unzip -Z1 f.zip")), std::vector<std::string>{"d.txt"});
  EXPECT_NE(Peer("unzip -l f.zip d.txt").find("2002"), std::string::npos);
  Add({"d.txt", "e.txt"}, [](TAddForm* d) { Choose(d->ActionBox, "Update (and add) files"); });
  EXPECT_EQ(Lines(Peer("unzip -Z1 f.zip")), (std::vector<std::string>{"d.txt", "e.txt"}));
  Add({"a"}, [](TAddForm* d) { Choose(d->ActionBox, "Move files"); });
  EXPECT_EQ(Lines(Peer("unzip -Z1 f.zip | grep -v '/$'")), (std::vector<std::string>{"b/c.bin", "d.txt", "e.txt", "x.txt"}));
  EXPECT_FALSE(FileExists(FDir + "\\src\\a\\x.txt"));
  EXPECT_FALSE(FileExists(FDir + "\\src\\a\\b\\c.bin"));
  int status = -1;
  Peer("unzip -t f.zip", &status);
  EXPECT_EQ(status, 0);
}

// LZH, CAB and BH go through the window's writers; the peers (our lister
// for BH) read every entry back.
TEST_F(AddTest, WritersOfLzhCabAndBh) {
  ASSERT_TRUE(CopyFileA((FDir + "\\seed\\seed.txt").c_str(), (FDir + "\\seed.bin").c_str(), FALSE));
  {
    TBh bh(nullptr);
    bh.SetArchiveFile(FDir + "\\t.bh");
    bh.FileSpec()->Add(FDir + "\\seed\\seed.txt");
    bh.StoredDirNames = TStoredDirNames::sdNone;
    ASSERT_EQ(bh.Compress(), 1);
  }
  struct Case {
    const char* Peer;
    const char* Name;
    const char* Make;  // in seed/
    const char* Test;
    int Compression;
  } cases[] = {
      {"lha", "t.lzh", "lha aq ../t.lzh seed.txt", "lha t t.lzh", 0},
      {"cabextract", "t.cab", "gcab -c -n ../t.cab seed.txt", "cabextract -t t.cab", 0},
      {"", "t.bh", "", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (*c.Peer && !HavePeer(c.Peer)) continue;
    if (*c.Make) {
      ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && " + c.Make), 0);
    }
    Open(FDir + "\\" + c.Name);
    const bool cab = std::string(c.Name) == "t.cab";
    // Adding to a cabinet that has files replaces them: the user is asked.
    TBoxes boxes(mrYes);
    Add({"a", "d.txt"}, [&](TAddForm* d) {
      EXPECT_EQ(d->SetPasswordButt->Enabled(), std::string(c.Name) == "t.bh");
      EXPECT_FALSE(d->SpanningGroup->Enabled());
      EXPECT_EQ(d->ActionBox->Items()->Count(), 2);
      UiDriver::Click(d->SaveExtraDirInfo);
      d->CompressionBox->SetItemIndex(c.Compression);
    });
    EXPECT_EQ(boxes.Texts.size(), cab ? 1u : 0u);
    EXPECT_EQ(CompressorRunning, 0);
    // The folder's name starts the stored paths; a file keeps the name of
    // the folder it was picked in. The cabinet writer stores plain names and
    // keeps the old entries.
    std::vector<std::string> want = {"a\\b\\c.bin", "a\\x.txt", "seed.txt", "src\\d.txt"};
    if (cab) want = {"c.bin", "d.txt", "seed.txt", "x.txt"};
    EXPECT_EQ(Names(), want);
    if (*c.Test) {
      int status = -1;
      const std::string out = Peer(c.Test, &status);
      EXPECT_EQ(status, 0) << out;
    }
    const std::string log = OperationLog()->Text();
    EXPECT_NE(log.find("Compressing "), std::string::npos) << log;
    EXPECT_NE(log.find("                --> OK"), std::string::npos) << log;
  }
  // The BH entries come out as they went in, through our reader.
  const std::string out = FDir + "\\bhout";
  CreateDir(out);
  TUnBase* reader = Form->ExtractorFor(".bh");
  ASSERT_NE(reader, nullptr);
  reader->SetArchiveFile(FDir + "\\t.bh");
  reader->SetExtractDir(out);
  reader->UseStoredDirs = true;
  TStringList all;
  all.Add("*.*");
  reader->SetFileSpec(&all);
  reader->Extract();
  Form->ReleaseReader(reader);
  EXPECT_EQ(Peer("cmp src/a/b/c.bin bhout/a/b/c.bin && cmp src/d.txt bhout/src/d.txt && echo same"), "same\n");
}

TEST_F(AddTest, BoxesFollowTheFormat) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && zip -q ../t.pk3 seed.txt"), 0);
  Open(FDir + "\\t.pk3");
  TAddForm* d = ShowAdd();
  EXPECT_FALSE(d->CompressionBox->Enabled());
  EXPECT_EQ(d->ActionBox->Items()->Count(), 4);
  EXPECT_EQ(TAddForm::ZipLevelFor(0, "x.pk3"), 0);
  EXPECT_EQ(TAddForm::ZipLevelFor(1, "x.zip"), 7);
  EXPECT_EQ(TAddForm::ZipLevelFor(4, "x.zip"), 0);
  d->Close();
  Application->ProcessMessages();
  if (!HavePeer("lha")) return;
  ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && lha aq ../t.lzh seed.txt"), 0);
  Open(FDir + "\\t.lzh");
  DefaultCompression = 3;
  d = ShowAdd();
  EXPECT_EQ(DefaultCompression, 2);
  EXPECT_EQ(d->CompressionBox->Text(), "None");
  d->Close();
  Application->ProcessMessages();
}

// The browser: folders first, each part by name; up to the parent and to
// the drive list; a typed folder; the file-group mask.
TEST_F(AddTest, BrowserAndFileGroup) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && zip -q ../t.zip seed.txt && mkdir -p ../src/Zdir && touch ../src/B.txt"), 0);
  Open(FDir + "\\t.zip");
  TAddForm* d = ShowAdd();
  std::vector<std::string> rows;
  for (int i = 0; i < d->FileList->Items()->Count(); ++i) rows.push_back(d->FileList->Items()->Item(i)->Caption());
  EXPECT_EQ(rows, (std::vector<std::string>{"a", "zdir", "b.txt", "d.txt", "e.txt"}));
  EXPECT_EQ(BrowserEntries[0].SizeText, "");
  EXPECT_EQ(BrowserEntries[3].SizeText, "3,484");
  EXPECT_EQ(d->CurrentFolder->Text(), FDir + "\\src");

  d->SelGroupForm1->typee->SetText(".txt");
  UiDriver::Click(d->SelGroupForm1->OKButt);
  std::vector<int> want = {2, 3, 4};
  EXPECT_EQ(d->SelectedRows(), want);
  d->SelGroupForm1->typee->SetText("*.*");
  UiDriver::Click(d->SelGroupForm1->OKButt);
  want = {0, 1, 2, 3, 4};
  EXPECT_EQ(d->SelectedRows(), want);
  EXPECT_EQ(GroupMask("doc."), "doc.*");

  UiDriver::Click(d->Up);
  EXPECT_EQ(BrowserFolder, FDir + "\\");
  UiDriver::Click(d->SpeedButton1);
  EXPECT_EQ(BrowserFolder, "");
  EXPECT_EQ(d->CurrentFolder->Text(), "My Computer");
  EXPECT_FALSE(d->Up->Enabled());
  EXPECT_FALSE(d->AddButt->Enabled());
  EXPECT_EQ(d->FileList->Columns()->Items(1)->Caption(), "Total Size");
  EXPECT_GT(d->FileList->Items()->Count(), 0);

  {
    TBoxes boxes(mrOk);
    UiDriver::SetValue(d->CurrentFolder, FDir + "\\nothere");
    Enter(d->CurrentFolder);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Can't find directory \"" + FDir + "\\nothere\"."});
  }
  UiDriver::SetValue(d->CurrentFolder, FDir + "\\src\\a");
  Enter(d->CurrentFolder);
  EXPECT_EQ(BrowserFolder, FDir + "\\src\\a\\");
  EXPECT_EQ(d->FileList->Columns()->Items(1)->Caption(), "Size");
  EXPECT_TRUE(d->Up->Enabled());

  // The two folder-information options exclude each other.
  UiDriver::Click(d->SaveExtraDirInfo);
  UiDriver::Click(d->CheckBox1);
  EXPECT_FALSE(d->SaveExtraDirInfo->Checked());
  EXPECT_TRUE(d->CheckBox1->Checked());

  // The dialog, filled in, for people to look at.
  d->FileList->Items()->Item(0)->SetSelected(true);
  Application->ProcessMessages();
  SaveWindowShot(d->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/add-dialog.bmp"));
  d->Close();
  Application->ProcessMessages();
  EXPECT_TRUE(Form->Enabled());
}

// A folder fuller than the browser's table shows the first entries and
// says so; sizes add up past 4 GB.
TEST_F(AddTest, FullTableAndLargeSizes) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir many && cd many && seq -w 1 10005 | xargs touch"
                    " && mkdir ../big && truncate -s 5G ../big/huge && echo x > ../big/small"),
            0);
  EXPECT_EQ(TAddForm::FolderSize(FDir + "\\big\\"), (int64_t(5) << 30) + 2);
  ASSERT_EQ(RunPeer("cd '" + FHost + "/seed' && zip -q ../t.zip seed.txt"), 0);
  Open(FDir + "\\t.zip");
  TAddForm* d = ShowAdd();
  {
    TBoxes boxes(mrOk);
    d->ListFolder(FDir + "\\many\\");
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find("10,000"), std::string::npos) << boxes.Texts[0];
  }
  EXPECT_EQ(d->FileList->Items()->Count(), 10000);
  EXPECT_EQ(BrowserEntries.size(), BrowserCapacity);
  d->Close();
  Application->ProcessMessages();
}

// A new archive: the extension by the chosen type, the questions for an
// existing file, and the Add dialog at once; the first add writes the file.
TEST_F(AddTest, NewArchiveOpensTheAddDialog) {
  AutoAdd = 1;
  Form->CreateNewArchive(FDir + "\\fresh", 1);
  Application->ProcessMessages();
  EXPECT_EQ(ArchiveName, FDir + "\\fresh.zip");
  ASSERT_NE(Form->AddForm, nullptr);
  ASSERT_TRUE(Form->AddForm->Visible());
  Form->AddForm->Close();
  Application->ProcessMessages();
  Add({"a", "e.txt"});
  int status = -1;
  const std::string t = Peer("unzip -t fresh.zip", &status);
  EXPECT_EQ(status, 0) << t;
  EXPECT_EQ(FileCount, 3);

  AutoAdd = 0;
  Form->CreateNewArchive(FDir + "\\fresh.lzh", 1);
  EXPECT_EQ(ArchiveExt, ".lzh");
  if (HavePeer("lha")) {
    Add({"d.txt"});
    const std::string l = Peer("lha t fresh.lzh", &status);
    EXPECT_EQ(status, 0) << l;
  }
  {
    // An existing file: No to opening it, No to overwriting: nothing changes.
    TBoxes boxes(mrNo);
    Form->CreateNewArchive(FDir + "\\fresh.zip", 2);
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_EQ(boxes.Texts[0], "Cannot create \"" + FDir + "\\fresh.zip\". File already exists.Open existing file?");
    EXPECT_EQ(boxes.Texts[1], "Overwrite \"" + FDir + "\\fresh.zip\"?");
    EXPECT_TRUE(FileExists(FDir + "\\fresh.zip"));
  }
  {
    TBoxes boxes(mrYes);
    Form->CreateNewArchive(FDir + "\\fresh.zip", 2);
    EXPECT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(ArchiveName, FDir + "\\fresh.zip");
    EXPECT_EQ(FileCount, 3);
  }
}

}  // namespace
