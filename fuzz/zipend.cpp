// Fuzz target: the end-of-central-directory and central-directory search
// over arbitrary file contents, with the comment buffer size taken from the
// first two bytes.
#include <cstddef>
#include <cstdint>

#include "archive/core/ziprecords.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  int cmntBuf = (Data[0] | (Data[1] << 8)) & 0x7FFF;
  TMemoryStream m;
  if (Size > 2) m.WriteBuffer(Data + 2, int32_t(Size - 2));
  const int64_t fileSize = int64_t(Size - 2);
  TZipLocation end = FindZipEndRecord(m, cmntBuf);
  if (end.EndFound() && (end.EndOffset < 0 || end.EndOffset + 22 > fileSize)) __builtin_trap();
  if ((end.Flags & zfLocalFound) && (end.Offset < 0 || end.Offset >= fileSize)) __builtin_trap();
  TZipLocation cd = FindZipCentralDir(m, cmntBuf);
  if (cd.Offset < 0 || (cd.Offset > 0 && cd.Offset >= fileSize)) __builtin_trap();
  return 0;
}
