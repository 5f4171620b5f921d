// Inflate speed on the Canterbury and Calgary corpora, each file compressed
// by zlib at levels 6 and 9, beside zlib's and libdeflate's decoders in the
// same run. Each file is a separate stream through one kept decoder per
// side, as an extractor decodes entries. Every side's output, return code
// and length are checked after every round; any difference exits with 1.
// A small file gets more rounds (see kRowBytes).
// Usage: inflate_bench [rounds [work-folder]]
// The corpora are unpacked with tar into the work folder (a fresh one when
// none is given); under Wine give the folder of a native run, where they lie.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/codecs/codec_error.h"
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

// A file smaller than this gets rounds times as many rounds as fit, up to
// 64 times: one decode of a few KB lasts microseconds, and a median of few
// such runs is at the mercy of the scheduler on a busy machine. The rounds
// stay single decodes, the sides taking turns, rather than repeating one
// file back to back, which would let the branch predictor learn the file.
constexpr size_t kRowBytes = 256 << 10;

struct TSample {
  std::string Name;
  std::vector<uint8_t> Data;
  std::vector<uint8_t> Packed;
};

// Decodes from memory into a preallocated buffer, as the other decoders do.
class TBufferIO : public TCodecIO {
 public:
  TBufferIO(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) : FIn(in), FOut(out) {}
  size_t ReadPacked(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FIn.size() - FInPos);
    std::memcpy(buf, FIn.data() + FInPos, n);
    FInPos += n;
    return n;
  }
  void WriteUnpacked(const uint8_t* buf, size_t count) override {
    if (count > FOut.size() - FOutPos) throw ECodecError(kErrBadBlock);
    std::memcpy(FOut.data() + FOutPos, buf, count);
    FOutPos += count;
  }
  size_t Written() const { return FOutPos; }

 private:
  const std::vector<uint8_t>& FIn;
  std::vector<uint8_t>& FOut;
  size_t FInPos = 0, FOutPos = 0;
};

}  // namespace

int main(int argc, char** argv) {
#ifndef MORV_HAVE_ZLIB
  (void)argc;
  (void)argv;
  std::printf("inflate_bench needs zlib to compress the corpora\n");
  return 0;
#else
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const fs::path work = MakeWorkDir("morv_inflate_bench", argc > 2 ? argv[2] : nullptr);
  const char* corpora[] = {"cantrbry", "calgary"};
  std::printf("work folder %s, %d rounds, median MB/s of unpacked bytes\n", work.string().c_str(), rounds);

  std::printf("%-9s %-9s %5s %9s %7s %9s %9s %9s %9s %8s %8s\n", "corpus", "file", "level", "bytes", "ratio",
              "ours", "ours32", "zlib", "libdefl", "/zlib", "/libdefl");
  bool allAbove = true;
  double worstWine = 1e9;
  for (const char* corpus : corpora) {
    const fs::path dir = work / corpus;
    if (!fs::exists(dir)) {
      fs::create_directories(dir);
      const std::string cmd = "tar xzf '" +
                              (fs::path(MORV_SHARED_DIR) / "corpus" / (std::string(corpus) + ".tar.gz")).string() +
                              "' -C '" + dir.string() + "'";
      RunProcess(cmd);
    }
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) BenchFail(std::string("no files in ") + dir.string());

    for (int level : {6, 9}) {
      std::vector<TSample> samples;
      size_t total = 0, packedTotal = 0;
      for (const fs::path& p : files) {
        TSample s;
        s.Name = p.filename().string();
        s.Data = ReadAll(p);
        z_stream z{};
        deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        s.Packed.resize(deflateBound(&z, uLong(s.Data.size())));
        z.next_in = s.Data.data();
        z.avail_in = uInt(s.Data.size());
        z.next_out = s.Packed.data();
        z.avail_out = uInt(s.Packed.size());
        deflate(&z, Z_FINISH);
        s.Packed.resize(z.total_out);
        deflateEnd(&z);
        total += s.Data.size();
        packedTotal += s.Packed.size();
        samples.push_back(std::move(s));
      }
      // One more byte of room than the data, so a decoder that writes too
      // much is seen; cleared after each check, so stale output never passes.
      std::vector<std::vector<uint8_t>> outs;
      for (const TSample& s : samples) outs.emplace_back(s.Data.size() + 1, 0);
      std::vector<size_t> lengths(samples.size());
      bool codesOk = true;
      auto check = [&](size_t i) {
        const bool ok = codesOk && lengths[i] == samples[i].Data.size() &&
                        std::memcmp(outs[i].data(), samples[i].Data.data(), samples[i].Data.size()) == 0 &&
                        outs[i].back() == 0;
        std::fill(outs[i].begin(), outs[i].end(), 0);
        return ok;
      };
      auto checkAll = [&](size_t from, size_t to) {
        bool ok = true;
        for (size_t i = from; i < to; ++i) ok = check(i) && ok;
        codesOk = true;
        return ok;
      };

      TInflateDecoder ours;
      z_stream zs{};
      inflateInit2(&zs, -15);
#ifdef MORV_HAVE_LIBDEFLATE
      libdeflate_decompressor* ld = libdeflate_alloc_decompressor();
#endif
      // Per file and for the whole corpus.
      auto sidesFor = [&](size_t from, size_t to) {
        auto runOurs = [&, from, to](bool narrow) {
          for (size_t i = from; i < to; ++i) {
            TBufferIO io(samples[i].Packed, outs[i]);
            try {
              if (narrow)
                ours.DecodeWith<uint32_t>(io, samples[i].Packed.size());
              else
                ours.DecodeWith<uint64_t>(io, samples[i].Packed.size());
            } catch (const ECodecError&) {
              codesOk = false;
            }
            lengths[i] = io.Written();
          }
        };
        std::vector<TBenchSide> sides;
        sides.push_back({"ours", [=] { runOurs(false); }, [&, from, to] { return checkAll(from, to); }});
        sides.push_back({"ours32", [=] { runOurs(true); }, [&, from, to] { return checkAll(from, to); }});
        sides.push_back({"zlib",
                         [&, from, to] {
                           for (size_t i = from; i < to; ++i) {
                             inflateReset(&zs);
                             zs.next_in = samples[i].Packed.data();
                             zs.avail_in = uInt(samples[i].Packed.size());
                             zs.next_out = outs[i].data();
                             zs.avail_out = uInt(outs[i].size());
                             if (inflate(&zs, Z_FINISH) != Z_STREAM_END) codesOk = false;
                             lengths[i] = zs.total_out;
                           }
                         },
                         [&, from, to] { return checkAll(from, to); }});
#ifdef MORV_HAVE_LIBDEFLATE
        sides.push_back({"libdeflate",
                         [&, from, to] {
                           for (size_t i = from; i < to; ++i) {
                             size_t got = 0;
                             if (libdeflate_deflate_decompress(ld, samples[i].Packed.data(), samples[i].Packed.size(),
                                                               outs[i].data(), outs[i].size(),
                                                               &got) != LIBDEFLATE_SUCCESS)
                               codesOk = false;
                             lengths[i] = got;
                           }
                         },
                         [&, from, to] { return checkAll(from, to); }});
#endif
        return sides;
      };
      auto row = [&](const std::string& name, size_t from, size_t to) {
        size_t bytes = 0, packed = 0;
        for (size_t i = from; i < to; ++i) {
          bytes += samples[i].Data.size();
          packed += samples[i].Packed.size();
        }
        const int rowRounds = rounds * int(std::clamp<size_t>(kRowBytes / bytes, 1, 64));
        const std::vector<double> sec = MedianSeconds(sidesFor(from, to), rowRounds, name);
        double mbps[4] = {};
        for (size_t k = 0; k < sec.size(); ++k) mbps[k] = sec[k] > 0 ? bytes / 1e6 / sec[k] : 0;
        const double vsZlib = mbps[2] > 0 ? mbps[0] / mbps[2] : 0, vsLd = mbps[3] > 0 ? mbps[0] / mbps[3] : 0;
        std::printf("%-9s %-9s %5d %9zu %6.2f%% %9.1f %9.1f %9.1f %9.1f %7.2fx %7.2fx\n", corpus, name.c_str(), level,
                    bytes, 100.0 * packed / bytes, mbps[0], mbps[1], mbps[2], mbps[3], vsZlib, vsLd);
        return vsZlib;
      };
      for (size_t i = 0; i < samples.size(); ++i) worstWine = std::min(worstWine, row(samples[i].Name, i, i + 1));
      if (row("(all)", 0, samples.size()) < 2.0) allAbove = false;
      (void)packedTotal;
#ifdef MORV_HAVE_LIBDEFLATE
      libdeflate_free_decompressor(ld);
#endif
      inflateEnd(&zs);
    }
  }
  std::printf("whole corpora at or above 2.0x zlib: %s; slowest single file %.2fx zlib\n", allAbove ? "yes" : "no",
              worstWine);
  return 0;
#endif
}
