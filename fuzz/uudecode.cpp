// The UUE/XXE decoder over arbitrary bytes written to a temp file: header
// search, alphabets, broken lines and continuation volumes (the same file
// offered again as the next volume). Odd first bytes decode to the test sink,
// even ones into a temp folder, which the written file must not leave.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "archive/formats/uue/uudecode.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string base = GetTempDir() + "uudecode_fuzz_" + std::to_string(getpid());
  static const std::string path = base + ".uue";
  static const std::string dir = base + "_out/";
  {
    TFileStream f(path, fmCreate);
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUUDecode u(nullptr);
  int volumes = 0;
  u.OnNextVolume = [&](TObject*, std::string& name, const std::string&, bool, bool& cancel) {
    name = path;
    cancel = ++volumes > 2;
  };
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.ConfirmOverwrites = false;
  u.SetArchiveFile(path);
  u.SetExtractDir(dir);
  const bool test = size && (data[0] & 1);
  try {
    if (test)
      u.TestArchive();
    else
      u.Extract();
  } catch (const E_RAISE&) {
  }
  if (!test && !u.FileName().empty() && u.FileName().compare(0, dir.size(), dir) != 0) std::abort();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
