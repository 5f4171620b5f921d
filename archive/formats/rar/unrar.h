// RAR extraction through the outside RAR library (unrar.dll), Windows only:
// the component picks the entries, names the outputs, asks and reports; the
// library reads the archive.
#pragma once
#include <cstdint>
#include <exception>
#include <string>

#include "archive/core/unbase.h"

class TUnRAR : public TUnBase {
 public:
  explicit TUnRAR(TComponent* AOwner);

  // Whether unrar.dll was found when the program started.
  static bool LibraryLoaded();

  // The library's callbacks.
  int DataReceived(const uint8_t* Data, int Size);
  int ChangeVolume(char* Name, int Mode);
  std::exception_ptr Pending;

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  // Counts the wanted entries that start in Volume and adds their sizes.
  void PreScan(const std::string& Volume);
  // The error code of a library result (0 when it has none).
  static int MapResult(int Result);
  int FWanted = 0;
  int64_t FFileLeft = 0;
  bool FSkipping = false;
};
