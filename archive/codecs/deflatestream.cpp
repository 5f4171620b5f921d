#include "archive/codecs/deflatestream.h"

#include <algorithm>
#include <vector>

size_t TCompStreamIO::ReadInput(uint8_t* Buf, size_t Count) {
  if (FComp.BytesToRead <= 0 || Count == 0) return 0;
  const size_t Want = size_t(std::min<int64_t>(FComp.BytesToRead, int64_t(Count)));
  const size_t Got = FComp.ReadBlockProc(nullptr, FInput, Want, FCrcWidth, false, Buf);
  FComp.BytesToRead -= int64_t(Got);
  FComp.BytesRead += int64_t(Got);
  FComp.RunRemaining -= int64_t(Got);
  FComp.DoProgress(FComp.BytesRead, FComp.FileSize, FComp.RunRemaining, FComp.RunTotal);
  // A short read ends the input even when the file claimed to be longer.
  if (Got < Want) FComp.BytesToRead = 0;
  return Got;
}

void TCompStreamIO::WriteOutput(const uint8_t* Buf, size_t Count) {
  if (Count == 0) return;
  // The encoder may still need its buffer; the cipher works on a copy.
  FBuf.assign(Buf, Buf + Count);
  const size_t Put = FComp.WriteBlockEncryptProc(nullptr, FOutput, 1, Count, 0, FCipher, FBuf.data());
  if (Put != Count) FComp.RaiseWriteError();
  FComp.PackedBytes += int64_t(Count);
}

TDeflateResult DeflateStream(TCompBase& Component, TDeflateEncoder& Encoder, TStream* Input, TStream* Output,
                             int64_t Count, bool Cipher, bool AllowPlain) {
  Component.BytesToRead = Count;
  TCompStreamIO Io(Component, Input, Output, Cipher);
  return Encoder.Encode(Io, Component.DeflateLevel(), AllowPlain);
}
