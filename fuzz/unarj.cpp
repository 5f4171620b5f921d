// The ARJ extractor in test mode over arbitrary bytes behind a sound main
// header: entry headers, garbled entries and all four decoders.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/core/crc.h"
#include "archive/formats/arj/unarj.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"

namespace {

std::vector<uint8_t> MainHeader() {
  std::vector<uint8_t> b = {30, 11, 1, 0, 0, 0, 2, 0};
  b.resize(30, 0);
  b.insert(b.end(), {'f', '.', 'a', 'r', 'j', 0, 0});
  uint32_t crc = 0xFFFFFFFF;
  Crc32Block(b.data(), b.size(), crc);
  crc = ~crc;
  std::vector<uint8_t> f = {0x60, 0xEA, uint8_t(b.size()), 0};
  f.insert(f.end(), b.begin(), b.end());
  for (int i = 0; i < 4; ++i) f.push_back(uint8_t(crc >> (8 * i)));
  f.insert(f.end(), {0, 0});
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = GetTempDir() + "unarj_fuzz_" + std::to_string(getpid()) + ".arj";
  static const std::vector<uint8_t> head = MainHeader();
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer(head.data(), int32_t(head.size()));
    if (size) f.WriteBuffer(data, int32_t(size));
  }
  TUnARJ u(nullptr);
  u.FileSpec()->Add("*.*");
  u.OnEnd = [](TObject*, const std::string&, bool) {};
  u.OnGetPassword = [](TObject*, const std::string&, std::string& p, bool&) { p = "pw"; };
  u.SetArchiveFile(path);
  try {
    u.TestArchive();
  } catch (const E_RAISE&) {
  }
  return 0;
}
