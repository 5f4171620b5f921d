// LHA on the Canterbury and Calgary corpora: -lh5- and -lh6- archives made
// by jlha, tested by TUnLHA, lhasa and 7-Zip; and -lh5- packing by TLha
// beside jlha, with the archive sizes. Every side runs as a process of its
// own (ours through this program's "test" and "pack" modes), each round
// alternating the sides after a warm-up; each round's result is checked
// (all CRCs sound, or the new archive passing lhasa). Medians are shown.
// Usage: lzh_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/formats/lha/lhawriter.h"
#include "archive/formats/lha/unlha.h"
#include "framework/core/classes.h"

namespace fs = std::filesystem;

namespace {

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

int Run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

// Seconds of one run of cmd; a failed run ends the benchmark.
double TimeRun(const std::string& cmd) {
  const auto t0 = std::chrono::steady_clock::now();
  const int rc = Run(cmd);
  const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
  if (rc != 0) {
    std::printf("failed: %s\n", cmd.c_str());
    std::exit(1);
  }
  return d.count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool Have(const char* prog) { return Run(std::string("command -v ") + prog) == 0; }

// This program's own modes, run as the peers are run.
int TestMode(const char* arc, int expect) {
  TUnLHA u(nullptr);
  u.SetArchiveFile(arc);
  u.FileSpec()->Add("*.*");
  return u.TestArchive() == expect ? 0 : 1;
}

int PackMode(const char* arc, const char* dir) {
  TLha w(nullptr);
  w.SetArchiveFile(arc);
  w.SetDefaultDir(dir);
  w.RecurseDirs = true;
  w.FileSpec()->Add(std::string(dir) + "/*.*");
  return w.Compress() > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "test") return TestMode(argv[2], std::atoi(argv[3]));
  if (argc == 4 && std::string(argv[1]) == "pack") return PackMode(argv[2], argv[3]);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (!Have("jlha") || !Have("lhasa")) {
    std::printf("lzh_bench needs jlha and lhasa\n");
    return 0;
  }
  const bool have7z = Have("7zz");
  const std::string self = Q(fs::absolute(argv[0]));
  const fs::path work = fs::path(MORV_BENCH_DIR) / "lzh";
  fs::remove_all(work);
  const fs::path files = work / "files";
  fs::create_directories(files);
  for (const char* corpus : {"cantrbry", "calgary"}) {
    const fs::path tgz = fs::path(MORV_SHARED_DIR) / "corpus" / (std::string(corpus) + ".tar.gz");
    if (Run("tar xzf " + Q(tgz) + " -C " + Q(files)) != 0) {
      std::printf("cannot unpack %s\n", corpus);
      return 1;
    }
  }
  std::vector<std::string> names;
  uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(files))
    if (e.is_regular_file()) {
      names.push_back(fs::relative(e.path(), files).string());
      total += e.file_size();
    }
  std::sort(names.begin(), names.end());
  std::string list;
  for (const std::string& n : names) list += " " + Q(n);
  const std::string count = std::to_string(names.size());

  std::printf("%zu files, %ju bytes; medians of %d rounds\n", names.size(), total, rounds);
  std::printf("%-8s %10s %10s %10s   (MB/s of unpacked data)\n", "decode", "ours", "lhasa", "7zz");
  for (const char* method : {"5", "6"}) {
    const fs::path arc = work / ("lh" + std::string(method) + ".lzh");
    if (Run("cd " + Q(files) + " && jlha a2o" + method + "q " + Q(arc) + list) != 0) {
      std::printf("jlha failed\n");
      return 1;
    }
    const std::vector<std::string> cmds = {self + " test " + Q(arc) + " " + count, "lhasa tq " + Q(arc),
                                           have7z ? "7zz t " + Q(arc) : std::string()};
    std::vector<std::vector<double>> secs(cmds.size());
    for (int r = -1; r < rounds; ++r)
      for (size_t k = 0; k < cmds.size(); ++k) {
        const size_t i = (k + size_t(r + 1)) % cmds.size();
        if (cmds[i].empty()) continue;
        const double s = TimeRun(cmds[i]);
        if (r >= 0) secs[i].push_back(s);
      }
    std::printf("-lh%s-   ", method);
    for (const auto& s : secs) std::printf(" %10.1f", s.empty() ? 0.0 : total / 1e6 / Median(s));
    std::printf("\n");
  }

  const fs::path ours = work / "ours.lzh", theirs = work / "jlha.lzh";
  const std::string packOurs = self + " pack " + Q(ours) + " " + Q(files);
  const std::string packTheirs = "cd " + Q(files) + " && jlha a0o5q " + Q(theirs) + list;
  std::vector<double> secOurs, secTheirs;
  for (int r = -1; r < rounds; ++r) {
    for (int k = 0; k < 2; ++k) {
      const bool mine = (k + r + 1) % 2 == 0;
      fs::remove(mine ? ours : theirs);
      const double s = TimeRun(mine ? packOurs : packTheirs);
      if (Run("lhasa tq " + Q(mine ? ours : theirs)) != 0) {
        std::printf("%s archive fails lhasa\n", mine ? "our" : "jlha's");
        return 1;
      }
      if (r >= 0) (mine ? secOurs : secTheirs).push_back(s);
    }
  }
  const double sizeOurs = double(fs::file_size(ours)), sizeTheirs = double(fs::file_size(theirs));
  std::printf("%-8s %10s %10s\n", "encode", "ours", "jlha");
  std::printf("-lh5- MB/s %8.1f %10.1f\n", total / 1e6 / Median(secOurs), total / 1e6 / Median(secTheirs));
  std::printf("bytes    %10.0f %10.0f   (ours %+.2f%%)\n", sizeOurs, sizeTheirs, 100.0 * (sizeOurs / sizeTheirs - 1));
  return 0;
}
