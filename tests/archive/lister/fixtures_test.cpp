// Every header of the shared fixtures against the listings recorded with
// them: names, sizes and checksums entry by entry, and a clean reject of the
// damaged ones.
#include <gtest/gtest.h>

#include <cstring>

#include "archive/formats/rar/rar_format.h"
#include "tests/archive/formats/readers_util.h"

using namespace rdtest;

// Outside the anonymous namespace: it is the type of a test parameter.
struct FixtureCase {
  const char* Dir;
  TFormat Format;
  const char* PackedKey;
  const char* CrcKey;
  bool DirByMethod;  // the listing marks LHA folders by their method, not by kind
};

namespace {

const FixtureCase kCases[] = {
    {"rar/", TFormat::Rar, "packed", "crc32", false}, {"ace/", TFormat::Ace, "packed", "crc32_field", false},
    {"arj/", TFormat::Arj, "packed", "crc32", false}, {"arc/", TFormat::Arc, "packed", "crc16", false},
    {"lha/", TFormat::Lha, "packed", "crc16", true},  {"cab/", TFormat::Cab, nullptr, nullptr, false},
};

// Inputs made to break readers, by the names their sources gave them.
bool DeliberatelyDamaged(const std::string& path) {
  for (const char* w : {"bad_", "invalid", "overflow", "oob", "huge", "leak", "underflow", "use_after_free",
                        "truncated", "malformed", "loop", "fuzz", "desync", "leftshift", "cve-", "partial_",
                        "violation", "unbound", "noeof", "bugs/"})
    if (path.find(w) != std::string::npos) return true;
  return false;
}

bool IsRar5(const std::vector<uint8_t>& d) { return d.size() >= 8 && std::memcmp(d.data(), "Rar!\x1A\x07\x01\x00", 8) == 0; }

uint64_t Num(const std::string& s) { return std::stoull(s, nullptr, 10); }
uint64_t Hex(const std::string& s) { return std::stoull(s, nullptr, 16); }

}  // namespace

class FixtureListing : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureListing, EveryHeaderMatchesTheRecordedListing) {
  const FixtureCase& c = GetParam();
  int checked = 0;
  for (const ListedArchive& a : SourcesListings(c.Dir)) {
    if (!FixtureExists(a.Path)) continue;
    SCOPED_TRACE(a.Path);
    std::vector<uint8_t> data = Fixture(a.Path);
    ASSERT_EQ(data.size(), a.Bytes);
    TMemorySource src(data.data(), data.size());
    WalkResult r = Walk(c.Format, src);
    ASSERT_FALSE(r.Stuck);
    if (c.Format == TFormat::Rar && IsRar5(data)) {
      EXPECT_EQ(r.Err, rdUnsupportedVersion);
      continue;
    }
    if (DeliberatelyDamaged(a.Path) || a.Unlistable) continue;
    if (!a.Entries.empty() && a.Entries[0].Fields.count("level") && a.Entries[0].Fields.at("level") == "3") {
      EXPECT_EQ(r.Err, 0);
      EXPECT_FALSE(r.Entries.empty());
    }
    checked++;
    if (!a.Partial) {
      EXPECT_EQ(r.Entries.size(), a.Entries.size());
    }
    EXPECT_TRUE(r.Err == 0 || r.Entries.size() >= a.Entries.size()) << "error " << r.Err;
    for (size_t i = 0; i < a.Entries.size() && i < r.Entries.size(); i++) {
      const Listed& want = a.Entries[i];
      const WalkEntry& got = r.Entries[i];
      SCOPED_TRACE(want.Name);
      if (want.NameKnown) {
        EXPECT_EQ(NormName(got.Name), NormName(want.Name));
      }
      EXPECT_EQ(got.IsDir, c.DirByMethod ? want.Fields.count("method") && want.Fields.at("method") == "-lhd-"
                                          : want.Kind == 'D');
      if (want.Fields.count("size")) {
        EXPECT_EQ(got.Unpacked, Num(want.Fields.at("size")));
      }
      if (c.PackedKey && want.Fields.count(c.PackedKey)) {
        EXPECT_EQ(got.Packed, Num(want.Fields.at(c.PackedKey)));
      }
      if (c.CrcKey && want.Fields.count(c.CrcKey) && got.CrcKnown) {
        EXPECT_EQ(got.Crc, Hex(want.Fields.at(c.CrcKey)));
      }
    }
  }
  EXPECT_GT(checked, 0);
}

TEST_P(FixtureListing, DamagedAndCutFixturesEndCleanly) {
  const FixtureCase& c = GetParam();
  for (const ListedArchive& a : SourcesListings(c.Dir)) {
    if (!FixtureExists(a.Path) || a.Bytes > 200000) continue;
    SCOPED_TRACE(a.Path);
    ExpectRobust(c.Format, Fixture(a.Path));
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, FixtureListing, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FixtureCase>& i) {
                           std::string n = i.param.Dir;
                           return n.substr(0, n.size() - 1);
                         });
