#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace morvtest {

std::string LocalPath(const std::string& hostPath) {
#ifdef _WIN32
  // Wine maps the host root as drive Z:.
  std::string p = "Z:" + hostPath;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
#else
  return hostPath;
#endif
}

std::string HostPath(const std::string& path) {
#ifdef _WIN32
  std::string p = path;
  if (p.size() >= 2 && p[1] == ':') {
    if (p[0] != 'Z' && p[0] != 'z') {
      // Another drive: ask Wine where it lives.
      char buf[MAX_PATH * 2];
      std::string unixName;
      typedef char*(CDECL * GetUnixName)(LPCWSTR);
      static auto fn = reinterpret_cast<GetUnixName>(reinterpret_cast<void (*)()>(
          GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
      if (fn) {
        wchar_t wide[MAX_PATH * 2];
        MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, wide, MAX_PATH * 2);
        if (char* u = fn(wide)) {
          snprintf(buf, sizeof buf, "%s", u);
          HeapFree(GetProcessHeap(), 0, u);
          return buf;
        }
      }
    }
    p = p.substr(2);
  }
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
#else
  return path;
#endif
}

std::string SharedPath(const std::string& rel) { return LocalPath(std::string(MORV_SHARED_DIR) + "/" + rel); }

static std::string TestId() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string id = info ? std::string(info->test_suite_name()) + "." + info->name() : "global";
  for (char& c : id)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
  return id;
}

std::string TempDir() {
  const std::string host = std::string(MORV_BINARY_DIR) + "/testtmp/" + TestId();
  std::string dir = LocalPath(host);
  std::error_code ec;
#ifdef _WIN32
  // The runtime's remove_all has no lstat under Wine: it follows, and can
  // spin on, the Unix symbolic links that peer tools extract. The host
  // removes the folder of an earlier run instead.
  if (fs::exists(fs::path(dir), ec)) RunPeer("rm -rf '" + host + "'");
#endif
  fs::remove_all(fs::path(dir), ec);
  fs::create_directories(fs::path(dir));
  return dir;
}

#ifdef _WIN32
static int RunHostScript(const std::string& scriptHost, const std::string& statusHost) {
  std::string cmd = "/bin/sh " + scriptHost;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back(0);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // Wine neither waits for a Unix child nor passes its exit status through,
  // so the script leaves its status in a file (renamed into place when
  // complete) and we poll for it.
  std::string status = LocalPath(statusHost);
  for (int waited = 0; waited < 20 * 60 * 1000; waited += 5) {
    std::ifstream st(status);
    int code;
    if (st >> code) return code;
    Sleep(5);
  }
  return -1;
}
#endif

static unsigned long ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

int RunPeer(const std::string& shellCommand, std::string* output) {
  static int counter = 0;
  std::string base = std::string(MORV_BINARY_DIR) + "/testtmp/peer" + std::to_string(ProcessId()) + "_" + std::to_string(++counter);
  std::string scriptHost = base + ".sh", outHost = base + ".out", statusHost = base + ".status";
  fs::create_directories(fs::path(LocalPath(std::string(MORV_BINARY_DIR) + "/testtmp")));
  {
    std::ofstream sh(LocalPath(scriptHost), std::ios::binary);
    sh << "#!/bin/sh\n(\n" << shellCommand << "\n) >" << outHost << " 2>&1 </dev/null\necho $? >" << statusHost
       << ".tmp\nmv " << statusHost << ".tmp " << statusHost << "\n";
  }
  std::remove(LocalPath(statusHost).c_str());
#ifdef _WIN32
  int code = RunHostScript(scriptHost, statusHost);
#else
  int code = -1;
  std::system(("/bin/sh " + scriptHost).c_str());
  std::ifstream st(statusHost);
  if (!(st >> code)) code = -1;
#endif
  if (output) {
    std::ifstream in(LocalPath(outHost), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    *output = ss.str();
  }
  return code;
}

bool HavePeer(const std::string& program) { return RunPeer("command -v " + program) == 0; }

#ifdef _WIN32
namespace {
struct TMountMgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
}  // namespace

bool DefineWineDrive(char letter, const std::string& hostFolder) {
  HANDLE mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buf(sizeof(TMountMgrUnixDrive) + hostFolder.size() + 1, 0);
  auto* d = reinterpret_cast<TMountMgrUnixDrive*>(buf.data());
  d->size = ULONG(buf.size());
  d->type = DRIVE_REMOVABLE;
  d->letter = WCHAR(letter);
  if (!hostFolder.empty()) {
    d->mount_point_offset = USHORT(sizeof(TMountMgrUnixDrive));
    memcpy(buf.data() + sizeof(TMountMgrUnixDrive), hostFolder.c_str(), hostFolder.size() + 1);
  } else {
    d->size = sizeof(TMountMgrUnixDrive);
  }
  DWORD got = 0;
  BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buf.data(), d->size, nullptr, 0, &got, nullptr);
  CloseHandle(mgr);
  return ok != 0;
}
#endif

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::vector<uint8_t> TextData(size_t size, uint32_t seed) {
  static const char* words[] = {"archive ", "entry ",  "the ",   "folder ", "Quillon ", "deflate ", "of ",
                                "header ",  "size ",   "and ",   "CRC ",    "\r\n",     "volume ",  "zip ",
                                "method ",  "packed ", "name. ", "file ",   "date ",    "1999 "};
  std::mt19937 rng(seed);
  std::vector<uint8_t> out;
  out.reserve(size);
  while (out.size() < size) {
    const char* w = words[rng() % (sizeof words / sizeof *words)];
    for (const char* p = w; *p && out.size() < size; ++p) out.push_back(static_cast<uint8_t>(*p));
  }
  return out;
}

std::vector<uint8_t> RandomData(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(size);
  for (auto& b : out) b = static_cast<uint8_t>(rng() >> 13);
  return out;
}

#ifdef _WIN32
void SaveWindowShot(void* window, const std::string& path) {
  RECT r;
  GetWindowRect(static_cast<HWND>(window), &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  fh.bfSize = DWORD(fh.bfOffBits + stride * size_t(h));
  std::vector<uint8_t> out(fh.bfSize);
  memcpy(out.data(), &fh, sizeof fh);
  memcpy(out.data() + sizeof fh, &bi.bmiHeader, sizeof(BITMAPINFOHEADER));
  memcpy(out.data() + fh.bfOffBits, bits, stride * size_t(h));
  WriteFile(path, out);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}
#endif

}  // namespace morvtest
