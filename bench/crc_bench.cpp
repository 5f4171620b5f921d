// CRC-32 throughput of the library beside zlib's crc32() on the same buffer,
// best of several rounds; run from a build without sanitizers
// (-DMORV_SANITIZE=OFF) for meaningful numbers.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "archive/core/crc.h"

#ifdef MORV_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

template <class F>
double BestMBps(size_t bytes, int rounds, F&& run) {
  double best = 0;
  for (int r = 0; r < rounds; r++) {
    auto t0 = std::chrono::steady_clock::now();
    run();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s > 0 && bytes / s / 1e6 > best) best = bytes / s / 1e6;
  }
  return best;
}

}  // namespace

int main() {
  const size_t size = 64u << 20;
  std::vector<uint8_t> data(size);
  std::mt19937 rng(2000);
  for (auto& b : data) b = uint8_t(rng() >> 13);
  const int rounds = 8;

  uint32_t ours = 0;
  double oursMB = BestMBps(size, rounds, [&] {
    uint32_t c = 0xFFFFFFFFu;
    Crc32Block(data.data(), data.size(), c);
    ours = ~c;
  });
  uint16_t crc16 = 0;
  double crc16MB = BestMBps(size, 2, [&] {
    crc16 = 0;
    Crc16Block(data.data(), data.size(), crc16);
  });
  std::printf("buffer %zu MB, best of %d rounds\n", size >> 20, rounds);
  std::printf("CRC-32 ours      %9.0f MB/s  %08x\n", oursMB, ours);
#ifdef MORV_HAVE_ZLIB
  unsigned long z = 0;
  double zlibMB = BestMBps(size, rounds, [&] { z = crc32(0L, data.data(), uInt(data.size())); });
  std::printf("CRC-32 zlib %-5s %9.0f MB/s  %08lx\n", zlibVersion(), zlibMB, z);
  std::printf("ratio ours/zlib  %9.2f\n", oursMB / zlibMB);
  if (z != ours) {
    std::printf("MISMATCH\n");
    return 1;
  }
#else
  std::printf("zlib not found: no comparison\n");
#endif
  std::printf("CRC-16 ours      %9.0f MB/s  %04x\n", crc16MB, crc16);
  return 0;
}
