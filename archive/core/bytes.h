// Little-endian field access for archive headers. Headers are read field by
// field through a bounded cursor, never by casting a struct over a buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

inline uint16_t GetLE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t GetLE64(const uint8_t* p) { return uint64_t(GetLE32(p)) | (uint64_t(GetLE32(p + 4)) << 32); }
inline void PutLE16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutLE32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}

// A cursor over a buffer that never reads past its end: a read beyond it sets
// the failed flag and yields zeros, so a header parser checks Ok() once at the
// end instead of before every field.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  size_t Pos() const { return FPos; }
  size_t Size() const { return FSize; }
  size_t Left() const { return FPos <= FSize ? FSize - FPos : 0; }
  bool Ok() const { return !FFailed; }
  void Fail() { FFailed = true; }
  bool Need(size_t n) {
    if (FFailed || n > Left()) { FFailed = true; return false; }
    return true;
  }
  uint8_t U8() { if (!Need(1)) return 0; return FData[FPos++]; }
  uint16_t U16() { if (!Need(2)) return 0; uint16_t v = GetLE16(FData + FPos); FPos += 2; return v; }
  uint32_t U32() { if (!Need(4)) return 0; uint32_t v = GetLE32(FData + FPos); FPos += 4; return v; }
  uint64_t U64() { if (!Need(8)) return 0; uint64_t v = GetLE64(FData + FPos); FPos += 8; return v; }
  void Skip(size_t n) { if (Need(n)) FPos += n; }
  void Seek(size_t pos) { if (pos > FSize) FFailed = true; else FPos = pos; }
  const uint8_t* Bytes(size_t n) { if (!Need(n)) return nullptr; const uint8_t* p = FData + FPos; FPos += n; return p; }
  std::string Str(size_t n) {
    const uint8_t* p = Bytes(n);
    return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
  }
  // A NUL-terminated string of at most max bytes; the NUL is consumed.
  std::string ZStr(size_t max) {
    std::string s;
    while (!FFailed && s.size() < max) {
      uint8_t c = U8();
      if (FFailed || c == 0) break;
      s.push_back(char(c));
    }
    return s;
  }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
  bool FFailed = false;
};
