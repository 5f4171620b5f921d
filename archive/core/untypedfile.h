// The archive layer's plain file: opened by name, read and written in blocks,
// with failures kept for the caller to look at instead of raised.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/streams.h"

class TUntypedFile {
 public:
  TUntypedFile() = default;
  TUntypedFile(const TUntypedFile&) = delete;
  TUntypedFile& operator=(const TUntypedFile&) = delete;
  ~TUntypedFile();

  // Read-only, others may read and write it too.
  bool OpenRead(const std::string& FileName);
  // A new file (an existing one is truncated), read-write.
  bool Create(const std::string& FileName);
  // True when the file was open and closed without error.
  bool Close();
  bool IsOpen() const { return FStream != nullptr; }
  const std::string& FileName() const { return FFileName; }

  // Short counts are not errors; a failure of the system call is kept.
  size_t Read(void* Buffer, size_t Count);
  size_t Write(const void* Buffer, size_t Count);
  bool Seek(int64_t Pos);
  int64_t Position();
  int64_t Size();

  // The last failure (0 none), cleared by reading it.
  int IOResult();
  // The open stream, for routines that take one; null when closed.
  TFileStream* Stream() { return FStream.get(); }

 private:
  std::unique_ptr<TFileStream> FStream;
  std::string FFileName;
  int FError = 0;
};
