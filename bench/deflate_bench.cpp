// Deflate compression at the library's levels 1, 2, 7 and 9 on every file of
// the Canterbury and Calgary corpora and on a mixed set of more than 32 MB
// (the corpora, system headers, documentation, programs and generated
// tables), beside gzip's sizes and zlib's speed measured in the same run.
// Every output is checked by inflating it back.
// Usage: deflate_bench [rounds [work-folder]]
// Without a work folder the corpora are unpacked and the mix file is made
// with tar below the build folder; give the folder of an earlier run where
// no tar or gzip runs, as under Wine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/deflate.h"
#include "archive/codecs/inflate.h"
#include "bench/bench_util.h"

#ifdef MORV_HAVE_ZLIB
#include <zlib.h>
#endif

namespace fs = std::filesystem;

namespace {

struct TSample {
  std::string Name;
  fs::path Path;
  std::vector<uint8_t> Data;
};

class TBufferDeflateIO : public TDeflateIO {
 public:
  TBufferDeflateIO(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) : FIn(in), FOut(out) {}
  size_t ReadInput(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FIn.size() - FInPos);
    std::memcpy(buf, FIn.data() + FInPos, n);
    FInPos += n;
    return n;
  }
  void WriteOutput(const uint8_t* buf, size_t count) override {
    if (count > FOut.size() - FOutPos) FOut.resize(std::max(FOut.size() * 2, FOutPos + count));
    std::memcpy(FOut.data() + FOutPos, buf, count);
    FOutPos += count;
  }
  size_t Written() const { return FOutPos; }

 private:
  const std::vector<uint8_t>& FIn;
  std::vector<uint8_t>& FOut;
  size_t FInPos = 0, FOutPos = 0;
};

class TCheckIO : public TCodecIO {
 public:
  TCheckIO(const uint8_t* in, size_t size, const std::vector<uint8_t>& want) : FIn(in), FSize(size), FWant(want) {}
  size_t ReadPacked(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FSize - FPos);
    std::memcpy(buf, FIn + FPos, n);
    FPos += n;
    return n;
  }
  void WriteUnpacked(const uint8_t* buf, size_t count) override {
    if (count > FWant.size() - FOutPos || std::memcmp(buf, FWant.data() + FOutPos, count) != 0) Bad = true;
    FOutPos += count;
  }
  bool Ok() const { return !Bad && FOutPos == FWant.size(); }

 private:
  const uint8_t* FIn;
  size_t FSize, FPos = 0;
  const std::vector<uint8_t>& FWant;
  size_t FOutPos = 0;
  bool Bad = false;
};

// Size of gzip's Deflate body: with -n the member has 10 header and 8
// trailer bytes.
long GzipBody(const fs::path& file, int level) {
#ifdef _WIN32
  (void)file;
  (void)level;
  return -1;
#else
  const std::string cmd = "gzip -n -" + std::to_string(level) + " -c '" + file.string() + "' | wc -c";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  long n = -1;
  if (std::fscanf(p, "%ld", &n) != 1) n = -1;
  pclose(p);
  return n >= 18 ? n - 18 : -1;
#endif
}

// Word tables and record-like binary that the real files lack.
std::vector<uint8_t> Generated(size_t size) {
  std::mt19937 rng(7);
  std::vector<uint8_t> out;
  out.reserve(size);
  while (out.size() < size) {
    uint32_t v = rng();
    const unsigned step = 1 + rng() % 300;
    for (unsigned i = 0; i < 4000; ++i) {
      v += rng() % step;
      for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
      if (rng() % 8 == 0)
        for (int k = 0; k < 12; ++k) out.push_back(uint8_t(k < 4 ? rng() : 0));
    }
  }
  out.resize(size);
  return out;
}

struct TRow {
  size_t Bytes = 0, Ours = 0;
  long Gzip = 0;
  size_t Zlib = 0;
  double OurSec = 0, Our32Sec = 0, ZlibSec = 0;
};

TRow Measure(const TSample& s, int level, int rounds) {
  TRow row;
  row.Bytes = s.Data.size();
  std::vector<uint8_t> out(s.Data.size() + s.Data.size() / 8 + 1024);
  size_t written = 0;
  auto ours = [&](bool narrow) {
    TBufferDeflateIO io(s.Data, out);
    if (narrow)
      deflate_detail::DeflateWith<uint32_t>(io, level, false);
    else
      deflate_detail::DeflateWith<uint64_t>(io, level, false);
    written = io.Written();
  };
  auto verify = [&](const char* who) {
    TCheckIO check(out.data(), written, s.Data);
    try {
      Inflate(check, written);
    } catch (const ECodecError&) {
    }
    bool ok = check.Ok();
#ifdef MORV_HAVE_ZLIB
    std::vector<uint8_t> back(s.Data.size() + 1);
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = out.data();
    z.avail_in = uInt(written);
    z.next_out = back.data();
    z.avail_out = uInt(back.size());
    ok = ok && inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == s.Data.size() &&
         std::memcmp(back.data(), s.Data.data(), s.Data.size()) == 0;
    inflateEnd(&z);
#endif
    if (!ok) {
      std::printf("%s level %d output for %s does not inflate back\n", who, level, s.Name.c_str());
      std::exit(1);
    }
  };
  row.OurSec = BestSeconds(rounds, [&] { ours(false); });
  verify("ours");
  row.Ours = written;
  row.Our32Sec = BestSeconds(rounds, [&] { ours(true); });
  verify("ours32");
  if (written != row.Ours) {
    std::printf("the two bit-buffer widths disagree on %s\n", s.Name.c_str());
    std::exit(1);
  }
#ifdef MORV_HAVE_ZLIB
  std::vector<uint8_t> zout(compressBound(uLong(s.Data.size())) + 64);
  row.ZlibSec = BestSeconds(rounds, [&] {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<uint8_t*>(s.Data.data());
    z.avail_in = uInt(s.Data.size());
    z.next_out = zout.data();
    z.avail_out = uInt(zout.size());
    deflate(&z, Z_FINISH);
    row.Zlib = z.total_out;
    deflateEnd(&z);
  });
#endif
  row.Gzip = GzipBody(s.Path, level);
  return row;
}

void PrintHeader() {
  std::printf("%-5s %-14s %10s %10s %10s %10s %7s %7s %9s %9s %9s %6s\n", "level", "file", "bytes", "ours", "gzip",
              "zlib", "/gzip", "/zlib", "ours MB/s", "o32 MB/s", "zlib MB/s", "speed");
}

void PrintRow(int level, const std::string& name, const TRow& r) {
  const double mb = r.Bytes / 1e6;
  char gz[24] = "-", gzRatio[24] = "-";
  if (r.Gzip >= 0) {
    std::snprintf(gz, sizeof gz, "%ld", r.Gzip);
    std::snprintf(gzRatio, sizeof gzRatio, "%.4f", r.Gzip ? double(r.Ours) / r.Gzip : 0.0);
  }
  std::printf("%-5d %-14s %10zu %10zu %10s %10zu %7s %7.4f %9.1f %9.1f %9.1f %5.2fx\n", level, name.c_str(), r.Bytes,
              r.Ours, gz, r.Zlib, gzRatio, r.Zlib ? double(r.Ours) / r.Zlib : 0.0, mb / r.OurSec, mb / r.Our32Sec,
              r.ZlibSec > 0 ? mb / r.ZlibSec : 0.0, r.ZlibSec > 0 ? r.ZlibSec / r.OurSec : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path work = argc > 2 ? fs::path(argv[2]) : fs::path(MORV_BENCH_DIR) / "deflate";
  const fs::path mixExtra = work / "mix-extra.bin";
  std::vector<fs::path> corpusDirs = {work / "cantrbry", work / "calgary"};
  if (argc <= 2) {
    fs::create_directories(work);
    for (const char* corpus : {"cantrbry", "calgary"}) {
      const fs::path dir = work / corpus;
      fs::remove_all(dir);
      fs::create_directories(dir);
      const std::string cmd = "tar xzf '" +
                              (fs::path(MORV_SHARED_DIR) / "corpus" / (std::string(corpus) + ".tar.gz")).string() +
                              "' -C '" + dir.string() + "'";
      if (std::system(cmd.c_str()) != 0) {
        std::printf("cannot unpack %s\n", corpus);
        return 1;
      }
    }
    // Headers (source text), documentation (much of it already gzipped) and
    // programs, cut to fixed sizes so that runs compare.
    const std::string cmd = "{ tar cf - /usr/include 2>/dev/null | head -c 16000000; "
                            "tar cf - /usr/share/doc 2>/dev/null | head -c 8000000; "
                            "tar cf - /usr/bin 2>/dev/null | head -c 4000000; } > '" +
                            mixExtra.string() + "'";
    if (std::system(cmd.c_str()) != 0) std::printf("note: making %s failed\n", mixExtra.string().c_str());
  }

  std::vector<TSample> files;
  for (const fs::path& dir : corpusDirs) {
    std::vector<fs::path> paths;
    if (!fs::is_directory(dir)) continue;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_regular_file()) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& p : paths) files.push_back({p.filename().string(), p, ReadAll(p)});
  }
  if (files.empty()) {
    std::printf("no corpus files\n");
    return 1;
  }

  TSample mix{"mixed set", work / "mixed.bin", {}};
  for (const TSample& s : files) mix.Data.insert(mix.Data.end(), s.Data.begin(), s.Data.end());
  {
    const std::vector<uint8_t> extra = ReadAll(mixExtra);
    mix.Data.insert(mix.Data.end(), extra.begin(), extra.end());
  }
  const size_t target = size_t(40) << 20;
  if (mix.Data.size() < target) {
    const std::vector<uint8_t> gen = Generated(target - mix.Data.size());
    mix.Data.insert(mix.Data.end(), gen.begin(), gen.end());
  }
#ifndef _WIN32
  fs::create_directories(work);
  {
    std::ofstream f(mix.Path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(mix.Data.data()), std::streamsize(mix.Data.size()));
  }
#endif

  std::printf("deflate_bench: best of %d rounds; sizes are Deflate bodies; /gzip and /zlib are our size over\n"
              "theirs, speed is our MB/s over zlib's (raw, windowBits -15, memLevel 8, same level)\n\n",
              rounds);
  std::vector<std::pair<int, std::pair<TRow, TRow>>> summary;
  for (int level : {1, 2, 7, 9}) {
    PrintHeader();
    TRow total;
    for (const TSample& s : files) {
      const TRow r = Measure(s, level, rounds);
      PrintRow(level, s.Name, r);
      total.Bytes += r.Bytes;
      total.Ours += r.Ours;
      total.Zlib += r.Zlib;
      total.Gzip = total.Gzip < 0 || r.Gzip < 0 ? -1 : total.Gzip + r.Gzip;
      total.OurSec += r.OurSec;
      total.Our32Sec += r.Our32Sec;
      total.ZlibSec += r.ZlibSec;
    }
    PrintRow(level, "corpus files", total);
    const TRow m = Measure(mix, level, std::max(1, rounds / 2));
    PrintRow(level, mix.Name, m);
    std::printf("\n");
    summary.push_back({level, {total, m}});
  }
  std::printf("summary (mixed set %zu bytes)\n", mix.Data.size());
  PrintHeader();
  for (const auto& [level, rows] : summary) {
    PrintRow(level, "corpus files", rows.first);
    PrintRow(level, mix.Name, rows.second);
  }
  return 0;
}
