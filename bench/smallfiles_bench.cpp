// Archives of many small files, the common case: 10,000 files of 1 to 16 KB
// (text and binary, made in the run) extracted from one Zip and added to
// one, by our own extractor and adder (morv_driver, natively and, given a
// Windows build, under Wine) beside unzip, zip -r and 7zz. Every side is
// timed as a whole process started the same way; rounds alternate the sides
// after a warm-up; every side's output is compared with the source files
// byte for byte after every run, and a difference exits with 1.
// Usage: smallfiles_bench [rounds [work-folder [windows-morv_driver.exe]]]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_util.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 10000;

struct TFile {
  std::string Name;
  std::vector<uint8_t> Data;
};

// Text from a small vocabulary (compresses well) and binary records with
// noise (compresses a little), 1 to 16 KB each, in 100 folders.
std::vector<TFile> MakeFiles() {
  std::mt19937 rng(14);
  static const char* const words[] = {"archive", "entry",  "window", "deflate", "quillon", "folder", "table",
                                      "header",  "record", "the",    "of",      "a",       "to",     "\n"};
  std::vector<TFile> files;
  for (int i = 0; i < kFiles; ++i) {
    const size_t size = 1024 + rng() % (15 * 1024 + 1);
    const bool text = i % 3 != 2;
    char name[64];
    std::snprintf(name, sizeof name, "d%02d/f%05d.%s", i % 100, i, text ? "txt" : "bin");
    TFile f{name, {}};
    f.Data.reserve(size + 16);
    if (text) {
      while (f.Data.size() < size) {
        const char* w = words[rng() % (sizeof words / sizeof *words)];
        f.Data.insert(f.Data.end(), w, w + std::char_traits<char>::length(w));
        f.Data.push_back(' ');
      }
    } else {
      uint32_t v = rng();
      while (f.Data.size() < size) {
        v += rng() % 64;
        for (int k = 0; k < 4; ++k) f.Data.push_back(uint8_t(v >> (8 * k)));
        if (rng() % 4 == 0) f.Data.push_back(uint8_t(rng()));
      }
    }
    f.Data.resize(size);
    files.push_back(std::move(f));
  }
  return files;
}

bool SameTree(const fs::path& dir, const std::vector<TFile>& files) {
  size_t found = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) ++found;
  if (found != files.size()) {
    std::fprintf(stderr, "%s holds %zu files, not %zu\n", dir.string().c_str(), found, files.size());
    return false;
  }
  for (const TFile& f : files)
    if (ReadAll(dir / f.Name) != f.Data) {
      std::fprintf(stderr, "%s differs\n", (dir / f.Name).string().c_str());
      return false;
    }
  return true;
}

bool Have(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// Z:\ form of a host path, for the Windows driver.
std::string WinePath(const fs::path& p) {
  std::string s = "Z:" + p.string();
  std::replace(s.begin(), s.end(), '/', '\\');
  return "'" + s + "'";
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path work = MakeWorkDir("morv_smallfiles_bench", argc > 2 ? argv[2] : nullptr);
  const std::string winDriver = argc > 3 ? fs::absolute(argv[3]).string() : "";
  const fs::path ours = fs::path(MORV_BENCH_DIR) / "morv_driver";
  const fs::path src = work / "src";
  const std::string wine = std::getenv("MORV_WINE") ? std::getenv("MORV_WINE") : "wine";

  const std::vector<TFile> files = MakeFiles();
  size_t bytes = 0;
  fs::remove_all(src);
  for (const TFile& f : files) {
    fs::create_directories((src / f.Name).parent_path());
    std::ofstream(src / f.Name, std::ios::binary).write(reinterpret_cast<const char*>(f.Data.data()),
                                                       std::streamsize(f.Data.size()));
    bytes += f.Data.size();
  }
  const fs::path setZip = work / "set.zip";
  fs::remove(setZip);
  RunProcess("cd " + Quote(src) + " && zip -q -r -6 " + Quote(setZip) + " .");
  std::printf("smallfiles_bench in %s: %d files, %.1f MB, the Zip %.1f MB; median of %d rounds after a warm-up,\n"
              "every side a whole process, its output compared with the files after every run\n\n",
              work.string().c_str(), kFiles, bytes / 1e6, double(fs::file_size(setZip)) / 1e6, rounds);

  // Output of a run is removed (untimed) after its check, so that every run
  // writes into an empty folder.
  auto extractSide = [&](const std::string& name, const std::string& cmd, const fs::path& out) {
    return TBenchSide{name, [=] { fs::remove_all(out); RunProcess(cmd); },
                      [=, &files] {
                        const bool ok = SameTree(out, files);
                        fs::remove_all(out);
                        return ok;
                      }};
  };
  auto addSide = [&](const std::string& name, const std::string& cmd, const fs::path& zip) {
    const fs::path check = work / ("check-" + name);
    return TBenchSide{name, [=] { fs::remove(zip); RunProcess(cmd); },
                      [=, &files] {
                        fs::remove_all(check);
                        RunProcess("unzip -qq -o " + Quote(zip) + " -d " + Quote(check));
                        const bool ok = SameTree(check, files);
                        fs::remove_all(check);
                        fs::remove(zip);
                        return ok;
                      }};
  };

  std::vector<TBenchSide> extract, add;
  const fs::path x = work / "x";
  extract.push_back(extractSide("ours", Quote(ours) + " extract " + Quote(setZip) + " " + Quote(x / "ours") + " >/dev/null", x / "ours"));
  add.push_back(addSide("ours", Quote(ours) + " add " + Quote(work / "ours.zip") + " " + Quote(src) + " >/dev/null",
                        work / "ours.zip"));
  if (!winDriver.empty()) {
    const std::string w = wine + " " + Quote(winDriver);
    extract.push_back(extractSide("ours-wine", w + " extract " + WinePath(setZip) + " " + WinePath(x / "wine") + " >/dev/null",
                                  x / "wine"));
    add.push_back(addSide("ours-wine", w + " add " + WinePath(work / "wine.zip") + " " + WinePath(src) + " >/dev/null",
                          work / "wine.zip"));
  }
  extract.push_back(extractSide("unzip", "unzip -qq -o " + Quote(setZip) + " -d " + Quote(x / "unzip"), x / "unzip"));
  add.push_back(addSide("zip -r", "cd " + Quote(src) + " && zip -q -r -6 " + Quote(work / "zip.zip") + " .",
                        work / "zip.zip"));
  const char* sevenZip = Have("7zz") ? "7zz" : Have("7z") ? "7z" : nullptr;
  if (sevenZip) {
    extract.push_back(extractSide(sevenZip, std::string(sevenZip) + " x -y -bd " + Quote(setZip) + " -o" +
                                                Quote(x / "7z") + " >/dev/null",
                                  x / "7z"));
    add.push_back(addSide(sevenZip, "cd " + Quote(src) + " && " + sevenZip + " a -tzip -mx=5 -bd " +
                                        Quote(work / "7z.zip") + " . >/dev/null",
                          work / "7z.zip"));
  }

  bool atOrBelow = true;
  for (auto* group : {&extract, &add}) {
    const char* what = group == &extract ? "extract" : "add";
    const std::vector<double> sec = MedianSeconds(*group, rounds, what);
    double bestPeer = 1e30;
    for (size_t k = 0; k < group->size(); ++k)
      if ((*group)[k].Name.rfind("ours", 0) != 0) bestPeer = std::min(bestPeer, sec[k]);
    for (size_t k = 0; k < group->size(); ++k)
      std::printf("%-8s %-10s %8.3f s %8.1f us/entry   %.2fx the fastest peer\n", what, (*group)[k].Name.c_str(),
                  sec[k], sec[k] / kFiles * 1e6, sec[k] / bestPeer);
    if (sec[0] > bestPeer) atOrBelow = false;
    std::printf("\n");
  }
  std::printf("ours (native) at or below the fastest peer in both: %s\n", atOrBelow ? "yes" : "no");
  fs::remove_all(x);
  return 0;
}
