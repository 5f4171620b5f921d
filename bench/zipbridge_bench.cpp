// The Zip component beside the Info-ZIP tools, in one run under Wine: listing
// a 50,000-entry Zip against zipinfo -1, and extracting a 50 MB archive
// through UNZENG.DLL against unzip. The peers run on the host through a
// script that times them itself. Windows build only.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "framework/core/sysutils.h"
#include "bench/wine_host.h"
#include "zipbridge/zipbridge.h"

namespace {

const std::string HostDir = "/tmp/morv_zipbridge_bench";

double Best(int Runs, const std::function<void()>& F) {
  double B = 1e9;
  for (int i = 0; i < Runs; i++) B = std::min(B, Seconds(F));
  return B;
}

bool RunHost(const std::string& Script) { return RunHostScript(HostDir, Script); }

}  // namespace

int main() {
  // Archives, then the peers timed by the host (best of three).
  std::string Script =
      "set -e\nrm -rf " + HostDir + " && mkdir -p " + HostDir + "/src && cd " + HostDir +
      "\npython3 -c \"import zipfile\n"
      "z=zipfile.ZipFile('list.zip','w')\n"
      "for i in range(50000):\n"
      " z.writestr('dir%03d/file%06d.txt'%(i%500,i),b'x'*(i%50))\n"
      "z.close()\"\n"
      "seq 1 2000000 > src/numbers.txt\n"
      "head -c 42000000 /dev/urandom > src/random.bin\n"
      "python3 -c \"import random\nrandom.seed(5)\nw=['zip','bridge','quillon','archive','entry','deflate']\n"
      "open('src/words.txt','w').write(' '.join(random.choice(w) for _ in range(2000000)))\"\n"
      "(cd src && zip -q -6 -r ../big.zip .)\n"
      "python3 - <<'PY'\n"
      "import subprocess,time\n"
      "def best(cmd):\n"
      " b=1e9\n"
      " for _ in range(3):\n"
      "  s=time.perf_counter(); subprocess.run(cmd,shell=True,stdout=subprocess.DEVNULL,check=True)\n"
      "  b=min(b,time.perf_counter()-s)\n"
      " return b\n"
      "open('zipinfo.time','w').write('%f'%best('zipinfo -1 list.zip'))\n"
      "open('unzip.time','w').write('%f'%best('rm -rf out_unzip && unzip -qo big.zip -d out_unzip'))\n"
      "PY\n"
      "du -sb src | cut -f1 > content.size\n"
      "stat -c %s big.zip > archive.size";
  if (!RunHost(Script)) {
    std::fprintf(stderr, "could not build the archives or time the peers\n");
    return 1;
  }

  TZipBridge Z(nullptr);
  Z.SetDLLDirectory(Local(std::string(MORV_BINARY_DIR) + "/unzeng"));
  int Entries = 0;
  double Ours = Best(3, [&] {
    Z.SetZipFileName(Local(HostDir + "/list.zip"));
    Entries = Z.Count();
  });
  double Peer = ReadSeconds(HostDir + "/zipinfo.time");
  std::printf("list     %d entries   TZipBridge.List %.3f s   zipinfo -1 %.3f s   ours/peer %.2f\n", Entries, Ours,
              Peer, Peer > 0 ? Ours / Peer : 0.0);

  Z.SetZipFileName(Local(HostDir + "/big.zip"));
  std::string Out = Local(HostDir + "/out_ours");
  CreateDir(Out);
  int Files = 0;
  double Extract = Best(3, [&] {
    Z.ExtrBaseDir = Out;
    Z.ExtrOptions = SetOf(ExtrDirNames, ExtrOverWrite);
    Z.Extract();
    Files = Z.SuccessCnt;
  });
  double Unzip = ReadSeconds(HostDir + "/unzip.time");
  std::printf("extract  %d files, %.1f MB in a %.1f MB archive   UNZENG.DLL %.3f s   unzip %.3f s   ours/peer %.2f\n",
              Files, ReadSeconds(HostDir + "/content.size") / 1e6, ReadSeconds(HostDir + "/archive.size") / 1e6,
              Extract, Unzip, Unzip > 0 ? Extract / Unzip : 0.0);
  return Files == 3 && Entries == 50000 ? 0 : 1;
}
