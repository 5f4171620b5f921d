// Lists a 50,000-entry Zip and tar made in the run and times it beside
// zipinfo -1 and tar tf. Both sides are whole processes (ours is
// morv_driver list) writing the names to a file; rounds alternate the sides
// after a warm-up, every listing is compared with the names the archives
// were made with, and a difference exits with 1. Medians are printed.
// Usage: list_bench [rounds [work-folder]]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCount = 50000;

std::vector<std::string> Lines(const fs::path& p) {
  std::ifstream f(p);
  std::vector<std::string> out;
  for (std::string l; std::getline(f, l);) out.push_back(l);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path dir = MakeWorkDir("morv_list_bench", argc > 2 ? argv[2] : nullptr);
  const std::string ours = Quote(fs::path(MORV_BENCH_DIR) / "morv_driver");
  RunProcess("cd " + Quote(dir) +
             " && python3 -c \"import zipfile,tarfile,io\n"
             "z=zipfile.ZipFile('b.zip','w')\n"
             "t=tarfile.open('b.tar','w',format=tarfile.GNU_FORMAT)\n"
             "names=open('names.txt','w')\n"
             "for i in range(" + std::to_string(kCount) + "):\n"
             " n='dir%03d/file%06d.txt'%(i%500,i)\n"
             " names.write(n+'\\\\n')\n"
             " z.writestr(n,b'x'*(i%50))\n"
             " ti=tarfile.TarInfo(n); ti.size=i%50; t.addfile(ti,io.BytesIO(b'x'*(i%50)))\n"
             "z.close(); t.close()\"");
  const std::vector<std::string> names = Lines(dir / "names.txt");
  if (names.size() != size_t(kCount)) BenchFail("the name list was not made");

  std::printf("list_bench in %s: %d entries, median of %d rounds after a warm-up, whole processes\n",
              dir.string().c_str(), kCount, rounds);
  struct TCase {
    const char* File;
    const char* Peer;
  } cases[] = {{"b.zip", "zipinfo -1"}, {"b.tar", "tar tf"}};
  for (const TCase& c : cases) {
    const std::string arc = Quote(dir / c.File);
    auto side = [&](const std::string& name, const std::string& cmd) {
      const fs::path out = dir / (name + ".out");
      return TBenchSide{name, [=] { RunProcess(cmd + " > " + Quote(out)); },
                        [=, &names] { return Lines(out) == names; }};
    };
    const std::vector<TBenchSide> sides = {side("ours", ours + " list " + arc),
                                           side("peer", std::string(c.Peer) + " " + arc)};
    const std::vector<double> sec = MedianSeconds(sides, rounds, c.File);
    std::printf("%-6s ours %.3f s  %s %.3f s  ours/peer %.2f\n", c.File, sec[0], c.Peer, sec[1],
                sec[1] > 0 ? sec[0] / sec[1] : 0.0);
  }
  return 0;
}
