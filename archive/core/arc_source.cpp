#include "archive/core/arc_source.h"

#include <algorithm>
#include <cstring>

#include "archive/core/untypedfile.h"
#include "framework/core/streams.h"

size_t TMemorySource::ReadAt(uint64_t pos, uint8_t* buf, size_t n) {
  if (pos >= FSize) return 0;
  size_t take = std::min<uint64_t>(n, FSize - pos);
  std::memcpy(buf, FData + pos, take);
  return take;
}

bool SourceHas(TArcSource& src, uint64_t pos, uint64_t len) {
  uint64_t size = src.Size();
  return pos <= size && len <= size - pos;
}

bool AtEnd(TArcSource& src, uint64_t pos, int& err) {
  uint64_t size = src.Size();
  if (pos < size) return false;
  if (pos > size) err = rdReadError;
  return true;
}

bool AddPos(uint64_t pos, uint64_t len, uint64_t& sum) {
  if (len > UINT64_MAX - pos) return false;
  sum = pos + len;
  return true;
}

bool ReadExact(TArcSource& src, uint64_t pos, uint8_t* buf, size_t n) {
  if (!SourceHas(src, pos, n)) return false;
  size_t done = 0;
  while (done < n) {
    size_t got = src.ReadAt(pos + done, buf + done, n - done);
    if (got == 0) return false;
    done += got;
  }
  return true;
}

std::vector<uint8_t> ReadUpTo(TArcSource& src, uint64_t pos, size_t n) {
  uint64_t size = src.Size();
  if (pos >= size) return {};
  std::vector<uint8_t> buf(std::min<uint64_t>(n, size - pos));
  size_t done = 0;
  while (done < buf.size()) {
    size_t got = src.ReadAt(pos + done, buf.data() + done, buf.size() - done);
    if (got == 0) break;
    done += got;
  }
  buf.resize(done);
  return buf;
}

bool ReadZString(TArcSource& src, uint64_t pos, uint64_t limit, size_t keep, std::string& out, uint64_t& end) {
  out.clear();
  limit = std::min(limit, src.Size());
  uint8_t chunk[512];
  while (pos < limit) {
    size_t want = size_t(std::min<uint64_t>(sizeof chunk, limit - pos));
    size_t got = src.ReadAt(pos, chunk, want);
    if (got == 0) return false;
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(chunk, 0, got));
    size_t text = nul ? size_t(nul - chunk) : got;
    if (out.size() < keep) out.append(reinterpret_cast<const char*>(chunk), std::min(text, keep - out.size()));
    if (nul) {
      end = pos + text + 1;
      return true;
    }
    pos += got;
  }
  return false;
}

std::string FieldString(const uint8_t* p, size_t n) {
  const void* nul = std::memchr(p, 0, n);
  return std::string(reinterpret_cast<const char*>(p), nul ? static_cast<const uint8_t*>(nul) - p : n);
}

uint64_t TStreamSource::Size() { return uint64_t(std::max<int64_t>(0, FStream.Size())); }

size_t TStreamSource::ReadAt(uint64_t pos, uint8_t* buf, size_t n) {
  if (pos >= Size()) return 0;
  FStream.SetPosition(int64_t(pos));
  size_t done = 0;
  while (done < n) {
    const int32_t got = FStream.Read(buf + done, int32_t(std::min<size_t>(n - done, 1 << 20)));
    if (got <= 0) break;
    done += size_t(got);
  }
  return done;
}

size_t TUntypedFileSource::ReadAt(uint64_t Pos, uint8_t* Buf, size_t N) {
  if (Pos >= FSize || N == 0) return 0;
  N = size_t(std::min<uint64_t>(N, FSize - Pos));
  if (!FFile.Seek(int64_t(Pos))) {
    FFile.IOResult();
    return 0;
  }
  const size_t Got = FFile.Read(Buf, N);
  FFile.IOResult();
  return Got;
}
