#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archive/lister/arclister.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace {

// The peer's listing, one line per file:
// name, size, packed size, CRC, encrypted, local date-time, method name.
// Method names are ours for the method the peer reports.
const char* const PeerScript = R"PY(
import sys, os, re, time, zipfile, tarfile, subprocess, zlib
kind, f = sys.argv[1], sys.argv[2]
here = os.path.dirname(f)
def out(*v): print('\t'.join(map(str, v)))
def local(t): return time.strftime('%Y-%m-%d %H:%M:%S', time.localtime(t))
def run(*a): return subprocess.run(a, cwd=here, capture_output=True, text=True, errors='replace').stdout
def crc(name): return zlib.crc32(open(os.path.join(here, name), 'rb').read())
known = int(sys.argv[3])
if kind == 'zip':
    for i in zipfile.ZipFile(f).infolist():
        if i.is_dir(): continue
        if i.compress_type == 8: m = ['DeflateN', 'DeflateX', 'DeflateF', 'DeflateS'][(i.flag_bits >> 1) & 3]
        else: m = {0: 'Stored', 1: 'Shrunk', 6: 'Imploded'}[i.compress_type]
        out(i.filename, i.file_size, i.compress_size, i.CRC, i.flag_bits & 1, '%04d-%02d-%02d %02d:%02d:%02d' % i.date_time, m)
elif kind == 'tar':
    for i in tarfile.open(f).getmembers():
        if i.isfile(): out(i.name, i.size, i.size, i.chksum, 0, local(i.mtime), 'Tarred')
elif kind == 'lha':
    for l in run('lha', 'v', os.path.basename(f)).splitlines():
        m = re.match(r'^\S+\s+(?:\d+/\d+\s+)?(\d+)\s+(\d+)\s+\S+%\s+-lh(\w)-\s+([0-9a-f]{4})\s+(\w{3} [ \d]\d  \d{4}|\w{3} [ \d]\d \d\d:\d\d)\s(.*)$', l)
        if not m or m.group(3) == 'd': continue
        if m.group(5) not in (time.strftime('%b %e  %Y', time.localtime(known)), time.strftime('%b %e %H:%M', time.localtime(known))): continue
        meth = 'Stored' if m.group(3) == '0' else 'Frozen-' + m.group(3)
        out(m.group(6), m.group(2), m.group(1), int(m.group(4), 16), 0, local(known), meth)
elif kind == 'arj':
    name = None
    for l in run('arj', 'v', os.path.basename(f)).splitlines():
        m = re.match(r'^\d{3}\) (.*)$', l)
        if m: name = m.group(1); continue
        m = re.match(r'^\s*\d+ \S+\s+(\d+)\s+(\d+)\s+[\d.]+ (\d\d)-(\d\d-\d\d \d\d:\d\d:\d\d) \S+ \S+ (.....)', l)
        if m and name:
            bpmgs = m.group(5)
            meth = ['Stored', 'Most', '2nd Most', '2nd Fast', 'Fastest'][int(bpmgs[2])]
            out(name, m.group(1), m.group(2), crc(name), int(bpmgs[3] != ' '), '20' + m.group(3) + '-' + m.group(4), meth)
            name = None
elif kind == 'gzip':
    l = run('gzip', '-lv', os.path.basename(f)).splitlines()[1].split()
    assert l[0] == 'defla'
    assert ' '.join(l[2:5]) == time.strftime('%b %d %H:%M', time.localtime(known)), l
    b = open(f, 'rb').read()
    hdr = 10
    if b[3] & 8: hdr = b.index(b'\0', 10) + 1
    out(b[10:hdr - 1].decode() if b[3] & 8 else '', l[6], len(b) - hdr - 8, int(l[1], 16), 0, local(known), 'Deflate')
)PY";

std::string Q(const std::string& s) { return "'" + s + "'"; }

std::string LocalText(TDateTime d) {
  int64_t total = std::llround(d * 86400.0);
  int y, mo, da;
  DecodeDate(TDateTime(total / 86400), y, mo, da);
  int s = int(total % 86400);
  char buf[32];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, da, s / 3600, s / 60 % 60, s % 60);
  return buf;
}

// 15 June 2021 13:45:22, even seconds for the DOS formats.
constexpr long KnownTime = 1623764722;

class ListerFields : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    Host = morvtest::HostPath(Dir);
    Peer("mkdir -p src/sub");
    morvtest::WriteFile(Dir + "/src/a.txt", morvtest::TextData(5000, 1));
    morvtest::WriteFile(Dir + "/src/b.bin", morvtest::RandomData(3000, 2));
    morvtest::WriteFile(Dir + "/src/sub/c.txt", morvtest::TextData(20000, 3));
    Peer("touch -d @" + std::to_string(KnownTime) + " src/a.txt src/b.bin src/sub/c.txt");
    morvtest::WriteFile(Dir + "/peer.py", std::string(PeerScript));
  }
  void Peer(const std::string& cmd) {
    std::string out;
    EXPECT_EQ(0, morvtest::RunPeer("cd " + Q(Host) + " && " + cmd, &out)) << cmd << "\n" << out;
  }
  // Lists the archive with us and with the peer, and compares every field.
  void Compare(const std::string& kind, const std::string& file, size_t expected) {
    std::string out;
    ASSERT_EQ(0, morvtest::RunPeer("python3 " + Q(Host + "/peer.py") + " " + kind + " " + Q(Host + "/" + file) + " " +
                                       std::to_string(KnownTime),
                                   &out))
        << out;
    std::map<std::string, std::vector<std::string>> peer;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> f;
      std::string cell;
      std::istringstream ls(line);
      while (std::getline(ls, cell, '\t')) f.push_back(cell);
      if (f.size() == 7) peer[f[0]] = f;
    }
    ASSERT_EQ(expected, peer.size()) << out;
    TArcLister l(nullptr);
    l.FileSpec()->Add("*.*");
    l.SetArchiveFile(Dir + "/" + file);
    size_t seen = 0;
    l.OnRead = [&](TObject*, int, int) {
      const TArcEntryInfo& e = l.Entry;
      std::string name = e.FileName;
      for (char& c : name)
        if (c == '\\') c = '/';
      ++seen;
      ASSERT_TRUE(peer.count(name)) << name << "\n" << out;
      const auto& p = peer[name];
      SCOPED_TRACE(name);
      EXPECT_EQ(p[1], std::to_string(e.UnpackedSize));
      EXPECT_EQ(p[2], std::to_string(e.PackedSize));
      EXPECT_EQ(p[3], std::to_string(e.Crc));
      EXPECT_EQ(p[4] == "1", e.Encrypted);
      EXPECT_EQ(p[5], LocalText(e.Date));
      EXPECT_EQ(p[6], e.MethodName);
    };
    EXPECT_TRUE(l.Activate());
    EXPECT_EQ(expected, seen);
  }
  std::string Dir, Host;
};

TEST_F(ListerFields, ZipEqualsPythonZipfile) {
  for (const char* opts : {"-0", "-1", "-6", "-9", "-P secret", "-fd -9"}) {
    SCOPED_TRACE(opts);
    DeleteFile(Dir + "/t.zip");
    Peer(std::string("zip -qr ") + opts + " t.zip src");
    Compare("zip", "t.zip", 3);
  }
  Peer("cat src/a.txt | zip -q s.zip - src/b.bin");
  Compare("zip", "s.zip", 2);
}

TEST_F(ListerFields, TarEqualsPythonTarfile) {
  for (const char* cmd : {"tar --format=gnu -cf t.tar src", "tar --format=pax -cf t.tar src",
                          "tar --format=ustar -cf t.tar src", "tar --format=v7 -cf t.tar src",
                          "bsdtar --format=pax -cf t.tar src"}) {
    SCOPED_TRACE(cmd);
    DeleteFile(Dir + "/t.tar");
    Peer(cmd);
    Compare("tar", "t.tar", 3);
  }
}

TEST_F(ListerFields, LhaEqualsLhaV) {
  for (const char* level : {"0", "1", "2"}) {
    SCOPED_TRACE(level);
    DeleteFile(Dir + "/t.lzh");
    Peer(std::string("lha -cqo") + level + " t.lzh src/a.txt src/b.bin src/sub/c.txt");
    Compare("lha", "t.lzh", 3);
  }
}

TEST_F(ListerFields, ArjEqualsArjV) {
  for (const char* opts : {"-m0", "-m1", "-m2", "-m3", "-m4", "-m1 -gsecret"}) {
    SCOPED_TRACE(opts);
    DeleteFile(Dir + "/t.arj");
    Peer(std::string("arj a ") + opts + " -y t.arj src/a.txt src/b.bin src/sub/c.txt > /dev/null");
    Compare("arj", "t.arj", 3);
  }
}

TEST_F(ListerFields, GzipEqualsGzipLv) {
  Peer("cp -p src/sub/c.txt c.txt && gzip -9 c.txt");
  Compare("gzip", "c.txt.gz", 1);
}

}  // namespace
