// Inflate speed on the Canterbury and Calgary corpora, each file compressed
// by zlib at levels 6 and 9, beside zlib's and libdeflate's decoders measured
// in the same run. Usage: inflate_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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
  const fs::path work = fs::path(MORV_BENCH_DIR) / "corpus";
  const char* corpora[] = {"cantrbry", "calgary"};

  std::printf("%-9s %5s %9s %8s %11s %11s %11s %11s\n", "corpus", "level", "bytes", "ratio", "ours MB/s",
              "ours32 MB/s", "zlib MB/s", "libdefl MB/s");
  double sums[4] = {};
  size_t rows = 0;
  for (const char* corpus : corpora) {
    const fs::path dir = work / corpus;
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string cmd = "tar xzf '" + (fs::path(MORV_SHARED_DIR) / "corpus" / (std::string(corpus) + ".tar.gz")).string() +
                            "' -C '" + dir.string() + "'";
    if (std::system(cmd.c_str()) != 0) {
      std::printf("cannot unpack %s\n", corpus);
      return 1;
    }
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());

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
      std::vector<std::vector<uint8_t>> outs;
      for (const TSample& s : samples) outs.emplace_back(s.Data.size() + 1);
      auto check = [&](const char* who) {
        for (size_t i = 0; i < samples.size(); ++i)
          if (std::memcmp(outs[i].data(), samples[i].Data.data(), samples[i].Data.size()) != 0) {
            std::printf("%s decoded %s wrongly\n", who, samples[i].Name.c_str());
            std::exit(1);
          }
      };

      double mbps[4] = {};
      auto ours = [&](bool narrow) {
        for (size_t i = 0; i < samples.size(); ++i) {
          TBufferIO io(samples[i].Packed, outs[i]);
          if (narrow)
            inflate_detail::InflateWith<uint32_t>(io, samples[i].Packed.size());
          else
            inflate_detail::InflateWith<uint64_t>(io, samples[i].Packed.size());
        }
      };
      mbps[0] = total / 1e6 / BestSeconds(rounds, [&] { ours(false); });
      check("ours");
      mbps[1] = total / 1e6 / BestSeconds(rounds, [&] { ours(true); });
      check("ours32");
      mbps[2] = total / 1e6 / BestSeconds(rounds, [&] {
        for (size_t i = 0; i < samples.size(); ++i) {
          z_stream z{};
          inflateInit2(&z, -15);
          z.next_in = samples[i].Packed.data();
          z.avail_in = uInt(samples[i].Packed.size());
          z.next_out = outs[i].data();
          z.avail_out = uInt(outs[i].size());
          inflate(&z, Z_FINISH);
          inflateEnd(&z);
        }
      });
      check("zlib");
#ifdef MORV_HAVE_LIBDEFLATE
      libdeflate_decompressor* d = libdeflate_alloc_decompressor();
      mbps[3] = total / 1e6 / BestSeconds(rounds, [&] {
        for (size_t i = 0; i < samples.size(); ++i) {
          size_t got = 0;
          libdeflate_deflate_decompress(d, samples[i].Packed.data(), samples[i].Packed.size(), outs[i].data(),
                                        outs[i].size(), &got);
        }
      });
      libdeflate_free_decompressor(d);
      check("libdeflate");
#endif
      std::printf("%-9s %5d %9zu %7.2f%% %11.1f %11.1f %11.1f %11.1f\n", corpus, level, total,
                  100.0 * packedTotal / total, mbps[0], mbps[1], mbps[2], mbps[3]);
      for (int k = 0; k < 4; ++k) sums[k] += mbps[k];
      ++rows;
    }
  }
  std::printf("%-9s %5s %9s %8s %11.1f %11.1f %11.1f %11.1f\n", "mean", "", "", "", sums[0] / rows, sums[1] / rows,
              sums[2] / rows, sums[3] / rows);
  return 0;
#endif
}
