// Byte streams in the shape of Delphi's TStream family, with 64-bit sizes and
// positions.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/sysutils.h"

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// TFileStream modes: one access value or'ed with one share value, or fmCreate.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Return the number of bytes moved, which may be short.
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soFromBeginning); }
  virtual int64_t Size();
  // The position stays where it was unless that is past the new end.
  virtual void SetSize(int64_t NewSize) = 0;

  // Move exactly Count bytes or raise EReadError / EWriteError.
  void ReadBuffer(void* Buffer, int32_t Count);
  void WriteBuffer(const void* Buffer, int32_t Count);
  // Copies Count bytes from Source's position; Count 0 copies all of Source
  // from its beginning. Returns the bytes copied.
  int64_t CopyFrom(TStream& Source, int64_t Count);
};

// A stream over an open system handle, which it does not close.
class THandleStream : public TStream {
 public:
  explicit THandleStream(THandle AHandle) : FHandle(AHandle) {}
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;  // EStreamError when the OS refuses
  THandle Handle() const { return FHandle; }

 protected:
  THandle FHandle;
};

// Opens or creates a file; raises EFOpenError / EFCreateError naming the file.
// Share modes are the OS's on Windows, where fmShareCompat and fmCreate open
// exclusively like Delphi's; natively they are not enforced.
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& AFileName, uint32_t Mode);
  ~TFileStream() override;
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
};

// A TFileStream on a scratch file that deletes the file when destroyed.
class TTempFileStream : public TFileStream {
 public:
  TTempFileStream(const std::string& AFileName, uint32_t Mode = fmCreate);
  ~TTempFileStream() override;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSize; }
  void SetSize(int64_t NewSize) override;  // EOutOfMemory when it cannot grow
  void Clear();
  void* Memory() { return FMemory; }
  const void* Memory() const { return FMemory; }
  void LoadFromStream(TStream& Stream);  // all of Stream, from its beginning
  void SaveToStream(TStream& Stream);    // all of this stream
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

 private:
  void SetCapacity(int64_t NewCapacity);
  uint8_t* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
  int64_t FCapacity = 0;
};

// Gathers writes in memory and hands them to the stream it owns in large
// pieces, so that many small writes and seeks within the gathered span cost
// no system call. A piece the owned stream refuses raises EWriteError from
// the call that hands it over (a later Write, a Seek away, SetSize, Read or
// Flush); call Flush before closing, as the destructor drops any failure.
class TBufferedWriteStream : public TStream {
 public:
  explicit TBufferedWriteStream(std::unique_ptr<TStream> Target, size_t Capacity = 65536);
  ~TBufferedWriteStream() override;
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override;
  void SetSize(int64_t NewSize) override;
  void Flush();

 private:
  std::unique_ptr<TStream> FTarget;
  std::vector<uint8_t> FBuf;
  int64_t FBufStart = 0;  // where FBuf's first byte belongs
  size_t FBufLen = 0;
  int64_t FPos = 0;
  int64_t FTargetSize;
};
