#include "framework/core/streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/os.h"
#include "tests/support/testsupport.h"

namespace {

std::string Bytes(const std::string& Path) {
  std::vector<uint8_t> B = morvtest::ReadFile(Path);
  return std::string(B.begin(), B.end());
}

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { Dir = IncludeTrailingBackslash(morvtest::TempDir()); }
  std::string Dir;
};

TEST_F(FileStreamTest, CreateTruncatesAndOpenModesLimitAccess) {
  std::string Name = Dir + "data.bin";
  morvtest::WriteFile(Name, std::string("previous contents"));
  {
    TFileStream S(Name, fmCreate);
    EXPECT_EQ(S.Size(), 0);
    S.WriteBuffer("hello", 5);
    EXPECT_EQ(S.Position(), 5);
    EXPECT_EQ(S.FileName(), Name);
    EXPECT_NE(S.Handle(), InvalidHandle);
  }
  EXPECT_EQ(Bytes(Name), "hello");
  {
    TFileStream S(Name, fmOpenRead);
    char Buf[8] = {};
    EXPECT_EQ(S.Read(Buf, 8), 5);
    EXPECT_EQ(std::string(Buf), "hello");
    EXPECT_EQ(S.Write("x", 1), 0);
    EXPECT_THROW(S.WriteBuffer("x", 1), EWriteError);
    S.SetPosition(1);
    EXPECT_THROW(S.ReadBuffer(Buf, 5), EReadError);
  }
  {
    TFileStream S(Name, fmOpenWrite);
    char C;
    EXPECT_EQ(S.Read(&C, 1), 0);
    EXPECT_EQ(S.Seek(0, soFromEnd), 5);
    S.WriteBuffer("!", 1);
  }
  {
    TFileStream S(Name, fmOpenReadWrite | fmShareDenyNone);
    S.Seek(-2, soFromEnd);
    char Buf[2];
    S.ReadBuffer(Buf, 2);
    EXPECT_EQ(std::string(Buf, 2), "o!");
    S.SetPosition(4);
    S.SetSize(2);
    EXPECT_EQ(S.Position(), 2);
    EXPECT_EQ(S.Size(), 2);
    S.SetSize(4);
    EXPECT_EQ(S.Position(), 2);
  }
  EXPECT_EQ(Bytes(Name), std::string("he\0\0", 4));
}

TEST_F(FileStreamTest, ErrorsNameTheFile) {
  struct {
    std::string Name;
    uint32_t Mode;
    bool Create;
  } const Cases[] = {
      {Dir + "missing.bin", fmOpenRead, false},
      {Dir + "no folder" + PathDelim + "new.bin", fmCreate, true},
      {Dir, fmOpenRead, false},
  };
  for (const auto& C : Cases) {
    try {
      TFileStream S(C.Name, C.Mode);
      ADD_FAILURE() << "opened " << C.Name;
    } catch (const EFCreateError& E) {
      EXPECT_TRUE(C.Create) << E.Message();
      EXPECT_NE(E.Message().find(C.Name), std::string::npos) << E.Message();
    } catch (const EFOpenError& E) {
      EXPECT_FALSE(C.Create) << E.Message();
      EXPECT_NE(E.Message().find(C.Name), std::string::npos) << E.Message();
    }
  }
}

TEST_F(FileStreamTest, PositionsBeyondFourGigabytes) {
  const int64_t Far = (int64_t{5} << 30) + 3;
  TTempFileStream S(Dir + "sparse.bin");
  S.SetSize(Far);
  EXPECT_EQ(S.Size(), Far);
  EXPECT_EQ(S.Seek(-1, soFromEnd), Far - 1);
  S.WriteBuffer("Z", 1);
  EXPECT_EQ(S.Position(), Far);
  S.SetPosition(Far - 1);
  char C = 0;
  S.ReadBuffer(&C, 1);
  EXPECT_EQ(C, 'Z');
  EXPECT_EQ(GetFileSize64(S.FileName()), Far);
}

TEST_F(FileStreamTest, ShareModesOnWindows) {
#ifndef _WIN32
  GTEST_SKIP() << "share modes are enforced by Windows only";
#else
  std::string Name = Dir + "shared.bin";
  morvtest::WriteFile(Name, std::string("abc"));
  {
    TFileStream First(Name, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TFileStream(Name, fmOpenReadWrite | fmShareDenyNone), EFOpenError);
    EXPECT_THROW(TFileStream(Name, fmOpenWrite | fmShareDenyNone), EFOpenError);
    EXPECT_NO_THROW(TFileStream(Name, fmOpenRead | fmShareDenyNone));
  }
  {
    TFileStream First(Name, fmOpenRead | fmShareExclusive);
    EXPECT_THROW(TFileStream(Name, fmOpenRead | fmShareDenyNone), EFOpenError);
  }
  {
    TFileStream First(Name, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_NO_THROW(TFileStream(Name, fmOpenReadWrite | fmShareDenyNone));
    EXPECT_THROW(TFileStream(Name, fmOpenRead | fmShareDenyWrite), EFOpenError);
  }
#endif
}

TEST_F(FileStreamTest, TempFileStreamDeletesItsFile) {
  std::string Name = Dir + "scratch.tmp";
  {
    TTempFileStream S(Name);
    S.WriteBuffer("data", 4);
    EXPECT_TRUE(FileExists(Name));
  }
  EXPECT_FALSE(FileExists(Name));

  std::string Made = MakeTempFileName(Dir, "mrv");
  ASSERT_TRUE(FileExists(Made));
  { TTempFileStream S(Made, fmOpenReadWrite); }
  EXPECT_FALSE(FileExists(Made));
}

TEST_F(FileStreamTest, HandleStreamLeavesHandleOpen) {
  std::string Name = Dir + "h.bin";
  THandle H = FileCreate(Name);
  ASSERT_NE(H, InvalidHandle);
  {
    THandleStream S(H);
    S.WriteBuffer("abc", 3);
  }
  EXPECT_EQ(FileWrite(H, "d", 1), 1);
  FileClose(H);
  EXPECT_EQ(Bytes(Name), "abcd");
}

TEST(MemoryStream, GrowsKeepsContentsAndZeroFillsGaps) {
  TMemoryStream M;
  std::vector<uint8_t> Data = morvtest::RandomData(100000, 7);
  for (uint8_t B : Data) M.WriteBuffer(&B, 1);
  ASSERT_EQ(M.Size(), 100000);
  EXPECT_EQ(std::memcmp(M.Memory(), Data.data(), Data.size()), 0);

  EXPECT_EQ(M.Seek(10, soFromEnd), 100010);
  M.WriteBuffer("x", 1);
  EXPECT_EQ(M.Size(), 100011);
  const uint8_t* P = static_cast<const uint8_t*>(M.Memory());
  for (int I = 100000; I < 100010; ++I) EXPECT_EQ(P[I], 0) << I;

  EXPECT_EQ(M.Seek(-1, soFromBeginning), -1);
  EXPECT_EQ(M.Position(), 100011);
  char C;
  EXPECT_EQ(M.Read(&C, 1), 0);
  M.SetSize(5);
  EXPECT_EQ(M.Position(), 5);
  M.SetSize(8);
  EXPECT_EQ(std::memcmp(static_cast<const uint8_t*>(M.Memory()) + 5, "\0\0\0", 3), 0);
  M.Clear();
  EXPECT_EQ(M.Size(), 0);
  EXPECT_EQ(M.Memory(), nullptr);
}

TEST(MemoryStream, ReadBufferShortReadRaises) {
  TMemoryStream M;
  M.WriteBuffer("abcdef", 6);
  M.SetPosition(2);
  char Buf[8];
  EXPECT_EQ(M.Read(Buf, 8), 4);
  M.SetPosition(2);
  EXPECT_THROW(M.ReadBuffer(Buf, 5), EReadError);
  M.SetPosition(2);
  EXPECT_NO_THROW(M.ReadBuffer(Buf, 4));
  EXPECT_NO_THROW(M.ReadBuffer(Buf, 0));
}

TEST(MemoryStream, CopyFromAndFileRoundTrip) {
  std::string Dir = IncludeTrailingBackslash(morvtest::TempDir());
  std::vector<uint8_t> Data = morvtest::RandomData(200000, 3);
  TMemoryStream Src;
  Src.WriteBuffer(Data.data(), static_cast<int32_t>(Data.size()));

  TMemoryStream Dst;
  EXPECT_EQ(Dst.CopyFrom(Src, 0), 200000);  // 0: all of it, from the start
  EXPECT_EQ(std::memcmp(Dst.Memory(), Data.data(), Data.size()), 0);
  Src.SetPosition(199990);
  EXPECT_THROW(Dst.CopyFrom(Src, 20), EReadError);

  Src.SaveToFile(Dir + "m.bin");
  EXPECT_EQ(morvtest::ReadFile(Dir + "m.bin"), Data);
  TMemoryStream Back;
  Back.LoadFromFile(Dir + "m.bin");
  ASSERT_EQ(Back.Size(), 200000);
  EXPECT_EQ(std::memcmp(Back.Memory(), Data.data(), Data.size()), 0);
  EXPECT_THROW(Back.LoadFromFile(Dir + "none.bin"), EFOpenError);

  TFileStream F(Dir + "m.bin", fmOpenRead);
  TMemoryStream Part;
  F.SetPosition(100);
  EXPECT_EQ(Part.CopyFrom(F, 50), 50);
  EXPECT_EQ(std::memcmp(Part.Memory(), Data.data() + 100, 50), 0);
}

// A memory stream that refuses every write past a limit, as a full disk does,
// and counts the writes and seeks it is given.
class TLimitedStream : public TMemoryStream {
 public:
  explicit TLimitedStream(int64_t Limit) : FLimit(Limit) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    ++Writes;
    const int64_t Room = std::max<int64_t>(0, FLimit - Position());
    return TMemoryStream::Write(Buffer, int32_t(std::min<int64_t>(Count, Room)));
  }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    ++Seeks;
    return TMemoryStream::Seek(Offset, Origin);
  }
  int Writes = 0, Seeks = 0;

 private:
  int64_t FLimit;
};

// Small writes with a header rewritten after its data, the way an archive
// entry is written, give the same bytes as unbuffered writes, in few calls.
TEST(BufferedWriteStream, GathersEntriesAndHeaderRewrites) {
  TMemoryStream Plain;
  auto Target = std::make_unique<TLimitedStream>(int64_t(1) << 30);
  TLimitedStream& T = *Target;
  TBufferedWriteStream Buffered(std::move(Target), 4096);
  for (TStream* S : {static_cast<TStream*>(&Plain), static_cast<TStream*>(&Buffered)}) {
    for (int Entry = 0; Entry < 300; ++Entry) {
      S->Seek(0, soFromEnd);
      const int64_t Head = S->Position();
      S->WriteBuffer("HEAD----", 8);
      const std::string Data(size_t(Entry * 7 % 50), char('a' + Entry % 26));
      if (!Data.empty()) S->WriteBuffer(Data.data(), int32_t(Data.size()));
      const int64_t End = S->Position();
      S->SetPosition(Head + 4);
      const uint32_t Len = uint32_t(Data.size());
      S->WriteBuffer(&Len, 4);
      S->SetPosition(End);
    }
    // A piece larger than the buffer goes straight through.
    const std::string Big(10000, 'Z');
    S->WriteBuffer(Big.data(), int32_t(Big.size()));
    S->WriteBuffer("tail", 4);
  }
  EXPECT_EQ(Buffered.Size(), Plain.Size());
  Buffered.Flush();
  ASSERT_EQ(T.Size(), Plain.Size());
  EXPECT_EQ(std::memcmp(T.Memory(), Plain.Memory(), size_t(Plain.Size())), 0);
  EXPECT_LT(T.Writes, 10);
  EXPECT_LT(T.Seeks, 20);
  // Read back through the buffer sees what was written.
  Buffered.WriteBuffer("more", 4);
  Buffered.SetPosition(Plain.Size());
  char Back[4] = {};
  EXPECT_EQ(Buffered.Read(Back, 4), 4);
  EXPECT_EQ(std::string(Back, 4), "more");
}

// A write the target refuses is not lost in the buffer: it raises from the
// call that hands it over, at the latest from Flush, and only once.
TEST(BufferedWriteStream, RefusedWriteRaisesLate) {
  struct TCase {
    const char* Name;
    int32_t Pieces;  // 100-byte writes before the hand-over
    bool SeekAway;   // hand over by a write far from the gathered span
  };
  for (const TCase& C : {TCase{"flush", 5, false}, TCase{"buffer full", 50, false}, TCase{"seek away", 5, true}}) {
    SCOPED_TRACE(C.Name);
    TBufferedWriteStream S(std::make_unique<TLimitedStream>(250), 1024);
    const std::string Piece(100, 'x');
    bool Raised = false;
    try {
      for (int32_t i = 0; i < C.Pieces; ++i) EXPECT_EQ(S.Write(Piece.data(), 100), 100);
      if (C.SeekAway) {
        S.SetPosition(100000);
        S.WriteBuffer("y", 1);
      }
      S.Flush();
    } catch (const EWriteError&) {
      Raised = true;
    }
    EXPECT_TRUE(Raised);
    EXPECT_NO_THROW(S.Flush());
  }
}

}  // namespace
