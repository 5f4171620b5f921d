// Helpers for the codec tests: an in-memory TCodecIO, a bit writer for
// hand-made streams, CRC-32 and a small Zip central-directory walker.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/codec_io.h"
#include "archive/core/bytes.h"

namespace codectest {

class TMemIO : public TCodecIO {
 public:
  explicit TMemIO(const std::vector<uint8_t>& in) : FIn(in) {}
  TMemIO(const uint8_t* data, size_t size) : FIn(data, data + size) {}

  size_t ReadPacked(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FIn.size() - Pos);
    if (n) std::memcpy(buf, FIn.data() + Pos, n);
    Pos += n;
    return n;
  }
  void WriteUnpacked(const uint8_t* buf, size_t count) override {
    Out.insert(Out.end(), buf, buf + count);
    Writes.push_back(count);
  }

  size_t Pos = 0;
  std::vector<uint8_t> Out;
  std::vector<size_t> Writes;

 private:
  std::vector<uint8_t> FIn;
};

// Runs a decoder call; returns the error code it raised, or 0.
inline int ErrorOf(const std::function<void()>& decode) {
  try {
    decode();
  } catch (const ECodecError& e) {
    return e.Code;
  }
  return 0;
}

// Writes bits least significant first, as Deflate and the old Zip methods do.
class TBitWriter {
 public:
  void Bits(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) Bit(value >> i & 1);
  }
  // A Huffman or Shannon-Fano code goes out first bit first.
  void Code(uint32_t code, unsigned len) {
    for (unsigned i = len; i-- > 0;) Bit(code >> i & 1);
  }
  void Align() {
    while (FCount) Bit(0);
  }
  void Byte(uint8_t b) { Bits(b, 8); }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out = FBytes;
    if (FCount) out.push_back(FCur);
    return out;
  }

 private:
  void Bit(unsigned b) {
    FCur |= uint8_t(b << FCount);
    if (++FCount == 8) {
      FBytes.push_back(FCur);
      FCur = 0;
      FCount = 0;
    }
  }
  std::vector<uint8_t> FBytes;
  uint8_t FCur = 0;
  unsigned FCount = 0;
};

inline uint32_t Crc32(const uint8_t* p, size_t n) {
  static uint32_t table[256];
  if (!table[1]) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}
inline uint32_t Crc32(const std::vector<uint8_t>& v) { return Crc32(v.data(), v.size()); }

struct TZipEntry {
  std::string Name;
  uint16_t Flags = 0, Method = 0;
  uint32_t Crc = 0, PackedSize = 0, Size = 0;
  size_t DataOffset = 0;
};

// Lists the entries of a whole Zip file through its central directory.
inline std::vector<TZipEntry> ZipEntries(const std::vector<uint8_t>& zip) {
  std::vector<TZipEntry> entries;
  if (zip.size() < 22) return entries;
  size_t eocd = zip.size() - 22;
  while (GetLE32(zip.data() + eocd) != 0x06054B50) {
    if (eocd == 0) return entries;
    --eocd;
  }
  ByteReader end(zip.data() + eocd, zip.size() - eocd);
  end.Skip(10);
  const unsigned count = end.U16();
  end.Skip(4);
  ByteReader cd(zip.data(), zip.size());
  cd.Seek(end.U32());
  for (unsigned i = 0; i < count && cd.Ok(); ++i) {
    if (cd.U32() != 0x02014B50) break;
    TZipEntry e;
    cd.Skip(4);
    e.Flags = cd.U16();
    e.Method = cd.U16();
    cd.Skip(4);
    e.Crc = cd.U32();
    e.PackedSize = cd.U32();
    e.Size = cd.U32();
    const unsigned nameLen = cd.U16(), extraLen = cd.U16(), commentLen = cd.U16();
    cd.Skip(8);
    const uint32_t local = cd.U32();
    e.Name = cd.Str(nameLen);
    cd.Skip(extraLen + commentLen);
    ByteReader lh(zip.data(), zip.size());
    lh.Seek(local);
    if (lh.U32() != 0x04034B50) continue;
    lh.Skip(22);
    const unsigned lname = lh.U16(), lextra = lh.U16();
    lh.Skip(lname + lextra);
    e.DataOffset = lh.Pos();
    if (lh.Ok() && e.DataOffset + e.PackedSize <= zip.size()) entries.push_back(e);
  }
  return entries;
}

}  // namespace codectest
