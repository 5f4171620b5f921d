// Random-access byte source for the header readers, and what they share: the
// error numbers they return and bounded reads that never trust a length or
// offset taken from an archive.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TArcSource {
 public:
  virtual ~TArcSource() = default;
  virtual uint64_t Size() = 0;
  // Copies up to n bytes from pos; fewer (or 0) at the end of the source.
  virtual size_t ReadAt(uint64_t pos, uint8_t* buf, size_t n) = 0;
};

// A source over bytes in memory, either borrowed or owned.
class TMemorySource : public TArcSource {
 public:
  TMemorySource(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  explicit TMemorySource(std::vector<uint8_t> data)
      : FOwned(std::move(data)), FData(FOwned.data()), FSize(FOwned.size()) {}
  TMemorySource(const TMemorySource&) = delete;
  TMemorySource& operator=(const TMemorySource&) = delete;
  uint64_t Size() override { return FSize; }
  size_t ReadAt(uint64_t pos, uint8_t* buf, size_t n) override;

 private:
  std::vector<uint8_t> FOwned;
  const uint8_t* FData;
  size_t FSize;
};

class TStream;
class TUntypedFile;

// A source over an open stream (the old archive a writer updates).
class TStreamSource : public TArcSource {
 public:
  explicit TStreamSource(TStream& S) : FStream(S) {}
  uint64_t Size() override;
  size_t ReadAt(uint64_t pos, uint8_t* buf, size_t n) override;

 private:
  TStream& FStream;
};

// A source over an open archive file of an extractor, Size bytes long.
class TUntypedFileSource : public TArcSource {
 public:
  TUntypedFileSource(TUntypedFile& F, int64_t Size) : FFile(F), FSize(Size < 0 ? 0 : uint64_t(Size)) {}
  uint64_t Size() override { return FSize; }
  size_t ReadAt(uint64_t Pos, uint8_t* Buf, size_t N) override;

 private:
  TUntypedFile& FFile;
  uint64_t FSize;
};

// Error numbers of the library's message table that the readers return; 0
// together with a false result means the archive ended cleanly.
//
// Sequential readers return an entry whose data runs past the end of the
// file (its header is whole), so that a listing shows it; the walk then asks
// for the next header beyond the end, which gives rdReadError, while a next
// header exactly at the end is a clean end.
enum : int {
  rdOk = 0,
  rdBadFileHeader = 25108,       // "Bad file header"
  rdNoBeginLine = 25123,         // "No BEGIN line"
  rdReadError = 25236,           // "Error reading file or unexpected end of file"
  rdHeaderCrc = 25237,           // "Header CRC error"
  rdHeaderId = 25238,            // "Header ID error"
  rdNoArchive = 25242,           // "Invalid or unsupported archive type for this operation"
  rdHeaderNotFound = 25257,      // "Header not found. File may be corrupt"
  rdUnsupportedMethod = 25326,   // "Unsupported compression method"
  rdUnsupportedVersion = 25328,  // "Unsupported version"
};

// True when [pos, pos + len) lies inside the source; immune to overflow.
bool SourceHas(TArcSource& src, uint64_t pos, uint64_t len);

// The start of every sequential reader: false at or past the end of the
// source, with err rdReadError when past it (the previous entry was cut).
bool AtEnd(TArcSource& src, uint64_t pos, int& err);

// pos + len, or false when that would not fit 64 bits.
bool AddPos(uint64_t pos, uint64_t len, uint64_t& sum);

// Reads exactly n bytes at pos; false (and nothing promised about buf) when
// the source ends first.
bool ReadExact(TArcSource& src, uint64_t pos, uint8_t* buf, size_t n);

// Reads up to n bytes at pos, as many as the source holds.
std::vector<uint8_t> ReadUpTo(TArcSource& src, uint64_t pos, size_t n);

// Reads a NUL-terminated string at pos whose terminator must lie before
// limit. The text is kept up to keep bytes; end receives the position after
// the terminator. False when no terminator comes before limit.
bool ReadZString(TArcSource& src, uint64_t pos, uint64_t limit, size_t keep, std::string& out, uint64_t& end);

// The bytes of a fixed-size name field up to its first NUL.
std::string FieldString(const uint8_t* p, size_t n);
