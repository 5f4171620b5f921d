// TUUDecode against files that uuencode (and a small xxencode script) write
// during the test, with uudecode as the peer for the bytes; split volumes,
// private alphabets, hostile names and broken lines.
#include "archive/formats/uue/uudecode.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/core/sysutils.h"
#include "tests/archive/formats/readers_util.h"
#include "tests/support/testsupport.h"

namespace {

const std::string kXX = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Encodes files with any 64-character alphabet: standard 45-byte lines, the
// count character, groups of four; optionally a "table" or "charmap" header.
// Arguments in fives (alphabet, input, output, stored name, header), since
// starting python is slow.
const char kEncoder[] = R"(import sys
args = sys.argv[1:]
for k in range(0, len(args), 5):
    alpha, inp, out, name, header = args[k:k + 5]
    data = open(inp, 'rb').read()
    lines = []
    if header == 'table':
        lines += ['table', alpha[:32], alpha[32:]]
    elif header == 'charmap':
        lines += ['charmap ' + alpha]
    lines.append('begin 644 ' + name)
    for i in range(0, len(data), 45):
        chunk = data[i:i + 45]
        pad = chunk + bytes((3 - len(chunk) % 3) % 3)
        s = alpha[len(chunk)]
        for j in range(0, len(pad), 3):
            b0, b1, b2 = pad[j], pad[j + 1], pad[j + 2]
            s += alpha[b0 >> 2] + alpha[((b0 << 4) | (b1 >> 4)) & 63]
            s += alpha[((b1 << 2) | (b2 >> 6)) & 63] + alpha[b2 & 63]
        lines.append(s)
    lines += [alpha[0], 'end']
    open(out, 'w').write('\n'.join(lines) + '\n')
)";

using morvtest::Join;

std::string Quote(const std::string& S) { return "'" + S + "'"; }

std::vector<uint8_t> Bytes(const std::string& S) { return std::vector<uint8_t>(S.begin(), S.end()); }

std::vector<std::string> SplitLines(const std::vector<uint8_t>& Data) {
  std::vector<std::string> Lines;
  std::string Cur;
  for (uint8_t C : Data) {
    if (C == '\n') {
      Lines.push_back(Cur);
      Cur.clear();
    } else {
      Cur += char(C);
    }
  }
  if (!Cur.empty()) Lines.push_back(Cur);
  return Lines;
}

std::string JoinLines(const std::vector<std::string>& Lines, size_t From, size_t To) {
  std::string S;
  for (size_t i = From; i < To && i < Lines.size(); ++i) S += Lines[i] + "\n";
  return S;
}

struct TRun {
  struct TError {
    std::string FN, MsgEx;
    int Code;
  };
  std::vector<TError> Errors;
  std::vector<std::pair<std::string, bool>> Ends;
  std::vector<std::pair<std::string, std::string>> Volumes;  // name asked, ID
  int Result = -1;
  int Raised = 0;  // code of the raised error, 0 none

  std::vector<int> Codes() const {
    std::vector<int> C;
    for (const TError& E : Errors) C.push_back(E.Code);
    return C;
  }
};

class UUDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = morvtest::TempDir();
    Out = Join(Root, "out");
  }

  // Decodes Archive into Out (or Dir) and records what the run reports.
  TRun Decode(const std::string& Archive, const std::function<void(TUUDecode&)>& Setup = {},
              const std::string& Dir = "") {
    TRun R;
    TUUDecode U(nullptr);
    U.OnError = [&R](TObject*, const std::string& FN, const std::string& MsgEx, const std::string&, int Code) {
      R.Errors.push_back({FN, MsgEx, Code});
    };
    U.OnEnd = [&R](TObject*, const std::string& FN, bool Pass) { R.Ends.push_back({FN, Pass}); };
    U.OnNextVolume = [&R](TObject*, std::string& Name, const std::string& ID, bool, bool& Cancel) {
      R.Volumes.push_back({Name, ID});
      Cancel = false;
    };
    U.SetArchiveFile(Archive);
    U.SetExtractDir(Dir.empty() ? Out : Dir);
    U.ConfirmOverwrites = false;
    if (Setup) Setup(U);
    try {
      R.Result = U.Extract();
    } catch (const E_RAISE&) {
      R.Raised = R.Errors.empty() ? -1 : R.Errors.back().Code;
    }
    Written = U.FileName();
    return R;
  }

  std::string Uuencode(const std::vector<uint8_t>& Data, const std::string& Stored, const std::string& Sed = "") {
    const std::string In = Join(Root, "in" + std::to_string(++FCount) + ".bin");
    const std::string Enc = Join(Root, "e" + std::to_string(FCount) + ".uue");
    morvtest::WriteFile(In, Data);
    std::string Log;
    EXPECT_EQ(morvtest::RunPeer("uuencode " + Quote(morvtest::HostPath(In)) + " " + Quote(Stored) +
                                    (Sed.empty() ? "" : " | sed " + Quote(Sed)) + " > " +
                                    Quote(morvtest::HostPath(Enc)),
                                &Log),
              0)
        << Log;
    return Enc;
  }

  // What uudecode makes of File.
  std::vector<uint8_t> PeerDecode(const std::string& File) {
    const std::string Dest = Join(Root, "peer" + std::to_string(++FCount) + ".bin");
    std::string Log;
    EXPECT_EQ(morvtest::RunPeer("uudecode -o " + Quote(morvtest::HostPath(Dest)) + " " +
                                    Quote(morvtest::HostPath(File)),
                                &Log),
              0)
        << Log;
    return morvtest::ReadFile(Dest);
  }

  struct TEncodeJob {
    std::string Alphabet;
    std::vector<uint8_t> Data;
    std::string Stored, Header = "none";
  };
  std::vector<std::string> Encode(const std::vector<TEncodeJob>& Jobs) {
    const std::string Script = Join(Root, "enc.py");
    morvtest::WriteFile(Script, std::string(kEncoder));
    std::string Cmd = "python3 " + Quote(morvtest::HostPath(Script));
    std::vector<std::string> Files;
    for (const TEncodeJob& J : Jobs) {
      const std::string In = Join(Root, "in" + std::to_string(++FCount) + ".bin");
      Files.push_back(Join(Root, "e" + std::to_string(FCount) + ".xxe"));
      morvtest::WriteFile(In, J.Data);
      Cmd += " " + Quote(J.Alphabet) + " " + Quote(morvtest::HostPath(In)) + " " +
             Quote(morvtest::HostPath(Files.back())) + " " + Quote(J.Stored) + " " + J.Header;
    }
    std::string Log;
    EXPECT_EQ(morvtest::RunPeer(Cmd, &Log), 0) << Log;
    return Files;
  }

  std::string Root, Out, Written;
  int FCount = 0;
};

#define NEED_PEERS()                                                                                      \
  if (!morvtest::HavePeer("uuencode") || !morvtest::HavePeer("uudecode")) GTEST_SKIP() << "sharutils missing"

// Every size around the 45-byte line, as uuencode writes it, with "`" or
// blanks for zero and with CR LF line ends, comes back as uudecode gives it.
TEST_F(UUDecodeTest, PeerUuencodeByteExact) {
  NEED_PEERS();
  struct Row {
    size_t Size;
    const char* Sed;
  } Rows[] = {
      {0, ""},     {1, ""},     {44, ""},        {45, ""},        {46, ""},       {1 << 20, ""},
      {0, "s/`/ /g"}, {46, "s/`/ /g"}, {1000, "s/`/ /g"}, {46, "s/$/\\r/"}, {1 << 20, "s/$/\\r/"},
  };
  for (const Row& Rw : Rows) {
    SCOPED_TRACE(std::to_string(Rw.Size) + " " + Rw.Sed);
    const std::vector<uint8_t> Data = morvtest::RandomData(Rw.Size, uint32_t(Rw.Size) + 7);
    const std::string Enc = Uuencode(Data, "stored.bin", Rw.Sed);
    const std::vector<uint8_t> Peer = PeerDecode(Enc);
    ASSERT_EQ(Peer, Data);
    const TRun R = Decode(Enc);
    EXPECT_EQ(R.Raised, 0);
    EXPECT_EQ(R.Result, 1);
    EXPECT_TRUE(R.Errors.empty());
    ASSERT_EQ(R.Ends.size(), 1u);
    EXPECT_TRUE(R.Ends[0].second);
    EXPECT_EQ(Written, Join(Out, "stored.bin"));
    EXPECT_EQ(R.Ends[0].first, Written);
    EXPECT_EQ(morvtest::ReadFile(Written), Peer);
  }
}

// xxencoded files of every size; a last line of 42 bytes whose count
// character "e" is followed by "nd" is data, not the end mark.
TEST_F(UUDecodeTest, XxencodeByteExact) {
  if (!morvtest::HavePeer("python3")) GTEST_SKIP() << "python3 missing";
  std::vector<uint8_t> EndLike = morvtest::RandomData(87, 3);
  EndLike[45] = 0xCE;  // "n"
  EndLike[46] = 0x93;  // "d"
  std::vector<TEncodeJob> Jobs;
  for (size_t Size : {size_t(0), size_t(1), size_t(44), size_t(45), size_t(46), size_t(100000)})
    Jobs.push_back({kXX, morvtest::RandomData(Size, uint32_t(Size) + 11), "x.dat"});
  Jobs.push_back({kXX, EndLike, "x.dat"});
  const std::vector<std::string> Files = Encode(Jobs);
  const std::vector<std::string> L = SplitLines(morvtest::ReadFile(Files.back()));
  ASSERT_GE(L.size(), 3u);
  ASSERT_EQ(L[2].substr(0, 3), "end");
  for (size_t i = 0; i < Jobs.size(); ++i) {
    SCOPED_TRACE(Jobs[i].Data.size());
    const TRun R = Decode(Files[i]);
    EXPECT_EQ(R.Raised, 0);
    EXPECT_TRUE(R.Errors.empty());
    ASSERT_EQ(R.Ends.size(), 1u);
    EXPECT_TRUE(R.Ends[0].second);
    EXPECT_EQ(morvtest::ReadFile(Join(Out, "x.dat")), Jobs[i].Data);
  }
}

// A private alphabet from a "table" or "charmap" header decides, whatever
// the first body character (here "G", neither "M" nor "h").
TEST_F(UUDecodeTest, PrivateAlphabets) {
  if (!morvtest::HavePeer("python3")) GTEST_SKIP() << "python3 missing";
  const std::string Private(kXX.rbegin(), kXX.rend());
  ASSERT_EQ(Private[45], 'G');
  const std::vector<uint8_t> Data = morvtest::RandomData(5000, 5);
  const std::vector<std::string> Files =
      Encode({{Private, Data, "table.bin", "table"}, {Private, Data, "charmap.bin", "charmap"}});
  for (const char* Header : {"table", "charmap"}) {
    SCOPED_TRACE(Header);
    const TRun R = Decode(Files[Header[0] == 't' ? 0 : 1]);
    EXPECT_EQ(R.Raised, 0);
    EXPECT_TRUE(R.Errors.empty());
    EXPECT_EQ(morvtest::ReadFile(Join(Out, std::string(Header) + ".bin")), Data);
  }
}

TEST_F(UUDecodeTest, SharedFixtures) {
  NEED_PEERS();
  const std::string Rar = morvtest::SharedPath("fixtures/uue/libarchive/test_read_format_rar.rar.uu");
  TRun R = Decode(Rar);
  EXPECT_EQ(R.Raised, 0);
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "test_read_format_rar.rar")),
            rdtest::Fixture("rar/libarchive/test_read_format_rar.rar"));
  const std::string Lic = morvtest::SharedPath("fixtures/uue/libarchive/test_read_filter_uudecode_raw.uu");
  R = Decode(Lic);
  EXPECT_EQ(R.Raised, 0);
  const std::vector<uint8_t> Got = morvtest::ReadFile(Join(Out, "LICENSE.txt"));
  EXPECT_FALSE(Got.empty());
  EXPECT_EQ(Got, PeerDecode(Lic));
}

// The stored name is untrusted: whatever it says, the file lands below
// ExtractDir. A name with a blank ends at the blank.
TEST_F(UUDecodeTest, StoredNames) {
  NEED_PEERS();
  const std::string Dir = Join(Root, "a/b/out");
  const std::vector<uint8_t> Data = morvtest::RandomData(100, 9);
  struct Row {
    std::string Stored;
    bool StoredDirs;
    std::string Expected;  // below Dir
  } Rows[] = {
      {"two words.txt", true, "two"},
      {"../../evil.bin", true, "evil.bin"},
      {"..\\..\\evil2.bin", true, "evil2.bin"},
      {"/tmp/abs.bin", true, "tmp/abs.bin"},
      {"/tmp/abs2.bin", false, "abs2.bin"},
      {"C:\\abs3.bin", true, "abs3.bin"},
      {"sub/dir/n.bin", true, "sub/dir/n.bin"},
      {std::string(100, 'n'), true, std::string(100, 'n')},
  };
  for (const Row& Rw : Rows) {
    SCOPED_TRACE(Rw.Stored);
    const std::string Enc = Uuencode(Data, Rw.Stored);
    const TRun R = Decode(
        Enc, [&](TUUDecode& U) { U.UseStoredDirs = Rw.StoredDirs; }, Dir);
    EXPECT_EQ(R.Raised, 0);
    EXPECT_EQ(Written, Join(Dir, Rw.Expected));
    EXPECT_EQ(morvtest::ReadFile(Join(Dir, Rw.Expected)), Data);
  }
  std::string Outside;
  morvtest::RunPeer("cd " + Quote(morvtest::HostPath(Root)) + " && find . -name 'evil*' -o -name 'abs*'", &Outside);
  for (const std::string& Line : SplitLines(Bytes(Outside))) EXPECT_EQ(Line.rfind("./a/b/out/", 0), 0u) << Line;

  // Nothing left of the name: reported as invalid, and no output.
  morvtest::WriteFile(Join(Root, "dots.uue"), "begin 644 ../..\n#86)C\n`\nend\n");
  const TRun R = Decode(Join(Root, "dots.uue"));
  EXPECT_EQ(R.Codes(), (std::vector<int>{errBadFileName, errOpenFile}));
  EXPECT_EQ(R.Raised, errOpenFile);
}

// Crafted bodies: short and long counts, characters outside the alphabet,
// no "begin" line, an alphabet that cannot be told.
TEST_F(UUDecodeTest, CraftedBodies) {
  struct Row {
    const char* What;
    std::string Text;
    std::vector<uint8_t> Expected;
    int Raised;
    std::function<void(TUUDecode&)> Setup;
  } Rows[] = {
      // "#" says 3 bytes; the line carries "abcdef".
      {"count below the line", "begin 644 x.bin\n#86)C9&5F\n`\nend\n", Bytes("abc"), 0, {}},
      // "M" says 45 bytes but four characters follow: the rest is zero.
      {"count above the line", "begin 644 x.bin\nM86)C\n`\nend\n",
       [] {
         std::vector<uint8_t> V(45, 0);
         V[0] = 'a', V[1] = 'b', V[2] = 'c';
         return V;
       }(),
       0, {}},
      {"count past every buffer", "begin 644 x.bin\nM\n`\nend\n", std::vector<uint8_t>(45, 0), 0, {}},
      {"characters outside the alphabet count zero", "begin 644 x.bin\n#86)C\n#86~\x80\n`\nend\n",
       {'a', 'b', 'c', 0x61, 0x60, 0}, 0, {}},
      {"CR LF and a blank zero line", "begin 644 x.bin\r\n#86)C\r\n \r\nend\r\n", Bytes("abc"), 0, {}},
      {"four-digit mode", "begin 0644 x.bin\n#86)C\n`\nend\n", Bytes("abc"), 0, {}},
      {"long header line read whole", "begin 644 x.bin " + std::string(300, 'M') + "\n#86)C\n`\nend\n", Bytes("abc"),
       0, {}},
      {"short first line in xxencode", "begin 644 x.bin\n1MK7X\n+\nend\n", Bytes("abc"), 0, {}},
      {"begin past MaxHeaderLines", "a\nb\nc\nbegin 644 x.bin\n#86)C\n`\nend\n", {}, errOpenFile,
       [](TUUDecode& U) { U.MaxHeaderLines = 3; }},
      {"begin without a name", "begin 644 \n#86)C\n`\nend\n", {}, errOpenFile, {}},
      {"body in neither alphabet", "begin 644 x.bin\n~~~~\nend\n", {}, errBadMethod, {}},
      {"empty body line", "begin 644 x.bin\n\nend\n", {}, errBadMethod, {}},
  };
  for (const Row& Rw : Rows) {
    SCOPED_TRACE(Rw.What);
    const std::string Dir = Join(Root, "c" + std::to_string(&Rw - Rows));
    const std::string Enc = Join(Root, "c" + std::to_string(&Rw - Rows) + ".uue");
    morvtest::WriteFile(Enc, Rw.Text);
    const TRun R = Decode(Enc, Rw.Setup, Dir);
    EXPECT_EQ(R.Raised, Rw.Raised);
    if (Rw.Raised) {
      EXPECT_EQ(R.Codes(), std::vector<int>{Rw.Raised});
      EXPECT_TRUE(R.Ends.empty());
      EXPECT_FALSE(FileExists(Join(Dir, "x.bin")));
      continue;
    }
    EXPECT_TRUE(R.Errors.empty());
    EXPECT_EQ(morvtest::ReadFile(Join(Dir, "x.bin")), Rw.Expected);
  }
}

class UUDecodeVolumes : public UUDecodeTest {
 protected:
  void SetUp() override {
    UUDecodeTest::SetUp();
    if (!morvtest::HavePeer("uuencode")) GTEST_SKIP() << "uuencode missing";
    Data = morvtest::RandomData(45 * 30 + 20, 21);
    Lines = SplitLines(morvtest::ReadFile(Uuencode(Data, "joined.bin")));
    // begin, 31 data lines, "`", end
    ASSERT_EQ(Lines.size(), 34u);
  }
  // Volume texts: the header and lines 1..10, 11..20, the rest.
  std::string First() const { return "Subject: a file\n\n" + JoinLines(Lines, 0, 11); }
  std::string Second() const { return JoinLines(Lines, 11, 21); }
  std::string Third() const { return JoinLines(Lines, 21, Lines.size()); }

  std::vector<uint8_t> Data;
  std::vector<std::string> Lines;
};

// Three volumes named .UUE, .UU1 and .UU2 whose later parts start at once
// with data, with the "part"/"begin" lines of split encoders, with text
// before the data (reported, decoded anyway), or with a short last line.
TEST_F(UUDecodeVolumes, JoinedByExtension) {
  struct Row {
    const char* What;
    std::string Second, Third;
    std::vector<int> Codes;
  } Rows[] = {
      {"data at once", Second(), Third(), {}},
      {"part and begin lines", "part 1\nbegin 644 joined.bin\n" + Second(), "part 2\nbegin 644 joined.bin\n" + Third(),
       {}},
      {"text before the data", "This is part 2\n\n" + Second(), Third(), {25240}},
      {"short last line at once", Second() + JoinLines(Lines, 21, 31), JoinLines(Lines, 31, Lines.size()), {}},
  };
  for (const Row& Rw : Rows) {
    SCOPED_TRACE(Rw.What);
    const std::string Dir = Join(Root, "v" + std::to_string(&Rw - Rows));
    ForceDirectories(Dir);
    const std::string Base = Join(Dir, "x.");
    morvtest::WriteFile(Base + "UUE", First());
    morvtest::WriteFile(Base + "UU1", Rw.Second);
    morvtest::WriteFile(Base + "UU2", Rw.Third);
    const TRun R = Decode(Base + "UUE", [](TUUDecode& U) {
      U.SetVolumeStartNum(0);
      U.NextVolumeName = nvChangeExt;
    }, Dir);
    EXPECT_EQ(R.Raised, 0);
    EXPECT_EQ(R.Codes(), Rw.Codes);
    if (!Rw.Codes.empty()) {
      EXPECT_EQ(R.Errors[0].MsgEx, "line starting with 77 found before \"begin\"");
    }
    ASSERT_EQ(R.Volumes.size(), 2u);
    EXPECT_EQ(R.Volumes[0], std::make_pair(Base + "UU1", std::string("1")));
    EXPECT_EQ(R.Volumes[1], std::make_pair(Base + "UU2", std::string("2")));
    ASSERT_EQ(R.Ends.size(), 1u);
    EXPECT_TRUE(R.Ends[0].second);
    EXPECT_EQ(R.Result, 1);
    EXPECT_EQ(morvtest::ReadFile(Join(Dir, "joined.bin")), Data);
  }
}

// A refused volume (or no handler to ask) closes what was written; the file
// is reported incomplete and does not pass.
TEST_F(UUDecodeVolumes, RefusedVolume) {
  const std::string Arc = Join(Root, "r.uue");
  morvtest::WriteFile(Arc, First());
  for (bool Handler : {true, false}) {
    SCOPED_TRACE(Handler);
    const std::string Dir = Join(Root, Handler ? "h" : "n");
    int Asked = 0;
    const TRun R = Decode(Arc, [&](TUUDecode& U) {
      U.OnNextVolume = nullptr;
      if (Handler)
        U.OnNextVolume = [&](TObject*, std::string&, const std::string&, bool, bool& Cancel) {
          ++Asked;
          Cancel = true;
        };
    }, Dir);
    EXPECT_EQ(Asked, Handler ? 1 : 0);
    EXPECT_EQ(R.Raised, 0);
    EXPECT_EQ(R.Result, 0);
    EXPECT_EQ(R.Codes(), std::vector<int>{25168});
    ASSERT_EQ(R.Ends.size(), 1u);
    EXPECT_FALSE(R.Ends[0].second);
    // The output is closed: it can be replaced at once.
    const std::vector<uint8_t> Got = morvtest::ReadFile(Join(Dir, "joined.bin"));
    EXPECT_EQ(Got, std::vector<uint8_t>(Data.begin(), Data.begin() + 450));
    EXPECT_TRUE(DeleteFile(Join(Dir, "joined.bin")));
  }
}

// A cancel from the progress event ends the run quietly but not as a pass.
TEST_F(UUDecodeTest, CancelledByProgress) {
  NEED_PEERS();
  const std::string Enc = Uuencode(morvtest::RandomData(300000, 2), "big.bin");
  // The first calls come from the header search and the start of the entry.
  int Calls = 0;
  const TRun R = Decode(Enc, [&Calls](TUUDecode& U) {
    U.OnProgress = [&U, &Calls](TObject*, uint8_t, uint8_t) {
      if (++Calls == 4) U.Cancel = true;
    };
  });
  EXPECT_EQ(Calls, 4);
  EXPECT_EQ(R.Raised, 0);
  EXPECT_EQ(R.Result, 0);
  ASSERT_EQ(R.Ends.size(), 1u);
  EXPECT_FALSE(R.Ends[0].second);
  EXPECT_TRUE(DeleteFile(Join(Out, "big.bin")));
}

TEST_F(UUDecodeTest, ExistingTargetSkipped) {
  morvtest::WriteFile(Join(Root, "s.uue"), "begin 644 s.bin\n#86)C\n`\nend\n");
  ForceDirectories(Out);
  morvtest::WriteFile(Join(Out, "s.bin"), "old");
  const TRun R = Decode(Join(Root, "s.uue"), [](TUUDecode& U) { U.OverwriteMode = TOverwriteMode::omSkip; });
  EXPECT_EQ(R.Result, 0);
  EXPECT_TRUE(R.Ends.empty());
  EXPECT_EQ(morvtest::ReadFile(Join(Out, "s.bin")), Bytes("old"));
}

TEST(UUDecodeNames, NextVolumeNames) {
  TUUDecode U(nullptr);
  EXPECT_EQ(U.NextVolumeName, nvChangeExt);
  EXPECT_EQ(U.MaxHeaderLines, 100);
  EXPECT_FALSE(U.VolumeLongFilenames);
  U.SetVolumeStartNum(50);
  EXPECT_EQ(U.VolumeStartNum(), 10);
  struct Row {
    TNextVolumeName Rule;
    bool Long;
    const char* Name;
    int Number;
    const char* Expected;
  } Rows[] = {
      {nvChangeExt, false, "C:\\in\\x.UUE", 1, "C:\\in\\x.UU1"},
      {nvChangeExt, false, "C:\\in\\x.UUE", 2, "C:\\in\\x.UU2"},
      {nvChangeExt, false, "/in/x.uue", 10, "/in/x.u10"},
      {nvChangeExt, false, "/in/x.uue", 100, "/in/x.100"},
      {nvChangeExt, false, "/in/x.uue", 1000, "/in/x.1000"},
      {nvChangeExt, false, "/in/x.u", 1, "/in/x.u1"},
      {nvChangeExt, false, "/in.d/x", 3, "/in.d/x3"},
      {nvChangeFilename, false, "/in/part1.uue", 2, "/in/part2.uue"},
      {nvChangeFilename, false, "/in/foo01.uue", 10, "/in/foo10.uue"},
      {nvChangeFilename, false, "/in/a.uue", 10, "/in/10.uue"},
      {nvChangeFilename, false, "/in.d/noext1", 2, "/in.d/noext2"},
      {nvChangeFilename, true, "/in/a rather long name 01.uue", 2, "/in/a rather long name 02.uue"},
  };
  for (const Row& Rw : Rows) {
    U.NextVolumeName = Rw.Rule;
    U.VolumeLongFilenames = Rw.Long;
    EXPECT_EQ(U.UUVolumeName(Rw.Name, Rw.Number), Rw.Expected) << Rw.Name << " " << Rw.Number;
  }
}

}  // namespace
