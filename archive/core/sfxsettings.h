// The settings block of a Zip self-extractor: written between the stub
// program and the archive, read back by the stub and by the reverse
// conversion. The Zip component writes it as "MPV" in front of SFXSTUB.BIN,
// the program's own builder as "KRX" in front of MORVSE.DAT; the layout is
// the same.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Flag bits of byte 3.
enum : uint8_t {
  sfAskCmdLine = 1,
  sfAskFiles = 2,
  sfHideOverwriteBox = 4,
  sfOverwriteAlways = 8,
  sfOverwriteNever = 16,
  sfNoCheckSize = 32,
  sfAutoRun = 64,
  sfNoSuccessMsg = 128,
};

struct TSfxSettings {
  static constexpr size_t MaxText = 255;
  // The largest block: 12 + 4 x 255 bytes, rounded up to a multiple of 4.
  static constexpr size_t MaxBlock = 1032;

  std::string Magic = "MPV";  // three characters
  uint8_t Flags = 0;
  std::string Caption, DefaultDir, CommandLine, Message;
  bool HasMessage = true;  // the older "U" form has none

  // Magic, the flags, the four texts as counted strings, padded to a multiple
  // of 4; texts are cut to 255 characters.
  std::vector<uint8_t> Build() const;
  // The block that ends exactly at the end of Tail (the bytes in front of the
  // archive), nearest the archive first, so that signature bytes inside the
  // stub are never taken for it. Returns the block's length, 0 when none.
  size_t FindBefore(const uint8_t* Tail, size_t Count);
  // The block in Front, the whole of the bytes in front of the archive: the
  // one that starts where the stub's Windows image ends when it parses there
  // exactly (texts may hold bytes that look like a block), else as
  // FindBefore. Returns the block's length, 0 when none.
  size_t FindInFront(const uint8_t* Front, size_t Count);
  // The block that fills Block exactly.
  bool ReadExact(const uint8_t* Block, size_t Len) { return Parse(Block, Len); }

 private:
  bool Parse(const uint8_t* P, size_t Avail);
};

// Where a Windows image's last section ends in the file (the first byte of
// what was appended to the program); 0 when Image is no such image.
size_t PeImageEnd(const uint8_t* Image, size_t Size);
