// How an extractor runs a codec over one entry: the codec's errors become the
// run's errors under the entry's report name, and the run's remaining bytes
// follow the codec's output whatever happens.
#pragma once
#include <new>
#include <utility>

#include "archive/codecs/codec_error.h"
#include "archive/core/readwrite.h"
#include "archive/core/unbase.h"

template <class TDecode>
void RunEntryCodec(TUnBase& Component, TArcCodecIO& Io, TDecode&& Decode) {
  const std::string Name = Component.ReportName();
  try {
    std::forward<TDecode>(Decode)();
  } catch (const ECodecError& E) {
    Component.RunRemaining = Io.ArchiveRemaining;
    Component.RaiseError(Name, E.Code);
  } catch (const std::bad_alloc&) {
    Component.RunRemaining = Io.ArchiveRemaining;
    Component.RaiseError(Name, kErrOutOfMemory);
  } catch (...) {
    Component.RunRemaining = Io.ArchiveRemaining;
    throw;
  }
  Component.RunRemaining = Io.ArchiveRemaining;
}
