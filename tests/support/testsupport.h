// Helpers shared by every test program: where the shared fixtures are, a
// scratch folder per test, and running the Linux peer tools (zip, unzip, lha,
// arj, ...) from native tests and from Windows tests under Wine alike.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvtest {

// Path of a file below ../shared (fixtures/..., corpus/...), in the form this
// program's file routines take ("Z:\work\shared\..." under Wine).
std::string SharedPath(const std::string& rel);

// A fresh, empty folder for the running test (program's own path form, no
// trailing separator). Removed again at the start of the next run.
std::string TempDir();

// Converts between this program's path form and the host (Unix) form that the
// peer tools take. Natively both are the same.
std::string HostPath(const std::string& path);
std::string LocalPath(const std::string& hostPath);

// Runs a /bin/sh command line on the host; returns its exit status and, when
// asked, its standard output (standard error is merged into it).
int RunPeer(const std::string& shellCommand, std::string* output = nullptr);

// True when the host has the named program on its PATH.
bool HavePeer(const std::string& program);

#ifdef _WIN32
// Defines (or, with an empty folder, removes) a removable drive on a host
// folder through Wine's mount manager, as winecfg does: Wine reads the label
// and serial (.windows-label, .windows-serial in the folder) at that moment,
// so defining the drive again is how a new disk "arrives". A link made by
// hand would only be seen by a Wine session started after it.
bool DefineWineDrive(char letter, const std::string& hostFolder);

// The first top-level window of class className that process pid owns (an
// HWND), or nullptr.
void* FindProcessWindow(unsigned long pid, const std::string& className);

// Starts a self-extractor made with our stub (working folder Dir), waits for
// its window, reads the window's caption and message, types Folder in and
// confirms. Returns the program's exit code, -1 when no window came or it
// did not end within a minute.
int RunSelfExtractor(const std::string& exe, const std::string& dir, const std::string& folder,
                     std::string* caption = nullptr, std::string* message = nullptr);

// Saves what the screen shows of a window (of any process) as a 24-bit BMP,
// for people to look at after a run. window is an HWND.
void SaveWindowShot(void* window, const std::string& path);
#endif

// Dir joined with a relative name written with "/", in the program's own
// path form.
inline std::string Join(const std::string& dir, std::string rel) {
#ifdef _WIN32
  for (char& c : rel)
    if (c == '/') c = '\\';
  return dir + "\\" + rel;
#else
  return dir + "/" + rel;
#endif
}

// Whole-file helpers on the program's own path form.
std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& data);
void WriteFile(const std::string& path, const std::string& data);

// Deterministic test data: text-like (compressible) or random bytes.
std::vector<uint8_t> TextData(size_t size, uint32_t seed = 1);
std::vector<uint8_t> RandomData(size_t size, uint32_t seed = 1);

}  // namespace morvtest
