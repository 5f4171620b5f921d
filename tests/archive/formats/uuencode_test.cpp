// TUUEncode: what it writes is read by uudecode (sharutils) and uudeview, and
// by TUUDecode, also split into volumes and with the alphabet table.
#include "archive/formats/uue/uuencode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/formats/uue/uudecode.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

using morvtest::Join;

namespace {

using Bytes = std::vector<uint8_t>;

std::string Q(const std::string& S) { return "'" + morvtest::HostPath(S) + "'"; }

std::vector<std::string> Lines(const Bytes& D) {
  std::vector<std::string> L;
  std::string Cur;
  for (uint8_t C : D) {
    if (C == '\n') {
      L.push_back(Cur);
      Cur.clear();
    } else if (C != '\r') {
      Cur += char(C);
    }
  }
  if (!Cur.empty()) L.push_back(Cur);
  return L;
}

class UUEncodeTest : public ::testing::Test {
 protected:
  void SetUp() override { Root = morvtest::TempDir(); }

  // Encodes Data (stored as Name) into Out; returns the codes reported.
  std::vector<int> Encode(const Bytes& Data, const std::string& Name, const std::string& Out, bool XX,
                          int KBytes = 0, bool Table = false) {
    const std::string In = Join(Root, Name);
    morvtest::WriteFile(In, Data);
    std::vector<int> Codes;
    TUUEncode E(nullptr);
    E.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
      Codes.push_back(Code);
    };
    E.OnEnd = [&](TObject*, const std::string& FN, bool Pass) {
      EXPECT_EQ(FN, Out);
      EXPECT_TRUE(Pass);
      ++Ends;
    };
    E.SetArchiveFile(In);
    EXPECT_EQ(E.ArchiveFile(), In);
    E.SetCompressMethod(XX ? TCompressMethod::cmXXEncode : TCompressMethod::cmUUEncode);
    E.SetOutFilename(Out);
    E.KBytesPerVolume = KBytes;
    E.WriteTableToFile = Table;
    try {
      EXPECT_EQ(E.Compress(), 1);
    } catch (const E_RAISE&) {
      Codes.push_back(-1);
    }
    EXPECT_EQ(E.ArcType(), atUue);
    return Codes;
  }

  // What TUUDecode makes of File, in Dir.
  Bytes Decode(const std::string& File, const std::string& Dir, const std::string& Name) {
    TUUDecode D(nullptr);
    D.SetArchiveFile(File);
    D.SetExtractDir(Dir);
    D.ConfirmOverwrites = false;
    bool Pass = false;
    D.OnEnd = [&Pass](TObject*, const std::string&, bool P) { Pass = P; };
    D.OnNextVolume = [](TObject*, std::string&, const std::string&, bool, bool& Cancel) { Cancel = false; };
    EXPECT_EQ(D.Extract(), 1);
    EXPECT_TRUE(Pass);
    return morvtest::ReadFile(Join(Dir, Name));
  }

  Bytes Peer(const std::string& Command, const std::string& Result) {
    std::string Log;
    EXPECT_EQ(morvtest::RunPeer(Command, &Log), 0) << Log;
    return morvtest::ReadFile(Result);
  }

  std::string Root;
  int Ends = 0;
};

// The layout of small files, and every size around the 45-byte line read
// back byte-exact by uudecode, uudeview and our decoder.
TEST_F(UUEncodeTest, UuencodeReadByPeers) {
  const bool HaveUudecode = morvtest::HavePeer("uudecode"), HaveUudeview = morvtest::HavePeer("uudeview");
  for (size_t Size : {size_t(0), size_t(1), size_t(44), size_t(45), size_t(46), size_t(300000)}) {
    SCOPED_TRACE(Size);
    const Bytes Data = morvtest::RandomData(Size, uint32_t(Size) + 1);
    const std::string Out = Join(Root, "u" + std::to_string(Size) + ".uue");
    EXPECT_TRUE(Encode(Data, "data.bin", Out, false).empty());
    const std::vector<std::string> L = Lines(morvtest::ReadFile(Out));
    ASSERT_GE(L.size(), 6u);
    EXPECT_EQ(L[0].rfind("UUEncode 2.5213 (", 0), 0u);
    EXPECT_EQ(L[1], "");
    EXPECT_EQ(L[2], "begin 644 data.bin");
    EXPECT_EQ(L[L.size() - 3], "`");
    EXPECT_EQ(L[L.size() - 2], "end");
    EXPECT_EQ(L.back(), std::to_string(Size) + " bytes");
    if (Size == 0) {
      EXPECT_EQ(L.size(), 6u);
    }
    if (Size == 45) {
      EXPECT_EQ(L[3].size(), 61u);
      EXPECT_EQ(L[3][0], 'M');
      EXPECT_EQ(L[4], "`");
    }
    if (Size == 46) {
      EXPECT_EQ(L[3].size(), 61u);
      EXPECT_EQ(L[4].size(), 5u);
      EXPECT_EQ(L[4][0], '!');
    }
    EXPECT_EQ(Decode(Out, Join(Root, "our" + std::to_string(Size)), "data.bin"), Data);
    if (HaveUudecode) {
      EXPECT_EQ(Peer("uudecode -o " + Q(Join(Root, "peer.bin")) + " " + Q(Out), Join(Root, "peer.bin")), Data);
    }
    if (HaveUudeview) {
      const std::string Dir = Join(Root, "uv" + std::to_string(Size));
      ForceDirectories(Dir);
      EXPECT_EQ(Peer("uudeview -i -o -q -p " + Q(Dir) + " " + Q(Out), Join(Dir, "data.bin")), Data);
    }
  }
}

// xxencode, plain and with the alphabet table, is read by uudeview and by
// our decoder.
TEST_F(UUEncodeTest, XxencodeReadByPeers) {
  const bool HaveUudeview = morvtest::HavePeer("uudeview");
  for (bool Table : {false, true}) {
    for (size_t Size : {size_t(0), size_t(2), size_t(45), size_t(100000)}) {
      SCOPED_TRACE(std::to_string(Size) + (Table ? " table" : ""));
      const Bytes Data = morvtest::RandomData(Size, uint32_t(Size) + 2);
      const std::string Tag = std::to_string(Size) + (Table ? "t" : "");
      const std::string Out = Join(Root, "x" + Tag + ".xxe");
      EXPECT_TRUE(Encode(Data, "x.dat", Out, true, 0, Table).empty());
      const std::vector<std::string> L = Lines(morvtest::ReadFile(Out));
      ASSERT_GE(L.size(), 6u);
      EXPECT_EQ(L[0].rfind("XXEncode 2.5213 (", 0), 0u);
      if (Table) {
        EXPECT_EQ(L[2], "table");
        EXPECT_EQ(L[3] + L[4], "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
      }
      EXPECT_EQ(L[L.size() - 3], "+");
      EXPECT_EQ(Decode(Out, Join(Root, "our" + Tag), "x.dat"), Data);
      if (HaveUudeview) {
        const std::string Dir = Join(Root, "uv" + Tag);
        ForceDirectories(Dir);
        EXPECT_EQ(Peer("uudeview -i -o -q -p " + Q(Dir) + " " + Q(Out), Join(Dir, "x.dat")), Data);
      }
    }
  }
}

// One kilobyte per volume: 16 lines each, the header counted as three; the
// volumes .UUE, .UU1, .UU2 join again through our decoder. (uudeview takes
// the "begin" line that opens each continuation for a file of its own.)
TEST_F(UUEncodeTest, ThreeVolumesRoundTrip) {
  const Bytes Data = morvtest::RandomData(45 * 13 * 3 - 10, 3);
  for (bool XX : {false, true}) {
    SCOPED_TRACE(XX);
    const std::string Dir = Join(Root, XX ? "vx" : "vu");
    ForceDirectories(Dir);
    const std::string Out = Join(Dir, XX ? "set.XXE" : "set.UUE");
    EXPECT_TRUE(Encode(Data, "joined.bin", Out, XX, 1).empty());
    const std::string Base = Out.substr(0, Out.size() - 1);
    const std::vector<std::string> V1 = Lines(morvtest::ReadFile(Out));
    const std::vector<std::string> V2 = Lines(morvtest::ReadFile(Base + "1"));
    const std::vector<std::string> V3 = Lines(morvtest::ReadFile(Base + "2"));
    EXPECT_FALSE(FileExists(Base + "3"));
    EXPECT_EQ(V1.size(), 16u);
    EXPECT_EQ(V2.size(), 15u);  // "part 1", "begin", 13 data lines
    EXPECT_EQ(V2[0], "part 1");
    EXPECT_EQ(V2[1], "begin 644 joined.bin");
    EXPECT_EQ(V3[0], "part 2");
    EXPECT_EQ(V3.back(), "encoded into 2 file(s)");
    EXPECT_EQ(Decode(Out, Join(Dir, "our"), "joined.bin"), Data);
  }
}

// The output name: a name without an extension gets DefaultExt, "." clears
// it, and none raises 25243; an input without an extension keeps its name.
TEST_F(UUEncodeTest, OutputNameRules) {
  TUUEncode E(nullptr);
  EXPECT_EQ(E.CompressMethod(), TCompressMethod::cmUUEncode);
  EXPECT_EQ(E.DefaultExt(), ".UUE");
  E.SetOutFilename(Join(Root, "noext"));
  EXPECT_EQ(E.OutFilename(), Join(Root, "noext.UUE"));
  E.SetOutFilename(".");
  EXPECT_EQ(E.OutFilename(), "");

  const std::string In = Join(Root, "README");
  morvtest::WriteFile(In, "hello");
  E.SetArchiveFile(In);
  EXPECT_EQ(E.ArchiveFile(), In);
  E.SetArcType(atZip);
  EXPECT_EQ(E.ArcType(), atUue);
  EXPECT_EQ(E.ArchiveFile(), In);
  std::vector<std::pair<int, std::string>> Errors;
  E.OnError = [&](TObject*, const std::string&, const std::string& Msg, const std::string&, int Code) {
    Errors.push_back({Code, Msg});
  };
  EXPECT_THROW(E.Compress(), E_RAISE);
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0], std::make_pair(25243, std::string("OutFile")));

  E.SetOutFilename(Join(Root, "readme"));
  EXPECT_EQ(E.Compress(), 1);
  const std::vector<std::string> L = Lines(morvtest::ReadFile(Join(Root, "readme.UUE")));
  ASSERT_GE(L.size(), 3u);
  EXPECT_EQ(L[2], "begin 644 README");
}

// An existing output: OnFileExists may skip it (left as it was) or
// overwrite it.
TEST_F(UUEncodeTest, ExistingOutput) {
  const std::string In = Join(Root, "in.bin"), Out = Join(Root, "out.uue");
  morvtest::WriteFile(In, "data");
  for (TOverwriteMode Answer : {TOverwriteMode::omSkip, TOverwriteMode::omOverwrite}) {
    morvtest::WriteFile(Out, "old");
    TUUEncode E(nullptr);
    int Asked = 0;
    E.OnFileExists = [&](TObject*, const std::string& FN, TDateTime, TOverwriteMode& Mode) {
      EXPECT_EQ(FN, Out);
      ++Asked;
      Mode = Answer;
    };
    E.SetArchiveFile(In);
    E.SetOutFilename(Out);
    EXPECT_EQ(E.Compress(), Answer == TOverwriteMode::omSkip ? 0 : 1);
    EXPECT_EQ(Asked, 1);
    const Bytes Got = morvtest::ReadFile(Out);
    EXPECT_EQ(Got == Bytes({'o', 'l', 'd'}), Answer == TOverwriteMode::omSkip);
  }
}

}  // namespace
