#include "archive/codecs/unshrink.h"

#include <algorithm>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/legacy_io.h"

namespace {

constexpr unsigned kCodes = 8192;
constexpr unsigned kControl = 256;
constexpr unsigned kFirstFree = 257;
constexpr unsigned kMaxWidth = 13;
constexpr uint16_t kFree = 0xFFFF;

}  // namespace

struct TUnshrinkState {
  TLsbInput In;
  TOutWindow Out;
  uint16_t Parent[kCodes];
  uint8_t Value[kCodes];
  bool HasChild[kCodes];
  uint8_t Stack[kCodes];

  // Frees every code that no other code extends.
  void PartialClear() {
    std::fill(HasChild, HasChild + kCodes, false);
    for (unsigned c = kFirstFree; c < kCodes; ++c)
      if (Parent[c] != kFree) HasChild[Parent[c]] = true;
    for (unsigned c = kFirstFree; c < kCodes; ++c)
      if (!HasChild[c]) Parent[c] = kFree;
  }

  void Run(TCodecIO& io, uint64_t packedSize) {
    In.Begin(io, packedSize);
    Out.Begin(io);
    for (unsigned c = 0; c < kFirstFree; ++c) {
      Parent[c] = kFree;
      Value[c] = uint8_t(c);
    }
    std::fill(Parent + kFirstFree, Parent + kCodes, kFree);
    unsigned width = 9;
    int code = In.Bits(width);
    if (code < 0) return;
    if (code >= int(kControl)) throw ECodecError(kErrBadBlock);
    Out.Put(uint8_t(code));
    unsigned prev = unsigned(code);
    uint8_t prevFirst = uint8_t(code);
    unsigned lastAssigned = kControl;

    for (;;) {
      code = In.Bits(width);
      if (code < 0) break;
      if (code == int(kControl)) {
        const int sub = In.Bits(width);
        if (sub < 0) break;
        if (sub == 1) {
          if (++width > kMaxWidth) throw ECodecError(kErrBadBlock);
        } else if (sub == 2) {
          PartialClear();
          lastAssigned = kControl;
        } else {
          throw ECodecError(kErrBadBlock);
        }
        continue;
      }

      // The string is gathered backwards from the end of the stack.
      size_t top = kCodes;
      unsigned cur = unsigned(code);
      if (cur > kControl && Parent[cur] == kFree) {
        // The code being defined by this very step: the previous string
        // followed by its own first byte.
        Stack[--top] = prevFirst;
        cur = prev;
      }
      while (cur > kControl) {
        if (Parent[cur] == kFree) throw ECodecError(kErrBadBlock);
        if (top == 1) {
          Out.Flush();
          throw ECodecError(kErrStackOverflow);
        }
        Stack[--top] = Value[cur];
        cur = Parent[cur];
      }
      Stack[--top] = uint8_t(cur);
      const uint8_t first = uint8_t(cur);
      for (size_t i = top; i < kCodes; ++i) Out.Put(Stack[i]);

      // A full table takes no new codes until a partial clear frees some.
      unsigned f = lastAssigned + 1;
      while (f < kCodes && Parent[f] != kFree) ++f;
      if (f < kCodes) {
        Parent[f] = uint16_t(prev);
        Value[f] = first;
        lastAssigned = f;
      } else {
        lastAssigned = kCodes - 1;
      }
      prev = unsigned(code);
      prevFirst = first;
    }
    Out.Flush();
  }
};

TUnshrinkDecoder::TUnshrinkDecoder() = default;
TUnshrinkDecoder::~TUnshrinkDecoder() = default;

void TUnshrinkDecoder::Decode(TCodecIO& io, uint64_t packedSize) { FState.Get().Run(io, packedSize); }

void Unshrink(TCodecIO& io, uint64_t packedSize) { TUnshrinkDecoder().Decode(io, packedSize); }
