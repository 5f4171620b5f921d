// Detection and the lister walk over arbitrary bytes written to a temp file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <unistd.h>
#include <string>

#include "archive/lister/arclister.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "lister_fuzz_" + std::to_string(getpid()) + ".bin";
  {
    TFileStream f(path, fmCreate);
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  l.ShowBlankDirs = size && (data[0] & 1);
  size_t seen = 0;
  l.OnRead = [&](TObject* s, int, int) { seen += static_cast<TArcLister*>(s)->Entry.FileName.size(); };
  l.OnNextVolume = [](TObject*, std::string&, const std::string&, bool, bool& cancel) { cancel = true; };
  l.SetArchiveFile(path);
  l.Activate();
  return 0;
}
