// The Zip extractor in test mode over arbitrary bytes written to a temp file:
// header walks, offsets, passwords and every decoder behind them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/formats/zip/unzip.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "unzip_fuzz_" + std::to_string(getpid()) + ".zip";
  {
    TFileStream f(path, fmCreate);
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUnZIP u(nullptr);
  u.FileSpec()->Add(size && (data[0] & 1) ? "*.txt" : "*.*");
  // Both a listed password and one from the event, so the cipher paths run.
  u.Passwords()->Add("pw");
  int asked = 0;
  u.OnGetPassword = [&](TObject*, const std::string&, std::string& p, bool& again) {
    p = asked++ ? "x" : "pw";
    again = asked < 3;
  };
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.OnNextVolume = [](TObject*, std::string&, const std::string&, bool, bool& cancel) { cancel = true; };
  u.OnGetZipNextDisk = [](TObject*, const std::string&, bool& cancel) { cancel = true; };
  u.SetArchiveFile(path);
  try {
    u.TestArchive();
  } catch (const E_RAISE&) {
  }
  return 0;
}
