// Shared by the header-reader fuzz targets: a walk that must stop, and must
// never step back or stand still.
#pragma once
#include <cstdint>
#include <cstdlib>

#include "archive/core/arc_source.h"

template <typename Step>
void FuzzWalk(uint64_t pos, Step step) {
  for (int i = 0; i < 100000; i++) {
    uint64_t next = 0;
    if (!step(pos, next)) return;
    if (next <= pos) std::abort();
    pos = next;
  }
  std::abort();
}
