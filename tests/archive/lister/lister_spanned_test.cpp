#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archive/formats/zip/unzip.h"
#include "archive/lister/arclister.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>

namespace {

// Another letter than the disk manager's tests take, which may run alongside.
constexpr char kLetter = 'b';

class ListerSpannedZip : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Host = morvtest::HostPath(Dir);
    // Info-ZIP writes a split set; each part goes on its own disk under the
    // set's name, labelled as PKZIP labels the disks of a spanned set.
    std::string out;
    ASSERT_EQ(0, morvtest::RunPeer("cd '" + Host + "' && mkdir -p src disk1 disk2 && "
                                   "head -c 90000 /dev/urandom > src/r.bin && seq 1 3000 > src/n.txt && "
                                   "zip -q -s 64k set.zip src/r.bin src/n.txt && "
                                   "zip -q -s 0 set.zip --out whole.zip && "
                                   "cp set.z01 disk1/set.zip && cp set.zip disk2/set.zip && "
                                   "echo 'PKBACK# 001' > disk1/.windows-label && "
                                   "echo 'PKBACK# 002' > disk2/.windows-label && "
                                   "python3 -c \"import zipfile\nfor i in zipfile.ZipFile('whole.zip').infolist():"
                                   " print(i.filename, i.file_size, i.compress_size, i.CRC)\"",
                                   &out))
        << out;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
      if (!line.empty()) Expected.push_back(line);
    ASSERT_EQ(2u, Expected.size());
  }
  void TearDown() override {
    morvtest::DefineWineDrive(kLetter, "");
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "b:");
      RegCloseKey(key);
    }
  }
  void Insert(int disk) { ASSERT_TRUE(morvtest::DefineWineDrive(kLetter, Host + "/disk" + std::to_string(disk))); }
  std::string Dir, Host;
  std::vector<std::string> Expected;
};

TEST_F(ListerSpannedZip, FirstDiskInTheDriveAsksForTheLastAndListsTheSet) {
  Insert(1);
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  l.SetArchiveFile("B:\\set.zip");
  ASSERT_EQ(atZipMV, l.ArcType());
  int lastAsks = 0, nextAsks = 0;
  std::vector<std::string> listed;
  l.OnGetZipLastDisk = [&](TObject*, bool& cancel) {
    ++lastAsks;
    Insert(2);
    cancel = false;
  };
  l.OnGetZipNextDisk = [&](TObject*, const std::string&, bool& cancel) {
    ++nextAsks;
    cancel = true;
  };
  l.OnRead = [&](TObject*, int, int) {
    std::string name = l.Entry.FileName;
    for (char& c : name)
      if (c == '\\') c = '/';
    listed.push_back(name + " " + std::to_string(l.Entry.UnpackedSize) + " " + std::to_string(l.Entry.PackedSize) +
                     " " + std::to_string(l.Entry.Crc));
  };
  EXPECT_TRUE(l.Activate());
  EXPECT_EQ(1, lastAsks);
  // The directory lies wholly on the last disk: no further disk is needed.
  EXPECT_EQ(0, nextAsks);
  EXPECT_EQ(Expected, listed);
  EXPECT_EQ(2, l.VolumeNumber());

  // The last disk still in the drive: nothing to ask.
  listed.clear();
  lastAsks = 0;
  EXPECT_TRUE(l.Activate());
  EXPECT_EQ(0, lastAsks);
  EXPECT_EQ(Expected, listed);
}

TEST_F(ListerSpannedZip, RefusedLastDiskListsNothing) {
  Insert(1);
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  l.SetArchiveFile("B:\\set.zip");
  ASSERT_EQ(atZipMV, l.ArcType());
  int reads = 0, totals = -1, lastAsks = 0;
  l.OnGetZipLastDisk = [&](TObject*, bool& cancel) {
    ++lastAsks;
    cancel = true;
  };
  l.OnRead = [&](TObject*, int, int) { ++reads; };
  l.OnTotals = [&](TObject*, int n) { totals = n; };
  EXPECT_TRUE(l.Activate());
  EXPECT_EQ(1, lastAsks);
  EXPECT_EQ(0, reads);
  EXPECT_EQ(0, totals);
}

// The extractor starts on the first disk and asks for the next one where an
// entry goes on.
TEST_F(ListerSpannedZip, UnzipReadsOnAcrossTheDisks) {
  Insert(1);
  TUnZIP u(nullptr);
  u.FileSpec()->Add("*.*");
  u.SetArchiveFile("B:\\set.zip");
  ASSERT_EQ(atZipMV, u.ArcType());
  std::vector<std::string> asked;
  u.OnGetZipNextDisk = [&](TObject*, const std::string& n, bool& cancel) {
    asked.push_back(n);
    Insert(std::stoi(n));
    cancel = false;
  };
  u.OnGetZipLastDisk = [&](TObject*, bool& cancel) {
    Insert(2);
    cancel = false;
  };
  u.OnGetZipFirstDisk = [&](TObject*, bool& cancel) {
    Insert(1);
    cancel = false;
  };
  std::vector<int> errors;
  u.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int code) {
    errors.push_back(code);
  };
  u.SetExtractDir(Dir + "\\out");
  EXPECT_EQ(2, u.Extract());
  EXPECT_TRUE(errors.empty()) << errors[0];
  EXPECT_EQ(std::vector<std::string>{"2"}, asked);
  std::string out;
  EXPECT_EQ(0, morvtest::RunPeer("cd '" + Host + "' && cmp src/r.bin out/src/r.bin && cmp src/n.txt out/src/n.txt",
                                 &out))
      << out;
}

// Info-ZIP starts a directory that does not fit on the last disk on an
// earlier one: the lister asks for that disk and reads on to the last.
class ListerSpannedLongDir : public ListerSpannedZip {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Host = morvtest::HostPath(Dir);
    std::string out;
    ASSERT_EQ(0, morvtest::RunPeer("cd '" + Host + "' && mkdir -p src && cd src && "
                                   "for i in $(seq 1 400); do printf x > $(printf 'f%03d_%0100d' $i 0).txt; done && "
                                   "cd .. && zip -q -s 64k -r set.zip src && n=$(ls set.z* | wc -l) && "
                                   "for i in $(seq 1 $n); do mkdir disk$i; "
                                   "printf 'PKBACK# %03d' $i > disk$i/.windows-label; done && "
                                   "for i in $(seq 1 $((n-1))); do cp set.z$(printf %02d $i) disk$i/set.zip; done && "
                                   "cp set.zip disk$n/set.zip && echo $n",
                                   &out))
        << out;
    Disks = std::stoi(out);
  }
  int Disks = 0;
};

TEST_F(ListerSpannedLongDir, DirectoryStartingOnAnEarlierDiskIsRead) {
  ASSERT_GE(Disks, 3);
  Insert(1);
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  l.SetArchiveFile("B:\\set.zip");
  ASSERT_EQ(atZipMV, l.ArcType());
  std::vector<std::string> asked;
  l.OnGetZipLastDisk = [&](TObject*, bool& cancel) {
    Insert(Disks);
    cancel = false;
  };
  l.OnGetZipNextDisk = [&](TObject*, const std::string& n, bool& cancel) {
    asked.push_back(n);
    Insert(std::stoi(n));
    cancel = false;
  };
  std::vector<int> errors;
  l.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int code) {
    errors.push_back(code);
  };
  int reads = 0;
  l.OnRead = [&](TObject*, int, int) { ++reads; };
  EXPECT_TRUE(l.Activate());
  EXPECT_TRUE(errors.empty()) << errors[0];
  EXPECT_EQ(400, reads);
  ASSERT_FALSE(asked.empty());
  EXPECT_LT(std::stoi(asked.front()), Disks);
  EXPECT_EQ(std::to_string(Disks), asked.back());
}

}  // namespace
#endif
