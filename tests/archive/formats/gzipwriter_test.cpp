// TGZip: what it writes is read by gzip, 7-Zip and our own reader; the run's
// edge cases (several inputs, move, delete, read-only outputs, listing).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/core/crc.h"
#include "archive/formats/gzip/ungzip.h"
#include "archive/formats/gzip/gzipwriter.h"
#include "tests/archive/formats/writers_test_util.h"

using namespace writerstest;

namespace {

uint32_t Crc32Of(const std::vector<uint8_t>& D) {
  uint32_t C = 0xFFFFFFFFu;
  Crc32Block(D.data(), D.size(), C);
  return ~C;
}

struct TLog {
  std::vector<int> Codes;
  std::vector<std::string> Ends;
  void Attach(TCompBase& W) {
    W.OnError = [this](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
      Codes.push_back(Code);
    };
    W.OnEnd = [this](TObject*, const std::string& FN, bool) { Ends.push_back(FN); };
  }
};

class GZipWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Src = Join(Root, "src");
    Out = Join(Root, "out");
    ForceDirectories(Src);
    ForceDirectories(Out);
  }
  int Run(const std::string& Spec, TSwitch Switch = TSwitch::swAdd) {
    TGZip W(nullptr);
    Log = TLog();
    Log.Attach(W);
    W.SetArchiveFile(Join(Out, "x.GZ"));
    W.FileSpec()->Add(Spec);
    W.Switch = Switch;
    return W.Compress();
  }
  std::string Root, Src, Out;
  TLog Log;
};

}  // namespace

// Every member has method 8, the name, the CRC and size trailer, and the
// input's time: gzip -t, 7-Zip and gzip -d accept it, also for an empty or
// incompressible input.
TEST_F(GZipWriter, PeersReadWhatWeWrite) {
  for (const char* P : {"gzip", "7zz"})
    if (!morvtest::HavePeer(P)) GTEST_SKIP() << P << " missing";
  std::vector<uint8_t> Mixed = morvtest::TextData(1500000, 1);
  const std::vector<uint8_t> Noise = morvtest::RandomData(300000, 2);
  Mixed.insert(Mixed.begin() + 700000, Noise.begin(), Noise.end());
  const struct {
    const char* Name;
    std::vector<uint8_t> Data;
  } Cases[] = {
      {"mixed.bin", Mixed},
      {"noise.bin", morvtest::RandomData(200000, 3)},
      {"small noise.bin", morvtest::RandomData(50, 4)},
      {"empty.txt", {}},
      {"one.txt", {'1'}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string In = PutFile(Src, C.Name, C.Data);
    ASSERT_EQ(Peer("touch -d @1600000000 " + Host(In)), 0);
    EXPECT_EQ(Run(In), 1);
    EXPECT_TRUE(Log.Codes.empty());
    const std::string Gz = Join(Out, std::string(C.Name) + ".GZ");
    const std::vector<uint8_t> A = morvtest::ReadFile(Gz);
    ASSERT_GE(A.size(), 20u);
    EXPECT_EQ(A[0], 0x1F);
    EXPECT_EQ(A[1], 0x8B);
    EXPECT_EQ(A[2], 8);
    EXPECT_EQ(A[3], 8);
    EXPECT_EQ(GetLE32(A.data() + 4), 1600000000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(A.data() + 10)), C.Name);
    EXPECT_EQ(GetLE32(A.data() + A.size() - 8), Crc32Of(C.Data));
    EXPECT_EQ(GetLE32(A.data() + A.size() - 4), uint32_t(C.Data.size()));
    std::string Msg;
    EXPECT_EQ(Peer("gzip -t " + Host(Gz), &Msg), 0) << Msg;
    EXPECT_EQ(Peer("7zz t " + Host(Gz), &Msg), 0) << Msg;
    ASSERT_EQ(Peer("gzip -dc < " + Host(Gz) + " > " + Host(Join(Root, "back"))), 0);
    EXPECT_TRUE(morvtest::ReadFile(Join(Root, "back")) == C.Data);

    TUnGZIP U(nullptr);
    U.SetArchiveFile(Gz);
    U.SetExtractDir(Join(Root, "ours"));
    U.FileSpec()->Add("*.*");
    U.ConfirmOverwrites = false;
    EXPECT_EQ(U.Extract(), 1);
    EXPECT_TRUE(morvtest::ReadFile(Join(Root, std::string("ours/") + C.Name)) == C.Data);
  }
}

// Each matching input becomes its own gzip file in ArchiveFile's folder.
TEST_F(GZipWriter, TwoInputsTwoFiles) {
  PutFile(Src, "a.txt", morvtest::TextData(3000, 5));
  PutFile(Src, "b.txt", morvtest::TextData(4000, 6));
  PutFile(Src, "c.bin", morvtest::TextData(100, 7));
  EXPECT_EQ(Run(Join(Src, "*.txt")), 2);
  EXPECT_TRUE(FileExists(Join(Out, "a.txt.GZ")));
  EXPECT_TRUE(FileExists(Join(Out, "b.txt.GZ")));
  EXPECT_FALSE(FileExists(Join(Out, "c.bin.GZ")));
  EXPECT_FALSE(FileExists(Join(Out, "x.GZ")));
  EXPECT_EQ(Log.Ends, (std::vector<std::string>{Join(Out, "a.txt.GZ"), Join(Out, "b.txt.GZ")}));
}

// The input goes only once its gzip file is written; a failed write keeps
// it.
TEST_F(GZipWriter, MoveDeletesTheInputAfterWriting) {
  const std::vector<uint8_t> Data = morvtest::TextData(5000, 8);
  const std::string In = PutFile(Src, "m.txt", Data);
  bool InputThereAtBegin = false;
  {
    TGZip W(nullptr);
    W.SetArchiveFile(Join(Out, "x.GZ"));
    W.FileSpec()->Add(In);
    W.Switch = TSwitch::swMove;
    W.DeleteOptions = TDeleteOptions::doFinal;
    W.OnBegin = [&](TObject*, const std::string&, int, bool&) { InputThereAtBegin = FileExists(In); };
    EXPECT_EQ(W.Compress(), 1);
  }
  EXPECT_TRUE(InputThereAtBegin);
  EXPECT_FALSE(FileExists(In));
  ASSERT_EQ(Peer("gzip -dc < " + Host(Join(Out, "m.txt.GZ")) + " > " + Host(Join(Root, "back"))), 0);
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "back")), Data);

  const std::string Kept = PutFile(Src, "k.txt", Data);
  TGZip W(nullptr);
  Log.Attach(W);
  W.SetArchiveFile(Join(Root, "missing/x.GZ"));
  W.FileSpec()->Add(Kept);
  W.Switch = TSwitch::swMove;
  EXPECT_EQ(W.Compress(), 0);
  EXPECT_EQ(Log.Codes, (std::vector<int>{25235}));
  EXPECT_TRUE(FileExists(Kept));
}

TEST_F(GZipWriter, DeleteIsNothingToDo) {
  const std::string In = PutFile(Src, "d.txt", {'d'});
  EXPECT_EQ(Run(In, TSwitch::swDelete), 0);
  EXPECT_EQ(Log.Codes, (std::vector<int>{26859}));
  EXPECT_FALSE(FileExists(Join(Out, "d.txt.GZ")));
}

// A read-only output is overwritten only when OnNonWriteableArchive allows.
TEST_F(GZipWriter, ReadOnlyOutput) {
  const std::string In = PutFile(Src, "r.txt", morvtest::TextData(2000, 9));
  const std::string Gz = PutFile(Out, "r.txt.GZ", {'o', 'l', 'd'});
  ASSERT_EQ(FileSetAttr(Gz, faReadOnly | faArchive), 0);
  EXPECT_EQ(Run(In), 0);
  EXPECT_EQ(Log.Codes, (std::vector<int>{25136}));
  EXPECT_EQ(morvtest::ReadFile(Gz), (std::vector<uint8_t>{'o', 'l', 'd'}));

  TGZip W(nullptr);
  W.SetArchiveFile(Join(Out, "x.GZ"));
  W.FileSpec()->Add(In);
  W.OnNonWriteableArchive = [](TObject*, const std::string&, bool& Allow) { Allow = true; };
  EXPECT_EQ(W.Compress(), 1);
  EXPECT_EQ(Peer("gzip -t " + Host(Gz)), 0);
}

// The type setter keeps atGZip and gives ArchiveFile ".GZ" unless it ends
// with it, whatever its case.
TEST_F(GZipWriter, ArchiveNameGetsTheExtension) {
  TGZip W(nullptr);
  W.SetArchiveFile(Join(Out, "plain"));
  EXPECT_EQ(W.ArchiveFile(), Join(Out, "plain.GZ"));
  EXPECT_EQ(W.ArcType(), atGZip);
  W.SetArchiveFile(Join(Out, "lower.gz"));
  EXPECT_EQ(W.ArchiveFile(), Join(Out, "lower.gz"));
  W.SetArchiveFile(Join(Out, "x.tar"));
  EXPECT_EQ(W.ArchiveFile(), Join(Out, "x.tar.GZ"));
  EXPECT_EQ(W.OutputName(Join(Src, "in.txt")), Join(Out, "in.txt.GZ"));
}

// swRead lists the gzip file's one member.
TEST_F(GZipWriter, ReadListsTheMember) {
  const std::vector<uint8_t> Data = morvtest::TextData(20000, 10);
  const std::string In = PutFile(Src, "l.txt", Data);
  ASSERT_EQ(Peer("gzip -9 -c " + Host(In) + " > " + Host(Join(Out, "l.GZ"))), 0);
  TGZip W(nullptr);
  W.SetArchiveFile(Join(Out, "l.GZ"));
  W.Switch = TSwitch::swRead;
  int Reads = 0;
  W.OnRead = [&](TObject*, int, int) {
    ++Reads;
    EXPECT_EQ(W.Entry.FileName, "l.txt");
    EXPECT_EQ(W.Entry.Crc, Crc32Of(Data));
    EXPECT_EQ(W.Entry.UnpackedSize, uint32_t(Data.size()));
    EXPECT_GT(W.Entry.Ratio, 0);
  };
  EXPECT_EQ(W.Compress(), 0);
  EXPECT_EQ(Reads, 1);
}
