// Fuzz target: the directory walk the Zip writers copy entries by, over
// arbitrary file contents. Every local record it reports must lie inside the
// file, before the central directory.
#include <cstddef>
#include <cstdint>

#include "archive/formats/zip/zipdir.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TMemoryStream m;
  if (Size > 0) m.WriteBuffer(Data, int32_t(Size));
  TZipDirectory dir;
  std::string why;
  if (!ReadZipDirectory(m, dir, why)) return 0;
  if (dir.CentralPos < 0 || dir.CentralPos > int64_t(Size) || dir.StubSize > dir.CentralPos) __builtin_trap();
  for (const TZipDirItem& it : dir.Items) {
    if (it.LocalPos < dir.StubSize || it.LocalSize < 30 || it.LocalPos + it.LocalSize > dir.CentralPos)
      __builtin_trap();
    (void)ZipDisplayName(it.Name, it.Central.VersionMadeBy);
  }
  return 0;
}
