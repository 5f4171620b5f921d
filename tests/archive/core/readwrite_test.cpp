#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/core/crc.h"
#include "archive/core/zipcrypt.h"
#include "framework/core/prompts.h"
#include "framework/core/streams.h"
#include "tests/archive/core/arctest.h"
#include "tests/support/testsupport.h"

namespace {

std::string Str(TMemoryStream& m) { return std::string(static_cast<const char*>(m.Memory()), size_t(m.Size())); }

uint32_t Crc32Of(const std::string& s) {
  uint32_t c = 0xFFFFFFFFu;
  Crc32Block(s.data(), s.size(), c);
  return c;
}

class ReadWrite : public ::testing::Test {
 protected:
  ReadWrite() : arc(atUnknown) {
    arc.SetArchiveFile("a.gz");
    arc.OutputMode = omPassedStream;
  }
  ~ReadWrite() override { SetCurrentArcComponent(nullptr); }
  size_t Write(std::string s, uint8_t crcWidth = 32) {
    return arc.WriteBlockDecryptProc(nullptr, &out, 1, s.size(), crcWidth, false,
                                     reinterpret_cast<uint8_t*>(s.data()));
  }
  TTestArc arc;
  TMemoryStream out;
};

TEST_F(ReadWrite, AsciiTranslationExpandsLoneLineFeeds) {
  arc.AsciiTranslation = true;
  arc.ResetCrc();
  EXPECT_EQ(Write("a\nb\r\n"), 5u);
  EXPECT_EQ(Str(out), "a\r\nb\r\n");
  EXPECT_EQ(arc.Crc32, Crc32Of("a\nb\r\n")) << "the CRC is the entry's own data";
}

// A carriage return that ends one block and the line feed that starts the
// next are one line end, not two.
TEST_F(ReadWrite, AsciiTranslationKeepsLineEndSplitAcrossBlocks) {
  arc.AsciiTranslation = true;
  arc.ResetCrc();
  Write("one\r");
  Write("\ntwo\n");
  Write("\n");
  EXPECT_EQ(Str(out), "one\r\ntwo\r\n\r\n");
}

TEST_F(ReadWrite, TestModeCountsAndChecksWithoutWriting) {
  std::string dir = morvtest::TempDir();
  arc.OutputMode = omTest;
  arc.ResetCrc();
  arc.TestBytes = 0;
  TUntypedFile none;
  std::string data(100000, 'x');
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(arc.WriteBlockDecryptProc(&none, nullptr, 1, 25000, 32, false,
                                        reinterpret_cast<uint8_t*>(&data[size_t(i) * 25000])),
              25000u);
  EXPECT_EQ(arc.TestBytes, 100000);
  EXPECT_EQ(arc.Crc32, Crc32Of(data));
  EXPECT_FALSE(none.IsOpen());
}

TEST_F(ReadWrite, ModesThatWriteNothingFailTheWrite) {
  int reports = 0;
  int code = 0;
  std::string fn;
  arc.OnError = [&](TObject*, const std::string& FN, const std::string&, const std::string&, int ECode) {
    reports++;
    code = ECode;
    fn = FN;
  };
  arc.OutFileName = "C:\\out\\x.txt";
  for (uint8_t mode : {4, 5, 9}) {
    arc.OutputMode = mode;
    try {
      Write("data");
      FAIL() << "mode " << int(mode) << " accepted the write";
    } catch (const E_RAISE& e) {
      EXPECT_EQ(e.Message(), "Error writing to file");
    }
  }
  EXPECT_EQ(reports, 3);
  EXPECT_EQ(code, 25136);
  EXPECT_EQ(fn, "C:\\out\\x.txt");
  arc.OutputMode = 5;
  EXPECT_EQ(Write(""), 0u) << "an empty write is no failure";
}

TEST_F(ReadWrite, ZeroByteReadLeavesCrcAndCipherAlone) {
  arc.ForceType(atZip);
  std::string data = "abcdef";
  arc.InputMode = imMemory;
  arc.SetMemoryInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  ZipInitKeys("pw");
  const TZipKeys before = ZipKeys();
  arc.ResetCrc();
  uint8_t buf[8];
  EXPECT_EQ(arc.ReadBlockProc(nullptr, nullptr, 0, 32, true, buf), 0u);
  EXPECT_EQ(arc.Crc32, 0xFFFFFFFFu);
  EXPECT_EQ(ZipKeys().Key0, before.Key0);
  EXPECT_EQ(ZipKeys().Key2, before.Key2);
  EXPECT_EQ(arc.MemoryInputLeft(), data.size());

  arc.ForceType(atArj);
  arc.Password = "xyz";
  arc.ArjKeyPos = 1;
  EXPECT_EQ(arc.ReadBlockProc(nullptr, nullptr, 0, 16, true, buf), 0u);
  EXPECT_EQ(arc.ArjKeyPos, 1u);
  EXPECT_EQ(arc.Crc16, 0);
}

TEST_F(ReadWrite, MemoryInputStopsAtItsEnd) {
  std::string data = "0123456789";
  arc.InputMode = imMemory;
  arc.SetMemoryInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  uint8_t buf[64];
  EXPECT_EQ(arc.ReadBlockProc(nullptr, nullptr, 4, 0, false, buf), 4u);
  EXPECT_EQ(arc.ReadBlockProc(nullptr, nullptr, 64, 0, false, buf), 6u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 6), "456789");
  EXPECT_EQ(arc.ReadBlockProc(nullptr, nullptr, 64, 0, false, buf), 0u);
}

TEST_F(ReadWrite, ArjPasswordCyclesAcrossBlocks) {
  arc.ForceType(atArj);
  arc.Password = "k3y";
  arc.ArjKeyPos = 0;
  std::vector<uint8_t> plain = morvtest::TextData(1000, 4), buf = plain;
  for (size_t pos = 0; pos < buf.size();) {
    size_t n = std::min<size_t>(pos % 5 + 1, buf.size() - pos);
    arc.DecryptBuffer(&buf[pos], n);
    pos += n;
  }
  for (size_t i = 0; i < buf.size(); i++) ASSERT_EQ(buf[i], plain[i] ^ uint8_t("k3y"[i % 3])) << i;
}

// Reports reach OnError only while the running operation is not cancelled;
// the exception is raised either way.
TEST_F(ReadWrite, ErrorsAreReportedUntilCancelled) {
  int reports = 0;
  arc.OnError = [&](TObject* Sender, const std::string&, const std::string& MsgEx, const std::string& Vol, int Code) {
    EXPECT_EQ(Sender, &arc);
    EXPECT_EQ(MsgEx, "extra");
    EXPECT_EQ(Vol, "vol1");
    EXPECT_EQ(Code, 25172);
    reports++;
  };
  EXPECT_THROW(arc.RaiseError("a.zip", 25172, "extra", "vol1"), E_RAISE);
  arc.ReportError("a.zip", "extra", 25172, "vol1");
  EXPECT_EQ(reports, 2);

  SetCurrentArcComponent(&arc);
  int pumped = 0;
  ProcessMessagesHook() = [&] { pumped++; };
  SetComponentCancel(&arc, true);
  ProcessMessagesHook() = nullptr;
  EXPECT_EQ(pumped, 1);
  try {
    arc.RaiseError("a.zip", 25172, "extra", "vol1");
  } catch (const E_RAISE& e) {
    EXPECT_EQ(e.Message(), "File not found");
  }
  arc.OutputMode = 5;
  EXPECT_THROW(Write("x"), E_RAISE);
  EXPECT_EQ(reports, 2);

  arc.OnError = nullptr;
  SetComponentCancel(&arc, false);
  EXPECT_THROW(arc.RaiseError("a.zip", 25172), E_RAISE);
}

TEST_F(ReadWrite, HandlerThatRaisesReplacesTheError) {
  arc.OnError = [](TObject*, const std::string&, const std::string&, const std::string&, int) {
    throw Exception("from handler");
  };
  try {
    arc.RaiseError("a.zip", 25136);
    FAIL();
  } catch (const E_RAISE&) {
    FAIL() << "the library's exception should have been replaced";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "from handler");
  }
}

TEST_F(ReadWrite, ProgressUsesSixtyFourBits) {
  int calls = 0;
  arc.ProgressCallback = [&] { calls++; };
  arc.DoProgress(1, 3, 2, 3);
  EXPECT_EQ(arc.ProgressByFile, 33);
  EXPECT_EQ(arc.ProgressByArchive, 33);
  arc.DoProgress(2, 3, 1, 3);
  EXPECT_EQ(arc.ProgressByFile, 67);
  arc.DoProgress(5, 0, 0, 0);
  EXPECT_EQ(arc.ProgressByFile, 0);
  EXPECT_EQ(arc.ProgressByArchive, 0);
  // 40 MB of 80 MB and 3 GB of 4 GB: far past where x * 100 overflows 32 bits.
  arc.DoProgress(40000000, 80000000, 1000000000, 4000000000LL);
  EXPECT_EQ(arc.ProgressByFile, 50);
  EXPECT_EQ(arc.ProgressByArchive, 75);
  EXPECT_EQ(calls, 4);
}

TEST_F(ReadWrite, CodecAdapterLimitsInputAndFeedsCrcAndProgress) {
  arc.ForceType(atZip);
  std::string packed = "PACKEDDATA|next header";
  arc.InputMode = imMemory;
  arc.SetMemoryInput(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
  arc.ResetCrc();
  TArcCodecIO io(arc, nullptr, nullptr, nullptr, &out);
  io.PackedLeft = 10;
  io.FileSize = 60000;
  io.ArchiveTotal = 120000;
  io.ArchiveRemaining = 120000;
  uint8_t buf[64];
  EXPECT_EQ(io.ReadPacked(buf, 4), 4u);
  EXPECT_EQ(io.ReadPacked(buf, 64), 6u);
  EXPECT_EQ(io.ReadPacked(buf, 64), 0u) << "the next header is not the codec's";

  std::vector<uint8_t> window = morvtest::RandomData(60000, 2);
  const std::vector<uint8_t> keep = window;
  int progress = 0;
  arc.ProgressCallback = [&] { progress++; };
  io.WriteUnpacked(window.data(), window.size());
  EXPECT_EQ(window, keep) << "the codec's window is not touched";
  EXPECT_EQ(std::string(static_cast<const char*>(out.Memory()), size_t(out.Size())),
            std::string(keep.begin(), keep.end()));
  uint32_t crc = 0xFFFFFFFFu;
  Crc32Block(keep.data(), keep.size(), crc);
  EXPECT_EQ(arc.Crc32, crc);
  EXPECT_EQ(progress, 2);
  EXPECT_EQ(arc.ProgressByFile, 100);
  EXPECT_EQ(arc.ProgressByArchive, 50);
}

TEST_F(ReadWrite, CodecAdapterDecryptsOnlyWhenAsked) {
  arc.ForceType(atZip);
  std::vector<uint8_t> plain = morvtest::TextData(500, 8), cipher = plain;
  ZipInitKeys("pw");
  ZipEncryptBuffer(cipher.data(), cipher.size());
  ZipInitKeys("pw");
  arc.InputMode = imMemory;
  arc.SetMemoryInput(cipher.data(), cipher.size());
  TArcCodecIO io(arc, nullptr, nullptr, nullptr, &out);
  io.PackedLeft = int64_t(cipher.size());
  io.Decrypt = true;
  std::vector<uint8_t> got(cipher.size());
  EXPECT_EQ(io.ReadPacked(got.data(), 200), 200u);
  EXPECT_EQ(io.ReadPacked(got.data() + 200, 1000), 300u);
  EXPECT_EQ(got, plain);
}

TEST_F(ReadWrite, CodecAdapterStopsOnCancel) {
  TArcCodecIO io(arc, nullptr, nullptr, nullptr, &out);
  uint8_t buf[4] = {1, 2, 3, 4};
  arc.Cancel = true;
  EXPECT_THROW(io.WriteUnpacked(buf, 4), EArcCancelled);
  EXPECT_THROW(io.ReadPacked(buf, 4), EArcCancelled);
  EXPECT_EQ(out.Size(), 0);
}

TEST_F(ReadWrite, FileOutputThroughUntypedFile) {
  std::string path = morvtest::TempDir() + "/o.bin";
  TUntypedFile f;
  ASSERT_TRUE(f.Create(path));
  arc.OutputMode = omFile;
  std::string s = "hello file";
  EXPECT_EQ(arc.WriteBlockDecryptProc(&f, nullptr, 0, s.size(), 32, false, reinterpret_cast<uint8_t*>(s.data())),
            s.size());
  EXPECT_EQ(arc.Crc32, 0xFFFFFFFFu) << "data flag 0 leaves the CRC alone";
  EXPECT_TRUE(arc.CloseFileVar(f));
  EXPECT_EQ(morvtest::ReadFile(path), std::vector<uint8_t>(s.begin(), s.end()));
}

}  // namespace
