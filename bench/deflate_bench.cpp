// Deflate compression at the library's levels 1, 2, 7 and 9 on every file of
// the Canterbury and Calgary corpora and on a mixed set of more than 32 MB
// (the corpora, system headers, documentation, programs and generated
// tables), beside gzip's sizes and zlib's speed measured in the same run.
// Every side's output is inflated back after every round; a difference
// exits with 1. Usage: deflate_bench [rounds [work-folder]]
// Without a work folder the corpora are unpacked and the mix file is made
// with tar in a fresh one; give the folder of an earlier run where no tar
// or gzip runs, as under Wine.
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
#ifdef MORV_HAVE_LIBDEFLATE
#include <libdeflate.h>
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

// True when the raw Deflate stream inflates back to want, through zlib (or,
// without zlib, our own decoder).
bool InflatesBack(const uint8_t* in, size_t size, const std::vector<uint8_t>& want) {
  std::vector<uint8_t> back(want.size() + 1);
#ifdef MORV_HAVE_ZLIB
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<uint8_t*>(in);
  z.avail_in = uInt(size);
  z.next_out = back.data();
  z.avail_out = uInt(back.size());
  const bool ended = inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == want.size();
  inflateEnd(&z);
  return ended && std::memcmp(back.data(), want.data(), want.size()) == 0;
#else
  class TIO : public TCodecIO {
   public:
    TIO(const uint8_t* p, size_t n, std::vector<uint8_t>& o) : P(p), N(n), O(o) {}
    size_t ReadPacked(uint8_t* buf, size_t count) override {
      const size_t k = std::min(count, N - At);
      std::memcpy(buf, P + At, k);
      At += k;
      return k;
    }
    void WriteUnpacked(const uint8_t* buf, size_t count) override {
      if (count > O.size() - Out) throw ECodecError(kErrBadBlock);
      std::memcpy(O.data() + Out, buf, count);
      Out += count;
    }
    const uint8_t* P;
    size_t N, At = 0;
    std::vector<uint8_t>& O;
    size_t Out = 0;
  } io(in, size, back);
  try {
    Inflate(io, size);
  } catch (const ECodecError&) {
    return false;
  }
  return io.Out == want.size() && std::memcmp(back.data(), want.data(), want.size()) == 0;
#endif
}

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
  size_t Zlib = 0, Libdeflate = 0;
  double OurSec = 0, Our32Sec = 0, ZlibSec = 0, LibdeflateSec = 0;
};

// The sides take turns, each output is inflated back after every run.
TRow Measure(const TSample& s, int level, int rounds) {
  TRow row;
  row.Bytes = s.Data.size();
  const size_t room = s.Data.size() + s.Data.size() / 8 + 1024;
  std::vector<uint8_t> out(room), out32(room);
  size_t written = 0, written32 = 0;
  static TDeflateEncoder encoder;
  std::vector<TBenchSide> sides;
  sides.push_back({"ours",
                   [&] {
                     TBufferDeflateIO io(s.Data, out);
                     encoder.EncodeWith<uint64_t>(io, level, false);
                     written = io.Written();
                   },
                   [&] { return InflatesBack(out.data(), written, s.Data); }});
  sides.push_back({"ours32",
                   [&] {
                     TBufferDeflateIO io(s.Data, out32);
                     encoder.EncodeWith<uint32_t>(io, level, false);
                     written32 = io.Written();
                   },
                   [&] {
                     return InflatesBack(out32.data(), written32, s.Data) && written32 == written &&
                            std::memcmp(out.data(), out32.data(), written) == 0;
                   }});
#ifdef MORV_HAVE_ZLIB
  std::vector<uint8_t> zout(compressBound(uLong(s.Data.size())) + 64);
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  bool zEnded = false;
  sides.push_back({"zlib",
                   [&] {
                     deflateReset(&z);
                     z.next_in = const_cast<uint8_t*>(s.Data.data());
                     z.avail_in = uInt(s.Data.size());
                     z.next_out = zout.data();
                     z.avail_out = uInt(zout.size());
                     zEnded = deflate(&z, Z_FINISH) == Z_STREAM_END;
                     row.Zlib = z.total_out;
                   },
                   [&] { return zEnded && InflatesBack(zout.data(), row.Zlib, s.Data); }});
#endif
#ifdef MORV_HAVE_LIBDEFLATE
  std::vector<uint8_t> lout(room + 4096);
  libdeflate_compressor* lc = libdeflate_alloc_compressor(level);
  sides.push_back({"libdeflate",
                   [&] { row.Libdeflate = libdeflate_deflate_compress(lc, s.Data.data(), s.Data.size(), lout.data(), lout.size()); },
                   [&] { return row.Libdeflate > 0 && InflatesBack(lout.data(), row.Libdeflate, s.Data); }});
#endif
  const std::vector<double> sec = MedianSeconds(sides, rounds, s.Name + " at level " + std::to_string(level));
  row.OurSec = sec[0];
  row.Our32Sec = sec[1];
  row.Ours = written;
#ifdef MORV_HAVE_ZLIB
  row.ZlibSec = sec[2];
  deflateEnd(&z);
#endif
#ifdef MORV_HAVE_LIBDEFLATE
  row.LibdeflateSec = sec.back();
  libdeflate_free_compressor(lc);
#endif
  row.Gzip = GzipBody(s.Path, level);
  return row;
}

void PrintHeader() {
  std::printf("%-5s %-14s %10s %10s %10s %10s %10s %7s %7s %9s %9s %9s %9s %6s %6s\n", "level", "file", "bytes", "ours",
              "gzip", "zlib", "libdefl", "/gzip", "/zlib", "ours MB/s", "o32 MB/s", "zlib MB/s", "ldef MB/s", "/zlib",
              "/ldef");
}

void PrintRow(int level, const std::string& name, const TRow& r) {
  const double mb = r.Bytes / 1e6;
  char gz[24] = "-", gzRatio[24] = "-";
  if (r.Gzip >= 0) {
    std::snprintf(gz, sizeof gz, "%ld", r.Gzip);
    std::snprintf(gzRatio, sizeof gzRatio, "%.4f", r.Gzip ? double(r.Ours) / r.Gzip : 0.0);
  }
  auto rate = [&](double sec) { return sec > 0 ? mb / sec : 0.0; };
  std::printf("%-5d %-14s %10zu %10zu %10s %10zu %10zu %7s %7.4f %9.1f %9.1f %9.1f %9.1f %5.2fx %5.2fx\n", level,
              name.c_str(), r.Bytes, r.Ours, gz, r.Zlib, r.Libdeflate, gzRatio, r.Zlib ? double(r.Ours) / r.Zlib : 0.0,
              rate(r.OurSec), rate(r.Our32Sec), rate(r.ZlibSec), rate(r.LibdeflateSec),
              r.ZlibSec > 0 ? r.ZlibSec / r.OurSec : 0.0, r.LibdeflateSec > 0 ? r.LibdeflateSec / r.OurSec : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path work = MakeWorkDir("morv_deflate_bench", argc > 2 ? argv[2] : nullptr);
  const fs::path mixExtra = work / "mix-extra.bin";
  std::vector<fs::path> corpusDirs = {work / "cantrbry", work / "calgary"};
  if (!fs::exists(mixExtra)) {
    for (const char* corpus : {"cantrbry", "calgary"}) {
      const fs::path dir = work / corpus;
      fs::create_directories(dir);
      const std::string cmd = "tar xzf '" +
                              (fs::path(MORV_SHARED_DIR) / "corpus" / (std::string(corpus) + ".tar.gz")).string() +
                              "' -C '" + dir.string() + "'";
      RunProcess(cmd);
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

  std::printf("deflate_bench in %s: median of %d rounds after a warm-up, sides in turns, every output\n"
              "inflated back each round; sizes are Deflate bodies; /gzip and /zlib (sizes) are ours over theirs,\n"
              "/zlib and /ldef (speed) our MB/s over theirs (zlib raw, windowBits -15, memLevel 8, same level)\n\n",
              work.string().c_str(), rounds);
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
      total.Libdeflate += r.Libdeflate;
      total.LibdeflateSec += r.LibdeflateSec;
    }
    PrintRow(level, "corpus files", total);
    const TRow m = Measure(mix, level, rounds);
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
