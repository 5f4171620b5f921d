// A small command-line front end to our own extractor, adder and lister, so
// that the benchmarks time ours as a whole process, the same way as the peer
// programs beside it (start-up, file system work and exit included).
// Usage: morv_driver list <archive>               (the entry names)
//        morv_driver extract <zip> <folder>      (stored folders kept, overwrite)
//        morv_driver add <zip> <folder> [type]   (the folder's tree, relative names;
//                                          type 0-3: superfast, fast, normal, maximum)
// Exit status 0 when every entry went through, 1 otherwise.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/formats/zip/unzip.h"
#include "archive/formats/zip/zipwriter.h"
#include "archive/lister/arclister.h"
#include "framework/core/classes.h"
#include "framework/core/sysutils.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: morv_driver list <archive> | extract <zip> <folder> | add <zip> <folder> [type]\n");
  return 2;
}

// Every file, and each error reported on stderr and counted.
void Prepare(TZipCommon& c, int& errors) {
  TStringList all;
  all.Add("*.*");
  c.SetFileSpec(&all);
  c.OnError = [&errors](TObject*, const std::string& fn, const std::string&, const std::string&, int code) {
    std::fprintf(stderr, "%s: error %d\n", fn.c_str(), code);
    ++errors;
  };
}


}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string cmd = argv[1], archive = ExpandFileName(argv[2]);
  if (cmd == "list") {
    TArcLister L(nullptr);
    L.FileSpec()->Add("*.*");
    int n = 0;
    // One name a line with "/" separators, as zipinfo -1 and tar tf print.
    L.OnRead = [&](TObject*, int, int) {
      std::string name = L.Entry.FileName;
      std::replace(name.begin(), name.end(), '\\', '/');
      std::fwrite(name.data(), 1, name.size(), stdout);
      std::fputc('\n', stdout);
      ++n;
    };
    L.SetArchiveFile(archive);
    L.Activate();
    return n > 0 ? 0 : 1;
  }
  if (argc < 4) return Usage();
  const std::string folder = ExpandFileName(argv[3]);
  int errors = 0;
  if (cmd == "extract") {
    TUnZIP U(nullptr);
    U.SetArchiveFile(archive);
    Prepare(U, errors);
    U.SetExtractDir(folder);
    U.ConfirmOverwrites = false;
    const int n = U.Extract();
    std::printf("%d\n", n);
    return errors || n <= 0 ? 1 : 0;
  }
  if (cmd == "add") {
    TZip Z(nullptr);
    Z.SetTempDir(ExtractFilePath(archive));
    Z.SetArchiveFile(archive);
    Z.SetDefaultDir(folder);
    if (argc > 4) Z.SetDeflateType(TDeflateType(std::atoi(argv[4])));
    Z.RecurseDirs = true;
    Prepare(Z, errors);
    const int n = Z.Compress();
    std::printf("%d\n", n);
    return errors || n <= 0 ? 1 : 0;
  }
  return Usage();
}
