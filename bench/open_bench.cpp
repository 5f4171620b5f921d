// Opens a 50,000-entry Zip the way the main window does in the Explorer
// style (list every entry, fill the entry table one folder level deep, sort,
// build the folder tree) and prints the time. The main window itself is
// Windows-only and reads Zip directories through the Zip component; here the
// lister reads the directory, and the entry table is the same code.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/lister/arclister.h"

// The bench programs link the archive library only; the entry table has no
// other dependency, so it is compiled in here.
#include "app/entrytable.cpp"

int main() {
  const std::string dir = "/tmp/morv_open_bench";
  const std::string make = "rm -rf " + dir + " && mkdir -p " + dir + " && cd " + dir +
                           " && python3 -c \"import zipfile\n"
                           "z=zipfile.ZipFile('o.zip','w')\n"
                           "for i in range(50000): z.writestr('d%d/s%d/f%d.txt' % (i % 50, i % 13, i), b'x' * (i % 40))\n"
                           "z.close()\"";
  if (std::system(make.c_str()) != 0) {
    std::fprintf(stderr, "could not build the archive\n");
    return 1;
  }
  for (const char* folder : {"\\", "d7\\s3\\"}) {
    const auto t0 = std::chrono::steady_clock::now();
    TFillOptions opt;
    opt.ExplorerStyle = true;
    opt.CurrentFolder = folder;
    TEntryFill fill(opt);
    TArcLister lister(nullptr);
    lister.FileSpec()->Add("*.*");
    lister.OnRead = [&](TObject*, int, int) {
      if (!fill.AddListerEntry(lister.Entry)) lister.Cancel = true;
    };
    lister.SetArchiveFile(dir + "/o.zip");
    lister.Activate();
    fill.Finish(1);
    const std::vector<TFolderNode> tree = BuildFolderTreeModel();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("50,000-entry Zip in Explorer style at %-8s %6.1f ms  (%d rows, %d entries, %d folders, %zu tree nodes)\n",
                folder, ms, FileCount, ArchiveFileCount, FolderCount, tree.size());
  }
  return 0;
}
