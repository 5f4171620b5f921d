// The Zip component beside the Info-ZIP tools, in one run under Wine: listing
// a 50,000-entry Zip against zipinfo -1, and extracting a 50 MB archive
// through UNZENG.DLL against unzip. Both sides are timed as whole processes:
// ours is this program started again for one job (CreateProcess to its
// end), the peers run on the host through a script that times the process
// there. Rounds alternate the sides after a warm-up; every listing is
// compared with the names the archive was made with and every extracted
// tree with the source files, after every run; a difference exits with 1.
// Usage: zipbridge_bench [rounds [host-work-folder]]. Windows build only.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/wine_host.h"
#include "framework/core/sysutils.h"
#include "zipbridge/zipbridge.h"

namespace {

std::string HostDir;

bool RunHost(const std::string& Script) { return RunHostScript(HostDir + "/job", Script); }

// One job of ours, in the child process: 0 when it went through.
int Job(const std::string& What, const std::string& Zip, const std::string& Out) {
  TZipBridge Z(nullptr);
  Z.SetDLLDirectory(Local(std::string(MORV_BINARY_DIR) + "/unzeng"));
  Z.SetZipFileName(Zip);
  if (What == "--list") {
    const int N = Z.Count();
    std::ofstream F(Out, std::ios::binary);
    for (int I = 0; I < N; I++) {
      std::string Name = Z.ZipContents()[size_t(I)]->FileName;
      for (char& C : Name)
        if (C == '\\') C = '/';
      F << Name << '\n';
    }
    return N > 0 ? 0 : 1;
  }
  ForceDirectories(Out);
  Z.ExtrBaseDir = Out;
  Z.ExtrOptions = SetOf(ExtrDirNames, ExtrOverWrite);
  Z.Extract();
  return Z.SuccessCnt == 3 ? 0 : 1;
}

// This program again for one job, timed from its start to its end.
double OursTimed(const std::string& Args) {
  char Self[MAX_PATH];
  GetModuleFileNameA(nullptr, Self, MAX_PATH);
  std::string Cmd = "\"" + std::string(Self) + "\" " + Args;
  STARTUPINFOA Si{};
  Si.cb = sizeof Si;
  PROCESS_INFORMATION Pi{};
  const auto T0 = std::chrono::steady_clock::now();
  if (!CreateProcessA(nullptr, Cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si, &Pi))
    BenchFail("cannot start " + Cmd);
  WaitForSingleObject(Pi.hProcess, INFINITE);
  const double Sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
  DWORD Code = 1;
  GetExitCodeProcess(Pi.hProcess, &Code);
  CloseHandle(Pi.hThread);
  CloseHandle(Pi.hProcess);
  if (Code != 0) BenchFail("ours failed: " + Args);
  return Sec;
}

// A host command timed around its process on the host.
double PeerTimed(const std::string& Cmd) {
  const std::string Script = "set -e\ncd " + HostDir + "\npython3 -c \"import subprocess,time\ns=time.perf_counter()\n"
                             "subprocess.run('" + Cmd + "',shell=True,check=True)\n"
                             "open('peer.time','w').write('%f'%(time.perf_counter()-s))\"";
  if (!RunHost(Script)) BenchFail("the peer failed: " + Cmd);
  return ReadSeconds(HostDir + "/peer.time");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && argv[1][0] == '-') return Job(argv[1], argv[2], argv[3]);
  const int Rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
  HostDir = argc > 2 ? argv[2]
                     : "/tmp/morv_zipbridge_bench_" + std::to_string(GetCurrentProcessId()) + "_" +
                           std::to_string(GetTickCount());
  std::string Script =
      "set -e\nrm -rf " + HostDir + " && mkdir -p " + HostDir + "/src && cd " + HostDir +
      "\npython3 -c \"import zipfile\n"
      "z=zipfile.ZipFile('list.zip','w')\n"
      "names=open('names.txt','w')\n"
      "for i in range(50000):\n"
      " n='dir%03d/file%06d.txt'%(i%500,i)\n"
      " names.write(n+chr(10))\n"
      " z.writestr(n,b'x'*(i%50))\n"
      "z.close()\"\n"
      "seq 1 2000000 > src/numbers.txt\n"
      "head -c 42000000 /dev/urandom > src/random.bin\n"
      "python3 -c \"import random\nrandom.seed(5)\nw=['zip','bridge','quillon','archive','entry','deflate']\n"
      "open('src/words.txt','w').write(' '.join(random.choice(w) for _ in range(2000000)))\"\n"
      "(cd src && zip -q -6 -r ../big.zip .)\n"
      "du -sb src | cut -f1 > content.size\n"
      "stat -c %s big.zip > archive.size";
  if (!RunHostScript(HostDir, Script)) {
    std::fprintf(stderr, "could not build the archives in %s\n", HostDir.c_str());
    return 1;
  }
  std::printf("zipbridge_bench in %s: median of %d rounds after a warm-up, whole processes\n", HostDir.c_str(),
              Rounds);
  const std::string Zip = Local(HostDir + "/list.zip"), Big = Local(HostDir + "/big.zip");
  auto SameNames = [](const std::string& Out) {
    return RunHost("cmp -s " + HostDir + "/" + Out + " " + HostDir + "/names.txt && rm -f " + HostDir + "/" + Out);
  };
  auto SameTree = [](const std::string& Out) {
    return RunHost("diff -r " + HostDir + "/src " + HostDir + "/" + Out + " >/dev/null && rm -rf " + HostDir + "/" + Out);
  };
  const std::vector<TBenchSide> List = {
      {"ours", nullptr, [&] { return SameNames("ours.names"); },
       [&] { return OursTimed("--list \"" + Zip + "\" \"" + Local(HostDir + "/ours.names") + "\""); }},
      {"zipinfo -1", nullptr, [&] { return SameNames("peer.names"); },
       [&] { return PeerTimed("zipinfo -1 list.zip > peer.names"); }}};
  const std::vector<double> L = MedianSeconds(List, Rounds, "list");
  std::printf("list     50000 entries   TZipBridge.List %.3f s   zipinfo -1 %.3f s   ours/peer %.2f\n", L[0], L[1],
              L[1] > 0 ? L[0] / L[1] : 0.0);

  const std::vector<TBenchSide> Extract = {
      {"ours", nullptr, [&] { return SameTree("out_ours"); },
       [&] { return OursTimed("--extract \"" + Big + "\" \"" + Local(HostDir + "/out_ours") + "\""); }},
      {"unzip", nullptr, [&] { return SameTree("out_unzip"); },
       [&] { return PeerTimed("unzip -qo big.zip -d out_unzip"); }}};
  const std::vector<double> E = MedianSeconds(Extract, Rounds, "extract");
  std::printf("extract  3 files, %.1f MB in a %.1f MB archive   UNZENG.DLL %.3f s   unzip %.3f s   ours/peer %.2f\n",
              ReadSeconds(HostDir + "/content.size") / 1e6, ReadSeconds(HostDir + "/archive.size") / 1e6, E[0], E[1],
              E[1] > 0 ? E[0] / E[1] : 0.0);
  return 0;
}
