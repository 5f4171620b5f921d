#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archive/core/arcerrors.h"
#include "archive/core/crc.h"
#include "archive/lister/arclister.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace {

struct Listed {
  std::string Name;
  int64_t Packed = 0, Unpacked = 0;
  uint32_t Crc = 0;
  bool Encrypted = false;
  int Offset = 0, Filenum = 0;
  int32_t Attr = 0;
  std::string Method;
  TDateTime Date = 0;
  std::string Comment;
};

struct ListRun {
  bool Result = false;
  std::vector<Listed> Entries;
  std::vector<std::string> ReadFiles;
  std::vector<int> Errors;
  std::vector<std::string> Events;
  int Totals = -1;
};

ListRun List(const std::string& file, bool showDirs = false, const std::string& spec = "*.*",
         std::function<void(TArcLister&)> setup = nullptr) {
  ListRun r;
  TArcLister l(nullptr);
  l.SetArchiveFile(file);
  if (!spec.empty()) l.FileSpec()->Add(spec);
  l.ShowBlankDirs = showDirs;
  l.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int code) {
    r.Errors.push_back(code);
  };
  l.OnReadFile = [&](TObject*, const std::string& n) { r.ReadFiles.push_back(n); };
  l.OnReadBegin = [&](TObject*) { r.Events.push_back("begin"); };
  l.OnReadEnd = [&](TObject*) { r.Events.push_back("end"); };
  l.OnTotals = [&](TObject*, int n) { r.Totals = n; };
  l.OnRead = [&](TObject* s, int offset, int filenum) {
    auto* me = static_cast<TArcLister*>(s);
    r.Events.push_back("read");
    Listed e;
    e.Name = me->Entry.FileName;
    e.Packed = me->Entry.PackedSize;
    e.Unpacked = me->Entry.UnpackedSize;
    e.Crc = me->Entry.Crc;
    e.Encrypted = me->Entry.Encrypted;
    e.Offset = offset;
    e.Filenum = filenum;
    e.Attr = me->Entry.ExternalAttr;
    e.Method = me->Entry.MethodName;
    e.Date = me->Entry.Date;
    e.Comment = me->Entry.EntryComment;
    r.Entries.push_back(e);
  };
  if (setup) setup(l);
  r.Result = l.Activate();
  return r;
}

// Takes the volume the lister names, in whatever letter case it exists;
// cancels when there is none.
void AcceptVolumes(TArcLister& l) {
  l.OnNextVolume = [](TObject*, std::string& name, const std::string&, bool exists, bool& cancel) {
    if (exists) return;
    size_t dot = name.rfind('.');
    std::string lower = name;
    if (dot != std::string::npos)
      for (size_t i = dot; i < lower.size(); ++i) lower[i] = char(tolower(lower[i]));
    if (FileExists(lower))
      name = lower;
    else
      cancel = true;
  };
}

// Slashes as backslashes, runs of them as one.
std::string OneBackslash(const std::string& s) {
  std::string n;
  for (char c : s) {
    if (c == '/') c = '\\';
    if (c == '\\' && !n.empty() && n.back() == '\\') continue;
    n += c;
  }
  return n;
}

std::string ReadText(const std::string& path) {
  auto b = morvtest::ReadFile(path);
  return std::string(b.begin(), b.end());
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

// Peer listing through python3 as "name\tsize\tpacked\tcrc\tencrypted" lines.
std::map<std::string, std::vector<std::string>> PeerList(const std::string& dir, const std::string& script) {
  std::string out;
  std::string py = dir + "/peer_list.py";
  morvtest::WriteFile(py, script);
  EXPECT_EQ(0, morvtest::RunPeer("python3 " + Q(morvtest::HostPath(py)), &out)) << out;
  std::map<std::string, std::vector<std::string>> m;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::string cell;
    std::istringstream ls(line);
    while (std::getline(ls, cell, '\t')) f.push_back(cell);
    if (!f.empty()) m[f[0]] = f;
  }
  return m;
}

void MakeTree(const std::string& dir) {
  std::string longDir(120, 'd');
  morvtest::RunPeer("mkdir -p '" + morvtest::HostPath(dir) + "/src/sub' '" + morvtest::HostPath(dir) + "/src/" + longDir + "'");
  morvtest::WriteFile(dir + "/src/a.txt", morvtest::TextData(5000, 1));
  morvtest::WriteFile(dir + "/src/b.bin", morvtest::RandomData(3000, 2));
  morvtest::WriteFile(dir + "/src/sub/c.txt", morvtest::TextData(100, 3));
  morvtest::WriteFile(dir + "/src/" + longDir + "/long_file_name_beyond_one_hundred_characters.txt",
                      morvtest::TextData(700, 4));
}

}  // namespace

TEST(ListerEvents, EmptyNameMissingHandlerAndUnknownType) {
  TArcLister l(nullptr);
  int events = 0;
  l.OnActivate = [&](TObject*) { ++events; };
  EXPECT_FALSE(l.Activate());
  EXPECT_EQ(0, events);

  std::string dir = morvtest::TempDir();
  morvtest::WriteFile(dir + "/t.txt", std::string("just text, no archive"));
  int code = 0;
  std::string msgEx;
  l.SetArchiveFile(dir + "/t.txt");
  l.OnError = [&](TObject*, const std::string&, const std::string& m, const std::string&, int c) {
    code = c;
    msgEx = m;
  };
  EXPECT_FALSE(l.Activate());
  EXPECT_EQ(errEventMissing, code);
  EXPECT_EQ("OnRead", msgEx);
  l.OnRead = [](TObject*, int, int) {};
  EXPECT_FALSE(l.Activate());
  EXPECT_EQ(25327, code);
}

class ListerPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Host = morvtest::HostPath(Dir);
    MakeTree(Dir);
  }
  int Peer(const std::string& cmd) {
    std::string out;
    int rc = morvtest::RunPeer("cd " + Q(Host) + " && " + cmd, &out);
    EXPECT_EQ(0, rc) << cmd << "\n" << out;
    return rc;
  }
  std::string Dir, Host;
};

TEST_F(ListerPeer, ZipFieldsMatchPython) {
  struct Case {
    const char* opts;
  } cases[] = {{"-0"}, {"-9"}, {"-P secret"}, {"-z < /dev/null"}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.opts);
    DeleteFile(Dir + "/t.zip");
    Peer(std::string("zip -qr ") + c.opts + " t.zip src");
    Peer("printf 'entry comment\\n' | zip -qc t.zip src/a.txt");
    auto peer = PeerList(Dir, "import zipfile\nfor i in zipfile.ZipFile('" + Host +
                         "/t.zip').infolist():\n print('\\t'.join([i.filename,str(i.file_size),str(i.compress_size),"
                         "str(i.CRC),str(i.flag_bits&1),i.comment.decode()]))");
    ListRun r = List(Dir + "/t.zip", true);
    ASSERT_TRUE(r.Result);
    EXPECT_TRUE(r.Errors.empty());
    ASSERT_EQ(peer.size(), r.Entries.size());
    int files = 0;
    for (auto& e : r.Entries) {
      std::string key = e.Name;
      for (auto& ch : key)
        if (ch == '\\') ch = '/';
      ASSERT_TRUE(peer.count(key)) << key;
      auto& p = peer[key];
      EXPECT_EQ(p[1], std::to_string(e.Unpacked));
      EXPECT_EQ(p[2], std::to_string(e.Packed));
      EXPECT_EQ(p[3], std::to_string(e.Crc));
      EXPECT_EQ(p[4] == "1", e.Encrypted);
      if (key.back() == '/') {
        EXPECT_TRUE(e.Attr & 0x10);
      } else {
        ++files;
      }
      if (key == "src/a.txt") {
        EXPECT_EQ("entry comment", e.Comment);
      }
    }
    EXPECT_EQ(files, r.Totals);
    ListRun noDirs = List(Dir + "/t.zip", false);
    EXPECT_EQ(size_t(files), noDirs.Entries.size());
  }
}

TEST_F(ListerPeer, StreamedZip) {
  Peer("cat src/a.txt | zip -q s.zip -");
  ListRun r = List(Dir + "/s.zip");
  ASSERT_TRUE(r.Result);
  ASSERT_EQ(1u, r.Entries.size());
  EXPECT_EQ("-", r.Entries[0].Name);
  EXPECT_EQ(5000, r.Entries[0].Unpacked);
}

TEST_F(ListerPeer, FilterAndEventOrder) {
  Peer("zip -qr t.zip src");
  ListRun none = List(Dir + "/t.zip", false, "");
  EXPECT_TRUE(none.Result);
  EXPECT_TRUE(none.Entries.empty());
  EXPECT_EQ(0, none.Totals);
  EXPECT_FALSE(none.ReadFiles.empty());
  ListRun one = List(Dir + "/t.zip", false, "*.bin");
  ASSERT_EQ(1u, one.Entries.size());
  EXPECT_EQ((std::vector<std::string>{"begin", "read", "end"}), one.Events);
  EXPECT_EQ(1, one.Entries[0].Filenum);
}

TEST_F(ListerPeer, TarFormatsGiveFullNames) {
  struct Case {
    const char* cmd;
    bool longNames;
  } cases[] = {
      {"tar --format=gnu -cf t.tar src", true},   {"tar --format=pax -cf t.tar src", true},
      {"tar --format=ustar -cf t.tar src/a.txt src/sub src/b.bin", false},
      {"tar --format=v7 -cf t.tar src/a.txt src/sub src/b.bin", false},
      {"bsdtar --format=gnutar -cf t.tar src", true},  {"bsdtar --format=pax -cf t.tar src", true},
      {"bsdtar --format=ustar -cf t.tar src/a.txt src/sub", false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.cmd);
    DeleteFile(Dir + "/t.tar");
    Peer(c.cmd);
    auto peer = PeerList(Dir, "import tarfile\nfor i in tarfile.open('" + Host +
                         "/t.tar').getmembers():\n print('\\t'.join([i.name.rstrip(\"/\"),str(i.size),str(i.isdir())]))");
    ListRun r = List(Dir + "/t.tar", true);
    ASSERT_TRUE(r.Result);
    EXPECT_TRUE(r.Errors.empty());
    ASSERT_EQ(peer.size(), r.Entries.size());
    for (auto& e : r.Entries) {
      std::string key = e.Name;
      for (auto& ch : key)
        if (ch == '\\') ch = '/';
      while (!key.empty() && key.back() == '/') key.pop_back();
      ASSERT_TRUE(peer.count(key)) << key;
      EXPECT_EQ(peer[key][1], std::to_string(e.Unpacked));
      EXPECT_EQ(peer[key][2] == "True", (e.Attr & 0x10) != 0) << key;
    }
  }
}

TEST_F(ListerPeer, GzipAndCompress) {
  Peer("cp src/a.txt a.txt && gzip -9 -k a.txt && cp src/b.bin b.bin && compress -b12 -c b.bin > b.Z && "
       "gzip -c -n src/sub/c.txt > noname.gz");
  ListRun g = List(Dir + "/a.txt.gz");
  ASSERT_TRUE(g.Result);
  ASSERT_EQ(1u, g.Entries.size());
  EXPECT_EQ("a.txt", g.Entries[0].Name);
  EXPECT_EQ(5000, g.Entries[0].Unpacked);
  auto data = morvtest::ReadFile(Dir + "/a.txt");
  auto peer = PeerList(Dir, "import zlib\nprint('x\\t'+str(zlib.crc32(open('" + Host + "/a.txt','rb').read())))");
  EXPECT_EQ(peer["x"][1], std::to_string(g.Entries[0].Crc));
  ListRun n = List(Dir + "/noname.gz");
  ASSERT_EQ(1u, n.Entries.size());
  EXPECT_EQ("noname", n.Entries[0].Name);
  ListRun z = List(Dir + "/b.Z");
  ASSERT_TRUE(z.Result);
  ASSERT_EQ(1u, z.Entries.size());
  EXPECT_EQ("b", z.Entries[0].Name);
}

TEST_F(ListerPeer, LhaLevels) {
  for (int level : {0, 1, 2}) {
    SCOPED_TRACE(level);
    DeleteFile(Dir + "/t.lzh");
    Peer("lha -cq" + std::string(level == 0 ? "o0" : level == 1 ? "o1" : "o2") + " t.lzh src/a.txt src/b.bin src/sub/c.txt");
    std::string out;
    ListRun r = List(Dir + "/t.lzh");
    ASSERT_TRUE(r.Result);
    ASSERT_EQ(3u, r.Entries.size());
    EXPECT_EQ("src\\a.txt", r.Entries[0].Name);
    EXPECT_EQ(5000, r.Entries[0].Unpacked);
    EXPECT_EQ("src\\sub\\c.txt", r.Entries[2].Name);
    EXPECT_EQ(3, r.Totals);
  }
}

TEST_F(ListerPeer, ArjMethodsAndVolumes) {
  for (int m = 0; m <= 4; ++m) {
    SCOPED_TRACE(m);
    DeleteFile(Dir + "/t.arj");
    Peer("arj a -m" + std::to_string(m) + " -y t.arj src/a.txt src/b.bin > /dev/null");
    ListRun r = List(Dir + "/t.arj");
    ASSERT_TRUE(r.Result);
    ASSERT_EQ(2u, r.Entries.size());
    EXPECT_EQ(5000, r.Entries[0].Unpacked);
    EXPECT_EQ(3000, r.Entries[1].Unpacked);
  }
  morvtest::WriteFile(Dir + "/big.bin", morvtest::RandomData(150000, 7));
  Peer("arj a -m0 -v50k -y v.arj big.bin src/a.txt > /dev/null");
  ListRun r = List(Dir + "/v.arj", false, "*.*", AcceptVolumes);
  ASSERT_TRUE(r.Result);
  ASSERT_EQ(2u, r.Entries.size());
  EXPECT_EQ("big.bin", r.Entries[0].Name);
  EXPECT_EQ(150000, r.Entries[0].Unpacked);
  EXPECT_EQ("src\\a.txt", r.Entries[1].Name);
  ListRun refused = List(Dir + "/v.arj");
  EXPECT_TRUE(refused.Result);
  EXPECT_EQ(0u, refused.Entries.size());
  EXPECT_EQ(0, refused.Totals);
}

TEST_F(ListerPeer, ArcGcabUue) {
  Peer("cp src/a.txt A.TXT && cp src/b.bin B.BIN && arc a t.arc A.TXT B.BIN > /dev/null && "
       "gcab -c t.cab src/a.txt src/b.bin && uuencode src/a.txt a.txt > t.uue");
  ListRun a = List(Dir + "/t.arc");
  ASSERT_TRUE(a.Result);
  ASSERT_EQ(2u, a.Entries.size());
  EXPECT_EQ("A.TXT", a.Entries[0].Name);
  EXPECT_EQ(5000, a.Entries[0].Unpacked);
  ListRun c = List(Dir + "/t.cab");
  ASSERT_TRUE(c.Result);
  ASSERT_EQ(2u, c.Entries.size());
  EXPECT_EQ(3000, c.Entries[1].Unpacked);
  ListRun u = List(Dir + "/t.uue");
  ASSERT_TRUE(u.Result);
  ASSERT_EQ(1u, u.Entries.size());
  EXPECT_EQ("a.txt", u.Entries[0].Name);
}

namespace {

bool Malformed(const std::string& name) {
  for (const char* w : {"bad_", "invalid", "overflow", "huge", "truncated", "fuzz", "cve", "partial_", "oob", "leak",
                        "malformed", "underflow", "violation", "beyond-eof", "bad-folderid"})
    if (name.find(w) != std::string::npos) return true;
  return false;
}

std::vector<std::string> FixtureFiles() {
  std::string out;
  morvtest::RunPeer("cd " + Q(morvtest::HostPath(morvtest::SharedPath("fixtures"))) +
                        " && find . -type f ! -name '*.md' ! -name '*.txt' ! -path '*expected*' | sort",
                    &out);
  std::vector<std::string> files;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (line.size() > 2) files.push_back(line.substr(2));
  return files;
}

}  // namespace

TEST(ListerFixtures, EveryFixtureListsOrFailsCleanly) {
  auto files = FixtureFiles();
  ASSERT_FALSE(files.empty());
  int listed = 0;
  for (auto& f : files) {
    SCOPED_TRACE(f);
    ListRun r = List(morvtest::SharedPath("fixtures/" + f), false, "*.*", [](TArcLister& l) {
      l.OnNextVolume = [](TObject*, std::string&, const std::string&, bool, bool& cancel) { cancel = true; };
    });
    // Malformed inputs need only end without a crash or a hang: most of
    // them damage packed data, which a listing never reads.
    if (Malformed(f)) continue;
    if (r.Result && r.Errors.empty() && !r.Entries.empty()) ++listed;
  }
  EXPECT_GT(listed, int(files.size()) / 2);
}

TEST(ListerFixtures, SharpCompressSetsNameTheThreeFiles) {
  const char* names[] = {"arj/sharpcompress/Arj.method1.arj", "ace/sharpcompress/Ace.store.ace",
                         "arc/sharpcompress/Arc.uncompressed.arc"};
  for (auto n : names) {
    SCOPED_TRACE(n);
    ListRun r = List(morvtest::SharedPath(std::string("fixtures/") + n));
    ASSERT_TRUE(r.Result);
    std::map<int32_t, uint32_t> bySize;
    for (auto& e : r.Entries) bySize[e.Unpacked] = e.Crc;
    EXPECT_TRUE(bySize.count(45056));
    EXPECT_TRUE(bySize.count(40372));
    EXPECT_TRUE(bySize.count(15498));
  }
}

TEST(ListerFixtures, MultiVolumeSetsListEveryEntryOnce) {
  auto nextFrom = [](std::vector<std::string> names) {
    return [names](TArcLister& l) {
      auto idx = std::make_shared<size_t>(0);
      l.OnNextVolume = [names, idx](TObject*, std::string& vol, const std::string&, bool, bool& cancel) {
        if (*idx >= names.size()) {
          cancel = true;
          return;
        }
        vol = morvtest::SharedPath(names[(*idx)++]);
      };
    };
  };
  {
    std::vector<std::string> rest;
    for (int i = 2; i <= 6; ++i)
      rest.push_back("fixtures/rar/libarchive/test_rar_multivolume_multiple_files.part" + std::to_string(i) + ".rar");
    ListRun r = List(morvtest::SharedPath("fixtures/rar/libarchive/test_rar_multivolume_multiple_files.part1.rar"), false,
                 "*.*", nextFrom(rest));
    ASSERT_TRUE(r.Result);
    std::map<std::string, int> seen;
    for (auto& e : r.Entries) ++seen[e.Name];
    EXPECT_GT(seen.size(), 1u);
    for (auto& s : seen) EXPECT_EQ(1, s.second) << s.first;
  }
  {
    ListRun r = List(morvtest::SharedPath("fixtures/arj/sharpcompress/Arj.store.split.arj"), false, "*.*",
                 AcceptVolumes);
    ASSERT_TRUE(r.Result);
    std::map<std::string, int> seen;
    for (auto& e : r.Entries) ++seen[e.Name];
    for (auto& s : seen) EXPECT_EQ(1, s.second) << s.first;
    EXPECT_EQ(3u, seen.size());
  }
  {
    ListRun r = List(morvtest::SharedPath("fixtures/ace/sharpcompress/Ace.store.split.ace"), false, "*.*",
                 AcceptVolumes);
    ASSERT_TRUE(r.Result);
    std::map<std::string, int> seen;
    for (auto& e : r.Entries) ++seen[e.Name];
    for (auto& s : seen) EXPECT_EQ(1, s.second) << s.first;
    EXPECT_FALSE(seen.empty());
  }
  {
    ListRun r = List(morvtest::SharedPath("fixtures/cab/libarchive/test_read_format_cab_multi.p1.cab"));
    ASSERT_TRUE(r.Result);
    std::map<std::string, int> seen;
    for (auto& e : r.Entries) ++seen[e.Name];
    for (auto& s : seen) EXPECT_EQ(1, s.second) << s.first;
    EXPECT_FALSE(seen.empty());
  }
}

namespace {

struct SourceEntry {
  std::string Name;
  int64_t Size = 0;
  uint32_t Crc = 0;
};

// The per-archive listings of the fixtures' SOURCES.md: a line naming the
// file ("cab/x/y.cab [N bytes, ...]") and one indented line per entry
// ("  F 'name' size=.. packed=.. crc32=.."). Parts of split entries and names
// written with escapes are left out.
std::map<std::string, std::vector<SourceEntry>> SourceListings() {
  std::map<std::string, std::vector<SourceEntry>> all;
  std::istringstream in(ReadText(morvtest::SharedPath("fixtures/SOURCES.md")));
  std::string line, current;
  auto field = [](const std::string& l, const std::string& key, std::string& out) {
    size_t p = l.find(" " + key + "=");
    if (p == std::string::npos) return false;
    p += key.size() + 2;
    size_t e = l.find_first_of(" )", p);
    out = l.substr(p, e == std::string::npos ? std::string::npos : e - p);
    return true;
  };
  while (std::getline(in, line)) {
    size_t br = line.find(" [");
    if (!line.empty() && line[0] != ' ' && line[0] != '|' && br != std::string::npos &&
        line.find(" bytes", br) != std::string::npos) {
      current = line.substr(0, br);
      all[current];
      continue;
    }
    if (current.empty() || line.rfind("  F '", 0) != 0) continue;
    size_t q = line.find("' size=", 5);
    if (q == std::string::npos) continue;
    SourceEntry e;
    e.Name = line.substr(5, q - 5);
    bool skip = e.Name.find("\\x") != std::string::npos;
    for (const char* w : {"CONT_", "SPLIT_", "PREV_AND_NEXT", "UNICODE", "algo_ver=", "level=3", "|"})
      if (line.find(w) != std::string::npos) skip = true;
    std::string v;
    if (!field(line, "size", v)) continue;
    char* end = nullptr;
    e.Size = std::strtoll(v.c_str(), &end, 10);
    if (field(line, "crc32_field", v) || field(line, "crc32", v) || field(line, "crc16", v))
      e.Crc = uint32_t(std::strtoul(v.c_str(), &end, 16));
    else
      skip = true;
    for (unsigned char c : e.Name)
      if (c >= 0x80) skip = true;
    e.Name = OneBackslash(e.Name);
    if (skip)
      e.Size = -1;
    all[current].push_back(e);
  }
  return all;
}

}  // namespace

TEST(ListerFixtures, ListingsMatchSources) {
  auto listings = SourceListings();
  ASSERT_GT(listings.size(), 100u);
  int checked = 0;
  for (auto& [rel, entries] : listings) {
    if (Malformed(rel) || entries.empty()) continue;
    // Its second header is too short to hold the CRC the listing gives.
    if (rel.find("lha_symlink_missing_target") != std::string::npos) continue;
    std::string path = morvtest::SharedPath("fixtures/" + rel);
    if (!FileExists(path)) continue;
    SCOPED_TRACE(rel);
    // Split Zip sets are not recognised by type detection from their last part.
    if (rel.find(".multi.zip") != std::string::npos || rel.find(".split.0") != std::string::npos) continue;
    ListRun r = List(path, true, "*.*", [](TArcLister& l) {
      l.OnNextVolume = [](TObject*, std::string&, const std::string&, bool, bool& cancel) { cancel = true; };
    });
    std::map<std::string, const Listed*> ours;
    for (auto& e : r.Entries) ours[OneBackslash(e.Name)] = &e;
    for (auto& e : entries) {
      if (e.Size < 0 || e.Size > INT32_MAX) continue;
      auto it = ours.find(e.Name);
      if (it == ours.end()) {
        ADD_FAILURE() << "missing " << e.Name;
        continue;
      }
      EXPECT_EQ(e.Size, it->second->Unpacked) << e.Name;
      EXPECT_EQ(e.Crc, it->second->Crc) << e.Name;
      ++checked;
    }
  }
  EXPECT_GT(checked, 200);
}

TEST(ListerFixtures, LhasaListingsMatchLhaV) {
  std::string out;
  morvtest::RunPeer("cd " + Q(morvtest::HostPath(morvtest::SharedPath("fixtures/lha/lhasa"))) +
                        " && find . -type f | sort",
                    &out);
  std::istringstream files(out);
  std::string rel;
  int checked = 0;
  while (std::getline(files, rel)) {
    if (rel.size() < 3) continue;
    rel = rel.substr(2);
    // Header level 3 is not read; PMarc archives are not of the LHA family.
    if (rel.rfind("lha_os2_208/", 0) == 0 || rel.rfind("pmarc", 0) == 0) continue;
    std::string expected = morvtest::SharedPath("fixtures/lha/lhasa-expected/" + rel + "-v.txt");
    if (!FileExists(expected)) continue;
    SCOPED_TRACE(rel);
    std::istringstream in(ReadText(expected));
    std::string line;
    int dashes = 0;
    std::vector<std::vector<std::string>> rows;
    while (std::getline(in, line)) {
      if (line.rfind("----", 0) == 0) {
        ++dashes;
        continue;
      }
      if (dashes != 1 || line.size() < 60) continue;
      std::istringstream ls(line.substr(23));
      std::vector<std::string> cells;
      std::string c;
      while (ls >> c) cells.push_back(c);
      if (cells.size() >= 8) rows.push_back(cells);
    }
    ListRun r = List(morvtest::SharedPath("fixtures/lha/lhasa/" + rel));
    if (rows.empty()) continue;
    ASSERT_TRUE(r.Result);
    ASSERT_EQ(rows.size(), r.Entries.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      auto& c = rows[i];
      if (c[0] == "-" || c[1] == "-") continue;
      EXPECT_EQ(c[1], std::to_string(r.Entries[i].Unpacked));
      if (c[4] != "****") {
        EXPECT_EQ(std::stoul(c[4], nullptr, 16), r.Entries[i].Crc);
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 50);
}

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, uint16_t(v));
  Put16(b, uint16_t(v >> 16));
}

// A RAR 1.5-4.x block with its header CRC (low 16 bits of the CRC-32 from
// the type byte on).
std::vector<uint8_t> RarBlock(uint8_t type, uint16_t flags, std::vector<uint8_t> rest) {
  std::vector<uint8_t> h;
  h.push_back(type);
  Put16(h, flags);
  Put16(h, uint16_t(rest.size() + 7));
  h.insert(h.end(), rest.begin(), rest.end());
  uint32_t crc = 0xFFFFFFFF;
  Crc32Block(h.data(), h.size(), crc);
  std::vector<uint8_t> b;
  Put16(b, uint16_t(~crc));
  b.insert(b.end(), h.begin(), h.end());
  return b;
}

std::vector<uint8_t> RarFile(const std::string& name, uint16_t flags, uint32_t size, uint32_t crc, uint8_t host = 2,
                             uint32_t attr = 0x20) {
  std::vector<uint8_t> r;
  Put32(r, size);     // packed
  Put32(r, size);     // unpacked
  r.push_back(host);
  Put32(r, crc);
  Put32(r, 0x3C2A5000);
  r.push_back(29);
  r.push_back(0x30);
  Put16(r, uint16_t(name.size()));
  Put32(r, attr);
  r.insert(r.end(), name.begin(), name.end());
  auto b = RarBlock(0x74, uint16_t(flags | 0x8000), r);
  b.insert(b.end(), size, 'x');
  return b;
}

}  // namespace

TEST(ListerRar, SkipsEveryBlockWithDataAndMarksEncryption) {
  std::vector<uint8_t> a = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  auto main = RarBlock(0x73, 0, std::vector<uint8_t>(6, 0));
  a.insert(a.end(), main.begin(), main.end());
  auto f1 = RarFile("one.txt", 0, 10, 0x11111111);
  a.insert(a.end(), f1.begin(), f1.end());
  // A service block (comment or recovery record) laid out as a file header,
  // whose data must be passed over.
  std::vector<uint8_t> sub;
  Put32(sub, 40);
  Put32(sub, 40);
  sub.push_back(2);
  Put32(sub, 0);
  Put32(sub, 0);
  sub.push_back(29);
  sub.push_back(0x30);
  Put16(sub, 3);
  Put32(sub, 0);
  sub.insert(sub.end(), {'C', 'M', 'T'});
  auto s = RarBlock(0x7A, 0x8000, sub);
  s.insert(s.end(), 40, 0x74);
  a.insert(a.end(), s.begin(), s.end());
  // An old-style block without the long-block flag.
  auto old = RarBlock(0x75, 0, std::vector<uint8_t>(6, 0));
  a.insert(a.end(), old.begin(), old.end());
  auto f2 = RarFile("two.txt", 0x04, 5, 0x22222222);
  a.insert(a.end(), f2.begin(), f2.end());
  auto end = RarBlock(0x7B, 0x4000, {});
  a.insert(a.end(), end.begin(), end.end());
  std::string dir = morvtest::TempDir();
  morvtest::WriteFile(dir + "/t.rar", a);
  ListRun r = List(dir + "/t.rar");
  ASSERT_TRUE(r.Result);
  EXPECT_TRUE(r.Errors.empty());
  ASSERT_EQ(2u, r.Entries.size());
  EXPECT_EQ("one.txt", r.Entries[0].Name);
  EXPECT_FALSE(r.Entries[0].Encrypted);
  EXPECT_EQ("two.txt", r.Entries[1].Name);
  EXPECT_TRUE(r.Entries[1].Encrypted);
  EXPECT_EQ(0x22222222u, r.Entries[1].Crc);
  EXPECT_EQ(5, r.Entries[1].Unpacked);
}

TEST(ListerRar, UnixModesAndUnicodeNamesAreMapped) {
  std::vector<uint8_t> a = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  auto main = RarBlock(0x73, 0, std::vector<uint8_t>(6, 0));
  a.insert(a.end(), main.begin(), main.end());
  // Made on Unix: a folder with mode 040755, a file with mode 0100644.
  auto dir = RarFile("docs", 0, 0, 0, 3, 040755);
  auto file = RarFile("docs/a.txt", 0, 3, 0x33333333, 3, 0100644);
  // "cafe.txt" with the packed Unicode form of "café.txt": high byte 0,
  // then c a f (one byte each), é (two bytes), . t x t (one byte each).
  std::string field = std::string("cafe.txt") + '\0';
  field += std::string({0x00, 0x02, 'c', 'a', 'f', char(0xE9), 0x00, 0x00, '.', 't', 'x', 't'});
  auto uni = RarFile(field, 0x0200, 4, 0x44444444);
  for (auto* b : {&dir, &file, &uni}) a.insert(a.end(), b->begin(), b->end());
  auto end = RarBlock(0x7B, 0x4000, {});
  a.insert(a.end(), end.begin(), end.end());
  std::string d = morvtest::TempDir();
  morvtest::WriteFile(d + "/u.rar", a);
  ListRun r = List(d + "/u.rar", true);
  ASSERT_TRUE(r.Result);
  EXPECT_TRUE(r.Errors.empty());
  ASSERT_EQ(r.Entries.size(), 3u);
  EXPECT_EQ(r.Entries[0].Attr & 0x30, 0x10) << r.Entries[0].Name;
  EXPECT_EQ(r.Entries[1].Attr & 0x30, 0x20) << r.Entries[1].Name;
  EXPECT_EQ(r.Entries[2].Name, "caf\xE9.txt");
}

TEST(ListerRar, SizesAbove2GBStayWholeAndTotalsAdd) {
  std::vector<uint8_t> a = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  auto main = RarBlock(0x73, 0, std::vector<uint8_t>(6, 0));
  a.insert(a.end(), main.begin(), main.end());
  // Two stored-empty entries that claim 3,000,000,000 and 4,000,000,000
  // bytes unpacked (no data follows, which the listing does not read).
  for (uint32_t size : {3000000000u, 4000000000u}) {
    std::vector<uint8_t> r;
    Put32(r, 0);
    Put32(r, size);
    r.push_back(2);
    Put32(r, 0);
    Put32(r, 0x3C2A5000);
    r.push_back(29);
    r.push_back(0x30);
    const std::string name = "big" + std::to_string(size / 1000000000u);
    Put16(r, uint16_t(name.size()));
    Put32(r, 0x20);
    r.insert(r.end(), name.begin(), name.end());
    auto b = RarBlock(0x74, 0x8000, r);
    a.insert(a.end(), b.begin(), b.end());
  }
  std::string d = morvtest::TempDir();
  morvtest::WriteFile(d + "/big.rar", a);
  int64_t total = 0;
  ListRun r = List(d + "/big.rar", false, "*.*", [&](TArcLister& l) {
    l.OnTotals = [&](TObject* s, int) { total = static_cast<TArcLister*>(s)->TotalUnpackedSize(); };
  });
  ASSERT_TRUE(r.Result);
  ASSERT_EQ(r.Entries.size(), 2u);
  EXPECT_EQ(r.Entries[0].Unpacked, 3000000000);
  EXPECT_EQ(r.Entries[1].Unpacked, 4000000000);
  EXPECT_EQ(total, 7000000000);
}

TEST(ListerRar, NewNumberingSetAsksForThePartNames) {
  std::vector<std::string> asked;
  ListRun r = List(morvtest::SharedPath("fixtures/rar/libarchive/test_rar_multivolume_multiple_files.part1.rar"), false,
                   "*.*", [&](TArcLister& l) {
                     l.OnNextVolume = [&](TObject*, std::string& name, const std::string&, bool, bool&) {
                       asked.push_back(ExtractFileName(name));
                     };
                   });
  ASSERT_TRUE(r.Result);
  EXPECT_TRUE(r.Errors.empty());
  std::vector<std::string> want;
  for (int i = 2; i <= 6; ++i) want.push_back("test_rar_multivolume_multiple_files.part" + std::to_string(i) + ".rar");
  EXPECT_EQ(asked, want);
  EXPECT_GT(r.Entries.size(), 1u);
}

TEST(ListerRar, Rar5IsReportedUnsupported) {
  ListRun r = List(morvtest::SharedPath("fixtures/rar/libarchive/test_read_format_rar5_stored.rar"));
  EXPECT_FALSE(r.Result);
  EXPECT_EQ(std::vector<int>{25328}, r.Errors);
  EXPECT_TRUE(r.Entries.empty());
}

TEST(ListerRar, EncryptedEntriesOfAFixture) {
  ListRun r = List(morvtest::SharedPath("fixtures/rar/libarchive/test_read_format_rar4_encrypted.rar"));
  ASSERT_TRUE(r.Result);
  int encrypted = 0;
  for (auto& e : r.Entries) encrypted += e.Encrypted;
  EXPECT_GT(encrypted, 0);
}

TEST(ListerCab, SetListsEachFileOnceAndMissingNextEndsWithError) {
  ListRun all = List(morvtest::SharedPath("fixtures/cab/libmspack/multi_basic_pt1.cab"));
  ASSERT_TRUE(all.Result);
  std::map<std::string, int> seen;
  for (auto& e : all.Entries) ++seen[e.Name];
  EXPECT_GT(seen.size(), 1u);
  for (auto& s : seen) EXPECT_EQ(1, s.second) << s.first;
  EXPECT_EQ(int(all.Entries.size()), all.Totals);

  std::string dir = morvtest::TempDir();
  morvtest::WriteFile(dir + "/test_read_format_cab_multi.p1.cab",
                      morvtest::ReadFile(morvtest::SharedPath("fixtures/cab/libarchive/test_read_format_cab_multi.p1.cab")));
  ListRun alone = List(dir + "/test_read_format_cab_multi.p1.cab");
  EXPECT_TRUE(alone.Result);
  EXPECT_EQ(std::vector<int>{errFileNotFound}, alone.Errors);
  ListRun both = List(morvtest::SharedPath("fixtures/cab/libarchive/test_read_format_cab_multi.p1.cab"));
  EXPECT_TRUE(both.Errors.empty());
  EXPECT_EQ(1u, both.Entries.size());
  EXPECT_EQ(1u, alone.Entries.size());
}

TEST(ListerGzip, CommentAndHeaderCrcAreSkipped) {
  std::vector<uint8_t> g = {0x1F, 0x8B, 8, 0x08 | 0x10 | 0x02};
  Put32(g, 1000000000);
  g.push_back(0);
  g.push_back(3);
  for (char c : std::string("inner.txt")) g.push_back(uint8_t(c));
  g.push_back(0);
  for (char c : std::string("a comment")) g.push_back(uint8_t(c));
  g.push_back(0);
  uint32_t crc = 0xFFFFFFFF;
  Crc32Block(g.data(), g.size(), crc);
  Put16(g, uint16_t(~crc));
  g.insert(g.end(), {0x03, 0x00});  // empty deflate stream
  Put32(g, 0);
  Put32(g, 0);
  std::string dir = morvtest::TempDir();
  morvtest::WriteFile(dir + "/t.gz", g);
  ListRun r = List(dir + "/t.gz");
  ASSERT_TRUE(r.Result);
  EXPECT_TRUE(r.Errors.empty());
  ASSERT_EQ(1u, r.Entries.size());
  EXPECT_EQ("inner.txt", r.Entries[0].Name);
  EXPECT_EQ(0, r.Entries[0].Unpacked);
  EXPECT_EQ(2, r.Entries[0].Packed);
}

TEST(ListerEvents, OrderCancelAndNumbering) {
  std::string ace = morvtest::SharedPath("fixtures/ace/sharpcompress/Ace.store.ace");
  std::vector<std::string> order;
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  l.SetArchiveFile(ace);
  l.OnActivate = [&](TObject*) { order.push_back("activate"); };
  l.OnDeactivate = [&](TObject*) { order.push_back("deactivate"); };
  l.OnTotals = [&](TObject*, int n) { order.push_back("totals " + std::to_string(n)); };
  l.OnRead = [&](TObject*, int, int num) {
    order.push_back("read " + std::to_string(num));
    if (num == 2) SetComponentCancel(&l, true);
  };
  EXPECT_TRUE(l.Activate());
  EXPECT_EQ((std::vector<std::string>{"activate", "read 1", "read 2", "totals 2", "deactivate"}), order);

  order.clear();
  l.OnRead = [&](TObject*, int, int num) { order.push_back("read " + std::to_string(num)); };
  EXPECT_TRUE(l.Activate());
  ASSERT_GE(order.size(), 6u);
  size_t reads = order.size() - 3;
  EXPECT_EQ("activate", order.front());
  for (size_t i = 1; i <= reads; ++i) EXPECT_EQ("read " + std::to_string(i), order[i]);
  EXPECT_EQ("totals " + std::to_string(reads), order[reads + 1]);
  EXPECT_EQ("deactivate", order.back());
}

// Entries that each declare nearly 4 GiB: the totals are summed in 64 bits
// (a few headers overflowed 32-bit sums).
TEST(ListerTotals, HugeDeclaredSizesDoNotOverflow) {
  std::vector<uint8_t> z;
  for (char name : {'a', 'b', 'c'}) {
    // Local header: stored, packed size 0, unpacked size 0xFFFFFFFF, a
    // one-byte name.
    const uint8_t h[30] = {0x50, 0x4B, 3, 4, 20, 0, 0, 0, 0, 0, 0, 0, 0x21, 0x5A, 0, 0, 0, 0,
                           0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0};
    z.insert(z.end(), h, h + 30);
    z.push_back(uint8_t(name));
  }
  const std::string file = morvtest::TempDir() + "/locals.zip";
  morvtest::WriteFile(file, z);
  int64_t packed = -1, unpacked = -1;
  ListRun r = List(file, false, "*.*", [&](TArcLister& l) {
    l.OnTotals = [&](TObject*, int) {
      packed = l.TotalPackedSize();
      unpacked = l.TotalUnpackedSize();
    };
  });
  ASSERT_EQ(r.Entries.size(), 3u);
  EXPECT_EQ(packed, 0);
  EXPECT_EQ(unpacked, 3 * int64_t(UINT32_MAX));
  EXPECT_EQ(r.Entries[0].Unpacked, int64_t(UINT32_MAX));
}
