#include "archive/core/crc.h"

#include <array>
#include <cstring>
#include <vector>

#include "framework/core/streams.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define MORV_CRC_CLMUL 1
#include <immintrin.h>
#endif

namespace {

// Slicing by 16: sixteen input bytes per step through sixteen tables, each
// table T[k] advancing a byte's contribution by k further zero bytes.
constexpr int kSlices = 16;
using TSliceTables = std::array<std::array<uint32_t, 256>, kSlices>;

constexpr TSliceTables MakeCrc32Tables() {
  TSliceTables t{};
  for (uint32_t n = 0; n < 256; n++) {
    uint32_t c = n;
    for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (int s = 1; s < kSlices; s++)
    for (uint32_t n = 0; n < 256; n++) t[s][n] = (t[s - 1][n] >> 8) ^ t[0][t[s - 1][n] & 0xFF];
  return t;
}

using TCrc16Tables = std::array<std::array<uint16_t, 256>, 8>;

constexpr TCrc16Tables MakeCrc16Tables() {
  TCrc16Tables t{};
  for (uint32_t n = 0; n < 256; n++) {
    uint32_t c = n;
    for (int k = 0; k < 8; k++) c = (c & 1) ? 0xA001u ^ (c >> 1) : c >> 1;
    t[0][n] = uint16_t(c);
  }
  for (int s = 1; s < 8; s++)
    for (uint32_t n = 0; n < 256; n++) t[s][n] = uint16_t((t[s - 1][n] >> 8) ^ t[0][t[s - 1][n] & 0xFF]);
  return t;
}

constexpr TSliceTables kCrc32 = MakeCrc32Tables();
constexpr TCrc16Tables kCrc16 = MakeCrc16Tables();

inline uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void Crc32Slices(const uint8_t* p, size_t Count, uint32_t& Crc) {
  uint32_t c = Crc;
  while (Count >= kSlices) {
    // Little-endian assembly of the words keeps this right on any host.
    uint32_t a = Load32(p) ^ c, b = Load32(p + 4), d = Load32(p + 8), e = Load32(p + 12);
    c = kCrc32[15][a & 0xFF] ^ kCrc32[14][(a >> 8) & 0xFF] ^ kCrc32[13][(a >> 16) & 0xFF] ^ kCrc32[12][a >> 24] ^
        kCrc32[11][b & 0xFF] ^ kCrc32[10][(b >> 8) & 0xFF] ^ kCrc32[9][(b >> 16) & 0xFF] ^ kCrc32[8][b >> 24] ^
        kCrc32[7][d & 0xFF] ^ kCrc32[6][(d >> 8) & 0xFF] ^ kCrc32[5][(d >> 16) & 0xFF] ^ kCrc32[4][d >> 24] ^
        kCrc32[3][e & 0xFF] ^ kCrc32[2][(e >> 8) & 0xFF] ^ kCrc32[1][(e >> 16) & 0xFF] ^ kCrc32[0][e >> 24];
    p += kSlices;
    Count -= kSlices;
  }
  while (Count--) c = kCrc32[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  Crc = c;
}

#ifdef MORV_CRC_CLMUL
// Carry-less multiplication folding (Intel's method for reflected
// polynomials): four 128-bit lanes are folded 64 bytes at a time, merged into
// one lane, and Barrett-reduced to 32 bits. The constants are powers of x
// modulo the polynomial, bit-reflected: x^(4*128+32), x^(4*128-32),
// x^(128+32), x^(128-32), x^64, then P and floor(x^64 / P).
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold128(__m128i Acc, __m128i Next, __m128i K) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(Acc, K, 0x00), _mm_clmulepi64_si128(Acc, K, 0x11)), Next);
}

// Takes the register and a length of at least 64, a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) uint32_t Crc32Clmul(const uint8_t* p, size_t Count, uint32_t Crc) {
  const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596LL, 0x0154442bd4LL);
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009eLL, 0x01751997d0LL);
  const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124LL);
  const __m128i poly = _mm_set_epi64x(0x01f7011641LL, 0x01db710641LL);
  const __m128i mask32 = _mm_setr_epi32(-1, 0, -1, 0);

  __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
  __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
  x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(int(Crc)));
  p += 64;
  Count -= 64;
  while (Count >= 64) {
    __m128i l1 = _mm_clmulepi64_si128(x1, k1k2, 0x00), h1 = _mm_clmulepi64_si128(x1, k1k2, 0x11);
    __m128i l2 = _mm_clmulepi64_si128(x2, k1k2, 0x00), h2 = _mm_clmulepi64_si128(x2, k1k2, 0x11);
    __m128i l3 = _mm_clmulepi64_si128(x3, k1k2, 0x00), h3 = _mm_clmulepi64_si128(x3, k1k2, 0x11);
    __m128i l4 = _mm_clmulepi64_si128(x4, k1k2, 0x00), h4 = _mm_clmulepi64_si128(x4, k1k2, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(l1, h1), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    x2 = _mm_xor_si128(_mm_xor_si128(l2, h2), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    x3 = _mm_xor_si128(_mm_xor_si128(l3, h3), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)));
    x4 = _mm_xor_si128(_mm_xor_si128(l4, h4), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)));
    p += 64;
    Count -= 64;
  }
  x1 = Fold128(x1, x2, k3k4);
  x1 = Fold128(x1, x3, k3k4);
  x1 = Fold128(x1, x4, k3k4);
  while (Count >= 16) {
    x1 = Fold128(x1, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), k3k4);
    p += 16;
    Count -= 16;
  }
  // 128 -> 64 bits, then 64 -> 32 with the x^64 constant.
  x2 = _mm_clmulepi64_si128(x1, k3k4, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k5, 0x00), x2);
  // Barrett reduction.
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, mask32), poly, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  return uint32_t(_mm_extract_epi32(x1, 1));
}

bool HaveClmul() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  }();
  return have;
}
#endif

}  // namespace

const uint32_t Crc32Table[256] = {
#define R(i) kCrc32[0][i]
#define R8(i) R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R
};
const uint16_t Crc16Table[256] = {
#define R(i) kCrc16[0][i]
    R64(0), R64(64), R64(128), R64(192)
#undef R
#undef R8
#undef R64
};

void Crc32Block(const void* Buffer, size_t Count, uint32_t& Crc) {
  const uint8_t* p = static_cast<const uint8_t*>(Buffer);
#ifdef MORV_CRC_CLMUL
  if (Count >= 64 && HaveClmul()) {
    size_t bulk = Count & ~size_t(15);
    Crc = Crc32Clmul(p, bulk, Crc);
    p += bulk;
    Count -= bulk;
  }
#endif
  Crc32Slices(p, Count, Crc);
}

void Crc16Block(const void* Buffer, size_t Count, uint16_t& Crc) {
  const uint8_t* p = static_cast<const uint8_t*>(Buffer);
  uint32_t c = Crc;
  while (Count >= 8) {
    c = kCrc16[7][(p[0] ^ c) & 0xFF] ^ kCrc16[6][p[1] ^ (c >> 8)] ^ kCrc16[5][p[2]] ^ kCrc16[4][p[3]] ^
        kCrc16[3][p[4]] ^ kCrc16[2][p[5]] ^ kCrc16[1][p[6]] ^ kCrc16[0][p[7]];
    p += 8;
    Count -= 8;
  }
  while (Count--) c = kCrc16[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  Crc = uint16_t(c);
}

uint32_t StreamCrc32(TStream& Stream) {
  constexpr int32_t kChunk = 100000;
  std::vector<uint8_t> buf(kChunk);
  uint32_t crc = 0xFFFFFFFFu;
  Stream.SetPosition(0);
  for (;;) {
    int32_t n = Stream.Read(buf.data(), kChunk);
    if (n <= 0) break;
    Crc32Block(buf.data(), size_t(n), crc);
  }
  Stream.SetPosition(0);
  return crc;
}
