// The integrity tester: tests every entry of an archive of any testable type
// with the extractor that reads it, writing nothing, and reports a pass or
// fail per entry.
#pragma once
#include <string>

#include "archive/core/unbase.h"

class TZipCheck : public TUnBase {
 public:
  explicit TZipCheck(TComponent* AOwner);

  // The tester's own end-of-entry event (hides the extractors' kind).
  TOnIntegrityEnd OnEnd;
  TOnIntegrityStatus OnStatus;

  // Tests ArchiveFile; returns the number of entries that passed.
  int Activate();
  // Cancels the tester, and the extractor while it runs.
  void SetCancel(bool Value);

 private:
  TUnBase* FExtractor = nullptr;
};
