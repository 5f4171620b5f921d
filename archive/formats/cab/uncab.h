// Cabinet extraction through the system cabinet library's FDI calls, sets of
// several cabinets included (Windows only).
#pragma once
#include <cstdint>
#include <exception>
#include <string>

#include "archive/core/unbase.h"
#include "archive/formats/cab/cablib.h"

class TUnCABInterface : public TUnBase {
 public:
  explicit TUnCABInterface(TComponent* AOwner);
  ~TUnCABInterface() override;

 protected:
  // Creates the decompression context when there is none.
  void CreateContext();
  void DestroyContext();
  void* FContext = nullptr;
  TCabErrorRecord FErf;
  TStreamCabinetFileHandler* FHandler;
};

class TUnCAB : public TUnCABInterface {
 public:
  explicit TUnCAB(TComponent* AOwner);

  // The library's notifications, one per kind; the results are the
  // library's (a handle, 0 to skip, -1 to abort).
  virtual void CabinetInfo(const std::string& NextCabinet, const std::string& NextDisk, const std::string& Path,
                           int SetId, int CabinetNumber);
  virtual intptr_t ScanFile(const std::string& Name, int64_t Size, uint16_t Date, uint16_t Time);
  virtual intptr_t CopyFile(const std::string& Name, int64_t Size, uint16_t Date, uint16_t Time, uint16_t Attr);
  virtual intptr_t CloseFileInfo(intptr_t Handle, uint16_t Date, uint16_t Time, uint16_t Attr);
  // May replace Name and Path with the cabinet the user chose.
  virtual intptr_t NextCabinet(std::string& Name, std::string& Path);

  // For the library's callbacks.
  bool ScanPass() const { return FScanPass; }
  intptr_t OutputHandle() const { return FOutHandle; }
  uint32_t WriteOutput(const void* Buffer, uint32_t Count);
  void CloseOutputHandle();
  TStreamCabinetFileHandler* Handler() const { return FHandler; }
  // An exception of a callback waits here until the library has returned.
  std::exception_ptr Pending;

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  bool IsCabinet(const std::string& Name);
  // One pass of the library over a cabinet; false when it stopped early.
  bool RunCopy(const std::string& Cabinet);
  void Scan(const std::string& Cabinet);

  bool FExtractAllowed = true;
  bool FScanPass = false;
  bool FFirstInfo = true;
  bool FQuietAbort = false;
  std::string FNextCabinet, FNextDisk, FCabPath;
  // The next cabinet chosen when the library asked for it in the middle of
  // a file, so that the same cabinet is not asked for again.
  std::string FChosenNext;
  int FSetId = 0, FCabinetNumber = 0;
  int64_t FFileLeft = 0, FFileSize = 0;
  int FDecision = 0;
  int FFound = 0;
  intptr_t FOutHandle = 0;
  // The output being written, until the library says it is complete.
  std::string FPartial;
  TUntypedFile FOut;
};
