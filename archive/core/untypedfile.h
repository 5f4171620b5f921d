// The archive layer's plain file: opened by name, read and written in blocks,
// with failures kept for the caller to look at instead of raised. A file
// opened for reading reads ahead: walking an archive seeks to and reads a
// few small records per entry, and each system call costs (on Wine most).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
  // The open stream, for routines that take one; null when closed. Its
  // position is this file's, and reading ahead stops for good.
  TFileStream* Stream();

 private:
  void StopReadAhead();

  std::unique_ptr<TFileStream> FStream;
  std::string FFileName;
  int FError = 0;
  // Reading ahead: FAhead holds FAheadLen bytes from file offset
  // FAheadStart; FPos is the position the caller sees.
  bool FReadAhead = false;
  std::vector<uint8_t> FAhead;
  size_t FAheadLen = 0;
  int64_t FAheadStart = 0;
  int64_t FPos = 0;
};
