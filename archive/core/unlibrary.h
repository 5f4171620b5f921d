// Base of the extractors that drive an outside library entry by entry (RAR,
// ACE): the component picks the entries, names the outputs, asks about
// overwriting and passwords and reports; the library reads the archive.
// The loop, the callbacks and the write through a temporary name are the
// same for every such library; a descendant binds the library's calls.
#pragma once
#include <cstdint>
#include <exception>
#include <string>

#include "archive/core/unbase.h"
#include "framework/core/os.h"

#ifdef _WIN32
#define MORV_LIBCALL __stdcall
#else
#define MORV_LIBCALL
#endif

// Binds the entry point Name of Module into Slot; Ok turns False when the
// library lacks it.
template <class F>
void BindLibraryProc(void* Module, const char* Name, F& Slot, bool& Ok) {
  void* P = GetLibraryProc(Module, Name);
  if (P) {
    Slot = reinterpret_cast<F>(P);
  } else {
    Ok = false;
  }
}

class TUnLibrary : public TUnBase {
 public:
  explicit TUnLibrary(TComponent* AOwner);

  // The callbacks handed to the library; they reach the running component.
  // No exception crosses the library's frames: it is kept, the callback
  // returns 0 (stop) and the exception is raised again once the call
  // returns.
  static int MORV_LIBCALL DataProc(unsigned char* Addr, int Size);
  static int MORV_LIBCALL VolumeProc(char* Name, int Mode);

 protected:
  enum : int { opSkip = 0, opTest = 1, opExtract = 2 };

  // One entry as the library's header record gives it.
  struct TLibEntry {
    std::string Name;  // as stored, OEM code page
    uint32_t PackSize = 0;
    uint32_t UnpSize = 0;
    uint32_t Crc = 0;       // CRC-32 of the data
    uint32_t FileTime = 0;  // DOS date-time
    uint32_t Attr = 0;      // DOS attributes for the output
    bool Encrypted = false;
    bool Folder = false;
  };
  // Library results that the loop acts on.
  struct TLibCodes {
    int End;       // no further entry
    int BadCrc;    // the data fails its CRC
    int Password;  // no or a wrong password
  };

  virtual bool LibLoaded() const = 0;
  virtual int MissingLibraryError() const = 0;
  virtual TLibCodes Codes() const = 0;
  // The error code of a library result (0 when it has none).
  virtual int MapResult(int Result) const = 0;
  // Opens Name with the callbacks installed; returns the open result.
  virtual int LibOpen(const std::string& Name) = 0;
  virtual void LibClose() = 0;
  virtual int LibReadHeader(TLibEntry& E) = 0;
  // Dir is the output's folder, Name its full name (both null when testing
  // or skipping).
  virtual int LibProcess(int Operation, char* Dir, char* Name) = 0;
  virtual void LibSetPassword(char* Password) = 0;
  // Counts the wanted entries that start in Volume and adds their sizes to
  // RunTotal (MaxFileDate follows their dates).
  virtual void PreScan(const std::string& Volume) = 0;
  // Counts one wanted entry of the pre-scan.
  void CountWanted(uint64_t Unpacked, uint32_t FileTime);

  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  int DataReceived(const uint8_t* Data, int Size);
  int ChangeVolume(char* Name, int Mode);
  void RethrowPending();
  void OpenLibrary();
  void CloseLibrary();
  void Skip();
  // Runs the library over the current (wanted) entry: testing, or extracting
  // into a temporary file beside the target, which replaces the target only
  // when the library succeeded. Returns the library's result, or -1 when no
  // temporary file could be made or the target could not be replaced
  // (reported; the entry is passed over).
  int ProcessEntry(const TLibEntry& E, bool& Pass);
  // The password step of an encrypted entry: Password, else OnGetPassword up
  // to PasswordAttempts answers. A password the library refuses costs the
  // archive a reopening and a walk back to the same entry. False when no
  // password could be applied.
  bool PasswordStep(const TLibEntry& E, int Index, int& Result, bool& Pass);
  // Reopens the archive and reads up to the Index-th header again.
  bool Rewind(int Index, const TLibEntry& E);

  std::exception_ptr FPending;
  bool FOpen = false;
  bool FSkipping = false;
  bool FRewinding = false;
  int FWanted = 0;
  int64_t FFileLeft = 0;
};
