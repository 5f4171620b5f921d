// Self-extractor and spanned-set writers are not part of this build yet:
// both refuse, so that Add reports the refusal instead of writing a plain
// archive under a name that promises something else.
#include "zipbridge/zipbridge.h"

int TZipBridge::ConvertZipToSfx(bool) {
  SetZipError(zmSfxStubMissing);
  return -3;
}

int TZipBridge::WriteSpannedSet(const std::string&, const std::string&) {
  SetZipError(zmUnknownCopyError, "spanned sets cannot be written yet");
  return -1;
}
