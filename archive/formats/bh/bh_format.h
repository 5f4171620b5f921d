// BH (BlakHole) entry header: 37 fixed bytes and the name.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arc_source.h"
#include "archive/core/fields.h"

constexpr uint32_t BhSignature = 0x07054842;
constexpr size_t BhFixedSize = 37;

// The 37 fixed bytes, as the reader and the writer lay them out.
struct TBhFixedHeader {
  uint32_t Signature = BhSignature;
  uint16_t HeaderSize = 0;    // 37 + name length; 0 ends the archive
  uint8_t FixedSize = uint8_t(BhFixedSize);
  uint8_t VersionMadeBy = 0;  // byte 7
  uint8_t VersionNeeded = 0;  // byte 8
  uint8_t Flags = 0;          // bit 0 encrypted; bits 1-2 deflate level
  uint8_t Method = 0;         // 0 stored, 1 LZH, 2 and 8 deflate
  uint32_t DosTime = 0;
  uint32_t PackedSize = 0;    // encryption header included
  uint32_t UnpackedSize = 0;
  uint32_t Crc = 0;
  uint16_t Attributes = 0;
  uint32_t Reserved = 0;
  uint16_t NameLength = 0;
  uint16_t ExtraSize = 0;     // byte 35 (written as 0)

  template <class IO>
  constexpr void Fields(IO& io) {
    io(Signature), io(HeaderSize), io(FixedSize), io(VersionMadeBy), io(VersionNeeded), io(Flags), io(Method);
    io(DosTime), io(PackedSize), io(UnpackedSize), io(Crc), io(Attributes), io(Reserved), io(NameLength);
    io(ExtraSize);
  }
  bool Encrypted() const { return (Flags & 1) != 0; }
};
static_assert(FieldsSize<TBhFixedHeader>() == BhFixedSize);

struct BhHeader : TBhFixedHeader {
  uint64_t Pos = 0;
  std::string FileName;       // raw, "/" separators
  uint64_t DataPos = 0;       // after the name (the encryption header starts here)
  uint64_t NextPos = 0;
};

// Reads the header at pos. The end of the file or a header size of 0 is the
// end (false, err 0); another signature gives rdHeaderId; a name or data past
// the file rdReadError.
bool ReadBhHeader(TArcSource& src, uint64_t pos, BhHeader& out, int& err);
