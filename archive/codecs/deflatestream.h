// The Deflate encoder bound to a writer: it reads the file being added
// through the writer's block reader (CRC-32 over the input) and writes
// through its encrypting block writer, keeping the writer's counters.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/codecs/deflate.h"
#include "archive/core/compbase.h"

// An encoder's input and output bound to a writer: the input through the
// block reader (running CRC of CrcWidth over it) with BytesToRead,
// BytesRead, RunRemaining and progress; the output through the encrypting
// block writer (enciphering when Cipher), added to PackedBytes.
class TCompStreamIO : public TDeflateIO {
 public:
  TCompStreamIO(TCompBase& Component, TStream* Input, TStream* Output, bool Cipher, uint8_t CrcWidth = 32)
      : FComp(Component), FInput(Input), FOutput(Output), FCipher(Cipher), FCrcWidth(CrcWidth) {}
  size_t ReadInput(uint8_t* Buf, size_t Count) override;
  void WriteOutput(const uint8_t* Buf, size_t Count) override;

 private:
  TCompBase& FComp;
  TStream* FInput;
  TStream* FOutput;
  bool FCipher;
  uint8_t FCrcWidth;
  std::vector<uint8_t> FBuf;
};

// Compresses Count bytes from Input's position into Output at the writer's
// DeflateLevel(). The writer's BytesToRead is set to Count and counted down
// as the input is read, with BytesRead, RunRemaining and progress (start the
// entry with StartEntry); each write adds to PackedBytes. Cipher enciphers the output with
// the keys already set up (Zip's traditional cipher). AllowPlain lets the
// encoder write a small incompressible input as plain bytes (Result.Plain),
// which the writer then records as stored. Encoder is the writer's own,
// kept from entry to entry.
TDeflateResult DeflateStream(TCompBase& Component, TDeflateEncoder& Encoder, TStream* Input, TStream* Output,
                             int64_t Count, bool Cipher, bool AllowPlain = true);
