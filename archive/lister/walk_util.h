// Small conversions shared by the lister's walks.
#pragma once
#include <algorithm>
#include <cstring>
#include <vector>
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"

// The lister reads its archive through its own handle, so that a volume
// change swaps the file under the walk without touching the base's streams.
class TListerFile : public TArcSource {
 public:
  explicit TListerFile(THandle H) : FHandle(H) {
    int64_t end = FileSeek(H, 0, soFromEnd);
    FSize = end < 0 ? 0 : uint64_t(end);
  }
  ~TListerFile() override { Close(); }
  bool Close() {
    if (FHandle == InvalidHandle) return true;
    FileClose(FHandle);
    FHandle = InvalidHandle;
    return true;
  }
  uint64_t Size() override { return FSize; }
  // Headers are read in many small pieces, so reads go through a window
  // that is refilled only when a piece falls outside it.
  size_t ReadAt(uint64_t pos, uint8_t* buf, size_t n) override {
    if (pos >= FSize || n == 0) return 0;
    n = size_t(std::min<uint64_t>(n, FSize - pos));
    if (pos >= FWinPos && pos + n <= FWinPos + FWin.size()) {
      std::memcpy(buf, FWin.data() + (pos - FWinPos), n);
      return n;
    }
    if (n >= WindowSize) return ReadDirect(pos, buf, n);
    FWin.resize(size_t(std::min<uint64_t>(WindowSize, FSize - pos)));
    FWin.resize(ReadDirect(pos, FWin.data(), FWin.size()));
    FWinPos = pos;
    size_t take = std::min(n, FWin.size());
    std::memcpy(buf, FWin.data(), take);
    return take;
  }

 private:
  static constexpr size_t WindowSize = 64 * 1024;
  size_t ReadDirect(uint64_t pos, uint8_t* buf, size_t n) {
    if (FileSeek(FHandle, int64_t(pos), soFromBeginning) != int64_t(pos)) return 0;
    size_t done = 0;
    while (done < n) {
      int32_t want = int32_t(std::min<size_t>(n - done, 1 << 20));
      int32_t got = FileRead(FHandle, buf + done, want);
      if (got <= 0) break;
      done += size_t(got);
    }
    return done;
  }
  THandle FHandle;
  uint64_t FSize = 0;
  std::vector<uint8_t> FWin;
  uint64_t FWinPos = 0;
};

namespace lister {

inline TDateTime DosDateTime(uint32_t dt) {
  if (dt == 0) return 29221.0;
  int sec = (dt & 0x1F) * 2, min = (dt >> 5) & 0x3F, hour = (dt >> 11) & 0x1F;
  int day = (dt >> 16) & 0x1F, mon = (dt >> 21) & 0x0F, year = int((dt >> 25) & 0x7F) + 1980;
  TDateTime d, t;
  if (!TryEncodeDate(year, mon, day, d)) return 29221.0;
  if (!TryEncodeTime(hour, min, std::min(sec, 59), 0, t)) t = 0;
  return d + t;
}

// A date word stored before the time word.
inline TDateTime DosSwapped(uint32_t v) { return DosDateTime((v << 16) | (v >> 16)); }


inline int32_t Clamp32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int32_t(v);
}

// Entry sizes are unsigned 32-bit; larger ones show 4 GB - 1.
inline uint32_t ClampU32(int64_t v) {
  if (v > int64_t(UINT32_MAX)) return UINT32_MAX;
  if (v < 0) return 0;
  return uint32_t(v);
}

inline std::string ToBackslashes(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

// Slash and 0xFF are LHA folder separators; a lead byte of a double-byte
// character protects the byte after it.
inline std::string HaPathToBackslashes(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    uint8_t c = uint8_t(s[i]);
    if (((c >= 128 && c <= 159) || (c >= 224 && c <= 253)) && i + 1 < s.size()) {
      r += s[i];
      r += s[++i];
    } else if (c == '/' || c == 0xFF) {
      r += '\\';
    } else {
      r += s[i];
    }
  }
  return r;
}

}  // namespace lister
