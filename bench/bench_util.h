// What the benchmark programs share: reading a whole file, a work folder of
// the run's own, whole-process runs, and the timing harness: a warm-up round,
// then rounds in which the sides take turns in a rotating order, every
// side's output checked after every run, and the median of the rounds.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// One side of a comparison. Run does the work once; Check tells whether
// what that run produced equals the input. A side whose program runs where
// this one cannot time it (a host program seen from Wine) gives Timed
// instead of Run: it runs once and returns the seconds measured around the
// process there.
struct TBenchSide {
  std::string Name;
  std::function<void()> Run = {};
  std::function<bool()> Check = {};
  std::function<double()> Timed = {};
};

// A side whose output differs ends the program loudly: a benchmark that
// times wrong work must not print a number.
[[noreturn]] inline void BenchFail(const std::string& what) {
  std::fprintf(stderr, "MISMATCH: %s\n", what.c_str());
  std::fflush(stdout);
  std::exit(1);
}

inline double MedianOf(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Each side's median seconds over rounds timed runs, after one untimed
// warm-up run of every side. Round r starts with side r mod n, so no side
// always runs first or right after the same neighbour.
inline std::vector<double> MedianSeconds(const std::vector<TBenchSide>& sides, int rounds, const std::string& what = "") {
  const size_t n = sides.size();
  std::vector<std::vector<double>> times(n);
  for (int r = -1; r < rounds; ++r) {
    for (size_t k = 0; k < n; ++k) {
      const TBenchSide& s = sides[(size_t(std::max(r, 0)) + k) % n];
      double sec;
      if (s.Timed) {
        sec = s.Timed();
      } else {
        const auto t0 = std::chrono::steady_clock::now();
        s.Run();
        sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      }
      if (s.Check && !s.Check()) BenchFail(s.Name + (what.empty() ? "" : " on " + what) + " gave other output");
      if (r >= 0) times[(size_t(r) + k) % n].push_back(sec);
    }
  }
  std::vector<double> medians;
  for (const auto& t : times) medians.push_back(MedianOf(t));
  return medians;
}

// A work folder of this run's own, so two runs never share one: given
// (made if missing), or a fresh one below TMPDIR.
inline std::string MakeWorkDir(const char* name, const char* given = nullptr) {
  namespace fs = std::filesystem;
  if (given && *given) {
    fs::create_directories(given);
    return fs::absolute(given).string();
  }
#ifdef _WIN32
  const fs::path p = fs::temp_directory_path() / (std::string(name) + "_" + std::to_string(GetCurrentProcessId()) +
                                                  "_" + std::to_string(GetTickCount()));
  fs::create_directories(p);
  return p.string();
#else
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "_XXXXXX";
  if (!mkdtemp(templ.data())) BenchFail("cannot make a work folder");
  return templ;
#endif
}

// A path in single quotes for the shell.
inline std::string Quote(const std::filesystem::path& p) {
  std::string s = p.string();
  s.insert(s.begin(), '\'');
  s.push_back('\'');
  return s;
}

// A shell command as a whole process; a failure ends the program.
inline void RunProcess(const std::string& cmd) {
  if (std::system(cmd.c_str()) != 0) BenchFail("command failed: " + cmd);
}
