#include "archive/formats/zoo/zoo_lzw.h"

#include "archive/codecs/codec_error.h"
#include "archive/codecs/lzw.h"

TZooLzwDecoder::TZooLzwDecoder()
    : FIn(kInSize), FOut(kOutSize), FPrefix(kTableSize), FSuffix(kTableSize), FStack(kTableSize) {}

unsigned TZooLzwDecoder::ReadCode() {
  while (FCount < FWidth) {
    if (FInPos == FInEnd) {
      FInPos = 0;
      FInEnd = ReadPackedPiece(*FIO, FPackedLeft, FIn.data(), kInSize);
      if (FInEnd == 0) return kEnd;
    }
    FBits |= uint64_t(FIn[FInPos++]) << FCount;
    FCount += 8;
  }
  const unsigned code = unsigned(FBits) & ((1u << FWidth) - 1);
  FBits >>= FWidth;
  FCount -= FWidth;
  return code;
}

void TZooLzwDecoder::Put(const uint8_t* p, size_t n) {
  FProduced += n;
  while (n) {
    size_t room = kOutSize - FOutLen;
    if (room > n) room = n;
    for (size_t i = 0; i < room; ++i) FOut[FOutLen + i] = p[i];
    FOutLen += room;
    p += room;
    n -= room;
    if (FOutLen == kOutSize) {
      FIO->WriteUnpacked(FOut.data(), FOutLen);
      FOutLen = 0;
    }
  }
}

uint64_t TZooLzwDecoder::Decode(TCodecIO& io, uint64_t packedSize) {
  FIO = &io;
  FPackedLeft = packedSize;
  FBits = 0;
  FCount = 0;
  FInPos = FInEnd = 0;
  FProduced = 0;
  FOutLen = 0;
  FWidth = 9;
  unsigned limit = 1u << FWidth, next = kFirstFree, old = 0;
  uint8_t first = 0;
  for (;;) {
    unsigned code = ReadCode();
    if (code == kEnd) break;
    if (code == kClear) {
      FWidth = 9;
      limit = 1u << FWidth;
      next = kFirstFree;
      code = ReadCode();
      // A clear then the end code is how an empty file is packed.
      if (code == kEnd) break;
      if (code > 255) throw ECodecError(kErrCorruptInput);
      old = code;
      first = uint8_t(code);
      Put(&first, 1);
      continue;
    }
    // The code about to be defined is the previous string plus its own first
    // byte; anything beyond it is damage.
    if (code > next) throw ECodecError(kErrCorruptInput);
    const unsigned incoming = code;
    size_t sp = kTableSize;
    if (code == next) {
      FStack[--sp] = first;
      code = old;
    }
    while (code > 255) {
      FStack[--sp] = FSuffix[code];
      code = FPrefix[code];
    }
    first = uint8_t(code);
    FStack[--sp] = first;
    Put(FStack.data() + sp, kTableSize - sp);
    // A full table stays as it is until the next clear.
    if (next < kTableSize) {
      FPrefix[next] = uint16_t(old);
      FSuffix[next] = first;
      if (++next >= limit && FWidth < kMaxBits) {
        ++FWidth;
        limit <<= 1;
      }
    }
    old = incoming;
  }
  if (FOutLen) FIO->WriteUnpacked(FOut.data(), FOutLen);
  FOutLen = 0;
  return FProduced;
}
