#include "framework/core/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "framework/core/os.h"

int64_t TStream::Size() {
  int64_t Pos = Seek(0, soFromCurrent);
  int64_t Result = Seek(0, soFromEnd);
  Seek(Pos, soFromBeginning);
  return Result;
}

void TStream::ReadBuffer(void* Buffer, int32_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count < 0) throw EReadError("Stream read error");
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  constexpr int32_t MaxBufSize = 0xF000;
  std::vector<uint8_t> Buffer(static_cast<size_t>(std::min<int64_t>(Count, MaxBufSize)));
  int64_t Left = Count;
  while (Left > 0) {
    int32_t N = static_cast<int32_t>(std::min<int64_t>(Left, MaxBufSize));
    Source.ReadBuffer(Buffer.data(), N);
    WriteBuffer(Buffer.data(), N);
    Left -= N;
  }
  return Count;
}

int32_t THandleStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  int32_t N = FileRead(FHandle, Buffer, Count);
  return N < 0 ? 0 : N;
}

int32_t THandleStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  int32_t N = FileWrite(FHandle, Buffer, Count);
  return N < 0 ? 0 : N;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) { return FileSeek(FHandle, Offset, Origin); }

void THandleStream::SetSize(int64_t NewSize) {
  int64_t Pos = Position();
  if (NewSize < 0 || !FileTruncate(FHandle, NewSize))
    throw EStreamError("Cannot change the stream size. " + SysErrorMessage(OsLastError()));
  if (Pos > NewSize) SetPosition(NewSize);
}

TFileStream::TFileStream(const std::string& AFileName, uint32_t Mode)
    : THandleStream(InvalidHandle), FFileName(AFileName) {
  if (Mode == fmCreate) {
    FHandle = FileCreate(AFileName);
    if (FHandle == InvalidHandle)
      throw EFCreateError("Cannot create file \"" + AFileName + "\". " + SysErrorMessage(OsLastError()));
  } else {
    FHandle = FileOpen(AFileName, Mode);
    if (FHandle == InvalidHandle)
      throw EFOpenError("Cannot open file \"" + AFileName + "\". " + SysErrorMessage(OsLastError()));
  }
}

TFileStream::~TFileStream() {
  if (FHandle != InvalidHandle) FileClose(FHandle);
}

TTempFileStream::TTempFileStream(const std::string& AFileName, uint32_t Mode) : TFileStream(AFileName, Mode) {}

TTempFileStream::~TTempFileStream() {
  // Windows cannot delete a file that is still open.
  FileClose(FHandle);
  FHandle = InvalidHandle;
  DeleteFile(FileName());
}

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void TMemoryStream::SetCapacity(int64_t NewCapacity) {
  if (NewCapacity == FCapacity) return;
  if (NewCapacity == 0) {
    std::free(FMemory);
    FMemory = nullptr;
    FCapacity = 0;
    return;
  }
  if (static_cast<uint64_t>(NewCapacity) > std::numeric_limits<size_t>::max())
    throw EOutOfMemory("Out of memory while expanding memory stream");
  void* P = std::realloc(FMemory, static_cast<size_t>(NewCapacity));
  if (!P) throw EOutOfMemory("Out of memory while expanding memory stream");
  FMemory = static_cast<uint8_t*>(P);
  FCapacity = NewCapacity;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  if (NewSize > FCapacity || NewSize == 0) {
    // Grow by half again so that writing byte by byte stays linear.
    constexpr int64_t Delta = 0x2000;
    int64_t Want = NewSize == 0 ? 0 : std::max(NewSize, FCapacity + FCapacity / 2);
    if (Want > std::numeric_limits<int64_t>::max() - Delta) Want = NewSize;
    else Want = (Want + Delta - 1) & ~(Delta - 1);
    SetCapacity(Want);
  }
  // Grown bytes read as zeros rather than stale memory.
  if (NewSize > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(NewSize - FSize));
  FSize = NewSize;
  if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  int32_t N = static_cast<int32_t>(std::min<int64_t>(Count, FSize - FPosition));
  std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return N;
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition > std::numeric_limits<int64_t>::max() - Count) return 0;
  int64_t End = FPosition + Count;
  if (End > FSize) SetSize(End);
  std::memcpy(FMemory + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = End;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t Base = Origin == soFromBeginning ? 0 : Origin == soFromCurrent ? FPosition : FSize;
  if ((Offset < 0 && Base + Offset < 0) || (Offset > 0 && Offset > std::numeric_limits<int64_t>::max() - Base))
    return -1;
  FPosition = Base + Offset;
  return FPosition;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  int64_t Count = Stream.Size();
  SetSize(Count);
  for (int64_t Done = 0; Done < Count;) {
    int32_t N = static_cast<int32_t>(std::min<int64_t>(Count - Done, std::numeric_limits<int32_t>::max()));
    Stream.ReadBuffer(FMemory + Done, N);
    Done += N;
  }
}

void TMemoryStream::SaveToStream(TStream& Stream) {
  for (int64_t Done = 0; Done < FSize;) {
    int32_t N = static_cast<int32_t>(std::min<int64_t>(FSize - Done, std::numeric_limits<int32_t>::max()));
    Stream.WriteBuffer(FMemory + Done, N);
    Done += N;
  }
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmCreate);
  SaveToStream(Stream);
}

TBufferedWriteStream::TBufferedWriteStream(std::unique_ptr<TStream> Target, size_t Capacity)
    : FTarget(std::move(Target)), FBuf(Capacity) {
  FTargetSize = FTarget->Size();
  FPos = FTarget->Position();
}

TBufferedWriteStream::~TBufferedWriteStream() {
  try {
    Flush();
  } catch (const Exception&) {
  }
}

void TBufferedWriteStream::Flush() {
  if (FBufLen == 0) return;
  const size_t n = FBufLen;
  // Gone either way: a piece that failed once is not offered again.
  FBufLen = 0;
  FTarget->SetPosition(FBufStart);
  FTarget->WriteBuffer(FBuf.data(), int32_t(n));
  FTargetSize = std::max(FTargetSize, FBufStart + int64_t(n));
}

int32_t TBufferedWriteStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  const size_t n = size_t(Count);
  const bool Inside = FBufLen > 0 && FPos >= FBufStart && FPos <= FBufStart + int64_t(FBufLen);
  if (!Inside || size_t(FPos - FBufStart) + n > FBuf.size()) {
    Flush();
    if (n >= FBuf.size()) {
      FTarget->SetPosition(FPos);
      const int32_t Put = FTarget->Write(Buffer, Count);
      if (Put > 0) {
        FPos += Put;
        FTargetSize = std::max(FTargetSize, FPos);
      }
      return Put;
    }
    FBufStart = FPos;
  }
  const size_t At = size_t(FPos - FBufStart);
  std::memcpy(FBuf.data() + At, Buffer, n);
  FBufLen = std::max(FBufLen, At + n);
  FPos += Count;
  return Count;
}

int32_t TBufferedWriteStream::Read(void* Buffer, int32_t Count) {
  Flush();
  FTarget->SetPosition(FPos);
  const int32_t Got = FTarget->Read(Buffer, Count);
  if (Got > 0) FPos += Got;
  return Got;
}

int64_t TBufferedWriteStream::Size() {
  return FBufLen ? std::max(FTargetSize, FBufStart + int64_t(FBufLen)) : FTargetSize;
}

int64_t TBufferedWriteStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int64_t Base = Origin == soFromBeginning ? 0 : Origin == soFromCurrent ? FPos : Size();
  if (Offset >= 0 || -Offset <= Base) {
    FPos = Base + Offset;
    return FPos;
  }
  // Before the start: whatever the owned stream makes of it.
  Flush();
  FTarget->SetPosition(FPos);
  FPos = FTarget->Seek(Offset, Origin);
  return FPos;
}

void TBufferedWriteStream::SetSize(int64_t NewSize) {
  Flush();
  FTarget->SetSize(NewSize);
  FTargetSize = NewSize;
  if (FPos > NewSize) FPos = NewSize;
}
