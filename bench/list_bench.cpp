// Lists a 50,000-entry Zip and tar made by the peers and times it beside
// zipinfo -1 and tar tf.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "archive/lister/arclister.h"

namespace {

double Seconds(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int ListOurs(const std::string& file) {
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  int n = 0;
  l.OnRead = [&](TObject*, int, int) { ++n; };
  l.SetArchiveFile(file);
  l.Activate();
  return n;
}

}  // namespace

int main() {
  const std::string dir = "/tmp/morv_list_bench";
  const int count = 50000;
  std::string make = "rm -rf " + dir + " && mkdir -p " + dir + " && cd " + dir +
                     " && python3 -c \"import zipfile,tarfile,io\n"
                     "z=zipfile.ZipFile('b.zip','w')\n"
                     "t=tarfile.open('b.tar','w',format=tarfile.GNU_FORMAT)\n"
                     "for i in range(" + std::to_string(count) + "):\n"
                     " n='dir%03d/file%06d.txt'%(i%500,i)\n"
                     " z.writestr(n,b'x'*(i%50))\n"
                     " ti=tarfile.TarInfo(n); ti.size=i%50; t.addfile(ti,io.BytesIO(b'x'*(i%50)))\n"
                     "z.close(); t.close()\"";
  if (std::system(make.c_str()) != 0) {
    std::fprintf(stderr, "could not build the archives\n");
    return 1;
  }
  struct Case {
    const char* file;
    const char* peer;
  } cases[] = {{"b.zip", "zipinfo -1"}, {"b.tar", "tar tf"}};
  for (auto& c : cases) {
    std::string path = dir + "/" + c.file;
    int n = 0;
    double ours = Seconds([&] { n = ListOurs(path); });
    std::string cmd = std::string(c.peer) + " " + path + " > /dev/null";
    double peer = Seconds([&] { (void)std::system(cmd.c_str()); });
    std::printf("%-6s entries %d  ours %.3f s  %s %.3f s  ratio ours/peer %.2f\n", c.file, n, ours, c.peer, peer,
                peer > 0 ? ours / peer : 0.0);
  }
  return 0;
}
