// ARJ extraction speed on the Canterbury and Calgary corpora, each packed by
// arj with method 1 (and 4), beside "arj x" and "7zz x" on the same archive in
// the same run. Every side extracts the whole archive into a fresh folder,
// timed from start to end as one call (the peers as processes); sides
// alternate round by round after a warm-up, each round's output is compared
// with the corpus, and the medians are printed. Usage: arj_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/formats/arj/unarj.h"
#include "bench/bench_util.h"

namespace fs = std::filesystem;

namespace {

bool Have(const std::string& Tool) { return std::system(("command -v " + Tool + " >/dev/null 2>&1").c_str()) == 0; }

double Seconds(const std::function<void()>& Run) {
  const auto T0 = std::chrono::steady_clock::now();
  Run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V.empty() ? 0 : V[V.size() / 2];
}

struct TSide {
  std::string Name;
  std::function<void(const fs::path& Out)> Extract;
  std::vector<double> Times{};
};

}  // namespace

int main(int argc, char** argv) {
  const int Rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const fs::path Work = fs::path(MORV_BENCH_DIR) / "arj";
  if (!Have("arj")) {
    std::printf("arj_bench needs arj to pack the corpora\n");
    return 0;
  }
  const bool With7z = Have("7zz");
  std::printf("%-9s %6s %9s %8s %11s %11s %11s\n", "corpus", "method", "bytes", "ratio", "ours MB/s", "arj MB/s",
              "7zz MB/s");
  for (const char* Corpus : {"cantrbry", "calgary"}) {
    const fs::path Src = Work / Corpus;
    fs::remove_all(Src);
    fs::create_directories(Src);
    const std::string Unpack = "tar xzf '" + (fs::path(MORV_SHARED_DIR) / "corpus" / (std::string(Corpus) + ".tar.gz")).string() +
                               "' -C '" + Src.string() + "'";
    if (std::system(Unpack.c_str()) != 0) {
      std::printf("cannot unpack %s\n", Corpus);
      return 1;
    }
    std::vector<fs::path> Files;
    size_t Total = 0;
    for (const auto& E : fs::recursive_directory_iterator(Src))
      if (E.is_regular_file()) {
        Files.push_back(fs::relative(E.path(), Src));
        Total += size_t(E.file_size());
      }
    std::sort(Files.begin(), Files.end());

    for (const char* Method : {"1", "4"}) {
      const fs::path Arc = Work / (std::string(Corpus) + "-m" + Method + ".arj");
      fs::remove(Arc);
      std::string Pack = "cd '" + Src.string() + "' && arj a -y -m" + Method + " '" + Arc.string() + "'";
      for (const fs::path& F : Files) Pack += " '" + F.string() + "'";
      if (std::system((Pack + " >/dev/null").c_str()) != 0) {
        std::printf("arj could not pack %s\n", Corpus);
        return 1;
      }
      std::vector<TSide> Sides;
      Sides.push_back({"ours", [&](const fs::path& Out) {
                         TUnARJ U(nullptr);
                         U.SetArchiveFile(Arc.string());
                         U.SetExtractDir(Out.string());
                         U.FileSpec()->Add("*.*");
                         if (U.Extract() != int(Files.size())) {
                           std::printf("ours failed on %s\n", Arc.string().c_str());
                           std::exit(1);
                         }
                       }});
      Sides.push_back({"arj", [&](const fs::path& Out) {
                         const std::string C = "cd '" + Out.string() + "' && arj x -y '" + Arc.string() + "' >/dev/null";
                         if (std::system(C.c_str()) != 0) std::exit(1);
                       }});
      if (With7z)
        Sides.push_back({"7zz", [&](const fs::path& Out) {
                           const std::string C = "7zz x -y -o'" + Out.string() + "' '" + Arc.string() + "' >/dev/null";
                           if (std::system(C.c_str()) != 0) std::exit(1);
                         }});
      for (int Round = -1; Round < Rounds; ++Round) {
        for (size_t k = 0; k < Sides.size(); ++k) {
          // Alternate which side goes first.
          TSide& S = Sides[(k + size_t(Round + 1)) % Sides.size()];
          const fs::path Out = Work / ("out-" + S.Name);
          fs::remove_all(Out);
          fs::create_directories(Out);
          const double T = Seconds([&] { S.Extract(Out); });
          for (const fs::path& F : Files)
            if (ReadAll(Out / F) != ReadAll(Src / F)) {
              std::printf("%s extracted %s wrongly\n", S.Name.c_str(), F.string().c_str());
              return 1;
            }
          if (Round >= 0) S.Times.push_back(T);
        }
      }
      double Mbps[3] = {};
      for (size_t k = 0; k < Sides.size(); ++k) Mbps[k] = Total / 1e6 / Median(Sides[k].Times);
      std::printf("%-9s %6s %9zu %7.2f%% %11.1f %11.1f %11.1f\n", Corpus, Method, Total,
                  100.0 * double(fs::file_size(Arc)) / double(Total), Mbps[0], Mbps[1], Mbps[2]);
    }
  }
  return 0;
}
