// The BH extractor in test mode over arbitrary bytes written to a temp file:
// headers, passwords and the stored, LZH and Deflate decoders.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/formats/bh/unbh.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "unbh_fuzz_" + std::to_string(getpid()) + ".bh";
  {
    TFileStream f(path, fmCreate);
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUnBH u(nullptr);
  u.FileSpec()->Add(size && (data[0] & 1) ? "*.txt" : "*.*");
  u.Passwords()->Add("pw");
  int asked = 0;
  u.OnGetPassword = [&](TObject*, const std::string&, std::string& p, bool& again) {
    p = asked++ ? "x" : "pw";
    again = asked < 3;
  };
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.SetArchiveFile(path);
  try {
    u.TestArchive();
  } catch (const E_RAISE&) {
  }
  return 0;
}
