// The system cabinet library (cabinet.dll), its decompression (FDI) and
// compression (FCI) calls bound by name when the program starts, and the file
// callbacks that both directions share. Windows only: the library exists
// nowhere else.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "archive/core/arcerrors.h"
#include "framework/core/classes.h"
#include "framework/core/streams.h"

// A failure the library reported in its error record.
class ECabinetError : public E_RAISE {
 public:
  ECabinetError(int Oper, int Type);
  int Oper() const { return FOper; }
  int Type() const { return FType; }

 private:
  int FOper;
  int FType;
};

// The library's error record, laid out as the library fills it.
struct TCabErrorRecord {
  int32_t erfOper = 0;
  int32_t erfType = 0;
  int32_t fError = 0;  // Windows BOOL
};
static_assert(sizeof(TCabErrorRecord) == 12);

// Raises ECabinetError when the record says the library failed.
void CheckCabError(const TCabErrorRecord& Erf);

// Whether the decompression, respectively the compression, entry points
// were found; an operation that finds its flag clear fails with 25259.
bool CabinetFdiLoaded();
bool CabinetFciLoaded();

// File operations of the library's callbacks, in the library's terms: flags
// are the C run-time open flags, handles the values the library passes back.
class TCabinetFileHandler : public TComponent {
 public:
  explicit TCabinetFileHandler(TComponent* AOwner) : TComponent(AOwner) {}
  virtual intptr_t Create(const std::string& Name, int& Error) = 0;
  virtual intptr_t Open(const std::string& Name, int Flags, int& Error) = 0;
  virtual uint32_t Read(intptr_t Handle, void* Buffer, uint32_t Count, int& Error) = 0;
  virtual uint32_t Write(intptr_t Handle, const void* Buffer, uint32_t Count, int& Error) = 0;
  virtual int Close(intptr_t Handle, int& Error) = 0;
  virtual int32_t Seek(intptr_t Handle, int32_t Distance, int Origin, int& Error) = 0;
  virtual int Delete(const std::string& Name, int& Error) = 0;
};

class TStreamCabinetFileHandler : public TCabinetFileHandler {
 public:
  explicit TStreamCabinetFileHandler(TComponent* AOwner) : TCabinetFileHandler(AOwner) {}
  intptr_t Create(const std::string& Name, int& Error) override;
  intptr_t Open(const std::string& Name, int Flags, int& Error) override;
  uint32_t Read(intptr_t Handle, void* Buffer, uint32_t Count, int& Error) override;
  uint32_t Write(intptr_t Handle, const void* Buffer, uint32_t Count, int& Error) override;
  int Close(intptr_t Handle, int& Error) override;
  int32_t Seek(intptr_t Handle, int32_t Distance, int Origin, int& Error) override;
  int Delete(const std::string& Name, int& Error) override;
  bool Owns(intptr_t Handle) const { return FStreams.count(Handle) != 0; }

 private:
  TFileStream* Find(intptr_t Handle) const;
  std::map<intptr_t, std::unique_ptr<TFileStream>> FStreams;
};

// Library names given UTF-8 (the name flag 0x80) in the ANSI code page.
std::string CabUtf8ToAnsi(const std::string& S);

// The library's cabinet parameters, field for field.
struct TCCAB {
  uint32_t cb;
  uint32_t cbFolderThresh;
  uint32_t cbReserveCFHeader;
  uint32_t cbReserveCFFolder;
  uint32_t cbReserveCFData;
  int32_t iCab;
  int32_t iDisk;
  int32_t fFailOnIncompressible;
  uint16_t setID;
  char szDisk[256];
  char szCab[256];
  char szCabPath[256];
};
static_assert(sizeof(TCCAB) == 804);
