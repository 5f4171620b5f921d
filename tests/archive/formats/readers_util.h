// Shared by the header reader tests: walking a whole archive with the
// readers, the listings of the shared fixtures, and small byte builders.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "archive/core/arc_source.h"

namespace rdtest {

struct WalkEntry {
  std::string Name;
  uint64_t Packed = 0;
  uint64_t Unpacked = 0;
  uint32_t Crc = 0;
  bool IsDir = false;
  bool Encrypted = false;
  uint16_t Flags = 0;
  bool CrcKnown = true;
};

struct WalkResult {
  std::vector<WalkEntry> Entries;
  int Err = 0;             // the error that ended the walk, 0 for a clean end
  bool Stuck = false;      // a next position that did not move forward
};

// Every entry of an archive held in src, read with the format's readers
// until the clean end or the first error.
enum class TFormat { Ace, Arc, Arj, Bh, Cab, Ha, Lha, Msgz, Rar, Tar, Zoo };
WalkResult Walk(TFormat f, TArcSource& src);

// Entries listed for one fixture in SOURCES.md.
struct Listed {
  char Kind = 0;           // 'F' or 'D'
  std::string Name;        // bytes as stored
  bool NameKnown = true;   // false when the listing could not show the bytes
  std::map<std::string, std::string> Fields;
};
struct ListedArchive {
  std::string Path;        // below fixtures/
  uint64_t Bytes = 0;
  bool Partial = false;    // "… (N more lines)": only the first entries are given
  bool Unlistable = false; // parse error or encrypted headers
  std::vector<Listed> Entries;
};
std::vector<ListedArchive> SourcesListings(const std::string& dirPrefix);

// Names compared regardless of separator style and a trailing separator.
std::string NormName(const std::string& name);

bool FixtureExists(const std::string& rel);
std::vector<uint8_t> Fixture(const std::string& rel);

// Little-endian builders for crafted archives.
void Put8(std::vector<uint8_t>& v, uint8_t x);
void Put16(std::vector<uint8_t>& v, uint16_t x);
void Put32(std::vector<uint8_t>& v, uint32_t x);
void PutStr(std::vector<uint8_t>& v, const std::string& s);

uint32_t Crc32Of(const uint8_t* p, size_t n);
uint16_t Crc16Of(const uint8_t* p, size_t n);

// Feeds every prefix of data (and single-byte damage at a spread of
// offsets) to the walker: nothing may crash, hang or step backwards, and a
// cut archive that ends cleanly must not claim more data than it holds.
void ExpectRobust(TFormat f, const std::vector<uint8_t>& data);

}  // namespace rdtest
