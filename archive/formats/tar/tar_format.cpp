#include "archive/formats/tar/tar_format.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

uint64_t RoundBlocks(uint64_t n) { return (n + TarBlockSize - 1) / TarBlockSize * TarBlockSize; }

bool ReadMeta(TArcSource& src, uint64_t pos, uint64_t size, std::string& out, int& err) {
  if (size > TarMaxMetaSize) {
    err = rdBadFileHeader;
    return false;
  }
  if (!SourceHas(src, pos, size)) {
    err = rdReadError;
    return false;
  }
  out.resize(size_t(size));
  if (size && !ReadExact(src, pos, reinterpret_cast<uint8_t*>(out.data()), size_t(size))) {
    err = rdReadError;
    return false;
  }
  return true;
}

// Pax records: "<len> <key>=<value>\n", len counting the whole record.
bool ParsePax(const std::string& data, std::string& path, std::string& link, bool& haveSize, uint64_t& size) {
  size_t at = 0;
  while (at < data.size()) {
    if (data[at] == '\0') break;  // padding after the last record
    size_t len = 0, p = at;
    while (p < data.size() && data[p] >= '0' && data[p] <= '9') {
      len = len * 10 + size_t(data[p] - '0');
      if (len > data.size()) return false;
      p++;
    }
    if (p == at || p >= data.size() || data[p] != ' ' || len < p - at + 2 || len > data.size() - at ||
        data[at + len - 1] != '\n')
      return false;
    std::string rec = data.substr(p + 1, at + len - 1 - (p + 1));
    size_t eq = rec.find('=');
    if (eq == std::string::npos) return false;
    std::string key = rec.substr(0, eq), value = rec.substr(eq + 1);
    if (key == "path") {
      path = value;
    } else if (key == "linkpath") {
      link = value;
    } else if (key == "size") {
      uint64_t v = 0;
      if (value.empty()) return false;
      for (char c : value) {
        if (c < '0' || c > '9' || v > (UINT64_MAX - 9) / 10) return false;
        v = v * 10 + uint64_t(c - '0');
      }
      haveSize = true;
      size = v;
    }
    at += len;
  }
  return true;
}

std::string CutAtNul(const std::string& s) {
  size_t nul = s.find('\0');
  return nul == std::string::npos ? s : s.substr(0, nul);
}

}  // namespace

uint64_t TarOctal(const uint8_t* field, size_t n) {
  if (n > 0 && (field[0] == 0x80 || field[0] == 0xFF)) {
    // Base-256: big-endian two's complement; negative values are taken as 0.
    if (field[0] == 0xFF) return 0;
    uint64_t v = 0;
    for (size_t i = 1; i < n; i++) {
      if (v >> 56) return UINT64_MAX;
      v = (v << 8) | field[i];
    }
    return v;
  }
  uint64_t v = 0;
  for (size_t i = 0; i < n; i++) {
    uint8_t c = field[i];
    if (c == 0) break;
    if (c >= '0' && c <= '7') {
      if (v >> 60) return UINT64_MAX;
      v = v * 8 + (c - '0');
    }
  }
  return v;
}

uint32_t TarChecksum(const uint8_t* block, bool signedBytes) {
  int64_t sum = 0;
  for (size_t i = 0; i < TarBlockSize; i++) {
    if (i >= 148 && i < 156)
      sum += ' ';
    else
      sum += signedBytes ? int64_t(int8_t(block[i])) : int64_t(block[i]);
  }
  return uint32_t(sum);
}

bool ReadTarHeader(TArcSource& src, uint64_t pos, TarHeader& out, int& err) {
  out = TarHeader();
  out.Pos = pos;
  err = rdOk;
  std::string longName, longLink, paxPath, paxLink;
  bool havePaxSize = false;
  uint64_t paxSize = 0;
  uint8_t block[TarBlockSize];
  // pax records alone before the end describe no entry: peers read such a
  // tar as an empty archive.
  bool onlyPax = true;
  // Each extension record is consumed here, so a chain of them is bounded by
  // the file; the count guards against a chain of empty ones.
  for (int records = 0;; records++) {
    if (AtEnd(src, pos, err)) {
      if (records && !onlyPax) err = rdReadError;  // a long name with no entry after it
      return false;
    }
    if (!ReadExact(src, pos, block, TarBlockSize)) {
      err = rdReadError;
      return false;
    }
    // Only a block of zeros ends the archive; a header whose name field is
    // empty is an entry like any other (its name is checked by the caller).
    if (std::all_of(block, block + TarBlockSize, [](uint8_t b) { return b == 0; })) {
      if (records == 0 || onlyPax) return false;
      err = rdBadFileHeader;  // long name followed by an end block
      return false;
    }
    uint32_t stored = uint32_t(TarOctal(block + 148, 8));
    if (stored != TarChecksum(block) && stored != TarChecksum(block, true)) {
      err = rdHeaderCrc;
      return false;
    }
    char type = char(block[156]);
    uint64_t size = TarOctal(block + 124, 12);
    uint64_t dataPos = pos + TarBlockSize;
    if (type == 'L' || type == 'K' || type == 'x' || type == 'g') {
      if (records >= 16) {
        err = rdBadFileHeader;
        return false;
      }
      std::string data;
      if (!ReadMeta(src, dataPos, size, data, err)) return false;
      if (type == 'L' || type == 'K') onlyPax = false;
      if (type == 'L') {
        longName = CutAtNul(data);
      } else if (type == 'K') {
        longLink = CutAtNul(data);
      } else if (type == 'x') {
        if (!ParsePax(data, paxPath, paxLink, havePaxSize, paxSize)) {
          err = rdBadFileHeader;
          return false;
        }
      }
      pos = dataPos + RoundBlocks(size);
      continue;
    }

    out.HeaderPos = pos;
    out.TypeFlag = type;
    out.Ustar = std::memcmp(block + 257, "ustar\0", 6) == 0;
    out.GnuMagic = std::memcmp(block + 257, "ustar  \0", 8) == 0;
    std::string name = FieldString(block, 100);
    if (out.Ustar && block[345]) name = FieldString(block + 345, 155) + "/" + name;
    if (!longName.empty()) name = longName;
    if (!paxPath.empty()) name = paxPath;
    out.FileName = name;
    out.LinkName = !paxLink.empty() ? paxLink : !longLink.empty() ? longLink : FieldString(block + 157, 100);
    out.Mode = uint32_t(TarOctal(block + 100, 8));
    out.Size = havePaxSize ? paxSize : size;
    out.MTime = int64_t(TarOctal(block + 136, 12));
    out.Checksum = stored;
    out.IsDirectory = type == '5' || (!name.empty() && name.back() == '/');
    out.DataPos = dataPos;
    if (out.Size > UINT64_MAX - TarBlockSize || !AddPos(dataPos, RoundBlocks(out.Size), out.NextPos)) {
      err = rdBadFileHeader;
      return false;
    }
    return true;
  }
}
