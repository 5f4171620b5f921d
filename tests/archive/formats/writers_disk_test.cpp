// The writers on a failing disk: an update that cannot be put in place (the
// archive's volume is full, or mounted read-only) leaves the old archive as
// it was, reports the error naming the kept temporary file and leaves no
// other file behind. The archive lives on a small memory file system mounted
// for the test; the temporary files on the ordinary disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "archive/formats/gzip/gzipwriter.h"
#include "archive/formats/tar/tarwriter.h"
#include "archive/formats/zip/zipwriter.h"
#include "tests/archive/formats/writers_test_util.h"

using namespace writerstest;

namespace {

// A 1 MiB memory file system on a fresh folder while it lives.
class TSmallVolume {
 public:
  explicit TSmallVolume(const std::string& Dir) : FDir(Dir) {
    ForceDirectories(Dir);
    std::string Out;
    FMounted = Peer("mount -t tmpfs -o size=1m morvtest " + Host(Dir), &Out) == 0;
    FWhy = Out;
  }
  ~TSmallVolume() {
    if (FMounted) Peer("umount " + Host(FDir));
  }
  bool Mounted() const { return FMounted; }
  const std::string& Why() const { return FWhy; }
  bool MakeReadOnly() { return Peer("mount -o remount,ro " + Host(FDir)) == 0; }

 private:
  std::string FDir, FWhy;
  bool FMounted = false;
};

// The names of the files in Dir.
std::vector<std::string> FilesIn(const std::string& Dir) {
  std::vector<std::string> Names;
  TSearchRec F;
  if (FindFirst(Join(Dir, "*"), faAnyFile, F) == 0) {
    do
      if (!(F.Attr & faDirectory)) Names.push_back(F.Name);
    while (FindNext(F) == 0);
    FindClose(F);
  }
  return Names;
}

struct TWriterCase {
  const char* Name;
  const char* Archive;  // on the small volume, as the user names it
  const char* Result;   // the file the run replaces there
  std::function<std::unique_ptr<TCompBase>()> Make;
  bool Raises;  // the failure is raised as well as reported
  // The file the update adds: gzip writes a file of the same name again,
  // the others add a new entry.
  const char* Update;
  const char* Kept;  // a finished file the failed step leaves beside it
};

void PrintTo(const TWriterCase& C, std::ostream* Os) { *Os << C.Name; }

const std::vector<TWriterCase> kWriters = {
    {"zip", "a.zip", "a.zip", [] { return std::make_unique<TZip>(nullptr); }, true, "more", ""},
    {"tar", "a.tar", "a.tar", [] { return std::make_unique<TTar>(nullptr); }, true, "more", ""},
    {"gzip", "data.gz", "data.GZ", [] { return std::make_unique<TGZip>(nullptr); }, false, "data", ""},
    {"tgz", "a.tar", "a.tar.GZ",
     [] {
       auto T = std::make_unique<TTar>(nullptr);
       T->SetCompressMethod(TCompressMethod::cmGzipTar);
       return T;
     },
     false, "more", "a.tar"},
};

class WriterDisk : public ::testing::TestWithParam<TWriterCase> {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Src = Join(Root, "src");
    Temp = Join(Root, "temp");
    Vol = Join(Root, "vol");
    ForceDirectories(Src);
    ForceDirectories(Temp);
  }

  // One run of the writer on the file Src/File; errors go to Errors.
  void Run(TCompBase& W, const std::string& File) {
    W.SetArchiveFile(Join(Vol, GetParam().Archive));
    W.SetTempDir(Temp);
    W.FileSpec()->Clear();
    W.FileSpec()->Add(Join(Src, File));
    W.OnError = [this](TObject*, const std::string& FN, const std::string& MsgEx, const std::string&, int Code) {
      Errors.push_back({FN, MsgEx, Code});
    };
    Raised = false;
    try {
      W.Compress();
    } catch (const E_RAISE& E) {
      Raised = true;
      What = E.what();
    }
  }

  // Makes the archive of a file of OldSize random bytes on the volume,
  // fills Filler bytes more, then updates it with NewSize bytes that do not
  // fit; checks everything the failure leaves.
  void ExpectFailedUpdateKeepsArchive(size_t OldSize, size_t Filler, size_t NewSize, bool ReadOnly) {
    const TWriterCase& C = GetParam();
    const std::string Result = Join(Vol, C.Result);
    PutFile(Src, "data", morvtest::RandomData(OldSize, 1));
    {
      std::unique_ptr<TCompBase> W = C.Make();
      Run(*W, "data");
      ASSERT_FALSE(Raised) << What;
      ASSERT_TRUE(Errors.empty()) << Errors[0].Code;
    }
    ASSERT_TRUE(FileExists(Result));
    if (Filler) PutFile(Vol, "filler", morvtest::RandomData(Filler, 3));
    const std::vector<uint8_t> Before = morvtest::ReadFile(Result);
    std::vector<std::string> VolAfter = FilesIn(Vol);
    if (*C.Kept) VolAfter.push_back(C.Kept);
    std::sort(VolAfter.begin(), VolAfter.end());
    if (ReadOnly) {
      ASSERT_TRUE(Volume->MakeReadOnly());
    }

    PutFile(Src, C.Update, morvtest::RandomData(NewSize, 2));
    std::unique_ptr<TCompBase> W = C.Make();
    Run(*W, C.Update);

    EXPECT_TRUE(morvtest::ReadFile(Result) == Before) << "the old archive is unchanged";
    std::vector<std::string> VolNow = FilesIn(Vol);
    std::sort(VolNow.begin(), VolNow.end());
    EXPECT_EQ(VolNow, VolAfter) << "nothing else is left on the archive's volume";
    EXPECT_EQ(Raised, C.Raises) << What;
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].Code, 25136);
    const std::string Kept = Errors[0].MsgEx;
    ASSERT_FALSE(Kept.empty());
    EXPECT_EQ(ExtractFilePath(Kept), IncludeTrailingBackslash(Temp)) << Kept;
    EXPECT_TRUE(FileExists(Kept)) << "the new archive is kept under the name reported";
    if (Raised) {
      EXPECT_NE(What.find(Kept), std::string::npos) << What;
    }
    EXPECT_EQ(FilesIn(Temp), std::vector<std::string>{ExtractFileName(Kept)}) << "no other temporary file";
    if (!*C.Kept) {
      EXPECT_FALSE(W->FilesAdded() > 0 && !Raised) << "a failed run does not report files added";
    }
  }

  struct TError {
    std::string FN, MsgEx;
    int Code;
  };
  std::string Root, Src, Temp, Vol, What;
  std::vector<TError> Errors;
  bool Raised = false;
  std::unique_ptr<TSmallVolume> Volume;

  bool MountVolume() {
    Volume = std::make_unique<TSmallVolume>(Vol);
    return Volume->Mounted();
  }
  void TearDown() override { Volume.reset(); }
};

TEST_P(WriterDisk, FullVolumeKeepsTheOldArchive) {
  if (!MountVolume()) GTEST_SKIP() << "cannot mount a small volume here: " << Volume->Why();
  // The gzip step of a .tgz needs the new tar on the volume beside the old
  // .tgz; the others fail to put the new archive beside the old one and a
  // filler.
  const bool Tgz = std::string(GetParam().Name) == "tgz";
  ExpectFailedUpdateKeepsArchive(200 * 1024, Tgz ? 0 : 400 * 1024, 700 * 1024, false);
}

TEST_P(WriterDisk, ReadOnlyVolumeKeepsTheOldArchive) {
  if (!MountVolume()) GTEST_SKIP() << "cannot mount a small volume here: " << Volume->Why();
  if (std::string(GetParam().Name) == "tgz") GTEST_SKIP() << "the tar step fails first, as for tar";
  ExpectFailedUpdateKeepsArchive(20 * 1024, 0, 30 * 1024, true);
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterDisk, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<TWriterCase>& I) { return std::string(I.param.Name); });

}  // namespace
