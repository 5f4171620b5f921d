// Cabinet creation through the system cabinet library's FCI calls (Windows
// only). The new cabinet is written beside the old one and put in its place
// only when complete; entries of an existing cabinet that no new file
// replaces are kept.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>

#include "archive/core/compbase.h"
#include "archive/formats/cab/cablib.h"

enum class TCompressionType : uint8_t { ctStore, ctMsZip, ctLzx };

using TGetNextCabinetEvent = std::function<void(TObject* Sender, TCCAB& CabParameters, std::string& NewCabFileName,
                                                int PreviousCabEstimatedSize, bool& AbortCreation)>;

class TCabInterface : public TCompBase {
 public:
  explicit TCabInterface(TComponent* AOwner);
  ~TCabInterface() override;

 protected:
  void DestroyContext();
  void* FContext = nullptr;
  TCabErrorRecord FErf;
  TStreamCabinetFileHandler* FHandler;
};

class TMakeCAB : public TCabInterface {
 public:
  explicit TMakeCAB(TComponent* AOwner);

  bool FailOnIncompressible = true;
  TCompressionType QuantumType = TCompressionType::ctMsZip;
  int LzxLevel() const { return FLzxLevel; }
  void SetLzxLevel(int Value);          // 15..21
  int QuantumLevel() const { return FQuantumLevel; }
  void SetQuantumLevel(int Value);      // 1..7
  int QuantumMemory() const { return FQuantumMemory; }
  void SetQuantumMemory(int Value);     // 10..21
  TGetNextCabinetEvent OnGetNextCabinet;

  // The compression code the library gets for CompressMethod.
  int CompressionCode() const;

  // For the library's callbacks.
  virtual bool GetNextCabinet(TCCAB& Parameters, int PreviousSize, std::string& NewName, bool& Abort);
  virtual std::string GetTempFile();
  virtual intptr_t GetOpenInfo(const std::string& Name, uint16_t& Date, uint16_t& Time, uint16_t& Attr, int& Error);
  TStreamCabinetFileHandler* Handler() const { return FHandler; }
  // Reads of the files being added move the progress; the library's own
  // temporary files do not.
  void CountRead(intptr_t Handle, uint32_t Count);
  void ForgetHandle(intptr_t Handle) { FSourceHandles.erase(Handle); }
  std::exception_ptr Pending;

 protected:
  void CompressArchive() override;
  void ProcessWorkList() override;
  bool CompressFile(const std::string& FileName) override;
  void FinishArchive() override {}
  void SetListedEntryInfo() override {}

 private:
  void CreateContext(const std::string& CabName);
  // Adds one file under the stored name Stored; raises on a library failure.
  void AddFile(const std::string& Source, std::string Stored);
  // Puts the entries of the existing cabinet in the work list, extracted
  // into Folder.
  void KeepOldEntries(const std::string& Folder);
  void Check(bool Ok);

  int FLzxLevel = 21;
  int FQuantumLevel = 7;
  int FQuantumMemory = 21;
  std::set<intptr_t> FSourceHandles;
};
