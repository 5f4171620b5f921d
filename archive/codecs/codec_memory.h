// Working memory of a codec (windows, tables, buffers), held by the
// extractor or writer that uses the codec and kept from entry to entry:
// archives of many small entries would otherwise pay for fresh memory on
// every one. It is made on first use, so an owner that never meets the
// method pays nothing.
#pragma once
#include <memory>
#include <new>

#include "archive/codecs/codec_error.h"

template <class TState>
class TCodecMemory {
 public:
  TState& Get() {
    if (!FState) {
      try {
        FState = std::make_unique<TState>();
      } catch (const std::bad_alloc&) {
        throw ECodecError(kErrOutOfMemory);
      }
    }
    return *FState;
  }

 private:
  std::unique_ptr<TState> FState;
};
