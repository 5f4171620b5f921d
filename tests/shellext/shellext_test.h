// Helpers of the shell extension's tests: the built Brimshex.dll as Explorer
// loads it, a private HKEY_CURRENT_USER, a CF_HDROP data object, reading a
// menu back, and the recording stand-in started in Morv's place.
#pragma once
#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace shexttest {

// Brimshex.dll of this build, loaded once for the whole program.
struct TServer {
  HMODULE Module = nullptr;
  HRESULT(STDAPICALLTYPE* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* CanUnloadNow)() = nullptr;
  HRESULT(STDAPICALLTYPE* RegisterServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* UnregisterServer)() = nullptr;
};
std::string ServerPath();
const TServer& Server();

// A new object of a served class, asked for interface I.
template <class I>
I* CreateObject(const CLSID& ClassId, REFIID Iid) {
  IClassFactory* factory = nullptr;
  if (FAILED(Server().GetClassObject(ClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory))) || !factory)
    return nullptr;
  I* object = nullptr;
  factory->CreateInstance(nullptr, Iid, reinterpret_cast<void**>(&object));
  factory->Release();
  return object;
}

// Points this process's HKEY_CURRENT_USER at a fresh private key for the
// test's life, so tests of other programs sharing the Wine prefix never see
// our settings and we never see theirs.
class TRegistrySandbox {
 public:
  TRegistrySandbox();
  ~TRegistrySandbox();
  bool SetDword(const std::string& Key, const std::string& Name, DWORD Value);
  bool SetString(const std::string& Key, const std::string& Name, const std::string& Value);
  void Delete(const std::string& Key, const std::string& Name);

 private:
  std::string FPath;
  HKEY FKey = nullptr;
};

inline const std::string GeneralKey = "SOFTWARE\\Quillon\\General";
inline const std::string ShellExtKey = "SOFTWARE\\Quillon\\ShellExt";

// A data object that offers its names as CF_HDROP (wide, as Explorer's),
// or answers every request with Failure when one is given.
IDataObject* NewDropData(const std::vector<std::string>& Names, HRESULT Failure = S_OK);

struct TMenuItem {
  bool Separator = false;
  std::string Caption;
  UINT Id = 0;
  HMENU Submenu = nullptr;
  HBITMAP Checked = nullptr, Unchecked = nullptr;
};
std::vector<TMenuItem> ReadMenu(HMENU Menu);

// What the stand-in recorded: its command line, working folder, show state
// and the list file's bytes (nullopt when there was none).
struct TStart {
  std::string CommandLine;
  std::string Folder;
  int Show = -1;
  std::optional<std::string> ListFile;
};

// Morv's stand-in copied under a folder with a blank, a private temporary
// folder for the list file, and the record of a start.
class TStandIn {
 public:
  // Root is the test's own scratch folder.
  explicit TStandIn(const std::string& Root);
  ~TStandIn();
  const std::string& Program() const { return FProgram; }
  // The temporary folder the extension and the stand-in see, with its
  // backslash.
  const std::string& Temp() const { return FTemp; }
  std::string ListFile() const { return FTemp + "morvce.dat"; }
  // Waits for a start; nullopt when none came within the time (a Wine
  // process can take long to start on a busy machine).
  std::optional<TStart> WaitStart(DWORD Milliseconds = 90000);
  // True when no start came within the time.
  bool NothingStarted(DWORD Milliseconds = 3000);

 private:
  std::string FProgram, FTemp, FRecord;
  std::optional<std::string> FOldTmp, FOldTemp;
};

// Size bytes that start like a program and hold a Zip local header
// signature at Offset, as a Zip self-extractor does.
std::vector<uint8_t> SelfExtractorBytes(size_t Size, size_t Offset);

// The arguments CommandLineToArgvW reads from a line.
std::vector<std::string> SplitCommandLine(const std::string& Line);

inline std::string Lower(std::string S) {
  CharLowerBuffA(S.data(), static_cast<DWORD>(S.size()));
  return S;
}

}  // namespace shexttest
