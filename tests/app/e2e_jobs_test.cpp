// The command-line jobs as a user or the shell extension starts them:
// morv.exe with a switch does its job and ends by itself; what it wrote is
// read back by the peer tools.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/e2e_util.h"

using namespace e2e;

namespace {

constexpr DWORD JobMs = 120000;

struct TBoxSearch {
  DWORD Pid;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectBoxes(HWND Wnd, LPARAM Param) {
  auto* search = reinterpret_cast<TBoxSearch*>(Param);
  DWORD pid = 0;
  GetWindowThreadProcessId(Wnd, &pid);
  const std::string cls = ClassOf(Wnd);
  if (pid == search->Pid && IsWindowVisible(Wnd) && cls != MainWindowClassName && cls != "TLnEForm")
    search->Found.push_back(Wnd);
  return TRUE;
}

// The visible message boxes of other processes.
BOOL CALLBACK CollectDialogs(HWND Wnd, LPARAM Param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(Wnd, &pid);
  if (pid != GetCurrentProcessId() && IsWindowVisible(Wnd) && ClassOf(Wnd) == "#32770")
    reinterpret_cast<TBoxSearch*>(Param)->Found.push_back(Wnd);
  return TRUE;
}

class MorvExeJobs : public TMorvExeTest {
 protected:
  void SetUp() override {
    TMorvExeTest::SetUp();
    if (IsSkipped()) return;
    StoreSettings(0);
    Host = morvtest::HostPath(Dir);
    // Text, a folder below it, and bytes that do not compress.
    ASSERT_EQ(Peer("mkdir -p src/sub && echo one > src/a.txt && seq 1 3000 > src/b.txt && "
                   "head -c 70000 /dev/urandom > src/sub/c.bin && echo deep > src/sub/d.txt"),
              0);
  }

  int Peer(const std::string& Command, std::string* Out = nullptr) {
    return morvtest::RunPeer("cd '" + Host + "' && " + Command, Out);
  }
  bool Same(const std::string& A, const std::string& B) {
    std::string out;
    const int status = Peer("diff -r '" + A + "' '" + B + "'", &out);
    EXPECT_EQ(status, 0) << out;
    return status == 0;
  }

  // Runs morv.exe with Args, closing each message box it shows; the exit
  // code, or -1 when it did not end by itself.
  int Run(const std::string& Args, int* Boxes = nullptr) {
    TMorvProcess morv(Args);
    EXPECT_TRUE(morv.Started());
    std::vector<HWND> closed;
    const bool ended = WaitUntil(JobMs, [&] {
      if (!morv.Running()) return true;
      TBoxSearch search{morv.Pid(), {}};
      EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
      for (HWND w : search.Found) {
        if (std::find(closed.begin(), closed.end(), w) == closed.end()) closed.push_back(w);
        PostMessageA(w, WM_CLOSE, 0, 0);
      }
      return false;
    });
    if (Boxes) *Boxes = int(closed.size());
    EXPECT_TRUE(ended) << Args << " still running after " << morv.Elapsed() << " ms";
    return ended ? int(morv.ExitCode()) : -1;
  }

  std::string Host;
};

}  // namespace

TEST_F(MorvExeJobs, ExtractJobsGiveBackTheSourcesOfEveryFormat) {
  struct TCase {
    const char* Archive;
    const char* Make;
    const char* Switch;
    const char* Folder;  // where the job puts "src", relative to Dir
  };
  const TCase cases[] = {
      {"t.zip", "zip -qr t.zip src", "-e", "out-zip"},
      {"t.tgz", "tar czf t.tgz src", "-e", "out-tgz"},
      {"t.tar", "tar cf t.tar src", "-es", "t"},
      {"t.lzh", "lha aq t.lzh src", "-e", "out-lzh"},
      {"t.arj", "arj a -r -y t.arj src > /dev/null", "-e", "out-arj"},
      {"t.cab", "gcab -c t.cab src/a.txt src/b.txt src/sub/c.bin src/sub/d.txt", "-e", "out-cab"},
      {"s.zip", "zip -qr s.zip src", "-es", "s"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Archive);
    ASSERT_EQ(Peer(c.Make), 0);
    const std::string archive = Dir + "\\" + c.Archive;
    const std::string args = std::string(c.Switch) + " " + Quoted(archive) +
                             (std::string(c.Switch) == "-e" ? " " + Quoted(Dir + "\\" + c.Folder) : "");
    EXPECT_EQ(Run(args), 0);
    Same("src", std::string(c.Folder) + "/src");
  }
  // A gzip file holds one file, put beside it.
  ASSERT_EQ(Peer("mkdir gz && gzip -c src/b.txt > gz/b.txt.gz"), 0);
  EXPECT_EQ(Run("-e " + Quoted(Dir + "\\gz\\b.txt.gz")), 0);
  EXPECT_EQ(Peer("cmp src/b.txt gz/b.txt"), 0);
}

TEST_F(MorvExeJobs, EntriesNamingParentFoldersNeverLeaveTheTarget) {
  ASSERT_EQ(Peer("python3 -c \"import zipfile,tarfile,io\n"
                 "z=zipfile.ZipFile('up.zip','w'); z.writestr('../zipx.txt','x'); z.writestr('ok.txt','ok'); "
                 "z.writestr('a/../../zipy.txt','y'); z.close()\n"
                 "t=tarfile.open('up.tar','w')\n"
                 "for n in ['../tarx.txt','ok.txt']:\n"
                 "  i=tarfile.TarInfo(n); i.size=2; t.addfile(i, io.BytesIO(b'ab'))\n"
                 "t.close()\""),
            0);
  Run("-e " + Quoted(Dir + "\\up.zip") + " " + Quoted(Dir + "\\box\\in"));
  Run("-e " + Quoted(Dir + "\\up.tar") + " " + Quoted(Dir + "\\box\\in"));
  for (const char* name : {"box/zipx.txt", "zipx.txt", "box/zipy.txt", "zipy.txt", "box/tarx.txt", "tarx.txt"})
    EXPECT_NE(Peer(std::string("test -e ") + name), 0) << name << " escaped";
  EXPECT_EQ(Peer("test -e box/in/ok.txt"), 0);
}

TEST_F(MorvExeJobs, AddFromTheCommandLineWritesWhatThePeersRead) {
  const std::string src = Dir + "\\src";
  EXPECT_EQ(Run("-a -c4 -s " + Quoted(Dir + "\\dest.zip") + " " + Quoted(src + "\\*.txt")), 0);
  std::string out;
  EXPECT_EQ(Peer("unzip -t dest.zip", &out), 0) << out;
  EXPECT_EQ(out.find("warning"), std::string::npos) << out;
  ASSERT_EQ(Peer("zipinfo -1 dest.zip", &out), 0);
  EXPECT_NE(out.find("src/a.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("src/b.txt"), std::string::npos) << out;
  EXPECT_EQ(out.find("c.bin"), std::string::npos) << out;
  EXPECT_NE(out.find("/"), 0u) << "stored paths have no drive or leading slash: " << out;

  int boxes = 0;
  EXPECT_NE(Run("-a -c9 " + Quoted(Dir + "\\bad.zip") + " " + Quoted(src + "\\*.txt"), &boxes), 0);
  EXPECT_EQ(boxes, 1);
  EXPECT_NE(Peer("test -e bad.zip"), 0) << "nothing is written for a wrong level";
  EXPECT_NE(Run("-a -c1 " + Quoted(Dir + "\\bad.cab") + " " + Quoted(src + "\\*.txt"), &boxes), 0);
  EXPECT_EQ(boxes, 1);
  EXPECT_NE(Peer("test -e bad.cab"), 0);
  EXPECT_NE(Run("-a " + Quoted(Dir + "\\only.zip"), &boxes), 0);
  EXPECT_EQ(boxes, 1) << "the three-parameters error";

  EXPECT_EQ(Run("-a " + Quoted(Dir + "\\t.lzh") + " " + Quoted(src + "\\*.*")), 0);
  EXPECT_EQ(Peer("lha t t.lzh", &out), 0) << out;
  // Without "-s" the names are stored without their folders.
  const std::string flat = " && cmp src/a.txt X/a.txt && cmp src/b.txt X/b.txt && cmp src/sub/c.bin X/c.bin && "
                           "cmp src/sub/d.txt X/d.txt";
  auto In = [&](const std::string& Folder) {
    std::string s = flat;
    for (size_t p; (p = s.find("X/")) != std::string::npos;) s.replace(p, 1, Folder);
    return s;
  };
  EXPECT_EQ(Peer("mkdir lx && (cd lx && lha xq ../t.lzh)" + In("lx"), &out), 0) << out;
  EXPECT_EQ(Run("-a " + Quoted(Dir + "\\t.cab") + " " + Quoted(src + "\\*.*")), 0);
  EXPECT_EQ(Peer("cabextract -t t.cab", &out), 0) << out;
  EXPECT_EQ(Peer("mkdir cx && cabextract -q -d cx t.cab" + In("cx"), &out), 0) << out;
}

TEST_F(MorvExeJobs, MoveRemovesTheSources) {
  ASSERT_EQ(Peer("cp -r src keep && mkdir mv && cp src/*.txt mv/"), 0);
  EXPECT_EQ(Run("-a -m " + Quoted(Dir + "\\moved.zip") + " " + Quoted(Dir + "\\mv\\*.txt")), 0);
  std::string out;
  EXPECT_EQ(Peer("unzip -t moved.zip", &out), 0) << out;
  EXPECT_NE(Peer("ls mv/*.txt"), 0) << "the sources are gone";
  ASSERT_EQ(Peer("mkdir mx && unzip -q moved.zip -d mx"), 0);
  EXPECT_EQ(Peer("cmp mx/a.txt keep/a.txt && cmp mx/b.txt keep/b.txt"), 0);

  ASSERT_EQ(Peer("mkdir mvl && cp src/*.txt mvl/"), 0);
  EXPECT_EQ(Run("-a -m " + Quoted(Dir + "\\moved.lzh") + " " + Quoted(Dir + "\\mvl\\*.txt")), 0);
  EXPECT_EQ(Peer("lha t moved.lzh", &out), 0) << out;
  EXPECT_NE(Peer("ls mvl/*.txt"), 0) << "the sources are gone";
}

TEST_F(MorvExeJobs, ListFileAddsPutTheArchiveBesideTheFirstName) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string list = IncludeTrailingBackslash(temp) + "morvce.dat";
  const std::string src = Dir + "\\src";
  struct TCase {
    const char* Switch;
    const char* Target;
    const char* Check;
  };
  for (const TCase& c : {TCase{"-aZ", "sub.zip", "unzip -t sub.zip"}, TCase{"-aC", "sub.cab", "cabextract -t sub.cab"}}) {
    SCOPED_TRACE(c.Switch);
    morvtest::WriteFile(list, "3\r\n" + src + "\\sub\r\n" + src + "\\a.txt\r\n" + src + "\\b.txt\r\n");
    EXPECT_EQ(Run(c.Switch), 0);
    std::string out;
    EXPECT_EQ(Peer(std::string("cd src && ") + c.Check, &out), 0) << out;
    EXPECT_FALSE(FileExists(list)) << "the list file is deleted";
  }
  std::string names;
  ASSERT_EQ(Peer("cd src && zipinfo -1 sub.zip | sort", &names), 0);
  EXPECT_EQ(names, "a.txt\nb.txt\nc.bin\nd.txt\n");
  ASSERT_EQ(Peer("mkdir zx && unzip -q src/sub.zip -d zx && cmp zx/c.bin src/sub/c.bin && cmp zx/b.txt src/b.txt"), 0);
  DeleteFileA(list.c_str());
}

TEST_F(MorvExeJobs, SelfExtractorAndBackToZip) {
  ASSERT_EQ(Peer("zip -qr a.zip src"), 0);
  const std::string zip = Dir + "\\a.zip";
  EXPECT_EQ(Run("-tosfx " + Quoted(zip)), 0);
  const std::string exe = Dir + "\\a.exe";
  ASSERT_TRUE(FileExists(exe));
  const std::string stub = morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/app/MORVSE.DAT");
  // The stub with the archive's offset written into its string 1.
  std::string differ;
  ASSERT_EQ(Peer("cmp -l -n $(stat -c %s '" + morvtest::HostPath(stub) + "') '" + morvtest::HostPath(stub) +
                     "' a.exe | wc -l",
                 &differ),
            0);
  EXPECT_LE(std::stoi(differ), 16) << "starts with MORVSE.DAT";
  std::string out;
  EXPECT_EQ(Peer("unzip -t a.exe 2>&1", &out), 0) << out;
  EXPECT_EQ(out.find("warning"), std::string::npos) << out;
  // The job keeps the default settings, with the success message, which is
  // answered here.
  std::atomic<int> sfxResult{-2};
  std::thread sfx([&] { sfxResult = morvtest::RunSelfExtractor(exe, Dir, Dir + "\\sfx out"); });
  WaitUntil(90000, [&] {
    TBoxSearch search{0, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    for (HWND w : search.Found) PostMessageA(w, WM_CLOSE, 0, 0);
    return sfxResult != -2;
  });
  sfx.join();
  EXPECT_EQ(sfxResult, 0);
  Same("src", "sfx out/src");

  // The target is the input: refused, the input kept.
  ASSERT_EQ(Peer("cp a.exe self.exe && cp a.exe keep.exe"), 0);
  int boxes = 0;
  EXPECT_NE(Run("-tosfx " + Quoted(Dir + "\\self.exe"), &boxes), 0);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(Peer("cmp self.exe keep.exe"), 0);

  ASSERT_EQ(Peer("rm a.zip"), 0);
  EXPECT_EQ(Run("-tozip " + Quoted(exe)), 0);
  EXPECT_EQ(Peer("unzip -t a.zip 2>&1", &out), 0) << out;
  EXPECT_EQ(out.find("warning"), std::string::npos) << out;
  ASSERT_EQ(Peer("mkdir back && unzip -q a.zip -d back"), 0);
  Same("src", "back/src");
}

TEST_F(MorvExeJobs, UsageShowsThreePagesAndOtherSwitchesEnd) {
  int boxes = 0;
  EXPECT_EQ(Run("-?", &boxes), 0);
  EXPECT_EQ(boxes, 3);
  EXPECT_EQ(Run("-h", &boxes), 0);
  EXPECT_EQ(boxes, 3);
  for (const char* s : {"-t", "-d", "-az"}) {
    EXPECT_EQ(Run(s, &boxes), 0) << s;
    EXPECT_EQ(boxes, 0) << s;
  }
  EXPECT_NE(Run("-tospan " + Quoted(Dir + "\\x.lzh"), &boxes), 0);
  EXPECT_EQ(boxes, 1);
}

TEST_F(MorvExeJobs, AJobForwardedToARunningWindowRunsOnceWithBlanksInItsPath) {
  StoreSettings(1);
  const std::string one = MakeZip("one.zip");
  TMorvProcess first(Quoted(one));
  ASSERT_TRUE(first.Started());
  ASSERT_NE(first.WaitForMainWindow(FirstWindowMs, "Quillon 2000 - one.zip"), nullptr);
  ASSERT_EQ(Peer("mkdir 'with blank' && zip -qr 'with blank/b z.zip' src"), 0);
  {
    TMorvProcess forwarding("-es " + Quoted(Dir + "\\with blank\\b z.zip"));
    ASSERT_TRUE(forwarding.Started());
    EXPECT_TRUE(forwarding.WaitForExit(JobMs));
    EXPECT_EQ(forwarding.ExitCode(), 0u);
  }
  ASSERT_TRUE(WaitUntil(JobMs, [&] { return Peer("diff -r src 'with blank/b z/src' > /dev/null 2>&1") == 0; }));
  EXPECT_EQ(first.Spawned(3000).size(), 1u);
  EXPECT_TRUE(first.Close());
}
