// The extract dialog driven as a user drives it, its results compared with
// what the peers put in.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "controls/views/placement.h"
#include "dialogs/extractform.h"
#include "dialogs/msgform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "framework/ui/winapi.h"
#include "tests/app/mainform_fixture.h"
#include "tests/app/modalboxes.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

std::vector<std::string> SplitWords(const std::string& Text) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = Text.find(' ', start);
    if (end == std::string::npos) end = Text.size();
    if (end > start) words.push_back(Text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

class ExtractTest : public TMainFormFixture {
 protected:
  void BeforeShow() override {
    Extract1 = Extract2 = Extract3 = Extract4 = Extract5 = "";
    ExtractOverwrite = 0;
    Efolder = 0;
  }
  void SetUp() override {
    TMainFormFixture::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a/b && cd src && head -c 70000 /dev/urandom > a/b/c.bin"
                      " && seq 1 3000 > d.txt && echo small > e.txt"),
              0);
  }
  // Shows the dialog, lets Setup fill it in, clicks Extract.
  void Extract(const std::function<void(TExtractForm*)>& Setup) {
    Form->ExtractButtonClick(nullptr);
    Application->ProcessMessages();
    TExtractForm* d = Form->ExtractForm;
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->Visible());
    Setup(d);
    UiDriver::Click(d->ExtractButt);
    Application->ProcessMessages();
    EXPECT_FALSE(d->Visible());
    EXPECT_TRUE(Form->Enabled());
  }
  // The operation log, line by line.
  static std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::string text = OperationLog()->Text();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }
};

struct PeerArchive {
  const char* Peers;   // the tools that write and read it, space-separated
  const char* Name;    // the archive in the test folder
  const char* Make;    // run in src/; or a shared fixture's path below fixtures/
  const char* Unpack;  // the peer's own extraction into peer/, run in the test folder
  const char* Differ;  // diff options for what is known to come out otherwise
};

// Every format comes out as the peer's own extraction of the same archive
// does, below a folder chain that did not exist.
TEST_F(ExtractTest, PeerArchivesComeOutAsTheyWentIn) {
  const PeerArchive cases[] = {
      {"zip unzip", "t.zip", "zip -q -r ../t.zip a d.txt e.txt", "unzip -q t.zip -d peer", ""},
      {"tar", "t.tar", "tar cf ../t.tar a d.txt e.txt", "tar xf t.tar -C peer", ""},
      {"gzip", "d.txt.gz", "gzip -c d.txt > ../d.txt.gz", "gzip -dc d.txt.gz > peer/d.txt", ""},
      {"lha", "t.lzh", "lha aq ../t.lzh a/b/c.bin d.txt e.txt", "cd peer && lha xq ../t.lzh", ""},
      {"arj", "t.arj", "arj a -r ../t.arj a/b/c.bin d.txt e.txt >/dev/null", "cd peer && arj x -y ../t.arj >/dev/null", ""},
      {"gcab cabextract", "t.cab", "gcab -c -n ../t.cab d.txt e.txt", "cabextract -q -d peer t.cab", ""},
      {"arc", "t.arc", "arc a ../t.arc d.txt e.txt >/dev/null", "cd peer && arc x ../t.arc >/dev/null", ""},
      // The program writes names in the system's code page: the Cyrillic
      // name cannot be written as such (its content is compared below), and
      // the reader makes no folder for an empty folder entry.
      {"unar", "t.rar", "fixtures/rar/sharpcompress/Rar.none.rar", "unar -q -D -o peer t.rar",
       "-x Empty -x '\xd1\x82\xd0\xb5\xd1\x81\xd1\x82.txt' -x '____.txt'"},
  };
  for (const PeerArchive& c : cases) {
    SCOPED_TRACE(c.Name);
    bool have = true;
    for (const std::string& p : SplitWords(c.Peers)) have = have && HavePeer(p);
    if (!have) continue;
    const std::string make = c.Make;
    if (make.rfind("fixtures/", 0) == 0) {
      ASSERT_EQ(RunPeer("cp '" + std::string(MORV_SHARED_DIR) + "/" + make + "' '" + FHost + "/" + c.Name + "'"), 0);
    } else {
      ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && " + make), 0);
    }
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && rm -rf peer && mkdir peer && " + c.Unpack), 0);
    Open(FDir + "\\" + c.Name);
    const std::string out = FDir + "\\out\\" + c.Name + "\\x\\y";
    Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, out); });
    std::string diff;
    EXPECT_EQ(RunPeer("cd '" + FHost + "' && diff -r " + c.Differ + " peer '" + HostPath(out) + "'", &diff), 0) << diff;
    if (std::string(c.Name) == "t.rar") {
      EXPECT_EQ(RunPeer("cd '" + FHost + "' && cmp peer/\xd1\x82\xd0\xb5\xd1\x81\xd1\x82.txt '" + HostPath(out) +
                        "/____.txt'"),
                0);
    }
    EXPECT_EQ(Extract1, AnsiLowerCase(out));
  }
  // The dialog, filled in, for people to look at.
  Form->ExtractButtonClick(nullptr);
  Application->ProcessMessages();
  UiDriver::SetValue(Form->ExtractForm->Destination, "C:\\a\\b\\c");
  SaveWindowShot(Form->ExtractForm->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/extract-dialog.bmp"));
  Form->ExtractForm->Close();
}

TEST_F(ExtractTest, DialogStartsFromTheArchiveAndTheSelection) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../pack.old.zip a d.txt e.txt"), 0);
  Open(FDir + "\\pack.old.zip");
  Form->ExtractButtonClick(nullptr);
  Application->ProcessMessages();
  TExtractForm* d = Form->ExtractForm;
  EXPECT_EQ(d->Destination->Text(), FDir + "\\pack");
  EXPECT_FALSE(d->SelectedFiles->Enabled());
  EXPECT_TRUE(d->AllFilesButt->Checked());
  EXPECT_FALSE(Form->Enabled());
  EXPECT_TRUE(d->SkipOlder->Enabled());
  EXPECT_TRUE(d->UseFolderNames->Checked());
  EXPECT_GT(d->TreeList->Items()->Count(), 2);
  d->Close();
  Application->ProcessMessages();
  EXPECT_TRUE(Form->Enabled());

  Form->SetRowSelected(0, true);
  Application->ProcessMessages();
  Form->ExtractButtonClick(nullptr);
  Application->ProcessMessages();
  EXPECT_TRUE(d->SelectedFiles->Enabled());
  EXPECT_TRUE(d->SelectedFiles->Checked());
  // An empty destination keeps the dialog open.
  UiDriver::SetValue(d->Destination, "");
  UiDriver::Click(d->ExtractButt);
  Application->ProcessMessages();
  EXPECT_TRUE(d->Visible());
  d->Close();
  Application->ProcessMessages();
}

// Entries named "..\x" or "C:\x" stay inside the chosen folder.
TEST_F(ExtractTest, HostileNamesStayInsideTheFolder) {
  ASSERT_EQ(RunPeer("python3 -c \"import zipfile\nz=zipfile.ZipFile('" + FHost +
                    "/evil.zip','w')\nz.writestr('../up.txt','u')\nz.writestr('C:/abs.txt','a')\n"
                    "z.writestr('ok.txt','o')\nz.close()\""),
            0);
  Open(FDir + "\\evil.zip");
  TBoxes boxes(mrOk);
  Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, FDir + "\\in"); });
  EXPECT_TRUE(FileExists(FDir + "\\in\\ok.txt"));
  EXPECT_FALSE(FileExists(FDir + "\\up.txt"));
  EXPECT_FALSE(FileExists("C:\\abs.txt"));
  std::string found;
  RunPeer("cd '" + FHost + "' && find . -name up.txt -o -name abs.txt | grep -v '^./in/'", &found);
  EXPECT_EQ(Trim(found), "");
}

TEST_F(ExtractTest, OverwriteQuestionAndAllAnswer) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip d.txt e.txt && lha aq ../t.lzh d.txt e.txt"), 0);
  for (const char* name : {"t.zip", "t.lzh"}) {
    SCOPED_TRACE(name);
    if (std::string(name) == "t.lzh" && !HavePeer("lha")) continue;
    Open(FDir + "\\" + name);
    const std::string out = FDir + "\\ow-" + name;
    Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, out); });
    WriteFile(out + "\\d.txt", std::string("changed"));
    WriteFile(out + "\\e.txt", std::string("changed"));
    {
      TBoxes boxes(mrAll);
      Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, out); });
      ASSERT_EQ(boxes.Texts.size(), 1u);
      const std::string head = std::string(name) == "t.zip" ? "Confirm File Overwrite?" : "Confirm file Overwrite?";
      EXPECT_EQ(boxes.Texts[0].substr(0, head.size()), head);
      EXPECT_NE(boxes.Texts[0].find("7 bytes"), std::string::npos) << boxes.Texts[0];
    }
    std::string diff;
    EXPECT_EQ(RunPeer("cmp '" + FHost + "/src/d.txt' '" + HostPath(out) + "/d.txt' && cmp '" + FHost +
                          "/src/e.txt' '" + HostPath(out) + "/e.txt'",
                      &diff),
              0);
    // No: the file stays as it is.
    WriteFile(out + "\\d.txt", std::string("changed"));
    {
      TBoxes boxes(mrNo);
      Extract([&](TExtractForm* d) {
        UiDriver::SetValue(d->Destination, out);
        UiDriver::SetValue(d->FileSpec, "d.txt");
        UiDriver::Click(d->CFiles);
      });
      EXPECT_EQ(boxes.Texts.size(), 1u);
    }
    EXPECT_EQ(ReadFile(out + "\\d.txt").size(), 7u);
  }
}

TEST_F(ExtractTest, RecentDestinationsKeepOneLowerCaseCopyFirst) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q ../t.zip e.txt"), 0);
  Open(FDir + "\\t.zip");
  Extract1 = "z1";
  Extract2 = "";
  Extract3 = "z3";
  TExtractForm::RememberDestination(FDir + "\\One");
  EXPECT_EQ(Extract1, AnsiLowerCase(FDir + "\\one"));
  EXPECT_EQ(Extract2, "z1");
  EXPECT_EQ(Extract3, "z3");
  TExtractForm::RememberDestination("z3");
  EXPECT_EQ(Extract1, "z3");
  EXPECT_EQ(Extract2, AnsiLowerCase(FDir + "\\one"));
  EXPECT_EQ(Extract3, "z1");
  EXPECT_EQ(Extract4, "");
  for (const char* d : {"p", "q", "r", "s"}) TExtractForm::RememberDestination(d);
  EXPECT_EQ(Extract1, "s");
  EXPECT_EQ(Extract5, "z3");
  // A mask matching nothing says so and extracts nothing.
  TBoxes boxes(mrOk);
  Extract([&](TExtractForm* d) {
    UiDriver::SetValue(d->Destination, FDir + "\\none");
    UiDriver::SetValue(d->FileSpec, "*.none");
    UiDriver::Click(d->CFiles);
  });
  ASSERT_EQ(boxes.Texts.size(), 1u);
  EXPECT_EQ(boxes.Texts[0], "No files in the open archive match the specified files.");
  EXPECT_EQ(Extract1, AnsiLowerCase(FDir + "\\none"));
}

// A folder row chosen in the Explorer style takes everything below it.
TEST_F(ExtractTest, SelectedFolderTakesEverythingBelowIt) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -r ../t.zip a d.txt"), 0);
  Form->SetExplorerStyle(true);
  Open(FDir + "\\t.zip");
  ASSERT_EQ(FileTable[0].Name, "a\\");
  Form->SetRowSelected(0, true);
  Application->ProcessMessages();
  int64_t total = 0;
  Form->ExtractButtonClick(nullptr);
  Application->ProcessMessages();
  const std::vector<std::string> specs = Form->ExtractForm->FileSpecs(&total);
  EXPECT_EQ(specs, std::vector<std::string>{"a\\*.*"});
  EXPECT_EQ(total, 70000);
  Form->ExtractForm->Close();
  Application->ProcessMessages();
  Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, FDir + "\\sel"); });
  EXPECT_TRUE(FileExists(FDir + "\\sel\\a\\b\\c.bin"));
  EXPECT_FALSE(FileExists(FDir + "\\sel\\d.txt"));

  // Inside a folder the parent row is never an extract pattern, chosen or
  // matched.
  Form->ChangeFolder("a\\");
  ASSERT_EQ(FileTable[0].Name, "..\\");
  Form->SetRowSelected(-1, true);
  Form->ShowSelectionStatus();
  Application->ProcessMessages();
  Form->ExtractButtonClick(nullptr);
  Application->ProcessMessages();
  EXPECT_EQ(Form->ExtractForm->FileSpecs(nullptr), std::vector<std::string>{"a\\b\\*.*"});
  UiDriver::Click(Form->ExtractForm->CFiles);
  // "*" matches every name, the parent row's too; "*.*" matches no name
  // without a dot.
  UiDriver::SetValue(Form->ExtractForm->FileSpec, "*");
  EXPECT_EQ(Form->ExtractForm->FileSpecs(nullptr), std::vector<std::string>{"a\\b\\*.*"});
  UiDriver::SetValue(Form->ExtractForm->FileSpec, "*.*");
  EXPECT_EQ(Form->ExtractForm->FileSpecs(nullptr), std::vector<std::string>{});
  Form->ExtractForm->Close();
  Application->ProcessMessages();
  Form->SetExplorerStyle(false);
}

// The log names each entry and its result; a damaged entry is a CRC error.
TEST_F(ExtractTest, OperationLogShowsEachEntrysResult) {
  if (!HavePeer("lha")) GTEST_SKIP() << "no lha";
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && lha aq ../bad.lzh d.txt e.txt && cd .. && python3 -c \"\n"
                    "b=bytearray(open('bad.lzh','rb').read())\nb[60]^=0x55\nopen('bad.lzh','wb').write(b)\""),
            0);
  Open(FDir + "\\bad.lzh");
  TBoxes boxes(mrOk);
  Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, FDir + "\\log"); });
  // Each result line keeps its 16 leading blanks.
  const std::string result(16, ' ');
  // The reader names each file by where it goes; the damage is told by the
  // entry's own result line.
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Extracting: " + FDir + "\\log\\d.txt", result + "--> CRC ERROR",
                                                  "Extracting: " + FDir + "\\log\\e.txt", result + "--> OK"}));
  EXPECT_TRUE(Form->ViewLastOutput->Enabled());
  // The test's log: its head and tail around the same results, the empty
  // lines kept; the times are the run's own.
  Form->TestClick(nullptr);
  Application->ProcessMessages();
  std::vector<std::string> lines = LogLines();
  for (std::string& l : lines)
    if (l.find(" -- ") != std::string::npos) l = l.substr(0, l.find(" -- ") + 4) + "<time>";
  const std::string bar(37, '#');
  EXPECT_EQ(lines, (std::vector<std::string>{bar, " Testing archive: bad.lzh -- <time>", bar, "", "Testing file: d.txt",
                                             result + "--> CRC ERROR", "Testing file: e.txt", result + "--> OK", "", bar,
                                             " Done -- <time>", " Warning: 1 error(s) found in the archive: bad.lzh"}));
  MsgForm()->Close();
  Application->ProcessMessages();
  // The log window, for people to look at.
  MsgForm()->Show();
  Application->ProcessMessages();
  SaveWindowShot(MsgForm()->Handle(), LocalPath(std::string(MORV_BINARY_DIR) + "/log-window.bmp"));
  MsgForm()->Close();
  Application->ProcessMessages();
}

// Presses the left button on the entry list once an operation runs.
UiDriver::TModalAnswerer::TStep ClickListWhileRunning(TMainForm* Form) {
  return [Form](HWND, TCustomForm*) {
    if (!Form->FZipRunning && !ExtractorRunning) return false;
    const HWND list = Form->FileList->Handle();
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
    return true;
  };
}

// A click on the list while an extraction runs asks whether to go on: No
// stops the run, Yes lets it finish. Zip and a reader's format alike.
TEST_F(ExtractTest, ClickOnTheListDuringAnExtractionOffersToInterrupt) {
  struct {
    const char *Peer, *Name, *Command;
  } cases[] = {
      {"zip", "big.zip", "zip -q -0 ../big.zip r.bin t.txt"},
      {"tar", "big.tar", "tar cf ../big.tar r.bin t.txt"},
  };
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p big && cd big && head -c 40000000 /dev/urandom > r.bin"
                    " && yes 'a line of text, again and again' | head -c 40000000 > t.txt && md5sum r.bin t.txt > ../sums"),
            0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (!HavePeer(c.Peer)) continue;
    ASSERT_EQ(RunPeer("cd '" + FHost + "/big' && " + c.Command), 0);
    Open(FDir + "\\" + c.Name);
    for (const int answer : {mrNo, mrYes}) {
      const std::string out = std::string(c.Name) + (answer == mrNo ? "-no" : "-yes");
      // The click selects a row: no row is chosen for the next run.
      Form->SetRowSelected(-1, false);
      Application->ProcessMessages();
      TBoxes boxes(answer);
      UiDriver::TModalAnswerer click;
      click.Then(ClickListWhileRunning(Form.get()), false);
      Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, FDir + "\\" + out); });
      ASSERT_TRUE(click.Done());
      EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Archive Operation Interrupted. Continue?"});
      std::string check;
      const int same = RunPeer("cd '" + FHost + "/" + out + "' && md5sum -c --quiet ../sums", &check);
      if (answer == mrYes) {
        EXPECT_EQ(same, 0) << check;
      } else {
        // Stopped in the first entry: nothing whole came out, the second
        // entry was never begun.
        EXPECT_NE(same, 0) << "a stopped run left every file whole";
        EXPECT_FALSE(FileExists(FDir + "\\" + out + "\\t.txt"));
      }
      EXPECT_FALSE(Form->FZipRunning);
      EXPECT_EQ(ExtractorRunning, 0);
      RunPeer("rm -rf '" + FHost + "/" + out + "'");
    }
  }
  // Without a running operation a click asks nothing.
  {
    TBoxes boxes(mrNo);
    UiDriver::Click(Form->FileList);
    Application->ProcessMessages();
    EXPECT_TRUE(boxes.Texts.empty());
  }
  RunPeer("cd '" + FHost + "' && rm -rf big big.zip big.tar sums");
}

// While 200 MB come out of a Zip the window answers, repaints and its
// progress bar moves.
TEST_F(ExtractTest, WindowKeepsAnsweringDuringALargeExtraction) {
  if (!HavePeer("zip")) GTEST_SKIP() << "no zip";
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p big && cd big && head -c 100000000 /dev/urandom > r.bin"
                    " && yes 'a line of text, again and again' | head -c 100000000 > t.txt"
                    " && md5sum r.bin t.txt > ../sums && zip -q -1 ../big.zip r.bin t.txt && rm -f r.bin t.txt"),
            0);
  Open(FDir + "\\big.zip");
  const HWND window = Form->Handle(), list = Form->FileList->Handle(), bar = Form->ProgressBar1->Handle();
  std::atomic<bool> stop{false};
  std::atomic<int> samples{0}, late{0}, unpainted{0};
  std::atomic<int> lowest{INT_MAX}, highest{-1};
  // Another thread asks what a user's desktop would ask of a busy window.
  std::thread watcher([&] {
    while (!stop) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!IsWindowVisible(bar)) continue;
      ++samples;
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) ++late;
      InvalidateRect(list, nullptr, FALSE);
      const auto start = std::chrono::steady_clock::now();
      while (GetUpdateRect(list, nullptr, FALSE) && std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (GetUpdateRect(list, nullptr, FALSE)) ++unpainted;
      const int pos = int(SendMessageW(bar, PBM_GETPOS, 0, 0));
      if (pos < lowest) lowest = pos;
      if (pos > highest) highest = pos;
    }
  });
  const auto start = std::chrono::steady_clock::now();
  Extract([&](TExtractForm* d) { UiDriver::SetValue(d->Destination, FDir + "\\bigout"); });
  const auto took = std::chrono::steady_clock::now() - start;
  stop = true;
  watcher.join();
  std::string check;
  EXPECT_EQ(RunPeer("cd '" + FHost + "/bigout' && md5sum -c --quiet ../sums", &check), 0) << check;
  EXPECT_GE(samples, 3) << "the extraction took "
                        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
  EXPECT_EQ(late, 0);
  EXPECT_EQ(unpainted, 0);
  EXPECT_GT(highest, lowest);
  RunPeer("cd '" + FHost + "' && rm -rf big bigout big.zip sums");
}

TEST(ByteProgress, StepsOf32768) {
  EXPECT_EQ(TByteProgress::MaxFor(0), 1);
  EXPECT_EQ(TByteProgress::MaxFor(32767), 1);
  EXPECT_EQ(TByteProgress::MaxFor(32768), 2);
  EXPECT_EQ(TByteProgress::MaxFor(int64_t(5) << 40), int((int64_t(5) << 40) / 32768 + 1));
  EXPECT_EQ(TByteProgress::MaxFor(INT64_MAX), INT_MAX);
  TByteProgress p;
  EXPECT_EQ(p.Add(20000), 0);
  EXPECT_EQ(p.Add(20000), 1);
  EXPECT_EQ(p.Pending(), 40000 - 32768);
  // One report counts at most one step's worth.
  EXPECT_EQ(p.Add(int64_t(1) << 33), 1);
  EXPECT_EQ(p.Add(-5), 0);
}

}  // namespace
