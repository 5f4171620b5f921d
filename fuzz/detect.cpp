// Type detection over arbitrary bytes: plain files, programs with damaged
// headers and resource tables, Zip structures pointing anywhere.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "archive/core/bytes.h"
#include "archive/core/detect.h"
#include "framework/core/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TMemoryStream S;
  if (Size) S.Write(Data, int32_t(Size));
  for (int Drive = 0; Drive < 2; ++Drive) {
    TDetectDrive D;
    D.Removable = Drive == 1;
    D.VolumeLabel = Drive == 1 ? "PKBACK# 002" : "";
    const TDetectResult R = DetectArcTypeStream(S, Drive ? "x.jar" : "x.bin", D, Size % 2 ? 32767 : 2000);
    if (R.ArchiveSize != int64_t(Size)) abort();
    // A walk of a Zip reads central headers from StartOffset exactly when
    // zfCentralFound is set; it must find them there.
    if ((R.ArcType == atZip || R.ArcType == atZipExe || R.ArcType == atJar) && (R.Flags & zfCentralFound)) {
      if (R.StartOffset < 0 || uint64_t(R.StartOffset) + 4 > Size) abort();
      if (GetLE32(Data + R.StartOffset) != ZipCentralSig) abort();
    }
    if (IsKnownArcType(R.ArcType) && !IsZipArcType(R.ArcType) && (R.StartOffset < 1 || R.StartOffset > int64_t(Size)))
      abort();
  }
  return 0;
}
