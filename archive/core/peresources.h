// String resources of a program file, read as Windows reads them from a
// module loaded as a data file. Self-extracting programs keep the offset of
// their archive in string resources 1 to 4.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream;

// Our own reader of the PE resource table. Every offset, RVA and size is
// checked against the file, so a damaged program only yields fewer strings.
class TPeResourceReader {
 public:
  // Reads the headers of the image in Stream (kept by reference). False when
  // the loader would refuse it as a data module: no "MZ", or no "PE\0\0"
  // signature at the offset the DOS header names (a DOS program).
  bool Open(TStream& Stream);
  // String Id converted to ANSI and cut to BufLen - 1 bytes, as LoadStringA
  // fills a buffer of BufLen bytes; empty when there is no such string.
  std::string ReadString(unsigned Id, int BufLen = 256);
  // File offset of the first resource of Type (any name, any language) whose
  // data is exactly Size bytes and lies wholly in the file.
  bool FindResourceData(uint32_t Type, uint32_t Size, uint64_t& Offset);

 private:
  // The numbered and named entries of the directory at file offset Dir (at
  // most as many as the file can hold).
  bool DirEntries(uint64_t Dir, std::vector<uint8_t>& Entries, uint32_t& Named, uint32_t& Count);
  bool ReadAt(uint64_t Offset, void* Buffer, uint32_t Count);
  bool RvaToOffset(uint32_t Rva, bool AllowHeaders, uint64_t& Offset);
  bool FindEntry(uint64_t Dir, uint32_t Id, bool WantDir, bool FirstIfMissing, uint32_t& Data);

  TStream* FStream = nullptr;
  int64_t FSize = 0;
  uint64_t FSections = 0;  // file offset of the section table
  uint16_t FSectionCount = 0;
  uint32_t FSizeOfHeaders = 0;
  uint32_t FResourceRva = 0;
};

// Program strings the platform's way: on Windows LoadLibraryExA with
// LOAD_LIBRARY_AS_DATAFILE and LoadStringA, elsewhere TPeResourceReader on
// the file.
class TProgramStrings {
 public:
  TProgramStrings();
  ~TProgramStrings();
  TProgramStrings(const TProgramStrings&) = delete;
  TProgramStrings& operator=(const TProgramStrings&) = delete;

  // False when the file cannot be loaded as a data module.
  bool Load(const std::string& FileName);
  std::string ReadString(unsigned Id, int BufLen = 256);
  void Release();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};
