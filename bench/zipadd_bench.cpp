// Adding through ZIPENG.DLL beside Info-ZIP's zip -r at the same level, in
// one run under Wine: 10,000 small files and one 100 MB file. Rounds
// alternate the two sides after a warm-up; each side's archive is checked by
// unzip -t every round; medians are printed. zip is timed by the host script
// around the process, ours around TZipBridge.Add. Windows build only.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine_host.h"
#include "framework/core/sysutils.h"
#include "zipbridge/zipbridge.h"

namespace {

const std::string HostDir = "/tmp/morv_zipadd_bench";
constexpr int Level = 6;

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V.empty() ? 0 : V[V.size() / 2];
}

// Runs zip -r on the host, timed there, and checks its archive.
bool PeerRound(double& Seconds) {
  std::string Script = "set -e\ncd " + HostDir + "/work && rm -f peer.zip\n" +
                       "python3 -c \"import subprocess,time\ns=time.perf_counter()\n"
                       "subprocess.run('zip -q -r -" + std::to_string(Level) +
                       " peer.zip src',shell=True,check=True)\n"
                       "open('peer.time','w').write('%f'%(time.perf_counter()-s))\"\n"
                       "unzip -tqq peer.zip";
  if (!RunHostScript(HostDir, Script)) return false;
  Seconds = ReadSeconds(HostDir + "/work/peer.time");
  return Seconds >= 0;
}

bool OurRound(double& Time) {
  DeleteFile(Local(HostDir + "/work/ours.zip"));
  TZipBridge Z(nullptr);
  Z.SetDLLDirectory(Local(HostDir + "/dll"));
  Z.Unattended = true;
  Z.AddCompLevel = Level;
  Z.AddOptions = SetOf(AddDirNames, AddRecurseDirs);
  Z.SetZipFileName(Local(HostDir + "/work/ours.zip"));
  Z.FSpecArgs()->Add("src\\*.*");
  Time = Seconds([&] { Z.Add(); });
  if (Z.SuccessCnt != 10001) {
    std::fprintf(stderr, "ours added %d files: %s\n", Z.SuccessCnt, Z.Message.c_str());
    return false;
  }
  return RunHostScript(HostDir, "cd " + HostDir + "/work && unzip -tqq ours.zip");
}

}  // namespace

int main(int argc, char** argv) {
  int Rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
  std::string Setup =
      "set -e\nrm -rf " + HostDir + " && mkdir -p " + HostDir + "/work/src/small " + HostDir + "/dll && cp " +
      std::string(MORV_BINARY_DIR) + "/zipeng/ZIPENG.DLL " + HostDir + "/dll/ && cd " + HostDir +
      "/work/src\n"
      "python3 -c \"import random\nrandom.seed(7)\nw=['zip','bridge','quillon','archive','entry','deflate','x9']\n"
      "for i in range(10000):\n"
      " open('small/f%05d.txt'%i,'w').write(' '.join(random.choice(w) for _ in range(50+i%400)))\n"
      "f=open('big.bin','wb')\n"
      "for i in range(100):\n"
      " f.write(' '.join(random.choice(w) for _ in range(110000)).encode()[:500000]+random.randbytes(548576))\"\n"
      "du -sb . | cut -f1 > ../../content.size";
  if (!RunHostScript(HostDir, Setup)) {
    std::fprintf(stderr, "could not make the files\n");
    return 1;
  }
  SetCurrentDir(Local(HostDir + "/work"));
  std::vector<double> Ours, Peer;
  // Round 0 warms the caches of both sides and is not counted.
  for (int R = 0; R <= Rounds; R++) {
    double O = 0, P = 0;
    bool Ok = R % 2 == 0 ? OurRound(O) && PeerRound(P) : PeerRound(P) && OurRound(O);
    if (!Ok) {
      std::fprintf(stderr, "round %d failed\n", R);
      return 1;
    }
    if (R > 0) {
      Ours.push_back(O);
      Peer.push_back(P);
    }
  }
  double O = Median(Ours), P = Median(Peer);
  std::printf("add  10,000 small files + 100 MB, %.1f MB, level %d   ZIPENG.DLL %.3f s   zip -r %.3f s   ours/peer %.2f\n",
              ReadSeconds(HostDir + "/content.size") / 1e6, Level, O, P, P > 0 ? O / P : 0.0);
  return 0;
}
