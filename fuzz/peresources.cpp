// The PE string-resource reader over arbitrary program images.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "archive/core/peresources.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TMemoryStream S;
  if (Size) S.Write(Data, int32_t(Size));
  TPeResourceReader R;
  if (!R.Open(S)) return 0;
  const unsigned Extra = Size >= 2 ? unsigned(Data[Size - 1]) << 8 | Data[Size - 2] : 0;
  for (unsigned Id : {0u, 1u, 2u, 3u, 4u, 15u, 16u, 17u, 4000u, Extra}) {
    const std::string A = R.ReadString(Id);
    if (A.size() > 255) abort();
    const std::string B = R.ReadString(Id, 4);
    if (B.size() > 3 || A.compare(0, B.size(), B) != 0) abort();
  }
  return 0;
}
